// The chased character: its message handler (creation, position sync,
// destruction, the events other objects send it), the frame around its
// state steps, its level rules and its draw function. The per-state steps
// are in chased_states.cpp.
#include "world/behaviours/behaviours.h"

#include <algorithm>
#include <climits>

#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "media/volume.h"
#include "world/behaviour_state.h"
#include "world/behaviours/actor_media.h"
#include "world/behaviours/chased_internal.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/script_engine.h"

namespace chased {

namespace {

constexpr int16_t kCreationDepth = 11;
constexpr int16_t kTickDepth = 28;
constexpr int32_t kAttachedEffectScript = 2;
constexpr int32_t kObjectLayer = 3;
constexpr int32_t kCellPixels = 32;

constexpr int32_t kGravity = 122880;     // 1.875 pixels a frame
constexpr int32_t kNudgeVx = 0xAAAA;     // 2/3 pixel
constexpr int32_t kLaunchVy = -30;       // pixels: asking for state 32
constexpr int32_t kHopVy = -15;          // pixels: a hop over what blocks it sideways
constexpr int32_t kSplitDx = -200;       // where a ping puts the second character
constexpr int32_t kParkedAt = -3000;     // pixels, both axes, while out of play
constexpr int32_t kMaxDrag = 12;         // pixels a frame the player drags or pulls it
constexpr int32_t kRawCatchUpLead = 600; // level 21: how far the player may be ahead
constexpr uint32_t kLandingSoundGroup = 52;

// Level words.
constexpr int32_t kShakeLengthWord = 2;
constexpr int32_t kShakeAmplitudeWord = 3;
constexpr int32_t kShakePeriodWord = 4;
constexpr int32_t kDragLeadWord = 25;
constexpr int32_t kPullLeadWord = 26;
constexpr int32_t kDragLeadFarWord = 27;
constexpr int32_t kLeanAWord = 102;
constexpr int32_t kLeanBWord = 103;
constexpr int32_t kLeanStepsWord = 104;
constexpr int32_t kOptionSpeedWord = 186; // 186, 187, 188 by option 0, 1, 2
constexpr int32_t kOptionCount = 3;

// A little more than one full turn of FixedSin: the shake's angle step is
// this over level word 4.
constexpr int32_t kShakeTurn = 411776;

// Event bits, tested in this order; the first that matches ends the message.
constexpr uint32_t kEventPingBit = 1;
constexpr uint32_t kEventQuietBit = 2;
constexpr uint32_t kEventStunBit = 4;
constexpr uint32_t kEventSpeedABit = 8;
constexpr uint32_t kEventSpeedBBit = 16;
constexpr uint32_t kEventSpeedOffBit = 32;
constexpr uint32_t kStateValueMask = 0x7FF;
constexpr uint32_t kStateKeepFacingMask = 0x7FE;
constexpr uint32_t kStateFieldMask = 0xFFF;

constexpr ChasedLevelRule kLevelRules[] = {
    {8, CHASED_LEVEL_WAIT_ENDS_LEVEL},
    {14, CHASED_LEVEL_WAIT_ENDS_LEVEL},
    {20, CHASED_LEVEL_WAIT_TURNS_LEFT | CHASED_LEVEL_WAIT_LEASH},
    {21, CHASED_LEVEL_NO_GRAVITY | CHASED_LEVEL_RAW_CATCH_UP},
    {26, CHASED_LEVEL_NO_DRAG},
    {28, CHASED_LEVEL_OPTION_SPEED},
};

bool IsEvent(ObjectMessage message) {
    return (message & 0xF8000000u) == 0 && (message & OBJ_EV_BASE) != 0;
}

bool IsSetState(ObjectMessage message) {
    return (message & OBJ_EV_SET_STATE) == OBJ_EV_SET_STATE;
}

int16_t SlotPixels(int32_t fixed) {
    // A 16.16 value's whole part always fits 16 bits.
    return static_cast<int16_t>(fixed / 65536);
}

int16_t SlotCoordinate(int64_t pixels) {
    return static_cast<int16_t>(std::clamp<int64_t>(pixels, INT16_MIN, INT16_MAX));
}

ObjectSlot* FindPlayer(GameWorld* world) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, OBJT_PLAYER);
}

// The attached effect while the record still names it.
ObjectSlot* LiveAttachedEffect(ChasedFrame& f) {
    const AttachedEffectRecord& record = f.c->attachedEffect;
    if (record.link == f.object->index)
        return nullptr;
    ObjectSlot* effect = AttachedEffectOf(f.world, record);
    return effect != nullptr && effect->index == record.link ? effect : nullptr;
}

void SetActorFacing(ScriptActor* actor, int32_t state) {
    actor->flags = static_cast<int16_t>((actor->flags & ~ACTOR_FACING_LEFT) |
                                        (Facing(state) != 0 ? ACTOR_FACING_LEFT : 0));
}

// ---- messages ------------------------------------------------------------------

void CreateChased(ChasedFrame& f) {
    GameWorld* world = f.world;
    ObjectSlot* object = f.object;
    ChasedState* c = f.c;
    ResetActor(world, f.actor, object->typeId);
    c->currentState = CHASER_ST_NONE;
    c->requestedState = CHASER_ST_STAND;
    object->depth = kCreationDepth;
    if (f.actor->mediaSet >= 0 && f.actor->mediaSet < kMediaSetCount) {
        const MediaSet& set = world->mediaSets[f.actor->mediaSet];
        object->x = SlotCoordinate(int64_t{object->x} + set.spawnX);
        object->y = SlotCoordinate(int64_t{object->y} + set.spawnY);
    }
    c->tauntEffect = ObjectRef{};
    c->cameraX = world->camera.positionX;
    c->cameraY = world->camera.positionY;
    c->vx = 0;
    c->pinged = 0;
    c->tauntFlag = 0;
    c->tauntCountdown = 0;
    c->lean = 0;
    c->leanTarget = 0;
    c->level82Flag = 0;
    // On failure the record keeps the character's own slot: no effect.
    CreateAttachedEffect(world, object, object->x, object->y, &c->attachedEffect,
                         kAttachedEffectScript);
}

void SyncChased(ChasedFrame& f) {
    if (f.c->currentState == CHASER_ST_STAND)
        return;
    f.c->x = Pixels(f.object->x);
    f.c->y = Pixels(f.object->y);
}

void DestroyChased(ChasedFrame& f) {
    DeleteObject(f.world, ResolveObjectRef(f.world, f.c->tauntEffect, OBJT_EFFECT));
    f.c->tauntEffect = ObjectRef{};
    DeleteObject(f.world, LiveAttachedEffect(f));
    StopActor(f.world, f.actor);
}

void OnSetState(ChasedFrame& f, ObjectMessage message) {
    ChasedState* c = f.c;
    const uint32_t s = message & kStateFieldMask;
    int32_t requested;
    if ((s & OBJ_STATE_KEEP_FACING) != 0)
        requested = Facing(c->currentState) + static_cast<int32_t>(s & kStateKeepFacingMask);
    else
        requested = static_cast<int32_t>(s & kStateValueMask);
    c->requestedState = static_cast<int16_t>(requested);
    if (requested == CHASER_ST_NUDGE)
        c->vx = Saturate(int64_t{c->vx} + kNudgeVx);
    else if (requested == CHASER_ST_FOLLOW_AIR)
        c->vy = Pixels(kLaunchVy);
    else
        c->flags |= CHASER_FLAG_RESTART;
}

void OnPing(ChasedFrame& f) {
    ChasedState* c = f.c;
    if (c->requestedState == CHASER_ST_SPLIT && c->pinged == 0) {
        ObjectSlot* second =
            CreateObject(f.world, SlotCoordinate(int64_t{f.object->x} + kSplitDx), f.object->y,
                         OBJT_CHASED, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
        SendObjectMessage(f.world, second, OBJ_EV_SET_STATE + CHASER_ST_TAUNT);
        c->flags |= CHASER_FLAG_NO_SCRIPT_MOTION;
        c->secondCharacter = 1;
    }
    c->pinged = 1;
}

// False when the event ends the message.
bool HandleEvent(ChasedFrame& f, ObjectMessage message) {
    ChasedState* c = f.c;
    if (IsSetState(message)) {
        OnSetState(f, message);
        return false;
    }
    if ((message & kEventPingBit) != 0) {
        OnPing(f);
        return false;
    }
    if ((message & kEventQuietBit) != 0) {
        c->tauntFlag = 0;
        return false;
    }
    if ((message & kEventStunBit) != 0) {
        c->tauntFlag = 1;
        return false;
    }
    if ((message & kEventSpeedABit) != 0) {
        c->leanTarget = LevelWord(f.world, kLeanAWord);
        return false;
    }
    if ((message & kEventSpeedBBit) != 0) {
        c->leanTarget = LevelWord(f.world, kLeanBWord);
        return false;
    }
    if ((message & kEventSpeedOffBit) != 0) {
        c->leanTarget = 0;
        return false;
    }
    return true;
}

// ---- the frame around the state steps ------------------------------------------------

void LeanStep(ChasedFrame& f) {
    f.c->lean = NextLean(f.c->lean, f.c->leanTarget, LevelWord(f.world, kLeanAWord),
                         LevelWord(f.world, kLeanBWord), LevelDivisor(f.world, kLeanStepsWord));
}

void ShakeStep(ChasedFrame& f) {
    ShakeFrame shake;
    if (!NextShake(f.c->shakeCounter, LevelWord(f.world, kShakeLengthWord),
                   LevelWord(f.world, kShakeAmplitudeWord), LevelWord(f.world, kShakePeriodWord),
                   &shake)) {
        return;
    }
    int32_t* pair = f.world->camera.offsets[1];
    pair[0] = shake.offsetX;
    if (shake.reset)
        pair[1] = 0;
    f.c->shakeCounter = shake.counter;
}

void MoveStep(ChasedFrame& f, int32_t motionX, int32_t motionY) {
    ChasedState* c = f.c;
    if ((c->flags & CHASER_FLAG_NO_COLLISION) != 0) {
        c->x = Saturate(int64_t{c->x} + motionX);
        c->y = Saturate(int64_t{c->y} + motionY);
        return;
    }
    c->collisionFlags |= static_cast<int32_t>(MoveObject(f.world, &c->x, &c->y, motionX, motionY));
    if ((c->collisionFlags & COLLIDE_BLOCK_DOWN) != 0) {
        if (c->currentState == CHASER_ST_FOLLOW_AIR) {
            c->requestedState = CHASER_ST_FOLLOW;
            PlayGroupSoundPanned(f, kLandingSoundGroup);
        }
        c->vy = 0;
        c->jumpFlag = 0;
    }
    if ((c->collisionFlags & (COLLIDE_BLOCK_LEFT | COLLIDE_BLOCK_RIGHT)) != 0 && c->jumpFlag == 0) {
        c->vy = Saturate(int64_t{c->vy} + Pixels(kHopVy));
        c->jumpFlag = 1;
    }
    c->collisionFlags = 0;
}

// Steps 1 to 14 of one frame.
void RunTick(ChasedFrame& f) {
    GameWorld* world = f.world;
    ObjectSlot* object = f.object;
    ChasedState* c = f.c;

    if (c->requestedState != c->currentState || (c->flags & CHASER_FLAG_RESTART) != 0) {
        c->currentState = c->requestedState;
        if (c->currentState >= 0)
            StartScript(world, f.actor, c->currentState / 2);
        c->flags &= ~CHASER_FLAG_RESTART;
    }
    object->depth = kTickDepth;
    SetActorFacing(f.actor, c->currentState);

    if (IsScriptDone(world, f.actor) != 0 && !ScriptDoneStep(f))
        return; // the level changes, or the character is gone
    RunScript(world, f.actor);
    StateStep(f);
    LeanStep(f);
    ShakeStep(f);

    if ((c->flags & CHASER_FLAG_NO_GRAVITY) == 0 && HasGravity(world->currentLevel))
        c->vy = Saturate(int64_t{c->vy} + kGravity);
    if ((c->flags & CHASER_FLAG_NO_VX) != 0)
        c->vx = 0;
    if ((c->flags & CHASER_FLAG_NO_VY) != 0)
        c->vy = 0;
    c->cameraX = world->camera.positionX;
    c->cameraY = world->camera.positionY;

    const int64_t extra = ExtraMotion(f) + PullBack(f);
    int64_t motionX = int64_t{c->vx} + extra;
    int64_t motionY = c->vy;
    if ((c->flags & CHASER_FLAG_NO_SCRIPT_MOTION) == 0) {
        motionX += int64_t{f.actor->dx} * 65536;
        motionY += int64_t{f.actor->dy} * 65536;
    }
    if (motionX != 0) {
        // The harder options make it faster by 2/3 pixel an option step.
        const int64_t growth = int64_t{f.option} * 2 * 65536 / 3;
        motionX += motionX > 0 ? growth : -growth;
    }
    if (c->outOfPlay != 0) {
        c->x = Pixels(kParkedAt);
        c->y = Pixels(kParkedAt);
    }
    MoveStep(f, Saturate(motionX), Saturate(motionY));

    object->x = SlotPixels(c->x);
    object->y = SlotPixels(c->y);
    if (ObjectSlot* effect = LiveAttachedEffect(f))
        PingEffect(world, effect, object);
    c->previousCellCode = c->cellCode;
    const int32_t code =
        TileCodeAt(&world->map, kObjectLayer, object->x / kCellPixels, object->y / kCellPixels);
    c->cellCode = code < 0 ? CHASER_CELL_NONE : static_cast<int16_t>(code);
}

} // namespace

// ---- shared helpers -------------------------------------------------------------------

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

uint16_t ChasedLevelFlags(int32_t level) {
    for (const ChasedLevelRule& rule : kLevelRules)
        if (rule.level == level)
            return rule.flags;
    return 0;
}

bool WaitEndsLevel(int32_t level) {
    return (ChasedLevelFlags(level) & CHASED_LEVEL_WAIT_ENDS_LEVEL) != 0;
}

bool WaitTurnsLeft(int32_t level) {
    return (ChasedLevelFlags(level) & CHASED_LEVEL_WAIT_TURNS_LEFT) != 0;
}

bool WaitHasLeash(int32_t level) {
    return (ChasedLevelFlags(level) & CHASED_LEVEL_WAIT_LEASH) != 0;
}

bool HasGravity(int32_t level) {
    return (ChasedLevelFlags(level) & CHASED_LEVEL_NO_GRAVITY) == 0;
}

int64_t ExtraMotion(ChasedFrame& f) {
    GameWorld* world = f.world;
    ChasedState* c = f.c;
    const uint16_t flags = ChasedLevelFlags(world->currentLevel);
    const int32_t lead = f.player->x - f.object->x; // the player's lead, pixels
    if ((flags & CHASED_LEVEL_NO_DRAG) != 0) {
        c->vy = 0;
        return 0;
    }
    if ((flags & CHASED_LEVEL_RAW_CATCH_UP) != 0) {
        // Kept as it stands: pixels added as a 16.16 amount, a fraction of a
        // pixel where the neighbouring rules add whole pixels.
        return lead > kRawCatchUpLead ? int64_t{f.player->x} - kRawCatchUpLead : 0;
    }
    if ((flags & CHASED_LEVEL_OPTION_SPEED) != 0) {
        if (f.option < 0 || f.option >= kOptionCount)
            return 0;
        return int64_t{LevelWord(world, kOptionSpeedWord + f.option)} * 65536;
    }
    if (c->secondCharacter != 0 || Facing(c->currentState) != 0)
        return 0;
    const int32_t word =
        c->currentState == CHASER_ST_CATCH_UP_FAR ? kDragLeadFarWord : kDragLeadWord;
    const int64_t e = int64_t{lead} - LevelWord(world, word);
    if (e < 1)
        return 0;
    const int32_t base = c->requestedState & ~CHASER_FACING_LEFT;
    if (base == CHASER_ST_WAIT && !WaitEndsLevel(world->currentLevel))
        c->requestedState = static_cast<int16_t>(Facing(c->currentState));
    return std::min<int64_t>(e, kMaxDrag) * 65536;
}

int64_t PullBack(ChasedFrame& f) {
    ChasedState* c = f.c;
    if (c->currentState != CHASER_ST_STAND + CHASER_FACING_LEFT || c->secondCharacter != 0)
        return 0;
    const int64_t divisor = std::max<int64_t>(1, int64_t{c->pullDivisor} + 1);
    const int64_t b =
        std::min<int64_t>(Ahead(f) - LevelWord(f.world, kPullLeadWord) / divisor, kMaxDrag);
    if (b <= 0)
        return 0;
    const int32_t base = c->requestedState & ~CHASER_FACING_LEFT;
    if (base == CHASER_ST_WAIT)
        c->requestedState = static_cast<int16_t>(Facing(c->currentState));
    return -int64_t{b} * 65536;
}

int32_t NextLean(int32_t lean, int32_t target, int32_t w102, int32_t w103, int32_t w104) {
    if (w104 < 1)
        w104 = 1;
    if (target != 0) {
        const int64_t next = int64_t{lean} + target / w104;
        return static_cast<int32_t>(target > 0 ? std::min<int64_t>(next, target)
                                               : std::max<int64_t>(next, target));
    }
    if (lean < 0) {
        const int32_t step = w102 / w104;
        return lean <= step ? Saturate(int64_t{lean} - step) : 0;
    }
    if (lean > 0) {
        const int32_t step = w103 / w104;
        return lean >= step ? Saturate(int64_t{lean} - step) : 0;
    }
    return 0;
}

bool NextShake(int32_t counter, int32_t w2, int32_t w3, int32_t w4, ShakeFrame* out) {
    if (counter >= 1 && counter <= int64_t{w2} - 1) {
        const int64_t divisor = std::max(1, w4);
        // The angle wraps as 32-bit arithmetic would; FixedSin takes any turn.
        const auto angle = static_cast<int32_t>(
            static_cast<uint32_t>(static_cast<uint64_t>(kShakeTurn / divisor * counter)));
        const int64_t length = std::max(1, w2);
        const int64_t offset = int64_t{FixedSin(angle)} * w3 * (int64_t{w2} - counter) / length;
        *out = ShakeFrame{Saturate(offset), counter + 1, false};
        return true;
    }
    if (counter >= w2) {
        *out = ShakeFrame{0, 0, true};
        return true;
    }
    return false;
}

int32_t Ahead(const ChasedFrame& f) {
    return f.object->x - f.player->x;
}

PlayerState* PlayerLogic(const ChasedFrame& f) {
    const ObjectSlot* player = f.player;
    if (player == nullptr || player->logic == nullptr ||
        f.world->types[player->typeId].logicUnits * 16 <
            static_cast<int32_t>(sizeof(PlayerState))) {
        return nullptr;
    }
    return player->LogicAs<PlayerState>();
}

void SendSelf(ChasedFrame& f, ObjectMessage message) {
    SendObjectMessage(f.world, f.object, message);
}

void PlayGroupSoundPanned(ChasedFrame& f, uint32_t group) {
    const int32_t channel = PlayGroupItem(f.world, group);
    // Channel 0 carries the music, whose placement is not the world's.
    if (channel > MUSIC_CHANNEL)
        SetChannelPosition(channel, Ahead(f), f.object->y - f.player->y);
}

ObjectSlot* ProjectileBehind(ChasedFrame& f) {
    constexpr int32_t kFurthest = -199, kNearest = -1, kLowest = 19;
    uint16_t index = 0;
    while (ObjectSlot* projectile = FindNextObjectOfType(f.world, &index, OBJT_PROJECTILE_A)) {
        const int32_t dx = projectile->x - f.object->x;
        const int32_t dy = projectile->y - f.object->y;
        if (dx >= kFurthest && dx <= kNearest && dy <= kLowest)
            return projectile;
    }
    return nullptr;
}

namespace {

// The level-object record of a live level object, null for an object whose
// buffer is too small to hold one.
LevelObjectState* LevelObjectLogic(GameWorld* world, ObjectSlot* object) {
    if (object == nullptr || object->typeId == 0 || object->logic == nullptr ||
        world->types[object->typeId].logicUnits * 16 <
            static_cast<int32_t>(sizeof(LevelObjectState))) {
        return nullptr;
    }
    return object->LogicAs<LevelObjectState>();
}

} // namespace

bool SetLevelObjectSpeed(GameWorld* world, ObjectSlot* object, int32_t vx) {
    LevelObjectState* state = LevelObjectLogic(world, object);
    if (state == nullptr)
        return false;
    state->velocityX = vx;
    return true;
}

bool IsFreeToEscapeInto(GameWorld* world, ObjectSlot* object) {
    // Word 18 of the record, counted from 0: the camera x it kept last step.
    const LevelObjectState* state = LevelObjectLogic(world, object);
    return state != nullptr && state->cameraX == 0;
}

} // namespace chased

// ---- what other behaviours ask of it ----------------------------------------------------

const SpriteKeyRecord* ChasedSpriteKey(GameWorld* world, ObjectSlot* chased, uint16_t key) {
    if (chased == nullptr || chased->typeId != OBJT_CHASED || chased->draw == nullptr)
        return nullptr;
    return ActorSpriteKey(world, chased->DrawAs<ScriptActor>(), key);
}

// ---- handler and draw -----------------------------------------------------------------------

void ChasedCharacterHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    using namespace chased;
    ChasedState* c = object->LogicAs<ChasedState>();
    ScriptActor* actor = object->DrawAs<ScriptActor>();
    if (c == nullptr || actor == nullptr)
        return;
    ChasedFrame f{world, object, c, actor, FindPlayer(world), CurrentUserOption()};

    // Its actor's sounds are linked from the world's sound records: it lets
    // go of them whether or not a player is about.
    if ((message & OBJ_MSG_DESTROY) != 0) {
        DestroyChased(f);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, actor, object->typeId);
        return;
    }
    if (f.player == nullptr || (message & OBJ_MSG_DETACH) != 0)
        return;

    if ((message & OBJ_MSG_CREATE) != 0) {
        CreateChased(f);
        message |= OBJ_MSG_SYNC_POS;
    }
    if ((message & OBJ_MSG_SYNC_POS) != 0) {
        SyncChased(f);
    } else if (IsEvent(message) && !HandleEvent(f, message)) {
        return;
    }
    RunTick(f);
}

void DrawChasedCharacter(GameWorld* world, ObjectSlot* object) {
    const ChasedState* c = object->LogicAs<ChasedState>();
    ScriptActor* actor = object->DrawAs<ScriptActor>();
    if (c == nullptr || actor == nullptr)
        return;
    const int64_t x = int64_t{object->x} + c->lean;
    DrawActor(world, chased::Saturate(x), object->y, actor);
}
