// The flash analysis on synthetic clips: square-wave flicker at rates either
// side of the limit, moves too small or too bright to count, one block alone,
// and the program's verdict on a raw clip.
#include "flashcheck/flash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The most flashes in any one-second window of run.
static int Worst(const FlashRun &run) {
    int most = 0;
    for (int64_t k = 0; k + run.fps <= run.frames; k++)
        most = std::max(most, FlashesInWindow(&run, k));
    return most;
}

// Seconds of a whole-frame square wave between luminances a and b at hz
// cycles per second, at fps frames per second.
static FlashRun SquareWave(double a, double b, double hz, int fps, double seconds) {
    FlashRun run = NewFlashRun(fps);
    double l[FLASH_BLOCKS];
    for (int k = 0; k < (int)(seconds * fps); k++) {
        int high = (int)(2.0 * hz * k / fps) % 2;
        for (double &v : l) v = high ? b : a;
        AddFlashFrame(&run, l);
    }
    return run;
}

TEST(FlashCheck, BlackWhiteFlickerFailsAtFiveHertzAndPassesAtTwo) {
    for (int fps : {60, 144}) {
        EXPECT_EQ(Worst(SquareWave(0, 1, 5, fps, 3)), 5) << fps;
        EXPECT_EQ(Worst(SquareWave(0, 1, 2, fps, 3)), 2) << fps;
        // Three a second is the most allowed, and is allowed.
        EXPECT_EQ(Worst(SquareWave(0, 1, 3, fps, 3)), 3) << fps;
    }
}

TEST(FlashCheck, SmallOrBrightMovesAreNoChanges) {
    // 0.09 apart: below the step.
    EXPECT_EQ(Worst(SquareWave(0.3, 0.39, 8, 60, 2)), 0);
    // Both sides at 0.8 or above: the darker side is not dark.
    EXPECT_EQ(Worst(SquareWave(0.8, 1.0, 8, 60, 2)), 0);
    // Just dark enough and just large enough.
    EXPECT_EQ(Worst(SquareWave(0.69, 0.79, 8, 60, 2)), 8);
    // A slow ramp up and down in small steps is one change each way.
    FlashRun run = NewFlashRun(60);
    double l[FLASH_BLOCKS];
    for (int k = 0; k < 60; k++) {
        for (double &v : l) v = k < 30 ? k * 0.02 : (60 - k) * 0.02;
        AddFlashFrame(&run, l);
    }
    EXPECT_EQ(run.changes[0].size(), 2u);
    EXPECT_EQ(Worst(run), 1);
}

TEST(FlashCheck, OneBlockFlickeringIsEnoughAndBlocksAreWhereTheyShould) {
    // A 60 x 60 frame, the block at column 4, row 1 white on odd frames at 30 Hz.
    const int w = 60, h = 60;
    std::vector<uint8_t> frame(w * h * 4);
    FlashRun run = NewFlashRun(60);
    double l[FLASH_BLOCKS];
    for (int k = 0; k < 60; k++) {
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                int on = (k & 1) && x / 10 == 4 && y / 10 == 1;
                for (int c = 0; c < 3; c++) frame[(y * w + x) * 4 + c] = on ? 255 : 0;
            }
        BlockLuminance(frame.data(), w, h, w * 4, l);
        EXPECT_DOUBLE_EQ(l[1 * FLASH_GRID + 4], (k & 1) ? 1.0 : 0.0);
        EXPECT_DOUBLE_EQ(l[0], 0.0);
        AddFlashFrame(&run, l);
    }
    EXPECT_EQ(Worst(run), 29);
    EXPECT_TRUE(run.changes[0].empty());
}

TEST(FlashCheck, LuminanceIsLinearLight) {
    EXPECT_DOUBLE_EQ(PixelLuminance(0, 0, 0), 0.0);
    EXPECT_NEAR(PixelLuminance(255, 255, 255), 1.0, 1e-12);
    // sRGB 128 grey is about 21.6 % of white in linear light, not 50 %.
    EXPECT_NEAR(PixelLuminance(128, 128, 128), 0.2159, 1e-3);
    EXPECT_NEAR(PixelLuminance(0, 255, 0), 0.7152, 1e-12);
}

#ifdef GF_BINARY_DIR
// The program, given a raw 512 x 384 clip: status 1 at 5 Hz, 0 at 2 Hz.
static int RunOnClip(double hz) {
    std::string path = std::string(GF_BINARY_DIR) + "/flashcheck-clip.raw";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return -1;
    std::vector<uint8_t> frame(512 * 384 * 4);
    for (int k = 0; k < 120; k++) {
        uint8_t v = (int)(2.0 * hz * k / 60) % 2 ? 255 : 0;
        for (size_t i = 0; i < frame.size(); i++) frame[i] = i % 4 == 3 ? 0 : v;
        fwrite(frame.data(), 1, frame.size(), f);
    }
    fclose(f);
    std::string cmd =
        std::string(GF_BINARY_DIR) + "/glimmerfall-flashcheck --fps 60 " + path + " >/dev/null";
    int status = system(cmd.c_str());
    remove(path.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FlashCheck, ProgramFailsOnAHazardousClipOnly) {
    EXPECT_EQ(RunOnClip(5), 1);
    EXPECT_EQ(RunOnClip(2), 0);
}
#endif
