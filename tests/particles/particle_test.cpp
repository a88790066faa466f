#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "particles/particle.h"
#include "tests/particles/particle_fixtures.h"
#include "tests/support/draw_capture.h"

namespace {

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override { SetRandomState(kInitialRandomState); }
};

ParticleParams StillBlock() {
    ParticleParams p;
    ResetParticleParams(&p);
    return p;
}

// ---- motion --------------------------------------------------------------

TEST_F(ParticleTest, PositionMovesByTheOldVelocity) {
    CParticle particle;
    ParticleParams p = StillBlock();
    p.x = 10.0f;
    p.y = 20.0f;
    p.vx = 2.0f;
    p.vy = -3.0f;
    p.ax = 0.5f;
    p.ay = 0.25f;
    p.scaleX = 1.0f;
    p.dScaleX = 0.5f;
    p.angle = 1.0f;
    p.dAngle = 0.25f;
    particle.SetParams(&p);
    particle.Update();
    EXPECT_EQ(particle.params.x, 12.0f);
    EXPECT_EQ(particle.params.y, 17.0f);
    EXPECT_EQ(particle.params.vx, 2.5f);
    EXPECT_EQ(particle.params.vy, -2.75f);
    EXPECT_EQ(particle.params.scaleX, 1.5f);
    EXPECT_EQ(particle.params.angle, 1.25f);
    particle.Update();
    EXPECT_EQ(particle.params.x, 14.5f);
}

TEST_F(ParticleTest, AlphaStepIsClampedToTheUnitRange) {
    CParticle up, down;
    ParticleParams p = StillBlock();
    p.alpha = 0.95f;
    p.dAlpha = 0.1f;
    up.SetParams(&p);
    p.alpha = 0.05f;
    p.dAlpha = -0.1f;
    down.SetParams(&p);
    up.Update();
    down.Update();
    EXPECT_EQ(up.params.alpha, 1.0f);
    EXPECT_EQ(down.params.alpha, 0.0f);
}

TEST_F(ParticleTest, EveryUpdateDrawsTwelveNumbersEvenForEmptyRanges) {
    CParticle particle;
    uint32_t before = GetRandomState();
    particle.Update();
    EXPECT_EQ(DrawsBetween(before, GetRandomState()), 12);
}

TEST_F(ParticleTest, JitterTakesTheDrawsInTheListedOrder) {
    // Only the sixth range (acceleration y) is open: the sixth draw of the
    // frame must land there.
    CParticle particle;
    ParticleParams p = StillBlock();
    p.accJitterMin.y = 0.0f;
    p.accJitterMax.y = 1.0f;
    particle.SetParams(&p);
    uint32_t start = GetRandomState();
    for (int i = 0; i < 5; ++i)
        NextRandom();
    float expected = Random(0.0f, 1.0f);
    SetRandomState(start);
    particle.Update();
    EXPECT_EQ(particle.params.ay, expected);
    EXPECT_EQ(particle.params.ax, 0.0f);
}

TEST_F(ParticleTest, EqualBlocksStayEqualWithoutJitterAndPartWithIt) {
    ParticleParams p = StillBlock();
    p.vx = 1.0f;
    CParticle a, b;
    a.SetParams(&p);
    b.SetParams(&p);
    a.Update();
    b.Update();
    EXPECT_EQ(0, std::memcmp(&a.params, &b.params, sizeof(p)));

    p.posJitterMin = {-1.0f, -1.0f};
    p.posJitterMax = {1.0f, 1.0f};
    CParticle c, d;
    c.SetParams(&p);
    d.SetParams(&p);
    c.Update();
    d.Update();
    EXPECT_NE(c.params.x, d.params.x);
}

// ---- lifetimes -----------------------------------------------------------

TEST_F(ParticleTest, LifetimeThreeReturnsOneOneZero) {
    CParticle particle;
    particle.SetLife(0, 3);
    EXPECT_EQ(particle.Update(), 1);
    EXPECT_EQ(particle.Update(), 1);
    EXPECT_EQ(particle.Update(), 0);
}

TEST_F(ParticleTest, AParentWithALivingChildOutlivesItsLifetime) {
    CParticle particle;
    particle.SetLife(0, 3);
    particle.AddChild(new CParticle()); // immortal
    std::vector<int32_t> results;
    for (int i = 0; i < 5; ++i)
        results.push_back(particle.Update());
    EXPECT_EQ(results, (std::vector<int32_t>{2, 2, 1, 2, 2}));
    EXPECT_EQ(particle.age, 4);
}

TEST_F(ParticleTest, ImmortalAndZeroLifetimesNeverEnd) {
    CParticle immortal, zero;
    zero.SetLife(0, 0);
    for (int i = 0; i < 50; ++i) {
        EXPECT_GE(immortal.Update(), 1);
        EXPECT_NE(zero.Update(), 0);
    }
    EXPECT_EQ(immortal.age, 0);
    EXPECT_EQ(zero.age, 1);
}

TEST_F(ParticleTest, ADyingChildIsDeletedAndLaterSiblingsStillUpdate) {
    int32_t deaths = 0;
    CParticle root;
    auto* first = new CountedParticle(&deaths, 1);
    auto* dying = new CountedParticle(&deaths, 0);
    auto* last = new CountedParticle(&deaths, 3);
    root.AddChild(first);
    root.AddChild(dying);
    root.AddChild(last);
    EXPECT_EQ(root.Update(), 1 + 2);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(root.GetChildCount(), 2);
    EXPECT_EQ(root.GetChild(0), first);
    EXPECT_EQ(root.GetChild(1), last);
    EXPECT_EQ(first->updates, 1);
    EXPECT_EQ(last->updates, 1);
}

TEST_F(ParticleTest, DestroyingARootDeletesTheWholeTree) {
    int32_t deaths = 0;
    {
        CParticle root;
        auto* middle = new CountedParticle(&deaths, 1);
        middle->AddChild(new CountedParticle(&deaths, 1));
        root.AddChild(middle);
        root.AddChild(new CountedParticle(&deaths, 1));
    }
    EXPECT_EQ(deaths, 3);
}

// ---- moving trees --------------------------------------------------------

TEST_F(ParticleTest, MoveToCarriesEveryDescendantAlong) {
    CParticle root;
    ParticleParams p = StillBlock();
    p.x = 90.0f;
    p.y = 40.0f;
    root.SetParams(&p);
    auto* child = new CParticle();
    auto* grandchild = new CParticle();
    p.x = 5.0f;
    p.y = 6.0f;
    child->SetParams(&p);
    grandchild->SetParams(&p);
    child->AddChild(grandchild);
    root.AddChild(child);
    root.MoveTo(100.0f, 50.0f);
    EXPECT_EQ(root.params.x, 100.0f);
    EXPECT_EQ(root.params.y, 50.0f);
    EXPECT_EQ(child->params.x, 15.0f);
    EXPECT_EQ(child->params.y, 16.0f);
    EXPECT_EQ(grandchild->params.x, 15.0f);
    root.MoveBy(-1.0f, 2.0f);
    EXPECT_EQ(grandchild->params.x, 14.0f);
    EXPECT_EQ(grandchild->params.y, 18.0f);
}

// ---- frames --------------------------------------------------------------

TEST_F(ParticleTest, SetFramesCopiesItsOwnTableSafely) {
    ImageSet images;
    Image* table[3] = {images.Make(4, 4), images.Make(4, 4), images.Make(4, 4)};
    CParticle particle;
    particle.SetFrames(table, 3);
    particle.frameIndex = 2;
    particle.SetFrames(particle.frames.data() + 1, 2);
    EXPECT_EQ(particle.GetFrameCount(), 2);
    EXPECT_EQ(particle.frames[0], table[1]);
    EXPECT_EQ(particle.frameIndex, 0); // beyond the shorter table
    particle.SetFrames(nullptr, 5);
    EXPECT_EQ(particle.GetFrameCount(), 0);
    particle.SetFrames(table, -1);
    EXPECT_EQ(particle.GetFrameCount(), 0);
}

TEST_F(ParticleTest, DrawCyclesFramesThroughTheTransform) {
    DrawCapture log;
    ImageSet images;
    Image* table[3] = {images.Make(9, 7), images.Make(9, 7), images.Make(9, 7)};
    CParticle particle;
    particle.SetFrames(table, 3);
    ParticleParams p = StillBlock();
    p.x = 12.9f;
    p.y = 3.2f;
    p.scaleX = 2.0f;
    p.scaleY = 0.5f;
    p.angle = 0.75f;
    p.alpha = 0.5f;
    particle.SetParams(&p);
    for (int i = 0; i < 4; ++i)
        particle.Draw();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].record.source, table[0]);
    EXPECT_EQ(log[1].record.source, table[1]);
    EXPECT_EQ(log[2].record.source, table[2]);
    EXPECT_EQ(log[3].record.source, table[0]);
    const CapturedDraw& s = log[0];
    EXPECT_EQ(s.record.flags, SPRITE_FLAG_TRANSFORM);
    EXPECT_TRUE(IsScreenTarget(s.record.target));
    EXPECT_EQ(s.record.x, 12);
    EXPECT_EQ(s.record.y, 3);
    EXPECT_EQ(s.record.width, -1);
    EXPECT_EQ(s.record.height, -1);
    EXPECT_EQ(s.record.sourceX, 0);
    EXPECT_EQ(s.record.colour, 0u);
    ASSERT_TRUE(s.hasTransform);
    EXPECT_EQ(s.transform.pivotX, 4);
    EXPECT_EQ(s.transform.pivotY, 3);
    EXPECT_EQ(s.transform.rotationRefX, 4);
    EXPECT_EQ(s.transform.rotationRefY, 3);
    EXPECT_EQ(s.transform.scaleX, 2.0f);
    EXPECT_EQ(s.transform.scaleY, 0.5f);
    EXPECT_EQ(s.transform.angle, 0.75f);
    EXPECT_EQ(s.transform.red, 1.0f);
    EXPECT_EQ(s.transform.green, 1.0f);
    EXPECT_EQ(s.transform.blue, 1.0f);
    EXPECT_EQ(s.transform.alpha, 0.5f);
}

TEST_F(ParticleTest, PositionsTruncateTowardZero) {
    DrawCapture log;
    ImageSet images;
    Image* frame = images.Make(2, 2);
    CParticle particle;
    particle.SetFrames(&frame, 1);
    ParticleParams p = StillBlock();
    p.x = -0.7f;
    p.y = -1.5f;
    particle.SetParams(&p);
    particle.Draw();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].record.x, 0);
    EXPECT_EQ(log[0].record.y, -1);
}

TEST_F(ParticleTest, WithoutFramesOnlyTheChildrenDraw) {
    DrawCapture log;
    ImageSet images;
    Image* frame = images.Make(2, 2);
    CParticle root;
    auto* child = new CParticle();
    child->SetFrames(&frame, 1);
    root.AddChild(child);
    root.Draw();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].record.source, frame);
}

TEST_F(ParticleTest, RunawayPositionsAreNotDrawn) {
    DrawCapture log;
    ImageSet images;
    Image* frame = images.Make(2, 2);
    const float bad[] = {std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN(), 3.0e9f, -2.0e7f};
    for (float value : bad) {
        CParticle particle;
        particle.SetFrames(&frame, 1);
        ParticleParams p = StillBlock();
        p.y = value;
        particle.SetParams(&p);
        particle.Draw();
    }
    EXPECT_EQ(log.size(), 0u);
}

// ---- fading --------------------------------------------------------------

TEST_F(ParticleTest, FadeRatioIsClampedAndSafeForEmptyLifetimes) {
    EXPECT_EQ(FadeRatio(20, 5), 0.75f);
    EXPECT_EQ(FadeRatio(20, 20), 0.0f);
    EXPECT_EQ(FadeRatio(3, 4), 0.0f); // a survivor past its lifetime
    EXPECT_EQ(FadeRatio(10, -10), 1.0f);
    EXPECT_EQ(FadeRatio(0, 1), 1.0f); // a lifetime of 0 fades nothing
    EXPECT_EQ(FadeRatio(-1, 0), 1.0f);
    EXPECT_EQ(ClampUnit(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

} // namespace
