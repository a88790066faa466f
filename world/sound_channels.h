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

struct GameWorld;

void ResetSoundSlots(GameWorld* world);
void ResetSoundChannelRec(SoundChannelRec* rec);
int32_t FindFreeSoundChannel(GameWorld* world);
void LinkSoundChannel(SoundChannelRec* rec, int32_t loops, int32_t channel, uint32_t flags,
                      SoundChannelRec* partner);
// The mixer channel; -2 when the world is paused or the sound is 0; -1 when
// no world record is free; or the player's negative error. `slot` is the
// actor's sound slot to partner with the world record, or null.
int32_t PlaySound(GameWorld* world, int32_t loops, uint32_t flags, uintptr_t sound,
                  SoundChannelRec* slot);
void StopSound(GameWorld* world, SoundChannelRec* rec);
void ClearSoundChannel(GameWorld* world, SoundChannelRec* rec);
void OnSoundFinished(GameWorld* world, SoundChannelRec* rec);
void PauseSound(GameWorld* world, SoundChannelRec* rec);
void ResumeSound(GameWorld* world, SoundChannelRec* rec);
void PauseAllSounds(GameWorld* world);
void ResumeAllSounds(GameWorld* world);
void StopAllSounds(GameWorld* world);
void SetSoundPosition(SoundChannelRec* rec, int16_t x, int16_t y);
