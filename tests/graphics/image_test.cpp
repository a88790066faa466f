// Images and sprite records: creation and release, and the routing of
// DrawSprite and FillRect between the renderer and software drawing.
#include <gtest/gtest.h>

#include "graphics/image.h"
#include "graphics/renderer.h"
#include "tests/graphics/test_images.h"
#include "tests/support/draw_capture.h"

namespace {

TEST(ImageCreation, ThirtyTwoBitImageHasPixelsAndNoAlphaPlane) {
    Image* image = CreateImage(5, 3, IMAGE_FMT_32);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->flags, IMAGE_FMT_32);
    ASSERT_NE(image->pixels, nullptr);
    EXPECT_EQ(image->alphaPlane, nullptr);
    EXPECT_EQ(image->texture, nullptr);
    FreeImage(&image);
}

TEST(ImageCreation, TwoByteFormatWithAlphaPlaneGetsAZeroedPlane) {
    Image* image = CreateImage(4, 4, IMAGE_FMT_16 | IMAGE_FLAG_ALPHA_PLANE);
    ASSERT_NE(image->alphaPlane, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(image->alphaPlane[i], 0);
    FreeImage(&image);
    Image* wide = CreateImage(4, 4, IMAGE_FMT_32 | IMAGE_FLAG_ALPHA_PLANE);
    EXPECT_EQ(wide->alphaPlane, nullptr) << "the plane belongs to two-byte formats only";
    FreeImage(&wide);
}

TEST(ImageCreation, TextureImageWithoutRendererHasNoPixels) {
    ASSERT_EQ(gRendererKind, RENDERER_NONE);
    Image* image = CreateImage(64, 64, IMAGE_FLAG_TEXTURE);
    EXPECT_EQ(image->pixels, nullptr);
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    FreeImage(&image);
}

TEST(ImageCreation, FreeImageNullsTheCallersPointerOnce) {
    Image* image = CreateImage(2, 2, IMAGE_FMT_32);
    FreeImage(&image);
    EXPECT_EQ(image, nullptr);
    FreeImage(&image);
    EXPECT_EQ(image, nullptr);
    FreeImage(nullptr);
}

TEST(ImageFormats, NextPowerOfTwo) {
    EXPECT_EQ(NextPowerOfTwo(0), 1u);
    EXPECT_EQ(NextPowerOfTwo(1), 1u);
    EXPECT_EQ(NextPowerOfTwo(2), 2u);
    EXPECT_EQ(NextPowerOfTwo(3), 4u);
    EXPECT_EQ(NextPowerOfTwo(100), 128u);
    EXPECT_EQ(NextPowerOfTwo(30), 32u);
    EXPECT_EQ(NextPowerOfTwo(1024), 1024u);
    EXPECT_EQ(NextPowerOfTwo(65535), 65536u);
}

TEST(SpriteRecords, InitKeepsSourceTransformAndPosition) {
    Image source = {};
    SpriteTransform transform = {};
    SpriteRecord r = {};
    r.source = &source;
    r.transform = &transform;
    r.x = 11;
    r.y = -4;
    r.width = 3;
    r.height = 5;
    r.sourceX = 6;
    r.sourceY = 7;
    r.flags = 0x4F;
    r.colour = 0xDEADBEEFu;
    InitSpriteRecord(&r, gScreenTarget);
    EXPECT_EQ(r.source, &source);
    EXPECT_EQ(r.transform, &transform);
    EXPECT_EQ(r.x, 11);
    EXPECT_EQ(r.y, -4);
    EXPECT_EQ(r.width, -1);
    EXPECT_EQ(r.height, -1);
    EXPECT_EQ(r.sourceX, 0);
    EXPECT_EQ(r.sourceY, 0);
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(r.colour, 0u);
    EXPECT_EQ(r.target, kScreenTarget);
}

struct Routing : ::testing::Test {
    DrawCapture capture;
    Image* target = MakeSolidImage(16, 16, 0xFF112233u);
    SpriteRecord record = {};
    void TearDown() override { FreeImage(&target); }
    void Draw(Image* source, Image* to, uint16_t flags = 0) {
        record.source = source;
        InitSpriteRecord(&record, to);
        record.x = 2;
        record.y = 3;
        record.flags = flags;
        DrawSprite(&record);
    }
    bool TargetUntouched() const {
        for (int i = 0; i < 256; ++i)
            if (target->pixels[i] != 0xFF112233u)
                return false;
        return true;
    }
};

TEST_F(Routing, NullSourceDrawsNothing) {
    Draw(nullptr, gScreenTarget);
    Draw(nullptr, target);
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_TRUE(TargetUntouched());
}

TEST_F(Routing, ScreenAndNullTargetsGoToTheRenderer) {
    Image* source = MakePatternImage(4, 4);
    Draw(source, gScreenTarget);
    Draw(source, nullptr);
    ASSERT_EQ(capture.Count(CAPTURED_SPRITE), 2u);
    EXPECT_EQ(capture[0].record.source, source);
    EXPECT_EQ(capture[0].record.x, 2);
    EXPECT_EQ(capture[0].record.y, 3);
    EXPECT_EQ(capture[0].record.width, -1);
    FreeImage(&source);
}

TEST_F(Routing, SoftwareSourceIntoAnImageIsCopied) {
    Image* source = MakePatternImage(4, 4);
    Draw(source, target);
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_EQ(PixelAt(target, 2, 3), PatternPixel(0, 0));
    EXPECT_EQ(PixelAt(target, 5, 6), PatternPixel(3, 3));
    EXPECT_EQ(PixelAt(target, 6, 6), 0xFF112233u);
    FreeImage(&source);
}

TEST_F(Routing, AlphaPlaneFlagBlendsWithoutTheCallersFlag) {
    Image* source = MakeSolidImage(4, 4, 0x00FFFFFFu, IMAGE_FLAG_ALPHA_PLANE);
    Draw(source, target, SPRITE_FLAG_MIRROR_X);
    EXPECT_TRUE(TargetUntouched()) << "alpha 0 over the target leaves it as it is";
    EXPECT_EQ(record.flags, SPRITE_FLAG_MIRROR_X);
    FreeImage(&source);
}

TEST_F(Routing, HiddenSoftwareImageDrawsNothingIntoAnImageButReachesTheScreen) {
    Image* source = MakePatternImage(4, 4, IMAGE_FLAG_HIDDEN);
    Draw(source, target);
    EXPECT_TRUE(TargetUntouched());
    EXPECT_EQ(capture.size(), 0u);
    source->flags |= IMAGE_FLAG_ALPHA_PLANE;
    Draw(source, target);
    EXPECT_TRUE(TargetUntouched());
    Draw(source, gScreenTarget);
    EXPECT_EQ(capture.Count(CAPTURED_SPRITE), 1u);
    FreeImage(&source);
}

TEST_F(Routing, TextureBackedSourceGoesToTheScreenWhateverTheTarget) {
    Image* source = CreateImage(8, 8, IMAGE_FLAG_TEXTURE);
    Draw(source, target);
    source->flags |= IMAGE_FLAG_HIDDEN;
    Draw(source, target, SPRITE_FLAG_ALPHA);
    EXPECT_TRUE(TargetUntouched());
    ASSERT_EQ(capture.Count(CAPTURED_SPRITE), 2u);
    EXPECT_EQ(capture[1].record.flags, SPRITE_FLAG_ALPHA);
    FreeImage(&source);
}

TEST_F(Routing, FillRectGoesToTheRendererOnlyForTheScreen) {
    SpriteRecord fill = {};
    InitSpriteRecord(&fill, gScreenTarget);
    fill.x = -5;
    fill.width = 1000;
    fill.height = 20;
    fill.colour = 0x80FF0000u;
    FillRect(&fill);
    ASSERT_EQ(capture.Count(CAPTURED_FILL), 1u);
    EXPECT_EQ(capture[0].record.width, 1000);
    EXPECT_EQ(capture[0].record.colour, 0x80FF0000u);

    fill.target = target;
    fill.x = 1;
    fill.y = 1;
    fill.width = 2;
    fill.height = 2;
    fill.colour = 0xFF00FF00u;
    FillRect(&fill);
    EXPECT_EQ(capture.size(), 1u);
    EXPECT_EQ(PixelAt(target, 2, 2), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(target, 3, 3), 0xFF112233u);
}

TEST_F(Routing, CaptureKeepsACopyOfTheTransform) {
    Image* source = MakePatternImage(4, 4);
    {
        SpriteTransform transform = {};
        transform.scaleX = 2.0f;
        transform.angle = 0.5f;
        record.transform = &transform;
        Draw(source, gScreenTarget, SPRITE_FLAG_TRANSFORM);
    }
    ASSERT_EQ(capture.size(), 1u);
    EXPECT_TRUE(capture[0].hasTransform);
    EXPECT_EQ(capture[0].transform.scaleX, 2.0f);
    EXPECT_EQ(capture[0].transform.angle, 0.5f);
    EXPECT_EQ(capture[0].record.transform, nullptr);
    FreeImage(&source);
}

} // namespace
