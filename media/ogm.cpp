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

int32_t HeaderLength(const OggPageHeader& page) {
    return OGG_PAGE_HEADER_SIZE + OggPageSegments(page);
}

// Moves an archive stream forward (or, out of the normal path, back) to
// `position`; false when the entry ends before it.
bool MoveEntryTo(ResourceStream* entry, int64_t position) {
    int64_t gap = position - TellResourceStream(entry);
    if (gap == 0)
        return true;
    if (gap < INT32_MIN || gap > INT32_MAX)
        return false;
    return SeekResourceStream(entry, static_cast<int32_t>(gap), SEEK_CUR) != 0 &&
           TellResourceStream(entry) == position;
}

// Header and lacing bytes [offset, offset + n) as stored, from the copy
// kept when the page was read.
void CopyHeaderBytes(const OggPageHeader& page, int32_t offset, int32_t n, uint8_t* dst) {
    for (int32_t i = 0; i < n; ++i, ++offset)
        dst[i] = offset < OGG_PAGE_HEADER_SIZE ? page.header[offset]
                                               : page.lacing[offset - OGG_PAGE_HEADER_SIZE];
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
    archive_ = archive;
    entry_ = static_cast<uint32_t>(entry);
    sourceKind_ = OGM_SOURCE_ARCHIVE;
    if (!OpenCursorEntry(&discovery_)) {
        Close();
        return -1;
    }
    return FinishOpen();
}

int32_t OGM::OpenMemory(const uint8_t* data, int32_t size) {
    if (sourceKind_ != OGM_SOURCE_NONE || data == nullptr || size < 0)
        return -1;
    memoryStart_ = data;
    memorySize_ = size;
    sourceKind_ = OGM_SOURCE_MEMORY;
    return FinishOpen();
}

// Discovery reads with a cursor of its own. Every stream starts from the
// source's start with its own cursor (its first page lies among the first
// few), so nothing goes back.
int32_t OGM::FinishOpen() {
    UseCursor(&discovery_);
    if (DiscoverStreams() != 0) {
        Close();
        return -1;
    }
    active_ = nullptr;
    return 0;
}

void OGM::Close() {
    if (sourceKind_ == OGM_SOURCE_FILE && file_ != nullptr)
        std::fclose(file_);
    CloseCursor(&discovery_);
    for (OgmCursor& cursor : cursors_)
        CloseCursor(&cursor);
    active_ = nullptr;
    file_ = nullptr;
    filePosition_ = -1;
    archive_ = nullptr;
    entry_ = 0;
    memoryStart_ = nullptr;
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

void OGM::UseCursor(OgmCursor* cursor) {
    if (cursor->used == 0) {
        cursor->used = 1;
        cursor->position = 0;
    }
    active_ = cursor;
}

void OGM::CloseCursor(OgmCursor* cursor) {
    if (cursor->entryOpen != 0)
        CloseResourceStream(&cursor->entry);
    delete[] cursor->block;
    cursor->block = nullptr;
    cursor->blockStart = 0;
    cursor->blockFilled = 0;
    cursor->blockCapacity = 0;
    cursor->blockUsed = 0;
    cursor->entryOpen = 0;
    cursor->used = 0;
    cursor->position = 0;
    if (active_ == cursor)
        active_ = nullptr;
}

bool OGM::OpenCursorEntry(OgmCursor* cursor) {
    std::memset(&cursor->entry, 0, sizeof(cursor->entry));
    if (OpenResourceStream(archive_, &cursor->entry, entry_) == 0) {
        CloseResourceStream(&cursor->entry);
        return false;
    }
    cursor->entryOpen = 1;
    return true;
}

// The first stream to read past the bytes discovery read carries on with
// discovery's stream instead of decoding all of them again. Streams still
// before that point decode from the start anyway, to get past it.
bool OGM::TakeCursorEntry(OgmCursor* cursor) {
    if (discovery_.entryOpen == 0 || TellResourceStream(&discovery_.entry) > cursor->position)
        return OpenCursorEntry(cursor);
    cursor->entry = discovery_.entry;
    cursor->entryOpen = 1;
    std::memset(&discovery_.entry, 0, sizeof(discovery_.entry));
    discovery_.entryOpen = 0;
    delete[] discovery_.block;
    discovery_.block = nullptr;
    discovery_.blockFilled = 0;
    discovery_.blockCapacity = 0;
    return true;
}

// Reads the block at the cursor's position, passing over what lies
// between. Discovery's block grows instead: it holds all discovery has
// read, for the streams to start from.
bool OGM::ReadBlock(OgmCursor* cursor) {
    ResourceStream* entry = &cursor->entry;
    bool growing = cursor == &discovery_;
    int64_t from = growing ? cursor->blockFilled : cursor->position;
    if (!MoveEntryTo(entry, from))
        return false;
    int64_t need = OGM_READ_BLOCK;
    if (growing)
        need += cursor->position - from;
    else if (cursor->blockFilled > 0)
        need = std::min(OGM_READ_BLOCK, std::max(OGM_READ_BLOCK_MIN, 2 * cursor->blockUsed));
    if (need > INT32_MAX - cursor->blockFilled)
        return false;
    int32_t keep = growing ? cursor->blockFilled : 0;
    if (keep + need > cursor->blockCapacity) {
        int32_t capacity = static_cast<int32_t>(std::min<int64_t>(
            INT32_MAX, std::max<int64_t>(keep + need, 2LL * cursor->blockCapacity)));
        uint8_t* block = new uint8_t[static_cast<size_t>(capacity)];
        if (keep > 0)
            std::memcpy(block, cursor->block, static_cast<size_t>(keep));
        delete[] cursor->block;
        cursor->block = block;
        cursor->blockCapacity = capacity;
    }
    uint32_t got = ReadResourceStream(entry, cursor->block + keep, static_cast<int32_t>(need));
    cursor->blockStart = growing ? 0 : from;
    cursor->blockFilled = keep + static_cast<int32_t>(got);
    cursor->blockUsed = 0;
    return got > 0;
}

int32_t OGM::ReadArchive(OgmCursor* cursor, uint8_t* dst, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        // Read already: by this cursor, or by discovery.
        const OgmCursor* holder = nullptr;
        if (cursor->position >= cursor->blockStart &&
            cursor->position < cursor->blockStart + cursor->blockFilled)
            holder = cursor;
        else if (cursor->position < discovery_.blockFilled)
            holder = &discovery_;
        if (holder != nullptr) {
            int64_t at = cursor->position - holder->blockStart;
            int32_t n =
                static_cast<int32_t>(std::min<int64_t>(count - done, holder->blockFilled - at));
            std::memcpy(dst + done, holder->block + at, static_cast<size_t>(n));
            cursor->position += n;
            cursor->blockUsed += holder == cursor ? n : 0;
            done += n;
            continue;
        }
        if ((cursor->entryOpen == 0 && !TakeCursorEntry(cursor)) || !ReadBlock(cursor))
            break;
    }
    return done;
}

int32_t OGM::SourceRead(void* dst, int32_t count) {
    if (active_ == nullptr)
        return -1;
    if (count <= 0)
        return 0;
    OgmCursor* cursor = active_;
    switch (sourceKind_) {
    case OGM_SOURCE_FILE: {
        // The streams share the FILE: it moves only when another cursor
        // used it last.
        if (filePosition_ != cursor->position) {
            if (std::fseek(file_, static_cast<long>(cursor->position), SEEK_SET) != 0) {
                filePosition_ = -1;
                return 0;
            }
            filePosition_ = cursor->position;
        }
        size_t got = std::fread(dst, 1, static_cast<size_t>(count), file_);
        cursor->position += static_cast<int64_t>(got);
        filePosition_ = cursor->position;
        return static_cast<int32_t>(got);
    }
    case OGM_SOURCE_ARCHIVE:
        return ReadArchive(cursor, static_cast<uint8_t*>(dst), count);
    case OGM_SOURCE_MEMORY: {
        int64_t left = memorySize_ - cursor->position;
        int32_t n = static_cast<int32_t>(std::min<int64_t>(left, count));
        if (n <= 0)
            return 0;
        std::memcpy(dst, memoryStart_ + cursor->position, static_cast<size_t>(n));
        cursor->position += n;
        return n;
    }
    default:
        return -1;
    }
}

int64_t OGM::SourceTell() {
    if (active_ == nullptr)
        return -1;
    return sourceKind_ != OGM_SOURCE_NONE ? active_->position : -1;
}

// Only moves the cursor: the source follows when the cursor next reads.
int32_t OGM::SourceSeekTo(int64_t position) {
    if (active_ == nullptr || position < 0)
        return -1;
    switch (sourceKind_) {
    case OGM_SOURCE_FILE:
    case OGM_SOURCE_ARCHIVE:
        active_->position = position;
        return 0;
    case OGM_SOURCE_MEMORY:
        // The very end is a valid place: skipping the last page lands there.
        if (position > memorySize_)
            return -1;
        active_->position = position;
        return 0;
    default:
        return -1;
    }
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

// Raw pages take their header and lacing from the copy read with the page,
// so that the source only ever moves forward over the body.
int32_t OGM::ReadPageRange(const OggPageHeader& page, uint8_t* dst, int32_t offset, int32_t count,
                           int32_t raw) {
    int64_t left = PageLength(page, raw) - offset;
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, left));
    if (n < 1 || offset < 0)
        return 0;
    int32_t done = 0;
    if (raw != 0) {
        int32_t header = HeaderLength(page);
        if (offset < header) {
            done = std::min(n, header - offset);
            CopyHeaderBytes(page, offset, done, dst);
            offset = header;
        }
        offset -= header;
        if (done == n)
            return done;
    }
    if (SourceSeekTo(page.bodyStart + offset) != 0)
        return done;
    return done + std::max(SourceRead(dst + done, n - done), 0);
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
    if (SourceSeekTo(0) != 0)
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
    UseCursor(&cursors_[index]);
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
