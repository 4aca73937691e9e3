// The programs run on planted faults, as a user meets them: a copy of the
// data with one file swapped. Each must end, say what is wrong, and leave
// the run in a known state. Skipped where data/ or the tool is missing.
#include "platform/mp3_maker.h"
#include "support/plant.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cmath>

static const std::string tool = GF_BINARY_DIR "/glimmerfall-capture";

#define SKIP_WITHOUT_DATA()                                                                        \
    do {                                                                                           \
        if (access("data/final.mp3", R_OK) != 0) GTEST_SKIP() << "data/ is needed (make data)";    \
        if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << tool << " is not built";              \
    } while (0)

// The last line of text, without its newline.
static std::string LastLine(const std::string &text) {
    size_t end = text.size() && text.back() == '\n' ? text.size() - 1 : text.size();
    size_t start = text.rfind('\n', end ? end - 1 : 0);
    return text.substr(start == std::string::npos || start >= end ? 0 : start + 1,
                       end - (start == std::string::npos || start >= end ? 0 : start + 1));
}

// Music of two seconds under a show of three minutes: it loops, and the
// show's time counts the loops, so the show still reaches its end.
TEST(PlantedFaults, ShortMusicLoopsAndTheShowStillEndsOnTime) {
    SKIP_WITHOUT_DATA();
    TempFolder tmp;
    ASSERT_TRUE(LinkDataBut(tmp.path, "final.mp3"));
    ASSERT_TRUE(WriteMp3(tmp.path + "/data/final.mp3", StereoSine(440, 0.5, 2 * 44100), 2, 44100));
    std::string out = tmp.path + "/hashes", log = tmp.path + "/log";
    // Four frames a second: the whole show in some 750 frames.
    int status = RunProcess({tool, "--fps", "4", "--hashes", out}, {}, tmp.path, log, 600);
    ASSERT_EQ(status, 0) << (status < 0 ? "the show never ended\n" : "") << ReadFile(log);
    std::string last = LastLine(ReadFile(out));
    long long frame = -1;
    double seconds = -1;
    ASSERT_EQ(sscanf(last.c_str(), "%lld %lf", &frame, &seconds), 2) << last;
    // The last frame is the first one drawn past 186 s, a quarter second on.
    EXPECT_GT(seconds, 186.0);
    EXPECT_LE(seconds, 186.25);
    EXPECT_EQ(frame, std::lround(seconds * 4));
}
