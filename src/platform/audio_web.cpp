// The sound card in a browser: SDL's audio device (Web Audio), behind the
// click that browsers require before they play sound. Until then the program
// waits here, with the loading picture on view; the page says "click to play".
//
// The page's audio context is made inside the click, where the browser lets
// it sound, but SDL's device is opened only when the music starts. The
// device's buffers are filled by events on the page's one thread: while the
// program works without giving the browser its turn (the music is decoded
// between the click and the start), those events queue up, and would all be
// handled at the first frame, handing over that many buffers at once. The
// music would begin seconds in, and the clock with it.
#include "platform/audio_device.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

EM_JS(void, WebWaitForGesture, (void), {
    Asyncify.handleSleep(
        function(wakeUp) { Module.page.waitForGesture(function() { callUserCallback(wakeUp); }); });
});

// The context SDL's device will use (SDL takes the one it finds in
// Module.SDL2); 0 when the browser has no Web Audio.
EM_JS(int, WebMakeAudioContext, (void), {
    const Context = typeof AudioContext != 'undefined'         ? AudioContext
                    : typeof webkitAudioContext != 'undefined' ? webkitAudioContext
                                                               : null;
    if (!Context) return 0;
    Module.SDL2 = Module.SDL2 || {};
    if (!Module.SDL2.audioContext) {
        Module.SDL2.audioContext = new Context();
        autoResumeAudioContext(Module.SDL2.audioContext);
    }
    return 1;
});

// Notes the context's time when the music starts, for the page's tests.
EM_JS(void, WebNoteMusicStart, (void), {
    Module.musicStart =
        Module.SDL2 && Module.SDL2.audioContext ? Module.SDL2.audioContext.currentTime : null;
});

// SDL closes the context with its device; one that never got a device is closed here.
EM_JS(void, WebCloseAudioContext, (void), {
    if (Module.SDL2 && Module.SDL2.audioContext) {
        Module.SDL2.audioContext.close();
        Module.SDL2.audioContext = undefined;
    }
});

#define SILENT_AFTER_MS 2000.0 // A device that has taken no sound this long after play never will

static const AudioDevice *output; // SDL's device once the music started, or silence if it failed
static double playedAt;           // Page milliseconds of the last play
static const MusicStream *played; // What the last play started, null for nothing

// The page's show can end anywhere with exit() (Escape does); the sound must
// stop with it, as a process's does.
static void CloseAtExit(void) {
    sdlAudioDevice.close();
    WebCloseAudioContext();
}

static int OpenWeb(void) {
    WebWaitForGesture();
    if (!WebMakeAudioContext()) return 0;
    output = nullptr;
    static int registered;
    if (!registered) registered = atexit(CloseAtExit) == 0;
    return 1;
}

static void CloseWeb(void) {
    if (output) output->close();
    output = nullptr;
    WebCloseAudioContext();
}

// The device opens here, right before the music plays; should it fail, the
// show keeps time on the wall clock, silent.
static void PlayWeb(const MusicStream *stream) {
    if (!output && !stream) return;
    if (!output) {
        output = sdlAudioDevice.open() ? &sdlAudioDevice : &silentAudioDevice;
        if (output == &silentAudioDevice) output->open();
    }
    output->play(stream);
    played = stream;
    playedAt = emscripten_get_now();
    if (stream) WebNoteMusicStart();
}

// A browser that cannot sound (no output device, or sound refused) keeps
// its context suspended, and the device takes nothing: rather than hold the
// first frame forever, the show goes on silent, timed by the wall clock.
static int64_t HeardWeb(void) {
    if (!output) return 0;
    int64_t heard = output->heardFrames();
    if (heard == 0 && played && output == &sdlAudioDevice &&
        emscripten_get_now() - playedAt > SILENT_AFTER_MS) {
        fprintf(stderr, "The browser plays no sound: the show goes on without it\n");
        output->close();
        output = &silentAudioDevice;
        output->open();
        output->play(played);
    }
    return heard;
}

const AudioDevice webAudioDevice = {OpenWeb, CloseWeb, PlayWeb, HeardWeb};
const AudioDevice *const soundCard = &webAudioDevice;
