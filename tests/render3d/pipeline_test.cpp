#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "target.h"

// One mesh with one material, in a World with identity matrices and eye
// (0, 0, 1), built in code. Faces face the viewer unless given a normal.
struct TestWorld {
    std::vector<Vertex> vertices, view;
    std::vector<ScreenVertex> screen;
    std::vector<VertexState> state;
    std::vector<Face> faces;
    Material material = {};
    std::vector<Light> lights;
    Mesh mesh = {};
    Model model = {};
    World world = {};

    int Vert(float x, float y, float z) {
        vertices.push_back({x, y, z, 0, 0, 1});
        return (int)vertices.size() - 1;
    }
    void AddFace(int a, int b, int c, int mat, Vec3 n = {0, 0, -1}) {
        faces.push_back({a, b, c, 1, mat, n.x, n.y, n.z});
    }
    World *Build() {
        const size_t n = vertices.size();
        view.assign(n, {});
        screen.assign(n, {});
        state.assign(n, {7, 7});
        mesh = {(int32_t)faces.size(), (int32_t)n,   vertices.data(), view.data(),
                screen.data(),         faces.data(), state.data()};
        model = {1, 1, &mesh, &material, {}, {}, {}};
        MatrixIdentity(&model.rotation);
        MatrixIdentity(&model.translation);
        world = {1, (int32_t)lights.size(), &model, lights.data(), {}, {}, {}, {0, 0, 1}};
        MatrixIdentity(&world.leftMatrix);
        MatrixIdentity(&world.rightMatrix);
        return &world;
    }
};

// The quotient is truncated toward zero; a coordinate that is not a number or
// fits no 32 bits (a vertex at Z = 0 or just off it) is marked far away.
TEST(ProjectVertex, FocalPrincipalPointAndFarAway) {
    ScreenVertex s = {0, 0, 0.5f, 0.25f, 0.125f, 0};
    auto project = [&](float x, float y, float z) {
        ProjectVertex(400, &s, Vertex{x, y, z, 9, 9, 9});
        return std::make_pair(s.x, s.y);
    };
    EXPECT_EQ(project(100, 50, 400), std::make_pair(356, 244));
    EXPECT_EQ(s.depth, 400.0f);
    EXPECT_EQ(project(-1, -1, 3), std::make_pair(123, 61)); // trunc(-133.33) = -133
    EXPECT_EQ(project(5, -5, -1), std::make_pair(256 - 2000, 194 + 2000));
    EXPECT_EQ(project(1, 0, 0), std::make_pair(SCREEN_FAR_AWAY, SCREEN_FAR_AWAY));
    EXPECT_EQ(project(-1, 1e-30f, 1e-30f), std::make_pair(SCREEN_FAR_AWAY, 594));
    EXPECT_EQ(s.r + s.g + s.b, 0.875f); // the colour is left alone
}

// eye (0, 0, 1), first vertex at Z = 5: d = (0, 0, -4). A normal across d
// gives d.n = 0 and is drawn; n = (0, 0, 1) gives -4 and is culled.
TEST(RenderWorld, BackFaceThreshold) {
    for (auto [n, drawn] : {std::pair<Vec3, bool>{{1, 0, 0}, true}, {{0, 0, 1}, false}}) {
        TestWorld w;
        w.AddFace(w.Vert(0, 0, 5), w.Vert(0.5f, 0, 5), w.Vert(0, -0.5f, 5), -1, n);
        GuardedTarget t;
        RenderWorld(t.pixels(), t.depth(), w.Build());
        EXPECT_EQ(w.faces[0].visible, (int)drawn);
        EXPECT_EQ(t.Count() > 0, drawn);
    }
}

// Without lights a face without material is pure blue and any other black.
// Faces go from last to first, so the vertices face 0 shares with face 1 are
// lit once, for face 1, and stay blue. Faces naming a missing vertex or
// material are not drawn.
TEST(RenderWorld, MaterialsAndSharedVertices) {
    TestWorld w;
    const int a = w.Vert(-50, -50, 400), b = w.Vert(50, -50, 400), c = w.Vert(50, 50, 400),
              d = w.Vert(-50, 50, 400);
    w.AddFace(a, c, d, 0);
    w.AddFace(a, b, c, -1);
    w.AddFace(a, b, 4, 0);
    w.AddFace(a, -1, c, 0);
    w.AddFace(a, b, c, 1);
    w.AddFace(a, b, c, -2);
    GuardedTarget t(0x808080);
    RenderWorld(t.pixels(), t.depth(), w.Build());
    EXPECT_EQ(t.At(280, 160), 0x0000FFu); // inside face 1
    EXPECT_LT(t.At(208, 242), 0x20u);     // face 0 near d, its one black vertex
    EXPECT_EQ(w.screen[c].b - w.screen[d].b, 1.0f);
    EXPECT_EQ(w.state[a].material, -1);
    EXPECT_EQ(w.state[d].material, 0);
    for (size_t i = 0; i < w.faces.size(); i++) EXPECT_EQ(w.faces[i].visible, (int)(i < 2)) << i;
}

// The depth offset rises after each call, so a second rendering into a fresh
// target over the same depth draws the full picture again.
TEST(RenderWorld, SecondRenderInTheSameFrameRedrawsEverything) {
    TestWorld w;
    w.material = {{1, 1, 1}, {0.3f, 0.6f, 0.9f}, {}, 1, 0, 0, 50};
    w.lights.push_back({{1, 1, 1}, {0, 0, 0}, 1000});
    w.AddFace(w.Vert(-60, -40, 300), w.Vert(70, -50, 320), w.Vert(10, 60, 280), 0);
    GuardedTarget first, second;
    RenderWorld(first.pixels(), first.depth(), w.Build());
    RenderWorld(second.pixels(), first.depth(), &w.world);
    EXPECT_GT(first.Count(), 1000);
    EXPECT_EQ(first.pixelStore, second.pixelStore);
}

// transform = translation x rotation: a quarter turn about Z takes
// (100.5, 0, 0) to (0, -100.5, 0); moved by (50.5, 0, 400) it lands on (306, 94).
// The second vertex lands on Z = 0 and is not plotted.
TEST(RenderModelPoints, RotatesThenTranslates) {
    TestWorld w;
    w.Vert(100.5f, 0, 0);
    w.Vert(0, 0, -400);
    w.Build();
    MatrixRotate(&w.model.rotation, 0, 0, (float)(M_PI / 2));
    MatrixTranslate(&w.model.translation, 50.5f, 0, 400);
    GuardedTarget t;
    RenderModelPoints(t.pixels(), &w.model, 0xFFFFFF);
    EXPECT_EQ(t.At(306, 94), 0xFFFFFFu);
    EXPECT_EQ(t.Count(), 1);
    // Replotting draws the same points from what that call projected.
    GuardedTarget again;
    ReplotModelPoints(again.pixels(), &w.model, 0xFFFFFF);
    EXPECT_EQ(again.At(306, 94), 0xFFFFFFu);
    EXPECT_EQ(again.Count(), 1);
}

// Random meshes around and behind the viewer through every path of the
// pipeline: nothing lands outside the target or the depth buffer.
TEST(RenderWorld, RandomMeshesThroughZeroStayInside) {
    std::mt19937 rng(99);
    auto rnd = [&](float range) { return ((float)(rng() % 20001) / 10000.0f - 1.0f) * range; };
    GuardedTarget t(0x404040);
    for (int round = 0; round < 20; round++) {
        TestWorld w;
        w.material = {{1, 1, 1}, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, 1, 1, 1, 50};
        w.lights.push_back({{1, 1, 1}, {rnd(100), rnd(100), rnd(100)}, (int32_t)rng()});
        w.lights.push_back({{1, 1, 1}, {0, 0, 0}, 0});
        const float range = round % 2 ? 20.0f : 2000.0f;
        for (int i = 0; i < 200; i++)
            w.Vert(rnd(range), rnd(range), round % 4 == 0 ? 0.0f : rnd(range));
        for (int i = 0; i < 400; i++)
            w.AddFace((int)(rng() % 200), (int)(rng() % 200), (int)(rng() % 200),
                      (int)(rng() % 2) - 1, {rnd(1), rnd(1), rnd(1)});
        World *world = w.Build();
        MatrixRotate(&w.model.rotation, rnd(3), rnd(3), rnd(3));
        RenderWorld(t.pixels(), t.depth(), world);
        RenderModelPoints(t.pixels(), &w.model, 0xFF00FF);
        RenderModelWireframe(t.pixels(), &w.model, 0x00FF00);
    }
    EXPECT_TRUE(t.GuardsIntact());
}
