#include "menus/options_menu.h"

#include <algorithm>

#include "engine/config.h"
#include "media/volume.h"
#include "menus/dialog_parts.h"
#include "menus/level_change.h"
#include "menus/save_file.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kButtonWidth = 300;
constexpr int32_t kOptionSteps = 2; // three positions
constexpr int32_t kKeyHoldDelay = 15;
constexpr int32_t kOptionNameItem = 5;
constexpr int32_t kOkCaptionItem = 4;
// The level where the option may change without restarting a game.
constexpr int32_t kFrontEndLevel = 1;

} // namespace

float VolumeToSliderPosition(int32_t volume) {
    return static_cast<float>(volume) * 0.0078125f;
}

int32_t SliderPositionToVolume(float position) {
    float volume = position * 128.0f;
    // Sliders keep 0..1; anything else (NaN too) is no volume to apply.
    if (!(volume > 0.0f))
        return 0;
    return volume < 128.0f ? static_cast<int32_t>(volume) : 128;
}

COptionsMenu::COptionsMenu() {
    height = gConfig.screenHeight - 60;
    x = CentredDialogX(width);
    y = 30;
    okButton = new CSButton();
    AddChild(okButton);
    okButton->SetGeometry(x + (width - kButtonWidth) / 2, y + height - 110, kButtonWidth);
    framed = 0;
    CreateSliders();
    CreateTexts();
    focus = OPTIONS_FOCUS_EFFECTS;
    confirmation = nullptr;
    restartFlag = nullptr;
}

COptionsMenu::~COptionsMenu() {
    // Still open when the dialog closes in the frame that opened it.
    delete confirmation;
    confirmation = nullptr;
}

void COptionsMenu::CreateSliders() {
    int32_t length = width - 200;
    effectsSlider = new CScrollbar(x + 100, y + 170, length, SCROLLBAR_HORIZONTAL);
    musicSlider = new CScrollbar(x + 100, y + 270, length, SCROLLBAR_HORIZONTAL);
    optionSlider = new CScrollbar(x + 100, y + 370, length, SCROLLBAR_HORIZONTAL);
    AddChild(effectsSlider);
    AddChild(musicSlider);
    AddChild(optionSlider);
    optionSlider->SetPositionCount(kOptionSteps);
    if (const UserRecord* user = CurrentUserRecord()) {
        effectsSlider->SetPosition(VolumeToSliderPosition(user->effectsVolume));
        musicSlider->SetPosition(VolumeToSliderPosition(user->musicVolume));
        optionSlider->SetPositionIndex(user->Difficulty);
    }
    effectsSlider->SetSteps(0.02f, 0.01f, kKeyHoldDelay);
    musicSlider->SetSteps(0.02f, 0.01f, kKeyHoldDelay);
    optionSlider->SetSteps(0.3f, 0.3f, kKeyHoldDelay);
}

void COptionsMenu::CreateTexts() {
    for (int32_t i = 0; i < 4; ++i) {
        CText* text = new CText();
        AddChild(text);
        std::u16string words = DialogText(OPTIONS_TEXT_GROUP, i);
        text->SetText(words.c_str());
        text->SetIndent(0);
        text->SetLineSpacing(0);
        // The title, then the captions above their sliders.
        int32_t top = i == 0 ? y + 34 : y + 20 + 100 * i;
        text->SetFont(i == 0 ? 1 : 0);
        text->SetWrap(width - 20, -1, TEXT_ALIGN_CENTER);
        text->SetClipRect(x, top, width - 20, 2048);
        text->SetScroll(x, i == 0 ? y + 35 : top);
        texts[i] = text;
    }
    okButton->SetLabel(DialogText(OPTIONS_TEXT_GROUP, kOkCaptionItem).c_str());
    valueText = new CText();
    valueText->SetFont(0);
    valueText->SetWrap(width - 20, -1, TEXT_ALIGN_CENTER);
    valueText->SetClipRect(x, y + 400, width - 20, 2048);
    valueText->SetScroll(x, y + 400);
    AddChild(valueText);
    for (int32_t i = 0; i < 3; ++i)
        optionNames[i] = DialogText(OPTIONS_TEXT_GROUP, kOptionNameItem + i);
}

CScrollbar* COptionsMenu::Slider(int32_t index) const {
    switch (index) {
    case OPTIONS_FOCUS_EFFECTS:
        return effectsSlider;
    case OPTIONS_FOCUS_MUSIC:
        return musicSlider;
    case OPTIONS_FOCUS_OPTION:
        return optionSlider;
    default:
        return nullptr;
    }
}

int32_t COptionsMenu::AnswerConfirmation(GameWorld* world) {
    int32_t answer = confirmation->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
    UserRecord* user = CurrentUserRecord();
    if (answer == CONTROL_RESULT_CLOSE) {
        if (user != nullptr)
            optionSlider->SetPositionIndex(user->Difficulty);
        delete confirmation;
        confirmation = nullptr;
    } else if (answer == CONTROL_RESULT_YES) {
        if (user != nullptr)
            user->Difficulty = optionSlider->GetPositionIndex();
        delete confirmation;
        confirmation = nullptr;
        SendDialogPlayMessage(PLAY_MSG_RESUME, 0);
        SendDialogPlayMessage(PLAY_MSG_GOTO_LEVEL, 1);
        if (world != nullptr)
            ClearTakenItems(world);
        if (restartFlag != nullptr)
            *restartFlag = 1;
    }
    BlockInput();
    return CONTROL_RESULT_KEEP;
}

void COptionsMenu::ApplyVolumes() {
    SetVolumes(SliderPositionToVolume(effectsSlider->GetPosition()),
               SliderPositionToVolume(musicSlider->GetPosition()));
}

// The stored option, so the text follows a change one frame later.
void COptionsMenu::ShowStoredOption() {
    const UserRecord* user = CurrentUserRecord();
    int32_t option = user != nullptr ? user->Difficulty : -1;
    const char16_t* name = option >= 0 && option < 3 ? optionNames[option].c_str() : u"";
    const char16_t* shown = valueText->GetText();
    // Setting the same text again would rebuild every glyph for nothing.
    if (shown == nullptr || std::u16string(shown) != name)
        valueText->SetText(name);
}

bool COptionsMenu::MoveFocus() {
    for (int32_t i = 0; i < OPTIONS_SLIDERS; ++i)
        Slider(i)->SetSelected(0);
    bool stepped = false;
    if (keyEdges[KEY_DOWN] == -1) {
        focus += 1;
        stepped = true;
    }
    if (keyEdges[KEY_UP] == -1) {
        focus -= 1;
        stepped = true;
    }
    focus = std::clamp(focus, 0, OPTIONS_SLIDERS - 1);
    bool moved = stepped;
    for (int32_t i = 0; i < OPTIONS_SLIDERS; ++i)
        moved = moved || Slider(i)->IsKeyScrolling() != 0;
    CScrollbar* focused = Slider(focus);
    focused->SetSelected(1);
    if (moved)
        focused->GetThumbCenter(&mouseX, &mouseY);
    return moved;
}

// Without a play task there is no game to restart: the level counts as 1.
void COptionsMenu::ApplyOption(GameWorld* world) {
    UserRecord* user = CurrentUserRecord();
    if (user == nullptr)
        return;
    int32_t level = world != nullptr ? world->currentLevel : kFrontEndLevel;
    int32_t index = optionSlider->GetPositionIndex();
    if (level == kFrontEndLevel) {
        user->Difficulty = index;
    } else if (index != user->Difficulty) {
        confirmation = new CLevelChange();
        confirmation->SetFramed();
        confirmation->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
    }
}

bool COptionsMenu::CloseRequested() const {
    if (keyEdges[KEY_ESCAPE] == 1 || keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1)
        return true;
    return buttonEdges[0] == -1 && okButton->IsHovered() != 0;
}

int32_t COptionsMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                  const uint8_t* inKeyStates, int32_t inKeyCount) {
    GameWorld* world = DialogPlayWorld();
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (confirmation != nullptr)
        return AnswerConfirmation(world);
    ProcessInputEdges();
    DispatchInput();
    ApplyVolumes();
    ShowStoredOption();
    bool moved = MoveFocus();
    ApplyOption(world);
    if (CloseRequested()) {
        PlayDialogClick();
        return CONTROL_RESULT_CLOSE;
    }
    return moved ? CONTROL_RESULT_CURSOR_MOVED : CONTROL_RESULT_KEEP;
}

int32_t COptionsMenu::Draw() {
    if (framed != 0) {
        if (confirmation != nullptr) {
            DrawFrame();
            confirmation->Draw();
        } else {
            DrawWithCursor();
        }
    } else {
        DrawChildren();
        if (confirmation != nullptr)
            confirmation->Draw();
        else
            cursor->Draw(mouseX, mouseY);
    }
    return 1;
}
