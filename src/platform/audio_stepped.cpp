// The stepped clock: no sound, and time moves only when the caller says so
// (tests, and the capture tool, which steps one video frame at a time).
#include "platform/audio_device.h"

static int64_t steppedFrames; // frames advanced since the stream started

static int OpenStepped(void) {
    steppedFrames = 0;
    return 1;
}

static void CloseStepped(void) {}

static void PlayStepped(const MusicStream *stream) {
    steppedFrames = 0;
}

static int64_t HeardStepped(void) {
    return steppedFrames;
}

void AdvanceSteppedClock(int64_t frames) {
    steppedFrames += frames;
}

const AudioDevice steppedAudioDevice = {OpenStepped, CloseStepped, PlayStepped, HeardStepped};
