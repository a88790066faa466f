// User volumes onto the channels, and stereo levels from offset and distance.
#include <gtest/gtest.h>

#include <SDL_mixer.h>
#include <cstdlib>
#include <cstring>

#include "media/mmplay.h"
#include "media/volume.h"
#include "menus/save_file.h"

namespace {

struct Levels {
    int32_t left, right;
};

Levels Position(int32_t pan, int32_t distance) {
    Levels levels{};
    ComputeChannelPosition(pan, distance, &levels.left, &levels.right);
    return levels;
}

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        std::memset(&gSaveBlock, 0, sizeof(gSaveBlock));
        ASSERT_EQ(gMMplay.Open(44100, AUDIO_S16LSB, 2, 4096, 64, nullptr), 0);
        SDL_PauseAudio(1);
    }
    void TearDown() override {
        gMMplay.Close();
        std::memset(&gSaveBlock, 0, sizeof(gSaveBlock));
    }
    static int Volume(int ch) { return Mix_Volume(ch, -1); }
    static void SetAll(int volume) {
        for (int ch = 0; ch < 64; ++ch)
            Mix_Volume(ch, volume);
    }
};

} // namespace

TEST(StereoPosition, LevelsFromOffsetAndDistance) {
    struct Case {
        int32_t pan, distance, left, right;
    } cases[] = {
        {0, 0, 255, 255},
        {100, 0, 193, 243},
        {-100, 0, 243, 193},
        {0, 80, 245, 245},
        {600, 0, 0, 180},
        {-600, 0, 180, 0},
        {0, -80, 245, 245},
        {7, 7, 252, 255},
        {0, 5000, 0, 0},
        {INT32_MAX, INT32_MAX, 0, 0},
        {INT32_MIN, INT32_MIN, 0, 0},
    };
    for (const Case& c : cases) {
        Levels levels = Position(c.pan, c.distance);
        EXPECT_EQ(levels.left, c.left) << "pan " << c.pan << " distance " << c.distance;
        EXPECT_EQ(levels.right, c.right) << "pan " << c.pan << " distance " << c.distance;
    }
}

TEST(StereoPosition, LevelsFallWithTheSquareOfTheDistance) {
    EXPECT_EQ(ComputeChannelDistance(0), 255);
    EXPECT_EQ(ComputeChannelDistance(100), 252);
    EXPECT_EQ(ComputeChannelDistance(-100), 252);
    EXPECT_EQ(ComputeChannelDistance(874), 1);
    EXPECT_EQ(ComputeChannelDistance(875), 0);
    EXPECT_EQ(ComputeChannelDistance(46341), 0) << "the square would wrap in 32 bits";
    EXPECT_EQ(ComputeChannelDistance(INT32_MAX), 0);
}

TEST_F(VolumeTest, SetVolumesStoresInTheCurrentUserOnlyAndApplies) {
    gSaveBlock.currentUser = 1;
    SetVolumes(100, 40);
    EXPECT_EQ(gSaveBlock.users[1].effectsVolume, 100);
    EXPECT_EQ(gSaveBlock.users[1].musicVolume, 40);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 0);
    EXPECT_EQ(gSaveBlock.users[2].musicVolume, 0);
    EXPECT_EQ(Volume(0), 40);
    for (int ch = 1; ch < 64; ++ch)
        ASSERT_EQ(Volume(ch), 100) << ch;
}

TEST_F(VolumeTest, StoredValuesChangeNothingAndMinusOneReapplies) {
    gSaveBlock.currentUser = 2;
    gSaveBlock.users[2].effectsVolume = 90;
    gSaveBlock.users[2].musicVolume = 30;
    SetAll(7);
    SetVolumes(90, 30);
    EXPECT_EQ(Volume(0), 7);
    EXPECT_EQ(Volume(5), 7);
    SetVolumes(-1, -1);
    EXPECT_EQ(Volume(0), 30);
    EXPECT_EQ(Volume(5), 90);
    EXPECT_EQ(Volume(63), 90);
    EXPECT_EQ(gSaveBlock.users[2].effectsVolume, 90);
}

TEST_F(VolumeTest, ForeignUserIndexIsIgnored) {
    SetAll(11);
    for (int32_t index : {-1, 3, 1000000}) {
        gSaveBlock.currentUser = index;
        SetVolumes(128, 128);
        SetVolumes(-1, -1);
    }
    EXPECT_EQ(Volume(0), 11);
    EXPECT_EQ(Volume(1), 11);
    for (const UserRecord& user : gSaveBlock.users)
        EXPECT_EQ(user.effectsVolume, 0);
}

TEST_F(VolumeTest, TemporaryVolumesStoreNothing) {
    gSaveBlock.currentUser = 0;
    SetVolumesTemporary(20, -1);
    EXPECT_EQ(Volume(1), 20);
    EXPECT_EQ(Volume(0), MIX_MAX_VOLUME);
    SetVolumesTemporary(-1, 64);
    EXPECT_EQ(Volume(0), 64);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 0);
    EXPECT_EQ(gSaveBlock.users[0].musicVolume, 0);
}
