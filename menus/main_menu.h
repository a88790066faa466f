// The full-screen main menu: a background and six picture buttons in a
// column. It opens the hiscores, the options and the text page itself as
// sub-menus and hands its other choices (new game, continue, change user)
// to the UI-flow task. Opening it enters the current score in the hiscores.
#pragma once

#include <cstdint>
#include <vector>

#include "menus/screen_factory.h"
#include "ui/control.h"

struct Image;
class CButton;
class CCursor;

// Results of the main menu, one per item; Escape also gives the last.
constexpr int32_t MAIN_MENU_NEW_GAME = 0;
constexpr int32_t MAIN_MENU_CONTINUE = 1;
constexpr int32_t MAIN_MENU_HISCORES = 2;
constexpr int32_t MAIN_MENU_OPTIONS = 3;
constexpr int32_t MAIN_MENU_TEXT_PAGE = 4;
constexpr int32_t MAIN_MENU_CHANGE_USER = 5;
constexpr int32_t MAIN_MENU_ITEMS = 6;

// Group 9: the background is item 0; item k + 1 is button k selected and
// k + 8 button k otherwise.
constexpr uint32_t MAIN_MENU_PICTURE_GROUP = 9;
constexpr int32_t MAIN_MENU_BUTTON_X = 346;
constexpr int32_t MAIN_MENU_BUTTON_Y = 190;
constexpr int32_t MAIN_MENU_BUTTON_STEP = 55;
// The page of the text item, as a resource number.
constexpr int32_t MAIN_MENU_TEXT_PAGE_ID = 41;

class CMmenu : public CControl {
public:
    explicit CMmenu(int32_t variant);
    ~CMmenu() override;

    int32_t Draw() override;
    // Reads the input through the platform; -1, or one of the results
    // above. While a sub-menu is open (and on the frame it closes) -1.
    int32_t Update() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetVariant(int32_t newVariant) { variant = newVariant; }
    // A confirmed change of the three-step option makes it the restarted
    // variant.
    int32_t GetVariant() const;
    int32_t* RestartFlag() { return &restartFlag; }
    CControl* SubMenus() const { return container; }
    CButton* Button(int32_t index) const;

private:
    Image* Picture(int32_t index) const;
    void CreateButtons();
    void PutMouseOnButton(int32_t index);
    int32_t HoveredButton() const;
    int32_t SelectedButton() const;
    int32_t StepChoice(int32_t choice) const;
    void OpenSubMenu(int32_t result);

    std::vector<Image*> pictures;
    CButton* buttons[MAIN_MENU_ITEMS] = {};
    int32_t pictureCount = 0;
    CCursor* cursor = nullptr;
    CControl* container = nullptr;
    int32_t variant;
    int32_t restartFlag = 0;
};
