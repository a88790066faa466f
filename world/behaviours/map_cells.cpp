#include "world/behaviours/map_cells.h"

#include "world/game_world.h"

namespace {

constexpr int32_t kCellPixels = 32;
constexpr int32_t kObjectLayer = 3;
constexpr int32_t kFirstParameterCode = 240;

} // namespace

int32_t ObjectCellColumn(const ObjectSlot* object) {
    return object->x / kCellPixels;
}

int32_t ObjectCellRow(const ObjectSlot* object) {
    return object->y / kCellPixels;
}

int32_t CellParameter(const GameWorld* world, int32_t column, int32_t row) {
    const int32_t code = TileCodeAt(&world->map, kObjectLayer, column, row);
    return code >= kFirstParameterCode ? code - kFirstParameterCode : 0;
}

int32_t LeftCellParameter(const GameWorld* world, const ObjectSlot* object) {
    return CellParameter(world, ObjectCellColumn(object) - 1, ObjectCellRow(object));
}
