#include "graphics/d3d9/soft_pixels.h"

#include <emmintrin.h>

namespace {

// Four pixels widened to 16-bit lanes: B, G, R, A of the low two pixels
// and of the high two.
struct Wide {
    __m128i lo;
    __m128i hi;
};

inline Wide Widen(__m128i pixels) {
    __m128i zero = _mm_setzero_si128();
    return {_mm_unpacklo_epi8(pixels, zero), _mm_unpackhi_epi8(pixels, zero)};
}

inline __m128i Narrow(Wide w) {
    return _mm_packus_epi16(w.lo, w.hi);
}

// Lane 3 of each pixel (its alpha) copied to all four of its lanes.
inline __m128i SpreadAlpha(__m128i wide) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}

inline __m128i MulRound255x8(__m128i x, __m128i y) {
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, y), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

inline __m128i MulBlend255x8(__m128i x, __m128i y) {
    __m128i t = _mm_mullo_epi16(x, y);
    t = _mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(128));
    return _mm_srli_epi16(t, 8);
}

inline __m128i Modulate4(__m128i pixels, Wide diffuse) {
    Wide p = Widen(pixels);
    return Narrow({MulRound255x8(p.lo, diffuse.lo), MulRound255x8(p.hi, diffuse.hi)});
}

inline __m128i BlendHalf(__m128i s, __m128i d) {
    __m128i a = SpreadAlpha(s);
    __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), a);
    return _mm_add_epi16(MulBlend255x8(s, a), MulBlend255x8(d, inv));
}

inline __m128i Blend4(__m128i src, __m128i dst) {
    Wide s = Widen(src);
    Wide d = Widen(dst);
    return Narrow({BlendHalf(s.lo, d.lo), BlendHalf(s.hi, d.hi)});
}

// All bits set in the lanes of pixels whose alpha is 255.
inline __m128i OpaqueLanes(__m128i pixels) {
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_cmpeq_epi32(_mm_and_si128(pixels, alphaBits), alphaBits);
}

// Bit i set when pixel i's alpha is 255 (opaque) or 0 (transparent).
inline int OpaqueMask(__m128i pixels) {
    return _mm_movemask_ps(_mm_castsi128_ps(OpaqueLanes(pixels)));
}

inline int TransparentMask(__m128i pixels) {
    __m128i alpha = _mm_and_si128(pixels, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(alpha, _mm_setzero_si128())));
}

inline uint32_t ShadeOne(uint32_t src, uint32_t dst, uint32_t diffuse, bool blend) {
    if (diffuse != kOpaqueWhite)
        src = ModulatePixel(src, diffuse);
    if (!blend)
        return src;
    uint32_t a = src >> 24;
    if (a == 255)
        return src;
    if (a == 0)
        return dst;
    return BlendPixel(src, dst);
}

} // namespace

void ShadeRowReference(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse,
                       bool blend) {
    for (int32_t i = 0; i < count; ++i) {
        uint32_t s = diffuse != kOpaqueWhite ? ModulatePixel(src[i], diffuse) : src[i];
        dst[i] = blend ? BlendPixel(s, dst[i]) : s;
    }
}

void ShadeRow(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse, bool blend) {
    bool modulate = diffuse != kOpaqueWhite;
    Wide diffuseWide = Widen(_mm_set1_epi32(static_cast<int>(diffuse)));
    int32_t i = (count >= 8 && CpuHasAvx2()) ? ShadeRowAvx2(dst, src, count, diffuse, blend) : 0;
    for (; i + 4 <= count; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if (modulate)
            s = Modulate4(s, diffuseWide);
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        if (!blend) {
            _mm_storeu_si128(d, s);
            continue;
        }
        // Artwork is mostly fully opaque or fully transparent: those groups
        // need no arithmetic.
        int opaque = OpaqueMask(s);
        if (opaque == 0xF) {
            _mm_storeu_si128(d, s);
            continue;
        }
        int transparent = TransparentMask(s);
        if (transparent == 0xF)
            continue;
        __m128i old = _mm_loadu_si128(d);
        if ((opaque | transparent) == 0xF) {
            // Only whole and no coverage: pick per pixel.
            __m128i take = OpaqueLanes(s);
            _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(take, s), _mm_andnot_si128(take, old)));
        } else {
            _mm_storeu_si128(d, Blend4(s, old));
        }
    }
    for (; i < count; ++i)
        dst[i] = ShadeOne(src[i], dst[i], diffuse, blend);
}

void ShadeRowSolid(uint32_t* dst, int32_t count, uint32_t colour, bool blend) {
    uint32_t a = colour >> 24;
    if (blend && a == 0)
        return;
    if (!blend || a == 255) {
        for (int32_t i = 0; i < count; ++i)
            dst[i] = colour;
        return;
    }
    __m128i s = _mm_set1_epi32(static_cast<int>(colour));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        _mm_storeu_si128(d, Blend4(s, _mm_loadu_si128(d)));
    }
    for (; i < count; ++i)
        dst[i] = BlendPixel(colour, dst[i]);
}
