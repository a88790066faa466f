#include "tests/media/player_fixture.h"

#include <cstdlib>

#include "media/mmlib.h"

namespace {

std::vector<int16_t> DecodeDirect(const std::vector<uint8_t>& bytes) {
    MMlib reader;
    std::vector<int16_t> pcm;
    if (reader.OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size())) == 0)
        ReadAllPcm(&reader, 16384, &pcm);
    return pcm;
}

} // namespace

const PlayerMedia& PlayerSamples() {
    static const PlayerMedia media = [] {
        PlayerMedia m;
        const MediaSamples& s = Samples();
        m.entries[kStereoStreamed] = s.stereo;
        m.entries[kMonoInMemory] = s.mono;
        m.entries[kStereoPredecoded] = s.stereo;
        m.entries[kMovie] = s.movie;
        m.entries[kJunk] = std::vector<uint8_t>(3000, 0x5A);
        VideoStreamOptions silent = s.movieOptions;
        m.entries[kSilentMovie] = WriteOgmMovie(silent, nullptr);
        m.entries[kEmptySound] = WriteOggVorbis(MakeTone(2, 44100, 0, 440.0, 0.0));
        // Noise at the highest quality: many bytes for few seconds.
        PcmBuffer noise;
        noise.channels = 2;
        noise.samples.resize(44100 * 2 * 5);
        uint32_t state = 99;
        for (int16_t& v : noise.samples) {
            state = state * 1664525u + 1013904223u;
            v = static_cast<int16_t>(static_cast<int32_t>(state >> 16) - 32768);
        }
        m.entries[kLongSound] = WriteOggVorbis(noise, 1.0f);
        for (int32_t i = 0; i < kTestSoundCount; ++i)
            m.decoded[i] = DecodeDirect(m.entries[i]);
        return m;
    }();
    return media;
}

void PlayerTest::SetUp() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const PlayerMedia& media = PlayerSamples();
    ArchiveBuilder builder;
    const uint8_t types[kTestSoundCount] = {11, 12, 9, 11, 11, 11, 11, 11};
    for (int32_t i = 0; i < kTestSoundCount; ++i) {
        if (i == kLongSound)
            builder.AddCompressed(types[i], media.entries[i]);
        else
            builder.AddPlain(types[i], media.entries[i]);
    }
    disk_ = std::make_unique<ArchiveOnDisk>(builder);
    ASSERT_TRUE(disk_->ok());
    ASSERT_EQ(player_.Open(44100, AUDIO_S16LSB, 2, 4096, mixingChannels_, disk_->archive()), 0)
        << Mix_GetError();
    SDL_PauseAudio(1);
}

void PlayerTest::TearDown() {
    player_.Close();
    disk_.reset();
}

std::vector<int16_t> PlayerTest::Mix(int32_t channel, int32_t bytes) {
    std::vector<int16_t> buffer(static_cast<size_t>(bytes) / 2, 0);
    AudioLock lock;
    MMplay::MixEffect(channel, buffer.data(), bytes,
                      const_cast<MMchannel*>(player_.GetChannel(channel)));
    return buffer;
}

std::vector<int16_t> PlayerTest::MixUntilFinished(int32_t channel, int32_t chunk, size_t limit,
                                                  bool pump) {
    std::vector<int16_t> out;
    while (!Finished(channel) && out.size() * 2 < limit) {
        std::vector<int16_t> part = Mix(channel, chunk);
        out.insert(out.end(), part.begin(), part.end());
        if (pump) {
            AudioLock lock;
            player_.GetChannel(channel)->reader->Pump();
        }
    }
    // The part of the last buffer after the end is silence.
    return out;
}

bool PlayerTest::Finished(int32_t channel) {
    AudioLock lock;
    return player_.GetChannel(channel)->finished != 0;
}

bool PlayerTest::Busy(int32_t channel) {
    AudioLock lock;
    return Mix_Playing(channel) != 0 && player_.GetChannel(channel)->sound != nullptr;
}
