// Fading pictures.
#include "world/behaviours/behaviours.h"

// The behaviour arrives later; until then the object stands still.
void FadePictureHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void DrawFadePicture(GameWorld*, ObjectSlot*) {}
