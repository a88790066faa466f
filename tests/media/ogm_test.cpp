// The Ogg page parser: stream discovery, payload and raw delivery, the
// three back-ends, alternate reads of interleaved streams, and damage.
#include <gtest/gtest.h>

#include "media/ogm.h"
#include "tests/media/media_fixtures.h"

namespace {

std::vector<uint8_t> ReadAll(OGM* ogm, int32_t stream, int32_t chunk) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    for (;;) {
        int32_t got = ogm->ReadStream(stream, buffer.data(), chunk);
        if (got <= 0)
            break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + got);
    }
    return out;
}

// A stream whose only packet is `first` (plus one data packet).
OggStreamData RawStream(uint32_t serial, std::vector<uint8_t> first) {
    OggStreamData plan;
    plan.serial = serial;
    OggPacketData packet;
    packet.bytes = std::move(first);
    plan.packets.push_back(packet);
    packet.bytes.assign(300, 0x42);
    packet.time = 1.0;
    plan.packets.push_back(packet);
    return plan;
}

std::vector<uint8_t> VideoSignature(size_t length) {
    OgmVideoHeader header;
    header.width = 16;
    header.height = 16;
    header.length = static_cast<int32_t>(length);
    return MakeOgmVideoHeader(header);
}

} // namespace

TEST(OgmDiscovery, OneVorbisStreamIsKindTwo) {
    OGM ogm;
    const auto& file = Samples().stereo;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    EXPECT_EQ(ogm.GetStreamCount(), 1);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_VORBIS);
    EXPECT_EQ(ogm.GetStreamKind(1), OGM_STREAM_NONE);
    EXPECT_EQ(ogm.GetStreamKind(-1), OGM_STREAM_NONE);
}

TEST(OgmDiscovery, MovieHasVideoThenVorbis) {
    OGM ogm;
    const auto& file = Samples().movie;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    ASSERT_EQ(ogm.GetStreamCount(), 2);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_VIDEO);
    EXPECT_EQ(ogm.GetStreamKind(1), OGM_STREAM_VORBIS);
}

TEST(OgmDiscovery, VideoHeaderNeedsMoreThan52Bytes) {
    OGM ogm;
    auto short52 = MuxOgg({RawStream(7, VideoSignature(52))});
    EXPECT_EQ(ogm.OpenMemory(short52.data(), static_cast<int32_t>(short52.size())), -1);

    auto long53 = MuxOgg({RawStream(7, VideoSignature(53))});
    ASSERT_EQ(ogm.OpenMemory(long53.data(), static_cast<int32_t>(long53.size())), 0);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_VIDEO);
}

TEST(OgmDiscovery, ShortHeaderPageBeside_AnotherStreamIsNotVideo) {
    // The short header page is followed by other pages: the identification
    // must not read past its own body.
    OGM ogm;
    auto file =
        MuxOgg({RawStream(7, VideoSignature(52)), EncodeVorbisStream(Samples().monoPcm, 9)});
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    ASSERT_EQ(ogm.GetStreamCount(), 1);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_VORBIS);
}

TEST(OgmDiscovery, TextSignatureAndUnknownStreams) {
    std::vector<uint8_t> text = {'t', 'e', 'x', 't', 0, 0, 0, 0, 0};
    text.resize(45, 0);
    std::vector<uint8_t> unknown(60, 0x11);
    OGM ogm;
    auto file = MuxOgg({RawStream(3, unknown), RawStream(4, text)});
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    ASSERT_EQ(ogm.GetStreamCount(), 1);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_TEXT);

    OGM none;
    auto junk = MuxOgg({RawStream(3, unknown)});
    EXPECT_EQ(none.OpenMemory(junk.data(), static_cast<int32_t>(junk.size())), -1);
}

TEST(OgmDiscovery, OnlyTheFirstEightPagesAreSearched) {
    OggStreamData vorbis = EncodeVorbisStream(Samples().monoPcm, 9);
    MuxFaults seven;
    seven.leadingJunkPages = 7;
    auto seen = MuxOgg({vorbis}, seven);
    OGM ogm;
    EXPECT_EQ(ogm.OpenMemory(seen.data(), static_cast<int32_t>(seen.size())), 0);

    MuxFaults eight;
    eight.leadingJunkPages = 8;
    auto hidden = MuxOgg({vorbis}, eight);
    OGM late;
    EXPECT_EQ(late.OpenMemory(hidden.data(), static_cast<int32_t>(hidden.size())), -1);
}

TEST(OgmDelivery, PayloadIsTheBodiesAndRawIsThePages) {
    const auto& file = Samples().stereo;
    OGM payload;
    ASSERT_EQ(payload.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    EXPECT_EQ(ReadAll(&payload, 0, 1000), StreamPayload(file, kVorbisSerial));

    OGM raw;
    ASSERT_EQ(raw.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    raw.SetRawMode(0, 1);
    EXPECT_EQ(ReadAll(&raw, 0, 777), file);
}

TEST(OgmDelivery, InterleavedStreamsReadAlternatelyInUnevenChunks) {
    const auto& file = Samples().movie;
    OGM ogm;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    ogm.SetRawMode(1, 1);
    std::vector<uint8_t> video, audio;
    const int32_t sizes[] = {1, 7, 300, 4096, 13, 2000};
    uint8_t buffer[4096];
    for (int i = 0; !ogm.IsStreamAtEnd(0) || !ogm.IsStreamAtEnd(1); ++i) {
        int32_t n = sizes[i % 6];
        int32_t got = ogm.ReadStream(0, buffer, n);
        video.insert(video.end(), buffer, buffer + got);
        got = ogm.ReadStream(1, buffer, sizes[(i + 3) % 6]);
        audio.insert(audio.end(), buffer, buffer + got);
        ASSERT_LT(i, 100000);
    }
    EXPECT_EQ(video, StreamPayload(file, kMovieVideoSerial));
    EXPECT_EQ(audio, StreamPages(file, kMovieAudioSerial));
}

TEST(OgmDelivery, ReadingPastTheEndDeliversTheRestThenNothing) {
    const auto& file = Samples().mono;
    auto expected = StreamPayload(file, kVorbisSerial);
    OGM ogm;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    std::vector<uint8_t> buffer(expected.size() + 500);
    int32_t first = ogm.ReadStream(0, buffer.data(), 100);
    int32_t rest =
        ogm.ReadStream(0, buffer.data() + first, static_cast<int32_t>(buffer.size()) - first);
    EXPECT_EQ(static_cast<size_t>(first + rest), expected.size());
    EXPECT_EQ(ogm.IsStreamAtEnd(0), 1);
    EXPECT_EQ(ogm.ReadStream(0, buffer.data(), 100), 0);
    buffer.resize(expected.size());
    EXPECT_EQ(buffer, expected);
}

TEST(OgmDelivery, BadArgumentsDeliverNothing) {
    const auto& file = Samples().mono;
    OGM ogm;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    uint8_t buffer[16];
    EXPECT_EQ(ogm.ReadStream(1, buffer, 16), 0);
    EXPECT_EQ(ogm.ReadStream(-1, buffer, 16), 0);
    EXPECT_EQ(ogm.ReadStream(0, buffer, 0), 0);
    EXPECT_EQ(ogm.ReadStream(0, buffer, -5), 0);
    EXPECT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), -1)
        << "a second open while a source is open";
}

TEST(OgmDamage, NotOggSFailsToOpen) {
    MuxFaults faults;
    faults.badCapture = true;
    auto file = MuxOgg({EncodeVorbisStream(Samples().monoPcm, 9)}, faults);
    OGM ogm;
    EXPECT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), -1);
    EXPECT_EQ(ogm.GetSourceKind(), OGM_SOURCE_NONE);
    std::vector<uint8_t> empty;
    uint8_t one = 0;
    EXPECT_EQ(ogm.OpenMemory(&one, 0), -1);
    EXPECT_EQ(ogm.OpenMemory(nullptr, 10), -1);
}

TEST(OgmDamage, TruncationAnywhereEndsTheStreamWithoutAHang) {
    const auto& whole = Samples().movie;
    auto video = StreamPayload(whole, kMovieVideoSerial);
    // Cut through the middle of pages, headers and lacing tables alike.
    for (size_t cut = 1; cut < whole.size(); cut += whole.size() / 97 + 1) {
        std::vector<uint8_t> file(whole.begin(),
                                  whole.begin() + static_cast<long>(whole.size() - cut));
        OGM ogm;
        if (ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())) != 0)
            continue;
        auto got = ReadAll(&ogm, 0, 1000);
        EXPECT_LE(got.size(), video.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), video.begin()));
        EXPECT_EQ(ogm.IsStreamAtEnd(0), 1);
    }
}

// ---- back-ends ------------------------------------------------------------------

class OgmBackends : public ::testing::Test {
protected:
    static std::vector<uint8_t> ReadMovie(OGM* ogm) {
        std::vector<uint8_t> out;
        ogm->SetRawMode(1, 1);
        uint8_t buffer[1500];
        for (int i = 0; !ogm->IsStreamAtEnd(0) || !ogm->IsStreamAtEnd(1); ++i) {
            int32_t got = ogm->ReadStream(i % 2, buffer, 900 + (i % 5) * 150);
            out.insert(out.end(), buffer, buffer + got);
            if (i > 200000)
                break;
        }
        return out;
    }
};

TEST_F(OgmBackends, MemoryFileAndArchiveEntriesGiveTheSameBytes) {
    const auto& movie = Samples().movie;
    OGM memory;
    ASSERT_EQ(memory.OpenMemory(movie.data(), static_cast<int32_t>(movie.size())), 0);
    auto expected = ReadMovie(&memory);
    ASSERT_GT(expected.size(), movie.size() / 2);

    ArchiveBuilder builder;
    uint32_t plain = builder.AddPlain(RES_TYPE_SOUND_STREAMED, movie);
    uint32_t compressed = builder.AddCompressed(RES_TYPE_SOUND_STREAMED, movie);
    uint32_t external = builder.AddExternal(RES_TYPE_SOUND_STREAMED, "movie.ogm", movie);
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());

    OGM file;
    ASSERT_TRUE(WriteBytesToFile("copy.ogm", movie));
    ASSERT_EQ(file.OpenFile("copy.ogm"), 0);
    EXPECT_EQ(file.GetSourceKind(), OGM_SOURCE_FILE);
    EXPECT_EQ(ReadMovie(&file), expected);

    for (uint32_t entry : {plain, compressed, external}) {
        OGM archived;
        ASSERT_EQ(archived.OpenArchiveEntry(disk.archive(), static_cast<int32_t>(entry)), 0)
            << "entry " << entry;
        EXPECT_EQ(archived.GetSourceKind(), OGM_SOURCE_ARCHIVE);
        EXPECT_EQ(ReadMovie(&archived), expected) << "entry " << entry;
    }
}

TEST_F(OgmBackends, MissingSourcesFailToOpen) {
    OGM ogm;
    EXPECT_EQ(ogm.OpenFile("no-such-file.ogg"), -1);
    EXPECT_EQ(ogm.OpenFile(nullptr), -1);
    EXPECT_EQ(ogm.OpenArchiveEntry(nullptr, 0), -1);
    ArchiveBuilder builder;
    builder.AddPlain(RES_TYPE_SOUND_STREAMED, Samples().mono);
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());
    EXPECT_EQ(ogm.OpenArchiveEntry(disk.archive(), 5), -1);
    EXPECT_EQ(ogm.OpenArchiveEntry(disk.archive(), -1), -1);
    EXPECT_EQ(ogm.OpenArchiveEntry(disk.archive(), 0), 0);
}

TEST_F(OgmBackends, TruncatedFileEndsTheStream) {
    MuxFaults faults;
    faults.truncateBy = 1000;
    auto file = MuxOgg({EncodeVorbisStream(Samples().monoPcm, 9)}, faults);
    ScopedTempDir dir;
    ASSERT_TRUE(WriteBytesToFile("cut.ogg", file));
    OGM ogm;
    ASSERT_EQ(ogm.OpenFile("cut.ogg"), 0);
    auto got = ReadAll(&ogm, 0, 4096);
    auto expected = StreamPayload(file, 9);
    EXPECT_GE(got.size(), expected.size());
    EXPECT_TRUE(ogm.IsStreamAtEnd(0));
}

TEST(OgmDiscovery, OnlyAFirstPageWithSequenceZeroNamesAStream) {
    const auto& good = Samples().mono;
    OGM ogm;
    ASSERT_EQ(ogm.OpenMemory(good.data(), static_cast<int32_t>(good.size())), 0);
    ogm.Close();
    // Page checksums are not verified, so one changed header byte is enough.
    std::vector<uint8_t> noBos = good;
    noBos[5] &= static_cast<uint8_t>(~OGG_HEADER_BOS);
    EXPECT_EQ(ogm.OpenMemory(noBos.data(), static_cast<int32_t>(noBos.size())), -1);
    std::vector<uint8_t> laterPage = good;
    laterPage[18] = 1;
    EXPECT_EQ(ogm.OpenMemory(laterPage.data(), static_cast<int32_t>(laterPage.size())), -1);
}

TEST(OgmDiscovery, TwoVorbisStreamsAreBothFoundInOrder) {
    auto file = MuxOgg(
        {EncodeVorbisStream(Samples().stereoPcm, 21), EncodeVorbisStream(Samples().monoPcm, 22)});
    OGM ogm;
    ASSERT_EQ(ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())), 0);
    ASSERT_EQ(ogm.GetStreamCount(), 2);
    EXPECT_EQ(ogm.GetStreamKind(0), OGM_STREAM_VORBIS);
    EXPECT_EQ(ogm.GetStreamKind(1), OGM_STREAM_VORBIS);
    EXPECT_EQ(ReadAll(&ogm, 1, 999), StreamPayload(file, 22));
}
