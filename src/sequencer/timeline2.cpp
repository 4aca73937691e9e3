// timeline2: the second half, Part Eight to the credits (84.78 s to 186 s).
//
// The same rules as the first half: every time and factor is a 32-bit float,
// every integer argument is its formula truncated toward zero, and a sine or
// cosine runs in double on the float argument and is rounded to float before
// the formula goes on. Times of this half are mostly measured from T2 = 84.78,
// as t - SHOW_T2 in float. Fills "white" are byte fills with 0xFF (pixels
// 0xFFFFFFFF, top byte set), not copies of the white buffer (0x00FFFFFF): an
// inverted fill comes out as 0x01000000, which BlendByBlue takes as a
// non-zero pixel of opacity 0. Some frames do work after their presentation;
// it is written where it falls.
#include "sequencer/show.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "render3d/render3d.h"

// Resets the translation of world's models[0] and moves it to (x, y, z).
static void PlaceWorld(World *world, float x, float y, float z) {
    MatrixIdentity(&world->models[0].translation);
    MoveWorld(world, x, y, z);
}

// The first material of world's model, or null when the scene has none.
static Material *FirstMaterial(World *world) {
    Model *model = &world->models[0];
    return model->materialCount > 0 ? &model->materials[0] : nullptr;
}

// Sets the diffuse colour of world's first material, when there is one.
static void SetDiffuse(World *world, float r, float g, float b) {
    if (Material *material = FirstMaterial(world)) material->diffuse = {r, g, b};
}

// sin and cos of a float argument, in double, stored as float.
static float Sin(float x) {
    return (float)sin((double)x);
}
static float Cos(float x) {
    return (float)cos((double)x);
}

// Fills an area of 512 x 256 pixels with 0xFF bytes.
static void FillWhite(uint32_t *pixels) {
    memset(pixels, 0xFF, AREA_BYTES);
}

void RunPartEight(Show *s) {
    printf("Part Eight\n");
    World *spikeball = s->worldSpikeball;
    uint32_t *render = s->imgLoad->pixels; // The World alone, cleared after every frame
    uint32_t *zoomed = s->imgName->pixels; // That render through the swinging zoom
    spikeball->lights[0].position.z = 0.0f;
    while (!(s->clock.seconds > 91.4f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        GridLinear(&s->gridA, 512, 256, (int)(t * S[0] * 50.0f), (int)(t * 50.0f));
        GridCosRipple(&s->gridA, 0.05f, 8.0f);
        RenderGridWrap(view, &s->gridA, s->imgMoah);
        if (S[2] * 30.0f >= 9.0f) InvertBuffer(view);
        SetWorldRotation(spikeball, t * 0.9f, t * 0.9f, t * -0.5f);
        PlaceWorld(spikeball, S[1] * 40.0f - 30.0f, S[0] * 40.0f - 5.0f, S[3] * 60.0f + 150.0f);
        if (t - SHOW_T2 >= 3.09f) {
            // From 87.87 s: a copy of the render, zoomed by a uniform pulse
            // that swings with the time and rippled, laid over by its blue.
            GridLinear(&s->gridB, 512, 256, 0, 0);
            GridCosPulse(&s->gridB, 0.0f, (t - SHOW_T2) * 6.0f, -10.0f);
            GridCosPulse(&s->gridB, 0.1f, 3.9f, 10.0f);
            RenderWorld(render, depthBuffer, spikeball);
            RenderGridClip(zoomed, &s->gridB, s->imgLoad);
            BlendByBlue(view, zoomed);
        }
        RenderWorld(view, depthBuffer, spikeball);
        Blur2x2(view, renderEnd);
        if (S[1] * 30.0f >= 8.5f)
            CrossFade(view, whiteBuffer, (uint32_t)(int)(S[1] * 70.0f + 70.0f));
        PresentShowFrame(s);
        memset(render, 0, AREA_BYTES);
    }
    // Part Nine's colours: a dark red body with golden highlights.
    if (Material *material = FirstMaterial(spikeball)) {
        material->diffuse = {0.5f, 0.1f, 0.1f};
        material->specular = {0.96f, 0.78f, 0.07f};
    }
}

// Part Nine's camera: the spikeball jumps between fixed placements, each
// window including its upper limit; B = S1 x 30 shakes all of them.
static void PlaceSpikeball(World *spikeball, float t, const float *S) {
    float B = S[1] * 30.0f;
    if (t <= 92.24f)
        PlaceWorld(spikeball, B - 30.0f, B, 150.0f);
    else if (t <= 94.01f)
        PlaceWorld(spikeball, B + 30.0f, B - 20.0f, 150.0f);
    else if (t <= 94.5f)
        PlaceWorld(spikeball, B - 20.0f, B - 20.0f, 150.0f);
    else if (t <= 95.84f)
        PlaceWorld(spikeball, B, B - 20.0f, 170.0f);
    else if (t <= 96.46f)
        PlaceWorld(spikeball, B + 30.0f, -20.0f - B, 130.0f);
    else if (t <= 98.83f)
        PlaceWorld(spikeball, B + 30.0f, -10.0f - B, 130.0f);
    else
        PlaceWorld(spikeball, B, B - 60.0f, 200.0f - S[2] * 80.0f);
}

void RunPartNine(Show *s) {
    printf("Part Nine\n");
    World *spikeball = s->worldSpikeball;
    uint32_t *layer = s->imgKey->pixels; // fette through its wave, the World on it
    while (!(s->clock.seconds > 101.28f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        float sine = Sin(t);
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridLinear(&s->gridB, (int)(sine * 500.0f + 512.0f), (int)(sine * 256.0f + 256.0f),
                   (int)(t * 30.0f), (int)(t * 60.0f));
        GridWaveAlong(&s->gridA, 0.2f, 0.2f, t, t, S[1] * 70.0f);
        GridWaveAcross(&s->gridB, 0.1f, 0.2f, t, t, 90.0f);
        memset(layer, 0, AREA_BYTES);
        SetWorldRotation(spikeball, t * 0.9f, t * 0.9f, t * -0.5f);
        PlaceSpikeball(spikeball, t, S);
        RenderGridWrap(layer, &s->gridB, s->imgFette);
        RenderWorld(layer, depthBuffer, spikeball);
        RenderGridClip(view, &s->gridA, s->imgKey);
        uint32_t n = (uint32_t)((int)(S[2] * 10.0f) + 1);
        Pixelate(view, renderEnd, n, n);
        Blur2x2(view, renderEnd);
        // White on loud frames, and steadily from 101.18 s to the end.
        if (S[2] * 30.0f >= 20.0f || t - SHOW_T2 >= 16.4f) CrossFade(view, whiteBuffer, 255);
        memset(bottomBand, 0, BAND_BYTES);
        PresentShowFrame(s);
        memset(view, 0, AREA_BYTES);
    }
    memset(renderBuffer, 0, RENDER_BYTES);
}

void RunPartTen(Show *s) {
    printf("Part Ten\n");
    uint32_t *layer = s->imgName->pixels; // vertikal through its wave, laid over by its blue
    int flip = 0;                         // 0 shows cani01, 1 cani02; every loud frame toggles
    // The end is the only sum of this half taken in double: T2 + 24.82 lies
    // a little above 109.6f.
    while (!((double)s->clock.seconds > (double)SHOW_T2 + 24.82)) {
        memset(layer, 0, AREA_BYTES);
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        GridLinear(&s->gridA, 512, 256, 0, (int)(t * 40.0f));
        GridWaveAcross(&s->gridA, 0.3f, 0.2f, t, t, 30.0f);
        GridWaveAlong(&s->gridA, 0.3f, 0.2f, t, t, 30.0f);
        if (S[0] * 20.0f >= 8.5f || S[1] * 20.0f >= 8.5f || S[2] * 20.0f >= 8.5f ||
            S[3] * 20.0f >= 8.5f)
            flip = 1 - flip;
        DrawImage(view, renderEnd, 0, 0, flip == 0 ? s->imgCani1 : s->imgCani2);
        RenderGridWrap(layer, &s->gridA, s->imgVertikal);
        BlendByBlue(view, layer);
        PresentShowFrame(s);
    }
}

// The cube of Parts eleven and Twelve: bobbing 440 units away, swinging
// about two axes, its diffuse colour the spectrum's (S2, S1, S0).
static void PlaceCube(World *cube, float t, const float *S) {
    Model *model = &cube->models[0];
    MatrixIdentity(&model->rotation);
    PlaceWorld(cube, 0.0f, -110.0f, Sin(t * 2.0f) * 20.0f + 440.0f);
    MatrixRotate(&model->rotation, 0.0f, Sin(t) * 2.0f, Sin(t * 0.5f) * 2.0f);
    SetDiffuse(cube, S[2], S[1], S[0]);
}

// The grid of the waving blue-keyed vertikal layer in Parts eleven and
// Twelve: scrolling down 40 rows a second, waving both ways.
static void WaveVertikalGrid(DeformGrid *grid, float t) {
    GridLinear(grid, 512, 256, 0, (int)(t * 40.0f));
    GridWaveAcross(grid, 0.3f, 0.2f, t, t * 3.0f, 30.0f);
    GridWaveAlong(grid, 0.3f, 0.2f, t * 2.0f, t, 30.0f);
}

void RunPartEleven(Show *s) {
    printf("Part eleven\n");
    World *cube = s->worldCube;
    uint32_t *layer = s->imgName->pixels;
    memset(view, 0, AREA_BYTES);
    cube->lights[0].position.z = 300.0f;
    while (!(s->clock.seconds > 113.6f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        WaveVertikalGrid(&s->gridA, t);
        PlaceCube(cube, t, S);
        // cani01 shaken by the spectrum.
        DrawImage(view, renderEnd, (int)(S[3] * 10.0f), (int)(S[0] * 10.0f), s->imgCani1);
        RenderWorld(view, depthBuffer, cube);
        Blur2x2(view, renderEnd);
        RenderGridWrap(layer, &s->gridA, s->imgVertikal);
        BlendByBlue(view, layer);
        if (S[1] * 30.0f >= 8.0f) Blur2x2(view, renderEnd);
        PresentShowFrame(s);
        memset(view, 0, AREA_BYTES);
    }
}

void RunPartTwelve(Show *s) {
    printf("Part Twelve\n");
    World *cube = s->worldCube;
    uint32_t *picture = s->imgName->pixels; // cani01 with the cube, seen through the ripple
    uint32_t *layer = s->imgLoad->pixels;
    float t12 = s->clock.seconds; // The ripple's sine starts from 0 here
    memset(renderBuffer, 0, RENDER_BYTES);
    while (!(s->clock.seconds > 120.6f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridCosRipple(&s->gridA, 0.05f, Sin(t - t12) * 30.0f);
        WaveVertikalGrid(&s->gridB, t);
        PlaceCube(cube, t, S);
        DrawImage(picture, ImageEnd(s->imgName), 0, 0, s->imgCani1);
        RenderWorld(picture, depthBuffer, cube);
        Blur2x2(picture, ImageEnd(s->imgName));
        RenderGridWrap(view, &s->gridA, s->imgName);
        RenderGridWrap(layer, &s->gridB, s->imgVertikal);
        BlendByBlue(view, layer);
        // To drake.jpg in two seconds from 118.31 s; past 255 the fade holds.
        if (t - SHOW_T2 >= 33.53f)
            CrossFade(view, s->imgDrake->pixels, (uint32_t)(int)((t - SHOW_T2 - 33.53f) * 128.0f));
        PresentShowFrame(s);
        memset(view, 0, AREA_BYTES);
    }
}

void RunPart13(Show *s) {
    printf("Part 13\n");
    World *love = s->worldLove;
    uint32_t *trails = s->imgKey->pixels; // The World's renders, never cleared in the part
    uint32_t *warped = s->imgName->pixels;
    uint32_t *black = s->imgLoad->pixels; // Stays black: the fade target at the end
    memset(trails, 0, AREA_BYTES);
    memset(warped, 0, AREA_BYTES);
    memset(black, 0, AREA_BYTES);
    MoveWorld(love, 0.0f, -20.0f, 130.0f);
    love->lights[0].position.z = 40.0f;
    int flashes = 0; // White flashes so far; the warped World shows from the first on
    while (!(s->clock.seconds > 129.78f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridRipple(&s->gridA, S[0] * 2.0f);
        GridWaveAcross(&s->gridA, 0.3f, 0.3f, t, -t, S[1] * 20.0f + 20.0f);
        DrawImage(view, renderEnd, 0, 0, s->imgDrake);
        if (S[2] * 30.0f >= 11.0f) InvertBuffer(view);
        SetWorldRotation(love, Cos(t - 2.0f) * 2.0f, Cos(t + 0.5f) * 2.3f, Sin(t + 1.4f) * -1.5f);
        RenderWorld(trails, depthBuffer, love);
        Blur2x2(trails, ImageEnd(s->imgKey));
        RenderGridWrap(warped, &s->gridA, s->imgKey);
        if (flashes >= 1) BlendByBlue(view, warped);
        if (S[2] * 30.0f >= 8.5f && t - SHOW_T2 > 37.0f) {
            CrossFade(view, whiteBuffer, (uint32_t)(int)(S[3] * 70.0f + 150.0f));
            flashes = flashes + 1;
        }
        // To black in three seconds from 126.78 s.
        if (t - SHOW_T2 >= 42.0f) CrossFade(view, black, (uint32_t)(int)((t - 126.78f) * 85.0f));
        PresentShowFrame(s);
        memset(renderBuffer, 0, AREA_BYTES); // The first 131072 pixels: top band, view rows 0-191
    }
}

void RunPart15(Show *s) {
    printf("Part 15\n");
    World *diamond = s->worldDiamond;
    World *butterfly = s->worldButterfly;
    uint32_t *panel = s->imgFear->pixels; // mrea with the warped diamond over it
    uint32_t *render = s->imgKey->pixels; // The diamond on white
    uint32_t *rippled = s->imgLoad->pixels;
    uint32_t *warped = s->imgName->pixels; // White where the diamond is not
    uint32_t *second = s->imgMoah->pixels; // The panel that slides in: a butterfly on white
    uint32_t *flight = s->imgCani1->pixels;
    MoveWorld(diamond, 50.0f, -10.0f, 150.0f);
    diamond->lights[0].position.z = 0.0f;
    float peakLow = 0.0f;  // Last S0 x 30 that reached 10: the first wave's phase across
    float peakHigh = 0.0f; // Last S3 x 30 that reached 9: its phase down
    int scroll = 0;        // Left edge of the first panel, 0 down to -512 pixels
    memset(warped, 0, AREA_BYTES);
    while (!(s->clock.seconds - SHOW_T2 > 70.0f)) {
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        if (S[0] * 30.0f >= 10.0f) peakLow = S[0] * 30.0f;
        if (S[3] * 30.0f >= 9.0f) peakHigh = S[3] * 30.0f;
        GridLinear(&s->gridA, 512, 256, 0, 0);
        GridLinear(&s->gridB, 512, 256, 0, 0);
        // A uniform zoom from 1000 down to none over the part's first 1.57 s.
        if (!(t - SHOW_T2 > 46.57f)) GridCosPulse(&s->gridA, 0.0f, 2.0f * (t - 129.78f), 500.0f);
        GridWaveAcross(&s->gridA, 0.1f, 0.05f, peakLow, peakHigh, 30.0f);
        SetWorldRotation(diamond, t * 0.4f, t * 0.5f, t * 0.3f);
        DrawImage(panel, ImageEnd(s->imgFear), 0, 0, s->imgMrea);
        GridWaveAcross(&s->gridA, 0.1f, 0.05f, -t, t, 30.0f);
        GridCosPulse(&s->gridB, 0.3f, t, 3.0f);
        diamond->lights[0].position.x = Sin(t) * 100.0f;
        RenderWorld(render, depthBuffer, diamond);
        RenderGridWrap(rippled, &s->gridB, s->imgKey);
        RenderGridClip(warped, &s->gridA, s->imgLoad);
        // The white fill (0xFFFFFFFF) is not below 0xFFFFFF: only the diamond
        // and the black outside the texture reach the panel.
        CopyBelow(panel, warped, 0xFFFFFF);
        DrawImage(view, renderEnd, scroll, 0, s->imgFear);
        if (t - SHOW_T2 >= 55.0f) {
            // The first butterfly, inverted: its white background becomes
            // 0x01000000, nearly transparent, over the view.
            FillWhite(scratchBuffer);
            if (t - SHOW_T2 > 60.0f)
                PlaceWorld(butterfly, 200.0f, S[0] * 150.0f - 200.0f, 1450.0f);
            else
                PlaceWorld(butterfly, (t - SHOW_T2 - 55.0f) * 180.0f - 700.0f,
                           S[0] * 150.0f - 200.0f, 1450.0f);
            SetWorldRotation(butterfly, t, 2.07f, 0.0f);
            RenderWorld(scratchBuffer, depthBuffer, butterfly);
            InvertBuffer(scratchBuffer);
            BlendByBlue(view, scratchBuffer);
            // The second, not inverted: its white background is opaque, so
            // the panel it makes is white around it.
            CopyView(second, s->imgSkog->pixels);
            PlaceWorld(butterfly, (float)(-scroll * 4 - 924 - 920), -200.0f, 1450.0f);
            RenderWorld(flight, depthBuffer, butterfly);
            BlendByBlue(second, flight);
            DrawImage(view, renderEnd, scroll + 512, 0, s->imgMoah);
            FillWhite(flight);
        }
        // A second clock read: the rest of the frame and the next loop test see it.
        UpdateShowClock(s);
        t = s->clock.seconds;
        Blur2x2(view, renderEnd);
        PresentShowFrame(s);
        // From 144.78 s both panels slide left, 51.2 pixels a second.
        if (t - SHOW_T2 - 60.0f >= 0.0f) scroll = (int)((t - SHOW_T2 - 60.0f) * -51.2f);
        FillWhite(render);
    }
    FillWhite(warped);
    FillWhite(view);
}

// The five placements of the butterflies part, drawn in order into layer
// while k < count; the spectrum moves them all alike.
static void DrawButterflies(World *butterfly, const float *S, int count, uint32_t *layer) {
    const float x = S[0] * 150.0f, y = S[2] * 150.0f, z = S[4] * 450.0f;
    const float placements[5][3] = {
        {x + 200.0f, -200.0f - y, 1450.0f - z},  {x + 100.0f, 200.0f - y, 1050.0f - z},
        {x + 500.0f, -400.0f - y, 1250.0f - z},  {500.0f - x, -200.0f - y, 1550.0f - z},
        {-500.0f - x, -300.0f - y, 1250.0f - z},
    };
    for (int k = 0; k < count && k < 5; k++) {
        PlaceWorld(butterfly, placements[k][0], placements[k][1], placements[k][2]);
        RenderWorld(layer, depthBuffer, butterfly);
    }
}

void RunButterflies(Show *s) {
    printf("butterflyes\n");
    World *butterfly = s->worldButterfly;
    uint32_t *layer = s->imgName->pixels; // The butterflies on white, inverted on even beats
    int swarm = 0; // Frames with S2 x 30 >= 12: one more butterfly each, to five
    int beat = 1;  // Strong beats after 158.78 s, plus one: even inverts
    while (!(s->clock.seconds - SHOW_T2 > 96.0f)) {
        FillWhite(layer);
        UpdateShowClock(s);
        float t = s->clock.seconds;
        const float *S = s->clock.spectrum;
        float u = t - SHOW_T2 - 70.0f;
        if (S[2] * 30.0f >= 12.0f) swarm = swarm + 1;
        if (S[2] * 30.0f >= 15.0f && t - SHOW_T2 >= 74.0f) beat = beat + 1;
        DrawImage(view, renderEnd, 0, 0, s->imgSkog);
        SetWorldRotation(butterfly, t * 0.9f, u * 0.3f + 2.07f, u * 0.5f);
        // Row k shows once swarm > k - 1.
        DrawButterflies(butterfly, S, swarm < 4 ? swarm + 1 : 5, layer);
        // Odd: the butterflies on opaque white. Even: inverted, the background
        // turns transparent and skog shows under them.
        if (beat % 2 == 0) InvertBuffer(layer);
        BlendByBlue(view, layer);
        Blur2x2(view, renderEnd);
        CrossFade(view, s->imgGr->pixels, (uint32_t)(int)(Sin(t) * 40.0f + 40.0f));
        PresentShowFrame(s);
    }
    // The credits' picture: all five, frozen with the last frame's spectrum
    // and rotation, inverted.
    FillWhite(layer);
    DrawButterflies(butterfly, s->clock.spectrum, 5, layer);
    InvertBuffer(layer);
    memset(renderBuffer, 0, RENDER_BYTES);
}

void RunCredits(Show *s) {
    uint32_t *frozen = s->imgName->pixels; // The five butterflies, blurring further every frame
    while (!(s->clock.seconds - SHOW_T2 > 101.22f)) {
        UpdateShowClock(s);
        Blur2x2(frozen, ImageEnd(s->imgName));
        DrawImage(view, renderEnd, 0, 0, s->imgCreds);
        BlendByBlue(view, frozen);
        PresentShowFrame(s);
    }
}
