// The flyers: the homing flight of type 40, which steers at the player and
// dodges thrown projectiles, and the chasing flight of type 44 with its
// rules on the chase-flyer level, where it keeps up with the player and
// bounces back from strikes.
#include <cstdint>
#include <cstdlib>

#include "world/behaviours/level_object_internal.h"
#include "world/game_world.h"
#include "world/script_engine.h"
#include "world/tile_map.h"

namespace level_object {

namespace {

// Level words of the homing flight (type 40).
constexpr int32_t kHomingLimitXWord = 118, kHomingLimitYWord = 119;
constexpr int32_t kHomingNearOffsetWord = 120, kHomingFarOffsetWord = 121;
constexpr int32_t kHomingAttackWord = 122;
constexpr int32_t kHomingNearWord = 123;
constexpr int32_t kHomingAttackLowWord = 124, kHomingAttackHighWord = 125;
constexpr int32_t kHomingAttackSpeedWord = 126;
constexpr int32_t kHomingDodgeWord = 127;
constexpr int32_t kHomingDivisorXWord = 128, kHomingDivisorYWord = 129;
constexpr int32_t kHomingJitterXWord = 130, kHomingJitterYWord = 131;
// Attacking, it steers twice as hard and jitters by a sixth of its limits.
constexpr int32_t kAttackJitterDivisor = 6;
// It attacks when a draw of 0..100 is above this.
constexpr int32_t kAttackChanceHigh = 100, kAttackChanceAbove = 80;
// A projectile near it makes it rise this many times its vertical limit.
constexpr int32_t kDodgeRise = -3;

// Level words of the chasing flight (type 44).
constexpr int32_t kChasingLimitXWord = 132, kChasingLimitYWord = 133;
constexpr int32_t kChasingNearOffsetWord = 134, kChasingFarOffsetWord = 135;
constexpr int32_t kChasingNearWord = 136;
constexpr int32_t kChasingDivisorXWord = 137, kChasingDivisorYWord = 138;
constexpr int32_t kChasingJitterXWord = 139, kChasingJitterYWord = 140;
// On the chase-flyer level the limits grow with the option.
constexpr int32_t kChaseLevelLimitXWord = 141, kChaseLevelLimitXPerOptionWord = 142;
constexpr int32_t kChaseLevelLimitYWord = 143, kChaseLevelLimitYPerOptionWord = 144;

// On the chase-flyer level: how far behind the player a flyer may fall
// before it jumps ahead, and its knock-back.
constexpr int32_t kLeapDistance = 250;
constexpr int32_t kSpreadStep = 40, kSpreadRange = 128;
constexpr int32_t kBounceSteps = 10;
constexpr int32_t kBounceX = -45, kBounceY = -50;
constexpr int32_t kBounceLeftmost = 200;

constexpr uint8_t kChasingFlyerType = 44;

// A halved divisor that stays a divisor.
int32_t HalvedDivisor(const GameWorld* world, int32_t word) {
    const int32_t half = LevelWord(world, word) / 2;
    return half == 0 ? 1 : half;
}

int32_t Clamp32(int64_t value) {
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

struct Offsets {
    int64_t d; // player x - its x, pixels
    int64_t e; // player y - its y plus the word's offset, pixels
};

Offsets OffsetsToPlayer(const Context& c, const FlightWords& w) {
    Offsets o;
    o.d = int64_t{c.player->x} - c.object->x;
    const int64_t distance = o.d < 0 ? -o.d : o.d;
    o.e = int64_t{c.player->y} - c.object->y +
          (distance < w.nearDistance ? w.nearOffsetY : w.farOffsetY);
    return o;
}

int32_t Steered(int32_t velocity, int64_t toward, int32_t limit, int32_t divisor) {
    const int64_t push = (toward > 0 ? int64_t{limit} : -int64_t{limit}) * FIXED_ONE / divisor;
    const int64_t most = (limit < 0 ? -int64_t{limit} : int64_t{limit}) * FIXED_ONE;
    int64_t v = int64_t{velocity} + push;
    if (v > most)
        v = most;
    if (v < -most)
        v = -most;
    return WrapFixed(v);
}

int32_t Jittered(int32_t velocity, int32_t limit, int32_t divisor) {
    const int32_t spread = Clamp32(int64_t{limit} * FIXED_ONE / divisor);
    const int32_t lo = spread == INT32_MIN ? INT32_MAX : -spread;
    return WrapFixed(int64_t{velocity} + WorldRandomInt(lo, spread));
}

void Steer(const Context& c, const FlightWords& w, const Offsets& o) {
    LevelObjectState* st = c.state;
    st->velocityX = Steered(st->velocityX, o.d, w.limitX, w.divisorX);
    st->velocityY = Steered(st->velocityY, o.e, w.limitY, w.divisorY);
    SetFacingLeft(c, st->velocityX < 0);
    st->velocityX = Jittered(st->velocityX, w.limitX, w.jitterX);
    st->velocityY = Jittered(st->velocityY, w.limitY, w.jitterY);
}

bool ShouldAttack(const Context& c, const Offsets& o) {
    const GameWorld* world = c.world;
    if (o.e <= LevelWord(world, kHomingAttackLowWord) ||
        o.e >= LevelWord(world, kHomingAttackHighWord))
        return false;
    const int64_t reach = LevelWord(world, kHomingAttackWord);
    if (o.d - o.e >= reach && o.d + o.e >= reach)
        return false;
    return WorldRandomInt(0, kAttackChanceHigh) > kAttackChanceAbove;
}

// A thrown projectile nearby sends the flyer up.
void DodgeProjectiles(const Context& c, const FlightWords& w) {
    const int64_t reach = LevelWord(c.world, kHomingDodgeWord);
    uint16_t from = 0;
    while (ObjectSlot* projectile = FindNextObjectOfType(c.world, &from, OBJT_PROJECTILE_B)) {
        const int64_t dx = int64_t{projectile->x} - c.object->x;
        const int64_t dy = int64_t{projectile->y} - c.object->y;
        if (dx * dx + dy * dy < reach * reach) {
            c.state->velocityY = WrapFixed(int64_t{kDodgeRise} * w.limitY * FIXED_ONE);
            return;
        }
    }
}

} // namespace

FlightWords HomingFlightWords(const GameWorld* world, int32_t behaviourState) {
    FlightWords w;
    w.limitX = LevelWord(world, kHomingLimitXWord);
    w.limitY = LevelWord(world, kHomingLimitYWord);
    w.nearOffsetY = LevelWord(world, kHomingNearOffsetWord);
    w.farOffsetY = LevelWord(world, kHomingFarOffsetWord);
    w.nearDistance = LevelWord(world, kHomingNearWord);
    w.divisorX = LevelDivisor(world, kHomingDivisorXWord);
    w.divisorY = LevelDivisor(world, kHomingDivisorYWord);
    w.jitterX = LevelDivisor(world, kHomingJitterXWord);
    w.jitterY = LevelDivisor(world, kHomingJitterYWord);
    if (behaviourState == LEVEL_OBJECT_TRIGGERED) {
        const int32_t speed = LevelWord(world, kHomingAttackSpeedWord);
        w.limitX = WrapFixed(int64_t{w.limitX} * speed);
        w.limitY = WrapFixed(int64_t{w.limitY} * speed);
        w.divisorX = HalvedDivisor(world, kHomingDivisorXWord);
        w.divisorY = HalvedDivisor(world, kHomingDivisorYWord);
        w.jitterX = w.jitterY = kAttackJitterDivisor;
    }
    return w;
}

bool IsChaseFlyerLevel(int32_t level) {
    return level == kChaseFlyerLevel;
}

FlightWords ChasingFlightWords(const GameWorld* world, int32_t level, int32_t option) {
    FlightWords w;
    if (IsChaseFlyerLevel(level)) {
        w.limitX = WrapFixed(int64_t{LevelWord(world, kChaseLevelLimitXPerOptionWord)} * option +
                             LevelWord(world, kChaseLevelLimitXWord) + 1);
        w.limitY = WrapFixed(int64_t{LevelWord(world, kChaseLevelLimitYPerOptionWord)} * option +
                             LevelWord(world, kChaseLevelLimitYWord) + 1);
    } else {
        w.limitX = WrapFixed(int64_t{LevelWord(world, kChasingLimitXWord)} + 1);
        w.limitY = WrapFixed(int64_t{LevelWord(world, kChasingLimitYWord)} + 1);
    }
    w.nearOffsetY = LevelWord(world, kChasingNearOffsetWord);
    w.farOffsetY = LevelWord(world, kChasingFarOffsetWord);
    w.nearDistance = LevelWord(world, kChasingNearWord);
    w.divisorX = LevelDivisor(world, kChasingDivisorXWord);
    w.divisorY = LevelDivisor(world, kChasingDivisorYWord);
    w.jitterX = LevelDivisor(world, kChasingJitterXWord);
    w.jitterY = LevelDivisor(world, kChasingJitterYWord);
    return w;
}

bool HomingFlight(const Context& c) {
    LevelObjectState* st = c.state;
    if (c.player != nullptr) {
        const Offsets o = OffsetsToPlayer(c, HomingFlightWords(c.world, LEVEL_OBJECT_IDLE));
        if (st->behaviourState == LEVEL_OBJECT_IDLE && ShouldAttack(c, o))
            SetBehaviour(c, LEVEL_OBJECT_TRIGGERED, 1);
        Steer(c, HomingFlightWords(c.world, st->behaviourState), o);
    }
    DodgeProjectiles(c, HomingFlightWords(c.world, st->behaviourState));
    return true;
}

bool ChasingFlight(const Context& c) {
    if (c.player == nullptr)
        return true;
    const FlightWords w = ChasingFlightWords(c.world, c.world->currentLevel, c.option);
    Steer(c, w, OffsetsToPlayer(c, w));
    return true;
}

int32_t ChaseFlyerSpread(const ObjectSlot* object) {
    return (object->index * kSpreadStep) % kSpreadRange;
}

bool ChaseFlyerLeapsAhead(const Context& c) {
    if (!IsChaseFlyerLevel(c.world->currentLevel) || c.player == nullptr)
        return true;
    const int64_t lead = kLeapDistance + ChaseFlyerSpread(c.object);
    if (int64_t{c.player->x} - c.object->x > lead)
        c.state->positionX = WrapFixed((int64_t{c.player->x} - lead) * FIXED_ONE);
    return true;
}

bool ChaseFlyerBouncesBack(const Context& c) {
    LevelObjectState* st = c.state;
    if (c.object->typeId != kChasingFlyerType || !IsChaseFlyerLevel(c.world->currentLevel) ||
        st->bounces <= 0)
        return false;
    --st->bounces;
    for (int32_t i = 0; i < kBounceSteps; ++i)
        MoveObject(c.world, &st->positionX, &st->positionY, Pixels(kBounceX), Pixels(kBounceY));
    if (st->positionX < Pixels(kBounceLeftmost))
        st->positionX = Pixels(kBounceLeftmost);
    st->struck = 0;
    st->scorable = 1;
    return true;
}

} // namespace level_object
