// The save block of "game.sav": three user profiles, the current profile,
// the hiscore table and the new-profile flag. The structs hold the block in
// memory; the file form is written field by field at the offsets below.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t SAVE_USER_COUNT = 3;
constexpr int32_t SAVE_HISCORE_COUNT = 10;
constexpr int32_t SAVE_NAME_UNITS = 12;
constexpr int32_t SAVE_LEVEL_SCORES = 8;

// Sizes of the file forms.
constexpr uint32_t USER_RECORD_FILE_SIZE = 172;
constexpr uint32_t HISCORE_ENTRY_FILE_SIZE = 28;
constexpr uint32_t SAVE_BLOCK_FILE_SIZE = 804;

// Field offsets inside a UserRecord's file form.
constexpr uint32_t USER_OFFSET_NAME = 0;
constexpr uint32_t USER_OFFSET_RUNNING_SCORE = 24;
constexpr uint32_t USER_OFFSET_LEVEL_SCORES = 28;
constexpr uint32_t USER_OFFSET_RESERVED = 60;
constexpr uint32_t USER_OFFSET_EFFECTS_VOLUME = 156;
constexpr uint32_t USER_OFFSET_MUSIC_VOLUME = 160;
constexpr uint32_t USER_OFFSET_DIFFICULTY = 164;
constexpr uint32_t USER_OFFSET_INTRO_SEEN = 168;

// Field offsets inside a HiscoreEntry's file form.
constexpr uint32_t HISCORE_OFFSET_NAME = 0;
constexpr uint32_t HISCORE_OFFSET_SCORE = 24;

// Field offsets inside the SaveBlock's file form.
constexpr uint32_t SAVE_OFFSET_USERS = 0;
constexpr uint32_t SAVE_OFFSET_CURRENT_USER = 516;
constexpr uint32_t SAVE_OFFSET_HISCORES = 520;
constexpr uint32_t SAVE_OFFSET_NEW_PROFILE = 800;

struct UserRecord {
    char16_t name[SAVE_NAME_UNITS]; // at most 11 characters and a terminator
    int32_t runningScore;
    int32_t levelScore[SAVE_LEVEL_SCORES];
    uint8_t reserved[96];
    int32_t effectsVolume; // 0..128
    int32_t musicVolume;   // 0..128
    int32_t Difficulty;    // the three-step option, 0..2
    int32_t introSeen;
};
static_assert(sizeof(UserRecord) == USER_RECORD_FILE_SIZE, "UserRecord file form is 172 bytes");
static_assert(offsetof(UserRecord, runningScore) == USER_OFFSET_RUNNING_SCORE, "layout");
static_assert(offsetof(UserRecord, levelScore) == USER_OFFSET_LEVEL_SCORES, "layout");
static_assert(offsetof(UserRecord, reserved) == USER_OFFSET_RESERVED, "layout");
static_assert(offsetof(UserRecord, effectsVolume) == USER_OFFSET_EFFECTS_VOLUME, "layout");
static_assert(offsetof(UserRecord, musicVolume) == USER_OFFSET_MUSIC_VOLUME, "layout");
static_assert(offsetof(UserRecord, Difficulty) == USER_OFFSET_DIFFICULTY, "layout");
static_assert(offsetof(UserRecord, introSeen) == USER_OFFSET_INTRO_SEEN, "layout");

struct HiscoreEntry {
    char16_t name[SAVE_NAME_UNITS];
    int32_t score;
};
static_assert(sizeof(HiscoreEntry) == HISCORE_ENTRY_FILE_SIZE, "HiscoreEntry is 28 bytes");

struct SaveBlock {
    UserRecord users[SAVE_USER_COUNT];
    int32_t currentUser; // 0..2; anything else comes only from a foreign file
    HiscoreEntry hiscores[SAVE_HISCORE_COUNT];
    int32_t newProfile;
};
static_assert(sizeof(SaveBlock) == SAVE_BLOCK_FILE_SIZE, "SaveBlock file form is 804 bytes");
static_assert(offsetof(SaveBlock, currentUser) == SAVE_OFFSET_CURRENT_USER, "layout");
static_assert(offsetof(SaveBlock, hiscores) == SAVE_OFFSET_HISCORES, "layout");
static_assert(offsetof(SaveBlock, newProfile) == SAVE_OFFSET_NEW_PROFILE, "layout");

extern SaveBlock gSaveBlock;

// The current user's record, or null when the index is out of range.
UserRecord* CurrentUserRecord();

// The file form of the block, field by field, little-endian.
void PackSaveBlock(const SaveBlock& block, uint8_t out[SAVE_BLOCK_FILE_SIZE]);
void UnpackSaveBlock(const uint8_t in[SAVE_BLOCK_FILE_SIZE], SaveBlock* block);
// Makes a loaded block safe to use: every name ends at its last unit and the
// current user index names a profile. Everything else stays as loaded.
void SanitiseSaveBlock(SaveBlock* block);

constexpr const char* SAVE_FILE_NAME = "game.sav";

// The block before a load: all zero, the three profiles reset.
void ResetSaveBlock(SaveBlock* block);
// Reads the file over gSaveBlock, then sanitises it. A version-10 file
// replaces as much of the block as it holds; a missing, tiny or foreign file
// is written back at once from the block as it stands.
void ReadSaveBlockFile(const char* path);
// Writes gSaveBlock through the safe-save path: 0, or 1 when it failed.
int32_t WriteSaveBlockFile(const char* path);

// Profiles and hiscores.
// Zeroes the record, then volumes 128 and 128 and the option 1.
void ResetUserRecord(UserRecord* record);
// The default names and scores when the table is empty.
void InitHiscoreDefaults();
// The current user's running score into the table (the main menu opens).
void InsertHiscore();
