// The menu cursor moved 200 pixels a frame for 100 frames: its trail of
// sparks and pointer copies grows to a few hundred live particles.
#include <benchmark/benchmark.h>

#include "engine/helpers.h"
#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/cursor.h"

namespace {

void BM_CursorFastSweep(benchmark::State& state) {
    UiArchive archive({}, "/tmp/bench_ui_cursor.res");
    if (!archive.ok()) {
        state.SkipWithError("the toolkit archive could not be written");
        return;
    }
    DrawCapture capture;
    int64_t particles = 0;
    for (auto _ : state) {
        SetRandomState(kInitialRandomState);
        CCursor cursor;
        for (int32_t frame = 0; frame < 100; ++frame) {
            capture.Clear();
            // Back and forth across the screen, 200 pixels a frame.
            int32_t along = (frame * 200) % 1200;
            int32_t x = along < 600 ? 100 + along : 700 - (along - 600);
            cursor.Draw(x, 300);
        }
        particles += cursor.sparkRoot->GetChildCount() + cursor.blurRoot->GetChildCount();
    }
    state.counters["alive_at_end"] =
        benchmark::Counter(static_cast<double>(particles), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CursorFastSweep)->Unit(benchmark::kMillisecond);

} // namespace
