// audio_device: what the audio front end needs of a device back end. Private
// to src/platform.
#pragma once

#include "platform/audio.h"

struct MusicStream {
    MusicPcm *pcm;  // Decoded music, null for endless silence
    int loop;       // Non-zero: restarts at frame 0 after its last frame
    int64_t heard;  // The frame GetMusicPosition last reported, 0 .. frameCount
    int64_t played; // Frames heard since play at that report, loops counted, >= 0
};

typedef struct AudioDevice {
    int (*open)(void);                       // Takes the device; 1 when ready, 0 when absent
    void (*close)(void);                     // Releases it (stops any stream first)
    void (*play)(const MusicStream *stream); // Plays stream from frame 0; null stops playing
    int64_t (*heardFrames)(void);            // Frames heard since play, not wrapped, >= 0
} AudioDevice;

extern const AudioDevice sdlAudioDevice;     // SDL's output device (audio_sdl.cpp)
extern const AudioDevice silentAudioDevice;  // Silence on the wall clock (audio_silent.cpp)
extern const AudioDevice steppedAudioDevice; // Advanced by StepAudio (audio_stepped.cpp)

// The platform's sound card: SDL's device, or in a browser SDL's device
// behind the page's play gesture (audio_web.cpp).
extern const AudioDevice *const soundCard;

// Advances the stepped clock (audio_stepped.cpp).
void AdvanceSteppedClock(int64_t frames);
