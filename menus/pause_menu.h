// The pause dialog that Escape opens during play: a title, a text and two
// buttons. Escape or the menu button leaves for the main menu over the
// paused game; any other key or the resume button goes back to play.
#pragma once

#include <cstdint>

#include "menus/base_menu.h"

class CText;
class CSButton;

constexpr uint32_t PAUSE_TEXT_GROUP = 31;
// What Update gives besides CONTROL_RESULT_KEEP and CONTROL_RESULT_CLOSE
// (resume).
constexpr int32_t PAUSE_RESULT_MAIN_MENU = 1;

class CGamePauseMenu : public CBaseMenu {
public:
    CGamePauseMenu();

    // The children and the cursor are drawn twice a frame. 1.
    int32_t Draw() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // Children, owned through the child list.
    CText* title;
    CText* body;
    CSButton* resumeButton;
    CSButton* menuButton;

private:
    int32_t Decide() const;
};
