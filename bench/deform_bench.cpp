// Deformation: the two grid renderers over the 512 x 256 view, each generator
// on the view's 65 x 33 grid, and a memcpy of the same 512 x 256 pixels as
// the floor for one pass over the view.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "deform/deform.h"

namespace {

const int kPixels = 512 * 256;

struct Scene {
    std::vector<uint32_t> texels = std::vector<uint32_t>(kPixels);
    std::vector<uint32_t> dst = std::vector<uint32_t>(kPixels);
    Image texture = {512, 256, nullptr};
    DeformGrid grid = NewDeformGrid(512, 256);
    Scene() {
        std::mt19937 rng(1);
        for (uint32_t &p : texels) p = rng() & 0xFFFFFF;
        texture.pixels = texels.data();
    }
    ~Scene() { FreeDeformGrid(&grid); }
};

void SetPixelCounters(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations() * kPixels);
    // Seconds per pixel, printed with an SI prefix (0.4n = 0.4 ns).
    state.counters["time/px"] =
        benchmark::Counter((double)state.iterations() * kPixels,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MemcpyView(benchmark::State &state) {
    Scene s;
    for (auto _ : state) {
        memcpy(s.dst.data(), s.texels.data(), kPixels * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    SetPixelCounters(state);
}
BENCHMARK(BM_MemcpyView);

// arg 0: the identity grid; arg 1: the show's waving smoke grid (span 156, both
// waves at full swing), which reads the texture out of order.
void PrepareGrid(Scene &s, int64_t kind) {
    if (kind == 0) {
        GridLinear(&s.grid, 512, 256, 0, 0);
    } else {
        GridLinear(&s.grid, 156, 233, 90, 0);
        GridWaveAlong(&s.grid, 0.7f, 0.3f, 9.0f, 9.0f, 60.0f);
        GridWaveAcross(&s.grid, 0.3f, 0.3f, 9.0f, 9.0f, 100.0f);
    }
}

template <void (*Render)(uint32_t *, const DeformGrid *, const Image *)>
void BM_Render(benchmark::State &state) {
    Scene s;
    PrepareGrid(s, state.range(0));
    for (auto _ : state) {
        Render(s.dst.data(), &s.grid, &s.texture);
        benchmark::ClobberMemory();
    }
    SetPixelCounters(state);
}
BENCHMARK(BM_Render<RenderGridWrap>)->Name("BM_RenderGridWrap")->Arg(0)->Arg(1);
BENCHMARK(BM_Render<RenderGridClip>)->Name("BM_RenderGridClip")->Arg(0)->Arg(1);

// The same with the texels read one by one, for comparison with the gathers.
void BM_RenderGridWrapUngathered(benchmark::State &state) {
    SelectDeformSpans(0);
    BM_Render<RenderGridWrap>(state);
    SelectDeformSpans(1);
}
BENCHMARK(BM_RenderGridWrapUngathered)->Arg(0)->Arg(1);

// The generators with the timeline's parameters (t = 60). The displacing
// ones add to the grid call after call; their cost does not depend on it.
template <typename Generate> void RunGenerator(benchmark::State &state, Generate generate) {
    Scene s;
    GridLinear(&s.grid, 512, 256, 0, 0);
    for (auto _ : state) {
        generate(&s.grid);
        benchmark::ClobberMemory();
    }
}

#define GENERATOR_BENCH(name, call)                                                                \
    void BM_##name(benchmark::State &state) {                                                      \
        RunGenerator(state, [](DeformGrid *g) { call; });                                          \
    }                                                                                              \
    BENCHMARK(BM_##name)

GENERATOR_BENCH(GridLinear, GridLinear(g, 512, 240, 1800, 0));
GENERATOR_BENCH(GridWaveAlong, GridWaveAlong(g, 0.7f, 0.3f, 180.0f, 180.0f, 30.0f));
GENERATOR_BENCH(GridWaveAcross, GridWaveAcross(g, 0.3f, 0.3f, 60.0f, 60.0f, 10.0f));
GENERATOR_BENCH(GridRipple, GridRipple(g, 2.0f));
GENERATOR_BENCH(GridLens, GridLens(g, 0.05f));
GENERATOR_BENCH(GridCosRipple, GridCosRipple(g, 0.05f, 8.0f));
GENERATOR_BENCH(GridCosPulse, GridCosPulse(g, 0.1f, 3.9f, 10.0f));
GENERATOR_BENCH(GridWaterWave, GridWaterWave(g, 1.0f, 1.0f, 60.0f, 60.0f, 10.0f, 128));
GENERATOR_BENCH(GridTanWarp, GridTanWarp(g));
GENERATOR_BENCH(GridSineScroll, GridSineScroll(g, 1.0f));
GENERATOR_BENCH(GridRadialShift, GridRadialShift(g, 1.0f, 0.5f));

} // namespace
