// show: the sequencer's one record and the pieces every part is made of.
//
// A Show holds every asset by its name, the music clock, and what a test or
// the capture tool asks of a run. The fixed buffers are in buffers.h.
//
// The programs run StartShow, RunTimeline, StopShow. Tests and the capture
// tool run the same code off screen: SetDisplayDriver(&offscreenVideoDriver)
// and SelectSteppedAudio() before StartShow, then set stepFrames so that
// every presentation advances the music by one video frame, fixedSpectrum to
// force a spectrum, and afterPresent to see each presented frame. A single
// part runs with RunShowPart.
//
// A part is one function: its console line and setup, its loop, and what it
// does after its loop. The loop test is strict: `while (!(t > END))`, with t
// the time of the last clock update (the previous frame's, or the one before
// the loop), so a frame drawn with t == END is not the last, and the last
// frame is drawn with a t past END. A part whose end already lies behind runs
// its setup and draws nothing. A turn of a loop is UpdateShowClock, the
// part's operations, PresentShowFrame. Nothing in a part allocates.
#pragma once

#include <cstdint>

#include "deform/deform.h"
#include "raster2d/raster2d.h"
#include "scene/scene.h"
#include "sequencer/buffers.h"
#include "sequencer/musicclock.h"

#if CENTRED_VIEW
#define SHOW_WIDTH    640 // Presented frame: the screen buffer, the render buffer at (64, 48)
#define SHOW_HEIGHT   480
#define SHOW_OFFSET_X 64 // Where CopyToScreen puts the render buffer
#define SHOW_OFFSET_Y 48
#else
#define SHOW_WIDTH  512 // Presented frame: the render buffer itself
#define SHOW_HEIGHT 384
#endif

#define AREA_BYTES   524288 // A clear of the view, the scratch buffer or an image's pixels
#define BAND_BYTES   131072 // A clear of the bottom band
#define RENDER_BYTES 786432 // A clear of the render buffer or the depth buffer

#define SHOW_MUSIC "final.mp3"   // The music in the data folder, played looping
#define SHOW_TITLE "Glimmerfall" // The window's title
#define SHOW_T2    84.78f        // Second half's time mark, seconds

// Called after every presentation with the frame just presented
// (SHOW_WIDTH x SHOW_HEIGHT pixels 0x00RRGGBB, rows back to back) and the
// Show's hookUser; the loading picture's presentation is the first.
typedef void (*ShowFrameHook)(const uint32_t *frame, void *user);

typedef struct Show {
    MusicClock clock; // The music; clock.seconds is the t of every formula

    // Worlds, each one Model and, but for worldButterfly, one Light.
    World *worldRoculus;   // "data/roculus.txt", "data/lys.txt"
    World *worldSpikeball; // "data/spikeball.txt", "data/lys.txt"
    World *worldStars;     // "data/stars.txt", "data/lys.txt"
    World *worldCube;      // "data/cube.txt", "data/lys.txt"
    World *worldDiamond;   // "data/diamond.txt", "data/nyttlys.txt"
    World *worldLove;      // "data/love.txt", "data/nyttlys.txt"
    World *worldDabomb;    // "data/dabomb.txt", "data/lys.txt"
    World *worldButterfly; // "data/butterfly.txt", no light

    // Images, in load order. 512 x 256 unless marked: the pixel arrays of
    // several serve as work buffers once their pictures are no longer needed.
    Image *imgLoad;     // "load.jpg": the loading picture, then a work buffer
    Image *imgKey;      // "key.jpg", later a work buffer
    Image *imgFear;     // "fear07.jpg", later a work buffer
    Image *imgSmoke;    // "smoke.jpg"
    Image *imgName;     // "name.jpg", later a work buffer
    Image *imgOverlay;  // "overlay01.jpg", any size: loaded, never drawn
    Image *imgSplat;    // "splat.jpg", any size: loaded, never drawn
    Image *imgFern1;    // "Pale Fern part 01.jpg"
    Image *imgFern2;    // "Pale Fern part 02.jpg"
    Image *imgCreds;    // "Creds.jpg", any size: placed with DrawImage
    Image *imgMoah;     // "moah.jpg", later a work buffer
    Image *imgCani1;    // "cani01.jpg", later a work buffer
    Image *imgCani2;    // "cani02.jpg", any size: placed with DrawImage
    Image *imgDrake;    // "drake.jpg"
    Image *imgLake;     // "lake.jpg"
    Image *imgLakeF;    // "lakef.jpg": foreground, red key colour where the lake shows
    Image *imgOver2;    // "over02.jpg", any size: loaded, never drawn
    Image *imgSkog;     // "skog.jpg"
    Image *imgMrea;     // "mrea.jpg", any size: placed with DrawImage
    Image *imgFette;    // "fette.jpg"
    Image *imgVertikal; // "vertikal3.jpg"
    Image *imgGr;       // "gr.jpg"

    // Deformation grids for the 512 x 256 view (65 x 33 points); a grid a
    // frame does not regenerate keeps the points the last frame left.
    DeformGrid gridA; // The view's deformation in most parts
    DeformGrid gridB; // A second layer's: smoke, ferns, the waving pictures
    DeformGrid gridC; // Part Five's undeformed view

    // What a test or the capture tool asks; all zero for the programs.
    int64_t stepFrames; // Sample frames (1/44100 s) the stepped clock advances per presentation
    const float *fixedSpectrum; // Not null: 512 floats copied over the spectrum at every update
    ShowFrameHook afterPresent; // Not null: called after every presentation
    void *hookUser;             // Passed to afterPresent
    int64_t presented;          // Presentations so far, the loading picture's included
} Show;

// One part of the timeline, for running parts one by one.
typedef struct ShowPart {
    const char *name;        // "Part One" ... "Part 15", "butterflyes", "lake loop", "credits"
    float end;               // Loop end in seconds (informative: the part tests its own end)
    void (*run)(Show *show); // Console line and setup, loop, after-loop steps
} ShowPart;

#define SHOW_PART_COUNT 17                        // Part One to the credits, the lake loop counted
extern const ShowPart showParts[SHOW_PART_COUNT]; // In timeline order

// ---- Start-up, timeline, shutdown -------------------------------------------

// Loads every asset into show in the fixed order: the loading picture first,
// drawn into the view and presented, then the Worlds' records, the other 21
// images, the three grids, and the scene and light files into the Worlds.
// Stops at the first file that cannot be used (missing, unreadable, or a
// picture that is not 512 x 256 where the show needs that) and returns 0
// after one message naming it; 1 when all is loaded. Also stops, with 0 and
// no message, as soon as a stop signal has been caught: a file that blocks
// (a FIFO) is cut short by the signal.
int LoadAssets(Show *show);

// Releases every image, grid and World that show holds, quietly, and sets
// their fields to null; fields already null are skipped.
void FreeShowAssets(Show *show);

// The start-up: opens the display (640 x 480 or 512 x 384), LoadAssets,
// clears the depth buffer and fills the white buffer, starts the music and
// reads the clock once, prints "Part One". Returns 0, with the display
// closed and what was loaded released, when the display cannot be opened or
// an asset cannot be used, after one message saying which: the music has not
// started then. Also 0, quietly, when a stop signal came during the loading.
int StartShow(Show *show);

// Plays every part in order, Part One to the credits.
void RunTimeline(Show *show);

// Runs showParts[index] alone (0 = Part One), from whatever the clock, the
// buffers and the assets hold. An index out of range does nothing.
void RunShowPart(Show *show, int index);

// The shutdown: closes the display, frees the pixels of imgKey and imgFear,
// then the music and the audio device.
void StopShow(Show *show);

// ---- The frame protocol ------------------------------------------------------

// UpdateMusicClock, then fixedSpectrum over the spectrum when it is set.
void UpdateShowClock(Show *show);

// Presents the render buffer: demo640 copies it centred into the screen
// buffer and presents that, demo512 presents it as is. Then counts the
// presentation, calls afterPresent and advances the stepped clock by stepFrames.
// When a stop signal has been caught (CatchStopSignals), it then closes the
// display and ends the process by that signal.
void PresentShowFrame(Show *show);

// Sets the rotation of world's models[0] to MatrixRotate (ax, ay, az) of the
// identity, radians.
void SetWorldRotation(World *world, float ax, float ay, float az);

// Post-multiplies the translation of world's models[0] by (x, y, z): moved
// from wherever it stands, the identity after loading.
void MoveWorld(World *world, float x, float y, float z);

// ---- The parts (timeline1.cpp: One to the lake loop; timeline2.cpp: Eight on) -

// Each plays its part on show: console line and setup, the loop to the part's
// end, the steps after the loop. In timeline order.
void RunPartOne(Show *show);
void RunPartTwo(Show *show);
void RunPartThree(Show *show);
void RunPartFour(Show *show);
void RunPartFive(Show *show);
void RunPartSix(Show *show);
void RunPartSeven(Show *show);
void RunLakeLoop(Show *show);
void RunPartEight(Show *show);
void RunPartNine(Show *show);
void RunPartTen(Show *show);
void RunPartEleven(Show *show);
void RunPartTwelve(Show *show);
void RunPart13(Show *show);
void RunPart15(Show *show);
void RunButterflies(Show *show);
void RunCredits(Show *show);
