// Reading "res/base.res". The whole directory is decoded and checked at open,
// so every later query is an array lookup that cannot leave the file.
#include "engine/archive.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/bytes.h"
#include "engine/game_path.h"
#include "engine/helpers.h"
#include "engine/lzw.h"
#include "engine/safe_file.h"

ResourceArchive gResourceArchive = {-1, 0, 0, nullptr, 0, nullptr};

namespace {

const char kArchiveMagic[4] = {'P', 'a', 'R', '6'};

// Why a file is refused as the archive, for the start-up message.
const char kNotAnArchive[] = "it is not a resource archive";
const char kHeaderCut[] = "it is cut short (its header ends early)";
const char kDirectoryCut[] = "it is cut short (its directory goes past the end of the file)";
const char kDataCut[] = "it is cut short (its data goes past the end of the file)";
const char kDirectoryDamaged[] = "its directory is damaged";

// The most bytes the dictionary coder unpacks from ten stored bits. A value
// is read with N, the code learnt next, in W bits where 2^(W-1) <= N < 2^W:
// N starts at 256 with W = 9, W grows as N reaches a power of two, and a
// full dictionary is pruned (never reset) back to its kept nodes with W
// shrunk to fit, so W is at least 9. The learnt nodes all sit in 257..N,
// and a string is one byte per learnt node on its prefix chain plus its
// root's, so a code gives at most N - 255 bytes, and 768 at most (the 767
// learnt slots as one chain). A code takes at least W bits: with W = 9 it
// gives at most 256 bytes for 9 bits, with W >= 10 at most 768 for 10; a
// raw byte gives 1 for 8. So ten bits never give more than 768 bytes, which
// long runs of one byte come close to once their strings have grown.
constexpr uint64_t kMostUnpackedPerTenBits = LZW_DICT_SIZE - LZW_END_CODE;

uint64_t MostUnpackedBytes(uint64_t storedBytes) {
    return storedBytes * 8 * kMostUnpackedPerTenBits / 10;
}

bool IsUsable(const ResourceArchive* archive, uint32_t i) {
    return archive != nullptr && archive->isOpen && i < archive->entryCount;
}

// False with errno 0 when the file ends first, else with the system's errno.
bool ReadExactly(int fd, void* buffer, size_t count, uint64_t offset) {
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        ssize_t got = pread(fd, bytes, count, static_cast<off_t>(offset));
        if (got == 0)
            errno = 0;
        if (got <= 0)
            return false;
        bytes += got;
        count -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

void DecodeDirectory(const uint8_t* bytes, uint32_t records, ArchiveDirEntry* directory) {
    for (uint32_t r = 0; r < records; ++r) {
        const uint8_t* record = bytes + static_cast<size_t>(r) * ARCHIVE_RECORD_SIZE;
        directory[r].typeByte = record[0];
        directory[r].size = GetU32LE(record + 1);
        directory[r].offset = GetU32LE(record + 5);
    }
}

// A read that failed short of its bytes: the file ended (`cut`), or the
// system's reason.
const char* ReadFailure(const char* cut) {
    return errno == 0 ? cut : std::strerror(errno);
}

// Null when the file starts with a whole header with the magic, and the
// number of directory records in `records`; otherwise what is wrong. A file
// too short for the magic is no archive; one with the magic but no count
// is an archive cut short.
const char* ReadHeader(int fd, uint64_t fileSize, uint64_t* records) {
    uint8_t header[ARCHIVE_HEADER_SIZE];
    size_t headerBytes = fileSize < sizeof(header) ? static_cast<size_t>(fileSize) : sizeof(header);
    if (!ReadExactly(fd, header, headerBytes, 0))
        return ReadFailure(kHeaderCut);
    if (headerBytes < sizeof(kArchiveMagic) ||
        std::memcmp(header, kArchiveMagic, sizeof(kArchiveMagic)) != 0)
        return kNotAnArchive;
    if (headerBytes < sizeof(header))
        return kHeaderCut;
    *records = static_cast<uint64_t>(GetU32LE(header + 4)) + 1;
    return nullptr;
}

// Null when data lies after the directory, offsets never decrease (links
// excepted: their offset is unused) and the end record closes the data
// inside the file; otherwise what is wrong.
const char* DirectoryFault(const ArchiveDirEntry* directory, uint32_t count, uint64_t dataStart,
                           uint64_t fileSize) {
    const ArchiveDirEntry& endRecord = directory[count];
    if ((endRecord.typeByte & ENTRY_TYPE_MASK) == RES_TYPE_LINK)
        return kDirectoryDamaged;
    uint64_t previous = dataStart;
    for (uint32_t i = 0; i <= count; ++i) {
        if (i < count && (directory[i].typeByte & ENTRY_TYPE_MASK) == RES_TYPE_LINK)
            continue;
        uint64_t offset = directory[i].offset;
        if (offset < previous)
            return kDirectoryDamaged;
        if (offset > fileSize)
            return kDataCut;
        previous = offset;
    }
    return nullptr;
}

void ResetArchive(ResourceArchive* archive) {
    archive->file = -1;
    archive->isOpen = 0;
    archive->entryCount = 0;
    archive->directory = nullptr;
    archive->fileSize = 0;
    archive->refusalSaid = nullptr;
}

int32_t FailOpen(ResourceArchive* archive, int fd, ArchiveDirEntry* directory, uint8_t* raw,
                 const char** why, const char* reason) {
    if (why != nullptr)
        *why = reason;
    if (fd >= 0)
        close(fd);
    delete[] archive->refusalSaid;
    std::free(directory);
    std::free(raw);
    ResetArchive(archive);
    return 0;
}

uint32_t ReadLinkTarget(const ResourceArchive* archive, void* buffer, uint32_t i) {
    PutU32LE(static_cast<uint8_t*>(buffer), archive->directory[i].size);
    return 4;
}

// The archive may name any path: only one inside the game's folder is
// opened. A refusal is said once, whichever thread meets it first; it is
// normally met on the main thread, which opens an entry before the audio
// thread can reopen it. -1 when the file cannot be opened; `path` (free()
// it) is the path read, null when there is none.
int OpenExternalDescriptor(const ResourceArchive* archive, uint32_t i, char** path) {
    *path = ReadExternalPath(archive, i);
    if (*path == nullptr)
        return -1;
    if (const char* why = GamePathRefusal(*path)) {
        if (archive->refusalSaid != nullptr && archive->refusalSaid[i].exchange(1) == 0)
            std::printf("Outside file %s not read: %s\n", PrintablePath(*path).c_str(), why);
        return -1;
    }
    return OpenRegularFile(*path);
}

std::atomic<ExternalMeasureHook> gMeasureHook{nullptr};

// Size of an outside file, or 0 when it cannot be opened.
uint32_t MeasureExternalFile(const ResourceArchive* archive, uint32_t i) {
    char* path = nullptr;
    int fd = OpenExternalDescriptor(archive, i, &path);
    if (path == nullptr)
        return 0;
    struct stat info;
    uint32_t size = 0;
    if (fd >= 0 && fstat(fd, &info) == 0)
        size = info.st_size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(info.st_size);
    if (fd >= 0)
        close(fd);
    if (ExternalMeasureHook hook = gMeasureHook.load(std::memory_order_relaxed))
        hook(path);
    std::free(path);
    return size;
}

uint32_t ReadExternalEntry(const ResourceArchive* archive, void* buffer, uint32_t i,
                           uint32_t size) {
    FILE* file = OpenExternalFile(archive, i);
    if (file == nullptr)
        return 0;
    size_t got = std::fread(buffer, 1, size, file);
    std::fclose(file);
    return static_cast<uint32_t>(got);
}

uint32_t ReadCompressedEntry(const ResourceArchive* archive, void* buffer, uint32_t i,
                             uint32_t size) {
    LzwInput input;
    LzwState state;
    LzwInputInit(&input, archive, i);
    LzwInputRefill(&input);
    uint8_t* cursor = input.buffer;
    LzwDictInit(&state, static_cast<uint8_t*>(buffer));
    uint32_t produced =
        size > 0 ? LzwDecode(&state, &input, &cursor, static_cast<int32_t>(size)) : 0;
    LzwDictFree(&state);
    LzwInputFree(&input);
    return produced;
}

} // namespace

int32_t OpenArchive(ResourceArchive* archive, const char* path, const char** why) {
    ResetArchive(archive);
    const char* reason = nullptr;
    int fd = OpenRegularFile(path, &reason);
    if (fd < 0)
        return FailOpen(archive, fd, nullptr, nullptr, why, reason);
    struct stat info;
    if (fstat(fd, &info) != 0)
        return FailOpen(archive, fd, nullptr, nullptr, why, std::strerror(errno));
    uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    uint64_t records = 0;
    if (const char* fault = ReadHeader(fd, fileSize, &records))
        return FailOpen(archive, fd, nullptr, nullptr, why, fault);
    uint64_t directoryBytes = records * ARCHIVE_RECORD_SIZE;
    if (ARCHIVE_HEADER_SIZE + directoryBytes > fileSize)
        return FailOpen(archive, fd, nullptr, nullptr, why, kDirectoryCut);

    uint8_t* raw = static_cast<uint8_t*>(std::malloc(directoryBytes));
    ArchiveDirEntry* directory =
        static_cast<ArchiveDirEntry*>(std::malloc(records * sizeof(ArchiveDirEntry)));
    if (raw == nullptr || directory == nullptr)
        return FailOpen(archive, fd, directory, raw, why, std::strerror(ENOMEM));
    if (!ReadExactly(fd, raw, directoryBytes, ARCHIVE_HEADER_SIZE))
        return FailOpen(archive, fd, directory, raw, why, ReadFailure(kDirectoryCut));
    uint32_t count = static_cast<uint32_t>(records - 1);
    archive->refusalSaid = new (std::nothrow) std::atomic<uint8_t>[records]();
    if (archive->refusalSaid == nullptr)
        return FailOpen(archive, fd, directory, raw, why, std::strerror(ENOMEM));
    DecodeDirectory(raw, static_cast<uint32_t>(records), directory);
    std::free(raw);
    if (const char* fault =
            DirectoryFault(directory, count, ARCHIVE_HEADER_SIZE + directoryBytes, fileSize))
        return FailOpen(archive, fd, directory, nullptr, why, fault);

    archive->file = fd;
    archive->isOpen = 1;
    archive->entryCount = count;
    archive->directory = directory;
    archive->fileSize = fileSize;
    return 1;
}

void CloseArchive(ResourceArchive* archive) {
    if (archive == nullptr || !archive->isOpen)
        return;
    close(archive->file);
    std::free(archive->directory);
    delete[] archive->refusalSaid;
    ResetArchive(archive);
}

uint32_t ReadArchiveBytes(const ResourceArchive* archive, void* buffer, uint32_t offset,
                          uint32_t count) {
    if (archive == nullptr || !archive->isOpen || buffer == nullptr)
        return 0;
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t got =
            pread(archive->file, bytes + done, count - done, static_cast<off_t>(offset) + done);
        if (got <= 0)
            break;
        done += static_cast<uint32_t>(got);
    }
    return done;
}

uint32_t GetEntryCount(const ResourceArchive* archive) {
    return archive != nullptr && archive->isOpen ? archive->entryCount : 0;
}

uint32_t GetEntryType(const ResourceArchive* archive, uint32_t i) {
    return IsUsable(archive, i) ? archive->directory[i].typeByte & ENTRY_TYPE_MASK : 0;
}

int32_t IsEntryCompressed(const ResourceArchive* archive, uint32_t i) {
    return IsUsable(archive, i) && (archive->directory[i].typeByte & ENTRY_FLAG_COMPRESSED);
}

int32_t IsEntryExternal(const ResourceArchive* archive, uint32_t i) {
    return IsUsable(archive, i) && (archive->directory[i].typeByte & ENTRY_FLAG_EXTERNAL);
}

uint32_t GetEntryOffset(const ResourceArchive* archive, uint32_t i) {
    return IsUsable(archive, i) ? archive->directory[i].offset : 0;
}

uint32_t NextNonLinkEntry(const ResourceArchive* archive, uint32_t i) {
    if (!IsUsable(archive, i))
        return 0;
    uint32_t j = i + 1;
    while (j < archive->entryCount &&
           (archive->directory[j].typeByte & ENTRY_TYPE_MASK) == RES_TYPE_LINK)
        ++j;
    return j;
}

uint32_t GetEntryStoredSize(const ResourceArchive* archive, uint32_t i) {
    if (!IsUsable(archive, i) || GetEntryType(archive, i) == RES_TYPE_LINK)
        return 0;
    return archive->directory[NextNonLinkEntry(archive, i)].offset - archive->directory[i].offset;
}

char* ReadExternalPath(const ResourceArchive* archive, uint32_t i) {
    if (!IsUsable(archive, i))
        return nullptr;
    uint32_t stored = GetEntryStoredSize(archive, i);
    char* path = static_cast<char*>(std::calloc(static_cast<size_t>(stored) + 1, 1));
    if (path == nullptr)
        return nullptr;
    uint32_t got = ReadArchiveBytes(archive, path, archive->directory[i].offset, stored);
    path[got] = 0;
    // Archives built on Windows separate folders with '\'.
    for (uint32_t k = 0; k < got; ++k)
        if (path[k] == '\\')
            path[k] = '/';
    return path;
}

FILE* OpenExternalFile(const ResourceArchive* archive, uint32_t i) {
    char* path = nullptr;
    int fd = OpenExternalDescriptor(archive, i, &path);
    std::free(path);
    return RegularFileStream(fd, "rb");
}

void SetExternalMeasureHook(ExternalMeasureHook hook) {
    gMeasureHook.store(hook, std::memory_order_relaxed);
}

uint32_t GetEntrySize(const ResourceArchive* archive, uint32_t i) {
    if (!IsUsable(archive, i))
        return 0;
    const ArchiveDirEntry& record = archive->directory[i];
    uint32_t type = record.typeByte & ENTRY_TYPE_MASK;
    if (type == RES_TYPE_LINK)
        return 4;
    if (record.typeByte & ENTRY_FLAG_EXTERNAL) {
        uint32_t measured = MeasureExternalFile(archive, i);
        if (type == 1 || type == 2)
            return record.size < measured ? record.size : measured;
        return measured;
    }
    const uint32_t stored = GetEntryStoredSize(archive, i);
    const uint64_t most =
        (record.typeByte & ENTRY_FLAG_COMPRESSED) ? MostUnpackedBytes(stored) : stored;
    if (record.size <= most)
        return record.size;
    // Believed, the size would be allocated before a byte is read.
    if (archive->refusalSaid != nullptr && archive->refusalSaid[i].exchange(1) == 0)
        std::printf("Archive entry %u not read: it claims %u bytes, more than its %u stored "
                    "bytes can hold\n",
                    i, record.size, stored);
    return 0;
}

uint32_t ReadEntryUpTo(const ResourceArchive* archive, void* buffer, uint32_t i,
                       uint32_t capacity) {
    if (!IsUsable(archive, i) || buffer == nullptr)
        return 0;
    uint8_t typeByte = archive->directory[i].typeByte;
    if ((typeByte & ENTRY_TYPE_MASK) == RES_TYPE_LINK)
        return capacity >= 4 ? ReadLinkTarget(archive, buffer, i) : 0;
    uint32_t size = GetEntrySize(archive, i);
    if (size > capacity)
        size = capacity;
    if (typeByte & ENTRY_FLAG_EXTERNAL)
        return ReadExternalEntry(archive, buffer, i, size);
    if (typeByte & ENTRY_FLAG_COMPRESSED)
        return ReadCompressedEntry(archive, buffer, i, size);
    return ReadArchiveBytes(archive, buffer, archive->directory[i].offset, size);
}

uint32_t ReadEntry(const ResourceArchive* archive, void* buffer, uint32_t i) {
    return ReadEntryUpTo(archive, buffer, i, 0xFFFFFFFFu);
}

int32_t ReadEntryWord(const ResourceArchive* archive, uint32_t i, uint32_t* value) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (!IsUsable(archive, i) || GetEntrySize(archive, i) != 4 ||
        ReadEntryUpTo(archive, bytes, i, sizeof(bytes)) != 4)
        return 0;
    *value = GetU32LE(bytes);
    return 1;
}
