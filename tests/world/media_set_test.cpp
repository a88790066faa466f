// Media sets: the chain through the media parts, block counts, result
// codes, scripts and descriptors, per-level lists and sprite loading, the
// fatal reports, and the level music.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "graphics/image.h"
#include "media/mmplay.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/media_block_writer.h"
#include "world/game_world.h"
#include "world/media_set.h"

namespace {

using media_test::GameArchive;
using media_test::MakeWorld;
using media_test::SmallPng;
using media_test::WorldPtr;

ScriptInstruction Op(uint8_t op, uint16_t a, uint8_t b, int8_t wait, int8_t dx, int8_t dy) {
    return ScriptInstruction{op, a, b, wait, dx, dy};
}

// Sprite i has its own offsets, so a descriptor read from the wrong entry
// shows.
MediaSpriteSpec Sprite(int32_t i) {
    MediaSpriteSpec sprite;
    sprite.picture = SmallPng(4, static_cast<uint32_t>(i + 1));
    sprite.descriptor.x = static_cast<int16_t>(100 + i);
    sprite.descriptor.y = static_cast<int16_t>(-100 - i);
    return sprite;
}

MediaBlockSpec Block(int32_t sprites, int32_t sounds, int16_t spawnX = 0) {
    MediaBlockSpec block;
    block.scripts = EncodeMediaScripts(spawnX, 0, {{Op(0, 0, 0, 1, 0, 0)}});
    for (int32_t i = 0; i < sprites; ++i)
        block.sprites.push_back(Sprite(i));
    for (int32_t i = 0; i < sounds; ++i)
        block.sounds.push_back(MediaSoundSpec{{0x4F, 0x67, 0x67, 0x53}, 12});
    return block;
}

class MediaSetTest : public testing::Test {
protected:
    // One block per type, all in media part 1.
    void OpenBlocks(const std::map<int32_t, MediaBlockSpec>& blocks) {
        MediaBlockWriter writer(&builder_);
        std::map<int32_t, uint32_t> part;
        for (const auto& [type, block] : blocks)
            part[type] = writer.AppendBlock(block, &layouts_[type]);
        writer.AppendChain({part});
        ASSERT_TRUE(archive_.Open(builder_, false, false));
    }
    MediaSet* SetOf(int32_t type) {
        const int32_t index = FindMediaSetIndex(world_.get(), type);
        return index >= 0 ? &world_->mediaSets[index] : nullptr;
    }

    ArchiveBuilder builder_;
    std::map<int32_t, MediaBlockLayout> layouts_;
    GameArchive archive_;
    WorldPtr world_ = MakeWorld();
};

TEST_F(MediaSetTest, TheChainResolvesThroughEachMediaPart) {
    MediaBlockWriter writer(&builder_);
    MediaBlockLayout first, second;
    const uint32_t a1 = writer.AppendBlock(Block(2, 1, 7), &first);
    const uint32_t a2 = writer.AppendBlock(Block(3, 0, -20), &second);
    writer.AppendChain({{{5, a1}, {9, a1}}, {{5, a2}}});
    ASSERT_TRUE(archive_.Open(builder_, false, false));

    struct Case {
        int16_t part;
        int16_t spawnX;
        int32_t lastSprite, firstImage, lastSound, firstSound;
        int32_t type9Sets; // sets in use after loading type 9 too
    } cases[] = {
        {1, 7, 1, int32_t(first.a + 3), 0, int32_t(first.b + 3), 1},
        {2, -20, 2, int32_t(second.a + 3), -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        WorldPtr world = MakeWorld();
        world->mediaPart = c.part;
        ASSERT_EQ(LoadMediaSet(world.get(), 5), 1);
        const int32_t index = FindMediaSet(world.get(), 5);
        ASSERT_EQ(index, 0);
        const MediaSet& set = world->mediaSets[index];
        EXPECT_EQ(set.typeId, 5);
        EXPECT_EQ(set.spawnX, c.spawnX);
        EXPECT_EQ(set.lastSprite, c.lastSprite);
        EXPECT_EQ(set.firstImageEntry, c.firstImage);
        EXPECT_EQ(set.lastSound, c.lastSound);
        EXPECT_EQ(set.firstSoundEntry, c.firstSound);
        // Type 9 has media in part 1 only; without media nothing is taken.
        EXPECT_EQ(LoadMediaSet(world.get(), 9), 1);
        EXPECT_EQ(world->mediaSetsUsed + 1, 1 + c.type9Sets);
        EXPECT_EQ(FindMediaSetIndex(world.get(), 9), c.type9Sets ? 1 : -1);
    }
}

TEST_F(MediaSetTest, ATypeWithoutMediaIsFatalToFind) {
    OpenBlocks({{5, Block(1, 0)}});
    EXPECT_EQ(LoadMediaSet(world_.get(), 9), 1);
    EXPECT_EQ(world_->mediaSetsUsed, -1);
    EXPECT_MEDIA_FATAL(FindMediaSet(world_.get(), 9), "Media FOR OBJECT 9 NOT LOADED !!!!!");
}

TEST_F(MediaSetTest, CountsAndFirstEntriesFollowTheChainNumbers) {
    struct Case {
        int32_t sprites, sounds;
        uint32_t spriteFiller, soundFiller;
    } cases[] = {{0, 0, 0, 0}, {3, 2, 0, 0}, {3, 2, 1, 1},
                 {0, 1, 1, 0}, {1, 0, 0, 1}, {2, 3, 0, 1}};
    std::map<int32_t, MediaBlockSpec> blocks;
    int32_t type = 1;
    for (const Case& c : cases) {
        MediaBlockSpec block = Block(c.sprites, c.sounds, static_cast<int16_t>(type));
        block.spriteFiller = c.spriteFiller;
        block.soundFiller = c.soundFiller;
        blocks[type++] = block;
    }
    OpenBlocks(blocks);
    type = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(type);
        ASSERT_EQ(LoadMediaSet(world_.get(), type), 1);
        const MediaSet* set = SetOf(type);
        ASSERT_NE(set, nullptr);
        const MediaBlockLayout& at = layouts_[type];
        EXPECT_EQ(set->spawnX, type);
        EXPECT_EQ(set->lastSprite, c.sprites - 1);
        EXPECT_EQ(set->firstImageEntry, c.sprites > 0 ? int32_t(at.a + 3) : 0);
        EXPECT_EQ(set->sprites != nullptr, c.sprites > 0);
        EXPECT_EQ(set->lastSound, c.sounds - 1);
        EXPECT_EQ(set->firstSoundEntry, c.sounds > 0 ? int32_t(at.b + 3) : 0);
        EXPECT_EQ(set->sounds != nullptr, c.sounds > 0);
        for (int32_t i = 0; i < c.sprites; ++i) {
            EXPECT_EQ(set->sprites[i].x, 100 + i) << i;
            EXPECT_EQ(set->sprites[i].y, -100 - i) << i;
            EXPECT_EQ(set->sprites[i].image, nullptr) << "images load lazily";
        }
        ++type;
    }
}

TEST_F(MediaSetTest, ResultCodes) {
    struct Case {
        const char* name;
        std::function<void(ArchiveBuilder&, const MediaBlockLayout&)> damage;
        int32_t type;
        int32_t result;
        bool loaded;
    };
    const Case cases[] = {
        {"loads", nullptr, 5, 1, true},
        {"type zero", nullptr, 0, 0, false},
        {"negative type", nullptr, -4, 0, false},
        {"no media", nullptr, 6, 1, false},
        {"scripts are a link",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) { b.Set(at.a, LinkEntry(0)); }, 5, -1,
         false},
        {"scripts cut inside an instruction",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) { b.Entry(at.a).data.resize(10); }, 5,
         -1, false},
        {"scripts without their header",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) { b.Entry(at.a).data.resize(3); }, 5, -1,
         false},
        {"descriptor cut inside a key record",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) {
             b.Entry(at.firstDescriptor + 1).data.resize(30);
         },
         5, -1, false},
        {"descriptor is a link",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) {
             b.Set(at.firstDescriptor, LinkEntry(0));
         },
         5, -1, false},
        {"chain root is not a number",
         [](ArchiveBuilder& b, const MediaBlockLayout&) {
             b.Set(15, PlainEntry(0, {1, 2}));
         },
         5, -1, false},
        {"B below A + 2",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) { b.Set(at.a + 2, NumberEntry(at.a)); },
         5, -1, false},
        {"sprites beyond the archive",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) {
             b.Set(at.a + 2, NumberEntry(at.a + 2 + 2 * b.Count()));
         },
         5, -1, false},
        {"sounds beyond the archive",
         [](ArchiveBuilder& b, const MediaBlockLayout& at) {
             b.Set(at.b + 2, NumberEntry(at.b + 2 + 2 * b.Count()));
         },
         5, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveBuilder builder;
        MediaBlockWriter writer(&builder);
        MediaBlockSpec block = Block(2, 1);
        block.sprites[1].descriptor.keys.resize(2);
        MediaBlockLayout at;
        const uint32_t a = writer.AppendBlock(block, &at);
        writer.AppendChain({{{5, a}}});
        if (c.damage)
            c.damage(builder, at);
        GameArchive archive;
        ASSERT_TRUE(archive.Open(builder, false, false));
        WorldPtr world = MakeWorld();
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadMediaSet(world.get(), c.type), c.result);
        const std::string said = testing::internal::GetCapturedStdout();
        // A failure says why in a line; a success says nothing.
        EXPECT_EQ(said.empty(), c.result >= 0) << said;
        EXPECT_EQ(FindMediaSetIndex(world.get(), c.type) >= 0, c.loaded);
        if (c.result < 0) {
            // The set taken for the load is free again and holds nothing.
            for (const MediaSet& set : world->mediaSets) {
                EXPECT_EQ(set.typeId, 0);
                EXPECT_EQ(set.sprites, nullptr);
                EXPECT_EQ(set.scripts, nullptr);
                EXPECT_EQ(set.levelSprites.entry, nullptr);
            }
        }
    }
}

TEST_F(MediaSetTest, AFreedSetInTheMiddleIsReusedBeforeTheTableGrows) {
    OpenBlocks({{5, Block(1, 0)}, {6, Block(2, 1)}, {7, Block(0, 0)}, {8, Block(1, 1)}});
    for (int32_t type : {5, 6, 7})
        ASSERT_EQ(LoadMediaSet(world_.get(), type), 1);
    const SpriteEntry* sprites = world_->mediaSets[1].sprites;
    EXPECT_EQ(LoadMediaSet(world_.get(), 6), 0) << "a loaded type is not loaded again";
    EXPECT_EQ(world_->mediaSets[1].sprites, sprites);
    ASSERT_EQ(world_->mediaSetsUsed, 2);
    FreeMediaSet(&world_->mediaSets[1]);
    const MediaSet& freed = world_->mediaSets[1];
    EXPECT_EQ(freed.typeId, 0);
    EXPECT_EQ(freed.lastSprite, -1);
    EXPECT_EQ(freed.lastSound, -1);
    EXPECT_EQ(freed.firstImageEntry, 0);
    EXPECT_EQ(freed.firstSoundEntry, 0);
    EXPECT_EQ(freed.sprites, nullptr);
    EXPECT_EQ(world_->mediaSetsUsed, 2) << "freeing does not lower the last index";
    EXPECT_EQ(LoadMediaSet(world_.get(), 8), 1);
    EXPECT_EQ(FindMediaSet(world_.get(), 8), 1);
    EXPECT_EQ(world_->mediaSetsUsed, 2);
    EXPECT_EQ(LoadMediaSet(world_.get(), 6), 1);
    EXPECT_EQ(FindMediaSet(world_.get(), 6), 3);
    FreeMediaSets(world_.get());
    EXPECT_EQ(world_->mediaSetsUsed, -1);
    for (const MediaSet& set : world_->mediaSets)
        EXPECT_EQ(set.typeId, 0);
}

TEST_F(MediaSetTest, MoreSetsThanTheTableHoldsEndTheProgram) {
    OpenBlocks({{5, Block(1, 0)}});
    for (int32_t i = 0; i < kMediaSetCount; ++i)
        world_->mediaSets[i].typeId = static_cast<uint8_t>(i < 4 ? i + 1 : i + 2);
    world_->mediaSetsUsed = kMediaSetCount - 1;
    EXPECT_MEDIA_FATAL(LoadMediaSet(world_.get(), 5), "No free media set for object 5\n");
    for (MediaSet& set : world_->mediaSets)
        set.typeId = 0;
}

TEST_F(MediaSetTest, ScriptsAreReadInstructionByInstruction) {
    MediaBlockSpec block = Block(0, 0);
    const std::vector<std::vector<ScriptInstruction>> scripts = {
        {Op(0x80 | 3, 0xBEEF, 200, -1, -128, 127), Op(24, 0x0102, 0x78, 0x56, 0x34, 0x12)},
        {},
        {Op(31, 0, 255, 127, -1, 0)},
    };
    block.scripts = EncodeMediaScripts(-321, 654, scripts);
    MediaBlockSpec empty = Block(0, 0);
    empty.scripts = EncodeMediaScripts(1, 2, {});
    OpenBlocks({{5, block}, {6, empty}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    ASSERT_EQ(LoadMediaSet(world_.get(), 6), 1);

    const MediaSet* set = SetOf(5);
    EXPECT_EQ(set->spawnX, -321);
    EXPECT_EQ(set->spawnY, 654);
    ASSERT_EQ(set->lastScript, 2);
    for (size_t s = 0; s < scripts.size(); ++s) {
        const ScriptTableEntry& entry = set->scripts[s];
        ASSERT_EQ(entry.last, int16_t(scripts[s].size()) - 1) << s;
        EXPECT_EQ(entry.instructions == nullptr, scripts[s].empty()) << s;
        for (size_t k = 0; k < scripts[s].size(); ++k) {
            const ScriptInstruction& want = scripts[s][k];
            const ScriptInstruction& got = entry.instructions[k];
            EXPECT_EQ(got.op, want.op);
            EXPECT_EQ(got.a, want.a);
            EXPECT_EQ(got.b, want.b);
            EXPECT_EQ(got.wait, want.wait);
            EXPECT_EQ(got.dx, want.dx);
            EXPECT_EQ(got.dy, want.dy);
        }
    }
    EXPECT_EQ(set->scripts[0].instructions[1].Immediate(), 0x12345678);
    const MediaSet* none = SetOf(6);
    EXPECT_EQ(none->lastScript, -1);
    EXPECT_EQ(none->scripts, nullptr);
    EXPECT_EQ(none->spawnY, 2);
}

TEST_F(MediaSetTest, DescriptorsKeepOffsetsCornersAndKeyRecords) {
    MediaBlockSpec block = Block(2, 0);
    SpriteDescriptorSpec& d = block.sprites[0].descriptor;
    d.x = 3;
    d.y = -4;
    d.mirroredX = -5;
    d.mirroredY = 6;
    d.b = {11, -16, 12, 24, -8, 13, 9, 14};
    d.keys = {{1, 0x7777, -2, -3, 10, 11, 5, -6},
              {4, 0, 7, 8, 0, 0, -1, 1},
              {1, 0, 20, 21, 22, 23, 24, 25},
              {256, 0, -30, 0, 60, 4, 0, 0}};
    OpenBlocks({{5, block}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    const SpriteEntry& sprite = SetOf(5)->sprites[0];
    EXPECT_EQ(sprite.x, 3);
    EXPECT_EQ(sprite.y, -4);
    EXPECT_EQ(sprite.mirroredX, -5);
    EXPECT_EQ(sprite.mirroredY, 6);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(sprite.b[k], d.b[size_t(k)]) << k;
    const SpritePoint corners[4] = {{-8, -16}, {-8, 24}, {9, 24}, {9, -16}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(sprite.corners[k].x, corners[k].x) << k;
        EXPECT_EQ(sprite.corners[k].y, corners[k].y) << k;
    }
    ASSERT_EQ(sprite.lastKey, 3);

    const SpriteKeyRecord* record = nullptr;
    auto fields = [](const SpriteKeyRecord& r) {
        return std::vector<int32_t>{r.key,   r.unused, r.x,         r.y,
                                    r.width, r.height, r.velocityX, r.velocityY};
    };
    for (const auto& [key, found] : {std::pair{1, 1}, {4, 2}, {256, 4}}) {
        ASSERT_EQ(FindRecordByKey(&sprite, uint16_t(key), &record), found) << key;
        EXPECT_EQ(fields(*record), fields(d.keys[size_t(found - 1)])) << key;
    }
    EXPECT_EQ(FindRecordByKey(&sprite, 2, &record), -1);
    EXPECT_EQ(record, nullptr) << "the out record is cleared first";

    // Walking every record of one key.
    std::vector<int16_t> xs;
    int32_t index = 0;
    while (FindSpriteFrameByKey(&sprite, 1, &index, &record) == 1)
        xs.push_back(record->x);
    EXPECT_EQ(xs, (std::vector<int16_t>{-2, 20}));
    EXPECT_EQ(record, nullptr);
    index = 3;
    EXPECT_EQ(FindSpriteFrameByKey(&sprite, 256, &index, nullptr), 1);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(FindSpriteFrameByKey(&sprite, 256, &index, &record), 0);

    // No key records at all.
    const SpriteEntry& bare = SetOf(5)->sprites[1];
    EXPECT_EQ(bare.lastKey, -1);
    EXPECT_EQ(bare.keys, nullptr);
    record = &sprite.keys[0];
    EXPECT_EQ(FindRecordByKey(&bare, 0, &record), -1);
    EXPECT_EQ(record, nullptr);
    index = 0;
    EXPECT_EQ(FindSpriteFrameByKey(nullptr, 1, &index, &record), 0);
}

// ---- per-level lists ----------------------------------------------------------------

std::vector<uint8_t> Words(std::initializer_list<int32_t> words) {
    std::vector<uint8_t> bytes;
    for (int32_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return bytes;
}

TEST(MediaLevelListTest, ListsAreCheckedGroupByGroup) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t result;
        int16_t count;
        std::map<int32_t, uint16_t> firstIndex; // level -> its group's first word
        bool complains;
    };
    const Case cases[] = {
        {"two groups", EncodeLevelList(3, {{0, {1, 2}}, {2, {5}}}), 1, 3, {{0, 1}, {2, 5}}, false},
        {"an empty group", EncodeLevelList(2, {{1, {}}}), 1, 2, {{1, 0xFFFF}}, false},
        {"a later group of a level wins",
         EncodeLevelList(2, {{1, {3}}, {1, {4}}}),
         1,
         2,
         {{1, 4}},
         false},
        {"a level at K is skipped, the next group kept",
         EncodeLevelList(2, {{2, {9}}, {1, {3}}}),
         1,
         2,
         {{1, 3}},
         true},
        {"ends at a negative level",
         Words({2, 0, 1, 0xFFFF, -1, 1, 2, 0xFFFF}),
         1,
         2,
         {{0, 1}},
         false},
        {"ends with the entry", EncodeLevelList(2, {{1, {4}}}, false), 1, 2, {{1, 4}}, false},
        {"a group without a separator", Words({2, 0, 7, 0xFFFF, 1, 2, 3}), 1, 2, {{0, 7}}, true},
        {"an odd last byte",
         [] {
             std::vector<uint8_t> b = EncodeLevelList(2, {{0, {6}}}, false);
             b.push_back(0x01);
             return b;
         }(),
         1,
         2,
         {{0, 6}},
         false},
        {"a negative count", Words({-2, 0, 1, 0xFFFF}), -1, 0, {}, true},
        {"a zero count", Words({0, 0, 1, 0xFFFF}), -1, 0, {}, false},
        {"one byte", {0x05}, -1, 0, {}, true},
    };
    ArchiveBuilder builder;
    std::vector<uint32_t> entries;
    for (const Case& c : cases)
        entries.push_back(builder.AddPlain(0, c.bytes));
    const uint32_t link = builder.AddLink(0);
    GameArchive archive;
    ASSERT_TRUE(archive.Open(builder, false, false));
    WorldPtr world = MakeWorld();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        LevelMediaList list{};
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadEntryIndexList(world.get(), &list, entries[i]), c.result);
        EXPECT_EQ(!testing::internal::GetCapturedStdout().empty(), c.complains);
        ASSERT_EQ(list.count, c.count);
        for (int32_t level = 0; level < list.count; ++level) {
            auto want = c.firstIndex.find(level);
            if (want == c.firstIndex.end()) {
                EXPECT_EQ(list.levels[level], nullptr) << level;
            } else {
                ASSERT_NE(list.levels[level], nullptr) << level;
                EXPECT_EQ(GetU16LE(list.levels[level]), want->second) << level;
            }
        }
        std::free(list.entry);
        std::free(list.levels);
    }
    LevelMediaList list{};
    EXPECT_EQ(LoadEntryIndexList(world.get(), &list, link), -1);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.entry, nullptr);
}

TEST_F(MediaSetTest, LevelSpritesLoadExactlyTheCurrentLevelsList) {
    MediaBlockSpec listed = Block(5, 0);
    // The group of level 7 lies beyond K and is skipped; level 4 names a
    // sprite the set does not have.
    listed.levelSprites =
        EncodeLevelList(5, {{1, {3, 0}}, {7, {1}}, {2, {4}}, {3, {}}, {4, {9, 2}}});
    MediaBlockSpec all = Block(4, 0);
    OpenBlocks({{5, listed}, {6, all}});

    struct Case {
        int16_t level;
        std::vector<int32_t> answers;
        std::vector<int32_t> loaded;
    } cases[] = {
        {1, {0, 0, 1}, {3, 0}}, {2, {0, 1}, {4}}, {3, {1}, {}},
        {0, {1}, {}},           {5, {1}, {}},     {4, {0, 0, 1}, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        WorldPtr world = MakeWorld();
        world->currentLevel = c.level;
        ASSERT_EQ(LoadMediaSet(world.get(), 5), 1);
        MediaSet* set = &world->mediaSets[FindMediaSet(world.get(), 5)];
        ASSERT_EQ(set->levelSprites.count, 5);
        std::vector<int32_t> answers;
        testing::internal::CaptureStdout();
        for (int32_t n = 0; n < 10; ++n) {
            answers.push_back(LoadLevelSprites(world.get(), set, n));
            if (answers.back() == 1)
                break;
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(answers, c.answers);
        for (int32_t i = 0; i <= set->lastSprite; ++i) {
            const bool want = std::find(c.loaded.begin(), c.loaded.end(), i) != c.loaded.end();
            EXPECT_EQ(set->sprites[i].image != nullptr, want) << i;
            if (want) {
                EXPECT_EQ(set->sprites[i].archiveType, int32_t(RES_TYPE_PNG));
                EXPECT_EQ(set->sprites[i].image->width, 4);
            }
        }
    }

    // A type whose list is a link entry loads every sprite in order.
    world_->currentLevel = 3;
    ASSERT_EQ(LoadMediaSet(world_.get(), 6), 1);
    MediaSet* set = SetOf(6);
    EXPECT_EQ(set->levelSprites.count, 0);
    std::vector<int32_t> answers;
    for (int32_t n = 0; n < 10; ++n) {
        answers.push_back(LoadLevelSprites(world_.get(), set, n));
        for (int32_t i = 0; i <= set->lastSprite; ++i)
            EXPECT_EQ(set->sprites[i].image != nullptr, i <= n) << n << " " << i;
        if (answers.back() == 1)
            break;
    }
    EXPECT_EQ(answers, (std::vector<int32_t>{0, 0, 0, 1}));
}

TEST_F(MediaSetTest, SpriteAndSoundLoadsAnswerOneAtTheLastAndBeyond) {
    OpenBlocks({{5, Block(3, 2)}, {6, Block(0, 0)}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    ASSERT_EQ(LoadMediaSet(world_.get(), 6), 1);
    MediaSet* set = SetOf(5);
    const struct {
        int32_t n;
        int32_t sprite;
        int32_t sound;
    } cases[] = {{-1, 1, 1}, {0, 0, 0}, {1, 0, 1}, {2, 1, 1}, {3, 1, 1}, {1000, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(LoadObjectSprite(world_.get(), set, c.n), c.sprite);
        EXPECT_EQ(LoadObjectSound(world_.get(), set, c.n), c.sound);
    }
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_NE(set->sprites[i].image, nullptr) << i;
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(set->sounds[i].handle, uintptr_t(set->firstSoundEntry + i)) << i;
        EXPECT_EQ(set->sounds[i].archiveType, int32_t(RES_TYPE_SOUND_IN_MEMORY)) << i;
    }
    MediaSet* empty = SetOf(6);
    EXPECT_EQ(LoadObjectSprite(world_.get(), empty, 0), 1);
    EXPECT_EQ(LoadObjectSound(world_.get(), empty, 0), 1);
    EXPECT_EQ(LoadLevelSprites(world_.get(), empty, 0), 1);
}

TEST_F(MediaSetTest, APictureThatDoesNotDecodeIsTriedOnce) {
    MediaBlockSpec block = Block(2, 0);
    block.sprites[0].picture = std::vector<uint8_t>(40, 0x33);
    OpenBlocks({{5, block}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    MediaSet* set = SetOf(5);
    testing::internal::CaptureStdout();
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(LoadObjectSprite(world_.get(), set, 0), 0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "Sprite 0 of object 5 does not decode\n");
    EXPECT_EQ(set->sprites[0].image, nullptr);
    EXPECT_EQ(set->sprites[0].loadFailed, 1);
    EXPECT_EQ(LoadObjectSprite(world_.get(), set, 1), 1);
    EXPECT_NE(set->sprites[1].image, nullptr);
    EXPECT_EQ(set->sprites[1].loadFailed, 0);
}

TEST_F(MediaSetTest, ASpriteEntryOfAnotherTypeEndsTheProgram) {
    MediaBlockSpec block = Block(3, 0);
    block.sprites[1].pictureType = static_cast<uint8_t>(RES_TYPE_IMAGE_STUB);
    OpenBlocks({{5, block}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    MediaSet* set = SetOf(5);
    EXPECT_EQ(LoadObjectSprite(world_.get(), set, 0), 0);
    const std::string expected = "Err need 8 loaded StartID 4+" +
                                 std::to_string(set->firstImageEntry) +
                                 " obj 1 ObjID 5\nFor SPRITE loaded another object \n";
    EXPECT_MEDIA_FATAL(LoadObjectSprite(world_.get(), set, 1), expected);
    world_->currentLevel = 0;
    EXPECT_MEDIA_FATAL(
        {
            LoadLevelSprites(world_.get(), set, 0);
            LoadLevelSprites(world_.get(), set, 1);
        },
        expected);
}

TEST_F(MediaSetTest, ASoundEntryOfAnotherTypeEndsTheProgram) {
    MediaBlockSpec block = Block(0, 3);
    block.sounds[2].type = static_cast<uint8_t>(RES_TYPE_PNG);
    OpenBlocks({{5, block}});
    ASSERT_EQ(LoadMediaSet(world_.get(), 5), 1);
    MediaSet* set = SetOf(5);
    EXPECT_EQ(LoadObjectSound(world_.get(), set, 1), 0);
    const std::string expected = "Err need 12 loaded 8 obj " +
                                 std::to_string(set->firstSoundEntry + 2) +
                                 " ObjID 5\nFor SOUND loaded another object \n";
    EXPECT_MEDIA_FATAL(LoadObjectSound(world_.get(), set, 2), expected);
}

// ---- level music -----------------------------------------------------------------

constexpr uint32_t kMusicGroup = 45;

class LevelMusicTest : public testing::Test {
protected:
    void SetUp() override {
        CatalogueBuilder layout;
        for (uint32_t g = 0; g <= kMusicGroup; ++g) {
            layout.AddGroup();
            layout.AddItem(g, PlainEntry(3, {uint8_t(g)}));
        }
        layout.SetItem(1, 0, PlainEntry(3, Table({{4, 2}, {6, 3}})));
        layout.SetItem(kMusicGroup, 0, PlainEntry(12, media_test::LongSound()));
        for (int i = 1; i <= 3; ++i)
            layout.AddItem(kMusicGroup, PlainEntry(12, media_test::LongSound()));
        layout.AddItem(kMusicGroup, PlainEntry(3, {1, 2, 3})); // item 4: not a sound
        ASSERT_TRUE(archive_.Open(layout.ToArchive(), true, true));
    }
    void TearDown() override { StopMusic(); }

    static std::vector<uint8_t> Table(std::vector<std::pair<int32_t, int32_t>> pairs) {
        std::vector<uint8_t> bytes(pairs.size() * 8);
        for (size_t i = 0; i < pairs.size(); ++i) {
            PutI32LE(bytes.data() + 8 * i, pairs[i].first);
            PutI32LE(bytes.data() + 8 * i + 4, pairs[i].second);
        }
        return bytes;
    }
    // The music item on channel 0, or -1.
    int32_t Playing() {
        const MMchannel* channel = gMMplay.GetChannel(0);
        if (channel == nullptr || channel->sound == nullptr)
            return -1;
        for (int32_t item = 0; item < 4; ++item) {
            const uint32_t entry = GetResourceIndex(&gResourceCatalogue, kMusicGroup, item);
            if (gMMplay.GetSound(int32_t(entry)) == channel->sound)
                return item;
        }
        return -2;
    }
    bool Cached(int32_t item) {
        return CacheTableGet(&gResourceCache, kMusicGroup, uint32_t(item)) != 0;
    }

    GameArchive archive_;
    WorldPtr world_ = MakeWorld();
};

TEST_F(LevelMusicTest, TheTableComesFromTheFirstItemOfGroupOne) {
    LoadMusicTable(world_.get());
    ASSERT_EQ(world_->musicTableSize, 16u);
    PlayLevelMusic(world_.get(), 6);
    EXPECT_EQ(Playing(), 3);
    PlayLevelMusic(world_.get(), 4);
    EXPECT_EQ(Playing(), 2);
    StopMusic();
    EXPECT_EQ(Playing(), -1);
}

TEST_F(LevelMusicTest, EachLevelGetsItsItemAndTheOthersAreUnloaded) {
    struct Case {
        const char* name;
        std::vector<std::pair<int32_t, int32_t>> pairs;
        int32_t level;
        int32_t playing;
        std::vector<bool> cached; // items 0..4 afterwards
    };
    const Case cases[] = {
        {"the later pair wins", {{1, 2}, {3, 1}, {1, 3}}, 1, 3, {false, false, true, true, false}},
        {"no pair plays item 0", {{1, 2}, {3, 1}}, 5, 0, {true, false, false, true, false}},
        {"an empty table plays item 0", {}, 5, 0, {true, true, true, true, false}},
        {"an item beyond the group plays nothing",
         {{2, 9}},
         2,
         -1,
         {false, true, true, true, false}},
        {"an item that is not a sound plays nothing",
         {{2, 4}},
         2,
         -1,
         {false, true, true, true, false}},
        {"a negative item plays nothing", {{2, -1}}, 2, -1, {true, true, true, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StopMusic();
        for (int32_t item = 0; item < 4; ++item)
            ASSERT_NE(GetResource(&gResourceCatalogue, kMusicGroup, item), 0u);
        const std::vector<uint8_t> table = Table(c.pairs);
        world_->musicTable = table.data();
        world_->musicTableSize = uint32_t(table.size());
        PlayLevelMusic(world_.get(), c.level);
        EXPECT_EQ(Playing(), c.playing);
        for (int32_t item = 0; item < 5; ++item)
            EXPECT_EQ(Cached(item), c.cached[size_t(item)]) << item;
        world_->musicTable = nullptr;
        world_->musicTableSize = 0;
    }
}

} // namespace
