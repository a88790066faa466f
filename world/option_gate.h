// Whether an object exists at the current user's three-step option, decided
// by the layer-3 code of the cell to its right. One gate serves pickups,
// fading pictures and level objects; the exit (type 67) keeps a table of
// its own in its handler.
#pragma once

#include <cstdint>

struct GameWorld;

// The current user's option; 0 while no user record is current.
int32_t CurrentUserOption();

// Code 18 at options 0 and 1, 19 at 1 and 2, 20 at 2, 24 at 0, 25 at 1;
// every other code (a cell no run covers included) at any option.
bool OptionGateAllows(int32_t code, int32_t option);

// The layer-3 code of the cell right of the pixel point (column x / 32 + 1,
// row y / 32, both rounded toward zero); -1 when no run covers it.
int32_t RightCellCode(const GameWorld* world, int32_t x, int32_t y);
