// The profile screens: the chooser's slot order and selection, what each
// key or click leads to and the dialogs it opens; the delete question; and
// the name entry with its key tables and the message a taken name opens.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "menus/key_char_map.h"
#include "menus/user_confirm.h"
#include "menus/user_new.h"
#include "menus/user_select.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "ui/text.h"
#include "ui/text_edit.h"

namespace {

using Names = std::vector<std::u16string>;
using Ints = std::vector<int32_t>;

std::u16string NameOf(int32_t record) {
    return gSaveBlock.users[record].name;
}

class Profiles : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_.ok()); }
    // The screen, with its first (blocked) frame behind it.
    void Open() {
        screen_ = std::make_unique<CUserSelect>();
        driver_.Use(screen_.get());
        driver_.Frame();
    }
    void OpenNameEntry() {
        entry_ = std::make_unique<CUserNew>();
        driver_.Use(entry_.get());
        driver_.Frame();
    }
    std::u16string Name() { return entry_->GetName(); }
    // Each slot's caption, "-" after one that cannot be selected.
    Names Slots() const {
        Names slots;
        for (const CSButton* slot : screen_->slotButtons)
            slots.push_back(ButtonLabel(slot) + (slot->IsSelectable() != 0 ? u"" : u"-"));
        return slots;
    }
    int32_t Clicks() const { return sounds_.CountOf(48); }

    MenuArchive archive_;
    MenuDriver driver_;
    SoundRecorder sounds_;
    std::unique_ptr<CUserSelect> screen_;
    std::unique_ptr<CUserNew> entry_;
};

TEST_F(Profiles, SortedByCodeUnitsOpenOnTheCurrentUsersSlotAndThreeAreAll) {
    for (int32_t current : {0, 1, 2}) {
        SetProfiles({u"b", u"A", u"a"}, current);
        Open();
        EXPECT_EQ(Slots(), (Names{u"A", u"a", u"b"})); // three profiles: no free slot
        EXPECT_EQ(Ints(screen_->slotRecords, screen_->slotRecords + 3), (Ints{1, 2, 0}));
        const int32_t slot = (current + 2) % 3;
        EXPECT_EQ(screen_->selectedSlot, slot) << current;
        EXPECT_EQ(screen_->slotButtons[slot]->IsSelected(), 1);
    }
    EXPECT_EQ(screen_->AddUser(u"d"), -1); // every record taken: nothing changes
    EXPECT_EQ(gSaveBlock.currentUser, 2);
    EXPECT_EQ(Slots(), (Names{u"A", u"a", u"b"}));
}

TEST_F(Profiles, AFreeSlotFollowsTheProfilesAndUpAndDownSkipSlotsThatCannotBeSelected) {
    const struct {
        Names names, slots;
        int32_t afterUp, afterDown;
    } rows[] = {{{}, {u"Free", u"-", u"-"}, 0, 0},
                {{u"p", u"q"}, {u"p", u"q", u"Free"}, 2, 0},
                {{u"p"}, {u"p", u"Free", u"-"}, 1, 0}};
    for (const auto& row : rows) {
        SetProfiles(row.names);
        Open();
        EXPECT_EQ(Slots(), row.slots);
        for (auto [key, slot] : {std::make_pair(KEY_UP, row.afterUp), {KEY_DOWN, row.afterDown}}) {
            driver_.Tap(key);
            EXPECT_EQ(screen_->selectedSlot, slot);
            EXPECT_EQ(ButtonLabel(screen_->chooseButton),
                      row.slots[slot] == u"Free" ? u"New" : u"Play");
        }
    }
}

TEST_F(Profiles, ANewProfileTakesTheFirstFreeRecordAndAccepts) {
    SetProfiles({u"zed", u"", u"amy"}, 2);
    gSaveBlock.users[1].runningScore = 77; // left in a free record by a file
    Open();
    driver_.Tap(KEY_UP); // amy, zed, then the free slot
    ASSERT_EQ(screen_->selectedSlot, 2);
    driver_.Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    driver_.Tap('a');
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(screen_->newDialog, nullptr);
    EXPECT_EQ(NameOf(1), u"\u0444");
    EXPECT_EQ(gSaveBlock.currentUser, 1);
    EXPECT_EQ(gSaveBlock.newProfile, 1);
    EXPECT_EQ(gSaveBlock.users[1].effectsVolume, 128);
    EXPECT_EQ(gSaveBlock.users[1].runningScore, 0);
    EXPECT_EQ(NameOf(0), u"zed");
    EXPECT_EQ(NameOf(2), u"amy");
}

TEST_F(Profiles, DeleteOnTheFreeSlotOnlyClicksAndAnEmptyNameMakesNoProfile) {
    Open();
    EXPECT_EQ(driver_.Tap(KEY_DELETE), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(Clicks(), 1);
    driver_.Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    EXPECT_EQ(driver_.Press(KEY_RETURN), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->newDialog, nullptr);
    EXPECT_EQ(screen_->inputBlocked, 1);
    driver_.Release(KEY_RETURN);
    EXPECT_EQ(NameOf(0), u"");
    EXPECT_EQ(gSaveBlock.newProfile, 0);
    driver_.Tap(KEY_RETURN); // the list takes keys again once they are quiet
    EXPECT_NE(screen_->newDialog, nullptr);
}

TEST_F(Profiles, ReturnOrAClickChoosesAProfileAndReturnOverQuitQuits) {
    SetProfiles({u"b", u"a"}, 0);
    Open();
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(gSaveBlock.currentUser, 0);
    EXPECT_EQ(gSaveBlock.newProfile, 0);
    Open();
    driver_.PointAt(*screen_->slotButtons[0]);
    EXPECT_EQ(driver_.Click(), CONTROL_RESULT_ACCEPT);
    EXPECT_EQ(gSaveBlock.currentUser, 1);
    Open();
    driver_.PointAt(*screen_->quitButton);
    driver_.Frame();
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
}

TEST_F(Profiles, AConfirmedDeletionResetsTheRecordAndSelectsSlotZero) {
    SetProfiles({u"b", u"A", u"a"}, 0);
    gSaveBlock.users[0].runningScore = 900;
    Open();
    ASSERT_EQ(screen_->selectedSlot, 2); // b
    driver_.Tap(KEY_DELETE);
    ASSERT_NE(screen_->deleteDialog, nullptr);
    EXPECT_EQ(std::u16string(screen_->deleteDialog->body->GetText()), u"Delete b?");
    EXPECT_EQ(driver_.Press(KEY_RETURN), CONTROL_RESULT_KEEP);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(screen_->inputBlocked, 1);
    driver_.Release(KEY_RETURN);
    EXPECT_EQ(NameOf(0), u"");
    EXPECT_EQ(gSaveBlock.users[0].runningScore, 0);
    EXPECT_EQ(gSaveBlock.users[0].Difficulty, 1);
    EXPECT_EQ(screen_->selectedSlot, 0);
    EXPECT_EQ(Slots(), (Names{u"A", u"a", u"Free"}));
    // Cancelled: nothing changes.
    driver_.Tap(KEY_DELETE);
    ASSERT_NE(screen_->deleteDialog, nullptr);
    driver_.Tap(KEY_ESCAPE);
    EXPECT_EQ(screen_->deleteDialog, nullptr);
    EXPECT_EQ(NameOf(1), u"A");
}

TEST_F(Profiles, TheVeilIsFixedAnOpenDialogIsDrawnAloneAndDeletedWithTheScreen) {
    gConfig.screenWidth = 1024;
    Open();
    screen_->SetFramed();
    driver_.Tap(KEY_RETURN);
    ASSERT_NE(screen_->newDialog, nullptr);
    Image* frame = screen_->framePictures[0];
    DrawCapture capture;
    EXPECT_EQ(screen_->Draw(), 1);
    ASSERT_GE(capture.size(), 1u);
    const SpriteRecord& veil = capture[0].record;
    EXPECT_EQ(capture[0].kind, CAPTURED_FILL);
    EXPECT_EQ(std::make_pair(veil.width, veil.height), std::make_pair(800, 600));
    EXPECT_EQ(veil.colour, USER_SELECT_VEIL);
    ASSERT_EQ(capture.SpritesOf(frame).size(), 1u);
    EXPECT_EQ(capture.FirstSpriteOf(frame)->record.y, screen_->newDialog->y);
    Image* slotSkin = screen_->slotButtons[0]->skins[BUTTON_SKIN_SELECTED].leftCap;
    EXPECT_EQ(capture.FirstSpriteOf(slotSkin), nullptr);
    screen_.reset(); // the leak checker sees a dialog left behind
}

TEST_F(Profiles, NamesThatLookLikeTagsShowTheirCharactersInTheSlotsAndTheDeleteQuestion) {
    SetProfiles({u"<Font+99>", u"a<b", u"<"}, 0);
    Open();
    Names shown;
    for (const CSButton* slot : screen_->slotButtons)
        shown.push_back(ShownText(slot->label));
    EXPECT_EQ(shown, (Names{u"<", u"<Font+99>", u"a<b"}));
    driver_.Tap(KEY_DELETE);
    ASSERT_NE(screen_->deleteDialog, nullptr);
    EXPECT_EQ(ShownText(screen_->deleteDialog->body), u"Delete <Font+99>?");
    // The format's own tags still act.
    CUserDelete dialog;
    dialog.texts[0] = u"<AlRight+0>Delete %s?";
    dialog.SetName(u"<PosX+9>");
    EXPECT_TRUE(dialog.body->GetGlyph(0)->IsAlignment());
    EXPECT_EQ(ShownText(dialog.body), u"Delete <PosX+9>?");
}

// ---- the delete question ----------------------------------------------------------

TEST_F(Profiles, TheDeleteQuestionAnswersOnceWithOneClick) {
    enum Target { kAccept, kCancel, kBeside };
    const struct {
        Target at;
        bool click;
        int32_t key;
        int32_t result;
    } rows[] = {
        {kCancel, false, KEY_RETURN, CONTROL_RESULT_ACCEPT}, // keys answer anywhere
        {kCancel, false, KEY_SPACE, CONTROL_RESULT_ACCEPT},
        {kAccept, false, KEY_ESCAPE, CONTROL_RESULT_CLOSE},
        {kAccept, true, 0, CONTROL_RESULT_ACCEPT},
        {kCancel, true, 0, CONTROL_RESULT_CLOSE},
        {kBeside, true, 0, CONTROL_RESULT_KEEP},
        {kAccept, true, KEY_ESCAPE, CONTROL_RESULT_ACCEPT}, // on the click's release
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at << " key " << row.key);
        CUserDelete dialog;
        driver_.Use(&dialog);
        if (row.at == kBeside)
            driver_.Point(dialog.x + 5, dialog.y + 5);
        else
            driver_.PointAt(row.at == kAccept ? *dialog.acceptButton : *dialog.cancelButton);
        driver_.Frame();
        sounds_.plays.clear();
        if (row.click) {
            driver_.SetButtons(1);
            driver_.Frame();
            driver_.SetButtons(0);
        }
        EXPECT_EQ(row.key != 0 ? driver_.Tap(row.key) : driver_.Frame(), row.result);
        EXPECT_EQ(Clicks(), row.result == CONTROL_RESULT_KEEP ? 0 : 1);
    }
}

TEST_F(Profiles, TheDeleteQuestionShowsItsFormatBeforeANameAndTheNameAsItIs) {
    CUserDelete dialog;
    EXPECT_EQ(std::u16string(dialog.body->GetText()), u"Delete ?");
    dialog.SetName(u"\u0444%d");
    EXPECT_EQ(std::u16string(dialog.body->GetText()), u"Delete \u0444%d?");
}

// ---- the name entry -----------------------------------------------------------------

TEST_F(Profiles, NameEntryKeysTypeTheirCharactersShiftTakingEffectTheNextFrame) {
    OpenNameEntry();
    const struct {
        bool shift;
        std::vector<int32_t> keys;
        std::u16string typed;
    } cases[] = {
        {false, {'q', 'w', 'e'}, u"\u0439\u0446\u0443"},
        {true, {'q', 'w', 'e'}, u"\u0419\u0426\u0423"},
        {false, {'1', '0'}, u"10"},
        {true, {'1', '0'}, u"!)"},
        {false, {',', '.', ';', '\'', '[', ']', ' '}, u"\u0431\u044E\u0436\u044D\u0445\u044A "},
        {false, {KEY_RETURN - 1, 256, 271, '-', '/', '`', 'A'}, u""},
    };
    for (const auto& c : cases) {
        entry_->nameField->SetEditText(u"");
        if (c.shift)
            driver_.Press(KEY_LEFT_SHIFT);
        driver_.Type(c.keys);
        if (c.shift)
            driver_.Release(KEY_LEFT_SHIFT);
        EXPECT_EQ(Name(), c.typed) << c.keys[0];
        EXPECT_EQ(gShiftHeld, 0);
    }
    // Both tables know the same 43 keys.
    int32_t known = 0;
    for (int32_t key = 0; key < KEY_CHAR_MAP_SIZE; ++key) {
        EXPECT_EQ(kNameKeysLower.units[key] != 0, kNameKeysUpper.units[key] != 0) << key;
        known += kNameKeysLower.units[key] != 0 ? 1 : 0;
    }
    EXPECT_EQ(known, 43);
}

TEST_F(Profiles, NameEntryTakesElevenCharactersAndItsOkCaptionFollowsTheText) {
    OpenNameEntry();
    EXPECT_EQ(ButtonLabel(entry_->okButton), u"Back");
    driver_.Type(std::vector<int32_t>(12, 'f'));
    EXPECT_EQ(Name(), std::u16string(11, u'\u0430'));
    EXPECT_EQ(ButtonLabel(entry_->okButton), u"OK");
    driver_.Type(std::vector<int32_t>(11, KEY_BACKSPACE));
    EXPECT_EQ(Name(), u"");
    EXPECT_EQ(ButtonLabel(entry_->okButton), u"Back");
}

TEST_F(Profiles, NameEntryEscapeDoesNothingReturnSpaceOrOkConfirm) {
    OpenNameEntry();
    EXPECT_EQ(driver_.Tap(KEY_ESCAPE), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Clicks(), 0);
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(driver_.Tap(KEY_SPACE), CONTROL_RESULT_CLOSE);
    driver_.PointAt(*entry_->okButton);
    EXPECT_EQ(driver_.Click(), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(Clicks(), 3);
    // A name that differs only in case is no taken name.
    SetProfiles({u"\u0424"}, 0);
    driver_.Tap('a');
    EXPECT_EQ(entry_->NameExists(), -2);
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
}

TEST_F(Profiles, NameEntryTakenNameOpensAMessageClosedByItsKeysOrButtonOnly) {
    OpenNameEntry();
    SetProfiles({u"", u"\u0444\u044B"}, 0);
    driver_.Type({'a', 's'});
    EXPECT_EQ(driver_.Tap(KEY_RETURN), CONTROL_RESULT_KEEP);
    ASSERT_NE(entry_->messageBox, nullptr);
    EXPECT_EQ(std::u16string(entry_->messageBox->body->GetText()), u"\u0444\u044B is taken");
    EXPECT_EQ(Clicks(), 1);
    for (int32_t how : {0, KEY_ESCAPE, KEY_RETURN, KEY_SPACE, 1}) { // 0 beside, 1 its button
        if (entry_->messageBox == nullptr)
            driver_.Tap(KEY_RETURN);
        ASSERT_NE(entry_->messageBox, nullptr);
        sounds_.plays.clear();
        if (how <= 1) {
            if (how == 0)
                driver_.Point(entry_->x + 5, entry_->y + 5);
            else
                driver_.PointAt(*entry_->messageBox->button);
        }
        EXPECT_EQ(how <= 1 ? driver_.Click() : driver_.Tap(how), CONTROL_RESULT_KEEP);
        EXPECT_EQ(entry_->messageBox == nullptr, how != 0) << how;
        EXPECT_EQ(Clicks(), how != 0 ? 1 : 0) << how;
        EXPECT_EQ(Name().substr(0, 2), u"\u0444\u044B") << how;
    }
}

} // namespace
