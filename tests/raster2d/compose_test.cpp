// The compositing operations: every vector kernel against a per-pixel loop,
// the documented values, and DrawImage's and CopyToScreen's walks and clips.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "raster2d/raster2d.h"
#include "raster2d/reference.h"

namespace {

std::vector<uint32_t> Area(uint32_t fill = 0) {
    return std::vector<uint32_t>(AREA_PIXELS, fill);
}

TEST(AreaOps, VectorKernelsMatchPixelLoops) {
    struct Case {
        const char *name;
        std::function<void(uint32_t *, const uint32_t *)> fast;
        uint32_t (*plain)(uint32_t d, uint32_t s);
    };
    const Case cases[] = {
        {"CopyBelow", [](uint32_t *d, const uint32_t *s) { CopyBelow(d, s, 0xFFFFFF); },
         [](uint32_t d, uint32_t s) { return s < 0xFFFFFF ? s : d; }},
        {"CopyAbove", [](uint32_t *d, const uint32_t *s) { CopyAbove(d, s, 0x011112); },
         [](uint32_t d, uint32_t s) { return s > 0x011112 ? s : d; }},
        {"CopyExceptKey", [](uint32_t *d, const uint32_t *s) { CopyExceptKey(d, s, 0x123456); },
         [](uint32_t d, uint32_t s) { return s != 0x123456 ? s : d; }},
        {"CopyExceptRedKey", CopyExceptRedKey,
         [](uint32_t d, uint32_t s) {
             const bool key = (s >> 16 & 0xFF) > 17 && (s >> 8 & 0xFF) < 17 && (s & 0xFF) < 17;
             return key ? d : s;
         }},
        {"CopyInvertEqual", CopyInvertEqual,
         [](uint32_t d, uint32_t s) { return d == s ? 0xFFFFFF - s : s; }},
        {"ComposeOverlay", [](uint32_t *d, const uint32_t *s) { ComposeOverlay(d, d, s); },
         [](uint32_t d, uint32_t s) { return s != 0 ? s : d; }},
        {"BlendByBlue", BlendByBlue,
         [](uint32_t d, uint32_t s) { return s != 0 ? ref::Blend(s, d, s & 0xFF) : d; }},
        {"CrossFade 77", [](uint32_t *d, const uint32_t *s) { CrossFade(d, s, 77); },
         [](uint32_t d, uint32_t s) { return ref::Blend(s, d, 77); }},
    };
    // A share of src pixels repeat dst, or are a threshold, a key or white,
    // so that every kernel takes both of its ways.
    const uint32_t special[] = {0, 0xFFFFFF, 0x011112, 0x011113, 0xFF1010, 0x111010, 0x123456};
    uint32_t seed = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> dst = ref::RandomPixels(AREA_PIXELS, seed++), want = dst;
        std::vector<uint32_t> src = ref::RandomPixels(AREA_PIXELS, seed++);
        for (size_t i = 0; i < src.size(); i += 3) src[i] = i % 2 ? dst[i] : special[i % 7];
        for (size_t i = 0; i < want.size(); i++) want[i] = c.plain(want[i], src[i]);
        c.fast(dst.data(), src.data());
        EXPECT_TRUE(dst == want);
    }
}

TEST(AreaOps, DocumentedValues) {
    std::vector<uint32_t> dst, src;
    // CrossFade: 0 changes nothing; 300 or a negative level counts as 255; at 128
    // white over black gives 0x7F7F7F and black over white 0x7E7E7E.
    for (auto [from, to, alpha, want] : {std::tuple{0xFFFFFFu, 0u, 0u, 0xFFFFFFu},
                                         {0u, 0xFFFFFFu, 300u, 0xFEFEFEu},
                                         {0u, 0xFFFFFFu, uint32_t(-40), 0xFEFEFEu},
                                         {0u, 0xFFFFFFu, 128u, 0x7F7F7Fu},
                                         {0xFFFFFFu, 0u, 128u, 0x7E7E7Eu}}) {
        dst = Area(from), src = Area(to);
        CrossFade(dst.data(), src.data(), alpha);
        EXPECT_EQ(dst[77], want) << alpha;
    }

    // SubtractFromGrey 0 negates.
    dst = Area();
    dst[1] = 0x00102030;
    SubtractFromGrey(dst.data(), 0);
    EXPECT_EQ(dst[0], 0u);
    EXPECT_EQ(dst[1], 0xFFEFDFD0u);

    // Threshold and key copies.
    dst = Area(1), src = Area();
    src[0] = 0x00020000, src[1] = 0x00011111;
    CopyAbove(dst.data(), src.data(), 0x011112);
    EXPECT_EQ(dst[0], 0x00020000u);
    EXPECT_EQ(dst[1], 1u);
    dst = Area(1);
    src[0] = 0x00FF1010, src[1] = 0x00FF1111, src[2] = 0x00111010;
    CopyExceptRedKey(dst.data(), src.data());
    EXPECT_EQ(dst[0], 1u);
    EXPECT_EQ(dst[1], 0x00FF1111u);
    EXPECT_EQ(dst[2], 0x00111010u);
}

TEST(AreaOps, RotateTopHalfDown) {
    const std::vector<uint32_t> before = ref::RandomPixels(AREA_PIXELS, 11);
    std::vector<uint32_t> p = before;
    RotateTopHalfDown(p.data());
    for (int i = 0; i < AREA_PIXELS / 2; i++) {
        ASSERT_EQ(p[i], 0u);
        ASSERT_EQ(p[AREA_PIXELS - 1 - i], before[i]); // (x, y) went to (511 - x, 255 - y)
    }
}

TEST(DrawImage, MatchesWalkAndStaysInsideHoldingArray) {
    // The view with its 320 rows of render buffer, a 512 x 256 array, and
    // placements of the timeline's kind and past every edge.
    const int64_t targets[][2] = {{196608, 32768}, {AREA_PIXELS, 0}};
    const int32_t sizes[][2] = {{512, 256}, {700, 300}, {3, 2}, {40, 500}};
    const int32_t places[][2] = {{0, 0},   {3, 9},    {-100, -7}, {511, 0},
                                 {0, 250}, {10, 383}, {0, 384},   {505, -290}};
    for (const auto &t : targets) {
        for (const auto &size : sizes) {
            const std::vector<uint32_t> pixels = ref::RandomPixels(size[0] * size[1], 20);
            const Image image{size[0], size[1], const_cast<uint32_t *>(pixels.data())};
            for (const auto &at : places) {
                SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1] << " at " << at[0]
                                                << ", " << at[1] << " in " << t[0]);
                ref::Guarded g(t[0]);
                std::vector<uint32_t> want = g.Held();
                ref::DrawImage(ref::Held{want.data() + t[1], t[0] - t[1]}, at[0], at[1], image);
                DrawImage(g.data() + t[1], g.end(), at[0], at[1], &image);
                ASSERT_TRUE(g.Held() == want);
                ASSERT_TRUE(g.MarginsIntact());
            }
        }
    }
    ref::Guarded g(AREA_PIXELS);
    const std::vector<uint32_t> before = g.Held();
    const Image none{512, 256, nullptr};
    DrawImage(g.data(), g.end(), 0, 0, &none);
    DrawImage(g.data(), g.end(), 0, 0, nullptr);
    EXPECT_TRUE(g.Held() == before);
}

TEST(CopyToScreen, CopiesRows1To383AndClips) {
    // (64, 48) as every frame of demo640 does, then placements cut by the
    // screen's right and bottom edges and by its left and top.
    const std::vector<uint32_t> render = ref::RandomPixels(196608, 30);
    const int32_t places[][2] = {{64, 48}, {200, 200}, {-10, -5}, {639, 479}, {-600, 0}};
    for (const auto &at : places) {
        ref::Guarded screen(640 * 480);
        const std::vector<uint32_t> before = screen.Held();
        CopyToScreen(screen.data(), at[0], at[1], render.data());
        const std::vector<uint32_t> after = screen.Held();
        for (int i = 0; i < 640 * 480; i++) {
            const int x = i % 640, y = i / 640, sx = x - at[0], sy = y - at[1];
            const bool copied = sx >= 0 && sx < 512 && sy >= 1 && sy < 384 && x < 639;
            ASSERT_EQ(after[i], copied ? render[sy * 512 + sx] : before[i]) << x << ", " << y;
        }
        EXPECT_TRUE(screen.MarginsIntact());
    }
}

} // namespace
