// Reduction to 4 bits a channel: exact truncation, and the invariants of the
// error-diffusion dithering.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/colour_reduce.h"
#include "tests/graphics/test_images.h"

namespace {

std::vector<uint32_t> PatternPixels(int32_t w, int32_t h) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels[y * w + x] = PatternPixel(x * 3, y * 5) ^ static_cast<uint32_t>(x * y) << 24;
    return pixels;
}

int Nibble(uint16_t packed, int channel) {
    return (packed >> (12 - channel * 4)) & 0xF;
}

TEST(TruncToArgb4444, KeepsEachChannelsTopFourBits) {
    std::vector<uint32_t> src = PatternPixels(13, 7);
    std::vector<uint16_t> dst(13 * 7);
    TruncToArgb4444(src.data(), dst.data(), 13, 7, 13 * 2);
    for (size_t i = 0; i < src.size(); ++i) {
        uint32_t p = src[i];
        uint16_t expected = static_cast<uint16_t>((p >> 28) << 12 | ((p >> 20) & 0xF) << 8 |
                                                  ((p >> 12) & 0xF) << 4 | ((p >> 4) & 0xF));
        ASSERT_EQ(dst[i], expected) << i;
    }
}

TEST(ColourReduction, WideDestinationPitchIsHonoured) {
    const int32_t w = 5, h = 4, pitchUnits = 9;
    std::vector<uint32_t> src = PatternPixels(w, h);
    for (auto reduce : {&TruncToArgb4444, &DitherToArgb4444}) {
        std::vector<uint16_t> dst(pitchUnits * h, 0xBEEF);
        reduce(src.data(), dst.data(), w, h, pitchUnits * 2);
        std::vector<uint16_t> packed(w * h);
        reduce(src.data(), packed.data(), w, h, w * 2);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < pitchUnits; ++x) {
                uint16_t got = dst[y * pitchUnits + x];
                if (x < w)
                    EXPECT_EQ(got, packed[y * w + x]);
                else
                    EXPECT_EQ(got, 0xBEEF) << "padding written at " << x << ", " << y;
            }
    }
}

TEST(DitherToArgb4444, FullAndEmptyChannelsStayExtreme) {
    const int32_t w = 31, h = 17;
    std::vector<uint32_t> src(w * h);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = (i % 3 == 0) ? 0xFF00FF00u : (i % 3 == 1 ? 0x00FF00FFu : 0xFF0000FFu);
    std::vector<uint16_t> dst(w * h);
    DitherToArgb4444(src.data(), dst.data(), w, h, w * 2);
    for (size_t i = 0; i < src.size(); ++i)
        for (int ch = 0; ch < 4; ++ch) {
            int value = Channel(src[i], 24 - ch * 8);
            ASSERT_EQ(Nibble(dst[i], ch), value == 255 ? 15 : 0) << i << " channel " << ch;
        }
}

TEST(DitherToArgb4444, FlatGreyAveragesToItsValueWithTwoAdjacentNibbles) {
    const int32_t w = 64, h = 64;
    for (uint32_t grey : {3u, 40u, 100u, 127u, 200u, 237u}) {
        std::vector<uint32_t> src(w * h, grey * 0x01010101u);
        std::vector<uint16_t> dst(w * h);
        DitherToArgb4444(src.data(), dst.data(), w, h, w * 2);
        for (int ch = 0; ch < 4; ++ch) {
            double sum = 0;
            int low = 15, high = 0;
            for (uint16_t p : dst) {
                int n = Nibble(p, ch);
                sum += n;
                low = std::min(low, n);
                high = std::max(high, n);
            }
            EXPECT_NEAR(sum / dst.size(), grey / 16.0, 0.05) << "grey " << grey;
            EXPECT_LE(high - low, 1) << "grey " << grey;
        }
    }
}

// The dithering written out plainly: 12-bit units, serpentine rows, the
// remainder spread 7/16 along the row and 3/16, 5/16, 1/16 below.
std::vector<uint16_t> ReferenceDither(const std::vector<uint32_t>& src, int32_t w, int32_t h) {
    std::vector<uint16_t> out(src.size());
    std::vector<int> above(w * 4, 0), below(w * 4, 0);
    for (int32_t y = 0; y < h; ++y) {
        std::fill(below.begin(), below.end(), 0);
        int carry[4] = {0, 0, 0, 0};
        for (int32_t i = 0; i < w; ++i) {
            int32_t x = (y % 2 == 0) ? i : w - 1 - i;
            uint16_t packed = 0;
            for (int ch = 0; ch < 4; ++ch) {
                int c = Channel(src[y * w + x], 24 - ch * 8);
                int value = c * 16 + (carry[ch] + above[x * 4 + ch]) / 16;
                value = std::min(std::max(value, 0), 4095);
                int n = value >> 8;
                int e = value - (n << 8);
                carry[ch] = 7 * e;
                if (x > 0)
                    below[(x - 1) * 4 + ch] += 3 * e;
                below[x * 4 + ch] += 5 * e;
                if (x + 1 < w)
                    below[(x + 1) * 4 + ch] += e;
                packed = static_cast<uint16_t>(packed | n << (12 - ch * 4));
            }
            out[y * w + x] = packed;
        }
        std::swap(above, below);
    }
    return out;
}

TEST(DitherToArgb4444, MatchesThePlainlyWrittenAlgorithm) {
    for (auto size : {std::pair<int32_t, int32_t>{1, 1}, {1, 9}, {9, 1}, {37, 21}, {64, 64}}) {
        int32_t w = size.first, h = size.second;
        std::vector<uint32_t> src(w * h);
        uint32_t state = 99;
        for (uint32_t& p : src) {
            state = state * 1664525u + 1013904223u;
            p = state;
        }
        std::vector<uint16_t> got(w * h);
        DitherToArgb4444(src.data(), got.data(), w, h, w * 2);
        EXPECT_EQ(got, ReferenceDither(src, w, h)) << w << " x " << h;
    }
}

TEST(DitherInPlace4bit, GivesTheSameNibblesAsDitherToArgb4444) {
    const int32_t w = 23, h = 11;
    std::vector<uint32_t> src = PatternPixels(w, h);
    std::vector<uint16_t> packed(w * h);
    DitherToArgb4444(src.data(), packed.data(), w, h, w * 2);
    std::vector<uint32_t> inPlace = src;
    DitherInPlace4bit(inPlace.data(), w, h, w * 4);
    for (size_t i = 0; i < src.size(); ++i) {
        uint32_t expected = 0;
        for (int ch = 0; ch < 4; ++ch)
            expected |= static_cast<uint32_t>(Nibble(packed[i], ch)) << (28 - ch * 8);
        ASSERT_EQ(inPlace[i], expected) << i;
    }
}

TEST(DitherInPlace4bit, RowsBeyondTheWidthAreUntouched) {
    const int32_t w = 3, h = 3, pitchPixels = 5;
    std::vector<uint32_t> pixels(pitchPixels * h, 0x77777777u);
    DitherInPlace4bit(pixels.data(), w, h, pitchPixels * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = w; x < pitchPixels; ++x)
            EXPECT_EQ(pixels[y * pitchPixels + x], 0x77777777u);
    EXPECT_EQ(pixels[0], 0x70707070u);
}

TEST(ColourReduction, EmptyPicturesWriteNothing) {
    uint32_t src = 0xFFFFFFFFu;
    uint16_t dst = 0x1234;
    DitherToArgb4444(&src, &dst, 1, 0, 2);
    DitherToArgb4444(&src, &dst, 0, 1, 2);
    TruncToArgb4444(&src, &dst, 1, 0, 2);
    DitherInPlace4bit(&src, 0, 1, 4);
    EXPECT_EQ(dst, 0x1234);
    EXPECT_EQ(src, 0xFFFFFFFFu);
}

} // namespace
