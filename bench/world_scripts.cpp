// A full level's actors: every frame each of 1000 actors runs its script and
// is drawn (into a draw capture, so the renderer's cost is left out). The
// frame's budget is about 16 ms; the scripts should take well under one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "graphics/image.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/script_assembler.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kType = 7;
constexpr int32_t kSprites = 8;

// The kinds of script the game's objects play: a walk cycle, a random idle,
// a counter loop, a called sub-sequence with a sound.
ScriptAssembler GameLikeScripts() {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(0, 2, 3, 0).Show(1, 2, 3, 0).Show(2, 2, 3, 0).Show(3, 2, 3, 0).Jump(0);
    a.BeginScript();
    a.ShowRandom(4, 7, 1).ShowWaitRandom(5, 1, 4).Jump(0);
    a.BeginScript();
    a.Set(InternalVar(0), 0).Add(InternalVar(0), 1).Show(6, 1, 1, -1);
    a.JumpIf(InternalVar(0), SCRIPT_CMP_LESS, LiteralVar(20), 1).Jump(0);
    a.BeginScript();
    a.Call(4, 1).Show(7, 3).Jump(0);
    a.BeginScript();
    a.SoundChance(0, 0, 0, 4, 0).Show(2, 1, 0, 0, true).Show(3, 1).Return();
    return a;
}

void BM_RunAndDrawActors(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    GameWorld* world = NewGameWorld();
    ScriptAssembler scripts = GameLikeScripts();
    std::vector<std::vector<ScriptInstruction>> code = scripts.scripts();
    std::vector<ScriptTableEntry> table;
    for (std::vector<ScriptInstruction>& script : code)
        table.push_back({script.data(), static_cast<int16_t>(script.size() - 1)});
    std::vector<Image> images(kSprites, Image{16, 16, 0, nullptr, nullptr, nullptr});
    std::vector<SpriteEntry> sprites(kSprites, SpriteEntry{});
    for (int32_t i = 0; i < kSprites; ++i) {
        sprites[i].image = &images[i];
        sprites[i].x = static_cast<int16_t>(-8 + i);
        sprites[i].mirroredX = static_cast<int16_t>(8 - i);
        sprites[i].lastKey = -1;
    }
    MediaSet& set = world->mediaSets[0];
    set.typeId = kType;
    set.scripts = table.data();
    set.lastScript = static_cast<int16_t>(table.size() - 1);
    set.sprites = sprites.data();
    set.lastSprite = kSprites - 1;
    set.lastSound = -1;
    world->mediaSetsUsed = 0;

    std::vector<ScriptActor> actors(count, ScriptActor{});
    for (int32_t i = 0; i < count; ++i) {
        ResetActor(world, &actors[i], kType);
        actors[i].flags = static_cast<int16_t>(i & 1);
        StartScript(world, &actors[i], i % 4);
    }
    DrawCapture capture;
    int64_t drawn = 0;
    for (auto _ : state) {
        ++world->frameCounter;
        for (int32_t i = 0; i < count; ++i) {
            RunScript(world, &actors[i]);
            DrawActor(world, 40 * (i % 20), 30 * (i / 20), &actors[i]);
        }
        drawn += static_cast<int64_t>(capture.size());
        capture.Clear();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["sprites/frame"] =
        static_cast<double>(drawn) / static_cast<double>(state.iterations());
    for (ScriptActor& actor : actors)
        StopActor(world, &actor);
    set = MediaSet{};
    DeleteGameWorld(world);
}
BENCHMARK(BM_RunAndDrawActors)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
