// Drawing the music spectrum: solid bars and added lines.
#include <algorithm>
#include <cmath>

#include "raster2d/raster2d.h"

void DrawSpectrumBars(uint32_t *buffer, const float *spectrum, uint32_t colour) {
    for (int32_t j = 0; j < 100; j++) {
        // 300 s is formed exactly in double and rounded once, which is the
        // float product; kept apart from the subtraction so that the two are
        // never fused into one differently rounded step.
        const float height = float(300.0 * double(spectrum[j]));
        const float top = 256.0f - height;
        // The bar's columns stay below 1024, so below row -1 nothing lands in
        // the area even through the wrap: the walk stops there.
        for (int32_t r = AREA_HEIGHT; r >= -1 && float(r) > top; r--) {
            const int64_t first = int64_t(r) * AREA_WIDTH + 10 * j;
            const int64_t from = std::max<int64_t>(first, 0);
            const int64_t to = std::min<int64_t>(first + 10, AREA_PIXELS);
            if (from < to) std::fill(buffer + from, buffer + to, colour);
        }
    }
}

namespace {

// Adds 0xAAAAAA to every pixel of row trunc(position); a row outside 0-255
// (or a position that is not a number) is skipped.
void AddLine(uint32_t *buffer, double position) {
    if (!(position > -1.0 && position < double(AREA_HEIGHT))) return;
    uint32_t *row = buffer + int32_t(position) * AREA_WIDTH;
    for (int32_t x = 0; x < AREA_WIDTH; x++) row[x] += 0xAAAAAA;
}

} // namespace

void DrawSpectrumLines(uint32_t *buffer, const float *spectrum) {
    for (int32_t k = 0; k < 15; k++) {
        AddLine(buffer, 128.0 - std::sin(double(10.0f * spectrum[2 * k])) * 128.0);
        AddLine(buffer, 128.0 + std::sin(double(10.0f * spectrum[2 * k + 1])) * 128.0);
    }
}
