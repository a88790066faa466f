// The object world under load: the pair scan over a full level's worth of
// objects through the game's own pair rules, and the create/delete churn of
// effects and projectiles. The game's types are registered with their state
// sizes, but their handlers are inert: the objects have no media to act
// with, and the time is the object table's and the rules' own.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "world/game_world.h"

namespace {

// A mix of the game's types, so the scan takes both orders of a pair.
constexpr uint8_t kMix[] = {OBJT_PLAYER, 4, 29, 127, 4, 40, 110, 3, 64, 94};

GameWorld* WorldWith(int32_t count) {
    GameWorld* world = NewGameWorld();
    RegisterObjectTypes(world);
    for (int32_t type = 1; type < kObjectTypeCount; ++type)
        if (world->types[type].handler != nullptr)
            world->types[type].handler = EmptyHandler;
    for (int32_t i = 0; i < count; ++i) {
        // Spread over a few screens, as a level's live objects are.
        const auto x = static_cast<int16_t>((i * 37) % 2400);
        const auto y = static_cast<int16_t>((i * 53) % 600);
        CreateObject(world, x, y, kMix[i % sizeof kMix], 0, 0);
    }
    return world;
}

// Pairs of live objects whose two types have a rule.
int64_t RulePairs(const GameWorld* world) {
    int64_t n = 0;
    for (int32_t a = 0; a <= world->highestSlot; ++a) {
        const uint8_t* meets = ObjectPairRuleRow(world->slots[a].typeId);
        for (int32_t b = a + 1; meets != nullptr && b <= world->highestSlot; ++b)
            n += meets[world->slots[b].typeId] != 0 ? 1 : 0;
    }
    return n;
}

void BM_ProcessObjectPairs(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    GameWorld* world = WorldWith(count);
    // The first scan takes what the players reach; the timed ones meet a
    // world that keeps its numbers.
    ProcessObjectPairs(world);
    for (auto _ : state)
        ProcessObjectPairs(world);
    const int64_t live = world->liveObjects;
    state.counters["objects"] = static_cast<double>(live);
    state.counters["pairs"] = static_cast<double>(live * (live - 1) / 2);
    state.counters["rule pairs"] = static_cast<double>(RulePairs(world));
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
