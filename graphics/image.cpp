#include "graphics/image.h"

#include <cstdlib>

#include "engine/helpers.h"
#include "graphics/renderer.h"
#include "graphics/software_draw.h"

Image* const gScreenTarget = kScreenTarget;

int32_t FormatBytesPerPixel(uint16_t flags) {
    switch (flags & IMAGE_FMT_MASK) {
    case IMAGE_FMT_15:
    case IMAGE_FMT_16:
        return 2;
    case IMAGE_FMT_24:
        return 3;
    case IMAGE_FMT_32:
        return 4;
    default:
        return 1;
    }
}

static bool HasAlphaPlane(uint16_t flags) {
    return (flags & IMAGE_FLAG_ALPHA_PLANE) != 0 && FormatBytesPerPixel(flags) == 2;
}

Image* CreateImage(int32_t width, int32_t height, uint16_t flags) {
    Image* image = static_cast<Image*>(ZAlloc(sizeof(Image)));
    if (width < 0 || height < 0 || width > 0xFFFF || height > 0xFFFF) {
        width = 0;
        height = 0;
    }
    if (flags & IMAGE_FLAG_TEXTURE) {
        CreateTextureRecord(image);
    } else {
        size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
        size_t bytes = pixelCount * static_cast<size_t>(FormatBytesPerPixel(flags));
        // Zero-filled so that pictures are deterministic.
        image->pixels = bytes ? static_cast<uint32_t*>(std::calloc(bytes, 1)) : nullptr;
        if (HasAlphaPlane(flags) && pixelCount)
            image->alphaPlane = static_cast<uint8_t*>(std::calloc(pixelCount, 1));
    }
    image->width = static_cast<uint16_t>(width);
    image->height = static_cast<uint16_t>(height);
    image->flags = flags;
    return image;
}

void FreeImage(Image** image) {
    if (image == nullptr || *image == nullptr)
        return;
    Image* img = *image;
    // Everything the image holds goes, whatever its flags claim.
    if (img->texture != nullptr)
        FreeTextureRecord(img);
    FreeAndNull(&img->pixels);
    FreeAndNull(&img->alphaPlane);
    FreeAndNull(image);
}

void GetImageSize(const Image* image, int32_t* width, int32_t* height) {
    if (image == nullptr)
        return;
    *width = image->width;
    *height = image->height;
}

uint32_t NextPowerOfTwo(uint32_t n) {
    uint32_t p = 1;
    while (p < n && p < 0x80000000u)
        p <<= 1;
    return p;
}

void InitSpriteRecord(SpriteRecord* record, Image* target) {
    record->width = -1;
    record->height = -1;
    record->sourceX = 0;
    record->sourceY = 0;
    record->flags = 0;
    record->colour = 0;
    record->target = target;
}

void DrawSprite(SpriteRecord* record) {
    Image* source = record->source;
    if (source == nullptr)
        return;
    if (IsScreenTarget(record->target)) {
        RendererDrawSprite(record);
        return;
    }
    switch (source->flags & (IMAGE_FLAG_HIDDEN | IMAGE_FLAG_TEXTURE | IMAGE_FLAG_ALPHA_PLANE)) {
    case 0:
        SoftwareBlit(record);
        break;
    case IMAGE_FLAG_ALPHA_PLANE: {
        uint16_t flags = record->flags;
        record->flags = static_cast<uint16_t>(flags | SPRITE_FLAG_ALPHA);
        SoftwareBlit(record);
        record->flags = flags;
        break;
    }
    case IMAGE_FLAG_HIDDEN:
    case IMAGE_FLAG_HIDDEN | IMAGE_FLAG_ALPHA_PLANE:
        break;
    default:
        // A texture-backed picture lives in the renderer, which draws only
        // onto the screen, whatever the target.
        RendererDrawSprite(record);
        break;
    }
}

void FillRect(SpriteRecord* record) {
    if (IsScreenTarget(record->target))
        RendererFillRect(record);
    else
        SoftwareFillRect(record);
}
