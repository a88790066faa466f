// A player opened on the dummy audio driver over a generated archive, with
// the audio paused so that tests call the mixer effect themselves.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tests/media/media_fixtures.h"

// Entries of the player's test archive.
enum TestSound : int32_t {
    kStereoStreamed = 0, // type 11
    kMonoInMemory,       // type 12
    kStereoPredecoded,   // type 9
    kMovie,              // type 11, video and mono sound
    kJunk,               // not Ogg at all
    kSilentMovie,        // video only
    kEmptySound,         // a Vorbis stream without samples
    kLongSound,          // more than 256 KiB of Vorbis, compressed entry
    kTestSoundCount
};

struct PlayerMedia {
    std::vector<uint8_t> entries[kTestSoundCount];
    std::vector<int16_t> decoded[kTestSoundCount]; // stereo PCM of a direct decode
};
const PlayerMedia& PlayerSamples();

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the channel's effect on a zeroed buffer of `bytes`; returns it.
    std::vector<int16_t> Mix(int32_t channel, int32_t bytes);
    // Mixes until the channel finishes (at most `limit` bytes): the PCM.
    std::vector<int16_t> MixUntilFinished(int32_t channel, int32_t chunk, size_t limit,
                                          bool pump = false);
    bool Finished(int32_t channel);
    bool Busy(int32_t channel);

    std::unique_ptr<ArchiveOnDisk> disk_;
    MMplay player_;
    int32_t mixingChannels_ = 64;
};
