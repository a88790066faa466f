// Objects the chased character throws.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void ThrownObjectHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawThrownObject(GameWorld*, ObjectSlot*) {}
