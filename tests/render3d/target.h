// A 512 x 256 target and a 512 x 384 depth buffer, each inside guard zones
// filled with a canary, so a test can tell whether anything was written outside.
#pragma once

#include <cstdint>
#include <vector>

#include "render3d/render3d.h"

struct GuardedTarget {
    // 1024 rows of canary on each side: enough to catch a line walk or a row
    // index gone wrong by hundreds of rows, not only a near miss.
    static constexpr int kGuard = 1024 * 512;
    static constexpr uint32_t kPixelCanary = 0xDEADBEEF;
    static constexpr float kDepthCanary = -12345.0f;

    std::vector<uint32_t> pixelStore =
        std::vector<uint32_t>(kGuard + 512 * 256 + kGuard, kPixelCanary);
    std::vector<float> depthStore =
        std::vector<float>(kGuard + DEPTH_BUFFER_SIZE + kGuard, kDepthCanary);

    // Starts with the depth offset back at 0.0, so every test has the full
    // depth resolution whatever ran before it in the process.
    GuardedTarget(uint32_t background = 0) {
        FillPixels(pixels(), background, 512 * 256);
        while (GetDepthOffset() != 0.0f) AdvanceDepthFrame(depth());
        FillDepth(depth(), 0, DEPTH_BUFFER_SIZE);
    }
    uint32_t *pixels() { return pixelStore.data() + kGuard; }
    float *depth() { return depthStore.data() + kGuard; }
    uint32_t At(int x, int y) { return pixels()[y * 512 + x]; }

    bool GuardsIntact() const {
        for (int i = 0; i < kGuard; i++) {
            if (pixelStore[i] != kPixelCanary ||
                pixelStore[pixelStore.size() - 1 - i] != kPixelCanary)
                return false;
            if (depthStore[i] != kDepthCanary ||
                depthStore[depthStore.size() - 1 - i] != kDepthCanary)
                return false;
        }
        return true;
    }
    // Pixels of row y that differ from background.
    int RowCount(int y, uint32_t background = 0) {
        int n = 0;
        for (int x = 0; x < 512; x++) n += At(x, y) != background;
        return n;
    }
    int Count(uint32_t background = 0) {
        int n = 0;
        for (int y = 0; y < 256; y++) n += RowCount(y, background);
        return n;
    }
};

inline ScreenVertex Sv(int x, int y, float z = 100.0f, float r = 1.0f, float g = 1.0f,
                       float b = 1.0f) {
    return ScreenVertex{x, y, r, g, b, z};
}
