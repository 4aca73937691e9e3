// Grid generators: the rounding the formulas prescribe, their centres and
// symmetries, the water pins, and defined results for absurd parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

#include "deform/deform.h"

namespace {

struct Grid {
    DeformGrid grid;
    Grid(int32_t width = 512, int32_t height = 256) : grid(NewDeformGrid(width, height)) {
        GridLinear(&grid, width, height, 0, 0);
    }
    ~Grid() { FreeDeformGrid(&grid); }
    GridPoint &At(int32_t i, int32_t j) { return grid.points[i * grid.columns + j]; }
    // Displacement from the identity (8j, 8i) a 512 x 256 grid starts from.
    int32_t Du(int32_t i, int32_t j) { return At(i, j).u - 8 * j; }
    int32_t Dv(int32_t i, int32_t j) { return At(i, j).v - 8 * i; }
};

const float kHalfPi = 1.57079637f; // sin of it, in double, is just below 1

} // namespace

TEST(DeformGenerators, LinearAccumulatesFloatStepsAndTruncates) {
    Grid g;
    GridLinear(&g.grid, 512, 240, 0, 0); // v steps of 7.5 on 33 rows
    const int32_t rows[5] = {0, 7, 15, 22, 30};
    for (int i = 0; i < 5; i++) EXPECT_EQ(g.At(i, 0).v, rows[i]);
    EXPECT_EQ(g.At(32, 64).u, 512);
    EXPECT_EQ(g.At(32, 64).v, 240);
    // The step is added in float point after point, not multiplied: 7 / 6
    // summed six times stays below 7, while 5 / 3 summed three times reaches
    // the 5 that 3 x f32(5 / 3) misses.
    Grid seven(48, 0), four(24, 0);
    GridLinear(&seven.grid, 7, 0, 0, 0);
    GridLinear(&four.grid, 5, 0, 0, 0);
    EXPECT_EQ(seven.At(0, 6).u, 6);
    EXPECT_EQ(four.At(0, 3).u, 5);
    // Offsets are added before truncation, a negative sum truncates toward 0.
    GridLinear(&seven.grid, 7, 0, -3, 0);
    EXPECT_EQ(seven.At(0, 1).u, -1); // -3 + 1.1666 = -1.83
}

TEST(DeformGenerators, WavesTruncateEachDisplacementTowardZero) {
    Grid g;
    // Zero amplitude, or zero frequency and phase, moves nothing.
    GridWaveAlong(&g.grid, 0.7f, 0.3f, 3.0f, 3.0f, 0.0f);
    GridWaveAcross(&g.grid, 0.0f, 0.0f, 0.0f, 0.0f, 60.0f);
    GridRipple(&g.grid, 0.0f);
    GridLens(&g.grid, 0.0f);
    GridWaveAlong(&g.grid, 0.3f, 0.3f, 1.0f, 2.0f, 0.9f); // |displacement| < 1
    for (int i = 0; i < 33; i++)
        for (int j = 0; j < 65; j++) ASSERT_TRUE(g.Du(i, j) == 0 && g.Dv(i, j) == 0);
    // sin(pi/2) x 2.5 and sin(-pi/2) x 2.5, each truncated on its own: +2 and
    // -2, so the two waves cancel instead of adding to a rounded 0 or -1.
    GridWaveAlong(&g.grid, 0.0f, 0.0f, kHalfPi, -kHalfPi, 2.5f);
    EXPECT_EQ(g.Du(5, 5), 2);
    EXPECT_EQ(g.Dv(5, 5), -2);
    GridWaveAcross(&g.grid, 0.0f, 0.0f, -kHalfPi, kHalfPi, 2.5f);
    EXPECT_EQ(g.Du(5, 5), 0);
    EXPECT_EQ(g.Dv(5, 5), 0);
    // Along: u follows the column and v the row; across: the other way round.
    Grid along, across;
    GridWaveAlong(&along.grid, 0.3f, 0.2f, 0.0f, 0.0f, 30.0f);
    GridWaveAcross(&across.grid, 0.3f, 0.2f, 0.0f, 0.0f, 30.0f);
    EXPECT_EQ(along.Du(0, 5), 29); // sin(5 x 0.3) x 30 = 29.9
    EXPECT_EQ(along.Du(20, 5), 29);
    EXPECT_EQ(along.Dv(5, 40), 25); // sin(5 x 0.2) x 30 = 25.2
    EXPECT_EQ(across.Du(5, 40), 25);
    EXPECT_EQ(across.Dv(0, 7), 25); // sin(7 x 0.3) x 30 = 25.9, where 0.2 would give 29.6
}

TEST(DeformGenerators, RadialCentres) {
    // Ripple and lens use the real centre (32.5, 16.5): column j mirrors
    // column 65 - j and row i mirrors row 33 - i, and column 32 moves.
    auto realCentre = [](const std::function<void(DeformGrid *)> &generate) {
        Grid g;
        generate(&g.grid);
        bool column32Moves = false;
        for (int i = 1; i < 33; i++)
            for (int j = 1; j < 65; j++) {
                ASSERT_EQ(g.Du(i, j), -g.Du(i, 65 - j)) << i << "," << j;
                ASSERT_EQ(g.Dv(i, j), -g.Dv(33 - i, j)) << i << "," << j;
                column32Moves |= g.Du(i, 32) != 0;
            }
        EXPECT_TRUE(column32Moves);
    };
    realCentre([](DeformGrid *g) { GridRipple(g, 10.0f); });
    realCentre([](DeformGrid *g) { GridLens(g, 0.5f); });
    // The cosine ripples use the integer centre (32, 16): column 32 keeps its
    // u, row 16 its v, and j mirrors 64 - j, i mirrors 32 - i.
    auto integerCentre = [](const std::function<void(DeformGrid *)> &generate) {
        Grid g;
        generate(&g.grid);
        bool moved = false;
        for (int i = 0; i < 33; i++)
            for (int j = 0; j < 65; j++) {
                ASSERT_EQ(g.Du(i, j), -g.Du(i, 64 - j)) << i << "," << j;
                ASSERT_EQ(g.Dv(i, j), -g.Dv(32 - i, j)) << i << "," << j;
                moved |= g.Du(i, j) != 0;
            }
        for (int i = 0; i < 33; i++) EXPECT_EQ(g.Du(i, 32), 0);
        for (int j = 0; j < 65; j++) EXPECT_EQ(g.Dv(16, j), 0);
        EXPECT_TRUE(moved);
    };
    integerCentre([](DeformGrid *g) { GridCosRipple(g, 0.05f, 8.0f); });
    integerCentre([](DeformGrid *g) { GridCosRipple(g, 0.1f, 3.0f); });
    integerCentre([](DeformGrid *g) { GridCosPulse(g, 0.1f, 3.9f, 10.0f); });
    // A zero-frequency pulse is a uniform zoom: (cos(-phase) + 1) x amp = 2 at phase 0.
    Grid zoom;
    GridCosPulse(&zoom.grid, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(zoom.Du(3, 0), -64);
    EXPECT_EQ(zoom.Dv(3, 0), -26);
    // The lens moves a point away by strength x distance^2: point (16, 0)
    // lies at (-32.5, -0.5) from the centre, 0.1 x 1056.5 = 105.6 texels away.
    Grid lens;
    GridLens(&lens.grid, 0.1f);
    EXPECT_EQ(lens.Du(16, 0), -105);
    EXPECT_EQ(lens.Dv(16, 0), -1);
}

TEST(DeformGenerators, WaterWavePinsItsRowsAndGrowsFromTheFirst) {
    Grid g;
    GridWaterWave(&g.grid, 1.0f, 1.0f, 2.0f, 2.0f, 10.0f, 128);
    for (int i = 0; i < 16; i++)
        for (int j = 0; j < 65; j++) {
            ASSERT_EQ(g.At(i, j).u, 8 * j);
            ASSERT_EQ(g.At(i, j).v, 8 * i);
        }
    bool waves = false;
    for (int j = 0; j < 65; j++) {
        EXPECT_EQ(g.At(16, j).v, 128);
        EXPECT_EQ(g.At(32, j).v, 256);
        waves |= g.Dv(20, j) != 0;
    }
    EXPECT_TRUE(waves);
    // sin(pi/2) is just below 1, so a row's u moves by its amplitude rounded
    // down past each whole number: amp 0.25 grows to 0.75 before row 0, then
    // 1.25, 1.75, 2.25 (not 0.25, 0.75, 1.25, 1.75).
    Grid w;
    GridWaterWave(&w.grid, 0.0f, 0.0f, kHalfPi, 0.0f, 0.25f, 0);
    const int32_t grown[4] = {0, 1, 1, 2};
    for (int i = 0; i < 4; i++) EXPECT_EQ(w.Du(i, 7), grown[i]) << i;
    EXPECT_EQ(w.At(0, 7).v, 0);
    // colFreq shrinks before each row too: row 1 waves at 0.81 with amp 11.
    Grid f;
    GridWaterWave(&f.grid, 1.0f, 0.0f, 0.0f, 0.0f, 10.0f, 0);
    EXPECT_EQ(f.Dv(1, 1), 7);  // sin(0.81) x 11 = 7.97; unshrunk sin(1) x 11 = 9.3
    EXPECT_EQ(f.Dv(1, 2), 10); // sin(1.62) x 11 = 10.98
    // The last row as the first waving row: the first-row pin (200) wins
    // over the bottom pin (256).
    Grid last(512, 200);
    GridWaterWave(&last.grid, 1.0f, 1.0f, 0.0f, 0.0f, 10.0f, 25 * 8 + 7);
    EXPECT_EQ(last.At(25, 9).v, 200);
}

TEST(DeformGenerators, AbsurdParametersGiveDefinedPoints) {
    Grid g;
    GridWaveAlong(&g.grid, 0.0f, 0.0f, kHalfPi, NAN, 1e30f); // u saturates, NaN adds 0
    EXPECT_EQ(g.At(0, 0).u, INT32_MAX);
    EXPECT_EQ(g.At(3, 0).v, 24);
    GridLinear(&g.grid, 512, 256, 0, 0);
    GridWaterWave(&g.grid, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, INT32_MIN); // rows above the grid
    GridWaterWave(&g.grid, 1.0f, 1.0f, 0.0f, 0.0f, NAN, -800);
    GridSineScroll(&g.grid, 1e38f);
    GridTanWarp(&g.grid);
    GridRadialShift(&g.grid, 1.0f, -1e30f);
    GridLens(&g.grid, INFINITY);
    // A single point and an empty grid take every generator.
    Grid one(7, 7);
    DeformGrid empty = NewDeformGrid(-8, -8);
    for (DeformGrid *d : {&one.grid, &empty}) {
        GridLinear(d, 512, 256, 3, 4);
        GridRipple(d, 2.0f);
        GridCosPulse(d, 0.1f, 3.9f, 10.0f);
        GridWaterWave(d, 1.0f, 1.0f, 0.0f, 0.0f, 10.0f, 0);
        GridSineScroll(d, 1.0f);
    }
    EXPECT_EQ(one.At(0, 0).u, 3);
    EXPECT_EQ(one.At(0, 0).v, 0); // pinned: first waving row 0
}
