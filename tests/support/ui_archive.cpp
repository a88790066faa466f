#include "tests/support/ui_archive.h"

#include "tools/sample/png_writer.h"

static constexpr uint8_t kRawType = 0;
static constexpr uint8_t kPngType = 8;

uint32_t UiPictureColour(uint32_t group, uint32_t item) {
    uint32_t mixed = (group * 97u + item * 13u + 5u) * 0x45D9F3Bu;
    return 0xFF000000u | (mixed & 0xFFFFFFu);
}

namespace {
// Items go in by number; a gap before one is filled with a raw byte.
struct UiBuilder {
    CatalogueBuilder catalogue;
    std::vector<uint32_t> sizes;
};
} // namespace

static void Put(UiBuilder& b, uint32_t group, uint32_t item, ArchiveEntrySpec design) {
    while (b.sizes[group] < item) {
        b.catalogue.AddItem(group, PlainEntry(kRawType, {0}));
        ++b.sizes[group];
    }
    if (b.sizes[group] == item) {
        b.catalogue.AddItem(group, std::move(design));
        ++b.sizes[group];
    } else {
        b.catalogue.SetItem(group, item, std::move(design));
    }
}

static ArchiveEntrySpec Picture(uint32_t group, uint32_t item, uint32_t width, uint32_t height,
                                const UiArchiveOptions& o) {
    return PlainEntry(o.rawPictures ? kRawType : kPngType,
                      SolidPng(width, height, UiPictureColour(group, item)));
}

static std::vector<uint8_t> FontPng(const FontDesign& design) {
    FontPicture picture = DrawFontPicture(design);
    return ArgbPng(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                   picture.pixels);
}

static void AddFont(UiBuilder& b, uint32_t group, const FontDesign& design) {
    Put(b, group, 0, PlainEntry(kRawType, WriteFontTable(design)));
    Put(b, group, 1, PlainEntry(kPngType, FontPng(design)));
}

std::vector<std::u16string> UiArchiveTexts() {
    return {u"Hello", u"<AlCenter+0>Hello\rWorld", u"<Font+1>Big<Font-1> small"};
}

static void AddCursor(UiBuilder& b, const UiArchiveOptions& o) {
    if (o.cursorItems == 0) {
        Put(b, UI_GROUP_CURSOR, 0, PlainEntry(kRawType, {0}));
        return;
    }
    std::vector<uint8_t> header(o.cursorHeaderBytes, 0);
    for (uint32_t i = 0; i < o.cursorHeaderBytes && i < 4; ++i)
        header[i] = static_cast<uint8_t>(static_cast<uint32_t>(o.cursorCount) >> (8 * i));
    Put(b, UI_GROUP_CURSOR, 0, PlainEntry(kRawType, header));
    for (uint32_t item = 1; item + 1 < o.cursorItems; ++item)
        Put(b, UI_GROUP_CURSOR, item, Picture(UI_GROUP_CURSOR, item, 66, 56, o));
    if (o.cursorItems > 1)
        Put(b, UI_GROUP_CURSOR, o.cursorItems - 1,
            Picture(UI_GROUP_CURSOR, o.cursorItems - 1, 8, 8, o));
}

static void AddScrollbarsAndSkins(UiBuilder& b, const UiArchiveOptions& o) {
    const uint32_t vertical[2][2] = {{16, 300}, {16, 24}};
    for (uint32_t item = 0; item < o.verticalScrollItems && item < 2; ++item)
        Put(b, UI_GROUP_VSCROLL, item,
            Picture(UI_GROUP_VSCROLL, item, vertical[item][0], vertical[item][1], o));
    const uint32_t horizontal[4] = {12, 12, 20, 24};
    for (uint32_t item = 0; item < 4; ++item)
        Put(b, UI_GROUP_HSCROLL, item, Picture(UI_GROUP_HSCROLL, item, horizontal[item], 16, o));
    const uint32_t skin[3] = {10, 10, 20};
    const uint32_t profile[3] = {14, 14, 30};
    for (uint32_t item = 0; item < 3; ++item) {
        Put(b, UI_GROUP_SKIN, item, Picture(UI_GROUP_SKIN, item, skin[item], 30, o));
        Put(b, UI_GROUP_PROFILE_SKIN, item,
            Picture(UI_GROUP_PROFILE_SKIN, item, profile[item], 40, o));
    }
}

static std::vector<uint8_t> TableOfSize(size_t size) {
    std::vector<uint8_t> table = WriteFontTable(MakeTestFontA());
    table.resize(size, 0);
    return table;
}

static void AddBrokenFonts(UiBuilder& b) {
    std::vector<uint8_t> png = FontPng(MakeTestFontA());
    const std::pair<uint32_t, size_t> sized[] = {{UI_FONT_TABLE_10, 10},
                                                 {UI_FONT_TABLE_13, 13},
                                                 {UI_FONT_TABLE_14, 14},
                                                 {UI_FONT_TABLE_17, 17},
                                                 {UI_FONT_TABLE_18, 18}};
    for (const auto& [group, size] : sized) {
        Put(b, group, 0, PlainEntry(kRawType, TableOfSize(size)));
        Put(b, group, 1, PlainEntry(kPngType, png));
    }
    std::vector<uint8_t> trailing = WriteFontTable(MakeTestFontA());
    trailing.insert(trailing.end(), 4, 0xEE);
    Put(b, UI_FONT_TRAILING_4, 0, PlainEntry(kRawType, trailing));
    Put(b, UI_FONT_TRAILING_4, 1, PlainEntry(kPngType, png));
    Put(b, UI_FONT_NO_PICTURE, 0, PlainEntry(kRawType, WriteFontTable(MakeTestFontA())));
    Put(b, UI_FONT_RAW_PICTURE, 0, PlainEntry(kRawType, WriteFontTable(MakeTestFontA())));
    Put(b, UI_FONT_RAW_PICTURE, 1, PlainEntry(kRawType, png));
    FontDesign duplicate{16, 12, 2, 0, 0, {{u'a', 8}, {u'b', 8}, {u'a', 5}}};
    AddFont(b, UI_FONT_DUPLICATE, duplicate);
}

CatalogueBuilder MakeUiCatalogue(const UiArchiveOptions& options) {
    UiBuilder b;
    for (uint32_t g = 0; g < UI_GROUP_COUNT; ++g)
        b.catalogue.AddGroup();
    b.sizes.assign(UI_GROUP_COUNT, 0);
    AddCursor(b, options);
    AddScrollbarsAndSkins(b, options);
    const FontDesign fonts[8] = {MakeTestFontA(), MakeTestFontB(),     MakeTestFontB(),
                                 MakeTestFontA(), MakeTestFontIcons(), MakeTestFontA(),
                                 MakeTestFontA(), MakeTestFontA()};
    for (uint32_t slot = 0; slot < 8; ++slot)
        AddFont(b, UI_GROUP_FIRST_FONT + slot, fonts[slot]);
    std::vector<std::u16string> texts = UiArchiveTexts();
    for (uint32_t item = 0; item < texts.size(); ++item)
        Put(b, UI_GROUP_TEXTS, item, PlainEntry(kRawType, Utf16BytesOf(texts[item])));
    AddBrokenFonts(b);
    // Every group needs an entry of its own.
    for (uint32_t g = 0; g < UI_GROUP_COUNT; ++g) {
        if (b.sizes[g] == 0)
            Put(b, g, 0, PlainEntry(kRawType, {static_cast<uint8_t>(g)}));
    }
    return b.catalogue;
}
