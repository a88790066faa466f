// Camera zones.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void CameraZoneHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}
