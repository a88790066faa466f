// Changing the shape of a level map in the editor: rows and columns of one
// layer inserted or deleted. The map must be in its expanded form (one run
// per cell), as the level loader leaves it.
//
// Each edit returns 1 when it changed the map, 0 when it did nothing: the
// map not expanded, a count below 1, a negative position, a layer outside
// 0..3, or a result wider or taller than a level file can hold.
#pragma once

#include <cstdint>

struct TileRunMap;

// The new rows go in at p = min(position, rows - 1) (0 on an empty layer):
// new row p + k copies old row p + k where it exists, else it is all zero.
// So terrain found at the insertion point is extended, not cut.
int32_t InsertMapRows(int32_t position, int32_t count, uint32_t layer, TileRunMap* map);
// From p = min(position, rows - 1); the last row is never deleted.
int32_t DeleteMapRows(int32_t position, int32_t count, uint32_t layer, TileRunMap* map);
// As for rows, cell by cell in every row; columns are renumbered.
int32_t InsertMapColumns(int32_t position, int32_t count, uint32_t layer, TileRunMap* map);
// From p = min(position, width - 1); the last column is never deleted.
int32_t DeleteMapColumns(int32_t position, int32_t count, uint32_t layer, TileRunMap* map);
