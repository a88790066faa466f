// A platform for tests: a virtual clock that moves only when the game sleeps
// (or the test advances it), and events queued by the test, delivered once
// the clock reaches their time.
#pragma once

#include <SDL.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "engine/platform.h"

class ScriptedPlatform : public Platform {
public:
    ScriptedPlatform();

    void PumpEvents() override;
    int PollEvent(SDL_Event* event) override;
    uint8_t* GetKeyState(int* numKeys) override;
    uint8_t GetMouseState(int* x, int* y) override;
    uint8_t GetRelativeMouseState(int* dx, int* dy) override;
    uint32_t GetTicks() override { return now_; }
    void Delay(uint32_t ms) override;

    // Queues an event for delivery once the clock reaches `atMs`.
    void PushEventAt(uint32_t atMs, const SDL_Event& event);
    void PushEvent(const SDL_Event& event) { PushEventAt(now_, event); }
    void PushKeyDown(int symbol, uint32_t atMs);
    void PushKeyUp(int symbol, uint32_t atMs);
    void PushQuit(uint32_t atMs);
    void PushActive(int gain, int state, uint32_t atMs);

    void Advance(uint32_t ms) { now_ += ms; }
    void SetKey(int symbol, bool down);
    void SetMouse(int x, int y, uint8_t buttons);
    // Work done per frame that the clock should see (ms charged on GetTicks).
    void SetWorkPerPoll(uint32_t ms) { workPerPoll_ = ms; }

    // Called after every Delay: the main loop sleeps once a frame, so a
    // script can look at the game between frames and set the next input.
    void SetFrameHook(std::function<void()> hook) { frameHook_ = std::move(hook); }

    const std::vector<uint32_t>& delays() const { return delays_; }
    int pumps() const { return pumps_; }

private:
    struct Pending {
        uint32_t at;
        SDL_Event event;
    };
    uint32_t now_ = 0;
    uint32_t workPerPoll_ = 0;
    std::deque<Pending> scheduled_;
    std::deque<SDL_Event> ready_;
    uint8_t keys_[SDLK_LAST] = {};
    int mouseX_ = 0, mouseY_ = 0, lastMouseX_ = 0, lastMouseY_ = 0;
    uint8_t buttons_ = 0;
    std::vector<uint32_t> delays_;
    int pumps_ = 0;
    std::function<void()> frameHook_;
};

// Installs a platform for the lifetime of a scope.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform* p) { SetPlatform(p); }
    ~ScopedPlatform() { SetPlatform(nullptr); }
};
