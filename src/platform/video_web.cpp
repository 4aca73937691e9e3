// The browser video driver: the page's canvas, one frame in wasm memory that
// the page copies onto it at each flip. The page scales the canvas by whole
// factors, unsmoothed, centred on black, and turns key presses, pointer
// moves and the tab's visibility into the messages the display logic knows.
// Sleeping 0 ms waits for the display's next refresh: that is where the
// show's loops give the browser its turn (Asyncify).
#include "platform/video.h"

#include <emscripten.h>

#include <cstdint>
#include <cstdlib>

// The canvas takes bytes red, green, blue, alpha: a little-endian word with
// red in its low byte. The converters leave the top byte 0, which the canvas
// would show as transparent, so the flip sets it.
static const PixelFormat canvasFormat = {32, 0xFF, 0xFF00, 0xFF0000, 1};
#define OPAQUE 0xFF000000u // Alpha 255 in a canvas word

static uint32_t *frame; // The back buffer, width x height words
static int frameWidth;  // The mode's size, 0 while none
static int frameHeight;

EM_JS(int, WebOpenCanvas, (int width, int height),
      { return Module.page.openCanvas(width, height) ? 1 : 0; });
EM_JS(void, WebCloseCanvas, (void), { Module.page.closeCanvas(); });
EM_JS(void, WebShowFrame, (const void *pixels, int width, int height), {
    Module.page.showFrame(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
});
EM_JS(int, WebNextMessage, (int *param), {
    const m = Module.page.messages.shift();
    if (!m) return 0;
    HEAP32[param >> 2] = m[1];
    return m[0];
});
EM_JS(void, WebWaitForRefresh, (void), {
    Asyncify.handleSleep(
        function(wakeUp) { requestAnimationFrame(function() { callUserCallback(wakeUp); }); });
});
EM_JS(void, WebSleep, (int milliseconds), {
    Asyncify.handleSleep(function(wakeUp) {
        setTimeout(
            function() { callUserCallback(wakeUp); }, milliseconds);
    });
});
EM_JS(void, WebSetScreenSaver, (int on), { Module.page.setScreenSaver(on); });
EM_JS(void, WebHideCursor, (void), { Module.page.hideCursor(); });

static int LoadWeb(void) {
    return 1;
}

static void UnloadWeb(void) {}

static int CreateWebWindow(const char *title, int w, int h) {
    return WebOpenCanvas(w, h);
}

static void DestroyWebWindow(void) {
    WebCloseCanvas();
}

// The canvas is any size the page likes: every mode of 32 bits is taken.
static int SetWebMode(int width, int height, int bitCount) {
    if (bitCount != 32 || width <= 0 || height <= 0) return 0;
    frameWidth = width;
    frameHeight = height;
    return 1;
}

static void RestoreWebMode(void) {}

static void ReleaseWebSurface(void) {
    free(frame);
    frame = nullptr;
}

static int CreateWebSurface(int backBufferCount) {
    ReleaseWebSurface();
    frame = (uint32_t *)calloc((size_t)frameWidth * frameHeight, 4);
    return frame != nullptr;
}

static int GetWebFormat(PixelFormat *format) {
    *format = canvasFormat;
    return 1;
}

static int PollWeb(VideoMessage *message) {
    int param = 0;
    int kind = WebNextMessage(&param);
    if (!kind) return 0;
    *message = {kind, param};
    return 1;
}

static void RestoreWebSurface(void) {}

static int LockWeb(uint8_t **pixels, int *pitch) {
    if (!frame) return 0;
    *pixels = (uint8_t *)frame;
    *pitch = frameWidth * 4;
    return 1;
}

static void UnlockWeb(void) {}

static void FlipWeb(void) {
    uint32_t *p = frame, *end = frame + (size_t)frameWidth * frameHeight;
    for (; p < end; p++) *p |= OPAQUE;
    WebShowFrame(frame, frameWidth, frameHeight);
}

static void SleepWeb(int milliseconds) {
    if (milliseconds <= 0)
        WebWaitForRefresh();
    else
        WebSleep(milliseconds);
}

static void SetWebScreenSaver(int on) {
    WebSetScreenSaver(on);
}

static void HideWebCursor(void) {
    WebHideCursor();
}

const VideoDriver webVideoDriver = {
    LoadWeb,           UnloadWeb,        CreateWebWindow,   DestroyWebWindow, SetWebMode,
    RestoreWebMode,    CreateWebSurface, ReleaseWebSurface, GetWebFormat,     PollWeb,
    RestoreWebSurface, LockWeb,          UnlockWeb,         FlipWeb,          SleepWeb,
    SetWebScreenSaver, HideWebCursor,
    nullptr, // the page's F key and double-click switch full screen, not the show
    nullptr,           nullptr,
};
const VideoDriver *const screenVideoDriver = &webVideoDriver;
