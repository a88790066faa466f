// ShadeRow eight pixels at a time, for processors with AVX2; chosen at run
// time, so the program still runs on any x86-64.
#include <immintrin.h>

#include "graphics/d3d9/soft_pixels.h"

#define QB_AVX2 __attribute__((target("avx2")))

namespace {

struct Wide8 {
    __m256i lo;
    __m256i hi;
};

QB_AVX2 inline Wide8 Widen8(__m256i pixels) {
    __m256i zero = _mm256_setzero_si256();
    return {_mm256_unpacklo_epi8(pixels, zero), _mm256_unpackhi_epi8(pixels, zero)};
}

QB_AVX2 inline __m256i Narrow8(Wide8 w) {
    return _mm256_packus_epi16(w.lo, w.hi);
}

QB_AVX2 inline __m256i MulRound255x16(__m256i x, __m256i y) {
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(x, y), _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

QB_AVX2 inline __m256i MulBlend255x16(__m256i x, __m256i y) {
    __m256i t = _mm256_mullo_epi16(x, y);
    t = _mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), _mm256_set1_epi16(128));
    return _mm256_srli_epi16(t, 8);
}

QB_AVX2 inline __m256i BlendHalf8(__m256i s, __m256i d) {
    __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    __m256i inv = _mm256_sub_epi16(_mm256_set1_epi16(255), a);
    return _mm256_add_epi16(MulBlend255x16(s, a), MulBlend255x16(d, inv));
}

QB_AVX2 inline __m256i Blend8(__m256i src, __m256i dst) {
    Wide8 s = Widen8(src);
    Wide8 d = Widen8(dst);
    return Narrow8({BlendHalf8(s.lo, d.lo), BlendHalf8(s.hi, d.hi)});
}

QB_AVX2 inline __m256i Modulate8(__m256i pixels, Wide8 diffuse) {
    Wide8 p = Widen8(pixels);
    return Narrow8({MulRound255x16(p.lo, diffuse.lo), MulRound255x16(p.hi, diffuse.hi)});
}

} // namespace

QB_AVX2 int32_t ShadeRowAvx2(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t diffuse,
                             bool blend) {
    bool modulate = diffuse != kOpaqueWhite;
    Wide8 diffuseWide = Widen8(_mm256_set1_epi32(static_cast<int>(diffuse)));
    const __m256i alphaBits = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        if (modulate)
            s = Modulate8(s, diffuseWide);
        auto* d = reinterpret_cast<__m256i*>(dst + i);
        if (!blend) {
            _mm256_storeu_si256(d, s);
            continue;
        }
        __m256i alpha = _mm256_and_si256(s, alphaBits);
        __m256i opaqueLanes = _mm256_cmpeq_epi32(alpha, alphaBits);
        int opaque = _mm256_movemask_ps(_mm256_castsi256_ps(opaqueLanes));
        if (opaque == 0xFF) {
            _mm256_storeu_si256(d, s);
            continue;
        }
        int transparent = _mm256_movemask_ps(
            _mm256_castsi256_ps(_mm256_cmpeq_epi32(alpha, _mm256_setzero_si256())));
        if (transparent == 0xFF)
            continue;
        __m256i old = _mm256_loadu_si256(d);
        if ((opaque | transparent) == 0xFF)
            _mm256_storeu_si256(d, _mm256_blendv_epi8(old, s, opaqueLanes));
        else
            _mm256_storeu_si256(d, Blend8(s, old));
    }
    return i;
}

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
