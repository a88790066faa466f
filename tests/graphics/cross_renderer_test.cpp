// Both renderers draw the same picture: one scene drawn through the
// Direct3D 9 renderer on our software layer (SDL dummy video) and through
// OpenGL (Mesa under Xvfb), then compared pixel by pixel. 1:1 content must
// match exactly; filtered and blended content within a small tolerance.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/renderer.h"
#include "tests/graphics/screen_draw.h"
#include "tests/graphics/test_images.h"

namespace {

struct Area {
    int32_t x, y, w, h;
    int32_t tolerance;
    const char* what;
};

// Areas of the scene and how closely the two renderers must agree there.
const Area kExactAreas[] = {
    {13, 7, 100, 30, 0, "1:1 sprite at an odd position"},
    {201, 51, 40, 20, 0, "mirrored sprite"},
    {301, 51, 40, 20, 0, "vertically mirrored sprite"},
    {401, 51, 16, 20, 0, "partial source"},
    {0, 0, 800, 4, 0, "background fill"},
    {501, 301, 60, 30, 0, "opaque fill"},
    {13, 401, 64, 32, 0, "reduced-colour sprite"},
    {612, 420, 38, 38, 0, "inside of a mesh quad"},
};
const Area kCloseAreas[] = {
    {101, 151, 50, 30, 2, "alpha sprite"},
    {501, 151, 60, 30, 2, "alpha fill"},
    {201, 251, 64, 64, 24, "scaled sprite, filtered"},
    {452, 188, 62, 62, 24, "scaled and turned sprite, filtered"},
};

void Sprite(Image* image, int32_t x, int32_t y, uint16_t flags = 0, int32_t sx = 0, int32_t w = -1,
            uint32_t colour = 0, SpriteTransform* t = nullptr) {
    SpriteRecord r = ScreenSprite(image, x, y, flags);
    r.sourceX = sx;
    r.width = w;
    r.colour = colour;
    r.transform = t;
    DrawSprite(&r);
}

// The scene's pictures, made and uploaded by the active renderer, and kept
// until the frame has been read back (Direct3D 9 draws at its present).
struct Scene {
    Image* pattern = MakePatternImage(100, 30);
    Image* small = MakePatternImage(40, 20);
    Image* gradient = MakeGradientImage(32, 32);
    Image* blue = MakeSolidImage(50, 30, 0xFF2050E0u);
    Image* reduced = MakePatternImage(64, 32);

    Scene() {
        UploadTexture(pattern);
        UploadTexture(small);
        UploadTexture(gradient);
        UploadTexture(blue);
        gReduceTextures = 1;
        UploadTexture(reduced);
        gReduceTextures = 0;
    }
    ~Scene() {
        FreeImage(&pattern);
        FreeImage(&small);
        FreeImage(&gradient);
        FreeImage(&blue);
        FreeImage(&reduced);
    }

    void Draw() {
        FillScreen(0, 0, 800, 600, 0xFF303848u);
        Sprite(pattern, 13, 7);
        Sprite(small, 201, 51, SPRITE_FLAG_MIRROR_X);
        Sprite(small, 301, 51, SPRITE_FLAG_MIRROR_Y);
        Sprite(small, 401, 51, 0, 12, 16);
        Sprite(blue, 101, 151, SPRITE_FLAG_ALPHA, 0, -1, 0x90000000u);
        FillScreen(501, 151, 60, 30, 0x60FF8000u);
        FillScreen(501, 301, 60, 30, 0xFF804020u);
        Sprite(reduced, 13, 401);
        SpriteTransform scale = {2.0f, 2.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
        SetTextureFiltering(1);
        Sprite(gradient, 201, 251, SPRITE_FLAG_TRANSFORM, 0, -1, 0, &scale);
        // Two coloured triangles sharing a diagonal make a 40 x 40 square.
        int16_t vertices[8] = {0, 0, 40, 0, 0, 40, 40, 40};
        MeshTriangle triangles[2] = {{{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFE0E020u},
                                     {{-1, 0, 0}, {0, 0, 0}, nullptr, 0xFFE0E020u}};
        TriangleMesh mesh = {vertices, triangles, 611, 419, 0, 4, 0, 1};
        DrawTriangleMesh(&mesh);
    }
};

// Draws the scene through one renderer and reads it back; empty when the
// renderer could not start.
std::vector<uint8_t> RenderScene(int32_t kind, const char* driver) {
    ScopedEnv video("SDL_VIDEODRIVER", driver);
    ScopedEnv software("LIBGL_ALWAYS_SOFTWARE", "1");
    std::vector<uint8_t> screen;
    if (!StartVideo())
        return screen;
    if (SetVideoMode(800, 600, 32, 0, kind, 0) == 1) {
        ClearScreen();
        PresentFrame(); // Direct3D 9 opens its first scene here
        Scene scene;
        scene.Draw();
        // Direct3D 9 draws its batch at the present and keeps the back
        // buffer; OpenGL has drawn already and would lose it to the swap.
        if (kind == RENDERER_D3D9)
            PresentFrame();
        screen.resize(READ_SCREEN_BYTES);
        ReadScreen(screen.data());
    }
    SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
    SDL_Quit();
    return screen;
}

void CompareArea(const std::vector<uint8_t>& d3d, const std::vector<uint8_t>& gl,
                 const Area& area) {
    int differing = 0, worst = 0;
    for (int32_t y = area.y; y < area.y + area.h; ++y)
        for (int32_t x = area.x; x < area.x + area.w; ++x) {
            int32_t d = PixelDistance(ScreenPixel(d3d, x, y), ScreenPixel(gl, x, y));
            if (d > area.tolerance) {
                if (differing++ < 3)
                    ADD_FAILURE() << area.what << ": (" << x << ", " << y << ") Direct3D 9 "
                                  << std::hex << ScreenPixel(d3d, x, y) << ", OpenGL "
                                  << ScreenPixel(gl, x, y);
            }
            worst = std::max(worst, d);
        }
    EXPECT_EQ(differing, 0) << area.what << " (largest difference " << worst << ")";
}

TEST(CrossRenderer, BothRenderersDrawTheSamePicture) {
    if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0')
        GTEST_SKIP() << "no X display for OpenGL (run under xvfb-run)";
    std::vector<uint8_t> d3d = RenderScene(RENDERER_D3D9, "dummy");
    if (d3d.empty())
        GTEST_SKIP() << "the Direct3D 9 renderer did not start";
    std::vector<uint8_t> gl = RenderScene(RENDERER_OPENGL, "x11");
    ASSERT_FALSE(gl.empty()) << "the OpenGL renderer did not start";
    for (const Area& area : kExactAreas)
        CompareArea(d3d, gl, area);
    for (const Area& area : kCloseAreas)
        CompareArea(d3d, gl, area);
    // The 1:1 sprite shows its source exactly under both.
    EXPECT_EQ(ScreenPixel(gl, 13 + 99, 7 + 29), PatternPixel(99, 29));
    EXPECT_EQ(ScreenPixel(d3d, 13 + 99, 7 + 29), PatternPixel(99, 29));
}

} // namespace
