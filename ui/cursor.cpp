#include "ui/cursor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "ui/picture.h"

// Pointer picture offset from the mouse position.
static constexpr int32_t kPointerOffsetX = 33;
static constexpr int32_t kPointerOffsetY = 28;
// No screen is this wide: a longer jump is not traced spark by spark.
static constexpr int32_t kMaxTrailSteps = 1000;

// trunc() of a trail position, kept clear of integer overflow.
static int64_t TruncPosition(float v) {
    if (!(v > -1.0e12f && v < 1.0e12f))
        return 0;
    return static_cast<int64_t>(v);
}

// ---- trail particles -------------------------------------------------------

CCursorParticle::CCursorParticle() {
    lifetime = 20;
}

void CCursorParticle::Draw() {
    if (FillDrawRecord()) {
        transform.alpha = std::sqrt(FadeRatio(lifetime, age));
        SubmitDrawRecord();
    }
    DrawChildren();
}

CBlur::CBlur() {
    lifetime = 4;
}

void CBlur::Draw() {
    if (FillDrawRecord()) {
        float opacity = std::sqrt(FadeRatio(lifetime, age));
        transform.alpha = opacity * 0.0625f;
        SubmitDrawRecord();
    }
    DrawChildren();
}

// ---- CCursor ---------------------------------------------------------------

CCursor::CCursor() : sparkRoot(new CCursorParticle()), blurRoot(new CBlur()) {
    ResetParticleParams(&sparkParams);
    ResetParticleParams(&blurParams);
    LoadPictures();
}

CCursor::~CCursor() {
    delete sparkRoot;
    delete blurRoot;
}

void CCursor::LoadPictures() {
    frameCount = static_cast<int32_t>(GetGroupSize(&gResourceCatalogue, CURSOR_GROUP));
    frames.assign(static_cast<size_t>(frameCount), nullptr);
    // Without a pointer picture and a spark there is nothing to show.
    if (frameCount < 3)
        return;
    for (int32_t i = 1; i < frameCount; ++i)
        frames[static_cast<size_t>(i)] = GetPictureItem(CURSOR_GROUP, i);
    int64_t n = 0;
    // Only a byte entry holds the number: a picture or a sound does not.
    ResourceArchive* archive = gResourceCatalogue.archive;
    uint32_t headerEntry = GetResourceIndex(&gResourceCatalogue, CURSOR_GROUP, 0);
    uint32_t headerType = GetEntryType(archive, headerEntry);
    bool headerIsBytes = headerType != RES_TYPE_PNG && headerType != RES_TYPE_IMAGE_STUB &&
                         ResourceTypeInClass(headerType, RES_CLASS_SOUND) == 0;
    // One bounded read: a size measured apart from the read may be that of
    // an outside file grown since, larger than the bytes actually loaded.
    uint8_t header[4];
    if (headerIsBytes && ReadEntryUpTo(archive, header, headerEntry, sizeof(header)) == 4)
        n = GetI32LE(header);
    int64_t count = (n < 0 ? -n : n) - 1;
    animationCount = static_cast<int32_t>(std::clamp<int64_t>(count, 1, frameCount - 2));
}

void CCursor::AddSpark(float px, float py, float stepX, float stepY) {
    CCursorParticle* spark = new CCursorParticle();
    spark->SetFrames(&frames[static_cast<size_t>(frameCount - 1)], 1);
    int32_t jitterX = RandomInt(static_cast<uint32_t>(-16), 16);
    int32_t jitterY = RandomInt(static_cast<uint32_t>(-16), 16);
    float scale = Random(0.2f, 0.8f);
    float spin = Random(-0.2f, 0.2f);
    ParticleParams& p = sparkParams;
    p.x = static_cast<float>(TruncPosition(px) + 50 + jitterX);
    p.y = static_cast<float>(TruncPosition(py) + 50 + jitterY);
    p.vx = -stepX;
    p.vy = -stepY;
    p.ax = stepX / -20.0f;
    p.ay = stepY / -20.0f;
    p.velJitterMin = {-1.5f, -1.5f};
    p.velJitterMax = {1.5f, 1.5f};
    p.scaleX = scale;
    p.scaleY = scale;
    p.dScaleX = 0.01f;
    p.dScaleY = 0.01f;
    p.dAngle = spin;
    spark->SetParams(&sparkParams);
    sparkRoot->AddChild(spark);
}

void CCursor::AddBlur(float px, float py) {
    CBlur* copy = new CBlur();
    blurParams.x = static_cast<float>(TruncPosition(px) + 33);
    blurParams.y = static_cast<float>(TruncPosition(py) + 37);
    copy->SetParams(&blurParams);
    copy->SetFrames(&frames[static_cast<size_t>(frameIndex + 1)], 1);
    blurRoot->AddChild(copy);
}

void CCursor::AddTrail(int32_t mouseX, int32_t mouseY) {
    int64_t dx = static_cast<int64_t>(mouseX) - lastX;
    int64_t dy = static_cast<int64_t>(mouseY) - lastY;
    float squared = static_cast<float>(dx * dx + dy * dy);
    float root = std::sqrt(squared);
    int32_t dist = root < 2.0e9f ? static_cast<int32_t>(root) : 2000000000;
    int32_t steps = std::min(dist / 4, kMaxTrailSteps);
    float stepX = 0.0f, stepY = 0.0f;
    if (steps != 0) {
        stepX = static_cast<float>(dx) / static_cast<float>(steps);
        stepY = static_cast<float>(dy) / static_cast<float>(steps);
    }
    float px = static_cast<float>(lastX);
    float py = static_cast<float>(lastY);
    // From the old position towards the new one; the last three steps also
    // leave a faint copy of the pointer.
    for (int32_t k = steps; k >= 1; --k) {
        AddSpark(px, py, stepX, stepY);
        if (k < 4)
            AddBlur(px, py);
        px = px + stepX;
        py = py + stepY;
    }
}

void CCursor::Draw(int32_t mouseX, int32_t mouseY) {
    if (lastX < 0) {
        lastX = mouseX;
        lastY = mouseY;
    }
    if (frameCount < 3) {
        lastX = mouseX;
        lastY = mouseY;
        return;
    }
    DrawPictureAt(frames[static_cast<size_t>(frameIndex + 1)], mouseX - kPointerOffsetX,
                  mouseY - kPointerOffsetY);
    time = time + 0.5f;
    frameIndex = static_cast<int32_t>(time);
    if (frameIndex >= animationCount) {
        frameIndex = 0;
        time = 0.0f;
    }
    AddTrail(mouseX, mouseY);
    sparkRoot->Draw();
    sparkRoot->Update();
    blurRoot->Draw();
    blurRoot->Update();
    lastX = mouseX;
    lastY = mouseY;
}
