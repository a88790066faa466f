// Game keys: each game key owns one bit of two masks, held and pressed. The
// pressed mask is the world's input word.
#pragma once

#include <cstdint>

constexpr uint32_t GAME_KEY_MASK = 0x000FFFFFu; // every bit a key can own
constexpr uint32_t GAME_KEY_EMPTY_SLOT_BIT = 0x80000u;

extern const int32_t gGameKeyTable[32];
extern uint32_t gGameKeysHeld;
extern uint32_t gGameKeysPressed;

uint32_t GameKeyBit(int32_t symbol);
void GameKeyDown(int32_t symbol);
void GameKeyUp(int32_t symbol);
void EndGameKeyFrame();
// Forgets every key, so nothing stays held across a focus change.
void ClearGameKeys();
