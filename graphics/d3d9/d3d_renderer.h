// The Direct3D 9 renderer (renderer kind 1): sprites, fills and mesh
// triangles become quads in a dynamic vertex buffer, drawn a frame later in
// runs of equal texture. The rest of the game reaches it only through the
// dispatch in graphics/renderer.h.
#pragma once

#include <cstdint>

struct Image;
struct SpriteRecord;
struct TriangleMesh;

// 1 when the window and the device were made, else 0 (with a message).
int32_t D3dSetVideoMode(int32_t width, int32_t height, int32_t bits, int32_t fullscreen);
void D3dShutdown();
// Turns a 32-bit software image into a texture; postponed while the device
// is lost (the image stays a software image and is retried when drawn).
void D3dUploadTexture(Image* image);
void D3dPresentFrame();
void D3dClear();
void D3dSuspend();
void D3dSetFiltering(int32_t linear);
void D3dDrawSprite(SpriteRecord* record);
void D3dFillRect(SpriteRecord* record);
// Returns the index of the last triangle drawn.
int32_t D3dDrawTriangleMesh(TriangleMesh* mesh);
void D3dCreateTextureRecord(Image* image);
void D3dFreeTextureRecord(Image* image);
// 1 while the device is lost (or a cooperative-level test just failed).
int32_t D3dCheckCooperativeLevel();
// 800 x 600 x 3 bytes of RGB, bottom row first: the same layout as the
// OpenGL read-back, so frame dumps work under either renderer.
void D3dReadScreen(uint8_t* buffer);
