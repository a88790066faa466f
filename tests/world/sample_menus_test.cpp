// The sample archive's front end read back the way the screens read it:
// every group and item the menus, movie screens, dialogs and level editor
// use, with its entry type; the level map's layout; a glyph for every
// character the screens show; and a front-end level that cannot open a
// screen under the menus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/resource_stream.h"
#include "engine/wformat.h"
#include "menus/key_char_map.h"
#include "tests/engine/archive_test_util.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sample_font.h"
#include "ui/font.h"
#include "ui/text.h"
#include "world/objects.h"

namespace {

using media_test::GameArchive;

enum Kind { kPng, kPngOrNone, kText, kSound, kMovie };

const struct ItemsRead {
    uint32_t group, first, count;
    Kind kind;
} kItemsRead[] = {
    // clang-format off
    {SAMPLE_GROUP_EDITOR_POINTERS, 0, 2, kPng},   {SAMPLE_GROUP_EDITOR_ICONS, 0, 256, kPngOrNone},
    {SAMPLE_GROUP_CURSOR, 1, 4, kPng},            {SAMPLE_GROUP_MAIN_MENU, 0, 15, kPng},
    {SAMPLE_GROUP_PICTURES, 0, SAMPLE_LEVEL_COUNT, kPng}, {SAMPLE_GROUP_MOVIES, 0, 4, kMovie},
    {SAMPLE_GROUP_DIALOG_FRAME, 0, 2, kPng},      {SAMPLE_GROUP_VERTICAL_SCROLL, 0, 2, kPng},
    {SAMPLE_GROUP_HORIZONTAL_SCROLL, 0, 4, kPng}, {SAMPLE_GROUP_BUTTON_SKIN, 0, 3, kPng},
    {SAMPLE_GROUP_PROFILE_SKIN, 0, 3, kPng},      {SAMPLE_GROUP_TEXT_PAGE, 0, 3, kText},
    {SAMPLE_GROUP_HISCORE_TEXTS, 1, 2, kText},    {SAMPLE_GROUP_HISCORE_NAMES, 0, 10, kText},
    {SAMPLE_GROUP_OPTIONS_TEXTS, 0, 8, kText},    {SAMPLE_GROUP_NAME_ENTRY_TEXTS, 0, 4, kText},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 1, 6, kText}, {SAMPLE_GROUP_DELETE_TEXTS, 0, 4, kText},
    {SAMPLE_GROUP_NAME_TAKEN_TEXTS, 0, 3, kText}, {SAMPLE_GROUP_LEVEL_CHANGE_TEXTS, 0, 4, kText},
    {SAMPLE_GROUP_MAP, 1, SAMPLE_MAP_PICTURES, kPng}, {SAMPLE_GROUP_PAUSE_TEXTS, 0, 4, kText},
    {SAMPLE_GROUP_HELP_TEXTS, 0, 2, kText},       {SAMPLE_GROUP_MAP_MARKER, 0, 1, kPng},
    {SAMPLE_GROUP_TALLY_TEXTS, 0, 4, kText},      {SAMPLE_GROUP_FIRST_FONT, 1, 1, kPng},
    {SAMPLE_GROUP_FIRST_FONT + 1, 1, 1, kPng},    {SAMPLE_GROUP_MAP_SOUND, 0, 1, kSound},
    {SAMPLE_GROUP_CLICK_SOUND, 0, 1, kSound},
    // clang-format on
};

uint32_t EntryOf(const ResourceCatalogue* catalogue, uint32_t group, uint32_t item) {
    return GetResourceIndex(catalogue, group, static_cast<int32_t>(item));
}

std::vector<uint8_t> Item(uint32_t group, uint32_t item) {
    return ReadWholeEntry(&gResourceArchive, EntryOf(&gResourceCatalogue, group, item));
}

std::u16string Text(const ResourceCatalogue* catalogue, uint32_t group, uint32_t item) {
    const std::vector<uint8_t> bytes =
        ReadWholeEntry(&gResourceArchive, EntryOf(catalogue, group, item));
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(GetU16LE(bytes.data() + i)));
    return text;
}

bool IsOgg(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 4 && std::string(bytes.begin(), bytes.begin() + 4) == "OggS";
}

bool HasKind(Kind kind, uint32_t group, uint32_t item) {
    const uint32_t type =
        GetEntryType(&gResourceArchive, EntryOf(&gResourceCatalogue, group, item));
    const std::vector<uint8_t> bytes = Item(group, item);
    switch (kind) {
    case kPngOrNone:
        return type == RES_TYPE_IMAGE_STUB || type == RES_TYPE_PNG;
    case kPng:
        return type == RES_TYPE_PNG;
    case kText:
        return !bytes.empty() && bytes.size() % 2 == 0;
    case kSound:
        return type == RES_TYPE_SOUND_PREDECODED && IsOgg(bytes);
    case kMovie:
        return type == RES_TYPE_SOUND_STREAMED && IsOgg(bytes);
    }
    return false;
}

class SampleMenusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = std::make_unique<ArchiveBuilder>(BuildSampleArchive());
    }
    static void TearDownTestSuite() { built_.reset(); }
    void SetUp() override { ASSERT_TRUE(archive_.Open(*built_, true, false)); }
    void TearDown() override { gUI.UnloadFonts(); }

    static std::unique_ptr<ArchiveBuilder> built_;
    GameArchive archive_;
};

std::unique_ptr<ArchiveBuilder> SampleMenusTest::built_;

TEST_F(SampleMenusTest, EveryItemTheScreensReadIsThereWithItsType) {
    for (const ItemsRead& read : kItemsRead) {
        ASSERT_LE(read.first + read.count, GetGroupSize(&gResourceCatalogue, read.group))
            << "group " << read.group;
        for (uint32_t item = read.first; item < read.first + read.count; ++item)
            EXPECT_TRUE(HasKind(read.kind, read.group, item))
                << "group " << read.group << " item " << item;
    }
}

// Records 0..8 are the buttons (a picture and a chosen picture), 9 + i the
// marker of destination i, all on the screen.
TEST_F(SampleMenusTest, MapLayoutRecordsAreInRange) {
    const std::vector<uint8_t> bytes = Item(SAMPLE_GROUP_MAP, 0);
    ASSERT_GE(bytes.size(), 16u * SAMPLE_MAP_RECORDS);
    for (int32_t i = 0; i < SAMPLE_MAP_RECORDS; ++i) {
        const uint8_t* r = bytes.data() + 16 * i;
        EXPECT_TRUE(GetI32LE(r) >= 0 && GetI32LE(r) < 800 && GetI32LE(r + 4) >= 0 &&
                    GetI32LE(r + 4) < 600)
            << "record " << i;
        for (int32_t word = 2; word < (i < SAMPLE_MAP_BUTTONS ? 4 : 3); ++word)
            EXPECT_TRUE(GetI32LE(r + 4 * word) >= 0 && GetI32LE(r + 4 * word) < SAMPLE_MAP_PICTURES)
                << "record " << i;
    }
}

// The units of `text` that font `slot` shows as nothing. Tags are not
// shown; CR and LF may be empty glyphs.
std::u16string Unshown(int32_t slot, const std::u16string& text) {
    std::u16string missing;
    for (size_t i = 0; i < text.size(); ++i) {
        int32_t tag = 0, value = 0;
        const int32_t span = text[i] == u'<' ? ParseTextTag(text.c_str() + i, &tag, &value) : 0;
        const GlyphRecord* glyph = gUI.GetGlyph(slot, text[i]);
        const bool blank = text[i] == TEXT_CODE_CR || text[i] == TEXT_CODE_LF;
        if (span > 0)
            i += static_cast<size_t>(span) - 1;
        else if (glyph == nullptr || (glyph->width <= 0 && !blank))
            missing.push_back(text[i]);
    }
    return missing;
}

TEST_F(SampleMenusTest, EveryCharacterTheScreensShowHasAGlyphInItsFont) {
    constexpr int32_t kBody = 0, kLabel = 1, kPressed = 2, kScore = 3, kIcons = 4, kEditor = 6;
    for (int32_t slot = 0; slot < sample::kSampleFontSlots; ++slot) {
        const int32_t number =
            static_cast<int32_t>(SAMPLE_GROUP_FIRST_FONT + RESOURCE_NUMBER_BASE) + slot;
        std::unique_ptr<CFont> font(new CFont());
        ASSERT_EQ(font->Load(number), 1) << "slot " << slot;
        font->SetLoaded(1);
        ASSERT_EQ(gUI.AdoptFont(font.release(), number, slot), 1);
    }
    // Dialog texts as body, title, label and pressed label; a player's
    // name, typed with either key table, and numbers in the same fonts.
    std::vector<std::u16string> dialogTexts = {u"-0123456789"};
    for (const ItemsRead& read : kItemsRead)
        for (uint32_t item = read.first; read.kind == kText && item < read.first + read.count;
             ++item)
            dialogTexts.push_back(Text(&gResourceCatalogue, read.group, item));
    std::u16string& typed = dialogTexts.emplace_back();
    for (const KeyCharMap* map : {&kNameKeysLower, &kNameKeysUpper})
        for (char16_t unit : map->units)
            typed += unit != 0 ? std::u16string(1, unit) : u"";
    for (const std::u16string& text : dialogTexts)
        for (int32_t slot : {kBody, kLabel, kPressed})
            EXPECT_EQ(Unshown(slot, text), u"") << "slot " << slot;

    // The help pages, found through their own catalogue, in the body font.
    ResourceCatalogue help{};
    CacheTable cache{};
    BuildResourceCatalogue(&help, &gResourceArchive, &cache, nullptr, SAMPLE_HELP_ROOT_ENTRY);
    EXPECT_GE(help.groupCount, 2u);
    for (uint32_t group = 0; group < help.groupCount; ++group)
        for (uint32_t page = 0; page < GetGroupSize(&help, group); ++page)
            EXPECT_EQ(Unshown(kBody, Text(&help, group, page)), u"") << "help " << group;
    UnloadCatalogue(&help);
    CacheTableFree(&cache);

    // The status line: flags and icons in the icon font, the numbers in
    // the score font; the editor's printable ASCII.
    const std::u16string flags = Text(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS, 0);
    EXPECT_EQ(Unshown(kIcons, WFormat(flags.c_str(), {1, 0, 1}) + u"3456"), u"");
    for (uint32_t item : {1u, 2u}) {
        const std::u16string format = Text(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS, item);
        EXPECT_EQ(Unshown(kScore, WFormat(format.c_str(), {1234567890})), u"") << item;
    }
    std::u16string printable;
    for (char16_t c = u' '; c <= u'~'; ++c)
        printable.push_back(c);
    for (int32_t slot : {kBody, kEditor})
        EXPECT_EQ(Unshown(slot, printable), u"") << "slot " << slot;
}

// The menus run over level 1: the map needs its player to send on, and an
// object there that opened a help page or a tally would pause the game
// under the menus for good.
TEST(SampleFrontEnd, Level1HoldsAPlayerAndNoObjectThatOpensAScreen) {
    const WorldArchiveSpec world = MakeSampleWorld();
    int32_t players = 0;
    for (uint8_t code : world.levels.at(0).layers[3].codes) {
        if (code == 0 || code > 127)
            continue; // empty or collision
        const int32_t type = world.codeTypes[code];
        EXPECT_TRUE(type == OBJT_PLAYER || type == OBJT_INERT) << "code " << int{code};
        players += type == OBJT_PLAYER ? 1 : 0;
    }
    EXPECT_EQ(players, 1);
}

} // namespace
