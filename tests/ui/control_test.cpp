#include <gtest/gtest.h>

#include "tests/ui/ui_fixtures.h"
#include "ui/control.h"
#include "ui/font.h"

namespace {

class ControlTest : public ::testing::Test {
protected:
    void TearDown() override {
        gUI.SetKeyRepeatDelay(20);
        gUI.SetKeyRepeatRate(2);
    }
    // One frame of input with the mouse outside and no buttons.
    int32_t Frame(CControl& c, const KeyArray& keys, int32_t buttons = 0) {
        return c.HandleInput(-100, -100, buttons, keys.keys, kSdlKeyCount);
    }
    // A control whose construction block has ended.
    void Unblock(CControl& c) {
        KeyArray none;
        Frame(c, none);
        ASSERT_EQ(c.inputBlocked, 0);
    }
};

// A child that returns a chosen code and can move the cursor.
class ScriptedChild : public CControl {
public:
    ScriptedChild(int32_t code, int32_t* deaths) : code_(code), deaths_(deaths) {}
    ~ScriptedChild() override {
        if (deaths_ != nullptr)
            ++*deaths_;
    }
    int32_t HandleInput(int32_t mx, int32_t my, int32_t buttons, const uint8_t* keys,
                        int32_t count) override {
        seenX = mx;
        seenY = my;
        ++calls;
        CControl::HandleInput(mx, my, buttons, keys, count);
        if (code_ == CONTROL_RESULT_CURSOR_MOVED)
            SetCursor(mx + 10, my + 20);
        return code_;
    }
    int32_t seenX = 0, seenY = 0, calls = 0;

private:
    int32_t code_;
    int32_t* deaths_;
};

// ---- edges and blocking ----------------------------------------------------

TEST_F(ControlTest, AKeyHeldAtCreationIsSwallowedUntilAQuietFrame) {
    CControl c;
    KeyArray held;
    held.Down(KEY_RETURN);
    Frame(c, held);
    EXPECT_EQ(c.keyEdges[KEY_RETURN], 0);
    EXPECT_EQ(c.HasAnyEdge(), 0);
    EXPECT_EQ(c.repeatKey, 0);
    EXPECT_EQ(c.inputBlocked, 1);
    Frame(c, held); // nothing changed: the block ends
    EXPECT_EQ(c.inputBlocked, 0);
    KeyArray none;
    Frame(c, none);
    EXPECT_EQ(c.keyEdges[KEY_RETURN], -1);
    EXPECT_EQ(c.HasKeyEdge(-1), 1);
    EXPECT_EQ(c.HasKeyEdge(1), 0);
}

TEST_F(ControlTest, BlockInputSwallowsEdgesUntilAFrameWithoutAny) {
    CControl c;
    Unblock(c);
    c.BlockInput();
    KeyArray a, ab;
    a.Down('a');
    ab.Down('a').Down('b');
    Frame(c, a);
    EXPECT_EQ(c.HasAnyEdge(), 0);
    Frame(c, ab);
    EXPECT_EQ(c.HasAnyEdge(), 0);
    Frame(c, ab);
    EXPECT_EQ(c.inputBlocked, 0);
    Frame(c, a);
    EXPECT_EQ(c.keyEdges['b'], -1);
}

TEST_F(ControlTest, ButtonsHaveEdgesOfTheirOwn) {
    CControl c;
    Unblock(c);
    KeyArray none;
    Frame(c, none, 0b101);
    EXPECT_EQ(c.buttonEdges[0], 1);
    EXPECT_EQ(c.buttonEdges[1], 0);
    EXPECT_EQ(c.buttonEdges[2], 1);
    Frame(c, none, 0b100);
    EXPECT_EQ(c.buttonEdges[0], -1);
    EXPECT_EQ(c.buttonEdges[2], 0);
    c.ClearEdges();
    EXPECT_EQ(c.HasAnyEdge(), 0);
}

TEST_F(ControlTest, KeyArraysAreClampedAndNormalised) {
    CControl c;
    Unblock(c);
    std::vector<uint8_t> big(2000, 0);
    big[600] = 1; // beyond the 512 keys a control looks at
    big[100] = 7; // any non-zero byte is "down"
    c.HandleInput(0, 0, 0, big.data(), 2000);
    EXPECT_EQ(c.keyCount, 512);
    EXPECT_EQ(c.keyEdges[100], 1);
    EXPECT_EQ(c.prevKeys[100], 1);
    big[100] = 1;
    c.HandleInput(0, 0, 0, big.data(), 2000);
    EXPECT_EQ(c.keyEdges[100], 0);
    c.HandleInput(0, 0, 0, nullptr, 300); // null: no keys
    EXPECT_EQ(c.keyCount, 0);
    EXPECT_EQ(c.HasAnyEdge(), 0);
    c.HandleInput(0, 0, 0, big.data(), -5);
    EXPECT_EQ(c.keyCount, 0);
}

// ---- auto-repeat -----------------------------------------------------------

// The frames (counted from the press) on which repeatKey was `key`.
std::vector<int32_t> RepeatFrames(CControl& c, int32_t key, int32_t frames, const uint8_t* keys) {
    std::vector<int32_t> hits;
    for (int32_t f = 0; f < frames; ++f) {
        c.HandleInput(0, 0, 0, keys, kSdlKeyCount);
        if (c.repeatKey == key)
            hits.push_back(f);
        else
            EXPECT_EQ(c.repeatKey, 0);
    }
    return hits;
}

TEST_F(ControlTest, AHeldKeyRepeatsAfterTwentyFramesEveryThird) {
    CControl c;
    Unblock(c);
    KeyArray held;
    held.Down(KEY_DOWN);
    EXPECT_EQ(RepeatFrames(c, KEY_DOWN, 30, held.keys), (std::vector<int32_t>{0, 20, 23, 26, 29}));
}

TEST_F(ControlTest, ASecondKeyTakesOverAndRestartsTheDelay) {
    CControl c;
    Unblock(c);
    KeyArray one, two;
    one.Down('a');
    two.Down('a').Down('b');
    RepeatFrames(c, 'a', 10, one.keys);
    EXPECT_EQ(RepeatFrames(c, 'b', 24, two.keys), (std::vector<int32_t>{0, 20, 23}));
}

TEST_F(ControlTest, ReleasingAnyKeyStopsTheRepeat) {
    CControl c;
    Unblock(c);
    KeyArray two, one;
    two.Down('a').Down('b');
    one.Down('b');
    RepeatFrames(c, 'b', 5, two.keys);
    EXPECT_TRUE(RepeatFrames(c, 'b', 40, one.keys).empty());
    EXPECT_EQ(c.lastKey, 0);
}

TEST_F(ControlTest, OfTwoKeysPressedTogetherTheHigherCodeWins) {
    CControl c;
    Unblock(c);
    KeyArray both;
    both.Down('a').Down(KEY_LEFT);
    Frame(c, both);
    EXPECT_EQ(c.lastKey, KEY_LEFT);
    EXPECT_EQ(c.repeatKey, KEY_LEFT);
}

TEST_F(ControlTest, RepeatSettingsTakeEffectAtOnce) {
    CControl c;
    Unblock(c);
    KeyArray held;
    held.Down('x');
    RepeatFrames(c, 'x', 3, held.keys);
    gUI.SetKeyRepeatDelay(5);
    gUI.SetKeyRepeatRate(0);
    EXPECT_EQ(RepeatFrames(c, 'x', 5, held.keys), (std::vector<int32_t>{2, 3, 4}));
    gUI.SetKeyRepeatRate(-3);
    EXPECT_EQ(gUI.GetKeyRepeatRate(), 0);
}

// ---- double click and hover ----------------------------------------------

TEST_F(ControlTest, DoubleClickWindowFollowsAReleaseOverTheControl) {
    CControl c;
    c.x = 10;
    c.y = 10;
    c.width = 50;
    c.height = 20;
    KeyArray none;
    c.HandleInput(20, 20, 0, none.keys, kSdlKeyCount);
    c.HandleInput(20, 20, 1, none.keys, kSdlKeyCount);
    c.HandleInput(20, 20, 0, none.keys, kSdlKeyCount); // release at t
    EXPECT_EQ(c.IsDoubleClick(0), 0);                  // not held
    for (int t = 1; t < 20; ++t) {
        c.HandleInput(20, 20, 1, none.keys, kSdlKeyCount);
        EXPECT_EQ(c.IsDoubleClick(0), 1) << t;
    }
    c.HandleInput(20, 20, 1, none.keys, kSdlKeyCount);
    EXPECT_EQ(c.IsDoubleClick(0), 0);
    EXPECT_EQ(c.IsDoubleClick(3), 0);
    EXPECT_EQ(c.IsDoubleClick(-1), 0);
}

TEST_F(ControlTest, DoubleClickUsesThePreviousFramesHover) {
    CControl c;
    c.width = 50;
    c.height = 50;
    KeyArray none;
    c.HandleInput(100, 100, 1, none.keys, kSdlKeyCount); // outside
    c.HandleInput(100, 100, 1, none.keys, kSdlKeyCount);
    c.HandleInput(10, 10, 0, none.keys, kSdlKeyCount); // released on entering
    EXPECT_EQ(c.doubleClickCounters[0], 0);
    c.HandleInput(10, 10, 1, none.keys, kSdlKeyCount);
    c.HandleInput(100, 100, 0, none.keys, kSdlKeyCount); // released on leaving
    EXPECT_EQ(c.doubleClickCounters[0], 20);
}

TEST_F(ControlTest, HoverIsStrictOnAllFourEdges) {
    CControl c;
    c.x = 10;
    c.y = 20;
    c.width = 30;
    c.height = 40;
    KeyArray none;
    struct Case {
        int32_t mx, my, hovered;
    };
    for (Case k : {Case{11, 21, 1}, Case{10, 30, 0}, Case{20, 20, 0}, Case{40, 30, 0},
                   Case{20, 60, 0}, Case{39, 59, 1}}) {
        c.HandleInput(k.mx, k.my, 0, none.keys, kSdlKeyCount);
        EXPECT_EQ(c.IsHovered(), k.hovered) << k.mx << "," << k.my;
    }
    c.SetVisible(0);
    c.HandleInput(20, 30, 0, none.keys, kSdlKeyCount);
    EXPECT_EQ(c.IsHovered(), 0);
    c.SetVisible(1);
    c.SetEnabled(0);
    c.HandleInput(20, 30, 0, none.keys, kSdlKeyCount);
    EXPECT_EQ(c.IsHovered(), 0);
}

// ---- the tree --------------------------------------------------------------

TEST_F(ControlTest, AClosingChildIsDeletedAndTheRestStillGetInput) {
    CControl root;
    int32_t deaths = 0;
    auto* first = new ScriptedChild(CONTROL_RESULT_KEEP, nullptr);
    auto* closing = new ScriptedChild(CONTROL_RESULT_CLOSE, &deaths);
    auto* last = new ScriptedChild(CONTROL_RESULT_KEEP, nullptr);
    root.AddChild(first);
    root.AddChild(closing);
    root.AddChild(last);
    KeyArray none;
    EXPECT_EQ(Frame(root, none), 3);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(root.GetChildCount(), 2);
    EXPECT_EQ(last->calls, 1);
    EXPECT_EQ(root.DispatchInput(), 2);
}

TEST_F(ControlTest, AMovedCursorReachesLaterSiblings) {
    CControl root;
    auto* before = new ScriptedChild(CONTROL_RESULT_KEEP, nullptr);
    auto* mover = new ScriptedChild(CONTROL_RESULT_CURSOR_MOVED, nullptr);
    auto* after = new ScriptedChild(CONTROL_RESULT_KEEP, nullptr);
    root.AddChild(before);
    root.AddChild(mover);
    root.AddChild(after);
    KeyArray none;
    root.HandleInput(5, 6, 0, none.keys, kSdlKeyCount);
    EXPECT_EQ(before->seenX, 5);
    EXPECT_EQ(after->seenX, 15);
    EXPECT_EQ(after->seenY, 26);
    int32_t mx = 0, my = 0;
    root.GetCursor(&mx, &my);
    EXPECT_EQ(mx, 15);
    EXPECT_EQ(my, 26);
}

TEST_F(ControlTest, UpdateReusesTheStoredInputWithoutNewEdges) {
    CControl root;
    auto* child = new ScriptedChild(CONTROL_RESULT_KEEP, nullptr);
    root.AddChild(child);
    Unblock(root);
    KeyArray a;
    a.Down('a');
    root.HandleInput(7, 8, 0, a.keys, kSdlKeyCount);
    EXPECT_EQ(root.keyEdges['a'], 1);
    EXPECT_EQ(root.Update(), 1);
    EXPECT_EQ(root.keyEdges['a'], 1);
    EXPECT_EQ(child->calls, 3); // the unblocking frame, the input, the update
    EXPECT_EQ(child->seenX, 7);
}

TEST_F(ControlTest, FlagsRecurseAndSelectionNeedsEnabledAndSelectable) {
    CControl root;
    auto* child = new CControl();
    auto* grandchild = new CControl();
    child->AddChild(grandchild);
    root.AddChild(child);
    root.SetVisible(0);
    EXPECT_EQ(grandchild->IsVisible(), 0);
    root.SetEnabled(0);
    EXPECT_EQ(grandchild->IsEnabled(), 0);
    root.SetSelectable(1);
    root.SetSelected(1);
    EXPECT_EQ(root.IsSelected(), 0);
    root.SetEnabled(1);
    root.SetSelectable(0);
    root.SetSelected(1);
    EXPECT_EQ(root.IsSelected(), 0);
    root.SetSelectable(1);
    root.SetSelected(1);
    EXPECT_EQ(root.IsSelected(), 1);
    root.SetDoubleClickTime(7);
    EXPECT_EQ(grandchild->doubleClickTime, 7);
}

TEST_F(ControlTest, DrawReturnsZeroHiddenAndChildCountPlusOneShown) {
    CControl root;
    for (int i = 0; i < 3; ++i)
        root.AddChild(new CControl());
    EXPECT_EQ(root.Draw(), 4);
    root.SetVisible(0);
    EXPECT_EQ(root.Draw(), 0);
    int32_t x = -1, w = -1;
    root.GetRect(&x, nullptr, &w, nullptr);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(w, 0);
}

} // namespace
