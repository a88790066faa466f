// Shape tables as the archive may hold them: every code must name a shape
// of the store afterwards, and objects must move through any quarter codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "fuzz/memory_archive.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/tile_map.h"

namespace {

// Entry 0: a small level using every code; entry 1: the input.
int OpenArchiveWith(const uint8_t* data, size_t size, ResourceArchive* archive) {
    static const std::vector<uint8_t> level = [] {
        LevelLayerGrid grid = FilledLayer(16, 16, 0);
        for (int32_t i = 0; i < 256; ++i)
            grid.codes[i] = static_cast<uint8_t>(i);
        return WriteLevelFile({FilledLayer(1, 1, 0), FilledLayer(1, 1, 0), FilledLayer(1, 1, 0), grid});
    }();
    ArchiveBuilder builder;
    builder.AddPlain(3, level);
    builder.AddPlain(3, std::vector<uint8_t>(data, data + size));
    return OpenMemoryArchive(builder.Build(), "fuzz_shapes", archive);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    static GameWorld* world = NewGameWorld();
    ResourceArchive archive{};
    int fd = OpenArchiveWith(data, size, &archive);
    if (fd < 0)
        return 0;
    if (world->map.layers[3].rowRuns == nullptr) {
        ResourceStream stream;
        if (OpenResourceStream(&archive, &stream, 0)) {
            int16_t layer = 0;
            while (LoadTileRunLayer(&world->map, &layer, &stream) == 0) {
            }
            CloseResourceStream(&stream);
            ExpandTileRunLayers(&world->map);
        }
    }
    if (LoadTileShapes(world, &archive, 1) != 1)
        std::abort();
    if (world->tileShapeCount < 1 || world->tileShapeCount > kTileCodeCount + 1)
        std::abort();
    for (TileShape* shape : world->tileShapes)
        if (shape < world->tileShapeStore || shape >= world->tileShapeStore + world->tileShapeCount)
            std::abort();
    // Moves across the 16 x 16 cells of every code, in eight directions.
    for (int i = 0; i < 16; ++i) {
        int32_t x = (8 + 30 * i) * 65536 + i * 977;
        int32_t y = (8 + 29 * (15 - i)) * 65536;
        const int32_t vx = ((i & 3) - 1) * 0x180000 + i * 0x1111;
        const int32_t vy = (((i >> 2) & 3) - 1) * 0x180000 - i * 0x777;
        for (int frame = 0; frame < 4; ++frame)
            MoveObject(world, &x, &y, vx, vy);
    }
    FreeTileShapes(world);
    CloseArchive(&archive);
    close(fd);
    return 0;
}
