// Drawing into images in memory: clipping, mirrors, blending and fills,
// checked pixel by pixel with guard pixels around everything drawn.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "graphics/software_draw.h"
#include "tests/graphics/test_images.h"

namespace {

constexpr uint32_t kGuard = 0x12345678u;

struct Target {
    Image* image;
    explicit Target(int32_t w = 128, int32_t h = 32) : image(MakeSolidImage(w, h, kGuard)) {}
    ~Target() { FreeImage(&image); }
};

SpriteRecord Blit(Image* source, Image* target, int32_t x, int32_t y, uint16_t flags = 0) {
    SpriteRecord r = {};
    r.source = source;
    InitSpriteRecord(&r, target);
    r.x = x;
    r.y = y;
    r.flags = flags;
    return r;
}

// Every target pixel equals `expected(x, y)`, where the function returns
// kGuard for pixels that must stay untouched.
template <typename F> void ExpectPixels(const Image* target, F expected) {
    int failures = 0;
    for (int32_t y = 0; y < target->height && failures < 5; ++y)
        for (int32_t x = 0; x < target->width && failures < 5; ++x)
            if (PixelAt(target, x, y) != expected(x, y)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                              << PixelAt(target, x, y) << ", expected " << expected(x, y);
                ++failures;
            }
}

TEST(SoftwareBlitClip, LeftEdgeDropsTheFirstColumns) {
    Image* source = MakePatternImage(100, 30);
    Target t;
    SpriteRecord r = Blit(source, t.image, -10, 0);
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        return x < 90 && y < 30 ? PatternPixel(x + 10, y) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitClip, RightAndBottomEdges) {
    Image* source = MakePatternImage(40, 30);
    Target t;
    SpriteRecord r = Blit(source, t.image, 100, 20);
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        return x >= 100 && y >= 20 ? PatternPixel(x - 100, y - 20) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitClip, TopEdgeAndPartialSource) {
    Image* source = MakePatternImage(40, 30);
    Target t;
    SpriteRecord r = Blit(source, t.image, 5, -4);
    r.sourceX = 8;
    r.sourceY = 2;
    r.width = 10;
    r.height = 12;
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        return x >= 5 && x < 15 && y < 8 ? PatternPixel(x - 5 + 8, y + 4 + 2) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitClip, NegativeSizeTakesTheRestOfTheSource) {
    Image* source = MakePatternImage(20, 10);
    Target t;
    SpriteRecord r = Blit(source, t.image, 0, 0);
    r.sourceX = 15;
    r.sourceY = 6;
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        return x < 5 && y < 4 ? PatternPixel(x + 15, y + 6) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitClip, NegativeSourceOffsetIsClippedNotReadBeforeTheRow) {
    Image* source = MakePatternImage(20, 10);
    Target t;
    SpriteRecord r = Blit(source, t.image, 10, 10);
    r.sourceX = -3;
    r.sourceY = -2;
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        bool inside = x >= 13 && x < 33 && y >= 12 && y < 22;
        return inside ? PatternPixel(x - 13, y - 12) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitClip, OutsideTheTargetOrEmptyDrawsNothing) {
    Image* source = MakePatternImage(20, 10);
    Target t;
    const int32_t positions[][2] = {{128, 0}, {0, 32}, {-20, 0}, {0, -10}, {5000, 5000}};
    for (const auto& p : positions) {
        SpriteRecord r = Blit(source, t.image, p[0], p[1]);
        SoftwareBlit(&r);
    }
    SpriteRecord r = Blit(source, t.image, 0, 0);
    r.sourceX = 20;
    SoftwareBlit(&r);
    r.sourceX = 0;
    r.width = 0;
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t, int32_t) { return kGuard; });
    FreeImage(&source);
}

TEST(SoftwareBlitMirror, MirrorXAndYReverseTheSource) {
    Image* source = MakePatternImage(7, 5);
    Target t(16, 8);
    SpriteRecord r = Blit(source, t.image, 2, 1, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        bool inside = x >= 2 && x < 9 && y >= 1 && y < 6;
        return inside ? PatternPixel(6 - (x - 2), 4 - (y - 1)) : kGuard;
    });
    FreeImage(&source);
}

TEST(SoftwareBlitMirror, OnePixelWideMirrorEqualsACopy) {
    Image* source = MakePatternImage(1, 6);
    Target a(4, 8), b(4, 8);
    SpriteRecord r = Blit(source, a.image, 1, 1, SPRITE_FLAG_MIRROR_X);
    SoftwareBlit(&r);
    r = Blit(source, b.image, 1, 1);
    SoftwareBlit(&r);
    ExpectPixels(a.image, [&](int32_t x, int32_t y) { return PixelAt(b.image, x, y); });
    FreeImage(&source);
}

// A mirrored picture pushed past the left edge loses the columns that the
// mirror puts on the left: its right-hand columns.
TEST(SoftwareBlitMirror, ClippedMirrorShowsTheSamePixelsAsUnclipped) {
    Image* source = MakePatternImage(12, 6);
    Target wide(40, 10), clipped(40, 10);
    SpriteRecord r = Blit(source, wide.image, 10, 2, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    SoftwareBlit(&r);
    r = Blit(source, clipped.image, -4, -3, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    SoftwareBlit(&r);
    ExpectPixels(clipped.image, [&](int32_t x, int32_t y) {
        return x < 8 && y < 3 ? PixelAt(wide.image, x + 14, y + 5) : kGuard;
    });
    FreeImage(&source);
}

// f * a + b * (255 - a) over 255, channel by channel, alpha included.
uint32_t ReferenceBlend(uint32_t fg, uint32_t bg, int a) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double v = (Channel(fg, shift) * a + Channel(bg, shift) * (255.0 - a)) / 255.0;
        out |= static_cast<uint32_t>(std::lround(v)) << shift;
    }
    return out;
}

// Every (foreground, background, alpha): the nearest integer to the exact
// blend, the same in all four channels.
TEST(SoftwareBlend, EveryCombinationRoundsToTheNearest) {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t f = 0; f < 256; ++f)
            for (uint32_t b = 0; b < 256; ++b) {
                uint32_t exact2 = 2 * (f * a + b * (255 - a));
                uint32_t expected = (exact2 + 255) / 510; // halves never occur
                uint32_t got = BlendPixel(f * 0x01010101u, b * 0x01010101u, a);
                if (got != expected * 0x01010101u)
                    FAIL() << "f " << f << " b " << b << " a " << a << ": " << std::hex << got;
            }
}

TEST(SoftwareBlend, FullAlphaGivesTheForegroundAndZeroTheBackground) {
    for (uint32_t f : {0u, 1u, 0x7Fu, 0xFEu, 0xFFu})
        for (uint32_t b : {0u, 0x80u, 0xFFu}) {
            uint32_t fg = f * 0x01010101u, bg = b * 0x01010101u;
            EXPECT_EQ(BlendPixel(fg, bg, 255), fg);
            EXPECT_EQ(BlendPixel(fg, bg, 0), bg);
        }
}

TEST(SoftwareBlend, BlitBlendsWithEachSourcePixelsOwnAlpha) {
    Image* source = CreateImage(4, 1, IMAGE_FMT_32);
    source->pixels[0] = 0;           // empty: target kept
    source->pixels[1] = 0xFF000000u; // opaque black: blends like any pixel
    source->pixels[2] = 0x80FFFFFFu; // half white
    source->pixels[3] = 0xFF20C040u; // opaque colour
    Target t(4, 1);
    for (int i = 0; i < 4; ++i)
        t.image->pixels[i] = 0xFF204060u;
    SpriteRecord r = Blit(source, t.image, 0, 0, SPRITE_FLAG_ALPHA);
    SoftwareBlit(&r);
    EXPECT_EQ(PixelAt(t.image, 0, 0), 0xFF204060u);
    EXPECT_LE(PixelDistance(PixelAt(t.image, 1, 0), 0xFF000000u), 1);
    EXPECT_LE(PixelDistance(PixelAt(t.image, 2, 0), ReferenceBlend(0x80FFFFFFu, 0xFF204060u, 0x80)),
              1);
    EXPECT_LE(PixelDistance(PixelAt(t.image, 3, 0), 0xFF20C040u), 1);
    FreeImage(&source);
}

TEST(SoftwareMask, PixelsOtherThan255TakeTheColoursLowByte) {
    Image* source = CreateImage(3, 1, IMAGE_FMT_32);
    source->pixels[0] = 255;
    source->pixels[1] = 0;
    source->pixels[2] = 0xFF0000FFu;
    Target t(3, 1);
    SpriteRecord r = Blit(source, t.image, 0, 0, SPRITE_FLAG_MASK);
    r.colour = 0xABCDEF42u;
    SoftwareBlit(&r);
    EXPECT_EQ(PixelAt(t.image, 0, 0), kGuard);
    EXPECT_EQ(PixelAt(t.image, 1, 0), 0x42u);
    EXPECT_EQ(PixelAt(t.image, 2, 0), 0x42u);
    // Mask with alpha remaps through a table that does not fit 32-bit pixels.
    Target untouched(3, 1);
    r = Blit(source, untouched.image, 0, 0, SPRITE_FLAG_MASK | SPRITE_FLAG_ALPHA);
    SoftwareBlit(&r);
    ExpectPixels(untouched.image, [](int32_t, int32_t) { return kGuard; });
    FreeImage(&source);
}

TEST(SoftwareBlitFormats, OnlyTwo32BitImagesWithPixelsAreDrawn) {
    Image* source = MakePatternImage(4, 4);
    Image* image16 = CreateImage(4, 4, IMAGE_FMT_16 | IMAGE_FLAG_ALPHA_PLANE);
    Image* noPixels = CreateImage(4, 4, IMAGE_FMT_32);
    FreeAndNull(&noPixels->pixels);
    Target t(8, 8);
    SpriteRecord r = Blit(image16, t.image, 0, 0);
    SoftwareBlit(&r);
    r = Blit(noPixels, t.image, 0, 0);
    SoftwareBlit(&r);
    r = Blit(source, noPixels, 0, 0);
    SoftwareBlit(&r);
    r = Blit(source, image16, 0, 0);
    SoftwareBlit(&r);
    ExpectPixels(t.image, [](int32_t, int32_t) { return kGuard; });
    FreeImage(&source);
    FreeImage(&image16);
    FreeImage(&noPixels);
}

SpriteRecord Fill(Image* target, int32_t x, int32_t y, int32_t w, int32_t h, uint16_t mode,
                  uint32_t colour) {
    SpriteRecord r = {};
    InitSpriteRecord(&r, target);
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    r.flags = mode;
    r.colour = colour;
    return r;
}

TEST(SoftwareFill, SolidFillIsClippedAtAllFourEdges) {
    Target t(10, 8);
    SpriteRecord r = Fill(t.image, -3, -2, 6, 5, FILL_MODE_SOLID, 0xFF00FF00u);
    SoftwareFillRect(&r);
    r = Fill(t.image, 7, 6, 10, 10, FILL_MODE_SOLID, 0xFF0000FFu);
    SoftwareFillRect(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        if (x < 3 && y < 3)
            return 0xFF00FF00u;
        if (x >= 7 && y >= 6)
            return 0xFF0000FFu;
        return kGuard;
    });
}

TEST(SoftwareFill, CheckerOnTwoByTwoSetsTheDiagonal) {
    Target t(4, 4);
    SpriteRecord r = Fill(t.image, 1, 1, 2, 2, FILL_MODE_CHECKER, 0xFFFFFFFFu);
    SoftwareFillRect(&r);
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        return (x == 1 && y == 1) || (x == 2 && y == 2) ? 0xFFFFFFFFu : kGuard;
    });
}

TEST(SoftwareFill, CheckerCountsRowsFromTheBottom) {
    Target t(5, 3);
    SpriteRecord r = Fill(t.image, 0, 0, 5, 3, FILL_MODE_CHECKER, 1u);
    SoftwareFillRect(&r);
    // Row 0 counts 3 (odd offsets), row 1 counts 2 (even), row 2 counts 1.
    ExpectPixels(t.image, [](int32_t x, int32_t y) {
        bool evenRow = y == 1;
        return (x % 2 == 0) == evenRow ? 1u : kGuard;
    });
}

TEST(SoftwareFill, BlendModeUsesTheColoursAlpha) {
    Target t(2, 2);
    for (int i = 0; i < 4; ++i)
        t.image->pixels[i] = 0xFF000000u;
    SpriteRecord r = Fill(t.image, 0, 0, 2, 2, FILL_MODE_BLEND, 0x80FF8040u);
    SoftwareFillRect(&r);
    for (int i = 0; i < 4; ++i)
        EXPECT_LE(PixelDistance(t.image->pixels[i], ReferenceBlend(0x80FF8040u, 0xFF000000u, 0x80)),
                  1);
}

TEST(SoftwareFill, OtherModesAndEmptyRectanglesDrawNothing) {
    Target t(6, 6);
    for (uint16_t mode : {2, 3, 4, 5, 6, 7, 9, 0x40}) {
        SpriteRecord r = Fill(t.image, 0, 0, 6, 6, mode, 0xFFFFFFFFu);
        SoftwareFillRect(&r);
    }
    SpriteRecord r = Fill(t.image, 2, 2, -3, 4, FILL_MODE_SOLID, 1u);
    SoftwareFillRect(&r);
    r = Fill(t.image, 2, 2, 4, 0, FILL_MODE_SOLID, 1u);
    SoftwareFillRect(&r);
    ExpectPixels(t.image, [](int32_t, int32_t) { return kGuard; });
}

} // namespace
