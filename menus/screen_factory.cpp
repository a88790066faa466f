#include "menus/screen_factory.h"

#include "menus/help_page.h"
#include "menus/level_status.h"
#include "menus/main_menu.h"
#include "menus/mini_map_menu.h"
#include "menus/pause_menu.h"
#include "menus/splash.h"
#include "menus/user_select.h"

namespace {

class GameScreenFactory : public ScreenFactory {
public:
    CControl* NewSplash(int32_t screenId, int32_t item, int32_t mode) override {
        return new CSplash(screenId, item, mode);
    }
    CControl* NewMainMenu(int32_t variant) override { return new CMmenu(variant); }
    int32_t MainMenuVariant(CControl* mainMenu) override {
        return static_cast<CMmenu*>(mainMenu)->GetVariant();
    }
    CControl* NewMiniMap(int32_t maximum) override { return new CMiniMapMenu(maximum); }
    CControl* NewUserSelect() override { return new CUserSelect(); }
    void SetUserSelectFramed(CControl* userSelect) override {
        static_cast<CUserSelect*>(userSelect)->SetFramed();
    }
    CControl* NewPauseMenu() override { return new CGamePauseMenu(); }
    CControl* NewHelp(int32_t page) override { return new CGameStaticHelp(page); }
    CControl* NewTally(LevelStatusRecord* record) override { return new CLevelStatus(record); }
};

GameScreenFactory gGameScreenFactory;
ScreenFactory* gScreenFactory = nullptr;

} // namespace

ScreenFactory& GetScreenFactory() {
    return gScreenFactory != nullptr ? *gScreenFactory : gGameScreenFactory;
}

void SetScreenFactory(ScreenFactory* factory) {
    gScreenFactory = factory;
}
