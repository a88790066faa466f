#include "menus/save_file.h"

#include <cstring>

#include "engine/bytes.h"
#include "engine/config.h"

SaveBlock gSaveBlock;

UserRecord* CurrentUserRecord() {
    int32_t index = gSaveBlock.currentUser;
    if (index < 0 || index >= SAVE_USER_COUNT)
        return nullptr;
    return &gSaveBlock.users[index];
}

namespace {

void PackName(const char16_t (&name)[SAVE_NAME_UNITS], uint8_t* out) {
    for (int32_t i = 0; i < SAVE_NAME_UNITS; ++i)
        PutU16LE(out + 2 * i, static_cast<uint16_t>(name[i]));
}

void UnpackName(const uint8_t* in, char16_t (&name)[SAVE_NAME_UNITS]) {
    for (int32_t i = 0; i < SAVE_NAME_UNITS; ++i)
        name[i] = static_cast<char16_t>(GetU16LE(in + 2 * i));
}

void UnpackUser(const uint8_t* at, UserRecord* user) {
    UnpackName(at + USER_OFFSET_NAME, user->name);
    user->runningScore = GetI32LE(at + USER_OFFSET_RUNNING_SCORE);
    for (int32_t i = 0; i < SAVE_LEVEL_SCORES; ++i)
        user->levelScore[i] = GetI32LE(at + USER_OFFSET_LEVEL_SCORES + 4 * i);
    std::memcpy(user->reserved, at + USER_OFFSET_RESERVED, sizeof(user->reserved));
    user->effectsVolume = GetI32LE(at + USER_OFFSET_EFFECTS_VOLUME);
    user->musicVolume = GetI32LE(at + USER_OFFSET_MUSIC_VOLUME);
    user->Difficulty = GetI32LE(at + USER_OFFSET_DIFFICULTY);
    user->introSeen = GetI32LE(at + USER_OFFSET_INTRO_SEEN);
}

} // namespace

void PackSaveBlock(const SaveBlock& block, uint8_t out[SAVE_BLOCK_FILE_SIZE]) {
    for (int32_t u = 0; u < SAVE_USER_COUNT; ++u) {
        const UserRecord& user = block.users[u];
        uint8_t* at = out + SAVE_OFFSET_USERS + u * USER_RECORD_FILE_SIZE;
        PackName(user.name, at + USER_OFFSET_NAME);
        PutI32LE(at + USER_OFFSET_RUNNING_SCORE, user.runningScore);
        for (int32_t i = 0; i < SAVE_LEVEL_SCORES; ++i)
            PutI32LE(at + USER_OFFSET_LEVEL_SCORES + 4 * i, user.levelScore[i]);
        std::memcpy(at + USER_OFFSET_RESERVED, user.reserved, sizeof(user.reserved));
        PutI32LE(at + USER_OFFSET_EFFECTS_VOLUME, user.effectsVolume);
        PutI32LE(at + USER_OFFSET_MUSIC_VOLUME, user.musicVolume);
        PutI32LE(at + USER_OFFSET_DIFFICULTY, user.Difficulty);
        PutI32LE(at + USER_OFFSET_INTRO_SEEN, user.introSeen);
    }
    PutI32LE(out + SAVE_OFFSET_CURRENT_USER, block.currentUser);
    for (int32_t h = 0; h < SAVE_HISCORE_COUNT; ++h) {
        uint8_t* at = out + SAVE_OFFSET_HISCORES + h * HISCORE_ENTRY_FILE_SIZE;
        PackName(block.hiscores[h].name, at + HISCORE_OFFSET_NAME);
        PutI32LE(at + HISCORE_OFFSET_SCORE, block.hiscores[h].score);
    }
    PutI32LE(out + SAVE_OFFSET_NEW_PROFILE, block.newProfile);
}

void UnpackSaveBlock(const uint8_t in[SAVE_BLOCK_FILE_SIZE], SaveBlock* block) {
    for (int32_t u = 0; u < SAVE_USER_COUNT; ++u)
        UnpackUser(in + SAVE_OFFSET_USERS + u * USER_RECORD_FILE_SIZE, &block->users[u]);
    block->currentUser = GetI32LE(in + SAVE_OFFSET_CURRENT_USER);
    for (int32_t h = 0; h < SAVE_HISCORE_COUNT; ++h) {
        const uint8_t* at = in + SAVE_OFFSET_HISCORES + h * HISCORE_ENTRY_FILE_SIZE;
        UnpackName(at + HISCORE_OFFSET_NAME, block->hiscores[h].name);
        block->hiscores[h].score = GetI32LE(at + HISCORE_OFFSET_SCORE);
    }
    block->newProfile = GetI32LE(in + SAVE_OFFSET_NEW_PROFILE);
}

void SanitiseSaveBlock(SaveBlock* block) {
    // A file from elsewhere may hold names without an end; every reader of
    // a name stops at the last unit at the latest.
    for (UserRecord& user : block->users)
        user.name[SAVE_NAME_UNITS - 1] = 0;
    for (HiscoreEntry& entry : block->hiscores)
        entry.name[SAVE_NAME_UNITS - 1] = 0;
    if (block->currentUser < 0 || block->currentUser >= SAVE_USER_COUNT)
        block->currentUser = 0;
}

void ResetSaveBlock(SaveBlock* block) {
    std::memset(block, 0, sizeof(*block));
    for (UserRecord& user : block->users)
        ResetUserRecord(&user);
}

void ReadSaveBlockFile(const char* path) {
    uint8_t bytes[SAVE_BLOCK_FILE_SIZE];
    PackSaveBlock(gSaveBlock, bytes);
    ReadDataFile(path, bytes, SAVE_BLOCK_FILE_SIZE);
    UnpackSaveBlock(bytes, &gSaveBlock);
    SanitiseSaveBlock(&gSaveBlock);
}

int32_t WriteSaveBlockFile(const char* path) {
    uint8_t bytes[SAVE_BLOCK_FILE_SIZE];
    PackSaveBlock(gSaveBlock, bytes);
    return WriteDataFile(path, bytes, SAVE_BLOCK_FILE_SIZE);
}
