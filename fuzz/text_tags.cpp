// Tagged text as archive texts and filled-in formats give it: built into
// glyphs, laid out with wrapping, given input and drawn.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFonts* fonts = new MemoryFonts();
    (void)fonts;
    if (size < 4 || size > 16384)
        return 0;
    // Two bytes of settings, then the text as UTF-16LE.
    int32_t wrap = static_cast<int8_t>(data[0]) * 8;
    int32_t align = data[1] % 4;
    std::vector<char16_t> units;
    for (size_t i = 2; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    units.push_back(0);
    DrawCapture capture;
    CText text;
    text.SetFont(data[1] >> 4 & 7);
    text.SetWrap(wrap, -1, align);
    text.SetIndent(static_cast<int8_t>(data[1]));
    text.SetText(units.data());
    text.SetClipRect(10, 10, 300, 200);
    text.SetScroll(20, -static_cast<int32_t>(data[0]));
    text.SetVisibleLines(data[0] % 3 - 1, data[1] % 5 - 1, 0);
    uint8_t keys[323] = {};
    text.HandleInput(50, 50, 1, keys, 323);
    text.Draw();
    return 0;
}
