// kernels: the pixel loops are built twice, for baseline x86-64 (SSE2, in
// namespace plain) and for AVX2 (namespace avx2), and the public functions
// call the build chosen for the CPU once at start-up (internal).
//
// Both builds come from one source and give the same pixels: the loops are
// integer arithmetic, and the tests run every kernel of both builds against
// plain one-pixel-at-a-time versions.
#pragma once

#include "raster2d/raster2d.h"

#ifndef RASTER2D_VARIANT
#define RASTER2D_VARIANT plain // The namespace the kernel sources define their functions in
#endif

// X(name, parameters, arguments) for every function of raster2d.h that the
// kernel sources (blend, blur, compose, mosaic) define; all return void.
#define RASTER2D_KERNELS(X)                                                                        \
    X(DrawImage, (uint32_t * dst, const uint32_t *end, int32_t x, int32_t y, const Image *image),  \
      (dst, end, x, y, image))                                                                     \
    X(CopyToScreen, (uint32_t * screen, int32_t x, int32_t y, const uint32_t *render),             \
      (screen, x, y, render))                                                                      \
    X(CopyView, (uint32_t * dst, const uint32_t *src), (dst, src))                                 \
    X(ComposeOverlay, (uint32_t * dst, const uint32_t *base, const uint32_t *overlay),             \
      (dst, base, overlay))                                                                        \
    X(CopyBelow, (uint32_t * dst, const uint32_t *src, uint32_t threshold), (dst, src, threshold)) \
    X(CopyAbove, (uint32_t * dst, const uint32_t *src, uint32_t threshold), (dst, src, threshold)) \
    X(CopyExceptKey, (uint32_t * dst, const uint32_t *src, uint32_t key), (dst, src, key))         \
    X(CopyExceptRedKey, (uint32_t * dst, const uint32_t *src), (dst, src))                         \
    X(CopyInvertEqual, (uint32_t * dst, const uint32_t *src), (dst, src))                          \
    X(BlendByBlue, (uint32_t * dst, const uint32_t *src), (dst, src))                              \
    X(CrossFade, (uint32_t * dst, const uint32_t *src, uint32_t alpha), (dst, src, alpha))         \
    X(SubtractFromGrey, (uint32_t * buffer, int32_t level), (buffer, level))                       \
    X(InvertBuffer, (uint32_t * buffer), (buffer))                                                 \
    X(Binarize, (uint32_t * buffer), (buffer))                                                     \
    X(RotateTopHalfDown, (uint32_t * buffer), (buffer))                                            \
    X(FillLeftFromColumn, (uint32_t * buffer, int32_t n), (buffer, n))                             \
    X(Pixelate, (uint32_t * buffer, const uint32_t *end, uint32_t w, uint32_t h),                  \
      (buffer, end, w, h))                                                                         \
    X(SmearBlur, (uint32_t * buffer, const uint32_t *end, uint32_t w, uint32_t h),                 \
      (buffer, end, w, h))                                                                         \
    X(Blur2x2, (uint32_t * buffer, const uint32_t *end), (buffer, end))                            \
    X(Blur2x2Twice, (uint32_t * buffer, const uint32_t *end), (buffer, end))                       \
    X(Average2x2,                                                                                  \
      (uint32_t * buffer, int32_t x, int32_t y, uint32_t a, uint32_t b, uint32_t c, uint32_t d),   \
      (buffer, x, y, a, b, c, d))                                                                  \
    X(Average2x2Blocks, (uint32_t * buffer), (buffer))

#define RASTER2D_DECLARE(name, params, args) void name params;
namespace plain {
RASTER2D_KERNELS(RASTER2D_DECLARE)
}
namespace avx2 {
RASTER2D_KERNELS(RASTER2D_DECLARE)
}
#undef RASTER2D_DECLARE

// Makes the public functions call the AVX2 build (avx2 non-zero, and only
// when the CPU has AVX2 and the AVX2 build exists) or the baseline build.
// Returns 1 when the AVX2 build is in use, else 0. For tests; the choice at
// start-up takes AVX2 whenever it can.
int SelectRaster2dKernels(int avx2);
// 1 when the public functions call the AVX2 build, else 0.
int UsingAvx2Kernels(void);
