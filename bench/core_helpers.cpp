// Cost per call of the helpers that particles and behaviours call per
// object per frame.
#include <benchmark/benchmark.h>

#include "engine/helpers.h"

static void BM_NextRandom(benchmark::State& state) {
    SetRandomState(kInitialRandomState);
    for (auto _ : state)
        benchmark::DoNotOptimize(NextRandom());
}
BENCHMARK(BM_NextRandom);

static void BM_RandomInt(benchmark::State& state) {
    SetRandomState(kInitialRandomState);
    for (auto _ : state)
        benchmark::DoNotOptimize(RandomInt(static_cast<uint32_t>(-50), 50));
}
BENCHMARK(BM_RandomInt);

static void BM_RandomFloat(benchmark::State& state) {
    SetRandomState(kInitialRandomState);
    for (auto _ : state)
        benchmark::DoNotOptimize(Random(-1.0f, 1.0f));
}
BENCHMARK(BM_RandomFloat);

static void BM_FixedSin(benchmark::State& state) {
    int32_t angle = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FixedSin(angle));
        angle += 12345;
    }
}
BENCHMARK(BM_FixedSin);

static void BM_ISqrt(benchmark::State& state) {
    uint32_t n = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ISqrt(n));
        n = n * 1664525u + 1013904223u;
    }
}
BENCHMARK(BM_ISqrt);
