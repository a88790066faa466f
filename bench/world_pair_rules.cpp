// The game's pair rules under the pair scan: every pair of a level's worth
// of objects goes through the dispatch, and the pairs that have a rule run
// its distance tests. Handlers are inert, so the time is the rules' own.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "world/game_world.h"

namespace {

// Player and chased character first, then a mix of pickups, level objects,
// thrown objects and effects.
constexpr uint8_t kMix[] = {4, 39, 120, 127, 16, 7, 29, 110, 42, 119, 70, 15, 58, 66, 126, 31};

GameWorld* WorldWith(int32_t count) {
    GameWorld* world = NewGameWorld();
    RegisterObjectTypes(world);
    for (int32_t type = 1; type < kObjectTypeCount; ++type)
        if (world->types[type].handler != nullptr)
            world->types[type].handler = EmptyHandler;
    CreateObject(world, 400, 300, OBJT_PLAYER, 0, 0);
    CreateObject(world, 700, 300, OBJT_CHASED, 0, 0);
    for (int32_t i = 2; i < count; ++i) {
        // Spread over a few screens, as a level's live objects are.
        const auto x = static_cast<int16_t>((i * 37) % 2400);
        const auto y = static_cast<int16_t>((i * 53) % 600);
        CreateObject(world, x, y, kMix[i % sizeof kMix], 0, 0);
    }
    return world;
}

void BM_PairRules(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    GameWorld* world = WorldWith(count);
    for (auto _ : state)
        ProcessObjectPairs(world);
    state.counters["pairs"] = static_cast<double>(count) * (count - 1) / 2;
    DeleteObjectsExceptType(world, -1);
    DeleteGameWorld(world);
}
BENCHMARK(BM_PairRules)->Arg(200)->Arg(500)->Arg(1024)->Unit(benchmark::kMicrosecond);

} // namespace
