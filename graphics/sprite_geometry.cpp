#include "graphics/sprite_geometry.h"

#include <algorithm>
#include <cmath>

#include "graphics/image.h"
#include "graphics/renderer.h"

namespace {

inline float RoundToInt(float value) {
    return std::nearbyint(value);
}

// Texture coordinates of the drawn part [offset, offset + length) of a
// picture `size` texels long whose texture spans [low, high).
void TexSpan(float low, float high, int32_t offset, int64_t length, int32_t size, float* start,
             float* end) {
    float span = high - low;
    *start = low + span * static_cast<float>(offset) / static_cast<float>(size);
    *end = low + static_cast<float>(offset + length) / static_cast<float>(size) * span;
}

void SetCorners(SpriteQuad* quad, float left, float top, float right, float bottom) {
    quad->x[QUAD_TL] = left;
    quad->y[QUAD_TL] = top;
    quad->x[QUAD_TR] = right;
    quad->y[QUAD_TR] = top;
    quad->x[QUAD_BL] = left;
    quad->y[QUAD_BL] = bottom;
    quad->x[QUAD_BR] = right;
    quad->y[QUAD_BR] = bottom;
}

void PlainCorners(const SpriteRecord* record, int64_t w, int64_t h, SpriteQuad* quad) {
    SetCorners(quad, static_cast<float>(record->x), static_cast<float>(record->y),
               static_cast<float>(static_cast<int64_t>(record->x) + w),
               static_cast<float>(static_cast<int64_t>(record->y) + h));
}

// Scales the quad about the pivot (placed at the record's x, y), then turns
// all four corners about the rotation centre.
void TransformedCorners(const SpriteRecord* record, const SpriteTransform* t, int64_t w, int64_t h,
                        SpriteQuad* quad) {
    float x = static_cast<float>(record->x);
    float y = static_cast<float>(record->y);
    float left = RoundToInt(x - static_cast<float>(t->pivotX) * t->scaleX);
    float top = RoundToInt(y - static_cast<float>(t->pivotY) * t->scaleY);
    float right = RoundToInt(static_cast<float>(w - t->pivotX) * t->scaleX + x);
    float bottom = RoundToInt(static_cast<float>(h - t->pivotY) * t->scaleY + y);
    SetCorners(quad, left, top, right, bottom);
    if (t->angle == 0.0f)
        return;
    float centreX = left + RoundToInt((left - x) + static_cast<float>(t->rotationRefX) * t->scaleX);
    float centreY = top + RoundToInt((top - y) + static_cast<float>(t->rotationRefY) * t->scaleY);
    float c = std::cos(t->angle);
    float s = std::sin(t->angle);
    for (int i = 0; i < 4; ++i) {
        float dx = quad->x[i] - centreX;
        float dy = quad->y[i] - centreY;
        quad->x[i] = centreX + RoundToInt(dx * c + dy * s);
        quad->y[i] = centreY + RoundToInt(dy * c - dx * s);
    }
}

} // namespace

bool HasUsableTexture(const Image* image) {
    return image != nullptr && (image->flags & IMAGE_FLAG_TEXTURE) != 0 &&
           image->texture != nullptr && image->texture->handle != 0;
}

int32_t BuildSpriteQuad(const SpriteRecord* record, SpriteQuad* quad) {
    const Image* source = record->source;
    if (!HasUsableTexture(source) || source->width == 0 || source->height == 0)
        return 0;
    const TextureRecord* tex = source->texture;
    int32_t width = source->width;
    int32_t height = source->height;
    // A negative size means the rest of the source from the offset on.
    // Sizes and offsets are added in 64 bits: records can hold any value.
    int64_t w = record->width < 0 ? static_cast<int64_t>(width) - record->sourceX : record->width;
    int64_t h =
        record->height < 0 ? static_cast<int64_t>(height) - record->sourceY : record->height;

    float left, right, top, bottom;
    TexSpan(tex->leftU, tex->rightU, record->sourceX, w, width, &left, &right);
    TexSpan(tex->topV, tex->bottomV, record->sourceY, h, height, &top, &bottom);
    if (record->flags & SPRITE_FLAG_MIRROR_X) {
        float swap = left;
        left = right;
        right = swap;
    }
    if (record->flags & SPRITE_FLAG_MIRROR_Y) {
        float swap = top;
        top = bottom;
        bottom = swap;
    }
    quad->u[QUAD_TL] = quad->u[QUAD_BL] = left;
    quad->u[QUAD_TR] = quad->u[QUAD_BR] = right;
    quad->v[QUAD_TL] = quad->v[QUAD_TR] = top;
    quad->v[QUAD_BL] = quad->v[QUAD_BR] = bottom;

    if ((record->flags & SPRITE_FLAG_TRANSFORM) && record->transform != nullptr) {
        const SpriteTransform* t = record->transform;
        TransformedCorners(record, t, w, h, quad);
        quad->red = ClampUnit(t->red);
        quad->green = ClampUnit(t->green);
        quad->blue = ClampUnit(t->blue);
        quad->alpha = ClampUnit(t->alpha);
    } else {
        PlainCorners(record, w, h, quad);
        quad->red = quad->green = quad->blue = 1.0f;
        quad->alpha = (record->flags & SPRITE_FLAG_ALPHA)
                          ? static_cast<float>(record->colour >> 24) / 255.0f
                          : 1.0f;
    }
    return 1;
}

bool QuadOverlapsScreen(const SpriteQuad* quad, int32_t screenWidth, int32_t screenHeight) {
    float minX = quad->x[0], maxX = quad->x[0], minY = quad->y[0], maxY = quad->y[0];
    for (int i = 1; i < 4; ++i) {
        minX = std::fmin(minX, quad->x[i]);
        maxX = std::fmax(maxX, quad->x[i]);
        minY = std::fmin(minY, quad->y[i]);
        maxY = std::fmax(maxY, quad->y[i]);
    }
    return maxX > 0.0f && maxY > 0.0f && minX < static_cast<float>(screenWidth) &&
           minY < static_cast<float>(screenHeight);
}

uint32_t PackDiffuse(float red, float green, float blue, float alpha) {
    auto byte = [](float f) { return static_cast<uint32_t>(std::lround(ClampUnit(f) * 255.0f)); };
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

int32_t TakeMeshTriangles(TriangleMesh* mesh, int32_t* first, int32_t* end) {
    *first = 0;
    *end = 0;
    if (mesh == nullptr)
        return -1;
    int32_t count = mesh->count;
    mesh->count = 0;
    if (mesh->vertices == nullptr || mesh->triangles == nullptr || mesh->stride < 1 ||
        mesh->totalVertices < 3 || mesh->next < 0)
        return -1;
    int64_t last = (mesh->totalVertices - 3) / mesh->stride;
    if (count > 0)
        last = std::min<int64_t>(last, static_cast<int64_t>(mesh->next) + count - 1);
    if (mesh->next > last)
        return -1;
    *first = mesh->next;
    *end = static_cast<int32_t>(last + 1);
    mesh->next = *end;
    return static_cast<int32_t>(last);
}

void MeshVertex(const TriangleMesh* mesh, int32_t index, int32_t* x, int32_t* y) {
    *x = mesh->vertices[static_cast<size_t>(index) * 2] + mesh->offsetX;
    *y = mesh->vertices[static_cast<size_t>(index) * 2 + 1] + mesh->offsetY;
}
