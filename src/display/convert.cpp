// The eight row converters: 0x00RRGGBB to each screen format. Each channel
// keeps its top bits (red5 = bits 19-23, green6 = bits 10-15, green5 = bits
// 11-15, blue5 = bits 3-7), shifted into place; the rest is dropped.
#include "display/display.h"

#include <cstring>

// Vectors pass only between inlined helpers here; the ABI note for builds
// without AVX does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// The converters work on blocks of 8 pixels (16 for 24-bit) as whole
// vectors, then on the last few pixels one by one with the same expression.
// The compiler turns the vector types into SSE/AVX code of the host. Plain
// one-pixel-at-a-time versions in the tests check these bit for bit.
typedef uint32_t U32x8 __attribute__((vector_size(32))); // Eight source pixels
typedef uint16_t U16x8 __attribute__((vector_size(16))); // Eight 16-bit pixels
typedef uint8_t U8x16 __attribute__((vector_size(16)));  // Four source pixels as bytes

// Packs each pixel into 16 bits with pack, which applies one format's shifts
// and masks to one pixel or to eight at once.
template <class Pack>
static inline void Convert16(const uint32_t *__restrict src, uint8_t *__restrict dst, int count,
                             Pack pack) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        U32x8 p;
        memcpy(&p, src + i, sizeof p);
        U16x8 h = __builtin_convertvector(pack(p), U16x8);
        memcpy(dst + 2 * i, &h, sizeof h);
    }
    for (; i < count; i++) {
        uint16_t h = (uint16_t)pack(src[i]);
        memcpy(dst + 2 * i, &h, 2);
    }
}

void ConvertRow565(const uint32_t *src, uint8_t *dst, int count) {
    // red5 = bits 19-23 to 11-15, green6 = bits 10-15 to 5-10, blue5 = bits 3-7 to 0-4.
    Convert16(src, dst, count,
              [](auto p) { return (p & 0xF80000) >> 8 | (p & 0xFC00) >> 5 | (p & 0xF8) >> 3; });
}

void ConvertRow565Bgr(const uint32_t *src, uint8_t *dst, int count) {
    // red5 to 0-4, green6 to 5-10, blue5 to 11-15.
    Convert16(src, dst, count,
              [](auto p) { return (p & 0xF80000) >> 19 | (p & 0xFC00) >> 5 | (p & 0xF8) << 8; });
}

void ConvertRow555(const uint32_t *src, uint8_t *dst, int count) {
    // red5 to 10-14, green5 = bits 11-15 to 5-9, blue5 to 0-4; bit 15 stays 0.
    Convert16(src, dst, count,
              [](auto p) { return (p & 0xF80000) >> 9 | (p & 0xF800) >> 6 | (p & 0xF8) >> 3; });
}

void ConvertRow555Bgr(const uint32_t *src, uint8_t *dst, int count) {
    // red5 to 0-4, green5 to 5-9, blue5 to 10-14; bit 15 stays 0.
    Convert16(src, dst, count,
              [](auto p) { return (p & 0xF80000) >> 19 | (p & 0xF800) >> 6 | (p & 0xF8) << 7; });
}

void ConvertRow32(const uint32_t *src, uint8_t *dst, int count) {
    // The screen's own layout: the whole word, bits 24-31 included.
    if (count > 0) memcpy(dst, src, (size_t)count * 4);
}

void ConvertRow32Bgr(const uint32_t *__restrict src, uint8_t *__restrict dst, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        U32x8 p;
        memcpy(&p, src + i, sizeof p);
        U32x8 q = (p & 0xFF0000) >> 16 | (p & 0xFF00) | (p & 0xFF) << 16;
        memcpy(dst + 4 * i, &q, sizeof q);
    }
    for (; i < count; i++) {
        uint32_t p = src[i];
        uint32_t q = (p & 0xFF0000) >> 16 | (p & 0xFF00) | (p & 0xFF) << 16;
        memcpy(dst + 4 * i, &q, 4);
    }
}

// 16 pixels (64 bytes) make 48 bytes of 24-bit output: bytes b0, b1, b2 of
// each pixel in turn (0, 1, 2 keeps blue, green, red; 2, 1, 0 swaps red and
// blue). Each 16-byte output is one shuffle of two 4-pixel input vectors:
// the first takes pixels 0-4 and byte b0 of pixel 5, and so on. Nothing is
// written past 3 x count bytes.
template <int b0, int b1, int b2>
static inline void Convert24(const uint32_t *__restrict src, uint8_t *__restrict dst, int count) {
    int i = 0;
    for (; i + 16 <= count; i += 16, dst += 48) {
        U8x16 a, b, c, d;
        memcpy(&a, src + i, 16);
        memcpy(&b, src + i + 4, 16);
        memcpy(&c, src + i + 8, 16);
        memcpy(&d, src + i + 12, 16);
        U8x16 o0 = __builtin_shufflevector(a, b, b0, b1, b2, 4 + b0, 4 + b1, 4 + b2, 8 + b0, 8 + b1,
                                           8 + b2, 12 + b0, 12 + b1, 12 + b2, 16 + b0, 16 + b1,
                                           16 + b2, 20 + b0);
        U8x16 o1 = __builtin_shufflevector(b, c, 4 + b1, 4 + b2, 8 + b0, 8 + b1, 8 + b2, 12 + b0,
                                           12 + b1, 12 + b2, 16 + b0, 16 + b1, 16 + b2, 20 + b0,
                                           20 + b1, 20 + b2, 24 + b0, 24 + b1);
        U8x16 o2 = __builtin_shufflevector(c, d, 8 + b2, 12 + b0, 12 + b1, 12 + b2, 16 + b0,
                                           16 + b1, 16 + b2, 20 + b0, 20 + b1, 20 + b2, 24 + b0,
                                           24 + b1, 24 + b2, 28 + b0, 28 + b1, 28 + b2);
        memcpy(dst, &o0, 16);
        memcpy(dst + 16, &o1, 16);
        memcpy(dst + 32, &o2, 16);
    }
    for (; i < count; i++, dst += 3) {
        uint32_t p = src[i];
        dst[0] = (uint8_t)(p >> 8 * b0);
        dst[1] = (uint8_t)(p >> 8 * b1);
        dst[2] = (uint8_t)(p >> 8 * b2);
    }
}

void ConvertRow24(const uint32_t *src, uint8_t *dst, int count) {
    Convert24<0, 1, 2>(src, dst, count); // blue, green, red
}

void ConvertRow24Bgr(const uint32_t *src, uint8_t *dst, int count) {
    Convert24<2, 1, 0>(src, dst, count); // red, green, blue
}

RowConverter ChooseRowConverter(int bitCount, uint32_t redMask, uint32_t greenMask,
                                uint32_t blueMask) {
    static const struct {
        int bitCount;
        uint32_t red, green, blue;
        RowConverter converter;
    } table[] = {
        {32, 0xFF0000, 0xFF00, 0xFF, ConvertRow32}, {32, 0xFF, 0xFF00, 0xFF0000, ConvertRow32Bgr},
        {24, 0xFF0000, 0xFF00, 0xFF, ConvertRow24}, {24, 0xFF, 0xFF00, 0xFF0000, ConvertRow24Bgr},
        {16, 0xF800, 0x7E0, 0x1F, ConvertRow565},   {16, 0x1F, 0x7E0, 0xF800, ConvertRow565Bgr},
        {16, 0x7C00, 0x3E0, 0x1F, ConvertRow555},   {16, 0x1F, 0x3E0, 0x7C00, ConvertRow555Bgr},
    };
    for (const auto &t : table)
        if (t.bitCount == bitCount && t.red == redMask && t.green == greenMask &&
            t.blue == blueMask)
            return t.converter;
    return nullptr;
}
