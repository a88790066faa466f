#include "graphics/d3d9/soft_present.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

bool IsArgbLayout(const SDL_PixelFormat* f) {
    return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000u && f->Gmask == 0x0000FF00u &&
           f->Bmask == 0x000000FFu;
}

uint32_t MapPixel(const SDL_PixelFormat* f, uint32_t argb) {
    uint32_t r = (argb >> 16) & 0xFF;
    uint32_t g = (argb >> 8) & 0xFF;
    uint32_t b = argb & 0xFF;
    return (r >> f->Rloss) << f->Rshift | (g >> f->Gloss) << f->Gshift |
           (b >> f->Bloss) << f->Bshift | f->Amask;
}

void ConvertRow(const uint32_t* src, uint8_t* dst, int32_t count, const SDL_PixelFormat* f) {
    switch (f->BytesPerPixel) {
    case 2:
        for (int32_t x = 0; x < count; ++x) {
            auto value = static_cast<uint16_t>(MapPixel(f, src[x]));
            std::memcpy(dst + x * 2, &value, 2);
        }
        break;
    case 3:
        for (int32_t x = 0; x < count; ++x) {
            uint32_t value = MapPixel(f, src[x]);
            // SDL keeps 24-bit pixels in the machine's byte order.
            std::memcpy(dst + x * 3, &value, 3);
        }
        break;
    case 4:
        for (int32_t x = 0; x < count; ++x) {
            uint32_t value = MapPixel(f, src[x]);
            std::memcpy(dst + x * 4, &value, 4);
        }
        break;
    default:
        break; // palettised modes are not offered by the renderer
    }
}

} // namespace

void CopyToSurface(const uint32_t* backBuffer, int32_t width, int32_t height,
                   SDL_Surface* surface) {
    if (surface == nullptr || (surface->pixels == nullptr && !SDL_MUSTLOCK(surface)))
        return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return;
    int32_t w = std::min(width, surface->w);
    int32_t h = std::min(height, surface->h);
    const SDL_PixelFormat* format = surface->format;
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    for (int32_t y = 0; pixels != nullptr && y < h; ++y) {
        const uint32_t* src = backBuffer + static_cast<size_t>(y) * width;
        uint8_t* dst = pixels + static_cast<size_t>(y) * surface->pitch;
        if (IsArgbLayout(format))
            std::memcpy(dst, src, static_cast<size_t>(w) * 4);
        else
            ConvertRow(src, dst, w, format);
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
}

void ReadBackRgb(const uint32_t* backBuffer, int32_t width, int32_t height, uint8_t* rgb,
                 int32_t outWidth, int32_t outHeight) {
    std::memset(rgb, 0, static_cast<size_t>(outWidth) * outHeight * 3);
    int32_t rows = std::min(outHeight, height);
    int32_t columns = std::min(outWidth, width);
    for (int32_t r = 0; r < rows; ++r) {
        const uint32_t* src = backBuffer + static_cast<size_t>(height - 1 - r) * width;
        uint8_t* dst = rgb + static_cast<size_t>(r) * outWidth * 3;
        for (int32_t x = 0; x < columns; ++x) {
            dst[x * 3] = static_cast<uint8_t>(src[x] >> 16);
            dst[x * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
            dst[x * 3 + 2] = static_cast<uint8_t>(src[x]);
        }
    }
}
