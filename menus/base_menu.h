// The base of every framed dialog: a frame of two pictures, the dialog's own
// animated cursor that never leaves the dialog, an optional vertical
// scrollbar, and one input step that closes on a Return or Space press.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/control.h"

struct Image;
class CCursor;
class CScrollbar;

constexpr uint32_t MENU_FRAME_GROUP = 13;
constexpr int32_t MENU_START_HEIGHT = 400;

class CBaseMenu : public CControl {
public:
    CBaseMenu();
    ~CBaseMenu() override;

    int32_t Draw() override;
    // Reads the relative mouse and the key state through the platform, then
    // returns HandleInput's result.
    int32_t Update() override;
    // CONTROL_RESULT_CLOSE on a Return or Space press edge, else KEEP.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // The frame, the scrollbar and the children; the child count + 1.
    int32_t DrawFrame();
    int32_t DrawWithCursor();
    float GetScrollPosition() const;

    // Owned by the catalogue; the menu owns the array.
    std::vector<Image*> framePictures;
    int32_t framePictureCount = 0;
    CCursor* cursor = nullptr;
    CScrollbar* scrollbar = nullptr;

protected:
    Image* FramePicture(int32_t index) const;
    // The base input step without its decision: store the input, find the
    // edges, let the children and then the scrollbar react.
    void TakeInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                   const uint8_t* inKeyStates, int32_t inKeyCount);
};

// x that centres a dialog of `dialogWidth` on the configured screen.
int32_t CentredDialogX(int32_t dialogWidth);
