#include "media/audio_lock.h"

#include <SDL.h>
#include <chrono>

namespace {

thread_local int tDepth = 0;
thread_local uint64_t tHeldNanos = 0;
thread_local uint64_t tLongestNanos = 0;
thread_local std::chrono::steady_clock::time_point tSince;

} // namespace

AudioLock::AudioLock() {
    SDL_LockAudio();
    if (tDepth++ == 0)
        tSince = std::chrono::steady_clock::now();
}

AudioLock::~AudioLock() {
    if (--tDepth == 0) {
        auto held = std::chrono::steady_clock::now() - tSince;
        uint64_t nanos = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(held).count());
        tHeldNanos += nanos;
        if (nanos > tLongestNanos)
            tLongestNanos = nanos;
    }
    SDL_UnlockAudio();
}

uint64_t AudioLockHeldNanos() {
    return tHeldNanos;
}

uint64_t AudioLockTakeLongestHold() {
    uint64_t longest = tLongestNanos;
    tLongestNanos = 0;
    return longest;
}
