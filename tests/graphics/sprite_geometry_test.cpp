// The sprite quads both renderers draw: texture coordinates of partial and
// mirrored sources, transforms, culling and colour factors.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/sprite_geometry.h"

namespace {

// A texture-backed image whose record spans [0, right) x [0, bottom).
struct TexturedImage {
    TextureRecord record = {1, 0.0f, 0.0f, 1.0f, 1.0f};
    Image image = {};
    TexturedImage(uint16_t w, uint16_t h, float right = 1.0f, float bottom = 1.0f) {
        record.rightU = right;
        record.bottomV = bottom;
        image.width = w;
        image.height = h;
        image.flags = IMAGE_FLAG_TEXTURE;
        image.texture = &record;
    }
};

SpriteRecord SpriteOf(Image* image, int32_t x, int32_t y, uint16_t flags = 0) {
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    r.x = x;
    r.y = y;
    r.flags = flags;
    return r;
}

TEST(SpriteQuadTexture, PartialSourceUsesItsShareOfTheTexture) {
    TexturedImage t(64, 64);
    SpriteRecord r = SpriteOf(&t.image, 0, 0);
    r.sourceX = 16;
    r.width = 16;
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_FLOAT_EQ(q.u[QUAD_TL], 0.25f);
    EXPECT_FLOAT_EQ(q.u[QUAD_TR], 0.5f);
    EXPECT_FLOAT_EQ(q.v[QUAD_TL], 0.0f);
    EXPECT_FLOAT_EQ(q.v[QUAD_BL], 1.0f);
    EXPECT_EQ(q.x[QUAD_TR], 16.0f);
    EXPECT_EQ(q.y[QUAD_BL], 64.0f);
}

TEST(SpriteQuadTexture, PaddedTextureScalesTheSpan) {
    const float k = 0.531248f;
    TexturedImage t(100, 30, (100 + k) / 128.0f, (30 + k) / 32.0f);
    SpriteRecord r = SpriteOf(&t.image, 5, 6);
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_EQ(q.u[QUAD_TR], t.record.rightU);
    EXPECT_EQ(q.v[QUAD_BR], t.record.bottomV);
    EXPECT_EQ(q.x[QUAD_BR], 105.0f);
    EXPECT_EQ(q.y[QUAD_BR], 36.0f);
}

TEST(SpriteQuadTexture, SourcesWithoutAUsableTextureAreNotDrawn) {
    TexturedImage t(8, 8);
    SpriteRecord r = SpriteOf(&t.image, 0, 0);
    SpriteQuad q;
    t.record.handle = 0;
    EXPECT_EQ(BuildSpriteQuad(&r, &q), 0) << "made but never uploaded";
    t.record.handle = 1;
    t.image.texture = nullptr;
    EXPECT_EQ(BuildSpriteQuad(&r, &q), 0);
    t.image.texture = &t.record;
    t.image.flags = IMAGE_FMT_32;
    EXPECT_EQ(BuildSpriteQuad(&r, &q), 0) << "a software image";
    t.image.flags = IMAGE_FLAG_TEXTURE;
    t.image.width = 0;
    EXPECT_EQ(BuildSpriteQuad(&r, &q), 0);
}

TEST(SpriteQuadTransform, ScaleRoundsCornersToWholePixels) {
    TexturedImage t(10, 10);
    SpriteTransform tr = {1.55f, 0.5f, 3, 4, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    SpriteRecord r = SpriteOf(&t.image, 100, 100, SPRITE_FLAG_TRANSFORM);
    r.transform = &tr;
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_EQ(q.x[QUAD_TL], std::nearbyint(100 - 3 * 1.55f));
    EXPECT_EQ(q.x[QUAD_TR], std::nearbyint(7 * 1.55f + 100));
    EXPECT_EQ(q.y[QUAD_TL], 98.0f);
    EXPECT_EQ(q.y[QUAD_BL], 103.0f);
}

// Every corner turns about the centre, the top-left one included.
TEST(SpriteQuadTransform, HalfTurnAboutTheMiddleSwapsOppositeCorners) {
    TexturedImage t(20, 10);
    SpriteTransform tr = {1.0f, 1.0f, 0, 0, static_cast<float>(M_PI), 10, 5, 1, 1, 1, 1};
    SpriteRecord r = SpriteOf(&t.image, 200, 100, SPRITE_FLAG_TRANSFORM);
    r.transform = &tr;
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_EQ(q.x[QUAD_TL], 220.0f);
    EXPECT_EQ(q.y[QUAD_TL], 110.0f);
    EXPECT_EQ(q.x[QUAD_BR], 200.0f);
    EXPECT_EQ(q.y[QUAD_BR], 100.0f);
    EXPECT_EQ(q.x[QUAD_TR], 200.0f);
    EXPECT_EQ(q.y[QUAD_TR], 110.0f);
}

TEST(SpriteQuadColour, AlphaFlagTakesTheColoursAlphaByte) {
    TexturedImage t(4, 4);
    SpriteRecord r = SpriteOf(&t.image, 0, 0, SPRITE_FLAG_ALPHA);
    r.colour = 0x3312FFFFu;
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_FLOAT_EQ(q.alpha, 0x33 / 255.0f);
    EXPECT_EQ(q.red, 1.0f);
    r.flags = 0;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_EQ(q.alpha, 1.0f);
}

TEST(SpriteQuadColour, TransformColourIsClamped) {
    TexturedImage t(4, 4);
    SpriteTransform tr = {1, 1, 0, 0, 0, 0, 0, 1.2f, -0.5f, NAN, -0.004f};
    SpriteRecord r = SpriteOf(&t.image, 0, 0, SPRITE_FLAG_TRANSFORM | SPRITE_FLAG_ALPHA);
    r.colour = 0xFF000000u;
    r.transform = &tr;
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_EQ(q.red, 1.0f);
    EXPECT_EQ(q.green, 0.0f);
    EXPECT_EQ(q.blue, 0.0f);
    EXPECT_EQ(q.alpha, 0.0f);
}

TEST(SpriteCulling, BoundingBoxOverlapDecides) {
    TexturedImage big(1000, 1000);
    SpriteRecord r = SpriteOf(&big.image, -100, -200);
    SpriteQuad q;
    ASSERT_EQ(BuildSpriteQuad(&r, &q), 1);
    EXPECT_TRUE(QuadOverlapsScreen(&q, 800, 600)) << "no corner on screen, yet it covers it";
    TexturedImage small(16, 16);
    const int32_t outside[][2] = {{-16, 0}, {800, 0}, {0, -16}, {0, 600}};
    for (const auto& p : outside) {
        SpriteRecord s = SpriteOf(&small.image, p[0], p[1]);
        ASSERT_EQ(BuildSpriteQuad(&s, &q), 1);
        EXPECT_FALSE(QuadOverlapsScreen(&q, 800, 600)) << p[0] << ", " << p[1];
    }
    SpriteRecord edge = SpriteOf(&small.image, -15, 599);
    ASSERT_EQ(BuildSpriteQuad(&edge, &q), 1);
    EXPECT_TRUE(QuadOverlapsScreen(&q, 800, 600));
}

} // namespace
