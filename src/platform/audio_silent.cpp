// The silent device: stands in for a missing sound card. Nothing is heard,
// and the position follows the monotonic wall clock from the moment of play,
// so the show still runs in real time.
#include "platform/audio_device.h"

#include <ctime>

static int64_t startNanoseconds; // monotonic time of the last play
static int silentPlaying;        // a stream is playing

static int64_t NowNanoseconds(void) {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static int OpenSilent(void) {
    silentPlaying = 0;
    return 1;
}

static void CloseSilent(void) {
    silentPlaying = 0;
}

static void PlaySilent(const MusicStream *stream) {
    silentPlaying = stream != nullptr;
    startNanoseconds = NowNanoseconds();
}

static int64_t HeardSilent(void) {
    if (!silentPlaying) return 0;
    // Whole frames elapsed, seconds and the fraction apart so that the
    // product never overflows.
    int64_t ns = NowNanoseconds() - startNanoseconds;
    return ns / 1000000000 * MUSIC_RATE + ns % 1000000000 * MUSIC_RATE / 1000000000;
}

const AudioDevice silentAudioDevice = {OpenSilent, CloseSilent, PlaySilent, HeardSilent};
