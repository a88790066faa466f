#include "media/async_ogm.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "media/audio_lock.h"

// ---- AsyncCACHE --------------------------------------------------------------

AsyncCACHE::AsyncCACHE() = default;

AsyncCACHE::~AsyncCACHE() {
    FreeBuffers();
}

void AsyncCACHE::FreeBuffers() {
    delete[] buffers_[0];
    delete[] buffers_[1];
    buffers_[0] = nullptr;
    buffers_[1] = nullptr;
    start_ = nullptr;
    readPosition_ = nullptr;
}

int32_t AsyncCACHE::Init(OGM* container, int32_t stream) {
    FreeBuffers();
    capacity_ = ASYNC_CACHE_START_CAPACITY;
    buffers_[0] = new uint8_t[static_cast<size_t>(capacity_)];
    buffers_[1] = new uint8_t[static_cast<size_t>(capacity_)];
    current_ = 0;
    start_ = buffers_[0];
    readPosition_ = start_;
    end_ = 0;
    consumed_ = 0;
    valid_ = 0;
    container_ = container;
    stream_ = stream;
    return Fill(1);
}

void AsyncCACHE::Grow() {
    int32_t available = Available();
    int32_t capacity = capacity_ * 2;
    int32_t other = 1 - current_;
    delete[] buffers_[other];
    buffers_[other] = new uint8_t[static_cast<size_t>(capacity)];
    if (available > 0)
        std::memcpy(buffers_[other], readPosition_, static_cast<size_t>(available));
    delete[] buffers_[current_];
    buffers_[current_] = new uint8_t[static_cast<size_t>(capacity)];
    current_ = other;
    start_ = buffers_[current_];
    readPosition_ = start_;
    capacity_ = capacity;
    // The unread bytes now sit at the start: valid must say so until the fill
    // that follows measures them again.
    valid_ = available;
}

// The new bytes go in under a series of short holds of the audio lock: out
// of a compressed movie, a page of sound can mean decoding half a
// millisecond of video to reach it. A hold reads pieces that start small
// and grow while they come cheap (a plain entry fills in one hold), and
// ends when its time is up. The audio thread meanwhile drains what is
// valid, which only grows; nothing it reads moves.
int32_t AsyncCACHE::Fill(int32_t first) {
    int32_t wanted = 0;
    {
        AudioLock lock;
        if (end_ != 0 || container_ == nullptr)
            return -1;
        int32_t rest = Available();
        if (first == 0 && consumed_ < ASYNC_CACHE_FAST_READS &&
            capacity_ < ASYNC_CACHE_MAX_CAPACITY)
            Grow();
        consumed_ = 0;
        wanted = capacity_ - rest;
        if (rest > 0) {
            int32_t other = 1 - current_;
            std::memmove(buffers_[other], readPosition_, static_cast<size_t>(rest));
            current_ = other;
        }
        start_ = buffers_[current_];
        readPosition_ = start_;
        valid_ = rest;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::duration budget = std::chrono::microseconds(ASYNC_CACHE_HOLD_MICROS);
    int32_t got = 0;
    bool more = true;
    while (more) {
        AudioLock lock;
        Clock::time_point since = Clock::now();
        Clock::time_point pieceStart = since;
        int32_t piece = ASYNC_CACHE_FILL_PIECE;
        for (;;) {
            int32_t ask = std::min(piece, wanted - got);
            int32_t n = container_->ReadStream(stream_, start_ + valid_, ask);
            if (n > 0) {
                valid_ += n;
                got += n;
            }
            // Only the end of the stream makes a piece short.
            if (n < ask || got == wanted) {
                more = false;
                break;
            }
            Clock::time_point now = Clock::now();
            if (now - since >= budget)
                break;
            if ((now - pieceStart) * 8 < budget)
                piece = std::min(piece * 2, ASYNC_CACHE_FILL_PIECE_MAX);
            pieceStart = now;
        }
    }
    if (got < wanted)
        end_ = 1;
    return 0;
}

int32_t AsyncCACHE::Refill() {
    {
        AudioLock lock;
        if (end_ != 0 || start_ == nullptr)
            return 0;
        if (readPosition_ - start_ <= capacity_ / 2)
            return 0;
    }
    return Fill(0);
}

int32_t AsyncCACHE::Consume(int32_t n) {
    if (n < 0 || n > Available())
        return -1;
    readPosition_ += n;
    ++consumed_;
    return 0;
}

// ---- AsyncOGM ----------------------------------------------------------------

AsyncOGM::AsyncOGM() = default;

AsyncOGM::~AsyncOGM() {
    AsyncOGM::Close();
}

int32_t AsyncOGM::OpenFile(const char* path) {
    DropCaches();
    return OGM::OpenFile(path);
}

int32_t AsyncOGM::OpenArchiveEntry(ResourceArchive* archive, int32_t entry) {
    DropCaches();
    return OGM::OpenArchiveEntry(archive, entry);
}

int32_t AsyncOGM::OpenMemory(const uint8_t* data, int32_t size) {
    DropCaches();
    return OGM::OpenMemory(data, size);
}

void AsyncOGM::Close() {
    DropCaches();
    OGM::Close();
}

void AsyncOGM::DropCaches() {
    for (AsyncCACHE*& cache : caches_) {
        delete cache;
        cache = nullptr;
    }
}

void AsyncOGM::EnableCache(int32_t stream) {
    if (stream < 0 || stream >= OGM_MAX_STREAMS || caches_[stream] != nullptr)
        return;
    caches_[stream] = new AsyncCACHE();
    caches_[stream]->Init(this, stream);
}

int32_t AsyncOGM::Read(int32_t stream, uint8_t* buffer, int32_t count) {
    if (stream < 0 || stream >= OGM_MAX_STREAMS || buffer == nullptr || count < 1)
        return 0;
    AsyncCACHE* cache = caches_[stream];
    if (cache == nullptr)
        return ReadStream(stream, buffer, count);
    int32_t n = cache->Available();
    if (n > count)
        n = count;
    if (n <= 0)
        return 0;
    std::memcpy(buffer, cache->Data(), static_cast<size_t>(n));
    cache->Consume(n);
    return n;
}

void AsyncOGM::RefillAll() {
    for (AsyncCACHE* cache : caches_)
        if (cache != nullptr)
            cache->Refill();
}

const AsyncCACHE* AsyncOGM::GetCache(int32_t stream) const {
    if (stream < 0 || stream >= OGM_MAX_STREAMS)
        return nullptr;
    return caches_[stream];
}
