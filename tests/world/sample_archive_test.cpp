// The sample archive read back through the game's own readers: the
// catalogue's groups, the fixed entries, the level chain and map of every
// level, and the media set of every type the world loads.
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
#include "tests/engine/archive_test_util.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/sample_archive.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/media_set.h"
#include "world/objects.h"
#include "world/play_task.h"
#include "world/script_engine.h"
#include "world/tile_map.h"

namespace {

using media_test::GameArchive;
using media_test::MakeWorld;
using media_test::WorldPtr;

constexpr uint16_t kHurtBoxKey = 1;
constexpr uint16_t kActionPointKey = 4;
constexpr uint16_t kStandBoxKey = 256;

uint32_t Word(uint32_t entry) {
    uint32_t value = 0;
    EXPECT_NE(ReadEntryWord(&gResourceArchive, entry, &value), 0) << "entry " << entry;
    return value;
}

std::vector<uint8_t> Item(uint32_t group, int32_t item) {
    return ReadWholeEntry(&gResourceArchive, GetResourceIndex(&gResourceCatalogue, group, item));
}

uint32_t ItemType(uint32_t group, int32_t item) {
    return GetEntryType(&gResourceArchive, GetResourceIndex(&gResourceCatalogue, group, item));
}

bool IsOgg(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 4 && std::memcmp(bytes.data(), "OggS", 4) == 0;
}

// The picture's size, or (0, 0) when the entry does not decode as a PNG.
std::pair<int32_t, int32_t> PictureSize(uint32_t entry) {
    if (GetEntryType(&gResourceArchive, entry) != RES_TYPE_PNG)
        return {0, 0};
    Image* image = nullptr;
    if (LoadPngResource(&image, &gResourceArchive, entry) == 0 || image == nullptr)
        return {0, 0};
    const std::pair<int32_t, int32_t> size = {image->width, image->height};
    FreeImage(&image);
    return size;
}

// One level's archive chain, read as the level loader reads it.
struct LevelChain {
    uint32_t l = 0, p = 0, part = 0, background = 0, t = 0, t2 = 0;
    std::vector<std::pair<int32_t, int32_t>> destinations;
};

LevelChain ReadChain(int32_t level) {
    LevelChain c;
    const uint32_t a = Word(kLevelIndexEntry);
    const uint32_t b = Word(kTileSetIndexEntry);
    c.l = Word(a + static_cast<uint32_t>(level) - 1);
    c.p = Word(c.l + 1);
    c.part = Word(c.l + 2);
    c.background = ResolveResourceLink(&gResourceArchive, c.l + 3);
    const uint32_t d = Word(c.l + 7);
    for (uint32_t e = c.l + 8; e + 1 <= d; e += 2)
        c.destinations.push_back(
            {static_cast<int32_t>(Word(e)), static_cast<int32_t>(Word(e + 1))});
    c.t = Word(c.p + b - 1);
    c.t2 = Word(c.t + 1);
    return c;
}

// The cells of layer 3 holding `code`.
std::vector<std::pair<int32_t, int32_t>> CellsOf(const TileRunMap& map, int32_t code) {
    std::vector<std::pair<int32_t, int32_t>> cells;
    const TileRunLayer& layer = map.layers[3];
    for (int32_t y = 0; y < layer.rows; ++y)
        for (int32_t x = 0; x < layer.width; ++x)
            if (TileCodeAt(&map, 3, x, y) == code)
                cells.push_back({x, y});
    return cells;
}

class SampleArchiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = std::make_unique<ArchiveBuilder>(BuildSampleArchive());
    }
    static void TearDownTestSuite() { built_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(archive_.Open(*built_, true, false));
        world_ = MakeWorld();
        InitTileRunMap(world_.get());
    }
    void TearDown() override { FreeTileShapes(world_.get()); }

    // Reads the level file at entry `levelFile` into the world's map; false
    // when a layer fails.
    bool LoadMap(uint32_t levelFile) {
        ResourceStream stream{};
        if (OpenResourceStream(&gResourceArchive, &stream, levelFile) == 0)
            return false;
        int16_t layer = 0;
        int32_t result = 0;
        for (int32_t k = 0; k < kTileLayerCount && result == 0; ++k)
            result = LoadTileRunLayer(&world_->map, &layer, &stream);
        CloseResourceStream(&stream);
        ExpandTileRunLayers(&world_->map);
        return result == 1 && layer == kTileLayerCount;
    }

    static std::unique_ptr<ArchiveBuilder> built_;
    GameArchive archive_;
    WorldPtr world_;
};

std::unique_ptr<ArchiveBuilder> SampleArchiveTest::built_;

TEST_F(SampleArchiveTest, CatalogueGroupsHoldThePicturesSoundsAndFonts) {
    EXPECT_EQ(GetEntryType(&gResourceArchive, CATALOGUE_ROOT_ENTRY), RES_TYPE_LINK);
    ASSERT_EQ(gResourceCatalogue.groupCount, SAMPLE_GROUP_COUNT);
    for (uint32_t g = 0; g < SAMPLE_GROUP_COUNT; ++g)
        EXPECT_GE(GetGroupSize(&gResourceCatalogue, g), 1u) << "group " << g;

    ASSERT_EQ(GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_LOADING_PICTURES),
              static_cast<uint32_t>(SAMPLE_LEVEL_COUNT));
    for (int32_t i = 0; i < SAMPLE_LEVEL_COUNT; ++i)
        EXPECT_EQ(
            PictureSize(GetResourceIndex(&gResourceCatalogue, SAMPLE_GROUP_LOADING_PICTURES, i)),
            std::make_pair(800, 600));
    const uint32_t frames = GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_LOADING_ANIMATION);
    EXPECT_GE(frames, 2u);
    for (uint32_t k = 0; k < frames; ++k)
        EXPECT_GT(PictureSize(GetResourceIndex(&gResourceCatalogue, SAMPLE_GROUP_LOADING_ANIMATION,
                                               static_cast<int32_t>(k)))
                      .first,
                  0);

    // The music table's items are sounds of the music group.
    const std::vector<uint8_t> table = Item(SAMPLE_GROUP_MUSIC_TABLE, 0);
    ASSERT_EQ(table.size(), 8u * SAMPLE_LEVEL_COUNT);
    for (size_t at = 0; at < table.size(); at += 8) {
        const int32_t item = GetI32LE(table.data() + at + 4);
        ASSERT_LT(static_cast<uint32_t>(item),
                  GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_MUSIC));
        EXPECT_TRUE(ResourceTypeInClass(ItemType(SAMPLE_GROUP_MUSIC, item), RES_CLASS_SOUND));
        EXPECT_TRUE(IsOgg(Item(SAMPLE_GROUP_MUSIC, item)));
    }
    EXPECT_EQ(ItemType(SAMPLE_GROUP_LEVEL_START_SOUND, 0), RES_TYPE_SOUND_PREDECODED);
    EXPECT_TRUE(IsOgg(Item(SAMPLE_GROUP_LEVEL_START_SOUND, 0)));

    for (uint32_t slot = 0; slot < 8; ++slot) {
        const uint32_t group = SAMPLE_GROUP_FIRST_FONT + slot;
        ASSERT_EQ(GetGroupSize(&gResourceCatalogue, group), 2u);
        EXPECT_GT(PictureSize(GetResourceIndex(&gResourceCatalogue, group, 1)).first, 0);
    }
    EXPECT_EQ(GetGroupSize(&gResourceCatalogue, SAMPLE_GROUP_STATUS_TEXTS), 3u);
}

TEST_F(SampleArchiveTest, FixedEntriesHoldTheWorldListsShapesAndDumpHeader) {
    EXPECT_EQ(GetEntrySize(&gResourceArchive, kCodeTypeEntry), 256u);
    const std::vector<uint8_t> listed = ReadWholeEntry(&gResourceArchive, kTypeListEntry);
    ASSERT_EQ(listed.size(), static_cast<size_t>(kTypeListSize));
    for (uint8_t type : {OBJT_ATTACHED_EFFECT, OBJT_EFFECT, OBJT_SCORE_POPUP, OBJT_PROJECTILE_A,
                         OBJT_PROJECTILE_B})
        EXPECT_NE(std::find(listed.begin(), listed.end(), type), listed.end()) << int{type};

    ASSERT_EQ(LoadTileShapes(world_.get(), &gResourceArchive, kTileShapeEntry), 1);
    auto quarters = [&](uint8_t code) {
        const uint8_t* q = world_->tileShapes[code]->q;
        return std::multiset<uint8_t>(q, q + 16);
    };
    EXPECT_EQ(quarters(SAMPLE_CODE_SOLID).count(1), 16u);
    EXPECT_EQ(quarters(SAMPLE_CODE_SLOPE_UP).count(4), 4u);
    EXPECT_EQ(quarters(SAMPLE_CODE_SLOPE_DOWN).count(5), 4u);
    EXPECT_EQ(quarters(SAMPLE_CODE_ONE_WAY).count(8), 4u);
    EXPECT_EQ(world_->tileShapes[SAMPLE_CODE_ONE_WAY]->q[0], 8);
    EXPECT_EQ(quarters(0).count(0), 16u);

    // Entry 19: an 800 x 600, 24-bit, bottom-up BMP header and zeroed room
    // for the pixels, stored compressed.
    EXPECT_TRUE(IsEntryCompressed(&gResourceArchive, kDumpHeaderEntry));
    EXPECT_LT(GetEntryStoredSize(&gResourceArchive, kDumpHeaderEntry), 64u * 1024u);
    const std::vector<uint8_t> dump = ReadWholeEntry(&gResourceArchive, kDumpHeaderEntry);
    ASSERT_EQ(dump.size(), 1440054u);
    const uint8_t* h = dump.data();
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(GetU32LE(h + 2), 1440054u);
    EXPECT_EQ(GetU32LE(h + 10), 54u);
    EXPECT_EQ(GetU32LE(h + 14), 40u);
    EXPECT_EQ(GetI32LE(h + 18), 800);
    EXPECT_EQ(GetI32LE(h + 22), 600);
    EXPECT_EQ(GetU16LE(h + 26), 1u);
    EXPECT_EQ(GetU16LE(h + 28), 24u);
    EXPECT_EQ(GetU32LE(h + 30), 0u);
    EXPECT_EQ(GetU32LE(h + 34), 1440000u);
    EXPECT_TRUE(std::all_of(dump.begin() + 54, dump.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(SampleArchiveTest, LevelTableAndCameraRecordsHoldEveryLevel) {
    const std::vector<uint8_t> table = Item(0, 0);
    ASSERT_EQ(table.size(), 256u * 4u);
    auto word = [&](int32_t n) { return GetI32LE(table.data() + 4 * n); };
    for (int32_t n : {2, 4, 22, 104, 128, 129, 130, 131, 137, 138, 139, 140, 148, 162})
        EXPECT_GE(word(n), 2) << "divisor word " << n;
    // Reaching the stage behind the ending completes the game, so the last
    // level is played; its tally counts from its own start.
    EXPECT_EQ(word(kLastLevelWord), SAMPLE_ENDING_LEVEL);
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t level = word(kFirstScoreLevelWord + i);
        EXPECT_TRUE(level == 0 || (level >= 2 && level <= SAMPLE_ENDING_LEVEL))
            << "score level " << i;
    }
    EXPECT_EQ(word(kFirstScoreLevelWord), SAMPLE_CHASE_LEVEL);
    EXPECT_EQ(word(kFirstScoreLevelWord + 2), SAMPLE_LAST_LEVEL);
    EXPECT_EQ(word(kFirstScoreLevelWord + 3), SAMPLE_ENDING_LEVEL);

    const std::vector<uint8_t> records = Item(0, 1);
    ASSERT_EQ(records.size(), 16u * (SAMPLE_LEVEL_COUNT + 2));
    for (int32_t level = 0; level <= SAMPLE_LEVEL_COUNT; ++level)
        for (int32_t v = 8 * level + 8; v < 8 * level + 16; ++v)
            EXPECT_GT(GetI16LE(records.data() + 2 * v), 0) << "level " << level << " value " << v;
}

TEST_F(SampleArchiveTest, EveryLevelResolvesLoadsAndLeadsToLevelsThatExist) {
    ASSERT_EQ(LoadTileShapes(world_.get(), &gResourceArchive, kTileShapeEntry), 1);
    const std::vector<uint8_t> codeTypes = ReadWholeEntry(&gResourceArchive, kCodeTypeEntry);
    ASSERT_EQ(codeTypes.size(), 256u);
    std::set<int32_t> placedTypes;
    // Levels and the entries their destinations name, checked once every
    // map is read.
    std::vector<std::vector<int32_t>> entryCodes(SAMPLE_LEVEL_COUNT + 1);
    std::vector<std::pair<int32_t, int32_t>> wanted;

    for (int32_t v = 1; v <= SAMPLE_LEVEL_COUNT; ++v) {
        SCOPED_TRACE("level " + std::to_string(v));
        const LevelChain c = ReadChain(v);
        EXPECT_EQ(c.part, 1u);
        EXPECT_EQ(PictureSize(c.background), std::make_pair(800, 600));
        ASSERT_TRUE(LoadMap(c.l));
        const TileRunMap& map = world_->map;
        EXPECT_GE(map.layers[2].width * 32, 800);
        EXPECT_GE(map.layers[2].rows * 32, 600);

        // Every drawn code has a 32 x 32 tile picture, its own or its
        // substitute's, and an entry in the tile set (the loader looks at
        // no code past the last).
        const std::vector<uint8_t> substitutes = ReadWholeEntry(&gResourceArchive, c.t);
        ASSERT_EQ(substitutes.size(), 256u);
        std::set<int32_t> drawn;
        for (int32_t layer = 0; layer < 3; ++layer)
            for (int32_t y = 0; y < map.layers[layer].rows; ++y)
                for (int32_t x = 0; x < map.layers[layer].width; ++x)
                    if (TileCodeAt(&map, layer, x, y) > 0)
                        drawn.insert(TileCodeAt(&map, layer, x, y));
        EXPECT_FALSE(drawn.empty());
        for (int32_t code : drawn) {
            ASSERT_LE(c.t + 2 + static_cast<uint32_t>(code), c.t2) << "code " << code;
            const int32_t shown = substitutes[static_cast<size_t>(code)] != 0
                                      ? substitutes[static_cast<size_t>(code)]
                                      : code;
            EXPECT_EQ(PictureSize(c.t + 2 + static_cast<uint32_t>(shown)), std::make_pair(32, 32))
                << "code " << code;
        }
        // The slope's mirrored twin stands where the ground falls to the
        // right, on the first playable level and the last.
        EXPECT_EQ(substitutes[SAMPLE_TILE_SLOPE_DOWN_TWIN], SAMPLE_TILE_SLOPE_UP);
        int32_t twins = 0;
        for (int32_t y = 0; y < map.layers[1].rows; ++y)
            for (int32_t x = 0; x < map.layers[1].width; ++x)
                if (TileCodeAt(&map, 1, x, y) == SAMPLE_TILE_SLOPE_DOWN_TWIN) {
                    ++twins;
                    EXPECT_EQ(TileCodeAt(&map, 3, x, y), SAMPLE_CODE_SLOPE_DOWN) << x << ", " << y;
                }
        EXPECT_EQ(twins, v == 2 || v == SAMPLE_LAST_LEVEL ? 1 : 0);

        // One player cell, and the entry a level is entered by from the
        // menus standing on the ground.
        EXPECT_EQ(codeTypes[SAMPLE_CODE_PLAYER], OBJT_PLAYER);
        EXPECT_EQ(CellsOf(map, SAMPLE_CODE_PLAYER).size(), 1u);
        const auto entries = CellsOf(map, SAMPLE_CODE_ENTRY);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(TileCodeAt(&map, 3, entries[0].first, entries[0].second + 1), SAMPLE_CODE_SOLID);

        for (int32_t y = 0; y < map.layers[3].rows; ++y)
            for (int32_t x = 0; x < map.layers[3].width; ++x) {
                const int32_t code = TileCodeAt(&map, 3, x, y);
                if (code >= 1 && code <= 127) {
                    ASSERT_NE(codeTypes[static_cast<size_t>(code)], 0) << "code " << code;
                    placedTypes.insert(codeTypes[static_cast<size_t>(code)]);
                }
                if (code >= 1 && code <= 6)
                    entryCodes[static_cast<size_t>(v)].push_back(code);
                // An exit leads through the destination its code names.
                if (code >= 1 && codeTypes[static_cast<size_t>(code)] == SAMPLE_TYPE_EXIT) {
                    ASSERT_GE(code, 2);
                    ASSERT_LE(code, 6);
                    ASSERT_LT(static_cast<size_t>(code), c.destinations.size());
                    wanted.push_back(c.destinations[static_cast<size_t>(code)]);
                }
            }
        for (const auto& [level, entry] : c.destinations)
            wanted.push_back({level, entry});
        FreeTileRunMap(&world_->map);
        InitTileRunMap(world_.get());
    }
    for (const auto& [level, entry] : wanted) {
        ASSERT_GE(level, 1);
        ASSERT_LE(level, SAMPLE_LEVEL_COUNT);
        const auto& codes = entryCodes[static_cast<size_t>(level)];
        EXPECT_TRUE(std::find(codes.begin(), codes.end(), entry + 1) != codes.end())
            << "level " << level << " has no entry " << entry;
    }
    EXPECT_EQ(placedTypes,
              (std::set<int32_t>{OBJT_PLAYER, OBJT_PICKUP, OBJT_INERT, SAMPLE_TYPE_EXIT,
                                 SAMPLE_TYPE_CHASE_START, SAMPLE_TYPE_CHASE_STOP,
                                 SAMPLE_TYPE_HAZARD, SAMPLE_TYPE_PIPE, SAMPLE_TYPE_BASIN,
                                 SAMPLE_TYPE_LEVER, SAMPLE_TYPE_TARGET_A, SAMPLE_TYPE_TARGET_B,
                                 SAMPLE_TYPE_PLATFORM, SAMPLE_TYPE_RESTART_POINT}));
}

TEST_F(SampleArchiveTest, EveryTypeTheWorldLoadsHasItsMediaSet) {
    const std::vector<uint8_t> listed = ReadWholeEntry(&gResourceArchive, kTypeListEntry);
    std::set<int32_t> types(listed.begin(), listed.end());
    const std::vector<uint8_t> codeTypes = ReadWholeEntry(&gResourceArchive, kCodeTypeEntry);
    types.insert(codeTypes.begin(), codeTypes.end());
    // Exits, entry markers and restart points have no media: their chain
    // entries are 0.
    const int32_t unseen[] = {SAMPLE_TYPE_EXIT, OBJT_INERT, SAMPLE_TYPE_RESTART_POINT};
    types.erase(0);
    for (int32_t type : unseen) {
        types.erase(type);
        EXPECT_EQ(LoadMediaSet(world_.get(), type), 1);
        EXPECT_LT(FindMediaSetIndex(world_.get(), type), 0);
    }

    for (int32_t type : types) {
        SCOPED_TRACE("type " + std::to_string(type));
        ASSERT_EQ(LoadMediaSet(world_.get(), type), 1);
        const int32_t index = FindMediaSetIndex(world_.get(), type);
        ASSERT_GE(index, 0);
        const MediaSet& set = world_->mediaSets[index];
        EXPECT_GE(set.lastScript, 0);
        ASSERT_GE(set.lastSprite, 0);
        for (int32_t n = 0; n <= set.lastSprite; ++n) {
            EXPECT_GE(set.sprites[n].lastKey, 0) << "sprite " << n;
            EXPECT_EQ(set.sprites[n].keys[0].key, kHurtBoxKey) << "sprite " << n;
            EXPECT_GT(PictureSize(static_cast<uint32_t>(set.firstImageEntry + n)).first, 0)
                << "sprite " << n;
        }
        for (int32_t n = 0; n <= set.lastSound; ++n) {
            const uint32_t entry = static_cast<uint32_t>(set.firstSoundEntry + n);
            EXPECT_TRUE(
                ResourceTypeInClass(GetEntryType(&gResourceArchive, entry), RES_CLASS_SOUND));
            EXPECT_TRUE(IsOgg(ReadWholeEntry(&gResourceArchive, entry)));
        }
    }

    // The player: a script for every state of both costumes, a jump that
    // takes off upwards, and one throwing picture with an action point.
    const MediaSet& player = world_->mediaSets[FindMediaSetIndex(world_.get(), OBJT_PLAYER)];
    EXPECT_EQ(player.lastScript + 1, SAMPLE_PLAYER_SCRIPTS);
    EXPECT_LT(GetScriptInstruction(world_.get(), OBJT_PLAYER, 2, 0).dy, 0);
    EXPECT_LT(GetScriptInstruction(world_.get(), OBJT_PLAYER, 32, 0).dy, 0);
    int32_t actionPoints = 0;
    for (int32_t n = 0; n <= player.lastSprite; ++n) {
        const SpriteKeyRecord* record = nullptr;
        if (FindRecordByKey(&player.sprites[n], kActionPointKey, &record) >= 0) {
            ++actionPoints;
            EXPECT_NE(record->velocityX, 0);
        }
        EXPECT_GE(FindRecordByKey(&player.sprites[n], kStandBoxKey, &record), 0);
    }
    EXPECT_EQ(actionPoints, 1);
    const MediaSet& pickup = world_->mediaSets[FindMediaSetIndex(world_.get(), OBJT_PICKUP)];
    EXPECT_GE(pickup.lastScript, 1); // waiting and taken
    EXPECT_GE(pickup.lastSound, 0);

    // The chased character: a script for each of its states (a missing one
    // ends the program), every picture with its box and its point, and the
    // strike frame with its key 4.
    const MediaSet& chased = world_->mediaSets[FindMediaSetIndex(world_.get(), OBJT_CHASED)];
    EXPECT_EQ(chased.lastScript + 1, SAMPLE_CHASED_SCRIPTS);
    int32_t strikes = 0;
    for (int32_t n = 0; n <= chased.lastSprite; ++n) {
        const SpriteKeyRecord* record = nullptr;
        EXPECT_GE(FindRecordByKey(&chased.sprites[n], kStandBoxKey, &record), 0) << n;
        strikes += FindRecordByKey(&chased.sprites[n], kActionPointKey, &record) >= 0 ? 1 : 0;
    }
    EXPECT_EQ(strikes, 1);

    // Pipe segments: the points of each shape's stream, then the script
    // whose instruction s names shape s's sprite.
    const MediaSet& pipe = world_->mediaSets[FindMediaSetIndex(world_.get(), SAMPLE_TYPE_PIPE)];
    const int32_t shapes = SAMPLE_CODE_PIPE_DROP - 228 + 1;
    ASSERT_EQ(pipe.lastScript, shapes + 1);
    for (int32_t s = 0; s < shapes; ++s) {
        const int32_t sprite = GetScriptInstruction(world_.get(), SAMPLE_TYPE_PIPE, shapes, s).a;
        EXPECT_EQ(sprite, s);
        for (int32_t i = 0; i < 3; ++i) {
            const ScriptInstruction point =
                GetScriptInstruction(world_.get(), SAMPLE_TYPE_PIPE, s, i);
            EXPECT_TRUE(point.dx >= 0 && point.dx <= 32 && point.dy >= 0 && point.dy <= 32)
                << "shape " << s << " point " << i;
        }
    }
}

} // namespace
