// The profile chooser: up to three profiles as buttons sorted by name, a
// slot for a new profile while a record is free, and delete, choose and
// quit buttons. It opens the name entry and the delete confirmation as its
// own modal dialogs. Update gives 500 once a profile is chosen or made
// (the save block's current user names it), -2 to quit, else -1.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CSButton;
class CText;
class CUserDelete;
class CUserNew;

constexpr int32_t USER_SLOT_COUNT = 3;
// The veil behind the screen: black, alpha 190, over 800 x 600.
constexpr uint32_t USER_SELECT_VEIL = 0xBE000000u;

class CUserSelect : public CBaseMenu {
public:
    CUserSelect();
    ~CUserSelect() override;

    int32_t Draw() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetFramed() { framed = 1; }
    void LoadTexts();
    void Layout();
    void UpdateOkLabel(int32_t holdsProfile);
    void RefreshUserList();
    void FindCurrentUserButton();
    void SelectUser();
    void DeleteSelectedUser();
    // The record that now holds `name`, or -1 when all three are taken
    // (nothing changes then).
    int32_t AddUser(const char16_t* name);

    // Items 1..6 of the selection texts, at [item - 1]: title, delete,
    // choose a new profile, choose a profile, quit, the free slot.
    std::u16string texts[6];
    CText* title;
    CSButton* deleteButton;
    CSButton* chooseButton;
    CSButton* quitButton;
    int32_t framed = 0;
    CSButton* slotButtons[USER_SLOT_COUNT];
    int32_t slotRecords[USER_SLOT_COUNT]; // the record shown, -1 free or empty
    int32_t selectedSlot = 0;
    CUserNew* newDialog = nullptr;
    CUserDelete* deleteDialog = nullptr;

private:
    int32_t FeedNewDialog();
    int32_t FeedDeleteDialog();
    void MoveSelection();
    int32_t HoveredSelectableSlot() const;
    bool SlotActivated(int32_t clickedSlot) const;
    bool CommandClicked() const;
    void OpenNewDialog();
    void OpenDeleteDialog();
    bool SelectedHoldsProfile() const;

    const std::u16string* chooseCaption_ = nullptr; // the caption shown
};
