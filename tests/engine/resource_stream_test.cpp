// Streams over plain, compressed and external entries: chunked reads, the
// end of the entry, skips, seeks and failed opens.
#include <gtest/gtest.h>

#include "engine/resource_stream.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/lzw_encoder.h"

namespace {

enum Entry : uint32_t { kPlain, kCompressed, kLiteral, kExternal, kLink, kMissing, kEmpty };

class StreamTest : public testing::Test {
protected:
    void SetUp() override {
        data_ = SampleText(20000);
        std::vector<uint8_t> random = RandomBytes(3000, 5);
        data_.insert(data_.end(), random.begin(), random.end());
        folder_ = TestFilePath("_ext");
        ArchiveBuilder builder;
        builder.AddPlain(3, data_);
        builder.AddCompressed(3, data_);
        builder.Add(LiteralCompressedEntry(3, data_));
        builder.AddExternal(3, folder_ + "/data.bin", data_);
        builder.AddLink(0);
        builder.AddExternal(3, folder_ + "/gone.bin", {});
        builder.AddPlain(3, {});
        ASSERT_TRUE(builder.WriteExternalFiles());
        std::remove((folder_ + "/gone.bin").c_str());
        archive_ = std::make_unique<OpenedArchive>(builder.Build());
        ASSERT_TRUE(archive_->opened());
    }
    void TearDown() override {
        std::remove((folder_ + "/data.bin").c_str());
        std::remove(folder_.c_str());
    }

    std::vector<uint8_t> ReadInChunks(uint32_t entry, int32_t chunk, uint32_t* calls = nullptr) {
        ResourceStream stream;
        EXPECT_EQ(OpenResourceStream(archive_->get(), &stream, entry), 1);
        std::vector<uint8_t> out;
        std::vector<uint8_t> piece(static_cast<size_t>(chunk));
        uint32_t total = 0;
        for (;;) {
            uint32_t got = ReadResourceStream(&stream, piece.data(), chunk);
            if (got == 0)
                break;
            total += got;
            out.insert(out.end(), piece.begin(), piece.begin() + got);
            if (calls != nullptr)
                ++*calls;
        }
        EXPECT_EQ(total, stream.size);
        EXPECT_EQ(TellResourceStream(&stream), stream.size);
        CloseResourceStream(&stream);
        return out;
    }

    uint8_t NextByte(ResourceStream* stream) {
        uint8_t byte = 0;
        EXPECT_EQ(ReadResourceStream(stream, &byte, 1), 1u);
        return byte;
    }

    std::vector<uint8_t> data_;
    std::string folder_;
    std::unique_ptr<OpenedArchive> archive_;
};

TEST_F(StreamTest, ChunkSizesDoNotChangeTheBytes) {
    for (uint32_t entry : {kPlain, kCompressed, kLiteral, kExternal})
        for (int32_t chunk : {1, 100, 4096, 1 << 20})
            EXPECT_EQ(ReadInChunks(entry, chunk), data_) << entry << " " << chunk;
}

TEST_F(StreamTest, AReadPastTheEndGivesTheRemainderThenNothing) {
    for (uint32_t entry : {kPlain, kCompressed, kExternal}) {
        ResourceStream stream;
        ASSERT_EQ(OpenResourceStream(archive_->get(), &stream, entry), 1);
        ASSERT_EQ(SeekResourceStream(&stream, int32_t(data_.size()) - 10, 0), 1);
        std::vector<uint8_t> buffer(64, 0xEE);
        EXPECT_EQ(ReadResourceStream(&stream, buffer.data(), 64), 10u);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, data_.end() - 10));
        EXPECT_EQ(buffer[10], 0xEE);
        EXPECT_EQ(ReadResourceStream(&stream, buffer.data(), 64), 0u);
        EXPECT_EQ(ReadResourceStream(&stream, buffer.data(), 0), 0u);
        EXPECT_EQ(ReadResourceStream(&stream, buffer.data(), -5), 0u);
        CloseResourceStream(&stream);
    }
}

TEST_F(StreamTest, SkippingWithoutABufferMovesThePosition) {
    for (uint32_t entry : {kPlain, kCompressed, kExternal}) {
        ResourceStream stream;
        ASSERT_EQ(OpenResourceStream(archive_->get(), &stream, entry), 1);
        EXPECT_EQ(ReadResourceStream(&stream, nullptr, 5000), 5000u);
        EXPECT_EQ(TellResourceStream(&stream), 5000u);
        EXPECT_EQ(NextByte(&stream), data_[5000]);
        CloseResourceStream(&stream);
    }
}

TEST_F(StreamTest, SeeksFollowTheirEdgeCases) {
    const int32_t size = static_cast<int32_t>(data_.size());
    for (uint32_t entry : {kPlain, kCompressed, kExternal}) {
        ResourceStream stream;
        ASSERT_EQ(OpenResourceStream(archive_->get(), &stream, entry), 1);
        ASSERT_EQ(SeekResourceStream(&stream, 10, 0), 1);
        EXPECT_EQ(SeekResourceStream(&stream, -1, 1), 1);
        EXPECT_EQ(TellResourceStream(&stream), 9u);
        EXPECT_EQ(NextByte(&stream), data_[9]);

        ASSERT_EQ(SeekResourceStream(&stream, size - 3, 0), 1);
        EXPECT_EQ(SeekResourceStream(&stream, 5, 1), 1);
        EXPECT_EQ(TellResourceStream(&stream), uint32_t(size));

        ASSERT_EQ(SeekResourceStream(&stream, 10, 0), 1);
        EXPECT_EQ(SeekResourceStream(&stream, -20, 1), 0);
        EXPECT_EQ(TellResourceStream(&stream), 0u);
        EXPECT_EQ(NextByte(&stream), data_[0]);

        EXPECT_EQ(SeekResourceStream(&stream, 3, 2), 0);
        EXPECT_EQ(SeekResourceStream(&stream, size + 1, 0), 0);
        EXPECT_EQ(SeekResourceStream(&stream, -1, 0), 0);
        EXPECT_EQ(SeekResourceStream(&stream, size + 1, 1), 0);
        EXPECT_EQ(SeekResourceStream(&stream, 12345, 0), 1);
        EXPECT_EQ(NextByte(&stream), data_[12345]);
        RewindResourceStream(&stream);
        EXPECT_EQ(TellResourceStream(&stream), 0u);
        EXPECT_EQ(NextByte(&stream), data_[0]);
        CloseResourceStream(&stream);
    }
}

TEST_F(StreamTest, OpensFailForLinksBadIndicesAndMissingFiles) {
    ResourceStream stream;
    EXPECT_EQ(OpenResourceStream(archive_->get(), &stream, kLink), 0);
    EXPECT_EQ(OpenResourceStream(archive_->get(), &stream, 999), 0);
    EXPECT_EQ(OpenResourceStream(archive_->get(), &stream, kMissing), 0);
    EXPECT_EQ(stream.ok, 0);
    uint8_t byte;
    EXPECT_EQ(ReadResourceStream(&stream, &byte, 1), 0u);
    RewindResourceStream(&stream);
    EXPECT_EQ(stream.ok, 0);
    EXPECT_EQ(SeekResourceStream(&stream, 0, 0), 0);
    EXPECT_EQ(TellResourceStream(&stream), 0u);
    CloseResourceStream(&stream);

    ResourceArchive closed{};
    EXPECT_EQ(OpenResourceStream(&closed, &stream, 0), 0);
}

TEST_F(StreamTest, AnEmptyEntryReadsNothing) {
    ResourceStream stream;
    ASSERT_EQ(OpenResourceStream(archive_->get(), &stream, kEmpty), 1);
    uint8_t byte;
    EXPECT_EQ(ReadResourceStream(&stream, &byte, 1), 0u);
    EXPECT_EQ(SeekResourceStream(&stream, 0, 0), 1);
    CloseResourceStream(&stream);
    CloseResourceStream(&stream);
}

TEST_F(StreamTest, AClosedArchiveStopsTheStream) {
    ResourceStream stream;
    ASSERT_EQ(OpenResourceStream(archive_->get(), &stream, kCompressed), 1);
    CloseArchive(archive_->get());
    uint8_t byte;
    EXPECT_EQ(ReadResourceStream(&stream, &byte, 1), 0u);
    EXPECT_EQ(TellResourceStream(&stream), 0u);
    CloseResourceStream(&stream);
}

TEST(StreamDamage, ATruncatedCompressedEntryEndsEarlyAndCountsOnlyWhatItGave) {
    std::vector<uint8_t> data = SampleText(10000);
    std::vector<uint8_t> stored = LzwEncode(data);
    stored.resize(stored.size() / 2);
    ArchiveEntrySpec spec = PlainEntry(3, stored);
    spec.extraFlags = ENTRY_FLAG_COMPRESSED;
    spec.sizeField = static_cast<uint32_t>(data.size());
    ArchiveBuilder builder;
    builder.Add(spec);
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    ResourceStream stream;
    ASSERT_EQ(OpenResourceStream(archive.get(), &stream, 0), 1);
    std::vector<uint8_t> out(data.size());
    uint32_t total = 0;
    for (uint32_t got; (got = ReadResourceStream(&stream, out.data() + total, 1000)) > 0;)
        total += got;
    EXPECT_GT(total, 0u);
    EXPECT_LT(total, data.size());
    EXPECT_EQ(TellResourceStream(&stream), total);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + total, data.begin()));
    CloseResourceStream(&stream);
}

} // namespace
