// The programs run on planted faults, as a user meets them: a copy of the
// data with one file swapped. Each must end, say what is wrong, and leave
// the run in a known state. Skipped where data/ or the tool is missing.
#include "platform/mp3_maker.h"
#include "support/plant.h"
#include "support/process.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <vector>

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

// A JPEG of w x h grey pixels, as bytes.
static std::string GreyJpeg(int w, int h) {
    std::vector<uint8_t> px((size_t)w * h, 128);
    tjhandle tj = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, px.data(), w, w, h, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 75, 0);
    std::string bytes((const char *)jpeg, size);
    tjFree(jpeg);
    tjDestroy(tj);
    return bytes;
}

// Every loader names the file and what is really wrong with it: a folder
// where a file should be, a picture too large, a file missing or empty.
TEST(PlantedFaults, EveryLoaderNamesTheFileAndTheRealProblem) {
    SKIP_WITHOUT_DATA();
    const std::string wide = GreyJpeg(8200, 64);
    const struct {
        const char *file;
        const char *plant; // "dir", "none", or the file's bytes
        const char *says;
        int status;
    } cases[] = {
        {"key.jpg", "dir", "data/key.jpg: is a folder, not a file", 1},
        {"key.jpg", wide.c_str(),
         "data/key.jpg: is 8200 x 64 pixels; the largest supported is 8192 x 8192", 1},
        {"key.jpg", "", "data/key.jpg: not a JPEG file", 1},
        {"roculus.txt", "dir", "data/roculus.txt: is a folder, not a file", 1},
        {"lys.txt", "none", "data/lys.txt: No such file or directory", 1},
        {"final.mp3", "dir", "data/final.mp3: is a folder, not a file", 0}, // plays on in silence
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.says);
        TempFolder tmp;
        ASSERT_TRUE(LinkDataBut(tmp.path, c.file));
        std::string planted = tmp.path + "/data/" + c.file, log = tmp.path + "/log";
        if (!strcmp(c.plant, "dir")) {
            ASSERT_EQ(mkdir(planted.c_str(), 0755), 0);
        } else if (strcmp(c.plant, "none")) {
            FILE *f = fopen(planted.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            fwrite(c.plant, 1, &c == &cases[1] ? wide.size() : strlen(c.plant), f);
            fclose(f);
        }
        EXPECT_EQ(
            RunProcess({tool, "--to", "0.1", "--hashes", "/dev/null"}, {}, tmp.path, log, 120),
            c.status);
        std::string said = ReadFile(log);
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(said.find("No error"), std::string::npos) << said;
        EXPECT_EQ(said.find("2 GiB"), std::string::npos) << said;
    }
}

// A FIFO planted as a picture holds the loading forever; an interrupt still
// ends the capture by the signal, with its message.
TEST(PlantedFaults, AnInterruptEndsACaptureWhoseLoadingWaitsOnAFifo) {
    SKIP_WITHOUT_DATA();
    TempFolder tmp;
    ASSERT_TRUE(LinkDataBut(tmp.path, "key.jpg"));
    ASSERT_EQ(mkfifo((tmp.path + "/data/key.jpg").c_str(), 0644), 0);
    std::string log = tmp.path + "/log";
    pid_t pid = StartProcess({tool, "--hashes", "-"}, {}, tmp.path, log);
    ASSERT_GT(pid, 0);
    std::string wchan = "/proc/" + std::to_string(pid) + "/wchan";
    for (int i = 0; i < 12000 && ReadFile(wchan) != "wait_for_partner"; i++) usleep(10000);
    ASSERT_EQ(ReadFile(wchan), "wait_for_partner") << ReadFile(log);
    kill(pid, SIGINT);
    EXPECT_EQ(WaitProcess(pid, 60), 130) << ReadFile(log);
    EXPECT_NE(ReadFile(log).find("glimmerfall-capture: interrupted"), std::string::npos)
        << ReadFile(log);
}
