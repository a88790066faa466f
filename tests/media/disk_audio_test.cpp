// End to end through SDL's disk audio driver: what the player mixes on the
// real audio thread is captured to a file and compared with the sound.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdlib>

#include "media/audio_lock.h"
#include "media/mmlib.h"
#include "media/mmplay.h"
#include "tests/media/media_fixtures.h"

namespace {

int gEnded = 0;
void CountEnd(uintptr_t, uintptr_t) {
    ++gEnded;
}

// The driver is chosen when the device opens; the suite's default comes back
// afterwards.
class DiskDriver {
public:
    explicit DiskDriver(const std::string& file) {
        const char* old = std::getenv("SDL_AUDIODRIVER");
        previous_ = old != nullptr ? old : "";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        // One 4096-sample buffer at 44,100 Hz lasts 93 ms.
        setenv("SDL_DISKAUDIODELAY", "93", 1);
    }
    ~DiskDriver() {
        if (previous_.empty())
            unsetenv("SDL_AUDIODRIVER");
        else
            setenv("SDL_AUDIODRIVER", previous_.c_str(), 1);
    }

private:
    std::string previous_;
};

std::vector<int16_t> Channel(const std::vector<int16_t>& stereo, int which) {
    std::vector<int16_t> out;
    for (size_t i = static_cast<size_t>(which); i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

size_t FirstNonZero(const std::vector<int16_t>& samples) {
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0)
            return i;
    return samples.size();
}

} // namespace

TEST(DiskAudio, ToneAtFullVolumePannedLeftAppearsInTheLeftChannelOnly) {
    Watchdog watchdog("the disk audio capture", 30);
    ArchiveBuilder builder;
    uint32_t tone = builder.AddPlain(RES_TYPE_SOUND_STREAMED, Samples().stereo);
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());
    std::vector<int16_t> expected;
    {
        MMlib reader;
        const auto& bytes = Samples().stereo;
        ASSERT_EQ(reader.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size())), 0);
        ReadAllPcm(&reader, 16384, &expected);
    }
    std::vector<int16_t> expectedLeft = Channel(expected, 0);

    std::string capture = "capture.raw";
    {
        DiskDriver driver(capture);
        MMplay player;
        ASSERT_EQ(player.Open(44100, AUDIO_S16LSB, 2, 4096, 64, disk.archive()), 0)
            << Mix_GetError();
        gEnded = 0;
        int32_t ch = -1;
        {
            // Start and pan in one step: no buffer may be mixed unpanned.
            AudioLock lock;
            ch = player.PlayWithCallback(-1, 0, static_cast<int32_t>(tone), SOUND_STREAMED, 1,
                                         CountEnd, 0, 0);
            ASSERT_GE(ch, 0);
            EXPECT_EQ(player.SetVolume(ch, MIX_MAX_VOLUME), MIX_MAX_VOLUME);
            EXPECT_NE(player.SetPanning(ch, 255, 0), 0);
        }
        // The game's frames: Update services the player until the sound ends.
        uint32_t start = SDL_GetTicks();
        while (gEnded == 0 && SDL_GetTicks() - start < 10000) {
            player.Update();
            SDL_Delay(10);
        }
        EXPECT_EQ(gEnded, 1);
        SDL_Delay(200);
        player.Close();
    }
    std::vector<uint8_t> raw = ReadBytesFromFile(capture);
    std::vector<int16_t> output(raw.size() / 2);
    for (size_t i = 0; i < output.size(); ++i)
        output[i] = static_cast<int16_t>(raw[i * 2] | (raw[i * 2 + 1] << 8));
    std::vector<int16_t> left = Channel(output, 0);
    std::vector<int16_t> right = Channel(output, 1);
    ASSERT_GT(left.size(), expectedLeft.size());

    EXPECT_EQ(FirstNonZero(right), right.size()) << "the right channel must stay silent";
    size_t skip = FirstNonZero(expectedLeft);
    size_t at = FirstNonZero(left);
    ASSERT_GE(at, skip);
    size_t begin = at - skip;
    ASSERT_LE(begin + expectedLeft.size(), left.size());
    std::vector<int16_t> heard(left.begin() + static_cast<long>(begin),
                               left.begin() + static_cast<long>(begin + expectedLeft.size()));
    EXPECT_EQ(heard, expectedLeft);
    EXPECT_EQ(FirstNonZero(std::vector<int16_t>(
                  left.begin() + static_cast<long>(begin + expectedLeft.size()), left.end())),
              left.size() - begin - expectedLeft.size())
        << "nothing after the end of the sound";
}
