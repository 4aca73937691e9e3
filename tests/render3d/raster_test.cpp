#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "render3d/render3d.h"
#include "target.h"

static void Draw(GuardedTarget &t, ScreenVertex a, ScreenVertex b, ScreenVertex c) {
    DrawTriangle(t.pixels(), t.depth(), &a, &b, &c);
}

TEST(DrawTriangle, FlatTriangleDrawsNothing) {
    GuardedTarget t;
    Draw(t, Sv(10, 40), Sv(200, 40), Sv(100, 40));
    EXPECT_EQ(t.Count(), 0);
}

// A right triangle, flat on top: row y spans columns 10 to 49 - (y - 10).
// The bottom row and the right end of every span stay empty, whatever the
// order the vertices come in.
TEST(DrawTriangle, CoversTopRowsAndLeftColumnsOnly) {
    const ScreenVertex v[3] = {Sv(10, 10), Sv(50, 10), Sv(10, 50)};
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto &o : orders) {
        GuardedTarget t;
        Draw(t, v[o[0]], v[o[1]], v[o[2]]);
        for (int y = 10; y < 50; y++) {
            const int right = 50 - (y - 10);
            EXPECT_EQ(t.RowCount(y), right - 10) << "row " << y;
            EXPECT_NE(t.At(10, y), 0u);
            EXPECT_NE(t.At(right - 1, y), 0u);
            EXPECT_EQ(t.At(right, y), 0u);
        }
        EXPECT_EQ(t.RowCount(50), 0);
        EXPECT_EQ(t.Count(), 40 * 41 / 2);
    }
}

// A sloped right end is floored: the edge from (13, 10) to (10, 20) steps
// -0.3 columns a row, so the rows hold 3, 2, 2, 2, 1, 1, 1 and then no pixels.
TEST(DrawTriangle, SlopedEdgesAreFloored) {
    GuardedTarget t;
    Draw(t, Sv(10, 10), Sv(13, 10), Sv(10, 20));
    const int rows[10] = {3, 2, 2, 2, 1, 1, 1, 0, 0, 0};
    for (int k = 0; k < 10; k++) EXPECT_EQ(t.RowCount(10 + k), rows[k]) << "row " << 10 + k;
}

// Both halves drawn, each vertex's colour dominant near it.
TEST(DrawTriangle, ShadesBetweenVertexColours) {
    GuardedTarget t;
    Draw(t, Sv(100, 10, 50, 1, 0, 0), Sv(300, 110, 50, 0, 0, 1), Sv(20, 200, 50, 0, 1, 0));
    const uint32_t top = t.At(100, 11), right = t.At(290, 109), bottom = t.At(22, 198);
    EXPECT_GT(top >> 16, 240u);
    EXPECT_GT(right & 0xFF, 240u);
    EXPECT_GT((bottom >> 8) & 0xFF, 240u);
    EXPECT_EQ((top | right | bottom) & 0xFF000000u, 0u); // high byte stays clear
    EXPECT_EQ(t.RowCount(10), 0);                        // the apex row is an empty span
    EXPECT_GT(t.RowCount(199), 0);
    EXPECT_EQ(t.RowCount(200), 0);
    EXPECT_TRUE(t.GuardsIntact());
}

TEST(DrawTriangle, StopsAtRow255) {
    GuardedTarget t;
    Draw(t, Sv(100, 200), Sv(300, 200), Sv(200, 600));
    for (int y = 200; y < 256; y++) EXPECT_GT(t.RowCount(y), 0) << "row " << y;
    // The depth buffer has 384 rows; the triangle's rows past 255 are not in it either.
    for (int i = 256 * 512; i < DEPTH_BUFFER_SIZE; i++) ASSERT_EQ(t.depth()[i], 0.0f) << i;
    EXPECT_TRUE(t.GuardsIntact());
}

// Wide at the top, narrow at row 0: the rows above the target all land on
// row 0, so it is as wide as the triangle's top row.
TEST(DrawTriangle, RowsAbovePileOntoRowZero) {
    GuardedTarget t;
    Draw(t, Sv(10, -40, 50, 1, 0, 0), Sv(110, -40, 50, 1, 0, 0), Sv(10, 20, 50, 0, 0, 1));
    EXPECT_EQ(t.RowCount(0), 100);
    EXPECT_LT(t.RowCount(1), 60);
    // Equal depth on every row: the first row drawn (y = -40, all red) keeps each pixel.
    EXPECT_EQ(t.At(10, 0), 0xFF0000u);
    EXPECT_TRUE(t.GuardsIntact());
}

TEST(DrawTriangle, SpansReachingTheMarginsAreDropped) {
    { // Every span starts at column 0: nothing at all.
        GuardedTarget t;
        Draw(t, Sv(0, 10), Sv(50, 10), Sv(0, 50));
        EXPECT_EQ(t.Count(), 0);
    }
    { // One column further in, it is drawn.
        GuardedTarget t;
        Draw(t, Sv(1, 10), Sv(50, 10), Sv(1, 50));
        EXPECT_EQ(t.RowCount(10), 49);
    }
    { // A span ending just before column 510 is kept.
        GuardedTarget t;
        Draw(t, Sv(460, 10), Sv(510, 10), Sv(460, 50));
        EXPECT_EQ(t.RowCount(10), 50);
        EXPECT_EQ(t.At(509, 10), 0xFFFFFFu);
    }
    { // Reaching column 510 loses the row, not just the pixel; the next row is in.
        GuardedTarget t;
        Draw(t, Sv(460, 10), Sv(511, 10), Sv(460, 50));
        EXPECT_EQ(t.RowCount(10), 0);
        EXPECT_GT(t.RowCount(11), 40);
    }
}

TEST(DrawTriangle, DepthTestIsStrict) {
    GuardedTarget t;
    Draw(t, Sv(10, 10, 100, 1, 0, 0), Sv(90, 10, 100, 1, 0, 0), Sv(10, 90, 100, 1, 0, 0));
    Draw(t, Sv(10, 10, 100, 0, 0, 1), Sv(90, 10, 100, 0, 0, 1), Sv(10, 90, 100, 0, 0, 1));
    EXPECT_EQ(t.At(20, 20), 0xFF0000u); // equal depth: the first stays
    Draw(t, Sv(10, 10, 99, 0, 1, 0), Sv(90, 10, 99, 0, 1, 0), Sv(10, 90, 99, 0, 1, 0));
    EXPECT_EQ(t.At(20, 20), 0x00FF00u); // nearer: drawn
    Draw(t, Sv(10, 10, 101, 0, 0, 1), Sv(90, 10, 101, 0, 0, 1), Sv(10, 90, 101, 0, 0, 1));
    EXPECT_EQ(t.At(20, 20), 0x00FF00u); // farther: hidden
}

// After AdvanceDepthFrame the same triangles drawn into a fresh target over
// the old depth cover every pixel again, on both halves, with the long edge
// on the left (mirror -1) and on the right (mirror 1).
TEST(AdvanceDepthFrame, RaisedOffsetRedrawsEveryPixel) {
    auto drawBoth = [](uint32_t *pixels, float *depth) {
        for (int mirror : {1, -1}) {
            const int cx = 256 - mirror * 128;
            const ScreenVertex a = Sv(cx + mirror * 60, 10, 80, 1, 0, 0),
                               b = Sv(cx - mirror * 100, 100, 120, 0, 1, 0),
                               c = Sv(cx + mirror * 40, 250, 200, 0, 0, 1);
            DrawTriangle(pixels, depth, &a, &b, &c);
        }
    };
    GuardedTarget first, second;
    drawBoth(first.pixels(), first.depth());
    AdvanceDepthFrame(first.depth());
    drawBoth(second.pixels(), first.depth());
    EXPECT_GT(first.Count(), 15000);
    EXPECT_EQ(first.pixelStore, second.pixelStore);
}

TEST(AdvanceDepthFrame, ClearsOnlyPast65536) {
    GuardedTarget t;
    while (GetDepthOffset() != 65535.0f) AdvanceDepthFrame(t.depth());
    FillDepth(t.depth(), 0x3F000000, DEPTH_BUFFER_SIZE); // 0.5
    AdvanceDepthFrame(t.depth());
    EXPECT_EQ(GetDepthOffset(), 65536.0f);
    EXPECT_EQ(t.depth()[DEPTH_BUFFER_SIZE - 1], 0.5f);
    AdvanceDepthFrame(t.depth());
    EXPECT_EQ(GetDepthOffset(), 0.0f);
    for (int i = 0; i < DEPTH_BUFFER_SIZE; i++) ASSERT_EQ(t.depth()[i], 0.0f) << i;
    EXPECT_TRUE(t.GuardsIntact());
}

TEST(PlotPoint, DrawsInsideTheTargetOnly) {
    GuardedTarget t;
    const ScreenVertex inside[] = {Sv(0, 0), Sv(511, 255)};
    const ScreenVertex outside[] = {Sv(512, 0), Sv(0, 256), Sv(-1, 5), Sv(5, -1),
                                    Sv(SCREEN_FAR_AWAY, SCREEN_FAR_AWAY)};
    for (const auto &v : outside) PlotPoint(t.pixels(), &v, 0x123456);
    EXPECT_EQ(t.Count(), 0);
    for (const auto &v : inside) PlotPoint(t.pixels(), &v, 0x123456);
    EXPECT_EQ(t.At(0, 0), 0x123456u);
    EXPECT_EQ(t.At(511, 255), 0x123456u);
    EXPECT_EQ(t.Count(), 2);
    EXPECT_TRUE(t.GuardsIntact());
}

TEST(DrawLine, EndPointIsNeverDrawn) {
    GuardedTarget t;
    ScreenVertex p = Sv(100, 100), q = Sv(100, 100);
    DrawLine(t.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(t.Count(), 0);

    // Vertical, given bottom first: drawn from the upper end down to, not including, the lower.
    p = Sv(100, 60);
    q = Sv(100, 20);
    DrawLine(t.pixels(), &p, &q, 0xFF);
    for (int y = 20; y < 60; y++) EXPECT_EQ(t.At(100, y), 0xFFu) << y;
    EXPECT_EQ(t.At(100, 60), 0u);
    EXPECT_EQ(t.Count(), 40);
    // The ends were swapped in place.
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(q.y, 60);
}

// The slope comes from the unclamped ends: from (-200, 50) towards (1000, 350)
// the line climbs a row every four columns, however the ends are clamped.
TEST(DrawLine, ClampsEndsButKeepsTheSlope) {
    GuardedTarget t;
    ScreenVertex p = Sv(-200, 50), q = Sv(1000, 350);
    DrawLine(t.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(q.x, 510);
    EXPECT_EQ(q.y, 254);
    // slope = 300 * 256 / 1200 = 64: a row every four columns, starting on row 50.
    EXPECT_EQ(t.At(0, 50), 0xFFu);
    EXPECT_EQ(t.At(3, 50), 0xFFu);
    EXPECT_EQ(t.At(4, 51), 0xFFu);
    EXPECT_EQ(t.Count(), 510);

    // Rows clamp to 1-254: row 0 is never reached from above.
    GuardedTarget u;
    p = Sv(5, -10);
    q = Sv(5, 100);
    DrawLine(u.pixels(), &p, &q, 0xFF);
    EXPECT_EQ(u.At(5, 0), 0u);
    EXPECT_EQ(u.At(5, 1), 0xFFu);
    EXPECT_EQ(u.Count(), 99);
    EXPECT_TRUE(t.GuardsIntact());
}

TEST(FillDepth, WritesTheBitPattern) {
    std::vector<float> d(8, 1.0f);
    FillDepth(d.data(), 0x3F800000, 4);
    EXPECT_EQ(d[3], 1.0f);
    FillDepth(d.data(), 0, 4);
    EXPECT_EQ(d[0], 0.0f);
    EXPECT_FALSE(std::signbit(d[0]));
    EXPECT_EQ(d[4], 1.0f);
}

// Coordinates beyond the limit (what a vertex at Z near 0 projects to) skip
// the triangle instead of wrapping the edge arithmetic.
TEST(DrawTriangle, FarVertexSkipsTheTriangle) {
    GuardedTarget t;
    Draw(t, Sv(100, 10), Sv(SCREEN_COORD_LIMIT + 1, 10), Sv(100, 100));
    Draw(t, Sv(100, 10), Sv(200, SCREEN_FAR_AWAY), Sv(100, 100));
    EXPECT_EQ(t.Count(), 0);
    Draw(t, Sv(100, 10), Sv(200, 10, 100, 1.5f), Sv(100, 100));
    Draw(t, Sv(100, 10), Sv(200, 10, 100, std::nanf("")), Sv(100, 100));
    EXPECT_EQ(t.Count(), 0);
    // At the limit it is drawn: 32867 rows, those above the target piled onto row 0.
    Draw(t, Sv(100, -SCREEN_COORD_LIMIT), Sv(200, 100), Sv(100, 100));
    EXPECT_GT(t.Count(), 0);
    EXPECT_TRUE(t.GuardsIntact());
}

// Random triangles, lines and points, many degenerate or far outside the
// target, with depths of every kind: nothing may land in the guard zones.
// Under the sanitizers this also proves every conversion is defined.
TEST(Raster, RandomPrimitivesStayInside) {
    GuardedTarget t(0x808080);
    std::mt19937 rng(1234);
    auto coord = [&]() -> int32_t {
        switch (rng() % 5) {
        case 0:
            return (int32_t)(rng() % 1400) - 400;
        case 1:
            return (int32_t)(rng() % 66000) - 33000;
        case 2:
            return (int32_t)rng(); // any 32-bit value
        case 3:
            return (int32_t)(rng() % 3) + 253;
        default:
            return (int32_t)(rng() % 520) - 4;
        }
    };
    const float depths[] = {0.0f,     -0.0f,     -5.0f, 1e-30f, 1e30f,
                            INFINITY, -INFINITY, NAN,   1.0f,   300.0f};
    auto vertex = [&]() {
        ScreenVertex v;
        v.x = coord();
        v.y = coord();
        v.depth = rng() % 2 ? depths[rng() % 10] : 1.0f + (float)(rng() % 1000);
        v.r = (float)(rng() % 1001) / 1000.0f;
        v.g = rng() % 50 ? (float)(rng() % 1001) / 1000.0f : NAN;
        v.b = rng() % 50 ? 1.0f : 7e30f;
        return v;
    };
    for (int i = 0; i < 20000; i++) {
        ScreenVertex a = vertex(), b = vertex(), c = vertex();
        if (i % 7 == 0) b.y = a.y; // flat tops and bottoms
        if (i % 11 == 0) c = a;    // degenerate
        DrawTriangle(t.pixels(), t.depth(), &a, &b, &c);
        DrawLine(t.pixels(), &a, &b, 0xFF);
        PlotPoint(t.pixels(), &c, 0xFF00);
        if (i % 1000 == 0) AdvanceDepthFrame(t.depth());
    }
    EXPECT_TRUE(t.GuardsIntact());
}
