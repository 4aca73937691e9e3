// The compositing operations: placing, copying, keyed and threshold copies,
// whole-value arithmetic and the half-turn. The blends are in blend.cpp.
#include <algorithm>
#include <cstring>

#include "raster2d/kernels.h"
#include "raster2d/pixelvec.h"

namespace RASTER2D_VARIANT {

void DrawImage(uint32_t *dst, const uint32_t *end, int32_t x, int32_t y, const Image *image) {
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return;
    const int64_t w = image->width, h = image->height;
    // The rejection tests are strict: x = 512 and y = 384 pass them and then
    // draw nothing through the bounds below.
    if (x > AREA_WIDTH || y > DRAW_HEIGHT || y + h < 0 || x + w < 0) return;
    // Rows the destination really holds from dst down, whole rows only.
    const int64_t heldRows = end > dst ? (end - dst) / AREA_WIDTH : 0;
    const int64_t lastRow = std::min<int64_t>(DRAW_HEIGHT, heldRows) - 1;
    // The first visible image row is skipped: the walk starts one row below it.
    const int64_t firstImageRow = std::max<int64_t>(0, -y) + 1;
    const int64_t firstImageCol = std::max<int64_t>(0, -x);
    // Column 511 is never written: the last column is 510.
    const int64_t lastCol = std::min<int64_t>(x + w - 1, AREA_WIDTH - 2);
    const int64_t count = lastCol - (x + firstImageCol) + 1;
    if (count <= 0) return;
    for (int64_t r = firstImageRow; r < h && y + r <= lastRow; r++) {
        std::memcpy(dst + (y + r) * AREA_WIDTH + x + firstImageCol,
                    image->pixels + r * w + firstImageCol, size_t(count) * 4);
    }
}

void CopyToScreen(uint32_t *screen, int32_t x, int32_t y, const uint32_t *render) {
    // Render row 0 is not copied; screen row 479 is the last and column 638
    // the last column written. What would land left or above is dropped.
    const int64_t firstCol = std::max<int64_t>(0, -int64_t(x));
    const int64_t lastCol = std::min<int64_t>(AREA_WIDTH - 1, SCREEN_WIDTH - 2 - int64_t(x));
    if (lastCol < firstCol) return;
    const int64_t firstRow = std::max<int64_t>(1, -int64_t(y));
    const int64_t lastRow = std::min<int64_t>(DRAW_HEIGHT - 1, SCREEN_HEIGHT - 1 - int64_t(y));
    for (int64_t r = firstRow; r <= lastRow; r++) {
        std::memcpy(screen + (y + r) * SCREEN_WIDTH + x + firstCol,
                    render + r * AREA_WIDTH + firstCol, size_t(lastCol - firstCol + 1) * 4);
    }
}

void CopyView(uint32_t *dst, const uint32_t *src) {
    if (dst != src) std::memcpy(dst, src, AREA_PIXELS * 4);
}

void ComposeOverlay(uint32_t *dst, const uint32_t *base, const uint32_t *overlay) {
    for (int32_t i = 0; i < AREA_PIXELS; i += PX_LANES) {
        const PxV o = LoadPx(overlay + i);
        StorePx(dst + i, SelectPx(o != 0, o, LoadPx(base + i)));
    }
}

void CopyBelow(uint32_t *dst, const uint32_t *src, uint32_t threshold) {
    MapArea(dst, src, [=](PxV d, PxV s) { return SelectPx(s < threshold, s, d); });
}

void CopyAbove(uint32_t *dst, const uint32_t *src, uint32_t threshold) {
    MapArea(dst, src, [=](PxV d, PxV s) { return SelectPx(s > threshold, s, d); });
}

void CopyExceptKey(uint32_t *dst, const uint32_t *src, uint32_t key) {
    MapArea(dst, src, [=](PxV d, PxV s) { return SelectPx(s != key, s, d); });
}

void CopyExceptRedKey(uint32_t *dst, const uint32_t *src) {
    MapArea(dst, src, [](PxV d, PxV s) {
        // Skipped only where red > 17 and green < 17 and blue < 17. The masked
        // channels are below 2^31, so they compare as signed lanes.
        const IntV key =
            (IntV(s & 0xFF0000) > 0x110000) & (IntV(s & 0xFF00) < 0x1100) & (IntV(s & 0xFF) < 0x11);
        return SelectPx(key, d, s);
    });
}

void CopyInvertEqual(uint32_t *dst, const uint32_t *src) {
    // Walked from the last pixel to the first; with the same or disjoint
    // buffers the direction does not change the result.
    for (int32_t i = AREA_PIXELS - PX_LANES; i >= 0; i -= PX_LANES) {
        const PxV d = LoadPx(dst + i), s = LoadPx(src + i);
        StorePx(dst + i, SelectPx(d == s, 0xFFFFFF - s, s));
    }
}

void SubtractFromGrey(uint32_t *buffer, int32_t level) {
    const uint32_t grey = uint32_t(level) * 0x010101u; // wraps like the pixel arithmetic
    MapAreaInPlace(buffer, [=](PxV p) { return grey - p; });
}

void InvertBuffer(uint32_t *buffer) {
    MapAreaInPlace(buffer, [](PxV p) { return 0xFFFFFF - p; });
}

void Binarize(uint32_t *buffer) {
    MapAreaInPlace(buffer, [](PxV p) { return PxV(p != 0) & 0xFFFFFF; });
}

void RotateTopHalfDown(uint32_t *buffer) {
    // Pixel i goes to 131071 - i: a vector from the front, reversed, lands as
    // far from the back. The halves never overlap.
    const int32_t half = AREA_PIXELS / 2;
    for (int32_t i = 0; i < half; i += PX_LANES) {
        const PxV v = LoadPx(buffer + i);
        StorePx(buffer + AREA_PIXELS - PX_LANES - i, __builtin_shufflevector(v, v, PX_REVERSED));
    }
    std::memset(buffer, 0, size_t(half) * 4);
}

void FillLeftFromColumn(uint32_t *buffer, int32_t n) {
    if (n < 1) return;
    n = std::min(n, AREA_WIDTH - 1);
    for (int32_t row = 0; row < AREA_PIXELS; row += AREA_WIDTH) {
        FillPx(buffer + row, n, buffer[row + n] & 0xFFFFFF);
    }
}

} // namespace RASTER2D_VARIANT
