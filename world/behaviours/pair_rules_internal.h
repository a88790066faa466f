// Inside the pair rules: the pair one rule looks at, the rule functions the
// dispatch tables name, and the helpers the rule files share (distances,
// checked state access, awards, sounds and the boxes of key records). Only
// pair_rules*.cpp and the pair rules' tests include this.
#pragma once

#include <cstdint>

#include "world/behaviours/actor_media.h"
#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/objects.h"

struct LevelObjectState;
struct PlayerState;
struct ScriptActor;
struct SpriteKeyRecord;

namespace pair_rules {

// The two objects of one call, with the first one's slot position less the
// second one's, in whole pixels.
struct Pair {
    GameWorld* world;
    ObjectSlot* first;
    ObjectSlot* second;
    int32_t dx, dy;
};

using PairRule = void (*)(const Pair& pair);

// ---- values the rule files share ----------------------------------------------------------------

constexpr int32_t kFixedOne = 65536;
// Falling faster than 3.75 pixels a frame (16.16).
constexpr int32_t kFallingFast = 0x3C000;
// Sprite key records the rules look up.
constexpr uint16_t kHurtBoxKey = 1;
constexpr uint16_t kStandBoxKey = 256;

// ---- arithmetic ---------------------------------------------------------------------------------

// Squares are taken in 64 bits: slot coordinates span 16 bits, so a 32-bit
// square could wrap negative and pass a "below" test.
inline int64_t Square(int64_t v) {
    return v * v;
}
inline int64_t DistanceSquared(int64_t dx, int64_t dy) {
    return dx * dx + dy * dy;
}
inline int64_t Abs(int64_t v) {
    return v < 0 ? -v : v;
}
// Whole pixels as 16.16, in 64 bits for comparisons with logic positions.
inline int64_t Fixed(int64_t pixels) {
    return pixels * kFixedOne;
}
// A whole-pixel position stored into a 16.16 logic field, kept in range.
int32_t ToFixed(int64_t pixels);
// A 16.16 value moved by whole pixels, kept in range.
int32_t AddPixels(int32_t fixed, int64_t pixels);
// A pixel position for a new slot, kept in range.
int16_t ToSlot(int64_t pixels);

// ---- objects ------------------------------------------------------------------------------------

// The object's logic state as T, or null when it has none that large (a
// type registered with a smaller record, or none).
template <typename T> T* StateOf(const GameWorld* world, ObjectSlot* object) {
    const int32_t bytes = world->types[object->typeId].logicUnits * 16;
    if (object->logic == nullptr || bytes < static_cast<int32_t>(sizeof(T)))
        return nullptr;
    return object->LogicAs<T>();
}
// The object's draw-state actor, or null.
ScriptActor* ActorOf(const GameWorld* world, ObjectSlot* object);

bool IsStillLive(GameWorld* world, const ObjectRef& ref, int32_t type);
ObjectSlot* FirstObjectOfType(GameWorld* world, int32_t type);
// The level whose rules apply.
int32_t CurrentLevel(const GameWorld* world);

// ---- outcomes -----------------------------------------------------------------------------------

// Adds to the current user's running score (nothing without a user).
void AddToScore(int32_t points);
// The pop-up at (x, y), then the points.
void Award(GameWorld* world, int16_t x, int16_t y, int32_t points, PopupIndex popup);
// Scorable 0, struck 1: the object dies at its next step.
void Disarm(LevelObjectState* state);
void SetTakenBit(GameWorld* world, const ObjectSlot* object);
// OBJ_EV_SET_STATE + state, keeping the facing when asked.
void SendState(GameWorld* world, ObjectSlot* object, int32_t state, bool keepFacing);

// ---- the player ---------------------------------------------------------------------------------

// The player's costume is 1 and the world's action point lies within
// sqrt(limit) of (x, y): below `limit`.
bool ActionPointReaches(const GameWorld* world, const PlayerState* player, int32_t x, int32_t y,
                        int64_t limit);
// In a ride or sequence state, or falling faster than 3.75 pixels a frame.
bool RidesOrFalls(const PlayerState* player);
bool IsInvulnerable(const ObjectSlot* player);
// Puts the player's logic x on `pixels`, marks the side it was stopped on
// and locks its bump.
void StopPlayerAt(PlayerState* player, int64_t pixels, uint32_t collideFlag);
// Puts the player's logic y on `pixels` as standing there.
void LandPlayerAt(PlayerState* player, int64_t pixels);

// ---- key records --------------------------------------------------------------------------------

// Key record `key` of the sprite the object's actor shows (the head of its
// sprite pipes), or null.
const SpriteKeyRecord* ShownSpriteKey(GameWorld* world, ObjectSlot* object, uint16_t key);

// A key record's box placed at an object: left and top inclusive, right and
// bottom exclusive.
struct Box {
    int32_t left, top, right, bottom;
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};
Box BoxAt(const ObjectSlot* object, const SpriteKeyRecord& record);

// ---- the rules of the chase, the thrown objects and the pickups ---------------------------------

// The player (first) and the chased character.
void PlayerMeetsChased(const Pair& pair);
// The player (first) and a pickup.
void PlayerTakesScoringPickup(const Pair& pair);
void PlayerTakesCollectable(const Pair& pair);
void PlayerTakesFlagPickup(const Pair& pair);
void PlayerTakesChaseStarter(const Pair& pair);
void PlayerTakesChaseStopper(const Pair& pair);
void PlayerTakesPlainPickup(const Pair& pair);
void PlayerReadsHelpPickup(const Pair& pair);
void PlayerReachesCarriedItem(const Pair& pair);
// The chased character (first) and a thrown object.
void ThrownObjectHitsChased(const Pair& pair);
// A target (first) and a thrown object.
void ThrownObjectHitsIdleTarget(const Pair& pair);
void ThrownObjectHitsTarget(const Pair& pair);
void ThrownObjectHitsToughTarget(const Pair& pair);
void ThrownObjectHitsIdleToughTarget(const Pair& pair);
void ThrownObjectHitsPusher(const Pair& pair);

// ---- the rules of the level objects -------------------------------------------------------------

// The player (first) and a level object.
void PlayerMeetsBarrier(const Pair& pair);
void PlayerMeetsStunTarget(const Pair& pair);
void PlayerNearsBomb(const Pair& pair);
void PlayerMeetsDroppedHazard(const Pair& pair);
void PlayerLandsOnFallingPlatform(const Pair& pair);
void PlayerMeetsTrap(const Pair& pair);
void PlayerMeetsHurtTarget(const Pair& pair);
void PlayerMeetsPouncer(const Pair& pair);
void PlayerTouchesHazard(const Pair& pair);
void PlayerTouchesStunner(const Pair& pair);
void PlayerStartsStream(const Pair& pair);
void PlayerMeetsLever(const Pair& pair);
void PlayerMeetsTarget(const Pair& pair);
void PlayerMeetsCharger(const Pair& pair);
void PlayerMeetsToughTarget(const Pair& pair);
void PlayerMeetsDrifter(const Pair& pair);
void PlayerEntersHurtZone(const Pair& pair);
void PlayerRidesMovingPlatform(const Pair& pair);
void PlayerEntersCameraZone(const Pair& pair);
void PlayerMeetsSequenceTrigger(const Pair& pair);
void PlayerTriggersChase(const Pair& pair);
void PlayerReachesExit(const Pair& pair);
void PlayerMeetsPusher(const Pair& pair);
void PlayerLandsOnPlatform(const Pair& pair);
void PlayerMeetsRoller(const Pair& pair);
void PlayerReachesWarp(const Pair& pair);
void PlayerStartsFadePicture(const Pair& pair);
// The chased character (first) and a level object.
void ChasedMeetsMarker(const Pair& pair);
void ChasedMeetsBarrier(const Pair& pair);
void ChasedMeetsJumpCell(const Pair& pair);
void ChasedKnocksTarget(const Pair& pair);
void ChasedMeetsDrifter(const Pair& pair);
void ChasedMeetsTrigger(const Pair& pair);
void ChasedTakesPickup(const Pair& pair);
void ChasedHitsPlatform(const Pair& pair);

} // namespace pair_rules
