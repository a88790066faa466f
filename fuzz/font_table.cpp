// Glyph tables as the archive may hold them: any bytes, any size.
#include <cstddef>
#include <cstdint>

#include "ui/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    CFont font;
    int32_t loaded = font.LoadTableFromMemory(data, static_cast<uint32_t>(size));
    font.SetLoaded(loaded);
    uint32_t sum = 0;
    for (uint32_t code : {0u, 13u, 16u, 32u, 0x61u, 0xFFFFu}) {
        const GlyphRecord* glyph = font.GetGlyph(static_cast<uint16_t>(code));
        if (glyph != nullptr)
            sum += static_cast<uint32_t>(glyph->width + glyph->srcX + glyph->lineGap);
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
