// Level loading: generated levels loaded through the task on the virtual
// clock, restarts and level changes that keep what they may, the chain's
// faults, the placement table and the option gates.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "menus/save_file.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/level_writer.h"
#include "tools/sample/png_writer.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/world_archive.h"
#include "world/behaviours/behaviours.h"
#include "world/game_world.h"
#include "world/level_load.h"
#include "world/option_gate.h"
#include "world/tile_map.h"

namespace {

constexpr int32_t kWidth = 40;
constexpr int32_t kRows = 30;
constexpr uint8_t kPlayerCode = 10;
constexpr uint8_t kPickupCode = 20;  // type 5, kind 0
constexpr uint8_t kKindOneCode = 21; // type 7, kind 1
constexpr uint8_t kExitCode = 30;    // type 67
constexpr uint8_t kPickupType = 5;
constexpr uint8_t kKindOneType = 7;
constexpr uint8_t kUnusedType = 9;
constexpr uint8_t kListedType = 110;
constexpr uint8_t kExitType = 67;
constexpr uint16_t kEntryFromRecord = 0xFFFE;

std::vector<std::pair<int32_t, ObjectMessage>> gMessages; // (type, message)

void RecordMessage(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    gMessages.emplace_back(object->typeId, message);
}

void InstallLoadTypes(GameWorld* world) {
    RegisterObjectType(world, OBJT_PLAYER, RecordMessage, EmptyDraw, OBJ_KIND_TRACKED, 16, 0);
    RegisterObjectType(world, kPickupType, RecordMessage, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
    RegisterObjectType(world, kKindOneType, RecordMessage, EmptyDraw, 1, 0, 0);
    RegisterObjectType(world, kExitType, TestOptionGatedCell, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
}

// Moves on by a fixed step at every reading, so each update of the loader
// runs a fixed number of steps.
class SteppingClock : public ScriptedPlatform {
public:
    explicit SteppingClock(uint32_t step) : step_(step) {}
    uint32_t GetTicks() override { return ScriptedPlatform::GetTicks() + (elapsed_ += step_); }

private:
    uint32_t step_;
    uint32_t elapsed_ = 0;
};

std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint32_t seed) {
    return WritePng(MakeTestPicture(PngColour::Rgba, 8, width, height, seed));
}

using Cells = std::vector<std::tuple<int32_t, int32_t, uint8_t>>; // column, row, code

std::array<LevelLayerGrid, 4> Layers(const Cells& tiles, const Cells& objects) {
    std::array<LevelLayerGrid, 4> layers = {
        FilledLayer(kWidth, kRows, 50), FilledLayer(kWidth, kRows, 0),
        FilledLayer(kWidth, kRows, 0), FilledLayer(kWidth, kRows, 0)};
    for (const auto& [x, y, code] : tiles)
        layers[code == 54 ? 2 : 1].At(x, y) = code;
    for (const auto& [x, y, code] : objects)
        layers[3].At(x, y) = code;
    return layers;
}

MediaBlockSpec Block(int32_t sprites, std::optional<std::vector<uint8_t>> levelList = {}) {
    MediaBlockSpec block;
    block.scripts = EncodeMediaScripts(0, 0, {{ScriptInstruction{0, 0, 0, 1, 0, 0}}});
    for (int32_t i = 0; i < sprites; ++i)
        block.sprites.push_back(MediaSpriteSpec{Png(4, 4, 90 + i), 8, {}});
    block.levelSprites = std::move(levelList);
    return block;
}

// Level 1: every kind of object cell, three destinations, a background.
// Level 2: the same tile set with other codes, media part 2, no
// destinations. Level 3: no player cell, 40 destination pairs.
WorldArchiveSpec MakeSpec() {
    WorldArchiveSpec spec;
    spec.codeTypes[kPlayerCode] = OBJT_PLAYER;
    spec.codeTypes[kPickupCode] = kPickupType;
    spec.codeTypes[kKindOneCode] = kKindOneType;
    spec.codeTypes[kExitCode] = kExitType;
    spec.typeList[0] = kListedType;
    spec.shapes[50] = {1, 1, 1, 1};

    WorldLevelSpec one;
    one.layers = Layers({{1, 1, 51}, {2, 1, 52}, {3, 3, 54}}, {{0, 0, 200},
                                                               {3, 2, kPickupCode},
                                                               {9, 2, kPickupCode},
                                                               {12, 3, 4},
                                                               {2, 5, kPlayerCode},
                                                               {15, 6, kKindOneCode},
                                                               {7, 8, 1},
                                                               {5, 10, kExitCode},
                                                               {6, 10, 24}});
    one.background = Png(100, 50, 7);
    one.takenBitBases = {100, 200, 0};
    one.destinations = {{2, 1}, {3, 0}, {5, 4}};

    WorldLevelSpec two;
    two.layers = Layers({{5, 5, 55}}, {{1, 1, kPickupCode}, {4, 4, kPlayerCode}, {8, 9, 2}});
    two.mediaPart = 2;
    two.takenBitBases = {300, 400, 0};

    WorldLevelSpec three;
    three.layers = Layers({}, {{6, 6, kPickupCode}});
    three.tileSet = 2;
    for (int32_t i = 0; i < 40; ++i)
        three.destinations.push_back({i, 100 + i});
    spec.levels = {one, two, three};

    WorldTileSetSpec set;
    set.substitutes[52] = 53;
    for (uint32_t code = 0; code <= 55; ++code)
        set.images.push_back(code >= 50 ? Png(32, 32, code) : std::vector<uint8_t>{});
    spec.tileSets = {set, WorldTileSetSpec{}};

    spec.mediaBlocks = {Block(2, EncodeLevelList(4, {{1, {1}}, {2, {0}}})), Block(1), Block(1),
                        Block(1)};
    spec.mediaParts = {{{OBJT_PLAYER, 0}, {kPickupType, 1}, {kUnusedType, 2}, {kListedType, 3}},
                       {{OBJT_PLAYER, 0}, {kPickupType, 1}, {kListedType, 3}}};
    spec.levelTable = {0, 1, 2, 3};
    spec.cameraRecords.assign(8 * 3 + 16, 0);
    for (int32_t k = 0; k < 4; ++k) {
        spec.cameraRecords[16 + k] = static_cast<int16_t>(100 * (k + 1)); // level 1
        spec.cameraRecords[24 + k] = static_cast<int16_t>(50 + 10 * k);   // level 2
    }
    return spec;
}

using Point = std::pair<int32_t, int32_t>;

// (x, y, item number, code)
using Placed = std::vector<std::tuple<int16_t, int16_t, int16_t, uint16_t>>;

class LevelLoadTest : public testing::Test {
protected:
    void SetUp() override {
        SetObjectTypeInstaller(InstallLoadTypes);
        gMessages.clear();
        savedBlock_ = gSaveBlock;
        spec_ = MakeSpec();
        builder_ = BuildWorldArchive(spec_, &layout_);
    }

    void TearDown() override {
        FreeWorld();
        if (gTaskStack != nullptr) {
            PopAllTasks();
            DestroyTaskStack();
        }
        if (catalogue_) {
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
        }
        CloseArchive(&gResourceArchive);
        SetObjectTypeInstaller(nullptr);
        gSaveBlock = savedBlock_;
    }

    void Open() {
        ASSERT_TRUE(builder_.WriteToFile("base.res"));
        ASSERT_EQ(OpenArchive(&gResourceArchive, "base.res"), 1);
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, &frames_,
                               CATALOGUE_ROOT_ENTRY);
        catalogue_ = true;
    }

    // As the play task makes its world.
    void MakeWorld() {
        FreeWorld();
        world_ = NewGameWorld();
        InstallObjectTypes(world_);
        ResetMediaSets(world_);
        InitTileRunMap(world_);
        LoadLevelLists(world_);
        world_->levelTable = GetResourceBytes(&gResourceCatalogue, 0, 0);
        world_->levelTableSize = GetResourceSize(&gResourceCatalogue, 0, 0);
        world_->cameraRecords = GetResourceBytes(&gResourceCatalogue, 0, 1);
        world_->cameraRecordsSize = GetResourceSize(&gResourceCatalogue, 0, 1);
        world_->gameLevel = 1;
        SetCameraViewSize(world_, 800, 600);
    }

    void FreeWorld() {
        if (world_ == nullptr)
            return;
        FreeImage(&world_->background);
        ReleaseLevelImages(world_, true);
        FreeMediaSets(world_);
        DeleteObjectsExceptType(world_, -1);
        FreeTileRunMapBuffers(world_);
        FreeTileShapes(world_);
        FreeTileRunMap(&world_->map);
        DeleteGameWorld(world_);
        world_ = nullptr;
    }

    // As the play task restarts: objects and placements go, then the loader
    // is pushed.
    void Push(int16_t level, uint16_t entry) {
        world_->requestedLevel = level;
        world_->requestedEntry = entry;
        DeleteObjectsExceptType(world_, -1);
        FreeTileRunMapBuffers(world_);
        if (gTaskStack == nullptr)
            CreateTaskStack();
        PushTask(LevelLoadTaskHandler, TaskWord(world_), 0);
    }
    // Frames until the loader pops, at most `limit`.
    int32_t RunFrames(int32_t limit = 1000) {
        int32_t frames = 0;
        while (GetTaskCount() > 0 && frames < limit) {
            RunTasks();
            ++frames;
        }
        return frames;
    }
    int32_t Load(int16_t level, uint16_t entry) {
        Push(level, entry);
        return RunFrames();
    }

    Placed Placements() const {
        Placed out;
        for (int32_t i = 0; i <= world_->placementCount; ++i) {
            const PlacementRecord& p = world_->placements[i];
            out.emplace_back(p.x, p.y, p.itemNumber, p.code);
        }
        return out;
    }
    MediaSet* SetOf(int32_t type) {
        const int32_t index = FindMediaSetIndex(world_, type);
        return index >= 0 ? &world_->mediaSets[index] : nullptr;
    }
    void SetOption(int32_t option) {
        gSaveBlock.currentUser = 0;
        gSaveBlock.users[0].Difficulty = option;
    }
    void SetMapCode(int32_t layer, int32_t x, int32_t y, uint8_t code) {
        world_->map.layers[layer].rowRuns[y][x].code = code;
    }

    ScopedTempDir dir_;
    ScriptedPlatform clock_;
    ScopedPlatform platform_{&clock_};
    SaveBlock savedBlock_{};
    WorldArchiveSpec spec_;
    WorldArchiveLayout layout_;
    ArchiveBuilder builder_;
    uint32_t frames_ = 0;
    bool catalogue_ = false;
    GameWorld* world_ = nullptr;
};

const Placed kLevelOnePlacements = {{96, 64, 100, kPickupCode},
                                    {288, 64, 101, kPickupCode},
                                    {384, 96, 102, 4},
                                    {384, 96, 0, kPlayerCode},
                                    {480, 192, 200, kKindOneCode},
                                    {224, 256, 103, 1},
                                    {160, 320, 104, kExitCode},
                                    {192, 320, 105, 24}};

TEST_F(LevelLoadTest, ALevelLoadsThroughTheTaskWithItsPlayerAtTheEntry) {
    Open();
    MakeWorld();
    // On a clock that stands still the time box never closes: one update
    // runs up to the rebind step, the next pops the task.
    EXPECT_EQ(Load(1, 3), 2);
    EXPECT_EQ(world_->playState, PLAY_STATE_START);
    EXPECT_EQ(world_->requestedLevel, -1);
    EXPECT_EQ(world_->requestedEntry, kEntryNone);
    EXPECT_EQ(world_->currentLevel, 1);
    EXPECT_EQ(world_->gameLevel, 1);

    // Entry 3 is the cell of code 4: the player's placement takes it.
    EXPECT_EQ(Placements(), kLevelOnePlacements);
    ASSERT_EQ(world_->highestSlot, 0);
    const ObjectSlot& player = world_->slots[0];
    EXPECT_EQ(player.typeId, OBJT_PLAYER);
    EXPECT_EQ(Point(player.x, player.y), Point(384, 96));
    EXPECT_EQ(player.placement, &world_->placements[3]);
    EXPECT_EQ(world_->placements[3].liveSlot, 0);
    EXPECT_EQ(world_->camera.followed.slot, 0);
    const EntryRecord& record = world_->entries[0];
    EXPECT_EQ(record.type, OBJT_PLAYER);
    EXPECT_EQ(record.flags, ENTRY_FLAG_PLACED);
    EXPECT_EQ(record.level, 1);
    EXPECT_EQ(Point(record.x, record.y), Point(384, 96));
    EXPECT_EQ(gMessages, (std::vector<std::pair<int32_t, ObjectMessage>>{
                             {OBJT_PLAYER, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS},
                             {OBJT_PLAYER, OBJ_MSG_REBIND_MEDIA}}));
    EXPECT_EQ(world_->takenBitCounters[0], 106);
    EXPECT_EQ(world_->takenBitCounters[1], 201);

    const int32_t destinations[4][2] = {{2, 1}, {3, 0}, {5, 4}, {0, 0}};
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(Point(world_->destinations[i][0], world_->destinations[i][1]),
                  Point(destinations[i][0], destinations[i][1]));

    EXPECT_EQ(world_->camera.maximumX, (kWidth * 32 - 800 - 1) * 65536);
    EXPECT_EQ(world_->camera.maximumY, (kRows * 32 - 600 - 1) * 65536);
    EXPECT_EQ(world_->camera.deadZoneLeft, 800 * 100 / 1024);
    EXPECT_EQ(world_->camera.deadZoneHeight, 600 * 400 / 1024);
    ASSERT_NE(world_->background, nullptr);
    EXPECT_EQ(Point(world_->backgroundX, world_->backgroundY), Point(350, 275));

    // Codes the map draws have images; 52 is drawn through its substitute 53.
    for (int32_t code : {50, 51, 53, 54})
        EXPECT_NE(world_->tileImages[code], nullptr) << code;
    EXPECT_EQ(world_->tileImages[52], nullptr);
    EXPECT_EQ(world_->codeFlags[52], 3);
    EXPECT_EQ(world_->tileImages[55], nullptr);
    EXPECT_EQ(world_->tileImageLevel, static_cast<int16_t>(layout_.tileSetBlocks[0]));

    // Placed and listed types have media; the level list of type 1 names
    // only its sprite 1 for level 1.
    ASSERT_NE(SetOf(OBJT_PLAYER), nullptr);
    EXPECT_EQ(SetOf(OBJT_PLAYER)->sprites[0].image, nullptr);
    EXPECT_NE(SetOf(OBJT_PLAYER)->sprites[1].image, nullptr);
    ASSERT_NE(SetOf(kPickupType), nullptr);
    EXPECT_NE(SetOf(kPickupType)->sprites[0].image, nullptr);
    EXPECT_NE(SetOf(kListedType), nullptr);
    EXPECT_EQ(SetOf(kUnusedType), nullptr);

    // The exit beside code 24 exists only at option 0; beside code 18 it
    // exists at option 2, where the shared gate would remove another type.
    PlacementRecord* exitPlacement = &world_->placements[6];
    SetOption(0);
    ObjectSlot* exit = CreateObjectFromPlacement(world_, exitPlacement);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(Point(exit->x, exit->y), Point(160, 320));
    DeleteObject(world_, exit);
    SetOption(1);
    exit = CreateObjectFromPlacement(world_, exitPlacement);
    EXPECT_EQ(Point(exit->x, exit->y), Point(-3000, -1000));
    DeleteObject(world_, exit);
    SetMapCode(3, 6, 10, 18);
    SetOption(2);
    exit = CreateObjectFromPlacement(world_, exitPlacement);
    EXPECT_EQ(Point(exit->x, exit->y), Point(160, 320));
    EXPECT_FALSE(OptionGateAllows(RightCellCode(world_, exit->x, exit->y), CurrentUserOption()));
}

TEST_F(LevelLoadTest, ARestartKeepsMapImagesAndUsedMediaAndPutsThePlayerWhereItWas) {
    Open();
    MakeWorld();
    Load(1, kEntryFromRecord);
    ASSERT_EQ(world_->slots[0].typeId, OBJT_PLAYER);
    EXPECT_EQ(Point(world_->slots[0].x, world_->slots[0].y), Point(64, 160));

    // Marks that only survive when nothing is read again: a cell changed in
    // the loaded map and a pixel of a loaded tile image.
    SetMapCode(3, 20, 12, kPickupCode);
    world_->tileImages[50]->pixels[0] = 0x12345678u;
    world_->tileImages[53]->pixels[0] = 0x12345678u;
    MediaSet* playerMedia = SetOf(OBJT_PLAYER);
    playerMedia->sprites[1].image->pixels[0] = 0x12345678u;
    LoadObjectSprite(world_, playerMedia, 0);
    ASSERT_NE(playerMedia->sprites[0].image, nullptr);
    ASSERT_EQ(LoadMediaSet(world_, kUnusedType), 1);
    // The player walks on; its entry record follows it.
    world_->slots[0].x = 700;
    world_->slots[0].y = 500;
    SendObjectMessage(world_, &world_->slots[0], 0);

    Load(-1, kEntryNone);
    EXPECT_EQ(world_->currentLevel, 1);
    // The player's placement comes from its record, at its record's cell;
    // its map cell adds none. The counters restart at the same bases.
    EXPECT_EQ(Placements(), (Placed{{96, 64, 100, kPickupCode},
                                    {288, 64, 101, kPickupCode},
                                    {384, 96, 102, 4},
                                    {480, 192, 200, kKindOneCode},
                                    {224, 256, 103, 1},
                                    {160, 320, 104, kExitCode},
                                    {192, 320, 105, 24},
                                    {640, 384, 106, kPickupCode},
                                    {700, 500, 0, kPlayerCode}}));
    EXPECT_EQ(Point(world_->slots[0].x, world_->slots[0].y), Point(700, 500));
    // Code 53 is used only as the substitute of 52.
    for (int32_t code : {50, 53}) {
        ASSERT_NE(world_->tileImages[code], nullptr) << code;
        EXPECT_EQ(world_->tileImages[code]->pixels[0], 0x12345678u) << code;
    }
    EXPECT_EQ(SetOf(kUnusedType), nullptr);
    EXPECT_EQ(SetOf(OBJT_PLAYER), playerMedia);
    EXPECT_EQ(playerMedia->sprites[0].image, nullptr);
    ASSERT_NE(playerMedia->sprites[1].image, nullptr);
    EXPECT_EQ(playerMedia->sprites[1].image->pixels[0], 0x12345678u);
}

TEST_F(LevelLoadTest, ALevelChangeLoadsOnlyNewTileImagesAndEntersAtTheChosenEntry) {
    spec_.levels[1].background = Png(100, 50, 7);
    spec_.levels[1].background.resize(40); // cannot be decoded
    builder_ = BuildWorldArchive(spec_, &layout_);
    Open();
    MakeWorld();
    Load(1, kEntryFromRecord);
    world_->tileImages[50]->pixels[0] = 0x12345678u;
    // What an exit does before the change.
    world_->entries[0].level = 2;
    world_->entries[0].flags |= ENTRY_FLAG_DESTINATION_CHOSEN;

    Load(2, 1);
    EXPECT_EQ(world_->currentLevel, 2);
    ASSERT_NE(world_->tileImages[50], nullptr);
    EXPECT_EQ(world_->tileImages[50]->pixels[0], 0x12345678u);
    for (int32_t code : {51, 53, 54}) {
        EXPECT_EQ(world_->tileImages[code], nullptr) << code;
        EXPECT_EQ(world_->codeFlags[code] & 1, 0) << code;
    }
    EXPECT_NE(world_->tileImages[55], nullptr);
    // The player's record placement comes first; entry 1 is the code-2 cell.
    EXPECT_EQ(Placements(),
              (Placed{{32, 32, 300, kPickupCode}, {256, 288, 0, kPlayerCode}, {256, 288, 301, 2}}));
    EXPECT_EQ(Point(world_->slots[0].x, world_->slots[0].y), Point(256, 288));
    for (const auto& pair : world_->destinations)
        EXPECT_EQ(Point(pair[0], pair[1]), Point(0, 0));
    EXPECT_EQ(world_->mediaPart, 2);
    EXPECT_EQ(world_->background, nullptr);
    EXPECT_EQ(Point(world_->backgroundX, world_->backgroundY), Point(0, 0));
    ASSERT_NE(SetOf(OBJT_PLAYER), nullptr);
    EXPECT_NE(SetOf(OBJT_PLAYER)->sprites[0].image, nullptr);
    EXPECT_EQ(SetOf(OBJT_PLAYER)->sprites[1].image, nullptr);
    EXPECT_EQ(world_->camera.deadZoneLeft, 800 * 50 / 1024);
}

TEST_F(LevelLoadTest, ALevelWithoutAPlayerCellLoadsWithoutAPlayerAndKeeps32Destinations) {
    Open();
    MakeWorld();
    Load(3, 0);
    EXPECT_EQ(world_->playState, PLAY_STATE_START);
    EXPECT_EQ(world_->highestSlot, -1);
    EXPECT_EQ(world_->entries[0].type, 0);
    EXPECT_EQ(Placements(), (Placed{{192, 192, 0, kPickupCode}}));
    EXPECT_EQ(world_->background, nullptr);
    for (int32_t i = 0; i < kDestinationCount; ++i)
        EXPECT_EQ(Point(world_->destinations[i][0], world_->destinations[i][1]), Point(i, 100 + i));
}

TEST_F(LevelLoadTest, TheTimeBoxCutsALoadIntoTheSameFramesEveryRun) {
    Open();
    SteppingClock clock(4);
    ScopedPlatform stepping(&clock);
    std::vector<int32_t> frames;
    for (int32_t run = 0; run < 2; ++run) {
        MakeWorld();
        frames.push_back(Load(1, 3));
        EXPECT_EQ(Placements(), kLevelOnePlacements);
        EXPECT_EQ(world_->playState, PLAY_STATE_START);
    }
    EXPECT_EQ(frames[0], frames[1]);
    // Five steps an update: the 56 tile codes alone need a dozen frames.
    EXPECT_GT(frames[0], 12);
}

TEST_F(LevelLoadTest, ALevelFileThatCannotBeOpenedIsTriedAgainEveryFrame) {
    const std::vector<uint8_t> file = WriteLevelFile(spec_.levels[0].layers);
    builder_.Entry(layout_.levelBlocks[0]) = ExternalEntry(0, "level1.map", file);
    Open();
    ASSERT_TRUE(std::filesystem::remove("level1.map"));
    MakeWorld();
    Push(1, 3);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunFrames(5), 5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Level 1: level file entry " + std::to_string(layout_.levelBlocks[0]) +
                  " cannot be opened\n");
    EXPECT_EQ(world_->playState, PLAY_STATE_LOADING);
    EXPECT_EQ(world_->currentLevel, -1);
    std::ofstream(("level1.map"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    EXPECT_EQ(RunFrames(), 2);
    EXPECT_EQ(Placements(), kLevelOnePlacements);
}

TEST_F(LevelLoadTest, ALevelNotFoundIsFatalOnlyWithoutALevelLoaded) {
    // Level 2's tile set lies outside the archive; level 3's file is no
    // map. Level 5 lies past the level index, at a word naming a level.
    builder_.Entry(layout_.levelBlocks[1] + 1) = NumberEntry(1000000);
    builder_.Entry(layout_.levelBlocks[2]) = PlainEntry(0, std::vector<uint8_t>(16, 0));
    builder_.Entry(layout_.tileSetIndex + 1) = NumberEntry(layout_.levelBlocks[0]);
    Open();
    MakeWorld();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto& [level, line] : {std::pair<int16_t, const char*>{2, "Level 2 not found"},
                                      {3, "Level 3: level file entry [0-9]+ is not a level map"}})
        EXPECT_EXIT(
            {
                dup2(2, 1);
                Load(level, 0);
            },
            testing::ExitedWithCode(1), line);
    Load(1, 3);
    SetMapCode(3, 20, 12, kPickupCode);
    for (int16_t level : {2, 5, 0}) {
        world_->entries[0].level = static_cast<int8_t>(level); // as an exit leaves it
        testing::internal::CaptureStdout();
        Load(level, 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Level " + std::to_string(level) + " not found\n");
        EXPECT_EQ(world_->currentLevel, 1);
        EXPECT_EQ(std::get<0>(Placements().back()), 640); // the map was kept
        // The record left on another level counts as not placed.
        EXPECT_EQ(Point(world_->slots[0].x, world_->slots[0].y), Point(64, 160));
    }
}

TEST(LevelTiles, ASubstitutePastTheLastImageIsNeitherLoadedNorMarked) {
    GameWorld* world = NewGameWorld();
    world->codeFlags[3] = 2;
    world->codeFlags[200] = 2;
    world->codeSubstitutes[3] = 200;
    int32_t code = 3;
    EXPECT_EQ(LoadTileImagesStep(world, 10, 60, &code), 0);
    EXPECT_EQ(world->codeFlags[3], 3);
    EXPECT_EQ(world->codeFlags[200], 2);
    DeleteGameWorld(world);
}

TEST(LevelLists, AMissingOrUnreadableCodeTypeOrShapeTableIsNamedAndItsShapesStayEmpty) {
    ScopedTempDir dir;
    const std::vector<uint8_t> types(256, 5);
    std::array<uint8_t, 16> solid;
    solid.fill(1);
    const std::vector<uint8_t> shapes = WriteShapeTable({{7, solid}});
    const std::string typesLine =
        "Code-type table: entry 0 cannot be read, no map code places an object\n";
    const std::string shapesLine =
        "Tile-shape table: entry 2 cannot be read, no tile has a shape\n";
    struct Case {
        std::vector<ArchiveEntrySpec> entries;
        std::string said;
    } const cases[] = {
        {{PlainEntry(3, types), PlainEntry(3, {}), PlainEntry(3, shapes)}, ""},
        {{PlainEntry(3, {}), PlainEntry(3, {})}, typesLine + shapesLine}, // no entry 2
        {{ExternalEntry(3, "gone.bin", types), PlainEntry(3, {}), LinkEntry(0)},
         typesLine + shapesLine},
        {{PlainEntry(3, types), PlainEntry(3, {}), ExternalEntry(3, "gone.bin", shapes)},
         shapesLine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ArchiveBuilder builder;
        for (const ArchiveEntrySpec& entry : c.entries)
            builder.Add(entry);
        ASSERT_TRUE(builder.WriteToFile("lists.res"));
        std::filesystem::remove("gone.bin");
        ASSERT_EQ(OpenArchive(&gResourceArchive, "lists.res"), 1);
        GameWorld* world = NewGameWorld();
        testing::internal::CaptureStdout();
        LoadLevelLists(world);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.said);
        const bool shaped = c.said.find("shape") == std::string::npos;
        EXPECT_EQ(world->codeTypes[9], c.said.find("Code-type") == std::string::npos ? 5 : 0);
        EXPECT_EQ(world->tileShapes[7]->q[0], shaped ? 1 : 0);
        EXPECT_EQ(world->tileShapeCount, shaped ? 2 : 1);
        FreeTileShapes(world);
        DeleteGameWorld(world);
        CloseArchive(&gResourceArchive);
    }
}

TEST(Placements, RecordsOfOneCellKeepTheirOrderAndAFullTableTakesNoMore) {
    GameWorld* world = NewGameWorld();
    world->gameLevel = 4;
    world->codeTypes[12] = OBJT_PLAYER;
    const int16_t records[][3] = {{3, 40, 40}, {5, 10, 100}, {7, 50, 45}, {9, 200, 10}};
    for (const auto& r : records) {
        EntryRecord& e = world->entries[r[0]];
        e.type = OBJT_PLAYER;
        e.flags = ENTRY_FLAG_PLACED;
        e.x = r[1];
        e.y = r[2];
        e.level = 4;
    }
    world->entries[11] = world->entries[3];
    world->entries[11].level = 5; // another level's record stays out
    CountPlacementsStep(world);
    EXPECT_EQ(world->placementCapacity, 4);
    std::vector<std::tuple<int16_t, int16_t, int16_t, uint16_t>> order;
    for (int32_t i = 0; i <= world->placementCount; ++i) {
        const PlacementRecord& p = world->placements[i];
        order.emplace_back(p.x, p.y, p.itemNumber, p.code);
        EXPECT_EQ(p.liveSlot, -1);
    }
    EXPECT_EQ(order,
              (Placed{{200, 10, 9, 12}, {40, 40, 3, 12}, {50, 45, 7, 12}, {10, 100, 5, 12}}));
    EXPECT_EQ(world->entries[7].flags, ENTRY_FLAG_PLACED | ENTRY_FLAG_PLACED_THIS_LOAD);
    EXPECT_EQ(world->entries[11].flags, ENTRY_FLAG_PLACED);

    AddPlacement(world, 0, 0, 1, 77);
    EXPECT_EQ(world->placementCount, 3);
    EXPECT_EQ(world->placements[0].itemNumber, 9);
    EXPECT_EQ(CodeToTypeSlot(world, 99), kNoTypeSlot);
    EXPECT_EQ(CodeToTypeSlot(world, 0), 0);
    FreeTileRunMapBuffers(world);
    EXPECT_EQ(world->placementCapacity, 0);
    DeleteGameWorld(world);
}

TEST(OptionGate, TheSharedGateFollowsTheOptionTable) {
    // Codes 18, 19, 20, 24, 25 at options 0, 1, 2; every other code always.
    const bool allowed[5][3] = {{true, true, false},
                                {false, true, true},
                                {false, false, true},
                                {true, false, false},
                                {false, true, false}};
    const int32_t codes[5] = {18, 19, 20, 24, 25};
    for (int32_t c = 0; c < 5; ++c)
        for (int32_t option = 0; option < 3; ++option)
            EXPECT_EQ(OptionGateAllows(codes[c], option), allowed[c][option])
                << codes[c] << " at " << option;
    for (int32_t code : {-1, 0, 17, 21, 22, 23, 26, 255})
        for (int32_t option = 0; option < 3; ++option)
            EXPECT_TRUE(OptionGateAllows(code, option)) << code;
}

} // namespace
