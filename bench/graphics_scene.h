// The typical frame that the renderer benchmarks draw, at 800x600: a
// full-screen background, three layers of 32x32 tiles, 100 sprites of
// 64x64, 50 rotated or scaled particles and 500 glyph quads. The same scene
// runs through either renderer (create it after SetVideoMode).
#pragma once

#include <SDL.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/image.h"
#include "graphics/renderer.h"

inline bool HasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

// Where frames are presented. Both renderers present to the X server when
// there is one, as the game does, so that their frame times hold the same
// work; without one, the Direct3D 9 runs present to SDL's dummy video and
// the OpenGL runs are skipped.
inline const char* PresentTarget() {
    return HasDisplay() ? "x11" : "dummy";
}

// SDL 1.2 has one video mode at a time: switching renderers restarts it.
// softwareGl asks Mesa for its software rasteriser, as on a machine
// without a GPU.
inline bool UseRenderer(int32_t kind, bool softwareGl = false) {
    static int32_t active = RENDERER_NONE;
    if (active == kind)
        return true;
    if (active != RENDERER_NONE) {
        ShutdownRenderer();
        SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
        SDL_Quit();
        active = RENDERER_NONE;
    }
    if (kind == RENDERER_OPENGL) {
        if (!HasDisplay())
            return false;
        if (softwareGl)
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    }
    setenv("SDL_VIDEODRIVER", PresentTarget(), 1);
    bool started = false;
    // Xvfb refuses connections for a moment after its last client leaves.
    for (int attempt = 0; attempt < 40 && !started; ++attempt) {
        started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) == 0;
        if (!started)
            SDL_Delay(50);
    }
    if (!started || SetVideoMode(800, 600, 32, 0, kind, 0) != 1)
        return false;
    ClearScreen();
    PresentFrame();
    active = kind;
    return true;
}

// One OpenGL window for the whole run: Xvfb refuses connections for a
// moment after its last client leaves. False without a display.
inline bool OpenGlWindow() {
    static const bool opened = [] {
        if (!HasDisplay())
            return false;
        setenv("SDL_VIDEODRIVER", "x11", 1);
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) != 0)
            return false;
        return SetVideoMode(800, 600, 32, 0, RENDERER_OPENGL, 0) == 1;
    }();
    return opened;
}

// The batch's worst case: 10,500 32x32 sprites spread over the screen.
inline void DrawWorstCaseQuads(SpriteRecord* record) {
    for (int32_t i = 0; i < 10500; ++i) {
        record->x = (i * 37) % 768;
        record->y = (i * 53) % 568;
        DrawSprite(record);
    }
}

class TypicalScene {
public:
    TypicalScene() {
        background_ = MakeImage(800, 600, 0xFF000000u, 0);
        tiles_ = MakeImage(256, 256, 0x00000000u, 1); // tile sheet with transparent holes
        sprites_ = MakeImage(256, 64, 0x00000000u, 2);
        particle_ = MakeImage(16, 16, 0x80FFFFFFu, 3);
        font_ = MakeImage(128, 128, 0x00FFFFFFu, 4);
        for (Image* image : {background_, tiles_, sprites_, particle_, font_})
            UploadTexture(image);
        transforms_.resize(50);
    }
    ~TypicalScene() {
        for (Image** image : {&background_, &tiles_, &sprites_, &particle_, &font_})
            FreeImage(image);
    }
    TypicalScene(const TypicalScene&) = delete;
    TypicalScene& operator=(const TypicalScene&) = delete;

    // One frame's draws; `frame` moves things a little each time.
    void Draw(int32_t frame) {
        SpriteRecord r = {};
        r.source = background_;
        InitSpriteRecord(&r, gScreenTarget);
        r.x = 0;
        r.y = 0;
        DrawSprite(&r);
        for (int layer = 0; layer < 3; ++layer)
            DrawTileLayer(layer, frame);
        DrawSprites(frame);
        DrawParticles(frame);
        DrawGlyphs(frame);
    }

private:
    static Image* MakeImage(int32_t w, int32_t h, uint32_t base, uint32_t seed) {
        Image* image = CreateImage(w, h, IMAGE_FMT_32);
        uint32_t state = 0x9E3779B9u * (seed + 1);
        for (int32_t i = 0; i < w * h; ++i) {
            state = state * 1664525u + 1013904223u;
            uint32_t alpha = (base >> 24) ? base >> 24 : ((state >> 28) < 4 ? 0 : 255);
            image->pixels[i] = alpha << 24 | ((state >> 8) & 0xFFFFFF);
        }
        return image;
    }

    void DrawTileLayer(int layer, int32_t frame) {
        SpriteRecord r = {};
        r.source = tiles_;
        InitSpriteRecord(&r, gScreenTarget);
        r.width = 32;
        r.height = 32;
        int32_t scroll = (frame * (layer + 1)) & 31;
        for (int32_t row = 0; row < 19; ++row)
            for (int32_t col = 0; col < 25; ++col) {
                r.x = col * 32 - scroll;
                r.y = row * 32;
                r.sourceX = ((col + row + layer) & 7) * 32;
                r.sourceY = ((row * 3 + col) & 7) * 32;
                DrawSprite(&r);
            }
    }

    void DrawSprites(int32_t frame) {
        SpriteRecord r = {};
        r.source = sprites_;
        InitSpriteRecord(&r, gScreenTarget);
        r.width = 64;
        r.height = 64;
        for (int32_t i = 0; i < 100; ++i) {
            r.x = (i * 73 + frame * 3) % 760;
            r.y = (i * 41) % 560;
            r.sourceX = (i & 3) * 64;
            r.flags = (i & 4) ? SPRITE_FLAG_MIRROR_X : 0;
            DrawSprite(&r);
        }
    }

    void DrawParticles(int32_t frame) {
        SpriteRecord r = {};
        r.source = particle_;
        InitSpriteRecord(&r, gScreenTarget);
        for (int32_t i = 0; i < 50; ++i) {
            SpriteTransform& t = transforms_[i];
            float scale = 1.0f + static_cast<float>(i % 5) * 0.5f;
            t = {scale, scale, 8,    8,    0.05f * static_cast<float>(i + frame), 8, 8,
                 1.0f,  0.8f,  0.6f, 0.75f};
            r.transform = &t;
            r.flags = SPRITE_FLAG_TRANSFORM;
            r.x = 100 + (i * 97) % 600;
            r.y = 100 + (i * 53) % 400;
            DrawSprite(&r);
        }
    }

    void DrawGlyphs(int32_t frame) {
        SpriteRecord r = {};
        r.source = font_;
        InitSpriteRecord(&r, gScreenTarget);
        r.width = 8;
        r.height = 12;
        for (int32_t i = 0; i < 500; ++i) {
            r.x = 20 + (i % 90) * 8;
            r.y = 20 + (i / 90) * 14 + (frame & 1);
            r.sourceX = (i * 7 % 16) * 8;
            r.sourceY = (i * 3 % 10) * 12;
            DrawSprite(&r);
        }
    }

    Image* background_;
    Image* tiles_;
    Image* sprites_;
    Image* particle_;
    Image* font_;
    std::vector<SpriteTransform> transforms_;
};
