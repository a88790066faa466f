// Text drawn through the Direct3D 9 renderer on the software layer, read
// back from the screen: each glyph's colour in its cell, cut at the clip.
#include <gtest/gtest.h>

#include <SDL.h>

#include "graphics/renderer.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/text.h"

namespace {

class TextPixels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE), 0) << SDL_GetError();
        started_ = true;
        if (SetVideoMode(800, 600, 32, 0, RENDERER_D3D9, 0) != 1)
            GTEST_SKIP() << "the Direct3D 9 renderer could not set the mode";
        SetTextureFiltering(0);
        ClearScreen();
        PresentFrame(); // opens the first scene: draws before it are dropped
    }
    void TearDown() override {
        if (!started_)
            return;
        ShutdownRenderer();
        SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
        SDL_Quit();
    }
    // 0xRRGGBB of a screen pixel from a bottom-row-first RGB read-back.
    static uint32_t Pixel(const std::vector<uint8_t>& rgb, int32_t x, int32_t y) {
        size_t at = (static_cast<size_t>(READ_SCREEN_HEIGHT - 1 - y) * READ_SCREEN_WIDTH +
                     static_cast<size_t>(x)) *
                    3;
        return (uint32_t{rgb[at]} << 16) | (uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
    }

private:
    bool started_ = false;
};

TEST_F(TextPixels, GlyphsLandInTheirCellsAndStopAtTheClip) {
    std::vector<uint8_t> rgb(READ_SCREEN_BYTES);
    {
        UiArchive archive; // pictures load after the mode is set: textures
        ASSERT_TRUE(archive.ok());
        ASSERT_EQ(gUI.LoadFont(58, 0), 1);
        CText text;
        text.SetFont(0);
        text.SetText(u"aW");
        text.SetClipRect(0, 0, 112, 60);
        text.SetScroll(100, 50);
        SpriteRecord black = {};
        InitSpriteRecord(&black, gScreenTarget);
        black.x = 0;
        black.y = 0;
        black.width = READ_SCREEN_WIDTH;
        black.height = READ_SCREEN_HEIGHT;
        black.colour = 0xFF000000u;
        FillRect(&black);
        text.Draw();
        ReadScreen(rgb.data()); // the frame drawn so far
    }
    const uint32_t a = FontGlyphColour(u'a') & 0xFFFFFF;
    const uint32_t w = FontGlyphColour(u'W') & 0xFFFFFF;
    // 'a' covers x 100..107 and y 52..67 (baseline 64, ascent 12), cut at 60.
    EXPECT_EQ(Pixel(rgb, 100, 52), a);
    EXPECT_EQ(Pixel(rgb, 107, 59), a);
    EXPECT_EQ(Pixel(rgb, 99, 55), 0u);
    EXPECT_EQ(Pixel(rgb, 103, 51), 0u);
    EXPECT_EQ(Pixel(rgb, 103, 60), 0u);
    // 'W' starts at 108 and is cut at the clip's right edge, 112.
    EXPECT_EQ(Pixel(rgb, 108, 55), w);
    EXPECT_EQ(Pixel(rgb, 111, 59), w);
    EXPECT_EQ(Pixel(rgb, 112, 55), 0u);
}

} // namespace
