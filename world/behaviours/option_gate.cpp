// The option gate of type 67.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void TestOptionGatedCell(GameWorld*, ObjectSlot*, ObjectMessage) {}
