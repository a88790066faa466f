// PNG files for tests, written through libpng's write API, with the 32-bit
// ARGB pixels a loader should make of them.
#pragma once

#include <cstdint>
#include <vector>

enum class PngColour { Grey, GreyAlpha, Rgb, Rgba, Palette };

struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    PngColour colour = PngColour::Rgb;
    int bitDepth = 8; // 1, 2, 4, 8 or 16 as the colour type allows
    bool interlaced = false;
    // Per pixel, per channel in PNG order (grey, alpha / red, green, blue,
    // alpha / palette index), each at the picture's bit depth.
    std::vector<uint16_t> samples;
    std::vector<uint8_t> palette; // red, green, blue triples
    std::vector<uint8_t> trns;    // palette alpha; empty: no tRNS chunk
};

enum class PngDamage {
    None,
    IdatByte, // one byte of the first IDAT's data flipped (its CRC no longer matches)
    Truncated // the file cut inside its image data
};

int PngChannelCount(PngColour colour);

std::vector<uint8_t> WritePng(const PngPicture& picture, PngDamage damage = PngDamage::None);

// A deterministic picture with varied samples (palettes with 2^depth
// colours, tRNS when `withTrns`).
PngPicture MakeTestPicture(PngColour colour, int bitDepth, uint32_t width, uint32_t height,
                           uint32_t seed, bool withTrns = false);

// The pixels as 0xAARRGGBB: 16-bit samples keep their high byte, grey
// becomes three equal channels, opaque pictures get alpha 255.
std::vector<uint32_t> ExpectedArgb(const PngPicture& picture);

// An 8-bit RGBA PNG of 0xAARRGGBB pixels, row by row.
std::vector<uint8_t> ArgbPng(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb);
// A PNG of one colour.
std::vector<uint8_t> SolidPng(uint32_t width, uint32_t height, uint32_t argb);
