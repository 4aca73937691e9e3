// Matrix and vector operations: storage order, composition order, and the
// parts of a matrix each operation reads or leaves alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render3d/math3d.h"
#include "scene/scene.h"

namespace {

Matrix4 Filled(float first) {
    Matrix4 m;
    for (int i = 0; i < 16; i++) m.m[i] = first + (float)i;
    return m;
}

Matrix4 Identity() {
    Matrix4 m;
    return *MatrixIdentity(&m);
}

void ExpectMatrix(const Matrix4 &m, const float (&expected)[16], float tolerance = 0.0f) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m.m[i], expected[i], tolerance) << "index " << i;
}

TEST(Matrix, MultiplyIsRowByColumnAndMultiply3LeavesOutTheFourthTerm) {
    const Matrix4 a = Filled(1), b = Filled(-3); // a = 1..16, b = -3..12
    Matrix4 c, c3;
    MatrixMultiply(&a, &b, &c);
    MatrixMultiply3(&a, &b, &c3);
    // Row 0 of a times column 0 of b: 1*-3 + 2*1 + 3*5 + 4*9 = 50.
    EXPECT_EQ(c.m[0], 50.0f);
    EXPECT_EQ(c3.m[0], 50.0f - 36.0f);
    // Row 2 times column 3: 9*0 + 10*4 + 11*8 + 12*12 = 272.
    EXPECT_EQ(c.m[11], 272.0f);
    EXPECT_EQ(c3.m[11], 272.0f - 144.0f);
}

TEST(Matrix, RotationsFollowTheAxisConventions) {
    Matrix4 m = Identity();
    MatrixRotate(&m, 0, 0, 0);
    ExpectMatrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

    // About z: (1, 0, 0) goes to (cos az, -sin az, 0).
    const float az = 0.5f, c = (float)cos(0.5), s = (float)sin(0.5);
    m = Identity();
    MatrixRotate(&m, 0, 0, az);
    ExpectMatrix(m, {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Vec3 p = RotateVector(&m, 1, 0, 0);
    EXPECT_EQ(p.x, c);
    EXPECT_EQ(p.y, -s);
    // About x: (0, 1, 0) goes to (0, cos ax, -sin ax); about y: (1, 0, 0) to (cos ay, 0, sin ay).
    m = Identity();
    MatrixRotate(&m, az, 0, 0);
    p = RotateVector(&m, 0, 1, 0);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, c);
    EXPECT_EQ(p.z, -s);
    m = Identity();
    MatrixRotate(&m, 0, az, 0);
    p = RotateVector(&m, 1, 0, 0);
    EXPECT_EQ(p.x, c);
    EXPECT_EQ(p.z, s);

    // Any combination is a proper rotation: orthonormal rows, determinant +1.
    m = Identity();
    MatrixRotate(&m, 0.3f, -1.1f, 2.0f);
    const float *r = m.m;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            EXPECT_NEAR(
                Dot3(r[4 * i], r[4 * i + 1], r[4 * i + 2], r[4 * j], r[4 * j + 1], r[4 * j + 2]),
                i == j ? 1.0f : 0.0f, 1e-6);
    const float det = r[0] * (r[5] * r[10] - r[6] * r[9]) - r[1] * (r[4] * r[10] - r[6] * r[8]) +
                      r[2] * (r[4] * r[9] - r[5] * r[8]);
    EXPECT_NEAR(det, 1.0f, 1e-6);
}

TEST(Matrix, AppendedTransformsActFirst) {
    // Translate after a rotation gives R x T: the new translation column is R
    // applied to (x, y, z), and the rotation block is unchanged.
    Matrix4 m = Identity();
    MatrixRotate(&m, 0, 0, (float)(M_PI / 2));
    const Matrix4 r = m;
    MatrixTranslate(&m, 1, 2, 3);
    const Vec3 moved = RotateVector(&r, 1, 2, 3);
    EXPECT_EQ(m.m[3], moved.x);
    EXPECT_EQ(m.m[7], moved.y);
    EXPECT_EQ(m.m[11], moved.z);
    EXPECT_NEAR(m.m[3], 2.0f, 1e-6);
    EXPECT_NEAR(m.m[7], -1.0f, 1e-6);
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15}) EXPECT_EQ(m.m[i], r.m[i]);

    // Scale appended to a translation scales the point before it is moved.
    m = Identity();
    MatrixSetTranslation(&m, 5, 6, 7);
    MatrixScale(&m, 2, 3, 4);
    Vertex v;
    TransformVertex(&m, &v, 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(v.x, 7.0f);
    EXPECT_EQ(v.y, 9.0f);
    EXPECT_EQ(v.z, 11.0f);
}

TEST(Matrix, TransformVertexIgnoresTheFourthRowAndMovesOnlyThePosition) {
    Matrix4 m = Filled(1);
    Vertex v;
    TransformVertex(&m, &v, 1, -1, 2, 1, -1, 2);
    // Row 0 is (1, 2, 3, 4): position 1 - 2 + 6 + 4, normal without the 4.
    EXPECT_EQ(v.x, 9.0f);
    EXPECT_EQ(v.nx, 5.0f);
    EXPECT_EQ(v.y, 21.0f);
    EXPECT_EQ(v.ny, 13.0f);
    EXPECT_EQ(v.z, 33.0f);
    EXPECT_EQ(v.nz, 21.0f);
    m.m[12] = m.m[13] = m.m[14] = m.m[15] = 1e30f;
    Vertex w;
    TransformVertex(&m, &w, 1, -1, 2, 1, -1, 2);
    EXPECT_EQ(0, memcmp(&v, &w, sizeof v));

    Vec3 d;
    TransformDirection(1, -1, 2, &d, &m);
    EXPECT_EQ(d.x, v.nx);
    EXPECT_EQ(d.y, v.ny);
    EXPECT_EQ(d.z, v.nz);
}

TEST(Matrix, NormalizeRowsScalesRotationRowsOnly) {
    Matrix4 m = Identity();
    const float rows[12] = {3, 0, 4, 10, 0, 0, 0, 20, 0, 2, 0, 30};
    for (int i = 0; i < 12; i++) m.m[i] = rows[i];
    ExpectMatrix(*MatrixNormalizeRows(&m),
                 {0.6f, 0, 0.8f, 10, 0, 0, 0, 20, 0, 1, 0, 30, 0, 0, 0, 1});

    Matrix4 copy;
    MatrixCopy(&m, &copy);
    EXPECT_EQ(0, memcmp(&m, &copy, sizeof m));
}

} // namespace
