// State of the effect objects (types 18, 24, 25, 110, 126 and 127), read by
// their handler and by the pair rules. Zeroed when the object is made.
#pragma once

#include <cstdint>

#include "world/objects.h"

class CParticle;
struct AttachedEffectRecord;

// The sprites a type-24 band can show at once.
constexpr int32_t LANE_COUNT = 32;

// One sprite of a band, in screen coordinates.
struct EffectLane {
    int32_t sprite; // sprite index; -1 empty
    int32_t x, y;   // 16.16
    int32_t vx, vy; // 16.16 per step
};

struct EffectState {
    int32_t anchorX, anchorY;       // 16.16 world position
    int32_t referenceX, referenceY; // 16.16: the camera, or the owner
    CParticle* root;                // owned; null without particles
    float scale;                    // types 18, 110, 126
    float alpha;                    // types 110, 126
    float speed;                    // pop-up rise, pixels per step
    int32_t counter;                // pop-up frames left; kind 11's countdown
    int32_t kind;                   // EFFECT_KIND_* (type 127)
    int32_t emissionStopped;
    int32_t flashFrames;
    // Little-endian u32 level numbers, held by the resource cache and read
    // only while the object is made.
    const uint8_t* levelList;
    uint32_t levelListLength;
    int32_t hidden;
    EffectLane lanes[LANE_COUNT];
    int32_t laneCount;
    int32_t oldLink, script; // type 126
    int32_t sprayOn, sprayRamp;
    int32_t spoiled;
    int32_t stepCounter;
    float flightFactorX, flightFactorY;
    int16_t flightStartX, flightStartY;
    int32_t flightPhase;
    uint8_t cells[9];
    // Type 126: the owner named by the old link and the record it handed
    // over; the record is written only while the owner is still that
    // object, because it lives in the owner's state.
    ObjectRef owner;
    AttachedEffectRecord* record;
};

static_assert(sizeof(EffectState) <= kMaxObjectStateBytes, "an effect's state fits its buffer");
