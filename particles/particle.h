// Particles: sprites moved by a block of motion parameters with a fresh
// random jitter on every term each frame, cycling through their frames,
// ageing towards a lifetime and owning child particles. A particle system is
// a tree whose owner updates, draws and finally deletes the root.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/image.h"

struct ParticleVec {
    float x;
    float y;
};

struct ParticleParams {
    float x, y;
    float vx, vy;
    float ax, ay;
    float scaleX, scaleY;
    float dScaleX, dScaleY;
    ParticleVec posJitterMin, posJitterMax;
    ParticleVec velJitterMin, velJitterMax;
    ParticleVec accJitterMin, accJitterMax;
    ParticleVec scaleJitterMin, scaleJitterMax;
    ParticleVec dScaleJitterMin, dScaleJitterMax;
    float angle, dAngle;
    float angleJitterMin, angleJitterMax;
    float dAngleJitterMin, dAngleJitterMax;
    float alpha, dAlpha;
};
static_assert(sizeof(ParticleParams) == 38 * sizeof(float), "38 floats, no padding");

// Zeroes the block; scale and alpha become 1.
void ResetParticleParams(ParticleParams* params);

// Clamps to 0..1; NaN becomes 0.
float ClampUnit(float value);
// The remaining share of a life, (lifetime - age) / lifetime, clamped to
// 0..1. A lifetime of 0 or less fades nothing (1): the fading draws and the
// cursor trail must never divide by zero or go negative.
float FadeRatio(int32_t lifetime, int32_t age);

class CParticle {
public:
    CParticle();
    virtual ~CParticle();
    CParticle(const CParticle&) = delete;
    CParticle& operator=(const CParticle&) = delete;

    virtual void Draw();
    // The number that keeps the particle alive: 0 means its parent deletes it.
    virtual int32_t Update();
    virtual void MoveBy(float dx, float dy);
    virtual void MoveTo(float x, float y);
    // Keeps a copy of `count` image handles; a null table or a count of 0 or
    // less leaves the particle without frames.
    virtual void SetFrames(Image* const* table, int32_t count);
    virtual void SetLife(int32_t newAge, int32_t newLifetime);
    virtual void SetParams(const ParticleParams* block);

    // Takes ownership of `child` (null is ignored).
    void AddChild(CParticle* child);
    void DeleteChildren();
    int32_t GetChildCount() const { return static_cast<int32_t>(children.size()); }
    CParticle* GetChild(int32_t index) const;
    int32_t GetFrameCount() const { return static_cast<int32_t>(frames.size()); }

    // One frame of motion: twelve random draws in a fixed order, then alpha.
    void Integrate();
    // Updates every child once; children returning 0 are deleted. Returns
    // the number left.
    int32_t UpdateChildren();
    // Age step shared by the updates: counts up to lifetime + 1 at most.
    void AdvanceAge();
    // The base particle's own drawing: the current frame through the
    // transform, then the frame index moves on.
    void DrawFrame();
    void DrawChildren();

    // Fills drawRecord and transform from the current frame and advances the
    // frame index. False when there is nothing to draw (no frames, or a
    // position that is not a sane screen coordinate).
    bool FillDrawRecord();
    // Hands drawRecord to DrawSprite.
    void SubmitDrawRecord();

    // Fields are open to the effect classes, the cursor and their owners.
    ParticleParams params;
    SpriteRecord drawRecord;
    SpriteTransform transform;
    std::vector<Image*> frames;
    int32_t frameIndex = 0;
    std::vector<CParticle*> children;
    int32_t age = 0;
    int32_t lifetime = -1;
};
