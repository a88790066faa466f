// Level objects and projectiles: the one message handler of the 41 types.
// Every type shares the pattern here — a behaviour state picks the script,
// gravity and the script's motion move the object through the map, events
// from the pair rules and the player switch the state, and a strike ends
// it. What a type does beyond that is a column of its row in the type
// table (level_object_kinds.cpp).
#include <cstdint>
#include <cstring>

#include "engine/catalogue.h"
#include "media/volume.h"
#include "world/behaviours/actor_media.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/level_object_internal.h"
#include "world/behaviours/level_object_state.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/script_engine.h"
#include "world/tile_map.h"

namespace level_object {

namespace {

constexpr int16_t kCreationDepth = 4;
// A stream that reaches a new segment runs its first leg this fast.
constexpr int32_t kStreamDurationAtCreation = 2;
// The flyers' bounces: a range that widens with the option.
constexpr int32_t kBouncesLowBase = 10, kBouncesLowPerOption = 5;
constexpr int32_t kBouncesHighBase = 15, kBouncesHighPerOption = 15;

// The four events that pick animation variants 1 to 4 (OBJ_EV_SEQ_4,
// OBJ_EV_KNOCKDOWN and the two after it).
constexpr ObjectMessage kFirstVariantEvent = OBJ_EV_SEQ_4;
constexpr ObjectMessage kLastVariantEvent = OBJ_EV_SEQ_4 + 3;

// Turn cells: the layer-3 code that turns walkers round.
constexpr int32_t kTurnCellCode = 128;

// The pendulum hangs this far below its home.
constexpr int32_t kPendulumDrop = 64;

constexpr int32_t kCellPixels = 32;
constexpr int32_t kObjectLayer = 3;

Context MakeContext(GameWorld* world, ObjectSlot* object) {
    uint16_t from = 0;
    const int32_t option = CurrentUserOption();
    return Context{world,
                   object,
                   object->LogicAs<LevelObjectState>(),
                   object->DrawAs<ScriptActor>(),
                   &LevelObjectKindOf(object->typeId),
                   FindNextObjectOfType(world, &from, OBJT_PLAYER),
                   option < 0 ? 0 : (option > 2 ? 2 : option),
                   ObjectCellColumn(object),
                   ObjectCellRow(object)};
}

// ---- creation ------------------------------------------------------------------------

constexpr uint8_t kRecordVariantType = 8;
constexpr uint8_t kDriftType = 46;

int32_t InitialVariant(const Context& c) {
    const ObjectSlot* object = c.object;
    if (object->typeId == kDriftType)
        return static_cast<int32_t>(object->ParamValue());
    if (object->typeId == kRecordVariantType && object->param != 0) {
        LevelObjectVariantRecord record{};
        std::memcpy(&record, object->ParamAs<const void*>(), sizeof(record));
        return record.variant;
    }
    return CellParameter(c.world, c.startColumn - 1, c.startRow);
}

void MakeShadow(const Context& c) {
    LevelObjectState* st = c.state;
    const int32_t script = ShadowScriptOf(c);
    if (script != kNoShadow) {
        CreateAttachedEffect(c.world, c.object, c.object->x, c.object->y, &st->shadow, script);
        return;
    }
    // Without a shadow the link keeps the object's own slot, which names no
    // attached effect.
    st->shadow.link = c.object->index;
    st->shadow.script = kNoShadow;
    st->shadow.effect = ObjectRef{};
}

void CreateLevelObject(const Context& c) {
    GameWorld* world = c.world;
    ObjectSlot* object = c.object;
    LevelObjectState* st = c.state;
    const LevelObjectKind& kind = *c.kind;

    st->velocityX = 0;
    st->wallFlag = 0;
    st->phase = 0.0f;
    st->attachedEffect = ObjectRef{};
    object->depth = kCreationDepth;

    st->variant = InitialVariant(c);
    st->variantStride = kind.variantStride;
    if (MakesCreationEffect(c))
        st->attachedEffect = MakeObjectRef(MakeEffect(c, kind.creationEffect, OBJ_MSG_CREATE));
    MakeShadow(c);

    if (IsOptionGated(c) &&
        !OptionGateAllows(RightCellCode(world, object->x, object->y), c.option)) {
        object->x = kGatedOutX;
        object->y = kGatedOutY;
    }

    if (object->typeId == OBJT_PROJECTILE_A && c.player != nullptr)
        SetFacingLeft(c, PlayerFacesLeft(c.player));
    ResetActor(world, c.actor, object->typeId);
    const PlayerState* player = PlayerStateOf(c.player);
    const bool costumed =
        object->typeId == OBJT_PROJECTILE_A && player != nullptr && player->costume != 0;
    st->wantedScript = BaseScript(c) + (costumed ? 1 : 0);
    st->struck = 0;
    st->scorable = 1;
    const MediaSet& set = world->mediaSets[c.actor->mediaSet];
    object->x = SlotCoordinate(int64_t{object->x} + set.spawnX);
    object->y = SlotCoordinate(int64_t{object->y} + set.spawnY);
    st->streamDuration = kStreamDurationAtCreation;
    st->bounces = WorldRandomInt(kBouncesLowPerOption * c.option + kBouncesLowBase,
                                 kBouncesHighPerOption * c.option + kBouncesHighBase);

    object->depth = kind.depth;
    st->hitPoints = kind.hitPoints;
    if (kind.init != nullptr)
        kind.init(c);

    st->cameraX = world->camera.positionX;
    st->cameraY = world->camera.positionY;
    st->flags |= LEVEL_OBJECT_RESTART_SCRIPT;
}

void SyncPosition(const Context& c) {
    LevelObjectState* st = c.state;
    st->positionX = st->homeX = Pixels(c.object->x);
    st->positionY = st->homeY = Pixels(c.object->y);
    if (c.object->typeId == kPendulumType)
        st->positionY = WrapFixed(int64_t{st->homeY} + Pixels(kPendulumDrop));
}

void PutSlotAtPosition(const Context& c) {
    c.object->x = SlotCoordinate(WholePixels(c.state->positionX));
    c.object->y = SlotCoordinate(WholePixels(c.state->positionY));
}

void LeavePlay(const Context& c) {
    c.state->positionX = Pixels(kOutOfPlayX);
    c.state->positionY = Pixels(kOutOfPlayY);
    c.object->x = kOutOfPlayX;
    c.object->y = kOutOfPlayY;
}

void DestroyLevelObject(const Context& c) {
    LevelObjectState* st = c.state;
    LeavePlay(c);
    DeleteObject(c.world, ResolveObjectRef(c.world, st->attachedEffect, OBJT_EFFECT));
    st->attachedEffect = ObjectRef{};
    DeleteObject(c.world, AttachedEffectOf(c.world, st->shadow));
    StopActor(c.world, c.actor);
}

// ---- events ----------------------------------------------------------------------------

void HitOnce(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_IDLE)
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
}

void HandleEvent(const Context& c, ObjectMessage event) {
    LevelObjectState* st = c.state;
    switch (event) {
    case OBJ_EV_ANCHOR:
        st->positionX = st->homeX;
        st->positionY = st->homeY;
        PutSlotAtPosition(c);
        return;
    case OBJ_EV_ARM:
        st->struck = 1;
        st->scorable = 0;
        return;
    case OBJ_EV_PING:
        SetTakenBit(c);
        LeavePlay(c);
        return;
    case OBJ_EV_QUIET:
        LeavePlay(c);
        return;
    case OBJ_EV_HIT:
        (c.kind->hit != nullptr ? c.kind->hit : HitOnce)(c);
        return;
    default:
        if (event >= kFirstVariantEvent && event <= kLastVariantEvent)
            SetWanted(c, static_cast<int32_t>(event - kFirstVariantEvent) + 1);
        return;
    }
}

// ---- the frame step -------------------------------------------------------------------

void ChooseScript(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->wantedScript == st->currentScript && (st->flags & LEVEL_OBJECT_RESTART_SCRIPT) == 0)
        return;
    StartScript(c.world, c.actor, st->wantedScript);
    st->flags &= ~LEVEL_OBJECT_RESTART_SCRIPT;
    st->currentScript = st->wantedScript;
}

void Move(const Context& c) {
    LevelObjectState* st = c.state;
    const int64_t scriptX = Pixels(c.actor->dx);
    const int64_t scriptY = Pixels(c.actor->dy);
    int64_t moveX = st->velocityX;
    int64_t moveY = st->velocityY;
    switch (c.kind->move) {
    case MoveRule::Scripted:
        moveX += scriptX;
        moveY += scriptY;
        break;
    case MoveRule::Velocity:
        break;
    case MoveRule::TriggeredScripted:
        if (st->behaviourState == LEVEL_OBJECT_TRIGGERED) {
            st->velocityX = WrapFixed(moveX + scriptX);
            st->velocityY = WrapFixed(moveY + scriptY);
            moveX = st->velocityX;
            moveY = st->velocityY;
        } else {
            moveX += scriptX;
            moveY += scriptY;
        }
        break;
    case MoveRule::Doubled:
        moveX *= 2;
        moveY *= 2;
        break;
    case MoveRule::Still:
        st->lastCollision = 0;
        return;
    case MoveRule::Pinned:
        PutSlotAtPosition(c);
        return;
    }
    st->lastCollision = static_cast<int32_t>(
        MoveObject(c.world, &st->positionX, &st->positionY, WrapFixed(moveX), WrapFixed(moveY)));
}

// The rules that replace the facing walls and the landing.
bool HasOwnCollisionRule(WallRule rule) {
    return rule == WallRule::StopsFall || rule == WallRule::Pendulum || rule == WallRule::Strikes;
}

void MeetWalls(const Context& c, uint32_t hit) {
    LevelObjectState* st = c.state;
    const bool right = (hit & COLLIDE_BLOCK_RIGHT) != 0;
    const bool left = (hit & COLLIDE_BLOCK_LEFT) != 0;
    switch (c.kind->walls) {
    case WallRule::Facing:
        if (right)
            SetFacingLeft(c, true);
        if (left)
            SetFacingLeft(c, false);
        break;
    case WallRule::Reversed:
        if (right)
            SetFacingLeft(c, false);
        if (left)
            SetFacingLeft(c, true);
        break;
    case WallRule::Keep:
        break;
    case WallRule::WallFlag:
        if (right)
            st->wallFlag = 1;
        break;
    case WallRule::StopsFall:
        st->velocityY = 0;
        if (st->behaviourState == LEVEL_OBJECT_TRIGGERED) {
            SetTakenBit(c);
            SetBehaviour(c, LEVEL_OBJECT_FINISHED, 2);
        }
        break;
    case WallRule::Pendulum:
        // The swing keeps its speed: the floor and the ceiling only switch
        // between its two scripts.
        if ((hit & COLLIDE_BLOCK_DOWN) != 0 && st->wantedScript == BaseScript(c) + 1)
            SetWanted(c, 0);
        if ((hit & COLLIDE_BLOCK_UP) != 0 && st->wantedScript == BaseScript(c))
            SetWanted(c, 1);
        break;
    case WallRule::Strikes:
        st->struck = 1;
        st->scorable = 0;
        break;
    }
}

void Land(const Context& c) {
    if (c.kind->landing != nullptr) {
        c.kind->landing(c);
        return;
    }
    c.state->velocityX = 0;
    c.state->velocityY = 0;
}

void TurnAtTurnCells(const Context& c) {
    LevelObjectState* st = c.state;
    if ((c.kind->traits & TRAIT_NO_TURN_CELLS) != 0)
        return;
    const int32_t column = PixelX(c) / kCellPixels;
    const int32_t row = PixelY(c) / kCellPixels;
    const bool onTurnCell = ObjectLayerCode(c.world, column, row) == kTurnCellCode ||
                            ObjectLayerCode(c.world, column, row - 1) == kTurnCellCode;
    if (!onTurnCell) {
        st->onTurnCell = 0;
        st->turned = 0;
        return;
    }
    if (st->onTurnCell != 0)
        return;
    st->onTurnCell = 1;
    ++st->turnCounter;
    if ((c.kind->traits & TRAIT_TURN_COUNT_ONLY) != 0 || st->turned != 0)
        return;
    FlipFacing(c);
    st->turned = 1;
    ++st->turnCounter;
}

void StartDyingScript(const Context& c, int32_t offsetFromBase) {
    LevelObjectState* st = c.state;
    st->dying = 1;
    // The dying script is also the wanted one, so the script choice of a
    // later step never starts another over it.
    SetWanted(c, offsetFromBase);
    st->currentScript = st->wantedScript;
    st->flags &= ~LEVEL_OBJECT_RESTART_SCRIPT;
    StartScript(c.world, c.actor, st->wantedScript);
}

// False when the object is gone.
bool RunStrike(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->dying != 0)
        return IsScriptDone(c.world, c.actor) != 0 ? DeleteSelf(c) : true;
    if (LeavesDeathStars(c))
        MakeEffect(c, EFFECT_KIND_DEATH_STARS, OBJ_MSG_CREATE);
    if ((c.kind->traits & TRAIT_STRIKE_KEEPS_BIT) == 0)
        SetTakenBit(c);
    if (ChaseFlyerBouncesBack(c))
        return true;
    switch (c.kind->dyingScript) {
    case kDeletedAtOnce:
        return DeleteSelf(c);
    case kDriftEnding:
        return EndDriftObject(c);
    default:
        StartDyingScript(c, c.kind->dyingScript);
        return true;
    }
}

void FinishStep(const Context& c) {
    c.state->cameraX = c.world->camera.positionX;
    c.state->cameraY = c.world->camera.positionY;
    PutSlotAtPosition(c);
    if (ObjectSlot* shadow = AttachedEffectOf(c.world, c.state->shadow))
        PingEffect(c.world, shadow, c.object);
}

void FrameStep(const Context& c) {
    LevelObjectState* st = c.state;
    const LevelObjectKind& kind = *c.kind;
    ChooseScript(c);
    if (kind.before != nullptr && !kind.before(c))
        return;
    if (st->dying == 0 && IsScriptDone(c.world, c.actor) != 0 && kind.done != nullptr &&
        !kind.done(c))
        return;
    if (st->dying == 0) {
        st->velocityY = WrapFixed(int64_t{st->velocityY} + kind.gravity);
        if (kind.motion != nullptr && !kind.motion(c))
            return;
    }
    if (kind.move != MoveRule::Still)
        RunScript(c.world, c.actor);
    Move(c);

    const uint32_t hit = static_cast<uint32_t>(st->lastCollision);
    if (st->dying == 0 && hit != 0) {
        MeetWalls(c, hit);
        if (!HasOwnCollisionRule(kind.walls) && (hit & COLLIDE_BLOCK_DOWN) != 0)
            Land(c);
    }
    TurnAtTurnCells(c);
    if ((st->struck == 1 || st->dying != 0) && !RunStrike(c))
        return;
    FinishStep(c);
}

} // namespace

// ---- helpers -------------------------------------------------------------------------

int32_t WrapFixed(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

int16_t SlotCoordinate(int64_t pixels) {
    if (pixels < INT16_MIN)
        return INT16_MIN;
    if (pixels > INT16_MAX)
        return INT16_MAX;
    return static_cast<int16_t>(pixels);
}

int32_t BaseScript(const Context& c) {
    return WrapFixed(int64_t{c.state->variantStride} * c.state->variant);
}

void SetWanted(const Context& c, int32_t offsetFromBase) {
    c.state->wantedScript = WrapFixed(int64_t{BaseScript(c)} + offsetFromBase);
}

void SetBehaviour(const Context& c, int32_t behaviourState, int32_t offsetFromBase) {
    c.state->behaviourState = behaviourState;
    SetWanted(c, offsetFromBase);
}

bool FacingLeft(const Context& c) {
    return (c.actor->flags & ACTOR_FACING_LEFT) != 0;
}

void SetFacingLeft(const Context& c, bool left) {
    if (left)
        c.actor->flags = static_cast<int16_t>(c.actor->flags | ACTOR_FACING_LEFT);
    else
        c.actor->flags = static_cast<int16_t>(c.actor->flags & ~ACTOR_FACING_LEFT);
}

void FlipFacing(const Context& c) {
    SetFacingLeft(c, !FacingLeft(c));
}

int32_t CameraEvenX(const GameWorld* world) {
    return WholePixels(world->camera.positionX) & ~1;
}

int32_t CameraEvenY(const GameWorld* world) {
    return WholePixels(world->camera.positionY) & ~1;
}

int32_t PixelX(const Context& c) {
    return WholePixels(c.state->positionX);
}

int32_t PixelY(const Context& c) {
    return WholePixels(c.state->positionY);
}

int32_t LastScriptOf(const GameWorld* world, int32_t type) {
    const int32_t set = FindMediaSetIndex(world, type);
    return set >= 0 && set < kMediaSetCount ? world->mediaSets[set].lastScript : -1;
}

int32_t ObjectLayerCode(const GameWorld* world, int32_t column, int32_t row) {
    return TileCodeAt(&world->map, kObjectLayer, column, row);
}

PlayerState* PlayerStateOf(ObjectSlot* player) {
    return player != nullptr ? player->LogicAs<PlayerState>() : nullptr;
}

bool PlayerFacesLeft(ObjectSlot* player) {
    const ScriptActor* actor = player != nullptr ? player->DrawAs<ScriptActor>() : nullptr;
    return actor != nullptr && (actor->flags & ACTOR_FACING_LEFT) != 0;
}

ObjectSlot* MakeEffect(const Context& c, int32_t kind, ObjectMessage message) {
    return SpawnEffect(c.world, c.object->x, c.object->y, kind, message);
}

void PlayGroupSound(const Context& c, uint32_t group) {
    const int32_t channel = PlayGroupItem(c.world, group);
    // Channel 0 carries the music, whose placement is not the world's.
    if (channel <= MUSIC_CHANNEL)
        return;
    const ObjectSlot* player = c.player;
    SetChannelPosition(channel, player != nullptr ? c.object->x - player->x : 0,
                       player != nullptr ? c.object->y - player->y : 0);
}

void SetTakenBit(const Context& c) {
    SetWorldBit(c.world, c.object->itemNumber, 1);
}

bool DeleteSelf(const Context& c) {
    DeleteObject(c.world, c.object);
    return false;
}

} // namespace level_object

void LevelObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    using namespace level_object;
    if (object->logic == nullptr || object->draw == nullptr)
        return;
    const Context c = MakeContext(world, object);
    if ((message & OBJ_MSG_CREATE) != 0)
        CreateLevelObject(c);
    if ((message & OBJ_MSG_SYNC_POS) != 0)
        SyncPosition(c);
    if ((message & OBJ_MSG_DESTROY) != 0) {
        DestroyLevelObject(c);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, c.actor, object->typeId);
        return;
    }
    if (message == OBJ_MSG_DETACH) {
        c.state->shadow.link = -1;
        c.state->shadow.effect = ObjectRef{};
        return;
    }
    if ((message & OBJ_EV_BASE) != 0) {
        if (c.state->dying == 0)
            HandleEvent(c, message);
        return;
    }
    FrameStep(c);
}
