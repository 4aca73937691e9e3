// Blur2x2, the scan-order 2 x 2 smear, as one serial chain of short steps.
//
// Step (x, y) reads p[i], p[i + 1], p[i + 512] and p[i + 513] as the earlier
// steps left them and writes their mean to all four. Following the writes:
// p[i] and p[i + 512] both hold the previous step's mean (except at the very
// first step); p[i + 1] holds what row y - 1's pass left in row y, which is
// row y - 1's final value at column x + 1 (row 0 itself when y = 0); p[i + 513]
// is still the original pixel. At x = 511 the right-hand pair is column 0 of
// rows y + 1 and y + 2: the first holds step (0, y)'s mean, the second is original.
// Per channel, with A(x, y) the mean of step (x, y):
//
//   A(x, y)   = (2 A(x - 1, y) + K(x, y)) >> 2, A(-1, y) = A(511, y - 1)
//   K(x, y)   = final(x + 1, y - 1) + original(x + 1, y + 1)    x < 511
//   K(511, y) = A(0, y) + original(0, y + 2)
//
// and row y ends as A(0..511, y). The pass also leaves row 256 as A(511, 255),
// A(1..511, 255) and pixel (0, 257) as A(511, 255). Where the holding array
// ends before the whole of row 256 (any 512 x 256 array), the writes to row
// 256 are dropped and row 255 reads black there instead: that row runs apart.
//
// Every step waits for the one before, 131072 in a row, so the work is to make
// each step short. The three channels sit 16 bits apart in one 64-bit word
// (blue, green, red at bits 0, 16 and 32) and one add serves all three; four
// steps are fused. With U0 = 2 A + K0, step k's mean is Uk >> (k + 2) where
//
//   Uk = (U(k-1) with the low k + 1 bits of each channel cleared) + 2^k Kk,
//
// because 2 A(k - 1) + Kk is exactly Uk / 2^k. A step is then one AND and one
// ADD, K arriving pre-scaled. A channel field stays below 2^(k + 10) <= 2^13,
// so nothing carries into the next channel. Everything else (shifting the
// means out, storing them, making the next row's K from them) is vector work
// off the chain, done group by group while the chain runs on.
#include <algorithm>
#include <cstring>

#include "raster2d/kernels.h"
#include "raster2d/pixelvec.h"

namespace RASTER2D_VARIANT {

namespace {

typedef uint64_t Wide4 __attribute__((vector_size(32)));  // Four spread pixels
typedef uint16_t Word16 __attribute__((vector_size(32))); // Their channels
typedef uint8_t Byte16 __attribute__((vector_size(16)));  // Four pixels' bytes

constexpr uint64_t kChannelMask = 0x000000FF00FF00FFull; // an 8-bit value in each field
constexpr uint64_t kFieldOnes = 0x0000000100010001ull;   // 1 in each field

// A pixel with its channels spread 16 bits apart, bits 24-31 dropped.
inline uint64_t Spread(uint32_t p) {
    return (p & 0xFF) | uint64_t(p & 0xFF00) << 8 | uint64_t(p & 0xFF0000) << 16;
}

// The pixel of a spread value whose fields are below 256.
inline uint32_t Gather(uint64_t a) {
    return uint32_t((a & 0xFF) | (a >> 8 & 0xFF00) | (a >> 16 & 0xFF0000));
}

// Four pixels spread: the bytes widened to 16 bits are exactly the fields.
inline Wide4 Spread4(const uint32_t *p) {
    Byte16 bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return Wide4(__builtin_convertvector(bytes, Word16)) & kChannelMask;
}

// Stores four spread values at p as pixels.
inline void Gather4(uint32_t *p, Wide4 a) {
    const Byte16 bytes = __builtin_convertvector(Word16(a), Byte16);
    std::memcpy(p, &bytes, sizeof bytes);
}

// Pixels of an array from index `from` on, n of them, as a pointer into the
// array or, where the array ends first, into a copy that reads 0 past its end.
const uint32_t *HeldPixels(const uint32_t *buffer, int64_t reach, int64_t from, int64_t n,
                           uint32_t *copy) {
    if (from + n <= reach) return buffer + from;
    const int64_t held = std::clamp<int64_t>(reach - from, 0, n);
    if (held > 0) std::memcpy(copy, buffer + from, size_t(held) * 4);
    std::memset(copy + held, 0, size_t(n - held) * 4);
    return copy;
}

// K(x, y) << (x & 3) of a row at k[x + 1]; k[0] is scratch.
typedef uint64_t RowK[AREA_WIDTH + 1];

// K(x, 0) from the original rows 0, 1 and 2: row 0 stands in for the final
// row above it, and the first step adds the two pixels of column 0.
void FirstRowK(const uint32_t *row0, const uint32_t *below, const uint32_t *twoBelow, RowK k) {
    const Wide4 scaleUp = {0, 1, 2, 3};
    for (int32_t x = 0; x < AREA_WIDTH; x += 4) {
        const Wide4 v = (Spread4(row0 + x + 1) + Spread4(below + x + 1)) << scaleUp;
        std::memcpy(k + x + 1, &v, sizeof v);
    }
    k[1] += Spread(row0[0]) + Spread(below[0]);
    k[AREA_WIDTH] = Spread(twoBelow[0]) << 3; // A(0, 0) << 3 joins in BlurRow
}

// One row of the chain, from A(511, y - 1) in a and K(x, y) in k. Writes the
// row's means into row and, from them and twoBelow (the 513 original pixels
// from (0, y + 2)), K(x, y + 1) into kNext.
//
// Each group of four steps is followed by vector work of its own, which the
// processor runs while the next group's chain is under way: the four means
// are shifted out and stored, and they make K(x - 1 .. x + 2, y + 1).
struct RowChain {
    uint32_t *row;
    uint64_t *k;              // K(x, y) << (x & 3) at k[x + 1]; k[0] is scratch
    const uint32_t *twoBelow; // 513 original pixels from (0, y + 2)
    uint64_t *kNext;          // K(x, y + 1) << (x & 3) goes to kNext[x + 1]
    uint64_t a;               // A(x - 1, y): per channel, 16 bits apart

    // Steps x .. x + 3 (x a multiple of 4); returns U0.
    __attribute__((always_inline)) uint64_t Steps(int32_t x) {
        const Wide4 scaleDown = {2, 3, 4, 5}, scaleNext = {3, 0, 1, 2};
        const uint64_t *kx = k + 1; // K(x, y) at kx[x]
        const uint64_t u0 = 2 * a + kx[x];
        const uint64_t u1 = (u0 & ~(3 * kFieldOnes)) + kx[x + 1];
        const uint64_t u2 = (u1 & ~(7 * kFieldOnes)) + kx[x + 2];
        const uint64_t u3 = (u2 & ~(15 * kFieldOnes)) + kx[x + 3];
        a = (u3 >> 5) & kChannelMask;
        const Wide4 means = (Wide4{u0, u1, u2, u3} >> scaleDown) & kChannelMask;
        Gather4(row + x, means);
        // kNext[x + j] holds K(x - 1 + j, y + 1); for x = 0, kNext[0] is scratch.
        const Wide4 next = (means + Spread4(twoBelow + x)) << scaleNext;
        std::memcpy(kNext + x, &next, sizeof next);
        return u0;
    }

    // The first group, with K(511, y) = A(0, y) + original (0, y + 2) made from it.
    __attribute__((always_inline)) void First() {
        const uint64_t firstMean = (Steps(0) >> 2) & kChannelMask;
        k[AREA_WIDTH] += firstMean << 3;
    }

    // After the last group: K(511, y + 1)'s original part, (0, y + 3).
    __attribute__((always_inline)) void Last() {
        kNext[AREA_WIDTH] = Spread(twoBelow[AREA_WIDTH]) << 3;
    }
};

// One row of one chain; leaves A(511, y) in c.a.
// The chain works on a copy, so its value stays in a register between steps.
void BlurRow(RowChain &chain) {
    RowChain c = chain;
    c.First();
    for (int32_t x = 4; x < AREA_WIDTH; x += 4) c.Steps(x);
    c.Last();
    chain.a = c.a;
}

// One row of each of two independent chains, group by group side by side:
// each chain waits on its own steps only, so the processor runs the two at
// once and the pair costs little more than one row alone.
void BlurRowPair(RowChain &first, RowChain &second) {
    RowChain c = first, d = second;
    c.First();
    d.First();
    for (int32_t x = 4; x < AREA_WIDTH; x += 4) {
        c.Steps(x);
        d.Steps(x);
    }
    c.Last();
    d.Last();
    first.a = c.a;
    second.a = d.a;
}

// Row 255 of an array that ends before the whole of row 256: the previous
// step's mean reaches p[i + 512] only where row 256 is held, so past that
// point a step weighs it once, not twice. Plain steps; one row of them.
uint64_t BlurCutRow(uint32_t *row, const uint32_t *above, const uint32_t *below, uint64_t a,
                    int64_t held) {
    uint64_t first = 0; // A(0, y), what step (0, y) left at column 0 of row 256
    for (int32_t x = 0; x < AREA_WIDTH; x++) {
        const uint64_t right = x < AREA_WIDTH - 1 ? Spread(above[x]) : held > 0 ? first : 0;
        const uint64_t under = x < held ? a : 0;
        a = ((a + under + right + Spread(below[x])) >> 2) & kChannelMask;
        if (x == 0) first = a;
        row[x] = Gather(a);
    }
    return a;
}

// One pass over an array: its K rows, its copies of the rows below the area
// and the chain's value between rows.
struct BlurPass {
    uint32_t *buffer;
    int64_t reach;                                  // Pixels held from buffer on, >= AREA_PIXELS
    alignas(32) uint32_t copies[2][AREA_WIDTH + 1]; // Rows below the area, or what is left of them
    alignas(32) RowK k[2];                          // K of the current row and of the next
    uint64_t a;                                     // A(511, y - 1)
};

// K(x, 0) from the array as it is now.
void StartPass(BlurPass &p, uint32_t *buffer, int64_t reach) {
    p.buffer = buffer;
    p.reach = reach;
    p.a = 0;
    FirstRowK(buffer, buffer + AREA_WIDTH,
              HeldPixels(buffer, reach, 2 * AREA_WIDTH, 1, p.copies[0]), p.k[0]);
}

// The chain of row y (any row but a cut row 255); the rows below are read
// (or copied) as the array holds them now.
RowChain PassRow(BlurPass &p, int32_t y) {
    const uint32_t *twoBelow =
        HeldPixels(p.buffer, p.reach, int64_t(y + 2) * AREA_WIDTH, AREA_WIDTH + 1, p.copies[y & 1]);
    return RowChain{p.buffer + y * AREA_WIDTH, p.k[y & 1], twoBelow, p.k[(y + 1) & 1], p.a};
}

// Row y of the pass alone (any row but a cut row 255).
void BlurPassRow(BlurPass &p, int32_t y) {
    RowChain c = PassRow(p, y);
    BlurRow(c);
    p.a = c.a;
}

// Row 256 and pixel (0, 257), where the holding array has them.
void FinishPass(BlurPass &p) {
    const int64_t held256 = p.reach - AREA_PIXELS; // pixels of row 256 on
    if (held256 <= 0) return;
    uint32_t *next = p.buffer + AREA_PIXELS;
    next[0] = Gather(p.a);
    const int64_t n = std::min<int64_t>(held256, AREA_WIDTH);
    std::memcpy(next + 1, next - AREA_WIDTH + 1, size_t(n - 1) * 4);
    if (held256 > AREA_WIDTH) next[AREA_WIDTH] = Gather(p.a);
}

} // namespace

void Blur2x2(uint32_t *buffer, const uint32_t *end) {
    const int64_t reach = end - buffer;
    if (reach < AREA_PIXELS) return;
    BlurPass p;
    StartPass(p, buffer, reach);
    const int64_t held256 = reach - AREA_PIXELS; // pixels of row 256 on
    for (int32_t y = 0; y < AREA_HEIGHT; y++) {
        if (y == AREA_HEIGHT - 1 && held256 < AREA_WIDTH) {
            uint32_t *row = buffer + y * AREA_WIDTH;
            const uint32_t *below =
                HeldPixels(buffer, reach, AREA_PIXELS + 1, AREA_WIDTH, p.copies[0]);
            p.a = BlurCutRow(row, row - AREA_WIDTH + 1, below, p.a, held256);
            break;
        }
        BlurPassRow(p, y);
    }
    FinishPass(p);
}

// The second pass reads row y + 2 and pixel (0, y + 3) as the first pass
// leaves them, so it runs four rows behind the first, one row of each at a
// time: the rows it reads are then finished, and the first pass still reads
// rows the second has not reached. Row 256 comes from the first pass's end
// before the second pass reads it (its rows 254 and 255).
void Blur2x2Twice(uint32_t *buffer, const uint32_t *end) {
    const int64_t reach = end - buffer;
    if (reach < AREA_PIXELS + AREA_WIDTH) { // a cut row 255: one pass after the other
        Blur2x2(buffer, end);
        Blur2x2(buffer, end);
        return;
    }
    constexpr int32_t lag = 4; // Rows between the passes
    BlurPass first, second;
    StartPass(first, buffer, reach);
    for (int32_t y = 0; y < lag; y++) BlurPassRow(first, y);
    StartPass(second, buffer, reach);
    for (int32_t y = 0; y + lag < AREA_HEIGHT; y++) {
        RowChain c = PassRow(second, y), d = PassRow(first, y + lag);
        BlurRowPair(c, d);
        second.a = c.a;
        first.a = d.a;
    }
    FinishPass(first);
    for (int32_t y = AREA_HEIGHT - lag; y < AREA_HEIGHT; y++) BlurPassRow(second, y);
    FinishPass(second);
}

} // namespace RASTER2D_VARIANT
