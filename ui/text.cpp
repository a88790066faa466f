#include "ui/text.h"

#include <algorithm>
#include <climits>

#include "graphics/image.h"
#include "ui/font.h"

int32_t gCaretBlinkCounter = 0;
int32_t gCaretBlinkStarted = 0;

void ResetCaretBlink() {
    gCaretBlinkCounter = 0;
    gCaretBlinkStarted = 0;
}

static int32_t ClampToInt32(int64_t v) {
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// ---- tags ------------------------------------------------------------------

static const char16_t* const kTagNames[] = {u"PosX",   u"PosY",     u"Font",
                                            u"AlLeft", u"AlCenter", u"AlRight"};
static constexpr int32_t kTagCount = 6;
static const char16_t kBreakChars[] = u".,:;?!-+ )]}=";

static bool IsBreakChar(char16_t unit) {
    for (const char16_t* b = kBreakChars; *b != 0; ++b) {
        if (*b == unit)
            return true;
    }
    return false;
}

// The rest of a tag after its name: sign, digits, ">". Returns the units it
// spans, or 0.
static int32_t ParseTagValue(const char16_t* p, int32_t* value) {
    int32_t sign;
    if (p[0] == u'+')
        sign = 1;
    else if (p[0] == u'-')
        sign = -1;
    else
        return 0;
    int32_t n = 1;
    int64_t magnitude = 0;
    while (p[n] >= u'0' && p[n] <= u'9') {
        magnitude = magnitude * 10 + (p[n] - u'0');
        magnitude = std::min<int64_t>(magnitude, INT32_MAX);
        ++n;
    }
    if (p[n] != u'>')
        return 0;
    *value = static_cast<int32_t>(sign * magnitude);
    return n + 1;
}

int32_t ParseTextTag(const char16_t* text, int32_t* tag, int32_t* value) {
    if (text == nullptr || text[0] != u'<')
        return 0;
    for (int32_t t = 0; t < kTagCount; ++t) {
        // Unit by unit: a text that ends inside a name stops at its zero.
        const char16_t* name = kTagNames[t];
        int32_t n = 0;
        while (name[n] != 0 && text[1 + n] == name[n])
            ++n;
        if (name[n] != 0)
            continue;
        int32_t rest = ParseTagValue(text + 1 + n, value);
        if (rest > 0) {
            *tag = t;
            return 1 + n + rest;
        }
    }
    return 0;
}

std::u16string EscapeTextTags(const char16_t* units) {
    std::u16string escaped = units != nullptr ? units : u"";
    std::replace(escaped.begin(), escaped.end(), u'<', TEXT_CODE_LITERAL_LT);
    return escaped;
}

// ---- CChar -----------------------------------------------------------------

CChar::CChar(int32_t slot, uint16_t unit, int32_t posX, int32_t posY, int32_t shiftX,
             int32_t shiftY)
    : fontSlot(slot), code(unit), offsetX(shiftX), offsetY(shiftY), layoutX(posX), layoutY(posY) {
    const GlyphRecord* glyph = gUI.GetGlyph(slot, unit);
    if (glyph != nullptr) {
        height = glyph->height;
        width = glyph->width;
        srcX = glyph->srcX;
        srcY = glyph->srcY;
        ascent = glyph->ascent;
        lineGap = glyph->lineGap;
        caretOffsetX = glyph->caretOffsetX;
        caretOffsetY = glyph->caretOffsetY;
        image = gUI.GetFontImage(slot);
    }
    PlaceOnScreen();
}

void CChar::PlaceOnScreen() {
    x = ClampToInt32(static_cast<int64_t>(layoutX) + scrollX);
    y = ClampToInt32(static_cast<int64_t>(layoutY) + scrollY);
}

int64_t CChar::Advance() const {
    if (visible == 0 || code == TEXT_CODE_CARET)
        return 0;
    return static_cast<int64_t>(offsetX) + width;
}

int64_t CChar::LineHeight() const {
    if (visible == 0)
        return 0;
    int64_t shift = offsetY;
    return static_cast<int64_t>(height) + lineGap + (shift < 0 ? -shift : shift);
}

void CChar::SetLayout(int64_t lx, int64_t ly, int32_t line) {
    layoutX = ClampToInt32(lx);
    layoutY = ClampToInt32(ly);
    lineIndex = line;
    PlaceOnScreen();
}

void CChar::SetClip(int32_t cx, int32_t cy, int32_t cw, int32_t ch) {
    clipX = cx;
    clipY = cy;
    clipW = cw;
    clipH = ch;
}

void CChar::SetScroll(int32_t sx, int32_t sy) {
    scrollX = sx;
    scrollY = sy;
    PlaceOnScreen();
}

int32_t CChar::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                           const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    UpdateHover();
    DispatchInput();
    return GetChildCount() + 1;
}

int32_t CChar::Draw() {
    if (visible == 0)
        return 0;
    if (image != nullptr) {
        int64_t dx = static_cast<int64_t>(x) + offsetX;
        int64_t dy = static_cast<int64_t>(y) + offsetY - ascent;
        int64_t w = width, h = height;
        int64_t leftCut = std::max<int64_t>(0, clipX - dx);
        dx += leftCut;
        w -= leftCut;
        int64_t topCut = std::max<int64_t>(0, clipY - dy);
        h -= topCut;
        w -= std::max<int64_t>(0, dx + w - (static_cast<int64_t>(clipX) + clipW));
        h -= std::max<int64_t>(0, dy + topCut + h - (static_cast<int64_t>(clipY) + clipH));
        if (w > 0 && h > 0) {
            SpriteRecord record;
            record.source = image;
            record.transform = nullptr;
            InitSpriteRecord(&record, gScreenTarget);
            // The caret's offsets move it after the clip.
            record.x = ClampToInt32(dx + caretOffsetX);
            record.y = ClampToInt32(dy + topCut + caretOffsetY);
            record.width = static_cast<int32_t>(w);
            record.height = static_cast<int32_t>(h);
            record.sourceX = ClampToInt32(srcX + leftCut);
            record.sourceY = ClampToInt32(srcY + topCut);
            DrawSprite(&record);
        }
    }
    return GetChildCount() + 1;
}

// ---- CText: building -------------------------------------------------------

CText::CText() {
    SetFont(-1);
    SetWrap(-1, -1, 0);
    SetClipRect(0, 0, 2048, 2048);
    SetVisibleLines(-1, -1, 0);
    letterSpacing = 0;
    lineSpacing = 0;
    defaultIndent = 0;
    SetScroll(0, 0);
    Relayout();
}

CText::~CText() {
    DeleteGlyphs();
}

CChar* CText::GetGlyph(int32_t index) const {
    if (index < 0 || index >= GetGlyphCount())
        return nullptr;
    return glyphs[static_cast<size_t>(index)];
}

void CText::DeleteGlyphs() {
    glyphs.clear();
    DeleteChildren();
}

void CText::BuildGlyphs() {
    if (!hasText)
        return;
    int32_t posX = 0, posY = 0, font = defaultFont;
    const char16_t* p = text.c_str();
    glyphs.reserve(text.size());
    children.reserve(text.size());
    while (*p != 0) {
        int32_t tag = 0, value = 0;
        int32_t span = *p == u'<' ? ParseTextTag(p, &tag, &value) : 0;
        if (span == 0) {
            char16_t unit = *p == TEXT_CODE_LITERAL_LT ? u'<' : *p;
            CChar* glyph = new CChar(font, unit, 0, 0, posX, posY);
            glyphs.push_back(glyph);
            AddChild(glyph);
            ++p;
            continue;
        }
        p += span;
        if (tag == TEXT_TAG_POS_X) {
            posX = value;
        } else if (tag == TEXT_TAG_POS_Y) {
            posY = value;
        } else if (tag == TEXT_TAG_FONT) {
            font = value < 0 ? defaultFont : value;
        } else {
            CChar* align = new CChar(-1, TEXT_CODE_ALIGN, 0, 0, 0, 0);
            align->alignMode = tag - TEXT_TAG_AL_LEFT;
            align->alignValue = value;
            glyphs.push_back(align);
            AddChild(align);
        }
    }
}

void CText::SetText(const char16_t* newText) {
    // Copied first: the caller may hand back our own text.
    std::u16string copy = newText != nullptr ? std::u16string(newText) : std::u16string();
    DeleteGlyphs();
    text.swap(copy);
    hasText = newText != nullptr;
    length = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
    BuildGlyphs();
    Relayout();
}

const char16_t* CText::GetText() const {
    return hasText ? text.c_str() : nullptr;
}

void CText::SetFont(int32_t slot) {
    DeleteGlyphs();
    defaultFont = slot;
    BuildGlyphs();
    Relayout();
}

void CText::SetWrap(int32_t wrap, int32_t aux, int32_t align) {
    wrapWidth = wrap;
    wrapAux = aux;
    defaultAlign = align;
    Relayout();
}

void CText::SetIndent(int32_t indent) {
    defaultIndent = indent;
    Relayout();
}

void CText::SetLineSpacing(int32_t pixels) {
    lineSpacing = pixels;
    Relayout();
}

void CText::SetLetterSpacing(int32_t pixels) {
    letterSpacing = pixels;
    Relayout();
}

void CText::SetClipRect(int32_t cx, int32_t cy, int32_t cw, int32_t ch) {
    clipX = x = cx;
    clipY = y = cy;
    clipW = width = cw;
    clipH = height = ch;
    for (CChar* glyph : glyphs)
        glyph->SetClip(cx, cy, cw, ch);
}

void CText::SetScroll(int32_t sx, int32_t sy) {
    scrollX = sx;
    scrollY = sy;
    for (CChar* glyph : glyphs)
        glyph->SetScroll(sx, sy);
}

void CText::ScrollBy(int32_t dx, int32_t dy) {
    SetScroll(ClampToInt32(static_cast<int64_t>(scrollX) + dx),
              ClampToInt32(static_cast<int64_t>(scrollY) + dy));
}

void CText::SetVisibleLines(int32_t first, int32_t last, int32_t scrollFlag) {
    // The flag would ask to scroll the first shown line to the origin; it is
    // kept for the layout to pass on and otherwise has no effect.
    scrollToFirstLine = scrollFlag;
    if (glyphs.empty()) {
        firstLine = first;
        lastLine = last;
        return;
    }
    if (first > last) {
        // Remembered as an empty range, so that later layouts show nothing.
        firstLine = -2;
        lastLine = -3;
    } else {
        firstLine = first;
        lastLine = last;
    }
    int32_t lastIndex = glyphs.back()->lineIndex;
    int32_t lower = firstLine == -1 ? 0 : first;
    int32_t upper = lastLine == -1 || last > lastIndex ? lastIndex : last;
    for (CChar* glyph : glyphs) {
        bool shown = glyph->lineIndex >= lower && glyph->lineIndex <= upper;
        glyph->visible = shown ? 1 : 0;
    }
}

void CText::Relayout() {
    layoutValid = 0;
    Layout();
}

void CText::LayoutIfStale() {
    if (layoutValid == 0)
        Layout();
}

// ---- CText: layout ---------------------------------------------------------

CText::Paragraph CText::FindParagraph(size_t start) const {
    Paragraph paragraph{start, defaultAlign, defaultIndent};
    for (size_t i = start; i < glyphs.size(); ++i) {
        const CChar* glyph = glyphs[i];
        if (glyph->IsAlignment()) {
            paragraph.align = glyph->alignMode;
            paragraph.indent = glyph->alignValue;
        }
        paragraph.end = i;
        if (glyph->code == TEXT_CODE_CR)
            break;
    }
    return paragraph;
}

int64_t CText::AvailableWidth(const Paragraph& paragraph, int32_t lineInParagraph) const {
    if (wrapWidth < 0)
        return -1;
    int64_t avail = wrapWidth;
    if (paragraph.align == TEXT_ALIGN_LEFT) {
        if (lineInParagraph == 0 && paragraph.indent > 0)
            avail -= paragraph.indent;
        else if (lineInParagraph > 0 && paragraph.indent < 0)
            avail += paragraph.indent;
    }
    return avail;
}

size_t CText::FindLineEnd(size_t start, size_t paragraphEnd, int64_t avail) const {
    if (avail < 0)
        return paragraphEnd;
    int64_t runWidth = 0;
    bool seenBreak = false;
    size_t lastBreak = start;
    for (size_t i = start; i <= paragraphEnd; ++i) {
        const CChar* glyph = glyphs[i];
        int64_t advance = glyph->Advance();
        if (i == start)
            runWidth = advance;
        else if (advance != 0)
            runWidth += advance + letterSpacing;
        if (IsBreakChar(glyph->code)) {
            seenBreak = true;
            lastBreak = i;
        }
        // Also at the paragraph's last glyph, so that an overflowing last
        // word still wraps; an exact fit breaks too.
        if (seenBreak && runWidth >= avail)
            return lastBreak;
    }
    return paragraphEnd;
}

CText::LineMetrics CText::MeasureLine(size_t start, size_t end) const {
    LineMetrics metrics{0, 0, 0};
    int64_t deepest = 0;
    for (size_t i = start; i <= end; ++i) {
        const CChar* glyph = glyphs[i];
        int64_t advance = glyph->Advance();
        if (i == start)
            metrics.width = advance;
        else if (advance != 0)
            metrics.width += advance + letterSpacing;
        metrics.height = std::max(metrics.height, glyph->LineHeight());
        int64_t below = static_cast<int64_t>(glyph->offsetY) + glyph->height - glyph->ascent;
        deepest = std::max(deepest, below);
    }
    metrics.baselineShift = deepest > 0 ? metrics.height - deepest : 0;
    return metrics;
}

int64_t CText::LineStartX(const Paragraph& paragraph, int32_t lineInParagraph, int64_t avail,
                          int64_t lineWidth) const {
    if (avail < 0)
        return 0;
    switch (paragraph.align) {
    case TEXT_ALIGN_CENTER:
        return (avail - lineWidth) / 2;
    case TEXT_ALIGN_RIGHT:
        return avail - lineWidth;
    case TEXT_ALIGN_LEFT:
        if (lineInParagraph == 0 && paragraph.indent > 0)
            return paragraph.indent;
        if (lineInParagraph > 0 && paragraph.indent < 0)
            return -static_cast<int64_t>(paragraph.indent);
        return 0;
    default:
        return 0;
    }
}

void CText::Layout() {
    int64_t extentX = 0, extentY = 0;
    if (!glyphs.empty()) {
        for (CChar* glyph : glyphs)
            glyph->visible = 1;
        int64_t top = 0;
        int32_t line = 0;
        size_t start = 0;
        while (start < glyphs.size()) {
            Paragraph paragraph = FindParagraph(start);
            int32_t lineInParagraph = 0;
            size_t lineStart = start;
            while (lineStart <= paragraph.end) {
                int64_t avail = AvailableWidth(paragraph, lineInParagraph);
                size_t lineEnd = FindLineEnd(lineStart, paragraph.end, avail);
                // A line's trailing space takes no width.
                if (glyphs[lineEnd]->code == TEXT_CODE_SPACE)
                    glyphs[lineEnd]->visible = 0;
                LineMetrics metrics = MeasureLine(lineStart, lineEnd);
                int64_t penX = LineStartX(paragraph, lineInParagraph, avail, metrics.width);
                int64_t baseline = top + metrics.baselineShift;
                for (size_t i = lineStart; i <= lineEnd; ++i) {
                    CChar* glyph = glyphs[i];
                    glyph->SetLayout(penX, baseline, line);
                    int64_t advance = glyph->Advance();
                    if (advance != 0)
                        penX += advance + letterSpacing;
                    extentX = std::max(extentX, penX);
                    extentY = std::max(extentY, top + glyph->LineHeight());
                }
                if (metrics.height > 0)
                    top += metrics.height + lineSpacing;
                ++line;
                ++lineInParagraph;
                lineStart = lineEnd + 1;
            }
            start = paragraph.end + 1;
        }
    }
    // An empty text has no extent (not the previous text's).
    textWidth = ClampToInt32(extentX);
    textHeight = ClampToInt32(extentY);
    layoutValid = 1;
    SetClipRect(clipX, clipY, clipW, clipH);
    SetScroll(scrollX, scrollY);
    SetVisibleLines(firstLine, lastLine, scrollToFirstLine);
}

// ---- CText: frame ----------------------------------------------------------

void CText::DrawGlyphs() {
    int32_t blink = gUI.GetCaretBlink();
    if (gCaretBlinkStarted == 0) {
        gCaretBlinkStarted = 1;
        gCaretBlinkCounter = 2 * blink;
    }
    CChar* caret = nullptr;
    for (CChar* glyph : glyphs) {
        if (glyph->code == TEXT_CODE_CARET)
            caret = glyph;
        else
            glyph->Draw();
    }
    if (caret == nullptr)
        return;
    if (blink > gCaretBlinkCounter)
        caret->Draw();
    gCaretBlinkCounter -= 1;
    if (gCaretBlinkCounter < 0)
        gCaretBlinkCounter = 2 * blink;
}

int32_t CText::Draw() {
    // A hidden text draws nothing, even after a layout showed its glyphs.
    if (visible == 0)
        return 0;
    LayoutIfStale();
    DrawGlyphs();
    return GetChildCount() + 1;
}

int32_t CText::Update() {
    LayoutIfStale();
    return CControl::Update();
}

int32_t CText::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                           const uint8_t* inKeyStates, int32_t inKeyCount) {
    Update();
    return CControl::HandleInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
}
