// The whole program on a generated level and the virtual clock: keys
// recorded through the play task replay to the same world trace in a fresh
// process, and the frames dumped while recording are the screens drawn,
// under either renderer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "menus/save_file.h"
#include "tools/sample/png_writer.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/dump_header.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/world_archive.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

using game_run::ReadFileBytes;

constexpr int32_t kSteps = 300;
constexpr int32_t kDumpedSteps = 16;
constexpr uint8_t kPlayerCode = 10, kMoverCode = 20, kTileCode = 60;
constexpr uint8_t kMoverType = 5;
constexpr uint32_t kPlayerColour = 0xFF2080E0u, kMoverColour = 0xFFE04010u;
constexpr const char* kReplayDirVariable = "QB_PLAY_REPLAY_DIR";

// What one run of the program saw.
struct RunLog {
    int32_t steps = 0; // the run ends after this many
    uint8_t dumpFlags = 0;
    std::vector<std::string> trace;
    std::map<uint32_t, std::pair<int32_t, int32_t>> playerOnScreen; // frame -> centre
};
RunLog* gRun = nullptr;

void TestPlayerHandler(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    if ((message & OBJ_MSG_CREATE) != 0)
        object->depth = -10; // in front of the tile layers
    if (message >= OBJ_EV_BASE)
        return;
    object->x = static_cast<int16_t>(object->x + ((message & 0x4080) ? 3 : 0) -
                                     ((message & 0x2020) ? 3 : 0));
    object->y = static_cast<int16_t>(object->y + ((message & 0x10008) ? 2 : 0) -
                                     ((message & 0x8200) ? 2 : 0));
    if ((message & 0x40000) != 0)
        if (UserRecord* user = CurrentUserRecord())
            user->runningScore += 10;
}

struct MoverLogic {
    int32_t dx, dy;
};

void MoverHandler(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    auto* logic = object->LogicAs<MoverLogic>();
    if ((message & OBJ_MSG_CREATE) != 0) {
        object->depth = -10;
        *logic = {WorldRandomInt(-2, 2), CrtRand() % 3 - 1};
    }
    if (message >= OBJ_EV_BASE)
        return;
    if (CrtRand() % 8 == 0)
        logic->dx = WorldRandomInt(-2, 2);
    object->x = static_cast<int16_t>(object->x + logic->dx);
    object->y = static_cast<int16_t>(object->y + logic->dy);
}

void Fill(int32_t x, int32_t y, int32_t size, uint32_t colour) {
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.x = x - size / 2;
    record.y = y - size / 2;
    record.width = size;
    record.height = size;
    record.colour = colour;
    FillRect(&record);
}

std::pair<int32_t, int32_t> OnScreen(const GameWorld* world, const ObjectSlot* object) {
    return {object->x - world->camera.positionX / 65536,
            object->y - world->camera.positionY / 65536};
}

void DrawPlayer(GameWorld* world, ObjectSlot* object) {
    const auto [x, y] = OnScreen(world, object);
    Fill(x, y, 24, kPlayerColour);
    gRun->playerOnScreen[world->frameCounter] = {x, y};
}

void DrawMover(GameWorld* world, ObjectSlot* object) {
    const auto [x, y] = OnScreen(world, object);
    Fill(x, y, 8, kMoverColour);
}

void InstallReplayTypes(GameWorld* world) {
    RegisterObjectType(world, OBJT_PLAYER, TestPlayerHandler, DrawPlayer, OBJ_KIND_TRACKED, 0, 0);
    RegisterObjectType(world, kMoverType, MoverHandler, DrawMover, OBJ_KIND_ORDINARY,
                       sizeof(MoverLogic), 0);
}

void Trace(GameWorld* world, int32_t event) {
    if (event == WORLD_TRACE_LEVEL_START) {
        SetRandomState(kInitialRandomState);
        SetCrtRandState(1);
        return;
    }
    gRun->trace.push_back(FormatWorldTrace(world));
}

// Stands in for the UI flow: asks for the dumps and the first level, and
// ends the program after the run's steps.
void Driver(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
    } else if (message == TASK_MSG_UPDATE) {
        if (task->data == 0) {
            task->data = 1;
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS, gRun->dumpFlags);
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
        }
        if (static_cast<int32_t>(gRun->trace.size()) >= gRun->steps)
            PopAllTasks();
    }
}

// Level 1, 60 x 30 cells: the player, eight movers and a band of tiles.
void WriteGameFiles(int32_t renderer) {
    WorldArchiveSpec spec;
    spec.codeTypes[kPlayerCode] = OBJT_PLAYER;
    spec.codeTypes[kMoverCode] = kMoverType;
    WorldLevelSpec level;
    level.layers = {FilledLayer(60, 30, 0), FilledLayer(60, 30, 0), FilledLayer(60, 30, 0),
                    FilledLayer(60, 30, 0)};
    for (int32_t x = 0; x < 60; x += 2)
        level.layers[1].At(x, 16) = kTileCode;
    level.layers[3].At(8, 10) = kPlayerCode;
    for (int32_t k = 0; k < 8; ++k)
        level.layers[3].At(12 + 5 * k, 6 + k % 4) = kMoverCode;
    spec.levels = {level};
    WorldTileSetSpec tiles;
    tiles.images.resize(kTileCode + 1);
    tiles.images[kTileCode] = WritePng(MakeTestPicture(PngColour::Rgba, 8, 32, 32, 3));
    spec.tileSets = {tiles};
    spec.levelTable.assign(21, 0);
    spec.levelTable[13] = 1; // a score level: its start writes game.sav
    // Level 1's record: values 16 to 23.
    spec.cameraRecords.assign(24, 0);
    const int16_t deadZone[4] = {400, 300, 224, 424};
    for (int32_t k = 0; k < 4; ++k)
        spec.cameraRecords[16 + k] = deadZone[k];

    CatalogueBuilder catalogue = MakeSampleCatalogue(); // the fonts
    while (catalogue.GroupCount() < 47)
        catalogue.AddItem(catalogue.AddGroup(), PlainEntry(0, {0}));
    catalogue.SetItem(0, 0, PlainEntry(0, [&] {
                          std::vector<uint8_t> words(4 * spec.levelTable.size());
                          for (size_t i = 0; i < spec.levelTable.size(); ++i)
                              PutI32LE(words.data() + 4 * i, spec.levelTable[i]);
                          return words;
                      }()));
    std::vector<uint8_t> records(2 * spec.cameraRecords.size());
    for (size_t i = 0; i < spec.cameraRecords.size(); ++i)
        PutI16LE(records.data() + 2 * i, spec.cameraRecords[i]);
    catalogue.SetItem(0, 1, PlainEntry(0, records));
    catalogue.SetFixed(kDumpHeaderEntry, PlainEntry(0, WriteDumpEntry()));
    ArchiveBuilder archive = catalogue.ToArchive();
    AppendWorldEntries(&archive, spec);
    std::filesystem::create_directories("res");
    std::filesystem::create_directories("dump");
    ASSERT_TRUE(archive.WriteToFile("res/base.res"));
    game_run::WriteWindowedConfig(renderer);
}

// The keys a player presses; the replay presses others, which it ignores.
void ScheduleKeys(ScriptedPlatform* platform, bool replaying) {
    const int keys[] = {SDLK_RIGHT, SDLK_RIGHT, SDLK_SPACE, SDLK_UP,   SDLK_d,
                        SDLK_DOWN,  SDLK_LEFT,  SDLK_SPACE, SDLK_RIGHT};
    for (uint32_t k = 0; k < 60; ++k) {
        const int key = replaying ? (k % 2 != 0 ? SDLK_LEFT : SDLK_SPACE) : keys[k % 9];
        const uint32_t at = 300 + 130 * k;
        platform->PushKeyDown(key, at);
        platform->PushKeyUp(key, at + 70 + 20 * (k % 3));
    }
}

// One run of the whole program in the working folder.
void RunGame(RunLog* log, bool replaying) {
    gRun = log;
    gSaveBlock = SaveBlock{};
    ScriptedPlatform platform;
    ScheduleKeys(&platform, replaying);
    EXPECT_EQ(game_run::RunWholeGame(&platform, Driver, InstallReplayTypes, Trace), 0);
    gRun = nullptr;
}

// Records kDumpedSteps steps with frame dumps on under `renderer`: the
// steps are those of `reference` (dumping changes nothing), and each step's
// frame is dumped with entry 19's header and shows the player where it was
// drawn, its pixels blue, green, red, bottom row first.
void CheckDumpedFrames(int32_t renderer, const std::vector<std::string>& reference) {
    WriteGameFiles(renderer);
    RunLog log;
    log.steps = kDumpedSteps;
    log.dumpFlags = DUMP_KEYS_ACTIVE;
    RunGame(&log, false);
    ASSERT_EQ(log.trace.size(), static_cast<size_t>(kDumpedSteps));
    ASSERT_GE(reference.size(), log.trace.size());
    EXPECT_TRUE(std::equal(log.trace.begin(), log.trace.end(), reference.begin()));

    const std::vector<uint8_t> header = WriteDumpHeader();
    // The last step ends the run before it is drawn.
    for (uint32_t frame = 0; frame <= kDumpedSteps; ++frame) {
        char name[32];
        std::snprintf(name, sizeof(name), "dump/%07u.bmp", frame);
        const bool dumped = frame >= 1 && frame < kDumpedSteps;
        ASSERT_EQ(std::filesystem::exists(name), dumped) << name;
        if (!dumped)
            continue;
        const std::vector<uint8_t> bmp = ReadFileBytes(name);
        ASSERT_EQ(bmp.size(), GetU32LE(header.data() + 2)) << name;
        ASSERT_TRUE(std::equal(header.begin(), header.end(), bmp.begin())) << name;
        const auto [x, y] = log.playerOnScreen.at(frame);
        ASSERT_TRUE(x >= 0 && x < 800 && y >= 0 && y < 600) << x << ", " << y;
        const size_t at = kDumpHeaderBytes + (static_cast<size_t>(599 - y) * 800 + x) * 3;
        EXPECT_EQ(bmp[at], kPlayerColour & 0xFF) << name;
        EXPECT_EQ(bmp[at + 1], (kPlayerColour >> 8) & 0xFF) << name;
        EXPECT_EQ(bmp[at + 2], (kPlayerColour >> 16) & 0xFF) << name;
        // An independent reader sees the same picture, top row first.
        if (frame == 1 && std::system("convert -version > /dev/null 2>&1") == 0) {
            ASSERT_EQ(
                std::system((std::string("convert ") + name + " -depth 8 rgb:frame.rgb").c_str()),
                0);
            const std::vector<uint8_t> rgb = ReadFileBytes("frame.rgb");
            ASSERT_EQ(rgb.size(), 800u * 600 * 3);
            const size_t pixel = (static_cast<size_t>(y) * 800 + x) * 3;
            EXPECT_EQ(rgb[pixel], (kPlayerColour >> 16) & 0xFF);
            EXPECT_EQ(rgb[pixel + 2], kPlayerColour & 0xFF);
        }
    }
}

std::vector<std::string> RecordReference(int32_t steps) {
    WriteGameFiles(RENDERER_D3D9);
    RunLog log;
    log.steps = steps;
    log.dumpFlags = DUMP_KEYS_ACTIVE | DUMP_FRAMES_OFF;
    RunGame(&log, false);
    return log.trace;
}

TEST(PlayReplay, RecordedKeysReplayToTheSameTraceInAFreshProcess) {
    ScopedTempDir folder;
    const std::vector<std::string> recorded = RecordReference(kSteps);
    ASSERT_EQ(recorded.size(), static_cast<size_t>(kSteps));
    EXPECT_EQ(ReadFileBytes("dump/keys.bin").size(), 4u * kSteps);
    EXPECT_EQ(ReadFileBytes("game.sav").size(), 808u);
    // The keys moved the player and scored; the movers moved at random.
    EXPECT_NE(recorded.front().substr(recorded.front().find(' ')),
              recorded.back().substr(recorded.back().find(' ')));
    EXPECT_EQ(recorded.back().find(" score 0"), std::string::npos) << recorded.back();
    EXPECT_NE(recorded.back().find(":5@"), std::string::npos) << recorded.back();

    ASSERT_EQ(game_run::RunFreshProcess("PlayReplayChild.*", kReplayDirVariable, folder.path()), 0);
    const std::vector<std::string> replayed = game_run::ReadLines("replay.trace");
    ASSERT_EQ(replayed.size(), recorded.size());
    for (size_t i = 0; i < recorded.size(); ++i)
        ASSERT_EQ(replayed[i], recorded[i]) << "step " << i + 1;

    CheckDumpedFrames(RENDERER_D3D9, recorded);
}

TEST(PlayReplay, FramesDumpedUnderOpenGlAreTheScreensDrawn) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        GTEST_SKIP() << "no X display (run under xvfb-run)";
    ScopedTempDir folder;
    const std::vector<std::string> reference = RecordReference(kDumpedSteps);
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const std::string savedDriver = driver != nullptr ? driver : "";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    std::filesystem::remove_all("dump");
    CheckDumpedFrames(RENDERER_OPENGL, reference);
    setenv("SDL_VIDEODRIVER", savedDriver.c_str(), 1);
}

// The replaying half of the test above, run only in the process it starts.
TEST(PlayReplayChild, ReplaysTheKeysOfTheFolderItIsGiven) {
    const char* folder = std::getenv(kReplayDirVariable);
    if (folder == nullptr)
        GTEST_SKIP() << "started by PlayReplay.RecordedKeysReplayToTheSameTraceInAFreshProcess";
    ASSERT_EQ(chdir(folder), 0);
    RunLog log;
    log.steps = kSteps;
    log.dumpFlags = DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY;
    RunGame(&log, true);
    game_run::WriteLines("replay.trace", log.trace);
}

} // namespace
