// Effect objects.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void EffectObjectHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawEffectObject(GameWorld*, ObjectSlot*) {}
