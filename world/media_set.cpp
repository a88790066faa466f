// Media sets: one object type's scripts, sprites and sounds, read through
// the archive's media chain and loaded lazily.
#include "world/media_set.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "world/game_world.h"

namespace {

constexpr uint32_t kMediaChainRoot = 15;
constexpr uint32_t kScriptHeaderBytes = 5;
constexpr uint32_t kInstructionBytes = 7;
constexpr uint32_t kDescriptorFixedBytes = 25;
constexpr uint32_t kKeyRecordBytes = 16;
constexpr uint16_t kListSeparator = 0xFFFF;

void EmptyList(LevelMediaList* list) {
    *list = LevelMediaList{};
}

void FreeList(LevelMediaList* list) {
    FreeAndNull(&list->entry);
    FreeAndNull(&list->levels);
    EmptyList(list);
}

void EmptySet(MediaSet* set) {
    *set = MediaSet{};
    set->lastSprite = -1;
    set->lastSound = -1;
    set->lastScript = -1;
}

void FreeScriptTable(ScriptTableEntry* table, int32_t count) {
    if (table == nullptr)
        return;
    for (int32_t i = 0; i < count; ++i)
        std::free(table[i].instructions);
    std::free(table);
}

// A chain entry read as a number; false (with a diagnostic) when the index
// lies outside the archive or the entry is not a number entry.
bool ReadChainNumber(int64_t index, int32_t type, uint32_t* value) {
    const int64_t count = GetEntryCount(&gResourceArchive);
    if (index >= 0 && index < count &&
        ReadEntryWord(&gResourceArchive, static_cast<uint32_t>(index), value) != 0)
        return true;
    std::printf("Media of object %d: entry %lld is not a number entry\n", type,
                static_cast<long long>(index));
    return false;
}

bool ReadFully(ResourceStream* stream, void* buffer, uint32_t n) {
    return ReadResourceStream(stream, buffer, static_cast<int32_t>(n)) == n;
}

bool IsSoundType(uint32_t type) {
    return type == RES_TYPE_SOUND_PREDECODED || type == RES_TYPE_SOUND_STREAMED ||
           type == RES_TYPE_SOUND_IN_MEMORY;
}

// The words of a group from `start` up to its separator; false when the
// entry ends first.
bool FindSeparator(const uint8_t* bytes, uint32_t size, uint32_t start, uint32_t* separator) {
    for (uint32_t at = start; at + 2 <= size; at += 2) {
        if (GetU16LE(bytes + at) == kListSeparator) {
            *separator = at;
            return true;
        }
    }
    return false;
}

} // namespace

// ---- sets ------------------------------------------------------------------

void ResetMediaSets(GameWorld* world) {
    for (MediaSet& set : world->mediaSets)
        EmptySet(&set);
}

int32_t FindMediaSetIndex(const GameWorld* world, int32_t type) {
    if (type < 1)
        return -1;
    const int32_t last =
        world->mediaSetsUsed < kMediaSetCount ? world->mediaSetsUsed : kMediaSetCount - 1;
    for (int32_t i = 0; i <= last; ++i)
        if (world->mediaSets[i].typeId == type)
            return i;
    return -1;
}

int32_t FindMediaSet(GameWorld* world, int32_t type) {
    const int32_t index = FindMediaSetIndex(world, type);
    if (index < 0) {
        std::printf("Media FOR OBJECT %d NOT LOADED !!!!!", type);
        FatalExit();
    }
    return index;
}

int32_t LoadMediaSet(GameWorld* world, int32_t type) {
    // A set's type id is one byte.
    if (type < 1 || type > 255 || FindMediaSetIndex(world, type) >= 0)
        return 0;

    uint32_t d = 0;
    uint32_t p = 0;
    uint32_t a = 0;
    if (!ReadChainNumber(kMediaChainRoot, type, &d) ||
        !ReadChainNumber(int64_t{d} + world->mediaPart - 1, type, &p) ||
        !ReadChainNumber(int64_t{p} + type - 1, type, &a))
        return -1;
    if (a == 0)
        return 1;

    int32_t index = -1;
    const int32_t last =
        world->mediaSetsUsed < kMediaSetCount ? world->mediaSetsUsed : kMediaSetCount - 1;
    for (int32_t i = 0; i <= last && index < 0; ++i)
        if (world->mediaSets[i].typeId == 0)
            index = i;
    if (index < 0) {
        if (last + 1 >= kMediaSetCount) {
            char text[96];
            std::snprintf(text, sizeof(text), "No free media set for object %d\n", type);
            FatalMessage(text);
        }
        index = last + 1;
        world->mediaSetsUsed = static_cast<int16_t>(index);
    }
    MediaSet* set = &world->mediaSets[index];
    EmptySet(set);
    set->typeId = static_cast<uint8_t>(type);

    // A set that fails part-way is freed: nobody may find it half loaded.
    auto fail = [set]() {
        FreeMediaSet(set);
        return -1;
    };

    if (LoadScripts(world, set, a) != 0)
        return fail();

    const int64_t entryCount = GetEntryCount(&gResourceArchive);
    uint32_t b = 0;
    if (!ReadChainNumber(int64_t{a} + 2, type, &b))
        return fail();
    // N sprites need 2N entries after A + 2, all inside the archive.
    const int64_t n = (int64_t{b} - a - 2) / 2;
    if (int64_t{b} < int64_t{a} + 2 || int64_t{a} + 2 + 2 * n >= entryCount ||
        int64_t{b} + 2 >= entryCount || int64_t{b} + 3 > INT32_MAX ||
        n * static_cast<int64_t>(sizeof(SpriteEntry)) > INT32_MAX) {
        std::printf("Media of object %d: sprite block %u..%u does not fit the archive\n", type, a,
                    b);
        return fail();
    }
    LoadEntryIndexList(world, &set->levelSprites, a + 1);
    LoadEntryIndexList(world, &set->levelSounds, b + 1);

    if (n > 0) {
        set->sprites = static_cast<SpriteEntry*>(
            ZAlloc(static_cast<int32_t>(n * static_cast<int64_t>(sizeof(SpriteEntry)))));
        for (int64_t i = 0; i < n; ++i)
            set->sprites[i].lastKey = -1;
        set->lastSprite = static_cast<int32_t>(n - 1);
        set->firstImageEntry = static_cast<int32_t>(a + 3);
        for (int64_t i = 0; i < n; ++i)
            if (LoadSpriteDescriptor(world, &set->sprites[i],
                                     static_cast<uint32_t>(a + 3 + n + i)) != 0)
                return fail();
    }

    uint32_t c = 0;
    if (!ReadChainNumber(int64_t{b} + 2, type, &c))
        return fail();
    const int64_t s = (int64_t{c} - b - 2) / 2;
    if (int64_t{c} < int64_t{b} + 2 || int64_t{b} + 2 + s >= entryCount ||
        s * static_cast<int64_t>(sizeof(SoundEntry)) > INT32_MAX) {
        std::printf("Media of object %d: sound block %u..%u does not fit the archive\n", type, b,
                    c);
        return fail();
    }
    if (s > 0) {
        set->sounds = static_cast<SoundEntry*>(
            ZAlloc(static_cast<int32_t>(s * static_cast<int64_t>(sizeof(SoundEntry)))));
        set->lastSound = static_cast<int32_t>(s - 1);
        set->firstSoundEntry = static_cast<int32_t>(b + 3);
    }
    return 1;
}

void FreeMediaSet(MediaSet* set) {
    if (set == nullptr || set->typeId == 0)
        return;
    for (int32_t i = 0; set->sprites != nullptr && i <= set->lastSprite; ++i) {
        SpriteEntry& sprite = set->sprites[i];
        ResourceHandle handle = reinterpret_cast<ResourceHandle>(sprite.image);
        FreeResourceByType(&handle, static_cast<uint32_t>(sprite.archiveType));
        sprite.image = nullptr;
        FreeAndNull(&sprite.keys);
    }
    for (int32_t i = 0; set->sounds != nullptr && i <= set->lastSound; ++i)
        FreeResourceByType(&set->sounds[i].handle,
                           static_cast<uint32_t>(set->sounds[i].archiveType));
    FreeAndNull(&set->sprites);
    FreeAndNull(&set->sounds);
    FreeList(&set->levelSprites);
    FreeList(&set->levelSounds);
    FreeScriptTable(set->scripts, set->lastScript + 1);
    EmptySet(set);
}

void FreeMediaSets(GameWorld* world) {
    const int32_t last =
        world->mediaSetsUsed < kMediaSetCount ? world->mediaSetsUsed : kMediaSetCount - 1;
    for (int32_t i = 0; i <= last; ++i)
        FreeMediaSet(&world->mediaSets[i]);
    world->mediaSetsUsed = -1;
}

// ---- scripts, descriptors and per-level lists ---------------------------------

int32_t LoadScripts(GameWorld* /*world*/, MediaSet* set, uint32_t entry) {
    ResourceStream stream;
    if (!OpenResourceStream(&gResourceArchive, &stream, entry)) {
        std::printf("Scripts entry %u cannot be opened\n", entry);
        return -1;
    }
    uint8_t header[kScriptHeaderBytes];
    ScriptTableEntry* table = nullptr;
    int32_t count = 0;
    bool ok = ReadFully(&stream, header, kScriptHeaderBytes);
    if (ok) {
        count = header[4];
        if (count > 0)
            table = static_cast<ScriptTableEntry*>(
                ZAlloc(count * static_cast<int32_t>(sizeof(ScriptTableEntry))));
    }
    for (int32_t i = 0; ok && i < count; ++i) {
        uint8_t m = 0;
        uint8_t bytes[255 * kInstructionBytes];
        ok = ReadFully(&stream, &m, 1) && ReadFully(&stream, bytes, m * kInstructionBytes);
        table[i].last = static_cast<int16_t>(m - 1);
        if (!ok || m == 0)
            continue;
        auto* code = static_cast<ScriptInstruction*>(
            ZAlloc(m * static_cast<int32_t>(sizeof(ScriptInstruction))));
        for (uint32_t k = 0; k < m; ++k) {
            const uint8_t* raw = bytes + k * kInstructionBytes;
            code[k].op = raw[0];
            code[k].a = GetU16LE(raw + 1);
            code[k].b = raw[3];
            code[k].wait = static_cast<int8_t>(raw[4]);
            code[k].dx = static_cast<int8_t>(raw[5]);
            code[k].dy = static_cast<int8_t>(raw[6]);
        }
        table[i].instructions = code;
    }
    CloseResourceStream(&stream);
    if (!ok) {
        std::printf("Scripts entry %u is cut short\n", entry);
        FreeScriptTable(table, count);
        return -1;
    }
    FreeScriptTable(set->scripts, set->lastScript + 1);
    set->scripts = table;
    set->lastScript = static_cast<int16_t>(count - 1);
    set->spawnX = GetI16LE(header);
    set->spawnY = GetI16LE(header + 2);
    return 0;
}

int32_t LoadSpriteDescriptor(GameWorld* /*world*/, SpriteEntry* sprite, uint32_t entry) {
    ResourceStream stream;
    if (!OpenResourceStream(&gResourceArchive, &stream, entry)) {
        std::printf("Sprite descriptor %u cannot be opened\n", entry);
        return -1;
    }
    uint8_t fixed[kDescriptorFixedBytes];
    bool ok = ReadFully(&stream, fixed, kDescriptorFixedBytes);
    const uint32_t f = ok ? fixed[24] : 0;
    SpriteKeyRecord* keys = nullptr;
    if (ok && f > 0) {
        uint8_t raw[255 * kKeyRecordBytes];
        ok = ReadFully(&stream, raw, f * kKeyRecordBytes);
        if (ok) {
            keys = static_cast<SpriteKeyRecord*>(
                ZAlloc(static_cast<int32_t>(f * sizeof(SpriteKeyRecord))));
            for (uint32_t k = 0; k < f; ++k) {
                const uint8_t* r = raw + k * kKeyRecordBytes;
                keys[k].key = GetU16LE(r);
                keys[k].unused = GetU16LE(r + 2);
                keys[k].x = GetI16LE(r + 4);
                keys[k].y = GetI16LE(r + 6);
                keys[k].width = GetI16LE(r + 8);
                keys[k].height = GetI16LE(r + 10);
                keys[k].velocityX = GetI16LE(r + 12);
                keys[k].velocityY = GetI16LE(r + 14);
            }
        }
    }
    CloseResourceStream(&stream);
    if (!ok) {
        std::printf("Sprite descriptor %u is cut short\n", entry);
        return -1;
    }
    sprite->x = GetI16LE(fixed);
    sprite->y = GetI16LE(fixed + 2);
    sprite->mirroredX = GetI16LE(fixed + 4);
    sprite->mirroredY = GetI16LE(fixed + 6);
    for (int k = 0; k < 8; ++k)
        sprite->b[k] = GetI16LE(fixed + 8 + 2 * k);
    sprite->corners[0] = {sprite->b[4], sprite->b[1]};
    sprite->corners[1] = {sprite->b[4], sprite->b[3]};
    sprite->corners[2] = {sprite->b[6], sprite->b[3]};
    sprite->corners[3] = {sprite->b[6], sprite->b[1]};
    FreeAndNull(&sprite->keys);
    sprite->keys = keys;
    sprite->lastKey = static_cast<int16_t>(static_cast<int32_t>(f) - 1);
    return 0;
}

int32_t LoadEntryIndexList(GameWorld* /*world*/, LevelMediaList* list, uint32_t entry) {
    FreeList(list);
    if (GetEntryType(&gResourceArchive, entry) == RES_TYPE_LINK)
        return -1;
    uint8_t* bytes = nullptr;
    const int32_t read = LoadRawResource(&gResourceArchive, entry, &bytes);
    const uint32_t size = read > 0 ? static_cast<uint32_t>(read) : 0;
    const int32_t count = size >= 2 ? GetI16LE(bytes) : 0;
    if (count <= 0) {
        // Without a usable count every sprite is loaded in order, as for a
        // type with no list.
        if (size < 2 || count < 0)
            std::printf("Level list %u has no usable count\n", entry);
        std::free(bytes);
        return -1;
    }
    list->entry = bytes;
    list->entrySize = size;
    list->count = static_cast<int16_t>(count);
    list->levels =
        static_cast<const uint8_t**>(ZAlloc(count * static_cast<int32_t>(sizeof(const uint8_t*))));
    uint32_t at = 2;
    while (at + 2 <= size) {
        const int32_t level = GetI16LE(bytes + at);
        if (level < 0)
            break;
        uint32_t separator = 0;
        if (!FindSeparator(bytes, size, at + 2, &separator)) {
            std::printf("Level list %u: the group of level %d has no end\n", entry, level);
            break;
        }
        if (level >= count)
            std::printf("Level list %u: level %d is not below %d\n", entry, level, count);
        else
            list->levels[level] = bytes + at + 2;
        at = separator + 2;
    }
    return 1;
}

// ---- sprites and sounds ----------------------------------------------------------

namespace {

int32_t LoadSpriteOrDie(GameWorld* /*world*/, MediaSet* set, int32_t n) {
    SpriteEntry& sprite = set->sprites[n];
    if (sprite.image != nullptr || sprite.loadFailed != 0)
        return 0;
    const uint32_t entry = static_cast<uint32_t>(set->firstImageEntry + n);
    const uint32_t type = GetEntryType(&gResourceArchive, entry);
    if (type != RES_TYPE_PNG) {
        std::printf("Err need %d loaded StartID %d+%d obj %d ObjID %d\n",
                    static_cast<int>(RES_TYPE_PNG), static_cast<int>(type), set->firstImageEntry, n,
                    set->typeId);
        FatalMessage("For SPRITE loaded another object \n");
    }
    ResourceHandle handle = 0;
    uint32_t loadedType = 0;
    if (LoadResourceByType(&gResourceArchive, entry, &handle, &loadedType) < 0 || handle == 0) {
        // A picture that does not decode would be decoded again at every use.
        std::printf("Sprite %d of object %d does not decode\n", n, set->typeId);
        sprite.loadFailed = 1;
    }
    sprite.image = HandleAs<Image>(handle);
    sprite.archiveType = static_cast<int32_t>(loadedType);
    return 0;
}

} // namespace

int32_t LoadObjectSprite(GameWorld* world, MediaSet* set, int32_t n) {
    if (set == nullptr || set->sprites == nullptr || n < 0 || n > set->lastSprite)
        return 1;
    LoadSpriteOrDie(world, set, n);
    return n >= set->lastSprite ? 1 : 0;
}

int32_t LoadObjectSound(GameWorld* /*world*/, MediaSet* set, int32_t n) {
    if (set == nullptr || set->sounds == nullptr || n < 0 || n > set->lastSound)
        return 1;
    SoundEntry& sound = set->sounds[n];
    if (sound.handle == 0) {
        const uint32_t entry = static_cast<uint32_t>(set->firstSoundEntry + n);
        const uint32_t type = GetEntryType(&gResourceArchive, entry);
        if (!IsSoundType(type)) {
            std::printf("Err need %d loaded %d obj %d ObjID %d\n",
                        static_cast<int>(RES_TYPE_SOUND_IN_MEMORY), static_cast<int>(type),
                        static_cast<int>(entry), set->typeId);
            FatalMessage("For SOUND loaded another object \n");
        }
        uint32_t loadedType = 0;
        LoadResourceByType(&gResourceArchive, entry, &sound.handle, &loadedType);
        sound.archiveType = static_cast<int32_t>(loadedType);
    }
    return n >= set->lastSound ? 1 : 0;
}

int32_t LoadLevelSprites(GameWorld* world, MediaSet* set, int32_t n) {
    if (set == nullptr)
        return 1;
    const LevelMediaList& list = set->levelSprites;
    if (list.count <= 0)
        return LoadObjectSprite(world, set, n);
    const int32_t level = world->currentLevel;
    if (n < 0 || level < 0 || level >= list.count || list.levels[level] == nullptr)
        return 1;
    // The group was checked to end in a separator inside the entry.
    const uint8_t* group = list.levels[level];
    for (int32_t k = 0; k < n; ++k)
        if (GetU16LE(group + 2 * k) == kListSeparator)
            return 1;
    const uint16_t index = GetU16LE(group + 2 * n);
    if (index == kListSeparator)
        return 1;
    if (index > set->lastSprite)
        std::printf("Level list of object %d names sprite %u of %d\n", set->typeId, index,
                    set->lastSprite + 1);
    else
        LoadObjectSprite(world, set, index);
    return 0;
}

// ---- key records ------------------------------------------------------------------

int32_t FindSpriteFrameByKey(const SpriteEntry* sprite, uint16_t key, int32_t* index,
                             const SpriteKeyRecord** record) {
    if (record != nullptr)
        *record = nullptr;
    if (sprite == nullptr || sprite->keys == nullptr || index == nullptr)
        return 0;
    for (int32_t i = *index < 0 ? 0 : *index; i <= sprite->lastKey; ++i) {
        if (sprite->keys[i].key == key) {
            if (record != nullptr)
                *record = &sprite->keys[i];
            *index = i + 1;
            return 1;
        }
    }
    return 0;
}

int32_t FindRecordByKey(const SpriteEntry* sprite, uint16_t key, const SpriteKeyRecord** record) {
    int32_t index = 0;
    return FindSpriteFrameByKey(sprite, key, &index, record) != 0 ? index : -1;
}
