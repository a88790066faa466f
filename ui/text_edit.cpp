#include "ui/text_edit.h"

#include <algorithm>
#include <climits>
#include <cstring>

CTextEdit::CTextEdit() {
    std::memset(&keyMap, 0, sizeof(keyMap));
    SetSelectable(1);
    maxLength = 0;
    SetEditText(nullptr);
}

void CTextEdit::ReplaceEditText(std::u16string newText) {
    edited.swap(newText);
    editLength = static_cast<int32_t>(std::min<size_t>(edited.size(), INT32_MAX - 1));
    caret = 0;
}

void CTextEdit::SetEditText(const char16_t* newText) {
    ReplaceEditText(newText != nullptr ? std::u16string(newText) : std::u16string());
    SetCaret(0);
}

void CTextEdit::SetCaret(int32_t index) {
    caret = std::max(0, std::min(index, editLength));
    buffer.assign(edited, 0, static_cast<size_t>(caret));
    buffer.push_back(TEXT_CODE_CARET);
    buffer.append(edited, static_cast<size_t>(caret), std::u16string::npos);
    SetText(buffer.c_str());
}

void CTextEdit::InsertText(const char16_t* units) {
    if (units == nullptr)
        return;
    int64_t n = std::char_traits<char16_t>::length(units);
    if (maxLength > 0 && editLength + n > static_cast<int64_t>(maxLength) + 1)
        n = std::max<int64_t>(0, static_cast<int64_t>(maxLength) - editLength + 1);
    int32_t oldCaret = caret;
    std::u16string next(edited, 0, static_cast<size_t>(oldCaret));
    next.append(units, static_cast<size_t>(n));
    next.append(edited, static_cast<size_t>(oldCaret), std::u16string::npos);
    ReplaceEditText(std::move(next));
    SetCaret(static_cast<int32_t>(oldCaret + n));
}

void CTextEdit::DeleteText(int32_t direction) {
    int32_t at = direction < 0 ? caret - 1 : caret;
    if (at < 0 || at >= editLength)
        return;
    std::u16string next = edited;
    next.erase(static_cast<size_t>(at), 1);
    ReplaceEditText(std::move(next));
    SetCaret(at);
}

void CTextEdit::HandleKey(int32_t key) {
    switch (key) {
    case KEY_DELETE:
        DeleteText(1);
        return;
    case KEY_BACKSPACE:
        DeleteText(-1);
        return;
    case KEY_RIGHT:
        SetCaret(caret + 1);
        return;
    case KEY_LEFT:
        SetCaret(caret - 1);
        return;
    default:
        break;
    }
    if (key <= 0 || key >= KEY_CHAR_MAP_SIZE) // 0: no key this frame
        return;
    char16_t typed[2] = {keyMap.units[key], 0};
    if (typed[0] != 0)
        InsertText(typed);
}

void CTextEdit::SetKeyMap(const KeyCharMap* map) {
    if (map != nullptr)
        keyMap = *map;
}

const char16_t* CTextEdit::GetPlainText() {
    plainCopy = edited;
    return plainCopy.c_str();
}

int32_t CTextEdit::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                               const uint8_t* inKeyStates, int32_t inKeyCount) {
    if (IsSelected() != 0)
        HandleRepeatKey();
    return CText::HandleInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
}
