// State of the pickups, the thrown objects and the small objects (fading
// pictures, frame cyclers, tile decorations). The pair rules read and set
// the pickup's points, variant, available flag and taken state, and start a
// fading picture by its phase and hold.
#pragma once

#include <cstdint>

#include "world/behaviours/effect_object.h"
#include "world/objects.h"
#include "world/script_engine.h"

// What a taken pickup's score pop-up (OBJT_SCORE_POPUP) shows: its script
// number in the pop-up's media set, one per award.
enum PopupIndex : int32_t {
    POPUP_NONE = -1,
    POPUP_3_POINTS = 0,
    POPUP_10_POINTS = 1,
    POPUP_50_POINTS = 2,
    POPUP_100_POINTS = 3,
    POPUP_200_POINTS = 4,
    POPUP_75_POINTS = 5,
    POPUP_150_POINTS = 6,
};

// PickupState::takenState.
constexpr int32_t PICKUP_WAITING = 0;
constexpr int32_t PICKUP_TAKEN = 1; // set by the pair rules
constexpr int32_t PICKUP_FINISHING = 2;

struct PickupState {
    int32_t x, y;             // 16.16, from the slot on OBJ_MSG_SYNC_POS
    int32_t points;           // what the pair rules award when they take it
    int32_t variant;          // the left cell's parameter value
    int32_t variantStride;    // scripts per variant
    uint8_t available;        // the pair rules take the pickup only while set
    int32_t takenState;       // PICKUP_*
    ObjectRef idleEffect;     // OBJT_EFFECT
    ObjectRef takenEffect;    // OBJT_EFFECT
    int32_t cameraX, cameraY; // camera position at creation, 16.16
    // The spawn record of the shadow (OBJT_ATTACHED_EFFECT): link and script.
    AttachedEffectRecord shadow;
};
static_assert(sizeof(PickupState) <= kMaxObjectStateBytes, "a pickup's state fits its buffer");

// ThrownObjectState::flags.
constexpr int32_t THROWN_RESTART_SCRIPT = 0x80;
// ThrownObjectState::endState.
constexpr int32_t THROWN_FINISHED = 4;

struct ThrownObjectState {
    int32_t x, y;   // 16.16
    int32_t vx, vy; // 16.16 pixels per frame
    int32_t currentScript;
    int32_t wantedScript;
    int32_t flags;         // THROWN_RESTART_SCRIPT
    int32_t endState;      // THROWN_FINISHED: deleted at the end of the step
    int16_t lastCollision; // MoveObject's COLLIDE_* flags
    int32_t unused;        // -1 from creation; nothing reads it
    // The type whose media the actor plays, so that a rebind keeps them.
    int32_t mediaType;
};
static_assert(sizeof(ThrownObjectState) <= kMaxObjectStateBytes,
              "a thrown object's state fits its buffer");

struct FadePictureState {
    int32_t screenX, screenY; // pixels
    int32_t cleared;          // 0 from creation; nothing reads it
    int32_t sprite;
    int32_t mediaSet;
    int32_t variant;
    // Radians: -1 while idle; the pair rules set 0 to start the fade.
    float phase;
    float phaseStep;
    // Frames the picture stays fully shown; -1 until the fade-in ends.
    float hold;
    // Made from a spawn record: shown without setting its taken bit.
    uint8_t fromRecord;
};
static_assert(sizeof(FadePictureState) <= kMaxObjectStateBytes,
              "a fading picture's state fits its buffer");

struct FrameCyclerState {
    int32_t x, y; // 16.16, from the slot on OBJ_MSG_SYNC_POS
};
static_assert(sizeof(FrameCyclerState) <= kMaxObjectStateBytes,
              "a frame cycler's state fits its buffer");

// The tile decoration draws from its logic state, so its actor lives there.
struct TileDecorState {
    ScriptActor actor;
    uint8_t cells[9]; // parameter values of the 3 x 3 cells around it, top-left first
};
static_assert(sizeof(TileDecorState) <= kMaxObjectStateBytes,
              "a tile decoration's state fits its buffer");
