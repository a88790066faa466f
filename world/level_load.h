// The level-loading task: builds a level inside the running world a few
// steps per frame, so the play task keeps drawing its loading picture, and
// the placements, the level's list of objects that may exist.
#pragma once

#include <cstdint>

#include "engine/resource_stream.h"

struct GameWorld;
struct TaskRec;

// Archive entries read once when the play task enters.
constexpr uint32_t kCodeTypeEntry = 0;      // 256 bytes: object type of each map code
constexpr uint32_t kTypeListEntry = 1;      // 64 bytes: types whose media are always loaded
constexpr uint32_t kLevelIndexEntry = 9;    // word: first entry of the level-record index
constexpr uint32_t kTileSetIndexEntry = 11; // word: first entry of the tile-set index

constexpr int32_t kTypeListSize = 64;
// Per-frame budget of the loader, checked after each step.
constexpr uint32_t kLevelLoadBudgetMs = 19;
constexpr uint16_t kEntryNone = 0xFFFF;
// Codes 1..6 of layer 3 mark entries 0..5 of a level.
constexpr int32_t kLevelEntryCount = 6;
// The code CodeToTypeSlot answers when no code has the type.
constexpr int32_t kNoTypeSlot = 64;

struct LevelLoadState {
    GameWorld* world;
    uint16_t step;
    // Wider than the 16 bits a row or media index needs: a hostile map with
    // more placements than that must not wrap the index back to the start.
    int32_t progress;
    int32_t second;
    int16_t level;  // V, 1-based
    uint16_t entry; // 0..5, or kEntryNone / 0xFFFE: where the entry record says
    // The level's archive chain (entry numbers, except the tile set P).
    uint32_t a, l, b, p, t, t2, d;
    ResourceStream stream;
    uint8_t toldUnopened; // the level file's failure to open was reported
};

// Pushed by the play task with data = the world and parameter 0; pops
// itself once the level is ready (play state PLAY_STATE_START).
void LevelLoadTaskHandler(TaskRec* task, uint32_t message);

// ---- tiles and lists -----------------------------------------------------

// Entries 0 and 1 into the code types and the type list; the tile shapes
// from entry 2.
void LoadLevelLists(GameWorld* world);
// Bit 1 of the code flags on every code (and its substitute) that layers
// 0..2 use; on all codes while the editor's all-codes-used flag is set.
void FlagLevelTiles(GameWorld* world);
// One code per call: loads the image of a used code (or of its substitute)
// from entry first + code. 1 once code + first passes last; otherwise the
// code advances and 0.
int32_t LoadTileImagesStep(GameWorld* world, uint32_t first, uint32_t last, int32_t* code);
// Frees every tile image (all) or those loaded but no longer used; the
// tile-image level := -1.
void ReleaseLevelImages(GameWorld* world, bool all);

// ---- media ---------------------------------------------------------------

// One media set per call: frees a set no placement and no listed type uses,
// and of a used set the sprite images its list for this level does not
// name. 1 once past the highest set in use.
int32_t ReleaseUnusedMediaStep(GameWorld* world, int32_t* index);
// Loads listed types (index 0..63) until one loads; 1 once past 63.
int32_t LoadListedTypesStep(GameWorld* world, int32_t* index);
// Loads the placements' types until one loads; 1 once past the last.
int32_t LoadPlacedTypesStep(GameWorld* world, int32_t* index);

// ---- placements ----------------------------------------------------------

// The first map code whose object type is typeId; kNoTypeSlot when none.
int32_t CodeToTypeSlot(const GameWorld* world, int32_t typeId);
// Inserts a record after every record of a lower cell row, or of the same
// row and a column not higher; live slot -1. Nothing (and one diagnostic)
// once the table holds placementCapacity records.
void AddPlacement(GameWorld* world, int16_t x, int16_t y, uint8_t code, int16_t itemNumber);
// Allocates the table for every object cell of layer 3 and every entry
// record placed on the game level, and adds the records' placements.
void CountPlacementsStep(GameWorld* world);
// The placements of the next map row from *row that has object cells; 1
// once the rows of layer 3 are exhausted.
int32_t PlaceObjectsStep(GameWorld* world, int32_t* row);
// Nothing: no placement grid is kept.
void IndexPlacementsStep(GameWorld* world);
// Links each live object that had a placement to the first placement of
// its type with its item number; an object with no such placement keeps
// none.
void RelinkObjectsToPlacements(GameWorld* world);
// Makes the player from its placement at its entry record's position and
// has the camera follow it. Nothing without an entry record of type 1.
void SpawnPlayer(GameWorld* world);
void FollowPlayerWithCamera(GameWorld* world);
