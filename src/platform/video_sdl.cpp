// The SDL video driver: a full-screen-desktop window (no mode switch), a
// renderer with vsync and a streaming texture in the frame's pixel format.
// The frame is scaled by the largest whole factor that fits, centred on
// black, with nearest-neighbour sampling.
#include "platform/video.h"

#include <SDL.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>

static SDL_Window *window;
static SDL_Renderer *renderer;
static SDL_Texture *texture;
static Uint32 textureFormat;        // chosen by setMode
static int frameWidth, frameHeight; // the mode's size
static int reportedVisible;         // what the last VIDEO_ACTIVATE said
static int cursorPending;           // a VIDEO_SET_CURSOR is owed for a newly shown window

// The eight formats by name, as GLIMMERFALL_PIXEL_FORMAT gives them, with the
// SDL format whose memory layout each converter writes.
static const struct {
    const char *name;
    Uint32 format;
} formatNames[] = {
    {"32", SDL_PIXELFORMAT_RGB888},  {"32bgr", SDL_PIXELFORMAT_BGR888},
    {"24", SDL_PIXELFORMAT_BGR24},   {"24bgr", SDL_PIXELFORMAT_RGB24},
    {"565", SDL_PIXELFORMAT_RGB565}, {"565bgr", SDL_PIXELFORMAT_BGR565},
    {"555", SDL_PIXELFORMAT_RGB555}, {"555bgr", SDL_PIXELFORMAT_BGR555},
};

// The format GLIMMERFALL_PIXEL_FORMAT forces, or 0 when it is unset or unknown.
static Uint32 ForcedFormat(void) {
    const char *name = getenv("GLIMMERFALL_PIXEL_FORMAT");
    if (!name) return 0;
    for (const auto &f : formatNames)
        if (strcmp(name, f.name) == 0) return f.format;
    return 0;
}

static int LoadSdl(void) {
    // The frame is scaled by whole factors: keep SDL from smoothing it.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // Losing the keyboard to another window or monitor must not hide the show.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Windows stretches the picture of a program that does not say it knows
    // the desktop's scale (125 %, 150 %): blurred, and no longer a whole
    // multiple of the frame. Said here, the window gets real pixels. Other
    // systems ignore the hint.
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "display: %s\n", SDL_GetError()); // the one line that says why
        return 0;
    }
    // With no screen at all SDL falls back on a driver that draws into
    // memory: the show would then play unseen, with no window to take
    // Escape. Such a driver counts only when asked for by name.
    const char *driver = SDL_GetCurrentVideoDriver();
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) &&
        !(asked && !strcmp(asked, driver))) {
        fprintf(stderr,
                "display: no screen to show on (neither DISPLAY nor WAYLAND_DISPLAY works)\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 0;
    }
    return 1;
}

static void UnloadSdl(void) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// The window's size when not full screen: the largest whole multiple of the
// w x h frame that takes at most three quarters of the desktop, else w x h.
static void WindowedSize(int w, int h, int *sw, int *sh) {
    *sw = w;
    *sh = h;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
        for (int k = 2; w * k <= usable.w * 3 / 4 && h * k <= usable.h * 3 / 4; k++) {
            *sw = w * k;
            *sh = h * k;
        }
}

static int CreateSdlWindow(const char *title, int w, int h) {
    const char *windowed = getenv("GLIMMERFALL_WINDOW");
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, sw = w, sh = h;
    SDL_Rect desktop;
    frameWidth = w; // for WindowedSize when switching, before the mode is set
    frameHeight = h;
    if (windowed && strcmp(windowed, "1") == 0) {
        WindowedSize(w, h, &sw, &sh);
    } else {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        // Made at the desktop's own size and place: without a window
        // manager (Xvfb, kiosks) nobody else would make it full screen.
        if (SDL_GetDisplayBounds(0, &desktop) == 0) {
            x = desktop.x;
            y = desktop.y;
            sw = desktop.w;
            sh = desktop.h;
        }
    }
    window = SDL_CreateWindow(title, x, y, sw, sh, flags);
    reportedVisible = 0;
    cursorPending = 0;
    if (!window) fprintf(stderr, "display: %s\n", SDL_GetError());
    return window != nullptr;
}

static void DestroySdlWindow(void) {
    if (window) SDL_DestroyWindow(window);
    window = nullptr;
}

static int SetSdlMode(int width, int height, int bitCount) {
    Uint32 format = ForcedFormat();
    if (!format)
        format = bitCount == 32   ? (Uint32)SDL_PIXELFORMAT_RGB888
                 : bitCount == 24 ? (Uint32)SDL_PIXELFORMAT_BGR24
                                  : (Uint32)SDL_PIXELFORMAT_RGB565;
    if ((int)SDL_BYTESPERPIXEL(format) * 8 != bitCount) return 0;
    textureFormat = format;
    frameWidth = width;
    frameHeight = height;
    return 1;
}

static void RestoreSdlMode(void) {}

static void ReleaseSdlSurface(void) {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    texture = nullptr;
    renderer = nullptr;
}

static int CreateSdlSurface(int backBufferCount) {
    // The renderer double-buffers on its own; the count asked for does not matter.
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer)
        texture = SDL_CreateTexture(renderer, textureFormat, SDL_TEXTUREACCESS_STREAMING,
                                    frameWidth, frameHeight);
    if (texture) SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    if (texture) return 1;
    ReleaseSdlSurface();
    return 0;
}

static int GetSdlFormat(PixelFormat *format) {
    int bpp;
    Uint32 r, g, b, a;
    if (!SDL_PixelFormatEnumToMasks(textureFormat, &bpp, &r, &g, &b, &a)) return 0;
    // Bits per pixel as stored: 32 for 8-8-8 in a word, 16 for 5-5-5.
    format->bitCount = SDL_BYTESPERPIXEL(textureFormat) * 8;
    format->redMask = r;
    format->greenMask = g;
    format->blueMask = b;
    format->isRgb = !SDL_ISPIXELFORMAT_INDEXED(textureFormat);
    return 1;
}

// Visible means mapped and not minimised; keyboard focus does not matter.
static int SdlWindowVisible(void) {
    Uint32 flags = window ? SDL_GetWindowFlags(window) : 0;
    return (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
}

static int PollSdl(VideoMessage *message) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT ||
            (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
            *message = {VIDEO_CLOSE, 0};
            return 1;
        }
        if (e.type == SDL_KEYDOWN) {
            SDL_Keycode key = e.key.keysym.sym;
            if (e.key.repeat && key != SDLK_ESCAPE) continue; // a held key switches once
            int64_t code = key == SDLK_ESCAPE                           ? 27
                           : key == SDLK_F11                            ? VIDEO_KEY_F11
                           : key == SDLK_RETURN || key == SDLK_KP_ENTER ? 13
                           : key < 128                                  ? key
                                                                        : 0;
            if (e.key.keysym.mod & KMOD_ALT) code |= VIDEO_KEY_ALT;
            *message = {VIDEO_KEY_DOWN, code};
            return 1;
        }
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_ENTER) {
            *message = {VIDEO_SET_CURSOR, 0};
            return 1;
        }
    }
    // Activation follows the window's state once the queue is empty, so a
    // burst of show/hide events ends in one message with the final state.
    int visible = SdlWindowVisible();
    if (visible != reportedVisible) {
        reportedVisible = visible;
        cursorPending = visible;
        *message = {VIDEO_ACTIVATE, visible};
        return 1;
    }
    // The pointer may rest over a window that has just appeared, with no
    // enter event to come.
    if (cursorPending) {
        cursorPending = 0;
        *message = {VIDEO_SET_CURSOR, 0};
        return 1;
    }
    return 0;
}

static void RestoreSdlSurface(void) {}

static int LockSdl(uint8_t **pixels, int *pitch) {
    void *p;
    if (!texture || SDL_LockTexture(texture, nullptr, &p, pitch) != 0) return 0;
    *pixels = (uint8_t *)p;
    return 1;
}

static void UnlockSdl(void) {
    SDL_UnlockTexture(texture);
}

static void FlipSdl(void) {
    int ow, oh;
    if (SDL_GetRendererOutputSize(renderer, &ow, &oh) != 0) return;
    // The largest whole factor that fits; a window smaller than the frame
    // shows it shrunk to fit instead, still in shape.
    int scale = ow / frameWidth < oh / frameHeight ? ow / frameWidth : oh / frameHeight;
    SDL_Rect dst = {0, 0, frameWidth * scale, frameHeight * scale};
    if (scale == 0) {
        dst.w = ow;
        dst.h = (int)((int64_t)frameHeight * ow / frameWidth);
        if (dst.h > oh) {
            dst.h = oh;
            dst.w = (int)((int64_t)frameWidth * oh / frameHeight);
        }
    }
    dst.x = (ow - dst.w) / 2;
    dst.y = (oh - dst.h) / 2;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &dst);
    SDL_RenderPresent(renderer);
}

static void SleepSdl(int milliseconds) {
    SDL_Delay((Uint32)milliseconds);
}

static void SetSdlScreenSaver(int on) {
    if (on)
        SDL_EnableScreenSaver();
    else
        SDL_DisableScreenSaver();
}

static void HideSdlCursor(void) {
    SDL_ShowCursor(SDL_DISABLE);
}

static void ShowSdlCursor(void) {
    SDL_ShowCursor(SDL_ENABLE);
}

static int IsSdlFullscreen(void) {
    return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

static int SetSdlFullscreen(int on) {
    if (!window) return 0;
    if (on) {
        // Placed over the whole desktop first: without a window manager
        // nobody else would make it cover the screen.
        SDL_Rect desktop;
        int index = SDL_GetWindowDisplayIndex(window);
        if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &desktop) == 0) {
            SDL_SetWindowPosition(window, desktop.x, desktop.y);
            SDL_SetWindowSize(window, desktop.w, desktop.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window, 0);
        int sw, sh;
        WindowedSize(frameWidth, frameHeight, &sw, &sh);
        SDL_SetWindowSize(window, sw, sh);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    return IsSdlFullscreen();
}

const VideoDriver sdlVideoDriver = {
    LoadSdl,           UnloadSdl,        CreateSdlWindow,   DestroySdlWindow, SetSdlMode,
    RestoreSdlMode,    CreateSdlSurface, ReleaseSdlSurface, GetSdlFormat,     PollSdl,
    RestoreSdlSurface, LockSdl,          UnlockSdl,         FlipSdl,          SleepSdl,
    SetSdlScreenSaver, HideSdlCursor,    IsSdlFullscreen,   SetSdlFullscreen, ShowSdlCursor,
};

// On a desktop the SDL window is the screen (video_web.cpp has the browser's).
const VideoDriver *const screenVideoDriver = &sdlVideoDriver;
