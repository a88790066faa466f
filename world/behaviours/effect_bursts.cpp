// The particle effect kinds that are one burst made at creation: stars,
// death stars, the flash burst and the level-ending burst, sparks, pieces,
// a broken wall's bricks, the small ring and the cannon ball's sparks; and
// the particle helpers the kinds share.
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "particles/effects.h"
#include "particles/particle.h"
#include "world/behaviours/effect_kinds.h"
#include "world/game_world.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kBurstFlashFrames = 3;

// ---- shared child recipes ------------------------------------------------------

// A falling spark of kinds 9, 13, 18 and 26: x and y are already set.
int32_t SetFallingSpark(ParticleParams* p, int32_t lifeLow, int32_t lifeHigh) {
    const int32_t s = WorldRandomInt(1, 5);
    const float a = Random(kEffectPi, 2.0f * kEffectPi);
    p->vx = static_cast<float>(s) * Cos(a);
    p->vy = static_cast<float>(s) * Sin(a) - 3.0f;
    p->ay = 0.1f;
    p->dAngle = Random(-kEffectPi / 50.0f, kEffectPi / 50.0f);
    const int32_t life = WorldRandomInt(lifeLow, lifeHigh);
    p->dAlpha = -1.0f / static_cast<float>(life);
    p->dScaleX = 1.0f / static_cast<float>(life);
    return life;
}

// The burst of kind 8 and the dust of kind 18: the motion is already set.
int32_t SetBurstBit(ParticleParams* p) {
    p->posJitterMin = {-3.0f, -3.0f};
    p->posJitterMax = {3.0f, 3.0f};
    p->accJitterMin = {-0.1f, -0.1f};
    p->accJitterMax = {0.1f, 0.1f};
    p->dAngle = Random(-kEffectPi / 4.0f, kEffectPi / 4.0f);
    const int32_t life = WorldRandomInt(80, 100);
    p->scaleX = p->scaleY = Random(0.3f, 1.5f);
    p->dAlpha = -1.0f / static_cast<float>(life);
    return life;
}

// Where a wall's bricks start, relative to the root, and how they fly.
void SetBrickMotion(ParticleParams* p) {
    p->x = Random(105.0f, 115.0f);
    p->y = Random(-70.0f, -30.0f);
    p->vx = Random(0.0f, 30.0f);
    p->vy = Random(-12.0f, -8.0f);
    p->ay = 2.0f;
}

void AddSparkBurst(const EffectContext& c, int32_t count, int32_t script) {
    for (int32_t i = 0; i < count; ++i) {
        Image* frame = RandomImage(c, script);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        p.x = Random(-100.0f, 100.0f);
        p.y = Random(-50.0f, 50.0f);
        const int32_t life = SetFallingSpark(&p, 80, 100);
        AdoptParticle(c.state->root, new CParticle(), frame, life, p);
    }
}

} // namespace

// ---- particle helpers ------------------------------------------------------------

ParticleParams FreshParticleParams() {
    ParticleParams params;
    ResetParticleParams(&params);
    return params;
}

// Gives `child` its frames, life and params and hands it to `parent`.
void AdoptParticle(CParticle* parent, CParticle* child, Image* const* frames, int32_t count,
                   int32_t life, const ParticleParams& params) {
    child->SetFrames(frames, count);
    child->SetLife(0, life);
    child->SetParams(&params);
    parent->AddChild(child);
}

void AdoptParticle(CParticle* parent, CParticle* child, Image* frame, int32_t life,
                   const ParticleParams& params) {
    AdoptParticle(parent, child, &frame, 1, life, params);
}

void AdoptParticle(CParticle* parent, CParticle* child, const std::vector<Image*>& frames,
                   int32_t life, const ParticleParams& params) {
    AdoptParticle(parent, child, frames.data(), static_cast<int32_t>(frames.size()), life, params);
}

float RingAngle(int32_t i, int32_t m) {
    return static_cast<float>(static_cast<double>(i) * 2.0 * kPi / m);
}

Image* InstructionImage(const EffectContext& c, int32_t s, int32_t i) {
    return EffectSpriteImage(c.world, c.actor, ScriptSpriteIndex(c.world, c.actor, s, i));
}

Image* RandomImage(const EffectContext& c, int32_t s) {
    return EffectSpriteImage(c.world, c.actor, RandomScriptSprite(c.world, c.actor, s));
}

// ---- creation ------------------------------------------------------------------

void CreateStars(const EffectContext& c) {
    CParticle* root = c.state->root = new CStars();
    Image* frame = InstructionImage(c, EFFECT_KIND_STARS, 0);
    if (frame == nullptr)
        return;
    constexpr int32_t kCount = 16;
    for (int32_t i = 0; i < kCount; ++i) {
        const float a = RingAngle(i, kCount);
        ParticleParams p = FreshParticleParams();
        p.x = 16.0f * Cos(a);
        p.y = 16.0f * Sin(a);
        p.vx = 4.0f * Cos(a);
        p.vy = 4.0f * Sin(a);
        p.scaleX = p.scaleY = 0.8f;
        p.dScaleX = p.dScaleY = 0.04f;
        AdoptParticle(root, new CStars(), frame, 15, p);
    }
}

void CreateDeathStars(const EffectContext& c) {
    CParticle* root = c.state->root = new CDeathStars(2);
    const int32_t script = c.state->kind;
    Image* frame = InstructionImage(c, script, 0);
    if (frame == nullptr)
        return;
    // The table is sized by the script, whatever the set's sprite count.
    const std::vector<Image*> points = ScriptImages(c.world, c.actor, script, 1);
    constexpr int32_t kCount = 16;
    for (int32_t i = 0; i < kCount; ++i) {
        const float a = RingAngle(i, kCount);
        ParticleParams p = FreshParticleParams();
        auto* star = new CDeathStars(1);
        star->AllocPoints(points.data(), static_cast<int32_t>(points.size()));
        p.x = 16.0f * Cos(a);
        p.y = 16.0f * Sin(a);
        p.vx = 4.0f * Cos(a);
        p.vy = 4.0f * Sin(a);
        p.scaleX = p.scaleY = 0.8f;
        p.dScaleX = p.dScaleY = 0.2f;
        AdoptParticle(root, star, frame, 8, p);
    }
}

void CreateFlashBurst(const EffectContext& c) {
    CParticle* root = c.state->root = new CParticle();
    c.state->flashFrames = kBurstFlashFrames;
    for (int32_t i = 0; i < 1000; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_FLASH_BURST);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        p.x = Random(-50.0f, 50.0f);
        p.y = Random(-50.0f, 50.0f);
        const int32_t s = WorldRandomInt(3, 30);
        const float a = Random(kEffectPi, 2.0f * kEffectPi);
        p.vx = static_cast<float>(s) * Cos(a);
        p.vy = static_cast<float>(s) * Sin(a) - 10.0f;
        p.ay = 2.0f;
        const int32_t life = SetBurstBit(&p);
        AdoptParticle(root, new CParticle(), frame, life, p);
    }
}

void CreateFinale(const EffectContext& c) {
    c.state->root = new CParticle();
    AddSparkBurst(c, 100, EFFECT_KIND_FINALE);
}

void CreateSparkBurst(const EffectContext& c) {
    c.state->root = new CParticle();
    AddSparkBurst(c, 50, EFFECT_KIND_SPARK_BURST);
}

void CreatePieces(const EffectContext& c) {
    CParticle* root = c.state->root = new CParticle();
    for (int32_t i = 0; i < 10; ++i) {
        const std::vector<Image*> frames =
            ScriptImages(c.world, c.actor, EFFECT_KIND_PIECES + WorldRandomInt(0, 4), 0);
        if (frames.empty())
            continue;
        ParticleParams p = FreshParticleParams();
        p.vx = Random(-6.0f, 6.0f);
        p.vy = Random(-3.0f, -6.0f);
        p.ay = 0.8f;
        const int32_t life = WorldRandomInt(10, 20);
        p.dAngle = Random(-0.5f, 0.5f);
        p.dAlpha = 1.0f / static_cast<float>(life);
        AdoptParticle(root, new CParticle(), frames, life, p);
    }
    for (int32_t i = 0; i < 20; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_FINALE);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        p.x = Random(-100.0f, 100.0f);
        p.y = Random(-50.0f, 50.0f);
        const int32_t life = SetFallingSpark(&p, 40, 50);
        AdoptParticle(root, new CParticle(), frame, life, p);
    }
}

void CreateWallBricks(const EffectContext& c) {
    CParticle* root = c.state->root = new CWallBrick();
    for (int32_t i = 0; i < 20; ++i) {
        const std::vector<Image*> frames =
            ScriptImages(c.world, c.actor, EFFECT_KIND_WALL_BRICKS + WorldRandomInt(0, 2), 0);
        if (frames.empty())
            continue;
        ParticleParams p = FreshParticleParams();
        SetBrickMotion(&p);
        p.dAngle = Random(-kEffectPi / 40.0f, kEffectPi / 40.0f);
        const int32_t life = WorldRandomInt(20, 50);
        p.dAlpha = -1.0f / static_cast<float>(life);
        AdoptParticle(root, new CWallBrick(), frames, life, p);
    }
    for (int32_t i = 0; i < 100; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_FLASH_BURST);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        SetBrickMotion(&p);
        const int32_t life = SetBurstBit(&p);
        AdoptParticle(root, new CWallBrick(), frame, life, p);
    }
    for (int32_t i = 0; i < 10; ++i) {
        Image* frame = RandomImage(c, EFFECT_KIND_FINALE);
        if (frame == nullptr)
            continue;
        ParticleParams p = FreshParticleParams();
        p.x = Random(105.0f, 115.0f);
        p.y = Random(-70.0f, -30.0f);
        const int32_t life = SetFallingSpark(&p, 30, 60);
        AdoptParticle(root, new CParticle(), frame, life, p);
    }
}

void CreateSmallRing(const EffectContext& c) {
    CParticle* root = c.state->root = new CParticle();
    const int32_t m = WorldRandomInt(3, 7);
    Image* frame = InstructionImage(c, EFFECT_KIND_SMALL_RING, 0);
    if (frame == nullptr)
        return;
    for (int32_t i = 0; i < m; ++i) {
        const float a = RingAngle(i, m);
        ParticleParams p = FreshParticleParams();
        p.vx = Cos(a) * Random(1.5f, 1.6f);
        p.vy = Sin(a) * Random(2.8f, 2.9f);
        p.posJitterMin.x = -0.3f;
        p.posJitterMax.x = 0.3f;
        p.velJitterMin.x = -0.2f;
        p.velJitterMax.x = 0.2f;
        p.scaleX = p.scaleY = 0.5f;
        p.dScaleX = p.dScaleY = Random(0.05f, 0.1f);
        const int32_t life = WorldRandomInt(30, 40);
        p.dAlpha = -1.0f / static_cast<float>(life);
        AdoptParticle(root, new CParticle(), frame, life, p);
    }
}

void CreateCannonSpark(const EffectContext& c) {
    c.state->root = new CCannonBallSpark();
    const std::vector<Image*> frames = ScriptImages(c.world, c.actor, EFFECT_KIND_CANNON_SPARK, 1);
    c.state->root->SetFrames(frames.data(), static_cast<int32_t>(frames.size()));
}
