// Pictures into Direct3D 9 textures, and the texture records of images.
#include <cstdio>
#include <cstring>

#include "engine/helpers.h"
#include "graphics/colour_reduce.h"
#include "graphics/d3d9/d3d_renderer.h"
#include "graphics/d3d9/d3d_state.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/image.h"
#include "graphics/renderer.h"

namespace {

// Just below 17/32: the record's coordinates reach this much past the
// picture, which lands every column of an unscaled sprite on its own texel
// when pixels are sampled at their corners. The draws here sample at pixel
// centres instead and take their coordinates from the picture's own size
// (d3d_draw.cpp); the record keeps the overshoot for everything else that
// reads it.
const float kTexelOvershoot = 0.531248f;

TextureRecord* NewTextureRecord(const Image* image, uint32_t pw, uint32_t ph) {
    auto* record = static_cast<TextureRecord*>(ZAlloc(sizeof(TextureRecord)));
    record->leftU = 0.0f;
    record->topV = 0.0f;
    record->rightU = (static_cast<float>(image->width) + kTexelOvershoot) / static_cast<float>(pw);
    record->bottomV =
        (static_cast<float>(image->height) + kTexelOvershoot) / static_cast<float>(ph);
    return record;
}

void CopyPicture(const Image* image, const D3DLOCKED_RECT& locked) {
    int32_t w = image->width;
    int32_t h = image->height;
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    if (gReduceTextures) {
        if (image->flags & IMAGE_FLAG_FULLCOLOUR)
            TruncToArgb4444(image->pixels, bits, w, h, locked.Pitch);
        else
            DitherToArgb4444(image->pixels, bits, w, h, locked.Pitch);
        return;
    }
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(bits + static_cast<size_t>(y) * locked.Pitch,
                    image->pixels + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
}

// A full-colour picture's own memory becomes its texture: no copy, and no
// clearing of the whole texture first. Null when the layer cannot take it.
IDirect3DTexture9* AdoptPicture(Image* image, uint32_t pw, uint32_t ph) {
    if (gReduceTextures)
        return nullptr;
    IDirect3DTexture9* texture =
        SoftD3dTextureFromPixels(pw, ph, image->pixels, image->width, image->height);
    if (texture != nullptr)
        image->pixels = nullptr;
    return texture;
}

IDirect3DTexture9* CopyIntoNewTexture(const Image* image, uint32_t pw, uint32_t ph) {
    IDirect3DTexture9* texture = nullptr;
    HRESULT made =
        gD3dDevice->CreateTexture(pw, ph, 1, 0, gReduceTextures ? D3DFMT_A4R4G4B4 : D3DFMT_A8R8G8B8,
                                  D3DPOOL_MANAGED, &texture, nullptr);
    D3DLOCKED_RECT locked = {};
    if (FAILED(made) || texture == nullptr || FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        if (texture != nullptr)
            texture->Release();
        return nullptr;
    }
    CopyPicture(image, locked);
    texture->UnlockRect(0);
    return texture;
}

} // namespace

void D3dUploadTexture(Image* image) {
    if (image == nullptr || D3dCheckCooperativeLevel() || image->pixels == nullptr)
        return;
    // Only 32-bit pictures can be copied row by row into the texture.
    if ((image->flags & IMAGE_FMT_MASK) != IMAGE_FMT_32 || (image->flags & IMAGE_FLAG_TEXTURE))
        return;
    // A picture whose texture could not be made keeps an empty record, so
    // that it is neither tried nor warned about again at every draw.
    if (image->texture != nullptr)
        return;
    uint32_t pw = NextPowerOfTwo(image->width);
    uint32_t ph = NextPowerOfTwo(image->height);
    IDirect3DTexture9* texture = AdoptPicture(image, pw, ph);
    if (texture == nullptr)
        texture = CopyIntoNewTexture(image, pw, ph);
    if (texture == nullptr) {
        std::printf("WARNING texture %ux%u not created, the picture stays in memory\n", pw, ph);
        image->texture = static_cast<TextureRecord*>(ZAlloc(sizeof(TextureRecord)));
        return;
    }
    TextureRecord* record = NewTextureRecord(image, pw, ph);
    record->handle = reinterpret_cast<uintptr_t>(texture);
    FreeAndNull(&image->texture);
    image->texture = record;
    FreeAndNull(&image->pixels);
    image->flags = IMAGE_FLAG_TEXTURE;
}

// Zeroed: an image made texture-backed but never uploaded has no texture,
// and its sprites are skipped.
void D3dCreateTextureRecord(Image* image) {
    if (image != nullptr)
        image->texture = static_cast<TextureRecord*>(ZAlloc(sizeof(TextureRecord)));
}

// Managed textures survive a device loss, so they are released at once in
// every state; quads still waiting for this frame's draw are skipped.
void D3dFreeTextureRecord(Image* image) {
    if (image == nullptr || image->texture == nullptr)
        return;
    auto* texture = reinterpret_cast<IDirect3DTexture9*>(image->texture->handle);
    if (texture != nullptr) {
        if (gD3dBatch.textures != nullptr)
            for (int32_t k = gD3dBatch.drawnQuads; k < gD3dBatch.quadCount; ++k)
                if (gD3dBatch.textures[k] == texture)
                    gD3dBatch.textures[k] = kD3dFreedTexture;
        texture->Release();
    }
    FreeAndNull(&image->texture);
}
