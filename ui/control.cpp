#include "ui/control.h"

#include <algorithm>
#include <cstring>

#include "ui/font.h"

CControl::CControl() {
    SetDoubleClickTime(20);
}

CControl::~CControl() {
    DeleteChildren();
}

void CControl::DeleteChildren() {
    std::vector<CControl*> doomed;
    doomed.swap(children);
    for (CControl* child : doomed)
        delete child;
}

void CControl::AddChild(CControl* child) {
    if (child != nullptr)
        children.push_back(child);
}

CControl* CControl::GetChild(int32_t index) const {
    if (index < 0 || index >= GetChildCount())
        return nullptr;
    return children[static_cast<size_t>(index)];
}

// ---- flags ---------------------------------------------------------------

void CControl::SetVisible(int32_t flag) {
    for (CControl* child : children)
        child->SetVisible(flag);
    visible = flag;
}

void CControl::SetEnabled(int32_t flag) {
    for (CControl* child : children)
        child->SetEnabled(flag);
    enabled = flag;
}

void CControl::SetSelected(int32_t flag) {
    if (enabled != 0 && selectable != 0)
        selected = flag;
}

void CControl::GetRect(int32_t* outX, int32_t* outY, int32_t* outW, int32_t* outH) const {
    if (outX != nullptr)
        *outX = x;
    if (outY != nullptr)
        *outY = y;
    if (outW != nullptr)
        *outW = width;
    if (outH != nullptr)
        *outH = height;
}

void CControl::SetDoubleClickTime(int32_t frames) {
    doubleClickTime = frames;
    for (CControl* child : children)
        child->SetDoubleClickTime(frames);
}

void CControl::GetCursor(int32_t* outX, int32_t* outY) {
    if (outX != nullptr)
        *outX = mouseX;
    if (outY != nullptr)
        *outY = mouseY;
}

void CControl::SetCursor(int32_t newX, int32_t newY) {
    mouseX = newX;
    mouseY = newY;
}

// ---- edges ---------------------------------------------------------------

int32_t CControl::HasKeyEdge(int32_t value) const {
    for (int32_t i = 0; i < CONTROL_KEY_LIMIT; ++i) {
        if (keyEdges[i] == value)
            return 1;
    }
    return 0;
}

int32_t CControl::HasAnyEdge() const {
    for (int32_t b = 0; b < CONTROL_BUTTONS; ++b) {
        if (buttonEdges[b] != 0)
            return 1;
    }
    return HasKeyEdge(1) || HasKeyEdge(-1) ? 1 : 0;
}

void CControl::ClearEdges() {
    std::memset(keyEdges, 0, sizeof(keyEdges));
    keyEdgeThisFrame_ = false;
    std::memset(buttonEdges, 0, sizeof(buttonEdges));
}

int32_t CControl::IsDoubleClick(int32_t button) const {
    if (button < 0 || button >= CONTROL_BUTTONS)
        return 0;
    bool down = ((buttonMask >> button) & 1) != 0;
    return down && doubleClickCounters[button] > 0 && hovered != 0 ? 1 : 0;
}

void CControl::StoreInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                          const uint8_t* inKeyStates, int32_t inKeyCount) {
    mouseX = inMouseX;
    mouseY = inMouseY;
    buttonMask = inButtonMask;
    if (inKeyStates == nullptr || inKeyCount < 0)
        inKeyCount = 0;
    keyStates = inKeyStates;
    keyCount = std::min(inKeyCount, CONTROL_KEY_LIMIT);
}

void CControl::ComputeKeyEdges() {
    std::memset(keyEdges, 0, sizeof(keyEdges));
    keyEdgeThisFrame_ = false;
    size_t count = static_cast<size_t>(keyCount);
    // A quiet keyboard (the usual frame) costs one compare.
    if (count == 0 || std::memcmp(prevKeys, keyStates, count) == 0)
        return;
    for (size_t i = 0; i < count; ++i) {
        int8_t state = keyStates[i] != 0 ? 1 : 0;
        if (prevKeys[i] != state) {
            keyEdges[i] = static_cast<int8_t>(2 * state - 1);
            prevKeys[i] = state;
            keyEdgeThisFrame_ = true;
        }
    }
}

void CControl::ComputeButtonEdges() {
    for (int32_t b = 0; b < CONTROL_BUTTONS; ++b) {
        int8_t bit = static_cast<int8_t>((buttonMask >> b) & 1);
        buttonEdges[b] = 0;
        if (prevButtons[b] != bit) {
            prevButtons[b] = bit;
            buttonEdges[b] = static_cast<int8_t>(2 * bit - 1);
        }
    }
}

void CControl::ProcessInputEdges() {
    ComputeKeyEdges();
    ComputeButtonEdges();
    bool anyEdge =
        keyEdgeThisFrame_ || buttonEdges[0] != 0 || buttonEdges[1] != 0 || buttonEdges[2] != 0;
    if (anyEdge && inputBlocked != 0)
        ClearEdges();
    else
        inputBlocked = 0;
    UpdateKeyRepeat();
    UpdateDoubleClick();
}

void CControl::UpdateKeyRepeat() {
    if (inputBlocked != 0) {
        repeatKey = 0;
        return;
    }
    if (keyEdgeThisFrame_) {
        // The last edge in key order decides; any release ends the repeat.
        for (int32_t i = 0; i < CONTROL_KEY_LIMIT; ++i) {
            if (keyEdges[i] == 0)
                continue;
            repeatDelayCounter = 0;
            lastKey = keyEdges[i] > 0 ? i : 0;
        }
    }
    if (lastKey == 0) {
        repeatKey = 0;
        return;
    }
    if (repeatDelayCounter == 0) {
        repeatKey = lastKey;
        repeatRateCounter = 0;
    } else {
        repeatKey = 0;
    }
    int32_t delay = gUI.GetKeyRepeatDelay();
    int32_t rate = gUI.GetKeyRepeatRate();
    repeatDelayCounter += 1;
    if (repeatDelayCounter > delay) {
        repeatDelayCounter = delay;
        if (repeatRateCounter == 0)
            repeatKey = lastKey;
        repeatRateCounter += 1;
        if (repeatRateCounter > rate)
            repeatRateCounter = 0;
    }
}

void CControl::UpdateDoubleClick() {
    for (int32_t b = 0; b < CONTROL_BUTTONS; ++b) {
        if (doubleClickCounters[b] > 0)
            doubleClickCounters[b] -= 1;
    }
    // The hover of the previous frame: this frame's is not known yet.
    if (hovered == 0)
        return;
    for (int32_t b = 0; b < CONTROL_BUTTONS; ++b) {
        if (buttonEdges[b] < 0)
            doubleClickCounters[b] = doubleClickTime;
    }
}

void CControl::UpdateHover() {
    int64_t left = x, top = y;
    int64_t right = left + width, bottom = top + height;
    bool inside = left < mouseX && top < mouseY && right > mouseX && bottom > mouseY;
    hovered = enabled != 0 && visible != 0 && inside ? 1 : 0;
}

// ---- the tree --------------------------------------------------------------

int32_t CControl::DispatchInput() {
    int32_t n = GetChildCount();
    if (n < 1)
        return n;
    size_t i = 0;
    for (int32_t step = 0; step < n && i < children.size(); ++step) {
        CControl* child = children[i];
        int32_t result = child->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
        if (result == CONTROL_RESULT_CURSOR_MOVED) {
            child->GetCursor(&mouseX, &mouseY);
        } else if (result == CONTROL_RESULT_CLOSE) {
            children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
            delete child;
            continue;
        }
        ++i;
    }
    return GetChildCount();
}

void CControl::DrawChildren() {
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->Draw();
}

int32_t CControl::Draw() {
    if (visible == 0)
        return 0;
    DrawChildren();
    return GetChildCount() + 1;
}

int32_t CControl::Update() {
    UpdateHover();
    return DispatchInput();
}

int32_t CControl::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                              const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    UpdateHover();
    DispatchInput();
    return GetChildCount() + 1;
}
