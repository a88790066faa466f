// The OpenGL renderer (renderer kind 2): immediate-mode quads in a 2D
// orthographic projection in screen pixels, drawn as they are requested.
// The rest of the game reaches it only through graphics/renderer.h.
#pragma once

#include <cstdint>

struct Image;
struct SpriteRecord;
struct TriangleMesh;

// 1 when the window and the GL state were made, else 0 (with a message on
// standard error).
int32_t GlSetVideoMode(int32_t width, int32_t height, int32_t bits, int32_t fullscreen);
void GlPresent();
void GlClear();
void GlDrawSprite(SpriteRecord* record);
void GlFillRect(SpriteRecord* record);
// Returns the index of the last triangle drawn (-1 when none was).
int32_t GlDrawTriangleMesh(TriangleMesh* mesh);
// Turns a 32-bit software image into a texture: padded to a power-of-two
// work image, reduced to 4 bits a channel when texture reduction is on.
void GlUploadTexture(Image* image);
void GlCreateTextureRecord(Image* image);
void GlFreeTextureRecord(Image* image);
// Stored only: textures keep the linear filtering chosen at upload.
void GlSetFiltering(int32_t linear);
int32_t GlGetFiltering();
// READ_SCREEN_BYTES of RGB from the back buffer, bottom row first.
void GlReadScreen(uint8_t* buffer);
