#include "particles/effects.h"

#include <cmath>

#include "engine/helpers.h"

static constexpr double kPi = 3.14159265358979323846;
static constexpr float kPiF = static_cast<float>(kPi);
static constexpr float kTwoPiF = static_cast<float>(2.0 * kPi);

// The fading draw of dust and stars: the life left replaces the alpha.
static void DrawFaded(CParticle* particle) {
    if (particle->FillDrawRecord()) {
        particle->transform.alpha = FadeRatio(particle->lifetime, particle->age);
        particle->SubmitDrawRecord();
    }
    particle->DrawChildren();
}

// ---- CDust, CSaturn2, CStars ---------------------------------------------

CDust::CDust() {
    lifetime = 3;
}

void CDust::Draw() {
    DrawFaded(this);
}

void CStars::Draw() {
    DrawFaded(this);
}

int32_t CSaturn2::Update() {
    double alpha = 0.9;
    if (lifetime > 0) {
        double remaining = static_cast<double>(static_cast<int64_t>(lifetime) - age);
        alpha = remaining * 0.9 / static_cast<double>(lifetime);
    }
    params.alpha = ClampUnit(static_cast<float>(alpha));
    return CParticle::Update();
}

// ---- CDeathStars ---------------------------------------------------------

CDeathStars::CDeathStars(int32_t generationNumber) : generation(generationNumber) {}

void CDeathStars::AllocPoints(Image* const* images, int32_t count) {
    std::vector<Image*> copy;
    if (images != nullptr && count > 0)
        copy.assign(images, images + count);
    starImages.swap(copy);
    starCount = static_cast<int32_t>(starImages.size());
}

void CDeathStars::Draw() {
    if (FillDrawRecord()) {
        if (generation == 0)
            transform.alpha = FadeRatio(lifetime, age);
        transform.scaleX = params.scaleX / 3.0f;
        transform.scaleY = params.scaleY / 3.0f;
        SubmitDrawRecord();
    }
    DrawChildren();
}

void CDeathStars::EmitStars() {
    frames.clear();
    frameIndex = 0;
    float phase = Random(0.0f, kPiF);
    for (int32_t i = 0; i < starCount; ++i) {
        CDeathStars* star = new CDeathStars(0);
        star->SetFrames(&starImages[static_cast<size_t>(i)], 1);
        ParticleParams block;
        ResetParticleParams(&block);
        block.x = params.x;
        block.y = params.y;
        float spread = static_cast<float>(i) * kTwoPiF;
        float angle = spread / static_cast<float>(starCount);
        angle = angle + phase;
        double turn = angle;
        block.vx = static_cast<float>(2.0 * std::cos(turn) + params.vx);
        block.vy = static_cast<float>(2.0 * std::sin(turn) + params.vy);
        block.dScaleX = 0.4f;
        block.dScaleY = 0.4f;
        star->SetParams(&block);
        star->SetLife(0, 10);
        AddChild(star);
    }
}

int32_t CDeathStars::Update() {
    Integrate();
    // The age stops at the lifetime, one short of the base particle's.
    if (age < lifetime)
        age += 1;
    if (generation == 1 && age == static_cast<int64_t>(lifetime) - 1)
        EmitStars();
    int32_t left = UpdateChildren();
    return (age != lifetime ? 1 : 0) + left;
}

// ---- CWaterdrop ----------------------------------------------------------

void CWaterdrop::Bounce(float xMin, float xMax) {
    float width = xMax - xMin;
    float half = width * 0.5f;
    float centre = xMin + half;
    float d = params.x - centre;
    float reach = half - std::fabs(d);
    float t = reach / half;
    float k = d >= 0.0f ? t * params.vy : -t * params.vy;
    float r = Random(0.0f, 1.0f);
    bounced = 1;
    float push = r * k;
    params.vx = params.vx + push;
    params.ay = params.vy / 3.0f;
    params.vy = params.vy * -0.125f;
}

int32_t CWaterdrop::StepInBox(float xMin, float xMax, float yLimit) {
    double heading = std::atan2(static_cast<double>(params.vy), static_cast<double>(params.vx));
    params.angle = static_cast<float>(kPi / 2.0 - heading);
    // Strict on every side, so `half` in Bounce is never 0.
    bool inside = xMin < params.x && params.x < xMax && params.y > yLimit;
    if (inside && children.empty() && bounced == 0)
        Bounce(xMin, xMax);
    Integrate();
    AdvanceAge();
    int32_t left = UpdateDrops(xMin, xMax, yLimit);
    return (age != lifetime ? 1 : 0) + left;
}

int32_t CWaterdrop::UpdateDrops(float xMin, float xMax, float yLimit) {
    size_t kept = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        CParticle* child = children[i];
        // Children of another class take their ordinary step.
        CWaterdrop* drop = dynamic_cast<CWaterdrop*>(child);
        int32_t result = drop != nullptr ? drop->StepInBox(xMin, xMax, yLimit) : child->Update();
        if (result == 0) {
            delete child;
            continue;
        }
        children[kept++] = child;
    }
    children.resize(kept);
    return GetChildCount();
}

// ---- CSplinkerWater, CSplinkerPaint --------------------------------------

int32_t CSplinkerWater::UpdateWithDrop(float drop) {
    if (firstUpdate != 0) {
        firstUpdate = 0;
        startX = params.x;
        startY = params.y;
    }
    float floor = startY + drop;
    if (params.y > floor && params.vy > 0.0f) {
        DeleteChildren();
        return 0;
    }
    return CParticle::Update();
}

int32_t CSplinkerWater::Update() {
    return UpdateWithDrop(16.0f);
}

int32_t CSplinkerPaint::Update() {
    return UpdateWithDrop(110.0f);
}

// ---- CWallBrick ----------------------------------------------------------

void CWallBrick::HoldFrame() {
    // The draw steps the index forward again, so the brick keeps its frame.
    if (frameIndex > 0)
        frameIndex -= 1;
    else if (GetFrameCount() > 0)
        frameIndex = GetFrameCount() - 1;
}

void CWallBrick::Land() {
    float x = params.x, y = params.y;
    float scaleX = params.scaleX, scaleY = params.scaleY;
    float angle = params.angle;
    float alpha = params.alpha, dAlpha = params.dAlpha;
    ResetParticleParams(&params);
    params.x = x;
    params.y = y;
    params.scaleX = scaleX;
    params.scaleY = scaleY;
    params.angle = angle;
    params.alpha = alpha;
    params.dAlpha = dAlpha;
    state = -1;
}

int32_t CWallBrick::Update() {
    if (state == 1) {
        state = 0;
        startX = params.x;
        startY = params.y;
    }
    float floor = startY + 110.0f;
    if (state == 0 && params.y > floor && params.vy > 0.0f) {
        Land();
        HoldFrame();
    } else if (state == -1) {
        HoldFrame();
    }
    return CParticle::Update();
}

// ---- CCannonBallSpark ----------------------------------------------------

void CCannonBallSpark::EmitSparks() {
    // A ball without frames has nothing to throw.
    int32_t frameCount = GetFrameCount();
    if (frameCount < 1)
        return;
    int32_t count = RandomInt(5, 10);
    double rimAngle = kPi + phase;
    double rimCos = std::cos(rimAngle);
    double phaseSin = std::sin(static_cast<double>(phase));
    for (int32_t i = 0; i < count; ++i) {
        int32_t frame = RandomInt(0, static_cast<uint32_t>(frameCount - 1));
        float speedX = Random(1.0f, 2.0f);
        float speedY = Random(0.5f, 1.0f);
        int32_t life = RandomInt(10, 20);
        CParticle* spark = new CParticle();
        spark->SetFrames(&frames[static_cast<size_t>(frame)], 1);
        ParticleParams block;
        ResetParticleParams(&block);
        block.x = static_cast<float>(params.x + 28.0 * rimCos);
        block.y = static_cast<float>(params.y + 14.0 * phaseSin);
        block.posJitterMin = {-1.0f, -1.0f};
        block.posJitterMax = {1.0f, 1.0f};
        block.vx = static_cast<float>(rimCos * speedX);
        block.vy = static_cast<float>(phaseSin * speedY);
        spark->SetParams(&block);
        spark->SetLife(0, life);
        AddChild(spark);
    }
}

int32_t CCannonBallSpark::Update() {
    static const float kPhaseStep = static_cast<float>(kPi / 20.0);
    phase = phase + kPhaseStep;
    if (phase > kTwoPiF)
        phase = phase - kTwoPiF;
    if (phase < kPiF)
        EmitSparks();
    return UpdateChildren();
}

void CCannonBallSpark::Draw() {
    DrawChildren();
}
