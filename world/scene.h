// The scene renderer, which draws one frame of the world in depth bands,
// and the activation window, which keeps only the player's neighbourhood
// alive as objects.
#pragma once

#include <cstdint>

struct GameWorld;
struct ObjectSlot;
struct PlacementRecord;

constexpr int32_t kTileCellPixels = 32;
// The tile layers start this many cells before the camera's cell, so that a
// tile image larger than its cell still reaches into the view.
constexpr int32_t kTileLeadCells = 18;

// The end marker of a draw-list cursor.
constexpr uint16_t kDrawListEnd = 0xFFFF;

// Objects below this depth are never drawn.
constexpr int32_t kDeepestDrawnDepth = -64;

// The activation window, in world pixels around the followed point.
constexpr int32_t kSpawnReachX = 800;
constexpr int32_t kSpawnReachY = 620;
constexpr int32_t kDespawnReachX = 1500;
constexpr int32_t kDespawnReachY = 660;

// ClassifySpawn's answers.
constexpr int32_t SPAWN_NEVER = 0;
constexpr int32_t SPAWN_NEAR = 1;
constexpr int32_t SPAWN_ALWAYS = 2;

// Draws the stages from the stored draw stage to the last and leaves
// DRAW_STAGE_DONE: 1. A stored stage outside 0..7 draws nothing: 0.
int32_t DrawWorld(GameWorld* world);
// Draws the listed objects from the cursor on while their depth is at least
// `minimumDepth`; the cursor ends at the first entry not drawn, or
// kDrawListEnd.
void DrawObjectsDownTo(GameWorld* world, uint16_t* cursor, int32_t minimumDepth);
// Draws (lastRow - firstRow + 1) rows of (lastColumn - firstColumn + 1)
// cells of a layer, starting at map cell (mapColumn, mapRow), with that
// cell's top-left corner at (screenX, screenY).
void DrawTileLayer(GameWorld* world, int32_t layer, int32_t mapColumn, int32_t mapRow,
                   int32_t firstColumn, int32_t firstRow, int32_t lastColumn, int32_t lastRow,
                   int32_t screenX, int32_t screenY);
// Swaps the code of each listed cell's run with the list's code; records
// whose cell has no run are passed over. `undo` walks the list backwards, so
// that a list naming one cell twice still gives the map back its own code.
void ToggleTileChanges(GameWorld* world, bool undo = false);
// SPAWN_NEVER, SPAWN_NEAR or SPAWN_ALWAYS by the placement's object type.
int32_t ClassifySpawn(const GameWorld* world, const PlacementRecord* placement);
bool IsDespawnable(const GameWorld* world, const ObjectSlot* object);
// Makes objects from the free placements within reach of (x, y).
void SpawnNearbyObjects(GameWorld* world, int16_t x, int16_t y);
// Deletes the despawnable objects out of reach of (x, y).
void DespawnFarObjects(GameWorld* world, int16_t x, int16_t y);
