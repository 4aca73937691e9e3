// The off-screen video driver: the same lock, pitch and flip contract as a
// real screen, in memory.
#include "platform/video.h"

#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <time.h>

static const PixelFormat defaultFormat = {32, 0xFF0000, 0xFF00, 0xFF, 1};

static OffscreenScreen screen = {defaultFormat, 0, 0, 0, nullptr, 0, 1, 0, 1};
static PixelFormat wantedFormat = defaultFormat;
static int wantedPad;                  // extra bytes per row for the next surface
static uint8_t *buffers[2];            // front, back
static int modeWidth, modeHeight;      // from setMode
#define QUEUE_SIZE 64                  // messages that can wait
static VideoMessage queue[QUEUE_SIZE]; // waiting messages, a ring
static unsigned queueHead, queueTail;

void SetOffscreenFormat(const PixelFormat *format, int padBytes) {
    wantedFormat = format ? *format : defaultFormat;
    wantedPad = padBytes > 0 ? padBytes : 0;
}

const OffscreenScreen *GetOffscreenScreen(void) {
    return &screen;
}

void PostOffscreenMessage(int kind, int64_t param) {
    if (queueTail - queueHead == QUEUE_SIZE) return;
    queue[queueTail++ % QUEUE_SIZE] = {kind, param};
}

static int LoadOffscreen(void) {
    return 1;
}

static void UnloadOffscreen(void) {}

static int CreateOffscreenWindow(const char *title, int w, int h) {
    queueHead = queueTail = 0;
    screen.fullscreen = 1; // as the SDL window starts
    // Memory is always on view: the window is active from the start.
    PostOffscreenMessage(VIDEO_ACTIVATE, 1);
    PostOffscreenMessage(VIDEO_SET_CURSOR, 0);
    return 1;
}

static void DestroyOffscreenWindow(void) {
    queueHead = queueTail = 0;
}

static int SetOffscreenMode(int width, int height, int bitCount) {
    if (bitCount != wantedFormat.bitCount || width <= 0 || height <= 0) return 0;
    modeWidth = width;
    modeHeight = height;
    return 1;
}

static void RestoreOffscreenMode(void) {}

static void ReleaseOffscreenSurface(void) {
    free(buffers[0]);
    free(buffers[1]);
    buffers[0] = buffers[1] = nullptr;
    screen.front = nullptr;
    screen.width = screen.height = screen.pitch = 0;
}

static int CreateOffscreenSurface(int backBufferCount) {
    ReleaseOffscreenSurface();
    screen.format = wantedFormat;
    screen.pitch = modeWidth * (wantedFormat.bitCount / 8) + wantedPad;
    size_t bytes = (size_t)screen.pitch * modeHeight;
    buffers[0] = (uint8_t *)calloc(bytes, 1);
    buffers[1] = (uint8_t *)calloc(bytes, 1);
    if (!buffers[0] || !buffers[1]) {
        ReleaseOffscreenSurface();
        return 0;
    }
    screen.width = modeWidth;
    screen.height = modeHeight;
    screen.front = buffers[0];
    screen.flips = 0;
    return 1;
}

static int GetOffscreenFormat(PixelFormat *format) {
    *format = screen.format;
    return 1;
}

static int PollOffscreen(VideoMessage *message) {
    if (queueHead == queueTail) return 0;
    *message = queue[queueHead++ % QUEUE_SIZE];
    return 1;
}

static void RestoreOffscreenSurface(void) {}

static int LockOffscreen(uint8_t **pixels, int *pitch) {
    if (!buffers[1]) return 0;
    *pixels = buffers[1];
    *pitch = screen.pitch;
    return 1;
}

static void UnlockOffscreen(void) {}

static void FlipOffscreen(void) {
    uint8_t *shown = buffers[1];
    buffers[1] = buffers[0];
    buffers[0] = shown;
    screen.front = shown;
    screen.flips++;
}

static void SleepOffscreen(int milliseconds) {
    if (milliseconds <= 0) {
        sched_yield();
        return;
    }
    timespec t = {milliseconds / 1000, (long)(milliseconds % 1000) * 1000000};
    nanosleep(&t, nullptr);
}

static void SetOffscreenScreenSaver(int on) {
    screen.screenSaverOn = on != 0;
}

static void HideOffscreenCursor(void) {
    screen.cursorHidden = 1;
}

static void ShowOffscreenCursor(void) {
    screen.cursorHidden = 0;
}

static int IsOffscreenFullscreen(void) {
    return screen.fullscreen;
}

static int SetOffscreenFullscreen(int on) {
    screen.fullscreen = on != 0;
    return screen.fullscreen;
}

const VideoDriver offscreenVideoDriver = {
    LoadOffscreen,       UnloadOffscreen,       CreateOffscreenWindow,   DestroyOffscreenWindow,
    SetOffscreenMode,    RestoreOffscreenMode,  CreateOffscreenSurface,  ReleaseOffscreenSurface,
    GetOffscreenFormat,  PollOffscreen,         RestoreOffscreenSurface, LockOffscreen,
    UnlockOffscreen,     FlipOffscreen,         SleepOffscreen,          SetOffscreenScreenSaver,
    HideOffscreenCursor, IsOffscreenFullscreen, SetOffscreenFullscreen,  ShowOffscreenCursor,
};
