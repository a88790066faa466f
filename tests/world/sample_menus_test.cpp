// The sample archive's front end read back the way the screens read it:
// every group and item the menus, movie screens, dialogs and level editor
// use, with its entry type and sizes; the level map's layout; the level
// table's words for the menus; the help pages' own catalogue; and the
// movies decoded to their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "media/mmlib.h"
#include "tests/engine/archive_test_util.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/sample_archive.h"
#include "world/level_load.h"
#include "world/objects.h"
#include "world/play_task.h"

namespace {

using media_test::GameArchive;

constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;
// The tallest dialog is the screen less 50 pixels; the scrolling ones are
// the screen less 100, with a scrollbar 183 shorter than that whose track
// picture is cut 40 short.
constexpr int32_t kTallestDialog = kScreenHeight - 50;
constexpr int32_t kLongestTrack = kScreenHeight - 100 - 183 - 40;

enum class Kind { Png, PngOrNone, Text, Sound, Movie };

struct ItemsRead {
    uint32_t group;
    uint32_t first;
    uint32_t count;
    Kind kind;
    int32_t width = 0; // 0: any
    int32_t height = 0;
};

const ItemsRead kItemsRead[] = {
    {SAMPLE_GROUP_EDITOR_POINTERS, 0, 1, Kind::Png},
    {SAMPLE_GROUP_EDITOR_POINTERS, 1, 1, Kind::Png, 32, 32},
    {SAMPLE_GROUP_EDITOR_ICONS, 0, 256, Kind::PngOrNone},
    {SAMPLE_GROUP_CURSOR, 1, 4, Kind::Png, 66, 56},
    {SAMPLE_GROUP_MAIN_MENU, 0, 1, Kind::Png, kScreenWidth, kScreenHeight},
    {SAMPLE_GROUP_MAIN_MENU, 1, 14, Kind::Png},
    {SAMPLE_GROUP_PICTURES, 0, SAMPLE_LEVEL_COUNT, Kind::Png, kScreenWidth, kScreenHeight},
    {SAMPLE_GROUP_MOVIES, 0, 4, Kind::Movie},
    {SAMPLE_GROUP_DIALOG_FRAME, 0, 2, Kind::Png, SAMPLE_DIALOG_WIDTH},
    {SAMPLE_GROUP_VERTICAL_SCROLL, 0, 2, Kind::Png},
    {SAMPLE_GROUP_HORIZONTAL_SCROLL, 0, 4, Kind::Png},
    {SAMPLE_GROUP_BUTTON_SKIN, 0, 3, Kind::Png},
    {SAMPLE_GROUP_PROFILE_SKIN, 0, 3, Kind::Png},
    {SAMPLE_GROUP_TEXT_PAGE, 0, 3, Kind::Text},
    {SAMPLE_GROUP_HISCORE_TEXTS, 1, 2, Kind::Text},
    {SAMPLE_GROUP_HISCORE_NAMES, 0, 10, Kind::Text},
    {SAMPLE_GROUP_OPTIONS_TEXTS, 0, 8, Kind::Text},
    {SAMPLE_GROUP_NAME_ENTRY_TEXTS, 0, 4, Kind::Text},
    {SAMPLE_GROUP_USER_SELECT_TEXTS, 1, 6, Kind::Text},
    {SAMPLE_GROUP_DELETE_TEXTS, 0, 4, Kind::Text},
    {SAMPLE_GROUP_NAME_TAKEN_TEXTS, 0, 3, Kind::Text},
    {SAMPLE_GROUP_LEVEL_CHANGE_TEXTS, 0, 4, Kind::Text},
    {SAMPLE_GROUP_MAP, 1, SAMPLE_MAP_PICTURES, Kind::Png},
    {SAMPLE_GROUP_PAUSE_TEXTS, 0, 4, Kind::Text},
    {SAMPLE_GROUP_HELP_TEXTS, 0, 2, Kind::Text},
    {SAMPLE_GROUP_MAP_MARKER, 0, 1, Kind::Png},
    {SAMPLE_GROUP_TALLY_TEXTS, 0, 4, Kind::Text},
    {SAMPLE_GROUP_FIRST_FONT, 1, 1, Kind::Png},
    {SAMPLE_GROUP_FIRST_FONT + 1, 1, 1, Kind::Png},
    {SAMPLE_GROUP_MAP_SOUND, 0, 1, Kind::Sound},
    {SAMPLE_GROUP_CLICK_SOUND, 0, 1, Kind::Sound},
};

uint32_t EntryOf(uint32_t group, uint32_t item) {
    return GetResourceIndex(&gResourceCatalogue, group, static_cast<int32_t>(item));
}

std::vector<uint8_t> Item(uint32_t group, uint32_t item) {
    return ReadWholeEntry(&gResourceArchive, EntryOf(group, item));
}

uint32_t ItemType(uint32_t group, uint32_t item) {
    return GetEntryType(&gResourceArchive, EntryOf(group, item));
}

// (0, 0) when the item is no PNG or does not decode.
std::pair<int32_t, int32_t> PictureSize(uint32_t group, uint32_t item) {
    const uint32_t entry = EntryOf(group, item);
    Image* image = nullptr;
    if (GetEntryType(&gResourceArchive, entry) != RES_TYPE_PNG ||
        LoadPngResource(&image, &gResourceArchive, entry) == 0 || image == nullptr)
        return {0, 0};
    const std::pair<int32_t, int32_t> size = {image->width, image->height};
    FreeImage(&image);
    return size;
}

std::u16string TextOf(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(GetU16LE(bytes.data() + i)));
    return text;
}

std::u16string Text(uint32_t group, uint32_t item) {
    return TextOf(Item(group, item));
}

// The conversions of a format, "%%" left out.
std::vector<char16_t> Conversions(const std::u16string& format) {
    std::vector<char16_t> found;
    for (size_t i = 0; i + 1 < format.size(); ++i)
        if (format[i] == u'%') {
            if (format[i + 1] != u'%')
                found.push_back(format[i + 1]);
            ++i;
        }
    return found;
}

bool IsOgg(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 4 && std::memcmp(bytes.data(), "OggS", 4) == 0;
}

void CheckItem(const ItemsRead& read, uint32_t item) {
    SCOPED_TRACE("group " + std::to_string(read.group) + " item " + std::to_string(item));
    const uint32_t type = ItemType(read.group, item);
    switch (read.kind) {
    case Kind::PngOrNone:
        if (type == RES_TYPE_IMAGE_STUB)
            return;
        [[fallthrough]];
    case Kind::Png: {
        const auto [w, h] = PictureSize(read.group, item);
        ASSERT_GT(w, 0) << "not a picture";
        if (read.width != 0) {
            EXPECT_EQ(w, read.width);
        }
        if (read.height != 0) {
            EXPECT_EQ(h, read.height);
        }
        return;
    }
    case Kind::Text: {
        const std::vector<uint8_t> bytes = Item(read.group, item);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.size() % 2, 0u);
        const std::u16string text = TextOf(bytes);
        EXPECT_EQ(text.find(u'\0'), std::u16string::npos);
        EXPECT_EQ(text.find(u'\n'), std::u16string::npos) << "lines break at CR";
        return;
    }
    case Kind::Sound:
        EXPECT_EQ(type, RES_TYPE_SOUND_PREDECODED);
        EXPECT_TRUE(IsOgg(Item(read.group, item)));
        return;
    case Kind::Movie:
        EXPECT_EQ(type, RES_TYPE_SOUND_STREAMED);
        EXPECT_TRUE(IsOgg(Item(read.group, item)));
        return;
    }
}

struct MapRecord {
    int32_t x, y, picture, second;
};

std::vector<MapRecord> MapRecords() {
    const std::vector<uint8_t> bytes = Item(SAMPLE_GROUP_MAP, 0);
    std::vector<MapRecord> records;
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16)
        records.push_back({GetI32LE(&bytes[at]), GetI32LE(&bytes[at + 4]), GetI32LE(&bytes[at + 8]),
                           GetI32LE(&bytes[at + 12])});
    return records;
}

uint32_t Word(uint32_t entry) {
    uint32_t value = 0;
    EXPECT_NE(ReadEntryWord(&gResourceArchive, entry, &value), 0) << "entry " << entry;
    return value;
}

// Level `level`'s destinations as (level, entry), read through the level
// chain as the level loader reads them.
std::vector<std::pair<int32_t, int32_t>> Destinations(int32_t level) {
    const uint32_t l = Word(Word(kLevelIndexEntry) + static_cast<uint32_t>(level) - 1);
    std::vector<std::pair<int32_t, int32_t>> out;
    for (uint32_t e = l + 8; e + 1 <= Word(l + 7); e += 2)
        out.push_back({static_cast<int32_t>(Word(e)), static_cast<int32_t>(Word(e + 1))});
    return out;
}

class SampleMenusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = std::make_unique<ArchiveBuilder>(BuildSampleArchive());
    }
    static void TearDownTestSuite() { built_.reset(); }
    void SetUp() override { ASSERT_TRUE(archive_.Open(*built_, true, false)); }

    static std::unique_ptr<ArchiveBuilder> built_;
    GameArchive archive_;
};

std::unique_ptr<ArchiveBuilder> SampleMenusTest::built_;

TEST_F(SampleMenusTest, EveryItemTheScreensReadIsThereWithItsTypeAndSize) {
    for (const ItemsRead& read : kItemsRead) {
        ASSERT_LE(read.first + read.count, GetGroupSize(&gResourceCatalogue, read.group))
            << "group " << read.group;
        for (uint32_t item = read.first; item < read.first + read.count; ++item)
            CheckItem(read, item);
    }
}

TEST_F(SampleMenusTest, PicturesFitTheLayoutsOfTheScreens) {
    // The dialog frame: the body is as tall as the tallest dialog.
    EXPECT_GE(PictureSize(SAMPLE_GROUP_DIALOG_FRAME, 0).second, kTallestDialog);
    EXPECT_GE(PictureSize(SAMPLE_GROUP_VERTICAL_SCROLL, 0).second, kLongestTrack);

    // The cursor: n - 1 pointer frames from item 1, then the spark last.
    const std::vector<uint8_t> header = Item(SAMPLE_GROUP_CURSOR, 0);
    ASSERT_GE(header.size(), 4u);
    const int32_t n = std::abs(GetI32LE(header.data()));
    EXPECT_GE(n, 2);
    EXPECT_EQ(GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_CURSOR), static_cast<uint32_t>(n + 1));
    EXPECT_GT(PictureSize(SAMPLE_GROUP_CURSOR, static_cast<uint32_t>(n)).first, 0);

    // The main menu's column of six buttons stays on the screen; the
    // selected and normal pictures of a choice are the same size.
    for (uint32_t k = 0; k < 7; ++k) {
        const auto selected = PictureSize(SAMPLE_GROUP_MAIN_MENU, k + 1);
        EXPECT_EQ(selected, PictureSize(SAMPLE_GROUP_MAIN_MENU, k + 8)) << "choice " << k;
        EXPECT_LE(346 + selected.first, kScreenWidth);
        EXPECT_LE(190 + 55 * 5 + selected.second, kScreenHeight);
        EXPECT_LE(selected.second, 55) << "buttons would overlap";
    }

    // Skins and the horizontal scrollbar are drawn in one row: one height.
    for (uint32_t group :
         {SAMPLE_GROUP_BUTTON_SKIN, SAMPLE_GROUP_PROFILE_SKIN, SAMPLE_GROUP_HORIZONTAL_SCROLL}) {
        const int32_t height = PictureSize(group, 0).second;
        for (uint32_t item = 1; item < GetGroupSize(&gResourceCatalogue, group); ++item)
            EXPECT_EQ(PictureSize(group, item).second, height) << "group " << group;
    }
}

TEST_F(SampleMenusTest, MapLayoutRecordsNamePicturesAndStayOnTheScreen) {
    const std::vector<MapRecord> records = MapRecords();
    EXPECT_EQ(Item(SAMPLE_GROUP_MAP, 0).size() % 16, 0u);
    ASSERT_GE(records.size(), static_cast<size_t>(SAMPLE_MAP_RECORDS));
    const auto inRange = [](int32_t picture) {
        return picture >= 0 && picture < SAMPLE_MAP_PICTURES;
    };
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const MapRecord& r = records[i];
        ASSERT_TRUE(inRange(r.picture));
        const bool button = i < static_cast<size_t>(SAMPLE_MAP_BUTTONS);
        if (button) {
            ASSERT_TRUE(inRange(r.second));
        }
        const auto [w, h] = PictureSize(SAMPLE_GROUP_MAP, static_cast<uint32_t>(r.picture) + 1);
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + w <= kScreenWidth && r.y + h <= kScreenHeight);
        if (button) {
            // The blinking marker floats above and to the left of it.
            EXPECT_GE(r.x - 14, 0);
            EXPECT_GE(r.y - 36, 0);
            EXPECT_NE(r.picture, r.second) << "a chosen button looks the same";
        }
    }
    // Nine distinct places.
    std::set<std::pair<int32_t, int32_t>> places;
    for (int32_t i = 0; i < SAMPLE_MAP_BUTTONS; ++i)
        places.insert({records[static_cast<size_t>(i)].x, records[static_cast<size_t>(i)].y});
    EXPECT_EQ(places.size(), static_cast<size_t>(SAMPLE_MAP_BUTTONS));
}

TEST_F(SampleMenusTest, TextsHoldTheConversionsAndLinesTheirScreensExpect) {
    // One name goes into each confirmation.
    for (uint32_t group : {SAMPLE_GROUP_DELETE_TEXTS, SAMPLE_GROUP_NAME_TAKEN_TEXTS})
        EXPECT_EQ(Conversions(Text(group, 0)), std::vector<char16_t>{u's'}) << "group " << group;
    // The tally: eight numbers for ten lines of labels.
    EXPECT_EQ(Conversions(Text(SAMPLE_GROUP_TALLY_TEXTS, 3)), std::vector<char16_t>(8, u'd'));
    const std::u16string labels = Text(SAMPLE_GROUP_TALLY_TEXTS, 2);
    EXPECT_EQ(std::count(labels.begin(), labels.end(), u'\r'), 9);
    const std::u16string values = Text(SAMPLE_GROUP_TALLY_TEXTS, 3);
    EXPECT_EQ(std::count(values.begin(), values.end(), u'\r'), 9);
    // No other text is a format: the screens show them as they stand.
    for (const ItemsRead& read : kItemsRead) {
        const bool format = read.group == SAMPLE_GROUP_DELETE_TEXTS ||
                            read.group == SAMPLE_GROUP_NAME_TAKEN_TEXTS ||
                            read.group == SAMPLE_GROUP_TALLY_TEXTS;
        if (read.kind != Kind::Text || format)
            continue;
        for (uint32_t item = read.first; item < read.first + read.count; ++item)
            EXPECT_TRUE(Conversions(Text(read.group, item)).empty())
                << "group " << read.group << " item " << item;
    }
    // Default hiscore names: ten characters at most, all different.
    std::set<std::u16string> names;
    for (uint32_t i = 0; i < 10; ++i) {
        const std::u16string name = Text(SAMPLE_GROUP_HISCORE_NAMES, i);
        EXPECT_LE(name.size(), 10u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 10u);
}

TEST_F(SampleMenusTest, LevelTableSendsTheMenusToPlayableLevels) {
    const std::vector<uint8_t> table = Item(0, 0);
    ASSERT_GE(table.size(), 39u * 4u);
    auto word = [&](int32_t n) { return GetI32LE(table.data() + 4 * n); };
    EXPECT_EQ(word(kLastLevelWord), SAMPLE_LAST_LEVEL);
    EXPECT_EQ(word(28), 0) << "no picture over the main menu";

    // Score levels name real levels past the first playable one (which
    // never counts), and the first is set, so a profile can continue.
    const std::vector<std::pair<int32_t, int32_t>> front = Destinations(1);
    ASSERT_GE(front.size(), 8u);
    EXPECT_NE(word(kFirstScoreLevelWord), 0);
    int32_t leading = 0;
    while (leading < 8 && word(kFirstScoreLevelWord + leading) != 0)
        ++leading;
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t level = word(kFirstScoreLevelWord + i);
        EXPECT_TRUE(level == 0 || (level > 2 && level <= SAMPLE_LEVEL_COUNT))
            << "score level " << i;
    }
    // The map's place 0 starts a new game on a playable level; place r
    // (reachable while the first r score levels are reached) goes to
    // score level r - 1, with the score kept from entering it.
    EXPECT_GT(front[0].first, 1);
    EXPECT_LT(front[0].first, SAMPLE_LAST_LEVEL);
    for (int32_t r = 1; r <= leading; ++r)
        EXPECT_EQ(front[static_cast<size_t>(r)].first, word(kFirstScoreLevelWord + r - 1))
            << "place " << r;

    // Default hiscores, best first.
    for (int32_t i = 29; i < 38; ++i)
        EXPECT_GT(word(i), word(i + 1)) << "word " << i;
    EXPECT_GT(word(38), 0);
}

TEST_F(SampleMenusTest, HelpCatalogueAtItsFixedEntryHoldsPagesOfLevelsTwoAndThree) {
    EXPECT_EQ(GetEntryType(&gResourceArchive, SAMPLE_HELP_ROOT_ENTRY), RES_TYPE_LINK);
    EXPECT_EQ(gResourceCatalogue.groupBase, SAMPLE_GROUP_BASE);
    ResourceCatalogue help{};
    CacheTable cache{};
    BuildResourceCatalogue(&help, &gResourceArchive, &cache, nullptr, SAMPLE_HELP_ROOT_ENTRY);
    EXPECT_GE(help.groupCount, 2u);
    for (uint32_t g = 0; g < std::min<uint32_t>(help.groupCount, 2); ++g) {
        const uint32_t pages = GetGroupSize(&help, g);
        EXPECT_GE(pages, 1u) << "level " << g + 2;
        for (uint32_t p = 0; p < pages; ++p) {
            const std::vector<uint8_t> bytes = ReadWholeEntry(
                &gResourceArchive, GetResourceIndex(&help, g, static_cast<int32_t>(p)));
            EXPECT_GT(bytes.size(), 2u);
            EXPECT_EQ(bytes.size() % 2, 0u);
        }
    }
    // Its entries lie outside the main catalogue's groups.
    EXPECT_GE(help.groupBase, gResourceCatalogue.entryLimit);
    UnloadCatalogue(&help);
    CacheTableFree(&cache);
}

TEST_F(SampleMenusTest, EditorHasAnIconForEveryCodeTheLevelsUseAndAPathPerLevel) {
    const WorldArchiveSpec world = MakeSampleWorld();
    std::set<uint8_t> used;
    for (const WorldLevelSpec& level : world.levels)
        used.insert(level.layers[3].codes.begin(), level.layers[3].codes.end());
    used.erase(0);
    for (uint8_t code : used)
        EXPECT_GT(PictureSize(SAMPLE_GROUP_EDITOR_ICONS, code).first, 0) << "code " << int{code};

    ASSERT_EQ(GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_EDITOR_PATHS),
              static_cast<uint32_t>(SAMPLE_LEVEL_COUNT));
    std::set<std::string> paths;
    for (int32_t level = 1; level <= SAMPLE_LEVEL_COUNT; ++level) {
        const std::vector<uint8_t> bytes =
            Item(SAMPLE_GROUP_EDITOR_PATHS, static_cast<uint32_t>(level - 1));
        const std::string path(bytes.begin(), bytes.end());
        EXPECT_EQ(path, SampleLevelFilePath(level));
        EXPECT_TRUE(std::all_of(path.begin(), path.end(), [](char c) {
            return c > ' ' && c < 127 && c != '\\';
        })) << path;
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), static_cast<size_t>(SAMPLE_LEVEL_COUNT));
}

// The menus run over level 1: the map needs its player to send on, and an
// object there that opened a help page or a tally would pause the game
// under the menus for good.
TEST(SampleFrontEnd, Level1HoldsAPlayerAndNoObjectThatOpensAScreen) {
    const WorldArchiveSpec world = MakeSampleWorld();
    const LevelLayerGrid& cells = world.levels.at(0).layers[3];
    int32_t players = 0;
    for (uint8_t code : cells.codes) {
        if (code == 0 || code > 127)
            continue; // empty or collision
        const int32_t type = world.codeTypes[code];
        EXPECT_TRUE(type == OBJT_PLAYER || type == OBJT_INERT) << "code " << int{code};
        players += type == OBJT_PLAYER ? 1 : 0;
    }
    EXPECT_EQ(players, 1);
}

TEST_F(SampleMenusTest, MoviesDecodeTheirFramesAndEnd) {
    for (uint32_t item = 0; item < 4; ++item) {
        SCOPED_TRACE("movie " + std::to_string(item));
        MMlib reader;
        ASSERT_EQ(reader.OpenArchiveEntry(&gResourceArchive,
                                          static_cast<int32_t>(EntryOf(SAMPLE_GROUP_MOVIES, item))),
                  0);
        MediaInfo info{};
        reader.GetInfo(&info);
        EXPECT_EQ(info.hasVideo, 1);
        EXPECT_EQ(info.hasAudio, 1);
        EXPECT_EQ(info.videoWidth, SAMPLE_MOVIE_WIDTH);
        EXPECT_EQ(info.videoHeight, SAMPLE_MOVIE_HEIGHT);
        EXPECT_FLOAT_EQ(info.frameRate, static_cast<float>(SAMPLE_MOVIE_FPS));
        ASSERT_GT(info.frameBytes, 0);
        std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
        int32_t frames = 0;
        while (frames <= SAMPLE_MOVIE_FRAMES && reader.DecodeVideoFrame(frame.data()) == 0)
            ++frames;
        EXPECT_EQ(frames, SAMPLE_MOVIE_FRAMES);
    }
}

} // namespace
