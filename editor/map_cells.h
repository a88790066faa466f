// Reading and making the rows of an expanded map layer, shared by the map
// edits and the level saver.
#pragma once

#include <cstdint>

#include "world/tile_map.h"

// The code of cell c of row r; 0 where the row holds no run for it.
inline uint8_t ExpandedCellCode(const TileRunLayer& layer, int32_t r, int32_t c) {
    const TileRun* row = layer.rowRuns[r];
    return row != nullptr && c >= 0 && c < layer.runCounts[r] ? row[c].code : 0;
}

// Whether the layer's row tables exist for all its rows.
inline bool HasRowTables(const TileRunLayer& layer) {
    return layer.rows <= 0 || (layer.rowRuns != nullptr && layer.runCounts != nullptr);
}

// A row of `width` zero cells numbered 0 to width - 1, with the one spare
// run that expanded rows carry; free() it.
TileRun* NewExpandedRow(int32_t width);
