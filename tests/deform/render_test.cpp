// Block renderers: the spec'd pictures of a few known grids, and bit-exact
// agreement with a block-by-block reference on random grids.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "deform/deform.h"

namespace {

struct Texture {
    std::vector<uint32_t> pixels; // exactly width x height, so ASan sees any overread
    Image image;
    Texture(int32_t width, int32_t height, uint32_t seed = 1) : pixels((size_t)width * height) {
        std::mt19937 rng(seed);
        for (uint32_t &p : pixels) p = rng() & 0xFFFFFF;
        image = {width, height, pixels.data()};
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[(size_t)y * image.width + x]; }
};

struct Grid {
    DeformGrid grid;
    Grid(int32_t width, int32_t height) : grid(NewDeformGrid(width, height)) {}
    ~Grid() { FreeDeformGrid(&grid); }
    GridPoint &At(int32_t i, int32_t j) { return grid.points[i * grid.columns + j]; }
};

const uint32_t kUntouched = 0xDEADBEEF;
std::vector<uint32_t> Canvas(size_t rows = 256) {
    return std::vector<uint32_t>(rows * 512, kUntouched);
}

// The block renderer as the rules state it, one block at a time: 32-bit
// wrapping integers, arithmetic shifts.
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
        for (int j = 0; j + 1 < g.grid.columns && j < 64; j++)
            ReferenceBlock<Clip>(dst + i * 8 * 512 + j * 8, t, g.At(i, j), g.At(i, j + 1),
                                 g.At(i + 1, j), g.At(i + 1, j + 1));
}

} // namespace

TEST(DeformRender, IdentityGridCopiesTextureAndClipBlacksFirstRowAndColumn) {
    Texture tex(512, 256);
    Grid g(512, 256);
    ASSERT_EQ(g.grid.rows, 33);
    ASSERT_EQ(g.grid.columns, 65);
    GridLinear(&g.grid, 512, 256, 0, 0);
    auto wrap = Canvas(), clip = Canvas();
    RenderGridWrap(wrap.data(), &g.grid, &tex.image);
    RenderGridClip(clip.data(), &g.grid, &tex.image);
    EXPECT_EQ(wrap, tex.pixels);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++)
            ASSERT_EQ(clip[y * 512 + x], x == 0 || y == 0 ? 0u : tex.At(x, y)) << x << "," << y;
}

TEST(DeformRender, ScrollOf30WrapsAround) {
    Texture tex(512, 256);
    Grid g(512, 256);
    GridLinear(&g.grid, 512, 256, 30, 0);
    auto dst = Canvas();
    RenderGridWrap(dst.data(), &g.grid, &tex.image);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++) ASSERT_EQ(dst[y * 512 + x], tex.At((x + 30) & 511, y));
}

TEST(DeformRender, FallingCornersMirrorTheBlockAndRoundTowardMinusInfinity) {
    Texture tex(512, 256);
    auto dst = Canvas(8);
    // u falls 8 -> 0 across: columns 8, 7, ..., 1.
    RenderBlockWrap(dst.data(), &tex.image, 0, 0, {8, 3}, {0, 3}, {8, 3}, {0, 3});
    for (int k = 0; k < 8; k++) EXPECT_EQ(dst[k], tex.At(8 - k, 3));
    // u falls 0 -> -4: a step of half a texel to the left; -0.5 is texel -1
    // (511 wrapped, black clipped), never 0 as a rounding toward zero gives.
    const int wrapped[8] = {0, 511, 511, 510, 510, 509, 509, 508};
    RenderBlockWrap(dst.data(), &tex.image, 0, 0, {0, 5}, {-4, 5}, {0, 5}, {-4, 5});
    for (int k = 0; k < 8; k++) EXPECT_EQ(dst[k], tex.At(wrapped[k], 5)) << k;
    RenderBlockClip(dst.data(), &tex.image, 0, 0, {2, 5}, {-2, 5}, {2, 5}, {-2, 5});
    const uint32_t clipped[8] = {tex.At(2, 5), tex.At(1, 5), tex.At(1, 5), 0, 0, 0, 0, 0};
    for (int k = 0; k < 8; k++) EXPECT_EQ(dst[k], clipped[k]) << k;
}

TEST(DeformRender, GridAndBlockRenderersMatchReferenceOnRandomGrids) {
    // A texture wider and taller than the addressing checks the row stride.
    Texture tex(600, 300, 7);
    std::mt19937 rng(42);
    for (int trial = 0; trial < 60; trial++) {
        Grid g(512, 256);
        GridLinear(&g.grid, 512, 256, 0, 0);
        for (int i = 0; i < g.grid.rows; i++)
            for (int j = 0; j < g.grid.columns; j++) {
                GridPoint &p = g.At(i, j);
                switch (trial % 3) {
                case 0:
                    p.u += (int32_t)(rng() % 81) - 40, p.v += (int32_t)(rng() % 81) - 40;
                    break;
                case 1:
                    p.u = (int32_t)(rng() % 4001) - 2000, p.v = (int32_t)(rng() % 4001) - 2000;
                    break;
                default:
                    p.u = (int32_t)rng(), p.v = (int32_t)rng();
                    break; // wraps in 16.16
                }
            }
        auto got = Canvas(), want = Canvas();
        RenderGridWrap(got.data(), &g.grid, &tex.image);
        ReferenceGrid<false>(want.data(), g, tex.image);
        ASSERT_EQ(got, want) << "wrap, trial " << trial;
        RenderGridClip(got.data(), &g.grid, &tex.image);
        ReferenceGrid<true>(want.data(), g, tex.image);
        ASSERT_EQ(got, want) << "clip, trial " << trial;
        // The single-block entry points on a few of the same corners.
        int i = rng() % 32, j = rng() % 64;
        RenderBlockWrap(got.data(), &tex.image, j * 8, i * 8, g.At(i, j), g.At(i, j + 1),
                        g.At(i + 1, j), g.At(i + 1, j + 1));
        RenderBlockClip(got.data() + 8, &tex.image, j * 8, i * 8, g.At(i, j), g.At(i, j + 1),
                        g.At(i + 1, j), g.At(i + 1, j + 1));
        ReferenceBlock<false>(want.data() + i * 8 * 512 + j * 8, tex.image, g.At(i, j),
                              g.At(i, j + 1), g.At(i + 1, j), g.At(i + 1, j + 1));
        ReferenceBlock<true>(want.data() + 8 + i * 8 * 512 + j * 8, tex.image, g.At(i, j),
                             g.At(i, j + 1), g.At(i + 1, j), g.At(i + 1, j + 1));
        ASSERT_EQ(got, want) << "block, trial " << trial;
    }
}

TEST(DeformRender, DegenerateGridsAndUndersizedTexturesDrawNothing) {
    Texture tex(512, 256), narrow(511, 256), low(512, 255);
    Grid single(7, 7), full(512, 256);
    EXPECT_EQ(single.grid.rows, 1);
    EXPECT_EQ(single.grid.columns, 1);
    GridLinear(&single.grid, 512, 256, 0, 0);
    GridLinear(&full.grid, 512, 256, 0, 0);
    DeformGrid empty = NewDeformGrid(-1, 256);
    EXPECT_EQ(empty.points, nullptr);
    auto dst = Canvas();
    const auto before = dst;
    Image noPixels = {512, 256, nullptr};
    const Image *refused[4] = {&narrow.image, &low.image, &noPixels, nullptr};
    for (auto render : {RenderGridWrap, RenderGridClip}) {
        render(dst.data(), &single.grid, &tex.image);
        render(dst.data(), &empty, &tex.image);
        render(dst.data(), nullptr, &tex.image);
        for (const Image *t : refused) render(dst.data(), &full.grid, t);
    }
    for (auto render : {RenderBlockWrap, RenderBlockClip})
        for (const Image *t : refused) render(dst.data(), t, 0, 0, {0, 0}, {8, 0}, {0, 8}, {8, 8});
    EXPECT_EQ(dst, before);
    FreeDeformGrid(&full.grid);
    EXPECT_EQ(full.grid.points, nullptr);
    EXPECT_EQ(full.grid.rows, 0);
    FreeDeformGrid(nullptr);
}

TEST(DeformRender, GridWiderThan512PixelsStopsAtColumn511) {
    Texture tex(512, 256);
    Grid g(1024, 8); // 129 x 2 points; the blocks past column 511 are not drawn
    GridLinear(&g.grid, 1024, 8, 0, 0);
    auto dst = Canvas(16);
    RenderGridWrap(dst.data(), &g.grid, &tex.image);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 512; x++) ASSERT_EQ(dst[y * 512 + x], tex.At(x, y));
    for (size_t k = 8 * 512; k < dst.size(); k++) ASSERT_EQ(dst[k], kUntouched);
}
