// video: what the display logic needs of a screen. A driver gives a window
// that reports a few messages, a mode of a given size and bit count, and a
// surface with a back buffer in some pixel format that can be locked (pointer
// and pitch), written, unlocked and flipped. Two drivers: the SDL window, and
// an off-screen surface in memory for tests and the capture tool.
#pragma once

#include <cstdint>

typedef enum VideoMessageKind {
    VIDEO_ACTIVATE = 1, // param: 1 when the show can be seen (shown, not minimised), 0 when not
    VIDEO_SET_CURSOR,   // the pointer is over the window; param unused
    VIDEO_KEY_DOWN,     // param: key code (27 Escape, 13 Enter, VIDEO_KEY_F11, 0 for a key
                        // without one), plus VIDEO_KEY_ALT while Alt is held
    VIDEO_CLOSE,        // the user asked to close the window; param unused
} VideoMessageKind;

#define VIDEO_KEY_F11 0x10B   // Key code of F11; its low byte is not Escape's
#define VIDEO_KEY_ALT 0x10000 // Added to a key code while Alt is held

typedef struct VideoMessage {
    int kind;      // A VideoMessageKind
    int64_t param; // As the kind says
} VideoMessage;

typedef struct PixelFormat {
    int bitCount;       // Bits a pixel takes in memory: 32, 24 or 16 (15-bit colour reports 16)
    uint32_t redMask;   // Bits of red within the pixel, read as a little-endian integer
    uint32_t greenMask; // Bits of green
    uint32_t blueMask;  // Bits of blue
    int isRgb;          // Non-zero for direct colour, 0 for a palette
} PixelFormat;

typedef struct VideoDriver {
    int (*load)(void);                                    // 1 when the driver is ready
    void (*unload)(void);                                 // Undoes load
    int (*createWindow)(const char *title, int w, int h); // 1 when the window exists
    void (*destroyWindow)(void);                          // Undoes createWindow
    int (*setMode)(int width, int height, int bitCount);  // 1 when the screen takes that mode
    void (*restoreMode)(void);                            // Gives the screen back
    int (*createSurface)(int backBufferCount);            // 1 when a flippable surface exists
    void (*releaseSurface)(void);                         // Undoes createSurface
    int (*getPixelFormat)(PixelFormat *format);           // 1 when the format is known
    int (*pollMessage)(VideoMessage *message);            // 1 and the next message, 0 if none
    void (*restoreSurface)(void);                         // Re-acquires lost surface memory
    int (*lockBackBuffer)(uint8_t **pixels, int *pitch);  // 1, first row and bytes per row
    void (*unlockBackBuffer)(void);                       // Ends the lock
    void (*flip)(void);                                   // Shows the back buffer
    void (*sleep)(int milliseconds);                      // 0 gives up the time slice
    void (*setScreenSaver)(int on);                       // Allows (1) or stops (0) it
    void (*hideCursor)(void);                             // No pointer over the window
    // Optional (null: the driver has one mode and a hidden pointer):
    int (*isFullscreen)(void);    // 1 when the window fills the screen, 0 in a window
    int (*setFullscreen)(int on); // Switches; returns the state now, as isFullscreen
    void (*showCursor)(void);     // The pointer shows over the window
} VideoDriver;

// The SDL window: full-screen desktop (GLIMMERFALL_WINDOW=1: a resizable
// window; either switches to the other while the show plays), the frame scaled by the largest whole
// factor that fits, centred on black, never smoothed, vsync. Its mode takes 32 bits per pixel;
// GLIMMERFALL_PIXEL_FORMAT set to 32, 32bgr, 24, 24bgr, 565, 565bgr, 555 or
// 555bgr makes it take only that format instead.
extern const VideoDriver sdlVideoDriver;

// The platform's own screen, which the display opens unless told otherwise:
// sdlVideoDriver, or in a browser webVideoDriver.
extern const VideoDriver *const screenVideoDriver;

// The browser page's canvas (web build only): the page scales the frame by
// the largest whole factor that fits, centred on black, never smoothed, and
// each flip waits for the display's next refresh.
extern const VideoDriver webVideoDriver;

// The off-screen surface: a front and a back buffer in memory, always
// visible; flip swaps them.
extern const VideoDriver offscreenVideoDriver;

typedef struct OffscreenScreen {
    PixelFormat format;   // The one format its mode takes; 32-bit 0xFF0000/0xFF00/0xFF by default
    int width;            // Pixels per row of the surface, 0 while there is none
    int height;           // Rows
    int pitch;            // Bytes per row: width x bytes per pixel + the padding asked for
    const uint8_t *front; // The flipped frame, pitch x height bytes; null while there is none
    int64_t flips;        // Flips since the surface was made
    int screenSaverOn;    // 1 unless switched off
    int cursorHidden;     // 1 while hidden
    int fullscreen;       // 1 while full screen (the default), 0 in a window
} OffscreenScreen;

// Makes the off-screen mode take only format (null: the default) and rows
// padBytes (>= 0) longer than the pixels need, from the next surface on.
void SetOffscreenFormat(const PixelFormat *format, int padBytes);
// The off-screen screen's state, for reading.
const OffscreenScreen *GetOffscreenScreen(void);
// Queues a message for the off-screen window, delivered by the next polls
// (up to 64 waiting; more are dropped).
void PostOffscreenMessage(int kind, int64_t param);
