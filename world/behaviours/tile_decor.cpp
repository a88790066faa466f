// Tile decorations.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void TileDecorHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawTileDecor(GameWorld*, ObjectSlot*) {}
