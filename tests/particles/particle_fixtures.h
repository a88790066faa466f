// Shared helpers of the particle tests: images of known sizes, counting
// the shared generator's draws, and a particle that counts its deaths.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "particles/particle.h"

// The number of NextRandom steps that lead from `before` to `after`, or -1
// when more than `limit` would be needed. Leaves the generator at `after`.
inline int32_t DrawsBetween(uint32_t before, uint32_t after, int32_t limit = 100000) {
    SetRandomState(before);
    int32_t n = 0;
    while (GetRandomState() != after) {
        if (n == limit) {
            SetRandomState(after);
            return -1;
        }
        NextRandom();
        ++n;
    }
    return n;
}

// Images owned by the fixture, freed at its end.
class ImageSet {
public:
    ~ImageSet() {
        for (Image* image : images_)
            FreeImage(&image);
    }
    Image* Make(int32_t width, int32_t height) {
        images_.push_back(CreateImage(width, height, IMAGE_FMT_32));
        return images_.back();
    }

private:
    std::vector<Image*> images_;
};

// A particle that reports its destruction and can be told what to return.
class CountedParticle : public CParticle {
public:
    CountedParticle(int32_t* deaths, int32_t result) : deaths_(deaths), result_(result) {}
    ~CountedParticle() override { ++*deaths_; }
    int32_t Update() override {
        ++updates;
        return result_;
    }
    int32_t updates = 0;

private:
    int32_t* deaths_;
    int32_t result_;
};
