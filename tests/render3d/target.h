// A 512 x 256 target and a 512 x 384 depth buffer inside 1024 rows of canary
// on each side, enough to catch a row index gone wrong by hundreds of rows.
#pragma once

#include <vector>

#include "render3d/render3d.h"

struct GuardedTarget {
    static constexpr int kGuard = 1024 * 512;
    std::vector<uint32_t> pixelStore = std::vector<uint32_t>(2 * kGuard + 512 * 256, 0xDEADBEEF);
    std::vector<float> depthStore = std::vector<float>(2 * kGuard + DEPTH_BUFFER_SIZE, -1.0f);

    // Also takes the depth offset back to 0.0, for full depth resolution.
    explicit GuardedTarget(uint32_t background = 0) {
        FillPixels(pixels(), background, 512 * 256);
        while (GetDepthOffset() != 0.0f) AdvanceDepthFrame(depth());
        FillDepth(depth(), 0, DEPTH_BUFFER_SIZE);
    }
    uint32_t *pixels() { return pixelStore.data() + kGuard; }
    float *depth() { return depthStore.data() + kGuard; }
    uint32_t At(int x, int y) { return pixels()[y * 512 + x]; }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; i++)
            if (pixelStore[i] != 0xDEADBEEF ||
                pixelStore[pixelStore.size() - 1 - i] != 0xDEADBEEF || depthStore[i] != -1.0f ||
                depthStore[depthStore.size() - 1 - i] != -1.0f)
                return false;
        return true;
    }
    // Pixels of row y (or of the whole target, y = -1) that differ from background.
    int Count(int y = -1, uint32_t background = 0) {
        int n = 0;
        for (int i = y < 0 ? 0 : y * 512; i < (y < 0 ? 256 * 512 : y * 512 + 512); i++)
            n += pixels()[i] != background;
        return n;
    }
};

inline ScreenVertex Sv(int x, int y, float z = 100, float r = 1, float g = 1, float b = 1) {
    return ScreenVertex{x, y, r, g, b, z};
}
