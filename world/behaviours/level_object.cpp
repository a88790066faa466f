// Level objects and projectiles.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void LevelObjectHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawLevelObject(GameWorld*, ObjectSlot*) {}
