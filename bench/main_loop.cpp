// Frame pacing of the main loop on the real clock: 200 frames of a stack
// that does no work, at 40 frames a second. Reports the mean frame period
// and its jitter (standard deviation) in milliseconds.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <cmath>
#include <vector>

#include "engine/app.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"

namespace {

std::vector<uint32_t> gFrameStarts;
constexpr size_t kFrames = 200;

void StampingTask(TaskRec*, uint32_t message) {
    if (message != TASK_MSG_UPDATE)
        return;
    gFrameStarts.push_back(GetTicks());
    if (gFrameStarts.size() == kFrames + 1)
        PopTask();
}

void BM_FramePacing(benchmark::State& state) {
    SDL_Init(SDL_INIT_TIMER);
    double meanSum = 0, jitterSum = 0;
    for (auto _ : state) {
        gFrameStarts.clear();
        gFramePeriodMs = 25;
        CreateTaskStack();
        PushTask(StampingTask, 0, 0);
        RunMainLoop();
        DestroyTaskStack();
        double mean = 0, square = 0;
        for (size_t i = 1; i < gFrameStarts.size(); ++i)
            mean += gFrameStarts[i] - gFrameStarts[i - 1];
        mean /= kFrames;
        for (size_t i = 1; i < gFrameStarts.size(); ++i) {
            double d = (gFrameStarts[i] - gFrameStarts[i - 1]) - mean;
            square += d * d;
        }
        meanSum += mean;
        jitterSum += std::sqrt(square / kFrames);
    }
    state.counters["period_ms"] = meanSum / state.iterations();
    state.counters["jitter_ms"] = jitterSum / state.iterations();
    SDL_Quit();
}
BENCHMARK(BM_FramePacing)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
