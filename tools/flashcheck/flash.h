// Flash analysis: follows the mean relative luminance of a 6 x 6 grid of
// blocks over a run of frames and finds where they flash, after the
// general-flash rule of broadcast guidance (WCAG 2.3.1):
//  - a block's luminance is the mean over its pixels of the linear-light
//    relative luminance (sRGB decoded, Rec. 709 weights), 0..1;
//  - a change is a move of at least 0.1 against the direction of the last
//    change, where the darker side is below 0.8;
//  - a flash is two changes;
//  - more than three flashes in any one-second window, in any block, is a
//    hazard.
#pragma once

#include <cstdint>
#include <vector>

#define FLASH_GRID       6   // Blocks across and down
#define FLASH_BLOCKS     36  // FLASH_GRID squared
#define FLASH_STEP       0.1 // Smallest luminance move that counts as a change, 0..1
#define FLASH_DARK_BELOW 0.8 // The darker side of a change must be below this, 0..1
#define FLASH_LIMIT      3   // Flashes allowed in any one-second window

// One block's change detector.
typedef struct FlashBlock {
    int direction; // +1 last change went up, -1 down, 0 none yet
    double low;    // Darkest luminance since the last change (or the start), 0..1
    double high;   // Brightest luminance since the last change (or the start), 0..1
    int started;   // 0 until the first frame is seen
} FlashBlock;

// The analysis of one run of frames.
typedef struct FlashRun {
    int fps;                                    // Frames per second of the run, > 0
    int64_t frames;                             // Frames seen so far
    FlashBlock blocks[FLASH_BLOCKS];            // Row-major, top-left first
    std::vector<int64_t> changes[FLASH_BLOCKS]; // Frame index of every change, per block
} FlashRun;

// Starts an analysis of frames shown at fps frames per second.
FlashRun NewFlashRun(int fps);
// Relative luminance of one 8-bit sRGB pixel, linear light, 0..1.
double PixelLuminance(int r, int g, int b);
// Mean relative luminance of each of the 36 blocks of a width x height frame
// of 0x00RRGGBB words (little-endian bgr0 bytes), pitch bytes a row.
void BlockLuminance(const uint8_t *bgr0, int width, int height, int pitch,
                    double out[FLASH_BLOCKS]);
// Feeds the next frame's block luminances to run.
void AddFlashFrame(FlashRun *run, const double luminance[FLASH_BLOCKS]);
// Largest number of flashes in any block in the one-second window that starts
// at frame first (the frames first .. first + fps - 1).
int FlashesInWindow(const FlashRun *run, int64_t first);
