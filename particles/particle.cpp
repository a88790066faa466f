#include "particles/particle.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "engine/helpers.h"

// Beyond this a coordinate is a runaway particle, not a place on screen, and
// converting it to an integer would overflow.
static constexpr float kMaxDrawCoordinate = 1.0e7f;

void ResetParticleParams(ParticleParams* params) {
    std::memset(params, 0, sizeof(*params));
    params->scaleX = 1.0f;
    params->scaleY = 1.0f;
    params->alpha = 1.0f;
}

float ClampUnit(float value) {
    if (!(value > 0.0f))
        return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

float FadeRatio(int32_t lifetime, int32_t age) {
    if (lifetime <= 0)
        return 1.0f;
    float remaining = static_cast<float>(static_cast<int64_t>(lifetime) - age);
    float ratio = remaining / static_cast<float>(lifetime);
    return ClampUnit(ratio);
}

CParticle::CParticle() {
    ResetParticleParams(&params);
    std::memset(&transform, 0, sizeof(transform));
    std::memset(&drawRecord, 0, sizeof(drawRecord));
    InitSpriteRecord(&drawRecord, gScreenTarget);
}

CParticle::~CParticle() {
    DeleteChildren();
}

void CParticle::SetParams(const ParticleParams* block) {
    if (block != nullptr)
        params = *block;
}

void CParticle::SetLife(int32_t newAge, int32_t newLifetime) {
    age = newAge;
    lifetime = newLifetime;
}

void CParticle::SetFrames(Image* const* table, int32_t count) {
    // Copied before the old table goes: the caller may pass our own table.
    std::vector<Image*> copy;
    if (table != nullptr && count > 0)
        copy.assign(table, table + count);
    frames.swap(copy);
    if (frameIndex >= GetFrameCount() || frameIndex < 0)
        frameIndex = 0;
}

void CParticle::MoveBy(float dx, float dy) {
    params.x = params.x + dx;
    params.y = params.y + dy;
    for (CParticle* child : children)
        child->MoveBy(dx, dy);
}

void CParticle::MoveTo(float x, float y) {
    float dx = x - params.x;
    float dy = y - params.y;
    for (CParticle* child : children)
        child->MoveBy(dx, dy);
    params.x = x;
    params.y = y;
}

void CParticle::AddChild(CParticle* child) {
    if (child != nullptr)
        children.push_back(child);
}

void CParticle::DeleteChildren() {
    std::vector<CParticle*> doomed;
    doomed.swap(children);
    for (CParticle* child : doomed)
        delete child;
}

CParticle* CParticle::GetChild(int32_t index) const {
    if (index < 0 || index >= GetChildCount())
        return nullptr;
    return children[static_cast<size_t>(index)];
}

// One jittered step: field += base + R(min, max). The draw comes first, in
// its own statement, so that the order of the shared generator is fixed.
static void JitterStep(float* field, float base, float min, float max) {
    float r = Random(min, max);
    float step = base + r;
    *field = *field + step;
}

void CParticle::Integrate() {
    ParticleParams& p = params;
    JitterStep(&p.x, p.vx, p.posJitterMin.x, p.posJitterMax.x);
    JitterStep(&p.y, p.vy, p.posJitterMin.y, p.posJitterMax.y);
    JitterStep(&p.vx, p.ax, p.velJitterMin.x, p.velJitterMax.x);
    JitterStep(&p.vy, p.ay, p.velJitterMin.y, p.velJitterMax.y);
    JitterStep(&p.ax, 0.0f, p.accJitterMin.x, p.accJitterMax.x);
    JitterStep(&p.ay, 0.0f, p.accJitterMin.y, p.accJitterMax.y);
    JitterStep(&p.scaleX, p.dScaleX, p.scaleJitterMin.x, p.scaleJitterMax.x);
    JitterStep(&p.scaleY, p.dScaleY, p.scaleJitterMin.y, p.scaleJitterMax.y);
    JitterStep(&p.dScaleX, 0.0f, p.dScaleJitterMin.x, p.dScaleJitterMax.x);
    JitterStep(&p.dScaleY, 0.0f, p.dScaleJitterMin.y, p.dScaleJitterMax.y);
    JitterStep(&p.angle, p.dAngle, p.angleJitterMin, p.angleJitterMax);
    JitterStep(&p.dAngle, 0.0f, p.dAngleJitterMin, p.dAngleJitterMax);
    float alpha = p.alpha + p.dAlpha;
    p.alpha = ClampUnit(alpha);
}

void CParticle::AdvanceAge() {
    if (age <= lifetime && age < INT32_MAX)
        age += 1;
}

int32_t CParticle::UpdateChildren() {
    // Survivors are packed towards the front in their old order; a child
    // only ever touches its own list, so ours stays put during the walk.
    size_t kept = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        CParticle* child = children[i];
        if (child->Update() == 0) {
            delete child;
            continue;
        }
        children[kept++] = child;
    }
    children.resize(kept);
    return GetChildCount();
}

int32_t CParticle::Update() {
    Integrate();
    AdvanceAge();
    int32_t left = UpdateChildren();
    return (age != lifetime ? 1 : 0) + left;
}

static bool IsDrawableCoordinate(float v) {
    return std::isfinite(v) && std::fabs(v) <= kMaxDrawCoordinate;
}

bool CParticle::FillDrawRecord() {
    if (frames.empty())
        return false;
    if (frameIndex < 0 || frameIndex >= GetFrameCount())
        frameIndex = 0;
    Image* image = frames[static_cast<size_t>(frameIndex)];
    InitSpriteRecord(&drawRecord, gScreenTarget);
    drawRecord.source = image;
    drawRecord.flags = SPRITE_FLAG_TRANSFORM;
    drawRecord.transform = &transform;
    int32_t halfW = image != nullptr ? image->width / 2 : 0;
    int32_t halfH = image != nullptr ? image->height / 2 : 0;
    transform.scaleX = params.scaleX;
    transform.scaleY = params.scaleY;
    transform.pivotX = halfW;
    transform.pivotY = halfH;
    transform.rotationRefX = halfW;
    transform.rotationRefY = halfH;
    transform.angle = params.angle;
    transform.red = 1.0f;
    transform.green = 1.0f;
    transform.blue = 1.0f;
    transform.alpha = params.alpha;
    frameIndex = frameIndex + 1 < GetFrameCount() ? frameIndex + 1 : 0;
    if (!IsDrawableCoordinate(params.x) || !IsDrawableCoordinate(params.y))
        return false;
    drawRecord.x = static_cast<int32_t>(params.x);
    drawRecord.y = static_cast<int32_t>(params.y);
    return true;
}

void CParticle::SubmitDrawRecord() {
    DrawSprite(&drawRecord);
}

void CParticle::DrawFrame() {
    if (FillDrawRecord())
        SubmitDrawRecord();
}

void CParticle::DrawChildren() {
    for (CParticle* child : children)
        child->Draw();
}

void CParticle::Draw() {
    DrawFrame();
    DrawChildren();
}
