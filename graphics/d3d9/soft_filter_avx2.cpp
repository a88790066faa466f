// The filter's rows eight pixels at a time, for processors with AVX2;
// chosen at run time, so the program still runs on any x86-64.
#include <immintrin.h>

#include "graphics/d3d9/soft_filter_avx2.h"

#define QB_AVX2 __attribute__((target("avx2")))

namespace {

// As in the SSE2 rows: every 16-bit lane holds its channel's sum exactly.
QB_AVX2 inline __m256i RoundDown8x16(__m256i sum) {
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

QB_AVX2 inline __m128i LoadTwo(const uint32_t* a, const uint32_t* b) {
    __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
    return _mm_castpd_si128(
        _mm_loadh_pd(_mm_castsi128_pd(low), reinterpret_cast<const double*>(b)));
}

// The texel pairs of pixels i and i + 4, widened: one pixel a 128-bit lane.
template <bool kSideBySide>
QB_AVX2 inline __m256i LoadPairs(const uint32_t* texels, const int32_t* first,
                                 const int32_t* second, int32_t i) {
    if (kSideBySide)
        return _mm256_cvtepu8_epi16(LoadTwo(texels + first[i], texels + first[i + 4]));
    __m128i low = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(texels[first[i]])),
                                     _mm_cvtsi32_si128(static_cast<int>(texels[second[i]])));
    __m128i high = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(texels[first[i + 4]])),
                                      _mm_cvtsi32_si128(static_cast<int>(texels[second[i + 4]])));
    return _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(low, high));
}

QB_AVX2 inline __m256i SumPairs(__m256i products0, __m256i products1) {
    return RoundDown8x16(_mm256_add_epi16(_mm256_unpacklo_epi64(products0, products1),
                                          _mm256_unpackhi_epi64(products0, products1)));
}

// Pixels 0 and 4, 1 and 5, 2 and 6, 3 and 7 share a register each, so that
// the packed sums come out in order.
template <bool kSideBySide>
QB_AVX2 inline void LerpEightColumns(uint32_t* out, const uint32_t* texels, const int32_t* first,
                                     const int32_t* second, const uint32_t* weights) {
    __m256i packed = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights));
    __m256i low = _mm256_unpacklo_epi16(packed, packed);
    __m256i high = _mm256_unpackhi_epi16(packed, packed);
    __m256i m0 = _mm256_mullo_epi16(LoadPairs<kSideBySide>(texels, first, second, 0),
                                    _mm256_unpacklo_epi32(low, low));
    __m256i m1 = _mm256_mullo_epi16(LoadPairs<kSideBySide>(texels, first, second, 1),
                                    _mm256_unpackhi_epi32(low, low));
    __m256i m2 = _mm256_mullo_epi16(LoadPairs<kSideBySide>(texels, first, second, 2),
                                    _mm256_unpacklo_epi32(high, high));
    __m256i m3 = _mm256_mullo_epi16(LoadPairs<kSideBySide>(texels, first, second, 3),
                                    _mm256_unpackhi_epi32(high, high));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_packus_epi16(SumPairs(m0, m1), SumPairs(m2, m3)));
}

} // namespace

QB_AVX2 int32_t LerpTexelRowsAvx2(uint32_t* out, const uint32_t* top, const uint32_t* bottom,
                                  int32_t count, uint32_t w) {
    const __m256i keep = _mm256_set1_epi16(static_cast<short>(256 - w));
    const __m256i weight = _mm256_set1_epi16(static_cast<short>(w));
    const __m256i zero = _mm256_setzero_si256();
    int32_t c = 0;
    for (; c + 8 <= count; c += 8) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + c));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + c));
        __m256i low = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), keep),
                                       _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), weight));
        __m256i high = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), keep),
                                        _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), weight));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c),
                            _mm256_packus_epi16(RoundDown8x16(low), RoundDown8x16(high)));
    }
    return c;
}

// Groups whose pairs all lie side by side (all but where the texture
// wraps) load each pair at once.
QB_AVX2 int32_t LerpTexelColumnsAvx2(uint32_t* out, const uint32_t* texels, const int32_t* first,
                                     const int32_t* second, const uint32_t* weights,
                                     int32_t count) {
    const __m256i one = _mm256_set1_epi32(1);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + i));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second + i));
        __m256i next = _mm256_cmpeq_epi32(b, _mm256_add_epi32(a, one));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(next)) == 0xFF)
            LerpEightColumns<true>(out + i, texels, first + i, second + i, weights + i);
        else
            LerpEightColumns<false>(out + i, texels, first + i, second + i, weights + i);
    }
    return i;
}
