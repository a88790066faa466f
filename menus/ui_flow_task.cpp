// The UI-flow task: the road from the opening movies through the profiles and
// menus into the levels and back. Each frame it updates the screens of the
// current mode, acts on their results and steers the play task by messages.
#include "menus/ui_flow_task.h"

#include <SDL.h>

#include <algorithm>

#include "engine/catalogue.h"
#include "engine/game_keys.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "media/mmplay.h"
#include "media/volume.h"
#include "menus/dialog_parts.h"
#include "menus/save_file.h"
#include "menus/screen_factory.h"
#include "ui/control.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/sound_channels.h"

namespace {

// Screens by id: the movies of media group 11 and the opening picture.
constexpr int32_t kMovieScreen = 33;
constexpr int32_t kPictureScreen = 32;
constexpr int32_t kOpeningMovie1 = 0;
constexpr int32_t kOpeningMovie2 = 1;
constexpr int32_t kIntroMovie = 2;
constexpr int32_t kEndingMovie = 3;

constexpr int32_t kVeilStart = 255 << 16;
constexpr int32_t kVeilStep = 5 << 16;
constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;

constexpr uint32_t kOverlayGroup = 10;
constexpr int32_t kOverlayWord = 28;
constexpr uint32_t kMapSoundGroup = 47;
constexpr uint32_t kClickSoundGroup = 48;
constexpr uint32_t kEscapeBit = 1;

// Map results: a destination, or back to the main menu.
constexpr int32_t kLastDestination = 7;
constexpr int32_t kMapBack = 8;
// The highest map entry each menu may offer.
constexpr int32_t kTitleMapLimit = 7;
constexpr int32_t kPausedMapLimit = 6;
// The front-end level: never a score level.
constexpr int32_t kFrontEndLevel = 1;
constexpr int32_t kNeverScoredLevel = 2;

// One handler call: the task, its state and the play task with its world
// (both null when there is no play task).
struct Flow {
    TaskRec* task;
    UiFlowState* s;
    TaskRec* play;
    GameWorld* world;
};

Flow LookUp(TaskRec* task) {
    Flow flow{task, task->StateAs<UiFlowState>(), nullptr, nullptr};
    uint16_t cursor = 0;
    flow.play = FindTaskByTag(TASK_TAG_PLAY, &cursor);
    if (flow.play != nullptr)
        SendTaskMessage(flow.play, PLAY_MSG_GET_WORLD, TaskWord(&flow.world));
    return flow;
}

void SendToPlay(const Flow& flow, uint32_t message, uintptr_t arg) {
    if (flow.play != nullptr)
        SendTaskMessage(flow.play, message, arg);
}

void GotoDestination(int32_t destination) {
    // The play task marks the index it used; the copy keeps ours.
    int32_t index = destination;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GOTO_DESTINATION, TaskWord(&index));
}

void Close(CControl** screen) {
    delete *screen;
    *screen = nullptr;
}

// A screen put where another may still be open: the old one goes.
void Open(CControl** slot, CControl* screen) {
    if (*slot != screen)
        delete *slot;
    *slot = screen;
}

// The open screen's result; -1 (keep) when it is not open.
int32_t ResultOf(CControl* screen) {
    return screen != nullptr ? screen->Update() : CONTROL_RESULT_KEEP;
}

bool WorldPlaying(const Flow& flow) {
    return flow.world != nullptr && flow.world->playState == PLAY_STATE_PLAYING;
}

void SetNoDraw(const Flow& flow, bool on) {
    if (flow.world == nullptr)
        return;
    if (on)
        flow.world->runFlags |= WORLD_NO_DRAW;
    else
        flow.world->runFlags &= static_cast<uint8_t>(~WORLD_NO_DRAW);
}

// How many score levels, from the first, the profile has reached.
int32_t LeadingLevelCount() {
    const UserRecord* user = CurrentUserRecord();
    int32_t n = 0;
    while (user != nullptr && n < SAVE_LEVEL_SCORES && user->levelScore[n] > 0)
        ++n;
    return n;
}

void OpenUserSelect(UiFlowState* s) {
    ScreenFactory& factory = GetScreenFactory();
    Open(&s->userSelect, factory.NewUserSelect());
    factory.SetUserSelectFramed(s->userSelect);
}

void OpenMainMenu(UiFlowState* s, int32_t variant) {
    Open(&s->mainMenu, GetScreenFactory().NewMainMenu(variant));
}

void OpenMap(UiFlowState* s, int32_t maximum) {
    Open(&s->map, GetScreenFactory().NewMiniMap(maximum));
}

// Scores are kept as the 32-bit machine adds them; wrapping, never undefined.
int32_t AddScore(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The level's result goes to the running score and, when the next level is
// one of the score levels, to that level's score.
void BankLevel(const Flow& flow) {
    GameWorld* world = flow.world;
    if (world == nullptr)
        return;
    const int32_t points = world->levelStatus.resultPoints;
    const int32_t next = world->requestedLevel;
    if (UserRecord* user = CurrentUserRecord()) {
        for (int32_t i = 0; i < kScoreLevelCount; ++i) {
            if (next != kNeverScoredLevel && LevelWord(world, kFirstScoreLevelWord + i) == next) {
                user->levelScore[i] = AddScore(user->levelScore[i], points);
                break;
            }
        }
        user->runningScore = AddScore(user->runningScore, points);
    }
    world->levelStatus = LevelStatusRecord{};
}

// ---- enter, leave, draw ---------------------------------------------------

void Enter(TaskRec* task) {
    SetTaskTag(TASK_TAG_UIFLOW);
    auto* s = new UiFlowState{};
    task->state = s;
    ResetSaveBlock(&gSaveBlock);
    ReadSaveBlockFile(SAVE_FILE_NAME);
    InitHiscoreDefaults();
    s->veilStep = kVeilStep;
    // The menus draw their own cursor, and the mouse stays in the window.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_GrabInput(SDL_GRAB_ON);
    s->openingMovie1 =
        GetScreenFactory().NewSplash(kMovieScreen, kOpeningMovie1, SPLASH_MODE_MOVIE);
    s->map = nullptr;
    s->veilAlpha = kVeilStart;
    task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
}

void Leave(TaskRec* task, UiFlowState* s) {
    WriteSaveBlockFile(SAVE_FILE_NAME);
    CControl** screens[] = {&s->mainMenu,  &s->openingMovie1, &s->openingMovie2, &s->openingPicture,
                            &s->intro,     &s->ending,        &s->map,           &s->userSelect,
                            &s->pauseMenu, &s->help,          &s->tally};
    for (CControl** screen : screens)
        Close(screen);
    delete s;
    task->state = nullptr;
}

void DrawVeil(UiFlowState* s) {
    if ((s->userSelect != nullptr || s->mainMenu != nullptr) && s->veilAlpha > 0) {
        SpriteRecord fill{};
        InitSpriteRecord(&fill, kScreenTarget);
        fill.width = kScreenWidth;
        fill.height = kScreenHeight;
        fill.colour = static_cast<uint32_t>(s->veilAlpha >> 16) << 24;
        FillRect(&fill);
    }
    if (s->veilFading != 0)
        s->veilAlpha = std::max(0, s->veilAlpha - s->veilStep);
}

void DrawOverlayPicture(const Flow& flow) {
    if (flow.world == nullptr || LevelWord(flow.world, kOverlayWord) == 0)
        return;
    SpriteRecord record{};
    InitSpriteRecord(&record, kScreenTarget);
    record.source = GetResourceImage(&gResourceCatalogue, kOverlayGroup, -1);
    DrawSprite(&record);
}

void DrawScreen(CControl* screen) {
    if (screen != nullptr)
        screen->Draw();
}

void Draw(const Flow& flow) {
    UiFlowState* s = flow.s;
    DrawVeil(s);
    for (CControl* screen :
         {s->openingMovie1, s->openingMovie2, s->openingPicture, s->intro, s->ending, s->mainMenu})
        DrawScreen(screen);
    if (s->mainMenu != nullptr)
        DrawOverlayPicture(flow);
    for (CControl* screen : {s->map, s->pauseMenu, s->help, s->userSelect, s->tally})
        DrawScreen(screen);
}

// ---- the map rule -------------------------------------------------------------

void ChooseDestination(const Flow& flow, int32_t r) {
    PlayMenuSound(kMapSoundGroup);
    if (r == 0) {
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESET_PROGRESS, 0);
    } else if (UserRecord* user = CurrentUserRecord()) {
        user->runningScore = user->levelScore[r - 1];
    }
    GotoDestination(r);
    if (flow.world != nullptr)
        ClearTakenItems(flow.world);
    Close(&flow.s->map);
    flow.s->mode = UIFLOW_MODE_PLAYING;
}

void MapRule(const Flow& flow) {
    UiFlowState* s = flow.s;
    if (s->map == nullptr)
        return;
    const int32_t r = s->map->Update();
    // A choice made while the level is still loading is lost.
    if (!WorldPlaying(flow))
        return;
    if (r >= 0 && r <= kLastDestination) {
        ChooseDestination(flow, r);
    } else if (r == kMapBack || r == CONTROL_RESULT_CLOSE) {
        PlayMenuSound(kClickSoundGroup);
        Close(&s->map);
        OpenMainMenu(s, MENU_VARIANT_TITLE);
    }
}

// ---- mode MENUS -----------------------------------------------------------------

void UpdateOpeningScreens(UiFlowState* s) {
    ScreenFactory& factory = GetScreenFactory();
    if (ResultOf(s->openingMovie1) != CONTROL_RESULT_KEEP) {
        Close(&s->openingMovie1);
        Open(&s->openingMovie2, factory.NewSplash(kMovieScreen, kOpeningMovie2, SPLASH_MODE_MOVIE));
    }
    if (ResultOf(s->openingMovie2) != CONTROL_RESULT_KEEP) {
        Close(&s->openingMovie2);
        Open(&s->openingPicture, factory.NewSplash(kPictureScreen, 0, SPLASH_MODE_PICTURE));
    }
    if (ResultOf(s->openingPicture) != CONTROL_RESULT_KEEP) {
        Close(&s->openingPicture);
        OpenUserSelect(s);
        // The front-end level loads; its start lifts the veil.
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    }
}

// False when the program ends: the state is gone then.
bool UpdateUserSelect(UiFlowState* s) {
    const int32_t result = ResultOf(s->userSelect);
    if (result == CONTROL_RESULT_CLOSE) {
        // Leaving deletes every screen still pointed to.
        Close(&s->userSelect);
        PopAllTasks();
        return false;
    }
    if (result == CONTROL_RESULT_ACCEPT) {
        const UserRecord* user = CurrentUserRecord();
        const bool progress = user != nullptr && user->levelScore[0] != 0;
        OpenMainMenu(s, progress ? MENU_VARIANT_TITLE : MENU_VARIANT_NO_PROGRESS);
        SetVolumes(-1, -1);
        Close(&s->userSelect);
    }
    return true;
}

void UpdateEnding(const Flow& flow) {
    UiFlowState* s = flow.s;
    if (ResultOf(s->ending) == CONTROL_RESULT_KEEP)
        return;
    Close(&s->ending);
    SetNoDraw(flow, false);
    OpenMainMenu(s, MENU_VARIANT_TITLE);
    GotoDestination(0);
    if (flow.world != nullptr)
        flow.world->gameFlags &= static_cast<uint8_t>(~GAME_FLAG_COMPLETED);
}

void StartNewGame(const Flow& flow) {
    UiFlowState* s = flow.s;
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr || user->introSeen != 0) {
        OpenMap(s, 0);
        return;
    }
    Open(&s->intro, GetScreenFactory().NewSplash(kMovieScreen, kIntroMovie, SPLASH_MODE_MOVIE));
    user->introSeen = 1;
    SetNoDraw(flow, true);
    gMMplay.Stop(MUSIC_CHANNEL);
}

// False when the update stops here.
bool UpdateTitleMenu(const Flow& flow) {
    UiFlowState* s = flow.s;
    const int32_t result = ResultOf(s->mainMenu);
    if (result == 0) {
        Close(&s->mainMenu);
        StartNewGame(flow);
    } else if (result == 1) {
        if (GetScreenFactory().MainMenuVariant(s->mainMenu) != MENU_VARIANT_PAUSED)
            OpenMap(s, std::min(LeadingLevelCount(), kTitleMapLimit));
        Close(&s->mainMenu);
    } else if (result == 5) {
        Close(&s->mainMenu);
        OpenUserSelect(s);
        return false;
    }
    return true;
}

void UpdateIntro(const Flow& flow) {
    if (ResultOf(flow.s->intro) == CONTROL_RESULT_KEEP)
        return;
    Close(&flow.s->intro);
    SetNoDraw(flow, false);
    OpenMap(flow.s, 0);
}

// False when the program ended.
bool UpdateMenus(const Flow& flow) {
    UpdateOpeningScreens(flow.s);
    if (!UpdateUserSelect(flow.s))
        return false;
    UpdateEnding(flow);
    if (!UpdateTitleMenu(flow))
        return true;
    UpdateIntro(flow);
    MapRule(flow);
    return true;
}

// ---- mode PLAYING -----------------------------------------------------------------

void CloseTally(const Flow& flow) {
    BankLevel(flow);
    Close(&flow.s->tally);
    SendToPlay(flow, PLAY_MSG_RESUME, 0);
    if (flow.world != nullptr) {
        flow.world->playState = PLAY_STATE_FADE_OUT;
        ResumeAllSounds(flow.world);
    }
    gGameKeysPressed = 0;
}

void UpdatePauseMenu(const Flow& flow) {
    UiFlowState* s = flow.s;
    const int32_t result = s->pauseMenu->Update();
    if (result == CONTROL_RESULT_CLOSE) {
        Close(&s->pauseMenu);
        SendToPlay(flow, PLAY_MSG_RESUME, 0);
    } else if (result == 1) {
        OpenMainMenu(s, MENU_VARIANT_PAUSED);
        Close(&s->pauseMenu);
        s->mode = UIFLOW_MODE_PAUSED_MENU;
    }
}

void UpdatePlaying(const Flow& flow) {
    UiFlowState* s = flow.s;
    if (s->tally != nullptr) {
        if (s->tally->Update() == CONTROL_RESULT_CLOSE)
            CloseTally(flow);
        return;
    }
    if (s->help != nullptr) {
        if (s->help->Update() == CONTROL_RESULT_CLOSE) {
            Close(&s->help);
            SendToPlay(flow, PLAY_MSG_RESUME, 0);
            gGameKeysPressed &= ~kEscapeBit;
        }
        return;
    }
    if (s->pauseMenu != nullptr) {
        UpdatePauseMenu(flow);
        return;
    }
    if (!WorldPlaying(flow))
        return;
    if ((flow.world->gameFlags & GAME_FLAG_COMPLETED) != 0) {
        s->mode = UIFLOW_MODE_MENUS;
        Open(&s->ending,
             GetScreenFactory().NewSplash(kMovieScreen, kEndingMovie, SPLASH_MODE_MOVIE));
        SetNoDraw(flow, true);
        SendToPlay(flow, PLAY_MSG_RESUME, 0);
        return;
    }
    if ((gGameKeysPressed & kEscapeBit) != 0) {
        SendToPlay(flow, PLAY_MSG_PAUSE, 0);
        Open(&s->pauseMenu, GetScreenFactory().NewPauseMenu());
    }
}

// ---- mode PAUSED_MENU ---------------------------------------------------------------

void UpdatePausedMenu(const Flow& flow) {
    UiFlowState* s = flow.s;
    const int32_t result = ResultOf(s->mainMenu);
    if (result == 1) {
        if (GetScreenFactory().MainMenuVariant(s->mainMenu) == MENU_VARIANT_RESTARTED) {
            OpenMap(s, std::min(LeadingLevelCount(), kPausedMapLimit));
            SendToPlay(flow, PLAY_MSG_RESUME, 0);
            s->mode = UIFLOW_MODE_MENUS;
        } else {
            SendToPlay(flow, PLAY_MSG_RESUME, 0);
            s->mode = UIFLOW_MODE_PLAYING;
        }
        Close(&s->mainMenu);
    } else if (result == 0) {
        SendToPlay(flow, PLAY_MSG_RESUME, 0);
        Close(&s->mainMenu);
        OpenMap(s, 0);
        SendToPlay(flow, PLAY_MSG_GOTO_LEVEL, kFrontEndLevel);
        s->mode = UIFLOW_MODE_MENUS;
    } else if (result == 5) {
        Close(&s->mainMenu);
        Open(&s->userSelect, GetScreenFactory().NewUserSelect());
        SendToPlay(flow, PLAY_MSG_RESUME, 0);
        SendToPlay(flow, PLAY_MSG_GOTO_LEVEL, kFrontEndLevel);
        GetScreenFactory().SetUserSelectFramed(s->userSelect);
        s->mode = UIFLOW_MODE_MENUS;
        return;
    }
    MapRule(flow);
}

// False when the program ended.
bool Update(const Flow& flow) {
    if (flow.play == nullptr)
        return true;
    flow.task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
    switch (flow.s->mode) {
    case UIFLOW_MODE_MENUS:
        return UpdateMenus(flow);
    case UIFLOW_MODE_PLAYING:
        UpdatePlaying(flow);
        break;
    case UIFLOW_MODE_PAUSED_MENU:
        UpdatePausedMenu(flow);
        break;
    default:
        break;
    }
    return true;
}

// ---- messages from the game -----------------------------------------------------------

void ShowHelp(const Flow& flow, int32_t page) {
    if (flow.s->help != nullptr)
        return;
    SendToPlay(flow, PLAY_MSG_PAUSE, 0);
    flow.s->help = GetScreenFactory().NewHelp(page);
}

void ShowTally(const Flow& flow, LevelStatusRecord* record) {
    if (flow.s->tally != nullptr)
        return;
    SendToPlay(flow, PLAY_MSG_PAUSE, 0);
    flow.s->tally = GetScreenFactory().NewTally(record);
}

void HandleUserMessage(const Flow& flow, uint32_t n, uintptr_t arg) {
    switch (n) {
    case UI_MSG_FADE_IN:
        flow.s->veilFading = 1;
        break;
    case UI_MSG_SHOW_HELP:
        ShowHelp(flow, static_cast<int32_t>(arg));
        break;
    case UI_MSG_LEVEL_END:
        ShowTally(flow, reinterpret_cast<LevelStatusRecord*>(arg));
        break;
    default:
        break;
    }
}

} // namespace

void UiFlowTaskHandler(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        Enter(task);
        return;
    }
    if (task->state == nullptr)
        return;
    // Read before the look-up: the argument belongs to this message.
    const uintptr_t arg = task->messageArg;
    const Flow flow = LookUp(task);
    switch (message) {
    case TASK_MSG_UPDATE:
        Update(flow);
        break;
    case TASK_MSG_DRAW:
        Draw(flow);
        break;
    case TASK_MSG_LEAVE:
        Leave(task, flow.s);
        break;
    default:
        if ((message & TASK_MSG_USER) != 0)
            HandleUserMessage(flow, message ^ TASK_MSG_USER, arg);
        break;
    }
}
