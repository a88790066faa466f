// The pictures of the sample's front end, drawn from code: the mouse
// pointer, the main menu and the opening picture, the dialog frame,
// scrollbar and button skins, the level map with its layout, the movies'
// frames, and the level editor's pointer, cell frame and code icons. Each
// function returns a PNG file unless it says otherwise.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/sample/sample_media.h"

namespace sample {

using Png = std::vector<uint8_t>;

// The menus' pointer: frame k of `frames`, 66 x 56 with its tip at (33, 28)
// where the mouse is; and the spark its trail is made of.
Png CursorFrame(int32_t k, int32_t frames);
Png CursorSpark();

// The main menu: its 800 x 600 background and the button of choice k
// (0..6: new game, continue, hiscores, options, how to play, change
// player, back to the game), 260 x 44.
Png MainMenuBackground();
Png MainMenuButton(int32_t k, bool selected);
constexpr int32_t kMainMenuChoices = 7;

// Shown after the opening movies, 800 x 600.
Png OpeningPicture();

// Every dialog's frame: the body (its width is the dialogs' width) and the
// bottom edge drawn over the body's foot.
Png DialogBody(int32_t width, int32_t height);
Png DialogBottom(int32_t width, int32_t height);

// Vertical scrollbar: track, thumb. Horizontal: left end, right end,
// middle tile, thumb.
std::vector<Png> VerticalScrollbar();
std::vector<Png> HorizontalScrollbar();
// A button skin: left cap, right cap, middle tile. The profile skin marks
// the chosen profile slot.
std::vector<Png> ButtonSkin(bool profile);

// The level map: picture j (0..25) and the layout records that place the
// buttons and the reached-place flags.
constexpr int32_t kMapPictureCount = 26;
constexpr int32_t kMapButtonCount = 9;
constexpr int32_t kMapRecordCount = 18;
Png MapPicture(int32_t index);
std::vector<uint8_t> MapLayout();
// Floats over the map's chosen button; and the rope picture of a swinging
// level object.
Png MapMarker();
Png RopePicture();

// Frame `frame` of movie `item`: 0 and 1 the opening, 2 the intro, 3 the
// ending.
Canvas MovieFrame(int32_t item, int32_t frame, int32_t frames, int32_t width, int32_t height);

// The level editor's pointer (its tip at the top left), its cell frame
// (32 x 32) and the icon of a layer-3 code, 16 x 16.
Png EditorPointer();
Png EditorCellFrame();
Png EditorIcon(uint8_t code);

} // namespace sample
