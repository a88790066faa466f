// The particle effect kinds of type 127: what each kind builds when it is
// made, where its root goes each step, what it emits, how it is advanced,
// when it ends and how it is drawn, one named row per kind.
#include "world/behaviours/effect_kinds.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "particles/effects.h"
#include "particles/particle.h"
#include "world/behaviour_state.h"
#include "world/game_world.h"
#include "world/play_task.h"
#include "world/script_engine.h"

namespace {

constexpr int32_t kFlashWidth = 800;
constexpr int32_t kFlashHeight = 600;

constexpr int32_t kRingEvery = 20;   // steps between two rings of kinds 2 and 22
constexpr int32_t kSparkChance = 11; // in 100, per step, kinds 23 and 27
constexpr int32_t kFinaleDestination = 1;

// The player's behaviour states in which it raises dust when it stands on
// the ground, and those in which it is hurt or knocked down.
constexpr int32_t kDustStates[] = {0, 1, 10, 11, 20, 21, 42, 43, 48, 49};
constexpr int32_t kSpoilingStates[] = {6, 38, 56, 58};

template <size_t N> bool IsOneOf(int32_t value, const int32_t (&list)[N]) {
    for (int32_t entry : list) {
        if (entry == value)
            return true;
    }
    return false;
}

// The object's screen position for the emissions, which use the camera in
// whole pixels without clearing the lowest bit.
float EmitScreenX(const EffectContext& c) {
    return static_cast<float>(c.object->x - CameraPixelX(c.world));
}
float EmitScreenY(const EffectContext& c) {
    return static_cast<float>(c.object->y - CameraPixelY(c.world));
}

// ---- creation ------------------------------------------------------------------

void CreatePlainRoot(const EffectContext& c) {
    c.state->root = new CParticle();
}
void CreateDustRoot(const EffectContext& c) {
    c.state->root = new CDust();
}
void CreateSaturnRoot(const EffectContext& c) {
    c.state->root = new CSaturn2();
}
void CreateRainRoot(const EffectContext& c) {
    c.state->root = new CWaterdrop();
}
void CreateWaterSprinklerRoot(const EffectContext& c) {
    c.state->root = new CSplinkerWater();
}
void CreatePaintSprinklerRoot(const EffectContext& c) {
    c.state->root = new CSplinkerPaint();
}

void CreateFlash(const EffectContext& c) {
    c.state->counter = 1;
}

// ---- emission --------------------------------------------------------------------

void EmitDust(const EffectContext& c) {
    GameWorld* world = c.world;
    if (CameraFollowedSlot(world) == nullptr)
        return;
    uint16_t from = 0;
    const ObjectSlot* player = FindNextObjectOfType(world, &from, OBJT_PLAYER);
    const EffectPlayerFacts facts = ReadEffectPlayerFacts(player);
    if (!facts.hasState || (facts.lastMoveFlags & COLLIDE_BLOCK_DOWN) == 0 ||
        !IsOneOf(facts.state, kDustStates))
        return;
    Image* frame = RandomImage(c, EFFECT_KIND_DUST);
    if (frame == nullptr)
        return;
    const EffectState* st = c.state;
    const int64_t driftX =
        ((static_cast<int64_t>(world->camera.positionX) - st->referenceX) / FIXED_ONE) & ~1LL;
    const int64_t driftY =
        ((static_cast<int64_t>(world->camera.positionY) - st->referenceY) / FIXED_ONE) & ~1LL;
    ParticleParams p = FreshParticleParams();
    p.x = static_cast<float>(player->x - FixedToPixel(st->anchorX) - driftX +
                             (12 * (facts.state & 1) - 6));
    p.y = static_cast<float>(player->y - FixedToPixel(st->anchorY) - driftY);
    p.vy = -0.6f;
    p.ay = -0.1f;
    AdoptParticle(st->root, new CDust(), frame, 20, p);
}

void SetPuffMotion(ParticleParams* p) {
    p->x = Random(-8.0f, 8.0f);
    p->y = Random(-30.0f, 10.0f) - 5.0f;
    p->vx = Random(1.0f, 5.0f);
    p->vy = -0.6f - Random(-1.0f, 0.7f);
}

void EmitPuff(const EffectContext& c) {
    EffectState* st = c.state;
    delete st->root;
    CParticle* root = st->root = new CDust();
    if (Image* frame = InstructionImage(c, EFFECT_KIND_PUFF, 0)) {
        ParticleParams p = FreshParticleParams();
        SetPuffMotion(&p);
        p.ay = 0.2f;
        AdoptParticle(root, new CDust(), frame, 20, p);
    }
    for (int32_t i = 0; i < 8; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_PUFF);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        SetPuffMotion(&p);
        p.ay = 1.0f;
        p.scaleX = Random(-1.0f, 1.0f);
        p.scaleY = Random(-1.0f, 1.0f);
        p.angle = Random(0.0f, 3.15f);
        p.dAngle = Random(0.0f, 0.4f);
        AdoptParticle(root, new CDust(), frame, 20, p);
    }
    // The pieces lie around the root: it goes to the followed point at once,
    // not a step late, or the puff would show at the screen's corner.
    if (const ObjectSlot* followed = CameraFollowedSlot(c.world))
        root->MoveTo(static_cast<float>(followed->x - CameraEvenX(c.world)),
                     static_cast<float>(followed->y - CameraEvenY(c.world)));
}

void EmitRing(const EffectContext& c) {
    EffectState* st = c.state;
    ++st->stepCounter;
    if (st->stepCounter % kRingEvery != 0)
        return;
    Image* frame = InstructionImage(c, st->kind, 0);
    if (frame == nullptr)
        return;
    constexpr int32_t kCount = 24;
    for (int32_t i = 0; i < kCount; ++i) {
        const float a = RingAngle(i, kCount);
        ParticleParams p = FreshParticleParams();
        p.x = EmitScreenX(c);
        p.y = EmitScreenY(c);
        p.vx = Cos(a);
        p.vy = Sin(a);
        AdoptParticle(st->root, new CSaturn2(), frame, 40, p);
    }
}

void EmitStream(const EffectContext& c) {
    GameWorld* world = c.world;
    const std::vector<Image*> frames = ScriptImages(world, c.actor, EFFECT_KIND_STREAM, 0);
    if (frames.empty())
        return;
    const int32_t count = world->player.streamLevel / 10;
    for (int32_t i = 0; i < count; ++i) {
        ParticleParams p = FreshParticleParams();
        p.x = static_cast<float>(world->player.streamPointX - CameraPixelX(world));
        p.y = static_cast<float>(world->player.streamPointY - CameraPixelY(world));
        const int32_t s = WorldRandomInt(2, 4);
        const float a = Random(0.0f, 2.0f * kEffectPi);
        p.vx = static_cast<float>(s) * Cos(a);
        p.vy = static_cast<float>(s) * Sin(a);
        AdoptParticle(c.state->root, new CParticle(), frames, WorldRandomInt(4, 10), p);
    }
}

void EmitRain(const EffectContext& c) {
    for (int32_t i = 0; i < 60; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_RAIN);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        p.x = Random(-300.0f, 1200.0f);
        p.y = -10.0f;
        p.vy = Random(10.0f, 40.0f);
        p.scaleX = p.scaleY = p.vy / 40.0f;
        const int32_t life = WorldRandomInt(static_cast<int32_t>(500.0f / p.vy),
                                            static_cast<int32_t>(600.0f / p.vy));
        AdoptParticle(c.state->root, new CWaterdrop(), frame, life, p);
    }
}

// The sprinklers make about R/2 to R drops a step, R being the spray ramp.
// Every try counts, also one that finds no sprite, so that the loop ends.
template <typename Drop, typename Place>
void EmitSpray(const EffectContext& c, int32_t script, Place place) {
    const int32_t ramp = c.state->sprayRamp;
    if (ramp <= 0)
        return;
    for (int32_t made = 0; WorldRandomInt(ramp / 2, ramp) > made; ++made) {
        Image* frame = RandomImage(c, script);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        place(&p, ramp);
        p.ay = 0.7f;
        AdoptParticle(c.state->root, new Drop(), frame, WorldRandomInt(10, 100), p);
    }
}

void EmitWaterSpray(const EffectContext& c) {
    const float x = EmitScreenX(c), y = EmitScreenY(c);
    EmitSpray<CSplinkerWater>(c, EFFECT_KIND_SPRINKLER_WATER, [x, y](ParticleParams* p, int32_t r) {
        p->x = x + 120.0f + Random(-5.0f, 5.0f);
        p->y = y + 16.0f + Random(-3.0f, 3.0f);
        p->vx = Random(static_cast<float>(r / 6), static_cast<float>(r / 3));
        p->vy = Random(static_cast<float>(-r / 4), static_cast<float>(-r / 8));
    });
}

void EmitPaintSpray(const EffectContext& c) {
    const float x = EmitScreenX(c), y = EmitScreenY(c);
    EmitSpray<CSplinkerPaint>(c, EFFECT_KIND_SPRINKLER_PAINT, [x, y](ParticleParams* p, int32_t r) {
        p->x = x + Random(-4.0f, 4.0f);
        p->y = y + Random(-3.0f, 3.0f);
        p->vx = Random(static_cast<float>(r / 6), static_cast<float>(r / 2));
        p->vy = 0.0f;
    });
}

void EmitSparks(const EffectContext& c) {
    if (WorldRandomInt(0, 99) >= kSparkChance)
        return;
    const int32_t count = WorldRandomInt(1, 3);
    Image* frame = InstructionImage(c, c.state->kind, 0);
    if (frame == nullptr)
        return;
    for (int32_t i = 0; i < count; ++i) {
        ParticleParams p = FreshParticleParams();
        p.x = EmitScreenX(c) + static_cast<float>(WorldRandomInt(-10, 10));
        p.y = EmitScreenY(c) + static_cast<float>(WorldRandomInt(-5, 5));
        p.vx = Random(-1.0f, 1.0f);
        p.vy = Random(-2.0f, -1.0f);
        p.posJitterMin.x = -0.3f;
        p.posJitterMax.x = 0.3f;
        p.velJitterMin.x = -0.2f;
        p.velJitterMax.x = 0.2f;
        p.dScaleX = p.dScaleY = Random(0.0f, 0.05f);
        const int32_t life = WorldRandomInt(30, 40);
        p.dAlpha = -1.0f / static_cast<float>(life);
        AdoptParticle(c.state->root, new CParticle(), frame, life, p);
    }
}

// ---- the table -----------------------------------------------------------------

using A = EffectAnchor;
using U = EffectUpdate;
using E = EffectEnd;
using D = EffectDraw;
constexpr int16_t K = kEffectKeepDepth;

const EffectKindRow kEffectKinds[EFFECT_KIND_COUNT] = {
    {CreateDustRoot, A::Anchor, true, 7, EmitDust, U::Once, E::Never, D::Root},   // 0 DUST
    {nullptr, A::Followed, false, K, EmitPuff, U::Once, E::Spent, D::Root},       // 1 PUFF
    {CreateSaturnRoot, A::Slot, false, 12, EmitRing, U::Once, E::Never, D::Root}, // 2 RING
    {CreateStars, A::Slot, false, K, nullptr, U::Once, E::Spent, D::Root},        // 3 STARS
    {CreateDeathStars, A::Slot, false, K, nullptr, U::Once, E::Spent, D::Root},   // 4 DEATH_STARS
    {CreateDustRoot, A::None, false, K, nullptr, U::Once, E::Never, D::Nothing},  // 5 DUST_ROOT
    {CreatePlainRoot, A::StreamPoint, true, 1, EmitStream, U::Once, E::SpentNoStream,
     D::Root},                                                                      // 6 STREAM
    {CreateRainRoot, A::Anchor, true, -1, EmitRain, U::RainBox, E::Spent, D::Root}, // 7 RAIN
    {CreateFlashBurst, A::StreamPoint, true, 1, nullptr, U::Once, E::Spent,
     D::FlashThenRoot},                                                            // 8 FLASH_BURST
    {CreateFinale, A::StreamPoint, true, 1, nullptr, U::Once, E::Finale, D::Root}, // 9 FINALE
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root},       // 10 SCRIPT_10
    {CreateFlash, A::Countdown, false, -1, nullptr, U::ScriptOnly, E::Never,
     D::FlashOnly}, // 11 FLASH
    {CreateWaterSprinklerRoot, A::AnchorSetsSlot, false, K, EmitWaterSpray, U::Once, E::Never,
     D::Root},                                                               // 12 SPRINKLER_WATER
    {CreatePieces, A::Slot, false, K, nullptr, U::Once, E::Never, D::Root},  // 13 PIECES
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 14 SCRIPT_14
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 15 SCRIPT_15
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 16 SCRIPT_16
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 17 SCRIPT_17
    {CreateWallBricks, A::AnchorSetsSlot, false, K, nullptr, U::TwiceFirst, E::Spent,
     D::RootTwice},                                                          // 18 WALL_BRICKS
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 19 SCRIPT_19
    {nullptr, A::None, false, K, nullptr, U::ScriptOnly, E::Never, D::Root}, // 20 SCRIPT_20
    {CreatePaintSprinklerRoot, A::AnchorSetsSlot, false, K, EmitPaintSpray, U::Once, E::Never,
     D::Root}, // 21 SPRINKLER_PAINT
    {CreateSaturnRoot, A::Slot, false, 12, EmitRing, U::Once, E::Never, D::Root}, // 22 RING_ALT
    {CreatePlainRoot, A::None, false, K, EmitSparks, U::Once, E::Never, D::Root}, // 23 SPARKS
    {CreateSmallRing, A::Slot, false, K, nullptr, U::Once, E::Spent, D::Root},    // 24 SMALL_RING
    {CreateCannonSpark, A::Slot, false, K, nullptr, U::TwiceSecond, E::Never,
     D::Root},                                                                    // 25 CANNON_SPARK
    {CreateSparkBurst, A::Slot, false, 1, nullptr, U::Once, E::Spent, D::Root},   // 26 SPARK_BURST
    {CreatePlainRoot, A::None, false, K, EmitSparks, U::Once, E::Never, D::Root}, // 27 SPARKS_ALT
    {CreateDeathStars, A::Slot, false, K, nullptr, U::Once, E::Never,
     D::Root}, // 28 DEATH_STARS_LASTING
};

// ---- the end of the level (kind 9) -------------------------------------------------

void ClearOrdinaryTakenBits(GameWorld* world) {
    if (world->placements == nullptr)
        return;
    for (int32_t i = 0; i <= world->placementCount; ++i) {
        const PlacementRecord& placement = world->placements[i];
        if (placement.code >= kTileCodeCount)
            continue;
        const uint8_t type = world->codeTypes[placement.code];
        if (world->types[type].kind == OBJ_KIND_ORDINARY)
            SetWorldBit(world, static_cast<uint16_t>(placement.itemNumber), 0);
    }
}

// False when the object was deleted (it never is: the level change takes it).
bool EndFinale(const EffectContext& c, int32_t live) {
    GameWorld* world = c.world;
    EffectState* st = c.state;
    uint16_t from = 0;
    ObjectSlot* player = FindNextObjectOfType(world, &from, OBJT_PLAYER);
    const EffectPlayerFacts facts = ReadEffectPlayerFacts(player);
    if (facts.hasState && IsOneOf(facts.state, kSpoilingStates))
        st->spoiled = 1;
    if (live > 1 || st->spoiled != 0)
        return true;
    CountLevelCollectables(world);
    ClearOrdinaryTakenBits(world);
    const int32_t level = world->destinations[kFinaleDestination][0];
    const int32_t entry = world->destinations[kFinaleDestination][1];
    if (player != nullptr && player->itemNumber >= 0 && player->itemNumber < kEntryRecordCount) {
        EntryRecord& record = world->entries[player->itemNumber];
        record.flags |= ENTRY_FLAG_DESTINATION_CHOSEN;
        record.level = static_cast<int8_t>(level);
    }
    RequestLevelChange(world, level, static_cast<uint16_t>(entry));
    return true;
}

void DrawFlash() {
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.x = 0;
    record.y = 0;
    record.width = kFlashWidth;
    record.height = kFlashHeight;
    record.colour = EFFECT_FLASH_COLOUR;
    FillRect(&record);
}

} // namespace

EffectPlayerFacts ReadEffectPlayerFacts(const ObjectSlot* player) {
    EffectPlayerFacts facts;
    const PlayerState* state = player != nullptr && player->typeId == OBJT_PLAYER
                                   ? player->LogicAs<PlayerState>()
                                   : nullptr;
    if (state == nullptr)
        return facts;
    facts.hasState = true;
    facts.state = state->state;
    facts.lastMoveFlags = static_cast<uint32_t>(state->collisionFlags);
    facts.lastMoveX = state->lastMotionX;
    return facts;
}

const EffectKindRow* FindEffectKind(int32_t kind) {
    if (kind < 0 || kind >= EFFECT_KIND_COUNT)
        return nullptr;
    return &kEffectKinds[kind];
}

void CreateEffectKind(const EffectContext& c) {
    const EffectKindRow* row = FindEffectKind(c.state->kind);
    if (row != nullptr && row->create != nullptr)
        row->create(c);
}

bool RunEffectKindStep(const EffectContext& c) {
    const EffectKindRow* row = FindEffectKind(c.state->kind);
    if (row == nullptr)
        return true;
    GameWorld* world = c.world;
    ObjectSlot* object = c.object;
    EffectState* st = c.state;
    const ObjectSlot* followed = CameraFollowedSlot(world);
    if (row->followsPlayer && followed != nullptr) {
        object->x = followed->x;
        object->y = followed->y;
    }
    if (row->depth != kEffectKeepDepth)
        object->depth = row->depth;

    bool hasPoint = true;
    float x = 0.0f, y = 0.0f;
    const float anchorX = static_cast<float>(st->anchorX) / FIXED_ONE;
    const float anchorY = static_cast<float>(st->anchorY) / FIXED_ONE;
    switch (row->anchor) {
    case EffectAnchor::Countdown:
        if (st->counter <= 0) {
            DeleteObject(world, object);
            return false;
        }
        --st->counter;
        hasPoint = false;
        break;
    case EffectAnchor::None:
        hasPoint = false;
        break;
    case EffectAnchor::Anchor:
        x = anchorX;
        y = anchorY;
        break;
    case EffectAnchor::AnchorSetsSlot:
        object->x = ToSlotCoordinate(FixedToPixel(st->anchorX));
        object->y = ToSlotCoordinate(FixedToPixel(st->anchorY));
        x = anchorX;
        y = anchorY;
        break;
    case EffectAnchor::Slot:
        x = object->x;
        y = object->y;
        break;
    case EffectAnchor::Followed:
        hasPoint = followed != nullptr;
        if (hasPoint) {
            object->x = followed->x;
            object->y = followed->y;
            x = followed->x;
            y = followed->y;
        }
        break;
    case EffectAnchor::StreamPoint:
        x = world->player.streamPointX;
        y = world->player.streamPointY;
        break;
    }
    if (hasPoint && st->root != nullptr)
        st->root->MoveTo(x - static_cast<float>(CameraEvenX(world)),
                         y - static_cast<float>(CameraEvenY(world)));
    if (st->emissionStopped == 0 && row->emit != nullptr)
        row->emit(c);
    return true;
}

bool UpdateEffectKind(const EffectContext& c) {
    const EffectKindRow* row = FindEffectKind(c.state->kind);
    CParticle* root = c.state->root;
    if (row == nullptr || root == nullptr)
        return true;
    int32_t live = 0;
    switch (row->update) {
    case EffectUpdate::TwiceFirst:
        live = root->Update();
        root->Update();
        break;
    case EffectUpdate::TwiceSecond:
        root->Update();
        live = root->Update();
        break;
    case EffectUpdate::RainBox: {
        auto* drops = dynamic_cast<CWaterdrop*>(root);
        const float x = static_cast<float>(c.object->x - CameraEvenX(c.world));
        const float y = static_cast<float>(c.object->y - CameraEvenY(c.world));
        live =
            drops != nullptr ? drops->StepInBox(x - 70.0f, x + 70.0f, y - 110.0f) : root->Update();
        break;
    }
    case EffectUpdate::Once:
    case EffectUpdate::ScriptOnly:
        live = root->Update();
        break;
    }
    switch (row->end) {
    case EffectEnd::Never:
        return true;
    case EffectEnd::Spent:
        if (live > 1)
            return true;
        break;
    case EffectEnd::SpentNoStream:
        if (live > 1 || c.world->player.streamLevel > 0)
            return true;
        break;
    case EffectEnd::Finale:
        return EndFinale(c, live);
    }
    DeleteObject(c.world, c.object);
    return false;
}

void DrawEffectKind(const EffectContext& c) {
    const EffectKindRow* row = FindEffectKind(c.state->kind);
    if (row == nullptr)
        return;
    CParticle* root = c.state->root;
    switch (row->draw) {
    case EffectDraw::Nothing:
        return;
    case EffectDraw::FlashThenRoot:
        if (c.state->flashFrames > 0) {
            DrawFlash();
            --c.state->flashFrames;
        }
        break;
    case EffectDraw::FlashOnly:
        DrawFlash();
        return;
    case EffectDraw::RootTwice:
        if (root != nullptr)
            root->Draw();
        break;
    case EffectDraw::Root:
        break;
    }
    if (root != nullptr)
        root->Draw();
}
