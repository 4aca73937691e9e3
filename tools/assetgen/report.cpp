// The choreography report: decodes final.mp3 as the show does and takes its
// spectrum at every frame of a 60 fps run with the clock's own routine, then
// counts, part by part, the frames on which each of the part's spectrum tests
// passes. A test works when it passes on 5-40 % of the part's frames, in runs
// whose first frame comes right after a beat.
#include "assetgen/assetgen.h"
#include "assetgen/music.h"

#include "platform/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// One spectrum test of the timeline: passes when any of the bins times scale
// reaches threshold, from the time `from` on.
struct Rule {
    int part;         // Index into kPartTimes
    const char *what; // What the show does when it passes
    unsigned bins;    // Bit k set: bin k takes part
    double scale;     // The timeline's factor
    double threshold; // The timeline's threshold
    double from;      // Seconds; the test only counts from here
    double lowest;    // Fewest frames passing, % of the part's (the most is 40 %)
};

const int kFinale = 15;            // The butterflies part, in kPartTimes
const double kStrobeFrom = 158.78; // Seconds: the finale's beat test runs from here

// Most tests fire on 5-40 % of their part's frames. The finale's two are
// rarer by design: every frame that passes "beat" cuts the view between
// white and the forest, so it may pass on only a frame or two a strong beat
// (the flash limit; see MostStrobeFramesInASecond), and "swarm" needs only
// four passing frames to bring in every butterfly.
const Rule kRules[] = {
    {8, "invert   S2 x 30 >= 9", 1u << 2, 30, 9, 0, 5},
    {8, "flash    S1 x 30 >= 8.5", 1u << 1, 30, 8.5, 0, 5},
    {9, "flash    S2 x 30 >= 20", 1u << 2, 30, 20, 0, 5},
    {10, "flip     S0..S3 x 20 >= 8.5", 0xF, 20, 8.5, 0, 5},
    {11, "blur     S1 x 30 >= 8", 1u << 1, 30, 8, 0, 5},
    {13, "invert   S2 x 30 >= 11", 1u << 2, 30, 11, 0, 5},
    {13, "flash    S2 x 30 >= 8.5, t > 121.78", 1u << 2, 30, 8.5, 121.78, 5},
    {14, "peakLow  S0 x 30 >= 10", 1u << 0, 30, 10, 0, 5},
    {14, "peakHigh S3 x 30 >= 9", 1u << 3, 30, 9, 0, 5},
    {kFinale, "swarm    S2 x 30 >= 12", 1u << 2, 30, 12, 0, 1},
    {kFinale, "beat     S2 x 30 >= 15, t >= 158.78", 1u << 2, 30, 15, kStrobeFrom, 1},
};

const int kFps = 60;
// A run starts on a beat when its first frame comes at most this long after
// one: the 1024-sample window needs a few milliseconds to take in the kick,
// and frames are 16.7 ms apart.
const double kOnBeat = 0.060;

// The show must end in silence: the last half second at or below this.
const double kTailDecibels = -40;

// RMS level of both channels between seconds t0 and t1, dB of full scale
// (a full-scale square wave is 0 dB); -200 for digital silence.
double RmsDecibels(const MusicPcm *pcm, double t0, double t1) {
    int64_t a = std::max<int64_t>(0, (int64_t)(t0 * MUSIC_RATE)),
            b = std::min<int64_t>(pcm->frameCount, (int64_t)(t1 * MUSIC_RATE));
    double sum = 0;
    for (int64_t i = 2 * a; i < 2 * b; i++) sum += (double)pcm->samples[i] * pcm->samples[i];
    double mean = b > a ? sum / (2.0 * (b - a)) / (32768.0 * 32768.0) : 0;
    return mean > 0 ? 10 * std::log10(mean) : -200;
}

bool Passes(const Rule &r, const float *s) {
    for (int k = 0; k < 5; k++)
        if ((r.bins >> k & 1) && (float)(s[k] * r.scale) >= (float)r.threshold) return true;
    return false;
}

bool OnBeat(int part, double t) {
    double beat = BeatLength(part);
    double since = std::fmod(t - kPartTimes[part], beat);
    return since >= 0 && since <= kOnBeat;
}

} // namespace

int MostStrobeFramesInASecond(const MusicPcm *pcm, int fps) {
    const double to = kPartTimes[kFinale + 1];
    std::vector<double> cuts;
    float s[SPECTRUM_SIZE];
    for (int f = (int)std::ceil(kStrobeFrom * fps); f <= (int)std::floor(to * fps); f++) {
        // The clock of a captured run: frame f stands at sample f x 44100 / fps.
        ComputeSpectrum(pcm, (int64_t)f * MUSIC_RATE / fps, s);
        if ((float)(s[2] * 30) >= 15.0f) cuts.push_back((double)f / fps);
    }
    int most = 0;
    for (size_t a = 0, b = 0; b < cuts.size(); b++) {
        while (cuts[b] - cuts[a] >= 1.0) a++;
        most = std::max(most, (int)(b - a + 1));
    }
    return most;
}

int CheckFinaleStrobe(const char *dir) {
    std::string path = std::string(dir) + "/final.mp3";
    MusicPcm *pcm = LoadMusicPcm(path.c_str());
    if (!pcm) return 0;
    int ok = 1;
    for (int fps : {60, 144}) {
        int most = MostStrobeFramesInASecond(pcm, fps);
        if (most > kStrobeMost) {
            std::fprintf(stderr,
                         "assetgen: %s: the finale's strobe cuts %d times in a second at %d fps "
                         "(at most %d)\n",
                         path.c_str(), most, fps, kStrobeMost);
            ok = 0;
        }
    }
    FreeMusicPcm(pcm);
    return ok;
}

int PrintChoreographyReport(const char *dir) {
    std::string path = std::string(dir) + "/final.mp3";
    MusicPcm *pcm = LoadMusicPcm(path.c_str());
    if (!pcm) return 0;
    int frames = (int)(kPartTimes[PART_COUNT] * kFps) + 1;
    float(*spectra)[5] = new float[frames][5];
    float s[SPECTRUM_SIZE];
    for (int f = 0; f < frames; f++) {
        // At frame f the clock stands at f / 60 s, sample frame 735 f.
        ComputeSpectrum(pcm, (int64_t)f * (MUSIC_RATE / kFps), s);
        for (int k = 0; k < 5; k++) spectra[f][k] = s[k];
    }
    std::printf("%s: %.1f s, spectrum at %d frames per second\n\n", path.c_str(),
                (double)pcm->frameCount / MUSIC_RATE, kFps);
    std::printf("%-12s %-38s %6s %7s %6s %5s %8s  %s\n", "part", "test", "frames", "passing", "%",
                "runs", "on beat", "verdict");
    int ok = 1;
    for (const Rule &r : kRules) {
        double t0 = std::max(kPartTimes[r.part], r.from), t1 = kPartTimes[r.part + 1];
        int first = (int)std::ceil(t0 * kFps), last = (int)std::floor(t1 * kFps);
        if (r.from > 0 && first * 1.0 / kFps <= r.from)
            first++; // strictly after `from` where the test says >
        int total = 0, passing = 0, runs = 0, onBeat = 0;
        bool before = false;
        for (int f = first; f <= last && f < frames; f++) {
            bool p = Passes(r, spectra[f]);
            total++;
            passing += p;
            if (p && !before) {
                runs++;
                onBeat += OnBeat(r.part, (double)f / kFps);
            }
            before = p;
        }
        double pct = total ? 100.0 * passing / total : 0;
        bool good = pct >= r.lowest && pct <= 40 && runs > 0 && onBeat == runs;
        ok &= good;
        std::printf("%-12s %-38s %6d %7d %6.1f %5d %8d  %s\n", kPartNames[r.part], r.what, total,
                    passing, pct, runs, onBeat, good ? "ok" : "MISSED");
    }
    // The tempo map and the loudness of every section, and of the last half
    // second of the show, where the music must have faded out.
    std::printf("\n%-12s %8s %8s %6s %7s %9s\n", "part", "from s", "to s", "beats", "BPM",
                "RMS dBFS");
    for (int p = 0; p < PART_COUNT; p++) {
        double beat = BeatLength(p);
        std::printf("%-12s %8.2f %8.2f %6.0f %7.1f %9.1f\n", kPartNames[p], kPartTimes[p],
                    kPartTimes[p + 1], (kPartTimes[p + 1] - kPartTimes[p]) / beat, 60 / beat,
                    RmsDecibels(pcm, kPartTimes[p], kPartTimes[p + 1]));
    }
    double tail = RmsDecibels(pcm, kPartTimes[PART_COUNT] - 0.5, kPartTimes[PART_COUNT]);
    std::printf("last 0.5 s before %.0f s: %.1f dBFS (at most %.0f)\n", kPartTimes[PART_COUNT],
                tail, kTailDecibels);
    if (tail > kTailDecibels) ok = 0;
    // The butterflies come nearer by S4 x 450 from z 1050 at the closest.
    float maxS4 = 0;
    for (int f = (int)(kPartTimes[kFinale] * kFps); f < frames; f++)
        maxS4 = std::max(maxS4, spectra[f][4]);
    std::printf("\nlargest S4 in the butterflies part: %.3f (nearest butterfly centre at z %.0f)\n",
                maxS4, 1050 - 450 * maxS4);
    for (int fps : {60, 144}) {
        int most = MostStrobeFramesInASecond(pcm, fps);
        std::printf("finale strobe at %d fps: at most %d cuts in a second (at most %d)\n", fps,
                    most, kStrobeMost);
        if (most > kStrobeMost) ok = 0;
    }
    std::printf("%s\n", ok ? "every test meets its target" : "some tests miss their target");
    delete[] spectra;
    FreeMusicPcm(pcm);
    return ok;
}
