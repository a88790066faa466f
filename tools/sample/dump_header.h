// Archive entry 19: the BMP header that starts every frame dump, for an
// 800 x 600 picture of 24-bit pixels with its bottom row first (the order
// the screen read-back delivers), followed by room for those pixels.
#pragma once

#include <cstdint>
#include <vector>

// The 54-byte header alone.
std::vector<uint8_t> WriteDumpHeader();
// The header and zeroed room for the pixels: the entry as the game ships it.
std::vector<uint8_t> WriteDumpEntry();
