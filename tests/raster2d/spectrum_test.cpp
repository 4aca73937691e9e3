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

// Draws bars for the given values of spectrum[0..] into a guarded cleared
// area and gives the rows of column x that hold the bar colour, as "first-last".
struct Bars {
    std::vector<float> spectrum = std::vector<float>(100, 0.0f);
    std::vector<uint32_t> p;
    Bars(std::initializer_list<std::pair<int, float>> values) {
        for (auto [j, v] : values) spectrum[j] = v;
        ref::Guarded area(AREA_PIXELS);
        std::fill(area.data(), area.data() + AREA_PIXELS, 0u);
        DrawSpectrumBars(area.data(), spectrum.data(), kBar);
        EXPECT_TRUE(area.MarginsIntact());
        p = area.Held();
    }
    std::string Rows(int x) const {
        int first = -1, last = -1;
        for (int y = 0; y < 256; y++) {
            if (p[y * 512 + x] != kBar) continue;
            if (last >= 0 && y != last + 1) return "gap";
            first = first < 0 ? y : first, last = y;
        }
        return first < 0 ? "" : std::to_string(first) + "-" + std::to_string(last);
    }
};

TEST(DrawSpectrumBars, DocumentedHeightsAndWrap) {
    const Bars silence({});
    EXPECT_EQ(std::count(silence.p.begin(), silence.p.end(), kBar), 0);
    EXPECT_EQ(Bars({{0, 0.01f}}).Rows(9), "254-255"); // row 256 lies outside
    EXPECT_EQ(Bars({{0, 0.25f}}).Rows(0), "182-255");
    EXPECT_EQ(Bars({{0, 5.0f}}).Rows(4), "0-255"); // cut at row 0
    const Bars bar60({{60, 0.25f}});               // columns 600-609: 88-97 a row down
    EXPECT_EQ(bar60.Rows(88) + " " + bar60.Rows(97), "183-255 183-255");
    EXPECT_EQ(bar60.Rows(87) + bar60.Rows(98), "");
    const Bars bar51({{51, 0.25f}}); // columns 510-511, then 0-7 of the row below
    EXPECT_EQ(bar51.Rows(510) + " " + bar51.Rows(511), "182-255 182-255");
    EXPECT_EQ(bar51.Rows(0) + " " + bar51.Rows(7), "183-255 183-255");
    EXPECT_EQ(bar51.Rows(8), "");
    // Infinite heights fill the column; -inf, NaN and huge negatives draw nothing.
    const float inf = std::numeric_limits<float>::infinity();
    const Bars wild({{0, inf}, {1, -inf}, {2, std::nanf("")}, {3, -1e30f}});
    EXPECT_EQ(wild.Rows(0) + " " + wild.Rows(10) + wild.Rows(20) + wild.Rows(30), "0-255 ");
}

TEST(DrawSpectrumBars, MatchesPlainRowWalk) {
    std::mt19937 rng(5);
    for (int round = 0; round < 20; round++) {
        // Heights on and next to whole rows, where the rounding decides.
        std::vector<float> spectrum(100);
        for (float &v : spectrum) {
            const float k = float(rng() % 320) / 300.0f;
            v = rng() % 2 ? k : std::nextafter(k, rng() % 2 ? 2.0f : -1.0f);
        }
        std::vector<uint32_t> want(AREA_PIXELS, 0), got = want;
        for (int j = 0; j < 100; j++) {
            volatile float height = 300.0f * spectrum[j]; // rounded once, a float product
            for (int r = 256; r >= -2 && float(r) > 256.0f - height; r--) {
                for (int i = r * 512 + 10 * j; i < r * 512 + 10 * j + 10; i++) {
                    if (i >= 0 && i < AREA_PIXELS) want[i] = kBar;
                }
            }
        }
        DrawSpectrumBars(got.data(), spectrum.data(), kBar);
        ASSERT_TRUE(got == want) << "round " << round;
    }
}

TEST(DrawSpectrumLines, AddsToComputedRows) {
    // s = 0 puts both lines of every k on row 128: 30 additions. At the float
    // peak of sin(10 s) the lines land on rows 0 and 255 (the closest float
    // to pi / 2 keeps the sum below 256); NaN is skipped.
    std::vector<float> zero(30, 0.0f), peak(30, std::nanf(""));
    peak[0] = peak[1] = float(M_PI / 20);
    peak[2] = 0.05f; // row trunc(128 - sin(0.5) * 128) = 66
    std::vector<uint32_t> p(AREA_PIXELS, 0), q = p;
    DrawSpectrumLines(p.data(), zero.data());
    DrawSpectrumLines(q.data(), peak.data());
    EXPECT_EQ(p[128 * 512 + 7], uint32_t(30u * 0xAAAAAAu));
    EXPECT_EQ(std::count(p.begin(), p.end(), 0u), AREA_PIXELS - 512);
    for (int row : {0, 255, 66}) EXPECT_EQ(q[row * 512 + 100], 0xAAAAAAu) << row;
    EXPECT_EQ(std::count(q.begin(), q.end(), 0xAAAAAAu), 3 * 512);
}

} // namespace
