// Read-ahead for streamed sounds. The audio thread must never wait for the
// archive, so each cached stream has two buffers that the main thread
// refills once a frame and the audio thread only drains. An empty cache
// delivers nothing, which the Vorbis library takes as the end of the sound:
// a late refill costs an early end, never a wait.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/ogm.h"

constexpr int32_t ASYNC_CACHE_START_CAPACITY = 262144;
// A fill that finds fewer reads than this since the previous one doubles
// the buffers: the stream drains faster than the refills come.
constexpr int32_t ASYNC_CACHE_FAST_READS = 3;
// Doubling stops here; a stream this hungry is broken, not fast.
constexpr int32_t ASYNC_CACHE_MAX_CAPACITY = 64 * 1024 * 1024;
// A fill reads under each hold of the audio lock pieces of the first size
// (about a Vorbis page), doubled up to the second while they come cheap,
// until the hold has lasted the given time.
constexpr int32_t ASYNC_CACHE_FILL_PIECE = 4096;
constexpr int32_t ASYNC_CACHE_FILL_PIECE_MAX = 16384;
constexpr int32_t ASYNC_CACHE_HOLD_MICROS = 500;

class AsyncCACHE {
public:
    AsyncCACHE();
    virtual ~AsyncCACHE();
    AsyncCACHE(const AsyncCACHE&) = delete;
    AsyncCACHE& operator=(const AsyncCACHE&) = delete;

    // Starts over on (container, stream) and fills at once.
    int32_t Init(OGM* container, int32_t stream);
    // -1 once the stream's end was reached, else 0.
    int32_t Fill(int32_t first);
    void Grow();
    // Fills only when more than half the capacity lies behind the read
    // position and the end has not been seen.
    int32_t Refill();

    const uint8_t* Data() const { return readPosition_; }
    int32_t Available() const { return valid_ - static_cast<int32_t>(readPosition_ - start_); }
    // 0, or -1 (nothing moves) when fewer than n bytes are available.
    int32_t Consume(int32_t n);

    int32_t IsAtEnd() const { return end_; }
    int32_t GetCapacity() const { return capacity_; }
    int32_t GetReadsSinceFill() const { return consumed_; }

private:
    void FreeBuffers();

    int32_t end_ = 1;
    int32_t capacity_ = 0;
    int32_t valid_ = 0;
    int32_t current_ = 0;
    int32_t consumed_ = 0;
    uint8_t* buffers_[2] = {nullptr, nullptr};
    uint8_t* start_ = nullptr;
    uint8_t* readPosition_ = nullptr;
    OGM* container_ = nullptr;
    int32_t stream_ = -1;
};

class AsyncOGM : public OGM {
public:
    AsyncOGM();
    ~AsyncOGM() override;

    int32_t OpenFile(const char* path) override;
    int32_t OpenArchiveEntry(ResourceArchive* archive, int32_t entry) override;
    int32_t OpenMemory(const uint8_t* data, int32_t size) override;
    void Close() override;

    void EnableCache(int32_t stream);
    // The bytes delivered: from the stream's cache when it has one, else
    // straight from the container.
    int32_t Read(int32_t stream, uint8_t* buffer, int32_t count);
    void RefillAll();
    void DropCaches();

    const AsyncCACHE* GetCache(int32_t stream) const;

private:
    AsyncCACHE* caches_[OGM_MAX_STREAMS] = {};
};
