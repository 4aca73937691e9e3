// Row converters against plain one-pixel references, their edge values, and
// the choice of converter by pixel format.
#include "display/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

static uint32_t Swap(uint32_t p) {
    return (p & 0xFF0000) >> 16 | (p & 0xFF00) | (p & 0xFF) << 16;
}

// Each format's formula on one pixel; the low `bytes` bytes are its output.
static const struct {
    RowConverter converter;
    int bytes;
    uint32_t (*pack)(uint32_t p);
} references[] = {
    {ConvertRow32, 4, [](uint32_t p) { return p; }},
    {ConvertRow32Bgr, 4, Swap},
    {ConvertRow24, 3, [](uint32_t p) { return p; }},
    {ConvertRow24Bgr, 3, Swap},
    {ConvertRow565, 2,
     [](uint32_t p) { return (p & 0xF80000) >> 8 | (p & 0xFC00) >> 5 | (p & 0xF8) >> 3; }},
    {ConvertRow565Bgr, 2,
     [](uint32_t p) { return (p & 0xF80000) >> 19 | (p & 0xFC00) >> 5 | (p & 0xF8) << 8; }},
    {ConvertRow555, 2,
     [](uint32_t p) { return (p & 0xF80000) >> 9 | (p & 0xF800) >> 6 | (p & 0xF8) >> 3; }},
    {ConvertRow555Bgr, 2,
     [](uint32_t p) { return (p & 0xF80000) >> 19 | (p & 0xF800) >> 6 | (p & 0xF8) << 7; }},
};

TEST(RowConverter, MatchesThePlainFormulaAndWritesOnlyItsRow) {
    std::mt19937 rng(7);
    for (const auto &r : references)
        for (int count : {0, 1, 7, 8, 15, 16, 17, 33, 640})
            for (int misalign : {0, 1, 3}) {
                std::vector<uint32_t> src(count);
                for (auto &p : src) p = rng(); // bits 24-31 set too: they must not leak
                std::vector<uint8_t> buf(64 + count * r.bytes + 64, 0xA5);
                uint8_t *row = buf.data() + 32 + misalign;
                r.converter(src.data(), row, count);
                for (int i = 0; i < count; i++) {
                    uint32_t want = r.pack(src[i]);
                    ASSERT_EQ(0, memcmp(row + i * r.bytes, &want, r.bytes))
                        << "converter " << (&r - references) << " count " << count << " pixel "
                        << i;
                }
                for (uint8_t *p = buf.data(); p < row; p++) ASSERT_EQ(*p, 0xA5) << "before the row";
                for (uint8_t *p = row + count * r.bytes; p < buf.data() + buf.size(); p++)
                    ASSERT_EQ(*p, 0xA5) << "past the row";
            }
}

static uint32_t One(RowConverter c, uint32_t p) {
    uint32_t out = 0;
    c(&p, (uint8_t *)&out, 1);
    return out;
}

TEST(RowConverter, EdgeValues) {
    std::vector<uint32_t> row(640), out(640);
    for (int i = 0; i < 640; i++) row[i] = i % 2 ? 0x00123456 : 0x00ABCDEF;
    ConvertRow32Bgr(row.data(), (uint8_t *)out.data(), 640); // each pixel on its own
    for (int i = 0; i < 640; i++) ASSERT_EQ(out[i], i % 2 ? 0x00563412u : 0x00EFCDABu);

    EXPECT_EQ(One(ConvertRow32, 0xFF123456), 0xFF123456u); // the top byte is kept
    EXPECT_EQ(One(ConvertRow565, 0x00FFFFFF), 0xFFFFu);
    EXPECT_EQ(One(ConvertRow565, 0x00FF0000), 0xF800u);
    // Green 0x07 has bit 10 set, so green6 is 1 and the formula gives 0x0020;
    // 0x00030303 has every channel below its top bits.
    EXPECT_EQ(One(ConvertRow565, 0x00070707), 0x0020u);
    EXPECT_EQ(One(ConvertRow565, 0x00030303), 0x0000u);
    EXPECT_EQ(One(ConvertRow565, 0x00080408), 0x0821u);
    EXPECT_EQ(One(ConvertRow555, 0x00FFFFFF), 0x7FFFu); // bit 15 stays clear
    EXPECT_EQ(One(ConvertRow555Bgr, 0x00FF0000), 0x001Fu);
    EXPECT_EQ(One(ConvertRow555Bgr, 0x000000FF), 0x7C00u);
    EXPECT_EQ(One(ConvertRow24, 0x00112233), 0x112233u);    // bytes 33 22 11
    EXPECT_EQ(One(ConvertRow24Bgr, 0x00112233), 0x332211u); // bytes 11 22 33
}

TEST(ChooseRowConverter, FollowsTheFormatTable) {
    EXPECT_EQ(ChooseRowConverter(32, 0xFF0000, 0xFF00, 0xFF), ConvertRow32);
    EXPECT_EQ(ChooseRowConverter(32, 0xFF, 0xFF00, 0xFF0000), ConvertRow32Bgr);
    EXPECT_EQ(ChooseRowConverter(24, 0xFF0000, 0xFF00, 0xFF), ConvertRow24);
    EXPECT_EQ(ChooseRowConverter(24, 0xFF, 0xFF00, 0xFF0000), ConvertRow24Bgr);
    EXPECT_EQ(ChooseRowConverter(16, 0xF800, 0x7E0, 0x1F), ConvertRow565);
    EXPECT_EQ(ChooseRowConverter(16, 0x1F, 0x7E0, 0xF800), ConvertRow565Bgr);
    EXPECT_EQ(ChooseRowConverter(16, 0x7C00, 0x3E0, 0x1F), ConvertRow555);
    EXPECT_EQ(ChooseRowConverter(16, 0x1F, 0x3E0, 0x7C00), ConvertRow555Bgr);
    EXPECT_EQ(ChooseRowConverter(8, 0, 0, 0), nullptr);
    EXPECT_EQ(ChooseRowConverter(32, 0xFF0000, 0xFF00, 0xFF00FF), nullptr);
    EXPECT_EQ(ChooseRowConverter(24, 0xF800, 0x7E0, 0x1F), nullptr); // right masks, wrong depth
}
