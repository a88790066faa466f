// Frame time of the typical scene through the OpenGL renderer on Mesa's
// software OpenGL (llvmpipe under Xvfb); for information, since machines
// vary. Needs an X display (xvfb-run).
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/graphics_scene.h"
#include "graphics/renderer.h"

namespace {

void BM_GlTypicalFrame(benchmark::State& state) {
    if (!OpenGlWindow()) {
        state.SkipWithError("no OpenGL window (run under xvfb-run)");
        return;
    }
    {
        TypicalScene scene;
        int32_t frame = 0;
        for (auto _ : state) {
            scene.Draw(frame++);
            PresentFrame();
            glFinish();
        }
    }
}
BENCHMARK(BM_GlTypicalFrame)->Unit(benchmark::kMillisecond);

// The most quads one frame can batch under Direct3D 9: 10,500 sprites.
void BM_GlWorstCaseQuads(benchmark::State& state) {
    if (!OpenGlWindow()) {
        state.SkipWithError("no OpenGL window (run under xvfb-run)");
        return;
    }
    Image* image = CreateImage(32, 32, IMAGE_FMT_32);
    for (int i = 0; i < 32 * 32; ++i)
        image->pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    UploadTexture(image);
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    for (auto _ : state) {
        DrawWorstCaseQuads(&r);
        PresentFrame();
        glFinish();
    }
    FreeImage(&image);
}
BENCHMARK(BM_GlWorstCaseQuads)->Unit(benchmark::kMillisecond);

} // namespace
