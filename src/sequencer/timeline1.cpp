// timeline1: the first 84.78 seconds, Part One to the lake loop.
//
// Every time and factor is a 32-bit float and every integer argument is the
// formula truncated toward zero, in the order written: trunc(t0 - 5.5) * 3 is
// not trunc((t0 - 5.5) * 3). Sines run in double on the float argument.
// Fade levels go to CrossFade as they come; it reads a level past 255, or a
// negative one passed as unsigned, as 255.
#include "sequencer/show.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "render3d/render3d.h"

// The one model of world, for the parts that draw it as points.
static Model *ModelOf(World *world) {
    return &world->models[0];
}

// trunc(sin(t + 3.14)) is 0 except where the sine is exactly +-1, so the span
// is 156 nearly always; the smoke's grid in Parts Three and Four.
static int SmokeSpan(float t) {
    return 156 + 10 * (int)sin((double)(t + 3.14f));
}

void RunPartOne(Show *s) {
    // The console line comes from the start-up.
    while (!(s->clock.seconds > 11.4f)) {
        // The fade levels follow the time the loop test saw, before this frame's update.
        float t0 = s->clock.seconds;
        int a = (int)(t0 * 2.0f);
        int b = (int)(t0 - 5.5f) * 3;
        memset(scratchBuffer, 0, AREA_BYTES);
        memset(renderBuffer, 0, RENDER_BYTES);

        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *spectrum = s->clock.spectrum;
        DrawSpectrumBars(scratchBuffer, spectrum, 0x333333);
        // imgLoad keeps every frame's fade: the fade is cumulative.
        if (t > 5.5f)
            CrossFade(s->imgLoad->pixels, s->imgKey->pixels, (uint32_t)b);
        else
            CrossFade(s->imgLoad->pixels, s->imgName->pixels, (uint32_t)a);
        // The bars show wherever the faded picture is black.
        ComposeOverlay(view, scratchBuffer, s->imgLoad->pixels);
        // From the render buffer's first row, not the view's: blocks straddling
        // row 64 carry the picture up into the top band, which keeps it.
        Pixelate(renderBuffer, renderEnd, 1, (uint32_t)((int)(spectrum[0] * 80.0f) + 1));
        memset(bottomBand, 0, BAND_BYTES);
        PresentShowFrame(s);
    }
}

void RunPartTwo(Show *s) {
    printf("Part Two\n");
    Model *roculus = ModelOf(s->worldRoculus);
    MoveWorld(s->worldRoculus, 0.0f, -40.0f, 350.0f);
    while (!(s->clock.seconds > 23.4f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridWaveAcross(&s->gridA, 0.3f, 0.3f, t, t, (t - 11.4f) * 7.0f);
        RenderGridWrap(view, &s->gridA, s->imgKey);
        GridLinear(&s->gridA, 512, 256, (int)(t * 30.0f), 0);
        GridRipple(&s->gridA, 2.0f);
        RenderGridWrap(scratchBuffer, &s->gridA, s->imgFear);
        SetWorldRotation(s->worldRoculus, t * 0.1f, t * 0.1f, t * 0.1f);
        RenderModelPoints(scratchBuffer, roculus, 0xFFFFFF);
        Blur2x2(scratchBuffer, scratchEnd);
        ReplotModelPoints(scratchBuffer, roculus, 0xFFFFFF);
        CrossFade(view, scratchBuffer, (uint32_t)(int)((t - 11.4f) * 21.25f));
        Blur2x2Twice(view, renderEnd);
        PresentShowFrame(s);
    }
}

void RunPartThree(Show *s) {
    printf("Part Three\n");
    Model *roculus = ModelOf(s->worldRoculus);
    memset(s->imgLoad->pixels, 0, AREA_BYTES);
    while (!(s->clock.seconds > 30.0f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *spectrum = s->clock.spectrum;
        int level = (int)((t - 23.4f) * 32.8f);
        GridLinear(&s->gridA, 512, 256, (int)(t * 30.0f), 0);
        GridRipple(&s->gridA, 2.0f);
        RenderGridWrap(view, &s->gridA, s->imgFear);
        GridLinear(&s->gridB, SmokeSpan(t), 233, (int)(t * 30.0f), 0);
        GridWaveAlong(&s->gridB, 0.7f, 0.3f, t * 3.0f, t * 3.0f, spectrum[3] * 60.0f);
        GridWaveAcross(&s->gridB, 0.3f, 0.3f, t * 3.0f, t * 3.0f, spectrum[1] * 100.0f);
        RenderGridWrap(s->imgLoad->pixels, &s->gridB, s->imgSmoke);
        SetWorldRotation(s->worldRoculus, t * 0.1f, t * 0.1f, t * 0.1f);
        CrossFade(view, s->imgLoad->pixels, (uint32_t)level);
        RenderModelPoints(view, roculus, 0xFFFFFF);
        Blur2x2(view, renderEnd);
        ReplotModelPoints(view, roculus, 0xFFFFFF);
        Blur2x2Twice(view, renderEnd);
        PresentShowFrame(s);
    }
}

void RunPartFour(Show *s) {
    printf("Part Four\n");
    Model *roculus = ModelOf(s->worldRoculus);
    // The point cloud smeared into the smoke, frame after frame.
    uint32_t *feedback = s->imgLoad->pixels;
    GridLinear(&s->gridA, 512, 256, 0, 0);
    CopyView(feedback, view);
    while (!(s->clock.seconds > 39.5f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *spectrum = s->clock.spectrum;
        GridLinear(&s->gridB, SmokeSpan(t), 233, (int)(t * 30.0f), 0);
        // The last frame, drawn past the end, keeps the crossed wave of the frame before.
        if (t >= 30.0f && !(t > 39.5f)) {
            GridLinear(&s->gridA, 512, 256, 0, 0);
            GridWaveAcross(&s->gridA, 0.3f, 0.3f, t, t, (t - 30.0f) * 7.0f);
            GridWaveAlong(&s->gridA, 0.3f, 0.3f, t, t, (t - 30.0f) * 7.0f);
        }
        GridWaveAlong(&s->gridB, 0.3f, 0.3f, t * 3.0f, t * 3.0f, spectrum[1] * 60.0f);
        GridWaveAcross(&s->gridB, 0.3f, 0.3f, t * 3.0f, t * 3.0f, spectrum[1] * 100.0f);
        RenderGridWrap(scratchBuffer, &s->gridB, s->imgSmoke);
        SetWorldRotation(s->worldRoculus, t * 0.1f, t * 0.1f, t * 0.1f);
        RenderModelPoints(feedback, roculus, 0xFFFFFF);
        CrossFade(feedback, scratchBuffer, (uint32_t)(int)(150.0f * spectrum[3]));
        RenderGridWrap(view, &s->gridA, s->imgLoad);
        Blur2x2Twice(view, renderEnd);
        // The flash: only a frame that falls in the last 50 ms gets it.
        if (t >= 39.45f && !(t > 39.5f)) SubtractFromGrey(view, 0);
        PresentShowFrame(s);
    }
}

void RunPartFive(Show *s) {
    printf("Part Five\n");
    Model *roculus = ModelOf(s->worldRoculus);
    memset(scratchBuffer, 0, AREA_BYTES);
    memset(s->imgName->pixels, 0, AREA_BYTES);
    memset(s->imgKey->pixels, 0, AREA_BYTES); // Stays black: the fade target of the darkening
    while (!(s->clock.seconds > 43.5f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *spectrum = s->clock.spectrum;
        // gridB keeps the points of Part Four's last frame.
        RenderGridWrap(scratchBuffer, &s->gridB, s->imgSmoke);
        SetWorldRotation(s->worldRoculus, t * 0.1f, t * 0.1f, t * 0.1f);
        RenderModelPoints(s->imgLoad->pixels, roculus, 0xFFFFFF);
        CrossFade(s->imgLoad->pixels, scratchBuffer, (uint32_t)(int)(150.0f * spectrum[3]));
        RenderGridWrap(s->imgName->pixels, &s->gridA, s->imgLoad);
        int level = t < 40.5f ? 0 : (int)((t - 40.5f) * 85.0f);
        CrossFade(s->imgName->pixels, s->imgKey->pixels, (uint32_t)level);
        GridLinear(&s->gridC, 512, 256, 0, 0);
        // gridA is never reset here: each frame's lens adds to all before it.
        GridLens(&s->gridA, (t - 39.5f) * 0.1f);
        RenderGridWrap(view, &s->gridC, s->imgName);
        Blur2x2Twice(view, renderEnd);
        PresentShowFrame(s);
    }
}

// The grids of Parts Six and Seven: gridA the identity, gridB squeezed to
// 240 rows of the texture and waving across.
static void ResetFernGrids(Show *s, float t) {
    GridLinear(&s->gridA, 512, 256, 0, 0);
    GridLinear(&s->gridB, 512, 240, 0, 0);
    GridWaveAcross(&s->gridB, 0.3f, 0.3f, t, t, 10.0f);
}

// The fern layer: the second fern picture through gridB, its top 20 rows
// black, the first picture's bright pixels over it.
static void DrawFernLayer(Show *s, uint32_t *layer) {
    RenderGridWrap(layer, &s->gridB, s->imgFern2);
    memset(layer, 0, 20 * AREA_WIDTH * 4);
    CopyAbove(layer, s->imgFern1->pixels, 0x011112);
}

void RunPartSix(Show *s) {
    printf("Part Six\n");
    World *stars = s->worldStars;
    uint32_t *trails = s->imgKey->pixels; // The World's renders, never cleared: trails
    memset(s->imgName->pixels, 0, AREA_BYTES);
    memset(s->imgLoad->pixels, 0, AREA_BYTES);
    memset(trails, 0, AREA_BYTES);
    MoveWorld(stars, 0.0f, -40.0f, 180.0f);
    stars->lights[0].position.z = 100.0f;
    while (!(s->clock.seconds > 51.5f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        int level = t - 43.5f >= 7.6f ? 255 : (int)((t - 43.5f) * 9.0f);
        ResetFernGrids(s, t);
        DrawFernLayer(s, s->imgLoad->pixels);
        CrossFade(s->imgName->pixels, s->imgLoad->pixels, (uint32_t)level);
        RenderGridWrap(view, &s->gridA, s->imgName);
        SetWorldRotation(stars, t * 0.15f, t * 0.15f, t * 0.15f);
        RenderWorld(trails, depthBuffer, stars);
        Blur2x2(trails, ImageEnd(s->imgKey));
        BlendByBlue(view, trails);
        // A mosaic that resolves: 400 x 200 blocks at 43.5 s, 1 x 1 from about 47.5 s.
        int w = (int)(400.0f - (t - 43.5f) * 100.0f);
        int h = (int)(200.0f - (t - 43.5f) * 100.0f * 0.5f);
        if (w <= 1) w = h = 1;
        Pixelate(view, renderEnd, (uint32_t)w, (uint32_t)h);
        memset(bottomBand, 0, BAND_BYTES);
        memset(depthBuffer, 0, RENDER_BYTES);
        Blur2x2(view, renderEnd);
        PresentShowFrame(s);
    }
    memset(scratchBuffer, 0, AREA_BYTES);
}

void RunPartSeven(Show *s) {
    printf("Part Seven\n");
    World *stars = s->worldStars;
    uint32_t *trails = s->imgKey->pixels;
    while (!(s->clock.seconds > 73.0f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        float d = t - 43.5f;
        ResetFernGrids(s, t);
        // Cosine ripples from 56.5 s, growing to full strength at 59.5 s; at
        // d = 16 exactly both run.
        if (d >= 13.0f && d <= 16.0f) {
            GridCosRipple(&s->gridA, 0.1f, d - 13.0f);
            GridCosRipple(&s->gridB, 0.1f, d - 13.0f);
        }
        if (d >= 16.0f) {
            GridCosRipple(&s->gridA, 0.1f, 3.0f);
            GridCosRipple(&s->gridB, 0.1f, 3.0f);
        }
        DrawFernLayer(s, s->imgName->pixels);
        SetWorldRotation(stars, t * 0.15f, t * 0.15f, t * 0.15f);
        RenderWorld(trails, depthBuffer, stars);
        Blur2x2(trails, ImageEnd(s->imgKey));
        RenderGridWrap(view, &s->gridA, s->imgName);
        BlendByBlue(view, trails);
        Blur2x2(view, renderEnd);
        if (d >= 18.0f) {
            // The mosaic pulse: blocks grow from 1 to 11 over 61.5-63.5 s,
            // hold, and shrink back over 66.9-68.9 s.
            float p = t - 61.5f;
            if (p > 2.0f) p = 2.0f;
            if (d >= 23.4f) p = p - (t - 66.9f);
            if (!(p > 0.0f)) p = 0.0f;
            uint32_t n = (uint32_t)(int)(p * 5.0f + 1.0f);
            Pixelate(view, renderEnd, n, n);
            // While the blocks hold, the fern pictures themselves fade away.
            if (p == 2.0f) {
                CrossFade(s->imgFern1->pixels, scratchBuffer, (uint32_t)(int)((t - 61.5f) * 10.0f));
                CrossFade(s->imgFern2->pixels, s->imgSmoke->pixels,
                          (uint32_t)(int)((t - 61.5f) * 5.0f));
            }
        }
        PresentShowFrame(s);
    }
}

void RunLakeLoop(Show *s) {
    World *bomb = s->worldDabomb;
    uint32_t *mirror = s->imgName->pixels; // The object turned upside down under the waterline
    uint32_t *lake = s->imgKey->pixels;    // The lake with the mirror image laid over it
    MoveWorld(bomb, 0.0f, -80.0f, 220.0f);
    bomb->lights[0].position.z = 150.0f;
    CopyView(s->imgLoad->pixels, view); // Part Seven's last picture, faded out over two seconds
    while (!(s->clock.seconds > 84.78f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridWaterWave(&s->gridA, 1.0f, 1.0f, t, t, 10.0f, 128);
        SetWorldRotation(bomb, t * 0.2f, t * 0.3f, t * 0.2f);
        // The scratch buffer is never cleared here: the object leaves trails.
        RenderWorld(scratchBuffer, depthBuffer, bomb);
        Blur2x2(scratchBuffer, scratchEnd);
        Blur2x2(scratchBuffer, scratchEnd);
        CopyView(mirror, scratchBuffer);
        RotateTopHalfDown(mirror);
        CopyView(lake, s->imgLake->pixels);
        BlendByBlue(lake, mirror);
        RenderGridWrap(view, &s->gridA, s->imgKey);
        BlendByBlue(view, scratchBuffer);
        CopyExceptRedKey(view, s->imgLakeF->pixels);
        Blur2x2(view, renderEnd);
        if (!(t - 73.0f > 2.0f)) {
            // 255 - 256 at exactly 75 s: raised to 0, ending on the lake.
            int level = 255 - (int)((t - 73.0f) * 128.0f);
            if (level < 0) level = 0;
            CrossFade(view, s->imgLoad->pixels, (uint32_t)level);
        }
        PresentShowFrame(s);
    }
}
