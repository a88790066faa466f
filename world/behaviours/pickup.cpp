// Pickups.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void PickupHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawPickup(GameWorld*, ObjectSlot*) {}
