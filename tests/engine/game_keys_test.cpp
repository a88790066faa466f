#include <gtest/gtest.h>

#include "engine/game_keys.h"

namespace {

constexpr int kSpace = 32, kReturn = 13, kF1 = 282, kEscape = 27, kLeft = 276;

class GameKeysTest : public ::testing::Test {
protected:
    void SetUp() override { ClearGameKeys(); }
};

TEST_F(GameKeysTest, TableFollowsTheKeypadLayout) {
    EXPECT_EQ(GameKeyBit(kEscape), 0x1u);
    EXPECT_EQ(GameKeyBit('0'), 0x2u);
    EXPECT_EQ(GameKeyBit('s'), 0x8u);
    EXPECT_EQ(GameKeyBit('w'), 0x200u);
    EXPECT_EQ(GameKeyBit('#'), 0x1000u);
    EXPECT_EQ(GameKeyBit(kLeft), 0x2000u);
    EXPECT_EQ(GameKeyBit(274), 0x10000u);
    EXPECT_EQ(GameKeyBit(kReturn), 0x20000u);
    EXPECT_EQ(GameKeyBit(kSpace), 0x40000u);
    EXPECT_EQ(GameKeyBit(0), 0x80000u);
    EXPECT_EQ(GameKeyBit(kF1), 0u);
}

TEST_F(GameKeysTest, EverySlotHoldsItsKey) {
    const int32_t expected[32] = {27,  '0', '1', 's', '3', 'a', '5', 'd', '7', 'w',
                                  '9', '*', '#', 276, 275, 273, 274, 13,  32};
    for (int bit = 0; bit < 32; ++bit)
        EXPECT_EQ(gGameKeyTable[bit], expected[bit]) << bit;
    for (int bit = 0; bit < 19; ++bit)
        EXPECT_EQ(GameKeyBit(expected[bit]), 1u << bit) << bit;
}

TEST_F(GameKeysTest, PressAndReleaseInOneFrameIsSeenForThatFrameOnly) {
    EndGameKeyFrame();
    GameKeyDown(kSpace);
    GameKeyUp(kSpace);
    EXPECT_EQ(gGameKeysPressed, 0x40000u);
    EXPECT_EQ(gGameKeysHeld, 0u);
    EndGameKeyFrame();
    EXPECT_EQ(gGameKeysPressed, 0u);
}

TEST_F(GameKeysTest, HeldKeyStaysPressedUntilAReaderClearsIt) {
    GameKeyDown(kSpace);
    for (int frame = 0; frame < 10; ++frame) {
        EndGameKeyFrame();
        EXPECT_EQ(gGameKeysPressed, 0x40000u);
    }
    GameKeyDown(kReturn);
    gGameKeysPressed &= ~0x20000u; // a reader consumes Return
    for (int frame = 0; frame < 3; ++frame) {
        EndGameKeyFrame();
        EXPECT_EQ(gGameKeysPressed & 0x20000u, 0u);
        EXPECT_EQ(gGameKeysHeld & 0x20000u, 0x20000u);
    }
    GameKeyUp(kReturn);
    GameKeyDown(kReturn);
    EXPECT_EQ(gGameKeysPressed & 0x20000u, 0x20000u);
}

TEST_F(GameKeysTest, KeysOutsideTheTableChangeNothing) {
    GameKeyDown(kF1);
    EXPECT_EQ(gGameKeysPressed, 0u);
    EXPECT_EQ(gGameKeysHeld, 0u);
}

TEST_F(GameKeysTest, SymbolZeroNeverSurvivesAFrameStartInThePressedMask) {
    GameKeyDown(0);
    EXPECT_EQ(gGameKeysPressed, 0x80000u);
    EXPECT_EQ(gGameKeysHeld, 0x80000u);
    EndGameKeyFrame();
    EXPECT_EQ(gGameKeysPressed, 0u);
    EXPECT_EQ(gGameKeysHeld, 0x80000u);
    GameKeyUp(0);
    EXPECT_EQ(gGameKeysHeld, 0u);
}

} // namespace
