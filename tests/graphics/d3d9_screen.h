// The Direct3D 9 renderer on our software layer, headless under SDL's
// dummy video driver, for pixel tests: a fresh 800x600 device per test.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "graphics/d3d9/d3d_state.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "tests/graphics/screen_draw.h"
#include "tests/graphics/test_images.h"

class D3dScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        SoftD3dResetOptions();
        SoftD3dResetCounters();
        SetOptions(SoftD3dGetOptions());
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE), 0) << SDL_GetError();
        ASSERT_EQ(SetVideoMode(800, 600, Bits(), 0, RENDERER_D3D9, Reduce()), 1);
        ClearScreen();
        // The first present opens the first scene; until then draws are dropped.
        PresentFrame();
        EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
        SoftD3dResetCounters();
    }

    void TearDown() override {
        // The renderer keeps to the calls and states the layer supports.
        EXPECT_EQ(SoftD3dGetCounters().misuse, 0u);
        for (Image*& image : images_)
            FreeImage(&image);
        ShutdownRenderer();
        SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
        SDL_Quit();
        SoftD3dResetOptions();
    }

    virtual void SetOptions(SoftD3dOptions&) {}
    virtual int32_t Reduce() const { return 0; }
    virtual int32_t Bits() const { return 32; }

    // An uploaded copy of `image`, freed by the fixture.
    Image* Uploaded(Image* image) {
        UploadTexture(image);
        images_.push_back(image);
        return image;
    }

    // The back buffer after the frame's quads were drawn, as ARGB.
    uint32_t Pixel(int32_t x, int32_t y) const {
        int32_t w = 0, h = 0;
        const uint32_t* back = SoftD3dBackBuffer(&w, &h);
        return back[y * w + x] | 0xFF000000u;
    }

    // Draws what was appended and presents it.
    void Frame() { PresentFrame(); }

    void Sprite(Image* image, int32_t x, int32_t y, uint16_t flags = 0, uint32_t colour = 0,
                SpriteTransform* transform = nullptr) {
        SpriteRecord r = ScreenSprite(image, x, y, flags);
        r.colour = colour;
        r.transform = transform;
        DrawSprite(&r);
    }

    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
        FillScreen(x, y, w, h, colour);
    }

    // Every pixel of the rectangle equals `expected(x, y)` (ARGB, alpha
    // ignored); reports the first few that do not.
    template <typename F>
    void ExpectArea(int32_t x0, int32_t y0, int32_t w, int32_t h, F expected) {
        int wrong = 0;
        for (int32_t y = y0; y < y0 + h; ++y)
            for (int32_t x = x0; x < x0 + w; ++x) {
                uint32_t want = expected(x, y) | 0xFF000000u;
                if (Pixel(x, y) != want && wrong++ < 4)
                    ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << Pixel(x, y)
                                  << " instead of " << want;
            }
        EXPECT_EQ(wrong, 0);
    }

private:
    std::vector<Image*> images_;
};
