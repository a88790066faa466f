// The scene renderer and the activation window.
#include "world/scene.h"

#include <algorithm>
#include <array>

#include "engine/bytes.h"
#include "graphics/image.h"
#include "world/game_world.h"
#include "world/status_overlay.h"

namespace {

constexpr uint8_t kEffectBandType = 24;

constexpr int32_t kTileChangeHeaderBytes = 4;
constexpr int32_t kTileChangeRecordBytes = 6; // u16 column, u16 row, u8 layer, u8 code

constexpr int32_t kLastDrawStage = 7;

constexpr int32_t kLevelWithCounterLine = 5;
constexpr int32_t kLevelWithIcons = 28;

// How the window treats each object type.
enum SpawnRule : uint8_t {
    RULE_NEAR = 0,  // made near the point
    RULE_TAKEN,     // made near the point until its taken bit is set
    RULE_NEVER,     // never made by the window
    RULE_ALWAYS,    // made at once, wherever it is
};

constexpr std::array<uint8_t, kTileCodeCount> MakeSpawnRules() {
    std::array<uint8_t, kTileCodeCount> rules{};
    const uint8_t taken[] = {4,  5,  6,  7,  8,  12, 13, 14, 29, 30, 32, 35, 39, 40,  41,  42,
                             43, 44, 45, 47, 48, 50, 51, 52, 53, 56, 57, 65, 66, 70, 75, 76,
                             121, 123};
    for (uint8_t type : taken)
        rules[type] = RULE_TAKEN;
    rules[OBJT_PLAYER] = RULE_NEVER;
    rules[34] = RULE_NEVER;
    rules[kEffectBandType] = RULE_ALWAYS;
    return rules;
}
constexpr std::array<uint8_t, kTileCodeCount> kSpawnRules = MakeSpawnRules();

// Whole pixels truncated toward zero, bit 0 cleared: every part of the
// scene scrolls by the same even amount, so the half-speed layer moves by
// whole pixels too.
int32_t EvenPixels(int32_t fixed) {
    return (fixed / 65536) & ~1;
}

void DrawScreenSprite(Image* image, int32_t x, int32_t y, uint16_t flags, uint32_t colour = 0) {
    SpriteRecord record;
    InitSpriteRecord(&record, gScreenTarget);
    record.source = image;
    record.transform = nullptr;
    record.x = x;
    record.y = y;
    record.flags = flags;
    record.colour = colour;
    DrawSprite(&record);
}

// Substitutes are drawn with the alpha flag, which takes the sprite's
// alpha from its colour: opaque white shows the image as it is.
constexpr uint32_t kSubstituteColour = 0xFFFFFFFFu;

// The image a run of `code` shows, with its flags and colour; null when it
// shows none.
Image* TileImageOf(const GameWorld* world, uint8_t code, uint16_t* flags, uint32_t* colour) {
    *flags = 0;
    *colour = 0;
    if (code == 0)
        return nullptr;
    const uint8_t substitute = world->codeSubstitutes[code];
    if (substitute == 0)
        return world->tileImages[code];
    *flags = SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_ALPHA;
    *colour = kSubstituteColour;
    return world->tileImages[substitute];
}

void PrepareFrame(GameWorld* world) {
    DrawScratch& s = world->drawScratch;
    const int32_t cx = EvenPixels(world->camera.positionX);
    const int32_t cy = EvenPixels(world->camera.positionY);
    const int32_t viewWidth = world->camera.viewWidth / 65536;
    const int32_t viewHeight = world->camera.viewHeight / 65536;

    s.firstColumn = std::max(0, cx / kTileCellPixels - kTileLeadCells);
    s.firstRow = std::max(0, cy / kTileCellPixels - kTileLeadCells);
    s.lastColumn = (cx + viewWidth) / kTileCellPixels;
    s.lastRow = (cy + viewHeight) / kTileCellPixels;
    s.screenX = s.firstColumn * kTileCellPixels - cx;
    s.screenY = s.firstRow * kTileCellPixels - cy;
    s.halfFirstColumn = s.firstColumn / 2;
    s.halfFirstRow = s.firstRow / 2;
    s.halfScreenX = std::max(0, cx / 64 - kTileLeadCells / 2) * kTileCellPixels - cx / 2;
    s.halfScreenY = std::max(0, cy / 64 - kTileLeadCells / 2) * kTileCellPixels - cy / 2;

    if (world->background != nullptr)
        DrawScreenSprite(world->background, world->backgroundX, world->backgroundY, 0);
    ToggleTileChanges(world);

    // Depth descending, equal depths in slot order.
    std::array<int16_t, kObjectSlotCount> order;
    int32_t count = 0;
    const int32_t highest = std::min<int32_t>(world->highestSlot, kObjectSlotCount - 1);
    for (int32_t i = 0; i <= highest; ++i)
        if (world->slots[i].typeId != 0)
            order[count++] = static_cast<int16_t>(i);
    std::stable_sort(order.begin(), order.begin() + count, [world](int16_t a, int16_t b) {
        return world->slots[a].depth > world->slots[b].depth;
    });
    for (int32_t k = 0; k < count; ++k) {
        DrawListEntry& entry = world->drawList[order[k]];
        entry.previous = k > 0 ? order[k - 1] : -1;
        entry.next = k + 1 < count ? order[k + 1] : -1;
        entry.slot = order[k];
    }
    s.listHead = count > 0 ? order[0] : -1;
}

// The scratch block's head is the cursor of the frame: the first entry not
// drawn yet, so that a frame resumed at a later stage goes on from there.
void DrawBand(GameWorld* world, int32_t minimumDepth) {
    int32_t& head = world->drawScratch.listHead;
    uint16_t cursor = head >= 0 && head < kObjectSlotCount ? static_cast<uint16_t>(head)
                                                           : kDrawListEnd;
    DrawObjectsDownTo(world, &cursor, minimumDepth);
    head = cursor == kDrawListEnd ? -1 : cursor;
}

void DrawFullLayer(GameWorld* world, int32_t layer) {
    if ((world->dumpFlags & VIEW_HIDE_GRAPHICS) != 0)
        return;
    const DrawScratch& s = world->drawScratch;
    DrawTileLayer(world, layer, s.firstColumn, s.firstRow, s.firstColumn, s.firstRow,
                  s.lastColumn, s.lastRow, s.screenX, s.screenY);
}

void RunStage(GameWorld* world, uint32_t stage) {
    const DrawScratch& s = world->drawScratch;
    switch (stage) {
    case 0:
        PrepareFrame(world);
        break;
    case 1:
        DrawBand(world, 64);
        break;
    case 2:
        if ((world->dumpFlags & VIEW_HIDE_GRAPHICS) == 0)
            DrawTileLayer(world, 0, s.halfFirstColumn, s.halfFirstRow, s.firstColumn, s.firstRow,
                          s.lastColumn, s.lastRow, s.halfScreenX, s.halfScreenY);
        break;
    case 3:
        DrawBand(world, 32);
        DrawFullLayer(world, 1);
        break;
    case 4:
        DrawBand(world, 0);
        DrawFullLayer(world, 2);
        break;
    case 5:
        DrawBand(world, -32);
        break;
    case 6:
        DrawGameStatus(world, world->currentLevel == kLevelWithCounterLine,
                       world->currentLevel == kLevelWithIcons);
        break;
    case 7:
        DrawBand(world, kDeepestDrawnDepth);
        ToggleTileChanges(world, true);
        break;
    default:
        break;
    }
}

} // namespace

int32_t DrawWorld(GameWorld* world) {
    if (world->drawStage > kLastDrawStage)
        return 0;
    for (uint32_t stage = world->drawStage; stage <= kLastDrawStage; ++stage) {
        world->drawStage = stage;
        RunStage(world, stage);
    }
    world->drawStage = DRAW_STAGE_DONE;
    return 1;
}

void DrawObjectsDownTo(GameWorld* world, uint16_t* cursor, int32_t minimumDepth) {
    // A list can hold each slot once; more steps than that means the links
    // were damaged into a loop.
    for (int32_t steps = 0; *cursor != kDrawListEnd; ++steps) {
        if (*cursor >= kObjectSlotCount || steps >= kObjectSlotCount) {
            *cursor = kDrawListEnd;
            return;
        }
        const DrawListEntry& entry = world->drawList[*cursor];
        if (entry.slot < 0 || entry.slot >= kObjectSlotCount) {
            *cursor = kDrawListEnd;
            return;
        }
        ObjectSlot* object = &world->slots[entry.slot];
        if (object->depth < minimumDepth)
            return;
        DrawObject(world, object);
        *cursor = entry.next >= 0 && entry.next < kObjectSlotCount
                      ? static_cast<uint16_t>(entry.next)
                      : kDrawListEnd;
    }
}

void DrawTileLayer(GameWorld* world, int32_t layer, int32_t mapColumn, int32_t mapRow,
                   int32_t firstColumn, int32_t firstRow, int32_t lastColumn, int32_t lastRow,
                   int32_t screenX, int32_t screenY) {
    if (layer < 0 || layer >= kTileLayerCount)
        return;
    const int64_t columns = static_cast<int64_t>(lastColumn) - firstColumn + 1;
    const int64_t rows = static_cast<int64_t>(lastRow) - firstRow + 1;
    if (columns <= 0 || rows <= 0)
        return;
    const TileRunLayer& cells = world->map.layers[layer];
    const int64_t endColumn = mapColumn + columns - 1;

    int64_t y = screenY;
    for (int64_t r = 0; r < rows; ++r, y += kTileCellPixels) {
        const int64_t row = mapRow + r;
        if (row < 0 || row >= cells.rows)
            continue;
        int64_t column = mapColumn;
        int64_t x = screenX;
        while (column <= endColumn) {
            if (column < 0 || column >= cells.width)
                break;
            TileRun* run = nullptr;
            if (FindTileRun(static_cast<int32_t>(column), static_cast<int32_t>(row), layer,
                            &world->map, &run) <= 0 ||
                run == nullptr) {
                // Only a malformed row has a gap inside the layer: the cell
                // stays empty and the rest of the row keeps its place.
                ++column;
                x += kTileCellPixels;
                continue;
            }
            const int64_t runEnd = static_cast<int64_t>(run->firstColumn) + run->extra;
            const bool goesPast = runEnd > endColumn;
            const int64_t stop = goesPast ? endColumn + 1 : runEnd;
            const int64_t count = stop - column + 1;
            uint16_t flags = 0;
            uint32_t colour = 0;
            Image* image = TileImageOf(world, run->code, &flags, &colour);
            if (image == nullptr) {
                x += count * kTileCellPixels;
            } else {
                for (int64_t k = 0; k < count; ++k, x += kTileCellPixels)
                    DrawScreenSprite(image, static_cast<int32_t>(x), static_cast<int32_t>(y), flags,
                                     colour);
            }
            if (goesPast)
                break;
            column = stop + 1;
        }
    }
}

void ToggleTileChanges(GameWorld* world, bool undo) {
    uint8_t* list = world->tileChanges;
    if (list == nullptr)
        return;
    const int32_t count = GetI32LE(list);
    for (int32_t k = 0; k < count; ++k) {
        uint8_t* record =
            list + kTileChangeHeaderBytes +
            static_cast<int64_t>(undo ? count - 1 - k : k) * kTileChangeRecordBytes;
        TileRun* run = nullptr;
        if (FindTileRun(GetU16LE(record), GetU16LE(record + 2), record[4], &world->map, &run) <=
                0 ||
            run == nullptr)
            continue;
        std::swap(run->code, record[5]);
    }
}

int32_t ClassifySpawn(const GameWorld* world, const PlacementRecord* placement) {
    // A code past the type table names no object type at all.
    if (placement == nullptr || placement->code >= kTileCodeCount)
        return SPAWN_NEVER;
    switch (kSpawnRules[world->codeTypes[placement->code]]) {
    case RULE_NEVER:
        return SPAWN_NEVER;
    case RULE_ALWAYS:
        return SPAWN_ALWAYS;
    case RULE_TAKEN:
        // Item numbers are stored as i16 but count as unsigned.
        return IsWorldBitClear(world, static_cast<uint16_t>(placement->itemNumber)) ? SPAWN_NEAR
                                                                                    : SPAWN_NEVER;
    default:
        return SPAWN_NEAR;
    }
}

bool IsDespawnable(const GameWorld*, const ObjectSlot* object) {
    return object->typeId != kEffectBandType && object->typeId != OBJT_ATTACHED_EFFECT;
}

void SpawnNearbyObjects(GameWorld* world, int16_t x, int16_t y) {
    const int32_t mapHeight = world->map.layers[3].rows * kTileCellPixels;
    int32_t bottom = y + kSpawnReachY;
    if (bottom >= mapHeight)
        bottom = mapHeight - kTileCellPixels;
    const int32_t left = std::max(0, x - kSpawnReachX);
    const int32_t right = x + kSpawnReachX;
    const int32_t top = std::max(0, y - kSpawnReachY);

    // Creation may add placements: the count and the table are read afresh.
    for (int32_t i = 0; world->placements != nullptr && i <= world->placementCount; ++i) {
        PlacementRecord* placement = &world->placements[i];
        if (placement->liveSlot != -1)
            continue;
        const int32_t kind = ClassifySpawn(world, placement);
        const bool inReach = placement->x >= left && placement->x <= right &&
                             placement->y >= top && placement->y <= bottom;
        if (kind == SPAWN_ALWAYS || (kind == SPAWN_NEAR && inReach))
            CreateObjectFromPlacement(world, placement);
    }
}

void DespawnFarObjects(GameWorld* world, int16_t x, int16_t y) {
    // A deletion lowers the highest slot: it is read afresh.
    for (int32_t i = 0; i <= world->highestSlot && i < kObjectSlotCount; ++i) {
        ObjectSlot* object = &world->slots[i];
        if (object->typeId == 0 || !IsDespawnable(world, object))
            continue;
        const bool outside = object->x < x - kDespawnReachX || object->x > x + kDespawnReachX ||
                             object->y < y - kDespawnReachY || object->y > y + kDespawnReachY;
        if (outside)
            DeleteObject(world, object);
    }
}
