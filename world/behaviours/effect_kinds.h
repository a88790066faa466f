// Inside the effect objects: the particle effect kinds of type 127, one
// named row per kind, and the particle, script and camera helpers the
// behaviour's files share (effect_object.cpp, effect_kinds.cpp,
// effect_bursts.cpp, effect_sprites.cpp). Only they and their tests include
// this.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "particles/particle.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/effect_object_state.h"

struct GameWorld;
struct Image;
struct ObjectSlot;
struct ScriptActor;

// The objects a kind works on, gathered once per message.
struct EffectContext {
    GameWorld* world;
    ObjectSlot* object;
    EffectState* state;
    ScriptActor* actor;
};

// Where a kind's root is moved each step.
enum class EffectAnchor : uint8_t {
    None,           // left where it is
    Anchor,         // the anchor field
    AnchorSetsSlot, // the anchor field, and the slot goes there too
    Slot,           // the slot position
    Followed,       // the followed point, and the slot goes there too
    StreamPoint,    // the stream point
    Countdown,      // no root: kind 11 counts its two steps here
};

// How a kind's root is advanced each step.
enum class EffectUpdate : uint8_t {
    Once,        // one Update, whose result is the live count
    TwiceFirst,  // two Updates, the count from the first
    TwiceSecond, // two Updates, the count from the second
    RainBox,     // CWaterdrop::StepInBox around the object
    ScriptOnly,  // no root: the actor's script runs
};

// When a kind deletes its own object.
enum class EffectEnd : uint8_t {
    Never,
    Spent,         // at most one particle left
    SpentNoStream, // and the stream has stopped
    Finale,        // the kind-9 level change
};

enum class EffectDraw : uint8_t {
    Root, // the root once, when it exists
    Nothing,
    FlashThenRoot, // the flash while its frames last, then the root
    FlashOnly,     // the flash on every draw
    RootTwice,
};

constexpr int16_t kEffectKeepDepth = INT16_MIN;

using EffectKindFn = void (*)(const EffectContext& c);

struct EffectKindRow {
    EffectKindFn create; // null: no root
    EffectAnchor anchor;
    bool followsPlayer; // the slot goes to the followed point each step
    int16_t depth;      // kEffectKeepDepth: left as it is
    EffectKindFn emit;  // null: nothing each step
    EffectUpdate update;
    EffectEnd end;
    EffectDraw draw;
};

// The row of a kind; null for kinds past the table (they make nothing).
const EffectKindRow* FindEffectKind(int32_t kind);

// Type-127 parts of the message handler and the draw.
void CreateEffectKind(const EffectContext& c);
// The anchor rule, the root's move and the emission. False when the object
// was deleted.
bool RunEffectKindStep(const EffectContext& c);
// The update and the end rule of a kind with a root. False when the object
// was deleted.
bool UpdateEffectKind(const EffectContext& c);
void DrawEffectKind(const EffectContext& c);

// The flying sprite and the band (effect_sprites.cpp). StepFlight answers
// false when the sprite has landed and its object is gone.
void StartFlight(const EffectContext& c);
bool StepFlight(const EffectContext& c);
void FillBand(const EffectContext& c);
void StepBand(const EffectContext& c);

// ---- particles (effect_bursts.cpp) ----------------------------------------------

constexpr float kEffectPi = 3.14159265358979323846f;

inline float Cos(float a) {
    return static_cast<float>(std::cos(static_cast<double>(a)));
}
inline float Sin(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// A parameter block as ResetParticleParams leaves it.
ParticleParams FreshParticleParams();
// Gives `child` its frames, life and params and hands it to `parent`.
void AdoptParticle(CParticle* parent, CParticle* child, Image* const* frames, int32_t count,
                   int32_t life, const ParticleParams& params);
void AdoptParticle(CParticle* parent, CParticle* child, Image* frame, int32_t life,
                   const ParticleParams& params);
void AdoptParticle(CParticle* parent, CParticle* child, const std::vector<Image*>& frames,
                   int32_t life, const ParticleParams& params);
// Child i of a ring of m: i * 2 pi / m.
float RingAngle(int32_t i, int32_t m);
// The image of instruction i of script s, and of a random instruction.
Image* InstructionImage(const EffectContext& c, int32_t s, int32_t i);
Image* RandomImage(const EffectContext& c, int32_t s);

// The kinds made in one burst: their creation columns.
void CreateStars(const EffectContext& c);
void CreateDeathStars(const EffectContext& c);
void CreateFlashBurst(const EffectContext& c);
void CreateFinale(const EffectContext& c);
void CreateSparkBurst(const EffectContext& c);
void CreatePieces(const EffectContext& c);
void CreateWallBricks(const EffectContext& c);
void CreateSmallRing(const EffectContext& c);
void CreateCannonSpark(const EffectContext& c);

// ---- shared helpers --------------------------------------------------------

// The camera position in whole pixels, and with the lowest bit cleared.
int32_t CameraPixelX(const GameWorld* world);
int32_t CameraPixelY(const GameWorld* world);
int32_t CameraEvenX(const GameWorld* world);
int32_t CameraEvenY(const GameWorld* world);

// Instructions in script s of the actor's set; 0 when it has none or s is
// outside the set.
int32_t ScriptInstructionCount(GameWorld* world, ScriptActor* actor, int32_t s);
// The sprite index of instruction i of script s (its operand A), -1 when
// there is no such instruction.
int32_t ScriptSpriteIndex(GameWorld* world, ScriptActor* actor, int32_t s, int32_t i);
// The sprite of a random instruction of script s, -1 for an empty script
// (which draws no random number).
int32_t RandomScriptSprite(GameWorld* world, ScriptActor* actor, int32_t s);
// The loaded image of sprite n; null when n is outside the set or the
// picture did not decode.
Image* EffectSpriteImage(GameWorld* world, ScriptActor* actor, int32_t n);
// The images of instructions `first` to the last of script s, sized by the
// script's instructions; sprites without an image are left out.
std::vector<Image*> ScriptImages(GameWorld* world, ScriptActor* actor, int32_t s, int32_t first);

// What the effects read of the player's state: its behaviour state, the
// collision flags and the horizontal motion (16.16) of its last move.
struct EffectPlayerFacts {
    bool hasState = false;
    int32_t state = -1;
    uint32_t lastMoveFlags = 0;
    int32_t lastMoveX = 0;
};
// Null, or an object without state: no facts.
EffectPlayerFacts ReadEffectPlayerFacts(const ObjectSlot* player);

// Whole pixels of a 16.16 value, truncated toward zero.
inline int32_t FixedToPixel(int32_t fixed) {
    return fixed / 65536;
}
// 16.16 from whole pixels, without overflow for any i16 coordinate.
inline int32_t PixelToFixed(int32_t pixels) {
    return static_cast<int32_t>(static_cast<uint32_t>(pixels) << 16);
}
// A pixel coordinate for a slot: clamped to the i16 range.
int16_t ToSlotCoordinate(double value);
