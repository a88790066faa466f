#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "menus/key_char_map.h"
#include "menus/user_confirm.h"
#include "menus/user_new.h"
#include "tests/menus/profile_screens.h"
#include "ui/button.h"

namespace {

std::u16string Label(const CSButton* button) {
    const char16_t* text = button->GetLabelText();
    return text != nullptr ? std::u16string(text) : std::u16string();
}

class UserNewTest : public ProfileScreenTest {
protected:
    void SetUp() override {
        ProfileScreenTest::SetUp();
        dialog_ = std::make_unique<CUserNew>();
        driver_ = std::make_unique<MenuDriver>(&platform_, dialog_.get());
        driver_->Frame();
    }
    std::u16string Name() { return dialog_->GetName(); }

    std::unique_ptr<CUserNew> dialog_;
    std::unique_ptr<MenuDriver> driver_;
};

struct TypingCase {
    const char* what;
    bool shift;
    std::vector<int32_t> keys;
    std::u16string typed;
};

TEST_F(UserNewTest, KeysTypeTheirCharactersAndShiftTakesEffectTheNextFrame) {
    const TypingCase cases[] = {
        {"letters", false, {'q', 'w', 'e'}, u"\u0439\u0446\u0443"},
        {"capitals", true, {'q', 'w', 'e'}, u"\u0419\u0426\u0423"},
        {"digit", false, {'1', '0'}, u"10"},
        {"symbol", true, {'1', '0'}, u"!)"},
        {"punctuation",
         false,
         {',', '.', ';', '\'', '[', ']', ' '},
         u"\u0431\u044E\u0436\u044D\u0445\u044A "},
        {"types nothing", false, {KEY_RETURN - 1, 256, 271, '-', '/', '`', 'A'}, u""},
    };
    for (const TypingCase& c : cases) {
        dialog_->nameField->SetEditText(u"");
        if (c.shift) {
            platform_.SetKey(KEY_LEFT_SHIFT, true);
            driver_->Frame();
        }
        driver_->Type(c.keys);
        if (c.shift) {
            platform_.SetKey(KEY_LEFT_SHIFT, false);
            driver_->Frame();
            driver_->Frame();
        }
        EXPECT_EQ(Name(), c.typed) << c.what;
        EXPECT_EQ(gShiftHeld, 0) << c.what;
    }
}

TEST_F(UserNewTest, TheTwoTablesHoldTheSameFortyThreeKeys) {
    int32_t lower = 0, upper = 0;
    for (int32_t key = 0; key < KEY_CHAR_MAP_SIZE; ++key) {
        lower += kNameKeysLower.units[key] != 0 ? 1 : 0;
        upper += kNameKeysUpper.units[key] != 0 ? 1 : 0;
        EXPECT_EQ(kNameKeysLower.units[key] != 0, kNameKeysUpper.units[key] != 0) << key;
    }
    EXPECT_EQ(lower, 43);
    EXPECT_EQ(upper, 43);
    EXPECT_EQ(kNameKeysLower.units['z'], u'\u044F');
    EXPECT_EQ(kNameKeysUpper.units['6'], u'^');
}

TEST_F(UserNewTest, AShiftReleasedBetweenNameEntriesStaysHeldUntilTheNextRelease) {
    platform_.SetKey(KEY_RIGHT_SHIFT, true);
    driver_->Frame();
    EXPECT_EQ(gShiftHeld, 1);
    dialog_ = std::make_unique<CUserNew>();
    driver_ = std::make_unique<MenuDriver>(&platform_, dialog_.get());
    platform_.SetKey(KEY_RIGHT_SHIFT, false);
    driver_->Frame();
    driver_->Tap('a');
    EXPECT_EQ(Name(), u"\u0424");
    driver_->Tap(KEY_LEFT_SHIFT);
    EXPECT_EQ(gShiftHeld, 0);
    driver_->Tap('a');
    EXPECT_EQ(Name(), u"\u0424\u0444");
}

TEST_F(UserNewTest, ElevenCharactersFitAndTheTwelfthIsRefused) {
    driver_->Type(std::vector<int32_t>(11, 'f'));
    EXPECT_EQ(Name(), std::u16string(11, u'\u0430'));
    driver_->Tap('g');
    EXPECT_EQ(Name(), std::u16string(11, u'\u0430'));
}

TEST_F(UserNewTest, TheOkCaptionFollowsWhetherANameIsTyped) {
    EXPECT_EQ(Label(dialog_->okButton), u"Back");
    driver_->Tap('a');
    EXPECT_EQ(Label(dialog_->okButton), u"OK");
    driver_->Tap(KEY_BACKSPACE);
    EXPECT_EQ(Name(), u"");
    EXPECT_EQ(Label(dialog_->okButton), u"Back");
}

TEST_F(UserNewTest, EscapeDoesNothingAndReturnSpaceOrOkConfirm) {
    EXPECT_EQ(driver_->Tap(KEY_ESCAPE), CONTROL_RESULT_KEEP);
    EXPECT_EQ(Clicks(), 0);
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(driver_->Tap(KEY_SPACE), CONTROL_RESULT_CLOSE);
    driver_->PointAt(*dialog_->okButton);
    EXPECT_EQ(driver_->Click(), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(Clicks(), 3);
}

TEST_F(UserNewTest, ATakenNameOpensTheMessageAndKeepsTheText) {
    SetProfiles({u"", u"\u0444\u044B"}, 0);
    driver_->Type({'a', 's'});
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_KEEP);
    ASSERT_NE(dialog_->messageBox, nullptr);
    EXPECT_EQ(std::u16string(dialog_->messageBox->body->GetText()), u"\u0444\u044B is taken");
    EXPECT_EQ(Name(), u"\u0444\u044B");
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(UserNewTest, ANameDifferingOnlyInCaseIsAccepted) {
    SetProfiles({u"\u0424"}, 0);
    driver_->Tap('a');
    EXPECT_EQ(driver_->Tap(KEY_RETURN), CONTROL_RESULT_CLOSE);
    EXPECT_EQ(dialog_->NameExists(), -2);
}

enum class Dismiss { kEscape, kReturn, kSpace, kButton, kElsewhere };

TEST_F(UserNewTest, TheMessageClosesOnEscapeReturnSpaceOrItsButtonOnly) {
    SetProfiles({u"\u0444"}, 0);
    driver_->Tap('a');
    for (Dismiss how : {Dismiss::kElsewhere, Dismiss::kEscape, Dismiss::kReturn, Dismiss::kSpace,
                        Dismiss::kButton}) {
        if (dialog_->messageBox == nullptr)
            driver_->Tap(KEY_RETURN);
        ASSERT_NE(dialog_->messageBox, nullptr);
        sounds_.plays.clear();
        int32_t result = 0;
        switch (how) {
        case Dismiss::kEscape:
            result = driver_->Tap(KEY_ESCAPE);
            break;
        case Dismiss::kReturn:
            result = driver_->Tap(KEY_RETURN);
            break;
        case Dismiss::kSpace:
            result = driver_->Tap(KEY_SPACE);
            break;
        case Dismiss::kButton:
            driver_->PointAt(*dialog_->messageBox->button);
            result = driver_->Click();
            break;
        case Dismiss::kElsewhere:
            driver_->Point(dialog_->x + 5, dialog_->y + 5);
            result = driver_->Click();
            break;
        }
        EXPECT_EQ(result, CONTROL_RESULT_KEEP);
        bool closes = how != Dismiss::kElsewhere;
        EXPECT_EQ(dialog_->messageBox == nullptr, closes) << static_cast<int>(how);
        EXPECT_EQ(Clicks(), closes ? 1 : 0) << static_cast<int>(how);
        EXPECT_EQ(Name().substr(0, 1), u"\u0444") << static_cast<int>(how);
    }
}

} // namespace
