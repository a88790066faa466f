// Level loading at scale: a whole large level built through the loading
// task, timed update by update, and the activation window sweeping a map of
// 5,000 placements the way the play task runs it each step.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "tools/sample/png_writer.h"
#include "tests/support/scripted_platform.h"
#include "tools/sample/world_archive.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/scene.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kPlayerCode = 10, kWalkerCode = 20, kPickupCode = 21;
// Type 9 is made whenever near; type 5 only until its taken bit is set.
constexpr uint8_t kWalkerType = 9, kPickupType = 5;
constexpr int32_t kFirstTileCode = 100, kTileCodes = 150;
constexpr int32_t kWidth = 600, kRows = 40, kObjects = 400;                  // level 1
constexpr int32_t kWideWidth = 1000, kWideRows = 60, kWidePlacements = 5000; // level 2

int64_t gCreated = 0;

void CountingHandler(GameWorld*, ObjectSlot*, ObjectMessage message) {
    gCreated += (message & OBJ_MSG_CREATE) != 0 ? 1 : 0;
}

void InstallBenchTypes(GameWorld* world) {
    RegisterObjectType(world, OBJT_PLAYER, CountingHandler, EmptyDraw, OBJ_KIND_TRACKED, 64, 0);
    RegisterObjectType(world, kWalkerType, CountingHandler, EmptyDraw, OBJ_KIND_ORDINARY, 64, 32);
    RegisterObjectType(world, kPickupType, CountingHandler, EmptyDraw, OBJ_KIND_ORDINARY, 32, 0);
}

// The scripted clock only moves when told; this one also moves with real
// time, so the loader's time box closes where it would in the game.
struct RealTimeClock : ScriptedPlatform {
    uint32_t GetTicks() override {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
        return ScriptedPlatform::GetTicks() + static_cast<uint32_t>(ms.count());
    }
    Clock::time_point start_ = Clock::now();
};

uint32_t Hash(uint32_t s) {
    s = (s ^ (s >> 16)) * 0x7FEB352Du;
    return s ^ (s >> 15);
}

std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint32_t seed) {
    return WritePng(MakeTestPicture(PngColour::Rgba, 8, width, height, seed));
}

// Objects over the whole of layer 3: a prime stride prime to the cell
// count visits distinct cells, spread evenly.
void Scatter(LevelLayerGrid* layer, uint32_t count) {
    for (uint32_t k = 0; k < count; ++k)
        layer->codes[k * 7919u % layer->codes.size()] = (k & 1) != 0 ? kWalkerCode : kPickupCode;
}

// Level 1: every cell of the backdrop a random one of the 150 tile codes
// (the worst case for runs), ground and platforms in long runs, sparse
// decor, a background picture and a few hundred objects. Level 2: an
// untiled 1000 x 60 map holding the 5,000 placements.
WorldArchiveSpec MakeSpec() {
    WorldArchiveSpec spec;
    spec.codeTypes[kPlayerCode] = OBJT_PLAYER;
    spec.codeTypes[kWalkerCode] = kWalkerType;
    spec.codeTypes[kPickupCode] = kPickupType;

    WorldLevelSpec one;
    one.layers.fill(FilledLayer(kWidth, kRows, 0));
    for (int32_t y = 0; y < kRows; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint32_t h = Hash(static_cast<uint32_t>(y * kWidth + x));
            one.layers[0].At(x, y) = static_cast<uint8_t>(kFirstTileCode + h % kTileCodes);
            const bool platform = y % 8 == 5 && (x / 12) % 3 == 0;
            if (y >= kRows - 6 || platform)
                one.layers[1].At(x, y) = static_cast<uint8_t>(kFirstTileCode + (x / 16) % 8);
            if (h % 23 == 0)
                one.layers[2].At(x, y) = static_cast<uint8_t>(kFirstTileCode + 8 + (h >> 8) % 40);
        }
    }
    Scatter(&one.layers[3], kObjects);
    one.layers[3].At(2, kRows - 7) = kPlayerCode;
    one.background = Png(800, 600, 7);

    WorldLevelSpec two;
    two.layers.fill(FilledLayer(kWideWidth, kWideRows, 0));
    Scatter(&two.layers[3], kWidePlacements);
    spec.levels = {one, two};

    WorldTileSetSpec set;
    for (int32_t code = 0; code < kFirstTileCode + kTileCodes; ++code)
        set.images.push_back(code >= kFirstTileCode ? Png(32, 32, static_cast<uint32_t>(code))
                                                    : std::vector<uint8_t>{});
    spec.tileSets = {set};
    for (uint32_t sprites : {16, 8, 4}) {
        MediaBlockSpec& block = spec.mediaBlocks.emplace_back();
        block.scripts = EncodeMediaScripts(0, 0, {{ScriptInstruction{0, 0, 0, 1, 0, 0}}});
        for (uint32_t i = 0; i < sprites; ++i)
            block.sprites.push_back(MediaSpriteSpec{Png(48, 48, sprites * 10 + i), 8, {}});
    }
    spec.mediaParts = {{{OBJT_PLAYER, 0}, {kWalkerType, 1}, {kPickupType, 2}}};
    spec.levelTable.assign(3, 0);
    spec.cameraRecords.assign(8 * 2 + 16, 0);
    return spec;
}

// The generated archive opened as the game's archive and catalogue.
struct LevelArchive {
    bool Open(benchmark::State& state) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("qb_level_load_" + std::to_string(getpid()) + ".res"))
                    .string();
        if (!BuildWorldArchive(MakeSpec()).WriteToFile(path_) ||
            OpenArchive(&gResourceArchive, path_.c_str()) != 1) {
            state.SkipWithError("cannot write or open the archive");
            return false;
        }
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames_,
                               CATALOGUE_ROOT_ENTRY);
        SetObjectTypeInstaller(InstallBenchTypes);
        CreateTaskStack();
        return opened_ = true;
    }
    ~LevelArchive() {
        if (opened_) {
            PopAllTasks();
            DestroyTaskStack();
            SetObjectTypeInstaller(nullptr);
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
        }
        CloseArchive(&gResourceArchive);
        std::filesystem::remove(path_);
    }
    std::string path_;
    uint32_t frames_ = 0;
    bool opened_ = false;
};

// As the play task makes its world on entering.
GameWorld* MakeWorld() {
    GameWorld* world = NewGameWorld();
    InstallObjectTypes(world);
    ResetMediaSets(world);
    InitTileRunMap(world);
    LoadLevelLists(world);
    world->levelTable = GetResourceBytes(&gResourceCatalogue, 0, 0);
    world->levelTableSize = GetResourceSize(&gResourceCatalogue, 0, 0);
    world->cameraRecords = GetResourceBytes(&gResourceCatalogue, 0, 1);
    world->cameraRecordsSize = GetResourceSize(&gResourceCatalogue, 0, 1);
    world->gameLevel = 1;
    SetCameraViewSize(world, 800, 600);
    return world;
}

void FreeWorld(GameWorld* world) {
    FreeImage(&world->background);
    ReleaseLevelImages(world, true);
    FreeMediaSets(world);
    DeleteObjectsExceptType(world, -1);
    FreeTileRunMapBuffers(world);
    FreeTileShapes(world);
    FreeTileRunMap(&world->map);
    DeleteGameWorld(world);
}

// Pushes the loader as the play task's restart does and runs it to its
// end; the wall time of each update in milliseconds.
std::vector<double> LoadLevel(GameWorld* world, int16_t level) {
    world->requestedLevel = level;
    world->requestedEntry = 0xFFFE; // where the entry record says
    DeleteObjectsExceptType(world, -1);
    FreeTileRunMapBuffers(world);
    PushTask(LevelLoadTaskHandler, TaskWord(world), 0);
    std::vector<double> updates;
    while (GetTaskCount() > 0 && updates.size() < 100000) {
        const Clock::time_point start = Clock::now();
        RunTasks();
        updates.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return updates;
}

// On the standing clock the time box never closes and the load is one
// block; the real-time clock lets the time box split it as in the game.
void BM_LevelLoad(benchmark::State& state, bool realTime) {
    RealTimeClock running;
    ScriptedPlatform standing;
    ScopedPlatform platform(realTime ? &running : &standing);
    LevelArchive archive;
    if (!archive.Open(state))
        return;
    double worst = 0;
    int64_t updates = 0, placements = 0, tiles = 0;
    for (auto _ : state) {
        GameWorld* world = MakeWorld();
        const std::vector<double> times = LoadLevel(world, 1);
        state.SetIterationTime(std::accumulate(times.begin(), times.end(), 0.0) / 1000);
        worst = std::max(worst, *std::max_element(times.begin(), times.end()));
        updates += static_cast<int64_t>(times.size());
        placements = world->placementCount + 1;
        tiles = std::count_if(std::begin(world->tileImages), std::end(world->tileImages),
                              [](const Image* image) { return image != nullptr; });
        const bool loaded = world->playState == PLAY_STATE_START && world->highestSlot == 0;
        FreeWorld(world);
        if (!loaded) {
            state.SkipWithError("the level did not load with its player");
            return;
        }
    }
    state.counters["updates"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kAvgIterations);
    state.counters["worst_update_ms"] = worst;
    state.counters["placements"] = static_cast<double>(placements);
    state.counters["tile_images"] = static_cast<double>(tiles);
}
BENCHMARK_CAPTURE(BM_LevelLoad, standing_clock, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LevelLoad, real_time_clock, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One step of the activation window: the followed point runs back and forth
// across the map, bobbing up and down, and each step deletes what it left
// behind and makes what it reached.
void BM_SpawnWindowStep(benchmark::State& state) {
    ScriptedPlatform clock;
    ScopedPlatform platform(&clock);
    LevelArchive archive;
    if (!archive.Open(state))
        return;
    GameWorld* world = MakeWorld();
    LoadLevel(world, 2);
    if (world->placementCount + 1 != kWidePlacements)
        state.SkipWithError("the placements did not load");
    const int32_t width = kWideWidth * kTileCellPixels, height = kWideRows * kTileCellPixels;
    int32_t step = 0;
    int64_t live = 0;
    gCreated = 0;
    for (auto _ : state) {
        const int32_t tx = (step * 12) % (2 * width), ty = (step * 3) % (2 * height);
        const auto x = static_cast<int16_t>(tx < width ? tx : 2 * width - tx);
        const auto y = static_cast<int16_t>(ty < height ? ty : 2 * height - ty);
        DespawnFarObjects(world, x, y);
        SpawnNearbyObjects(world, x, y);
        live += world->liveObjects;
        ++step;
    }
    using benchmark::Counter;
    state.counters["objects"] = Counter(static_cast<double>(live), Counter::kAvgIterations);
    state.counters["made_per_step"] =
        Counter(static_cast<double>(gCreated), Counter::kAvgIterations);
    FreeWorld(world);
}
BENCHMARK(BM_SpawnWindowStep)->Unit(benchmark::kMicrosecond);

} // namespace
