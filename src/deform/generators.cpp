// deform: the grid generators.
//
// Number rules, the same in every formula: a float parameter enters the
// arithmetic as a double, every operation is done in double precision, and a
// value is rounded to float only where a (float) cast says so. A product of
// two floats is exact in double, so "dx * s" below is the exact product.
//
// Each operation rounds on its own. A fused multiply-add rounds a * b + c
// once and can carry a displacement across an integer, so contraction is off
// for this file: GCC fuses across statements at -O2 (-ffp-contract=fast is
// its default outside ISO C), Clang inside an expression.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "deform/deform.h"

#include <cmath>
#include <cstddef>

// trunc toward zero into int32. A value outside int32 (a runaway amplitude or
// an accumulated lens; the show never comes near) saturates and NaN gives 0,
// where the plain conversion would be undefined.
static inline int32_t Trunc(double x) {
    if (x != x) return 0;
    if (x >= 2147483648.0) return INT32_MAX;
    if (x <= -2147483649.0) return INT32_MIN;
    return (int32_t)x;
}

// A point plus a displacement, wrapping as a 32-bit add instead of overflowing.
static inline int32_t Add(int32_t point, int32_t displacement) {
    return (int32_t)((uint32_t)point + (uint32_t)displacement);
}

static inline bool HasPoints(const DeformGrid *grid) {
    return grid && grid->points && grid->rows > 0 && grid->columns > 0;
}

static inline GridPoint *Point(DeformGrid *grid, int32_t i, int32_t j) {
    return grid->points + (size_t)i * (size_t)grid->columns + j;
}

// Moves a point along its offset (dx, dy) from a centre by the factor s,
// each axis truncated on its own.
static inline void Displace(GridPoint *p, double dx, double dy, double s) {
    p->u = Add(p->u, Trunc(dx * s));
    p->v = Add(p->v, Trunc(dy * s));
}

// sin(index x freq + phase) x amp, truncated: one wave term. index x freq is
// exact in double (a grid index and a float), so no fusing can change it.
static inline int32_t Wave(int32_t index, float freq, float phase, float amp) {
    double angle = (double)index * freq + phase;
    return Trunc(sin(angle) * amp);
}

void GridLinear(DeformGrid *grid, int32_t spanU, int32_t spanV, int32_t uOffset, int32_t vOffset) {
    if (!HasPoints(grid)) return;
    // Real divisions rounded to float; a single column or row never steps.
    float stepU = grid->columns > 1 ? (float)((double)spanU / (grid->columns - 1)) : 0.0f;
    float stepV = grid->rows > 1 ? (float)((double)spanV / (grid->rows - 1)) : 0.0f;
    float accV = 0.0f;
    for (int32_t i = 0; i < grid->rows; i++) {
        float accU = 0.0f;
        int32_t v = Trunc((double)vOffset + accV);
        GridPoint *p = Point(grid, i, 0);
        for (int32_t j = 0; j < grid->columns; j++, p++) {
            p->u = Trunc((double)uOffset + accU);
            p->v = v;
            accU = accU + stepU; // float sum: rounded to float every step
        }
        accV = accV + stepV;
    }
}

// A wave term depends on the column or on the row alone, so it is computed
// once per column or row and added down or across the grid: the same numbers
// for a thirtieth of the sines.
static void AddColumnWave(DeformGrid *grid, int32_t GridPoint::*axis, float freq, float phase,
                          float amp) {
    for (int32_t j = 0; j < grid->columns; j++) {
        int32_t d = Wave(j, freq, phase, amp);
        for (int32_t i = 0; i < grid->rows; i++) {
            GridPoint *p = Point(grid, i, j);
            p->*axis = Add(p->*axis, d);
        }
    }
}

static void AddRowWave(DeformGrid *grid, int32_t GridPoint::*axis, float freq, float phase,
                       float amp) {
    for (int32_t i = 0; i < grid->rows; i++) {
        int32_t d = Wave(i, freq, phase, amp);
        GridPoint *p = Point(grid, i, 0);
        for (int32_t j = 0; j < grid->columns; j++, p++) p->*axis = Add(p->*axis, d);
    }
}

void GridWaveAlong(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                   float amp) {
    if (!HasPoints(grid)) return;
    AddColumnWave(grid, &GridPoint::u, colFreq, phaseU, amp);
    AddRowWave(grid, &GridPoint::v, rowFreq, phaseV, amp);
}

void GridWaveAcross(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                    float amp) {
    if (!HasPoints(grid)) return;
    AddRowWave(grid, &GridPoint::u, rowFreq, phaseU, amp);
    AddColumnWave(grid, &GridPoint::v, colFreq, phaseV, amp);
}

// Distance in double from float or integer offsets: the squares are exact.
static inline double Distance(double dx, double dy) {
    double dx2 = dx * dx, dy2 = dy * dy;
    return sqrt(dx2 + dy2);
}

// The real centre (columns / 2.0, rows / 2.0): 32.5 and 16.5 on 65 x 33, so
// no point lies on it. The offsets are floats.
static inline float RealOffset(int32_t index, int32_t count) {
    float centre = (float)(count / 2.0);
    return (float)(index - (double)centre);
}

#define FACTOR_KEYS 40 // Distinct offsets per axis the factor table holds: grids to 79 x 79 points

// Moves each point (i, j) along its offset (offset(i, rows), offset(j,
// columns)) from a centre by factor(distance). Points whose offsets differ
// only in sign lie at the same distance, which the squares make bit for bit
// the same, so factor runs once per distinct pair of sizes: key(index, count)
// names the index whose offset has that size, from 0 to count / 2. A grid too
// large for the table runs factor at every point.
template <typename Offset, typename Key, typename Factor>
static void ScaleAboutCentre(DeformGrid *grid, Offset offset, Key key, Factor factor) {
    const int32_t keysX = grid->columns / 2 + 1, keysY = grid->rows / 2 + 1;
    if (keysX > FACTOR_KEYS || keysY > FACTOR_KEYS) {
        for (int32_t i = 0; i < grid->rows; i++) {
            double dy = offset(i, grid->rows);
            for (int32_t j = 0; j < grid->columns; j++) {
                double dx = offset(j, grid->columns);
                Displace(Point(grid, i, j), dx, dy, factor(Distance(dx, dy)));
            }
        }
        return;
    }
    double table[FACTOR_KEYS][FACTOR_KEYS]; // factor by the keys of the row and the column
    for (int32_t ky = 0; ky < keysY; ky++) {
        double dy = offset(ky, grid->rows);
        for (int32_t kx = 0; kx < keysX; kx++)
            table[ky][kx] = factor(Distance(offset(kx, grid->columns), dy));
    }
    for (int32_t i = 0; i < grid->rows; i++) {
        double dy = offset(i, grid->rows);
        const double *row = table[key(i, grid->rows)];
        for (int32_t j = 0; j < grid->columns; j++)
            Displace(Point(grid, i, j), offset(j, grid->columns), dy, row[key(j, grid->columns)]);
    }
}

// Walks the grid with float offsets (dx, dy) from the real centre and moves
// each point along its offset by factor(distance). Index count - j mirrors j.
template <typename Factor> static void ScaleAboutRealCentre(DeformGrid *grid, Factor factor) {
    ScaleAboutCentre(
        grid, [](int32_t index, int32_t count) { return (double)RealOffset(index, count); },
        [](int32_t index, int32_t count) { return index <= count - index ? index : count - index; },
        factor);
}

void GridRipple(DeformGrid *grid, float strength) {
    if (!HasPoints(grid)) return;
    ScaleAboutRealCentre(
        grid, [=](double distance) { return (double)(float)(sin(distance) * strength); });
}

void GridLens(DeformGrid *grid, float strength) {
    if (!HasPoints(grid)) return;
    ScaleAboutRealCentre(
        grid, [=](double distance) { return (double)(float)((double)strength * (float)distance); });
}

// Walks the grid with integer offsets (dx, dy) from the integer centre
// (columns / 2, rows / 2): 32 and 16 on 65 x 33, so column 32 and row 16 sit
// on it and keep their u and v. Index 2 cx - j mirrors j past the centre.
template <typename Factor> static void ScaleAboutIntegerCentre(DeformGrid *grid, Factor factor) {
    ScaleAboutCentre(
        grid, [](int32_t index, int32_t count) { return (double)index - count / 2; },
        [](int32_t index, int32_t count) {
            return index <= count / 2 ? index : 2 * (count / 2) - index;
        },
        factor);
}

void GridCosRipple(DeformGrid *grid, float freq, float amp) {
    if (!HasPoints(grid)) return;
    ScaleAboutIntegerCentre(grid, [=](double distance) {
        double angle = distance * freq;
        return (double)(float)(cos(angle) * amp);
    });
}

void GridCosPulse(DeformGrid *grid, float freq, float phase, float amp) {
    if (!HasPoints(grid)) return;
    ScaleAboutIntegerCentre(grid, [=](double distance) {
        double scaled = distance * freq; // rounded before the phase is taken off
        double angle = scaled - phase;
        return (double)(float)((cos(angle) + 1.0) * amp);
    });
}

void GridRadialShift(DeformGrid *grid, float angle, float strength) {
    if (!HasPoints(grid)) return;
    double along = sin((double)angle), down = cos((double)angle);
    int32_t cx = grid->columns / 2, cy = grid->rows / 2;
    for (int32_t i = 0; i < grid->rows; i++) {
        for (int32_t j = 0; j < grid->columns; j++) {
            float distance = (float)Distance((double)j - cx, (double)i - cy);
            double d = (double)strength * distance;
            GridPoint *p = Point(grid, i, j);
            p->u = Add(p->u, Trunc(along * d));
            p->v = Add(p->v, Trunc(d * down));
        }
    }
}

void GridWaterWave(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                   float amp, int32_t startRow) {
    if (!HasPoints(grid)) return;
    int32_t g = startRow >> 3; // arithmetic: a pixel row above the grid gives a negative g
    int32_t i = g;
    // Grid rows above row 0 do not exist but still count for the growth, up
    // to 65536 of them (half a million pixel rows above the destination, the
    // amplitude long past anything visible), so a runaway startRow costs a
    // bounded number of steps. Once colFreq stops shrinking (0 or the
    // smallest denormal) it is left alone: denormal multiplies are slow.
    if (i < -65536) i = -65536;
    for (bool shrinking = true; i < 0; i++) {
        if (shrinking) {
            float next = colFreq * 0.9f;
            shrinking = next != colFreq;
            colFreq = next;
        }
        amp = amp + 0.5f;
    }
    for (; i < grid->rows; i++) {
        colFreq = colFreq * 0.9f; // 0.9 as the nearest float, product rounded to float
        amp = amp + 0.5f;
        int32_t du = Wave(i, rowFreq, phaseU, amp);
        GridPoint *p = Point(grid, i, 0);
        for (int32_t j = 0; j < grid->columns; j++, p++) {
            p->u = Add(p->u, du);
            p->v = Add(p->v, Wave(j, colFreq, phaseV, amp));
            // The last row is pinned to the texture's bottom and the first
            // waving row to its own texel row; the first pin wins.
            if (i >= grid->rows - 1) p->v = 256;
            if (i <= g) p->v = g * 8;
        }
    }
}

// The column angle of the unused sweeps: 0, then + 0.0490625 in float per
// column (64 steps come to about pi).
#define SWEEP_STEP 0.0490625f

void GridTanWarp(DeformGrid *grid) {
    if (!HasPoints(grid)) return;
    for (int32_t i = 0; i < grid->rows; i++) {
        float dy = (float)(i - 12.0);
        float angle = 0.0f;
        for (int32_t j = 0; j < grid->columns; j++) {
            float dx = (float)(j - 32.0);
            float distance = (float)Distance(dx, dy);
            float s = (float)(tan((double)angle) * distance);
            Displace(Point(grid, i, j), dx, dy, s);
            angle = angle + SWEEP_STEP;
        }
    }
}

void GridSineScroll(DeformGrid *grid, float strength) {
    if (!HasPoints(grid)) return;
    const double rowSine = sin(0.098125);
    float acc = 0.0f;
    for (int32_t i = 0; i < grid->rows; i++) {
        float angle = 0.0f;
        GridPoint *p = Point(grid, i, 0);
        for (int32_t j = 0; j < grid->columns; j++, p++) {
            float wave = (float)(sin((double)angle) * 80.0);
            p->u = Add(p->u, Trunc(wave));
            p->v = Add(p->v, Trunc((double)wave * acc));
            angle = angle + SWEEP_STEP;
        }
        double lift = rowSine * strength; // rounded before acc is added
        acc = (float)(lift + acc);
    }
}
