// What the player does differently by level, and the world rules it runs
// each frame: the level spawners, the rise line, the level's restoration
// when the player comes back, the zone counter, the carried item and the
// wind. Every level number the player tests is spelled in this file.
#include <algorithm>
#include <climits>
#include <iterator>

#include "world/behaviour_state.h"
#include "world/behaviours/player_internal.h"
#include "world/game_world.h"
#include "world/media_set.h"

namespace player {

namespace {

// ---- the levels ------------------------------------------------------------------

constexpr int32_t kNoKeysLevel = 1;
constexpr int32_t kGustLevel = 4;
constexpr int32_t kHighJumpLevel = 17;
constexpr int32_t kAnchorLevel = 19;
constexpr int32_t kRiseLineLevel = 21;
constexpr int32_t kDropLevel = 27;     // type-80 objects drop in at random
constexpr int32_t kPlatformLevel = 28; // a type-58 platform always exists
// Level words naming two more levels without keys.
constexpr int32_t kNoKeysLevelWordA = 11, kNoKeysLevelWordB = 12;

constexpr uint16_t kRestores = PLAYER_LEVEL_RESTORES_TAKEN;

// Plain levels stand at the start and after a comeback, and a hit throws
// them into the plain jump.
constexpr PlayerLevelRule kPlainLevel{0, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, 0};

constexpr PlayerLevelRule kLevelRules[] = {
    {kNoKeysLevel, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, PLAYER_LEVEL_NO_KEYS},
    {3, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {kGustLevel, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {6, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {7, PLAYER_ST_STAND, PLAYER_ST_STAND, 10, kRestores},
    {8, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {9, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {10, PLAYER_ST_SEQ_RIDE, PLAYER_ST_SEQ_RIDE, 0, kRestores | PLAYER_LEVEL_RIDE_COUNTER},
    {11, PLAYER_ST_SEQ_END, PLAYER_ST_SEQ_END, 0, kRestores | PLAYER_LEVEL_COMEBACK_OPTION},
    {13, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {14, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {16, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {kHighJumpLevel, PLAYER_ST_MOVE, PLAYER_ST_STAND, 16,
     kRestores | PLAYER_LEVEL_HIGH_JUMP | PLAYER_LEVEL_SPECIAL_STAND},
    {18, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {kAnchorLevel, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores | PLAYER_LEVEL_ANCHOR},
    {20, PLAYER_ST_ALT_STAND, PLAYER_ST_ALT_STAND, 20, PLAYER_LEVEL_ALT_FAMILY},
    {24, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {25, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores | PLAYER_LEVEL_KEEPS_COSTUME},
    {26, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {kDropLevel, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores},
    {kPlatformLevel, PLAYER_ST_STAND, PLAYER_ST_STAND, 0, kRestores | PLAYER_LEVEL_KEEPS_COSTUME},
};

// ---- level words and types ----------------------------------------------------------

constexpr int32_t kDropChanceWord = 178;    // + option: n of RandomInt(0, n)
constexpr int32_t kDropCountdownWord = 181; // + option
constexpr uint8_t kDropType = 80;
constexpr int32_t kDropAheadX = 1000, kDropAboveY = 500, kDropLowestY = 50;
constexpr uint8_t kPlatformType = 58;
constexpr uint8_t kAnchorTargetType = 19;
constexpr uint8_t kAnchorType = 17;
constexpr int32_t kAnchorPointWordX = 146, kAnchorPointWordY = 147;
constexpr int32_t kRiseLineWord = 161;
constexpr int32_t kRiseLineMargin = 30; // pixels below the line
constexpr int32_t kGustMarkWord = 101;

// Pickups that count toward count A when the player comes back.
constexpr uint8_t kCountedPickupTypes[] = {4, 5, 6, 56, 57, 70, 75, 76};
// Objects that go when the player comes back, in this order.
constexpr uint8_t gPlayerTypeList[] = {3, 8, 35, 16, 44, 37, 29, 79, 78, 58};
constexpr uint8_t kCarriedPickupType = 7;
constexpr int32_t kCarriedPickupVariant = 1;
constexpr uint8_t kHelpPickupType = 123; // its taken bit stays
constexpr int32_t kTakenPickupPenalty = 10;

constexpr uint8_t kFadePictureType = OBJT_FADE_PICTURE;
constexpr int32_t kZoneReach = 70;  // pixels either side of the zone point
constexpr int32_t kZoneDepth = 110; // pixels below it
constexpr int32_t kZoneCounterTop = 200;

constexpr uint8_t kCarriedDropType = 8;
constexpr int32_t kCarriedDropChance = 27; // of RandomInt(0, 50)

constexpr uint8_t kDriftType = 46;
constexpr int32_t kDriftLeftMargin = 32;
constexpr int32_t kDriftBandTop = 464, kDriftBandBottom = 508, kDriftLowBandBottom = 540;
constexpr int32_t kDriftBandStep = 5; // the band's top drops by this per script
constexpr int32_t kGustStep = 0x400, kGustTop = 0x190000;
constexpr int32_t kWindPastMark = -0x180, kWindBeforeMark = 0x800;
constexpr int32_t kWindCeiling = -8; // pixels

bool ObjectOfTypeExists(GameWorld* world, int32_t type) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, type) != nullptr;
}

// The type a placement makes; 0 for a code past the table.
uint8_t PlacementType(const GameWorld* world, const PlacementRecord& placement) {
    return placement.code < kTileCodeCount ? world->codeTypes[placement.code] : 0;
}

bool IsOrdinaryType(const GameWorld* world, uint8_t type) {
    return world->types[type].kind == OBJ_KIND_ORDINARY;
}

int32_t PlacementBit(const PlacementRecord& placement) {
    return static_cast<uint16_t>(placement.itemNumber);
}

int32_t PlacementLast(const GameWorld* world) {
    return world->placements != nullptr ? world->placementCount : -1;
}

void DeleteAllOfType(GameWorld* world, int32_t type) {
    uint16_t index = 0;
    while (ObjectSlot* object = FindNextObjectOfType(world, &index, type))
        DeleteObject(world, object);
}

int32_t ClampedOption(int32_t option) {
    return std::clamp(option, 0, 2);
}

} // namespace

const PlayerLevelRule& PlayerLevelRuleOf(int32_t level) {
    for (const PlayerLevelRule& rule : kLevelRules)
        if (rule.level == level)
            return rule;
    return kPlainLevel;
}

bool LevelHas(int32_t level, uint16_t flag) {
    return (PlayerLevelRuleOf(level).flags & flag) != 0;
}

bool PlayerKeysIgnored(const GameWorld* world, int32_t level) {
    return LevelHas(level, PLAYER_LEVEL_NO_KEYS) || level == LevelWord(world, kNoKeysLevelWordA) ||
           level == LevelWord(world, kNoKeysLevelWordB);
}

void RunLevelSpawners(PlayerFrame& f) {
    GameWorld* world = f.world;
    PlayerState* p = f.p;
    if (world->currentLevel == kDropLevel) {
        if (p->level27Countdown > 0) {
            --p->level27Countdown;
        } else {
            const int32_t option = ClampedOption(f.option);
            if (WorldRandomInt(0, LevelWord(world, kDropChanceWord + option)) == 1) {
                p->level27Countdown = LevelWord(world, kDropCountdownWord + option);
                const int64_t y =
                    std::max<int64_t>(int64_t{WholePixels(p->y)} - kDropAboveY, kDropLowestY);
                CreateObject(world, SlotCoordinate(int64_t{WholePixels(p->x)} + kDropAheadX),
                             SlotCoordinate(y), kDropType, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
            }
        }
    } else if (world->currentLevel == kPlatformLevel) {
        if (!ObjectOfTypeExists(world, kPlatformType))
            CreateNearPlayer(f, kPlatformType, 0, 0, 0);
    }
}

void BringBackAnchorTarget(PlayerFrame& f) {
    GameWorld* world = f.world;
    if (f.next != PLAYER_ST_STAND || f.p->level19Flag == 0 || world->currentLevel != kAnchorLevel ||
        ObjectOfTypeExists(world, kAnchorTargetType)) {
        return;
    }
    CreateObject(world, SlotCoordinate(LevelWord(world, kAnchorPointWordX)),
                 SlotCoordinate(LevelWord(world, kAnchorPointWordY)), kAnchorTargetType,
                 OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
}

void ApplyRiseLine(PlayerFrame& f) {
    if (f.world->currentLevel != kRiseLineLevel)
        return;
    const int64_t line = (int64_t{LevelWord(f.world, kRiseLineWord)} + kRiseLineMargin) * 65536;
    const int32_t s = f.next;
    if (f.p->y <= line || (s >= PLAYER_ST_LINE_MOVE && s <= PLAYER_ST_LINE_WALL + 1) ||
        IsHurtOrKnockedDown(s)) {
        return;
    }
    f.next = PLAYER_ST_LINE_RISE + Facing(s);
    f.p->vx = 0;
}

void RestoreLevelOnComeback(PlayerFrame& f) {
    GameWorld* world = f.world;
    LevelStatusRecord& status = world->levelStatus;
    const int32_t last = PlacementLast(world);

    // Count A rises on every comeback: the tally shows the pickups again.
    int32_t taken = 0;
    for (int32_t i = 0; i <= last; ++i) {
        const PlacementRecord& placement = world->placements[i];
        const uint8_t type = PlacementType(world, placement);
        if (!IsOrdinaryType(world, type) ||
            std::find(std::begin(kCountedPickupTypes), std::end(kCountedPickupTypes), type) ==
                std::end(kCountedPickupTypes)) {
            continue;
        }
        if (status.countA < UINT16_MAX)
            ++status.countA;
        if (!IsWorldBitClear(world, PlacementBit(placement)))
            ++taken;
    }

    for (uint8_t type : gPlayerTypeList)
        DeleteAllOfType(world, type);
    if (world->types[kCarriedPickupType].logicUnits * 16 >=
        static_cast<int32_t>(sizeof(PickupState))) {
        uint16_t index = 0;
        while (ObjectSlot* object = FindNextObjectOfType(world, &index, kCarriedPickupType)) {
            const PickupState* pickup = object->LogicAs<PickupState>();
            if (pickup != nullptr && pickup->variant == kCarriedPickupVariant)
                DeleteObject(world, object);
        }
    }

    if (world->currentLevel == kAnchorLevel) {
        f.p->level19Flag = 1;
        uint16_t index = 0;
        SendObjectMessage(world, FindNextObjectOfType(world, &index, kAnchorType), OBJ_EV_ANCHOR);
    }

    if (LevelHas(world->currentLevel, PLAYER_LEVEL_RESTORES_TAKEN)) {
        for (int32_t i = 0; i <= last; ++i) {
            const PlacementRecord& placement = world->placements[i];
            const uint8_t type = PlacementType(world, placement);
            if (IsOrdinaryType(world, type) && type != kHelpPickupType)
                SetWorldBit(world, PlacementBit(placement), 0);
        }
        status.penalty += kTakenPickupPenalty * taken;
    }
}

bool RunZoneCounter(PlayerFrame& f) {
    GameWorld* world = f.world;
    PlayerBlock& block = world->player;
    // Only a running counter (a stream under way) rises and falls.
    if (block.rainFlag != 0 && block.streamLevel > 1) {
        const int64_t dx = int64_t{f.object->x} - block.streamPointX;
        const bool near = dx >= -kZoneReach && dx <= kZoneReach &&
                          int64_t{f.object->y} < int64_t{block.streamPointY} + kZoneDepth;
        if (!near)
            --block.streamLevel;
        else if (block.streamLevel < kZoneCounterTop)
            ++block.streamLevel;
    }
    if (block.streamLevel == -1) {
        block.streamLevel = -2;
        SendObjectMessage(world, f.object, OBJ_EV_HURT_ALT);
        return false;
    }
    if (block.streamLevel == 1) {
        CreateNearPlayer(f, kFadePictureType, 0, 0, 0);
        block.streamLevel = -1;
    }
    return true;
}

void RunCarriedItem(PlayerFrame& f) {
    int32_t& carried = f.world->player.carriedItem;
    if (carried == 0)
        return;
    if ((static_cast<uint32_t>(f.p->collisionFlags) & COLLIDE_BLOCK_DOWN) != 0 && carried == 1) {
        LevelObjectVariantRecord record{1}; // read while the object is made
        CreateNearPlayer(f, kCarriedDropType, 0, 0, reinterpret_cast<intptr_t>(&record));
        carried = 2;
    }
    if (WorldRandomInt(0, 50) == kCarriedDropChance)
        carried = 1;
}

void RunWind(PlayerFrame& f) {
    GameWorld* world = f.world;
    PlayerBlock& block = world->player;
    int32_t& wind = block.driftSpeed;
    if (wind == 0)
        return;
    const MediaSet& drift = world->mediaSets[FindMediaSet(world, kDriftType)];
    const int32_t last = drift.lastScript;
    if (last >= 1) {
        const Camera& camera = world->camera;
        const int64_t viewLeft = (int64_t{camera.positionX} + camera.viewOffsetX) / 65536;
        const int64_t cameraY = camera.positionY / 65536;
        const int16_t x = SlotCoordinate(viewLeft + kDriftLeftMargin);
        const int32_t n = WorldRandomInt(0, last - 1);
        if (WorldRandomInt(0, 50 - WholePixels(block.gust)) == 5) {
            const int32_t top = kDriftBandTop + kDriftBandStep * n;
            const int32_t y =
                WorldRandomInt(std::min(top, kDriftBandBottom), std::max(top, kDriftBandBottom));
            CreateObject(world, x, SlotCoordinate(cameraY + y), kDriftType,
                         OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, n);
        }
        if (WorldRandomInt(0, 7) == 1) {
            const int32_t y = WorldRandomInt(kDriftBandTop, kDriftLowBandBottom);
            CreateObject(world, x, SlotCoordinate(cameraY + y), kDriftType,
                         OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, last - 1);
        }
    }
    if (world->currentLevel == kGustLevel) {
        if (f.object->x > LevelWord(world, kGustMarkWord)) {
            if (block.gust < kGustTop)
                block.gust = std::min(block.gust + kGustStep, kGustTop);
            wind =
                static_cast<int32_t>(std::max<int64_t>(int64_t{wind} + kWindPastMark, INT32_MIN));
        } else {
            wind =
                static_cast<int32_t>(std::min<int64_t>(int64_t{wind} + kWindBeforeMark, INT32_MAX));
        }
    }
    if (wind > Pixels(kWindCeiling))
        wind = Pixels(kWindCeiling);
}

} // namespace player
