// What the behaviour tests share: a world over a generated map whose
// shapes are solid, a level table of words, media sets built in memory,
// the spies' view of an object made with a parameter record, and the
// save block put back after each test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "graphics/image.h"
#include "menus/save_file.h"
#include "tests/world/tile_test_util.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

// Fills the cells [x0, x1) x [y0, y1) with `code`.
inline void FillCells(LevelLayerGrid& grid, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                      uint8_t code) {
    for (int32_t x = x0; x < x1; ++x)
        for (int32_t y = y0; y < y1; ++y)
            grid.At(x, y) = code;
}

// A room whose last two rows are the floor and last four columns a wall.
inline LevelLayerGrid FloorAndWall(int32_t columns, int32_t rows, uint8_t code) {
    LevelLayerGrid grid = FilledLayer(columns, rows, 0);
    FillCells(grid, 0, rows - 2, columns, rows, code);
    FillCells(grid, columns - 4, 0, columns, rows, code);
    return grid;
}

// The objects of a type still in the world.
inline int32_t Live(GameWorld* world, uint8_t type) {
    int32_t n = 0;
    uint16_t index = 0;
    while (FindNextObjectOfType(world, &index, type) != nullptr)
        ++n;
    return n;
}

// The records a spy kept of one type, in order.
template <typename Record>
std::vector<Record> OfType(const std::vector<Record>& records, uint8_t type) {
    std::vector<Record> out;
    for (const Record& r : records)
        if (r.type == type)
            out.push_back(r);
    return out;
}

// What a spy made with OBJ_MSG_CREATE learns from its parameter record:
// the attached effect's script or the effect's kind; -1 for other types.
// The attached effect also writes its slot and reference into the owner's
// record, because owners read them back to steer and let go of it.
inline int32_t SpyCreation(ObjectSlot* object) {
    if (object->typeId == OBJT_ATTACHED_EFFECT) {
        auto* record = object->ParamAs<AttachedEffectRecord*>();
        record->link = object->index;
        record->effect = MakeObjectRef(object);
        return record->script;
    }
    if (object->typeId == OBJT_EFFECT)
        return static_cast<int32_t>(object->ParamAs<const EffectKindRecord*>()->kind);
    return -1;
}

// The level table as the world reads it: little-endian 32-bit words, at a
// fixed address so that a word set after Attach is seen at once.
class LevelWords {
public:
    void Assign(size_t count) { bytes_.assign(count * 4, 0); }
    void Set(int32_t n, int32_t value) {
        const size_t at = static_cast<size_t>(n) * 4;
        if (n < 0 || at + 4 > bytes_.size())
            throw std::out_of_range("no such level word");
        for (size_t b = 0; b < 4; ++b)
            bytes_[at + b] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * b));
    }
    void Attach(GameWorld* world) const {
        world->levelTable = bytes_.data();
        world->levelTableSize = static_cast<uint32_t>(bytes_.size());
    }

private:
    std::vector<uint8_t> bytes_;
};

// Scripts and blank 8x8 sprites kept alive for the media sets that point
// at them; deques, so that adding a set moves none of the earlier ones.
class MediaStore {
public:
    // `set` for `type` with the assembled scripts and `sprites` sprites,
    // no keys and no sounds.
    MediaSet& Fill(MediaSet& set, uint8_t type, const ScriptAssembler& a, int32_t sprites) {
        code_.push_back(a.scripts());
        tables_.emplace_back();
        for (std::vector<ScriptInstruction>& s : code_.back())
            tables_.back().push_back({s.data(), static_cast<int16_t>(s.size() - 1)});
        sprites_.emplace_back(sprites);
        for (SpriteEntry& sprite : sprites_.back()) {
            images_.push_back(Image{8, 8, 0, nullptr, nullptr, nullptr});
            sprite.image = &images_.back();
            sprite.lastKey = -1;
        }
        set.typeId = type;
        set.scripts = tables_.back().data();
        set.lastScript = static_cast<int16_t>(tables_.back().size() - 1);
        set.sprites = sprites_.back().data();
        set.lastSprite = sprites - 1;
        set.lastSound = -1;
        return set;
    }
    // The picture of the nth sprite made, counting from the first set.
    Image* ImageAt(size_t n) { return &images_.at(n); }
    // The same as the world's next set.
    MediaSet& Add(GameWorld* world, uint8_t type, const ScriptAssembler& a, int32_t sprites) {
        return Fill(world->mediaSets[++world->mediaSetsUsed], type, a, sprites);
    }

private:
    std::deque<std::vector<std::vector<ScriptInstruction>>> code_;
    std::deque<std::vector<ScriptTableEntry>> tables_;
    std::deque<std::vector<SpriteEntry>> sprites_;
    std::deque<Image> images_;
};

// Sprite i sits at (i, -i), so that where an object was drawn tells which
// sprite it showed.
inline void StaggerSprites(MediaSet& set) {
    for (int32_t i = 0; i <= set.lastSprite; ++i) {
        set.sprites[i].x = static_cast<int16_t>(i);
        set.sprites[i].y = static_cast<int16_t>(-i);
    }
}

class WorldFixture : public testing::Test {
protected:
    void SetUp() override { savedSave_ = gSaveBlock; }
    void TearDown() override {
        // The sets point into storage the fixture owns; the world must not
        // free it.
        if (map_ != nullptr) {
            DeleteObjectsExceptType(world(), 0);
            for (MediaSet& set : world()->mediaSets)
                set = MediaSet{};
        }
        map_.reset();
        gSaveBlock = savedSave_;
    }

    GameWorld* world() { return map_->get(); }
    // The world over `grid`, every cell of `code` solid.
    void MakeMap(const LevelLayerGrid& grid, uint8_t code) {
        std::array<uint8_t, 16> solid;
        solid.fill(1);
        map_ = std::make_unique<GridWorld>(grid,
                                           std::map<uint8_t, std::array<uint8_t, 16>>{{code, solid}});
    }
    // User 0 plays, at `option`.
    static void UseOption(int32_t option) {
        gSaveBlock.currentUser = 0;
        gSaveBlock.users[0].Difficulty = option;
    }
    void Tick(ObjectSlot* object, ObjectMessage message = 0) {
        ++world()->frameCounter;
        SendObjectMessage(world(), object, message);
    }

    std::unique_ptr<GridWorld> map_;
    LevelWords words_;
    MediaStore media_;
    SaveBlock savedSave_{};
};
