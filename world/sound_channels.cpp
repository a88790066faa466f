// World sound channels: every sound the world starts is tracked by one of
// the world's records, partnered with the actor's sound slot when it has one,
// so that stopping, pausing and the end of the sound reach both sides.
#include "world/sound_channels.h"

#include <climits>
#include <cstdio>

#include "media/mmplay.h"
#include "world/game_world.h"

namespace {

void SoundEnded(uintptr_t world, uintptr_t rec) {
    OnSoundFinished(reinterpret_cast<GameWorld*>(world), reinterpret_cast<SoundChannelRec*>(rec));
}

void MakeIdle(SoundChannelRec* rec) {
    rec->channel = -1;
    rec->flags = 0;
    rec->link = nullptr;
}

bool WorldPaused(const GameWorld* world) {
    return (world->soundFlags & WORLD_SOUNDS_PAUSED) != 0;
}

} // namespace

void ResetSoundChannelRec(SoundChannelRec* rec) {
    if (rec != nullptr)
        MakeIdle(rec);
}

void ResetSoundSlots(GameWorld* world) {
    for (SoundChannelRec& rec : world->soundChannels)
        MakeIdle(&rec);
}

int32_t FindFreeSoundChannel(GameWorld* world) {
    for (int32_t i = 0; i < kWorldSoundChannelCount; ++i)
        if ((world->soundChannels[i].flags & SOUND_REC_BUSY) == 0)
            return i;
    return -1;
}

void LinkSoundChannel(SoundChannelRec* rec, int32_t loops, int32_t channel, uint32_t flags,
                      SoundChannelRec* partner) {
    const uint32_t linked = loops == -1 ? flags | SOUND_REC_BUSY | SOUND_REC_LOOPING
                                        : (flags | SOUND_REC_BUSY) & ~SOUND_REC_LOOPING;
    if (rec == nullptr)
        return;
    if (partner != nullptr) {
        partner->channel = channel;
        partner->flags = linked;
        partner->link = rec;
    }
    rec->channel = channel;
    rec->flags = linked;
    rec->link = partner;
}

int32_t PlaySound(GameWorld* world, int32_t loops, uint32_t flags, uintptr_t sound,
                  SoundChannelRec* slot) {
    if (WorldPaused(world) || sound == 0)
        return -2;
    if (sound > static_cast<uintptr_t>(INT32_MAX))
        return -1;
    // A slot holds one sound: one still linked to an older record would be
    // cleared by that sound's end while the new one plays.
    if (slot != nullptr && slot->channel != -1)
        StopSound(world, slot);
    const int32_t i = FindFreeSoundChannel(world);
    if (i < 0)
        return -1;
    SoundChannelRec* rec = &world->soundChannels[i];
    SoundChannelRec* partner = slot != nullptr ? slot : rec;
    const int32_t ch = gMMplay.PlayWithCallback(
        -1, loops, static_cast<int32_t>(sound), SOUND_STREAMED, 1, SoundEnded,
        reinterpret_cast<uintptr_t>(world), reinterpret_cast<uintptr_t>(partner));
    if (ch == 0)
        std::printf("WARNING playing in 0 channel \n");
    if (ch < 0)
        return ch;
    LinkSoundChannel(rec, loops, ch, flags, partner);
    return ch;
}

void StopSound(GameWorld* world, SoundChannelRec* rec) {
    if (rec == nullptr || rec->channel == -1)
        return;
    gMMplay.Stop(rec->channel);
    ClearSoundChannel(world, rec);
}

void ClearSoundChannel(GameWorld* /*world*/, SoundChannelRec* rec) {
    if (rec == nullptr || rec->channel == -1)
        return;
    rec->channel = -1;
    rec->flags = 0;
    // A partner that has been linked elsewhere since is not this sound's.
    SoundChannelRec* partner = rec->link;
    if (partner != nullptr && (partner == rec || partner->link == rec))
        MakeIdle(partner);
    rec->link = nullptr;
}

void OnSoundFinished(GameWorld* world, SoundChannelRec* rec) {
    if (rec != nullptr)
        ClearSoundChannel(world, rec);
}

void PauseSound(GameWorld* world, SoundChannelRec* rec) {
    if (rec == nullptr || WorldPaused(world) || rec->channel == -1)
        return;
    gMMplay.Pause(rec->channel);
}

void ResumeSound(GameWorld* world, SoundChannelRec* rec) {
    if (rec == nullptr || WorldPaused(world) || rec->channel == -1)
        return;
    gMMplay.Resume(rec->channel);
}

void PauseAllSounds(GameWorld* world) {
    if (WorldPaused(world))
        return;
    for (SoundChannelRec& rec : world->soundChannels)
        PauseSound(world, &rec);
    world->soundFlags |= WORLD_SOUNDS_PAUSED;
}

void ResumeAllSounds(GameWorld* world) {
    if (!WorldPaused(world))
        return;
    world->soundFlags &= ~WORLD_SOUNDS_PAUSED;
    for (SoundChannelRec& rec : world->soundChannels)
        ResumeSound(world, &rec);
}

void StopAllSounds(GameWorld* world) {
    for (SoundChannelRec& rec : world->soundChannels)
        StopSound(world, &rec);
}

void SetSoundPosition(SoundChannelRec* rec, int16_t x, int16_t y) {
    if (rec == nullptr)
        return;
    rec->x = x;
    rec->y = y;
    if (rec->link != nullptr) {
        rec->link->x = x;
        rec->link->y = y;
    }
}
