// Software drawing and colour reduction: the padded copy that every OpenGL
// upload makes (an 800x600 frame into a 1024x1024 work image), blending,
// and the 4-bit reductions of a movie-sized picture.
#include <benchmark/benchmark.h>

#include <vector>

#include "graphics/colour_reduce.h"
#include "graphics/image.h"
#include "graphics/software_draw.h"

namespace {

Image* MakeNoiseImage(int32_t w, int32_t h) {
    Image* image = CreateImage(w, h, IMAGE_FMT_32);
    uint32_t state = 12345;
    for (int32_t i = 0; i < w * h; ++i) {
        state = state * 1664525u + 1013904223u;
        image->pixels[i] = state;
    }
    return image;
}

void BM_BlitFrameIntoWorkImage(benchmark::State& state) {
    Image* frame = MakeNoiseImage(800, 600);
    Image* work = CreateImage(1024, 1024, IMAGE_FMT_32);
    SpriteRecord r = {};
    r.source = frame;
    InitSpriteRecord(&r, work);
    for (auto _ : state) {
        SoftwareBlit(&r);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 800 * 600 * 4);
    FreeImage(&frame);
    FreeImage(&work);
}
BENCHMARK(BM_BlitFrameIntoWorkImage)->Unit(benchmark::kMillisecond);

void BM_BlitFrameBlended(benchmark::State& state) {
    Image* frame = MakeNoiseImage(800, 600);
    Image* work = CreateImage(1024, 1024, IMAGE_FMT_32);
    SpriteRecord r = {};
    r.source = frame;
    InitSpriteRecord(&r, work);
    r.flags = SPRITE_FLAG_ALPHA;
    for (auto _ : state) {
        SoftwareBlit(&r);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600);
    FreeImage(&frame);
    FreeImage(&work);
}
BENCHMARK(BM_BlitFrameBlended)->Unit(benchmark::kMillisecond);

void BM_DitherToArgb4444MovieFrame(benchmark::State& state) {
    Image* frame = MakeNoiseImage(640, 480);
    std::vector<uint16_t> out(1024 * 512);
    for (auto _ : state) {
        DitherToArgb4444(frame->pixels, out.data(), 640, 480, 1024 * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
    FreeImage(&frame);
}
BENCHMARK(BM_DitherToArgb4444MovieFrame)->Unit(benchmark::kMillisecond);

void BM_TruncToArgb4444MovieFrame(benchmark::State& state) {
    Image* frame = MakeNoiseImage(640, 480);
    std::vector<uint16_t> out(1024 * 512);
    for (auto _ : state) {
        TruncToArgb4444(frame->pixels, out.data(), 640, 480, 1024 * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
    FreeImage(&frame);
}
BENCHMARK(BM_TruncToArgb4444MovieFrame)->Unit(benchmark::kMillisecond);

void BM_DitherInPlaceWorkImage(benchmark::State& state) {
    Image* work = MakeNoiseImage(1024, 512);
    for (auto _ : state) {
        DitherInPlace4bit(work->pixels, 1024, 512, 1024 * 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 512);
    FreeImage(&work);
}
BENCHMARK(BM_DitherInPlaceWorkImage)->Unit(benchmark::kMillisecond);

} // namespace
