// The sound card in a browser: SDL's audio device (Web Audio), opened once
// the page has had the click that browsers require before they play sound.
// Until then the program waits here, with the loading picture on view; the
// page says "click to play".
#include "platform/audio_device.h"

#include <emscripten.h>

#include <cstdlib>

EM_JS(void, WebWaitForGesture, (void), {
    Asyncify.handleSleep(
        function(wakeUp) { Module.page.waitForGesture(function() { callUserCallback(wakeUp); }); });
});

// The page's show can end anywhere with exit() (Escape does); the sound must
// stop with it, as a process's does.
static void CloseAtExit(void) {
    sdlAudioDevice.close();
}

static int OpenWeb(void) {
    WebWaitForGesture();
    if (!sdlAudioDevice.open()) return 0;
    static int registered;
    if (!registered) registered = atexit(CloseAtExit) == 0;
    return 1;
}

static void CloseWeb(void) {
    sdlAudioDevice.close();
}

static void PlayWeb(const MusicStream *stream) {
    sdlAudioDevice.play(stream);
}

static int64_t HeardWeb(void) {
    return sdlAudioDevice.heardFrames();
}

const AudioDevice webAudioDevice = {OpenWeb, CloseWeb, PlayWeb, HeardWeb};
const AudioDevice *const soundCard = &webAudioDevice;
