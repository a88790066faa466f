// Media made or read by other tools: oggenc and ffmpeg for Vorbis, ffmpeg's
// MPEG-4 encoder muxed by ogmmerge for movies, and ffmpeg decoding what our
// writers make. Skipped where the tools are missing.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/bytes.h"
#include "media/mmlib.h"
#include "tests/media/media_fixtures.h"

namespace {

std::vector<uint8_t> WavOf(const PcmBuffer& pcm) {
    uint32_t dataBytes = static_cast<uint32_t>(pcm.samples.size() * 2);
    std::vector<uint8_t> wav(44 + dataBytes);
    std::memcpy(&wav[0], "RIFF", 4);
    PutU32LE(&wav[4], 36 + dataBytes);
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    PutU32LE(&wav[16], 16);
    PutU16LE(&wav[20], 1);
    PutU16LE(&wav[22], static_cast<uint16_t>(pcm.channels));
    PutU32LE(&wav[24], static_cast<uint32_t>(pcm.rate));
    PutU32LE(&wav[28], static_cast<uint32_t>(pcm.rate * pcm.channels * 2));
    PutU16LE(&wav[32], static_cast<uint16_t>(pcm.channels * 2));
    PutU16LE(&wav[34], 16);
    std::memcpy(&wav[36], "data", 4);
    PutU32LE(&wav[40], dataBytes);
    for (size_t i = 0; i < pcm.samples.size(); ++i)
        PutI16LE(&wav[44 + i * 2], pcm.samples[i]);
    return wav;
}

std::vector<int16_t> SamplesOf(const std::vector<uint8_t>& raw) {
    std::vector<int16_t> out(raw.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = GetI16LE(&raw[i * 2]);
    return out;
}

std::vector<int16_t> DecodeFile(const std::string& path, MediaInfo* info) {
    MMlib reader;
    std::vector<int16_t> pcm;
    EXPECT_EQ(reader.OpenFile(path.c_str()), 0) << path;
    reader.GetInfo(info);
    ReadAllPcm(&reader, 4096, &pcm);
    return pcm;
}

// How well `got` follows `want` (1 for a perfect copy).
double Similarity(const std::vector<int16_t>& got, const std::vector<int16_t>& want) {
    double dot = 0, norm = 0;
    for (size_t i = 0; i < got.size() && i < want.size(); ++i) {
        dot += static_cast<double>(got[i]) * want[i];
        norm += static_cast<double>(want[i]) * want[i];
    }
    return norm > 0 ? dot / norm : 0;
}

#define REQUIRE_TOOL(name)                                                                         \
    if (!HaveTool(name))                                                                           \
    GTEST_SKIP() << name << " is not installed"

} // namespace

TEST(CrossCheck, OggencFileDecodesToItsInput) {
    REQUIRE_TOOL("oggenc");
    ScopedTempDir dir;
    PcmBuffer pcm = MakeTone(2, 44100, 30000, 500.0, 10000.0, 750.0);
    ASSERT_TRUE(WriteBytesToFile("in.wav", WavOf(pcm)));
    ASSERT_TRUE(RunQuiet("oggenc -Q -q 4 -o out.ogg in.wav"));
    MediaInfo info;
    auto decoded = DecodeFile("out.ogg", &info);
    EXPECT_EQ(info.audioChannels, 2);
    EXPECT_EQ(info.audioRate, 44100);
    EXPECT_EQ(decoded.size(), pcm.samples.size());
    EXPECT_GT(Similarity(decoded, pcm.samples), 0.95);
}

TEST(CrossCheck, FfmpegDecodesOurVorbisLikeWeDo) {
    REQUIRE_TOOL("ffmpeg");
    ScopedTempDir dir;
    ASSERT_TRUE(WriteBytesToFile("ours.ogg", Samples().stereo));
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -i ours.ogg -f s16le -acodec pcm_s16le theirs.raw"));
    auto theirs = SamplesOf(ReadBytesFromFile("theirs.raw"));
    MediaInfo info;
    auto ours = DecodeFile("ours.ogg", &info);
    // ffmpeg drops the first decoder block's overlap; the rest must agree.
    ASSERT_GE(ours.size(), theirs.size());
    size_t trimmed = ours.size() - theirs.size();
    ASSERT_LE(trimmed, 2u * 1024u);
    int best = INT32_MAX;
    for (size_t shift = 0; shift <= trimmed; shift += 2) {
        int worst = 0;
        for (size_t i = 0; i < theirs.size() && worst < best; ++i)
            worst = std::max(worst, std::abs(ours[i + shift] - theirs[i]));
        best = std::min(best, worst);
    }
    EXPECT_LE(best, 4);
}

TEST(CrossCheck, FfmpegReadsTheFramesOfOurMovie) {
    REQUIRE_TOOL("ffmpeg");
    ScopedTempDir dir;
    ASSERT_TRUE(WriteBytesToFile("ours.ogm", Samples().movie));
    ASSERT_TRUE(
        RunQuiet("ffmpeg -nostdin -y -i ours.ogm -an -f rawvideo -pix_fmt bgr24 frames.raw"));
    auto frames = ReadBytesFromFile("frames.raw");
    const auto& colours = Samples().movieColours;
    size_t frameBytes = 64 * 48 * 3;
    ASSERT_EQ(frames.size(), frameBytes * colours.size());
    for (size_t f = 0; f < colours.size(); ++f) {
        size_t at = f * frameBytes + (24 * 64 + 32) * 3;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(frames[at + c], (colours[f] >> (8 * c)) & 0xFF, 8) << "frame " << f;
    }
}

TEST(CrossCheck, FfmpegAndOgmmergeMoviePlaysToItsLastFrameAndStops) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("ogmmerge");
    Watchdog watchdog("the ffmpeg + ogmmerge movie", 30);
    ScopedTempDir dir;
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i color=c=0x2050C0:s=160x120:r=25:d=1.2 "
                         "-c:v mpeg4 -vtag XVID -bf 0 -q:v 3 v.avi"));
    ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i sine=frequency=440:sample_rate=44100:"
                         "duration=1.2 -ac 2 -c:a libvorbis a.ogg"));
    ASSERT_TRUE(RunQuiet("ogmmerge -o movie.ogm v.avi a.ogg"));
    MMlib reader;
    ASSERT_EQ(reader.OpenFile("movie.ogm"), 0);
    MediaInfo info;
    reader.GetInfo(&info);
    EXPECT_EQ(info.hasVideo, 1);
    EXPECT_EQ(info.hasAudio, 1);
    EXPECT_EQ(info.videoWidth, 160);
    EXPECT_EQ(info.videoHeight, 120);
    EXPECT_FLOAT_EQ(info.frameRate, 25.0f);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    int frames = 0, result = 0;
    while ((result = reader.DecodeVideoFrame(frame.data())) == 0 && frames < 1000) {
        ++frames;
        size_t at = (60 * 160 + 80) * 3;
        EXPECT_NEAR(frame[at + 0], 0xC0, 8);
        EXPECT_NEAR(frame[at + 1], 0x50, 8);
        EXPECT_NEAR(frame[at + 2], 0x20, 8);
    }
    EXPECT_EQ(frames, 30);
    EXPECT_EQ(result, 1);
    std::vector<int16_t> pcm;
    size_t bytes = ReadAllPcm(&reader, 4096, &pcm);
    EXPECT_NEAR(static_cast<double>(bytes) / 4, 44100 * 1.2, 2048);
}
