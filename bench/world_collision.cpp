// Objects moving through a level: 200 objects at 20 px a frame over a
// 1000 x 100 cell map of ground, platforms, slopes, one-way floors and thin
// walls; and the cell lookups under them, the compact run search being the
// reference for the expanded map's direct lookup.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/tile_map.h"

namespace {

constexpr int32_t kWidth = 1000;
constexpr int32_t kRows = 100;
constexpr int32_t kObjects = 200;
constexpr int32_t kSpeed = 20 * 65536;

enum : uint8_t { SOLID = 1, RISING = 2, FALLING = 3, ONE_WAY = 4, THIN_WALL = 5, PARAMETER = 240 };

LevelLayerGrid MakeLayout() {
    std::mt19937 rng(1234);
    LevelLayerGrid grid = FilledLayer(kWidth, kRows, 0);
    for (int32_t x = 0; x < kWidth; ++x) {
        for (int32_t y = kRows - 4; y < kRows; ++y)
            grid.At(x, y) = SOLID;
        grid.At(x, 0) = SOLID;
    }
    for (int32_t x = 0; x < kRows; ++x)
        grid.At(0, x) = grid.At(kWidth - 1, x) = SOLID;
    // Platforms, slopes and walls scattered over the open space.
    for (int32_t i = 0; i < 4000; ++i) {
        const int32_t x = 1 + static_cast<int32_t>(rng() % (kWidth - 12));
        const int32_t y = 2 + static_cast<int32_t>(rng() % (kRows - 8));
        const int32_t length = 2 + static_cast<int32_t>(rng() % 8);
        switch (rng() % 5) {
        case 0:
            for (int32_t k = 0; k < length; ++k)
                grid.At(x + k, y) = SOLID;
            break;
        case 1:
            for (int32_t k = 0; k < length; ++k)
                grid.At(x + k, y) = ONE_WAY;
            break;
        case 2:
            grid.At(x, y) = RISING;
            grid.At(x + 1, y) = SOLID;
            grid.At(x + 2, y) = FALLING;
            break;
        case 3:
            for (int32_t k = 0; k < length && y + k < kRows - 4; ++k)
                grid.At(x, y + k) = THIN_WALL;
            break;
        default:
            grid.At(x, y) = PARAMETER;
            break;
        }
    }
    return grid;
}

std::map<uint8_t, std::array<uint8_t, 16>> MakeShapes() {
    std::map<uint8_t, std::array<uint8_t, 16>> shapes;
    std::array<uint8_t, 16> s{};
    s.fill(1);
    shapes[SOLID] = s;
    s.fill(4);
    shapes[RISING] = s;
    s.fill(5);
    shapes[FALLING] = s;
    s.fill(0);
    for (int i = 0; i < 4; ++i)
        s[i] = 8; // the top row of quarters
    shapes[ONE_WAY] = s;
    s.fill(0);
    for (int i = 0; i < 4; ++i)
        s[4 * i] = 1; // the left column
    shapes[THIN_WALL] = s;
    return shapes;
}

// The level and its shapes in a world, as the loader leaves them.
struct BenchWorld {
    GameWorld* world = nullptr;
    int fd = -1;
    ResourceArchive archive{};

    explicit BenchWorld(bool expand) {
        world = NewGameWorld();
        InitTileRunMap(world);
        ArchiveBuilder builder;
        builder.AddPlain(3, WriteLevelFile({FilledLayer(kWidth / 2, kRows / 2, 0),
                                            FilledLayer(kWidth, kRows, 0),
                                            FilledLayer(kWidth, kRows, 0), MakeLayout()}));
        builder.AddPlain(3, WriteShapeTable(MakeShapes()));
        std::vector<uint8_t> bytes = builder.Build();
        fd = memfd_create("bench_level", 0);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        char path[64];
        std::snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);
        if (!OpenArchive(&archive, path))
            std::abort();
        if (!Load())
            std::abort();
        if (expand)
            ExpandTileRunLayers(&world->map);
        if (LoadTileShapes(world, &archive, 1) != 1)
            std::abort();
    }
    bool Load() {
        ResourceStream stream;
        if (!OpenResourceStream(&archive, &stream, 0))
            return false;
        int16_t layer = 0;
        int32_t result;
        do
            result = LoadTileRunLayer(&world->map, &layer, &stream);
        while (result == 0);
        CloseResourceStream(&stream);
        return result == 1;
    }
    ~BenchWorld() {
        FreeTileShapes(world);
        FreeTileRunMap(&world->map);
        DeleteGameWorld(world);
        CloseArchive(&archive);
        close(fd);
    }
};

struct Mover {
    int32_t x, y, vx, vy;
};

std::vector<Mover> PlaceMovers(GameWorld* world) {
    std::mt19937 rng(77);
    std::vector<Mover> movers;
    while (static_cast<int32_t>(movers.size()) < kObjects) {
        const int32_t cx = 1 + static_cast<int32_t>(rng() % (kWidth - 2));
        const int32_t cy = 1 + static_cast<int32_t>(rng() % (kRows - 6));
        if (TileCodeAt(&world->map, 3, cx, cy) != 0)
            continue;
        const double angle = (rng() % 3600) * (3.14159265358979 / 1800.0);
        movers.push_back({cx * kCellUnits + kCellUnits / 2, cy * kCellUnits + kCellUnits / 2,
                          static_cast<int32_t>(std::lround(kSpeed * std::cos(angle))),
                          static_cast<int32_t>(std::lround(kSpeed * std::sin(angle)))});
    }
    return movers;
}

// One frame for every object; a blocked object turns back on that axis.
void BM_MoveObject200(benchmark::State& state) {
    BenchWorld bench(state.range(0) != 0);
    std::vector<Mover> movers = PlaceMovers(bench.world);
    uint64_t blocked = 0;
    for (auto _ : state) {
        for (Mover& m : movers) {
            const uint32_t flags = MoveObject(bench.world, &m.x, &m.y, m.vx, m.vy);
            if (flags & (COLLIDE_BLOCK_LEFT | COLLIDE_BLOCK_RIGHT))
                m.vx = -m.vx;
            if (flags & (COLLIDE_BLOCK_UP | COLLIDE_BLOCK_DOWN))
                m.vy = -m.vy;
            blocked += flags != 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.counters["ns_per_move"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kObjects,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["blocked_share"] =
        static_cast<double>(blocked) / (static_cast<double>(state.iterations()) * kObjects);
}
// Arg 1: the expanded map the game moves through; 0: the compact map.
BENCHMARK(BM_MoveObject200)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_CellLookup(benchmark::State& state) {
    const bool expanded = state.range(0) == 1;
    const bool direct = state.range(1) == 1;
    BenchWorld bench(expanded);
    std::mt19937 rng(9);
    std::vector<std::pair<int32_t, int32_t>> cells(4096);
    for (auto& cell : cells)
        cell = {static_cast<int32_t>(rng() % kWidth), static_cast<int32_t>(rng() % kRows)};
    int64_t sum = 0;
    for (auto _ : state) {
        for (const auto& [x, y] : cells) {
            if (direct) {
                sum += TileCodeAt(&bench.world->map, 3, x, y);
            } else {
                TileRun* run = nullptr;
                sum += FindTileRun(x, y, 3, &bench.world->map, &run) > 0 ? run->code : -1;
            }
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(cells.size()));
}
// (expanded, direct): the compact search, the search over expanded rows,
// and the direct lookup collision uses.
BENCHMARK(BM_CellLookup)->Args({0, 0})->Args({1, 0})->Args({1, 1});

void BM_LoadAndExpandLevel(benchmark::State& state) {
    BenchWorld bench(false);
    for (auto _ : state) {
        FreeTileRunMap(&bench.world->map);
        if (!bench.Load())
            state.SkipWithError("load failed");
        ExpandTileRunLayers(&bench.world->map);
    }
}
BENCHMARK(BM_LoadAndExpandLevel)->Unit(benchmark::kMillisecond);

} // namespace
