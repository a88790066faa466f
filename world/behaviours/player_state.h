// State of the player (type 1): the record its handler keeps between frames,
// its behaviour states and its input bits. The pair rules, the effect
// objects and the play task read and write fields of this record directly.
#pragma once

#include <cstdint>

#include "world/behaviours/effect_object.h"
#include "world/objects.h"

class CParticle;
struct GameWorld;

// ---- input word -------------------------------------------------------------
// Each direction is a letter key and an arrow key of the game keys.

constexpr uint32_t PLAYER_INPUT_LEFT = 0x2020;
constexpr uint32_t PLAYER_INPUT_RIGHT = 0x4080;
constexpr uint32_t PLAYER_INPUT_UP = 0x8200;
constexpr uint32_t PLAYER_INPUT_DOWN = 0x10008;
constexpr uint32_t PLAYER_INPUT_ACTION = 0x40000;

// ---- behaviour states ---------------------------------------------------------
// Bit 0 of every state is the facing: 0 right, 1 left.

constexpr int32_t PLAYER_FACING_LEFT = 1;

constexpr int32_t PLAYER_ST_MOVE = 0;
constexpr int32_t PLAYER_ST_STAND = 2;
constexpr int32_t PLAYER_ST_AIRBORNE = 4;
constexpr int32_t PLAYER_ST_HURT = 6;
constexpr int32_t PLAYER_ST_ACTION_A = 8;  // from standing
constexpr int32_t PLAYER_ST_ACTION_B = 10; // while walking
constexpr int32_t PLAYER_ST_CENTRE_X = 12; // x held at its cell's centre
constexpr int32_t PLAYER_ST_CENTRE_Y = 14; // y held at its cell's centre
constexpr int32_t PLAYER_ST_CENTRE_X_DOWN = 16;
constexpr int32_t PLAYER_ST_STUNNED = 18;
// The second movement set, entered by OBJ_EV_SPEED_B (states 0..19 + 20).
constexpr int32_t PLAYER_ST_SET_B_OFFSET = 20;
constexpr int32_t PLAYER_ST_MOVE_B = 20;
constexpr int32_t PLAYER_ST_STAND_B = 22;
constexpr int32_t PLAYER_ST_AIRBORNE_B = 24;
constexpr int32_t PLAYER_ST_SEQ_END = 32;
constexpr int32_t PLAYER_ST_SEQ_FINAL = 34;
constexpr int32_t PLAYER_ST_AIRBORNE_HIGH = 36; // the jump of the high-jump level
constexpr int32_t PLAYER_ST_KNOCKDOWN = 38;
// The family of the second-set level.
constexpr int32_t PLAYER_ST_ALT_STAND = 40;
constexpr int32_t PLAYER_ST_ALT_MOVE = 42;
constexpr int32_t PLAYER_ST_ALT_AIRBORNE = 44;
constexpr int32_t PLAYER_ST_ALT_ACTION_A = 46;
constexpr int32_t PLAYER_ST_ALT_ACTION_B = 48;
// The family of the rise-line level.
constexpr int32_t PLAYER_ST_LINE_MOVE = 50;
constexpr int32_t PLAYER_ST_LINE_RISE = 52;
constexpr int32_t PLAYER_ST_LINE_WALL = 54;
constexpr int32_t PLAYER_ST_ALT_HURT = 56;
constexpr int32_t PLAYER_ST_ALT_KNOCKDOWN = 58;
constexpr int32_t PLAYER_ST_SEQ_RIDE = 128;
constexpr int32_t PLAYER_ST_SEQ_RIDE_2 = 130;
// Bumps against a wall: from walk or jump, from the second set, an unused
// pair, and from the alternative family.
constexpr int32_t PLAYER_ST_BUMP = 256;
constexpr int32_t PLAYER_ST_BUMP_B = 258;
constexpr int32_t PLAYER_ST_BUMP_SPARE = 260;
constexpr int32_t PLAYER_ST_BUMP_ALT = 262;

// Cell codes under the player.
constexpr int16_t PLAYER_CELL_NONE = 0x90;
constexpr int16_t PLAYER_CELL_FATAL = 0x81;

// Slot flag bit 1: the player has just come back and cannot be hurt by the
// pair rules.
constexpr uint8_t PLAYER_SLOT_INVULNERABLE = 2;

// ---- the record -----------------------------------------------------------------

struct PlayerState {
    // PLAY_MSG_SET_PLAYER_POS writes these four first.
    int32_t x, y;                         // 16.16 pixels
    int32_t vx, vy;                       // 16.16 pixels a frame
    int32_t ax, ay;                       // added to vx, vy every frame
    int32_t lastMotionX, lastMotionY;     // handed to MoveObject last frame
    int32_t launchMotionX, launchMotionY; // the last motion when a jump or hit started
    int32_t restartX, restartY;           // 16.16: where it comes back after leaving play
    int32_t previousX, previousY;         // before this frame's move
    int32_t state;
    int32_t lastInput;
    int32_t collisionFlags; // COLLIDE_* of the last move
    int32_t gravity;        // 16.16, chosen per state every frame
    int16_t downKeyDelay;
    int16_t created;             // 1 from creation
    int16_t invulnerableCounter; // -1 none
    int16_t leaveCounter;        // -1 none
    int16_t cellCode;            // layer-3 code under the player; PLAYER_CELL_*
    int16_t cellCodeCopy;        // the code the frame started with
    uint8_t onGround;
    uint8_t inputLock;   // not 0: the left bits are dropped; bit 0 cleared every input tick
    uint8_t costume;     // 0 or 1
    CParticle* particle; // owned
    // The spawn record of the OBJT_ATTACHED_EFFECT: its slot (-1 none) and
    // its script.
    AttachedEffectRecord attachedEffect;
    int32_t bumpLock;
    int32_t rideOffset, rideSpeed; // pixels
    int32_t shakeFlag, shakeCounter, shakeOffset;
    int32_t sequenceCounter;
    int32_t level19Flag;
    int32_t knockbackVx, knockbackVy; // pixels
    int32_t scoredFlag;               // cleared when an action starts; the pair rules set it
    uint8_t specialStand;
    int32_t levelWordSpeedFlag;
    int32_t level27Countdown;
    int32_t conveyorSpeed; // pixels, added to the horizontal motion
    // Refreshed by DrawPlayer every frame.
    int32_t drawnX, drawnY;         // slot position
    int32_t cameraX, cameraY;       // 16.16
    int16_t lookAheadX, lookAheadY; // the slot's requests
};
static_assert(sizeof(PlayerState) <= kMaxObjectStateBytes, "the player's state fits its buffer");

// The costume survives the player's deletion in the world, so that the
// next level's player wears it.
int32_t SavedPlayerCostume(const GameWorld* world);
void SavePlayerCostume(GameWorld* world, int32_t costume);
