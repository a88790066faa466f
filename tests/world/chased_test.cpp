// The chased character on a generated map (ground, a wall) with its media
// set built in memory and a player stand-in: the distance band, jumping
// over a thrown object, the events, the finished scripts, the escape, the
// state steps, the level rules, the lean and shake formulas, and letting go
// of its sounds when it is destroyed with no player about. Every other type
// is a spy that records what it was made with and what it was sent.
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "menus/save_file.h"
#include "tests/support/draw_capture.h"
#include "tests/world/media_test_util.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/chased_internal.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/script_engine.h"

namespace {

using chased::Pixels;

constexpr uint8_t kGround = 1;
constexpr int32_t kColumns = 80;
constexpr int32_t kGroundRow = 10;  // its top at 320 px
constexpr int32_t kWallColumn = 40; // x 1280..1311, rows 0..9
constexpr int16_t kFloorY = 319;
constexpr int16_t kHomeX = 600;
constexpr int32_t kPlainLevel = 15;
constexpr int32_t kScriptCount = 43;
constexpr uint16_t kKeySprite = 1;
constexpr int32_t kGravity = 122880;

struct Made {
    uint8_t type;
    int16_t index;
    int16_t x, y;
    intptr_t param;
    int32_t value; // the kind, the attached script, or -1
};
struct Heard {
    uint8_t type;
    int16_t index;
    ObjectMessage message;
    int16_t x, y; // the point of OBJ_EV_QUIET
};
std::vector<Made> gMade;
std::vector<Heard> gHeard;

// Every type but the player and the chased character.
void Spy(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    if ((message & OBJ_MSG_DESTROY) != 0)
        return;
    if ((message & OBJ_MSG_CREATE) != 0) {
        gMade.push_back(Made{object->typeId, static_cast<int16_t>(object->index), object->x,
                             object->y, object->ParamValue(), SpyCreation(object)});
        return;
    }
    Heard h{object->typeId, static_cast<int16_t>(object->index), message, 0, 0};
    if (object->typeId == OBJT_EFFECT && message == OBJ_EV_QUIET) {
        const auto* point = object->ParamAs<const EffectPoint*>();
        h.x = point->x;
        h.y = point->y;
    }
    gHeard.push_back(h);
}

std::vector<Made> MadeOf(uint8_t type) {
    return OfType(gMade, type);
}

int32_t HeardCount(uint8_t type, ObjectMessage message) {
    int32_t n = 0;
    for (const Heard& h : gHeard)
        n += h.type == type && h.message == message;
    return n;
}

// The last event a type heard, or an empty record.
Heard LastHeard(uint8_t type) {
    for (auto it = gHeard.rbegin(); it != gHeard.rend(); ++it)
        if (it->type == type)
            return *it;
    return Heard{};
}

void PlayerStandIn(GameWorld*, ObjectSlot*, ObjectMessage) {}

class ChasedTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        UseOption(0);
        gMade.clear();
        gHeard.clear();
        SetRandomState(kInitialRandomState);
        CrtSrand(1);
        LevelLayerGrid grid = FilledLayer(kColumns, 12, 0);
        FillCells(grid, 0, kGroundRow, kColumns, kGroundRow + 2, kGround);
        FillCells(grid, kWallColumn, 0, kWallColumn + 1, kGroundRow, kGround);
        MakeMap(grid, kGround);
        GameWorld* w = world();
        for (int32_t type = 2; type < kObjectTypeCount; ++type)
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(LevelObjectState),
                               0);
        RegisterObjectType(w, OBJT_PLAYER, PlayerStandIn, EmptyDraw, OBJ_KIND_ORDINARY,
                           sizeof(PlayerState), 0);
        RegisterObjectType(w, OBJT_CHASED, ChasedCharacterHandler, DrawChasedCharacter,
                           OBJ_KIND_ORDINARY, sizeof(ChasedState), sizeof(ScriptActor));
        w->currentLevel = w->gameLevel = kPlainLevel;
        w->camera.viewWidth = Px(800);
        w->camera.viewHeight = Px(600);
        words_.Assign(256);
        words_.Attach(w);
        ResetMediaSets(w);
        w->mediaSetsUsed = -1;
        InstallChasedSet({});
    }

    void SetLevel(int32_t level) { world()->currentLevel = world()->gameLevel = int16_t(level); }

    // 43 scripts: the scripts in `ending` show sprite 0 for a frame and end,
    // the strike and paint-taunt scripts (14, 20) show the key sprite, all
    // others loop on sprite 0. `sounds` are archive entries of the set.
    void InstallChasedSet(const std::set<int32_t>& ending, std::vector<uintptr_t> sounds = {},
                          const ScriptAssembler* custom = nullptr) {
        ScriptAssembler a;
        for (int32_t s = 0; s < kScriptCount; ++s) {
            a.BeginScript();
            if (ending.count(s) != 0)
                a.Show(0, 1);
            else if (s == 14 || s == 20)
                a.Show(kKeySprite, 1).Jump(0);
            else
                a.Show(0, 1).Jump(0);
        }
        GameWorld* w = world();
        const int32_t index = FindMediaSetIndex(w, OBJT_CHASED);
        MediaSet& set = w->mediaSets[index >= 0 ? index : ++w->mediaSetsUsed];
        set = MediaSet{};
        media_.Fill(set, OBJT_CHASED, custom != nullptr ? *custom : a, 2);
        keys_.emplace_back(3);
        std::vector<SpriteKeyRecord>& keys = keys_.back();
        keys[0].key = 1;
        keys[1].key = 4;
        keys[2].key = 256;
        keys[2].x = 30;
        keys[2].y = -40;
        set.sprites[kKeySprite].keys = keys.data();
        set.sprites[kKeySprite].lastKey = 2;
        sounds_.emplace_back();
        for (uintptr_t handle : sounds)
            sounds_.back().push_back(SoundEntry{handle, 12});
        set.sounds = sounds_.back().empty() ? nullptr : sounds_.back().data();
        set.lastSound = static_cast<int32_t>(sounds_.back().size()) - 1;
    }

    ObjectSlot* SpawnPlayer(int16_t x, int16_t y = kFloorY) {
        player_ = CreateObject(world(), x, y, OBJT_PLAYER, OBJ_MSG_CREATE, 0);
        P()->x = Px(x);
        P()->y = Px(y);
        return player_;
    }
    void MovePlayer(int16_t x, int16_t y = kFloorY) {
        player_->x = x;
        player_->y = y;
        P()->x = Px(x);
        P()->y = Px(y);
    }
    ObjectSlot* SpawnChased(int16_t x = kHomeX, int16_t y = kFloorY) {
        chased_ = CreateObject(world(), x, y, OBJT_CHASED, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
        return chased_;
    }
    PlayerState* P() { return player_->LogicAs<PlayerState>(); }
    ChasedState* C() { return chased_->LogicAs<ChasedState>(); }
    ScriptActor* Actor() { return chased_->DrawAs<ScriptActor>(); }

    // The character standing at x in `state`, its script just started.
    void Put(int32_t state, int16_t x = kHomeX, int16_t y = kFloorY) {
        ChasedState* c = C();
        chased_->x = x;
        chased_->y = y;
        c->x = Px(x);
        c->y = Px(y);
        c->vx = c->vy = 0;
        c->flags = 0;
        c->jumpFlag = 0;
        c->currentState = c->requestedState = static_cast<int16_t>(state);
        StartScript(world(), Actor(), state / 2);
    }
    // The player `d` pixels behind the character.
    void PlaceAhead(int32_t d) { MovePlayer(static_cast<int16_t>(chased_->x - d)); }
    void Tick() { WorldFixture::Tick(chased_); }
    chased::ChasedFrame Frame() {
        return chased::ChasedFrame{world(), chased_, C(), Actor(), player_, CurrentUserOption()};
    }
    void Word(int32_t n, int32_t value) { words_.Set(n, value); }

    ObjectSlot* player_ = nullptr;
    ObjectSlot* chased_ = nullptr;
    std::deque<std::vector<SpriteKeyRecord>> keys_;
    std::deque<std::vector<SoundEntry>> sounds_;
};

// ---- creation and the distance band -----------------------------------------------------

TEST_F(ChasedTest, CreationStandsItAndHandsItsAttachedEffectItsSlot) {
    SpawnPlayer(100);
    SpawnChased();
    EXPECT_EQ(C()->currentState, CHASER_ST_STAND);
    EXPECT_EQ(C()->requestedState, CHASER_ST_STAND);
    EXPECT_EQ(chased_->depth, 28);
    const std::vector<Made> effects = MadeOf(OBJT_ATTACHED_EFFECT);
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(effects[0].value, 2);
    EXPECT_EQ(C()->attachedEffect.link, effects[0].index);
    EXPECT_GE(HeardCount(OBJT_ATTACHED_EFFECT, OBJ_EV_PING), 1) << "pinged with the character";
}

TEST_F(ChasedTest, TheDistanceBandRunsStandsOrWaits) {
    constexpr int32_t kKept = -1;
    struct Row {
        const char* name;
        int32_t level, from, d, requested, vx;
        bool flagsCleared;
    } rows[] = {
        {"run: close", kPlainLevel, 56, 100, 56, Pixels(7), true},
        {"run: 149", kPlainLevel, 56, 149, 56, Pixels(7), true},
        {"run: 150 stands", kPlainLevel, 56, 150, 56, 0, true},
        {"run: 400 stands", kPlainLevel, 56, 400, 56, 0, true},
        {"run: 401 waits", kPlainLevel, 56, 401, 5, kKept, false},
        {"run left: close", kPlainLevel, 57, 20, 57, Pixels(7), true},
        {"run: the player ahead", kPlainLevel, 56, -30, 56, Pixels(7), true},
        {"wait: 199 runs", kPlainLevel, 4, 199, 54, kKept, false},
        {"wait: 200 waits on", kPlainLevel, 5, 200, 5, kKept, false},
        {"level 20 wait: 700 drops", 20, 5, 700, 5, 0, false},
        {"level 20 wait: 701 is pulled back", 20, 5, 701, 5, -Pixels(1), false},
        {"level 20 wait: 900", 20, 5, 900, 5, -Pixels(200), false},
    };
    Word(25, 100);
    SpawnPlayer(100);
    SpawnChased();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLevel(row.level);
        Put(row.from);
        C()->vx = Pixels(3);
        C()->flags = CHASER_FLAG_NO_SCRIPT_MOTION;
        PlaceAhead(row.d);
        Tick();
        EXPECT_EQ(C()->requestedState, row.requested);
        EXPECT_EQ(C()->vx, row.vx == kKept ? Pixels(3) : row.vx);
        if (row.flagsCleared) {
            EXPECT_EQ(C()->flags, 0);
        }
    }
}

TEST_F(ChasedTest, ALevel20WaitFarAheadStartsAgainFromTheTop) {
    SetLevel(20);
    SpawnPlayer(100);
    SpawnChased(1000);
    Put(5, 1000);
    Tick();
    EXPECT_LT(chased_->y, 10) << "y := 0 before the frame's fall";
}

TEST_F(ChasedTest, TheRunStopsOnOneChanceInEighty) {
    SpawnPlayer(100);
    SpawnChased();
    int32_t stops = 0;
    for (int32_t i = 0; i < 400; ++i) {
        Put(54);
        PlaceAhead(300);
        const uint32_t state = GetCrtRandState();
        const bool stop = CrtRand() % 80 == 0;
        SetCrtRandState(state);
        Tick();
        EXPECT_EQ(C()->requestedState, stop ? 56 : 54) << i;
        stops += stop;
    }
    EXPECT_GT(stops, 0);
}

TEST_F(ChasedTest, AThrownObjectJustBehindMakesItJump) {
    struct Row {
        int32_t from, dx, dy;
        bool jumps;
    } rows[] = {
        {56, -1, 0, true},   {56, -199, 0, true},  {56, -200, 0, false},  {56, 0, 0, false},
        {56, -50, 19, true}, {56, -50, 20, false}, {56, -50, -150, true}, {57, -80, 5, true},
        {4, -60, 0, true},   {5, -200, 0, false},
    };
    SpawnPlayer(100);
    SpawnChased();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " " << row.dx << "," << row.dy);
        Put(row.from);
        PlaceAhead(300);
        ObjectSlot* thrown =
            CreateObject(world(), static_cast<int16_t>(kHomeX + row.dx),
                         static_cast<int16_t>(kFloorY + row.dy), OBJT_PROJECTILE_A, 0, 0);
        Tick();
        EXPECT_EQ(C()->requestedState, row.jumps ? CHASER_ST_JUMP : row.from);
        EXPECT_EQ(C()->jumpFlag, row.jumps ? 1 : 0);
        if (row.jumps) {
            EXPECT_EQ(C()->vy, Pixels(-30) + kGravity) << "launched, then one frame's gravity";
        }
        DeleteObject(world(), thrown);
    }
}

// ---- events ---------------------------------------------------------------------

TEST_F(ChasedTest, EventsActInTheirOrderAndEndTheMessage) {
    struct Row {
        const char* name;
        ObjectMessage event;
        int32_t current;
        int32_t requested, vx, vy, restart, tauntFlag, leanTarget, pinged;
        bool ticks;
    } rows[] = {
        {"set state", OBJ_EV_SET_STATE + 22, 0, 22, 0, 0, 1, 1, 7, 0, false},
        {"set state, facing kept", OBJ_EV_SET_STATE + 0x800 + 22, 5, 23, 0, 0, 1, 1, 7, 0, false},
        {"set state, facing kept right", OBJ_EV_SET_STATE + 0x800 + 23, 4, 22, 0, 0, 1, 1, 7, 0,
         false},
        {"nudge", OBJ_EV_SET_STATE + 14, 0, 14, 0xAAAA, 0, 0, 1, 7, 0, false},
        {"launch", OBJ_EV_SET_STATE + 32, 0, 32, 0, Pixels(-30), 0, 1, 7, 0, false},
        {"ping", OBJ_EV_PING, 0, 0, 0, 0, 0, 1, 7, 1, false},
        {"hurt acts as a ping", OBJ_EV_HURT, 0, 0, 0, 0, 0, 1, 7, 1, false},
        {"hurt-alt acts as a ping", OBJ_EV_HURT_ALT, 0, 0, 0, 0, 0, 1, 7, 1, false},
        {"quiet", OBJ_EV_QUIET, 0, 0, 0, 0, 0, 0, 7, 0, false},
        {"stun", OBJ_EV_STUN, 0, 0, 0, 0, 0, 1, 7, 0, false},
        {"speed A", OBJ_EV_SPEED_A, 0, 0, 0, 0, 0, 1, -40, 0, false},
        {"speed B", OBJ_EV_SPEED_B, 0, 0, 0, 0, 0, 1, 60, 0, false},
        {"speed off", OBJ_EV_SPEED_OFF, 0, 0, 0, 0, 0, 1, 0, 0, false},
        {"a flag-mask event ticks", OBJ_EV_FX_MASK_40, 0, 0, 0, 0, 0, 1, 7, 0, true},
        {"hit runs a tick", OBJ_EV_HIT, 0, 0, 0, 0, 0, 1, 7, 0, true},
    };
    Word(102, -40);
    Word(103, 60);
    SpawnPlayer(100);
    SpawnChased();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Put(row.current);
        C()->requestedState = CHASER_ST_STAND;
        C()->tauntFlag = 1;
        C()->leanTarget = 7;
        C()->pinged = 0;
        chased_->depth = 0;
        SendObjectMessage(world(), chased_, row.event);
        EXPECT_EQ(C()->requestedState, row.requested);
        EXPECT_EQ((C()->flags & CHASER_FLAG_RESTART) != 0, row.restart != 0);
        EXPECT_EQ(C()->tauntFlag, row.tauntFlag);
        EXPECT_EQ(C()->leanTarget, row.leanTarget);
        EXPECT_EQ(C()->pinged, row.pinged);
        EXPECT_EQ(chased_->depth != 0, row.ticks);
        if (!row.ticks) {
            EXPECT_EQ(C()->vx, row.vx);
            EXPECT_EQ(C()->vy, row.vy);
        }
    }
}

TEST_F(ChasedTest, APingInTheSplitStateMakesASecondCharacterOnce) {
    SpawnPlayer(100);
    SpawnChased(800);
    Put(20, 800);
    SendObjectMessage(world(), chased_, OBJ_EV_PING);
    EXPECT_EQ(Live(world(), OBJT_CHASED), 2);
    EXPECT_NE(C()->flags & CHASER_FLAG_NO_SCRIPT_MOTION, 0);
    EXPECT_EQ(C()->secondCharacter, 1);
    uint16_t index = 0;
    ObjectSlot* second = nullptr;
    while (ObjectSlot* s = FindNextObjectOfType(world(), &index, OBJT_CHASED))
        if (s != chased_)
            second = s;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->LogicAs<ChasedState>()->requestedState, CHASER_ST_TAUNT);
    EXPECT_EQ(second->x, 600) << "200 pixels to the left";
    SendObjectMessage(world(), chased_, OBJ_EV_HURT);
    EXPECT_EQ(Live(world(), OBJT_CHASED), 2);
}

// ---- finished scripts ---------------------------------------------------------

TEST_F(ChasedTest, FinishedScriptsGoOnAsTheirTableSays) {
    struct Row {
        int32_t from, level, to;
    } rows[] = {
        {2, kPlainLevel, 0},   {3, kPlainLevel, 1},   {8, kPlainLevel, 0},   {85, kPlainLevel, 1},
        {19, kPlainLevel, 17}, {28, kPlainLevel, 26}, {36, kPlainLevel, 26}, {38, kPlainLevel, 26},
        {49, kPlainLevel, 53}, {52, kPlainLevel, 50}, {58, kPlainLevel, 54}, {59, kPlainLevel, 55},
        {63, kPlainLevel, 65}, {70, kPlainLevel, 68}, {75, kPlainLevel, 73}, {78, kPlainLevel, 76},
        {81, kPlainLevel, 79}, {4, kPlainLevel, 0},   {5, kPlainLevel, 1},   {4, 20, 5},
    };
    std::set<int32_t> ending;
    for (const Row& row : rows)
        ending.insert(row.from / 2);
    InstallChasedSet(ending);
    SpawnPlayer(100);
    SpawnChased(1200);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " on " << row.level);
        SetLevel(row.level);
        Put(row.from, 1200);
        PlaceAhead(1100); // far: the wait's own step asks for nothing
        for (int32_t i = 0; i < 2; ++i)
            Tick();
        ASSERT_TRUE(IsScriptDone(world(), Actor()));
        C()->requestedState = static_cast<int16_t>(row.from);
        Tick();
        EXPECT_EQ(C()->requestedState, row.to);
    }
}

TEST_F(ChasedTest, OnLevels8And14TheWaitCountsDownToALevelChange) {
    for (int32_t level : {8, 14}) {
        for (int32_t playerState : {0, 6, 56}) {
            SCOPED_TRACE(testing::Message() << "level " << level << ", player " << playerState);
            gMade.clear();
            DeleteObjectsExceptType(world(), 0);
            InstallChasedSet({2});
            SetLevel(level);
            world()->requestedLevel = -1;
            world()->destinations[1][0] = 9;
            world()->destinations[1][1] = 3;
            SpawnPlayer(100);
            player_->itemNumber = 5;
            world()->entries[5] = EntryRecord{};
            P()->state = playerState;
            SpawnChased(1000);
            Put(4, 1000);
            C()->stateCounter = 2;
            int32_t ticks = 0;
            while (C()->stateCounter != 0 && ticks < 20) {
                Tick();
                ++ticks;
            }
            ASSERT_EQ(C()->stateCounter, 0);
            const bool leaves = playerState == 0;
            EXPECT_EQ(world()->requestedLevel, leaves ? 9 : -1);
            EXPECT_EQ(world()->requestedEntry, leaves ? 3 : world()->requestedEntry);
            EXPECT_EQ((world()->entries[5].flags & ENTRY_FLAG_DESTINATION_CHOSEN) != 0, leaves);
            EXPECT_EQ(world()->entries[5].level, leaves ? 9 : 0);
        }
    }
}

TEST_F(ChasedTest, TheEscapeHandsItsPlaceToANewCharacterAndLeaves) {
    InstallChasedSet({3});
    SpawnPlayer(100);
    SpawnChased(900);
    ObjectSlot* watched = CreateObject(world(), 1500, 200, 8, 0, 0);
    watched->LogicAs<LevelObjectState>()->cameraX = Pixels(40);
    ObjectSlot* free = CreateObject(world(), 1700, 250, 8, 0, 0);
    free->itemNumber = 77;
    const int32_t oldIndex = chased_->index;
    Put(6, 900);
    for (int32_t i = 0; i < 5 && world()->slots[oldIndex].typeId == OBJT_CHASED; ++i)
        Tick();
    EXPECT_NE(world()->slots[oldIndex].typeId, OBJT_CHASED) << "it deleted itself";
    const std::vector<Made> falling = MadeOf(OBJT_FALLING);
    ASSERT_EQ(falling.size(), 1u);
    EXPECT_EQ(falling[0].param, 0xF8004);
    EXPECT_EQ(falling[0].x, 900);
    EXPECT_EQ(Live(world(), 8), 1);
    EXPECT_EQ(watched->typeId, 8) << "a type-8 object with a word 18 not 0 stays";
    EXPECT_FALSE(IsWorldBitClear(world(), 77));
    EXPECT_EQ(world()->player.driftSpeed, Pixels(-7));
    uint16_t index = 0;
    ObjectSlot* next = FindNextObjectOfType(world(), &index, OBJT_CHASED);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->x, 1700);
    const ChasedState* c = next->LogicAs<ChasedState>();
    EXPECT_EQ(c->currentState, CHASER_ST_NUDGE) << "its tick took the state up";
}

// ---- state steps ----------------------------------------------------------------

TEST_F(ChasedTest, TauntsSpraySoundAndFollowTheCharacter) {
    SpawnPlayer(100);
    SpawnChased();
    Put(CHASER_ST_TAUNT);
    Tick();
    std::vector<Made> effects = MadeOf(OBJT_EFFECT);
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(effects[0].value, EFFECT_KIND_SPRINKLER_WATER);
    C()->tauntFlag = 1;
    int32_t ticks = 0;
    while (C()->tauntCountdown == 0 && ticks++ < 5000)
        Tick();
    ASSERT_EQ(C()->tauntCountdown, 79) << "80, then one down in the same frame";
    EXPECT_EQ(HeardCount(OBJT_EFFECT, OBJ_EV_FX_MASK_40), 1);
    for (int32_t i = 0; i < 38; ++i)
        Tick();
    EXPECT_EQ(HeardCount(OBJT_EFFECT, OBJ_EV_SPEED_OFF), 0);
    Tick();
    EXPECT_EQ(C()->tauntCountdown, 40);
    EXPECT_EQ(HeardCount(OBJT_EFFECT, OBJ_EV_SPEED_OFF), 1);
    EXPECT_EQ(LastHeard(OBJT_EFFECT).message, OBJ_EV_QUIET);
    EXPECT_EQ(LastHeard(OBJT_EFFECT).x, chased_->x);

    // A stale reference is never used: a new effect takes its place.
    uint16_t index = 0;
    DeleteObject(world(), FindNextObjectOfType(world(), &index, OBJT_EFFECT));
    Put(CHASER_ST_TAUNT_PAINT);
    Tick();
    effects = MadeOf(OBJT_EFFECT);
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[1].value, EFFECT_KIND_SPRINKLER_PAINT);
    Tick();
    const Heard quiet = LastHeard(OBJT_EFFECT);
    EXPECT_EQ(quiet.message, OBJ_EV_QUIET);
    EXPECT_EQ(quiet.x, chased_->x + 30 + 8) << "key record 256, 8 pixels right";
    EXPECT_EQ(quiet.y, chased_->y - 40);

    // A taunt starts on RandomInt(0, 100) of 99 or 100: 2 ticks in 101, so
    // about 100 of 5050 (one more chance in 101 would give about 150).
    int32_t taunts = 0;
    for (int32_t i = 0; i < 5050; ++i) {
        C()->tauntCountdown = 0;
        Tick();
        taunts += C()->tauntCountdown != 0;
    }
    EXPECT_GT(taunts, 75);
    EXPECT_LT(taunts, 125);
}

TEST_F(ChasedTest, StateStepsDoWhatTheirRowsSay) {
    Word(115, 25);  // braking percentage
    Word(109, -60); // strike window: 90 pixels each side
    Word(171, 50);
    Word(172, -10);
    Word(173, 5);
    Word(175, 0x18000);
    Word(177, 100);
    SpawnPlayer(100);
    SpawnChased();

    Put(CHASER_ST_BRAKE);
    C()->vx = Pixels(8);
    C()->flags = CHASER_FLAG_NO_SCRIPT_MOTION;
    PlaceAhead(300);
    Tick();
    EXPECT_EQ(C()->vx, Pixels(6)) << "braking";
    EXPECT_EQ(chased_->depth, 2);

    // Targets searched first but just outside the window are passed over.
    ObjectSlot* outside[] = {CreateObject(world(), kHomeX + 90, kFloorY, 15, 0, 0),
                             CreateObject(world(), kHomeX - 90, kFloorY, 15, 0, 0)};
    ObjectSlot* target = CreateObject(world(), kHomeX + 80, kFloorY, 15, 0, 0);
    Put(CHASER_ST_STRIKE);
    Tick();
    EXPECT_EQ(HeardCount(15, OBJ_EV_HIT), 1) << "striking";
    EXPECT_EQ(LastHeard(15).index, target->index);
    ASSERT_EQ(MadeOf(OBJT_EFFECT).size(), 1u);
    EXPECT_EQ(MadeOf(OBJT_EFFECT)[0].value, EFFECT_KIND_WALL_BRICKS);
    for (ObjectSlot* object : {outside[0], outside[1], target})
        DeleteObject(world(), object);

    Put(CHASER_ST_FOLLOW);
    PlaceAhead(-20); // the player 20 pixels ahead: p / 4
    Tick();
    EXPECT_EQ(C()->vx, Pixels(20) / 4) << "following";
    P()->state = 38;
    Tick();
    EXPECT_EQ(C()->vx, 0) << "following a knocked-down player";
    P()->state = 0;

    Put(CHASER_ST_CARRY);
    C()->carryOffsetX = 12;
    C()->carryOffsetY = -30;
    Tick();
    EXPECT_EQ(P()->x, Pixels(kHomeX + 12)) << "carrying";
    EXPECT_EQ(player_->y, kFloorY - 30);

    UseOption(2);
    Put(CHASER_ST_PUSH);
    PlaceAhead(40);
    Tick();
    const std::vector<Made> pushed = MadeOf(78);
    ASSERT_EQ(pushed.size(), 1u) << "pushing";
    EXPECT_EQ(pushed[0].x, kHomeX + 50);
    EXPECT_EQ(C()->level82Flag, 1);
    EXPECT_EQ(C()->vx, 0x18000) << "word 175 used raw";
    uint16_t index = 0;
    ObjectSlot* cart = FindNextObjectOfType(world(), &index, 78);
    EXPECT_EQ(cart->LogicAs<LevelObjectState>()->velocityX, 0) << "600 - 650 + 5 is not positive";
    cart->x = kHomeX - 20;
    Tick();
    EXPECT_EQ(cart->LogicAs<LevelObjectState>()->velocityX, Pixels(10));
    EXPECT_EQ(MadeOf(78).size(), 1u);
}

TEST_F(ChasedTest, RisingDropsObjectsAtThePlayer) {
    SpawnPlayer(300);
    SpawnChased();
    Put(CHASER_ST_RISE, kHomeX, 100);
    Tick();
    EXPECT_EQ(C()->vy, Pixels(-6));
    EXPECT_NE(C()->flags & CHASER_FLAG_NO_GRAVITY, 0);
    Put(CHASER_ST_RISE, kHomeX, 15);
    C()->flags = CHASER_FLAG_NO_GRAVITY | CHASER_FLAG_NO_COLLISION;
    C()->stateCounter = 0;
    const uint32_t rand = GetCrtRandState();
    const int32_t speed = CrtRand() % 7 - 3;
    const int32_t next = (CrtRand() % 2 + 2) ^ 0x400;
    SetCrtRandState(rand);
    Tick();
    const std::vector<Made> drops = MadeOf(21);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].x, 300);
    uint16_t index = 0;
    EXPECT_EQ(FindNextObjectOfType(world(), &index, 21)->LogicAs<LevelObjectState>()->velocityX,
              Pixels(speed));
    EXPECT_EQ(C()->stateCounter, next);
    EXPECT_EQ(chased_->x, 300) << "above the player";
}

TEST_F(ChasedTest, LandingAndWallsChangeItsMotion) {
    SpawnPlayer(100);
    SpawnChased();
    Put(CHASER_ST_FOLLOW_AIR, kHomeX, kFloorY - 1);
    PlaceAhead(300);
    C()->vy = Pixels(4);
    Tick();
    EXPECT_EQ(C()->requestedState, CHASER_ST_FOLLOW) << "landing ends state 32";
    EXPECT_EQ(C()->vy, 0);

    Put(56, 1270); // just left of the wall
    MovePlayer(1270 - 100);
    Tick();
    Tick();
    EXPECT_EQ(C()->jumpFlag, 1) << "blocked sideways: a hop";
    EXPECT_LT(C()->vy, 0);
}

TEST_F(ChasedTest, WithoutAPlayerNothingButDestroyAndRebindIsHandled) {
    SpawnPlayer(100);
    SpawnChased();
    Put(CHASER_ST_STAND);
    C()->requestedState = CHASER_ST_TAUNT;
    DeleteObject(world(), player_);
    Tick();
    SendObjectMessage(world(), chased_, OBJ_EV_STUN);
    EXPECT_EQ(C()->currentState, CHASER_ST_STAND);
    EXPECT_EQ(C()->tauntFlag, 0);
    Actor()->mediaSet = -1;
    SendObjectMessage(world(), chased_, OBJ_MSG_REBIND_MEDIA);
    EXPECT_EQ(Actor()->mediaSet, FindMediaSetIndex(world(), OBJT_CHASED));
    const int32_t effect = C()->attachedEffect.link;
    DeleteObject(world(), chased_);
    EXPECT_EQ(world()->slots[effect].typeId, 0) << "its attached effect goes with it";
}

TEST_F(ChasedTest, ItIsDrawnLeaningFromItsSlot) {
    SpawnPlayer(100);
    SpawnChased();
    Put(CHASER_ST_STAND);
    Tick();
    C()->lean = 9;
    DrawCapture capture;
    DrawChasedCharacter(world(), chased_);
    const CapturedDraw* drawn = capture.FirstSpriteOf(media_.ImageAt(0));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->record.x, chased_->x + 9);
}

// ---- level rules and formulas -----------------------------------------------------------

TEST_F(ChasedTest, LevelRulesTable) {
    using namespace chased;
    struct Row {
        int32_t level;
        bool waitEndsLevel, waitTurnsLeft, leash, gravity;
        uint16_t extra; // the CHASED_LEVEL_* bits of step 9
    } rows[] = {
        {1, false, false, false, true, 0},
        {7, false, false, false, true, 0},
        {8, true, false, false, true, 0},
        {14, true, false, false, true, 0},
        {15, false, false, false, true, 0},
        {20, false, true, true, true, 0},
        {21, false, false, false, false, CHASED_LEVEL_RAW_CATCH_UP},
        {26, false, false, false, true, CHASED_LEVEL_NO_DRAG},
        {28, false, false, false, true, CHASED_LEVEL_OPTION_SPEED},
        {29, false, false, false, true, 0},
    };
    constexpr uint16_t kExtraBits =
        CHASED_LEVEL_RAW_CATCH_UP | CHASED_LEVEL_NO_DRAG | CHASED_LEVEL_OPTION_SPEED;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        EXPECT_EQ(WaitEndsLevel(row.level), row.waitEndsLevel);
        EXPECT_EQ(WaitTurnsLeft(row.level), row.waitTurnsLeft);
        EXPECT_EQ(WaitHasLeash(row.level), row.leash);
        EXPECT_EQ(HasGravity(row.level), row.gravity);
        EXPECT_EQ(ChasedLevelFlags(row.level) & kExtraBits, row.extra);
    }
}

TEST_F(ChasedTest, ExtraMotionFollowsTheLevelRules) {
    constexpr int32_t kNoVy = INT32_MIN;
    struct Row {
        const char* name;
        int32_t level, option, state, lead, second, requested;
        int64_t extra;
        int32_t requestedAfter, vy;
    } rows[] = {
        {"dragged by the lead past word 25", kPlainLevel, 0, 0, 105, 0, 0, Pixels(5), 0, kNoVy},
        {"at most 12 pixels", kPlainLevel, 0, 0, 300, 0, 0, Pixels(12), 0, kNoVy},
        {"not past word 25", kPlainLevel, 0, 0, 100, 0, 0, 0, 0, kNoVy},
        {"state 24 reads word 27", kPlainLevel, 0, 24, 105, 0, 24, 0, 24, kNoVy},
        {"state 24 past word 27", kPlainLevel, 0, 24, 210, 0, 24, Pixels(10), 24, kNoVy},
        {"facing left", kPlainLevel, 0, 1, 300, 0, 1, 0, 1, kNoVy},
        {"a second character", kPlainLevel, 0, 0, 300, 1, 0, 0, 0, kNoVy},
        {"the drag ends a wait", kPlainLevel, 0, 4, 300, 0, 5, Pixels(12), 0, kNoVy},
        {"not on level 8", 8, 0, 4, 300, 0, 4, Pixels(12), 4, kNoVy},
        {"nor on level 14", 14, 0, 4, 300, 0, 5, Pixels(12), 5, kNoVy},
        {"level 26: none, and no fall", 26, 0, 0, 300, 0, 0, 0, 0, 0},
        {"level 21: raw catch-up", 21, 0, 0, 650, 0, 0, 700 + 650 - 600, 0, kNoVy},
        {"level 21: close enough", 21, 0, 0, 600, 0, 0, 0, 0, kNoVy},
        {"level 28, option 0", 28, 0, 1, -50, 1, 1, Pixels(3), 1, kNoVy},
        {"level 28, option 1", 28, 1, 1, -50, 1, 1, Pixels(4), 1, kNoVy},
        {"level 28, option 2", 28, 2, 1, -50, 1, 1, Pixels(5), 1, kNoVy},
    };
    Word(25, 100);
    Word(27, 200);
    Word(186, 3);
    Word(187, 4);
    Word(188, 5);
    SpawnPlayer(100);
    SpawnChased(700);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLevel(row.level);
        UseOption(row.option);
        Put(row.state, 700);
        C()->vy = Pixels(2);
        C()->secondCharacter = row.second;
        C()->requestedState = static_cast<int16_t>(row.requested);
        MovePlayer(static_cast<int16_t>(700 + row.lead));
        chased::ChasedFrame f = Frame();
        EXPECT_EQ(chased::ExtraMotion(f), row.extra);
        EXPECT_EQ(C()->requestedState, row.requestedAfter);
        if (row.vy != kNoVy) {
            EXPECT_EQ(C()->vy, row.vy);
        }
    }
}

TEST_F(ChasedTest, StandingFacingLeftItIsPulledBackToThePlayer) {
    Word(26, 200);
    SpawnPlayer(100);
    SpawnChased();
    struct Row {
        int32_t state, d, pullDivisor, second;
        int16_t requested;
        int64_t pull;
        int16_t requestedAfter;
    } rows[] = {
        {1, 250, 0, 0, 1, -Pixels(12), 1}, {1, 205, 0, 0, 1, -Pixels(5), 1},
        {1, 200, 0, 0, 1, 0, 1},           {1, 150, 1, 0, 5, -Pixels(12), 1},
        {1, 150, 1, 0, 4, -Pixels(12), 1}, {1, 150, -1, 0, 5, 0, 5},
        {1, 150, -9, 0, 5, 0, 5},          {1, 250, 0, 1, 1, 0, 1},
        {0, 250, 0, 0, 0, 0, 0},           {3, 250, 0, 0, 3, 0, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.state << ": " << row.d << " / " << row.pullDivisor);
        Put(row.state);
        C()->pullDivisor = row.pullDivisor;
        C()->secondCharacter = row.second;
        C()->requestedState = row.requested;
        PlaceAhead(row.d);
        chased::ChasedFrame f = Frame();
        EXPECT_EQ(chased::PullBack(f), row.pull);
        EXPECT_EQ(C()->requestedState, row.requestedAfter);
    }
    // Within a frame the pull moves it back by whole pixels.
    Put(1);
    C()->flags = CHASER_FLAG_NO_SCRIPT_MOTION;
    PlaceAhead(205);
    Tick();
    EXPECT_EQ(chased_->x, kHomeX - 5);
}

TEST(ChasedFormulaTest, TheLeanApproachesItsTargetAndFallsBack) {
    struct Row {
        int32_t lean, target, w102, w103, w104, next;
    } rows[] = {
        {0, 100, -40, 60, 10, 10},      {95, 100, -40, 60, 10, 100}, {0, -100, -40, 60, 10, -10},
        {-95, -100, -40, 60, 10, -100}, {100, 50, -40, 60, 10, 50},  {-50, 0, -40, 60, 10, -46},
        {-4, 0, -40, 60, 10, 0},        {-3, 0, -40, 60, 10, 0},     {50, 0, -40, 60, 10, 44},
        {6, 0, -40, 60, 10, 0},         {5, 0, -40, 60, 10, 0},      {0, 0, -40, 60, 10, 0},
        {0, 100, -40, 60, 0, 100},      {0, 5, -40, 60, 10, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.lean << " -> " << row.target);
        EXPECT_EQ(chased::NextLean(row.lean, row.target, row.w102, row.w103, row.w104), row.next);
    }
}

TEST(ChasedFormulaTest, TheShakeSwingsPairOneAndDiesAway) {
    struct Row {
        int32_t counter, w2, w3, w4;
        bool acts, reset;
    } rows[] = {
        {0, 10, 8, 4, false, false}, {1, 10, 8, 4, true, false}, {5, 10, 8, 4, true, false},
        {9, 10, 8, 4, true, false},  {10, 10, 8, 4, true, true}, {12, 10, 8, 4, true, true},
        {3, 10, 8, 0, true, false},  {0, 0, 8, 4, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.counter << " of " << row.w2);
        chased::ShakeFrame shake{};
        EXPECT_EQ(chased::NextShake(row.counter, row.w2, row.w3, row.w4, &shake), row.acts);
        if (!row.acts)
            continue;
        EXPECT_EQ(shake.reset, row.reset);
        if (row.reset) {
            EXPECT_EQ(shake.counter, 0);
            EXPECT_EQ(shake.offsetX, 0);
            continue;
        }
        const int64_t angle = 411776 / std::max(1, row.w4) * row.counter;
        const int64_t want = int64_t{FixedSin(static_cast<int32_t>(angle))} * row.w3 *
                             (row.w2 - row.counter) / row.w2;
        EXPECT_EQ(shake.offsetX, want);
        EXPECT_EQ(shake.counter, row.counter + 1);
    }
}

TEST_F(ChasedTest, TheShakeMovesTheCameraPairOne) {
    Word(2, 10);
    Word(3, 8);
    Word(4, 4);
    SpawnPlayer(100);
    SpawnChased();
    Put(CHASER_ST_STAND);
    C()->shakeCounter = 1;
    world()->camera.offsets[1][1] = 77;
    Tick();
    EXPECT_EQ(world()->camera.offsets[1][0], int64_t{FixedSin(102944)} * 8 * 9 / 10);
    EXPECT_EQ(world()->camera.offsets[1][1], 77);
    for (int32_t i = 0; i < 9; ++i)
        Tick();
    EXPECT_EQ(C()->shakeCounter, 0);
    EXPECT_EQ(world()->camera.offsets[1][0], 0);
    EXPECT_EQ(world()->camera.offsets[1][1], 0);
}

// ---- sounds over the real player --------------------------------------------------------

class ChasedSoundTest : public ChasedTest {
protected:
    void SetUp() override {
        ChasedTest::SetUp();
        ResetSoundSlots(world());
        ArchiveBuilder builder;
        builder.AddPlain(0, {}); // a handle of 0 means none
        loop_ = builder.AddPlain(12, media_test::LongSound());
        ASSERT_TRUE(archive_.Open(builder, false, true));
        // Channel 0 carries the music, as in the game.
        ASSERT_EQ(gMMplay.Play(0, -1, int32_t(loop_), SOUND_IN_MEMORY, 1), 0);
    }
    void TearDown() override {
        StopAllSounds(world());
        gMMplay.Stop(-1);
        ChasedTest::TearDown();
    }

    uint32_t loop_ = 0;
    media_test::GameArchive archive_;
};

TEST_F(ChasedSoundTest, DestroyedWithNoPlayerItStillStopsItsSounds) {
    ScriptAssembler a;
    for (int32_t s = 0; s < kScriptCount; ++s) {
        a.BeginScript();
        a.SoundPlay(0, -1, 0, 0, 100);
    }
    InstallChasedSet({}, {loop_}, &a);
    SpawnPlayer(100);
    SpawnChased();
    DrawChasedCharacter(world(), chased_); // the sound pipe starts when drawn
    const int32_t channel = Actor()->sounds[0].channel;
    ASSERT_GT(channel, 0);
    ASSERT_NE(Actor()->sounds[0].link, nullptr);

    DeleteObject(world(), player_);
    DeleteObject(world(), chased_);
    for (const SoundChannelRec& rec : world()->soundChannels) {
        EXPECT_EQ(rec.flags & SOUND_REC_BUSY, 0u);
        EXPECT_EQ(rec.link, nullptr);
    }
    AudioLock lock;
    EXPECT_EQ(gMMplay.GetChannel(channel)->sound, nullptr) << "its mixer channel is free again";
}

} // namespace
