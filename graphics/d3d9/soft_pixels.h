// Per-pixel arithmetic of the software Direct3D 9 device: texture times
// diffuse, and source-alpha blending, on 32-bit ARGB words. The rounding is
// the one Mesa's llvmpipe uses for the same operations, so that a scene
// drawn through either renderer lands on the same bytes:
//   modulate  x * y / 255 rounded to nearest;
//   blend     s * a + d * (255 - a), each product by llvmpipe's quick
//             division by 255, the sum saturated.
#pragma once

#include <cstdint>

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// x * y / 255, rounded to nearest.
inline uint32_t MulRound255(uint32_t x, uint32_t y) {
    uint32_t t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// llvmpipe's unorm8 product: close to x * y / 255, but not always rounded
// to nearest.
inline uint32_t MulBlend255(uint32_t x, uint32_t y) {
    uint32_t t = x * y;
    return (t + (t >> 8) + 128) >> 8;
}

inline uint32_t ModulatePixel(uint32_t texel, uint32_t diffuse) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= MulRound255((texel >> shift) & 0xFF, (diffuse >> shift) & 0xFF) << shift;
    return out;
}

// All four channels, alpha included, with the source's own alpha.
inline uint32_t BlendPixel(uint32_t src, uint32_t dst) {
    uint32_t a = src >> 24;
    uint32_t inv = 255 - a;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c =
            MulBlend255((src >> shift) & 0xFF, a) + MulBlend255((dst >> shift) & 0xFF, inv);
        out |= (c > 255 ? 255 : c) << shift;
    }
    return out;
}

// One row of `count` source pixels onto `dst`: each source pixel is first
// multiplied by `diffuse` (skipped for opaque white), then blended over the
// target when `blend` is set, else written.
void ShadeRow(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse, bool blend);
// One row of a single colour.
void ShadeRowSolid(uint32_t* dst, int32_t count, uint32_t colour, bool blend);
// The AVX2 part of ShadeRow: whole groups of eight pixels from the row's
// start; returns how many pixels it did. Only when CpuHasAvx2().
int32_t ShadeRowAvx2(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse,
                     bool blend);
bool CpuHasAvx2();
// The same rows pixel by pixel with the scalar functions above; tests
// compare the fast rows against them.
void ShadeRowReference(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse,
                       bool blend);
