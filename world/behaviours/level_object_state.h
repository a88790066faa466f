// State of the level objects and projectiles (the 41 types that
// LevelObjectHandler drives), and the records other behaviours hand them
// when they make one. The pair rules read and write these fields directly:
// they score an object only while `scorable` is set, disarm it (scorable 0,
// struck 1), read its behaviour state, variant, hit points, hit count,
// lever mode, timer, wall flag, position and velocity, and set its two
// drift flags.
#pragma once

#include <cstddef>
#include <cstdint>

#include "world/behaviours/effect_object.h"
#include "world/objects.h"

// LevelObjectState::behaviourState. Each state plays its own script:
// base, base + 1 and base + 2 (base = variant stride x variant).
constexpr int32_t LEVEL_OBJECT_IDLE = 0;
constexpr int32_t LEVEL_OBJECT_TRIGGERED = 1;
constexpr int32_t LEVEL_OBJECT_FINISHED = 2;

// LevelObjectState::flags: start the wanted script again at the next step,
// even when it is the current one.
constexpr int32_t LEVEL_OBJECT_RESTART_SCRIPT = 0x80;

// LevelObjectState::leverMode (type 37), from the cell left of the lever.
constexpr int32_t LEVER_MODE_PLAIN = 0;   // switched on by one hit, stays on
constexpr int32_t LEVER_MODE_RETURN = 1;  // starts on, switched off by one hit
constexpr int32_t LEVER_MODE_COUNTER = 2; // as RETURN, and off once the HUD count is reached

// Pipe segment shapes (type 35): the straight ones run one leg, the others
// two.
constexpr int32_t PIPE_SHAPE_COUNT = 11;
constexpr int32_t PIPE_SHAPE_DROP = 10; // the one shape that can run backwards

// The spawn record of a projectile (types 119 and 120), read once while it
// is made: its velocity in whole pixels a frame.
struct ProjectileSpawnRecord {
    int32_t vx, vy;
};

// The spawn record of a pipe segment: the direction its stream comes from,
// (-1, 0) from the left, (0, 1) from below, (0, -1) from above. A segment
// made without one is the head of its chain.
struct PipeSegmentSpawnRecord {
    int16_t x, y;
};

// The spawn record of a type-8 object: its variant, in place of the
// parameter of the cell to its left.
struct LevelObjectVariantRecord {
    int32_t variant;
};

struct LevelObjectState {
    int32_t homeX, homeY;         // 16.16, the slot position at OBJ_MSG_SYNC_POS
    int32_t positionX, positionY; // 16.16; the slot is its whole-pixel part
    int32_t velocityX, velocityY; // 16.16 pixels a frame
    int32_t scorable;             // 1 from creation
    int32_t behaviourState;       // LEVEL_OBJECT_*
    int32_t variant;
    int32_t variantStride;
    int32_t currentScript, wantedScript;
    int32_t flags;         // LEVEL_OBJECT_RESTART_SCRIPT
    int32_t spriteIndex;   // type 35: the sprite it draws
    int32_t struck;        // 1 starts the dying sequence at the next step
    int32_t lastCollision; // COLLIDE_* of the last move
    int32_t hitPoints;     // hits the pair rules still take
    int16_t turned;        // flipped at the turn cells it stands in
    // The camera at the last step (16.16). The chased character's escape
    // looks for the first type-8 object whose record word 18, counted from
    // 0, is zero: that word is cameraX.
    int32_t cameraX, cameraY;
    // Type 35: the segment it feeds, and whether it ends its chain.
    ObjectRef nextSegment;
    int32_t chainEnd;
    int16_t turnCounter;
    uint8_t onTurnCell;
    float phase; // type 45: the pendulum's phase (radians); type 17: frames counted
    // Type 35: its shape (0..10), the frames a leg of the stream takes,
    // how far the stream has run, the direction it is fed from and the
    // point the stream has reached (pixels from the segment).
    int32_t shape;
    int32_t streamDuration;
    float streamProgress;
    int16_t entryX, entryY;
    int16_t fillX, fillY;
    int32_t leverMode;        // LEVER_MODE_* (type 37)
    int32_t hitCount;         // type 15
    ObjectRef attachedEffect; // the OBJT_EFFECT made at creation; slot -1 without
    // The spawn record of the shadow (OBJT_ATTACHED_EFFECT); its script is
    // -1 for a type without one.
    AttachedEffectRecord shadow;
    int32_t timer;
    int32_t wallFlag;  // type 58: it has run into a wall on its right
    int32_t turnDelay; // types 42 and 50
    int32_t bounces;   // strikes a type-44 flyer still survives where it bounces back
    int32_t dying;     // final: events are ignored and it goes when its script ends
    // Type 46: set by the pair rules when the player, and when the chased
    // character, meets it.
    int32_t firstDriftFlag, secondDriftFlag;
    int32_t landingSoundFlag; // type 20: its landing sound has played
};
static_assert(sizeof(LevelObjectState) <= kMaxObjectStateBytes,
              "a level object's state fits its buffer");
static_assert(offsetof(LevelObjectState, cameraX) == 18 * sizeof(int32_t),
              "cameraX is word 18 of the record");

// Base script of the object's variant: the script of its idle state.
inline int32_t LevelObjectBaseScript(const LevelObjectState& state) {
    return state.variantStride * state.variant;
}
