// The base of every on-screen control: shared flags, an owned list of child
// controls, a rectangle and one frame's input as the owner hands it down.
// Every control derives its own key and button edges, auto-repeat key and
// double-click counters against its own previous frame.
#pragma once

#include <cstdint>
#include <vector>

// What HandleInput and Update return. Menus add non-negative codes of their
// own. A plain control returns its child count + 1, which can reach 500 or
// 600 with enough children: compare only a menu's result with those codes.
typedef int32_t MenuResult;
constexpr MenuResult CONTROL_RESULT_KEEP = -1;
constexpr MenuResult CONTROL_RESULT_CLOSE = -2;
constexpr MenuResult CONTROL_RESULT_CURSOR_MOVED = -3;
constexpr MenuResult CONTROL_RESULT_ACCEPT = 500;
constexpr MenuResult CONTROL_RESULT_YES = 600;

// SDL 1.2 key symbols the toolkit and the menus act on.
constexpr int32_t KEY_BACKSPACE = 8;
constexpr int32_t KEY_RETURN = 13;
constexpr int32_t KEY_ESCAPE = 27;
constexpr int32_t KEY_SPACE = 32;
constexpr int32_t KEY_DELETE = 127;
constexpr int32_t KEY_UP = 273;
constexpr int32_t KEY_DOWN = 274;
constexpr int32_t KEY_RIGHT = 275;
constexpr int32_t KEY_LEFT = 276;

constexpr int32_t CONTROL_KEY_LIMIT = 512;
constexpr int32_t CONTROL_BUTTONS = 3;

class CControl {
public:
    CControl();
    virtual ~CControl();
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    // When visible: the children, and the child count + 1; hidden: 0.
    virtual int32_t Draw();
    // Hover, then the input stored by the last HandleInput goes to the
    // children again; no new edges. Returns the child count.
    virtual int32_t Update();
    // A frame's input: mouse position, button mask (bit 0 left, 1 middle,
    // 2 right) and the key state array indexed by SDL key symbol (borrowed
    // for the frame; null means no keys; at most 512 are looked at).
    virtual int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                const uint8_t* inKeyStates, int32_t inKeyCount);
    virtual void GetCursor(int32_t* outX, int32_t* outY);
    virtual void SetCursor(int32_t newX, int32_t newY);

    // Takes ownership of `child` (null is ignored).
    void AddChild(CControl* child);
    int32_t GetChildCount() const { return static_cast<int32_t>(children.size()); }
    CControl* GetChild(int32_t index) const;
    // Deletes every child.
    void DeleteChildren();

    void SetVisible(int32_t flag);
    void SetEnabled(int32_t flag);
    int32_t IsVisible() const { return visible; }
    int32_t IsEnabled() const { return enabled; }
    int32_t IsHovered() const { return hovered; }
    void SetSelectable(int32_t flag) { selectable = flag; }
    int32_t IsSelectable() const { return selectable; }
    // Takes effect only on an enabled, selectable control.
    void SetSelected(int32_t flag);
    int32_t IsSelected() const { return selected; }
    void GetRect(int32_t* outX, int32_t* outY, int32_t* outW, int32_t* outH) const;
    void SetDoubleClickTime(int32_t frames);
    // Swallows every edge until a frame without any, so that the key that
    // opened a dialog is not seen again by it.
    void BlockInput() { inputBlocked = 1; }
    // 1 when any key edge equals `value` (+1 pressed, -1 released).
    int32_t HasKeyEdge(int32_t value) const;
    int32_t HasAnyEdge() const;
    void ClearEdges();
    int32_t IsDoubleClick(int32_t button) const;

    // The steps of HandleInput, open to derived controls and menus.
    void StoreInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                    const uint8_t* inKeyStates, int32_t inKeyCount);
    void ProcessInputEdges();
    void UpdateHover();
    int32_t DispatchInput();
    void DrawChildren();

    int32_t visible = 1;
    int32_t enabled = 1;
    int32_t hovered = 0;
    int32_t selectable = 0;
    int32_t selected = 0;
    int32_t inputBlocked = 1;
    int32_t lastKey = 0;
    int32_t repeatDelayCounter = 0;
    int32_t repeatRateCounter = 0;
    int32_t doubleClickTime = 20;
    std::vector<CControl*> children;
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t mouseX = 0, mouseY = 0;
    int32_t keyCount = 0;
    const uint8_t* keyStates = nullptr;
    int32_t buttonMask = 0;
    int8_t keyEdges[CONTROL_KEY_LIMIT] = {};
    int8_t prevKeys[CONTROL_KEY_LIMIT] = {};
    int8_t buttonEdges[CONTROL_BUTTONS] = {};
    int8_t prevButtons[CONTROL_BUTTONS] = {};
    int32_t doubleClickCounters[CONTROL_BUTTONS] = {};
    int32_t repeatKey = 0;

private:
    void ComputeKeyEdges();
    void ComputeButtonEdges();
    void UpdateKeyRepeat();
    void UpdateDoubleClick();

    // Whether this frame's input changed any key: a quiet keyboard skips
    // the 512-entry repeat scan.
    bool keyEdgeThisFrame_ = false;
};
