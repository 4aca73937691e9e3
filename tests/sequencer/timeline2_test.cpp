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

#include "raster2d/image.h"
#include "render3d/render3d.h"

namespace {

const int64_t kFrame60 = 735;        // Sample frames per video frame at 60 Hz
const int64_t kSecondHalf = 3738798; // 84.78 s in sample frames

Show show; // Static as in the programs

// Sample frames of a time given in hundredths of a second (exact).
int64_t At(int hundredths) {
    return (int64_t)hundredths * 441;
}

// Brings the renderer's depth offset back to 0 with a cleared depth buffer,
// as at the start of a program, whatever earlier tests rendered.
void RestartDepthOffset() {
    do AdvanceDepthFrame(depthBuffer);
    while (GetDepthOffset() != 0.0f);
}

// The shutdown, then everything else a started show holds, so that another
// can start in the same process without leaking the first.
void ReleaseShow(Show *s) {
    StopShow(s);
    Image *Show::*images[] = {
        &Show::imgLoad,  &Show::imgSmoke, &Show::imgName,  &Show::imgOverlay,  &Show::imgSplat,
        &Show::imgFern1, &Show::imgFern2, &Show::imgCreds, &Show::imgMoah,     &Show::imgCani1,
        &Show::imgCani2, &Show::imgDrake, &Show::imgLake,  &Show::imgLakeF,    &Show::imgOver2,
        &Show::imgSkog,  &Show::imgMrea,  &Show::imgFette, &Show::imgVertikal, &Show::imgGr};
    for (Image *Show::*image : images) FreeJpeg(s->*image);
    World *Show::*worlds[] = {&Show::worldRoculus, &Show::worldSpikeball, &Show::worldStars,
                              &Show::worldCube,    &Show::worldDiamond,   &Show::worldLove,
                              &Show::worldDabomb,  &Show::worldButterfly};
    testing::internal::CaptureStdout(); // FreeWorld reports what it held
    for (World *Show::*world : worlds) {
        FreeWorld(s->*world);
        free(s->*world);
    }
    testing::internal::GetCapturedStdout();
    FreeDeformGrid(&s->gridA);
    FreeDeformGrid(&s->gridB);
    FreeDeformGrid(&s->gridC);
    *s = Show{};
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
        RestartDepthOffset();
    }
    void TearDown() override {
        if (show.clock.stream) ReleaseShow(&show);
    }
    // Starts the show afresh: a stepped clock cannot go back.
    void Restart() {
        ReleaseShow(&show);
        SetUp();
    }
    // Moves the clock to the given time (sample frames from the start) and reads it.
    void StartAt(int64_t frames) { StepShowClock(&show, frames); }
    // Runs the parts from..to (indices into showParts), console lines kept.
    std::string Run(int from, int to) {
        testing::internal::CaptureStdout();
        for (int i = from; i <= to; i++) RunShowPart(&show, i);
        return testing::internal::GetCapturedStdout();
    }
    // Plays part alone from the given time, one video frame of music per
    // frame, on the chosen spectrum: prepare(k) sets it for frame k before
    // the frame, see(k) looks at frame k once presented. Returns the frames drawn.
    int Play(int part, int64_t startFrames, std::function<void(int)> prepare,
             std::function<void(int)> see) {
        StartAt(startFrames);
        script = {prepare, see, -1};
        prepare(0);
        show.fixedSpectrum = spectrum;
        show.afterPresent = Observe;
        show.hookUser = &script;
        show.stepFrames = kFrame60;
        Run(part, part);
        return script.frame + 1;
    }
    // Sets the five low bins the parts read, every other bin 0.
    void SetLow(float s0, float s1, float s2, float s3, float s4 = 0.0f) {
        memset(spectrum, 0, sizeof spectrum);
        spectrum[0] = s0, spectrum[1] = s1, spectrum[2] = s2, spectrum[3] = s3, spectrum[4] = s4;
    }
    struct Script {
        std::function<void(int)> prepare, see;
        int frame; // Frame just presented
    } script;
    static void Observe(const uint32_t *frame, void *user) {
        Script *s = (Script *)user;
        s->see(++s->frame);
        s->prepare(s->frame + 1);
    }
    float spectrum[SPECTRUM_SIZE] = {}; // The chosen spectrum, when fixedSpectrum points here
};

// Moves the music on so far that the running part ends after its next frame.
void EndPartAfterNextFrame() {
    StepAudio(25 * 44100); // Past every end of this half, not past the music's own end
}

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

// World renderings since the last call: the renderer's depth offset rises
// by one after each.
int RendersSince(float *mark) {
    float now = GetDepthOffset();
    int renders = (int)(now - *mark);
    *mark = now;
    return renders;
}

const int kPartEight = 8, kPartNine = 9, kPartTen = 10, kPartEleven = 11, kPartTwelve = 12,
          kPart13 = 13, kPart15 = 14, kButterflies = 15, kCredits = 16;

// ---- The whole second half, frame by frame ----------------------------------

struct ChosenFrame {
    int frame;         // Frames of the second half before it (0: the first of Part Eight)
    const char *what;  // What it shows
    uint64_t checksum; // FNV-1a of the presented frame
};

const ChosenFrame chosen[] = {
    {60, "85.78 s: the spikeball over rippling moah", 0x10533edd80b200ffu},
    {300, "89.78 s: the zoomed copy of the render laid over", 0xa4b5eb040defa313u},
    {540, "93.78 s: spikeball on fette through two waves", 0x62d0878cd4d8ea8u},
    {960, "100.78 s: the last camera, mosaic pulsing", 0x191da35d132d3d9fu},
    {1200, "104.78 s: cani01 or cani02 under the waving vertikal layer", 0x7676e92022187ac6u},
    {1560, "110.78 s: the coloured cube over the shaking cani01", 0x8eb481b3549a042u},
    {1920, "116.78 s: the cube through the cosine ripple", 0xc8fb4a8cad5cbda1u},
    {2100, "119.78 s: fading to drake", 0x2dbdfab2d745ce13u},
    {2400, "124.78 s: drake under the warped love World", 0x805b9c9d37f23237u},
    {2580, "127.78 s: fading to black", 0xde874de883ca58c4u},
    {2820, "131.78 s: the warped diamond layer over mrea", 0xe95aa4716fdc447u},
    {3360, "140.78 s: the first butterfly flying in", 0xa4b8acf496c1dfe7u},
    {3900, "149.78 s: the panels half way", 0x459a1d8c0ab60a02u},
    {4320, "156.78 s: the swarm on white", 0x4bd5017a448bcfd5u},
    {4700, "163.11 s: an even beat, skog under the inverted swarm", 0xe0aa0c3c71c6d8e8u},
    {5100, "169.78 s: an odd beat, the swarm on white", 0x4cc71f50cad138b1u},
    {5790, "181.28 s: the credits begin under the five butterflies", 0x2710e878c69ff18eu},
    {6000, "184.78 s: the credits under the blurring butterflies", 0x4e54b645d9017294u},
};
const int kChosen = (int)(sizeof chosen / sizeof chosen[0]);

struct Recording {
    int frame = -1; // Frame just presented
    std::vector<float> times;
    uint64_t seen[kChosen] = {};
    std::vector<uint32_t> pictures[kChosen];
};

void Record(const uint32_t *frame, void *user) {
    Recording *r = (Recording *)user;
    r->frame++;
    r->times.push_back(show.clock.seconds);
    for (int i = 0; i < kChosen; i++)
        if (chosen[i].frame == r->frame) {
            r->seen[i] = FrameChecksum(frame, SHOW_WIDTH * SHOW_HEIGHT);
            r->pictures[i].assign(frame, frame + SHOW_WIDTH * SHOW_HEIGHT);
        }
}

TEST_F(SecondHalf, EveryPartDrawsItsChosenFramesExactlyAndTheShowEndsPast186Seconds) {
    StartAt(kSecondHalf);
    static Recording run;
    show.afterPresent = Record;
    show.hookUser = &run;
    show.stepFrames = kFrame60;
    std::string out = Run(kPartEight, kCredits);
    EXPECT_EQ(out, "Part Eight\nPart Nine\nPart Ten\nPart eleven\nPart Twelve\nPart 13\n"
                   "Part 15\nbutterflyes\n");
    // Every t from 84.78 s up to 186 s at 60 Hz and one frame past it, less
    // the frames that Part 15's second clock read skips: none, the clock
    // only moves at a presentation.
    ASSERT_GE(run.times.size(), 2u);
    EXPECT_GT(run.times.back(), 186.0f);
    EXPECT_LE(run.times[run.times.size() - 2], 186.0f);
    EXPECT_EQ(run.frame, 6074);

    std::string folder = std::string(GF_BINARY_DIR) + "/sequencer-frames";
    mkdir(folder.c_str(), 0755);
    for (int i = 0; i < kChosen; i++) {
        if (run.seen[i] == chosen[i].checksum) continue;
        ADD_FAILURE() << chosen[i].what << ": checksum 0x" << std::hex << run.seen[i];
        char path[512];
        snprintf(path, sizeof path, "%s/timeline2_frame%04d.png", folder.c_str(), chosen[i].frame);
        if (WritePng(path, run.pictures[i].data(), SHOW_WIDTH, SHOW_HEIGHT))
            printf("  frame written to %s\n", path);
    }

    // The shutdown after the last part gives back the display, the two
    // pictures it names and the music.
    StopShow(&show);
    EXPECT_EQ(displayState.window, 0);
    EXPECT_EQ(show.clock.stream, nullptr);
    EXPECT_EQ(show.imgKey, nullptr);
    EXPECT_EQ(show.imgFear, nullptr);
    ReleaseShow(&show);
}

// ---- The reactive parts on chosen spectra -----------------------------------

TEST_F(SecondHalf, PartEightsLayerStartsAt8787AndPartNinesCameraChangesAbove9224) {
    // Silence: the spikeball rests at (-30, -5, 150); from 87.87 s a second
    // rendering feeds the zoomed layer.
    std::vector<int> renders;
    float mark = GetDepthOffset();
    const Matrix4 *placement = &show.worldSpikeball->models[0].translation;
    Play(
        kPartEight, At(8787) - kFrame60, [&](int) { SetLow(0, 0, 0, 0); },
        [&](int k) {
            renders.push_back(RendersSince(&mark));
            EXPECT_EQ(placement->m[3], -30.0f);
            EXPECT_EQ(placement->m[7], -5.0f);
            EXPECT_EQ(placement->m[11], 150.0f);
            if (k == 1) EndPartAfterNextFrame();
        });
    EXPECT_EQ(renders, (std::vector<int>{1, 2, 2}));
    // Part Nine's colours are set once Part Eight is over.
    EXPECT_EQ(show.worldSpikeball->models[0].materials[0].diffuse.r, 0.5f);
    EXPECT_EQ(show.worldSpikeball->models[0].materials[0].specular.g, 0.78f);

    // 92.24 s exactly still has the first camera, the next frame the second.
    std::vector<float> x, y;
    Restart();
    placement = &show.worldSpikeball->models[0].translation;
    Play(
        kPartNine, At(9224) - kFrame60, [&](int) { SetLow(0, 0, 0, 0); },
        [&](int k) {
            x.push_back(placement->m[3]);
            y.push_back(placement->m[7]);
            if (k == 2) EndPartAfterNextFrame();
        });
    x.resize(3), y.resize(3);
    EXPECT_EQ(x, (std::vector<float>{-30.0f, -30.0f, 30.0f}));
    EXPECT_EQ(y, (std::vector<float>{0.0f, 0.0f, -20.0f}));
}

TEST_F(SecondHalf, AWorldWithoutMaterialsIsDrawnWithoutItsColours) {
    // Parts Eight, eleven and Twelve set the colours of the first material;
    // a scene without one is left as it is instead of written past its end.
    // The models' arrays end where materials starts: nothing may be written there.
    static Material past;
    int frames = 0;
    for (int part : {kPartEight, kPartEleven, kPartTwelve}) {
        if (part != kPartEight) Restart();
        Model *models[] = {&show.worldSpikeball->models[0], &show.worldCube->models[0]};
        Material *kept[] = {models[0]->materials, models[1]->materials};
        int counts[] = {models[0]->materialCount, models[1]->materialCount};
        for (Model *model : models) model->materialCount = 0, model->materials = &past;
        // Two frames at the part's end, loud enough to colour the cube.
        int64_t end = At(part == kPartEight ? 9140 : part == kPartEleven ? 11360 : 12060);
        frames += Play(
            part, end, [&](int) { SetLow(0.5f, 0.5f, 0.5f, 0.5f); },
            [&](int k) {
                if (k == 0) EndPartAfterNextFrame();
            });
        for (int i = 0; i < 2; i++)
            models[i]->materials = kept[i], models[i]->materialCount = counts[i];
    }
    EXPECT_EQ(frames, 6);
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
        kPartTen, At(10478),
        [&](int k) {
            const float *l = loud[k < n ? k : 0];
            SetLow(l[0], l[1], l[2], l[3]);
        },
        [&](int k) {
            shown += ViewShows(show.imgCani1) ? '1' : ViewShows(show.imgCani2) ? '2' : '?';
            if (k == n - 2) EndPartAfterNextFrame();
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
    std::vector<char> seen;
    double drake = 0;
    Play(
        kPart13, At(12078), [&](int k) { SetLow(0, 0, loudness(k), 0); },
        [&](int k) {
            if (k == 0) drake = ViewBrightness();
            if (ViewBrightness() < 1)
                seen.push_back('b'); // Past 129.78 s: faded to black
            else if (ViewShows(show.imgDrake))
                seen.push_back('d');
            else if (ViewShows(show.imgDrake, [](uint32_t p) { return 0xFFFFFF - p; }))
                seen.push_back('i');
            else if (ViewBrightness() > drake + 60)
                seen.push_back('F'); // The flash: 150/255 of the way to white
            else
                seen.push_back('w'); // drake with the warped World over it
            if (k == 70) EndPartAfterNextFrame();
        });
    std::string expected = std::string(30, 'd') + "i" + std::string(29, 'd') + "dF" +
                           std::string(5, 'w') + "F" + std::string(3, 'w') + "b";
    EXPECT_EQ(std::string(seen.begin(), seen.end()), expected);
}

TEST_F(SecondHalf, Part15KeepsTheLastLoudPhasesAndSlidesThePanelsAfterEachPresentation) {
    // The phases of the first wave: the last S0 x 30 that reached 10 and the
    // last S3 x 30 that reached 9 (after 131.35 s, without the zoom).
    const float s0[] = {0.5f, 0.2f, 0.4f, 0.0f}, s3[] = {0.4f, 0.2f, 0.29f, 0.31f};
    const float low[] = {0.5f * 30, 0.5f * 30, 0.4f * 30, 0.4f * 30};
    const float high[] = {0.4f * 30, 0.4f * 30, 0.4f * 30, 0.31f * 30};
    DeformGrid expected = NewDeformGrid(512, 256);
    int mismatches = 0;
    Play(
        kPart15, At(13478), [&](int k) { SetLow(s0[k & 3], 0, 0, s3[k & 3]); },
        [&](int k) {
            float t = show.clock.seconds;
            GridLinear(&expected, 512, 256, 0, 0);
            GridWaveAcross(&expected, 0.1f, 0.05f, low[k], high[k], 30.0f);
            GridWaveAcross(&expected, 0.1f, 0.05f, -t, t, 30.0f);
            if (memcmp(expected.points, show.gridA.points, 33 * 65 * sizeof(GridPoint)))
                mismatches |= 1 << k;
            if (k == 2) EndPartAfterNextFrame();
        });
    EXPECT_EQ(mismatches, 0);
    FreeDeformGrid(&expected);

    // The second butterfly follows the panel: x = -scroll x 4 - 1844, with
    // the scroll that the frame before computed after its presentation.
    std::vector<int> scroll;
    Restart();
    const Matrix4 *placement = &show.worldButterfly->models[0].translation;
    Play(
        kPart15, At(14428), [&](int) { SetLow(0, 0, 0, 0); },
        [&](int k) {
            scroll.push_back(-((int)placement->m[3] + 1844) / 4);
            StepAudio(44100 / 4 - kFrame60); // A quarter of a second a frame
            if (k == 6) EndPartAfterNextFrame();
        });
    // Frames at 144.28, 144.53, ... 146.03 s.
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
        kButterflies, At(15678), [&](int k) { SetLow(0, 0, k < n ? s2[k] : 0, 0); },
        [&](int k) {
            renders.push_back(RendersSince(&mark));
            uint32_t corner = show.imgName->pixels[0];
            look += corner == 0xFFFFFFFFu ? 'o' : corner == 0x01000000u ? 'e' : '?';
            if (k == 7) StepAudio(2 * 44100); // On to 158.9 s
            if (k == n - 2) EndPartAfterNextFrame();
        });
    EXPECT_EQ(renders, (std::vector<int>{1, 2, 2, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5}));
    EXPECT_EQ(look, "ooooooooeeeoe");
}

TEST_F(SecondHalf, TheCreditsBlurAllFiveButterfliesAndRenderNothing) {
    // Silence: one butterfly a frame, but the frozen picture holds all five.
    std::vector<int> renders;
    float mark = GetDepthOffset();
    Play(
        kButterflies, At(18078) - kFrame60, [&](int) { SetLow(0, 0, 0, 0); },
        [&](int) { renders.push_back(RendersSince(&mark)); });
    EXPECT_EQ(renders, (std::vector<int>{1, 1, 1})); // 180.78 s is not past the end
    EXPECT_EQ(RendersSince(&mark), 5);
    uint64_t frozen = FrameChecksum(show.imgName->pixels, AREA_PIXELS);
    // Each credits frame blurs the picture further (until the blur has
    // nothing left to spread), and draws no World.
    std::vector<float> times;
    std::vector<int> changed, rendered;
    Play(
        kCredits, 0, [&](int) {},
        [&](int) {
            times.push_back(show.clock.seconds);
            uint64_t now = FrameChecksum(show.imgName->pixels, AREA_PIXELS);
            changed.push_back(now != frozen);
            frozen = now;
            rendered.push_back(RendersSince(&mark));
        });
    EXPECT_EQ(std::vector<int>(changed.begin(), changed.begin() + 30), std::vector<int>(30, 1));
    EXPECT_EQ(rendered, std::vector<int>(rendered.size(), 0));
    ASSERT_GE(times.size(), 2u);
    EXPECT_GT(times.back(), 186.0f);
    EXPECT_LE(times[times.size() - 2], 186.0f);
}

} // namespace
