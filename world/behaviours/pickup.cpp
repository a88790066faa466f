// Pickups: the collectables of types 4-7, 12-14, 56, 57, 70, 75, 76 and the
// help sign 123. A pickup waits with its idle effect and shadow until the
// pair rules take it, then shows its pop-up and taken effect, plays its
// taken script and goes, leaving its taken bit set so it never returns.
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/pickup_kinds.h"
#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/script_engine.h"

namespace {

// clang-format off
constexpr PickupKind kPickupKinds[] = {
    // type points popup             idle effect           shadow     stride hud icon
    {4,    3,     POPUP_3_POINTS,   EFFECT_KIND_RING,     5,         0, PICKUP_HUD_ICON_NONE},
    {5,    10,    POPUP_10_POINTS,  EFFECT_KIND_RING,     5,         0, PICKUP_HUD_ICON_NONE},
    {6,    50,    POPUP_50_POINTS,  EFFECT_KIND_RING,     5,         0, PICKUP_HUD_ICON_NONE},
    {7,    0,     POPUP_NONE,       EFFECT_KIND_RING_ALT, 8,         2, PICKUP_HUD_ICON_NONE},
    {12,   50,    POPUP_50_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_NONE},
    {13,   50,    POPUP_50_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_NONE},
    {14,   50,    POPUP_50_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_NONE},
    {56,   75,    POPUP_75_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_FIRST},
    {57,   75,    POPUP_75_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_SECOND},
    {70,   75,    POPUP_75_POINTS,  EFFECT_KIND_RING_ALT, 5,         0, PICKUP_HUD_ICON_NONE},
    {75,   75,    POPUP_75_POINTS,  EFFECT_KIND_RING,     5,         0, PICKUP_HUD_ICON_NONE},
    {76,   200,   POPUP_200_POINTS, EFFECT_KIND_RING,     5,         0, PICKUP_HUD_ICON_NONE},
    {123,  0,     POPUP_NONE,       kNoIdleEffect,        kNoShadow, 0, PICKUP_HUD_ICON_NONE},
};
// clang-format on

// What a type without a row is: worth nothing, showing nothing.
constexpr PickupKind kWorthless = {0,         0, POPUP_NONE,          kNoIdleEffect,
                                   kNoShadow, 0, PICKUP_HUD_ICON_NONE};

constexpr int16_t kPickupDepth = 4;
// Far outside any level: neither the player nor the activation window
// meets a pickup parked there.
constexpr int16_t kParkedX = -3000;
constexpr int16_t kParkedY = -1000;
// The carried-item pickup: its variant 1 is the item itself, which exists
// only while the player carries nothing.
constexpr uint8_t kCarriedItemType = 7;
constexpr int32_t kCarriedItemVariant = 1;

constexpr int32_t kFixedOne = 65536;

int32_t IdleScript(const PickupState& state) {
    return state.variantStride * state.variant;
}

int32_t TakenScript(const PickupState& state) {
    return IdleScript(state) + 1;
}

bool ParkedByCarriedItem(const GameWorld* world, const ObjectSlot* object,
                         const PickupState& state) {
    return object->typeId == kCarriedItemType && state.variant == kCarriedItemVariant &&
           world->player.carriedItem != 0;
}

void CreatePickup(GameWorld* world, ObjectSlot* object, PickupState* state, ScriptActor* actor) {
    const PickupKind& kind = PickupKindOf(object->typeId);
    state->variant = LeftCellParameter(world, object);

    if (kind.shadowScript != kNoShadow)
        CreateAttachedEffect(world, object, object->x, object->y, &state->shadow,
                             kind.shadowScript);

    state->variantStride = kind.variantStride;
    ResetActor(world, actor, object->typeId);
    StartScript(world, actor, IdleScript(*state));

    const bool gatedOut =
        !OptionGateAllows(RightCellCode(world, object->x, object->y), CurrentUserOption());
    const bool parked = gatedOut || ParkedByCarriedItem(world, object, *state);
    if (parked) {
        object->x = kParkedX;
        object->y = kParkedY;
    }

    // A parked pickup is alive during this step's pair scan; were it
    // available, a player anywhere to its right would collect a pickup that
    // must not exist.
    state->available = parked ? 0 : 1;
    state->takenState = PICKUP_WAITING;
    const MediaSet& set = world->mediaSets[actor->mediaSet];
    object->x = static_cast<int16_t>(object->x + set.spawnX);
    object->y = static_cast<int16_t>(object->y + set.spawnY);
    state->points = kind.points;
    state->idleEffect = ObjectRef{};
    if (kind.idleEffect != kNoIdleEffect)
        state->idleEffect =
            MakeObjectRef(SpawnEffect(world, object->x, object->y, kind.idleEffect));
    state->takenEffect = ObjectRef{};
    state->cameraX = world->camera.positionX;
    state->cameraY = world->camera.positionY;
}

void DestroyPickup(GameWorld* world, PickupState* state, ScriptActor* actor) {
    DeleteObject(world, AttachedEffectOf(world, state->shadow));
    DeleteObject(world, ResolveObjectRef(world, state->idleEffect, OBJT_EFFECT));
    state->idleEffect = ObjectRef{};
    StopActor(world, actor);
}

void RaiseHudIcon(GameWorld* world, int32_t hudIcon) {
    switch (hudIcon) {
    case PICKUP_HUD_ICON_FIRST:
        ++world->player.hudIcon1;
        break;
    case PICKUP_HUD_ICON_SECOND:
        ++world->player.hudIcon2;
        break;
    default:
        break;
    }
}

void BeginTakenSequence(GameWorld* world, ObjectSlot* object, PickupState* state,
                        ScriptActor* actor) {
    const PickupKind& kind = PickupKindOf(object->typeId);
    if (kind.popup != POPUP_NONE)
        CreateObject(world, object->x, object->y, OBJT_SCORE_POPUP,
                     OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, kind.popup);
    RaiseHudIcon(world, kind.hudIcon);
    DeleteObject(world, ResolveObjectRef(world, state->idleEffect, OBJT_EFFECT));
    state->idleEffect = ObjectRef{};
    state->takenEffect = MakeObjectRef(SpawnEffect(world, object->x, object->y, EFFECT_KIND_STARS));
    SetWorldBit(world, object->itemNumber, 1);
    state->takenState = PICKUP_FINISHING;
    StartScript(world, actor, TakenScript(*state));
}

} // namespace

const PickupKind& PickupKindOf(int32_t type) {
    for (const PickupKind& kind : kPickupKinds)
        if (kind.type == type)
            return kind;
    return kWorthless;
}

void PickupHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* state = object->LogicAs<PickupState>();
    auto* actor = object->DrawAs<ScriptActor>();
    object->depth = kPickupDepth;

    if ((message & OBJ_MSG_CREATE) != 0)
        CreatePickup(world, object, state, actor);
    if ((message & OBJ_MSG_SYNC_POS) != 0) {
        state->x = object->x * kFixedOne;
        state->y = object->y * kFixedOne;
    }
    if ((message & OBJ_MSG_DESTROY) != 0) {
        DestroyPickup(world, state, actor);
        return;
    }

    if (message == OBJ_MSG_DETACH) {
        state->shadow.link = -1;
        state->shadow.effect = ObjectRef{};
        return;
    }
    if (state->takenState == PICKUP_TAKEN) {
        BeginTakenSequence(world, object, state, actor);
    } else if (state->takenState == PICKUP_FINISHING && IsScriptDone(world, actor) != 0) {
        DeleteObject(world, object);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, actor, object->typeId);
        return;
    }

    RunScript(world, actor);
    if (ObjectSlot* shadow = AttachedEffectOf(world, state->shadow))
        PingEffect(world, shadow, object);
}

void DrawPickup(GameWorld* world, ObjectSlot* object) {
    DrawActor(world, object->x, object->y, object->DrawAs<ScriptActor>());
}
