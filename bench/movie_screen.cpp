// One 640x480 movie frame on the movie screen, against the 40 ms a frame of a
// 25 fps movie: split into the XviD decode, the 24-to-32-bit conversion and
// the upload and scaled, filtered draw (Direct3D 9 on our software layer,
// presenting to the X server under xvfb-run, else to SDL's dummy video),
// then the screen's whole Draw with the mixer open on the dummy audio
// driver. Counters in ms per frame and % of the budget.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/graphics_scene.h"
#include "bench/media_bench_data.h"
#include "engine/app.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "media/mmlib.h"
#include "media/mmplay.h"
#include "menus/screen_factory.h"
#include "menus/splash.h"
#include "tools/sample/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr double kBudgetMs = 40.0;
constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void ReportMs(benchmark::State& state, const char* name, double totalMs) {
    double iterations = static_cast<double>(state.iterations());
    state.counters[name] = iterations > 0 ? totalMs / iterations : 0.0;
}

// One more frame drawn and read back: its middle row is not all black.
bool MiddleRowDrawn(SpriteTransform& transform, const uint8_t* decoded) {
    Image* display = CreateImage(kWidth, kHeight, IMAGE_FMT_32 | IMAGE_FLAG_FULLCOLOUR);
    ConvertBgrFrame(decoded, display->pixels, kWidth * kHeight);
    UploadTexture(display);
    SpriteRecord record;
    record.source = display;
    InitSpriteRecord(&record, gScreenTarget);
    record.transform = &transform;
    record.flags = SPRITE_FLAG_TRANSFORM;
    record.x = 0;
    record.y = 0;
    DrawSprite(&record);
    std::vector<uint8_t> rgb(READ_SCREEN_BYTES);
    ReadScreen(rgb.data());
    PresentFrame();
    FreeImage(&display);
    size_t row = static_cast<size_t>(READ_SCREEN_HEIGHT / 2) * READ_SCREEN_WIDTH * 3;
    for (size_t i = 0; i < static_cast<size_t>(READ_SCREEN_WIDTH) * 3; ++i)
        if (rgb[row + i] != 0)
            return true;
    return false;
}

// Per drawn frame, as the movie screen does it, each step timed alone.
void BM_MovieFrameSplit(benchmark::State& state) {
    if (!UseRenderer(RENDERER_D3D9)) {
        state.SkipWithError("the Direct3D 9 renderer did not start");
        return;
    }
    const std::vector<uint8_t>& movie = BenchMovie();
    MMlib reader;
    MediaInfo info{};
    auto open = [&] {
        reader.OpenMemory(movie.data(), static_cast<int32_t>(movie.size()));
        reader.GetInfo(&info);
    };
    open();
    if (info.videoWidth != kWidth || info.videoHeight != kHeight) {
        state.SkipWithError("the movie did not open");
        return;
    }
    Image* decodeImage = CreateImage(kWidth, kHeight, IMAGE_FMT_32);
    uint8_t* decoded = reinterpret_cast<uint8_t*>(decodeImage->pixels);
    SetTextureFiltering(1);
    float scale = 802.0f / kWidth;
    SpriteTransform transform = {scale, scale, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    double decodeMs = 0, convertMs = 0, uploadDrawMs = 0;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        if (reader.DecodeVideoFrame(decoded) != 0) {
            state.PauseTiming();
            open();
            state.ResumeTiming();
            t0 = Clock::now();
            reader.DecodeVideoFrame(decoded);
        }
        decodeMs += MsSince(t0);

        Clock::time_point t1 = Clock::now();
        Image* display = CreateImage(kWidth, kHeight, IMAGE_FMT_32 | IMAGE_FLAG_FULLCOLOUR);
        ConvertBgrFrame(decoded, display->pixels, kWidth * kHeight);
        convertMs += MsSince(t1);

        Clock::time_point t2 = Clock::now();
        UploadTexture(display);
        SpriteRecord record;
        record.source = display;
        InitSpriteRecord(&record, gScreenTarget);
        record.transform = &transform;
        record.flags = SPRITE_FLAG_TRANSFORM;
        record.x = 0;
        record.y = 0;
        DrawSprite(&record);
        // The layer rasterises its batch here: part of the movie's cost.
        PresentFrame();
        FreeImage(&display);
        uploadDrawMs += MsSince(t2);
    }
    if (!MiddleRowDrawn(transform, decoded)) {
        state.SkipWithError("the movie frame was not drawn");
        return;
    }
    SetTextureFiltering(0);
    FreeImage(&decodeImage);
    ReportMs(state, "decode_ms", decodeMs);
    ReportMs(state, "convert_ms", convertMs);
    ReportMs(state, "upload_draw_ms", uploadDrawMs);
    double total = decodeMs + convertMs + uploadDrawMs;
    ReportMs(state, "total_ms", total);
    ReportMs(state, "budget_%", total * 100.0 / kBudgetMs);
}
BENCHMARK(BM_MovieFrameSplit)->Unit(benchmark::kMillisecond);

// The archive with the movie as item 0 of the movie group, catalogued, and
// the mixer open as the game opens it, its audio thread held.
class MovieScreenWorld {
public:
    MovieScreenWorld() {
        CatalogueBuilder catalogue;
        for (uint32_t group = 0; group <= SPLASH_MOVIE_GROUP; ++group)
            catalogue.AddItem(catalogue.AddGroup(), NumberEntry(group + 1));
        catalogue.SetItem(SPLASH_MOVIE_GROUP, 0, PlainEntry(RES_TYPE_SOUND_STREAMED, BenchMovie()));
        if (!catalogue.WriteToFile("base.res") || OpenArchive(&gResourceArchive, "base.res") != 1)
            return;
        archiveOpen_ = true;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        if (gMMplay.Open(44100, AUDIO_S16LSB, 2, 4096, 64, &gResourceArchive) != 0)
            return;
        SDL_PauseAudio(1);
        mixerOpen_ = true;
    }
    ~MovieScreenWorld() {
        if (mixerOpen_)
            gMMplay.Close();
        if (archiveOpen_) {
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
            CloseArchive(&gResourceArchive);
        }
    }
    bool ok() const { return mixerOpen_; }

private:
    ScopedTempDir dir_;
    bool archiveOpen_ = false;
    bool mixerOpen_ = false;
};

// The screen's own Draw: decode, convert, upload and the scaled draw, with
// the pacing, and the present where the layer rasterises; the movie
// starts again whenever it ends.
void BM_MovieScreenDraw(benchmark::State& state) {
    if (!UseRenderer(RENDERER_D3D9)) {
        state.SkipWithError("the Direct3D 9 renderer did not start");
        return;
    }
    MovieScreenWorld world;
    if (!world.ok()) {
        state.SkipWithError("the mixer did not open");
        return;
    }
    int32_t savedPeriod = gFramePeriodMs;
    std::unique_ptr<CSplash> screen;
    auto start = [&] { screen = std::make_unique<CSplash>(33, 0, SPLASH_MODE_MOVIE); };
    start();
    if (!screen->moviePlaying) {
        state.SkipWithError("the movie did not start");
        return;
    }
    double frameMs = 0;
    for (auto _ : state) {
        if (screen->result != 0) {
            state.PauseTiming();
            screen.reset();
            start();
            state.ResumeTiming();
        }
        Clock::time_point t0 = Clock::now();
        screen->Draw();
        PresentFrame();
        frameMs += MsSince(t0);
    }
    screen.reset();
    gFramePeriodMs = savedPeriod;
    ReportMs(state, "frame_ms", frameMs);
    ReportMs(state, "budget_%", frameMs * 100.0 / kBudgetMs);
}
BENCHMARK(BM_MovieScreenDraw)->Unit(benchmark::kMillisecond);

} // namespace
