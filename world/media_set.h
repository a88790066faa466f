// Media sets: the scripts, sprites and sounds of one object type.
#pragma once

#include <cstdint>

constexpr int32_t kMediaSetCount = 128;

struct Image;

// One parsed script instruction. For SOP_SET, SOP_ADD and SOP_SUB the bytes
// b, wait, dx, dy are one little-endian immediate instead.
struct ScriptInstruction {
    uint8_t op; // bits 0-4 the opcode, bit 7 the mirror bit
    uint16_t a;
    uint8_t b;
    int8_t wait;
    int8_t dx;
    int8_t dy;

    int32_t Immediate() const {
        return static_cast<int32_t>(static_cast<uint32_t>(b) |
                                    static_cast<uint32_t>(static_cast<uint8_t>(wait)) << 8 |
                                    static_cast<uint32_t>(static_cast<uint8_t>(dx)) << 16 |
                                    static_cast<uint32_t>(static_cast<uint8_t>(dy)) << 24);
    }
};

struct ScriptTableEntry {
    ScriptInstruction* instructions;
    int16_t last; // index of the last instruction; -1 when empty
};

// A 16-byte key record of a sprite descriptor: a point, a box and a
// velocity that the behaviours look up by key.
struct SpriteKeyRecord {
    uint16_t key;
    uint16_t unused;
    int16_t x, y;
    int16_t width, height;
    int16_t velocityX, velocityY;
};

struct SpritePoint {
    int16_t x, y;
};

struct SpriteEntry {
    Image* image; // null until loaded
    int32_t archiveType;
    int16_t x, y, mirroredX, mirroredY;
    SpriteKeyRecord* keys; // owned
    int16_t b[8];          // b1 top, b3 bottom, b4 left, b6 right
    SpritePoint corners[4]; // (b4,b1) (b4,b3) (b6,b3) (b6,b1)
    int16_t lastKey;       // F - 1; -1 when there are none
    uint8_t loadFailed;    // the picture did not decode; not tried again
};

struct SoundEntry {
    uintptr_t handle; // archive entry registered with the player; 0 until loaded
    int32_t archiveType;
};

// A per-level list of sprite or sound indices: the loaded entry and a table
// of K pointers into it, one per level (null: nothing for that level).
struct LevelMediaList {
    uint8_t* entry;
    const uint8_t** levels;
    int16_t count; // K; 0 = no list
    uint32_t entrySize;
};

struct MediaSet {
    SpriteEntry* sprites;
    LevelMediaList levelSprites;
    int32_t lastSprite;     // N - 1; -1 when empty
    int32_t firstImageEntry; // A + 3; 0 when N = 0
    SoundEntry* sounds;
    LevelMediaList levelSounds;
    int32_t lastSound;
    int32_t firstSoundEntry;
    ScriptTableEntry* scripts;
    int16_t spawnX, spawnY;
    int16_t lastScript;
    uint8_t typeId; // 0 = free set
};

struct GameWorld;

// Every set empty (last sprite and last sound -1).
void ResetMediaSets(GameWorld* world);
// 0: type < 1 or already loaded; 1: loaded or the type has no media;
// -1: the scripts or a descriptor cannot be opened.
int32_t LoadMediaSet(GameWorld* world, int32_t type);
int32_t LoadScripts(GameWorld* world, MediaSet* set, uint32_t entry);
int32_t LoadSpriteDescriptor(GameWorld* world, SpriteEntry* sprite, uint32_t entry);
int32_t LoadEntryIndexList(GameWorld* world, LevelMediaList* list, uint32_t entry);
// Each answers 1 when n is the set's last sprite or sound (or beyond).
int32_t LoadObjectSprite(GameWorld* world, MediaSet* set, int32_t n);
int32_t LoadObjectSound(GameWorld* world, MediaSet* set, int32_t n);
int32_t LoadLevelSprites(GameWorld* world, MediaSet* set, int32_t n);
void FreeMediaSet(MediaSet* set);
void FreeMediaSets(GameWorld* world);
// Index of the type's loaded set; prints "Media FOR OBJECT %d NOT LOADED !!!!!"
// and ends the program through FatalExit when there is none.
int32_t FindMediaSet(GameWorld* world, int32_t type);
// Index of the type's set in world->mediaSets, -1 when none is loaded.
int32_t FindMediaSetIndex(const GameWorld* world, int32_t type);

// Key records of a sprite: from *index on, the first whose key matches;
// 1 and *index one past it when found, else 0.
int32_t FindSpriteFrameByKey(const SpriteEntry* sprite, uint16_t key, int32_t* index,
                             const SpriteKeyRecord** record);
// From index 0: the found index plus one, or -1.
int32_t FindRecordByKey(const SpriteEntry* sprite, uint16_t key, const SpriteKeyRecord** record);

// Level music: resource (1, 0) pairs of (level, item of group 45), played on
// mixer channel 0.
void LoadMusicTable(GameWorld* world);
void PlayLevelMusic(GameWorld* world, int32_t level);
void StopMusic();
