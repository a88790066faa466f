// Pickups, thrown objects, fading pictures, frame cyclers, camera zones and
// tile decorations on a generated map with media sets built in memory; the
// effect types they make are spies that record what they were made with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "graphics/image.h"
#include "menus/save_file.h"
#include "tests/support/draw_capture.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/camera.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kFloor = 1;         // solid
constexpr int32_t kColumns = 24;      // the last four are a wall
constexpr int32_t kRows = 12;         // the last two are the floor
constexpr int32_t kCol = 5, kRow = 5; // where most objects stand
constexpr int16_t kX = kCol * 32, kY = kRow * 32;

struct Spied {
    uint8_t type;
    ObjectMessage message;
    int32_t slot;
    int32_t value; // kind, pop-up index or script; -1 none
    intptr_t param;
};
std::vector<Spied> gSpied;

// Types 110, 126 and 127 as their callers see them: the attached effect
// writes its slot and reference into the owner's record, as promised.
void SpyEffect(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    int32_t value = -1;
    if ((message & OBJ_MSG_CREATE) != 0)
        value = object->typeId == OBJT_SCORE_POPUP ? static_cast<int32_t>(object->ParamValue())
                                                   : SpyCreation(object);
    gSpied.push_back({object->typeId, message, object->index, value, object->ParamValue()});
}

std::vector<const Spied*> SpiedOf(uint8_t type, ObjectMessage message) {
    std::vector<const Spied*> out;
    for (const Spied& s : gSpied)
        if (s.type == type && (s.message & message) == message)
            out.push_back(&s);
    return out;
}

// The value the only one was made with; -1 when none was made.
int32_t MadeWith(uint8_t type, ObjectMessage message) {
    const auto made = SpiedOf(type, message);
    EXPECT_LE(made.size(), 1u);
    return made.empty() ? -1 : made[0]->value;
}

class PickupTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        gSaveBlock.currentUser = 0;
        gSpied.clear();
        grid_ = FloorAndWall(kColumns, kRows, kFloor);
    }

    // The map from the grid, the registry with spy effects, and the sets.
    void Build(int32_t option = 0) {
        UseOption(option);
        MakeMap(grid_, kFloor);
        GameWorld* w = world();
        RegisterObjectTypes(w);
        for (uint8_t type : {OBJT_SCORE_POPUP, OBJT_ATTACHED_EFFECT, OBJT_EFFECT})
            RegisterObjectType(w, type, SpyEffect, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
        w->currentLevel = 15;
        w->mediaSetsUsed = -1;
        ResetMediaSets(w);
        for (uint8_t type : {4, 5, 6, 7, 12, 13, 14, 56, 57, 70, 75, 76, 123}) {
            ScriptAssembler a;
            for (int32_t v = 0; v < 2; ++v) {
                a.BeginScript();
                a.Show(0, 1).Jump(0); // idle loop
                a.BeginScript();
                a.Show(1, 2); // taken: two frames, then done
            }
            AddSet(type, a, 2, 0, -8);
        }
        for (uint8_t type : {OBJT_PLAYER, OBJT_CHASED, OBJT_FALLING}) {
            ScriptAssembler a;
            for (int32_t s = 0; s < 62; ++s) {
                a.BeginScript();
                a.Show(static_cast<uint16_t>(s % 2), 3, s == 2 ? 8 : 0);
            }
            AddSet(type, a, 2);
        }
    }

    void AddSet(uint8_t type, const ScriptAssembler& a, int32_t sprites, int16_t spawnX = 0,
                int16_t spawnY = 0) {
        MediaSet& set = media_.Add(world(), type, a, sprites);
        StaggerSprites(set);
        set.spawnX = spawnX;
        set.spawnY = spawnY;
    }

    ObjectSlot* Make(uint8_t type, intptr_t param = 0, int16_t x = kX, int16_t y = kY) {
        return CreateObject(world(), x, y, type, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, param);
    }

    LevelLayerGrid grid_;
};

TEST_F(PickupTest, EachTypeHasItsValuePopupIdleEffectAndShadow) {
    struct Row {
        uint8_t type;
        int32_t points, popup, idle, shadow, hud1, hud2;
    } rows[] = {
        {4, 3, 0, 2, 5, 0, 0},      {5, 10, 1, 2, 5, 0, 0},   {6, 50, 2, 2, 5, 0, 0},
        {12, 50, 2, 22, 5, 0, 0},   {13, 50, 2, 22, 5, 0, 0}, {14, 50, 2, 22, 5, 0, 0},
        {7, 0, -1, 22, 8, 0, 0},    {56, 75, 5, 22, 5, 1, 0}, {57, 75, 5, 22, 5, 0, 1},
        {70, 75, 5, 22, 5, 0, 0},   {75, 75, 5, 2, 5, 0, 0},  {76, 200, 4, 2, 5, 0, 0},
        {123, 0, -1, -1, -1, 0, 0},
    };
    Build();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << int(row.type));
        gSpied.clear();
        world()->player.hudIcon1 = world()->player.hudIcon2 = 0;
        ObjectSlot* pickup = Make(row.type);
        auto* state = pickup->LogicAs<PickupState>();
        EXPECT_EQ(state->points, row.points);
        EXPECT_EQ(state->available, 1);
        EXPECT_EQ(pickup->depth, 4);
        EXPECT_EQ(pickup->y, kY - 8) << "moved by the spawn offset";
        EXPECT_EQ(MadeWith(OBJT_ATTACHED_EFFECT, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS), row.shadow);
        EXPECT_EQ(MadeWith(OBJT_EFFECT, OBJ_MSG_CREATE), row.idle);
        const size_t idles = row.idle < 0 ? 0 : 1;
        EXPECT_EQ(SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_EV_PING).size(), row.shadow < 0 ? 0u : 1u)
            << "the creation step pings the shadow";

        pickup->itemNumber = 40 + row.type;
        state->takenState = PICKUP_TAKEN;
        gSpied.clear();
        Tick(pickup);
        EXPECT_EQ(MadeWith(OBJT_SCORE_POPUP, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS), row.popup);
        EXPECT_EQ(SpiedOf(OBJT_EFFECT, OBJ_MSG_DESTROY).size(), idles);
        EXPECT_EQ(MadeWith(OBJT_EFFECT, OBJ_MSG_CREATE), EFFECT_KIND_STARS);
        EXPECT_FALSE(IsWorldBitClear(world(), 40 + row.type));
        EXPECT_EQ(world()->player.hudIcon1, row.hud1);
        EXPECT_EQ(world()->player.hudIcon2, row.hud2);
        EXPECT_EQ(state->takenState, PICKUP_FINISHING);
        EXPECT_EQ(pickup->DrawAs<ScriptActor>()->top->script, 1);

        int32_t ticks = 0;
        while (pickup->typeId == row.type && ticks < 10) {
            Tick(pickup);
            ++ticks;
        }
        EXPECT_EQ(ticks, 3) << "gone once the taken script is done";
        EXPECT_EQ(SpiedOf(OBJT_EFFECT, OBJ_MSG_DESTROY).size(), idles) << "the taken effect stays";
    }
}

TEST_F(PickupTest, TheOptionGateAndTheCarriedItemParkAPickupUnavailable) {
    struct Row {
        int32_t rightCode, option;
        uint8_t type;
        int32_t leftCode, carried;
        bool present;
    } rows[] = {
        {18, 0, 4, 0, 0, true},  {18, 1, 4, 0, 0, true},  {18, 2, 4, 0, 0, false},
        {19, 0, 4, 0, 0, false}, {19, 1, 4, 0, 0, true},  {19, 2, 4, 0, 0, true},
        {20, 1, 4, 0, 0, false}, {20, 2, 4, 0, 0, true},  {24, 0, 4, 0, 0, true},
        {24, 1, 4, 0, 0, false}, {24, 2, 4, 0, 0, false}, {25, 1, 4, 0, 0, true},
        {25, 0, 4, 0, 0, false}, {21, 2, 4, 0, 0, true},  {22, 0, 4, 0, 0, true},
        {23, 1, 4, 0, 0, true},  {0, 2, 4, 0, 0, true},   {0, 0, 7, 241, 1, false},
        {0, 0, 7, 241, 0, true}, {0, 0, 7, 240, 1, true}, {0, 0, 5, 241, 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "right " << row.rightCode << " option " << row.option
                                        << " type " << int(row.type) << " left " << row.leftCode);
        grid_.At(kCol + 1, kRow) = static_cast<uint8_t>(row.rightCode);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.leftCode);
        TearDown();
        Build(row.option);
        world()->player.carriedItem = row.carried;
        ObjectSlot* pickup = Make(row.type);
        const auto* state = pickup->LogicAs<PickupState>();
        EXPECT_EQ(state->available, row.present ? 1 : 0);
        EXPECT_EQ(pickup->x, row.present ? kX : -3000);
        EXPECT_EQ(pickup->y, row.present ? kY - 8 : -1008);
        const int32_t variant = row.leftCode >= 240 ? row.leftCode - 240 : 0;
        EXPECT_EQ(state->variant, variant);
        EXPECT_EQ(pickup->DrawAs<ScriptActor>()->top->script, (row.type == 7 ? 2 : 0) * variant);
    }
}

TEST_F(PickupTest, DestroyTakesShadowAndIdleEffectWhileDetachOnlyForgetsTheShadow) {
    Build();
    ObjectSlot* pickup = Make(5);
    ObjectSlot* shadow = &world()->slots[SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_MSG_CREATE)[0]->slot];
    gSpied.clear();
    Tick(pickup);
    const auto pings = SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_EV_PING);
    ASSERT_EQ(pings.size(), 1u);
    EXPECT_EQ(pings[0]->param, reinterpret_cast<intptr_t>(pickup));

    SendObjectMessage(world(), pickup, OBJ_MSG_DETACH);
    EXPECT_EQ(pickup->LogicAs<PickupState>()->shadow.link, -1);
    gSpied.clear();
    Tick(pickup);
    EXPECT_TRUE(SpiedOf(OBJT_ATTACHED_EFFECT, OBJ_EV_PING).empty());
    DeleteObject(world(), pickup);
    EXPECT_EQ(shadow->typeId, OBJT_ATTACHED_EFFECT) << "a forgotten shadow stays";
    EXPECT_EQ(SpiedOf(OBJT_EFFECT, OBJ_MSG_DESTROY).size(), 1u);

    pickup = Make(5);
    shadow = &world()->slots[pickup->LogicAs<PickupState>()->shadow.link];
    DeleteObject(world(), pickup);
    EXPECT_EQ(shadow->typeId, 0);
}

TEST_F(PickupTest, AThrownObjectTakesItsMediaScriptAndFacingFromItsParameter) {
    struct Row {
        uint32_t param;
        uint8_t media;
        int32_t script;
        bool left;
    } rows[] = {
        {0xF0003, OBJT_PLAYER, 1, true},        {0xF8004, OBJT_CHASED, 2, false},
        {0x1E007A, OBJT_PLAYER, 61, true},      {0x1E0079, OBJT_PLAYER, 60, false},
        {0xF0000 + 200, OBJT_PLAYER, 0, false}, {0x123004, OBJT_FALLING, 2, false},
    };
    Build();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.param);
        ObjectSlot* thrown = Make(OBJT_FALLING, row.param);
        const auto* actor = thrown->DrawAs<ScriptActor>();
        EXPECT_EQ(world()->mediaSets[actor->mediaSet].typeId, row.media);
        EXPECT_EQ(actor->top->script, row.script);
        EXPECT_EQ((actor->flags & ACTOR_FACING_LEFT) != 0, row.left);
        SendObjectMessage(world(), thrown, OBJ_MSG_REBIND_MEDIA);
        EXPECT_EQ(world()->mediaSets[actor->mediaSet].typeId, row.media);
        DeleteObject(world(), thrown);
    }
}

TEST_F(PickupTest, AThrownObjectFallsLandsAndEndsWithItsScriptOrAtAWall) {
    Build();
    world()->currentLevel = 3; // where the script loops
    ObjectSlot* thrown = Make(OBJT_FALLING, 0xF0000, kX, 64);
    auto* state = thrown->LogicAs<ThrownObjectState>();
    EXPECT_EQ(state->vy, 0x1E000) << "the creation message runs the first step";
    int32_t vy = state->vy;
    for (int32_t i = 0; i < 100 && state->lastCollision == 0; ++i) {
        Tick(thrown);
        if (state->lastCollision == 0) {
            EXPECT_EQ(state->vy, vy += 0x1E000);
        }
    }
    EXPECT_EQ(state->lastCollision & COLLIDE_BLOCK_DOWN, COLLIDE_BLOCK_DOWN);
    EXPECT_EQ(state->vy, 0) << "the floor stops the fall";
    EXPECT_EQ(thrown->y, (kRows - 2) * 32 - 1);
    for (int32_t i = 0; i < 20; ++i)
        Tick(thrown);
    EXPECT_EQ(thrown->typeId, OBJT_FALLING) << "the script loops";

    // Script 2 walks 8 pixels a frame toward the wall at column 20.
    thrown = Make(OBJT_FALLING, 0xF0004, 600, 300);
    for (int32_t i = 0; i < 10 && thrown->typeId == OBJT_FALLING; ++i)
        Tick(thrown);
    EXPECT_EQ(thrown->typeId, 0) << "a wall ends it";

    world()->currentLevel = 15;
    thrown = Make(OBJT_FALLING, 0xF0000, kX, 300);
    int32_t ticks = 0;
    for (; ticks < 10 && thrown->typeId == OBJT_FALLING; ++ticks)
        Tick(thrown);
    EXPECT_EQ(ticks, 4) << "three frames of script, then gone";
}

class FadePictureTest : public PickupTest {
protected:
    // Script k shows sprites k, k + 10, k + 20; the last script 30, then 99,
    // which the set does not have.
    void BuildPictures(int32_t option = 0) {
        Build(option);
        ScriptAssembler a;
        for (uint16_t k = 0; k < 5; ++k) {
            a.BeginScript();
            a.Show(k).Show(k + 10).Show(k + 20);
        }
        a.BeginScript();
        a.Show(30).Show(99);
        AddSet(OBJT_FADE_PICTURE, a, 40);
        table_.assign(4 * 30, 0);
        PutWord(22, 10);
        PutWord(23, 40);
        PutWord(24, 200 << 16 | 100);
        world()->levelTable = table_.data();
        world()->levelTableSize = static_cast<uint32_t>(table_.size());
    }
    void PutWord(int32_t n, int32_t v) { std::memcpy(&table_[4 * n], &v, 4); }

    std::vector<uint8_t> table_;
};

TEST_F(FadePictureTest, TheLevelTheVariantAndTheRecordPickTheSprite) {
    struct Row {
        int16_t level;
        uint8_t leftCode;
        int32_t record; // -1: none
        int32_t sprite;
    } rows[] = {
        {5, 0, -1, 3}, {5, 242, -1, 23}, {5, 247, -1, 3}, {1, 0, -1, 0}, {0, 241, -1, 10},
        {7, 0, -1, 0}, {6, 0, -1, 4},    {5, 0, 0, 30},   {5, 0, 1, 99}, {5, 0, 9, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "level " << row.level << " left " << int(row.leftCode)
                                        << " record " << row.record);
        grid_.At(kCol - 1, kRow) = row.leftCode;
        TearDown();
        BuildPictures();
        world()->currentLevel = row.level;
        const int32_t record = row.record;
        ObjectSlot* picture =
            Make(OBJT_FADE_PICTURE, row.record < 0 ? 0 : reinterpret_cast<intptr_t>(&record));
        const auto* state = picture->LogicAs<FadePictureState>();
        EXPECT_EQ(state->sprite, row.sprite);
        EXPECT_EQ(picture->depth, -2);
        EXPECT_EQ(state->phase, -1.0f);
        EXPECT_EQ(state->hold, -1.0f);
        EXPECT_EQ(LevelWord(world(), 21), row.level);
        const int32_t hot = row.sprite < 40 ? row.sprite : 0;
        EXPECT_EQ(state->screenX, 100 + hot);
        EXPECT_EQ(state->screenY, 200 - hot);
        DrawCapture capture;
        const_cast<FadePictureState*>(state)->phase = 0.5f;
        DrawFadePicture(world(), picture);
        EXPECT_EQ(capture.size(), row.sprite < 40 ? 1u : 0u);
    }
}

TEST_F(FadePictureTest, FadesInHoldsAndFadesOutOnceTouched) {
    for (bool withRecord : {false, true}) {
        SCOPED_TRACE(withRecord ? "with a record" : "without a record");
        TearDown();
        BuildPictures();
        world()->currentLevel = 5;
        const int32_t record = 0;
        ObjectSlot* picture =
            Make(OBJT_FADE_PICTURE, withRecord ? reinterpret_cast<intptr_t>(&record) : 0);
        picture->itemNumber = 77;
        auto* state = picture->LogicAs<FadePictureState>();
        DrawCapture capture;
        for (int32_t i = 0; i < 5; ++i) {
            Tick(picture);
            DrawFadePicture(world(), picture);
        }
        EXPECT_EQ(capture.size(), 0u) << "idle until the pair rules start it";
        EXPECT_EQ(state->phase, -1.0f);

        state->phase = 0;
        int32_t frames = 0;
        for (; frames < 200 && picture->typeId == OBJT_FADE_PICTURE; ++frames) {
            capture.Clear();
            DrawFadePicture(world(), picture);
            ASSERT_EQ(capture.size(), 1u);
            const CapturedDraw& draw = capture[0];
            EXPECT_EQ(draw.record.flags, SPRITE_FLAG_TRANSFORM);
            ASSERT_TRUE(draw.hasTransform);
            EXPECT_EQ(draw.transform.scaleX, 1.0f);
            EXPECT_EQ(draw.transform.pivotX, 0);
            EXPECT_FLOAT_EQ(draw.transform.alpha, std::fabs(std::sin(state->phase)));
            Tick(picture);
        }
        EXPECT_GE(frames, 59);
        EXPECT_LE(frames, 62);
        EXPECT_EQ(IsWorldBitClear(world(), 77), withRecord) << "shown once per game";
    }
}

TEST_F(FadePictureTest, APictureTheOptionForbidsGoesAtOnceAndAZeroFadeWordIsOne) {
    grid_.At(kCol + 1, kRow) = 24;
    BuildPictures(1);
    EXPECT_EQ(Make(OBJT_FADE_PICTURE)->typeId, 0);
    TearDown();
    grid_.At(kCol + 1, kRow) = 0;
    BuildPictures(1);
    PutWord(22, 0);
    ObjectSlot* picture = Make(OBJT_FADE_PICTURE);
    EXPECT_FLOAT_EQ(picture->LogicAs<FadePictureState>()->phaseStep, 3.14159265f / 2);
}

TEST_F(PickupTest, FrameCyclersShowTheSameFrameAndRestartAScriptThatRanOut) {
    Build();
    ScriptAssembler a;
    a.BeginScript();
    for (uint16_t i = 0; i < 9; ++i)
        a.Show(i, 1);
    a.Show(9, 0); // runs off the end
    AddSet(OBJT_FRAME_CYCLER, a, 10);
    ObjectSlot* first = Make(OBJT_FRAME_CYCLER);
    for (int32_t i = 0; i < 3; ++i)
        Tick(first);
    ObjectSlot* second = Make(OBJT_FRAME_CYCLER, 0, 300, 100);
    for (int32_t frame = 0; frame < 25; ++frame) {
        ++world()->frameCounter;
        SendObjectMessage(world(), first, 0);
        SendObjectMessage(world(), second, 0);
        for (ObjectSlot* cycler : {first, second}) {
            EXPECT_EQ(cycler->DrawAs<ScriptActor>()->pipes[0].media, world()->frameCounter % 10)
                << "frame " << world()->frameCounter;
            EXPECT_EQ(cycler->depth, 4);
        }
    }
}

TEST_F(PickupTest, ACameraZoneMovesTheCameraAsItsLeftCellSays) {
    struct Row {
        uint8_t leftCode;
        bool followed;
        int32_t anchorX, anchorY, positionY, lock;
        int32_t deadZone[4];
        ObjectMessage message = OBJ_EV_HIT;
    } rows[] = {
        // freed height: 160 + (500 - 600) + 64 = 124; locked: 160 - (600 - 550) = 110
        {241, true, 1000, 50, 0, CAMERA_LOCK_X, {7, 11, 23, 23}},
        {242, true, 1000, 124, 124, CAMERA_LOCK_X | CAMERA_LOCK_Y, {1, 1, 1, 1}},
        {243, true, 1000, 124, 124, CAMERA_LOCK_X | CAMERA_LOCK_Y, {1, 1, 1, 1}},
        {0, true, 1000, 110, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, {78, 117, 234, 234}},
        {245, true, 1000, 110, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, {78, 117, 234, 234}},
        {241, false, 1000, 50, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, {1, 1, 1, 1}},
        // Other events share the hit's bits but are not a touch.
        {241, true, 1000, 50, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, {1, 1, 1, 1}, OBJ_EV_HURT},
        {0, true, 1000, 50, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, {1, 1, 1, 1}, OBJ_EV_SET_STATE},
    };
    std::vector<int16_t> records(8 * 15 + 16, 0);
    records[2] = 550;
    records[3] = 500;
    const int16_t sets[8] = {100, 200, 300, 400, 10, 20, 30, 40};
    std::copy(sets, sets + 8, records.begin() + 8 * 15 + 8);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "left " << int(row.leftCode) << " message " << std::hex << row.message);
        grid_.At(kCol - 1, kRow) = row.leftCode;
        TearDown();
        Build();
        GameWorld* w = world();
        w->cameraRecords = reinterpret_cast<const uint8_t*>(records.data());
        w->cameraRecordsSize = static_cast<uint32_t>(2 * records.size());
        SetCameraViewSize(w, 800, 600);
        SetCameraMapSize(w, 200, 200);
        SetCameraDeadZone(w, 2, 2, 2, 2);
        SetCameraAnchor(w, 1000, 50);
        w->camera.lockFlags = CAMERA_LOCK_X | CAMERA_LOCK_Y;
        ObjectSlot* zone = Make(OBJT_CAMERA_ZONE);
        SendObjectMessage(w, zone, 0);
        if (row.followed)
            CameraFollow(w, zone);
        SendObjectMessage(w, zone, row.message);
        const Camera& c = w->camera;
        EXPECT_EQ(c.offsets[0][0], row.anchorX * 65536);
        EXPECT_EQ(c.offsets[0][1], row.anchorY * 65536);
        EXPECT_EQ(c.positionY, row.positionY * 65536);
        EXPECT_EQ(c.lockFlags, row.lock);
        EXPECT_EQ(c.deadZoneLeft, row.deadZone[0]);
        EXPECT_EQ(c.deadZoneTop, row.deadZone[1]);
        EXPECT_EQ(c.deadZoneWidth, row.deadZone[2]);
        EXPECT_EQ(c.deadZoneHeight, row.deadZone[3]);
        w->cameraRecords = nullptr;
    }
}

TEST_F(PickupTest, ATileDecorationPlaysTheScriptItsTopCellsNameOneStepAMessage) {
    grid_.At(kCol - 1, kRow - 1) = 242;
    grid_.At(kCol, kRow - 1) = 241;
    grid_.At(kCol + 1, kRow + 1) = 255;
    Build();
    ScriptAssembler a;
    for (int32_t s = 0; s <= 33; ++s) {
        a.BeginScript();
        a.Show(0, 1).Show(1, 1).Jump(0); // one sprite per step
    }
    AddSet(OBJT_TILE_DECOR, a, 2);
    ObjectSlot* decor = Make(OBJT_TILE_DECOR);
    auto* state = decor->LogicAs<TileDecorState>();
    const uint8_t cells[9] = {2, 1, 0, 0, 0, 0, 0, 0, 15};
    EXPECT_EQ(std::vector<uint8_t>(state->cells, state->cells + 9),
              std::vector<uint8_t>(cells, cells + 9));
    EXPECT_EQ(state->actor.top->script, 33);
    std::vector<int32_t> shown;
    for (ObjectMessage m : {OBJ_MSG_REBIND_MEDIA, 0u, OBJ_EV_HIT, OBJ_MSG_SYNC_POS}) {
        SendObjectMessage(world(), decor, m);
        shown.push_back(state->actor.pipes[0].media);
    }
    EXPECT_EQ(shown, (std::vector<int32_t>{1, 0, 1, 0}));
    DeleteObject(world(), decor);
    EXPECT_EQ(decor->x, -3000);
    EXPECT_EQ(decor->y, -3000);
}

} // namespace
