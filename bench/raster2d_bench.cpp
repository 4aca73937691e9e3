// Every raster2d operation on the view (inside a 512 x 384 render buffer) or
// on a 512 x 256 array, against a memcpy of the same 524288 bytes as the
// floor. Columns: ms per call and x_floor, the ratio to that memcpy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "raster2d/raster2d.h"

namespace {

alignas(64) uint32_t render[512 * 384];
alignas(64) uint32_t scratch[AREA_PIXELS];
alignas(64) uint32_t layer[AREA_PIXELS];
alignas(64) uint32_t screen[640 * 480];
uint32_t *const view = render + 32768;
const uint32_t *const renderEnd = render + 512 * 384;
const uint32_t *const scratchEnd = scratch + AREA_PIXELS;

// This thread's CPU time in ms: the machine is shared, so wall time would
// count other programs' turns.
double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

void FillRandom(uint32_t *p, int64_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int64_t i = 0; i < n; i++) p[i] = rng() & 0xFFFFFF;
}

struct Setup {
    Setup() {
        FillRandom(render, 512 * 384, 1);
        FillRandom(scratch, AREA_PIXELS, 2);
        FillRandom(layer, AREA_PIXELS, 3);
    }
} setup;

void CopyFloor() {
    std::memcpy(view, scratch, AREA_PIXELS * 4);
}

// ms per call of the floor, averaged like every benchmark below.
double FloorMs() {
    static const double ms = [] {
        for (int i = 0; i < 200; i++) CopyFloor(); // warm the caches
        const int calls = 4000;
        const double start = CpuMs();
        for (int i = 0; i < calls; i++) {
            CopyFloor();
            benchmark::ClobberMemory();
        }
        return (CpuMs() - start) / calls;
    }();
    return ms;
}

template <class F> void Run(benchmark::State &state, F f) {
    int64_t calls = 0;
    const double start = CpuMs();
    for (auto _ : state) {
        f();
        benchmark::ClobberMemory();
        calls++;
    }
    const double ms = (CpuMs() - start) / double(calls);
    state.counters["ms"] = ms;
    state.counters["x_floor"] = ms / FloorMs();
}

#define BENCH(name, ...)                                                                           \
    void BM_##name(benchmark::State &state) {                                                      \
        Run(state, [] { __VA_ARGS__; });                                                           \
    }                                                                                              \
    BENCHMARK(BM_##name)

BENCH(MemcpyFloor, CopyFloor());

// Copies and blends on the view.
BENCH(CopyView, CopyView(view, scratch));
BENCH(ComposeOverlay, ComposeOverlay(view, scratch, layer));
BENCH(CopyBelow, CopyBelow(view, scratch, 0xFFFFFF));
BENCH(CopyAbove, CopyAbove(view, scratch, 0x011112));
BENCH(CopyExceptKey, CopyExceptKey(view, scratch, 0x123456));
BENCH(CopyExceptRedKey, CopyExceptRedKey(view, scratch));
BENCH(CopyInvertEqual, CopyInvertEqual(view, scratch));
BENCH(BlendByBlue, BlendByBlue(view, scratch));
BENCH(CrossFade, CrossFade(view, scratch, 100));
BENCH(SubtractFromGrey, SubtractFromGrey(view, 0));
BENCH(InvertBuffer, InvertBuffer(view));
BENCH(Binarize, Binarize(layer));
BENCH(RotateTopHalfDown, RotateTopHalfDown(layer));
BENCH(FillLeftFromColumn, FillLeftFromColumn(view, 200));

// Placing.
const Image picture{512, 256, layer};
BENCH(DrawImage, DrawImage(view, renderEnd, 0, 0, &picture));
BENCH(CopyToScreen, CopyToScreen(screen, 64, 48, render));

// Filters.
BENCH(Blur2x2_view, Blur2x2(view, renderEnd));
BENCH(Blur2x2_512x256, Blur2x2(scratch, scratchEnd));
BENCH(Blur2x2Twice_view, Blur2x2Twice(view, renderEnd));
BENCH(Pixelate_1x1, Pixelate(view, renderEnd, 1, 1));
BENCH(Pixelate_1x20_render, Pixelate(render, renderEnd, 1, 20));
BENCH(Pixelate_2x2, Pixelate(view, renderEnd, 2, 2));
BENCH(Pixelate_11x11, Pixelate(view, renderEnd, 11, 11));
BENCH(Pixelate_400x200, Pixelate(view, renderEnd, 400, 200));
BENCH(SmearBlur_3x3, SmearBlur(scratch, scratchEnd, 3, 3));
BENCH(SmearBlur_400x200, SmearBlur(view, renderEnd, 400, 200));
BENCH(Average2x2Blocks, Average2x2Blocks(view));

// Spectrum, loud: every bar to the top.
const std::vector<float> loud = [] {
    std::vector<float> s(512);
    for (size_t i = 0; i < s.size(); i++) s[i] = 0.9f + 0.1f * float(std::sin(double(i)));
    return s;
}();
BENCH(DrawSpectrumBars, DrawSpectrumBars(scratch, loud.data(), 0x333333));
BENCH(DrawSpectrumLines, DrawSpectrumLines(scratch, loud.data()));

} // namespace
