#include "media/xvid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <xvid.h>

#include "engine/bytes.h"
#include "media/audio_lock.h"

namespace {

constexpr int32_t kFetchEnd = -1;
constexpr int32_t kFetchTooLarge = -2;

// xvid_global writes process-wide tables: once is enough, and it must not
// run on two threads at once.
int32_t InitXvidOnce() {
    static std::once_flag once;
    static int result = -1;
    std::call_once(once, [] {
        xvid_gbl_init_t init;
        std::memset(&init, 0, sizeof(init));
        init.version = XVID_VERSION;
        result = xvid_global(nullptr, XVID_GBL_INIT, &init, nullptr);
    });
    return result;
}

uint8_t* NewPacketBuffer(int32_t capacity) {
    uint8_t* buffer = new uint8_t[static_cast<size_t>(capacity) + XVID_BUFFER_SLACK];
    std::memset(buffer + capacity, 0, XVID_BUFFER_SLACK);
    return buffer;
}

} // namespace

XVID::XVID() = default;

XVID::~XVID() {
    Release();
}

int32_t XVID::Open(AsyncOGM* container, int32_t stream) {
    container_ = container;
    stream_ = stream;
    Release();
    if (Init() != 0) {
        Release();
        return -1;
    }
    return 0;
}

int32_t XVID::GetInfo(int32_t* width, int32_t* height, int32_t* frameBytes,
                      float* frameRate) const {
    if (open_ == 0)
        return -1;
    *width = width_;
    *height = height_;
    *frameBytes = frameBytes_;
    *frameRate = frameRate_;
    return 0;
}

void XVID::Release() {
    delete[] buffers_[0];
    delete[] buffers_[1];
    buffers_[0] = nullptr;
    buffers_[1] = nullptr;
    start_ = nullptr;
    readPosition_ = nullptr;
    valid_ = 0;
    if (handle_ != nullptr)
        xvid_decore(handle_, XVID_DEC_DESTROY, nullptr, nullptr);
    handle_ = nullptr;
    open_ = 0;
    frameBytes_ = 0;
}

int32_t XVID::Init() {
    if (container_ == nullptr || InitXvidOnce() != 0)
        return -1;
    xvid_dec_create_t create;
    std::memset(&create, 0, sizeof(create));
    create.version = XVID_VERSION;
    if (xvid_decore(nullptr, XVID_DEC_CREATE, &create, nullptr) != 0)
        return -1;
    handle_ = create.handle;

    capacity_ = XVID_BUFFER_START_CAPACITY;
    buffers_[0] = NewPacketBuffer(capacity_);
    buffers_[1] = NewPacketBuffer(capacity_);
    current_ = 0;
    start_ = buffers_[0];
    readPosition_ = start_;
    valid_ = 0;
    end_ = 0;
    drained_ = 0;
    consumedSinceFetch_ = 0;
    if (Fetch(1) != 0 && valid_ == 0)
        return -1;
    if (ReadStreamHeader() != 0)
        return -1;
    // The picture size the bitstream declares must be the one the frame
    // buffer is sized for.
    if (WaitForVol() != 0)
        return -1;
    open_ = 1;
    return 0;
}

// The header packet is left in place: the decoder passes over it.
int32_t XVID::ReadStreamHeader() {
    if (Available() < OGM_VIDEO_HEADER_MIN_BYTES)
        return -1;
    const uint8_t* packet = readPosition_;
    int32_t width = GetI32LE(packet + OGM_VIDEO_OFFSET_WIDTH);
    int32_t height = GetI32LE(packet + OGM_VIDEO_OFFSET_HEIGHT);
    if (width <= 0 || height <= 0 || width > XVID_MAX_DIMENSION || height > XVID_MAX_DIMENSION)
        return -1;
    uint64_t timeUnit = GetU64LE(packet + OGM_VIDEO_OFFSET_TIME_UNIT);
    uint64_t samplesPerUnit = GetU64LE(packet + OGM_VIDEO_OFFSET_SAMPLES_PER_UNIT);
    if (timeUnit == 0)
        return -1;
    // In floating point: NTSC's 30000/1001 truncated to 29 would leave the
    // pictures 3% behind the sound.
    double rate = static_cast<double>(samplesPerUnit) * 1.0e7 / static_cast<double>(timeUnit);
    // The movie screen paces frames by 1000 / rate; less than a frame a
    // second is no movie.
    if (!(rate >= 1.0) || !std::isfinite(static_cast<float>(rate)))
        return -1;
    width_ = width;
    height_ = height;
    frameBytes_ = width * height * 3;
    frameRate_ = static_cast<float>(rate);
    return 0;
}

int32_t XVID::DecodeOnce(uint8_t* frame, int* type, int* volWidth, int* volHeight, bool flush) {
    xvid_dec_frame_t decode;
    std::memset(&decode, 0, sizeof(decode));
    decode.version = XVID_VERSION;
    decode.bitstream = flush ? nullptr : readPosition_;
    decode.length = flush ? -1 : Available();
    if (frame != nullptr) {
        decode.output.csp = XVID_CSP_BGR;
        decode.output.plane[0] = frame;
        decode.output.stride[0] = width_ * 3;
    } else {
        decode.output.csp = XVID_CSP_NULL;
    }
    xvid_dec_stats_t stats;
    std::memset(&stats, 0, sizeof(stats));
    stats.version = XVID_VERSION;
    int r = xvid_decore(handle_, XVID_DEC_DECODE, &decode, &stats);
    *type = stats.type;
    *volWidth = stats.data.vol.width;
    *volHeight = stats.data.vol.height;
    return r;
}

// Decodes without output up to the first VOL header, which xvidcore always
// reports before any picture.
int32_t XVID::WaitForVol() {
    for (;;) {
        if (Available() <= 0) {
            if (end_ != 0 || Fetch(0) != 0 || Available() <= 0)
                return -1;
        }
        int type = 0, volWidth = 0, volHeight = 0;
        int r = DecodeOnce(nullptr, &type, &volWidth, &volHeight);
        if (r < 0)
            return -1;
        if (r > 0 && Consume(r) != 0)
            return -1;
        if (type == XVID_TYPE_VOL)
            return volWidth == width_ && volHeight == height_ ? 0 : -1;
        if (type > 0)
            return -1;
        if (r == 0 && (end_ != 0 || Fetch(0) != 0))
            return -1;
    }
}

// With B-frames the decoder shows each reference picture only once the
// next one arrives, so the last stays inside it until asked for at the end
// of the bytes. 0 when it gave a picture, else 1.
int32_t XVID::Drain(uint8_t* frame) {
    if (drained_ != 0)
        return 1;
    drained_ = 1;
    int type = 0, volWidth = 0, volHeight = 0;
    int r = DecodeOnce(frame, &type, &volWidth, &volHeight, true);
    return r >= 0 && type >= XVID_TYPE_IVOP && type <= XVID_TYPE_SVOP ? 0 : 1;
}

int32_t XVID::DecodeFrame(uint8_t* frame) {
    if (open_ == 0 || frame == nullptr)
        return -1;
    for (;;) {
        // A decode of zero bytes could read stale bytes: check first.
        if (Available() <= 0) {
            if (end_ != 0)
                return Drain(frame);
            int32_t fetched = Fetch(0);
            if (fetched == kFetchEnd)
                return Drain(frame);
            if (fetched != 0)
                return -1;
            continue;
        }
        int type = 0, volWidth = 0, volHeight = 0;
        int r = DecodeOnce(frame, &type, &volWidth, &volHeight);
        if (r == XVID_ERR_END) {
            if (Fetch(0) != 0)
                return -1;
            continue;
        }
        if (r < 0)
            return -1;
        if (r > 0 && Consume(r) != 0)
            return -1;
        if (type == XVID_TYPE_VOL && (volWidth != width_ || volHeight != height_)) {
            // The decoder has taken the new size and would write the next
            // picture past a frame buffer sized for the old one: the movie
            // ends here, however often the caller asks again, and the
            // picture it holds back stays there.
            end_ = 1;
            drained_ = 1;
            readPosition_ = start_ + valid_;
            return -1;
        }
        if (type >= XVID_TYPE_IVOP && type <= XVID_TYPE_SVOP)
            return 0;
        if (r == 0) {
            // Nothing consumed and no picture: the decoder needs bytes we do
            // not have yet, or the stream has only stuffing left.
            if (end_ != 0)
                return Drain(frame);
            int32_t fetched = Fetch(0);
            if (fetched == kFetchEnd)
                return Drain(frame);
            if (fetched != 0)
                return -1;
        }
    }
}

void XVID::Grow() {
    int32_t available = Available();
    int32_t capacity = capacity_ * 2;
    int32_t other = 1 - current_;
    delete[] buffers_[other];
    buffers_[other] = NewPacketBuffer(capacity);
    if (available > 0)
        std::memcpy(buffers_[other], readPosition_, static_cast<size_t>(available));
    delete[] buffers_[current_];
    buffers_[current_] = NewPacketBuffer(capacity);
    current_ = other;
    start_ = buffers_[current_];
    readPosition_ = start_;
    valid_ = available;
    capacity_ = capacity;
}

int32_t XVID::Fetch(int32_t first) {
    if (end_ != 0)
        return kFetchEnd;
    if (first == 0 && consumedSinceFetch_ <= XVID_FAST_CONSUMPTIONS) {
        if (capacity_ >= XVID_MAX_CAPACITY)
            return kFetchTooLarge;
        Grow();
    }
    consumedSinceFetch_ = 0;
    int32_t rest = Available();
    int32_t other = 1 - current_;
    if (rest > 0)
        std::memmove(buffers_[other], readPosition_, static_cast<size_t>(rest));
    current_ = other;
    start_ = buffers_[current_];
    readPosition_ = start_;
    int32_t wanted = capacity_ - rest;
    int32_t got = 0;
    // The container's source may be shared with the audio thread. A fetch
    // can be megabytes, slow out of a compressed entry: each piece takes the
    // lock on its own, so the mixer gets in between. Only the end of the
    // stream makes a piece short.
    while (got < wanted) {
        int32_t piece = std::min(wanted - got, XVID_FETCH_PIECE);
        int32_t n = 0;
        {
            AudioLock lock;
            n = container_->Read(stream_, start_ + rest + got, piece);
        }
        if (n > 0)
            got += n;
        if (n < piece)
            break;
    }
    valid_ = rest + got;
    std::memset(start_ + valid_, 0, XVID_BUFFER_SLACK);
    if (got < wanted)
        end_ = 1;
    return 0;
}

int32_t XVID::Consume(int32_t n) {
    if (n < 0 || n > Available())
        return -1;
    readPosition_ += n;
    if (readPosition_ - start_ > capacity_ / 2 && end_ == 0) {
        int32_t fetched = Fetch(0);
        if (fetched != 0 && fetched != kFetchEnd)
            return -1;
    }
    ++consumedSinceFetch_;
    return 0;
}
