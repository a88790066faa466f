// Sounds and movies out of compressed archive entries decode exactly as out
// of plain ones, and every stream is read straight through: a compressed
// entry decodes again from its start on any backward move.
#include <gtest/gtest.h>

#include "engine/resource_stream.h"
#include "tests/media/player_fixture.h"

namespace {

struct Decoded {
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> pictures;
};

// Reads like the player: a frame's worth of sound, a picture every other
// frame, and a refill of the read-ahead once a frame.
Decoded ReadLikeThePlayer(ResourceArchive* archive, uint32_t entry, int32_t readAhead) {
    Decoded out;
    MMlib reader;
    reader.SetReadAhead(readAhead);
    if (reader.OpenArchiveEntry(archive, static_cast<int32_t>(entry)) != 0)
        return out;
    MediaInfo info;
    reader.GetInfo(&info);
    std::vector<uint8_t> pcm(2940);
    std::vector<uint8_t> picture(static_cast<size_t>(info.frameBytes));
    bool audio = info.hasAudio != 0;
    bool video = info.hasVideo != 0;
    for (int frame = 0; (audio || video) && frame < 200000; ++frame) {
        int32_t got = 0;
        if (audio && reader.ReadPCM(pcm.data(), static_cast<int32_t>(pcm.size()), &got) == 0 &&
            got > 0)
            out.pcm.insert(out.pcm.end(), pcm.begin(), pcm.begin() + got);
        else
            audio = false;
        if (video && frame % 2 == 0) {
            video = reader.DecodeVideoFrame(picture.data()) == 0;
            if (video)
                out.pictures.insert(out.pictures.end(), picture.begin(), picture.end());
        }
        reader.Pump();
    }
    return out;
}

std::vector<uint8_t> PcmBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> bytes;
    for (int16_t v : samples) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

} // namespace

TEST(CompressedEntry, DecodesAsThePlainEntryWithoutEverGoingBack) {
    // A sound of many pages, refilled several times, and a movie whose
    // video and sound pages interleave.
    const PlayerMedia& media = PlayerSamples();
    const std::vector<uint8_t>* sources[] = {&media.entries[kLongSound], &Samples().movie};
    ArchiveBuilder builder;
    for (const std::vector<uint8_t>* source : sources) {
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, *source);
        builder.AddCompressed(RES_TYPE_SOUND_STREAMED, *source);
    }
    ArchiveOnDisk disk(builder);
    ASSERT_TRUE(disk.ok());

    for (uint32_t source = 0; source < 2; ++source) {
        for (int32_t readAhead : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "source " << source << " read-ahead " << readAhead);
            Decoded plain = ReadLikeThePlayer(disk.archive(), source * 2, readAhead);
            uint64_t restarts = ResourceStreamDecoderRestarts();
            Decoded compressed = ReadLikeThePlayer(disk.archive(), source * 2 + 1, readAhead);
            EXPECT_EQ(ResourceStreamDecoderRestarts(), restarts);
            ASSERT_FALSE(plain.pcm.empty());
            EXPECT_TRUE(compressed.pcm == plain.pcm);
            EXPECT_TRUE(compressed.pictures == plain.pictures);
            if (source == 0)
                EXPECT_TRUE(plain.pcm == PcmBytes(media.decoded[kLongSound]));
            else
                EXPECT_EQ(plain.pictures.size(), 64u * 48 * 3 * Samples().movieOptions.frames);
        }
    }
}
