// The state records of every behaviour. The pair rules read the player's,
// the chased character's, the pickups' and the level objects' fields
// directly, so all of them are reachable from this one header.
#pragma once

#include "world/behaviours/chased_state.h"
#include "world/behaviours/effect_object_state.h"
#include "world/behaviours/level_object_state.h"
#include "world/behaviours/pickup_state.h"
#include "world/behaviours/player_state.h"
