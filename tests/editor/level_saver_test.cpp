// The level saver against the loader: runs as the file holds them, random
// maps saved and read back by the loader's own layer reader, the sample
// writer's files saved again byte for byte, and saves that fail keeping
// the old file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

#include "editor/level_saver.h"
#include "engine/bytes.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"

namespace {

struct SavedRun {
    uint16_t first;
    uint8_t extra;
    uint8_t code;
    bool operator==(const SavedRun& o) const {
        return first == o.first && extra == o.extra && code == o.code;
    }
};

// The runs of row 0 of layer 3 in a saved file whose layers 0 to 2 are one
// cell each (24 bytes a layer).
std::vector<SavedRun> FirstRowRuns(const std::vector<uint8_t>& file) {
    constexpr size_t kOneCellLayer = 16 + 8 + 4;
    const uint8_t* layer = file.data() + 3 * kOneCellLayer;
    const int32_t rows = GetI16LE(layer + 2);
    const uint8_t* offsets = layer + 16;
    const uint8_t* runs = offsets + 4 * (rows + 1);
    std::vector<SavedRun> out;
    for (uint32_t at = GetU32LE(offsets); at < GetU32LE(offsets + 4); at += 4)
        out.push_back({GetU16LE(runs + at), runs[at + 2], runs[at + 3]});
    return out;
}

std::vector<uint8_t> SaveOneRow(const std::vector<uint8_t>& codes) {
    LevelLayerGrid row;
    row.width = static_cast<int32_t>(codes.size());
    row.rows = 1;
    row.codes = codes;
    const LevelLayerGrid one = FilledLayer(1, 1, 0);
    LevelWorld level({one, one, one, row});
    std::vector<uint8_t> file;
    EXPECT_TRUE(BuildLevelFile(level.get()->map, &file, nullptr));
    return file;
}

TEST(LevelSaver, SixHundredEqualCellsAreThreeRunsOfAtMost256) {
    const std::vector<SavedRun> expected = {{0, 255, 7}, {256, 255, 7}, {512, 87, 7}};
    EXPECT_EQ(FirstRowRuns(SaveOneRow(std::vector<uint8_t>(600, 7))), expected);
}

TEST(LevelSaver, EqualNeighboursJoinAndOthersStartRuns) {
    const std::vector<SavedRun> expected = {{0, 1, 1}, {2, 0, 2}, {3, 0, 1}};
    EXPECT_EQ(FirstRowRuns(SaveOneRow({1, 1, 2, 1})), expected);
}

// Random maps through the saver, then the loader's reader and expansion.
TEST(LevelSaver, RandomMapsReadBackWithTheSameCellsAndHeaders) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 40; ++trial) {
        std::array<LevelLayerGrid, 4> layers;
        for (LevelLayerGrid& grid : layers) {
            grid.width = 1 + static_cast<int32_t>(random() % (trial < 5 ? 700 : 40));
            grid.rows = 1 + static_cast<int32_t>(random() % 20);
            // Long stretches of few codes, so runs of every length appear.
            uint8_t code = 0;
            for (int32_t i = 0; i < grid.width * grid.rows; ++i) {
                if (random() % 9 == 0)
                    code = static_cast<uint8_t>(random() % 4 == 0 ? random() % 256 : random() % 3);
                grid.codes.push_back(code);
            }
            for (uint8_t& b : grid.extraHeader)
                b = static_cast<uint8_t>(random());
        }
        LevelWorld saved(layers);
        std::vector<uint8_t> file;
        ASSERT_TRUE(BuildLevelFile(saved.get()->map, &file, nullptr));

        ArchiveBuilder builder;
        builder.AddPlain(3, file);
        MemoryArchive archive(builder);
        TileRunMap back{};
        ASSERT_EQ(ReadLevel(&back, archive.get(), 0), 1) << "trial " << trial;
        ExpandTileRunLayers(&back);
        for (int32_t l = 0; l < 4; ++l) {
            EXPECT_EQ(RowsOf(back, l), RowsOf(saved.get()->map, l)) << "trial " << trial;
            EXPECT_EQ(back.layers[l].width, layers[l].width);
            EXPECT_EQ(back.layers[l].rows, layers[l].rows);
            EXPECT_EQ(0, std::memcmp(back.layers[l].extraHeader, layers[l].extraHeader.data(), 12));
        }
        FreeTileRunMap(&back);
    }
}

TEST(LevelSaver, ALevelFileOfTheSampleWriterIsSavedAgainByteForByte) {
    const std::array<LevelLayerGrid, 4> layers = SmallLevel();
    LevelWorld level(layers);
    std::vector<uint8_t> file;
    ASSERT_TRUE(BuildLevelFile(level.get()->map, &file, nullptr));
    EXPECT_EQ(file, WriteLevelFile(layers));
}

TEST(LevelSaver, MapsTheLoaderCouldNotReadAreNotSaved) {
    LevelWorld level(SmallLevel());
    TileRunMap& map = level.get()->map;
    std::vector<uint8_t> file;
    std::string why;
    map.expanded = 0;
    EXPECT_FALSE(BuildLevelFile(map, &file, &why));
    EXPECT_EQ(why, "the map is not expanded");
    map.expanded = 1;
    const int16_t width = map.layers[2].width;
    map.layers[2].width = 1024;
    EXPECT_FALSE(BuildLevelFile(map, &file, &why));
    EXPECT_EQ(why, "layer 2 is 1024 x 8 cells (1 to 1023 each way)");
    map.layers[2].width = width;
    EXPECT_TRUE(BuildLevelFile(map, &file, &why));
}

class LevelSaverFile : public testing::Test {
protected:
    void WriteOld() {
        std::ofstream("level.lvl", std::ios::binary) << "old level";
    }
    std::string Contents() {
        const std::vector<uint8_t> bytes = game_run::ReadFileBytes("level.lvl");
        return std::string(bytes.begin(), bytes.end());
    }
    ScopedTempDir folder_;
    LevelWorld level_{SmallLevel()};
};

TEST_F(LevelSaverFile, AFailedSaveKeepsTheOldFile) {
    WriteOld();
    // Made read-only on purpose: never written over.
    ASSERT_EQ(chmod("level.lvl", 0444), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SaveLevelFile("level.lvl", &level_.get()->map), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("level.lvl not saved"),
              std::string::npos);
    EXPECT_EQ(Contents(), "old level");

    ASSERT_EQ(chmod("level.lvl", 0644), 0);
    level_.get()->map.expanded = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(SaveLevelFile("level.lvl", &level_.get()->map), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Level file level.lvl not saved: the map is not expanded\n");
    EXPECT_EQ(Contents(), "old level");
    level_.get()->map.expanded = 1;

    testing::internal::CaptureStdout();
    EXPECT_EQ(SaveLevelFile("no/such/folder/level.lvl", &level_.get()->map), 0);
    EXPECT_EQ(SaveLevelFile("", &level_.get()->map), 0);
    testing::internal::GetCapturedStdout();
}

} // namespace
