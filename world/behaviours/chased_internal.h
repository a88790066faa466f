// Inside the chased-character behaviour: what its message handler, its
// state steps and its level rules share. Only chased*.cpp and the chased
// character's tests include this.
#pragma once

#include <cstdint>

#include "world/behaviours/chased_state.h"
#include "world/objects.h"

struct GameWorld;
struct PlayerState;
struct ScriptActor;

namespace chased {

// One message's working data. The player is the first object of type 1;
// without one only destruction and media rebinding are handled.
struct ChasedFrame {
    GameWorld* world;
    ObjectSlot* object;
    ChasedState* c;
    ScriptActor* actor;
    ObjectSlot* player;
    int32_t option; // the current user's three-step option
};

// ---- units ----------------------------------------------------------------------

constexpr int32_t Pixels(int32_t pixels) {
    return pixels * 65536;
}
// A 64-bit result pinned to the 32-bit range rather than wrapped.
int32_t Saturate(int64_t value);

constexpr int32_t Facing(int32_t state) {
    return state & CHASER_FACING_LEFT;
}

// ---- the level rules ------------------------------------------------------------

constexpr uint16_t CHASED_LEVEL_WAIT_ENDS_LEVEL = 1; // the wait counter ends the level
constexpr uint16_t CHASED_LEVEL_WAIT_TURNS_LEFT = 2; // a finished wait starts again facing left
constexpr uint16_t CHASED_LEVEL_WAIT_LEASH = 4;      // the wait keeps within 700 px, from the top
constexpr uint16_t CHASED_LEVEL_NO_GRAVITY = 8;
constexpr uint16_t CHASED_LEVEL_RAW_CATCH_UP = 16; // dragged by the player's x - 600, raw
constexpr uint16_t CHASED_LEVEL_NO_DRAG = 32;      // no extra motion, no vertical speed
constexpr uint16_t CHASED_LEVEL_OPTION_SPEED = 64; // extra motion from words 186..188

struct ChasedLevelRule {
    int16_t level;
    uint16_t flags; // CHASED_LEVEL_*
};

// The flags of a level; 0 for a level without a row.
uint16_t ChasedLevelFlags(int32_t level);

// On these levels a finished wait counts the state counter down and ends
// the level at 0, and the player's drag never ends a wait.
bool WaitEndsLevel(int32_t level);
// A finished wait becomes a wait facing left (current 0, requested 5).
bool WaitTurnsLeft(int32_t level);
// A wait holds the character within 700 px of the player, dropping it from
// the top of the map when it is further.
bool WaitHasLeash(int32_t level);
bool HasGravity(int32_t level);
// The extra horizontal motion of step 9, in 16.16 (level rules included).
int64_t ExtraMotion(ChasedFrame& f);
// Step 10: standing facing left, the pull back toward the player (16.16,
// not positive). Both end a wait asked for in the same frame.
int64_t PullBack(ChasedFrame& f);

// ---- the formulas ----------------------------------------------------------------

// The lean after one frame: toward a target not 0 by target / w104 a frame,
// otherwise back to 0 by w102 / w104 (from below) or w103 / w104 (from
// above). w104 is a divisor already at least 1.
int32_t NextLean(int32_t lean, int32_t target, int32_t w102, int32_t w103, int32_t w104);

// One frame of the camera shake: the x of offset pair 1 while the counter
// is 1 .. w2 - 1 (the counter then grows); both values of the pair and the
// counter 0 once it reaches w2. False when the pair is left as it is.
struct ShakeFrame {
    int32_t offsetX;
    int32_t counter;
    bool reset;
};
bool NextShake(int32_t counter, int32_t w2, int32_t w3, int32_t w4, ShakeFrame* out);

// d = chased x - player x in slot pixels.
int32_t Ahead(const ChasedFrame& f);
// The player's logic record, null for a stand-in too small to hold one.
PlayerState* PlayerLogic(const ChasedFrame& f);

// ---- the state steps (chased_states.cpp) -----------------------------------------------

// Step 3 when the state's script is done. False when the message ends
// there: the level changes, or the character deleted itself.
bool ScriptDoneStep(ChasedFrame& f);
// Step 5.
void StateStep(ChasedFrame& f);

// ---- shared helpers (chased.cpp) ---------------------------------------------------------

void SendSelf(ChasedFrame& f, ObjectMessage message);
// A random sound of a resource group, panned by (d, chased y - player y).
void PlayGroupSoundPanned(ChasedFrame& f, uint32_t group);
// The first OBJT_PROJECTILE_A from 199 pixels behind the character to 1 behind
// it and no more than 19 below it, or null.
ObjectSlot* ProjectileBehind(ChasedFrame& f);

// Logic fields of level objects the character writes or reads.
bool SetLevelObjectSpeed(GameWorld* world, ObjectSlot* object, int32_t vx);
bool IsFreeToEscapeInto(GameWorld* world, ObjectSlot* object);

} // namespace chased
