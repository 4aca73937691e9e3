// deform: grid lifetime and the block renderers.
//
// All coordinate arithmetic is 16.16 fixed point held in uint32_t: the adds
// wrap like the machine's 32-bit adds, with no signed overflow, whatever the
// grid holds. Where the sign matters (the divisions by 8 and the clip test)
// the value is read back as int32_t and shifted arithmetically, which rounds
// toward minus infinity.
#include "deform/deform.h"

#include <cstddef>
#include <cstdlib>

// The gathering spans are AVX2 code in any x86-64 build, used only on CPUs
// that have AVX2 (chosen at start-up); elsewhere the plain spans draw.
#if defined(__x86_64__) && !defined(__EMSCRIPTEN__)
#define GATHER_SPANS 1
#include <immintrin.h>
#define AVX2_CODE __attribute__((target("avx2")))
#else
#define GATHER_SPANS 0
#endif

#define DST_STRIDE 512 // Destination pixels per row
#define MAX_BLOCKS 64  // Blocks across 512 pixels

DeformGrid NewDeformGrid(int32_t width, int32_t height) {
    DeformGrid grid = {0, 0, nullptr};
    if (width < 0 || height < 0) return grid;
    int32_t columns = (width >> 3) + 1, rows = (height >> 3) + 1;
    // Zeroed rather than left undefined: a grid drawn before any generator ran
    // shows texel (0, 0) instead of whatever the heap held.
    grid.points = (GridPoint *)calloc((size_t)rows * (size_t)columns, sizeof(GridPoint));
    if (grid.points) {
        grid.rows = rows;
        grid.columns = columns;
    }
    return grid;
}

void FreeDeformGrid(DeformGrid *grid) {
    if (!grid) return;
    free(grid->points);
    grid->points = nullptr;
    grid->rows = 0;
    grid->columns = 0;
}

// The addressing reaches texels up to column 511 and row 255, wrapped or clipped.
static bool TextureFits(const Image *texture) {
    return texture && texture->pixels && texture->width >= DEFORM_TEXTURE_WIDTH &&
           texture->height >= DEFORM_TEXTURE_HEIGHT;
}

// Per-pixel-row step of an edge: ((b - a) << 16) >> 3, the whole-texel
// difference in 16.16 divided by the block size with an arithmetic shift.
static inline uint32_t EdgeStep(int32_t a, int32_t b) {
    return (uint32_t)((int32_t)(((uint32_t)b - (uint32_t)a) << 16) >> 3);
}

// Per-pixel step along a block row: (right - left) >> 3, arithmetic.
static inline uint32_t SpanStep(uint32_t left, uint32_t right) {
    return (uint32_t)((int32_t)(right - left) >> 3);
}

// The texel at 16.16 position (u, v). Wrapped: the masks keep bits 16-24 of u
// and 16-23 of v, so a logical shift gives the same texel as an arithmetic one.
// Clipped: the whole texel index, signed; outside columns 1-511 or rows 1-255
// the pixel is black and the texture is not read.
template <bool Clip>
static inline uint32_t Texel(const uint32_t *texels, ptrdiff_t stride, uint32_t u, uint32_t v) {
    if (!Clip) return texels[(ptrdiff_t)((v >> 16) & 255) * stride + ((u >> 16) & 511)];
    int32_t tu = (int32_t)u >> 16, tv = (int32_t)v >> 16;
    // One unsigned compare per axis: tu - 1 < 511 means 1 <= tu <= 511.
    if ((uint32_t)(tu - 1) < 511u && (uint32_t)(tv - 1) < 255u)
        return texels[(ptrdiff_t)tv * stride + tu];
    return 0;
}

// The 8 pixels of one block row from (u, v), stepping (du, dv).
template <bool Clip>
static inline void Span8Plain(uint32_t *out, const uint32_t *texels, ptrdiff_t stride, uint32_t u,
                              uint32_t v, uint32_t du, uint32_t dv) {
    for (int k = 0; k < DEFORM_BLOCK; k++) {
        out[k] = Texel<Clip>(texels, stride, u, v);
        u += du;
        v += dv;
    }
}

#if GATHER_SPANS
// The same 8 pixels as one vector: lane k holds u + k du (mod 2^32, as k adds
// would), the texels are gathered. Clipped lanes are masked out of the
// gather, so they read nothing and come out 0. The index tv x stride + tu
// fits int32 because the callers keep stride below 2^23.
template <bool Clip>
AVX2_CODE static inline void Span8(uint32_t *out, const uint32_t *texels, ptrdiff_t stride,
                                   uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
    const __m256i ramp = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i vu = _mm256_add_epi32(_mm256_set1_epi32((int)u),
                                  _mm256_mullo_epi32(ramp, _mm256_set1_epi32((int)du)));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32((int)v),
                                  _mm256_mullo_epi32(ramp, _mm256_set1_epi32((int)dv)));
    __m256i vstride = _mm256_set1_epi32((int)stride);
    const int *base = (const int *)texels;
    __m256i px;
    if (!Clip) {
        __m256i tu = _mm256_and_si256(_mm256_srli_epi32(vu, 16), _mm256_set1_epi32(511));
        __m256i tv = _mm256_and_si256(_mm256_srli_epi32(vv, 16), _mm256_set1_epi32(255));
        px = _mm256_i32gather_epi32(base, _mm256_add_epi32(_mm256_mullo_epi32(tv, vstride), tu), 4);
    } else {
        __m256i tu = _mm256_srai_epi32(vu, 16), tv = _mm256_srai_epi32(vv, 16);
        __m256i zero = _mm256_setzero_si256();
        __m256i in =
            _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(tu, zero),
                                              _mm256_cmpgt_epi32(_mm256_set1_epi32(512), tu)),
                             _mm256_and_si256(_mm256_cmpgt_epi32(tv, zero),
                                              _mm256_cmpgt_epi32(_mm256_set1_epi32(256), tv)));
        __m256i idx = _mm256_add_epi32(_mm256_mullo_epi32(tv, vstride), tu);
        px = _mm256_mask_i32gather_epi32(zero, base, idx, in, 4);
    }
    _mm256_storeu_si256((__m256i *)out, px);
}
#define SPAN8_MAX_STRIDE (1 << 23) // tv x stride + tu must stay an int32 gather index
#else
// Without the gathers the walk's vector branch is never taken.
template <bool Clip>
static inline void Span8(uint32_t *out, const uint32_t *texels, ptrdiff_t stride, uint32_t u,
                         uint32_t v, uint32_t du, uint32_t dv) {
    Span8Plain<Clip>(out, texels, stride, u, v, du, dv);
}
#endif

// One block, edge by edge: the left and right edges step down by their own
// per-row steps, each pixel row steps across between them.
template <bool Clip>
static void DrawBlock(uint32_t *out, const Image *texture, GridPoint topLeft, GridPoint topRight,
                      GridPoint bottomLeft, GridPoint bottomRight) {
    const uint32_t *texels = texture->pixels;
    ptrdiff_t stride = texture->width;
    uint32_t lu = (uint32_t)topLeft.u << 16, lv = (uint32_t)topLeft.v << 16;
    uint32_t ru = (uint32_t)topRight.u << 16, rv = (uint32_t)topRight.v << 16;
    uint32_t dlu = EdgeStep(topLeft.u, bottomLeft.u), dlv = EdgeStep(topLeft.v, bottomLeft.v);
    uint32_t dru = EdgeStep(topRight.u, bottomRight.u), drv = EdgeStep(topRight.v, bottomRight.v);
    for (int row = 0; row < DEFORM_BLOCK; row++, out += DST_STRIDE) {
        Span8Plain<Clip>(out, texels, stride, lu, lv, SpanStep(lu, ru), SpanStep(lv, rv));
        lu += dlu;
        lv += dlv;
        ru += dru;
        rv += drv;
    }
}

// The grid walk, one strip of 8 pixel rows at a time and row by row inside
// it, so the destination is written in address order. A block's right edge
// is its neighbour's left edge with the same steps, so each grid column's
// edge is stepped once per row for both blocks; k adds of a step equal one
// add of k steps mod 2^32, so this order draws exactly what block by block
// drawing would. Vector picks the gathering span (for strides it can index).
template <bool Clip, bool Vector>
static void DrawStrips(uint32_t *dst, const DeformGrid *grid, int32_t blocks,
                       const uint32_t *texels, ptrdiff_t stride) {
    uint32_t eu[MAX_BLOCKS + 1], ev[MAX_BLOCKS + 1], deu[MAX_BLOCKS + 1], dev[MAX_BLOCKS + 1];
    for (int32_t i = 0; i < grid->rows - 1; i++) {
        const GridPoint *top = grid->points + (size_t)i * (size_t)grid->columns;
        const GridPoint *bottom = top + grid->columns;
        for (int32_t j = 0; j <= blocks; j++) {
            eu[j] = (uint32_t)top[j].u << 16;
            ev[j] = (uint32_t)top[j].v << 16;
            deu[j] = EdgeStep(top[j].u, bottom[j].u);
            dev[j] = EdgeStep(top[j].v, bottom[j].v);
        }
        uint32_t *out = dst + (size_t)i * DEFORM_BLOCK * DST_STRIDE;
        for (int row = 0; row < DEFORM_BLOCK; row++, out += DST_STRIDE) {
            for (int32_t j = 0; j < blocks; j++) {
                uint32_t du = SpanStep(eu[j], eu[j + 1]), dv = SpanStep(ev[j], ev[j + 1]);
                if (Vector)
                    Span8<Clip>(out + j * DEFORM_BLOCK, texels, stride, eu[j], ev[j], du, dv);
                else
                    Span8Plain<Clip>(out + j * DEFORM_BLOCK, texels, stride, eu[j], ev[j], du, dv);
            }
            for (int32_t j = 0; j <= blocks; j++) {
                eu[j] += deu[j];
                ev[j] += dev[j];
            }
        }
    }
}

#if GATHER_SPANS
// DrawStrips with the gathering spans, compiled as AVX2 code as a whole
// (flatten) so the spans inline into the walk.
template <bool Clip>
AVX2_CODE __attribute__((flatten)) static void
DrawStripsGathering(uint32_t *dst, const DeformGrid *grid, int32_t blocks, const uint32_t *texels,
                    ptrdiff_t stride) {
    DrawStrips<Clip, true>(dst, grid, blocks, texels, stride);
}

// Chosen while the program starts, before main: nothing draws earlier.
static bool gatherSpans = __builtin_cpu_supports("avx2");
#endif

int SelectDeformSpans(int gather) {
#if GATHER_SPANS
    gatherSpans = gather && __builtin_cpu_supports("avx2");
    return gatherSpans;
#else
    return 0;
#endif
}

template <bool Clip>
static void RenderGrid(uint32_t *dst, const DeformGrid *grid, const Image *texture) {
    if (!dst || !grid || !grid->points || !TextureFits(texture)) return;
    int32_t blocks = grid->columns - 1;
    if (blocks > MAX_BLOCKS) blocks = MAX_BLOCKS; // never past column 511
    if (grid->rows < 2 || blocks < 1) return;
#if GATHER_SPANS
    if (gatherSpans && texture->width < SPAN8_MAX_STRIDE) {
        DrawStripsGathering<Clip>(dst, grid, blocks, texture->pixels, texture->width);
        return;
    }
#endif
    DrawStrips<Clip, false>(dst, grid, blocks, texture->pixels, texture->width);
}

void RenderGridWrap(uint32_t *dst, const DeformGrid *grid, const Image *texture) {
    RenderGrid<false>(dst, grid, texture);
}

void RenderGridClip(uint32_t *dst, const DeformGrid *grid, const Image *texture) {
    RenderGrid<true>(dst, grid, texture);
}

void RenderBlockWrap(uint32_t *dst, const Image *texture, int32_t x, int32_t y, GridPoint topLeft,
                     GridPoint topRight, GridPoint bottomLeft, GridPoint bottomRight) {
    if (!dst || !TextureFits(texture)) return;
    DrawBlock<false>(dst + (ptrdiff_t)y * DST_STRIDE + x, texture, topLeft, topRight, bottomLeft,
                     bottomRight);
}

void RenderBlockClip(uint32_t *dst, const Image *texture, int32_t x, int32_t y, GridPoint topLeft,
                     GridPoint topRight, GridPoint bottomLeft, GridPoint bottomRight) {
    if (!dst || !TextureFits(texture)) return;
    DrawBlock<true>(dst + (ptrdiff_t)y * DST_STRIDE + x, texture, topLeft, topRight, bottomLeft,
                    bottomRight);
}
