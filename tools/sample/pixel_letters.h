// Block capitals five pixels by seven, drawn at any whole scale: the words
// on the sample's menu buttons, title pictures and movies.
#pragma once

#include <cstdint>
#include <string>

#include "tools/sample/sample_media.h"

namespace sample {

// Width of `text` in pixels at `scale`: six columns a character, less the
// gap after the last one.
int32_t LettersWidth(const std::string& text, int32_t scale);

// Draws `text` with its top left at (x, y). Capitals, digits, space and
// ".-!:" are drawn; anything else leaves a gap.
void DrawLetters(Canvas* canvas, int32_t x, int32_t y, const std::string& text, int32_t scale,
                 uint32_t argb);

// The same, centred on column `cx`.
void DrawCentredLetters(Canvas* canvas, int32_t cx, int32_t y, const std::string& text,
                        int32_t scale, uint32_t argb);

} // namespace sample
