// Pair rules of the chase, the thrown objects and the pickups: the player
// scoring on the chased character with its action or being hurt by it, thrown
// objects falling on the chased character or hitting targets, and the player
// collecting pickups.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/task_stack.h"
#include "menus/ui_flow_task.h"
#include "world/behaviour_state.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/pair_rules_internal.h"
#include "world/game_world.h"
#include "world/media_set.h"
#include "world/option_gate.h"

namespace pair_rules {

namespace {

// ---- the award for a chased state ---------------------------------------------------------------

constexpr int32_t kNoSound = -1;

struct ChasedAward {
    int32_t state; // current state with bit 0 cleared
    int32_t points;
    PopupIndex popup;
    int32_t soundGroup; // kNoSound: none
};

// Shared by the player's action and a thrown object: what landing on the
// character is worth in each state.
// clang-format off
constexpr ChasedAward kChasedAwards[] = {
    {0,  150, POPUP_150_POINTS, 57},
    {8,  200, POPUP_200_POINTS, 57},
    {26, 200, POPUP_200_POINTS, 57},
    {10, 150, POPUP_150_POINTS, 61},
    {16, 100, POPUP_100_POINTS, 58},
    {18, 100, POPUP_100_POINTS, 58},
    {20, 50,  POPUP_50_POINTS,  kNoSound},
    {22, 75,  POPUP_75_POINTS,  kNoSound},
    {62, 75,  POPUP_75_POINTS,  kNoSound},
    {64, 75,  POPUP_75_POINTS,  kNoSound},
    {68, 100, POPUP_100_POINTS, 59},
    {70, 100, POPUP_100_POINTS, 59},
    {72, 75,  POPUP_75_POINTS,  60},
    {74, 75,  POPUP_75_POINTS,  60},
};
// clang-format on
constexpr ChasedAward kNoAward{-1, 0, POPUP_NONE, kNoSound};

int32_t StateWithoutFacing(const ChasedState* chased) {
    return chased->currentState & ~CHASER_FACING_LEFT;
}

const ChasedAward& AwardFor(int32_t state) {
    for (const ChasedAward& award : kChasedAwards)
        if (award.state == state)
            return award;
    return kNoAward;
}

// Where the award sound is placed: the chased character as the player sees
// it; without a player it plays centred.
struct Pan {
    int32_t x, y;
};
Pan PanFromPlayer(const ObjectSlot* chased, const ObjectSlot* player) {
    if (player == nullptr)
        return Pan{0, 0};
    return Pan{chased->x - player->x, chased->y - player->y};
}

// The sound first, then the pop-up at (x, y) and the points.
void GiveChasedAward(GameWorld* world, int32_t state, Pan pan, int16_t x, int16_t y) {
    const ChasedAward& award = AwardFor(state);
    if (award.soundGroup != kNoSound)
        PlayGroupSound(world, static_cast<uint32_t>(award.soundGroup), pan.x, pan.y);
    Award(world, x, y, award.points, award.popup);
}

// ---- the chased character's states that hurt the player -----------------------------------------

// The player's action reaches no further than this square from the character.
constexpr int64_t kActionScoreLimit = 3600;
constexpr int32_t kLevelsChasedAtRest[] = {17, 20, 26};
constexpr int32_t kLevelChasedTurns = 3;
constexpr int32_t kCatchUpWord = 164;
constexpr int32_t kReachWord = 165;
constexpr int32_t kLeadWord = 169;
constexpr int32_t kKeyBoxRangeWord = 170;

bool HasHurtBox(GameWorld* world, ObjectSlot* chased) {
    return ShownSpriteKey(world, chased, kHurtBoxKey) != nullptr;
}

bool IsTauntTime(const ChasedState* chased) {
    return chased->tauntCountdown >= 42 && chased->tauntCountdown <= 44;
}

bool IsOneOf(int32_t value, const int32_t* values, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (values[i] == value)
            return true;
    return false;
}

// The chased character's state decides whether the player is hurt, with
// dx, dy the player's position less the character's.
void ChasedStateHurtsPlayer(const Pair& pair, ChasedState* c, PlayerState* p) {
    GameWorld* world = pair.world;
    ObjectSlot* player = pair.first;
    ObjectSlot* chased = pair.second;
    const int64_t dx = pair.dx, dy = pair.dy;
    const int64_t adx = Abs(dx);
    const int64_t dist = DistanceSquared(dx, dy);
    const int32_t option = CurrentUserOption();
    const int32_t level = CurrentLevel(world);
    const auto hurt = [&] { SendObjectMessage(world, player, OBJ_EV_HURT); };
    const auto hurtIfBoxShown = [&] {
        if (HasHurtBox(world, chased))
            hurt();
    };

    switch (StateWithoutFacing(c)) {
    case 0:
        if (IsOneOf(level, kLevelsChasedAtRest, std::size(kLevelsChasedAtRest)))
            break;
        if (dx < 0)
            hurt();
        if (level == kLevelChasedTurns && adx < 96)
            SendState(world, chased, 2, true);
        break;
    case 2:
    case 38:
        if (dx < 0)
            hurt();
        if (dist <= 4095)
            hurtIfBoxShown();
        break;
    case 4:
        if (adx < 96)
            hurt();
        break;
    case 8:
        if (adx < LevelWord(world, kReachWord))
            hurt();
        break;
    case 10:
        if (dx < 40)
            hurt();
        break;
    case 14:
        if (adx < 160) {
            hurt();
            world->player.gust = 0;
        }
        break;
    case 16:
        if (adx < 256)
            SendState(world, chased, 18, true);
        break;
    case 18:
    case 70:
    case 74:
        if (dx <= 49)
            hurt();
        else if (dist <= 65535)
            hurtIfBoxShown();
        break;
    case 20:
        if (dx < 110)
            hurt();
        break;
    case 22:
        if (adx < 110 || (dx < 350 && dy > -60 && IsTauntTime(c)))
            hurt();
        break;
    case 24:
        if (dx < 150)
            SendObjectMessage(world, player, OBJ_EV_SEQ_1);
        break;
    case 26:
        if (adx < 96) {
            SendState(world, chased, 38, true);
            if (adx < 70)
                hurt();
        }
        break;
    case 28:
        if (dx < 90)
            hurt();
        break;
    case 30:
    case 32:
        if (dist < 600)
            hurt();
        break;
    case 36:
        if (dx < 70)
            hurt();
        break;
    case 40:
        if (dx < 40 || (dx < 350 && dy > -60 && IsTauntTime(c)))
            hurt();
        break;
    case 44:
        if (const SpriteKeyRecord* key = ShownSpriteKey(world, chased, kStandBoxKey)) {
            if (player->x >= chased->x + key->x && player->y >= chased->y + key->y) {
                c->carryOffsetX = ToSlot(dx);
                c->carryOffsetY = key->y;
                SendState(world, chased, 46, false);
            }
        }
        break;
    case 48:
        if (adx >= 271)
            SendState(world, chased, 50, true);
        break;
    case 50:
        if (dist < 62500)
            SendState(world, chased, option == 0 ? 48 : 52, true);
        break;
    case 52:
        if (dist <= 65535)
            hurtIfBoxShown();
        break;
    case 66:
        if (adx < 100 && Abs(dy) < 50)
            hurt();
        break;
    case 68:
        if (dx < 100)
            hurt();
        else if (adx < LevelWord(world, kCatchUpWord))
            SendState(world, chased, 70, true);
        break;
    case 72:
        if (dx < 100)
            hurt();
        else if (adx < LevelWord(world, kReachWord))
            SendState(world, chased, 74, true);
        break;
    case 76:
        if (dx < LevelWord(world, kLeadWord))
            SendState(world, chased, option == 0 ? 80 : 78, true);
        break;
    case 78:
        if (dx < 30)
            hurt();
        else if (dist < Square(LevelWord(world, kKeyBoxRangeWord)))
            hurtIfBoxShown();
        break;
    case 82:
        if (dx > 120) {
            p->levelWordSpeedFlag = 1;
            hurt();
        }
        break;
    default:
        break;
    }
}

// ---- thrown objects -----------------------------------------------------------------------------

constexpr int32_t kLevelThrownStopsChased = 28;
constexpr int32_t kThrownStopState = 84;

// Squares within which a thrown object hits, by its type.
constexpr int64_t kHitLimitA = 1800; // OBJT_PROJECTILE_A
constexpr int64_t kHitLimitB = 900;  // OBJT_PROJECTILE_B

int64_t HitLimit(const ObjectSlot* thrown) {
    return thrown->typeId == OBJT_PROJECTILE_A ? kHitLimitA : kHitLimitB;
}

// A thrown object that a hit or a wall has disarmed is dying where it
// stopped: it hits nothing more, or it would take a target's hit points
// again every frame of its dying script.
bool ThrownIsArmed(const GameWorld* world, ObjectSlot* thrown) {
    const LevelObjectState* state = StateOf<LevelObjectState>(world, thrown);
    return state == nullptr || state->scorable != 0;
}

void DisarmThrown(const GameWorld* world, ObjectSlot* thrown) {
    if (LevelObjectState* state = StateOf<LevelObjectState>(world, thrown))
        Disarm(state);
}

// dx² + (dy - 30)²: the targets whose middle sits 30 pixels above their slot.
int64_t DistanceToMiddle(const Pair& pair) {
    return DistanceSquared(pair.dx, static_cast<int64_t>(pair.dy) - 30);
}

struct IdleTargetRow {
    uint8_t type;
    int32_t points;
    PopupIndex popup;
};
// clang-format off
constexpr IdleTargetRow kIdleTargets[] = {
    {16, 10, POPUP_10_POINTS},
    {31, 50, POPUP_50_POINTS},
    {77, 50, POPUP_50_POINTS},
};

// Limits are for OBJT_PROJECTILE_B; OBJT_PROJECTILE_A reaches twice as far.
struct TargetRow {
    uint8_t type;
    int64_t limit;
    int32_t points;
    PopupIndex popup;
};
constexpr TargetRow kTargets[] = {
    {39, 3600, 50, POPUP_50_POINTS},
    {40, 900,  75, POPUP_75_POINTS},
    {41, 1600, 50, POPUP_50_POINTS},
    {43, 1600, 75, POPUP_75_POINTS},
    {44, 1600, 50, POPUP_50_POINTS},
    {45, 1600, 50, POPUP_50_POINTS},
    {47, 400,  50, POPUP_50_POINTS},
    {48, 1600, 50, POPUP_50_POINTS},
    {51, 3600, 50, POPUP_50_POINTS},
    {52, 1600, 50, POPUP_50_POINTS},
};
// clang-format on

template <typename Row, size_t N> const Row* RowOf(const Row (&rows)[N], uint8_t type) {
    for (const Row& row : rows)
        if (row.type == type)
            return &row;
    return nullptr;
}

// A tough target takes one of its hit points and the thrown object stops
// there; at its last one the target is disarmed and the thrown object used
// up. `restartIdle`: the target goes back to idle itself, instead of being
// hit.
void HitToughTarget(const Pair& pair, LevelObjectState* target, bool restartIdle) {
    GameWorld* world = pair.world;
    ObjectSlot* thrown = pair.second;
    const int16_t x = thrown->x, y = thrown->y;
    if (target->hitPoints >= 2) {
        target->hitPoints -= 1;
        target->velocityX = target->velocityY = 0;
        if (restartIdle) {
            target->behaviourState = LEVEL_OBJECT_IDLE;
            target->wantedScript = LevelObjectBaseScript(*target);
        } else {
            const ObjectRef thrownRef = MakeObjectRef(thrown);
            SendObjectMessage(world, pair.first, OBJ_EV_HIT);
            if (!IsStillLive(world, thrownRef, thrown->typeId))
                return;
        }
        DisarmThrown(world, thrown);
        Award(world, x, y, 10, POPUP_10_POINTS);
        return;
    }
    Disarm(target);
    Award(world, x, y, 50, POPUP_50_POINTS);
    DeleteObject(world, thrown);
}

// ---- pickups ------------------------------------------------------------------------------------

constexpr int64_t kPickupReach = 2500;
constexpr int64_t kHelpReach = 5200;
constexpr int64_t kCarriedItemReach = 1600;
constexpr int32_t kRideReachX = 50;

constexpr int32_t kCollectableVariantPlain = 0;
constexpr int32_t kCollectableVariantCarried = 1;
constexpr int32_t kCarriedItemHeld = 1;
constexpr int32_t kCarriedItemDelivered = 2;

constexpr int32_t kLeverType = 37;
constexpr int32_t kChaseStartWordBase = 35;
constexpr int32_t kChaseStartState = 26;

// A pickup is taken once: collecting clears its available flag and marks it
// taken, for its own handler to finish.
bool Collect(PickupState* pickup) {
    if (pickup->available == 0)
        return false;
    pickup->available = 0;
    pickup->takenState = PICKUP_TAKEN;
    return true;
}

// dx² + dy30² below 2500, with dy30 the player's y less the pickup's less 30.
bool WithinPickupReach(const Pair& pair) {
    return DistanceSquared(pair.dx, static_cast<int64_t>(pair.dy) - 30) < kPickupReach;
}

// The reach of types 7, 12, 13, 14 and 70: with option 0 anywhere right of it.
bool WithinWideReach(const Pair& pair) {
    if (CurrentUserOption() == 0)
        return pair.dx > 0;
    return WithinPickupReach(pair);
}

// The pickup's state, when the pickup can still be taken.
PickupState* AvailablePickup(const Pair& pair) {
    PickupState* pickup = StateOf<PickupState>(pair.world, pair.second);
    return pickup != nullptr && pickup->available != 0 ? pickup : nullptr;
}

} // namespace

// ---- the player and the chased character --------------------------------------------------------

void PlayerMeetsChased(const Pair& pair) {
    GameWorld* world = pair.world;
    ObjectSlot* player = pair.first;
    ObjectSlot* chased = pair.second;
    PlayerState* p = StateOf<PlayerState>(world, player);
    ChasedState* c = StateOf<ChasedState>(world, chased);
    if (p == nullptr || c == nullptr)
        return;
    if (p->scoredFlag == 0 &&
        ActionPointReaches(world, p, chased->x, chased->y, kActionScoreLimit)) {
        p->scoredFlag = 1;
        SpawnEffect(world, player->x, player->y, EFFECT_KIND_DEATH_STARS);
        GiveChasedAward(world, StateWithoutFacing(c), PanFromPlayer(chased, player), chased->x,
                        chased->y);
        return;
    }
    ChasedStateHurtsPlayer(pair, c, p);
}

// ---- thrown objects -----------------------------------------------------------------------------

void ThrownObjectHitsChased(const Pair& pair) {
    GameWorld* world = pair.world;
    ObjectSlot* chased = pair.first;
    ObjectSlot* thrown = pair.second;
    ChasedState* c = StateOf<ChasedState>(world, chased);
    // It hits only falling onto the character from above.
    if (c == nullptr || pair.dy < 1 || pair.dy > 199 || Abs(pair.dx) > 59)
        return;
    if (!ThrownIsArmed(world, thrown))
        return;
    // The award goes by the state the character is in, not the one asked for.
    const int32_t state = StateWithoutFacing(c);
    const Pan pan = PanFromPlayer(chased, FirstObjectOfType(world, OBJT_PLAYER));
    const ObjectRef thrownRef = MakeObjectRef(thrown);
    const uint8_t thrownType = thrown->typeId;
    const int16_t x = thrown->x, y = thrown->y;
    if (CurrentLevel(world) == kLevelThrownStopsChased && c->currentState != kThrownStopState)
        SendState(world, chased, kThrownStopState, true);
    SpawnEffect(world, x, y, EFFECT_KIND_DEATH_STARS);
    GiveChasedAward(world, state, pan, x, y);
    DeleteObject(world, ResolveObjectRef(world, thrownRef, thrownType));
}

void ThrownObjectHitsIdleTarget(const Pair& pair) {
    GameWorld* world = pair.world;
    LevelObjectState* target = StateOf<LevelObjectState>(world, pair.first);
    const IdleTargetRow* row = RowOf(kIdleTargets, pair.first->typeId);
    ObjectSlot* thrown = pair.second;
    if (target == nullptr || row == nullptr || !ThrownIsArmed(world, thrown))
        return;
    if (DistanceSquared(pair.dx, pair.dy) >= HitLimit(thrown) ||
        target->behaviourState != LEVEL_OBJECT_IDLE) {
        return;
    }
    const ObjectRef thrownRef = MakeObjectRef(thrown);
    const uint8_t thrownType = thrown->typeId;
    Award(world, thrown->x, thrown->y, row->points, row->popup);
    SendObjectMessage(world, pair.first, OBJ_EV_HIT);
    DeleteObject(world, ResolveObjectRef(world, thrownRef, thrownType));
}

void ThrownObjectHitsTarget(const Pair& pair) {
    GameWorld* world = pair.world;
    LevelObjectState* target = StateOf<LevelObjectState>(world, pair.first);
    const TargetRow* row = RowOf(kTargets, pair.first->typeId);
    ObjectSlot* thrown = pair.second;
    if (target == nullptr || row == nullptr || !ThrownIsArmed(world, thrown))
        return;
    const int64_t limit = thrown->typeId == OBJT_PROJECTILE_A ? 2 * row->limit : row->limit;
    if (DistanceSquared(pair.dx, pair.dy) >= limit || target->scorable == 0)
        return;
    Disarm(target);
    Award(world, thrown->x, thrown->y, row->points, row->popup);
    DeleteObject(world, thrown);
}

void ThrownObjectHitsToughTarget(const Pair& pair) {
    LevelObjectState* target = StateOf<LevelObjectState>(pair.world, pair.first);
    if (target == nullptr || !ThrownIsArmed(pair.world, pair.second))
        return;
    if (DistanceToMiddle(pair) >= HitLimit(pair.second))
        return;
    HitToughTarget(pair, target, true);
}

void ThrownObjectHitsIdleToughTarget(const Pair& pair) {
    LevelObjectState* target = StateOf<LevelObjectState>(pair.world, pair.first);
    if (target == nullptr || target->behaviourState != LEVEL_OBJECT_IDLE ||
        !ThrownIsArmed(pair.world, pair.second)) {
        return;
    }
    if (DistanceToMiddle(pair) >= HitLimit(pair.second))
        return;
    HitToughTarget(pair, target, false);
}

void ThrownObjectHitsPusher(const Pair& pair) {
    constexpr int64_t kPusherReach = 8100;
    GameWorld* world = pair.world;
    ObjectSlot* thrown = pair.second;
    if (DistanceSquared(pair.dx, pair.dy) >= kPusherReach || !ThrownIsArmed(world, thrown))
        return;
    const int16_t x = thrown->x, y = thrown->y;
    Award(world, x, y, 75, POPUP_75_POINTS);
    SpawnEffect(world, x, y, EFFECT_KIND_DEATH_STARS);
    DeleteObject(world, thrown);
}

// ---- the player and the pickups -----------------------------------------------------------------

void PlayerTakesScoringPickup(const Pair& pair) {
    constexpr int32_t kRideHeight = 32, kRideOffsetLow = -25, kNarrowReach = 49;
    PlayerState* p = StateOf<PlayerState>(pair.world, pair.first);
    PickupState* pickup = AvailablePickup(pair);
    if (p == nullptr || pickup == nullptr)
        return;
    const uint8_t type = pair.second->typeId;
    bool reached;
    if (p->state == PLAYER_ST_SEQ_RIDE || p->state == PLAYER_ST_SEQ_RIDE_2) {
        // Riding, the player takes what lies on its side of the ride line.
        const bool rideHigh = p->rideOffset > kRideOffsetLow;
        const bool pickupHigh = pair.second->y <= pair.first->y - kRideHeight;
        reached = Abs(pair.dx) < kRideReachX && rideHigh != pickupHigh;
    } else if (CurrentUserOption() == 0 && (type == 56 || type == 57)) {
        reached = pair.dx >= -kNarrowReach && pair.dx <= kNarrowReach;
    } else {
        reached = WithinPickupReach(pair);
    }
    if (reached && Collect(pickup))
        AddToScore(pickup->points);
}

void PlayerTakesCollectable(const Pair& pair) {
    GameWorld* world = pair.world;
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr || !WithinWideReach(pair) || !Collect(pickup))
        return;
    const int16_t x = pair.second->x, y = pair.second->y;
    switch (pickup->variant) {
    case kCollectableVariantPlain:
        world->player.hudCount += 1;
        Award(world, x, y, 50, POPUP_50_POINTS);
        break;
    case kCollectableVariantCarried:
        world->player.carriedItem = kCarriedItemHeld;
        world->player.hudCount += 1;
        Award(world, x, y, 75, POPUP_75_POINTS);
        break;
    default:
        break;
    }
}

void PlayerTakesFlagPickup(const Pair& pair) {
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr || !WithinWideReach(pair) || !Collect(pickup))
        return;
    pair.world->player.pickupFlag = 1;
    AddToScore(pickup->points);
}

void PlayerTakesChaseStarter(const Pair& pair) {
    GameWorld* world = pair.world;
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr || !WithinWideReach(pair) || !Collect(pickup))
        return;
    const int32_t points = pickup->points;
    const int64_t x = pair.second->x, y = pair.second->y;
    const int32_t level = CurrentLevel(world);
    if (ObjectSlot* lever = FirstObjectOfType(world, kLeverType))
        SendObjectMessage(world, lever, OBJ_EV_HIT);
    const int64_t wordX = LevelWord(world, kChaseStartWordBase + 2 * level);
    const int64_t wordY = LevelWord(world, kChaseStartWordBase + 1 + 2 * level);
    if (ObjectSlot* chased = CreateObject(world, ToSlot(x + wordX), ToSlot(y + wordY), OBJT_CHASED,
                                          OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0)) {
        SendState(world, chased, kChaseStartState, false);
    }
    AddToScore(points);
}

void PlayerTakesChaseStopper(const Pair& pair) {
    constexpr int32_t kStopCounter = 2;
    GameWorld* world = pair.world;
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr || !WithinWideReach(pair) || !Collect(pickup))
        return;
    const int32_t points = pickup->points;
    if (ObjectSlot* chased = FirstObjectOfType(world, OBJT_CHASED)) {
        const ObjectRef chasedRef = MakeObjectRef(chased);
        SendState(world, chased, CHASER_ST_WAIT, false);
        ChasedState* c = IsStillLive(world, chasedRef, OBJT_CHASED)
                             ? StateOf<ChasedState>(world, chased)
                             : nullptr;
        if (c != nullptr) {
            c->secondCharacter = 1;
            c->stateCounter = kStopCounter;
            c->vx = 0;
        }
    }
    AddToScore(points);
}

void PlayerTakesPlainPickup(const Pair& pair) {
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr || !WithinWideReach(pair) || !Collect(pickup))
        return;
    AddToScore(pickup->points);
}

void PlayerReadsHelpPickup(const Pair& pair) {
    constexpr int32_t kHelpHeight = 48;
    PickupState* pickup = AvailablePickup(pair);
    if (pickup == nullptr)
        return;
    if (DistanceSquared(pair.dx, static_cast<int64_t>(pair.dy) - kHelpHeight) >= kHelpReach ||
        !Collect(pickup)) {
        return;
    }
    BroadcastTaskMessage(TASK_TAG_UIFLOW, UI_MSG_SHOW_HELP,
                         static_cast<uintptr_t>(static_cast<uint32_t>(pickup->variant)));
}

void PlayerReachesCarriedItem(const Pair& pair) {
    PlayerBlock& block = pair.world->player;
    if (block.carriedItem == kCarriedItemHeld &&
        DistanceSquared(pair.dx, pair.dy) < kCarriedItemReach) {
        block.carriedItem = kCarriedItemDelivered;
    }
}

} // namespace pair_rules
