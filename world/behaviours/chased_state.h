// State of the chased character (type 3): the record its handler keeps
// between frames, its behaviour states and its flag bits. The pair rules,
// the player and the pickups set its states through OBJ_EV_SET_STATE and
// read and write fields of this record directly.
#pragma once

#include <cstdint>

#include "world/behaviours/effect_object.h"
#include "world/objects.h"

// ---- behaviour states -----------------------------------------------------------
// Bit 0 of most states is the facing: 0 right, 1 left. State s plays script
// s / 2 of the chased character's media set.

constexpr int32_t CHASER_FACING_LEFT = 1;

constexpr int32_t CHASER_ST_STAND = 0;   // facing left it is pulled back toward the player
constexpr int32_t CHASER_ST_SHORT_A = 2; // short actions: back to standing when done
constexpr int32_t CHASER_ST_WAIT = 4;    // waiting far ahead of the player
constexpr int32_t CHASER_ST_ESCAPE = 6;  // replaces a type-8 object and leaves
constexpr int32_t CHASER_ST_SHORT_B = 8;
constexpr int32_t CHASER_ST_TIMED = 10;        // the state counter restores the script motion
constexpr int32_t CHASER_ST_NUDGE = 14;        // asking for it adds 2/3 pixel to vx
constexpr int32_t CHASER_ST_SPLIT = 20;        // a ping makes a second character
constexpr int32_t CHASER_ST_TAUNT = 22;        // taunts with sounds and an effect object
constexpr int32_t CHASER_ST_CATCH_UP_FAR = 24; // dragged from level word 27, not 25
constexpr int32_t CHASER_ST_BRAKE = 26;        // slows by a level percentage
constexpr int32_t CHASER_ST_STRIKE = 28;       // hits a type-15 object
constexpr int32_t CHASER_ST_FOLLOW = 30;       // keeps close to the player
constexpr int32_t CHASER_ST_FOLLOW_AIR = 32;   // ends on landing in 30
constexpr int32_t CHASER_ST_TAUNT_PAINT = 40;  // a taunt whose effect sits at key record 256
constexpr int32_t CHASER_ST_CARRY = 46;        // the player is held at the character
constexpr int32_t CHASER_ST_RUN = 54;          // keeps its distance band
constexpr int32_t CHASER_ST_RUN_STEADY = 56;
constexpr int32_t CHASER_ST_JUMP = 58;       // jumps over a thrown object
constexpr int32_t CHASER_ST_RISE = 60;       // floats to the top, dropping type-21 objects
constexpr int32_t CHASER_ST_HOVER_STOP = 62; // the level-21 states
constexpr int32_t CHASER_ST_HOVER = 64;
constexpr int32_t CHASER_ST_HOVER_CHASE = 66;
constexpr int32_t CHASER_ST_PUSH = 82; // drives an object of type 78
constexpr int32_t CHASER_ST_SHORT_C = 84;

// The current state before the first tick has chosen one.
constexpr int16_t CHASER_ST_NONE = -1;

// ---- flag bits ----------------------------------------------------------------

constexpr int32_t CHASER_FLAG_NO_VX = 4;             // no horizontal speed this frame
constexpr int32_t CHASER_FLAG_NO_VY = 8;             // no vertical speed this frame
constexpr int32_t CHASER_FLAG_NO_SCRIPT_MOTION = 16; // the script's dx, dy are not added
constexpr int32_t CHASER_FLAG_NO_COLLISION = 64;     // moves through the map
constexpr int32_t CHASER_FLAG_RESTART = 128;         // restart the state's script
constexpr int32_t CHASER_FLAG_NO_GRAVITY = 256;

// Layer-3 code under the character when no run covers its cell.
constexpr int16_t CHASER_CELL_NONE = 0x90;

// ---- the record -------------------------------------------------------------------

struct ChasedState {
    int32_t x, y;             // 16.16 pixels
    int32_t vx, vy;           // 16.16 pixels a frame
    int16_t cellCode;         // layer-3 code under it; CHASER_CELL_NONE
    int16_t currentState;     // CHASER_ST_NONE after creation
    int32_t flags;            // CHASER_FLAG_*
    int16_t requestedState;   // taken up by the next tick
    int16_t outOfPlay;        // not 0: parked at (-3000, -3000)
    int32_t cameraX, cameraY; // 16.16, copied every frame
    int16_t previousCellCode;
    int32_t collisionFlags;  // COLLIDE_* gathered this frame
    int32_t shakeCounter;    // 1 .. level word 2 - 1 while the view shakes
    int32_t secondCharacter; // not 0: the player neither drags nor pulls it
    int32_t pullDivisor;     // standing facing left, pulled back by word 26 / (this + 1)
    int32_t jumpFlag;        // cleared on landing; a hop needs it clear
    int32_t pinged;
    ObjectRef tauntEffect; // the OBJT_EFFECT of a taunt; checked on use
    int32_t tauntFlag;
    int32_t tauntCountdown;
    int32_t lean, leanTarget; // pixels: the draw offset and where it is heading
    // The spawn record of the OBJT_ATTACHED_EFFECT: its slot (the
    // character's own slot until the effect takes it) and its script.
    AttachedEffectRecord attachedEffect;
    int32_t stateCounter;               // states 4/5 on levels 8 and 14, 10/11 and 60/61
    int16_t carryOffsetX, carryOffsetY; // state 46: the player's place at the character
    int32_t level82Flag;                // the type-78 object was made
};
static_assert(sizeof(ChasedState) <= kMaxObjectStateBytes,
              "the chased character's state fits its buffer");

// ---- what other behaviours ask of it --------------------------------------------------

struct GameWorld;
struct SpriteKeyRecord;

// Key record `key` of the sprite the character's actor shows (the head of
// its sprite pipes), or null.
const SpriteKeyRecord* ChasedSpriteKey(GameWorld* world, ObjectSlot* chased, uint16_t key);
