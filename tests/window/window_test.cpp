// The show in a real window: demo512 runs under an X server of its own with
// SDL's X11 driver and silent audio, as a user starts it from the project
// root. Its frames must reach the screen and move, and Escape must end it
// with status 0. Skipped, with the reason, where Xvfb, xdotool, data/ or the
// program is missing; everything it starts is killed whatever happens.
#include "support/plant.h"
#include "support/process.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

static const std::string demo = GF_BINARY_DIR "/demo512";

// Why the show cannot be run here, or "".
static std::string Missing(void) {
    if (system("command -v Xvfb >/dev/null && command -v xwd >/dev/null") != 0)
        return "Xvfb and xwd are needed (apt-get install xvfb x11-apps)";
    if (system("command -v xdotool >/dev/null && command -v xwininfo >/dev/null") != 0)
        return "xdotool and xwininfo are needed (apt-get install xdotool x11-utils)";
    if (access("data/final.mp3", R_OK) != 0) return "data/ is needed (make data)";
    if (access(demo.c_str(), X_OK) != 0) return demo + " is not built";
    return "";
}

TEST(ShowWindow, Demo512DrawsMovingFramesAndEscapeEndsItWithStatusZero) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    struct Run { // the show and the server go whichever way the test ends
        pid_t server = -1, show = -1;
        ~Run() {
            if (show > 0) kill(show, SIGKILL), waitpid(show, nullptr, 0);
            if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        }
    } run;
    // The whole screen is the window at twice the frame's size.
    std::string display = StartXvfb(&run.server, "1024x768x24");
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    char logName[] = "/tmp/gf-window-XXXXXX";
    close(mkstemp(logName));
    std::string log = logName;
    struct Unlink {
        std::string path;
        ~Unlink() { unlink(path.c_str()); }
    } unlinkLog{log};
    // No sound card, no dialog that waits for a person; the leak checker
    // (in sanitizer builds) stays out of an exit from the middle of the show.
    std::vector<std::string> env = {"DISPLAY=" + display,    "SDL_VIDEODRIVER=x11",
                                    "SDL_AUDIODRIVER=dummy", "GLIMMERFALL_NO_DIALOG=1",
                                    "GLIMMERFALL_WINDOW=",   "ASAN_OPTIONS=detect_leaks=0"};
    run.show = StartProcess({demo}, env, "", log);
    ASSERT_GT(run.show, 0);
    auto running = [&] { return waitpid(run.show, nullptr, WNOHANG) == 0; };

    // Loaded and playing: the console has said "Part One".
    ASSERT_TRUE(WaitUntil(
        180, [&] { return ReadFile(log).find("Part One") != std::string::npos || !running(); }));
    ASSERT_TRUE(running()) << "the show ended by itself:\n" << ReadFile(log);

    // The screen shows a picture, and a later look shows another one.
    int w = 0, h = 0;
    std::vector<uint32_t> first, later;
    EXPECT_TRUE(WaitUntil(60, [&] {
        first = ReadRootWindow(display, &w, &h);
        return std::any_of(first.begin(), first.end(), [](uint32_t p) { return p != 0; });
    })) << "the screen stays black";
    EXPECT_EQ(first.size(), 1024u * 768u);
    EXPECT_TRUE(WaitUntil(60, [&] {
        later = ReadRootWindow(display, &w, &h);
        return !later.empty() && later != first;
    })) << "the picture does not move";

    // Escape, pressed on the X server's keyboard.
    EXPECT_EQ(RunProcess({"xdotool", "key", "Escape"}, {"DISPLAY=" + display}, "", "", 30), 0);
    int status = WaitProcess(run.show, 60);
    run.show = -1;
    EXPECT_EQ(status, 0) << (status < 0 ? "the show did not end on Escape\n" : "") << ReadFile(log);
}

// The show under an X server of its own, started in folder dir (empty: here).
struct ShowRun {
    pid_t server = -1, show = -1;
    std::string display, log;
    ~ShowRun() {
        if (show > 0) kill(show, SIGKILL), waitpid(show, nullptr, 0);
        if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        if (!log.empty()) unlink(log.c_str());
    }
    bool Start(const std::string &dir, std::vector<std::string> env = {}) {
        display = StartXvfb(&server, "1024x768x24");
        if (display.empty()) return false;
        char name[] = "/tmp/gf-window-XXXXXX";
        close(mkstemp(name));
        log = name;
        std::vector<std::string> base = {"DISPLAY=" + display,    "SDL_VIDEODRIVER=x11",
                                         "SDL_AUDIODRIVER=dummy", "GLIMMERFALL_NO_DIALOG=1",
                                         "GLIMMERFALL_WINDOW=",   "ASAN_OPTIONS=detect_leaks=0"};
        base.insert(base.end(), env.begin(), env.end());
        show = StartProcess({demo}, base, dir, log);
        return show > 0;
    }
    bool Running() { return waitpid(show, nullptr, WNOHANG) == 0; }
    // Waits for the show to end: its status as WaitProcess gives it.
    int End(double seconds) {
        int status = WaitProcess(show, seconds);
        show = -1;
        return status;
    }
};

// Ctrl+C or a termination ends the show by that signal, as a shell expects
// (130, 143), whether it plays or still loads; a file that never comes (a
// FIFO planted as a picture) does not hold the loading.
TEST(ShowWindow, SignalsEndTheShowByTheSignalWhilePlayingOrLoading) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig == SIGINT ? "SIGINT while playing" : "SIGTERM while playing");
        ShowRun run;
        ASSERT_TRUE(run.Start(""));
        ASSERT_TRUE(WaitUntil(180, [&] {
            return ReadFile(run.log).find("Part One") != std::string::npos || !run.Running();
        }));
        ASSERT_TRUE(run.Running()) << ReadFile(run.log);
        kill(run.show, sig);
        EXPECT_EQ(run.End(60), 128 + sig) << ReadFile(run.log);
    }
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig == SIGINT ? "SIGINT while loading" : "SIGTERM while loading");
        TempFolder tmp;
        ASSERT_TRUE(LinkDataBut(tmp.path, "key.jpg"));
        ASSERT_EQ(mkfifo((tmp.path + "/data/key.jpg").c_str(), 0644), 0);
        ShowRun run;
        ASSERT_TRUE(run.Start(tmp.path));
        // Waiting in the open of the FIFO, for a writer that never comes.
        std::string wchan = "/proc/" + std::to_string(run.show) + "/wchan";
        ASSERT_TRUE(WaitUntil(180, [&] {
            return ReadFile(wchan) == "wait_for_partner" || !run.Running();
        })) << ReadFile(run.log);
        ASSERT_TRUE(run.Running()) << ReadFile(run.log);
        kill(run.show, sig);
        EXPECT_EQ(run.End(60), 128 + sig) << ReadFile(run.log);
        EXPECT_EQ(ReadFile(run.log).find("cannot start"), std::string::npos) << ReadFile(run.log);
    }
}

// A start-up error is shown in a message box whenever a display can show
// one (started from a desktop, standard error is seen by nobody); never
// when the run says it is automated, and never from the capture tool.
TEST(ShowWindow, StartUpErrorShowsADialogUnlessTheRunIsAutomated) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    TempFolder tmp;
    ASSERT_TRUE(LinkDataBut(tmp.path, "key.jpg")); // key.jpg missing
    {
        ShowRun run;
        ASSERT_TRUE(run.Start(tmp.path, {"GLIMMERFALL_NO_DIALOG=", "CI="}));
        // The box is a top-level window titled "Error".
        std::string box;
        auto findBox = [&] { return !(box = FindWindowId(run.display, "Error")).empty(); };
        EXPECT_TRUE(WaitUntil(120, [&] { return findBox() || !run.Running(); }))
            << ReadFile(run.log);
        ASSERT_FALSE(box.empty()) << "no message box\n" << ReadFile(run.log);
        EXPECT_TRUE(run.Running()) << "it must wait for the user";
        EXPECT_NE(ReadFile(run.log).find("data/key.jpg"), std::string::npos) << ReadFile(run.log);
        // OK, by the keyboard: the show then ends as failed.
        RunProcess({"xdotool", "key", "--window", box, "Return"}, {"DISPLAY=" + run.display}, "",
                   "", 30);
        EXPECT_EQ(run.End(60), 1) << ReadFile(run.log);
    }
    for (const char *automated : {"CI=true", "GLIMMERFALL_NO_DIALOG=1"}) {
        SCOPED_TRACE(automated);
        ShowRun run;
        ASSERT_TRUE(run.Start(tmp.path, {"GLIMMERFALL_NO_DIALOG=", "CI=", automated}));
        EXPECT_EQ(run.End(120), 1) << ReadFile(run.log);
        EXPECT_NE(ReadFile(run.log).find("Error: Cannot load data/key.jpg"), std::string::npos)
            << ReadFile(run.log);
    }
    const std::string capture = GF_BINARY_DIR "/glimmerfall-capture";
    if (access(capture.c_str(), X_OK) == 0) {
        ShowRun run; // its X server only: the capture draws off screen
        run.display = StartXvfb(&run.server, "640x480x24");
        EXPECT_EQ(RunProcess({capture, "--hashes", "/dev/null"},
                             {"DISPLAY=" + run.display, "GLIMMERFALL_NO_DIALOG=", "CI="}, tmp.path,
                             "", 120),
                  1);
    }
}

// The show window's size on the X server, "WxH", or "" while there is none.
static std::string ShowWindowSize(const std::string &display) {
    return WindowSize(display, "Glimmerfall");
}

// F11 and Alt+Enter switch the playing show between full screen and a
// window (frame-sized here: three quarters of 1024 x 768 hold one 512 x 384),
// and the show plays on until Escape.
TEST(ShowWindow, F11AndAltEnterSwitchBetweenFullScreenAndAWindow) {
    std::string why = Missing();
    if (!why.empty()) GTEST_SKIP() << why;
    ShowRun run;
    ASSERT_TRUE(run.Start(""));
    ASSERT_TRUE(WaitUntil(180, [&] {
        return ReadFile(run.log).find("Part One") != std::string::npos || !run.Running();
    }));
    ASSERT_TRUE(run.Running()) << ReadFile(run.log);
    EXPECT_EQ(ShowWindowSize(run.display), "1024x768");
    auto key = [&](const char *name) {
        RunProcess({"xdotool", "key", name}, {"DISPLAY=" + run.display}, "", "", 30);
    };
    key("F11");
    EXPECT_TRUE(WaitUntil(30, [&] { return ShowWindowSize(run.display) == "512x384"; }))
        << ShowWindowSize(run.display);
    key("alt+Return");
    EXPECT_TRUE(WaitUntil(30, [&] { return ShowWindowSize(run.display) == "1024x768"; }))
        << ShowWindowSize(run.display);
    key("alt+Return");
    EXPECT_TRUE(WaitUntil(30, [&] { return ShowWindowSize(run.display) == "512x384"; }))
        << ShowWindowSize(run.display);
    EXPECT_TRUE(run.Running()) << ReadFile(run.log);
    key("Escape");
    EXPECT_EQ(run.End(60), 0) << ReadFile(run.log);
}
