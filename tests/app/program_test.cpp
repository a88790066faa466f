// The real program, started as its own process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/config.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/sample_archive.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
    bool exited = false;
    int code = -1;
    std::string out;
    std::string err;
};

class Program {
public:
    // Starts the game in the current folder with `video` as SDL's driver.
    explicit Program(const char* video) {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("stdout.txt", "w", stdout);
            std::freopen("stderr.txt", "w", stderr);
            setenv("SDL_VIDEODRIVER", video, 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(QB_GAME_BINARY, QB_GAME_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    bool Running() {
        int status;
        return waitpid(pid_, &status, WNOHANG) == 0 || (Remember(status), false);
    }
    void Signal(int sig) { kill(pid_, sig); }
    // Waits up to `seconds`; kills the program if it is still running.
    Outcome Wait(int seconds) {
        Outcome o;
        int status = 0;
        for (int i = 0; i < seconds * 20; ++i) {
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                o.exited = WIFEXITED(status);
                o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            usleep(50000);
        }
        if (!o.exited && o.code == -1) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        auto all = [](const char* p) {
            std::ifstream in(p);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        o.out = all("stdout.txt");
        o.err = all("stderr.txt");
        return o;
    }

private:
    void Remember(int) {}
    pid_t pid_;
};

void WriteWindowedConfig(int renderer) {
    GameConfig c = {};
    SetDefaultConfig(&c);
    c.fullscreen = 0;
    c.rendererKind = renderer;
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(c, bytes);
    ASSERT_EQ(WriteDataFile("game.cfg", bytes, sizeof(bytes)), 0);
}

class ProgramTest : public ::testing::Test {
protected:
    ScopedTempDir folder;
};

TEST_F(ProgramTest, WithoutAnArchiveItSaysSoAndFails) {
    WriteWindowedConfig(1);
    Program game("dummy");
    Outcome o = game.Wait(20);
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "Unable initialize resource\n");
    EXPECT_EQ(ReadAll("game.cfg").size(), 56u);
}

TEST_F(ProgramTest, WhenSdlCannotStartItSaysSoAndFails) {
    Program game("no-such-driver");
    Outcome o = game.Wait(20);
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err.rfind("SDL initialization failed: ", 0), 0u) << o.err;
}

class RealWindow : public ::testing::TestWithParam<int> {
protected:
    ScopedTempDir folder;
};

TEST_P(RealWindow, RunsInAnXWindowAndEndsCleanlyOnTermination) {
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "no X display (run under xvfb-run)";
    std::filesystem::create_directories("res");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    WriteWindowedConfig(GetParam());
    std::vector<uint8_t> config = ReadAll("game.cfg");
    Program game("x11");
    usleep(1500000);
    ASSERT_TRUE(game.Running()) << "the game ended on its own";
    // The signal ends the game like a closed window: it saves and exits 0.
    game.Signal(SIGTERM);
    Outcome o = game.Wait(20);
    EXPECT_TRUE(o.exited) << o.out << o.err;
    EXPECT_EQ(o.code, 0) << o.out << o.err;
    EXPECT_EQ(ReadAll("game.cfg"), config);
}

INSTANTIATE_TEST_SUITE_P(BothRenderers, RealWindow, ::testing::Values(1, 2));

} // namespace
