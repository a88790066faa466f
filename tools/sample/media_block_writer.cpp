#include "tools/sample/media_block_writer.h"

#include <stdexcept>

#include "engine/archive.h"
#include "engine/bytes.h"

namespace {

// Scripts, descriptors and lists are raw data to the archive.
constexpr uint8_t kDataType = 0;

void PushU16(std::vector<uint8_t>* out, uint16_t value) {
    out->push_back(static_cast<uint8_t>(value));
    out->push_back(static_cast<uint8_t>(value >> 8));
}

void PushI16(std::vector<uint8_t>* out, int16_t value) {
    PushU16(out, static_cast<uint16_t>(value));
}

ArchiveEntrySpec Filler() {
    return PlainEntry(kDataType, {0xF1, 0x11, 0xE4});
}

// Media lives after entry 15, which names the chain.
void ReserveChainEntry(ArchiveBuilder* archive) {
    while (archive->Count() <= kMediaChainEntry)
        archive->AddPlain(kDataType, {});
}

} // namespace

std::vector<uint8_t> EncodeSpriteDescriptor(const SpriteDescriptorSpec& d) {
    if (d.keys.size() > 255)
        throw std::invalid_argument("a descriptor holds at most 255 key records");
    std::vector<uint8_t> out;
    PushI16(&out, d.x);
    PushI16(&out, d.y);
    PushI16(&out, d.mirroredX);
    PushI16(&out, d.mirroredY);
    for (int16_t value : d.b)
        PushI16(&out, value);
    out.push_back(static_cast<uint8_t>(d.keys.size()));
    for (const SpriteKeyRecord& k : d.keys) {
        PushU16(&out, k.key);
        PushU16(&out, k.unused);
        PushI16(&out, k.x);
        PushI16(&out, k.y);
        PushI16(&out, k.width);
        PushI16(&out, k.height);
        PushI16(&out, k.velocityX);
        PushI16(&out, k.velocityY);
    }
    return out;
}

std::vector<uint8_t> EncodeLevelList(int16_t count, const std::vector<LevelListGroup>& groups,
                                     bool endMarker) {
    std::vector<uint8_t> out;
    PushI16(&out, count);
    for (const LevelListGroup& group : groups) {
        PushI16(&out, group.level);
        for (uint16_t index : group.indices)
            PushU16(&out, index);
        PushU16(&out, 0xFFFF);
    }
    if (endMarker)
        PushI16(&out, -1);
    return out;
}

uint32_t MediaBlockWriter::AppendBlock(const MediaBlockSpec& block, MediaBlockLayout* layout) {
    ReserveChainEntry(archive_);
    ArchiveBuilder& archive = *archive_;
    const uint32_t n = static_cast<uint32_t>(block.sprites.size());
    const uint32_t s = static_cast<uint32_t>(block.sounds.size());
    MediaBlockLayout at;
    at.a = archive.Count();
    at.b = at.a + 2 + 2 * n + block.spriteFiller;
    at.c = at.b + 2 + 2 * s + block.soundFiller;
    at.firstImage = at.a + 3;
    at.firstDescriptor = at.a + 3 + n;
    at.firstSound = at.b + 3;

    archive.AddPlain(kDataType, block.scripts);
    if (block.levelSprites)
        archive.AddPlain(kDataType, *block.levelSprites);
    else
        archive.AddLink(0);
    archive.AddNumber(at.b);
    for (const MediaSpriteSpec& sprite : block.sprites)
        archive.AddPlain(sprite.pictureType, sprite.picture);
    for (const MediaSpriteSpec& sprite : block.sprites)
        archive.AddPlain(kDataType, EncodeSpriteDescriptor(sprite.descriptor));
    for (uint32_t i = 0; i < block.spriteFiller; ++i)
        archive.Add(Filler());
    // With no sprites and no filler, entry B is the number entry B itself.
    if (archive.Count() != at.b + 1)
        throw std::logic_error("sprite region does not end at B");
    if (block.levelSounds)
        archive.AddPlain(kDataType, *block.levelSounds);
    else
        archive.AddLink(0);
    archive.AddNumber(at.c);
    for (const MediaSoundSpec& sound : block.sounds)
        archive.AddPlain(sound.type, sound.bytes);
    // The reader counts S = (C - B - 2) / 2: as many entries again follow
    // the sounds, and none of them is read.
    for (uint32_t i = 0; i < s + block.soundFiller; ++i)
        archive.Add(Filler());
    if (archive.Count() != at.c + 1)
        throw std::logic_error("sound region does not end at C");
    if (layout != nullptr)
        *layout = at;
    return at.a;
}

uint32_t MediaBlockWriter::AppendChain(const std::vector<std::map<int32_t, uint32_t>>& parts) {
    ReserveChainEntry(archive_);
    ArchiveBuilder& archive = *archive_;
    const uint32_t d = archive.Count();
    const uint32_t firstTable = d + static_cast<uint32_t>(parts.size());
    for (uint32_t part = 0; part < parts.size(); ++part)
        archive.AddNumber(firstTable + part * kMediaChainTypes);
    for (const std::map<int32_t, uint32_t>& part : parts) {
        for (int32_t type = 1; type <= kMediaChainTypes; ++type) {
            auto found = part.find(type);
            archive.AddNumber(found != part.end() ? found->second : 0);
        }
    }
    archive.Set(kMediaChainEntry, NumberEntry(d));
    return d;
}
