#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render3d/render3d.h"

// A surface at Z = 10 facing the viewer at (0, 0, 1): its vertex normal points
// away, (0, 0, 1), so a light at the origin sits on the viewer's side with
// L.N = -1 and D = 2, and V.N = -1 gives S = 1.
static const Vec3 kEye = {0.0f, 0.0f, 1.0f};
static const Vertex kVertex = {0.0f, 0.0f, 10.0f, 0.0f, 0.0f, 1.0f};

// Diffuse only: channel = A * 2 for a white light at the origin (dist 10).
static Material DiffuseOnly() {
    Material m = {};
    m.diffuse = {1.0f, 1.0f, 1.0f};
    m.diffuseCoeff = 1.0f;
    m.shininess = 50.0f;
    return m;
}

static Light LightAt(float z, int32_t radius) {
    return Light{{1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, z}, radius};
}

static ScreenVertex Lit(const Material &m, const std::vector<Light> &lights, int32_t index = 0) {
    ScreenVertex out = {7, 8, -1.0f, -1.0f, -1.0f, 123.0f};
    LightVertex(&kEye, &m, &kVertex, &out, lights.data(), (int32_t)lights.size(), index);
    EXPECT_EQ(out.x, 7); // only the colour is written
    EXPECT_EQ(out.depth, 123.0f);
    return out;
}

TEST(LightVertex, NoMaterialIsBlueAndNoLightIsBlack) {
    const Material m = DiffuseOnly();
    const ScreenVertex blue = Lit(m, {LightAt(0, 20)}, -1);
    EXPECT_EQ(blue.r, 0.0f);
    EXPECT_EQ(blue.g, 0.0f);
    EXPECT_EQ(blue.b, 1.0f);
    Material ambient = m;
    ambient.ambient = {1.0f, 1.0f, 1.0f};
    ambient.ambientCoeff = 1.0f;
    const ScreenVertex black = Lit(ambient, {});
    EXPECT_EQ(black.r, 0.0f);
    EXPECT_EQ(black.b, 0.0f);
}

// Light A (radius 20): A = 0.75, adds 1.5, clamped to 1. Light B (radius 5):
// A = -3, adds -6. Light C (radius 9): adds 2 (1 - (10/9)^2), about -0.47.
TEST(LightVertex, ClampAfterEveryLightMakesOrderMatter) {
    const Material m = DiffuseOnly();
    const Light a = LightAt(0, 20), b = LightAt(0, 5), c = LightAt(0, 9);
    EXPECT_EQ(Lit(m, {a}).r, 1.0f);
    EXPECT_EQ(Lit(m, {a, b}).r, 0.0f);
    EXPECT_EQ(Lit(m, {b, a}).r, 1.0f);
    // C pulls down from the clamped 1.0, not from 1.5.
    const float fromClamped = 1.0f + 2.0f * (1.0f - (10.0f / 9.0f) * (10.0f / 9.0f));
    EXPECT_NEAR(Lit(m, {a, c}).g, fromClamped, 1e-5f);
    EXPECT_NEAR(Lit(m, {c, a}).g, 1.0f, 1e-6f);
}

// Radius 0 makes A minus infinity (not a number at the light itself), which
// wipes what earlier lights added. A negative radius is read as unsigned, so
// -1 reaches about four billion units.
TEST(LightVertex, RadiusZeroWipesAndNegativeRadiusReachesFar) {
    const Material m = DiffuseOnly();
    const ScreenVertex wiped = Lit(m, {LightAt(0, 20), LightAt(0, 0)});
    EXPECT_EQ(wiped.r, 0.0f);
    EXPECT_EQ(wiped.g, 0.0f);
    EXPECT_EQ(wiped.b, 0.0f);
    EXPECT_EQ(Lit(m, {LightAt(0, 20), LightAt(10, 0)}).r, 0.0f); // dist 0: 0/0
    EXPECT_EQ(Lit(m, {LightAt(0, -1)}).r, 1.0f);
}

// At exactly the radius only the ambient part is left, weighed by the diffuse
// colour and added once per light.
TEST(LightVertex, AmbientComesWithEveryLight) {
    Material m = DiffuseOnly();
    m.ambient = {0.5f, 0.5f, 0.5f};
    m.ambientCoeff = 1.0f;
    m.diffuse = {0.4f, 0.2f, 0.0f};
    const ScreenVertex one = Lit(m, {LightAt(0, 10)});
    EXPECT_FLOAT_EQ(one.r, 0.2f);
    EXPECT_FLOAT_EQ(one.g, 0.1f);
    EXPECT_EQ(one.b, 0.0f);
    EXPECT_FLOAT_EQ(Lit(m, {LightAt(0, 10), LightAt(0, 10)}).r, 0.4f);
}

// Specular: V.N = -1 to the even power 50 is a full highlight; a light on the
// normal's own side adds no diffuse part (D = 0).
TEST(LightVertex, SpecularUsesViewDirectionToAnEvenPower) {
    Material m = {};
    m.specular = {0.25f, 0.25f, 0.25f};
    m.specularCoeff = 1.0f;
    m.shininess = 50.0f;
    const Light behind = LightAt(20, 20); // L.N = +1, D = 0; A = 0.75
    EXPECT_FLOAT_EQ(Lit(m, {behind}).r, 0.75f * 0.25f);
    m.specularCoeff = 0.0f;
    m.diffuse = {1.0f, 1.0f, 1.0f};
    m.diffuseCoeff = 1.0f;
    EXPECT_EQ(Lit(m, {behind}).r, 0.0f);
}
