// Inside the level objects: the row every type has in the type table, the
// working data of one message, and the helpers the handler, the type rules,
// the flights, the pipe segments and the drawing share. Only
// level_object*.cpp and the level objects' tests include this.
#pragma once

#include <cstdint>

#include "engine/helpers.h"
#include "world/behaviours/level_object_state.h"
#include "world/objects.h"

struct GameWorld;
struct PlayerState;
struct ScriptActor;

namespace level_object {

struct LevelObjectKind;

// One message's working data, gathered once.
struct Context {
    GameWorld* world;
    ObjectSlot* object;
    LevelObjectState* state;
    ScriptActor* actor;
    const LevelObjectKind* kind;
    ObjectSlot* player; // the first object of type 1; null without one
    int32_t option;     // the current user's option, 0..2
    // The cell the slot was in when the message came: where a new object
    // reads its own cell and the cell to its left, before the option gate
    // or its spawn offset moves it.
    int32_t startColumn, startRow;
};

// A rule of one type. The ones that may delete the object answer false
// when they did; the caller then returns at once.
using KindRule = void (*)(const Context& c);
using KindStep = bool (*)(const Context& c);

// How a type moves once its velocity is known.
enum class MoveRule : uint8_t {
    Scripted, // velocity plus the script's motion
    Velocity, // the flyers and the drift objects
    // While triggered the script's motion goes into the velocity first.
    TriggeredScripted,
    Doubled, // the projectiles: twice the velocity
    Still,   // the pipe segments
    Pinned,  // the slot takes the position; no collision
};

// What a collision does to a type.
enum class WallRule : uint8_t {
    Facing,   // a wall on the right turns it left, one on the left turns it right
    Reversed, // the other way round
    Keep,
    WallFlag,  // only notes a wall on its right
    StopsFall, // type 30
    Pendulum,  // type 45
    Strikes,   // any collision strikes it
};

// LevelObjectKind::traits.
constexpr uint8_t TRAIT_NOT_GATED = 1;        // exists at every option
constexpr uint8_t TRAIT_NO_TURN_CELLS = 2;    // ignores the turn cells
constexpr uint8_t TRAIT_TURN_COUNT_ONLY = 4;  // counts turn cells without turning
constexpr uint8_t TRAIT_STRIKE_KEEPS_BIT = 8; // a strike leaves its taken bit alone

constexpr int8_t kNoShadow = -1;
constexpr int8_t kNoCreationEffect = -1;
// LevelObjectKind::dyingScript: deleted as soon as it is struck, or the
// drift objects' own ending.
constexpr int8_t kDeletedAtOnce = -1;
constexpr int8_t kDriftEnding = -2;

struct LevelObjectKind {
    uint8_t type;
    int8_t variantStride;
    int8_t depth;
    int8_t shadowScript;   // kNoShadow
    int8_t creationEffect; // EFFECT_KIND_*, kNoCreationEffect
    int8_t hitPoints;
    int8_t dyingScript; // base + this once struck; kDeletedAtOnce, kDriftEnding
    int32_t gravity;    // 16.16 added to the velocity a frame
    MoveRule move;
    WallRule walls;
    uint8_t traits;   // TRAIT_*
    KindRule init;    // per-type values at creation
    KindRule hit;     // OBJ_EV_HIT; null: once, from idle to triggered
    KindStep before;  // before the move
    KindStep motion;  // with the gravity
    KindStep done;    // when the script is done
    KindRule landing; // on a floor; null: the velocity stops
};

// The row of a type; the row of an ordinary target for a type without one.
const LevelObjectKind& LevelObjectKindOf(int32_t type);
// Every row, for the tests.
const LevelObjectKind* LevelObjectKinds(int32_t* count);

// ---- helpers ---------------------------------------------------------------------

// Where a destroyed or pinged object waits for the despawner.
constexpr int16_t kOutOfPlayX = -3000;
constexpr int16_t kOutOfPlayY = -3000;
// Where an object that does not exist at the current option waits.
constexpr int16_t kGatedOutX = -3000;
constexpr int16_t kGatedOutY = -1000;

constexpr int32_t Pixels(int32_t pixels) {
    return pixels * FIXED_ONE;
}
// Whole pixels of a 16.16 value, truncated toward zero.
constexpr int32_t WholePixels(int32_t fixed) {
    return fixed / FIXED_ONE;
}
// 16.16 from pixels held in 64 bits: wrapped as the game's 32-bit words.
int32_t WrapFixed(int64_t value);
// A slot coordinate: clamped to the i16 range.
int16_t SlotCoordinate(int64_t pixels);

int32_t BaseScript(const Context& c);
void SetWanted(const Context& c, int32_t offsetFromBase);
void SetBehaviour(const Context& c, int32_t behaviourState, int32_t offsetFromBase);
bool FacingLeft(const Context& c);
void SetFacingLeft(const Context& c, bool left);
void FlipFacing(const Context& c);

// The camera position in whole pixels with the lowest bit cleared, which is
// where the screen starts.
int32_t CameraEvenX(const GameWorld* world);
int32_t CameraEvenY(const GameWorld* world);

// The position in whole pixels.
int32_t PixelX(const Context& c);
int32_t PixelY(const Context& c);

// The last script index of a type's set; -1 when the type has none loaded.
int32_t LastScriptOf(const GameWorld* world, int32_t type);
// The layer-3 code of a cell; -1 where no run covers it.
int32_t ObjectLayerCode(const GameWorld* world, int32_t column, int32_t row);

PlayerState* PlayerStateOf(ObjectSlot* player);
// The player's facing from its actor: true facing left.
bool PlayerFacesLeft(ObjectSlot* player);

// Makes an OBJT_EFFECT of `kind` at the object's slot.
ObjectSlot* MakeEffect(const Context& c, int32_t kind, ObjectMessage message);
// A random sound of a resource group, panned by its offset from the player
// (centred without one).
void PlayGroupSound(const Context& c, uint32_t group);
void SetTakenBit(const Context& c);
// Deletes the object; the caller returns at once.
bool DeleteSelf(const Context& c);

// ---- the type rules (level_object_kinds.cpp) -----------------------------------------

// The per-type parts of a creation: the creation effect, whether the option
// gate applies, and the shadow's script (kNoShadow for none).
bool MakesCreationEffect(const Context& c);
bool IsOptionGated(const Context& c);
int32_t ShadowScriptOf(const Context& c);
// Whether a strike leaves death stars where the object was.
bool LeavesDeathStars(const Context& c);
// The end of a struck drift object (type 46); false when it is gone.
bool EndDriftObject(const Context& c);

// ---- flights (level_object_flight.cpp) ------------------------------------------------

// The level where the chasing flyers (type 44) jump ahead of the player and
// bounce back from strikes.
constexpr int32_t kChaseFlyerLevel = 17;

struct FlightWords {
    int32_t limitX, limitY;          // pixels a frame
    int32_t nearOffsetY, farOffsetY; // added to the vertical offset near and far
    int32_t nearDistance;            // |D| below it is near
    int32_t divisorX, divisorY;      // of the steering
    int32_t jitterX, jitterY;        // divisors of the jitter
};

// The words of the homing flight (type 40) in the given behaviour state,
// and of the chasing flight (type 44) on the given level at an option.
FlightWords HomingFlightWords(const GameWorld* world, int32_t behaviourState);
FlightWords ChasingFlightWords(const GameWorld* world, int32_t level, int32_t option);
bool IsChaseFlyerLevel(int32_t level);

bool HomingFlight(const Context& c);
bool ChasingFlight(const Context& c);
// Type 44 on the chase-flyer level: far behind the player, it jumps ahead.
bool ChaseFlyerLeapsAhead(const Context& c);
// The fixed value 0..127 that spreads the flyers out.
int32_t ChaseFlyerSpread(const ObjectSlot* object);
// Type 44 on the chase-flyer level with bounces left: knocked back instead
// of dying. False when it was not.
bool ChaseFlyerBouncesBack(const Context& c);

// ---- pipe segments (level_object_pipes.cpp) --------------------------------------------

constexpr uint8_t kPipeSegmentType = 35;

void CreatePipeSegment(const Context& c);
void HitPipeSegment(const Context& c);
// Building and flowing; false when the segment deleted itself.
bool StepPipeSegment(const Context& c);
void DrawPipeSegment(GameWorld* world, ObjectSlot* object);
// The fill point of a shape after `progress` frames of a flow of
// `duration` frames a leg, from points P0..P2 (reversed runs P2 to P0).
struct PipePoint {
    int32_t x, y;
};
PipePoint PipeFillPoint(int32_t shape, bool reversed, const PipePoint points[3], float progress,
                        int32_t duration);
// Frames the flow of a shape lasts: one leg or two.
int32_t PipeFlowEnd(int32_t shape, int32_t duration);
// How far the stream runs a step: STREAM_SPEED_BASE and a little more for
// each option step.
constexpr float STREAM_SPEED_BASE = 0.4f;
constexpr float kStreamSpeedPerOption = 0.3f;
float PipeStreamSpeed(int32_t option);

// ---- drawing (level_object_draw.cpp) -----------------------------------------------------

constexpr uint8_t kPendulumType = 45;
void DrawPendulumRope(GameWorld* world, ObjectSlot* object);

} // namespace level_object
