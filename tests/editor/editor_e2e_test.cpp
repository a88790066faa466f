// The whole program with the editor switched on in "game.cfg", on the
// generated sample archive and the real tasks: once the front-end level
// plays, a few background cells are painted with the brush "editor.cfg"
// gives, Ctrl+S saves the level to the file its catalogue item names, and
// that file loads back with exactly those cells changed.
//
// The script does not count frames to the level: it waits for the world's
// play state to be PLAYING, whatever screens the UI flow shows before and
// over it. It presses no key the opening screens act on, and clicks only
// near the top-left corner of the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/editor_config.h"
#include "editor/editor_state.h"
#include "engine/config.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "menus/ui_flow_task.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/sample_archive.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kMostFrames = 4000;
constexpr uint8_t kBrush = 77;
constexpr uint8_t kSpare = 0x42;
constexpr int32_t kPaintedLayer = 1;
// Screen points painted, near the top-left corner, away from the menus.
constexpr std::array<std::array<int, 2>, 3> kPoints = {{{8, 8}, {40, 8}, {8, 40}}};

struct PaintedCell {
    int32_t x, y;
};

// What the script did and saw.
struct E2eRun {
    ScriptedPlatform* platform = nullptr;
    int32_t frames = 0;
    int32_t step = 0;
    int32_t since = 0;
    bool quitSent = false;
    int32_t level = 0;
    std::string savePath;
    std::vector<PaintedCell> painted;
    std::vector<int32_t> codesAfterPaint;
};
E2eRun* gRun = nullptr;

GameWorld* PlayWorld() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

EditorState* Editor() {
    uint16_t cursor = 0;
    TaskRec* task = FindTaskByTag(TASK_TAG_EDITOR, &cursor);
    return task != nullptr ? task->StateAs<EditorState>() : nullptr;
}

void Quit() {
    if (!gRun->quitSent)
        gRun->platform->PushQuit(gRun->platform->GetTicks());
    gRun->quitSent = true;
}

void Next() {
    ++gRun->step;
    gRun->since = 0;
}

// Steps: wait for the level, choose layer 1, paint each point (place the
// mouse, press, release), Ctrl+S, quit. Input set here is seen by the
// next frame.
void RunScript() {
    ScriptedPlatform* p = gRun->platform;
    GameWorld* world = PlayWorld();
    EditorState* editor = Editor();
    if (++gRun->frames > kMostFrames || world == nullptr || editor == nullptr) {
        Quit();
        return;
    }
    if (world->playState != PLAY_STATE_PLAYING)
        return;
    const int32_t since = gRun->since++;
    const int32_t paintSteps = 3 * static_cast<int32_t>(kPoints.size());
    const int32_t step = gRun->step;
    if (step == 0) {
        gRun->level = world->currentLevel;
        gRun->savePath = EditorSavePath(world->currentLevel);
        p->SetKey(SDLK_F2, since == 0);
        if (since == 1)
            Next();
    } else if (step <= paintSteps) {
        const auto& point = kPoints[(step - 1) / 3];
        switch ((step - 1) % 3) {
        case 0:
            p->SetMouse(point[0], point[1], 0);
            break;
        case 1:
            p->SetMouse(point[0], point[1], kEditorLeftButton);
            break;
        default:
            // The frame that just ran painted the cell it found.
            gRun->painted.push_back({editor->cellX, editor->cellY});
            gRun->codesAfterPaint.push_back(
                TileCodeAt(&world->map, kPaintedLayer, editor->cellX, editor->cellY));
            p->SetMouse(point[0], point[1], 0);
            break;
        }
        Next();
    } else if (step == paintSteps + 1) {
        p->SetKey(SDLK_LCTRL, true);
        p->SetKey(SDLK_s, since == 1);
        if (since == 2) {
            p->SetKey(SDLK_LCTRL, false);
            Next();
        }
    } else if (since >= 3) {
        Quit();
    }
}

void WriteGameFiles() {
    std::filesystem::create_directories("res");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    GameConfig config{};
    SetDefaultConfig(&config);
    config.fullscreen = 0;
    config.rendererKind = RENDERER_D3D9;
    config.editorEnabled = 1;
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(config, bytes);
    ASSERT_EQ(WriteDataFile("game.cfg", bytes, sizeof(bytes)), 0);
    EditorConfig brushes{};
    PaletteCode(&brushes, kPaintedLayer, 0) = kBrush;
    brushes.spare = kSpare;
    ASSERT_TRUE(SaveEditorConfig(kEditorConfigPath, brushes));
}

std::vector<std::vector<std::string>> SavedLayers(const std::string& path) {
    ArchiveBuilder builder;
    builder.AddPlain(3, game_run::ReadFileBytes(path));
    MemoryArchive archive(builder);
    TileRunMap map{};
    EXPECT_EQ(ReadLevel(&map, archive.get(), 0), 1);
    ExpandTileRunLayers(&map);
    std::vector<std::vector<std::string>> layers;
    for (int32_t l = 0; l < 4; ++l)
        layers.push_back(RowsOf(map, l));
    FreeTileRunMap(&map);
    return layers;
}

// The sample level's own layers, with the painted cells changed.
std::vector<std::vector<std::string>> ExpectedLayers(const E2eRun& run) {
    const WorldArchiveSpec sample = MakeSampleWorld();
    std::array<LevelLayerGrid, 4> layers = sample.levels.at(run.level - 1).layers;
    for (const PaintedCell& cell : run.painted)
        layers[kPaintedLayer].At(cell.x, cell.y) = kBrush;
    LevelWorld expected(layers);
    std::vector<std::vector<std::string>> rows;
    for (int32_t l = 0; l < 4; ++l)
        rows.push_back(RowsOf(expected.get()->map, l));
    return rows;
}

TEST(EditorWholeGame, PaintsCellsOfThePlayingLevelAndSavesThemToItsFile) {
    ScopedTempDir folder;
    WriteGameFiles();
    E2eRun run;
    ScriptedPlatform platform;
    run.platform = &platform;
    gRun = &run;
    platform.SetFrameHook(RunScript);
    EXPECT_EQ(game_run::RunWholeGame(&platform, UiFlowTaskHandler, nullptr, nullptr), 0);
    gRun = nullptr;
    ASSERT_LT(run.frames, kMostFrames) << "the level never played under the editor";
    ASSERT_FALSE(run.savePath.empty()) << "the sample archive names no file for level "
                                       << run.level;
    for (char c : run.savePath)
        ASSERT_GE(static_cast<unsigned char>(c), 0x20u)
            << "the sample archive's name for level " << run.level << " is no file name";
    ASSERT_EQ(run.painted.size(), kPoints.size());
    for (int32_t code : run.codesAfterPaint)
        EXPECT_EQ(code, kBrush);
    ASSERT_TRUE(std::filesystem::exists(run.savePath)) << run.savePath;
    EXPECT_EQ(SavedLayers(run.savePath), ExpectedLayers(run));

    // The brush bar was kept for the next run, spare byte and all.
    const std::vector<uint8_t> config = game_run::ReadFileBytes(kEditorConfigPath);
    ASSERT_EQ(config.size(), kEditorConfigFileBytes);
    EXPECT_EQ(config[2 * kEditorSlotCount * kPaintedLayer], kBrush);
    EXPECT_EQ(config[kEditorConfigSpareOffset], kSpare);
}

} // namespace
