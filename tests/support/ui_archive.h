// The toolkit's test archive: cursor, scrollbar and button skin picture
// groups, the eight font groups, text items and deliberately broken fonts,
// laid out as the catalogue reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sample/archive_builder.h"
#include "tools/sample/font_writer.h"
#include "tools/sample/png_writer.h"

constexpr uint32_t UI_GROUP_CURSOR = 8;
constexpr uint32_t UI_GROUP_VSCROLL = 14;
constexpr uint32_t UI_GROUP_HSCROLL = 15;
constexpr uint32_t UI_GROUP_SKIN = 16;
constexpr uint32_t UI_GROUP_PROFILE_SKIN = 17;
constexpr uint32_t UI_GROUP_FIRST_FONT = 36; // fonts 58..65 in slots 0..7
constexpr uint32_t UI_GROUP_TEXTS = 44;
// Broken fonts, one group each, in this order.
enum UiBrokenFont : uint32_t {
    UI_FONT_TABLE_10 = 45,
    UI_FONT_TABLE_13,
    UI_FONT_TABLE_14,
    UI_FONT_TABLE_17,
    UI_FONT_TABLE_18, // one glyph: loads
    UI_FONT_TRAILING_4,
    UI_FONT_NO_PICTURE,
    UI_FONT_RAW_PICTURE,
    UI_FONT_DUPLICATE, // code 'a' twice: the later record wins
    UI_GROUP_COUNT
};

// The texts of group 44, as stored (UTF-16LE, no terminator).
std::vector<std::u16string> UiArchiveTexts();

struct UiArchiveOptions {
    int32_t cursorCount = 5;          // item 0's number
    uint32_t cursorItems = 6;         // items of group 8, item 0 included
    uint32_t cursorHeaderBytes = 4;   // size of item 0
    uint32_t verticalScrollItems = 2; // items of group 14
    // The pictures of the cursor, scrollbar and skin groups stored as raw
    // entries: the same bytes under a type that is not a picture.
    bool rawPictures = false;
};

// Picture sizes: cursor pointers 66x56, spark 8x8; vertical track 16x300,
// thumb 16x24; horizontal ends 12x16, tile 20x16, thumb 24x16; skin caps
// 10x30, tile 20x30; the profile skin caps 14x40, tile 30x40.
CatalogueBuilder MakeUiCatalogue(const UiArchiveOptions& options = {});

// The opaque colour of a generated picture, by group and item.
uint32_t UiPictureColour(uint32_t group, uint32_t item);
