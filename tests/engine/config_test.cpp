#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/bytes.h"
#include "engine/config.h"
#include "tests/support/held_fifo.h"
#include "tests/support/temp_dir.h"
#include "tests/support/without_file_powers.h"

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> DefaultFileBytes() {
    std::vector<uint8_t> b(56, 0);
    PutU32LE(&b[0], 10);
    PutI32LE(&b[24], 800);
    PutI32LE(&b[28], 600);
    PutI32LE(&b[32], 40);
    PutI32LE(&b[36], 1);
    PutI32LE(&b[48], 1);
    return b;
}

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { config = GameConfig{}; }
    ScopedTempDir folder;
    GameConfig config;
};

TEST_F(ConfigTest, MissingFileIsWrittenWithExactlyTheDefaults) {
    LoadConfig(&config);
    EXPECT_EQ(config.screenWidth, 800);
    EXPECT_EQ(config.screenHeight, 600);
    EXPECT_EQ(config.framesPerSecond, 40);
    EXPECT_EQ(config.fullscreen, 1);
    EXPECT_EQ(config.rendererKind, 1);
    EXPECT_EQ(config.editorEnabled, 0);
    EXPECT_EQ(ReadAll("game.cfg"), DefaultFileBytes());
}

TEST_F(ConfigTest, ForeignVersionIsReplacedByTheDefaults) {
    std::vector<uint8_t> file = DefaultFileBytes();
    PutU32LE(&file[0], 9);
    PutI32LE(&file[24], 1024);
    WriteAll("game.cfg", file);
    LoadConfig(&config);
    EXPECT_EQ(config.screenWidth, 800);
    EXPECT_EQ(ReadAll("game.cfg"), DefaultFileBytes());
}

TEST_F(ConfigTest, VersionTenRoundTripsByteForByteWithReservedBytes) {
    std::vector<uint8_t> file = DefaultFileBytes();
    for (int i = 4; i < 24; ++i)
        file[i] = static_cast<uint8_t>(0xA0 + i);
    file[46] = 0x5A;
    file[47] = 0xA5;
    PutI32LE(&file[48], 2);
    PutI32LE(&file[52], 1);
    PutU16LE(&file[44], 1);
    WriteAll("game.cfg", file);
    LoadConfig(&config);
    EXPECT_EQ(config.rendererKind, 2);
    EXPECT_EQ(config.editorEnabled, 1);
    EXPECT_EQ(config.colour16, 1);
    std::remove("game.cfg");
    SaveConfig(&config);
    EXPECT_EQ(ReadAll("game.cfg"), file);
}

TEST_F(ConfigTest, EveryFieldComesFromItsOwnOffset) {
    std::vector<uint8_t> file = DefaultFileBytes();
    PutI32LE(&file[24], 1001);
    PutI32LE(&file[28], 1002);
    PutI32LE(&file[32], 1003);
    PutI32LE(&file[36], 1004);
    PutI32LE(&file[40], 1005);
    PutU16LE(&file[44], 1006);
    PutI32LE(&file[48], 1007);
    PutI32LE(&file[52], 1008);
    WriteAll("game.cfg", file);
    LoadConfig(&config);
    EXPECT_EQ(config.screenWidth, 1001);
    EXPECT_EQ(config.screenHeight, 1002);
    EXPECT_EQ(config.framesPerSecond, 1003);
    EXPECT_EQ(config.fullscreen, 1004);
    EXPECT_EQ(config.reduceTextures, 1005);
    EXPECT_EQ(config.colour16, 1006);
    EXPECT_EQ(config.rendererKind, 1007);
    EXPECT_EQ(config.editorEnabled, 1008);
    EXPECT_EQ(ReadAll("game.cfg"), file); // a version-10 file is only read
}

TEST_F(ConfigTest, ShortFileFillsOnlyTheBytesItHas) {
    std::vector<uint8_t> file(4 + 30, 0);
    PutU32LE(&file[0], 10);
    PutI32LE(&file[4 + 20], 640); // width
    PutI32LE(&file[4 + 24], 480); // height
    file[4 + 28] = 25;            // first two bytes of the frame rate
    file[4 + 29] = 0;
    WriteAll("game.cfg", file);
    LoadConfig(&config);
    EXPECT_EQ(config.screenWidth, 640);
    EXPECT_EQ(config.screenHeight, 480);
    EXPECT_EQ(config.framesPerSecond, 25); // high bytes kept from the default 40 (all zero)
    EXPECT_EQ(config.fullscreen, 1);
    EXPECT_EQ(config.rendererKind, 1);
}

TEST_F(ConfigTest, DefaultsLeaveReservedBytesAndEditorFlagAlone) {
    config.reserved[3] = 7;
    config.padding[1] = 9;
    config.editorEnabled = 1;
    SetDefaultConfig(&config);
    EXPECT_EQ(config.reserved[3], 7);
    EXPECT_EQ(config.padding[1], 9);
    EXPECT_EQ(config.editorEnabled, 1);
}

TEST_F(ConfigTest, FailedWriteReportsFailureAndKeepsTheOldFile) {
    uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_EQ(WriteDataFile("no-such-dir/game.cfg", block, 4), 1);
    ASSERT_EQ(WriteDataFile("game.cfg", block, 4), 0);
    // A folder in the way of the temporary file makes the write fail.
    mkdir("game.cfg.tmp", 0700);
    uint8_t other[4] = {9, 9, 9, 9};
    EXPECT_EQ(WriteDataFile("game.cfg", other, 4), 1);
    rmdir("game.cfg.tmp");
    std::vector<uint8_t> expected = {10, 0, 0, 0, 1, 2, 3, 4};
    EXPECT_EQ(ReadAll("game.cfg"), expected);
}

// A FIFO by the name of game.cfg (or game.sav, read the same way) is not
// waited on, and the defaults are not written over it.
TEST_F(ConfigTest, AFifoIsNeitherWaitedOnNorReplaced) {
    HeldFifo fifo("game.cfg");
    ASSERT_TRUE(fifo.ok());
    testing::internal::CaptureStdout();
    LoadConfig(&config);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot save game.cfg: it is not a regular file; it is left as it was.\n");
    EXPECT_EQ(config.screenWidth, 800);
    EXPECT_TRUE(IsFifo("game.cfg"));
}

// The game runs in "game"; a game.cfg it will not take as its own is left
// as it was, and so it stays through every later save of the run, the
// first of which says so. One it can set aside is replaced as before.
TEST(ConfigLeftAsItWas, NoLaterSaveReplacesAFileTheGameDidNotTake) {
    std::vector<uint8_t> foreign = DefaultFileBytes();
    PutU32LE(&foreign[0], 9);
    std::vector<uint8_t> mine = DefaultFileBytes();
    PutI32LE(&mine[24], 1024);
    const std::string leftAlone = "Cannot save game.cfg: the game did not take the file there as "
                                  "its own; it is left as it was.\n";
    const std::string notSetAside = "game.cfg has version 9, not 10: it cannot be set aside "
                                    "(Permission denied), so it is left as it was and the "
                                    "defaults are not saved\n";
    const std::string unreadable = "game.cfg cannot be read (Permission denied), so it is left "
                                   "as it was and the defaults are not saved\n";
    struct Row {
        const char* what;
        std::function<void()> make;
        const char* watch; // the file the saves would replace
        std::string said;
        std::vector<uint8_t> after;
    };
    const Row rows[] = {
        {"a foreign file set aside", [&] { WriteAll("game/game.cfg", foreign); }, "game/game.cfg",
         "game.cfg has version 9, not 10: it is kept as game.cfg.bad and the defaults take its "
         "place\n",
         DefaultFileBytes()},
        {"a foreign file in a folder the player cannot write",
         [&] {
             WriteAll("game/game.cfg", foreign);
             chmod("game", 0555);
         },
         "game/game.cfg", notSetAside + leftAlone, foreign},
        {"a link to the player's foreign file, from a folder the player cannot write",
         [&] {
             std::filesystem::create_directory("mine");
             WriteAll("mine/game.cfg", foreign);
             std::filesystem::create_symlink("../mine/game.cfg", "game/game.cfg");
             chmod("game", 0555);
         },
         "mine/game.cfg", notSetAside + leftAlone, foreign},
        {"a file the player cannot read",
         [&] {
             WriteAll("game/game.cfg", mine);
             chmod("game/game.cfg", 0200);
         },
         "game/game.cfg", unreadable + leftAlone, mine},
        {"a file with no permissions at all",
         [&] {
             WriteAll("game/game.cfg", mine);
             chmod("game/game.cfg", 0);
         },
         "game/game.cfg", unreadable + leftAlone, mine},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedTempDir folder;
        std::filesystem::create_directory("game");
        row.make();
        // The start reads it; a level start and the exit save.
        const ChildRun run = RunWithoutFilePowers([] {
            GameConfig config{};
            if (chdir("game") != 0)
                return;
            LoadConfig(&config);
            SaveConfig(&config);
            SaveConfig(&config);
        });
        chmod("game", 0755);
        chmod(row.watch, 0644);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.said, row.said);
        EXPECT_EQ(ReadAll(row.watch), row.after);
        EXPECT_FALSE(std::filesystem::exists(std::string(row.watch) + ".tmp"));
    }
}

} // namespace
