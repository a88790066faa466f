// Our software Direct3D 9 layer on its own: pixel arithmetic, the
// rasteriser's rules, and the device calls the renderer relies on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "graphics/d3d9/d3d9.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/d3d9/soft_pixels.h"
#include "graphics/d3d9/soft_present.h"
#include "graphics/d3d9/soft_raster.h"

namespace {

uint32_t NextTestRandom(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state;
}

// ---- pixel arithmetic ----------------------------------------------------------

TEST(SoftPixels, BlendRoundsLikeMesasSoftwareRenderer) {
    // Exact rounding would give 190 here; llvmpipe gives 189, and so must we
    // for the two renderers to agree byte for byte.
    EXPECT_EQ(BlendPixel(0x02000000u, 0xFFBFBFBFu) & 0xFF, 189u);
    EXPECT_EQ(BlendPixel(0xFF123456u, 0xFF654321u), 0xFF123456u);
    EXPECT_EQ(BlendPixel(0x00123456u, 0xFF654321u), 0xFF654321u);
    // Texture times diffuse rounds to nearest.
    EXPECT_EQ(ModulatePixel(0xFFE500FFu, 0x98FFFFFFu) >> 24, 152u);
    EXPECT_EQ(ModulatePixel(0x00E50000u, 0x00980000u), 0x00890000u);
}

TEST(SoftPixels, FastRowsMatchThePixelByPixelReference) {
    uint32_t state = 7;
    for (int round = 0; round < 200; ++round) {
        int32_t count = static_cast<int32_t>(NextTestRandom(&state) % 37);
        std::vector<uint32_t> src(count), dst(count);
        for (int32_t i = 0; i < count; ++i) {
            uint32_t r = NextTestRandom(&state);
            uint32_t alphaKind = r % 4; // runs of opaque and clear, and in between
            uint32_t alpha = alphaKind == 0 ? 0 : alphaKind == 1 ? 255 : (r >> 24);
            src[i] = alpha << 24 | (NextTestRandom(&state) & 0xFFFFFF);
            dst[i] = NextTestRandom(&state);
        }
        uint32_t diffuse = (round % 3 == 0) ? kOpaqueWhite : NextTestRandom(&state);
        bool blend = round % 5 != 0;
        std::vector<uint32_t> fast = dst, slow = dst;
        ShadeRow(fast.data(), src.data(), count, diffuse, blend);
        ShadeRowReference(slow.data(), src.data(), count, diffuse, blend);
        ASSERT_EQ(fast, slow) << "round " << round;
        std::vector<uint32_t> solid = dst;
        ShadeRowSolid(solid.data(), count, src.empty() ? 0 : src[0], true);
        for (int32_t i = 0; i < count; ++i)
            ASSERT_EQ(solid[i], BlendPixel(src[0], dst[i]));
    }
}

// ---- rasteriser -------------------------------------------------------------------

struct Canvas {
    int32_t w, h;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> rows;
    std::vector<int32_t> columns;
    std::vector<uint32_t> texels;
    Canvas(int32_t width, int32_t height, uint32_t fill)
        : w(width), h(height), pixels(static_cast<size_t>(width) * height, fill), rows(width),
          columns(static_cast<size_t>(width) * 3), texels(kMaxRasterTextureSize) {}
    RasterTarget Target() {
        return {pixels.data(), w, h, w, rows.data(), columns.data(), texels.data()};
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * w + x]; }
};

struct Texture {
    std::vector<uint32_t> texels;
    RasterTexture view;
    Texture(int32_t w, int32_t h) : texels(static_cast<size_t>(w) * h) {
        for (int32_t i = 0; i < w * h; ++i)
            texels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
        view = {texels.data(), w, h, w};
    }
};

RasterVertex V(float x, float y, float u, float v, uint32_t diffuse = kOpaqueWhite) {
    return {x, y, diffuse, u, v};
}

TEST(SoftRaster, RectanglePathGivesThePixelsOfItsTwoTriangles) {
    Texture tex(32, 16);
    uint32_t state = 3;
    for (int round = 0; round < 300; ++round) {
        auto coord = [&](int range) {
            return static_cast<float>(NextTestRandom(&state) % range) * 0.5f - 10.0f;
        };
        float x0 = coord(120), y0 = coord(100), x1 = coord(120), y1 = coord(100);
        if (x0 == x1 || y0 == y1)
            continue;
        auto texCoord = [&] {
            return static_cast<float>(NextTestRandom(&state) % 200) / 64.0f - 1.0f;
        };
        float u0 = texCoord(), u1 = texCoord(), v0 = texCoord(), v1 = texCoord();
        uint32_t diffuse = round % 2 ? kOpaqueWhite : NextTestRandom(&state);
        RasterState rs = {&tex.view, round % 3 == 0, round % 4 == 0, round % 5 != 0, false};
        RasterVertex tl = V(x0, y0, u0, v0, diffuse), tr = V(x1, y0, u1, v0, diffuse);
        RasterVertex bl = V(x0, y1, u0, v1, diffuse), br = V(x1, y1, u1, v1, diffuse);
        // The renderer's index order: BL, TR, TL and BR, BL, TR.
        RasterVertex first[3] = {bl, tr, tl}, second[3] = {br, bl, tr};
        uint32_t firstIds[3] = {2, 1, 0}, secondIds[3] = {3, 2, 1};
        Canvas fast(48, 40, 0xFF102030u), slow(48, 40, 0xFF102030u);
        ASSERT_TRUE(RasterRectangle(fast.Target(), rs, first, firstIds, second, secondIds));
        RasterTriangle(slow.Target(), rs, first[0], first[1], first[2]);
        RasterTriangle(slow.Target(), rs, second[0], second[1], second[2]);
        ASSERT_EQ(fast.pixels, slow.pixels)
            << "round " << round << " x " << x0 << ".." << x1 << " y " << y0 << ".." << y1;
    }
}

TEST(SoftRaster, SlantedQuadIsNotTakenForARectangle) {
    RasterState rs = {nullptr, false, false, false, false};
    Canvas c(16, 16, 0);
    RasterVertex first[3] = {V(0, 8, 0, 0), V(8, 0, 0, 0), V(1, 0, 0, 0)};
    RasterVertex second[3] = {V(9, 8, 0, 0), V(0, 8, 0, 0), V(8, 0, 0, 0)};
    uint32_t firstIds[3] = {2, 1, 0}, secondIds[3] = {3, 2, 1};
    EXPECT_FALSE(RasterRectangle(c.Target(), rs, first, firstIds, second, secondIds));
    EXPECT_EQ(c.pixels, std::vector<uint32_t>(256, 0));
}

TEST(SoftRaster, TopLeftRuleCoversEveryPixelOfAFanExactlyOnce) {
    // Half-transparent triangles around a centre: a pixel drawn twice would
    // come out darker than one drawn once.
    const uint32_t background = 0xFF000000u, colour = 0x80FFFFFFu;
    RasterState rs = {nullptr, false, false, true, false};
    Canvas c(64, 64, background);
    const float cx = 30.0f, cy = 29.0f;
    const float ring[][2] = {{2, 2},   {30, 1},  {61, 3}, {62, 30},
                             {60, 61}, {29, 62}, {1, 60}, {3, 31}};
    for (int i = 0; i < 8; ++i) {
        const float* a = ring[i];
        const float* b = ring[(i + 1) % 8];
        RasterTriangle(c.Target(), rs, V(cx, cy, 0, 0, colour), V(a[0], a[1], 0, 0, colour),
                       V(b[0], b[1], 0, 0, colour));
    }
    uint32_t once = BlendPixel(colour, background);
    int inside = 0;
    for (uint32_t p : c.pixels) {
        ASSERT_TRUE(p == background || p == once) << std::hex << p;
        inside += p == once;
    }
    EXPECT_GT(inside, 3000);
}

TEST(SoftRaster, IntegerCornersCoverTheHalfOpenRectangle) {
    RasterState rs = {nullptr, false, false, false, false};
    Canvas c(10, 10, 0);
    RasterTriangle(c.Target(), rs, V(2, 3, 0, 0, 1), V(6, 3, 0, 0, 1), V(2, 7, 0, 0, 1));
    RasterTriangle(c.Target(), rs, V(6, 7, 0, 0, 1), V(2, 7, 0, 0, 1), V(6, 3, 0, 0, 1));
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(c.At(x, y), (x >= 2 && x < 6 && y >= 3 && y < 7) ? 1u : 0u) << x << "," << y;
}

TEST(SoftRaster, PointSamplingWrapsAndLinearSamplingFiltersAtTexelCentres) {
    Texture tex(4, 4);
    RasterState point = {&tex.view, false, false, false, false};
    Canvas c(8, 4, 0);
    // u from 0.5 to 2.5 over 8 pixels sampled at integer x: texel floor(u*4).
    RasterVertex first[3] = {V(0, 4, 0.5f, 1), V(8, 0, 2.5f, 0), V(0, 0, 0.5f, 0)};
    RasterVertex second[3] = {V(8, 4, 2.5f, 1), V(0, 4, 0.5f, 1), V(8, 0, 2.5f, 0)};
    uint32_t a[3] = {2, 1, 0}, b[3] = {3, 2, 1};
    ASSERT_TRUE(RasterRectangle(c.Target(), point, first, a, second, b));
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(c.At(x, 0), tex.texels[(2 + x) % 4]) << x;

    // Linear at a texel's centre gives the texel; halfway, the mean.
    RasterState linear = {&tex.view, true, true, false, false};
    Canvas d(2, 1, 0);
    RasterTriangle(d.Target(), linear, V(0, 0, 0.125f, 0.125f), V(2, 0, 0.375f, 0.125f),
                   V(0, 2, 0.125f, 0.125f));
    EXPECT_EQ(d.At(0, 0), tex.texels[0]);
    uint32_t mean = 0;
    for (int shift = 0; shift < 32; shift += 8)
        mean |= ((((tex.texels[0] >> shift) & 0xFF) + ((tex.texels[1] >> shift) & 0xFF) + 1) / 2)
                << shift;
    EXPECT_LE(
        std::abs(static_cast<int>(d.At(1, 0) >> 16 & 0xFF) - static_cast<int>(mean >> 16 & 0xFF)),
        1);
}

TEST(SoftRaster, BrokenVerticesDrawNothing) {
    Texture tex(4, 4);
    RasterState rs = {&tex.view, false, false, true, false};
    Canvas c(16, 16, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    RasterTriangle(c.Target(), rs, V(nan, 0, 0, 0), V(10, 0, 0, 0), V(0, 10, 0, 0));
    RasterTriangle(c.Target(), rs, V(0, 0, 0, 0), V(inf, 0, 0, 0), V(0, 10, 0, 0));
    RasterTriangle(c.Target(), rs, V(0, 0, 0, 0), V(10, 0, nan, 0), V(0, 10, 0, 0));
    RasterTriangle(c.Target(), rs, V(-3e9f, -3e9f, 0, 0), V(3e9f, 0, 0, 0), V(0, 3e9f, 0, 0));
    RasterTriangle(c.Target(), rs, V(0, 0, 0, 0), V(10, 0, 1e30f, 0), V(0, 10, 0, 0));
    EXPECT_EQ(c.pixels, std::vector<uint32_t>(256, 0));
    // Far off, but sane: clipped, not dropped.
    RasterState solid = {nullptr, false, false, false, false};
    RasterTriangle(c.Target(), solid, V(-30000, -30000, 0, 0, 5), V(60000, -30000, 0, 0, 5),
                   V(-30000, 60000, 0, 0, 5));
    EXPECT_EQ(c.At(15, 0), 5u);
}

TEST(SoftPresent, ReadBackIsRgbBottomRowFirstAndBlackBeyondTheBuffer) {
    const uint32_t back[6] = {0xFF010203u, 0xFF040506u, 0xFF070809u,
                              0xFF0A0B0Cu, 0xFF0D0E0Fu, 0xFF101112u};
    std::vector<uint8_t> rgb(4 * 3 * 3, 0xEE);
    ReadBackRgb(back, 3, 2, rgb.data(), 4, 3);
    const uint8_t expected[] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0, 0, 0,
                                0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0,
                                0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0};
    EXPECT_EQ(rgb, std::vector<uint8_t>(expected, expected + sizeof(expected)));
}

// ---- the device --------------------------------------------------------------------

class SoftDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        SoftD3dResetOptions();
        SoftD3dResetCounters();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE), 0);
        surface_ = SDL_SetVideoMode(64, 48, Bits(), 0);
        ASSERT_NE(surface_, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
        std::memset(&pp_, 0, sizeof(pp_));
        pp_.Windowed = 1;
        pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp_.BackBufferFormat = D3DFMT_A8R8G8B8;
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp_, &device_),
                  D3D_OK);
    }
    void TearDown() override {
        if (device_ != nullptr)
            device_->Release();
        if (d3d_ != nullptr)
            d3d_->Release();
        SDL_Quit();
    }
    virtual int Bits() const { return 32; }

    // One quad over the whole back buffer in a fresh pair of buffers.
    void MakeQuad(float u1, float v1, uint32_t diffuse) {
        ASSERT_EQ(device_->CreateVertexBuffer(4 * 28, D3DUSAGE_DYNAMIC, 0x144, D3DPOOL_DEFAULT,
                                              &vb_, nullptr),
                  D3D_OK);
        ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib_, nullptr),
                  D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(vb_->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
        const float xs[4] = {-0.5f, 63.5f, -0.5f, 63.5f}, ys[4] = {-0.5f, -0.5f, 47.5f, 47.5f};
        const float us[4] = {0, u1, 0, u1}, vs[4] = {0, 0, v1, v1};
        for (int i = 0; i < 4; ++i) {
            float f[4] = {xs[i], ys[i], 0.0f, 1.0f};
            uint8_t* out = static_cast<uint8_t*>(p) + i * 28;
            std::memcpy(out, f, 16);
            std::memcpy(out + 16, &diffuse, 4);
            std::memcpy(out + 20, &us[i], 4);
            std::memcpy(out + 24, &vs[i], 4);
        }
        vb_->Unlock();
        ASSERT_EQ(ib_->Lock(0, 0, &p, 0), D3D_OK);
        const uint16_t indices[6] = {2, 1, 0, 3, 2, 1};
        std::memcpy(p, indices, sizeof(indices));
        ib_->Unlock();
        device_->SetFVF(0x144);
        device_->SetStreamSource(0, vb_, 0, 28);
        device_->SetIndices(ib_);
    }
    void ReleaseQuad() {
        vb_->Release();
        ib_->Release();
        vb_ = nullptr;
        ib_ = nullptr;
    }
    uint32_t Back(int32_t x, int32_t y) {
        int32_t w, h;
        return SoftD3dBackBuffer(&w, &h)[y * w + x];
    }

    SDL_Surface* surface_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
    D3DPRESENT_PARAMETERS pp_;
};

TEST_F(SoftDeviceTest, WindowedDeviceTakesTheWindowsSize) {
    EXPECT_EQ(pp_.BackBufferWidth, 64u);
    EXPECT_EQ(pp_.BackBufferHeight, 48u);
    EXPECT_EQ(Direct3DCreate9(32), nullptr);
    IDirect3DDevice9* second = nullptr;
    EXPECT_TRUE(FAILED(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp_, &second)));
}

TEST_F(SoftDeviceTest, AFullscreenDeviceTakesTheScreenAtItsSize) {
    device_->Release();
    device_ = nullptr;
    ASSERT_EQ(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN, 0u);
    D3DPRESENT_PARAMETERS pp = pp_;
    pp.Windowed = 0;
    pp.BackBufferWidth = 80;
    pp.BackBufferHeight = 60;
    pp.BackBufferCount = 2;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &device_),
              D3D_OK);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(screen->flags & SDL_FULLSCREEN, 0u);
    EXPECT_EQ(screen->w, 80);
    EXPECT_EQ(screen->h, 60);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // A reset to the same mode keeps the screen it has.
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(SDL_GetVideoSurface(), screen);
}

TEST_F(SoftDeviceTest, UntexturedQuadIsTheDiffuseColour) {
    MakeQuad(1, 1, 0xFF336699u);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(Back(0, 0), 0xFF336699u);
    EXPECT_EQ(Back(63, 47), 0xFF336699u);
    EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
    ReleaseQuad();
}

TEST_F(SoftDeviceTest, FourBitTexelsWidenNibbleTimesSeventeen) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        device_->CreateTexture(2, 1, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, nullptr),
        D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const uint16_t texels[2] = {0xF1A3, 0x8000};
    std::memcpy(locked.pBits, texels, 4);
    texture->UnlockRect(0);
    MakeQuad(0.5f, 1, kOpaqueWhite); // the first texel only
    device_->SetTexture(0, texture);
    texture->Release(); // the device keeps its own reference
    device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    EXPECT_EQ(Back(10, 10), 0xFF11AA33u);
    device_->SetTexture(0, nullptr);
    EXPECT_EQ(SoftD3dGetCounters().liveTextures, 0u);
    ReleaseQuad();
}

TEST_F(SoftDeviceTest, MisuseIsRefusedAndCounted) {
    MakeQuad(1, 1, 0xFF00FF00u);
    void* p = nullptr;
    vb_->Lock(0, 0, &p, 0);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    vb_->Unlock();
    EXPECT_EQ(Back(5, 5), 0xFF000000u);
    EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderState(12345, 1), D3DERR_INVALIDCALL);
    // Indices past the index buffer, vertices past the vertex buffer.
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 60000, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(Back(5, 5), 0xFF000000u);
    EXPECT_EQ(SoftD3dGetCounters().misuse, 6u);
    ReleaseQuad();
}

TEST_F(SoftDeviceTest, PrimitiveLimitAndResetRulesFollowTheCaps) {
    D3DCAPS9 caps;
    ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_GE(caps.MaxPrimitiveCount, 0xFFFFu);
    MakeQuad(1, 1, 0xFF00FF00u);
    EXPECT_EQ(
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, caps.MaxPrimitiveCount + 1),
        D3DERR_INVALIDCALL);
    // A reset needs the default-pool buffers gone first.
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_NOT_RESET);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Reset(&pp_), D3DERR_INVALIDCALL);
    ReleaseQuad();
    EXPECT_EQ(device_->Reset(&pp_), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    SoftD3dSetDeviceState(SOFT_D3D_DEVICE_LOST);
    EXPECT_EQ(device_->Reset(&pp_), D3DERR_DEVICELOST);
}

TEST_F(SoftDeviceTest, ClearRectanglesAreClippedToTheBackBuffer) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    const D3DRECT rects[3] = {{-10, -10, 5, 5}, {60, 40, 100, 100}, {-20, 0, -5, 10}};
    EXPECT_EQ(device_->Clear(3, rects, D3DCLEAR_TARGET, 0xFFABCDEFu, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Back(0, 0), 0xFFABCDEFu);
    EXPECT_EQ(Back(4, 4), 0xFFABCDEFu);
    EXPECT_EQ(Back(5, 5), 0xFF000000u);
    EXPECT_EQ(Back(63, 47), 0xFFABCDEFu);
    EXPECT_EQ(Back(59, 47), 0xFF000000u);
}

class SoftDevice16Test : public SoftDeviceTest {
    int Bits() const override { return 16; }
};

TEST_F(SoftDevice16Test, PresentConvertsIntoASixteenBitSurface) {
    ASSERT_EQ(surface_->format->BytesPerPixel, 2);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF8040u, 1.0f, 0);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    uint16_t pixel;
    std::memcpy(&pixel, static_cast<uint8_t*>(surface_->pixels) + surface_->pitch * 3 + 2 * 5, 2);
    EXPECT_EQ(pixel, SDL_MapRGB(surface_->format, 0xFF, 0x80, 0x40));
}

} // namespace
