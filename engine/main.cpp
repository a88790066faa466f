// The game program. Its arguments are ignored: everything comes from
// "game.cfg".
#include "engine/app.h"

int main(int, char**) {
    return GameMain();
}
