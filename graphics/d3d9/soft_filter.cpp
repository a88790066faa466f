#include "graphics/d3d9/soft_filter.h"

#include <emmintrin.h>

#include "graphics/d3d9/soft_filter_avx2.h"
#include "graphics/d3d9/soft_pixels.h"

namespace {

// In 16-bit lanes a * keep + b * w stays below 65536 (it is at most
// 255 * 256), so the lanes hold LerpTexel's sums exactly.
inline __m128i RoundDown8(__m128i sum) {
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

inline __m128i Widen(__m128i bytes) {
    return _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
}

// Texels a and b of one pixel, widened: B, G, R, A of a, then of b.
template <bool kSideBySide>
inline __m128i LoadPair(const uint32_t* texels, const int32_t* first, const int32_t* second,
                        int32_t i) {
    if (kSideBySide)
        return Widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + first[i])));
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(texels[first[i]]));
    __m128i b = _mm_cvtsi32_si128(static_cast<int>(texels[second[i]]));
    return Widen(_mm_unpacklo_epi32(a, b));
}

// Two pixels' pairs times their weights, each pair summed and rounded.
inline __m128i FinishTwo(__m128i products0, __m128i products1) {
    __m128i sums = _mm_add_epi16(_mm_unpacklo_epi64(products0, products1),
                                 _mm_unpackhi_epi64(products0, products1));
    return RoundDown8(sums);
}

template <bool kSideBySide>
void LerpFourColumns(uint32_t* out, const uint32_t* texels, const int32_t* first,
                     const int32_t* second, const uint32_t* weights) {
    // keep0 w0 keep1 w1 ...: each spread to keep keep keep keep w w w w.
    __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights));
    __m128i low = _mm_unpacklo_epi16(packed, packed);
    __m128i high = _mm_unpackhi_epi16(packed, packed);
    __m128i m0 = _mm_mullo_epi16(LoadPair<kSideBySide>(texels, first, second, 0),
                                 _mm_unpacklo_epi32(low, low));
    __m128i m1 = _mm_mullo_epi16(LoadPair<kSideBySide>(texels, first, second, 1),
                                 _mm_unpackhi_epi32(low, low));
    __m128i m2 = _mm_mullo_epi16(LoadPair<kSideBySide>(texels, first, second, 2),
                                 _mm_unpacklo_epi32(high, high));
    __m128i m3 = _mm_mullo_epi16(LoadPair<kSideBySide>(texels, first, second, 3),
                                 _mm_unpackhi_epi32(high, high));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_packus_epi16(FinishTwo(m0, m1), FinishTwo(m2, m3)));
}

} // namespace

void LerpTexelRows(uint32_t* out, const uint32_t* top, const uint32_t* bottom, int32_t count,
                   uint32_t w) {
    const __m128i keep = _mm_set1_epi16(static_cast<short>(256 - w));
    const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
    const __m128i zero = _mm_setzero_si128();
    int32_t c = (count >= 8 && CpuHasAvx2()) ? LerpTexelRowsAvx2(out, top, bottom, count, w) : 0;
    for (; c + 4 <= count; c += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + c));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + c));
        __m128i low = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), keep),
                                    _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), weight));
        __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), keep),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), weight));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c),
                         _mm_packus_epi16(RoundDown8(low), RoundDown8(high)));
    }
    for (; c < count; ++c)
        out[c] = LerpTexel(top[c], bottom[c], w);
}

// Groups whose pairs all lie side by side (all but where the texture
// wraps) load each pair at once.
void LerpTexelColumns(uint32_t* out, const uint32_t* texels, const int32_t* first,
                      const int32_t* second, const uint32_t* weights, int32_t count) {
    int32_t i = (count >= 8 && CpuHasAvx2())
                    ? LerpTexelColumnsAvx2(out, texels, first, second, weights, count)
                    : 0;
    const __m128i one = _mm_set1_epi32(1);
    for (; i + 4 <= count; i += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + i));
        __m128i next = _mm_cmpeq_epi32(b, _mm_add_epi32(a, one));
        if (_mm_movemask_ps(_mm_castsi128_ps(next)) == 0xF)
            LerpFourColumns<true>(out + i, texels, first + i, second + i, weights + i);
        else
            LerpFourColumns<false>(out + i, texels, first + i, second + i, weights + i);
    }
    for (; i < count; ++i)
        out[i] = LerpTexel(texels[first[i]], texels[second[i]], weights[i] >> 16);
}
