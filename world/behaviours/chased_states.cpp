// The chased character's state steps: what a state does when its script is
// done, and what it does every frame.
#include <algorithm>

#include "engine/helpers.h"
#include "world/behaviour_state.h"
#include "world/behaviours/chased_internal.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/script_engine.h"

namespace chased {

namespace {

// States whose script has ended go on to base + facing. Each row covers the
// states from..to (both included).
struct ScriptDoneRow {
    int16_t from, to;
    int16_t base;
};
constexpr ScriptDoneRow kScriptDoneRows[] = {
    {2, 3, 0},    {8, 8, 0},    {84, 85, 0},  {18, 19, 16}, {28, 29, 26},
    {36, 36, 26}, {38, 38, 26}, {48, 49, 52}, {52, 53, 50}, {56, 59, 54},
    {62, 63, 64}, {70, 71, 68}, {74, 75, 72}, {78, 79, 76}, {80, 81, 78},
};

// The player leaves play in these states: a finished wait then ends no level.
constexpr int32_t kPlayerHurtState = 6;
constexpr int32_t kPlayerAltHurtState = 56;
constexpr int32_t kFinaleDestination = 1;

constexpr intptr_t kEscapeFallingParam = 0xF8004;
constexpr uint8_t kEscapeTargetType = 8;
constexpr int32_t kEscapeWind = -7; // pixels

// Sound groups.
constexpr uint32_t kTauntSoundGroup = 51;
constexpr uint32_t kStrikeSoundGroup = 55;

// Level words.
constexpr int32_t kStrikeReachWord = 109;
constexpr int32_t kBrakeWord = 115;
constexpr int32_t kHoverFloorWord = 161;
constexpr int32_t kPushOffsetXWord = 171;
constexpr int32_t kPushOffsetYWord = 172;
constexpr int32_t kPushLeadWord = 173;
constexpr int32_t kPushSpeedWord = 174; // 174 at option 1, 175 at option 2
constexpr int32_t kPushGapWord = 177;

// The distance band (pixels ahead of the player).
constexpr int32_t kRunBandNear = 149;  // at or below: runs on
constexpr int32_t kRunBandFar = 400;   // above: waits
constexpr int32_t kRunSpeed = 7;       // pixels a frame
constexpr int32_t kWaitWakes = 199;    // a waiting character at or below runs again
constexpr int32_t kLeashLength = 700;  // level 20
constexpr int32_t kDropSpeed = 122880; // 1.875 pixels a frame
constexpr int32_t kJumpVy = -30;       // pixels
constexpr int32_t kRunStopChance = 80;

// Taunts.
constexpr int32_t kTauntChanceFrom = 99; // RandomInt(0, 100) of 99 or 100 taunts
constexpr int32_t kTauntLength = 80;
constexpr int32_t kTauntSprayEnds = 40;
constexpr uint16_t kTauntPointKey = 256;
constexpr int32_t kTauntPointDx = 8;

constexpr uint16_t kStrikeKey = 4;
constexpr uint8_t kStrikeTargetType = 15;

// Following.
constexpr int32_t kPlayerKnockdownState = 38;
constexpr int32_t kPlayerAltKnockdownState = 58;
constexpr int32_t kFollowReach = 40; // pixels
constexpr int32_t kFollowNear = 10;

// Rising and dropping.
constexpr int32_t kRiseTop = 20; // pixels
constexpr int32_t kRiseVy = -6;
constexpr uint8_t kDropType = 21;
constexpr int32_t kDropTimerMask = 0x3FF;
constexpr int32_t kDropSideBit = 0x400;

// The level-21 states.
constexpr int32_t kPlayerLineFirst = 50, kPlayerLineLast = 53;
constexpr int32_t kHoverSpeed = 8, kHoverTurnAhead = -100, kHoverTurnBehind = -550;
constexpr int32_t kHoverDown = 4, kHoverSink = 1, kHoverRise = -1;
constexpr int32_t kHoverHighAbove = 100, kHoverLowAbove = 300, kHoverCeiling = 500;
constexpr int32_t kHoverStopGap = 296, kHoverStopWidth = 3;
constexpr int32_t kChaseSpeedLimit = 12, kChaseLead = 150, kChaseResumeVx = 4;

// The pusher.
constexpr uint8_t kPushedType = 78;
constexpr int32_t kPushedMaxSpeed = 10;

int32_t BaseOf(int32_t state) {
    return state & ~CHASER_FACING_LEFT;
}

int32_t PlayerStateOf(const ChasedFrame& f) {
    const PlayerState* p = PlayerLogic(f);
    return p != nullptr ? p->state : -1;
}

ObjectSlot* FirstOfType(GameWorld* world, int32_t type) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, type);
}

int16_t SlotCoordinate(int64_t pixels) {
    return static_cast<int16_t>(std::clamp<int64_t>(pixels, INT16_MIN, INT16_MAX));
}

// ---- script done ------------------------------------------------------------------

// Levels 8 and 14: the finished wait counts down and, at 0, sends the player
// to destination 1 unless it is leaving play. False when the message ends.
bool CountDownWait(ChasedFrame& f) {
    GameWorld* world = f.world;
    ChasedState* c = f.c;
    c->stateCounter -= 1;
    if (c->stateCounter != 0) {
        c->currentState = CHASER_ST_STAND;
        c->requestedState = CHASER_ST_WAIT;
        return true;
    }
    const int32_t playerState = PlayerStateOf(f);
    if (playerState != kPlayerAltHurtState && playerState != kPlayerHurtState) {
        const int32_t level = world->destinations[kFinaleDestination][0];
        const int32_t entry = world->destinations[kFinaleDestination][1];
        const int32_t item = f.player->itemNumber;
        if (item >= 0 && item < kEntryRecordCount) {
            world->entries[item].flags |= ENTRY_FLAG_DESTINATION_CHOSEN;
            world->entries[item].level = static_cast<int8_t>(level);
        }
        RequestLevelChange(world, level, static_cast<uint16_t>(entry));
    }
    return false;
}

// Leaves behind a falling object, puts a new character in the place of the
// first free type-8 object, and deletes itself.
void Escape(ChasedFrame& f) {
    GameWorld* world = f.world;
    ObjectSlot* object = f.object;
    CreateObject(world, object->x, object->y, OBJT_FALLING, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS,
                 kEscapeFallingParam);
    uint16_t index = 0;
    while (ObjectSlot* target = FindNextObjectOfType(world, &index, kEscapeTargetType)) {
        if (!IsFreeToEscapeInto(world, target))
            continue;
        ObjectSlot* next = CreateObject(world, target->x, target->y, OBJT_CHASED,
                                        OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
        if (next != nullptr) {
            SendObjectMessage(world, next, OBJ_EV_SET_STATE + CHASER_ST_NUDGE);
            SendObjectMessage(world, next, 0);
        }
        world->player.driftSpeed = Pixels(kEscapeWind);
        SetWorldBit(world, target->itemNumber, 1);
        DeleteObject(world, target);
        break;
    }
    DeleteObject(world, object);
}

} // namespace

bool ScriptDoneStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const int32_t state = c->currentState;
    const int32_t facing = Facing(state);
    const int32_t level = f.world->currentLevel;
    if (BaseOf(state) == CHASER_ST_WAIT) {
        if (WaitEndsLevel(level))
            return CountDownWait(f);
        if (WaitTurnsLeft(level)) {
            c->currentState = CHASER_ST_STAND;
            c->requestedState = CHASER_ST_WAIT + CHASER_FACING_LEFT;
        } else {
            c->requestedState = static_cast<int16_t>(facing);
        }
        return true;
    }
    if (BaseOf(state) == CHASER_ST_ESCAPE) {
        Escape(f);
        return false; // it has deleted itself: nothing of it may be touched
    }
    for (const ScriptDoneRow& row : kScriptDoneRows) {
        if (state >= row.from && state <= row.to) {
            c->requestedState = static_cast<int16_t>(row.base + facing);
            break;
        }
    }
    return true;
}

// ---- the state steps ---------------------------------------------------------------

namespace {

void JumpOverProjectile(ChasedFrame& f) {
    f.c->vy = Pixels(kJumpVy);
    f.c->jumpFlag = 1;
    SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_JUMP);
}

void WaitStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const int32_t d = Ahead(f);
    if (WaitHasLeash(f.world->currentLevel)) {
        if (d <= kLeashLength) {
            c->vy = Saturate(int64_t{c->vy} + kDropSpeed);
            c->vx = 0;
        } else {
            c->y = 0;
            c->vx = Saturate(-(int64_t{d} - kLeashLength) * 65536);
        }
    }
    if (d > kWaitWakes) {
        if (ProjectileBehind(f) != nullptr)
            JumpOverProjectile(f);
        return;
    }
    SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_RUN);
}

void TimedStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    if (c->stateCounter == 0)
        return;
    c->stateCounter -= 1;
    if (c->stateCounter == 0)
        c->flags &= ~CHASER_FLAG_NO_SCRIPT_MOTION;
}

// Where the taunt effect sits: at the character, or in state 40 at the
// point of key record 256 of the shown sprite and 8 pixels right of it.
void TauntPoint(ChasedFrame& f, int16_t* x, int16_t* y) {
    int64_t px = f.object->x, py = f.object->y;
    if (f.c->currentState == CHASER_ST_TAUNT_PAINT) {
        if (const SpriteKeyRecord* key = ChasedSpriteKey(f.world, f.object, kTauntPointKey)) {
            px += key->x;
            py += key->y;
        }
        px += kTauntPointDx;
    }
    *x = SlotCoordinate(px);
    *y = SlotCoordinate(py);
}

void TauntStep(ChasedFrame& f) {
    GameWorld* world = f.world;
    ChasedState* c = f.c;
    ObjectSlot* effect = ResolveObjectRef(world, c->tauntEffect, OBJT_EFFECT);
    if (c->tauntFlag != 0 && c->tauntCountdown == 0 && WorldRandomInt(0, 100) >= kTauntChanceFrom) {
        c->tauntCountdown = kTauntLength;
        PlayGroupSoundPanned(f, kTauntSoundGroup);
        SendObjectMessage(world, effect, OBJ_EV_FX_MASK_40);
    }
    if (c->tauntCountdown != 0) {
        c->tauntCountdown -= 1;
        if (c->tauntCountdown == kTauntSprayEnds)
            SendObjectMessage(world, ResolveObjectRef(world, c->tauntEffect, OBJT_EFFECT),
                              OBJ_EV_SPEED_OFF);
    }
    effect = ResolveObjectRef(world, c->tauntEffect, OBJT_EFFECT);
    if (effect != nullptr) {
        int16_t x, y;
        TauntPoint(f, &x, &y);
        MoveEffectTo(world, effect, x, y);
        return;
    }
    const int32_t kind = c->currentState == CHASER_ST_TAUNT_PAINT ? EFFECT_KIND_SPRINKLER_PAINT
                                                                  : EFFECT_KIND_SPRINKLER_WATER;
    // Anchored where it is made, so that it never shows at the map's origin.
    c->tauntEffect = MakeObjectRef(
        SpawnEffect(world, f.object->x, f.object->y, kind, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS));
}

void BrakeStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    f.object->depth = 2;
    if (c->vx <= 0)
        return;
    const int64_t loss = int64_t{c->vx} * LevelWord(f.world, kBrakeWord) / 100;
    c->vx = Saturate(std::max<int64_t>(0, int64_t{c->vx} - loss));
}

void StrikeStep(ChasedFrame& f) {
    GameWorld* world = f.world;
    f.object->depth = 2;
    if (ChasedSpriteKey(world, f.object, kStrikeKey) == nullptr)
        return;
    PlayGroupSoundPanned(f, kStrikeSoundGroup);
    // Only a negative word 109 opens a window: 1.5 x |word 109| each side.
    const int64_t reach = int64_t{3} * LevelWord(world, kStrikeReachWord) / 2;
    uint16_t index = 0;
    while (ObjectSlot* target = FindNextObjectOfType(world, &index, kStrikeTargetType)) {
        const int64_t dx = int64_t{target->x} - f.object->x;
        if (dx < -reach && dx > reach) {
            SendObjectMessage(world, target, OBJ_EV_HIT);
            SpawnEffect(world, f.object->x, f.object->y, EFFECT_KIND_WALL_BRICKS,
                        OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
            break;
        }
    }
}

void FollowStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const PlayerState* p = PlayerLogic(f);
    if (p == nullptr)
        return;
    if (p->state == kPlayerKnockdownState || p->state == kPlayerAltKnockdownState) {
        c->vx = 0;
        return;
    }
    const int64_t px = int64_t{p->x} - c->x;
    const int64_t py = int64_t{p->y} - c->y;
    if (px >= Pixels(kFollowReach))
        return;
    const int64_t divisor = px <= Pixels(kFollowNear) ? 2 : 4;
    c->vx = Saturate(px / divisor);
    c->vy = Saturate(py / divisor);
}

void CarryStep(ChasedFrame& f) {
    ObjectSlot* player = f.player;
    player->x = SlotCoordinate(int64_t{f.object->x} + f.c->carryOffsetX);
    player->y = SlotCoordinate(int64_t{f.object->y} + f.c->carryOffsetY);
    if (PlayerState* p = PlayerLogic(f)) {
        p->x = Pixels(player->x);
        p->y = Pixels(player->y);
    }
}

void RunStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    if (ProjectileBehind(f) != nullptr)
        JumpOverProjectile(f);
    const int32_t d = Ahead(f);
    if (d > kRunBandFar) {
        SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_WAIT + CHASER_FACING_LEFT);
        return;
    }
    c->vx = d <= kRunBandNear ? Pixels(kRunSpeed) : 0;
    c->flags = 0;
}

void RiseStep(ChasedFrame& f) {
    GameWorld* world = f.world;
    ChasedState* c = f.c;
    c->flags |= CHASER_FLAG_NO_GRAVITY;
    c->vx = 0;
    if (c->y > Pixels(kRiseTop)) {
        c->vy = Pixels(kRiseVy);
        return;
    }
    c->vy = 0;
    c->x = Pixels(f.player->x);
    const int32_t counter = c->stateCounter;
    if ((counter & kDropTimerMask) != 0) {
        c->stateCounter = counter - 1;
        return;
    }
    const int32_t side = counter & kDropSideBit;
    ObjectSlot* drop = CreateObject(world, SlotCoordinate(int64_t{f.player->x} - side / 5),
                                    f.object->y, kDropType, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
    const int32_t speed = CrtRand() % 7 - 3;
    if (drop != nullptr)
        SetLevelObjectSpeed(world, drop, Pixels(speed));
    c->stateCounter = (counter | (CrtRand() % (side / 40 + 2) + 2)) ^ kDropSideBit;
}

void HoverStopStep(ChasedFrame& f) {
    f.c->flags |= CHASER_FLAG_NO_COLLISION;
    f.c->vx = 0;
    f.c->vy = Pixels(1);
}

void HoverStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const int32_t d = Ahead(f);
    c->flags |= CHASER_FLAG_NO_COLLISION;
    if (c->currentState == CHASER_ST_HOVER) {
        if (d > kHoverTurnAhead)
            SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_HOVER + CHASER_FACING_LEFT);
        else
            c->vx = Pixels(kHoverSpeed);
    } else {
        if (d < kHoverTurnBehind)
            SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_HOVER);
        else
            c->vx = Pixels(-kHoverSpeed);
    }
    const int32_t floor = LevelWord(f.world, kHoverFloorWord);
    const int64_t y = f.object->y;
    if (y < int64_t{floor} + kHoverHighAbove)
        c->vy = Pixels(kHoverDown);
    if (y > int64_t{floor} + kHoverLowAbove)
        c->vy = Pixels(kHoverSink);
    if (y > kHoverCeiling)
        c->vy = Pixels(kHoverRise);
    const int32_t playerState = PlayerStateOf(f);
    if (playerState >= kPlayerLineFirst && playerState <= kPlayerLineLast) {
        SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_HOVER_CHASE);
        return;
    }
    const int32_t gap = -d - kHoverStopGap;
    if (gap >= 0 && gap <= kHoverStopWidth && c->vx > 0) {
        SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_HOVER_STOP + Facing(c->currentState));
        c->vx = 0;
        c->vy = 0;
    }
}

void HoverChaseStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const int32_t playerState = PlayerStateOf(f);
    if (playerState < kPlayerLineFirst || playerState > kPlayerLineLast) {
        SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_HOVER);
        c->vx = Pixels(kChaseResumeVx);
        return;
    }
    const int64_t limit = Pixels(kChaseSpeedLimit);
    int64_t vx = int64_t{f.player->x} - f.object->x;
    if (c->vx > 0)
        vx += kChaseLead;
    const int64_t vy = int64_t{f.player->y} - f.object->y;
    c->vx = static_cast<int32_t>(std::clamp<int64_t>(vx * 65536, -limit, limit));
    c->vy = static_cast<int32_t>(std::clamp<int64_t>(vy * 65536, -limit, limit));
    c->requestedState = static_cast<int16_t>(f.player->x > f.object->x
                                                 ? CHASER_ST_HOVER_CHASE
                                                 : CHASER_ST_HOVER_CHASE + CHASER_FACING_LEFT);
}

void PushStep(ChasedFrame& f) {
    GameWorld* world = f.world;
    ChasedState* c = f.c;
    ObjectSlot* pushed = FirstOfType(world, kPushedType);
    if (pushed == nullptr && c->level82Flag == 0) {
        const int64_t x = int64_t{f.object->x} + LevelWord(world, kPushOffsetXWord);
        const int64_t y = int64_t{f.object->y} + LevelWord(world, kPushOffsetYWord);
        if (CreateObject(world, SlotCoordinate(x), SlotCoordinate(y), kPushedType,
                         OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0) != nullptr) {
            c->level82Flag = 1;
        }
        pushed = FirstOfType(world, kPushedType);
    }
    if (pushed != nullptr) {
        const int64_t lead = int64_t{f.object->x} - pushed->x + LevelWord(world, kPushLeadWord);
        const int64_t speed = std::clamp<int64_t>(lead, 0, kPushedMaxSpeed);
        SetLevelObjectSpeed(world, pushed, Pixels(static_cast<int32_t>(speed)));
    }
    // Used as a 16.16 speed as it stands, not scaled to pixels.
    if (f.option == 1 || f.option == 2)
        c->vx = LevelWord(world, kPushSpeedWord + f.option - 1);
    const int32_t gap = LevelWord(world, kPushGapWord);
    const int32_t d = Ahead(f);
    if (d < gap)
        c->x = Saturate(int64_t{c->x} + (int64_t{gap} - d) * 65536);
}

} // namespace

void StateStep(ChasedFrame& f) {
    ChasedState* c = f.c;
    const int32_t state = c->currentState;
    switch (state) {
    case CHASER_ST_WAIT:
    case CHASER_ST_WAIT + 1:
        WaitStep(f);
        break;
    case CHASER_ST_TIMED:
    case CHASER_ST_TIMED + 1:
        TimedStep(f);
        break;
    case CHASER_ST_TAUNT:
    case CHASER_ST_TAUNT + 1:
    case CHASER_ST_TAUNT_PAINT:
        TauntStep(f);
        break;
    case CHASER_ST_BRAKE:
    case CHASER_ST_BRAKE + 1:
        BrakeStep(f);
        break;
    case CHASER_ST_STRIKE:
    case CHASER_ST_STRIKE + 1:
        StrikeStep(f);
        break;
    case CHASER_ST_FOLLOW:
    case CHASER_ST_FOLLOW_AIR:
        FollowStep(f);
        break;
    case CHASER_ST_CARRY:
        CarryStep(f);
        break;
    case CHASER_ST_RUN:
    case CHASER_ST_RUN + 1:
        if (CrtRand() % kRunStopChance == 0)
            SendSelf(f, OBJ_EV_SET_STATE + CHASER_ST_RUN_STEADY);
        RunStep(f);
        break;
    case CHASER_ST_RUN_STEADY:
    case CHASER_ST_RUN_STEADY + 1:
        RunStep(f);
        break;
    case CHASER_ST_RISE:
    case CHASER_ST_RISE + 1:
        RiseStep(f);
        break;
    case CHASER_ST_HOVER_STOP:
    case CHASER_ST_HOVER_STOP + 1:
        HoverStopStep(f);
        break;
    case CHASER_ST_HOVER:
    case CHASER_ST_HOVER + 1:
        HoverStep(f);
        break;
    case CHASER_ST_HOVER_CHASE:
    case CHASER_ST_HOVER_CHASE + 1:
        HoverChaseStep(f);
        break;
    case CHASER_ST_PUSH:
        PushStep(f);
        break;
    default:
        break;
    }
}

} // namespace chased
