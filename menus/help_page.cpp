#include "menus/help_page.h"

#include <cstdlib>
#include <string>

#include "engine/catalogue.h"
#include "engine/config.h"
#include "menus/dialog_parts.h"
#include "menus/play_dialog.h"
#include "ui/button.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"

namespace {

enum HelpText : uint32_t {
    HELP_TEXT_TITLE = 0,
    HELP_TEXT_OK = 1,
};

// Level 1 is the front end; the help groups start with level 2.
constexpr int32_t kFirstHelpLevel = 2;
// The level before any load.
constexpr int32_t kNoLevel = -1;

int32_t CurrentLevel() {
    GameWorld* world = DialogPlayWorld();
    return world != nullptr ? world->currentLevel : kNoLevel;
}

// Items of help group `group`; a group the catalogue does not have holds
// none.
uint32_t PagesOf(const ResourceCatalogue* help, int64_t group) {
    if (group < 0 || group >= static_cast<int64_t>(help->groupCount))
        return 0;
    return GetGroupSize(help, static_cast<uint32_t>(group));
}

std::u16string HelpPageText(ResourceCatalogue* help, const HelpPageChoice& choice) {
    char16_t* units =
        LoadResourceText(help, static_cast<uint32_t>(choice.group) + RESOURCE_NUMBER_BASE,
                         static_cast<uint32_t>(choice.item));
    std::u16string text = units != nullptr ? std::u16string(units) : std::u16string();
    std::free(units);
    return text;
}

} // namespace

HelpPageChoice ChooseHelpPage(const ResourceCatalogue* help, int32_t level, int32_t page) {
    int64_t group = static_cast<int64_t>(level) - kFirstHelpLevel;
    uint32_t pages = PagesOf(help, group);
    HelpPageChoice choice{0, 0};
    // Compared unsigned: a negative page is past the end too.
    if (static_cast<uint32_t>(page) < pages) {
        choice.group = static_cast<int32_t>(group);
        choice.item = page;
        return choice;
    }
    if (pages != 0)
        choice.group = static_cast<int32_t>(group);
    // Group 0 without pages leaves the body empty instead of reading the
    // entry beside it.
    if (PagesOf(help, choice.group) == 0)
        choice.item = -1;
    return choice;
}

CGameStaticHelp::CGameStaticHelp(int32_t page) {
    height = gConfig.screenHeight - 100;
    x = CentredDialogX(width);
    y = 50;
    title = NewDialogTitle(*this);
    body = NewDialogColumn(*this, TEXT_ALIGN_CENTER);
    okButton = new CSButton();
    AddChild(title);
    AddChild(body);
    AddChild(okButton);
    PlaceDialogButton(*this, okButton, x + (width - DIALOG_BUTTON_WIDTH) / 2);
    mouseX = x + width - DIALOG_BUTTON_WIDTH;
    mouseY = y + height - 55;
    title->SetText(DialogText(HELP_TEXT_GROUP, HELP_TEXT_TITLE).c_str());
    okButton->SetLabel(DialogText(HELP_TEXT_GROUP, HELP_TEXT_OK).c_str());
    LoadPage(page);
    ShowDialogScrollbar(this, body->GetTextHeight());
    delay = HELP_INPUT_DELAY;
}

// The help catalogue lives only while the page is read from it.
void CGameStaticHelp::LoadPage(int32_t page) {
    ResourceCatalogue help{};
    CacheTable helpCache{};
    BuildResourceCatalogue(&help, &gResourceArchive, &helpCache, nullptr,
                           HELP_CATALOGUE_ROOT_ENTRY);
    HelpPageChoice choice = ChooseHelpPage(&help, CurrentLevel(), page);
    if (choice.item >= 0)
        body->SetText(HelpPageText(&help, choice).c_str());
    UnloadCatalogue(&help);
    CacheTableFree(&helpCache);
}

int32_t CGameStaticHelp::Draw() {
    return DrawDialogTwice(this);
}

// Escape and Return close also during the delay, on their press or release.
int32_t CGameStaticHelp::DecideByKeysAndClick() const {
    if (delay == 0 && HasKeyEdge(1) != 0)
        return CONTROL_RESULT_CLOSE;
    if (keyEdges[KEY_ESCAPE] != 0 || keyEdges[KEY_RETURN] != 0)
        return CONTROL_RESULT_CLOSE;
    if (LeftReleasedOverButton(*this, okButton))
        return CONTROL_RESULT_CLOSE;
    return CONTROL_RESULT_KEEP;
}

// Space pages down a long text and closes only at its end.
int32_t CGameStaticHelp::DecideBySpace() const {
    if (delay != 0)
        return CONTROL_RESULT_KEEP;
    if (scrollbar == nullptr || scrollbar->GetPosition() == 1.0f)
        return CONTROL_RESULT_CLOSE;
    return CONTROL_RESULT_KEEP;
}

int32_t CGameStaticHelp::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                     const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    DispatchInput();
    if (delay > 0)
        delay -= 1;
    int32_t result = keyEdges[KEY_SPACE] == 0 ? DecideByKeysAndClick() : DecideBySpace();
    if (scrollbar != nullptr)
        scrollbar->HandleInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ScrollDialogColumn(*this, body);
    if (scrollbar != nullptr && scrollbar->IsKeyScrolling() != 0) {
        scrollbar->GetThumbCenter(&mouseX, &mouseY);
        return CONTROL_RESULT_CURSOR_MOVED;
    }
    if (result == CONTROL_RESULT_CLOSE)
        PlayDialogClick();
    return result;
}
