#include "tools/sample/font_writer.h"

#include <algorithm>

#include "engine/bytes.h"

uint32_t FontGlyphColour(uint16_t code) {
    uint32_t mixed = (static_cast<uint32_t>(code) + 1u) * 0x9E3779B1u;
    return 0xFF000000u | (mixed & 0xFFFFFFu);
}

static constexpr int32_t kCellsPerRow = 32;

static int32_t CellWidth(const FontDesign& design) {
    int32_t widest = 1;
    for (const FontGlyphDesign& g : design.glyphs)
        widest = std::max<int32_t>(widest, g.width);
    return widest;
}

std::vector<FontGlyphPlace> PlaceFontGlyphs(const FontDesign& design) {
    std::vector<FontGlyphPlace> places;
    int32_t cellWidth = CellWidth(design);
    for (size_t k = 0; k < design.glyphs.size(); ++k) {
        FontGlyphPlace place;
        place.code = design.glyphs[k].code;
        place.width = design.glyphs[k].width;
        place.srcX = static_cast<uint16_t>((k % kCellsPerRow) * cellWidth);
        place.srcY = static_cast<uint16_t>((k / kCellsPerRow) * design.cellHeight);
        places.push_back(place);
    }
    return places;
}

std::vector<uint8_t> WriteFontTable(const FontDesign& design) {
    std::vector<uint8_t> bytes(10 + 8 * design.glyphs.size());
    PutU16LE(&bytes[0], design.cellHeight);
    PutU16LE(&bytes[2], design.ascent);
    PutI16LE(&bytes[4], design.lineGap);
    PutI16LE(&bytes[6], design.caretOffsetX);
    PutI16LE(&bytes[8], design.caretOffsetY);
    size_t at = 10;
    for (const FontGlyphPlace& place : PlaceFontGlyphs(design)) {
        PutU16LE(&bytes[at + 0], place.code);
        PutU16LE(&bytes[at + 2], place.srcX);
        PutU16LE(&bytes[at + 4], place.srcY);
        PutU16LE(&bytes[at + 6], place.width);
        at += 8;
    }
    return bytes;
}

FontPicture DrawFontPicture(const FontDesign& design) {
    FontPicture picture;
    size_t rows = (design.glyphs.size() + kCellsPerRow - 1) / kCellsPerRow;
    picture.width = CellWidth(design) * kCellsPerRow;
    picture.height = static_cast<int32_t>(std::max<size_t>(rows, 1)) * design.cellHeight;
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0u);
    for (const FontGlyphPlace& place : PlaceFontGlyphs(design)) {
        uint32_t colour = FontGlyphColour(place.code);
        for (int32_t row = 0; row < design.cellHeight; ++row) {
            size_t base = static_cast<size_t>(place.srcY + row) * picture.width + place.srcX;
            std::fill_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(base), place.width,
                        colour);
        }
    }
    return picture;
}

static void AddRange(FontDesign* design, char16_t first, char16_t last, uint16_t width) {
    for (char16_t c = first; c <= last; ++c)
        design->glyphs.push_back({c, width});
}

static void AddUnits(FontDesign* design, const char16_t* units, uint16_t width) {
    for (const char16_t* p = units; *p != 0; ++p)
        design->glyphs.push_back({*p, width});
}

FontDesign MakeTestFontA() {
    FontDesign design{16, 12, 2, -1, 0, {}};
    design.glyphs.push_back({u' ', 4});
    for (char16_t c = u'a'; c <= u'z'; ++c)
        design.glyphs.push_back({c, static_cast<uint16_t>(c == u'i' ? 3 : 8)});
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        design.glyphs.push_back({c, static_cast<uint16_t>(c == u'W' ? 12 : 8)});
    AddRange(&design, u'0', u'9', 8);
    AddUnits(&design, u".,:;?!-+)]}=<>(", 4);
    design.glyphs.push_back({13, 0});
    design.glyphs.push_back({16, 2});
    AddRange(&design, 0x0410, 0x044F, 8);
    return design;
}

FontDesign MakeTestFontB() {
    FontDesign design{24, 18, -2, 0, 0, {}};
    design.glyphs.push_back({u' ', 12});
    AddRange(&design, u'a', u'z', 12);
    AddRange(&design, u'A', u'Z', 12);
    AddRange(&design, u'0', u'9', 12);
    AddUnits(&design, u".,:;?!-+)]}=<>(", 12);
    design.glyphs.push_back({13, 0});
    design.glyphs.push_back({16, 2});
    return design;
}

FontDesign MakeTestFontIcons() {
    FontDesign design{24, 20, 0, 0, 0, {}};
    AddRange(&design, u'3', u'6', 24);
    return design;
}
