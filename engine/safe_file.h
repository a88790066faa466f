// Saving without losing the old file: write a temporary file in the same
// folder, check every write, then rename it over the old one.
#pragma once

#include <cstddef>

struct SafeFilePart {
    const void* bytes;
    size_t size;
};

// True when every part was written and the file replaced.
bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount);
inline bool WriteFileSafely(const char* path, const void* bytes, size_t size) {
    SafeFilePart part{bytes, size};
    return WriteFileSafely(path, &part, 1);
}
