#include "engine/config.h"

#include <cstdio>
#include <cstring>

#include "engine/bytes.h"
#include "engine/safe_file.h"

GameConfig gConfig = {};

int32_t WriteDataFile(const char* path, const void* block, uint32_t n) {
    uint8_t version[4];
    PutU32LE(version, DATA_FILE_VERSION);
    SafeFilePart parts[2] = {{version, sizeof(version)}, {block, n}};
    return WriteFileSafely(path, parts, 2) ? 0 : 1;
}

int32_t ReadDataFile(const char* path, void* block, uint32_t n) {
    FILE* f = std::fopen(path, "rb");
    uint8_t version[4];
    if (f != nullptr && std::fread(version, 1, 4, f) == 4 &&
        GetU32LE(version) == DATA_FILE_VERSION) {
        // A short file leaves the rest of the block as it was.
        size_t got = std::fread(block, 1, n, f);
        (void)got;
        std::fclose(f);
        return 0;
    }
    if (f != nullptr)
        std::fclose(f);
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
