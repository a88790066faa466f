// The main menu's decisions per variant, and the dialogs it opens itself:
// the text page, the hiscores, and the options with their level-change
// question.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "menus/dialog_parts.h"
#include "menus/level_change.h"
#include "menus/main_menu.h"
#include "menus/options_menu.h"
#include "menus/text_pages.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "ui/button.h"
#include "ui/scrollbar.h"
#include "ui/text.h"

namespace {

int32_t SelectedIndex(const CMmenu& menu) {
    int32_t found = -1;
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i)
        if (menu.Button(i)->IsSelected() != 0)
            found = found == -1 ? i : -2; // -2: two selected
    return found;
}

void SelectOnly(CMmenu& menu, int32_t index) {
    for (int32_t i = 0; i < MAIN_MENU_ITEMS; ++i)
        menu.Button(i)->selected = i == index ? 1 : 0;
}

class MainMenu : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_.ok()); }
    // The menu after a quiet frame with the pointer beside every button.
    std::unique_ptr<CMmenu> Open(int32_t variant) {
        auto menu = std::make_unique<CMmenu>(variant);
        driver_.Use(menu.get());
        driver_.Point(0, 0);
        driver_.Frame();
        return menu;
    }
    MenuArchive archive_;
    MenuDriver driver_;
};

TEST_F(MainMenu, KeysAndClicksWalkAndChooseTheButtonsOfEachVariant) {
    constexpr int32_t kClick = 0; // a click on button `start`
    constexpr int32_t kNew = MENU_VARIANT_NO_PROGRESS, kTitle = MENU_VARIANT_TITLE;
    constexpr int32_t U = KEY_UP, D = KEY_DOWN, R = KEY_RETURN, S = KEY_SPACE;
    const struct {
        int32_t variant, start, key, selected, result, clicks; // start -1: none selected
    } rows[] = {
        // clang-format off
        {kNew, 2, U, 0, -1, 0},    {kNew, 0, D, 2, -1, 0},    {kNew, 3, U, 2, -1, 0},
        {kNew, 0, U, 5, -1, 0},    {kNew, 5, D, 0, -1, 0},    {kNew, -1, D, 0, -1, 0},
        {kNew, -1, U, 5, -1, 0},   {kTitle, 2, U, 1, -1, 0},  {kTitle, 0, D, 1, -1, 0},
        {MENU_VARIANT_PAUSED, 1, D, 2, -1, 0},  {MENU_VARIANT_RESTARTED, 2, U, 1, -1, 0},
        {kTitle, 0, R, 0, 0, 1},   {kTitle, 1, S, 1, 1, 1},   {kTitle, 2, R, 2, 2, 1},
        {kTitle, 3, R, 3, 3, 1},   {kTitle, 4, S, 4, 4, 1},   {kTitle, 5, R, 5, 5, 0},
        {kTitle, 0, KEY_ESCAPE, 0, 5, 0},                     {kTitle, -1, R, -1, -1, 0},
        {kNew, 1, kClick, 0, -1, 0} /* continue cannot be chosen */, {kNew, 4, kClick, 4, 4, 1},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "variant " << row.variant << " from " << row.start << " key " << row.key);
        auto menu = Open(row.variant);
        SoundRecorder sounds;
        if (row.key == kClick) {
            driver_.PointAt(*menu->Button(row.start));
            driver_.Frame();
            EXPECT_EQ(driver_.Click(), row.result);
        } else {
            SelectOnly(*menu, row.start);
            EXPECT_EQ(driver_.Press(row.key), row.result);
            driver_.platform.SetKey(row.key, false);
        }
        EXPECT_EQ(SelectedIndex(*menu), row.selected);
        if (row.key == KEY_UP || row.key == KEY_DOWN) { // the pointer follows
            const CButton* chosen = menu->Button(row.selected);
            EXPECT_EQ(menu->mouseX, chosen->x + chosen->width - 5);
            EXPECT_EQ(menu->mouseY, chosen->y + chosen->height - 5);
        }
        EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), row.clicks);
        EXPECT_EQ(menu->SubMenus()->GetChildCount(), row.result >= 2 && row.result <= 4 ? 1 : 0);
    }
}

TEST_F(MainMenu, ANewProfilesFirstUpdateOpensTheOptionsOnce) {
    gSaveBlock.newProfile = 1;
    CMmenu menu(MENU_VARIANT_TITLE);
    driver_.Use(&menu);
    EXPECT_EQ(driver_.Frame(), MAIN_MENU_OPTIONS);
    EXPECT_EQ(gSaveBlock.newProfile, 0);
    ASSERT_EQ(menu.SubMenus()->GetChildCount(), 1);
    EXPECT_NE(dynamic_cast<COptionsMenu*>(menu.SubMenus()->GetChild(0)), nullptr);
}

TEST(MainMenuPictures, AShortGroupGivesButtonsWithoutPictures) {
    MenuArchive archive(MakeMenuCatalogue(3));
    ASSERT_TRUE(archive.ok());
    MenuDriver driver;
    CMmenu menu(MENU_VARIANT_PAUSED);
    EXPECT_EQ(menu.Button(0)->width, 0);
    EXPECT_EQ(menu.Button(5)->height, 0);
    DrawCapture capture;
    menu.Draw();
    driver.Use(&menu);
    driver.Frame();
    EXPECT_EQ(driver.Press(KEY_RETURN), MAIN_MENU_NEW_GAME);
}

// ---- the text page and the hiscores ----------------------------------------

// A page opened as the main menu opens it, its first quiet frame behind it.
template <typename Page> std::unique_ptr<Page> OpenPage(MenuDriver* driver) {
    auto page = std::make_unique<Page>();
    driver->Use(page.get());
    driver->Frame();
    if constexpr (std::is_same_v<Page, CTextScrollMenu>) {
        page->ShowScrollbar();
        page->SetFramed();
        page->SetPage(MAIN_MENU_TEXT_PAGE_ID);
    } else {
        page->SetFramed();
        page->ShowScrollbar();
    }
    driver->Frame();
    return page;
}

TEST(TextPage, AShortTextNeverScrollsALongOneWhileAKeyIsHeldWithThePointerOnTheThumb) {
    for (int32_t lines : {1, 80}) {
        SCOPED_TRACE(lines);
        CatalogueBuilder catalogue = MakeMenuCatalogue();
        SetTextItems(&catalogue, 19, {TextLines(lines)});
        MenuArchive archive(catalogue);
        ASSERT_TRUE(archive.ok());
        MenuDriver driver;
        auto page = OpenPage<CTextScrollMenu>(&driver);
        ASSERT_NE(page->scrollbar, nullptr);
        EXPECT_EQ(page->scrollbar->pressStep == 0.0f && page->scrollbar->heldStep == 0.0f,
                  lines == 1);
        page->scrollbar->SetPosition(lines == 1 ? 1.0f : 0.0f);
        driver.platform.SetKey(KEY_DOWN, true);
        for (int32_t frame = 0; frame < 3; ++frame) {
            EXPECT_EQ(driver.Frame(), CONTROL_RESULT_CURSOR_MOVED);
            int32_t tx = 0, ty = 0;
            page->scrollbar->GetThumbCenter(&tx, &ty);
            EXPECT_EQ(page->mouseX, tx);
            EXPECT_EQ(page->mouseY, ty);
        }
        EXPECT_TRUE(std::isfinite(page->scrollbar->GetPosition()));
        EXPECT_EQ(page->body->scrollY < page->y + 128, lines == 80);
        driver.platform.SetKey(KEY_DOWN, false);
        EXPECT_EQ(driver.Frame(), CONTROL_RESULT_KEEP);
    }
}

TEST_F(MainMenu, BothPagesCloseOnSpaceEscapeOrTheirButtonWithTheClick) {
    for (int32_t how : {KEY_SPACE, KEY_ESCAPE, 0}) {
        auto page = OpenPage<CTextScrollMenu>(&driver_);
        auto hiscores = OpenPage<CHiscoresShowMenu>(&driver_);
        for (CScrollPageMenu* menu : {static_cast<CScrollPageMenu*>(page.get()),
                                      static_cast<CScrollPageMenu*>(hiscores.get())}) {
            driver_.Use(menu);
            SoundRecorder sounds;
            if (how == 0) {
                driver_.PointAt(*menu->closeButton);
                driver_.Frame();
            }
            EXPECT_EQ(how == 0 ? driver_.Click() : driver_.Press(how), CONTROL_RESULT_CLOSE) << how;
            driver_.platform.SetKey(how, false);
            EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
        }
    }
}

void SetHiscores(const std::vector<std::pair<std::u16string, int32_t>>& entries) {
    ResetSaveBlock(&gSaveBlock);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].first.copy(gSaveBlock.hiscores[i].name, SAVE_NAME_UNITS - 1);
        gSaveBlock.hiscores[i].score = entries[i].second;
    }
}

TEST_F(MainMenu, HiscoresBestFirstInExchangeSortOrderUpToTheFirstZero) {
    // Equal scores come out as the exchange sort leaves them: C before B.
    SetHiscores({{u"A", 1}, {u"B", 2}, {u"C", 2}, {u"D", 3}});
    HiscoreColumns columns = FormatHiscoreColumns();
    EXPECT_EQ(columns.names, u"D\rC\rB\rA\r");
    EXPECT_EQ(columns.scores, u"3\r2\r2\r1\r");
    // Entries 3..9 at 0: three lines; a negative score lies past the stop.
    SetHiscores({{u"x", 500}, {u"y", 70000}, {u"z", 9}, {u"", 0}, {u"neg", -4}});
    columns = FormatHiscoreColumns();
    EXPECT_EQ(columns.names, u"y\rx\rz\r");
    EXPECT_EQ(columns.scores, u"70000\r500\r9\r");
    SetHiscores({{u"X", 5}, {u"Y", 5}}); // no swap between equals
    EXPECT_EQ(FormatHiscoreColumns().names, u"X\rY\r");
    SetHiscores({});
    EXPECT_TRUE(FormatHiscoreColumns().names.empty());
    // A name is shown as it stands, whatever tags it seems to hold.
    SetHiscores({{u"<Font+99>", 2}, {u"a<b", 1}});
    CHiscoresShowMenu shown;
    EXPECT_EQ(ShownText(shown.names), u"<Font+99>\ra<b\r");
}

// ---- the options -------------------------------------------------------------------

using Messages = std::vector<std::string>;

class Options : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_.ok()); }
    // Opened as the main menu opens it; its sliders' first quiet frame done.
    std::unique_ptr<COptionsMenu> Open() {
        auto options = std::make_unique<COptionsMenu>();
        driver_.Use(options.get());
        driver_.Frame();
        options->SetFramed();
        options->SetRestartFlag(&restart_);
        driver_.Frame();
        return options;
    }
    void FocusOptionSlider(const COptionsMenu& options) {
        driver_.Type({KEY_DOWN, KEY_DOWN});
        ASSERT_EQ(options.focus, OPTIONS_FOCUS_OPTION);
    }
    std::u16string ValueText(const COptionsMenu& options) const {
        const char16_t* text = options.valueText->GetText();
        return text != nullptr ? text : u"";
    }
    UserRecord& User() { return gSaveBlock.users[0]; }

    MenuArchive archive_;
    MenuDriver driver_;
    int32_t restart_ = 0;
};

TEST_F(Options, SlidersShowTheVolumesSetThemLiveAndEscapeKeepsThem) {
    User().musicVolume = 64;
    auto options = Open();
    EXPECT_EQ(options->effectsSlider->GetPosition(), 1.0f);
    EXPECT_EQ(options->musicSlider->GetPosition(), 0.5f);
    EXPECT_EQ(User().effectsVolume, 128);      // the end gives 128 back
    options->effectsSlider->SetPosition(0.3f); // 38.4
    options->musicSlider->SetPosition(1.0f);
    driver_.Frame();
    EXPECT_EQ(User().effectsVolume, 38);
    EXPECT_EQ(User().musicVolume, 128);
    SoundRecorder sounds;
    EXPECT_EQ(driver_.Press(KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(User().effectsVolume, 38);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

TEST_F(Options, FocusMovesOnArrowReleasesStopsAtTheEndsAndPutsThePointerOnTheThumb) {
    auto options = Open();
    for (int32_t key : {KEY_UP, KEY_DOWN, KEY_DOWN, KEY_DOWN}) {
        EXPECT_EQ(driver_.Press(key), CONTROL_RESULT_KEEP);
        driver_.platform.SetKey(key, false);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_CURSOR_MOVED);
        EXPECT_EQ(options->focus, key == KEY_UP ? OPTIONS_FOCUS_EFFECTS : options->focus);
    }
    EXPECT_EQ(options->focus, OPTIONS_FOCUS_OPTION);
    int32_t tx = 0, ty = 0;
    options->optionSlider->GetThumbCenter(&tx, &ty);
    EXPECT_EQ(std::make_pair(options->mouseX, options->mouseY), std::make_pair(tx, ty));
}

TEST_F(Options, TheOptionChangesAtOnceOutsideAGameOrOnLevelOneElseAsTheQuestionSays) {
    enum { kNoStack, kNoPlay, kLevelOne, kNo, kYes };
    for (int32_t c : {kNoStack, kNoPlay, kLevelOne, kNo, kYes}) {
        SCOPED_TRACE(c);
        const bool asks = c >= kNo, yes = c == kYes, changes = !asks || yes;
        ResetSaveBlock(&gSaveBlock);
        restart_ = 0;
        std::unique_ptr<FakePlay> play;
        if (c == kNoPlay)
            CreateTaskStack();
        if (c >= kLevelOne) {
            play = std::make_unique<FakePlay>(c == kLevelOne ? 1 : 5);
            play->world->takenBits[3] = 0x5A;
        }
        auto options = Open();
        FocusOptionSlider(*options);
        EXPECT_EQ(ValueText(*options), u"Mid");
        driver_.Press(KEY_RIGHT);
        EXPECT_EQ(options->Confirmation() != nullptr, asks);
        EXPECT_EQ(User().Difficulty, asks ? 1 : 2);
        EXPECT_EQ(ValueText(*options), u"Mid"); // the text follows a frame later
        driver_.Release(KEY_RIGHT);
        if (asks) {
            const int32_t answer = yes ? KEY_RETURN : KEY_ESCAPE;
            EXPECT_EQ(driver_.Press(answer), CONTROL_RESULT_KEEP);
            EXPECT_EQ(options->Confirmation(), nullptr);
            EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP); // the answer does not close them
            driver_.Release(answer);
        }
        EXPECT_EQ(options->optionSlider->GetPositionIndex(), changes ? 2 : 1);
        EXPECT_EQ(User().Difficulty, changes ? 2 : 1);
        EXPECT_EQ(ValueText(*options), changes ? u"High" : u"Mid");
        EXPECT_EQ(restart_, yes ? 1 : 0);
        options.reset();
        if (c == kNoPlay)
            DestroyTaskStack();
        if (play != nullptr) {
            EXPECT_EQ(play->messages, (yes ? Messages{"resume", "level=1"} : Messages{}));
            EXPECT_EQ(play->world->takenBits[3], yes ? 0 : 0x5A);
        }
    }
}

TEST_F(Options, ClosingWithTheQuestionJustOpenedTakesItAlong) {
    FakePlay play(5);
    auto options = Open();
    FocusOptionSlider(*options);
    driver_.platform.SetKey(KEY_RIGHT, true);
    EXPECT_EQ(driver_.Press(KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    EXPECT_NE(options->Confirmation(), nullptr);
    options.reset(); // the leak checker sees whether it went with the options
    EXPECT_EQ(User().Difficulty, 1);
}

// ---- the level-change question -------------------------------------------------------

TEST_F(Options, TheQuestionIgnoresTheDragReleaseAndAnswersByButtonOrKey) {
    enum Target { kNone, kYes, kNo, kBeside };
    const struct {
        Target target;
        bool dragHeld; // the slider's button still down when it opens
        int32_t key;   // pressed on the last frame
        int32_t result;
    } rows[] = {
        {kYes, true, 0, CONTROL_RESULT_YES},
        {kNo, false, 0, CONTROL_RESULT_CLOSE},
        {kBeside, false, 0, CONTROL_RESULT_KEEP},
        {kYes, false, KEY_ESCAPE, CONTROL_RESULT_YES},
        {kNone, false, KEY_RETURN, CONTROL_RESULT_YES},
        {kNone, false, KEY_SPACE, CONTROL_RESULT_YES},
        {kNone, false, KEY_ESCAPE, CONTROL_RESULT_CLOSE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.target << " key " << row.key);
        CLevelChange question;
        question.SetFramed();
        EXPECT_LT(question.noButton->x, question.yesButton->x);
        driver_.Use(&question);
        if (row.target == kYes || row.target == kNo)
            driver_.PointAt(row.target == kYes ? *question.yesButton : *question.noButton);
        if (row.target == kBeside)
            driver_.Point(question.x + 5, question.y + 5);
        SoundRecorder sounds;
        driver_.SetButtons(row.dragHeld ? 1 : 0);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP);
        driver_.SetButtons(0);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP); // the drag's release
        if (row.target != kNone) {
            driver_.SetButtons(1);
            EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP);
            driver_.SetButtons(0);
        }
        EXPECT_EQ(row.key != 0 ? driver_.Press(row.key) : driver_.Frame(), row.result);
        driver_.platform.SetKey(row.key, false);
        EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP),
                  row.result == CONTROL_RESULT_KEEP ? 0 : 1);
    }
}

} // namespace
