// Pixelate, SmearBlur, Blur2x2 and the 2 x 2 means: the documented numbers,
// and the fast kernels against the plain ones on random pixels in every kind
// of holding array, the margins around the array checked after each call.
#include <gtest/gtest.h>

#include "raster2d/raster2d.h"
#include "raster2d/reference.h"

namespace {

struct Holding {
    const char *name;
    int64_t size, offset; // pixels in the holding array; the area's first pixel
};

// In order of interest: the slow plain SmearBlur takes the first three.
const Holding kHoldings[] = {
    {"512 x 256 array", AREA_PIXELS, 0},
    {"view in the render buffer", 196608, 32768},
    {"array ending inside row 256", AREA_PIXELS + 300, 0},
    {"render buffer", 196608, 0},
    {"array ending after pixel (0, 257)", AREA_PIXELS + 513, 0},
    {"array ending with row 256", AREA_PIXELS + 512, 0},
    {"array ending inside row 257", AREA_PIXELS + 700, 0},
};

using Fast = void (*)(uint32_t *, const uint32_t *, uint32_t, uint32_t);
using Plain = void (*)(ref::Held, uint32_t, uint32_t);

// fast and plain on the same random holding arrays, for every size.
template <size_t N>
void ExpectMatches(Fast fast, Plain plain, const uint32_t (&sizes)[N][2], size_t holdings) {
    for (size_t h = 0; h < holdings; h++) {
        for (const auto &size : sizes) {
            const Holding &hold = kHoldings[h];
            SCOPED_TRACE(testing::Message() << hold.name << ", " << size[0] << " x " << size[1]);
            ref::Guarded guarded(hold.size, uint32_t(h * 100 + size[0] + size[1]));
            std::vector<uint32_t> want = guarded.Held();
            plain(ref::Held{want.data() + hold.offset, hold.size - hold.offset}, size[0], size[1]);
            fast(guarded.data() + hold.offset, guarded.end(), size[0], size[1]);
            EXPECT_TRUE(guarded.Held() == want);
            EXPECT_TRUE(guarded.MarginsIntact()) << "wrote outside the holding array";
        }
    }
}

void BlurFast(uint32_t *p, const uint32_t *end, uint32_t, uint32_t) {
    Blur2x2(p, end);
}
void BlurPlain(ref::Held b, uint32_t, uint32_t) {
    ref::Blur2x2(b);
}
void BlurTwiceFast(uint32_t *p, const uint32_t *end, uint32_t, uint32_t) {
    Blur2x2Twice(p, end);
}
void BlurTwicePlain(ref::Held b, uint32_t, uint32_t) {
    ref::Blur2x2(b);
    ref::Blur2x2(b);
}

std::vector<uint32_t> Area(uint32_t fill = 0) {
    return std::vector<uint32_t>(AREA_PIXELS, fill);
}

TEST(Pixelate, DocumentedBlocks) {
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 3), want = p;
    for (uint32_t &q : want) q &= 0xFFFFFF;
    Pixelate(p.data(), p.data() + p.size(), 1, 1); // only clears bits 24-31
    EXPECT_EQ(p, want);

    p = Area();
    p[513] = 0x0000FF; // three black pixels and 0xFF: 255 / 4 in all four
    Pixelate(p.data(), p.data() + p.size(), 2, 2);
    for (int i : {0, 1, 512, 513}) EXPECT_EQ(p[i], 0x00003Fu);
    EXPECT_EQ(p[2], 0u);

    // A 400 x 200 block hanging below a white 512 x 256 image counts its
    // 144 missing rows as black: 255 * 56 / 200.
    p = Area(0xFFFFFF);
    const Image image{512, 256, p.data()};
    Pixelate(image.pixels, ImageEnd(&image), 400, 200);
    EXPECT_EQ(p[0], 0xFFFFFFu);
    EXPECT_EQ(p[200 * 512], 0x474747u);

    // A size of 0, or an array that does not hold the area, changes nothing.
    p = want;
    Pixelate(p.data(), p.data() + p.size(), 0, 5);
    Pixelate(p.data(), p.data() + p.size(), 5, 0);
    Pixelate(p.data(), p.data() + p.size() - 1, 3, 3);
    SmearBlur(p.data(), p.data() + p.size() - 1, 3, 3);
    Blur2x2(p.data(), p.data() + p.size() - 1);
    EXPECT_EQ(p, want);
}

TEST(Pixelate, MatchesPlainLoop) {
    // The timeline's sizes (Part One's tall columns, Part Six's 400 x 200, the
    // n x n pulses) and sizes that wrap rows, exceed a row or cut the end.
    const uint32_t sizes[][2] = {{2, 2},   {3, 5},   {7, 1},   {1, 7},   {1, 401}, {400, 200},
                                 {11, 11}, {600, 3}, {512, 1}, {5, 300}, {13, 37}};
    ExpectMatches(Pixelate, ref::Pixelate, sizes, std::size(kHoldings));
}

TEST(SmearBlur, MatchesPlainLoop) {
    // Narrow blocks (their last column written one row up, or not yet in row
    // 0), blocks wider than a row, and blocks hanging past the end.
    const uint32_t sizes[][2] = {{1, 1}, {3, 2}, {2, 3}, {6, 5}, {512, 1}, {513, 1}, {1, 70}};
    ExpectMatches(SmearBlur, ref::SmearBlur, sizes, 3);
}

TEST(Blur2x2, SingleWhitePixelSmearsRightAndDown) {
    std::vector<uint32_t> p = Area();
    p[10 * 512 + 10] = 0xFFFFFF;
    Blur2x2(p.data(), p.data() + p.size());
    EXPECT_EQ(p[9 * 512 + 9], 0x3F3F3Fu);
    EXPECT_EQ(p[9 * 512 + 10], 0x1F1F1Fu);
    EXPECT_EQ(p[10 * 512 + 10], 0x0B0B0Bu);
    EXPECT_EQ(p[10 * 512 + 8], 0x0F0F0Fu);
    for (int i = 0; i < AREA_PIXELS; i++) {
        const int x = i % 512, y = i / 512;
        EXPECT_TRUE(p[i] == 0 || (y >= 9 && y <= 12 && x >= 7 && x <= 14)) << x << ", " << y;
    }
}

TEST(Blur2x2, MatchesPlainLoop) {
    const uint32_t runs[][2] = {{0, 0}, {1, 1}};
    ExpectMatches(BlurFast, BlurPlain, runs, std::size(kHoldings));
}

// The interleaved passes against two plain passes: the second pass must see
// each row, row 256 included, only once the first has finished it.
TEST(Blur2x2, TwiceMatchesTwoPlainPasses) {
    const uint32_t runs[][2] = {{0, 0}, {1, 1}};
    ExpectMatches(BlurTwiceFast, BlurTwicePlain, runs, std::size(kHoldings));
}

TEST(TwoByTwo, BlockMeansAndFill) {
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 6), want = p;
    for (int i = 0; i < AREA_PIXELS; i += i % 512 == 510 ? 514 : 2) {
        ref::BlockMean(ref::Held{want.data(), AREA_PIXELS}, i, 2, 2);
    }
    Average2x2Blocks(p.data());
    EXPECT_TRUE(p == want);

    p = Area(7);
    Average2x2(p.data(), 511, 3, 0xFF000000, 0x000400FF, 0x00FF0008, 0x00FF00FF);
    for (int i : {3 * 512 + 511, 4 * 512, 4 * 512 + 511, 5 * 512}) EXPECT_EQ(p[i], 0x00800081u);

    p = want = ref::RandomPixels(AREA_PIXELS, 7);
    FillLeftFromColumn(p.data(), 5);
    for (int i = 0; i < AREA_PIXELS; i++) {
        ASSERT_EQ(p[i], i % 512 < 5 ? want[i - i % 512 + 5] & 0xFFFFFF : want[i]) << i;
    }
    FillLeftFromColumn(p.data(), 100000); // taken as 511: rows stay apart
    EXPECT_EQ(p[255 * 512], want[255 * 512 + 511] & 0xFFFFFF);
}

} // namespace
