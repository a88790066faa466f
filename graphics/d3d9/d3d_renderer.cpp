// Placeholder entry points so that the dispatch links; the renderer lands
// here shortly.
#include "graphics/d3d9/d3d_renderer.h"

#include "engine/helpers.h"
#include "graphics/image.h"
#include "graphics/renderer.h"

int32_t D3dSetVideoMode(int32_t, int32_t, int32_t, int32_t) { return 0; }
void D3dShutdown() {}
void D3dUploadTexture(Image*) {}
void D3dPresentFrame() {}
void D3dClear() {}
void D3dSuspend() {}
void D3dSetFiltering(int32_t) {}
void D3dDrawSprite(SpriteRecord*) {}
void D3dFillRect(SpriteRecord*) {}
int32_t D3dDrawTriangleMesh(TriangleMesh*) { return 0; }
void D3dCreateTextureRecord(Image* image) {
    image->texture = static_cast<TextureRecord*>(ZAlloc(sizeof(TextureRecord)));
}
void D3dFreeTextureRecord(Image* image) { FreeAndNull(&image->texture); }
int32_t D3dCheckCooperativeLevel() { return 1; }
void D3dReadScreen(uint8_t*) {}
