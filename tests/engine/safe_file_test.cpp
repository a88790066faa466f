// Saving over files the user has protected: read-only files, symbolic links
// and narrow permissions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/safe_file.h"
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

} // namespace
