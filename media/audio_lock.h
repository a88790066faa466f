// The one lock between the main thread and SDL's audio thread: SDL's own
// audio lock. SDL_mixer already holds it around every effect callback, so a
// second mutex would deadlock against it. It is recursive, and taking it on
// the audio thread itself does nothing. Never close the audio device while
// holding it: closing joins the audio thread, which waits for this lock.
#pragma once

#include <cstdint>

class AudioLock {
public:
    AudioLock();
    ~AudioLock();
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

// Nanoseconds the calling thread has held the lock (outermost holds only),
// so that benchmarks and debug checks can see what the main thread costs
// the audio thread.
uint64_t AudioLockHeldNanos();
// The longest single outermost hold of the calling thread since the last
// call: how long the audio thread may have had to wait at worst.
uint64_t AudioLockTakeLongestHold();
