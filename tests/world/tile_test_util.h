// Level files and shape tables served from an archive held in memory, and
// a world with a map and shapes made from code grids.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/tile_map.h"

// An archive whose file lives in memory; closed with the object.
class MemoryArchive {
public:
    explicit MemoryArchive(const ArchiveBuilder& builder) {
        std::vector<uint8_t> bytes = builder.Build();
        fd_ = memfd_create("tile_test", 0);
        if (fd_ < 0 || write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            return;
        char path[64];
        std::snprintf(path, sizeof(path), "/proc/self/fd/%d", fd_);
        opened_ = OpenArchive(&archive_, path) == 1;
    }
    ~MemoryArchive() {
        CloseArchive(&archive_);
        if (fd_ >= 0)
            close(fd_);
    }
    MemoryArchive(const MemoryArchive&) = delete;
    MemoryArchive& operator=(const MemoryArchive&) = delete;

    bool opened() const { return opened_; }
    ResourceArchive* get() { return &archive_; }

private:
    int fd_ = -1;
    ResourceArchive archive_{};
    bool opened_ = false;
};

// Reads the four layers of entry `entry` the way the level loader does.
// The last LoadTileRunLayer result (1 when all four were read).
inline int32_t ReadLevel(TileRunMap* map, ResourceArchive* archive, uint32_t entry) {
    ResourceStream stream;
    if (!OpenResourceStream(archive, &stream, entry))
        return -2;
    int16_t layer = 0;
    int32_t result;
    do
        result = LoadTileRunLayer(map, &layer, &stream);
    while (result == 0);
    CloseResourceStream(&stream);
    return result;
}

// A world whose layer 3 and shapes come from a grid and a shape map,
// expanded as the level loader leaves it; layers 0 to 2 are one cell each.
class GridWorld {
public:
    GridWorld(const LevelLayerGrid& layer3, const std::map<uint8_t, std::array<uint8_t, 16>>& shapes)
        : world_(NewGameWorld()) {
        InitTileRunMap(world_);
        const LevelLayerGrid one = FilledLayer(1, 1, 0);
        ArchiveBuilder builder;
        builder.AddPlain(3, WriteLevelFile({one, one, one, layer3}));
        builder.AddPlain(3, WriteShapeTable(shapes));
        MemoryArchive archive(builder);
        EXPECT_EQ(ReadLevel(&world_->map, archive.get(), 0), 1);
        ExpandTileRunLayers(&world_->map);
        EXPECT_EQ(LoadTileShapes(world_, archive.get(), 1), 1);
    }
    ~GridWorld() {
        FreeTileShapes(world_);
        FreeTileRunMap(&world_->map);
        DeleteGameWorld(world_);
    }
    GridWorld(const GridWorld&) = delete;
    GridWorld& operator=(const GridWorld&) = delete;
    GameWorld* get() { return world_; }

private:
    GameWorld* world_;
};

// 16.16 from whole pixels.
constexpr int32_t Px(int32_t pixels) {
    return pixels * 65536;
}
