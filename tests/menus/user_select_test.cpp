#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/helpers.h"
#include "menus/user_confirm.h"
#include "menus/user_select.h"
#include "tests/menus/profile_screens.h"
#include "tests/support/draw_capture.h"
#include "ui/button.h"
#include "ui/text_edit.h"

namespace {

std::u16string Label(const CSButton* button) {
    const char16_t* text = button->GetLabelText();
    return text != nullptr ? std::u16string(text) : std::u16string();
}

std::u16string NameOf(int32_t record) {
    return std::u16string(gSaveBlock.users[record].name);
}

class UserSelectTest : public ProfileScreenTest {
protected:
    // The screen, with its first (blocked) frame behind it.
    CUserSelect* Open() {
        screen_ = std::make_unique<CUserSelect>();
        driver_ = std::make_unique<MenuDriver>(&platform_, screen_.get());
        driver_->Frame();
        return screen_.get();
    }
    std::vector<std::u16string> Labels() const {
        std::vector<std::u16string> labels;
        for (const CSButton* slot : screen_->slotButtons)
            labels.push_back(Label(slot));
        return labels;
    }
    std::vector<int32_t> Selectable() const {
        std::vector<int32_t> flags;
        for (const CSButton* slot : screen_->slotButtons)
            flags.push_back(slot->IsSelectable());
        return flags;
    }

    std::unique_ptr<CUserSelect> screen_;
    std::unique_ptr<MenuDriver> driver_;
};

using Names = std::vector<std::u16string>;

TEST_F(UserSelectTest, ProfilesAreSortedByCodeUnitsAndThreeLeaveNoFreeSlot) {
    SetProfiles({u"b", u"A", u"a"}, 0);
    Open();
    EXPECT_EQ(Labels(), (Names{u"A", u"a", u"b"}));
    EXPECT_EQ(screen_->slotRecords[0], 1);
    EXPECT_EQ(screen_->slotRecords[1], 2);
    EXPECT_EQ(screen_->slotRecords[2], 0);
    EXPECT_EQ(Selectable(), (std::vector<int32_t>{1, 1, 1}));
    // Opens on the current user's slot.
    EXPECT_EQ(screen_->selectedSlot, 2);
    // Unsigned units: a unit above 0x7FFF sorts after every letter.
    EXPECT_GT(WStrCmp(u"\uFFFF", u"a"), 0);
    EXPECT_LT(WStrCmp(u"ab", u"abc"), 0);
}

TEST_F(UserSelectTest, NoProfilesGiveOneFreeSlotWhoseReturnOpensTheNameEntry) {
    Open();
    EXPECT_EQ(Labels(), (Names{u"Free", u"", u""}));
    EXPECT_EQ(Selectable(), (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(screen_->selectedSlot, 0);
    EXPECT_EQ(Label(screen_->chooseButton), u"New");
    driver_->Tap(KEY_DOWN);
    driver_->Tap(KEY_UP);
    EXPECT_EQ(screen_->selectedSlot, 0);
    // Delete on the free slot only clicks.
    EXPECT_EQ(driver_->Tap(KEY_DELETE), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_KEEP);
    EXPECT_NE(screen_->newDialog, nullptr);
    EXPECT_EQ(Clicks(), 2);
}

struct CurrentCase {
    int32_t current;
    int32_t slot;
};

TEST_F(UserSelectTest, OpensOnTheCurrentUsersSlotWhereverItIsSorted) {
    // Sorted: c (record 1), m (record 2), x (record 0).
    for (CurrentCase c : {CurrentCase{0, 2}, CurrentCase{1, 0}, CurrentCase{2, 1}}) {
        SetProfiles({u"x", u"c", u"m"}, c.current);
        Open();
        EXPECT_EQ(screen_->selectedSlot, c.slot) << "current user " << c.current;
        EXPECT_EQ(screen_->slotButtons[c.slot]->IsSelected(), 1);
    }
}

TEST_F(UserSelectTest, UpAndDownSkipSlotsThatCannotBeSelected) {
    SetProfiles({u"p", u"q"}, 0);
    Open();
    driver_->Tap(KEY_UP); // two profiles: slot 2 is the free slot
    EXPECT_EQ(screen_->selectedSlot, 2);
    EXPECT_EQ(Label(screen_->chooseButton), u"New");
    driver_->Tap(KEY_DOWN);
    EXPECT_EQ(screen_->selectedSlot, 0);
    EXPECT_EQ(Label(screen_->chooseButton), u"Play");

    SetProfiles({u"p"}, 0);
    Open();
    driver_->Tap(KEY_UP); // one profile: slot 2 is empty, slot 1 free
    EXPECT_EQ(screen_->selectedSlot, 1);
    driver_->Tap(KEY_DOWN);
    EXPECT_EQ(screen_->selectedSlot, 0);
    EXPECT_EQ(screen_->slotButtons[1]->IsSelected(), 0);
}

TEST_F(UserSelectTest, ANewProfileTakesTheFirstFreeRecordAndAccepts) {
    SetProfiles({u"zed", u"", u"amy"}, 2);
    gSaveBlock.users[1].runningScore = 77; // left in a free record by a file
    Open();
    driver_->Tap(KEY_UP); // amy, zed, then the free slot
    ASSERT_EQ(screen_->selectedSlot, 2);
    driver_->Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    driver_->Tap('a');
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(screen_->newDialog, nullptr);
    EXPECT_EQ(NameOf(1), u"\u0444");
    EXPECT_EQ(gSaveBlock.currentUser, 1);
    EXPECT_EQ(gSaveBlock.newProfile, 1);
    EXPECT_EQ(gSaveBlock.users[1].effectsVolume, 128);
    EXPECT_EQ(gSaveBlock.users[1].runningScore, 0);
    EXPECT_EQ(NameOf(0), u"zed");
    EXPECT_EQ(NameOf(2), u"amy");
}

TEST_F(UserSelectTest, AnEmptyNameReturnsToTheListWithNoProfile) {
    Open();
    driver_->Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    EXPECT_EQ(driver_->Press(KEY_RETURN), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->newDialog, nullptr);
    EXPECT_EQ(screen_->inputBlocked, 1);
    driver_->Release(KEY_RETURN);
    EXPECT_EQ(NameOf(0), u"");
    EXPECT_EQ(gSaveBlock.newProfile, 0);
    // The list takes keys again once they are quiet.
    driver_->Tap(KEY_RETURN);
    EXPECT_NE(screen_->newDialog, nullptr);
}

TEST_F(UserSelectTest, ReturnOnAProfileChoosesItAndAClickOnASlotChoosesThatSlot) {
    SetProfiles({u"b", u"a"}, 0);
    Open();
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(gSaveBlock.currentUser, 0);
    EXPECT_EQ(gSaveBlock.newProfile, 0);

    Open();
    driver_->PointAt(*screen_->slotButtons[0]);
    EXPECT_EQ(driver_->Click(), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(gSaveBlock.currentUser, 1);
}

TEST_F(UserSelectTest, QuitComesFromEscapeOrAnyTriggerOverTheQuitButton) {
    SetProfiles({u"a"}, 0);
    Open();
    EXPECT_EQ(driver_->Tap(KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    Open();
    driver_->PointAt(*screen_->quitButton);
    driver_->Frame();
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(Clicks(), 2);
}

TEST_F(UserSelectTest, AConfirmedDeletionResetsTheRecordAndSelectsSlotZero) {
    SetProfiles({u"b", u"A", u"a"}, 0);
    gSaveBlock.users[0].runningScore = 900;
    Open();
    ASSERT_EQ(screen_->selectedSlot, 2); // b
    driver_->Tap(KEY_DELETE);
    ASSERT_NE(screen_->deleteDialog, nullptr);
    EXPECT_EQ(std::u16string(screen_->deleteDialog->body->GetText()), u"Delete b?");
    EXPECT_EQ(driver_->Press(KEY_RETURN), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(screen_->inputBlocked, 1);
    driver_->Release(KEY_RETURN);
    EXPECT_EQ(NameOf(0), u"");
    EXPECT_EQ(gSaveBlock.users[0].runningScore, 0);
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 1);
    EXPECT_EQ(screen_->selectedSlot, 0);
    EXPECT_EQ(Labels(), (Names{u"A", u"a", u"Free"}));

    // Cancelled: nothing changes.
    driver_->Tap(KEY_DELETE);
    ASSERT_NE(screen_->deleteDialog, nullptr);
    driver_->Tap(KEY_ESCAPE);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(NameOf(1), u"A");
}

TEST_F(UserSelectTest, AddUserWithEveryRecordTakenChangesNothing) {
    SetProfiles({u"a", u"b", u"c"}, 2);
    Open();
    EXPECT_EQ(screen_->AddUser(u"d"), -1);
    EXPECT_EQ(gSaveBlock.currentUser, 2);
    EXPECT_EQ(Labels(), (Names{u"a", u"b", u"c"}));
}

TEST_F(UserSelectTest, DeletingTheScreenTakesAnOpenDialogWithIt) {
    Open();
    driver_->Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    screen_.reset(); // the leak checker sees a dialog left behind
}

TEST_F(UserSelectTest, TheVeilIsFixedAndAnOpenDialogIsDrawnAlone) {
    gConfig.screenWidth = 1024;
    gConfig.screenHeight = 768;
    SetProfiles({u"a"}, 0);
    Open();
    Image* frame = screen_->framePictures[0];
    Image* slotSkin = screen_->slotButtons[0]->skins[BUTTON_SKIN_SELECTED].leftCap;
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(slotSkin, nullptr);
    DrawCapture capture;
    EXPECT_EQ(screen_->Draw(), 1);
    ASSERT_GE(capture.size(), 1u);
    const SpriteRecord& veil = capture[0].record;
    EXPECT_EQ(capture[0].kind, CAPTURED_FILL);
    EXPECT_EQ(veil.x, 0);
    EXPECT_EQ(veil.y, 0);
    EXPECT_EQ(veil.width, 800);
    EXPECT_EQ(veil.height, 600);
    EXPECT_EQ(veil.colour, USER_SELECT_VEIL);
    EXPECT_EQ(capture.FirstSpriteOf(frame), nullptr); // not framed yet
    EXPECT_NE(capture.FirstSpriteOf(slotSkin), nullptr);

    screen_->SetFramed();
    capture.Clear();
    screen_->Draw();
    ASSERT_NE(capture.FirstSpriteOf(frame), nullptr);
    EXPECT_EQ(capture.FirstSpriteOf(frame)->record.x, (1024 - 500) / 2);
    EXPECT_EQ(capture.FirstSpriteOf(frame)->record.y, 50);

    driver_->Tap(KEY_DOWN);
    driver_->Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    capture.Clear();
    screen_->Draw();
    EXPECT_EQ(capture[0].kind, CAPTURED_FILL);
    ASSERT_NE(capture.FirstSpriteOf(frame), nullptr);
    EXPECT_EQ(capture.FirstSpriteOf(frame)->record.y, screen_->newDialog->y);
    EXPECT_EQ(capture.SpritesOf(frame).size(), 1u);
    EXPECT_EQ(capture.FirstSpriteOf(slotSkin), nullptr);
}

// ---- the delete confirmation ----------------------------------------------

enum class Act {
    kNone,
    kReturn,
    kSpace,
    kEscape,
    kClickAccept,
    kClickCancel,
    kClickBeside,
    kEscapeClickAccept
};

struct DeleteCase {
    Act act;
    int32_t result;
};

class UserDeleteTest : public ProfileScreenTest {
protected:
    int32_t Decide(CUserDelete* dialog, MenuDriver* driver, Act act) {
        const CSButton* target =
            act == Act::kClickCancel ? dialog->cancelButton : dialog->acceptButton;
        switch (act) {
        case Act::kReturn: // with the pointer on the cancel button
            driver->PointAt(*dialog->cancelButton);
            driver->Frame();
            return driver->Tap(KEY_RETURN);
        case Act::kSpace:
            return driver->Tap(KEY_SPACE);
        case Act::kEscape:
            return driver->Tap(KEY_ESCAPE);
        case Act::kClickBeside:
            driver->Point(dialog->x + 5, dialog->y + 5);
            return driver->Click();
        case Act::kEscapeClickAccept:
            driver->PointAt(*target);
            driver->SetButtons(1);
            driver->Frame();
            driver->SetButtons(0);
            return driver->Tap(KEY_ESCAPE);
        default:
            driver->PointAt(*target);
            return driver->Click();
        }
    }
};

TEST_F(UserDeleteTest, EachAnswerGivesItsResultWithOneClickOnThatFrame) {
    const DeleteCase cases[] = {
        {Act::kReturn, CONTROL_RESULT_ACCEPT},
        {Act::kSpace, CONTROL_RESULT_ACCEPT},
        {Act::kEscape, CONTROL_RESULT_CLOSE},
        {Act::kClickAccept, CONTROL_RESULT_ACCEPT},
        {Act::kClickCancel, CONTROL_RESULT_CLOSE},
        {Act::kClickBeside, CONTROL_RESULT_KEEP},
        {Act::kEscapeClickAccept, CONTROL_RESULT_ACCEPT},
    };
    for (const DeleteCase& c : cases) {
        CUserDelete dialog;
        MenuDriver driver(&platform_, &dialog);
        driver.Frame();
        sounds_.plays.clear();
        EXPECT_EQ(Decide(&dialog, &driver, c.act), c.result) << static_cast<int>(c.act);
        EXPECT_EQ(Clicks(), c.result == CONTROL_RESULT_KEEP ? 0 : 1) << static_cast<int>(c.act);
    }
}

TEST_F(UserDeleteTest, ItIgnoresAKeyHeldWhenItOpensAndShowsTheFormatBeforeAName) {
    CUserDelete dialog;
    EXPECT_EQ(std::u16string(dialog.body->GetText()), u"Delete ?");
    MenuDriver driver(&platform_, &dialog);
    platform_.SetKey(KEY_RETURN, true);
    EXPECT_EQ(driver.Frame(), CONTROL_RESULT_KEEP);
    platform_.SetKey(KEY_RETURN, false);
    EXPECT_EQ(driver.Frame(), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Clicks(), 0);
    dialog.SetName(u"\u0444%d");
    EXPECT_EQ(std::u16string(dialog.body->GetText()), u"Delete \u0444%d?");
}

} // namespace
