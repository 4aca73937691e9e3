// The 3D renderer: the triangle filler on a few sizes, and a whole World
// rendering of a 2,000-face sphere covering about a third of the view.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "render3d/render3d.h"

static std::vector<uint32_t> target(512 * 256);
static std::vector<float> depthBuffer(DEPTH_BUFFER_SIZE);

// The floor for one pass over the view: copying its 512 x 256 pixels.
static void BM_MemcpyView(benchmark::State &state) {
    std::vector<uint32_t> source(512 * 256, 0x123456);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * 4);
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] =
        benchmark::Counter((double)source.size() * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyView);

// A right triangle with legs of `size` pixels, shaded, near the middle of the
// view. The depth frame advances after every draw so that every pixel passes
// the depth test, as in a real rendering.
static void BM_DrawTriangle(benchmark::State &state) {
    const int size = (int)state.range(0);
    const ScreenVertex a = {100, 20, 1.0f, 0.2f, 0.0f, 200.0f};
    const ScreenVertex b = {100 + size, 20 + size / 3, 0.0f, 1.0f, 0.5f, 220.0f};
    const ScreenVertex c = {100 + size / 4, 20 + size, 0.3f, 0.0f, 1.0f, 180.0f};
    FillDepth(depthBuffer.data(), 0, DEPTH_BUFFER_SIZE);
    FillPixels(target.data(), 0, 512 * 256);
    DrawTriangle(target.data(), depthBuffer.data(), &a, &b, &c);
    long pixels = 0;
    for (uint32_t p : target) pixels += p != 0;
    for (auto _ : state) {
        DrawTriangle(target.data(), depthBuffer.data(), &a, &b, &c);
        AdvanceDepthFrame(depthBuffer.data());
    }
    state.counters["pixels"] = (double)pixels;
    state.counters["pixels/s"] =
        benchmark::Counter((double)pixels * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawTriangle)->Arg(8)->Arg(32)->Arg(128)->Arg(230);

// A UV sphere of the given radius: `slices` around, `stacks` from pole to
// pole, 2 * slices * (stacks - 1) faces, wound so its face normals point out.
struct Sphere {
    std::vector<Vertex> vertices, view;
    std::vector<ScreenVertex> screen;
    std::vector<VertexState> vstate;
    std::vector<Face> faces;
    Material material = {
        {0.2f, 0.2f, 0.2f}, {0.8f, 0.5f, 0.3f}, {1, 1, 1}, 1.0f, 0.8f, 0.5f, 50.0f};
    Light light = {{1, 1, 1}, {120, -150, 0}, 600};
    Mesh mesh = {};
    Model model = {};
    World world = {};

    Sphere(float radius, int slices, int stacks) {
        vertices.push_back({0, -radius, 0, 0, 0, 0});
        for (int t = 1; t < stacks; t++) {
            const double lat = M_PI * t / stacks - M_PI / 2;
            for (int s = 0; s < slices; s++) {
                const double lon = 2 * M_PI * s / slices;
                vertices.push_back({(float)(radius * cos(lat) * cos(lon)),
                                    (float)(radius * sin(lat)),
                                    (float)(radius * cos(lat) * sin(lon)), 0, 0, 0});
            }
        }
        vertices.push_back({0, radius, 0, 0, 0, 0});
        const int last = (int)vertices.size() - 1;
        auto ring = [&](int t, int s) { return 1 + (t - 1) * slices + (s % slices); };
        auto face = [&](int a, int b, int c) { faces.push_back({a, c, b, 1, 0, 0, 0, 0}); };
        for (int s = 0; s < slices; s++) {
            face(0, ring(1, s), ring(1, s + 1));
            for (int t = 1; t < stacks - 1; t++) {
                face(ring(t, s), ring(t + 1, s), ring(t + 1, s + 1));
                face(ring(t, s), ring(t + 1, s + 1), ring(t, s + 1));
            }
            face(last, ring(stacks - 1, s + 1), ring(stacks - 1, s));
        }
        const size_t n = vertices.size();
        view.resize(n);
        screen.resize(n);
        vstate.resize(n);
        mesh = {(int32_t)faces.size(), (int32_t)n,   vertices.data(), view.data(),
                screen.data(),         faces.data(), vstate.data()};
        model.meshCount = 1;
        model.materialCount = 1;
        model.meshes = &mesh;
        model.materials = &material;
        ComputeVertexNormals(&model);
        ComputeFaceNormals(&model);
        MatrixIdentity(&model.rotation);
        MatrixIdentity(&model.translation);
        // Centred on row 128 of the view at Z = 150.
        MatrixTranslate(&model.translation, 0.0f, -24.75f, 150.0f);
        world = {1, 1, &model, &light, {}, {}, {}, {0, 0, 1}};
        MatrixIdentity(&world.leftMatrix);
        MatrixIdentity(&world.rightMatrix);
    }
};

static void BM_RenderWorldSphere(benchmark::State &state) {
    Sphere sphere(42.0f, 40, 26);
    FillDepth(depthBuffer.data(), 0, DEPTH_BUFFER_SIZE);
    FillPixels(target.data(), 0, 512 * 256);
    RenderWorld(target.data(), depthBuffer.data(), &sphere.world);
    long pixels = 0, visible = 0;
    for (uint32_t p : target) pixels += p != 0;
    for (const Face &f : sphere.faces) visible += f.visible;
    float angle = 0.0f;
    for (auto _ : state) {
        MatrixIdentity(&sphere.model.rotation);
        MatrixRotate(&sphere.model.rotation, angle, 2.0f * angle, 0.5f * angle);
        angle += 0.01f;
        RenderWorld(target.data(), depthBuffer.data(), &sphere.world);
    }
    state.counters["faces"] = (double)sphere.faces.size();
    state.counters["visible"] = (double)visible;
    state.counters["viewShare"] = (double)pixels / (512.0 * 256.0);
}
BENCHMARK(BM_RenderWorldSphere)->Unit(benchmark::kMicrosecond);

static void BM_RenderModelPointsSphere(benchmark::State &state) {
    Sphere sphere(42.0f, 40, 26);
    for (auto _ : state) RenderModelPoints(target.data(), &sphere.model, 0xFFFFFF);
    state.counters["points"] = (double)sphere.vertices.size();
}
BENCHMARK(BM_RenderModelPointsSphere)->Unit(benchmark::kMicrosecond);
