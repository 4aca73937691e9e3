#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "target.h"

static void Draw(GuardedTarget &t, ScreenVertex a, ScreenVertex b, ScreenVertex c,
                 float *depth = nullptr) {
    DrawTriangle(t.pixels(), depth ? depth : t.depth(), &a, &b, &c);
}

// Pixel counts of chosen rows, for every order of the three vertices. A row
// never reaches the bottom vertex's row nor a span's right end; a span that
// touches column 0 or 510 is dropped whole; rows above 0 land on row 0;
// nothing is drawn past row 255, in the target or in the depth buffer.
TEST(DrawTriangle, RowCoverage) {
    struct Case {
        const char *what;
        ScreenVertex v[3];
        std::vector<std::pair<int, int>> rows; // (row, pixels)
        int total;
    } cases[] = {
        {"flat", {Sv(10, 40), Sv(200, 40), Sv(100, 40)}, {}, 0},
        {"right triangle", {Sv(10, 10), Sv(50, 10), Sv(10, 50)}, {{10, 40}, {49, 1}, {50, 0}}, 820},
        {"edge stepping -0.3 is floored",
         {Sv(10, 10), Sv(13, 10), Sv(10, 20)},
         {{10, 3}, {11, 2}, {13, 2}, {14, 1}, {16, 1}, {17, 0}},
         12},
        {"from column 0", {Sv(0, 10), Sv(50, 10), Sv(0, 50)}, {}, 0},
        {"from column 1", {Sv(1, 10), Sv(50, 10), Sv(1, 50)}, {{10, 49}}, -1},
        {"up to column 509", {Sv(460, 10), Sv(510, 10), Sv(460, 50)}, {{10, 50}}, -1},
        {"into column 510", {Sv(460, 10), Sv(511, 10), Sv(460, 50)}, {{10, 0}, {11, 49}}, -1},
        {"past row 255", {Sv(100, 200), Sv(300, 200), Sv(200, 600)}, {{255, 173}}, -1},
        {"above row 0", {Sv(10, -40), Sv(110, -40), Sv(10, 20)}, {{0, 100}, {1, 31}}, -1},
    };
    for (const Case &c : cases) {
        int order[3] = {0, 1, 2};
        do {
            GuardedTarget t;
            Draw(t, c.v[order[0]], c.v[order[1]], c.v[order[2]]);
            for (auto [row, n] : c.rows) EXPECT_EQ(t.Count(row), n) << c.what << ", row " << row;
            if (c.total >= 0) {
                EXPECT_EQ(t.Count(), c.total) << c.what;
            }
            EXPECT_TRUE(std::all_of(t.depth() + 256 * 512, t.depth() + DEPTH_BUFFER_SIZE,
                                    [](float d) { return d == 0.0f; }))
                << c.what;
            EXPECT_TRUE(t.GuardsIntact()) << c.what;
        } while (std::next_permutation(order, order + 3));
    }
}

// Colours: each vertex's own colour dominates near it. Depth: of two equal
// depths the first drawn stays; rows piled onto row 0 keep their first one.
TEST(DrawTriangle, ShadingAndStrictDepth) {
    GuardedTarget t;
    Draw(t, Sv(100, 10, 50, 1, 0, 0), Sv(300, 110, 50, 0, 0, 1), Sv(20, 200, 50, 0, 1, 0));
    EXPECT_GT(t.At(100, 11) >> 16, 240u);
    EXPECT_GT(t.At(290, 109) & 0xFF, 240u);
    EXPECT_GT(t.At(22, 198) >> 8, 240u); // green, and the high byte is clear

    GuardedTarget u;
    Draw(u, Sv(10, -40, 100, 1, 0, 0), Sv(110, -40, 100, 1, 0, 0), Sv(10, 90, 100, 0, 0, 1));
    EXPECT_EQ(u.At(100, 0), 0xFF0000u);
    Draw(u, Sv(10, 10, 100, 0, 1, 0), Sv(90, 10, 100, 0, 1, 0), Sv(10, 90, 100, 0, 1, 0));
    EXPECT_NE(u.At(20, 20), 0x00FF00u); // equal depth: hidden
    Draw(u, Sv(10, 10, 99, 0, 1, 0), Sv(90, 10, 99, 0, 1, 0), Sv(10, 90, 99, 0, 1, 0));
    EXPECT_EQ(u.At(20, 20), 0x00FF00u); // nearer: drawn
}

// Once the offset has risen, the same triangles over the old depth redraw
// every pixel: long edge on the left and on the right, both halves.
TEST(AdvanceDepthFrame, RaisedOffsetRedrawsAndResetsPast65536) {
    GuardedTarget first, second;
    auto drawBoth = [](GuardedTarget &t, float *depth) {
        for (int m : {1, -1}) {
            const int cx = 256 - m * 128;
            Draw(t, Sv(cx + m * 60, 10, 80, 1, 0, 0), Sv(cx - m * 100, 100, 120, 0, 1, 0),
                 Sv(cx + m * 40, 250, 200, 0, 0, 1), depth);
        }
    };
    drawBoth(first, first.depth());
    AdvanceDepthFrame(first.depth());
    drawBoth(second, first.depth());
    EXPECT_GT(first.Count(), 15000);
    EXPECT_EQ(first.pixelStore, second.pixelStore);

    while (GetDepthOffset() != 65535.0f) AdvanceDepthFrame(first.depth());
    FillDepth(first.depth(), 0x3F000000, DEPTH_BUFFER_SIZE); // 0.5
    AdvanceDepthFrame(first.depth());
    EXPECT_EQ(GetDepthOffset(), 65536.0f);
    EXPECT_EQ(first.depth()[DEPTH_BUFFER_SIZE - 1], 0.5f);
    AdvanceDepthFrame(first.depth());
    EXPECT_EQ(GetDepthOffset(), 0.0f);
    EXPECT_EQ(std::count(first.depth(), first.depth() + DEPTH_BUFFER_SIZE, 0.0f),
              DEPTH_BUFFER_SIZE);
    EXPECT_TRUE(first.GuardsIntact());
}

// Beyond the coordinate limit, or with a colour outside 0-1, a triangle is
// skipped instead of overflowing the edge arithmetic; at the limit it is drawn.
TEST(DrawTriangle, FarVerticesAndBadColoursSkipTheTriangle) {
    GuardedTarget t;
    Draw(t, Sv(100, 10), Sv(SCREEN_COORD_LIMIT + 1, 10), Sv(100, 100));
    Draw(t, Sv(100, 10), Sv(200, SCREEN_FAR_AWAY), Sv(100, 100));
    Draw(t, Sv(100, 10), Sv(200, 10, 100, 1.5f), Sv(100, 100));
    Draw(t, Sv(100, 10), Sv(200, 10, 100, NAN), Sv(100, 100));
    EXPECT_EQ(t.Count(), 0);
    Draw(t, Sv(100, -SCREEN_COORD_LIMIT), Sv(200, 100), Sv(100, 100));
    EXPECT_GT(t.Count(), 0);
}

TEST(PlotPointAndDrawLine, Bounds) {
    GuardedTarget t;
    for (ScreenVertex v : {Sv(512, 0), Sv(0, 256), Sv(-1, 5), Sv(5, -1), Sv(0, 0), Sv(511, 255)})
        PlotPoint(t.pixels(), &v, 0xFF);
    EXPECT_EQ(t.At(0, 0) + t.At(511, 255), 0x1FEu);
    EXPECT_EQ(t.Count(), 2);
    DrawSpan(t.pixels(), t.depth(), 10, 20, 256, 1, 1, 255, 255, 255, 255, 255, 255);
    EXPECT_TRUE(t.GuardsIntact()); // the span filler keeps to 256 rows as well

    GuardedTarget u;
    ScreenVertex p = Sv(100, 100), q = Sv(100, 100);
    DrawLine(u.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(u.Count(), 0);
    // Vertical, given bottom first: from the upper end down to, not including, the lower.
    p = Sv(100, 60), q = Sv(100, 20);
    DrawLine(u.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(u.At(100, 20) + u.At(100, 59), 0x1FEu);
    EXPECT_EQ(u.Count(), 40);
    EXPECT_EQ(p.y, 20); // the ends were swapped in place
    // Rows clamp to 1-254.
    p = Sv(5, -10), q = Sv(5, 100);
    DrawLine(u.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(u.At(5, 0), 0u);
    EXPECT_EQ(u.Count(), 40 + 99);
}

// From (-200, 50) towards (1000, 350): clamped to 0-510 but the slope of the
// unclamped ends, 64/256, a row every four columns.
TEST(PlotPointAndDrawLine, SlopeFromUnclampedEnds) {
    GuardedTarget t;
    ScreenVertex p = Sv(-200, 50), q = Sv(1000, 350);
    DrawLine(t.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(std::make_tuple(p.x, q.x, q.y), std::make_tuple(0, 510, 254));
    EXPECT_EQ(t.At(3, 50) + t.At(4, 51) + t.At(509, 177), 3u * 0xFF);
    EXPECT_EQ(t.Count(), 510);
}

// Random triangles, lines and points, many degenerate or far outside, with
// depths and colours of every kind: nothing lands outside the target or the
// depth buffer, and under the sanitizers every conversion is defined.
TEST(Raster, RandomPrimitivesStayInside) {
    GuardedTarget t(0x808080);
    std::mt19937 rng(1234);
    auto coord = [&]() -> int32_t {
        switch (rng() % 4) {
        case 0:
            return (int32_t)(rng() % 1400) - 400;
        case 1:
            return (int32_t)(rng() % 66000) - 33000;
        case 2:
            return (int32_t)rng();
        default:
            return (int32_t)(rng() % 8) + 252;
        }
    };
    const float odd[] = {0.0f, -5.0f, 1e-30f, 1e30f, INFINITY, -INFINITY, NAN, 2.0f};
    auto vertex = [&]() {
        const float c = (float)(rng() % 1001) / 1000.0f;
        return ScreenVertex{coord(), coord(),
                            c,       rng() % 50 ? c : odd[rng() % 8],
                            1.0f,    rng() % 2 ? odd[rng() % 8] : 1.0f + (float)(rng() % 1000)};
    };
    for (int i = 0; i < 20000; i++) {
        ScreenVertex a = vertex(), b = vertex(), c = i % 11 ? vertex() : a;
        if (i % 7 == 0) b.y = a.y;
        DrawTriangle(t.pixels(), t.depth(), &a, &b, &c);
        DrawLine(t.pixels(), &a, &b, 0xFF);
        PlotPoint(t.pixels(), &c, 0xFF00);
        if (i % 1000 == 0) AdvanceDepthFrame(t.depth());
    }
    EXPECT_TRUE(t.GuardsIntact());
}
