// Drawing whole pictures and tiled runs of a picture to the screen, as the
// buttons, scrollbars and the cursor do.
#pragma once

#include <cstdint>

struct Image;

// The whole picture at (x, y), no flags; nothing for a null picture.
void DrawPictureAt(Image* picture, int32_t x, int32_t y);
// The top-left w x h of the picture at (x, y); nothing unless both are
// positive.
void DrawPicturePart(Image* picture, int32_t x, int32_t y, int32_t w, int32_t h);
// Whole tiles from `left` towards `right` at height y, the last one cut to
// fit; nothing when there is no room or the tile has no width.
void DrawTiles(Image* tile, int32_t left, int32_t right, int32_t y);
int32_t PictureWidth(const Image* picture);
int32_t PictureHeight(const Image* picture);
// Item `item` of a catalogue group as a picture: null when the group has no
// such item or the entry is not a PNG. A raw buffer or a sound handle taken
// for an image would be read as one.
Image* GetPictureItem(uint32_t group, int32_t item);
