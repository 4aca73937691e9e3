// Pixelate, SmearBlur, Blur2x2 and the 2 x 2 means: the documented numbers,
// and the fast kernels against the plain ones on random pixels in every kind
// of holding array, with the bytes around the array checked after each call.
#include <gtest/gtest.h>

#include <cstdio>

#include "raster2d/raster2d.h"
#include "raster2d/reference.h"

namespace {

// Where an area lies in the array that holds it.
struct Holding {
    const char *name;
    int64_t size;   // pixels in the holding array
    int64_t offset; // the area's first pixel
};

const Holding kHoldings[] = {
    {"512 x 256 array", AREA_PIXELS, 0},
    {"view in the render buffer", 196608, 32768},
    {"array ending inside row 256", AREA_PIXELS + 300, 0},
    {"render buffer", 196608, 0},
    {"array ending after pixel (0, 257)", AREA_PIXELS + 513, 0},
};

std::string FirstDifference(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want) {
    for (size_t i = 0; i < got.size(); i++) {
        if (got[i] != want[i]) {
            char text[96];
            std::snprintf(text, sizeof text, "pixel %zu (%zu, %zu): 0x%08X, expected 0x%08X", i,
                          i % 512, i / 512, got[i], want[i]);
            return text;
        }
    }
    return "";
}

// Runs fast on a random guarded holding array and reference on a copy, and
// expects the same pixels everywhere in the array and nothing touched outside.
template <class Fast, class Ref>
void ExpectMatchesReference(const Holding &hold, uint32_t seed, Fast fast, Ref reference) {
    SCOPED_TRACE(hold.name);
    ref::Guarded guarded(hold.size, seed);
    std::vector<uint32_t> want = guarded.Held();
    reference(ref::Held{want.data() + hold.offset, hold.size - hold.offset});
    fast(guarded.data() + hold.offset, guarded.end());
    EXPECT_EQ(FirstDifference(guarded.Held(), want), "");
    EXPECT_TRUE(guarded.MarginsIntact()) << "wrote outside the holding array";
}

std::vector<uint32_t> Area(uint32_t fill = 0) {
    return std::vector<uint32_t>(AREA_PIXELS, fill);
}

TEST(Pixelate, DocumentedBlocks) {
    // 1 x 1 only clears bits 24-31.
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 3), want = p;
    for (uint32_t &q : want) q &= 0xFFFFFF;
    Pixelate(p.data(), p.data() + p.size(), 1, 1);
    EXPECT_EQ(p, want);

    // 2 x 2 of three black pixels and one 0x0000FF: 255 / 4.
    p = Area();
    p[513] = 0x0000FF;
    Pixelate(p.data(), p.data() + p.size(), 2, 2);
    EXPECT_EQ(p[0], 0x00003Fu);
    EXPECT_EQ(p[1], 0x00003Fu);
    EXPECT_EQ(p[512], 0x00003Fu);
    EXPECT_EQ(p[513], 0x00003Fu);
    EXPECT_EQ(p[2], 0u);

    // A 400 x 200 block hanging below a white 512 x 256 array counts the 144
    // missing rows as black: 255 * 56 / 200.
    p = Area(0xFFFFFF);
    const Image image{512, 256, p.data()};
    Pixelate(image.pixels, ImageEnd(&image), 400, 200);
    EXPECT_EQ(p[0], 0xFFFFFFu);
    EXPECT_EQ(p[200 * 512], 0x474747u);
    EXPECT_EQ(p[AREA_PIXELS - 1], p[200 * 512 + 511]);

    // A size of 0 changes nothing.
    p = ref::RandomPixels(AREA_PIXELS, 4), want = p;
    Pixelate(p.data(), p.data() + p.size(), 0, 5);
    Pixelate(p.data(), p.data() + p.size(), 5, 0);
    EXPECT_EQ(p, want);
}

// A block operation against its plain loop, for every size in the first
// `holdings` kinds of holding array.
template <size_t N>
void ExpectBlockOpMatches(const uint32_t (&sizes)[N][2], uint32_t seed, size_t holdings,
                          void (*fast)(uint32_t *, const uint32_t *, uint32_t, uint32_t),
                          void (*reference)(ref::Held, uint32_t, uint32_t)) {
    for (size_t h = 0; h < holdings; h++) {
        const Holding &hold = kHoldings[h];
        for (const auto &size : sizes) {
            SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
            ExpectMatchesReference(
                hold, seed++,
                [&](uint32_t *p, const uint32_t *end) { fast(p, end, size[0], size[1]); },
                [&](ref::Held b) { reference(b, size[0], size[1]); });
        }
    }
}

TEST(Pixelate, MatchesPlainLoopInEveryHolding) {
    // Sizes the timeline makes (Part One's tall columns, Part Six's 400 x 200,
    // the n x n pulses) and ones that wrap rows, are wider than a row, or cut
    // the holding array's end.
    const uint32_t sizes[][2] = {{1, 1},     {2, 2},   {3, 5},   {7, 1},   {1, 7},   {1, 401},
                                 {400, 200}, {11, 11}, {600, 3}, {512, 1}, {5, 300}, {13, 37}};
    ExpectBlockOpMatches(sizes, 10, std::size(kHoldings), Pixelate, ref::Pixelate);
}

TEST(SmearBlur, MatchesPlainLoopInEveryHolding) {
    // Narrow blocks (the last column was written one row up, or not at all in
    // the first row), blocks wider than a row, and blocks that hang past the
    // end. The plain loop is slow, so three kinds of holding array.
    const uint32_t sizes[][2] = {{1, 1}, {3, 2},   {2, 3},   {1, 9},
                                 {6, 5}, {512, 1}, {513, 1}, {1, 70}};
    ExpectBlockOpMatches(sizes, 100, 3, SmearBlur, ref::SmearBlur);
}

TEST(Blur2x2, SingleWhitePixelSmearsRightAndDown) {
    std::vector<uint32_t> p = Area();
    p[10 * 512 + 10] = 0xFFFFFF;
    Blur2x2(p.data(), p.data() + p.size());
    EXPECT_EQ(p[9 * 512 + 9], 0x3F3F3Fu);
    EXPECT_EQ(p[9 * 512 + 10], 0x1F1F1Fu);
    EXPECT_EQ(p[10 * 512 + 10], 0x0B0B0Bu);
    EXPECT_EQ(p[10 * 512 + 8], 0x0F0F0Fu);
    for (int y = 0; y < 256; y++) {
        for (int x = 0; x < 512; x++) {
            if (p[y * 512 + x] == 0) continue;
            EXPECT_TRUE(y >= 9 && y <= 12 && x >= 7 && x <= 14) << x << ", " << y;
        }
    }
}

TEST(Blur2x2, MatchesPlainLoopInEveryHolding) {
    uint32_t seed = 200;
    for (const Holding &hold : kHoldings) {
        for (int pass = 0; pass < 2; pass++) {
            ExpectMatchesReference(
                hold, seed++, [](uint32_t *p, const uint32_t *end) { Blur2x2(p, end); },
                [](ref::Held b) { ref::Blur2x2(b); });
        }
    }
}

TEST(Blur2x2, ArrayShorterThanTheAreaIsLeftAlone) {
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 5), want = p;
    Blur2x2(p.data(), p.data() + AREA_PIXELS - 1);
    Pixelate(p.data(), p.data() + AREA_PIXELS - 1, 3, 3);
    SmearBlur(p.data(), p.data() + AREA_PIXELS - 1, 3, 3);
    EXPECT_EQ(p, want);
}

TEST(TwoByTwo, BlockMeansAndSingleBlock) {
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 6), want = p;
    for (int y = 0; y < 256; y += 2) {
        for (int x = 0; x < 512; x += 2) {
            const int i = y * 512 + x;
            ref::Held b{want.data(), AREA_PIXELS};
            ref::BlockMean(b, i, 2, 2, true);
        }
    }
    Average2x2Blocks(p.data());
    EXPECT_EQ(FirstDifference(p, want), "");

    p = Area(0x12345678);
    Average2x2(p.data(), 511, 3, 0xFF000000, 0x000400FF, 0x00FF0008, 0x00FF00FF);
    EXPECT_EQ(p[3 * 512 + 511], 0x00800081u); // top bytes ignored, each channel sum >> 2
    EXPECT_EQ(p[4 * 512], 0x00800081u);       // (x + 1) wraps to the next row's first pixel
    EXPECT_EQ(p[4 * 512 + 511], 0x00800081u);
    EXPECT_EQ(p[5 * 512], 0x00800081u);
    EXPECT_EQ(p[3 * 512 + 510], 0x12345678u);
}

TEST(FillLeftFromColumn, CopiesColumnWithoutTopByte) {
    std::vector<uint32_t> p = ref::RandomPixels(AREA_PIXELS, 7), before = p;
    FillLeftFromColumn(p.data(), 5);
    for (int y = 0; y < 256; y++) {
        for (int x = 0; x < 5; x++) ASSERT_EQ(p[y * 512 + x], before[y * 512 + 5] & 0xFFFFFF);
        for (int x = 5; x < 512; x++) ASSERT_EQ(p[y * 512 + x], before[y * 512 + x]);
    }
    p = before;
    FillLeftFromColumn(p.data(), 0);
    EXPECT_EQ(p, before);
    FillLeftFromColumn(p.data(), 100000); // taken as 511: the row stays inside itself
    EXPECT_EQ(p[255 * 512], before[255 * 512 + 511] & 0xFFFFFF);
    EXPECT_EQ(p[255 * 512 + 511], before[255 * 512 + 511]);
}

} // namespace
