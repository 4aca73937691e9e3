// The first half of the show, Part One to the lake loop, frame by frame: the
// whole of it played on the stepped clock at 60 frames a second with a
// spectrum that changes every frame, chosen frames compared with their
// checksums, and no allocation once the timeline runs.
#include "sequencer/showtest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

// ---- Counting allocations --------------------------------------------------
// The test program's own malloc family stands in front of the C library's,
// so every allocation of the process passes here. Not under the sanitizers,
// which bring their own, and only over glibc, whose __libc_ entry points it
// calls.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define __SANITIZE_ADDRESS__ 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
#define COUNT_ALLOCATIONS 1
static long allocations; // Calls to malloc, calloc and realloc while counting
static bool counting;
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *malloc(size_t size) {
    if (counting) allocations++;
    return __libc_malloc(size);
}
void *calloc(size_t count, size_t size) {
    if (counting) allocations++;
    return __libc_calloc(count, size);
}
void *realloc(void *p, size_t size) {
    if (counting) allocations++;
    return __libc_realloc(p, size);
}
}
#endif

#define FRAME_60HZ 735 // Sample frames per video frame at 60 Hz

// A frame to compare: the timeline frame drawn with t = frame / 60 s.
struct ChosenFrame {
    int frame;         // Timeline frames before it (the first frame of Part One is 0)
    const char *what;  // What it shows
    uint64_t checksum; // FNV-1a of the presented frame
};

static const ChosenFrame chosen[] = {
    {180, "3 s: the loading picture fading toward name.jpg over the bars", 0x6443314c94e7d794u},
    {480, "8 s: key.jpg fading in, mosaic pulsing into the top band", 0xdbb4bd658694884fu},
    {900, "15 s: rippling fear07 with the point cloud over the waving key", 0xdd6b4fc6783ad835u},
    {1620, "27 s: smoke fading in over the rippling picture", 0x7fca8b3bc3779270u},
    {2100, "35 s: the feedback layer through the growing crossed wave", 0x34745edd79d6e0eeu},
    {2368, "39.47 s: the one-frame flash", 0xf8f3093b6bbee273u},
    {2520, "42 s: the lens, darkening", 0xa58cc7fe1f57882du},
    {2700, "45 s: fern layer and stars under the 250 x 125 mosaic", 0x9104066184662cf6u},
    {3000, "50 s: ferns and stars with trails", 0x2c9b65cceaa56d0au},
    {3480, "58 s: cosine ripples growing", 0x1d86976597f21fdcu},
    {3840, "64 s: 11 x 11 blocks while the fern pictures fade", 0x8e596e8be1e6a238u},
    {4050, "67.5 s: blocks shrinking", 0xa878c45ac3e5e7bau},
    {4440, "74 s: the lake fading in over the last picture of Part Seven", 0x94beb31ad1fc8f03u},
    {4800, "80 s: the dabomb World over the lake, its mirror image in the water",
     0x1d6e036b92263cb0u},
};
#define CHOSEN_COUNT (int)(sizeof chosen / sizeof chosen[0])

static Show show;

struct ShowRun {
    int frame = -2; // Timeline frame just presented: -1 the loading picture, 0 Part One's first
    float spectrum[SPECTRUM_SIZE];
    uint64_t seen[CHOSEN_COUNT];
    float seenAt[CHOSEN_COUNT];
    std::vector<uint32_t> pictures[CHOSEN_COUNT]; // The chosen frames, for the PNGs
};

// Each frame's spectrum differs from the last: loud and quiet bins move
// through the low bins the parts read, so their mosaics, waves and fades all run.
static void SetSpectrum(float *spectrum, int frame) {
    for (int i = 0; i < SPECTRUM_SIZE; i++)
        spectrum[i] = (float)((frame * 7 + i * 13) % 17) / (i < 5 ? 20.0f : 60.0f);
}

static void AfterPresent(const uint32_t *frame, void *user) {
    ShowRun *run = (ShowRun *)user;
    run->frame++;
    for (int i = 0; i < CHOSEN_COUNT; i++)
        if (chosen[i].frame == run->frame) {
            run->seen[i] = FrameChecksum(frame, SHOW_WIDTH * SHOW_HEIGHT);
            run->seenAt[i] = show.clock.seconds;
            memcpy(run->pictures[i].data(), frame, SHOW_WIDTH * SHOW_HEIGHT * 4);
        }
    SetSpectrum(run->spectrum, run->frame + 1);
}

TEST(Timeline1, EveryPartDrawsItsChosenFramesExactlyWithoutAllocating) {
    if (!HaveShowData()) GTEST_SKIP() << "data/ is missing: run build/assetgen data";
    static ShowRun run;
    for (auto &picture : run.pictures) picture.resize(SHOW_WIDTH * SHOW_HEIGHT);
    SetSpectrum(run.spectrum, 0);
    show.fixedSpectrum = run.spectrum;
    show.afterPresent = AfterPresent;
    show.hookUser = &run;
    ASSERT_TRUE(StartShowOffscreen(&show));
    show.stepFrames = FRAME_60HZ;
#if COUNT_ALLOCATIONS
    counting = true;
#endif
    for (int part = 0; part < 8; part++) RunShowPart(&show, part);
#if COUNT_ALLOCATIONS
    counting = false;
    EXPECT_EQ(allocations, 0) << "the frame loop allocates";
#endif
    EXPECT_GT(show.clock.seconds, 84.78f);
    EXPECT_EQ(run.frame, 5087); // Every t up to 84.78 s at 60 Hz, and one frame past it

    std::string folder = std::string(GF_BINARY_DIR) + "/sequencer-frames";
    mkdir(folder.c_str(), 0755);
    for (int i = 0; i < CHOSEN_COUNT; i++) {
        EXPECT_EQ(run.seenAt[i], (float)(chosen[i].frame * FRAME_60HZ / 44100.0)) << chosen[i].what;
        if (run.seen[i] == chosen[i].checksum) continue;
        ADD_FAILURE() << chosen[i].what << ": checksum 0x" << std::hex << run.seen[i];
        char path[512];
        snprintf(path, sizeof path, "%s/timeline1_frame%05d.png", folder.c_str(), chosen[i].frame);
        if (WritePng(path, run.pictures[i].data(), SHOW_WIDTH, SHOW_HEIGHT))
            printf("  frame written to %s\n", path);
    }
    StopShow(&show);
    FreeShowAssets(&show);
}
