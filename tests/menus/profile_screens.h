// Set-up of the profile screen tests: the texts of the four profile
// screens in the menu archive, an 800 x 600 screen, a save block of
// default records with chosen names, and a driver that steps a menu through
// the scripted platform frame by frame.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/config.h"
#include "menus/base_menu.h"
#include "menus/save_file.h"
#include "menus/user_new.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/scripted_platform.h"

inline CatalogueBuilder MakeProfileCatalogue() {
    CatalogueBuilder catalogue = MakeMenuCatalogue();
    SetTextItems(&catalogue, 25, {u"Type a name", u"New player", u"OK", u"Back"});
    SetTextItems(&catalogue, 26, {u"Who plays?", u"Delete", u"New", u"Play", u"Quit", u"Free"}, 1);
    SetTextItems(&catalogue, 27, {u"Delete %s?", u"Sure?", u"Yes", u"No"});
    SetTextItems(&catalogue, 28, {u"%s is taken", u"Taken", u"Back"});
    return catalogue;
}

// Records 0..2 named by `names` (empty: a free record), all else default.
inline void SetProfiles(const std::vector<std::u16string>& names, int32_t current = 0) {
    std::memset(&gSaveBlock, 0, sizeof(gSaveBlock));
    for (int32_t i = 0; i < SAVE_USER_COUNT; ++i) {
        ResetUserRecord(&gSaveBlock.users[i]);
        if (static_cast<size_t>(i) < names.size())
            names[static_cast<size_t>(i)].copy(gSaveBlock.users[i].name, SAVE_NAME_UNITS - 1);
    }
    gSaveBlock.currentUser = current;
}

// Steps one menu through Update with the platform's keys and a mouse that
// the test points at screen positions.
class MenuDriver {
public:
    MenuDriver(ScriptedPlatform* platform, CBaseMenu* menu) : platform_(platform), menu_(menu) {}

    int32_t Frame() {
        platform_->SetMouse(platformX_, platformY_, buttons_);
        return menu_->Update();
    }
    // The menu's pointer lands on (x, y) on the next frame.
    void Point(int32_t x, int32_t y) {
        platformX_ += x - menu_->mouseX;
        platformY_ += y - menu_->mouseY;
    }
    void PointAt(const CControl& control) {
        Point(control.x + control.width / 2, control.y + control.height / 2);
    }
    void SetButtons(uint8_t buttons) { buttons_ = buttons; }
    // Down for a frame: its result.
    int32_t Press(int32_t key) {
        platform_->SetKey(key, true);
        return Frame();
    }
    // Up, and idle until input counts again.
    void Release(int32_t key) {
        platform_->SetKey(key, false);
        Frame();
        Frame();
    }
    int32_t Tap(int32_t key) {
        int32_t result = Press(key);
        Release(key);
        return result;
    }
    void Type(const std::vector<int32_t>& keys) {
        for (int32_t key : keys)
            Tap(key);
    }
    // Press over the pointer, then the release's result.
    int32_t Click() {
        SetButtons(1);
        Frame();
        SetButtons(0);
        return Frame();
    }

private:
    ScriptedPlatform* platform_;
    CBaseMenu* menu_;
    int32_t platformX_ = 0, platformY_ = 0;
    uint8_t buttons_ = 0;
};

// Everything a profile screen needs for one test.
class ProfileScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(archive_.ok());
        savedConfig_ = gConfig;
        gConfig.screenWidth = 800;
        gConfig.screenHeight = 600;
        gShiftHeld = 0;
        SetProfiles({});
        // The first use of the click loads it, which the player sees as a
        // request of its own.
        GetResource(&gResourceCatalogue, 48, 0);
        sounds_.plays.clear();
    }
    void TearDown() override {
        gConfig = savedConfig_;
        gShiftHeld = 0;
    }
    int32_t Clicks() const { return sounds_.CountOf(48); }

    MenuArchive archive_{MakeProfileCatalogue()};
    ScriptedPlatform platform_;
    ScopedPlatform scopedPlatform_{&platform_};
    SoundRecorder sounds_;
    GameConfig savedConfig_{};
};
