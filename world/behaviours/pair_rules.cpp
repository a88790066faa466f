// The rules that run when two objects meet: the dispatch from a pair's types
// to the named rule, laid out as three tables, and the helpers the rules
// share. The rules themselves live in pair_rules_chase.cpp (the chase, the
// thrown objects and the pickups) and pair_rules_level.cpp (the level
// objects).
#include <algorithm>
#include <array>
#include <climits>

#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "media/volume.h"
#include "menus/save_file.h"
#include "world/behaviour_state.h"
#include "world/behaviours/actor_media.h"
#include "world/behaviours/behaviours.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/pair_rules_internal.h"
#include "world/game_world.h"
#include "world/media_set.h"
#include "world/script_engine.h"
#include "world/sound_channels.h"

namespace pair_rules {

namespace {

struct PairRuleRow {
    uint8_t type;
    PairRule rule;
};

// The player (first) by the type of what it meets (second).
// clang-format off
constexpr PairRuleRow kPlayerRules[] = {
    {3,   PlayerMeetsChased},            // OBJT_CHASED
    {4,   PlayerTakesScoringPickup},     // OBJT_PICKUP
    {5,   PlayerTakesScoringPickup},
    {6,   PlayerTakesScoringPickup},
    {7,   PlayerTakesCollectable},
    {8,   PlayerReachesCarriedItem},
    {12,  PlayerTakesFlagPickup},
    {13,  PlayerTakesChaseStarter},
    {14,  PlayerTakesChaseStopper},
    {15,  PlayerMeetsBarrier},
    {16,  PlayerMeetsStunTarget},
    {20,  PlayerNearsBomb},
    {21,  PlayerMeetsDroppedHazard},
    {29,  PlayerLandsOnFallingPlatform},
    {30,  PlayerMeetsTrap},
    {31,  PlayerMeetsHurtTarget},
    {32,  PlayerMeetsPouncer},
    {33,  PlayerTouchesHazard},
    {34,  PlayerTouchesStunner},
    {35,  PlayerStartsStream},
    {37,  PlayerMeetsLever},
    {39,  PlayerMeetsTarget},
    {40,  PlayerMeetsTarget},
    {41,  PlayerMeetsTarget},
    {42,  PlayerMeetsCharger},
    {43,  PlayerMeetsTarget},
    {44,  PlayerMeetsTarget},
    {45,  PlayerMeetsTarget},
    {46,  PlayerMeetsDrifter},
    {47,  PlayerMeetsTarget},
    {48,  PlayerMeetsTarget},
    {49,  PlayerEntersHurtZone},
    {50,  PlayerMeetsToughTarget},
    {51,  PlayerMeetsTarget},
    {52,  PlayerMeetsTarget},
    {53,  PlayerMeetsToughTarget},
    {56,  PlayerTakesScoringPickup},
    {57,  PlayerTakesScoringPickup},
    {58,  PlayerRidesMovingPlatform},
    {64,  PlayerEntersCameraZone},       // OBJT_CAMERA_ZONE
    {65,  PlayerMeetsSequenceTrigger},
    {66,  PlayerTriggersChase},
    {67,  PlayerReachesExit},
    {70,  PlayerTakesPlainPickup},
    {75,  PlayerTakesScoringPickup},
    {76,  PlayerTakesScoringPickup},
    {77,  PlayerMeetsHurtTarget},
    {78,  PlayerMeetsPusher},
    {79,  PlayerLandsOnPlatform},
    {80,  PlayerMeetsRoller},
    {81,  PlayerReachesWarp},
    {121, PlayerStartsFadePicture},      // OBJT_FADE_PICTURE
    {123, PlayerReadsHelpPickup},
};

// The chased character (first) by the type of what it meets (second).
constexpr PairRuleRow kChasedRules[] = {
    {8,   ChasedMeetsMarker},
    {15,  ChasedMeetsBarrier},
    {23,  ChasedMeetsJumpCell},          // OBJT_INERT
    {39,  ChasedKnocksTarget},
    {40,  ChasedKnocksTarget},
    {41,  ChasedKnocksTarget},
    {42,  ChasedKnocksTarget},
    {43,  ChasedKnocksTarget},
    {44,  ChasedKnocksTarget},
    {45,  ChasedKnocksTarget},
    {46,  ChasedMeetsDrifter},
    {47,  ChasedKnocksTarget},
    {48,  ChasedKnocksTarget},
    {50,  ChasedKnocksTarget},
    {51,  ChasedKnocksTarget},
    {52,  ChasedKnocksTarget},
    {66,  ChasedMeetsTrigger},
    {70,  ChasedTakesPickup},
    {79,  ChasedHitsPlatform},
    {119, ThrownObjectHitsChased},       // OBJT_PROJECTILE_A
    {120, ThrownObjectHitsChased},       // OBJT_PROJECTILE_B
};

// A target (first) by its own type, when the second is a thrown object.
constexpr PairRuleRow kTargetRules[] = {
    {16,  ThrownObjectHitsIdleTarget},
    {31,  ThrownObjectHitsIdleTarget},
    {39,  ThrownObjectHitsTarget},
    {40,  ThrownObjectHitsTarget},
    {41,  ThrownObjectHitsTarget},
    {42,  ThrownObjectHitsToughTarget},
    {43,  ThrownObjectHitsTarget},
    {44,  ThrownObjectHitsTarget},
    {45,  ThrownObjectHitsTarget},
    {47,  ThrownObjectHitsTarget},
    {48,  ThrownObjectHitsTarget},
    {50,  ThrownObjectHitsToughTarget},
    {51,  ThrownObjectHitsTarget},
    {52,  ThrownObjectHitsTarget},
    {53,  ThrownObjectHitsIdleToughTarget},
    {77,  ThrownObjectHitsIdleTarget},
    {78,  ThrownObjectHitsPusher},
};
// clang-format on

// Type ids are bytes, so a table of 256 covers every id a slot can hold.
using RuleTable = std::array<PairRule, 256>;

template <size_t N> constexpr RuleTable MakeRuleTable(const PairRuleRow (&rows)[N]) {
    RuleTable table{};
    for (const PairRuleRow& row : rows)
        table[row.type] = row.rule;
    return table;
}

constexpr RuleTable kPlayerRuleTable = MakeRuleTable(kPlayerRules);
constexpr RuleTable kChasedRuleTable = MakeRuleTable(kChasedRules);
constexpr RuleTable kTargetRuleTable = MakeRuleTable(kTargetRules);

} // namespace

// ---- helpers ------------------------------------------------------------------------------------

int32_t ToFixed(int64_t pixels) {
    return static_cast<int32_t>(std::clamp<int64_t>(Fixed(pixels), INT32_MIN, INT32_MAX));
}

int32_t AddPixels(int32_t fixed, int64_t pixels) {
    return static_cast<int32_t>(std::clamp<int64_t>(fixed + Fixed(pixels), INT32_MIN, INT32_MAX));
}

int16_t ToSlot(int64_t pixels) {
    return static_cast<int16_t>(std::clamp<int64_t>(pixels, INT16_MIN, INT16_MAX));
}

ScriptActor* ActorOf(const GameWorld* world, ObjectSlot* object) {
    const int32_t bytes = world->types[object->typeId].drawUnits * 16;
    if (object->draw == nullptr || bytes < static_cast<int32_t>(sizeof(ScriptActor)))
        return nullptr;
    return object->DrawAs<ScriptActor>();
}

bool IsStillLive(GameWorld* world, const ObjectRef& ref, int32_t type) {
    return ResolveObjectRef(world, ref, type) != nullptr;
}

ObjectSlot* FirstObjectOfType(GameWorld* world, int32_t type) {
    uint16_t index = 0;
    return FindNextObjectOfType(world, &index, type);
}

int32_t CurrentLevel(const GameWorld* world) {
    return world->currentLevel;
}

void AddToScore(int32_t points) {
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    // A score that runs past the top wraps as a 32-bit counter would.
    user->runningScore = static_cast<int32_t>(static_cast<uint32_t>(user->runningScore) +
                                              static_cast<uint32_t>(points));
}

void Award(GameWorld* world, int16_t x, int16_t y, int32_t points, PopupIndex popup) {
    if (popup != POPUP_NONE)
        CreateObject(world, x, y, OBJT_SCORE_POPUP, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, popup);
    AddToScore(points);
}

void Disarm(LevelObjectState* state) {
    state->scorable = 0;
    state->struck = 1;
}

void SetTakenBit(GameWorld* world, const ObjectSlot* object) {
    SetWorldBit(world, object->itemNumber, 1);
}

void SendState(GameWorld* world, ObjectSlot* object, int32_t state, bool keepFacing) {
    const uint32_t s = static_cast<uint32_t>(state) | (keepFacing ? OBJ_STATE_KEEP_FACING : 0u);
    SendObjectMessage(world, object, OBJ_EV_SET_STATE + s);
}

bool ActionPointReaches(const GameWorld* world, const PlayerState* player, int32_t x, int32_t y,
                        int64_t limit) {
    return player->costume == 1 &&
           DistanceSquared(world->player.actionPointX - x, world->player.actionPointY - y) < limit;
}

bool RidesOrFalls(const PlayerState* player) {
    switch (player->state) {
    case PLAYER_ST_SEQ_END:
    case PLAYER_ST_SEQ_FINAL:
    case PLAYER_ST_SEQ_RIDE:
    case PLAYER_ST_SEQ_RIDE_2:
        return true;
    default:
        return player->vy > kFallingFast;
    }
}

bool IsInvulnerable(const ObjectSlot* player) {
    return (player->flags & PLAYER_SLOT_INVULNERABLE) != 0;
}

void StopPlayerAt(PlayerState* player, int64_t pixels, uint32_t collideFlag) {
    player->x = ToFixed(pixels);
    player->collisionFlags |= static_cast<int32_t>(collideFlag);
    player->vx = 0;
    player->bumpLock = 1;
}

void LandPlayerAt(PlayerState* player, int64_t pixels) {
    player->collisionFlags |= static_cast<int32_t>(COLLIDE_BLOCK_DOWN);
    player->y = ToFixed(pixels);
}

const SpriteKeyRecord* ShownSpriteKey(GameWorld* world, ObjectSlot* object, uint16_t key) {
    ScriptActor* actor = ActorOf(world, object);
    return actor == nullptr ? nullptr : ActorSpriteKey(world, actor, key);
}

Box BoxAt(const ObjectSlot* object, const SpriteKeyRecord& record) {
    const int32_t left = object->x + record.x;
    const int32_t top = object->y + record.y;
    return Box{left, top, left + record.width, top + record.height};
}

} // namespace pair_rules

namespace {

// The rule for a first object of type `first` and a second of type
// `second`, the first having the lower type id. Only the player, the chased
// character and a pair with a thrown object have rules, so every other pair
// has none.
constexpr pair_rules::PairRule RuleFor(uint8_t first, uint8_t second) {
    using namespace pair_rules;
    switch (first) {
    case OBJT_PLAYER:
        return kPlayerRuleTable[second];
    case OBJT_CHASED:
        return kChasedRuleTable[second];
    default:
        if (second == OBJT_PROJECTILE_A || second == OBJT_PROJECTILE_B)
            return kTargetRuleTable[first];
        return nullptr;
    }
}

// For every two types, in either order, whether the pair has a rule, and
// for every type whether it has a rule with any; a free slot (type 0) meets
// nothing.
struct MeetTable {
    uint8_t meets[256][256];
    bool meetsAny[256];
    MeetTable() : meets{}, meetsAny{} {
        for (int32_t a = 1; a < 256; ++a)
            for (int32_t b = a; b < 256; ++b) {
                const bool has =
                    RuleFor(static_cast<uint8_t>(a), static_cast<uint8_t>(b)) != nullptr;
                meets[a][b] = has ? 1 : 0;
                meets[b][a] = has ? 1 : 0;
                meetsAny[a] = meetsAny[a] || has;
                meetsAny[b] = meetsAny[b] || has;
            }
    }
};

const MeetTable& Meetings() {
    static const MeetTable table;
    return table;
}

} // namespace

const uint8_t* ObjectPairRuleRow(uint8_t typeId) {
    const MeetTable& table = Meetings();
    return table.meetsAny[typeId] ? table.meets[typeId] : nullptr;
}

// The pair scan names the first object by the lower type id.
void ResolveObjectPair(GameWorld* world, ObjectSlot* first, ObjectSlot* second) {
    const pair_rules::PairRule rule = RuleFor(first->typeId, second->typeId);
    if (rule == nullptr)
        return;
    rule(pair_rules::Pair{world, first, second, first->x - second->x, first->y - second->y});
}
