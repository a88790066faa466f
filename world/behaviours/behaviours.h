// The handlers and draw functions the type registry hands out, and the pair
// rules the pair scan calls.
#pragma once

#include "world/objects.h"

struct GameWorld;

// player.cpp
void PlayerHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawPlayer(GameWorld* world, ObjectSlot* object);

// thrown_object.cpp
void ThrownObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawThrownObject(GameWorld* world, ObjectSlot* object);

// chased.cpp
void ChasedCharacterHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawChasedCharacter(GameWorld* world, ObjectSlot* object);

// pickup.cpp
void PickupHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawPickup(GameWorld* world, ObjectSlot* object);

// level_object.cpp
void LevelObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawLevelObject(GameWorld* world, ObjectSlot* object);

// effect_object.cpp
void EffectObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawEffectObject(GameWorld* world, ObjectSlot* object);

// camera_zone.cpp
void CameraZoneHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);

// tile_decor.cpp
void TileDecorHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawTileDecor(GameWorld* world, ObjectSlot* object);

// fade_picture.cpp
void FadePictureHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawFadePicture(GameWorld* world, ObjectSlot* object);

// frame_cycler.cpp
void FrameCycleObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message);
void DrawFrameCycleObject(GameWorld* world, ObjectSlot* object);

// option_gate.cpp: the handler of type 67, which keeps an exit only where
// the current option allows it.
void TestOptionGatedCell(GameWorld* world, ObjectSlot* object, ObjectMessage message);

// pair_rules.cpp: ResolveObjectPair is declared in world/objects.h.
