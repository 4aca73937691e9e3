// The music clock's start-up, updates and fallbacks, on the stepped clock
// and on the silent device.
#include "sequencer/musicclock.h"
#include "platform/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

class MusicClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("GLIMMERFALL_NO_DIALOG", "1", 1); // messages only on standard error
        path = "/tmp/gf_clock_" + std::to_string(getpid()) + ".mp3";
        // One second of a tone at bin 8 (about 345 Hz), amplitude 0.8.
        ASSERT_TRUE(WriteMp3(path, StereoSine(8 * 44100.0 / 1024, 0.8, 44100), 2, 44100));
    }
    void TearDown() override {
        StopMusicClock(&clock);
        unlink(path.c_str());
        unsetenv("SDL_AUDIODRIVER");
    }
    MusicClock clock = {};
    std::string path;
};

TEST_F(MusicClockTest, StartsAtZeroThenFollowsTheStreamAndLoops) {
    SelectSteppedAudio();
    testing::internal::CaptureStderr();
    StartMusicClock(&clock, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); // nothing went wrong
    ASSERT_NE(clock.stream, nullptr);
    // The first read, right after play: time 0, and the window before the
    // music is silent.
    EXPECT_EQ(clock.seconds, 0.0f);
    for (float v : clock.spectrum) ASSERT_EQ(v, 0.0f);

    StepAudio(22050);
    EXPECT_EQ(UpdateMusicClock(&clock), 2048);
    EXPECT_FLOAT_EQ(clock.seconds, 0.5f);
    EXPECT_NEAR(clock.spectrum[8], 0.8, 0.05);
    EXPECT_LT(clock.spectrum[100], 0.02);

    StepAudio(44100); // one loop later: the same place
    UpdateMusicClock(&clock);
    EXPECT_FLOAT_EQ(clock.seconds, 0.5f);
}

TEST_F(MusicClockTest, UnplayableMusicIsReportedAndTheClockRunsSilently) {
    SelectSteppedAudio();
    std::string absent = path + ".absent";
    testing::internal::CaptureStderr();
    StartMusicClock(&clock, absent.c_str());
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Error: Can`t play file"), std::string::npos) << said;
    ASSERT_NE(clock.stream, nullptr);
    // Time goes on past any music length, so every part still reaches its
    // end; the spectrum stays 0.
    for (int second = 1; second <= 300; second += 60) {
        StepAudio(60 * 44100);
        EXPECT_EQ(UpdateMusicClock(&clock), 0);
    }
    EXPECT_FLOAT_EQ(clock.seconds, 300.0f);
    for (float v : clock.spectrum) ASSERT_EQ(v, 0.0f);
}

TEST_F(MusicClockTest, WithoutASoundCardNoInitIsReportedAndTimeStillPasses) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    StartMusicClock(&clock, path.c_str());
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Error: No Init"), std::string::npos) << said;
    EXPECT_EQ(said.find("Can`t"), std::string::npos) << said; // the music itself loaded
    float first = clock.seconds;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    UpdateMusicClock(&clock);
    EXPECT_GT(clock.seconds, first);
    EXPECT_GT(clock.spectrum[8], 0.1f); // the spectrum follows the silent playback
}
