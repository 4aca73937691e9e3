// The Windows package under Wine: the packaged demo640.exe runs in a window
// on an X server of the test's own, with Wine's X11 driver and SDL's dummy
// sound. First the loading picture must reach the screen pixel for pixel,
// then the show must move, and Escape must end it with status 0. A package
// with a data file missing must stop with the message naming the file.
// Run by scripts/test-windows, which sets GF_WINDOWS_PACKAGE (the unpacked
// glimmerfall/ folder), GF_WINE (the Wine loader) and WINEPREFIX; skipped
// without them.
#include "raster2d/image.h"
#include "support/process.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>

static std::string Env(const char *name) {
    const char *v = getenv(name);
    return v ? v : "";
}

// Why the package cannot be run here, or "".
static std::string Missing(void) {
    if (Env("GF_WINDOWS_PACKAGE").empty() || Env("GF_WINE").empty())
        return "GF_WINDOWS_PACKAGE and GF_WINE are not set (make test-windows sets them)";
    if (system("command -v Xvfb >/dev/null && command -v xwd >/dev/null") != 0)
        return "Xvfb and xwd are needed (apt-get install xvfb x11-apps)";
    if (system("command -v xdotool >/dev/null") != 0)
        return "xdotool is needed (apt-get install xdotool)";
    return "";
}

// 1 when the screen (w x h) holds picture somewhere, pixel for pixel.
static bool ShowsPicture(const std::vector<uint32_t> &screen, int w, int h, const Image *picture) {
    int pw = picture->width, ph = picture->height;
    const uint32_t *p = picture->pixels;
    for (int y = 0; y + ph <= h; y++)
        for (int x = 0; x + pw <= w; x++) {
            const uint32_t *s = &screen[(size_t)y * w + x];
            // The corners and the centre first: most places fail there.
            if (s[0] != p[0] || s[pw - 1] != p[pw - 1] ||
                s[(size_t)(ph / 2) * w + pw / 2] != p[(size_t)(ph / 2) * pw + pw / 2])
                continue;
            bool all = true;
            for (int r = 0; all && r < ph; r++)
                all = std::equal(p + (size_t)r * pw, p + (size_t)(r + 1) * pw, s + (size_t)r * w);
            if (all) return true;
        }
    return false;
}

struct WineRun { // the show and the server go whichever way the test ends
    pid_t server = -1, show = -1;
    std::string display, log;
    ~WineRun() {
        if (show > 0) kill(show, SIGKILL), waitpid(show, nullptr, 0);
        if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        if (!log.empty()) unlink(log.c_str());
    }
    // Starts program (a path under Wine) in folder dir on a new X server.
    void Start(const std::string &program, const std::string &dir) {
        display = StartXvfb(&server, "1024x768x24");
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
        char logName[] = "/tmp/gf-wine-XXXXXX";
        close(mkstemp(logName));
        log = logName;
        std::vector<std::string> env = {
            "DISPLAY=" + display,   "SDL_AUDIODRIVER=dummy", "GLIMMERFALL_NO_DIALOG=1",
            "GLIMMERFALL_WINDOW=1", "WINEDEBUG=-all",        "WINEDLLOVERRIDES=mscoree,mshtml="};
        show = StartProcess({Env("GF_WINE"), program}, env, dir, log);
        ASSERT_GT(show, 0);
    }
    bool Running() { return waitpid(show, nullptr, WNOHANG) == 0; }
};

TEST(WindowsPackage, LoadingPictureThenMovingShowAndEscapeEndsItWithStatusZero) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    std::string package = Env("GF_WINDOWS_PACKAGE");
    std::string jpeg = ReadFile(package + "/data/load.jpg");
    Image *loading = DecodeJpeg((const uint8_t *)jpeg.data(), jpeg.size(), "load.jpg");
    ASSERT_NE(loading, nullptr);
    struct Free {
        Image *image;
        ~Free() { FreeJpeg(image); }
    } freeLoading{loading};
    WineRun run;
    ASSERT_NO_FATAL_FAILURE(run.Start(package + "/demo640.exe", package));

    // The loading picture, as decoded here, somewhere on the screen: the
    // window sits where Wine puts it, the frame unscaled in it.
    int w = 0, h = 0;
    std::vector<uint32_t> screen;
    bool loadingSeen = WaitUntil(120, [&] {
        screen = ReadRootWindow(run.display, &w, &h);
        return (!screen.empty() && ShowsPicture(screen, w, h, loading)) || !run.Running();
    });
    EXPECT_TRUE(loadingSeen && run.Running()) << "the loading picture never showed\n"
                                              << ReadFile(run.log);

    // Then the show: the console says "Part One" and the screen moves on to
    // pictures other than the loading one.
    ASSERT_TRUE(WaitUntil(120, [&] {
        return ReadFile(run.log).find("Part One") != std::string::npos || !run.Running();
    }));
    ASSERT_TRUE(run.Running()) << "the show ended by itself:\n" << ReadFile(run.log);
    std::vector<uint32_t> first, later;
    EXPECT_TRUE(WaitUntil(60, [&] {
        first = ReadRootWindow(run.display, &w, &h);
        return !first.empty() && !ShowsPicture(first, w, h, loading) &&
               std::any_of(first.begin(), first.end(), [](uint32_t p) { return p != 0; });
    })) << "the show does not appear";
    EXPECT_TRUE(WaitUntil(60, [&] {
        later = ReadRootWindow(run.display, &w, &h);
        return !later.empty() && later != first;
    })) << "the picture does not move";

    EXPECT_EQ(RunProcess({"xdotool", "key", "Escape"}, {"DISPLAY=" + run.display}, "", "", 30), 0);
    int status = WaitProcess(run.show, 60);
    run.show = -1;
    EXPECT_EQ(status, 0) << (status < 0 ? "the show did not end on Escape\n" : "")
                         << ReadFile(run.log);
}

TEST(WindowsPackage, AMissingDataFileStopsTheShowWithAMessageNamingIt) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    std::string package = Env("GF_WINDOWS_PACKAGE");
    // A copy of the package without one of the pictures.
    TempFolder copy;
    ASSERT_EQ(RunProcess({"cp", "-r", package + "/.", copy.path}, {}, "", "", 60), 0);
    ASSERT_EQ(unlink((copy.path + "/data/drake.jpg").c_str()), 0);
    WineRun run;
    ASSERT_NO_FATAL_FAILURE(run.Start(copy.path + "/demo640.exe", copy.path));
    int status = WaitProcess(run.show, 120);
    run.show = -1;
    std::string log = ReadFile(run.log);
    EXPECT_EQ(status, 1) << log;
    EXPECT_NE(log.find("data/drake.jpg"), std::string::npos) << log;
    EXPECT_EQ(log.find("Part One"), std::string::npos) << log;
}
