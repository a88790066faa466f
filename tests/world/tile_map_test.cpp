// Level files through the loader: written from grids, read back compact and
// expanded, searched; broken layers refused; the shape table; FadeBytes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "tests/world/tile_test_util.h"

namespace {

LevelLayerGrid RandomLayer(std::mt19937& rng) {
    LevelLayerGrid grid = FilledLayer(1 + rng() % 600, 1 + rng() % 24, 0);
    for (uint8_t& b : grid.extraHeader)
        b = static_cast<uint8_t>(rng());
    // Long stretches of few codes, so equal runs meet and split at 256.
    for (size_t i = 0; i < grid.codes.size();) {
        size_t length = rng() % 4 == 0 ? 1 + rng() % 300 : 1 + rng() % 5;
        uint8_t code = static_cast<uint8_t>(rng() % 8 == 0 ? rng() : rng() % 3);
        for (; length > 0 && i < grid.codes.size(); --length)
            grid.codes[i++] = code;
    }
    return grid;
}

struct LoadedMap {
    explicit LoadedMap(const std::vector<uint8_t>& file, bool compressed = false) {
        Read(file, compressed);
    }
    // Reads into the map as it stands, without freeing it first.
    void Read(const std::vector<uint8_t>& file, bool compressed = false) {
        ArchiveBuilder builder;
        builder.Add(compressed ? CompressedEntry(3, file) : PlainEntry(3, file));
        MemoryArchive archive(builder);
        EXPECT_TRUE(archive.opened());
        result = ReadLevel(&map, archive.get(), 0);
    }
    ~LoadedMap() { FreeTileRunMap(&map); }
    TileRunMap map{};
    int32_t result = 0;
};

// The code FindTileRun finds, -1 for none; the run must cover the cell.
int32_t Found(TileRunMap* map, int32_t layer, int32_t x, int32_t y) {
    TileRun* run = reinterpret_cast<TileRun*>(1);
    if (FindTileRun(x, y, layer, map, &run) < 1) {
        EXPECT_EQ(run, nullptr);
        return -1;
    }
    EXPECT_TRUE(run->firstColumn <= x && run->firstColumn + run->extra >= x);
    return run->code;
}

TEST(TileMap, RandomLevelsRoundTripCompactAndExpanded) {
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 12; ++trial) {
        std::array<LevelLayerGrid, 4> grids;
        for (LevelLayerGrid& grid : grids)
            grid = RandomLayer(rng);
        const std::vector<uint8_t> file = WriteLevelFile(grids);
        LoadedMap compact(file, trial % 3 == 0), expanded(file);
        ASSERT_EQ(compact.result, 1);
        ASSERT_EQ(expanded.result, 1);
        ExpandTileRunLayers(&expanded.map);
        TileRun* firstRow = expanded.map.layers[0].rowRuns[0];
        ExpandTileRunLayers(&expanded.map); // already expanded: nothing happens
        EXPECT_EQ(expanded.map.layers[0].rowRuns[0], firstRow);

        for (int32_t l = 0; l < 4; ++l) {
            const LevelLayerGrid& g = grids[l];
            const TileRunLayer& c = compact.map.layers[l];
            const TileRunLayer& e = expanded.map.layers[l];
            ASSERT_EQ(c.width, g.width);
            ASSERT_EQ(c.rows, g.rows);
            EXPECT_EQ(0, std::memcmp(e.extraHeader, g.extraHeader.data(), 12));
            for (int32_t y = 0; y < g.rows; ++y) {
                int32_t runs = 0;
                for (int32_t x = 0, start = 0; x < g.width; ++x)
                    if (x == 0 || g.At(x, y) != g.At(x - 1, y) || x - start == 256)
                        ++runs, start = x;
                EXPECT_EQ(c.runCounts[y], runs + 1);
                EXPECT_EQ(e.runCounts[y], g.width);
                for (int32_t x = 0; x < g.width; ++x) {
                    ASSERT_EQ(e.rowRuns[y][x].firstColumn, x);
                    ASSERT_EQ(e.rowRuns[y][x].extra, 0);
                    ASSERT_EQ(Found(&compact.map, l, x, y), g.At(x, y));
                    ASSERT_EQ(Found(&expanded.map, l, x, y), g.At(x, y));
                    ASSERT_EQ(TileCodeAt(&expanded.map, l, x, y), g.At(x, y));
                }
            }
            for (TileRunMap* m : {&compact.map, &expanded.map})
                for (auto [x, y] : {std::pair{-1, 0}, {g.width, 0}, {0, -1}, {0, g.rows}})
                    EXPECT_EQ(Found(m, l, x, y) + TileCodeAt(m, l, x, y), -2);
        }
        for (TileRunMap* m : {&compact.map, &expanded.map}) {
            EXPECT_EQ(Found(m, -1, 0, 0) + Found(m, 4, 0, 0), -2);
            // A window reaching two cells past every edge of layer 3.
            const LevelLayerGrid& g = grids[3];
            const int32_t w = g.width + 4, h = g.rows + 4;
            std::vector<uint8_t> codes(static_cast<size_t>(w) * h);
            ReadTileCodes(m, -2, -2, w, h, codes.data());
            for (int32_t j = 0; j < h; ++j)
                for (int32_t i = 0; i < w; ++i) {
                    const int32_t x = i - 2, y = j - 2;
                    const bool inside = x >= 0 && y >= 0 && x < g.width && y < g.rows;
                    ASSERT_EQ(codes[static_cast<size_t>(j) * w + i], inside ? g.At(x, y) : 255);
                }
        }
    }
}

// Layer bytes built by hand: header, offsets, runs {first, extra, code}.
std::vector<uint8_t> LayerBytes(int16_t width, int16_t rows, const std::vector<uint32_t>& offsets,
                                const std::vector<std::array<int, 3>>& runs) {
    std::vector<uint8_t> out(16 + 4 * offsets.size() + 4 * runs.size());
    PutI16LE(out.data(), width);
    PutI16LE(out.data() + 2, rows);
    for (size_t i = 0; i < offsets.size(); ++i)
        PutU32LE(out.data() + 16 + 4 * i, offsets[i]);
    uint8_t* p = out.data() + 16 + 4 * offsets.size();
    for (const auto& run : runs) {
        PutU16LE(p, static_cast<uint16_t>(run[0]));
        p[2] = static_cast<uint8_t>(run[1]);
        p[3] = static_cast<uint8_t>(run[2]);
        p += 4;
    }
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(TileMap, LongRunsSplitAndUncoveredColumnsFindNoRun) {
    // Layer 0: 600 cells of code 7. Layer 3: row 0 leaves columns 1, 2 and
    // 5 uncovered, row 1's first run starts at column 2, row 2 has no runs.
    const std::vector<uint8_t> one = WriteLevelLayer(FilledLayer(1, 1, 0));
    LoadedMap loaded(Concat({WriteLevelLayer(FilledLayer(600, 1, 7)), one, one,
                             LayerBytes(6, 3, {0, 8, 12, 12}, {{0, 0, 5}, {3, 1, 6}, {2, 3, 9}})}));
    ASSERT_EQ(loaded.result, 1);
    const TileRun split[3] = {{0, 255, 7}, {256, 255, 7}, {512, 87, 7}};
    ASSERT_EQ(loaded.map.layers[0].runCounts[0], 4);
    for (int i = 0; i < 3; ++i) {
        const TileRun& run = loaded.map.layers[0].rowRuns[0][i];
        EXPECT_EQ(run.firstColumn * 65536 + run.extra * 256 + run.code,
                  split[i].firstColumn * 65536 + split[i].extra * 256 + split[i].code);
    }
    const int expected[3][6] = {{5, -1, -1, 6, 6, -1}, {-1, -1, 9, 9, 9, 9}, {-1, -1, -1, -1, -1, -1}};
    for (int y = 0; y < 3; ++y) {
        uint8_t codes[6];
        ReadTileCodes(&loaded.map, 0, y, 6, 1, codes);
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(Found(&loaded.map, 3, x, y), expected[y][x]) << x << "," << y;
            EXPECT_EQ(codes[x], expected[y][x] < 0 ? 255 : expected[y][x]);
        }
    }
    ExpandTileRunLayers(&loaded.map);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Found(&loaded.map, 3, x, y), expected[y][x] < 0 ? 0 : expected[y][x]);
    // Probes in an expanded row of 600 worked by hand: column 0 is the
    // first run tried; column 450 takes jumps of 299, 149 and 74 forward,
    // 37, 18, 9, 4, 2 and 1 back, then one run back.
    TileRun* run = nullptr;
    EXPECT_EQ(FindTileRun(0, 0, 0, &loaded.map, &run), 1);
    EXPECT_EQ(FindTileRun(450, 0, 0, &loaded.map, &run), 11);
    EXPECT_EQ(run, loaded.map.layers[0].rowRuns[0] + 450);
}

struct BadLayer {
    const char* name;
    const char* why;
    std::function<std::vector<uint8_t>()> bytes;
    bool last = false; // a cut layer ends the file
};
void PrintTo(const BadLayer& bad, std::ostream* os) {
    *os << bad.name;
}

class TileMapBadLayer : public testing::TestWithParam<BadLayer> {};

TEST_P(TileMapBadLayer, FailsWithOneLineAndLeavesTheLayerEmpty) {
    // Over an expanded level: a good layer 0, the bad one as layer 1, then
    // good layers. No layer of the old level may survive.
    const std::vector<uint8_t> good = WriteLevelLayer(FilledLayer(3, 2, 4));
    LoadedMap loaded(Concat({good, good, good, good}));
    ExpandTileRunLayers(&loaded.map);
    testing::internal::CaptureStdout();
    loaded.Read(GetParam().last ? Concat({good, GetParam().bytes()})
                                : Concat({good, GetParam().bytes(), good, good}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("level layer 1: ") + GetParam().why + "\n");
    EXPECT_EQ(loaded.result, -1);
    for (int l = 1; l < 4; ++l) {
        EXPECT_EQ(loaded.map.layers[l].width, 0);
        EXPECT_EQ(loaded.map.layers[l].rowRuns, nullptr);
        EXPECT_EQ(loaded.map.layers[l].runCounts, nullptr);
    }
    ExpandTileRunLayers(&loaded.map);
    EXPECT_EQ(TileCodeAt(&loaded.map, 0, 2, 1), 4);
    EXPECT_EQ(TileCodeAt(&loaded.map, 1, 0, 0), -1);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
    bytes.resize(keep);
    return bytes;
}

std::vector<uint8_t> Rows1024() {
    std::vector<uint32_t> offsets(1025);
    for (uint32_t r = 0; r <= 1024; ++r)
        offsets[r] = 4 * r;
    return LayerBytes(1, 1024, offsets, std::vector<std::array<int, 3>>(1024, {0, 0, 1}));
}

const BadLayer kBadLayers[] = {
    {"width0", "bad size", [] { return LayerBytes(0, 1, {0, 0}, {}); }},
    {"rows0", "bad size", [] { return LayerBytes(1, 0, {0}, {}); }},
    {"negativeWidth", "bad size", [] { return LayerBytes(-5, 1, {0, 4}, {{0, 0, 1}}); }},
    {"negativeRows", "bad size", [] { return LayerBytes(1, -1, {0}, {}); }},
    {"width1024", "bad size", [] { return LayerBytes(1024, 1, {0, 4}, {{0, 255, 1}}); }},
    {"rows1024", "bad size", Rows1024},
    {"firstOffsetNotZero", "bad row offsets", [] { return LayerBytes(1, 1, {4, 8}, {{0, 0, 1}, {0, 0, 1}}); }},
    {"offsetNotMultipleOf4", "bad row offsets", [] { return LayerBytes(2, 2, {0, 6, 8}, {{0, 1, 1}, {0, 1, 1}}); }},
    {"offsetsDecreasing", "bad row offsets", [] { return LayerBytes(2, 2, {0, 8, 4}, {{0, 0, 1}, {1, 0, 1}}); }},
    {"moreRunsThanCells", "more runs than cells in a row", [] { return LayerBytes(1, 1, {0, 8}, {{0, 0, 1}, {0, 0, 2}}); }},
    {"shortHeader", "short read", [] { return Cut(LayerBytes(2, 1, {0, 4}, {{0, 1, 1}}), 10); }, true},
    {"shortOffsets", "short read", [] { return Cut(LayerBytes(2, 1, {0, 4}, {{0, 1, 1}}), 18); }, true},
    {"shortRuns", "short read", [] { return Cut(LayerBytes(2, 1, {0, 8}, {{0, 0, 1}, {1, 0, 2}}), 30); }, true},
    {"runsPastTheEnd", "short read", [] { return LayerBytes(1023, 1, {0, 4092}, {{0, 255, 1}}); }, true},
};

INSTANTIATE_TEST_SUITE_P(Headers, TileMapBadLayer, testing::ValuesIn(kBadLayers),
                         [](const testing::TestParamInfo<BadLayer>& info) {
                             return std::string(info.param.name);
                         });

TEST(TileMap, LargestLayersAreReadAndIndexesPastThemReadNothing) {
    const std::vector<uint8_t> wide = WriteLevelLayer(FilledLayer(1023, 1, 5));
    LoadedMap loaded(Concat({WriteLevelLayer(FilledLayer(1, 1023, 3)), wide, wide, wide}));
    ASSERT_EQ(loaded.result, 1);
    ExpandTileRunLayers(&loaded.map);
    EXPECT_EQ(TileCodeAt(&loaded.map, 0, 0, 1022), 3);
    EXPECT_EQ(TileCodeAt(&loaded.map, 3, 1022, 0), 5);
    ResourceStream stream{};
    for (int16_t index : {4, -1}) {
        EXPECT_EQ(LoadTileRunLayer(&loaded.map, &index, &stream), 1);
        EXPECT_EQ(index, 4);
    }
}

TEST(TileMap, WorldBuffersAndFadeBytes) {
    GameWorld* world = NewGameWorld();
    world->placementCount = 12;
    InitTileRunMap(world);
    EXPECT_EQ(world->placementCount, -1);
    world->placements = static_cast<PlacementRecord*>(ZAlloc(10 * sizeof(PlacementRecord)));
    world->placementGrid = static_cast<int32_t*>(ZAlloc(40));
    world->placementCount = 9;
    FreeTileRunMapBuffers(world);
    EXPECT_EQ(world->placements, nullptr);
    EXPECT_EQ(world->placementGrid, nullptr);
    EXPECT_EQ(world->placementCount, -1);
    DeleteGameWorld(world);

    uint8_t bytes[] = {240, 255, 18, 0, 239, 247, 1, 200};
    const uint8_t faded[] = {0, 15, 0, 0, 0, 7, 0, 200}; // the last is past n
    FadeBytes(bytes, 7);
    EXPECT_EQ(0, std::memcmp(bytes, faded, sizeof(bytes)));
}

// ---- the shape table ---------------------------------------------------------------

std::vector<uint8_t> Shape(int first) {
    std::vector<uint8_t> s(16);
    for (int i = 0; i < 16; ++i)
        s[i] = static_cast<uint8_t>(first + i);
    return s;
}

class ShapeTable : public testing::Test {
protected:
    void SetUp() override { world_ = NewGameWorld(); }
    void TearDown() override {
        FreeTileShapes(world_);
        for (TileShape* shape : world_->tileShapes)
            EXPECT_EQ(shape, nullptr);
        EXPECT_EQ(world_->tileShapeStore, nullptr);
        DeleteGameWorld(world_);
    }
    // Loads entry 1 (or a missing entry); every code must name a stored shape.
    int32_t Load(const std::vector<uint8_t>& entry, uint32_t index = 1) {
        FreeTileShapes(world_);
        ArchiveBuilder builder;
        builder.AddPlain(3, {});
        builder.AddPlain(3, entry);
        MemoryArchive archive(builder);
        const int32_t result = LoadTileShapes(world_, archive.get(), index);
        for (TileShape* shape : world_->tileShapes) {
            EXPECT_GE(shape, world_->tileShapeStore);
            EXPECT_LT(shape, world_->tileShapeStore + world_->tileShapeCount);
        }
        return result;
    }
    std::vector<uint8_t> Bytes(int code) {
        return std::vector<uint8_t>(world_->tileShapes[code]->q, world_->tileShapes[code]->q + 16);
    }
    GameWorld* world_ = nullptr;
};

TEST_F(ShapeTable, GroupsShareEmptyGroupsDropAndLaterGroupsWin) {
    EXPECT_EQ(Load(Concat({{3, 5, 0}, Shape(10), {0}, Shape(50), {7, 0}, Shape(90), {5, 0}, Shape(130)})), 1);
    EXPECT_EQ(Bytes(3), Shape(10));
    EXPECT_EQ(Bytes(7), Shape(90));
    EXPECT_EQ(Bytes(5), Shape(130));
    // Every other code, 0 included, shares one zero shape.
    for (int code : {1, 4, 6, 8, 255})
        EXPECT_EQ(world_->tileShapes[code], world_->tileShapes[0]);
    EXPECT_EQ(Bytes(0), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(world_->tileShapeCount, 4); // three groups in use and the zero shape

    // Written by the sample writer: equal shapes become one group.
    std::array<uint8_t, 16> solid;
    solid.fill(1);
    EXPECT_EQ(Load(WriteShapeTable({{1, solid}, {2, solid}, {200, solid}})), 1);
    EXPECT_EQ(world_->tileShapes[1], world_->tileShapes[200]);
    EXPECT_EQ(world_->tileShapes[2], world_->tileShapes[200]);
    EXPECT_EQ(world_->tileShapeCount, 2);

    // Thousands of redefinitions never hold more than one shape per code.
    std::vector<uint8_t> entry;
    for (int i = 0; i < 5000; ++i)
        entry = Concat({entry, {static_cast<uint8_t>(1 + i % 255), 0}, Shape(i)});
    EXPECT_EQ(Load(entry), 1);
    EXPECT_EQ(world_->tileShapeCount, 256);
    EXPECT_EQ(Bytes(1 + 4999 % 255), Shape(4999));
}

TEST_F(ShapeTable, TruncatedGroupsAreZeroFilledAndAMissingEntryGivesZeroShapes) {
    EXPECT_EQ(Load(Concat({{4, 0}, Shape(1), {9, 0, 20, 21, 22}})), 1);
    EXPECT_EQ(Bytes(9), Concat({{20, 21, 22}, std::vector<uint8_t>(13, 0)}));
    EXPECT_EQ(Bytes(4), Shape(1));
    // Codes the stream ends in get an all-zero shape of their own.
    EXPECT_EQ(Load(Concat({{4, 0}, Shape(1), {11, 12}})), 1);
    EXPECT_EQ(Bytes(11), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(world_->tileShapes[11], world_->tileShapes[12]);
    EXPECT_NE(world_->tileShapes[11], world_->tileShapes[0]);

    EXPECT_EQ(Load(Concat({{4, 0}, Shape(1)}), 7), -1);
    EXPECT_EQ(world_->tileShapeCount, 1);
    EXPECT_EQ(Bytes(4), std::vector<uint8_t>(16, 0));
}

} // namespace
