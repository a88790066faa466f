// The exit's own option gate (type 67). Its table differs from the shared
// gate of world/option_gate.h at codes 18 and 19, so it is kept here.
#include "world/behaviours/behaviours.h"
#include "world/game_world.h"
#include "world/option_gate.h"

namespace {

// Far outside any level, so neither the player nor the activation window
// ever meets it.
constexpr int16_t kBanishedX = -3000;
constexpr int16_t kBanishedY = -1000;

bool ExitAllowed(int32_t code, int32_t option) {
    switch (code) {
    case 18:
    case 19:
        return option > 0;
    case 20:
        return option > 1;
    case 24:
        return option == 0;
    case 25:
        return option == 1;
    default:
        return true;
    }
}

} // namespace

void TestOptionGatedCell(GameWorld* world, ObjectSlot* object, ObjectMessage) {
    if (!ExitAllowed(RightCellCode(world, object->x, object->y), CurrentUserOption())) {
        object->x = kBanishedX;
        object->y = kBanishedY;
    }
}
