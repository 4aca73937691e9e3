// The sound card through SDL2. SDL's audio thread pulls the music in buffers
// of about 1024 frames; the position reported to the show is the frame being
// heard, worked out from when and how much was last handed over.
#include "platform/audio_device.h"

#include <SDL.h>

#include <cstring>

// Shared with the audio thread; guarded by SDL's device lock.
static SDL_AudioDeviceID outputDevice; // 0 while closed
static const MusicStream *mixStream;   // what the callback plays, null for silence
static int64_t mixCursor;              // next frame of mixStream's music to hand over
static int64_t handedFrames;           // frames handed over since play, not wrapped
static uint64_t handedTicks;           // performance counter at the last callback
static int bufferFrames;               // frames per callback, the device's buffer

// The caller's smoothed clock.
static double smoothFrames;  // last reported position, frames since play
static uint64_t smoothTicks; // performance counter of that report
static int smoothValid;      // a report has been made since play

// Copies the next frames of the playing stream into out, looping or padding
// with silence, and notes how much has been handed over and when.
static void MixCallback(void *user, Uint8 *out, int bytes) {
    int frames = bytes / MUSIC_FRAME_BYTES;
    int16_t *dst = (int16_t *)out;
    const MusicStream *stream = mixStream;
    if (!stream) {
        memset(out, 0, (size_t)bytes);
        return;
    }
    const MusicPcm *pcm = stream->pcm;
    int left = frames;
    while (left > 0 && pcm) {
        if (mixCursor >= pcm->frameCount) {
            if (!stream->loop) break;
            mixCursor = 0;
        }
        int64_t avail = pcm->frameCount - mixCursor;
        int n = avail < left ? (int)avail : left;
        memcpy(dst, pcm->samples + 2 * mixCursor, (size_t)n * MUSIC_FRAME_BYTES);
        dst += 2 * n;
        mixCursor += n;
        left -= n;
    }
    memset(dst, 0, (size_t)left * MUSIC_FRAME_BYTES);
    handedFrames += frames;
    handedTicks = SDL_GetPerformanceCounter();
}

static int OpenSdl(void) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec want, have;
    SDL_zero(want);
    want.freq = MUSIC_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = MixCallback;
    // No allowed changes: SDL converts to whatever the card really takes.
    outputDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (outputDevice == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    bufferFrames = have.samples;
    mixStream = nullptr;
    SDL_PauseAudioDevice(outputDevice, 0);
    return 1;
}

static void CloseSdl(void) {
    if (!outputDevice) return;
    SDL_CloseAudioDevice(outputDevice);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    outputDevice = 0;
    mixStream = nullptr;
}

static void PlaySdl(const MusicStream *stream) {
    SDL_LockAudioDevice(outputDevice);
    mixStream = stream;
    mixCursor = 0;
    handedFrames = 0;
    handedTicks = 0;
    SDL_UnlockAudioDevice(outputDevice);
    smoothValid = 0;
}

// The position model: SDL calls back when the card has room for one more
// buffer, so at that moment one buffer is still queued in front of the one
// being handed over. Just after the callback the frame being heard is thus
// handed - 2 x buffer, and it advances at the sample rate until the next
// callback; it can never pass what was handed over.
//
// Callbacks wake up a little late by varying amounts, so that estimate
// jitters by a millisecond or so. The reported clock runs at the sample rate
// on the performance counter and is pulled toward the estimate with a time
// constant of 0.2 s: smooth, and within a fraction of a millisecond of the
// estimate's mean. A jump larger than two buffers (start, a stall) is taken
// at once going forward; going back, the clock holds still instead, so it
// never runs backward.
static int64_t HeardSdl(void) {
    SDL_LockAudioDevice(outputDevice);
    int64_t handed = handedFrames;
    uint64_t ticks = handedTicks;
    SDL_UnlockAudioDevice(outputDevice);
    if (handed == 0) return 0; // nothing handed over since play

    const double frequency = (double)SDL_GetPerformanceFrequency();
    const uint64_t now = SDL_GetPerformanceCounter();
    double estimate =
        (double)(handed - 2 * bufferFrames) + (double)(now - ticks) * MUSIC_RATE / frequency;
    if (estimate > (double)handed) estimate = (double)handed;
    if (estimate < 0.0) estimate = 0.0;

    if (!smoothValid) {
        smoothFrames = estimate;
        smoothValid = 1;
    } else {
        double elapsed = (double)(now - smoothTicks) / frequency; // seconds
        double predicted = smoothFrames + elapsed * MUSIC_RATE;
        double error = estimate - predicted;
        const double timeConstant = 0.2; // seconds
        if (error > 2.0 * bufferFrames) {
            smoothFrames = estimate;
        } else if (error < -2.0 * bufferFrames) {
            // The card stalled: hold still until it catches up.
        } else {
            double pull = elapsed < timeConstant ? elapsed / timeConstant : 1.0;
            double next = predicted + error * pull;
            if (next > smoothFrames) smoothFrames = next;
        }
    }
    smoothTicks = now;
    return (int64_t)smoothFrames;
}

const AudioDevice sdlAudioDevice = {OpenSdl, CloseSdl, PlaySdl, HeardSdl};

#ifndef __EMSCRIPTEN__
// On a desktop SDL's device is the sound card as it is (audio_web.cpp has
// the browser's).
const AudioDevice *const soundCard = &sdlAudioDevice;
#endif
