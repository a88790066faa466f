// Frame cyclers (type 124): each shows instruction (frame counter mod 10) of
// its script 0, so every cycler on the level shows the same frame.
#include "world/behaviours/behaviours.h"
#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr int16_t kFrameCyclerDepth = 4;
constexpr int32_t kCycleScript = 0;
constexpr uint32_t kCycleLength = 10;
constexpr int32_t kFixedOne = 65536;

} // namespace

void FrameCycleObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* state = object->LogicAs<FrameCyclerState>();
    auto* actor = object->DrawAs<ScriptActor>();
    object->depth = kFrameCyclerDepth;

    if ((message & OBJ_MSG_CREATE) != 0) {
        ResetActor(world, actor, object->typeId);
        StartScript(world, actor, kCycleScript);
        const MediaSet& set = world->mediaSets[actor->mediaSet];
        object->x = static_cast<int16_t>(object->x + set.spawnX);
        object->y = static_cast<int16_t>(object->y + set.spawnY);
    }
    if ((message & OBJ_MSG_SYNC_POS) != 0) {
        state->x = object->x * kFixedOne;
        state->y = object->y * kFixedOne;
    }
    if ((message & OBJ_MSG_DESTROY) != 0) {
        StopActor(world, actor);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, actor, object->typeId);
        return;
    }

    // A script that ran off its end has popped its frame: start it again
    // rather than lose the cycler.
    if (actor->top == nullptr)
        StartScript(world, actor, kCycleScript);
    actor->top->pc = static_cast<int16_t>(world->frameCounter % kCycleLength);
    actor->top->wait = 1;
    RunScript(world, actor);
}

void DrawFrameCycleObject(GameWorld* world, ObjectSlot* object) {
    DrawActor(world, object->x, object->y, object->DrawAs<ScriptActor>());
}
