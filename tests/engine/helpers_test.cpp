#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/helpers.h"

namespace {

TEST(ZAlloc, GivesZeroedBlocksAndNullForNonPositiveSizes) {
    EXPECT_EQ(ZAlloc(0), nullptr);
    EXPECT_EQ(ZAlloc(-4), nullptr);
    uint8_t* block = static_cast<uint8_t*>(ZAlloc(16));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(block[i], 0);
    FreeAndNull(&block);
    EXPECT_EQ(block, nullptr);
    FreeAndNull(&block); // a second free is a no-op
}

TEST(FillBytes, UsesTheLowByteOfTheValue) {
    uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    FillBytes(bytes + 1, 0x1AB, 4);
    EXPECT_EQ((std::vector<uint8_t>(bytes, bytes + 6)),
              (std::vector<uint8_t>{1, 0xAB, 0xAB, 0xAB, 0xAB, 6}));
    FillBytes(bytes, 0, -3); // a negative count writes nothing
    EXPECT_EQ(bytes[0], 1);
}

TEST(FatalExits, EndWithAFailureCodeAndTheMessage) {
    EXPECT_EXIT(FatalMessage("bad data\n"), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(FatalExit(), ::testing::ExitedWithCode(1), "");
}

TEST(WStr, CopyCatAndLength) {
    char16_t buf[32];
    WStrCopy(buf, u"abc");
    EXPECT_EQ(WStrLen(buf), 3);
    WStrCat(buf, u"de");
    EXPECT_EQ(std::u16string(buf), u"abcde");
    WStrCatN(buf, u"fghij", 2);
    EXPECT_EQ(std::u16string(buf), u"abcdefg");
    EXPECT_EQ(WStrLen(u""), 0);
}

TEST(WStr, CopyNWritesAtMostNUnitsAndATerminator) {
    char16_t buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    WStrCopyN(buf, u"0123456789", 3);
    EXPECT_EQ(std::u16string(buf), u"012");
    EXPECT_EQ(buf[4], u'#');
    WStrCopyN(buf, u"xy", 3);
    EXPECT_EQ(std::u16string(buf), u"xy");
}

TEST(ISqrt, ReferenceValuesAndEdges) {
    const uint32_t cases[][2] = {{0, 0},  {1, 1},  {2, 1},  {3, 2},  {10, 3},
                                 {12, 3}, {13, 4}, {15, 4}, {16, 4}, {0xFFFFFFFFu, 65536}};
    for (auto& c : cases)
        EXPECT_EQ(ISqrt(c[0]), c[1]) << c[0];
}

uint32_t RoundedSqrt(uint32_t n) {
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    while (r * r > n)
        --r;
    while ((r + 1) * (r + 1) <= n)
        ++r;
    // r = floor(sqrt n); round up when n > r^2 + r (i.e. sqrt n >= r + 0.5).
    return static_cast<uint32_t>(n > r * r + r ? r + 1 : r);
}

TEST(ISqrt, EqualsRoundToNearestOverSampledAndBoundaryInputs) {
    SetRandomState(kInitialRandomState);
    for (int i = 0; i < 200000; ++i) {
        uint32_t n = NextRandom() >> (i % 32);
        ASSERT_EQ(ISqrt(n), RoundedSqrt(n)) << n;
    }
    for (uint64_t r = 1; r <= 65536; ++r) {
        for (int64_t d = -2; d <= 2; ++d) {
            uint64_t n = r * r + r + d; // around the rounding boundary
            if (n <= 0xFFFFFFFFu) {
                ASSERT_EQ(ISqrt(static_cast<uint32_t>(n)), RoundedSqrt(static_cast<uint32_t>(n)));
            }
        }
    }
}

TEST(IntegerMaths, AbsAndSign) {
    EXPECT_EQ(IAbs(-5), 5);
    EXPECT_EQ(IAbs(5), 5);
    EXPECT_EQ(IAbs(INT32_MIN), INT32_MIN);
    EXPECT_EQ(Sign(-9), -1);
    EXPECT_EQ(Sign(0), 0);
    EXPECT_EQ(Sign(12), 1);
}

TEST(Random, SequenceFromTheInitialState) {
    SetRandomState(kInitialRandomState);
    const uint32_t expected[] = {0x88C00807u, 0xCC15059Cu, 0x21A6BE29u, 0x62806A9Bu, 0x4841C1D1u};
    for (uint32_t e : expected)
        EXPECT_EQ(NextRandom(), e);
    SetRandomState(kInitialRandomState);
    EXPECT_EQ(RandomInt(0, 99), 43);
}

uint32_t SerialLfsr(uint32_t s) {
    for (int i = 0; i < 32; ++i) {
        uint32_t f = ((s >> 31) ^ (s >> 6) ^ (s >> 4) ^ (s >> 2) ^ (s >> 1) ^ s) & 1u;
        s = (s >> 1) | (f << 31);
    }
    return s;
}

TEST(Random, MatchesTheOneBitAtATimeGenerator) {
    uint32_t probe = 0x12345678u;
    for (int i = 0; i < 100000; ++i) {
        probe = probe * 1664525u + 1013904223u;
        uint32_t start = probe | 1u;
        SetRandomState(start);
        ASSERT_EQ(NextRandom(), SerialLfsr(start)) << std::hex << start;
    }
}

TEST(Random, RangesStayInsideTheirBounds) {
    SetRandomState(kInitialRandomState);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(RandomInt(5, 5), 5);
        int32_t v = RandomInt(static_cast<uint32_t>(-3), 3);
        EXPECT_GE(v, -3);
        EXPECT_LE(v, 3);
        float f = Random(-1.5f, 2.5f);
        EXPECT_GE(f, -1.5f);
        EXPECT_LE(f, 2.5f);
    }
    // Random spreads the raw word over [min, max] in double precision.
    SetRandomState(kInitialRandomState);
    EXPECT_EQ(Random(-2.0f, 6.0f), static_cast<float>(-2.0 + 0x88C00807u * 8.0 / 4294967295.0));
    // The full 32-bit range does not divide by zero.
    uint32_t before = GetRandomState();
    RandomInt(0, 0xFFFFFFFFu);
    EXPECT_NE(GetRandomState(), before);
}

TEST(Random, CrtRandMatchesTheWindowsRuntime) {
    CrtSrand(1);
    EXPECT_EQ(CrtRand(), 41);
    EXPECT_EQ(CrtRand(), 18467);
    EXPECT_EQ(CrtRand(), 6334);
    EXPECT_EQ(CrtRand(), 26500);
    EXPECT_EQ(CrtRand(), 19169);
    SetCrtRandState(1);
    EXPECT_EQ(CrtRand(), 41);
}

TEST(FixedSin, TableRowsAreWithinTwoUnitsOfTheExactValues) {
    for (int k = 0; k < 128; ++k) {
        double a = k * 805 / 65536.0;
        EXPECT_NEAR(gSinTable[k][0], 65536 * std::sin(a), 2.0) << k;
        EXPECT_NEAR(gSinTable[k][1], 65536 * std::cos(a), 2.0) << k;
    }
    EXPECT_EQ(gSinTable[0][0], 0);
    EXPECT_EQ(gSinTable[0][1], 65536);
    EXPECT_EQ(gSinTable[1][0], 804);
}

TEST(FixedSin, FollowsTheExactSineOverASweep) {
    for (int32_t a = -500000; a <= 500000; a += 37) {
        double exact = 65536.0 * std::sin(a / 65536.0 * (2 * M_PI * 65536 / 411775.0));
        ASSERT_NEAR(FixedSin(a), exact, 10.0) << a;
    }
}

TEST(FixedSin, KeyAnglesPeriodAndOddness) {
    EXPECT_EQ(FixedSin(0), 0);
    EXPECT_NEAR(FixedSin(FIXED_QUARTER_TURN), 65536, 4);
    EXPECT_NEAR(FixedSin(-FIXED_QUARTER_TURN), -65536, 4);
    for (int32_t a = 0; a < FIXED_FULL_TURN; a += 1013) {
        EXPECT_EQ(FixedSin(a + FIXED_FULL_TURN), FixedSin(a));
        EXPECT_NEAR(FixedSin(-a), -FixedSin(a), 2);
    }
}

class DataListTest : public ::testing::Test {
protected:
    void SetUp() override {
        DataListInit(&list);
        for (int i = 0; i < 5; ++i)
            DataListInsert(&list, &i, sizeof(i), list.count, 0);
    }
    void TearDown() override { DataListClear(&list); }
    static int Value(const DataListNode* n) { return *static_cast<int*>(n->data); }
    std::vector<int> Contents() const {
        std::vector<int> out;
        const DataListNode* n = list.head;
        for (uint32_t i = 0; i < list.count; ++i, n = n->next)
            out.push_back(Value(n));
        return out;
    }
    DataList list;
};

TEST_F(DataListTest, NodeAtCountsFromEitherEnd) {
    EXPECT_EQ(DataListNodeAt(&list, 4, 0), list.tail);
    EXPECT_EQ(DataListNodeAt(&list, 0, 1), list.tail);
    EXPECT_EQ(DataListNodeAt(&list, 0, 0), list.head);
    EXPECT_EQ(Value(DataListNodeAt(&list, 1, 1)), 3);
    EXPECT_EQ(Value(DataListNodeAt(&list, 3, 0)), 3);
    EXPECT_EQ(DataListNodeAt(&list, 5, 0), nullptr);
    EXPECT_EQ(DataListNodeAt(&list, 0, 2), nullptr);
    // circular links
    EXPECT_EQ(list.tail->next, list.head);
    EXPECT_EQ(list.head->prev, list.tail);
}

TEST_F(DataListTest, InsertAtEveryPositionFromBothEnds) {
    int v = 9;
    DataListInsert(&list, &v, sizeof(v), 5, 0);
    EXPECT_EQ(Value(list.tail), 9);
    v = 8;
    DataListInsert(&list, &v, sizeof(v), 0, 1);
    EXPECT_EQ(Value(list.tail), 8);
    v = 7;
    DataListInsert(&list, &v, sizeof(v), 2, 0);
    v = 6;
    DataListInsert(&list, &v, sizeof(v), 1, 1); // stands one before the tail
    v = 5;
    DataListInsert(&list, &v, sizeof(v), list.count, 1); // becomes the head
    EXPECT_EQ((std::vector<int>{5, 0, 1, 7, 2, 3, 4, 9, 6, 8}), Contents());
    for (uint32_t i = 0; i < list.count; ++i)
        EXPECT_EQ(DataListNodeAt(&list, i, 0), DataListNodeAt(&list, list.count - 1 - i, 1));
    EXPECT_EQ(DataListInsert(&list, &v, sizeof(v), list.count + 1, 0), nullptr);
}

TEST_F(DataListTest, InsertLandsAtTheRequestedIndexForEveryIndex) {
    for (int end = 0; end <= 1; ++end) {
        for (uint32_t index = 0; index <= list.count; ++index) {
            DataList l;
            DataListInit(&l);
            for (int i = 0; i < 6; ++i)
                DataListInsert(&l, &i, sizeof(i), l.count, 0);
            int marker = 100;
            DataListNode* n = DataListInsert(&l, &marker, sizeof(marker), index, end);
            EXPECT_EQ(DataListNodeAt(&l, index, end), n) << index << " end " << end;
            DataListClear(&l);
        }
    }
}

TEST_F(DataListTest, RemoveKeepsHeadTailAndReuseWorks) {
    DataListRemove(&list, list.head);
    DataListRemove(&list, list.tail);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Contents());
    DataListRemove(&list, DataListNodeAt(&list, 1, 0));
    DataListRemove(&list, list.head);
    DataListRemove(&list, list.head);
    EXPECT_EQ(list.count, 0u);
    DataListRemove(&list, nullptr);
    int v = 42;
    DataListInsert(&list, &v, sizeof(v), 3, 1);
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.head->next, list.head);
    EXPECT_EQ(Value(list.head), 42);
}

// Node order seen from the head through `next` and from the tail through
// `prev`; both must agree with the model.
void ExpectListIs(const DataList& list, const std::vector<int>& model) {
    ASSERT_EQ(list.count, model.size());
    if (model.empty())
        return;
    const DataListNode* n = list.head;
    for (size_t i = 0; i < model.size(); ++i, n = n->next)
        ASSERT_EQ(*static_cast<int*>(n->data), model[i]) << "forward " << i;
    ASSERT_EQ(n, list.head);
    n = list.tail;
    for (size_t i = model.size(); i-- > 0; n = n->prev)
        ASSERT_EQ(*static_cast<int*>(n->data), model[i]) << "backward " << i;
    ASSERT_EQ(n, list.tail);
    for (uint32_t i = 0; i < list.count; ++i) {
        ASSERT_EQ(*static_cast<int*>(DataListNodeAt(&list, i, 0)->data), model[i]);
        ASSERT_EQ(*static_cast<int*>(DataListNodeAt(&list, i, 1)->data),
                  model[model.size() - 1 - i]);
    }
    ASSERT_EQ(DataListNodeAt(&list, list.count, 0), nullptr);
    ASSERT_EQ(DataListNodeAt(&list, list.count, 1), nullptr);
}

TEST(DataList, InsertAndRemoveMatchAVectorForEverySizeIndexAndEnd) {
    for (uint32_t size = 0; size <= 7; ++size) {
        for (int32_t end = 0; end <= 1; ++end) {
            for (uint32_t index = 0; index <= size; ++index) {
                DataList list;
                DataListInit(&list);
                std::vector<int> model;
                for (int v = 0; v < static_cast<int>(size); ++v) {
                    DataListInsert(&list, &v, sizeof(v), list.count, 0);
                    model.push_back(v);
                }
                int marker = 100;
                ASSERT_NE(DataListInsert(&list, &marker, sizeof(marker), index, end), nullptr);
                model.insert(end == 0 ? model.begin() + index : model.end() - index, marker);
                ExpectListIs(list, model);
                // Remove at the same index from the other end.
                uint32_t back = static_cast<uint32_t>(model.size()) - 1 - index;
                DataListRemove(&list, DataListNodeAt(&list, back, 1 - end));
                model.erase(end == 0 ? model.begin() + index : model.end() - 1 - index);
                ExpectListIs(list, model);
                DataListClear(&list);
            }
        }
    }
}

TEST(DataList, EmptyPayloadsAndPointerPayloads) {
    DataList list;
    DataListInit(&list);
    DataListNode* empty = DataListInsert(&list, nullptr, 0, 0, 0);
    EXPECT_EQ(empty->data, nullptr);
    int target = 0;
    DataListNode* n = DataListInsertPointer(&list, &target, list.count, 0);
    EXPECT_EQ(n->size, sizeof(void*));
    EXPECT_EQ(DataListPointer<int>(n), &target);
    EXPECT_EQ(DataListPointer<int>(empty), nullptr);
    DataListClear(&list);
    EXPECT_EQ(list.count, 0u);
}

} // namespace
