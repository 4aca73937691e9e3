// Row converters: the vector versions against plain one-pixel references,
// the edge values, and the choice of converter by pixel format.
#include "display/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

// The reference: each format's formula applied to one pixel at a time.
struct Reference {
    RowConverter converter;
    int bytes;
    uint32_t (*pack)(uint32_t p);
};

static const Reference references[] = {
    {ConvertRow32, 4, [](uint32_t p) { return p; }},
    {ConvertRow32Bgr, 4,
     [](uint32_t p) { return ((p & 0xFF0000) >> 16) | (p & 0xFF00) | ((p & 0xFF) << 16); }},
    {ConvertRow24, 3, [](uint32_t p) { return p & 0xFFFFFF; }}, // bytes 0, 1, 2 as stored
    {ConvertRow24Bgr, 3,
     [](uint32_t p) { return ((p & 0xFF0000) >> 16) | (p & 0xFF00) | ((p & 0xFF) << 16); }},
    {ConvertRow565, 2,
     [](uint32_t p) { return ((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3); }},
    {ConvertRow565Bgr, 2,
     [](uint32_t p) { return ((p & 0xF80000) >> 19) | ((p & 0xFC00) >> 5) | ((p & 0xF8) << 8); }},
    {ConvertRow555, 2,
     [](uint32_t p) { return ((p & 0xF80000) >> 9) | ((p & 0xF800) >> 6) | ((p & 0xF8) >> 3); }},
    {ConvertRow555Bgr, 2,
     [](uint32_t p) { return ((p & 0xF80000) >> 19) | ((p & 0xF800) >> 6) | ((p & 0xF8) << 7); }},
};

// Runs a converter on src into a buffer with guard bytes around the row,
// starting at byte offset misalign, and returns the row's bytes; fails the
// test if a guard byte changed.
static std::vector<uint8_t> Convert(const Reference &r, const std::vector<uint32_t> &src,
                                    int misalign) {
    const int guard = 64;
    std::vector<uint8_t> buf(guard + misalign + src.size() * r.bytes + guard, 0xA5);
    r.converter(src.data(), buf.data() + guard + misalign, (int)src.size());
    for (int i = 0; i < guard + misalign; i++) EXPECT_EQ(buf[i], 0xA5) << "before the row";
    for (size_t i = buf.size() - guard; i < buf.size(); i++)
        EXPECT_EQ(buf[i], 0xA5) << "past the row";
    return std::vector<uint8_t>(buf.begin() + guard + misalign, buf.end() - guard);
}

TEST(RowConverter, MatchesThePlainFormulaOnRandomRowsOfEveryLength) {
    std::mt19937 rng(7);
    for (const Reference &r : references) {
        for (int count : {0, 1, 7, 8, 15, 16, 17, 33, 512, 640}) {
            std::vector<uint32_t> src(count);
            for (auto &p : src) p = rng(); // bits 24-31 set too: they must not leak
            for (int misalign : {0, 1, 3}) {
                std::vector<uint8_t> got = Convert(r, src, misalign);
                for (int i = 0; i < count; i++) {
                    uint32_t want = r.pack(src[i]);
                    ASSERT_EQ(0, memcmp(&got[i * r.bytes], &want, r.bytes))
                        << "converter " << (&r - references) << " count " << count << " pixel "
                        << i;
                }
            }
        }
    }
}

static uint32_t One(RowConverter c, uint32_t p, int bytes) {
    uint32_t out = 0;
    c(&p, (uint8_t *)&out, 1);
    return bytes == 4 ? out : out & ((1u << (8 * bytes)) - 1);
}

TEST(RowConverter, EdgeValues) {
    // Each pixel is converted on its own and the source advances by one.
    std::vector<uint32_t> row(640);
    for (int i = 0; i < 640; i++) row[i] = i % 2 ? 0x00123456 : 0x00ABCDEF;
    std::vector<uint32_t> out(640);
    ConvertRow32Bgr(row.data(), (uint8_t *)out.data(), 640);
    for (int i = 0; i < 640; i++) ASSERT_EQ(out[i], i % 2 ? 0x00563412u : 0x00EFCDABu);

    EXPECT_EQ(One(ConvertRow32, 0xFF123456, 4), 0xFF123456u); // the top byte is kept
    EXPECT_EQ(One(ConvertRow565, 0x00FFFFFF, 2), 0xFFFFu);
    EXPECT_EQ(One(ConvertRow565, 0x00FF0000, 2), 0xF800u);
    // Green 0x07 has bit 10 set, so green6 is 1: the formula gives 0x0020.
    // 0x00030303 is a value whose channels all fall below their top bits.
    EXPECT_EQ(One(ConvertRow565, 0x00070707, 2), 0x0020u);
    EXPECT_EQ(One(ConvertRow565, 0x00030303, 2), 0x0000u);
    EXPECT_EQ(One(ConvertRow565, 0x00080408, 2), 0x0821u);
    EXPECT_EQ(One(ConvertRow555, 0x00FFFFFF, 2), 0x7FFFu); // bit 15 stays clear
    EXPECT_EQ(One(ConvertRow555Bgr, 0x00FF0000, 2), 0x001Fu);
    EXPECT_EQ(One(ConvertRow555Bgr, 0x000000FF, 2), 0x7C00u);
    EXPECT_EQ(One(ConvertRow565Bgr, 0x000000FF, 2), 0xF800u);
    EXPECT_EQ(One(ConvertRow24, 0x00112233, 3), 0x112233u);    // bytes 33 22 11
    EXPECT_EQ(One(ConvertRow24Bgr, 0x00112233, 3), 0x332211u); // bytes 11 22 33
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
    // No match: a palette depth, a wrong mask, the right masks at the wrong depth.
    EXPECT_EQ(ChooseRowConverter(8, 0, 0, 0), nullptr);
    EXPECT_EQ(ChooseRowConverter(32, 0xFF0000, 0xFF00, 0xFF00FF), nullptr);
    EXPECT_EQ(ChooseRowConverter(15, 0x7C00, 0x3E0, 0x1F), nullptr);
    EXPECT_EQ(ChooseRowConverter(24, 0xF800, 0x7E0, 0x1F), nullptr);
}
