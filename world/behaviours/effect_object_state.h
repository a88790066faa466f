// State of the effect object objects, read by their handler and by the pair rules.
#pragma once

#include <cstdint>

struct EffectState {
    int32_t placeholder; // the behaviour lays this out when it lands
};

