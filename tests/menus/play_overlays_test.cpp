// The overlays of play: the pause dialog's decisions; the help page's
// choice of page, its input delay and its scrolling; and the end-of-level
// tally's arithmetic and its keys.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "menus/help_page.h"
#include "menus/level_status.h"
#include "menus/pause_menu.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"

namespace {

TEST(PauseMenu, EscapeLeavesAnyOtherKeyResumesAndOnlyDecisionsClick) {
    CatalogueBuilder catalogue = MakeMenuCatalogue();
    PutItem(&catalogue, 13, 1, NumberEntry(0)); // no bottom picture: size 0
    MenuArchive archive(catalogue);
    ASSERT_TRUE(archive.ok());
    MenuDriver driver;
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
        driver.Use(&menu);
        driver.Frame();
        for (int key : row.keys)
            driver.platform.SetKey(key, true);
        EXPECT_EQ(driver.Frame(), row.result);
        for (int key : row.keys)
            driver.platform.SetKey(key, false);
        EXPECT_EQ(sounds.CountOf(48), row.result == CONTROL_RESULT_KEEP ? 0 : 1);
    }
    SoundRecorder sounds;
    CGamePauseMenu menu;
    driver.Use(&menu);
    {
        DrawCapture capture; // the frame once, the children (two buttons of one skin) twice
        EXPECT_EQ(menu.Draw(), 1);
        EXPECT_EQ(capture.SpritesOf(menu.framePictures[0]).size(), 1u);
        EXPECT_EQ(capture.SpritesOf(menu.resumeButton->skins[BUTTON_SKIN_NORMAL].leftCap).size(),
                  4u);
    }
    EXPECT_GT(menu.resumeButton->x, menu.menuButton->x);
    const std::pair<CControl*, int32_t> clicks[] = {{menu.title, CONTROL_RESULT_KEEP},
                                                    {menu.menuButton, PAUSE_RESULT_MAIN_MENU},
                                                    {menu.resumeButton, CONTROL_RESULT_CLOSE}};
    for (const auto& [target, result] : clicks) {
        driver.PointAt(*target);
        driver.Frame();
        EXPECT_EQ(driver.Click(), result);
    }
    EXPECT_EQ(sounds.CountOf(48), 2);
}

// ---- help pages ----------------------------------------------------------------------

using HelpPages = std::vector<std::vector<std::u16string>>;

// The menu archive with a help catalogue of `pages` (group g holds the
// pages of level g + 2); groups `emptyA` and `emptyB` share their first
// entry, which leaves both empty.
ArchiveBuilder HelpArchive(uint32_t emptyA, uint32_t emptyB,
                           const HelpPages& pages = {
                               {u"p00", u"p01"}, {u"p10", u"p11", u"p12"}, {u"x"}, {u"y"}}) {
    CatalogueBuilder help;
    for (const auto& group : pages) {
        uint32_t g = help.AddGroup();
        for (const auto& page : group)
            help.AddItem(g, PlainEntry(0, Utf16BytesOf(page)));
    }
    CatalogueBuilder outer = MakeMenuCatalogue();
    outer.SetGroupBase(64);
    outer.SetNestedCatalogue(HELP_CATALOGUE_ROOT_ENTRY, help);
    ArchiveBuilder flat = outer.ToArchive();
    uint32_t links = flat.Entry(HELP_CATALOGUE_ROOT_ENTRY).linkTarget + 2;
    flat.Set(links + emptyB, flat.Entry(links + emptyA));
    return flat;
}

std::u16string BodyOf(const CGameStaticHelp& help) {
    const char16_t* text = help.body->GetText();
    return text != nullptr ? text : u"";
}

TEST(HelpPage, ThePageFollowsTheLevelAndAnEmptyGroupFallsBackToGroupZero) {
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
    FakePlay play;
    {
        MenuArchive archive(HelpArchive(2, 3));
        ASSERT_TRUE(archive.ok());
        for (const auto& row : rows) {
            play.world->currentLevel = row.level;
            CGameStaticHelp help(row.page);
            EXPECT_EQ(BodyOf(help), row.body) << "level " << row.level << " page " << row.page;
        }
    }
    // Group 0 empty too: an empty body.
    MenuArchive archive(HelpArchive(0, 1));
    ASSERT_TRUE(archive.ok());
    play.world->currentLevel = 3;
    CGameStaticHelp help(0);
    EXPECT_EQ(BodyOf(help), u"");
}

TEST(HelpPage, DuringTheDelayOnlyEscapeReturnOrTheButtonClose) {
    MenuArchive archive(HelpArchive(2, 3));
    ASSERT_TRUE(archive.ok());
    FakePlay play;
    MenuDriver driver;
    const struct {
        int key; // 0: a click on OK
        int32_t pressAt, result;
    } rows[] = {{'a', HELP_INPUT_DELAY - 1, CONTROL_RESULT_KEEP},
                {'a', HELP_INPUT_DELAY, CONTROL_RESULT_CLOSE},
                {KEY_SPACE, HELP_INPUT_DELAY - 1, CONTROL_RESULT_KEEP},
                {KEY_SPACE, HELP_INPUT_DELAY, CONTROL_RESULT_CLOSE},
                {KEY_ESCAPE, 2, CONTROL_RESULT_CLOSE},
                {0, 2, CONTROL_RESULT_CLOSE}};
    for (const auto& row : rows) {
        CGameStaticHelp help(0);
        driver.Use(&help);
        if (row.key == 0)
            driver.PointAt(*help.okButton);
        for (int32_t i = 1; i < row.pressAt; ++i)
            driver.Frame();
        EXPECT_EQ(row.key != 0 ? driver.Press(row.key) : driver.Click(), row.result) << row.key;
        driver.platform.SetKey(row.key, false);
    }
    // Return held from play: its release closes the page.
    driver.platform.SetKey(KEY_RETURN, true);
    CGameStaticHelp byRelease(0);
    driver.Use(&byRelease);
    EXPECT_EQ(driver.Frame(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(driver.Frame(), CONTROL_RESULT_KEEP);
    driver.platform.SetKey(KEY_RETURN, false);
    EXPECT_EQ(driver.Frame(), CONTROL_RESULT_CLOSE);
}

TEST(HelpPage, SpaceScrollsALongPageAndClosesOnlyAtItsEnd) {
    MenuArchive archive(HelpArchive(2, 3, {{TextLines(80)}, {u"a"}, {u"b"}, {u"c"}}));
    ASSERT_TRUE(archive.ok());
    FakePlay play(2);
    MenuDriver driver;
    CGameStaticHelp help(0);
    ASSERT_NE(help.scrollbar, nullptr);
    driver.Use(&help);
    for (int32_t i = 0; i < HELP_INPUT_DELAY; ++i)
        driver.Frame();
    int32_t taps = 0;
    int32_t result = CONTROL_RESULT_KEEP;
    while (result != CONTROL_RESULT_CLOSE && taps < 100) {
        EXPECT_EQ(driver.Press(KEY_SPACE), CONTROL_RESULT_CURSOR_MOVED); // held: scrolling
        const float position = help.scrollbar->GetPosition();
        driver.platform.SetKey(KEY_SPACE, false);
        result = driver.Frame();
        EXPECT_EQ(result == CONTROL_RESULT_CLOSE, position == 1.0f) << "tap " << taps;
        ++taps;
    }
    EXPECT_EQ(result, CONTROL_RESULT_CLOSE);
    EXPECT_GT(taps, 2);
    EXPECT_LT(help.body->scrollY, help.y + 128);
}

// ---- the tally -----------------------------------------------------------------------

LevelStatusRecord Record(uint16_t countA, uint16_t gotA, uint16_t countB, uint16_t gotB,
                         int32_t base, int32_t penalty, int32_t hits = 0) {
    return LevelStatusRecord{countA, countB, gotA, gotB, base, 0, hits, penalty, 0};
}

TEST(LevelTally, Arithmetic) {
    const struct {
        const char* name;
        LevelStatusRecord record;
        std::vector<int64_t> want; // percent and bonus A, B; cut, total, result
    } rows[] = {
        {"all A, half B, penalty",
         Record(10, 10, 10, 5, 1000, 500),
         {100, 1000, 50, 500, 500, 2000, 1000}},
        {"49 % earns nothing", Record(100, 49, 100, 49, 1000, 0), {49, 0, 49, 0, 0, 1000, 0}},
        {"50 % earns 20 % and 50 %", Record(2, 1, 2, 1, 1000, 0), {50, 200, 50, 500, 0, 1700, 700}},
        {"penalty above the sum",
         Record(10, 10, 10, 5, 1000, 99999),
         {100, 1000, 50, 500, 2500, 0, -1000}},
        {"no collectables", Record(0, 5, 0, 7, 1000, 0), {0, 0, 0, 0, 0, 1000, 0}},
        // 100 x the base overflows 32 bits on the way.
        {"huge base",
         Record(4, 4, 2, 1, 30000000, 0),
         {100, 30000000, 50, 15000000, 0, 75000000, 45000000}},
    };
    for (const auto& row : rows) {
        const TallyFigures f = ComputeTally(row.record);
        EXPECT_EQ((std::vector<int64_t>{f.percentA, f.bonusA, f.percentB, f.bonusB, f.cut, f.total,
                                        f.result}),
                  row.want)
            << row.name;
    }
}

TEST(LevelTallyDialog, AKeyShowsEverythingAndTheNextClosesWithTheClick) {
    MenuArchive archive;
    ASSERT_TRUE(archive.ok());
    MenuDriver driver;
    SoundRecorder sounds;
    LevelStatusRecord record = Record(10, 10, 10, 5, 1000, 500, 3);
    CLevelStatus tally(&record);
    EXPECT_EQ(tally.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(record.resultPoints, 1000); // written at once, before the count-up
    for (int32_t i = 1; i < 34 * 3 - 1; ++i)
        tally.Update();
    EXPECT_EQ(tally.phase, 2);
    tally.Update();
    ASSERT_EQ(tally.phase, 3); // 34 frames a line
    driver.platform.SetKey('a', true);
    EXPECT_EQ(tally.Update(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(tally.phase, TALLY_LAST_PHASE);
    tally.Update();
    EXPECT_EQ(std::u16string(tally.values->GetText()), u"1000|100|1000|50|500|3|-500|2000%");
    driver.platform.SetKey('a', false);
    tally.Update();
    EXPECT_EQ(sounds.CountOf(48), 0);
    driver.platform.SetKey(KEY_RETURN, true);
    EXPECT_EQ(tally.Update(), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(sounds.CountOf(48), 1);
}

} // namespace
