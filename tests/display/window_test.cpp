// The real SDL window under an Xvfb of its own: in each of the eight forced
// pixel formats a known frame is presented and read back from the X server
// with xwd. It must fill the 1100 x 800 screen at scale 2, centred on black,
// every pixel within its format's precision. Skipped where Xvfb is missing.
#include "display/display.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The X, GL and D-Bus client libraries keep allocations to the end of the
// process by design; the leak checker looks away while they run.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define IgnoreLibraryLeaks(on) ((on) ? __lsan_disable() : __lsan_enable())
#else
#define IgnoreLibraryLeaks(on) ((void)0)
#endif

// Presents until the window has been activated and the frame drawn three
// times, so both buffers hold it. False if it never shows.
static bool Show(const std::vector<uint32_t> &frame) {
    int drawn = 0;
    for (int tries = 0; tries < 3000 && drawn < 3; tries++) {
        int wasActive = displayState.active;
        if (PresentFrame(frame.data()) && wasActive && displayState.active) drawn++;
    }
    return drawn == 3;
}

TEST(RealWindow, EveryForcedFormatShowsTheFrameScaledCentredWithinItsPrecision) {
    pid_t server = -1;
    std::string display = StartXvfb(&server);
    struct Stop { // the server and the display go whichever way the test ends
        pid_t pid;
        ~Stop() {
            CloseDisplay();
            if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
        }
    } stop{server};
    if (display.empty()) GTEST_SKIP() << "Xvfb and xwd are needed (apt-get install xvfb x11-apps)";
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    SetDisplayDriver(&sdlVideoDriver);
    IgnoreLibraryLeaks(true);
    const struct {
        const char *name;
        RowConverter converter;
        int bits[3]; // red, green, blue
    } formats[] = {
        {"32", ConvertRow32, {8, 8, 8}},   {"32bgr", ConvertRow32Bgr, {8, 8, 8}},
        {"24", ConvertRow24, {8, 8, 8}},   {"24bgr", ConvertRow24Bgr, {8, 8, 8}},
        {"565", ConvertRow565, {5, 6, 5}}, {"565bgr", ConvertRow565Bgr, {5, 6, 5}},
        {"555", ConvertRow555, {5, 5, 5}}, {"555bgr", ConvertRow555Bgr, {5, 5, 5}},
    };
    const int W = 512, H = 384, ox = (1100 - 2 * W) / 2, oy = (800 - 2 * H) / 2;
    std::vector<uint32_t> frame(W * H);
    for (int i = 0; i < W * H; i++) frame[i] = ((uint32_t)i * 2654435761u) >> 8; // top byte 0
    for (const auto &f : formats) {
        SCOPED_TRACE(f.name);
        setenv("GLIMMERFALL_PIXEL_FORMAT", f.name, 1);
        ASSERT_EQ(OpenDisplay("Glimmerfall", W, H), 1);
        EXPECT_EQ(displayState.converter, f.converter);
        ASSERT_TRUE(Show(frame)) << "the window never became visible";
        int w = 0, h = 0, wrong = 0;
        std::vector<uint32_t> shot = ReadRootWindow(display, &w, &h);
        ASSERT_EQ(shot.size(), 1100u * 800u);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                int fx = (x - ox) / 2, fy = (y - oy) / 2;
                bool inside = x >= ox && y >= oy && fx < W && fy < H;
                uint32_t got = shot[y * w + x], want = inside ? frame[fy * W + fx] : 0;
                // A channel of b bits keeps the byte's top b bits and the screen
                // widens them back: at most 2^(8-b) - 1 away.
                for (int c = 0; c < 3; c++) {
                    int g = got >> (16 - 8 * c) & 0xFF, v = want >> (16 - 8 * c) & 0xFF;
                    wrong += abs(g - v) > (1 << (8 - f.bits[c])) - 1;
                }
            }
        EXPECT_EQ(wrong, 0);
        CloseDisplay();
    }
    // GLIMMERFALL_WINDOW=1: a window at the largest whole multiple within three
    // quarters of the desktop, here 1.
    setenv("GLIMMERFALL_WINDOW", "1", 1);
    unsetenv("GLIMMERFALL_PIXEL_FORMAT");
    ASSERT_EQ(OpenDisplay("Glimmerfall", W, H), 1);
    EXPECT_TRUE(Show(std::vector<uint32_t>(W * H, 0x00FF8000)));
    int w, h;
    std::vector<uint32_t> shot = ReadRootWindow(display, &w, &h);
    EXPECT_EQ(std::count(shot.begin(), shot.end(), 0x00FF8000u), W * H);
    CloseDisplay();
    unsetenv("GLIMMERFALL_WINDOW");
    IgnoreLibraryLeaks(false);
}
