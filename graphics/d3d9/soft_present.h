// Moving the software device's 32-bit back buffer out: into the SDL video
// surface at Present, and into RGB bytes for the screen read-back.
#pragma once

#include <cstdint>

struct SDL_Surface;

// Converts the back buffer into the surface's pixel format (15, 16, 24 or
// 32 bits), over the area both share.
void CopyToSurface(const uint32_t* backBuffer, int32_t width, int32_t height, SDL_Surface* surface);

// `outWidth` x `outHeight` RGB bytes, rows from the bottom of the back
// buffer up, as OpenGL reads a window back; what lies beyond the back
// buffer is black.
void ReadBackRgb(const uint32_t* backBuffer, int32_t width, int32_t height, uint8_t* rgb,
                 int32_t outWidth, int32_t outHeight);
