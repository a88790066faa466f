// The player: its message handler (creation, position sync, destruction,
// the events other objects send it) and its draw function. The frame steps
// are in player_states.cpp, the level rules in player_quirks.cpp.
#include "world/behaviours/behaviours.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "media/volume.h"
#include "particles/particle.h"
#include "world/behaviour_state.h"
#include "world/behaviours/actor_media.h"
#include "world/behaviours/player_internal.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/play_task.h"
#include "world/script_engine.h"

namespace player {

namespace {

// Resource group 4, item 0: i32 pairs (vx, vy in pixels), one per entry level.
constexpr uint32_t kKnockbackGroup = 4;
constexpr uint32_t kKnockbackPairBytes = 8;

// Sound groups of the scripted sequence.
constexpr uint32_t kSequenceSoundGroup = 50;
constexpr uint32_t kSequenceStepSoundGroup = 49;

// Spawn parameters of the thrown costume and body (OBJT_FALLING): the media
// code above the low 12 bits, twice the script below them.
constexpr intptr_t kThrownCostumeParam = 0x1E0078;
constexpr intptr_t kThrownBodyParam = 0xF0042;
constexpr intptr_t kThrownBodyAltParam = 0xF0006;
constexpr int32_t kThrownBodyVx = -18, kThrownBodyVy = -30;

constexpr int32_t kThrowLift = 576;   // pixels the player rises when it throws
constexpr int32_t kSequenceHopX = 30; // OBJ_EV_SEQ_1 moves the player by this
constexpr int32_t kSequenceHopY = -30;
constexpr int32_t kSequenceVx = 14; // pixels a frame after the hop
constexpr int32_t kSequenceVy = -1;
constexpr int32_t kSequenceFallVx = 18; // the fall out of the ride
constexpr int32_t kShakeAfterSecondStep = 40;
constexpr int32_t kLaunchScript = 32; // OBJ_EV_SEQ_4 plays it whatever the costume
constexpr int32_t kChasedLaunchDx = -100, kChasedLaunchDy = -20;
constexpr int32_t kHitSpread = 4; // OBJ_EV_HIT: vx in -4..4 pixels

// Events without names: each counts a hit and, at option 0, knocks down.
constexpr ObjectMessage kHurtEventA = OBJ_EV_BASE + 9;
constexpr ObjectMessage kHurtEventB = OBJ_EV_BASE + 10;

bool IsEvent(ObjectMessage message) {
    return (message & 0xF8000000u) == 0 && (message & OBJ_EV_BASE) != 0;
}

bool IsHurtEvent(ObjectMessage message) {
    return message == OBJ_EV_HURT_ALT || message == OBJ_EV_HURT || message == kHurtEventA ||
           message == kHurtEventB;
}

bool WorldInvulnerable(const GameWorld* world) {
    return world->player.invulnerable != 0;
}

// The attached effect while the record still names it.
ObjectSlot* LiveAttachedEffect(PlayerFrame& f) {
    const AttachedEffectRecord& record = f.p->attachedEffect;
    if (record.link < 0)
        return nullptr;
    ObjectSlot* effect = AttachedEffectOf(f.world, record);
    return effect != nullptr && effect->index == record.link ? effect : nullptr;
}

void LoadKnockback(PlayerFrame& f) {
    PlayerState* p = f.p;
    p->knockbackVx = 0;
    p->knockbackVy = 0;
    if (GetGroupSize(&gResourceCatalogue, kKnockbackGroup) == 0)
        return;
    const uint32_t entry = GetResourceIndex(&gResourceCatalogue, kKnockbackGroup, 0);
    const uint32_t type = GetEntryType(gResourceCatalogue.archive, entry);
    if (ResourceTypeInClass(type, RES_CLASS_IMAGE) || ResourceTypeInClass(type, RES_CLASS_SOUND))
        return;
    uint8_t* table = nullptr;
    const int32_t size = LoadRawResource(gResourceCatalogue.archive, entry, &table);
    if (size > 0)
        ReadKnockbackPair(table, static_cast<uint32_t>(size), f.world->gameLevel, &p->knockbackVx,
                          &p->knockbackVy);
    FreeAndNull(&table);
}

void CreatePlayer(PlayerFrame& f) {
    GameWorld* world = f.world;
    ObjectSlot* object = f.object;
    PlayerState* p = f.p;

    p->costume = static_cast<uint8_t>(SavedPlayerCostume(world));
    object->depth = 8;
    ResetActor(world, f.actor, object->typeId);
    p->state = PLAYER_ST_MOVE;
    f.next = PLAYER_ST_MOVE;
    world->camera.lookAheadX = 0;
    world->camera.lookAheadY = 0;
    p->cameraX = world->camera.positionX;
    p->cameraY = world->camera.positionY;
    object->lookAheadX = 0;
    object->lookAheadY = 0;
    p->drawnX = object->x;
    p->drawnY = object->y;
    p->leaveCounter = -1;
    p->invulnerableCounter = -1;
    p->conveyorSpeed = 0;
    p->created = 1;

    const PlayerLevelRule& rule = PlayerLevelRuleOf(world->gameLevel);
    f.next = rule.startState;
    if ((rule.flags & PLAYER_LEVEL_RIDE_COUNTER) != 0)
        p->sequenceCounter = kRideSequenceCounter;
    if ((rule.flags & PLAYER_LEVEL_SPECIAL_STAND) != 0) {
        p->specialStand = 1;
        StartScript(world, f.actor, ScriptForState(PLAYER_ST_MOVE, p->costume, true));
    }
    if ((rule.flags & PLAYER_LEVEL_ANCHOR) != 0)
        p->level19Flag = 1;

    LoadKnockback(f);
    ClearLevelCounters(world, 1);

    if (CreateAttachedEffect(world, object, object->x, object->y, &p->attachedEffect, 0) ==
        nullptr) {
        p->attachedEffect.link = -1;
    }
    SpawnEffect(world, object->x, object->y, EFFECT_KIND_DUST, OBJ_MSG_CREATE);
    p->levelWordSpeedFlag = 0;
}

void SyncPlayer(PlayerFrame& f) {
    const MediaSet* set = f.actor->mediaSet >= 0 && f.actor->mediaSet < kMediaSetCount
                              ? &f.world->mediaSets[f.actor->mediaSet]
                              : nullptr;
    const int32_t spawnX = set != nullptr ? set->spawnX : 0;
    const int32_t spawnY = set != nullptr ? set->spawnY : 0;
    f.p->x = f.p->restartX = Pixels(f.object->x + spawnX);
    f.p->y = f.p->restartY = Pixels(f.object->y + spawnY);
}

void DestroyPlayer(PlayerFrame& f) {
    SavePlayerCostume(f.world, f.p->costume);
    DeleteObject(f.world, LiveAttachedEffect(f));
    f.p->attachedEffect.link = -1;
    delete f.p->particle;
    f.p->particle = nullptr;
    StopActor(f.world, f.actor);
}

// Levels that keep the costume take it off with the first message.
bool TakeOffCostume(PlayerFrame& f) {
    if (f.p->costume != 1 || !LevelHas(f.world->currentLevel, PLAYER_LEVEL_KEEPS_COSTUME) ||
        f.actor->mediaSet < 0) {
        return false;
    }
    f.p->costume = 0;
    StartScript(f.world, f.actor, ScriptForState(PLAYER_ST_STAND, 0, false));
    return true;
}

// The thrown costume or body, with a velocity when it is thrown away.
void ThrowFalling(PlayerFrame& f, intptr_t param, bool withVelocity) {
    ObjectSlot* thrown = CreateNearPlayer(f, OBJT_FALLING, 0, 0, param);
    if (thrown == nullptr || !withVelocity || thrown->typeId != OBJT_FALLING ||
        thrown->logic == nullptr ||
        f.world->types[OBJT_FALLING].logicUnits * 16 <
            static_cast<int32_t>(sizeof(ThrownObjectState))) {
        return;
    }
    ThrownObjectState* state = thrown->LogicAs<ThrownObjectState>();
    state->vx = Pixels(kThrownBodyVx);
    state->vy = Pixels(kThrownBodyVy);
}

void SpawnPieces(PlayerFrame& f) {
    SpawnEffect(f.world, f.object->x, f.object->y, EFFECT_KIND_PIECES, OBJ_MSG_CREATE);
}

void OnHit(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t k = PlayerLevelRuleOf(f.world->currentLevel).hitFamily;
    const int32_t vx = WorldRandomInt(-kHitSpread, kHitSpread);
    const int32_t script = k + 2 + 30 * p->costume;
    const ScriptInstruction launch = GetScriptInstruction(f.world, OBJT_PLAYER, script, 0);
    p->vx = Pixels(vx);
    p->vy = Pixels(launch.dy);
    p->launchMotionX = p->lastMotionX;
    p->launchMotionY = p->lastMotionY;
    EnterStateWithScript(f, PLAYER_ST_AIRBORNE + 2 * k + (vx < 1 ? PLAYER_FACING_LEFT : 0), script);
}

void OnThrow(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t facing = Facing(f.next);
    ThrowFalling(f, kThrownCostumeParam + facing + 2 * p->costume, false);
    if (!LevelHas(f.world->currentLevel, PLAYER_LEVEL_KEEPS_COSTUME))
        p->costume ^= 1;
    f.next = (LevelHas(f.world->currentLevel, PLAYER_LEVEL_ALT_FAMILY) ? PLAYER_ST_ALT_STAND
                                                                       : PLAYER_ST_STAND) +
             facing;
    p->y -= Pixels(kThrowLift);
}

void OnSequenceStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (f.next != PLAYER_ST_SEQ_END) {
        SpawnPieces(f);
        PlayGroupSound(f.world, kSequenceSoundGroup, 0, 0);
    }
    if (p->sequenceCounter == 1) {
        if (f.next != PLAYER_ST_SEQ_RIDE_2) {
            f.next += 2;
            p->sequenceCounter = kRideSequenceCounter;
            PlayGroupSound(f.world, kSequenceStepSoundGroup, 0, 0);
        } else {
            p->sequenceCounter = 0;
            if (f.option != 0) {
                ThrowFalling(
                    f, (p->costume == 0 ? kThrownBodyParam : kThrownBodyAltParam) + Facing(f.next),
                    true);
                f.next = PLAYER_ST_HURT;
                p->cellCode = PLAYER_CELL_FATAL;
                p->vx = Pixels(kSequenceFallVx);
                PlayGroupSound(f.world, kSequenceStepSoundGroup, 0, 0);
            }
        }
    } else {
        p->sequenceCounter -= 1;
    }
    if (BaseState(f.next) != PLAYER_ST_HURT && f.next != PLAYER_ST_SEQ_END) {
        MoveObject(f.world, &p->x, &p->y, Pixels(kSequenceHopX), Pixels(kSequenceHopY));
        p->vx = Pixels(kSequenceVx);
        p->vy = Pixels(kSequenceVy);
    }
}

void OnSequenceShake(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (p->shakeCounter != 0)
        return;
    if (f.next == PLAYER_ST_SEQ_RIDE) {
        f.next = PLAYER_ST_SEQ_RIDE_2;
    } else if (f.next == PLAYER_ST_SEQ_RIDE_2) {
        f.next = PLAYER_ST_SEQ_END;
        SpawnPieces(f);
        ThrowFalling(f, kThrownBodyParam + Facing(f.next), true);
    }
    p->shakeCounter = kShakeAfterSecondStep;
}

void OnSequenceLaunch(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (f.next != PLAYER_ST_SEQ_FINAL)
        return;
    EnterStateWithScript(f, PLAYER_ST_AIRBORNE, kLaunchScript);
    p->collisionFlags &= ~static_cast<int32_t>(COLLIDE_BLOCK_DOWN);
    p->vx = Pixels(kSequenceVx);
    p->vy = Pixels(GetScriptInstruction(f.world, OBJT_PLAYER, kLaunchScript, 0).dy);
    SpawnPieces(f);
    ObjectSlot* chased = CreateNearPlayer(f, OBJT_CHASED, kChasedLaunchDx, kChasedLaunchDy, 0);
    SendObjectMessage(f.world, chased, OBJ_EV_SET_STATE + PLAYER_ST_SEQ_END);
    PlayGroupSound(f.world, kSequenceSoundGroup, 0, 0);
}

// The events other objects and the pair rules send. False when the message
// ends with the event.
bool HandleEvent(PlayerFrame& f, ObjectMessage event) {
    GameWorld* world = f.world;
    PlayerState* p = f.p;
    const bool invulnerable = WorldInvulnerable(world);
    const bool altFamily = LevelHas(world->gameLevel, PLAYER_LEVEL_ALT_FAMILY);
    if (IsHurtEvent(event)) {
        if (!invulnerable && !IsHurtOrKnockedDown(f.next))
            AddLevelHits(world, -1);
        if (f.option == 0)
            event = OBJ_EV_KNOCKDOWN;
    }
    switch (event) {
    case OBJ_EV_HIT:
        OnHit(f);
        break;
    case OBJ_EV_PING:
        f.next = Facing(f.next);
        break;
    case OBJ_EV_HURT_ALT:
    case OBJ_EV_HURT:
        if (!invulnerable) {
            p->cellCode = PLAYER_CELL_FATAL;
            f.next = (altFamily ? PLAYER_ST_ALT_HURT : PLAYER_ST_HURT) + Facing(f.next);
        }
        break;
    case OBJ_EV_STUN:
        f.next = PLAYER_ST_STUNNED + Facing(f.next);
        break;
    case OBJ_EV_WARP: {
        // The parameter is the warp object: its slot position is the point.
        const ObjectSlot* point = f.object->ParamAs<const ObjectSlot*>();
        if (point != nullptr) {
            p->restartX = Pixels(point->x);
            p->restartY = Pixels(point->y);
        }
        return false;
    }
    case OBJ_EV_SPEED_B:
        if (f.next < 0 || f.next > PLAYER_ST_STUNNED + 1)
            return false;
        f.next += PLAYER_ST_SET_B_OFFSET;
        break;
    case OBJ_EV_THROW:
        OnThrow(f);
        break;
    case OBJ_EV_SEQ_1:
        OnSequenceStep(f);
        break;
    case OBJ_EV_SEQ_2:
        OnSequenceShake(f);
        break;
    case OBJ_EV_SEQ_3:
        if (f.next == PLAYER_ST_SEQ_END) {
            f.next = PLAYER_ST_SEQ_FINAL;
            SpawnPieces(f);
        }
        break;
    case OBJ_EV_SEQ_4:
        OnSequenceLaunch(f);
        break;
    case OBJ_EV_KNOCKDOWN:
        if (!invulnerable) {
            p->cellCode = PLAYER_CELL_FATAL;
            f.next = (altFamily ? PLAYER_ST_ALT_KNOCKDOWN : PLAYER_ST_KNOCKDOWN) + Facing(f.next);
        }
        break;
    default: // OBJ_EV_SET_STATE and the rest: a plain tick
        break;
    }
    return true;
}

} // namespace

// ---- shared helpers -------------------------------------------------------------

bool ReadKnockbackPair(const uint8_t* table, uint32_t size, int32_t entryLevel, int32_t* vx,
                       int32_t* vy) {
    // An entry level of 0 or less names no pair: index -1 must not pass.
    const int64_t index = int64_t{entryLevel} - 1;
    if (table == nullptr || index < 0 || index >= size / kKnockbackPairBytes)
        return false;
    *vx = static_cast<int32_t>(GetU32LE(table + kKnockbackPairBytes * index));
    *vy = static_cast<int32_t>(GetU32LE(table + kKnockbackPairBytes * index + 4));
    return true;
}

int32_t ScaledPixels(int32_t word, int64_t num, int64_t den) {
    if (den == 0)
        return 0;
    const int64_t value = static_cast<int64_t>(word) * 65536 * num / den;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int16_t SlotCoordinate(int64_t pixels) {
    return static_cast<int16_t>(std::clamp<int64_t>(pixels, INT16_MIN, INT16_MAX));
}

bool IsAirborne(int32_t state) {
    switch (BaseState(state)) {
    case PLAYER_ST_AIRBORNE:
    case PLAYER_ST_AIRBORNE_B:
    case PLAYER_ST_AIRBORNE_HIGH:
    case PLAYER_ST_ALT_AIRBORNE:
        return true;
    default:
        return false;
    }
}

bool IsBump(int32_t state) {
    return state >= PLAYER_ST_BUMP && state <= PLAYER_ST_BUMP_ALT + 1;
}

bool IsHurtOrKnockedDown(int32_t state) {
    const int32_t base = BaseState(state);
    return base == PLAYER_ST_HURT || base == PLAYER_ST_KNOCKDOWN || base == PLAYER_ST_ALT_HURT ||
           base == PLAYER_ST_ALT_KNOCKDOWN;
}

bool IsRide(int32_t state) {
    return state == PLAYER_ST_SEQ_RIDE || state == PLAYER_ST_SEQ_RIDE_2;
}

int32_t ScriptForState(int32_t state, int32_t costume, bool specialStand) {
    // The ride and the special stand have no second costume.
    constexpr int32_t kRideScript = 64, kSpecialStandScript = 66;
    constexpr int32_t kBumpScript = 0, kBumpBScript = 10, kBumpSpareScript = 3, kBumpAltScript = 21;
    const int32_t offset = 30 * costume;
    if (specialStand && (state == PLAYER_ST_MOVE || state == PLAYER_ST_MOVE + 1))
        return kSpecialStandScript + costume;
    switch (BaseState(state)) {
    case PLAYER_ST_SEQ_RIDE:
        return kRideScript;
    case PLAYER_ST_SEQ_RIDE_2:
        return kRideScript + 1;
    case PLAYER_ST_BUMP:
        return kBumpScript + offset;
    case PLAYER_ST_BUMP_B:
        return kBumpBScript + offset;
    case PLAYER_ST_BUMP_SPARE:
        return kBumpSpareScript + offset;
    case PLAYER_ST_BUMP_ALT:
        return kBumpAltScript + offset;
    default:
        return state / 2 + offset;
    }
}

void SetActorFacing(ScriptActor* actor, int32_t state) {
    actor->flags = static_cast<int16_t>((actor->flags & ~ACTOR_FACING_LEFT) |
                                        (Facing(state) != 0 ? ACTOR_FACING_LEFT : 0));
}

void EnterStateWithScript(PlayerFrame& f, int32_t state, int32_t script) {
    f.p->state = state;
    f.next = state;
    StartScript(f.world, f.actor, script);
    SetActorFacing(f.actor, state);
}

ObjectSlot* CreateNearPlayer(PlayerFrame& f, int32_t type, int32_t dx, int32_t dy, intptr_t param) {
    return CreateObject(f.world, SlotCoordinate(int64_t{f.object->x} + dx),
                        SlotCoordinate(int64_t{f.object->y} + dy), static_cast<uint32_t>(type),
                        OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, param);
}

} // namespace player

// ---- the world's record of the costume ---------------------------------------------

// The costume outlives the player object: a comeback or the next level
// starts in the costume the player last wore.
int32_t SavedPlayerCostume(const GameWorld* world) {
    return world->savedCostume & 1;
}

void SavePlayerCostume(GameWorld* world, int32_t costume) {
    world->savedCostume = costume & 1;
}

// ---- handler and draw ------------------------------------------------------------------

void PlayerHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    using namespace player;
    PlayerState* p = object->LogicAs<PlayerState>();
    ScriptActor* actor = object->DrawAs<ScriptActor>();
    if (p == nullptr || actor == nullptr)
        return;
    PlayerFrame f{world, object, p, actor, CurrentUserOption(), p->state};

    if ((message & OBJ_MSG_CREATE) != 0)
        CreatePlayer(f);
    const bool stand = TakeOffCostume(f);
    // A message that goes on into a tick after the costume came off.
    auto tick = [&](uint32_t input, bool withInput) {
        if (stand)
            f.next = PLAYER_ST_STAND;
        RunPlayerTick(f, input, withInput);
    };

    // Creation always goes on as a position sync.
    if ((message & (OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS)) != 0) {
        SyncPlayer(f);
        if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
            SetActorMedia(world, actor, object->typeId);
            return;
        }
        tick(0, true);
        return;
    }
    if (IsEvent(message)) {
        if (HandleEvent(f, message))
            tick(0, false);
        return;
    }
    if ((message & OBJ_MSG_DESTROY) != 0) {
        DestroyPlayer(f);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, actor, object->typeId);
        return;
    }
    if ((message & OBJ_MSG_DETACH) != 0) {
        p->attachedEffect.link = -1;
        return;
    }
    tick(message, true);
}

void DrawPlayer(GameWorld* world, ObjectSlot* object) {
    using namespace player;
    PlayerState* p = object->LogicAs<PlayerState>();
    ScriptActor* actor = object->DrawAs<ScriptActor>();
    if (p == nullptr || actor == nullptr)
        return;
    p->drawnX = object->x;
    p->drawnY = object->y;
    p->cameraX = world->camera.positionX;
    p->cameraY = world->camera.positionY;
    p->lookAheadX = object->lookAheadX;
    p->lookAheadY = object->lookAheadY;
    if (PlayerKeysIgnored(world, world->gameLevel))
        return;
    int32_t y = object->y;
    if (IsRide(p->state) || p->state == PLAYER_ST_SEQ_END)
        y += p->rideOffset + p->shakeOffset;
    DrawActor(world, object->x, y, actor);
}
