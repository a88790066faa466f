// Object slots, the type registry and the messages that drive every object.
#pragma once

#include <cstdint>

struct GameWorld;
struct PlacementRecord;
struct ObjectSlot;

constexpr int32_t kObjectSlotCount = 1024;
constexpr int32_t kObjectTypeCount = 128;
// Largest state buffer a type may ask for: 126 sixteen-byte units.
constexpr int32_t kMaxObjectStateBytes = 2016;

// ---- messages ------------------------------------------------------------

using ObjectMessage = uint32_t;

constexpr ObjectMessage OBJ_MSG_CREATE = 0x80000000u;
constexpr ObjectMessage OBJ_MSG_SYNC_POS = 0x40000000u;
constexpr ObjectMessage OBJ_MSG_REBIND_MEDIA = 0x20000000u;
constexpr ObjectMessage OBJ_MSG_DESTROY = 0x10000000u;
constexpr ObjectMessage OBJ_MSG_DETACH = 0x08000000u;

constexpr ObjectMessage OBJ_EV_BASE = 0x04000000u;
constexpr ObjectMessage OBJ_EV_HIT = OBJ_EV_BASE + 0;
constexpr ObjectMessage OBJ_EV_PING = OBJ_EV_BASE + 1;
constexpr ObjectMessage OBJ_EV_QUIET = OBJ_EV_BASE + 2;
constexpr ObjectMessage OBJ_EV_HURT_ALT = OBJ_EV_BASE + 3;
constexpr ObjectMessage OBJ_EV_STUN = OBJ_EV_BASE + 4;
constexpr ObjectMessage OBJ_EV_HURT = OBJ_EV_BASE + 5;
constexpr ObjectMessage OBJ_EV_SPEED_A = OBJ_EV_BASE + 8;
constexpr ObjectMessage OBJ_EV_WARP = OBJ_EV_BASE + 11;
constexpr ObjectMessage OBJ_EV_SPEED_B = OBJ_EV_BASE + 16;
constexpr ObjectMessage OBJ_EV_THROW = OBJ_EV_BASE + 17;
constexpr ObjectMessage OBJ_EV_SEQ_1 = OBJ_EV_BASE + 18;
constexpr ObjectMessage OBJ_EV_SEQ_2 = OBJ_EV_BASE + 19;
constexpr ObjectMessage OBJ_EV_SEQ_3 = OBJ_EV_BASE + 20;
constexpr ObjectMessage OBJ_EV_SEQ_4 = OBJ_EV_BASE + 21;
constexpr ObjectMessage OBJ_EV_KNOCKDOWN = OBJ_EV_BASE + 22;
constexpr ObjectMessage OBJ_EV_SPEED_OFF = OBJ_EV_BASE + 32;
constexpr ObjectMessage OBJ_EV_ANCHOR = OBJ_EV_BASE + 50;
constexpr ObjectMessage OBJ_EV_FX_MASK_40 = OBJ_EV_BASE + 64;
constexpr ObjectMessage OBJ_EV_ARM = OBJ_EV_BASE + 100;
// OBJ_EV_SET_STATE + s switches to behaviour state s; s | 0x800 keeps the
// facing.
constexpr ObjectMessage OBJ_EV_SET_STATE = 0x040FF000u;
constexpr uint32_t OBJ_STATE_KEEP_FACING = 0x800;

// Bit 16 of a type word: search for a free slot from the current object on.
constexpr uint32_t OBJ_CREATE_FROM_CURRENT = 0x10000;

// ---- type ids with names of their own ------------------------------------

constexpr uint8_t OBJT_PLAYER = 1;
constexpr uint8_t OBJT_FALLING = 2;
constexpr uint8_t OBJT_CHASED = 3;
constexpr uint8_t OBJT_PICKUP = 4;
constexpr uint8_t OBJT_INERT = 23;
constexpr uint8_t OBJT_CAMERA_ZONE = 64;
constexpr uint8_t OBJT_TILE_DECOR = 94;
constexpr uint8_t OBJT_SCORE_POPUP = 110;
constexpr uint8_t OBJT_PROJECTILE_A = 119;
constexpr uint8_t OBJT_PROJECTILE_B = 120;
constexpr uint8_t OBJT_FADE_PICTURE = 121;
constexpr uint8_t OBJT_FRAME_CYCLER = 124;
constexpr uint8_t OBJT_ATTACHED_EFFECT = 126;
constexpr uint8_t OBJT_EFFECT = 127;

constexpr int8_t OBJ_KIND_ORDINARY = 0;
// After every message the object's x and y go to its EntryRecord.
constexpr int8_t OBJ_KIND_TRACKED = 2;

constexpr uint8_t OBJ_FLAG_NO_PAIRS = 1;

// Below this a look-ahead request means "none".
constexpr int16_t kNoLookAhead = -1024;

// ---- records -------------------------------------------------------------

using ObjectHandlerFn = void (*)(GameWorld* world, ObjectSlot* object, ObjectMessage message);
using ObjectDrawFn = void (*)(GameWorld* world, ObjectSlot* object);

struct ObjectSlot {
    int16_t x;
    int16_t y;
    int16_t lookAheadX; // kNoLookAhead or less: no request
    int16_t lookAheadY;
    intptr_t param;     // creation parameter; may carry a pointer
    int32_t index;
    int16_t depth;
    int32_t itemNumber; // -1, a taken-bit number, or an EntryRecord index
    PlacementRecord* placement;
    void* logic;
    void* draw;
    uint8_t typeId; // 0: free
    uint8_t flags;  // OBJ_FLAG_*
    // Set while DeleteObject runs the destroy message, so that a handler or
    // rule deleting the object again does not free it twice.
    uint8_t deleting;
    // Counts the objects this slot has held, so a stored reference can tell
    // its object from a later one in the same slot.
    uint32_t serial;

    template <typename T> T ParamAs() const { return reinterpret_cast<T>(param); }
    intptr_t ParamValue() const { return param; }
    template <typename T> T* LogicAs() const { return static_cast<T*>(logic); }
    template <typename T> T* DrawAs() const { return static_cast<T*>(draw); }
};

struct ObjectType {
    ObjectDrawFn draw;
    ObjectHandlerFn handler;
    int8_t kind;
    int8_t logicUnits; // 16-byte units
    int8_t drawUnits;
};

// A reference to another object that survives the object's deletion: valid
// only while the slot is live with the same serial.
struct ObjectRef {
    int16_t slot = -1;
    uint32_t serial = 0;
};

ObjectRef MakeObjectRef(const ObjectSlot* object);
// The referenced object when it is still live (and, for a type of 0 or
// more, of that type); null otherwise.
ObjectSlot* ResolveObjectRef(GameWorld* world, ObjectRef ref, int32_t typeId = -1);

// ---- functions -----------------------------------------------------------

void RegisterObjectType(GameWorld* world, int32_t typeId, ObjectHandlerFn handler,
                        ObjectDrawFn draw, int8_t kind, int32_t logicBytes, int32_t drawBytes);
// The game's own registrations (world/behaviours/registry.cpp).
void RegisterObjectTypes(GameWorld* world);

// Seams: the play task fills the registry through the installer and the pair
// scan resolves through the resolver; tests install their own.
using ObjectTypeInstaller = void (*)(GameWorld* world);
using ObjectPairResolver = void (*)(GameWorld* world, ObjectSlot* first, ObjectSlot* second);
void SetObjectTypeInstaller(ObjectTypeInstaller installer); // null: the game's own
void InstallObjectTypes(GameWorld* world);
void SetObjectPairResolver(ObjectPairResolver resolver); // null: the game's own
// The game's pair rules (world/behaviours/).
void ResolveObjectPair(GameWorld* world, ObjectSlot* first, ObjectSlot* second);
// For objects of type `typeId`, by the other object's type: nonzero where
// ResolveObjectPair has a rule for the two (in either order), zero where it
// does nothing at all. Entry 0 (a free slot) is zero. Null for a type
// that has no rule with any type.
const uint8_t* ObjectPairRuleRow(uint8_t typeId);

ObjectSlot* CreateObject(GameWorld* world, int16_t x, int16_t y, uint32_t typeWord,
                         ObjectMessage message, intptr_t param);
ObjectSlot* CreateObjectFromPlacement(GameWorld* world, PlacementRecord* placement);
void AllocObjectState(GameWorld* world, ObjectSlot* object);
void SendObjectMessage(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void SendObjectMessageWithParam(GameWorld* world, ObjectSlot* object, ObjectMessage message,
                                intptr_t param);
void DrawObject(GameWorld* world, ObjectSlot* object);
void DeleteObject(GameWorld* world, ObjectSlot* object);
void DeleteObjectsExceptType(GameWorld* world, int32_t typeId);
ObjectSlot* FindNextObjectOfType(GameWorld* world, uint16_t* index, int32_t typeId);
void ProcessObjectPairs(GameWorld* world);

bool IsWorldBitClear(const GameWorld* world, int32_t n);
void SetWorldBit(GameWorld* world, int32_t n, int32_t value);
void ClearLevelCounters(GameWorld* world, int32_t mode);

void EmptyHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void EmptyDraw(GameWorld* world, ObjectSlot* object);
