// What other behaviours need to make and drive effect objects: the effect
// kinds, the records handed over in a slot's parameter, and the helpers that
// build those records so that no caller casts a pointer by hand.
#pragma once

#include <cstdint>

#include "world/objects.h"

struct GameWorld;

// ---- effect kinds (the first word of a type-127 kind record) -----------------

constexpr int32_t EFFECT_KIND_DUST = 0;             // dust under the player's feet
constexpr int32_t EFFECT_KIND_PUFF = 1;             // a puff at the followed point
constexpr int32_t EFFECT_KIND_RING = 2;             // a ring every 20 steps (idle pickups)
constexpr int32_t EFFECT_KIND_STARS = 3;            // a ring of stars (a pickup taken)
constexpr int32_t EFFECT_KIND_DEATH_STARS = 4;      // a ring of death stars
constexpr int32_t EFFECT_KIND_DUST_ROOT = 5;        // an empty dust root, never drawn
constexpr int32_t EFFECT_KIND_STREAM = 6;           // the stream from the stream point
constexpr int32_t EFFECT_KIND_RAIN = 7;             // rain around the player
constexpr int32_t EFFECT_KIND_FLASH_BURST = 8;      // a white flash and a burst of 1000
constexpr int32_t EFFECT_KIND_FINALE = 9;           // a burst that ends the level
constexpr int32_t EFFECT_KIND_SCRIPT_10 = 10;       // only the actor's script runs
constexpr int32_t EFFECT_KIND_FLASH = 11;           // a two-step white flash
constexpr int32_t EFFECT_KIND_SPRINKLER_WATER = 12; // switched by OBJ_EV_FX_MASK_40 / SPEED_OFF
constexpr int32_t EFFECT_KIND_PIECES = 13;          // pieces and sparks
constexpr int32_t EFFECT_KIND_SCRIPT_14 = 14;
constexpr int32_t EFFECT_KIND_SCRIPT_15 = 15;
constexpr int32_t EFFECT_KIND_SCRIPT_16 = 16;
constexpr int32_t EFFECT_KIND_SCRIPT_17 = 17;
constexpr int32_t EFFECT_KIND_WALL_BRICKS = 18; // bricks, dust and sparks of a broken wall
constexpr int32_t EFFECT_KIND_SCRIPT_19 = 19;
constexpr int32_t EFFECT_KIND_SCRIPT_20 = 20;
constexpr int32_t EFFECT_KIND_SPRINKLER_PAINT = 21; // switched like the water sprinkler
constexpr int32_t EFFECT_KIND_RING_ALT = 22;        // as the ring, from script 22
constexpr int32_t EFFECT_KIND_SPARKS = 23;          // occasional sparks
constexpr int32_t EFFECT_KIND_SMALL_RING = 24;      // 3 to 7 fading bits
constexpr int32_t EFFECT_KIND_CANNON_SPARK = 25;
constexpr int32_t EFFECT_KIND_SPARK_BURST = 26;         // 50 falling sparks
constexpr int32_t EFFECT_KIND_SPARKS_ALT = 27;          // as the sparks, from script 27
constexpr int32_t EFFECT_KIND_DEATH_STARS_LASTING = 28; // death stars that never end
constexpr int32_t EFFECT_KIND_COUNT = 29;               // kinds at or past this make nothing

// The full-screen flash of kinds 8 and 11 (ARGB).
constexpr uint32_t EFFECT_FLASH_COLOUR = 0x5AFFFFFFu;

// ---- records handed over in the parameter -----------------------------------

// Type 127: the parameter points to this record, read once during creation,
// so a record on the caller's stack serves. A null parameter plays kind 0.
struct EffectKindRecord {
    uint32_t kind;
};

// Type 126: the parameter points to this record, which usually lives in the
// owner's state. Before creation `link` holds the owner's own slot index and
// `script` the script the effect plays. During creation the effect keeps the
// old link and writes its own slot index into `link` and its checked
// reference into `effect`, so the owner learns where its effect lives. When
// the effect is deleted while its owner lives, it puts the old link back, so
// the owner never pings or deletes a slot that another object may hold next.
struct AttachedEffectRecord {
    int32_t link = -1;
    int32_t script = 0;
    ObjectRef effect;
};

// The parameter of OBJ_EV_QUIET: the world pixel the effect is moved to.
// OBJ_EV_PING's parameter is the owner's ObjectSlot itself.
struct EffectPoint {
    int16_t x;
    int16_t y;
};

// ---- helpers -----------------------------------------------------------------

// Makes a type-127 effect of the given kind at (x, y). `message` is usually
// OBJ_MSG_CREATE alone (one-shot effects) or with OBJ_MSG_SYNC_POS (an
// effect anchored where it was made); `typeFlags` may add
// OBJ_CREATE_FROM_CURRENT. Returns the new slot or null.
ObjectSlot* SpawnEffect(GameWorld* world, int16_t x, int16_t y, int32_t kind,
                        ObjectMessage message = OBJ_MSG_CREATE, uint32_t typeFlags = 0);

// Makes the type-126 effect of `owner` at (x, y) with CREATE + SYNC_POS and
// OBJ_CREATE_FROM_CURRENT: fills `record` (link := the owner's slot,
// script := `script`) and hands it over. Returns the new slot or null; on
// failure the record's link stays the owner's own slot index.
ObjectSlot* CreateAttachedEffect(GameWorld* world, ObjectSlot* owner, int16_t x, int16_t y,
                                 AttachedEffectRecord* record, int32_t script);

// The live type-126 effect that `record` names, or null.
ObjectSlot* AttachedEffectOf(GameWorld* world, const AttachedEffectRecord& record);

// OBJ_EV_PING with the owner as parameter: drops the attached effect onto the
// ground under the owner (and runs one frame step).
void PingEffect(GameWorld* world, ObjectSlot* effect, ObjectSlot* owner);

// OBJ_EV_QUIET with the point as parameter: moves the effect to (x, y)
// (and runs one frame step).
void MoveEffectTo(GameWorld* world, ObjectSlot* effect, int16_t x, int16_t y);

// ---- the effect objects' own interfaces ----------------------------------------

struct ScriptActor;

// Draws the sprite pipes of an actor at world pixel (x, y), scaled about the
// image centre and faded by alpha; at scale 1 the sprites are drawn plainly
// (mirrored as their pipes say, not faded). Starts no sounds.
void DrawEffectActor(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor, float scaleX,
                     float scaleY, float alpha);
// Lane n of a type-24 band, in screen coordinates.
void DrawEffectLane(GameWorld* world, ObjectSlot* object, int32_t n);
// Item 0 of resource number n (group n - 22) as the object's level list of
// u32 level numbers; an absent item gives an empty list.
void LoadEffectLevelList(GameWorld* world, ObjectSlot* object, int32_t n);
// 1 when the world's current level is in the object's level list.
int32_t IsLevelInList(GameWorld* world, ObjectSlot* object);
