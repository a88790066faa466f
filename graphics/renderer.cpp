// Placeholder dispatch with no renderer: every call does nothing. Replaced
// by the real dispatch when the renderers land.
#include "graphics/renderer.h"

#include "engine/helpers.h"
#include "graphics/image.h"

int32_t gRendererKind = RENDERER_NONE;
int32_t gReduceTextures = 0;

int32_t SetVideoMode(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t reduce) {
    gReduceTextures = reduce;
    gRendererKind = RENDERER_NONE;
    return 0;
}
void ShutdownRenderer() {}
void UploadTexture(Image*) {}
void PresentFrame() {}
void ClearScreen() {}
void SuspendRenderer() {}
void ResumeRenderer() {}
void SetTextureFiltering(int32_t) {}
void ReadScreen(uint8_t*) {}
void RendererDrawSprite(SpriteRecord*) {}
void RendererFillRect(SpriteRecord*) {}
int32_t DrawTriangleMesh(TriangleMesh*) { return 0; }
void CreateTextureRecord(Image*) {}
void FreeTextureRecord(Image* image) { FreeAndNull(&image->texture); }
void DrawSprite(SpriteRecord*) {}
void FillRect(SpriteRecord*) {}
