// The show in a real window: demo512 runs under an X server of its own with
// SDL's X11 driver and silent audio, as a user starts it from the project
// root. Its frames must reach the screen and move, and Escape must end it
// with status 0. Skipped, with the reason, where Xvfb, xdotool, data/ or the
// program is missing; everything it starts is killed whatever happens.
#include "support/process.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>

static const std::string demo = GF_BINARY_DIR "/demo512";

// Why the show cannot be run here, or "".
static std::string Missing(void) {
    if (system("command -v Xvfb >/dev/null && command -v xwd >/dev/null") != 0)
        return "Xvfb and xwd are needed (apt-get install xvfb x11-apps)";
    if (system("command -v xdotool >/dev/null") != 0)
        return "xdotool is needed (apt-get install xdotool)";
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
