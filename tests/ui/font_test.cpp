#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/ui/ui_fixtures.h"
#include "ui/font.h"
#include "ui/text.h"

namespace {

constexpr int32_t Number(uint32_t group) {
    return static_cast<int32_t>(group) + 22;
}

FontGlyphPlace PlaceIn(const FontDesign& design, uint16_t code) {
    for (const FontGlyphPlace& p : PlaceFontGlyphs(design))
        if (p.code == code)
            return p;
    return {};
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive.ok()); }
    UiArchive archive;
};

TEST_F(FontTest, GlyphRecordsCarryTheTablesMetrics) {
    ASSERT_EQ(gUI.LoadFont(58, 0), 1);
    const GlyphRecord* a = gUI.GetGlyph(0, u'a');
    ASSERT_NE(a, nullptr);
    FontGlyphPlace place = PlaceIn(MakeTestFontA(), u'a');
    EXPECT_EQ(a->height, 16);
    EXPECT_EQ(a->width, 8);
    EXPECT_EQ(a->srcX, place.srcX);
    EXPECT_EQ(a->srcY, place.srcY);
    EXPECT_EQ(a->ascent, 12);
    EXPECT_EQ(a->lineGap, 2);
    EXPECT_EQ(a->caretOffsetX, 0);
    EXPECT_EQ(a->caretOffsetY, 0);
    const GlyphRecord* caret = gUI.GetGlyph(0, 16);
    ASSERT_NE(caret, nullptr);
    EXPECT_EQ(caret->caretOffsetX, -1);
    EXPECT_EQ(gUI.GetGlyph(0, u'~'), nullptr);
    EXPECT_EQ(gUI.GetGlyph(0, 10), nullptr);
    EXPECT_NE(gUI.GetGlyph(0, 0x0416), nullptr);
    Image* picture = gUI.GetFontImage(0);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, DrawFontPicture(MakeTestFontA()).width);
    // The picture came through the game's PNG loader: each glyph's colour
    // fills its rectangle and stops at its right edge.
    ASSERT_NE(picture->pixels, nullptr);
    size_t row = static_cast<size_t>(place.srcY + 15) * picture->width;
    EXPECT_EQ(picture->pixels[row + place.srcX], FontGlyphColour(u'a'));
    EXPECT_EQ(picture->pixels[row + place.srcX + 7], FontGlyphColour(u'a'));
    EXPECT_NE(picture->pixels[row + place.srcX + 8], FontGlyphColour(u'a'));
}

TEST_F(FontTest, NegativeLineGapIsSignExtendedAndDuplicatesReplace) {
    ASSERT_EQ(gUI.LoadFont(59, 1), 1);
    EXPECT_EQ(gUI.GetGlyph(1, u'x')->lineGap, -2);
    ASSERT_EQ(gUI.LoadFont(Number(UI_FONT_DUPLICATE), 9), 1);
    EXPECT_EQ(gUI.GetGlyph(9, u'a')->width, 5);
    EXPECT_EQ(gUI.GetFont(9)->GetGlyphCount(), 2);
}

TEST_F(FontTest, TheApplicationsEightFontsLoad) {
    for (int32_t slot = 0; slot < 8; ++slot)
        EXPECT_EQ(gUI.LoadFont(58 + slot, slot), 1) << slot;
}

TEST_F(FontTest, MalformedTablesAndPicturesLeaveTheSlotEmpty) {
    struct Case {
        uint32_t group;
        int32_t loads;
    };
    for (Case c :
         {Case{UI_FONT_TABLE_10, 0}, Case{UI_FONT_TABLE_13, 0}, Case{UI_FONT_TABLE_14, 0},
          Case{UI_FONT_TABLE_17, 0}, Case{UI_FONT_TABLE_18, 1}, Case{UI_FONT_TRAILING_4, 0},
          Case{UI_FONT_NO_PICTURE, 0}, Case{UI_FONT_RAW_PICTURE, 0}}) {
        gUI.UnloadFonts();
        EXPECT_EQ(gUI.LoadFont(Number(c.group), 3), c.loads) << c.group;
        if (c.loads == 0) {
            EXPECT_EQ(gUI.GetFont(3), nullptr);
            EXPECT_EQ(gUI.GetGlyph(3, u' '), nullptr);
            EXPECT_EQ(gUI.GetFontImage(3), nullptr);
        }
    }
    gUI.UnloadFonts();
    ASSERT_EQ(gUI.LoadFont(Number(UI_FONT_TABLE_18), 3), 1);
    EXPECT_EQ(gUI.GetFont(3)->GetGlyphCount(), 1);
    EXPECT_NE(gUI.GetGlyph(3, u' '), nullptr); // the first glyph of TF-A
}

TEST_F(FontTest, NumbersThatNameNoGroupFail) {
    EXPECT_EQ(gUI.LoadFont(21, 0), 0);
    EXPECT_EQ(gUI.LoadFont(-5, 0), 0);
    EXPECT_EQ(gUI.LoadFont(Number(UI_GROUP_COUNT), 0), 0);
    EXPECT_EQ(gUI.LoadFont(Number(UI_GROUP_CURSOR), 0), 0); // a 4-byte item 0
    gUI.SetKeyRepeatRate(-3);
    EXPECT_EQ(gUI.GetKeyRepeatRate(), 0);
    gUI.SetKeyRepeatRate(2);
    EXPECT_EQ(gUI.GetFont(0), nullptr);
}

TEST_F(FontTest, OccupiedSlotsAreNeverReloadedOrReplaced) {
    ASSERT_EQ(gUI.LoadFont(58, 0), 1);
    CFont* first = gUI.GetFont(0);
    EXPECT_EQ(gUI.LoadFont(58, 0), 1);
    EXPECT_EQ(gUI.GetFont(0), first);
    EXPECT_EQ(gUI.LoadFont(59, 0), 0);
    EXPECT_EQ(gUI.GetFont(0), first);
    EXPECT_EQ(gUI.resourceNumbers[0], 58);
    EXPECT_EQ(gUI.LoadFont(58, 32), 0);
    EXPECT_EQ(gUI.LoadFont(58, -1), 0);
    EXPECT_EQ(gUI.GetFont(-1), nullptr);
    EXPECT_EQ(gUI.GetFont(32), nullptr);
    EXPECT_EQ(gUI.GetGlyph(-1, u'a'), nullptr);
}

TEST_F(FontTest, ArchiveTextsShowThroughTheirFonts) {
    ASSERT_EQ(gUI.LoadFont(58, 0), 1);
    ASSERT_EQ(gUI.LoadFont(59, 1), 1);
    char16_t* units = LoadResourceText(&gResourceCatalogue, Number(UI_GROUP_TEXTS), 2);
    ASSERT_NE(units, nullptr);
    CText text;
    text.SetFont(0);
    text.SetText(units);
    std::free(units);
    ASSERT_EQ(text.GetGlyphCount(), 9); // "Big small"
    EXPECT_EQ(text.GetGlyph(0)->fontSlot, 1);
    EXPECT_EQ(text.GetGlyph(3)->fontSlot, 0);
    EXPECT_EQ(text.GetGlyph(3)->code, u' ');
    EXPECT_EQ(text.GetTextWidth(), 3 * 12 + 4 + 5 * 8);
}

// ---- the registry and the table reader, without the archive ----------------

TEST(FontTable, ShortTailsFollowTheCountRule) {
    std::vector<uint8_t> table = WriteFontTable(MakeTestFontA());
    for (size_t extra = 0; extra < 8; ++extra) {
        std::vector<uint8_t> bytes = table;
        bytes.resize(table.size() + extra, 0);
        CFont font;
        // A tail of 1 to 3 bytes does not add to the count; 4 to 7 do, and
        // that glyph's read comes up short.
        int32_t expected = extra < 4 ? 1 : 0;
        EXPECT_EQ(font.LoadTableFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size())),
                  expected)
            << extra;
    }
}

TEST(FontTable, RecordsBeforeAShortReadStayUntilTheFontGoes) {
    std::vector<uint8_t> table = WriteFontTable(MakeTestFontA());
    table.resize(table.size() - 3);
    CFont font;
    EXPECT_EQ(font.LoadTableFromMemory(table.data(), static_cast<uint32_t>(table.size())), 0);
    EXPECT_GT(font.GetGlyphCount(), 100);
    EXPECT_EQ(font.GetGlyph(u'a'), nullptr); // never loaded: no lookups
    EXPECT_EQ(font.LoadTableFromMemory(nullptr, 50), 0);
}

} // namespace
