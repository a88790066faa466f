// The movie's 24-bit frames into 32-bit pixels, four at a time with the
// leftover ones one by one: every length gives each pixel its own three
// bytes, and nothing is read past the frame (the bytes end exactly there).
#include <gtest/gtest.h>

#include <vector>

#include "menus/splash.h"

namespace {

TEST(MovieFrameConvert, EveryLengthMatchesPixelByPixel) {
    uint32_t state = 5;
    for (int32_t count = 0; count <= 13; ++count) {
        std::vector<uint8_t> bgr(static_cast<size_t>(count) * 3);
        for (uint8_t& byte : bgr) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(state >> 24);
        }
        std::vector<uint32_t> argb(static_cast<size_t>(count) + 1, 0x12345678u);
        ConvertBgrFrame(bgr.data(), argb.data(), count);
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* p = &bgr[static_cast<size_t>(i) * 3];
            uint32_t want = 0xFF000000u | static_cast<uint32_t>(p[2]) << 16 |
                            static_cast<uint32_t>(p[1]) << 8 | p[0];
            ASSERT_EQ(argb[i], want) << "pixel " << i << " of " << count;
        }
        EXPECT_EQ(argb[count], 0x12345678u) << count;
    }
}

} // namespace
