// render3d: the software 3D renderer. A World goes in; transformed, culled,
// projected, lit and Gouraud-filled triangles come out in a 512-wide target.
//
// Targets are raw pixel pointers (0x00RRGGBB) with a fixed row stride of 512
// and no size parameter; every target has at least 256 rows. Triangles fill
// rows 0-255 and columns 1-509 only. The depth buffer is 512 x 384 floats with
// the same stride, holding 1/Z plus a running depth offset (greater = nearer,
// 0.0 = empty). The offset rises by 1.0 after every World rendering, so a new
// rendering always wins over what is left in the buffer and the buffer is
// never cleared per frame.
//
// View space: +X right, +Y down, the viewer looks along +Z. Projection has
// focal length 400 and principal point (256, 194).
//
// Vertices at Z <= 0 are not clipped. Their projected coordinates can be
// anything, so two guards keep every write inside the target and the depth
// buffer and every float-to-int conversion defined:
//   - ProjectVertex stores SCREEN_FAR_AWAY for a coordinate that is not a
//     number or lies beyond +-2^30 (x86's own conversion would also give a
//     value far outside the screen);
//   - DrawTriangle skips a triangle with a coordinate beyond +-SCREEN_COORD_LIMIT
//     or a colour channel outside 0.0-1.0 (or not a number). Within the limit
//     a triangle walks at most 65534 rows, those above the target one by one
//     onto row 0, so even a runaway triangle costs milliseconds, not seconds.
// The show's models, 130 and more units in front of the viewer, project
// thousands of pixels inside both limits, so no frame of it changes.
#pragma once

#include <cstdint>

#include "render3d/math3d.h"
#include "scene/scene.h"

// Row stride of every target and of the depth buffer, in pixels.
#define RENDER_STRIDE 512
// Rows the triangle filler may draw: 0 to RENDER_ROWS - 1.
#define RENDER_ROWS 256
// Entries of the depth buffer (512 x 384).
#define DEPTH_BUFFER_SIZE (512 * 384)
// Focal length of the projection, in pixels.
#define RENDER_FOCAL 400
// Largest |x| or |y| DrawTriangle accepts: a vertex beyond it lies far off
// screen, and the 16.16 edge start A.x * 65536 still fits 32 bits.
#define SCREEN_COORD_LIMIT 32767
// What ProjectVertex stores for a coordinate that fits no screen at all.
#define SCREEN_FAR_AWAY INT32_MIN

typedef struct ScreenVertex {
    int32_t x;   // Column in pixels, 0 = left edge of the target
    int32_t y;   // Row in pixels, 0 = top row of the target
    float r;     // Red, 0.0-1.0
    float g;     // Green, 0.0-1.0
    float b;     // Blue, 0.0-1.0
    float depth; // View-space Z, greater = farther
} ScreenVertex;

// --- Rasterizer -----------------------------------------------------------

// Fills the triangle abc (any winding) into pixels and depth: rows a.y to
// c.y - 1 of the sorted vertices, each span from the left edge up to, not
// including, the right edge; depth and colour interpolated linearly in screen
// space; a pixel is written where its 1/Z + offset is strictly greater than the
// depth entry. Stops past row 255, draws rows above 0 onto row 0, drops whole
// spans that reach column 0 or column 510. Skips the triangle if a coordinate
// lies beyond +-SCREEN_COORD_LIMIT or a colour channel outside 0.0-1.0.
void DrawTriangle(uint32_t *pixels, float *depth, const ScreenVertex *a, const ScreenVertex *b,
                  const ScreenVertex *c);
// Fills columns x1 to x2 - 1 (either order) of row y, stepping the depth value
// z and the colour (0-255 integers) from the x1 end to the x2 end. Draws
// nothing when the span reaches column 0 or 510, or y is past row 255; a
// negative y draws on row 0.
void DrawSpan(uint32_t *pixels, float *depth, int x1, int x2, int y, float z1, float z2, int r1,
              int g1, int b1, int r2, int g2, int b2);
// Raises the depth offset by 1.0 after a World rendering; past 65536.0 it
// clears all DEPTH_BUFFER_SIZE entries of depth and restarts the offset at 0.0.
void AdvanceDepthFrame(float *depth);
// Returns the depth offset DrawTriangle adds to every 1/Z it writes.
float GetDepthOffset(void);

// Sets p[0..count-1] to value.
void FillPixels(uint32_t *p, uint32_t value, int count);
// Sets depth[0..count-1] to the float whose bit pattern is value (0 gives 0.0).
void FillDepth(float *depth, int32_t value, int count);
// Writes colour at (v->x, v->y) if 0 <= x <= 511 and 0 <= y <= 255.
void PlotPoint(uint32_t *pixels, const ScreenVertex *v, uint32_t colour);
// Draws a one-colour line from p up to, not including, q. Clamps both records
// in place (x to 0-510, y to 1-254) and may swap their x and y; the slope comes
// from the coordinates as passed in, so a steep line can wrap into the next
// row, and a pixel of a shallow line whose row leaves 0-255 is not written.
void DrawLine(uint32_t *pixels, ScreenVertex *p, ScreenVertex *q, uint32_t colour);

// Exchange the values behind the two pointers.
void SwapInt(int32_t *a, int32_t *b);
void SwapFloat(float *a, float *b);
void SwapByte(uint8_t *a, uint8_t *b);

// --- Lighting -------------------------------------------------------------

// Writes out->r, g, b (0.0-1.0) for the view-space vertex lit by the lights
// and seen from eye, with material (not read when materialIndex is -1, which
// gives pure blue). Per light: ambient, 1 - L.N diffuse, (V.N)^shininess
// specular, scaled by 1 - (dist / radius)^2 with radius unsigned; the sum is
// clamped to 0.0-1.0 after every light, a channel that is not a number
// becoming 0.0. No lights: black. Leaves out's other fields alone.
void LightVertex(const Vec3 *eye, const Material *material, const Vertex *vertex, ScreenVertex *out,
                 const Light *lights, int32_t lightCount, int32_t materialIndex);

// --- Pipeline -------------------------------------------------------------

// Sets out->x = trunc(v.x / v.z * focal) + 256, out->y = trunc(v.y / v.z *
// focal) + 194, out->depth = v.z; a coordinate that is not a number or beyond
// +-2^30 before the shift becomes SCREEN_FAR_AWAY. The colour is left alone.
void ProjectVertex(int focal, ScreenVertex *out, Vertex v);
// Draws every Model of world into pixels against depth: transform by
// translation x rotation, back faces culled from eye (d.n <= -4), each used
// vertex projected and lit once per mesh by the first visible face that uses
// it (faces and vertices walked from last to first), triangles filled; then
// advances the depth frame. Writes the Models' transforms, the World's
// frameMatrix and every mesh's working arrays and face visible flags. A face
// naming a vertex or a material that does not exist is not drawn.
void RenderWorld(uint32_t *pixels, float *depth, World *world);
// Draws every vertex of model as one pixel of colour (no culling, no depth).
void RenderModelPoints(uint32_t *pixels, Model *model, uint32_t colour);
// Draws the points the last RenderModelPoints of model projected once more,
// without transforming them again: the same frame's points on a second layer.
void ReplotModelPoints(uint32_t *pixels, const Model *model, uint32_t colour);
// Draws every face of model as three one-colour lines (ab, ac, bc); the lines
// clamp the projected vertices in place. Faces naming missing vertices are skipped.
void RenderModelWireframe(uint32_t *pixels, Model *model, uint32_t colour);
