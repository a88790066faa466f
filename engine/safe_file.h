// Saving without losing the old file: write a temporary file in the same
// folder, check every write, then rename it over the old one. A symbolic
// link is saved through to its target, and the old file's owner and
// permission bits carry over; a file the user made read-only is not saved
// over at all.
#pragma once

#include <cstddef>

struct SafeFilePart {
    const void* bytes;
    size_t size;
};

// True when every part was written and the file replaced. False, with a
// message, for a read-only file, which is left as it was.
bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount);
inline bool WriteFileSafely(const char* path, const void* bytes, size_t size) {
    SafeFilePart part{bytes, size};
    return WriteFileSafely(path, &part, 1);
}
