#include "engine/config.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/bytes.h"
#include "engine/safe_file.h"

GameConfig gConfig = {};

namespace {

// Files the game would not take as its own in this run, by their full
// path (the working folder may change), each with whether a save skipped
// since has said so. Nothing may replace them until they are read as ours.
std::map<std::string, bool> gLeftAsTheyWere;

std::string FullPath(const char* path) {
    if (path[0] == '/')
        return path;
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof(folder)) == nullptr)
        return path;
    return std::string(folder) + "/" + path;
}

void LeaveAsItWas(const char* path) {
    gLeftAsTheyWere.emplace(FullPath(path), false);
}

void TakeAsOurs(const char* path) {
    gLeftAsTheyWere.erase(FullPath(path));
}

// True when `path` is one the game left as it was; the first save skipped
// for it says so.
bool SkipSave(const char* path) {
    const auto found = gLeftAsTheyWere.find(FullPath(path));
    if (found == gLeftAsTheyWere.end())
        return false;
    if (!found->second)
        std::printf("Cannot save %s: the game did not take the file there as its own; it is "
                    "left as it was.\n",
                    path);
    found->second = true;
    return true;
}

// Renames `from` to `to` unless something stands at `to`, in one step, so
// that a file set aside earlier (by another run of the game, even) is
// never replaced. A file system without that rename gets a hard link,
// which fails as well when the name is taken.
bool RenameWithoutReplacing(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (link(from, to) != 0)
        return false;
    if (unlink(from) == 0)
        return true;
    const int error = errno;
    unlink(to);
    errno = error;
    return false;
}

// A name of its own beside `aside`: mkstemp picks one nobody holds, and
// the placeholder it leaves makes way for the file only at the rename,
// which gives up should another take the name in between.
bool SetAsideUnderUniqueName(const char* path, std::string* aside) {
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string unique = *aside + "-XXXXXX";
        const int fd = mkstemp(&unique[0]);
        if (fd < 0)
            return false;
        close(fd);
        std::remove(unique.c_str());
        if (RenameWithoutReplacing(path, unique.c_str())) {
            *aside = unique;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Sets a file that is not ours aside before the defaults take its place:
// one flipped bit must not erase every profile. The name with ".bad" is the
// first choice; one already there is kept too, and the file gets a name of
// its own beside it. False, having said so, when it cannot be moved: then
// nothing may be written over it.
bool SetForeignFileAside(const char* path, const char* what) {
    std::string aside = std::string(path) + ".bad";
    bool moved = RenameWithoutReplacing(path, aside.c_str());
    if (!moved && errno == EEXIST)
        moved = SetAsideUnderUniqueName(path, &aside);
    if (!moved) {
        std::printf("%s %s: it cannot be set aside (%s), so it is left as it was and the "
                    "defaults are not saved\n",
                    path, what, std::strerror(errno));
        return false;
    }
    std::printf("%s %s: it is kept as %s and the defaults take its place\n", path, what,
                aside.c_str());
    return true;
}

enum class FileFound { kNone, kNotRegular, kUnreadable, kRead };

// At most `limit` bytes from the start of the file at `path`, or why there
// are none: no file, something else than a file, or a file that cannot be
// read (errno in *error). Never a FIFO or a device: the game would wait on
// it for ever.
FileFound ReadFileStart(const char* path, size_t limit, std::vector<uint8_t>* bytes, int* error) {
    FILE* f = RegularFileStream(OpenRegularFile(path), "rb");
    if (f == nullptr) {
        *error = errno;
        struct stat info;
        if (*error == ENOENT || *error == ENOTDIR)
            return FileFound::kNone;
        if (stat(path, &info) == 0 && !S_ISREG(info.st_mode))
            return FileFound::kNotRegular;
        return FileFound::kUnreadable;
    }
    bytes->resize(limit);
    errno = 0;
    bytes->resize(std::fread(bytes->data(), 1, limit, f));
    *error = std::ferror(f) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    return *error != 0 ? FileFound::kUnreadable : FileFound::kRead;
}

bool HasOurVersion(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && GetU32LE(bytes.data()) == DATA_FILE_VERSION;
}

// What makes a file of another version not ours, for a message.
std::string WhatIsForeign(const std::vector<uint8_t>& bytes) {
    char what[64];
    if (bytes.size() >= 4)
        std::snprintf(what, sizeof(what), "has version %u, not %u", GetU32LE(bytes.data()),
                      DATA_FILE_VERSION);
    else
        std::snprintf(what, sizeof(what), "is too short to hold a version");
    return what;
}

} // namespace

int32_t WriteDataFile(const char* path, const void* block, uint32_t n) {
    if (SkipSave(path))
        return 1;
    uint8_t version[4];
    PutU32LE(version, DATA_FILE_VERSION);
    SafeFilePart parts[2] = {{version, sizeof(version)}, {block, n}};
    return WriteFileSafely(path, parts, 2) ? 0 : 1;
}

int32_t ReadDataFile(const char* path, void* block, uint32_t n) {
    std::vector<uint8_t> bytes;
    int error = 0;
    const FileFound found = ReadFileStart(path, 4 + static_cast<size_t>(n), &bytes, &error);
    if (found == FileFound::kUnreadable) {
        // Its profiles may be whole: the defaults must not replace them.
        std::printf("%s cannot be read (%s), so it is left as it was and the defaults are not "
                    "saved\n",
                    path, std::strerror(error));
        LeaveAsItWas(path);
        return 0;
    }
    const bool holdsBytes = found == FileFound::kRead && !bytes.empty();
    if (holdsBytes && HasOurVersion(bytes)) {
        // A short file leaves the rest of the block as it was.
        std::copy(bytes.begin() + 4, bytes.end(), static_cast<uint8_t*>(block));
        TakeAsOurs(path);
        return 0;
    }
    if (holdsBytes && !SetForeignFileAside(path, WhatIsForeign(bytes).c_str())) {
        LeaveAsItWas(path);
        return 0;
    }
    TakeAsOurs(path);
    WriteDataFile(path, block, n);
    return 0;
}

void GameConfigToBytes(const GameConfig& c, uint8_t out[GAME_CONFIG_FILE_SIZE]) {
    std::memcpy(out, c.reserved, 20);
    PutI32LE(out + 20, c.screenWidth);
    PutI32LE(out + 24, c.screenHeight);
    PutI32LE(out + 28, c.framesPerSecond);
    PutI32LE(out + 32, c.fullscreen);
    PutI32LE(out + 36, c.reduceTextures);
    PutU16LE(out + 40, c.colour16);
    std::memcpy(out + 42, c.padding, 2);
    PutI32LE(out + 44, c.rendererKind);
    PutI32LE(out + 48, c.editorEnabled);
}

void GameConfigFromBytes(const uint8_t in[GAME_CONFIG_FILE_SIZE], GameConfig* c) {
    std::memcpy(c->reserved, in, 20);
    c->screenWidth = GetI32LE(in + 20);
    c->screenHeight = GetI32LE(in + 24);
    c->framesPerSecond = GetI32LE(in + 28);
    c->fullscreen = GetI32LE(in + 32);
    c->reduceTextures = GetI32LE(in + 36);
    c->colour16 = GetU16LE(in + 40);
    std::memcpy(c->padding, in + 42, 2);
    c->rendererKind = GetI32LE(in + 44);
    c->editorEnabled = GetI32LE(in + 48);
}

int32_t SetDefaultConfig(GameConfig* c) {
    c->screenWidth = 800;
    c->screenHeight = 600;
    c->framesPerSecond = 40;
    c->fullscreen = 1;
    c->reduceTextures = 0;
    c->colour16 = 0;
    c->rendererKind = 1;
    return 0;
}

int32_t LoadConfig(GameConfig* config) {
    SetDefaultConfig(config);
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(*config, bytes);
    ReadDataFile("game.cfg", bytes, GAME_CONFIG_FILE_SIZE);
    GameConfigFromBytes(bytes, config);
    return 0;
}

int32_t SaveConfig(const GameConfig* config) {
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(*config, bytes);
    WriteDataFile("game.cfg", bytes, GAME_CONFIG_FILE_SIZE);
    return 0;
}
