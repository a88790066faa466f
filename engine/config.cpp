#include "engine/config.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/bytes.h"
#include "engine/safe_file.h"

GameConfig gConfig = {};

int32_t WriteDataFile(const char* path, const void* block, uint32_t n) {
    uint8_t version[4];
    PutU32LE(version, DATA_FILE_VERSION);
    SafeFilePart parts[2] = {{version, sizeof(version)}, {block, n}};
    return WriteFileSafely(path, parts, 2) ? 0 : 1;
}

namespace {

// Sets a file that is not ours aside before the defaults take its place:
// one flipped bit must not erase every profile. The name with ".bad" is the
// first choice; one already there is kept too, and the file gets a name of
// its own beside it. False, having said so, when it cannot be moved: then
// nothing may be written over it.
bool SetForeignFileAside(const char* path, const char* what) {
    std::string aside = std::string(path) + ".bad";
    struct stat info;
    bool moved = lstat(aside.c_str(), &info) != 0 && std::rename(path, aside.c_str()) == 0;
    if (!moved) {
        std::string unique = aside + "-XXXXXX";
        int fd = mkstemp(&unique[0]);
        if (fd >= 0) {
            close(fd);
            moved = std::rename(path, unique.c_str()) == 0;
            if (moved)
                aside = unique;
            else
                std::remove(unique.c_str());
        }
    }
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

} // namespace

int32_t ReadDataFile(const char* path, void* block, uint32_t n) {
    // Never a FIFO or a device: the game would wait on it for ever.
    int fd = OpenRegularFile(path);
    FILE* f = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (fd >= 0 && f == nullptr)
        close(fd);
    uint8_t version[4];
    const size_t got = f != nullptr ? std::fread(version, 1, 4, f) : 0;
    if (got == 4 && GetU32LE(version) == DATA_FILE_VERSION) {
        // A short file leaves the rest of the block as it was.
        size_t read = std::fread(block, 1, n, f);
        (void)read;
        std::fclose(f);
        return 0;
    }
    if (f != nullptr)
        std::fclose(f);
    if (got > 0) {
        char what[64];
        if (got == 4)
            std::snprintf(what, sizeof(what), "has version %u, not %u", GetU32LE(version),
                          DATA_FILE_VERSION);
        else
            std::snprintf(what, sizeof(what), "is too short to hold a version");
        if (!SetForeignFileAside(path, what))
            return 0;
    }
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
