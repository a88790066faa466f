#include "graphics/renderer.h"

#include <cstdlib>

#include "graphics/d3d9/d3d_renderer.h"
#include "graphics/image.h"
#include "graphics/opengl/gl_renderer.h"

int32_t gRendererKind = RENDERER_NONE;
int32_t gReduceTextures = 0;
DrawSink* gDrawSink = nullptr;

int32_t SetVideoMode(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t fullscreen,
                     int32_t kind, int32_t reduce) {
    gReduceTextures = reduce;
    switch (kind) {
    case RENDERER_D3D9:
        gRendererKind = RENDERER_D3D9;
        return D3dSetVideoMode(width, height, bitsPerPixel, fullscreen);
    case RENDERER_OPENGL:
        gRendererKind = RENDERER_OPENGL;
        return GlSetVideoMode(width, height, bitsPerPixel, fullscreen);
    default:
        gRendererKind = RENDERER_NONE;
        return 0;
    }
}

void ShutdownRenderer() {
    if (gRendererKind == RENDERER_D3D9)
        D3dShutdown();
}

void UploadTexture(Image* image) {
    if (image == nullptr)
        return;
    if (gRendererKind == RENDERER_D3D9)
        D3dUploadTexture(image);
    else if (gRendererKind == RENDERER_OPENGL)
        GlUploadTexture(image);
}

void PresentFrame() {
    if (gRendererKind == RENDERER_D3D9)
        D3dPresentFrame();
    else if (gRendererKind == RENDERER_OPENGL)
        GlPresent();
}

void ClearScreen() {
    if (gRendererKind == RENDERER_D3D9)
        D3dClear();
    else if (gRendererKind == RENDERER_OPENGL)
        GlClear();
}

void SuspendRenderer() {
    if (gRendererKind == RENDERER_D3D9)
        D3dSuspend();
}

// Neither renderer has anything to do: Direct3D 9 recovers at its next
// present.
void ResumeRenderer() {}

void SetTextureFiltering(int32_t linear) {
    if (gRendererKind == RENDERER_D3D9)
        D3dSetFiltering(linear);
    else if (gRendererKind == RENDERER_OPENGL)
        GlSetFiltering(linear);
}

void ReadScreen(uint8_t* buffer) {
    if (buffer == nullptr)
        return;
    if (gRendererKind == RENDERER_D3D9)
        D3dReadScreen(buffer);
    else if (gRendererKind == RENDERER_OPENGL)
        GlReadScreen(buffer);
}

void RendererDrawSprite(SpriteRecord* record) {
    if (gDrawSink != nullptr) {
        gDrawSink->OnDrawSprite(*record);
        return;
    }
    if (gRendererKind == RENDERER_D3D9)
        D3dDrawSprite(record);
    else if (gRendererKind == RENDERER_OPENGL)
        GlDrawSprite(record);
}

void RendererFillRect(SpriteRecord* record) {
    if (gDrawSink != nullptr) {
        gDrawSink->OnFillRect(*record);
        return;
    }
    if (gRendererKind == RENDERER_D3D9)
        D3dFillRect(record);
    else if (gRendererKind == RENDERER_OPENGL)
        GlFillRect(record);
}

int32_t DrawTriangleMesh(TriangleMesh* mesh) {
    if (mesh == nullptr)
        return 0;
    if (gDrawSink != nullptr)
        return gDrawSink->OnDrawTriangleMesh(mesh);
    if (gRendererKind == RENDERER_D3D9)
        return D3dDrawTriangleMesh(mesh);
    if (gRendererKind == RENDERER_OPENGL)
        return GlDrawTriangleMesh(mesh);
    return 0;
}

void CreateTextureRecord(Image* image) {
    if (gRendererKind == RENDERER_D3D9)
        D3dCreateTextureRecord(image);
    else if (gRendererKind == RENDERER_OPENGL)
        GlCreateTextureRecord(image);
}

void FreeTextureRecord(Image* image) {
    if (gRendererKind == RENDERER_D3D9)
        D3dFreeTextureRecord(image);
    else if (gRendererKind == RENDERER_OPENGL)
        GlFreeTextureRecord(image);
    else
        std::free(image->texture);
    image->texture = nullptr;
}
