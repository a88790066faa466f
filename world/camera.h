// The camera: follows one object with a dead zone and a look-ahead, and
// eases the shown position toward its clamped target.
#pragma once

#include <cstdint>

#include "world/objects.h"

struct GameWorld;

struct Camera {
    int32_t positionX, positionY; // 16.16, top-left of the view as shown
    int32_t targetX, targetY;
    int32_t viewWidth, viewHeight; // 16.16
    int32_t deadZoneLeft, deadZoneTop, deadZoneWidth, deadZoneHeight; // whole pixels
    int32_t maximumX, maximumY;
    int32_t velocityX, velocityY;
    int32_t viewOffsetX, viewOffsetY; // followed point minus position
    int32_t offsets[8][2];            // pair 0 is the anchor
    int16_t lookAheadX, lookAheadY;   // whole pixels
    int32_t lockFlags;                // CAMERA_LOCK_*
    ObjectRef followed;               // slot -1: no followed point
};

constexpr int32_t CAMERA_LOCK_X = 1;
constexpr int32_t CAMERA_LOCK_Y = 2;

// Edge flags returned by IntegrateCamera when the target had to be pulled
// back inside the map.
constexpr int32_t CAMERA_EDGE_RIGHT = 1;
constexpr int32_t CAMERA_EDGE_LEFT = 2;
constexpr int32_t CAMERA_EDGE_BOTTOM = 4;
constexpr int32_t CAMERA_EDGE_TOP = 8;

// A level's entry in the camera records: two sets of dead-zone factors
// (left, top, width, height in 1/1024 of the view). The level loader and a
// camera zone that locks the vertical axis use set 0; a camera zone that
// frees it uses set 1.
struct LevelCameraRecord {
    int16_t deadZone[2][4];
};

// Pixels are whole pixels; "16.16" arguments are fixed point. Results that
// would leave the 32-bit range are saturated rather than wrapped.
void SetCameraViewSize(GameWorld* world, int32_t width, int32_t height);
void SetCameraMapSize(GameWorld* world, int32_t columns, int32_t rows);
void SetCameraDeadZone(GameWorld* world, int16_t f1, int16_t f2, int16_t f3, int16_t f4);
void SetCameraAnchor(GameWorld* world, int32_t x, int32_t y);
void JumpCamera(GameWorld* world, int32_t x, int32_t y);
void SetCameraAnchorY(GameWorld* world, int32_t y);
void SetCameraViewOffset(GameWorld* world, int32_t x, int32_t y); // 16.16
// Null, or a slot outside the world's table: follow nothing.
void CameraFollow(GameWorld* world, const ObjectSlot* object);
// The followed slot while it still holds the object the camera was given;
// null otherwise.
ObjectSlot* CameraFollowedSlot(GameWorld* world);
int32_t IntegrateCamera(GameWorld* world);
void UpdateCamera(GameWorld* world);

// Level `level`'s record; zeros (and one diagnostic per run) when it lies
// outside the resource.
LevelCameraRecord ReadLevelCameraRecord(const GameWorld* world, int32_t level);
