// The game as a player meets it: the whole program with the game's own
// behaviours on the sample world, started by the UI flow at level 2, whose
// ground gets a pit of fatal cells past the coins. Keys pressed through the
// scripted platform make the player jump, then walk, throwing on the way,
// over the coins and into the pit; it is hurt, comes back at its start, and
// walks and jumps again. The keys, recorded, replay in a fresh process to
// the same world trace.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/helpers.h"
#include "graphics/renderer.h"
#include "menus/save_file.h"
#include "engine/task_stack.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/world/game_run.h"
#include "tools/sample/sample_archive.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kSteps = 270;
constexpr int32_t kLevel = 2;
constexpr int32_t kCoinPoints = 3;
// The pit: two columns of level 2 past its first three coins, open down to
// the bottom of the map.
constexpr int32_t kPitFirstColumn = 13, kPitLastColumn = 14, kGroundRow = 18;
constexpr uint8_t kFatalCode = static_cast<uint8_t>(PLAYER_CELL_FATAL);
constexpr const char* kReplayDirVariable = "QB_PLAYER_PLAY_DIR";

// A key goes down or up when the world has run `step` steps.
struct KeyAction {
    int32_t step;
    int key;
    bool down;
};

// What the player did: a jump standing, a walk right with a throw on the
// way, over the coins and into the pit, and after the comeback a walk left,
// the down key and a jump. The letter keys own the same bits as the arrows.
const std::vector<KeyAction> kPlayedKeys = {
    {40, SDLK_UP, true},     {42, SDLK_UP, false},    {70, SDLK_RIGHT, true},
    {76, SDLK_SPACE, true},  {78, SDLK_SPACE, false}, {170, SDLK_RIGHT, false},
    {195, SDLK_a, true},     {210, SDLK_a, false},    {215, SDLK_DOWN, true},
    {217, SDLK_DOWN, false}, {225, SDLK_w, true},     {227, SDLK_w, false},
};
// The replay holds other keys the whole time; the recorded ones rule.
const std::vector<KeyAction> kReplayKeys = {
    {1, SDLK_LEFT, true}, {5, SDLK_SPACE, true}, {100, SDLK_SPACE, false}};

// The player and the coins after one step.
struct Observation {
    int16_t x = 0, y = 0;
    int32_t state = -1;
    int32_t leaveCounter = 0;
    int32_t invulnerableCounter = 0;
    int32_t collisionFlags = 0;
    int16_t cellCode = 0;
    int32_t hits = 0;
    int32_t score = 0;
    int32_t coinsTaken = 0;     // taken bits set among the coins seen so far
    int32_t takenCoinsLive = 0; // coin objects whose taken bit is set
    int32_t projectiles = 0;
};

struct RunLog {
    std::vector<KeyAction> keys;
    uint8_t dumpFlags = 0;
    ScriptedPlatform* platform = nullptr;
    size_t nextKey = 0;
    std::vector<std::string> trace;
    std::vector<Observation> seen;
    std::map<int32_t, bool> coinBits; // item number -> taken
};
RunLog* gRun = nullptr;

Observation Observe(GameWorld* world) {
    Observation o;
    uint16_t index = 0;
    if (const ObjectSlot* player = FindNextObjectOfType(world, &index, OBJT_PLAYER)) {
        const PlayerState* p = player->LogicAs<PlayerState>();
        o.x = player->x;
        o.y = player->y;
        o.state = p->state;
        o.leaveCounter = p->leaveCounter;
        o.invulnerableCounter = p->invulnerableCounter;
        o.collisionFlags = p->collisionFlags;
        o.cellCode = p->cellCode;
    }
    for (int32_t i = 0; i <= world->highestSlot; ++i) {
        const ObjectSlot& slot = world->slots[i];
        if (slot.typeId == OBJT_PICKUP) {
            gRun->coinBits.emplace(slot.itemNumber, false);
            o.takenCoinsLive += IsWorldBitClear(world, slot.itemNumber) ? 0 : 1;
        }
        o.projectiles += slot.typeId == OBJT_PROJECTILE_B ? 1 : 0;
    }
    for (auto& [item, taken] : gRun->coinBits) {
        taken = !IsWorldBitClear(world, item);
        o.coinsTaken += taken ? 1 : 0;
    }
    o.hits = world->levelStatus.hits;
    const UserRecord* user = CurrentUserRecord();
    o.score = user != nullptr ? user->runningScore : 0;
    return o;
}

void Trace(GameWorld* world, int32_t event) {
    if (event == WORLD_TRACE_LEVEL_START) {
        SetRandomState(kInitialRandomState);
        SetCrtRandState(1);
        return;
    }
    gRun->trace.push_back(FormatWorldTrace(world));
    gRun->seen.push_back(Observe(world));
}

// In place of the UI flow: level 2 started at once, with the dumps asked
// for before the level starts, the keys pressed by step, and the end of
// the run.
void Driver(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_UIFLOW);
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        return;
    }
    if (message == TASK_MSG_UPDATE) {
        task->flags |= TASK_FLAG_DRAW | TASK_FLAG_UPDATE_BELOW;
        const int32_t step = static_cast<int32_t>(gRun->trace.size());
        if (step >= kSteps) {
            PopAllTasks();
            return;
        }
        if (task->data == 0)
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_SET_DUMP_FLAGS, gRun->dumpFlags);
        ScriptedPlatform* platform = gRun->platform;
        for (; gRun->nextKey < gRun->keys.size() && gRun->keys[gRun->nextKey].step <= step;
             ++gRun->nextKey) {
            const KeyAction& k = gRun->keys[gRun->nextKey];
            if (k.down)
                platform->PushKeyDown(k.key, platform->GetTicks());
            else
                platform->PushKeyUp(k.key, platform->GetTicks());
        }
        if (task->data == 0) {
            task->data = 1;
            GameWorld* world = nullptr;
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_GET_WORLD, TaskWord(&world));
            world->requestedLevel = kLevel;
            BroadcastTaskMessage(TASK_TAG_PLAY, PLAY_MSG_RESTART, 0);
        }
    }
}

void WriteGameFiles() {
    WorldArchiveSpec world = MakeSampleWorld();
    WorldLevelSpec& level = world.levels[kLevel - 1];
    for (int32_t x = kPitFirstColumn; x <= kPitLastColumn; ++x)
        for (int32_t y = kGroundRow; y < level.layers[3].rows; ++y) {
            level.layers[1].At(x, y) = 0;
            level.layers[3].At(x, y) = kFatalCode;
        }
    ArchiveBuilder archive = MakeSampleCatalogue(world).ToArchive();
    AppendWorldEntries(&archive, world);
    std::filesystem::create_directories("res");
    std::filesystem::create_directories("dump");
    ASSERT_TRUE(archive.WriteToFile("res/base.res"));
    game_run::WriteWindowedConfig(RENDERER_D3D9);
}

void RunGame(RunLog* log) {
    gRun = log;
    gSaveBlock = SaveBlock{};
    // Above option 0 a fall into the pit sends the player back to its start.
    gSaveBlock.users[0].Difficulty = 1;
    ScriptedPlatform platform;
    log->platform = &platform;
    EXPECT_EQ(game_run::RunWholeGame(&platform, Driver, nullptr, Trace), 0);
    log->platform = nullptr;
    gRun = nullptr;
}

int32_t BaseState(int32_t state) {
    return state & ~PLAYER_FACING_LEFT;
}

bool OnGround(const Observation& o) {
    return (o.collisionFlags & COLLIDE_BLOCK_DOWN) != 0;
}

// The first step at or after `from` that `test` accepts; -1 for none.
template <typename Test>
int32_t Find(const std::vector<Observation>& seen, int32_t from, Test test) {
    for (int32_t i = std::max(from, 1); i < static_cast<int32_t>(seen.size()); ++i)
        if (test(seen[i - 1], seen[i]))
            return i;
    return -1;
}

// A jump from the ground: airborne well above where it stood, then on the
// ground again where it stood. The step it landed at, or -1.
int32_t JumpAfter(const std::vector<Observation>& seen, int32_t from) {
    const int32_t start = Find(seen, from, [](const Observation& a, const Observation& b) {
        return OnGround(a) && BaseState(b.state) == PLAYER_ST_AIRBORNE;
    });
    if (start < 0)
        return -1;
    const int16_t ground = seen[start - 1].y;
    const int32_t top = Find(
        seen, start, [&](const Observation&, const Observation& b) { return b.y < ground - 64; });
    if (top < 0)
        return -1;
    return Find(seen, top, [&](const Observation&, const Observation& b) {
        return OnGround(b) && b.y == ground;
    });
}

TEST(PlayerPlay, KeysWalkJumpCollectHurtAndComeBackAndReplayInAFreshProcess) {
    ScopedTempDir folder;
    WriteGameFiles();
    RunLog log;
    log.keys = kPlayedKeys;
    log.dumpFlags = DUMP_KEYS_ACTIVE | DUMP_FRAMES_OFF;
    RunGame(&log);
    const std::vector<Observation>& seen = log.seen;
    ASSERT_EQ(seen.size(), static_cast<size_t>(kSteps));
    EXPECT_EQ(game_run::ReadFileBytes("dump/keys.bin").size(), 4u * kSteps);
    const Observation start = seen.front();

    // A jump in place, landing where it took off.
    const int32_t landed = JumpAfter(seen, 1);
    ASSERT_GT(landed, 0);
    EXPECT_EQ(seen[landed].x, start.x);

    // A walk to the right, and the action on the way throws.
    const int32_t walking = Find(seen, landed, [](const Observation& a, const Observation& b) {
        return b.state == PLAYER_ST_MOVE && b.x > a.x && OnGround(b);
    });
    ASSERT_GT(walking, 0);
    const int32_t thrown = Find(seen, walking, [](const Observation& a, const Observation& b) {
        return a.projectiles == 0 && b.projectiles > 0 && BaseState(b.state) == PLAYER_ST_ACTION_B;
    });
    EXPECT_GT(thrown, 0);

    // Over the coins: every coin taken scores its points in the step its
    // taken bit is set, and its object goes once its taken script ends.
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i].score, kCoinPoints * seen[i].coinsTaken) << "step " << i + 1;
    const int32_t collected = Find(seen, walking, [](const Observation& a, const Observation& b) {
        return b.score > a.score;
    });
    ASSERT_GT(collected, 0);
    EXPECT_EQ(BaseState(seen[collected].state), PLAYER_ST_MOVE);
    EXPECT_EQ(seen.back().coinsTaken, 3);
    EXPECT_EQ(seen.back().takenCoinsLive, 0);

    // The pit's fatal cell hurts: the player leaves play, counted as a hit.
    const int32_t hurt = Find(seen, collected, [](const Observation& a, const Observation& b) {
        return a.cellCode == PLAYER_CELL_FATAL && BaseState(b.state) == PLAYER_ST_HURT &&
               b.leaveCounter > 0;
    });
    ASSERT_GT(hurt, 0);
    EXPECT_EQ(seen[hurt - 1].x / 32, kPitFirstColumn);
    EXPECT_EQ(seen[hurt - 1].hits, 0);
    EXPECT_EQ(seen[hurt].hits, 1);

    // It comes back at its start, standing and shielded for a while, with
    // its score and its coins kept.
    const int32_t back = Find(seen, hurt, [](const Observation& a, const Observation& b) {
        return a.leaveCounter >= 0 && b.leaveCounter < 0;
    });
    ASSERT_GT(back, 0);
    EXPECT_EQ(seen[back].x, start.x);
    EXPECT_LE(seen[back].y, start.y);
    EXPECT_EQ(BaseState(seen[back].state), PLAYER_ST_STAND);
    EXPECT_GT(seen[back].invulnerableCounter, 0);
    EXPECT_EQ(seen[back].score, seen[hurt].score);
    EXPECT_EQ(seen[back].coinsTaken, seen[hurt].coinsTaken);

    // And plays on: it walks left on the ground and jumps again.
    const int32_t left = Find(seen, back, [](const Observation& a, const Observation& b) {
        return b.state == PLAYER_ST_MOVE + PLAYER_FACING_LEFT && b.x < a.x && OnGround(b);
    });
    EXPECT_GT(left, 0);
    EXPECT_GT(JumpAfter(seen, back), 0);
    EXPECT_EQ(seen.back().hits, 1);

    // The keys replay to the same trace in a fresh process.
    ASSERT_EQ(game_run::RunFreshProcess("PlayerPlayChild.*", kReplayDirVariable, folder.path()), 0);
    const std::vector<std::string> replayed = game_run::ReadLines("replay.trace");
    ASSERT_EQ(replayed.size(), log.trace.size());
    for (size_t i = 0; i < log.trace.size(); ++i)
        ASSERT_EQ(replayed[i], log.trace[i]) << "step " << i + 1;
}

// The replaying half of the test above, run only in the process it starts.
TEST(PlayerPlayChild, ReplaysTheKeysOfTheFolderItIsGiven) {
    const char* folder = std::getenv(kReplayDirVariable);
    if (folder == nullptr)
        GTEST_SKIP()
            << "started by PlayerPlay.KeysWalkJumpCollectHurtAndComeBackAndReplayInAFreshProcess";
    ASSERT_EQ(chdir(folder), 0);
    RunLog log;
    log.keys = kReplayKeys;
    log.dumpFlags = DUMP_KEYS_ACTIVE | DUMP_KEYS_REPLAY;
    RunGame(&log);
    game_run::WriteLines("replay.trace", log.trace);
}

} // namespace
