// Plain versions of the raster2d kernels, one pixel at a time in the order the
// operations are defined, reading through a bounds check; the fast kernels
// must match them bit for bit. And a test array with guarded margins.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster2d/raster2d.h"

namespace ref {

// Random pixels with every bit pattern, one in eight black.
inline std::vector<uint32_t> RandomPixels(int64_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> v(n);
    for (uint32_t &p : v) p = rng() % 8 == 0 ? 0 : rng();
    return v;
}

// A holding array of `size` random pixels inside a larger random array: a
// read past its end sees garbage, and a write past it shows in MarginsIntact.
struct Guarded {
    static constexpr int64_t kMargin = 70000;
    std::vector<uint32_t> storage, pattern;
    int64_t size;
    explicit Guarded(int64_t pixels, uint32_t seed = 1)
        : storage(RandomPixels(pixels + 2 * kMargin, seed)), pattern(storage), size(pixels) {}
    uint32_t *data() { return storage.data() + kMargin; }
    const uint32_t *end() { return data() + size; }
    std::vector<uint32_t> Held() const {
        return {storage.begin() + kMargin, storage.begin() + kMargin + size};
    }
    bool MarginsIntact() const {
        return std::equal(storage.begin(), storage.begin() + kMargin, pattern.begin()) &&
               std::equal(storage.end() - kMargin, storage.end(), pattern.end() - kMargin);
    }
};

// A holding array seen from the area's first pixel: past reach, pixels read 0
// and take no writes.
struct Held {
    uint32_t *p;
    int64_t reach;
    uint32_t Get(int64_t i) const { return i < reach ? p[i] : 0; }
    void Set(int64_t i, uint32_t v) const {
        if (i < reach) p[i] = v;
    }
};

inline uint32_t Blend(uint32_t s, uint32_t d, uint32_t a) {
    const uint32_t rb = (((s & 0xFF00FF) * a + (d & 0xFF00FF) * (255 - a)) >> 8) & 0xFF00FF;
    const uint32_t g = (((s & 0xFF00) * a + (d & 0xFF00) * (255 - a)) >> 8) & 0xFF00;
    return rb + g;
}

// Sets the w x h block at start (linear addressing) to its per-channel mean.
inline void BlockMean(Held b, int64_t start, uint64_t w, uint64_t h) {
    uint64_t sum[3] = {};
    for (uint64_t dy = 0; dy < h; dy++) {
        for (uint64_t dx = 0; dx < w; dx++) {
            const uint32_t p = b.Get(start + int64_t(dy * 512 + dx));
            for (int c = 0; c < 3; c++) sum[c] += (p >> (8 * c)) & 0xFF;
        }
    }
    uint32_t mean = 0;
    for (int c = 0; c < 3; c++) mean |= uint32_t(sum[c] / (w * h)) << (8 * c);
    for (uint64_t dy = 0; dy < h; dy++) {
        for (uint64_t dx = 0; dx < w; dx++) b.Set(start + int64_t(dy * 512 + dx), mean);
    }
}

inline void Pixelate(Held b, uint32_t w, uint32_t h) {
    for (uint64_t by = 0; by < 256; by += h) {
        for (uint64_t bx = 0; bx < 512; bx += w) BlockMean(b, int64_t(by * 512 + bx), w, h);
    }
}

inline void SmearBlur(Held b, uint32_t w, uint32_t h) {
    for (int64_t s = 0; s < AREA_PIXELS; s++) BlockMean(b, s, w, h);
}

inline void Blur2x2(Held b) {
    for (int64_t i = 0; i < AREA_PIXELS; i++) {
        const uint32_t p[4] = {b.Get(i), b.Get(i + 1), b.Get(i + 512), b.Get(i + 513)};
        uint32_t mean = 0;
        for (int c = 0; c < 24; c += 8) {
            mean |= (((p[0] >> c) & 0xFF) + ((p[1] >> c) & 0xFF) + ((p[2] >> c) & 0xFF) +
                     ((p[3] >> c) & 0xFF)) >>
                    2 << c;
        }
        for (int64_t at : {i, i + 1, i + 512, i + 513}) b.Set(at, mean);
    }
}

// DrawImage's walk over 512 x 384 from dst, its rows also cut at reach.
inline void DrawImage(Held dst, int32_t x, int32_t y, const Image &image) {
    const int64_t w = image.width, h = image.height;
    if (x > 512 || y > 384 || y + h < 0 || x + w < 0) return;
    for (int64_t r = std::max<int64_t>(0, -y) + 1; r < h && y + r < 384; r++) {
        if ((y + r + 1) * 512 > dst.reach) break;
        for (int64_t c = std::max<int64_t>(0, -x); c < w && x + c < 511; c++) {
            dst.p[(y + r) * 512 + x + c] = image.pixels[r * w + c];
        }
    }
}

} // namespace ref
