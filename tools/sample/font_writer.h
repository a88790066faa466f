// Test fonts: glyph tables in the archive's font format and their pictures,
// each glyph a rectangle of its own opaque colour so that a read-back tells
// which glyph landed where and how it was clipped.
#pragma once

#include <cstdint>
#include <vector>

struct FontGlyphDesign {
    uint16_t code;
    uint16_t width;
};

struct FontDesign {
    uint16_t cellHeight;
    uint16_t ascent;
    int16_t lineGap;
    int16_t caretOffsetX;
    int16_t caretOffsetY;
    std::vector<FontGlyphDesign> glyphs; // in table order
};

// Where a glyph sits in the font picture.
struct FontGlyphPlace {
    uint16_t code;
    uint16_t srcX;
    uint16_t srcY;
    uint16_t width;
};

struct FontPicture {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels; // ARGB, row by row; 0 is transparent
};

// The opaque colour of a glyph's rectangle.
uint32_t FontGlyphColour(uint16_t code);

// Glyph k sits in cell (k mod 32, k div 32); cells are as wide as the widest
// glyph and as high as the font's cells.
std::vector<FontGlyphPlace> PlaceFontGlyphs(const FontDesign& design);
// The glyph table bytes: the 10-byte header, then 8 bytes per glyph.
std::vector<uint8_t> WriteFontTable(const FontDesign& design);
FontPicture DrawFontPicture(const FontDesign& design);

// TF-A: cells 16 high, ascent 12, line gap 2, caret offset (-1, 0). Space 4,
// letters and digits 8 ('i' 3, 'W' 12), the break characters and "<>(" 4,
// CR 0, caret 2, the Cyrillic letters U+0410-U+044F 8. No LF, no '~'.
FontDesign MakeTestFontA();
// TF-B: cells 24 high, ascent 18, line gap -2; letters, digits, space,
// break characters, CR and caret, each 12 wide.
FontDesign MakeTestFontB();
// TF-I: the status icons "3" to "6", 24 by 24.
FontDesign MakeTestFontIcons();
