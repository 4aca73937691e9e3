// display: shows the finished 32-bit frame on the screen. OpenDisplay takes
// the screen at the show's size, PresentFrame converts each frame into the
// screen's pixel format and flips, CloseDisplay gives everything back.
// Escape or closing the window ends the process from inside PresentFrame.
#pragma once

#include "platform/video.h"

#include <cstdint>

// Converts count pixels 0x00RRGGBB from src into one screen format at dst,
// advancing dst by the format's 4, 3 or 2 bytes per pixel. Every channel
// keeps its top bits, the rest is dropped: no rounding, no dithering.
typedef void (*RowConverter)(const uint32_t *src, uint8_t *dst, int count);

typedef struct DisplayState {
    int width;                 // Frame width in pixels, as passed to OpenDisplay
    int height;                // Frame height in rows
    const VideoDriver *driver; // The loaded driver, null while none is
    int window;                // 1 while the window exists
    int modeSet;               // 1 while the driver holds a mode for the show
    int surface;               // 1 while the flippable surface exists
    RowConverter converter;    // Chosen for the surface's format, null until then
    int active;                // Non-zero while the show can be seen; 0 until first activated
    int fullscreen;            // 1 while the window fills the screen, 0 in a window
} DisplayState;

extern DisplayState displayState; // The one display of the process

void ConvertRow32(const uint32_t *src, uint8_t *dst, int count);    // p as is, 4 bytes
void ConvertRow32Bgr(const uint32_t *src, uint8_t *dst, int count); // red and blue swapped, 4 bytes
void ConvertRow24(const uint32_t *src, uint8_t *dst, int count);    // bytes blue, green, red
void ConvertRow24Bgr(const uint32_t *src, uint8_t *dst, int count); // bytes red, green, blue
void ConvertRow565(const uint32_t *src, uint8_t *dst, int count);   // red5 green6 blue5
void ConvertRow565Bgr(const uint32_t *src, uint8_t *dst, int count); // blue5 green6 red5
void ConvertRow555(const uint32_t *src, uint8_t *dst, int count);    // 0 red5 green5 blue5
void ConvertRow555Bgr(const uint32_t *src, uint8_t *dst, int count); // 0 blue5 green5 red5

// The converter for a surface of bitCount bits per pixel with these channel
// masks, or null when none of the eight matches all four values.
RowConverter ChooseRowConverter(int bitCount, uint32_t redMask, uint32_t greenMask,
                                uint32_t blueMask);

// Chooses the driver the next OpenDisplay loads: the platform's screen
// (the SDL window, the page's canvas in a browser) by default or for null,
// the off-screen surface for tests and capture.
void SetDisplayDriver(const VideoDriver *driver);

// Opens a window titled name and takes a screen mode of width x height at 32,
// else 24, else 16 bits per pixel, with a flippable surface; chooses the row
// converter and switches the screen saver off. 1 when ready, 0 on the first
// failure, leaving what was set up to CloseDisplay.
int OpenDisplay(const char *name, int width, int height);

// Releases whatever exists (surface, mode, window, driver) in that order and
// switches the screen saver back on. Safe after a failed OpenDisplay and
// when called twice.
void CloseDisplay(void);

// Shows pixels (width x height, 0x00RRGGBB, rows back to back): handles the
// waiting window messages, then converts and flips. Returns 1 when the frame
// was shown or skipped because the show cannot be seen (after sleeping 1 ms),
// 0 when there is no surface or it cannot be locked.
int PresentFrame(const uint32_t *pixels);

// Handles one window message: activation sets active; the pointer is hidden
// in full screen and shown in a window; F11 or Alt+Enter switches between
// full screen and a window (the pointer follows); Escape (low byte 27) or a
// close request closes the display and ends the process with status 0;
// other keys and messages are ignored. Returns 0.
int DisplayWindowProc(int message, int64_t param);
