// Our own Ogg page parser. It finds the logical streams of a container by
// their first pages, then hands out the bytes of one stream across its pages,
// either as payload (page bodies, for the video decoder) or as whole pages
// (for the Vorbis library, which wants a real single-stream Ogg file). Every
// stream keeps its own current page and its own place in the source, so
// streams can be read alternately and none ever reads backwards: a
// compressed archive entry decodes again from its start on a backward move.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/resource_stream.h"

constexpr int32_t OGG_PAGE_HEADER_SIZE = 27;
constexpr int32_t OGG_MAX_SEGMENTS = 255;
constexpr uint8_t OGG_HEADER_BOS = 0x02;

// ReadPageHeader failures.
constexpr int32_t OGG_ERR_SHORT_HEADER = -2;
constexpr int32_t OGG_ERR_CAPTURE = -3;
constexpr int32_t OGG_ERR_SHORT_LACING = -4;

constexpr int32_t OGM_MAX_STREAMS = 16;
constexpr int32_t OGM_DISCOVERY_PAGES = 8;
constexpr int32_t OGM_IDENTIFY_BYTES = 128;

// Stream kinds, from the first packet of a stream.
constexpr int32_t OGM_STREAM_NONE = 0;
constexpr int32_t OGM_STREAM_VIDEO = 1;
constexpr int32_t OGM_STREAM_VORBIS = 2;
constexpr int32_t OGM_STREAM_TEXT = 4;

// Where the bytes come from.
constexpr int32_t OGM_SOURCE_NONE = 0;
constexpr int32_t OGM_SOURCE_FILE = 1;
constexpr int32_t OGM_SOURCE_ARCHIVE = 2;
constexpr int32_t OGM_SOURCE_MEMORY = 3;

// One page as read: its header bytes as stored and where it lies.
struct OggPageHeader {
    uint8_t header[OGG_PAGE_HEADER_SIZE];
    uint8_t lacing[OGG_MAX_SEGMENTS];
    int64_t headerStart;
    int64_t bodyStart;
    int32_t bodyLength;
};

inline uint8_t OggPageType(const OggPageHeader& page) {
    return page.header[5];
}
uint32_t OggPageSerial(const OggPageHeader& page);
uint32_t OggPageSequence(const OggPageHeader& page);
inline int32_t OggPageSegments(const OggPageHeader& page) {
    return page.header[26];
}

// Archive cursors read ahead in blocks of up to this size: a compressed
// entry decodes a good deal faster in large requests than in ones the size
// of a page header, and a plain one makes fewer calls. Passing bytes costs
// less still, so a cursor that takes little of its blocks (a sound among
// video pages) reads smaller ones.
constexpr int32_t OGM_READ_BLOCK = 65536;
constexpr int32_t OGM_READ_BLOCK_MIN = 4096;

// Where one reader stands in the source. Archive entries get a resource
// stream per cursor, opened and brought to the position when it reads.
struct OgmCursor {
    int64_t position;
    ResourceStream entry;
    uint8_t used;      // started since the source opened
    uint8_t entryOpen; // `entry` is open
    // Bytes read ahead, [blockStart, blockStart + blockFilled) of the
    // entry. Discovery's block only grows, from 0.
    uint8_t* block;
    int64_t blockStart;
    int32_t blockFilled;
    int32_t blockCapacity;
    int32_t blockUsed; // bytes the cursor took out of its block
};

struct OgmStream {
    int32_t kind;
    OggPageHeader page; // the stream's current page
    uint32_t serial;
    int32_t offset; // bytes of the current page already delivered, in the delivery mode
    uint8_t end;
    uint8_t raw; // 1: whole pages; 0: payload
};

class OGM {
public:
    OGM();
    virtual ~OGM();
    OGM(const OGM&) = delete;
    OGM& operator=(const OGM&) = delete;

    // 0, or -1 when a source is open already, the source cannot be opened or
    // holds no stream we know among its first pages.
    virtual int32_t OpenFile(const char* path);
    virtual int32_t OpenArchiveEntry(ResourceArchive* archive, int32_t entry);
    virtual int32_t OpenMemory(const uint8_t* data, int32_t size);
    virtual void Close();

    int32_t GetStreamCount() const { return streamCount_; }
    int32_t GetStreamKind(int32_t index) const;
    void SetRawMode(int32_t index, int32_t flag);
    int32_t IsStreamAtEnd(int32_t index) const;
    // The bytes delivered: 0 for a bad index, a stream at its end or count < 1.
    int32_t ReadStream(int32_t index, uint8_t* buffer, int32_t count);

    int32_t GetSourceKind() const { return sourceKind_; }

protected:
    int32_t ReadPageHeader(OggPageHeader* page);
    int32_t SkipPageBody(const OggPageHeader& page);
    int32_t ReadPageRange(const OggPageHeader& page, uint8_t* dst, int32_t offset, int32_t count,
                          int32_t raw);
    int32_t DiscoverStreams();
    int32_t IdentifyStream(const OggPageHeader& page);
    int32_t AdvanceStream(OgmStream* stream);
    int32_t FinishOpen();

    // Back-end, chosen by the source kind, reading at the active cursor.
    // Read returns the bytes read (-1 without a source); SeekTo returns 0 or
    // -1.
    int32_t SourceRead(void* dst, int32_t count);
    int64_t SourceTell();
    int32_t SourceSeekTo(int64_t position);
    void UseCursor(OgmCursor* cursor);
    void CloseCursor(OgmCursor* cursor);
    bool OpenCursorEntry(OgmCursor* cursor);
    bool TakeCursorEntry(OgmCursor* cursor);
    bool ReadBlock(OgmCursor* cursor);
    int32_t ReadArchive(OgmCursor* cursor, uint8_t* dst, int32_t count);

    int32_t sourceKind_ = OGM_SOURCE_NONE;
    FILE* file_ = nullptr;
    int64_t filePosition_ = -1; // where the FILE stands; -1 unknown
    ResourceArchive* archive_ = nullptr;
    uint32_t entry_ = 0;
    const uint8_t* memoryStart_ = nullptr;
    int32_t memorySize_ = 0;
    OgmCursor discovery_{};
    OgmCursor cursors_[OGM_MAX_STREAMS]{}; // one per stream
    OgmCursor* active_ = nullptr;
    uint8_t capture_[4];
    OgmStream streams_[OGM_MAX_STREAMS];
    int32_t streamCount_ = 0;
};
