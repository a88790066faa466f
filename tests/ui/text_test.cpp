#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/text.h"

namespace {

class TextTest : public ::testing::Test {
protected:
    MemoryFonts fonts;
};

// ---- tags ------------------------------------------------------------------

struct GlyphView {
    char16_t code;
    int32_t slot, offsetX, offsetY, alignMode, alignValue;
    bool operator==(const GlyphView& o) const {
        return std::tie(code, slot, offsetX, offsetY, alignMode, alignValue) ==
               std::tie(o.code, o.slot, o.offsetX, o.offsetY, o.alignMode, o.alignValue);
    }
};

std::ostream& operator<<(std::ostream& os, const GlyphView& g) {
    return os << "(" << static_cast<int>(g.code) << " slot " << g.slot << " off " << g.offsetX
              << "," << g.offsetY << " align " << g.alignMode << "," << g.alignValue << ")";
}

std::vector<GlyphView> Glyphs(const CText& text) {
    std::vector<GlyphView> out;
    for (const CChar* g : text.glyphs)
        out.push_back({static_cast<char16_t>(g->code), g->fontSlot, g->offsetX, g->offsetY,
                       g->alignMode, g->alignValue});
    return out;
}

// Plain glyphs of `units` in slot `slot`.
std::vector<GlyphView> Plain(const char16_t* units, int32_t slot = 2) {
    std::vector<GlyphView> out;
    for (const char16_t* p = units; *p != 0; ++p)
        out.push_back({*p, slot, 0, 0, -1, 0});
    return out;
}

TEST_F(TextTest, TagGrammar) {
    struct Case {
        const char16_t* text;
        std::vector<GlyphView> glyphs;
    };
    const std::vector<Case> cases = {
        {u"a<b", Plain(u"a<b")},
        {u"<PosX+>a", {{u'a', 2, 0, 0, -1, 0}}},
        {u"<PosX5>a", Plain(u"<PosX5>a")},
        {u"<PosX+3>ab", {{u'a', 2, 3, 0, -1, 0}, {u'b', 2, 3, 0, -1, 0}}},
        {u"<PosY-4>a", {{u'a', 2, 0, -4, -1, 0}}},
        {u"<Font+1><PosX+3>x", {{u'x', 1, 3, 0, -1, 0}}},
        {u"<Font+1>x<Font-7>y", {{u'x', 1, 0, 0, -1, 0}, {u'y', 2, 0, 0, -1, 0}}},
        {u"<Font->a", {{u'a', 0, 0, 0, -1, 0}}},
        {u"<AlCenter+0>Hi", {{1, -1, 0, 0, 1, 0}, {u'H', 2, 0, 0, -1, 0}, {u'i', 2, 0, 0, -1, 0}}},
        {u"<AlLeft+20><AlRight-15>", {{1, -1, 0, 0, 0, 20}, {1, -1, 0, 0, 2, -15}}},
        {u"a<PosY-3><PosX+2>", {{u'a', 2, 0, 0, -1, 0}}},
        {u"ab<Po", Plain(u"ab<Po")},
        {u"<", Plain(u"<")},
        {u"<>", Plain(u"<>")},
        {u"<posx+1>", Plain(u"<posx+1>")},
        {u"<PosX +1>", Plain(u"<PosX +1>")},
        {u"<PosX+1a>", Plain(u"<PosX+1a>")},
        {u"<PosX+1", Plain(u"<PosX+1")},
        {u"<Bold+1>", Plain(u"<Bold+1>")},
        {u"<<PosX+1>a", {{u'<', 2, 0, 0, -1, 0}, {u'a', 2, 1, 0, -1, 0}}},
        {u"<PosX+99999999999999>a", {{u'a', 2, INT32_MAX, 0, -1, 0}}},
        {u"<PosX-99999999999999>a", {{u'a', 2, -INT32_MAX, 0, -1, 0}}},
    };
    for (const Case& c : cases) {
        CText text;
        text.SetFont(2);
        text.SetText(c.text);
        EXPECT_EQ(Glyphs(text), c.glyphs) << std::u16string(c.text).size();
    }
}

TEST_F(TextTest, ParseTextTagReportsSpanTagAndValue) {
    int32_t tag = -1, value = 0;
    EXPECT_EQ(ParseTextTag(u"<AlCenter-12>rest", &tag, &value), 13);
    EXPECT_EQ(tag, TEXT_TAG_AL_CENTER);
    EXPECT_EQ(value, -12);
    EXPECT_EQ(ParseTextTag(u"<Fo", &tag, &value), 0);
    EXPECT_EQ(ParseTextTag(u"x<Font+1>", &tag, &value), 0);
    EXPECT_EQ(ParseTextTag(nullptr, &tag, &value), 0);
}

TEST_F(TextTest, NullAndEmptyTextsHaveNoGlyphsAndNoExtent) {
    CText text;
    text.SetFont(0);
    text.SetText(u"Hello");
    EXPECT_GT(text.GetTextHeight(), 0);
    text.SetText(u"");
    EXPECT_EQ(text.GetGlyphCount(), 0);
    EXPECT_EQ(text.GetTextHeight(), 0);
    EXPECT_EQ(text.GetTextWidth(), 0);
    text.SetText(u"Hello");
    text.SetText(text.GetText()); // its own text, handed back
    EXPECT_EQ(text.GetGlyphCount(), 5);
    text.SetText(nullptr);
    EXPECT_EQ(text.GetText(), nullptr);
    EXPECT_EQ(text.GetLength(), 0);
    EXPECT_EQ(text.GetTextHeight(), 0);
}

// ---- layout ----------------------------------------------------------------

struct Placed {
    int32_t x, y, line, visible;
    bool operator==(const Placed& o) const {
        return std::tie(x, y, line, visible) == std::tie(o.x, o.y, o.line, o.visible);
    }
};

std::ostream& operator<<(std::ostream& os, const Placed& p) {
    return os << "(" << p.x << "," << p.y << " line " << p.line << " vis " << p.visible << ")";
}

std::vector<Placed> Layout(const CText& text) {
    std::vector<Placed> out;
    for (const CChar* g : text.glyphs)
        out.push_back({g->layoutX, g->layoutY, g->lineIndex, g->visible});
    return out;
}

std::unique_ptr<CText> MakeText(const char16_t* units, int32_t wrap, int32_t align = 0) {
    auto text = std::make_unique<CText>();
    text->SetFont(0);
    text->SetWrap(wrap, -1, align);
    text->SetText(units);
    return text;
}

// TF-A lines are 18 high with the baseline 14 below their top.
TEST_F(TextTest, LayoutWithoutWrapping) {
    auto text = MakeText(u"ab cd", -1);
    EXPECT_EQ(Layout(*text),
              (std::vector<Placed>{
                  {0, 14, 0, 1}, {8, 14, 0, 1}, {16, 14, 0, 1}, {20, 14, 0, 1}, {28, 14, 0, 1}}));
    EXPECT_EQ(text->GetTextWidth(), 36);
    EXPECT_EQ(text->GetTextHeight(), 18);
}

TEST_F(TextTest, WrapsAfterBreakCharactersAndAnExactFitBreaks) {
    // "ab cd " is exactly 40 wide: the line still ends at its last break.
    auto exact = MakeText(u"ab cd ef", 40);
    EXPECT_EQ(Layout(*exact), (std::vector<Placed>{{0, 14, 0, 1},
                                                   {8, 14, 0, 1},
                                                   {16, 14, 0, 1},
                                                   {20, 14, 0, 1},
                                                   {28, 14, 0, 1},
                                                   {36, 14, 0, 1},
                                                   {0, 32, 1, 1},
                                                   {8, 32, 1, 1}}));
    EXPECT_EQ(exact->GetTextHeight(), 36);
    auto narrow = MakeText(u"ab cd ef", 30);
    std::vector<int32_t> lines;
    for (const Placed& p : Layout(*narrow))
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 0, 0, 1, 1, 1, 2, 2}));
}

TEST_F(TextTest, AnOverflowingLastWordStillWraps) {
    auto text = MakeText(u"ab cdefgh", 30);
    EXPECT_EQ(text->glyphs[3]->lineIndex, 1);
    EXPECT_EQ(text->glyphs[3]->layoutX, 0);
}

TEST_F(TextTest, AWordLongerThanTheWrapStaysWhole) {
    auto text = MakeText(u"abcdef gh", 20);
    std::vector<int32_t> lines;
    for (const Placed& p : Layout(*text))
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(text->GetTextWidth(), 48);
}

TEST_F(TextTest, CentreAndRightAlignmentLeaveOutTheTrailingSpace) {
    auto centre = MakeText(u"ab cd ef", 40, TEXT_ALIGN_CENTER);
    EXPECT_EQ(centre->glyphs[0]->layoutX, 2); // (40 - 36) / 2
    EXPECT_EQ(centre->glyphs[6]->layoutX, 12);
    auto right = MakeText(u"ab cd ef", 40, TEXT_ALIGN_RIGHT);
    EXPECT_EQ(right->glyphs[0]->layoutX, 4);
    EXPECT_EQ(right->glyphs[6]->layoutX, 24);
    auto odd = MakeText(u"abc", 31, TEXT_ALIGN_CENTER);
    EXPECT_EQ(odd->glyphs[0]->layoutX, 3); // (31 - 24) / 2, truncated
    auto unwrapped = MakeText(u"<AlCenter+0>abc", -1);
    EXPECT_EQ(unwrapped->glyphs[1]->layoutX, 0);
    auto tagged = MakeText(u"ab<AlCenter+0>c\rab", 40);
    EXPECT_EQ(tagged->glyphs[0]->layoutX, 8); // centred: (40 - 24) / 2
    EXPECT_EQ(tagged->glyphs[5]->layoutX, 0); // next paragraph: default left
}

TEST_F(TextTest, PositiveIndentShiftsAndShortensTheFirstLine) {
    auto text = MakeText(u"<AlLeft+20>ab cd ef", 40);
    EXPECT_EQ(Layout(*text), (std::vector<Placed>{{20, 14, 0, 1},
                                                  {20, 14, 0, 1},
                                                  {28, 14, 0, 1},
                                                  {36, 14, 0, 1},
                                                  {0, 32, 1, 1},
                                                  {8, 32, 1, 1},
                                                  {16, 32, 1, 1},
                                                  {20, 32, 1, 1},
                                                  {28, 32, 1, 1}}));
}

TEST_F(TextTest, NegativeIndentShiftsAndShortensTheOtherLines) {
    auto text = MakeText(u"<AlLeft-20>ab cd ef gh", 40);
    std::vector<Placed> placed = Layout(*text);
    EXPECT_EQ(placed[1], (Placed{0, 14, 0, 1}));   // a
    EXPECT_EQ(placed[7], (Placed{20, 32, 1, 1}));  // e
    EXPECT_EQ(placed[10], (Placed{20, 50, 2, 1})); // g
}

TEST_F(TextTest, DefaultIndentAppliesToParagraphsWithoutTags) {
    auto text = MakeText(u"ab", 40);
    text->SetIndent(10);
    EXPECT_EQ(text->glyphs[0]->layoutX, 10);
}

TEST_F(TextTest, MixedFontsShareOneBaseline) {
    auto text = MakeText(u"a<Font+1>b", -1);
    // Line height max(18, 22); deepest cell part below the baseline 6.
    EXPECT_EQ(Layout(*text), (std::vector<Placed>{{0, 16, 0, 1}, {8, 16, 0, 1}}));
    EXPECT_EQ(text->GetTextHeight(), 22);
}

TEST_F(TextTest, PosYAddsToTheLineHeightAndSpacingSeparatesLines) {
    auto shifted = MakeText(u"<PosY+5>a", -1);
    EXPECT_EQ(shifted->GetTextHeight(), 23);
    EXPECT_EQ(shifted->glyphs[0]->layoutY, 14);
    auto spaced = MakeText(u"a\rb", -1);
    spaced->SetLineSpacing(3);
    EXPECT_EQ(spaced->glyphs[2]->layoutY, 18 + 3 + 14);
    EXPECT_EQ(spaced->glyphs[2]->lineIndex, 1);
    EXPECT_EQ(spaced->GetTextHeight(), 39);
}

TEST_F(TextTest, LetterSpacingWidensRunsAfterTheirFirstGlyph) {
    auto text = MakeText(u"ab", -1);
    text->SetLetterSpacing(2);
    EXPECT_EQ(text->glyphs[1]->layoutX, 10);
    EXPECT_EQ(text->GetTextWidth(), 20);
}

TEST_F(TextTest, EmptyParagraphsTakeSpaceOnlyWithACarriageReturnGlyph) {
    auto withCr = MakeText(u"a\r\rb", -1);
    EXPECT_EQ(withCr->glyphs[3]->layoutY, 36 + 14);
    EXPECT_EQ(withCr->glyphs[3]->lineIndex, 2);
    auto icons = std::make_unique<CText>();
    icons->SetFont(4); // the icon font has no CR glyph
    icons->SetText(u"3\r\r4");
    EXPECT_EQ(icons->glyphs[3]->layoutY, 24 + 20);
    EXPECT_EQ(icons->glyphs[3]->lineIndex, 2);
    EXPECT_EQ(icons->GetTextHeight(), 48);
}

TEST_F(TextTest, MissingGlyphsAdvanceOnlyByTheirOffset) {
    auto text = MakeText(u"a~<PosX+3>\nb", -1);
    EXPECT_EQ(text->glyphs[1]->width, 0);
    EXPECT_EQ(text->glyphs[1]->image, nullptr);
    EXPECT_EQ(text->glyphs[2]->layoutX, 8);
    EXPECT_EQ(text->glyphs[3]->layoutX, 11);
}

// ---- shown lines -----------------------------------------------------------

std::vector<int32_t> Visible(const CText& text) {
    std::vector<int32_t> out;
    for (const CChar* g : text.glyphs)
        out.push_back(g->visible);
    return out;
}

TEST_F(TextTest, VisibleLineRanges) {
    auto text = MakeText(u"ab\rcd\ref", -1);
    text->SetVisibleLines(1, 2, 0);
    EXPECT_EQ(Visible(*text), (std::vector<int32_t>{0, 0, 0, 1, 1, 1, 1, 1}));
    text->SetVisibleLines(2, 1, 0);
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(8, 0));
    text->SetText(u"gh\rij");
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(5, 0));
    text->SetWrap(10, -1, 0);
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(5, 0));
    text->SetVisibleLines(-1, -1, 0);
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(5, 1));
    text->SetVisibleLines(0, 99, 0);
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(5, 1));
    text->SetVisibleLines(1, 5, 1);
    EXPECT_EQ(Visible(*text), (std::vector<int32_t>{0, 0, 0, 1, 1}));
    text->SetVisibleLines(1, -1, 0); // first above last: nothing
    EXPECT_EQ(Visible(*text), std::vector<int32_t>(5, 0));
    EXPECT_EQ(text->scrollToFirstLine, 0);
}

// ---- drawing ---------------------------------------------------------------

FontGlyphPlace PlaceOf(char16_t code) {
    for (const FontGlyphPlace& p : PlaceFontGlyphs(MakeTestFontA()))
        if (p.code == code)
            return p;
    return {};
}

TEST_F(TextTest, GlyphsDrawAtTheirCellsScrolledAndClipped) {
    DrawCapture capture;
    auto text = MakeText(u"a", -1);
    text->SetScroll(100, 50);
    text->Draw();
    ASSERT_EQ(capture.size(), 1u);
    const SpriteRecord& r = capture[0].record;
    FontGlyphPlace a = PlaceOf(u'a');
    EXPECT_EQ(r.source, fonts.ImageOf(0));
    EXPECT_EQ(r.x, 100);
    EXPECT_EQ(r.y, 52); // baseline 64 minus the ascent
    EXPECT_EQ(r.width, 8);
    EXPECT_EQ(r.height, 16);
    EXPECT_EQ(r.sourceX, a.srcX);
    EXPECT_EQ(r.sourceY, a.srcY);
    EXPECT_EQ(r.flags, 0);
    EXPECT_TRUE(IsScreenTarget(r.target));

    struct Clip {
        int32_t x, y, w, h;
        int32_t rx, ry, rw, rh, sx, sy;
    };
    for (Clip c :
         {Clip{104, 56, 20, 100, 104, 56, 4, 12, 4, 4}, Clip{90, 0, 14, 200, 100, 52, 4, 16, 0, 0},
          Clip{0, 0, 200, 60, 100, 52, 8, 8, 0, 0}}) {
        capture.Clear();
        text->SetClipRect(c.x, c.y, c.w, c.h);
        text->Draw();
        ASSERT_EQ(capture.size(), 1u);
        const SpriteRecord& q = capture[0].record;
        EXPECT_EQ(q.x, c.rx);
        EXPECT_EQ(q.y, c.ry);
        EXPECT_EQ(q.width, c.rw);
        EXPECT_EQ(q.height, c.rh);
        EXPECT_EQ(q.sourceX, a.srcX + c.sx);
        EXPECT_EQ(q.sourceY, a.srcY + c.sy);
    }
    capture.Clear();
    text->SetClipRect(0, 0, 50, 50);
    text->Draw();
    EXPECT_EQ(capture.size(), 0u);
}

TEST_F(TextTest, HiddenTextsAndLinesDrawNothing) {
    DrawCapture capture;
    auto text = MakeText(u"ab\rcd", -1);
    text->SetVisible(0);
    text->Relayout(); // shows every glyph again
    EXPECT_EQ(text->Draw(), 0);
    EXPECT_EQ(capture.size(), 0u);
    text->SetVisible(1);
    text->SetVisibleLines(1, 1, 0);
    EXPECT_EQ(text->Draw(), 6);
    EXPECT_EQ(capture.size(), 2u);
}

// Draw counts of the caret over `draws` frames of the given texts.
std::vector<int32_t> CaretFrames(std::vector<CText*> texts, int32_t draws) {
    DrawCapture capture;
    std::vector<int32_t> shown;
    for (int32_t f = 0; f < draws; ++f) {
        capture.Clear();
        for (CText* t : texts)
            t->Draw();
        int32_t carets = 0;
        for (const CapturedDraw& d : capture.draws())
            if (d.record.width == 2)
                ++carets;
        shown.push_back(carets);
    }
    return shown;
}

TEST_F(TextTest, CaretIsHiddenElevenDrawsAndShownTen) {
    auto text = MakeText(u"a\x10", -1);
    std::vector<int32_t> shown = CaretFrames({text.get()}, 42);
    std::vector<int32_t> cycle(11, 0);
    cycle.insert(cycle.end(), 10, 1);
    std::vector<int32_t> expected = cycle;
    expected.insert(expected.end(), cycle.begin(), cycle.end());
    EXPECT_EQ(shown, expected);
}

TEST_F(TextTest, TwoCaretsMakeTheBlinkRunTwiceAsFast) {
    auto one = MakeText(u"\x10", -1);
    auto two = MakeText(u"\x10", -1);
    std::vector<int32_t> shown = CaretFrames({one.get(), two.get()}, 11);
    // 22 counter steps in 11 frames: hidden for 5.5 frames, then shown.
    EXPECT_EQ(shown, (std::vector<int32_t>{0, 0, 0, 0, 0, 1, 2, 2, 2, 2, 1}));
}

TEST_F(TextTest, CaretOffsetsApplyAfterClipping) {
    DrawCapture capture;
    gCaretBlinkStarted = 1; // the caret's shown half of the cycle
    gCaretBlinkCounter = 0;
    auto text = MakeText(u"a\x10", -1);
    text->SetScroll(100, 50);
    text->SetClipRect(108, 0, 100, 100);
    text->Draw();
    ASSERT_EQ(capture.size(), 1u); // 'a' lies left of the clip
    EXPECT_EQ(capture[0].record.x, 107);
    EXPECT_EQ(capture[0].record.width, 2);
    EXPECT_EQ(capture[0].record.sourceX, PlaceOf(16).srcX);
}

TEST_F(TextTest, TextInputReachesEveryGlyphTwiceAFrame) {
    auto text = MakeText(u"ab", -1);
    KeyArray none;
    text->SetClipRect(0, 0, 100, 100);
    EXPECT_EQ(text->HandleInput(9, 20, 0, none.keys, kSdlKeyCount), 3);
    EXPECT_EQ(text->glyphs[1]->mouseX, 9);
    EXPECT_EQ(text->glyphs[1]->IsHovered(), 1); // 'b' spans 8..16, 34..50
    EXPECT_EQ(text->IsHovered(), 1);
}

} // namespace
