#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/ui_fixtures.h"
#include "ui/text_edit.h"

namespace {

class TextEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(std::begin(lower.units), std::end(lower.units), u'\0');
        for (int32_t k = 'a'; k <= 'z'; ++k)
            lower.units[k] = static_cast<char16_t>(k);
        upper = lower;
        for (int32_t k = 'a'; k <= 'z'; ++k)
            upper.units[k] = static_cast<char16_t>(k - 'a' + 'A');
        edit.SetFont(0);
        edit.SetKeyMap(&lower);
        edit.SetSelected(1);
    }
    // One frame of input with `keys`.
    void Frame(const KeyArray& keys) { edit.HandleInput(0, 0, 0, keys.keys, kSdlKeyCount); }
    // Presses and releases `key` over two frames after a quiet one, then a
    // quiet frame to act on the one-frame-late repeat key.
    void Tap(int32_t key) {
        KeyArray none, down;
        down.Down(key);
        Frame(none);
        Frame(down);
        Frame(none);
    }
    std::u16string Plain() { return edit.GetPlainText(); }
    int32_t CaretCount() const {
        return static_cast<int32_t>(std::count(edit.buffer.begin(), edit.buffer.end(), 16));
    }

    MemoryFonts fonts;
    KeyCharMap lower, upper;
    CTextEdit edit;
};

TEST_F(TextEditTest, StartsEmptyShowingTheCaretAlone) {
    CTextEdit fresh;
    EXPECT_EQ(fresh.GetEditLength(), 0);
    EXPECT_EQ(std::u16string(fresh.GetText()), std::u16string(1, 16));
    EXPECT_EQ(fresh.IsSelectable(), 1);
    EXPECT_EQ(fresh.keyMap.units['a'], 0);
}

TEST_F(TextEditTest, AMaximumOfTenHoldsElevenCharacters) {
    edit.SetMaxLength(10);
    for (int i = 0; i < 14; ++i)
        Tap('a');
    EXPECT_EQ(Plain(), u"aaaaaaaaaaa");
    edit.SetEditText(u"abcdefgh");
    edit.SetCaret(4);
    edit.InsertText(u"XYZW");
    EXPECT_EQ(Plain(), u"abcdXYZefgh");
    EXPECT_EQ(edit.GetCaret(), 7);
    edit.SetEditText(u"abcdefghijklm"); // longer than the limit: kept, no room
    edit.InsertText(u"x");
    EXPECT_EQ(Plain(), u"abcdefghijklm");
    edit.SetMaxLength(-3);
    EXPECT_EQ(edit.maxLength, 0);
}

TEST_F(TextEditTest, TheBufferHoldsOneCaretAtTheCaret) {
    edit.SetEditText(u"hello");
    edit.SetCaret(2);
    EXPECT_EQ(edit.buffer, std::u16string(u"he") + char16_t(16) + u"llo");
    EXPECT_EQ(std::u16string(edit.GetText()), edit.buffer);
    edit.SetCaret(99);
    EXPECT_EQ(edit.GetCaret(), 5);
    edit.SetCaret(-4);
    EXPECT_EQ(edit.GetCaret(), 0);
    EXPECT_EQ(CaretCount(), 1);
    const char16_t* first = edit.GetPlainText();
    EXPECT_EQ(std::u16string(first), u"hello");
    EXPECT_EQ(CaretCount(), 1);
}

TEST_F(TextEditTest, EditsAtTheEndsChangeNothing) {
    edit.SetEditText(u"abc");
    edit.SetCaret(0);
    edit.HandleKey(KEY_BACKSPACE);
    edit.HandleKey(KEY_LEFT);
    EXPECT_EQ(Plain(), u"abc");
    EXPECT_EQ(edit.GetCaret(), 0);
    edit.SetCaret(3);
    edit.HandleKey(KEY_DELETE);
    edit.HandleKey(KEY_RIGHT);
    EXPECT_EQ(Plain(), u"abc");
    EXPECT_EQ(edit.GetCaret(), 3);
}

TEST_F(TextEditTest, DeleteAndBackspaceRemoveAroundTheCaret) {
    edit.SetEditText(u"abcd");
    edit.SetCaret(2);
    edit.HandleKey(KEY_DELETE);
    EXPECT_EQ(Plain(), u"abd");
    EXPECT_EQ(edit.GetCaret(), 2);
    edit.HandleKey(KEY_BACKSPACE);
    EXPECT_EQ(Plain(), u"ad");
    EXPECT_EQ(edit.GetCaret(), 1);
    edit.HandleKey(KEY_RIGHT);
    edit.HandleKey('z');
    EXPECT_EQ(Plain(), u"adz");
    EXPECT_EQ(CaretCount(), 1);
}

TEST_F(TextEditTest, AHeldKeyTypesOneFrameLateThenRepeats) {
    KeyArray none, held;
    held.Down('b');
    Frame(none);
    std::vector<int32_t> typed;
    for (int32_t f = 0; f < 30; ++f) {
        int32_t before = edit.GetEditLength();
        Frame(held);
        if (edit.GetEditLength() != before)
            typed.push_back(f);
    }
    // Repeat keys on input frames 0, 20, 23, 26, 29 act one frame later.
    EXPECT_EQ(typed, (std::vector<int32_t>{1, 21, 24, 27}));
}

TEST_F(TextEditTest, UnmappedKeysTypeNothing) {
    Tap('1');
    Tap(KEY_RETURN);
    EXPECT_EQ(edit.GetEditLength(), 0);
    edit.HandleKey(0);
    edit.HandleKey(600);
    edit.HandleKey(-1);
    EXPECT_EQ(edit.GetEditLength(), 0);
}

TEST_F(TextEditTest, AnUnselectedFieldIgnoresKeysButStillTakesInput) {
    edit.SetSelected(0);
    edit.SetClipRect(0, 0, 100, 100);
    Tap('a');
    EXPECT_EQ(edit.GetEditLength(), 0);
    KeyArray none;
    edit.HandleInput(1, 5, 0, none.keys, kSdlKeyCount);
    EXPECT_EQ(edit.GetGlyph(0)->mouseX, 1); // the caret glyph got the input
    EXPECT_EQ(edit.layoutValid, 1);
}

TEST_F(TextEditTest, KeyMapsSwitchBetweenFramesAndNullKeepsTheMap) {
    Tap('q');
    edit.SetKeyMap(&upper);
    Tap('q');
    edit.SetKeyMap(nullptr);
    Tap('r');
    EXPECT_EQ(Plain(), u"qQR");
}

} // namespace
