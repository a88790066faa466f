// The menus' own mouse pointer: an animated picture with a trail of sparks
// (one per 4 pixels moved) and faint copies of the pointer along the last
// part of the path. Drawing and updating the trail happen in one call.
#pragma once

#include <cstdint>
#include <vector>

#include "particles/particle.h"

struct Image;

// Catalogue group 8: item 0 holds the animation length n as its first
// little-endian 32-bit word, items 1 to |n| - 1 are the pointer pictures,
// the last item is the spark.
constexpr uint32_t CURSOR_GROUP = 8;

// A spark: lives 20 updates, its opacity the square root of the life left.
class CCursorParticle : public CParticle {
public:
    CCursorParticle();
    void Draw() override;
};

// A copy of the pointer: lives 4 updates at a sixteenth of that opacity.
class CBlur : public CParticle {
public:
    CBlur();
    void Draw() override;
};

class CCursor {
public:
    CCursor();
    virtual ~CCursor();
    CCursor(const CCursor&) = delete;
    CCursor& operator=(const CCursor&) = delete;

    void Draw(int32_t mouseX, int32_t mouseY);

    // Item 0 (raw bytes) has no picture: frames[0] stays null.
    std::vector<Image*> frames;
    int32_t frameIndex = 0;
    float time = 0.0f;
    int32_t frameCount = 0;
    // Pointer pictures in the animation: |n| - 1, kept within the pictures
    // the group has.
    int32_t animationCount = 1;
    int32_t lastX = -1, lastY = -1;
    CCursorParticle* sparkRoot;
    ParticleParams sparkParams;
    CBlur* blurRoot;
    ParticleParams blurParams;

private:
    void LoadPictures();
    void AddTrail(int32_t mouseX, int32_t mouseY);
    void AddSpark(float px, float py, float stepX, float stepY);
    void AddBlur(float px, float py);
};
