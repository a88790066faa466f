// The particle classes the world's effect objects are built from: fading
// sparks, emitters, bouncing drops, splashes and landing bricks.
#pragma once

#include <cstdint>
#include <vector>

#include "particles/particle.h"

// Fades out over its life. Lives 3 frames unless told otherwise.
class CDust : public CParticle {
public:
    CDust();
    void Draw() override;
};

// Its alpha follows 0.9 of its remaining life before every step.
class CSaturn2 : public CParticle {
public:
    int32_t Update() override;
};

class CStars : public CParticle {
public:
    void Draw() override;
};

// Generation 1 bursts into one generation-0 star per star image just before
// its life ends; generation 0 stars fade. Drawn at a third of their scale.
class CDeathStars : public CParticle {
public:
    explicit CDeathStars(int32_t generationNumber);
    void Draw() override;
    int32_t Update() override;
    // The images of the stars this particle will emit, one per star.
    void AllocPoints(Image* const* images, int32_t count);

    int32_t generation;
    std::vector<Image*> starImages;
    int32_t starCount = 0;

private:
    void EmitStars();
};

// A drop that turns along its motion and bounces once inside a box.
class CWaterdrop : public CParticle {
public:
    // Called on the root instead of Update, every frame.
    int32_t StepInBox(float xMin, float xMax, float yLimit);
    int32_t UpdateDrops(float xMin, float xMax, float yLimit);

    int32_t bounced = 0;

private:
    void Bounce(float xMin, float xMax);
};

// A splash that ends once it falls a set distance below where it started.
class CSplinkerWater : public CParticle {
public:
    int32_t Update() override;

    float startX = 0.0f;
    float startY = 0.0f;
    int32_t firstUpdate = 1;

protected:
    int32_t UpdateWithDrop(float drop);
};

class CSplinkerPaint : public CSplinkerWater {
public:
    int32_t Update() override;
};

// Flies until it is 110 pixels below its start, then lands and freezes on
// its frame while it keeps fading.
class CWallBrick : public CParticle {
public:
    int32_t Update() override;

    float startX = 0.0f;
    float startY = 0.0f;
    int32_t state = 1; // 1 before the first update, 0 flying, -1 landed

private:
    void Land();
    void HoldFrame();
};

// Emits sparks from a rim around itself during the first half of every
// turn of its phase; it is never drawn itself.
class CCannonBallSpark : public CParticle {
public:
    void Draw() override;
    int32_t Update() override;

    float phase = 0.0f;

private:
    void EmitSparks();
};
