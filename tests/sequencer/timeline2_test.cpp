// The second half of the show, Part Eight to the credits: the whole of it
// played on the stepped clock at 60 frames a second with the generated
// music, chosen frames compared with their checksums; then the logic of the
// reactive parts on chosen spectra, seen through what a frame leaves behind
// (the picture, the Worlds' placements, the renderer's depth offset).
#include "sequencer/showtest.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "render3d/render3d.h"

namespace {

const int64_t kFrame60 = 735; // Sample frames per video frame at 60 Hz
const int kPartEight = 8, kPartNine = 9, kPartTen = 10, kPartEleven = 11, kPart13 = 13,
          kPart15 = 14, kButterflies = 15, kCredits = 16; // Indices into showParts

Show show; // Static as in the programs

// Sample frames of a time given in hundredths of a second (exact).
int64_t At(int hundredths) {
    return (int64_t)hundredths * 441;
}

// Moves the music on so far that the running part ends after its next frame.
void EndPartAfterNextFrame() {
    StepAudio(25 * 44100); // Past every end of this half, not past the music's own end
}

class SecondHalf : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveShowData()) GTEST_SKIP() << "data/ is missing: run build/assetgen data";
        show = Show{};
        testing::internal::CaptureStdout();
        bool started = StartShowOffscreen(&show);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(started);
        // The renderer's depth offset back at 0 over a cleared buffer, as a
        // program starts, whatever earlier tests rendered.
        do AdvanceDepthFrame(depthBuffer);
        while (GetDepthOffset() != 0.0f);
    }
    void TearDown() override {
        if (show.clock.stream) StopShow(&show);
    }
    // Plays the parts from..to from `start` sample frames further on, one
    // video frame of music per frame: prepare(k) may set the chosen spectrum
    // for frame k (null: the music's own), see(k) looks at frame k once it is
    // presented. Returns the console lines.
    std::string Play(int from, int to, int64_t start, std::function<void(int)> see,
                     std::function<void(int)> prepare = nullptr) {
        StepShowClock(&show, start);
        script = {prepare, see, -1};
        if (prepare) prepare(0);
        show.fixedSpectrum = prepare ? spectrum : nullptr;
        show.afterPresent = Observe;
        show.hookUser = &script;
        show.stepFrames = kFrame60;
        testing::internal::CaptureStdout();
        for (int i = from; i <= to; i++) RunShowPart(&show, i);
        return testing::internal::GetCapturedStdout();
    }
    // Sets the five low bins the parts read, every other bin 0.
    void SetLow(float s0, float s1, float s2, float s3) {
        memset(spectrum, 0, sizeof spectrum);
        spectrum[0] = s0, spectrum[1] = s1, spectrum[2] = s2, spectrum[3] = s3;
    }
    struct Script {
        std::function<void(int)> prepare, see;
        int frame; // Frame just presented
    } script;
    static void Observe(const uint32_t *frame, void *user) {
        Script *s = (Script *)user;
        s->see(++s->frame);
        if (s->prepare) s->prepare(s->frame + 1);
    }
    float spectrum[SPECTRUM_SIZE] = {}; // The chosen spectrum
};

// Whether view rows 1-255, columns 0-510 (what DrawImage at (0, 0) writes)
// hold the picture, each pixel passed through f.
bool ViewShows(
    const Image *picture, uint32_t (*f)(uint32_t) = [](uint32_t p) { return p; }) {
    for (int y = 1; y < 256; y++)
        for (int x = 0; x < 511; x++)
            if (view[y * 512 + x] != f(picture->pixels[y * 512 + x])) return false;
    return true;
}

// Mean of the three channels over the view, 0-255.
double ViewBrightness() {
    double sum = 0;
    for (int i = 0; i < AREA_PIXELS; i++)
        sum += ((view[i] >> 16) & 255) + ((view[i] >> 8) & 255) + (view[i] & 255);
    return sum / (3.0 * AREA_PIXELS);
}

// World renderings since the last call: the depth offset rises by one after each.
int RendersSince(float *mark) {
    float now = GetDepthOffset();
    int renders = (int)(now - *mark);
    *mark = now;
    return renders;
}

// ---- The whole second half, frame by frame ----------------------------------

const struct {
    int frame;         // Frames of the second half before it (0: Part Eight's first, 84.78 s)
    const char *what;  // What it shows
    uint64_t checksum; // FNV-1a of the presented frame
} chosen[] = {
    {60, "85.78 s: the spikeball over rippling moah", 0xbc76745e1438e03eu},
    {300, "89.78 s: the zoomed copy of the render laid over", 0x1525f6e205d56305u},
    {540, "93.78 s: spikeball on fette through two waves", 0xc08a599d7dd0179bu},
    {960, "100.78 s: the last camera, mosaic pulsing", 0xb1a5dada0a47d1d7u},
    {1200, "104.78 s: cani01 or cani02 under the waving vertikal layer", 0x6ebedc0b05de762cu},
    {1560, "110.78 s: the coloured cube over the shaking cani01", 0xccbfe32960b8a9b9u},
    {1920, "116.78 s: the cube through the cosine ripple", 0x3bc43cb639853331u},
    {2100, "119.78 s: fading to drake", 0x278a1f3d07fc3857u},
    {2400, "124.78 s: drake under the warped love World", 0x74f627832b48ca01u},
    {2580, "127.78 s: fading to black", 0xd531838d19681852u},
    {2820, "131.78 s: the warped diamond layer over mrea", 0xb7a30a2d5d833ebfu},
    {3360, "140.78 s: the first butterfly flying in", 0xe7fbeb92edb48b59u},
    {3900, "149.78 s: the panels half way", 0x7642f972ab29d0c2u},
    {4320, "156.78 s: the lone butterfly on white before the drums", 0xe02285df4255edf2u},
    {4700, "163.11 s: an even beat, skog under the inverted swarm", 0xbcdc2c158ea21c63u},
    {5228, "171.91 s: an odd beat, the swarm on white", 0x90dc5b8c43ac0205u},
    {5790, "181.28 s: the credits begin under the five butterflies", 0x71f1fd6ee7336758u},
    {6000, "184.78 s: the credits under the blurring butterflies", 0x2dc64a2c0e742f65u},
};

TEST_F(SecondHalf, EveryPartDrawsItsChosenFramesExactlyAndTheShowEndsPast186Seconds) {
    std::vector<float> times;
    std::vector<std::string> wrong; // Reported once the console is given back
    std::string folder = std::string(GF_BINARY_DIR) + "/sequencer-frames";
    mkdir(folder.c_str(), 0755);
    std::string out = Play(kPartEight, kCredits, 3738798, [&](int k) { // From 84.78 s
        times.push_back(show.clock.seconds);
        for (const auto &c : chosen) {
            if (c.frame != k) continue;
            uint64_t sum = FrameChecksum(renderBuffer, RENDER_PIXELS);
            if (sum == c.checksum) continue;
            char path[512], line[1024];
            snprintf(path, sizeof path, "%s/timeline2_frame%04d.png", folder.c_str(), k);
            bool written = WritePng(path, renderBuffer, 512, RENDER_HEIGHT);
            snprintf(line, sizeof line, "%s: checksum 0x%llx%s%s", c.what, (unsigned long long)sum,
                     written ? ", frame written to " : "", written ? path : "");
            wrong.push_back(line);
        }
    });
    for (const std::string &line : wrong) ADD_FAILURE() << line;
    EXPECT_EQ(out, "Part Eight\nPart Nine\nPart Ten\nPart eleven\nPart Twelve\nPart 13\n"
                   "Part 15\nbutterflyes\n");
    // Every t up to 186 s at 60 Hz, and one frame past it.
    EXPECT_EQ(times.size(), 6075u);
    EXPECT_GT(times.back(), 186.0f);
    EXPECT_LE(times[times.size() - 2], 186.0f);
    // The shutdown after the last part gives back the display, the two
    // pictures it names and the music.
    StopShow(&show);
    EXPECT_EQ(displayState.window, 0);
    EXPECT_EQ(show.clock.stream, nullptr);
    EXPECT_EQ(show.imgKey, nullptr);
    EXPECT_EQ(show.imgFear, nullptr);
}

// ---- The parts' logic on chosen spectra -------------------------------------

TEST_F(SecondHalf, PartEightsLayerStartsAt8787AndPartNinesCameraChangesAbove9224) {
    // Silence: the spikeball rests at (-30, -5, 150); from 87.87 s a second
    // rendering feeds the zoomed layer. Part Nine: 92.24 s exactly still has
    // the first camera, the next frame the second.
    const Matrix4 *placement = &show.worldSpikeball->models[0].translation;
    float mark = GetDepthOffset();
    std::vector<int> renders;
    std::vector<Vec3> at;
    Play(
        kPartEight, kPartNine, At(8787) - kFrame60,
        [&](int k) {
            renders.push_back(RendersSince(&mark));
            at.push_back({placement->m[3], placement->m[7], placement->m[11]});
            if (k == 1) StepAudio(At(9224) - At(8787) - 2 * kFrame60); // Frame 3 at 92.24 s
            if (k == 4) EndPartAfterNextFrame();
        },
        [&](int) { SetLow(0, 0, 0, 0); });
    ASSERT_EQ(renders.size(), 6u); // 87.853, 87.87 and 92.223 s; 92.24, 92.257 s and one more
    EXPECT_EQ(std::vector<int>(renders.begin(), renders.begin() + 3), (std::vector<int>{1, 2, 2}));
    for (int k : {0, 1, 2}) EXPECT_TRUE(at[k].x == -30 && at[k].y == -5 && at[k].z == 150) << k;
    EXPECT_TRUE(at[3].x == -30 && at[3].y == 0 && at[3].z == 150);
    EXPECT_TRUE(at[4].x == 30 && at[4].y == -20 && at[4].z == 150);
    // Part Nine's colours, set once Part Eight is over.
    EXPECT_EQ(show.worldSpikeball->models[0].materials[0].diffuse.r, 0.5f);
    EXPECT_EQ(show.worldSpikeball->models[0].materials[0].specular.g, 0.78f);
}

TEST_F(SecondHalf, AWorldWithoutMaterialsKeepsItsColoursUnwritten) {
    // Part Eight's after-loop step and Part eleven colour the first material;
    // with none, nothing is written where the array would start.
    static Material past;
    Model *models[] = {&show.worldSpikeball->models[0], &show.worldCube->models[0]};
    Material *kept[] = {models[0]->materials, models[1]->materials};
    int counts[] = {models[0]->materialCount, models[1]->materialCount};
    for (Model *model : models) model->materialCount = 0, model->materials = &past;
    std::vector<float> times;
    Play(
        kPartEight, kPartEleven, At(9140),
        [&](int k) {
            times.push_back(show.clock.seconds);
            if (k == 0) StepAudio(At(11360) - At(9140) - kFrame60); // Frame 1 at 113.6 s
        },
        [&](int) { SetLow(0.5f, 0.5f, 0.5f, 0.5f); });
    for (int i = 0; i < 2; i++)
        models[i]->materials = kept[i], models[i]->materialCount = counts[i];
    EXPECT_EQ(times.size(), 3u); // Part Eight at 91.4 and 113.6 s, Part eleven past 113.6 s
    EXPECT_EQ(past.diffuse.r + past.diffuse.g + past.diffuse.b + past.specular.r, 0.0f);
}

TEST_F(SecondHalf, PartTenTogglesThePictureOnEveryLoudFrameOnce) {
    memset(show.imgVertikal->pixels, 0, AREA_BYTES); // No layer: the view is the picture
    // One bin at 0.43 (8.6) is loud, 0.42 (8.4) is not; four loud bins toggle once.
    const float loud[][4] = {{0, 0, 0, 0},
                             {0.43f, 0, 0, 0},
                             {0, 0, 0, 0},
                             {0.42f, 0.42f, 0.42f, 0.42f},
                             {0, 0, 0, 0.43f},
                             {0, 0.43f, 0, 0},
                             {0, 0, 0.43f, 0},
                             {0, 0, 0, 0},
                             {0.43f, 0.43f, 0.43f, 0.43f},
                             {0, 0, 0, 0}};
    const int n = sizeof loud / sizeof loud[0];
    std::string shown;
    Play(
        kPartTen, kPartTen, At(10478),
        [&](int k) {
            shown += ViewShows(show.imgCani1) ? '1' : ViewShows(show.imgCani2) ? '2' : '?';
            if (k == n - 2) EndPartAfterNextFrame();
        },
        [&](int k) {
            const float *l = loud[k < n ? k : 0];
            SetLow(l[0], l[1], l[2], l[3]);
        });
    EXPECT_EQ(shown, "1222121122");
}

TEST_F(SecondHalf, Part13LaysTheWarpedWorldOverOnEveryFrameAfterItsFirstFlash) {
    // Loud (S2 x 30 = 9) all through, but no flash before 121.78 s; one frame
    // at 12 inverts the picture. After 121.78 s two loud frames, 61 and 67,
    // among quiet ones: the layer stays from the first flash on.
    auto loudness = [](int k) {
        return k == 30 ? 0.4f : k < 60 || k == 61 || k == 67 ? 0.3f : 0.0f;
    };
    std::string seen;
    double drake = 0;
    Play(
        kPart13, kPart13, At(12078),
        [&](int k) {
            if (k == 0) drake = ViewBrightness();
            if (ViewBrightness() < 1)
                seen += 'b'; // Past 129.78 s: faded to black
            else if (ViewShows(show.imgDrake))
                seen += 'd';
            else if (ViewShows(show.imgDrake, [](uint32_t p) { return 0xFFFFFF - p; }))
                seen += 'i';
            else
                seen += ViewBrightness() > drake + 60 ? 'F' : 'w'; // Flash, or the layer
            if (k == 70) EndPartAfterNextFrame();
        },
        [&](int k) { SetLow(0, 0, loudness(k), 0); });
    EXPECT_EQ(seen, std::string(30, 'd') + "i" + std::string(30, 'd') + "F" + std::string(5, 'w') +
                        "F" + std::string(3, 'w') + "b");
}

TEST_F(SecondHalf, Part15KeepsTheLastLoudPhasesAndSlidesThePanelsAfterEachPresentation) {
    // Frames 0-3 from 134.78 s: the first wave's phases are the last S0 x 30
    // that reached 10 and the last S3 x 30 that reached 9.
    const float s0[] = {0.5f, 0.2f, 0.4f, 0.0f}, s3[] = {0.4f, 0.2f, 0.29f, 0.31f};
    const float low[] = {0.5f * 30, 0.5f * 30, 0.4f * 30, 0.4f * 30};
    const float high[] = {0.4f * 30, 0.4f * 30, 0.4f * 30, 0.31f * 30};
    // Frames 4-11 from 144.28 s, a quarter of a second apart: the second
    // butterfly's x = -scroll x 4 - 1844, with the scroll that the frame
    // before computed after its presentation.
    const Matrix4 *placement = &show.worldButterfly->models[0].translation;
    DeformGrid expected = NewDeformGrid(512, 256);
    int mismatches = 0;
    std::vector<int> scroll;
    Play(
        kPart15, kPart15, At(13478),
        [&](int k) {
            float t = show.clock.seconds;
            if (k < 4) {
                GridLinear(&expected, 512, 256, 0, 0);
                GridWaveAcross(&expected, 0.1f, 0.05f, low[k], high[k], 30.0f);
                GridWaveAcross(&expected, 0.1f, 0.05f, -t, t, 30.0f);
                if (memcmp(expected.points, show.gridA.points, 33 * 65 * sizeof(GridPoint)))
                    mismatches |= 1 << k;
            } else {
                scroll.push_back(-((int)placement->m[3] + 1844) / 4);
            }
            if (k == 3) StepAudio(At(14428) - At(13478) - 4 * kFrame60);
            if (k > 3) StepAudio(44100 / 4 - kFrame60);
            if (k == 10) EndPartAfterNextFrame();
        },
        [&](int k) { SetLow(s0[k & 3], 0, 0, s3[k & 3]); });
    FreeDeformGrid(&expected);
    EXPECT_EQ(mismatches, 0);
    // At 144.28, 144.53, ... 146.03 s.
    EXPECT_EQ(scroll, (std::vector<int>{0, 0, 0, 0, -12, -25, -38, -51}));
}

TEST_F(SecondHalf, TheSwarmGrowsOnLoudFramesAndStrongBeatsAfter15878SwitchTheInversion) {
    // Renderings per frame = butterflies drawn; imgName's corner, which no
    // triangle reaches, is the white fill (odd beat) or its inverse.
    const float s2[] = {0,    0.5f, 0,     0.41f, 0.5f, 0.5f, 0.5f, 0, // before 158.78 s
                        0.5f, 0,    0.45f, 0.5f,  0.5f};               // after it
    const int n = sizeof s2 / sizeof s2[0];
    std::vector<int> renders;
    std::string look;
    float mark = GetDepthOffset();
    Play(
        kButterflies, kButterflies, At(15678),
        [&](int k) {
            renders.push_back(RendersSince(&mark));
            uint32_t corner = show.imgName->pixels[0];
            look += corner == 0xFFFFFFFFu ? 'o' : corner == 0x01000000u ? 'e' : '?';
            if (k == 7) StepAudio(2 * 44100); // On to 158.9 s
            if (k == n - 2) EndPartAfterNextFrame();
        },
        [&](int k) { SetLow(0, 0, k < n ? s2[k] : 0, 0); });
    EXPECT_EQ(renders, (std::vector<int>{1, 2, 2, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5}));
    EXPECT_EQ(look, "ooooooooeeeoe");
}

TEST_F(SecondHalf, TheCreditsBlurAllFiveButterfliesAndRenderNothing) {
    // Silence: one butterfly a frame, but the frozen picture holds all five.
    // Each credits frame blurs it further (until nothing is left to spread).
    float mark = GetDepthOffset();
    std::vector<int> renders, changed;
    uint64_t before = 0;
    Play(
        kButterflies, kCredits, At(18078) - kFrame60,
        [&](int k) {
            renders.push_back(RendersSince(&mark));
            uint64_t now = FrameChecksum(show.imgName->pixels, AREA_PIXELS);
            changed.push_back(now != before);
            before = now;
        },
        [&](int) { SetLow(0, 0, 0, 0); });
    // 180.763, 180.78 (not past the end) and 180.797 s, then the credits.
    ASSERT_GT(renders.size(), 40u);
    EXPECT_EQ(std::vector<int>(renders.begin(), renders.begin() + 4),
              (std::vector<int>{1, 1, 1, 5})); // The fourth: the frozen five
    EXPECT_EQ(std::vector<int>(renders.begin() + 4, renders.end()),
              std::vector<int>(renders.size() - 4, 0));
    EXPECT_EQ(std::vector<int>(changed.begin() + 3, changed.begin() + 40), std::vector<int>(37, 1));
}

} // namespace
