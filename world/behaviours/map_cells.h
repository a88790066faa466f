// The map cells around an object, from which small objects take their
// settings: a cell's parameter value is its layer-3 code minus 240 when the
// code is 240 or more, else 0.
#pragma once

#include <cstdint>

struct GameWorld;
struct ObjectSlot;

// The cell holding the object: its slot position over 32, toward zero.
int32_t ObjectCellColumn(const ObjectSlot* object);
int32_t ObjectCellRow(const ObjectSlot* object);

// 0 also for a cell no run covers.
int32_t CellParameter(const GameWorld* world, int32_t column, int32_t row);
int32_t LeftCellParameter(const GameWorld* world, const ObjectSlot* object);
