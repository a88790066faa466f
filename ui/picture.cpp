#include "ui/picture.h"

#include <algorithm>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "graphics/image.h"

static void DrawRecord(Image* picture, int32_t x, int32_t y, int32_t w, int32_t h) {
    SpriteRecord record;
    record.source = picture;
    record.transform = nullptr;
    InitSpriteRecord(&record, gScreenTarget);
    record.x = x;
    record.y = y;
    record.width = w;
    record.height = h;
    DrawSprite(&record);
}

void DrawPictureAt(Image* picture, int32_t x, int32_t y) {
    if (picture != nullptr)
        DrawRecord(picture, x, y, -1, -1);
}

void DrawPicturePart(Image* picture, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (picture != nullptr && w > 0 && h > 0)
        DrawRecord(picture, x, y, w, h);
}

void DrawTiles(Image* tile, int32_t left, int32_t right, int32_t y) {
    int32_t tileWidth = PictureWidth(tile);
    if (tileWidth <= 0)
        return;
    // A width of 0 or less would mean "the whole tile" to the renderer.
    for (int64_t cursor = left; cursor < right; cursor += tileWidth) {
        int32_t w = static_cast<int32_t>(std::min<int64_t>(tileWidth, right - cursor));
        DrawRecord(tile, static_cast<int32_t>(cursor), y, w, -1);
        if (w < tileWidth)
            break;
    }
}

int32_t PictureWidth(const Image* picture) {
    return picture != nullptr ? picture->width : 0;
}

int32_t PictureHeight(const Image* picture) {
    return picture != nullptr ? picture->height : 0;
}

Image* GetPictureItem(uint32_t group, int32_t item) {
    if (item < 0 || static_cast<uint32_t>(item) >= GetGroupSize(&gResourceCatalogue, group))
        return nullptr;
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, group, item);
    if (GetEntryType(gResourceCatalogue.archive, entry) != RES_TYPE_PNG)
        return nullptr;
    return GetResourceImage(&gResourceCatalogue, group, item);
}
