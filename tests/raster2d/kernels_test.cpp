// The two builds of the pixel loops: GF_RASTER2D_KERNELS=plain makes this
// whole program test the baseline build (ctest runs it both ways), and the
// builds must give the same pixels on the same random buffers.
#include "raster2d/kernels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

const int kView = 512 * 384; // A render buffer: the area and the band below it

// Chosen after every static initialiser has run, so the program's own
// choice at start-up cannot override it.
class KernelChoice : public testing::Environment {
  public:
    void SetUp() override {
        const char *k = getenv("GF_RASTER2D_KERNELS");
        if (k && strcmp(k, "plain") == 0) SelectRaster2dKernels(0);
    }
};
const testing::Environment *const choice = testing::AddGlobalTestEnvironment(new KernelChoice);

// Restores the build the program was testing when a test is done.
struct KeepKernels {
    int avx2 = UsingAvx2Kernels();
    ~KeepKernels() { SelectRaster2dKernels(avx2); }
};

} // namespace

TEST(Raster2dKernels, AtStartUpTheCpusBestBuildIsInUseAndPlainCanBeForced) {
    KeepKernels keep;
    const char *k = getenv("GF_RASTER2D_KERNELS");
    const bool forcedPlain = k && strcmp(k, "plain") == 0;
    EXPECT_EQ(keep.avx2, forcedPlain ? 0 : (GF_KERNELS_AVX2 && __builtin_cpu_supports("avx2")));
    EXPECT_EQ(SelectRaster2dKernels(0), 0);
}

// Every kernel of both builds on the same random buffers, black and the
// 0xFFFFFF key pixels mixed in so the masks take both ways.
TEST(Raster2dKernels, BothBuildsGiveTheSamePixels) {
    KeepKernels keep;
    if (!SelectRaster2dKernels(1)) GTEST_SKIP() << "no AVX2 build or no AVX2 on this CPU";
    std::mt19937 rng(12);
    auto randomArea = [&](void) {
        std::vector<uint32_t> v(kView);
        for (uint32_t &p : v) {
            uint32_t r = rng();
            p = r % 7 == 0 ? 0 : r % 11 == 0 ? 0xFFFFFF : r % 13 == 0 ? 0xFF0000 : r & 0xFFFFFF;
        }
        return v;
    };
    Image image = {200, 100, nullptr};
    std::vector<uint32_t> picture = randomArea();
    image.pixels = picture.data();
    // Each step runs one kernel, then DrawImage and CopyToScreen, in both builds.
    const struct {
        const char *name;
        void (*run)(uint32_t *dst, uint32_t *src);
    } steps[] = {
        {"ComposeOverlay", [](uint32_t *d, uint32_t *s) { ComposeOverlay(d, d, s); }},
        {"CopyBelow", [](uint32_t *d, uint32_t *s) { CopyBelow(d, s, 0x808080); }},
        {"CopyAbove", [](uint32_t *d, uint32_t *s) { CopyAbove(d, s, 0x404040); }},
        {"CopyExceptKey", [](uint32_t *d, uint32_t *s) { CopyExceptKey(d, s, 0xFFFFFF); }},
        {"CopyExceptRedKey", [](uint32_t *d, uint32_t *s) { CopyExceptRedKey(d, s); }},
        {"CopyInvertEqual", [](uint32_t *d, uint32_t *s) { CopyInvertEqual(d, s); }},
        {"BlendByBlue", [](uint32_t *d, uint32_t *s) { BlendByBlue(d, s); }},
        {"CrossFade", [](uint32_t *d, uint32_t *s) { CrossFade(d, s, 77); }},
        {"SubtractFromGrey", [](uint32_t *d, uint32_t *s) { SubtractFromGrey(d, 200); }},
        {"InvertBuffer", [](uint32_t *d, uint32_t *s) { InvertBuffer(s); }},
        {"Binarize", [](uint32_t *d, uint32_t *s) { Binarize(s); }},
        {"RotateTopHalfDown", [](uint32_t *d, uint32_t *s) { RotateTopHalfDown(d); }},
        {"FillLeftFromColumn", [](uint32_t *d, uint32_t *s) { FillLeftFromColumn(d, 37); }},
        {"Pixelate", [](uint32_t *d, uint32_t *s) { Pixelate(d, d + AREA_PIXELS, 7, 5); }},
        {"SmearBlur", [](uint32_t *d, uint32_t *s) { SmearBlur(s, s + AREA_PIXELS, 3, 3); }},
        {"Blur2x2", [](uint32_t *d, uint32_t *s) { Blur2x2(d, d + kView); }},
        {"Blur2x2Twice", [](uint32_t *d, uint32_t *s) { Blur2x2Twice(d, d + kView); }},
        {"Average2x2Blocks", [](uint32_t *d, uint32_t *s) { Average2x2Blocks(s); }},
        {"CopyView", [](uint32_t *d, uint32_t *s) { CopyView(d, s); }},
    };
    std::vector<uint32_t> dst0 = randomArea(), src0 = randomArea();
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        std::vector<uint32_t> d[2] = {dst0, dst0}, s[2] = {src0, src0};
        std::vector<uint32_t> screen[2] = {std::vector<uint32_t>(640 * 480, 1),
                                           std::vector<uint32_t>(640 * 480, 1)};
        for (int b = 0; b < 2; b++) {
            SelectRaster2dKernels(b);
            step.run(d[b].data(), s[b].data());
            DrawImage(d[b].data(), d[b].data() + kView, 300, 200, &image);
            CopyToScreen(screen[b].data(), 64, 48, d[b].data());
        }
        EXPECT_TRUE(d[0] == d[1]);
        EXPECT_TRUE(s[0] == s[1]);
        EXPECT_TRUE(screen[0] == screen[1]);
        dst0 = d[0], src0 = s[0]; // The next kernel starts from what this one left
    }
}
