#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "particles/effects.h"
#include "tests/particles/particle_fixtures.h"
#include "tests/support/draw_capture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class EffectsTest : public ::testing::Test {
protected:
    void SetUp() override { SetRandomState(kInitialRandomState); }
    ImageSet images;
};

ParticleParams Block(float x, float y, float vx, float vy) {
    ParticleParams p;
    ResetParticleParams(&p);
    p.x = x;
    p.y = y;
    p.vx = vx;
    p.vy = vy;
    return p;
}

// ---- fading classes ------------------------------------------------------

TEST_F(EffectsTest, DustLivesThreeFramesAndFadesByItsRemainingLife) {
    DrawCapture log;
    Image* frame = images.Make(4, 4);
    CDust dust;
    EXPECT_EQ(dust.lifetime, 3);
    dust.SetFrames(&frame, 1);
    ParticleParams p = Block(0, 0, 0, 0);
    p.alpha = 0.2f; // not used by the fading draw
    dust.SetParams(&p);
    dust.Draw();
    EXPECT_EQ(dust.Update(), 1);
    dust.Draw();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].transform.alpha, 1.0f);
    EXPECT_EQ(log[1].transform.alpha, 2.0f / 3.0f);
}

TEST_F(EffectsTest, FadingDrawNeverGoesNegativeOrDividesByZero) {
    DrawCapture log;
    Image* frame = images.Make(4, 4);
    CStars stars;
    stars.SetFrames(&frame, 1);
    stars.SetLife(0, 2);
    stars.AddChild(new CParticle()); // keeps it alive past its lifetime
    for (int i = 0; i < 4; ++i)
        stars.Update();
    EXPECT_EQ(stars.age, 3);
    stars.Draw();
    stars.SetLife(5, 0);
    stars.Draw();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].transform.alpha, 0.0f);
    EXPECT_EQ(log[1].transform.alpha, 1.0f);
}

TEST_F(EffectsTest, Saturn2AlphaFollowsNineTenthsOfItsRemainingLife) {
    CSaturn2 ring;
    ring.SetLife(0, 10);
    ring.Update();
    EXPECT_FLOAT_EQ(ring.params.alpha, 0.9f);
    ring.Update();
    EXPECT_EQ(ring.params.alpha, static_cast<float>(9.0 * 0.9 / 10.0));
    CSaturn2 endless;
    endless.SetLife(0, 0);
    endless.Update();
    EXPECT_FLOAT_EQ(endless.params.alpha, 0.9f);
    CSaturn2 late;
    late.SetLife(12, 10);
    late.Update();
    EXPECT_EQ(late.params.alpha, 0.0f);
}

// ---- CDeathStars ---------------------------------------------------------

class DeathStarsTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        for (int i = 0; i < 8; ++i)
            stars[i] = images.Make(6, 6);
        own = images.Make(8, 8);
    }
    Image* stars[8];
    Image* own;
};

TEST_F(DeathStarsTest, GenerationOneBurstsOnceJustBeforeItsEnd) {
    CDeathStars root(1);
    root.SetFrames(&own, 1);
    root.AllocPoints(stars, 8);
    ParticleParams p = Block(100, 50, 1.5f, -0.5f);
    root.SetParams(&p);
    root.SetLife(0, 30);
    for (int i = 1; i < 29; ++i) {
        EXPECT_EQ(root.Update(), 1);
        EXPECT_EQ(root.GetChildCount(), 0);
    }
    uint32_t before = GetRandomState();
    EXPECT_EQ(root.Update(), 1 + 8);
    // The root's step, one phase draw, then one step of each new star.
    EXPECT_EQ(DrawsBetween(before, GetRandomState()), 12 + 1 + 8 * 12);
    EXPECT_EQ(root.GetFrameCount(), 0);
    ASSERT_EQ(root.GetChildCount(), 8);

    std::vector<double> angles;
    for (int i = 0; i < 8; ++i) {
        auto* star = dynamic_cast<CDeathStars*>(root.GetChild(i));
        ASSERT_NE(star, nullptr);
        EXPECT_EQ(star->generation, 0);
        ASSERT_EQ(star->GetFrameCount(), 1);
        EXPECT_EQ(star->frames[0], stars[i]);
        EXPECT_EQ(star->lifetime, 10);
        EXPECT_EQ(star->age, 1);
        EXPECT_EQ(star->params.dScaleX, 0.4f);
        EXPECT_EQ(star->params.dScaleY, 0.4f);
        double dx = star->params.vx - root.params.vx;
        double dy = star->params.vy - root.params.vy;
        EXPECT_NEAR(std::hypot(dx, dy), 2.0, 1e-5);
        // Started at the root and moved one step.
        EXPECT_NEAR(star->params.x, root.params.x + star->params.vx, 1e-4);
        angles.push_back(std::atan2(dy, dx));
    }
    double phase = angles[0] < 0 ? angles[0] + 2 * kPi : angles[0];
    EXPECT_GE(phase, 0.0);
    EXPECT_LE(phase, kPi + 1e-5);
    for (int i = 1; i < 8; ++i) {
        double step = std::remainder(angles[i] - angles[i - 1], 2 * kPi);
        EXPECT_NEAR(step, 2 * kPi / 8, 1e-5);
    }

    // It lives on only as long as its stars, and never bursts again.
    int32_t updates = 29;
    int32_t result = 0;
    do {
        result = root.Update();
        ++updates;
        if (updates == 30) {
            EXPECT_EQ(result, 8);
        }
    } while (result != 0 && updates < 100);
    EXPECT_EQ(updates, 38);
}

TEST_F(DeathStarsTest, OnlyGenerationOneWithALongEnoughLifeBursts) {
    struct Case {
        int32_t generation;
        int32_t lifetime;
    };
    for (Case c :
         {Case{1, 1}, Case{0, 30}, Case{2, 30}, Case{1, 0}, Case{1, -1}, Case{1, INT32_MIN}}) {
        CDeathStars root(c.generation);
        root.AllocPoints(stars, 8);
        root.SetLife(0, c.lifetime);
        for (int i = 0; i < 40; ++i)
            root.Update();
        EXPECT_EQ(root.GetChildCount(), 0) << c.generation << " " << c.lifetime;
    }
}

TEST_F(DeathStarsTest, DrawsAtAThirdOfItsScaleAndFadesOnlyAsAStar) {
    DrawCapture log;
    CDeathStars emitter(1), star(0);
    ParticleParams p = Block(0, 0, 0, 0);
    p.scaleX = 3.0f;
    p.scaleY = 1.5f;
    p.alpha = 0.5f;
    for (CDeathStars* s : {&emitter, &star}) {
        s->SetFrames(&own, 1);
        s->SetParams(&p);
        s->SetLife(4, 10);
        s->Draw();
    }
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].transform.scaleX, 1.0f);
    EXPECT_EQ(log[0].transform.scaleY, 0.5f);
    EXPECT_EQ(log[0].transform.alpha, 0.5f);
    EXPECT_EQ(log[1].transform.alpha, 0.6f);
}

// ---- CWaterdrop ----------------------------------------------------------

TEST_F(EffectsTest, DropTurnsAlongItsMotion) {
    CWaterdrop drop;
    ParticleParams p = Block(0, 0, 1.0f, 1.0f);
    drop.SetParams(&p);
    drop.StepInBox(100, 200, 50); // outside the box
    EXPECT_EQ(drop.params.angle, static_cast<float>(kPi / 2 - std::atan2(1.0, 1.0)));
    EXPECT_EQ(drop.bounced, 0);
}

TEST_F(EffectsTest, DropAtTheBoxCentreGetsTheLargestPushToTheRight) {
    CWaterdrop drop;
    ParticleParams p = Block(50, 60, 0, 4.0f);
    drop.SetParams(&p);
    uint32_t start = GetRandomState();
    float r = Random(0.0f, 1.0f);
    SetRandomState(start);
    EXPECT_EQ(drop.StepInBox(0, 100, 50), 1);
    EXPECT_EQ(DrawsBetween(start, GetRandomState()), 1 + 12);
    EXPECT_EQ(drop.bounced, 1);
    EXPECT_EQ(drop.params.vx, r * 4.0f);
    EXPECT_EQ(drop.params.ay, 4.0f / 3.0f);
    // vy = 4 * -0.125, then one step of the new acceleration.
    EXPECT_EQ(drop.params.vy, -0.5f + 4.0f / 3.0f);
}

TEST_F(EffectsTest, DropLeftOfCentreIsPushedLeftLessStrongly) {
    CWaterdrop drop;
    ParticleParams p = Block(25, 60, 0, 4.0f);
    drop.SetParams(&p);
    uint32_t start = GetRandomState();
    float r = Random(0.0f, 1.0f);
    SetRandomState(start);
    drop.StepInBox(0, 100, 50);
    EXPECT_EQ(drop.params.vx, r * (-0.5f * 4.0f));
}

TEST_F(EffectsTest, DropBouncesOnlyStrictlyInsideOnceAndWithoutChildren) {
    struct Case {
        float x, y;
        bool withChild;
    };
    for (Case c :
         {Case{0, 60, false}, Case{100, 60, false}, Case{50, 50, false}, Case{50, 60, true}}) {
        CWaterdrop drop;
        ParticleParams p = Block(c.x, c.y, 0, 4.0f);
        drop.SetParams(&p);
        if (c.withChild)
            drop.AddChild(new CWaterdrop());
        drop.StepInBox(0, 100, 50);
        EXPECT_EQ(drop.bounced, 0) << c.x << " " << c.y;
        EXPECT_EQ(drop.params.vy, 4.0f);
    }
    CWaterdrop once;
    ParticleParams p = Block(50, 60, 0, 4.0f);
    once.SetParams(&p);
    once.StepInBox(0, 100, 50);
    float vy = once.params.vy;
    once.StepInBox(0, 100, 50);
    EXPECT_EQ(once.params.vy, vy + once.params.ay);
}

TEST_F(EffectsTest, DropsStepTheirChildrenInTheBoxAndCountThem) {
    CWaterdrop root;
    root.SetLife(0, 2);
    auto* child = new CWaterdrop();
    ParticleParams p = Block(50, 60, 0, 4.0f);
    child->SetParams(&p);
    child->SetLife(0, 3);
    int32_t deaths = 0;
    root.AddChild(child);
    root.AddChild(new CountedParticle(&deaths, 0)); // another class: plain update
    EXPECT_EQ(root.StepInBox(0, 100, 50), 1 + 1);
    EXPECT_EQ(child->bounced, 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(root.StepInBox(0, 100, 50), 0 + 1);
    EXPECT_EQ(root.StepInBox(0, 100, 50), 1 + 0);
}

// ---- splashes and bricks -------------------------------------------------

template <typename Splash> void ExpectSplashEndsBelow(float drop) {
    Splash splash;
    ParticleParams p = Block(10, 200, 0, -6.0f);
    p.ay = 1.0f;
    splash.SetParams(&p);
    splash.AddChild(new CParticle());
    int32_t updates = 0;
    for (;;) {
        float y = splash.params.y, vy = splash.params.vy;
        int32_t result = splash.Update();
        ++updates;
        ASSERT_LT(updates, 100);
        if (result == 0) {
            EXPECT_GT(y, 200 + drop);
            EXPECT_GT(vy, 0.0f);
            EXPECT_EQ(splash.params.y, y); // no step on the final update
            EXPECT_EQ(splash.GetChildCount(), 0);
            break;
        }
        EXPECT_TRUE(y <= 200 + drop || vy <= 0.0f);
    }
    EXPECT_EQ(splash.startY, 200.0f);
}

TEST_F(EffectsTest, SplashesEndOnceTheyFallBelowTheirStart) {
    ExpectSplashEndsBelow<CSplinkerWater>(16.0f);
    ExpectSplashEndsBelow<CSplinkerPaint>(110.0f);
}

TEST_F(EffectsTest, WallBrickLandsAndFreezesOnItsFrame) {
    DrawCapture log;
    Image* table[3] = {images.Make(4, 4), images.Make(5, 5), images.Make(6, 6)};
    CWallBrick brick;
    brick.SetFrames(table, 3);
    ParticleParams p = Block(30, 0, 2.0f, 20.0f);
    p.ax = 0.5f;
    p.dScaleX = 0.25f;
    p.posJitterMax = {0.0f, 0.0f};
    p.velJitterMin = {-0.5f, -0.5f};
    p.dAngle = 0.1f;
    p.dAngleJitterMax = 0.2f;
    p.alpha = 1.0f;
    p.dAlpha = -0.125f;
    brick.SetParams(&p);
    while (brick.state != -1) {
        brick.Update();
        brick.Draw();
        ASSERT_LT(brick.params.y, 1000.0f);
    }
    EXPECT_GT(brick.params.y, 110.0f);
    EXPECT_EQ(brick.params.vx, 0.0f);
    EXPECT_EQ(brick.params.vy, 0.0f);
    EXPECT_EQ(brick.params.ax, 0.0f);
    EXPECT_EQ(brick.params.dScaleX, 0.0f);
    EXPECT_EQ(brick.params.velJitterMin.x, 0.0f);
    EXPECT_EQ(brick.params.dAngle, 0.0f);
    EXPECT_EQ(brick.params.dAngleJitterMax, 0.0f);
    EXPECT_EQ(brick.params.dAlpha, -0.125f);
    float x = brick.params.x, y = brick.params.y, angle = brick.params.angle;
    float scale = brick.params.scaleX, alpha = brick.params.alpha;
    log.Clear();
    for (int i = 0; i < 5; ++i) {
        brick.Update();
        brick.Draw();
    }
    ASSERT_EQ(log.size(), 5u);
    for (const CapturedDraw& s : log.draws())
        EXPECT_EQ(s.record.source, log[0].record.source);
    EXPECT_EQ(brick.params.x, x);
    EXPECT_EQ(brick.params.y, y);
    EXPECT_EQ(brick.params.angle, angle);
    EXPECT_EQ(brick.params.scaleX, scale);
    EXPECT_LT(brick.params.alpha, alpha);
}

TEST_F(EffectsTest, WallBrickWithoutFramesLandsSafely) {
    CWallBrick brick;
    ParticleParams p = Block(0, 0, 0, 200.0f);
    brick.SetParams(&p);
    brick.Update();
    brick.Update();
    EXPECT_EQ(brick.state, -1);
    EXPECT_EQ(brick.frameIndex, 0);
    brick.Draw();
}

// ---- CCannonBallSpark ----------------------------------------------------

TEST_F(EffectsTest, CannonEmitsOnlyInTheFirstHalfOfEachTurn) {
    Image* frame = images.Make(3, 3);
    for (float start : {0.0f, 1.0f, 2.9f, 3.0f, 3.2f, 5.0f, 6.2f, 6.27f}) {
        CCannonBallSpark ball;
        ball.SetFrames(&frame, 1);
        ball.phase = start;
        int32_t left = ball.Update();
        bool firstHalf = ball.phase < static_cast<float>(kPi);
        EXPECT_GE(ball.phase, 0.0f);
        EXPECT_LE(ball.phase, static_cast<float>(2 * kPi));
        EXPECT_EQ(left, ball.GetChildCount());
        if (firstHalf) {
            EXPECT_GE(left, 5) << start;
            EXPECT_LE(left, 10) << start;
        } else {
            EXPECT_EQ(left, 0) << start;
        }
    }
}

TEST_F(EffectsTest, CannonSparksStartOnTheRimWithTheirDrawsInOrder) {
    Image* table[2] = {images.Make(3, 3), images.Make(4, 4)};
    CCannonBallSpark ball;
    ball.SetFrames(table, 2);
    ParticleParams p = Block(200, 100, 0, 0);
    ball.SetParams(&p);
    ball.phase = 0.5f;
    uint32_t start = GetRandomState();
    ball.Update();
    float phase = ball.phase;

    SetRandomState(start);
    int32_t count = RandomInt(5, 10);
    int32_t frame = RandomInt(0, 1);
    float speedX = Random(1.0f, 2.0f);
    float speedY = Random(0.5f, 1.0f);
    int32_t life = RandomInt(10, 20);
    for (int32_t i = 1; i < count; ++i) {
        for (int k = 0; k < 4; ++k)
            NextRandom();
    }
    float jitterX = Random(-1.0f, 1.0f);
    float jitterY = Random(-1.0f, 1.0f);

    ASSERT_EQ(ball.GetChildCount(), count);
    CParticle* spark = ball.GetChild(0);
    EXPECT_EQ(spark->frames[0], table[frame]);
    EXPECT_EQ(spark->lifetime, life);
    double rim = kPi + phase;
    float vx = static_cast<float>(std::cos(rim) * speedX);
    float vy = static_cast<float>(std::sin(static_cast<double>(phase)) * speedY);
    float x0 = static_cast<float>(200.0 + 28.0 * std::cos(rim));
    float y0 = static_cast<float>(100.0 + 14.0 * std::sin(static_cast<double>(phase)));
    EXPECT_EQ(spark->params.vx, vx);
    EXPECT_EQ(spark->params.x, x0 + (vx + jitterX));
    EXPECT_EQ(spark->params.y, y0 + (vy + jitterY));
    EXPECT_EQ(spark->params.posJitterMin.x, -1.0f);
    EXPECT_EQ(spark->params.posJitterMax.y, 1.0f);
}

TEST_F(EffectsTest, CannonDrawsOnlyItsSparksAndReturnsTheLiveCount) {
    DrawCapture log;
    Image* frame = images.Make(3, 3);
    CCannonBallSpark ball;
    ball.SetFrames(&frame, 1);
    int32_t left = 0;
    for (int i = 0; i < 60; ++i)
        left = ball.Update();
    EXPECT_EQ(left, ball.GetChildCount());
    ball.Draw();
    EXPECT_EQ(static_cast<int32_t>(log.size()), ball.GetChildCount());
}

TEST_F(EffectsTest, CannonWithoutFramesMakesNoSparks) {
    CCannonBallSpark ball;
    uint32_t start = GetRandomState();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ball.Update(), 0);
    EXPECT_EQ(GetRandomState(), start);
}

} // namespace
