#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "engine/task_stack.h"
#include "menus/dialog_parts.h"
#include "menus/level_change.h"
#include "menus/main_menu.h"
#include "menus/options_menu.h"
#include "tests/menus/menu_screens_archive.h"
#include "tests/support/scripted_platform.h"
#include "ui/button.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

const KeyArray kNoKeys;

int32_t Feed(CControl& control, int32_t mx, int32_t my, int32_t buttons, const KeyArray& keys) {
    return control.HandleInput(mx, my, buttons, keys.keys, kSdlKeyCount);
}

// A play task that hands out a test world and records every other message.
GameWorld* gFakeWorld = nullptr;
std::vector<std::pair<uint32_t, uintptr_t>> gPlayMessages;

void FakePlayHandler(TaskRec* task, uint32_t message) {
    if (message == TASK_MSG_ENTER) {
        SetTaskTag(TASK_TAG_PLAY);
        return;
    }
    if ((message & TASK_MSG_USER) == 0)
        return;
    uint32_t n = message ^ TASK_MSG_USER;
    if (n == PLAY_MSG_GET_WORLD)
        *task->MessageArgAs<GameWorld**>() = gFakeWorld;
    else
        gPlayMessages.emplace_back(n, task->messageArg);
}

class FakePlayTask {
public:
    explicit FakePlayTask(int16_t level) {
        gPlayMessages.clear();
        gFakeWorld = NewGameWorld();
        gFakeWorld->currentLevel = level;
        CreateTaskStack();
        PushTask(FakePlayHandler, 0, 0);
    }
    ~FakePlayTask() {
        PopAllTasks();
        DestroyTaskStack();
        DeleteGameWorld(gFakeWorld);
        gFakeWorld = nullptr;
    }
    GameWorld* world() const { return gFakeWorld; }
};

// A key down for a frame, up for a frame, then a quiet frame.
void Tap(CControl& control, int32_t key) {
    KeyArray keys;
    Feed(control, 0, 0, 0, keys.Down(key));
    Feed(control, 0, 0, 0, kNoKeys);
    Feed(control, 0, 0, 0, kNoKeys);
}

std::unique_ptr<COptionsMenu> OpenOptions(int32_t* restartFlag) {
    auto options = std::make_unique<COptionsMenu>();
    Feed(*options, 0, 0, 0, kNoKeys);
    options->SetFramed();
    options->SetRestartFlag(restartFlag);
    Feed(*options, 0, 0, 0, kNoKeys); // the sliders' first, quiet frame
    return options;
}

void FocusOptionSlider(COptionsMenu& options) {
    Tap(options, KEY_DOWN);
    Tap(options, KEY_DOWN);
    ASSERT_EQ(options.focus, OPTIONS_FOCUS_OPTION);
}

std::u16string ValueText(const COptionsMenu& options) {
    const char16_t* text = options.valueText->GetText();
    return text != nullptr ? std::u16string(text) : std::u16string();
}

// ---- options ---------------------------------------------------------------

TEST(Options, SlidersShowTheVolumesAndSetThemLive) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    gSaveBlock.users[0].musicVolume = 64;
    int32_t restart = 0;
    auto options = OpenOptions(&restart);
    EXPECT_EQ(options->effectsSlider->GetPosition(), 1.0f);
    EXPECT_EQ(options->musicSlider->GetPosition(), 0.5f);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 128); // the end gives 128 back
    options->effectsSlider->SetPosition(0.3f);         // 38.4
    options->musicSlider->SetPosition(1.0f);
    Feed(*options, 0, 0, 0, kNoKeys);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 38);
    EXPECT_EQ(gSaveBlock.users[0].musicVolume, 128);
    // Escape closes and keeps what was applied.
    SoundRecorder sounds;
    KeyArray keys;
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys.Down(KEY_ESCAPE)), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(gSaveBlock.users[0].effectsVolume, 38);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

TEST(Options, FocusMovesOnArrowReleasesAndStopsAtTheEnds) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    int32_t restart = 0;
    auto options = OpenOptions(&restart);
    KeyArray keys;
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys.Down(KEY_UP)), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Feed(*options, 0, 0, 0, kNoKeys), CONTROL_RESULT_CURSOR_MOVED);
    EXPECT_EQ(options->focus, OPTIONS_FOCUS_EFFECTS);
    for (int32_t i = 0; i < 3; ++i) {
        KeyArray down;
        EXPECT_EQ(Feed(*options, 0, 0, 0, down.Down(KEY_DOWN)), CONTROL_RESULT_KEEP);
        EXPECT_EQ(Feed(*options, 0, 0, 0, kNoKeys), CONTROL_RESULT_CURSOR_MOVED);
    }
    EXPECT_EQ(options->focus, OPTIONS_FOCUS_OPTION);
    EXPECT_EQ(options->optionSlider->IsSelected(), 1);
    EXPECT_EQ(options->effectsSlider->IsSelected(), 0);
    int32_t tx = 0, ty = 0;
    options->optionSlider->GetThumbCenter(&tx, &ty);
    EXPECT_EQ(options->mouseX, tx);
    EXPECT_EQ(options->mouseY, ty);
}

void ExpectOptionChangesAtOnce() {
    int32_t restart = 0;
    auto options = OpenOptions(&restart);
    FocusOptionSlider(*options);
    EXPECT_EQ(ValueText(*options), u"Mid");
    KeyArray keys;
    Feed(*options, 0, 0, 0, keys.Down(KEY_RIGHT));
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 2);
    EXPECT_EQ(options->Confirmation(), nullptr);
    EXPECT_EQ(ValueText(*options), u"Mid"); // the text follows a frame later
    Feed(*options, 0, 0, 0, kNoKeys);
    EXPECT_EQ(ValueText(*options), u"High");
    EXPECT_EQ(restart, 0);
}

TEST(Options, OnLevelOneTheOptionChangesAtOnce) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    FakePlayTask play(1);
    play.world()->takenBits[0] = 0xFF;
    ExpectOptionChangesAtOnce();
    EXPECT_TRUE(gPlayMessages.empty());
    EXPECT_EQ(play.world()->takenBits[0], 0xFF);
}

TEST(Options, WithoutAPlayTaskTheLevelCountsAsOne) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    ExpectOptionChangesAtOnce(); // no task stack at all
    ResetSaveBlockForTest();
    CreateTaskStack(); // a stack without a play task
    ExpectOptionChangesAtOnce();
    DestroyTaskStack();
}

// The option slider moved right during a game; the question is open and
// has seen its first, quiet frame.
std::unique_ptr<COptionsMenu> AskForLevelChange(int32_t* restart) {
    auto options = OpenOptions(restart);
    FocusOptionSlider(*options);
    KeyArray keys;
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys.Down(KEY_RIGHT)), CONTROL_RESULT_CURSOR_MOVED);
    EXPECT_NE(options->Confirmation(), nullptr);
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 1);
    Feed(*options, 0, 0, 0, kNoKeys);
    Feed(*options, 0, 0, 0, kNoKeys);
    return options;
}

TEST(Options, DuringAGameNoPutsTheSliderBack) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    FakePlayTask play(5);
    int32_t restart = 0;
    auto options = AskForLevelChange(&restart);
    KeyArray keys;
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys.Down(KEY_ESCAPE)), CONTROL_RESULT_KEEP);
    EXPECT_EQ(options->Confirmation(), nullptr);
    EXPECT_EQ(options->optionSlider->GetPositionIndex(), 1);
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 1);
    EXPECT_TRUE(gPlayMessages.empty());
    EXPECT_EQ(restart, 0);
    // The Escape that answered does not close the options.
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys), CONTROL_RESULT_KEEP);
}

TEST(Options, DuringAGameYesRestartsAtLevelOne) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    FakePlayTask play(5);
    play.world()->takenBits[3] = 0x5A;
    int32_t restart = 0;
    auto options = AskForLevelChange(&restart);
    KeyArray keys;
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys.Down(KEY_RETURN)), CONTROL_RESULT_KEEP);
    EXPECT_EQ(options->Confirmation(), nullptr);
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 2);
    const std::vector<std::pair<uint32_t, uintptr_t>> expected = {{PLAY_MSG_RESUME, 0},
                                                                  {PLAY_MSG_GOTO_LEVEL, 1}};
    EXPECT_EQ(gPlayMessages, expected);
    EXPECT_EQ(play.world()->takenBits[3], 0);
    EXPECT_EQ(restart, 1);
}

TEST(Options, ClosingWithTheQuestionJustOpenedFreesIt) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    FakePlayTask play(5);
    int32_t restart = 0;
    auto options = OpenOptions(&restart);
    FocusOptionSlider(*options);
    KeyArray keys;
    keys.Down(KEY_RIGHT).Down(KEY_ESCAPE);
    EXPECT_EQ(Feed(*options, 0, 0, 0, keys), CONTROL_RESULT_CLOSE);
    EXPECT_NE(options->Confirmation(), nullptr);
    options.reset(); // the leak checker sees whether it went with the options
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 1);
}

TEST(Options, ConfirmedChangeTurnsTheMainMenuIntoTheRestartedVariant) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    FakePlayTask play(5);
    ScriptedPlatform platform;
    ScopedPlatform scoped(&platform);
    gSaveBlock.newProfile = 1;
    CMmenu menu(MENU_VARIANT_PAUSED);
    EXPECT_EQ(menu.Update(), MAIN_MENU_OPTIONS);
    auto tap = [&](int32_t key) {
        platform.SetKey(key, true);
        EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
        platform.SetKey(key, false);
        EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
        EXPECT_EQ(menu.Update(), CONTROL_RESULT_KEEP);
    };
    menu.Update();
    tap(KEY_DOWN);
    tap(KEY_DOWN);
    tap(KEY_RIGHT);  // opens the question
    tap(KEY_RETURN); // yes
    EXPECT_EQ(menu.GetVariant(), MENU_VARIANT_RESTARTED);
    EXPECT_EQ(gPlayMessages.size(), 2u);
    tap(KEY_ESCAPE); // closes the options
    EXPECT_EQ(menu.SubMenus()->GetChildCount(), 0);
    EXPECT_EQ(menu.GetVariant(), MENU_VARIANT_RESTARTED);
}

// ---- level change ----------------------------------------------------------

struct ButtonPoint {
    int32_t x, y;
};

ButtonPoint Centre(const CSButton* button) {
    return {button->x + button->width / 2, button->y + button->height / 2};
}

TEST(LevelChange, TheDragReleaseIsNoAnswerEvenOverYes) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    CLevelChange question;
    question.SetFramed();
    ButtonPoint yes = Centre(question.yesButton);
    SoundRecorder sounds;
    EXPECT_EQ(Feed(question, yes.x, yes.y, 1, kNoKeys), CONTROL_RESULT_KEEP); // still dragging
    EXPECT_EQ(Feed(question, yes.x, yes.y, 1, kNoKeys), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Feed(question, yes.x, yes.y, 0, kNoKeys), CONTROL_RESULT_KEEP); // drag ends
    EXPECT_EQ(Feed(question, yes.x, yes.y, 1, kNoKeys), CONTROL_RESULT_KEEP);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 0);
    EXPECT_EQ(Feed(question, yes.x, yes.y, 0, kNoKeys), CONTROL_RESULT_YES);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

TEST(LevelChange, ClicksAnswerByButtonAfterANewPress) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    struct Row {
        int32_t target; // 0 yes, 1 no, 2 beside both
        int32_t result;
    };
    for (Row row :
         {Row{0, CONTROL_RESULT_YES}, Row{1, CONTROL_RESULT_CLOSE}, Row{2, CONTROL_RESULT_KEEP}}) {
        CLevelChange question;
        ButtonPoint p = row.target == 0   ? Centre(question.yesButton)
                        : row.target == 1 ? Centre(question.noButton)
                                          : ButtonPoint{question.x + 5, question.y + 5};
        Feed(question, p.x, p.y, 0, kNoKeys);
        EXPECT_EQ(Feed(question, p.x, p.y, 1, kNoKeys), CONTROL_RESULT_KEEP);
        EXPECT_EQ(Feed(question, p.x, p.y, 0, kNoKeys), row.result) << row.target;
    }
    CLevelChange question;
    EXPECT_LT(question.noButton->x, question.yesButton->x); // no on the left
}

TEST(LevelChange, KeysAnswerAtAnyTimeAndAYesClickBeatsEscape) {
    MenuScreensArchive archive;
    ASSERT_TRUE(archive.ok());
    for (auto [key, result] : {std::pair<int32_t, int32_t>{KEY_RETURN, CONTROL_RESULT_YES},
                               {KEY_SPACE, CONTROL_RESULT_YES},
                               {KEY_ESCAPE, CONTROL_RESULT_CLOSE}}) {
        CLevelChange question;
        Feed(question, 0, 0, 0, kNoKeys); // still waiting for a press
        KeyArray keys;
        EXPECT_EQ(Feed(question, 0, 0, 0, keys.Down(key)), result) << key;
    }
    CLevelChange question;
    ButtonPoint yes = Centre(question.yesButton);
    Feed(question, yes.x, yes.y, 0, kNoKeys);
    Feed(question, yes.x, yes.y, 1, kNoKeys);
    SoundRecorder sounds;
    KeyArray keys;
    EXPECT_EQ(Feed(question, yes.x, yes.y, 0, keys.Down(KEY_ESCAPE)), CONTROL_RESULT_YES);
    EXPECT_EQ(sounds.CountOf(MENU_CLICK_SOUND_GROUP), 1);
}

} // namespace
