// Plain versions of the raster2d kernels, one pixel at a time in the order the
// operations are defined, reading through a bounds check: the fast kernels
// must match them bit for bit. Also a guarded test buffer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster2d/raster2d.h"

namespace ref {

// A holding array of `size` pixels inside a larger one whose margins keep a
// known pattern, so a read past the end sees garbage and a write shows.
struct Guarded {
    static constexpr int64_t kMargin = 70000;
    std::vector<uint32_t> storage, pattern;
    int64_t size;

    explicit Guarded(int64_t pixels, uint32_t seed = 1)
        : storage(pixels + 2 * kMargin), size(pixels) {
        std::mt19937 rng(seed);
        for (uint32_t &p : storage) p = rng();
        pattern = storage;
    }
    uint32_t *data() { return storage.data() + kMargin; }
    const uint32_t *end() { return data() + size; }
    bool MarginsIntact() const {
        for (int64_t i = 0; i < kMargin; i++) {
            if (storage[i] != pattern[i]) return false;
            const int64_t j = kMargin + size + i;
            if (storage[j] != pattern[j]) return false;
        }
        return true;
    }
    // The holding array alone.
    std::vector<uint32_t> Held() const {
        return std::vector<uint32_t>(storage.begin() + kMargin, storage.begin() + kMargin + size);
    }
};

inline uint32_t Red(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline uint32_t Green(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline uint32_t Blue(uint32_t p) {
    return p & 0xFF;
}

// A pixel array of `reach` pixels; past the end reads 0 and writes nothing.
struct Held {
    uint32_t *p;
    int64_t reach;
    uint32_t Get(int64_t i) const { return i < reach ? p[i] : 0; }
    void Set(int64_t i, uint32_t v) const {
        if (i < reach) p[i] = v;
    }
};

inline uint32_t Blend(uint32_t s, uint32_t d, uint32_t a) {
    const uint32_t b = 255 - a;
    const uint32_t rb = (((s & 0xFF00FF) * a + (d & 0xFF00FF) * b) >> 8) & 0xFF00FF;
    const uint32_t g = (((s & 0xFF00) * a + (d & 0xFF00) * b) >> 8) & 0xFF00;
    return rb + g;
}

// The mean of the w x h block at start (linear addressing), written back
// when `write` is set; returns it.
inline uint32_t BlockMean(Held b, int64_t start, uint64_t w, uint64_t h, bool write) {
    uint64_t r = 0, g = 0, bl = 0;
    for (uint64_t dy = 0; dy < h; dy++) {
        for (uint64_t dx = 0; dx < w; dx++) {
            const uint32_t p = b.Get(start + int64_t(dy * AREA_WIDTH + dx));
            r += Red(p), g += Green(p), bl += Blue(p);
        }
    }
    const uint64_t area = w * h;
    const uint32_t mean = uint32_t((r / area) << 16 | (g / area) << 8 | (bl / area));
    if (write) {
        for (uint64_t dy = 0; dy < h; dy++) {
            for (uint64_t dx = 0; dx < w; dx++) b.Set(start + int64_t(dy * AREA_WIDTH + dx), mean);
        }
    }
    return mean;
}

inline void Pixelate(Held b, uint32_t w, uint32_t h) {
    for (uint64_t by = 0; by < AREA_HEIGHT; by += h) {
        for (uint64_t bx = 0; bx < AREA_WIDTH; bx += w) {
            BlockMean(b, int64_t(by * AREA_WIDTH + bx), w, h, true);
        }
    }
}

inline void SmearBlur(Held b, uint32_t w, uint32_t h) {
    for (int64_t s = 0; s < AREA_PIXELS; s++) BlockMean(b, s, w, h, true);
}

inline void Blur2x2(Held b) {
    for (int64_t y = 0; y < AREA_HEIGHT; y++) {
        for (int64_t x = 0; x < AREA_WIDTH; x++) {
            const int64_t i = y * AREA_WIDTH + x;
            const uint32_t p[4] = {b.Get(i), b.Get(i + 1), b.Get(i + 512), b.Get(i + 513)};
            const uint32_t mean =
                (Red(p[0]) + Red(p[1]) + Red(p[2]) + Red(p[3])) >> 2 << 16 |
                (Green(p[0]) + Green(p[1]) + Green(p[2]) + Green(p[3])) >> 2 << 8 |
                (Blue(p[0]) + Blue(p[1]) + Blue(p[2]) + Blue(p[3])) >> 2;
            b.Set(i, mean), b.Set(i + 1, mean), b.Set(i + 512, mean), b.Set(i + 513, mean);
        }
    }
}

// DrawImage's walk over a 512 x 384 area from dst, rows also cut at reach.
inline void DrawImage(Held dst, int32_t x, int32_t y, const Image &image) {
    const int64_t w = image.width, h = image.height;
    if (x > 512 || y > 384 || y + h < 0 || x + w < 0) return;
    const int64_t rows = std::min<int64_t>(384, dst.reach / 512);
    for (int64_t r = std::max<int64_t>(0, -y) + 1; r < h; r++) {
        if (y + r > rows - 1) break;
        for (int64_t c = std::max<int64_t>(0, -x); c < w; c++) {
            if (x + c >= 511) break;
            dst.p[(y + r) * 512 + x + c] = image.pixels[r * w + c];
        }
    }
}

// Random pixels with every bit pattern, some of them black.
inline std::vector<uint32_t> RandomPixels(int64_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> v(n);
    for (uint32_t &p : v) p = rng() % 8 == 0 ? 0 : rng();
    return v;
}

} // namespace ref
