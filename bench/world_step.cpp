// One step of the game world as the play task runs it, with the game's own
// behaviours and the sample world's media: the player standing on a level
// with 200 coins (each with its idle ring and its shadow) and 100 lasting
// effect objects. A step is the objects' ticks and scripts, the pair rules,
// the moves through the map, and the frame drawn into a draw capture, so
// that the figure is the world's own work without a rasterizer. The budget
// of a step is 1 ms. The runs without the coins or without the effects show
// where the time goes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "menus/save_file.h"
#include "tests/support/draw_capture.h"
#include "tests/support/scripted_platform.h"
#include "tools/sample/sample_archive.h"
#include "world/behaviours/effect_object.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kLevel = 2;
constexpr int32_t kWidth = 60, kRows = 22, kGroundRow = 18;
constexpr int32_t kPlayerColumn = 4;
// Coins stacked 20 wide from the ground up in front of the player, inside
// the view and out of its reach, so that none is taken while it stands.
constexpr int32_t kCoinColumns = 20, kFirstCoinColumn = 6;
// Kinds that last for ever: rings, sparks and a script-only kind.
constexpr int32_t kEffectKinds[] = {EFFECT_KIND_RING, EFFECT_KIND_RING_ALT, EFFECT_KIND_SPARKS,
                                    EFFECT_KIND_SPARKS_ALT, EFFECT_KIND_SCRIPT_14};
// Steps run before timing, so that the particles of the effects reach the
// numbers they keep.
constexpr int32_t kWarmUpSteps = 200;

WorldLevelSpec CoinLevel(int64_t coins) {
    WorldLevelSpec level;
    for (LevelLayerGrid& layer : level.layers)
        layer = FilledLayer(kWidth, kRows, 0);
    for (int32_t x = 0; x < kWidth; ++x)
        for (int32_t y = kGroundRow; y < kRows; ++y) {
            level.layers[1].At(x, y) = 2; // earth
            level.layers[3].At(x, y) = SAMPLE_CODE_SOLID;
        }
    level.layers[3].At(kPlayerColumn, kGroundRow - 1) = SAMPLE_CODE_ENTRY;
    level.layers[3].At(kPlayerColumn, kGroundRow - 2) = SAMPLE_CODE_PLAYER;
    for (int32_t k = 0; k < coins; ++k)
        level.layers[3].At(kFirstCoinColumn + k % kCoinColumns, kGroundRow - 1 - k / kCoinColumns) =
            SAMPLE_CODE_PICKUP;
    level.tileSet = 1;
    level.mediaPart = 1;
    level.takenBitBases = {2000, 2500, 0};
    return level;
}

std::string TempPath() {
    return (std::filesystem::temp_directory_path() /
            ("qb_world_step_" + std::to_string(getpid()) + ".res"))
        .string();
}

int32_t CountOfType(const GameWorld* world, int32_t type) {
    int32_t n = 0;
    for (int32_t i = 0; i <= world->highestSlot; ++i)
        n += world->slots[i].typeId == type ? 1 : 0;
    return n;
}

void BM_WorldStep(benchmark::State& state) {
    WorldArchiveSpec spec = MakeSampleWorld();
    spec.levels[kLevel - 1] = CoinLevel(state.range(0));
    ArchiveBuilder archive = MakeSampleCatalogue(spec).ToArchive();
    AppendWorldEntries(&archive, spec);
    const std::string path = TempPath();
    if (!archive.WriteToFile(path) || OpenArchive(&gResourceArchive, path.c_str()) != 1) {
        state.SkipWithError("cannot write the archive");
        return;
    }
    uint32_t frames = 0;
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames,
                           CATALOGUE_ROOT_ENTRY);
    gSaveBlock = SaveBlock{};
    gSaveBlock.users[0].Difficulty = 1;
    ScriptedPlatform platform;
    ScopedPlatform scope(&platform);
    DrawCapture capture;

    CreateTaskStack();
    PushTask(PlayTaskHandler, 0, 0);
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS, DUMP_FRAMES_OFF);
    world->requestedLevel = kLevel;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    for (int32_t i = 0; i < 2000 && world->playState != PLAY_STATE_PLAYING; ++i) {
        RunTasks();
        platform.Advance(25);
        capture.Clear();
    }
    if (world->playState != PLAY_STATE_PLAYING || world->currentLevel != kLevel) {
        state.SkipWithError("the level did not start");
    } else {
        for (int32_t k = 0; k < state.range(1); ++k) {
            const auto x = static_cast<int16_t>(40 + (k * 73) % 720);
            const auto y = static_cast<int16_t>(80 + (k * 41) % 440);
            SpawnEffect(world, x, y, kEffectKinds[k % std::size(kEffectKinds)]);
        }
        for (int32_t k = 0; k < kWarmUpSteps; ++k) {
            RunTasks();
            capture.Clear();
        }
        const uint32_t first = world->frameCounter;
        int64_t draws = 0;
        for (auto _ : state) {
            RunTasks();
            draws += static_cast<int64_t>(capture.size());
            capture.Clear();
        }
        const uint32_t steps = world->frameCounter - first;
        if (steps != state.iterations())
            state.SkipWithError("an iteration ran no step");
        state.counters["objects"] = world->liveObjects;
        state.counters["coins"] = CountOfType(world, OBJT_PICKUP);
        state.counters["effects"] = CountOfType(world, OBJT_EFFECT);
        state.counters["draws/step"] =
            static_cast<double>(draws) / std::max<int64_t>(1, state.iterations());
    }
    PopAllTasks();
    DestroyTaskStack();
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    CloseArchive(&gResourceArchive);
    std::filesystem::remove(path);
}
BENCHMARK(BM_WorldStep)
    ->ArgNames({"coins", "effects"})
    ->Args({200, 100})
    ->Args({200, 0})
    ->Args({0, 100})
    ->Unit(benchmark::kMicrosecond);

} // namespace
