#include "world/option_gate.h"

#include "menus/save_file.h"
#include "world/game_world.h"

int32_t CurrentUserOption() {
    const UserRecord* user = CurrentUserRecord();
    return user != nullptr ? user->Difficulty : 0;
}

bool OptionGateAllows(int32_t code, int32_t option) {
    switch (code) {
    case 18:
        return option == 0 || option == 1;
    case 19:
        return option == 1 || option == 2;
    case 20:
        return option == 2;
    case 24:
        return option == 0;
    case 25:
        return option == 1;
    default:
        return true;
    }
}

int32_t RightCellCode(const GameWorld* world, int32_t x, int32_t y) {
    return TileCodeAt(&world->map, 3, x / 32 + 1, y / 32);
}
