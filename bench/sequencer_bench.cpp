// The show's cost: the start-up (every asset loaded), and each part as
// milliseconds per frame, played off screen on the stepped clock at 60 Hz
// over the part's whole time with the music's own spectrum.
#include "display/display.h"
#include "sequencer/show.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

static Show show;
static bool started;

// Sends standard output to /dev/null (the loaders' statistics, the parts'
// console lines) until the matching Speak, so the table stays readable.
static int savedStdout = -1;
static void Hush(void) {
    fflush(stdout);
    savedStdout = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
}
static void Speak(void) {
    fflush(stdout);
    dup2(savedStdout, 1);
    close(savedStdout);
}

// This thread's processor time in seconds: on a shared, loaded machine the
// wall clock also counts the time other programs held the processor.
static double ThreadSeconds(void) {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

static void StartOnce(void) {
    if (started) return;
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    Hush();
    started = StartShow(&show);
    Speak();
    if (!started) fprintf(stderr, "the show did not start: is data/ there?\n");
    show.stepFrames = 735; // One video frame at 60 Hz
}

static void StartUp(benchmark::State &state) {
    for (auto _ : state) StartOnce();
    if (!started) state.SkipWithError("no data/");
}

static void Part(benchmark::State &state) {
    int index = (int)state.range(0);
    if (!started) return state.SkipWithError("no data/");
    double begin = index > 0 ? showParts[index - 1].end : 0.0;
    double seconds = 0, cpuSeconds = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        PlayMusicStream(show.clock.stream, 1); // Back to 0, then on to the part's start
        StepAudio((int64_t)ceil(begin * 44100));
        UpdateShowClock(&show);
        int64_t before = show.presented;
        auto t0 = std::chrono::steady_clock::now();
        const double c0 = ThreadSeconds();
        Hush();
        RunShowPart(&show, index);
        Speak();
        cpuSeconds += ThreadSeconds() - c0;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        frames += show.presented - before;
    }
    state.counters["frames"] = (double)frames;
    state.counters["ms_per_frame"] = frames ? seconds * 1000 / frames : 0;
    state.counters["cpu_ms_per_frame"] = frames ? cpuSeconds * 1000 / frames : 0;
}

static int registered = [] {
    benchmark::RegisterBenchmark("StartUp", StartUp)->Iterations(1)->Unit(benchmark::kMillisecond);
    for (int i = 0; i < SHOW_PART_COUNT; i++)
        benchmark::RegisterBenchmark(showParts[i].name, Part)
            ->Arg(i)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    return 0;
}();
