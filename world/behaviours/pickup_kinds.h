// What each pickup type is worth and what it shows: one row per type of
// the pickup family, looked up by type id.
#pragma once

#include <cstdint>

#include "world/behaviours/pickup_state.h"

constexpr int32_t kNoIdleEffect = -1;
constexpr int32_t kNoShadow = -1;

// PickupKind::hudIcon: which HUD icon counter a taken pickup raises.
constexpr int32_t PICKUP_HUD_ICON_NONE = 0;
constexpr int32_t PICKUP_HUD_ICON_FIRST = 1;
constexpr int32_t PICKUP_HUD_ICON_SECOND = 2;

struct PickupKind {
    uint8_t type;
    int32_t points;        // awarded by the pair rules when taken
    PopupIndex popup;      // shown when taken
    int32_t idleEffect;    // EFFECT_KIND_* while waiting, or kNoIdleEffect
    int32_t shadowScript;  // script of its OBJT_ATTACHED_EFFECT, or kNoShadow
    int32_t variantStride; // scripts per variant
    int32_t hudIcon;       // PICKUP_HUD_ICON_*
};

// The row of a pickup type; a type without one gets a row that is worth
// nothing and shows nothing.
const PickupKind& PickupKindOf(int32_t type);
