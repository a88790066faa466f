// Textures made around a picture's own memory, and the row-wise filter of
// rectangles: both must give exactly the pixels of a whole, zero-padded
// texture drawn as two triangles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/d3d9/soft_pixels.h"
#include "graphics/d3d9/soft_raster.h"
#include "tests/graphics/d3d9_screen.h"

namespace {

uint32_t NextRandom(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state;
}

struct Canvas {
    int32_t w, h;
    std::vector<uint32_t> pixels, rows, texels;
    std::vector<int32_t> columns;
    Canvas(int32_t width, int32_t height)
        : w(width), h(height), pixels(static_cast<size_t>(width) * height, 0xFF204060u),
          rows(width), texels(kMaxRasterTextureSize), columns(static_cast<size_t>(width) * 3) {}
    RasterTarget Target() {
        return {pixels.data(), w, h, w, rows.data(), columns.data(), texels.data()};
    }
};

// A picture of random texels, opaque, clear and in between, in the
// top-left of a texture: once stored whole with zeros around it, once as
// the picture alone.
struct PictureInTexture {
    std::vector<uint32_t> whole, picture;
    RasterTexture wholeView, pictureView;
    PictureInTexture(int32_t pw, int32_t ph, int32_t tw, int32_t th, uint32_t* state)
        : whole(static_cast<size_t>(tw) * th), picture(static_cast<size_t>(pw) * ph) {
        for (int32_t y = 0; y < ph; ++y)
            for (int32_t x = 0; x < pw; ++x) {
                uint32_t r = NextRandom(state);
                uint32_t alpha = r % 3 == 0 ? 255 : r % 3 == 1 ? 0 : r >> 24;
                uint32_t texel = alpha << 24 | (NextRandom(state) & 0xFFFFFF);
                picture[static_cast<size_t>(y) * pw + x] = texel;
                whole[static_cast<size_t>(y) * tw + x] = texel;
            }
        wholeView = {whole.data(), tw, th, tw};
        pictureView = {picture.data(), tw, th, pw, tw - pw, th - ph};
    }
};

void DrawQuad(Canvas* canvas, const RasterState& state, bool asRectangle, const float* corners,
              const float* uv, uint32_t diffuse) {
    RasterVertex tl = {corners[0], corners[1], diffuse, uv[0], uv[2]};
    RasterVertex tr = {corners[2], corners[1], diffuse, uv[1], uv[2]};
    RasterVertex bl = {corners[0], corners[3], diffuse, uv[0], uv[3]};
    RasterVertex br = {corners[2], corners[3], diffuse, uv[1], uv[3]};
    // The renderer's index order: BL, TR, TL and BR, BL, TR.
    RasterVertex first[3] = {bl, tr, tl}, second[3] = {br, bl, tr};
    uint32_t firstIds[3] = {2, 1, 0}, secondIds[3] = {3, 2, 1};
    if (asRectangle) {
        ASSERT_TRUE(RasterRectangle(canvas->Target(), state, first, firstIds, second, secondIds));
        return;
    }
    RasterTriangle(canvas->Target(), state, first[0], first[1], first[2]);
    RasterTriangle(canvas->Target(), state, second[0], second[1], second[2]);
}

TEST(SoftRasterPictures, PictureOnlyTexturesAndFilteredRowsMatchWholeTextureTriangles) {
    struct Size {
        int32_t pw, ph, tw, th;
    };
    const Size sizes[] = {{37, 23, 64, 32}, {64, 32, 64, 32}, {5, 3, 8, 4}, {40, 24, 48, 30}};
    // Screen corners, then u0, u1, v0, v1 as fractions of the picture:
    // the movie's scale-up, a larger one, mirrored, wrapping, shrunk.
    const float corners[][4] = {{-0.5f, -0.5f, 201.5f, 150.5f}, {3.25f, -7.0f, 160.0f, 97.5f}};
    const float spans[][4] = {{0, 1, 0, 1},
                              {1, 0, 1, 0},
                              {-0.4f, 1.3f, 1.2f, -0.3f},
                              {0, 9, 0, 7},
                              {0.1f, 0.4f, 0.2f, 0.3f}};
    uint32_t state = 11;
    for (const Size& size : sizes) {
        PictureInTexture tex(size.pw, size.ph, size.tw, size.th, &state);
        float pu = static_cast<float>(size.pw) / size.tw,
              pv = static_cast<float>(size.ph) / size.th;
        for (int round = 0; round < 40; ++round) {
            const float* span = spans[round % 5];
            const float* quad = corners[round / 5 % 2];
            float uv[4] = {span[0] * pu, span[1] * pu, span[2] * pv, span[3] * pv};
            uint32_t diffuse = round % 3 ? kOpaqueWhite : 0xC0FF80A0u;
            bool linear = round / 10 % 2 == 0;
            RasterState whole = {&tex.wholeView, linear, linear, round / 20 == 0, false};
            RasterState alone = whole;
            alone.texture = &tex.pictureView;
            Canvas reference(203, 151), rectangle(203, 151), triangles(203, 151);
            DrawQuad(&reference, whole, false, quad, uv, diffuse);
            DrawQuad(&rectangle, alone, true, quad, uv, diffuse);
            DrawQuad(&triangles, alone, false, quad, uv, diffuse);
            ASSERT_EQ(rectangle.pixels, reference.pixels)
                << size.pw << "x" << size.ph << " round " << round;
            ASSERT_EQ(triangles.pixels, reference.pixels)
                << size.pw << "x" << size.ph << " round " << round;
        }
    }
}

using D3dPictureTexture = D3dScreenTest;

TEST_F(D3dPictureTexture, KeptPictureDrawsAndLocksAsACopiedOne) {
    Image* kept = Uploaded(MakePatternImage(100, 30));
    // Padded texture rows cannot take the picture's own memory: a copy.
    SoftD3dGetOptions().extraTexturePitch = 64;
    Image* copied = Uploaded(MakePatternImage(100, 30));
    SoftD3dGetOptions().extraTexturePitch = 0;
    SetTextureFiltering(1);
    SpriteTransform grow = {1.7f, 1.3f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    Sprite(kept, 5, 0, SPRITE_FLAG_TRANSFORM, 0, &grow);
    Sprite(copied, 5, 300, SPRITE_FLAG_TRANSFORM, 0, &grow);
    Frame();
    SetTextureFiltering(0);
    ExpectArea(0, 0, 190, 45, [&](int32_t x, int32_t y) { return Pixel(x, y + 300); });

    // Locked, it is the whole 128x32 texture with the picture written in.
    auto* texture = reinterpret_cast<IDirect3DTexture9*>(kept->texture->handle);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    ASSERT_EQ(locked.Pitch, 128 * 4);
    int wrong = 0;
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 128; ++x) {
            uint32_t texel;
            std::memcpy(&texel, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            wrong += texel != (x < 100 && y < 30 ? PatternPixel(x, y) : 0u);
        }
    texture->UnlockRect(0);
    EXPECT_EQ(wrong, 0);
}

} // namespace
