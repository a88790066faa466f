// The sample archive's readable fonts: one bitmap design of the printable
// ASCII characters and the Russian alphabet (everything the name entry can
// type), drawn in code, and the eight fonts the game loads at start-up:
// each the design at a scale and in the colours its screens want, or the
// status overlay's icons.
#pragma once

#include <cstdint>

#include "tools/sample/font_writer.h"

namespace sample {

constexpr int32_t kSampleFontSlots = 8;

// Design metrics, in design pixels: two rows for the accents over capitals,
// nine for a capital, three for descenders. Small letters are six high.
constexpr int32_t kDesignRows = 14;
constexpr int32_t kDesignBaseline = 11; // rows above the baseline

// What surrounds the letters. Shadowed and sunken letters take the same
// room, so that a label keeps its place when it is pressed; outlined ones
// take a design pixel more on every side.
enum class FontEdge {
    kShadow,  // a dark copy one design pixel down and right
    kSunken,  // no shadow; the letters sit where the shadow would be
    kOutline, // a dark ring one design pixel wide all round
};

struct FontLook {
    int32_t scale;  // screen pixels per design pixel
    uint32_t ink;   // ARGB
    uint32_t shade; // ARGB of the shadow or outline; 0 draws none
    FontEdge edge;
    int16_t lineGap; // pixels between one line's cells and the next
};

// The glyph table and the picture it points into.
struct SampleFont {
    FontDesign design;
    FontPicture picture;
};

SampleFont MakeTextFont(const FontLook& look);
// The status overlay's icons: "3" and "5" a coin and its empty place, "4"
// and "6" a gem and its empty place, 24 pixels square.
SampleFont MakeIconFont();

// The font of slot `slot`: 0 body text; 1 titles and button labels at
// twice the size; 2 a pressed label; 3 the score over the play screen; 4
// the status icons; 6 the editor's lines; 5 and 7 as 0. Any other slot
// gets an empty font.
SampleFont MakeSlotFont(int32_t slot);

} // namespace sample
