#include "engine/safe_file.h"

#include <cstdio>
#include <string>
#include <unistd.h>

bool WriteFileSafely(const char* path, const SafeFilePart* parts, size_t partCount) {
    std::string temp = std::string(path) + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = true;
    long expected = 0;
    for (size_t i = 0; i < partCount && ok; ++i) {
        if (parts[i].size > 0)
            ok = std::fwrite(parts[i].bytes, 1, parts[i].size, f) == parts[i].size;
        expected += static_cast<long>(parts[i].size);
    }
    ok = ok && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    ok = ok && std::ftell(f) == expected;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}
