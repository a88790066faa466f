#include <gtest/gtest.h>

#include <cstring>

#include "world/game_world.h"

namespace {

TEST(LevelWord, ReadsLittleEndianWordsAndZeroPastTheResource) {
    GameWorld* world = NewGameWorld();
    // Two whole words and a stray byte that is not a word.
    const uint8_t table[] = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x55};
    world->levelTable = table;
    world->levelTableSize = sizeof table;
    const int32_t cases[][2] = {{0, 0x04030201}, {1, -2}, {2, 0}, {-1, 0}, {1 << 29, 0}};
    for (auto& c : cases)
        EXPECT_EQ(LevelWord(world, c[0]), c[1]) << c[0];
    EXPECT_EQ(LevelDivisor(world, 2), 1);
    world->levelTable = nullptr;
    EXPECT_EQ(LevelWord(world, 0), 0);
    DeleteGameWorld(world);
}

TEST(LevelStatusRecord, HasAFixedTwentyEightByteForm) {
    const LevelStatusRecord record{0x0102, 0x0304, 0x0506, 0x0708, -2, 0x11223344, 7, 500, 3};
    uint8_t bytes[kLevelStatusFileBytes];
    std::memset(bytes, 0xEE, sizeof bytes);
    WriteLevelStatusRecord(record, bytes);
    const uint8_t expected[kLevelStatusFileBytes] = {
        0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07, 0xFE, 0xFF, 0xFF, 0xFF, 0x44, 0x33,
        0x22, 0x11, 7,    0,    0,    0,    0xF4, 0x01, 0,    0,    3,    0,    0,    0};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
    const LevelStatusRecord back = ReadLevelStatusRecord(bytes);
    EXPECT_EQ(std::memcmp(&back, &record, sizeof back), 0);
}

} // namespace
