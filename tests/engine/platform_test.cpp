#include <gtest/gtest.h>

#include "engine/helpers.h"
#include "tests/support/scripted_platform.h"

namespace {

TEST(ScriptedPlatform, ClockMovesOnlyBySleepsAndEventsArriveOnTime) {
    ScriptedPlatform platform;
    ScopedPlatform scope(&platform);
    platform.PushKeyDown(' ', 30);
    platform.PushQuit(10);
    EXPECT_EQ(GetTicks(), 0u);
    SDL_Event e;
    EXPECT_EQ(PlatformPollEvent(&e), 0);
    PlatformDelay(15);
    EXPECT_EQ(GetTicks(), 15u);
    ASSERT_EQ(PlatformPollEvent(&e), 1);
    EXPECT_EQ(e.type, SDL_QUIT);
    EXPECT_EQ(PlatformPollEvent(&e), 0);
    PlatformDelay(20);
    PlatformPumpEvents();
    int n = 0;
    EXPECT_EQ(PlatformGetKeyState(&n)[' '], 1);
    ASSERT_EQ(PlatformPollEvent(&e), 1);
    EXPECT_EQ(e.type, SDL_KEYDOWN);
    EXPECT_EQ(platform.delays(), (std::vector<uint32_t>{15, 20}));
}

TEST(ScriptedPlatform, RelativeMouseMotionIsTheChangeSinceTheLastRead) {
    ScriptedPlatform platform;
    ScopedPlatform scope(&platform);
    platform.SetMouse(10, 20, 1);
    int dx, dy;
    EXPECT_EQ(PlatformGetRelativeMouseState(&dx, &dy), 1);
    EXPECT_EQ(dx, 10);
    platform.SetMouse(13, 18, 0);
    PlatformGetRelativeMouseState(&dx, &dy);
    EXPECT_EQ(dx, 3);
    EXPECT_EQ(dy, -2);
}

} // namespace
