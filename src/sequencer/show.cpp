// show: start-up, the frame protocol, the order of the parts, shutdown.
#include "sequencer/show.h"

#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "platform/interrupt.h"
#include "platform/message.h"
#include "sequencer/datafolder.h"
#include "raster2d/image.h"
#include "render3d/render3d.h"

const ShowPart showParts[SHOW_PART_COUNT] = {
    {"Part One", 11.4f, RunPartOne},        {"Part Two", 23.4f, RunPartTwo},
    {"Part Three", 30.0f, RunPartThree},    {"Part Four", 39.5f, RunPartFour},
    {"Part Five", 43.5f, RunPartFive},      {"Part Six", 51.5f, RunPartSix},
    {"Part Seven", 73.0f, RunPartSeven},    {"lake loop", 84.78f, RunLakeLoop},
    {"Part Eight", 91.4f, RunPartEight},    {"Part Nine", 101.28f, RunPartNine},
    {"Part Ten", 109.6f, RunPartTen},       {"Part eleven", 113.6f, RunPartEleven},
    {"Part Twelve", 120.6f, RunPartTwelve}, {"Part 13", 129.78f, RunPart13},
    {"Part 15", 154.78f, RunPart15},        {"butterflyes", 180.78f, RunButterflies},
    {"credits", 186.0f, RunCredits},
};

// Lays fixedSpectrum, when a test or the capture tool set one, over the clock's spectrum.
static void ForceSpectrum(Show *show) {
    if (show->fixedSpectrum)
        memcpy(show->clock.spectrum, show->fixedSpectrum, sizeof show->clock.spectrum);
}

int StartShow(Show *show) {
    // Before the display: a show without its data stops without a window.
    if (!UseShowData()) return 0;
    // Without a display nobody sees the show and nothing can stop it with
    // Escape: say so and end, rather than play three minutes blind.
    if (!OpenDisplay(SHOW_TITLE, SHOW_WIDTH, SHOW_HEIGHT)) {
        CloseDisplay();
        char text[128];
        snprintf(text, sizeof text,
                 "Cannot open a %d x %d display: the show cannot start without it", SHOW_WIDTH,
                 SHOW_HEIGHT);
        ShowMessageBox("Error", text);
        return 0;
    }
    if (!LoadAssets(show)) {
        CloseDisplay();
        FreeShowAssets(show);
        return 0;
    }
    FillPixels(renderBuffer, 0, RENDER_PIXELS); // The loading picture goes
    FillDepth(depthBuffer, 0, RENDER_PIXELS);
    FillPixels(whiteBuffer, 0x00FFFFFF, AREA_PIXELS);
    char music[DATA_PATH_SIZE];
    DataFilePath(music, sizeof music, SHOW_MUSIC);
    StartMusicClock(&show->clock, music);
    ForceSpectrum(show);
    printf("Part One\n");
    return 1;
}

void RunTimeline(Show *show) {
    for (int i = 0; i < SHOW_PART_COUNT; i++) showParts[i].run(show);
}

void RunShowPart(Show *show, int index) {
    if (index >= 0 && index < SHOW_PART_COUNT) showParts[index].run(show);
}

void StopShow(Show *show) {
    CloseDisplay();
    FreeJpeg(show->imgKey);
    FreeJpeg(show->imgFear);
    show->imgKey = nullptr;
    show->imgFear = nullptr;
    StopMusicClock(&show->clock);
}

void UpdateShowClock(Show *show) {
    UpdateMusicClock(&show->clock);
    ForceSpectrum(show);
}

void PresentShowFrame(Show *show) {
#if CENTRED_VIEW
    CopyToScreen(screenBuffer, SHOW_OFFSET_X, SHOW_OFFSET_Y, renderBuffer);
    const uint32_t *frame = screenBuffer;
#else
    const uint32_t *frame = renderBuffer;
#endif
    PresentFrame(frame);
    show->presented++;
    if (show->afterPresent) show->afterPresent(frame, show->hookUser);
    if (show->stepFrames > 0) StepAudio(show->stepFrames);
    // Interrupted (SIGINT, SIGTERM): the screen is given back first, then
    // the process ends by the signal, as the shell expects.
    if (CaughtStopSignal()) {
        CloseDisplay();
        EndByStopSignal();
    }
}

void SetWorldRotation(World *world, float ax, float ay, float az) {
    Matrix4 *rotation = &world->models[0].rotation;
    MatrixIdentity(rotation);
    MatrixRotate(rotation, ax, ay, az);
}

void MoveWorld(World *world, float x, float y, float z) {
    MatrixTranslate(&world->models[0].translation, x, y, z);
}
