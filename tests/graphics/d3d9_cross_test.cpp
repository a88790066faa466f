// The same scenes through the Direct3D 9 renderer on our software layer
// (SDL dummy video) and through OpenGL (Mesa's llvmpipe under Xvfb): 1:1
// content, fills and meshes give identical pixels, filtered content agrees
// within a small tolerance.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/renderer.h"
#include "tests/graphics/screen_draw.h"
#include "tests/graphics/test_images.h"

namespace {

Image* AlphaPattern(int32_t w, int32_t h) {
    Image* image = MakePatternImage(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t alpha = static_cast<uint32_t>((x * 37 + y * 91) % 256);
            image->pixels[y * w + x] = (image->pixels[y * w + x] & 0xFFFFFFu) | alpha << 24;
        }
    return image;
}

struct Draw {
    SpriteRecord record;
    void Sprite(Image* image, int32_t x, int32_t y, uint16_t flags = 0) {
        record = {};
        record.source = image;
        InitSpriteRecord(&record, gScreenTarget);
        record.x = x;
        record.y = y;
        record.flags = flags;
    }
    void Submit() { DrawSprite(&record); }
};

// Pictures are made per renderer: textures belong to the renderer that
// uploaded them.
struct Pictures {
    Image* pattern = MakePatternImage(100, 30);
    Image* odd = MakePatternImage(37, 19);
    Image* alpha = AlphaPattern(64, 40);
    Image* gradient = MakeGradientImage(32, 32);
    Image* reduced = MakePatternImage(64, 32);
    Image* meshPicture = MakePatternImage(64, 64);

    explicit Pictures(int32_t reduceTextures) {
        for (Image* image : {pattern, odd, alpha, gradient, meshPicture})
            UploadTexture(image);
        gReduceTextures = reduceTextures;
        UploadTexture(reduced);
        gReduceTextures = 0;
    }
    ~Pictures() {
        for (Image** image : {&pattern, &odd, &alpha, &gradient, &reduced, &meshPicture})
            FreeImage(image);
    }
};

void DrawScene(Pictures& p) {
    Draw d;
    FillScreen(0, 0, 800, 600, 0xFF303848u);
    // 1:1 sprites at odd positions, mirrored and partial.
    d.Sprite(p.pattern, 13, 7);
    d.Submit();
    d.Sprite(p.odd, 201, 51, SPRITE_FLAG_MIRROR_X);
    d.Submit();
    d.Sprite(p.odd, 301, 51, SPRITE_FLAG_MIRROR_Y);
    d.Submit();
    d.Sprite(p.odd, 401, 51, SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y);
    d.Submit();
    d.Sprite(p.pattern, 501, 51);
    d.record.sourceX = 12;
    d.record.sourceY = 5;
    d.record.width = 16;
    d.record.height = 10;
    d.Submit();
    // Alpha: per pixel, and scaled by the colour's alpha byte.
    d.Sprite(p.alpha, 101, 151);
    d.Submit();
    d.Sprite(p.pattern, 201, 151, SPRITE_FLAG_ALPHA);
    d.record.colour = 0x90000000u;
    d.Submit();
    // An identity transform lands where the pivot says.
    SpriteTransform identity = {1.0f, 1.0f, 5, 3, 0.0f, 5, 3, 1.0f, 1.0f, 1.0f, 1.0f};
    d.Sprite(p.odd, 405, 153, SPRITE_FLAG_TRANSFORM);
    d.record.transform = &identity;
    d.Submit();
    // Fills.
    FillScreen(501, 151, 60, 30, 0x60FF8000u);
    FillScreen(601, 151, 60, 30, 0xFF804020u);
    // Coloured mesh with slanted edges: a thin rope and a fan.
    int16_t rope[8] = {0, 0, 1, 0, 37, 61, 38, 61};
    MeshTriangle ropeTriangles[2] = {{{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFE0E020u},
                                     {{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFE0E020u}};
    TriangleMesh ropeMesh = {rope, ropeTriangles, 21, 251, 0, 4, 0, 1};
    DrawTriangleMesh(&ropeMesh);
    int16_t fan[10] = {0, 0, 50, 7, 13, 60, 61, 45, 3, 29};
    MeshTriangle fanTriangles[3] = {{{-1, 0, 0}, {0, 0, 0}, nullptr, 0xC020E0E0u},
                                    {{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFE02020u},
                                    {{-1, 0, 0}, {0, 0, 0}, nullptr, 0x8020E020u}};
    TriangleMesh fanMesh = {fan, fanTriangles, 101, 251, 0, 5, 0, 1};
    DrawTriangleMesh(&fanMesh);
    // Textured mesh mapped 1:1.
    int16_t tex[6] = {0, 0, 64, 0, 0, 64};
    MeshTriangle texTriangles[1] = {{{0, 64, 0}, {0, 0, 64}, p.meshPicture, 0}};
    TriangleMesh texMesh = {tex, texTriangles, 201, 251, 0, 3, 0, 1};
    DrawTriangleMesh(&texMesh);
    // 4-bit textures.
    d.Sprite(p.reduced, 301, 251);
    d.Submit();
    // Filtered: scaled and turned.
    SpriteTransform scale = {2.0f, 2.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    d.Sprite(p.gradient, 401, 351, SPRITE_FLAG_TRANSFORM);
    d.record.transform = &scale;
    d.Submit();
    SpriteTransform turn = {1.5f, 1.5f, 16, 16, 0.5f, 16, 16, 1.0f, 1.0f, 1.0f, 1.0f};
    d.Sprite(p.gradient, 601, 401, SPRITE_FLAG_TRANSFORM);
    d.record.transform = &turn;
    d.Submit();
}

std::vector<uint8_t> Render(int32_t kind, const char* driver, int32_t reduce) {
    ScopedEnv video("SDL_VIDEODRIVER", driver);
    ScopedEnv software("LIBGL_ALWAYS_SOFTWARE", "1");
    std::vector<uint8_t> screen;
    if (!StartVideo())
        return screen;
    if (SetVideoMode(800, 600, 32, 0, kind, 0) == 1) {
        ClearScreen();
        PresentFrame();
        {
            Pictures pictures(reduce);
            DrawScene(pictures);
            screen.resize(READ_SCREEN_BYTES);
            ReadScreen(screen.data());
        }
        ShutdownRenderer();
    }
    SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
    SDL_Quit();
    return screen;
}

struct Area {
    int32_t x, y, w, h;
    int32_t tolerance;
    const char* what;
};

void Compare(const std::vector<uint8_t>& d3d, const std::vector<uint8_t>& gl, const Area& a) {
    int differing = 0;
    int32_t worst = 0;
    for (int32_t y = a.y; y < a.y + a.h; ++y)
        for (int32_t x = a.x; x < a.x + a.w; ++x) {
            int32_t d = PixelDistance(ScreenPixel(d3d, x, y), ScreenPixel(gl, x, y));
            worst = std::max(worst, d);
            if (d > a.tolerance && differing++ < 3)
                ADD_FAILURE() << a.what << " (" << x << ", " << y << "): Direct3D 9 " << std::hex
                              << ScreenPixel(d3d, x, y) << ", OpenGL " << ScreenPixel(gl, x, y);
        }
    EXPECT_EQ(differing, 0) << a.what << ", largest difference " << worst;
}

class CrossRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            GTEST_SKIP() << "no X display for OpenGL (run under xvfb-run)";
    }
};

TEST_F(CrossRendererTest, OneToOneContentFillsAndMeshesAreIdentical) {
    std::vector<uint8_t> d3d = Render(RENDERER_D3D9, "dummy", 1);
    ASSERT_FALSE(d3d.empty());
    std::vector<uint8_t> gl = Render(RENDERER_OPENGL, "x11", 1);
    ASSERT_FALSE(gl.empty()) << "OpenGL did not start";
    const Area exact[] = {
        {0, 0, 800, 6, 0, "background fill"},
        {10, 4, 106, 36, 0, "1:1 sprite at an odd position"},
        {198, 48, 43, 25, 0, "mirrored in x"},
        {298, 48, 43, 25, 0, "mirrored in y"},
        {398, 48, 43, 25, 0, "mirrored in both"},
        {498, 48, 22, 16, 0, "partial source"},
        {98, 148, 70, 46, 0, "per-pixel alpha"},
        {198, 148, 106, 36, 0, "alpha flag"},
        {396, 146, 45, 25, 0, "identity transform"},
        {498, 148, 166, 36, 0, "fills"},
        {18, 248, 44, 68, 0, "coloured rope mesh"},
        {98, 248, 68, 68, 0, "coloured fan mesh"},
        {198, 248, 68, 68, 0, "textured mesh mapped 1:1"},
        {298, 248, 68, 36, 0, "4-bit texture"},
    };
    for (const Area& area : exact)
        Compare(d3d, gl, area);
    EXPECT_EQ(ScreenPixel(d3d, 112, 36), PatternPixel(99, 29));
}

// Direct3D 9 samples points in the game (the filtering switch is for
// movies); OpenGL always filters linearly. Away from the edges the two
// stay within about one step of the gradient.
TEST_F(CrossRendererTest, ScaledAndTurnedSpritesAgreeWithinATolerance) {
    std::vector<uint8_t> d3d = Render(RENDERER_D3D9, "dummy", 0);
    ASSERT_FALSE(d3d.empty());
    std::vector<uint8_t> gl = Render(RENDERER_OPENGL, "x11", 0);
    ASSERT_FALSE(gl.empty()) << "OpenGL did not start";
    Compare(d3d, gl, {403, 353, 60, 60, 10, "scaled 2x"});
    // The middle of the turned sprite.
    Compare(d3d, gl, {601, 378, 16, 16, 16, "turned and scaled"});
}

} // namespace
