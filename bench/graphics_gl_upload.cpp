// The OpenGL movie upload: each drawn movie frame makes a 640x480 display
// image, uploads it (padded copy, glTexImage2D) and frees it. Runs on
// Mesa's software OpenGL; needs an X display (xvfb-run).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <GL/gl.h>

#include "bench/graphics_scene.h"
#include "graphics/image.h"
#include "graphics/renderer.h"

namespace {

void UploadMovieFrames(benchmark::State& state, int32_t reduce, uint16_t imageFlags, bool draw) {
    if (!OpenGlWindow()) {
        state.SkipWithError("no OpenGL window (run under xvfb-run)");
        return;
    }
    gReduceTextures = reduce;
    std::vector<uint32_t> frame(640 * 480);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    SpriteRecord r = {};
    InitSpriteRecord(&r, gScreenTarget);
    for (auto _ : state) {
        Image* image = CreateImage(640, 480, static_cast<uint16_t>(IMAGE_FMT_32 | imageFlags));
        std::memcpy(image->pixels, frame.data(), frame.size() * 4);
        UploadTexture(image);
        r.source = image;
        if (draw)
            DrawSprite(&r);
        glFinish();
        FreeImage(&image);
    }
    gReduceTextures = 0;
}

void BM_GlUploadMovieFrame(benchmark::State& state) {
    UploadMovieFrames(state, 0, IMAGE_FLAG_FULLCOLOUR, false);
}
BENCHMARK(BM_GlUploadMovieFrame)->Unit(benchmark::kMillisecond);

// What the movie screen does each frame: upload, then draw the frame.
void BM_GlUploadAndDrawMovieFrame(benchmark::State& state) {
    UploadMovieFrames(state, 0, IMAGE_FLAG_FULLCOLOUR, true);
}
BENCHMARK(BM_GlUploadAndDrawMovieFrame)->Unit(benchmark::kMillisecond);

// A picture without IMAGE_FLAG_FULLCOLOUR under texture reduction: dithered.
void BM_GlUploadMovieFrameReduced(benchmark::State& state) {
    UploadMovieFrames(state, 1, 0, false);
}
BENCHMARK(BM_GlUploadMovieFrameReduced)->Unit(benchmark::kMillisecond);

} // namespace
