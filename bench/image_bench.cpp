// LoadJpeg of a 512 x 256 picture like the show's (4:2:0, quality 90), from a
// data/ folder of its own: read, decode, clear the top bytes.
#include "raster2d/image.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static void BM_LoadJpeg(benchmark::State &state) {
    const int W = 512, H = 256;
    std::vector<unsigned char> rgb(W * H * 3);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            unsigned char *p = &rgb[(y * W + x) * 3];
            p[0] = (unsigned char)(x / 2), p[1] = (unsigned char)(y + (x ^ y) % 16),
            p[2] = (unsigned char)((x * y) >> 7);
        }
    tjhandle tj = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), W, W * 3, H, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    tjDestroy(tj);

    char folder[] = "/tmp/gf_jpeg_bench_XXXXXX";
    char home[4096];
    if (!mkdtemp(folder) || !getcwd(home, sizeof home) || chdir(folder) != 0) {
        state.SkipWithError("no temporary folder");
        return;
    }
    mkdir("data", 0755);
    FILE *f = fopen("data/bench.jpg", "wb");
    fwrite(jpeg, 1, size, f);
    fclose(f);
    tjFree(jpeg);
    for (auto _ : state) FreeJpeg(LoadJpeg("bench.jpg"));
    state.SetLabel(std::to_string(size) + " bytes");
    unlink("data/bench.jpg");
    rmdir("data");
    if (chdir(home) != 0) state.SkipWithError("cannot return");
    rmdir(folder);
}
BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMicrosecond);
