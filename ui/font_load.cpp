// Loading fonts from the resource archive: item 0 of the font's group is the
// glyph table, item 1 the font image.
#include "ui/font.h"

#include "engine/catalogue.h"
#include "engine/resource_stream.h"

// The catalogue group of a font's resource number, or -1 when the number
// names no group.
static int64_t FontGroup(int32_t number) {
    int64_t group = static_cast<int64_t>(number) - RESOURCE_NUMBER_BASE;
    if (group < 0 || group >= gResourceCatalogue.groupCount)
        return -1;
    return group;
}

static uint32_t ReadFromStream(void* context, uint8_t* buffer, uint32_t count) {
    return ReadResourceStream(static_cast<ResourceStream*>(context), buffer,
                              static_cast<int32_t>(count));
}

CFont::CFont(int32_t number) {
    if (Load(number) == 0)
        return;
    // Item 1 must be there and be a picture: anything else used as an image
    // would be read as one.
    uint32_t group = static_cast<uint32_t>(FontGroup(number));
    if (GetGroupSize(&gResourceCatalogue, group) < 2)
        return;
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, group, 1);
    if (GetEntryType(gResourceCatalogue.archive, entry) != RES_TYPE_PNG)
        return;
    image_ = GetResourceImage(&gResourceCatalogue, group, 1);
    loaded_ = image_ != nullptr ? 1 : 0;
}

int32_t CFont::Load(int32_t number) {
    int64_t group = FontGroup(number);
    if (group < 0 || GetGroupSize(&gResourceCatalogue, static_cast<uint32_t>(group)) < 1)
        return 0;
    ResourceArchive* archive = gResourceCatalogue.archive;
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, static_cast<uint32_t>(group), 0);
    uint32_t size = GetEntrySize(archive, entry);
    ResourceStream stream;
    if (OpenResourceStream(archive, &stream, entry) == 0)
        return 0;
    int32_t result = LoadTable(ReadFromStream, &stream, size);
    CloseResourceStream(&stream);
    return result;
}
