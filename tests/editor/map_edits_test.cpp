// Rows and columns inserted into and deleted from one layer of a map built
// by hand in its expanded form, one table of cases: the shape after each
// edit, every cell, and the expanded form kept (one numbered run per cell).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "editor/map_edits.h"
#include "world/tile_map.h"

namespace {

using MapEdit = int32_t (*)(int32_t, int32_t, uint32_t, TileRunMap*);

// Rows of characters, '.' the zero code.
using Rows = std::vector<std::string>;

// An expanded map whose layer 1 holds `rows`, built the way the loader's
// expansion leaves a layer; the other layers are empty.
class HandMap {
public:
    explicit HandMap(const Rows& rows, int32_t width = -1) {
        map_.expanded = 1;
        TileRunLayer& l = map_.layers[1];
        l.rows = static_cast<int16_t>(rows.size());
        l.width = static_cast<int16_t>(width >= 0 ? width : (rows.empty() ? 0 : rows[0].size()));
        if (rows.empty())
            return;
        l.rowRuns = static_cast<TileRun**>(std::calloc(rows.size() + 1, sizeof(TileRun*)));
        l.runCounts = static_cast<int16_t*>(std::calloc(rows.size() + 1, sizeof(int16_t)));
        for (size_t r = 0; r < rows.size(); ++r) {
            auto* row = static_cast<TileRun*>(std::calloc(l.width + 1, sizeof(TileRun)));
            for (int32_t c = 0; c < l.width; ++c)
                row[c] = {static_cast<uint16_t>(c), 0,
                          static_cast<uint8_t>(rows[r][c] == '.' ? 0 : rows[r][c])};
            l.rowRuns[r] = row;
            l.runCounts[r] = l.width;
        }
    }
    ~HandMap() { FreeTileRunMap(&map_); }
    HandMap(const HandMap&) = delete;
    HandMap& operator=(const HandMap&) = delete;

    TileRunMap* get() { return &map_; }
    const TileRunLayer& layer() const { return map_.layers[1]; }

    // The cells as rows of characters, checking the expanded form on the way.
    Rows Cells() const {
        Rows out;
        const TileRunLayer& l = layer();
        for (int32_t r = 0; r < l.rows; ++r) {
            EXPECT_EQ(l.runCounts[r], l.width) << "row " << r;
            std::string row;
            for (int32_t c = 0; c < l.width; ++c) {
                const TileRun& run = l.rowRuns[r][c];
                EXPECT_EQ(run.firstColumn, c) << "row " << r;
                EXPECT_EQ(run.extra, 0) << "row " << r;
                row.push_back(run.code == 0 ? '.' : static_cast<char>(run.code));
            }
            out.push_back(row);
        }
        return out;
    }

private:
    TileRunMap map_{};
};

Rows Letters(int32_t n) {
    Rows rows;
    for (int32_t r = 0; r < n; ++r)
        rows.push_back(std::string(1, static_cast<char>('a' + r)));
    return rows;
}

struct EditCase {
    const char* name;
    MapEdit edit;
    int32_t position;
    int32_t count;
    Rows before;
    int32_t result;
    Rows after;
    uint32_t layer = 1;
};

const EditCase kCases[] = {
    {"columns_repeat_the_cells_at_the_point", InsertMapColumns, 5, 2, {"abcdefghij", "0123456789"},
     1, {"abcdefgfghij", "012345656789"}},
    {"columns_past_the_end_go_before_the_last", InsertMapColumns, 20, 2, {"abc"}, 1, {"abc.c"}},
    {"columns_at_zero", InsertMapColumns, 0, 1, {"xy"}, 1, {"xxy"}},
    {"rows_past_the_end_clamp_to_the_last", InsertMapRows, 20, 2, Letters(10), 1,
     {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", ".", "j"}},
    {"rows_repeat_the_rows_at_the_point", InsertMapRows, 1, 2, {"ab", "cd", "ef"}, 1,
     {"ab", "cd", "ef", "cd", "ef"}},
    {"deleting_rows_keeps_the_last", DeleteMapRows, 8, 5, Letters(10), 1,
     {"a", "b", "c", "d", "e", "f", "g", "h", "j"}},
    {"deleting_rows_in_the_middle", DeleteMapRows, 1, 2, Letters(5), 1, {"a", "d", "e"}},
    {"deleting_the_last_row_does_nothing", DeleteMapRows, 9, 1, Letters(10), 0, Letters(10)},
    {"deleting_columns", DeleteMapColumns, 3, 2, {"abcdef"}, 1, {"abcf"}},
    {"deleting_columns_keeps_the_last", DeleteMapColumns, 4, 10, {"abcdef"}, 1, {"abcdf"}},
    {"deleting_the_only_column_does_nothing", DeleteMapColumns, 0, 1, {"a", "b"}, 0, {"a", "b"}},
    {"negative_row_insert", InsertMapRows, -1, 1, {"ab"}, 0, {"ab"}},
    {"negative_row_delete", DeleteMapRows, -1, 1, {"ab", "cd"}, 0, {"ab", "cd"}},
    {"negative_column_insert", InsertMapColumns, -3, 1, {"ab"}, 0, {"ab"}},
    {"negative_column_delete", DeleteMapColumns, -1, 1, {"abc"}, 0, {"abc"}},
    {"no_count", InsertMapColumns, 0, 0, {"ab"}, 0, {"ab"}},
    {"negative_count", DeleteMapRows, 0, -4, {"ab", "cd"}, 0, {"ab", "cd"}},
    {"count_that_would_pass_the_end_of_the_integers", DeleteMapColumns, 2, 2147483647,
     {"abcdef"}, 1, {"abf"}},
    {"too_wide_for_a_level_file", InsertMapColumns, 0, 1022, {"ab"}, 0, {"ab"}},
    {"too_tall_for_a_level_file", InsertMapRows, 0, 1023, {"ab"}, 0, {"ab"}},
    {"no_such_layer", InsertMapRows, 0, 1, {"ab"}, 0, {"ab"}, 4},
};

class MapEditCase : public testing::TestWithParam<EditCase> {};

TEST_P(MapEditCase, GivesTheCellsOfTheTable) {
    const EditCase& c = GetParam();
    HandMap map(c.before);
    EXPECT_EQ(c.edit(c.position, c.count, c.layer, map.get()), c.result);
    EXPECT_EQ(map.Cells(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Edits, MapEditCase, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<EditCase>& info) {
                             return info.param.name;
                         });

TEST(MapEdits, RowsInsertedIntoAnEmptyLayerHaveItsWidth) {
    HandMap map({}, 3);
    EXPECT_EQ(InsertMapRows(7, 2, 1, map.get()), 1);
    EXPECT_EQ(map.Cells(), (Rows{"...", "..."}));
    EXPECT_EQ(InsertMapColumns(1, 1, 1, map.get()), 1);
    EXPECT_EQ(map.Cells(), (Rows{"....", "...."}));
}

TEST(MapEdits, AMapNotExpandedIsLeftAlone) {
    HandMap map({"ab", "cd"});
    map.get()->expanded = 0;
    for (MapEdit edit : {InsertMapRows, DeleteMapRows, InsertMapColumns, DeleteMapColumns})
        EXPECT_EQ(edit(0, 1, 1, map.get()), 0);
    map.get()->expanded = 1;
    EXPECT_EQ(map.Cells(), (Rows{"ab", "cd"}));
}

// An insertion followed by a deletion at the same place gives the layer back.
TEST(MapEdits, DeletingWhatWasInsertedRestoresTheLayer) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t width = 1 + static_cast<int32_t>(random() % 12);
        const int32_t height = 1 + static_cast<int32_t>(random() % 12);
        Rows rows(height, std::string(width, '.'));
        for (std::string& row : rows)
            for (char& c : row)
                c = "ab.c"[random() % 4];
        HandMap map(rows);
        const bool columns = random() % 2 == 0;
        const int32_t size = columns ? width : height;
        const int32_t position = static_cast<int32_t>(random() % size);
        const int32_t count = 1 + static_cast<int32_t>(random() % 3);
        if (columns) {
            ASSERT_EQ(InsertMapColumns(position, count, 1, map.get()), 1);
            ASSERT_EQ(DeleteMapColumns(position, count, 1, map.get()), 1);
        } else {
            ASSERT_EQ(InsertMapRows(position, count, 1, map.get()), 1);
            ASSERT_EQ(DeleteMapRows(position, count, 1, map.get()), 1);
        }
        ASSERT_EQ(map.Cells(), rows) << "trial " << trial;
    }
}

} // namespace
