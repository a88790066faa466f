// Archives the fuzz targets build around their input, opened through a
// memory file so that no run touches the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"

// Opens `bytes` as `archive`; the descriptor to close after CloseArchive,
// or -1 when that fails (nothing is left open then).
inline int OpenMemoryArchive(const std::vector<uint8_t>& bytes, const char* name,
                             ResourceArchive* archive) {
    int fd = memfd_create(name, 0);
    if (fd < 0)
        return -1;
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        close(fd);
        return -1;
    }
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);
    if (!OpenArchive(archive, path)) {
        close(fd);
        return -1;
    }
    return fd;
}
