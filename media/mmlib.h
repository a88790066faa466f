// One open media source (a file, an archive entry or a block in memory) with
// its first video stream decoded by XVID and its first Vorbis stream by
// VORBIS. Every mixing channel of the player owns one.
#pragma once

#include <cstdint>

#include "media/async_ogm.h"
#include "media/vorbis.h"
#include "media/xvid.h"

// What the movie screens and the player read of an open medium.
struct MediaInfo {
    int32_t videoWidth;
    int32_t videoHeight;
    int32_t frameBytes; // width * height * 3
    float frameRate;    // frames a second
    int32_t audioChannels;
    int32_t audioRate;
    int32_t hasVideo;
    int32_t hasAudio;
};
static_assert(sizeof(MediaInfo) == 32, "MediaInfo is eight 32-bit words");

constexpr int32_t MMLIB_SOURCE_NONE = 0;
constexpr int32_t MMLIB_SOURCE_FILE = 1;
constexpr int32_t MMLIB_SOURCE_ARCHIVE = 2;
constexpr int32_t MMLIB_SOURCE_MEMORY = 3;
constexpr int32_t MMLIB_MAX_PATH = 4095;

class MMlib {
public:
    MMlib();
    virtual ~MMlib();
    MMlib(const MMlib&) = delete;
    MMlib& operator=(const MMlib&) = delete;

    // 0, or the failing step's negative result (nothing decodes then).
    int32_t OpenFile(const char* path);
    int32_t OpenArchiveEntry(ResourceArchive* archive, int32_t entry);
    int32_t OpenMemory(const uint8_t* data, int32_t size);
    // Opens the last source that opened well again from its start.
    int32_t Reopen();
    // Closes the source and forgets it: Reopen fails until the next open.
    void Close();

    int32_t GetInfo(MediaInfo* info) const;
    int32_t ReadPCM(uint8_t* buffer, int32_t count, int32_t* delivered);
    int32_t DecodeVideoFrame(uint8_t* frame);
    int32_t Pump();

    // Off: the audio stream of a file or archive source reads straight from
    // the source instead of through a read-ahead cache. For readers that
    // decode a whole sound at once on the main thread.
    void SetReadAhead(int32_t enabled) { readAhead_ = enabled; }

    const AsyncOGM* GetContainer() const { return container_; }

private:
    int32_t FinishOpen(int32_t sourceKind, int32_t opened);
    int32_t FindStreams();
    int32_t CreateDecoders();
    void DeleteDecoders();

    MediaInfo info_{};
    int32_t videoStream_ = -1;
    int32_t audioStream_ = -1;
    AsyncOGM* container_ = nullptr;
    XVID* video_ = nullptr;
    VORBIS* audio_ = nullptr;
    int32_t readAhead_ = 1;
    int32_t openingKind_ = MMLIB_SOURCE_NONE;

    int32_t sourceKind_ = MMLIB_SOURCE_NONE;
    char path_[MMLIB_MAX_PATH + 1] = {};
    ResourceArchive* archive_ = nullptr;
    int32_t entry_ = -1;
    const uint8_t* data_ = nullptr;
    int32_t size_ = 0;
};
