// Pair rules of the level objects: what happens when the player, or the
// chased character, meets a hazard, platform, switch, exit, trigger or target
// placed in the level. The level-specific tricks of the triggers and the
// exit are named rules with their levels in tables or one switch each.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/helpers.h"

#include "world/behaviour_state.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/pair_rules_internal.h"
#include "world/game_world.h"
#include "world/media_set.h"
#include "world/option_gate.h"
#include "world/play_task.h"
#include "world/script_engine.h"

namespace pair_rules {

namespace {

// ---- shared by the rules of this file -----------------------------------------------------------

// The action point reaches a target within this square, or the wider one
// where a rule says so.
constexpr int64_t kActionReach = 2025;
constexpr int64_t kActionReachWide = 3025;

struct PlayerPair {
    GameWorld* world;
    ObjectSlot* player;
    ObjectSlot* object;
    PlayerState* p;
    int32_t dx, dy;
};

// The player's state with the pair; false when the player has none.
bool ReadPlayer(const Pair& pair, PlayerPair* out) {
    PlayerState* p = StateOf<PlayerState>(pair.world, pair.first);
    if (p == nullptr)
        return false;
    *out = PlayerPair{pair.world, pair.first, pair.second, p, pair.dx, pair.dy};
    return true;
}

void Hurt(const PlayerPair& pp) {
    SendObjectMessage(pp.world, pp.player, OBJ_EV_HURT);
}
void HurtAlt(const PlayerPair& pp) {
    SendObjectMessage(pp.world, pp.player, OBJ_EV_HURT_ALT);
}
void Stun(const PlayerPair& pp) {
    SendObjectMessage(pp.world, pp.player, OBJ_EV_STUN);
}
void HitObject(GameWorld* world, ObjectSlot* object) {
    SendObjectMessage(world, object, OBJ_EV_HIT);
}

// The object's award: a pop-up at the object and the points.
void AwardAt(GameWorld* world, const ObjectSlot* object, int32_t points, PopupIndex popup) {
    Award(world, object->x, object->y, points, popup);
}

// Hits the object; whether it is still there afterwards, for a hit may end
// it and the rules must not touch its slot then.
bool HitAndStillLive(GameWorld* world, ObjectSlot* object) {
    const ObjectRef ref = MakeObjectRef(object);
    const uint8_t type = object->typeId;
    HitObject(world, object);
    return IsStillLive(world, ref, type);
}

// dx² + (dy - 30)²: the objects whose middle sits 30 pixels above their slot.
int64_t DistanceToMiddle(int64_t dx, int64_t dy) {
    return DistanceSquared(dx, dy - 30);
}

// The option code of the map cell left of the object.
int32_t LeftOption(const GameWorld* world, const ObjectSlot* object) {
    return LeftCellParameter(world, object);
}

// The player's entry record, or null.
EntryRecord* PlayerEntry(GameWorld* world, const ObjectSlot* player) {
    if (player->itemNumber < 0 || player->itemNumber >= kEntryRecordCount)
        return nullptr;
    return &world->entries[player->itemNumber];
}

// ---- targets scored by the action or by landing on them -----------------------------------------

enum class Nearness : uint8_t {
    Distance, // dx² + dy² below the limit
    Middle,   // dx² + (dy - 30)² below the limit
    Box,      // within the target's own box, which also hits it
};

struct PlayerTargetRow {
    uint8_t type;
    int32_t actionOffset; // added to the target's y for the action point
    Nearness nearness;
    int64_t limit;
    int32_t points;
    PopupIndex popup;
};

// clang-format off
constexpr PlayerTargetRow kPlayerTargets[] = {
    {39, -30, Nearness::Distance, 625,  50, POPUP_50_POINTS},
    {40,  0,  Nearness::Middle,   2025, 75, POPUP_75_POINTS},
    {41, -30, Nearness::Distance, 625,  50, POPUP_50_POINTS},
    {43, -30, Nearness::Middle,   2025, 75, POPUP_75_POINTS},
    {44,  0,  Nearness::Middle,   2025, 50, POPUP_50_POINTS},
    {45,  0,  Nearness::Middle,   1600, 50, POPUP_50_POINTS},
    {47, -30, Nearness::Distance, 1225, 50, POPUP_50_POINTS},
    {48, -30, Nearness::Distance, 625,  50, POPUP_50_POINTS},
    {51, -30, Nearness::Distance, 625,  50, POPUP_50_POINTS},
    {52, -30, Nearness::Box,      0,    50, POPUP_50_POINTS},
};
// clang-format on

bool WithinTargetBox(int32_t dx, int32_t dy) {
    return dx >= -34 && dx <= 34 && dy >= -24 && dy <= 24;
}

bool IsNear(const PlayerTargetRow& row, int32_t dx, int32_t dy) {
    switch (row.nearness) {
    case Nearness::Distance:
        return DistanceSquared(dx, dy) < row.limit;
    case Nearness::Middle:
        return DistanceToMiddle(dx, dy) < row.limit;
    case Nearness::Box:
        return WithinTargetBox(dx, dy);
    }
    return false;
}

const PlayerTargetRow* PlayerTargetOf(uint8_t type) {
    for (const PlayerTargetRow& row : kPlayerTargets)
        if (row.type == type)
            return &row;
    return nullptr;
}

void ScoreTarget(GameWorld* world, const ObjectSlot* object, LevelObjectState* st,
                 const PlayerTargetRow& row) {
    if (st->scorable == 0)
        return;
    Disarm(st);
    AwardAt(world, object, row.points, row.popup);
}

// ---- the trigger of the chase -------------------------------------------------------------------

constexpr int32_t kLevelRain = 7;
constexpr int32_t kLevelWindy = 4;
constexpr int32_t kLevelHeldStart = 8;
constexpr int32_t kLevelHovering = 21;
constexpr int32_t kLevelTwoStarts = 24;
constexpr int32_t kWindyStart = -9; // pixels a frame
constexpr int32_t kHeldStartCounterWord = 145;
constexpr int32_t kHoverVx = 4, kHoverVy = 1; // pixels a frame
constexpr int32_t kExactStartCode = 240;      // the second start of level 24
constexpr int32_t kChaseStartWordBase = 35;

struct ChaseStartRow {
    int32_t level;
    int32_t state;
};
// clang-format off
constexpr ChaseStartRow kChaseStarts[] = {
    {4, 14}, {5, 16}, {6, 16}, {8, 10}, {9, 20}, {10, 24}, {14, 26}, {16, 40},
    {17, 44}, {18, 50}, {20, 54}, {21, 64}, {24, 68}, {25, 76}, {26, 82},
};
// clang-format on
constexpr int32_t kLevel24SecondStart = 72;

int32_t ChaseStartState(const GameWorld* world, const ObjectSlot* trigger) {
    const int32_t level = CurrentLevel(world);
    if (level == kLevelTwoStarts &&
        RightCellCode(world, trigger->x, trigger->y) == kExactStartCode) {
        return kLevel24SecondStart;
    }
    for (const ChaseStartRow& row : kChaseStarts)
        if (row.level == level)
            return row.state;
    return 0;
}

// On the rain level the trigger starts the rain, once, instead of a chase.
void StartRain(const PlayerPair& pp) {
    PlayerBlock& block = pp.world->player;
    if (block.rainFlag != 0)
        return;
    block.rainFlag = 1;
    SpawnEffect(pp.world, pp.player->x, pp.player->y, EFFECT_KIND_RAIN,
                OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
}

void StartChase(const PlayerPair& pp) {
    GameWorld* world = pp.world;
    const int32_t level = CurrentLevel(world);
    const int64_t x =
        pp.object->x + static_cast<int64_t>(LevelWord(world, kChaseStartWordBase + 2 * level));
    const int64_t y =
        pp.object->y + static_cast<int64_t>(LevelWord(world, kChaseStartWordBase + 1 + 2 * level));
    const int32_t state = ChaseStartState(world, pp.object);
    if (level == kLevelWindy)
        world->player.driftSpeed = ToFixed(kWindyStart);
    ObjectSlot* chased = CreateObject(world, ToSlot(x), ToSlot(y), OBJT_CHASED,
                                      OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, 0);
    if (chased == nullptr)
        return;
    const ObjectRef ref = MakeObjectRef(chased);
    SendState(world, chased, state, false);
    ChasedState* c =
        IsStillLive(world, ref, OBJT_CHASED) ? StateOf<ChasedState>(world, chased) : nullptr;
    if (c == nullptr)
        return;
    if (level == kLevelHeldStart) {
        c->flags |= CHASER_FLAG_NO_SCRIPT_MOTION;
        c->stateCounter = LevelWord(world, kHeldStartCounterWord);
    } else if (level == kLevelHovering) {
        c->vx = ToFixed(kHoverVx);
        c->vy = ToFixed(kHoverVy);
    }
}

// ---- the sequence trigger -----------------------------------------------------------------------

constexpr int32_t kLevelRide = 10;
constexpr int32_t kLevelSequence = 11;

void HalveVx(PlayerState* p) {
    p->vx /= 2;
}

// Option codes 2 to 6 of a sequence trigger act only on the ride and
// sequence levels; true when the code is one of them.
bool RunSequenceCode(const PlayerPair& pp, int32_t code) {
    GameWorld* world = pp.world;
    PlayerState* p = pp.p;
    const int32_t level = CurrentLevel(world);
    switch (code) {
    case 1:
        SendObjectMessage(world, pp.player, OBJ_EV_SPEED_B);
        return true;
    case 2:
        if (level == kLevelRide)
            p->shakeFlag = 1;
        else if (level == kLevelSequence && p->state == PLAYER_ST_SEQ_END)
            SendObjectMessage(world, pp.player, OBJ_EV_SEQ_3);
        return true;
    case 3:
        if (level == kLevelRide)
            p->shakeFlag = 0;
        else if (level == kLevelSequence && p->state == PLAYER_ST_SEQ_FINAL)
            SendObjectMessage(world, pp.player, OBJ_EV_SEQ_4);
        return true;
    case 4:
        if (level == kLevelRide && p->shakeCounter == 0 && p->rideOffset >= -39) {
            p->shakeCounter = 8;
            p->shakeFlag = 1;
            HalveVx(p);
        }
        return true;
    case 5:
        if (level == kLevelRide && p->shakeCounter == 0 && p->rideOffset < -10) {
            p->shakeCounter = 20;
            p->shakeFlag = 1;
            HalveVx(p);
        }
        return true;
    case 6:
        if (level != kLevelRide)
            return true;
        if (p->state == PLAYER_ST_SEQ_RIDE || p->state == PLAYER_ST_SEQ_RIDE_2)
            SendObjectMessage(world, pp.player, OBJ_EV_SEQ_2);
        else if (p->state == PLAYER_ST_SEQ_END)
            p->shakeCounter = 20;
        return true;
    default:
        return false;
    }
}

// ---- the exit -----------------------------------------------------------------------------------

constexpr int32_t kLevelGuardedExit = 28;
constexpr int32_t kLevelFlaggedExit = 12;
constexpr int32_t kFirstExitDestination = 2, kLastExitDestination = 6;

bool ExitIsOpen(const GameWorld* world) {
    if (CurrentLevel(world) != kLevelGuardedExit)
        return true;
    return world->player.hudIcon1 > 1 && world->player.hudIcon2 > 0;
}

// The exit's destination is the map code it was placed from.
int32_t ExitDestination(const ObjectSlot* exit) {
    return exit->placement != nullptr ? exit->placement->code : -1;
}

bool ExitReaches(const PlayerPair& pp, int32_t code) {
    switch (code) {
    case 1:
        return pp.dy >= 1 && Abs(pp.dx) < 96;
    case 2:
        return false;
    case 3:
        return DistanceSquared(pp.dx, pp.dy) < 2500;
    default:
        return Abs(pp.dx) <= 31;
    }
}

void TakeExit(const PlayerPair& pp, int32_t destination) {
    GameWorld* world = pp.world;
    if (CurrentLevel(world) == kLevelFlaggedExit && world->player.pickupFlag == 0)
        return;
    EntryRecord* record = PlayerEntry(world, pp.player);
    // The record's flag keeps a reached exit from asking again every frame.
    if (record == nullptr || (record->flags & ENTRY_FLAG_DESTINATION_CHOSEN) != 0)
        return;
    const int32_t level = world->destinations[destination][0];
    const int32_t entry = world->destinations[destination][1];
    CountLevelCollectables(world);
    record->flags |= ENTRY_FLAG_DESTINATION_CHOSEN;
    record->level = static_cast<int8_t>(level);
    RequestLevelChange(world, level, static_cast<uint16_t>(entry));
}

// ---- the chased character's trigger -------------------------------------------------------------

constexpr int32_t kLevelEscape = 3;
constexpr int32_t kLevelWaitStop = 4;
constexpr int32_t kLevelRestart = 8;
constexpr int32_t kLevelPing = 9;
constexpr int32_t kLevelHold = 10;
constexpr int32_t kLevelFinal = 11;
constexpr int32_t kLevelRise = 20;

// Option code 1 of the trigger, by level. Either object may be gone
// afterwards.
void RunChasedCode1(const Pair& pair, ChasedState* c) {
    GameWorld* world = pair.world;
    ObjectSlot* chased = pair.first;
    ObjectSlot* trigger = pair.second;
    const ObjectRef ref = MakeObjectRef(chased);
    const int32_t current = c->currentState;
    switch (CurrentLevel(world)) {
    case kLevelEscape:
        SendState(world, chased, CHASER_ST_ESCAPE, true);
        if (IsStillLive(world, ref, OBJT_CHASED))
            c->secondCharacter = 1;
        SetTakenBit(world, trigger);
        DeleteObject(world, trigger);
        break;
    case kLevelWaitStop:
        c->vx = 0;
        c->secondCharacter = 1;
        break;
    case kLevelRestart:
        if (current != 0 && current != 1) {
            SendState(world, chased, CHASER_ST_STAND, true);
            if (IsStillLive(world, ref, OBJT_CHASED))
                c->stateCounter = 3;
        }
        break;
    case kLevelPing:
        SendObjectMessage(world, chased, OBJ_EV_PING);
        break;
    case kLevelHold:
        c->flags |= CHASER_FLAG_NO_SCRIPT_MOTION;
        c->secondCharacter = 1;
        c->vx = 0;
        break;
    case kLevelFinal:
        if (current != 34 && current != 35) {
            SendState(world, chased, 34, true);
            if (IsStillLive(world, ref, OBJT_CHASED))
                c->secondCharacter = 1;
        }
        break;
    default:
        DeleteObject(world, chased);
        break;
    }
}

void RunChasedCode2(const Pair& pair, ChasedState* c) {
    GameWorld* world = pair.world;
    ObjectSlot* chased = pair.first;
    const int32_t current = c->currentState;
    switch (CurrentLevel(world)) {
    case kLevelRestart:
        if (current != CHASER_ST_WAIT && current != CHASER_ST_WAIT + 1) {
            c->secondCharacter = 1;
            SendState(world, chased, CHASER_ST_WAIT, true);
        }
        break;
    case kLevelRise:
        if (current != CHASER_ST_RISE && current != CHASER_ST_RISE + 1)
            SendState(world, chased, CHASER_ST_RISE, false);
        break;
    default:
        SendObjectMessage(world, chased, OBJ_EV_STUN);
        break;
    }
}

// ---- the chased character's jumps ---------------------------------------------------------------

struct JumpRow {
    int32_t code;
    int32_t height; // pixels
};
constexpr JumpRow kJumps[] = {{1, 15}, {2, 20}, {3, 23}, {5, 27}, {6, 29}, {7, 31}, {8, 33}};
constexpr int32_t kDefaultJump = 25;
// Braking, a jump turns into the braking jump.
constexpr int16_t kBrakeJumpState = 36;
constexpr uint32_t kJumpSoundGroup = 52;

int32_t JumpHeight(int32_t code) {
    for (const JumpRow& row : kJumps)
        if (row.code == code)
            return row.height;
    return kDefaultJump;
}

} // namespace

// ---- the player and the level objects -----------------------------------------------------------

void PlayerMeetsBarrier(const Pair& pair) {
    constexpr int32_t kLeftWord = 105, kRightWord = 106, kHeightWord = 107, kDepthWord = 108;
    constexpr int16_t kBehindDepth = 31, kInFrontDepth = 3;
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr || st->hitCount >= 3)
        return;
    GameWorld* world = pair.world;
    PlayerState* p = pp.p;
    const int64_t ox = pp.object->x;
    const int64_t left = LevelWord(world, kLeftWord), right = LevelWord(world, kRightWord);
    const int64_t a = ox + left, b = ox + right;
    const int64_t m = a + (right - left) / 2;
    if (pp.player->y > pp.object->y + static_cast<int64_t>(LevelWord(world, kHeightWord))) {
        // Each half of the barrier sends the player back out of its side.
        if (Fixed(a) < p->x && p->x < Fixed(m) && p->vx >= 0 && p->previousX > Fixed(a - 3))
            StopPlayerAt(p, a, COLLIDE_BLOCK_RIGHT);
        if (Fixed(m) < p->x && p->x < Fixed(b) && p->vx <= 0 && p->previousX < Fixed(b + 3))
            StopPlayerAt(p, b, COLLIDE_BLOCK_LEFT);
    }
    if (Fixed(a) < p->x && p->x < Fixed(b)) {
        const int64_t front = ox + LevelWord(world, kDepthWord);
        pp.object->depth = p->x < Fixed(front) ? kBehindDepth : kInFrontDepth;
    }
}

// An idle target the player's action point reaches scores and takes a hit;
// false when the hit removed it.
static bool ScoreIdleTargetByAction(const PlayerPair& pp, const LevelObjectState* st,
                                    int32_t points, PopupIndex popup) {
    if (st->behaviourState != LEVEL_OBJECT_IDLE ||
        !ActionPointReaches(pp.world, pp.p, pp.object->x, pp.object->y, kActionReach))
        return true;
    AwardAt(pp.world, pp.object, points, popup);
    return HitAndStillLive(pp.world, pp.object);
}

void PlayerMeetsStunTarget(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    GameWorld* world = pp.world;
    ObjectSlot* object = pp.object;
    if (!ScoreIdleTargetByAction(pp, st, 10, POPUP_10_POINTS))
        return;
    if (st->behaviourState < LEVEL_OBJECT_FINISHED && pp.dx >= -34 && pp.dx <= 84 &&
        Abs(pp.dy) < 60) {
        const int32_t item = object->itemNumber;
        Stun(pp);
        HitObject(world, object);
        SetWorldBit(world, item, 1);
    }
}

void PlayerNearsBomb(const Pair& pair) {
    if (pair.dx < 130 && Abs(pair.dy) < 130)
        HitObject(pair.world, pair.second);
}

void PlayerMeetsDroppedHazard(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    if (st->behaviourState == LEVEL_OBJECT_IDLE && Abs(pp.dx) < 50 && Abs(pp.dy) < 50)
        Hurt(pp);
}

void PlayerLandsOnFallingPlatform(const Pair& pair) {
    constexpr int32_t kFallWord = 162;
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    GameWorld* world = pp.world;
    PlayerState* p = pp.p;
    const SpriteKeyRecord* key = ShownSpriteKey(world, pp.object, kStandBoxKey);
    if (key == nullptr)
        return;
    const Box box = BoxAt(pp.object, *key);
    if (!box.Contains(pp.player->x, pp.player->y))
        return;
    switch (p->state) {
    case PLAYER_ST_LINE_MOVE:
    case PLAYER_ST_LINE_MOVE + 1:
        // Along the line the platform is a wall, met from either side.
        p->collisionFlags |=
            static_cast<int32_t>(p->vx < 1 ? COLLIDE_BLOCK_LEFT : COLLIDE_BLOCK_RIGHT);
        p->vx = p->vy = 0;
        return;
    case PLAYER_ST_LINE_WALL:
    case PLAYER_ST_LINE_WALL + 1:
        return;
    case PLAYER_ST_AIRBORNE:
    case PLAYER_ST_AIRBORNE + 1:
        if (p->vy < 1)
            return;
        break;
    default:
        break;
    }
    LandPlayerAt(p, box.top);
    if (st->timer != 0)
        return;
    st->timer = 1;
    // Landing on one starts the fall of every platform still waiting to its left.
    const int32_t divisor = std::max<int32_t>(1, LevelWord(world, kFallWord) - 1);
    uint16_t index = 0;
    while (ObjectSlot* other = FindNextObjectOfType(world, &index, pp.object->typeId)) {
        LevelObjectState* os = StateOf<LevelObjectState>(world, other);
        if (other == pp.object || os == nullptr || os->timer != 0 || os->positionX >= st->positionX)
            continue;
        os->timer = CrtRand() % divisor + 1;
    }
}

void PlayerMeetsTrap(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    if (st->behaviourState == LEVEL_OBJECT_IDLE) {
        if (Abs(pp.dx) < 32)
            HitObject(pp.world, pp.object);
    } else if (st->behaviourState == LEVEL_OBJECT_TRIGGERED) {
        if (DistanceSquared(pp.dx, pp.dy) < 900)
            Hurt(pp);
    }
}

void PlayerMeetsHurtTarget(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    GameWorld* world = pp.world;
    ObjectSlot* object = pp.object;
    if (!ScoreIdleTargetByAction(pp, st, 50, POPUP_50_POINTS))
        return;
    if (st->behaviourState < LEVEL_OBJECT_FINISHED && Abs(pp.dx) < 35 && Abs(pp.dy) < 30) {
        const int32_t item = object->itemNumber;
        Hurt(pp);
        HitObject(world, object);
        SetWorldBit(world, item, 1);
    }
}

void PlayerMeetsPouncer(const Pair& pair) {
    constexpr int32_t kRangeWord = 116, kRangePerOptionWord = 117;
    constexpr int32_t kHardestOption = 2;
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr || st->scorable == 0)
        return;
    GameWorld* world = pp.world;
    ObjectSlot* object = pp.object;
    if (st->behaviourState == LEVEL_OBJECT_IDLE) {
        const int64_t range = (kHardestOption - static_cast<int64_t>(CurrentUserOption())) *
                                  LevelWord(world, kRangePerOptionWord) +
                              LevelWord(world, kRangeWord);
        if (Abs(pp.dx) < range && !HitAndStillLive(world, object))
            return;
    }
    if (DistanceSquared(pp.dx, pp.dy) >= 400)
        return;
    if (RidesOrFalls(pp.p)) {
        Disarm(st);
        AwardAt(world, object, 10, POPUP_10_POINTS);
    } else if (!IsInvulnerable(pp.player)) {
        HurtAlt(pp);
    }
}

void PlayerTouchesHazard(const Pair& pair) {
    if (DistanceSquared(pair.dx, pair.dy) < 2500)
        SendObjectMessage(pair.world, pair.first, OBJ_EV_HURT);
}

void PlayerTouchesStunner(const Pair& pair) {
    if (Abs(pair.dx) < 35 && Abs(pair.dy) < 20)
        SendObjectMessage(pair.world, pair.first, OBJ_EV_STUN);
}

void PlayerStartsStream(const Pair& pair) {
    if (pair.world->player.streamLevel == 0 && Abs(pair.dx) < 20)
        HitObject(pair.world, pair.second);
}

void PlayerMeetsLever(const Pair& pair) {
    constexpr int32_t kWallGap = 90; // a lever with a mode holds the player this far left of it
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    GameWorld* world = pp.world;
    PlayerState* p = pp.p;
    const int64_t ox = pp.object->x;
    if (st->behaviourState == LEVEL_OBJECT_IDLE) {
        if (pp.dx >= 161 && pp.dx <= 191 && st->leverMode == LEVER_MODE_PLAIN) {
            HitObject(world, pp.object);
            world->player.driftSpeed = 0;
        }
        return;
    }
    if (st->behaviourState != LEVEL_OBJECT_TRIGGERED)
        return;
    if (st->leverMode == LEVER_MODE_PLAIN) {
        if (p->x < Fixed(ox) && p->vx <= 0 && p->previousX < Fixed(ox + 3))
            StopPlayerAt(p, ox, COLLIDE_BLOCK_LEFT);
    } else if (st->leverMode == LEVER_MODE_RETURN || st->leverMode == LEVER_MODE_COUNTER) {
        if (p->x > Fixed(ox - kWallGap) && p->vx >= 0 && p->previousX > Fixed(ox - kWallGap - 3))
            StopPlayerAt(p, ox - kWallGap, COLLIDE_BLOCK_RIGHT);
    }
}

void PlayerMeetsTarget(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    const PlayerTargetRow* row = PlayerTargetOf(pair.second->typeId);
    if (!ReadPlayer(pair, &pp) || st == nullptr || row == nullptr)
        return;
    GameWorld* world = pp.world;
    ObjectSlot* object = pp.object;
    if (row->nearness == Nearness::Box && WithinTargetBox(pp.dx, pp.dy) &&
        !HitAndStillLive(world, object))
        return;
    if (ActionPointReaches(world, pp.p, object->x, object->y + row->actionOffset, kActionReach)) {
        ScoreTarget(world, object, st, *row);
        return;
    }
    if (!IsNear(*row, pp.dx, pp.dy))
        return;
    if (RidesOrFalls(pp.p))
        ScoreTarget(world, object, st, *row);
    else if (!IsInvulnerable(pp.player) && st->scorable != 0)
        HurtAlt(pp);
}

void PlayerMeetsCharger(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr || DistanceSquared(pp.dx, pp.dy) >= 2025)
        return;
    GameWorld* world = pp.world;
    if (pp.p->vy <= kFallingFast || st->scorable == 0) {
        Hurt(pp);
        return;
    }
    // Landed on from above: the charger is knocked down and the player bounces.
    AwardAt(world, pp.object, 50, POPUP_50_POINTS);
    const ObjectRef ref = MakeObjectRef(pp.object);
    const uint8_t type = pp.object->typeId;
    SendObjectMessage(world, pp.player, OBJ_EV_HIT);
    if (!IsStillLive(world, ref, type))
        return;
    st->behaviourState = LEVEL_OBJECT_FINISHED;
    st->velocityX = st->velocityY = 0;
    SendObjectMessage(world, pp.object, OBJ_EV_KNOCKDOWN);
}

void PlayerMeetsToughTarget(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    GameWorld* world = pp.world;
    ObjectSlot* object = pp.object;
    const ObjectRef ref = MakeObjectRef(object);
    const uint8_t type = object->typeId;
    if (DistanceSquared(pp.dx, pp.dy) < 2025) {
        if (pp.p->vy <= kFallingFast || st->scorable == 0)
            Hurt(pp);
        else
            SendObjectMessage(world, pp.player, OBJ_EV_HIT);
        if (!IsStillLive(world, ref, type))
            return;
    }
    if (st->behaviourState != LEVEL_OBJECT_IDLE ||
        !ActionPointReaches(world, pp.p, object->x, object->y, kActionReachWide)) {
        return;
    }
    if (st->hitPoints < 2) {
        Disarm(st);
        AwardAt(world, object, 50, POPUP_50_POINTS);
        return;
    }
    st->hitPoints -= 1;
    st->velocityX = st->velocityY = 0;
    HitObject(world, object);
    AwardAt(world, object, 10, POPUP_10_POINTS);
}

void PlayerMeetsDrifter(const Pair& pair) {
    constexpr int32_t kPushBase = 15, kPushPerVariant = 3; // pixels a frame
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr)
        return;
    // The drifters of the last two scripts are too big to push the player.
    const int32_t set = FindMediaSetIndex(pp.world, pp.object->typeId);
    if (set < 0 || DistanceToMiddle(pp.dx, pp.dy) >= 1600 ||
        st->variant >= pp.world->mediaSets[set].lastScript - 1) {
        return;
    }
    st->firstDriftFlag = 1;
    pp.p->vx =
        AddPixels(pp.p->vx, -(static_cast<int64_t>(st->variant) * kPushPerVariant + kPushBase));
    Disarm(st);
}

void PlayerEntersHurtZone(const Pair& pair) {
    constexpr int32_t kLeftWord = 110, kRightWord = 111, kTopWord = 112, kBottomWord = 113;
    GameWorld* world = pair.world;
    if (LevelWord(world, kLeftWord) < pair.dx && pair.dx < LevelWord(world, kRightWord) &&
        LevelWord(world, kTopWord) < pair.dy && pair.dy < LevelWord(world, kBottomWord)) {
        SendObjectMessage(world, pair.first, OBJ_EV_HURT_ALT);
    }
}

void PlayerRidesMovingPlatform(const Pair& pair) {
    PlayerPair pp;
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    ScriptActor* actor = ActorOf(pair.world, pair.second);
    if (!ReadPlayer(pair, &pp) || st == nullptr || actor == nullptr)
        return;
    const SpriteKeyRecord* key = ShownSpriteKey(pp.world, pp.object, kStandBoxKey);
    if (key == nullptr)
        return;
    PlayerState* p = pp.p;
    const Box box = BoxAt(pp.object, *key);
    p->conveyorSpeed = st->wallFlag != 0 ? 0 : actor->dx;
    // The player cannot leave it sideways.
    if (pp.player->x < box.left)
        p->x = ToFixed(box.left);
    else if (pp.player->x > box.right)
        p->x = ToFixed(box.right);
    if (pp.player->y >= box.top && p->vy > 0)
        LandPlayerAt(p, box.top);
}

void PlayerEntersCameraZone(const Pair& pair) {
    GameWorld* world = pair.world;
    const int32_t halfWidth = CameraRecordValue(world, 0);
    const int32_t height = CameraRecordValue(world, 1);
    if (Abs(pair.dx) < halfWidth && -height < pair.dy && pair.dy < 50)
        HitObject(world, pair.second);
}

void PlayerMeetsSequenceTrigger(const Pair& pair) {
    PlayerPair pp;
    if (!ReadPlayer(pair, &pp) || Abs(pp.dx) >= 48)
        return;
    GameWorld* world = pp.world;
    if (RunSequenceCode(pp, LeftOption(world, pp.object)))
        return;
    // Every other code warps the player: it comes back here from now on.
    pp.player->param = reinterpret_cast<intptr_t>(pp.object);
    const ObjectRef ref = MakeObjectRef(pp.object);
    const uint8_t type = pp.object->typeId;
    SendObjectMessage(world, pp.player, OBJ_EV_WARP);
    SendObjectMessage(world, pp.player, OBJ_EV_THROW);
    if (!IsStillLive(world, ref, type))
        return;
    SetTakenBit(world, pp.object);
    DeleteObject(world, pp.object);
}

void PlayerTriggersChase(const Pair& pair) {
    PlayerPair pp;
    if (!ReadPlayer(pair, &pp) || Abs(pp.dx) >= 48)
        return;
    const int32_t code = LeftOption(pp.world, pp.object);
    if (code == 1 || code == 2 || FirstObjectOfType(pp.world, OBJT_CHASED) != nullptr)
        return;
    if (CurrentLevel(pp.world) == kLevelRain)
        StartRain(pp);
    else
        StartChase(pp);
}

void PlayerReachesExit(const Pair& pair) {
    PlayerPair pp;
    if (!ReadPlayer(pair, &pp) || !ExitIsOpen(pp.world))
        return;
    GameWorld* world = pp.world;
    const int32_t destination = ExitDestination(pp.object);
    bool reached = false;
    if (destination >= kFirstExitDestination && destination <= kLastExitDestination) {
        const int32_t code = LeftOption(world, pp.object);
        reached = ExitReaches(pp, code);
        if (code != 0)
            world->player.exitSeenFlag = 1;
    }
    if (reached) {
        TakeExit(pp, destination);
        return;
    }
    if (EntryRecord* record = PlayerEntry(world, pp.player))
        record->flags &= static_cast<uint8_t>(~ENTRY_FLAG_DESTINATION_CHOSEN);
}

void PlayerMeetsPusher(const Pair& pair) {
    if (Abs(pair.dx) < 50)
        SendObjectMessage(pair.world, pair.first, OBJ_EV_HURT);
}

void PlayerLandsOnPlatform(const Pair& pair) {
    PlayerPair pp;
    if (!ReadPlayer(pair, &pp))
        return;
    const SpriteKeyRecord* key = ShownSpriteKey(pp.world, pp.object, kStandBoxKey);
    if (key == nullptr)
        return;
    const Box box = BoxAt(pp.object, *key);
    if (box.Contains(pp.player->x, pp.player->y) && pp.p->vy > 0)
        LandPlayerAt(pp.p, box.top);
}

void PlayerMeetsRoller(const Pair& pair) {
    if (DistanceToMiddle(pair.dx, pair.dy) < 2500)
        SendObjectMessage(pair.world, pair.first, OBJ_EV_HURT_ALT);
}

void PlayerReachesWarp(const Pair& pair) {
    if (DistanceSquared(pair.dx, pair.dy) >= 16384)
        return;
    pair.first->param = reinterpret_cast<intptr_t>(pair.second);
    SendObjectMessage(pair.world, pair.first, OBJ_EV_WARP);
}

void PlayerStartsFadePicture(const Pair& pair) {
    FadePictureState* picture = StateOf<FadePictureState>(pair.world, pair.second);
    if (picture == nullptr || Abs(pair.dx) >= 48)
        return;
    if (picture->phase < 0.0f && picture->hold < 0.0f)
        picture->phase = 0.0f;
}

// ---- the chased character and the level objects -------------------------------------------------

void ChasedMeetsMarker(const Pair& pair) {
    constexpr int32_t kMarkerVariant = 1;
    ChasedState* c = StateOf<ChasedState>(pair.world, pair.first);
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (c == nullptr || st == nullptr || st->variant != kMarkerVariant)
        return;
    if (c->currentState >= 0 && c->currentState <= 3 && Abs(pair.dx) < 40)
        SendState(pair.world, pair.first, CHASER_ST_SHORT_B, true);
}

void ChasedMeetsBarrier(const Pair& pair) {
    constexpr int32_t kStopWord = 109;
    ChasedState* c = StateOf<ChasedState>(pair.world, pair.first);
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (c == nullptr || st == nullptr || st->hitCount >= 3)
        return;
    const int64_t stop = pair.second->x + static_cast<int64_t>(LevelWord(pair.world, kStopWord));
    if (c->x <= Fixed(stop - 3))
        return;
    c->vx = 0;
    c->x = ToFixed(stop);
    if (c->requestedState != CHASER_ST_STRIKE)
        SendState(pair.world, pair.first, CHASER_ST_STRIKE, true);
}

void ChasedMeetsJumpCell(const Pair& pair) {
    GameWorld* world = pair.world;
    ChasedState* c = StateOf<ChasedState>(world, pair.first);
    if (c == nullptr)
        return;
    if (CurrentLevel(world) == kLevelRise &&
        (c->requestedState == CHASER_ST_WAIT || c->requestedState == CHASER_ST_WAIT + 1)) {
        return;
    }
    if (Abs(pair.dx) >= 48 || c->jumpFlag != 0)
        return;
    c->jumpFlag = 1;
    c->vy = AddPixels(c->vy, -JumpHeight(LeftOption(world, pair.second)));
    if (c->currentState == CHASER_ST_BRAKE) {
        c->requestedState = kBrakeJumpState;
    } else if (c->currentState == CHASER_ST_FOLLOW || c->currentState == CHASER_ST_FOLLOW_AIR) {
        PlayGroupSound(world, kJumpSoundGroup, pair.second->x - pair.first->x,
                       pair.second->y - pair.first->y);
    }
}

void ChasedKnocksTarget(const Pair& pair) {
    GameWorld* world = pair.world;
    LevelObjectState* st = StateOf<LevelObjectState>(world, pair.second);
    if (st == nullptr)
        return;
    const SpriteKeyRecord* key = ShownSpriteKey(world, pair.first, kHurtBoxKey);
    if (key != nullptr && BoxAt(pair.first, *key).Contains(pair.second->x, pair.second->y))
        Disarm(st);
}

void ChasedMeetsDrifter(const Pair& pair) {
    LevelObjectState* st = StateOf<LevelObjectState>(pair.world, pair.second);
    if (st == nullptr || Abs(pair.dx) >= 135 || st->struck != 0)
        return;
    Disarm(st);
    st->secondDriftFlag = 1;
}

void ChasedMeetsTrigger(const Pair& pair) {
    GameWorld* world = pair.world;
    ChasedState* c = StateOf<ChasedState>(world, pair.first);
    if (c == nullptr || Abs(pair.dx) >= 48)
        return;
    switch (LeftOption(world, pair.second)) {
    case 1:
        RunChasedCode1(pair, c);
        break;
    case 2:
        RunChasedCode2(pair, c);
        break;
    case 3:
        SendObjectMessage(world, pair.first, OBJ_EV_QUIET);
        break;
    case 4:
        SendObjectMessage(world, pair.first, OBJ_EV_SPEED_A);
        break;
    case 5:
        SendObjectMessage(world, pair.first, OBJ_EV_SPEED_B);
        break;
    case 6:
        SendObjectMessage(world, pair.first, OBJ_EV_SPEED_OFF);
        break;
    default:
        break;
    }
}

void ChasedTakesPickup(const Pair& pair) {
    constexpr int32_t kSpeedUpWord = 114;
    ChasedState* c = StateOf<ChasedState>(pair.world, pair.first);
    PickupState* pickup = StateOf<PickupState>(pair.world, pair.second);
    if (c == nullptr || pickup == nullptr || Abs(pair.dx) >= 48 || pickup->available == 0)
        return;
    pickup->available = 0;
    pickup->takenState = PICKUP_TAKEN;
    c->vx = AddPixels(c->vx, LevelWord(pair.world, kSpeedUpWord));
}

void ChasedHitsPlatform(const Pair& pair) {
    if (Abs(pair.dx) < 40)
        HitObject(pair.world, pair.second);
}

} // namespace pair_rules
