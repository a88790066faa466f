#include "media/mmplay.h"

#include <cstdio>

#include <SDL.h>
#include <SDL_mixer.h>
#include <climits>
#include <cstring>

#include "engine/archive.h"
#include "media/audio_lock.h"

MMplay gMMplay;

MMplay::MMplay() = default;

MMplay::~MMplay() {
    Close();
}

// ---- open and close ------------------------------------------------------------

int32_t MMplay::Open(int32_t frequency, uint16_t format, int32_t outputChannels, int32_t chunkSize,
                     int32_t mixingChannels, ResourceArchive* archive) {
    if (open_ != 0 || mixingChannels < 1)
        return -1;
    frequency_ = frequency;
    format_ = format;
    outputChannels_ = outputChannels;
    chunkSize_ = chunkSize;
    mixingChannels_ = mixingChannels;
    archive_ = archive;
    if (Mix_OpenAudio(frequency, format, outputChannels, chunkSize) != 0)
        return -1;
    uint32_t entries = archive != nullptr ? GetEntryCount(archive) : 0;
    soundCount_ = entries > INT32_MAX ? INT32_MAX : static_cast<int32_t>(entries);
    if (Mix_AllocateChannels(mixingChannels) != mixingChannels) {
        Mix_CloseAudio();
        return -1;
    }
    silentBuffer_ = new uint8_t[MMPLAY_SILENT_BYTES]();
    silentChunk_ = Mix_QuickLoad_RAW(silentBuffer_, MMPLAY_SILENT_BYTES);
    if (silentChunk_ == nullptr) {
        Mix_CloseAudio();
        delete[] silentBuffer_;
        silentBuffer_ = nullptr;
        return -1;
    }
    sounds_ = new MMsound*[static_cast<size_t>(soundCount_) + 1]();
    channels_ = new MMchannel[static_cast<size_t>(mixingChannels)]();
    for (int32_t ch = 0; ch < mixingChannels; ++ch)
        channels_[ch].reader = new MMlib();
    open_ = 1;
    return 0;
}

int32_t MMplay::Close() {
    if (open_ == 0)
        return 0;
    Stop(-1);
    Mix_FreeChunk(silentChunk_);
    silentChunk_ = nullptr;
    for (int32_t i = 0; i < soundCount_; ++i)
        Unload(i);
    // Every effect is gone, so no callback can reach the readers any more.
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        delete channels_[ch].reader;
    // Not under the audio lock: closing joins the audio thread.
    Mix_CloseAudio();
    delete[] channels_;
    channels_ = nullptr;
    delete[] silentBuffer_;
    silentBuffer_ = nullptr;
    delete[] sounds_;
    sounds_ = nullptr;
    soundCount_ = 0;
    mixingChannels_ = 0;
    open_ = 0;
    return 0;
}

// ---- sound records ----------------------------------------------------------------

void MMplay::LoadInMemory(MMsound* sound, int32_t index) {
    uint32_t size = GetEntrySize(archive_, static_cast<uint32_t>(index));
    if (size == 0 || size > INT32_MAX)
        return;
    sound->bytes = new uint8_t[size];
    sound->size = static_cast<int32_t>(
        ReadEntryUpTo(archive_, sound->bytes, static_cast<uint32_t>(index), size));
}

// The whole sound is decoded here on the main thread; the reader goes
// straight to the source, so a sound longer than one read-ahead fill is
// decoded whole.
void MMplay::Predecode(MMsound* sound, int32_t index) {
    MMlib reader;
    reader.SetReadAhead(0);
    reader.OpenArchiveEntry(archive_, index);
    MediaInfo info;
    reader.GetInfo(&info);
    if (info.hasAudio == 0)
        return;
    sound->blocks = new DataList;
    DataListInit(sound->blocks);
    uint8_t* scratch = new uint8_t[MMPLAY_DECODE_BLOCK];
    int64_t total = 0;
    for (;;) {
        int32_t got = 0;
        reader.ReadPCM(scratch, MMPLAY_DECODE_BLOCK, &got);
        if (got > 0 && total + got > MMPLAY_MAX_PREDECODED_BYTES) {
            // A tiny hostile entry can expand to gigabytes of sound.
            std::printf("WARNING sound %d is too long to decode in advance; it is cut\n", index);
            got = 0;
        }
        total += got > 0 ? got : 0;
        DataListInsert(sound->blocks, scratch, static_cast<uint32_t>(got > 0 ? got : 0), 0, 1);
        if (got <= 0)
            break;
    }
    delete[] scratch;
}

MMsound* MMplay::MakeSound(int32_t index, int32_t kind) {
    MMsound* sound = new MMsound();
    sound->kind = kind;
    sound->playing = new int32_t[static_cast<size_t>(mixingChannels_)]();
    if (kind == SOUND_IN_MEMORY)
        LoadInMemory(sound, index);
    else if (kind == SOUND_PREDECODED)
        Predecode(sound, index);
    return sound;
}

void MMplay::FreeSound(MMsound* sound) {
    if (sound == nullptr)
        return;
    if (sound->blocks != nullptr) {
        DataListClear(sound->blocks);
        delete sound->blocks;
    }
    delete[] sound->bytes;
    delete[] sound->playing;
    delete sound;
}

int32_t MMplay::Unload(int32_t index) {
    if (open_ == 0)
        return 0;
    if (index < 0 || index >= soundCount_)
        return -1;
    MMsound* sound = nullptr;
    {
        AudioLock lock;
        sound = sounds_[index];
        if (sound == nullptr)
            return 0;
        for (int32_t ch = 0; ch < mixingChannels_; ++ch)
            if (sound->playing[ch] != 0)
                StopChannelLocked(ch);
        sounds_[index] = nullptr;
    }
    // The channels are halted and their effects gone: nothing reads the
    // blocks any more, so they are freed without holding up the mixer.
    FreeSound(sound);
    return 0;
}

const MMsound* MMplay::GetSound(int32_t index) const {
    if (open_ == 0 || index < 0 || index >= soundCount_)
        return nullptr;
    return sounds_[index];
}

const MMchannel* MMplay::GetChannel(int32_t channel) const {
    if (open_ == 0 || !IsChannel(channel))
        return nullptr;
    return &channels_[channel];
}

// ---- playing ------------------------------------------------------------------------

namespace {
MMplayPlayHook gPlayHook = nullptr;
}

void SetMMplayPlayHook(MMplayPlayHook hook) {
    gPlayHook = hook;
}

int32_t MMplay::Play(int32_t channel, int32_t loops, int32_t index, int32_t kind, int32_t start) {
    if (gPlayHook != nullptr)
        gPlayHook(index, kind, start);
    if (open_ == 0)
        return -1;
    if (index < 0 || index >= soundCount_ || (channel != -1 && !IsChannel(channel)))
        return -1;
    if (sounds_[index] == nullptr) {
        if (kind < SOUND_STREAMED || kind > SOUND_PREDECODED)
            return -1;
        // Reading and decoding touch nothing the audio thread sees: no lock.
        sounds_[index] = MakeSound(index, kind);
    }
    if (start == 0)
        return MMPLAY_PRELOADED;
    MMsound* sound = sounds_[index];
    if (sound->kind == SOUND_PREDECODED && sound->blocks == nullptr)
        return -1;
    int32_t ch = StartChannel(channel, loops, sound);
    if (ch < 0)
        return -1;
    // Blocks need no reader, but the one left from the channel's last sound
    // may sit on bytes freed since, where GetInfo and DecodeVideoFrame would
    // reach them. No effect is registered yet: the audio thread cannot see
    // the reader.
    if (sound->kind != SOUND_PREDECODED)
        OpenChannelReader(ch, index);
    else
        channels_[ch].reader->Close();
    AudioLock lock;
    Mix_RegisterEffect(ch, MixEffect, nullptr, &channels_[ch]);
    return ch;
}

// Takes a channel for `sound` and sets up its record; the effect is not
// registered yet.
int32_t MMplay::StartChannel(int32_t channel, int32_t loops, MMsound* sound) {
    AudioLock lock;
    // The old sound of a reassigned channel must forget it, or unloading
    // that sound later would halt this one.
    if (channel >= 0)
        StopChannelLocked(channel);
    int32_t ch = Mix_PlayChannelTimed(channel, silentChunk_, -1, -1);
    if (ch < 0)
        return -1;
    if (!IsChannel(ch)) {
        Mix_HaltChannel(ch);
        return -1;
    }
    MMchannel& record = channels_[ch];
    if (record.sound != nullptr)
        record.sound->playing[ch] = 0;
    record.sound = sound;
    record.finished = 0;
    record.paused = 0;
    record.loops = loops;
    record.block = sound->blocks != nullptr ? sound->blocks->head : nullptr;
    record.blockOffset = 0;
    record.endCallback = nullptr;
    record.endArg1 = 0;
    record.endArg2 = 0;
    sound->playing[ch] = 1;
    return ch;
}

// Opening parses headers and fills the read-ahead cache. The channel has no
// effect registered, so the audio thread cannot reach this reader, and the
// work is done without holding up the mixer.
void MMplay::OpenChannelReader(int32_t ch, int32_t index) {
    MMchannel& record = channels_[ch];
    MMsound* sound = record.sound;
    int32_t opened = sound->kind == SOUND_IN_MEMORY
                         ? record.reader->OpenMemory(sound->bytes, sound->size)
                         : record.reader->OpenArchiveEntry(archive_, index);
    // A reader keeps its last good source for Reopen; after a failed open
    // that is another sound, perhaps one unloaded since, and a loop would
    // reopen it.
    if (opened != 0)
        record.reader->Close();
    MediaInfo info;
    record.reader->GetInfo(&info);
    sound->hasVideo = info.hasVideo;
}

int32_t MMplay::PlayWithCallback(int32_t channel, int32_t loops, int32_t sound, int32_t kind,
                                 int32_t start, MMEndCallback callback, uintptr_t arg1,
                                 uintptr_t arg2) {
    int32_t ch = Play(channel, loops, sound, kind, start);
    if (ch >= 0) {
        AudioLock lock;
        channels_[ch].endCallback = callback;
        channels_[ch].endArg1 = arg1;
        channels_[ch].endArg2 = arg2;
    }
    return ch;
}

// ---- stopping -------------------------------------------------------------------------

void MMplay::StopChannelLocked(int32_t channel) {
    if (Mix_Playing(channel) != 0) {
        Mix_UnregisterAllEffects(channel);
        Mix_HaltChannel(channel);
    }
    MMchannel& record = channels_[channel];
    record.finished = 0;
    record.paused = 0;
    if (record.sound != nullptr)
        record.sound->playing[channel] = 0;
    record.sound = nullptr;
    record.block = nullptr;
}

int32_t MMplay::StopChannel(int32_t channel) {
    if (open_ == 0)
        return 0;
    if (!IsChannel(channel))
        return -1;
    AudioLock lock;
    StopChannelLocked(channel);
    return 0;
}

int32_t MMplay::Stop(int32_t channel) {
    if (open_ == 0)
        return 0;
    if (channel == -1) {
        AudioLock lock;
        for (int32_t ch = 0; ch < mixingChannels_; ++ch)
            StopChannelLocked(ch);
        return 0;
    }
    return StopChannel(channel);
}

int32_t MMplay::Update() {
    for (int32_t ch = 0; ch < mixingChannels_ && open_ != 0; ++ch) {
        DueCallback due{nullptr, 0, 0};
        MMchannel& record = channels_[ch];
        {
            AudioLock lock;
            // A movie's channel stays: the movie screen stops it.
            if (record.finished != 0 && record.sound != nullptr && record.sound->hasVideo == 0) {
                due = {record.endCallback, record.endArg1, record.endArg2};
                StopChannelLocked(ch);
            }
            record.refilling = 1;
        }
        // Refilling out of a compressed entry can take milliseconds in all,
        // so the caches take the lock in short holds of their own. Between
        // them the audio thread only drains the caches: it leaves the
        // reader unopened while `refilling` is set.
        record.reader->Pump();
        {
            AudioLock lock;
            record.refilling = 0;
        }
        // End callbacks are game code: they run with the mixer free, after
        // the stop, so that one that starts a sound on this very channel
        // keeps it.
        if (due.callback != nullptr)
            due.callback(due.arg1, due.arg2);
    }
    return 0;
}

// ---- channel settings --------------------------------------------------------------

int32_t MMplay::Pause(int32_t channel) {
    if (open_ == 0)
        return 0;
    if (channel != -1 && !IsChannel(channel))
        return -1;
    // SDL_mixer changes the channel's pause state without the audio lock,
    // while the mixer reads it on the audio thread.
    AudioLock lock;
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        if ((channel == -1 || ch == channel) && channels_[ch].sound != nullptr)
            channels_[ch].paused = 1;
    Mix_Pause(channel);
    return 0;
}

int32_t MMplay::Resume(int32_t channel) {
    if (open_ == 0)
        return 0;
    if (channel != -1 && !IsChannel(channel))
        return -1;
    {
        AudioLock lock;
        for (int32_t ch = 0; ch < mixingChannels_; ++ch)
            if (channel == -1 || ch == channel)
                channels_[ch].paused = 0;
    }
    Mix_Resume(channel);
    return 0;
}

int32_t MMplay::Paused(int32_t channel) const {
    if (open_ == 0)
        return 0;
    if (channel != -1 && !IsChannel(channel))
        return 0;
    AudioLock lock;
    int32_t paused = 0;
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        if ((channel == -1 || ch == channel) && channels_[ch].sound != nullptr)
            paused += channels_[ch].paused;
    return paused;
}

int32_t MMplay::SetPanning(int32_t channel, int32_t left, int32_t right) {
    if (open_ == 0)
        return 0;
    if (!IsChannel(channel))
        return -1;
    auto level = [](int32_t v) { return static_cast<Uint8>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return Mix_SetPanning(channel, level(left), level(right));
}

int32_t MMplay::SetVolume(int32_t channel, int32_t volume) {
    if (open_ == 0)
        return 0;
    if (!IsChannel(channel))
        return -1;
    // Like the pause state, the volume is written without SDL_mixer's lock.
    AudioLock lock;
    return Mix_Volume(channel, volume);
}

// ---- media of a channel ----------------------------------------------------------------

int32_t MMplay::GetInfo(int32_t channel, MediaInfo* info) {
    if (info == nullptr)
        return -1;
    std::memset(info, 0, sizeof(*info));
    if (open_ == 0)
        return 0;
    if (!IsChannel(channel))
        return -1;
    AudioLock lock;
    if (channels_[channel].sound == nullptr)
        return -1;
    return channels_[channel].reader->GetInfo(info);
}

int32_t MMplay::DecodeVideoFrame(int32_t channel, uint8_t* frame) {
    if (open_ == 0)
        return 0;
    if (!IsChannel(channel) || frame == nullptr)
        return -1;
    MMlib* reader = nullptr;
    {
        AudioLock lock;
        MMchannel& record = channels_[channel];
        if (record.sound == nullptr)
            return -1;
        // A sound that may still loop can be reopened by the audio thread,
        // which replaces the video decoder: decode it all under the lock.
        if (record.loops != 0)
            return record.reader->DecodeVideoFrame(frame);
        reader = record.reader;
    }
    // A sound without loops left is never reopened on the audio thread, and
    // the video decoder takes the lock itself for every read of the
    // container: the picture itself is decoded with the mixer free.
    return reader->DecodeVideoFrame(frame);
}

// ---- the audio thread -------------------------------------------------------------------

void MMplay::MixFromReader(MMchannel* record, uint8_t* out, int32_t length) {
    int32_t filled = 0;
    bool restarted = false; // a restart that has delivered nothing yet
    while (filled < length) {
        int32_t got = 0;
        record->reader->ReadPCM(out + filled, length - filled, &got);
        if (got > 0) {
            filled += got < length - filled ? got : length - filled;
            restarted = false;
            continue;
        }
        // A sound that yields nothing right after a restart would loop here
        // for ever with the audio lock held.
        if (record->loops == 0 || restarted) {
            record->finished = 1;
            return;
        }
        // Reopening would free the caches the main thread is filling; the
        // rest of this buffer stays silent, and the loop restarts next time.
        if (record->refilling != 0)
            return;
        record->reader->Reopen();
        if (record->loops > 0)
            --record->loops;
        restarted = true;
    }
}

void MMplay::MixFromBlocks(MMchannel* record, uint8_t* out, int32_t length) {
    const DataList* blocks = record->sound->blocks;
    int32_t filled = 0;
    bool restarted = false;
    while (filled < length) {
        DataListNode* node = record->block;
        if (node == nullptr) {
            record->finished = 1;
            return;
        }
        int32_t left = static_cast<int32_t>(node->size) - record->blockOffset;
        int32_t need = length - filled;
        const uint8_t* data = static_cast<const uint8_t*>(node->data);
        if (left >= need) {
            std::memcpy(out + filled, data + record->blockOffset, static_cast<size_t>(need));
            record->blockOffset += need;
            return;
        }
        if (left > 0) {
            std::memcpy(out + filled, data + record->blockOffset, static_cast<size_t>(left));
            filled += left;
            restarted = false;
        }
        record->blockOffset = 0;
        if (node != blocks->tail) {
            record->block = node->next;
            continue;
        }
        if (record->loops == 0 || restarted) {
            record->block = node;
            record->blockOffset = static_cast<int32_t>(node->size);
            record->finished = 1;
            return;
        }
        record->block = blocks->head;
        if (record->loops > 0)
            --record->loops;
        restarted = true;
    }
}

void MMplay::MixEffect(int, void* stream, int length, void* recordPointer) {
    MMchannel* record = static_cast<MMchannel*>(recordPointer);
    // A paused channel keeps the silent chunk and its place in the sound.
    if (record == nullptr || record->sound == nullptr || record->finished != 0 ||
        record->paused != 0 || length < 4)
        return;
    uint8_t* out = static_cast<uint8_t*>(stream);
    // Whole stereo frames only; a trailing part keeps the silent chunk.
    int32_t whole = length & ~3;
    if (record->sound->kind == SOUND_PREDECODED)
        MixFromBlocks(record, out, whole);
    else
        MixFromReader(record, out, whole);
}
