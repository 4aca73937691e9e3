// display: opening, presenting and closing, on whichever video driver was
// chosen. What is tried in which order and what each message does lives here;
// the drivers only adapt a screen to these calls.
#include "display/display.h"

#include <cstdlib>

DisplayState displayState;
static const VideoDriver *chosenDriver = screenVideoDriver;

void SetDisplayDriver(const VideoDriver *driver) {
    chosenDriver = driver ? driver : screenVideoDriver;
}

int OpenDisplay(const char *name, int width, int height) {
    DisplayState *d = &displayState;
    d->width = width;
    d->height = height;
    d->active = 0; // nothing is drawn before the window says it can be seen
    const VideoDriver *v = chosenDriver;
    if (!v->load()) return 0;
    d->driver = v;
    if (!v->createWindow(name, width, height)) return 0;
    d->window = 1;
    d->fullscreen = v->isFullscreen ? v->isFullscreen() : 1;
    // The first bit count the screen takes at this size, deepest first.
    static const int bitCounts[] = {32, 24, 16};
    for (int bits : bitCounts)
        if ((d->modeSet = v->setMode(width, height, bits))) break;
    if (!d->modeSet) return 0;
    // Two back buffers if the screen has room for them, else one.
    if (!(d->surface = v->createSurface(2)) && !(d->surface = v->createSurface(1))) return 0;
    PixelFormat format;
    if (!v->getPixelFormat(&format) || !format.isRgb) return 0; // no palette modes
    d->converter =
        ChooseRowConverter(format.bitCount, format.redMask, format.greenMask, format.blueMask);
    if (!d->converter) return 0;
    v->setScreenSaver(0);
    return 1;
}

void CloseDisplay(void) {
    DisplayState *d = &displayState;
    const VideoDriver *v = d->driver;
    if (!v) return; // nothing was loaded, or already closed
    if (d->surface) v->releaseSurface();
    if (d->modeSet) v->restoreMode();
    if (d->window) v->destroyWindow();
    // The switch needs the driver, so it comes before unloading; it is
    // turned on whatever it was before the show.
    v->setScreenSaver(1);
    v->unload();
    d->surface = d->modeSet = d->window = 0;
    d->converter = nullptr;
    d->driver = nullptr;
}

// The pointer is in the way of a full-screen show, and wanted in a window
// that shares the desktop.
static void FitCursor(DisplayState *d) {
    const VideoDriver *v = d->driver;
    if (!v) return;
    if (d->fullscreen || !v->showCursor)
        v->hideCursor();
    else
        v->showCursor();
}

int DisplayWindowProc(int message, int64_t param) {
    DisplayState *d = &displayState;
    switch (message) {
    case VIDEO_ACTIVATE:
        d->active = param != 0;
        break;
    case VIDEO_SET_CURSOR:
        FitCursor(d);
        break;
    case VIDEO_KEY_DOWN:
        if (param == VIDEO_KEY_F11 || param == (13 | VIDEO_KEY_ALT)) {
            if (d->driver && d->driver->setFullscreen)
                d->fullscreen = d->driver->setFullscreen(!d->fullscreen);
            FitCursor(d);
            break;
        }
        if ((param & 0xFF) != 27) break; // only Escape ends the show
        CloseDisplay();
        exit(0);
    case VIDEO_CLOSE:
        CloseDisplay();
        exit(0);
    default:
        break;
    }
    return 0;
}

int PresentFrame(const uint32_t *pixels) {
    DisplayState *d = &displayState;
    const VideoDriver *v = d->driver;
    if (!v) return 0;
    // The window's messages are handled here, nested in the frame loop:
    // this is where Escape ends the show.
    VideoMessage m;
    if (d->window)
        while (v->pollMessage(&m)) DisplayWindowProc(m.kind, m.param);
    if (!d->active) {
        v->sleep(1); // the frame is dropped; the show goes on by music time
        return 1;
    }
    if (!d->surface || !d->converter) return 0; // set-up failed: nothing to draw into
    v->restoreSurface();
    uint8_t *dst;
    int pitch;
    if (!v->lockBackBuffer(&dst, &pitch)) return 0;
    // Row by row: the surface's rows are pitch bytes apart, which may be more
    // than the converted row takes.
    const uint32_t *src = pixels;
    for (int y = 0; y < d->height; y++, src += d->width, dst += pitch)
        d->converter(src, dst, d->width);
    v->unlockBackBuffer();
    v->flip();
    v->sleep(0);
    return 1;
}
