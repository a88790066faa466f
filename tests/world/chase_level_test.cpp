// The chase level of the sample archive played from its start by the whole
// program on the virtual clock, with the game's own behaviours: a key
// script knocks down both enemies and the braking chased character with
// thrown objects, takes both gems, rides the moving plate and reaches the door,
// then walks the last level to its golden door, which completes the game.
// Each level end reaches the UI flow with its results, game.sav keeps the
// score, and the recorded keys replay to the same world trace in a fresh
// process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/app.h"
#include "engine/bytes.h"
#include "engine/config.h"
#include "engine/game_keys.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/renderer.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/sample_archive.h"
#include "world/behaviours/chased_state.h"
#include "world/behaviours/level_object_state.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/play_task.h"

extern char** environ;

namespace {

constexpr const char* kReplayDirVariable = "QB_CHASE_REPLAY_DIR";
constexpr const char* kReplayStepsVariable = "QB_CHASE_REPLAY_STEPS";
// The run goes on past the level end that completes the game for this
// many steps, so that the stage behind the ending starts and writes
// game.sav.
constexpr int32_t kStepsAfterLevelEnd = 40;
constexpr int32_t kMostSteps = 3000;

// Points the sample world gives.
constexpr int32_t kCoinPoints = 3;
constexpr int32_t kEnemyPoints = 50;
constexpr int32_t kGemPoints = 50;
constexpr int32_t kBrakingChasedPoints = 200;

// A rise of the running score, and the chased character's state then (-1
// without one).
struct Award {
    int32_t points;
    int32_t chasedState;
};

// The level end as the UI flow was told of it.
struct LevelEnd {
    LevelStatusRecord status;
    bool argIsWorldRecord;
    uint8_t playState;
    uint8_t gameFlags;
    int16_t requestedLevel;
};

// What one run of the program saw.
struct RunLog {
    bool replaying = false;
    int32_t steps = kMostSteps; // the run ends after this many
    ScriptedPlatform* platform = nullptr;
    std::vector<std::string> trace;
    std::vector<LevelEnd> levelEnds;
    std::vector<Award> awards;
    int32_t lastScore = 0;
    bool leverShut = false;
    int32_t conveyedSteps = 0;
    bool plateStopped = false;
    bool chasedRan = false;
    bool chasedAheadAtEnd = false;
    size_t scriptStep = 0;
    int32_t since = 0; // updates into the current script step
};
RunLog* gRun = nullptr;

const ObjectSlot* FirstOf(GameWorld* world, int32_t type) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, type);
}

int32_t RunningScore() {
    const UserRecord* user = CurrentUserRecord();
    return user != nullptr ? user->runningScore : 0;
}

// ---- the key script ---------------------------------------------------------------

enum class Action { WalkRight, TurnLeft, Throw, JumpRight };

// A step holds its keys until its condition holds; conditions read where
// the objects are, so the script follows the level's layout. A key the
// step taps is let go on its third update, before its condition can end
// the step.
struct ScriptStep {
    const char* what;
    Action action;
    bool (*until)(GameWorld* world, const ObjectSlot* player, int32_t since);
};

bool Before(GameWorld* world, const ObjectSlot* player, int32_t type, int32_t pixels) {
    const ObjectSlot* object = FirstOf(world, type);
    return object != nullptr && player->x >= object->x - pixels;
}

bool ThrowDone(GameWorld*, const ObjectSlot* player, int32_t since) {
    const int32_t state = player->LogicAs<PlayerState>()->state & ~PLAYER_FACING_LEFT;
    return since >= 4 && state != PLAYER_ST_ACTION_A && state != PLAYER_ST_ACTION_B;
}

const ScriptStep kScript[] = {
    {"to 200 pixels before the red enemy", Action::WalkRight,
     [](GameWorld* w, const ObjectSlot* p, int32_t) {
         return Before(w, p, SAMPLE_TYPE_TARGET_A, 200);
     }},
    {"throw at it", Action::Throw, ThrowDone},
    {"to 200 pixels before the purple enemy", Action::WalkRight,
     [](GameWorld* w, const ObjectSlot* p, int32_t) {
         return Before(w, p, SAMPLE_TYPE_TARGET_B, 200);
     }},
    {"throw at it", Action::Throw, ThrowDone},
    {"past the lever and over the spikes to the green gem, which lets the chased character "
     "out behind the player",
     Action::WalkRight,
     [](GameWorld* w, const ObjectSlot*, int32_t) { return FirstOf(w, OBJT_CHASED) != nullptr; }},
    {"turn round", Action::TurnLeft,
     [](GameWorld*, const ObjectSlot* p, int32_t since) {
         return since >= 4 && (p->LogicAs<PlayerState>()->state & PLAYER_FACING_LEFT) != 0;
     }},
    {"throw at it while it brakes", Action::Throw, ThrowDone},
    {"and again", Action::Throw, ThrowDone},
    {"through the red gem, which sends the character running past the player, into the trench",
     Action::WalkRight,
     [](GameWorld* w, const ObjectSlot* p, int32_t) {
         return Before(w, p, SAMPLE_TYPE_PLATFORM, 33);
     }},
    {"jump out of the trench", Action::JumpRight,
     [](GameWorld*, const ObjectSlot*, int32_t since) { return since >= 3; }},
    {"to the door", Action::WalkRight,
     [](GameWorld* w, const ObjectSlot*, int32_t) {
         return w->currentLevel != SAMPLE_CHASE_LEVEL;
     }},
    {"through the last level to its golden door", Action::WalkRight,
     [](GameWorld* w, const ObjectSlot*, int32_t) { return w->currentLevel != SAMPLE_LAST_LEVEL; }},
};

void Press(int key, bool down) {
    if (down)
        gRun->platform->PushKeyDown(key, gRun->platform->GetTicks());
    else
        gRun->platform->PushKeyUp(key, gRun->platform->GetTicks());
}

void RunKeyScript(GameWorld* world) {
    const ObjectSlot* player = FirstOf(world, OBJT_PLAYER);
    if (player == nullptr || gRun->scriptStep >= std::size(kScript))
        return;
    const ScriptStep& step = kScript[gRun->scriptStep];
    const int32_t since = gRun->since++;
    if (step.until(world, player, since)) {
        if (step.action == Action::WalkRight)
            Press(SDLK_RIGHT, false);
        ++gRun->scriptStep;
        gRun->since = 0;
        return;
    }
    switch (step.action) {
    case Action::WalkRight:
        if (since == 0)
            Press(SDLK_RIGHT, true);
        break;
    case Action::TurnLeft:
        if (since == 0 || since == 2)
            Press(SDLK_LEFT, since == 0);
        break;
    case Action::Throw:
        if (since == 0 || since == 2)
            Press(SDLK_SPACE, since == 0);
        break;
    case Action::JumpRight:
        if (since == 0)
            Press(SDLK_RIGHT, true);
        if (since == 0 || since == 2)
            Press(SDLK_UP, since == 0);
        break;
    }
}

// ---- watching the world ------------------------------------------------------------

void WatchChaseLevel(GameWorld* world) {
    const ObjectSlot* player = FirstOf(world, OBJT_PLAYER);
    const ObjectSlot* chased = FirstOf(world, OBJT_CHASED);
    const ChasedState* c = chased != nullptr ? chased->LogicAs<ChasedState>() : nullptr;
    const int32_t score = RunningScore();
    if (score != gRun->lastScore)
        gRun->awards.push_back({score - gRun->lastScore, c != nullptr ? c->currentState : -1});
    gRun->lastScore = score;
    if (const ObjectSlot* lever = FirstOf(world, SAMPLE_TYPE_LEVER))
        gRun->leverShut |=
            lever->LogicAs<LevelObjectState>()->behaviourState == LEVEL_OBJECT_TRIGGERED;
    if (c != nullptr && (c->currentState & ~CHASER_FACING_LEFT) == CHASER_ST_RUN)
        gRun->chasedRan = true;
    if (player == nullptr)
        return;
    const PlayerState* p = player->LogicAs<PlayerState>();
    if (p->conveyorSpeed > 0)
        ++gRun->conveyedSteps;
    if (const ObjectSlot* plate = FirstOf(world, SAMPLE_TYPE_PLATFORM))
        gRun->plateStopped |= plate->LogicAs<LevelObjectState>()->wallFlag != 0;
    gRun->chasedAheadAtEnd = chased != nullptr && chased->x > player->x;
}

void Trace(GameWorld* world, int32_t event) {
    if (event == WORLD_TRACE_LEVEL_START) {
        SetRandomState(kInitialRandomState);
        SetCrtRandState(1);
        return;
    }
    gRun->trace.push_back(FormatWorldTrace(world));
    if (world->currentLevel == SAMPLE_CHASE_LEVEL)
        WatchChaseLevel(world);
}

GameWorld* PlayWorld() {
    GameWorld* world = nullptr;
    BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
    return world;
}

// Stands in for the UI flow: starts the chase level, plays the key script,
// keeps each level end it is told of and closes the tally at once.
void UiFlowStandIn(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_UPDATE_BELOW;
        return;
    }
    GameWorld* world = PlayWorld();
    if (world == nullptr)
        return;
    if (message == (TASK_MSG_USER ^ UI_MSG_LEVEL_END)) {
        const auto* status = task->MessageArgAs<const LevelStatusRecord*>();
        gRun->levelEnds.push_back({*status, status == &world->levelStatus, world->playState,
                                   world->gameFlags, world->requestedLevel});
        if (!gRun->replaying && (world->gameFlags & GAME_FLAG_COMPLETED) != 0)
            gRun->steps = static_cast<int32_t>(gRun->trace.size()) + kStepsAfterLevelEnd;
        // As the tally's close banks the level.
        world->levelStatus = LevelStatusRecord{};
        world->playState = PLAY_STATE_FADE_OUT;
        return;
    }
    if (message != TASK_MSG_UPDATE)
        return;
    if (task->data == 0) {
        task->data = 1;
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS,
                             DUMP_KEYS_ACTIVE | DUMP_FRAMES_OFF |
                                 (gRun->replaying ? DUMP_KEYS_REPLAY : 0));
        world->requestedLevel = SAMPLE_CHASE_LEVEL;
        BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
    }
    if (!gRun->replaying && world->playState == PLAY_STATE_PLAYING &&
        world->currentLevel >= SAMPLE_CHASE_LEVEL)
        RunKeyScript(world);
    if (static_cast<int32_t>(gRun->trace.size()) >= gRun->steps)
        PopAllTasks();
}

void WriteGameFiles() {
    std::filesystem::create_directories("res");
    std::filesystem::create_directories("dump");
    ASSERT_TRUE(WriteSampleArchive("res/base.res"));
    game_run::WriteWindowedConfig(RENDERER_D3D9);
}

// One run of the whole program in the working folder.
void RunGame(RunLog* log) {
    gRun = log;
    gSaveBlock = SaveBlock{};
    gSaveBlock.users[0].Difficulty = 1;
    ScriptedPlatform platform;
    log->platform = &platform;
    EXPECT_EQ(game_run::RunWholeGame(&platform, UiFlowStandIn, nullptr, Trace), 0);
    gRun = nullptr;
}

// Runs this test program again, fresh, with only the replaying test.
int RunReplayProcess(const std::string& folder, int32_t steps) {
    setenv(kReplayStepsVariable, std::to_string(steps).c_str(), 1);
    const int code = game_run::RunFreshProcess("ChaseLevelReplay.*", kReplayDirVariable, folder);
    unsetenv(kReplayStepsVariable);
    return code;
}

TEST(ChaseLevel, KeyScriptScoresToTheDoorAndReplaysInAFreshProcess) {
    ScopedTempDir folder;
    WriteGameFiles();
    RunLog log;
    RunGame(&log);
    ASSERT_EQ(log.scriptStep, std::size(kScript))
        << "stuck at: " << kScript[std::min(log.scriptStep, std::size(kScript) - 1)].what;

    // The awards in order: the two enemies, the green gem, two hits on the
    // braking chased character, the red gem; coins (3 each) between them.
    std::vector<Award> big;
    int32_t coins = 0;
    for (const Award& award : log.awards) {
        if (award.points == kCoinPoints)
            ++coins;
        else
            big.push_back(award);
    }
    ASSERT_EQ(big.size(), 6u);
    EXPECT_EQ(big[0].points, kEnemyPoints);
    EXPECT_EQ(big[1].points, kEnemyPoints);
    EXPECT_EQ(big[2].points, kGemPoints);
    EXPECT_EQ(big[3].points, kBrakingChasedPoints);
    EXPECT_EQ(big[3].chasedState, CHASER_ST_BRAKE);
    EXPECT_EQ(big[4].points, kBrakingChasedPoints);
    EXPECT_EQ(big[4].chasedState, CHASER_ST_BRAKE);
    EXPECT_EQ(big[5].points, kGemPoints);
    const int32_t score =
        kCoinPoints * coins + 2 * kEnemyPoints + 2 * kGemPoints + 2 * kBrakingChasedPoints;
    EXPECT_EQ(log.lastScore, score);
    // The lever shut behind the player, the red gem sent the character
    // running ahead, and the plate carried the player until it met the end
    // of its trench.
    EXPECT_TRUE(log.leverShut);
    EXPECT_TRUE(log.chasedRan);
    EXPECT_TRUE(log.chasedAheadAtEnd);
    EXPECT_GT(log.conveyedSteps, 0);
    EXPECT_TRUE(log.plateStopped);

    // The door ended the level: the play task was at its level end, the
    // game went on to the last level, and the UI flow got the level's own
    // record: every coin and enemy counted, the score as its base points.
    ASSERT_EQ(log.levelEnds.size(), 2u);
    const LevelEnd& end = log.levelEnds[0];
    EXPECT_TRUE(end.argIsWorldRecord);
    EXPECT_EQ(end.playState, PLAY_STATE_LEVEL_END);
    EXPECT_EQ(end.gameFlags & GAME_FLAG_COMPLETED, 0);
    EXPECT_EQ(end.requestedLevel, SAMPLE_LAST_LEVEL);
    EXPECT_EQ(end.status.countA, 13);
    EXPECT_EQ(end.status.gotA, coins);
    EXPECT_EQ(end.status.countB, 2);
    EXPECT_EQ(end.status.gotB, 2);
    EXPECT_EQ(end.status.basePoints, score);
    EXPECT_EQ(end.status.hits, 0);
    EXPECT_EQ(end.status.penalty, 0);

    // The last level's golden door completed the game, with a record of
    // that level alone: its coins, counted from the score it started with.
    const LevelEnd& last = log.levelEnds[1];
    EXPECT_EQ(last.playState, PLAY_STATE_LEVEL_END);
    EXPECT_NE(last.gameFlags & GAME_FLAG_COMPLETED, 0);
    EXPECT_EQ(last.requestedLevel, SAMPLE_ENDING_LEVEL);
    constexpr int32_t kLastLevelCoins = 13;
    EXPECT_EQ(last.status.countA, kLastLevelCoins);
    EXPECT_EQ(last.status.gotA, kLastLevelCoins);
    EXPECT_EQ(last.status.basePoints, kCoinPoints * kLastLevelCoins);
    const int32_t total = score + kCoinPoints * kLastLevelCoins;

    // Each level's start kept the score in game.sav: the running score and
    // the score each score level starts from; the chase started from 0.
    uint8_t save[SAVE_BLOCK_FILE_SIZE];
    ASSERT_EQ(ReadDataFile("game.sav", save, sizeof(save)), 0);
    const uint8_t* user = save + SAVE_OFFSET_USERS;
    EXPECT_EQ(GetI32LE(user + USER_OFFSET_RUNNING_SCORE), total);
    EXPECT_EQ(GetI32LE(user + USER_OFFSET_LEVEL_SCORES + 4 * 1), 0);
    EXPECT_EQ(GetI32LE(user + USER_OFFSET_LEVEL_SCORES + 4 * 2), score);
    EXPECT_EQ(GetI32LE(user + USER_OFFSET_LEVEL_SCORES + 4 * 3), total);

    const auto steps = static_cast<int32_t>(log.trace.size());
    ASSERT_EQ(steps, log.steps);
    EXPECT_EQ(game_run::ReadFileBytes("dump/keys.bin").size(), 4u * static_cast<size_t>(steps));
    ASSERT_EQ(RunReplayProcess(folder.path(), steps), 0);
    std::ifstream in("replay.trace");
    std::vector<std::string> replayed;
    for (std::string line; std::getline(in, line);)
        replayed.push_back(line);
    ASSERT_EQ(replayed.size(), log.trace.size());
    for (size_t i = 0; i < log.trace.size(); ++i)
        ASSERT_EQ(replayed[i], log.trace[i]) << "step " << i + 1;
}

// The replaying half of the test above, run only in the process it starts:
// it presses no key; the steps come from dump/keys.bin.
TEST(ChaseLevelReplay, ReplaysTheKeysOfTheFolderItIsGiven) {
    const char* folder = std::getenv(kReplayDirVariable);
    const char* steps = std::getenv(kReplayStepsVariable);
    if (folder == nullptr || steps == nullptr)
        GTEST_SKIP() << "started by ChaseLevel.KeyScriptScoresToTheDoorAndReplaysInAFreshProcess";
    ASSERT_EQ(chdir(folder), 0);
    RunLog log;
    log.replaying = true;
    log.steps = std::atoi(steps);
    RunGame(&log);
    std::ofstream out("replay.trace");
    for (const std::string& line : log.trace)
        out << line << '\n';
}

} // namespace
