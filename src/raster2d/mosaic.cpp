// Block means: the mosaic (Pixelate), its scan-order smear (SmearBlur) and the
// 2 x 2 means.
#include <algorithm>
#include <cstring>

#include "raster2d/kernels.h"
#include "raster2d/pixelvec.h"

namespace RASTER2D_VARIANT {

namespace {

// Per-channel sums of the pixels of a block.
struct ChannelSums {
    uint64_t r, g, b; // Red, green, blue: at most 255 x the pixels summed
};

// Adds the channels of pixel p, times times over, to sum.
inline void AddPixel(ChannelSums &sum, uint32_t p, uint64_t times = 1) {
    sum.r += ((p >> 16) & 0xFF) * times;
    sum.g += ((p >> 8) & 0xFF) * times;
    sum.b += (p & 0xFF) * times;
}

// The pixel whose channels are sum's, each divided by div and truncated.
inline uint32_t MeanColour(const ChannelSums &sum, const Divider &div) {
    return uint32_t(Divide(div, sum.r) << 16 | Divide(div, sum.g) << 8 | Divide(div, sum.b));
}

// Adds the channels of the n pixels from p to sum, a vector at a time.
void AddSpan(ChannelSums &sum, const uint32_t *p, int64_t n) {
    PxV red{}, green{}, blue{}; // a lane sums at most 12288 pixels of 255 here
    int64_t i = 0;
    for (; i + PX_LANES <= n; i += PX_LANES) {
        const PxV v = LoadPx(p + i);
        red += (v >> 16) & 0xFF;
        green += (v >> 8) & 0xFF;
        blue += v & 0xFF;
    }
    for (int32_t lane = 0; lane < PX_LANES; lane++) {
        sum.r += red[lane], sum.g += green[lane], sum.b += blue[lane];
    }
    for (; i < n; i++) AddPixel(sum, p[i]);
}

// Sums the block of w x h pixels whose first pixel is start, row dy being the
// span start + 512 dy to start + 512 dy + w - 1 (so a span past column 511
// runs on into the next row), leaving out what lies at or past reach.
ChannelSums SumSpanBlock(const uint32_t *buffer, int64_t reach, int64_t start, int64_t w,
                         int64_t h) {
    ChannelSums sum{};
    for (int64_t from = start, dy = 0; dy < h && from < reach; dy++, from += AREA_WIDTH) {
        AddSpan(sum, buffer + from, std::min(from + w, reach) - from);
    }
    return sum;
}

// Pixelate's block that wraps past column 511 (or any block wider than a row).
void MosaicSpanBlock(uint32_t *buffer, int64_t reach, int64_t start, int64_t w, int64_t h,
                     const Divider &div) {
    const uint32_t colour = MeanColour(SumSpanBlock(buffer, reach, start, w, h), div);
    for (int64_t from = start, dy = 0; dy < h && from < reach; dy++, from += AREA_WIDTH) {
        FillPx(buffer + from, std::min(from + w, reach) - from, colour);
    }
}

// Pixelate's blocks of one block row that fit side by side in columns 0 to
// fullWidth - 1. They do not overlap one another, so the block row is read
// once into per-column channel sums, the block means are laid out as one line
// of colours, and the line is copied into every row of the block row.
void MosaicFullBlocks(uint32_t *buffer, int64_t reach, int64_t top, int64_t w, int64_t h,
                      int64_t fullWidth, const Divider &div) {
    // Rows of the block row that lie whole before reach, then the one it cuts.
    const int64_t first = top * AREA_WIDTH;
    const int64_t wholeRows = std::min(h, (reach - first) / AREA_WIDTH);
    const int64_t cutHeld = wholeRows < h ? (reach - first) % AREA_WIDTH : 0;
    // Red, green, blue per column, and zeros past column 511 for the windows below.
    alignas(64) uint32_t sums[3][AREA_WIDTH + PX_LANES];
    for (auto &channel : sums) std::fill(channel + AREA_WIDTH, channel + AREA_WIDTH + PX_LANES, 0);
    for (int32_t c = 0; c < AREA_WIDTH; c += PX_LANES) {
        PxV red{}, green{}, blue{};
        for (int64_t r = 0; r < wholeRows; r++) {
            const PxV p = LoadPx(buffer + first + r * AREA_WIDTH + c);
            red += (p >> 16) & 0xFF;
            green += (p >> 8) & 0xFF;
            blue += p & 0xFF;
        }
        StorePx(sums[0] + c, red);
        StorePx(sums[1] + c, green);
        StorePx(sums[2] + c, blue);
    }
    uint32_t *cut = buffer + first + wholeRows * AREA_WIDTH; // used only when cutHeld > 0
    for (int64_t c = 0; c < cutHeld; c++) {
        sums[0][c] += (cut[c] >> 16) & 0xFF;
        sums[1][c] += (cut[c] >> 8) & 0xFF;
        sums[2][c] += cut[c] & 0xFF;
    }
    alignas(64) uint32_t line[AREA_WIDTH];
    if (w <= 4 && w * h < 256) {
        // Narrow blocks: the sum of the w columns from every column c, a vector
        // of columns at a time, divided by a 32-bit reciprocal (exact while
        // 255 * area^2 < 2^24, the product staying below 2^32); then each
        // block takes the mean found at its first column. Past 4 columns the
        // wasted windows cost more than the block loop below.
        const uint32_t m = (1u << 24) / uint32_t(w * h) + 1;
        for (int32_t c = 0; c < AREA_WIDTH; c += PX_LANES) {
            PxV mean{};
            for (int32_t channel = 0; channel < 3; channel++) {
                PxV sum{};
                for (int64_t j = 0; j < w; j++) sum += LoadPx(sums[channel] + c + j);
                mean |= (sum * m) >> 24 << (16 - 8 * channel);
            }
            StorePx(line + c, mean);
        }
        for (int64_t bx = 0; bx < fullWidth; bx += w) {
            for (int64_t c = bx + 1; c < bx + w; c++) line[c] = line[bx];
        }
    } else {
        for (int64_t bx = 0; bx < fullWidth; bx += w) {
            ChannelSums sum{};
            for (int64_t c = bx; c < bx + w; c++) {
                sum.r += sums[0][c];
                sum.g += sums[1][c];
                sum.b += sums[2][c];
            }
            FillPx(line + bx, w, MeanColour(sum, div));
        }
    }
    for (int64_t r = 0; r < wholeRows; r++) {
        std::memcpy(buffer + first + r * AREA_WIDTH, line, size_t(fullWidth) * 4);
    }
    if (cutHeld > 0) std::memcpy(cut, line, size_t(std::min(fullWidth, cutHeld)) * 4);
}

// How many of the pairs (dy, dx), dy < h, dx < w, have 512 dy + dx < reach:
// rows wholly inside count w, the rows cut by reach what they hold.
int64_t PairsInside(int64_t reach, int64_t w, int64_t h) {
    const int64_t wholeRows = reach >= w ? std::min(h, (reach - w) / AREA_WIDTH + 1) : 0;
    const int64_t touchedRows = reach > 0 ? std::min(h, (reach - 1) / AREA_WIDTH + 1) : 0;
    const int64_t cut = std::max<int64_t>(touchedRows - wholeRows, 0);
    // Rows wholeRows .. touchedRows - 1 hold reach - 512 dy pixels each.
    return wholeRows * w + cut * reach -
           int64_t(AREA_WIDTH) * (wholeRows + touchedRows - 1) * cut / 2;
}

} // namespace

void Pixelate(uint32_t *buffer, const uint32_t *end, uint32_t blockWidth, uint32_t blockHeight) {
    const int64_t reach = end - buffer;
    if (blockWidth == 0 || blockHeight == 0 || reach < AREA_PIXELS) return;
    if (blockWidth == 1 && blockHeight == 1) {
        // A 1 x 1 mosaic only clears bits 24-31.
        MapAreaInPlace(buffer, [](PxV p) { return p & 0xFFFFFF; });
        return;
    }
    const int64_t w = blockWidth, h = blockHeight;
    // Means divide by the block's full size, pixels past the end counting black.
    const Divider div = MakeDivider(uint64_t(w) * uint64_t(h));
    const int64_t fullWidth = w <= AREA_WIDTH ? AREA_WIDTH / w * w : 0;
    for (int64_t top = 0; top < AREA_HEIGHT; top += h) {
        if (fullWidth > 0) MosaicFullBlocks(buffer, reach, top, w, h, fullWidth, div);
        // The block that starts less than w before column 512 wraps onto the
        // next row; it comes last in its block row and wins where it overlaps.
        if (fullWidth < AREA_WIDTH) {
            MosaicSpanBlock(buffer, reach, top * AREA_WIDTH + fullWidth, w, h, div);
        }
    }
}

// SmearBlur in one pass. Block s (the block whose first pixel is s, in scan
// order) writes its mean M(s) over all its pixels, so when block s is read:
// - every pixel but those of its last column (or, for w > 512, but its last
//   pixel) was last written by block s - 1 and holds M(s - 1);
// - for w <= 512, its last column above the last row was last written by block
//   s + w - 1 - 512, one row up, and holds its mean (the original pixels while
//   that block would lie before the first);
// - its last pixel, s + 512 (h - 1) + w - 1, has not been written yet.
// The sum of block s is then a few multiplications, whatever the block size.
// Pixel s keeps M(s) to the end, and a pixel past the area keeps the mean of
// the last block that reached it.
void SmearBlur(uint32_t *buffer, const uint32_t *end, uint32_t blockWidth, uint32_t blockHeight) {
    const int64_t reach = end - buffer;
    if (blockWidth == 0 || blockHeight == 0 || reach < AREA_PIXELS) return;
    const int64_t w = blockWidth, h = blockHeight;
    const Divider div = MakeDivider(uint64_t(w) * uint64_t(h));
    const int64_t lastPixel = (h - 1) * AREA_WIDTH + w - 1; // offset of a block's last pixel
    const bool narrow = w <= AREA_WIDTH;
    uint32_t mean = MeanColour(SumSpanBlock(buffer, reach, 0, w, h), div);
    buffer[0] = mean;
    for (int64_t s = 1; s < AREA_PIXELS; s++) {
        const int64_t room = reach - s; // pixels from s to the end of the holding array
        const bool whole = lastPixel < room;
        ChannelSums sum{};
        if (whole) AddPixel(sum, buffer[s + lastPixel]);
        if (!narrow) {
            AddPixel(sum, mean, uint64_t(PairsInside(room, w, h) - whole));
        } else {
            AddPixel(sum, mean, uint64_t(whole ? h * (w - 1) : PairsInside(room, w - 1, h)));
            const int64_t above = s + w - 1 - AREA_WIDTH; // block that wrote the last column
            if (h > 1 && above >= 0) {
                const int64_t held = whole       ? h - 1
                                     : room >= w ? std::min(h - 1, (room - w) / AREA_WIDTH + 1)
                                                 : 0;
                AddPixel(sum, buffer[above], uint64_t(held));
            } else if (h > 1) {
                for (int64_t dy = 0, i = s + w - 1; dy < h - 1 && i < reach;
                     dy++, i += AREA_WIDTH) {
                    AddPixel(sum, buffer[i]);
                }
            }
        }
        mean = MeanColour(sum, div);
        buffer[s] = mean;
    }
    // Past the area: pixel j keeps the mean of the last block s <= 131071 that
    // covers it, found with the smallest row offset dy that reaches it.
    for (int64_t j = AREA_PIXELS; j < reach; j++) {
        const int64_t over = j - (AREA_PIXELS - 1);
        const int64_t dy = over < w ? 0 : (over - w) / AREA_WIDTH + 1;
        if (dy >= h) break;
        buffer[j] = buffer[std::min<int64_t>(j - dy * AREA_WIDTH, AREA_PIXELS - 1)];
    }
}

void Average2x2(uint32_t *buffer, int32_t x, int32_t y, uint32_t a, uint32_t b, uint32_t c,
                uint32_t d) {
    const uint32_t red =
        (((a >> 16) & 0xFF) + ((b >> 16) & 0xFF) + ((c >> 16) & 0xFF) + ((d >> 16) & 0xFF)) >> 2;
    const uint32_t green =
        (((a >> 8) & 0xFF) + ((b >> 8) & 0xFF) + ((c >> 8) & 0xFF) + ((d >> 8) & 0xFF)) >> 2;
    const uint32_t blue = ((a & 0xFF) + (b & 0xFF) + (c & 0xFF) + (d & 0xFF)) >> 2;
    const uint32_t mean = red << 16 | green << 8 | blue;
    uint32_t *p = buffer + int64_t(y) * AREA_WIDTH + x;
    p[0] = p[1] = p[AREA_WIDTH] = p[AREA_WIDTH + 1] = mean;
}

void Average2x2Blocks(uint32_t *buffer) {
    // Per channel sums of the two rows in 16-bit fields of a lane (blue and
    // red, and green alone), then the neighbouring lane added: both pixels of a
    // pair get the block's sum, at most 1020, which >> 2 turns into the mean.
    for (int32_t y = 0; y < AREA_HEIGHT; y += 2) {
        uint32_t *top = buffer + y * AREA_WIDTH, *bottom = top + AREA_WIDTH;
        for (int32_t x = 0; x < AREA_WIDTH; x += PX_LANES) {
            const PxV p = LoadPx(top + x), q = LoadPx(bottom + x);
            const PxV rb = (p & 0xFF00FF) + (q & 0xFF00FF);
            const PxV g = ((p >> 8) & 0xFF) + ((q >> 8) & 0xFF);
            const PxV rb4 = rb + __builtin_shufflevector(rb, rb, PX_PAIRS_SWAPPED);
            const PxV g4 = g + __builtin_shufflevector(g, g, PX_PAIRS_SWAPPED);
            const PxV mean = ((rb4 >> 2) & 0xFF00FF) | (g4 >> 2) << 8;
            StorePx(top + x, mean);
            StorePx(bottom + x, mean);
        }
    }
}

} // namespace RASTER2D_VARIANT
