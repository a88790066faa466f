// Effect objects: the message handler and draw of types 18, 24, 25, 110,
// 126 and 127, the score pop-up and the attached shadow, and the helpers
// other behaviours make effects with. The particle kinds of type 127 are in
// effect_kinds.cpp and effect_bursts.cpp, the flying sprite and the band in
// effect_sprites.cpp.
#include "world/behaviours/effect_object.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "graphics/image.h"
#include "particles/particle.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_kinds.h"
#include "world/behaviours/effect_object_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kFlyingSpriteType = 18;
constexpr uint8_t kSpriteBandType = 24;
constexpr uint8_t kPlainEffectType = 25;

// Where the despawner finds the objects whose time is up.
constexpr int16_t kParkedX = -3000;
constexpr int16_t kParkedY = -3000;

// Resource numbers of the level lists: groups 2 (attached effects) and 3
// (the player's dust).
constexpr int32_t kAttachedLevelListResource = 24;
constexpr int32_t kDustLevelListResource = 25;

// The attached effect's fall towards the ground under its owner.
constexpr int32_t kDropTries = 50;
constexpr int32_t kDropStepX = -5 * FIXED_ONE;
constexpr int32_t kDropStepY = 16 * FIXED_ONE;
// 200 pixels in 16.16: the fall that takes the shadow from full size to
// double size and from opaque to clear.
constexpr double kShadowFade = 13107200.0;

// The sprinklers' ramp climbs one a step while the spray is on, up to this.
constexpr int32_t kSprayRampTop = 40;

constexpr int16_t kPlainEffectDepth = -1;
constexpr int16_t kPopupDepth = 1;
constexpr int16_t kAttachedDepth = 31;

// Level-table words of the pop-up.
constexpr int32_t kPopupLifeWord = 5;
constexpr int32_t kPopupRiseWord = 6;
constexpr int32_t kPopupAlphaWord = 7;
constexpr int32_t kPopupAlphaRateWord = 8;
constexpr int32_t kPopupScaleWord = 9;
constexpr int32_t kPopupScaleRateWord = 10;

EffectContext ContextOf(GameWorld* world, ObjectSlot* object) {
    return EffectContext{world, object, object->LogicAs<EffectState>(),
                         object->DrawAs<ScriptActor>()};
}

void ParkSlot(ObjectSlot* object) {
    object->x = kParkedX;
    object->y = kParkedY;
}

// ---- creation --------------------------------------------------------------

void ReadCells(GameWorld* world, ObjectSlot* object, EffectState* state) {
    const int32_t column = object->x / 32;
    const int32_t row = object->y / 32;
    ReadTileCodes(&world->map, column - 1, row - 1, 3, 3, state->cells);
    FadeBytes(state->cells, 9);
}

// The owner keeps its record in its own state; the effect may write into it
// later only while the owner is still that object, so it remembers both
// the record and the owner it belongs to.
void LinkAttachedEffect(const EffectContext& c) {
    EffectState* st = c.state;
    st->oldLink = -1;
    st->script = 0;
    st->owner = ObjectRef{};
    st->record = nullptr;
    AttachedEffectRecord* record = c.object->ParamAs<AttachedEffectRecord*>();
    if (record == nullptr)
        return;
    st->oldLink = record->link;
    st->script = record->script;
    record->link = c.object->index;
    record->effect = MakeObjectRef(c.object);
    if (st->oldLink < 0 || st->oldLink >= kObjectSlotCount || st->oldLink == c.object->index)
        return;
    ObjectSlot* owner = &c.world->slots[st->oldLink];
    if (owner->typeId == 0 || owner->logic == nullptr)
        return;
    const uintptr_t block = reinterpret_cast<uintptr_t>(owner->logic);
    const uintptr_t at = reinterpret_cast<uintptr_t>(record);
    const uintptr_t blockBytes =
        static_cast<uintptr_t>(c.world->types[owner->typeId].logicUnits) * 16;
    if (at < block || at - block + sizeof(AttachedEffectRecord) > blockBytes)
        return;
    st->owner = MakeObjectRef(owner);
    st->record = record;
}

// The record stays ours to write only while its owner lives.
AttachedEffectRecord* OwnedRecord(const EffectContext& c) {
    EffectState* st = c.state;
    if (st->record == nullptr)
        return nullptr;
    if (ResolveObjectRef(c.world, st->owner) == nullptr) {
        st->record = nullptr;
        st->owner = ObjectRef{};
        st->oldLink = -1;
        return nullptr;
    }
    return st->record;
}

void StartPopup(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    st->scale = static_cast<float>(LevelWord(world, kPopupScaleWord)) / 100.0f;
    st->alpha = static_cast<float>(LevelWord(world, kPopupAlphaWord)) / 100.0f;
    st->counter = LevelWord(world, kPopupLifeWord);
    st->speed = 0.0f;
    StartScript(world, c.actor, static_cast<int32_t>(c.object->param));
}

// ---- steps of the other types ------------------------------------------------

void StepPopup(const EffectContext& c) {
    EffectState* st = c.state;
    GameWorld* world = c.world;
    c.object->depth = kPopupDepth;
    st->scale += static_cast<float>(LevelWord(world, kPopupScaleRateWord)) / 100000.0f;
    if (st->scale < 0.0f)
        st->scale = 0.0f;
    st->alpha = ClampUnit(st->alpha +
                          static_cast<float>(LevelWord(world, kPopupAlphaRateWord)) / 100000.0f);
    --st->counter;
    st->speed += static_cast<float>(LevelWord(world, kPopupRiseWord)) / 100.0f;
    c.object->y = ToSlotCoordinate(static_cast<double>(c.object->y) +
                                   std::trunc(static_cast<double>(st->speed)));
    if (st->counter < 0)
        ParkSlot(c.object);
}

// ---- the handler ---------------------------------------------------------------

void CreateEffect(const EffectContext& c) {
    GameWorld* world = c.world;
    ObjectSlot* object = c.object;
    EffectState* st = c.state;
    st->hidden = 0;
    st->levelList = nullptr;
    st->levelListLength = 0;
    st->sprayOn = 0;
    st->sprayRamp = 0;
    ResetActor(world, c.actor, object->typeId);
    StartScript(world, c.actor, 0);
    ReadCells(world, object, st);

    if (object->typeId == OBJT_ATTACHED_EFFECT) {
        LoadEffectLevelList(world, object, kAttachedLevelListResource);
        st->hidden = IsLevelInList(world, object) ? 0 : 1;
        LinkAttachedEffect(c);
    } else if (object->typeId == OBJT_EFFECT) {
        const auto* record = object->ParamAs<const EffectKindRecord*>();
        // Kinds past the table (also those too large for an i32) make nothing.
        const uint32_t kind = record != nullptr ? record->kind : 0;
        st->kind = kind < static_cast<uint32_t>(EFFECT_KIND_COUNT) ? static_cast<int32_t>(kind)
                                                                   : EFFECT_KIND_COUNT;
        if (st->kind == EFFECT_KIND_DUST) {
            LoadEffectLevelList(world, object, kDustLevelListResource);
            st->hidden = IsLevelInList(world, object) ? 0 : 1;
        }
    }

    delete st->root;
    st->root = nullptr;
    if (c.actor->mediaSet >= 0 && c.actor->mediaSet < kMediaSetCount) {
        const MediaSet& set = world->mediaSets[c.actor->mediaSet];
        object->x = ToSlotCoordinate(static_cast<double>(object->x) + set.spawnX);
        object->y = ToSlotCoordinate(static_cast<double>(object->y) + set.spawnY);
    }

    switch (object->typeId) {
    case kPlainEffectType:
        object->depth = kPlainEffectDepth;
        break;
    case kFlyingSpriteType:
        StartFlight(c);
        break;
    case kSpriteBandType:
        FillBand(c);
        break;
    case OBJT_ATTACHED_EFFECT:
        StartScript(world, c.actor, st->script);
        break;
    case OBJT_SCORE_POPUP:
        StartPopup(c);
        break;
    case OBJT_EFFECT:
        CreateEffectKind(c);
        break;
    default:
        break;
    }
}

// Drops the effect onto the ground under its owner: the higher the owner
// stands above it, the larger and fainter it is drawn.
void DropUnderOwner(const EffectContext& c, const ObjectSlot* owner) {
    EffectState* st = c.state;
    st->anchorX = st->referenceX = PixelToFixed(owner->x);
    st->anchorY = st->referenceY = PixelToFixed(owner->y);
    for (int32_t i = 0; i < kDropTries; ++i) {
        if ((MoveObject(c.world, &st->anchorX, &st->anchorY, kDropStepX, kDropStepY) &
             COLLIDE_BLOCK_DOWN) != 0)
            break;
    }
    c.object->x = owner->x;
    c.object->y = owner->y;
    const double fallen = static_cast<double>(st->anchorY) - st->referenceY;
    const double d = fallen / kShadowFade;
    st->scale = static_cast<float>(1.0 + d);
    st->alpha = static_cast<float>(std::max(0.0, 1.0 - d));
}

void PlaceAtPoint(const EffectContext& c, const EffectPoint* point) {
    EffectState* st = c.state;
    st->anchorX = st->referenceX = PixelToFixed(point->x);
    st->anchorY = st->referenceY = PixelToFixed(point->y);
    c.object->x = point->x;
    c.object->y = point->y;
}

bool HasAll(ObjectMessage message, ObjectMessage mask) {
    return (message & mask) == mask;
}

// False when the event ends the message.
bool HandleEvent(const EffectContext& c, ObjectMessage message) {
    EffectState* st = c.state;
    if (HasAll(message, OBJ_EV_SET_STATE)) {
        st->emissionStopped = 1;
        return false;
    }
    if (HasAll(message, OBJ_EV_STUN))
        StartScript(c.world, c.actor, static_cast<int32_t>(c.object->param));
    if (HasAll(message, OBJ_EV_PING)) {
        if (const auto* owner = c.object->ParamAs<const ObjectSlot*>())
            DropUnderOwner(c, owner);
    }
    if (HasAll(message, OBJ_EV_QUIET)) {
        if (const auto* point = c.object->ParamAs<const EffectPoint*>())
            PlaceAtPoint(c, point);
    }
    if (HasAll(message, OBJ_EV_SPEED_OFF)) {
        st->sprayOn = 0;
        return false;
    }
    if (HasAll(message, OBJ_EV_FX_MASK_40)) {
        st->sprayOn = 1;
        return false;
    }
    return true;
}

void DestroyEffect(const EffectContext& c) {
    EffectState* st = c.state;
    ParkSlot(c.object);
    if (c.object->typeId == OBJT_EFFECT && st->kind == EFFECT_KIND_RAIN)
        c.world->player.rainFlag = 0;
    delete st->root;
    st->root = nullptr;
    StopActor(c.world, c.actor);
    // Give the owner its record back as it was before the effect existed,
    // so that it neither pings nor deletes the slot once another object
    // takes it.
    if (AttachedEffectRecord* record = OwnedRecord(c)) {
        if (record->link == c.object->index) {
            record->link = st->oldLink;
            record->effect = ObjectRef{};
        }
        st->record = nullptr;
    }
}

void FrameStep(const EffectContext& c) {
    ObjectSlot* object = c.object;
    switch (object->typeId) {
    case OBJT_SCORE_POPUP:
        StepPopup(c);
        break;
    case kFlyingSpriteType:
        if (!StepFlight(c))
            return;
        break;
    case kSpriteBandType:
        StepBand(c);
        break;
    case OBJT_ATTACHED_EFFECT:
        object->depth = kAttachedDepth;
        OwnedRecord(c);
        break;
    case OBJT_EFFECT:
        if (!RunEffectKindStep(c))
            return;
        break;
    default:
        break;
    }
    if (c.state->root == nullptr) {
        RunScript(c.world, c.actor);
        object->x = ToSlotCoordinate(static_cast<double>(object->x) + c.actor->dx);
        object->y = ToSlotCoordinate(static_cast<double>(object->y) + c.actor->dy);
        return;
    }
    UpdateEffectKind(c);
}

} // namespace

// ---- interfaces ------------------------------------------------------------------

void LoadEffectLevelList(GameWorld*, ObjectSlot* object, int32_t n) {
    EffectState* st = object->LogicAs<EffectState>();
    const uint32_t group = static_cast<uint32_t>(n) - RESOURCE_NUMBER_BASE;
    st->levelList = GetResourceBytes(&gResourceCatalogue, group, 0);
    st->levelListLength =
        st->levelList != nullptr ? GetResourceSize(&gResourceCatalogue, group, 0) / 4 : 0;
}

int32_t IsLevelInList(GameWorld* world, ObjectSlot* object) {
    const EffectState* st = object->LogicAs<EffectState>();
    if (st->levelList == nullptr)
        return 0;
    for (uint32_t i = 0; i < st->levelListLength; ++i) {
        if (static_cast<int32_t>(GetU32LE(st->levelList + 4 * i)) == world->currentLevel)
            return 1;
    }
    return 0;
}

void EffectObjectHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    const EffectContext c = ContextOf(world, object);
    if (c.state == nullptr || c.actor == nullptr)
        return;
    if ((message & OBJ_MSG_SYNC_POS) != 0) {
        c.state->anchorX = PixelToFixed(object->x);
        c.state->anchorY = PixelToFixed(object->y);
        c.state->referenceX = world->camera.positionX;
        c.state->referenceY = world->camera.positionY;
    }
    if ((message & OBJ_MSG_CREATE) != 0)
        CreateEffect(c);
    if ((message & OBJ_EV_BASE) != 0 && !HandleEvent(c, message))
        return;
    c.state->sprayRamp =
        c.state->sprayOn == 0 ? 0 : std::min(c.state->sprayRamp + 1, kSprayRampTop);
    if ((message & OBJ_MSG_DESTROY) != 0) {
        DestroyEffect(c);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, c.actor, object->typeId);
        return;
    }
    FrameStep(c);
}

// ---- drawing -----------------------------------------------------------------------

void DrawEffectActor(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor, float scaleX,
                     float scaleY, float alpha) {
    if (actor->mediaSet < 0)
        return;
    const int32_t cameraX = CameraEvenX(world);
    const int32_t cameraY = CameraEvenY(world);
    const bool plain = scaleX == 1.0f && scaleY == 1.0f;
    for (int32_t i = 0; i < kScriptPipeCount; ++i) {
        const PipeMedia media = GetPipeMedia(world, actor, i);
        if (media.kind != PIPE_MEDIA_KIND_SPRITE || media.sprite == nullptr ||
            media.sprite->image == nullptr || (media.flags & PIPE_FLAG_HIDDEN) != 0)
            continue;
        const SpriteEntry& sprite = *media.sprite;
        const bool mirrored = (media.flags & PIPE_FLAG_MIRRORED) != 0;
        SpriteRecord record{};
        InitSpriteRecord(&record, gScreenTarget);
        record.source = sprite.image;
        record.x = x + (mirrored ? sprite.mirroredX : sprite.x) - cameraX;
        record.y = y + (mirrored ? sprite.mirroredY : sprite.y) - cameraY;
        if (plain) {
            record.flags = mirrored ? SPRITE_FLAG_MIRROR_X : 0;
            DrawSprite(&record);
            continue;
        }
        int32_t width = 0, height = 0;
        GetImageSize(sprite.image, &width, &height);
        SpriteTransform transform{};
        transform.scaleX = scaleX;
        transform.scaleY = scaleY;
        transform.pivotX = transform.rotationRefX = width / 2;
        transform.pivotY = transform.rotationRefY = height / 2;
        transform.angle = 0.0f;
        transform.red = transform.green = transform.blue = transform.alpha = alpha;
        record.transform = &transform;
        record.flags = SPRITE_FLAG_TRANSFORM;
        record.x += width / 2;
        DrawSprite(&record);
    }
}

void DrawEffectObject(GameWorld* world, ObjectSlot* object) {
    const EffectContext c = ContextOf(world, object);
    if (c.state == nullptr || c.actor == nullptr || c.state->hidden != 0)
        return;
    const EffectState* st = c.state;
    switch (object->typeId) {
    case OBJT_SCORE_POPUP:
        DrawEffectActor(world, object->x, object->y, c.actor, st->scale, st->scale, st->alpha);
        break;
    case OBJT_ATTACHED_EFFECT:
        DrawEffectActor(world, FixedToPixel(st->anchorX), FixedToPixel(st->anchorY), c.actor,
                        st->scale, st->scale, st->alpha);
        break;
    case kFlyingSpriteType:
        DrawEffectActor(world, object->x, object->y, c.actor, st->scale, st->scale, 1.0f);
        break;
    case kSpriteBandType:
        for (int32_t n = 0; n < LANE_COUNT; ++n)
            DrawEffectLane(world, object, n);
        break;
    case OBJT_EFFECT:
        DrawEffectKind(c);
        break;
    default:
        DrawActor(world, object->x, object->y, c.actor);
        break;
    }
}

// ---- helpers for the other behaviours ----------------------------------------------

ObjectSlot* SpawnEffect(GameWorld* world, int16_t x, int16_t y, int32_t kind, ObjectMessage message,
                        uint32_t typeFlags) {
    EffectKindRecord record{static_cast<uint32_t>(kind)};
    return CreateObject(world, x, y, OBJT_EFFECT | typeFlags, message,
                        reinterpret_cast<intptr_t>(&record));
}

ObjectSlot* CreateAttachedEffect(GameWorld* world, ObjectSlot* owner, int16_t x, int16_t y,
                                 AttachedEffectRecord* record, int32_t script) {
    record->link = owner != nullptr ? owner->index : -1;
    record->script = script;
    record->effect = ObjectRef{};
    return CreateObject(world, x, y, OBJT_ATTACHED_EFFECT | OBJ_CREATE_FROM_CURRENT,
                        OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, reinterpret_cast<intptr_t>(record));
}

ObjectSlot* AttachedEffectOf(GameWorld* world, const AttachedEffectRecord& record) {
    return ResolveObjectRef(world, record.effect, OBJT_ATTACHED_EFFECT);
}

void PingEffect(GameWorld* world, ObjectSlot* effect, ObjectSlot* owner) {
    SendObjectMessageWithParam(world, effect, OBJ_EV_PING, reinterpret_cast<intptr_t>(owner));
}

void MoveEffectTo(GameWorld* world, ObjectSlot* effect, int16_t x, int16_t y) {
    EffectPoint point{x, y};
    SendObjectMessageWithParam(world, effect, OBJ_EV_QUIET, reinterpret_cast<intptr_t>(&point));
}
