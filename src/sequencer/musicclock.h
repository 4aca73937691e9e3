// musicclock: the music is the show's only clock. Once a frame the sequencer
// asks where the playing stream is, as heard, in seconds, and what its
// spectrum is there.
#pragma once

#include "platform/audio.h"

typedef struct MusicClock {
    MusicStream *stream;           // The looping music; a silent stream if it failed to load
    float seconds;                 // Time played at the last update, loops counted, >= 0
    float spectrum[SPECTRUM_SIZE]; // Magnitudes at the last update, >= 0; bin k ~ k x 43 Hz
} MusicClock;

// Refreshes seconds and spectrum from the stream: the time heard since the
// music started, every loop counted, and the spectrum of the 1024 samples
// ending at the position heard (which wraps with each loop). Returns the spectrum call's result
// (2048, or 0 while silent).
int UpdateMusicClock(MusicClock *clock);

// The audio start-up, in order: opens the sound card (when there is none,
// "No Init" is reported in a message box and the music plays silently on the
// wall clock); loads the music at path (when it cannot be decoded, "Can`t play
// file" is reported and a silent stream plays instead, so the show still runs
// in real time to its end); plays it looping; reads the clock once.
void StartMusicClock(MusicClock *clock, const char *path);

// The audio shutdown: frees the stream, then the device.
void StopMusicClock(MusicClock *clock);
