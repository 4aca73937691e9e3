// glimmerfall-capture, run as a user runs it: its video must hold exactly the
// frames the show presents off screen on the stepped clock, with the music
// that plays under them, and every failure must end with a message and a
// status instead of a hang. Skipped where ffmpeg or data/ is missing.
#include "display/display.h"
#include "sequencer/framehash.h"
#include "sequencer/show.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dirent.h>
#include <map>
#include <pty.h>
#include <sys/stat.h>

static const std::string tool = GF_BINARY_DIR "/glimmerfall-capture";

// Why the capture cannot be tried here, or "".
static std::string Missing(void) {
    if (system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        return "ffmpeg and ffprobe are needed (apt-get install ffmpeg)";
    if (access("data/final.mp3", R_OK) != 0) return "data/ is needed (make data)";
    if (access(tool.c_str(), X_OK) != 0) return tool + " is not built";
    return "";
}

#define SKIP_IF_MISSING()                                                                          \
    do {                                                                                           \
        std::string why = Missing();                                                               \
        if (!why.empty()) GTEST_SKIP() << why;                                                     \
    } while (0)

// The first frames the show presents once its music plays, from the show
// itself (demo512's sequencer) off screen, stepped by one 60 Hz frame each.
static std::vector<std::vector<uint32_t>> shown;

static void KeepFrame(const uint32_t *frame, void *user) {
    const Show *show = (const Show *)user;
    if (show->clock.stream && shown.size() < 30) shown.emplace_back(frame, frame + RENDER_PIXELS);
}

static const std::vector<std::vector<uint32_t>> &ShowFrames(void) {
    static Show show;
    if (show.afterPresent) return shown;
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    show.stepFrames = MUSIC_RATE / 60;
    show.afterPresent = KeepFrame;
    show.hookUser = &show;
    if (StartShow(&show)) {
        RunShowPart(&show, 0);
        StopShow(&show);
    }
    return shown;
}

// ffprobe's view of one stream of file: key -> value.
static std::map<std::string, std::string> Probe(const std::string &file, const char *stream) {
    std::string text =
        ReadCommand("ffprobe -v error -count_frames -select_streams " + std::string(stream) +
                    " -show_entries stream=codec_name,width,height,pix_fmt,"
                    "r_frame_rate,nb_read_frames,sample_rate,channels,duration"
                    " -of default=nw=1 '" +
                    file + "'");
    std::map<std::string, std::string> m;
    for (size_t at = 0, eol; (eol = text.find('\n', at)) != std::string::npos; at = eol + 1) {
        std::string line = text.substr(at, eol - at);
        size_t eq = line.find('=');
        if (eq != std::string::npos) m[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return m;
}

// One stream of file decoded by ffmpeg to raw values of T (output options as given).
template <typename T> static std::vector<T> Decode(const std::string &file, const char *options) {
    std::string b = ReadCommand("ffmpeg -v error -i '" + file + "' " + options + " pipe:1");
    std::vector<T> v(b.size() / sizeof(T));
    memcpy(v.data(), b.data(), v.size() * sizeof(T));
    return v;
}

// The video of file as 0x00RRGGBB pixels, every frame back to back.
static std::vector<uint32_t> DecodeFrames(const std::string &file) {
    std::vector<uint32_t> px = Decode<uint32_t>(file, "-map 0:v -f rawvideo -pix_fmt bgr0");
    for (uint32_t &p : px) p &= 0xFFFFFF; // the fourth byte is padding, whatever it holds
    return px;
}

static int Capture(const std::vector<std::string> &args, const std::string &log,
                   const std::vector<std::string> &env = {}, const std::string &dir = "") {
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env, dir, log, 600);
}

TEST(Capture, LosslessClipHoldsTheShowsFramesAndMusicExactly) {
    SKIP_IF_MISSING();
    TempFolder tmp;
    std::string clip = tmp.path + "/part1.mp4", log = tmp.path + "/log";
    // Frames 15-29: a range that starts inside the show, in demo512's frame.
    ASSERT_EQ(
        Capture({"--lossless", "--frame", "512", "--from", "0.25", "--to=0.5", "-o", clip}, log), 0)
        << ReadFile(log);

    auto v = Probe(clip, "v:0"), a = Probe(clip, "a:0");
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["width"] + "x" + v["height"], "512x384");
    EXPECT_EQ(v["r_frame_rate"], "60/1");
    EXPECT_EQ(v["nb_read_frames"], "15");
    EXPECT_NEAR(atof(v["duration"].c_str()), 0.25, 1e-3);
    EXPECT_EQ(a["codec_name"], "alac");
    EXPECT_EQ(a["sample_rate"] + "/" + a["channels"], "44100/2");

    const auto &frames = ShowFrames();
    ASSERT_GE(frames.size(), 30u);
    std::vector<uint32_t> got = DecodeFrames(clip);
    ASSERT_EQ(got.size(), 15u * RENDER_PIXELS);
    for (int i = 0; i < 15; i++) {
        const uint32_t *frame = got.data() + (size_t)i * RENDER_PIXELS;
        int wrong = 0; // the screen shows no more than 0x00RRGGBB of a pixel
        for (int p = 0; p < RENDER_PIXELS; p++) wrong += frame[p] != (frames[15 + i][p] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "video frame " << i << " is not show frame " << 15 + i;
    }
    // Music from 0.25 s (sample frame 11025) to 0.5 s, as the clock decodes it.
    MusicPcm *music = LoadMusicPcm("data/" SHOW_MUSIC);
    ASSERT_NE(music, nullptr);
    std::vector<int16_t> sound = Decode<int16_t>(clip, "-map 0:a -f s16le -ar 44100 -ac 2");
    ASSERT_EQ(sound.size(), 2u * 11025);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), music->samples + 2 * 11025));
    FreeMusicPcm(music);
}

// The hash lines are what other builds of the show are compared by: they must
// be the presented frames' own, in the fixed format, whatever file they go to,
// and need no ffmpeg.
TEST(Capture, HashLinesAreTheShowsFramesInTheFixedFormat) {
    if (access("data/final.mp3", R_OK) != 0) GTEST_SKIP() << "data/ is needed (make data)";
    // FNV-1a 64 of the bytes "abc\0": a pixel is hashed blue, green, red, 0,
    // and whatever the fourth byte holds counts as 0.
    const uint32_t abc[2] = {0x00636261, 0xFF636261};
    EXPECT_EQ(HashFrame((const uint8_t *)abc, 1, 1, 4), 0xfc17bb83ee075471ull);
    EXPECT_EQ(HashFrame((const uint8_t *)(abc + 1), 1, 1, 4), 0xfc17bb83ee075471ull);
    char line[FRAME_HASH_LINE];
    FormatHashLine(line, 11161, 186.01666f, 0xabcull);
    EXPECT_STREQ(line, "11161 186.017 0000000000000abc\n");

    TempFolder tmp;
    std::string file = tmp.path + "/hashes";
    std::string lines =
        ReadCommand("PATH=/nonexistent " + tool + " --hashes - --frame 512 --to 0.5 2>/dev/null");
    ASSERT_EQ(RunProcess({tool, "--frame=512", "--to=0.5", "--hashes", file}, {}, "", "", 600), 0);
    EXPECT_EQ(ReadFile(file), lines) << "a file and standard output get the same lines";
    const auto &frames = ShowFrames();
    ASSERT_GE(frames.size(), 30u);
    std::string want;
    for (int i = 0; i < 30; i++) {
        FormatHashLine(line, i, i / 60.0f,
                       HashFrame((const uint8_t *)frames[i].data(), 512, RENDER_HEIGHT, 2048));
        want += line;
    }
    EXPECT_EQ(lines, want);
}

TEST(Capture, RawFramesAreTheShowsFramesByteForByte) {
    if (access("data/final.mp3", R_OK) != 0) GTEST_SKIP() << "data/ is needed (make data)";
    // No ffmpeg needed: 0.5 s at 60 fps is 30 frames of 512 x 384 bgr0.
    std::string raw =
        ReadCommand("PATH=/nonexistent " + tool + " --raw - --frame 512 --to 0.5 2>/dev/null");
    const size_t frameBytes = 512 * RENDER_HEIGHT * 4;
    ASSERT_EQ(raw.size(), 30 * frameBytes);
    const auto &frames = ShowFrames();
    ASSERT_GE(frames.size(), 30u);
    for (int i = 0; i < 30; i++)
        EXPECT_EQ(memcmp(raw.data() + i * frameBytes, frames[i].data(), frameBytes), 0) << i;
    // The two no-video modes exclude each other.
    EXPECT_EQ(RunProcess({tool, "--raw", "-", "--hashes", "-"}, {}, "", "", 60), 2);
}

TEST(Capture, DefaultVideoIsPlainH264AndAacOfTheCentredScreen) {
    SKIP_IF_MISSING();
    TempFolder tmp;
    std::string clip = tmp.path + "/part1.mp4", log = tmp.path + "/log";
    ASSERT_EQ(Capture({"--to", "0.2", "--output", clip}, log), 0) << ReadFile(log);
    auto v = Probe(clip, "v:0"), a = Probe(clip, "a:0");
    EXPECT_EQ(v["codec_name"] + " " + v["pix_fmt"], "h264 yuv420p");
    EXPECT_EQ(v["width"] + "x" + v["height"], "640x480");
    EXPECT_EQ(v["nb_read_frames"], "12");
    EXPECT_EQ(a["codec_name"], "aac");
    EXPECT_NEAR(atof(a["duration"].c_str()), 0.2, 0.03); // whole AAC packets of 1024 samples

    // The last frame against the show's: the picture at (64, 48), black around
    // it, within what 4:2:0 colour and a constant quality of 18 give away.
    const auto &frames = ShowFrames();
    ASSERT_GE(frames.size(), 12u);
    std::vector<uint32_t> got = DecodeFrames(clip);
    ASSERT_EQ(got.size(), 12u * 640 * 480);
    const uint32_t *frame = got.data() + 11 * 640 * 480;
    double error = 0;
    int border = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            bool inside = x >= 64 && x < 576 && y >= 48 && y < 432;
            uint32_t want = inside ? frames[11][(y - 48) * 512 + x - 64] : 0;
            for (int s = 0; s < 24; s += 8) {
                int d = abs((int)(frame[y * 640 + x] >> s & 255) - (int)(want >> s & 255));
                error += d;
                if (!inside) border = std::max(border, d);
            }
        }
    EXPECT_LT(error / (640 * 480 * 3), 2.0);
    EXPECT_LE(border, 8);
}

// Files in folder, hidden ones included.
static std::vector<std::string> Listing(const std::string &folder) {
    std::vector<std::string> names;
    DIR *d = opendir(folder.c_str());
    for (dirent *e; d && (e = readdir(d));)
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
    if (d) closedir(d);
    return names;
}

TEST(Capture, FailuresEndWithAMessageAStatusAndNoFilesLeft) {
    SKIP_IF_MISSING();
    TempFolder tmp;
    std::string log = tmp.path + "/log", out = tmp.path + "/out", clip = out + "/x.mp4";
    mkdir(out.c_str(), 0755);
    char here[4096];
    std::string cwd = getcwd(here, sizeof here) ? here : "";
    // A stand-in ffmpeg that reads a little and dies, as one that runs out of
    // disk or is killed would.
    std::string bin = tmp.path + "/bin";
    mkdir(bin.c_str(), 0755);
    FILE *f = fopen((bin + "/ffmpeg").c_str(), "w");
    fputs("#!/bin/sh\nhead -c 100000 >/dev/null\nexit 3\n", f);
    fclose(f);
    chmod((bin + "/ffmpeg").c_str(), 0755);
    std::string path = std::string("PATH=") + bin + ":" + getenv("PATH");
    FILE *g = fopen((tmp.path + "/file").c_str(), "w");
    fclose(g);

    const struct {
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string dir;
        int status;
        std::string says;
    } cases[] = {
        {{"--fast"}, {}, "", 2, "unknown option: --fast"},
        {{"--fps", "29.97"}, {}, "", 2, "--fps is a whole number"},
        {{"--from", "2", "--to", "1"}, {}, "", 2, "--to must come"},
        {{"-o", tmp.path + "/x.avi"}, {}, "", 2, "must end in .mp4"},
        {{"-o"}, {}, "", 2, "a value is missing"},
        {{"-o", clip}, {}, tmp.path, 1, "Cannot find the show's data (final.mp3) in data, "},
        {{"-o", clip}, {"PATH=/nonexistent"}, "", 1, "ffmpeg not found"},
        {{"-o", tmp.path + "/file/x.mp4"}, {}, "", 1, "/file is not a folder"},
        {{"-o", out + "/more/x.mp4"}, {}, "", 1, "/out/more does not exist"}, // not made
        {{"--hashes", out + "/more/h"}, {}, "", 1, "cannot write " + out + "/more/h"},
        {{"-o", clip}, {path}, "", 1, "ffmpeg stopped with status 3"},
        {{"--from", "999", "-o", clip}, {}, "", 1, "nothing to capture"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.says);
        EXPECT_EQ(Capture(c.args, log, c.env, c.dir.empty() ? cwd : c.dir), c.status);
        EXPECT_NE(ReadFile(log).find(c.says), std::string::npos) << ReadFile(log);
        EXPECT_TRUE(Listing(out).empty()) << Listing(out)[0];
    }

    // The default folder, out/, is made where the tool runs; nothing else is.
    std::string plain = tmp.path + "/plain";
    mkdir(plain.c_str(), 0755);
    ASSERT_EQ(symlink((cwd + "/data").c_str(), (plain + "/data").c_str()), 0);
    EXPECT_EQ(Capture({}, log, {path}, plain), 1) << ReadFile(log);
    struct stat st;
    EXPECT_TRUE(stat((plain + "/out").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_TRUE(Listing(plain + "/out").empty());

    // An interrupt or a termination while the frames are encoded: the tool
    // ends by that signal (the shell sees 130 or 143) and leaves nothing.
    for (int sig : {SIGINT, SIGTERM}) {
        // The last run's log still says "Part One": gone before the next starts.
        unlink(log.c_str());
        pid_t pid = StartProcess({tool, "-v", "-o", clip}, {}, cwd, log);
        for (int i = 0; i < 6000 && ReadFile(log).find("Part One") == std::string::npos; i++)
            usleep(10000);
        kill(pid, sig);
        EXPECT_EQ(WaitProcess(pid, 60), 128 + sig);
        EXPECT_NE(ReadFile(log).find("interrupted"), std::string::npos) << ReadFile(log);
        EXPECT_TRUE(Listing(out).empty());
    }
}

// Lines of text as a terminal shows them: split at '\n' (a terminal's "\r\n"
// too), each keeping only what the last '\r' rewrote, erase codes dropped.
static std::vector<std::string> Lines(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    for (size_t at; (at = text.find("\033[K")) != std::string::npos;) text.erase(at, 3);
    std::vector<std::string> lines;
    for (size_t at = 0, eol; at < text.size(); at = eol + 1) {
        eol = text.find('\n', at);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(at, eol - at);
        size_t cr = line.rfind('\r');
        lines.push_back(cr == std::string::npos ? line : line.substr(cr + 1));
    }
    return lines;
}

// Quiet by default: on a terminal one line of progress rewritten in place
// and one summary line; into a log, the summary alone; -v keeps the show's
// console lines, and with "--hashes -" standard output holds only hashes.
TEST(Capture, QuietByDefaultWithProgressOnATerminalAndTheConsoleOnlyWithV) {
    if (access("data/final.mp3", R_OK) != 0) GTEST_SKIP() << "data/ is needed (make data)";
    TempFolder tmp;
    std::string log = tmp.path + "/log", hashes = tmp.path + "/h";

    // On a terminal (a pseudo-terminal the test reads).
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(tool.c_str(), tool.c_str(), "--to", "3", "--hashes", hashes.c_str(), (char *)nullptr);
        _exit(127);
    }
    std::string screen;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) screen.append(buf, (size_t)n);
    close(master);
    EXPECT_EQ(WaitProcess(pid, 60), 0) << screen;
    EXPECT_NE(screen.find("\rglimmerfall-capture: frame "), std::string::npos) << screen;
    EXPECT_NE(screen.find(" fps "), std::string::npos) << screen;
    EXPECT_NE(screen.find(" left"), std::string::npos) << screen;
    std::vector<std::string> lines = Lines(screen);
    ASSERT_EQ(lines.size(), 1u) << screen; // the progress line became the summary
    EXPECT_EQ(lines[0].rfind("glimmerfall-capture: wrote 180 hash lines to " + hashes, 0), 0u)
        << lines[0];

    // Into a log: the summary alone.
    ASSERT_EQ(Capture({"--to", "0.1", "--hashes", hashes}, log), 0);
    lines = Lines(ReadFile(log));
    ASSERT_EQ(lines.size(), 1u) << ReadFile(log);
    EXPECT_EQ(lines[0].rfind("glimmerfall-capture: wrote 6 hash lines", 0), 0u) << lines[0];

    // -v: the show's console on standard error beside hashes on standard
    // output, which holds nothing but hash lines.
    std::string out = ReadCommand(tool + " -v --to 0.1 --hashes - 2>" + log);
    lines = Lines(out);
    ASSERT_EQ(lines.size(), 6u) << out;
    for (int i = 0; i < 6; i++) EXPECT_EQ(lines[i].rfind(std::to_string(i) + " 0.", 0), 0u) << out;
    std::string said = ReadFile(log);
    EXPECT_NE(said.find("Contains <1> Mesh(es)"), std::string::npos) << said;
    EXPECT_NE(said.find("Part One"), std::string::npos) << said;
}
