// The OpenGL renderer on Mesa under Xvfb: uploads, sprites, fills, meshes
// and the read-back, checked on the pixels read back from the back buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include <GL/gl.h>

#include "graphics/colour_reduce.h"
#include "graphics/image.h"
#include "graphics/opengl/gl_renderer.h"
#include "graphics/renderer.h"
#include "tests/graphics/gl_screen.h"
#include "tests/graphics/screen_draw.h"
#include "tests/graphics/test_images.h"

namespace {

// Checks every screen pixel of the rectangle against expected(x, y) within
// `tolerance`, reporting the first few differences.
template <typename F>
void ExpectScreen(const std::vector<uint8_t>& screen, int32_t left, int32_t top, int32_t w,
                  int32_t h, F expected, int32_t tolerance = 0) {
    int failures = 0;
    for (int32_t y = top; y < top + h && failures < 5; ++y)
        for (int32_t x = left; x < left + w && failures < 5; ++x) {
            uint32_t got = ScreenPixel(screen, x, y);
            uint32_t want = expected(x, y) | 0xFF000000u;
            if (PixelDistance(got, want) > tolerance) {
                ADD_FAILURE() << "screen (" << x << ", " << y << ") is " << std::hex << got
                              << ", expected " << want;
                ++failures;
            }
        }
}

class GlRenderer : public GlScreenTest {};

TEST_F(GlRenderer, UploadMakesAPaddedTextureAndDropsThePixels) {
    Image* image = MakePatternImage(100, 30, IMAGE_FLAG_FULLCOLOUR);
    UploadTexture(image);
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    EXPECT_EQ(image->pixels, nullptr);
    ASSERT_NE(image->texture, nullptr);
    EXPECT_NE(image->texture->handle, 0u);
    EXPECT_EQ(image->texture->leftU, 0.0f);
    EXPECT_EQ(image->texture->topV, 0.0f);
    EXPECT_EQ(image->texture->rightU, 100.0f / 128.0f);
    EXPECT_EQ(image->texture->bottomV, 30.0f / 32.0f);
    EXPECT_EQ(FormatBytesPerPixel(image->flags), 1);
    UploadTexture(image); // nothing left to upload
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    Image* dot = MakeSolidImage(1, 1, 0xFFFFFFFFu);
    UploadTexture(dot);
    EXPECT_EQ(dot->texture->rightU, 1.0f);
    EXPECT_EQ(dot->texture->bottomV, 1.0f);
    FreeImage(&image);
    FreeImage(&dot);
}

TEST_F(GlRenderer, OneToOneSpriteIsPixelExact) {
    Image* image = MakePatternImage(100, 30);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 13, 7);
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(screen, 13, 7, 100, 30,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 13, y - 7); });
    ExpectScreen(screen, 12, 6, 102, 1, [](int32_t, int32_t) { return 0u; });
    ExpectScreen(screen, 113, 7, 1, 30, [](int32_t, int32_t) { return 0u; });
    ExpectScreen(screen, 13, 37, 100, 1, [](int32_t, int32_t) { return 0u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, SoftwareImageIsUploadedWhenFirstDrawn) {
    Image* image = MakePatternImage(20, 10);
    SpriteRecord r = ScreenSprite(image, 0, 0);
    DrawSprite(&r);
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    ExpectScreen(Screen(), 0, 0, 20, 10, [](int32_t x, int32_t y) { return PatternPixel(x, y); });
    FreeImage(&image);
}

TEST_F(GlRenderer, TextureBackedSourceLandsOnTheScreenWhateverTheTarget) {
    Image* image = MakePatternImage(30, 20);
    UploadTexture(image);
    Image* target = MakeSolidImage(64, 64, 0xFF00FF00u);
    SpriteRecord r = ScreenSprite(image, 41, 23);
    r.target = target;
    DrawSprite(&r);
    ExpectScreen(Screen(), 41, 23, 30, 20,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 41, y - 23); });
    EXPECT_EQ(PixelAt(target, 41, 23), 0xFF00FF00u);
    FreeImage(&image);
    FreeImage(&target);
}

TEST_F(GlRenderer, HiddenSoftwareImageIsDrawnOnTheScreen) {
    Image* image = MakePatternImage(12, 12, IMAGE_FLAG_HIDDEN);
    SpriteRecord r = ScreenSprite(image, 5, 5);
    DrawSprite(&r);
    ExpectScreen(Screen(), 5, 5, 12, 12,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 5, y - 5); });
    FreeImage(&image);
}

TEST_F(GlRenderer, PartialSourceTakesTheRightTexels) {
    Image* image = MakePatternImage(64, 64);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 201, 101);
    r.sourceX = 16;
    r.width = 16;
    r.sourceY = 8;
    r.height = 20;
    DrawSprite(&r);
    ExpectScreen(Screen(), 201, 101, 16, 20,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 201 + 16, y - 101 + 8); });
    FreeImage(&image);
}

TEST_F(GlRenderer, NegativeWidthDrawsTheRestOfTheSource) {
    Image* image = MakePatternImage(64, 16);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 50, 50);
    r.sourceX = 40;
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(screen, 50, 50, 24, 16,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 50 + 40, y - 50); });
    ExpectScreen(screen, 74, 50, 1, 16, [](int32_t, int32_t) { return 0u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, MirrorsSwapColumnsAndRows) {
    Image* image = MakePatternImage(9, 5);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 31, 17, SPRITE_FLAG_MIRROR_X);
    DrawSprite(&r);
    r = ScreenSprite(image, 61, 17, SPRITE_FLAG_MIRROR_Y);
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(screen, 31, 17, 9, 5,
                 [](int32_t x, int32_t y) { return PatternPixel(8 - (x - 31), y - 17); });
    ExpectScreen(screen, 61, 17, 9, 5,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 61, 4 - (y - 17)); });
    FreeImage(&image);
}

TEST_F(GlRenderer, IdentityTransformIsThePlainQuadMovedByThePivot) {
    Image* image = MakePatternImage(24, 12);
    UploadTexture(image);
    SpriteTransform t = {1.0f, 1.0f, 5, 3, 0.0f, 5, 3, 1.0f, 1.0f, 1.0f, 1.0f};
    SpriteRecord r = ScreenSprite(image, 105, 53, SPRITE_FLAG_TRANSFORM);
    r.transform = &t;
    DrawSprite(&r);
    ExpectScreen(Screen(), 100, 50, 24, 12,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 100, y - 50); });
    FreeImage(&image);
}

TEST_F(GlRenderer, TransformScalesAndTakesItsColour) {
    Image* image = MakeSolidImage(8, 4, 0xFFFFFFFFu);
    UploadTexture(image);
    SpriteTransform t = {2.0f, 3.0f, 0, 0, 0.0f, 0, 0, 1.0f, 0.5f, 0.0f, 1.0f};
    SpriteRecord r = ScreenSprite(image, 300, 200, SPRITE_FLAG_TRANSFORM | SPRITE_FLAG_ALPHA);
    r.transform = &t;
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(
        screen, 301, 201, 14, 10, [](int32_t, int32_t) { return 0xFF8000u; }, 1);
    ExpectScreen(screen, 316, 200, 1, 12, [](int32_t, int32_t) { return 0u; });
    ExpectScreen(screen, 300, 212, 16, 1, [](int32_t, int32_t) { return 0u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, QuarterTurnAboutTheTopLeftCorner) {
    Image* image = MakeSolidImage(10, 4, 0xFF00FF00u);
    UploadTexture(image);
    // Particles put the rotation centre on the pivot: the quad turns about
    // its top-left corner, here by a quarter turn anticlockwise on screen.
    SpriteTransform t = {1.0f, 1.0f, 0, 0, static_cast<float>(M_PI / 2), 0, 0, 1, 1, 1, 1};
    SpriteRecord r = ScreenSprite(image, 400, 300, SPRITE_FLAG_TRANSFORM);
    r.transform = &t;
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(screen, 400, 291, 4, 8, [](int32_t, int32_t) { return 0x00FF00u; });
    ExpectScreen(screen, 401, 301, 8, 2, [](int32_t, int32_t) { return 0u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, NegativeTransformAlphaIsInvisible) {
    Image* image = MakeSolidImage(8, 8, 0xFFFFFFFFu);
    UploadTexture(image);
    SpriteTransform t = {1.0f, 1.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, -0.02f};
    SpriteRecord r = ScreenSprite(image, 10, 10, SPRITE_FLAG_TRANSFORM);
    r.transform = &t;
    DrawSprite(&r);
    ExpectScreen(Screen(), 10, 10, 8, 8, [](int32_t, int32_t) { return 0u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, SpriteLargerThanTheScreenIsDrawn) {
    Image* image = MakeSolidImage(1000, 700, 0xFF336699u);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, -100, -50);
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(screen, 0, 0, 800, 1, [](int32_t, int32_t) { return 0x336699u; });
    ExpectScreen(screen, 799, 0, 1, 600, [](int32_t, int32_t) { return 0x336699u; });
    FreeImage(&image);
}

TEST_F(GlRenderer, AlphaSpriteAndFillBlend) {
    FillScreen(0, 0, 800, 600, 0xFFFFFFFFu);
    FillScreen(10, 10, 20, 20, 0x80FF0000u);
    Image* image = MakeSolidImage(10, 10, 0xFF0000FFu);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 50, 10, SPRITE_FLAG_ALPHA);
    r.colour = 0x40000000u;
    DrawSprite(&r);
    std::vector<uint8_t> screen = Screen();
    ExpectScreen(
        screen, 10, 10, 20, 20, [](int32_t, int32_t) { return 0xFF7F7Fu; }, 1);
    ExpectScreen(
        screen, 50, 10, 10, 10, [](int32_t, int32_t) { return 0xBFBFFFu; }, 1);
    ExpectScreen(screen, 30, 10, 20, 20, [](int32_t, int32_t) { return 0xFFFFFFu; });
    FreeImage(&image);
}

// Far right or far down, a rectangle's far edge passes the 32-bit range;
// it stays off the screen as under Direct3D 9 instead of wrapping round to
// cover it.
TEST_F(GlRenderer, FillsBeyondTheIntegerRangeStayOffTheScreen) {
    FillScreen(0, 0, 800, 600, 0xFFFFFFFFu);
    FillScreen(INT32_MAX - 5, 10, 100, 10, 0xFFFF0000u);
    FillScreen(10, INT32_MAX - 5, 10, 100, 0xFFFF0000u);
    ExpectScreen(Screen(), 0, 0, 800, 600, [](int32_t, int32_t) { return 0xFFFFFFFFu; });
}

TEST_F(GlRenderer, MeshDrawsColouredAndTexturedTriangles) {
    Image* image = MakeSolidImage(2, 2, 0xFF00FF00u);
    UploadTexture(image);
    int16_t vertices[8] = {0, 0, 40, 0, 0, 40, 40, 40};
    MeshTriangle triangles[2] = {{{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFFF0000u},
                                 {{2, 0, 2}, {0, 2, 2}, image, 0}};
    TriangleMesh mesh = {vertices, triangles, 200, 100, 0, 4, 0, 1};
    EXPECT_EQ(DrawTriangleMesh(&mesh), 1);
    EXPECT_EQ(mesh.next, 2);
    std::vector<uint8_t> screen = Screen();
    EXPECT_EQ(ScreenPixel(screen, 205, 105), 0xFFFF0000u);
    EXPECT_EQ(ScreenPixel(screen, 235, 135), 0xFF00FF00u);
    EXPECT_EQ(ScreenPixel(screen, 245, 105), 0xFF000000u);
    FreeImage(&image);
}

TEST_F(GlRenderer, ReadScreenWritesExactlyOneFrame) {
    FillScreen(0, 0, 800, 600, 0xFF102030u);
    std::vector<uint8_t> buffer(READ_SCREEN_BYTES + 64, 0xEE);
    ReadScreen(buffer.data());
    EXPECT_EQ(READ_SCREEN_BYTES, 1440000);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(buffer[READ_SCREEN_BYTES + i], 0xEE);
    EXPECT_EQ(buffer[0], 0x10);
    EXPECT_EQ(buffer[READ_SCREEN_BYTES - 1], 0x30);
}

TEST_F(GlRenderer, FreeingAnImageDeletesItsTexture) {
    Image* image = MakePatternImage(16, 16);
    UploadTexture(image);
    GLuint name = static_cast<GLuint>(image->texture->handle);
    EXPECT_TRUE(glIsTexture(name));
    FreeImage(&image);
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(GlRenderer, FilteringSwitchIsStored) {
    EXPECT_EQ(GlGetFiltering(), 0);
    SetTextureFiltering(1);
    EXPECT_EQ(GlGetFiltering(), 1);
}

class GlReducedRenderer : public GlScreenTest {
    int32_t Reduce() const override { return 1; }
};

// 4-bit textures show each dithered nibble n as n * 17, the same colours as
// the Direct3D 9 A4R4G4B4 textures.
TEST_F(GlReducedRenderer, DitheredTextureShowsNibblesTimesSeventeen) {
    Image* image = MakePatternImage(64, 32);
    std::vector<uint16_t> nibbles(64 * 32);
    DitherToArgb4444(image->pixels, nibbles.data(), 64, 32, 64 * 2);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 21, 33);
    DrawSprite(&r);
    ExpectScreen(Screen(), 21, 33, 64, 32, [&](int32_t x, int32_t y) {
        uint16_t n = nibbles[(y - 33) * 64 + (x - 21)];
        return static_cast<uint32_t>(((n >> 8) & 0xF) * 17) << 16 |
               static_cast<uint32_t>(((n >> 4) & 0xF) * 17) << 8 |
               static_cast<uint32_t>((n & 0xF) * 17);
    });
    FreeImage(&image);
}

TEST_F(GlReducedRenderer, FullColourImageKeepsItsColours) {
    Image* image = MakePatternImage(32, 8, IMAGE_FLAG_FULLCOLOUR);
    UploadTexture(image);
    SpriteRecord r = ScreenSprite(image, 3, 3);
    DrawSprite(&r);
    ExpectScreen(Screen(), 3, 3, 32, 8,
                 [](int32_t x, int32_t y) { return PatternPixel(x - 3, y - 3); });
    FreeImage(&image);
}

} // namespace
