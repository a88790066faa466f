// State of the pickup objects, read by their handler and by the pair rules.
#pragma once

#include <cstdint>

struct PickupState {
    int32_t placeholder; // the behaviour lays this out when it lands
};

struct ThrownObjectState {
    int32_t placeholder; // the behaviour lays this out when it lands
};

struct FadePictureState {
    int32_t placeholder; // the behaviour lays this out when it lands
};

