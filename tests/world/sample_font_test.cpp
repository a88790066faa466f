// The sample archive's fonts read back as the game reads them: every
// character a screen can show has a visible glyph in the font that shows
// it, titles and button labels fit their dialogs and buttons, and every
// glyph the tables name is drawn inside its own cell of the picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/resource_stream.h"
#include "engine/wformat.h"
#include "graphics/image.h"
#include "menus/key_char_map.h"
#include "tests/engine/archive_test_util.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sample_font.h"
#include "ui/font.h"
#include "ui/text.h"

namespace {

using media_test::GameArchive;

constexpr int32_t kBodyFont = 0;
constexpr int32_t kLabelFont = 1;
constexpr int32_t kPressedFont = 2;
constexpr int32_t kScoreFont = 3;
constexpr int32_t kIconFont = 4;
constexpr int32_t kEditorFont = 6;

// Every front-end group of texts; a dialog shows its items as title, body
// or button label.
const uint32_t kTextGroups[] = {
    SAMPLE_GROUP_TEXT_PAGE,     SAMPLE_GROUP_HISCORE_TEXTS,    SAMPLE_GROUP_HISCORE_NAMES,
    SAMPLE_GROUP_OPTIONS_TEXTS, SAMPLE_GROUP_NAME_ENTRY_TEXTS, SAMPLE_GROUP_USER_SELECT_TEXTS,
    SAMPLE_GROUP_DELETE_TEXTS,  SAMPLE_GROUP_NAME_TAKEN_TEXTS, SAMPLE_GROUP_LEVEL_CHANGE_TEXTS,
    SAMPLE_GROUP_PAUSE_TEXTS,   SAMPLE_GROUP_HELP_TEXTS,       SAMPLE_GROUP_TALLY_TEXTS,
};

struct OneLine {
    uint32_t group;
    uint32_t item;
    int32_t width; // the room the screen gives it
};

// The dialogs wrap their titles 20 pixels inside the frame; the narrowest
// command buttons are 200 wide, the player buttons 100 narrower than the
// dialog.
constexpr int32_t kTitleRoom = SAMPLE_DIALOG_WIDTH - 20;
constexpr int32_t kNarrowButton = 200;
constexpr int32_t kPlayerButton = SAMPLE_DIALOG_WIDTH - 100;

const OneLine kTitlesAndLabels[] = {
    {SAMPLE_GROUP_TEXT_PAGE, 1, kTitleRoom},
    {SAMPLE_GROUP_TEXT_PAGE, 2, kNarrowButton},
    {SAMPLE_GROUP_HISCORE_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_HISCORE_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_OPTIONS_TEXTS, 0, kTitleRoom},
    {SAMPLE_GROUP_OPTIONS_TEXTS, 4, kNarrowButton},
    {SAMPLE_GROUP_NAME_ENTRY_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_NAME_ENTRY_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_NAME_ENTRY_TEXTS, 3, kNarrowButton},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 3, kNarrowButton},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 4, kNarrowButton},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 5, kNarrowButton},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 6, kPlayerButton},
    {SAMPLE_GROUP_DELETE_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_DELETE_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_DELETE_TEXTS, 3, kNarrowButton},
    {SAMPLE_GROUP_NAME_TAKEN_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_NAME_TAKEN_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_LEVEL_CHANGE_TEXTS, 1, kTitleRoom},
    {SAMPLE_GROUP_LEVEL_CHANGE_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_LEVEL_CHANGE_TEXTS, 3, kNarrowButton},
    {SAMPLE_GROUP_PAUSE_TEXTS, 0, kTitleRoom},
    {SAMPLE_GROUP_PAUSE_TEXTS, 2, kNarrowButton},
    {SAMPLE_GROUP_PAUSE_TEXTS, 3, kNarrowButton},
    {SAMPLE_GROUP_HELP_TEXTS, 0, kTitleRoom},
    {SAMPLE_GROUP_HELP_TEXTS, 1, kNarrowButton},
    {SAMPLE_GROUP_TALLY_TEXTS, 0, kTitleRoom},
    {SAMPLE_GROUP_TALLY_TEXTS, 1, kNarrowButton},
};

std::u16string TextOf(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(GetU16LE(bytes.data() + i)));
    return text;
}

std::u16string Item(const ResourceCatalogue* catalogue, uint32_t group, uint32_t item) {
    return TextOf(ReadWholeEntry(&gResourceArchive,
                                 GetResourceIndex(catalogue, group, static_cast<int32_t>(item))));
}

// The units of `text` that `slot` shows as nothing, each once, as
// "U+xxxx" words.
// Tags are not shown; CR and LF are the only glyphs that may be empty.
std::string Unshown(int32_t slot, const std::u16string& text) {
    std::string missing;
    for (size_t i = 0; i < text.size(); ++i) {
        int32_t tag = 0, value = 0;
        const int32_t span = text[i] == u'<' ? ParseTextTag(text.c_str() + i, &tag, &value) : 0;
        if (span > 0) {
            i += static_cast<size_t>(span) - 1;
            continue;
        }
        const GlyphRecord* glyph = gUI.GetGlyph(slot, text[i]);
        const bool blank = text[i] == TEXT_CODE_CR || text[i] == TEXT_CODE_LF;
        char word[16];
        std::snprintf(word, sizeof word, "U+%04X ", static_cast<unsigned>(text[i]));
        if ((glyph == nullptr || (glyph->width <= 0 && !blank)) &&
            missing.find(word) == std::string::npos)
            missing += word;
    }
    return missing;
}

// 0 when the item is no picture.
int32_t PictureHeightOf(uint32_t group, uint32_t item) {
    const uint32_t entry = GetResourceIndex(&gResourceCatalogue, group, static_cast<int32_t>(item));
    Image* image = nullptr;
    if (GetEntryType(&gResourceArchive, entry) != RES_TYPE_PNG ||
        LoadPngResource(&image, &gResourceArchive, entry) == 0 || image == nullptr)
        return 0;
    const int32_t height = image->height;
    FreeImage(&image);
    return height;
}

std::u16string Units(const KeyCharMap& map) {
    std::u16string units;
    for (char16_t unit : map.units)
        if (unit != 0)
            units.push_back(unit);
    return units;
}

class SampleFontTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = std::make_unique<ArchiveBuilder>(MakeSampleCatalogue().ToArchive());
    }
    static void TearDownTestSuite() { built_.reset(); }

    // The glyph tables as the game loads them; no picture is needed to lay
    // text out.
    void SetUp() override {
        ASSERT_TRUE(archive_.Open(*built_, true, false));
        for (int32_t slot = 0; slot < sample::kSampleFontSlots; ++slot) {
            const int32_t number =
                static_cast<int32_t>(SAMPLE_GROUP_FIRST_FONT + RESOURCE_NUMBER_BASE) + slot;
            std::unique_ptr<CFont> font(new CFont());
            ASSERT_EQ(font->Load(number), 1) << "slot " << slot;
            font->SetLoaded(1);
            ASSERT_EQ(gUI.AdoptFont(font.release(), number, slot), 1);
        }
    }
    void TearDown() override { gUI.UnloadFonts(); }

    static std::unique_ptr<ArchiveBuilder> built_;
    GameArchive archive_;
};

std::unique_ptr<ArchiveBuilder> SampleFontTest::built_;

TEST_F(SampleFontTest, EveryCharacterTheScreensShowHasAGlyph) {
    // Dialog texts are shown as body, title, label and pressed label; the
    // numbers and names their formats take in are checked below.
    for (uint32_t group : kTextGroups)
        for (uint32_t item = 0; item < GetGroupSize(&gResourceCatalogue, group); ++item)
            for (int32_t slot : {kBodyFont, kLabelFont, kPressedFont})
                EXPECT_EQ(Unshown(slot, Item(&gResourceCatalogue, group, item)), "")
                    << "group " << group << " item " << item << " slot " << slot;

    ResourceCatalogue help{};
    CacheTable cache{};
    BuildResourceCatalogue(&help, &gResourceArchive, &cache, nullptr, SAMPLE_HELP_ROOT_ENTRY);
    EXPECT_GE(help.groupCount, 1u);
    for (uint32_t group = 0; group < help.groupCount; ++group)
        for (uint32_t page = 0; page < GetGroupSize(&help, group); ++page)
            EXPECT_EQ(Unshown(kBodyFont, Item(&help, group, page)), "")
                << "help group " << group << " page " << page;
    UnloadCatalogue(&help);
    CacheTableFree(&cache);

    // A player's name is typed in the body font and shown on the player
    // buttons and in the dialogs that name the player.
    for (const KeyCharMap* map : {&kNameKeysLower, &kNameKeysUpper})
        for (int32_t slot : {kBodyFont, kLabelFont, kPressedFont})
            EXPECT_EQ(Unshown(slot, Units(*map)), "") << "slot " << slot;
    for (int32_t slot : {kBodyFont, kLabelFont, kPressedFont, kScoreFont})
        EXPECT_EQ(Unshown(slot, u"-0123456789"), "") << "slot " << slot;

    // The status overlay: the flags line and the icons in the icon font,
    // the score and the counter in the score font.
    const uint32_t formats = GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS);
    ASSERT_EQ(formats, 3u);
    const std::u16string flags = Item(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS, 0);
    EXPECT_EQ(Unshown(kIconFont, WFormat(flags.c_str(), {1, 0, 1}) + u"3456"), "");
    for (uint32_t item = 1; item < formats; ++item) {
        const std::u16string format = Item(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS, item);
        EXPECT_EQ(Unshown(kScoreFont, WFormat(format.c_str(), {1234567890})), "") << item;
    }

    // The editor's lines: numbers, layer and mode labels, level file names.
    std::u16string printable;
    for (char16_t c = u' '; c <= u'~'; ++c)
        printable.push_back(c);
    for (int32_t slot : {kBodyFont, kEditorFont})
        EXPECT_EQ(Unshown(slot, printable), "") << "slot " << slot;
}

TEST_F(SampleFontTest, TitlesAndLabelsFitTheirDialogsAndButtons) {
    // A label's line stays inside the button skin's height.
    const GlyphRecord* letter = gUI.GetGlyph(kLabelFont, u'A');
    ASSERT_NE(letter, nullptr);
    const int32_t buttonHeight = PictureHeightOf(SAMPLE_GROUP_BUTTON_SKIN, 0);
    ASSERT_GT(buttonHeight, 0);
    EXPECT_LE(letter->height + letter->lineGap, buttonHeight);

    for (const OneLine& line : kTitlesAndLabels) {
        const std::u16string text = Item(&gResourceCatalogue, line.group, line.item);
        CText shown;
        shown.SetFont(kLabelFont);
        shown.SetText(text.c_str());
        EXPECT_LE(shown.GetTextWidth(), line.width)
            << "group " << line.group << " item " << line.item;
        EXPECT_EQ(shown.GetTextHeight(), letter->height + letter->lineGap) << "one line";
    }
}

// Each glyph of each font is inked somewhere inside its cell, and no cell
// reaches past the picture.
TEST(SampleFontPictures, EveryGlyphIsDrawnInsideItsOwnCell) {
    for (int32_t slot = 0; slot < sample::kSampleFontSlots; ++slot) {
        const sample::SampleFont font = sample::MakeSlotFont(slot);
        const FontPicture& picture = font.picture;
        ASSERT_EQ(picture.pixels.size(), static_cast<size_t>(picture.width) * picture.height);
        for (const FontGlyphPlace& place : PlaceFontGlyphs(font.design)) {
            SCOPED_TRACE("slot " + std::to_string(slot) + " code " + std::to_string(place.code));
            ASSERT_LE(place.srcX + place.width, picture.width);
            ASSERT_LE(place.srcY + font.design.cellHeight, picture.height);
            bool inked = false;
            for (int32_t y = place.srcY; y < place.srcY + font.design.cellHeight; ++y)
                for (int32_t x = place.srcX; x < place.srcX + place.width; ++x)
                    inked = inked || (picture.pixels[static_cast<size_t>(y) * picture.width +
                                                     static_cast<size_t>(x)] >>
                                      24) != 0;
            const bool blank =
                place.code == u' ' || place.code == TEXT_CODE_CR || place.code == TEXT_CODE_LF;
            EXPECT_EQ(inked, !blank);
        }
    }
}

} // namespace
