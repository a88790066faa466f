// A vertical or horizontal slider with a position from 0 to 1, moved by
// dragging its thumb, by arrow keys with a hold repeat while selected, and
// optionally snapped to discrete steps.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/control.h"

struct Image;

constexpr int32_t SCROLLBAR_VERTICAL = 0;
constexpr int32_t SCROLLBAR_HORIZONTAL = 1;
// Catalogue groups of the pictures: vertical track and thumb; horizontal
// left end, right end, middle tile and thumb.
constexpr uint32_t SCROLLBAR_VERTICAL_GROUP = 14;
constexpr uint32_t SCROLLBAR_HORIZONTAL_GROUP = 15;

class CScrollbar : public CControl {
public:
    CScrollbar(int32_t px, int32_t py, int32_t length, int32_t orientationKind);
    ~CScrollbar() override;
    // Draws also when hidden: the owner decides whether to call it.
    int32_t Draw() override;
    // Always CONTROL_RESULT_KEEP.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    void SetSteps(float press, float held, int32_t delay);
    float GetPosition() const { return position; }
    void SetPosition(float value) { position = value; }
    void SetPositionCount(int32_t count) { positionCount = count; }
    void SetPositionIndex(int32_t index);
    // The nearest step, a tie going to the lower one; 0 when continuous.
    int32_t GetPositionIndex() const;
    void SnapToIndex() { SetPositionIndex(GetPositionIndex()); }
    // A key is held: menus keep the mouse on the thumb meanwhile.
    int32_t IsKeyScrolling() const { return holdCounter != 0 ? 1 : 0; }
    void GetThumbCenter(int32_t* outX, int32_t* outY) const;

    // Scrollbars alive of an orientation; their shared pictures are
    // released with the last one.
    static int32_t LiveCount(int32_t orientationKind);

    int32_t orientation;
    int32_t thumbIndex;
    std::vector<Image*> images; // null where the group has no such item
    int32_t imageCount = 0;
    float position = 0.0f;
    int32_t trackStart = 0, trackEnd = 0;
    int32_t dragging = 0;
    int32_t holdCounter = 0;
    float pressStep = 0.0f, heldStep = 0.0f;
    int32_t holdDelay = 1;
    int32_t positionCount = 0;

private:
    Image* ImageAt(int32_t index) const;
    uint32_t Group() const;
    void HandleKeys();
    void StepHeldKey();
    void HandleDrag();
};
