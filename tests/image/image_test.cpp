// File blobs and JPEG decoding. Each test works in a temporary folder with
// its own data/, where the pictures are encoded by TurboJPEG in the test.
#include "raster2d/image.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
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
        std::string rm = "rm -rf " + folder;
        ASSERT_EQ(system(rm.c_str()), 0);
    }
    static void Write(const std::string &name, const void *bytes, size_t length) {
        FILE *f = fopen(("data/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(bytes, 1, length, f);
        fclose(f);
    }
    // Encodes w x h pixels of format pf (bytes per pixel tjPixelSize[pf])
    // and returns the JPEG file's bytes.
    static std::vector<uint8_t> Encode(const std::vector<uint8_t> &px, int w, int h, int pf,
                                       int subsampling, int flags = 0) {
        tjhandle tj = tjInitCompress();
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        int r = tjCompress2(tj, px.data(), w, w * tjPixelSize[pf], h, pf, &jpeg, &size, subsampling,
                            100, flags);
        std::vector<uint8_t> out;
        if (r == 0) out.assign(jpeg, jpeg + size);
        tjFree(jpeg);
        tjDestroy(tj);
        return out;
    }
    std::string folder;
    char home[4096];
};

// ---------------------------------------------------------------- FileBlob

TEST_F(InDataFolder, FileBlobReadsWholeItemsAndSeeksFromEitherEnd) {
    const char ten[] = "0123456789";
    Write("ten.bin", ten, 10);
    FileBlob *blob = LoadFileBlob("ten.bin");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->length, 10);
    EXPECT_EQ(FileBlobTell(blob), 0);

    char out[16] = {};
    EXPECT_EQ(FileBlobRead(out, 4, 3, blob), 2); // a partial third item is not copied
    EXPECT_EQ(std::string(out), "01234567");
    EXPECT_EQ(FileBlobTell(blob), 8);

    FileBlobSeek(blob, 3, 2); // from the end, counting back
    EXPECT_EQ(FileBlobTell(blob), 7);
    FileBlobSeek(blob, -2, 1);
    EXPECT_EQ(FileBlobTell(blob), 5);
    FileBlobSeek(blob, 99, 7); // unknown origin: no move
    EXPECT_EQ(FileBlobTell(blob), 5);
    EXPECT_EQ(FileBlobRead(out, 1, 100, blob), 5);
    EXPECT_EQ(FileBlobTell(blob), 10);
    EXPECT_EQ(FileBlobRead(out, 1, 1, blob), 0); // at the end

    // A cursor outside the file reads nothing, whichever side.
    FileBlobSeek(blob, -1, 0);
    EXPECT_EQ(FileBlobRead(out, 1, 1, blob), 0);
    FileBlobSeek(blob, -5, 2);
    EXPECT_EQ(FileBlobTell(blob), 15);
    EXPECT_EQ(FileBlobRead(out, 1, 1, blob), 0);
    FileBlobSeek(blob, 0x7FFFFFFF, 1); // stays a valid int, far outside
    EXPECT_EQ(FileBlobRead(out, 1, 1, blob), 0);
    EXPECT_EQ(FreeFileBlob(blob), 0);
}

TEST_F(InDataFolder, FileBlobOfMissingEmptyAndOverlongNames) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadFileBlob("absent.jpg"), nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Unable To load: data/absent.jpg"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);

    Write("empty", "", 0);
    FileBlob *blob = LoadFileBlob("empty");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->length, 0);
    char c;
    EXPECT_EQ(FileBlobRead(&c, 1, 1, blob), 0);
    FreeFileBlob(blob);

    // 250 characters fit "data/%s" in 256 bytes; 251 do not.
    std::string longest(250, 'n');
    Write(longest, "x", 1);
    blob = LoadFileBlob(longest.c_str());
    ASSERT_NE(blob, nullptr);
    FreeFileBlob(blob);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadFileBlob((longest + "n").c_str()), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("longer than 250"), std::string::npos);
}

// ---------------------------------------------------------------- JPEG

// A 64 x 48 picture of flat 16 x 16 blocks, each a different colour, with the
// four corner blocks pure red, green, blue and white. Flat blocks aligned to
// the 8 x 8 transform survive quality 100 almost unchanged.
static uint32_t BlockColour(int x, int y) {
    int bx = x / 16, by = y / 16;
    if (bx == 0 && by == 0) return 0xFF0000;
    if (bx == 3 && by == 0) return 0x00FF00;
    if (bx == 0 && by == 2) return 0x0000FF;
    if (bx == 3 && by == 2) return 0xFFFFFF;
    return (uint32_t)(bx * 60 + 20) << 16 | (uint32_t)(by * 90 + 30) << 8 |
           (uint32_t)(bx * by * 30);
}

static void ExpectNear(const Image *im, uint32_t (*want)(int, int), int tolerance) {
    for (int y = 0; y < im->height; y++)
        for (int x = 0; x < im->width; x++) {
            uint32_t p = im->pixels[y * im->width + x], w = want(x, y);
            ASSERT_EQ(p >> 24, 0u) << "top byte at " << x << "," << y;
            for (int s = 0; s < 24; s += 8)
                ASSERT_NEAR((int)(p >> s & 0xFF), (int)(w >> s & 0xFF), tolerance)
                    << "pixel " << x << "," << y << " channel shift " << s;
        }
}

TEST_F(InDataFolder, ColourGreyAndProgressivePicturesDecodeTopRowFirst) {
    std::vector<uint8_t> rgb(64 * 48 * 3), grey(64 * 48);
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            uint32_t c = BlockColour(x, y);
            uint8_t *q = &rgb[(y * 64 + x) * 3];
            q[0] = c >> 16, q[1] = c >> 8, q[2] = (uint8_t)c;
            grey[y * 64 + x] = (uint8_t)(c >> 8); // the green channel as grey levels
        }
    struct {
        const char *name;
        std::vector<uint8_t> jpeg;
        uint32_t (*want)(int, int);
    } cases[] = {
        {"colour.jpg", Encode(rgb, 64, 48, TJPF_RGB, TJSAMP_444), BlockColour},
        {"progressive.jpg", Encode(rgb, 64, 48, TJPF_RGB, TJSAMP_444, TJFLAG_PROGRESSIVE),
         BlockColour},
        {"grey.jpg", Encode(grey, 64, 48, TJPF_GRAY, TJSAMP_GRAY),
         [](int x, int y) { return (BlockColour(x, y) >> 8 & 0xFF) * 0x010101u; }},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.jpeg.empty());
        Write(c.name, c.jpeg.data(), c.jpeg.size());
        Image *im = LoadJpeg(c.name);
        ASSERT_NE(im, nullptr);
        EXPECT_EQ(im->width, 64);
        EXPECT_EQ(im->height, 48);
        ExpectNear(im, c.want, 3);
        FreeJpeg(im);
    }
}

TEST_F(InDataFolder, CmykPicturesDecodeToTheirRgbColours) {
    // Adobe's inverted CMYK: 255 means no ink. Red is no cyan, full magenta
    // and yellow, no black; the black channel darkens the bottom half.
    std::vector<uint8_t> cmyk(64 * 48 * 4);
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            uint32_t c = BlockColour(x, y);
            uint8_t *q = &cmyk[(y * 64 + x) * 4];
            q[0] = c >> 16, q[1] = c >> 8, q[2] = (uint8_t)c, q[3] = y < 32 ? 255 : 128;
        }
    std::vector<uint8_t> jpeg = Encode(cmyk, 64, 48, TJPF_CMYK, TJSAMP_444);
    Write("cmyk.jpg", jpeg.data(), jpeg.size());
    Image *im = LoadJpeg("cmyk.jpg");
    ASSERT_NE(im, nullptr);
    ExpectNear(
        im,
        [](int x, int y) {
            uint32_t c = BlockColour(x, y), k = y < 32 ? 255 : 128, out = 0;
            for (int s = 0; s < 24; s += 8) out |= ((c >> s & 0xFF) * k + 127) / 255 << s;
            return out;
        },
        3);
    EXPECT_EQ(im->pixels[0], 0x00FF0000u); // red stays exactly red
    FreeJpeg(im);
}

TEST_F(InDataFolder, OddSizesAndSubsamplingKeepThePicturesOwnSize) {
    std::vector<uint8_t> rgb(37 * 23 * 3, 200);
    std::vector<uint8_t> jpeg = Encode(rgb, 37, 23, TJPF_RGB, TJSAMP_420);
    Image *im = DecodeJpeg(jpeg.data(), jpeg.size(), "odd");
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->width, 37);
    EXPECT_EQ(im->height, 23);
    for (int i = 0; i < 37 * 23; i++) ASSERT_NEAR((int)(im->pixels[i] & 0xFF), 200, 2);
    EXPECT_EQ(im->pixels[37 * 23 - 1] >> 24, 0u);
    FreeJpeg(im);
}

TEST_F(InDataFolder, TruncatedGarbageAndMissingFilesGiveNullWithOneLine) {
    std::vector<uint8_t> rgb(64 * 48 * 3, 90);
    std::vector<uint8_t> jpeg = Encode(rgb, 64, 48, TJPF_RGB, TJSAMP_444);
    Write("half.jpg", jpeg.data(), jpeg.size() / 2);
    Write("header.jpg", jpeg.data(), 20);
    Write("text.jpg", "this is not a picture\n", 22);
    Write("empty.jpg", "", 0);
    for (const char *name : {"half.jpg", "header.jpg", "text.jpg", "empty.jpg", "absent.jpg"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadJpeg(name), nullptr) << name;
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(std::string("data/") + name), std::string::npos) << said;
    }
}
