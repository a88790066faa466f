// What the dialogs over a paused game share (the pause menu, the help page
// and the end-of-level tally): the title and the text column laid out alike
// inside the frame, a click counted on the release over a button, the
// scrolled column and the doubled draw. Texts and the click sound come from
// menus/dialog_parts.h.
#pragma once

#include <cstdint>

class CBaseMenu;
class CControl;
class CSButton;
class CText;

// Every button of these dialogs is this wide.
constexpr int32_t DIALOG_BUTTON_WIDTH = 270;
// The text column starts this far below the dialog's top...
constexpr int32_t DIALOG_COLUMN_TOP = 128;
// ...and shows the dialog's height less this.
constexpr int32_t DIALOG_COLUMN_MARGIN = 225;

// The title: font 1, centred across the dialog near its top.
CText* NewDialogTitle(const CBaseMenu& menu);
// A text column in font 0 with the given alignment, wrapped and clipped to
// the frame's inner area, at its unscrolled place.
CText* NewDialogColumn(const CBaseMenu& menu, int32_t align);
// Puts the column where the scrollbar's position says.
void ScrollDialogColumn(const CBaseMenu& menu, CText* column);
// Creates the vertical scrollbar (once, selected) when `textHeight` is taller
// than the column shows, and sets its steps by how much is hidden.
void ShowDialogScrollbar(CBaseMenu* menu, int32_t textHeight);
// The button row: `rowX` left, near the dialog's bottom.
void PlaceDialogButton(const CBaseMenu& menu, CSButton* button, int32_t rowX);

// The left button went up this frame (by `owner`'s edges, which ignore
// input while it is blocked) with the mouse over `button`.
bool LeftReleasedOverButton(const CControl& owner, const CControl* button);
// The frame, the children and the cursor, then the children and the cursor
// once more. 1.
int32_t DrawDialogTwice(CBaseMenu* menu);
