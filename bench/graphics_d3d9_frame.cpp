// Frame times of the Direct3D 9 renderer on our software layer (one core)
// side by side with the OpenGL renderer on Mesa's software OpenGL
// (llvmpipe) in the same run, both presenting to the same X server
// (xvfb-run): the typical 800x600 frame, the 10,500-quad worst case, and the
// per-frame upload of a 640x480 movie frame and its scaled, filtered draw.
// Without a display the Direct3D 9 runs present to SDL's dummy video and
// the OpenGL runs are skipped; each run's label says which.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/graphics_scene.h"
#include "graphics/image.h"
#include "graphics/renderer.h"

namespace {

// The renderer started, and the run labelled with where it presents.
bool Start(benchmark::State& state, int32_t kind) {
    if (!UseRenderer(kind)) {
        state.SkipWithError("renderer not available (OpenGL needs xvfb-run)");
        return false;
    }
    state.SetLabel(PresentTarget());
    return true;
}

// Both renderers have finished the frame when this returns.
void EndFrame(int32_t kind) {
    PresentFrame();
    if (kind == RENDERER_OPENGL)
        glFinish();
}

void TypicalFrame(benchmark::State& state, int32_t kind) {
    if (!Start(state, kind))
        return;
    TypicalScene scene;
    int32_t frame = 0;
    for (auto _ : state) {
        scene.Draw(frame++);
        EndFrame(kind);
    }
}

void WorstCaseQuads(benchmark::State& state, int32_t kind) {
    if (!Start(state, kind))
        return;
    Image* image = CreateImage(32, 32, IMAGE_FMT_32);
    for (int i = 0; i < 32 * 32; ++i)
        image->pixels[i] = ((i & 3) ? 0xFF000000u : 0x80000000u) | (i * 2654435761u >> 8);
    UploadTexture(image);
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    for (auto _ : state) {
        DrawWorstCaseQuads(&r);
        EndFrame(kind);
    }
    FreeImage(&image);
}

// What the movie screen does every drawn frame: a new 640x480 image with
// the decoded picture, turned into a texture.
void MovieUpload(benchmark::State& state, int32_t kind) {
    if (!Start(state, kind))
        return;
    std::vector<uint32_t> decoded(640 * 480);
    for (size_t i = 0; i < decoded.size(); ++i)
        decoded[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    for (auto _ : state) {
        Image* frame = CreateImage(640, 480, IMAGE_FMT_32);
        std::memcpy(frame->pixels, decoded.data(), decoded.size() * 4);
        UploadTexture(frame);
        if (kind == RENDERER_OPENGL)
            glFinish();
        FreeImage(&frame);
    }
}

// A movie frame as the movie screen shows it: uploaded, then drawn scaled
// to the screen's width with linear filtering.
void MovieFrameDraw(benchmark::State& state, int32_t kind) {
    if (!Start(state, kind))
        return;
    Image* frame = CreateImage(640, 480, IMAGE_FMT_32);
    for (int32_t i = 0; i < 640 * 480; ++i)
        frame->pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    UploadTexture(frame);
    SetTextureFiltering(1);
    SpriteTransform scale = {
        802.0f / 640.0f, 802.0f / 640.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    SpriteRecord r = {};
    r.source = frame;
    InitSpriteRecord(&r, gScreenTarget);
    r.transform = &scale;
    r.flags = SPRITE_FLAG_TRANSFORM;
    for (auto _ : state) {
        DrawSprite(&r);
        EndFrame(kind);
    }
    SetTextureFiltering(0);
    FreeImage(&frame);
}

// All Direct3D 9 runs first, so that the OpenGL window opens once.
BENCHMARK_CAPTURE(TypicalFrame, Direct3D9, RENDERER_D3D9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WorstCaseQuads, Direct3D9, RENDERER_D3D9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovieUpload, Direct3D9, RENDERER_D3D9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovieFrameDraw, Direct3D9, RENDERER_D3D9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypicalFrame, OpenGL, RENDERER_OPENGL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WorstCaseQuads, OpenGL, RENDERER_OPENGL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovieUpload, OpenGL, RENDERER_OPENGL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovieFrameDraw, OpenGL, RENDERER_OPENGL)->Unit(benchmark::kMillisecond);

} // namespace
