// What the editor tests share: a level world made from four code grids and
// expanded as the loader leaves it, a play task that answers the editor's
// messages and keeps them, and the task stack with the editor on top, run
// frame by frame on the scripted platform.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/editor_state.h"
#include "editor/editor_task.h"
#include "engine/task_stack.h"
#include "tools/sample/archive_builder.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/tile_test_util.h"
#include "tools/sample/level_writer.h"
#include "world/game_world.h"
#include "world/play_task.h"

// A grid from rows of characters: '.' is code 0, any other character its
// own value.
inline LevelLayerGrid GridOf(const std::vector<std::string>& rows) {
    LevelLayerGrid grid;
    grid.rows = static_cast<int32_t>(rows.size());
    grid.width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    for (const std::string& row : rows)
        for (char c : row)
            grid.codes.push_back(c == '.' ? 0 : static_cast<uint8_t>(c));
    return grid;
}

// The codes of one layer as rows of characters, the way GridOf takes them;
// a code that is no printable character shows as '?'.
inline std::vector<std::string> RowsOf(const TileRunMap& map, int32_t layer) {
    std::vector<std::string> rows;
    const TileRunLayer& l = map.layers[layer];
    for (int32_t y = 0; y < l.rows; ++y) {
        std::string row;
        for (int32_t x = 0; x < l.width; ++x) {
            const int32_t code = TileCodeAt(&map, layer, x, y);
            row.push_back(code == 0 ? '.' : (code >= 33 && code < 127 ? static_cast<char>(code) : '?'));
        }
        rows.push_back(row);
    }
    return rows;
}

// A world whose map is read from the four grids by the loader's own layer
// reader and expanded.
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

// What the stand-in play task was sent, other than requests for the world.
struct PlayMessage {
    uint32_t message;
    uintptr_t arg;
    std::array<int32_t, 2> position; // SET_PLAYER_POS: the position sent
};

struct FakePlay {
    GameWorld* world = nullptr;
    std::array<int32_t, 2> player{}; // answered to GET_PLAYER_POS
    std::vector<PlayMessage> messages;

    std::vector<uintptr_t> ArgsOf(uint32_t message) const {
        std::vector<uintptr_t> args;
        for (const PlayMessage& m : messages)
            if (m.message == message)
                args.push_back(m.arg);
        return args;
    }
    size_t Count(uint32_t message) const { return ArgsOf(message).size(); }
};

inline FakePlay* gFakePlay = nullptr;

inline void FakePlayTaskHandler(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_PLAY);
        return;
    }
    if ((message & TASK_MSG_USER) == 0 || gFakePlay == nullptr)
        return;
    const uint32_t n = message ^ TASK_MSG_USER;
    if (n == PLAY_MSG_GET_WORLD) {
        *task->MessageArgAs<GameWorld**>() = gFakePlay->world;
        return;
    }
    PlayMessage record{n, task->messageArg, {}};
    if (n == PLAY_MSG_GET_PLAYER_POS) {
        auto* xy = task->MessageArgAs<int32_t*>();
        xy[0] = gFakePlay->player[0];
        xy[1] = gFakePlay->player[1];
    } else if (n == PLAY_MSG_SET_PLAYER_POS) {
        const auto* xy = task->MessageArgAs<const int32_t*>();
        record.position = {xy[0], xy[1]};
    }
    gFakePlay->messages.push_back(record);
}

// The grids of a small level: layer 0 of 'A'..., layers 1 and 2 of their own
// letters, layer 3 with a few object and collision codes; 12 x 8 cells.
inline std::array<LevelLayerGrid, 4> SmallLevel() {
    return {GridOf(std::vector<std::string>(4, "AAAAAA")),
            GridOf(std::vector<std::string>(8, "BBBBBBBBBBBB")),
            GridOf(std::vector<std::string>(8, "CCCCCCCCCCCC")),
            GridOf({"............", "..........%.", "...........9", "............",
                    "............", "............", "............", "############"})};
}

// The editor on top of the stand-in play task, over a world of the grids,
// in a folder of its own (the editor writes "editor.cfg" there).
class EditorTaskTest : public testing::Test {
protected:
    explicit EditorTaskTest(const std::array<LevelLayerGrid, 4>& layers = SmallLevel())
        : level_(layers) {}

    void SetUp() override {
        world()->playState = PLAY_STATE_PLAYING;
        world()->currentLevel = 3;
        world()->camera.viewWidth = 800 * 65536;
        world()->camera.viewHeight = 600 * 65536;
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
        TaskRec* task = FindTaskByTag(TASK_TAG_EDITOR, &cursor);
        return task != nullptr ? task->StateAs<EditorState>() : nullptr;
    }
    TaskRec* editorTask() {
        uint16_t cursor = 0;
        return FindTaskByTag(TASK_TAG_EDITOR, &cursor);
    }

    void Frame(int32_t n = 1) {
        for (int32_t i = 0; i < n; ++i)
            RunTasks();
    }
    // Down for a frame, then up for a frame.
    void Tap(int key) {
        platform_.SetKey(key, true);
        Frame();
        platform_.SetKey(key, false);
        Frame();
    }
    void Hold(int key, bool down) { platform_.SetKey(key, down); }
    // The editor reads the mouse after placing its cell: the position takes
    // a frame to reach the cell.
    void PointAt(int x, int y) {
        platform_.SetMouse(x, y, 0);
        Frame();
    }
    void Buttons(int x, int y, uint8_t buttons) { platform_.SetMouse(x, y, buttons); }

    ScopedTempDir folder_;
    ScriptedPlatform platform_;
    ScopedPlatform scope_{&platform_};
    LevelWorld level_;
    FakePlay play_;
};
