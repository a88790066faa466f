#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "menus/dialog_parts.h"
#include "menus/main_menu.h"
#include "menus/options_menu.h"
#include "menus/text_pages.h"
#include "tests/menus/menu_screens_archive.h"
#include "tests/support/draw_capture.h"
#include "tests/support/scripted_platform.h"
#include "ui/button.h"
#include "ui/picture.h"
#include "ui/scrollbar.h"
#include "ui/text.h"

namespace {

const KeyArray kNoKeys;

int32_t Feed(CControl& control, int32_t mx, int32_t my, int32_t buttons, const KeyArray& keys) {
    return control.HandleInput(mx, my, buttons, keys.keys, kSdlKeyCount);
}

int32_t SelectedIndex(const CMmenu& menu) {
    int32_t found = -1;
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i) {
        if (menu.Button(i)->IsSelected() != 0) {
            EXPECT_EQ(found, -1) << "two buttons selected";
            found = i;
        }
    }
    return found;
}

void SelectOnly(CMmenu& menu, int32_t index) {
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i)
        menu.Button(i)->selected = i == index ? 1 : 0;
}

// ---- main menu -------------------------------------------------------------

struct NavigationRow {
    int32_t variant;
    int32_t start; // -1: nothing selected
    int32_t key;
    int32_t expected;
};

TEST(MainMenu, ArrowNavigationPerVariant) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    const NavigationRow rows[] = {
        {MENU_VARIANT_NO_PROGRESS, 2, KEY_UP, 0},    {MENU_VARIANT_NO_PROGRESS, 0, KEY_DOWN, 2},
        {MENU_VARIANT_NO_PROGRESS, 0, KEY_UP, 5},    {MENU_VARIANT_NO_PROGRESS, 5, KEY_DOWN, 0},
        {MENU_VARIANT_NO_PROGRESS, -1, KEY_DOWN, 0}, {MENU_VARIANT_NO_PROGRESS, -1, KEY_UP, 5},
        {MENU_VARIANT_NO_PROGRESS, 3, KEY_UP, 2},    {MENU_VARIANT_TITLE, 2, KEY_UP, 1},
        {MENU_VARIANT_TITLE, 0, KEY_DOWN, 1},        {MENU_VARIANT_TITLE, 0, KEY_UP, 5},
        {MENU_VARIANT_TITLE, 5, KEY_DOWN, 0},        {MENU_VARIANT_TITLE, -1, KEY_DOWN, 0},
        {MENU_VARIANT_TITLE, -1, KEY_UP, 5},         {MENU_VARIANT_PAUSED, 1, KEY_DOWN, 2},
        {MENU_VARIANT_RESTARTED, 2, KEY_UP, 1},
    };
    for (const NavigationRow& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "variant " << row.variant << " from " << row.start << " key " << row.key);
        CMmenu menu(row.variant);
        Feed(menu, 0, 0, 0, kNoKeys); // a quiet frame away from the buttons
        SelectOnly(menu, row.start);
        KeyArray keys;
        EXPECT_EQ(Feed(menu, 0, 0, 0, keys.Down(row.key)), CONTROL_RESULT_KEEP);
        EXPECT_EQ(SelectedIndex(menu), row.expected);
        const CButton* chosen = menu.Button(row.expected);
        EXPECT_EQ(menu.mouseX, chosen->x + chosen->width - 5);
        EXPECT_EQ(menu.mouseY, chosen->y + chosen->height - 5);
    }
}

// A click counts on the release over a button; the continue item of a
// profile without progress cannot be clicked.
TEST(MainMenu, ClicksChooseOnlyEnabledButtons) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    CMmenu menu(MENU_VARIANT_NO_PROGRESS);
    for (int32_t item : {MAIN_MENU_CONTINUE, MAIN_MENU_TEXT_PAGE}) {
        const CButton* button = menu.Button(item);
        int32_t cx = button->x + 50, cy = button->y + 20;
        Feed(menu, cx, cy, 0, kNoKeys);
        EXPECT_EQ(Feed(menu, cx, cy, 1, kNoKeys), CONTROL_RESULT_KEEP);
        int32_t expected = item == MAIN_MENU_CONTINUE ? CONTROL_RESULT_KEEP : item;
        EXPECT_EQ(Feed(menu, cx, cy, 0, kNoKeys), expected);
        EXPECT_EQ(button->IsSelected(), item == MAIN_MENU_CONTINUE ? 0 : 1);
    }
}

struct ChoiceRow {
    int32_t selected;
    int32_t key;
    int32_t result;
    int32_t clicks;
};

TEST(MainMenu, ResultsAndTheirClick) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    const ChoiceRow rows[] = {
        {0, KEY_RETURN, 0, 1}, {1, KEY_SPACE, 1, 1},    {2, KEY_RETURN, 2, 1},
        {3, KEY_RETURN, 3, 1}, {4, KEY_SPACE, 4, 1},    {5, KEY_RETURN, 5, 0},
        {0, KEY_ESCAPE, 5, 0}, {-1, KEY_RETURN, -1, 0},
    };
    for (const ChoiceRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "selected " << row.selected << " key " << row.key);
        ScriptedPlatform platform;
        ScopedPlatform scoped(&platform);
        CMmenu menu(MENU_VARIANT_TITLE);
        platform.SetMouse(-5000, -5000, 0); // off every button
        EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
        SelectOnly(menu, row.selected);
        SoundRecorder sounds;
        platform.SetKey(row.key, true);
        EXPECT_EQ(menu.Update(), row.result);
        EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), row.clicks);
        bool opensDialog = row.result >= 2 && row.result <= 4;
        EXPECT_EQ(menu.SubMenus()->GetChildCount(), opensDialog ? 1 : 0);
    }
}

TEST(MainMenu, NewProfileOpensOptionsOnce) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    gSaveBlock.newProfile = 1;
    CMmenu menu(MENU_VARIANT_NO_PROGRESS);
    SoundRecorder sounds;
    EXPECT_EQ(menu.Update(), MAIN_MENU_OPTIONS);
    EXPECT_EQ(gSaveBlock.newProfile, 0);
    ASSERT_EQ(menu.SubMenus()->GetChildCount(), 1);
    EXPECT_NE(dynamic_cast<COptionsMenu*>(menu.SubMenus()->GetChild(0)), nullptr);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(menu.SubMenus()->GetChildCount(), 1);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

TEST(MainMenu, KeyThatClosesASubMenuIsNotSeenByTheMenu) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    gSaveBlock.newProfile = 1;
    CMmenu menu(MENU_VARIANT_TITLE);
    EXPECT_EQ(menu.Update(), MAIN_MENU_OPTIONS);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP); // the options unblock
    platform.SetKey(KEY_ESCAPE, true);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP); // the options close
    EXPECT_EQ(menu.SubMenus()->GetChildCount(), 0);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP); // Escape still held
    platform.SetKey(KEY_ESCAPE, false);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    platform.SetKey(KEY_ESCAPE, true);
    EXPECT_EQ(menu.Update(), MAIN_MENU_CHANGE_USER);
}

TEST(MainMenu, DrawsBackgroundAndButtonPicturesByState) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    CMmenu menu(MENU_VARIANT_PAUSED);
    DrawCapture capture;
    menu.Draw();
    auto at = [&](int32_t item) -> const CapturedDraw* {
        return capture.FirstSpriteOf(GetPictureItem(MAIN_MENU_PICTURE_GROUP, item));
    };
    ASSERT_NE(at(0), nullptr);
    EXPECT_EQ(at(0)->record.x, 0);
    EXPECT_EQ(at(0)->record.y, 0);
    ASSERT_NE(at(1), nullptr); // button 0 selected
    EXPECT_EQ(at(1)->record.x, MAIN_MENU_BUTTON_X);
    EXPECT_EQ(at(1)->record.y, MAIN_MENU_BUTTON_Y);
    ASSERT_NE(at(14), nullptr); // a paused game's continue button
    EXPECT_EQ(at(14)->record.y, MAIN_MENU_BUTTON_Y + MAIN_MENU_BUTTON_STEP);
    EXPECT_EQ(at(9), nullptr);
    ASSERT_NE(at(13), nullptr);
    EXPECT_EQ(at(13)->record.y, MAIN_MENU_BUTTON_Y + 5 * MAIN_MENU_BUTTON_STEP);
}

TEST(MainMenu, ShortPictureGroupGivesButtonsWithoutPictures) {
    MenuScreensOptions options;
    options.menuPictures = 3;
    MenuScreensArchive archive(options);
    ASSERT_TRUE(archive.ok());
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    CMmenu menu(MENU_VARIANT_PAUSED);
    EXPECT_EQ(menu.Button(0)->width, 0);
    EXPECT_EQ(menu.Button(5)->height, 0);
    DrawCapture capture;
    menu.Draw();
    platform.SetKey(KEY_RETURN, true);
    menu.Update();
    platform.SetKey(KEY_RETURN, false);
    menu.Update();
    menu.Update(); // a quiet frame ends the block
    platform.SetKey(KEY_RETURN, true);
    EXPECT_EQ(menu.Update(), MAIN_MENU_NEW_GAME);
}

// ---- text page -------------------------------------------------------------

CTextScrollMenu* OpenPage() {
    CTextScrollMenu* page = new CTextScrollMenu();
    Feed(*page, 0, 0, 0, kNoKeys);
    page->ShowScrollbar();
    page->SetFramed();
    page->SetPage(MAIN_MENU_TEXT_PAGE_ID);
    Feed(*page, 0, 0, 0, kNoKeys); // the scrollbar's first, quiet frame
    return page;
}

TEST(TextPage, ShortTextNeverScrolls) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    std::unique_ptr<CTextScrollMenu> page(OpenPage());
    ASSERT_NE(page->scrollbar, nullptr);
    EXPECT_EQ(std::u16string(page->body->GetText()), u"A short page.");
    EXPECT_EQ(page->scrollbar->pressStep, 0.0f);
    EXPECT_EQ(page->scrollbar->heldStep, 0.0f);
    page->scrollbar->SetPosition(1.0f);
    KeyArray keys;
    Feed(*page, 0, 0, 0, keys.Down(KEY_DOWN));
    EXPECT_TRUE(std::isfinite(page->scrollbar->GetPosition()));
    EXPECT_EQ(page->body->scrollY, page->y + 128);
}

TEST(TextPage, HeldScrollKeyKeepsTheMouseOnTheThumb) {
    MenuScreensOptions options;
    options.pageBody = LongPageBody(80);
    MenuScreensArchive archive(options);
    ASSERT_TRUE(archive.ok());
    std::unique_ptr<CTextScrollMenu> page(OpenPage());
    KeyArray keys;
    keys.Down(KEY_DOWN);
    for (int32_t frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(Feed(*page, 0, 0, 0, keys), CONTROL_RESULT_CURSOR_MOVED);
        int32_t tx = 0, ty = 0;
        page->scrollbar->GetThumbCenter(&tx, &ty);
        EXPECT_EQ(page->mouseX, tx);
        EXPECT_EQ(page->mouseY, ty);
    }
    EXPECT_GT(page->scrollbar->GetPosition(), 0.0f);
    EXPECT_LT(page->body->scrollY, page->y + 128); // a long text does scroll
    EXPECT_EQ(Feed(*page, 0, 0, 0, kNoKeys), CONTROL_RESULT_KEEP);
}

TEST(TextPage, SpaceEscapeAndTheButtonClose) {
    MenuScreensOptions options;
    options.pageBody = LongPageBody(80);
    MenuScreensArchive archive(options);
    ASSERT_TRUE(archive.ok());
    for (int32_t key : {KEY_SPACE, KEY_ESCAPE, KEY_RETURN}) {
        std::unique_ptr<CTextScrollMenu> page(OpenPage());
        SoundRecorder sounds;
        KeyArray keys;
        EXPECT_EQ(Feed(*page, 0, 0, 0, keys.Down(key)), CONTROL_RESULT_CLOSE) << key;
        EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
    }
    std::unique_ptr<CTextScrollMenu> page(OpenPage());
    int32_t cx = page->closeButton->x + 150, cy = page->closeButton->y + 10;
    SoundRecorder sounds;
    EXPECT_EQ(Feed(*page, cx, cy, 1, kNoKeys), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Feed(*page, cx, cy, 0, kNoKeys), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

// ---- hiscores --------------------------------------------------------------

void SetHiscores(const std::vector<std::pair<std::u16string, int32_t>>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        HiscoreEntry& entry = gSaveBlock.hiscores[i];
        std::fill(entry.name, entry.name + SAVE_NAME_UNITS, u'\0');
        entries[i].first.copy(entry.name, SAVE_NAME_UNITS - 1);
        entry.score = entries[i].second;
    }
}

TEST(Hiscores, BestFirstInExchangeSortOrderUpToTheFirstZero) {
    ResetSaveBlockForTest();
    // Equal scores come out as the exchange sort leaves them: C before B.
    SetHiscores({{u"A", 1}, {u"B", 2}, {u"C", 2}, {u"D", 3}});
    HiscoreColumns columns = FormatHiscoreColumns();
    EXPECT_EQ(columns.names, u"D\rC\rB\rA\r");
    EXPECT_EQ(columns.scores, u"3\r2\r2\r1\r");

    // Entries 3..9 at 0: three lines; a negative score lies past the stop.
    ResetSaveBlockForTest();
    SetHiscores({{u"x", 500}, {u"y", 70000}, {u"z", 9}, {u"", 0}, {u"neg", -4}});
    columns = FormatHiscoreColumns();
    EXPECT_EQ(columns.names, u"y\rx\rz\r");
    EXPECT_EQ(columns.scores, u"70000\r500\r9\r");

    ResetSaveBlockForTest();
    columns = FormatHiscoreColumns();
    EXPECT_TRUE(columns.names.empty());
    EXPECT_TRUE(columns.scores.empty());
}

TEST(Hiscores, UnterminatedNameStopsAtItsField) {
    ResetSaveBlockForTest();
    for (int32_t e = 0; e < SAVE_HISCORE_COUNT; ++e) {
        std::fill(gSaveBlock.hiscores[e].name, gSaveBlock.hiscores[e].name + SAVE_NAME_UNITS, u'W');
        gSaveBlock.hiscores[e].score = 10 - e;
    }
    HiscoreColumns columns = FormatHiscoreColumns();
    std::u16string line(SAVE_NAME_UNITS, u'W');
    line += u'\r';
    EXPECT_EQ(columns.names.substr(0, line.size()), line);
    EXPECT_EQ(columns.names.size(), line.size() * SAVE_HISCORE_COUNT);
    ResetSaveBlockForTest();
}

TEST(Hiscores, DialogShowsTheColumnsAndCloses) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    SetHiscores({{u"Ann", 10}, {u"Bob", 30}});
    CHiscoresShowMenu menu;
    Feed(menu, 0, 0, 0, kNoKeys);
    menu.SetFramed();
    menu.ShowScrollbar();
    EXPECT_EQ(std::u16string(menu.names->GetText()), u"Bob\rAnn\r");
    EXPECT_EQ(std::u16string(menu.scores->GetText()), u"30\r10\r");
    EXPECT_EQ(menu.scrollbar->pressStep, 0.0f); // two lines fit
    SoundRecorder sounds;
    KeyArray keys;
    EXPECT_EQ(Feed(menu, 0, 0, 0, keys.Down(KEY_SPACE)), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

} // namespace
