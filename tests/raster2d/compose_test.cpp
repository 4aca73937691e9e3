// The compositing operations: the documented numbers, every vector kernel
// against a per-pixel loop on random pixels, and DrawImage's and
// CopyToScreen's walks and clips.
#include <gtest/gtest.h>

#include <functional>

#include "raster2d/raster2d.h"
#include "raster2d/reference.h"

namespace {

std::vector<uint32_t> Area(uint32_t fill = 0) {
    return std::vector<uint32_t>(AREA_PIXELS, fill);
}

// Random dst and src where a share of src pixels repeat dst, or are a
// threshold, a key or white, so that every branch of every kernel is taken.
struct Pair {
    std::vector<uint32_t> dst, src;
    explicit Pair(uint32_t seed)
        : dst(ref::RandomPixels(AREA_PIXELS, seed)), src(ref::RandomPixels(AREA_PIXELS, seed + 1)) {
        const uint32_t special[] = {0,        0xFFFFFF, 0x011112, 0x011111,
                                    0x011113, 0xFF1010, 0x123456, 0xFFFFFE};
        for (size_t i = 0; i < src.size(); i += 3) {
            src[i] = i % 2 ? dst[i] : special[(i / 3) % 8];
        }
    }
};

TEST(AreaOps, VectorKernelsMatchPixelLoops) {
    using Fast = std::function<void(uint32_t *, const uint32_t *)>;
    using Plain = std::function<uint32_t(uint32_t d, uint32_t s)>;
    struct Case {
        const char *name;
        Fast fast;
        Plain plain;
    };
    const auto select = [](bool take, uint32_t a, uint32_t b) { return take ? a : b; };
    const Case cases[] = {
        {"CopyView", CopyView, [](uint32_t, uint32_t s) { return s; }},
        {"CopyBelow", [](uint32_t *d, const uint32_t *s) { CopyBelow(d, s, 0xFFFFFF); },
         [&](uint32_t d, uint32_t s) { return select(s < 0xFFFFFF, s, d); }},
        {"CopyAbove", [](uint32_t *d, const uint32_t *s) { CopyAbove(d, s, 0x011112); },
         [&](uint32_t d, uint32_t s) { return select(s > 0x011112, s, d); }},
        {"CopyExceptKey", [](uint32_t *d, const uint32_t *s) { CopyExceptKey(d, s, 0x123456); },
         [&](uint32_t d, uint32_t s) { return select(s != 0x123456, s, d); }},
        {"CopyExceptRedKey", CopyExceptRedKey,
         [&](uint32_t d, uint32_t s) {
             return select(ref::Red(s) > 17 && ref::Green(s) < 17 && ref::Blue(s) < 17, d, s);
         }},
        {"CopyInvertEqual", CopyInvertEqual,
         [&](uint32_t d, uint32_t s) { return select(d == s, 0xFFFFFF - s, s); }},
        {"BlendByBlue", BlendByBlue,
         [&](uint32_t d, uint32_t s) { return select(s != 0, ref::Blend(s, d, s & 0xFF), d); }},
        {"CrossFade 1", [](uint32_t *d, const uint32_t *s) { CrossFade(d, s, 1); },
         [](uint32_t d, uint32_t s) { return ref::Blend(s, d, 1); }},
        {"CrossFade 77", [](uint32_t *d, const uint32_t *s) { CrossFade(d, s, 77); },
         [](uint32_t d, uint32_t s) { return ref::Blend(s, d, 77); }},
        {"CrossFade 255", [](uint32_t *d, const uint32_t *s) { CrossFade(d, s, 255); },
         [](uint32_t d, uint32_t s) { return ref::Blend(s, d, 255); }},
        {"ComposeOverlay", [](uint32_t *d, const uint32_t *s) { ComposeOverlay(d, d, s); },
         [&](uint32_t d, uint32_t s) { return select(s != 0, s, d); }},
        {"SubtractFromGrey 0", [](uint32_t *d, const uint32_t *) { SubtractFromGrey(d, 0); },
         [](uint32_t d, uint32_t) { return 0u - d; }},
        {"SubtractFromGrey 200", [](uint32_t *d, const uint32_t *) { SubtractFromGrey(d, 200); },
         [](uint32_t d, uint32_t) { return 200 * 0x010101u - d; }},
        {"InvertBuffer", [](uint32_t *d, const uint32_t *) { InvertBuffer(d); },
         [](uint32_t d, uint32_t) { return 0xFFFFFF - d; }},
        {"Binarize", [](uint32_t *d, const uint32_t *) { Binarize(d); },
         [](uint32_t d, uint32_t) { return d ? 0xFFFFFFu : 0u; }},
    };
    uint32_t seed = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair(seed += 2);
        std::vector<uint32_t> want = pair.dst;
        for (size_t i = 0; i < want.size(); i++) want[i] = c.plain(want[i], pair.src[i]);
        c.fast(pair.dst.data(), pair.src.data());
        for (size_t i = 0; i < want.size(); i++) {
            ASSERT_EQ(pair.dst[i], want[i])
                << "pixel " << i << ", src 0x" << std::hex << pair.src[i];
        }
    }
}

TEST(AreaOps, ComposeOverlayTakesBaseUnderBlack) {
    std::vector<uint32_t> dst = Area(7), base = Area(0x00AABBCC), overlay = Area();
    overlay[5] = 0x00010203;
    ComposeOverlay(dst.data(), base.data(), overlay.data());
    EXPECT_EQ(dst[5], 0x00010203u);
    EXPECT_EQ(dst[4], 0x00AABBCCu);
    EXPECT_EQ(dst[AREA_PIXELS - 1], 0x00AABBCCu);
}

TEST(Blends, DocumentedValues) {
    // BlendByBlue: black src keeps dst, blue 0 still darkens by 1/256, white gives 254.
    std::vector<uint32_t> dst = Area(0x00804020), src = Area();
    src[1] = 0x00FF0000;
    src[2] = 0x00FFFFFF;
    BlendByBlue(dst.data(), src.data());
    EXPECT_EQ(dst[0], 0x00804020u);
    EXPECT_EQ(dst[1], 0x007F3F1Fu);
    EXPECT_EQ(dst[2], 0x00FEFEFEu);

    // CrossFade: 0 changes nothing; 300 or a negative level is 255.
    const std::vector<uint32_t> white = Area(0xFFFFFF), black = Area();
    for (uint32_t alpha : {300u, uint32_t(-40)}) {
        dst = black;
        CrossFade(dst.data(), white.data(), alpha);
        EXPECT_EQ(dst[77], 0x00FEFEFEu) << alpha;
    }
    dst = Area(0x00123456);
    CrossFade(dst.data(), white.data(), 0);
    EXPECT_EQ(dst[9], 0x00123456u);
    dst = black;
    CrossFade(dst.data(), white.data(), 128);
    EXPECT_EQ(dst[9], 0x007F7F7Fu);
    dst = white;
    CrossFade(dst.data(), black.data(), 128);
    EXPECT_EQ(dst[9], 0x007E7E7Eu);
}

TEST(WholeValueOps, DocumentedValues) {
    std::vector<uint32_t> p = Area();
    p[1] = 0x00102030;
    SubtractFromGrey(p.data(), 0);
    EXPECT_EQ(p[0], 0u);
    EXPECT_EQ(p[1], 0xFFEFDFD0u);

    std::vector<uint32_t> a = ref::RandomPixels(AREA_PIXELS, 9), b = a;
    SubtractFromGrey(a.data(), 255);
    InvertBuffer(b.data());
    EXPECT_EQ(a, b);

    for (uint32_t &q : a) q &= 0xFFFFFF;
    b = a;
    InvertBuffer(a.data());
    InvertBuffer(a.data());
    EXPECT_EQ(a, b);
}

TEST(KeyedCopies, DocumentedValues) {
    std::vector<uint32_t> dst = Area(1), src = Area();
    src[0] = 0x00020000, src[1] = 0x00011111, src[2] = 0x00011112;
    CopyAbove(dst.data(), src.data(), 0x011112);
    EXPECT_EQ(dst[0], 0x00020000u);
    EXPECT_EQ(dst[1], 1u);
    EXPECT_EQ(dst[2], 1u);

    dst = Area(1);
    src[0] = 0x00FF1010, src[1] = 0x00FF1111, src[2] = 0x00111010;
    CopyExceptRedKey(dst.data(), src.data());
    EXPECT_EQ(dst[0], 1u);
    EXPECT_EQ(dst[1], 0x00FF1111u);
    EXPECT_EQ(dst[2], 0x00111010u);

    dst = Area(1);
    src = Area(0xFFFFFF);
    src[3] = 0x00FFFFFE;
    CopyBelow(dst.data(), src.data(), 0xFFFFFF); // every pixel that is not pure white
    EXPECT_EQ(dst[0], 1u);
    EXPECT_EQ(dst[3], 0x00FFFFFEu);
}

TEST(RotateTopHalfDown, TurnsTopIntoBottomAndClears) {
    const std::vector<uint32_t> before = ref::RandomPixels(AREA_PIXELS, 11);
    std::vector<uint32_t> p = before;
    RotateTopHalfDown(p.data());
    EXPECT_EQ(p[131071], before[0]);
    EXPECT_EQ(p[65536], before[65535]);
    for (int y = 0; y < 128; y++) {
        for (int x = 0; x < 512; x++) {
            ASSERT_EQ(p[y * 512 + x], 0u);
            ASSERT_EQ(p[(255 - y) * 512 + 511 - x], before[y * 512 + x]);
        }
    }
}

TEST(DrawImage, SkipsFirstRowAndLastColumn) {
    std::vector<uint32_t> render(196608);
    uint32_t *view = render.data() + 32768;
    std::vector<uint32_t> pixels = ref::RandomPixels(AREA_PIXELS, 12);
    for (uint32_t &q : pixels) q |= 1; // no black, so an unwritten pixel shows
    const Image image{512, 256, pixels.data()};
    DrawImage(view, render.data() + render.size(), 0, 0, &image);
    for (int y = 0; y < 256; y++) {
        for (int x = 0; x < 512; x++) {
            const uint32_t want = y == 0 || x == 511 ? 0 : pixels[y * 512 + x];
            ASSERT_EQ(view[y * 512 + x], want) << x << ", " << y;
        }
    }

    // y = -10: image rows 11 on land on rows 1 on; row 0 stays.
    std::fill(render.begin(), render.end(), 0);
    DrawImage(view, render.data() + render.size(), 0, -10, &image);
    EXPECT_EQ(view[3], 0u);
    EXPECT_EQ(view[512 + 3], pixels[11 * 512 + 3]);
    EXPECT_EQ(view[245 * 512 + 3], pixels[255 * 512 + 3]);
    EXPECT_EQ(view[246 * 512 + 3], 0u);

    // Placements that draw nothing, and images that are not there.
    std::fill(render.begin(), render.end(), 0);
    const Image none{512, 256, nullptr};
    for (int32_t x : {512, 513, -512, -600})
        DrawImage(view, render.data() + render.size(), x, 0, &image);
    DrawImage(view, render.data() + render.size(), 0, 0, nullptr);
    DrawImage(view, render.data() + render.size(), 0, 0, &none);
    EXPECT_EQ(std::count(render.begin(), render.end(), 0u), 196608);
}

TEST(DrawImage, ClipsAgainstHoldingArray) {
    // Placements the timeline makes and ones that reach past the holding
    // array: the 320 rows below the view's first pixel, or a 512 x 256 array.
    struct Target {
        int64_t size, offset;
    };
    const Target targets[] = {{196608, 32768}, {AREA_PIXELS, 0}, {196608, 0}};
    const int32_t sizes[][2] = {{512, 256}, {700, 300}, {3, 2}, {1, 1}, {40, 500}};
    const int32_t places[][2] = {{0, 0},    {3, 9},   {-100, -7}, {-511, 20}, {511, 0},
                                 {-5, 100}, {0, 250}, {10, 383},  {0, 384},   {505, -290}};
    uint32_t seed = 20;
    for (const Target &t : targets) {
        for (const auto &size : sizes) {
            const std::vector<uint32_t> pixels =
                ref::RandomPixels(int64_t(size[0]) * size[1], seed++);
            const Image image{size[0], size[1], const_cast<uint32_t *>(pixels.data())};
            for (const auto &place : places) {
                SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1] << " at " << place[0]
                                                << ", " << place[1] << " in " << t.size);
                ref::Guarded g(t.size, seed++);
                std::vector<uint32_t> want = g.Held();
                ref::DrawImage(ref::Held{want.data() + t.offset, t.size - t.offset}, place[0],
                               place[1], image);
                DrawImage(g.data() + t.offset, g.end(), place[0], place[1], &image);
                ASSERT_EQ(g.Held(), want);
                ASSERT_TRUE(g.MarginsIntact());
            }
        }
    }
}

TEST(CopyToScreen, CentredWalkLeavesBorders) {
    const std::vector<uint32_t> render = ref::RandomPixels(196608, 30);
    ref::Guarded screen(640 * 480, 31);
    const std::vector<uint32_t> before = screen.Held();
    CopyToScreen(screen.data(), 64, 48, render.data());
    const std::vector<uint32_t> after = screen.Held();
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            const bool inside = y >= 49 && y <= 431 && x >= 64 && x <= 575;
            const uint32_t want = inside ? render[(y - 48) * 512 + x - 64] : before[y * 640 + x];
            ASSERT_EQ(after[y * 640 + x], want) << x << ", " << y;
        }
    }
    EXPECT_TRUE(screen.MarginsIntact());

    // Far placements stop after row 479 and before column 639; negative ones
    // drop what would land outside.
    const int32_t places[][2] = {{200, 200}, {-10, -5}, {639, 479}, {-600, 0}};
    for (const auto &place : places) {
        ref::Guarded s(640 * 480, 32);
        const std::vector<uint32_t> old = s.Held();
        CopyToScreen(s.data(), place[0], place[1], render.data());
        const std::vector<uint32_t> now = s.Held();
        for (int y = 0; y < 480; y++) {
            for (int x = 0; x < 640; x++) {
                const int sx = x - place[0], sy = y - place[1];
                const bool inside = sx >= 0 && sx < 512 && sy >= 1 && sy < 384 && x < 639;
                const uint32_t want = inside ? render[sy * 512 + sx] : old[y * 640 + x];
                ASSERT_EQ(now[y * 640 + x], want) << x << ", " << y;
            }
        }
        EXPECT_TRUE(s.MarginsIntact());
    }
}

} // namespace
