// The name entry of a new profile: a one-line field of at most eleven
// characters typed through the name keyboard, Shift switching to capitals
// from the next frame. Return, Space or OK confirms (-2); a name that a
// profile already has opens a message instead and keeps the text. An empty
// name is confirmed too: the owner then makes no profile.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CSButton;
class CText;
class CTextEdit;
class CUserExist;

// 1 from a Shift press in a name entry until a Shift release in one; it
// outlives the dialogs.
extern int32_t gShiftHeld;

constexpr int32_t KEY_RIGHT_SHIFT = 303;
constexpr int32_t KEY_LEFT_SHIFT = 304;
// The field's limit: it then holds 11 characters, and a profile's name 11
// and its terminator.
constexpr int32_t NAME_ENTRY_MAX_LENGTH = 10;

class CUserNew : public CBaseMenu {
public:
    CUserNew();
    ~CUserNew() override;

    int32_t Draw() override;
    // -2 when confirmed with a name no profile has (or none), else -1.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetFramed() { framed = 1; }
    // The typed name; it belongs to the field.
    const char16_t* GetName();
    // -1 when a profile has this name, else -2.
    int32_t NameExists();
    void LoadTexts();
    void Layout();
    void UpdateOkLabel(int32_t nameLength);

    // Items 0..3 of the name entry texts: body, title, OK with a name, OK
    // without one.
    std::u16string texts[4];
    CText* body;
    CText* title;
    CTextEdit* nameField;
    CSButton* okButton;
    int32_t framed = 0;
    CUserExist* messageBox = nullptr;

private:
    void OpenMessageBox();
    void TrackShift();

    const std::u16string* okCaption_ = nullptr; // the caption shown
};
