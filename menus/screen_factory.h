// How the UI-flow task makes its screens. The game's factory builds the real
// screens; tests install one of fake screens with scripted results, so the
// flow's tables are checked without movies, pictures or fonts.
#pragma once

#include <cstdint>

class CControl;
struct LevelStatusRecord;

// Variants of the main menu.
constexpr int32_t MENU_VARIANT_NO_PROGRESS = -1;
constexpr int32_t MENU_VARIANT_TITLE = 0;
constexpr int32_t MENU_VARIANT_PAUSED = 1;
constexpr int32_t MENU_VARIANT_RESTARTED = 2;

// Splash modes.
constexpr int32_t SPLASH_MODE_MOVIE = 1;
constexpr int32_t SPLASH_MODE_PICTURE = 2;

class ScreenFactory {
public:
    virtual ~ScreenFactory() = default;
    virtual CControl* NewSplash(int32_t screenId, int32_t item, int32_t mode) = 0;
    virtual CControl* NewMainMenu(int32_t variant) = 0;
    // The variant the menu has now (the options can turn it into 2).
    virtual int32_t MainMenuVariant(CControl* mainMenu) = 0;
    virtual CControl* NewMiniMap(int32_t maximum) = 0;
    virtual CControl* NewUserSelect() = 0;
    virtual void SetUserSelectFramed(CControl* userSelect) = 0;
    virtual CControl* NewPauseMenu() = 0;
    virtual CControl* NewHelp(int32_t page) = 0;
    virtual CControl* NewTally(LevelStatusRecord* record) = 0;
};

// The factory in use: the game's own unless a test installed another.
ScreenFactory& GetScreenFactory();
// Installs `factory` (not owned); null restores the game's own.
void SetScreenFactory(ScreenFactory* factory);
