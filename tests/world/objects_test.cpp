#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "world/behaviour_state.h"
#include "world/behaviours/behaviours.h"
#include "world/game_world.h"

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;
using React = std::function<void(GameWorld*, ObjectSlot*, ObjectMessage)>;
using PairReact = std::function<void(GameWorld*, ObjectSlot*, ObjectSlot*)>;

// Every test type logs (slot, message, current object), then does whatever
// the test scripted; the recording resolver logs (first, second) likewise.
std::vector<std::vector<int32_t>> gLog;
React gReact;
Pairs gPairs;
PairReact gPairReact;

void TestHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    gLog.push_back({object->index, static_cast<int32_t>(message), world->currentObject});
    if (gReact)
        gReact(world, object, message);
}

void RecordPair(GameWorld* world, ObjectSlot* first, ObjectSlot* second) {
    gPairs.emplace_back(first->index, second->index);
    if (gPairReact)
        gPairReact(world, first, second);
}

constexpr uint8_t kTracked = 9; // 10 and up stay unregistered

void InstallTestTypes(GameWorld* world) {
    for (int32_t id = 1; id <= 8; ++id)
        RegisterObjectType(world, id, TestHandler, EmptyDraw, OBJ_KIND_ORDINARY, 20, 0);
    RegisterObjectType(world, kTracked, TestHandler, EmptyDraw, OBJ_KIND_TRACKED, 0, 0);
}

class Objects : public ::testing::Test {
protected:
    void SetUp() override {
        SetObjectTypeInstaller(InstallTestTypes);
        SetObjectPairResolver(RecordPair);
        InstallObjectTypes(world);
        gLog.clear();
    }
    void TearDown() override {
        gReact = nullptr;
        gPairReact = nullptr;
        DeleteObjectsExceptType(world, -1);
        SetObjectTypeInstaller(nullptr);
        SetObjectPairResolver(nullptr);
        DeleteGameWorld(world);
    }
    ObjectSlot* Make(uint32_t type) { return CreateObject(world, 0, 0, type, 0, 0); }
    ObjectSlot* Slot(int32_t i) { return &world->slots[i]; }

    GameWorld* world = NewGameWorld();
};

TEST_F(Objects, SlotsAreReusedLowestFirstAndTheTopShrinksPastHoles) {
    // (create: 1 / delete: 0, slot, expected highest, expected live)
    const int32_t steps[][4] = {{1, 0, 0, 1}, {1, 1, 1, 2},  {1, 2, 2, 3}, {1, 3, 3, 4},
                                {0, 1, 3, 3}, {0, 2, 3, 2},  {1, 1, 3, 3}, {0, 3, 1, 2},
                                {0, 0, 1, 1}, {0, 1, -1, 0}, {1, 0, 0, 1}};
    for (auto& s : steps) {
        if (s[0] == 1) {
            ObjectSlot* o = Make(1);
            ASSERT_NE(o, nullptr);
            EXPECT_EQ(o->index, s[1]);
            EXPECT_EQ(o->itemNumber, -1);
        } else {
            DeleteObject(world, Slot(s[1]));
        }
        EXPECT_EQ(Slot(s[1])->logic != nullptr, s[0] == 1); // 20 bytes: two units
        EXPECT_EQ(world->highestSlot, s[2]);
        EXPECT_EQ(world->liveObjects, s[3]);
    }
}

TEST_F(Objects, CreationFromTheCurrentObjectAndTheLimits) {
    for (int i = 0; i < kObjectSlotCount; ++i)
        ASSERT_NE(Make(1), nullptr);
    EXPECT_EQ(Make(1), nullptr);
    DeleteObject(world, Slot(5));
    DeleteObject(world, Slot(20));
    // From slot 10 the hole at 5 is out of reach: the hole at 20 is taken,
    // and the next search from 10 finds no room at all.
    std::vector<ObjectSlot*> made;
    gReact = [&](GameWorld* w, ObjectSlot*, ObjectMessage) {
        made.push_back(CreateObject(w, 0, 0, 2 | OBJ_CREATE_FROM_CURRENT, 0, 0));
    };
    SendObjectMessage(world, Slot(10), 3);
    SendObjectMessage(world, Slot(10), 3);
    gReact = nullptr;
    EXPECT_EQ(made, (std::vector<ObjectSlot*>{Slot(20), nullptr}));
    EXPECT_EQ(world->liveObjects, kObjectSlotCount - 1);
    // Type 0, unregistered, past the registry, or an id whose low byte alone
    // would be valid: null, and the hole stays free.
    for (uint32_t word : {0u, 0x10000u, 10u, 128u, 0x101u, 0x180u})
        EXPECT_EQ(CreateObject(world, 0, 0, word, 1, 0), nullptr) << word;
    EXPECT_EQ(world->liveObjects, kObjectSlotCount - 1);
    // Outside any handler the flag searches from slot 0.
    EXPECT_EQ(CreateObject(world, 0, 0, 2 | OBJ_CREATE_FROM_CURRENT, 0, 0), Slot(5));
}

TEST_F(Objects, MessagesRestoreTheCurrentObjectAndTrackOnlyLiveObjects) {
    ObjectSlot* a = Make(1);
    ObjectSlot* b = CreateObject(world, 12, 34, kTracked, 0, 0);
    b->itemNumber = 5;
    gReact = [&](GameWorld* w, ObjectSlot* o, ObjectMessage m) {
        if (o == a) {
            SendObjectMessage(w, b, 2);
            gLog.push_back({-1, 0, w->currentObject}); // back in a's handler
        } else if (m == 3) {
            DeleteObject(w, o); // its destroy message copies the last position
            o->x = 99;
        }
    };
    SendObjectMessage(world, a, 1);
    EXPECT_EQ(gLog, (std::vector<std::vector<int32_t>>{{0, 1, 0}, {1, 2, 1}, {-1, 0, 0}}));
    EXPECT_EQ(world->currentObject, -1);
    EXPECT_EQ(world->entries[5].x, 12);
    EXPECT_EQ(world->entries[5].y, 34);
    // One past the entry table: the world, padding and all, stays as it was.
    b->itemNumber = kEntryRecordCount;
    std::vector<uint8_t> before(sizeof(GameWorld));
    std::memcpy(before.data(), world, sizeof(GameWorld));
    SendObjectMessage(world, b, 2);
    EXPECT_EQ(std::memcmp(before.data(), world, sizeof(GameWorld)), 0);
    b->itemNumber = 6;
    b->x = 7;
    SendObjectMessage(world, b, 3);
    EXPECT_EQ(world->entries[6].x, 7);
}

TEST_F(Objects, DeletionIsNotReentrantAndUnlinksItsPlacement) {
    world->codeTypes[40] = 3;
    PlacementRecord p{100, 200, -1, -2, 40};
    ObjectSlot* o = CreateObjectFromPlacement(world, &p);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->itemNumber, 65534); // taken-bit numbers are unsigned
    EXPECT_EQ(p.liveSlot, o->index);
    const ObjectRef ref = MakeObjectRef(o);
    EXPECT_EQ(ResolveObjectRef(world, ref, 3), o);
    EXPECT_EQ(ResolveObjectRef(world, ref, 4), nullptr);
    gReact = [](GameWorld* w, ObjectSlot* self, ObjectMessage m) {
        if (m == OBJ_MSG_DESTROY)
            DeleteObject(w, self);
    };
    DeleteObject(world, o);
    EXPECT_EQ(gLog, (std::vector<std::vector<int32_t>>{
                        {0, static_cast<int32_t>(OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS), 0},
                        {0, static_cast<int32_t>(OBJ_MSG_DESTROY), 0}}));
    EXPECT_EQ(world->liveObjects, 0);
    EXPECT_EQ(p.liveSlot, -1);
    EXPECT_EQ(Make(3), o); // the same slot, a new object: the old reference is stale
    EXPECT_EQ(ResolveObjectRef(world, ref), nullptr);
    PlacementRecord far{0, 0, -1, 0, 256 + 40}; // past the code table
    EXPECT_EQ(CreateObjectFromPlacement(world, &far), nullptr);
}

TEST_F(Objects, FindNextWalksOneTypeAndDeleteExceptKeepsIt) {
    for (uint8_t t : {2, 3, 2, 2, 5})
        Make(t);
    DeleteObject(world, Slot(2));
    uint16_t index = 0;
    std::vector<int32_t> found;
    while (ObjectSlot* o = FindNextObjectOfType(world, &index, 2))
        found.push_back(o->index);
    EXPECT_EQ(found, (std::vector<int32_t>{0, 3}));
    EXPECT_EQ(index, 5);
    DeleteObjectsExceptType(world, 2);
    EXPECT_EQ(world->liveObjects, 2);
    EXPECT_EQ(world->highestSlot, 3);
}

TEST_F(Objects, PairScanOrderAndChangesDuringTheScan) {
    const std::vector<std::pair<PairReact, Pairs>> cases = {
        {nullptr, {{1, 0}, {0, 2}, {4, 0}, {1, 2}, {1, 4}, {4, 2}}},
        // An object made by a rule joins the same scan.
        {[](GameWorld* w, ObjectSlot* f, ObjectSlot* s) {
             if (f->index == 1 && s->index == 0)
                 CreateObject(w, 0, 0, 1, 0, 0);
         },
         {{1, 0}, {0, 2}, {4, 0}, {5, 0}, {1, 2}, {1, 4}, {5, 1}, {4, 2}, {5, 2}, {5, 4}}},
        // Slot a deleted mid-row ends its row.
        {[](GameWorld* w, ObjectSlot* f, ObjectSlot* s) {
             if (f->index == 0 && s->index == 2)
                 DeleteObject(w, f);
         },
         {{1, 0}, {0, 2}, {1, 2}, {1, 4}, {4, 2}}},
        // A deleted slot b is skipped.
        {[](GameWorld* w, ObjectSlot* f, ObjectSlot*) {
             if (f->index == 1)
                 DeleteObject(w, &w->slots[2]);
         },
         {{1, 0}, {4, 0}, {1, 4}}},
    };
    for (const auto& [react, expected] : cases) {
        DeleteObjectsExceptType(world, -1);
        for (uint8_t t : {5, 3, 5, 7, 3})
            Make(t);
        Slot(3)->flags = OBJ_FLAG_NO_PAIRS;
        gPairs.clear();
        gPairReact = react;
        ProcessObjectPairs(world);
        EXPECT_EQ(gPairs, expected);
    }
}

TEST(ObjectRegistry, SizesRoundUpToUnitsAndTheLimitIsFatal) {
    GameWorld* world = NewGameWorld();
    const std::pair<int32_t, int32_t> sizes[] = {{0, 0}, {1, 1}, {16, 1}, {17, 2}, {2016, 126}};
    for (auto [bytes, units] : sizes) {
        RegisterObjectType(world, 7, EmptyHandler, EmptyDraw, 0, bytes, bytes);
        EXPECT_EQ(world->types[7].logicUnits, units) << bytes;
        EXPECT_EQ(world->types[7].drawUnits, units) << bytes;
    }
    // The message goes to standard output; point it at the captured stream.
    EXPECT_EXIT((dup2(2, 1), RegisterObjectType(world, 7, EmptyHandler, EmptyDraw, 0, 2017, 0)),
                ::testing::ExitedWithCode(1), "^Object calc size of ID=7 \n$");
    EXPECT_EXIT((dup2(2, 1), RegisterObjectType(world, 9, EmptyHandler, EmptyDraw, 0, 0, 2017)),
                ::testing::ExitedWithCode(1), "^Object draw size of ID=9 \n$");
    DeleteGameWorld(world);
}

TEST(ObjectRegistry, TheGameRegistersSeventyTwoTypes) {
    GameWorld* world = NewGameWorld();
    RegisterObjectTypes(world);
    int32_t registered = 0;
    for (const ObjectType& t : world->types)
        registered += t.handler != nullptr ? 1 : 0;
    EXPECT_EQ(registered, 72);
    // The ends of the 29-53 run, and the only tracked type.
    EXPECT_EQ(world->types[28].handler, nullptr);
    EXPECT_EQ(world->types[29].handler, LevelObjectHandler);
    EXPECT_EQ(world->types[53].handler, LevelObjectHandler);
    EXPECT_EQ(world->types[54].handler, nullptr);
    EXPECT_EQ(world->types[OBJT_PLAYER].kind, OBJ_KIND_TRACKED);
    EXPECT_EQ(world->types[OBJT_PLAYER].logicUnits, static_cast<int8_t>((sizeof(PlayerState) + 15) / 16));
    DeleteGameWorld(world);
}

TEST(TakenBits, NumberingAndRange) {
    GameWorld* world = NewGameWorld();
    // (n, byte, mask); byte -1: nothing is stored.
    const int32_t cases[][3] = {{0, 0, 1},   {9, 1, 2},       {131071, 16383, 0x80},
                                {-1, -1, 0}, {131072, -1, 0}, {1 << 30, -1, 0}};
    for (auto& c : cases) {
        SetWorldBit(world, c[0], 1);
        if (c[1] < 0) {
            EXPECT_EQ(IsWorldBitClear(world, c[0]), c[0] >= 0) << c[0];
            continue;
        }
        EXPECT_EQ(world->takenBits[c[1]], c[2]) << c[0];
        EXPECT_FALSE(IsWorldBitClear(world, c[0]));
        SetWorldBit(world, c[0], 0);
        EXPECT_TRUE(IsWorldBitClear(world, c[0]));
    }
    for (uint8_t b : world->spareTaken)
        ASSERT_EQ(b, 0);
    DeleteGameWorld(world);
}

TEST(LevelCounters, ModesClearTheirWordsByNumber) {
    GameWorld* world = NewGameWorld();
    // Bit w - 1 set: word w (numbered from 1) is cleared.
    const std::pair<int32_t, uint32_t> modes[] = {{0, 0x1C7}, {1, 0x31FF}, {2, 0}, {-1, 0}};
    for (auto [mode, cleared] : modes) {
        int32_t words[14];
        for (int i = 0; i < 14; ++i)
            words[i] = 0x1000 + i;
        std::memcpy(&world->player, words, sizeof words);
        ClearLevelCounters(world, mode);
        std::memcpy(words, &world->player, sizeof words);
        for (int i = 0; i < 14; ++i)
            EXPECT_EQ(words[i], (cleared >> i) & 1 ? 0 : 0x1000 + i) << mode << " " << i + 1;
    }
    DeleteGameWorld(world);
}

} // namespace
