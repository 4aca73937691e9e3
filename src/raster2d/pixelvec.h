// pixelvec: eight pixels at a time for the raster2d kernels (internal).
//
// Written with the compiler's vector extensions, so one source becomes AVX2
// (or wider) in the -march=native build and SSE2 in the debug and sanitizer
// builds. Loads and stores go through memcpy: no alignment is assumed, since
// Image pixel arrays come from the allocator.
#pragma once

#include <cstdint>

#include "raster2d/raster2d.h"

// 32-byte vectors passed between inlined helpers; their ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef uint32_t Px8 __attribute__((vector_size(32))); // Eight pixels
typedef uint64_t Wide4 __attribute__((vector_size(32)));
typedef uint16_t Word16 __attribute__((vector_size(32)));
typedef uint8_t Byte16 __attribute__((vector_size(16)));

static inline Px8 LoadPx8(const uint32_t *p) {
    Px8 v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

static inline void StorePx8(uint32_t *p, Px8 v) {
    __builtin_memcpy(p, &v, sizeof v);
}

// Lanes of a where mask is all ones, else lanes of b (mask from a vector compare).
static inline Px8 SelectPx8(Px8 mask, Px8 a, Px8 b) {
    return (mask & a) | (~mask & b);
}

// Per channel (s * a + d * (255 - a)) >> 8, red and blue in one multiply on the
// pair mask and green in another; a is 0-255 in every lane. The largest
// product, 0xFF00FF * 255, fits in 32 bits and the two weighted channels of a
// pair never carry into each other since the weights add up to 255.
static inline Px8 BlendPx8(Px8 s, Px8 d, Px8 a) {
    Px8 b = 255 - a;
    Px8 rb = (((s & 0xFF00FF) * a + (d & 0xFF00FF) * b) >> 8) & 0xFF00FF;
    Px8 g = (((s & 0xFF00) * a + (d & 0xFF00) * b) >> 8) & 0xFF00;
    return rb + g;
}

// Applies op(dst, src) to the area, eight pixels at a time; dst and src are the
// same buffer or disjoint.
template <class Op> static inline void MapArea(uint32_t *dst, const uint32_t *src, Op op) {
    for (int32_t i = 0; i < AREA_PIXELS; i += 8) {
        StorePx8(dst + i, op(LoadPx8(dst + i), LoadPx8(src + i)));
    }
}

// Applies op(p) to every pixel of the area.
template <class Op> static inline void MapAreaInPlace(uint32_t *buffer, Op op) {
    for (int32_t i = 0; i < AREA_PIXELS; i += 8) StorePx8(buffer + i, op(LoadPx8(buffer + i)));
}

// Exact unsigned division by a fixed divisor d, for dividends up to 255 * d
// (a mean of 8-bit channels): n * m >> 56 with m = 2^56 / d + 1. The rounding
// error n * (m - 2^56 / d) / 2^56 stays below 1/d while 255 * d^2 < 2^56, and
// n * m < 2^64; beyond d = 2^24 it divides.
typedef struct Divider {
    uint64_t divisor;    // d, >= 1
    uint64_t multiplier; // 2^56 / d + 1, or 0 to divide
} Divider;

static inline Divider MakeDivider(uint64_t d) {
    return Divider{d, d < (1u << 24) ? (uint64_t(1) << 56) / d + 1 : 0};
}

static inline uint64_t Divide(const Divider &div, uint64_t n) {
    return div.multiplier ? (n * div.multiplier) >> 56 : n / div.divisor;
}
