// What other behaviours use of the level objects besides their state: the
// scaled actor drawing they share with the effects.
#pragma once

#include <cstdint>

struct GameWorld;
struct ScriptActor;

// Draws the sprite pipes of an actor at world pixel (x, y): plainly at scale
// 1, otherwise scaled about the image centre (colour and alpha 1). Starts
// the sound pipes, places the actor's sounds, and reports a pipe of an
// unknown kind with "Unknown pipe". Nothing without a media set.
void DrawActorScaled(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor, float scaleX,
                     float scaleY);
