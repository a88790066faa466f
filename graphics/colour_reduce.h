// Reduction of 32-bit ARGB pictures to 4 bits a channel, for the texture
// reduction switch of the configuration. Pure functions over pixel rows.
#pragma once

#include <cstdint>

// Source rows are packed (width * 4 bytes apart); `dstPitch` is the distance
// in bytes between destination rows (at least width * 2). The result is
// A4R4G4B4: alpha in bits 12-15, red 8-11, green 4-7, blue 0-3.
void DitherToArgb4444(const uint32_t* src, void* dst, int32_t width, int32_t height,
                      int32_t dstPitch);
// Each channel's top four bits, no dithering.
void TruncToArgb4444(const uint32_t* src, void* dst, int32_t width, int32_t height,
                     int32_t dstPitch);
// The same dithering as DitherToArgb4444, written back into the pixels: each
// channel keeps its 4-bit value in its high nibble, the low nibble is 0.
// `pitch` is the distance in bytes between rows.
void DitherInPlace4bit(uint32_t* pixels, int32_t width, int32_t height, int32_t pitch);
