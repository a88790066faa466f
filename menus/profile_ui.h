// Pieces shared by the profile screens (the user selection, the name entry
// and their two confirmations): their text groups and the body and title
// placement every one of their dialogs uses. Texts and the click come from
// the menus' shared dialog parts.
#pragma once

#include <cstdint>
#include <string>

#include "menus/dialog_parts.h"

class CText;

// Text groups of the profile screens.
constexpr uint32_t PROFILE_TEXT_SELECT = 26;
constexpr uint32_t PROFILE_TEXT_NEW = 25;
constexpr uint32_t PROFILE_TEXT_DELETE = 27;
constexpr uint32_t PROFILE_TEXT_EXISTS = 28;
// The profile slots' button skin.
constexpr uint32_t PROFILE_SLOT_SKIN_GROUP = 17;

// A text in font `slot` with no indent and no extra line spacing.
CText* NewProfileText(int32_t slot);
// The message body (wrapped, centred, clipped under the title) and the
// title (centred at the top) of a dialog at (x, y) of w x h.
void LayoutProfileTexts(CText* body, CText* title, int32_t x, int32_t y, int32_t w, int32_t h);
// Where the body stands once the dialog takes input.
void PlaceProfileBody(CText* body, int32_t x, int32_t y);
// The title alone, as the user selection shows it.
void LayoutProfileTitle(CText* title, int32_t x, int32_t y, int32_t w);
