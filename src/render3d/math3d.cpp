// math3d: row-major 4x4 matrices, points as column vectors, post-multiplication.
#include "render3d/math3d.h"

#include <cmath>

#include "scene/scene.h"

Matrix4 *MatrixIdentity(Matrix4 *m) {
    for (int i = 0; i < 16; i++) m->m[i] = (i % 5 == 0) ? 1.0f : 0.0f; // 0, 5, 10, 15
    return m;
}

void MatrixMultiply(const Matrix4 *a, const Matrix4 *b, Matrix4 *c) {
    const float *x = a->m, *y = b->m;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            c->m[4 * i + j] = x[4 * i] * y[j] + x[4 * i + 1] * y[4 + j] + x[4 * i + 2] * y[8 + j] +
                              x[4 * i + 3] * y[12 + j];
}

void MatrixMultiply3(const Matrix4 *a, const Matrix4 *b, Matrix4 *c) {
    const float *x = a->m, *y = b->m;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            c->m[4 * i + j] = x[4 * i] * y[j] + x[4 * i + 1] * y[4 + j] + x[4 * i + 2] * y[8 + j];
}

void MatrixCopy(const Matrix4 *source, Matrix4 *destination) {
    *destination = *source;
}

// m := m x x, through a stack matrix because MatrixMultiply needs a third one.
static void PostMultiply(Matrix4 *m, const Matrix4 *x) {
    Matrix4 product;
    MatrixMultiply(m, x, &product);
    MatrixCopy(&product, m);
}

void MatrixRotate(Matrix4 *m, float ax, float ay, float az) {
    const float sa = (float)sin((double)ax), ca = (float)cos((double)ax);
    const float sb = (float)sin((double)ay), cb = (float)cos((double)ay);
    const float sc = (float)sin((double)az), cc = (float)cos((double)az);
    Matrix4 r;
    MatrixIdentity(&r);
    r.m[0] = cb * cc;
    r.m[1] = cb * sc;
    r.m[2] = -sb;
    r.m[4] = sa * sb * cc - ca * sc;
    r.m[5] = sa * sb * sc + ca * cc;
    r.m[6] = sa * cb;
    r.m[8] = ca * sb * cc + sa * sc;
    r.m[9] = ca * sb * sc - sa * cc;
    r.m[10] = ca * cb;
    PostMultiply(m, &r);
}

void MatrixTranslate(Matrix4 *m, float x, float y, float z) {
    Matrix4 t;
    MatrixIdentity(&t);
    MatrixSetTranslation(&t, x, y, z);
    PostMultiply(m, &t);
}

void MatrixScale(Matrix4 *m, float sx, float sy, float sz) {
    Matrix4 s;
    MatrixIdentity(&s);
    s.m[0] = sx;
    s.m[5] = sy;
    s.m[10] = sz;
    PostMultiply(m, &s);
}

void MatrixSetTranslation(Matrix4 *m, float x, float y, float z) {
    m->m[3] = x;
    m->m[7] = y;
    m->m[11] = z;
}

Matrix4 *MatrixNormalizeRows(Matrix4 *m) {
    for (int row = 0; row < 3; row++) {
        float *r = m->m + 4 * row;
        const float length = (float)sqrt((double)(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]));
        // A zero row has no direction: it stays zero rather than turning into NaN.
        if (length == 0.0f) continue;
        r[0] /= length;
        r[1] /= length;
        r[2] /= length;
    }
    return m;
}

void TransformVertex(const Matrix4 *m, Vertex *out, float x, float y, float z, float nx, float ny,
                     float nz) {
    const float *e = m->m;
    out->x = e[0] * x + e[1] * y + e[2] * z + e[3];
    out->y = e[4] * x + e[5] * y + e[6] * z + e[7];
    out->z = e[8] * x + e[9] * y + e[10] * z + e[11];
    const Vec3 n = RotateVector(m, nx, ny, nz);
    out->nx = n.x;
    out->ny = n.y;
    out->nz = n.z;
}

Vec3 RotateVector(const Matrix4 *m, float x, float y, float z) {
    const float *e = m->m;
    return Vec3{e[0] * x + e[1] * y + e[2] * z, e[4] * x + e[5] * y + e[6] * z,
                e[8] * x + e[9] * y + e[10] * z};
}

void TransformDirection(float x, float y, float z, Vec3 *out, const Matrix4 *m) {
    *out = RotateVector(m, x, y, z);
}

float Dot3(float ax, float ay, float az, float bx, float by, float bz) {
    return ax * bx + ay * by + az * bz;
}
