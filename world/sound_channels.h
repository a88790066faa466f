// World sound channels: the records that tie a playing mixer channel to the
// object that sounds.
#pragma once

#include <cstdint>

constexpr int32_t kWorldSoundChannelCount = 256;

constexpr uint32_t SOUND_REC_BUSY = 1;
constexpr uint32_t SOUND_REC_LOOPING = 2;
constexpr uint32_t ACTOR_SOUND_POSITIONAL = 4;
constexpr uint32_t ACTOR_SOUND_KEEP = 8;
constexpr uint32_t ACTOR_SOUND_STOP_ON_START = 16;
constexpr uint32_t ACTOR_SOUND_DISTANCE = 32;

constexpr uint32_t WORLD_SOUNDS_PAUSED = 1;

struct SoundChannelRec {
    int32_t channel; // mixer channel, -1 none
    uint32_t flags;
    int16_t x, y;    // world pixels of the sounding object
    SoundChannelRec* link; // partner record; itself for a world-only sound
};
