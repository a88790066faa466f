#include "menus/main_menu.h"

#include <algorithm>

#include "engine/catalogue.h"
#include "engine/platform.h"
#include "menus/dialog_parts.h"
#include "menus/options_menu.h"
#include "menus/save_file.h"
#include "menus/text_pages.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/picture.h"

namespace {

constexpr int32_t kMenuWidth = 800;
constexpr int32_t kMenuHeight = 600;
// The item that a paused game shows in place of item 1's pictures.
constexpr int32_t kPausedContinuePicture = 6;
constexpr int32_t kNormalPictureOffset = 8;
constexpr int32_t kSelectedPictureOffset = 1;

int32_t ClampTo(int64_t value, int32_t low, int32_t high) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

} // namespace

CMmenu::CMmenu(int32_t initialVariant) : variant(initialVariant) {
    cursor = new CCursor();
    pictureCount = static_cast<int32_t>(GetGroupSize(&gResourceCatalogue, MAIN_MENU_PICTURE_GROUP));
    pictures.resize(static_cast<size_t>(pictureCount));
    for (int32_t i = 0; i < pictureCount; ++i)
        pictures[static_cast<size_t>(i)] = GetPictureItem(MAIN_MENU_PICTURE_GROUP, i);
    CreateButtons();
    buttons[0]->SetSelected(1);
    PutMouseOnButton(0);
    x = 0;
    y = 0;
    width = kMenuWidth;
    height = kMenuHeight;
    container = new CControl();
    InsertHiscore();
    restartFlag = 0;
}

CMmenu::~CMmenu() {
    delete container;
    container = nullptr;
    DeleteChildren();
    delete cursor;
    cursor = nullptr;
    UnloadGroup(&gResourceCatalogue, MAIN_MENU_PICTURE_GROUP);
}

// A group short of pictures leaves the missing ones out: a button without
// its normal picture has size 0 and cannot be hovered.
Image* CMmenu::Picture(int32_t index) const {
    if (index < 0 || index >= pictureCount)
        return nullptr;
    return pictures[static_cast<size_t>(index)];
}

void CMmenu::CreateButtons() {
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i) {
        int32_t k = i;
        if (i == MAIN_MENU_CONTINUE && variant == MENU_VARIANT_PAUSED)
            k = kPausedContinuePicture;
        Image* normal = Picture(k + kNormalPictureOffset);
        CButton* button = new CButton();
        button->SetPictures(MAIN_MENU_BUTTON_X, MAIN_MENU_BUTTON_Y + MAIN_MENU_BUTTON_STEP * i,
                            normal, Picture(k + kSelectedPictureOffset), normal, normal);
        // Without progress there is nothing to continue.
        if (i == MAIN_MENU_CONTINUE && variant == MENU_VARIANT_NO_PROGRESS) {
            button->SetSelectable(0);
            button->SetEnabled(0);
        }
        buttons[i] = button;
        AddChild(button);
    }
}

CButton* CMmenu::Button(int32_t index) const {
    if (index < 0 || index >= MAIN_MENU_ITEMS)
        return nullptr;
    return buttons[index];
}

int32_t CMmenu::GetVariant() const {
    return restartFlag != 0 ? MENU_VARIANT_RESTARTED : variant;
}

void CMmenu::PutMouseOnButton(int32_t index) {
    const CButton* button = buttons[index];
    mouseX = button->x + button->width - 5;
    mouseY = button->y + button->height - 5;
}

int32_t CMmenu::HoveredButton() const {
    return FirstHoveredButton(buttons, MAIN_MENU_ITEMS);
}

int32_t CMmenu::SelectedButton() const {
    return FirstSelectedButton(buttons, MAIN_MENU_ITEMS);
}

// The choice after this frame's Up and Down presses. Without progress the
// continue item is stepped over.
int32_t CMmenu::StepChoice(int32_t choice) const {
    bool skipsContinue = variant == MENU_VARIANT_NO_PROGRESS;
    if (keyEdges[KEY_UP] == 1) {
        choice -= 1;
        if (choice == MAIN_MENU_CONTINUE && skipsContinue)
            choice = MAIN_MENU_NEW_GAME;
    }
    if (keyEdges[KEY_DOWN] == 1) {
        choice += 1;
        if (choice == MAIN_MENU_CONTINUE && skipsContinue)
            return MAIN_MENU_HISCORES;
    }
    if (choice < 0)
        return MAIN_MENU_ITEMS - 1;
    if (choice >= MAIN_MENU_ITEMS)
        return 0;
    return choice;
}

int32_t CMmenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                            const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (restartFlag != 0)
        variant = MENU_VARIANT_RESTARTED;
    ProcessInputEdges();
    DispatchInput();
    int32_t hovered = HoveredButton();
    int32_t choice = hovered >= 0 ? hovered : SelectedButton();
    if (keyEdges[KEY_UP] == 1 || keyEdges[KEY_DOWN] == 1) {
        choice = StepChoice(choice);
        PutMouseOnButton(choice);
    }
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i)
        buttons[i]->SetSelected(i == choice ? 1 : 0);
    if (keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1)
        return choice;
    if (buttonEdges[0] == -1 && hovered >= 0)
        return choice;
    if (keyEdges[KEY_ESCAPE] == 1)
        return MAIN_MENU_CHANGE_USER;
    return CONTROL_RESULT_KEEP;
}

// The sub-menu sees this frame's input once at creation, so that a key held
// now does not count as pressed in it.
void CMmenu::OpenSubMenu(int32_t result) {
    if (result == MAIN_MENU_OPTIONS) {
        COptionsMenu* options = new COptionsMenu();
        options->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
        options->SetFramed();
        options->SetRestartFlag(&restartFlag);
        container->AddChild(options);
    } else if (result == MAIN_MENU_TEXT_PAGE) {
        CTextScrollMenu* page = new CTextScrollMenu();
        page->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
        page->ShowScrollbar();
        page->SetFramed();
        page->SetPage(MAIN_MENU_TEXT_PAGE_ID);
        container->AddChild(page);
    } else if (result == MAIN_MENU_HISCORES) {
        CHiscoresShowMenu* hiscores = new CHiscoresShowMenu();
        hiscores->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
        hiscores->SetFramed();
        hiscores->ShowScrollbar();
        container->AddChild(hiscores);
    }
}

int32_t CMmenu::Update() {
    int dx = 0, dy = 0;
    buttonMask = PlatformGetRelativeMouseState(&dx, &dy) & 0xFF;
    mouseX = ClampTo(static_cast<int64_t>(mouseX) + dx, x, x + width);
    mouseY = ClampTo(static_cast<int64_t>(mouseY) + dy, y, y + height);
    int count = 0;
    const uint8_t* keys = PlatformGetKeyState(&count);
    int32_t openSubMenus = container->GetChildCount();
    container->HandleInput(mouseX, mouseY, buttonMask, keys, count);
    if (openSubMenus != 0) {
        // The keys that closed the sub-menu must not act here as well.
        BlockInput();
        container->GetCursor(&mouseX, &mouseY);
        return CONTROL_RESULT_KEEP;
    }
    int32_t result = HandleInput(mouseX, mouseY, buttonMask, keys, count);
    // A new profile starts in the options.
    if (gSaveBlock.newProfile != 0) {
        result = MAIN_MENU_OPTIONS;
        gSaveBlock.newProfile = 0;
    }
    OpenSubMenu(result);
    if (result != CONTROL_RESULT_KEEP && result != MAIN_MENU_CHANGE_USER)
        PlayDialogClick();
    return result;
}

int32_t CMmenu::Draw() {
    DrawPictureAt(Picture(0), 0, 0);
    DrawChildren();
    int32_t drawn = container->Draw();
    // An open sub-menu draws its own cursor.
    if (drawn <= 1)
        cursor->Draw(mouseX, mouseY);
    return drawn + 1;
}
