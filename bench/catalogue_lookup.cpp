// The catalogue: a cached GetResource lookup (two array reads), and the
// first load of a PNG item (decode and upload) per MB of PNG.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "engine/catalogue.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"

namespace {

constexpr uint32_t kGroups = 64;
constexpr uint32_t kItems = 16;

struct BenchCatalogue {
    std::string path = "bench_catalogue_" + std::to_string(getpid()) + ".res";
    ResourceArchive archive{};
    ResourceCatalogue catalogue{};
    CacheTable cache{};
    uint32_t frames = 0;
    uint32_t pictureGroup = 0;
    BenchCatalogue() {
        CatalogueBuilder layout;
        for (uint32_t g = 0; g < kGroups; ++g) {
            layout.AddGroup();
            for (uint32_t i = 0; i < kItems; ++i)
                layout.AddItem(g, NumberEntry(g * 100 + i, 3));
        }
        pictureGroup = layout.AddGroup();
        PngPicture picture = MakeTestPicture(PngColour::Rgba, 8, 512, 512, 1);
        layout.AddItem(pictureGroup,
                       PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), WritePng(picture)));
        if (!layout.WriteToFile(path) || !OpenArchive(&archive, path.c_str()))
            std::fprintf(stderr, "cannot write the benchmark archive\n");
        BuildResourceCatalogue(&catalogue, &archive, &cache, &frames, CATALOGUE_ROOT_ENTRY);
        for (uint32_t g = 0; g < kGroups; ++g)
            for (uint32_t i = 0; i < kItems; ++i)
                GetResource(&catalogue, g, int32_t(i));
    }
    ~BenchCatalogue() {
        UnloadCatalogue(&catalogue);
        CacheTableFree(&cache);
        CloseArchive(&archive);
        std::remove(path.c_str());
    }
};

BenchCatalogue& Shared() {
    static BenchCatalogue shared;
    return shared;
}

void CachedLookup(benchmark::State& state) {
    ResourceCatalogue* catalogue = &Shared().catalogue;
    uint32_t g = 0, i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetResource(catalogue, g, int32_t(i)));
        i = (i + 1) & (kItems - 1);
        g = (g + (i == 0)) & (kGroups - 1);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void FirstPngLoad(benchmark::State& state) {
    BenchCatalogue& shared = Shared();
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetResource(&shared.catalogue, shared.pictureGroup, 0));
        state.PauseTiming();
        UnloadGroup(&shared.catalogue, shared.pictureGroup);
        state.ResumeTiming();
    }
    double mb = double(GetResourceSize(&shared.catalogue, shared.pictureGroup, 0)) / (1 << 20);
    state.counters["png_MB"] = mb;
    state.counters["s_per_png_MB"] = benchmark::Counter(
        double(state.iterations()) * mb, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(CachedLookup);
BENCHMARK(FirstPngLoad)->Unit(benchmark::kMillisecond);

} // namespace
