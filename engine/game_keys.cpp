#include "engine/game_keys.h"

// Telephone-keypad order: bits 1..10 are the keys 0..9 with s, a, d and w in
// the places of 2, 4, 6 and 8.
const int32_t gGameKeyTable[32] = {
    27,  48, 49, 115, 51, 97, 53, 100, 55, 119, 57, 42, 35, 276, 275, 273,
    274, 13, 32, 0,   0,  0,  0,  0,   0,  0,   0,  0,  0,  0,   0,   0,
};

uint32_t gGameKeysHeld = 0;
uint32_t gGameKeysPressed = 0;

uint32_t GameKeyBit(int32_t symbol) {
    for (int slot = 0; slot < 32; ++slot)
        if (gGameKeyTable[slot] == symbol)
            return 1u << slot;
    return 0;
}

void GameKeyDown(int32_t symbol) {
    uint32_t mask = GameKeyBit(symbol);
    gGameKeysPressed |= mask;
    gGameKeysHeld |= mask;
}

void GameKeyUp(int32_t symbol) {
    gGameKeysHeld &= ~GameKeyBit(symbol);
}

void EndGameKeyFrame() {
    gGameKeysPressed &= gGameKeysHeld & ~GAME_KEY_EMPTY_SLOT_BIT;
}

void ClearGameKeys() {
    gGameKeysHeld = 0;
    gGameKeysPressed = 0;
}
