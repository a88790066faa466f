// Buttons: CButton shows one of four whole pictures by its state; CSButton
// is drawn from a three-piece skin with a centred text label. They report
// hover, selection and input edges; the menus decide what a click means.
#pragma once

#include <cstdint>

#include "ui/control.h"

struct Image;
class CText;

// The catalogue group of the default button skin: left cap, right cap,
// middle tile.
constexpr uint32_t BUTTON_SKIN_GROUP = 16;
constexpr int32_t BUTTON_LABEL_FONT = 1;
constexpr int32_t BUTTON_PRESSED_FONT = 2;

class CButton : public CControl {
public:
    CButton();
    // Hidden: 1 without drawing (menus test a container's result for 1 or
    // less).
    int32_t Draw() override;
    // Position and pictures; the size is picture1's.
    virtual void SetPictures(int32_t px, int32_t py, Image* normal, Image* selectedPicture,
                             Image* disabled, Image* overridePicture);
    // Forces the override picture (or skin) whatever the state.
    void SetOverride(int32_t flag) { overrideFlag = flag; }
    int32_t IsOverride() const { return overrideFlag; }

    Image* picture1 = nullptr; // normal
    Image* picture2 = nullptr; // selected
    Image* picture3 = nullptr; // disabled
    Image* picture4 = nullptr; // override
    int32_t overrideFlag = 0;
};

// The first of `count` buttons that is hovered / selected; -1 when none is.
int32_t FirstHoveredButton(CButton* const* buttons, int32_t count);
int32_t FirstSelectedButton(CButton* const* buttons, int32_t count);

struct ButtonSkin {
    Image* leftCap;
    Image* rightCap;
    Image* middle;
};

enum ButtonSkinState : int32_t {
    BUTTON_SKIN_NORMAL = 0,
    BUTTON_SKIN_SELECTED = 1,
    BUTTON_SKIN_DISABLED = 2,
    BUTTON_SKIN_OVERRIDE = 3,
};

class CSButton : public CButton {
public:
    CSButton();
    int32_t Draw() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // Copies each skin given; the height is that of a given skin's left cap.
    void SetSkins(int32_t px, int32_t py, int32_t w, const ButtonSkin* normal,
                  const ButtonSkin* selectedSkin, const ButtonSkin* disabled,
                  const ButtonSkin* overrideSkin);
    // One default skin (catalogue group 16) for every state.
    void SetGeometry(int32_t px, int32_t py, int32_t w);
    void SetLabel(const char16_t* units);
    const char16_t* GetLabelText() const;
    // Centres the label in the button.
    void LayoutLabel();

    ButtonSkin skins[4] = {};
    CText* label; // a child: owned through the child list
};
