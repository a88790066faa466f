#include "ui/button.h"

#include "graphics/image.h"
#include "ui/picture.h"
#include "ui/text.h"

// ---- CButton ---------------------------------------------------------------

CButton::CButton() {
    SetSelectable(1);
}

void CButton::SetPictures(int32_t px, int32_t py, Image* normal, Image* selectedPicture,
                          Image* disabled, Image* overridePicture) {
    x = px;
    y = py;
    picture1 = normal;
    picture2 = selectedPicture;
    picture3 = disabled;
    picture4 = overridePicture;
    width = PictureWidth(normal);
    height = PictureHeight(normal);
}

int32_t CButton::Draw() {
    if (visible == 0)
        return 1;
    Image* picture;
    if (overrideFlag != 0)
        picture = picture4;
    else if (selected != 0)
        picture = picture2;
    else if (enabled != 0)
        picture = picture1;
    else
        picture = picture3;
    DrawPictureAt(picture, x, y);
    DrawChildren();
    return GetChildCount() + 1;
}

// ---- CSButton --------------------------------------------------------------

CSButton::CSButton() {
    SetSelectable(1);
    label = new CText();
    label->SetFont(BUTTON_LABEL_FONT);
    label->SetIndent(0);
    label->SetLineSpacing(0);
    AddChild(label);
    LayoutLabel();
}

void CSButton::SetSkins(int32_t px, int32_t py, int32_t w, const ButtonSkin* normal,
                        const ButtonSkin* selectedSkin, const ButtonSkin* disabled,
                        const ButtonSkin* overrideSkin) {
    x = px;
    y = py;
    width = w;
    const ButtonSkin* given[4] = {normal, selectedSkin, disabled, overrideSkin};
    for (int32_t i = 0; i < 4; ++i) {
        if (given[i] == nullptr)
            continue;
        skins[i] = *given[i];
        // A skin without a left cap leaves the height as it was.
        if (given[i]->leftCap != nullptr)
            height = PictureHeight(given[i]->leftCap);
    }
    LayoutLabel();
}

void CSButton::SetGeometry(int32_t px, int32_t py, int32_t w) {
    ButtonSkin skin{GetPictureItem(BUTTON_SKIN_GROUP, 0), GetPictureItem(BUTTON_SKIN_GROUP, 1),
                    GetPictureItem(BUTTON_SKIN_GROUP, 2)};
    SetSkins(px, py, w, &skin, &skin, &skin, &skin);
}

void CSButton::SetLabel(const char16_t* units) {
    label->SetText(units);
    LayoutLabel();
}

const char16_t* CSButton::GetLabelText() const {
    return label->GetText();
}

void CSButton::LayoutLabel() {
    label->SetWrap(width, -1, TEXT_ALIGN_CENTER);
    label->SetClipRect(x, y, width, height);
    label->SetScroll(x, y + (height - label->GetTextHeight()) / 2);
}

int32_t CSButton::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                              const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    UpdateHover();
    // The label looks pressed from a press over the button until the
    // button is released anywhere.
    if (buttonEdges[0] > 0 && hovered != 0)
        label->SetFont(BUTTON_PRESSED_FONT);
    else if (buttonEdges[0] < 0)
        label->SetFont(BUTTON_LABEL_FONT);
    return DispatchInput() + 1;
}

int32_t CSButton::Draw() {
    if (visible == 0)
        return 1;
    const ButtonSkin* skin;
    if (overrideFlag != 0)
        skin = &skins[BUTTON_SKIN_OVERRIDE];
    else if (selected != 0)
        skin = &skins[BUTTON_SKIN_SELECTED];
    else if (enabled != 0)
        skin = &skins[BUTTON_SKIN_NORMAL];
    else
        skin = &skins[BUTTON_SKIN_DISABLED];
    int32_t cursor = x;
    int32_t right = x + width;
    if (skin->leftCap != nullptr) {
        DrawPictureAt(skin->leftCap, x, y);
        cursor += PictureWidth(skin->leftCap);
    }
    if (skin->rightCap != nullptr) {
        int32_t capWidth = PictureWidth(skin->rightCap);
        DrawPictureAt(skin->rightCap, right - capWidth, y);
        right -= capWidth;
    }
    // A button no wider than its caps shows only the caps.
    DrawTiles(skin->middle, cursor, right, y);
    DrawChildren();
    return GetChildCount() + 1;
}

int32_t FirstHoveredButton(CButton* const* buttons, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (buttons[i]->IsHovered() != 0)
            return i;
    return -1;
}

int32_t FirstSelectedButton(CButton* const* buttons, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (buttons[i]->IsSelected() != 0)
            return i;
    return -1;
}
