// Particle trees as the effects use them: update and draw per frame, with
// every sprite handed to the capture sink.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "particles/effects.h"
#include "particles/particle.h"
#include "tests/support/draw_capture.h"

namespace {

ParticleParams Jittered(float x, float y) {
    ParticleParams p;
    ResetParticleParams(&p);
    p.x = x;
    p.y = y;
    p.vx = 0.5f;
    p.posJitterMin = {-1.0f, -1.0f};
    p.posJitterMax = {1.0f, 1.0f};
    p.velJitterMin = {-0.01f, -0.01f};
    p.velJitterMax = {0.01f, 0.01f};
    p.dAngle = 0.05f;
    return p;
}

void BM_ParticleTreeUpdateAndDraw(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    SetRandomState(kInitialRandomState);
    Image* frames[2] = {CreateImage(8, 8, IMAGE_FMT_32), CreateImage(8, 8, IMAGE_FMT_32)};
    CParticle root;
    for (int32_t i = 0; i < count; ++i) {
        CParticle* spark = new CParticle();
        spark->SetFrames(frames, 2);
        ParticleParams p = Jittered(static_cast<float>(i % 800), static_cast<float>(i % 600));
        spark->SetParams(&p);
        root.AddChild(spark);
    }
    DrawCapture capture;
    for (auto _ : state) {
        capture.Clear();
        benchmark::DoNotOptimize(root.Update());
        root.Draw();
    }
    state.SetItemsProcessed(state.iterations() * count);
    for (Image* image : frames)
        FreeImage(&image);
}
BENCHMARK(BM_ParticleTreeUpdateAndDraw)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_WaterdropsStepInBox(benchmark::State& state) {
    SetRandomState(kInitialRandomState);
    CWaterdrop root;
    for (int32_t i = 0; i < 1000; ++i) {
        CWaterdrop* drop = new CWaterdrop();
        ParticleParams p = Jittered(static_cast<float>(i % 200), 0.0f);
        p.vy = 2.0f;
        drop->SetParams(&p);
        root.AddChild(drop);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(root.StepInBox(0.0f, 200.0f, 100.0f));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_WaterdropsStepInBox)->Unit(benchmark::kMicrosecond);

// Cannon balls in their steady state: several hundred sparks alive, new ones
// emitted every other half turn.
void BM_CannonSparks(benchmark::State& state) {
    SetRandomState(kInitialRandomState);
    Image* frame = CreateImage(6, 6, IMAGE_FMT_32);
    std::vector<CCannonBallSpark> balls(16);
    for (size_t i = 0; i < balls.size(); ++i) {
        balls[i].SetFrames(&frame, 1);
        balls[i].phase = static_cast<float>(i) * 0.4f;
    }
    for (int i = 0; i < 40; ++i)
        for (CCannonBallSpark& ball : balls)
            ball.Update();
    DrawCapture capture;
    int64_t sparks = 0;
    for (auto _ : state) {
        capture.Clear();
        for (CCannonBallSpark& ball : balls) {
            ball.Update();
            ball.Draw();
        }
        sparks += static_cast<int64_t>(capture.size());
    }
    state.counters["sparks"] =
        benchmark::Counter(static_cast<double>(sparks), benchmark::Counter::kAvgIterations);
    FreeImage(&frame);
}
BENCHMARK(BM_CannonSparks)->Unit(benchmark::kMicrosecond);

} // namespace
