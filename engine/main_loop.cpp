#include <SDL.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "engine/app.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/game_path.h"
#include "engine/helpers.h"
#include "engine/platform.h"
#include "engine/task_stack.h"

uint32_t gFrameCounter = 0;
int32_t gFramePeriodMs = 40;

int32_t ParseCommandLine(const char*) {
    LoadConfig(&gConfig);
    return 0;
}

namespace {

volatile std::sig_atomic_t gQuitSignalled = 0;

void NoteQuitSignal(int) {
    gQuitSignalled = 1;
}

// Ctrl-C, kill and a closed terminal end the game like closing its window,
// so that every task leaves and game.cfg is saved. Installed before SDL
// starts: SDL puts its own SIGINT and SIGTERM handlers only where none is
// set, and those queue an event from inside the handler, which is not safe.
class QuitSignals {
public:
    QuitSignals() {
        gQuitSignalled = 0;
        struct sigaction action = {};
        action.sa_handler = NoteQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < kCount; ++i) {
            sigaction(kSignals[i], nullptr, &saved_[i]);
            // An ignored signal stays ignored: nohup relies on it.
            installed_[i] = saved_[i].sa_handler != SIG_IGN;
            if (installed_[i])
                sigaction(kSignals[i], &action, nullptr);
        }
    }
    ~QuitSignals() {
        for (int i = 0; i < kCount; ++i)
            if (installed_[i])
                sigaction(kSignals[i], &saved_[i], nullptr);
    }
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    static constexpr int kCount = 3;
    static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction saved_[kCount];
    bool installed_[kCount];
};

// Holds the game's folder for one run, so that a second copy started on it
// ends at once instead of saving its own game.sav over the players the
// first one made. The lock is on the folder itself, so nothing is created
// in it, and the kernel drops it when the process ends however it ends: a
// crash leaves nothing stale. A folder that cannot be locked (not readable,
// or on a file system without flock) runs unguarded, as before.
class FolderLock {
public:
    FolderLock() : fd_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            heldElsewhere_ = errno == EWOULDBLOCK;
            close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool HeldElsewhere() const { return heldElsewhere_; }

private:
    int fd_;
    bool heldElsewhere_ = false;
};

// Drivers with which SDL draws into the terminal as coloured characters,
// its last resort when the X display does not answer.
bool IsTextModeDriver(const char* name) {
    return std::strcmp(name, "aalib") == 0 || std::strcmp(name, "caca") == 0;
}

// False, with SDL shut down and one line naming the display, when SDL's
// video fell back to the terminal.
bool VideoHasADisplay() {
    char driver[32] = "";
    if (SDL_VideoDriverName(driver, sizeof(driver)) == nullptr || !IsTextModeDriver(driver))
        return true;
    // Said after SDL_Quit, which gives the terminal back in its own state.
    SDL_Quit();
    const char* display = std::getenv("DISPLAY");
    std::string which = display == nullptr || *display == '\0'
                            ? std::string("No X display is set (DISPLAY is empty)")
                            : "The X display \"" + PrintablePath(display) + "\" does not answer";
    std::fprintf(stderr, "%s; the game does not run on SDL's text-mode driver \"%s\" instead.\n",
                 which.c_str(), driver);
    return false;
}

// While the window is inactive nothing runs; only focus changes and quit
// requests are taken from the queue.
void DrainInactive() {
    PlatformPumpEvents();
    SDL_Event event;
    while (PlatformPollEvent(&event)) {
        if (event.type == SDL_ACTIVEEVENT) {
            gAppActive = event.active.gain;
            ClearGameKeys();
        } else if (event.type == SDL_QUIT) {
            // End normally so that every task still saves what it owns.
            PopAllTasks();
            return;
        }
    }
    PlatformDelay(20);
}

void PaceFrame(uint32_t frameStart) {
    if (gFramePeriodMs < 0)
        return;
    // 64 bits: a clock that jumps cannot overflow the difference.
    int64_t spent = static_cast<int32_t>(GetTicks() - frameStart);
    int64_t wait = gFramePeriodMs - spent;
    PlatformDelay(static_cast<uint32_t>(wait < 1 ? 1 : wait));
}

} // namespace

void RunMainLoop() {
    gAppActive = 1;
    gAppWasActive = 1;
    while (GetTaskCount() != 0) {
        // Checked here rather than queued as an event, which a task that
        // reads the queue itself could take and drop.
        if (gQuitSignalled != 0) {
            gQuitSignalled = 0;
            PopAllTasks();
            continue;
        }
        uint32_t frameStart = GetTicks();
        if (gAppActive == 0) {
            DrainInactive();
            continue;
        }
        RunTasks();
        gAppWasActive = gAppActive;
        PaceFrame(frameStart);
        ++gFrameCounter;
    }
}

int GameMain() {
    gAppExitCode = 0;
    FolderLock folderLock;
    if (folderLock.HeldElsewhere()) {
        std::fprintf(stderr,
                     "Another copy of the game runs in its folder %s; this one ends without "
                     "touching its files.\n",
                     GameFolderForMessage().c_str());
        return 1;
    }
    QuitSignals quitSignals;
    ParseCommandLine(nullptr);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) < 0) {
        std::fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
        return 1;
    }
    if (!VideoHasADisplay())
        return 1;
    CreateTaskStack();
    PushTask(AppTaskHandler, 0, 0);
    RunMainLoop();
    DestroyTaskStack();
    SaveConfig(&gConfig);
    return gAppExitCode;
}
