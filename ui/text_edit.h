// A one-field text editor on a text control: the edited text is shown with
// a caret glyph at the caret position, typed from a key-to-character map
// and edited with Delete, Backspace, Left and Right through the control's
// auto-repeat key.
#pragma once

#include <cstdint>
#include <string>

#include "ui/text.h"

constexpr int32_t KEY_CHAR_MAP_SIZE = 512;

// UTF-16 code units indexed by SDL key symbol; 0: the key types nothing.
struct KeyCharMap {
    char16_t units[KEY_CHAR_MAP_SIZE];
};

class CTextEdit : public CText {
public:
    CTextEdit();

    // Edits act on the repeat key of the previous input, then the new input
    // is taken in.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // Replaces the edited text (null: empty) and puts the caret at 0.
    void SetEditText(const char16_t* newText);
    void SetCaret(int32_t index);
    int32_t GetCaret() const { return caret; }
    int32_t GetEditLength() const { return editLength; }
    // Inserts at the caret, cut to the room that the limit leaves.
    void InsertText(const char16_t* units);
    // -1 deletes before the caret (Backspace), +1 after it (Delete).
    void DeleteText(int32_t direction);
    void HandleKey(int32_t key);
    void HandleRepeatKey() { HandleKey(repeatKey); }
    // A limit of m lets the text hold m + 1 code units; 0 is no limit.
    void SetMaxLength(int32_t count) { maxLength = count < 0 ? 0 : count; }
    // Copies the map; null keeps the current one.
    void SetKeyMap(const KeyCharMap* map);
    // The edited text without the caret; valid until the next call.
    const char16_t* GetPlainText();

    int32_t caret = 0;
    int32_t editLength = 0;
    int32_t maxLength = 0;
    std::u16string edited;    // without the caret
    std::u16string buffer;    // as shown: the caret at `caret`
    std::u16string plainCopy; // handed out by GetPlainText
    KeyCharMap keyMap;

private:
    void ReplaceEditText(std::u16string newText);
};
