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
