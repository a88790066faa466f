// What several behaviours ask of the media their objects show and play: a
// key record of the sprite on show, and a random sound of a group.
#pragma once

#include <cstdint>

#include "world/game_world.h"
#include "world/script_engine.h"

// Key record `key` of the sprite the actor shows (the head of its sprite
// pipes), or null.
const SpriteKeyRecord* ActorSpriteKey(GameWorld* world, ScriptActor* actor, uint16_t key);

// Plays a random item of a resource group; its mixer channel, or -1 when
// the group is empty (see PlaySound for the rest).
int32_t PlayGroupItem(GameWorld* world, uint32_t group);
// The same, the channel placed at (panX, panY) from the listener.
void PlayGroupSound(GameWorld* world, uint32_t group, int32_t panX, int32_t panY);
