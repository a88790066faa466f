#include "menus/pause_menu.h"

#include "engine/config.h"
#include "menus/dialog_parts.h"
#include "menus/play_dialog.h"
#include "ui/button.h"
#include "ui/text.h"

namespace {

enum PauseText : uint32_t {
    PAUSE_TEXT_TITLE = 0,
    PAUSE_TEXT_BODY = 1,
    PAUSE_TEXT_RESUME = 2,
    PAUSE_TEXT_MENU = 3,
};

} // namespace

CGamePauseMenu::CGamePauseMenu() {
    height = gConfig.screenHeight - 100;
    x = CentredDialogX(width);
    y = 50;
    title = NewDialogTitle(*this);
    body = NewDialogColumn(*this, TEXT_ALIGN_CENTER);
    resumeButton = new CSButton();
    menuButton = new CSButton();
    AddChild(title);
    AddChild(body);
    AddChild(resumeButton);
    AddChild(menuButton);
    // The two buttons share the row, resume on the right.
    int32_t centre = x + (width - DIALOG_BUTTON_WIDTH) / 2;
    PlaceDialogButton(*this, resumeButton, centre + DIALOG_BUTTON_WIDTH / 2);
    PlaceDialogButton(*this, menuButton, centre - DIALOG_BUTTON_WIDTH / 2);
    title->SetText(DialogText(PAUSE_TEXT_GROUP, PAUSE_TEXT_TITLE).c_str());
    body->SetText(DialogText(PAUSE_TEXT_GROUP, PAUSE_TEXT_BODY).c_str());
    resumeButton->SetLabel(DialogText(PAUSE_TEXT_GROUP, PAUSE_TEXT_RESUME).c_str());
    menuButton->SetLabel(DialogText(PAUSE_TEXT_GROUP, PAUSE_TEXT_MENU).c_str());
}

int32_t CGamePauseMenu::Draw() {
    return DrawDialogTwice(this);
}

// Escape comes first, so Escape with another key in one frame still leaves.
int32_t CGamePauseMenu::Decide() const {
    if (keyEdges[KEY_ESCAPE] > 0 || LeftReleasedOverButton(*this, menuButton))
        return PAUSE_RESULT_MAIN_MENU;
    if (HasKeyEdge(1) != 0 || LeftReleasedOverButton(*this, resumeButton))
        return CONTROL_RESULT_CLOSE;
    return CONTROL_RESULT_KEEP;
}

int32_t CGamePauseMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                    const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    int32_t result = Decide();
    if (result != CONTROL_RESULT_KEEP)
        PlayDialogClick();
    return result;
}
