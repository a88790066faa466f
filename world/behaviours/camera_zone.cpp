// Camera zones (type 64): when the player touches one, the camera's anchor,
// vertical lock and dead zone change as the zone's left cell says.
#include "world/behaviours/behaviours.h"
#include "world/behaviours/map_cells.h"
#include "world/camera.h"
#include "world/game_world.h"

namespace {

constexpr int32_t kFixedOne = 65536;

// The left cell's parameter value.
constexpr int32_t ZONE_FREE_VERTICAL = 1;
constexpr int32_t ZONE_JUMP = 2;
constexpr int32_t ZONE_SET_HEIGHT = 3;

// Camera-record values: two reference heights.
constexpr int32_t kLockedHeightValue = 2;
constexpr int32_t kFreedHeightValue = 3;
constexpr int32_t kFreedHeightMargin = 64;

// Dead-zone sets of a level's camera record.
constexpr int32_t kLockedDeadZone = 0;
constexpr int32_t kFreedDeadZone = 1;

void SetLevelDeadZone(GameWorld* world, int32_t set) {
    const LevelCameraRecord record = ReadLevelCameraRecord(world, world->currentLevel);
    const int16_t* f = record.deadZone[set];
    SetCameraDeadZone(world, f[0], f[1], f[2], f[3]);
}

} // namespace

void CameraZoneHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    if (message != OBJ_EV_HIT || CameraFollowedSlot(world) == nullptr)
        return;
    Camera& camera = world->camera;
    const int32_t y = object->y;
    const int32_t screenHeight = camera.viewHeight / kFixedOne;
    const int32_t anchorX = camera.offsets[0][0] / kFixedOne;
    const int32_t freedY =
        y + (CameraRecordValue(world, kFreedHeightValue) - screenHeight) + kFreedHeightMargin;

    switch (LeftCellParameter(world, object)) {
    case ZONE_FREE_VERTICAL:
        camera.lockFlags &= ~CAMERA_LOCK_Y;
        SetLevelDeadZone(world, kFreedDeadZone);
        break;
    case ZONE_JUMP:
        JumpCamera(world, anchorX, freedY);
        break;
    case ZONE_SET_HEIGHT:
        SetCameraAnchorY(world, freedY);
        break;
    default:
        SetCameraAnchor(world, anchorX,
                        y - (screenHeight - CameraRecordValue(world, kLockedHeightValue)));
        camera.lockFlags |= CAMERA_LOCK_Y;
        SetLevelDeadZone(world, kLockedDeadZone);
        break;
    }
}
