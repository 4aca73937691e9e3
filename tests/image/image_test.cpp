// File blobs and JPEG decoding, in a temporary folder with its own data/
// where the pictures are encoded by TurboJPEG in the test.
#include "raster2d/image.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <string>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

class InDataFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/gf_image_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        folder = tmpl;
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0755), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(home), 0);
        std::error_code error;
        std::filesystem::remove_all(folder, error);
        ASSERT_FALSE(error) << error.message();
    }
    static void Write(const std::string &name, const void *bytes, size_t length) {
        FILE *f = fopen(("data/" + name).c_str(), "wb");
        fwrite(bytes, 1, length, f);
        fclose(f);
    }
    std::string folder;
    char home[4096];
};

// Logs what a call printed on standard error and returns it.
template <class F> static std::string Said(F call) {
    testing::internal::CaptureStderr();
    call();
    return testing::internal::GetCapturedStderr();
}

TEST_F(InDataFolder, FileBlobReadsWholeItemsSeeksAnywhereAndRefusesBadNames) {
    Write("ten", "0123456789", 10);
    FileBlob *blob = LoadFileBlob("ten");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->length, 10);
    char out[16] = {};
    EXPECT_EQ(FileBlobRead(out, 4, 3, blob), 2); // a partial third item is not copied
    EXPECT_EQ(std::string(out), "01234567");
    EXPECT_EQ(FileBlobTell(blob), 8);
    const struct {
        int from, offset, origin, cursor, readable;
    } seeks[] = {
        {8, 3, 2, 7, 3},   {8, -2, 1, 6, 4},  {8, 99, 7, 8, 2}, // from the end, relative, unknown
        {8, -1, 0, -1, 0}, {8, -5, 2, 15, 0}, {8, 0x7FFFFFFF, 1, 0x7FFFFFFF, 0}, // outside: nothing
    };
    for (const auto &k : seeks) {
        FileBlobSeek(blob, k.from, 0);
        FileBlobSeek(blob, k.offset, k.origin);
        EXPECT_EQ(FileBlobTell(blob), k.cursor);
        EXPECT_EQ(FileBlobRead(out, 1, 100, blob), k.readable);
    }
    EXPECT_EQ(FreeFileBlob(blob), 0);

    Write("empty", "", 0);
    ASSERT_NE(blob = LoadFileBlob("empty"), nullptr);
    EXPECT_EQ(FileBlobRead(out, 1, 1, blob), 0);
    FreeFileBlob(blob);
    std::string longest(250, 'n'); // "data/%s" fits 256 bytes up to 250 characters
    Write(longest, "x", 1);
    FreeFileBlob(blob = LoadFileBlob(longest.c_str()));
    EXPECT_NE(blob, nullptr);
    EXPECT_NE(Said([&] {
                  EXPECT_EQ(LoadFileBlob((longest + "n").c_str()), nullptr);
              }).find("longer than 250"),
              std::string::npos);
}

// 64 x 48 pixels of flat 16 x 16 blocks, the corners pure red, green, blue
// and white. Flat blocks aligned to the 8 x 8 transform survive quality 100.
static uint32_t Block(int x, int y) {
    int bx = x / 16, by = y / 16;
    const uint32_t corners[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    if ((bx == 0 || bx == 3) && by != 1) return corners[(bx == 3) + (by == 2) * 2];
    return (uint32_t)(bx * 60 + 20) << 16 | (uint32_t)(by * 90 + 30) << 8 |
           (uint32_t)(bx * by * 30);
}

TEST_F(InDataFolder, ColourGreyProgressiveAndCmykDecodeTopRowFirstToTheirColours) {
    const struct {
        const char *name;
        int format, subsampling, flags;
        uint32_t (*want)(int x, int y);
    } cases[] = {
        {"colour.jpg", TJPF_RGB, TJSAMP_444, 0, Block},
        {"progressive.jpg", TJPF_RGB, TJSAMP_444, TJFLAG_PROGRESSIVE, Block},
        {"grey.jpg", TJPF_GRAY, TJSAMP_GRAY, 0,
         [](int x, int y) { return (Block(x, y) >> 8 & 0xFF) * 0x010101u; }},
        // Adobe's inverted CMYK, 255 = no ink: red is no cyan, full magenta
        // and yellow; black (128) darkens the bottom rows.
        {"cmyk.jpg", TJPF_CMYK, TJSAMP_444, 0,
         [](int x, int y) {
             uint32_t c = Block(x, y), k = y < 32 ? 255 : 128, out = 0;
             for (int s = 0; s < 24; s += 8) out |= ((c >> s & 0xFF) * k + 127) / 255 << s;
             return out;
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int bpp = tjPixelSize[c.format];
        std::vector<uint8_t> px(64 * 48 * bpp);
        for (int i = 0; i < 64 * 48; i++) {
            uint32_t v = Block(i % 64, i / 64);
            uint8_t rgbk[4] = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v),
                               uint8_t(i / 64 < 32 ? 255 : 128)};
            if (c.format == TJPF_GRAY) rgbk[0] = rgbk[1];
            std::copy(rgbk, rgbk + bpp, &px[i * bpp]);
        }
        tjhandle tj = tjInitCompress();
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        ASSERT_EQ(tjCompress2(tj, px.data(), 64, 64 * bpp, 48, c.format, &jpeg, &size,
                              c.subsampling, 100, c.flags),
                  0);
        Write(c.name, jpeg, size);
        tjFree(jpeg);
        tjDestroy(tj);
        Image *im = LoadJpeg(c.name);
        ASSERT_NE(im, nullptr);
        ASSERT_EQ(im->width, 64);
        ASSERT_EQ(im->height, 48);
        for (int i = 0; i < 64 * 48; i++) {
            uint32_t p = im->pixels[i], w = c.want(i % 64, i / 64);
            ASSERT_EQ(p >> 24, 0u) << i;
            for (int s = 0; s < 24; s += 8)
                ASSERT_NEAR(int(p >> s & 0xFF), int(w >> s & 0xFF), 3) << i;
        }
        if (c.format == TJPF_CMYK) {
            EXPECT_EQ(im->pixels[0], 0x00FF0000u); // red stays exactly red
        }

        // The same file cut short, or its first bytes only: null and one line.
        FILE *f = fopen((std::string("data/") + c.name).c_str(), "rb");
        std::vector<uint8_t> whole(size);
        ASSERT_EQ(fread(whole.data(), 1, size, f), size);
        fclose(f);
        for (size_t cut : {(size_t)(size / 2), (size_t)20}) {
            Write("cut.jpg", whole.data(), cut);
            std::string said = Said([] { EXPECT_EQ(LoadJpeg("cut.jpg"), nullptr); });
            EXPECT_EQ(said.find("data/cut.jpg: "), 0u) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        }
        FreeJpeg(im);
    }
}

TEST_F(InDataFolder, NonPicturesAndMissingFilesGiveNullWithOneLine) {
    Write("text.jpg", "this is not a picture\n", 22);
    Write("empty.jpg", "", 0);
    for (const char *name : {"text.jpg", "empty.jpg", "absent.jpg"}) {
        std::string said = Said([&] { EXPECT_EQ(LoadJpeg(name), nullptr) << name; });
        EXPECT_NE(said.find(std::string("data/") + name), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}
