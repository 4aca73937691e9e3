// DrawSpectrumBars and DrawSpectrumLines: heights, the wrap past column 511,
// the clip at the area's edges, and values that are not sensible.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "raster2d/raster2d.h"
#include "raster2d/reference.h"

namespace {

const uint32_t kBar = 0x333333;

// Rows of column x (0-511) that hold colour, as "first-last" or "" when none.
std::string RowsOf(const std::vector<uint32_t> &p, int x, uint32_t colour = kBar) {
    int first = -1, last = -1;
    for (int y = 0; y < 256; y++) {
        if (p[y * 512 + x] != colour) continue;
        if (first < 0) first = y;
        if (last >= 0 && y != last + 1) return "gap";
        last = y;
    }
    return first < 0 ? "" : std::to_string(first) + "-" + std::to_string(last);
}

struct Bars {
    ref::Guarded area{AREA_PIXELS, 1};
    std::vector<float> spectrum = std::vector<float>(512, 0.0f);
    Bars() { std::fill(area.data(), area.data() + AREA_PIXELS, 0u); }
    std::vector<uint32_t> Draw() {
        DrawSpectrumBars(area.data(), spectrum.data(), kBar);
        EXPECT_TRUE(area.MarginsIntact());
        return area.Held();
    }
};

TEST(DrawSpectrumBars, HeightsStandOnTheBottomRow) {
    Bars bars;
    std::vector<uint32_t> p = bars.Draw();
    EXPECT_EQ(std::count(p.begin(), p.end(), kBar), 0); // silence draws nothing

    bars.spectrum[0] = 0.01f; // rows 256 down to 254: row 256 is outside
    p = bars.Draw();
    for (int x = 0; x < 10; x++) EXPECT_EQ(RowsOf(p, x), "254-255") << x;
    EXPECT_EQ(RowsOf(p, 10), "");

    bars.spectrum[0] = 0.25f;
    p = bars.Draw();
    EXPECT_EQ(RowsOf(p, 0), "182-255");
    EXPECT_EQ(RowsOf(p, 9), "182-255");

    bars.spectrum[0] = 5.0f; // cut at row 0
    p = bars.Draw();
    EXPECT_EQ(RowsOf(p, 4), "0-255");
}

TEST(DrawSpectrumBars, BarsPastColumn511WrapOneRowDown) {
    Bars bars;
    bars.spectrum[60] = 0.25f; // columns 600-609 are 88-97 one row down
    std::vector<uint32_t> p = bars.Draw();
    EXPECT_EQ(RowsOf(p, 88), "183-255");
    EXPECT_EQ(RowsOf(p, 97), "183-255");
    EXPECT_EQ(RowsOf(p, 87), "");
    EXPECT_EQ(RowsOf(p, 98), "");

    Bars wrap;
    wrap.spectrum[51] = 0.25f; // columns 510-511, then 0-7 of the row below
    p = wrap.Draw();
    EXPECT_EQ(RowsOf(p, 510), "182-255");
    EXPECT_EQ(RowsOf(p, 511), "182-255");
    EXPECT_EQ(RowsOf(p, 0), "183-255");
    EXPECT_EQ(RowsOf(p, 7), "183-255");
    EXPECT_EQ(RowsOf(p, 8), "");
}

TEST(DrawSpectrumBars, WildValuesStayInsideTheArea) {
    Bars bars;
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {inf, -inf, std::nanf(""), 1e30f, -1e30f, 0.5f};
    for (int j = 0; j < 6; j++) bars.spectrum[j] = values[j];
    const std::vector<uint32_t> p = bars.Draw(); // margins checked in Draw
    EXPECT_EQ(RowsOf(p, 0), "0-255");            // bar 0 is infinite: whole column
    EXPECT_EQ(RowsOf(p, 10), "");                // -inf, NaN and negative values draw nothing
    EXPECT_EQ(RowsOf(p, 20), "");
}

TEST(DrawSpectrumBars, MatchesPlainLoopOnRandomSpectra) {
    std::mt19937 rng(5);
    for (int round = 0; round < 20; round++) {
        std::vector<float> spectrum(100);
        for (float &v : spectrum) {
            // Heights on and next to whole rows, where the rounding decides.
            const float k = float(rng() % 320) / 300.0f;
            v = rng() % 2 ? k : std::nextafter(k, rng() % 2 ? 2.0f : -1.0f);
        }
        std::vector<uint32_t> want(AREA_PIXELS, 0), got = want;
        for (int j = 0; j < 100; j++) {
            volatile float height = 300.0f * spectrum[j]; // rounded once, as a float product
            for (int r = 256; r >= -2 && float(r) > 256.0f - height; r--) {
                for (int k = 0; k < 10; k++) {
                    const int i = r * 512 + 10 * j + k;
                    if (i >= 0 && i < AREA_PIXELS) want[i] = kBar;
                }
            }
        }
        DrawSpectrumBars(got.data(), spectrum.data(), kBar);
        ASSERT_EQ(got, want) << "round " << round;
    }
}

TEST(DrawSpectrumLines, AddsToComputedRows) {
    std::vector<float> s(30, 0.0f);
    // s = 0 puts both lines of every k on row 128: 30 additions of 0xAAAAAA.
    std::vector<uint32_t> p(AREA_PIXELS, 0);
    DrawSpectrumLines(p.data(), s.data());
    EXPECT_EQ(p[128 * 512 + 7], uint32_t(30u * 0xAAAAAAu));
    EXPECT_EQ(p[127 * 512 + 7], 0u);

    // sin(10 s) at its float peak: the lines land on rows 0 and 255 (the
    // closest float to pi / 2 keeps the sum just below 256); NaN is skipped.
    std::fill(p.begin(), p.end(), 0);
    std::fill(s.begin(), s.end(), std::nanf(""));
    s[0] = s[1] = float(M_PI / 20);
    s[2] = 0.05f; // row trunc(128 - sin(0.5) * 128) = 66
    DrawSpectrumLines(p.data(), s.data());
    EXPECT_EQ(p[0 * 512 + 511], 0xAAAAAAu);
    EXPECT_EQ(p[255 * 512 + 3], 0xAAAAAAu);
    EXPECT_EQ(p[66 * 512], 0xAAAAAAu);
    EXPECT_EQ(std::count(p.begin(), p.end(), 0xAAAAAAu), 3 * 512);
}

} // namespace
