// UpdateMusicClock once a frame: the heard position, seconds and the
// 1024-point spectrum, on each device. The budget is 50 us a call.
#include "sequencer/musicclock.h"

#include <benchmark/benchmark.h>
#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

// Ten seconds of a chord, encoded once with LAME.
static const std::string &MusicPath() {
    static std::string path = [] {
        std::string p = "/tmp/gf_clock_bench_" + std::to_string(getpid()) + ".mp3";
        const int frames = 441000;
        std::vector<short> pcm(2 * frames);
        for (int i = 0; i < frames; i++)
            pcm[2 * i] = pcm[2 * i + 1] =
                (short)(8000 * (sin(i * 0.031) + sin(i * 0.047) + sin(i * 0.113)));
        lame_t lame = lame_init();
        lame_set_in_samplerate(lame, 44100);
        lame_set_num_channels(lame, 2);
        lame_set_brate(lame, 192);
        lame_init_params(lame);
        std::vector<unsigned char> mp3(frames * 5 / 4 + 7200);
        int n =
            lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), (int)mp3.size());
        n += lame_encode_flush(lame, mp3.data() + n, (int)mp3.size() - n);
        lame_close(lame);
        FILE *f = fopen(p.c_str(), "wb");
        fwrite(mp3.data(), 1, (size_t)n, f);
        fclose(f);
        return p;
    }();
    return path;
}

// range(0): 0 stepped clock, 1 SDL through its disk driver (the audio thread
// really runs and takes the same lock), 2 the silent wall clock.
static void BM_UpdateMusicClock(benchmark::State &state) {
    setenv("GLIMMERFALL_NO_DIALOG", "1", 1);
    const char *labels[] = {"stepped", "sdl-disk", "silent"};
    if (state.range(0) == 0) SelectSteppedAudio();
    if (state.range(0) == 1) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    }
    if (state.range(0) == 2) setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    MusicClock clock = {};
    StartMusicClock(&clock, MusicPath().c_str());
    for (auto _ : state) {
        StepAudio(735); // a 60 Hz frame on the stepped clock; ignored elsewhere
        benchmark::DoNotOptimize(UpdateMusicClock(&clock));
    }
    StopMusicClock(&clock);
    unsetenv("SDL_AUDIODRIVER");
    state.SetLabel(labels[state.range(0)]);
}
BENCHMARK(BM_UpdateMusicClock)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

static void BM_ComputeSpectrum(benchmark::State &state) {
    MusicPcm *pcm = LoadMusicPcm(MusicPath().c_str());
    float spectrum[SPECTRUM_SIZE];
    int64_t frame = 1024;
    for (auto _ : state) {
        ComputeSpectrum(pcm, frame, spectrum);
        frame = frame < 400000 ? frame + 735 : 1024;
        benchmark::DoNotOptimize(spectrum);
    }
    FreeMusicPcm(pcm);
}
BENCHMARK(BM_ComputeSpectrum)->Unit(benchmark::kMicrosecond);

// Start-up cost of the music: decoding ten seconds of MP3.
static void BM_LoadMusicPcm(benchmark::State &state) {
    for (auto _ : state) FreeMusicPcm(LoadMusicPcm(MusicPath().c_str()));
}
BENCHMARK(BM_LoadMusicPcm)->Unit(benchmark::kMillisecond);
