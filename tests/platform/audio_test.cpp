// Audio: decoding MP3s made here with LAME, the spectrum's definition, and
// the position on the stepped clock, the silent wall clock and the real SDL
// output path through its disk driver.
#include "platform/audio.h"
#include "platform/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <unistd.h>

static double BinHz(int k) {
    return k * 44100.0 / 1024.0;
} // bin k's centre

struct TempMp3 { // an MP3 of samples, deleted with the object
    TempMp3(const char *name, const std::vector<int16_t> &samples, int channels, int rate)
        : path("/tmp/gf_audio_" + std::to_string(getpid()) + name) {
        EXPECT_TRUE(WriteMp3(path, samples, channels, rate));
    }
    ~TempMp3() { unlink(path.c_str()); }
    std::string path;
};

TEST(LoadMusicPcm, DecodesGaplesslyToStereo44100AndKeepsTheTone) {
    // One second at 44100 Hz stereo, and the same tone at 22050 Hz mono.
    std::vector<int16_t> stereo = StereoSine(BinHz(20), 0.5, 44100), mono(22050);
    for (int i = 0; i < 22050; i++)
        mono[i] = (int16_t)lrint(16383 * sin(2 * M_PI * BinHz(20) * i / 22050));
    TempMp3 a("a.mp3", stereo, 2, 44100), b("b.mp3", mono, 1, 22050);
    for (const std::string &path : {a.path, b.path}) {
        SCOPED_TRACE(path);
        MusicPcm *pcm = LoadMusicPcm(path.c_str());
        ASSERT_NE(pcm, nullptr);
        EXPECT_EQ(pcm->frameCount, 44100); // encoder delay and padding cut
        auto rms = [&](int offset) {       // against the source, shifted by offset frames
            double e = 0;
            for (int i = 2000; i < 40000; i++)
                e += pow(pcm->samples[2 * (i + offset) + 1] - stereo[2 * i], 2);
            return sqrt(e / 38000);
        };
        EXPECT_LT(rms(0), 0.5 * std::min(rms(1), rms(-1))); // lined up to the frame
        float s[SPECTRUM_SIZE];
        ComputeSpectrum(pcm, 30000, s);
        EXPECT_NEAR(s[20], 0.5, 0.03); // the amplitude, within MP3's loss
        for (int k = 0; k < SPECTRUM_SIZE; k++) ASSERT_LT(k >= 19 && k <= 21 ? 0 : s[k], 0.02) << k;
        FreeMusicPcm(pcm);
    }
    for (const char *bad : {"/proc/self/status", "/tmp/gf_audio_absent.mp3"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadMusicPcm(bad), nullptr);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find(bad), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

static MusicPcm *Synth(int frames, double (*left)(int), double (*right)(int)) {
    MusicPcm *pcm = (MusicPcm *)malloc(sizeof(MusicPcm));
    pcm->frameCount = frames;
    pcm->samples = (int16_t *)malloc((size_t)frames * 4);
    for (int i = 0; i < frames; i++) {
        pcm->samples[2 * i] = (int16_t)lrint(left(i) * 32767);
        pcm->samples[2 * i + 1] = (int16_t)lrint(right(i) * 32767);
    }
    return pcm;
}

TEST(ComputeSpectrum, SineAtABinCentreReadsItsAmplitudeAndMonoIsTheMean) {
    auto sine = [](int i) { return sin(2 * M_PI * 10 * i / 1024.0); };
    auto none = [](int) { return 0.0; };
    MusicPcm *both = Synth(4096, sine, sine), *left = Synth(4096, sine, none),
             *opposite = Synth(4096, sine, [](int i) { return -sin(2 * M_PI * 10 * i / 1024.0); });
    float s[SPECTRUM_SIZE];
    ComputeSpectrum(both, 3000, s);
    EXPECT_NEAR(s[10], 1.0, 0.001); // full scale reads 1.0
    EXPECT_NEAR(s[9], 0.5, 0.001);  // the Hann window's neighbours
    EXPECT_NEAR(s[11], 0.5, 0.001);
    for (int k = 0; k < SPECTRUM_SIZE; k++) ASSERT_LT(k >= 9 && k <= 11 ? 0 : s[k], 0.001) << k;
    ComputeSpectrum(left, 3000, s);
    EXPECT_NEAR(s[10], 0.5, 0.001);
    // Silence reads exactly 0: cancelling channels, a window wholly before
    // frame 0 or after the end, no music at all.
    for (int64_t end : {3000, 0, 4096 + 1024}) {
        ComputeSpectrum(end == 3000 ? opposite : both, end, s);
        for (float v : s) ASSERT_EQ(v, 0.0f) << end;
    }
    ComputeSpectrum(nullptr, 3000, s);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    ComputeSpectrum(both, 512, s); // half the window before the music
    EXPECT_GT(s[10], 0.1);
    EXPECT_LT(s[10], 0.9);
    FreeMusicPcm(both), FreeMusicPcm(left), FreeMusicPcm(opposite);
}

TEST(SteppedClock, AdvancesByStepsLoopsOrHoldsAtTheEnd) {
    TempMp3 mp3("s.mp3", StereoSine(BinHz(12), 0.5, 22050), 2, 44100);
    SelectSteppedAudio();
    ASSERT_EQ(InitAudio(), 1);
    MusicStream *stream = LoadMusicStream(mp3.path.c_str());
    ASSERT_NE(stream, nullptr);
    PlayMusicStream(stream, 1);
    StepAudio(1000);
    EXPECT_EQ(GetMusicPosition(stream), 4000u);
    EXPECT_DOUBLE_EQ(MusicBytesToSeconds(stream, 4000), 1000.0 / 44100);
    float got[SPECTRUM_SIZE], want[SPECTRUM_SIZE]; // taken where the position was read
    StepAudio(500);
    EXPECT_EQ(GetMusicSpectrum(stream, got), 2048);
    MusicPcm *pcm = LoadMusicPcm(mp3.path.c_str());
    ComputeSpectrum(pcm, 1000, want);
    FreeMusicPcm(pcm);
    for (int k = 0; k < SPECTRUM_SIZE; k++) ASSERT_EQ(got[k], want[k]);
    StepAudio(22050 - 500); // 1000 frames into the second loop
    EXPECT_EQ(GetMusicPosition(stream), 4000u);
    EXPECT_DOUBLE_EQ(GetMusicTimePlayed(stream), 23050.0 / 44100); // the loop counts
    PlayMusicStream(stream, 0); // no loop: held at the end, time with it
    StepAudio(30000);
    EXPECT_EQ(GetMusicPosition(stream), 22050u * 4);
    EXPECT_DOUBLE_EQ(GetMusicTimePlayed(stream), 0.5);
    FreeMusicStream(stream);
    FreeAudio();
}

TEST(SilentDevice, StandsInForAMissingCardAndFollowsTheWallClock) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(InitAudio(), 0);
    unsetenv("SDL_AUDIODRIVER");
    MusicStream *silent = NewSilentStream();
    using Clock = std::chrono::steady_clock;
    Clock::time_point before = Clock::now();
    PlayMusicStream(silent, 1);
    Clock::time_point after = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Clock::time_point before2 = Clock::now();
    double seconds = MusicBytesToSeconds(silent, GetMusicPosition(silent));
    Clock::time_point after2 = Clock::now();
    // Between the least and the most wall-clock time that can have passed.
    EXPECT_GE(seconds, std::chrono::duration<double>(before2 - after).count() - 1.0 / 44100);
    EXPECT_LE(seconds, std::chrono::duration<double>(after2 - before).count());
    float s[SPECTRUM_SIZE];
    EXPECT_EQ(GetMusicSpectrum(silent, s), 0);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    FreeMusicStream(silent);
    FreeAudio();
}

TEST(SdlDevice, DiskDriverHearsTheMusicLoopingWhileThePositionGrowsAndWraps) {
    TempMp3 mp3("d.mp3", StereoSine(BinHz(50), 0.6, 4410), 2, 44100); // 0.1 s
    std::string out = mp3.path + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1); // paced like a card: a buffer per buffer time
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    ASSERT_EQ(InitAudio(), 1);
    MusicStream *stream = LoadMusicStream(mp3.path.c_str());
    ASSERT_NE(stream, nullptr);
    PlayMusicStream(stream, 1);
    uint64_t last = 0, wraps = 0, grew = 0;
    for (int ms = 0; ms < 20000 && wraps < 3; ms++) { // bounded: a stuck device fails, not hangs
        uint64_t p = GetMusicPosition(stream);
        ASSERT_LT(p, 4410u * 4);
        wraps += p<last, grew += p> last, last = p;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(wraps, 3u);
    EXPECT_GT(grew, 10u);
    FreeMusicStream(stream);
    FreeAudio();
    unsetenv("SDL_AUDIODRIVER");

    // The file: silence until play, then the decoded music over and over.
    FILE *f = fopen(out.c_str(), "rb");
    std::vector<int16_t> heard;
    for (int16_t v; f && fread(&v, 2, 1, f) == 1;) heard.push_back(v);
    if (f) fclose(f);
    unlink(out.c_str());
    MusicPcm *pcm = LoadMusicPcm(mp3.path.c_str());
    const size_t n = 2 * (size_t)pcm->frameCount;
    size_t start = 0, lead = 0; // the first sound, less the music's own leading zeros
    while (start < heard.size() && heard[start] == 0) start++;
    while (lead < n && pcm->samples[lead] == 0) lead++;
    ASSERT_GE(start, lead);
    start = (start - lead) & ~(size_t)1;
    ASSERT_GE(heard.size(), start + 3 * n);
    for (size_t i = 0; i < 3 * n; i++) ASSERT_EQ(heard[start + i], pcm->samples[i % n]) << i;
    FreeMusicPcm(pcm);
}
