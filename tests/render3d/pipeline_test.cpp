#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render3d/render3d.h"
#include "target.h"

// One mesh, its materials and a World around it, built in code; lights are
// added by the test.
struct TestWorld {
    std::vector<Vertex> vertices, view;
    std::vector<ScreenVertex> screen;
    std::vector<VertexState> state;
    std::vector<Face> faces;
    std::vector<Material> materials = std::vector<Material>(1, Material{});
    std::vector<Light> lights;
    Mesh mesh = {};
    Model model = {};
    World world = {};

    int AddVertex(float x, float y, float z) {
        vertices.push_back({x, y, z, 0.0f, 0.0f, 1.0f});
        return (int)vertices.size() - 1;
    }
    // A face whose normal points at the viewer, so it is drawn.
    void AddFace(int a, int b, int c, int material, Vec3 n = {0.0f, 0.0f, -1.0f}) {
        faces.push_back({a, b, c, 1, material, n.x, n.y, n.z});
    }
    World *Build() {
        const size_t n = vertices.size();
        view.assign(n, Vertex{});
        screen.assign(n, ScreenVertex{});
        state.assign(n, VertexState{7, 7});
        mesh = {(int32_t)faces.size(), (int32_t)n,   vertices.data(), view.data(),
                screen.data(),         faces.data(), state.data()};
        model.meshCount = 1;
        model.materialCount = (int32_t)materials.size();
        model.meshes = &mesh;
        model.materials = materials.data();
        MatrixIdentity(&model.rotation);
        MatrixIdentity(&model.translation);
        MatrixIdentity(&model.transform);
        world.modelCount = 1;
        world.lightCount = (int32_t)lights.size();
        world.models = &model;
        world.lights = lights.data();
        MatrixIdentity(&world.frameMatrix);
        MatrixIdentity(&world.leftMatrix);
        MatrixIdentity(&world.rightMatrix);
        world.eye = {0.0f, 0.0f, 1.0f};
        return &world;
    }
};

TEST(ProjectVertex, FocalAndPrincipalPoint) {
    ScreenVertex s = {0, 0, 0.5f, 0.25f, 0.125f, 0.0f};
    ProjectVertex(400, &s, Vertex{100.0f, 50.0f, 400.0f, 9.0f, 9.0f, 9.0f});
    EXPECT_EQ(s.x, 356);
    EXPECT_EQ(s.y, 244);
    EXPECT_EQ(s.depth, 400.0f);
    ProjectVertex(400, &s, Vertex{-1.0f, -1.0f, 3.0f, 0, 0, 0});
    EXPECT_EQ(s.x, 123); // trunc(-133.33) = -133, toward zero
    EXPECT_EQ(s.y, 61);
    EXPECT_EQ(s.r, 0.5f); // the colour is left alone
    EXPECT_EQ(s.b, 0.125f);
}

// At Z = 0 or just off it the quotient is infinite, not a number or too big
// for 32 bits: the coordinate is marked far away instead of converted.
TEST(ProjectVertex, UnrepresentableCoordinatesAreFarAway) {
    ScreenVertex s = {};
    ProjectVertex(400, &s, Vertex{1.0f, 0.0f, 0.0f, 0, 0, 0});
    EXPECT_EQ(s.x, SCREEN_FAR_AWAY);
    EXPECT_EQ(s.y, SCREEN_FAR_AWAY); // 0/0
    ProjectVertex(400, &s, Vertex{-1.0f, 1e-30f, 1e-30f, 0, 0, 0});
    EXPECT_EQ(s.x, SCREEN_FAR_AWAY);
    EXPECT_EQ(s.y, 194 + 400);
    ProjectVertex(400, &s,
                  Vertex{5.0f, -5.0f, -1.0f, 0, 0, 0}); // behind the viewer: mirrored, kept
    EXPECT_EQ(s.x, 256 - 2000);
    EXPECT_EQ(s.y, 194 + 2000);
}

// eye (0, 0, 1), first vertex at Z = 5: d = (0, 0, -4). A normal across d
// gives d.n = 0 and is drawn; n = (0, 0, 1) gives -4 and is culled.
TEST(RenderWorld, BackFaceThreshold) {
    for (const auto &[n, drawn] : {std::pair<Vec3, bool>{{1.0f, 0.0f, 0.0f}, true},
                                   std::pair<Vec3, bool>{{0.0f, 0.0f, 1.0f}, false}}) {
        TestWorld w;
        w.AddFace(w.AddVertex(0, 0, 5), w.AddVertex(0.5f, 0, 5), w.AddVertex(0, -0.5f, 5), -1, n);
        GuardedTarget t;
        RenderWorld(t.pixels(), t.depth(), w.Build());
        EXPECT_EQ(w.faces[0].visible, drawn ? 1 : 0);
        EXPECT_EQ(t.Count() > 0, drawn);
    }
}

// Without lights a face without material is pure blue and any other black.
// The two faces share an edge; faces go from last to first, so the shared
// vertices are lit once, for face 1, and keep its blue.
TEST(RenderWorld, NoLightsAndSharedVertices) {
    TestWorld w;
    const int a = w.AddVertex(-50, -50, 400), b = w.AddVertex(50, -50, 400),
              c = w.AddVertex(50, 50, 400), d = w.AddVertex(-50, 50, 400);
    w.AddFace(a, c, d, 0);  // face 0: material 0, drawn second
    w.AddFace(a, b, c, -1); // face 1: no material, drawn first
    GuardedTarget t(0x808080);
    RenderWorld(t.pixels(), t.depth(), w.Build());
    EXPECT_EQ(t.At(280, 160), 0x0000FFu); // inside face 1: three blue vertices
    EXPECT_LT(t.At(208, 242), 0x20u);     // near d, the one black vertex of face 0
    EXPECT_EQ(w.screen[a].b, 1.0f);
    EXPECT_EQ(w.screen[c].b, 1.0f);
    EXPECT_EQ(w.screen[d].b, 0.0f);
    EXPECT_EQ(w.state[a].material, -1);
    EXPECT_EQ(w.state[d].material, 0);
    EXPECT_EQ(w.state[d].lit, 1);
}

// The depth offset rises between the two calls, so the second rendering into
// a fresh target wins everywhere against the first one's depth.
TEST(RenderWorld, SecondRenderInTheSameFrameRedrawsEverything) {
    TestWorld w;
    w.materials[0].ambient = {1, 1, 1};
    w.materials[0].diffuse = {0.3f, 0.6f, 0.9f};
    w.materials[0].ambientCoeff = 1.0f;
    w.lights.push_back({{1, 1, 1}, {0, 0, 0}, 1000});
    const int a = w.AddVertex(-60, -40, 300), b = w.AddVertex(70, -50, 320),
              c = w.AddVertex(10, 60, 280);
    w.AddFace(a, b, c, 0);
    World *world = w.Build();
    GuardedTarget first, second;
    RenderWorld(first.pixels(), first.depth(), world);
    RenderWorld(second.pixels(), first.depth(), world);
    EXPECT_GT(first.Count(), 1000);
    EXPECT_EQ(first.pixelStore, second.pixelStore);
}

// A face naming a vertex or material that does not exist is not drawn; the
// others still are.
TEST(RenderWorld, FacesWithMissingVerticesOrMaterialsAreSkipped) {
    TestWorld w;
    const int a = w.AddVertex(-50, -50, 400), b = w.AddVertex(50, -50, 400),
              c = w.AddVertex(50, 50, 400);
    w.AddFace(a, b, c, 0);
    w.AddFace(a, b, 3, 0);
    w.AddFace(a, -1, c, 0);
    w.AddFace(a, b, c, 1);
    w.AddFace(a, b, c, -2);
    GuardedTarget t(0x808080);
    RenderWorld(t.pixels(), t.depth(), w.Build());
    EXPECT_EQ(w.faces[0].visible, 1);
    for (int i = 1; i < 5; i++) EXPECT_EQ(w.faces[i].visible, 0) << i;
    EXPECT_GT(t.Count(0x808080), 0);
}

// transform = translation x rotation: the model turns about its own origin,
// then moves. Rotating (100.5, 0, 0) a quarter turn about Z gives (0, -100.5, 0);
// moved by (50.5, 0, 400) it projects to (306, 94).
TEST(RenderModelPoints, RotatesThenTranslates) {
    TestWorld w;
    w.AddVertex(100.5f, 0, 0);
    w.AddVertex(0, 0, -400); // lands on Z = 0: far away, not plotted
    w.Build();
    MatrixRotate(&w.model.rotation, 0, 0, (float)(M_PI / 2));
    MatrixTranslate(&w.model.translation, 50.5f, 0, 400);
    GuardedTarget t;
    RenderModelPoints(t.pixels(), &w.model, 0xFFFFFF);
    EXPECT_EQ(t.At(306, 94), 0xFFFFFFu);
    EXPECT_EQ(t.Count(), 1);
    EXPECT_TRUE(t.GuardsIntact());
}

// Random meshes around and behind the viewer, through every path of the
// pipeline: nothing lands outside the target or the depth buffer.
TEST(RenderWorld, RandomMeshesThroughZeroStayInside) {
    std::mt19937 rng(99);
    auto coord = [&](float range) { return ((float)(rng() % 20001) / 10000.0f - 1.0f) * range; };
    GuardedTarget t(0x404040);
    for (int round = 0; round < 20; round++) {
        TestWorld w;
        w.materials[0] = {{1, 1, 1}, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, 1.0f, 1.0f, 1.0f, 50.0f};
        w.lights.push_back({{1, 1, 1}, {coord(100), coord(100), coord(100)}, (int32_t)rng()});
        w.lights.push_back({{1, 1, 1}, {0, 0, 0}, 0});
        const float range = round % 2 ? 20.0f : 2000.0f;
        for (int i = 0; i < 200; i++) {
            const int v =
                w.AddVertex(coord(range), coord(range), round % 4 == 0 ? 0.0f : coord(range));
            w.vertices[v].nx = coord(1);
        }
        for (int i = 0; i < 400; i++)
            w.AddFace((int)(rng() % 200), (int)(rng() % 200), (int)(rng() % 200),
                      (int)(rng() % 2) - 1, {coord(1), coord(1), coord(1)});
        World *world = w.Build();
        MatrixRotate(&w.model.rotation, coord(3), coord(3), coord(3));
        RenderWorld(t.pixels(), t.depth(), world);
        RenderModelPoints(t.pixels(), &w.model, 0xFF00FF);
        RenderModelWireframe(t.pixels(), &w.model, 0x00FF00);
    }
    EXPECT_TRUE(t.GuardsIntact());
}
