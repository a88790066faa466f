// Sprites, fills and mesh triangles become quads of the batch.
#include <cstdint>

#include "engine/helpers.h"
#include "graphics/d3d9/d3d_batch.h"
#include "graphics/d3d9/d3d_renderer.h"
#include "graphics/d3d9/d3d_state.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/sprite_geometry.h"

namespace {

int32_t BackBufferWidth() {
    return static_cast<int32_t>(gD3dPresentParams.BackBufferWidth);
}
int32_t BackBufferHeight() {
    return static_cast<int32_t>(gD3dPresentParams.BackBufferHeight);
}

bool Appending() {
    return !gD3dDeviceLost && gD3dBatch.writePointer != nullptr;
}

IDirect3DTexture9* TextureOf(const Image* image) {
    return reinterpret_cast<IDirect3DTexture9*>(image->texture->handle);
}

// Size of one texel of the image's texture, in texture coordinates.
float TexelU(const Image* image) {
    return 1.0f / static_cast<float>(NextPowerOfTwo(image->width));
}
float TexelV(const Image* image) {
    return 1.0f / static_cast<float>(NextPowerOfTwo(image->height));
}

// Direct3D 9 samples a pixel at its integer corner. Every quad is moved
// half a pixel up and left, so that the samples fall on the pixel centres
// as under OpenGL: slanted and turned edges cover the same pixels, and
// texture coordinates that end exactly at the picture's edge put every
// pixel on the texel it shows, at any scale and mirrored too. (The texture
// record's coordinates reach a little past the edge; that overshoot only
// works for unscaled, unmirrored sprites sampled at the corner.)
constexpr float kPixelCentre = 0.5f;

// The quad of a sprite with texture coordinates that end at the picture's
// edge.
bool BuildCentredQuad(const SpriteRecord* record, SpriteQuad* quad) {
    Image shadow = *record->source;
    TextureRecord texture = *shadow.texture;
    texture.rightU = texture.leftU + static_cast<float>(shadow.width) * TexelU(&shadow);
    texture.bottomV = texture.topV + static_cast<float>(shadow.height) * TexelV(&shadow);
    shadow.texture = &texture;
    SpriteRecord centred = *record;
    centred.source = &shadow;
    return BuildSpriteQuad(&centred, quad) != 0;
}

void MoveToPixelCentres(float* x, float* y, int count) {
    for (int i = 0; i < count; ++i) {
        x[i] -= kPixelCentre;
        y[i] -= kPixelCentre;
    }
}

} // namespace

void D3dDrawSprite(SpriteRecord* record) {
    if (gD3dDeviceLost || record == nullptr || record->source == nullptr)
        return;
    Image* source = record->source;
    if (source->pixels != nullptr) {
        if (source->flags & IMAGE_FLAG_TEXTURE)
            FatalMessage("no NULL pointer in texture\n");
        D3dUploadTexture(source);
    }
    // A texture-backed image whose texture was never made has nothing to
    // show.
    if (source->flags != IMAGE_FLAG_TEXTURE || !Appending() || !HasUsableTexture(source))
        return;
    SpriteQuad quad;
    if (!BuildCentredQuad(record, &quad))
        return;
    if (!QuadOverlapsScreen(&quad, BackBufferWidth(), BackBufferHeight()))
        return;
    MoveToPixelCentres(quad.x, quad.y, 4);
    D3dAppendQuad(quad.x, quad.y, quad.u, quad.v,
                  PackDiffuse(quad.red, quad.green, quad.blue, quad.alpha), TextureOf(source));
}

void D3dFillRect(SpriteRecord* record) {
    if (record == nullptr || !Appending())
        return;
    int64_t left = record->x;
    int64_t top = record->y;
    int64_t right = left + record->width;
    int64_t bottom = top + record->height;
    if (right < 0 || bottom < 0 || left >= BackBufferWidth() || top >= BackBufferHeight())
        return;
    float fl = static_cast<float>(left), fr = static_cast<float>(right);
    float ft = static_cast<float>(top), fb = static_cast<float>(bottom);
    float x[4] = {fl, fr, fl, fr};
    float y[4] = {ft, ft, fb, fb};
    MoveToPixelCentres(x, y, 4);
    const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    D3dAppendQuad(x, y, zero, zero, record->colour, nullptr);
}

// Mesh texture coordinates are taken from source pixels over the texture's
// own size, without the record's overshoot (see kPixelCentre).
int32_t D3dDrawTriangleMesh(TriangleMesh* mesh) {
    int32_t first, end;
    int32_t last = TakeMeshTriangles(mesh, &first, &end);
    if (!Appending())
        return last;
    for (int32_t k = first; k < end; ++k) {
        const MeshTriangle& tri = mesh->triangles[k];
        bool coloured = tri.u[0] == -1;
        const Image* image = tri.image;
        if (!coloured && (!HasUsableTexture(image) || image->width == 0 || image->height == 0))
            continue;
        float x[4], y[4], u[4] = {}, v[4] = {};
        for (int i = 0; i < 3; ++i) {
            int32_t px, py;
            MeshVertex(mesh, k * mesh->stride + i, &px, &py);
            x[i] = static_cast<float>(px);
            y[i] = static_cast<float>(py);
            if (!coloured) {
                u[i] = image->texture->leftU + static_cast<float>(tri.u[i]) * TexelU(image);
                v[i] = image->texture->topV + static_cast<float>(tri.v[i]) * TexelV(image);
            }
        }
        x[3] = x[2];
        y[3] = y[2];
        MoveToPixelCentres(x, y, 4);
        u[3] = u[2];
        v[3] = v[2];
        D3dAppendQuad(x, y, u, v, coloured ? tri.colour : 0xFFFFFFFFu,
                      coloured ? nullptr : TextureOf(image));
    }
    return last;
}
