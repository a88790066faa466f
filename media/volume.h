// The user's volume settings and the world's stereo placement, put onto the
// mixing channels of gMMplay. Channel 0 carries the music, channels 1 to 63
// the effects; the volumes live in the current user's record.
#pragma once

#include <cstdint>

constexpr int32_t MUSIC_CHANNEL = 0;
constexpr int32_t FIRST_EFFECT_CHANNEL = 1;
constexpr int32_t LAST_EFFECT_CHANNEL = 63;

// Stores and applies; -1 re-applies the stored value.
void SetVolumes(int32_t effects, int32_t music);
// Applies without storing; -1 leaves that group as it is.
void SetVolumesTemporary(int32_t effects, int32_t music);
// Stereo levels from an offset in pixels (positive: to the listener's
// right) and a distance.
void SetChannelPosition(int32_t channel, int32_t pan, int32_t distance);
// Equal levels that fall with the square of the distance.
void SetChannelDistance(int32_t channel, int32_t distance);

// The levels themselves, 0..255 each.
void ComputeChannelPosition(int32_t pan, int32_t distance, int32_t* left, int32_t* right);
int32_t ComputeChannelDistance(int32_t distance);
