// The placements: one record per object cell of map layer 3 and per tracked
// object recorded for the level, sorted by cell, from which the activation
// window makes objects near the camera.
#include <cstdio>
#include <cstring>

#include "engine/helpers.h"
#include "world/game_world.h"
#include "world/level_load.h"

namespace {

constexpr int32_t kCellPixels = 32;
constexpr int32_t kObjectLayer = 3;

bool IsObjectCode(int32_t code) {
    return code >= 1 && code <= 127;
}

int32_t TypeOfCode(const GameWorld* world, int32_t code) {
    return code >= 0 && code < kTileCodeCount ? world->codeTypes[code] : 0;
}

int8_t KindOfType(const GameWorld* world, int32_t type) {
    return type >= 0 && type < kObjectTypeCount ? world->types[type].kind : OBJ_KIND_ORDINARY;
}

// The data sets the counters' bases; an i32 at its top must not overflow.
int32_t TakeCounter(int32_t* counter) {
    const int32_t value = *counter;
    *counter = static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
    return value;
}

// Orders by cell, row first; a record of an equal cell goes after.
bool SortsAfter(const PlacementRecord& placed, int32_t row, int32_t column) {
    const int32_t placedRow = placed.y / kCellPixels;
    return placedRow > row || (placedRow == row && placed.x / kCellPixels > column);
}

void PlaceTrackedCell(GameWorld* world, int16_t x, int16_t y, uint8_t code, uint8_t type) {
    const int32_t e = TakeCounter(&world->takenBitCounters[2]);
    if (e < 0 || e >= kEntryRecordCount) {
        std::printf("Tracked object at (%d, %d) needs entry record %d of %d\n", x, y, e,
                    kEntryRecordCount);
        return;
    }
    EntryRecord& record = world->entries[e];
    if ((record.flags & ENTRY_FLAG_PLACED_THIS_LOAD) != 0)
        return;
    // A record left on another level (a level change that never arrived)
    // would otherwise leave this level without its tracked object.
    if ((record.flags & ENTRY_FLAG_PLACED) != 0 && record.level == world->gameLevel) {
        AddPlacement(world, record.x, record.y,
                     static_cast<uint8_t>(CodeToTypeSlot(world, record.type)),
                     static_cast<int16_t>(e));
        return;
    }
    AddPlacement(world, x, y, code, static_cast<int16_t>(e));
    record = EntryRecord{};
    record.type = type;
    record.flags = ENTRY_FLAG_PLACED;
    record.x = x;
    record.y = y;
    record.level = static_cast<int8_t>(world->gameLevel);
}

void PlaceCell(GameWorld* world, int32_t column, int32_t row, uint8_t code) {
    const auto x = static_cast<int16_t>(column * kCellPixels);
    const auto y = static_cast<int16_t>(row * kCellPixels);
    const int32_t type = TypeOfCode(world, code);
    const int8_t kind = KindOfType(world, type);
    if (kind == OBJ_KIND_TRACKED) {
        PlaceTrackedCell(world, x, y, code, static_cast<uint8_t>(type));
        return;
    }
    const int32_t item = TakeCounter(&world->takenBitCounters[kind == 1 ? 1 : 0]);
    AddPlacement(world, x, y, code, static_cast<int16_t>(item));
}

bool IsRecordOfThisLevel(const GameWorld* world, const EntryRecord& record) {
    return (record.flags & ENTRY_FLAG_PLACED) != 0 && record.level == world->gameLevel;
}

} // namespace

int32_t CodeToTypeSlot(const GameWorld* world, int32_t typeId) {
    for (int32_t code = 0; code < kTileCodeCount; ++code)
        if (world->codeTypes[code] == typeId)
            return code;
    return kNoTypeSlot;
}

void AddPlacement(GameWorld* world, int16_t x, int16_t y, uint8_t code, int16_t itemNumber) {
    const int32_t count = world->placementCount + 1;
    // Only a table CountPlacementsStep sized has a capacity; one set up
    // any other way takes no records rather than being written past its end.
    if (world->placements == nullptr || count >= world->placementCapacity) {
        std::printf("Placement table full: code %d at (%d, %d) left out\n", code, x, y);
        return;
    }
    PlacementRecord* records = world->placements;
    const int32_t row = y / kCellPixels;
    const int32_t column = x / kCellPixels;
    // Cells arrive row by row, so the place is nearly always at the end.
    int32_t at = count;
    while (at > 0 && SortsAfter(records[at - 1], row, column))
        --at;
    std::memmove(records + at + 1, records + at,
                 static_cast<size_t>(count - at) * sizeof(PlacementRecord));
    records[at] = PlacementRecord{x, y, -1, itemNumber, code};
    world->placementCount = count;
}

void CountPlacementsStep(GameWorld* world) {
    FreeAndNull(&world->placements);
    world->placementCount = -1;
    world->placementCapacity = 0;

    const TileRunLayer& layer = world->map.layers[kObjectLayer];
    int64_t total = 0;
    for (int32_t row = 0; row < layer.rows; ++row)
        for (int32_t column = 0; column < layer.width; ++column)
            if (IsObjectCode(TileCodeAt(&world->map, kObjectLayer, column, row)))
                ++total;
    for (EntryRecord& record : world->entries) {
        record.flags &= static_cast<uint8_t>(~ENTRY_FLAG_PLACED_THIS_LOAD);
        if (IsRecordOfThisLevel(world, record))
            ++total;
    }

    // A layer is at most 1023 x 1023 cells, so the table stays far below
    // the 32-bit size limit.
    const auto bytes = static_cast<int32_t>(total * static_cast<int64_t>(sizeof(PlacementRecord)));
    world->placements = static_cast<PlacementRecord*>(ZAlloc(bytes));
    world->placementCapacity = world->placements != nullptr ? static_cast<int32_t>(total) : 0;

    for (int32_t e = 0; e < kEntryRecordCount; ++e) {
        EntryRecord& record = world->entries[e];
        if (!IsRecordOfThisLevel(world, record))
            continue;
        AddPlacement(world, record.x, record.y,
                     static_cast<uint8_t>(CodeToTypeSlot(world, record.type)),
                     static_cast<int16_t>(e));
        record.flags |= ENTRY_FLAG_PLACED_THIS_LOAD;
    }
}

int32_t PlaceObjectsStep(GameWorld* world, int32_t* row) {
    const TileRunLayer& layer = world->map.layers[kObjectLayer];
    for (int32_t r = *row < 0 ? 0 : *row; r < layer.rows; ++r) {
        bool placed = false;
        for (int32_t column = 0; column < layer.width; ++column) {
            const int32_t code = TileCodeAt(&world->map, kObjectLayer, column, r);
            if (!IsObjectCode(code))
                continue;
            PlaceCell(world, column, r, static_cast<uint8_t>(code));
            placed = true;
        }
        if (placed) {
            *row = r + 1;
            return 0;
        }
    }
    *row = layer.rows;
    return 1;
}

void IndexPlacementsStep(GameWorld*) {}

void RelinkObjectsToPlacements(GameWorld* world) {
    for (int32_t i = 0; i <= world->highestSlot; ++i) {
        ObjectSlot& object = world->slots[i];
        if (object.typeId == 0 || object.placement == nullptr)
            continue;
        // The old link points into a table that has been freed since.
        object.placement = nullptr;
        for (int32_t p = 0; p <= world->placementCount; ++p) {
            PlacementRecord& placement = world->placements[p];
            if (TypeOfCode(world, placement.code) == object.typeId &&
                static_cast<uint16_t>(placement.itemNumber) == object.itemNumber) {
                object.placement = &placement;
                placement.liveSlot = object.index;
                break;
            }
        }
    }
}

void SpawnPlayer(GameWorld* world) {
    // A level may have no player cell, and then no entry record of type 1
    // exists: the level loads without a player rather than stopping.
    int32_t e = 0;
    while (e < kEntryRecordCount && world->entries[e].type != OBJT_PLAYER)
        ++e;
    if (e == kEntryRecordCount)
        return;
    const EntryRecord& record = world->entries[e];
    for (int32_t p = 0; p <= world->placementCount; ++p) {
        PlacementRecord& placement = world->placements[p];
        if (placement.itemNumber != e || TypeOfCode(world, placement.code) != OBJT_PLAYER)
            continue;
        placement.x = record.x;
        placement.y = record.y;
        CameraFollow(world, CreateObjectFromPlacement(world, &placement));
        return;
    }
}

void FollowPlayerWithCamera(GameWorld* world) {
    uint16_t index = 0;
    ObjectSlot* player = FindNextObjectOfType(world, &index, OBJT_PLAYER);
    if (player != nullptr)
        CameraFollow(world, player);
}
