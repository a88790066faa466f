// The resource archive "res/base.res": a directory of typed entries, each
// stored plain, dictionary-coded or as the path of an outside file.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

// Type byte of a directory record: bits 0-5 the entry type, then two flags.
constexpr uint8_t ENTRY_TYPE_MASK = 0x3F;
constexpr uint8_t ENTRY_FLAG_EXTERNAL = 0x40;
constexpr uint8_t ENTRY_FLAG_COMPRESSED = 0x80;

// Entry types the loaders tell apart; every other type is raw bytes.
constexpr uint32_t RES_TYPE_CLASS8_RAW = 3;
constexpr uint32_t RES_TYPE_IMAGE_STUB = 4;
constexpr uint32_t RES_TYPE_IMAGE_RAW_A = 5;
constexpr uint32_t RES_TYPE_IMAGE_RAW_B = 6;
constexpr uint32_t RES_TYPE_PNG = 8;
constexpr uint32_t RES_TYPE_SOUND_PREDECODED = 9;
constexpr uint32_t RES_TYPE_LINK = 10;
constexpr uint32_t RES_TYPE_SOUND_STREAMED = 11;
constexpr uint32_t RES_TYPE_SOUND_IN_MEMORY = 12;

constexpr uint32_t ARCHIVE_HEADER_SIZE = 8;
constexpr uint32_t ARCHIVE_RECORD_SIZE = 9;
static_assert(ARCHIVE_RECORD_SIZE == 1 + 4 + 4, "directory record: type, size, offset");

// One directory record, decoded field by field from its 9 file bytes.
struct ArchiveDirEntry {
    uint8_t typeByte;
    uint32_t size;   // unpacked bytes; a link's target index
    uint32_t offset; // file offset of the stored data
};

struct ResourceArchive {
    int32_t file; // descriptor read with pread, -1 when closed
    int32_t isOpen;
    uint32_t entryCount;        // N; the directory holds N + 1 records
    ArchiveDirEntry* directory; // owned
    uint64_t fileSize;
    // Owned, one per entry: set once the entry's refusal (an outside path,
    // or a size its stored data cannot hold) has been said, so that every
    // later read of the entry refuses it without a word.
    std::atomic<uint8_t>* refusalSaid;
};

extern ResourceArchive gResourceArchive;

// 1 when the file is a resource archive: magic, a directory that fits, offsets
// that never decrease and stay inside the file. 0 otherwise, left closed;
// `why`, when given, then gets the reason as text for a message. Only a
// regular file is opened, never in a way that waits: a FIFO would hang.
int32_t OpenArchive(ResourceArchive* archive, const char* path, const char** why = nullptr);
void CloseArchive(ResourceArchive* archive);

// Up to `count` bytes at `offset`; the bytes read (0 when closed). Safe to
// call from any thread: no shared file position.
uint32_t ReadArchiveBytes(const ResourceArchive* archive, void* buffer, uint32_t offset,
                          uint32_t count);

// Entry queries. An index at or beyond the entry count, or a closed
// archive, gives 0.
uint32_t GetEntryCount(const ResourceArchive* archive);
uint32_t GetEntryType(const ResourceArchive* archive, uint32_t i);
int32_t IsEntryCompressed(const ResourceArchive* archive, uint32_t i);
int32_t IsEntryExternal(const ResourceArchive* archive, uint32_t i);
uint32_t GetEntryOffset(const ResourceArchive* archive, uint32_t i);
uint32_t NextNonLinkEntry(const ResourceArchive* archive, uint32_t i);
uint32_t GetEntryStoredSize(const ResourceArchive* archive, uint32_t i);

// The outside file's path, zero-terminated, '/' separated; free() it.
// Null for a closed archive or a bad index.
char* ReadExternalPath(const ResourceArchive* archive, uint32_t i);
// The outside file opened for reading; fclose() it. Null when it is missing,
// is not a regular file (a FIFO or a device would block the game) or lies
// outside the game's folder (GamePathRefusal; said in one line, once per
// entry).
FILE* OpenExternalFile(const ResourceArchive* archive, uint32_t i);

// Unpacked size: 4 for a link, the measured size of an outside file (0
// when OpenExternalFile would give none), else the directory's size. 0 for
// an entry whose size is more than its stored data can hold (said in one
// line, once per entry).
uint32_t GetEntrySize(const ResourceArchive* archive, uint32_t i);

// Reads the whole entry into `buffer`: GetEntrySize(i) bytes as this call
// measures them. An outside file may have grown since the caller sized its
// buffer, so a caller that sized one beforehand uses ReadEntryUpTo with that
// size. Returns the bytes written.
uint32_t ReadEntry(const ResourceArchive* archive, void* buffer, uint32_t i);
// ReadEntry writing at most `capacity` bytes.
uint32_t ReadEntryUpTo(const ResourceArchive* archive, void* buffer, uint32_t i, uint32_t capacity);

// For the 4-byte "number" entries: a link gives its target, a 4-byte entry
// its little-endian value. 1 on success, 0 when the entry is not 4 bytes.
int32_t ReadEntryWord(const ResourceArchive* archive, uint32_t i, uint32_t* value);

// Tests only: called with an outside file's path each time it has been
// measured, so that a test can change the file between a caller's sizing and
// its read. Null, the default, calls nothing.
typedef void (*ExternalMeasureHook)(const char* path);
void SetExternalMeasureHook(ExternalMeasureHook hook);
