#include "media/ogm.h"

#include <algorithm>
#include <cstring>

#include "engine/bytes.h"

namespace {

// First bytes of the packets that name a stream, compared over 9 bytes.
const uint8_t kVideoSignature[9] = {0x01, 'v', 'i', 'd', 'e', 'o', 0, 0, 0};
const uint8_t kVorbisSignature[9] = {0x01, 'v', 'o', 'r', 'b', 'i', 's', 0, 0};
const uint8_t kTextSignature[9] = {'t', 'e', 'x', 't', 0, 0, 0, 0, 0};

// A page's length in the given delivery mode: raw pages start at the
// capture pattern, payload at the body.
int64_t PageLength(const OggPageHeader& page, int32_t raw) {
    int64_t length = page.bodyLength;
    if (raw != 0)
        length += page.bodyStart - page.headerStart;
    return length;
}

int64_t PageBase(const OggPageHeader& page, int32_t raw) {
    return raw != 0 ? page.headerStart : page.bodyStart;
}

} // namespace

uint32_t OggPageSerial(const OggPageHeader& page) {
    return GetU32LE(page.header + 14);
}
uint32_t OggPageSequence(const OggPageHeader& page) {
    return GetU32LE(page.header + 18);
}

OGM::OGM() {
    std::memcpy(capture_, "OggS", 4);
    std::memset(streams_, 0, sizeof(streams_));
}

OGM::~OGM() {
    OGM::Close();
}

int32_t OGM::OpenFile(const char* path) {
    if (sourceKind_ != OGM_SOURCE_NONE || path == nullptr)
        return -1;
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr)
        return -1;
    sourceKind_ = OGM_SOURCE_FILE;
    return FinishOpen();
}

int32_t OGM::OpenArchiveEntry(ResourceArchive* archive, int32_t entry) {
    if (sourceKind_ != OGM_SOURCE_NONE || archive == nullptr || entry < 0)
        return -1;
    std::memset(&stream_, 0, sizeof(stream_));
    if (OpenResourceStream(archive, &stream_, static_cast<uint32_t>(entry)) == 0) {
        CloseResourceStream(&stream_);
        return -1;
    }
    sourceKind_ = OGM_SOURCE_ARCHIVE;
    return FinishOpen();
}

int32_t OGM::OpenMemory(const uint8_t* data, int32_t size) {
    if (sourceKind_ != OGM_SOURCE_NONE || data == nullptr || size < 0)
        return -1;
    memoryStart_ = data;
    memoryPosition_ = data;
    memorySize_ = size;
    sourceKind_ = OGM_SOURCE_MEMORY;
    return FinishOpen();
}

int32_t OGM::FinishOpen() {
    if (DiscoverStreams() != 0) {
        Close();
        return -1;
    }
    SourceSeek(0, SEEK_SET);
    return 0;
}

void OGM::Close() {
    if (sourceKind_ == OGM_SOURCE_FILE && file_ != nullptr)
        std::fclose(file_);
    if (sourceKind_ == OGM_SOURCE_ARCHIVE)
        CloseResourceStream(&stream_);
    file_ = nullptr;
    memoryStart_ = nullptr;
    memoryPosition_ = nullptr;
    memorySize_ = 0;
    sourceKind_ = OGM_SOURCE_NONE;
}

int32_t OGM::GetStreamKind(int32_t index) const {
    if (index < 0 || index >= streamCount_)
        return OGM_STREAM_NONE;
    return streams_[index].kind;
}

void OGM::SetRawMode(int32_t index, int32_t flag) {
    if (index >= 0 && index < streamCount_)
        streams_[index].raw = flag != 0 ? 1 : 0;
}

int32_t OGM::IsStreamAtEnd(int32_t index) const {
    if (index < 0 || index >= streamCount_)
        return 1;
    return streams_[index].end;
}

// ---- back-ends -------------------------------------------------------------

int32_t OGM::SourceRead(void* dst, int32_t count) {
    if (count <= 0)
        return 0;
    switch (sourceKind_) {
    case OGM_SOURCE_FILE:
        return static_cast<int32_t>(std::fread(dst, 1, static_cast<size_t>(count), file_));
    case OGM_SOURCE_ARCHIVE:
        return static_cast<int32_t>(ReadResourceStream(&stream_, dst, count));
    case OGM_SOURCE_MEMORY: {
        int64_t left = memoryStart_ + memorySize_ - memoryPosition_;
        int32_t n = static_cast<int32_t>(std::min<int64_t>(left, count));
        if (n <= 0)
            return 0;
        std::memcpy(dst, memoryPosition_, static_cast<size_t>(n));
        memoryPosition_ += n;
        return n;
    }
    default:
        return -1;
    }
}

int64_t OGM::SourceTell() {
    switch (sourceKind_) {
    case OGM_SOURCE_FILE:
        return file_ != nullptr ? std::ftell(file_) : -1;
    case OGM_SOURCE_ARCHIVE:
        return TellResourceStream(&stream_);
    case OGM_SOURCE_MEMORY:
        return memoryPosition_ - memoryStart_;
    default:
        return -1;
    }
}

int32_t OGM::SourceSeek(int64_t offset, int32_t whence) {
    if (whence != SEEK_SET && whence != SEEK_CUR)
        return -1;
    switch (sourceKind_) {
    case OGM_SOURCE_FILE:
        return std::fseek(file_, static_cast<long>(offset), whence) == 0 ? 0 : -1;
    case OGM_SOURCE_ARCHIVE:
        if (offset < INT32_MIN || offset > INT32_MAX)
            return -1;
        return SeekResourceStream(&stream_, static_cast<int32_t>(offset), whence) != 0 ? 0 : -1;
    case OGM_SOURCE_MEMORY: {
        int64_t base = whence == SEEK_SET ? 0 : memoryPosition_ - memoryStart_;
        int64_t target = base + offset;
        // The very end is a valid place: skipping the last page lands there.
        if (target < 0 || target > memorySize_)
            return -1;
        memoryPosition_ = memoryStart_ + target;
        return 0;
    }
    default:
        return -1;
    }
}

// Archive streams seek relative to where they are: a compressed entry
// decodes again from its start on any backward move, and a seek to the
// current place must not cost that.
int32_t OGM::SourceSeekTo(int64_t position) {
    if (sourceKind_ != OGM_SOURCE_ARCHIVE)
        return SourceSeek(position, SEEK_SET);
    int64_t delta = position - SourceTell();
    if (delta == 0)
        return 0;
    return SourceSeek(delta, SEEK_CUR);
}

// ---- pages -----------------------------------------------------------------

int32_t OGM::ReadPageHeader(OggPageHeader* page) {
    page->headerStart = SourceTell();
    if (SourceRead(page->header, OGG_PAGE_HEADER_SIZE) != OGG_PAGE_HEADER_SIZE)
        return OGG_ERR_SHORT_HEADER;
    if (std::memcmp(page->header, capture_, 4) != 0)
        return OGG_ERR_CAPTURE;
    int32_t segments = OggPageSegments(*page);
    if (SourceRead(page->lacing, segments) != segments)
        return OGG_ERR_SHORT_LACING;
    page->bodyStart = SourceTell();
    int32_t length = 0;
    for (int32_t i = 0; i < segments; ++i)
        length += page->lacing[i];
    page->bodyLength = length;
    return 0;
}

int32_t OGM::SkipPageBody(const OggPageHeader& page) {
    return SourceSeekTo(page.bodyStart + page.bodyLength);
}

int32_t OGM::ReadPageRange(const OggPageHeader& page, uint8_t* dst, int32_t offset, int32_t count,
                           int32_t raw) {
    int64_t left = PageLength(page, raw) - offset;
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, left));
    if (n < 1)
        return 0;
    if (SourceSeekTo(PageBase(page, raw) + offset) != 0)
        return 0;
    return std::max(SourceRead(dst, n), 0);
}

// ---- discovery ---------------------------------------------------------------

int32_t OGM::IdentifyStream(const OggPageHeader& page) {
    if ((OggPageType(page) & OGG_HEADER_BOS) == 0 || OggPageSequence(page) != 0)
        return OGM_STREAM_NONE;
    uint8_t packet[OGM_IDENTIFY_BYTES];
    // Only the first page's body counts: a short header page must not borrow
    // bytes from the pages behind it.
    int32_t n = ReadPageRange(page, packet, 0, OGM_IDENTIFY_BYTES, 0);
    if (n >= 9) {
        if (std::memcmp(packet, kVideoSignature, 9) == 0 && n > 52)
            return OGM_STREAM_VIDEO;
        if (std::memcmp(packet, kVorbisSignature, 9) == 0 && n > 23)
            return OGM_STREAM_VORBIS;
        if (std::memcmp(packet, kTextSignature, 9) == 0 && n >= 45)
            return OGM_STREAM_TEXT;
    }
    return OGM_STREAM_NONE;
}

int32_t OGM::DiscoverStreams() {
    streamCount_ = 0;
    if (SourceSeek(0, SEEK_SET) != 0)
        return -1;
    for (int32_t i = 0; i < OGM_DISCOVERY_PAGES; ++i) {
        OggPageHeader page;
        if (ReadPageHeader(&page) != 0)
            break;
        uint32_t serial = OggPageSerial(page);
        bool known = false;
        for (int32_t s = 0; s < streamCount_; ++s)
            known = known || streams_[s].serial == serial;
        if (!known) {
            int32_t kind = IdentifyStream(page);
            if (kind != OGM_STREAM_NONE && streamCount_ < OGM_MAX_STREAMS) {
                OgmStream& stream = streams_[streamCount_++];
                stream.kind = kind;
                stream.page = page;
                stream.serial = serial;
                stream.offset = 0;
                stream.end = 0;
                stream.raw = 0;
            }
        }
        if (SkipPageBody(page) != 0)
            break;
    }
    return streamCount_ > 0 ? 0 : -1;
}

// ---- delivery ----------------------------------------------------------------

// Moves the stream to its next page, passing over other streams' pages.
int32_t OGM::AdvanceStream(OgmStream* stream) {
    OggPageHeader page = stream->page;
    for (;;) {
        if (SkipPageBody(page) != 0)
            return -1;
        if (ReadPageHeader(&page) != 0)
            return -1;
        if (OggPageSerial(page) == stream->serial) {
            stream->page = page;
            return 0;
        }
    }
}

int32_t OGM::ReadStream(int32_t index, uint8_t* buffer, int32_t count) {
    if (index < 0 || index >= streamCount_ || count < 1 || buffer == nullptr)
        return 0;
    OgmStream* stream = &streams_[index];
    if (stream->end != 0 || sourceKind_ == OGM_SOURCE_NONE)
        return 0;
    int32_t delivered = 0;
    while (delivered < count) {
        int64_t length = PageLength(stream->page, stream->raw);
        if (stream->offset < length) {
            int32_t got = ReadPageRange(stream->page, buffer + delivered, stream->offset,
                                        count - delivered, stream->raw);
            if (got <= 0) {
                // A truncated source or a failed seek: retrying would spin.
                stream->end = 1;
                return delivered;
            }
            delivered += got;
            stream->offset += got;
            if (stream->offset < length)
                continue;
        }
        stream->offset = 0;
        if (AdvanceStream(stream) != 0) {
            stream->end = 1;
            return delivered;
        }
    }
    return delivered;
}
