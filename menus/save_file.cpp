#include "menus/save_file.h"

#include <cstring>

#include "engine/bytes.h"

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
