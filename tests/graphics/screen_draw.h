// Drawing onto the screen and starting video for renderer tests.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "graphics/image.h"

// Sets an environment variable for the lifetime of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = old ? old : "";
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    std::string old_;
};

// Xvfb may refuse connections for a moment after its last client left.
inline bool StartVideo() {
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) == 0)
            return true;
        SDL_Delay(50);
    }
    return false;
}

inline SpriteRecord ScreenSprite(Image* source, int32_t x, int32_t y, uint16_t flags = 0) {
    SpriteRecord r = {};
    r.source = source;
    InitSpriteRecord(&r, gScreenTarget);
    r.x = x;
    r.y = y;
    r.flags = flags;
    return r;
}

inline void FillScreen(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    SpriteRecord r = ScreenSprite(nullptr, x, y);
    r.width = w;
    r.height = h;
    r.colour = colour;
    FillRect(&r);
}
