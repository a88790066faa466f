// Placeholder bodies until the profile and hiscore rules land.
#include "menus/save_file.h"

#include <cstring>

void ResetUserRecord(UserRecord* record) {
    std::memset(record, 0, sizeof(*record));
    record->effectsVolume = 128;
    record->musicVolume = 128;
    record->Difficulty = 1;
}

void InitHiscoreDefaults() {}

void InsertHiscore() {}
