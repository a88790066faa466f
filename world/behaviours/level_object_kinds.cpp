// The type table of the level objects: one named row per type with its
// constants and the rules it adds to the shared pattern — at creation, on a
// hit, before the move, with the gravity, when its script is done and when
// it lands.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "world/behaviours/effect_object.h"
#include "world/behaviours/level_object_internal.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace level_object {

namespace {

// ---- constants of the types ---------------------------------------------------------

constexpr int32_t kFullGravity = 0x1E000; // 1.875 pixels a frame
constexpr int32_t kHalfGravity = 0xF000;  // 0.9375
constexpr int32_t kNoGravity = 0;
constexpr int32_t kTimedFallGravity = 0x3000; // 0.1875

// Type 15: the hits it takes, one script each.
constexpr int32_t kCounterTargetHits = 3;

// Type 17: frames between shots; where the shot and its sparks appear.
constexpr float kShooterReloadFrames = 60.0f;
constexpr int32_t kShooterShotX = 40, kShooterShotY = -80;
constexpr uint8_t kShooterShotType = 18;
// How far the shooter may fall behind the player.
constexpr int32_t kShooterLagLimit = 800;

// Type 19: where on the screen it stays (level words, pixels from the camera).
constexpr int32_t kScreenPinWordX = 146, kScreenPinWordY = 147;

// Type 20: the fuse, its fall and its blast.
constexpr int32_t kFuseWord = 150;
constexpr int32_t kBombLaunchSpeed = 0x12C000; // 18.75 pixels a frame, downward
constexpr int32_t kBombSparksAbove = 34;
constexpr int32_t kBombReach = 150; // the player is hurt while less than this right of it
constexpr uint32_t kBombBlastSoundGroup = 53;
constexpr uint32_t kBombLandingSoundGroup = 54;
constexpr int32_t kBombBounceDivisor = 3;

// Type 29: the platform that drops once its timer runs out.
constexpr int32_t kDropTimerWord = 162;
constexpr uint32_t kDropWarningSoundGroup = 56;

// Type 37: the HUD counts that switch a counting lever off, by option.
constexpr int32_t kLeverCountWord = 166;

// Types 42 and 50: turning round now and then.
constexpr int32_t kTurnChanceHigh = 30, kTurnChanceHit = 5;
constexpr int32_t kTurnDelayMost = 10;
constexpr int32_t kTurnDelayAfterRest = 9;

// Types 39, 51 and 55: the idle script is chosen 21 times in 101.
constexpr int32_t kIdleChanceHigh = 100, kIdleChanceBelow = 21;

// Type 43: after its idle script it hops again once in six.
constexpr int32_t kHopChanceHigh = 5, kHopChanceHit = 2;

// Type 45: the pendulum's swing.
constexpr double kSwingPixels = 20.0;
constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr int32_t kSwingSlowing = 5;
constexpr int32_t kSwingLeast = 2;
constexpr int32_t kSwingDrop = 64;

// Type 53: its four scripts in turn.
constexpr int32_t kCycleScripts = 4;

// Type 55: the walker's range and its new vertical speeds.
constexpr int32_t kWalkRangeWord = 163;
constexpr int32_t kWalkTurnChanceHigh = 200, kWalkTurnChanceHit = 50;
constexpr int32_t kWalkRiseHigh = 128, kWalkRiseMiddle = 64, kWalkRiseUnit = 1024;

// Type 80: the cells that launch it and the push they give.
constexpr int32_t kLaunchCellCode = 23;
constexpr int32_t kLaunchWordX = 184, kLaunchWordY = 185;

// Type 8's variant that carries sparks and exists at every option.
constexpr int32_t kSparkingVariant = 1;
constexpr uint8_t kSparkingType = 8;
constexpr uint8_t kDriftType = 46;

// ---- creation --------------------------------------------------------------------

void InitCounterTarget(const Context& c) {
    c.state->hitCount = 0;
    SetWanted(c, 0);
}

void InitPassiveTarget(const Context& c) {
    SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
}

void InitIdle(const Context& c) {
    c.state->behaviourState = LEVEL_OBJECT_IDLE;
}

void InitShooter(const Context& c) {
    c.state->behaviourState = LEVEL_OBJECT_IDLE;
    c.state->phase = 0.0f;
}

void InitBomb(const Context& c) {
    c.state->velocityY = kBombLaunchSpeed;
    c.state->timer = LevelWord(c.world, kFuseWord);
}

// The variant is the left cell's parameter: code 241 gives 1, 242 gives 2.
void InitLever(const Context& c) {
    LevelObjectState* st = c.state;
    st->leverMode = st->variant == LEVER_MODE_RETURN || st->variant == LEVER_MODE_COUNTER
                        ? st->variant
                        : LEVER_MODE_PLAIN;
    if (st->leverMode == LEVER_MODE_PLAIN)
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
    else
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
}

// Already used in an earlier visit: it starts triggered.
void InitRememberedTarget(const Context& c) {
    if (!IsWorldBitClear(c.world, c.object->itemNumber))
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
}

// The thrower may hand over a record of its own with the same two words, so
// they are copied out rather than read through this record's type.
void InitProjectile(const Context& c) {
    const void* param = c.object->ParamAs<const void*>();
    if (param == nullptr)
        return;
    ProjectileSpawnRecord record{};
    std::memcpy(&record, param, sizeof(record));
    c.state->velocityX = WrapFixed(int64_t{record.vx} * FIXED_ONE);
    c.state->velocityY = WrapFixed(int64_t{record.vy} * FIXED_ONE);
}

// ---- hits --------------------------------------------------------------------------

void HitCounterTarget(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->hitCount >= kCounterTargetHits)
        return;
    ++st->hitCount;
    SetWanted(c, st->hitCount);
}

void HitBomb(const Context& c) {
    c.state->timer = 1;
    SendObjectMessage(c.world, c.player, OBJ_EV_HURT);
}

void HitLever(const Context& c) {
    LevelObjectState* st = c.state;
    const bool plain = st->leverMode == LEVER_MODE_PLAIN;
    if (st->behaviourState == LEVEL_OBJECT_IDLE && plain)
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
    else if (st->behaviourState == LEVEL_OBJECT_TRIGGERED && !plain)
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
}

// Reacts only where its left cell's parameter is within the option.
void HitGatedTarget(const Context& c) {
    if (LeftCellParameter(c.world, c.object) > c.option)
        return;
    if (c.state->behaviourState == LEVEL_OBJECT_IDLE)
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
}

// ---- before the move -----------------------------------------------------------------

bool ShooterReloads(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->behaviourState == LEVEL_OBJECT_IDLE) {
        st->phase += 1.0f;
        if (st->phase >= kShooterReloadFrames) {
            st->phase = 0.0f;
            SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
        }
    }
    if (c.player != nullptr) {
        const int32_t least = WrapFixed(Pixels(int64_t{c.player->x} - kShooterLagLimit));
        if (st->positionX < least)
            st->positionX = least;
    }
    return true;
}

bool StaysOnScreen(const Context& c) {
    const Camera& camera = c.world->camera;
    c.state->positionX =
        WrapFixed(int64_t{camera.positionX} + Pixels(int64_t{LevelWord(c.world, kScreenPinWordX)}));
    c.state->positionY =
        WrapFixed(int64_t{camera.positionY} + Pixels(int64_t{LevelWord(c.world, kScreenPinWordY)}));
    return true;
}

bool BombFuseBurns(const Context& c) {
    LevelObjectState* st = c.state;
    if (ObjectSlot* sparks = ResolveObjectRef(c.world, st->attachedEffect, OBJT_EFFECT)) {
        sparks->x = SlotCoordinate(PixelX(c));
        sparks->y = SlotCoordinate(int64_t{PixelY(c)} - kBombSparksAbove);
    }
    --st->timer;
    if (st->timer != 0)
        return true;
    PlayGroupSound(c, kBombBlastSoundGroup);
    MakeEffect(c, EFFECT_KIND_SPARK_BURST, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    if (c.player != nullptr && c.player->x - c.object->x < kBombReach)
        SendObjectMessage(c.world, c.player, OBJ_EV_HURT);
    return DeleteSelf(c);
}

bool DropTimerRuns(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->timer > 0 && st->timer < LevelWord(c.world, kDropTimerWord))
        ++st->timer;
    return true;
}

bool PipeSegmentRuns(const Context& c) {
    return StepPipeSegment(c);
}

bool CountingLeverReturns(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->leverMode != LEVER_MODE_COUNTER || st->behaviourState != LEVEL_OBJECT_TRIGGERED)
        return true;
    if (c.world->player.hudCount >= LevelWord(c.world, kLeverCountWord + c.option))
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
    return true;
}

bool FlyerTurnsNowAndThen(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->wantedScript != st->currentScript)
        return true;
    if (st->turnDelay >= 1 && st->turnDelay <= kTurnDelayMost)
        --st->turnDelay;
    if (st->behaviourState != LEVEL_OBJECT_IDLE)
        return true;
    if (WorldRandomInt(0, kTurnChanceHigh) != kTurnChanceHit || st->turnDelay != 0)
        return true;
    if ((st->turnCounter & 1) != 0) {
        FlipFacing(c);
        if (st->onTurnCell != 0)
            ++st->turnCounter;
    }
    SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
    st->turnDelay = kTurnDelayMost;
    return true;
}

bool ChaseFlyerKeepsUp(const Context& c) {
    return ChaseFlyerLeapsAhead(c);
}

bool PendulumSwings(const Context& c) {
    LevelObjectState* st = c.state;
    const int64_t drop = int64_t{st->positionY} - st->homeY;
    if (drop < Pixels(kSwingDrop) && st->wantedScript == BaseScript(c))
        SetWanted(c, 1);
    const double swing = kSwingPixels * std::sin(static_cast<double>(st->phase)) * FIXED_ONE;
    st->positionX = WrapFixed(int64_t{st->homeX} + static_cast<int64_t>(swing));
    const int64_t dropPixels = drop < 0 ? -(drop / FIXED_ONE) : drop / FIXED_ONE;
    const int64_t steps = dropPixels / kSwingSlowing + kSwingLeast;
    st->phase += kPi / static_cast<float>(steps);
    if (st->phase > kTwoPi)
        st->phase -= kTwoPi;
    return true;
}

bool WalkerWanders(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->positionY < st->homeY)
        st->velocityY = WrapFixed(-int64_t{st->velocityY});
    if (WorldRandomInt(0, kWalkTurnChanceHigh) == kWalkTurnChanceHit)
        FlipFacing(c);
    if (!FacingLeft(c)) {
        const int64_t range = Pixels(int64_t{LevelWord(c.world, kWalkRangeWord)});
        if (int64_t{st->positionX} - st->homeX > range)
            SetFacingLeft(c, true);
    } else if (st->positionX < st->homeX) {
        SetFacingLeft(c, false);
    }
    return true;
}

// ---- with the gravity ------------------------------------------------------------------

bool DropPlatformFalls(const Context& c) {
    LevelObjectState* st = c.state;
    const int32_t end = LevelWord(c.world, kDropTimerWord);
    if (st->timer <= 0)
        return true;
    if (st->timer == end - 1)
        PlayGroupSound(c, kDropWarningSoundGroup);
    if (st->timer != end)
        return true;
    st->velocityY = WrapFixed(int64_t{st->velocityY} + kTimedFallGravity);
    const PlayerState* player = PlayerStateOf(c.player);
    if (player != nullptr && c.object->x < WholePixels(player->restartX))
        SetTakenBit(c);
    return true;
}

bool FallsOnceTriggered(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_TRIGGERED)
        c.state->velocityY = WrapFixed(int64_t{c.state->velocityY} + kFullGravity);
    return true;
}

bool Homing(const Context& c) {
    return HomingFlight(c);
}

bool Chasing(const Context& c) {
    return ChasingFlight(c);
}

bool DriftsWithTheWind(const Context& c) {
    const int32_t drift = c.world->player.driftSpeed;
    if (drift == 0)
        return DeleteSelf(c);
    const bool heavy = c.state->variant >= LastScriptOf(c.world, kDriftType) - 1;
    c.state->velocityX = heavy ? WrapFixed(int64_t{drift} * 5) : drift;
    c.state->velocityY = 0;
    return true;
}

bool LaunchedFromLaunchCells(const Context& c) {
    LevelObjectState* st = c.state;
    const int32_t code = ObjectLayerCode(c.world, PixelX(c) / 32, PixelY(c) / 32);
    if (code != kLaunchCellCode || st->wantedScript != BaseScript(c))
        return true;
    st->velocityX =
        WrapFixed(int64_t{st->velocityX} + Pixels(int64_t{LevelWord(c.world, kLaunchWordX)}));
    st->velocityY =
        WrapFixed(int64_t{st->velocityY} + Pixels(int64_t{LevelWord(c.world, kLaunchWordY)}));
    SetWanted(c, 1);
    return true;
}

// ---- when the script is done ------------------------------------------------------------

bool FinishesTriggered(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_TRIGGERED)
        SetBehaviour(c, LEVEL_OBJECT_FINISHED, 2);
    return true;
}

bool ShooterFires(const Context& c) {
    if (c.state->behaviourState != LEVEL_OBJECT_TRIGGERED)
        return true;
    c.state->behaviourState = LEVEL_OBJECT_IDLE;
    const int16_t x = SlotCoordinate(int64_t{c.object->x} + kShooterShotX);
    const int16_t y = SlotCoordinate(int64_t{c.object->y} + kShooterShotY);
    CreateObject(c.world, x, y, kShooterShotType, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
    SpawnEffect(c.world, x, y, EFFECT_KIND_SPARK_BURST, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    return true;
}

bool ReturnsToIdle(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_TRIGGERED)
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
    return true;
}

bool DropperGoes(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_TRIGGERED)
        return DeleteSelf(c);
    return true;
}

bool PicksIdleOrTriggered(const Context& c) {
    SetWanted(c, WorldRandomInt(0, kIdleChanceHigh) < kIdleChanceBelow ? 0 : 1);
    c.state->flags |= LEVEL_OBJECT_RESTART_SCRIPT;
    return true;
}

bool FlyerRests(const Context& c) {
    SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
    c.state->turnDelay = kTurnDelayAfterRest;
    return true;
}

bool HopperHopsAgain(const Context& c) {
    LevelObjectState* st = c.state;
    if (st->behaviourState == LEVEL_OBJECT_TRIGGERED)
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
    if (st->behaviourState == LEVEL_OBJECT_IDLE &&
        WorldRandomInt(0, kHopChanceHigh) == kHopChanceHit)
        SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
    st->flags |= LEVEL_OBJECT_RESTART_SCRIPT;
    return true;
}

bool CyclesScripts(const Context& c) {
    LevelObjectState* st = c.state;
    const int32_t step = st->wantedScript - BaseScript(c);
    st->behaviourState = LEVEL_OBJECT_IDLE;
    SetWanted(c, step >= 0 && step < kCycleScripts - 1 ? step + 1 : 0);
    return true;
}

bool WalkerPicksAgain(const Context& c) {
    SetWanted(c, WorldRandomInt(0, kIdleChanceHigh) < kIdleChanceBelow ? 0 : 1);
    c.state->velocityY = (kWalkRiseMiddle - WorldRandomInt(0, kWalkRiseHigh)) * kWalkRiseUnit;
    c.state->flags |= LEVEL_OBJECT_RESTART_SCRIPT;
    return true;
}

bool GatedTargetFinishes(const Context& c) {
    if (c.state->wantedScript == BaseScript(c) + 1)
        SetWanted(c, 2);
    return true;
}

// ---- landings -----------------------------------------------------------------------------

void BombBounces(const Context& c) {
    LevelObjectState* st = c.state;
    st->velocityX = 0;
    st->velocityY = WrapFixed(-(int64_t{st->velocityY} / kBombBounceDivisor));
    if (st->landingSoundFlag != 0)
        return;
    st->landingSoundFlag = 1;
    PlayGroupSound(c, kBombLandingSoundGroup);
}

void DropperLands(const Context& c) {
    if (c.state->behaviourState == LEVEL_OBJECT_TRIGGERED)
        return;
    MakeEffect(c, EFFECT_KIND_DEATH_STARS_LASTING, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
    c.state->velocityY = 0;
}

void FlyerLands(const Context& c) {
    LevelObjectState* st = c.state;
    st->velocityX = 0;
    st->velocityY = 0;
    if (st->behaviourState == LEVEL_OBJECT_TRIGGERED && st->wantedScript == st->currentScript)
        SetBehaviour(c, LEVEL_OBJECT_IDLE, 0);
}

void SliderLands(const Context& c) {
    if (c.state->wantedScript == BaseScript(c) + 1)
        SetWanted(c, 0);
    c.state->velocityX = 0;
    c.state->velocityY = 0;
}

// ---- the table ------------------------------------------------------------------------------

using M = MoveRule;
using W = WallRule;
constexpr int8_t NS = kNoShadow;
constexpr int8_t NE = kNoCreationEffect;
constexpr int8_t DEL = kDeletedAtOnce;
constexpr uint8_t NG = TRAIT_NOT_GATED;
constexpr uint8_t NT = TRAIT_NO_TURN_CELLS;
constexpr uint8_t TC = TRAIT_TURN_COUNT_ONLY;
constexpr uint8_t KB = TRAIT_STRIKE_KEEPS_BIT;
constexpr int32_t G = kFullGravity, H = kHalfGravity, N = kNoGravity;
constexpr int8_t SPK = EFFECT_KIND_SPARKS, CSP = EFFECT_KIND_CANNON_SPARK,
                 SPA = EFFECT_KIND_SPARKS_ALT;
constexpr int8_t DRF = kDriftEnding;

// clang-format off
const LevelObjectKind kKinds[] = {
    // type, stride, depth, shadow, creation effect, hit points, dying script, gravity,
    // move, walls, traits,
    //     init, hit, before the move, motion, script done, landing
    // sparking target
    {8,   1, 31, NS, SPK, 1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // three-hit barrier
    {15,  0, 31, NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        InitCounterTarget, HitCounterTarget, nullptr, nullptr, nullptr, nullptr},
    // action target
    {16,  0, 30, NS, NE,  0, DEL, G, M::Scripted,          W::Facing,    0,
        InitPassiveTarget, nullptr, nullptr, nullptr, FinishesTriggered, nullptr},
    // shooter
    {17,  0, 30, NS, NE,  0, DEL, N, M::Pinned,            W::Facing,    0,
        InitShooter, nullptr, ShooterReloads, nullptr, ShooterFires, nullptr},
    // screen-pinned target
    {19,  0, 33, NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, StaysOnScreen, nullptr, ReturnsToIdle, nullptr},
    // bomb
    {20,  0, 31, NS, CSP, 1, DEL, G, M::Scripted,          W::Facing,    0,
        InitBomb, HitBomb, BombFuseBurns, nullptr, nullptr, BombBounces},
    // dropper
    {21,  0, 4,  NS, NE,  0, DEL, G, M::Scripted,          W::Facing,    0,
        InitIdle, nullptr, nullptr, nullptr, DropperGoes, DropperLands},
    // sparking prop
    {22,  5, 4,  NS, SPA, 1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // dropping platform
    {29,  1, 30, NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, DropTimerRuns, DropPlatformFalls, nullptr, nullptr},
    // falling hazard
    {30,  3, 30, NS, NE,  1, DEL, N, M::Scripted,          W::StopsFall, 0,
        nullptr, nullptr, nullptr, FallsOnceTriggered, FinishesTriggered, nullptr},
    // remembered target
    {31,  0, 30, 11, NE,  0, DEL, G, M::Scripted,          W::Facing,    0,
        InitRememberedTarget, nullptr, nullptr, nullptr, FinishesTriggered, nullptr},
    // ranged hazard
    {32,  0, 8,  NS, NE,  1, 3,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, FinishesTriggered, nullptr},
    // hazard
    {33,  0, 4,  NS, NE,  1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // stunner
    {34,  0, 30, NS, NE,  1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // pipe segment
    {35,  0, 4,  NS, NE,  1, DEL, N, M::Still,             W::Facing,    0,
        CreatePipeSegment, HitPipeSegment, PipeSegmentRuns, nullptr, nullptr, nullptr},
    // chain-end target
    {36,  0, 4,  NS, NE,  1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // lever
    {37,  0, 31, NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        InitLever, HitLever, CountingLeverReturns, nullptr, nullptr, nullptr},
    // prop
    {38,  0, 30, NS, NE,  1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // enemy idling at random
    {39,  0, 4,  9,  NE,  1, 2,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, PicksIdleOrTriggered, nullptr},
    // homing flyer
    {40,  2, 4,  2,  NE,  1, 6,   N, M::Velocity,          W::Facing,    0,
        nullptr, nullptr, nullptr, Homing, ReturnsToIdle, nullptr},
    // enemy
    {41,  0, 4,  4,  NE,  1, 1,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // five-hit flyer
    {42,  0, 4,  7,  NE,  5, 3,   H, M::TriggeredScripted, W::Keep,      TC,
        nullptr, nullptr, FlyerTurnsNowAndThen, nullptr, FlyerRests, FlyerLands},
    // hopping enemy
    {43,  0, 4,  9,  NE,  1, 2,   H, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, HopperHopsAgain, nullptr},
    // chasing flyer
    {44,  0, 4,  3,  NE,  1, 1,   N, M::Velocity,          W::Facing,    0,
        nullptr, nullptr, ChaseFlyerKeepsUp, Chasing, nullptr, nullptr},
    // pendulum
    {45,  0, 4,  10, NE,  1, 2,   N, M::Scripted,          W::Pendulum,  0,
        nullptr, nullptr, PendulumSwings, nullptr, nullptr, nullptr},
    // drift object
    {46,  1, 4,  6,  NE,  1, DRF, N, M::Velocity,          W::Strikes,   KB,
        nullptr, nullptr, nullptr, DriftsWithTheWind, nullptr, nullptr},
    // enemy
    {47,  0, 4,  11, NE,  1, 1,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // enemy
    {48,  0, 4,  4,  NE,  1, 1,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // hazard box
    {49,  0, 31, NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // three-hit flyer
    {50,  0, 4,  9,  NE,  3, 2,   H, M::TriggeredScripted, W::Reversed,  0,
        nullptr, nullptr, FlyerTurnsNowAndThen, nullptr, nullptr, FlyerLands},
    // enemy idling at random
    {51,  0, 4,  9,  NE,  1, 2,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, PicksIdleOrTriggered, nullptr},
    // boxed enemy
    {52,  0, 4,  9,  NE,  1, DEL, G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // three-hit enemy cycling four scripts
    {53,  0, 4,  9,  NE,  3, 4,   G, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, CyclesScripts, nullptr},
    // wanderer
    {55,  4, 4,  9,  NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, WalkerWanders, nullptr, WalkerPicksAgain, nullptr},
    // moving platform
    {58,  0, 4,  NS, NE,  0, DEL, G, M::Scripted,          W::WallFlag,  NT,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // remembered target
    {77,  0, 30, 11, NE,  0, DEL, G, M::Scripted,          W::Facing,    0,
        InitRememberedTarget, nullptr, nullptr, nullptr, FinishesTriggered, nullptr},
    // pusher hazard
    {78,  0, 4,  NS, NE,  1, DEL, N, M::Scripted,          W::Facing,    0,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    // gated platform
    {79,  0, 30, NS, NE,  0, DEL, N, M::Scripted,          W::Keep,      NT,
        nullptr, HitGatedTarget, nullptr, nullptr, GatedTargetFinishes, nullptr},
    // slider
    {80,  0, 4,  NS, NE,  1, DEL, G, M::Scripted,          W::Facing,    NT,
        nullptr, nullptr, nullptr, LaunchedFromLaunchCells, nullptr, SliderLands},
    // OBJT_PROJECTILE_A
    {119, 0, 4,  NS, NE,  1, DEL, N, M::Doubled,           W::Strikes,   NG | NT | KB,
        InitProjectile, nullptr, nullptr, nullptr, nullptr, nullptr},
    // OBJT_PROJECTILE_B
    {120, 0, 4,  1,  NE,  1, 1,   H, M::Doubled,           W::Strikes,   NG | NT | KB,
        InitProjectile, nullptr, nullptr, nullptr, nullptr, nullptr},
};
// clang-format on

// A type the table does not know behaves as an ordinary target.
constexpr LevelObjectKind kOrdinary = {0,       0,       4,           NS,        NE,     1,
                                       DEL,     G,       M::Scripted, W::Facing, 0,      nullptr,
                                       nullptr, nullptr, nullptr,     nullptr,   nullptr};

} // namespace

const LevelObjectKind& LevelObjectKindOf(int32_t type) {
    for (const LevelObjectKind& kind : kKinds)
        if (kind.type == type)
            return kind;
    return kOrdinary;
}

const LevelObjectKind* LevelObjectKinds(int32_t* count) {
    *count = static_cast<int32_t>(sizeof(kKinds) / sizeof(kKinds[0]));
    return kKinds;
}

// ---- per-type parts of a creation and a strike --------------------------------------------

bool MakesCreationEffect(const Context& c) {
    if (c.kind->creationEffect == kNoCreationEffect)
        return false;
    return c.object->typeId != kSparkingType || c.state->variant == kSparkingVariant;
}

bool IsOptionGated(const Context& c) {
    if ((c.kind->traits & TRAIT_NOT_GATED) != 0)
        return false;
    return c.object->typeId != kSparkingType || c.state->variant != kSparkingVariant;
}

// The last drift variant is a gust of its own: it casts no shadow.
int32_t ShadowScriptOf(const Context& c) {
    if (c.object->typeId == kDriftType && c.state->variant == LastScriptOf(c.world, kDriftType) - 1)
        return kNoShadow;
    return c.kind->shadowScript;
}

bool LeavesDeathStars(const Context& c) {
    if (c.object->typeId != kDriftType)
        return true;
    return c.state->secondDriftFlag == 0 &&
           c.state->variant != LastScriptOf(c.world, kDriftType) - 1;
}

bool EndDriftObject(const Context& c) {
    LevelObjectState* st = c.state;
    const int32_t last = LastScriptOf(c.world, kDriftType);
    if (st->firstDriftFlag != 0) {
        MakeEffect(c, EFFECT_KIND_DEATH_STARS, OBJ_MSG_CREATE);
        return DeleteSelf(c);
    }
    if (st->variant >= last - 1)
        return DeleteSelf(c);
    // The dying drift object plays the set's last script, whatever its base.
    st->dying = 1;
    st->wantedScript = st->currentScript = last;
    st->flags &= ~LEVEL_OBJECT_RESTART_SCRIPT;
    StartScript(c.world, c.actor, last);
    return true;
}

} // namespace level_object
