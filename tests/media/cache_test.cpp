// Read-ahead caches: fill, refill threshold, growth, and byte-exact
// delivery across refills.
#include <gtest/gtest.h>

#include "media/async_ogm.h"
#include "tests/media/media_fixtures.h"

namespace {

// One stream of `bytes` pseudo-random payload bytes in pages of ~4 KiB.
std::vector<uint8_t> BigStream(size_t bytes, uint32_t serial) {
    OggStreamData plan;
    plan.serial = serial;
    OggPacketData first;
    first.bytes = {0x01, 'v', 'o', 'r', 'b', 'i', 's', 0, 0};
    first.bytes.resize(30, 1);
    plan.packets.push_back(first);
    uint32_t state = 12345;
    for (size_t done = 0; done < bytes; done += 4000) {
        OggPacketData packet;
        packet.bytes.resize(std::min<size_t>(4000, bytes - done));
        for (uint8_t& b : packet.bytes) {
            state = state * 1103515245u + 12345u;
            b = static_cast<uint8_t>(state >> 16);
        }
        packet.time = static_cast<double>(done);
        plan.packets.push_back(packet);
    }
    return MuxOgg({plan});
}

class CacheTest : public ::testing::Test {
protected:
    void Open(const std::vector<uint8_t>& file) {
        file_ = file;
        ASSERT_EQ(ogm_.OpenMemory(file_.data(), static_cast<int32_t>(file_.size())), 0);
        expected_ = StreamPayload(file_, 77);
    }
    std::vector<uint8_t> Drain(int32_t chunk, int32_t refillEvery) {
        std::vector<uint8_t> out;
        std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
        for (int i = 0;; ++i) {
            if (i % refillEvery == 0)
                ogm_.RefillAll();
            int32_t got = ogm_.Read(0, buffer.data(), chunk);
            if (got == 0 && ogm_.GetCache(0)->IsAtEnd())
                break;
            out.insert(out.end(), buffer.begin(), buffer.begin() + got);
        }
        return out;
    }
    std::vector<uint8_t> file_;
    std::vector<uint8_t> expected_;
    AsyncOGM ogm_;
};

} // namespace

TEST_F(CacheTest, ShortStreamIsReadWholeByTheFirstFill) {
    Open(BigStream(100000, 77));
    ogm_.EnableCache(0);
    const AsyncCACHE* cache = ogm_.GetCache(0);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->IsAtEnd(), 1);
    EXPECT_EQ(static_cast<size_t>(cache->Available()), expected_.size());
    std::vector<uint8_t> out(expected_.size());
    EXPECT_EQ(ogm_.Read(0, out.data(), static_cast<int32_t>(out.size())),
              static_cast<int32_t>(out.size()));
    ogm_.RefillAll();
    EXPECT_EQ(cache->Available(), 0);
    EXPECT_EQ(out, expected_);
    EXPECT_EQ(ogm_.Read(0, out.data(), 10), 0);
}

TEST_F(CacheTest, RefillWaitsForMoreThanHalfTheCapacity) {
    Open(BigStream(1000000, 77));
    ogm_.EnableCache(0);
    const AsyncCACHE* cache = ogm_.GetCache(0);
    std::vector<uint8_t> buffer(ASYNC_CACHE_START_CAPACITY);
    const int32_t half = ASYNC_CACHE_START_CAPACITY / 2;
    // Four reads: enough that the refill does not grow the buffers.
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(ogm_.Read(0, buffer.data(), half / 4), half / 4);
    ogm_.RefillAll();
    EXPECT_EQ(cache->Available(), ASYNC_CACHE_START_CAPACITY - half) << "exactly half: no refill";
    EXPECT_EQ(cache->GetReadsSinceFill(), 4);
    ASSERT_EQ(ogm_.Read(0, buffer.data(), 1), 1);
    ogm_.RefillAll();
    EXPECT_EQ(cache->Available(), ASYNC_CACHE_START_CAPACITY) << "one byte more: refilled";
    EXPECT_EQ(cache->GetCapacity(), ASYNC_CACHE_START_CAPACITY);
    EXPECT_EQ(cache->GetReadsSinceFill(), 0);
}

TEST_F(CacheTest, FastDrainingGrowsTheCapacityKeepingTheBytesInOrder) {
    Open(BigStream(3000000, 77));
    ogm_.EnableCache(0);
    const AsyncCACHE* cache = ogm_.GetCache(0);
    std::vector<uint8_t> out(200000);
    ASSERT_EQ(ogm_.Read(0, out.data(), 200000), 200000);
    ogm_.RefillAll(); // one read since the first fill: grows
    EXPECT_EQ(cache->GetCapacity(), 2 * ASYNC_CACHE_START_CAPACITY);
    EXPECT_EQ(cache->Available(), 2 * ASYNC_CACHE_START_CAPACITY);
    std::vector<uint8_t> more(2 * ASYNC_CACHE_START_CAPACITY);
    ASSERT_EQ(ogm_.Read(0, more.data(), static_cast<int32_t>(more.size())),
              static_cast<int32_t>(more.size()));
    out.insert(out.end(), more.begin(), more.end());
    ASSERT_LE(out.size(), expected_.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), expected_.begin()));
}

TEST_F(CacheTest, ReadDeliversWhatIsAvailable) {
    Open(BigStream(ASYNC_CACHE_START_CAPACITY + 1000, 77));
    ogm_.EnableCache(0);
    const AsyncCACHE* cache = ogm_.GetCache(0);
    std::vector<uint8_t> buffer(ASYNC_CACHE_START_CAPACITY);
    ASSERT_EQ(ogm_.Read(0, buffer.data(), ASYNC_CACHE_START_CAPACITY - 1000),
              ASYNC_CACHE_START_CAPACITY - 1000);
    EXPECT_EQ(cache->Available(), 1000);
    EXPECT_EQ(ogm_.Read(0, buffer.data(), 4096), 1000);
    EXPECT_EQ(ogm_.Read(0, buffer.data(), 4096), 0) << "an empty cache delivers nothing";
}

TEST_F(CacheTest, InterleavedReadsAndRefillsReproduceTheStream) {
    Open(BigStream(3 * 1024 * 1024, 77));
    ogm_.EnableCache(0);
    EXPECT_EQ(Drain(4093, 5), expected_);
}

TEST_F(CacheTest, ConsumePastTheValidBytesMovesNothing) {
    Open(BigStream(5000, 77));
    AsyncCACHE cache;
    ASSERT_EQ(cache.Init(&ogm_, 0), 0);
    int32_t available = cache.Available();
    const uint8_t* data = cache.Data();
    EXPECT_EQ(cache.Consume(available + 1), -1);
    EXPECT_EQ(cache.Available(), available);
    EXPECT_EQ(cache.Data(), data);
    EXPECT_EQ(cache.Consume(-1), -1);
    EXPECT_EQ(cache.Consume(available), 0);
    EXPECT_EQ(cache.Available(), 0);
    EXPECT_EQ(cache.Fill(0), -1) << "the end was seen";
}

TEST_F(CacheTest, StreamsWithoutACacheReadStraightThrough) {
    Open(BigStream(20000, 77));
    std::vector<uint8_t> out(expected_.size());
    EXPECT_EQ(ogm_.Read(0, out.data(), static_cast<int32_t>(out.size())),
              static_cast<int32_t>(out.size()));
    EXPECT_EQ(out, expected_);
    EXPECT_EQ(ogm_.GetCache(0), nullptr);
    EXPECT_EQ(ogm_.Read(16, out.data(), 4), 0);
}
