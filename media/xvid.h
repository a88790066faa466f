// MPEG-4 part 2 video through xvidcore, fed from the payload of one stream
// of an AsyncOGM. The stream starts with the OGM video header packet, which
// gives the picture size and frame rate; the decoder is fed from there on
// and passes over every byte that is not MPEG-4.
#pragma once

#include <cstdint>

#include "media/async_ogm.h"

constexpr int32_t XVID_BUFFER_START_CAPACITY = 524288;
// A fetch that finds at most this many consumptions since the previous one
// doubles the buffers.
constexpr int32_t XVID_FAST_CONSUMPTIONS = 9;
constexpr int32_t XVID_MAX_CAPACITY = 64 * 1024 * 1024;
// Bytes read from the container under one hold of the audio lock.
constexpr int32_t XVID_FETCH_PIECE = 32768;
// xvidcore's bit reader looks a few bytes past the end it is given.
constexpr int32_t XVID_BUFFER_SLACK = 64;
constexpr int32_t XVID_MAX_DIMENSION = 4096;

// Byte offsets inside the OGM video header packet.
constexpr int32_t OGM_VIDEO_HEADER_MIN_BYTES = 53;
constexpr int32_t OGM_VIDEO_OFFSET_TIME_UNIT = 17;
constexpr int32_t OGM_VIDEO_OFFSET_SAMPLES_PER_UNIT = 25;
constexpr int32_t OGM_VIDEO_OFFSET_WIDTH = 45;
constexpr int32_t OGM_VIDEO_OFFSET_HEIGHT = 49;

class XVID {
public:
    XVID();
    virtual ~XVID();
    XVID(const XVID&) = delete;
    XVID& operator=(const XVID&) = delete;

    int32_t Open(AsyncOGM* container, int32_t stream);
    int32_t GetInfo(int32_t* width, int32_t* height, int32_t* frameBytes, float* frameRate) const;
    // Into a 24-bit BGR buffer of frame-bytes size: 0 a picture, 1 no more
    // pictures, -1 error.
    int32_t DecodeFrame(uint8_t* frame);
    void Release();

private:
    int32_t Init();
    int32_t ReadStreamHeader();
    int32_t WaitForVol();
    int32_t Fetch(int32_t first);
    int32_t Consume(int32_t n);
    void Grow();
    int32_t Available() const { return valid_ - static_cast<int32_t>(readPosition_ - start_); }
    int32_t DecodeOnce(uint8_t* frame, int* type, int* volWidth, int* volHeight,
                       bool flush = false);
    int32_t Drain(uint8_t* frame);

    int32_t open_ = 0;
    AsyncOGM* container_ = nullptr;
    int32_t stream_ = -1;
    void* handle_ = nullptr;

    int32_t end_ = 0;
    int32_t drained_ = 0; // the decoder was asked for the picture it holds back
    int32_t capacity_ = 0;
    int32_t valid_ = 0;
    int32_t current_ = 0;
    int32_t consumedSinceFetch_ = 0;
    uint8_t* buffers_[2] = {nullptr, nullptr};
    uint8_t* start_ = nullptr;
    uint8_t* readPosition_ = nullptr;

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t frameBytes_ = 0;
    float frameRate_ = 0.0f;
};
