// OpenDisplay, PresentFrame, CloseDisplay and the window messages: on a
// driver that logs its calls and refuses what it is told to, and on the
// off-screen driver.
#include "display/display.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

static std::string calls, refuse; // "load window mode32 ..." in order; the calls that fail
static PixelFormat fakeFormat;
static uint8_t fakeSurface[32];

static int Log(const std::string &name) {
    calls += name + " ";
    return refuse.find(name + " ") == std::string::npos;
}

static const VideoDriver recordingDriver = {
    [] { return Log("load"); },
    [] { Log("unload"); },
    [](const char *, int, int) { return Log("window"); },
    [] { Log("destroyWindow"); },
    [](int, int, int bits) { return Log("mode" + std::to_string(bits)); },
    [] { Log("restoreMode"); },
    [](int n) { return Log("surface" + std::to_string(n)); },
    [] { Log("release"); },
    [](PixelFormat *f) { return *f = fakeFormat, Log("format"); },
    [](VideoMessage *) { return 0; },
    [] { Log("restore"); },
    [](uint8_t **p, int *pitch) { return *p = fakeSurface, *pitch = 16, Log("lock"); },
    [] { Log("unlock"); },
    [] { Log("flip"); },
    [](int ms) { Log("sleep" + std::to_string(ms)); },
    [](int on) { Log(on ? "saverOn" : "saverOff"); },
    [] { Log("hideCursor"); },
    nullptr, // a display that cannot switch between full screen and a window
    nullptr,
    nullptr,
};

static const PixelFormat xrgb = {32, 0xFF0000, 0xFF00, 0xFF, 1},
                         bgr24 = {24, 0xFF, 0xFF00, 0xFF0000, 1},
                         rgb555 = {16, 0x7C00, 0x3E0, 0x1F, 1}, palette = {32, 0, 0, 0, 0},
                         badMasks = {32, 0xFF0000, 0xFF00, 0xFF00FF, 1};

TEST(Display, OpenTriesDeeperModesFirstAndCloseUndoesOnlyWhatExists) {
    const struct {
        const char *refuse;
        PixelFormat format;
        RowConverter converter;   // null: set-up fails
        const char *open, *close; // close null: everything is released
    } cases[] = {
        {"", xrgb, ConvertRow32, "load window mode32 surface2 format saverOff ", nullptr},
        {"mode32 surface2 ", bgr24, ConvertRow24Bgr,
         "load window mode32 mode24 surface2 surface1 format saverOff ", nullptr},
        {"mode32 mode24 ", rgb555, ConvertRow555,
         "load window mode32 mode24 mode16 surface2 format saverOff ", nullptr},
        {"load ", xrgb, nullptr, "load ", ""},
        {"window ", xrgb, nullptr, "load window ", "saverOn unload "},
        {"mode32 mode24 mode16 ", xrgb, nullptr, "load window mode32 mode24 mode16 ",
         "destroyWindow saverOn unload "},
        {"surface2 surface1 ", xrgb, nullptr, "load window mode32 surface2 surface1 ",
         "restoreMode destroyWindow saverOn unload "},
        {"format ", xrgb, nullptr, "load window mode32 surface2 format ", nullptr},
        {"", palette, nullptr, "load window mode32 surface2 format ", nullptr},
        {"", badMasks, nullptr, "load window mode32 surface2 format ", nullptr},
    };
    SetDisplayDriver(&recordingDriver);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.open);
        calls.clear();
        refuse = c.refuse;
        fakeFormat = c.format;
        EXPECT_EQ(OpenDisplay("Glimmerfall", 4, 2), c.converter ? 1 : 0);
        EXPECT_EQ(calls, c.open);
        EXPECT_EQ(displayState.converter, c.converter);
        displayState.active = 1; // a failed set-up is never drawn into, active or not
        calls.clear();
        if (!c.converter) {
            EXPECT_EQ(PresentFrame(nullptr), 0);
            EXPECT_EQ(calls.find("lock"), std::string::npos);
        }
        calls.clear();
        CloseDisplay();
        CloseDisplay(); // the second call releases nothing twice
        EXPECT_EQ(calls, c.close ? c.close : "release restoreMode destroyWindow saverOn unload ");
    }
    SetDisplayDriver(nullptr);
}

TEST(Display, PresentConvertsRowsAtThePitchThenFlipsOrSkipsWhileInactive) {
    SetDisplayDriver(&recordingDriver);
    refuse.clear();
    fakeFormat = xrgb;
    ASSERT_EQ(OpenDisplay("Glimmerfall", 2, 2), 1); // 8 bytes a row, 16 apart
    const uint32_t frame[4] = {1, 2, 3, 4};
    memset(fakeSurface, 0xEE, sizeof fakeSurface);
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 1); // never activated yet: dropped
    EXPECT_EQ(calls, "sleep1 ");
    displayState.active = 1;
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(calls, "restore lock unlock flip sleep0 ");
    EXPECT_EQ(0, memcmp(fakeSurface, frame, 8));
    EXPECT_EQ(0, memcmp(fakeSurface + 16, frame + 2, 8));
    EXPECT_EQ(fakeSurface[8], 0xEE); // the rest of the pitch is not touched
    refuse = "lock ";
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 0); // nothing unlocked or flipped
    EXPECT_EQ(calls, "restore lock ");
    CloseDisplay();
    SetDisplayDriver(nullptr);
}

TEST(Display, OffscreenShowsFramesHidesThePointerAndFollowsActivation) {
    SetOffscreenFormat(&bgr24, 7); // tried after 32 bits; rows 3 x 5 + 7 bytes apart
    SetDisplayDriver(&offscreenVideoDriver);
    ASSERT_EQ(OpenDisplay("Glimmerfall", 5, 3), 1);
    EXPECT_EQ(displayState.converter, ConvertRow24Bgr);
    const OffscreenScreen *s = GetOffscreenScreen();
    EXPECT_EQ(s->screenSaverOn, 0);
    uint32_t frame[15];
    for (int i = 0; i < 15; i++) frame[i] = 0x00010203u * (uint32_t)(i + 1);
    PostOffscreenMessage(VIDEO_KEY_DOWN, 'a'); // other keys do nothing
    ASSERT_EQ(PresentFrame(frame), 1);         // the window's first messages activate it
    EXPECT_EQ(s->flips, 1);
    EXPECT_EQ(s->cursorHidden, 1);
    for (int y = 0; y < 3; y++)
        for (int b = 0; b < 22; b++)
            EXPECT_EQ(s->front[y * 22 + b],
                      b < 15 ? frame[y * 5 + b / 3] >> (16 - b % 3 * 8) & 0xFF : 0);
    PostOffscreenMessage(VIDEO_ACTIVATE, 0);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(s->flips, 1);
    PostOffscreenMessage(VIDEO_ACTIVATE, 1);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(s->flips, 2);
    CloseDisplay();
    EXPECT_EQ(s->screenSaverOn, 1);
    SetOffscreenFormat(nullptr, 0);
}

// F11 or Alt+Enter switches between full screen and a window while frames
// go on; the pointer hides in full screen and shows in a window. A driver
// that cannot switch stays as it is, pointer hidden.
TEST(Display, F11OrAltEnterSwitchesFullScreenAndThePointerFollows) {
    SetDisplayDriver(&offscreenVideoDriver);
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 4), 1);
    const OffscreenScreen *s = GetOffscreenScreen();
    uint32_t frame[16] = {};
    ASSERT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(displayState.fullscreen, 1);
    EXPECT_EQ(s->cursorHidden, 1);
    const struct {
        int64_t key;
        int fullscreen; // after the key
    } keys[] = {
        {VIDEO_KEY_F11, 0},       {VIDEO_KEY_F11, 1},
        {13 | VIDEO_KEY_ALT, 0},  {13, 0}, // Enter alone does nothing
        {'a' | VIDEO_KEY_ALT, 0}, {VIDEO_KEY_F11 | VIDEO_KEY_ALT, 0},
        {13 | VIDEO_KEY_ALT, 1},
    };
    int64_t flips = s->flips;
    for (const auto &k : keys) {
        SCOPED_TRACE(k.key);
        PostOffscreenMessage(VIDEO_KEY_DOWN, k.key);
        ASSERT_EQ(PresentFrame(frame), 1);
        EXPECT_EQ(s->fullscreen, k.fullscreen);
        EXPECT_EQ(displayState.fullscreen, k.fullscreen);
        EXPECT_EQ(s->cursorHidden, k.fullscreen);
        EXPECT_EQ(s->flips, ++flips); // the show goes on
    }
    PostOffscreenMessage(VIDEO_KEY_DOWN, VIDEO_KEY_F11);
    PostOffscreenMessage(VIDEO_SET_CURSOR, 0); // the pointer comes back over the window
    PresentFrame(frame);
    EXPECT_EQ(s->cursorHidden, 0);
    CloseDisplay();

    fakeFormat = xrgb;
    refuse = "";
    SetDisplayDriver(&recordingDriver);
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 4), 1);
    calls = "";
    DisplayWindowProc(VIDEO_KEY_DOWN, VIDEO_KEY_F11);
    EXPECT_EQ(displayState.fullscreen, 1);
    EXPECT_EQ(calls, "hideCursor ");
    CloseDisplay();
    SetDisplayDriver(nullptr);
}

// The process must end inside PresentFrame with status 0.
static void PresentWith(int kind, int64_t param) {
    SetDisplayDriver(&offscreenVideoDriver);
    if (OpenDisplay("Glimmerfall", 4, 4) != 1) _exit(3);
    uint32_t frame[16] = {};
    PostOffscreenMessage(kind, param);
    PresentFrame(frame);
    _exit(2);
}

TEST(Display, EscapeOrACloseRequestEndsTheProcessWithStatus0) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentWith(VIDEO_KEY_DOWN, 27), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(PresentWith(VIDEO_KEY_DOWN, 27 + 256), ::testing::ExitedWithCode(0),
                ""); // low byte
    EXPECT_EXIT(PresentWith(VIDEO_CLOSE, 0), ::testing::ExitedWithCode(0), "");
}
