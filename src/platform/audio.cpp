// audio: decoding (libmpg123), the spectrum (FFTW) and the stream calls that
// are the same on every device. The devices are in audio_sdl.cpp,
// audio_silent.cpp and audio_stepped.cpp.
#include "platform/audio_device.h"

#include <SDL.h>
#include <fftw3.h>
#include <mpg123.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0 // POSIX files have no text mode to turn off
#endif

// ---------------------------------------------------------------- decoding

// Converts the *frameCount interleaved stereo 16-bit frames of samples from
// rate to 44100 Hz with SDL's resampler. Returns the new sample array
// (frameCount updated), or null when SDL cannot do it.
static int16_t *ResampleTo44100(const int16_t *samples, int64_t *frameCount, long rate) {
    if (rate <= 0) return nullptr;
    SDL_AudioStream *conv =
        SDL_NewAudioStream(AUDIO_S16SYS, 2, (int)rate, AUDIO_S16SYS, 2, MUSIC_RATE);
    if (!conv) return nullptr;
    // The music keeps its duration: round(frames x 44100 / rate) frames.
    int64_t wanted = (*frameCount * MUSIC_RATE + rate / 2) / rate;
    // SDL takes at most 2 GiB per put: feed it in pieces.
    const int64_t chunkFrames = 1 << 20;
    int ok = 1;
    for (int64_t f = 0; ok && f < *frameCount; f += chunkFrames) {
        int64_t n = *frameCount - f < chunkFrames ? *frameCount - f : chunkFrames;
        ok = SDL_AudioStreamPut(conv, samples + 2 * f, (int)(n * MUSIC_FRAME_BYTES)) == 0;
    }
    // The resampler holds back the last few milliseconds even when flushed:
    // push silence after the music to get them out, and cut it off again.
    static const int16_t tail[2 * 4096] = {0};
    if (ok) ok = SDL_AudioStreamPut(conv, tail, sizeof tail) == 0;
    if (ok) ok = SDL_AudioStreamFlush(conv) == 0;
    int16_t *out = ok ? (int16_t *)calloc((size_t)wanted, MUSIC_FRAME_BYTES) : nullptr;
    if (out) SDL_AudioStreamGet(conv, out, (int)(wanted * MUSIC_FRAME_BYTES));
    SDL_FreeAudioStream(conv);
    *frameCount = wanted;
    return out;
}

MusicPcm *LoadMusicPcm(const char *path) {
    static int libraryReady = 0;
    if (!libraryReady) {
        mpg123_init(); // a no-op on current versions, required on old ones
        libraryReady = 1;
    }
    int err = MPG123_OK;
    // The plain C decoder: the SIMD ones, chosen by the CPU, round the
    // synthesis differently, so the same file would give other samples (and
    // in time other frames) on another machine or in another build.
    mpg123_handle *mh = mpg123_new("generic", &err);
    if (!mh) {
        fprintf(stderr, "%s: cannot start the MP3 decoder: %s\n", path, mpg123_plain_strerror(err));
        return nullptr;
    }
    // Gapless: the encoder's delay and padding are cut, so frame 0 is the
    // first sample as composed. Quiet: the one line below is all we print.
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);

    const char *problem = nullptr;
    int16_t *samples = nullptr;
    int64_t frames = 0, capacity = 0;
    long rate = 0;
    int channels = 0, encoding = 0;
    // Any rate the file has, always as 16-bit stereo (mono is doubled).
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    mpg123_format_none(mh);
    for (size_t i = 0; i < rateCount; i++)
        mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    int fd = open(path, O_RDONLY | O_BINARY); // Windows would otherwise read it as text
    struct stat st;
    if (fd < 0) {
        problem = strerror(errno);
    } else if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        problem = "is a folder, not a file"; // it opens, and would pass for damaged MP3 data
    } else if (mpg123_open_fd(mh, fd) != MPG123_OK ||
               mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        problem = "not an MP3 file";
    } else {
        // The length is known after a scan for most files; it only sizes
        // the first allocation.
        mpg123_scan(mh);
        off_t hint = mpg123_length(mh);
        capacity = hint > 0 ? (int64_t)hint + 1152 : (int64_t)rate * 60;
        samples = (int16_t *)malloc((size_t)capacity * MUSIC_FRAME_BYTES);
        if (!samples) problem = "out of memory";
        while (!problem) {
            if (frames == capacity) {
                capacity *= 2;
                int16_t *grown = (int16_t *)realloc(samples, (size_t)capacity * MUSIC_FRAME_BYTES);
                if (!grown) {
                    problem = "out of memory";
                    break;
                }
                samples = grown;
            }
            size_t done = 0;
            int r = mpg123_read(mh, (unsigned char *)(samples + 2 * frames),
                                (size_t)(capacity - frames) * MUSIC_FRAME_BYTES, &done);
            frames += (int64_t)(done / MUSIC_FRAME_BYTES);
            if (r == MPG123_DONE) break;
            if (r == MPG123_NEW_FORMAT) {
                long newRate = 0;
                mpg123_getformat(mh, &newRate, &channels, &encoding);
                if (newRate != rate) problem = "the sample rate changes inside the file";
            } else if (r != MPG123_OK) {
                problem = "damaged MP3 data";
            }
        }
        if (!problem && frames == 0) problem = "no audio in the file";
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    if (fd >= 0) close(fd);

    if (!problem && rate != MUSIC_RATE) {
        int16_t *resampled = ResampleTo44100(samples, &frames, rate);
        if (!resampled || frames == 0) problem = "cannot convert the sample rate";
        free(samples);
        samples = resampled;
    }
    MusicPcm *pcm = problem ? nullptr : (MusicPcm *)malloc(sizeof(MusicPcm));
    if (!pcm) {
        fprintf(stderr, "%s: %s\n", path, problem ? problem : "out of memory");
        free(samples);
        return nullptr;
    }
    pcm->samples = samples;
    pcm->frameCount = frames;
    return pcm;
}

void FreeMusicPcm(MusicPcm *pcm) {
    if (!pcm) return;
    free(pcm->samples);
    free(pcm);
}

// ---------------------------------------------------------------- spectrum

void ComputeSpectrum(const MusicPcm *pcm, int64_t endFrame, float spectrum[SPECTRUM_SIZE]) {
    static float *in;          // windowed mono samples
    static fftwf_complex *out; // bins 0 .. 512
    static fftwf_plan plan;
    static float hann[SPECTRUM_WINDOW];
    if (!plan) {
        in = fftwf_alloc_real(SPECTRUM_WINDOW);
        out = fftwf_alloc_complex(SPECTRUM_WINDOW / 2 + 1);
        // Scalar codelets only: FFTW's SIMD ones are chosen by the CPU at
        // run time and round differently, so the same music would give
        // another spectrum, and in time other frames, on another machine.
        plan = fftwf_plan_dft_r2c_1d(SPECTRUM_WINDOW, in, out, FFTW_ESTIMATE | FFTW_NO_SIMD);
        // The periodic Hann window: a sine centred on a bin then lands in
        // that bin alone, with half its height in each neighbour.
        for (int n = 0; n < SPECTRUM_WINDOW; n++)
            hann[n] = (float)(0.5 - 0.5 * cos(2.0 * M_PI * n / SPECTRUM_WINDOW));
    }
    if (!pcm) {
        memset(spectrum, 0, SPECTRUM_SIZE * sizeof(float));
        return;
    }
    // Frames outside the music read as silence: clip the window once.
    int64_t first = endFrame - SPECTRUM_WINDOW;
    int lo = first < 0 ? (int)(first < -SPECTRUM_WINDOW ? SPECTRUM_WINDOW : -first) : 0;
    int64_t tail = pcm->frameCount - first;
    int hi = tail < lo ? lo : tail > SPECTRUM_WINDOW ? SPECTRUM_WINDOW : (int)tail;
    for (int n = 0; n < lo; n++) in[n] = 0.0f;
    if (hi > lo) {
        // Mono is the mean of both channels, scaled by 1/32768 to -1..1.
        const int16_t *s = pcm->samples + 2 * (first + lo);
        for (int n = lo; n < hi; n++, s += 2)
            in[n] = (float)(s[0] + s[1]) * (1.0f / 65536.0f) * hann[n];
    }
    for (int n = hi; n < SPECTRUM_WINDOW; n++) in[n] = 0.0f;
    fftwf_execute(plan);
    // A sine of amplitude A centred on bin k sums to A x (sum of the window)
    // / 2 = A x N / 4 there; 4 / N makes that A.
    const float scale = 4.0f / SPECTRUM_WINDOW;
    for (int k = 0; k < SPECTRUM_SIZE; k++)
        spectrum[k] = sqrtf(out[k][0] * out[k][0] + out[k][1] * out[k][1]) * scale;
}

// ---------------------------------------------------------------- streams

static const AudioDevice *device;  // null until InitAudio
static const MusicStream *playing; // the stream the device plays
static int steppedWanted;          // SelectSteppedAudio was called

int InitAudio(void) {
    if (device) return device != &silentAudioDevice;
    if (steppedWanted) {
        device = &steppedAudioDevice;
    } else if (soundCard->open()) {
        device = soundCard;
        return 1;
    } else {
        device = &silentAudioDevice;
    }
    device->open();
    return device == &steppedAudioDevice;
}

void SelectSteppedAudio(void) {
    steppedWanted = 1;
}

void StepAudio(int64_t frames) {
    if (device == &steppedAudioDevice && frames > 0) AdvanceSteppedClock(frames);
}

void FreeAudio(void) {
    steppedWanted = 0;
    if (!device) return;
    device->close();
    device = nullptr;
    playing = nullptr;
}

MusicStream *LoadMusicStream(const char *path) {
    MusicPcm *pcm = LoadMusicPcm(path);
    if (!pcm) return nullptr;
    MusicStream *stream = (MusicStream *)calloc(1, sizeof(MusicStream));
    if (!stream) {
        FreeMusicPcm(pcm);
        return nullptr;
    }
    stream->pcm = pcm;
    return stream;
}

MusicStream *NewSilentStream(void) {
    return (MusicStream *)calloc(1, sizeof(MusicStream));
}

void PlayMusicStream(MusicStream *stream, int loop) {
    if (!stream || !device) return;
    stream->loop = loop != 0;
    stream->heard = 0;
    stream->played = 0;
    playing = stream;
    device->play(stream);
}

uint64_t GetMusicPosition(MusicStream *stream) {
    if (!stream) return 0;
    int64_t frame = stream == playing ? device->heardFrames() : 0;
    stream->played = frame;
    if (stream->pcm) {
        int64_t length = stream->pcm->frameCount;
        if (!stream->loop && frame > length) stream->played = frame = length;
        if (stream->loop) frame %= length;
    }
    stream->heard = frame;
    return (uint64_t)frame * MUSIC_FRAME_BYTES;
}

double GetMusicTimePlayed(const MusicStream *stream) {
    return stream ? (double)stream->played / MUSIC_RATE : 0.0;
}

double MusicBytesToSeconds(const MusicStream *stream, uint64_t bytes) {
    uint64_t frames = bytes / MUSIC_FRAME_BYTES; // whole sample frames
    return (double)frames / MUSIC_RATE;
}

int GetMusicSpectrum(const MusicStream *stream, float spectrum[SPECTRUM_SIZE]) {
    const MusicPcm *pcm = stream ? stream->pcm : nullptr;
    ComputeSpectrum(pcm, stream ? stream->heard : 0, spectrum);
    return pcm ? SPECTRUM_SIZE * (int)sizeof(float) : 0;
}

void FreeMusicStream(MusicStream *stream) {
    if (!stream) return;
    if (stream == playing) {
        device->play(nullptr);
        playing = nullptr;
    }
    FreeMusicPcm(stream->pcm);
    free(stream);
}
