// One step of the level loader's sprite loading (LoadLevelSprites: archive
// read, PNG decode, the set's bookkeeping) for 128x128 and 256x256 RGBA
// sprites, beside libpng's simplified reader of the same files in memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "graphics/image.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"
#include "tools/sample/media_block_writer.h"
#include "world/game_world.h"
#include "world/media_set.h"

namespace {

constexpr int32_t kSprites = 8;

// Game-like art: gradients, a little noise, soft alpha edges.
std::vector<uint8_t> SpritePng(uint32_t side, uint32_t seed) {
    PngPicture picture;
    picture.width = side;
    picture.height = side;
    picture.colour = PngColour::Rgba;
    picture.samples.resize(size_t(side) * side * 4);
    uint32_t noise = seed;
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint16_t* s = picture.samples.data() + (size_t(y) * side + x) * 4;
            s[0] = uint16_t((x * 2 + (noise >> 30) + seed) & 0xFF);
            s[1] = uint16_t((y * 2) & 0xFF);
            s[2] = uint16_t(((x ^ y) + seed * 16) & 0xFF);
            const uint32_t edge = std::min(std::min(x, y), std::min(side - 1 - x, side - 1 - y));
            s[3] = uint16_t(edge > 8 ? 255 : edge * 32);
        }
    return WritePng(picture);
}

// One type with kSprites sprites of one size and no per-level list, so that
// step n loads sprite n.
struct SpriteWorld {
    std::string path;
    std::vector<std::vector<uint8_t>> pngs;
    GameWorld* world = nullptr;
    MediaSet* set = nullptr;

    explicit SpriteWorld(uint32_t side)
        : path("bench_world_media_" + std::to_string(getpid()) + "_" + std::to_string(side) +
               ".res") {
        ArchiveBuilder builder;
        MediaBlockWriter writer(&builder);
        MediaBlockSpec block;
        block.scripts = EncodeMediaScripts(0, 0, {});
        for (int32_t i = 0; i < kSprites; ++i) {
            pngs.push_back(SpritePng(side, uint32_t(i + 1)));
            MediaSpriteSpec sprite;
            sprite.picture = pngs.back();
            block.sprites.push_back(sprite);
        }
        writer.AppendChain({{{5, writer.AppendBlock(block)}}});
        world = NewGameWorld();
        ResetMediaSets(world);
        world->mediaPart = 1;
        if (!builder.WriteToFile(path) || !OpenArchive(&gResourceArchive, path.c_str()) ||
            LoadMediaSet(world, 5) != 1) {
            std::fprintf(stderr, "cannot set up the benchmark media\n");
            return;
        }
        set = &world->mediaSets[FindMediaSetIndex(world, 5)];
    }
    ~SpriteWorld() {
        FreeMediaSets(world);
        DeleteGameWorld(world);
        CloseArchive(&gResourceArchive);
        std::remove(path.c_str());
    }
};

void LoadLevelSpritesStep(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(0));
    SpriteWorld media(side);
    if (media.set == nullptr) {
        state.SkipWithError("no media");
        return;
    }
    int32_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadLevelSprites(media.world, media.set, n));
        state.PauseTiming();
        SpriteEntry& sprite = media.set->sprites[n];
        if (sprite.image == nullptr)
            state.SkipWithError("sprite not loaded");
        FreeImage(&sprite.image);
        n = (n + 1) % kSprites;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
}

// The reference: libpng's simplified reader into BGRA of the same files.
void SimplifiedReader(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(0));
    std::vector<std::vector<uint8_t>> files;
    for (int32_t i = 0; i < kSprites; ++i)
        files.push_back(SpritePng(side, uint32_t(i + 1)));
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    int32_t n = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& file = files[size_t(n)];
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, file.data(), file.size());
        image.format = PNG_FORMAT_BGRA;
        png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        benchmark::ClobberMemory();
        n = (n + 1) % kSprites;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
}

BENCHMARK(LoadLevelSpritesStep)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifiedReader)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

} // namespace
