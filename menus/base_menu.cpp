#include "menus/base_menu.h"

#include <algorithm>

#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/platform.h"
#include "ui/cursor.h"
#include "ui/picture.h"
#include "ui/scrollbar.h"

CBaseMenu::CBaseMenu() {
    cursor = new CCursor();
    framePictureCount = static_cast<int32_t>(GetGroupSize(&gResourceCatalogue, MENU_FRAME_GROUP));
    framePictures.resize(static_cast<size_t>(framePictureCount));
    for (int32_t i = 0; i < framePictureCount; ++i)
        framePictures[static_cast<size_t>(i)] = GetPictureItem(MENU_FRAME_GROUP, i);
    x = 0;
    y = 0;
    width = PictureWidth(FramePicture(0));
    height = MENU_START_HEIGHT;
}

CBaseMenu::~CBaseMenu() {
    delete scrollbar;
    scrollbar = nullptr;
    delete cursor;
    cursor = nullptr;
}

// A group with fewer pictures than the frame needs draws what it has; the
// missing picture has size 0.
Image* CBaseMenu::FramePicture(int32_t index) const {
    if (index < 0 || index >= framePictureCount)
        return nullptr;
    return framePictures[static_cast<size_t>(index)];
}

int32_t CBaseMenu::Update() {
    int dx = 0, dy = 0;
    buttonMask = PlatformGetRelativeMouseState(&dx, &dy) & 0xFF;
    int32_t newX = mouseX + dx;
    int32_t newY = mouseY + dy;
    newX = newX < x ? x : (newX > x + width ? x + width : newX);
    newY = newY < y ? y : (newY > y + height ? y + height : newY);
    int count = 0;
    const uint8_t* keys = PlatformGetKeyState(&count);
    return HandleInput(newX, newY, buttonMask, keys, count);
}

void CBaseMenu::TakeInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                          const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    DispatchInput();
    if (scrollbar != nullptr)
        scrollbar->HandleInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
}

int32_t CBaseMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                               const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1)
        return CONTROL_RESULT_CLOSE;
    return CONTROL_RESULT_KEEP;
}

int32_t CBaseMenu::DrawFrame() {
    Image* body = FramePicture(0);
    Image* bottom = FramePicture(1);
    int32_t bottomHeight = PictureHeight(bottom);
    // A dialog taller than the body picture shows the picture whole: the
    // cut never reaches past the source.
    int32_t bodyHeight = std::min(height - bottomHeight / 2, PictureHeight(body));
    DrawPicturePart(body, x, y, PictureWidth(body), bodyHeight);
    DrawPictureAt(bottom, x, y + height - bottomHeight);
    if (scrollbar != nullptr)
        scrollbar->Draw();
    int32_t before = GetChildCount();
    DrawChildren();
    return before + 1;
}

int32_t CBaseMenu::DrawWithCursor() {
    int32_t result = DrawFrame();
    cursor->Draw(mouseX, mouseY);
    return result;
}

int32_t CBaseMenu::Draw() {
    return DrawWithCursor();
}

float CBaseMenu::GetScrollPosition() const {
    return scrollbar != nullptr ? scrollbar->GetPosition() : 0.0f;
}

int32_t CentredDialogX(int32_t dialogWidth) {
    return (gConfig.screenWidth - dialogWidth) / 2;
}
