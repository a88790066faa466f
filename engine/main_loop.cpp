#include <SDL.h>
#include <cstdio>

#include "engine/app.h"
#include "engine/config.h"
#include "engine/game_keys.h"
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
            // A termination signal arrives as a quit event: end normally so
            // that every task still saves what it owns.
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
    ParseCommandLine(nullptr);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) < 0) {
        std::fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
        return 1;
    }
    CreateTaskStack();
    PushTask(AppTaskHandler, 0, 0);
    RunMainLoop();
    DestroyTaskStack();
    SaveConfig(&gConfig);
    return gAppExitCode;
}
