#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "engine/config.h"
#include "engine/task_stack.h"
#include "menus/help_page.h"
#include "menus/pause_menu.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/scripted_platform.h"
#include "ui/button.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

// The configured screen as the game starts with it.
struct DefaultScreen {
    GameConfig saved = gConfig;
    DefaultScreen() { SetDefaultConfig(&gConfig); }
    ~DefaultScreen() { gConfig = saved; }
};

// The sound's first request only loads it: make it before counting clicks.
void LoadClickSound() {
    GetResource(&gResourceCatalogue, 48, 0);
}

// Presses `keys` for one update after an idle one (a new dialog ignores
// input until a quiet frame).
int32_t PressAfterIdle(CControl* menu, ScriptedPlatform* platform, const std::vector<int>& keys) {
    menu->Update();
    for (int key : keys)
        platform->SetKey(key, true);
    int32_t result = menu->Update();
    for (int key : keys)
        platform->SetKey(key, false);
    return result;
}

// A left click released on `target`'s centre.
int32_t ClickOn(CControl* menu, const CControl* target, ScriptedPlatform* platform) {
    menu->SetCursor(target->x + target->width / 2, target->y + target->height / 2);
    menu->Update();
    platform->SetMouse(0, 0, 1);
    menu->Update();
    platform->SetMouse(0, 0, 0);
    return menu->Update();
}

TEST(PauseMenu, EscapeLeavesAnyOtherKeyResumesAndOnlyDecisionsClick) {
    CatalogueBuilder catalogue = MakeMenuCatalogue();
    SetTextItems(&catalogue, PAUSE_TEXT_GROUP, {u"Paused", u"Body", u"Resume", u"Menu"});
    DefaultScreen screen;
    MenuArchive archive(catalogue);
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    LoadClickSound();
    const struct {
        std::vector<int> keys;
        int32_t result;
    } rows[] = {
        {{KEY_ESCAPE, 'a'}, PAUSE_RESULT_MAIN_MENU},
        {{KEY_RETURN}, CONTROL_RESULT_CLOSE},
        {{KEY_SPACE}, CONTROL_RESULT_CLOSE},
        {{'z'}, CONTROL_RESULT_CLOSE},
        {{}, CONTROL_RESULT_KEEP},
    };
    for (const auto& row : rows) {
        SoundRecorder sounds;
        CGamePauseMenu menu;
        EXPECT_EQ(PressAfterIdle(&menu, &platform, row.keys), row.result);
        EXPECT_EQ(sounds.CountOf(48), row.result == CONTROL_RESULT_KEEP ? 0 : 1);
    }

    SoundRecorder sounds;
    CGamePauseMenu menu;
    EXPECT_EQ(std::u16string(menu.menuButton->GetLabelText()), u"Menu");
    EXPECT_GT(menu.resumeButton->x, menu.menuButton->x);
    EXPECT_EQ(ClickOn(&menu, menu.title, &platform), CONTROL_RESULT_KEEP);
    EXPECT_EQ(sounds.CountOf(48), 0);
    EXPECT_EQ(ClickOn(&menu, menu.menuButton, &platform), PAUSE_RESULT_MAIN_MENU);
    EXPECT_EQ(ClickOn(&menu, menu.resumeButton, &platform), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(sounds.CountOf(48), 2);
}

// ---- help pages --------------------------------------------------------

GameWorld* gHelpWorld = nullptr;

void HelpPlayTask(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER)
        SetTaskTag(TASK_TAG_PLAY);
    else if (message == (PLAY_MSG_GET_WORLD ^ TASK_MSG_USER))
        *task->MessageArgAs<GameWorld**>() = gHelpWorld;
}

using HelpPages = std::vector<std::vector<std::u16string>>;

// The help catalogue built from `pages` (group g holds the pages of level
// g + 2); groups `emptyA` and `emptyB` share their first entry, which
// leaves both empty. A play task answers with a world of its own.
class HelpArchive {
public:
    HelpArchive(uint32_t emptyA, uint32_t emptyB,
                const HelpPages& pages = {
                    {u"p00", u"p01"}, {u"p10", u"p11", u"p12"}, {u"x"}, {u"y"}}) {
        CatalogueBuilder help;
        for (const auto& group : pages) {
            uint32_t g = help.AddGroup();
            for (const auto& page : group)
                help.AddItem(g, PlainEntry(0, Utf16BytesOf(page)));
        }
        CatalogueBuilder outer = MakeMenuCatalogue();
        SetTextItems(&outer, HELP_TEXT_GROUP, {u"Help", u"OK"});
        outer.SetGroupBase(64);
        outer.SetNestedCatalogue(HELP_CATALOGUE_ROOT_ENTRY, help);
        ArchiveBuilder flat = outer.ToArchive();
        uint32_t links = flat.Entry(HELP_CATALOGUE_ROOT_ENTRY).linkTarget + 2;
        flat.Set(links + emptyB, flat.Entry(links + emptyA));
        ok_ = flat.WriteToFile(path_) && OpenArchive(&gResourceArchive, path_.c_str()) == 1;
        if (!ok_)
            return;
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        for (int32_t slot = 0; slot < 8; ++slot)
            gUI.LoadFont(58 + slot, slot);
        gHelpWorld = NewGameWorld();
        CreateTaskStack();
        PushTask(&HelpPlayTask, 0, 0);
    }
    ~HelpArchive() {
        if (ok_) {
            DestroyTaskStack();
            DeleteGameWorld(gHelpWorld);
            gHelpWorld = nullptr;
            gUI.UnloadFonts();
            UnloadCatalogue(&gResourceCatalogue);
            CacheTableFree(&gResourceCache);
            CloseArchive(&gResourceArchive);
        }
        std::remove(path_.c_str());
    }
    bool ok() const { return ok_; }

private:
    ScopedTempDir folder_;
    DefaultScreen screen_;
    std::string path_ = "help_test.res";
    bool ok_ = false;
};

std::u16string BodyOf(const CGameStaticHelp& help) {
    const char16_t* text = help.body->GetText();
    return text != nullptr ? text : u"";
}

TEST(HelpPage, ThePageFollowsTheLevelAndAnEmptyGroupFallsBackToGroupZero) {
    HelpArchive archive(2, 3);
    ASSERT_TRUE(archive.ok());
    const struct {
        int16_t level;
        int32_t page;
        const char16_t* body;
    } rows[] = {
        {3, 2, u"p12"},  {3, 3, u"p10"},  {3, -1, u"p10"},
        {2, 1, u"p01"},  {4, 0, u"p00"}, // its group is empty
        {1, 0, u"p00"},                  // the front end has no group
        {-1, 0, u"p00"}, {40, 1, u"p00"},
    };
    for (const auto& row : rows) {
        gHelpWorld->currentLevel = row.level;
        CGameStaticHelp help(row.page);
        EXPECT_EQ(BodyOf(help), row.body) << "level " << row.level << " page " << row.page;
    }
}

TEST(HelpPage, AnEmptyGroupZeroShowsAnEmptyBody) {
    HelpArchive archive(0, 1);
    ASSERT_TRUE(archive.ok());
    gHelpWorld->currentLevel = 3;
    CGameStaticHelp help(0);
    EXPECT_EQ(BodyOf(help), u"");
}

TEST(HelpPage, DuringTheDelayOnlyEscapeReturnOrTheButtonClose) {
    HelpArchive archive(2, 3);
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    // A plain key closes from the 40th update on; Space likewise.
    for (int key : {int{'a'}, KEY_SPACE}) {
        for (int32_t pressAt : {HELP_INPUT_DELAY - 1, HELP_INPUT_DELAY}) {
            CGameStaticHelp help(0);
            for (int32_t i = 1; i < pressAt - 1; ++i)
                help.Update();
            EXPECT_EQ(PressAfterIdle(&help, &platform, {key}),
                      pressAt == HELP_INPUT_DELAY ? CONTROL_RESULT_CLOSE : CONTROL_RESULT_KEEP);
        }
    }
    CGameStaticHelp byEscape(0);
    EXPECT_EQ(PressAfterIdle(&byEscape, &platform, {KEY_ESCAPE}), CONTROL_RESULT_CLOSE);
    CGameStaticHelp byButton(0);
    EXPECT_EQ(ClickOn(&byButton, byButton.okButton, &platform), CONTROL_RESULT_CLOSE);
    // Return held from play: its release closes the page.
    platform.SetKey(KEY_RETURN, true);
    CGameStaticHelp byRelease(0);
    EXPECT_EQ(byRelease.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(byRelease.Update(), CONTROL_RESULT_KEEP);
    platform.SetKey(KEY_RETURN, false);
    EXPECT_EQ(byRelease.Update(), CONTROL_RESULT_CLOSE);
}

TEST(HelpPage, SpaceScrollsALongPageAndClosesOnlyAtItsEnd) {
    std::u16string longPage;
    for (int line = 0; line < 80; ++line)
        longPage += u"line\r";
    HelpArchive archive(2, 3, {{longPage}, {u"a"}, {u"b"}, {u"c"}});
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    gHelpWorld->currentLevel = 2;
    CGameStaticHelp help(0);
    ASSERT_NE(help.scrollbar, nullptr);
    for (int32_t i = 0; i < HELP_INPUT_DELAY; ++i)
        help.Update();
    int32_t taps = 0;
    int32_t result = CONTROL_RESULT_KEEP;
    while (result != CONTROL_RESULT_CLOSE && taps < 100) {
        platform.SetKey(KEY_SPACE, true);
        EXPECT_EQ(help.Update(), CONTROL_RESULT_CURSOR_MOVED); // held: scrolling
        float position = help.scrollbar->GetPosition();
        platform.SetKey(KEY_SPACE, false);
        result = help.Update();
        EXPECT_EQ(result == CONTROL_RESULT_CLOSE, position == 1.0f) << "tap " << taps;
        ++taps;
    }
    EXPECT_EQ(result, CONTROL_RESULT_CLOSE);
    EXPECT_GT(taps, 2);
    EXPECT_LT(help.body->scrollY, help.y + 128);
}

} // namespace
