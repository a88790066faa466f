// The sample world's level files lie beside the archive, at the paths the
// level editor saves to: a level file changed on disk is what the game
// loads, at its start and whenever it enters the level again; writing the
// archive anew keeps a level file that is already there unless told to
// overwrite it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/level_writer.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/sample_archive.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/play_task.h"
#include "world/tile_map.h"

namespace {

using game_run::ReadFileBytes;

constexpr int32_t kLevel = 2, kOtherLevel = 3, kLayer = 1, kMostFrames = 2000;

struct Cell {
    int32_t x, y;
    uint8_t code;
};
// Changed before the game starts, then while it runs.
constexpr Cell kFirstEdit{3, 3, 10}, kSecondEdit{4, 3, 5};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::array<LevelLayerGrid, 4> SampleLayers(int32_t level) {
    return MakeSampleWorld().levels.at(static_cast<size_t>(level - 1)).layers;
}

// The chase level's file as the sample wrote it before its restart point.
std::vector<uint8_t> ChaseLevelBeforeItsRestartPoint() {
    std::array<LevelLayerGrid, 4> layers = SampleLayers(SAMPLE_CHASE_LEVEL);
    std::replace(layers[3].codes.begin(), layers[3].codes.end(), SAMPLE_CODE_RESTART_POINT,
                 uint8_t{0});
    return WriteLevelFile(layers);
}

// Level kLevel's file as the sample has it with `edits` made.
void WriteEditedLevel(const std::vector<Cell>& edits) {
    std::array<LevelLayerGrid, 4> layers = SampleLayers(kLevel);
    for (const Cell& cell : edits)
        layers[kLayer].At(cell.x, cell.y) = cell.code;
    WriteBytes(SampleLevelFilePath(kLevel), WriteLevelFile(layers));
}

// What the script saw.
struct ScriptRun {
    int32_t frames = 0, stage = 0;
    bool restartSent = false;
    std::string loaderPath;           // the file the level's entry names
    std::string editorPath;           // the file the editor saves the level to
    std::vector<int32_t> firstVisit;  // the codes of both cells
    std::vector<int32_t> secondVisit; // after the file changed under the game
    std::vector<int32_t> levels;      // the level playing at each stage after the first
};
ScriptRun* gRun = nullptr;

GameWorld* PlayWorld() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

std::vector<int32_t> EditedCodes(const GameWorld* world) {
    return {TileCodeAt(&world->map, kLayer, kFirstEdit.x, kFirstEdit.y),
            TileCodeAt(&world->map, kLayer, kSecondEdit.x, kSecondEdit.y)};
}

void Visit(GameWorld* world, int32_t level) {
    world->requestedLevel = static_cast<int16_t>(level);
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    gRun->restartSent = true;
}

void ReadPaths() {
    uint32_t index = 0, l = 0;
    EXPECT_EQ(ReadEntryWord(&gResourceArchive, kLevelIndexEntry, &index), 1);
    EXPECT_EQ(ReadEntryWord(&gResourceArchive, index + kLevel - 1, &l), 1);
    if (char* path = ReadExternalPath(&gResourceArchive, l)) {
        gRun->loaderPath = IsEntryExternal(&gResourceArchive, l) ? path : "(inside the archive)";
        std::free(path);
    }
    if (const uint8_t* bytes =
            GetResourceBytes(&gResourceCatalogue, SAMPLE_GROUP_EDITOR_PATHS, kLevel - 1))
        gRun->editorPath.assign(
            reinterpret_cast<const char*>(bytes),
            GetResourceSize(&gResourceCatalogue, SAMPLE_GROUP_EDITOR_PATHS, kLevel - 1));
}

// Stages: enter the level; once it plays, keep the cells and change the
// file; go to another level and back; keep the cells again.
void Script(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
        return;
    }
    GameWorld* world = PlayWorld();
    if (message != TASK_MSG_UPDATE || world == nullptr)
        return;
    if (++gRun->frames > kMostFrames)
        return PopAllTasks();
    if (gRun->restartSent) { // seen once the play task has left PLAYING
        gRun->restartSent = world->playState == PLAY_STATE_PLAYING;
        return;
    }
    if (gRun->stage != 0) {
        if (world->playState != PLAY_STATE_PLAYING)
            return;
        gRun->levels.push_back(world->currentLevel);
    }
    switch (gRun->stage++) {
    case 0:
        ReadPaths();
        return Visit(world, kLevel);
    case 1:
        gRun->firstVisit = EditedCodes(world);
        WriteEditedLevel({kFirstEdit, kSecondEdit});
        return Visit(world, kOtherLevel);
    case 2:
        return Visit(world, kLevel);
    default:
        gRun->secondVisit = EditedCodes(world);
        return PopAllTasks();
    }
}

TEST(SampleLevelFiles, TheGameLoadsTheLevelFileTheEditorSavesTo) {
    ScopedTempDir folder;
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    const LevelLayerGrid original = SampleLayers(kLevel)[kLayer];
    ASSERT_NE(original.At(kFirstEdit.x, kFirstEdit.y), kFirstEdit.code);
    ASSERT_NE(original.At(kSecondEdit.x, kSecondEdit.y), kSecondEdit.code);
    WriteEditedLevel({kFirstEdit});
    game_run::WriteWindowedConfig(RENDERER_D3D9);

    ScriptRun run;
    gRun = &run;
    ScriptedPlatform platform;
    EXPECT_EQ(game_run::RunWholeGame(&platform, Script, nullptr, nullptr), 0);
    gRun = nullptr;

    ASSERT_LE(run.frames, kMostFrames) << "stuck at stage " << run.stage;
    EXPECT_EQ(run.levels, (std::vector<int32_t>{kLevel, kOtherLevel, kLevel}));
    EXPECT_EQ(run.loaderPath, SampleLevelFilePath(kLevel));
    EXPECT_EQ(run.editorPath, run.loaderPath);
    EXPECT_EQ(run.firstVisit,
              (std::vector<int32_t>{kFirstEdit.code, original.At(kSecondEdit.x, kSecondEdit.y)}));
    EXPECT_EQ(run.secondVisit, (std::vector<int32_t>{kFirstEdit.code, kSecondEdit.code}));
}

TEST(SampleLevelFiles, WritingTheArchiveAgainKeepsLevelFilesUnlessToldToOverwrite) {
    ScopedTempDir folder;
    OutsideFileOptions options;
    options.folder = "game";
    ASSERT_TRUE(WriteSampleArchive("game/res/base.res", options));
    const std::string edited = "game/" + SampleLevelFilePath(kLevel);
    const std::vector<uint8_t> sample = WriteLevelFile(SampleLayers(kLevel));
    ASSERT_EQ(ReadFileBytes(edited), sample);
    const std::vector<uint8_t> archive = ReadFileBytes("game/res/base.res");
    // A level deleted by the user is written again; an edited one is kept.
    std::filesystem::remove("game/" + SampleLevelFilePath(1));
    const std::vector<uint8_t> edit = {1, 2, 3};
    WriteBytes(edited, edit);

    // A file exactly as an earlier archive wrote it is no edit and gives
    // way: the chase level before its restart point, and the last level as
    // the sample had it before (the stage behind the ending has it now).
    const std::string chase = "game/" + SampleLevelFilePath(SAMPLE_CHASE_LEVEL);
    WriteBytes(chase, ChaseLevelBeforeItsRestartPoint());
    const std::string last = "game/" + SampleLevelFilePath(SAMPLE_LAST_LEVEL);
    WriteBytes(last, WriteLevelFile(SampleLayers(SAMPLE_ENDING_LEVEL)));

    std::vector<std::string> kept;
    options.kept = &kept;
    ASSERT_TRUE(WriteSampleArchive("game/res/base.res", options));
    EXPECT_EQ(ReadFileBytes(edited), edit);
    for (int32_t level : {1, SAMPLE_CHASE_LEVEL, SAMPLE_LAST_LEVEL, SAMPLE_ENDING_LEVEL})
        EXPECT_EQ(ReadFileBytes("game/" + SampleLevelFilePath(level)),
                  WriteLevelFile(SampleLayers(level)))
            << "level " << level;
    EXPECT_EQ(ReadFileBytes("game/res/base.res"), archive);
    // Only the edit is reported kept: the ending's stage, which has its own
    // bytes already, is no edit.
    EXPECT_EQ(kept, std::vector<std::string>{edited});

    // One named to the writer gives way as well.
    const std::vector<uint8_t> earlier = {9, 9, 9};
    WriteBytes(chase, earlier);
    options.superseded = {DigestOf(earlier)};
    kept.clear();
    ASSERT_TRUE(WriteSampleArchive("game/res/base.res", options));
    EXPECT_EQ(ReadFileBytes(chase), WriteLevelFile(SampleLayers(SAMPLE_CHASE_LEVEL)));
    EXPECT_EQ(kept, std::vector<std::string>{edited});

    options.overwrite = true;
    kept.clear();
    ASSERT_TRUE(WriteSampleArchive("game/res/base.res", options));
    EXPECT_EQ(ReadFileBytes(edited), sample);
    EXPECT_TRUE(kept.empty());
    EXPECT_FALSE(std::filesystem::exists("game/res/base.res.new"));
}

} // namespace
