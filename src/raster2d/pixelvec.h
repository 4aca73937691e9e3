// pixelvec: many pixels at a time for the raster2d kernels (internal).
//
// Written with the compiler's vector extensions, so one source becomes
// AVX-512, AVX2 or SSE2 code as the build allows. Loads and stores go through memcpy: no alignment
// is assumed, since Image pixel arrays come from the allocator.
#pragma once

#include <cstdint>

#include "raster2d/raster2d.h"

// Vectors passed between inlined helpers; their ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// Pixels per vector: one register of the widest kind the build may use. A
// vector wider than the registers is not split well: the compiler turns its
// compares and selects into one pixel at a time, 10-30x slower.
#if defined(__AVX512F__)
#define PX_LANES    16
#define PX_REVERSED 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 // Lanes back to front
#define PX_PAIRS_SWAPPED                                                                           \
    1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14 // Neighbours exchanged
#elif defined(__AVX2__)
#define PX_LANES         8
#define PX_REVERSED      7, 6, 5, 4, 3, 2, 1, 0
#define PX_PAIRS_SWAPPED 1, 0, 3, 2, 5, 4, 7, 6
#else
#define PX_LANES         4
#define PX_REVERSED      3, 2, 1, 0
#define PX_PAIRS_SWAPPED 1, 0, 3, 2
#endif

typedef uint32_t PxV __attribute__((vector_size(PX_LANES * 4))); // PX_LANES pixels
typedef int32_t IntV __attribute__((vector_size(PX_LANES * 4))); // The same, signed

// PX_LANES pixels from p, any alignment.
static inline PxV LoadPx(const uint32_t *p) {
    PxV v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

// Writes PX_LANES pixels to p, any alignment.
static inline void StorePx(uint32_t *p, PxV v) {
    __builtin_memcpy(p, &v, sizeof v);
}

// Lanes of a where mask (from a vector compare) is all ones, else lanes of b.
static inline PxV SelectPx(IntV mask, PxV a, PxV b) {
    return mask ? a : b;
}

// Sets the n pixels from p to colour.
static inline void FillPx(uint32_t *p, int64_t n, uint32_t colour) {
    const PxV v = PxV{} + colour;
    int64_t i = 0;
    for (; i + PX_LANES <= n; i += PX_LANES) StorePx(p + i, v);
    for (; i < n; i++) p[i] = colour;
}

// Applies op(dst, src) to the area, PX_LANES pixels at a time; dst and src are the
// same buffer or disjoint.
template <class Op> static inline void MapArea(uint32_t *dst, const uint32_t *src, Op op) {
    for (int32_t i = 0; i < AREA_PIXELS; i += PX_LANES) {
        StorePx(dst + i, op(LoadPx(dst + i), LoadPx(src + i)));
    }
}

// Applies op(p) to every pixel of the area.
template <class Op> static inline void MapAreaInPlace(uint32_t *buffer, Op op) {
    for (int32_t i = 0; i < AREA_PIXELS; i += PX_LANES) StorePx(buffer + i, op(LoadPx(buffer + i)));
}

// Exact unsigned division by a fixed divisor d, for dividends up to 255 * d
// (a mean of 8-bit channels): n * m >> 56 with m = 2^56 / d + 1. The rounding
// error n * (m - 2^56 / d) / 2^56 stays below 1/d while 255 * d^2 < 2^56, and
// n * m < 2^64; beyond d = 2^24 it divides.
typedef struct Divider {
    uint64_t divisor;    // d, >= 1
    uint64_t multiplier; // 2^56 / d + 1, or 0 to divide
} Divider;

// The Divider for d (>= 1).
static inline Divider MakeDivider(uint64_t d) {
    return Divider{d, d < (1u << 24) ? (uint64_t(1) << 56) / d + 1 : 0};
}

// n / d, truncated, for n up to 255 x d.
static inline uint64_t Divide(const Divider &div, uint64_t n) {
    return div.multiplier ? (n * div.multiplier) >> 56 : n / div.divisor;
}
