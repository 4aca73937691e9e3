#include <gtest/gtest.h>

#include <vector>

#include "render3d/render3d.h"

// A vertex at Z = 10 facing the viewer at (0, 0, 1), its normal (0, 0, 1)
// pointing away. A white light at (0, 0, z) with radius r; for z = 0 it is on
// the viewer's side: dist 10, L.N = -1, D = 2, and V.N = -1, S = 1.
static float Red(const Material &m, const std::vector<std::pair<float, int32_t>> &lights) {
    std::vector<Light> l;
    for (auto [z, r] : lights) l.push_back(Light{{1, 1, 1}, {0, 0, z}, r});
    const Vec3 eye = {0, 0, 1};
    const Vertex v = {0, 0, 10, 0, 0, 1};
    ScreenVertex out = {7, 8, -1, -1, -1, 123};
    LightVertex(&eye, &m, &v, &out, l.data(), (int32_t)l.size(), 0);
    EXPECT_EQ(out.x + out.depth, 130.0f); // only the colour is written
    return out.r;
}

// Diffuse only, so a light adds 2A: radius 20 adds 1.5 (clamped to 1), radius
// 5 adds -6, radius 9 adds 2 (1 - (10/9)^2), about -0.47.
TEST(LightVertex, ClampAfterEveryLightMakesOrderMatter) {
    Material m = {};
    m.diffuse = {1, 1, 1};
    m.diffuseCoeff = 1;
    EXPECT_EQ(Red(m, {{0, 20}, {0, 5}}), 0.0f);
    EXPECT_EQ(Red(m, {{0, 5}, {0, 20}}), 1.0f);
    // The next light starts from the clamped 1.0, not from 1.5.
    EXPECT_NEAR(Red(m, {{0, 20}, {0, 9}}), 1.0f + 2 * (1 - (10.0f / 9) * (10.0f / 9)), 1e-5f);
    EXPECT_EQ(Red(m, {{0, 9}, {0, 20}}), 1.0f);
    // Radius 0: A is minus infinity, and at the light itself 0/0; both wipe
    // what came before. Radius -1 is read as unsigned: it reaches far.
    EXPECT_EQ(Red(m, {{0, 20}, {0, 0}}), 0.0f);
    EXPECT_EQ(Red(m, {{0, 20}, {10, 0}}), 0.0f);
    EXPECT_EQ(Red(m, {{0, -1}}), 1.0f);
}

// At exactly the radius only the ambient part is left, weighed by the diffuse
// colour and added once per light. A light behind the surface (L = N) adds no
// diffuse part, only the specular one, with V.N = -1 to an even power.
TEST(LightVertex, AmbientPerLightAndSpecular) {
    Material m = {{0.5f, 0.5f, 0.5f}, {0.4f, 0, 0}, {0.25f, 0, 0}, 1.0f, 1.0f, 0.0f, 50.0f};
    EXPECT_FLOAT_EQ(Red(m, {{0, 10}}), 0.2f);
    EXPECT_FLOAT_EQ(Red(m, {{0, 10}, {0, 10}}), 0.4f);
    m.ambientCoeff = 0;
    EXPECT_EQ(Red(m, {{20, 20}}), 0.0f);
    m.specularCoeff = 1;
    EXPECT_FLOAT_EQ(Red(m, {{20, 20}}), 0.75f * 0.25f);
}

TEST(LightVertex, NoMaterialIsBlueWhateverTheLights) {
    const Light light = {{1, 1, 1}, {0, 0, 0}, 100};
    const Vec3 eye = {0, 0, 1};
    const Vertex v = {0, 0, 10, 0, 0, 1};
    ScreenVertex out = {};
    LightVertex(&eye, nullptr, &v, &out, &light, 1, -1);
    EXPECT_EQ(out.r + out.g, 0.0f);
    EXPECT_EQ(out.b, 1.0f);
}
