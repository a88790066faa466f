// Fuzzes media-set loading: arbitrary scripts entries, sprite descriptors
// and per-level lists, and chain numbers B and C moved off their places,
// through LoadMediaSet, the level sprite steps, the key lookups, the script
// interpreter and freeing.
#include <cstdint>
#include <unistd.h>
#include <vector>

#include "fuzz/quiet_stdout.h"
#include "engine/archive.h"
#include "fuzz/memory_archive.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"
#include "tools/sample/media_block_writer.h"
#include "world/game_world.h"
#include "world/media_set.h"
#include "world/script_engine.h"

namespace {

constexpr int32_t kType = 5;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // A piece of at most 1023 bytes, its length first.
    std::vector<uint8_t> Piece() {
        size_t length = (Byte() | (Byte() << 8)) & 0x3FF;
        if (length > size_ - at_)
            length = size_ - at_;
        std::vector<uint8_t> piece(data_ + at_, data_ + at_ + length);
        at_ += length;
        return piece;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

const std::vector<uint8_t>& Picture() {
    static const std::vector<uint8_t> png = WritePng(MakeTestPicture(PngColour::Rgba, 8, 4, 4, 7));
    return png;
}

bool AllOfType(uint32_t first, int32_t last, bool sounds) {
    for (int32_t i = 0; i <= last; ++i) {
        const uint32_t type = GetEntryType(&gResourceArchive, first + static_cast<uint32_t>(i));
        const bool ok = sounds ? type == 9 || type == 11 || type == 12 : type == 8;
        if (!ok)
            return false;
    }
    return true;
}

void Exercise(GameWorld* world, MediaSet* set, uint8_t keySeed) {
    // Every instruction is read, so a table shorter than its count shows.
    uint32_t sum = 0;
    for (int32_t s = 0; s <= set->lastScript; ++s)
        for (int32_t k = 0; k <= set->scripts[s].last; ++k)
            sum += set->scripts[s].instructions[k].op;
    if (set->lastSprite >= 0 &&
        AllOfType(static_cast<uint32_t>(set->firstImageEntry), set->lastSprite, false)) {
        const int32_t levels = set->levelSprites.count > 0 ? set->levelSprites.count : 1;
        for (int32_t level = -1; level <= levels && level < 64; ++level) {
            world->currentLevel = static_cast<int16_t>(level);
            for (int32_t n = 0; n < 1024 && LoadLevelSprites(world, set, n) == 0; ++n) {
            }
        }
    }
    if (set->lastSound >= 0 &&
        AllOfType(static_cast<uint32_t>(set->firstSoundEntry), set->lastSound, true))
        for (int32_t n = -1; n <= set->lastSound + 1; ++n)
            LoadObjectSound(world, set, n);
    for (int32_t i = 0; i <= set->lastSprite; ++i) {
        const SpriteEntry* sprite = &set->sprites[i];
        const SpriteKeyRecord* record = nullptr;
        for (uint16_t key : {uint16_t(1), uint16_t(4), uint16_t(256), uint16_t(keySeed)}) {
            FindRecordByKey(sprite, key, &record);
            int32_t index = 0;
            while (FindSpriteFrameByKey(sprite, key, &index, &record) == 1)
                sum += static_cast<uint16_t>(record->velocityY);
        }
    }
    // The loaded scripts run as a behaviour would run them: a few starts, a
    // few frames each, with world sounds paused so nothing reaches a mixer.
    // A bad call or goto target ends the program by design; fold it into the
    // set so that the run goes on.
    const int32_t scripts = set->lastScript + 1;
    for (int32_t s = 0; s < scripts; ++s)
        for (int32_t k = 0; k <= set->scripts[s].last; ++k) {
            ScriptInstruction& ins = set->scripts[s].instructions[k];
            const uint8_t op = ins.op & SOP_OPCODE_MASK;
            if (op == SOP_CALL || op == SOP_GOTO)
                ins.a = static_cast<uint16_t>(ins.a % scripts);
        }
    world->soundFlags = WORLD_SOUNDS_PAUSED;
    ScriptActor actor{};
    ResetActor(world, &actor, kType);
    for (int32_t s = 0; s <= set->lastScript && s < 4; ++s) {
        StartScript(world, &actor, s);
        for (int32_t f = 0; f < 16; ++f) {
            ++world->frameCounter;
            RunScript(world, &actor);
        }
        sum += static_cast<uint32_t>(IsScriptDone(world, &actor));
    }
    StopActor(world, &actor);
    world->soundFlags = 0;
    if (sum == 0xFFFFFFFFu)
        std::fputs("", stderr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceDiagnostics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t shape = in.Byte();
    const uint8_t moves = in.Byte();
    const uint8_t keySeed = in.Byte();

    MediaBlockSpec block;
    const int32_t sprites = shape & 7;
    const int32_t sounds = (shape >> 3) & 3;
    block.spriteFiller = (shape >> 7) & 1;
    block.scripts = in.Piece();
    if (shape & 0x20)
        block.levelSprites = in.Piece();
    if (shape & 0x40)
        block.levelSounds = in.Piece();
    for (int32_t i = 0; i < sprites; ++i) {
        MediaSpriteSpec sprite;
        sprite.picture = (keySeed & 0x80) && i == 0 ? in.Piece() : Picture();
        block.sprites.push_back(sprite);
    }
    for (int32_t i = 0; i < sounds; ++i)
        block.sounds.push_back(MediaSoundSpec{{0x4F, 0x67, 0x67, 0x53}, 12});

    ArchiveBuilder builder;
    MediaBlockWriter writer(&builder);
    MediaBlockLayout at;
    writer.AppendBlock(block, &at);
    for (int32_t i = 0; i < sprites; ++i)
        builder.Entry(at.firstDescriptor + static_cast<uint32_t>(i)).data = in.Piece();
    // Chain numbers a few entries off, either way.
    builder.Set(at.a + 2, NumberEntry(at.b + static_cast<uint32_t>((moves & 15) - 4)));
    builder.Set(at.b + 2, NumberEntry(at.c + static_cast<uint32_t>((moves >> 4) - 4)));
    writer.AppendChain({{{kType, at.a}}});

    const int fd = OpenMemoryArchive(builder.Build(), "fuzz_media", &gResourceArchive);
    if (fd < 0)
        return 0;
    static GameWorld* world = NewGameWorld();
    ResetMediaSets(world);
    world->mediaSetsUsed = -1;
    world->mediaPart = 1;
    if (LoadMediaSet(world, kType) == 1) {
        const int32_t index = FindMediaSetIndex(world, kType);
        if (index >= 0)
            Exercise(world, &world->mediaSets[index], keySeed);
    }
    FreeMediaSets(world);
    CloseArchive(&gResourceArchive);
    close(fd);
    return 0;
}
