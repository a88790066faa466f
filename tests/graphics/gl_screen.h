// A real OpenGL window for pixel tests: SDL's X11 driver under Xvfb, Mesa's
// software rasteriser. Tests that use it skip when no display is set.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/renderer.h"
#include "tests/graphics/screen_draw.h"

class GlScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0')
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        savedDriver_ = driver ? driver : "";
        hadDriver_ = driver != nullptr;
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        ASSERT_TRUE(StartVideo()) << SDL_GetError();
        started_ = true;
        ASSERT_EQ(SetVideoMode(800, 600, 32, 0, RENDERER_OPENGL, Reduce()), 1);
        ClearScreen();
    }

    void TearDown() override {
        if (!started_)
            return;
        SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
        SDL_Quit();
        if (hadDriver_)
            setenv("SDL_VIDEODRIVER", savedDriver_.c_str(), 1);
        else
            unsetenv("SDL_VIDEODRIVER");
    }

    virtual int32_t Reduce() const { return 0; }

    // The back buffer as READ_SCREEN_BYTES of RGB, bottom row first.
    std::vector<uint8_t> Screen() const {
        std::vector<uint8_t> rgb(READ_SCREEN_BYTES);
        ReadScreen(rgb.data());
        return rgb;
    }

private:
    bool started_ = false;
    bool hadDriver_ = false;
    std::string savedDriver_;
};
