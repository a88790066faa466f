// Rows and columns inserted and deleted, and the map saved as a level file,
// all on maps the loader read and expanded: a table of edits, the runs a
// row is saved as, random maps through the saver and the loader and back,
// and what is refused.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <random>

#include "editor/level_saver.h"
#include "editor/map_edits.h"
#include "engine/bytes.h"
#include "tests/editor/editor_fixture.h"
#include "tests/world/game_run.h"

namespace {

using Rows = std::vector<std::string>;
using MapEdit = int32_t (*)(int32_t, int32_t, uint32_t, TileRunMap*);

std::array<LevelLayerGrid, 4> OnLayer1(const Rows& rows) {
    const LevelLayerGrid one = FilledLayer(1, 1, 0);
    return {one, GridOf(rows), one, one};
}

Rows Letters(int32_t n) {
    Rows rows;
    for (int32_t r = 0; r < n; ++r)
        rows.push_back(std::string(1, static_cast<char>('a' + r)));
    return rows;
}

struct EditCase {
    const char* name;
    MapEdit edit;
    int32_t position, count;
    Rows before;
    int32_t result;
    Rows after;
    uint32_t layer = 1;
};

const EditCase kEdits[] = {
    {"columns repeat the cells at the point", InsertMapColumns, 5, 2, {"abcdefghij", "0123456789"},
     1, {"abcdefgfghij", "012345656789"}},
    {"new rows copy the rows from the point on", InsertMapRows, 2, 3, Letters(6), 1,
     {"a", "b", "c", "d", "e", "c", "d", "e", "f"}},
    {"rows past the end go in at the last", InsertMapRows, 20, 2, Letters(10), 1,
     {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", ".", "j"}},
    {"deleting rows keeps the last", DeleteMapRows, 8, 5, Letters(10), 1,
     {"a", "b", "c", "d", "e", "f", "g", "h", "j"}},
    {"deleting the last row does nothing", DeleteMapRows, 9, 1, Letters(10), 0, Letters(10)},
    {"a count past the integers", DeleteMapColumns, 2, INT_MAX, {"abcdef"}, 1, {"abf"}},
    {"negative row insert", InsertMapRows, -1, 1, {"ab"}, 0, {"ab"}},
    {"negative row delete", DeleteMapRows, -1, 1, {"ab", "cd"}, 0, {"ab", "cd"}},
    {"negative column insert", InsertMapColumns, -3, 1, {"ab"}, 0, {"ab"}},
    {"negative column delete", DeleteMapColumns, -1, 1, {"abc"}, 0, {"abc"}},
    {"negative count", DeleteMapRows, 0, -4, {"ab", "cd"}, 0, {"ab", "cd"}},
    {"too wide for a level file", InsertMapColumns, 0, 1022, {"ab"}, 0, {"ab"}},
    {"too tall for a level file", InsertMapRows, 0, 1023, {"ab"}, 0, {"ab"}},
    {"no such layer", InsertMapRows, 0, 1, {"ab"}, 0, {"ab"}, 4},
};

TEST(MapEdits, GiveTheCellsOfTheTable) {
    for (const EditCase& c : kEdits) {
        SCOPED_TRACE(c.name);
        LevelWorld level(OnLayer1(c.before));
        EXPECT_EQ(c.edit(c.position, c.count, c.layer, &level.get()->map), c.result);
        EXPECT_EQ(RowsOf(level.get()->map, 1), c.after);
    }
}

TEST(MapEdits, RowsInsertedIntoAnEmptyLayerHaveItsWidth) {
    LevelWorld level(OnLayer1({"abc"}));
    TileRunLayer& layer = level.get()->map.layers[1];
    std::free(layer.rowRuns[0]);
    layer.rows = 0;
    EXPECT_EQ(InsertMapRows(7, 2, 1, &level.get()->map), 1);
    EXPECT_EQ(RowsOf(level.get()->map, 1), (Rows{"...", "..."}));
}

using Runs = std::vector<std::array<int32_t, 3>>;

// The runs of a one-row layer 3 saved after three one-cell layers.
Runs SavedRuns(const std::vector<uint8_t>& codes) {
    LevelLayerGrid row{static_cast<int32_t>(codes.size()), 1, codes, {}};
    const LevelLayerGrid one = FilledLayer(1, 1, 0);
    LevelWorld level({one, one, one, row});
    std::vector<uint8_t> file;
    EXPECT_TRUE(BuildLevelFile(level.get()->map, &file, nullptr));
    Runs runs;
    for (size_t at = 3 * (16 + 8 + 4) + 16 + 8; at + 4 <= file.size(); at += 4)
        runs.push_back({GetU16LE(&file[at]), file[at + 2], file[at + 3]});
    return runs;
}

TEST(LevelSaver, EqualNeighboursJoinInRunsOfAtMost256) {
    EXPECT_EQ(SavedRuns(std::vector<uint8_t>(600, 7)), (Runs{{0, 255, 7}, {256, 255, 7}, {512, 87, 7}}));
    EXPECT_EQ(SavedRuns({1, 1, 2, 1}), (Runs{{0, 1, 1}, {2, 0, 2}, {3, 0, 1}}));
}

// The map as saved, read back by the loader's reader and expanded.
void ExpectSavedAsHeld(const TileRunMap& map) {
    std::vector<uint8_t> file;
    ASSERT_TRUE(BuildLevelFile(map, &file, nullptr));
    ArchiveBuilder builder;
    builder.AddPlain(3, file);
    MemoryArchive archive(builder);
    TileRunMap back{};
    EXPECT_EQ(ReadLevel(&back, archive.get(), 0), 1);
    ExpandTileRunLayers(&back);
    for (int32_t l = 0; l < 4; ++l)
        EXPECT_EQ(RowsOf(back, l), RowsOf(map, l)) << "layer " << l;
    FreeTileRunMap(&back);
}

// Random maps: saved byte for byte as the sample's level writer writes
// them; after an insertion saved so that the loader reads the same cells;
// after deleting what was inserted, the map as it was.
TEST(LevelSaver, RandomMapsSurviveSavingInsertingAndDeleting) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        std::array<LevelLayerGrid, 4> layers;
        for (LevelLayerGrid& grid : layers) {
            grid.width = 1 + static_cast<int32_t>(random() % (trial < 5 ? 700 : 40));
            grid.rows = 1 + static_cast<int32_t>(random() % 20);
            uint8_t code = 0; // long stretches, so runs of every length appear
            for (int32_t i = 0; i < grid.width * grid.rows; ++i) {
                if (random() % 9 == 0)
                    code = static_cast<uint8_t>(random() % 4 == 0 ? random() % 256 : 33 + random() % 3);
                grid.codes.push_back(code);
            }
            for (uint8_t& b : grid.extraHeader)
                b = static_cast<uint8_t>(random());
        }
        LevelWorld level(layers);
        TileRunMap& map = level.get()->map;
        std::vector<uint8_t> file;
        ASSERT_TRUE(BuildLevelFile(map, &file, nullptr));
        EXPECT_EQ(file, WriteLevelFile(layers));

        const uint32_t l = random() % 4;
        const bool columns = random() % 2 == 0;
        const int32_t position = random() % (columns ? layers[l].width : layers[l].rows);
        const int32_t count = 1 + random() % 3;
        ASSERT_EQ((columns ? InsertMapColumns : InsertMapRows)(position, count, l, &map), 1);
        ExpectSavedAsHeld(map);
        ASSERT_EQ((columns ? DeleteMapColumns : DeleteMapRows)(position, count, l, &map), 1);
        ASSERT_TRUE(BuildLevelFile(map, &file, nullptr));
        EXPECT_EQ(file, WriteLevelFile(layers));
    }
}

// Nothing is done to a map not in its expanded form, no map the loader
// could not read back is saved, and a save that fails says so and keeps
// the old file.
TEST(LevelSaver, RefusalsAreSaidAndKeepTheOldFile) {
    ScopedTempDir folder;
    LevelWorld level(SmallLevel());
    TileRunMap* map = &level.get()->map;
    std::ofstream("level.lvl") << "old";
    ASSERT_EQ(chmod("level.lvl", 0444), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SaveLevelFile("level.lvl", map), 0);
    ASSERT_EQ(chmod("level.lvl", 0644), 0);
    map->expanded = 0;
    for (MapEdit edit : {InsertMapRows, DeleteMapRows, InsertMapColumns, DeleteMapColumns})
        EXPECT_EQ(edit(0, 1, 1, map), 0);
    EXPECT_EQ(SaveLevelFile("level.lvl", map), 0);
    map->expanded = 1;
    map->layers[2].width = 1024;
    EXPECT_EQ(SaveLevelFile("level.lvl", map), 0);
    EXPECT_EQ(SaveLevelFile("level\x1b[2J\n\x9b.lvl", map), 0);
    map->layers[2].width = 12;
    EXPECT_EQ(SaveLevelFile("no/such/folder/level.lvl", map), 0);
    EXPECT_EQ(SaveLevelFile("", map), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot save level.lvl: the file is read-only; it is left as it was.\n"
              "Level file level.lvl not saved: the map is not expanded\n"
              "Level file level.lvl not saved: layer 2 is 1024 x 8 cells (1 to 1023 each way)\n"
              "Level file level?[2J??.lvl not saved: layer 2 is 1024 x 8 cells (1 to 1023 each "
              "way)\n"
              "Cannot save no/such/folder/level.lvl: No such file or directory.\n"
              "Level not saved: the level has no file name\n");
    EXPECT_EQ(game_run::ReadFileBytes("level.lvl"), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

} // namespace
