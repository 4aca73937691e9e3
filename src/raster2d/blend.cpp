// The two blends, BlendByBlue and CrossFade: per channel
//
//   (s * a + d * (255 - a)) >> 8
//
// which is the pair-mask form ((s & 0xFF00FF) * a + (d & 0xFF00FF) * (255 - a))
// >> 8 & 0xFF00FF (and the same for green) taken channel by channel: a
// weighted channel sum is at most 255 * 255, so it never carries into the next
// channel, and it fits a 16-bit lane. So the blends weigh channels in 16-bit
// lanes with 16-bit multiplies, blue and red in the two halves of a pixel's
// lane, green alone, and take each result from the high byte of its sum. Bits
// 24-31 of every result are 0.
#include <algorithm>

#if defined(__AVX512BW__)
#include <immintrin.h>
#endif

#include "raster2d/kernels.h"
#include "raster2d/pixelvec.h"

namespace RASTER2D_VARIANT {

#if defined(__AVX512BW__)

namespace {

// A vpshufb pattern that picks bytes b0-b3 of each pixel (-1 gives 0).
__m512i PixelBytes(int b0, int b1, int b2, int b3) {
    alignas(64) uint8_t pattern[64];
    const int pick[4] = {b0, b1, b2, b3};
    for (int k = 0; k < 64; k++) {
        // vpshufb indexes within each 16-byte lane: pixel k / 4 of it is at 4 * ((k / 4) % 4).
        pattern[k] = pick[k % 4] < 0 ? 0x80 : uint8_t(pick[k % 4] + (k & 12));
    }
    return _mm512_load_si512(pattern);
}

struct Blender {
    const __m512i pairMask = _mm512_set1_epi32(0xFF00FF), greenMask = _mm512_set1_epi32(0xFF00);
    const __m512i weightOf = PixelBytes(0, -1, 0, -1); // blue into both 16-bit halves
    const __m512i greenOf = PixelBytes(1, -1, -1, -1); // green alone in the low half
    const __m512i highOf = PixelBytes(1, -1, 3, -1);   // high bytes of the blue and red sums

    // Sixteen pixels of s over d with a (0-255) in both 16-bit halves of every lane.
    __m512i Blend(__m512i s, __m512i d, __m512i a) const {
        const __m512i rest = _mm512_sub_epi16(pairMask, a);
        const __m512i even =
            _mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(s, pairMask), a),
                             _mm512_mullo_epi16(_mm512_and_si512(d, pairMask), rest));
        const __m512i odd =
            _mm512_add_epi16(_mm512_mullo_epi16(_mm512_shuffle_epi8(s, greenOf), a),
                             _mm512_mullo_epi16(_mm512_shuffle_epi8(d, greenOf), rest));
        // high bytes of even | (odd & 0xFF00): green's result is its sum's high byte in place.
        return _mm512_ternarylogic_epi32(_mm512_shuffle_epi8(even, highOf), odd, greenMask, 0xF8);
    }
};

} // namespace

void BlendByBlue(uint32_t *dst, const uint32_t *src) {
    const Blender blender;
    for (int32_t i = 0; i < AREA_PIXELS; i += 16) {
        const __m512i s = _mm512_loadu_si512(src + i), d = _mm512_loadu_si512(dst + i);
        const __m512i blended = blender.Blend(s, d, _mm512_shuffle_epi8(s, blender.weightOf));
        _mm512_mask_storeu_epi32(dst + i, _mm512_test_epi32_mask(s, s), blended); // black: kept
    }
}

void CrossFade(uint32_t *dst, const uint32_t *src, uint32_t alpha) {
    if (alpha == 0) return;
    const Blender blender;
    const __m512i a = _mm512_set1_epi32(int(std::min<uint32_t>(alpha, 255) * 0x10001u));
    for (int32_t i = 0; i < AREA_PIXELS; i += 16) {
        const __m512i s = _mm512_loadu_si512(src + i), d = _mm512_loadu_si512(dst + i);
        _mm512_storeu_si512(dst + i, blender.Blend(s, d, a));
    }
}

#else

namespace {

typedef uint16_t WordV __attribute__((vector_size(PX_LANES * 4))); // 16-bit halves of pixels

// PX_LANES pixels of s over d with a (0-255) in both 16-bit halves of every
// lane. Green is brought down by a 16-bit shift; what that brings into the
// high half (bits 24-31) is masked off at the end.
PxV BlendPx(PxV s, PxV d, PxV a) {
    const WordV weight = WordV(a), rest = WordV(0xFF00FF - a);
    const WordV even = WordV(s & 0xFF00FF) * weight + WordV(d & 0xFF00FF) * rest;
    const WordV odd = (WordV(s) >> 8) * weight + (WordV(d) >> 8) * rest;
    return PxV(even >> 8) | (PxV(odd) & 0xFF00);
}

} // namespace

void BlendByBlue(uint32_t *dst, const uint32_t *src) {
    MapArea(dst, src, [](PxV d, PxV s) {
        const PxV a = s & 0xFF;
        return SelectPx(s != 0, BlendPx(s, d, a | a << 16), d);
    });
}

void CrossFade(uint32_t *dst, const uint32_t *src, uint32_t alpha) {
    if (alpha == 0) return;
    const PxV a = PxV{} + std::min<uint32_t>(alpha, 255) * 0x10001u;
    MapArea(dst, src, [=](PxV d, PxV s) { return BlendPx(s, d, a); });
}

#endif

} // namespace RASTER2D_VARIANT
