// The level map: four layers of 32-pixel cells stored as runs of equal
// codes, the collision shapes of the codes, and movement through the map.
#pragma once

#include <cstdint>

struct GameWorld;
struct ResourceArchive;
struct ResourceStream;

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
    int16_t* runCounts; // one per row (rows + 1 allocated)
    TileRun* runBlock;  // that one block while the layer is as loaded; null once expanded
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

// ---- the level file -------------------------------------------------------

constexpr int32_t kTileLayerHeaderBytes = 16; // i16 width, i16 rows, 12 kept bytes
constexpr int32_t kTileRunFileBytes = 4;      // u16 first column, u8 extra, u8 code
constexpr int32_t kTileLayerMaxSide = 1023;   // cells across or down
constexpr int32_t kTileShapeBytes = 16;
constexpr uint32_t kTileShapeEntry = 2; // archive entry of the shape table

// Clears the map's tables (without freeing them) and the world's placements.
void InitTileRunMap(GameWorld* world);
// Reads layer *layerIndex from the stream and raises the index by one:
// 0 while layers remain, 1 once the fourth is read. A layer that is not a
// level layer (bad size or row offsets, a short read) prints one line and
// gives -1, with that layer and the later ones left empty and the index at
// 4, so no caller loop reads on into the broken stream. An index outside
// 0..3 reads nothing: 1.
int32_t LoadTileRunLayer(TileRunMap* map, int16_t* layerIndex, ResourceStream* stream);
// One run per cell in every layer; nothing when already expanded.
void ExpandTileRunLayers(TileRunMap* map);
void FreeTileRunMap(TileRunMap* map);
// Frees the world's placement table and grid; the placement count := -1.
void FreeTileRunMapBuffers(GameWorld* world);

// The run covering cell (x, y) of a layer in *run (may be null) and the
// number of probes it took (1 or more); -1 and a null run when no run of
// the row covers the cell or the cell is outside the layer.
int32_t FindTileRun(int32_t x, int32_t y, int32_t layer, TileRunMap* map, TileRun** run);
// The code of the run covering the cell, -1 when none: the answer of
// FindTileRun, straight from the cell's run once the map is expanded.
int32_t TileCodeAt(const TileRunMap* map, int32_t layer, int32_t x, int32_t y);
// Layer-3 codes of the w x h cells from (x0, y0), row by row; 255 where no
// run covers a cell.
void ReadTileCodes(const TileRunMap* map, int32_t x0, int32_t y0, int32_t w, int32_t h,
                   uint8_t* out);
// Object parameters from ReadTileCodes output: 240..255 become 0..15,
// everything else 0.
void FadeBytes(uint8_t* bytes, int32_t n);

// ---- collision shapes -----------------------------------------------------

// Fills world->tileShapes from the archive entry: -1 when it cannot be
// opened, else 1. Either way every code afterwards names a shape (codes
// without one share a zero shape), all owned by world->tileShapeStore.
int32_t LoadTileShapes(GameWorld* world, ResourceArchive* archive, uint32_t entry);
// Frees the store once and clears all 256 pointers.
void FreeTileShapes(GameWorld* world);

// ---- collision --------------------------------------------------------------
// Points are 16.16 world pixels. Cell and quarter indices are quotients
// rounded toward zero; a cell no run covers, and a quarter at -8 pixels or
// less, is solid (1). A code without a shape (shapes not loaded) is empty.

uint8_t GetQuarterCodeAt(int32_t x, int32_t y, TileShape* const shapes[kTileCodeCount],
                         const TileRunMap* map);
// out[3r + c] := the code of the quarter c - 1 columns and r - 1 rows from
// the point's own quarter (out[4]).
void GatherQuarterCodes(int32_t x, int32_t y, TileShape* const shapes[kTileCodeCount],
                        const TileRunMap* map, uint8_t out[9]);
// For a diagonal step (d 0, 2, 6, 8) into a solid quarter: bit 0 when the
// y flag applies, bit 1 when the x flag does. Other d: 0.
uint32_t TileEdgeFlags(int32_t d, const uint8_t codes[9]);
// The point has just moved by (dx, dy); stops or slides it against the
// quarters. Returns COLLIDE_* flags.
uint32_t CollideBoxWithMap(GameWorld* world, int32_t* x, int32_t* y, int32_t dx, int32_t dy);
// Moves (x, y) by the velocity in steps of at most one pixel. Returns the
// COLLIDE_* flags met on the way; the caller clears its own velocity.
uint32_t MoveObject(GameWorld* world, int32_t* x, int32_t* y, int32_t vx, int32_t vy);
