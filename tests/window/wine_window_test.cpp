// The Windows package under Wine: the packaged demo640.exe runs in a window
// on an X server of the test's own, with Wine's X11 driver and SDL's dummy
// sound. First the loading picture must reach the screen pixel for pixel,
// then the show must move, and Escape must end it with status 0. A package
// with a data file missing must stop with the message naming the file, in a
// message box that waits for OK unless the run is automated. Without a sound
// device the show plays full screen on the wall clock.
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
    // Starts program (a path under Wine) in folder dir on a new X server,
    // with more ("NAME=value", "NAME=" to remove) added to its environment.
    void Start(const std::string &program, const std::string &dir,
               const std::vector<std::string> &more = {}) {
        display = StartXvfb(&server, "1024x768x24");
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
        char logName[] = "/tmp/gf-wine-XXXXXX";
        close(mkstemp(logName));
        log = logName;
        std::vector<std::string> env = {
            "DISPLAY=" + display,   "SDL_AUDIODRIVER=dummy", "GLIMMERFALL_NO_DIALOG=1",
            "GLIMMERFALL_WINDOW=1", "WINEDEBUG=-all",        "WINEDLLOVERRIDES=mscoree,mshtml="};
        env.insert(env.end(), more.begin(), more.end());
        show = StartProcess({Env("GF_WINE"), program}, env, dir, log);
        ASSERT_GT(show, 0);
    }
    bool Running() { return waitpid(show, nullptr, WNOHANG) == 0; }
    // Checks that the screen moves on from first, then that Escape ends the
    // show with status 0.
    void MovesThenEndsOnEscape(const std::vector<uint32_t> &first) {
        int w = 0, h = 0;
        std::vector<uint32_t> later;
        EXPECT_TRUE(WaitUntil(60, [&] {
            later = ReadRootWindow(display, &w, &h);
            return !later.empty() && later != first;
        })) << "the picture does not move";
        EXPECT_EQ(RunProcess({"xdotool", "key", "Escape"}, {"DISPLAY=" + display}, "", "", 30), 0);
        int status = WaitProcess(show, 60);
        show = -1;
        EXPECT_EQ(status, 0) << (status < 0 ? "the show did not end on Escape\n" : "")
                             << ReadFile(log);
    }
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
    std::vector<uint32_t> first;
    EXPECT_TRUE(WaitUntil(60, [&] {
        first = ReadRootWindow(run.display, &w, &h);
        return !first.empty() && !ShowsPicture(first, w, h, loading) &&
               std::any_of(first.begin(), first.end(), [](uint32_t p) { return p != 0; });
    })) << "the show does not appear";
    run.MovesThenEndsOnEscape(first);
}

// A copy of the package in folder without data/name.
static bool CopyPackageBut(const std::string &folder, const char *name) {
    return RunProcess({"cp", "-r", Env("GF_WINDOWS_PACKAGE") + "/.", folder}, {}, "", "", 60) ==
               0 &&
           unlink((folder + "/data/" + name).c_str()) == 0;
}

TEST(WindowsPackage, AMissingDataFileStopsTheShowWithAMessageNamingIt) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    TempFolder copy;
    ASSERT_TRUE(CopyPackageBut(copy.path, "drake.jpg"));
    {
        // Automated: the line alone, and the program ends at once.
        WineRun run;
        ASSERT_NO_FATAL_FAILURE(run.Start(copy.path + "/demo640.exe", copy.path));
        int status = WaitProcess(run.show, 120);
        run.show = -1;
        std::string log = ReadFile(run.log);
        EXPECT_EQ(status, 1) << log;
        EXPECT_NE(log.find("data/drake.jpg"), std::string::npos) << log;
        EXPECT_EQ(log.find("Part One"), std::string::npos) << log;
    }
    // Started from the desktop: a box titled "Error" that holds the program
    // until OK (Return), even in front of the full-screen show.
    WineRun run;
    ASSERT_NO_FATAL_FAILURE(run.Start(copy.path + "/demo640.exe", copy.path,
                                      {"GLIMMERFALL_NO_DIALOG=", "CI=", "GLIMMERFALL_WINDOW="}));
    std::string box;
    EXPECT_TRUE(WaitUntil(120, [&] {
        return !(box = FindWindowId(run.display, "Error")).empty() || !run.Running();
    }));
    ASSERT_FALSE(box.empty()) << "no message box\n" << ReadFile(run.log);
    EXPECT_TRUE(run.Running()) << "it must wait for the user";
    EXPECT_NE(ReadFile(run.log).find("data/drake.jpg"), std::string::npos) << ReadFile(run.log);
    RunProcess({"xdotool", "key", "--window", box, "Return"}, {"DISPLAY=" + run.display}, "", "",
               30);
    int status = WaitProcess(run.show, 60);
    run.show = -1;
    EXPECT_EQ(status, 1) << (status < 0 ? "OK did not end the program\n" : "") << ReadFile(run.log);
}

// As a double-click starts it: full screen over the whole desktop. With no
// sound device the start-up says so and the show plays on the wall clock.
TEST(WindowsPackage, FullScreenByDefaultAndTheWallClockWithoutASoundDevice) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    std::string package = Env("GF_WINDOWS_PACKAGE");
    WineRun run;
    ASSERT_NO_FATAL_FAILURE(run.Start(package + "/demo640.exe", package,
                                      {"GLIMMERFALL_WINDOW=", "SDL_AUDIODRIVER=no-such-driver"}));
    ASSERT_TRUE(WaitUntil(120, [&] {
        return ReadFile(run.log).find("Part One") != std::string::npos || !run.Running();
    }));
    ASSERT_TRUE(run.Running()) << ReadFile(run.log);
    EXPECT_NE(ReadFile(run.log).find("Error: No Init"), std::string::npos) << ReadFile(run.log);
    EXPECT_EQ(WindowSize(run.display, "Glimmerfall"), "1024x768");
    // The silent clock moves the show on.
    int w = 0, h = 0;
    run.MovesThenEndsOnEscape(ReadRootWindow(run.display, &w, &h));
}
