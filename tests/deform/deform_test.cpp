// Deformation: the pictures of known grids, bit-exact agreement of the grid
// renderers with a block-by-block reference, refusals, and the generators'
// rounding, centres, pins and defined results for absurd parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "deform/deform.h"

namespace {

struct Texture {
    std::vector<uint32_t> pixels; // exactly width x height, so ASan sees any overread
    Image image;
    Texture(int32_t width, int32_t height) : pixels((size_t)width * height) {
        std::mt19937 rng(width);
        for (uint32_t &p : pixels) p = rng() & 0xFFFFFF;
        image = {width, height, pixels.data()};
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[(size_t)y * image.width + x]; }
};

// A grid laid out by GridLinear (width, height, 0, 0): the identity on 512 x 256.
struct Grid {
    DeformGrid grid;
    Grid(int32_t width = 512, int32_t height = 256) : grid(NewDeformGrid(width, height)) {
        GridLinear(&grid, width, height, 0, 0);
    }
    ~Grid() { FreeDeformGrid(&grid); }
    GridPoint &At(int32_t i, int32_t j) { return grid.points[i * grid.columns + j]; }
    int32_t Du(int32_t i, int32_t j) { return At(i, j).u - 8 * j; } // displacement from 8j
    int32_t Dv(int32_t i, int32_t j) { return At(i, j).v - 8 * i; }
};

const uint32_t kUntouched = 0xDEADBEEF;
const float kHalfPi = 1.57079637f; // sin of it, in double, is just below 1

std::vector<uint32_t> Canvas(size_t rows = 256) {
    return std::vector<uint32_t>(rows * 512, kUntouched);
}

// The block renderer in its plainest form: 32-bit wrapping integers,
// arithmetic shifts, one block at a time.
template <bool Clip>
void ReferenceBlock(uint32_t *out, const Image &t, GridPoint tl, GridPoint tr, GridPoint bl,
                    GridPoint br) {
    auto sar = [](uint32_t x, int n) { return (uint32_t)((int32_t)x >> n); };
    uint32_t lu = (uint32_t)tl.u << 16, lv = (uint32_t)tl.v << 16;
    uint32_t ru = (uint32_t)tr.u << 16, rv = (uint32_t)tr.v << 16;
    uint32_t dlu = sar(((uint32_t)bl.u - tl.u) << 16, 3),
             dlv = sar(((uint32_t)bl.v - tl.v) << 16, 3);
    uint32_t dru = sar(((uint32_t)br.u - tr.u) << 16, 3),
             drv = sar(((uint32_t)br.v - tr.v) << 16, 3);
    for (int row = 0; row < 8; row++, out += 512) {
        uint32_t du = sar(ru - lu, 3), dv = sar(rv - lv, 3), u = lu, v = lv;
        for (int k = 0; k < 8; k++, u += du, v += dv) {
            int32_t tu = (int32_t)sar(u, 16), tv = (int32_t)sar(v, 16);
            if (!Clip)
                out[k] = t.pixels[(tv & 255) * t.width + (tu & 511)];
            else
                out[k] =
                    tu >= 1 && tu <= 511 && tv >= 1 && tv <= 255 ? t.pixels[tv * t.width + tu] : 0;
        }
        lu += dlu, lv += dlv, ru += dru, rv += drv;
    }
}

template <bool Clip> void ReferenceGrid(uint32_t *dst, Grid &g, const Image &t) {
    for (int i = 0; i + 1 < g.grid.rows; i++)
        for (int j = 0; j + 1 < g.grid.columns; j++)
            ReferenceBlock<Clip>(dst + i * 8 * 512 + j * 8, t, g.At(i, j), g.At(i, j + 1),
                                 g.At(i + 1, j), g.At(i + 1, j + 1));
}

} // namespace

TEST(DeformRender, IdentityCopiesClipBlacksFirstRowAndColumnScrollWraps) {
    Texture tex(512, 256);
    Grid g;
    ASSERT_EQ(g.grid.rows, 33);
    ASSERT_EQ(g.grid.columns, 65);
    auto wrap = Canvas(), clip = Canvas();
    RenderGridWrap(wrap.data(), &g.grid, &tex.image);
    RenderGridClip(clip.data(), &g.grid, &tex.image);
    EXPECT_EQ(wrap, tex.pixels);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++)
            ASSERT_EQ(clip[y * 512 + x], x == 0 || y == 0 ? 0u : tex.At(x, y));
    GridLinear(&g.grid, 512, 256, 30, 0);
    RenderGridWrap(wrap.data(), &g.grid, &tex.image);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++) ASSERT_EQ(wrap[y * 512 + x], tex.At((x + 30) & 511, y));
}

TEST(DeformRender, FallingCornersMirrorTheBlockAndRoundTowardMinusInfinity) {
    Texture tex(512, 256);
    auto dst = Canvas(8);
    RenderBlockWrap(dst.data(), &tex.image, 0, 0, {8, 3}, {0, 3}, {8, 3}, {0, 3}); // columns 8 to 1
    for (int k = 0; k < 8; k++) EXPECT_EQ(dst[k], tex.At(8 - k, 3));
    // Half a texel to the left per pixel: -0.5 is texel -1 (511 wrapped),
    // never 0 as a rounding toward zero would give.
    const int wrapped[8] = {0, 511, 511, 510, 510, 509, 509, 508};
    RenderBlockWrap(dst.data(), &tex.image, 0, 0, {0, 5}, {-4, 5}, {0, 5}, {-4, 5});
    for (int k = 0; k < 8; k++) EXPECT_EQ(dst[k], tex.At(wrapped[k], 5)) << k;
}

TEST(DeformRender, GridAndBlockRenderersMatchReferenceOnRandomGrids) {
    Texture tex(600, 300); // wider and taller than the addressing: the stride counts
    std::mt19937 rng(42);
    const int gathering = SelectDeformSpans(1);
    for (int trial = 0; trial < 120; trial++) {
        // Odd trials read texels one by one, even ones gather them where the CPU can.
        SelectDeformSpans(trial % 2 == 0);
        Grid g;
        // Jitter about the identity, texels far out, anything (wraps in 16.16).
        const uint32_t spread[3] = {81, 4001, 0};
        auto jitter = [&] {
            return (int32_t)(spread[trial % 3] ? rng() % spread[trial % 3] : rng());
        };
        for (int k = 0; k < 33 * 65; k++)
            g.grid.points[k].u += jitter(), g.grid.points[k].v += jitter();
        auto got = Canvas(), want = Canvas();
        RenderGridWrap(got.data(), &g.grid, &tex.image);
        ReferenceGrid<false>(want.data(), g, tex.image);
        ASSERT_EQ(got, want) << "wrap, trial " << trial;
        RenderGridClip(got.data(), &g.grid, &tex.image);
        ReferenceGrid<true>(want.data(), g, tex.image);
        ASSERT_EQ(got, want) << "clip, trial " << trial;
        int i = rng() % 32, j = rng() % 63;
        GridPoint tl = g.At(i, j), tr = g.At(i, j + 1), bl = g.At(i + 1, j),
                  br = g.At(i + 1, j + 1);
        RenderBlockWrap(got.data(), &tex.image, 8 * j, 8 * i, tl, tr, bl, br);
        RenderBlockClip(got.data(), &tex.image, 8 * j + 8, 8 * i, tl, tr, bl, br);
        ReferenceBlock<false>(&want[8 * i * 512 + 8 * j], tex.image, tl, tr, bl, br);
        ReferenceBlock<true>(&want[8 * i * 512 + 8 * j + 8], tex.image, tl, tr, bl, br);
        ASSERT_EQ(got, want) << "block, trial " << trial;
    }
    SelectDeformSpans(gathering);
}

TEST(DeformRender, RefusalsDegenerateGridsAndWideGrids) {
    Texture tex(512, 256), narrow(511, 256), low(512, 255);
    const Image *refused[3] = {&narrow.image, &low.image, nullptr};
    Grid single(7, 7), full;
    EXPECT_TRUE(single.grid.rows == 1 && single.grid.columns == 1);
    DeformGrid empty = NewDeformGrid(-1, 256);
    EXPECT_EQ(empty.points, nullptr);
    const DeformGrid *drawsNothing[3] = {&single.grid, &empty, nullptr};
    auto dst = Canvas();
    for (auto render : {RenderGridWrap, RenderGridClip}) {
        for (const DeformGrid *d : drawsNothing) render(dst.data(), d, &tex.image);
        for (const Image *t : refused) render(dst.data(), &full.grid, t);
    }
    for (auto render : {RenderBlockWrap, RenderBlockClip})
        for (const Image *t : refused) render(dst.data(), t, 0, 0, {0, 0}, {8, 0}, {0, 8}, {8, 8});
    EXPECT_EQ(dst, Canvas());
    // A grid made for 1024 pixels draws its first 64 blocks only: nothing
    // crosses column 511 into the next rows or past the 8 rows it covers.
    Grid wide(1024, 8);
    dst = Canvas(16);
    RenderGridWrap(dst.data(), &wide.grid, &tex.image);
    EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + 8 * 512, tex.pixels.begin()));
    EXPECT_EQ(std::count(dst.begin(), dst.end(), kUntouched), 8 * 512);
}

TEST(DeformGenerators, LinearAccumulatesFloatStepsAndTruncates) {
    Grid g;
    GridLinear(&g.grid, 512, 240, 0, 0); // v steps of 7.5
    const int32_t rows[5] = {0, 7, 15, 22, 30};
    for (int i = 0; i < 5; i++) EXPECT_EQ(g.At(i, 0).v, rows[i]);
    // Steps add up in float point after point: 7 / 6 summed six times stays
    // below 7; 5 / 3 summed three times reaches the 5 that 3 x f32(5 / 3) misses.
    Grid seven(48, 0), four(24, 0);
    GridLinear(&seven.grid, 7, 0, -3, 0); // the offset is added before truncation
    GridLinear(&four.grid, 5, 0, 0, 0);
    EXPECT_EQ(seven.At(0, 6).u, 3);
    EXPECT_EQ(four.At(0, 3).u, 5);
}

TEST(DeformGenerators, WavesTruncateEachDisplacementTowardZero) {
    Grid g;
    // +-2.5 truncate to +-2 on their own, so these two waves cancel.
    GridWaveAlong(&g.grid, 0.0f, 0.0f, kHalfPi, -kHalfPi, 2.5f);
    EXPECT_TRUE(g.Du(5, 5) == 2 && g.Dv(5, 5) == -2);
    GridWaveAcross(&g.grid, 0.0f, 0.0f, -kHalfPi, kHalfPi, 2.5f);
    EXPECT_TRUE(g.Du(5, 5) == 0 && g.Dv(5, 5) == 0);
    // Along: u follows the column, v the row; across: the other way round.
    Grid along, across;
    GridWaveAlong(&along.grid, 0.3f, 0.2f, 0.0f, 0.0f, 30.0f);
    GridWaveAcross(&across.grid, 0.3f, 0.2f, 0.0f, 0.0f, 30.0f);
    EXPECT_TRUE(along.Du(20, 5) == 29 && along.Dv(5, 40) == 25);  // sin(1.5), sin(1.0) x 30
    EXPECT_TRUE(across.Du(5, 40) == 25 && across.Dv(0, 7) == 25); // sin(1.0), sin(2.1) x 30
}

TEST(DeformGenerators, RadialCentres) {
    // Mirror pairs about the centre: j and mirrorJ - j, i and mirrorI - i.
    auto check = [](const std::function<void(DeformGrid *)> &generate, int mirrorJ, int mirrorI) {
        Grid g;
        generate(&g.grid);
        int column32Moves = 0, row16Moves = 0;
        for (int i = mirrorI - 32; i < 33; i++)
            for (int j = mirrorJ - 64; j < 65; j++) {
                ASSERT_EQ(g.Du(i, j), -g.Du(i, mirrorJ - j)) << i << "," << j;
                ASSERT_EQ(g.Dv(i, j), -g.Dv(mirrorI - i, j)) << i << "," << j;
                column32Moves += g.Du(i, 32) != 0, row16Moves += g.Dv(16, j) != 0;
            }
        EXPECT_EQ(column32Moves != 0 && row16Moves != 0,
                  mirrorJ == 65); // only off an integer centre
    };
    check([](DeformGrid *g) { GridRipple(g, 10.0f); }, 65, 33); // real centre (32.5, 16.5)
    check([](DeformGrid *g) { GridLens(g, 0.5f); }, 65, 33);
    check([](DeformGrid *g) { GridCosRipple(g, 0.05f, 8.0f); }, 64, 32); // integer centre (32, 16)
    check([](DeformGrid *g) { GridCosPulse(g, 0.1f, 3.9f, 10.0f); }, 64, 32);
    Grid zoom; // a flat pulse zooms by (cos(-phase) + 1) x amp = 2
    GridCosPulse(&zoom.grid, 0.0f, 0.0f, 1.0f);
    EXPECT_TRUE(zoom.Du(3, 0) == -64 && zoom.Dv(3, 0) == -26);
}

// The radial generators compute each distance's factor once for all its
// mirror points; every point must still move as its own formula says, on odd
// and even grids and on one too large for that table.
TEST(DeformGenerators, RadialFactorsMatchEveryPointsFormula) {
    for (auto size : {std::pair{512, 256}, std::pair{504, 248}, std::pair{696, 200}}) {
        SCOPED_TRACE(testing::Message() << size.first << " x " << size.second);
        Grid ripple(size.first, size.second), cosRipple(size.first, size.second);
        GridRipple(&ripple.grid, 10.0f);
        GridCosRipple(&cosRipple.grid, 0.05f, 8.0f);
        const int32_t rows = ripple.grid.rows, columns = ripple.grid.columns;
        for (int32_t i = 0; i < rows; i++) {
            for (int32_t j = 0; j < columns; j++) {
                const float dx = (float)(j - (double)(float)(columns / 2.0));
                const float dy = (float)(i - (double)(float)(rows / 2.0));
                const double s =
                    (double)(float)(sin(sqrt((double)dx * dx + (double)dy * dy)) * 10.0f);
                ASSERT_EQ(ripple.Du(i, j), (int32_t)(dx * s)) << i << ", " << j;
                ASSERT_EQ(ripple.Dv(i, j), (int32_t)(dy * s)) << i << ", " << j;
                const double ix = j - columns / 2, iy = i - rows / 2;
                const double c = (double)(float)(cos(sqrt(ix * ix + iy * iy) * 0.05f) * 8.0f);
                ASSERT_EQ(cosRipple.Du(i, j), (int32_t)(ix * c)) << i << ", " << j;
                ASSERT_EQ(cosRipple.Dv(i, j), (int32_t)(iy * c)) << i << ", " << j;
            }
        }
    }
}

TEST(DeformGenerators, WaterWavePinsItsRowsAndGrowsBeforeEachRow) {
    Grid g;
    GridWaterWave(&g.grid, 1.0f, 1.0f, 2.0f, 2.0f, 10.0f, 128);
    for (int k = 0; k < 16 * 65; k++)
        ASSERT_TRUE(g.Du(k / 65, k % 65) == 0 && g.Dv(k / 65, k % 65) == 0);
    int waves = 0;
    for (int j = 0; j < 65; j++) {
        EXPECT_TRUE(g.At(16, j).v == 128 && g.At(32, j).v == 256);
        waves += g.Dv(20, j) != 0;
    }
    EXPECT_GT(waves, 0);
    // amp grows by 0.5 before row 0 already: 0.75, 1.25, 1.75, 2.25 times
    // sin(pi/2), just below 1, truncate to 0, 1, 1, 2.
    Grid w, f, last(512, 200);
    GridWaterWave(&w.grid, 0.0f, 0.0f, kHalfPi, 0.0f, 0.25f, 0);
    EXPECT_TRUE(w.Du(0, 7) == 0 && w.Du(1, 7) == 1 && w.Du(2, 7) == 1 && w.Du(3, 7) == 2);
    // colFreq shrinks first too: row 1 waves at 0.81 with amp 11 (unshrunk: 9 and 10).
    GridWaterWave(&f.grid, 1.0f, 0.0f, 0.0f, 0.0f, 10.0f, 0);
    EXPECT_TRUE(f.Dv(1, 1) == 7 && f.Dv(1, 2) == 10);
    // The last row as the first waving row: its own pin (200) beats 256.
    GridWaterWave(&last.grid, 1.0f, 1.0f, 0.0f, 0.0f, 10.0f, 25 * 8 + 7);
    EXPECT_EQ(last.At(25, 9).v, 200);
}

TEST(DeformGenerators, AbsurdParametersGiveDefinedPoints) {
    Grid g, one(7, 7);
    GridWaveAlong(&g.grid, 0.0f, 0.0f, kHalfPi, NAN, 1e30f); // u saturates, NaN adds 0
    EXPECT_TRUE(g.At(0, 0).u == INT32_MAX && g.At(3, 0).v == 24);
    GridWaterWave(&g.grid, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, INT32_MIN); // rows far above the grid
    GridSineScroll(&g.grid, 1e38f);
    GridRadialShift(&g.grid, 1.0f, -1e30f);
    DeformGrid empty = NewDeformGrid(-8, -8);
    for (DeformGrid *d : {&one.grid, &empty}) { // a single point, no points
        GridLinear(d, 512, 256, 3, 4);
        GridCosPulse(d, 0.1f, 3.9f, 10.0f);
        GridWaterWave(d, 1.0f, 1.0f, 0.0f, 0.0f, 10.0f, 0);
    }
    EXPECT_TRUE(one.At(0, 0).u == 3 && one.At(0, 0).v == 0); // row 0 pinned
}
