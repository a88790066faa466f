// Which paths named by game data lead to a file inside the game's folder.
// Each test runs in a folder "game" inside a temporary folder, with
// "outside/" and "outside.txt" beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "engine/game_path.h"
#include "tests/support/temp_dir.h"

namespace {

class GamePath : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories("game/sub/deeper");
        std::filesystem::create_directories("outside");
        std::ofstream("outside.txt") << "not the game's";
        std::ofstream("game/sub/level.lvl") << "level";
        ASSERT_EQ(chdir("game"), 0);
    }
    std::string Beside(const std::string& name) const { return temp_.path() + "/" + name; }

    ScopedTempDir temp_;
};

TEST_F(GamePath, OnlyRelativePathsWithoutClimbsOrEmptyPartsAreAccepted) {
    const struct {
        std::string path;
        bool accepted;
    } kCases[] = {
        {"level1.lvl", true},
        {"sub/level.lvl", true},
        {"sub\\deeper\\x.lvl", true},
        // Folders not there yet could only be inside; nothing makes them, so
        // a save there fails by itself.
        {"new/folders/x.lvl", true},
        {"./level1.lvl", true},
        {"", false},
        {"/etc/passwd", false},
        {"\\x.lvl", false},
        {Beside("game/level1.lvl"), false}, // absolute, even where it lands inside
        {"..", false},
        {"../x.lvl", false},
        {"..\\..\\x.lvl", false},
        {"a\\..\\b", false},
        {"sub/deeper/../../../outside.txt", false},
        {"a//b", false},
        {"sub/", false},
        {".", false},
        {std::string(5000, 'a'), false},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(GamePathRefusal(c.path) == nullptr, c.accepted) << c.path;
    EXPECT_STREQ(GamePathRefusal("..\\x.lvl"), "its '..' leads out of the game's folder");
}

TEST_F(GamePath, ALinkLeadingOutOfTheFolderIsRefused) {
    std::filesystem::create_directory_symlink(Beside("outside"), "out");
    std::filesystem::create_directory_symlink("../outside", "relative_out");
    std::filesystem::create_symlink(Beside("outside.txt"), "file_out.lvl");
    std::filesystem::create_symlink(Beside("nothing/x.lvl"), "dangling.lvl");
    for (const char* path : {"out/new.lvl", "out/deeper/new.lvl", "relative_out/new.lvl",
                             "file_out.lvl", "dangling.lvl"})
        EXPECT_NE(GamePathRefusal(path), nullptr) << path;
    EXPECT_STREQ(GamePathRefusal("out/x.lvl"), "a link on it leads out of the game's folder");
}

TEST_F(GamePath, ALinkThatStaysInsideIsAccepted) {
    std::filesystem::create_directory_symlink("sub", "in");
    std::filesystem::create_directory_symlink(Beside("game/sub/deeper"), "absolute_in");
    std::filesystem::create_symlink("sub/level.lvl", "file_in.lvl");
    for (const char* path : {"in/level.lvl", "in/new.lvl", "in/deeper/new/x.lvl",
                             "absolute_in/x.lvl", "file_in.lvl"})
        EXPECT_EQ(GamePathRefusal(path), nullptr) << path;
}

// Paths come from data, so a message naming one gets no control a
// terminal would act on: C0, DEL, C1 as UTF-8 and the lone bytes some
// terminals read as C1. Every other character, in UTF-8 or not, is kept.
TEST(PrintablePath, EveryControlBecomesAQuestionMarkAndTheRestIsKept) {
    const struct {
        std::string path;
        std::string printed;
    } kCases[] = {
        {"levels/one.lvl", "levels/one.lvl"},
        {"a\nb\rc\td", "a?b?c?d"},
        {"\x1b[2J\x7f.lvl", "?[2J?.lvl"},
        {"\xc2\x9bJ\xc2\x80\xc2\x9f", "?J??"},           // C1 in UTF-8
        {"\x9bJ\x80\x9f", "?J??"},                       // C1 bytes alone
        {"\xc3\xa9\xc2\xa0\xe2\x82\xac\xf0\x9f\x8e\xae", // é, no-break space, €, 🎮
         "\xc3\xa9\xc2\xa0\xe2\x82\xac\xf0\x9f\x8e\xae"},
        {"caf\xe9", "caf\xe9"},                  // Latin-1, not a control
        {"\xe2\x82", "\xe2?"},                   // cut short
        {"\xc0\x9b\xe0\x82\x9b", "\xc0?\xe0??"}, // overlong forms
        {"\xed\xa0\x80", "\xed\xa0?"},           // a surrogate
    };
    for (const auto& c : kCases)
        EXPECT_EQ(PrintablePath(c.path), c.printed) << c.path;
}

} // namespace
