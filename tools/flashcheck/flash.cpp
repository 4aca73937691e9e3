#include "flashcheck/flash.h"

#include <algorithm>
#include <cmath>

FlashRun NewFlashRun(int fps) {
    FlashRun run;
    run.fps = fps;
    run.frames = 0;
    for (FlashBlock &b : run.blocks) b = FlashBlock{0, 0, 0, 0};
    return run;
}

// The sRGB transfer function undone: 8-bit code to linear light.
static double Linear(int code) {
    double c = code / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double PixelLuminance(int r, int g, int b) {
    return 0.2126 * Linear(r) + 0.7152 * Linear(g) + 0.0722 * Linear(b);
}

void BlockLuminance(const uint8_t *bgr0, int width, int height, int pitch,
                    double out[FLASH_BLOCKS]) {
    // The decode is a table: a frame has far more pixels than codes.
    static double table[256];
    static int ready = 0;
    if (!ready) {
        for (int i = 0; i < 256; i++) table[i] = Linear(i);
        ready = 1;
    }
    for (int by = 0; by < FLASH_GRID; by++) {
        // Block edges by integer division: the blocks tile the frame exactly,
        // the last ones a pixel larger where the size does not divide by 6.
        int y0 = height * by / FLASH_GRID, y1 = height * (by + 1) / FLASH_GRID;
        for (int bx = 0; bx < FLASH_GRID; bx++) {
            int x0 = width * bx / FLASH_GRID, x1 = width * (bx + 1) / FLASH_GRID;
            double sum = 0;
            for (int y = y0; y < y1; y++) {
                const uint8_t *p = bgr0 + (size_t)y * pitch + (size_t)x0 * 4;
                for (int x = x0; x < x1; x++, p += 4)
                    sum += 0.2126 * table[p[2]] + 0.7152 * table[p[1]] + 0.0722 * table[p[0]];
            }
            int count = (x1 - x0) * (y1 - y0);
            out[by * FLASH_GRID + bx] = count ? sum / count : 0;
        }
    }
}

void AddFlashFrame(FlashRun *run, const double luminance[FLASH_BLOCKS]) {
    int64_t frame = run->frames++;
    for (int i = 0; i < FLASH_BLOCKS; i++) {
        FlashBlock *b = &run->blocks[i];
        double v = luminance[i];
        if (!b->started) {
            *b = FlashBlock{0, v, v, 1};
            continue;
        }
        // A rise counts from the darkest point since the last change, a fall
        // from the brightest; a move on in the same direction only widens it.
        int up = b->direction <= 0 && v - b->low >= FLASH_STEP && b->low < FLASH_DARK_BELOW;
        int down = b->direction >= 0 && b->high - v >= FLASH_STEP && v < FLASH_DARK_BELOW;
        if (up || down) {
            run->changes[i].push_back(frame);
            b->direction = up ? 1 : -1;
            b->low = b->high = v;
        } else {
            b->low = std::min(b->low, v);
            b->high = std::max(b->high, v);
        }
    }
}

int FlashesInWindow(const FlashRun *run, int64_t first) {
    int most = 0;
    for (int i = 0; i < FLASH_BLOCKS; i++) {
        const std::vector<int64_t> &c = run->changes[i];
        auto from = std::lower_bound(c.begin(), c.end(), first);
        auto to = std::lower_bound(from, c.end(), first + run->fps);
        most = std::max(most, (int)((to - from) / 2));
    }
    return most;
}
