// PNG decoding of 1024x1024 RGBA and RGB pictures from the archive, beside
// libpng's simplified reader (png_image_finish_read) of the same files in
// memory; and the first load through the catalogue per MB of PNG.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"

namespace {

constexpr uint32_t kSide = 1024;

// A picture with smooth gradients and some noise, so it compresses like
// game art rather than like pure noise or a flat fill.
PngPicture GamePicture(PngColour colour) {
    PngPicture picture;
    picture.width = kSide;
    picture.height = kSide;
    picture.colour = colour;
    picture.bitDepth = 8;
    const int channels = PngChannelCount(colour);
    picture.samples.resize(size_t(kSide) * kSide * channels);
    uint32_t noise = 1;
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint16_t* s = picture.samples.data() + (size_t(y) * kSide + x) * channels;
            s[0] = uint16_t((x / 4 + (noise >> 29)) & 0xFF);
            s[1] = uint16_t((y / 4) & 0xFF);
            s[2] = uint16_t(((x ^ y) / 8) & 0xFF);
            if (channels == 4)
                s[3] = uint16_t(((x + y) / 2 > 600 ? 255 : (x + y) / 8) & 0xFF);
        }
    return picture;
}

struct PngArchive {
    std::string path = "bench_png_" + std::to_string(getpid()) + ".res";
    ResourceArchive archive{};
    std::vector<uint8_t> rgba = WritePng(GamePicture(PngColour::Rgba));
    std::vector<uint8_t> rgb = WritePng(GamePicture(PngColour::Rgb));
    PngArchive() {
        ArchiveBuilder builder;
        builder.AddPlain(static_cast<uint8_t>(RES_TYPE_PNG), rgba);
        builder.AddPlain(static_cast<uint8_t>(RES_TYPE_PNG), rgb);
        if (!builder.WriteToFile(path) || !OpenArchive(&archive, path.c_str()))
            std::fprintf(stderr, "cannot write the benchmark archive\n");
    }
    ~PngArchive() {
        CloseArchive(&archive);
        std::remove(path.c_str());
    }
};

PngArchive& Shared() {
    static PngArchive shared;
    return shared;
}

void LoadPngEntry(benchmark::State& state, uint32_t entry) {
    ResourceArchive* archive = &Shared().archive;
    for (auto _ : state) {
        Image* image = nullptr;
        if (!LoadPngResource(&image, archive, entry))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image);
        FreeImage(&image);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.counters["png_MB"] = double(GetEntrySize(archive, entry)) / (1 << 20);
}

// The reference: libpng's own simplified reader into BGRA, from memory.
void SimplifiedReader(benchmark::State& state, bool rgba) {
    const std::vector<uint8_t>& file = rgba ? Shared().rgba : Shared().rgb;
    std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, file.data(), file.size());
        image.format = PNG_FORMAT_BGRA;
        png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
}

BENCHMARK_CAPTURE(LoadPngEntry, rgba_1024, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimplifiedReader, rgba_1024_reference, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadPngEntry, rgb_1024, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimplifiedReader, rgb_1024_reference, false)->Unit(benchmark::kMillisecond);

} // namespace
