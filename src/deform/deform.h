// deform: deformation grids, the block renderers that draw a texture through
// them, and the generators that fill them from formulas.
//
// A grid holds one texture coordinate (u, v) for every 8th pixel in both
// directions. A block renderer fills each 8 x 8 block of the destination by
// stepping the four corner coordinates bilinearly in 16.16 fixed point and
// copying the texel found there, unchanged. Only the generators use floating
// point, once per grid point.
//
// Destination: rows of 512 pixels (the view, the scratch buffer or the pixels
// of a 512-pixel-wide Image). A grid of R rows draws (R - 1) x 8 rows from the
// pointer given; the caller provides them.
//
// Texture: an Image read with a row stride of its width. The addressing only
// ever reaches columns 0-511 and rows 0-255, so a texture must be at least
// 512 x 256, for wrapped and clipped addressing alike. A smaller texture (or a
// missing one) is refused: nothing is drawn and nothing is read. Wider or
// taller textures are fine; only their top-left 512 x 256 texels are seen.
//
// In the show: three grids are made once with NewDeformGrid (512, 256) and
// keep their points between frames. A frame resets a grid with GridLinear,
// bends it with one or more generators (whose parameters follow the music
// time, so points can land anywhere, far outside the texture too), and draws
// a 512 x 256 Image through it into the view, the scratch buffer or another
// Image's pixels. Nothing here allocates after NewDeformGrid.
#pragma once

#include <cstdint>

#include "raster2d/raster2d.h"

#define DEFORM_BLOCK          8   // Pixels per grid step, across and down
#define DEFORM_TEXTURE_WIDTH  512 // Texture columns the addressing reaches (wrap period)
#define DEFORM_TEXTURE_HEIGHT 256 // Texture rows the addressing reaches (wrap period)

typedef struct GridPoint {
    int32_t u; // Texture column in whole texels; any value (wrapped or clipped when drawn)
    int32_t v; // Texture row in whole texels; any value
} GridPoint;

typedef struct DeformGrid {
    int32_t rows;      // Grid rows = (height >> 3) + 1; 33 for the 512 x 256 view, 0 when empty
    int32_t columns;   // Grid columns = (width >> 3) + 1; 65 for the view, 0 when empty
    GridPoint *points; // rows x columns, row-major; point (i, j) belongs to pixel (8j, 8i)
} DeformGrid;

// ---- Grids and renderers ---------------------------------------------------

// Makes a grid for a width x height pixel area: (width >> 3) + 1 columns by
// (height >> 3) + 1 rows, points zeroed. (512, 256) gives 65 x 33; (7, 7)
// gives a single point, which draws nothing. Negative sizes or a failed
// allocation give an empty grid (no points, 0 x 0) that every function accepts.
DeformGrid NewDeformGrid(int32_t width, int32_t height);

// Releases the points and leaves the grid empty (null points, 0 x 0); the
// record itself belongs to the caller. A null grid is ignored.
void FreeDeformGrid(DeformGrid *grid);

// Draws every block of the grid into dst with wrap-around addressing: the
// texture repeats every 512 texels across and 256 down, whatever the point
// values (-1 becomes 511 or 255). At most 64 blocks are drawn across: the
// extra columns of a grid made for more than 512 pixels are ignored, so no
// block crosses column 511 into the next row. Refuses a texture under 512 x 256.
void RenderGridWrap(uint32_t *dst, const DeformGrid *grid, const Image *texture);

// Like RenderGridWrap, but a texel outside columns 1-511 and rows 1-255 of the
// texture gives black: the texture's first column and first row never show,
// so the identity grid leaves destination column 0 and row 0 black.
void RenderGridClip(uint32_t *dst, const DeformGrid *grid, const Image *texture);

// Makes the grid renderers gather 8 texels at a time with AVX2 (gather
// non-zero, and only on a CPU with AVX2) or read them one by one; both draw
// the same pixels. Returns 1 when the gathers are in use. For tests: at
// start-up the gathers are chosen whenever the CPU has AVX2.
int SelectDeformSpans(int gather);

// Draws one 8 x 8 block at pixel (x, y) of dst (512-pixel rows) from its
// four corner points, wrap-around addressing. Corner u values falling from
// left to right mirror the texture within the block. Refuses a texture under
// 512 x 256; the block must lie inside dst.
void RenderBlockWrap(uint32_t *dst, const Image *texture, int32_t x, int32_t y, GridPoint topLeft,
                     GridPoint topRight, GridPoint bottomLeft, GridPoint bottomRight);

// One 8 x 8 block as RenderBlockWrap, clipped addressing as RenderGridClip.
void RenderBlockClip(uint32_t *dst, const Image *texture, int32_t x, int32_t y, GridPoint topLeft,
                     GridPoint topRight, GridPoint bottomLeft, GridPoint bottomRight);

// ---- Generators --------------------------------------------------------------
//
// Every frame of a deformation starts with GridLinear (which sets the points);
// the other generators add displacements to what is there, so they combine
// freely. Indices: row i from 0 to rows - 1, column j from 0 to columns - 1.
// sin, cos, tan and sqrt run in double precision on arguments formed in double
// from the float parameters; each displacement is truncated toward zero on
// its own before it is added. A displacement too large for int32 (only absurd
// parameters give one) saturates, NaN adds 0, and points wrap as 32-bit
// integers. Frequencies and phases are radians per grid step and radians.

// Sets a linear ramp: u runs from uOffset to uOffset + spanU across the
// columns and v from vOffset to vOffset + spanV down the rows, the steps
// accumulated in float and truncated. (512, 256, 0, 0) on 65 x 33 points gives
// the identity (8j, 8i); (512, 240, 0, 0) gives rows v = 0, 7, 15, 22, 30, ...
void GridLinear(DeformGrid *grid, int32_t spanU, int32_t spanV, int32_t uOffset, int32_t vOffset);

// u += sin(j colFreq + phaseU) amp, v += sin(i rowFreq + phaseV) amp: u waves
// along the columns, v along the rows.
void GridWaveAlong(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                   float amp);

// u += sin(i rowFreq + phaseU) amp, v += sin(j colFreq + phaseV) amp: u waves
// down the rows, v across the columns.
void GridWaveAcross(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                    float amp);

// Radial sine ripple about the real centre (columns / 2, rows / 2), i.e.
// (32.5, 16.5) on 65 x 33: each point moves along its offset (dx, dy) from the
// centre by sin(distance) x strength. Strength 0 changes nothing.
void GridRipple(DeformGrid *grid, float strength);

// Radial zoom about the same real centre: each point moves away from it by
// strength x distance^2 texels (distance in grid steps); negative strength
// pulls toward it. The timeline never resets this grid between lens frames.
void GridLens(DeformGrid *grid, float strength);

// Radial cosine ripple about the integer centre (columns / 2, rows / 2), i.e.
// (32, 16) on 65 x 33: the offset (dx, dy) is scaled by cos(distance x freq) x
// amp. Column 32 keeps its u and row 16 its v.
void GridCosRipple(DeformGrid *grid, float freq, float amp);

// Cosine ripple lifted to one sign: the offset from the integer centre is
// scaled by (cos(distance x freq - phase) + 1) x amp. With freq 0 this is a
// uniform zoom by (cos(-phase) + 1) x amp about the centre.
void GridCosPulse(DeformGrid *grid, float freq, float phase, float amp);

// Water below pixel row startRow: rows above grid row g = startRow >> 3 are
// untouched; from row g down, before each row colFreq shrinks to 0.9 x itself
// and amp grows by 0.5, then u += sin(i rowFreq + phaseU) amp and
// v += sin(j colFreq + phaseV) amp. Row g is then pinned to v = 8g and the
// last row to v = 256 (8g wins when they are the same row). A negative
// startRow still counts the rows above the grid for the growth (at most
// 65536 of them) and pins nothing.
void GridWaterWave(DeformGrid *grid, float colFreq, float rowFreq, float phaseU, float phaseV,
                   float amp, int32_t startRow);

// Tangent warp about the fixed point (32, 12): the offset is scaled by
// tan(angle) x distance, the angle growing by 0.0490625 per column from 0.
void GridTanWarp(DeformGrid *grid);

// Sine scroll: u += sin(angle) x 80 and v += that x acc, the angle growing by
// 0.0490625 per column from 0, acc growing by sin(0.098125) x strength per row.
void GridSineScroll(DeformGrid *grid, float strength);

// Shifts each point along the direction angle by strength x its distance from
// the integer centre.
void GridRadialShift(DeformGrid *grid, float angle, float strength);
