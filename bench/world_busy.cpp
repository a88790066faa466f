// The world when it is busy, with the game's own behaviours and the sample
// world's media. First one simulation step of the play task (input, camera,
// activation window, the pair scan over every two live objects, every
// object's tick and script) with about 1,000 live objects of mixed kinds:
// coins with their rings and shadows, enemies, spikes, levers, basins,
// chased characters braking and lasting effects; the pair scan is also
// timed alone. Then one frame of the sample's busiest level, the chase,
// drawn through our Direct3D 9 layer into an 800 x 600 screen at four
// places along it and at the burst that ends its pipe chain's stream. The
// budget of each is 5 ms.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/graphics_scene.h"
#include "engine/app.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "graphics/software_draw.h"
#include "menus/save_file.h"
#include "tests/support/scripted_platform.h"
#include "tools/sample/sample_archive.h"
#include "ui/font.h"
#include "world/behaviours/chased_state.h"
#include "world/behaviours/effect_object.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/scene.h"

namespace {

constexpr int32_t kBusyLevel = 2; // replaced by the busy level
constexpr int32_t kWidth = 52, kRows = 40;
// Floors the objects with gravity stand on, the player on the second.
constexpr int32_t kFloorRows[] = {9, 19, 29, 39};
constexpr int32_t kPlayerColumn = 26, kPlayerFloor = 19;
// Nothing stands this near the player's column, so that no rule hurts it,
// hands it a coin or throws a lever while it waits.
constexpr int32_t kClearColumns = 7;
constexpr int32_t kCoins = 200, kEnemies = 100, kSpikes = 50, kLevers = 30, kBasins = 30;
constexpr int32_t kChased = 20, kEffects = 46;
constexpr int32_t kEffectKinds[] = {EFFECT_KIND_RING, EFFECT_KIND_RING_ALT, EFFECT_KIND_SPARKS};
// Steps before timing: objects fall onto their floors and effects reach
// the particle numbers they keep.
constexpr int32_t kWarmUpSteps = 200;

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("qb_world_busy_" + std::to_string(getpid()) + name))
        .string();
}

bool NearPlayer(int32_t column) {
    return std::abs(column - kPlayerColumn) < kClearColumns;
}

// Distinct free cells away from the player, storey by storey.
class Cells {
public:
    explicit Cells(LevelLayerGrid* codes) : codes_(codes) {}

    // Puts `code` into the first `count` free cells of rows first..last.
    void Place(uint8_t code, int32_t count, int32_t first, int32_t last) {
        for (int32_t y = first; y <= last && count > 0; ++y)
            for (int32_t x = 1; x < kWidth - 1 && count > 0; ++x)
                if (!NearPlayer(x) && codes_->At(x, y) == 0) {
                    codes_->At(x, y) = code;
                    --count;
                }
    }

private:
    LevelLayerGrid* codes_;
};

WorldLevelSpec BusyLevel() {
    WorldLevelSpec level;
    for (LevelLayerGrid& layer : level.layers)
        layer = FilledLayer(kWidth, kRows, 0);
    auto solid = [&](int32_t x, int32_t y) {
        level.layers[1].At(x, y) = 2; // earth
        level.layers[3].At(x, y) = SAMPLE_CODE_SOLID;
    };
    for (int32_t row : kFloorRows)
        for (int32_t x = 0; x < kWidth; ++x)
            solid(x, row);
    for (int32_t y = 0; y < kRows; ++y) {
        solid(0, y);
        solid(kWidth - 1, y);
    }
    LevelLayerGrid& codes = level.layers[3];
    codes.At(kPlayerColumn, kPlayerFloor - 1) = SAMPLE_CODE_ENTRY;
    codes.At(kPlayerColumn, kPlayerFloor - 2) = SAMPLE_CODE_PLAYER;
    // Coins hang in the air of the top storey, basins fall onto its floor,
    // levers stand on the player's floor, enemies fall onto the two floors
    // below it and spikes onto the bottom one.
    Cells cells(&codes);
    cells.Place(SAMPLE_CODE_PICKUP, kCoins, 1, 8);
    cells.Place(SAMPLE_CODE_BASIN, kBasins, 1, 8);
    cells.Place(SAMPLE_CODE_LEVER, kLevers, kPlayerFloor - 1, kPlayerFloor - 1);
    for (int32_t k = 0; k < kEnemies; k += 2) {
        cells.Place(SAMPLE_CODE_TARGET_A, 1, 20, 37);
        cells.Place(SAMPLE_CODE_TARGET_B, 1, 20, 37);
    }
    cells.Place(SAMPLE_CODE_HAZARD, kSpikes, 30, 38);
    level.tileSet = 1;
    level.mediaPart = 1;
    level.takenBitBases = {2000, 2500, 0};
    return level;
}

// The play task alone on its stack over an archive of `world`, on a virtual
// clock; the level is started and played until its first step.
class PlayTaskRun {
public:
    PlayTaskRun(const WorldArchiveSpec& spec, int32_t level, uint8_t runFlags)
        : path_(TempPath(".res")) {
        ArchiveBuilder archive = MakeSampleCatalogue(spec).ToArchive();
        AppendWorldEntries(&archive, spec);
        if (!archive.WriteToFile(path_) || OpenArchive(&gResourceArchive, path_.c_str()) != 1)
            return;
        uint32_t frames = 0;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames,
                               CATALOGUE_ROOT_ENTRY);
        gSaveBlock = SaveBlock{};
        gSaveBlock.users[0].Difficulty = 1;
        SetPlatform(&platform_);
        CreateTaskStack();
        PushTask(PlayTaskHandler, 0, 0);
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world_));
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS, DUMP_FRAMES_OFF);
        world_->requestedLevel = static_cast<int16_t>(level);
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
        for (int32_t i = 0; i < 4000 && world_->playState != PLAY_STATE_PLAYING; ++i) {
            RunTasks();
            platform_.Advance(25);
        }
        world_->runFlags = runFlags;
        started_ = world_->playState == PLAY_STATE_PLAYING && world_->currentLevel == level;
    }
    ~PlayTaskRun() {
        PopAllTasks();
        DestroyTaskStack();
        SetPlatform(nullptr);
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        std::filesystem::remove(path_);
    }
    PlayTaskRun(const PlayTaskRun&) = delete;
    PlayTaskRun& operator=(const PlayTaskRun&) = delete;

    bool started() const { return started_; }
    GameWorld* world() { return world_; }

    // One frame of the tasks. Without drawing, the step is marked drawn so
    // that the play task takes the next; with it, the frame is presented as
    // the application task would.
    void Step() {
        const bool drawn = (world_->runFlags & WORLD_NO_DRAW) == 0;
        if (!drawn)
            world_->drawStage = DRAW_STAGE_DONE;
        RunTasks();
        if (drawn)
            PresentFrame();
        platform_.Advance(25);
    }

private:
    std::string path_;
    ScriptedPlatform platform_;
    GameWorld* world_ = nullptr;
    bool started_ = false;
};

int32_t CountOfType(const GameWorld* world, int32_t type) {
    int32_t n = 0;
    for (int32_t i = 0; i <= world->highestSlot; ++i)
        n += world->slots[i].typeId == type ? 1 : 0;
    return n;
}

// The chase level played with the renderer on, kept from one frame run to
// the next; the last one made is left to the end of the program. The fonts
// the status overlay draws with come from its archive, so they go with it.
PlayTaskRun* gChaseRun = nullptr;

// A run owns the archive, the catalogue, the task stack and the platform
// while it lives, so the chase run ends before any other run starts.
void EndChaseRun() {
    if (gChaseRun == nullptr)
        return;
    gUI.UnloadFonts();
    delete gChaseRun;
    gChaseRun = nullptr;
}

// ---- one simulation step with 1,000 live objects ----------------------------------

// The busy level started, the chased characters and the effects added, and
// the world played until it keeps its numbers.
bool MakeBusy(PlayTaskRun* run) {
    if (!run->started())
        return false;
    GameWorld* world = run->world();
    // The chased characters brake on the player's floor behind it: a new
    // one stands for the rest of its first step, and standing it would hurt
    // a player to its left. Braking, they follow the player at the
    // distance of level word 25.
    for (int32_t k = 0; k < kChased; ++k) {
        const auto x = static_cast<int16_t>(32 + k * 24);
        ObjectSlot* chased = CreateObject(world, x, (kPlayerFloor - 2) * 32, OBJT_CHASED,
                                          OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
        if (chased == nullptr)
            return false;
        SendObjectMessage(world, chased, OBJ_EV_SET_STATE + CHASER_ST_BRAKE);
    }
    for (int32_t k = 0; k < kEffects; ++k)
        SpawnEffect(world, static_cast<int16_t>(64 + (k * 97) % 1536),
                    static_cast<int16_t>(320 + (k * 41) % 240), kEffectKinds[k % 3]);
    for (int32_t k = 0; k < kWarmUpSteps; ++k)
        run->Step();
    return world->currentLevel == kBusyLevel;
}

WorldArchiveSpec BusyWorld() {
    WorldArchiveSpec spec = MakeSampleWorld();
    spec.levels[kBusyLevel - 1] = BusyLevel();
    return spec;
}

void Count(benchmark::State& state, const GameWorld* world) {
    state.counters["objects"] = world->liveObjects;
    state.counters["coins"] = CountOfType(world, OBJT_PICKUP);
    state.counters["enemies"] =
        CountOfType(world, SAMPLE_TYPE_TARGET_A) + CountOfType(world, SAMPLE_TYPE_TARGET_B);
    state.counters["chased"] = CountOfType(world, OBJT_CHASED);
    state.counters["effects"] =
        CountOfType(world, OBJT_EFFECT) + CountOfType(world, OBJT_ATTACHED_EFFECT);
}

void BM_BusyStep(benchmark::State& state) {
    EndChaseRun();
    PlayTaskRun run(BusyWorld(), kBusyLevel, WORLD_NO_DRAW);
    if (!MakeBusy(&run)) {
        state.SkipWithError("the busy level did not start");
        return;
    }
    GameWorld* world = run.world();
    const uint32_t first = world->frameCounter;
    for (auto _ : state)
        run.Step();
    if (world->frameCounter - first != state.iterations())
        state.SkipWithError("an iteration ran no step");
    Count(state, world);
}
BENCHMARK(BM_BusyStep)->Unit(benchmark::kMillisecond);

// The pair scan alone over the same objects: about 500,000 pairs.
void BM_BusyPairScan(benchmark::State& state) {
    EndChaseRun();
    PlayTaskRun run(BusyWorld(), kBusyLevel, WORLD_NO_DRAW);
    if (!MakeBusy(&run)) {
        state.SkipWithError("the busy level did not start");
        return;
    }
    GameWorld* world = run.world();
    for (auto _ : state)
        ProcessObjectPairs(world);
    const int64_t n = world->liveObjects;
    state.counters["pairs"] = static_cast<double>(n * (n - 1) / 2);
    Count(state, world);
}
BENCHMARK(BM_BusyPairScan)->Unit(benchmark::kMillisecond);

// ---- a frame of the chase level through our Direct3D 9 layer ------------------------

// The renderer the game sets up: an 800 x 600 screen presented to the X
// server (SDL's dummy video without one), the blend table and the fonts of
// the status overlay.
bool StartDirect3D9() {
    static bool started = false;
    if (started)
        return true;
    if (!UseRenderer(RENDERER_D3D9))
        return false;
    gScreenRect[0] = 800;
    gScreenRect[1] = 600;
    gScreenRect[2] = 799;
    gScreenRect[3] = 599;
    BuildBlendTable();
    started = true;
    return true;
}

PlayTaskRun* NewChaseRun() {
    if (!StartDirect3D9())
        return nullptr;
    EndChaseRun();
    gChaseRun = new PlayTaskRun(MakeSampleWorld(), SAMPLE_CHASE_LEVEL, 0);
    for (int32_t slot = 0; slot < 8; ++slot)
        gUI.LoadFont(58 + slot, slot);
    return gChaseRun->started() ? gChaseRun : nullptr;
}

PlayTaskRun* ChaseRun() {
    if (gChaseRun != nullptr && gChaseRun->started() &&
        gChaseRun->world()->playState == PLAY_STATE_PLAYING)
        return gChaseRun;
    return NewChaseRun();
}

// The player is put at `x` and the world plays on until the camera has
// followed it and the objects around it have come.
void BM_ChaseLevelFrame(benchmark::State& state) {
    PlayTaskRun* run = ChaseRun();
    if (run == nullptr) {
        state.SkipWithError("the chase level did not start on the Direct3D 9 layer");
        return;
    }
    GameWorld* world = run->world();
    const int32_t xy[2] = {static_cast<int32_t>(state.range(0)), 17 * 32};
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_PLAYER_POS, TaskWord(xy));
    for (int32_t k = 0; k < 150; ++k)
        run->Step();
    int32_t inView = 0;
    const int32_t left = world->camera.positionX / 65536, top = world->camera.positionY / 65536;
    for (int32_t i = 0; i <= world->highestSlot; ++i) {
        const ObjectSlot& o = world->slots[i];
        const bool seen =
            o.typeId != 0 && o.x >= left && o.x < left + 800 && o.y >= top && o.y < top + 600;
        inView += seen ? 1 : 0;
    }
    for (auto _ : state) {
        world->drawStage = 0;
        DrawWorld(world);
        PresentFrame();
    }
    state.counters["objects"] = world->liveObjects;
    state.counters["in view"] = inView;
}
// The heaviest frame the level draws: the pipe chain's stream has reached
// its end, and the flash burst's thousand sparks and the finale fly. The
// finale ends the level, so every run starts it afresh.
void BM_ChaseLevelBurstFrame(benchmark::State& state) {
    PlayTaskRun* run = NewChaseRun();
    if (run == nullptr) {
        state.SkipWithError("the chase level did not start on the Direct3D 9 layer");
        return;
    }
    GameWorld* world = run->world();
    // The chain's head is at the level's left wall; the player within 20
    // pixels of it starts the stream.
    const int32_t xy[2] = {40, 17 * 32};
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_PLAYER_POS, TaskWord(xy));
    bool flowing = false;
    int32_t k = 0;
    for (; k < 1000 && (!flowing || world->player.streamLevel != 0); ++k) {
        flowing |= world->player.streamLevel != 0;
        run->Step();
    }
    for (int32_t after = 0; after < 4; ++after)
        run->Step();
    if (!flowing || k == 1000) {
        state.SkipWithError("the stream did not reach the end of the chain");
        return;
    }
    for (auto _ : state) {
        world->drawStage = 0;
        DrawWorld(world);
        PresentFrame();
    }
    state.counters["objects"] = world->liveObjects;
    state.counters["effects"] = CountOfType(world, OBJT_EFFECT);
}

// The start (the pipe chain, the basin and the first enemy), the lever and
// the spikes, the gems with the chased character out, the plate and the door.
BENCHMARK(BM_ChaseLevelFrame)
    ->ArgName("x")
    ->Arg(400)
    ->Arg(1400)
    ->Arg(1808)
    ->Arg(3200)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChaseLevelBurstFrame)->Unit(benchmark::kMillisecond);

} // namespace
