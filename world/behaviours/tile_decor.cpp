// Tile decorations (type 94): a scripted picture whose script the cells
// above it choose. Every message runs one script step.
#include "world/behaviours/behaviours.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

// Scripts are numbered by the top-left cell's value, then the top-middle's.
constexpr int32_t kScriptsPerTopLeft = 16;
constexpr int32_t kTopLeftCell = 0;
constexpr int32_t kTopMiddleCell = 1;
// Where a destroyed object waits for its slot to be freed.
constexpr int16_t kGoneX = -3000;
constexpr int16_t kGoneY = -3000;

} // namespace

void TileDecorHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* state = object->LogicAs<TileDecorState>();
    ScriptActor* actor = &state->actor;

    if ((message & OBJ_MSG_CREATE) != 0) {
        ResetActor(world, actor, object->typeId);
        ReadTileCodes(&world->map, ObjectCellColumn(object) - 1, ObjectCellRow(object) - 1, 3, 3,
                      state->cells);
        FadeBytes(state->cells, 9);
        StartScript(world, actor,
                    kScriptsPerTopLeft * state->cells[kTopLeftCell] + state->cells[kTopMiddleCell]);
    }
    RunScript(world, actor);
    if ((message & OBJ_MSG_DESTROY) != 0) {
        object->x = kGoneX;
        object->y = kGoneY;
        StopActor(world, actor);
    }
}

void DrawTileDecor(GameWorld* world, ObjectSlot* object) {
    ScriptActor* actor = &object->LogicAs<TileDecorState>()->actor;
    DrawActor(world, object->x, object->y, actor);
}
