// What the editor tests share: a level world read from four code grids by
// the loader and expanded, a play task that answers the editor and keeps
// what it was sent, and the editor on top of it run frame by frame on the
// scripted platform.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor_state.h"
#include "editor/editor_task.h"
#include "engine/task_stack.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/tile_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/play_task.h"

// A grid from rows of characters, '.' the code 0.
inline LevelLayerGrid GridOf(const std::vector<std::string>& rows) {
    LevelLayerGrid grid;
    grid.rows = static_cast<int32_t>(rows.size());
    grid.width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    for (const std::string& row : rows)
        for (char c : row)
            grid.codes.push_back(c == '.' ? 0 : static_cast<uint8_t>(c));
    return grid;
}

// One layer's codes the way GridOf takes them ('?' for unprintable codes).
inline std::vector<std::string> RowsOf(const TileRunMap& map, int32_t layer) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < map.layers[layer].rows; ++y) {
        std::string row;
        for (int32_t x = 0; x < map.layers[layer].width; ++x) {
            const int32_t code = TileCodeAt(&map, layer, x, y);
            row.push_back(code == 0 ? '.' : (code > 32 && code < 127 ? static_cast<char>(code) : '?'));
        }
        rows.push_back(row);
    }
    return rows;
}

class LevelWorld {
public:
    explicit LevelWorld(const std::array<LevelLayerGrid, 4>& layers) : world_(NewGameWorld()) {
        InitTileRunMap(world_);
        ArchiveBuilder builder;
        builder.AddPlain(3, WriteLevelFile(layers));
        MemoryArchive archive(builder);
        EXPECT_EQ(ReadLevel(&world_->map, archive.get(), 0), 1);
        ExpandTileRunLayers(&world_->map);
    }
    ~LevelWorld() {
        FreeTileRunMap(&world_->map);
        DeleteGameWorld(world_);
    }
    LevelWorld(const LevelWorld&) = delete;
    LevelWorld& operator=(const LevelWorld&) = delete;
    GameWorld* get() { return world_; }

private:
    GameWorld* world_;
};

// The stand-in play task: answers for the world and the player's position,
// and keeps every other message with its argument (the x sent for
// SET_PLAYER_POS).
struct FakePlay {
    GameWorld* world = nullptr;
    int32_t player[2] = {};
    std::vector<std::pair<uint32_t, uintptr_t>> sent;

    std::vector<uintptr_t> ArgsOf(uint32_t message) const {
        std::vector<uintptr_t> args;
        for (const auto& [m, arg] : sent)
            if (m == message)
                args.push_back(arg);
        return args;
    }
};

inline FakePlay* gFakePlay = nullptr;

inline void FakePlayTaskHandler(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(TASK_TAG_PLAY);
    if ((message & TASK_MSG_USER) == 0 || gFakePlay == nullptr)
        return;
    const uint32_t n = message ^ TASK_MSG_USER;
    int32_t* xy = task->MessageArgAs<int32_t*>();
    if (n == PLAY_MSG_GET_WORLD)
        *task->MessageArgAs<GameWorld**>() = gFakePlay->world;
    else if (n == PLAY_MSG_GET_PLAYER_POS)
        std::copy(gFakePlay->player, gFakePlay->player + 2, xy);
    else
        gFakePlay->sent.push_back({n, n == PLAY_MSG_SET_PLAYER_POS ? xy[0] : task->messageArg});
}

// 12 x 8 cells (layer 0: 6 x 4); layer 3 has '%' at (10, 1), '9' at (11, 2)
// and a bottom row of '#'.
inline std::array<LevelLayerGrid, 4> SmallLevel() {
    return {GridOf(std::vector<std::string>(4, "AAAAAA")),
            GridOf(std::vector<std::string>(8, "BBBBBBBBBBBB")),
            GridOf(std::vector<std::string>(8, "CCCCCCCCCCCC")),
            GridOf({"............", "..........%.", "...........9", "............",
                    "............", "............", "............", "############"})};
}

// The editor over the stand-in play task on level 3, in a folder of its own
// (it writes "editor.cfg" there).
class EditorTask : public testing::Test {
protected:
    void SetUp() override {
        world()->playState = PLAY_STATE_PLAYING;
        world()->currentLevel = 3;
        play_.world = world();
        gFakePlay = &play_;
        CreateTaskStack();
        PushTask(FakePlayTaskHandler, 0, 0);
        PushTask(EditorTaskHandler, 0, 0);
    }
    void TearDown() override {
        PopAllTasks();
        DestroyTaskStack();
        gFakePlay = nullptr;
    }

    GameWorld* world() { return level_.get(); }
    EditorState* editor() {
        uint16_t cursor = 0;
        return FindTaskByTag(TASK_TAG_EDITOR, &cursor)->StateAs<EditorState>();
    }
    void Frame(int32_t n = 1) {
        for (int32_t i = 0; i < n; ++i)
            RunTasks();
    }
    void Hold(int key, bool down) { platform_.SetKey(key, down); }
    void Tap(int key) {
        Hold(key, true);
        Frame();
        Hold(key, false);
        Frame();
    }
    // The editor finds the cell from last frame's mouse: a frame to get there.
    void Mouse(int x, int y, uint8_t buttons = 0, int32_t frames = 1) {
        platform_.SetMouse(x, y, buttons);
        Frame(frames);
    }

    ScopedTempDir folder_;
    ScriptedPlatform platform_;
    ScopedPlatform scope_{&platform_};
    LevelWorld level_{SmallLevel()};
    FakePlay play_;
};
