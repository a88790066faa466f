// The rules that run when two objects meet.
#include "world/behaviours/behaviours.h"

// The rules arrive later; until then objects pass through each other.
void ResolveObjectPair(GameWorld*, ObjectSlot*, ObjectSlot*) {}
