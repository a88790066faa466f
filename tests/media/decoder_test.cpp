// The media reader with its Vorbis and XviD decoders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "media/mmlib.h"
#include "tests/media/media_fixtures.h"

namespace {

int32_t OpenBytes(MMlib* reader, const std::vector<uint8_t>& bytes) {
    return reader->OpenMemory(bytes.data(), static_cast<int32_t>(bytes.size()));
}

MediaInfo InfoOf(const MMlib& reader) {
    MediaInfo info;
    reader.GetInfo(&info);
    return info;
}

// Decodes every picture; the colours seen at the picture's centre.
std::vector<uint32_t> DecodeAllFrames(MMlib* reader, int32_t* last) {
    MediaInfo info = InfoOf(*reader);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    std::vector<uint32_t> centres;
    for (int guard = 0; guard < 10000; ++guard) {
        int32_t r = reader->DecodeVideoFrame(frame.data());
        if (r != 0) {
            *last = r;
            break;
        }
        size_t at =
            (static_cast<size_t>(info.videoHeight / 2) * info.videoWidth + info.videoWidth / 2) * 3;
        centres.push_back(frame[at] | (frame[at + 1] << 8) | (frame[at + 2] << 16));
    }
    return centres;
}

void ExpectColourNear(uint32_t bgr, uint32_t rgb, int tolerance) {
    for (int c = 0; c < 3; ++c) {
        int got = static_cast<int>((bgr >> (8 * c)) & 0xFF);
        int want = static_cast<int>((rgb >> (8 * c)) & 0xFF);
        EXPECT_LE(std::abs(got - want), tolerance) << "channel " << c << " of " << std::hex << rgb;
    }
}

std::vector<uint8_t> MovieWith(VideoStreamOptions options) {
    options.source = SolidColourFrames({0x808080}, options.width, options.height);
    return WriteOgmMovie(options, nullptr);
}

} // namespace

// ---- Vorbis ---------------------------------------------------------------------

TEST(VorbisDecoding, StereoGivesTheExactSampleCount) {
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, Samples().stereo), 0);
    MediaInfo info = InfoOf(reader);
    EXPECT_EQ(info.hasVideo, 0);
    EXPECT_EQ(info.hasAudio, 1);
    EXPECT_EQ(info.audioChannels, 2);
    EXPECT_EQ(info.audioRate, 44100);
    EXPECT_EQ(info.videoWidth, 0);
    EXPECT_EQ(info.videoHeight, 0);
    EXPECT_EQ(info.frameBytes, 0);
    EXPECT_EQ(info.frameRate, 0.0f);
    std::vector<int16_t> pcm;
    size_t bytes = ReadAllPcm(&reader, 4096, &pcm);
    EXPECT_EQ(bytes, Samples().stereoPcm.Frames() * 4);
    // Left and right carry different tones.
    double diff = 0;
    for (size_t i = 2000; i < 4000; ++i)
        diff += std::abs(pcm[i * 2] - pcm[i * 2 + 1]);
    EXPECT_GT(diff, 1000.0);
}

TEST(VorbisDecoding, MonoIsWidenedToBothChannels) {
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, Samples().mono), 0);
    EXPECT_EQ(InfoOf(reader).audioChannels, 1);
    std::vector<int16_t> pcm;
    size_t bytes = ReadAllPcm(&reader, 4096, &pcm);
    size_t frames = bytes / 4;
    size_t input = Samples().monoPcm.Frames();
    EXPECT_LE(frames > input ? frames - input : input - frames, 2048u);
    bool same = true;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2)
        same = same && pcm[i] == pcm[i + 1];
    EXPECT_TRUE(same);
    // The tone survives: the widened signal correlates with the input.
    double dot = 0, norm = 0;
    for (size_t i = 1000; i < 20000; ++i) {
        dot += static_cast<double>(pcm[i * 2]) * Samples().monoPcm.samples[i];
        norm += static_cast<double>(Samples().monoPcm.samples[i]) * Samples().monoPcm.samples[i];
    }
    EXPECT_GT(dot / norm, 0.9);
}

TEST(VorbisDecoding, ReopenStartsAgainFromTheFirstSample) {
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, Samples().stereo), 0);
    std::vector<uint8_t> first(8192), again(8192);
    int32_t got = 0;
    ASSERT_EQ(reader.ReadPCM(first.data(), 8192, &got), 0);
    first.resize(static_cast<size_t>(got));
    ReadAllPcm(&reader, 4096, nullptr);
    ASSERT_EQ(reader.Reopen(), 0);
    ASSERT_EQ(reader.ReadPCM(again.data(), 8192, &got), 0);
    again.resize(static_cast<size_t>(got));
    EXPECT_EQ(first, again);
}

TEST(VorbisDecoding, FileAndArchiveSourcesPlayThroughTheirCache) {
    ArchiveBuilder builder;
    uint32_t plain = builder.AddPlain(RES_TYPE_SOUND_STREAMED, Samples().stereo);
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());
    ASSERT_TRUE(WriteBytesToFile("tone.ogg", Samples().stereo));
    MMlib memory, file, archived;
    ASSERT_EQ(OpenBytes(&memory, Samples().stereo), 0);
    ASSERT_EQ(file.OpenFile("tone.ogg"), 0);
    ASSERT_EQ(archived.OpenArchiveEntry(disk.archive(), static_cast<int32_t>(plain)), 0);
    EXPECT_EQ(memory.GetContainer()->GetCache(0), nullptr);
    EXPECT_NE(file.GetContainer()->GetCache(0), nullptr);
    EXPECT_NE(archived.GetContainer()->GetCache(0), nullptr);
    std::vector<int16_t> a, b, c;
    ReadAllPcm(&memory, 4096, &a);
    ReadAllPcm(&file, 4096, &b);
    ReadAllPcm(&archived, 4096, &c);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

TEST(VorbisDecoding, ReadsWithoutAnAudioStreamDeliverNothing) {
    MMlib reader;
    uint8_t buffer[64];
    int32_t got = 99;
    EXPECT_EQ(reader.ReadPCM(buffer, 64, &got), -1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(reader.Reopen(), -1) << "nothing was ever opened";
    EXPECT_EQ(reader.DecodeVideoFrame(buffer), -1);
    VideoStreamOptions silent;
    silent.source = SolidColourFrames({0}, silent.width, silent.height);
    auto movie = WriteOgmMovie(silent, nullptr);
    ASSERT_EQ(OpenBytes(&reader, movie), 0);
    EXPECT_EQ(reader.ReadPCM(buffer, 64, &got), -1);
    EXPECT_EQ(got, 0);
}

TEST(VorbisDecoding, FailedOpenKeepsTheLastGoodSource) {
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, Samples().mono), 0);
    std::vector<uint8_t> junk(500, 0x33);
    EXPECT_LT(OpenBytes(&reader, junk), 0);
    MediaInfo info = InfoOf(reader);
    EXPECT_EQ(info.hasAudio, 0);
    ASSERT_EQ(reader.Reopen(), 0);
    EXPECT_EQ(InfoOf(reader).audioChannels, 1);
    std::string longPath(5000, 'a');
    EXPECT_EQ(reader.OpenFile(longPath.c_str()), -1);
}

// ---- XviD ---------------------------------------------------------------------------

TEST(XvidDecoding, SolidColourMovieGivesEveryPictureThenEnds) {
    Watchdog watchdog("decoding the solid-colour movie", 20);
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, Samples().movie), 0);
    MediaInfo info = InfoOf(reader);
    EXPECT_EQ(info.hasVideo, 1);
    EXPECT_EQ(info.hasAudio, 1);
    EXPECT_EQ(info.videoWidth, 64);
    EXPECT_EQ(info.videoHeight, 48);
    EXPECT_EQ(info.frameBytes, 64 * 48 * 3);
    EXPECT_FLOAT_EQ(info.frameRate, 25.0f);
    int32_t last = 0;
    auto centres = DecodeAllFrames(&reader, &last);
    const auto& colours = Samples().movieColours;
    ASSERT_EQ(centres.size(), colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
        ExpectColourNear(centres[i], colours[i], 6);
    EXPECT_EQ(last, 1);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), 1) << "and stays at the end";
}

TEST(XvidDecoding, LongMovieCrossesPacketBufferFetches) {
    Watchdog watchdog("decoding the long movie", 60);
    VideoStreamOptions options;
    options.width = 320;
    options.height = 240;
    options.frames = 60;
    // A changing picture makes packets big enough to need several fetches.
    options.source = [](int32_t index, uint8_t* bgr) {
        uint32_t state = 7u + static_cast<uint32_t>(index);
        for (int32_t i = 0; i < 320 * 240 * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            bgr[i] = static_cast<uint8_t>(state >> 24);
        }
    };
    auto movie = WriteOgmMovie(options, nullptr);
    ASSERT_GT(movie.size(), 2u * XVID_BUFFER_START_CAPACITY);
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, movie), 0);
    int32_t last = 0;
    EXPECT_EQ(DecodeAllFrames(&reader, &last).size(), 60u);
    EXPECT_EQ(last, 1);
}

TEST(XvidDecoding, FrameRateComesFromTheHeader) {
    VideoStreamOptions options;
    options.frames = 1;
    options.headerTimeUnit = 400000;
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, MovieWith(options)), 0);
    EXPECT_FLOAT_EQ(InfoOf(reader).frameRate, 25.0f);
    options.headerTimeUnit = 1000000;
    ASSERT_EQ(OpenBytes(&reader, MovieWith(options)), 0);
    EXPECT_FLOAT_EQ(InfoOf(reader).frameRate, 10.0f);
}

TEST(XvidDecoding, AnNtscFrameRateKeepsItsFraction) {
    VideoStreamOptions options;
    options.frames = 1;
    options.headerTimeUnit = 333667; // 100 ns units a frame: 30000/1001 frames a second
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, MovieWith(options)), 0);
    EXPECT_NEAR(InfoOf(reader).frameRate, 30000.0 / 1001.0, 1e-3);
}

// VOPs of each coding type (I, P, B, S) in the stream's packets.
std::vector<int> CountVopTypes(const OggStreamData& stream) {
    std::vector<int> counts(4, 0);
    for (const OggPacketData& packet : stream.packets)
        for (size_t i = 0; i + 4 < packet.bytes.size(); ++i)
            if (packet.bytes[i] == 0 && packet.bytes[i + 1] == 0 && packet.bytes[i + 2] == 1 &&
                packet.bytes[i + 3] == 0xB6)
                ++counts[packet.bytes[i + 4] >> 6];
    return counts;
}

TEST(XvidDecoding, AMovieWithBFramesGivesEveryPictureInOrder) {
    Watchdog watchdog("decoding a movie with B-frames", 20);
    VideoStreamOptions options;
    options.frames = 9;
    options.maxBFrames = 2;
    std::vector<uint32_t> colours;
    for (int32_t i = 0; i < options.frames; ++i)
        colours.push_back(0x101010u * static_cast<uint32_t>(2 + i));
    options.source = SolidColourFrames(colours, options.width, options.height);
    OggStreamData stream = EncodeXvidStream(options, 7);
    ASSERT_GT(CountVopTypes(stream)[2], 0) << "the encoder made no B-frames";
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, MuxOgg({stream})), 0);
    int32_t last = 0;
    std::vector<uint32_t> centres = DecodeAllFrames(&reader, &last);
    ASSERT_EQ(centres.size(), colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
        ExpectColourNear(centres[i], colours[i], 6);
    EXPECT_EQ(last, 1);
    std::vector<uint8_t> frame(static_cast<size_t>(InfoOf(reader).frameBytes));
    EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), 1) << "and stays at the end";
}

TEST(XvidDecoding, BadHeadersDoNotOpen) {
    struct Case {
        const char* what;
        int64_t width, height, timeUnit;
    } cases[] = {
        {"width 0", 0, -1, -1},
        {"height 0", -1, 0, -1},
        {"negative width", 0xFFFFFFF0, -1, -1},
        {"width above 4096", 5000, -1, -1},
        {"time unit 0", -1, -1, 0},
        {"rate below one frame a second", -1, -1, 20000001},
        {"width the bitstream does not have", 32, -1, -1},
        {"height the bitstream does not have", -1, 64, -1},
    };
    for (const Case& c : cases) {
        VideoStreamOptions options;
        options.frames = 2;
        options.headerWidth = c.width;
        options.headerHeight = c.height;
        options.headerTimeUnit = c.timeUnit;
        MMlib reader;
        EXPECT_LT(OpenBytes(&reader, MovieWith(options)), 0) << c.what;
        MediaInfo info = InfoOf(reader);
        EXPECT_EQ(info.hasVideo, 0) << c.what;
        EXPECT_EQ(info.frameBytes, 0) << c.what;
    }
}

TEST(XvidDecoding, TruncatedMovieEndsWithoutASpin) {
    Watchdog watchdog("decoding truncated movies", 30);
    const auto& whole = Samples().movie;
    for (size_t cut = 1; cut < whole.size(); cut += whole.size() / 41 + 1) {
        std::vector<uint8_t> movie(whole.begin(), whole.end() - static_cast<long>(cut));
        MMlib reader;
        if (OpenBytes(&reader, movie) != 0)
            continue;
        int32_t last = 0;
        DecodeAllFrames(&reader, &last);
        EXPECT_TRUE(last == 1 || last == -1);
    }
}

TEST(VorbisDecoding, TheFirstOfTwoVorbisStreamsIsPlayed) {
    auto file = MuxOgg(
        {EncodeVorbisStream(Samples().monoPcm, 31), EncodeVorbisStream(Samples().stereoPcm, 32)});
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, file), 0);
    EXPECT_EQ(InfoOf(reader).audioChannels, 1);
    MMlib alone;
    ASSERT_EQ(OpenBytes(&alone, Samples().mono), 0);
    std::vector<int16_t> both, one;
    ReadAllPcm(&reader, 4096, &both);
    ReadAllPcm(&alone, 4096, &one);
    EXPECT_EQ(both, one);
}

TEST(XvidDecoding, PictureSizeChangingMidwayEndsTheMovie) {
    Watchdog watchdog("decoding a movie that changes size", 20);
    VideoStreamOptions small;
    small.frames = 2;
    small.source = SolidColourFrames({0x808080}, small.width, small.height);
    VideoStreamOptions large = small;
    large.width = small.width * 2;
    large.height = small.height * 2;
    large.source = SolidColourFrames({0x808080}, large.width, large.height);
    // The larger pictures come with their own VOL header, which the decoder
    // would follow into a frame buffer sized for the smaller ones.
    OggStreamData stream = EncodeXvidStream(small, 5);
    OggStreamData tail = EncodeXvidStream(large, 5);
    double time = stream.packets.back().time;
    int64_t granule = stream.packets.back().granule;
    for (size_t p = static_cast<size_t>(tail.headerPackets); p < tail.packets.size(); ++p) {
        OggPacketData packet = tail.packets[p];
        packet.time += time + 1.0;
        packet.granule += granule + 1;
        stream.packets.push_back(packet);
    }
    std::vector<uint8_t> movie = MuxOgg({stream});
    MMlib reader;
    ASSERT_EQ(OpenBytes(&reader, movie), 0);
    MediaInfo info = InfoOf(reader);
    ASSERT_EQ(info.videoWidth, small.width);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), 0);
    EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), 0);
    EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), -1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reader.DecodeVideoFrame(frame.data()), 1) << "a caller that goes on after -1";
}
