// The options of the current profile: the effects and music volumes, applied
// live while their sliders move, and the three-step option. During a game
// off level 1 a change of that option restarts the game at level 1, once a
// CLevelChange has confirmed it; the main menu learns of it through its
// restart flag.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CLevelChange;
class CScrollbar;
class CSButton;
class CText;
struct GameWorld;

// Group 24: title, three slider captions, OK, the three option names.
constexpr uint32_t OPTIONS_TEXT_GROUP = 24;
constexpr int32_t OPTIONS_SLIDERS = 3;
constexpr int32_t OPTIONS_FOCUS_EFFECTS = 0;
constexpr int32_t OPTIONS_FOCUS_MUSIC = 1;
constexpr int32_t OPTIONS_FOCUS_OPTION = 2;

// A volume 0..128 as a slider position, and back (truncated).
float VolumeToSliderPosition(int32_t volume);
int32_t SliderPositionToVolume(float position);

class COptionsMenu : public CBaseMenu {
public:
    COptionsMenu();
    ~COptionsMenu() override;

    int32_t Draw() override;
    // -2 when done, -3 when the mouse was put on a slider's thumb, else -1.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;
    void SetFramed() { framed = 1; }
    // Where to write 1 after a confirmed change (not owned).
    void SetRestartFlag(int32_t* flag) { restartFlag = flag; }

    CScrollbar* Slider(int32_t index) const;
    CLevelChange* Confirmation() const { return confirmation; }

    int32_t framed = 0;
    CSButton* okButton = nullptr;
    CScrollbar* effectsSlider = nullptr;
    CScrollbar* musicSlider = nullptr;
    CScrollbar* optionSlider = nullptr;
    CText* texts[4] = {};
    CText* valueText = nullptr;
    std::u16string optionNames[3];
    int32_t focus = OPTIONS_FOCUS_EFFECTS;

private:
    void CreateSliders();
    void CreateTexts();
    int32_t AnswerConfirmation(GameWorld* world);
    void ApplyVolumes();
    void ShowStoredOption();
    bool MoveFocus();
    void ApplyOption(GameWorld* world);
    bool CloseRequested() const;

    CLevelChange* confirmation = nullptr; // not a child: it alone takes input
    int32_t* restartFlag = nullptr;
};
