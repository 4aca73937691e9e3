// The music clock's start-up, updates and fallbacks.
#include "sequencer/musicclock.h"
#include "platform/mp3_maker.h"

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

class MusicClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("GLIMMERFALL_NO_DIALOG", "1", 1); // messages only on standard error
        // One second of a tone at bin 8 (about 345 Hz), amplitude 0.8.
        ASSERT_TRUE(WriteMp3(path, StereoSine(8 * 44100.0 / 1024, 0.8, 44100), 2, 44100));
    }
    void TearDown() override {
        StopMusicClock(&clock);
        unlink(path.c_str());
        unsetenv("SDL_AUDIODRIVER");
    }
    // Starts the clock on music at file and returns what was reported.
    std::string Start(const std::string &file) {
        testing::internal::CaptureStderr();
        StartMusicClock(&clock, file.c_str());
        return testing::internal::GetCapturedStderr();
    }
    MusicClock clock = {};
    std::string path = "/tmp/gf_clock_" + std::to_string(getpid()) + ".mp3";
};

TEST_F(MusicClockTest, StartsAtZeroThenFollowsTheStreamAndLoops) {
    SelectSteppedAudio();
    EXPECT_EQ(Start(path), "");
    EXPECT_EQ(clock.seconds, 0.0f); // read right after play; the window before it is silent
    for (float v : clock.spectrum) ASSERT_EQ(v, 0.0f);
    StepAudio(22050);
    EXPECT_EQ(UpdateMusicClock(&clock), 2048);
    EXPECT_FLOAT_EQ(clock.seconds, 0.5f);
    EXPECT_NEAR(clock.spectrum[8], 0.8, 0.05);
    EXPECT_LT(clock.spectrum[100], 0.02);
    // One loop later the music is at the same place, the spectrum with it,
    // but the show's time has moved on by the loop: a track shorter than the
    // show must not hold it back.
    float tone = clock.spectrum[8];
    StepAudio(44100);
    UpdateMusicClock(&clock);
    EXPECT_FLOAT_EQ(clock.seconds, 1.5f);
    EXPECT_EQ(clock.spectrum[8], tone);
    StepAudio(10 * 44100);
    UpdateMusicClock(&clock);
    EXPECT_FLOAT_EQ(clock.seconds, 11.5f);
    EXPECT_EQ(clock.spectrum[8], tone);
}

TEST_F(MusicClockTest, UnplayableMusicIsReportedAndTheClockStillRunsSilently) {
    SelectSteppedAudio();
    std::string said = Start(path + ".absent");
    EXPECT_NE(said.find("Error: Can`t play file"), std::string::npos) << said;
    // Time goes on past any music's length, so every part reaches its end.
    for (int minute = 1; minute <= 5; minute++) {
        StepAudio(60 * 44100);
        EXPECT_EQ(UpdateMusicClock(&clock), 0);
    }
    EXPECT_FLOAT_EQ(clock.seconds, 300.0f);
    for (float v : clock.spectrum) ASSERT_EQ(v, 0.0f);
}

TEST_F(MusicClockTest, WithoutASoundCardNoInitIsReportedAndTimeStillPasses) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string said = Start(path);
    EXPECT_NE(said.find("Error: No Init"), std::string::npos) << said;
    EXPECT_EQ(said.find("Can`t"), std::string::npos) << said; // the music itself loaded
    float first = clock.seconds;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    UpdateMusicClock(&clock);
    EXPECT_GT(clock.seconds, first);
    EXPECT_GT(clock.spectrum[8], 0.1f); // the spectrum follows the silent playback
}
