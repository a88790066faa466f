// Level files as the archive may hold them: one layer read on its own, or
// all four read as the level loader does, then expanded, searched and
// walked through. Compact and expanded searches must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "fuzz/memory_archive.h"
#include "tools/sample/archive_builder.h"
#include "world/game_world.h"
#include "world/tile_map.h"

namespace {

// The bytes as entry 0 of an archive held in memory; -1 when that fails.
int OpenAsEntry(const uint8_t* data, size_t size, ResourceArchive* archive) {
    ArchiveBuilder builder;
    builder.AddPlain(3, std::vector<uint8_t>(data, data + size));
    return OpenMemoryArchive(builder.Build(), "fuzz_level", archive);
}

GameWorld* World() {
    static GameWorld* world = [] {
        GameWorld* w = NewGameWorld();
        InitTileRunMap(w);
        // Every code gets a shape of its own quarter codes 0..15.
        static TileShape shapes[kTileCodeCount];
        for (int code = 0; code < kTileCodeCount; ++code) {
            for (int i = 0; i < 16; ++i)
                shapes[code].q[i] = static_cast<uint8_t>((code * 7 + i * 3) % 16);
            w->tileShapes[code] = &shapes[code];
        }
        return w;
    }();
    return world;
}

int32_t CompactCode(TileRunMap* map, int32_t layer, int32_t x, int32_t y) {
    TileRun* run = nullptr;
    return FindTileRun(x, y, layer, map, &run) > 0 ? run->code : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20))
        return 0;
    const uint8_t mode = data[0];
    ResourceArchive archive{};
    int fd = OpenAsEntry(data + 1, size - 1, &archive);
    if (fd < 0)
        return 0;
    GameWorld* world = World();
    TileRunMap* map = &world->map;
    ResourceStream stream;
    if (OpenResourceStream(&archive, &stream, 0)) {
        int16_t layer = static_cast<int16_t>((mode >> 1) & 3);
        if (mode & 1) {
            layer = 0;
            while (LoadTileRunLayer(map, &layer, &stream) == 0) {
            }
        } else {
            LoadTileRunLayer(map, &layer, &stream);
        }
        CloseResourceStream(&stream);

        // Sample cells of every layer, compact first.
        std::vector<int32_t> before;
        for (int32_t l = 0; l < kTileLayerCount; ++l) {
            const int32_t w = map->layers[l].width, h = map->layers[l].rows;
            for (int32_t y = -1; y <= h && y < 12; ++y)
                for (int32_t x = -1; x <= w && x < 80; ++x)
                    before.push_back(CompactCode(map, l, x, y));
        }
        uint8_t codes[16 * 16];
        ReadTileCodes(map, -3, -2, 16, 16, codes);
        ExpandTileRunLayers(map);
        size_t k = 0;
        for (int32_t l = 0; l < kTileLayerCount; ++l) {
            const int32_t w = map->layers[l].width, h = map->layers[l].rows;
            for (int32_t y = -1; y <= h && y < 12; ++y)
                for (int32_t x = -1; x <= w && x < 80; ++x) {
                    const bool inside = x >= 0 && y >= 0 && x < w && y < h;
                    const int32_t want = before[k++];
                    const int32_t expanded = TileCodeAt(map, l, x, y);
                    if (expanded != (inside ? (want < 0 ? 0 : want) : -1) ||
                        CompactCode(map, l, x, y) != expanded)
                        std::abort();
                }
        }
        // A few moves through whatever the map holds.
        for (int i = 0; i < 8; ++i) {
            int32_t x = (data[i % size] * 0x9E3779B1u) % (64 * kCellUnits);
            int32_t y = (data[(i * 5) % size] * 0x85EBCA77u) % (32 * kCellUnits);
            int32_t vx = static_cast<int32_t>(data[(i * 3) % size]) * 0x8000 - 0x400000;
            int32_t vy = static_cast<int32_t>(data[(i * 7) % size]) * 0x8000 - 0x400000;
            MoveObject(world, &x, &y, vx, vy);
        }
        FreeTileRunMap(map);
    }
    CloseArchive(&archive);
    close(fd);
    return 0;
}
