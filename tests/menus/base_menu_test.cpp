#include <gtest/gtest.h>

#include "menus/base_menu.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/scripted_platform.h"

namespace {

TEST(BaseMenu, MouseStaysOnTheDialogAndOnlyAPressEdgeCloses) {
    MenuArchive archive;
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    CBaseMenu menu;
    EXPECT_EQ(menu.width, static_cast<int32_t>(kMenuFrameWidth));
    EXPECT_EQ(menu.height, MENU_START_HEIGHT);
    EXPECT_EQ(menu.GetScrollPosition(), 0.0f);

    // A key held when the dialog opens is not a press for it.
    platform.SetKey(KEY_RETURN, true);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    platform.SetKey(KEY_RETURN, false);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);

    platform.SetMouse(5000, 7000, 0);
    menu.Update();
    EXPECT_EQ(menu.mouseX, menu.x + menu.width);
    EXPECT_EQ(menu.mouseY, menu.y + menu.height);
    platform.SetMouse(-9000, -9000, 0);
    menu.Update();
    EXPECT_EQ(menu.mouseX, menu.x);
    EXPECT_EQ(menu.mouseY, menu.y);

    platform.SetKey(KEY_SPACE, true);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP); // held: no repeat
    platform.SetKey(KEY_SPACE, false);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    platform.SetKey(KEY_RETURN, true);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_CLOSE);
}

} // namespace
