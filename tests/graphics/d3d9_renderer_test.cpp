// The Direct3D 9 renderer drawn through our software layer, read back from
// the layer's back buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/colour_reduce.h"
#include "graphics/d3d9/d3d_renderer.h"
#include "graphics/d3d9/d3d_state.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/d3d9/soft_pixels.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/sprite_geometry.h"
#include "tests/graphics/d3d9_screen.h"
#include "tests/graphics/test_images.h"

namespace {

constexpr uint32_t kBackground = 0xFF203040u;

// Pattern with alpha that varies from pixel to pixel, 0 and 255 included.
Image* MakeAlphaPattern(int32_t w, int32_t h) {
    Image* image = MakePatternImage(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t alpha = static_cast<uint32_t>((x * 37 + y * 91) % 256);
            image->pixels[y * w + x] = (image->pixels[y * w + x] & 0xFFFFFFu) | alpha << 24;
        }
    return image;
}

size_t CountOccurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

using D3dSprites = D3dScreenTest;

TEST_F(D3dSprites, OneToOneAtAnOddPositionIsPixelExact) {
    Image* image = Uploaded(MakePatternImage(100, 30));
    Fill(0, 0, 800, 600, kBackground);
    Sprite(image, 13, 7);
    Frame();
    ExpectArea(13, 7, 100, 30, [](int32_t x, int32_t y) { return PatternPixel(x - 13, y - 7); });
    // Nothing spills over the edges.
    ExpectArea(12, 6, 102, 1, [](int32_t, int32_t) { return kBackground; });
    ExpectArea(12, 37, 102, 1, [](int32_t, int32_t) { return kBackground; });
    ExpectArea(12, 7, 1, 30, [](int32_t, int32_t) { return kBackground; });
    ExpectArea(113, 7, 1, 30, [](int32_t, int32_t) { return kBackground; });
}

TEST_F(D3dSprites, PerPixelAlphaBlendsOverTheBackground) {
    Image* source = MakeAlphaPattern(64, 40);
    std::vector<uint32_t> texels(source->pixels, source->pixels + 64 * 40);
    Image* image = Uploaded(source);
    Fill(0, 0, 800, 600, kBackground);
    Sprite(image, 101, 77);
    Frame();
    ExpectArea(101, 77, 64, 40, [&](int32_t x, int32_t y) {
        return BlendPixel(texels[(y - 77) * 64 + (x - 101)], kBackground);
    });
}

TEST_F(D3dSprites, AlphaFlagScalesTheOpacity) {
    Image* image = Uploaded(MakePatternImage(40, 20));
    Fill(0, 0, 800, 600, kBackground);
    Sprite(image, 5, 5, SPRITE_FLAG_ALPHA, 0x90000000u);
    Frame();
    ExpectArea(5, 5, 40, 20, [](int32_t x, int32_t y) {
        return BlendPixel(ModulatePixel(PatternPixel(x - 5, y - 5), 0x90FFFFFFu), kBackground);
    });
}

TEST_F(D3dSprites, MirrorsShowTheFarColumnAndRowFirst) {
    Image* image = Uploaded(MakePatternImage(40, 20));
    Image* odd = Uploaded(MakePatternImage(37, 19));
    Sprite(image, 201, 51, SPRITE_FLAG_MIRROR_X);
    Sprite(image, 301, 51, SPRITE_FLAG_MIRROR_Y);
    Sprite(image, 401, 51, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    Sprite(odd, 501, 51, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    Frame();
    ExpectArea(201, 51, 40, 20, [](int32_t x, int32_t y) { return PatternPixel(240 - x, y - 51); });
    ExpectArea(301, 51, 40, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 301, 70 - y); });
    ExpectArea(401, 51, 40, 20, [](int32_t x, int32_t y) { return PatternPixel(440 - x, 70 - y); });
    ExpectArea(501, 51, 37, 19, [](int32_t x, int32_t y) { return PatternPixel(537 - x, 69 - y); });
}

TEST_F(D3dSprites, PartialSourceRectangle) {
    Image* image = Uploaded(MakePatternImage(64, 40));
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    r.x = 33;
    r.y = 21;
    r.sourceX = 12;
    r.sourceY = 5;
    r.width = 16;
    r.height = 10;
    DrawSprite(&r);
    r.x = 133;
    r.flags = SPRITE_FLAG_MIRROR_X;
    DrawSprite(&r);
    Frame();
    ExpectArea(33, 21, 16, 10,
               [](int32_t x, int32_t y) { return PatternPixel(x - 33 + 12, y - 21 + 5); });
    ExpectArea(133, 21, 16, 10,
               [](int32_t x, int32_t y) { return PatternPixel(12 + 148 - x, y - 21 + 5); });
}

TEST_F(D3dSprites, ScaleTwoGivesTwoByTwoTexelBlocks) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    SpriteTransform t = {2.0f, 2.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    Sprite(image, 100, 100, SPRITE_FLAG_TRANSFORM, 0, &t);
    Frame();
    ExpectArea(100, 100, 60, 40,
               [](int32_t x, int32_t y) { return PatternPixel((x - 100) / 2, (y - 100) / 2); });
}

TEST_F(D3dSprites, IdentityTransformIsThePlainSpriteMovedByThePivot) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    SpriteTransform t = {1.0f, 1.0f, 7, 3, 0.0f, 7, 3, 1.0f, 1.0f, 1.0f, 1.0f};
    Sprite(image, 100, 100, SPRITE_FLAG_TRANSFORM, 0, &t);
    Frame();
    ExpectArea(93, 97, 30, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 93, y - 97); });
}

TEST_F(D3dSprites, QuarterTurnCoversTheTurnedRectangle) {
    Image* image = Uploaded(MakeSolidImage(30, 20, 0xFFFF0000u));
    Fill(0, 0, 800, 600, kBackground);
    SpriteTransform t = {1.0f, 1.0f, 0,    0,   static_cast<float>(M_PI / 2), 0, 0,
                         1.0f, 1.0f, 1.0f, 1.0f};
    Sprite(image, 300, 300, SPRITE_FLAG_TRANSFORM, 0, &t);
    Frame();
    int covered = 0;
    int32_t minX = 800, maxX = 0, minY = 600, maxY = 0;
    for (int32_t y = 250; y < 350; ++y)
        for (int32_t x = 250; x < 350; ++x)
            if (Pixel(x, y) == 0xFFFF0000u) {
                ++covered;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    EXPECT_EQ(covered, 600);
    EXPECT_EQ(maxX - minX + 1, 20);
    EXPECT_EQ(maxY - minY + 1, 30);
}

TEST_F(D3dSprites, SpriteLargerThanTheScreenIsDrawn) {
    Image* image = Uploaded(MakeSolidImage(1000, 700, 0xFF00FF00u));
    Sprite(image, -100, -50);
    Frame();
    EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(Pixel(799, 599), 0xFF00FF00u);
}

TEST_F(D3dSprites, SpriteOffTheScreenAppendsNothing) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    Sprite(image, 800, 10);
    Sprite(image, -30, 10);
    Sprite(image, 10, 600);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    Sprite(image, -29, 10);
    EXPECT_EQ(gD3dBatch.quadCount, 1);
}

TEST_F(D3dSprites, SlightlyNegativeAlphaIsInvisibleRatherThanOpaque) {
    Image* image = Uploaded(MakeSolidImage(30, 20, 0xFFFF0000u));
    Fill(0, 0, 800, 600, kBackground);
    SpriteTransform t = {1.0f, 1.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, -0.01f};
    Sprite(image, 10, 10, SPRITE_FLAG_TRANSFORM, 0, &t);
    Frame();
    EXPECT_EQ(Pixel(15, 15), kBackground);
}

TEST_F(D3dSprites, SoftwareImageIsUploadedWhenFirstDrawn) {
    Image* image = MakePatternImage(30, 20);
    Sprite(image, 10, 10);
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    EXPECT_EQ(image->pixels, nullptr);
    Frame();
    ExpectArea(10, 10, 30, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 10, y - 10); });
    FreeImage(&image);
}

TEST_F(D3dSprites, TextureBackedImageThatWasNeverUploadedIsSkipped) {
    Image* image = CreateImage(32, 32, IMAGE_FLAG_TEXTURE);
    Sprite(image, 10, 10);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    FreeImage(&image);
}

using D3dUpload = D3dScreenTest;

TEST_F(D3dUpload, TextureCoordinatesReachJustPastThePicture) {
    Image* image = Uploaded(MakePatternImage(100, 30));
    ASSERT_NE(image->texture, nullptr);
    EXPECT_EQ(image->flags, IMAGE_FLAG_TEXTURE);
    EXPECT_EQ(image->pixels, nullptr);
    EXPECT_EQ(image->texture->leftU, 0.0f);
    EXPECT_EQ(image->texture->rightU, (100.0f + 0.531248f) / 128.0f);
    EXPECT_EQ(image->texture->bottomV, (30.0f + 0.531248f) / 32.0f);
    Image* dot = Uploaded(MakePatternImage(1, 1));
    EXPECT_EQ(dot->texture->rightU, 1.531248f);
    // A second upload has no pixels to send and changes nothing.
    TextureRecord before = *image->texture;
    UploadTexture(image);
    EXPECT_EQ(image->texture->handle, before.handle);
}

TEST_F(D3dUpload, FailedTextureCreationLeavesASoftwareImage) {
    SoftD3dGetOptions().failTextureCreation = true;
    Image* image = MakePatternImage(30, 20);
    testing::internal::CaptureStdout();
    Uploaded(image);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("WARNING"), std::string::npos);
    EXPECT_NE(image->pixels, nullptr);
    EXPECT_EQ(image->flags, IMAGE_FMT_32);
    EXPECT_FALSE(HasUsableTexture(image));
    testing::internal::CaptureStdout();
    Sprite(image, 10, 10);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    SoftD3dGetOptions().failTextureCreation = false;
}

TEST_F(D3dUpload, APictureTooLargeForATextureIsTriedAndWarnedAboutOnce) {
    Image* wide = MakePatternImage(4097, 2);
    testing::internal::CaptureStdout();
    for (int frame = 0; frame < 3; ++frame) {
        Sprite(wide, 0, 0);
        Frame();
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountOccurrences(out, "WARNING texture 8192x2 not created"), 1u) << out;
    EXPECT_EQ(SoftD3dGetCounters().textureCalls, 1u);
    EXPECT_NE(wide->pixels, nullptr);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    Uploaded(wide); // freed with the others
}

class D3dPaddedPitch : public D3dScreenTest {
    void SetOptions(SoftD3dOptions& options) override { options.extraTexturePitch = 64; }
};

TEST_F(D3dPaddedPitch, RowsAreCopiedAtTheLockedPitch) {
    Image* image = Uploaded(MakePatternImage(100, 30));
    Sprite(image, 3, 5);
    Frame();
    ExpectArea(3, 5, 100, 30, [](int32_t x, int32_t y) { return PatternPixel(x - 3, y - 5); });
}

class D3dReduced : public D3dPaddedPitch {
    int32_t Reduce() const override { return 1; }
};

uint32_t Expand4444(uint16_t packed) {
    auto n = [&](int shift) { return ((packed >> shift) & 0xFu) * 17; };
    return n(12) << 24 | n(8) << 16 | n(4) << 8 | n(0);
}

TEST_F(D3dReduced, TexturesHoldFourBitsAChannel) {
    Image* dithered = MakePatternImage(100, 30);
    Image* truncated = MakePatternImage(100, 30, IMAGE_FLAG_FULLCOLOUR);
    std::vector<uint16_t> dither(100 * 30), trunc(100 * 30);
    DitherToArgb4444(dithered->pixels, dither.data(), 100, 30, 200);
    TruncToArgb4444(truncated->pixels, trunc.data(), 100, 30, 200);
    Uploaded(dithered);
    Uploaded(truncated);
    Sprite(dithered, 11, 13);
    Sprite(truncated, 211, 13);
    Frame();
    ExpectArea(11, 13, 100, 30,
               [&](int32_t x, int32_t y) { return Expand4444(dither[(y - 13) * 100 + x - 11]); });
    ExpectArea(211, 13, 100, 30,
               [&](int32_t x, int32_t y) { return Expand4444(trunc[(y - 13) * 100 + x - 211]); });
}

using D3dFills = D3dScreenTest;

TEST_F(D3dFills, OpaqueAndBlendedFillsClipAtTheEdges) {
    Fill(0, 0, 800, 600, kBackground);
    Fill(-10, -10, 30, 25, 0xFF804020u);
    Fill(790, 590, 50, 50, 0x60FF8000u);
    Frame();
    ExpectArea(0, 0, 20, 15, [](int32_t, int32_t) { return 0xFF804020u; });
    EXPECT_EQ(Pixel(20, 5), kBackground);
    EXPECT_EQ(Pixel(5, 15), kBackground);
    ExpectArea(790, 590, 10, 10,
               [](int32_t, int32_t) { return BlendPixel(0x60FF8000u, kBackground); });
    EXPECT_EQ(Pixel(789, 595), kBackground);
}

TEST_F(D3dFills, FillOffTheScreenAppendsNothing) {
    Fill(800, 0, 10, 10, 0xFFFFFFFFu);
    Fill(0, -11, 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
}

using D3dMeshes = D3dScreenTest;

TEST_F(D3dMeshes, ColouredSquareFromTwoTrianglesCoversEachPixelOnce) {
    Fill(0, 0, 800, 600, kBackground);
    int16_t vertices[8] = {0, 0, 40, 0, 0, 40, 40, 40};
    MeshTriangle triangles[2] = {{{-1, 0, 0}, {0, 0, 0}, nullptr, 0x80E0E020u},
                                 {{-1, 0, 0}, {0, 0, 0}, nullptr, 0x80E0E020u}};
    TriangleMesh mesh = {vertices, triangles, 611, 419, 0, 4, 0, 1};
    EXPECT_EQ(DrawTriangleMesh(&mesh), 1);
    EXPECT_EQ(mesh.next, 2);
    Frame();
    ExpectArea(611, 419, 40, 40,
               [](int32_t, int32_t) { return BlendPixel(0x80E0E020u, kBackground); });
    EXPECT_EQ(Pixel(610, 430), kBackground);
    EXPECT_EQ(Pixel(651, 430), kBackground);
    EXPECT_EQ(Pixel(630, 459), kBackground);
}

TEST_F(D3dMeshes, TexturedTriangleMappedOneToOneShowsItsTexels) {
    Image* image = Uploaded(MakePatternImage(64, 64));
    int16_t vertices[6] = {0, 0, 64, 0, 0, 64};
    MeshTriangle triangles[1] = {{{0, 64, 0}, {0, 0, 64}, image, 0}};
    TriangleMesh mesh = {vertices, triangles, 100, 200, 0, 3, 0, 1};
    DrawTriangleMesh(&mesh);
    Frame();
    // Pixels whose centre lies inside the triangle (x + y + 1 < 64).
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x + y < 63; ++x)
            ASSERT_EQ(Pixel(100 + x, 200 + y), PatternPixel(x, y)) << x << ", " << y;
}

TEST_F(D3dMeshes, TexturedTriangleWithoutATextureIsSkipped) {
    Image* software = MakePatternImage(8, 8);
    int16_t vertices[6] = {0, 0, 8, 0, 0, 8};
    MeshTriangle triangles[1] = {{{0, 8, 0}, {0, 0, 8}, software, 0}};
    TriangleMesh mesh = {vertices, triangles, 10, 10, 0, 3, 0, 1};
    DrawTriangleMesh(&mesh);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    FreeImage(&software);
}

using D3dBatch = D3dScreenTest;

TEST_F(D3dBatch, FullBatchDropsEachFurtherQuadWithAMessage) {
    Image* image = Uploaded(MakeSolidImage(4, 4, 0xFFFFFFFFu));
    testing::internal::CaptureStdout();
    for (int i = 0; i < gD3dQuadCapacity + 1; ++i)
        Sprite(image, i % 790, (i / 790) * 4);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountOccurrences(out, "Need more vertexes !!!\n"), 1u);
    EXPECT_EQ(gD3dBatch.quadCount, gD3dQuadCapacity);
    Frame();
    EXPECT_EQ(SoftD3dGetCounters().trianglesDrawn, 2u * gD3dQuadCapacity);
    EXPECT_EQ(gD3dPeakVertices, 4 * gD3dQuadCapacity);
}

TEST_F(D3dBatch, RunsOfOneTextureShareOneDraw) {
    Image* a = Uploaded(MakeSolidImage(4, 4, 0xFFFF0000u));
    Image* b = Uploaded(MakeSolidImage(4, 4, 0xFF00FF00u));
    for (int i = 0; i < 3; ++i)
        Sprite(a, 10 * i, 0);
    Sprite(b, 40, 0);
    Sprite(b, 50, 0);
    Sprite(a, 60, 0);
    Fill(70, 0, 4, 4, 0xFF0000FFu);
    Frame();
    EXPECT_EQ(SoftD3dGetCounters().setTextureCalls, 4u);
    EXPECT_EQ(SoftD3dGetCounters().drawCalls, 4u);
    EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
}

// Draws the same scene of many quads of three textures and returns the
// picture.
std::vector<uint32_t> DrawManyQuads(const std::vector<Image*>& images, D3dScreenTest* test) {
    (void)test;
    SpriteRecord r = {};
    for (int i = 0; i < 300; ++i) {
        r.source = images[(i / 7) % images.size()];
        InitSpriteRecord(&r, gScreenTarget);
        r.x = (i * 37) % 760;
        r.y = (i * 53) % 560;
        r.flags = (i % 3 == 0) ? SPRITE_FLAG_MIRROR_X : 0;
        DrawSprite(&r);
    }
    PresentFrame();
    int32_t w = 0, h = 0;
    const uint32_t* back = SoftD3dBackBuffer(&w, &h);
    return std::vector<uint32_t>(back, back + w * h);
}

TEST_F(D3dBatch, SmallPrimitiveLimitSplitsRunsButDrawsTheSamePicture) {
    auto images = [] {
        return std::vector<Image*>{MakeAlphaPattern(40, 30), MakePatternImage(25, 17),
                                   MakeAlphaPattern(64, 64)};
    };
    std::vector<Image*> first = images();
    for (Image* image : first)
        Uploaded(image);
    std::vector<uint32_t> plain = DrawManyQuads(first, this);
    uint32_t plainCalls = SoftD3dGetCounters().drawCalls;

    ShutdownRenderer();
    SoftD3dGetOptions().maxPrimitiveCount = 3;
    ASSERT_EQ(SetVideoMode(800, 600, 32, 0, RENDERER_D3D9, 0), 1);
    EXPECT_EQ(gD3dCaps.MaxPrimitiveCount, 3u);
    ClearScreen();
    PresentFrame();
    SoftD3dResetCounters();
    std::vector<Image*> second = images();
    for (Image* image : second)
        Uploaded(image);
    std::vector<uint32_t> split = DrawManyQuads(second, this);
    EXPECT_GT(SoftD3dGetCounters().drawCalls, plainCalls);
    EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
    EXPECT_TRUE(plain == split);
}

TEST_F(D3dBatch, FreeingAnImageSkipsItsPendingQuads) {
    Image* doomed = MakeSolidImage(10, 10, 0xFFFF0000u);
    UploadTexture(doomed);
    Image* kept = Uploaded(MakeSolidImage(10, 10, 0xFF00FF00u));
    Fill(0, 0, 800, 600, kBackground);
    Sprite(doomed, 0, 100);
    Sprite(kept, 20, 100);
    Sprite(doomed, 40, 100);
    uint32_t live = SoftD3dGetCounters().liveTextures;
    FreeImage(&doomed);
    EXPECT_EQ(SoftD3dGetCounters().liveTextures, live - 1);
    Frame();
    EXPECT_EQ(Pixel(5, 105), kBackground);
    EXPECT_EQ(Pixel(25, 105), 0xFF00FF00u);
    EXPECT_EQ(Pixel(45, 105), kBackground);
}

using D3dDeviceLoss = D3dScreenTest;

TEST_F(D3dDeviceLoss, NothingIsDrawnWhileLostAndTheFrameAfterTheResetIsRight) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    Fill(0, 0, 800, 600, kBackground);
    Frame();
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
    Sprite(image, 10, 10); // drawn into this frame, whose present fails
    Frame();
    EXPECT_EQ(gD3dDeviceLost, 1);
    Sprite(image, 50, 10);
    Fill(100, 100, 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    Frame(); // still lost: nothing happens
    EXPECT_EQ(gD3dDeviceLost, 1);
    EXPECT_EQ(Pixel(55, 15), kBackground);

    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    Frame(); // reset, and a new scene is open at once
    EXPECT_EQ(gD3dDeviceLost, 0);
    EXPECT_EQ(SoftD3dGetDeviceState(), SOFT_D3D_DEVICE_OK);
    EXPECT_EQ(gD3dBatch.sceneOpen, 1);
    EXPECT_EQ(gD3dBatch.quadCount, 0);
    Fill(0, 0, 800, 600, kBackground);
    Sprite(image, 77, 33);
    Frame();
    ExpectArea(77, 33, 30, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 77, y - 33); });
    EXPECT_EQ(Pixel(15, 15), kBackground);
    EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
}

TEST_F(D3dDeviceLoss, DeviceThatComesBackWithoutAResetDrawsAgain) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
    Frame();
    ASSERT_EQ(gD3dDeviceLost, 1);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_OK);
    Frame();
    EXPECT_EQ(gD3dDeviceLost, 0);
    Sprite(image, 5, 5);
    Frame();
    ExpectArea(5, 5, 30, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 5, y - 5); });
}

TEST_F(D3dDeviceLoss, LossSeenWhileSuspendedRecoversMidFrame) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    Sprite(image, 5, 5); // the frame is open, its buffer locked
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
    SuspendRenderer();
    ASSERT_EQ(gD3dDeviceLost, 1);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_OK);
    Frame();
    EXPECT_EQ(gD3dDeviceLost, 0);
    Sprite(image, 40, 5);
    Frame();
    ExpectArea(40, 5, 30, 20, [](int32_t x, int32_t y) { return PatternPixel(x - 40, y - 5); });
}

TEST_F(D3dDeviceLoss, UploadsWaitAndTexturesAreStillReleased) {
    Image* kept = Uploaded(MakePatternImage(8, 8));
    Image* freed = MakePatternImage(8, 8);
    UploadTexture(freed);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
    SuspendRenderer();
    EXPECT_EQ(gD3dDeviceLost, 1);
    Image* waiting = Uploaded(MakePatternImage(8, 8));
    EXPECT_NE(waiting->pixels, nullptr);
    EXPECT_EQ(waiting->flags, IMAGE_FMT_32);
    uint32_t live = SoftD3dGetCounters().liveTextures;
    FreeImage(&freed);
    EXPECT_EQ(SoftD3dGetCounters().liveTextures, live - 1);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    Frame();
    Sprite(waiting, 0, 0);
    Sprite(kept, 20, 0);
    EXPECT_EQ(waiting->flags, IMAGE_FLAG_TEXTURE);
    Frame();
    ExpectArea(0, 0, 8, 8, [](int32_t x, int32_t y) { return PatternPixel(x, y); });
    ExpectArea(20, 0, 8, 8, [](int32_t x, int32_t y) { return PatternPixel(x - 20, y); });
}

using D3dReadBack = D3dScreenTest;

TEST_F(D3dReadBack, ReadScreenSeesTheFrameDrawnSoFarBottomRowFirst) {
    Fill(0, 0, 800, 600, kBackground);
    Fill(0, 0, 1, 1, 0xFF112233u);
    Fill(799, 599, 1, 1, 0xFF445566u);
    Fill(100, 100, 10, 10, 0x80FFFFFFu);
    std::vector<uint8_t> rgb(READ_SCREEN_BYTES + 16, 0xEE);
    ReadScreen(rgb.data());
    EXPECT_EQ(ScreenPixel(rgb, 0, 0), 0xFF112233u);
    EXPECT_EQ(ScreenPixel(rgb, 799, 599), 0xFF445566u);
    EXPECT_EQ(rgb[0], 0x20); // the first bytes are the bottom row's
    for (size_t i = READ_SCREEN_BYTES; i < rgb.size(); ++i)
        ASSERT_EQ(rgb[i], 0xEE);
    uint32_t blended = BlendPixel(0x80FFFFFFu, kBackground) | 0xFF000000u;
    EXPECT_EQ(ScreenPixel(rgb, 105, 105), blended);
    // What was read back is not drawn a second time at the present.
    Fill(200, 200, 10, 10, 0xFF00FF00u);
    Frame();
    EXPECT_EQ(Pixel(105, 105), blended);
    EXPECT_EQ(Pixel(205, 205), 0xFF00FF00u);
}

using D3dModeSetting = D3dScreenTest;

TEST_F(D3dModeSetting, GammaRampIsTheIdentityAndIsGivenAgainAfterAReset) {
    const D3DGAMMARAMP* ramp = SoftD3dGammaRamp();
    ASSERT_NE(ramp, nullptr);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(ramp->red[i], i * 255) << i;
        ASSERT_EQ(ramp->green[i], i * 255) << i;
        ASSERT_EQ(ramp->blue[i], i * 255) << i;
    }
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    Frame(); // the present sees the loss
    EXPECT_EQ(SoftD3dGetCounters().gammaRamps, 0u);
    Frame(); // the reset makes the device resources again
    EXPECT_EQ(gD3dDeviceLost, 0);
    EXPECT_EQ(SoftD3dGetCounters().gammaRamps, 1u);
}

using D3dFiltering = D3dScreenTest;

// Per channel: a texel pair mixed with weight `w` of the second.
uint32_t MixPixels(uint32_t a, uint32_t b, double w) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double c = Channel(a, shift) * (1.0 - w) + Channel(b, shift) * w;
        out |= static_cast<uint32_t>(std::lround(c)) << shift;
    }
    return out;
}

TEST_F(D3dFiltering, SwitchChoosesBilinearSamplingUntilTheNextReset) {
    Image* image = Uploaded(MakePatternImage(30, 20));
    SpriteTransform scale = {2.0f, 2.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    auto blocks = [](int32_t x, int32_t y) { return PatternPixel((x - 100) / 2, (y - 100) / 2); };

    SetTextureFiltering(1);
    Sprite(image, 100, 100, SPRITE_FLAG_TRANSFORM, 0, &scale);
    Frame();
    // Pixel 2i + 1 samples texel coordinate i + 0.75: a quarter of the way
    // from texel i to texel i + 1, across and down.
    int wrong = 0;
    for (int32_t j = 0; j + 1 < 20; ++j)
        for (int32_t i = 0; i + 1 < 30; ++i) {
            uint32_t top = MixPixels(PatternPixel(i, j), PatternPixel(i + 1, j), 0.25);
            uint32_t bottom = MixPixels(PatternPixel(i, j + 1), PatternPixel(i + 1, j + 1), 0.25);
            uint32_t want = MixPixels(top, bottom, 0.25);
            uint32_t got = Pixel(100 + 2 * i + 1, 100 + 2 * j + 1);
            if (PixelDistance(got, want) > 1 && wrong++ < 4)
                ADD_FAILURE() << "texel " << i << ", " << j << ": " << std::hex << got
                              << " instead of about " << want;
        }
    EXPECT_EQ(wrong, 0);

    SetTextureFiltering(0);
    Sprite(image, 100, 100, SPRITE_FLAG_TRANSFORM, 0, &scale);
    Frame();
    ExpectArea(100, 100, 60, 40, blocks);

    // A reset brings back the device's default sampling; the switch is not
    // given again.
    SetTextureFiltering(1);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    Frame();
    Frame();
    ASSERT_EQ(gD3dDeviceLost, 0);
    Sprite(image, 100, 100, SPRITE_FLAG_TRANSFORM, 0, &scale);
    Frame();
    ExpectArea(100, 100, 60, 40, blocks);
}

} // namespace
