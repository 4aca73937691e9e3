// math3d: the two numeric types of the 3D side and the few operations on them.
//
// Matrices are row-major: element (row r, column c) sits at index 4r + c.
// Points are column vectors multiplied on the right (p' = M p), so the
// translation is the fourth column of the first three rows (indices 3, 7, 11).
// The fourth row is carried along but never read; it stays 0, 0, 0, 1.
// There is no homogeneous divide. Rotate, translate and scale post-multiply
// (M := M x X), so the transform appended last acts first on a point.
// Angles are radians; sin, cos and sqrt run in double precision and are
// rounded to single precision when stored. Nothing here allocates or fails.
#pragma once

typedef struct Matrix4 {
    float m[16]; // Row-major: m[4 * row + column]; m[12..15] = 0, 0, 0, 1
} Matrix4;

typedef struct Vec3 {
    float x; // Scene units, or a direction component
    float y; // Scene units, or a direction component
    float z; // Scene units, or a direction component
} Vec3;

struct Vertex; // Six floats: position x, y, z then normal nx, ny, nz (scene/scene.h)

// Sets m to the identity and returns m.
Matrix4 *MatrixIdentity(Matrix4 *m);
// Writes c = a x b element by element; c must be distinct from a and b.
void MatrixMultiply(const Matrix4 *a, const Matrix4 *b, Matrix4 *c);
// Writes c = a x b leaving out the fourth term of every sum (a's column 3, b's row 3).
void MatrixMultiply3(const Matrix4 *a, const Matrix4 *b, Matrix4 *c);
// Copies all 16 floats of source into destination (source first).
void MatrixCopy(const Matrix4 *source, Matrix4 *destination);
// Post-multiplies m by the rotation R(ax, ay, az), angles in radians.
void MatrixRotate(Matrix4 *m, float ax, float ay, float az);
// Post-multiplies m by the translation (x, y, z): the new column 3 is m applied to it.
void MatrixTranslate(Matrix4 *m, float x, float y, float z);
// Post-multiplies m by the scale (sx, sy, sz).
void MatrixScale(Matrix4 *m, float sx, float sy, float sz);
// Overwrites the translation column of m with (x, y, z); nothing else changes.
void MatrixSetTranslation(Matrix4 *m, float x, float y, float z);
// Scales the first three entries of rows 0-2 to unit length; column 3 is untouched. Returns m.
Matrix4 *MatrixNormalizeRows(Matrix4 *m);
// Writes to out the point (x, y, z, 1) through rows 0-2 of m, and the normal
// (nx, ny, nz) through m's upper-left 3x3 (no translation, no renormalising).
void TransformVertex(const Matrix4 *m, struct Vertex *out, float x, float y, float z, float nx,
                     float ny, float nz);
// Returns the direction (x, y, z) through m's upper-left 3x3.
Vec3 RotateVector(const Matrix4 *m, float x, float y, float z);
// Writes to out the direction (x, y, z) through m's upper-left 3x3 (as RotateVector).
void TransformDirection(float x, float y, float z, Vec3 *out, const Matrix4 *m);
// Returns ax bx + ay by + az bz.
float Dot3(float ax, float ay, float az, float bx, float by, float bz);
