// OpenDisplay, PresentFrame, CloseDisplay and the window messages, on the
// off-screen driver and on a recording driver that can be told to refuse.
#include "display/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// ---- A driver that logs every call and refuses what it is told to.
static std::string calls;      // "load window mode32 mode24 ..." in call order
static std::string refuse;     // names of calls that fail, e.g. "mode32 surface2"
static PixelFormat fakeFormat; // what getPixelFormat reports
static std::vector<uint8_t> fakeSurface;

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
    [](int count) { return Log("surface" + std::to_string(count)); },
    [] { Log("release"); },
    [](PixelFormat *f) {
        *f = fakeFormat;
        return Log("format");
    },
    [](VideoMessage *) { return 0; },
    [] { Log("restore"); },
    [](uint8_t **p, int *pitch) {
        *p = fakeSurface.data();
        *pitch = 16;
        return Log("lock");
    },
    [] { Log("unlock"); },
    [] { Log("flip"); },
    [](int ms) { Log("sleep" + std::to_string(ms)); },
    [](int on) { Log(on ? "saverOn" : "saverOff"); },
    [] { Log("hideCursor"); },
};

class RecordedDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        refuse.clear();
        fakeFormat = {32, 0xFF0000, 0xFF00, 0xFF, 1};
        fakeSurface.assign(16 * 2, 0);
        displayState = DisplayState{};
        SetDisplayDriver(&recordingDriver);
    }
    void TearDown() override {
        CloseDisplay();
        SetDisplayDriver(nullptr);
    }
};

TEST_F(RecordedDisplay, OpensInTheDocumentedOrder) {
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 2), 1);
    EXPECT_EQ(calls, "load window mode32 surface2 format saverOff ");
    EXPECT_EQ(displayState.converter, ConvertRow32);
    calls.clear();
    CloseDisplay();
    EXPECT_EQ(calls, "release restoreMode destroyWindow saverOn unload ");
    calls.clear();
    CloseDisplay(); // a second call releases nothing twice
    EXPECT_EQ(calls, "");
}

TEST_F(RecordedDisplay, FallsBackTo24And16BitsAndToOneBackBuffer) {
    refuse = "mode32 surface2 ";
    fakeFormat = {24, 0xFF, 0xFF00, 0xFF0000, 1};
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 2), 1);
    EXPECT_EQ(calls, "load window mode32 mode24 surface2 surface1 format saverOff ");
    EXPECT_EQ(displayState.converter, ConvertRow24Bgr);

    CloseDisplay();
    calls.clear();
    refuse = "mode32 mode24 ";
    fakeFormat = {16, 0x7C00, 0x3E0, 0x1F, 1};
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 2), 1);
    EXPECT_EQ(calls, "load window mode32 mode24 mode16 surface2 format saverOff ");
    EXPECT_EQ(displayState.converter, ConvertRow555);
}

TEST_F(RecordedDisplay, EveryFailingStepStopsSetUpAndCloseUndoesWhatExists) {
    struct Case {
        const char *refuse;
        PixelFormat format;
        const char *open, *close;
    } cases[] = {
        {"load ", {}, "load ", ""},
        {"window ", {}, "load window ", "saverOn unload "},
        {"mode32 mode24 mode16 ",
         {},
         "load window mode32 mode24 mode16 ",
         "destroyWindow saverOn unload "},
        {"surface2 surface1 ",
         {},
         "load window mode32 surface2 surface1 ",
         "restoreMode destroyWindow saverOn unload "},
        {"format ",
         {},
         "load window mode32 surface2 format ",
         "release restoreMode destroyWindow saverOn unload "},
        {"",
         {32, 0, 0, 0, 0},
         "load window mode32 surface2 format ", // a palette mode
         "release restoreMode destroyWindow saverOn unload "},
        {"",
         {32, 0xFF0000, 0xFF00, 0xFF00FF, 1},
         "load window mode32 surface2 format ",
         "release restoreMode destroyWindow saverOn unload "},
    };
    for (const Case &c : cases) {
        calls.clear();
        refuse = c.refuse;
        fakeFormat = c.format.bitCount ? c.format : PixelFormat{32, 0xFF0000, 0xFF00, 0xFF, 1};
        EXPECT_EQ(OpenDisplay("Glimmerfall", 4, 2), 0) << c.refuse;
        EXPECT_EQ(calls, c.open) << c.refuse;
        // Presenting after a failed set-up touches no surface.
        displayState.active = 1;
        calls.clear();
        EXPECT_EQ(PresentFrame(nullptr), 0);
        EXPECT_EQ(calls.find("lock"), std::string::npos) << c.refuse;
        calls.clear();
        CloseDisplay();
        CloseDisplay();
        EXPECT_EQ(calls, c.close) << c.refuse;
    }
}

TEST_F(RecordedDisplay, PresentLocksConvertsFlipsAndYieldsOrSkipsWhileInactive) {
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 2), 1);
    const uint32_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 1); // never activated yet: dropped
    EXPECT_EQ(calls, "sleep1 ");

    displayState.active = 1;
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(calls, "restore lock unlock flip sleep0 ");
    EXPECT_EQ(0, memcmp(fakeSurface.data(), frame, 16));
    EXPECT_EQ(0, memcmp(fakeSurface.data() + 16, frame + 4, 16));

    refuse = "lock ";
    calls.clear();
    EXPECT_EQ(PresentFrame(frame), 0); // nothing unlocked or flipped
    EXPECT_EQ(calls, "restore lock ");
}

// ---- The off-screen driver.
class OffscreenDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        displayState = DisplayState{};
        SetDisplayDriver(&offscreenVideoDriver);
    }
    void TearDown() override {
        CloseDisplay();
        SetOffscreenFormat(nullptr, 0);
        SetDisplayDriver(nullptr);
    }
};

TEST_F(OffscreenDisplay, ConvertsEveryRowAtThePitchAndLeavesThePaddingAlone) {
    const PixelFormat rgb24 = {24, 0xFF0000, 0xFF00, 0xFF, 1};
    SetOffscreenFormat(&rgb24, 7); // rows 3 x 5 + 7 = 22 bytes apart
    ASSERT_EQ(OpenDisplay("Glimmerfall", 5, 3), 1);
    const OffscreenScreen *s = GetOffscreenScreen();
    EXPECT_EQ(s->pitch, 22);
    EXPECT_EQ(s->screenSaverOn, 0);

    uint32_t frame[15];
    for (int i = 0; i < 15; i++) frame[i] = 0x00010203u * (uint32_t)(i + 1);
    ASSERT_EQ(PresentFrame(frame), 1); // the first poll activates it
    EXPECT_EQ(s->flips, 1);
    EXPECT_EQ(s->cursorHidden, 1);
    for (int y = 0; y < 3; y++) {
        const uint8_t *row = s->front + y * s->pitch;
        for (int x = 0; x < 5; x++) {
            uint32_t p = frame[y * 5 + x];
            EXPECT_EQ(row[3 * x], p & 0xFF);
            EXPECT_EQ(row[3 * x + 1], (p >> 8) & 0xFF);
            EXPECT_EQ(row[3 * x + 2], p >> 16);
        }
        for (int b = 15; b < 22; b++) EXPECT_EQ(row[b], 0) << "padding of row " << y;
    }
    CloseDisplay();
    EXPECT_EQ(s->screenSaverOn, 1);
}

TEST_F(OffscreenDisplay, EachFormatGetsItsConverter) {
    const struct {
        PixelFormat format;
        RowConverter converter;
    } table[] = {
        {{32, 0xFF0000, 0xFF00, 0xFF, 1}, ConvertRow32},
        {{32, 0xFF, 0xFF00, 0xFF0000, 1}, ConvertRow32Bgr},
        {{24, 0xFF0000, 0xFF00, 0xFF, 1}, ConvertRow24},
        {{24, 0xFF, 0xFF00, 0xFF0000, 1}, ConvertRow24Bgr},
        {{16, 0xF800, 0x7E0, 0x1F, 1}, ConvertRow565},
        {{16, 0x1F, 0x7E0, 0xF800, 1}, ConvertRow565Bgr},
        {{16, 0x7C00, 0x3E0, 0x1F, 1}, ConvertRow555},
        {{16, 0x1F, 0x3E0, 0x7C00, 1}, ConvertRow555Bgr},
    };
    for (const auto &t : table) {
        SetOffscreenFormat(&t.format, 0);
        ASSERT_EQ(OpenDisplay("Glimmerfall", 8, 2), 1);
        EXPECT_EQ(displayState.converter, t.converter);
        CloseDisplay();
    }
}

TEST_F(OffscreenDisplay, InactiveFramesAreDroppedUntilShownAgain) {
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 4), 1);
    const OffscreenScreen *s = GetOffscreenScreen();
    uint32_t frame[16] = {};
    ASSERT_EQ(PresentFrame(frame), 1);
    PostOffscreenMessage(VIDEO_ACTIVATE, 0);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(s->flips, 1);
    PostOffscreenMessage(VIDEO_ACTIVATE, 1);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(s->flips, 2);
}

TEST_F(OffscreenDisplay, OtherKeysAreIgnored) {
    ASSERT_EQ(OpenDisplay("Glimmerfall", 4, 4), 1);
    uint32_t frame[16] = {};
    PostOffscreenMessage(VIDEO_KEY_DOWN, 'a');
    PostOffscreenMessage(VIDEO_KEY_DOWN, 0);
    EXPECT_EQ(PresentFrame(frame), 1);
    EXPECT_EQ(GetOffscreenScreen()->flips, 1);
}

// Opens the off-screen display, queues a message and presents: the process
// must end inside PresentFrame with status 0, the display given back.
static void PresentWith(int kind, int64_t param) {
    if (OpenDisplay("Glimmerfall", 4, 4) != 1) _exit(3);
    uint32_t frame[16] = {};
    PostOffscreenMessage(kind, param);
    PresentFrame(frame);
    _exit(2); // not reached when the message ends the show
}

TEST_F(OffscreenDisplay, EscapeEndsTheProcessWithStatus0) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentWith(VIDEO_KEY_DOWN, 27), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(PresentWith(VIDEO_KEY_DOWN, 27 + 256), ::testing::ExitedWithCode(0), "");
}

TEST_F(OffscreenDisplay, CloseRequestEndsTheProcessWithStatus0) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentWith(VIDEO_CLOSE, 0), ::testing::ExitedWithCode(0), "");
}
