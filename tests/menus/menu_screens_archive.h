// The archive of the main menu and the dialogs it opens: the menu's
// pictures (group 9, one colour per item), the text page (19), the
// hiscores' texts (20), the options' texts (24) and the level-change
// question (29); plus a clean save block and the default configuration.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/config.h"
#include "menus/save_file.h"
#include "tests/menus/menu_fixture.h"

constexpr uint32_t kMenuButtonWidth = 100;
constexpr uint32_t kMenuButtonHeight = 40;

inline uint32_t MenuPictureColour(uint32_t item) {
    return 0xFF000000u | (item * 0x0F0D0Bu + 0x102030u);
}

struct MenuScreensOptions {
    uint32_t menuPictures = 15;
    std::u16string pageBody = u"A short page.";
};

inline std::u16string LongPageBody(int32_t lines) {
    std::u16string body;
    for (int32_t i = 0; i < lines; ++i)
        body += u"Line of the page\r";
    return body;
}

inline CatalogueBuilder MakeMenuScreensCatalogue(const MenuScreensOptions& options = {}) {
    CatalogueBuilder catalogue = MakeMenuCatalogue();
    for (uint32_t i = 0; i < options.menuPictures; ++i) {
        uint32_t w = i == 0 ? 80 : kMenuButtonWidth;
        uint32_t h = i == 0 ? 60 : kMenuButtonHeight;
        PutItem(&catalogue, 9, i, PlainEntry(RES_TYPE_PNG, SolidPng(w, h, MenuPictureColour(i))));
    }
    SetTextItems(&catalogue, 19, {options.pageBody, u"Page title", u"Close"});
    SetTextItems(&catalogue, 20, {u"Hiscores", u"Close"}, 1);
    SetTextItems(&catalogue, 24,
                 {u"Options", u"Effects", u"Music", u"Option", u"OK", u"Low", u"Mid", u"High"});
    SetTextItems(&catalogue, 29, {u"Restart?", u"Level change", u"Yes", u"No"});
    return catalogue;
}

// A fresh save block: three default profiles, the first current.
inline void ResetSaveBlockForTest() {
    std::memset(&gSaveBlock, 0, sizeof(gSaveBlock));
    for (UserRecord& user : gSaveBlock.users)
        ResetUserRecord(&user);
    gSaveBlock.currentUser = 0;
}

// The archive open, the configuration and the save block at their defaults,
// and the click sound loaded, so that recorders see the clicks only.
class MenuScreensArchive {
public:
    explicit MenuScreensArchive(const MenuScreensOptions& options = {})
        : archive_(MakeMenuScreensCatalogue(options)) {
        SetDefaultConfig(&gConfig);
        ResetSaveBlockForTest();
        if (archive_.ok())
            GetResource(&gResourceCatalogue, 48, 0);
    }
    ~MenuScreensArchive() { ResetSaveBlockForTest(); }
    bool ok() const { return archive_.ok(); }

private:
    MenuArchive archive_;
};
