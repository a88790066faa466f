// The object world under load: the pair scan over a full level's worth of
// objects, and the create/delete churn of effects and projectiles.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "world/game_world.h"

namespace {

int64_t gPairCalls = 0;

void CountPair(GameWorld*, ObjectSlot*, ObjectSlot*) { ++gPairCalls; }

// A mix of the game's types, so the scan takes both orders of a pair.
constexpr uint8_t kMix[] = {OBJT_PLAYER, 4, 29, 127, 4, 40, 110, 3, 64, 94};

GameWorld* WorldWith(int32_t count) {
    GameWorld* world = NewGameWorld();
    RegisterObjectTypes(world);
    for (int32_t i = 0; i < count; ++i)
        CreateObject(world, static_cast<int16_t>(i), 0, kMix[i % sizeof kMix], 0, 0);
    return world;
}

void BM_ProcessObjectPairs(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    GameWorld* world = WorldWith(count);
    SetObjectPairResolver(CountPair);
    gPairCalls = 0;
    for (auto _ : state)
        ProcessObjectPairs(world);
    state.SetItemsProcessed(gPairCalls);
    state.counters["pairs"] = static_cast<double>(count) * (count - 1) / 2;
    SetObjectPairResolver(nullptr);
    DeleteObjectsExceptType(world, -1);
    DeleteGameWorld(world);
}
BENCHMARK(BM_ProcessObjectPairs)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Each step deletes one object spread across the table and makes one in the
// hole it leaves, with the state buffers of a real type.
void BM_CreateDeleteChurn(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    GameWorld* world = WorldWith(count);
    uint32_t step = 0;
    for (auto _ : state) {
        const int32_t victim = static_cast<int32_t>((step * 7919u) % static_cast<uint32_t>(count));
        DeleteObject(world, &world->slots[victim]);
        benchmark::DoNotOptimize(
            CreateObject(world, 0, 0, kMix[step % sizeof kMix], OBJ_MSG_CREATE, 0));
        ++step;
    }
    state.SetItemsProcessed(state.iterations());
    DeleteObjectsExceptType(world, -1);
    DeleteGameWorld(world);
}
BENCHMARK(BM_CreateDeleteChurn)->Arg(100)->Arg(1000);

} // namespace
