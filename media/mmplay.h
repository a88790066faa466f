// The one sound and movie player. (Interface only for now: with the mixer
// not open every operation does nothing, as the typed loader expects.)
#pragma once

#include <cstdint>

struct ResourceArchive;
struct MediaInfo;

constexpr int32_t SOUND_STREAMED = 0;
constexpr int32_t SOUND_IN_MEMORY = 1;
constexpr int32_t SOUND_PREDECODED = 2;
constexpr int32_t MMPLAY_PRELOADED = -100;

typedef void (*MMEndCallback)(uintptr_t arg1, uintptr_t arg2);

class MMplay {
public:
    MMplay();
    virtual ~MMplay();

    int32_t Open(int32_t frequency, uint16_t format, int32_t outputChannels, int32_t chunkSize,
                 int32_t mixingChannels, ResourceArchive* archive);
    int32_t Play(int32_t channel, int32_t loops, int32_t sound, int32_t kind, int32_t start);
    int32_t PlayWithCallback(int32_t channel, int32_t loops, int32_t sound, int32_t kind,
                             int32_t start, MMEndCallback callback, uintptr_t arg1,
                             uintptr_t arg2);
    int32_t Stop(int32_t channel);
    int32_t StopChannel(int32_t channel);
    int32_t Update();
    int32_t Pause(int32_t channel);
    int32_t Resume(int32_t channel);
    int32_t SetPanning(int32_t channel, int32_t left, int32_t right);
    int32_t SetVolume(int32_t channel, int32_t volume);
    int32_t Unload(int32_t sound);
    int32_t Close();
    int32_t GetInfo(int32_t channel, MediaInfo* info);
    int32_t DecodeVideoFrame(int32_t channel, uint8_t* frame);

protected:
    int32_t open_ = 0;
};

extern MMplay gMMplay;
