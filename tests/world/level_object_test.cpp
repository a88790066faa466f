// Level objects and projectiles on a generated map with media sets built in
// memory: the per-type table read back through creation, hits and the first
// steps, the option gate, levers and targets, a projectile's flight, a
// moving platform, turn cells, strikes, the flyers' level rules, a pipe
// chain from its head to its end, and the pendulum's rope. The player and
// the effect types are spies that record what reaches them.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/helpers.h"
#include "engine/catalogue.h"
#include "graphics/image.h"
#include "menus/save_file.h"
#include "tools/sample/archive_builder.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/png_writer.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/level_object_internal.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

using namespace level_object;

constexpr uint8_t kFloor = 1;
constexpr int32_t kColumns = 40; // the last four are a wall
constexpr int32_t kRows = 12;    // the last two are the floor
constexpr int32_t kCol = 5, kRow = 5;
constexpr int16_t kX = kCol * 32, kY = kRow * 32;

constexpr uint8_t kTypes[] = {8,  15, 16, 17, 19, 20, 21, 22, 29, 30, 31, 32,  33, 34,
                              35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46,  47, 48,
                              49, 50, 51, 52, 53, 55, 58, 77, 78, 79, 80, 119, 120};
constexpr int32_t kDriftLast = 5; // the drift objects' last script

struct Spied {
    uint8_t type;
    ObjectMessage message;
    int32_t value; // effect kind or shadow script; -1 none
    int16_t x, y;
};
std::vector<Spied> gSpied;

void Spy(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    const int32_t value = (message & OBJ_MSG_CREATE) != 0 ? SpyCreation(object) : -1;
    gSpied.push_back({object->typeId, message, value, object->x, object->y});
}

std::vector<const Spied*> SpiedOf(uint8_t type, ObjectMessage message) {
    std::vector<const Spied*> out;
    for (const Spied& s : gSpied)
        if (s.type == type && (message == 0 ? s.message == 0 : (s.message & message) == message))
            out.push_back(&s);
    return out;
}

// The kinds of the effects made with exactly `message`.
std::vector<int32_t> EffectsMade(ObjectMessage message) {
    std::vector<int32_t> kinds;
    for (const Spied& s : gSpied)
        if (s.type == OBJT_EFFECT && s.message == message)
            kinds.push_back(s.value);
    return kinds;
}

size_t EventsTo(uint8_t type, ObjectMessage event) {
    size_t n = 0;
    for (const Spied& s : gSpied)
        n += s.type == type && s.message == event;
    return n;
}

class LevelObjectTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        SetRandomState(kInitialRandomState);
        gSpied.clear();
        words_.Assign(200);
        grid_ = FloorAndWall(kColumns, kRows, kFloor);
    }

    // The map from the grid, the registry with spies for the player and the
    // effects, a level table and a set for every type. Scripts loop unless
    // `ending`, when each shows its sprite for two frames and ends.
    void Build(int32_t option = 0, bool ending = false, int16_t spawnY = 0) {
        UseOption(option);
        MakeMap(grid_, kFloor);
        GameWorld* w = world();
        RegisterObjectTypes(w);
        for (uint8_t type : {uint8_t{18}, OBJT_SCORE_POPUP, OBJT_ATTACHED_EFFECT, OBJT_EFFECT})
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
        RegisterObjectType(w, OBJT_PLAYER, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(PlayerState),
                           sizeof(ScriptActor));
        w->currentLevel = 3;
        w->camera.viewWidth = Px(800);
        w->camera.viewHeight = Px(600);
        words_.Attach(w);
        w->mediaSetsUsed = -1;
        ResetMediaSets(w);
        for (uint8_t type : kTypes) {
            if (type == kPipeSegmentType)
                AddSet(type, PipeScripts(), 12, 0, 0);
            else
                AddSet(type, Scripts(type == 46 ? kDriftLast + 1 : 16, ending), 2, 0, spawnY);
        }
    }

    static ScriptAssembler Scripts(int32_t count, bool ending, int8_t dx = 0) {
        ScriptAssembler a;
        for (int32_t s = 0; s < count; ++s) {
            a.BeginScript();
            if (ending)
                a.Show(static_cast<uint16_t>(s % 2), 2, dx);
            else
                a.Show(static_cast<uint16_t>(s % 2), 1, dx).Jump(0);
        }
        return a;
    }

    // Shapes 0..10 run (0, 10) -> (20, 10) -> (20, 30); script 11 names each
    // shape's sprite (shape s draws sprite s).
    static ScriptAssembler PipeScripts() {
        ScriptAssembler a;
        for (int32_t s = 0; s < PIPE_SHAPE_COUNT; ++s) {
            a.BeginScript();
            a.Show(0, 0, 0, 10).Show(0, 0, 20, 10).Show(0, 0, 20, 30);
        }
        a.BeginScript();
        for (int32_t s = 0; s < PIPE_SHAPE_COUNT; ++s)
            a.Show(static_cast<uint16_t>(s), 0);
        a.BeginScript();
        a.Show(0, 1).Jump(0);
        return a;
    }

    void ReplaceSet(uint8_t type, const ScriptAssembler& a, int32_t sprites) {
        for (MediaSet& set : world()->mediaSets)
            if (set.typeId == type)
                set.typeId = 0;
        AddSet(type, a, sprites, 0, 0);
    }

    void AddSet(uint8_t type, const ScriptAssembler& a, int32_t sprites, int16_t spawnX,
                int16_t spawnY) {
        MediaSet& set = media_.Add(world(), type, a, sprites);
        StaggerSprites(set);
        set.spawnX = spawnX;
        set.spawnY = spawnY;
    }

    void SetWord(int32_t n, int32_t value) { words_.Set(n, value); }

    ObjectSlot* Make(uint8_t type, intptr_t param = 0, int16_t x = kX, int16_t y = kY) {
        return CreateObject(world(), x, y, type, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, param);
    }
    ObjectSlot* MakePlayer(int16_t x, int16_t y) {
        return CreateObject(world(), x, y, OBJT_PLAYER, 0, 0);
    }
    // Ticks until the object is gone (or `most` ticks); the ticks it took.
    int32_t TicksUntilGone(ObjectSlot* object, uint8_t type, int32_t most) {
        int32_t ticks = 0;
        while (object->typeId == type && ticks < most) {
            Tick(object);
            ++ticks;
        }
        return ticks;
    }

    LevelLayerGrid grid_;
};

LevelObjectState* StateOf(ObjectSlot* object) {
    return object->LogicAs<LevelObjectState>();
}
ScriptActor* ActorOf(ObjectSlot* object) {
    return object->DrawAs<ScriptActor>();
}

// ---- the type table --------------------------------------------------------------------

constexpr int32_t kG = 0x1E000, kH = 0xF000;
constexpr int32_t kNone = -1;

// What each type is made with and how one hit, and a second, change it.
struct TypeRow {
    uint8_t type;
    int32_t stride, depth, shadow, hitPoints;
    int32_t velocityY; // after the creation message's step
    int32_t hitState, hitWanted, secondHitWanted;
};

// clang-format off
const TypeRow kTypeRows[] = {
    // type stride depth shadow hp  vy             state wanted second
    {8,    1,     31,   kNone, 1,  kG,            1,    1,     1},
    {15,   0,     31,   kNone, 1,  0,             0,    1,     2},
    {16,   0,     30,   kNone, 0,  kG,            1,    1,     1},
    {17,   0,     30,   kNone, 0,  0,             1,    1,     1},
    {19,   0,     33,   kNone, 1,  0,             1,    1,     1},
    {20,   0,     31,   kNone, 1,  0x12C000 + kG, 0,    0,     0},
    {21,   0,     4,    kNone, 0,  kG,            1,    1,     1},
    {22,   5,     4,    kNone, 1,  kG,            1,    1,     1},
    {29,   1,     30,   kNone, 1,  0,             1,    1,     1},
    {30,   3,     30,   kNone, 1,  0,             1,    1,     1},
    {31,   0,     30,   11,    0,  kG,            1,    1,     1},
    {32,   0,     8,    kNone, 1,  kG,            1,    1,     1},
    {33,   0,     4,    kNone, 1,  kG,            1,    1,     1},
    {34,   0,     30,   kNone, 1,  kG,            1,    1,     1},
    {35,   0,     4,    kNone, 1,  0,             1,    0,     0},
    {36,   0,     4,    kNone, 1,  kG,            1,    1,     1},
    {37,   0,     31,   kNone, 1,  0,             1,    1,     1},
    {38,   0,     30,   kNone, 1,  kG,            1,    1,     1},
    {39,   0,     4,    9,     1,  kG,            1,    1,     1},
    {40,   2,     4,    2,     1,  0,             1,    1,     1},
    {41,   0,     4,    4,     1,  kG,            1,    1,     1},
    {42,   0,     4,    7,     5,  kH,            1,    1,     1},
    {43,   0,     4,    9,     1,  kH,            1,    1,     1},
    {44,   0,     4,    3,     1,  0,             1,    1,     1},
    {45,   0,     4,    10,    1,  0,             1,    1,     1},
    {46,   1,     4,    6,     1,  0,             1,    1,     1},
    {47,   0,     4,    11,    1,  kG,            1,    1,     1},
    {48,   0,     4,    4,     1,  kG,            1,    1,     1},
    {49,   0,     31,   kNone, 1,  0,             1,    1,     1},
    {50,   0,     4,    9,     3,  kH,            1,    1,     1},
    {51,   0,     4,    9,     1,  kG,            1,    1,     1},
    {52,   0,     4,    9,     1,  kG,            1,    1,     1},
    {53,   0,     4,    9,     3,  kG,            1,    1,     1},
    {55,   4,     4,    9,     1,  0,             1,    1,     1},
    {58,   0,     4,    kNone, 0,  kG,            1,    1,     1},
    {77,   0,     30,   11,    0,  kG,            1,    1,     1},
    {78,   0,     4,    kNone, 1,  0,             1,    1,     1},
    {79,   0,     30,   kNone, 0,  0,             1,    1,     1},
    {80,   0,     4,    kNone, 1,  kG,            1,    1,     1},
    {119,  0,     4,    kNone, 1,  0,             1,    1,     1},
    {120,  0,     4,    1,     1,  kH,            1,    1,     1},
};
// clang-format on

TEST_F(LevelObjectTest, EveryTypeIsMadeAndHitAsItsRowSays) {
    ASSERT_EQ(std::size(kTypeRows), std::size(kTypes));
    Build();
    world()->player.driftSpeed = Px(1); // drift objects live only in a wind
    for (const TypeRow& row : kTypeRows) {
        SCOPED_TRACE(testing::Message() << "type " << int(row.type));
        gSpied.clear();
        world()->player.streamLevel = 0;
        // Made as from a placement whose taken bit is clear.
        ObjectSlot* object = CreateObject(world(), kX, kY, row.type, 0, 0);
        object->itemNumber = 300 + row.type;
        SendObjectMessage(world(), object, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
        ASSERT_EQ(object->typeId, row.type);
        LevelObjectState* st = StateOf(object);
        EXPECT_EQ(st->variantStride, row.stride);
        EXPECT_EQ(object->depth, row.depth);
        EXPECT_EQ(st->hitPoints, row.hitPoints);
        EXPECT_EQ(st->scorable, 1);
        EXPECT_EQ(st->struck, 0);
        EXPECT_EQ(st->velocityY, row.velocityY);
        const auto shadows = SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
        ASSERT_EQ(shadows.size(), row.shadow == kNone ? 0u : 1u);
        if (row.shadow != kNone) {
            EXPECT_EQ(shadows[0]->value, row.shadow);
            EXPECT_EQ(EventsTo(OBJT_ATTACHED_EFFECT, OBJ_EV_PING), 1u)
                << "pinged by the first step";
        } else {
            EXPECT_EQ(st->shadow.link, object->index);
            EXPECT_EQ(st->shadow.script, -1);
        }
        EXPECT_EQ(st->currentScript, 0);
        EXPECT_EQ(st->cameraX, world()->camera.positionX);

        SendObjectMessage(world(), object, OBJ_EV_HIT);
        EXPECT_EQ(st->behaviourState, row.hitState);
        EXPECT_EQ(st->wantedScript, row.hitWanted);
        SendObjectMessage(world(), object, OBJ_EV_HIT);
        EXPECT_EQ(st->wantedScript, row.secondHitWanted);
        DeleteObject(world(), object);
    }
}

TEST_F(LevelObjectTest, CreationEffectsAndTheirExceptions) {
    struct Row {
        uint8_t type;
        int32_t leftCode;
        int32_t kind; // -1 none
    } rows[] = {{8, 0, -1},
                {8, 241, EFFECT_KIND_SPARKS},
                {8, 242, -1},
                {20, 0, EFFECT_KIND_CANNON_SPARK},
                {22, 0, EFFECT_KIND_SPARKS_ALT},
                {21, 0, -1},
                {33, 241, -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << int(row.type) << " left " << row.leftCode);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.leftCode);
        TearDown();
        Build();
        gSpied.clear();
        ObjectSlot* object = Make(row.type);
        const std::vector<int32_t> made = EffectsMade(OBJ_MSG_CREATE);
        EXPECT_EQ(made.size(), row.kind < 0 ? 0u : 1u);
        if (row.kind >= 0) {
            EXPECT_EQ(made[0], row.kind);
            EXPECT_NE(StateOf(object)->attachedEffect.slot, -1);
        } else {
            EXPECT_EQ(StateOf(object)->attachedEffect.slot, -1);
        }
        // The object takes its variant's scripts.
        EXPECT_EQ(StateOf(object)->variant, row.leftCode >= 240 ? row.leftCode - 240 : 0);
        gSpied.clear();
        DeleteObject(world(), object);
        EXPECT_EQ(SpiedOf(OBJT_EFFECT, OBJ_MSG_DESTROY).size(), row.kind < 0 ? 0u : 1u);
    }
}

TEST_F(LevelObjectTest, TheOptionGateParksWhatDoesNotExistAtTheOption) {
    struct Row {
        int32_t rightCode, option;
        uint8_t type;
        int32_t leftCode;
        bool present;
    } rows[] = {
        {18, 0, 49, 0, true},  {18, 1, 49, 0, true},  {18, 2, 49, 0, false}, {19, 0, 49, 0, false},
        {19, 1, 49, 0, true},  {19, 2, 49, 0, true},  {20, 1, 49, 0, false}, {20, 2, 49, 0, true},
        {24, 0, 49, 0, true},  {24, 1, 49, 0, false}, {25, 0, 49, 0, false}, {25, 1, 49, 0, true},
        {21, 2, 49, 0, true},  {22, 0, 49, 0, true},  {23, 1, 49, 0, true},  {0, 2, 49, 0, true},
        {20, 0, 8, 241, true}, {20, 0, 8, 0, false},  {20, 0, 119, 0, true}, {20, 0, 120, 0, true},
        {20, 0, 37, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "right " << row.rightCode << " option " << row.option
                                        << " type " << int(row.type));
        grid_.At(kCol + 1, kRow) = static_cast<uint8_t>(row.rightCode);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.leftCode);
        TearDown();
        Build(row.option, false, -8);
        ObjectSlot* object = Make(row.type);
        if (row.type == 49) {
            // It neither falls nor walks: the slot shows where creation left it.
            EXPECT_EQ(object->x, row.present ? kX : -3000);
            EXPECT_EQ(object->y, row.present ? kY - 8 : -1008);
        } else {
            EXPECT_EQ(object->x < -2000, !row.present);
        }
    }
}

TEST_F(LevelObjectTest, LeversStartBySideCellAndSwitchOnce) {
    struct Row {
        int32_t leftCode;
        int32_t mode, state0, wanted0, state1, wanted1, state2, wanted2;
    } rows[] = {
        {0, LEVER_MODE_PLAIN, 0, 0, 1, 1, 1, 1},
        {241, LEVER_MODE_RETURN, 1, 1, 0, 0, 0, 0},
        {242, LEVER_MODE_COUNTER, 1, 1, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "left " << row.leftCode);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.leftCode);
        TearDown();
        Build();
        SetWord(166, 1000); // the HUD count is far from switching a counting lever off
        LevelObjectState* st = StateOf(Make(37));
        EXPECT_EQ(st->leverMode, row.mode);
        EXPECT_EQ(st->behaviourState, row.state0);
        EXPECT_EQ(st->wantedScript, row.wanted0);
        ObjectSlot* lever = &world()->slots[0];
        SendObjectMessage(world(), lever, OBJ_EV_HIT);
        EXPECT_EQ(st->behaviourState, row.state1);
        EXPECT_EQ(st->wantedScript, row.wanted1);
        SendObjectMessage(world(), lever, OBJ_EV_HIT);
        EXPECT_EQ(st->behaviourState, row.state2);
        EXPECT_EQ(st->wantedScript, row.wanted2);
    }
}

TEST_F(LevelObjectTest, ACountingLeverGoesOffAtTheOptionsHudCount) {
    grid_.At(kCol - 1, kRow) = 242;
    for (int32_t option = 0; option < 3; ++option) {
        SCOPED_TRACE(testing::Message() << "option " << option);
        TearDown();
        Build(option);
        SetWord(166, 5);
        SetWord(167, 7);
        SetWord(168, 9);
        ObjectSlot* lever = Make(37);
        world()->player.hudCount = 5 + 2 * option - 1;
        Tick(lever);
        EXPECT_EQ(StateOf(lever)->behaviourState, LEVEL_OBJECT_TRIGGERED);
        ++world()->player.hudCount;
        Tick(lever);
        EXPECT_EQ(StateOf(lever)->behaviourState, LEVEL_OBJECT_IDLE);
        EXPECT_EQ(StateOf(lever)->wantedScript, 0);
    }
}

TEST_F(LevelObjectTest, AGatedTargetReactsOnlyWithinTheOption) {
    struct Row {
        int32_t leftCode, option;
        bool reacts;
    } rows[] = {{240, 0, true},  {241, 0, false}, {241, 1, true},
                {242, 1, false}, {242, 2, true},  {0, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "left " << row.leftCode << " option " << row.option);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.leftCode);
        TearDown();
        Build(row.option);
        ObjectSlot* target = Make(79);
        SendObjectMessage(world(), target, OBJ_EV_HIT);
        EXPECT_EQ(StateOf(target)->behaviourState, row.reacts ? 1 : 0);
        if (row.reacts) {
            Tick(target);
            TearDown();
            Build(row.option, true);
            target = Make(79);
            SendObjectMessage(world(), target, OBJ_EV_HIT);
            for (int32_t i = 0; i < 4; ++i)
                Tick(target);
            EXPECT_EQ(StateOf(target)->wantedScript, 2) << "its triggered script leads to the last";
        }
    }
}

TEST_F(LevelObjectTest, TheFourVariantEventsPickScriptsWhateverTheState) {
    grid_.At(kCol - 1, kRow) = 241; // variant 1: base 3 for type 30
    Build();
    ObjectSlot* object = Make(30);
    LevelObjectState* st = StateOf(object);
    for (ObjectMessage k = 1; k <= 4; ++k) {
        SendObjectMessage(world(), object, OBJ_EV_BASE + 0x14 + k);
        EXPECT_EQ(st->wantedScript, 3 + static_cast<int32_t>(k));
        EXPECT_EQ(st->behaviourState, LEVEL_OBJECT_IDLE);
    }
    SendObjectMessage(world(), object, OBJ_EV_KNOCKDOWN);
    EXPECT_EQ(st->wantedScript, 5);
    SendObjectMessage(world(), object, OBJ_EV_BASE + 0x19);
    EXPECT_EQ(st->wantedScript, 5) << "past the four: ignored";
    st->dying = 1;
    SendObjectMessage(world(), object, OBJ_EV_SEQ_4);
    EXPECT_EQ(st->wantedScript, 5) << "a dying object ignores events";
}

TEST_F(LevelObjectTest, AnchorPingAndQuietMoveTheObject) {
    Build();
    ObjectSlot* object = Make(49);
    object->itemNumber = 77;
    LevelObjectState* st = StateOf(object);
    st->positionX = Px(300);
    SendObjectMessage(world(), object, OBJ_EV_ANCHOR);
    EXPECT_EQ(object->x, kX);
    EXPECT_EQ(st->positionX, Px(kX));
    SendObjectMessage(world(), object, OBJ_EV_QUIET);
    EXPECT_EQ(object->x, -3000);
    EXPECT_TRUE(IsWorldBitClear(world(), 77));
    SendObjectMessage(world(), object, OBJ_EV_PING);
    EXPECT_EQ(object->y, -3000);
    EXPECT_FALSE(IsWorldBitClear(world(), 77));
}

TEST_F(LevelObjectTest, RememberedTargetsStartTriggered) {
    Build();
    SetWorldBit(world(), 12, 1);
    for (uint8_t type : {uint8_t{31}, uint8_t{77}}) {
        ObjectSlot* object = CreateObject(world(), kX, kY, type, 0, 0);
        object->itemNumber = 12;
        SendObjectMessage(world(), object, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
        EXPECT_EQ(StateOf(object)->behaviourState, LEVEL_OBJECT_TRIGGERED);
        EXPECT_EQ(StateOf(object)->wantedScript, 1);
        DeleteObject(world(), object);
    }
}

// ---- motion --------------------------------------------------------------------------------

TEST_F(LevelObjectTest, AProjectileMovesTwiceItsVelocityAndDiesOnAWall) {
    Build();
    ProjectileSpawnRecord launch{4, -3};
    ObjectSlot* shot = Make(OBJT_PROJECTILE_A, reinterpret_cast<intptr_t>(&launch));
    // MoveObject walks in 1/256-pixel units along a unit vector truncated
    // to 16.16, so (8, -6) pixels arrive a few 1/65536 short.
    const LevelObjectState* st = StateOf(shot);
    EXPECT_NEAR(st->positionX, Px(kX + 8), 16);
    EXPECT_NEAR(st->positionY, Px(kY - 6), 16);
    EXPECT_EQ(st->lastCollision, 0);
    Tick(shot);
    EXPECT_NEAR(st->positionX, Px(kX + 16), 32);
    EXPECT_NEAR(st->positionY, Px(kY - 12), 32);
    EXPECT_EQ(shot->x, st->positionX / 65536) << "the slot is the whole-pixel part";
    EXPECT_EQ(shot->y, kY - 12);

    // Into the wall: struck, not scorable, death stars, no taken bit, gone.
    ProjectileSpawnRecord fast{30, 0};
    ObjectSlot* wallShot =
        Make(OBJT_PROJECTILE_A, reinterpret_cast<intptr_t>(&fast), (kColumns - 4) * 32 - 70, kY);
    wallShot->itemNumber = 90;
    gSpied.clear();
    EXPECT_EQ(TicksUntilGone(wallShot, OBJT_PROJECTILE_A, 5), 1);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE), std::vector<int32_t>{EFFECT_KIND_DEATH_STARS});
    EXPECT_TRUE(IsWorldBitClear(world(), 90));
}

TEST_F(LevelObjectTest, TheSecondProjectileFallsAndPlaysItsDyingScript) {
    Build(0, true);
    ProjectileSpawnRecord launch{10, 0};
    ObjectSlot* shot =
        Make(OBJT_PROJECTILE_B, reinterpret_cast<intptr_t>(&launch), (kColumns - 6) * 32, kY);
    LevelObjectState* st = StateOf(shot);
    EXPECT_EQ(st->velocityY, kH);
    int32_t ticks = 0;
    while (st->struck == 0 && ticks < 20) {
        Tick(shot);
        ++ticks;
    }
    ASSERT_EQ(st->struck, 1);
    EXPECT_EQ(st->scorable, 0);
    EXPECT_EQ(st->dying, 1);
    EXPECT_EQ(ActorOf(shot)->top->script, 1);
    EXPECT_GT(TicksUntilGone(shot, OBJT_PROJECTILE_B, 10), 1);
    EXPECT_EQ(shot->typeId, 0);
}

TEST_F(LevelObjectTest, AThrownProjectileFacesAndDressesAsThePlayer) {
    Build();
    ObjectSlot* player = MakePlayer(100, 100);
    player->DrawAs<ScriptActor>()->flags = ACTOR_FACING_LEFT;
    player->LogicAs<PlayerState>()->costume = 1;
    ObjectSlot* shot = Make(OBJT_PROJECTILE_A);
    EXPECT_TRUE((ActorOf(shot)->flags & ACTOR_FACING_LEFT) != 0);
    EXPECT_EQ(StateOf(shot)->wantedScript, 1);
}

TEST_F(LevelObjectTest, AMovingPlatformLandsRidesItsScriptAndNotesTheWall) {
    Build();
    ReplaceSet(58, Scripts(3, false, 4), 2);
    ReplaceSet(33, Scripts(3, false, 4), 2);
    const int16_t start = (kColumns - 8) * 32;
    ObjectSlot* platform = Make(58, 0, start, 9 * 32);
    ObjectSlot* walker = Make(33, 0, start, 7 * 32);
    for (int32_t i = 0; i < 40; ++i) {
        Tick(platform);
        Tick(walker);
    }
    EXPECT_EQ(StateOf(platform)->velocityY, 0) << "standing: each step's fall is stopped";
    EXPECT_GE(platform->y, 9 * 32);
    EXPECT_LT(platform->y, 10 * 32);
    EXPECT_EQ(StateOf(platform)->wallFlag, 1);
    EXPECT_EQ(ActorOf(platform)->flags & ACTOR_FACING_LEFT, 0) << "a platform keeps its facing";
    EXPECT_NE(ActorOf(walker)->flags & ACTOR_FACING_LEFT, 0) << "a walker turns at the wall";
}

TEST_F(LevelObjectTest, ASliderIsLaunchedFromItsCellAndStopsOnLanding) {
    grid_.At(kCol, 9) = 23;
    Build();
    SetWord(184, 6);
    SetWord(185, -4);
    ObjectSlot* slider = Make(80, 0, kX, 9 * 32);
    LevelObjectState* st = StateOf(slider);
    EXPECT_EQ(st->wantedScript, 1);
    EXPECT_EQ(st->velocityX, Px(6)) << "launched in its first step";
    int32_t ticks = 0;
    while (st->velocityX != 0 && ticks < 40) {
        Tick(slider);
        ++ticks;
    }
    EXPECT_LT(ticks, 40);
    EXPECT_EQ(st->wantedScript, 0) << "landed";
}

TEST_F(LevelObjectTest, TurnCellsFlipOncePerVisitAndType42OnlyCounts) {
    grid_.At(kCol, kRow) = 128;
    Build();
    ObjectSlot* walker = Make(49);
    ObjectSlot* flyer = Make(42);
    StateOf(flyer)->turnDelay = 10; // no turn of its own while the test runs
    EXPECT_NE(ActorOf(walker)->flags & ACTOR_FACING_LEFT, 0);
    EXPECT_EQ(StateOf(walker)->turnCounter, 2);
    EXPECT_EQ(ActorOf(flyer)->flags & ACTOR_FACING_LEFT, 0);
    EXPECT_EQ(StateOf(flyer)->turnCounter, 1);
    Tick(walker);
    EXPECT_NE(ActorOf(walker)->flags & ACTOR_FACING_LEFT, 0) << "still on the cell: no turn";
    EXPECT_EQ(StateOf(walker)->turnCounter, 2);
    for (ObjectSlot* object : {walker, flyer}) {
        StateOf(object)->positionX = Px(kX + 64);
        StateOf(object)->positionY = Px(kY);
        StateOf(object)->velocityY = 0;
        Tick(object);
        EXPECT_EQ(StateOf(object)->onTurnCell, 0);
        EXPECT_EQ(StateOf(object)->turned, 0);
        StateOf(object)->positionX = Px(kX + 4);
        StateOf(object)->positionY = Px(kY + 33); // the cell above is the turn cell
        StateOf(object)->velocityY = 0;
        Tick(object);
    }
    EXPECT_EQ(ActorOf(walker)->flags & ACTOR_FACING_LEFT, 0) << "a second visit turns it back";
    EXPECT_EQ(StateOf(walker)->turnCounter, 4);
    EXPECT_EQ(StateOf(flyer)->turnCounter, 2);
}

TEST_F(LevelObjectTest, DriftObjectsRideTheWindAndGoWithIt) {
    Build();
    world()->player.driftSpeed = Px(2);
    ObjectSlot* light = Make(46, 0);
    ObjectSlot* heavy = Make(46, kDriftLast - 1);
    EXPECT_EQ(StateOf(light)->velocityX, Px(2));
    EXPECT_EQ(light->x, kX + 2);
    EXPECT_EQ(StateOf(heavy)->velocityX, Px(10));
    EXPECT_EQ(StateOf(heavy)->shadow.script, -1) << "the last drift variant casts no shadow";
    world()->player.driftSpeed = 0;
    Tick(light);
    EXPECT_EQ(light->typeId, 0);

    // A drift object the player met ends in death stars, without a taken bit.
    world()->player.driftSpeed = Px(40);
    ObjectSlot* met = Make(46, 0, (kColumns - 6) * 32, kY);
    met->itemNumber = 91;
    StateOf(met)->firstDriftFlag = 1;
    gSpied.clear();
    EXPECT_LE(TicksUntilGone(met, 46, 10), 3);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE).size(), 2u) << "the strike's and the meeting's";
    EXPECT_TRUE(IsWorldBitClear(world(), 91));
}

// ---- strikes -------------------------------------------------------------------------------

TEST_F(LevelObjectTest, AStruckObjectLeavesStarsAndItsBitAndEndsByType) {
    struct Row {
        uint8_t type;
        int32_t dyingScript; // -1: gone at once
    } rows[] = {{32, 3}, {33, -1}, {39, 2}, {40, 6}, {41, 1}, {42, 3}, {43, 2},
                {45, 2}, {47, 1},  {48, 1}, {50, 2}, {51, 2}, {53, 4}, {58, -1}};
    Build(0, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << int(row.type));
        ObjectSlot* object = Make(row.type);
        object->itemNumber = 200 + row.type;
        SendObjectMessage(world(), object, OBJ_EV_ARM);
        EXPECT_EQ(StateOf(object)->scorable, 0);
        gSpied.clear();
        Tick(object);
        EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE), std::vector<int32_t>{EFFECT_KIND_DEATH_STARS});
        EXPECT_FALSE(IsWorldBitClear(world(), 200 + row.type));
        if (row.dyingScript < 0) {
            EXPECT_EQ(object->typeId, 0);
            continue;
        }
        ASSERT_EQ(object->typeId, row.type);
        EXPECT_EQ(StateOf(object)->dying, 1);
        EXPECT_EQ(ActorOf(object)->top->script, row.dyingScript);
        SendObjectMessage(world(), object, OBJ_EV_HIT);
        EXPECT_EQ(StateOf(object)->behaviourState, 0) << "dying: events are ignored";
        EXPECT_LE(TicksUntilGone(object, row.type, 10), 4);
        EXPECT_EQ(object->typeId, 0);
    }
}

TEST_F(LevelObjectTest, OnTheChaseFlyerLevelAFlyerSurvivesItsBounces) {
    for (int32_t level : {16, 17}) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        TearDown();
        Build(0, true);
        world()->currentLevel = static_cast<int16_t>(level);
        ObjectSlot* flyer = Make(44, 0, 300, kY);
        const int32_t bounces = StateOf(flyer)->bounces;
        EXPECT_GE(bounces, 10);
        EXPECT_LE(bounces, 15);
        int32_t survived = 0;
        for (int32_t strike = 0; strike < 20 && StateOf(flyer)->dying == 0; ++strike) {
            SendObjectMessage(world(), flyer, OBJ_EV_ARM);
            Tick(flyer);
            if (StateOf(flyer)->dying == 0) {
                ++survived;
                EXPECT_EQ(StateOf(flyer)->scorable, 1);
                EXPECT_GE(StateOf(flyer)->positionX, Px(200));
            }
        }
        EXPECT_EQ(survived, level == 17 ? bounces : 0);
    }
}

// One table over the level rules of the flyers: the level they apply on and
// the words each flight reads there.
TEST_F(LevelObjectTest, TheFlyersLevelRulesReadTheirWords) {
    Build();
    for (int32_t n = 118; n <= 144; ++n)
        SetWord(n, n);
    struct Row {
        int32_t level, option;
        bool chaseLevel;
        int32_t limitX, limitY;
    } rows[] = {
        {16, 0, false, 133, 134},
        {16, 2, false, 133, 134},
        {17, 0, true, 142, 144},
        {17, 1, true, 142 + 142, 144 + 144},
        {17, 2, true, 141 + 2 * 142 + 1, 143 + 2 * 144 + 1},
        {18, 1, false, 133, 134},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "level " << row.level << " option " << row.option);
        EXPECT_EQ(IsChaseFlyerLevel(row.level), row.chaseLevel);
        const FlightWords w = ChasingFlightWords(world(), row.level, row.option);
        EXPECT_EQ(w.limitX, row.limitX);
        EXPECT_EQ(w.limitY, row.limitY);
        EXPECT_EQ(w.nearOffsetY, 134);
        EXPECT_EQ(w.farOffsetY, 135);
        EXPECT_EQ(w.divisorX, 137);
        EXPECT_EQ(w.jitterY, 140);
    }
    FlightWords idle = HomingFlightWords(world(), LEVEL_OBJECT_IDLE);
    EXPECT_EQ(idle.limitX, 118);
    EXPECT_EQ(idle.divisorY, 129);
    EXPECT_EQ(idle.jitterX, 130);
    FlightWords attack = HomingFlightWords(world(), LEVEL_OBJECT_TRIGGERED);
    EXPECT_EQ(attack.limitX, 118 * 126);
    EXPECT_EQ(attack.divisorX, 64);
    EXPECT_EQ(attack.jitterY, 6);
    SetWord(128, 1);
    SetWord(129, 0);
    attack = HomingFlightWords(world(), LEVEL_OBJECT_TRIGGERED);
    EXPECT_EQ(attack.divisorX, 1) << "a halved divisor stays a divisor";
    EXPECT_EQ(attack.divisorY, 1);
    ObjectSlot a{}, b{};
    a.index = 3;
    b.index = 7;
    EXPECT_EQ(ChaseFlyerSpread(&a), 120);
    EXPECT_EQ(ChaseFlyerSpread(&b), 24);
}

TEST_F(LevelObjectTest, TheChasingFlyerJumpsAheadOnlyOnItsLevel) {
    for (int32_t level : {16, 17}) {
        TearDown();
        Build();
        world()->currentLevel = static_cast<int16_t>(level);
        MakePlayer(1000, kY);
        ObjectSlot* flyer = Make(44, 0, 100, kY);
        const int32_t lead = 250 + ChaseFlyerSpread(flyer);
        EXPECT_EQ(std::abs(flyer->x - (1000 - lead)) <= 8, level == 17) << "level " << level;
    }
}

TEST_F(LevelObjectTest, AHomingFlyerSteersAndRisesFromProjectiles) {
    Build();
    SetWord(118, 4);
    SetWord(119, 3);
    SetWord(128, 2);
    SetWord(129, 2);
    SetWord(130, 1000000);
    SetWord(131, 1000000);
    SetWord(124, 1000);
    SetWord(125, 1001); // never attacks
    MakePlayer(kX + 200, kY);
    ObjectSlot* flyer = Make(40);
    EXPECT_EQ(StateOf(flyer)->velocityX, Px(2)) << "half its limit toward the player";
    EXPECT_EQ(ActorOf(flyer)->flags & ACTOR_FACING_LEFT, 0);
    Tick(flyer);
    EXPECT_EQ(StateOf(flyer)->velocityX, Px(4)) << "held at its limit";
    SetWord(127, 50);
    ProjectileSpawnRecord still{0, 0};
    Make(OBJT_PROJECTILE_B, reinterpret_cast<intptr_t>(&still), flyer->x + 10, flyer->y);
    Tick(flyer);
    EXPECT_EQ(StateOf(flyer)->velocityY, Px(-9));
}

TEST_F(LevelObjectTest, ABombExplodesAfterAHitAndBouncesWhenItLands) {
    Build();
    SetWord(150, 100);
    ObjectSlot* player = MakePlayer(kX + 100, kY);
    ObjectSlot* bomb = Make(20);
    EXPECT_EQ(StateOf(bomb)->timer, 99);
    gSpied.clear();
    SendObjectMessage(world(), bomb, OBJ_EV_HIT);
    EXPECT_EQ(EventsTo(OBJT_PLAYER, OBJ_EV_HURT), 1u);
    Tick(bomb);
    EXPECT_EQ(bomb->typeId, 0);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS),
              std::vector<int32_t>{EFFECT_KIND_SPARK_BURST});
    EXPECT_EQ(EventsTo(OBJT_PLAYER, OBJ_EV_HURT), 2u) << "the player was within reach";

    player->x = kX + 500;
    ObjectSlot* falling = Make(20, 0, kX, 8 * 32);
    int32_t ticks = 0;
    while (StateOf(falling)->velocityY > 0 && ticks < 20) {
        Tick(falling);
        ++ticks;
    }
    EXPECT_LT(StateOf(falling)->velocityY, 0) << "bounced";
    EXPECT_EQ(StateOf(falling)->landingSoundFlag, 1);
}

TEST_F(LevelObjectTest, TheShooterFiresEverySixtyFramesAndKeepsUpWithThePlayer) {
    Build();
    ScriptAssembler a; // waits in a loop, shoots in two frames
    a.BeginScript();
    a.Show(0, 1).Jump(0);
    a.BeginScript();
    a.Show(1, 2);
    ReplaceSet(17, a, 2);
    ObjectSlot* shooter = Make(17);
    for (int32_t i = 0; i < 58; ++i)
        Tick(shooter);
    EXPECT_EQ(StateOf(shooter)->behaviourState, LEVEL_OBJECT_IDLE) << "59 frames counted";
    Tick(shooter);
    EXPECT_EQ(StateOf(shooter)->wantedScript, 1);
    gSpied.clear();
    for (int32_t i = 0; i < 4 && SpiedOf(18, OBJ_MSG_CREATE).empty(); ++i)
        Tick(shooter);
    ASSERT_EQ(SpiedOf(18, OBJ_MSG_CREATE).size(), 1u);
    EXPECT_EQ(SpiedOf(18, OBJ_MSG_CREATE)[0]->x, kX + 40);
    EXPECT_EQ(SpiedOf(18, OBJ_MSG_CREATE)[0]->y, kY - 80);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS),
              std::vector<int32_t>{EFFECT_KIND_SPARK_BURST});
    EXPECT_EQ(StateOf(shooter)->behaviourState, LEVEL_OBJECT_IDLE);
    MakePlayer(2000, kY);
    Tick(shooter);
    EXPECT_EQ(shooter->x, 1200) << "no more than 800 pixels behind the player";
}

TEST_F(LevelObjectTest, ADroppingPlatformFallsWhenItsTimerRunsOut) {
    for (bool withPlayer : {false, true}) {
        SCOPED_TRACE(withPlayer ? "with a player" : "without a player");
        TearDown();
        Build();
        SetWord(162, 4);
        if (withPlayer)
            MakePlayer(600, kY)->LogicAs<PlayerState>()->restartX = Px(kX + 1);
        ObjectSlot* platform = Make(29);
        platform->itemNumber = 66;
        LevelObjectState* st = StateOf(platform);
        Tick(platform);
        EXPECT_EQ(st->velocityY, 0) << "idle: no timer, no fall";
        st->timer = 1;
        Tick(platform);
        Tick(platform);
        EXPECT_EQ(st->timer, 3);
        EXPECT_EQ(st->velocityY, 0);
        Tick(platform);
        EXPECT_EQ(st->timer, 4);
        EXPECT_EQ(st->velocityY, 0x3000);
        EXPECT_EQ(IsWorldBitClear(world(), 66), !withPlayer);
    }
}

TEST_F(LevelObjectTest, DestroyAndDetachLetGoOfTheShadow) {
    Build();
    ObjectSlot* object = Make(39);
    LevelObjectState* st = StateOf(object);
    ASSERT_NE(AttachedEffectOf(world(), st->shadow), nullptr);
    SendObjectMessage(world(), object, OBJ_MSG_DETACH);
    EXPECT_EQ(st->shadow.link, -1);
    gSpied.clear();
    Tick(object);
    EXPECT_EQ(EventsTo(OBJT_ATTACHED_EFFECT, OBJ_EV_PING), 0u);

    ObjectSlot* other = Make(39);
    gSpied.clear();
    DeleteObject(world(), other);
    EXPECT_EQ(SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_MSG_DESTROY).size(), 1u);
}

// ---- the pipe chain ------------------------------------------------------------------------

TEST(PipeFillPointTest, TheStreamRunsEachShapesLegs) {
    const PipePoint p[3] = {{0, 10}, {20, 10}, {20, 30}};
    struct Row {
        int32_t shape;
        bool reversed;
        float progress;
        int32_t x, y;
    } rows[] = {
        {0, false, 0.0f, 0, 10},   {0, false, 3.9f, 8, 10},  {0, false, 7.0f, 20, 10},
        {5, false, 5.0f, 14, 10},  {1, false, 3.5f, 8, 10},  {1, false, 7.0f, 20, 10},
        {1, false, 10.6f, 20, 18}, {10, true, 0.0f, 20, 30}, {10, true, 8.0f, 18, 10},
        {10, false, 8.0f, 20, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "shape " << row.shape << " at " << row.progress);
        const PipePoint fill = PipeFillPoint(row.shape, row.reversed, p, row.progress, 7);
        EXPECT_EQ(fill.x, row.x);
        EXPECT_EQ(fill.y, row.y);
    }
    EXPECT_EQ(PipeFlowEnd(0, 7), 7);
    EXPECT_EQ(PipeFlowEnd(9, 7), 14);
    EXPECT_FLOAT_EQ(PipeStreamSpeed(0), 0.4f);
    EXPECT_FLOAT_EQ(PipeStreamSpeed(2), 1.0f);
    EXPECT_EQ(PipeFillPoint(0, false, p, 1.0f, 0).x, 20) << "a duration of 0 runs as 1";
}

TEST_F(LevelObjectTest, APipeChainIsBuiltAheadOfTheViewAndCarriesTheStreamToItsEnd) {
    grid_.At(kCol, kRow) = 228;         // the head: shape 0, straight
    grid_.At(kCol + 1, kRow) = 229;     // shape 1, two legs
    grid_.At(kCol + 1, kRow + 1) = 233; // shape 5, fed from above
    Build();
    world()->camera.viewWidth = Px(100); // segments at x < 164 build
    ObjectSlot* player = MakePlayer(kX, kY);
    ObjectSlot* target = Make(36, 0, 20 * 32, kY);
    ObjectSlot* head = CreateObject(world(), kX, kY, kPipeSegmentType, 0, 0);
    head->itemNumber = 55;
    world()->player.streamLevel = 30;
    SendObjectMessage(world(), head, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    LevelObjectState* hs = StateOf(head);
    EXPECT_EQ(world()->player.streamLevel, 0) << "a head starts with no stream";
    EXPECT_EQ(hs->shape, 0);
    EXPECT_EQ(hs->spriteIndex, 0);
    ObjectSlot* second = ResolveObjectRef(world(), hs->nextSegment, kPipeSegmentType);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->x, kX + 32);
    LevelObjectState* ss = StateOf(second);
    EXPECT_EQ(ss->entryX, -1);
    EXPECT_EQ(ss->shape, 1);
    EXPECT_EQ(ss->spriteIndex, 1);
    EXPECT_EQ(ss->nextSegment.slot, -1) << "too far right of the view";
    EXPECT_EQ(ss->chainEnd, 0);

    world()->camera.positionX = Px(100);
    Tick(second);
    ObjectSlot* third = ResolveObjectRef(world(), ss->nextSegment, kPipeSegmentType);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->y, kY + 32);
    EXPECT_EQ(StateOf(third)->entryY, -1);
    EXPECT_EQ(StateOf(third)->chainEnd, 1);

    gSpied.clear();
    SendObjectMessage(world(), head, OBJ_EV_HIT);
    EXPECT_EQ(world()->player.streamLevel, 100);
    EXPECT_EQ(hs->streamDuration, 7);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS),
              std::vector<int32_t>{EFFECT_KIND_STREAM});
    EXPECT_FALSE(IsWorldBitClear(world(), 55));

    for (int32_t i = 0; i < 10; ++i)
        Tick(head);
    EXPECT_EQ(hs->fillX, 20 * 3 / 7) << "progress 3.6 after nine steps";
    EXPECT_EQ(world()->player.streamPointX, kX + hs->fillX);
    EXPECT_EQ(world()->player.streamPointY, kY + 10 + 48);
    EXPECT_EQ(TicksUntilGone(head, kPipeSegmentType, 20), 8);
    EXPECT_EQ(ss->behaviourState, LEVEL_OBJECT_TRIGGERED);
    EXPECT_EQ(ss->streamDuration, 7 - 100 / 40);

    // 25 steps of 0.4 in single precision come to 9.999999: one more step.
    EXPECT_EQ(TicksUntilGone(second, kPipeSegmentType, 40), 26);
    gSpied.clear();
    player->LogicAs<PlayerState>()->collisionFlags = COLLIDE_BLOCK_DOWN | COLLIDE_BLOCK_LEFT;
    EXPECT_EQ(TicksUntilGone(third, kPipeSegmentType, 40), 13);
    EXPECT_EQ(world()->player.streamLevel, 0);
    EXPECT_EQ(EffectsMade(OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS),
              (std::vector<int32_t>{EFFECT_KIND_FLASH_BURST, EFFECT_KIND_FINALE}));
    EXPECT_EQ(StateOf(target)->behaviourState, LEVEL_OBJECT_TRIGGERED);
    EXPECT_EQ(EventsTo(OBJT_PLAYER, OBJ_EV_HIT), 1u);
    EXPECT_EQ(player->LogicAs<PlayerState>()->collisionFlags, int32_t{COLLIDE_BLOCK_LEFT});
    EXPECT_EQ(player->LogicAs<PlayerState>()->vy, Px(-10));
}

TEST_F(LevelObjectTest, APipeSegmentDrawsTheUnfilledPartOfItsSprite) {
    grid_.At(kCol, kRow) = 228;
    Build();
    ObjectSlot* head = Make(kPipeSegmentType);
    StateOf(head)->fillX = 12;
    world()->camera.positionX = Px(41); // drawn from the even pixel 40
    DrawCapture capture;
    DrawObject(world(), head);
    ASSERT_EQ(capture.Count(CAPTURED_SPRITE), 1u);
    const SpriteRecord& r = capture[0].record;
    EXPECT_EQ(r.sourceX, 12);
    EXPECT_EQ(r.width, 20);
    EXPECT_EQ(r.x, kX - 40 + 0 + 12);
    EXPECT_EQ(r.height, -1);
}

// ---- the pendulum ----------------------------------------------------------------------------

TEST_F(LevelObjectTest, APendulumSwingsUnderItsHomeAndDrawsItsRope) {
    // Group 33's item 1 is the rope's picture.
    CatalogueBuilder catalogue;
    for (uint32_t g = 0; g < 33; ++g)
        catalogue.AddItem(catalogue.AddGroup(), PlainEntry(0, {1}));
    const uint32_t ropeGroup = catalogue.AddGroup();
    catalogue.AddItem(ropeGroup, PlainEntry(0, {1}));
    catalogue.AddItem(ropeGroup, PlainEntry(RES_TYPE_PNG, WritePng(MakeTestPicture(PngColour::Rgba,
                                                                                   8, 2, 2, 7))));
    const std::vector<uint8_t> bytes = catalogue.Build();
    const int fd = memfd_create("rope", 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_EQ(OpenArchive(&gResourceArchive, ("/proc/self/fd/" + std::to_string(fd)).c_str()), 1);
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                           CATALOGUE_ROOT_ENTRY);

    Build();
    ObjectSlot* pendulum = Make(kPendulumType);
    LevelObjectState* st = StateOf(pendulum);
    EXPECT_EQ(st->homeY, Px(kY));
    EXPECT_EQ(st->positionX, Px(kX)) << "phase 0 hangs straight down";
    EXPECT_EQ(pendulum->y, kY + 64);
    EXPECT_FLOAT_EQ(st->phase, 3.14159265f / (64 / 5 + 2));
    const float phase = st->phase;
    Tick(pendulum);
    EXPECT_EQ(st->positionX,
              Px(kX) + static_cast<int32_t>(20.0 * std::sin(double{phase}) * 65536.0));

    world()->camera.positionX = Px(11);
    world()->camera.positionY = Px(4);
    DrawCapture capture;
    DrawObject(world(), pendulum);
    ASSERT_EQ(capture.Count(CAPTURED_MESH_TRIANGLE), 2u);
    const CapturedDraw& first = capture[0];
    const int32_t dx = pendulum->x - kX;
    EXPECT_EQ(first.vertexX[0], kX - 10);
    EXPECT_EQ(first.vertexY[0], kY - 4);
    EXPECT_EQ(first.vertexX[2], kX - 10 + dx);
    EXPECT_EQ(first.vertexY[2], kY - 4 + 64);
    EXPECT_EQ(first.triangle.u[1], 1);
    EXPECT_EQ(first.triangle.v[2], 1);
    const CapturedDraw& second = capture[1];
    EXPECT_EQ(second.vertexX[2], kX - 10 + dx + 1);
    EXPECT_EQ(second.triangle.u[0], 1);
    EXPECT_EQ(second.triangle.v[2], 1);
    EXPECT_EQ(capture.Count(CAPTURED_SPRITE), 1u) << "then its actor";

    DeleteObjectsExceptType(world(), 0);
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    CloseArchive(&gResourceArchive);
    close(fd);
}

} // namespace
