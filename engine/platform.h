// The one seam between the game and the outside world per frame: events,
// key and mouse state, the clock and sleeping. SDL is the default; tests
// install a scripted platform with a virtual clock so that whole sessions
// replay frame for frame.
#pragma once

#include <SDL.h>
#include <cstdint>

class Platform {
public:
    virtual ~Platform() = default;
    virtual void PumpEvents() = 0;
    // 1 and fills *event when an event was waiting, else 0.
    virtual int PollEvent(SDL_Event* event) = 0;
    // SDL_GetKeyState: one byte per SDL key symbol, 1 while held.
    virtual uint8_t* GetKeyState(int* numKeys) = 0;
    // SDL_GetMouseState / SDL_GetRelativeMouseState: button mask.
    virtual uint8_t GetMouseState(int* x, int* y) = 0;
    virtual uint8_t GetRelativeMouseState(int* dx, int* dy) = 0;
    virtual uint32_t GetTicks() = 0;
    virtual void Delay(uint32_t ms) = 0;
};

// The platform in use; the SDL one unless a test installed another.
Platform& GetPlatform();
// Installs `platform` (not owned); null restores the SDL platform.
void SetPlatform(Platform* platform);

inline void PlatformPumpEvents() {
    GetPlatform().PumpEvents();
}
inline int PlatformPollEvent(SDL_Event* event) {
    return GetPlatform().PollEvent(event);
}
inline uint8_t* PlatformGetKeyState(int* numKeys) {
    return GetPlatform().GetKeyState(numKeys);
}
inline uint8_t PlatformGetMouseState(int* x, int* y) {
    return GetPlatform().GetMouseState(x, y);
}
inline uint8_t PlatformGetRelativeMouseState(int* dx, int* dy) {
    return GetPlatform().GetRelativeMouseState(dx, dy);
}
inline void PlatformDelay(uint32_t ms) {
    GetPlatform().Delay(ms);
}
