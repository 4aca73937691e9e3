// Audio: decoding MP3s made here with LAME, the spectrum's definition, and
// the position on the stepped clock, the silent wall clock and the real SDL
// output path through its disk driver.
#include "platform/audio.h"
#include "platform/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

// Bin k's centre frequency: k x 44100 / 1024.
static double BinHz(int k) {
    return k * 44100.0 / 1024.0;
}

static std::string TempPath(const char *name) {
    return std::string("/tmp/gf_audio_") + std::to_string(getpid()) + "_" + name;
}

class Mp3File {
  public:
    Mp3File(const char *name, const std::vector<int16_t> &samples, int channels, int rate)
        : path(TempPath(name)) {
        EXPECT_TRUE(WriteMp3(path, samples, channels, rate));
    }
    ~Mp3File() { unlink(path.c_str()); }
    std::string path;
};

// ---------------------------------------------------------------- decoding

TEST(LoadMusicPcm, DecodesGaplesslyAndConvertsRateAndChannels) {
    // One second at 44100 Hz stereo, and the same tone at 22050 Hz mono:
    // both come out as 44100 frames of stereo lined up with the original.
    std::vector<int16_t> stereo = StereoSine(BinHz(20), 0.5, 44100);
    std::vector<int16_t> mono(22050);
    for (int i = 0; i < 22050; i++)
        mono[i] = (int16_t)lrint(0.5 * 32767 * sin(2 * M_PI * BinHz(20) * i / 22050));
    Mp3File a("stereo.mp3", stereo, 2, 44100), b("mono.mp3", mono, 1, 22050);
    for (const std::string &path : {a.path, b.path}) {
        SCOPED_TRACE(path);
        MusicPcm *pcm = LoadMusicPcm(path.c_str());
        ASSERT_NE(pcm, nullptr);
        EXPECT_EQ(pcm->frameCount, 44100); // encoder delay and padding removed
        // Lined up: the error against the source is small at offset 0 and
        // much larger one sample off.
        auto rms = [&](int offset) {
            double e = 0;
            for (int i = 2000; i < 40000; i++) {
                double d = pcm->samples[2 * (i + offset) + 1] - stereo[2 * i];
                e += d * d;
            }
            return sqrt(e / 38000);
        };
        EXPECT_LT(rms(0), 0.5 * rms(1));
        EXPECT_LT(rms(0), 0.5 * rms(-1));
        FreeMusicPcm(pcm);
    }
}

TEST(LoadMusicPcm, MissingAndCorruptFilesGiveNullWithOneLine) {
    std::string garbage = TempPath("garbage.mp3");
    FILE *f = fopen(garbage.c_str(), "wb");
    for (int i = 0; i < 5000; i++) fputc((i * 7919) >> 3 & 0xFF, f);
    fclose(f);
    for (const std::string &path : {garbage, TempPath("absent.mp3")}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadMusicPcm(path.c_str()), nullptr);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(path), std::string::npos) << said;
    }
    unlink(garbage.c_str());
}

// ---------------------------------------------------------------- spectrum

// A synthetic stream: left and right sample functions over frames.
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

TEST(ComputeSpectrum, FullScaleSineAtABinCentreReadsOneThere) {
    auto sine = [](int i) { return sin(2 * M_PI * 10 * i / 1024.0); };
    MusicPcm *pcm = Synth(4096, sine, sine);
    float s[SPECTRUM_SIZE];
    ComputeSpectrum(pcm, 3000, s);
    EXPECT_NEAR(s[10], 1.0, 0.001);
    EXPECT_NEAR(s[9], 0.5, 0.001); // the Hann window's neighbours
    EXPECT_NEAR(s[11], 0.5, 0.001);
    for (int k = 0; k < SPECTRUM_SIZE; k++)
        if (k < 9 || k > 11) {
            ASSERT_LT(s[k], 0.001) << "bin " << k;
        }
    FreeMusicPcm(pcm);
}

TEST(ComputeSpectrum, MonoIsTheMeanAndFramesOutsideTheMusicAreSilent) {
    // Opposite channels cancel in the mean.
    auto sine = [](int i) { return 0.5 * sin(2 * M_PI * 40 * i / 1024.0); };
    auto negative = [](int i) { return -0.5 * sin(2 * M_PI * 40 * i / 1024.0); };
    MusicPcm *opposite = Synth(2048, sine, negative);
    float s[SPECTRUM_SIZE];
    ComputeSpectrum(opposite, 2048, s);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    FreeMusicPcm(opposite);

    // One channel alone reads half.
    MusicPcm *left = Synth(2048, sine, [](int) { return 0.0; });
    ComputeSpectrum(left, 2048, s);
    EXPECT_NEAR(s[40], 0.25, 0.001);
    // Windows that lie wholly before frame 0 or after the end are silent;
    // one that straddles the start sees only the music's part of it.
    ComputeSpectrum(left, 0, s);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    ComputeSpectrum(left, 2048 + 1024, s);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    ComputeSpectrum(left, 512, s);
    EXPECT_GT(s[40], 0.01);
    EXPECT_LT(s[40], 0.25);
    ComputeSpectrum(nullptr, 512, s);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    FreeMusicPcm(left);
}

TEST(ComputeSpectrum, SineFromAnMp3PeaksAtItsBinWithItsAmplitude) {
    Mp3File mp3("bin30.mp3", StereoSine(BinHz(30), 0.7, 44100), 2, 44100);
    MusicPcm *pcm = LoadMusicPcm(mp3.path.c_str());
    ASSERT_NE(pcm, nullptr);
    float s[SPECTRUM_SIZE];
    ComputeSpectrum(pcm, 30000, s);
    EXPECT_NEAR(s[30], 0.7, 0.04); // MP3 keeps a pure tone within a few percent
    for (int k = 0; k < SPECTRUM_SIZE; k++)
        if (k < 29 || k > 31) {
            ASSERT_LT(s[k], 0.02) << "bin " << k;
        }
    FreeMusicPcm(pcm);
}

// ---------------------------------------------------------------- devices

TEST(SteppedClock, PositionAdvancesByStepsLoopsAndStopsAtTheEndWithoutLoop) {
    Mp3File mp3("stepped.mp3", StereoSine(BinHz(12), 0.5, 22050), 2, 44100);
    SelectSteppedAudio();
    ASSERT_EQ(InitAudio(), 1);
    MusicStream *stream = LoadMusicStream(mp3.path.c_str());
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(GetMusicPosition(stream), 0u); // not playing yet
    PlayMusicStream(stream, 1);
    StepAudio(1000);
    uint64_t bytes = GetMusicPosition(stream);
    EXPECT_EQ(bytes, 4000u);
    EXPECT_DOUBLE_EQ(MusicBytesToSeconds(stream, bytes), 1000.0 / 44100);

    // The spectrum is taken where the position was read.
    float got[SPECTRUM_SIZE], want[SPECTRUM_SIZE];
    EXPECT_EQ(GetMusicSpectrum(stream, got), 2048);
    MusicPcm *pcm = LoadMusicPcm(mp3.path.c_str());
    ComputeSpectrum(pcm, 1000, want);
    for (int k = 0; k < SPECTRUM_SIZE; k++) ASSERT_EQ(got[k], want[k]);
    FreeMusicPcm(pcm);

    StepAudio(22050); // past the end: 1000 frames into the second loop
    EXPECT_EQ(GetMusicPosition(stream), 4000u);
    PlayMusicStream(stream, 0);
    StepAudio(30000);
    EXPECT_EQ(GetMusicPosition(stream), 22050u * 4); // held at the end
    FreeMusicStream(stream);
    FreeAudio();
}

TEST(SilentDevice, TakesOverWithoutASoundCardAndFollowsTheWallClock) {
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
    // The position lies between the shortest and the longest wall-clock time
    // that can have passed between play and the read (one frame of rounding).
    double shortest = std::chrono::duration<double>(before2 - after).count();
    double longest = std::chrono::duration<double>(after2 - before).count();
    EXPECT_GE(seconds, shortest - 1.0 / 44100);
    EXPECT_LE(seconds, longest);
    float s[SPECTRUM_SIZE];
    EXPECT_EQ(GetMusicSpectrum(silent, s), 0);
    for (float v : s) ASSERT_EQ(v, 0.0f);
    FreeMusicStream(silent);
    FreeAudio();
}

// Waits (at most 20 s, so a broken device fails instead of hanging) until
// done() holds.
template <class F> static bool WaitFor(F done) {
    for (int i = 0; i < 20000; i++) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

static long FileSize(const std::string &path) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return 0;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fclose(f);
    return n;
}

TEST(SdlDevice, DiskDriverOutputIsTheDecodedMusicLooping) {
    Mp3File mp3("disk.mp3", StereoSine(BinHz(50), 0.6, 11025), 2, 44100);
    std::string out = TempPath("disk.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1); // as fast as it can write
    ASSERT_EQ(InitAudio(), 1);
    MusicStream *stream = LoadMusicStream(mp3.path.c_str());
    ASSERT_NE(stream, nullptr);
    PlayMusicStream(stream, 1);
    const long loopBytes = 11025 * 4;
    EXPECT_TRUE(WaitFor([&] { return FileSize(out) > 8 * loopBytes; }));
    FreeMusicStream(stream);
    FreeAudio();
    unsetenv("SDL_DISKAUDIODELAY");

    FILE *f = fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> heard(FileSize(out) / 2);
    ASSERT_EQ(fread(heard.data(), 2, heard.size(), f), heard.size());
    fclose(f);
    unlink(out.c_str());
    // Silence until play, then the music from its first frame, three times over.
    MusicPcm *pcm = LoadMusicPcm(mp3.path.c_str());
    size_t start = 0;
    while (start < heard.size() && heard[start] == 0 && heard[start + 1] == 0) start += 2;
    // The music itself may begin with zero samples: step back to them.
    size_t lead = 0;
    while (lead < 2 * (size_t)pcm->frameCount && pcm->samples[lead] == 0 &&
           pcm->samples[lead + 1] == 0)
        lead += 2;
    ASSERT_GE(start, lead);
    start -= lead;
    ASSERT_LE(start + 3 * 2 * (size_t)pcm->frameCount, heard.size());
    for (size_t i = 0; i < 3 * 2 * (size_t)pcm->frameCount; i++)
        ASSERT_EQ(heard[start + i], pcm->samples[i % (2 * pcm->frameCount)]) << "sample " << i;
    FreeMusicPcm(pcm);
}

TEST(SdlDevice, PositionGrowsInRealTimeAndWrapsAtTheLoop) {
    Mp3File mp3("wrap.mp3", StereoSine(BinHz(50), 0.6, 8820), 2, 44100); // 0.2 s
    std::string out = TempPath("wrap.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1); // paced like a card: one buffer per buffer time
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    ASSERT_EQ(InitAudio(), 1);
    MusicStream *stream = LoadMusicStream(mp3.path.c_str());
    ASSERT_NE(stream, nullptr);
    PlayMusicStream(stream, 1);
    uint64_t last = 0, wraps = 0, grew = 0;
    EXPECT_TRUE(WaitFor([&] {
        uint64_t p = GetMusicPosition(stream);
        EXPECT_LT(p, 8820u * 4);
        EXPECT_EQ(p % 4, 0u);
        if (p < last) wraps++;
        if (p > last) grew++;
        last = p;
        return wraps >= 2;
    }));
    EXPECT_GT(grew, 10u);
    FreeMusicStream(stream);
    FreeAudio();
    unsetenv("SDL_AUDIODRIVER");
    unlink(out.c_str());
}
