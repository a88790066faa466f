#include "tools/sample/sample_font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "ui/font.h"
#include "ui/text.h"

namespace sample {

namespace {

// ---- the design ------------------------------------------------------------------------
// Each sheet row holds the same row of every glyph of the sheet, one space
// between glyphs: '#' ink, '.' paper. Rows 0 and 1 hold the accents over
// capitals, row 10 stands on the baseline, rows 11 to 13 are descenders.

struct Sheet {
    const char16_t* codes;
    const char* rows[kDesignRows];
};

const Sheet kSheets[] = {
    {u"ABCDEFGHIJKLMN",
     {"..... ..... ..... ..... ..... ..... ..... ..... ... ..... ..... ..... ....... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ... ..... ..... ..... ....... .....",
      "..#.. ####. .###. ###.. ##### ##### .###. #...# ### ..### #...# #.... #.....# #...#",
      ".#.#. #...# #...# #..#. #.... #.... #...# #...# .#. ...#. #...# #.... ##...## ##..#",
      "#...# #...# #.... #...# #.... #.... #.... #...# .#. ...#. #..#. #.... #.#.#.# ##..#",
      "#...# #...# #.... #...# #.... #.... #.... #...# .#. ...#. #.#.. #.... #..#..# #.#.#",
      "#...# ####. #.... #...# ####. ####. #.### ##### .#. ...#. ##... #.... #.....# #.#.#",
      "##### #...# #.... #...# #.... #.... #...# #...# .#. ...#. #.#.. #.... #.....# #..##",
      "#...# #...# #.... #...# #.... #.... #...# #...# .#. #..#. #..#. #.... #.....# #..##",
      "#...# #...# #...# #..#. #.... #.... #...# #...# .#. #..#. #...# #.... #.....# #...#",
      "#...# ####. .###. ###.. ##### #.... .###. #...# ### .##.. #...# ##### #.....# #...#",
      "..... ..... ..... ..... ..... ..... ..... ..... ... ..... ..... ..... ....... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ... ..... ..... ..... ....... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ... ..... ..... ..... ....... ....."}},
    {u"OPQRSTUVWXYZ",
     {"..... ..... ..... ..... ..... ..... ..... ..... ....... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ....... ..... ..... .....",
      ".###. ####. .###. ####. .###. ##### #...# #...# #.....# #...# #...# #####",
      "#...# #...# #...# #...# #...# ..#.. #...# #...# #.....# #...# #...# ....#",
      "#...# #...# #...# #...# #.... ..#.. #...# #...# #.....# .#.#. .#.#. ...#.",
      "#...# #...# #...# #...# #.... ..#.. #...# #...# #.....# .#.#. .#.#. ...#.",
      "#...# ####. #...# ####. .###. ..#.. #...# #...# #..#..# ..#.. ..#.. ..#..",
      "#...# #.... #...# #.#.. ....# ..#.. #...# .#.#. #..#..# .#.#. ..#.. .#...",
      "#...# #.... #.#.# #..#. ....# ..#.. #...# .#.#. #.#.#.# .#.#. ..#.. .#...",
      "#...# #.... #..#. #...# #...# ..#.. #...# .#.#. ##...## #...# ..#.. #....",
      ".###. #.... .##.# #...# .###. ..#.. .###. ..#.. #.....# #...# ..#.. #####",
      "..... ..... ..... ..... ..... ..... ..... ..... ....... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ....... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ....... ..... ..... ....."}},
    {u"abcdefghijklmno",
     {"..... ..... ..... ..... ..... .... ..... ..... ... ... .... ... ....... ..... .....",
      "..... ..... ..... ..... ..... .... ..... ..... ... ... .... ... ....... ..... .....",
      "..... #.... ..... ....# ..... ..## ..... #.... ... ... #... ##. ....... ..... .....",
      "..... #.... ..... ....# ..... .#.. ..... #.... .#. ..# #... .#. ....... ..... .....",
      "..... #.... ..... ....# ..... .#.. ..... #.... ... ... #... .#. ....... ..... .....",
      ".###. ####. .###. .#### .###. #### .#### #.##. ##. .## #..# .#. ###.##. #.##. .###.",
      "....# #...# #...# #...# #...# .#.. #...# ##..# .#. ..# #.#. .#. #..#..# ##..# #...#",
      ".#### #...# #.... #...# ##### .#.. #...# #...# .#. ..# ##.. .#. #..#..# #...# #...#",
      "#...# #...# #.... #...# #.... .#.. #...# #...# .#. ..# #.#. .#. #..#..# #...# #...#",
      "#...# #...# #...# #...# #...# .#.. #...# #...# .#. ..# #..# .#. #..#..# #...# #...#",
      ".#### ####. .###. .#### .###. .#.. .#### #...# ### ..# #..# ### #..#..# #...# .###.",
      "..... ..... ..... ..... ..... .... ....# ..... ... ..# .... ... ....... ..... .....",
      "..... ..... ..... ..... ..... .... #...# ..... ... #.# .... ... ....... ..... .....",
      "..... ..... ..... ..... ..... .... .###. ..... ... .#. .... ... ....... ..... ....."}},
    {u"pqrstuvwxyz",
     {"..... ..... .... ..... .... ..... ..... ....... ..... ..... .....",
      "..... ..... .... ..... .... ..... ..... ....... ..... ..... .....",
      "..... ..... .... ..... .... ..... ..... ....... ..... ..... .....",
      "..... ..... .... ..... .#.. ..... ..... ....... ..... ..... .....",
      "..... ..... .... ..... .#.. ..... ..... ....... ..... ..... .....",
      "####. .#### #.## .#### #### #...# #...# #..#..# #...# #...# #####",
      "#...# #...# ##.. #.... .#.. #...# #...# #..#..# .#.#. #...# ...#.",
      "#...# #...# #... .###. .#.. #...# #...# #..#..# ..#.. #...# ..#..",
      "#...# #...# #... ....# .#.. #...# .#.#. #..#..# ..#.. #...# .#...",
      "#...# #...# #... ....# .#.. #..## .#.#. #..#..# .#.#. #...# #....",
      "####. .#### #... ####. ..## .##.# ..#.. .##.##. #...# .#### #####",
      "#.... ....# .... ..... .... ..... ..... ....... ..... ....# .....",
      "#.... ....# .... ..... .... ..... ..... ....... ..... #...# .....",
      "#.... ....# .... ..... .... ..... ..... ....... ..... .###. ....."}},
    {u"0123456789",
     {"..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      ".###. ..#.. .###. ##### ...#. ##### ..##. ##### .###. .###.",
      "#...# .##.. #...# ....# ..##. #.... .#... ....# #...# #...#",
      "#..## #.#.. ....# ...#. .#.#. #.... #.... ....# #...# #...#",
      "#.#.# ..#.. ....# ..#.. #..#. ####. ####. ...#. #...# #...#",
      "#.#.# ..#.. ...#. ..##. #..#. ....# #...# ...#. .###. .####",
      "#.#.# ..#.. ..#.. ....# ##### ....# #...# ..#.. #...# ....#",
      "##..# ..#.. .#... ....# ...#. ....# #...# ..#.. #...# ....#",
      "#...# ..#.. #.... #...# ...#. #...# #...# ..#.. #...# ...#.",
      ".###. ##### ##### .###. ...#. .###. .###. ..#.. .###. .##..",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ....."}},
    {u" !\"#$%&'()*+,-./:;<",
     {"... . ... ..... ..... ..... ..... . ... ... ..... ..... .. .... .. ..... .. .. ....",
      "... . ... ..... ..... ..... ..... . ... ... ..... ..... .. .... .. ..... .. .. ....",
      "... # #.# ..... ..#.. ##... .##.. # ..# #.. ..... ..... .. .... .. ....# .. .. ....",
      "... # #.# .#.#. .#### ##..# #..#. # .#. .#. ..... ..... .. .... .. ....# .. .. ....",
      "... # #.# .#.#. #.#.. ...#. #..#. # .#. .#. ..#.. ..... .. .... .. ...#. .. .. ...#",
      "... # ... ##### #.#.. ...#. .##.. . #.. ..# #.#.# ..#.. .. .... .. ...#. ## ## ..#.",
      "... # ... .#.#. .###. ..#.. .#... . #.. ..# .###. ..#.. .. .... .. ..#.. ## ## .#..",
      "... # ... ##### ..#.# .#... #.#.# . #.. ..# #.#.# ##### .. #### .. .#... .. .. #...",
      "... # ... .#.#. ..#.# .#... #..#. . #.. ..# ..#.. ..#.. .. .... .. .#... .. .. .#..",
      "... . ... .#.#. ####. #..## #..#. . #.. ..# ..... ..#.. ## .... ## #.... ## ## ..#.",
      "... # ... ..... ..#.. ...## .##.# . .#. .#. ..... ..... ## .... ## #.... ## ## ...#",
      "... . ... ..... ..... ..... ..... . .#. .#. ..... ..... .# .... .. ..... .. .# ....",
      "... . ... ..... ..... ..... ..... . ..# #.. ..... ..... #. .... .. ..... .. #. ....",
      "... . ... ..... ..... ..... ..... . ... ... ..... ..... .. .... .. ..... .. .. ...."}},
    {u"=>?@[\\]^_`{|}~",
     {"..... .... ..... ..... ... ..... ... ..... ..... .. .... . .... .....",
      "..... .... ..... ..... ... ..... ... ..... ..... .. .... . .... .....",
      "..... .... .###. .###. ### #.... ### ..#.. ..... #. ..## # ##.. .....",
      "..... .... #...# #...# #.. #.... ..# .#.#. ..... .# .#.. # ..#. .....",
      "..... #... ....# #.### #.. .#... ..# #...# ..... .. .#.. # ..#. .....",
      "..... .#.. ...#. #.#.# #.. .#... ..# ..... ..... .. .#.. # ..#. .....",
      "##### ..#. ..#.. #.#.# #.. ..#.. ..# ..... ..... .. .#.. # ..#. .##.#",
      "..... ...# ..#.. #.### #.. ...#. ..# ..... ..... .. #... # ...# #..#.",
      "##### ..#. ..#.. #.... #.. ...#. ..# ..... ..... .. .#.. # ..#. .....",
      "..... .#.. ..... #...# #.. ....# ..# ..... ..... .. .#.. # ..#. .....",
      "..... #... ..#.. .###. #.. ....# ..# ..... ..... .. .#.. # ..#. .....",
      "..... .... ..... ..... #.. ..... ..# ..... ##### .. .#.. # ..#. .....",
      "..... .... ..... ..... ### ..... ### ..... ..... .. ..## # ##.. .....",
      "..... .... ..... ..... ... ..... ... ..... ..... .. .... . .... ....."}},
    {u"БГДЁЖЗИЙЛПУФЦЧ",
     {"..... ..... ...... .#.#. ....... ..... ..... #...# ..... ..... ..... ..... ...... .....",
      "..... ..... ...... ..... ....... ..... ..... .###. ..... ..... ..... ..... ...... .....",
      "##### ##### .####. ##### #..#..# .###. #...# #...# ..### ##### #...# ..#.. #...#. #...#",
      "#.... #.... .#..#. #.... #..#..# #...# #...# #...# .#..# #...# #...# .###. #...#. #...#",
      "#.... #.... .#..#. #.... .#.#.#. ....# #..## #..## .#..# #...# #...# #.#.# #...#. #...#",
      "#.... #.... .#..#. #.... .#.#.#. ....# #..## #..## .#..# #...# #...# #.#.# #...#. #...#",
      "####. #.... .#..#. ####. ..###.. ..##. #.#.# #.#.# .#..# #...# .#### #.#.# #...#. #...#",
      "#...# #.... .#..#. #.... .#.#.#. ....# #.#.# #.#.# .#..# #...# ....# #.#.# #...#. .####",
      "#...# #.... #...#. #.... .#.#.#. ....# ##..# ##..# .#..# #...# ....# .###. #...#. ....#",
      "#...# #.... #...#. #.... #..#..# #...# ##..# ##..# .#..# #...# #...# ..#.. #...#. ....#",
      "####. #.... ###### ##### #..#..# .###. #...# #...# #...# #...# .###. ..#.. ###### ....#",
      "..... ..... #....# ..... ....... ..... ..... ..... ..... ..... ..... ..... .....# .....",
      "..... ..... #....# ..... ....... ..... ..... ..... ..... ..... ..... ..... .....# .....",
      "..... ..... ...... ..... ....... ..... ..... ..... ..... ..... ..... ..... ...... ....."}},
    {u"ШЩЪЫЬЭЮЯ",
     {"....... ........ ...... ....... ..... ..... ....... .....",
      "....... ........ ...... ....... ..... ..... ....... .....",
      "#..#..# #..#..#. ##.... #.....# #.... .###. #..###. .####",
      "#..#..# #..#..#. .#.... #.....# #.... #...# #.#...# #...#",
      "#..#..# #..#..#. .#.... #.....# #.... ....# #.#...# #...#",
      "#..#..# #..#..#. .#.... #.....# #.... ....# #.#...# #...#",
      "#..#..# #..#..#. .####. ####..# ####. .#### ###...# .####",
      "#..#..# #..#..#. .#...# #...#.# #...# ....# #.#...# ..#.#",
      "#..#..# #..#..#. .#...# #...#.# #...# ....# #.#...# .#..#",
      "#..#..# #..#..#. .#...# #...#.# #...# #...# #.#...# #...#",
      "####### ######## .####. ####..# ####. .###. #..###. #...#",
      "....... .......# ...... ....... ..... ..... ....... .....",
      "....... .......# ...... ....... ..... ..... ....... .....",
      "....... ........ ...... ....... ..... ..... ....... ....."}},
    {u"бвгдёжзийклмнп",
     {"..... ..... ..... ...... ..... ....... ..... ..... ..... .... ..... ..... ..... .....",
      "..... ..... ..... ...... ..... ....... ..... ..... ..... .... ..... ..... ..... .....",
      ".#### ..... ..... ...... ..... ....... ..... ..... #...# .... ..... ..... ..... .....",
      "#.... ..... ..... ...... .#.#. ....... ..... ..... .###. .... ..... ..... ..... .....",
      "#.... ..... ..... ...... ..... ....... ..... ..... ..... .... ..... ..... ..... .....",
      "####. ####. ##### .####. .###. #..#..# .###. #...# #...# #..# ..### #...# #...# #####",
      "#...# #...# #.... .#..#. #...# .#.#.#. #...# #...# #...# #.#. .#..# ##.## #...# #...#",
      "#...# ####. #.... .#..#. ##### ..###.. ..##. #..## #..## ##.. .#..# #.#.# ##### #...#",
      "#...# #...# #.... .#..#. #.... .#.#.#. ....# #.#.# #.#.# #.#. .#..# #...# #...# #...#",
      "#...# #...# #.... #...#. #...# #..#..# #...# ##..# ##..# #..# .#..# #...# #...# #...#",
      ".###. ####. #.... ###### .###. #..#..# .###. #...# #...# #..# #...# #...# #...# #...#",
      "..... ..... ..... #....# ..... ....... ..... ..... ..... .... ..... ..... ..... .....",
      "..... ..... ..... #....# ..... ....... ..... ..... ..... .... ..... ..... ..... .....",
      "..... ..... ..... ...... ..... ....... ..... ..... ..... .... ..... ..... ..... ....."}},
    {u"тфцчшщъыьэюя",
     {"..... ..... ...... ..... ....... ........ ...... ....... ..... ..... ....... .....",
      "..... ..... ...... ..... ....... ........ ...... ....... ..... ..... ....... .....",
      "..... ..#.. ...... ..... ....... ........ ...... ....... ..... ..... ....... .....",
      "..... ..#.. ...... ..... ....... ........ ...... ....... ..... ..... ....... .....",
      "..... ..#.. ...... ..... ....... ........ ...... ....... ..... ..... ....... .....",
      "##### .###. #...#. #...# #..#..# #..#..#. ##.... #.....# #.... .###. #..###. .####",
      "..#.. #.#.# #...#. #...# #..#..# #..#..#. .#.... #.....# #.... #...# #.#...# #...#",
      "..#.. #.#.# #...#. #...# #..#..# #..#..#. .####. ####..# ####. ..### ###...# #...#",
      "..#.. #.#.# #...#. .#### #..#..# #..#..#. .#...# #...#.# #...# ....# #.#...# .####",
      "..#.. #.#.# #...#. ....# #..#..# #..#..#. .#...# #...#.# #...# #...# #.#...# .#..#",
      "..#.. .###. ###### ....# ####### ######## .####. ####..# ####. .###. #..###. #...#",
      "..... ..#.. .....# ..... ....... .......# ...... ....... ..... ..... ....... .....",
      "..... ..#.. .....# ..... ....... .......# ...... ....... ..... ..... ....... .....",
      "..... ..#.. ...... ..... ....... ........ ...... ....... ..... ..... ....... ....."}},
};

// Cyrillic letters (the first string) drawn as the Latin letters of the
// same shape at the same place in the second.
constexpr char16_t kLookalikes[] = u"АВЕКМНОРСТХаеорсух";
constexpr char16_t kLatinShapes[] = u"ABEKMHOPCTXaeopcyx";

struct DesignGlyph {
    char16_t code;
    int32_t width;                          // design columns, without the gap after it
    std::array<uint16_t, kDesignRows> rows; // bit c: column c
};

// The widths of the glyphs on one sheet row.
std::vector<int32_t> GlyphWidths(const char* row) {
    std::vector<int32_t> widths(1, 0);
    for (const char* p = row; *p != 0; ++p) {
        if (*p == ' ')
            widths.push_back(0);
        else if (*p == '#' || *p == '.')
            ++widths.back();
        else
            throw std::logic_error("a font sheet holds a character other than '#', '.' or ' '");
    }
    return widths;
}

void ReadSheet(const Sheet& sheet, std::vector<DesignGlyph>* glyphs) {
    const std::u16string codes(sheet.codes);
    const std::vector<int32_t> widths = GlyphWidths(sheet.rows[0]);
    if (widths.size() != codes.size())
        throw std::logic_error("a font sheet draws more or fewer glyphs than it names");
    const size_t first = glyphs->size();
    for (size_t k = 0; k < codes.size(); ++k) {
        if (widths[k] == 0 || widths[k] > 16)
            throw std::logic_error("a font sheet glyph is empty or too wide");
        glyphs->push_back({codes[k], widths[k], {}});
    }
    for (int32_t r = 0; r < kDesignRows; ++r) {
        if (GlyphWidths(sheet.rows[r]) != widths)
            throw std::logic_error("the rows of a font sheet do not line up");
        const char* p = sheet.rows[r];
        for (size_t k = first; k < glyphs->size(); ++k) {
            DesignGlyph& glyph = (*glyphs)[k];
            for (int32_t c = 0; c < glyph.width; ++c, ++p)
                if (*p == '#')
                    glyph.rows[static_cast<size_t>(r)] |= static_cast<uint16_t>(1u << c);
            ++p; // the space between glyphs, or the end of the row
        }
    }
}

std::vector<DesignGlyph> ReadDesign() {
    std::vector<DesignGlyph> glyphs;
    for (const Sheet& sheet : kSheets)
        ReadSheet(sheet, &glyphs);
    for (size_t k = 0; kLookalikes[k] != 0; ++k) {
        auto same = std::find_if(glyphs.begin(), glyphs.end(),
                                 [k](const DesignGlyph& g) { return g.code == kLatinShapes[k]; });
        if (same == glyphs.end())
            throw std::logic_error("a Cyrillic letter borrows a shape the design lacks");
        DesignGlyph copy = *same;
        copy.code = kLookalikes[k];
        glyphs.push_back(copy);
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const DesignGlyph& a, const DesignGlyph& b) { return a.code < b.code; });
    auto twice = std::adjacent_find(
        glyphs.begin(), glyphs.end(),
        [](const DesignGlyph& a, const DesignGlyph& b) { return a.code == b.code; });
    if (twice != glyphs.end())
        throw std::logic_error("the font design draws a character twice");
    return glyphs;
}

const std::vector<DesignGlyph>& Design() {
    static const std::vector<DesignGlyph> design = ReadDesign();
    return design;
}

// ---- text fonts ------------------------------------------------------------------------

// Where the letters sit in a glyph's cell, in design pixels.
struct Frame {
    int32_t extraColumns; // the gap after a glyph, and the outline's left column
    int32_t extraRows;
    int32_t inkX, inkY;  // the letter's offset in its cell
    int32_t baselineRow; // rows above the baseline
};

Frame FrameOf(FontEdge edge) {
    switch (edge) {
    case FontEdge::kSunken:
        return {1, 1, 1, 1, kDesignBaseline};
    case FontEdge::kOutline:
        return {2, 2, 1, 1, kDesignBaseline + 1};
    case FontEdge::kShadow:
    default:
        return {1, 1, 0, 0, kDesignBaseline};
    }
}

enum Paint : uint8_t { kPaper = 0, kInk = 1, kShade = 2 };

// One glyph in design pixels, cell rows by cell columns.
struct Mask {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> paint;
    uint8_t& at(int32_t x, int32_t y) { return paint[static_cast<size_t>(y * width + x)]; }
    bool IsInk(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               paint[static_cast<size_t>(y * width + x)] == kInk;
    }
};

// Paper that the edge covers: below and right of ink for a shadow, any
// neighbour of ink for an outline.
bool TakesShade(const Mask& mask, int32_t x, int32_t y, FontEdge edge) {
    if (edge == FontEdge::kShadow)
        return mask.IsInk(x - 1, y - 1);
    if (edge != FontEdge::kOutline)
        return false;
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            if (mask.IsInk(x + dx, y + dy))
                return true;
    return false;
}

void ShadeAround(Mask* mask, FontEdge edge) {
    for (int32_t y = 0; y < mask->height; ++y)
        for (int32_t x = 0; x < mask->width; ++x)
            if (mask->at(x, y) == kPaper && TakesShade(*mask, x, y, edge))
                mask->at(x, y) = kShade;
}

Mask LetterMask(const DesignGlyph& glyph, FontEdge edge) {
    const Frame frame = FrameOf(edge);
    Mask mask;
    mask.width = glyph.width + frame.extraColumns;
    mask.height = kDesignRows + frame.extraRows;
    mask.paint.assign(static_cast<size_t>(mask.width * mask.height), kPaper);
    for (int32_t r = 0; r < kDesignRows; ++r)
        for (int32_t c = 0; c < glyph.width; ++c)
            if ((glyph.rows[static_cast<size_t>(r)] >> c) & 1u)
                mask.at(frame.inkX + c, frame.inkY + r) = kInk;
    ShadeAround(&mask, edge);
    return mask;
}

// The caret: a bar one design pixel wide from the accent rows into the
// descenders. It has no shadow, which would fall on the next letter.
Mask CaretMask(FontEdge edge) {
    const Frame frame = FrameOf(edge);
    Mask mask;
    mask.width = 1;
    mask.height = kDesignRows + frame.extraRows;
    mask.paint.assign(static_cast<size_t>(mask.height), kPaper);
    for (int32_t y = frame.inkY + 1; y < frame.inkY + kDesignRows - 1; ++y)
        mask.at(0, y) = kInk;
    return mask;
}

void PaintMask(const Mask& mask, const FontGlyphPlace& place, const FontLook& look,
               FontPicture* picture) {
    const uint32_t colours[3] = {0u, look.ink, look.shade};
    for (int32_t y = 0; y < mask.height; ++y)
        for (int32_t x = 0; x < mask.width; ++x) {
            const uint32_t colour = colours[mask.paint[static_cast<size_t>(y * mask.width + x)]];
            if (colour == 0)
                continue;
            for (int32_t py = 0; py < look.scale; ++py) {
                const size_t row = static_cast<size_t>(place.srcY + y * look.scale + py);
                const size_t column = static_cast<size_t>(place.srcX + x * look.scale);
                std::fill_n(picture->pixels.begin() +
                                static_cast<std::ptrdiff_t>(row * picture->width + column),
                            look.scale, colour);
            }
        }
}

// A picture just large enough for every glyph of `design` where
// PlaceFontGlyphs puts it.
FontPicture BlankPicture(const FontDesign& design) {
    FontPicture picture{1, 1, {}};
    for (const FontGlyphPlace& place : PlaceFontGlyphs(design)) {
        picture.width = std::max<int32_t>(picture.width, place.srcX + place.width);
        picture.height = std::max<int32_t>(picture.height, place.srcY + design.cellHeight);
    }
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0u);
    return picture;
}

// ---- icons ------------------------------------------------------------------------------

constexpr int32_t kIconSize = 24;

// Hard-edged shapes: a pixel belongs to a shape when its centre does.
enum class IconShape { kCoin, kGem };

uint32_t IconPixel(IconShape shape, bool filled, int32_t x, int32_t y) {
    const double dx = x + 0.5 - kIconSize / 2.0;
    const double dy = y + 0.5 - kIconSize / 2.0;
    // 0 at the centre, 1 on the rim.
    const double reach = shape == IconShape::kCoin ? std::sqrt(dx * dx + dy * dy) / 10.0
                                                   : (std::fabs(dx) + std::fabs(dy)) / 11.0;
    if (reach > 1.0)
        return 0u;
    const bool rim = reach > 0.8;
    if (!filled)
        return rim ? 0xFFB0A890u : 0x60000000u;
    if (rim)
        return shape == IconShape::kCoin ? 0xFF8A6010u : 0xFF106040u;
    const bool glint = dx < -1.0 && dy < -1.0 && reach < 0.55 && reach > 0.3;
    if (glint)
        return 0xFFFFFFF0u;
    return shape == IconShape::kCoin ? 0xFFF0C040u : 0xFF40D090u;
}

} // namespace

SampleFont MakeTextFont(const FontLook& look) {
    const Frame frame = FrameOf(look.edge);
    const int32_t scale = std::max<int32_t>(look.scale, 1);
    SampleFont font;
    FontDesign& d = font.design;
    d.cellHeight = static_cast<uint16_t>((kDesignRows + frame.extraRows) * scale);
    d.ascent = static_cast<uint16_t>(frame.baselineRow * scale);
    d.lineGap = look.lineGap;
    // The caret stands in the gap after the glyph before it.
    d.caretOffsetX = static_cast<int16_t>(-scale);
    d.caretOffsetY = 0;

    std::vector<Mask> masks;
    auto add = [&](char16_t code, Mask mask) {
        d.glyphs.push_back({code, static_cast<uint16_t>(mask.width * scale)});
        masks.push_back(std::move(mask));
    };
    add(TEXT_CODE_LF, Mask{});
    add(TEXT_CODE_CR, Mask{});
    add(FONT_CARET_CODE, CaretMask(look.edge));
    for (const DesignGlyph& glyph : Design())
        add(glyph.code, LetterMask(glyph, look.edge));

    FontLook scaled = look;
    scaled.scale = scale;
    font.picture = BlankPicture(d);
    const std::vector<FontGlyphPlace> places = PlaceFontGlyphs(d);
    for (size_t k = 0; k < places.size(); ++k)
        PaintMask(masks[k], places[k], scaled, &font.picture);
    return font;
}

SampleFont MakeIconFont() {
    SampleFont font;
    font.design = FontDesign{kIconSize, 20, 0, 0, 0, {}};
    struct Icon {
        char16_t code;
        IconShape shape;
        bool filled;
    };
    const Icon icons[] = {{u'3', IconShape::kCoin, true},
                          {u'4', IconShape::kGem, true},
                          {u'5', IconShape::kCoin, false},
                          {u'6', IconShape::kGem, false}};
    for (const Icon& icon : icons)
        font.design.glyphs.push_back({icon.code, kIconSize});
    font.picture = BlankPicture(font.design);
    const std::vector<FontGlyphPlace> places = PlaceFontGlyphs(font.design);
    for (size_t k = 0; k < places.size(); ++k)
        for (int32_t y = 0; y < kIconSize; ++y)
            for (int32_t x = 0; x < kIconSize; ++x)
                font.picture.pixels[static_cast<size_t>(places[k].srcY + y) * font.picture.width +
                                    static_cast<size_t>(places[k].srcX + x)] =
                    IconPixel(icons[k].shape, icons[k].filled, x, y);
    return font;
}

SampleFont MakeSlotFont(int32_t slot) {
    constexpr uint32_t kCream = 0xFFFFF4D8u;
    constexpr uint32_t kLightGold = 0xFFFFD860u;
    constexpr uint32_t kWhite = 0xFFFFFFFFu;
    constexpr uint32_t kDark = 0xFF140C06u;
    switch (slot) {
    case 0:
    case 5:
    case 7:
        return MakeTextFont({1, kCream, kDark, FontEdge::kShadow, 1});
    case 1: // titles and labels: a 30-pixel button holds one line
        return MakeTextFont({2, kLightGold, kDark, FontEdge::kShadow, 0});
    case 2:
        return MakeTextFont({2, kWhite, kDark, FontEdge::kSunken, 0});
    case 3: // over any part of a level
        return MakeTextFont({2, kWhite, kDark, FontEdge::kOutline, 0});
    case 4:
        return MakeIconFont();
    case 6:
        return MakeTextFont({1, kWhite, kDark, FontEdge::kOutline, 1});
    default:
        return SampleFont{};
    }
}

} // namespace sample
