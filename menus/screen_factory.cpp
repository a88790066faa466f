#include "menus/screen_factory.h"

namespace {

// Until the screens land, the game's factory makes none.
class GameScreenFactory : public ScreenFactory {
public:
    CControl* NewSplash(int32_t, int32_t, int32_t) override { return nullptr; }
    CControl* NewMainMenu(int32_t) override { return nullptr; }
    int32_t MainMenuVariant(CControl*) override { return MENU_VARIANT_TITLE; }
    CControl* NewMiniMap(int32_t) override { return nullptr; }
    CControl* NewUserSelect() override { return nullptr; }
    void SetUserSelectFramed(CControl*) override {}
    CControl* NewPauseMenu() override { return nullptr; }
    CControl* NewHelp(int32_t) override { return nullptr; }
    CControl* NewTally(LevelStatusRecord*) override { return nullptr; }
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
