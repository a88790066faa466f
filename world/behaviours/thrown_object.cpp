// Thrown objects (type 2): a costume or body that plays one script of the
// player's or the chased character's media, falls under gravity and goes
// when its script ends or it hits a wall.
#include "world/behaviours/behaviours.h"

#include <climits>

#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr int16_t kThrownDepth = 4;
constexpr int32_t kFixedOne = 65536;
constexpr int32_t kGravity = 0x1E000; // 1.875 pixels per frame, each frame
// Where a destroyed object waits for its slot to be freed.
constexpr int16_t kGoneX = -3000;
constexpr int16_t kGoneY = -3000;
// On this level a thrown object's script loops instead of ending it.
constexpr int16_t kLoopingScriptLevel = 3;

// The spawn parameter: which media above the low 12 bits, twice the script
// (plus the facing) in them.
constexpr uint32_t kScriptBitsMask = 0xFFF;
constexpr uint32_t kPlayerMediaCode = 0xF0000;
constexpr uint32_t kChasedMediaCode = 0xF8000;
// What the player's throw sends. It names the player's thrown-costume
// scripts, so it plays the player's media as kPlayerMediaCode does.
constexpr uint32_t kThrownCostumeCode = 0x1E0000;

// A long fall or a script's large motion must not wrap around.
int32_t Saturate(int64_t v) {
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

int32_t MediaTypeOf(uint32_t p) {
    switch (p & ~kScriptBitsMask) {
    case kPlayerMediaCode:
    case kThrownCostumeCode:
        return OBJT_PLAYER;
    case kChasedMediaCode:
        return OBJT_CHASED;
    default:
        return OBJT_FALLING;
    }
}

void CreateThrownObject(GameWorld* world, ObjectSlot* object, ThrownObjectState* state,
                        ScriptActor* actor) {
    const auto p = static_cast<uint32_t>(object->ParamValue());
    state->unused = -1;
    state->vx = 0;
    state->wantedScript = 0;
    state->mediaType = MediaTypeOf(p);
    ResetActor(world, actor, state->mediaType);
    const MediaSet& set = world->mediaSets[actor->mediaSet];
    const auto s = static_cast<int32_t>((p & kScriptBitsMask) / 2);
    if (s <= set.lastScript) {
        state->wantedScript = s;
        if ((s & 1) != 0)
            actor->flags |= ACTOR_FACING_LEFT;
    }
    state->flags |= THROWN_RESTART_SCRIPT;
    state->endState = 0;
    object->x = static_cast<int16_t>(object->x + set.spawnX);
    object->y = static_cast<int16_t>(object->y + set.spawnY);
}

// Answers true when the object deleted itself.
bool StepThrownObject(GameWorld* world, ObjectSlot* object, ThrownObjectState* state,
                      ScriptActor* actor) {
    if (state->wantedScript != state->currentScript ||
        (state->flags & THROWN_RESTART_SCRIPT) != 0) {
        StartScript(world, actor, state->wantedScript);
        state->flags &= ~THROWN_RESTART_SCRIPT;
        state->currentScript = state->wantedScript;
    }
    if (IsScriptDone(world, actor) != 0) {
        if (world->currentLevel == kLoopingScriptLevel)
            StartScript(world, actor, state->currentScript);
        else
            state->endState = THROWN_FINISHED;
    }

    RunScript(world, actor);
    state->vy = Saturate(static_cast<int64_t>(state->vy) + kGravity);
    const int32_t moveX = Saturate(static_cast<int64_t>(actor->dx) * kFixedOne + state->vx);
    const int32_t moveY = Saturate(static_cast<int64_t>(actor->dy) * kFixedOne + state->vy);
    const uint32_t hit = MoveObject(world, &state->x, &state->y, moveX, moveY);
    state->lastCollision = static_cast<int16_t>(hit);
    if ((hit & (COLLIDE_BLOCK_RIGHT | COLLIDE_BLOCK_LEFT)) != 0)
        state->endState = THROWN_FINISHED;
    if ((hit & (COLLIDE_BLOCK_DOWN | COLLIDE_BLOCK_UP)) != 0)
        state->vy = 0;

    if (state->endState == THROWN_FINISHED) {
        DeleteObject(world, object);
        return true;
    }
    object->x = static_cast<int16_t>(state->x / kFixedOne);
    object->y = static_cast<int16_t>(state->y / kFixedOne);
    return false;
}

} // namespace

void ThrownObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* state = object->LogicAs<ThrownObjectState>();
    auto* actor = object->DrawAs<ScriptActor>();

    if ((message & OBJ_MSG_CREATE) != 0) {
        object->depth = kThrownDepth;
        CreateThrownObject(world, object, state, actor);
    }
    if ((message & OBJ_MSG_SYNC_POS) != 0) {
        state->x = object->x * kFixedOne;
        state->y = object->y * kFixedOne;
    }
    if ((message & OBJ_MSG_DESTROY) != 0) {
        object->x = kGoneX;
        object->y = kGoneY;
        state->x = object->x * kFixedOne;
        state->y = object->y * kFixedOne;
        StopActor(world, actor);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        // Bound again to the media it was made with: the type's own set has
        // none of the scripts it plays.
        SetActorMedia(world, actor, state->mediaType);
        return;
    }
    StepThrownObject(world, object, state, actor);
}

void DrawThrownObject(GameWorld* world, ObjectSlot* object) {
    DrawActor(world, object->x, object->y, object->DrawAs<ScriptActor>());
}
