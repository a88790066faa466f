// Writes object types' media into an archive: one type's block (scripts,
// sprite pictures and descriptors, per-level lists, sounds) and the media
// chain from entry 15 through the media parts to each type's block.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "tools/sample/archive_builder.h"
#include "tools/sample/script_assembler.h"
#include "world/media_set.h"

constexpr uint32_t kMediaChainEntry = 15;
constexpr int32_t kMediaChainTypes = 127; // type ids 1..127 have a chain entry

struct SpriteDescriptorSpec {
    int16_t x = 0, y = 0;
    int16_t mirroredX = 0, mirroredY = 0;
    std::array<int16_t, 8> b{}; // b1 top, b3 bottom, b4 left, b6 right
    std::vector<SpriteKeyRecord> keys;
};

struct MediaSpriteSpec {
    std::vector<uint8_t> picture; // the image entry's bytes, usually a PNG
    uint8_t pictureType = 8;      // archive type of the image entry
    SpriteDescriptorSpec descriptor;
};

struct MediaSoundSpec {
    std::vector<uint8_t> bytes; // an Ogg Vorbis file
    uint8_t type = 12;          // 9, 11 or 12
};

// One group of a per-level list: the level and the sprite or sound indices.
struct LevelListGroup {
    int16_t level = 0;
    std::vector<uint16_t> indices;
};

struct MediaBlockSpec {
    std::vector<uint8_t> scripts; // the scripts entry as stored
    std::vector<MediaSpriteSpec> sprites;
    std::vector<MediaSoundSpec> sounds;
    // Encoded per-level lists; none writes a link entry (no list).
    std::optional<std::vector<uint8_t>> levelSprites;
    std::optional<std::vector<uint8_t>> levelSounds;
    // Entries after the descriptors and after the sound fillers: one makes
    // B - A or C - B odd, which the reader must round down.
    uint32_t spriteFiller = 0;
    uint32_t soundFiller = 0;
};

// Where one block's entries went.
struct MediaBlockLayout {
    uint32_t a = 0; // scripts
    uint32_t b = 0;
    uint32_t c = 0;
    uint32_t firstImage = 0;      // A + 3
    uint32_t firstDescriptor = 0; // A + 3 + N
    uint32_t firstSound = 0;      // B + 3
};

std::vector<uint8_t> EncodeSpriteDescriptor(const SpriteDescriptorSpec& descriptor);
// A per-level list: the count K, each group ended by 0xFFFF, then -1 when
// `endMarker` (without it the list ends with the entry).
std::vector<uint8_t> EncodeLevelList(int16_t count, const std::vector<LevelListGroup>& groups,
                                     bool endMarker = true);

class MediaBlockWriter {
public:
    explicit MediaBlockWriter(ArchiveBuilder* archive) : archive_(archive) {}

    // Appends one type's block at the end of the archive; returns A.
    uint32_t AppendBlock(const MediaBlockSpec& block, MediaBlockLayout* layout = nullptr);

    // Appends the chain for media parts 1, 2, ...: per part one number entry
    // for each type 1..127 (its A, 0 when the part has no media for it),
    // then one entry per part naming its table; entry 15 names that list.
    // Returns D.
    uint32_t AppendChain(const std::vector<std::map<int32_t, uint32_t>>& parts);

private:
    ArchiveBuilder* archive_;
};
