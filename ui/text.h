// Text controls: zero-terminated UTF-16 text in the bitmap fonts of gUI,
// one glyph control per character, with inline tags that shift glyphs,
// switch fonts and align paragraphs; word wrapping, clipping, a shown line
// range and a caret that blinks on a counter shared by every text.
//
// Tags: "<" NAME SIGN DIGITS ">" with NAME one of PosX, PosY, Font, AlLeft,
// AlCenter, AlRight, SIGN "+" or "-" (required), the digits optional (0).
// Anything else starting with "<" is ordinary text. Text from outside the
// archive (a player's name) goes in through EscapeTextTags, so that a "<"
// in it never starts a tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/control.h"

struct Image;

constexpr char16_t TEXT_CODE_ALIGN = 1; // invisible alignment glyph
constexpr char16_t TEXT_CODE_LF = 10;
constexpr char16_t TEXT_CODE_CR = 13; // ends a paragraph
constexpr char16_t TEXT_CODE_CARET = 16;
constexpr char16_t TEXT_CODE_SPACE = 32;
// A "<" that starts no tag: drawn as "<". A noncharacter, so no real text
// or font glyph is lost to it.
constexpr char16_t TEXT_CODE_LITERAL_LT = 0xFFFF;

enum TextTag : int32_t {
    TEXT_TAG_POS_X = 0,
    TEXT_TAG_POS_Y = 1,
    TEXT_TAG_FONT = 2,
    TEXT_TAG_AL_LEFT = 3,
    TEXT_TAG_AL_CENTER = 4,
    TEXT_TAG_AL_RIGHT = 5,
};

constexpr int32_t TEXT_ALIGN_LEFT = 0;
constexpr int32_t TEXT_ALIGN_CENTER = 1;
constexpr int32_t TEXT_ALIGN_RIGHT = 2;

// Tries a tag at `text` (which holds "<"). Returns the code units it spans
// ("<" to ">" inclusive) and fills the tag and its value, or 0 when the
// text there is no tag. Never reads past the terminating zero; long digit
// runs saturate.
int32_t ParseTextTag(const char16_t* text, int32_t* tag, int32_t* value);

// `units` (null: none) with every "<" made literal, to be shown as it
// stands inside a text that may hold tags.
std::u16string EscapeTextTags(const char16_t* units);

// The caret blink counter shared by every text.
extern int32_t gCaretBlinkCounter;
extern int32_t gCaretBlinkStarted;
// Starts the blink afresh (a new screen, or a test).
void ResetCaretBlink();

// One glyph of a text. The control's width and height are the glyph's
// width and the font's cell height.
class CChar : public CControl {
public:
    CChar(int32_t slot, uint16_t unit, int32_t posX, int32_t posY, int32_t shiftX, int32_t shiftY);
    int32_t Draw() override;
    // Glyphs have no input of their own: nothing reads their edges, so
    // they keep only the values and the hover.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // The pixels the glyph moves the pen: 0 when hidden or for the caret.
    int64_t Advance() const;
    // 0 when hidden.
    int64_t LineHeight() const;
    bool IsAlignment() const { return alignMode >= 0; }
    void SetLayout(int64_t lx, int64_t ly, int32_t line);
    void SetClip(int32_t cx, int32_t cy, int32_t cw, int32_t ch);
    void SetScroll(int32_t sx, int32_t sy);

    int32_t fontSlot;
    uint16_t code;
    int32_t srcX = 0, srcY = 0;
    int32_t ascent = 0, lineGap = 0;
    int32_t caretOffsetX = 0, caretOffsetY = 0;
    Image* image = nullptr;
    int32_t offsetX, offsetY;
    int32_t alignMode = -1, alignValue = 0;
    int32_t clipX = 0, clipY = 0, clipW = 2048, clipH = 2048;
    int32_t scrollX = 0, scrollY = 0;
    int32_t layoutX, layoutY;
    int32_t lineIndex = 0;

private:
    void PlaceOnScreen();
};

class CText : public CControl {
public:
    CText();
    ~CText() override;

    int32_t Draw() override;
    int32_t Update() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // Null leaves the text empty.
    void SetText(const char16_t* newText);
    // The stored text; null when none was set.
    const char16_t* GetText() const;
    int32_t GetLength() const { return length; }
    void SetFont(int32_t slot);
    void SetWrap(int32_t wrap, int32_t aux, int32_t align);
    void SetIndent(int32_t indent);
    void SetLineSpacing(int32_t pixels);
    void SetLetterSpacing(int32_t pixels);
    void SetClipRect(int32_t cx, int32_t cy, int32_t cw, int32_t ch);
    void SetScroll(int32_t sx, int32_t sy);
    void ScrollBy(int32_t dx, int32_t dy);
    // Shows only lines first..last (-1: open bound); first > last shows
    // nothing, also after later layouts. The flag is stored and passed on;
    // no caller asks for scrolling.
    void SetVisibleLines(int32_t first, int32_t last, int32_t scrollFlag);
    void Relayout();
    int32_t GetTextHeight() const { return textHeight; }
    int32_t GetTextWidth() const { return textWidth; }
    int32_t GetGlyphCount() const { return static_cast<int32_t>(glyphs.size()); }
    CChar* GetGlyph(int32_t index) const;

    std::u16string text;
    bool hasText = false;
    int32_t defaultFont = -1;
    int32_t wrapWidth = -1;
    int32_t wrapAux = -1;
    int32_t defaultAlign = 0;
    int32_t letterSpacing = 0;
    int32_t lineSpacing = 0;
    int32_t defaultIndent = 0;
    int32_t length = 0;
    int32_t scrollToFirstLine = 0;
    int32_t firstLine = -1, lastLine = -1;
    int32_t layoutValid = 0;
    int32_t clipX = 0, clipY = 0, clipW = 2048, clipH = 2048;
    int32_t scrollX = 0, scrollY = 0;
    int32_t textWidth = 0, textHeight = 0;
    // The glyph children, in text order (the child list owns them).
    std::vector<CChar*> glyphs;

protected:
    void LayoutIfStale();

private:
    struct Paragraph {
        size_t end; // index of its last glyph
        int32_t align;
        int32_t indent;
    };
    struct LineMetrics {
        int64_t width;
        int64_t height;
        int64_t baselineShift;
    };

    void DeleteGlyphs();
    void BuildGlyphs();
    void Layout();
    Paragraph FindParagraph(size_t start) const;
    int64_t AvailableWidth(const Paragraph& paragraph, int32_t lineInParagraph) const;
    size_t FindLineEnd(size_t start, size_t paragraphEnd, int64_t avail) const;
    LineMetrics MeasureLine(size_t start, size_t end) const;
    int64_t LineStartX(const Paragraph& paragraph, int32_t lineInParagraph, int64_t avail,
                       int64_t lineWidth) const;
    void DrawGlyphs();
};
