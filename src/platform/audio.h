// audio: the show's music. Decodes an MP3 whole (libmpg123), plays it looping
// on an output device (SDL2), reports the position that has been heard and
// the spectrum around it (FFTW).
//
// The music is held decoded as 16-bit stereo at 44100 Hz, so a position is a
// count of sample frames (4 bytes each). Three devices stand behind the same
// calls: the sound card; a silent device that runs on the wall clock when no
// sound card can be opened; and a stepped clock that its caller advances.
// One device and one playing stream exist at a time; every call but the
// sound card's own mixing runs on the caller's thread.
#pragma once

#include <cstdint>

#define MUSIC_RATE        44100 // Sample frames per second of every decoded stream
#define MUSIC_FRAME_BYTES 4     // One sample frame: left and right, 16 bits each
#define SPECTRUM_SIZE     512   // Magnitudes per spectrum (half the transform length)
#define SPECTRUM_WINDOW   1024  // Mono samples per transform

typedef struct MusicPcm {
    int16_t *samples;   // Interleaved L R pairs at 44100 Hz, frameCount pairs
    int64_t frameCount; // Sample frames (4 bytes each), > 0
} MusicPcm;

typedef struct MusicStream MusicStream; // A decoded stream and its playback state

// Decodes the whole MP3 at path gaplessly (encoder delay and padding removed)
// to 44100 Hz 16-bit stereo, whatever its own rate and channel count. Returns
// null and prints one line naming the file when it cannot be read or decoded.
MusicPcm *LoadMusicPcm(const char *path);
// Frees the samples and the record; null is allowed.
void FreeMusicPcm(MusicPcm *pcm);
// Writes the 512 magnitudes of the 1024 mono samples (mean of both channels,
// -1..1) that end just before endFrame: frames endFrame-1024 .. endFrame-1,
// frames before 0 or from frameCount on read as silence. Hann window, real
// FFT; a full-scale sine centred on bin k reads 1.0 in bin k, silence reads 0.
// A null pcm gives all zeros. Not thread-safe; allocates only on its first call.
void ComputeSpectrum(const MusicPcm *pcm, int64_t endFrame, float spectrum[SPECTRUM_SIZE]);

// Opens the sound card (44100 Hz, 16-bit stereo, a buffer of about 1024
// frames) and returns 1. When none can be opened it returns 0 and sets up the
// silent wall-clock device instead, so streams still play in real time.
// After SelectSteppedAudio it sets up the stepped clock and returns 1.
int InitAudio(void);
// Makes the next InitAudio use the stepped clock: time advances only
// through StepAudio. For tests and for offline capture.
void SelectSteppedAudio(void);
// Advances the stepped clock by frames sample frames (>= 0); ignored on the
// other devices.
void StepAudio(int64_t frames);
// Stops and releases the device; streams must be freed first. Safe to call
// twice or without InitAudio.
void FreeAudio(void);

// Decodes the MP3 at path (LoadMusicPcm) into a new stream that is not yet
// playing. Null on failure, after LoadMusicPcm's line.
MusicStream *LoadMusicStream(const char *path);
// A stream of endless silence: it plays and reports a growing position like
// any other, and its spectrum is 0. Stands in for music that failed to load.
MusicStream *NewSilentStream(void);
// Starts the stream from its first frame on the current device, replacing any
// stream playing there; loop non-zero makes it restart from frame 0 after its
// last frame. A null stream is ignored.
void PlayMusicStream(MusicStream *stream, int loop);
// The stream's position in bytes of decoded audio that have reached the
// listener (the device's buffering is subtracted). Grows smoothly with
// playback, wraps to 0 when a looping stream restarts, stops at the end of a
// stream that does not loop. 0 before play and for a null stream. The stream
// remembers it for GetMusicSpectrum.
uint64_t GetMusicPosition(MusicStream *stream);
// The time the stream has been heard since play, in seconds, as of the last
// GetMusicPosition: it counts every loop, so it keeps growing where the
// position wraps (and stops with the position at the end of a stream that
// does not loop). 0 for a null stream.
double GetMusicTimePlayed(const MusicStream *stream);
// Converts a byte position of the stream to seconds (4 bytes per frame).
double MusicBytesToSeconds(const MusicStream *stream, uint64_t bytes);
// Writes the spectrum that ends at the position GetMusicPosition last
// reported (0 before any), so that a frame's time and spectrum agree.
// Returns the bytes written (2048), or 0 with all zeros for a null stream or
// a silent one.
int GetMusicSpectrum(const MusicStream *stream, float spectrum[SPECTRUM_SIZE]);
// Stops the stream if it plays, frees its music and the record; null is allowed.
void FreeMusicStream(MusicStream *stream);
