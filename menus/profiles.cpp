// The user profiles and the hiscore table of the save block.
#include <cstdlib>
#include <cstring>

#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "menus/save_file.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr uint32_t kHiscoreNameGroup = 22;
// The default names are cut shorter than a profile name may be.
constexpr uint32_t kDefaultNameUnits = 10;
constexpr int32_t kFirstDefaultScoreWord = 29;

GameWorld* AskForWorld() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

// Item `item` of the name group; an item the group does not hold (or an
// archive without the group) gives an empty name rather than a neighbour.
void LoadDefaultName(uint32_t item, char16_t (&name)[SAVE_NAME_UNITS]) {
    name[0] = 0;
    if (item >= GetGroupSize(&gResourceCatalogue, kHiscoreNameGroup))
        return;
    char16_t* text =
        LoadResourceText(&gResourceCatalogue, kHiscoreNameGroup + RESOURCE_NUMBER_BASE, item);
    if (text == nullptr)
        return;
    WStrCopyN(name, text, kDefaultNameUnits);
    std::free(text);
}

} // namespace

void ResetUserRecord(UserRecord* record) {
    std::memset(record, 0, sizeof(*record));
    record->effectsVolume = 128;
    record->musicVolume = 128;
    record->Difficulty = 1;
}

void InitHiscoreDefaults() {
    if (gSaveBlock.hiscores[0].score != 0)
        return;
    // The default scores are words of the level table: without a world the
    // table stays empty until the next start.
    GameWorld* world = AskForWorld();
    if (world == nullptr)
        return;
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i) {
        HiscoreEntry& entry = gSaveBlock.hiscores[i];
        LoadDefaultName(static_cast<uint32_t>(i), entry.name);
        entry.score = LevelWord(world, kFirstDefaultScoreWord + i);
    }
}

void InsertHiscore() {
    const UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    const int32_t s = user->runningScore;
    HiscoreEntry* table = gSaveBlock.hiscores;
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i) {
        if (WStrCmp(table[i].name, user->name) == 0 && table[i].score < s) {
            table[i].score = s;
            return;
        }
    }
    int32_t lowest = 0;
    for (int32_t i = 1; i < SAVE_HISCORE_COUNT; ++i)
        if (table[i].score < table[lowest].score)
            lowest = i;
    if (s > table[lowest].score) {
        table[lowest].score = s;
        WStrCopyN(table[lowest].name, user->name, SAVE_NAME_UNITS - 1);
    }
}
