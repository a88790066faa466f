// The level music: a table of (level, item of the music group) pairs and
// the mixer channel reserved for it.
#include <cstdint>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "media/mmplay.h"
#include "world/game_world.h"
#include "world/media_set.h"

namespace {

constexpr uint32_t kMusicTableGroup = 1;
constexpr uint32_t kMusicGroup = 45;
constexpr int32_t kMusicChannel = 0;
constexpr uint32_t kMusicPairBytes = 8;

uint32_t EntryTypeOf(uint32_t group, int32_t item) {
    return GetEntryType(gResourceCatalogue.archive,
                        GetResourceIndex(&gResourceCatalogue, group, item));
}

bool IsMusicItem(int32_t item) {
    if (item < 0 || static_cast<uint32_t>(item) >= GetGroupSize(&gResourceCatalogue, kMusicGroup))
        return false;
    const uint32_t type = EntryTypeOf(kMusicGroup, item);
    return ResourceTypeInClass(type, RES_CLASS_SOUND) != 0;
}

} // namespace

void LoadMusicTable(GameWorld* world) {
    // The table is read into a buffer of its own: the catalogue keeps no
    // size for a loaded item, and an outside file may change size later.
    static uint8_t* table = nullptr;
    world->musicTable = nullptr;
    world->musicTableSize = 0;
    FreeAndNull(&table);
    if (GetGroupSize(&gResourceCatalogue, kMusicTableGroup) == 0)
        return;
    // Only a raw entry is a table: an image or a sound is no byte buffer.
    const uint32_t type = EntryTypeOf(kMusicTableGroup, 0);
    if (ResourceTypeInClass(type, RES_CLASS_IMAGE) || ResourceTypeInClass(type, RES_CLASS_SOUND))
        return;
    const int32_t size =
        LoadRawResource(gResourceCatalogue.archive,
                        GetResourceIndex(&gResourceCatalogue, kMusicTableGroup, 0), &table);
    if (size <= 0)
        return;
    world->musicTable = table;
    world->musicTableSize = static_cast<uint32_t>(size);
}

void PlayLevelMusic(GameWorld* world, int32_t level) {
    int32_t music = 0;
    const uint32_t pairs =
        world->musicTable != nullptr ? world->musicTableSize / kMusicPairBytes : 0;
    for (uint32_t i = 0; i < pairs; ++i) {
        const uint8_t* pair = world->musicTable + i * kMusicPairBytes;
        const int32_t pairLevel = GetI32LE(pair);
        const int32_t item = GetI32LE(pair + 4);
        if (pairLevel == level)
            music = item;
        else
            UnloadResource(&gResourceCatalogue, kMusicGroup, item);
    }
    if (music > 0)
        UnloadResource(&gResourceCatalogue, kMusicGroup, 0);
    if (!IsMusicItem(music))
        return;
    const ResourceHandle handle = GetResource(&gResourceCatalogue, kMusicGroup, music);
    if (handle == 0)
        return;
    gMMplay.Play(kMusicChannel, -1, static_cast<int32_t>(handle), SOUND_IN_MEMORY, 1);
}

void StopMusic() {
    gMMplay.Stop(kMusicChannel);
}
