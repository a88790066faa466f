#include "ui/scrollbar.h"

#include <cmath>

#include "engine/catalogue.h"
#include "graphics/image.h"
#include "ui/picture.h"

// Live scrollbars by orientation: the pictures are shared through the
// catalogue cache, so the group may go only with the last of them.
static int32_t gLiveScrollbars[2] = {0, 0};

int32_t CScrollbar::LiveCount(int32_t orientationKind) {
    return gLiveScrollbars[orientationKind == SCROLLBAR_HORIZONTAL ? 1 : 0];
}

CScrollbar::CScrollbar(int32_t px, int32_t py, int32_t length, int32_t orientationKind)
    : orientation(orientationKind == SCROLLBAR_HORIZONTAL ? SCROLLBAR_HORIZONTAL
                                                          : SCROLLBAR_VERTICAL),
      thumbIndex(orientation == SCROLLBAR_HORIZONTAL ? 3 : 1) {
    gLiveScrollbars[orientation] += 1;
    uint32_t group = Group();
    int32_t items = static_cast<int32_t>(GetGroupSize(&gResourceCatalogue, group));
    // A group short of its pieces is not read beyond its end.
    if (items >= thumbIndex + 1) {
        for (int32_t i = 0; i < items; ++i)
            images.push_back(GetPictureItem(group, i));
    }
    imageCount = static_cast<int32_t>(images.size());
    x = px;
    y = py;
    if (orientation == SCROLLBAR_VERTICAL) {
        height = length;
        width = PictureWidth(ImageAt(0));
        trackStart = py;
        trackEnd = py + length - PictureHeight(ImageAt(thumbIndex));
    } else {
        width = length;
        height = PictureHeight(ImageAt(0));
        trackStart = px;
        trackEnd = px + length - PictureWidth(ImageAt(thumbIndex));
    }
    SetSelectable(1);
}

CScrollbar::~CScrollbar() {
    images.clear();
    gLiveScrollbars[orientation] -= 1;
    if (gLiveScrollbars[orientation] == 0)
        UnloadGroup(&gResourceCatalogue, Group());
}

uint32_t CScrollbar::Group() const {
    return orientation == SCROLLBAR_HORIZONTAL ? SCROLLBAR_HORIZONTAL_GROUP
                                               : SCROLLBAR_VERTICAL_GROUP;
}

Image* CScrollbar::ImageAt(int32_t index) const {
    if (index < 0 || index >= imageCount)
        return nullptr;
    return images[static_cast<size_t>(index)];
}

void CScrollbar::SetSteps(float press, float held, int32_t delay) {
    pressStep = press;
    heldStep = held;
    holdDelay = delay < 1 ? 1 : delay;
}

void CScrollbar::SetPositionIndex(int32_t index) {
    if (positionCount > 0 && index >= 0 && index <= positionCount) {
        float step = 1.0f / static_cast<float>(positionCount);
        position = static_cast<float>(index) * step;
    }
}

int32_t CScrollbar::GetPositionIndex() const {
    if (positionCount < 1)
        return 0;
    float step = 1.0f / static_cast<float>(positionCount);
    float steps = position / step;
    float v = steps - 0.5f;
    if (!(v > 0.0f))
        return 0; // also NaN: no step below 0
    // Rounded away from zero; positions far outside 0..1 stop short of
    // overflowing.
    float rounded = std::ceil(v);
    return rounded < 1.0e9f ? static_cast<int32_t>(rounded) : 1000000000;
}

static int32_t TruncateToInt(float v) {
    if (!(v > -2.0e9f && v < 2.0e9f))
        return 0;
    return static_cast<int32_t>(v);
}

void CScrollbar::GetThumbCenter(int32_t* outX, int32_t* outY) const {
    float span = static_cast<float>(trackEnd - trackStart);
    float along = span * position;
    float start = static_cast<float>(trackStart);
    int32_t t = TruncateToInt(start + along);
    Image* thumb = ImageAt(thumbIndex);
    int32_t image1Half = PictureWidth(ImageAt(1)) / 2;
    if (orientation == SCROLLBAR_VERTICAL) {
        *outX = x + image1Half + 30;
        *outY = t + PictureHeight(thumb) / 2;
    } else {
        *outX = t + PictureWidth(thumb) / 2;
        *outY = y + image1Half - 15;
    }
}

// ---- input -----------------------------------------------------------------

void CScrollbar::HandleKeys() {
    bool vertical = orientation == SCROLLBAR_VERTICAL;
    int32_t back = vertical ? KEY_UP : KEY_LEFT;
    int32_t forward = vertical ? KEY_DOWN : KEY_RIGHT;
    if (keyEdges[back] > 0) {
        position = position - pressStep;
        holdCounter = -1;
    }
    bool forwardPressed = keyEdges[forward] > 0 || (vertical && keyEdges[KEY_SPACE] > 0);
    if (forwardPressed) {
        position = position + pressStep;
        holdCounter = 1;
    }
    bool released =
        keyEdges[back] < 0 || keyEdges[forward] < 0 || (vertical && keyEdges[KEY_SPACE] < 0);
    if (released)
        holdCounter = 0;
}

void CScrollbar::StepHeldKey() {
    if (holdCounter == 0)
        return;
    int32_t sign = holdCounter > 0 ? 1 : -1;
    holdCounter += sign;
    if (holdCounter * sign > holdDelay) {
        holdCounter = sign * holdDelay;
        float step = static_cast<float>(sign) * heldStep;
        position = position + step;
    }
}

void CScrollbar::HandleDrag() {
    if (buttonEdges[0] > 0 && hovered != 0)
        dragging = 1;
    else if (buttonEdges[0] < 0)
        dragging = 0;
    if (dragging == 0)
        return;
    int32_t span = trackEnd - trackStart;
    if (span == 0) {
        position = 0.0f; // no track to move along
        return;
    }
    bool vertical = orientation == SCROLLBAR_VERTICAL;
    Image* thumb = ImageAt(thumbIndex);
    int32_t half = vertical ? PictureHeight(thumb) / 2 : PictureWidth(thumb) / 2;
    int64_t along = static_cast<int64_t>(vertical ? mouseY : mouseX) - trackStart - half;
    position = static_cast<float>(along) / static_cast<float>(span);
}

int32_t CScrollbar::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    UpdateHover();
    DispatchInput();
    if (selected != 0) {
        HandleKeys();
        StepHeldKey();
    } else {
        // A key held while the focus moved away must not keep scrolling.
        holdCounter = 0;
    }
    HandleDrag();
    if (!(position > 0.0f))
        position = 0.0f;
    else if (position > 1.0f)
        position = 1.0f;
    SnapToIndex();
    return CONTROL_RESULT_KEEP;
}

// ---- drawing ---------------------------------------------------------------

int32_t CScrollbar::Draw() {
    if (orientation == SCROLLBAR_HORIZONTAL) {
        Image* rightEnd = ImageAt(1);
        int32_t rightX = x + width - PictureWidth(rightEnd);
        DrawPictureAt(ImageAt(0), x, y);
        DrawPictureAt(rightEnd, rightX, y);
        DrawTiles(ImageAt(2), x + PictureWidth(ImageAt(0)), rightX, y);
    } else {
        DrawPicturePart(ImageAt(0), x, y + 20, width, height - 40);
    }
    Image* thumb = ImageAt(thumbIndex);
    if (thumb != nullptr) {
        int32_t cx = 0, cy = 0;
        GetThumbCenter(&cx, &cy);
        DrawPictureAt(thumb, cx - PictureWidth(thumb) / 2, cy - PictureHeight(thumb) / 2);
    }
    DrawChildren();
    return GetChildCount() + 1;
}
