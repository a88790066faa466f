// Drawing the level objects: the actor of every type, the pendulum's rope
// as a two-triangle mesh, and the scaled actor drawing shared with others.
#include <cstdint>
#include <cstdio>

#include "engine/catalogue.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/level_object.h"
#include "world/behaviours/level_object_internal.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace level_object {

namespace {

// The rope's picture: item 1 of resource group 33.
constexpr uint32_t kRopeImageGroup = 33;
constexpr int32_t kRopeImageItem = 1;

} // namespace

void DrawPendulumRope(GameWorld* world, ObjectSlot* object) {
    const auto* st = object->LogicAs<LevelObjectState>();
    if (st == nullptr)
        return;
    Image* image = GetResourceImage(&gResourceCatalogue, kRopeImageGroup, kRopeImageItem);
    if (image == nullptr)
        return;
    const int16_t dx = SlotCoordinate(WholePixels(st->positionX) - int64_t{WholePixels(st->homeX)});
    const int16_t dy = SlotCoordinate(WholePixels(st->positionY) - int64_t{WholePixels(st->homeY)});
    // A strip one pixel wide from the home point down to the weight.
    const int16_t vertices[8] = {0, 0, 1, 0, dx, dy, SlotCoordinate(int64_t{dx} + 1), dy};
    const MeshTriangle triangles[2] = {
        {{0, 1, 0}, {0, 0, 1}, image, 0},
        {{1, 0, 1}, {0, 1, 1}, image, 0},
    };
    TriangleMesh mesh{};
    mesh.vertices = vertices;
    mesh.triangles = triangles;
    mesh.offsetX = SlotCoordinate(int64_t{WholePixels(st->homeX)} - CameraEvenX(world));
    mesh.offsetY = SlotCoordinate(int64_t{WholePixels(st->homeY)} - CameraEvenY(world));
    mesh.count = 2;
    mesh.totalVertices = 4;
    mesh.next = 0;
    mesh.stride = 1;
    DrawTriangleMesh(&mesh);
}

} // namespace level_object

void DrawActorScaled(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor, float scaleX,
                     float scaleY) {
    if (actor == nullptr || actor->mediaSet < 0 || actor->mediaSet >= kMediaSetCount)
        return;
    for (int32_t i = 0; i < kScriptPipeCount; ++i) {
        const uint8_t type = actor->pipes[i].type;
        if (type != PIPE_CONTROL && type != PIPE_SPRITE && type != PIPE_SOUND)
            std::printf("Unknown pipe\n");
    }
    if (scaleX == 1.0f && scaleY == 1.0f) {
        DrawActor(world, x, y, actor);
        return;
    }
    for (int32_t i = 0; i < kScriptPipeCount; ++i) {
        const PipeMedia media = GetPipeMedia(world, actor, i);
        if (media.kind == PIPE_MEDIA_KIND_SOUND)
            StartPipeSound(world, actor, i, media.sound);
    }
    DrawEffectActor(world, x, y, actor, scaleX, scaleY, 1.0f);
    UpdateActorSounds(world, x, y, actor);
}

void DrawLevelObject(GameWorld* world, ObjectSlot* object) {
    using namespace level_object;
    if (object->typeId == kPipeSegmentType) {
        DrawPipeSegment(world, object);
        return;
    }
    if (object->typeId == kPendulumType)
        DrawPendulumRope(world, object);
    DrawActorScaled(world, object->x, object->y, object->DrawAs<ScriptActor>(), 1.0f, 1.0f);
}
