// The sprite movers among the effect objects: the flying sprite (type 18),
// which crosses the screen in two arcs, and the sprite band (type 24), whose
// lanes drift past with a parallax shift from the player's motion; and the
// script and camera helpers the effect objects share.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "world/behaviours/effect_kinds.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kFlyingSpriteTargetType = 19;
constexpr uint8_t kFlyingSpriteResultType = 20;
constexpr int16_t kFlyingSpriteDepth = 32;
constexpr int16_t kBandBaseDepth = 65;

// Level-table words of the flying sprite.
constexpr int32_t kFlightTargetXWord = 146;
constexpr int32_t kFlightTargetYWord = 147;
constexpr int32_t kFlightStepsWord = 148;
constexpr int32_t kFlightHitStepWord = 149;
constexpr double kFirstArcHeight = 300.0;
constexpr double kSecondArcHeight = 100.0;
constexpr float kSecondArcEndX = 400.0f;
constexpr float kSecondArcEndY = -50.0f;
constexpr int16_t kFlightResultOffsetX = -100;

// Level-table words of the sprite band.
constexpr int32_t kBandTopWord = 151;
constexpr int32_t kBandLanesWord = 152;
constexpr int32_t kBandSpeedBaseWord = 153;
constexpr int32_t kBandSpeedWord = 154;
constexpr int32_t kBandRowHeightWord = 155;
constexpr int32_t kBandLeftShiftWord = 157;
constexpr int32_t kBandRightShiftWord = 158;
constexpr int32_t kBandDelayWord = 159;
constexpr int32_t kBandDelaySpreadWord = 160;
constexpr int32_t kBandScriptCell = 3; // the cell to the left
constexpr int32_t kBandFirstDelayLow = 40;
constexpr int32_t kBandFirstDelayHigh = 200;
constexpr int32_t kBandLeftEdge = -0x4000000; // -1024 pixels
constexpr int32_t kBandEntryX = 0x4000000;    // 1024 pixels

constexpr double kPi = 3.14159265358979323846;

// Wraps like the 32-bit arithmetic of level words, without overflow.
int32_t Wrap32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}
int32_t Mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

int32_t BandRow(const ObjectSlot* object) {
    return object->y / 32;
}

int32_t BandScript(const EffectContext& c) {
    const MediaSet* set = c.actor->mediaSet >= 0 && c.actor->mediaSet < kMediaSetCount
                              ? &c.world->mediaSets[c.actor->mediaSet]
                              : nullptr;
    const int32_t last = set != nullptr ? set->lastScript : -1;
    if (c.state->cells[kBandScriptCell] > last)
        c.state->cells[kBandScriptCell] = static_cast<uint8_t>(std::max(last, 0));
    return std::min<int32_t>(c.state->cells[kBandScriptCell], last);
}

int32_t BandDelay(const EffectContext& c, int32_t row) {
    GameWorld* world = c.world;
    const int32_t low =
        Mul32(Mul32(LevelWord(world, kBandDelayWord), LevelWord(world, kBandSpeedWord)), row + 1) /
        1024;
    return WorldRandomInt(
        low, Wrap32(static_cast<int64_t>(low) + LevelWord(world, kBandDelaySpreadWord)));
}

int32_t BandSpeed(const GameWorld* world, int32_t row) {
    const int64_t speed = static_cast<int64_t>(row) * LevelWord(world, kBandSpeedWord) -
                          LevelWord(world, kBandSpeedBaseWord);
    return Wrap32(speed * 64);
}

int32_t PlayerLastMoveX(GameWorld* world) {
    uint16_t from = 0;
    return ReadEffectPlayerFacts(FindNextObjectOfType(world, &from, OBJT_PLAYER)).lastMoveX;
}

} // namespace

// ---- the flying sprite ----------------------------------------------------------

void StartFlight(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    c.object->depth = kFlyingSpriteDepth;
    StartScript(world, c.actor, 0);
    st->flightStartX = ToSlotCoordinate(c.object->x - CameraEvenX(world));
    st->flightStartY = ToSlotCoordinate(c.object->y - CameraEvenY(world));
    const float steps = static_cast<float>(std::max(1, LevelWord(world, kFlightStepsWord)));
    st->flightFactorX =
        static_cast<float>(LevelWord(world, kFlightTargetXWord) - st->flightStartX) / steps;
    st->flightFactorY =
        static_cast<float>(LevelWord(world, kFlightTargetYWord) - st->flightStartY) / steps;
    st->flightPhase = 1;
}

// False when the sprite has landed and its object is gone.
bool StepFlight(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    ObjectSlot* object = c.object;
    const int32_t steps = std::max(1, LevelWord(world, kFlightStepsWord));
    const int32_t t = st->stepCounter;
    const double progress = static_cast<double>(t) / steps;
    const double height = st->flightPhase != 0 ? kFirstArcHeight : kSecondArcHeight;
    object->x = ToSlotCoordinate(CameraEvenX(world) + static_cast<double>(st->flightFactorX) * t +
                                 st->flightStartX);
    object->y = ToSlotCoordinate(CameraEvenY(world) + static_cast<double>(st->flightFactorY) * t +
                                 st->flightStartY - height * std::sin(t * kPi / steps));
    st->scale = static_cast<float>((st->flightPhase != 0 ? 1.0 - progress : progress) * 0.9 + 0.1);
    if (t == steps) {
        if (st->flightPhase == 0) {
            CreateObject(world, ToSlotCoordinate(object->x + kFlightResultOffsetX), object->y,
                         kFlyingSpriteResultType, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
            DeleteObject(world, object);
            return false;
        }
        st->flightStartX = ToSlotCoordinate(object->x - CameraEvenX(world));
        st->flightStartY = ToSlotCoordinate(object->y - CameraEvenY(world));
        st->flightFactorX = (kSecondArcEndX - st->flightStartX) / static_cast<float>(t);
        st->flightFactorY = (kSecondArcEndY - st->flightStartY) / static_cast<float>(t);
        st->flightPhase = 0;
        st->stepCounter = 0;
    }
    if (st->flightPhase != 0 && st->stepCounter == LevelWord(world, kFlightHitStepWord)) {
        uint16_t from = 0;
        SendObjectMessage(world, FindNextObjectOfType(world, &from, kFlyingSpriteTargetType),
                          OBJ_EV_HIT);
    }
    ++st->stepCounter;
    return true;
}

// ---- the sprite band ------------------------------------------------------------

void FillBand(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    const int32_t row = BandRow(c.object);
    c.object->depth = static_cast<int16_t>(kBandBaseDepth + row);
    const int32_t wanted = LevelWord(world, kBandLanesWord);
    const int32_t laneY = Wrap32((static_cast<int64_t>(row) * LevelWord(world, kBandRowHeightWord) +
                                  LevelWord(world, kBandTopWord)) *
                                 FIXED_ONE);
    for (EffectLane& lane : st->lanes) {
        lane.sprite = -1;
        lane.y = laneY;
        if (st->laneCount >= wanted)
            continue;
        st->stepCounter = BandDelay(c, row);
        lane.sprite = RandomScriptSprite(world, c.actor, BandScript(c));
        lane.x = PixelToFixed(WorldRandomInt(-999, 1000));
        lane.vx = BandSpeed(world, row);
        ++st->laneCount;
    }
    // The lanes filled now are not counted against the limit.
    st->laneCount = 0;
    st->stepCounter = WorldRandomInt(kBandFirstDelayLow, kBandFirstDelayHigh);
}

void StepBand(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    const int32_t row = BandRow(c.object);
    const int32_t p = PlayerLastMoveX(world);
    const int32_t k = LevelWord(world, p < 0 ? kBandLeftShiftWord : kBandRightShiftWord);
    const int32_t shift =
        Mul32(Mul32(Mul32(p / 256, k) / 64, row) / 64, LevelWord(world, kBandSpeedWord));
    for (EffectLane& lane : st->lanes) {
        lane.x = Wrap32(static_cast<int64_t>(lane.x) + lane.vx);
        lane.y = Wrap32(static_cast<int64_t>(lane.y) + lane.vy);
        lane.x = Wrap32(static_cast<int64_t>(lane.x) + shift);
        if (lane.sprite >= 0 && lane.x < kBandLeftEdge) {
            lane.sprite = -1;
            // The lanes of the first fill were never counted.
            st->laneCount = std::max(0, st->laneCount - 1);
        }
    }
    if (st->stepCounter != 0) {
        --st->stepCounter;
        return;
    }
    if (st->laneCount >= LevelWord(world, kBandLanesWord))
        return;
    st->stepCounter = BandDelay(c, row);
    for (EffectLane& lane : st->lanes) {
        if (lane.sprite >= 0)
            continue;
        lane.sprite = RandomScriptSprite(world, c.actor, BandScript(c));
        lane.x = kBandEntryX;
        lane.vx = BandSpeed(world, row);
        ++st->laneCount;
        break;
    }
}

void DrawEffectLane(GameWorld* world, ObjectSlot* object, int32_t n) {
    if (n < 0 || n >= LANE_COUNT)
        return;
    const EffectLane& lane = object->LogicAs<EffectState>()->lanes[n];
    Image* image = EffectSpriteImage(world, object->DrawAs<ScriptActor>(), lane.sprite);
    if (image == nullptr)
        return;
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.source = image;
    record.x = FixedToPixel(lane.x);
    record.y = FixedToPixel(lane.y);
    DrawSprite(&record);
}

// ---- shared helpers --------------------------------------------------------------

int32_t CameraPixelX(const GameWorld* world) {
    return FixedToPixel(world->camera.positionX);
}
int32_t CameraPixelY(const GameWorld* world) {
    return FixedToPixel(world->camera.positionY);
}
int32_t CameraEvenX(const GameWorld* world) {
    return CameraPixelX(world) & ~1;
}
int32_t CameraEvenY(const GameWorld* world) {
    return CameraPixelY(world) & ~1;
}

int16_t ToSlotCoordinate(double value) {
    if (!(value > INT16_MIN))
        return INT16_MIN;
    if (value >= INT16_MAX)
        return INT16_MAX;
    return static_cast<int16_t>(value);
}

namespace {

const ScriptTableEntry* ActorScript(GameWorld* world, ScriptActor* actor, int32_t s) {
    if (actor->mediaSet < 0 || actor->mediaSet >= kMediaSetCount)
        return nullptr;
    const MediaSet& set = world->mediaSets[actor->mediaSet];
    if (set.scripts == nullptr || s < 0 || s > set.lastScript)
        return nullptr;
    return &set.scripts[s];
}

} // namespace

int32_t ScriptInstructionCount(GameWorld* world, ScriptActor* actor, int32_t s) {
    const ScriptTableEntry* script = ActorScript(world, actor, s);
    if (script == nullptr || script->instructions == nullptr || script->last < 0)
        return 0;
    return script->last + 1;
}

int32_t ScriptSpriteIndex(GameWorld* world, ScriptActor* actor, int32_t s, int32_t i) {
    if (i < 0 || i >= ScriptInstructionCount(world, actor, s))
        return -1;
    return ActorScript(world, actor, s)->instructions[i].a;
}

int32_t RandomScriptSprite(GameWorld* world, ScriptActor* actor, int32_t s) {
    const int32_t count = ScriptInstructionCount(world, actor, s);
    if (count < 1)
        return -1;
    return ScriptSpriteIndex(world, actor, s, WorldRandomInt(0, count - 1));
}

Image* EffectSpriteImage(GameWorld* world, ScriptActor* actor, int32_t n) {
    if (n < 0)
        return nullptr;
    const SpriteEntry* sprite = GetActorSprite(world, actor, n);
    return sprite != nullptr ? sprite->image : nullptr;
}

std::vector<Image*> ScriptImages(GameWorld* world, ScriptActor* actor, int32_t s, int32_t first) {
    const int32_t count = ScriptInstructionCount(world, actor, s);
    std::vector<Image*> images;
    images.reserve(static_cast<size_t>(std::max(0, count - first)));
    for (int32_t i = std::max(0, first); i < count; ++i) {
        if (Image* image = EffectSpriteImage(world, actor, ScriptSpriteIndex(world, actor, s, i)))
            images.push_back(image);
    }
    return images;
}
