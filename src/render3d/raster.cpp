// Triangle filler, depth frames and the pixel primitives of the 3D side.
//
// Edge x positions are 16.16 fixed point in 32 bits, stepped by addition and
// allowed to wrap: the arithmetic is done on uint32_t so that the wrap is
// defined, and read back as int32_t with an arithmetic shift (floor). Depth
// values and colours are floats stepped by repeated addition, never
// recomputed from the row number, so every pixel matches the reference walk.
#include "render3d/render3d.h"

#include <cstdlib>
#include <utility>

// Process-wide: raised by every World rendering, reset when it passes 65536.
static float depthOffset = 0.0f;

float GetDepthOffset(void) {
    return depthOffset;
}

void AdvanceDepthFrame(float *depth) {
    depthOffset += 1.0f;
    // Past 65536 the offset would eat the 1/Z fraction; start again from a clean buffer.
    if (depthOffset > 65536.0f) {
        FillDepth(depth, 0, DEPTH_BUFFER_SIZE);
        depthOffset = 0.0f;
    }
}

void FillPixels(uint32_t *p, uint32_t value, int count) {
    for (int i = 0; i < count; i++) p[i] = value;
}

void FillDepth(float *depth, int32_t value, int count) {
    // Written as a float with the same bits: the buffer is never touched as
    // integers. (The builtin, not std::bit_cast: the web build's libc++ lacks it.)
    const float f = __builtin_bit_cast(float, value);
    for (int i = 0; i < count; i++) depth[i] = f;
}

void SwapInt(int32_t *a, int32_t *b) {
    int32_t t = *a;
    *a = *b;
    *b = t;
}

void SwapFloat(float *a, float *b) {
    float t = *a;
    *a = *b;
    *b = t;
}

void SwapByte(uint8_t *a, uint8_t *b) {
    uint8_t t = *a;
    *a = *b;
    *b = t;
}

void DrawSpan(uint32_t *pixels, float *depth, int x1, int x2, int y, float z1, float z2, int r1,
              int g1, int b1, int r2, int g2, int b2) {
    if (x1 == x2) return;
    if (x1 > x2) {
        SwapInt(&x1, &x2);
        SwapFloat(&z1, &z2);
        SwapInt(&r1, &r2);
        SwapInt(&g1, &g2);
        SwapInt(&b1, &b2);
    }
    // A span that reaches the margin is dropped whole, not clipped.
    if (x1 < 1 || x2 > 510) return;
    // The target has 256 rows; DrawTriangle never asks for more.
    if (y >= RENDER_ROWS) return;
    // Rows above the target all land on its first row.
    if (y < 0) y = 0;

    const int n = x2 - x1;
    const float fn = (float)n;
    const float dz = (z2 - z1) / fn;
    const float dr = (float)(r2 - r1) / fn;
    const float dg = (float)(g2 - g1) / fn;
    const float db = (float)(b2 - b1) / fn;
    float z = z1, r = (float)r1, g = (float)g1, b = (float)b1;

    const int start = y * RENDER_STRIDE + x1;
    uint32_t *p = pixels + start;
    float *d = depth + start;
    for (int i = 0; i < n; i++) {
        // Strictly greater: of two equal depths the surface drawn first stays.
        if (z > d[i]) {
            p[i] =
                ((uint32_t)(int32_t)r << 16) | ((uint32_t)(int32_t)g << 8) | (uint32_t)(int32_t)b;
            d[i] = z;
        }
        z += dz;
        r += dr;
        g += dg;
        b += db;
    }
}

// One edge of a triangle, walked a row at a time.
typedef struct EdgeWalk {
    uint32_t x, dx; // Column in 16.16, wrapping
    float w, dw;    // 1/Z + depth offset
    float r, dr;    // Colour channels, 0.0-1.0
    float g, dg;
    float b, db;
} EdgeWalk;

// Column step of the edge from p to q per row in 16.16: the product wraps in
// 32 bits, the quotient truncates toward zero. Needs q->y > p->y.
static uint32_t EdgeStepX(const ScreenVertex *p, const ScreenVertex *q) {
    const int32_t scaled = (int32_t)((uint32_t)(q->x - p->x) * 65536u);
    return (uint32_t)(scaled / (q->y - p->y));
}

// Starts an edge at p heading for q (q->y > p->y).
static void StartEdge(EdgeWalk *e, const ScreenVertex *p, const ScreenVertex *q) {
    const float h = (float)(q->y - p->y);
    e->x = (uint32_t)p->x << 16;
    e->dx = EdgeStepX(p, q);
    e->w = 1.0f / p->depth + depthOffset;
    e->dw = (1.0f / q->depth - 1.0f / p->depth) / h;
    e->r = p->r;
    e->dr = (q->r - p->r) / h;
    e->g = p->g;
    e->dg = (q->g - p->g) / h;
    e->b = p->b;
    e->db = (q->b - p->b) / h;
}

static void StepEdge(EdgeWalk *e) {
    e->x += e->dx;
    e->w += e->dw;
    e->r += e->dr;
    e->g += e->dg;
    e->b += e->db;
}

// Draws rows y0 to y1 - 1 between the long and the short edge. Returns false
// once a row passes 255, which ends the whole triangle.
static bool WalkRows(uint32_t *pixels, float *depth, EdgeWalk *lng, EdgeWalk *shrt, int y0,
                     int y1) {
    for (int y = y0; y < y1; y++) {
        if (y > RENDER_ROWS - 1) return false;
        // x >> 16 on the signed value floors; colours enter the span as trunc(c * 255).
        DrawSpan(pixels, depth, (int32_t)lng->x >> 16, (int32_t)shrt->x >> 16, y, lng->w, shrt->w,
                 (int)(lng->r * 255.0f), (int)(lng->g * 255.0f), (int)(lng->b * 255.0f),
                 (int)(shrt->r * 255.0f), (int)(shrt->g * 255.0f), (int)(shrt->b * 255.0f));
        StepEdge(lng);
        StepEdge(shrt);
    }
    return true;
}

// True if v can go through the edge walk: coordinates inside the limit (so no
// difference or 16.16 start overflows and the row loops stay short) and
// colours inside 0.0-1.0 (so every colour conversion stays in range).
static bool DrawableVertex(const ScreenVertex *v) {
    const int32_t lim = SCREEN_COORD_LIMIT;
    if (v->x < -lim || v->x > lim || v->y < -lim || v->y > lim) return false;
    // Written so that a NaN fails too.
    return v->r >= 0.0f && v->r <= 1.0f && v->g >= 0.0f && v->g <= 1.0f && v->b >= 0.0f &&
           v->b <= 1.0f;
}

void DrawTriangle(uint32_t *pixels, float *depth, const ScreenVertex *a, const ScreenVertex *b,
                  const ScreenVertex *c) {
    if (!DrawableVertex(a) || !DrawableVertex(b) || !DrawableVertex(c)) return;

    // Sort by row; on equal rows the earlier order stays.
    if (b->y > c->y) std::swap(b, c);
    if (a->y > c->y) std::swap(a, c);
    if (a->y > b->y) std::swap(a, b);
    if (c->y == a->y) return;

    EdgeWalk lng, shrt;
    StartEdge(&lng, a, c);

    if (b->y != a->y) {
        StartEdge(&shrt, a, b);
        if (!WalkRows(pixels, depth, &lng, &shrt, a->y, b->y)) return;
    }
    if (c->y != b->y) {
        // The long edge restarts from A rather than carrying on: x is the same
        // (modular arithmetic), the floats are recomputed as h1 * step.
        const float h1 = (float)(b->y - a->y);
        lng.x = ((uint32_t)a->x << 16) + lng.dx * (uint32_t)(b->y - a->y);
        lng.w = (1.0f / a->depth + h1 * lng.dw) + depthOffset;
        lng.r = a->r + h1 * lng.dr;
        lng.g = a->g + h1 * lng.dg;
        lng.b = a->b + h1 * lng.db;
        StartEdge(&shrt, b, c);
        WalkRows(pixels, depth, &lng, &shrt, b->y, c->y);
    }
}

void PlotPoint(uint32_t *pixels, const ScreenVertex *v, uint32_t colour) {
    if (v->x < 0 || v->x > 511 || v->y < 0 || v->y > 255) return;
    pixels[v->y * RENDER_STRIDE + v->x] = colour;
}

// Keeps a line end inside columns 0-510 and rows 1-254.
static void ClampEnd(ScreenVertex *v) {
    if (v->x > 509) v->x = 510;
    if (v->x < 0) v->x = 0;
    if (v->y >= 254) v->y = 254;
    if (v->y <= 0) v->y = 1;
}

static void SwapEnds(ScreenVertex *p, ScreenVertex *q) {
    SwapInt(&p->x, &q->x);
    SwapInt(&p->y, &q->y);
}

void DrawLine(uint32_t *pixels, ScreenVertex *p, ScreenVertex *q, uint32_t colour) {
    // The slope comes from the coordinates as passed in. In 64 bits, because
    // a far-away vertex makes them overflow 32; the slope itself is at most 256.
    const int64_t dx = (int64_t)q->x - p->x;
    const int64_t dy = (int64_t)q->y - p->y;

    ClampEnd(p);
    ClampEnd(q);

    if (std::llabs(dx) > std::llabs(dy)) {
        // x-major: the row walks in 8.8 and can leave the target; such pixels are not written.
        const int32_t slope = (int32_t)(dy * 256 / dx);
        if (q->x < p->x) SwapEnds(p, q);
        int32_t f = p->y * 256;
        for (int x = p->x; x < q->x; x++) {
            const int32_t row = f >> 8;
            if (row >= 0 && row < RENDER_ROWS) pixels[row * RENDER_STRIDE + x] = colour;
            f += slope;
        }
    } else {
        // y-major: at most 253 rows of at most one column each, from a column
        // in 0-510, so a column past the edge wraps into the neighbouring row
        // but never leaves the target.
        const int32_t step = dx != 0 ? (int32_t)(dx * 256 / dy) : 0;
        if (q->y < p->y) SwapEnds(p, q);
        int32_t g = p->x * 256;
        for (int y = p->y; y < q->y; y++) {
            pixels[y * RENDER_STRIDE + (g >> 8)] = colour;
            g += step;
        }
    }
}
