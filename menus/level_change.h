// The yes/no question the options ask before a change of the three-step
// option restarts a running game at level 1. It opens while the mouse
// button that dragged the slider may still be down, so a click counts only
// after a new press inside it; the keys answer at any time.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CText;
class CSButton;

// Group 29: body, title, yes caption, no caption.
constexpr uint32_t LEVEL_CHANGE_TEXT_GROUP = 29;

class CLevelChange : public CBaseMenu {
public:
    CLevelChange();

    int32_t Draw() override;
    // CONTROL_RESULT_YES, CONTROL_RESULT_CLOSE for no, else KEEP.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;
    void SetFramed() { framed = 1; }

    std::u16string texts[4];
    CText* body = nullptr;
    CText* title = nullptr;
    CSButton* yesButton = nullptr; // on the right
    CSButton* noButton = nullptr;  // on the left
    int32_t framed = 0;
    int32_t waitingForPress = 1;

private:
    void LoadTexts();
    void Layout();
};
