// The main thread plays, stops, unloads, updates and decodes video while the
// audio thread mixes as fast as the disk driver lets it. Built with
// ThreadSanitizer, which reports any access the audio lock does not cover;
// a watchdog turns a deadlock into a failure.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdlib>

#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tests/media/media_fixtures.h"

namespace {

int gEnded = 0;
void CountEnd(uintptr_t, uintptr_t) {
    ++gEnded;
}

enum StressSound : int32_t { kTone, kMono, kMovie, kLong, kJunk, kSoundCount };

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

} // namespace

TEST(PlayerStress, MainThreadAndAudioThreadShareThePlayerSafely) {
    Watchdog watchdog("the player stress run", 120);
    const MediaSamples& samples = Samples();
    PcmBuffer noise = MakeTone(2, 44100, 44100 * 3, 97.0, 9000.0, 131.0);
    ArchiveBuilder builder;
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, samples.stereo);
    builder.AddPlain(RES_TYPE_SOUND_IN_MEMORY, samples.mono);
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, samples.movie);
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
    std::vector<uint8_t> frame(static_cast<size_t>(samples.movieOptions.width) *
                               samples.movieOptions.height * 3);
    int32_t movieChannel = -1;
    long operations = 0;
    uint32_t start = SDL_GetTicks();
    while (SDL_GetTicks() - start < 4000) {
        switch (step.Below(10)) {
        case 0:
        case 1: {
            int32_t sound = step.Below(kSoundCount);
            int32_t kind = step.Below(3);
            int32_t loops = step.Below(4) - 1;
            int32_t channel = step.Below(8) == 0 ? 0 : -1;
            int32_t ch = player.PlayWithCallback(channel, loops, sound, kind, 1, CountEnd, 1, 2);
            if (sound == kMovie && ch >= 0)
                movieChannel = ch;
            if (ch >= 0)
                player.SetPanning(ch, step.Below(256), step.Below(256));
            break;
        }
        case 2:
            player.Stop(step.Below(20) == 0 ? -1 : step.Below(64));
            break;
        case 3:
            if (step.Below(4) == 0)
                player.Unload(step.Below(kSoundCount));
            break;
        case 4:
        case 5:
            player.Update();
            break;
        case 6:
        case 7:
            if (movieChannel >= 0 && player.DecodeVideoFrame(movieChannel, frame.data()) != 0)
                movieChannel = -1;
            break;
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
}
