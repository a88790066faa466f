#include "world/camera.h"

#include <cstdio>
#include <cstdlib>

#include "world/game_world.h"

namespace {

constexpr int64_t kOne = 65536;
constexpr int32_t kCellPixels = 32;
constexpr int32_t kLookAheadStep = 9;

// Data-driven sizes and offsets can push 16.16 values past 32 bits; pinning
// them to the range keeps the arithmetic defined and the view at an edge.
int32_t Saturate(int64_t v) {
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t ToFixed(int64_t pixels) {
    return Saturate(pixels * kOne);
}

// Maximum first, then zero: a map smaller than the view has a negative
// maximum and must still give 0, the top-left of the map.
int32_t ClampToMap(int32_t v, int32_t maximum) {
    if (v > maximum)
        v = maximum;
    if (v < 0)
        v = 0;
    return v;
}

int32_t ScaleByFactor(int32_t viewFixed, int16_t factor) {
    // Whole pixels first: the 16.16 size times a factor of up to 32767
    // does not fit in 32 bits.
    const int64_t pixels = viewFixed / kOne;
    return static_cast<int32_t>(pixels * factor / 1024);
}

// The push that brings a point back to the dead zone [low, low + size].
// A negative size makes both tests hold; the second, toward low, wins.
int32_t DeadZonePush(int32_t d, int32_t low, int32_t size, int32_t current) {
    const int64_t high = static_cast<int64_t>(low) + size;
    int32_t push = current;
    if (d > high)
        push = ToFixed(d - high);
    if (d < low)
        push = ToFixed(static_cast<int64_t>(d) - low);
    return push;
}

int16_t StepLookAhead(int16_t current, int16_t requested) {
    int32_t delta = static_cast<int32_t>(current) - requested;
    if (delta > kLookAheadStep)
        delta = kLookAheadStep;
    if (delta < -kLookAheadStep)
        delta = -kLookAheadStep;
    return static_cast<int16_t>(current - delta);
}

// Long distances get small divisors, so a far jump lands in one or two
// frames while short moves stay smooth.
int32_t Ease(int32_t position, int32_t target) {
    const int64_t error = static_cast<int64_t>(target) - position;
    const int64_t divisor = 7 / (std::abs(error / kOne) / 300 + 1) + 1;
    return Saturate(position + error / divisor);
}

} // namespace

void SetCameraViewSize(GameWorld* world, int32_t width, int32_t height) {
    Camera& c = world->camera;
    c.viewWidth = ToFixed(width);
    c.viewHeight = ToFixed(height);
    c.lockFlags = 0;
    c.followed = ObjectRef{};
}

void SetCameraMapSize(GameWorld* world, int32_t columns, int32_t rows) {
    Camera& c = world->camera;
    c.maximumX = ToFixed(static_cast<int64_t>(columns) * kCellPixels - c.viewWidth / kOne - 1);
    c.maximumY = ToFixed(static_cast<int64_t>(rows) * kCellPixels - c.viewHeight / kOne - 1);
}

void SetCameraDeadZone(GameWorld* world, int16_t f1, int16_t f2, int16_t f3, int16_t f4) {
    Camera& c = world->camera;
    c.deadZoneLeft = ScaleByFactor(c.viewWidth, f1);
    c.deadZoneTop = ScaleByFactor(c.viewHeight, f2);
    c.deadZoneWidth = ScaleByFactor(c.viewWidth, f3);
    c.deadZoneHeight = ScaleByFactor(c.viewHeight, f4);
}

void SetCameraAnchor(GameWorld* world, int32_t x, int32_t y) {
    Camera& c = world->camera;
    c.offsets[0][0] = ClampToMap(ToFixed(x), c.maximumX);
    c.offsets[0][1] = ClampToMap(ToFixed(y), c.maximumY);
}

void JumpCamera(GameWorld* world, int32_t x, int32_t y) {
    SetCameraAnchor(world, x, y);
    Camera& c = world->camera;
    c.positionX = c.targetX = c.offsets[0][0];
    c.positionY = c.targetY = c.offsets[0][1];
}

void SetCameraAnchorY(GameWorld* world, int32_t y) {
    Camera& c = world->camera;
    c.offsets[0][1] = ClampToMap(ToFixed(y), c.maximumY);
    c.positionY = c.targetY = c.offsets[0][1];
}

void SetCameraViewOffset(GameWorld* world, int32_t x, int32_t y) {
    Camera& c = world->camera;
    c.viewOffsetX = Saturate(static_cast<int64_t>(x) - c.positionX);
    c.viewOffsetY = Saturate(static_cast<int64_t>(y) - c.positionY);
}

void CameraFollow(GameWorld* world, const ObjectSlot* object) {
    Camera& c = world->camera;
    c.followed = ObjectRef{};
    if (object == nullptr)
        return;
    // Compared as addresses: a pointer from outside the table must not be
    // turned into an index.
    const auto first = reinterpret_cast<uintptr_t>(&world->slots[0]);
    const auto at = reinterpret_cast<uintptr_t>(object);
    if (at < first || (at - first) % sizeof(ObjectSlot) != 0)
        return;
    const uintptr_t index = (at - first) / sizeof(ObjectSlot);
    if (index >= static_cast<uintptr_t>(kObjectSlotCount))
        return;
    c.followed.slot = static_cast<int16_t>(index);
    c.followed.serial = object->serial;
}

ObjectSlot* CameraFollowedSlot(GameWorld* world) {
    const ObjectRef ref = world->camera.followed;
    if (ref.slot < 0 || ref.slot >= kObjectSlotCount)
        return nullptr;
    ObjectSlot* slot = &world->slots[ref.slot];
    if (slot->typeId == 0 || slot->serial != ref.serial)
        return nullptr;
    return slot;
}

int32_t IntegrateCamera(GameWorld* world) {
    Camera& c = world->camera;
    c.offsets[0][0] = Saturate(static_cast<int64_t>(c.offsets[0][0]) + c.velocityX);
    c.offsets[0][1] = Saturate(static_cast<int64_t>(c.offsets[0][1]) + c.velocityY);

    int64_t sumX = 0;
    int64_t sumY = 0;
    for (const auto& pair : c.offsets) {
        sumX += pair[0];
        sumY += pair[1];
    }
    c.targetX = Saturate(sumX);
    c.targetY = Saturate(sumY);

    int32_t flags = 0;
    if (c.targetX > c.maximumX) {
        c.targetX = c.maximumX;
        flags |= CAMERA_EDGE_RIGHT;
    }
    if (c.targetY > c.maximumY) {
        c.targetY = c.maximumY;
        flags |= CAMERA_EDGE_BOTTOM;
    }
    if (c.targetX < 0) {
        c.targetX = 0;
        flags |= CAMERA_EDGE_LEFT;
    }
    if (c.targetY < 0) {
        c.targetY = 0;
        flags |= CAMERA_EDGE_TOP;
    }
    return flags;
}

void UpdateCamera(GameWorld* world) {
    Camera& c = world->camera;
    int32_t px = 0;
    int32_t py = 0;
    if (const ObjectSlot* f = CameraFollowedSlot(world)) {
        SetCameraViewOffset(world, ToFixed(f->x), ToFixed(f->y));
        if (f->lookAheadX > kNoLookAhead)
            c.lookAheadX = StepLookAhead(c.lookAheadX, f->lookAheadX);
        if (f->lookAheadY > kNoLookAhead)
            c.lookAheadY = StepLookAhead(c.lookAheadY, f->lookAheadY);
        px = f->x + c.lookAheadX;
        py = f->y + c.lookAheadY;
    }

    const int32_t dx = px - static_cast<int32_t>(c.offsets[0][0] / kOne);
    const int32_t dy = py - static_cast<int32_t>(c.offsets[0][1] / kOne);
    if ((c.lockFlags & CAMERA_LOCK_X) == 0) {
        c.velocityX = DeadZonePush(dx, c.deadZoneLeft, c.deadZoneWidth, c.velocityX);
    }
    if ((c.lockFlags & CAMERA_LOCK_Y) == 0) {
        c.velocityY = DeadZonePush(dy, c.deadZoneTop, c.deadZoneHeight, c.velocityY);
    }

    IntegrateCamera(world);

    c.positionX = Ease(c.positionX, c.targetX);
    c.positionY = Ease(c.positionY, c.targetY);

    c.velocityX = 0;
    c.velocityY = 0;
}

LevelCameraRecord ReadLevelCameraRecord(const GameWorld* world, int32_t level) {
    LevelCameraRecord record{};
    const int64_t first = 8 * static_cast<int64_t>(level) + 8;
    const int64_t values = world->cameraRecords == nullptr ? 0 : world->cameraRecordsSize / 2;
    if (level < 0 || first + 8 > values) {
        static bool told = false;
        if (!told) {
            told = true;
            std::printf("camera record of level %d is outside the camera table\n", level);
        }
        // A negative level would otherwise read the reference heights.
        if (level < 0)
            return record;
    }
    for (int32_t set = 0; set < 2; ++set) {
        for (int32_t k = 0; k < 4; ++k) {
            const int64_t i = first + 4 * set + k;
            record.deadZone[set][k] =
                i > INT32_MAX ? 0 : CameraRecordValue(world, static_cast<int32_t>(i));
        }
    }
    return record;
}
