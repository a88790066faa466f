// The player's frame: the input word turned into a behaviour state, the
// state's script, gravity and the move through the map, leaving play and
// coming back, and the action point the pair rules score by.
#include <algorithm>
#include <climits>

#include "engine/helpers.h"
#include "world/behaviour_state.h"
#include "world/behaviours/actor_media.h"
#include "world/behaviours/player_internal.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/script_engine.h"

namespace player {

namespace {

// Level-table words.
constexpr int32_t kWalkSpeedWord = 0;   // air and bump speeds
constexpr int32_t kLiftWord = 1;        // bump, hurt and fall lifts
constexpr int32_t kLevelLineWord = 161; // the line the rise-line family rises to
constexpr int32_t kSpeedKnockbackWord = 176;

constexpr int32_t kLeaveFrames = 50;
constexpr int32_t kComebackInvulnerableFrames = 60;
constexpr int16_t kDepthInPlay = 8;
constexpr int16_t kDepthLeaving = -4;
constexpr int32_t kComebackPenalty = 500;
constexpr int32_t kDownKeyDelay = 5;

constexpr int32_t kGravity = 122880;         // 1.875 pixels a frame
constexpr int32_t kSequenceGravity = 61440;  // 0.9375
constexpr int32_t kBumpGravity = 12288;      // 0.1875
constexpr int32_t kRideSteerLimitLeft = -10; // pixels a frame
constexpr int32_t kRideSteerLimitRight = 16;
constexpr int32_t kRideSteerLeft = 65536; // 16.16 per frame
constexpr int32_t kRideSteerRight = 32768;
constexpr int32_t kRideUp = -15, kRideDown = 15;
constexpr int32_t kRideOffsetFloor = -50;
constexpr int32_t kWindFloorAtOption0 = -10; // pixels
constexpr int32_t kLookAhead = 50;
constexpr int32_t kActionKey = 4;        // key record of the action point
constexpr int32_t kRideSparkChance = 16; // in 101

bool Blocked(const PlayerState* p, uint32_t flag) {
    return (static_cast<uint32_t>(p->collisionFlags) & flag) != 0;
}

bool BlockedSideways(const PlayerState* p) {
    return Blocked(p, COLLIDE_BLOCK_LEFT | COLLIDE_BLOCK_RIGHT);
}

int32_t AirSpeed(const GameWorld* world, int32_t sign) {
    return ScaledPixels(LevelWord(world, kWalkSpeedWord), sign * 625, 1000);
}

// vx * 2 / 3, truncated toward zero.
int32_t TwoThirds(int32_t v) {
    return static_cast<int32_t>(int64_t{v} * 2 / 3);
}

// ---- 1 to 3: ceiling, landing, bump ----------------------------------------------

void CeilingStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (Blocked(p, COLLIDE_BLOCK_UP) && p->vy < 0)
        p->vy = static_cast<int32_t>(-(int64_t{p->vy}) / 4);
}

// The walk state an airborne or bumping state lands in; -1 for others.
int32_t LandingState(int32_t state) {
    const int32_t facing = Facing(state);
    switch (BaseState(state)) {
    case PLAYER_ST_AIRBORNE:
    case PLAYER_ST_AIRBORNE_HIGH:
    case PLAYER_ST_BUMP:
        return PLAYER_ST_MOVE + facing;
    case PLAYER_ST_AIRBORNE_B:
    case PLAYER_ST_BUMP_B:
        return PLAYER_ST_MOVE_B + facing;
    case PLAYER_ST_ALT_AIRBORNE:
    case PLAYER_ST_BUMP_ALT:
        return PLAYER_ST_ALT_MOVE + facing;
    default:
        return -1;
    }
}

void LandingStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (!Blocked(p, COLLIDE_BLOCK_DOWN))
        return;
    const int32_t landed = LandingState(f.next);
    if (landed >= 0) {
        f.next = landed;
        p->vx = 0;
        f.restartScript = true;
        f.landing = true;
    }
    p->vy = 0;
    if (f.next != PLAYER_ST_SEQ_END && !IsRide(f.next))
        p->vx = TwoThirds(p->vx);
    p->onGround = 1;
}

// The state a bump returns to once the wall is passed; -1 for others.
int32_t BumpBase(int32_t state) {
    if (!IsBump(state) || BaseState(state) == PLAYER_ST_BUMP_SPARE)
        return -1;
    return LandingState(state);
}

void BumpStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (!BlockedSideways(p)) {
        const int32_t base = BumpBase(f.next);
        if (base >= 0) {
            f.next = base;
            p->vx = 0;
        }
    } else {
        int32_t bump = -1;
        switch (BaseState(f.next)) {
        case PLAYER_ST_MOVE:
        case PLAYER_ST_AIRBORNE:
        case PLAYER_ST_AIRBORNE_HIGH:
        case PLAYER_ST_BUMP:
            bump = PLAYER_ST_BUMP;
            break;
        case PLAYER_ST_MOVE_B:
        case PLAYER_ST_AIRBORNE_B:
            bump = PLAYER_ST_BUMP_B;
            break;
        case PLAYER_ST_ALT_MOVE:
        case PLAYER_ST_ALT_AIRBORNE:
        case PLAYER_ST_BUMP_ALT:
            bump = PLAYER_ST_BUMP_ALT;
            break;
        case PLAYER_ST_LINE_MOVE:
            f.next = PLAYER_ST_LINE_WALL + Facing(f.next);
            p->vx = 0;
            p->vy = 0;
            break;
        default:
            break;
        }
        if (bump >= 0 && !Blocked(p, COLLIDE_BLOCK_UP) && p->bumpLock == 0 && p->onGround != 0) {
            f.next = bump + Facing(f.next);
            p->vy = ScaledPixels(LevelWord(f.world, kLiftWord), 625, 3000);
            p->onGround = 0;
        }
    }
    p->bumpLock = 0;
}

// ---- 4: input ---------------------------------------------------------------------

// One direction's table; `sign` -1 for left, +1 for right.
void ApplyDirection(PlayerFrame& f, int32_t sign) {
    PlayerState* p = f.p;
    const int32_t toward = sign < 0 ? PLAYER_FACING_LEFT : 0;
    const int32_t away = toward ^ PLAYER_FACING_LEFT;
    const int32_t s = f.next;
    if (IsAirborne(s)) {
        f.next = BaseState(s) + toward;
        p->vx = AirSpeed(f.world, sign);
        return;
    }
    if (IsRide(s)) {
        if (p->shakeFlag != 0)
            return;
        if (sign < 0 && p->vx > Pixels(kRideSteerLimitLeft))
            p->vx -= kRideSteerLeft;
        if (sign > 0 && p->vx < Pixels(kRideSteerLimitRight))
            p->vx += kRideSteerRight;
        return;
    }
    // A bump away from the pressed side walks off the way it faces now.
    if (s == PLAYER_ST_BUMP + away)
        f.next = PLAYER_ST_MOVE + toward;
    else if (s == PLAYER_ST_BUMP_B + away)
        f.next = PLAYER_ST_MOVE_B + toward;
    else if (s == PLAYER_ST_BUMP_ALT + away)
        f.next = PLAYER_ST_ALT_MOVE + toward;
    else if (s == PLAYER_ST_ACTION_B + toward || s == PLAYER_ST_ALT_ACTION_B + toward)
        f.facingHeld = true;
    else if (s == PLAYER_ST_MOVE + away || BaseState(s) == PLAYER_ST_STAND)
        f.next = PLAYER_ST_MOVE + toward;
    else if (s == PLAYER_ST_MOVE_B + away || BaseState(s) == PLAYER_ST_STAND_B)
        f.next = PLAYER_ST_MOVE_B + toward;
    else if (s == PLAYER_ST_ALT_MOVE + away || BaseState(s) == PLAYER_ST_ALT_STAND)
        f.next = PLAYER_ST_ALT_MOVE + toward;
    else if (s == PLAYER_ST_LINE_MOVE + away || BaseState(s) == PLAYER_ST_LINE_RISE)
        f.next = PLAYER_ST_LINE_MOVE + toward;
}

// No direction held: walking stops at once.
void StopWalking(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t facing = Facing(f.next);
    switch (BaseState(f.next)) {
    case PLAYER_ST_MOVE:
        f.next = PLAYER_ST_STAND + facing;
        p->vx = 0;
        break;
    case PLAYER_ST_MOVE_B:
        f.next = PLAYER_ST_STAND_B + facing;
        p->vx = 0;
        break;
    case PLAYER_ST_ALT_MOVE:
        f.next = PLAYER_ST_ALT_STAND + facing;
        p->vx = 0;
        break;
    case PLAYER_ST_LINE_MOVE:
        f.next = PLAYER_ST_LINE_RISE + facing;
        p->vx = 0;
        break;
    default:
        if (BumpBase(f.next) >= 0)
            f.next = BumpBase(f.next);
        else if (IsAirborne(f.next))
            p->vx = TwoThirds(p->vx);
        break;
    }
}

void Jump(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t facing = Facing(f.next);
    const int32_t s = f.next;
    int32_t state = -1;
    if (s >= PLAYER_ST_MOVE && s <= PLAYER_ST_STAND + 1)
        state = LevelHas(f.world->currentLevel, PLAYER_LEVEL_HIGH_JUMP) ? PLAYER_ST_AIRBORNE_HIGH
                                                                        : PLAYER_ST_AIRBORNE;
    else if (s >= PLAYER_ST_MOVE_B && s <= PLAYER_ST_STAND_B + 1)
        state = PLAYER_ST_AIRBORNE_B;
    else if (s >= PLAYER_ST_ALT_STAND && s <= PLAYER_ST_ALT_MOVE + 1)
        state = PLAYER_ST_ALT_AIRBORNE;
    if (state >= 0) {
        f.next = state + facing;
        // A jump leaves by the first instruction's motion, whichever way it faces.
        const ScriptInstruction launch = GetScriptInstruction(
            f.world, OBJT_PLAYER, ScriptForState(f.next, p->costume, false), 0);
        p->vx = Pixels(launch.dx);
        p->vy = Pixels(launch.dy);
        p->launchMotionX = p->lastMotionX;
        p->launchMotionY = p->lastMotionY;
    } else if (IsRide(s) && p->shakeFlag == 0) {
        p->rideSpeed = kRideUp;
    }
}

void PressDown(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t s = f.next;
    if (s == PLAYER_ST_CENTRE_X) {
        f.next = PLAYER_ST_CENTRE_X_DOWN;
    } else if (BaseState(s) == PLAYER_ST_CENTRE_Y) {
        if (p->downKeyDelay == 0) {
            EnterStateWithScript(f, PLAYER_ST_STAND + Facing(s),
                                 ScriptForState(PLAYER_ST_STAND, p->costume, false));
            p->downKeyDelay = kDownKeyDelay;
        }
    } else if (s == PLAYER_ST_CENTRE_X_DOWN) {
        f.next = PLAYER_ST_STAND;
    } else if (IsRide(s) && p->shakeFlag == 0) {
        p->rideSpeed = kRideDown;
    }
}

void PressAction(PlayerFrame& f) {
    const int32_t facing = Facing(f.next);
    switch (BaseState(f.next)) {
    case PLAYER_ST_MOVE:
        f.next = PLAYER_ST_ACTION_B + facing;
        f.p->scoredFlag = 0;
        break;
    case PLAYER_ST_STAND:
        f.next = PLAYER_ST_ACTION_A + facing;
        f.p->scoredFlag = 0;
        break;
    case PLAYER_ST_ALT_STAND:
        f.next = PLAYER_ST_ALT_ACTION_A + facing;
        break;
    case PLAYER_ST_ALT_MOVE:
        f.next = PLAYER_ST_ALT_ACTION_B + facing;
        break;
    default:
        break;
    }
}

void InputStep(PlayerFrame& f, uint32_t input) {
    PlayerState* p = f.p;
    if (p->inputLock != 0)
        input &= ~PLAYER_INPUT_LEFT;
    if (p->downKeyDelay > 0)
        --p->downKeyDelay;
    const bool keysIgnored = PlayerKeysIgnored(f.world, f.world->currentLevel);
    const bool left = (input & PLAYER_INPUT_LEFT) != 0;
    const bool right = (input & PLAYER_INPUT_RIGHT) != 0;
    constexpr uint32_t kBothWays = PLAYER_INPUT_LEFT | PLAYER_INPUT_RIGHT;
    if ((left || right) && !keysIgnored) {
        if ((input & kBothWays) != kBothWays) {
            if (left)
                ApplyDirection(f, -1);
            if (right)
                ApplyDirection(f, +1);
        }
    } else {
        StopWalking(f);
    }
    if ((input & PLAYER_INPUT_UP) != 0 && Blocked(p, COLLIDE_BLOCK_DOWN))
        Jump(f);
    if ((input & PLAYER_INPUT_DOWN) != 0)
        PressDown(f);
    if ((input & PLAYER_INPUT_ACTION) != 0 && !keysIgnored)
        PressAction(f);
    p->inputLock &= static_cast<uint8_t>(~1u);
    p->lastInput = static_cast<int32_t>(input);
}

// ---- 6: the ride and its shake ------------------------------------------------------

void RideStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t s = f.next;
    if (s == PLAYER_ST_SEQ_END) {
        p->rideOffset += p->rideSpeed;
        p->rideSpeed = p->rideOffset < 0 ? 1 : 0;
    } else if (IsRide(s)) {
        const int32_t sum = p->rideOffset + p->rideSpeed;
        if (sum > 0) {
            p->rideOffset = 0;
            p->rideSpeed = 0;
        } else {
            p->rideOffset = sum;
            if (p->rideOffset < kRideOffsetFloor) {
                p->rideOffset = kRideOffsetFloor;
                p->rideSpeed = 0;
            }
        }
    }
    if ((s == PLAYER_ST_SEQ_END || IsRide(s)) && p->shakeCounter != 0) {
        --p->shakeCounter;
        if (s != PLAYER_ST_SEQ_END)
            p->vx /= 5;
        if (p->shakeCounter == 0) {
            p->shakeFlag = 0;
            p->shakeOffset = 0;
        } else {
            p->shakeOffset = CrtRand() % 10 - 10;
        }
    }
    BringBackAnchorTarget(f);
}

// ---- 7 and 8: leaving play and coming back ---------------------------------------

void Knockback(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (p->levelWordSpeedFlag != 0) {
        p->vx = ScaledPixels(LevelWord(f.world, kSpeedKnockbackWord), 1, 1);
        p->levelWordSpeedFlag = 0;
    } else {
        p->vx = ScaledPixels(p->knockbackVx, 1, 1);
    }
    p->vy = ScaledPixels(p->knockbackVy, 1, 1);
}

void LeavePlayStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (p->cellCode != PLAYER_CELL_FATAL)
        return;
    const int32_t base = BaseState(f.next);
    if (base == PLAYER_ST_HURT || base == PLAYER_ST_ALT_HURT) {
        if (p->leaveCounter < 1)
            p->vy = ScaledPixels(LevelWord(f.world, kLiftWord), 3125, 3000);
    } else if (base == PLAYER_ST_KNOCKDOWN || base == PLAYER_ST_ALT_KNOCKDOWN) {
        if (p->leaveCounter < 1)
            Knockback(f);
    } else if (f.option == 0) {
        Knockback(f);
    } else {
        AddLevelHits(f.world, -1);
        p->vx = 0;
        p->vy = ScaledPixels(LevelWord(f.world, kLiftWord), 1375, 1000);
    }
    p->leaveCounter = kLeaveFrames;
    const bool alt = LevelHas(f.world->gameLevel, PLAYER_LEVEL_ALT_FAMILY);
    if (f.option == 0) {
        f.next = alt ? PLAYER_ST_ALT_KNOCKDOWN : PLAYER_ST_KNOCKDOWN;
    } else {
        f.next = alt ? PLAYER_ST_ALT_HURT : PLAYER_ST_HURT;
        f.object->flags |= OBJ_FLAG_NO_PAIRS;
    }
    f.object->depth = kDepthLeaving;
}

int32_t ComebackState(PlayerFrame& f) {
    const PlayerLevelRule& rule = PlayerLevelRuleOf(f.world->currentLevel);
    if ((rule.flags & PLAYER_LEVEL_COMEBACK_OPTION) != 0 && f.option == 0)
        return PLAYER_ST_STAND;
    if ((rule.flags & PLAYER_LEVEL_RIDE_COUNTER) != 0)
        f.p->sequenceCounter = kRideSequenceCounter;
    return rule.comebackState;
}

void ComeBack(PlayerFrame& f) {
    GameWorld* world = f.world;
    PlayerState* p = f.p;
    p->invulnerableCounter = kComebackInvulnerableFrames;
    p->leaveCounter = -1;
    if (!LevelHas(world->currentLevel, PLAYER_LEVEL_KEEPS_COSTUME))
        p->costume ^= 1;
    f.object->depth = kDepthInPlay;
    if (f.option != 0) {
        p->x = p->restartX;
        p->y = p->restartY;
        p->vx = 0;
        p->vy = 0;
        f.object->flags =
            static_cast<uint8_t>((f.object->flags & ~OBJ_FLAG_NO_PAIRS) | PLAYER_SLOT_INVULNERABLE);
        world->runFlags &= static_cast<uint8_t>(~(WORLD_NO_SPAWN | WORLD_NO_DESPAWN));
        world->camera.lockFlags &= ~(CAMERA_LOCK_X | CAMERA_LOCK_Y);
        RestoreLevelOnComeback(f);
    }
    f.next = ComebackState(f);
    world->levelStatus.penalty += kComebackPenalty;
    if (f.option != 0)
        ClearLevelCounters(world, 0);
}

void CounterStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    if (p->invulnerableCounter > 0) {
        --p->invulnerableCounter;
    } else if (p->invulnerableCounter == 0) {
        p->invulnerableCounter = -1;
        f.object->flags &= static_cast<uint8_t>(~PLAYER_SLOT_INVULNERABLE);
    }
    if (p->leaveCounter == 0) {
        ComeBack(f);
    } else if (p->leaveCounter > 0) {
        --p->leaveCounter;
        if (f.option != 0) {
            f.world->runFlags |= WORLD_NO_SPAWN | WORLD_NO_DESPAWN;
            f.world->camera.lockFlags |= CAMERA_LOCK_X | CAMERA_LOCK_Y;
            f.world->player.streamLevel = -2;
        }
    }
}

// ---- 9 and 10: gravity and the action point --------------------------------------

int32_t CellCentre(int32_t v) {
    return v / kCellUnits * kCellUnits + kCellUnits / 2;
}

void GravityStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    const int32_t s = f.next;
    if (s == PLAYER_ST_SEQ_END || s == PLAYER_ST_SEQ_FINAL || IsRide(s)) {
        p->gravity = kSequenceGravity;
    } else if (s == PLAYER_ST_CENTRE_X || s == PLAYER_ST_CENTRE_X_DOWN) {
        p->gravity = 0;
        p->x = CellCentre(p->x);
    } else if (BaseState(s) == PLAYER_ST_CENTRE_Y) {
        p->gravity = 0;
        p->y = CellCentre(p->y);
    } else if (IsBump(s) && BaseState(s) != PLAYER_ST_BUMP_SPARE) {
        p->gravity = kBumpGravity;
        p->vx =
            ScaledPixels(LevelWord(f.world, kWalkSpeedWord), Facing(s) ? -15625 : 15625, 100000);
    } else {
        p->gravity = kGravity;
    }
    if (IsRide(s) && WorldRandomInt(0, 100) < kRideSparkChance) {
        SpawnEffect(f.world, SlotCoordinate(int64_t{WholePixels(p->x)} - 40),
                    SlotCoordinate(int64_t{WholePixels(p->y)} + p->rideOffset + 20),
                    EFFECT_KIND_SMALL_RING, OBJ_MSG_CREATE);
    }
}

// The action key of the sprite the actor's sprite-list head shows.
const SpriteKeyRecord* ActionKey(PlayerFrame& f) {
    return ActorSpriteKey(f.world, f.actor, kActionKey);
}

void ActionPointStep(PlayerFrame& f) {
    const int32_t s = f.next;
    const bool plain = s >= PLAYER_ST_ACTION_A && s <= PLAYER_ST_ACTION_B + 1;
    const bool alt = s >= PLAYER_ST_ALT_ACTION_A && s <= PLAYER_ST_ALT_ACTION_B + 1;
    if (!plain && !alt)
        return;
    PlayerBlock& block = f.world->player;
    const SpriteKeyRecord* key = ActionKey(f);
    if (key == nullptr) {
        block.actionPointX = 0;
        block.actionPointY = 0;
        return;
    }
    const int32_t sign = Facing(s) != 0 ? -1 : 1;
    const int16_t x = SlotCoordinate(int64_t{f.object->x} + key->x * sign);
    const int16_t y = SlotCoordinate(int64_t{f.object->y} + key->y);
    ProjectileSpawnRecord launch{key->velocityX * sign, key->velocityY};
    if (alt) {
        CreateObject(f.world, x, y, OBJT_PROJECTILE_A, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS,
                     reinterpret_cast<intptr_t>(&launch));
    } else if (f.p->costume == 0) {
        launch.vx += f.p->conveyorSpeed / 2;
        CreateObject(f.world, x, y, OBJT_PROJECTILE_B, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS,
                     reinterpret_cast<intptr_t>(&launch));
    } else {
        block.actionPointX = x;
        block.actionPointY = y;
    }
}

// ---- 12 to 14: scripts ---------------------------------------------------------------

void ScriptDoneStep(PlayerFrame& f) {
    if (!IsScriptDone(f.world, f.actor))
        return;
    PlayerState* p = f.p;
    const int32_t s = f.next;
    const int32_t facing = Facing(s);
    switch (s) {
    case PLAYER_ST_HURT:
    case PLAYER_ST_ALT_HURT:
    case PLAYER_ST_KNOCKDOWN:
    case PLAYER_ST_ALT_KNOCKDOWN:
        // Only a leave already under way ends early, and only once its own
        // script has played.
        if (s == p->state && p->leaveCounter > 0)
            p->leaveCounter = 0;
        return;
    default:
        break;
    }
    switch (BaseState(s)) {
    case PLAYER_ST_ACTION_A:
    case PLAYER_ST_STUNNED:
    case PLAYER_ST_LINE_WALL:
        f.next = PLAYER_ST_STAND + facing;
        break;
    case PLAYER_ST_ACTION_B:
        f.next = PLAYER_ST_MOVE + facing;
        break;
    case PLAYER_ST_ALT_ACTION_A:
        f.next = PLAYER_ST_ALT_STAND + facing;
        break;
    case PLAYER_ST_ALT_ACTION_B:
        f.next = PLAYER_ST_ALT_MOVE + facing;
        break;
    default:
        break;
    }
}

void SpecialStandStep(PlayerFrame& f) {
    constexpr int32_t kFirstListWord = 189, kLastListWord = 220;
    GameWorld* world = f.world;
    const int32_t level = world->currentLevel;
    bool listed = false;
    uint16_t index = 0;
    if (FindNextObjectOfType(world, &index, OBJT_CHASED) != nullptr) {
        for (int32_t word = kFirstListWord; word <= kLastListWord && !listed; ++word)
            listed = LevelWord(world, word) == level;
    }
    f.p->specialStand = listed || LevelHas(level, PLAYER_LEVEL_SPECIAL_STAND) ? 1 : 0;
}

void StateChangeStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    const bool change = f.next != p->state || f.restartScript;
    if (change) {
        p->state = f.next;
        StartScript(f.world, f.actor, ScriptForState(p->state, p->costume, p->specialStand != 0));
        SetActorFacing(f.actor, p->state);
    }
    const int32_t s = p->state;
    const bool held = s == PLAYER_ST_CENTRE_X || BaseState(s) == PLAYER_ST_CENTRE_Y ||
                      s == PLAYER_ST_CENTRE_X_DOWN;
    if (change || !held)
        RunScript(f.world, f.actor);
}

// ---- 15 to 18: the move ----------------------------------------------------------------

// Whether the state's script moves the player this frame.
bool ScriptMoves(const PlayerFrame& f) {
    const int32_t s = f.p->state;
    if (f.landing || IsAirborne(s) || IsBump(s))
        return false;
    switch (BaseState(s)) {
    case PLAYER_ST_ACTION_A:
    case PLAYER_ST_CENTRE_X:
    case PLAYER_ST_CENTRE_Y:
    case PLAYER_ST_ALT_ACTION_A:
        return false;
    case PLAYER_ST_ACTION_B:
    case PLAYER_ST_ALT_ACTION_B:
        return f.facingHeld;
    default:
        return s != PLAYER_ST_HURT && s != PLAYER_ST_ALT_HURT && s != PLAYER_ST_CENTRE_X_DOWN;
    }
}

int32_t WindShare(int32_t wind, bool inAir, int32_t costume) {
    int64_t num = 1, den = 2;
    if (inAir)
        num = costume == 0 ? 3 : 6, den = costume == 0 ? 4 : 9;
    else if (costume != 0)
        num = 3, den = 7;
    return static_cast<int32_t>(int64_t{wind} * num / den);
}

int32_t SaturatedSum(int64_t a, int64_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(a + b, INT32_MIN, INT32_MAX));
}

void MotionStep(PlayerFrame& f) {
    GameWorld* world = f.world;
    PlayerState* p = f.p;
    const int32_t s = p->state;
    int64_t mx = 0, my = 0;
    if (ScriptMoves(f)) {
        mx += Pixels(f.actor->dx);
        my += Pixels(f.actor->dy);
    }
    if (!f.landing) {
        mx += p->vx;
        my += p->vy;
    }
    int32_t& wind = world->player.driftSpeed;
    mx += WindShare(wind, !Blocked(p, COLLIDE_BLOCK_DOWN), p->costume);
    if (f.option == 0 && wind < Pixels(kWindFloorAtOption0))
        wind = Pixels(kWindFloorAtOption0);

    const int32_t base = BaseState(s);
    if (base == PLAYER_ST_LINE_MOVE || base == PLAYER_ST_LINE_RISE) {
        const int64_t line = int64_t{LevelWord(world, kLevelLineWord)} * 65536;
        p->vy = static_cast<int32_t>(std::clamp<int64_t>((line - p->y) / 10, INT32_MIN, INT32_MAX));
    } else if (base != PLAYER_ST_LINE_WALL) {
        p->vx = SaturatedSum(p->vx, p->ax);
        p->vy = SaturatedSum(SaturatedSum(p->vy, p->ay), p->gravity);
    }
    mx += int64_t{p->conveyorSpeed} * 65536;

    const int32_t motionX = static_cast<int32_t>(std::clamp<int64_t>(mx, INT32_MIN, INT32_MAX));
    const int32_t motionY = static_cast<int32_t>(std::clamp<int64_t>(my, INT32_MIN, INT32_MAX));
    p->previousX = p->x;
    p->previousY = p->y;
    if (s == PLAYER_ST_HURT || s == PLAYER_ST_ALT_HURT) {
        p->x = SaturatedSum(p->x, motionX);
        p->y = SaturatedSum(p->y, motionY);
        p->collisionFlags = 0;
    } else {
        p->collisionFlags = static_cast<int32_t>(MoveObject(world, &p->x, &p->y, motionX, motionY));
    }
    p->lastMotionX = motionX;
    p->lastMotionY = motionY;
    const int32_t code = TileCodeAt(&world->map, 3, WholePixels(p->x) / 32, WholePixels(p->y) / 32);
    p->cellCode = code < 0 ? PLAYER_CELL_NONE : static_cast<int16_t>(code);
}

int16_t Toward(int16_t value, int32_t target, int32_t divisor) {
    return static_cast<int16_t>(value + (target - value) / divisor);
}

// The states that lead the camera the way they face: walks, jumps, the
// walking action and the rise line's walk and wall.
bool LeadsAhead(int32_t state) {
    switch (BaseState(state)) {
    case PLAYER_ST_MOVE:
    case PLAYER_ST_AIRBORNE:
    case PLAYER_ST_ACTION_B:
    case PLAYER_ST_MOVE_B:
    case PLAYER_ST_AIRBORNE_B:
    case PLAYER_ST_AIRBORNE_HIGH:
    case PLAYER_ST_ALT_MOVE:
    case PLAYER_ST_ALT_AIRBORNE:
    case PLAYER_ST_ALT_ACTION_B:
    case PLAYER_ST_LINE_MOVE:
    case PLAYER_ST_LINE_WALL:
        return true;
    default:
        return false;
    }
}

// The states that bring the camera back to the player.
bool CentresView(int32_t state) {
    switch (state) {
    case PLAYER_ST_STAND:
    case PLAYER_ST_STAND + 1:
    case PLAYER_ST_HURT:
    case PLAYER_ST_ACTION_A:
    case PLAYER_ST_ACTION_A + 1:
    case PLAYER_ST_CENTRE_X:
    case PLAYER_ST_CENTRE_Y:
    case PLAYER_ST_CENTRE_Y + 1:
    case PLAYER_ST_CENTRE_X_DOWN:
    case PLAYER_ST_STAND_B:
    case PLAYER_ST_STAND_B + 1:
    case PLAYER_ST_KNOCKDOWN:
    case PLAYER_ST_ALT_STAND:
    case PLAYER_ST_ALT_STAND + 1:
    case PLAYER_ST_ALT_ACTION_A:
    case PLAYER_ST_ALT_ACTION_A + 1:
    case PLAYER_ST_ALT_HURT:
    case PLAYER_ST_ALT_KNOCKDOWN:
        return true;
    default:
        return false;
    }
}

void LookAheadStep(PlayerFrame& f) {
    ObjectSlot* object = f.object;
    const int32_t s = f.p->state;
    if (LeadsAhead(s)) {
        object->lookAheadX = Toward(object->lookAheadX, Facing(s) ? -kLookAhead : kLookAhead, 10);
    } else if (CentresView(s)) {
        object->lookAheadX = Toward(object->lookAheadX, 0, 30);
    } else if (s == PLAYER_ST_SEQ_END || IsRide(s)) {
        // The ride looks ahead by its speed.
        object->lookAheadX = SlotCoordinate(int64_t{WholePixels(f.p->vx)} * 18 + 150);
    }
}

void SlotStep(PlayerFrame& f) {
    PlayerState* p = f.p;
    f.object->x = SlotCoordinate(WholePixels(p->x));
    f.object->y = SlotCoordinate(WholePixels(p->y));
    const Camera& camera = f.world->camera;
    const int64_t bottom = (int64_t{camera.positionY} + camera.viewHeight) / 65536;
    if (p->leaveCounter > 0 && f.object->y > bottom)
        p->leaveCounter = 0;
}

void PingAttachedEffect(PlayerFrame& f) {
    const AttachedEffectRecord& record = f.p->attachedEffect;
    if (record.link < 0)
        return;
    ObjectSlot* effect = AttachedEffectOf(f.world, record);
    if (effect != nullptr && effect->index == record.link)
        PingEffect(f.world, effect, f.object);
}

} // namespace

void RunPlayerTick(PlayerFrame& f, uint32_t input, bool withInput) {
    f.p->cellCodeCopy = f.p->cellCode;
    CeilingStep(f);
    LandingStep(f);
    BumpStep(f);
    if (withInput)
        InputStep(f, input);
    RunLevelSpawners(f);
    RideStep(f);
    LeavePlayStep(f);
    CounterStep(f);
    GravityStep(f);
    ActionPointStep(f);
    ApplyRiseLine(f);
    ScriptDoneStep(f);
    SpecialStandStep(f);
    StateChangeStep(f);
    MotionStep(f);
    LookAheadStep(f);
    SlotStep(f);
    PingAttachedEffect(f);
    if (!RunZoneCounter(f))
        return; // the player hurt itself: that message ran the rest
    RunCarriedItem(f);
    RunWind(f);
}

} // namespace player
