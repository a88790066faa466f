// The configuration block in "game.cfg", and the DataFile form shared with
// "game.sav": a u32 version 10, then the block.
#pragma once

#include <cstdint>

constexpr uint32_t DATA_FILE_VERSION = 10;
constexpr uint32_t GAME_CONFIG_FILE_SIZE = 52;

struct GameConfig {
    uint8_t reserved[20];
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t framesPerSecond;
    int32_t fullscreen;
    int32_t reduceTextures;
    uint16_t colour16;
    uint8_t padding[2];
    int32_t rendererKind;
    int32_t editorEnabled;
};
static_assert(sizeof(GameConfig) == GAME_CONFIG_FILE_SIZE, "GameConfig file form is 52 bytes");

extern GameConfig gConfig;

// 0 on success, 1 on failure. Written through a temporary file, so a failed
// write leaves the previous file whole. A file that ReadDataFile left as it
// was is not written over for the rest of the run: the first save skipped
// says so.
int32_t WriteDataFile(const char* path, const void* block, uint32_t n);
// Always 0. Version 10: reads up to n bytes into block. Anything else: the
// file is rewritten from the block as it stands, after a file with another
// version (or too short for one) has been set aside as "<path>.bad", with a
// line saying so. When it cannot be set aside, or a file there cannot be
// read, it is left as it was, with a line saying so, and not written over.
// Only a regular file is read: a FIFO by that name never makes it wait.
int32_t ReadDataFile(const char* path, void* block, uint32_t n);

void GameConfigToBytes(const GameConfig& config, uint8_t out[GAME_CONFIG_FILE_SIZE]);
void GameConfigFromBytes(const uint8_t in[GAME_CONFIG_FILE_SIZE], GameConfig* config);

int32_t SetDefaultConfig(GameConfig* config);
int32_t LoadConfig(GameConfig* config);
int32_t SaveConfig(const GameConfig* config);
