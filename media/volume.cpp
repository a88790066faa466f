#include "media/volume.h"

#include "media/mmplay.h"
#include "menus/save_file.h"

namespace {

void ApplyEffectsVolume(int32_t volume) {
    for (int32_t ch = FIRST_EFFECT_CHANNEL; ch <= LAST_EFFECT_CHANNEL; ++ch)
        gMMplay.SetVolume(ch, volume);
}

int32_t ClampLevel(int32_t level) {
    return level < 0 ? 0 : level;
}

} // namespace

void SetVolumes(int32_t effects, int32_t music) {
    // The index comes from "game.sav": a foreign file must not steer writes.
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    if (effects != user->effectsVolume || effects < 0) {
        if (effects >= 0)
            user->effectsVolume = effects;
        ApplyEffectsVolume(user->effectsVolume);
    }
    if (music != user->musicVolume || music < 0) {
        if (music >= 0)
            user->musicVolume = music;
        gMMplay.SetVolume(MUSIC_CHANNEL, user->musicVolume);
    }
}

void SetVolumesTemporary(int32_t effects, int32_t music) {
    if (effects >= 0)
        ApplyEffectsVolume(effects);
    if (music >= 0)
        gMMplay.SetVolume(MUSIC_CHANNEL, music);
}

void ComputeChannelPosition(int32_t pan, int32_t distance, int32_t* left, int32_t* right) {
    int32_t l = pan > 0 ? 255 - pan / 2 : 255;
    int32_t r = pan < 0 ? 255 + pan / 2 : 255;
    int32_t fade =
        (distance < 0 ? -(distance / 8) : distance / 8) + (pan < 0 ? -(pan / 8) : pan / 8);
    *left = ClampLevel(l - fade);
    *right = ClampLevel(r - fade);
}

int32_t ComputeChannelDistance(int32_t distance) {
    // In 64 bits: the square of a far distance must not wrap to loud.
    int64_t d = distance;
    int64_t level = 255 - (d * d) / 3000;
    return level < 0 ? 0 : static_cast<int32_t>(level);
}

void SetChannelPosition(int32_t channel, int32_t pan, int32_t distance) {
    if (channel < 0)
        return;
    int32_t left = 0, right = 0;
    ComputeChannelPosition(pan, distance, &left, &right);
    gMMplay.SetPanning(channel, left, right);
}

void SetChannelDistance(int32_t channel, int32_t distance) {
    if (channel < 0)
        return;
    int32_t level = ComputeChannelDistance(distance);
    gMMplay.SetPanning(channel, level, level);
}
