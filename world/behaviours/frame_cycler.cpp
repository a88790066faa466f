// Frame-cycling objects.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void FrameCycleObjectHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawFrameCycleObject(GameWorld*, ObjectSlot*) {}
