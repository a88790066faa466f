// Bilinear filtering of the software Direct3D 9 device over whole rows, as
// its axis-aligned rectangles use it: two texel rows blended down into one,
// then each pixel blended across from two texels of that row. Every step
// rounds as LerpTexel does, whichever path computes it.
#pragma once

#include <cstdint>

// a + (b - a) * w / 256 in each channel, rounded to nearest; w is 0..256.
// Two channels a multiply: no channel's sum reaches the next one.
inline uint32_t LerpTexel(uint32_t a, uint32_t b, uint32_t w) {
    uint32_t keep = 256 - w;
    uint32_t redBlue = ((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * w + 0x00800080u) >> 8;
    uint32_t alphaGreen =
        ((a >> 8) & 0x00FF00FFu) * keep + ((b >> 8) & 0x00FF00FFu) * w + 0x00800080u;
    return (redBlue & 0x00FF00FFu) | (alphaGreen & 0xFF00FF00u);
}

// The weight of a pixel's second texel with the weight of its first, as
// LerpTexelColumns reads them: 256 - w in the low half, w in the high.
inline uint32_t PackLerpWeight(uint32_t w) {
    return (256 - w) | w << 16;
}

// out[c] = LerpTexel(top[c], bottom[c], w) for c in [0, count).
void LerpTexelRows(uint32_t* out, const uint32_t* top, const uint32_t* bottom, int32_t count,
                   uint32_t w);

// out[i] = LerpTexel(texels[first[i]], texels[second[i]], w) for i in
// [0, count), with w from weights[i] (PackLerpWeight).
void LerpTexelColumns(uint32_t* out, const uint32_t* texels, const int32_t* first,
                      const int32_t* second, const uint32_t* weights, int32_t count);
