#include "tests/support/scripted_platform.h"

#include <algorithm>

ScriptedPlatform::ScriptedPlatform() = default;

void ScriptedPlatform::PumpEvents() {
    ++pumps_;
    now_ += workPerPoll_;
    while (!scheduled_.empty() && scheduled_.front().at <= now_) {
        SDL_Event e = scheduled_.front().event;
        scheduled_.pop_front();
        if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
            int sym = e.key.keysym.sym;
            if (sym >= 0 && sym < SDLK_LAST)
                keys_[sym] = e.type == SDL_KEYDOWN;
        }
        ready_.push_back(e);
    }
}

int ScriptedPlatform::PollEvent(SDL_Event* event) {
    if (ready_.empty())
        PumpEvents();
    if (ready_.empty())
        return 0;
    if (event != nullptr)
        *event = ready_.front();
    ready_.pop_front();
    return 1;
}

uint8_t* ScriptedPlatform::GetKeyState(int* numKeys) {
    if (numKeys != nullptr)
        *numKeys = SDLK_LAST;
    return keys_;
}

uint8_t ScriptedPlatform::GetMouseState(int* x, int* y) {
    if (x)
        *x = mouseX_;
    if (y)
        *y = mouseY_;
    return buttons_;
}

uint8_t ScriptedPlatform::GetRelativeMouseState(int* dx, int* dy) {
    if (dx)
        *dx = mouseX_ - lastMouseX_;
    if (dy)
        *dy = mouseY_ - lastMouseY_;
    lastMouseX_ = mouseX_;
    lastMouseY_ = mouseY_;
    return buttons_;
}

void ScriptedPlatform::Delay(uint32_t ms) {
    delays_.push_back(ms);
    now_ += ms;
    if (frameHook_)
        frameHook_();
}

void ScriptedPlatform::PushEventAt(uint32_t atMs, const SDL_Event& event) {
    auto pos = std::upper_bound(scheduled_.begin(), scheduled_.end(), atMs,
                                [](uint32_t t, const Pending& p) { return t < p.at; });
    scheduled_.insert(pos, Pending{atMs, event});
}

void ScriptedPlatform::PushKeyDown(int symbol, uint32_t atMs) {
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = static_cast<SDLKey>(symbol);
    PushEventAt(atMs, e);
}

void ScriptedPlatform::PushKeyUp(int symbol, uint32_t atMs) {
    SDL_Event e = {};
    e.type = SDL_KEYUP;
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = static_cast<SDLKey>(symbol);
    PushEventAt(atMs, e);
}

void ScriptedPlatform::PushQuit(uint32_t atMs) {
    SDL_Event e = {};
    e.type = SDL_QUIT;
    PushEventAt(atMs, e);
}

void ScriptedPlatform::PushActive(int gain, int state, uint32_t atMs) {
    SDL_Event e = {};
    e.type = SDL_ACTIVEEVENT;
    e.active.type = SDL_ACTIVEEVENT;
    e.active.gain = static_cast<Uint8>(gain);
    e.active.state = static_cast<Uint8>(state);
    PushEventAt(atMs, e);
}

void ScriptedPlatform::SetKey(int symbol, bool down) {
    if (symbol >= 0 && symbol < SDLK_LAST)
        keys_[symbol] = down;
}

void ScriptedPlatform::SetMouse(int x, int y, uint8_t buttons) {
    mouseX_ = x;
    mouseY_ = y;
    buttons_ = buttons;
}
