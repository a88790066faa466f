// The command-line tools a new user runs first, started as programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

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

} // namespace
