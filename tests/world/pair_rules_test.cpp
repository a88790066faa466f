// The pair rules with two objects placed by hand on a generated map: every
// type is a spy that records what reaches it, and the rules' tables are read
// back row by row: the award table, the chased states that hurt, the thrown
// objects' targets, the pickups' reach and the level objects' reactions.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/task_stack.h"
#include "graphics/image.h"
#include "menus/save_file.h"
#include "menus/ui_flow_task.h"
#include "tests/world/media_test_util.h"
#include "tests/world/tile_test_util.h"
#include "tests/world/world_fixture.h"
#include "world/behaviour_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"
#include "world/sound_channels.h"

namespace {

constexpr int32_t kColumns = 40, kRows = 12;
constexpr int32_t kCol = 10, kRow = 5;
// Every rule measures from here: the second object of a pair, unless a test
// says otherwise.
constexpr int16_t kX = kCol * 32 + 8, kY = kRow * 32 + 8;
constexpr int32_t kWordCount = 221;
constexpr uint32_t kKeep = OBJ_STATE_KEEP_FACING;
constexpr int32_t kNone = -1;

constexpr uint8_t kPickupTypes[] = {4, 5, 6, 7, 12, 13, 14, 56, 57, 70, 75, 76, 123};
constexpr uint8_t kLevelObjectTypes[] = {8,  15, 16, 20, 21, 29, 30, 31, 32, 33,  34, 35,
                                         37, 39, 40, 41, 42, 43, 44, 45, 46, 47,  48, 49,
                                         50, 51, 52, 53, 58, 77, 78, 79, 80, 119, 120};
constexpr uint8_t kStatelessTypes[] = {23, 64, 65, 66, 67, 81, OBJT_SCORE_POPUP, OBJT_EFFECT};

struct Seen {
    uint8_t type;
    int32_t slot;
    ObjectMessage message;
    intptr_t value; // pop-up index or effect kind at creation
    int16_t x, y;
};
std::vector<Seen> gSeen;

void Spy(GameWorld*, ObjectSlot* object, ObjectMessage message) {
    intptr_t value = object->param;
    if ((message & OBJ_MSG_CREATE) != 0 && object->typeId == OBJT_EFFECT && object->param != 0)
        value = object->ParamAs<const EffectKindRecord*>()->kind;
    gSeen.push_back({object->typeId, object->index, message, value, object->x, object->y});
}

std::vector<std::pair<uint32_t, uintptr_t>> gUiMessages;

void SpyUiFlow(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(TASK_TAG_UIFLOW);
    else if ((message & TASK_MSG_USER) != 0)
        gUiMessages.emplace_back(message ^ TASK_MSG_USER, task->messageArg);
}

PlayerState* P(ObjectSlot* o) {
    return o->LogicAs<PlayerState>();
}
ChasedState* C(ObjectSlot* o) {
    return o->LogicAs<ChasedState>();
}
LevelObjectState* L(ObjectSlot* o) {
    return o->LogicAs<LevelObjectState>();
}
PickupState* K(ObjectSlot* o) {
    return o->LogicAs<PickupState>();
}

class PairRulesTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        gSeen.clear();
        words_.Assign(kWordCount);
        grid_ = FilledLayer(kColumns, kRows, 0);
        sprites_.reserve(64);
    }

    void Build(int32_t level = 1, int32_t option = 1) {
        UseOption(option);
        gSaveBlock.users[0].runningScore = 0;
        MakeMap(grid_, 1);
        GameWorld* w = world();
        RegisterObjectType(w, OBJT_PLAYER, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(PlayerState),
                           sizeof(ScriptActor));
        RegisterObjectType(w, OBJT_CHASED, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(ChasedState),
                           sizeof(ScriptActor));
        for (uint8_t type : kPickupTypes)
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(PickupState),
                               sizeof(ScriptActor));
        for (uint8_t type : kLevelObjectTypes)
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, sizeof(LevelObjectState),
                               sizeof(ScriptActor));
        RegisterObjectType(w, OBJT_FADE_PICTURE, Spy, EmptyDraw, OBJ_KIND_ORDINARY,
                           sizeof(FadePictureState), sizeof(ScriptActor));
        for (uint8_t type : kStatelessTypes)
            RegisterObjectType(w, type, Spy, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
        w->currentLevel = static_cast<int16_t>(level);
        words_.Attach(w);
        SetWord(164, 200);
        SetWord(165, 120);
        SetWord(169, 300);
        SetWord(170, 100);
        // Set 0 holds the sprites with key records; set 1 is type 46's.
        MediaSet& keys = w->mediaSets[0];
        keys.typeId = 125;
        keys.lastSprite = -1;
        keys.lastSound = -1;
        keys.lastScript = -1;
        MediaSet& drift = w->mediaSets[1];
        drift.typeId = 46;
        drift.lastSprite = drift.lastSound = -1;
        drift.lastScript = 5;
        w->mediaSetsUsed = 1;
    }

    void SetWord(int32_t n, int32_t value) { words_.Set(n, value); }

    // A spy object; level objects and thrown objects start scorable, as
    // their own handler makes them.
    ObjectSlot* Make(uint8_t type, int32_t x = kX, int32_t y = kY) {
        ObjectSlot* o =
            CreateObject(world(), static_cast<int16_t>(x), static_cast<int16_t>(y), type, 0, 0);
        EXPECT_NE(o, nullptr);
        if (o != nullptr &&
            world()->types[type].logicUnits * 16 >= int32_t(sizeof(LevelObjectState)) &&
            IsLevelObject(type))
            L(o)->scorable = 1;
        return o;
    }
    static bool IsLevelObject(uint8_t type) {
        for (uint8_t t : kLevelObjectTypes)
            if (t == type)
                return true;
        return false;
    }
    // The player at (dx, dy) from the reference point, standing, costume 0.
    ObjectSlot* MakePlayer(int32_t dx, int32_t dy) {
        ObjectSlot* player = Make(OBJT_PLAYER, kX + dx, kY + dy);
        P(player)->state = PLAYER_ST_STAND;
        P(player)->x = (kX + dx) * 65536;
        P(player)->y = (kY + dy) * 65536;
        // Far from everything unless a test aims it.
        world()->player.actionPointX = -20000;
        world()->player.actionPointY = -20000;
        return player;
    }
    void AimAction(ObjectSlot* player, int32_t x, int32_t y) {
        P(player)->costume = 1;
        world()->player.actionPointX = static_cast<int16_t>(x);
        world()->player.actionPointY = static_cast<int16_t>(y);
    }

    // As the pair scan calls: the lower type id first.
    void Resolve(ObjectSlot* a, ObjectSlot* b) {
        gSeen.clear();
        if (b->typeId < a->typeId)
            std::swap(a, b);
        ResolveObjectPair(world(), a, b);
    }

    // The object's sprite shows a key record with this box.
    void ShowKey(ObjectSlot* o, uint16_t key, int16_t x, int16_t y, int16_t w, int16_t h) {
        keys_.push_back(SpriteKeyRecord{key, 0, x, y, w, h, 0, 0});
        SpriteEntry entry{};
        entry.image = &image_;
        entry.keys = &keys_.back();
        entry.lastKey = 0;
        ASSERT_LT(sprites_.size(), sprites_.capacity());
        sprites_.push_back(entry);
        MediaSet& set = world()->mediaSets[0];
        set.sprites = sprites_.data();
        set.lastSprite = static_cast<int32_t>(sprites_.size()) - 1;
        ScriptActor* actor = o->DrawAs<ScriptActor>();
        actor->mediaSet = 0;
        actor->spriteHead = 0;
        actor->pipes[0].type = PIPE_SPRITE;
        actor->pipes[0].media = static_cast<uint16_t>(set.lastSprite);
    }

    // What reached the object, in order (creations left out).
    std::vector<ObjectMessage> To(const ObjectSlot* o) const {
        std::vector<ObjectMessage> out;
        for (const Seen& s : gSeen)
            if (s.slot == o->index && (s.message & OBJ_MSG_CREATE) == 0)
                out.push_back(s.message);
        return out;
    }
    // Pop-up indices or effect kinds of the objects made.
    static std::vector<intptr_t> Made(uint8_t type) {
        std::vector<intptr_t> out;
        for (const Seen& s : gSeen)
            if (s.type == type && (s.message & OBJ_MSG_CREATE) != 0)
                out.push_back(s.value);
        return out;
    }
    static const Seen* FirstMade(uint8_t type) {
        for (const Seen& s : gSeen)
            if (s.type == type && (s.message & OBJ_MSG_CREATE) != 0)
                return &s;
        return nullptr;
    }
    static int32_t Score() { return gSaveBlock.users[0].runningScore; }
    void Clear() {
        DeleteObjectsExceptType(world(), 0);
        gSaveBlock.users[0].runningScore = 0;
        gSeen.clear();
    }

    LevelLayerGrid grid_;
    std::deque<SpriteKeyRecord> keys_;
    std::vector<SpriteEntry> sprites_;
    Image image_{8, 8, 0, nullptr, nullptr, nullptr};
};

std::vector<intptr_t> Popup(int32_t popup) {
    return popup == kNone ? std::vector<intptr_t>{} : std::vector<intptr_t>{popup};
}

// ---- the award table ----------------------------------------------------------------------------

struct AwardRow {
    int16_t state;
    int32_t points, popup;
};
// clang-format off
const AwardRow kAwardRows[] = {
    {0, 150, 6}, {1, 150, 6}, {8, 200, 4}, {9, 200, 4}, {26, 200, 4}, {10, 150, 6},
    {16, 100, 3}, {18, 100, 3}, {20, 50, 2}, {22, 75, 5}, {62, 75, 5}, {64, 75, 5},
    {68, 100, 3}, {71, 100, 3}, {72, 75, 5}, {74, 75, 5},
    {2, 0, kNone}, {84, 0, kNone}, {CHASER_ST_NONE, 0, kNone},
};
// clang-format on

TEST_F(PairRulesTest, TheActionScoresTheAwardOfTheChasedStateAndNothingElse) {
    Build(1);
    for (const AwardRow& row : kAwardRows) {
        SCOPED_TRACE(row.state);
        Clear();
        ObjectSlot* chased = Make(OBJT_CHASED);
        C(chased)->currentState = row.state;
        ObjectSlot* player = MakePlayer(-200, 0); // state 0 would hurt it from here
        AimAction(player, kX + 30, kY - 40);
        Resolve(player, chased);
        EXPECT_EQ(P(player)->scoredFlag, 1);
        EXPECT_EQ(Made(OBJT_EFFECT), std::vector<intptr_t>{EFFECT_KIND_DEATH_STARS});
        EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(row.popup));
        EXPECT_EQ(Score(), row.points);
        EXPECT_TRUE(To(player).empty());
        if (const Seen* popup = FirstMade(OBJT_SCORE_POPUP)) {
            EXPECT_EQ(popup->x, kX);
            EXPECT_LT(FirstMade(OBJT_EFFECT), popup) << "the effect comes first";
        }
    }
}

TEST_F(PairRulesTest, AThrownObjectFallingOnTheChasedScoresTheSameAwardAndIsUsedUp) {
    Build(1);
    for (const AwardRow& row : kAwardRows) {
        SCOPED_TRACE(row.state);
        Clear();
        ObjectSlot* chased = Make(OBJT_CHASED);
        C(chased)->currentState = row.state;
        ObjectSlot* thrown = Make(OBJT_PROJECTILE_A, kX + 20, kY - 100);
        Resolve(chased, thrown);
        EXPECT_EQ(Made(OBJT_EFFECT), std::vector<intptr_t>{EFFECT_KIND_DEATH_STARS});
        EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(row.popup));
        if (const Seen* popup = FirstMade(OBJT_SCORE_POPUP)) {
            EXPECT_EQ(popup->y, kY - 100) << "the pop-up is at the thrown object";
        }
        EXPECT_EQ(Score(), row.points);
        EXPECT_EQ(thrown->typeId, 0) << "deleted, also without an award";
    }
}

TEST_F(PairRulesTest, TheActionScoresOnlyWithTheCostumeWithinReachAndOncePerAction) {
    struct Row {
        uint8_t costume;
        int32_t ax, ay; // action point less the chased character
        int32_t scored;
        int32_t points;
    } rows[] = {
        // clang-format off
        {1, 59, 10, 0, 150}, // 3581
        {1, 0, -59, 0, 150},
        {1, 60, 0, 0, 0},    // 3600
        {1, 59, 12, 0, 0},   // 3625
        {0, 0, 0, 0, 0},
        {1, 0, 0, 1, 0},
        // clang-format on
    };
    Build(17); // where state 0 hurts no one
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.ax << "," << row.ay << " costume " << int(row.costume));
        Clear();
        ObjectSlot* chased = Make(OBJT_CHASED);
        ObjectSlot* player = MakePlayer(-100, 0);
        AimAction(player, kX + row.ax, kY + row.ay);
        P(player)->costume = row.costume;
        P(player)->scoredFlag = row.scored;
        Resolve(player, chased);
        EXPECT_EQ(Score(), row.points);
        EXPECT_EQ(P(player)->scoredFlag, row.points > 0 ? 1 : row.scored);
    }
}

TEST_F(PairRulesTest, TheAwardSoundIsAnItemOfTheStatesGroup) {
    constexpr uint32_t kGroups = 62;
    CatalogueBuilder catalogue;
    for (uint32_t g = 0; g < kGroups; ++g) {
        const uint32_t group = catalogue.AddGroup();
        catalogue.AddItem(group, g >= 57
                                     ? PlainEntry(RES_TYPE_SOUND_STREAMED, media_test::LongSound())
                                     : PlainEntry(0, {1}));
    }
    const uint32_t musicTail =
        catalogue.AddTail(PlainEntry(RES_TYPE_SOUND_IN_MEMORY, media_test::LongSound()));
    media_test::GameArchive archive;
    ASSERT_TRUE(archive.Open(catalogue.ToArchive(), true, true));
    // Channel 0 carries the music, as in the game.
    const auto music = static_cast<int32_t>(catalogue.TailIndex(musicTail));
    ASSERT_EQ(gMMplay.Play(0, -1, music, SOUND_IN_MEMORY, 1), 0);
    struct Row {
        int16_t state;
        int32_t group;
    } rows[] = {{0, 57},  {9, 57},  {26, 57},    {10, 61},    {18, 58},
                {70, 59}, {72, 60}, {20, kNone}, {64, kNone}, {2, kNone}};
    Build(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        Clear();
        ObjectSlot* chased = Make(OBJT_CHASED);
        C(chased)->currentState = row.state;
        ObjectSlot* player = MakePlayer(-200, 0);
        AimAction(player, kX, kY);
        Resolve(player, chased);
        int32_t channel = kNone;
        for (const SoundChannelRec& rec : world()->soundChannels)
            if ((rec.flags & SOUND_REC_BUSY) != 0)
                channel = rec.channel;
        if (row.group == kNone) {
            EXPECT_EQ(channel, kNone);
        } else {
            ASSERT_GT(channel, 0);
            const int32_t entry =
                static_cast<int32_t>(GetResource(&gResourceCatalogue, uint32_t(row.group), 0));
            EXPECT_EQ(gMMplay.GetChannel(channel)->sound, gMMplay.GetSound(entry));
        }
        StopAllSounds(world());
    }
    gMMplay.Stop(-1);
}

// ---- the chased states that hurt ----------------------------------------------------------------

struct HurtRow {
    int16_t state;
    int32_t level, option;
    int32_t dx, dy; // player less chased
    bool hurtBox;
    int32_t countdown;
    int32_t hurts;
    uint32_t sent; // OBJ_EV_SET_STATE + this to the chased character; 0 none
    bool seq1;
};
// clang-format off
const HurtRow kHurtRows[] = {
    // state lvl opt  dx     dy   box    cd  hurts sent       seq1
    {0,  1,  1, -3000,  0,   false, 0,  1, 0, false},
    {1,  1,  1, -5,     0,   false, 0,  1, 0, false},
    {0,  1,  1,  0,     0,   false, 0,  0, 0, false},
    {0,  17, 1, -10,    0,   false, 0,  0, 0, false},
    {0,  20, 1, -10,    0,   false, 0,  0, 0, false},
    {0,  26, 1, -10,    0,   false, 0,  0, 0, false},
    {0,  3,  1, -10,    0,   false, 0,  1, 2 | kKeep, false},
    {0,  3,  1, -100,   0,   false, 0,  1, 0, false},
    {0,  3,  1,  50,    0,   false, 0,  0, 2 | kKeep, false},
    {2,  1,  1, -1,     0,   false, 0,  1, 0, false},
    {2,  1,  1, -1,     0,   true,  0,  2, 0, false},
    {2,  1,  1,  63,    10,  true,  0,  1, 0, false},
    {2,  1,  1,  64,    0,   true,  0,  0, 0, false},
    {38, 1,  1,  10,    0,   true,  0,  1, 0, false},
    {4,  1,  1,  95,    0,   false, 0,  1, 0, false},
    {4,  1,  1, -95,    0,   false, 0,  1, 0, false},
    {4,  1,  1,  96,    0,   false, 0,  0, 0, false},
    {8,  1,  1,  119,   0,   false, 0,  1, 0, false},
    {8,  1,  1,  120,   0,   false, 0,  0, 0, false},
    {10, 1,  1,  39,    0,   false, 0,  1, 0, false},
    {10, 1,  1, -500,   0,   false, 0,  1, 0, false},
    {10, 1,  1,  40,    0,   false, 0,  0, 0, false},
    {14, 1,  1,  159,   0,   false, 0,  1, 0, false},
    {14, 1,  1,  160,   0,   false, 0,  0, 0, false},
    {16, 1,  1,  255,   0,   false, 0,  0, 18 | kKeep, false},
    {16, 1,  1,  256,   0,   false, 0,  0, 0, false},
    {18, 1,  1,  49,    0,   false, 0,  1, 0, false},
    {18, 1,  1,  50,    0,   true,  0,  1, 0, false},
    {18, 1,  1,  50,    0,   false, 0,  0, 0, false},
    {18, 1,  1,  255,   0,   true,  0,  1, 0, false},
    {18, 1,  1,  256,   0,   true,  0,  0, 0, false},
    {20, 1,  1,  109,   0,   false, 0,  1, 0, false},
    {20, 1,  1,  110,   0,   false, 0,  0, 0, false},
    {22, 1,  1, -109,   0,   false, 0,  1, 0, false},
    {22, 1,  1,  200,   0,   false, 43, 1, 0, false},
    {22, 1,  1,  200,   0,   false, 45, 0, 0, false},
    {22, 1,  1,  200,  -60,  false, 42, 0, 0, false},
    {22, 1,  1,  350,   0,   false, 44, 0, 0, false},
    {24, 1,  1,  149,   0,   false, 0,  0, 0, true},
    {24, 1,  1,  150,   0,   false, 0,  0, 0, false},
    {26, 1,  1,  69,    0,   false, 0,  1, 38 | kKeep, false},
    {26, 1,  1,  80,    0,   false, 0,  0, 38 | kKeep, false},
    {26, 1,  1,  96,    0,   false, 0,  0, 0, false},
    {28, 1,  1,  89,    0,   false, 0,  1, 0, false},
    {28, 1,  1,  90,    0,   false, 0,  0, 0, false},
    {30, 1,  1,  24,    0,   false, 0,  1, 0, false},
    {32, 1,  1,  0,    -24,  false, 0,  1, 0, false},
    {30, 1,  1,  25,    0,   false, 0,  0, 0, false},
    {36, 1,  1,  69,    0,   false, 0,  1, 0, false},
    {36, 1,  1,  70,    0,   false, 0,  0, 0, false},
    {40, 1,  1,  39,    0,   false, 0,  1, 0, false},
    {40, 1,  1,  300,   0,   false, 42, 1, 0, false},
    {40, 1,  1,  300,   0,   false, 0,  0, 0, false},
    {48, 1,  1,  271,   0,   false, 0,  0, 50 | kKeep, false},
    {48, 1,  1, -271,   0,   false, 0,  0, 50 | kKeep, false},
    {48, 1,  1,  270,   0,   false, 0,  0, 0, false},
    {50, 1,  0,  249,   0,   false, 0,  0, 48 | kKeep, false},
    {50, 1,  1,  249,   0,   false, 0,  0, 52 | kKeep, false},
    {50, 1,  1,  250,   0,   false, 0,  0, 0, false},
    {52, 1,  1,  255,   0,   true,  0,  1, 0, false},
    {52, 1,  1,  255,   0,   false, 0,  0, 0, false},
    {66, 1,  1,  99,    49,  false, 0,  1, 0, false},
    {66, 1,  1,  99,    50,  false, 0,  0, 0, false},
    {66, 1,  1,  100,   0,   false, 0,  0, 0, false},
    {68, 1,  1,  99,    0,   false, 0,  1, 0, false},
    {68, 1,  1,  199,   0,   false, 0,  0, 70 | kKeep, false},
    {68, 1,  1,  200,   0,   false, 0,  0, 0, false},
    {70, 1,  1,  49,    0,   false, 0,  1, 0, false},
    {72, 1,  1,  99,    0,   false, 0,  1, 0, false},
    {72, 1,  1,  119,   0,   false, 0,  0, 74 | kKeep, false},
    {72, 1,  1,  120,   0,   false, 0,  0, 0, false},
    {74, 1,  1,  50,    0,   true,  0,  1, 0, false},
    {76, 1,  0,  299,   0,   false, 0,  0, 80 | kKeep, false},
    {76, 1,  2,  299,   0,   false, 0,  0, 78 | kKeep, false},
    {76, 1,  1,  300,   0,   false, 0,  0, 0, false},
    {78, 1,  1,  29,    0,   false, 0,  1, 0, false},
    {78, 1,  1,  99,    0,   true,  0,  1, 0, false},
    {78, 1,  1,  100,   0,   true,  0,  0, 0, false},
    {82, 1,  1,  121,   0,   false, 0,  1, 0, false},
    {82, 1,  1,  120,   0,   false, 0,  0, 0, false},
    {84, 1,  1, -100,   0,   false, 0,  0, 0, false},
};
// clang-format on

TEST_F(PairRulesTest, TheChasedStateDecidesWhetherThePlayerIsHurt) {
    for (const HurtRow& row : kHurtRows) {
        SCOPED_TRACE(testing::Message() << "state " << row.state << " level " << row.level << " dx "
                                        << row.dx << " dy " << row.dy);
        Build(row.level, row.option);
        ObjectSlot* chased = Make(OBJT_CHASED);
        C(chased)->currentState = row.state;
        C(chased)->tauntCountdown = row.countdown;
        if (row.hurtBox)
            ShowKey(chased, 1, 500, 500, 1, 1); // only its presence counts
        ObjectSlot* player = MakePlayer(row.dx, row.dy);
        Resolve(player, chased);
        std::vector<ObjectMessage> toPlayer(static_cast<size_t>(row.hurts), OBJ_EV_HURT);
        if (row.seq1)
            toPlayer.push_back(OBJ_EV_SEQ_1);
        EXPECT_EQ(To(player), toPlayer);
        std::vector<ObjectMessage> toChased;
        if (row.sent != 0)
            toChased.push_back(OBJ_EV_SET_STATE + row.sent);
        EXPECT_EQ(To(chased), toChased);
        EXPECT_EQ(Score(), 0);
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, SomeHurtingStatesAlsoChangeTheWorldThePlayerOrTheCarry) {
    Build(1);
    world()->player.gust = 0x50000;
    ObjectSlot* chased = Make(OBJT_CHASED);
    C(chased)->currentState = 14;
    ObjectSlot* player = MakePlayer(200, 0);
    Resolve(player, chased);
    EXPECT_EQ(world()->player.gust, 0x50000) << "out of reach";
    DeleteObject(world(), player);
    player = MakePlayer(100, 0);
    Resolve(player, chased);
    EXPECT_EQ(world()->player.gust, 0);

    C(chased)->currentState = 82;
    Resolve(player, chased);
    EXPECT_EQ(P(player)->levelWordSpeedFlag, 0) << "dx 100";
    DeleteObject(world(), player);
    player = MakePlayer(121, 0);
    Resolve(player, chased);
    EXPECT_EQ(P(player)->levelWordSpeedFlag, 1);

    // State 44 takes the player up when it is at or past the carry point.
    C(chased)->currentState = 45;
    Resolve(player, chased);
    EXPECT_TRUE(To(chased).empty()) << "no key record 256 shown";
    ShowKey(chased, 256, 15, -20, 1, 1);
    DeleteObject(world(), player);
    player = MakePlayer(14, 0);
    Resolve(player, chased);
    EXPECT_TRUE(To(chased).empty()) << "left of the point";
    DeleteObject(world(), player);
    player = MakePlayer(15, -20);
    Resolve(player, chased);
    EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + 46});
    EXPECT_EQ(C(chased)->carryOffsetX, 15);
    EXPECT_EQ(C(chased)->carryOffsetY, -20);
}

// ---- thrown objects -----------------------------------------------------------------------------

TEST_F(PairRulesTest, AThrownObjectHitsTheChasedOnlyFallingOntoItFromAbove) {
    struct Row {
        int32_t dx, dy; // chased less thrown
        bool hits;
    } rows[] = {{0, 1, true},     {0, 199, true},    {59, 100, true},
                {-59, 100, true}, {0, 0, false},     {0, 200, false},
                {60, 100, false}, {-60, 100, false}, {0, -5, false}};
    Build(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.dx << "," << row.dy);
        Clear();
        ObjectSlot* chased = Make(OBJT_CHASED);
        ObjectSlot* thrown = Make(OBJT_PROJECTILE_B, kX - row.dx, kY - row.dy);
        Resolve(chased, thrown);
        EXPECT_EQ(thrown->typeId == 0, row.hits);
        EXPECT_EQ(Score(), row.hits ? 150 : 0);
    }
}

TEST_F(PairRulesTest, OnLevel28AThrownObjectStopsTheChasedButScoresItsCurrentState) {
    Build(28);
    ObjectSlot* chased = Make(OBJT_CHASED);
    C(chased)->currentState = 10;
    ObjectSlot* thrown = Make(OBJT_PROJECTILE_A, kX, kY - 50);
    Resolve(chased, thrown);
    EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + (84 | kKeep)});
    EXPECT_EQ(Score(), 150);
    C(chased)->currentState = 84;
    thrown = Make(OBJT_PROJECTILE_A, kX, kY - 50);
    Resolve(chased, thrown);
    EXPECT_TRUE(To(chased).empty());
    EXPECT_EQ(thrown->typeId, 0);
}

TEST_F(PairRulesTest, ADisarmedThrownObjectHitsNothingMore) {
    Build(1);
    ObjectSlot* chased = Make(OBJT_CHASED);
    ObjectSlot* target = Make(42, kX + 200, kY);
    L(target)->hitPoints = 5;
    ObjectSlot* thrown = Make(OBJT_PROJECTILE_B, kX, kY - 50);
    L(thrown)->scorable = 0;
    L(thrown)->struck = 1;
    Resolve(chased, thrown);
    EXPECT_NE(thrown->typeId, 0);
    EXPECT_EQ(Score(), 0);
    // A tough target disarms the thrown object but leaves it where it hit:
    // it must not take a hit point again in the frames it spends dying.
    L(thrown)->scorable = 1;
    L(thrown)->struck = 0;
    thrown->x = kX + 200;
    thrown->y = kY - 30;
    Resolve(target, thrown);
    EXPECT_EQ(L(target)->hitPoints, 4);
    EXPECT_EQ(L(thrown)->scorable, 0);
    Resolve(target, thrown);
    EXPECT_EQ(L(target)->hitPoints, 4);
    EXPECT_EQ(Score(), 10);
}

struct TargetRow {
    uint8_t type;
    int32_t side; // the limit for OBJT_PROJECTILE_B is side²; OBJT_PROJECTILE_A's is twice that
    int32_t points, popup;
};
const TargetRow kTargetRows[] = {{39, 60, 50, 2}, {40, 30, 75, 5}, {41, 40, 50, 2}, {43, 40, 75, 5},
                                 {44, 40, 50, 2}, {45, 40, 50, 2}, {47, 20, 50, 2}, {48, 40, 50, 2},
                                 {51, 60, 50, 2}, {52, 40, 50, 2}};

TEST_F(PairRulesTest, AThrownObjectDisarmsAScorableTargetWithinItsLimit) {
    Build(1);
    for (const TargetRow& row : kTargetRows) {
        for (uint8_t thrownType : {OBJT_PROJECTILE_A, OBJT_PROJECTILE_B}) {
            for (bool inside : {true, false}) {
                SCOPED_TRACE(testing::Message() << "target " << int(row.type) << " thrown "
                                                << int(thrownType) << (inside ? " in" : " out"));
                Clear();
                // On the limit (out) or one pixel in: (s, 0) for B, (s, s) for A.
                const int32_t s = row.side;
                const int32_t dx = inside && thrownType == OBJT_PROJECTILE_B ? s - 1 : s;
                const int32_t dy = thrownType == OBJT_PROJECTILE_A ? (inside ? s - 1 : s) : 0;
                ObjectSlot* target = Make(row.type);
                ObjectSlot* thrown = Make(thrownType, kX - dx, kY - dy);
                Resolve(target, thrown);
                EXPECT_EQ(L(target)->scorable, inside ? 0 : 1);
                EXPECT_EQ(L(target)->struck, inside ? 1 : 0);
                EXPECT_EQ(Score(), inside ? row.points : 0);
                EXPECT_EQ(Made(OBJT_SCORE_POPUP), inside ? Popup(row.popup) : Popup(kNone));
                EXPECT_EQ(thrown->typeId == 0, inside);
            }
        }
    }
    Clear();
    ObjectSlot* target = Make(47);
    L(target)->scorable = 0;
    ObjectSlot* thrown = Make(OBJT_PROJECTILE_B);
    Resolve(target, thrown);
    EXPECT_NE(thrown->typeId, 0) << "a disarmed target is not hit again";
}

TEST_F(PairRulesTest, IdleTargetsAreHitAndThePusherTakesBothThrownTypes) {
    struct Row {
        uint8_t target, thrown;
        int32_t dx, dy, state;
        int32_t points, popup;
        bool hitSent;
    } rows[] = {
        {16, 120, 29, 0, 0, 10, 1, true},    {16, 120, 30, 0, 0, 0, kNone, false},
        {16, 119, 30, 29, 0, 10, 1, true},   {16, 119, 30, 30, 0, 0, kNone, false},
        {16, 120, 0, 0, 1, 0, kNone, false}, {31, 120, 0, 0, 0, 50, 2, true},
        {77, 119, 0, 0, 0, 50, 2, true},     {78, 119, 89, 0, 0, 75, 5, false},
        {78, 120, 89, 0, 0, 75, 5, false},   {78, 120, 90, 0, 0, 0, kNone, false},
    };
    Build(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.target) << " by " << int(row.thrown) << " at "
                                        << row.dx << "," << row.dy);
        Clear();
        ObjectSlot* target = Make(row.target);
        L(target)->behaviourState = row.state;
        ObjectSlot* thrown = Make(row.thrown, kX - row.dx, kY - row.dy);
        Resolve(target, thrown);
        EXPECT_EQ(Score(), row.points);
        EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(row.popup));
        EXPECT_EQ(thrown->typeId == 0, row.points > 0);
        EXPECT_EQ(To(target), row.hitSent ? std::vector<ObjectMessage>{OBJ_EV_HIT}
                                          : std::vector<ObjectMessage>{});
        if (row.target == 78 && row.points > 0) {
            EXPECT_EQ(Made(OBJT_EFFECT), std::vector<intptr_t>{EFFECT_KIND_DEATH_STARS});
        }
    }
}

TEST_F(PairRulesTest, ToughTargetsLoseAHitPointUntilTheLastDisarmsThem) {
    Build(1);
    for (uint8_t type : {uint8_t{42}, uint8_t{50}, uint8_t{53}}) {
        SCOPED_TRACE(int(type));
        Clear();
        ObjectSlot* target = Make(type);
        LevelObjectState* st = L(target);
        st->hitPoints = 3;
        st->velocityX = st->velocityY = 0x10000;
        st->variant = 2;
        st->variantStride = 3;
        st->wantedScript = 7;
        st->behaviourState = 0;
        // Its middle is 30 pixels above its slot: the thrown object right there.
        ObjectSlot* thrown = Make(OBJT_PROJECTILE_B, kX + 29, kY - 30);
        Resolve(target, thrown);
        EXPECT_EQ(st->hitPoints, 2);
        EXPECT_EQ(st->velocityX, 0);
        EXPECT_EQ(st->velocityY, 0);
        EXPECT_EQ(L(thrown)->struck, 1) << "the thrown object is disarmed, not deleted";
        EXPECT_NE(thrown->typeId, 0);
        EXPECT_EQ(Score(), 10);
        EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(1));
        if (type == 53) {
            EXPECT_EQ(To(target), std::vector<ObjectMessage>{OBJ_EV_HIT});
        } else {
            EXPECT_EQ(st->wantedScript, 6) << "the idle script";
            EXPECT_TRUE(To(target).empty());
        }
        st->hitPoints = 1;
        thrown = Make(OBJT_PROJECTILE_A, kX, kY - 30);
        Resolve(target, thrown);
        EXPECT_EQ(st->struck, 1);
        EXPECT_EQ(st->scorable, 0);
        EXPECT_EQ(thrown->typeId, 0);
        EXPECT_EQ(Score(), 60);
        thrown = Make(OBJT_PROJECTILE_B, kX + 30, kY - 30);
        Resolve(target, thrown);
        EXPECT_NE(thrown->typeId, 0) << "out of reach";
    }
    ObjectSlot* busy = Make(53);
    L(busy)->behaviourState = 1;
    L(busy)->hitPoints = 3;
    Resolve(busy, Make(OBJT_PROJECTILE_B, kX, kY - 30));
    EXPECT_EQ(L(busy)->hitPoints, 3) << "type 53 is hit only while idle";
}

// ---- pickups ------------------------------------------------------------------------------------

struct PickupRow {
    uint8_t type;
    int32_t option, playerState, rideOffset;
    int32_t dx, dy; // player less pickup
    bool taken;
};
// clang-format off
const PickupRow kPickupRows[] = {
    {4,  1, PLAYER_ST_STAND,      0,   0,   30,  true},
    {4,  1, PLAYER_ST_STAND,      0,   49,  30,  true},
    {4,  1, PLAYER_ST_STAND,      0,   50,  30,  false},
    {4,  1, PLAYER_ST_STAND,      0,   30,  69,  true},
    {4,  1, PLAYER_ST_STAND,      0,   30,  70,  false},
    {5,  0, PLAYER_ST_STAND,      0,   0,   30,  true},
    {56, 0, PLAYER_ST_STAND,      0,   49,  500, true},
    {57, 0, PLAYER_ST_STAND,      0,  -49, -500, true},
    {56, 0, PLAYER_ST_STAND,      0,   50,  0,   false},
    {56, 1, PLAYER_ST_STAND,      0,   49,  500, false},
    {6,  1, PLAYER_ST_SEQ_RIDE,  -30,  10,  40,  true},
    {6,  1, PLAYER_ST_SEQ_RIDE,   0,   10,  40,  false},
    {75, 1, PLAYER_ST_SEQ_RIDE_2, 0,   10,  0,   true},
    {75, 1, PLAYER_ST_SEQ_RIDE_2, -25, 10,  0,   false},
    {76, 1, PLAYER_ST_SEQ_RIDE_2, 0,   50,  0,   false},
    {70, 0, PLAYER_ST_STAND,      0,   1,   999, true},
    {70, 0, PLAYER_ST_STAND,      0,   0,   30,  false},
    {70, 1, PLAYER_ST_STAND,      0,   1,   999, false},
    {70, 1, PLAYER_ST_STAND,      0,   0,   30,  true},
    {12, 0, PLAYER_ST_STAND,      0,   3000, 0,  true},
    {14, 2, PLAYER_ST_STAND,      0,   49,  30,  true},
    {13, 1, PLAYER_ST_STAND,      0,   50,  30,  false},
    {7,  0, PLAYER_ST_STAND,      0,   1,  -400, true},
    {7,  1, PLAYER_ST_STAND,      0,   1,  -400, false},
    {123, 1, PLAYER_ST_STAND,     0,   0,   48,  true},
    {123, 1, PLAYER_ST_STAND,     0,   72,  48,  true},  // 5184
    {123, 1, PLAYER_ST_STAND,     0,   73,  48,  false}, // 5329
};
// clang-format on

TEST_F(PairRulesTest, APickupIsTakenWithinItsReachOnceAndOnlyWhileAvailable) {
    CreateTaskStack();
    PushTask(SpyUiFlow, 0, 0);
    for (const PickupRow& row : kPickupRows) {
        SCOPED_TRACE(testing::Message() << "type " << int(row.type) << " option " << row.option
                                        << " at " << row.dx << "," << row.dy);
        Build(1, row.option);
        ObjectSlot* pickup = Make(row.type);
        PickupState* k = K(pickup);
        k->available = 1;
        k->points = 1000 + row.type;
        k->variant = 2; // type 7's variant that gives nothing more
        ObjectSlot* player = MakePlayer(row.dx, row.dy);
        P(player)->state = row.playerState;
        P(player)->rideOffset = row.rideOffset;
        Resolve(player, pickup);
        EXPECT_EQ(k->available, row.taken ? 0 : 1);
        EXPECT_EQ(k->takenState, row.taken ? PICKUP_TAKEN : PICKUP_WAITING);
        const bool valued = row.type != 7 && row.type != 123;
        EXPECT_EQ(Score(), row.taken && valued ? k->points : 0);
        // Taken once: the second meeting changes nothing.
        Resolve(player, pickup);
        EXPECT_EQ(Score(), row.taken && valued ? k->points : 0);
        TearDown();
        SetUp();
    }
    // Only the help pickups reached the UI flow, each once, with its variant.
    EXPECT_EQ(gUiMessages.size(), 2u);
    for (const auto& [message, arg] : gUiMessages) {
        EXPECT_EQ(message, UI_MSG_SHOW_HELP);
        EXPECT_EQ(arg, 2u);
    }
    gUiMessages.clear();
    DestroyTaskStack();
}

TEST_F(PairRulesTest, APickupParkedByTheOptionGateCannotBeTaken) {
    Build(1, 0);
    ObjectSlot* pickup = Make(7, -3000, -1000);
    ObjectSlot* player = MakePlayer(0, 0);
    Resolve(player, pickup);
    EXPECT_EQ(K(pickup)->takenState, PICKUP_WAITING);
    EXPECT_EQ(world()->player.hudCount, 0);
    EXPECT_EQ(Score(), 0);
}

TEST_F(PairRulesTest, TakenPickupsGiveWhatTheirTypeAndVariantSay) {
    Build(1, 1);
    PlayerBlock& block = world()->player;
    auto take = [&](uint8_t type, int32_t variant) {
        ObjectSlot* pickup = Make(type);
        K(pickup)->available = 1;
        K(pickup)->points = 50;
        K(pickup)->variant = variant;
        ObjectSlot* player = MakePlayer(0, 30);
        Resolve(player, pickup);
        DeleteObject(world(), player);
        return pickup;
    };
    take(7, 0);
    EXPECT_EQ(block.hudCount, 1);
    EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(2));
    EXPECT_EQ(Score(), 50);
    take(7, 1);
    EXPECT_EQ(block.hudCount, 2);
    EXPECT_EQ(block.carriedItem, 1);
    EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(5));
    EXPECT_EQ(Score(), 125);
    take(12, 0);
    EXPECT_EQ(block.pickupFlag, 1);
    EXPECT_EQ(Score(), 175);

    // The carried item is delivered at the type-8 object.
    ObjectSlot* drop = Make(8);
    ObjectSlot* player = MakePlayer(39, 0);
    Resolve(player, drop);
    EXPECT_EQ(block.carriedItem, 2);
    block.carriedItem = 1;
    DeleteObject(world(), player);
    player = MakePlayer(40, 0);
    Resolve(player, drop);
    EXPECT_EQ(block.carriedItem, 1) << "1600 is out of reach";
    DeleteObject(world(), player);
    DeleteObject(world(), drop);

    // Type 14 stops the chase; type 13 hits the lever and starts one.
    ObjectSlot* chased = Make(OBJT_CHASED, 100, 100);
    C(chased)->vx = 0x30000;
    take(14, 0);
    EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + CHASER_ST_WAIT});
    EXPECT_EQ(C(chased)->secondCharacter, 1);
    EXPECT_EQ(C(chased)->stateCounter, 2);
    EXPECT_EQ(C(chased)->vx, 0);
    DeleteObject(world(), chased);
    ObjectSlot* lever = Make(37, 40, 40);
    SetWord(35 + 2 * 1, 100);
    SetWord(36 + 2 * 1, -40);
    take(13, 0);
    EXPECT_EQ(To(lever), std::vector<ObjectMessage>{OBJ_EV_HIT});
    const Seen* made = FirstMade(OBJT_CHASED);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->x, kX + 100);
    EXPECT_EQ(made->y, kY - 40);
    EXPECT_EQ(made->message, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    EXPECT_EQ(To(&world()->slots[made->slot]),
              std::vector<ObjectMessage>{OBJ_EV_SET_STATE + CHASER_ST_BRAKE});
}

// ---- the player and the level objects -----------------------------------------------------------

struct Meet {
    uint8_t type;
    int32_t dx, dy; // player less object
    int32_t state, scorable, hitPoints;
    int32_t action; // 1: the action point on the object
    int32_t ax, ay; // and its offset from the object
    int32_t vy;     // the player's, 16.16
    int32_t playerState;
    int32_t invulnerable;
    int32_t option = 1;
};
struct Outcome {
    std::vector<ObjectMessage> toPlayer, toObject;
    int32_t points, popup;
    int32_t disarmed;
};
struct ReactionRow {
    const char* what;
    Meet meet;
    Outcome outcome;
};

constexpr ObjectMessage kHit = OBJ_EV_HIT, kHurt = OBJ_EV_HURT, kHurtAlt = OBJ_EV_HURT_ALT,
                        kStun = OBJ_EV_STUN, kKnock = OBJ_EV_KNOCKDOWN;
constexpr int32_t kFast = 0x3C001, kStand = PLAYER_ST_STAND;

// clang-format off
const ReactionRow kReactionRows[] = {
    // what, {type dx dy state scorable hp action ax ay vy playerState invulnerable [option 1]},
    //       {to player, to object, points, popup, disarmed}
    {"16 scored", {16, 500, 0, 0, 1, 0, 1, 0, 0, 0, kStand, 0}, {{}, {kHit}, 10, 1, 0}},
    {"16 stuns", {16, 84, 59, 0, 1, 0, 0, 0, 0, 0, kStand, 0}, {{kStun}, {kHit}, 0, kNone, 0}},
    {"16 stuns left", {16, -34, 0, 1, 1, 0, 0, 0, 0, 0, kStand, 0}, {{kStun}, {kHit}, 0, kNone, 0}},
    {"16 too far", {16, 85, 0, 0, 1, 0, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"16 finished", {16, 0, 0, 2, 1, 0, 1, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"20 near", {20, 129, -129, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"20 far left", {20, -1000, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"20 right", {20, 130, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"21 idle", {21, 49, 49, 0, 1, 0, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"21 triggered", {21, 0, 0, 1, 1, 0, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"30 idle", {30, 31, 500, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"30 idle far", {30, 32, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"30 triggered", {30, 29, 0, 1, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"30 triggered far", {30, 30, 0, 1, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"31 scored", {31, 500, 0, 0, 1, 0, 1, 0, 0, 0, kStand, 0}, {{}, {kHit}, 50, 2, 0}},
    {"31 hurts", {31, 34, -29, 1, 1, 0, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {kHit}, 0, kNone, 0}},
    {"77 hurts", {77, -34, 0, 0, 1, 0, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {kHit}, 0, kNone, 0}},
    {"77 far", {77, 35, 0, 0, 1, 0, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"32 wakes", {32, 149, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"32 too far", {32, 150, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"32 wakes at option 0", {32, 199, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"32 too far at option 0", {32, 200, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0, 0}, {{}, {}, 0, kNone, 0}},
    {"32 wakes at option 2", {32, 99, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0, 2}, {{}, {kHit}, 0, kNone, 0}},
    {"32 too far at option 2", {32, 100, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0, 2}, {{}, {}, 0, kNone, 0}},
    {"32 landed on", {32, 19, 0, 1, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {}, 10, 1, 1}},
    {"32 ridden", {32, 0, 19, 1, 1, 1, 0, 0, 0, 0, PLAYER_ST_SEQ_RIDE, 0}, {{}, {}, 10, 1, 1}},
    {"32 bites", {32, 19, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {kHit}, 0, kNone, 0}},
    {"32 invulnerable", {32, 19, 0, 1, 1, 1, 0, 0, 0, 0, kStand, 1}, {{}, {}, 0, kNone, 0}},
    {"32 disarmed", {32, 0, 0, 0, 0, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"33 touched", {33, 49, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"33 missed", {33, 30, 40, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"34 touched", {34, 34, -19, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kStun}, {}, 0, kNone, 0}},
    {"34 missed", {34, 0, 20, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"35 starts", {35, -19, 900, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {kHit}, 0, kNone, 0}},
    {"35 missed", {35, 20, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"39 scored", {39, 500, 0, 0, 1, 1, 1, 0, -30, 0, kStand, 0}, {{}, {}, 50, 2, 1}},
    {"39 action below", {39, 500, 0, 0, 1, 1, 1, 0, 15, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"39 landed on", {39, 24, 0, 0, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {}, 50, 2, 1}},
    {"39 bites", {39, 24, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"39 far", {39, 25, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"39 invulnerable", {39, 0, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 1}, {{}, {}, 0, kNone, 0}},
    {"39 disarmed", {39, 0, 0, 0, 0, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"40 scored", {40, 500, 0, 0, 1, 1, 1, 44, 0, 0, kStand, 0}, {{}, {}, 75, 5, 1}},
    {"40 landed on", {40, 0, 74, 0, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {}, 75, 5, 1}},
    {"40 below", {40, 0, 75, 0, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"43 scored", {43, 500, 0, 0, 1, 1, 1, 0, -30, 0, kStand, 0}, {{}, {}, 75, 5, 1}},
    {"43 bites", {43, 44, 30, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"44 scored", {44, 500, 0, 0, 1, 1, 1, 0, 44, 0, kStand, 0}, {{}, {}, 50, 2, 1}},
    {"44 action out", {44, 500, 0, 0, 1, 1, 1, 0, 45, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"45 bites", {45, 0, -9, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"45 far", {45, 0, -10, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"47 bites", {47, 34, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"47 far", {47, 35, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"48 landed on", {48, 0, 24, 0, 1, 1, 0, 0, 0, 0, PLAYER_ST_SEQ_END, 0}, {{}, {}, 50, 2, 1}},
    {"51 scored", {51, 500, 0, 0, 1, 1, 1, 0, -30, 0, kStand, 0}, {{}, {}, 50, 2, 1}},
    {"52 bites", {52, 34, -24, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {kHit}, 0, kNone, 0}},
    {"52 landed on", {52, -34, 24, 0, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {kHit}, 50, 2, 1}},
    {"52 outside", {52, 35, 0, 0, 1, 1, 0, 0, 0, kFast, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"42 bites", {42, 44, 0, 0, 1, 5, 0, 0, 0, 0x3C000, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"42 unscorable", {42, 44, 0, 0, 0, 5, 0, 0, 0, kFast, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"42 knocked", {42, 44, 0, 0, 1, 5, 0, 0, 0, kFast, kStand, 0}, {{kHit}, {kKnock}, 50, 2, 0}},
    {"42 far", {42, 45, 0, 0, 1, 5, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"50 bites", {50, 44, 0, 0, 1, 3, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"50 stomped", {50, 44, 0, 1, 1, 3, 0, 0, 0, kFast, kStand, 0}, {{kHit}, {}, 0, kNone, 0}},
    {"50 struck", {50, 500, 0, 0, 1, 3, 1, 54, 0, 0, kStand, 0}, {{}, {kHit}, 10, 1, 0}},
    {"50 action out", {50, 500, 0, 0, 1, 3, 1, 55, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"53 last point", {53, 500, 0, 0, 1, 1, 1, 0, 0, 0, kStand, 0}, {{}, {}, 50, 2, 1}},
    {"53 busy", {53, 500, 0, 1, 1, 1, 1, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"49 inside", {49, 9, -19, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"49 edge", {49, 10, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"78 near", {78, -49, 500, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurt}, {}, 0, kNone, 0}},
    {"78 far", {78, 50, 0, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
    {"80 near", {80, 0, 79, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{kHurtAlt}, {}, 0, kNone, 0}},
    {"80 far", {80, 0, 80, 0, 1, 1, 0, 0, 0, 0, kStand, 0}, {{}, {}, 0, kNone, 0}},
};
// clang-format on

TEST_F(PairRulesTest, LevelObjectsReactToThePlayerAsTheirRowSays) {
    for (const ReactionRow& row : kReactionRows) {
        SCOPED_TRACE(row.what);
        Build(1, row.meet.option);
        SetWord(110, -10);
        SetWord(111, 10);
        SetWord(112, -20);
        SetWord(113, 20);
        SetWord(116, 100);
        SetWord(117, 50); // type 32 wakes within 200, 150 and 100 at options 0, 1 and 2
        const Meet& m = row.meet;
        ObjectSlot* object = Make(m.type);
        object->itemNumber = 77;
        LevelObjectState* st = L(object);
        st->behaviourState = m.state;
        st->scorable = m.scorable;
        st->hitPoints = m.hitPoints;
        ObjectSlot* player = MakePlayer(m.dx, m.dy);
        if (m.action)
            AimAction(player, kX + m.ax, kY + m.ay);
        P(player)->vy = m.vy;
        P(player)->state = m.playerState;
        if (m.invulnerable)
            player->flags |= PLAYER_SLOT_INVULNERABLE;
        Resolve(player, object);
        const Outcome& o = row.outcome;
        EXPECT_EQ(To(player), o.toPlayer);
        EXPECT_EQ(To(object), o.toObject);
        EXPECT_EQ(Score(), o.points);
        EXPECT_EQ(Made(OBJT_SCORE_POPUP), Popup(o.popup));
        if (o.popup != kNone && FirstMade(OBJT_SCORE_POPUP) != nullptr) {
            EXPECT_EQ(FirstMade(OBJT_SCORE_POPUP)->x, kX) << "at the object";
        }
        if (m.scorable != 0) {
            EXPECT_EQ(st->scorable, o.disarmed ? 0 : 1);
            EXPECT_EQ(st->struck, o.disarmed ? 1 : 0);
        }
        const bool stunOrHurtTarget =
            (m.type == 16 || m.type == 31 || m.type == 77) && !o.toPlayer.empty();
        EXPECT_EQ(IsWorldBitClear(world(), 77), !stunOrHurtTarget);
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, ChargersAndToughTargetsChangeTheirOwnState) {
    Build(1);
    ObjectSlot* charger = Make(42);
    L(charger)->velocityX = L(charger)->velocityY = 0x20000;
    ObjectSlot* player = MakePlayer(0, 0);
    P(player)->vy = kFast;
    Resolve(player, charger);
    EXPECT_EQ(L(charger)->behaviourState, LEVEL_OBJECT_FINISHED);
    EXPECT_EQ(L(charger)->velocityX, 0);
    EXPECT_EQ(L(charger)->velocityY, 0);

    ObjectSlot* tough = Make(50, kX + 300, kY);
    L(tough)->hitPoints = 3;
    L(tough)->velocityX = 0x20000;
    AimAction(player, kX + 300, kY);
    Resolve(player, tough);
    EXPECT_EQ(L(tough)->hitPoints, 2);
    EXPECT_EQ(L(tough)->velocityX, 0);
}

TEST_F(PairRulesTest, TheBarrierSendsThePlayerBackOutOfEitherHalf) {
    Build(1);
    SetWord(105, -40);
    SetWord(106, 60); // a = x - 40, m = x + 10, b = x + 60
    SetWord(107, -100);
    SetWord(108, 0);
    struct Row {
        int32_t x, previousX, vx; // pixels from the barrier, pixels a frame
        int32_t stoppedAt;        // kNone: not stopped
        uint32_t flag;
    } rows[] = {
        {0, -42, 1, -40, COLLIDE_BLOCK_RIGHT},
        {0, -43, 1, kNone, 0}, // it came from too far
        {0, -42, -1, kNone, 0},
        {11, 62, -1, 60, COLLIDE_BLOCK_LEFT},
        {11, 63, -1, kNone, 0},
        {-41, -42, 1, kNone, 0},
        {61, 62, -1, kNone, 0},
    };
    ObjectSlot* barrier = Make(15);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.x << " from " << row.previousX);
        ObjectSlot* player = MakePlayer(row.x, 0);
        PlayerState* p = P(player);
        p->previousX = (kX + row.previousX) * 65536;
        p->vx = row.vx * 65536;
        Resolve(player, barrier);
        if (row.stoppedAt == kNone) {
            EXPECT_EQ(p->x, (kX + row.x) * 65536);
            EXPECT_EQ(p->bumpLock, 0);
        } else {
            EXPECT_EQ(p->x, (kX + row.stoppedAt) * 65536);
            EXPECT_EQ(p->vx, 0);
            EXPECT_EQ(p->bumpLock, 1);
            EXPECT_EQ(p->collisionFlags, int32_t(row.flag));
        }
        DeleteObject(world(), player);
    }
    // Within the barrier its depth follows which side of word 108 the player is.
    ObjectSlot* player = MakePlayer(-20, -200);
    Resolve(player, barrier);
    EXPECT_EQ(P(player)->x, (kX - 20) * 65536) << "above word 107 it does not stop";
    EXPECT_EQ(barrier->depth, 31);
    P(player)->x = (kX + 20) * 65536;
    Resolve(player, barrier);
    EXPECT_EQ(barrier->depth, 3);
    L(barrier)->hitCount = 3;
    barrier->depth = 0;
    P(player)->x = (kX - 20) * 65536;
    Resolve(player, barrier);
    EXPECT_EQ(barrier->depth, 0) << "a broken barrier does nothing";
}

TEST_F(PairRulesTest, TheLeverIsSwitchedFromAfarAndThenHoldsThePlayer) {
    Build(1);
    world()->player.driftSpeed = -0x50000;
    ObjectSlot* lever = Make(37);
    ObjectSlot* player = MakePlayer(190, 0);
    Resolve(player, lever);
    EXPECT_EQ(To(lever), std::vector<ObjectMessage>{kHit});
    EXPECT_EQ(world()->player.driftSpeed, 0);
    L(lever)->leverMode = LEVER_MODE_RETURN;
    Resolve(player, lever);
    EXPECT_TRUE(To(lever).empty()) << "a lever with a mode ignores the player";

    L(lever)->behaviourState = LEVEL_OBJECT_TRIGGERED;
    L(lever)->leverMode = LEVER_MODE_PLAIN;
    P(player)->x = (kX - 5) * 65536;
    P(player)->previousX = (kX + 2) * 65536;
    Resolve(player, lever);
    EXPECT_EQ(P(player)->x, kX * 65536);
    EXPECT_EQ(P(player)->collisionFlags, int32_t(COLLIDE_BLOCK_LEFT));
    L(lever)->leverMode = LEVER_MODE_COUNTER;
    P(player)->x = (kX - 80) * 65536;
    P(player)->previousX = (kX - 92) * 65536;
    Resolve(player, lever);
    EXPECT_EQ(P(player)->x, (kX - 90) * 65536);
    P(player)->x = (kX - 80) * 65536;
    P(player)->previousX = (kX - 93) * 65536;
    Resolve(player, lever);
    EXPECT_EQ(P(player)->x, (kX - 80) * 65536) << "it came from too far";
}

TEST_F(PairRulesTest, PlatformsCatchThePlayerOnlyAsTheirStatesSay) {
    struct Row {
        uint8_t type;
        int32_t playerState, vy, dx, dy; // dy from the object; the box is (-20, -10) 40 x 20
        bool landed;
        uint32_t flags;
    } rows[] = {
        {79, kStand, 1, 0, 0, true, COLLIDE_BLOCK_DOWN},
        {79, kStand, 0, 0, 0, false, 0},
        {79, kStand, 1, 0, 10, false, 0}, // below the box
        {58, kStand, 1, 0, 500, true, COLLIDE_BLOCK_DOWN},
        {58, kStand, 1, 0, -11, false, 0},
        {58, kStand, 0, 0, 0, false, 0},
        {29, kStand, -5, 0, 0, true, COLLIDE_BLOCK_DOWN},
        {29, PLAYER_ST_AIRBORNE, 0, 0, 0, false, 0},
        {29, PLAYER_ST_AIRBORNE + 1, 1, 0, 0, true, COLLIDE_BLOCK_DOWN},
        {29, PLAYER_ST_LINE_WALL, 5, 0, 0, false, 0},
        {29, PLAYER_ST_LINE_MOVE, 5, 0, 0, false, COLLIDE_BLOCK_LEFT},
        {29, kStand, 1, 20, 0, false, 0}, // right edge excluded
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.type) << " state " << row.playerState << " at "
                                        << row.dx << "," << row.dy);
        Build(1);
        ObjectSlot* platform = Make(row.type);
        ShowKey(platform, 256, -20, -10, 40, 20);
        ObjectSlot* player = MakePlayer(row.dx, row.dy);
        P(player)->state = row.playerState;
        P(player)->vy = row.vy;
        Resolve(player, platform);
        EXPECT_EQ(P(player)->y, (row.landed ? kY - 10 : kY + row.dy) * 65536);
        EXPECT_EQ(P(player)->collisionFlags, int32_t(row.flags));
        if (row.type == 29 && row.playerState == PLAYER_ST_LINE_MOVE) {
            EXPECT_EQ(P(player)->vy, 0);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, LandingOnAFallingPlatformStartsThoseWaitingToItsLeft) {
    Build(1);
    SetWord(162, 5);
    SetCrtRandState(1);
    ObjectSlot* platform = Make(29);
    L(platform)->positionX = kX * 65536;
    ShowKey(platform, 256, -20, -10, 40, 20);
    ObjectSlot* left = Make(29, kX - 100, kY);
    L(left)->positionX = (kX - 100) * 65536;
    ObjectSlot* right = Make(29, kX + 100, kY);
    L(right)->positionX = (kX + 100) * 65536;
    ObjectSlot* started = Make(29, kX - 200, kY);
    L(started)->positionX = (kX - 200) * 65536;
    L(started)->timer = 9;
    ObjectSlot* player = MakePlayer(0, 0);
    Resolve(player, platform);
    EXPECT_EQ(L(platform)->timer, 1);
    SetCrtRandState(1);
    EXPECT_EQ(L(left)->timer, CrtRand() % 4 + 1);
    EXPECT_EQ(L(right)->timer, 0);
    EXPECT_EQ(L(started)->timer, 9);

    SetWord(162, 1); // rand % 0 would divide by zero
    L(platform)->timer = 0;
    L(left)->timer = 0;
    Resolve(player, platform);
    EXPECT_EQ(L(left)->timer, 1);
}

TEST_F(PairRulesTest, TheMovingPlatformCarriesAndHoldsThePlayer) {
    Build(1);
    ObjectSlot* platform = Make(58);
    ShowKey(platform, 256, -20, -10, 40, 20);
    platform->DrawAs<ScriptActor>()->dx = 3;
    ObjectSlot* player = MakePlayer(-21, -100);
    Resolve(player, platform);
    EXPECT_EQ(P(player)->conveyorSpeed, 3);
    EXPECT_EQ(P(player)->x, (kX - 20) * 65536);
    player->x = kX + 21;
    Resolve(player, platform);
    EXPECT_EQ(P(player)->x, (kX + 20) * 65536);
    L(platform)->wallFlag = 1;
    Resolve(player, platform);
    EXPECT_EQ(P(player)->conveyorSpeed, 0);
}

TEST_F(PairRulesTest, DriftersPushThePlayerBackUnlessTheyAreTheBigOnes) {
    Build(1); // type 46's last script is 5
    for (int32_t variant : {0, 3, 4}) {
        SCOPED_TRACE(variant);
        ObjectSlot* drifter = Make(46);
        L(drifter)->variant = variant;
        ObjectSlot* player = MakePlayer(0, 69); // 39² below 40²
        P(player)->vx = 0;
        Resolve(player, drifter);
        const bool pushed = variant < 4;
        EXPECT_EQ(P(player)->vx, pushed ? -(variant * 3 + 15) * 65536 : 0);
        EXPECT_EQ(L(drifter)->firstDriftFlag, pushed ? 1 : 0);
        EXPECT_EQ(L(drifter)->struck, pushed ? 1 : 0);
        DeleteObject(world(), player);
        DeleteObject(world(), drifter);
    }
}

TEST_F(PairRulesTest, SmallObjectsOfThePlayerCameraWarpAndPicture) {
    Build(1);
    const uint8_t records[] = {100, 0, 60, 0}; // i16 100, 60
    world()->cameraRecords = records;
    world()->cameraRecordsSize = sizeof(records);
    ObjectSlot* zone = Make(OBJT_CAMERA_ZONE);
    ObjectSlot* player = MakePlayer(99, -59);
    Resolve(player, zone);
    EXPECT_EQ(To(zone), std::vector<ObjectMessage>{kHit});
    player->x = kX + 100;
    Resolve(player, zone);
    EXPECT_TRUE(To(zone).empty());
    player->x = kX;
    player->y = kY + 50;
    Resolve(player, zone);
    EXPECT_TRUE(To(zone).empty());

    ObjectSlot* warp = Make(81);
    player->x = kX + 127;
    player->y = kY;
    Resolve(player, warp);
    EXPECT_EQ(To(player), std::vector<ObjectMessage>{OBJ_EV_WARP});
    EXPECT_EQ(player->ParamAs<ObjectSlot*>(), warp);
    player->x = kX + 128;
    Resolve(player, warp);
    EXPECT_TRUE(To(player).empty());

    ObjectSlot* picture = Make(OBJT_FADE_PICTURE);
    FadePictureState* fade = picture->LogicAs<FadePictureState>();
    fade->phase = fade->hold = -1.0f;
    player->x = kX + 48;
    Resolve(player, picture);
    EXPECT_EQ(fade->phase, -1.0f);
    player->x = kX - 47;
    Resolve(player, picture);
    EXPECT_EQ(fade->phase, 0.0f);
    fade->phase = -1.0f;
    fade->hold = 3.0f;
    Resolve(player, picture);
    EXPECT_EQ(fade->phase, -1.0f) << "already shown";
}

TEST_F(PairRulesTest, SequenceTriggersActByTheirCodeAndLevel) {
    struct Row {
        int32_t code, level, playerState, shakeCounter, rideOffset;
        std::vector<ObjectMessage> toPlayer;
        int32_t shakeFlag, shakeCounterAfter, vxAfter; // vx starts at 7 pixels
    } rows[] = {
        {1, 1, kStand, 0, 0, {OBJ_EV_SPEED_B}, 0, 0, 7},
        {2, 10, kStand, 0, 0, {}, 1, 0, 7},
        {2, 11, PLAYER_ST_SEQ_END, 0, 0, {OBJ_EV_SEQ_3}, 0, 0, 7},
        {2, 11, kStand, 0, 0, {}, 0, 0, 7},
        {3, 11, PLAYER_ST_SEQ_FINAL, 0, 0, {OBJ_EV_SEQ_4}, 0, 0, 7},
        {4, 10, kStand, 0, -39, {}, 1, 8, 3},
        {4, 10, kStand, 0, -40, {}, 0, 0, 7},
        {4, 10, kStand, 5, 0, {}, 0, 5, 7},
        {5, 10, kStand, 0, -11, {}, 1, 20, 3},
        {5, 10, kStand, 0, -10, {}, 0, 0, 7},
        {5, 11, kStand, 0, -11, {}, 0, 0, 7},
        {6, 10, PLAYER_ST_SEQ_RIDE_2, 0, 0, {OBJ_EV_SEQ_2}, 0, 0, 7},
        {6, 10, PLAYER_ST_SEQ_END, 0, 0, {}, 0, 20, 7},
        {6, 1, PLAYER_ST_SEQ_END, 0, 0, {}, 0, 0, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << row.code << " level " << row.level);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(240 + row.code);
        Build(row.level);
        ObjectSlot* trigger = Make(65);
        ObjectSlot* player = MakePlayer(47, 0);
        PlayerState* p = P(player);
        p->state = row.playerState;
        p->shakeCounter = row.shakeCounter;
        p->rideOffset = row.rideOffset;
        p->vx = 7 * 65536;
        Resolve(player, trigger);
        EXPECT_EQ(To(player), row.toPlayer);
        EXPECT_EQ(p->shakeFlag, row.shakeFlag);
        EXPECT_EQ(p->shakeCounter, row.shakeCounterAfter);
        EXPECT_EQ(p->vx, row.vxAfter * 65536 + (row.vxAfter == 3 ? 0x8000 : 0));
        EXPECT_NE(trigger->typeId, 0);
        TearDown();
        SetUp();
    }
    // Any other code warps the player to the trigger and throws its costume.
    grid_.At(kCol - 1, kRow) = 247;
    Build(1);
    ObjectSlot* trigger = Make(65);
    trigger->itemNumber = 12;
    ObjectSlot* player = MakePlayer(-47, 0);
    Resolve(player, trigger);
    EXPECT_EQ(To(player), (std::vector<ObjectMessage>{OBJ_EV_WARP, OBJ_EV_THROW}));
    EXPECT_EQ(trigger->typeId, 0);
    EXPECT_FALSE(IsWorldBitClear(world(), 12));
}

TEST_F(PairRulesTest, TheChaseTriggerStartsTheChasedInTheLevelsState) {
    struct Row {
        int32_t level;
        uint8_t rightCode;
        int32_t state;
    } rows[] = {{4, 0, 14},  {5, 0, 16},  {6, 0, 16},    {8, 0, 10},    {9, 0, 20},
                {10, 0, 24}, {14, 0, 26}, {16, 0, 40},   {17, 0, 44},   {18, 0, 50},
                {20, 0, 54}, {21, 0, 64}, {24, 240, 72}, {24, 241, 68}, {24, 0, 68},
                {25, 0, 76}, {26, 0, 82}, {1, 0, 0},     {13, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "level " << row.level);
        grid_.At(kCol + 1, kRow) = row.rightCode;
        Build(row.level);
        SetWord(35 + 2 * row.level, 100);
        SetWord(36 + 2 * row.level, -40);
        SetWord(145, 33);
        ObjectSlot* trigger = Make(66);
        ObjectSlot* player = MakePlayer(-47, 0);
        Resolve(player, trigger);
        const Seen* made = FirstMade(OBJT_CHASED);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->x, kX + 100);
        EXPECT_EQ(made->y, kY - 40);
        ObjectSlot* chased = &world()->slots[made->slot];
        EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + uint32_t(row.state)});
        EXPECT_EQ(world()->player.driftSpeed, row.level == 4 ? -9 * 65536 : 0);
        EXPECT_EQ(C(chased)->stateCounter, row.level == 8 ? 33 : 0);
        EXPECT_EQ(C(chased)->flags, row.level == 8 ? CHASER_FLAG_NO_SCRIPT_MOTION : 0);
        EXPECT_EQ(C(chased)->vx, row.level == 21 ? 4 * 65536 : 0);
        EXPECT_EQ(C(chased)->vy, row.level == 21 ? 65536 : 0);
        Resolve(player, trigger);
        EXPECT_EQ(FirstMade(OBJT_CHASED), nullptr) << "one chased character at a time";
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, TheChaseTriggerMakesRainOnceOnLevel7AndIgnoresCodes1And2) {
    Build(7);
    ObjectSlot* trigger = Make(66);
    ObjectSlot* player = MakePlayer(10, 0);
    Resolve(player, trigger);
    EXPECT_EQ(Made(OBJT_CHASED).size(), 0u);
    ASSERT_EQ(Made(OBJT_EFFECT), std::vector<intptr_t>{EFFECT_KIND_RAIN});
    EXPECT_EQ(FirstMade(OBJT_EFFECT)->message, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    EXPECT_EQ(FirstMade(OBJT_EFFECT)->x, kX + 10) << "at the player";
    EXPECT_EQ(world()->player.rainFlag, 1);
    Resolve(player, trigger);
    EXPECT_TRUE(Made(OBJT_EFFECT).empty());
    TearDown();

    for (uint8_t code : {uint8_t{241}, uint8_t{242}}) {
        SetUp();
        grid_.At(kCol - 1, kRow) = code;
        Build(4);
        ObjectSlot* gated = Make(66);
        Resolve(MakePlayer(0, 0), gated);
        EXPECT_TRUE(Made(OBJT_CHASED).empty());
        TearDown();
    }
    SetUp();
}

TEST_F(PairRulesTest, TheExitReachesByItsCodeAndAsksForTheLevelOnce) {
    struct Row {
        int32_t code, destination, level;
        int32_t dx, dy;
        bool requested;
        int32_t exitSeen;
    } rows[] = {
        {0, 2, 1, 31, 0, true, 0},  {0, 2, 1, 32, 0, false, 0}, {4, 6, 1, -31, 0, true, 1},
        {1, 3, 1, 95, 1, true, 1},  {1, 3, 1, 95, 0, false, 1}, {1, 3, 1, 96, 5, false, 1},
        {2, 2, 1, 0, 0, false, 1},  {3, 2, 1, 49, 0, true, 1},  {3, 2, 1, 50, 0, false, 1},
        {0, 1, 1, 0, 0, false, 0},  {3, 7, 1, 0, 0, false, 0},  {0, 2, 12, 0, 0, false, 0},
        {0, 2, 28, 0, 0, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << row.code << " to " << row.destination
                                        << " level " << row.level << " at " << row.dx);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.code != 0 ? 240 + row.code : 0);
        Build(row.level);
        for (int32_t d = 0; d < kDestinationCount; ++d) {
            world()->destinations[d][0] = 10 + d;
            world()->destinations[d][1] = d % 6;
        }
        PlacementRecord placement{};
        placement.code = static_cast<uint16_t>(row.destination);
        ObjectSlot* exit = Make(67);
        exit->placement = &placement;
        ObjectSlot* player = MakePlayer(row.dx, row.dy);
        player->itemNumber = 3;
        EntryRecord& record = world()->entries[3];
        record.flags = ENTRY_FLAG_PLACED;
        Resolve(player, exit);
        EXPECT_EQ(world()->requestedLevel, row.requested ? 10 + row.destination : -1);
        EXPECT_EQ(world()->player.exitSeenFlag, row.exitSeen);
        EXPECT_EQ(record.flags & ENTRY_FLAG_DESTINATION_CHOSEN,
                  row.requested ? ENTRY_FLAG_DESTINATION_CHOSEN : 0);
        if (row.requested) {
            EXPECT_EQ(world()->requestedEntry, row.destination % 6);
            EXPECT_EQ(record.level, 10 + row.destination);
            world()->requestedLevel = -1;
            Resolve(player, exit);
            EXPECT_EQ(world()->requestedLevel, -1) << "asked once";
            // Leaving the reach clears the flag again.
            player->x = static_cast<int16_t>(kX + 1000);
            Resolve(player, exit);
            EXPECT_EQ(record.flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0);
        }
        exit->placement = nullptr;
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, TheExitsOfLevels12And28WaitForThePickupFlagAndTheIcons) {
    Build(12);
    PlacementRecord placement{};
    placement.code = 2;
    world()->destinations[2][0] = 13;
    ObjectSlot* exit = Make(67);
    exit->placement = &placement;
    ObjectSlot* player = MakePlayer(0, 0);
    player->itemNumber = 0;
    world()->entries[0].flags = ENTRY_FLAG_DESTINATION_CHOSEN;
    Resolve(player, exit);
    EXPECT_EQ(world()->requestedLevel, -1);
    EXPECT_NE(world()->entries[0].flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0)
        << "reached, so the flag is kept";
    world()->entries[0].flags = 0;
    world()->player.pickupFlag = 1;
    Resolve(player, exit);
    EXPECT_EQ(world()->requestedLevel, 13);

    world()->currentLevel = 28;
    world()->requestedLevel = -1;
    world()->entries[0].flags = ENTRY_FLAG_DESTINATION_CHOSEN;
    player->x = kX + 500;
    world()->player.hudIcon1 = 1;
    world()->player.hudIcon2 = 1;
    Resolve(player, exit);
    EXPECT_NE(world()->entries[0].flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0) << "closed: nothing";
    world()->player.hudIcon1 = 2;
    Resolve(player, exit);
    EXPECT_EQ(world()->entries[0].flags & ENTRY_FLAG_DESTINATION_CHOSEN, 0);
    player->x = kX;
    Resolve(player, exit);
    EXPECT_EQ(world()->requestedLevel, 13);
    exit->placement = nullptr;
}

// ---- the chased character and the level objects -------------------------------------------------

TEST_F(PairRulesTest, TheChasedTriggerActsByCodeAndLevel) {
    struct Row {
        int32_t code, level, current;
        std::vector<ObjectMessage> toChased;
        int32_t second, vx, counter, flags; // vx starts at 5 pixels; -1: chased deleted
        bool triggerDeleted;
    } rows[] = {
        {1, 3, 0, {OBJ_EV_SET_STATE + (6 | kKeep)}, 1, 5, 0, 0, true},
        {1, 4, 0, {}, 1, 0, 0, 0, false},
        {1, 8, 4, {OBJ_EV_SET_STATE + kKeep}, 0, 5, 3, 0, false},
        {1, 8, 1, {}, 0, 5, 0, 0, false},
        {1, 9, 0, {OBJ_EV_PING}, 0, 5, 0, 0, false},
        {1, 10, 0, {}, 1, 0, 0, 16, false},
        {1, 11, 0, {OBJ_EV_SET_STATE + (34 | kKeep)}, 1, 5, 0, 0, false},
        {1, 11, 35, {}, 0, 5, 0, 0, false},
        {1, 1, 0, {}, kNone, 0, 0, 0, false},
        {2, 8, 0, {OBJ_EV_SET_STATE + (4 | kKeep)}, 1, 5, 0, 0, false},
        {2, 8, 5, {}, 0, 5, 0, 0, false},
        {2, 20, 0, {OBJ_EV_SET_STATE + 60}, 0, 5, 0, 0, false},
        {2, 20, 61, {}, 0, 5, 0, 0, false},
        {2, 1, 0, {OBJ_EV_STUN}, 0, 5, 0, 0, false},
        {3, 1, 0, {OBJ_EV_QUIET}, 0, 5, 0, 0, false},
        {4, 1, 0, {OBJ_EV_SPEED_A}, 0, 5, 0, 0, false},
        {5, 1, 0, {OBJ_EV_SPEED_B}, 0, 5, 0, 0, false},
        {6, 1, 0, {OBJ_EV_SPEED_OFF}, 0, 5, 0, 0, false},
        {7, 1, 0, {}, 0, 5, 0, 0, false},
        {0, 3, 0, {}, 0, 5, 0, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << row.code << " level " << row.level);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.code != 0 ? 240 + row.code : 0);
        Build(row.level);
        ObjectSlot* trigger = Make(66);
        trigger->itemNumber = 40;
        ObjectSlot* chased = Make(OBJT_CHASED, kX + 47, kY);
        ChasedState* c = C(chased);
        c->currentState = static_cast<int16_t>(row.current);
        c->vx = 5 * 65536;
        Resolve(chased, trigger);
        if (row.second == kNone) {
            EXPECT_EQ(chased->typeId, 0);
        } else {
            EXPECT_EQ(To(chased), row.toChased);
            EXPECT_EQ(c->secondCharacter, row.second);
            EXPECT_EQ(c->vx, row.vx * 65536);
            EXPECT_EQ(c->stateCounter, row.counter);
            EXPECT_EQ(c->flags, row.flags);
        }
        EXPECT_EQ(trigger->typeId == 0, row.triggerDeleted);
        EXPECT_EQ(IsWorldBitClear(world(), 40), !row.triggerDeleted);
        TearDown();
        SetUp();
    }
}

TEST_F(PairRulesTest, TheChasedJumpsAtJumpCellsByTheirCode) {
    struct Row {
        int32_t code, height;
    } rows[] = {{0, 25}, {1, 15}, {2, 20}, {3, 23}, {4, 25}, {5, 27},
                {6, 29}, {7, 31}, {8, 33}, {9, 25}, {15, 25}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        grid_.At(kCol - 1, kRow) = static_cast<uint8_t>(row.code != 0 ? 240 + row.code : 0);
        Build(1);
        ObjectSlot* cell = Make(OBJT_INERT);
        ObjectSlot* chased = Make(OBJT_CHASED, kX - 47, kY);
        C(chased)->currentState = CHASER_ST_BRAKE;
        C(chased)->requestedState = CHASER_ST_BRAKE;
        Resolve(chased, cell);
        EXPECT_EQ(C(chased)->vy, -row.height * 65536);
        EXPECT_EQ(C(chased)->jumpFlag, 1);
        EXPECT_EQ(C(chased)->requestedState, 36);
        Resolve(chased, cell);
        EXPECT_EQ(C(chased)->vy, -row.height * 65536) << "one jump until it lands";
        TearDown();
        SetUp();
    }
    Build(20);
    ObjectSlot* cell = Make(OBJT_INERT);
    ObjectSlot* chased = Make(OBJT_CHASED, kX + 10, kY);
    C(chased)->requestedState = CHASER_ST_WAIT + 1;
    Resolve(chased, cell);
    EXPECT_EQ(C(chased)->jumpFlag, 0) << "waiting on level 20";
    C(chased)->requestedState = 0;
    chased->x = kX + 48;
    Resolve(chased, cell);
    EXPECT_EQ(C(chased)->jumpFlag, 0) << "too far";
}

TEST_F(PairRulesTest, TheChasedCharacterMeetsTheOtherLevelObjects) {
    Build(1);
    SetWord(109, 30);
    SetWord(114, 2);
    ObjectSlot* chased = Make(OBJT_CHASED, kX + 39, kY);
    ChasedState* c = C(chased);

    ObjectSlot* marker = Make(8);
    Resolve(chased, marker);
    EXPECT_TRUE(To(chased).empty()) << "variant 0";
    L(marker)->variant = 1;
    c->currentState = 3;
    Resolve(chased, marker);
    EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + (8 | kKeep)});
    c->currentState = 4;
    Resolve(chased, marker);
    EXPECT_TRUE(To(chased).empty());
    DeleteObject(world(), marker);

    ObjectSlot* barrier = Make(15);
    c->x = (kX + 27) * 65536;
    Resolve(chased, barrier);
    EXPECT_EQ(c->x, (kX + 27) * 65536) << "not beyond word 109 - 3";
    c->x = (kX + 27) * 65536 + 1;
    c->vx = 0x40000;
    Resolve(chased, barrier);
    EXPECT_EQ(c->x, (kX + 30) * 65536);
    EXPECT_EQ(c->vx, 0);
    EXPECT_EQ(To(chased), std::vector<ObjectMessage>{OBJ_EV_SET_STATE + (28 | kKeep)});
    c->requestedState = CHASER_ST_STRIKE;
    Resolve(chased, barrier);
    EXPECT_TRUE(To(chased).empty()) << "already striking";
    DeleteObject(world(), barrier);

    ObjectSlot* drifter = Make(46);
    Resolve(chased, drifter);
    EXPECT_EQ(L(drifter)->struck, 1);
    EXPECT_EQ(L(drifter)->secondDriftFlag, 1);
    L(drifter)->secondDriftFlag = 0;
    Resolve(chased, drifter);
    EXPECT_EQ(L(drifter)->secondDriftFlag, 0) << "already struck";

    ObjectSlot* pickup = Make(70);
    K(pickup)->available = 1;
    c->vx = 0x10000;
    Resolve(chased, pickup);
    EXPECT_EQ(K(pickup)->available, 0);
    EXPECT_EQ(K(pickup)->takenState, PICKUP_TAKEN);
    EXPECT_EQ(c->vx, 3 * 65536);
    Resolve(chased, pickup);
    EXPECT_EQ(c->vx, 3 * 65536) << "taken once";

    ObjectSlot* platform = Make(79);
    Resolve(chased, platform);
    EXPECT_EQ(To(platform), std::vector<ObjectMessage>{kHit});
    chased->x = kX + 40;
    Resolve(chased, platform);
    EXPECT_TRUE(To(platform).empty());

    // Targets inside the box of its key record 1 are knocked out.
    ObjectSlot* target = Make(41, kX + 10, kY + 5);
    Resolve(chased, target);
    EXPECT_EQ(L(target)->struck, 0) << "no key record shown";
    ShowKey(chased, 1, -30, 0, 1, 6); // x + 10 .. x + 11, y .. y + 6
    Resolve(chased, target);
    EXPECT_EQ(L(target)->struck, 1);
    ObjectSlot* outside = Make(41, kX + 11, kY + 5);
    Resolve(chased, outside);
    EXPECT_EQ(L(outside)->struck, 0) << "right edge excluded";
    ObjectSlot* hazard = Make(49, kX + 10, kY + 5);
    Resolve(chased, hazard);
    EXPECT_EQ(L(hazard)->struck, 0) << "type 49 is not among the targets";
}

TEST_F(PairRulesTest, PairsWithoutARuleChangeNothing) {
    Build(1);
    ObjectSlot* pickup = Make(4);
    K(pickup)->available = 1;
    ObjectSlot* thrown = Make(OBJT_PROJECTILE_B);
    ObjectSlot* other = Make(49);
    ObjectSlot* chased = Make(OBJT_CHASED);
    Resolve(pickup, thrown);
    Resolve(other, thrown);
    Resolve(pickup, other);
    Resolve(chased, pickup);
    EXPECT_TRUE(gSeen.empty());
    EXPECT_NE(thrown->typeId, 0);
    EXPECT_EQ(K(pickup)->available, 1);

    // The pair scan hands the target first, whatever the slot order.
    ObjectSlot* target = Make(39);
    ProcessObjectPairs(world());
    EXPECT_EQ(L(target)->struck, 1);
    EXPECT_EQ(thrown->typeId, 0);
}

} // namespace
