// The play task on generated levels: play-state timing, the score
// bookkeeping and "game.sav", the messages that need the player, requests
// that arrive while a level loads, key recording and replay, frame dumps.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/game_keys.h"
#include "engine/task_stack.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "tests/support/draw_capture.h"
#include "tests/support/held_fifo.h"
#include "tools/sample/png_writer.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/dump_header.h"
#include "tools/sample/world_archive.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr uint8_t kPlayerCode = 10;
constexpr uint32_t kRight = 0x4080, kUp = 0x8200, kAction = 0x40000;
constexpr int32_t kLastLevel = 5;

struct PlayerLogic {
    int32_t x, y, vx, vy; // 16.16
};

std::vector<uint32_t> gInputs; // every step message the player got
struct Request {
    int32_t level;
    uint16_t entry;
};
std::optional<Request> gRequest; // made by the player in its next step

void TestPlayerHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* logic = object->LogicAs<PlayerLogic>();
    if ((message & OBJ_MSG_CREATE) != 0)
        *logic = {object->x * 65536, object->y * 65536, 0, 0};
    if (message >= OBJ_EV_BASE)
        return;
    gInputs.push_back(message);
    logic->x += (message & kRight) != 0 ? 2 * 65536 : 0;
    logic->y -= (message & kUp) != 0 ? 2 * 65536 : 0;
    object->x = static_cast<int16_t>(logic->x / 65536);
    object->y = static_cast<int16_t>(logic->y / 65536);
    if (gRequest) {
        RequestLevelChange(world, gRequest->level, gRequest->entry);
        gRequest.reset();
    }
}

void InstallPlayTypes(GameWorld* world) {
    RegisterObjectType(world, OBJT_PLAYER, TestPlayerHandler, EmptyDraw, OBJ_KIND_TRACKED,
                       sizeof(PlayerLogic), 0);
}

// Stands in for the UI flow: keeps every message it is sent.
std::vector<std::pair<uint32_t, uintptr_t>> gUiMessages;

void FakeUiFlow(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
    } else if ((message & TASK_MSG_USER) != 0) {
        gUiMessages.emplace_back(message ^ TASK_MSG_USER, task->messageArg);
    }
}

std::vector<uint8_t> Png(uint32_t seed) {
    return WritePng(MakeTestPicture(PngColour::Rgba, 8, 8, 8, seed));
}

// Five levels alike, the player at cell (2, 2). Score levels: 1, 3, 2 and 4
// (words 13 to 16); level 5 is the last.
WorldArchiveSpec MakeSpec() {
    WorldArchiveSpec spec;
    spec.codeTypes[kPlayerCode] = OBJT_PLAYER;
    WorldLevelSpec level;
    level.layers = {FilledLayer(30, 20, 0), FilledLayer(30, 20, 0), FilledLayer(30, 20, 0),
                    FilledLayer(30, 20, 0)};
    level.layers[3].At(2, 2) = kPlayerCode;
    level.destinations = {{3, 1}, {200, 2}};
    spec.levels.assign(kLastLevel, level);
    spec.tileSets = {WorldTileSetSpec{}};
    spec.levelTable.assign(21, 0);
    spec.levelTable[11] = kLastLevel;
    spec.levelTable[13] = 1;
    spec.levelTable[14] = 3;
    spec.levelTable[15] = 2;
    spec.levelTable[16] = 4;
    spec.cameraRecords.assign(8 * 7, 0);
    for (int16_t k = 0; k < 4; ++k)
        spec.cameraRecords[8 + k] = static_cast<int16_t>(100 * (k + 1));
    return spec;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string DumpName(uint32_t frame) {
    char name[32];
    std::snprintf(name, sizeof(name), "dump/%07u.bmp", frame);
    return name;
}

// A disk with room for files of `room` bytes only, while it lasts: a file
// size limit, which holds for root too, with its signal ignored so that a
// write past it fails instead.
class FullDisk {
public:
    explicit FullDisk(rlim_t room) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {room, saved_.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    struct rlimit saved_ {};
    void (*previous_)(int) = SIG_DFL;
};

class PlayTask : public testing::Test {
protected:
    void SetUp() override {
        SetObjectTypeInstaller(InstallPlayTypes);
        savedBlock_ = gSaveBlock;
        gSaveBlock = SaveBlock{};
        gInputs.clear();
        gRequest.reset();
        gUiMessages.clear();
        gGameKeysPressed = 0;
        CatalogueBuilder catalogue = MakeWorldCatalogue(MakeSpec(), 13);
        catalogue.SetItem(10, 0, PlainEntry(RES_TYPE_PNG, Png(0)));
        for (uint32_t item = 1; item < 3; ++item)
            catalogue.AddItem(10, PlainEntry(RES_TYPE_PNG, Png(item)));
        catalogue.SetItem(12, 0, PlainEntry(RES_TYPE_PNG, Png(7)));
        catalogue.SetFixed(kDumpHeaderEntry, PlainEntry(0, WriteDumpHeader()));
        ArchiveBuilder archive = catalogue.ToArchive();
        AppendWorldEntries(&archive, MakeSpec());
        ASSERT_TRUE(archive.WriteToFile("base.res"));
        ASSERT_EQ(OpenArchive(&gResourceArchive, "base.res"), 1);
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames_,
                               CATALOGUE_ROOT_ENTRY);
        CreateTaskStack();
        PushTask(PlayTaskHandler, 0, 0);
        PushTask(FakeUiFlow, 0, 0);
        play_ = &gTaskStack->slots[0];
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world_));
        ASSERT_NE(world_, nullptr);
    }

    void TearDown() override {
        PopAllTasks();
        DestroyTaskStack();
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        SetObjectTypeInstaller(nullptr);
        gSaveBlock = savedBlock_;
        gGameKeysPressed = 0;
    }

    void Send(uint32_t message, uintptr_t arg = 0) { SendTaskMessage(play_, message, arg); }
    uint8_t State() const { return world_->playState; }
    // Frames until the play state is `state`; false after `limit`.
    bool RunUntil(uint8_t state, int32_t limit = 200) {
        for (int32_t i = 0; i < limit && State() != state; ++i)
            RunTasks();
        return State() == state;
    }
    // Restarts and plays until the first step has run.
    void Load() {
        Send(PLAY_MSG_RESTART);
        ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
        const uint32_t frame = world_->frameCounter;
        RunTasks();
        ASSERT_EQ(world_->frameCounter, frame + 1);
    }
    // The player asks for the level in its next step; plays until that step.
    void PlayerRequests(int32_t level, uint16_t entry = 0) {
        gRequest = Request{level, entry};
        RunTasks();
        ASSERT_FALSE(gRequest.has_value());
    }
    size_t UiCount(uint32_t message) const {
        size_t n = 0;
        for (const auto& [m, arg] : gUiMessages)
            n += m == message;
        return n;
    }
    ObjectSlot* Player() {
        uint16_t index = 0;
        return FindNextObjectOfType(world_, &index, OBJT_PLAYER);
    }
    UserRecord& User() { return gSaveBlock.users[0]; }

    ScopedTempDir dir_;
    ScriptedPlatform clock_; // stands still: a level loads in two updates
    ScopedPlatform platform_{&clock_};
    SaveBlock savedBlock_{};
    uint32_t frames_ = 0;
    TaskRec* play_ = nullptr;
    GameWorld* world_ = nullptr;
};

TEST_F(PlayTask, PlayStatesKeepTheirTimingAndStepsWaitForTheirFrame) {
    DrawCapture capture;
    for (int i = 0; i < 5; ++i)
        RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_NONE);
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_EQ(world_->requestedEntry, 0xFFFE);
    EXPECT_EQ(world_->camera.deadZoneLeft, 800 * 100 / 1024); // bytes 16 x game level

    Send(PLAY_MSG_RESTART);
    std::vector<uint8_t> states;
    for (int i = 0; i < 15; ++i) {
        RunTasks();
        states.push_back(State());
    }
    std::vector<uint8_t> expected = {PLAY_STATE_LOADING, PLAY_STATE_START};
    expected.insert(expected.end(), 11, PLAY_STATE_FADE_IN);
    expected.insert(expected.end(), 2, PLAY_STATE_PLAYING);
    EXPECT_EQ(states, expected);
    EXPECT_EQ(world_->frameCounter, 1u); // the update that ended the fade did not step
    EXPECT_EQ(UiCount(UI_MSG_FADE_IN), 1u);
    EXPECT_EQ(capture[0].record.colour, 0xFF000000u); // level 1's first frame: the black veil

    // An undrawn step holds the next one back.
    world_->runFlags |= WORLD_NO_DRAW;
    for (int i = 0; i < 4; ++i)
        RunTasks();
    EXPECT_EQ(world_->frameCounter, 2u);
    world_->runFlags = 0;
    RunTasks();
    RunTasks();
    EXPECT_EQ(world_->frameCounter, 3u);

    RequestLevelChange(world_, 3, 1);
    std::vector<uint32_t> brightness;
    for (int i = 0; i < 14; ++i) {
        RunTasks();
        brightness.push_back(world_->brightness);
    }
    EXPECT_EQ(brightness,
              (std::vector<uint32_t>{6400, 12800, 19200, 25600, 32000, 38400, 44800, 51200, 57600,
                                     64000, 0x1FF01, 0x2FF02, 0x3FF03, 0xFF05}));
    EXPECT_EQ(State(), PLAY_STATE_RESTART);
    ASSERT_TRUE(RunUntil(PLAY_STATE_FADE_IN));
    EXPECT_EQ(world_->currentLevel, 3);
    // Level 3 shows item 2 of group 10 and the animation under the veil.
    capture.Clear();
    RunTasks();
    const CapturedDraw* shown = capture.FirstSpriteOf(GetResourceImage(&gResourceCatalogue, 10, 2));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->record.colour, (0xFF00u - kFadeStep) << 16);
    EXPECT_NE(capture.FirstSpriteOf(GetResourceImage(&gResourceCatalogue, 12, 0)), nullptr);

    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    RunTasks();
    const uint32_t frame = world_->frameCounter;
    Send(PLAY_MSG_PAUSE);
    RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_PAUSED);
    EXPECT_NE(world_->soundFlags & WORLD_SOUNDS_PAUSED, 0u);
    RunTasks();
    EXPECT_EQ(world_->frameCounter, frame + 1);
    EXPECT_EQ(capture.draws().back().record.colour, 0x7F000000u);
    Send(PLAY_MSG_RESUME);
    RunTasks();
    RunTasks();
    EXPECT_EQ(world_->soundFlags & WORLD_SOUNDS_PAUSED, 0u);
    EXPECT_EQ(world_->frameCounter, frame + 2);
}

TEST_F(PlayTask, ScoreLevelsKeepTheStartingScoreWriteTheSaveAndReportBasePoints) {
    User().runningScore = 700;
    User().levelScore[5] = -3;
    Load(); // level 1 is score level 0
    std::vector<uint8_t> save = ReadFile("game.sav");
    ASSERT_EQ(save.size(), 808u);
    EXPECT_EQ(GetU32LE(save.data()), 10u);
    EXPECT_EQ(GetI32LE(save.data() + 4 + USER_OFFSET_LEVEL_SCORES), 700);
    EXPECT_EQ(GetI32LE(save.data() + 4 + USER_OFFSET_LEVEL_SCORES + 20), -3);

    User().runningScore = 1000;
    Send(PLAY_MSG_PAUSE); // a pause asked for in the same step does not hide the level end
    PlayerRequests(3);    // score level 1
    for (int i = 0; i < 3; ++i)
        RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_LEVEL_END);
    EXPECT_EQ(world_->levelStatus.basePoints, 300);
    EXPECT_EQ(UiCount(UI_MSG_LEVEL_END), 3u);
    EXPECT_EQ(gUiMessages.back().second, TaskWord(&world_->levelStatus));

    // The tally closes. Bookkeeping off: no tally, and level 4 (a score
    // level) starts without a save, clearing the flag.
    Send(PLAY_MSG_RESUME);
    world_->playState = PLAY_STATE_FADE_OUT;
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    RunTasks();
    std::remove("game.sav");
    world_->scoreBookkeepingOff = 1;
    PlayerRequests(4);
    RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_FADE_OUT);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    EXPECT_FALSE(std::filesystem::exists("game.sav"));
    EXPECT_EQ(world_->scoreBookkeepingOff, 0);

    // Level 2 never shows a tally, though it is score level 2.
    RunTasks();
    gUiMessages.clear();
    PlayerRequests(2);
    RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_FADE_OUT);
    EXPECT_EQ(UiCount(UI_MSG_LEVEL_END), 0u);

    // The last level completes the game: no score level matches, so the
    // base points count from levelScore[7], and the level end holds.
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    RunTasks();
    User().levelScore[7] = 250;
    User().runningScore = 900;
    PlayerRequests(kLastLevel);
    for (int i = 0; i < 4; ++i)
        RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_LEVEL_END);
    EXPECT_NE(world_->gameFlags & GAME_FLAG_COMPLETED, 0);
    EXPECT_EQ(world_->levelStatus.basePoints, 650);

    // Without a current user nothing is kept or written.
    std::remove("game.sav");
    gSaveBlock.currentUser = 7;
    RequestLevelChange(world_, 1, 0);
    ASSERT_TRUE(RunUntil(PLAY_STATE_FADE_IN));
    EXPECT_FALSE(std::filesystem::exists("game.sav"));
}

TEST_F(PlayTask, TheLoadingPictureFallsBackToTheThirdFromLastOnlyPastTheGroupsSize) {
    // Group 10 holds three pictures: level L shows item L - 1, and item -3
    // once L - 1 exceeds three; L - 1 = 3 names no picture of the group.
    const std::pair<int32_t, int32_t> cases[] = {{3, 2}, {4, -1}, {5, 0}};
    Load();
    DrawCapture capture;
    for (const auto& [level, item] : cases) {
        SCOPED_TRACE(level);
        ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
        RequestLevelChange(world_, level, 0);
        capture.Clear();
        RunTasks();
        std::vector<int32_t> shown;
        for (int32_t k = 0; k < 3; ++k)
            if (capture.FirstSpriteOf(GetResourceImage(&gResourceCatalogue, 10, k)) != nullptr)
                shown.push_back(k);
        EXPECT_EQ(shown, item < 0 ? std::vector<int32_t>{} : std::vector<int32_t>{item});
        EXPECT_NE(capture.FirstSpriteOf(GetResourceImage(&gResourceCatalogue, 12, 0)), nullptr);
    }
}

TEST_F(PlayTask, MessagesThatNeedThePlayerDoNothingWithoutOne) {
    Send(PLAY_MSG_GOTO_LEVEL, 3);
    int32_t destination = 1;
    Send(PLAY_MSG_GOTO_DESTINATION, TaskWord(&destination));
    int32_t xy[2] = {-7, -7};
    Send(PLAY_MSG_GET_PLAYER_POS, TaskWord(xy));
    EXPECT_EQ(State(), PLAY_STATE_NONE);
    EXPECT_EQ(world_->requestedLevel, 1);
    EXPECT_EQ(destination, 1);
    EXPECT_EQ(xy[0], -7);

    Load();
    Send(PLAY_MSG_GET_PLAYER_POS, TaskWord(xy));
    EXPECT_EQ(xy[0], 64);
    EXPECT_EQ(xy[1], 64);
    int32_t moved[2] = {300, -5};
    Send(PLAY_MSG_SET_PLAYER_POS, TaskWord(moved));
    const PlayerLogic logic = *Player()->LogicAs<PlayerLogic>();
    EXPECT_EQ(logic.x, 300 * 65536);
    EXPECT_EQ(logic.y, -5 * 65536);
    gGameKeysPressed = kRight;
    RunTasks();
    EXPECT_EQ(Player()->x, 302);
    EXPECT_EQ(Player()->y, -5);
    // The editor's reload makes the player again where its record left it.
    Send(PLAY_MSG_RELOAD_OBJECTS);
    EXPECT_EQ(world_->liveObjects, 1);
    EXPECT_EQ(Player()->x, 302);

    // An index past the 32 destinations changes nothing but still reads -1.
    destination = 40;
    Send(PLAY_MSG_GOTO_DESTINATION, TaskWord(&destination));
    EXPECT_EQ(destination, -1);
    EXPECT_EQ(State(), PLAY_STATE_PLAYING);
    EXPECT_EQ(world_->requestedLevel, -1);

    // Destination 1 leads to level 200, which travels as the byte -56.
    destination = 1;
    Send(PLAY_MSG_GOTO_DESTINATION, TaskWord(&destination));
    const EntryRecord& record = world_->entries[Player()->itemNumber];
    EXPECT_EQ(destination, -1);
    EXPECT_NE(record.flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0);
    EXPECT_EQ(record.level, -56);
    EXPECT_EQ(world_->requestedLevel, -56);
    EXPECT_EQ(world_->requestedEntry, 2);
    EXPECT_EQ(State(), PLAY_STATE_FADE_OUT);

    Send(PLAY_MSG_GOTO_LEVEL, 3);
    EXPECT_EQ(record.level, 3);
    EXPECT_EQ(world_->requestedLevel, 3);
    EXPECT_EQ(world_->requestedEntry, 0);
}

TEST_F(PlayTask, ARestartOrLevelChangeDuringLoadingWaitsForTheLevelStart) {
    Send(PLAY_MSG_RESTART);
    RunTasks();
    ASSERT_EQ(State(), PLAY_STATE_LOADING);
    Send(PLAY_MSG_RESTART);
    EXPECT_EQ(State(), PLAY_STATE_LOADING);
    RunTasks(); // the loader finishes
    ASSERT_EQ(State(), PLAY_STATE_START);
    RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_RESTART);
    EXPECT_EQ(UiCount(UI_MSG_FADE_IN), 0u);

    RunTasks();
    ASSERT_EQ(State(), PLAY_STATE_LOADING);
    RequestLevelChange(world_, 3, 0);
    EXPECT_EQ(State(), PLAY_STATE_LOADING);
    ASSERT_TRUE(RunUntil(PLAY_STATE_START));
    EXPECT_EQ(world_->currentLevel, 1);
    RunTasks();
    EXPECT_EQ(State(), PLAY_STATE_FADE_OUT);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    EXPECT_EQ(world_->currentLevel, 3);
    EXPECT_EQ(UiCount(UI_MSG_FADE_IN), 1u);
}

TEST_F(PlayTask, KeysAreRecordedLittleEndianWithFrameDumpsAndReplayedMasked) {
    // A file in the way of the "dump" folder: nothing is recorded, and the
    // game says so in one line.
    std::ofstream("dump") << "mine";
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE | DUMP_KEYS_OPEN);
    EXPECT_EQ(world_->dumpFlags, DUMP_KEYS_ACTIVE);
    testing::internal::CaptureStdout();
    Load();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot record: the folder dump cannot be made: something else by that name is in "
              "the way\n");
    EXPECT_EQ(world_->dumpFlags, DUMP_KEYS_ACTIVE);

    // Without one, the recording makes the folder.
    ASSERT_EQ(std::remove("dump"), 0);
    Send(PLAY_MSG_RESTART);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    EXPECT_TRUE(std::filesystem::is_directory("dump"));
    EXPECT_EQ(world_->dumpFlags, DUMP_KEYS_ACTIVE | DUMP_KEYS_OPEN);
    gInputs.clear();
    const uint32_t first = world_->frameCounter + 1;
    for (uint32_t input : {kRight, kAction, 0x10008u}) {
        gGameKeysPressed = input;
        RunTasks();
    }
    // A full disk: the first frame that does not fit is said once, with the
    // reason, and removed. Frames stop, even once there is room again; the
    // keys go on.
    gGameKeysPressed = kUp;
    testing::internal::CaptureStdout();
    {
        FullDisk full(65536); // room for the recording, not for a frame
        RunTasks();
        RunTasks();
    }
    RunTasks();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Frame dump " + DumpName(first + 3) + " is incomplete: File too large\n");

    // New flags close the file: recording restarts only at a level start.
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY);
    EXPECT_EQ(world_->dumpFlags, DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY);
    std::vector<uint8_t> keys = {0x80, 0x40, 0, 0, 0, 0, 4, 0, 0x08, 0, 1, 0};
    for (int step = 0; step < 3; ++step)
        keys.insert(keys.end(), {0, 0x82, 0, 0});
    EXPECT_EQ(ReadFile("dump/keys.bin"), keys);
    // Each step's frame was dumped: entry 19's header, then a whole screen.
    for (uint32_t frame = first; frame < first + 3; ++frame) {
        const std::vector<uint8_t> bmp = ReadFile(DumpName(frame));
        ASSERT_EQ(bmp.size(), 54u + 800 * 600 * 3) << frame;
        EXPECT_TRUE(std::equal(bmp.begin(), bmp.begin() + 54, WriteDumpHeader().begin()));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("dump"), {}), 4);

    // A replay masks each word to the game keys; a short last word keeps
    // the live high bytes, and past the end the live word goes on.
    std::ofstream("dump/keys.bin", std::ios::binary)
        .write("\xFF\xFF\xFF\xFF\x80\x00\x00\x00\x20\x00", 10);
    Send(PLAY_MSG_RESTART);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    gInputs.clear();
    gGameKeysPressed = kAction | kUp;
    const uint32_t replayed = world_->frameCounter + 1;
    for (int i = 0; i < 4; ++i)
        RunTasks();
    EXPECT_EQ(gInputs, (std::vector<uint32_t>{GAME_KEY_MASK, 0x80, 0x40020, kAction | kUp}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("dump"), {}), 4);

    // Frames off: keys only.
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE | DUMP_FRAMES_OFF);
    Send(PLAY_MSG_RESTART);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    RunTasks();
    EXPECT_GT(world_->frameCounter, replayed + 3);
    // No new frame: the one more file is the recording under way, beside
    // the keys it is to replace.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("dump"), {}), 5);
    EXPECT_TRUE(std::filesystem::exists("dump/keys.bin.tmp"));

    // Frames on again: dumping starts afresh.
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE);
    Send(PLAY_MSG_RESTART);
    ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
    RunTasks();
    EXPECT_EQ(ReadFile(DumpName(world_->frameCounter)).size(), 54u + 800 * 600 * 3);
}

// A recording is never started over a file the user made read-only, nor
// on a FIFO, which would stop the game; a replay never waits on one either.
TEST_F(PlayTask, ARecordingLeavesAReadOnlyFileAndAFifoAsTheyWere) {
    ASSERT_TRUE(std::filesystem::create_directory("dump"));
    std::ofstream("dump/keys.bin") << "kept";
    ASSERT_EQ(chmod("dump/keys.bin", 0444), 0);
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE);
    testing::internal::CaptureStdout();
    Load();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot open dump/keys.bin to record: the file is read-only\n");
    EXPECT_EQ(world_->dumpFlags, DUMP_KEYS_ACTIVE);
    EXPECT_EQ(ReadFile("dump/keys.bin"), (std::vector<uint8_t>{'k', 'e', 'p', 't'}));

    ASSERT_EQ(std::remove("dump/keys.bin"), 0);
    HeldFifo fifo("dump/keys.bin");
    ASSERT_TRUE(fifo.ok());
    const std::pair<const char*, uint8_t> uses[] = {{"record", 0}, {"replay", DUMP_KEYS_REPLAY}};
    for (const auto& [use, replay] : uses) {
        Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE | replay);
        testing::internal::CaptureStdout();
        Send(PLAY_MSG_RESTART);
        ASSERT_TRUE(RunUntil(PLAY_STATE_PLAYING));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  std::string("Cannot open dump/keys.bin to ") + use +
                      ": it is not a regular file\n");
        EXPECT_EQ(world_->dumpFlags & DUMP_KEYS_OPEN, 0);
        EXPECT_TRUE(IsFifo("dump/keys.bin"));
    }
}

// A disk that fills up while keys are recorded, as near as a test comes to
// one: writes stop at the file-size limit. The recording says so once, and
// the last whole recording is left as it was.
TEST_F(PlayTask, ARecordingTheDiskCannotHoldLeavesTheLastOneAsItWas) {
    ASSERT_TRUE(std::filesystem::create_directory("dump"));
    const std::vector<uint8_t> last(4000, 0x5A);
    std::ofstream("dump/keys.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(last.data()),
               static_cast<std::streamsize>(last.size()));
    Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE | DUMP_FRAMES_OFF);
    Load();
    ASSERT_NE(world_->dumpFlags & DUMP_KEYS_OPEN, 0);
    const uint32_t first = world_->frameCounter;
    testing::internal::CaptureStdout();
    {
        FullDisk full(1024);
        for (int i = 0; i < 1500; ++i) // more than a write buffer holds
            RunTasks();
        Send(PLAY_MSG_SET_DUMP_FLAGS, DUMP_KEYS_ACTIVE); // ends the recording
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot record dump/keys.bin: File too large; the file is left as it was\n");
    EXPECT_GT(world_->frameCounter - first, 4096u / 4);
    EXPECT_EQ(ReadFile("dump/keys.bin"), last);
    EXPECT_FALSE(std::filesystem::exists("dump/keys.bin.tmp"));
}

} // namespace
