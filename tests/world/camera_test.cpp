#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "world/camera.h"
#include "world/game_world.h"

namespace {

constexpr int32_t kPx = 65536;

// An 800 by 600 view over a 6400 by 3200 pixel map: maximum (5599, 2599).
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCameraViewSize(world, 800, 600);
        SetCameraMapSize(world, 200, 100);
    }
    void TearDown() override { DeleteGameWorld(world); }
    ObjectSlot* Follow(int16_t x, int16_t y, int slot = 3) {
        ObjectSlot& s = world->slots[slot];
        s = ObjectSlot{};
        s.typeId = 1;
        s.serial = 7;
        s.x = x;
        s.y = y;
        s.lookAheadX = s.lookAheadY = kNoLookAhead;
        CameraFollow(world, &s);
        return &s;
    }
    int32_t AnchorX() const { return world->camera.offsets[0][0] / kPx; }
    int32_t AnchorY() const { return world->camera.offsets[0][1] / kPx; }

    GameWorld* world = NewGameWorld();
    Camera& cam = world->camera;
};

TEST_F(CameraTest, DeadZoneEdgesAndLocksDecideTheAnchorPush) {
    // Zone 0: left 200, top 150, 400 by 300. Zone 1: left 400, top 300,
    // -200 by -150, where a point between the edges is past both and the
    // push toward left (top) wins.
    const int16_t zones[2][4] = {{256, 256, 512, 512}, {512, 512, -256, -256}};
    struct Row {
        int zone, dx, dy, lock, moveX, moveY;
    };
    const Row rows[] = {{0, 600, 450, 0, 0, 0},
                        {0, 601, 150, 0, 1, 0},
                        {0, 199, 150, 0, -1, 0},
                        {0, 300, 451, 0, 0, 1},
                        {0, 300, 149, 0, 0, -1},
                        {0, 900, 900, CAMERA_LOCK_X, 0, 450},
                        {0, 900, 900, CAMERA_LOCK_Y, 300, 0},
                        {0, 0, 0, CAMERA_LOCK_X | CAMERA_LOCK_Y, 0, 0},
                        {1, 300, 200, 0, -100, -100},
                        {1, 201, 151, 0, -199, -149},
                        {1, 399, 299, 0, -1, -1},
                        {1, 200, 150, 0, -200, -150},
                        {1, 500, 400, 0, 300, 250},
                        {1, 100, 100, 0, -300, -200},
                        {1, 300, 200, CAMERA_LOCK_X, 0, -100},
                        {1, 300, 200, CAMERA_LOCK_Y, -100, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(&r - rows);
        const int16_t* f = zones[r.zone];
        SetCameraDeadZone(world, f[0], f[1], f[2], f[3]);
        JumpCamera(world, 1000, 1000);
        Follow(static_cast<int16_t>(1000 + r.dx), static_cast<int16_t>(1000 + r.dy));
        cam.lockFlags = r.lock;
        UpdateCamera(world);
        EXPECT_EQ(AnchorX() - 1000, r.moveX);
        EXPECT_EQ(AnchorY() - 1000, r.moveY);
    }
}

TEST_F(CameraTest, LookAheadMovesNinePixelsAFrameAndLeadsThePoint) {
    struct Row {
        int16_t start, requested;
        int updates;
    };
    for (const Row& r : {Row{0, 100, 12}, Row{-5, -1023, 114}}) { // -1023 is a request
        Follow(2000, 1000)->lookAheadX = r.requested;
        cam.lookAheadX = r.start;
        cam.lookAheadY = 7; // no vertical request: kept, but still added
        int n = 0;
        for (; cam.lookAheadX != r.requested && n < 1000; ++n) {
            UpdateCamera(world); // the empty dead zone puts the anchor on the point
            EXPECT_EQ(AnchorX(), 2000 + cam.lookAheadX);
        }
        EXPECT_EQ(n, r.updates) << r.start << "->" << r.requested;
        EXPECT_EQ(AnchorY(), 1007);
    }
}

TEST_F(CameraTest, EasingDivisorShrinksWithDistancePerAxis) {
    cam.lockFlags = CAMERA_LOCK_X | CAMERA_LOCK_Y;
    struct Row {
        int d, divisor;
    };
    for (const Row& r : {Row{299, 8}, Row{300, 4}, Row{599, 4}, Row{600, 3}, Row{899, 3},
                         Row{900, 2}, Row{2099, 2}, Row{2100, 1}, Row{-299, 8}, Row{-2100, 1}}) {
        const int from = r.d < 0 ? 2500 : 100;
        cam.positionX = cam.positionY = from * kPx;
        cam.offsets[0][0] = (from + r.d) * kPx;
        cam.offsets[0][1] = (from + 1) * kPx; // y keeps its own divisor, 8
        UpdateCamera(world);
        EXPECT_EQ(cam.positionX, (from * kPx) + r.d * kPx / r.divisor) << r.d;
        EXPECT_EQ(cam.positionY, (from * kPx) + kPx / 8);
    }
}

TEST_F(CameraTest, TargetIsClampedToTheMapWithEdgeFlags) {
    const int32_t mx = 5599 * kPx, my = 2599 * kPx;
    // Anchor (5, 5) units; pair 1, or every pair 1 to 7, holds (x, y).
    struct Row {
        int32_t x, y;
        bool all;
        int32_t targetX, targetY, flags;
    };
    const Row rows[] = {{mx - 5, my - 5, false, mx, my, 0},
                        {100, 50, true, 705, 355, 0},
                        {mx - 4, -6, false, mx, 0, 1 | 8},
                        {-6, my - 4, false, 0, my, 2 | 4},
                        {INT32_MAX, INT32_MIN, true, mx, 0, 9}};
    for (const Row& r : rows) {
        for (int k = 1; k < 8; ++k) {
            cam.offsets[k][0] = k == 1 || r.all ? r.x : 0;
            cam.offsets[k][1] = k == 1 || r.all ? r.y : 0;
        }
        cam.offsets[0][0] = cam.offsets[0][1] = 5;
        EXPECT_EQ(IntegrateCamera(world), r.flags) << r.x << "," << r.y;
        EXPECT_EQ(cam.targetX, r.targetX) << r.x;
        EXPECT_EQ(cam.targetY, r.targetY) << r.y;
        EXPECT_EQ(cam.offsets[0][0], 5); // the anchor itself is left alone
    }
    for (auto& pair : cam.offsets)
        pair[0] = pair[1] = 0;
    SetCameraMapSize(world, 10, 5); // smaller than the view: every clamp ends at 0
    JumpCamera(world, 100, 100);
    EXPECT_EQ(cam.positionX | cam.positionY | cam.offsets[0][0] | cam.offsets[0][1], 0);
    EXPECT_EQ(IntegrateCamera(world), 15);
    EXPECT_EQ(cam.targetX | cam.targetY, 0);
}

TEST_F(CameraTest, DeadZoneFactorsRoundTowardZero) {
    SetCameraViewSize(world, 640, 480); // 640 x 32767 / 1024 = 20479.4
    SetCameraDeadZone(world, -3, 1023, 32767, -32768);
    EXPECT_EQ((std::vector<int32_t>{cam.deadZoneLeft, cam.deadZoneTop, cam.deadZoneWidth,
                                    cam.deadZoneHeight}),
              (std::vector<int32_t>{-1, 479, 20479, -15360}));
}

TEST_F(CameraTest, FollowsOnlyTheSameLiveObject) {
    ObjectSlot* f = Follow(900, 700, 1023);
    struct Row {
        uint8_t typeId;
        uint32_t serial;
        bool followed;
    };
    for (const Row& r : {Row{1, 7, true}, Row{0, 7, false}, Row{5, 8, false}}) { // freed, reused
        f->typeId = r.typeId;
        f->serial = r.serial;
        cam.viewOffsetX = -1;
        const int32_t before = cam.positionX;
        UpdateCamera(world);
        EXPECT_EQ(CameraFollowedSlot(world), r.followed ? f : nullptr);
        EXPECT_EQ(cam.viewOffsetX, r.followed ? 900 * kPx - before : -1);
    }
    ObjectSlot copy = *f; // not in the world's table
    CameraFollow(world, &copy);
    EXPECT_EQ(CameraFollowedSlot(world), nullptr);
    Follow(900, 700);
    cam.lockFlags = CAMERA_LOCK_Y;
    SetCameraViewSize(world, 640, 480); // a new view starts free and following nothing
    EXPECT_EQ(CameraFollowedSlot(world), nullptr);
    EXPECT_EQ(cam.lockFlags, 0);
}

TEST_F(CameraTest, LevelRecordsAreReadWithinTheResourceOnly) {
    std::vector<uint8_t> bytes(56); // value i is 100 i - 1000; level 2's record is cut short
    for (int i = 0; i < 28; ++i)
        PutU16LE(&bytes[2 * i], static_cast<uint16_t>(100 * i - 1000));
    world->cameraRecords = bytes.data();
    world->cameraRecordsSize = 56;
    testing::internal::CaptureStdout();
    const LevelCameraRecord r[] = {ReadLevelCameraRecord(world, 1), ReadLevelCameraRecord(world, 2),
                                   ReadLevelCameraRecord(world, -1)};
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r[0].deadZone[0][1], 700);
    EXPECT_EQ(r[0].deadZone[1][3], 1300);
    EXPECT_EQ(r[1].deadZone[0][3], 1700);
    EXPECT_EQ(r[1].deadZone[1][0], 0);
    EXPECT_EQ(r[2].deadZone[0][0], 0); // not the reference heights
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1);
}

} // namespace
