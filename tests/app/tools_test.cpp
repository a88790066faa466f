// The command-line tools a new user runs first, started as programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "engine/bytes.h"
#include "engine/config.h"
#include "tests/support/temp_dir.h"

namespace {

struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const char* path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool FolderIsEmpty() {
    return std::filesystem::is_empty(std::filesystem::current_path());
}

class ToolsTest : public ::testing::Test {
protected:
    // `args` is shell text: every test argument is a plain word.
    ToolRun RunTool(const char* binary, const std::string& args) {
        std::string out = capture.path() + "/out.txt";
        std::string err = capture.path() + "/err.txt";
        std::string command =
            std::string("'") + binary + "' " + args + " >'" + out + "' 2>'" + err + "'";
        int status = std::system(command.c_str());
        ToolRun r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(out.c_str());
        r.err = Slurp(err.c_str());
        return r;
    }
    ScopedTempDir capture;
    ScopedTempDir folder; // where the tools run: stays empty when they refuse
};

TEST_F(ToolsTest, HelpPrintsEveryOptionAndWritesNothing) {
    for (const char* help : {"--help", "-h"}) {
        ToolRun r = RunTool(QB_WRITE_CONFIG_BINARY, std::string("out.cfg --width 640 ") + help);
        EXPECT_EQ(r.code, 0) << help;
        for (const char* option : {"--width", "--height", "--fps", "--fullscreen", "--reduce",
                                   "--renderer", "--editor", "--colour16", "--help"})
            EXPECT_NE(r.out.find(option), std::string::npos) << option << "\n" << r.out;
        r = RunTool(QB_MAKE_SAMPLE_ARCHIVE_BINARY, help);
        EXPECT_EQ(r.code, 0) << help;
        EXPECT_NE(r.out.find("usage:"), std::string::npos) << r.out;
        EXPECT_TRUE(FolderIsEmpty()) << help;
    }
}

TEST_F(ToolsTest, BadArgumentsPrintTheUsageAndWriteNothing) {
    for (const char* args :
         {"out.cfg --width abc", "out.cfg --width 640x", "out.cfg --width", "out.cfg --renderer 3",
          "out.cfg --fps 99999999999999999999", "out.cfg --speed 2", "--width 640", ""}) {
        ToolRun r = RunTool(QB_WRITE_CONFIG_BINARY, args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("--colour16"), std::string::npos) << args << "\n" << r.err;
    }
    for (const char* args : {"", "a.res b.res", "--force"}) {
        ToolRun r = RunTool(QB_MAKE_SAMPLE_ARCHIVE_BINARY, args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
    }
    EXPECT_TRUE(FolderIsEmpty());
}

TEST_F(ToolsTest, GoodValuesReachTheFile) {
    ToolRun r = RunTool(QB_WRITE_CONFIG_BINARY, "out.cfg --width 640 --renderer 2 --colour16 1");
    ASSERT_EQ(r.code, 0) << r.err;
    GameConfig c = {};
    uint8_t bytes[GAME_CONFIG_FILE_SIZE] = {};
    ReadDataFile("out.cfg", bytes, sizeof(bytes));
    GameConfigFromBytes(bytes, &c);
    EXPECT_EQ(c.screenWidth, 640);
    EXPECT_EQ(c.screenHeight, 600);
    EXPECT_EQ(c.rendererKind, 2);
    EXPECT_EQ(c.colour16, 1);
}

std::vector<uint8_t> FileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void PutFile(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A game.cfg whose every byte differs from the defaults and from its
// neighbours, so that any byte rewritten shows.
std::vector<uint8_t> PatternedConfig(uint32_t version, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    PutU32LE(bytes.data(), version);
    return bytes;
}

TEST_F(ToolsTest, AnExistingConfigChangesOnlyTheOptionGiven) {
    const std::vector<uint8_t> before =
        PatternedConfig(DATA_FILE_VERSION, 4 + GAME_CONFIG_FILE_SIZE);
    PutFile("game.cfg", before);
    ToolRun r = RunTool(QB_WRITE_CONFIG_BINARY, "game.cfg --renderer 2");
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<uint8_t> expected = before;
    PutI32LE(expected.data() + 4 + 44, 2); // after the version word, the block's renderer
    EXPECT_EQ(FileBytes("game.cfg"), expected);
}

// Anything else by that name is left as it was, with a line naming it: a
// game.sav shares the version word, and a FIFO must not stop the tool.
TEST_F(ToolsTest, AFileThatIsNotAConfigIsLeftAsItWas) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } kFiles[] = {
        {"game.sav", PatternedConfig(DATA_FILE_VERSION, 808)},
        {"version11.cfg", PatternedConfig(11, 4 + GAME_CONFIG_FILE_SIZE)},
        {"short.cfg", {10, 0}},
    };
    for (const auto& file : kFiles) {
        PutFile(file.name, file.bytes);
        ToolRun r = RunTool(QB_WRITE_CONFIG_BINARY, std::string(file.name) + " --editor 1");
        EXPECT_EQ(r.code, 1) << file.name;
        EXPECT_NE(r.err.find(std::string(file.name) + " is not a game.cfg"), std::string::npos)
            << r.err;
        EXPECT_EQ(FileBytes(file.name), file.bytes) << file.name;
    }
    ASSERT_EQ(mkfifo("fifo.cfg", 0644), 0);
    EXPECT_EQ(RunTool(QB_WRITE_CONFIG_BINARY, "fifo.cfg --editor 1").code, 1);
    struct stat info;
    ASSERT_EQ(stat("fifo.cfg", &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

} // namespace
