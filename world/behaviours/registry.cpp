// Which behaviour drives each object type, and how much state it owns.
#include "world/behaviours/behaviours.h"

#include <cstdint>

#include "world/behaviour_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

// State sizes in bytes. Each behaviour passes sizeof its own state structs
// here when it lands; the registry then rejects any that outgrow the limit.
constexpr int32_t kPlayerLogicBytes = sizeof(PlayerState),
                  kPlayerDrawBytes = sizeof(ScriptActor);
constexpr int32_t kThrownLogicBytes = sizeof(ThrownObjectState),
                  kThrownDrawBytes = sizeof(ScriptActor);
constexpr int32_t kChasedLogicBytes = sizeof(ChasedState),
                  kChasedDrawBytes = sizeof(ScriptActor);
constexpr int32_t kPickupLogicBytes = sizeof(PickupState), kPickupDrawBytes = sizeof(ScriptActor);
constexpr int32_t kLevelObjectLogicBytes = sizeof(LevelObjectState),
                  kLevelObjectDrawBytes = sizeof(ScriptActor);
constexpr int32_t kEffectLogicBytes = sizeof(EffectState),
                  kEffectDrawBytes = sizeof(ScriptActor);
constexpr int32_t kCameraZoneLogicBytes = 0; // it keeps no state
constexpr int32_t kTileDecorLogicBytes = sizeof(TileDecorState);
constexpr int32_t kFadePictureLogicBytes = sizeof(FadePictureState),
                  kFadePictureDrawBytes = sizeof(ScriptActor);
constexpr int32_t kFrameCyclerLogicBytes = sizeof(FrameCyclerState),
                  kFrameCyclerDrawBytes = sizeof(ScriptActor);

constexpr uint8_t kPickupTypes[] = {4, 5, 6, 7, 12, 13, 14, 56, 57, 70, 75, 76, 123};
constexpr uint8_t kLevelObjectTypes[] = {8,  15, 16, 17, 19, 20, 21,  22,
                                         55, 58, 77, 78, 79, 80, 119, 120};
constexpr uint8_t kFirstRangedLevelObject = 29, kLastRangedLevelObject = 53;
constexpr uint8_t kEffectTypes[] = {18, 24, 25, 110, 126, 127};
constexpr uint8_t kInertTypes[] = {23, 65, 66, 81};
constexpr uint8_t kOptionGatedType = 67;

} // namespace

void RegisterObjectTypes(GameWorld* world) {
    // Id 0 marks a free slot: it stays empty so that nothing can be made of it.
    RegisterObjectType(world, 0, nullptr, nullptr, OBJ_KIND_ORDINARY, 0, 0);
    RegisterObjectType(world, OBJT_PLAYER, PlayerHandler, DrawPlayer, OBJ_KIND_TRACKED,
                       kPlayerLogicBytes, kPlayerDrawBytes);
    RegisterObjectType(world, OBJT_FALLING, ThrownObjectHandler, DrawThrownObject,
                       OBJ_KIND_ORDINARY, kThrownLogicBytes, kThrownDrawBytes);
    RegisterObjectType(world, OBJT_CHASED, ChasedCharacterHandler, DrawChasedCharacter,
                       OBJ_KIND_ORDINARY, kChasedLogicBytes, kChasedDrawBytes);
    for (uint8_t id : kPickupTypes)
        RegisterObjectType(world, id, PickupHandler, DrawPickup, OBJ_KIND_ORDINARY,
                           kPickupLogicBytes, kPickupDrawBytes);
    for (uint8_t id : kLevelObjectTypes)
        RegisterObjectType(world, id, LevelObjectHandler, DrawLevelObject, OBJ_KIND_ORDINARY,
                           kLevelObjectLogicBytes, kLevelObjectDrawBytes);
    for (int32_t id = kFirstRangedLevelObject; id <= kLastRangedLevelObject; ++id)
        RegisterObjectType(world, id, LevelObjectHandler, DrawLevelObject, OBJ_KIND_ORDINARY,
                           kLevelObjectLogicBytes, kLevelObjectDrawBytes);
    for (uint8_t id : kEffectTypes)
        RegisterObjectType(world, id, EffectObjectHandler, DrawEffectObject, OBJ_KIND_ORDINARY,
                           kEffectLogicBytes, kEffectDrawBytes);
    for (uint8_t id : kInertTypes)
        RegisterObjectType(world, id, EmptyHandler, EmptyDraw, OBJ_KIND_ORDINARY, 0, 0);
    RegisterObjectType(world, OBJT_CAMERA_ZONE, CameraZoneHandler, EmptyDraw, OBJ_KIND_ORDINARY,
                       kCameraZoneLogicBytes, 0);
    RegisterObjectType(world, kOptionGatedType, TestOptionGatedCell, EmptyDraw, OBJ_KIND_ORDINARY,
                       0, 0);
    RegisterObjectType(world, OBJT_TILE_DECOR, TileDecorHandler, DrawTileDecor, OBJ_KIND_ORDINARY,
                       kTileDecorLogicBytes, 0);
    RegisterObjectType(world, OBJT_FADE_PICTURE, FadePictureHandler, DrawFadePicture,
                       OBJ_KIND_ORDINARY, kFadePictureLogicBytes, kFadePictureDrawBytes);
    RegisterObjectType(world, OBJT_FRAME_CYCLER, FrameCycleObjectHandler, DrawFrameCycleObject,
                       OBJ_KIND_ORDINARY, kFrameCyclerLogicBytes, kFrameCyclerDrawBytes);
}
