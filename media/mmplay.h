// The one sound and movie player. SDL_mixer never sees the real audio: every
// playing channel plays one shared silent chunk, looped for ever, and a
// per-channel effect (MixEffect) overwrites the channel's buffer with PCM
// from the channel's own media reader or from a sound decoded in advance.
// SDL_mixer thereby supplies channel allocation, volume, panning, pause and
// resume. Finished sounds are noticed on the audio thread and handled on the
// main thread once a frame by Update.
#pragma once

#include <cstdint>

#include "engine/helpers.h"
#include "media/mmlib.h"

struct ResourceArchive;
struct Mix_Chunk;

constexpr int32_t SOUND_STREAMED = 0;
constexpr int32_t SOUND_IN_MEMORY = 1;
constexpr int32_t SOUND_PREDECODED = 2;
// Ten minutes of 44.1 kHz 16-bit stereo: more is not decoded in advance.
constexpr int64_t MMPLAY_MAX_PREDECODED_BYTES = 44100LL * 4 * 600;
constexpr int32_t MMPLAY_PRELOADED = -100;

// Four seconds of 44,100 Hz 16-bit stereo.
constexpr int32_t MMPLAY_SILENT_BYTES = 705600;
constexpr int32_t MMPLAY_DECODE_BLOCK = 16384;

// Called on the main thread from Update when a sound without video ended.
typedef void (*MMEndCallback)(uintptr_t arg1, uintptr_t arg2);

struct MMsound {
    int32_t kind;
    uint8_t* bytes;   // SOUND_IN_MEMORY: the entry's encoded bytes, owned
    int32_t size;     // SOUND_IN_MEMORY: byte count of `bytes`
    DataList* blocks; // SOUND_PREDECODED: decoded PCM blocks, owned; null without audio
    int32_t* playing; // per mixing channel: 1 while this sound is assigned to it
    int32_t hasVideo;
};

struct MMchannel {
    MMlib* reader;       // owned
    MMsound* sound;      // null when idle
    DataListNode* block; // SOUND_PREDECODED: the block being played
    int32_t blockOffset;
    int32_t finished; // set on the audio thread when the sound ran out
    MMEndCallback endCallback;
    uintptr_t endArg1;
    uintptr_t endArg2;
    int32_t loops; // repetitions still to play after this one; -1 for ever
    // Set while the main thread refills the reader's caches outside the
    // audio lock: the audio thread must not reopen the reader meanwhile.
    int32_t refilling;
    // Set by Pause while a sound plays, cleared by Resume and by the next
    // sound. SDL_mixer marks a pause with SDL_GetTicks(), so a pause at tick
    // 0 (the first millisecond, or after 49.7 days) leaves its channel
    // playing: the effect keeps the channel silent on this flag instead.
    int32_t paused;
};

class MMplay {
public:
    MMplay();
    virtual ~MMplay();
    MMplay(const MMplay&) = delete;
    MMplay& operator=(const MMplay&) = delete;

    int32_t Open(int32_t frequency, uint16_t format, int32_t outputChannels, int32_t chunkSize,
                 int32_t mixingChannels, ResourceArchive* archive);
    // The channel, MMPLAY_PRELOADED for start 0, or -1.
    int32_t Play(int32_t channel, int32_t loops, int32_t sound, int32_t kind, int32_t start);
    int32_t PlayWithCallback(int32_t channel, int32_t loops, int32_t sound, int32_t kind,
                             int32_t start, MMEndCallback callback, uintptr_t arg1, uintptr_t arg2);
    // -1 stops every channel.
    int32_t Stop(int32_t channel);
    int32_t StopChannel(int32_t channel);
    int32_t Update();
    // -1 pauses or resumes every channel.
    int32_t Pause(int32_t channel);
    int32_t Resume(int32_t channel);
    // As Mix_Paused, from the player's own pause state: 1 when the channel
    // is paused, or for -1 the number of paused channels that hold a sound.
    int32_t Paused(int32_t channel) const;
    int32_t SetPanning(int32_t channel, int32_t left, int32_t right);
    int32_t SetVolume(int32_t channel, int32_t volume);
    int32_t Unload(int32_t sound);
    int32_t Close();
    int32_t GetInfo(int32_t channel, MediaInfo* info);
    int32_t DecodeVideoFrame(int32_t channel, uint8_t* frame);

    // SDL_mixer's effect callback: runs on the audio thread with the audio
    // lock held, once per playing channel per mix pass.
    static void MixEffect(int channel, void* stream, int length, void* record);

    int32_t IsOpen() const { return open_; }
    int32_t GetMixingChannels() const { return mixingChannels_; }
    int32_t GetSoundCount() const { return soundCount_; }
    // For inspection with the audio lock held or the audio paused.
    const MMsound* GetSound(int32_t index) const;
    const MMchannel* GetChannel(int32_t channel) const;

private:
    struct DueCallback {
        MMEndCallback callback;
        uintptr_t arg1;
        uintptr_t arg2;
    };

    bool IsChannel(int32_t channel) const { return channel >= 0 && channel < mixingChannels_; }
    MMsound* MakeSound(int32_t index, int32_t kind);
    void LoadInMemory(MMsound* sound, int32_t index);
    void Predecode(MMsound* sound, int32_t index);
    void FreeSound(MMsound* sound);
    int32_t StartChannel(int32_t channel, int32_t loops, MMsound* sound);
    void OpenChannelReader(int32_t channel, int32_t index);
    void StopChannelLocked(int32_t channel);
    static void MixFromReader(MMchannel* record, uint8_t* out, int32_t length);
    static void MixFromBlocks(MMchannel* record, uint8_t* out, int32_t length);

    MMsound** sounds_ = nullptr;
    MMchannel* channels_ = nullptr;
    int32_t open_ = 0;
    int32_t frequency_ = 0;
    uint16_t format_ = 0;
    int32_t outputChannels_ = 0;
    int32_t chunkSize_ = 0;
    int32_t mixingChannels_ = 0;
    ResourceArchive* archive_ = nullptr;
    int32_t soundCount_ = 0;
    uint8_t* silentBuffer_ = nullptr;
    Mix_Chunk* silentChunk_ = nullptr;
};

extern MMplay gMMplay;

// Tests watch which sounds the game asks for: the hook sees every Play's
// entry index, kind and start flag (0 only loads) before anything is
// checked. Null removes it.
typedef void (*MMplayPlayHook)(int32_t sound, int32_t kind, int32_t start);
void SetMMplayPlayHook(MMplayPlayHook hook);
