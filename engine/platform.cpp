#include "engine/platform.h"

namespace {

class SdlPlatform : public Platform {
public:
    void PumpEvents() override { SDL_PumpEvents(); }
    int PollEvent(SDL_Event* event) override { return SDL_PollEvent(event); }
    uint8_t* GetKeyState(int* numKeys) override { return SDL_GetKeyState(numKeys); }
    uint8_t GetMouseState(int* x, int* y) override { return SDL_GetMouseState(x, y); }
    uint8_t GetRelativeMouseState(int* dx, int* dy) override {
        return SDL_GetRelativeMouseState(dx, dy);
    }
    uint32_t GetTicks() override { return SDL_GetTicks(); }
    void Delay(uint32_t ms) override { SDL_Delay(ms); }
};

SdlPlatform gSdlPlatform;
Platform* gPlatform = &gSdlPlatform;

} // namespace

Platform& GetPlatform() {
    return *gPlatform;
}

void SetPlatform(Platform* platform) {
    gPlatform = platform != nullptr ? platform : &gSdlPlatform;
}
