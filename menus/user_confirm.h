// The two small confirmations of the profile screens. CUserDelete asks
// whether a profile goes (500 yes, -2 no); CUserExist tells that a typed
// name is taken (-2 when dismissed). Both show a message from the archive
// with the profile's name in it. Their owner feeds them its input, draws
// them instead of itself and deletes them once they decide.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CSButton;
class CText;

class CUserDelete : public CBaseMenu {
public:
    CUserDelete();

    int32_t Draw() override;
    // 500 delete, -2 keep, -1 undecided.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetFramed() { framed = 1; }
    // The question with `name` in its placeholder (null: empty).
    void SetName(const char16_t* name);
    void LoadTexts();
    void Layout();

    // Items 0..3 of the delete texts: the question's format, the title,
    // the accept and the cancel captions.
    std::u16string texts[4];
    CText* body;
    CText* title;
    CSButton* acceptButton; // on the right
    CSButton* cancelButton; // on the left
    int32_t framed = 0;
};

class CUserExist : public CBaseMenu {
public:
    CUserExist();

    int32_t Draw() override;
    // -2 when dismissed, else -1.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetFramed() { framed = 1; }
    void SetName(const char16_t* name);
    void LoadTexts();
    void Layout();

    // Items 0..2 of the name-exists texts: the message's format, the
    // title, the button's caption.
    std::u16string texts[3];
    CText* body;
    CText* title;
    CSButton* button;
    int32_t framed = 0;
};

// Draw of a profile dialog: framed, or its children and cursor alone.
int32_t DrawProfileDialog(CBaseMenu* dialog, int32_t framed);
