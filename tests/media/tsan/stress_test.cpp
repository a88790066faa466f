// The main thread plays, stops, unloads, updates and decodes video while the
// audio thread mixes as fast as the disk driver lets it. Built with
// ThreadSanitizer, which reports any access the audio lock does not cover;
// a watchdog turns a deadlock into a failure.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>

#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tests/media/media_fixtures.h"

namespace {

// 160x120 pictures of noise: packets big enough that the video decoder
// fetches from the container again and again while the sound plays.
VideoStreamOptions NoisyVideo(int32_t frames, uint32_t seed) {
    VideoStreamOptions video;
    video.width = 160;
    video.height = 120;
    video.frames = frames;
    video.source = [seed](int32_t index, uint8_t* bgr) {
        uint32_t state = seed + static_cast<uint32_t>(index);
        for (int32_t i = 0; i < 160 * 120 * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            bgr[i] = static_cast<uint8_t>(state >> 24);
        }
    };
    return video;
}

int gEnded = 0;
void CountEnd(uintptr_t, uintptr_t) {
    ++gEnded;
}

enum StressSound : int32_t { kTone, kMono, kMovie, kMovieInMemory, kLong, kJunk, kSoundCount };

// Movies keep their kind: one streamed through the cache, one decoded from
// memory, where video and sound share the container on both threads.
int32_t KindFor(int32_t sound, int32_t random) {
    if (sound == kMovie)
        return SOUND_STREAMED;
    if (sound == kMovieInMemory)
        return SOUND_IN_MEMORY;
    return random;
}

struct Step {
    uint32_t state = 2463534242u;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }
};

// Stereo noise: a high bit rate, so a sound reads its container on every
// mix and the two threads meet there as often as possible.
PcmBuffer Noise(int seconds) {
    PcmBuffer pcm;
    pcm.samples.resize(static_cast<size_t>(44100 * 2 * seconds));
    uint32_t state = 3;
    for (int16_t& v : pcm.samples) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<int16_t>(static_cast<int32_t>(state >> 16) - 32768);
    }
    return pcm;
}

} // namespace

TEST(PlayerStress, MainThreadAndAudioThreadShareThePlayerSafely) {
    Watchdog watchdog("the player stress run", 120);
    const MediaSamples& samples = Samples();
    PcmBuffer noise = MakeTone(2, 44100, 44100 * 3, 97.0, 9000.0, 131.0);
    ArchiveBuilder builder;
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, samples.stereo);
    builder.AddPlain(RES_TYPE_SOUND_IN_MEMORY, samples.mono);
    // Noisy pictures: packets big enough that the video decoder fetches
    // from the container again and again while the sound plays.
    VideoStreamOptions video = NoisyVideo(100, 1);
    PcmBuffer movieSound = Noise(20);
    std::vector<uint8_t> movie = WriteOgmMovie(video, &movieSound);
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, movie);
    builder.AddPlain(RES_TYPE_SOUND_IN_MEMORY, movie);
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, WriteOggVorbis(noise, 0.9f));
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, std::vector<uint8_t>(2000, 0x61));
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());

    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    MMplay player;
    ASSERT_EQ(player.Open(44100, AUDIO_S16LSB, 2, 4096, 64, disk.archive()), 0) << Mix_GetError();

    Step step;
    std::vector<uint8_t> frame(160 * 120 * 3);
    int32_t movieChannels[2] = {-1, -1};
    long pictures[2] = {0, 0};
    long operations = 0;
    uint32_t start = SDL_GetTicks();
    while (SDL_GetTicks() - start < 4000) {
        switch (step.Below(10)) {
        case 0:
        case 1: {
            int32_t sound = step.Below(kSoundCount);
            int32_t kind = KindFor(sound, step.Below(3));
            // Without loops left a movie is decoded outside the lock, the
            // video reading the container beside the sound: the case to watch.
            int32_t loops = sound == kMovieInMemory ? 0 : step.Below(4) - 1;
            int32_t channel = step.Below(8) == 0 ? 0 : -1;
            int32_t ch = player.PlayWithCallback(channel, loops, sound, kind, 1, CountEnd, 1, 2);
            if ((sound == kMovie || sound == kMovieInMemory) && ch >= 0)
                movieChannels[sound - kMovie] = ch;
            if (ch >= 0)
                player.SetPanning(ch, step.Below(256), step.Below(256));
            break;
        }
        case 2:
            player.Stop(step.Below(20) == 0 ? -1 : step.Below(64));
            break;
        case 3:
            if (step.Below(8) == 0)
                player.Unload(step.Below(kSoundCount));
            break;
        case 4:
        case 5:
            player.Update();
            break;
        case 6:
        case 7: {
            int32_t which = step.Below(2);
            int32_t& ch = movieChannels[which];
            if (ch >= 0 && player.DecodeVideoFrame(ch, frame.data()) == 0)
                ++pictures[which];
            else
                ch = -1;
            break;
        }
        case 8: {
            MediaInfo info;
            player.GetInfo(step.Below(64), &info);
            break;
        }
        default:
            if (step.Below(2) == 0)
                player.Pause(-1);
            else
                player.Resume(-1);
            break;
        }
        ++operations;
        if (operations % 64 == 0)
            SDL_Delay(1);
    }
    player.Resume(-1);
    player.Close();
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_GT(operations, 1000);
    EXPECT_GT(gEnded, 0);
    EXPECT_GT(pictures[0], 10);
    EXPECT_GT(pictures[1], 10);
    std::printf("%ld operations, %ld + %ld pictures\n", operations, pictures[0], pictures[1]);
}

// The movie screen's loop on a movie held in memory: the video is decoded
// outside the lock while the audio thread reads the sound from the same
// container.
TEST(PlayerStress, MoviePicturesAndSoundShareOneContainer) {
    Watchdog watchdog("the movie stress run", 120);
    VideoStreamOptions video = NoisyVideo(60, 5);
    PcmBuffer sound = Noise(10);
    ArchiveBuilder builder;
    builder.AddPlain(RES_TYPE_SOUND_IN_MEMORY, WriteOgmMovie(video, &sound));
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    MMplay player;
    ASSERT_EQ(player.Open(44100, AUDIO_S16LSB, 2, 4096, 8, disk.archive()), 0) << Mix_GetError();
    std::vector<uint8_t> frame(160 * 120 * 3);
    long pictures = 0;
    for (int round = 0; round < 5; ++round) {
        int32_t ch = player.Play(-1, 0, 0, SOUND_IN_MEMORY, 1);
        ASSERT_GE(ch, 0);
        while (player.DecodeVideoFrame(ch, frame.data()) == 0) {
            ++pictures;
            player.Update();
            SDL_Delay(4); // the movie screen's pacing, shortened
        }
        player.Stop(ch);
    }
    player.Close();
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(pictures, 5 * 60);
}
