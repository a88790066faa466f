// The player on a generated map (ground, a wall) with its media set built
// in memory: the input tables, the events, leaving play and coming back,
// the action point, the level rules and the world rules it runs. Every
// other type is a spy that records what it was made with.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "menus/save_file.h"
#include "tests/support/draw_capture.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/player_internal.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kGround = 1; // solid
constexpr int32_t kColumns = 40;
constexpr int32_t kGroundRow = 10;  // its top at 320 px
constexpr int32_t kWallColumn = 20; // x 640..671, rows 0..9
constexpr int32_t kPlainLevel = 15;
constexpr int32_t kNoKeysLevelA = 31, kNoKeysLevelB = 32; // level words 11 and 12
constexpr int32_t kWalkDx = 4;                            // pixels a frame of the walk scripts
constexpr int32_t kJumpDy = -12;                          // instruction 0 of the jump scripts
constexpr int32_t kGravity = 122880;
constexpr int16_t kStartX = 100, kStartY = 290;

static_assert(sizeof(PickupState) <= 128 && sizeof(ThrownObjectState) <= 128,
              "the spies' state buffers hold the records the player reads and writes");

constexpr uint32_t L = 0x20, R = 0x80, U = 0x200, D = 0x8, A = PLAYER_INPUT_ACTION;

struct Spied {
    uint8_t type;
    ObjectMessage message;
    int16_t x, y;
    intptr_t param;
    int32_t value;  // the kind, the i32 a record holds, or -1
    int32_t vx, vy; // a projectile's velocity record
};
std::vector<Spied> gSpied;

// Every type but the player: records what it was made with, and the
// attached effect writes its slot into its owner's record as promised.
void Spy(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    if ((message & OBJ_MSG_CREATE) == 0)
        return;
    Spied s{object->typeId, message, object->x, object->y, object->ParamValue(),
            SpyCreation(object), 0, 0};
    if (object->typeId == 8 && object->param != 0) {
        s.value = object->ParamAs<const LevelObjectVariantRecord*>()->variant;
    } else if (object->typeId == OBJT_PROJECTILE_A || object->typeId == OBJT_PROJECTILE_B) {
        const auto* velocity = object->ParamAs<const ProjectileSpawnRecord*>();
        s.vx = velocity->vx;
        s.vy = velocity->vy;
    }
    gSpied.push_back(s);
}

std::vector<Spied> Made(uint8_t type) {
    return OfType(gSpied, type);
}

class PlayerTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        UseOption(1);
        gSpied.clear();
        SetRandomState(kInitialRandomState);
        CrtSrand(1);
        LevelLayerGrid grid = FilledLayer(kColumns, 12, 0);
        FillCells(grid, 0, kGroundRow, kColumns, kGroundRow + 2, kGround);
        FillCells(grid, kWallColumn, 0, kWallColumn + 1, kGroundRow, kGround);
        MakeMap(grid, kGround);
        GameWorld* w = world();
        for (int32_t type = 2; type < kObjectTypeCount; ++type)
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, 128, 0);
        RegisterObjectType(w, OBJT_PLAYER, PlayerHandler, DrawPlayer, OBJ_KIND_TRACKED,
                           sizeof(PlayerState), sizeof(ScriptActor));
        w->currentLevel = w->gameLevel = kPlainLevel;
        w->camera.viewHeight = Px(600);
        w->camera.viewWidth = Px(800);
        words_.Assign(221);
        words_.Set(0, 8);  // air speed 5 px
        words_.Set(1, -6); // lifts
        words_.Set(11, kNoKeysLevelA);
        words_.Set(12, kNoKeysLevelB);
        words_.Attach(w);
        ResetMediaSets(w);
        w->mediaSetsUsed = -1;
        AddPlayerSet();
        AddSet(46, 21); // drifting objects: L = 20
    }


    // 68 scripts: the walk scripts move 4 px a frame, the jump and hit
    // scripts hold the launch in instruction 0, the hurt, knockdown, stun
    // and action scripts end, the actions show sprite 1 (the action key) for
    // one frame; everything else loops on sprite 0.
    void AddPlayerSet() {
        auto in = [](int32_t s, std::initializer_list<int32_t> list) {
            for (int32_t v : list)
                if (s % 30 == v)
                    return true;
            return false;
        };
        ScriptAssembler a;
        for (int32_t s = 0; s < 68; ++s) {
            a.BeginScript();
            if (s < 60 && in(s, {0, 10, 21, 25}))
                a.Show(0, 1, kWalkDx).Jump(0);
            else if (s < 60 && in(s, {2, 12, 18, 22}))
                a.Show(0, 1, 0, kJumpDy).Jump(0);
            else if (s < 60 && in(s, {4, 5, 23, 24}))
                a.Show(0, 1).Show(1, 1).Show(0, 3);
            else if (s < 60 && in(s, {3, 9, 19, 28, 29}))
                a.Show(0, 5);
            else
                a.Show(0, 1).Jump(0);
        }
        SpriteKeyRecord key{};
        key.key = 4;
        key.x = 30;
        key.y = -20;
        key.velocityX = 12;
        key.velocityY = -4;
        keys_.push_back(key);
        MediaSet& set = media_.Add(world(), OBJT_PLAYER, a, 2);
        set.sprites[1].keys = &keys_.back();
        set.sprites[1].lastKey = 0;
    }

    void AddSet(uint8_t type, int32_t scripts) {
        ScriptAssembler a;
        for (int32_t s = 0; s < scripts; ++s) {
            a.BeginScript();
            a.Show(0, 1).Jump(0);
        }
        media_.Add(world(), type, a, 1);
    }

    ObjectSlot* Spawn(int16_t x = kStartX, int16_t y = kStartY) {
        player_ = CreateObject(world(), x, y, OBJT_PLAYER, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
        return player_;
    }
    PlayerState* P() { return player_->LogicAs<PlayerState>(); }
    ScriptActor* Actor() { return player_->DrawAs<ScriptActor>(); }
    void Send(ObjectMessage message) { Tick(player_, message); }
    // Ticks with `input` until `done` holds; false after `limit` ticks.
    template <typename Pred> bool TickUntil(uint32_t input, Pred done, int limit = 60) {
        for (int i = 0; i < limit; ++i) {
            Send(input);
            if (done())
                return true;
        }
        return false;
    }
    // The player standing on the ground in `state`, its script started.
    void Put(int32_t state, int32_t flags, int16_t y = 319) {
        PlayerState* p = P();
        p->state = state;
        p->collisionFlags = flags;
        p->onGround = (flags & COLLIDE_BLOCK_DOWN) != 0 ? 1 : 0;
        p->vx = p->vy = 0;
        p->x = Px(kStartX);
        p->y = Px(y);
        p->downKeyDelay = 0;
        p->shakeFlag = p->shakeCounter = 0;
        StartScript(world(), Actor(), player::ScriptForState(state, p->costume, false));
        player::SetActorFacing(Actor(), state);
    }

    ObjectSlot* player_ = nullptr;
    std::deque<SpriteKeyRecord> keys_;
};

// ---- the input tables -------------------------------------------------------------

TEST_F(PlayerTest, InputWordsChangeStatesAsTheTablesSay) {
    constexpr int32_t kNoVx = INT32_MIN;
    struct Row {
        const char* name;
        int32_t from, flags;
        uint32_t input;
        int32_t level, to, vx;
    } rows[] = {
        {"stand, right", 2, 2, R, kPlainLevel, 0, kNoVx},
        {"stand, left", 2, 2, L, kPlainLevel, 1, kNoVx},
        {"stand left, letter d", 3, 2, 0x4000, kPlainLevel, 0, kNoVx},
        {"walk, released", 0, 2, 0, kPlainLevel, 2, 0},
        {"walk left, released", 1, 2, 0, kPlainLevel, 3, 0},
        {"walk, turn left", 0, 2, L, kPlainLevel, 1, kNoVx},
        {"walk left, turn right", 1, 2, R, kPlainLevel, 0, kNoVx},
        {"left then right", 2, 2, L | R, kPlainLevel, 0, kNoVx},
        {"all four bits: nothing acts", 0, 2, PLAYER_INPUT_LEFT | PLAYER_INPUT_RIGHT, kPlainLevel,
         0, kNoVx},
        {"jump", 2, 2, U, kPlainLevel, 4, 0},
        {"jump left", 3, 2, U, kPlainLevel, 5, 0},
        {"up in the air does nothing", 2, 0, U, kPlainLevel, 2, kNoVx},
        {"high jump", 2, 2, U, 17, 36, kNoVx},
        {"second set: stand, right", 22, 2, R, kPlainLevel, 20, kNoVx},
        {"second set: walk, released", 20, 2, 0, kPlainLevel, 22, 0},
        {"second set: jump", 22, 2, U, kPlainLevel, 24, kNoVx},
        {"alternative: stand, left", 40, 2, L, kPlainLevel, 43, kNoVx},
        {"alternative: walk left, released", 43, 2, 0, kPlainLevel, 41, 0},
        {"alternative: action standing", 40, 2, A, kPlainLevel, 46, kNoVx},
        {"alternative: action walking", 42, 2, R | A, kPlainLevel, 48, kNoVx},
        {"alternative: jump", 41, 2, U, kPlainLevel, 45, kNoVx},
        {"action standing", 2, 2, A, kPlainLevel, 8, kNoVx},
        {"action walking", 0, 2, R | A, kPlainLevel, 10, kNoVx},
        {"rise line: left", 52, 2, L, kPlainLevel, 51, kNoVx},
        {"rise line: released", 50, 2, 0, kPlainLevel, 52, 0},
        {"air, left", 4, 0, L, kPlainLevel, 5, -Px(5)},
        {"air left, right", 5, 0, R, kPlainLevel, 4, Px(5)},
        {"lands, released", 4, 2, 0, kPlainLevel, 2, 0},
        {"lands, left", 5, 2, L, kPlainLevel, 1, 0},
        {"no keys on level 1", 2, 2, R | A, 1, 2, kNoVx},
        {"walking stops on level 1", 0, 2, R, 1, 2, 0},
        {"no keys on word 11's level", 2, 2, A, kNoKeysLevelA, 2, kNoVx},
        {"no keys on word 12's level", 2, 2, L, kNoKeysLevelB, 2, kNoVx},
        {"centred x, down", 12, 0, D, kPlainLevel, 16, kNoVx},
        {"centred x below, down", 16, 0, D, kPlainLevel, 2, kNoVx},
        {"centred y, down", 14, 0, D, kPlainLevel, 2, kNoVx},
        {"bump, left", 256, 4, L, kPlainLevel, 1, kNoVx},
        {"second-set bump, left", 258, 4, L, kPlainLevel, 21, kNoVx},
        {"alternative bump, left", 262, 1, L, kPlainLevel, 43, kNoVx},
        {"bump off a wall", 0, 3, R, kPlainLevel, 256, kNoVx},
        {"bump past the wall", 256, 2, 0, kPlainLevel, 2, 0},
        {"rise line against a wall", 50, 1, R, kPlainLevel, 54, 0},
        {"ride, steer left", 128, 2, L, kPlainLevel, 128, -Px(1)},
        {"ride, steer right", 130, 2, R, kPlainLevel, 130, Px(1) / 2},
    };
    Spawn();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world()->currentLevel = static_cast<int16_t>(row.level);
        Put(row.from, row.flags);
        Send(row.input);
        EXPECT_EQ(P()->state, row.to);
        if (row.vx != kNoVx) {
            EXPECT_EQ(P()->vx, row.vx);
        }
        EXPECT_EQ(Actor()->flags & ACTOR_FACING_LEFT, row.to & 1) << "the actor faces as the state";
    }
}

TEST_F(PlayerTest, EventsChangeStatesAsTheirTableSays) {
    struct Row {
        const char* name;
        ObjectMessage event;
        int32_t option, from, to, hits;
    } rows[] = {
        {"stun", OBJ_EV_STUN, 1, 3, 19, 0},
        {"ping walks", OBJ_EV_PING, 1, 9, 1, 0},
        {"second set", OBJ_EV_SPEED_B, 1, 2, 22, 0},
        {"second set above 19 ends", OBJ_EV_SPEED_B, 1, 24, 24, 0},
        {"knockdown leaves play hurt at option 1", OBJ_EV_KNOCKDOWN, 1, 3, 6, 0},
        {"knockdown", OBJ_EV_KNOCKDOWN, 0, 3, 38, 0},
        {"hurt", OBJ_EV_HURT, 1, 3, 6, 1},
        {"hurt-alt", OBJ_EV_HURT_ALT, 1, 2, 6, 1},
        {"hurt at option 0 knocks down", OBJ_EV_HURT, 0, 2, 38, 1},
        {"event 9 counts a hit only", OBJ_EV_BASE + 9, 1, 2, 2, 1},
        {"event 10 at option 0 knocks down", OBJ_EV_BASE + 10, 0, 2, 38, 1},
        {"no second hit while hurt", OBJ_EV_HURT, 1, 6, 6, 0},
        {"no second hit while knocked down", OBJ_EV_HURT, 0, 39, 38, 0},
        {"set-state is a plain tick", OBJ_EV_SET_STATE + 30, 1, 2, 2, 0},
        {"sequence end", OBJ_EV_SEQ_3, 1, 32, 34, 0},
        {"sequence launch", OBJ_EV_SEQ_4, 1, 34, 4, 0},
    };
    Spawn();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UseOption(row.option);
        Put(row.from, 0);
        P()->leaveCounter = -1;
        player_->flags = 0;
        world()->levelStatus.hits = 0;
        const int32_t x = P()->x;
        Send(row.event);
        EXPECT_EQ(P()->state, row.to);
        EXPECT_EQ(world()->levelStatus.hits, row.hits);
        if (row.to == row.from && row.event == OBJ_EV_SPEED_B) {
            EXPECT_EQ(P()->x, x) << "the message ended without a tick";
        }
    }
    EXPECT_EQ(Made(OBJT_CHASED).size(), 1u) << "the launch sends the chased character ahead";
}

TEST_F(PlayerTest, ThrowWarpAndHitDoWhatTheEventsSay) {
    Spawn();
    Put(3, 0);
    const int32_t y = P()->y;
    Send(OBJ_EV_THROW);
    const auto thrown = Made(OBJT_FALLING);
    ASSERT_EQ(thrown.size(), 1u);
    EXPECT_EQ(thrown[0].param, 0x1E0078 + 1) << "facing left, costume 0";
    EXPECT_EQ(P()->costume, 1);
    EXPECT_EQ(P()->state, 3);
    EXPECT_LT(P()->y, y - Px(570));

    ObjectSlot* point = CreateObject(world(), 500, 200, 81, 0, 0);
    SendObjectMessageWithParam(world(), player_, OBJ_EV_WARP, reinterpret_cast<intptr_t>(point));
    EXPECT_EQ(P()->restartX, Px(500));
    EXPECT_EQ(P()->restartY, Px(200));

    Put(2, 0);
    Send(OBJ_EV_HIT);
    EXPECT_EQ(P()->vy, Px(kJumpDy) + kGravity)
        << "the hit script's launch, then one frame's gravity";
    EXPECT_EQ(player::BaseState(P()->state), 4);
}

// ---- a walk, a jump, a hurt and the way back ----------------------------------------

TEST_F(PlayerTest, WalksJumpsLandsIsHurtAndComesBackAtTheRestartPoint) {
    Spawn();
    EXPECT_EQ(P()->state, PLAYER_ST_STAND);
    EXPECT_EQ(P()->restartX, Px(kStartX));
    ASSERT_TRUE(TickUntil(0, [&] { return (P()->collisionFlags & COLLIDE_BLOCK_DOWN) != 0; }));
    EXPECT_EQ(player_->y, 319) << "on the ground's top";

    // On the frames that touch the ground the collision trims the step.
    for (int frame = 1; frame <= 10; ++frame) {
        const int32_t x = P()->x;
        Send(R);
        EXPECT_EQ(P()->state, PLAYER_ST_MOVE);
        EXPECT_EQ(P()->lastMotionX, Px(kWalkDx)) << "the walk script's dx moves it";
        EXPECT_GT(P()->x, x + Px(kWalkDx) * 3 / 4);
        EXPECT_LE(P()->x, x + Px(kWalkDx));
        EXPECT_EQ(player_->y, 319);
    }
    Send(0);
    EXPECT_EQ(P()->state, PLAYER_ST_STAND);
    EXPECT_EQ(P()->vx, 0);
    const int16_t stopped = player_->x;
    Send(0);
    EXPECT_EQ(player_->x, stopped);

    ASSERT_TRUE(TickUntil(
        U, [&] { return P()->state == PLAYER_ST_AIRBORNE; }, 3));
    EXPECT_LT(player_->y, 319);
    const int32_t vy = P()->vy;
    Send(U);
    EXPECT_EQ(P()->vy, vy + kGravity) << "up in the air does nothing";
    int32_t before = P()->y;
    ASSERT_TRUE(TickUntil(0, [&] {
        if (P()->state != PLAYER_ST_AIRBORNE)
            return true;
        before = P()->y;
        return false;
    }));
    EXPECT_EQ(P()->state, PLAYER_ST_STAND) << "landed in the walk, which stops at once";
    EXPECT_EQ(P()->y, before) << "the landing frame does not move";
    EXPECT_EQ(player_->y, 319);

    Send(OBJ_EV_HURT);
    EXPECT_EQ(world()->levelStatus.hits, 1);
    EXPECT_EQ(P()->state, PLAYER_ST_HURT);
    EXPECT_NE(player_->flags & OBJ_FLAG_NO_PAIRS, 0);
    EXPECT_EQ(player_->depth, -4);
    Send(OBJ_EV_HURT);
    EXPECT_EQ(world()->levelStatus.hits, 1) << "no second hit while hurt";

    ASSERT_TRUE(TickUntil(
        0, [&] { return P()->leaveCounter < 0; }, 55));
    EXPECT_EQ(P()->state, PLAYER_ST_STAND);
    EXPECT_EQ(player_->x, kStartX);
    EXPECT_EQ(player_->y, kStartY);
    EXPECT_EQ(world()->levelStatus.penalty, 500);
    EXPECT_EQ(P()->costume, 1);
    EXPECT_EQ(P()->invulnerableCounter, 60);
    EXPECT_EQ(player_->flags, PLAYER_SLOT_INVULNERABLE);
    EXPECT_EQ(player_->depth, 8);
    EXPECT_EQ(Actor()->top->script, 31) << "the standing script of the other costume";
}

TEST_F(PlayerTest, FatalCellsTakeThePlayerOutAndItComesBackAfterFiftyFrames) {
    UseOption(2);
    world()->camera.viewHeight = Px(30000); // it never falls out of the view
    Spawn();
    Put(0, 2);
    P()->cellCode = PLAYER_CELL_FATAL;
    Send(R);
    EXPECT_EQ(world()->levelStatus.hits, 1) << "a fatal cell counts a hit at options above 0";
    EXPECT_EQ(P()->vy, Px(-6) * 1375 / 1000 + kGravity);
    int frames = 0;
    while (P()->leaveCounter >= 0 && frames < 80) {
        Actor()->top->wait = 5; // keep the hurt script from ending
        Send(0);
        ++frames;
        if (P()->leaveCounter > 0) {
            EXPECT_NE(world()->runFlags & (WORLD_NO_SPAWN | WORLD_NO_DESPAWN), 0);
            EXPECT_EQ(world()->camera.lockFlags, CAMERA_LOCK_X | CAMERA_LOCK_Y);
            EXPECT_EQ(world()->player.streamLevel, -2);
        }
    }
    EXPECT_EQ(frames, 50);
    EXPECT_EQ(world()->runFlags, 0);
    EXPECT_EQ(world()->camera.lockFlags, 0);
}

TEST_F(PlayerTest, TheRideSequenceStepsShakesAndThrowsTheBody) {
    world()->currentLevel = world()->gameLevel = 10;
    Spawn();
    EXPECT_EQ(P()->state, PLAYER_ST_SEQ_RIDE);
    EXPECT_EQ(P()->sequenceCounter, 3);
    EXPECT_EQ(Actor()->top->script, 64) << "the ride has one costume";
    struct Step {
        int32_t state, counter;
    } steps[] = {{128, 2}, {128, 1}, {130, 3}, {130, 2}, {130, 1}};
    for (const Step& step : steps) {
        gSpied.clear();
        const int32_t x = P()->x;
        Send(OBJ_EV_SEQ_1);
        EXPECT_EQ(P()->state, step.state);
        EXPECT_EQ(P()->sequenceCounter, step.counter);
        EXPECT_EQ(Made(OBJT_EFFECT).size(), 1u) << "the pieces";
        EXPECT_GT(P()->x, x) << "hopped forward";
        EXPECT_EQ(P()->vx, Px(14));
    }
    Send(OBJ_EV_SEQ_1);
    EXPECT_EQ(P()->sequenceCounter, 0);
    EXPECT_EQ(P()->state, PLAYER_ST_HURT) << "thrown off: it leaves play";
    uint16_t index = 0;
    ObjectSlot* body = FindNextObjectOfType(world(), &index, OBJT_FALLING);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->param, 0xF0042);
    EXPECT_EQ(body->LogicAs<ThrownObjectState>()->vx, -Px(18));
    EXPECT_EQ(body->LogicAs<ThrownObjectState>()->vy, -Px(30));

    Put(PLAYER_ST_SEQ_RIDE, 2);
    P()->leaveCounter = -1;
    Send(OBJ_EV_SEQ_2);
    EXPECT_EQ(P()->state, PLAYER_ST_SEQ_RIDE_2);
    EXPECT_EQ(P()->shakeCounter, 39) << "set to 40, then one frame counted";
    EXPECT_GE(P()->shakeOffset, -10);
    EXPECT_LE(P()->shakeOffset, -1);
    Send(OBJ_EV_SEQ_2);
    EXPECT_EQ(P()->state, PLAYER_ST_SEQ_RIDE_2) << "nothing while it shakes";
}

// ---- the action point ------------------------------------------------------------------

TEST_F(PlayerTest, TheActionKeyThrowsOrMarksTheActionPoint) {
    struct Row {
        const char* name;
        int32_t state, costume, conveyor;
        uint8_t madeType; // 0: the action point instead
        int32_t dx, vx;
    } rows[] = {
        {"costume 0 right", 8, 0, 0, OBJT_PROJECTILE_B, 30, 12},
        {"costume 0 left, on a conveyor", 9, 0, 6, OBJT_PROJECTILE_B, -30, -12 + 3},
        {"costume 1 marks the point", 8, 1, 0, 0, 30, 0},
        {"the alternative action throws whatever the costume", 47, 1, 6, OBJT_PROJECTILE_A, -30,
         -12},
    };
    Spawn();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gSpied.clear();
        P()->costume = static_cast<uint8_t>(row.costume);
        Put(row.state, 2);
        P()->conveyorSpeed = row.conveyor;
        P()->scoredFlag = 1;
        world()->player.actionPointX = world()->player.actionPointY = 7;
        // The script shows sprite 0 for a frame, then the key sprite, which
        // the third tick finds.
        Send(0);
        Send(0);
        EXPECT_EQ(world()->player.actionPointX, 0) << "no key: the point is cleared";
        EXPECT_TRUE(gSpied.empty());
        const int16_t x = player_->x, y = player_->y;
        Send(0);
        if (row.madeType != 0) {
            const auto made = Made(row.madeType);
            ASSERT_EQ(made.size(), 1u);
            EXPECT_EQ(made[0].x, x + row.dx);
            EXPECT_EQ(made[0].y, y - 20);
            EXPECT_EQ(made[0].vx, row.vx);
            EXPECT_EQ(made[0].vy, -4);
        } else {
            EXPECT_TRUE(gSpied.empty());
            EXPECT_EQ(world()->player.actionPointX, x + row.dx);
            EXPECT_EQ(world()->player.actionPointY, y - 20);
        }
        EXPECT_EQ(P()->scoredFlag, 1) << "only the start of an action clears it";
    }
    Put(2, 2);
    Send(A);
    EXPECT_EQ(P()->state, 8);
    EXPECT_EQ(P()->scoredFlag, 0);
}

// ---- coming back restores the level ----------------------------------------------------

TEST_F(PlayerTest, AComebackOnARestoringLevelCountsPickupsAndBringsObjectsBack) {
    for (bool restoring : {false, true}) {
        SCOPED_TRACE(restoring ? "level 3" : "level 15");
        gSpied.clear();
        std::memset(world()->takenBits, 0, sizeof(world()->takenBits));
        world()->levelStatus = LevelStatusRecord{};
        world()->currentLevel = static_cast<int16_t>(restoring ? 3 : kPlainLevel);
        world()->codeTypes[40] = 4;   // a counted pickup
        world()->codeTypes[41] = 123; // help: its bit stays
        world()->codeTypes[42] = 16;  // a target
        std::vector<PlacementRecord> placements = {{10, 10, -1, 100, 40},
                                                   {20, 10, -1, 101, 40},
                                                   {30, 10, -1, 102, 40},
                                                   {40, 10, -1, 103, 41},
                                                   {50, 10, -1, 104, 42}};
        world()->placements = placements.data();
        world()->placementCount = static_cast<int32_t>(placements.size()) - 1;
        for (int32_t bit : {101, 103, 104})
            SetWorldBit(world(), bit, 1);
        Spawn();
        CreateObject(world(), 300, 300, 16, 0, 0);
        ObjectSlot* carried = CreateObject(world(), 300, 300, 7, 0, 0);
        carried->LogicAs<PickupState>()->variant = 1;
        ObjectSlot* plain = CreateObject(world(), 300, 300, 7, 0, 0);

        Send(OBJ_EV_HURT);
        ASSERT_TRUE(TickUntil(
            0, [&] { return P()->leaveCounter < 0; }, 55));
        EXPECT_EQ(world()->levelStatus.countA, 3);
        EXPECT_EQ(Live(world(), 16), 0);
        EXPECT_EQ(Live(world(), 7), 1);
        EXPECT_EQ(plain->typeId, 7);
        EXPECT_EQ(world()->levelStatus.penalty, restoring ? 510 : 500);
        EXPECT_EQ(IsWorldBitClear(world(), 101), restoring);
        EXPECT_EQ(IsWorldBitClear(world(), 104), restoring);
        EXPECT_FALSE(IsWorldBitClear(world(), 103)) << "type 123 keeps its bit";
        DeleteObjectsExceptType(world(), 0);
        world()->placements = nullptr;
        world()->placementCount = -1;
    }
}

// ---- world rules ------------------------------------------------------------------------

TEST_F(PlayerTest, TheZoneCounterDrainsAwayFromTheStreamThenHurts) {
    Spawn();
    Put(2, 2);
    PlayerBlock& block = world()->player;
    block.rainFlag = 1;
    block.streamPointX = static_cast<int16_t>(kStartX + 40);
    block.streamPointY = 300;
    block.streamLevel = 100;
    Send(0);
    EXPECT_EQ(block.streamLevel, 101) << "near the point it rises";
    block.streamPointX = -32768; // far away, past any 16-bit difference
    block.streamLevel = 3;
    Send(0);
    EXPECT_EQ(block.streamLevel, 2);
    Send(0);
    EXPECT_EQ(block.streamLevel, -1);
    EXPECT_EQ(Made(OBJT_FADE_PICTURE).size(), 1u);
    Send(0);
    EXPECT_EQ(block.streamLevel, -2);
    EXPECT_EQ(P()->state, PLAYER_ST_HURT) << "the player hurt itself";
    EXPECT_EQ(world()->levelStatus.hits, 1);
}

TEST_F(PlayerTest, ACarriedItemDropsOnTheGround) {
    Spawn();
    Put(2, 2);
    world()->player.carriedItem = 1;
    ASSERT_TRUE(TickUntil(
        0, [&] { return !Made(8).empty(); }, 3))
        << "on a frame blocked below";
    const auto dropped = Made(8);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].value, 1) << "its record holds 1";
    EXPECT_EQ(world()->player.carriedItem, 2);
}

TEST_F(PlayerTest, WindIsNeverAboveMinusEightAndItsBandsAreOrdered) {
    Spawn();
    Put(2, 2);
    PlayerBlock& block = world()->player;
    block.gust = Px(45); // RandomInt(0, 5) = 5: a drift one frame in six
    for (int frame = 0; frame < 300; ++frame) {
        block.driftSpeed = frame % 2 == 0 ? Px(3) : -Px(1);
        Send(0);
        ASSERT_LE(block.driftSpeed, -Px(8)) << "frame " << frame;
    }
    const auto drifts = Made(46);
    ASSERT_GT(drifts.size(), 60u);
    bool sawLowBand = false;
    for (const Spied& s : drifts) {
        const int32_t n = static_cast<int32_t>(s.param);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 19);
        // The first drift of a frame keeps to its band, the second (n 19,
        // the last but one script) to the low band.
        const int32_t top = 464 + 5 * n;
        const bool first = s.y >= std::min(top, 508) && s.y <= std::max(top, 508);
        const bool second = n == 19 && s.y >= 464 && s.y <= 540;
        EXPECT_TRUE(first || second) << "n " << n << " y " << s.y;
        EXPECT_EQ(s.x, 32);
        sawLowBand |= n >= 9 && n < 19;
    }
    EXPECT_TRUE(sawLowBand) << "bands whose top lies below 508 were drawn";

    // Without scripts to pick from nothing drifts in; the wind still holds.
    world()->mediaSets[1].lastScript = 0;
    gSpied.clear();
    block.driftSpeed = Px(5);
    Send(0);
    EXPECT_TRUE(Made(46).empty());
    EXPECT_EQ(block.driftSpeed, -Px(8));
}

TEST_F(PlayerTest, Level27DropsObjectsAheadAndLevel28KeepsAPlatform) {
    words_.Set(179, 1); // option 1: RandomInt(0, 1)
    words_.Set(182, 4);
    Spawn();
    Put(2, 2, 120);
    world()->currentLevel = 27;
    ASSERT_TRUE(TickUntil(0, [&] { return !Made(80).empty(); }));
    const auto drop = Made(80)[0];
    EXPECT_EQ(drop.x, kStartX + 1000);
    EXPECT_EQ(drop.y, 50) << "never above 50";
    EXPECT_EQ(P()->level27Countdown, 4);

    world()->currentLevel = 28;
    Send(0);
    Send(0);
    EXPECT_EQ(Made(58).size(), 1u);
}

TEST_F(PlayerTest, TheLookAheadLeadsCentresOrFollowsTheRide) {
    struct Row {
        int32_t state;
        uint32_t input;
        int32_t vx;
        int16_t from, to;
    } rows[] = {
        {0, R, 0, 0, 5},      {1, L, 0, 0, -5},        {44, 0, 0, 40, 41}, {2, 0, 0, 30, 29},
        {38, 0, 0, -30, -29}, {128, 0, Px(2), 0, 186}, {7, 0, 0, 30, 30},
    };
    Spawn();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        Put(row.state, row.state == 44 ? 0 : 2);
        P()->vx = row.vx;
        player_->lookAheadX = row.from;
        Send(row.input);
        ASSERT_EQ(P()->state, row.state);
        EXPECT_EQ(player_->lookAheadX, row.to);
    }
}

// ---- drawing, syncing, data ---------------------------------------------------------------

TEST_F(PlayerTest, NotDrawnOnTheLevelsWithoutKeys) {
    Spawn();
    DrawCapture capture;
    for (int32_t level : {kPlainLevel, 1, kNoKeysLevelA, kNoKeysLevelB}) {
        capture.Clear();
        world()->gameLevel = static_cast<int16_t>(level);
        DrawPlayer(world(), player_);
        EXPECT_EQ(capture.Count(CAPTURED_SPRITE), level == kPlainLevel ? 1u : 0u) << level;
        EXPECT_EQ(P()->drawnX, player_->x);
    }
}

TEST_F(PlayerTest, SyncAloneMovesToTheSlotAndStopsAWalk) {
    Spawn();
    Put(0, 2);
    player_->x = 250;
    player_->y = 200;
    Send(OBJ_MSG_SYNC_POS);
    EXPECT_EQ(P()->restartX, Px(250));
    EXPECT_EQ(P()->state, PLAYER_ST_STAND);
    EXPECT_EQ(player_->x, 250);
}

TEST_F(PlayerTest, CreationMakesItsEffectsAndTheCostumeOutlivesThePlayer) {
    SavePlayerCostume(world(), 1);
    Spawn();
    EXPECT_EQ(P()->costume, 1);
    const auto attached = Made(OBJT_ATTACHED_EFFECT);
    ASSERT_EQ(attached.size(), 1u);
    EXPECT_EQ(attached[0].value, 0) << "script 0";
    ASSERT_GT(P()->attachedEffect.link, player_->index) << "made after the player";
    EXPECT_EQ(world()->slots[P()->attachedEffect.link].typeId, OBJT_ATTACHED_EFFECT);
    ASSERT_EQ(Made(OBJT_EFFECT).size(), 1u);
    EXPECT_EQ(Made(OBJT_EFFECT)[0].value, EFFECT_KIND_DUST);
    EXPECT_EQ(Made(OBJT_EFFECT)[0].message, OBJ_MSG_CREATE);
    P()->costume = 0;
    DeleteObject(world(), player_);
    EXPECT_EQ(SavedPlayerCostume(world()), 0);
    EXPECT_EQ(Live(world(), OBJT_ATTACHED_EFFECT), 0) << "the attached effect went with it";
}

TEST(PlayerKnockback, OnlyWholePairsInsideTheTableAreRead) {
    std::vector<uint8_t> table(20); // two whole pairs and half of a third
    for (int32_t i = 0; i < 5; ++i)
        std::memcpy(&table[4 * i], &i, 4);
    struct Row {
        int32_t entryLevel;
        bool read;
        int32_t vx, vy;
    } rows[] = {{-5, false, 0, 0}, {0, false, 0, 0}, {1, true, 0, 1},
                {2, true, 2, 3},   {3, false, 0, 0}, {INT32_MIN, false, 0, 0}};
    for (const Row& row : rows) {
        int32_t vx = -9, vy = -9;
        EXPECT_EQ(player::ReadKnockbackPair(table.data(), 20, row.entryLevel, &vx, &vy), row.read)
            << row.entryLevel;
        EXPECT_EQ(vx, row.read ? row.vx : -9);
        EXPECT_EQ(vy, row.read ? row.vy : -9);
    }
}

TEST_F(PlayerTest, PositionsPastTheSixteenBitRangeAreClampedNotWrapped) {
    Spawn();
    Put(8, 2);
    P()->x = Px(32760);
    for (int i = 0; i < 3 && Made(OBJT_PROJECTILE_B).empty(); ++i)
        Send(0);
    const auto made = Made(OBJT_PROJECTILE_B);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].x, 32767);
    EXPECT_EQ(player::SlotCoordinate(-40000), -32768);
    EXPECT_EQ(player::ScaledPixels(INT32_MAX, 1, 1), INT32_MAX);
}

} // namespace
