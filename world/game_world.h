// The record of the running game. Every part of the world reads and writes
// the game state through this one record; nobody keeps a private copy of a
// field.
#pragma once

#include <cstdint>
#include <cstdio>

#include "world/camera.h"
#include "world/media_set.h"
#include "world/objects.h"
#include "world/sound_channels.h"
#include "world/tile_map.h"

struct Image;

// ---- play states, run flags, dump flags -----------------------------------

constexpr uint8_t PLAY_STATE_NONE = 0;
constexpr uint8_t PLAY_STATE_LOADING = 1;
constexpr uint8_t PLAY_STATE_START = 2;
constexpr uint8_t PLAY_STATE_PLAYING = 3;
constexpr uint8_t PLAY_STATE_RESTART = 4;
constexpr uint8_t PLAY_STATE_FADE_OUT = 5;
constexpr uint8_t PLAY_STATE_FADE_IN = 6;
constexpr uint8_t PLAY_STATE_PAUSED = 7;
constexpr uint8_t PLAY_STATE_LEVEL_END = 8;

constexpr uint8_t WORLD_NO_PAIRS = 1;
constexpr uint8_t WORLD_NO_DRAW = 2;
constexpr uint8_t WORLD_NO_TICK = 4;
constexpr uint8_t WORLD_NO_SPAWN = 8;
constexpr uint8_t WORLD_NO_DESPAWN = 16;

constexpr uint8_t DUMP_KEYS_OPEN = 1;
constexpr uint8_t DUMP_KEYS_ACTIVE = 2;
constexpr uint8_t DUMP_KEYS_REPLAY = 4;
constexpr uint8_t VIEW_HIDE_GRAPHICS = 8;
constexpr uint8_t DUMP_FRAMES_OFF = 16;

constexpr uint8_t GAME_FLAG_COMPLETED = 1;

constexpr uint32_t DRAW_STAGE_DONE = 0x200;

constexpr int32_t kDestinationCount = 32;
constexpr int32_t kEntryRecordCount = 256;
constexpr int32_t kTakenBitCount = 131072;
constexpr int32_t kTakenBitBytes = kTakenBitCount / 8;
constexpr int32_t kSpareTakenBytes = 2048;

// ---- records of the level ---------------------------------------------------

struct PlacementRecord {
    int16_t x; // pixels, the cell's left edge
    int16_t y;
    int32_t liveSlot;   // -1 when no object was made from it
    int16_t itemNumber; // taken-bit number, or an EntryRecord index when tracked
    uint16_t code;      // layer-3 map code
};

constexpr uint8_t ENTRY_FLAG_PLACED = 1;
constexpr uint8_t ENTRY_FLAG_PLACED_THIS_LOAD = 2;
constexpr uint8_t ENTRY_FLAG_DESTINATION_CHOSEN = 0x20;

struct EntryRecord {
    uint8_t type; // 0 = free
    uint8_t flags;
    int16_t x;
    int16_t y;
    uint8_t unused1[2];
    int8_t level;
    uint8_t unused2;
};

// The results of the level being finished, handed to the UI flow.
struct LevelStatusRecord {
    uint16_t countA; // collectables of the first kind
    uint16_t countB; // of the second kind
    uint16_t gotA;
    uint16_t gotB;
    int32_t basePoints;
    int32_t resultPoints;
    int32_t hits;
    int32_t penalty;
    int32_t counter;
};
constexpr int32_t kLevelStatusFileBytes = 28;
void WriteLevelStatusRecord(const LevelStatusRecord& record, uint8_t out[kLevelStatusFileBytes]);
LevelStatusRecord ReadLevelStatusRecord(const uint8_t in[kLevelStatusFileBytes]);

// The player's counters, fourteen 32-bit words; ClearLevelCounters clears
// them by word number, so the order is fixed.
struct PlayerBlock {
    int32_t streamLevel;                // 1 (also the zone counter)
    int16_t actionPointX, actionPointY; // 2
    int16_t streamPointX, streamPointY; // 3 (also the zone point)
    int32_t hudCount;                   // 4 (also the collectable counter)
    int32_t pickupFlag;                 // 5
    int32_t exitSeenFlag;               // 6
    int32_t gust;                       // 7, 16.16
    int32_t driftSpeed;                 // 8, 16.16 (also the wind)
    int32_t carriedItem;                // 9
    int32_t invulnerable;               // 10
    int32_t rainFlag;                   // 11 (also the zone flag)
    int32_t unused12;                   // 12
    int32_t hudIcon1;                   // 13 (also the first exit counter)
    int32_t hudIcon2;                   // 14 (also the second exit counter)
};
static_assert(sizeof(PlayerBlock) == 56, "the player block is fourteen words");

struct DrawListEntry {
    int32_t previous; // -1 none
    int32_t next;     // -1 none
    int32_t slot;
};

// Where the scene renderer is within the frame it draws.
struct DrawScratch {
    int32_t listHead;
    int32_t firstColumn, firstRow, lastColumn, lastRow;
    int32_t screenX, screenY;
    int32_t halfFirstColumn, halfFirstRow;
    int32_t halfScreenX, halfScreenY;
};

// ---- the world ----------------------------------------------------------------

struct GameWorld {
    // tiles
    Image* tileImages[kTileCodeCount];
    TileShape* tileShapes[kTileCodeCount];
    TileShape* tileShapeStore; // owns every shape the pointers name
    int32_t tileShapeCount;
    // map
    TileRunMap map;
    // placements
    PlacementRecord* placements;
    int32_t* placementGrid;
    int32_t destinations[kDestinationCount][2]; // (level, entry)
    int32_t placementCount; // number minus one; -1 when none
    int32_t placementCapacity; // records the table has room for; AddPlacement never passes it
    // camera
    Camera camera;
    // level data
    const uint8_t* musicTable;
    uint32_t musicTableSize;
    const uint8_t* levelTable; // resource (0, 0): i32 words
    uint32_t levelTableSize;
    const uint8_t* cameraRecords; // resource (0, 1): i16 values
    uint32_t cameraRecordsSize;
    // media
    MediaSet mediaSets[kMediaSetCount];
    // objects
    ObjectSlot slots[kObjectSlotCount];
    ObjectType types[kObjectTypeCount];
    // sound
    uint32_t soundFlags;
    SoundChannelRec soundChannels[kWorldSoundChannelCount];
    // progress
    uint8_t takenBits[kTakenBitBytes];
    uint8_t spareTaken[kSpareTakenBytes];
    EntryRecord entries[kEntryRecordCount];
    uint32_t frameCounter;
    int16_t gameLevel;
    int32_t takenBitBases[3];
    int32_t takenBitCounters[3];
    // player
    PlayerBlock player;
    int32_t savedCostume; // the player's costume, kept across levels and comebacks
    int32_t scoreBookkeepingOff;
    // background
    int32_t backgroundX, backgroundY;
    Image* background;
    // level
    int16_t requestedLevel;   // -1 none
    uint16_t requestedEntry;  // 0xFFFF none
    int16_t tileImageLevel;   // holds the tile-set entry; -1 none
    int16_t mediaPart;
    int16_t currentLevel;     // -1 before the first load
    int16_t levelBeingEntered;
    // codes
    uint8_t codeFlags[kTileCodeCount];
    uint8_t codeSubstitutes[kTileCodeCount];
    uint8_t codeTypes[kTileCodeCount];
    uint8_t typeList[64];
    // objects
    int16_t mediaSetsUsed; // highest set in use; -1 none
    int16_t highestSlot;   // -1 none
    int16_t liveObjects;
    int16_t currentObject;
    // drawing
    uint32_t drawStage;
    DrawScratch drawScratch;
    uint8_t* tileChanges; // not const: the renderer swaps its codes with the map's and back
    // fade
    uint32_t brightness;
    uint32_t fadeStep;
    // state
    uint8_t playState;
    uint8_t pauseFlag;
    uint8_t runFlags;
    // dumps
    uint8_t* dumpBuffer;
    uint32_t dumpSize;
    FILE* keysFile;
    FILE* frameFile;
    // flags
    uint8_t allCodesUsed;
    uint8_t gameFlags;
    uint8_t dumpFlags;
    // results
    LevelStatusRecord levelStatus;
    // drawing
    DrawListEntry drawList[kObjectSlotCount];
};

// A freshly made world: everything zero, then the "none" markers set.
GameWorld* NewGameWorld();
void DeleteGameWorld(GameWorld* world);

// Word n of the level table; 0 past the end of the resource.
int32_t LevelWord(const GameWorld* world, int32_t n);
// Stores word n when it lies inside the resource; nothing otherwise. The
// table is the catalogue's own loaded copy, so the game may write it.
void SetLevelWord(GameWorld* world, int32_t n, int32_t value);
// Word n as a divisor: at least 1.
int32_t LevelDivisor(const GameWorld* world, int32_t n);
// Value i (i16) of the camera records; 0 outside the resource.
int16_t CameraRecordValue(const GameWorld* world, int32_t i);

// Random range drawn by world code: lo when hi < lo (with one diagnostic)
// instead of dividing by zero or wrapping.
int32_t WorldRandomInt(int32_t lo, int32_t hi);
