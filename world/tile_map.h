// The level map: four layers of 32-pixel cells stored as runs of equal
// codes, the collision shapes of the codes, and movement through the map.
#pragma once

#include <cstdint>

struct GameWorld;

constexpr int32_t kTileLayerCount = 4;
constexpr int32_t kTileCodeCount = 256;

struct TileRun {
    uint16_t firstColumn;
    uint8_t extra; // the run covers extra + 1 cells
    uint8_t code;
};

struct TileRunLayer {
    int16_t width; // cells
    int16_t rows;
    uint8_t extraHeader[12]; // kept for the editor's saver, not interpreted
    TileRun** rowRuns;  // rows + 1 entries; as loaded they point into one block
    int16_t* runCounts; // rows entries
};

struct TileRunMap {
    TileRunLayer layers[kTileLayerCount];
    uint8_t expanded;
};

// 4 x 4 quarters of 8 x 8 pixels; the quarter at (qx, qy) is q[4 * qy + qx].
struct TileShape {
    uint8_t q[16];
};

constexpr uint32_t COLLIDE_BLOCK_RIGHT = 1;
constexpr uint32_t COLLIDE_BLOCK_DOWN = 2;
constexpr uint32_t COLLIDE_BLOCK_LEFT = 4;
constexpr uint32_t COLLIDE_BLOCK_UP = 8;
constexpr uint32_t COLLIDE_SLOPE_FALLING = 16;
constexpr uint32_t COLLIDE_SLOPE_RISING = 32;

constexpr int32_t kCellUnits = 0x200000;    // one cell in 16.16 pixels
constexpr int32_t kQuarterUnits = 0x80000;  // one quarter
