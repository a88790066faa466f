// Effect objects over media sets built in memory and a small floor map:
// every particle kind's row, the score pop-up, the attached shadow and its
// owner's record, the flying sprite, the sprite band, the flashes, the
// level-ending burst, the level lists and scripts with nothing in them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <typeinfo>
#include <vector>

#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "particles/effects.h"
#include "tests/support/draw_capture.h"
#include "tests/world/media_test_util.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "tools/sample/script_assembler.h"
#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_kinds.h"
#include "world/behaviours/effect_object.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

// The flying sprite, the band, the plain effect, the pop-up, the attached
// effect and the particle effect.
constexpr uint8_t kEffectTypes[] = {18, 24, 25, 110, 126, 127};
constexpr uint8_t kTargetType = 19;
constexpr uint8_t kLandedType = 20;
constexpr uint8_t kFloorCode = 1;
constexpr int32_t kFloorRow = 12; // its top at y = 384
constexpr int32_t kSpriteCount = 8;

using Script = std::vector<ScriptInstruction>;

// Script k shows sprites k, k + 1 and k + 2 (modulo the set), long enough
// to stay on screen.
std::vector<Script> CountingScripts(int32_t count) {
    ScriptAssembler a;
    for (int32_t k = 0; k < count; ++k) {
        a.BeginScript();
        for (int32_t i = 0; i < 3; ++i)
            a.Show(static_cast<uint16_t>((k + i) % kSpriteCount), 100);
    }
    return a.scripts();
}

std::vector<Script> EmptyScripts(int32_t count) {
    return std::vector<Script>(static_cast<size_t>(count));
}

std::vector<ObjectMessage> gTargetEvents;
void TargetHandler(GameWorld*, ObjectSlot*, ObjectMessage message) {
    gTargetEvents.push_back(message);
}

class EffectTest : public testing::Test {
protected:
    EffectTest() : grid_(Floor(), {{kFloorCode, Solid()}}), world_(grid_.get()) {
        words_.Assign(256);
        words_.Attach(world_);
        world_->mediaSetsUsed = -1;
        for (uint8_t type : kEffectTypes) {
            RegisterObjectType(world_, type, EffectObjectHandler, DrawEffectObject,
                               OBJ_KIND_ORDINARY, sizeof(EffectState), sizeof(ScriptActor));
            Install(type, CountingScripts(29));
        }
        RegisterObjectType(world_, OBJT_PLAYER, EmptyHandler, EmptyDraw, OBJ_KIND_TRACKED,
                           sizeof(PlayerState), 0);
        RegisterObjectType(world_, kTargetType, TargetHandler, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
        RegisterObjectType(world_, kLandedType, EmptyHandler, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
        gTargetEvents.clear();
        SetRandomState(kInitialRandomState);
    }
    ~EffectTest() override {
        for (ObjectSlot& slot : world_->slots)
            DeleteObject(world_, &slot);
        for (MediaSet& set : world_->mediaSets)
            set = MediaSet{}; // the storage is the fixture's
    }

    static LevelLayerGrid Floor() {
        LevelLayerGrid grid = FilledLayer(40, 20, 0);
        for (int32_t x = 0; x < grid.width; ++x)
            grid.At(x, kFloorRow) = kFloorCode;
        return grid;
    }
    static std::array<uint8_t, 16> Solid() {
        std::array<uint8_t, 16> quarters;
        quarters.fill(1);
        return quarters;
    }

    // The scripts as the media set of `type`, with kSpriteCount 16x8 sprites
    // whose hotspot is (-8, -4) (mirrored (-2, -4)).
    void Install(uint8_t type, std::vector<Script> scripts) {
        Media& m = media_[type];
        m.scripts = std::move(scripts);
        m.table.clear();
        for (Script& s : m.scripts)
            m.table.push_back({s.empty() ? nullptr : s.data(), static_cast<int16_t>(s.size() - 1)});
        m.images.assign(kSpriteCount, Image{16, 8, 0, nullptr, nullptr, nullptr});
        m.sprites.assign(kSpriteCount, SpriteEntry{});
        for (int32_t i = 0; i < kSpriteCount; ++i) {
            m.sprites[i].image = &m.images[i];
            m.sprites[i].x = -8;
            m.sprites[i].y = m.sprites[i].mirroredY = -4;
            m.sprites[i].mirroredX = -2;
            m.sprites[i].lastKey = -1;
        }
        int32_t index = FindMediaSetIndex(world_, type);
        if (index < 0)
            index = ++world_->mediaSetsUsed;
        MediaSet& set = world_->mediaSets[index];
        set = MediaSet{};
        set.typeId = type;
        set.scripts = m.table.data();
        set.lastScript = static_cast<int16_t>(m.table.size() - 1);
        set.sprites = m.sprites.data();
        set.lastSprite = kSpriteCount - 1;
        set.lastSound = -1;
    }
    Image* SpriteImage(uint8_t type, int32_t n) { return &media_[type].images[n]; }

    void SetWord(int32_t n, int32_t value) { words_.Set(n, value); }

    ObjectSlot* Effect(int32_t kind, int16_t x = 400, int16_t y = 300,
                       ObjectMessage message = OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS) {
        return SpawnEffect(world_, x, y, kind, message);
    }
    ObjectSlot* Make(uint8_t type, int16_t x, int16_t y, intptr_t param = 0) {
        return CreateObject(world_, x, y, type, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, param);
    }
    ObjectSlot* Player(int16_t x, int16_t y) {
        ObjectSlot* player = CreateObject(world_, x, y, OBJT_PLAYER, 0, 0);
        CameraFollow(world_, player);
        return player;
    }
    void Tick(ObjectSlot* object, int32_t times = 1) {
        for (int32_t i = 0; i < times && object->typeId != 0; ++i)
            SendObjectMessage(world_, object, 0);
    }
    static EffectState* State(ObjectSlot* object) { return object->LogicAs<EffectState>(); }
    static ScriptActor* Actor(ObjectSlot* object) { return object->DrawAs<ScriptActor>(); }
    static int32_t Shown(ObjectSlot* object) {
        const ScriptPipe& pipe = Actor(object)->pipes[0];
        return pipe.type == PIPE_SPRITE ? pipe.media : -1;
    }

    struct Media {
        std::vector<Script> scripts;
        std::vector<ScriptTableEntry> table;
        std::vector<Image> images;
        std::vector<SpriteEntry> sprites;
    };
    GridWorld grid_;
    GameWorld* world_;
    LevelWords words_;
    std::map<uint8_t, Media> media_;
};

const char* ClassOf(const CParticle* root) {
    if (root == nullptr)
        return "none";
    const std::type_info& t = typeid(*root);
    if (t == typeid(CDust))
        return "CDust";
    if (t == typeid(CSaturn2))
        return "CSaturn2";
    if (t == typeid(CStars))
        return "CStars";
    if (t == typeid(CDeathStars))
        return "CDeathStars";
    if (t == typeid(CWaterdrop))
        return "CWaterdrop";
    if (t == typeid(CSplinkerWater))
        return "CSplinkerWater";
    if (t == typeid(CSplinkerPaint))
        return "CSplinkerPaint";
    if (t == typeid(CWallBrick))
        return "CWallBrick";
    if (t == typeid(CCannonBallSpark))
        return "CCannonBallSpark";
    if (t == typeid(CParticle))
        return "CParticle";
    return "other";
}

// ---- the kinds ---------------------------------------------------------------------

// What each kind is after its creation message (stream level 100, no
// player, spray off), and whether it deletes itself once its emission is
// stopped and the stream is dry.
struct KindRow {
    int32_t kind;
    const char* root;
    int32_t fewest, most; // children after creation
    int16_t depth;        // 0 where the kind leaves the depth alone
    bool ends;
};
const KindRow kKindRows[] = {
    {0, "CDust", 0, 0, 7, false},           {1, "CDust", 9, 9, 0, true},
    {2, "CSaturn2", 0, 0, 12, false},       {3, "CStars", 16, 16, 0, true},
    {4, "CDeathStars", 16, 16, 0, true},    {5, "CDust", 0, 0, 0, false},
    {6, "CParticle", 10, 10, 1, true},      {7, "CWaterdrop", 60, 60, -1, true},
    {8, "CParticle", 1000, 1000, 1, true},  {9, "CParticle", 100, 100, 1, false},
    {10, "none", 0, 0, 0, false},           {11, "none", 0, 0, -1, true},
    {12, "CSplinkerWater", 0, 0, 0, false}, {13, "CParticle", 30, 30, 0, false},
    {14, "none", 0, 0, 0, false},           {15, "none", 0, 0, 0, false},
    {16, "none", 0, 0, 0, false},           {17, "none", 0, 0, 0, false},
    {18, "CWallBrick", 130, 130, 0, true},  {19, "none", 0, 0, 0, false},
    {20, "none", 0, 0, 0, false},           {21, "CSplinkerPaint", 0, 0, 0, false},
    {22, "CSaturn2", 0, 0, 12, false},      {23, "CParticle", 0, 3, 0, false},
    {24, "CParticle", 3, 7, 0, true},       {25, "CCannonBallSpark", 10, 20, 0, false},
    {26, "CParticle", 50, 50, 1, true},     {27, "CParticle", 0, 3, 0, false},
    {28, "CDeathStars", 16, 16, 0, false},  {29, "none", 0, 0, 0, false},
};

TEST_F(EffectTest, EveryKindBuildsAnchorsAndEndsAsItsRowSays) {
    for (const KindRow& row : kKindRows) {
        SCOPED_TRACE(row.kind);
        for (ObjectSlot& slot : world_->slots)
            slot.depth = 0;
        world_->player.streamLevel = 100;
        ObjectSlot* effect = Effect(row.kind);
        ASSERT_NE(effect, nullptr);
        ASSERT_NE(effect->typeId, 0);
        const CParticle* root = State(effect)->root;
        EXPECT_STREQ(ClassOf(root), row.root);
        const int32_t children = root != nullptr ? root->GetChildCount() : 0;
        EXPECT_GE(children, row.fewest);
        EXPECT_LE(children, row.most);
        EXPECT_EQ(effect->depth, row.depth);

        SendObjectMessage(world_, effect, OBJ_EV_SET_STATE);
        world_->player.streamLevel = 0;
        Tick(effect, 400);
        EXPECT_EQ(effect->typeId == 0, row.ends);
        DeleteObject(world_, effect);
    }
    // A spent stream lives on while any stream is left: too little for a
    // particle (below 10) still counts.
    for (const auto& [level, ends] : {std::pair{1, false}, {0, true}, {-5, true}}) {
        SCOPED_TRACE(level);
        world_->player.streamLevel = level;
        ObjectSlot* stream = Effect(EFFECT_KIND_STREAM);
        Tick(stream, 400);
        EXPECT_EQ(stream->typeId == 0, ends);
        DeleteObject(world_, stream);
    }
}

TEST_F(EffectTest, ARecordlessEffectPlaysKindZeroAndUnknownKindsMakeNothing) {
    ObjectSlot* plain = CreateObject(world_, 10, 10, OBJT_EFFECT, OBJ_MSG_CREATE, 0);
    EXPECT_EQ(State(plain)->kind, EFFECT_KIND_DUST);
    EXPECT_STREQ(ClassOf(State(plain)->root), "CDust");
    ObjectSlot* huge = Effect(-1);
    EXPECT_EQ(State(huge)->root, nullptr);
    EXPECT_EQ(FindEffectKind(State(huge)->kind), nullptr);
}

TEST_F(EffectTest, RingsComeEveryTwentyStepsUntilEmissionStopsForGood) {
    ObjectSlot* effect = Effect(EFFECT_KIND_RING);
    Tick(effect, 18); // the creation message was step 1
    EXPECT_EQ(State(effect)->root->GetChildCount(), 0);
    Tick(effect);
    EXPECT_EQ(State(effect)->root->GetChildCount(), 24);
    SendObjectMessage(world_, effect, OBJ_EV_SET_STATE);
    Tick(effect, 60);
    EXPECT_EQ(State(effect)->root->GetChildCount(), 0);
    EXPECT_NE(effect->typeId, 0);
}

TEST_F(EffectTest, SprinklersRampUpWhenSwitchedOnAndDropAtOnceWhenSwitchedOff) {
    ObjectSlot* effect = Effect(EFFECT_KIND_SPRINKLER_WATER);
    SendObjectMessage(world_, effect, OBJ_EV_FX_MASK_40);
    EXPECT_EQ(State(effect)->sprayRamp, 0) << "the switch itself runs no step";
    Tick(effect, 50);
    EXPECT_EQ(State(effect)->sprayRamp, 40);
    EXPECT_GT(State(effect)->root->GetChildCount(), 0);
    SendObjectMessage(world_, effect, OBJ_EV_SPEED_OFF);
    Tick(effect);
    EXPECT_EQ(State(effect)->sprayRamp, 0);
}

TEST_F(EffectTest, TheBurstFlashesOnThreeDrawsTheFlashOnEveryDrawForTwoSteps) {
    DrawCapture capture;
    ObjectSlot* burst = Effect(EFFECT_KIND_FLASH_BURST);
    for (int32_t draw = 0; draw < 5; ++draw) {
        capture.Clear();
        DrawEffectObject(world_, burst);
        ASSERT_EQ(capture.Count(CAPTURED_FILL), draw < 3 ? 1u : 0u) << draw;
        EXPECT_EQ(capture.Count(CAPTURED_SPRITE), 1000u);
    }
    capture.Clear();
    DrawEffectObject(world_, burst);
    EXPECT_EQ(capture.Count(CAPTURED_FILL), 0u);

    ObjectSlot* flash = Effect(EFFECT_KIND_FLASH);
    for (int32_t draw = 0; draw < 3; ++draw) {
        capture.Clear();
        DrawEffectObject(world_, flash);
        ASSERT_EQ(capture.Count(CAPTURED_FILL), 1u);
        const SpriteRecord& fill = capture[0].record;
        EXPECT_EQ(fill.colour, EFFECT_FLASH_COLOUR);
        EXPECT_EQ(fill.width, 800);
        EXPECT_EQ(fill.height, 600);
    }
    Tick(flash);
    EXPECT_EQ(flash->typeId, 0) << "deleted on its second step";
}

TEST_F(EffectTest, BricksAreDrawnTwiceAFrame) {
    DrawCapture capture;
    ObjectSlot* bricks = Effect(EFFECT_KIND_WALL_BRICKS);
    DrawEffectObject(world_, bricks);
    size_t sprites = 0;
    for (const CParticle* child : State(bricks)->root->children)
        sprites += child->GetFrameCount() > 0;
    EXPECT_EQ(capture.Count(CAPTURED_SPRITE), 2 * sprites);
}

TEST_F(EffectTest, RainFollowsThePlayerAndItsEndClearsTheRainFlag) {
    ObjectSlot* player = Player(500, 200);
    world_->player.rainFlag = 1;
    ObjectSlot* rain = Effect(EFFECT_KIND_RAIN, 300, 200);
    EXPECT_EQ(rain->x, 500);
    EXPECT_EQ(rain->depth, -1);
    player->x = 520;
    Tick(rain);
    EXPECT_EQ(rain->x, 520);
    DeleteObject(world_, rain);
    EXPECT_EQ(world_->player.rainFlag, 0);
}

TEST_F(EffectTest, DustRisesUnderAGroundedPlayerInTheListedStates) {
    ObjectSlot* player = Player(500, 200);
    PlayerState* ps = player->LogicAs<PlayerState>();
    ObjectSlot* dust = Effect(EFFECT_KIND_DUST, 0, 0, OBJ_MSG_CREATE);
    struct Row {
        int32_t state;
        int32_t flags;
        int32_t made;
        float x;
    } rows[] = {{0, COLLIDE_BLOCK_DOWN, 1, 494.0f},
                {1, COLLIDE_BLOCK_DOWN, 1, 506.0f},
                {49, COLLIDE_BLOCK_DOWN, 1, 506.0f},
                {4, COLLIDE_BLOCK_DOWN, 0, 0.0f},
                {0, COLLIDE_BLOCK_RIGHT, 0, 0.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        State(dust)->root->DeleteChildren();
        ps->state = row.state;
        ps->collisionFlags = row.flags;
        Tick(dust);
        ASSERT_EQ(State(dust)->root->GetChildCount(), row.made);
        if (row.made == 1) {
            EXPECT_FLOAT_EQ(State(dust)->root->children[0]->params.x, row.x);
            // Made at y 200, then moved by its first update.
            EXPECT_FLOAT_EQ(State(dust)->root->children[0]->params.y, 199.4f);
        }
    }
}

// ---- the level-ending burst ----------------------------------------------------------

TEST_F(EffectTest, TheFinaleClearsOrdinaryTakenBitsAndGoesToDestinationOne) {
    std::vector<PlacementRecord> placements = {{0, 0, -1, 7, 40}, {32, 0, -1, 9, 41}};
    world_->placements = placements.data();
    world_->placementCount = 1;
    world_->codeTypes[40] = OBJT_SCORE_POPUP; // an ordinary type
    world_->codeTypes[41] = OBJT_PLAYER;      // tracked
    SetWorldBit(world_, 7, 1);
    SetWorldBit(world_, 9, 1);
    world_->destinations[1][0] = 12;
    world_->destinations[1][1] = 3;
    ObjectSlot* player = Player(100, 100);
    player->itemNumber = 4;

    ObjectSlot* finale = Effect(EFFECT_KIND_FINALE);
    Tick(finale, 120);
    EXPECT_TRUE(IsWorldBitClear(world_, 7));
    EXPECT_FALSE(IsWorldBitClear(world_, 9));
    EXPECT_EQ(world_->requestedLevel, 12);
    EXPECT_EQ(world_->requestedEntry, 3);
    EXPECT_EQ(world_->entries[4].level, 12);
    EXPECT_NE(world_->entries[4].flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0);
    EXPECT_NE(finale->typeId, 0) << "the level change removes it";
    world_->placements = nullptr;
    world_->placementCount = -1;
}

TEST_F(EffectTest, AHurtPlayerSpoilsTheFinaleForGood) {
    ObjectSlot* player = Player(100, 100);
    ObjectSlot* finale = Effect(EFFECT_KIND_FINALE);
    player->LogicAs<PlayerState>()->state = 38;
    Tick(finale);
    player->LogicAs<PlayerState>()->state = 0;
    Tick(finale, 120);
    EXPECT_EQ(State(finale)->spoiled, 1);
    EXPECT_EQ(world_->requestedLevel, -1);
}

// ---- the score pop-up ----------------------------------------------------------------

TEST_F(EffectTest, APopupShowsTheScriptOfItsValue) {
    const int32_t points[] = {3, 10, 50, 100, 200, 75, 150};
    for (int32_t index = 0; index < 7; ++index) {
        SCOPED_TRACE(points[index]);
        ObjectSlot* popup = Make(OBJT_SCORE_POPUP, 100, 100, index);
        EXPECT_EQ(Shown(popup), index) << "script " << index << " shows sprite " << index;
        DeleteObject(world_, popup);
    }
}

TEST_F(EffectTest, APopupRisesGrowsFadesAndLeavesInStepWordFivePlusOne) {
    SetWord(5, 3);
    SetWord(6, 50);    // +0.5 pixel a step each step
    SetWord(7, 80);    // alpha 0.8
    SetWord(8, -5000); // -0.05 a step
    SetWord(9, 100);   // scale 1.0
    SetWord(10, 2000); // +0.02 a step
    ObjectSlot* popup = Make(OBJT_SCORE_POPUP, 200, 300, 2);
    struct Row {
        int16_t y;
        float scale, alpha;
    } rows[] = {{300, 1.02f, 0.75f}, {301, 1.04f, 0.70f}, {302, 1.06f, 0.65f}};
    for (size_t step = 0; step < std::size(rows); ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(popup->x, 200);
        EXPECT_EQ(popup->y, rows[step].y);
        EXPECT_NEAR(State(popup)->scale, rows[step].scale, 1e-5);
        EXPECT_NEAR(State(popup)->alpha, rows[step].alpha, 1e-5);
        EXPECT_EQ(popup->depth, 1);
        Tick(popup);
    }
    EXPECT_EQ(popup->x, -3000);
    EXPECT_EQ(popup->y, -3000);

    SetWord(5, 0);
    EXPECT_EQ(Make(OBJT_SCORE_POPUP, 200, 300, 0)->x, -3000);
}

TEST_F(EffectTest, APopupIsDrawnScaledAboutItsCentreAndFaded) {
    SetWord(5, 10);
    SetWord(7, 50);
    SetWord(9, 200);
    world_->camera.positionX = 41 * 65536; // whole pixel 41, drawn from 40
    ObjectSlot* popup = Make(OBJT_SCORE_POPUP, 200, 300, 1);
    DrawCapture capture;
    DrawEffectObject(world_, popup);
    ASSERT_EQ(capture.Count(CAPTURED_SPRITE), 1u);
    const CapturedDraw& draw = capture[0];
    EXPECT_EQ(draw.record.source, SpriteImage(OBJT_SCORE_POPUP, 1));
    EXPECT_EQ(draw.record.flags, SPRITE_FLAG_TRANSFORM);
    EXPECT_EQ(draw.record.x, 200 - 8 - 40 + 8);
    EXPECT_EQ(draw.record.y, 300 - 4);
    ASSERT_TRUE(draw.hasTransform);
    EXPECT_FLOAT_EQ(draw.transform.scaleX, 2.0f);
    EXPECT_FLOAT_EQ(draw.transform.scaleY, 2.0f);
    EXPECT_EQ(draw.transform.pivotX, 8);
    EXPECT_EQ(draw.transform.pivotY, 4);
    EXPECT_FLOAT_EQ(draw.transform.red, 0.5f);
    EXPECT_FLOAT_EQ(draw.transform.alpha, 0.5f);
}

// ---- the attached effect ---------------------------------------------------------------

TEST_F(EffectTest, TheAttachedEffectWritesItsSlotIntoItsOwnersRecord) {
    ObjectSlot* owner = Player(320, 200);
    AttachedEffectRecord* record = &owner->LogicAs<PlayerState>()->attachedEffect;
    ObjectSlot* effect = CreateAttachedEffect(world_, owner, 320, 200, record, 5);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(record->link, effect->index);
    EXPECT_EQ(record->script, 5);
    EXPECT_EQ(AttachedEffectOf(world_, *record), effect);
    EXPECT_EQ(State(effect)->oldLink, owner->index);
    EXPECT_EQ(Shown(effect), 5);
    EXPECT_EQ(effect->depth, 31);

    AttachedEffectRecord loose{-1, 2, {}};
    ObjectSlot* lone = CreateObject(world_, 0, 0, OBJT_ATTACHED_EFFECT, OBJ_MSG_CREATE,
                                    reinterpret_cast<intptr_t>(&loose));
    EXPECT_EQ(loose.link, lone->index);
    EXPECT_EQ(State(lone)->record, nullptr) << "a record outside an owner is never written again";
    EXPECT_EQ(State(CreateObject(world_, 0, 0, OBJT_ATTACHED_EFFECT, OBJ_MSG_CREATE, 0))->oldLink,
              -1);
}

TEST_F(EffectTest, APingDropsTheEffectOntoTheFloorAndFollowsTheOwner) {
    ObjectSlot* owner = Player(320, 200);
    AttachedEffectRecord* record = &owner->LogicAs<PlayerState>()->attachedEffect;
    ObjectSlot* effect = CreateAttachedEffect(world_, owner, 320, 200, record, 0);
    for (int16_t x : {320, 352}) {
        owner->x = x;
        PingEffect(world_, effect, owner);
        const EffectState* st = State(effect);
        EXPECT_EQ(effect->x, x);
        EXPECT_EQ(effect->y, 200);
        const int32_t floorY = FixedToPixel(st->anchorY);
        EXPECT_GT(floorY, kFloorRow * 32 - 8);
        EXPECT_LE(floorY, kFloorRow * 32);
        const double d = (static_cast<double>(st->anchorY) - Px(200)) / 13107200.0;
        EXPECT_FLOAT_EQ(st->scale, static_cast<float>(1.0 + d));
        EXPECT_FLOAT_EQ(st->alpha, static_cast<float>(1.0 - d));
        EXPECT_GT(st->scale, 1.5f) << "an integer quotient would have left it at 1";
    }
}

TEST_F(EffectTest, DeletingTheEffectGivesTheOwnerItsRecordBack) {
    ObjectSlot* owner = Player(320, 200);
    AttachedEffectRecord* record = &owner->LogicAs<PlayerState>()->attachedEffect;
    ObjectSlot* effect = CreateAttachedEffect(world_, owner, 320, 200, record, 0);
    DeleteObject(world_, effect);
    EXPECT_EQ(record->link, owner->index);
    EXPECT_EQ(AttachedEffectOf(world_, *record), nullptr);
}

TEST_F(EffectTest, WhenTheOwnerGoesTheEffectLetsGoOfItsRecord) {
    ObjectSlot* owner = Player(320, 200);
    ObjectSlot* effect = CreateAttachedEffect(world_, owner, 320, 200,
                                              &owner->LogicAs<PlayerState>()->attachedEffect, 0);
    DeleteObject(world_, owner);
    Tick(effect);
    EXPECT_EQ(State(effect)->record, nullptr);
    EXPECT_EQ(State(effect)->oldLink, -1);
    // A new object in the owner's slot keeps its own state untouched.
    ObjectSlot* next = Player(10, 10);
    ASSERT_EQ(next, owner);
    next->LogicAs<PlayerState>()->attachedEffect.link = 77;
    DeleteObject(world_, effect);
    EXPECT_EQ(next->LogicAs<PlayerState>()->attachedEffect.link, 77);
}

TEST_F(EffectTest, AStunRestartsTheScriptNamedByItsParameter) {
    ObjectSlot* effect = Make(25, 100, 100);
    EXPECT_EQ(effect->depth, -1);
    SendObjectMessageWithParam(world_, effect, OBJ_EV_STUN, 3);
    EXPECT_EQ(Shown(effect), 3);
}

// ---- level lists --------------------------------------------------------------------------

TEST_F(EffectTest, LevelListsShowShadowsAndDustOnlyOnTheirLevels) {
    CatalogueBuilder catalogue;
    for (int32_t group = 0; group < 4; ++group)
        catalogue.AddGroup();
    catalogue.AddItem(0, PlainEntry(3, {0}));
    catalogue.AddItem(1, PlainEntry(3, {0}));
    catalogue.AddItem(2, PlainEntry(3, {5, 0, 0, 0, 9, 0, 0, 0}));
    catalogue.AddItem(3, PlainEntry(3, {}));
    media_test::GameArchive archive;
    ASSERT_TRUE(archive.Open(catalogue.ToArchive(), true, false));

    ObjectSlot* owner = Player(320, 200);
    for (int16_t level : {5, 9, 7}) {
        SCOPED_TRACE(level);
        world_->currentLevel = level;
        ObjectSlot* shadow = CreateAttachedEffect(
            world_, owner, 320, 200, &owner->LogicAs<PlayerState>()->attachedEffect, 0);
        EXPECT_EQ(State(shadow)->hidden, level == 7 ? 1 : 0);
        ObjectSlot* dust = Effect(EFFECT_KIND_DUST);
        EXPECT_EQ(State(dust)->hidden, 1) << "an empty list hides it everywhere";
        ObjectSlot* stars = Effect(EFFECT_KIND_STARS);
        EXPECT_EQ(State(stars)->hidden, 0);
        DrawCapture capture;
        DrawEffectObject(world_, shadow);
        DrawEffectObject(world_, dust);
        EXPECT_EQ(capture.size(), level == 7 ? 0u : 1u);
        for (ObjectSlot* o : {shadow, dust, stars})
            DeleteObject(world_, o);
    }
}

// ---- the flying sprite and the band ------------------------------------------------------

TEST_F(EffectTest, TheFlyingSpriteHitsItsTargetAndLandsAsTypeTwenty) {
    SetWord(146, 600);
    SetWord(147, 100);
    SetWord(148, 10);
    SetWord(149, 4);
    Make(kTargetType, 0, 0);
    gTargetEvents.clear();
    ObjectSlot* flyer = Make(18, 100, 400);
    EXPECT_EQ(flyer->depth, 32);
    Tick(flyer, 4); // steps t = 1..4
    ASSERT_EQ(gTargetEvents.size(), 1u);
    EXPECT_EQ(gTargetEvents[0], OBJ_EV_HIT);
    Tick(flyer, 6); // t = 10: the top of the first arc ends at the target point
    EXPECT_EQ(flyer->x, 600);
    EXPECT_NEAR(flyer->y, 100, 1);
    EXPECT_EQ(State(flyer)->flightPhase, 0);
    Tick(flyer, 10);
    ASSERT_EQ(flyer->typeId, 0);
    uint16_t from = 0;
    ObjectSlot* landed = FindNextObjectOfType(world_, &from, kLandedType);
    ASSERT_NE(landed, nullptr);
    EXPECT_EQ(landed->x, 400 - 100);
    EXPECT_EQ(gTargetEvents.size(), 1u);
}

TEST_F(EffectTest, AFlightOfZeroStepsStillLands) {
    ObjectSlot* flyer = Make(18, 100, 400);
    Tick(flyer, 5);
    EXPECT_EQ(flyer->typeId, 0);
}

TEST_F(EffectTest, TheBandFillsItsLanesDriftsAndRefillsAtTheRightEdge) {
    SetWord(151, 10);
    SetWord(152, 3);
    SetWord(153, 20);
    SetWord(154, 2);
    SetWord(155, 20);
    ObjectSlot* band = Make(24, 64, 5 * 32);
    const EffectState* st = State(band);
    EXPECT_EQ(band->depth, 70);
    const int32_t speed = (5 * 2 - 20) * 64;
    for (int32_t n = 0; n < LANE_COUNT; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(st->lanes[n].y, (5 * 20 + 10) * 65536);
        EXPECT_EQ(st->lanes[n].sprite >= 0, n < 3);
        if (n < 3) {
            EXPECT_EQ(st->lanes[n].vx, speed);
        }
    }
    EXPECT_EQ(st->laneCount, 0);
    int32_t steps = 0;
    while (st->lanes[3].sprite < 0 && steps++ < 300)
        Tick(band);
    EXPECT_EQ(st->lanes[3].x, 0x4000000);
    EXPECT_EQ(st->laneCount, 1);
    Tick(band);
    EXPECT_GE(st->lanes[4].sprite, 0) << "a delay of 0 fills a lane every step";

    // Lane 0 leaves at the left edge and, the delay being 0, comes back at
    // the right one in the same step.
    State(band)->lanes[0].x = -0x4000000;
    Tick(band);
    EXPECT_EQ(st->lanes[0].x, 0x4000000);
    EXPECT_EQ(st->laneCount, 2);
    DrawCapture capture;
    DrawEffectObject(world_, band);
    EXPECT_EQ(capture.size(), 5u);

    // The player's last move shifts every lane: 16 pixels right with word
    // 158 = 64 give ((4096 * 64 / 64) * 5 / 64) * 2 = 640 units.
    SetWord(158, 64);
    Player(0, 0)->LogicAs<PlayerState>()->lastMotionX = Px(16);
    const int32_t before = st->lanes[1].x;
    Tick(band);
    EXPECT_EQ(st->lanes[1].x - before, speed + 640);
}

// ---- empty scripts --------------------------------------------------------------------------

TEST_F(EffectTest, EmptyScriptsGiveNoSpritesAndMakeNoParticles) {
    for (uint8_t type : kEffectTypes)
        Install(type, EmptyScripts(29));
    SetWord(152, 5);
    DrawCapture capture;
    for (int32_t kind : {3, 4, 7, 8, 9, 13, 18, 24, 25, 26, 28}) {
        SCOPED_TRACE(kind);
        ObjectSlot* effect = Effect(kind);
        Tick(effect, 2);
        if (effect->typeId == 0)
            continue;
        ASSERT_NE(State(effect)->root, nullptr);
        EXPECT_EQ(State(effect)->root->GetChildCount(), 0);
        DrawEffectObject(world_, effect);
        DeleteObject(world_, effect);
    }
    ObjectSlot* spray = Effect(EFFECT_KIND_SPRINKLER_PAINT);
    SendObjectMessage(world_, spray, OBJ_EV_FX_MASK_40);
    Tick(spray, 45);
    EXPECT_EQ(State(spray)->root->GetChildCount(), 0);
    ObjectSlot* band = Make(24, 64, 64);
    for (const EffectLane& lane : State(band)->lanes)
        EXPECT_EQ(lane.sprite, -1);
    // Every refill counts its lane, sprite or none, until word 152 stops it.
    Tick(band, 300);
    EXPECT_EQ(State(band)->laneCount, 5);
    DrawEffectObject(world_, band);
    EXPECT_EQ(capture.Count(CAPTURED_SPRITE), 0u);
}

} // namespace
