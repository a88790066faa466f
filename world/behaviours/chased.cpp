// The chased character.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void ChasedCharacterHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawChasedCharacter(GameWorld*, ObjectSlot*) {}
