// Row converters on a 640 x 480 frame, each against SDL_ConvertPixels doing
// the same conversion on the same frame, and a memcpy of the frame as the
// floor for one pass over memory.
#include "display/display.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

static const int W = 640, H = 480;

static const std::vector<uint32_t> &Frame() {
    static std::vector<uint32_t> frame = [] {
        std::vector<uint32_t> f(W * H);
        uint32_t x = 12345;
        for (auto &p : f) p = (x = x * 1664525 + 1013904223) >> 8; // 0x00RRGGBB
        return f;
    }();
    return frame;
}

struct Format {
    RowConverter converter;
    Uint32 sdlFormat;
    int bytes;
};

static const Format formats[] = {
    {ConvertRow32, SDL_PIXELFORMAT_RGB888, 4},  {ConvertRow32Bgr, SDL_PIXELFORMAT_BGR888, 4},
    {ConvertRow24, SDL_PIXELFORMAT_BGR24, 3},   {ConvertRow24Bgr, SDL_PIXELFORMAT_RGB24, 3},
    {ConvertRow565, SDL_PIXELFORMAT_RGB565, 2}, {ConvertRow565Bgr, SDL_PIXELFORMAT_BGR565, 2},
    {ConvertRow555, SDL_PIXELFORMAT_RGB555, 2}, {ConvertRow555Bgr, SDL_PIXELFORMAT_BGR555, 2},
};
static const char *names[] = {"32", "32Bgr", "24", "24Bgr", "565", "565Bgr", "555", "555Bgr"};

static void BM_ConvertRow(benchmark::State &state) {
    const Format &f = formats[state.range(0)];
    const int pitch = W * f.bytes;
    std::vector<uint8_t> out((size_t)pitch * H);
    const uint32_t *src = Frame().data();
    for (auto _ : state) {
        uint8_t *dst = out.data();
        for (int y = 0; y < H; y++, dst += pitch) f.converter(src + y * W, dst, W);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(names[state.range(0)]);
    state.SetBytesProcessed(state.iterations() * W * H * 4);
}
BENCHMARK(BM_ConvertRow)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

static void BM_SdlConvertPixels(benchmark::State &state) {
    const Format &f = formats[state.range(0)];
    const int pitch = W * f.bytes;
    std::vector<uint8_t> out((size_t)pitch * H);
    for (auto _ : state) {
        SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_RGB888, Frame().data(), W * 4, f.sdlFormat,
                          out.data(), pitch);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(names[state.range(0)]);
    state.SetBytesProcessed(state.iterations() * W * H * 4);
}
BENCHMARK(BM_SdlConvertPixels)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

static void BM_MemcpyFrame(benchmark::State &state) {
    std::vector<uint32_t> out(W * H);
    for (auto _ : state) {
        memcpy(out.data(), Frame().data(), W * H * 4);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * 4);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
