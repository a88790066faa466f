// Saving over files the user has protected: read-only files, symbolic links,
// narrow permissions, and things that are not regular files; saves that
// fail say why; opening never waits on a FIFO.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/safe_file.h"
#include "tests/support/held_fifo.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Save(const char* path, const std::string& text) {
    return WriteFileSafely(path, text.data(), text.size());
}

mode_t ModeOf(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? info.st_mode & 07777 : 0;
}

class SafeFileTest : public ::testing::Test {
protected:
    ScopedTempDir folder;
};

TEST_F(SafeFileTest, AReadOnlyFileIsRefusedWithAMessageAndLeftAsItWas) {
    ASSERT_TRUE(Save("game.cfg", "old bytes"));
    ASSERT_EQ(chmod("game.cfg", 0444), 0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Save("game.cfg", "new"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("read-only"), std::string::npos);
    EXPECT_EQ(ReadAll("game.cfg"), "old bytes");
    EXPECT_EQ(ModeOf("game.cfg"), 0444u);
    EXPECT_NE(access("game.cfg.tmp", F_OK), 0);
}

TEST_F(SafeFileTest, AChainOfLinksStaysAndItsTargetGetsTheBytes) {
    ASSERT_EQ(mkdir("store", 0700), 0);
    ASSERT_TRUE(Save("store/real.cfg", "old"));
    ASSERT_EQ(symlink("real.cfg", "store/link.cfg"), 0);
    ASSERT_EQ(symlink("store/link.cfg", "game.cfg"), 0);
    EXPECT_TRUE(Save("game.cfg", "new bytes"));
    struct stat info;
    ASSERT_EQ(lstat("game.cfg", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(lstat("store/link.cfg", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadAll("store/real.cfg"), "new bytes");
}

TEST_F(SafeFileTest, TheOldPermissionBitsCarryOver) {
    mode_t previous = umask(022);
    ASSERT_TRUE(Save("game.cfg", "old"));
    ASSERT_EQ(chmod("game.cfg", 0640), 0);
    EXPECT_TRUE(Save("game.cfg", "new"));
    umask(previous);
    EXPECT_EQ(ModeOf("game.cfg"), 0640u);
    EXPECT_EQ(ReadAll("game.cfg"), "new");
}

// What stands at `path`, as itself and through its links, with the bytes
// of a regular file.
std::string Describe(const char* path) {
    auto kind = [](bool found, const struct stat& info) -> std::string {
        if (!found)
            return "none";
        return S_ISREG(info.st_mode)    ? "file"
               : S_ISLNK(info.st_mode)  ? "link"
               : S_ISDIR(info.st_mode)  ? "folder"
               : S_ISFIFO(info.st_mode) ? "fifo"
                                        : "other";
    };
    struct stat self, through;
    const bool followed = stat(path, &through) == 0;
    std::string d = kind(lstat(path, &self) == 0, self) + "/" + kind(followed, through);
    return followed && S_ISREG(through.st_mode) ? d + ":" + ReadAll(path) : d;
}

// Each kind of thing that can stand where a save goes: a regular file (or
// a link to one) is saved over; anything else is refused in one line
// naming the file and the reason, and is left exactly as it was.
TEST(SafeFileTargets, OnlyRegularFilesAreSavedOverAndEveryRefusalSaysWhy) {
    const std::string bytes(40000, 'n'); // more than the small file-size limit below
    struct Row {
        const char* what;
        const char* path;
        const char* watch; // what must be left as it was when refused
        std::function<void(std::vector<std::unique_ptr<HeldFifo>>*)> make;
        const char* said; // empty: saved
        bool asRoot = true;
        bool fileSizeLimit = false;
    };
    auto old = [](const char* path) { std::ofstream(path) << "old"; };
    const Row rows[] = {
        {"a regular file", "game.cfg", "game.cfg", [&](auto*) { old("game.cfg"); }, ""},
        {"a link to a regular file", "game.cfg", "real.cfg",
         [&](auto*) {
             old("real.cfg");
             EXPECT_EQ(symlink("real.cfg", "game.cfg"), 0);
         },
         ""},
        {"a FIFO by the temporary file's name", "game.cfg", "game.cfg",
         [&](auto* held) {
             old("game.cfg");
             held->push_back(std::make_unique<HeldFifo>("game.cfg.tmp"));
         },
         ""},
        {"a link to a FIFO", "game.cfg", "pipe",
         [](auto* held) {
             held->push_back(std::make_unique<HeldFifo>("pipe"));
             EXPECT_EQ(symlink("pipe", "game.cfg"), 0);
         },
         "Cannot save game.cfg: it is not a regular file; it is left as it was.\n"},
        {"a FIFO", "game.cfg", "game.cfg",
         [](auto* held) { held->push_back(std::make_unique<HeldFifo>("game.cfg")); },
         "Cannot save game.cfg: it is not a regular file; it is left as it was.\n"},
        {"a folder", "game.cfg", "game.cfg", [](auto*) { mkdir("game.cfg", 0755); },
         "Cannot save game.cfg: it is not a regular file; it is left as it was.\n"},
        {"a file where its folder should be", "notes/game.cfg", "notes",
         [&](auto*) { old("notes"); }, "Cannot save notes/game.cfg: Not a directory.\n"},
        {"a folder the player cannot write", "locked/game.cfg", "locked/game.cfg",
         [&](auto*) {
             mkdir("locked", 0755);
             old("locked/game.cfg");
             chmod("locked", 0555);
         },
         "Cannot save locked/game.cfg: Permission denied; it is left as it was.\n", false},
        // A full disk, as near as a test can come without one: the write
        // stops at the file-size limit.
        {"a disk that fills up", "game.cfg", "game.cfg", [&](auto*) { old("game.cfg"); },
         "Cannot save game.cfg: File too large; it is left as it was.\n", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (!row.asRoot && geteuid() == 0)
            continue; // root writes into any folder
        ScopedTempDir folder;
        std::vector<std::unique_ptr<HeldFifo>> held;
        row.make(&held);
        for (const auto& fifo : held)
            ASSERT_TRUE(fifo->ok());
        const std::string before = Describe(row.watch);
        struct rlimit limit;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const struct rlimit small = {16384, limit.rlim_max};
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        testing::internal::CaptureStdout();
        if (row.fileSizeLimit) {
            EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        const bool saved = Save(row.path, bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.said);
        EXPECT_EQ(saved, row.said[0] == '\0');
        if (saved)
            EXPECT_EQ(Describe(row.watch), "file/file:" + bytes);
        else
            EXPECT_EQ(Describe(row.watch), before);
        EXPECT_EQ(Describe((std::string(row.path) + ".tmp").c_str()), "none/none");
        chmod("locked", 0755);
    }
}

TEST(SafeFileOpen, AFifoIsNeverWaitedOn) {
    ScopedTempDir folder;
    ASSERT_EQ(mkfifo("pipe", 0666), 0);
    const char* why = nullptr;
    EXPECT_EQ(OpenRegularFile("pipe", &why), -1);
    EXPECT_STREQ(why, "it is not a regular file");
    why = nullptr;
    EXPECT_EQ(OpenRegularFileToRewrite("pipe", &why), -1);
    EXPECT_STREQ(why, "it is not a regular file");
    EXPECT_TRUE(IsFifo("pipe"));
}

} // namespace
