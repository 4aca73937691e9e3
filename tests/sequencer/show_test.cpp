// The show's start-up, frame protocol and console, off screen on the stepped clock.
#include "sequencer/showtest.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <dirent.h>
#include <string>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

#define FRAME_60HZ 735 // Sample frames per video frame at 60 Hz

static Show show; // Static as in the programs: what it holds stays reachable

class ShowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveShowData()) GTEST_SKIP() << "data/ is missing: run build/assetgen data";
        show = Show{};
    }
    void TearDown() override {
        if (show.clock.stream) StopShow(&show);
        FreeShowAssets(&show);
    }
};

// ---- Start-up --------------------------------------------------------------

struct StartUpSeen {
    int calls;
    bool othersLoaded; // Any World or further image existed at the first presentation
    uint64_t checksum; // Of the first presented frame
};

static void SeeFirstFrame(const uint32_t *frame, void *user) {
    StartUpSeen *seen = (StartUpSeen *)user;
    if (seen->calls++ > 0) return;
    seen->othersLoaded = show.worldRoculus || show.imgKey || show.gridA.points;
    seen->checksum = FrameChecksum(frame, SHOW_WIDTH * SHOW_HEIGHT);
}

TEST_F(ShowTest, StartUpPresentsTheLoadingPictureFirstThenLoadsInOrderAndPrintsPartOne) {
    StartUpSeen seen = {};
    show.afterPresent = SeeFirstFrame;
    show.hookUser = &seen;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartShowOffscreen(&show));
    std::string out = testing::internal::GetCapturedStdout();

    // One presentation, the loading picture alone in the view, before anything else loads.
    EXPECT_EQ(seen.calls, 1);
    EXPECT_FALSE(seen.othersLoaded);
    std::vector<uint32_t> expected(SHOW_WIDTH * SHOW_HEIGHT, 0);
    static uint32_t render[RENDER_PIXELS];
    DrawImage(render + VIEW_OFFSET, render + RENDER_PIXELS, 0, 0, show.imgLoad);
#if CENTRED_VIEW
    CopyToScreen(expected.data(), SHOW_OFFSET_X, SHOW_OFFSET_Y, render);
#else
    memcpy(expected.data(), render, sizeof render);
#endif
    EXPECT_EQ(seen.checksum, FrameChecksum(expected.data(), SHOW_WIDTH * SHOW_HEIGHT));

    // The scenes in World order, a light after each but the butterfly's, then "Part One".
    const char *scenes[] = {"roculus", "spikeball", "stars",  "cube",
                            "diamond", "love",      "dabomb", "butterfly"};
    size_t at = 0;
    for (int i = 0; i < 8; i++) {
        size_t found = out.find(std::string("Loading of data/") + scenes[i] + ".txt is complete");
        ASSERT_NE(found, std::string::npos) << scenes[i];
        EXPECT_GT(found, at) << scenes[i] << " out of order";
        size_t light = out.find("LightZero", found);
        size_t next = out.find("Loading of data/", found + 1);
        EXPECT_EQ(light != std::string::npos && light < next, i < 7) << scenes[i];
        at = found;
    }
    ASSERT_GE(out.size(), 9u);
    EXPECT_EQ(out.substr(out.size() - 9), "Part One\n");

    // The buffers as the timeline expects them, and the clock read once at 0.
    for (uint32_t p : whiteBuffer) ASSERT_EQ(p, 0x00FFFFFFu);
    for (uint32_t p : renderBuffer) ASSERT_EQ(p, 0u);
    EXPECT_EQ(show.clock.seconds, 0.0f);
    EXPECT_EQ(show.gridA.rows, 33);
    EXPECT_EQ(show.worldButterfly->lightCount, 0);
    EXPECT_GT(show.worldStars->models[0].meshCount, 0);
}

// A folder holding data/ with every file of the real one but name, which is
// left out or, with replacement, made a picture of that size.
static std::string MakeDataWithout(const char *name, int width = 0, int height = 0) {
    char folder[] = "/tmp/gf_show_XXXXXX";
    if (!mkdtemp(folder)) return "";
    std::string data = std::string(folder) + "/data";
    mkdir(data.c_str(), 0755);
    char here[4096];
    if (!getcwd(here, sizeof here)) return "";
    DIR *dir = opendir("data");
    while (dirent *entry = readdir(dir)) {
        std::string file = entry->d_name;
        if (file == "." || file == ".." || file == name) continue;
        symlink((std::string(here) + "/data/" + file).c_str(), (data + "/" + file).c_str());
    }
    closedir(dir);
    if (width > 0) {
        std::vector<uint8_t> grey(width * height, 128);
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        tjhandle tj = tjInitCompress();
        tjCompress2(tj, grey.data(), width, 0, height, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 90, 0);
        FILE *f = fopen((data + "/" + name).c_str(), "wb");
        fwrite(jpeg, 1, size, f);
        fclose(f);
        tjFree(jpeg);
        tjDestroy(tj);
    }
    return folder;
}

TEST_F(ShowTest, AnUnusableAssetStopsStartUpWithOneMessageNamingItBeforeTheMusic) {
    struct Case {
        const char *file;  // In data/
        int width, height; // 0: missing; else a picture of that size
        const char *named; // What the message must say
        int presented;     // Loading pictures shown before the stop
    } cases[] = {
        {"load.jpg", 0, 0, "data/load.jpg", 0},
        {"smoke.jpg", 0, 0, "data/smoke.jpg", 1},
        {"key.jpg", 256, 256, "256 x 256, not 512 x 256: data/key.jpg", 1},
        {"lys.txt", 0, 0, "data/lys.txt", 1},
        {"butterfly.txt", 0, 0, "data/butterfly.txt", 1},
    };
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::string folder = MakeDataWithout(c.file, c.width, c.height);
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ(chdir(folder.c_str()), 0);
        show = Show{};
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        int started = StartShowOffscreen(&show);
        testing::internal::GetCapturedStdout();
        std::string said = testing::internal::GetCapturedStderr();
        ASSERT_EQ(chdir(here), 0);
        std::error_code error;
        std::filesystem::remove_all(folder, error);

        EXPECT_EQ(started, 0);
        EXPECT_EQ(said.find("Error: "), said.rfind("Error: ")) << said; // one message
        EXPECT_NE(said.find(c.named), std::string::npos) << said;
        EXPECT_EQ(show.clock.stream, nullptr); // The music never started
        EXPECT_EQ(displayState.window, 0);     // The display is given back
        EXPECT_EQ(show.presented, c.presented);
    }
}

// A screen that cannot be had: the show must say so and end, not play blind
// with nothing to show and no window to take Escape.
static int RefuseToLoad(void) {
    return 0;
}

TEST(ShowStart, NoDisplayStopsStartUpWithOneMessageBeforeAnyLoadOrMusic) {
    setenv("GLIMMERFALL_NO_DIALOG", "1", 1);
    static VideoDriver broken;
    broken = offscreenVideoDriver;
    broken.load = RefuseToLoad;
    SetDisplayDriver(&broken);
    SelectSteppedAudio();
    Show blind = {};
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int started = StartShow(&blind);
    std::string out = testing::internal::GetCapturedStdout();
    std::string said = testing::internal::GetCapturedStderr();
    SetDisplayDriver(&offscreenVideoDriver);

    EXPECT_EQ(started, 0);
    EXPECT_NE(said.find("Error: Cannot open a"), std::string::npos) << said;
    EXPECT_EQ(said.find("Error: "), said.rfind("Error: ")) << said; // one message
    EXPECT_EQ(out, "");                                             // nothing loaded, no part began
    EXPECT_EQ(blind.imgLoad, nullptr);
    EXPECT_EQ(blind.clock.stream, nullptr);
    EXPECT_EQ(blind.presented, 0);
}

// ---- The loop protocol -----------------------------------------------------

static void RecordTime(const uint32_t *frame, void *user) {
    ((std::vector<float> *)user)->push_back(show.clock.seconds);
}

TEST_F(ShowTest, ALoopDrawsTheFrameAtItsEndAndOneMorePastIt) {
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartShowOffscreen(&show));
    // 23.4 s is exactly 1031940 sample frames: start two video frames before it.
    StepShowClock(&show, 1031940 - 2 * FRAME_60HZ);
    std::vector<float> times;
    show.afterPresent = RecordTime;
    show.hookUser = &times;
    show.stepFrames = FRAME_60HZ;
    RunShowPart(&show, 1); // Part Two, to 23.4 s
    testing::internal::GetCapturedStdout();

    // The first frame is drawn with the time the loop test saw (nothing
    // stepped since); the frame at 23.4 is not the last, the last lies past it.
    ASSERT_EQ(times.size(), 4u);
    EXPECT_EQ(times[0], (float)((1031940 - 2 * FRAME_60HZ) / 44100.0));
    EXPECT_EQ(times[2], 23.4f);
    EXPECT_GT(times[3], 23.4f);
    EXPECT_EQ(show.clock.seconds, times[3]);
}

TEST_F(ShowTest, PartsWhoseEndLiesBehindRunTheirSetupsAndDrawNothing) {
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartShowOffscreen(&show));
    std::string start = testing::internal::GetCapturedStdout();
    StepShowClock(&show, (int64_t)(186.5 * 44100)); // Past the last end, before the music loops
    int64_t presented = show.presented;
    memset(scratchBuffer, 0x55, AREA_BYTES);
    testing::internal::CaptureStdout();
    RunTimeline(&show);
    std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(show.presented, presented);
    EXPECT_EQ(out, "Part Two\nPart Three\nPart Four\nPart Five\nPart Six\nPart Seven\n"
                   "Part Eight\nPart Nine\nPart Ten\nPart eleven\nPart Twelve\nPart 13\n"
                   "Part 15\nbutterflyes\n");
    // Placements made once, on top of the identity the loader left.
    EXPECT_EQ(show.worldRoculus->models[0].translation.m[7], -40.0f);
    EXPECT_EQ(show.worldRoculus->models[0].translation.m[11], 350.0f);
    EXPECT_EQ(show.worldStars->models[0].translation.m[11], 180.0f);
    EXPECT_EQ(show.worldStars->lights[0].position.z, 100.0f);
    EXPECT_EQ(show.worldDabomb->models[0].translation.m[7], -80.0f);
    EXPECT_EQ(show.worldDabomb->lights[0].position.z, 150.0f);
    // Part Three's and Five's clears; Part Six's own clears, then the
    // scratch buffer cleared after its loop.
    for (int i = 0; i < AREA_PIXELS; i += 997) {
        ASSERT_EQ(show.imgKey->pixels[i], 0u);
        ASSERT_EQ(scratchBuffer[i], 0u);
    }
}

// ---- Presentation ----------------------------------------------------------

static void CheckBorders(const uint32_t *frame, void *user) {
    int *dirty = (int *)user;
#if CENTRED_VIEW
    // Only CopyToScreen writes the screen buffer: rows 49-431, columns 64-575.
    for (int y = 0; y < SHOW_HEIGHT; y++)
        for (int x = 0; x < SHOW_WIDTH; x++)
            if ((y < 49 || y > 431 || x < 64 || x > 575) && frame[y * SHOW_WIDTH + x]) ++*dirty;
#endif
    // What reaches the screen is the frame handed over, row for row.
    const OffscreenScreen *screen = GetOffscreenScreen();
    for (int y = 0; y < SHOW_HEIGHT; y++)
        if (memcmp(screen->front + (size_t)y * screen->pitch, frame + y * SHOW_WIDTH,
                   SHOW_WIDTH * 4))
            ++*dirty;
}

TEST_F(ShowTest, PresentsTheFrameAsComposedAndDemo640sBordersStayBlack) {
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartShowOffscreen(&show));
    EXPECT_EQ(displayState.width, SHOW_WIDTH);
    EXPECT_EQ(displayState.height, SHOW_HEIGHT);
    // Loud low bins: Part One's mosaic reaches up through the top band.
    static float loud[SPECTRUM_SIZE];
    for (float &v : loud) v = 0.9f;
    show.fixedSpectrum = loud;
    int dirty = 0;
    show.afterPresent = CheckBorders;
    show.hookUser = &dirty;
    show.stepFrames = 44100; // A second a frame: Part One and Two, a dozen frames each
    RunShowPart(&show, 0);
    RunShowPart(&show, 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(dirty, 0);
    EXPECT_GT(show.presented, 20);
}
