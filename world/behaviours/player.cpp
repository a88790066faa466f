// The player.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void PlayerHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawPlayer(GameWorld*, ObjectSlot*) {}
