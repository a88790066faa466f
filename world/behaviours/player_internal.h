// Inside the player behaviour: what its message handler, its frame steps
// and its level rules share. Only player*.cpp and the player's tests
// include this.
#pragma once

#include <cstdint>

#include "world/behaviours/player_state.h"
#include "world/objects.h"

struct GameWorld;
struct ScriptActor;

namespace player {

// One message's working data. `next` is the state the message works toward;
// it is stored, and its script started, at the state-change step.
struct PlayerFrame {
    GameWorld* world;
    ObjectSlot* object;
    PlayerState* p;
    ScriptActor* actor;
    int32_t option; // the current user's three-step option
    int32_t next;
    bool restartScript = false; // a landing restarts the script even when the state stays
    bool landing = false;       // neither the script nor the velocity moves the player
    bool facingHeld = false;    // an action while walking follows its script's motion
};

// ---- units ----------------------------------------------------------------------

constexpr int32_t Pixels(int32_t pixels) {
    return pixels * 65536;
}
// Whole pixels of a 16.16 value, truncated toward zero.
constexpr int32_t WholePixels(int32_t fixed) {
    return fixed / 65536;
}
// 16.16 of `word` times num / den pixels, truncated toward zero.
int32_t ScaledPixels(int32_t word, int64_t num, int64_t den);
// A pixel coordinate for a slot: clamped to the i16 range, never wrapped.
int16_t SlotCoordinate(int64_t pixels);

// ---- states -----------------------------------------------------------------------

constexpr int32_t Facing(int32_t state) {
    return state & PLAYER_FACING_LEFT;
}
constexpr int32_t BaseState(int32_t state) {
    return state & ~PLAYER_FACING_LEFT;
}
// 4/5, 24/25, 36/37, 44/45.
bool IsAirborne(int32_t state);
// 256..263.
bool IsBump(int32_t state);
// 6/7, 38/39, 56..59: a hit is counted only once while in one of these.
bool IsHurtOrKnockedDown(int32_t state);
bool IsRide(int32_t state); // 128, 130
// The script a state plays.
int32_t ScriptForState(int32_t state, int32_t costume, bool specialStand);
// The actor's facing bit := the state's bit 0.
void SetActorFacing(ScriptActor* actor, int32_t state);
// Enters `state` at once with `script` started, so that the state-change
// step does not start the state's own script over it.
void EnterStateWithScript(PlayerFrame& f, int32_t state, int32_t script);

// ---- the level rules (player_quirks.cpp) -----------------------------------------

constexpr uint16_t PLAYER_LEVEL_KEEPS_COSTUME = 1;    // the costume never flips
constexpr uint16_t PLAYER_LEVEL_RESTORES_TAKEN = 2;   // a comeback brings placed objects back
constexpr uint16_t PLAYER_LEVEL_HIGH_JUMP = 4;        // jumps into 36/37 with script 18
constexpr uint16_t PLAYER_LEVEL_ALT_FAMILY = 8;       // hurt 56, knockdown 58, throw into 40
constexpr uint16_t PLAYER_LEVEL_NO_KEYS = 16;         // keys do nothing, the player is not drawn
constexpr uint16_t PLAYER_LEVEL_RIDE_COUNTER = 32;    // the start state sets the sequence counter
constexpr uint16_t PLAYER_LEVEL_COMEBACK_OPTION = 64; // the comeback state needs an option above 0
constexpr uint16_t PLAYER_LEVEL_SPECIAL_STAND = 128;  // starts in the special stand
constexpr uint16_t PLAYER_LEVEL_ANCHOR = 256;         // the level-19 flag and the type-17 anchor

struct PlayerLevelRule {
    int16_t level;
    int16_t startState;    // at creation, by the entry level
    int16_t comebackState; // after leaving play, by the current level
    int16_t hitFamily;     // k of OBJ_EV_HIT
    uint16_t flags;        // PLAYER_LEVEL_*
};

// The row of a level; levels without one get the plain row.
const PlayerLevelRule& PlayerLevelRuleOf(int32_t level);
bool LevelHas(int32_t level, uint16_t flag);
// Level 1 and the levels named by level words 11 and 12.
bool PlayerKeysIgnored(const GameWorld* world, int32_t level);
// The sequence counter a start or comeback state brings with it.
constexpr int32_t kRideSequenceCounter = 3;

// The level-27 drops and the level-28 platform.
void RunLevelSpawners(PlayerFrame& f);
// The level-19 target comes back while the player stands.
void BringBackAnchorTarget(PlayerFrame& f);
// Below the level-21 line the player rises back to it.
void ApplyRiseLine(PlayerFrame& f);
// A comeback at an option above 0: the pickups counted again, the
// objects the player fought removed, and on some levels the placed objects
// brought back.
void RestoreLevelOnComeback(PlayerFrame& f);
// The stream's zone counter. False when the player hurt itself, which
// ends the message.
bool RunZoneCounter(PlayerFrame& f);
// The carried item drops on the ground.
void RunCarriedItem(PlayerFrame& f);
// Drifting objects and the wind.
void RunWind(PlayerFrame& f);

// ---- the frame (player_states.cpp) -------------------------------------------------

// One frame. Events run it without reading the input word.
void RunPlayerTick(PlayerFrame& f, uint32_t input, bool withInput);

// ---- shared helpers (player.cpp) ---------------------------------------------------

// The knockback pair (vx, vy in pixels) of an entry level from resource
// (4, 0): i32 pairs, pair n for entry level n + 1. False, leaving both
// alone, when the level names no whole pair of the table.
bool ReadKnockbackPair(const uint8_t* table, uint32_t size, int32_t entryLevel, int32_t* vx,
                       int32_t* vy);

// Creates an object of `type` at the player's slot (plus an offset), with
// CREATE and SYNC_POS.
ObjectSlot* CreateNearPlayer(PlayerFrame& f, int32_t type, int32_t dx, int32_t dy, intptr_t param);

} // namespace player
