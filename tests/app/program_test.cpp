// The real program, started as its own process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
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

// A variable for the game's environment; a null value unsets it.
using EnvSetting = std::pair<const char*, const char*>;

class Program {
public:
    // Starts the game in the current folder with `video` as SDL's driver
    // (null: SDL chooses) and `extra` applied to its environment.
    explicit Program(const char* video, const std::vector<EnvSetting>& extra = {}) {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "r", stdin);
            std::freopen("stdout.txt", "w", stdout);
            std::freopen("stderr.txt", "w", stderr);
            if (video != nullptr)
                setenv("SDL_VIDEODRIVER", video, 1);
            else
                unsetenv("SDL_VIDEODRIVER");
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            for (const EnvSetting& e : extra)
                e.second != nullptr ? setenv(e.first, e.second, 1) : unsetenv(e.first);
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

// How res/base.res is made unusable, and the reason the game gives. An
// archive row writes a small archive, damaged by `faults`.
enum class Stand { Nothing, Fifo, Folder, Archive };
struct ArchiveFault {
    const char* name;
    Stand stand;
    ArchiveFaults faults;
    const char* reason;
};

ArchiveFaults CutTo(size_t size) {
    ArchiveFaults faults;
    faults.truncateTo = size;
    return faults;
}

ArchiveFaults WithOffset(uint32_t record, uint32_t offset) {
    ArchiveFaults faults;
    faults.offsets[record] = offset;
    return faults;
}

// The small archive: header 8 bytes, 3 directory records of 9, entries of
// 11 and 6 bytes.
const ArchiveFault kArchiveFaults[] = {
    {"Missing", Stand::Nothing, {}, "No such file or directory"},
    {"Fifo", Stand::Fifo, {}, "it is not a regular file"},
    {"Folder", Stand::Folder, {}, "it is not a regular file"},
    {"WrongMagic", Stand::Archive, {{}, {}, {}, {}, "PaR5"}, "it is not a resource archive"},
    {"HeaderCutShort", Stand::Archive, CutTo(6), "it is cut short (its header ends early)"},
    {"DirectoryCutShort", Stand::Archive, CutTo(8 + 9 * 2),
     "it is cut short (its directory goes past the end of the file)"},
    {"DataCutShort", Stand::Archive, CutTo(8 + 9 * 3 + 11 + 5),
     "it is cut short (its data goes past the end of the file)"},
    {"OffsetsGoingBack", Stand::Archive, WithOffset(1, 8 + 9 * 3 - 1), "its directory is damaged"},
};

void MakeArchiveFault(const ArchiveFault& fault) {
    std::filesystem::create_directory("res");
    ArchiveBuilder builder;
    builder.AddPlain(3, BytesOf("first entry"));
    builder.AddPlain(7, BytesOf("second"));
    switch (fault.stand) {
    case Stand::Nothing:
        break;
    case Stand::Fifo:
        ASSERT_EQ(mkfifo("res/base.res", 0666), 0);
        break;
    case Stand::Folder:
        std::filesystem::create_directory("res/base.res");
        break;
    case Stand::Archive:
        ASSERT_TRUE(builder.WriteToFile("res/base.res", fault.faults));
        break;
    }
}

void PrintTo(const ArchiveFault& fault, std::ostream* out) {
    *out << fault.name;
}

class UnusableArchive : public ::testing::TestWithParam<ArchiveFault> {
protected:
    ScopedTempDir folder;
};

// A FIFO opened as the archive would wait for a writer for ever: the run
// is given a time limit, and a game still running at its end fails.
TEST_P(UnusableArchive, SaysWhichFileWhereAndWhyAndFails) {
    WriteWindowedConfig(1);
    MakeArchiveFault(GetParam());
    Program game("dummy");
    Outcome o = game.Wait(20);
    EXPECT_TRUE(o.exited) << "the game did not end";
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "Unable initialize resource\nCannot read res/base.res in the game's folder " +
                         std::filesystem::current_path().string() + ": " + GetParam().reason +
                         "\n");
    EXPECT_EQ(ReadAll("game.cfg").size(), 56u);
}

INSTANTIATE_TEST_SUITE_P(Archives, UnusableArchive, ::testing::ValuesIn(kArchiveFaults),
                         [](const testing::TestParamInfo<ArchiveFault>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ProgramTest, WhenSdlCannotStartItSaysSoAndFails) {
    Program game("no-such-driver");
    Outcome o = game.Wait(20);
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err.rfind("SDL initialization failed: ", 0), 0u) << o.err;
}

// A display number no X server listens on: neither its socket file nor the
// abstract socket of the same name is there.
std::string UnusedDisplay() {
    std::ifstream in("/proc/net/unix");
    const std::string sockets(std::istreambuf_iterator<char>(in), {});
    for (int n = 97; n < 1000; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (!std::filesystem::exists(socket) && sockets.find(socket + "\n") == std::string::npos)
            return ":" + std::to_string(n);
    }
    return "";
}

// SDL falls back to drawing in the terminal when the display does not
// answer; the game must refuse that driver instead of running on it. The
// framebuffer console that SDL tries before it is kept out of reach.
TEST_F(ProgramTest, ADisplayThatDoesNotAnswerIsNamedAndTheGameEnds) {
    WriteWindowedConfig(1);
    std::filesystem::create_directories("res");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    const std::string display = UnusedDisplay();
    ASSERT_FALSE(display.empty());
    const std::pair<const char*, std::string> cases[] = {
        {display.c_str(), "The X display \"" + display + "\" does not answer"},
        {nullptr, "No X display is set (DISPLAY is empty)"},
    };
    for (const auto& [value, opening] : cases) {
        Program game(nullptr,
                     {{"DISPLAY", value}, {"SDL_FBDEV", "/nonexistent"}, {"TERM", "xterm"}});
        Outcome o = game.Wait(20);
        EXPECT_TRUE(o.exited) << opening << ": the game did not end";
        EXPECT_EQ(o.code, 1) << opening;
        const std::string said = opening + "; the game does not run on SDL's text-mode driver \"";
        EXPECT_EQ(o.err.rfind(said, 0), 0u) << o.err;
        EXPECT_TRUE(o.err == said + "caca\" instead.\n" || o.err == said + "aalib\" instead.\n")
            << o.err;
    }
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
