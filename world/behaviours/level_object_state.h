// State of the level object objects, read by their handler and by the pair rules.
#pragma once

#include <cstdint>

struct LevelObjectState {
    int32_t placeholder; // the behaviour lays this out when it lands
};

