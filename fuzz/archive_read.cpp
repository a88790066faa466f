// Fuzzes archive opening, entry queries, whole-entry reads and stream reads
// (chunked, skipping, seeking) over arbitrary archive bytes.
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"

namespace {

constexpr uint32_t kMaxEntries = 64;
constexpr uint32_t kMaxEntryBytes = 4u << 20;

// The input as a file the archive can open, without touching the disk.
int MemoryFile(const uint8_t* data, size_t size) {
    int fd = memfd_create("fuzz_archive", 0);
    if (fd >= 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return -1;
    }
    return fd;
}

void ReadStreamInPieces(ResourceArchive* archive, uint32_t entry, uint8_t pattern) {
    ResourceStream stream;
    if (!OpenResourceStream(archive, &stream, entry))
        return;
    for (int step = 0; step < 64; ++step) {
        int32_t request = 1 + ((pattern * 37 + step * 101) % 4096);
        // Exactly the requested size, so a write past the request is caught.
        std::vector<uint8_t> buffer(static_cast<size_t>(request));
        if ((pattern + step) % 5 == 0)
            ReadResourceStream(&stream, nullptr, request);
        else if ((pattern + step) % 7 == 0)
            SeekResourceStream(&stream, -request / 2, 1);
        else if (ReadResourceStream(&stream, buffer.data(), request) == 0)
            break;
    }
    TellResourceStream(&stream);
    CloseResourceStream(&stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = MemoryFile(data, size);
    if (fd < 0)
        return 0;
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);
    ResourceArchive archive{};
    if (OpenArchive(&archive, path)) {
        uint32_t count = GetEntryCount(&archive);
        for (uint32_t i = 0; i < count && i < kMaxEntries; ++i) {
            // Outside files name the fuzzing machine's own files; leave them.
            if (IsEntryExternal(&archive, i))
                continue;
            uint32_t entrySize = GetEntrySize(&archive, i);
            if (entrySize <= kMaxEntryBytes) {
                std::vector<uint8_t> buffer(entrySize);
                ReadEntry(&archive, buffer.data(), i);
            }
            uint32_t word;
            ReadEntryWord(&archive, i, &word);
            ReadStreamInPieces(&archive, i, static_cast<uint8_t>(i + size));
        }
        CloseArchive(&archive);
    }
    close(fd);
    return 0;
}
