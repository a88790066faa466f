// The world at play: simulation steps per second of the play task on a
// generated level (no renderer, dumps off), and one DrawWorld frame of a
// fully tiled 800x600 view with 100 objects through the Direct3D 9 renderer
// on our software layer beside the same frame through the OpenGL renderer
// on Mesa's software OpenGL (llvmpipe), both presenting to the same X
// server (xvfb-run). Without a display the Direct3D 9 run presents to SDL's
// dummy video and the OpenGL run is skipped; the label says which.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/graphics_scene.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/resource_stream.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "tools/sample/world_archive.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/scene.h"

namespace {

constexpr uint8_t kPlayerCode = 10, kMoverCode = 20, kMoverType = 5, kSpriteType = 9;

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("qb_world_play_") + std::to_string(getpid()) + name))
        .string();
}

// ---- steps of the play task ------------------------------------------------

void MoverHandler(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    if (message >= OBJ_EV_BASE)
        return;
    object->x = static_cast<int16_t>(object->x + WorldRandomInt(-2, 2));
}

void PlayerHandler(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    if (message < OBJ_EV_BASE)
        object->x = static_cast<int16_t>(object->x + 1);
}

void InstallStepTypes(GameWorld* world) {
    RegisterObjectType(world, OBJT_PLAYER, PlayerHandler, EmptyDraw, OBJ_KIND_TRACKED, 0, 0);
    RegisterObjectType(world, kMoverType, MoverHandler, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
}

// A 400 x 40 cell level: the player walks right past 300 movers, which the
// activation window makes and deletes as it goes.
void BM_PlayTaskSteps(benchmark::State& state) {
    WorldArchiveSpec spec;
    spec.codeTypes[kPlayerCode] = OBJT_PLAYER;
    spec.codeTypes[kMoverCode] = kMoverType;
    WorldLevelSpec level;
    level.layers = {FilledLayer(400, 40, 0), FilledLayer(400, 40, 1), FilledLayer(400, 40, 0),
                    FilledLayer(400, 40, 0)};
    level.layers[3].At(2, 20) = kPlayerCode;
    for (int32_t k = 0; k < 300; ++k)
        level.layers[3].At(4 + k, 10 + k % 20) = kMoverCode;
    spec.levels = {level};
    spec.tileSets = {WorldTileSetSpec{}};
    spec.levelTable.assign(21, 0);
    spec.cameraRecords.assign(24, 0); // level 1's record: zeros
    const std::string path = TempPath("_steps.res");
    if (!BuildWorldArchive(spec).WriteToFile(path) ||
        OpenArchive(&gResourceArchive, path.c_str()) != 1) {
        state.SkipWithError("cannot write the archive");
        return;
    }
    uint32_t frames = 0;
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames,
                           CATALOGUE_ROOT_ENTRY);
    SetObjectTypeInstaller(InstallStepTypes);
    CreateTaskStack();
    PushTask(PlayTaskHandler, 0, 0);
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    for (int i = 0; i < 1000 && world->playState != PLAY_STATE_PLAYING; ++i)
        RunTasks();
    const uint32_t first = world->frameCounter;
    int64_t live = 0;
    for (auto _ : state) {
        RunTasks();
        live += world->liveObjects;
    }
    const uint32_t steps = world->frameCounter - first;
    state.SetItemsProcessed(steps);
    state.counters["steps/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
    state.counters["objects"] =
        static_cast<double>(live) / std::max<int64_t>(1, state.iterations());
    PopAllTasks();
    DestroyTaskStack();
    SetObjectTypeInstaller(nullptr);
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    CloseArchive(&gResourceArchive);
    std::filesystem::remove(path);
}
BENCHMARK(BM_PlayTaskSteps)->Unit(benchmark::kMicrosecond);

// ---- one drawn frame ------------------------------------------------------

Image* gObjectSprite = nullptr;

void DrawSpriteObject(GameWorld* world, ObjectSlot* object) {
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.source = gObjectSprite;
    record.x = object->x - world->camera.positionX / 65536;
    record.y = object->y - world->camera.positionY / 65536;
    DrawSprite(&record);
}

Image* PatternImage(int32_t size, uint32_t seed) {
    Image* image = CreateImage(size, size, IMAGE_FMT_32);
    uint32_t s = 0x9E3779B9u * (seed + 1);
    for (int32_t i = 0; i < size * size; ++i) {
        s = s * 1664525u + 1013904223u;
        image->pixels[i] = ((s >> 28) < 3 ? 0u : 0xFF000000u) | (s >> 8 & 0xFFFFFF);
    }
    UploadTexture(image);
    return image;
}

// A 100 x 60 cell map whose three drawn layers are tiled in every cell,
// the view in its middle, and 100 sprite objects of 48 x 48 inside it.
class TiledWorld {
public:
    bool Build() {
        std::array<LevelLayerGrid, 4> layers;
        for (int32_t l = 0; l < 4; ++l) {
            layers[l] = FilledLayer(100, 60, 0);
            if (l == 3)
                continue;
            for (int32_t y = 0; y < 60; ++y)
                for (int32_t x = 0; x < 100; ++x)
                    layers[l].At(x, y) = static_cast<uint8_t>(1 + (x * 3 + y + l) % 8);
        }
        ArchiveBuilder archive;
        archive.AddPlain(0, WriteLevelFile(layers));
        const std::string path = TempPath("_map.res");
        ResourceArchive file{};
        if (!archive.WriteToFile(path) || OpenArchive(&file, path.c_str()) != 1)
            return false;
        ResourceStream stream;
        const bool opened = OpenResourceStream(&file, &stream, 0) != 0;
        int16_t layer = 0;
        while (opened && LoadTileRunLayer(&world_->map, &layer, &stream) == 0) {
        }
        CloseResourceStream(&stream);
        CloseArchive(&file);
        std::filesystem::remove(path);
        if (layer != kTileLayerCount)
            return false;
        ExpandTileRunLayers(&world_->map);
        for (uint8_t code = 1; code <= 8; ++code)
            world_->tileImages[code] = PatternImage(32, code);
        gObjectSprite = PatternImage(48, 99);
        RegisterObjectType(world_, kSpriteType, EmptyHandler, DrawSpriteObject, 0, 0, 0);
        SetCameraViewSize(world_, 800, 600);
        SetCameraMapSize(world_, 100, 60);
        world_->camera.positionX = 1200 * 65536;
        world_->camera.positionY = 500 * 65536;
        for (int32_t k = 0; k < 100; ++k)
            CreateObject(world_, static_cast<int16_t>(1200 + (k * 73) % 760),
                         static_cast<int16_t>(500 + (k * 41) % 560), kSpriteType, 0, 0)
                ->depth = static_cast<int16_t>(k % 5 * 32 - 64);
        world_->gameLevel = 1; // no status overlay
        return true;
    }
    ~TiledWorld() {
        DeleteObjectsExceptType(world_, -1);
        for (Image*& image : world_->tileImages)
            FreeImage(&image);
        FreeImage(&gObjectSprite);
        FreeTileRunMap(&world_->map);
        DeleteGameWorld(world_);
    }
    GameWorld* world() { return world_; }

private:
    GameWorld* world_ = NewGameWorld();
};

void DrawWorldFrame(benchmark::State& state, int32_t kind) {
    if (!UseRenderer(kind, true)) {
        state.SkipWithError("renderer not available (OpenGL needs xvfb-run)");
        return;
    }
    state.SetLabel(PresentTarget());
    TiledWorld scene;
    if (!scene.Build()) {
        state.SkipWithError("cannot build the map");
        return;
    }
    GameWorld* world = scene.world();
    for (auto _ : state) {
        world->drawStage = 0;
        DrawWorld(world);
        PresentFrame();
        if (kind == RENDERER_OPENGL)
            glFinish();
    }
}

// All Direct3D 9 runs first, so that the OpenGL window opens once.
BENCHMARK_CAPTURE(DrawWorldFrame, Direct3D9, RENDERER_D3D9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawWorldFrame, OpenGL, RENDERER_OPENGL)->Unit(benchmark::kMillisecond);

} // namespace
