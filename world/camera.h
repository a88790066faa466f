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
