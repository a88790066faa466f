// The object slots: creation, deletion, message delivery, the pair scan,
// the taken-item bits and references that survive a despawn.
#include "world/objects.h"

#include <cstdio>

#include "engine/helpers.h"
#include "world/game_world.h"

namespace {

ObjectTypeInstaller gInstaller = nullptr;
ObjectPairResolver gResolver = nullptr;

bool IsLive(const ObjectSlot& slot) {
    return slot.typeId != 0;
}

int32_t SlotIndexOf(const GameWorld* world, const ObjectSlot* object) {
    return static_cast<int32_t>(object - world->slots);
}

int8_t StateUnits(int32_t bytes) {
    return static_cast<int8_t>(bytes <= 0 ? 0 : (bytes + 15) / 16);
}

void ShrinkHighestSlot(GameWorld* world) {
    while (world->highestSlot >= 0 && !IsLive(world->slots[world->highestSlot]))
        --world->highestSlot;
}

} // namespace

// ---- references ------------------------------------------------------------

ObjectRef MakeObjectRef(const ObjectSlot* object) {
    ObjectRef ref;
    if (object != nullptr && object->typeId != 0) {
        ref.slot = static_cast<int16_t>(object->index);
        ref.serial = object->serial;
    }
    return ref;
}

ObjectSlot* ResolveObjectRef(GameWorld* world, ObjectRef ref, int32_t typeId) {
    if (ref.slot < 0 || ref.slot >= kObjectSlotCount)
        return nullptr;
    ObjectSlot* object = &world->slots[ref.slot];
    // An object in the middle of its destroy message has already let go of
    // its media; whoever holds a reference must not wake it up again.
    if (!IsLive(*object) || object->deleting != 0 || object->serial != ref.serial)
        return nullptr;
    if (typeId >= 0 && object->typeId != typeId)
        return nullptr;
    return object;
}

// ---- registry ----------------------------------------------------------------

void RegisterObjectType(GameWorld* world, int32_t typeId, ObjectHandlerFn handler,
                        ObjectDrawFn draw, int8_t kind, int32_t logicBytes, int32_t drawBytes) {
    if (typeId < 0 || typeId >= kObjectTypeCount)
        return;
    if (logicBytes > kMaxObjectStateBytes) {
        std::printf("Object calc size of ID=%d \n", typeId);
        FatalExit();
    }
    if (drawBytes > kMaxObjectStateBytes) {
        std::printf("Object draw size of ID=%d \n", typeId);
        FatalExit();
    }
    ObjectType& type = world->types[typeId];
    type.draw = draw;
    type.handler = handler;
    type.kind = kind;
    type.logicUnits = StateUnits(logicBytes);
    type.drawUnits = StateUnits(drawBytes);
}

void SetObjectTypeInstaller(ObjectTypeInstaller installer) {
    gInstaller = installer;
}

void InstallObjectTypes(GameWorld* world) {
    (gInstaller != nullptr ? gInstaller : RegisterObjectTypes)(world);
}

void SetObjectPairResolver(ObjectPairResolver resolver) {
    gResolver = resolver;
}

void EmptyHandler(GameWorld*, ObjectSlot*, ObjectMessage) {}

void EmptyDraw(GameWorld*, ObjectSlot*) {}

// ---- creation and deletion --------------------------------------------------

ObjectSlot* CreateObject(GameWorld* world, int16_t x, int16_t y, uint32_t typeWord,
                         ObjectMessage message, intptr_t param) {
    if (world->liveObjects >= kObjectSlotCount)
        return nullptr;
    // Ids past the registry, and ids nothing registered, would make objects
    // no handler ever drives; neither is truncated into a valid id.
    const uint32_t typeId = typeWord & 0xFFFF;
    if (typeId == 0 || typeId >= static_cast<uint32_t>(kObjectTypeCount) ||
        world->types[typeId].handler == nullptr) {
        return nullptr;
    }

    // Objects a handler makes for itself go after it, so they run in the
    // same frame pass; outside a handler there is nothing to start after.
    int32_t index = 0;
    if ((typeWord & OBJ_CREATE_FROM_CURRENT) != 0 && world->currentObject > 0)
        index = world->currentObject;
    const int32_t highest = world->highestSlot;
    while (index <= highest && IsLive(world->slots[index]))
        ++index;
    if (index > highest)
        index = highest + 1;
    if (index >= kObjectSlotCount)
        return nullptr;

    ObjectSlot* object = &world->slots[index];
    object->placement = nullptr;
    object->x = x;
    object->y = y;
    object->typeId = static_cast<uint8_t>(typeId);
    object->flags = 0;
    object->deleting = 0;
    object->index = index;
    object->itemNumber = -1;
    object->param = param;
    ++object->serial;
    AllocObjectState(world, object);

    if (index > world->highestSlot)
        world->highestSlot = static_cast<int16_t>(index);
    ++world->liveObjects;

    if (message != 0)
        SendObjectMessage(world, object, message);
    return object;
}

ObjectSlot* CreateObjectFromPlacement(GameWorld* world, PlacementRecord* placement) {
    if (placement == nullptr)
        return nullptr;
    const uint8_t typeId = placement->code < kTileCodeCount ? world->codeTypes[placement->code] : 0;
    ObjectSlot* object = CreateObject(world, placement->x, placement->y, typeId, 0, 0);
    if (object == nullptr)
        return nullptr;
    object->placement = placement;
    object->itemNumber = static_cast<uint16_t>(placement->itemNumber);
    placement->liveSlot = object->index;
    SendObjectMessage(world, object, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    return object;
}

void AllocObjectState(GameWorld* world, ObjectSlot* object) {
    const ObjectType& type = world->types[object->typeId];
    object->logic = ZAlloc(type.logicUnits * 16);
    object->draw = ZAlloc(type.drawUnits * 16);
}

void DeleteObject(GameWorld* world, ObjectSlot* object) {
    if (object == nullptr || !IsLive(*object) || object->deleting != 0)
        return;
    object->deleting = 1;
    SendObjectMessage(world, object, OBJ_MSG_DESTROY);

    if (object->placement != nullptr)
        object->placement->liveSlot = -1;
    object->placement = nullptr;
    object->typeId = 0;
    object->deleting = 0;
    FreeAndNull(&object->logic);
    FreeAndNull(&object->draw);

    ShrinkHighestSlot(world);
    --world->liveObjects;
}

void DeleteObjectsExceptType(GameWorld* world, int32_t typeId) {
    for (int32_t i = 0; i <= world->highestSlot; ++i) {
        if (world->slots[i].typeId != typeId)
            DeleteObject(world, &world->slots[i]);
    }
}

// ---- messages ------------------------------------------------------------------

void SendObjectMessage(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    if (object == nullptr || !IsLive(*object))
        return;
    const int16_t saved = world->currentObject;
    world->currentObject = static_cast<int16_t>(SlotIndexOf(world, object));

    const ObjectType& type = world->types[object->typeId];
    if (type.handler != nullptr)
        type.handler(world, object, message);

    // Read the type again: the handler may have deleted its object. Only the
    // first 256 item numbers name an entry record.
    if (IsLive(*object) && world->types[object->typeId].kind == OBJ_KIND_TRACKED &&
        object->itemNumber >= 0 && object->itemNumber < kEntryRecordCount) {
        EntryRecord& entry = world->entries[object->itemNumber];
        entry.x = object->x;
        entry.y = object->y;
    }
    world->currentObject = saved;
}

void SendObjectMessageWithParam(GameWorld* world, ObjectSlot* object, ObjectMessage message,
                                intptr_t param) {
    if (object == nullptr)
        return;
    object->param = param;
    SendObjectMessage(world, object, message);
}

void DrawObject(GameWorld* world, ObjectSlot* object) {
    if (object == nullptr || !IsLive(*object))
        return;
    const ObjectDrawFn draw = world->types[object->typeId].draw;
    if (draw != nullptr)
        draw(world, object);
}

// ---- searches and the pair scan ----------------------------------------------

ObjectSlot* FindNextObjectOfType(GameWorld* world, uint16_t* index, int32_t typeId) {
    int32_t i = *index;
    for (; i <= world->highestSlot; ++i) {
        if (world->slots[i].typeId == typeId) {
            *index = static_cast<uint16_t>(i + 1);
            return &world->slots[i];
        }
    }
    *index = static_cast<uint16_t>(i);
    return nullptr;
}

namespace {

// Every two live objects that take part in the scan, the lower type first, in
// slot order, through a resolver installed in place of the game's own.
void ResolveEveryPair(GameWorld* world, ObjectPairResolver resolve) {
    ObjectSlot* const slots = world->slots;
    for (int32_t a = 0; a < world->highestSlot; ++a) {
        ObjectSlot* first = &slots[a];
        if (!IsLive(*first) || (first->flags & OBJ_FLAG_NO_PAIRS) != 0)
            continue;
        // A rule may delete slot a, and a later rule may fill the slot again
        // with a new object: either way a's row of the scan ends there.
        const uint32_t serial = first->serial;
        for (int32_t b = a + 1; b <= world->highestSlot; ++b) {
            ObjectSlot* second = &slots[b];
            if (!IsLive(*second) || (second->flags & OBJ_FLAG_NO_PAIRS) != 0)
                continue;
            if (!IsLive(*first) || first->serial != serial)
                break;
            if (second->typeId < first->typeId)
                resolve(world, second, first);
            else
                resolve(world, first, second);
        }
    }
}

// The same scan through the game's own rules, calling them only for the
// pairs of types that have a rule: for any other pair the call would do
// nothing at all, so the calls made, and their order, are the same.
void ResolveRulePairs(GameWorld* world) {
    ObjectSlot* const slots = world->slots;
    for (int32_t a = 0; a < world->highestSlot; ++a) {
        ObjectSlot* first = &slots[a];
        if (!IsLive(*first) || (first->flags & OBJ_FLAG_NO_PAIRS) != 0)
            continue;
        // A slot keeps its type while it keeps its serial, so the row holds
        // for as long as a's row of the scan goes on.
        const uint8_t* meets = ObjectPairRuleRow(first->typeId);
        if (meets == nullptr)
            continue;
        const uint32_t serial = first->serial;
        for (int32_t b = a + 1; b <= world->highestSlot; ++b) {
            ObjectSlot* second = &slots[b];
            // A free slot's type is 0, which meets nothing.
            if (meets[second->typeId] == 0 || (second->flags & OBJ_FLAG_NO_PAIRS) != 0)
                continue;
            if (second->typeId < first->typeId)
                ResolveObjectPair(world, second, first);
            else
                ResolveObjectPair(world, first, second);
            if (!IsLive(*first) || first->serial != serial)
                break;
        }
    }
}

} // namespace

void ProcessObjectPairs(GameWorld* world) {
    if (gResolver != nullptr)
        ResolveEveryPair(world, gResolver);
    else
        ResolveRulePairs(world);
}

// ---- taken-item bits and level counters ------------------------------------

bool IsWorldBitClear(const GameWorld* world, int32_t n) {
    if (n < 0)
        return false;
    // Numbers past the table were never taken: such an item keeps coming
    // back rather than reading outside the bits.
    if (n >= kTakenBitCount)
        return true;
    return (world->takenBits[n >> 3] & (1u << (n & 7))) == 0;
}

void SetWorldBit(GameWorld* world, int32_t n, int32_t value) {
    if (n < 0 || n >= kTakenBitCount)
        return;
    const uint8_t mask = static_cast<uint8_t>(1u << (n & 7));
    if (value != 0)
        world->takenBits[n >> 3] |= mask;
    else
        world->takenBits[n >> 3] &= static_cast<uint8_t>(~mask);
}

void ClearLevelCounters(GameWorld* world, int32_t mode) {
    PlayerBlock& p = world->player;
    if (mode != 0 && mode != 1)
        return;
    p.streamLevel = 0;
    p.actionPointX = p.actionPointY = 0;
    p.streamPointX = p.streamPointY = 0;
    p.gust = 0;
    p.driftSpeed = 0;
    p.carriedItem = 0;
    if (mode == 1) {
        p.hudCount = 0;
        p.pickupFlag = 0;
        p.exitSeenFlag = 0;
        p.hudIcon1 = 0;
        p.hudIcon2 = 0;
    }
}
