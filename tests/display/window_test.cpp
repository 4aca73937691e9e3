// The real SDL window under Xvfb: in each of the eight forced pixel formats a
// known frame is presented and read back from the X server with xwd. The
// frame must appear scaled by 2 (1100 x 800 screen, 512 x 384 frame),
// centred, black around it, every pixel within its format's precision.
#include "display/display.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The X, GL and D-Bus client libraries keep allocations to the end of the
// process by design; the leak checker is told to look away while they run.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define IgnoreLibraryLeaks(on) ((on) ? __lsan_disable() : __lsan_enable())
#else
#define IgnoreLibraryLeaks(on) ((void)0)
#endif

static bool OnPath(const char *tool) {
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

// An Xvfb of its own, on a display number the server picks itself.
class Xvfb {
  public:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1100x800x24",
                   "-nolisten", "tcp", "-noreset", (char *)nullptr);
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd p = {fds[0], POLLIN, 0};
        char c;
        while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display = ":" + number;
    }
    ~Xvfb() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    std::string display; // empty when the server did not start
};

struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB
};

static uint32_t Be32(const std::vector<uint8_t> &b, size_t at) {
    return (uint32_t)b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// The root window as xwd dumps it: a big-endian header of 25 words, the
// window name, the colour map, then ZPixmap rows.
static Screenshot Capture(const std::string &display) {
    Screenshot shot;
    std::string cmd = "xwd -root -silent -display " + display;
    FILE *f = popen(cmd.c_str(), "r");
    if (!f) return shot;
    std::vector<uint8_t> b;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) b.insert(b.end(), chunk, chunk + n);
    pclose(f);
    if (b.size() < 100) return shot;
    uint32_t headerSize = Be32(b, 0), width = Be32(b, 16), height = Be32(b, 20);
    uint32_t byteOrder = Be32(b, 28), bytesPerLine = Be32(b, 48);
    uint32_t redMask = Be32(b, 56), greenMask = Be32(b, 60), blueMask = Be32(b, 64);
    uint32_t colours = Be32(b, 76);
    size_t data = headerSize + colours * 12;
    // 24-bit pixels come packed in 3 bytes, 32-bit ones in 4.
    uint32_t bytes = Be32(b, 44) / 8;
    if ((bytes != 3 && bytes != 4) || bytesPerLine < width * bytes ||
        b.size() < data + (size_t)bytesPerLine * height)
        return shot;
    auto channel = [](uint32_t v, uint32_t mask) {
        return (v & mask) >> __builtin_ctz(mask) & 0xFF;
    };
    shot.width = (int)width;
    shot.height = (int)height;
    shot.pixels.resize((size_t)width * height);
    for (uint32_t y = 0; y < height; y++)
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t *q = &b[data + y * bytesPerLine + x * bytes];
            uint32_t v = 0;
            for (uint32_t i = 0; i < bytes; i++)
                v |= (uint32_t)q[byteOrder == 0 ? i : bytes - 1 - i] << (8 * i);
            shot.pixels[y * width + x] =
                channel(v, redMask) << 16 | channel(v, greenMask) << 8 | channel(v, blueMask);
        }
    return shot;
}

class RealWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!OnPath("Xvfb") || !OnPath("xwd")) return;
        server = new Xvfb();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!server || server->display.empty())
            GTEST_SKIP() << "Xvfb and xwd are needed for the real-window test (apt-get install "
                            "xvfb x11-apps)";
        setenv("DISPLAY", server->display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        unsetenv("GLIMMERFALL_WINDOW");
        displayState = DisplayState{};
        SetDisplayDriver(&sdlVideoDriver);
        IgnoreLibraryLeaks(true);
        ignoring = true;
    }
    void TearDown() override {
        CloseDisplay();
        unsetenv("GLIMMERFALL_PIXEL_FORMAT");
        if (ignoring) IgnoreLibraryLeaks(false);
    }
    bool ignoring = false;
    // Presents frame until the window has been activated and the frame
    // drawn a few times (both buffers hold it). False if it never shows.
    static bool Show(const std::vector<uint32_t> &frame) {
        int drawn = 0;
        for (int tries = 0; tries < 3000 && drawn < 3; tries++) {
            int wasActive = displayState.active;
            if (PresentFrame(frame.data()) && wasActive && displayState.active) drawn++;
        }
        return drawn == 3;
    }
    static Xvfb *server;
};
Xvfb *RealWindow::server;

TEST_F(RealWindow, EveryForcedFormatShowsTheFrameScaledCentredAndExact) {
    const struct {
        const char *name;
        RowConverter converter;
        int redBits, greenBits, blueBits;
    } formats[] = {
        {"32", ConvertRow32, 8, 8, 8},   {"32bgr", ConvertRow32Bgr, 8, 8, 8},
        {"24", ConvertRow24, 8, 8, 8},   {"24bgr", ConvertRow24Bgr, 8, 8, 8},
        {"565", ConvertRow565, 5, 6, 5}, {"565bgr", ConvertRow565Bgr, 5, 6, 5},
        {"555", ConvertRow555, 5, 5, 5}, {"555bgr", ConvertRow555Bgr, 5, 5, 5},
    };
    const int W = 512, H = 384, scale = 2, ox = (1100 - W * scale) / 2, oy = (800 - H * scale) / 2;
    std::vector<uint32_t> frame(W * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            uint32_t h = (uint32_t)x * 73856093u ^ (uint32_t)y * 19349663u;
            frame[y * W + x] = (h * 2654435761u) >> 8; // every bit pattern, top byte 0
        }
    for (const auto &f : formats) {
        SCOPED_TRACE(f.name);
        setenv("GLIMMERFALL_PIXEL_FORMAT", f.name, 1);
        ASSERT_EQ(OpenDisplay("Glimmerfall", W, H), 1);
        EXPECT_EQ(displayState.converter, f.converter);
        ASSERT_TRUE(Show(frame)) << "the window never became visible";
        Screenshot shot = Capture(server->display);
        ASSERT_EQ(shot.width, 1100);
        ASSERT_EQ(shot.height, 800);
        // A channel of b bits keeps the top b bits of the byte, and the
        // screen widens it back: at most 2^(8-b) - 1 away from the original.
        auto close = [](uint32_t got, uint32_t want, int shift, int bits) {
            int g = (int)(got >> shift & 0xFF), w = (int)(want >> shift & 0xFF);
            return abs(g - w) <= (1 << (8 - bits)) - 1;
        };
        int wrong = 0, firstWrong = -1;
        for (int y = 0; y < shot.height; y++)
            for (int x = 0; x < shot.width; x++) {
                uint32_t got = shot.pixels[y * shot.width + x];
                int fx = (x - ox) / scale, fy = (y - oy) / scale;
                bool inside = x >= ox && y >= oy && fx < W && fy < H;
                bool ok = inside ? close(got, frame[fy * W + fx], 16, f.redBits) &&
                                       close(got, frame[fy * W + fx], 8, f.greenBits) &&
                                       close(got, frame[fy * W + fx], 0, f.blueBits)
                                 : got == 0;
                if (!ok && wrong++ == 0) firstWrong = y * shot.width + x;
            }
        EXPECT_EQ(wrong, 0) << "first at x " << firstWrong % 1100 << " y " << firstWrong / 1100;
        CloseDisplay();
    }
}

TEST_F(RealWindow, ResizableWindowOpensAndShowsFrames) {
    setenv("GLIMMERFALL_WINDOW", "1", 1);
    ASSERT_EQ(OpenDisplay("Glimmerfall", 512, 384), 1);
    std::vector<uint32_t> frame(512 * 384, 0x00FF8000);
    EXPECT_TRUE(Show(frame));
    Screenshot shot = Capture(server->display);
    int orange = 0;
    for (uint32_t p : shot.pixels) orange += p == 0x00FF8000;
    EXPECT_EQ(orange, 512 * 384); // one whole multiple (1) fits three quarters of 1100 x 800
}
