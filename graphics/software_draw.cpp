#include "graphics/software_draw.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "graphics/image.h"

uint16_t gBlendTable[256][8];

void BuildBlendTable() {
    for (int a = 0; a < 256; ++a) {
        for (int i = 0; i < 4; ++i) {
            gBlendTable[a][i] = static_cast<uint16_t>(a);
            gBlendTable[a][4 + i] = static_cast<uint16_t>(255 - a);
        }
    }
}

namespace {

// The application task builds the table at start-up; building it here too
// keeps image drawing correct in programs that never run that task.
struct BlendTableAtStartup {
    BlendTableAtStartup() { BuildBlendTable(); }
} gBlendTableAtStartup;

bool IsDrawable32(const Image* image) {
    return image != nullptr && image != kScreenTarget && image->pixels != nullptr &&
           !(image->flags & IMAGE_FLAG_TEXTURE) && (image->flags & IMAGE_FMT_MASK) == IMAGE_FMT_32;
}

// One axis of a blit: positions i in [lo, hi) of the drawn span go to target
// position `dst + i` and come from source position `src + i` (or, mirrored,
// `src + span - 1 - i`). Both ends are clipped to the two images.
struct Span {
    int64_t lo;
    int64_t hi;
};

Span ClipSpan(int64_t dst, int64_t src, int64_t span, int64_t targetSize, int64_t sourceSize,
              bool mirrored) {
    Span s{0, span};
    s.lo = std::max(s.lo, -dst);
    s.hi = std::min(s.hi, targetSize - dst);
    if (mirrored) {
        s.lo = std::max(s.lo, src + span - sourceSize);
        s.hi = std::min(s.hi, src + span);
    } else {
        s.lo = std::max(s.lo, -src);
        s.hi = std::min(s.hi, sourceSize - src);
    }
    return s;
}

// Drawn length along one axis: the rest of the source from the offset on,
// cut to the requested size when that is not negative.
int64_t DrawnLength(int32_t sourceSize, int32_t offset, int32_t requested) {
    int64_t length = static_cast<int64_t>(sourceSize) - offset;
    if (requested >= 0)
        length = std::min<int64_t>(length, requested);
    return length;
}

inline uint32_t* PixelRow(const Image* image, int64_t row) {
    return image->pixels + static_cast<size_t>(row) * image->width;
}

enum BlitMode { BLIT_COPY, BLIT_BLEND, BLIT_MASK };

template <BlitMode mode>
void BlitRow(uint32_t* dst, const uint32_t* src, int64_t count, int64_t step, uint32_t maskValue) {
    for (int64_t i = 0; i < count; ++i, src += step) {
        uint32_t p = *src;
        if (mode == BLIT_COPY) {
            dst[i] = p;
        } else if (mode == BLIT_BLEND) {
            // Only a fully empty pixel leaves the target as it is.
            if (p != 0)
                dst[i] = BlendPixel(p, dst[i], p >> 24);
        } else if (p != 255) {
            dst[i] = maskValue;
        }
    }
}

} // namespace

// Per channel f * a + b * (255 - a), divided by 255 with rounding: alpha
// 255 gives the foreground and alpha 0 the background exactly. The four
// channels go through one packed 16-bit multiply with the table's factors.
uint32_t BlendPixel(uint32_t foreground, uint32_t background, uint32_t a) {
    const uint16_t* factors = gBlendTable[a & 0xFF];
#ifdef __SSE2__
    __m128i zero = _mm_setzero_si128();
    __m128i f = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(foreground)), zero);
    __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(background)), zero);
    __m128i products = _mm_mullo_epi16(_mm_unpacklo_epi64(f, b),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(factors)));
    // Every sum stays below 65,536: f * a + b * (255 - a) <= 65,025.
    __m128i t =
        _mm_add_epi16(_mm_add_epi16(products, _mm_srli_si128(products, 8)), _mm_set1_epi16(128));
    t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, zero)));
#else
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t f = (foreground >> shift) & 0xFF;
        uint32_t b = (background >> shift) & 0xFF;
        uint32_t t = f * factors[0] + b * factors[4] + 128;
        result |= ((t + (t >> 8)) >> 8) << shift;
    }
    return result;
#endif
}

void SoftwareBlit(const SpriteRecord* record) {
    const Image* source = record->source;
    const Image* target = record->target;
    if (!IsDrawable32(source) || !IsDrawable32(target))
        return;
    int mode = record->flags & (SPRITE_FLAG_MASK | SPRITE_FLAG_ALPHA);
    if (mode == (SPRITE_FLAG_MASK | SPRITE_FLAG_ALPHA))
        return; // remapping through a 256-entry table does not fit 32-bit pixels
    bool mirrorX = (record->flags & SPRITE_FLAG_MIRROR_X) != 0;
    bool mirrorY = (record->flags & SPRITE_FLAG_MIRROR_Y) != 0;
    int64_t cw = DrawnLength(source->width, record->sourceX, record->width);
    int64_t ch = DrawnLength(source->height, record->sourceY, record->height);
    Span cols = ClipSpan(record->x, record->sourceX, cw, target->width, source->width, mirrorX);
    Span rows = ClipSpan(record->y, record->sourceY, ch, target->height, source->height, mirrorY);
    if (cols.hi - cols.lo < 1 || rows.hi - rows.lo < 1)
        return;
    int64_t count = cols.hi - cols.lo;
    int64_t firstColumn = mirrorX ? record->sourceX + cw - 1 - cols.lo : record->sourceX + cols.lo;
    int64_t step = mirrorX ? -1 : 1;
    for (int64_t j = rows.lo; j < rows.hi; ++j) {
        int64_t sourceRow = mirrorY ? record->sourceY + ch - 1 - j : record->sourceY + j;
        const uint32_t* src = PixelRow(source, sourceRow) + firstColumn;
        uint32_t* dst = PixelRow(target, record->y + j) + record->x + cols.lo;
        if (mode == 0 && !mirrorX)
            std::memcpy(dst, src, static_cast<size_t>(count) * sizeof(uint32_t));
        else if (mode == 0)
            BlitRow<BLIT_COPY>(dst, src, count, step, 0);
        else if (mode == SPRITE_FLAG_ALPHA)
            BlitRow<BLIT_BLEND>(dst, src, count, step, 0);
        else
            BlitRow<BLIT_MASK>(dst, src, count, step, record->colour & 0xFF);
    }
}

void SoftwareFillRect(const SpriteRecord* record) {
    const Image* target = record->target;
    uint16_t mode = record->flags;
    if (!IsDrawable32(target) ||
        (mode != FILL_MODE_SOLID && mode != FILL_MODE_CHECKER && mode != FILL_MODE_BLEND))
        return;
    int64_t left = std::max<int64_t>(record->x, 0);
    int64_t top = std::max<int64_t>(record->y, 0);
    int64_t right =
        std::min<int64_t>(static_cast<int64_t>(record->x) + record->width, target->width);
    int64_t bottom =
        std::min<int64_t>(static_cast<int64_t>(record->y) + record->height, target->height);
    if (right - left < 1 || bottom - top < 1)
        return;
    uint32_t colour = record->colour;
    for (int64_t row = top; row < bottom; ++row) {
        uint32_t* dst = PixelRow(target, row);
        if (mode == FILL_MODE_SOLID) {
            std::fill(dst + left, dst + right, colour);
        } else if (mode == FILL_MODE_CHECKER) {
            // Rows count down to 1 at the bottom row; even counts take the
            // even offsets from the left edge, odd counts the odd ones.
            int64_t remaining = bottom - row;
            for (int64_t x = left + (remaining & 1); x < right; x += 2)
                dst[x] = colour;
        } else {
            for (int64_t x = left; x < right; ++x)
                dst[x] = BlendPixel(colour, dst[x], colour >> 24);
        }
    }
}
