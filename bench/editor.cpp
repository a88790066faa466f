// The editor's two costly paths: saving a level of four layers of the
// largest size a level file holds (1023 x 1023 cells) as Ctrl+S does it,
// through the safe writer into a temporary folder (the file's bytes, the
// write, the flush to disk and the rename), with the bytes alone beside
// it; and one frame of the editor's drawing with the object-code overlay
// at full opacity over an 800 x 600 view, in the software Direct3D 9
// renderer, against the same frame with the overlay off.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/graphics_scene.h"
#include "editor/editor_state.h"
#include "editor/level_saver.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/tile_map.h"

namespace {

constexpr int32_t kSide = kTileLayerMaxSide;

// A map of `side` x `side` cells per layer in its expanded form: stretches
// of a few codes, so rows hold runs of many lengths.
TileRunMap* MakeMap(int32_t side) {
    auto* map = new TileRunMap{};
    std::mt19937 random(5);
    for (TileRunLayer& layer : map->layers) {
        layer.width = static_cast<int16_t>(side);
        layer.rows = static_cast<int16_t>(side);
        layer.rowRuns = static_cast<TileRun**>(std::calloc(side + 1, sizeof(TileRun*)));
        layer.runCounts = static_cast<int16_t*>(std::calloc(side + 1, sizeof(int16_t)));
        uint8_t code = 0;
        for (int32_t r = 0; r < side; ++r) {
            layer.rowRuns[r] = static_cast<TileRun*>(std::calloc(side + 1, sizeof(TileRun)));
            layer.runCounts[r] = static_cast<int16_t>(side);
            for (int32_t c = 0; c < side; ++c) {
                if (random() % 7 == 0)
                    code = static_cast<uint8_t>(random() % 40);
                layer.rowRuns[r][c] = {static_cast<uint16_t>(c), 0, code};
            }
        }
    }
    map->expanded = 1;
    return map;
}

void BM_SaveLargestLevel(benchmark::State& state) {
    std::string folder =
        (std::filesystem::temp_directory_path() / "qb_bench_editor_XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const std::string path = folder + "/level.lvl";
    TileRunMap* map = MakeMap(kSide);
    int32_t saved = 1;
    for (auto _ : state)
        saved &= SaveLevelFile(path.c_str(), map);
    if (saved != 1)
        state.SkipWithError("the level was not saved");
    std::error_code error;
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path, error)) / 1e6;
    std::filesystem::remove_all(folder, error);
    FreeTileRunMap(map);
    delete map;
}
BENCHMARK(BM_SaveLargestLevel)->Unit(benchmark::kMillisecond);

// The file's bytes alone, without the write.
void BM_BuildLargestLevelFile(benchmark::State& state) {
    TileRunMap* map = MakeMap(kSide);
    std::vector<uint8_t> file;
    for (auto _ : state) {
        BuildLevelFile(*map, &file, nullptr);
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["MB"] = static_cast<double>(file.size()) / 1e6;
    FreeTileRunMap(map);
    delete map;
}
BENCHMARK(BM_BuildLargestLevelFile)->Unit(benchmark::kMillisecond);

// An icon for every code 0..39 in catalogue group 6.
bool OpenIconCatalogue() {
    static const bool opened = [] {
        CatalogueBuilder catalogue;
        for (uint32_t group = 0; group < 8; ++group)
            catalogue.AddItem(catalogue.AddGroup(), PlainEntry(0, {0}));
        catalogue.SetItem(6, 0, PlainEntry(8, SolidPng(32, 32, 0xFF00A0FF)));
        for (uint32_t code = 1; code < 40; ++code)
            catalogue.AddItem(6, PlainEntry(8, SolidPng(32, 32, 0xFF000000u | code * 0x060402)));
        const char* path = "/tmp/qb_bench_editor.res";
        if (!catalogue.WriteToFile(path) || OpenArchive(&gResourceArchive, path) != 1)
            return false;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        return true;
    }();
    return opened;
}

void BM_EditorFrame(benchmark::State& state) {
    if (!UseRenderer(RENDERER_D3D9) || !OpenIconCatalogue()) {
        state.SkipWithError("no software renderer or catalogue");
        return;
    }
    GameWorld* world = NewGameWorld();
    TileRunMap* map = MakeMap(200);
    world->map = *map;
    world->camera.positionX = 1000 * 65536;
    world->camera.positionY = 900 * 65536;
    world->camera.viewWidth = 800 * 65536;
    world->camera.viewHeight = 600 * 65536;
    auto* editor = new EditorState();
    editor->world = world;
    editor->subState = EDITOR_SUB_EDIT;
    editor->paletteCode = -1;
    editor->config.viewFlags = static_cast<uint8_t>(state.range(0));
    for (auto _ : state) {
        EditorDraw(editor);
        PresentFrame();
    }
    delete editor;
    FreeTileRunMap(&world->map);
    delete map;
    DeleteGameWorld(world);
}
BENCHMARK(BM_EditorFrame)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

} // namespace
