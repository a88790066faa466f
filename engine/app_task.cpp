#include <SDL.h>
#include <cstdio>

#include "engine/app.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/game_path.h"
#include "engine/helpers.h"
#include "engine/platform.h"
#include "engine/task_stack.h"
#include "editor/editor_task.h"
#include "graphics/renderer.h"
#include "graphics/software_draw.h"
#include "media/mmplay.h"
#include "media/volume.h"
#include "menus/ui_flow_task.h"
#include "ui/font.h"
#include "world/play_task.h"

int32_t gAppActive = 1;
int32_t gAppWasActive = 1;
int32_t gScreenRect[4] = {800, 600, 799, 599};
int32_t gAppExitCode = 0;
const AppTaskSet gDefaultAppTasks = {{PlayTaskHandler, UiFlowTaskHandler, EditorTaskHandler}};
AppTaskSet gAppTasks = gDefaultAppTasks;

namespace {

// How far start-up got, so that shutdown undoes only what was done.
struct AppInitProgress {
    uint32_t counter;
    uint32_t unused[2];
};

constexpr const char* kArchivePath = "res/base.res";

constexpr uint32_t kProgressAllocated = 2;
constexpr uint32_t kProgressArchiveOpen = 3;
constexpr uint32_t kProgressVideoSet = 4;
constexpr uint32_t kProgressScreenReady = 5;

void FailStartup() {
    gAppExitCode = 1;
    PopTask();
}

void EnterApp(TaskRec* task) {
    SetTaskTag(TASK_TAG_APP);
    gFramePeriodMs = FramePeriodForRate(gConfig.framesPerSecond);
    AppInitProgress* progress = static_cast<AppInitProgress*>(ZAlloc(sizeof(AppInitProgress)));
    progress->counter = kProgressAllocated;
    task->state = progress;

    const char* why = nullptr;
    if (!OpenArchive(&gResourceArchive, kArchivePath, &why)) {
        std::puts("Unable initialize resource");
        // The first line alone leaves a user guessing which file, where.
        std::printf("Cannot read %s in the game's folder %s: %s\n", kArchivePath,
                    GameFolderForMessage().c_str(), why);
        FailStartup();
        return;
    }
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &gFrameCounter,
                           3);
    progress->counter = kProgressArchiveOpen;
    BuildBlendTable();
    if (gConfig.rendererKind != RENDERER_D3D9 && gConfig.rendererKind != RENDERER_OPENGL) {
        // Without this line a mistyped game.cfg just ends the game.
        std::fprintf(stderr, "game.cfg: unknown renderer %d; use 1 (Direct3D 9) or 2 (OpenGL)\n",
                     static_cast<int>(gConfig.rendererKind));
        FailStartup();
        return;
    }
    int32_t bits = gConfig.colour16 != 0 ? 16 : 32;
    if (!SetVideoMode(gConfig.screenWidth, gConfig.screenHeight, bits, gConfig.fullscreen,
                      gConfig.rendererKind, gConfig.reduceTextures)) {
        FailStartup();
        return;
    }
    progress->counter = kProgressVideoSet;
    SDL_WM_SetCaption("Quillbury", "");
    ClearScreen();
    progress->counter = kProgressScreenReady;
    gScreenRect[0] = gConfig.screenWidth;
    gScreenRect[1] = gConfig.screenHeight;
    gScreenRect[2] = gConfig.screenWidth - 1;
    gScreenRect[3] = gConfig.screenHeight - 1;
    task->flags |= TASK_FLAG_UPDATE_BELOW;
    for (int32_t slot = 0; slot < 8; ++slot)
        gUI.LoadFont(58 + slot, slot);
    if (gMMplay.Open(44100, AUDIO_S16LSB, 2, 4096, 64, &gResourceArchive) != 0) {
        // Without this line a machine with no sound device just ends.
        std::fprintf(stderr, "Unable to open audio: %s\n", SDL_GetError());
        FailStartup();
        return;
    }
    SetVolumes(-1, -1);
    // A pushed task's enter may end the session (pop every task); pushing
    // the next one onto the emptied stack would leave a stack that no
    // application task ever ends.
    PushTask(gAppTasks.handlers[0], 0, 0);
    if (task->handler != AppTaskHandler)
        return;
    PushTask(gAppTasks.handlers[1], 0, 0);
    if (task->handler != AppTaskHandler)
        return;
    if (gConfig.editorEnabled != 0)
        PushTask(gAppTasks.handlers[2], 0, 0);
}

// A focus change ends the frame's event drain: the events behind it wait.
void TakeFocusEvent(const SDL_ActiveEvent& active) {
    gAppActive = active.gain;
    // Keys released while unfocused never arrive; forget them all.
    ClearGameKeys();
    if (active.gain == 0)
        PauseGame();
}

void UpdateApp() {
    EndGameKeyFrame();
    PlatformPumpEvents();
    if (gAppActive != 0 && gAppWasActive == 0)
        ResumeGame();
    SDL_Event event;
    while (PlatformPollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            GameKeyDown(event.key.keysym.sym);
            break;
        case SDL_KEYUP:
            GameKeyUp(event.key.keysym.sym);
            break;
        case SDL_QUIT:
            PopAllTasks();
            return;
        case SDL_ACTIVEEVENT:
            if (event.active.state & (SDL_APPACTIVE | SDL_APPINPUTFOCUS)) {
                TakeFocusEvent(event.active);
                return;
            }
            break;
        default:
            break;
        }
    }
    PresentFrame();
}

void LeaveApp(TaskRec* task) {
    AppInitProgress* progress = task->StateAs<AppInitProgress>();
    uint32_t p = progress != nullptr ? progress->counter : 0;
    // The fonts draw with pictures of the catalogue: they go before it, or
    // a later start would find its fonts loaded and draw freed pictures.
    gUI.UnloadFonts();
    // Cached images and sounds go first, while the renderer and the mixer
    // that hold their textures and records still exist.
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    gMMplay.Stop(-1);
    gMMplay.Close();
    if (p > kProgressVideoSet)
        ShutdownRenderer();
    if (p > kProgressAllocated)
        CloseArchive(&gResourceArchive);
    if (p > 1)
        SDL_Quit();
    FreeAndNull(&progress);
    task->state = nullptr;
}

} // namespace

int32_t FramePeriodForRate(int32_t framesPerSecond) {
    return 1000 / (framesPerSecond > 0 ? framesPerSecond : 40);
}

void (*gFocusObserver)(int32_t resumed) = nullptr;

void PauseGame() {
    if (gFocusObserver != nullptr)
        gFocusObserver(0);
    gMMplay.Pause(-1);
    SuspendRenderer();
}

void ResumeGame() {
    if (gFocusObserver != nullptr)
        gFocusObserver(1);
    gMMplay.Resume(-1);
    ResumeRenderer();
}

void AppTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        EnterApp(task);
        break;
    case TASK_MSG_UPDATE:
        UpdateApp();
        break;
    case TASK_MSG_LEAVE:
        LeaveApp(task);
        break;
    default:
        break;
    }
}
