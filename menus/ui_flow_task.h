// The UI-flow task: owns every screen of the game, from the opening movies
// to the tally, loads and writes "game.sav", and steers the play task.
#pragma once

#include <cstdint>

struct TaskRec;
class CControl;

constexpr uint32_t UI_MSG_FADE_IN = 1;
constexpr uint32_t UI_MSG_SHOW_HELP = 2;
constexpr uint32_t UI_MSG_LEVEL_END = 3;

constexpr int32_t UIFLOW_MODE_MENUS = 0;
constexpr int32_t UIFLOW_MODE_PLAYING = 1;
constexpr int32_t UIFLOW_MODE_PAUSED_MENU = 2;

// The task's state. A null screen is a screen that is not open; the task
// owns every screen it points to.
struct UiFlowState {
    int32_t mode;
    CControl* mainMenu;
    CControl* openingMovie1;
    CControl* openingMovie2;
    CControl* openingPicture;
    CControl* intro;
    CControl* ending;
    CControl* map;
    CControl* userSelect;
    CControl* pauseMenu;
    CControl* help;
    CControl* tally;
    int32_t veilAlpha; // 16.16
    int32_t veilStep;  // 16.16
    int32_t veilFading;
};

void UiFlowTaskHandler(TaskRec* task, uint32_t message);
