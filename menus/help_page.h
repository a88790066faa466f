// The per-level help page that a help object opens during play: a title,
// one page of the level's help with a scrollbar when it is long, and an OK
// button. For its first 40 frames a plain key does not close it, so the
// keys the player was holding in play do not dismiss it at once.
#pragma once

#include <cstdint>

#include "menus/base_menu.h"

class CText;
class CSButton;
struct ResourceCatalogue;

// The help catalogue's root: its group g holds the pages of level g + 2,
// one text item per page.
constexpr uint32_t HELP_CATALOGUE_ROOT_ENTRY = 56;
constexpr uint32_t HELP_TEXT_GROUP = 32;
constexpr int32_t HELP_INPUT_DELAY = 40;

// The page a level shows: `group` and `item` of the help catalogue, or an
// item of -1 for an empty body. A page past the level's pages shows its
// first; a level without pages (also one outside the catalogue) shows the
// first page of group 0.
struct HelpPageChoice {
    int32_t group;
    int32_t item;
};
HelpPageChoice ChooseHelpPage(const ResourceCatalogue* help, int32_t level, int32_t page);

class CGameStaticHelp : public CBaseMenu {
public:
    explicit CGameStaticHelp(int32_t page);

    // The children and the cursor are drawn twice a frame. 1.
    int32_t Draw() override;
    // CONTROL_RESULT_KEEP, CONTROL_RESULT_CLOSE, or
    // CONTROL_RESULT_CURSOR_MOVED while a scroll key is held.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    // Children, owned through the child list.
    CText* title;
    CText* body;
    CSButton* okButton;
    // Frames left in which a plain key press does not close the page.
    int32_t delay = HELP_INPUT_DELAY;

private:
    void LoadPage(int32_t page);
    int32_t DecideByKeysAndClick() const;
    int32_t DecideBySpace() const;
};
