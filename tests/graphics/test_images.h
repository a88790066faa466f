// Pictures made in code for the graphics tests, and a few pixel helpers.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/image.h"

// Opaque pattern that differs at every pixel of a picture up to 256 wide:
// red = x, green = y, blue = a mix of both.
inline uint32_t PatternPixel(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x & 0xFF) << 16 |
           static_cast<uint32_t>(y & 0xFF) << 8 | static_cast<uint32_t>((x * 7 + y * 13) & 0xFF);
}

// A 32-bit software image filled with PatternPixel.
inline Image* MakePatternImage(int32_t width, int32_t height, uint16_t extraFlags = 0) {
    Image* image = CreateImage(width, height, static_cast<uint16_t>(IMAGE_FMT_32 | extraFlags));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image->pixels[y * width + x] = PatternPixel(x, y);
    return image;
}

// A 32-bit software image of one colour.
inline Image* MakeSolidImage(int32_t width, int32_t height, uint32_t colour,
                             uint16_t extraFlags = 0) {
    Image* image = CreateImage(width, height, static_cast<uint16_t>(IMAGE_FMT_32 | extraFlags));
    for (int32_t i = 0; i < width * height; ++i)
        image->pixels[i] = colour;
    return image;
}

// Smooth colours, so that point and linear sampling differ only a little.
inline Image* MakeGradientImage(int32_t w, int32_t h) {
    Image* image = CreateImage(w, h, IMAGE_FMT_32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            image->pixels[y * w + x] = 0xFF000000u |
                                       static_cast<uint32_t>(x * 255 / (w - 1)) << 16 |
                                       static_cast<uint32_t>(y * 255 / (h - 1)) << 8 | 0x40u;
    return image;
}

inline uint32_t PixelAt(const Image* image, int32_t x, int32_t y) {
    return image->pixels[y * image->width + x];
}

inline int32_t Channel(uint32_t pixel, int shift) {
    return static_cast<int32_t>((pixel >> shift) & 0xFF);
}

// Largest difference of any channel between two pixels.
inline int32_t PixelDistance(uint32_t a, uint32_t b) {
    int32_t worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int32_t d = Channel(a, shift) - Channel(b, shift);
        if (d < 0)
            d = -d;
        if (d > worst)
            worst = d;
    }
    return worst;
}

// A READ_SCREEN-layout buffer (RGB, bottom row first) read as opaque ARGB.
inline uint32_t ScreenPixel(const std::vector<uint8_t>& rgb, int32_t x, int32_t y,
                            int32_t width = 800, int32_t height = 600) {
    size_t offset = (static_cast<size_t>(height - 1 - y) * width + x) * 3;
    return 0xFF000000u | static_cast<uint32_t>(rgb[offset]) << 16 |
           static_cast<uint32_t>(rgb[offset + 1]) << 8 | rgb[offset + 2];
}
