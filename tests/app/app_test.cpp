#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/app.h"
#include "engine/archive.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/task_stack.h"
#include "graphics/d3d9/d3d_state.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "media/mmplay.h"
#include "tools/sample/ogg_media_writer.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/sample_archive.h"
#include "ui/font.h"
#include "ui/text.h"

namespace {

std::vector<std::string> gLog;
int gPlayUpdates = 0;
int gMaxTaskCount = 0;
int32_t gPeriodToSet = 0;
int gSignalToRaise = 0;      // raised by the play task in its third update
std::vector<uint32_t> gTags; // the stack's tags in the first frame

std::string Name(uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        return "enter";
    case TASK_MSG_LEAVE:
        return "leave";
    default:
        return "";
    }
}

// The UI flow's place on the stack without its screens: the opening movie
// would pace the frames to itself, and these tests are about the
// application's own pacing.
void QuietUiFlow(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(TASK_TAG_UIFLOW);
    if (message == TASK_MSG_ENTER || message == TASK_MSG_UPDATE)
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
}

template <int Which> void Recording(TaskRec* task, uint32_t message) {
    static const char* names[] = {"play", "uiflow", "editor"};
    std::string n = Name(message);
    if (!n.empty())
        gLog.push_back(std::string(names[Which]) + ":" + n);
    if (message == TASK_MSG_UPDATE && gTags.empty()) {
        for (int i = 0; i < GetTaskCount(); ++i)
            gTags.push_back(gTaskStack->slots[i].tag);
    }
    if (message == TASK_MSG_UPDATE && Which == 0) {
        ++gPlayUpdates;
        if (gPeriodToSet != 0)
            gFramePeriodMs = gPeriodToSet;
        if (gSignalToRaise != 0 && gPlayUpdates == 3) {
            // Gone, so that a game.cfg found afterwards was saved on the way out.
            std::remove("game.cfg");
            std::raise(gSignalToRaise);
        }
    }
    if (GetTaskCount() > gMaxTaskCount)
        gMaxTaskCount = GetTaskCount();
    if (Which == 1)
        QuietUiFlow(task, message);
    else
        gDefaultAppTasks.handlers[Which](task, message);
}

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// What the game says when it cannot use res/base.res in the current folder.
std::string ArchiveRefusal(const std::string& reason) {
    return "Unable initialize resource\nCannot read res/base.res in the game's folder " +
           std::filesystem::current_path().string() + ": " + reason + "\n";
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLog.clear();
        gPlayUpdates = 0;
        gMaxTaskCount = 0;
        gPeriodToSet = 0;
        gSignalToRaise = 0;
        gTags.clear();
        gAppExitCode = 0;
        gFrameCounter = 0;
        ClearGameKeys();
        gAppTasks = {{Recording<0>, Recording<1>, Recording<2>}};
        std::filesystem::create_directories("res");
        // The catalogue without the world: no level is started, so the
        // tasks on the stack are the application's own.
        ASSERT_TRUE(MakeSampleCatalogue().WriteToFile("res/base.res"));
    }
    void TearDown() override { gAppTasks = gDefaultAppTasks; }
    void WriteConfig(int editor, int fps = 40, int renderer = 1, int width = 800,
                     int height = 600) {
        GameConfig c = {};
        SetDefaultConfig(&c);
        c.fullscreen = 0;
        c.editorEnabled = editor;
        c.framesPerSecond = fps;
        c.rendererKind = renderer;
        c.screenWidth = width;
        c.screenHeight = height;
        c.reserved[0] = 0x5A; // must survive the run
        uint8_t bytes[GAME_CONFIG_FILE_SIZE];
        GameConfigToBytes(c, bytes);
        ASSERT_EQ(WriteDataFile("game.cfg", bytes, sizeof(bytes)), 0);
        configBytes = ReadAll("game.cfg");
    }
    ScopedTempDir folder;
    ScriptedPlatform platform;
    ScopedPlatform scope{&platform};
    std::vector<uint8_t> configBytes;
};

TEST_F(AppTest, QuitMakesTheTasksLeaveTopDownAndRewritesTheConfig) {
    WriteConfig(0);
    platform.PushQuit(100);
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ(
        (std::vector<std::string>{"play:enter", "uiflow:enter", "uiflow:leave", "play:leave"}),
        gLog);
    EXPECT_EQ(gMaxTaskCount, 3);
    EXPECT_EQ((std::vector<uint32_t>{TASK_TAG_APP, TASK_TAG_PLAY, TASK_TAG_UIFLOW}), gTags);
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
    EXPECT_GE(gFrameCounter, 3u);
    // The quit frame is counted, but the play task never runs in it.
    EXPECT_EQ(gPlayUpdates + 1, static_cast<int>(gFrameCounter));
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(AppTest, TheScreenRectFollowsTheConfiguredSize) {
    WriteConfig(0, 40, 1, 640, 480);
    platform.PushQuit(60);
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ(gScreenRect[0], 640);
    EXPECT_EQ(gScreenRect[1], 480);
    EXPECT_EQ(gScreenRect[2], 639);
    EXPECT_EQ(gScreenRect[3], 479);
}

TEST_F(AppTest, TheEditorFlagAddsTheEditorTaskOnTop) {
    WriteConfig(1);
    platform.PushQuit(60);
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ((std::vector<std::string>{"play:enter", "uiflow:enter", "editor:enter",
                                        "editor:leave", "uiflow:leave", "play:leave"}),
              gLog);
    EXPECT_EQ(gMaxTaskCount, 4);
    EXPECT_EQ(
        (std::vector<uint32_t>{TASK_TAG_APP, TASK_TAG_PLAY, TASK_TAG_UIFLOW, TASK_TAG_EDITOR}),
        gTags);
}

void EndsTheSessionOnEnter(TaskRec*, uint32_t message) {
    gLog.push_back("ender:" + Name(message));
    if (message == TASK_MSG_ENTER)
        PopAllTasks();
}

TEST_F(AppTest, ATaskThatEndsTheSessionInItsEnterStopsTheStartUp) {
    WriteConfig(1);
    gAppTasks = {{EndsTheSessionOnEnter, Recording<1>, Recording<2>}};
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ((std::vector<std::string>{"ender:enter", "ender:leave"}), gLog);
    EXPECT_EQ(GetTaskCount(), 0);
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
}

TEST_F(AppTest, MissingArchiveFailsWithTheMessageAndStillWritesTheConfig) {
    WriteConfig(0);
    std::remove("res/base.res");
    std::remove("game.cfg");
    testing::internal::CaptureStdout();
    EXPECT_EQ(GameMain(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ArchiveRefusal("No such file or directory"));
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(ReadAll("game.cfg").size(), 56u);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(AppTest, AnUnknownRendererSaysSoFailsAndStillWritesTheConfig) {
    WriteConfig(0, 40, 3);
    testing::internal::CaptureStderr();
    EXPECT_EQ(GameMain(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "game.cfg: unknown renderer 3; use 1 (Direct3D 9) or 2 (OpenGL)\n");
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(GetTaskCount(), 0);
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

// A game.cfg asking for a screen the renderer cannot make.
TEST_F(AppTest, AScreenSizeTheRendererCannotMakeSaysSoAndFails) {
    WriteConfig(0, 40, 1, 800, 16384);
    testing::internal::CaptureStderr();
    EXPECT_EQ(GameMain(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Video mode set failed: no Direct3D 9 device for 800x16384 at 32 bits\n");
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
}

TEST_F(AppTest, AMixerThatCannotOpenFailsAndStillWritesTheConfig) {
    WriteConfig(0);
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    std::string previous = saved != nullptr ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    int code = GameMain();
    std::string err = testing::internal::GetCapturedStderr();
    if (saved != nullptr)
        setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(code, 1);
    EXPECT_NE(err.find("Unable to open audio"), std::string::npos) << err;
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(AppTest, CorruptArchiveFailsLikeAMissingOne) {
    WriteConfig(0);
    std::ofstream("res/base.res", std::ios::binary | std::ios::trunc) << "PaR6\xff\xff\xff\x7f";
    testing::internal::CaptureStdout();
    EXPECT_EQ(GameMain(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              ArchiveRefusal("it is cut short (its directory goes past the end of the file)"));
}

TEST_F(AppTest, FramesArePacedToThePeriodWithAtLeastOneMillisecond) {
    WriteConfig(0);
    platform.PushQuit(200);
    GameMain();
    ASSERT_FALSE(platform.delays().empty());
    for (uint32_t d : platform.delays())
        EXPECT_EQ(d, 25u);
}

TEST_F(AppTest, SlowFramesStillSleepOneMillisecond) {
    WriteConfig(0);
    platform.SetWorkPerPoll(40);
    platform.PushQuit(400);
    GameMain();
    ASSERT_FALSE(platform.delays().empty());
    for (uint32_t d : platform.delays())
        EXPECT_EQ(d, 1u);
}

TEST_F(AppTest, NegativePeriodRunsFramesBackToBackAndCountsThem) {
    WriteConfig(0);
    gPeriodToSet = -1;
    platform.SetWorkPerPoll(1);
    platform.PushQuit(50);
    GameMain();
    EXPECT_TRUE(platform.delays().empty());
    // The clock moves only by the work charged per event pump.
    EXPECT_GE(gFrameCounter, 20u);
}

TEST_F(AppTest, ZeroFrameRateRunsAtForty) {
    WriteConfig(0, 0);
    platform.PushQuit(100);
    GameMain();
    ASSERT_FALSE(platform.delays().empty());
    EXPECT_EQ(platform.delays().front(), 25u);
    EXPECT_EQ(FramePeriodForRate(-5), 25);
    EXPECT_EQ(FramePeriodForRate(30), 33);
}

void LogFocus(int32_t resumed) {
    gLog.push_back(resumed ? "resume" : "pause");
    // A resume comes before the frame's events are read.
    if (resumed) {
        EXPECT_EQ(gGameKeysHeld & GameKeyBit('d'), 0u);
    }
}

// The sample archive with a short tone after it; the tone's entry, or -1.
int32_t WriteArchiveWithATone() {
    CatalogueBuilder catalogue = MakeSampleCatalogue();
    PcmBuffer tone = MakeTone(2, 44100, 4410, 440.0, 0.25);
    uint32_t tail = catalogue.AddTail(
        PlainEntry(static_cast<uint8_t>(RES_TYPE_SOUND_STREAMED), WriteOggVorbis(tone)));
    return catalogue.WriteToFile("res/base.res") ? static_cast<int32_t>(catalogue.TailIndex(tail))
                                                 : -1;
}

// What the mixer and the renderer were doing around a focus change.
struct FocusStates {
    int32_t toneEntry = -1;
    int32_t toneChannel = -1;
    int pausedAtPause = -1;  // paused mixer channels when the pause begins
    int pausedAtResume = -1; // ... when the resume begins
    int pausedAfter = -1;    // ... in the first play frame after the resume
    int lostAtResume = -1;   // the renderer drops its draws
    int lostAfter = -1;
    bool watchNextFrame = false;
};
FocusStates gFocus;

void WatchFocus(int32_t resumed) {
    LogFocus(resumed);
    if (resumed == 0) {
        gFocus.pausedAtPause = gMMplay.Paused(-1);
        // A fullscreen device is lost with the focus: the suspend must
        // notice, or the renderer would go on drawing into it.
        SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
        return;
    }
    gFocus.pausedAtResume = gMMplay.Paused(-1);
    gFocus.lostAtResume = gD3dDeviceLost;
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    gFocus.watchNextFrame = true;
}

// The play task with a tone looping from its first frame.
void PlaysATone(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_UPDATE && gFocus.toneChannel < 0)
        gFocus.toneChannel = gMMplay.Play(-1, -1, gFocus.toneEntry, SOUND_STREAMED, 1);
    if (message == TASK_MSG_UPDATE && gFocus.watchNextFrame) {
        gFocus.watchNextFrame = false;
        gFocus.pausedAfter = gMMplay.Paused(-1);
        gFocus.lostAfter = gD3dDeviceLost;
    }
    Recording<0>(task, message);
}

TEST_F(AppTest, FocusLossPausesOnceAndRegainResumesBeforeTheFramesEvents) {
    WriteConfig(0);
    gFocus = FocusStates();
    gFocus.toneEntry = WriteArchiveWithATone();
    ASSERT_GE(gFocus.toneEntry, 0);
    gAppTasks.handlers[0] = PlaysATone;
    gFocusObserver = WatchFocus;
    platform.PushActive(0, SDL_APPACTIVE, 30);
    platform.PushActive(1, SDL_APPACTIVE, 100);
    // The inactive drains run at 75, 95, 115 (taking the regain), then the
    // first active frame pumps at 135 and reads this key.
    platform.PushKeyDown('d', 125);
    platform.PushQuit(200);
    GameMain();
    gFocusObserver = nullptr;
    EXPECT_EQ((std::vector<std::string>{"play:enter", "uiflow:enter", "pause", "resume",
                                        "uiflow:leave", "play:leave"}),
              gLog);
    EXPECT_NE(gGameKeysHeld & GameKeyBit('d'), 0u);
    // The sound and the drawing stop with the focus and start again with it.
    ASSERT_GE(gFocus.toneChannel, 0);
    EXPECT_EQ(gFocus.pausedAtPause, 0);
    EXPECT_EQ(gFocus.pausedAtResume, 1);
    EXPECT_EQ(gFocus.lostAtResume, 1);
    EXPECT_EQ(gFocus.pausedAfter, 0);
    EXPECT_EQ(gFocus.lostAfter, 0);
}

TEST_F(AppTest, FocusLossStopsTheTasksAndDropsQueuedKeys) {
    WriteConfig(0);
    platform.PushKeyDown(' ', 30);
    platform.PushActive(0, SDL_APPINPUTFOCUS, 60);
    platform.PushKeyDown('a', 60); // behind the focus loss: dropped
    platform.PushActive(1, SDL_APPINPUTFOCUS, 200);
    platform.PushQuit(260);
    GameMain();
    EXPECT_EQ(gGameKeysHeld & GameKeyBit('a'), 0u);
    EXPECT_EQ(gGameKeysHeld & GameKeyBit(' '), 0u); // no key stays held
    // About 140 ms without frames: 60..200 polls every 20 ms.
    EXPECT_LT(gFrameCounter, 260u / 25u);
    // No task ran in the inactive passes, which are not counted.
    EXPECT_EQ(gPlayUpdates + 1, static_cast<int>(gFrameCounter));
}

TEST_F(AppTest, AMouseFocusEventAloneChangesNothing) {
    WriteConfig(0);
    gFocusObserver = LogFocus;
    platform.PushKeyDown(' ', 10);
    platform.PushActive(0, SDL_APPMOUSEFOCUS, 30);
    platform.PushQuit(100);
    GameMain();
    gFocusObserver = nullptr;
    EXPECT_EQ(
        (std::vector<std::string>{"play:enter", "uiflow:enter", "uiflow:leave", "play:leave"}),
        gLog);
    EXPECT_NE(gGameKeysHeld & GameKeyBit(' '), 0u);
    EXPECT_EQ(gPlayUpdates + 1, static_cast<int>(gFrameCounter));
}

int gTextDraws = 0;

// The play task writing a line in the application's first font every frame.
void WritesText(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_UPDATE) {
        CText text;
        text.SetFont(0);
        text.SetText(u"Quillbury");
        text.Draw();
        ++gTextDraws;
    }
    Recording<0>(task, message);
}

TEST_F(AppTest, ASecondRunInTheSameProcessDrawsTextWithItsOwnFonts) {
    gAppTasks.handlers[0] = WritesText;
    for (int run = 0; run < 2; ++run) {
        WriteConfig(0);
        gTextDraws = 0;
        platform.PushQuit(platform.GetTicks() + 60);
        EXPECT_EQ(GameMain(), 0) << "run " << run;
        EXPECT_GT(gTextDraws, 0) << "run " << run;
        // Their pictures went with the catalogue.
        EXPECT_EQ(gUI.GetFont(0), nullptr) << "run " << run;
    }
}

TEST_F(AppTest, QuitWhileInactiveEndsTheGameNormally) {
    WriteConfig(0);
    platform.PushActive(0, SDL_APPACTIVE, 30);
    platform.PushQuit(100);
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ(gLog.back(), "play:leave");
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
}

// A save replaces a file by renaming a new one over it: another inode.
std::string FileStamp(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0)
        return "absent";
    return std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

// What a second copy of the game, started in this folder while the game in
// this process runs, did: its exit code, what it said, and whether the
// game's files stayed as they were.
struct SecondCopy {
    bool started = false;
    int code = -1;
    std::string said;
    bool filesUntouched = false;
};
SecondCopy gSecondCopy;

// A forked child runs GameMain while this process holds the folder. Should
// the child start a game after all, the alarm ends it.
void RunSecondCopy() {
    gSecondCopy.started = true;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const std::string before = FileStamp("game.cfg") + " " + FileStamp("game.sav");
    pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        _exit(GameMain());
    }
    close(pipeFds[1]);
    char buffer[256];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof(buffer))) > 0)
        gSecondCopy.said.append(buffer, static_cast<size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    gSecondCopy.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    gSecondCopy.filesUntouched = FileStamp("game.cfg") + " " + FileStamp("game.sav") == before;
}

void StartsASecondCopy(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_UPDATE && !gSecondCopy.started)
        RunSecondCopy();
    Recording<0>(task, message);
}

TEST_F(AppTest, ASecondCopyOnTheSameFolderSaysSoAndLeavesTheFilesAlone) {
    WriteConfig(0);
    ASSERT_TRUE(WriteDataFile("game.sav", "players", 7) == 0);
    gSecondCopy = SecondCopy();
    gAppTasks.handlers[0] = StartsASecondCopy;
    platform.PushQuit(100);
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ(gSecondCopy.code, 1);
    EXPECT_EQ(gSecondCopy.said, "Another copy of the game runs in its folder " +
                                    std::filesystem::current_path().string() +
                                    "; this one ends without touching its files.\n");
    EXPECT_TRUE(gSecondCopy.filesUntouched);
    // The first copy's own run is unharmed.
    EXPECT_EQ(gLog.back(), "play:leave");
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
}

int gRunningPipe = -1;

// The play task of a copy that never ends: says it runs, then waits to be
// killed.
void RunsUntilKilled(TaskRec* task, uint32_t message) {
    if (message != TASK_MSG_UPDATE) {
        Recording<0>(task, message);
        return;
    }
    const char running = 'r';
    if (write(gRunningPipe, &running, 1) != 1)
        _exit(2);
    for (;;)
        pause();
}

// The kernel drops the lock with the process: a crash leaves nothing that
// would keep the next start out.
TEST_F(AppTest, ACopyKilledWhileRunningLeavesNoLockBehind) {
    WriteConfig(0);
    platform.PushQuit(100);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        close(pipeFds[0]);
        gRunningPipe = pipeFds[1];
        gAppTasks.handlers[0] = RunsUntilKilled;
        GameMain();
        _exit(3);
    }
    close(pipeFds[1]);
    char running = 0;
    const ssize_t got = read(pipeFds[0], &running, 1);
    close(pipeFds[0]);
    testing::internal::CaptureStderr();
    const int whileHeld = got == 1 ? GameMain() : -1;
    testing::internal::GetCapturedStderr();
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_EQ(got, 1) << "the first copy never ran";
    ASSERT_EQ(whileHeld, 1) << "the running copy did not hold the folder";
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(GameMain(), 0);
    EXPECT_EQ(
        (std::vector<std::string>{"play:enter", "uiflow:enter", "uiflow:leave", "play:leave"}),
        gLog);
}

class SignalTest : public AppTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignalTest, ATerminationSignalEndsTheGameLikeAQuit) {
    const int sig = GetParam();
    WriteConfig(0);
    // Whatever the test runner was started with, the game finds the default.
    struct sigaction runner;
    sigaction(sig, nullptr, &runner);
    std::signal(sig, SIG_DFL);
    gSignalToRaise = sig;
    platform.PushQuit(5000); // ends the run should the signal be lost
    int code = GameMain();
    struct sigaction after;
    sigaction(sig, nullptr, &after);
    sigaction(sig, &runner, nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(gPlayUpdates, 3) << "the next frame should have ended the game";
    EXPECT_EQ(
        (std::vector<std::string>{"play:enter", "uiflow:enter", "uiflow:leave", "play:leave"}),
        gLog);
    EXPECT_EQ(ReadAll("game.cfg"), configBytes);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    EXPECT_EQ(after.sa_handler, SIG_DFL) << "the handler outlived the game";
}

INSTANTIATE_TEST_SUITE_P(HangupInterruptTerminate, SignalTest,
                         ::testing::Values(SIGHUP, SIGINT, SIGTERM));

} // namespace
