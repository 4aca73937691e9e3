// Drawing the music spectrum: solid bars and added lines.
#include <algorithm>
#include <cmath>

#include "raster2d/raster2d.h"

void DrawSpectrumBars(uint32_t *buffer, const float *spectrum, uint32_t colour) {
    // Bar j covers rows 256 down to the last r with r > 256 - 300 s[j], i.e.
    // from floor(256 - 300 s[j]) + 1. Its columns 10 j to 10 j + 9 stay below
    // 1024, so below row -1 nothing of it lands in the area even through the
    // wrap: rows are taken from -1 at the lowest.
    int32_t first[100]; // the bar's first row, 257 when it draws nothing
    int32_t top = AREA_HEIGHT + 1;
    for (int32_t j = 0; j < 100; j++) {
        // 300 s is formed exactly in double and rounded once, which is the
        // float product; kept apart from the subtraction so that the two are
        // never fused into one differently rounded step.
        const float height = float(300.0 * double(spectrum[j]));
        const float limit = 256.0f - height;
        if (!(limit < 256.0f)) {
            first[j] = AREA_HEIGHT + 1; // nothing, a not-a-number included
        } else {
            first[j] = limit < -2.0f ? -1 : int32_t(std::floor(limit)) + 1;
        }
        top = std::min(top, first[j]);
    }
    // Every bar has the same colour, so the order of the writes does not
    // matter: row by row, which keeps them together in memory.
    for (int32_t r = top; r <= AREA_HEIGHT; r++) {
        const bool inside = r >= 0 && r < AREA_HEIGHT - 1; // rows whose bars all lie in the area
        for (int32_t j = 0; j < 100; j++) {
            if (first[j] > r) continue;
            const int32_t from = r * AREA_WIDTH + 10 * j;
            if (inside) {
                for (int32_t k = 0; k < 10; k++) buffer[from + k] = colour;
            } else {
                const int32_t clipFrom = std::max(from, 0);
                const int32_t clipTo = std::min(from + 10, AREA_PIXELS);
                if (clipFrom < clipTo) std::fill(buffer + clipFrom, buffer + clipTo, colour);
            }
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
