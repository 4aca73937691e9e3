// glimmerfall-capture: renders the show offline, frame-exact, to a video file
// with its music.
//
// The show runs off screen on the stepped clock: each presented frame is
// piped raw to ffmpeg, then the clock is advanced by exactly one video frame
// of music, so frame k is drawn with the music at k / fps seconds and its
// spectrum taken there. A second ffmpeg run adds the music, decoded by the
// same code the clock uses and cut to the frames kept, so picture and sound
// line up to the sample. A range starts the show from the beginning all the
// same (every part builds on what the earlier ones left in the buffers) and
// encodes only the frames inside it.
#include "display/display.h"
#include "platform/audio.h"
#include "platform/console.h"
#include "platform/encoder.h"
#include "sequencer/framehash.h"
#include "sequencer/show.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <vector>

#define EXIT_USAGE 2 // A bad command line; 1 is any other failure

typedef struct CaptureOptions {
    const char *output; // Video file to write: .mp4, .mov or .mkv
    int frameWidth;     // 640: demo640's whole screen; 512: demo512's bare frame
    double from;        // First second of music kept, >= 0
    double to;          // Second of music to stop at, < 0: the show's end
    int fps;            // Video frames per second, 1..240
    int lossless;       // 1: RGB H.264 at qp 0 and ALAC, every bit kept
    const char *hashes; // Not null: write hash lines here ("-": standard output), no video
} CaptureOptions;

typedef struct Capture {
    CaptureOptions options; // As the command line gave them
    int width, height;      // Video frame size: 640 x 480 or 512 x 384
    int cropX, cropY;       // Where the video frame starts in the presented frame
    int64_t first;          // First show frame (0 = the first with music) to encode
    int64_t last;           // One past the last, INT64_MAX: to the show's end
    int64_t next;           // The show frame presented next
    int64_t encoded;        // Frames handed to ffmpeg
    uint8_t *pixels;        // One video frame, width x height x 4 bytes, bgr0
    MusicPcm *music;        // The show's music, decoded as the clock decodes it
    Encoder encoder;        // The ffmpeg run at work
    std::string video;      // The first run's video-only file, next to the output
    int wroteOutput;        // 1 once the second run has started writing the output
    double startTime;       // Wall clock at start, seconds
    double shownTime;       // Wall clock of the last progress line
    double playTime;        // Wall clock when the first frame with music was presented
    int progress;           // 1 when standard error is a terminal
    FILE *hashFile;         // Where hash lines go in the --hashes mode, else null
} Capture;

static Show show;                         // The show, as the programs hold it
static Capture capture;                   // What the frame hook works with
static volatile sig_atomic_t interrupted; // Set by SIGINT or SIGTERM

static void Interrupt(void) {
    interrupted = 1;
}

static double Now(void) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

// The sample frame of music at which show frame k is drawn.
static int64_t SamplePosition(const Capture *c, int64_t k) {
    return k * MUSIC_RATE / c->options.fps;
}

// The index of the first frame at or after seconds; a frame time that equals
// the boundary up to rounding counts as on it.
static int64_t FrameAt(double seconds, int fps) {
    return (int64_t)ceil(seconds * fps - 1e-6);
}

// ---- Ending ------------------------------------------------------------------

// Stops ffmpeg, removes what this run made, and ends the process with status.
[[noreturn]] static void Fail(Capture *c, const char *message, int status) {
    if (c->progress) fputc('\n', stderr);
    fprintf(stderr, "glimmerfall-capture: %s\n", message);
    KillEncoder(&c->encoder);
    if (!c->video.empty()) remove(c->video.c_str());
    if (c->wroteOutput) remove(c->options.output);
    exit(status);
}

// The failure of an ffmpeg run, with its exit status.
[[noreturn]] static void FailEncoder(Capture *c, const char *what, int status) {
    char line[200];
    if (status == 127)
        snprintf(line, sizeof line, "%s: ffmpeg could not be run", what);
    else
        snprintf(line, sizeof line, "%s: ffmpeg stopped with status %d (its message is above)",
                 what, status);
    Fail(c, line, 1);
}

// Starts ffmpeg quietly with the arguments in words, split at spaces, where
// each word "%" takes the next of files in turn (file names may hold spaces).
// It never reads keys from the terminal: in its own process group that would
// stop it. Fails when it cannot be started.
static void StartFfmpeg(Capture *c, const std::string &words, std::vector<std::string> files) {
    std::vector<std::string> args = {"ffmpeg",    "-hide_banner", "-nostdin", "-nostats",
                                     "-loglevel", "error",        "-y"};
    size_t file = 0;
    for (size_t at = 0, end; at < words.size(); at = end + 1) {
        end = words.find(' ', at);
        if (end == std::string::npos) end = words.size();
        std::string word = words.substr(at, end - at);
        args.push_back(word == "%" ? files.at(file++) : word);
    }
    std::vector<char *> argv(args.size() + 1, nullptr);
    for (size_t i = 0; i < args.size(); i++) argv[i] = args[i].data();
    if (!StartEncoder(&c->encoder, argv.data())) Fail(c, "cannot start ffmpeg", 1);
}

// The second run: the video as it is, and the music of the frames kept from
// our pipe, into the output file.
static void AddMusic(Capture *c) {
    c->wroteOutput = 1;
    StartFfmpeg(
        c,
        std::string("-i % -f s16le -ar 44100 -ac 2 -i pipe:0 -map 0:v -map 1:a -c:v copy ") +
            (c->options.lossless ? "-c:a alac" : "-c:a aac -b:a 192k") + " -movflags +faststart %",
        {c->video, c->options.output});
    // The music loops as the show plays it: positions past its end wrap to 0.
    int64_t at = SamplePosition(c, c->first);
    int64_t left = SamplePosition(c, c->first + c->encoded) - at;
    while (left > 0) {
        if (interrupted) Fail(c, "interrupted", 130);
        int64_t offset = at % c->music->frameCount;
        int64_t n = c->music->frameCount - offset;
        if (n > left) n = left;
        if (n > MUSIC_RATE) n = MUSIC_RATE; // a second at a time, to notice an interrupt
        if (!WriteEncoder(&c->encoder, c->music->samples + 2 * offset,
                          (size_t)n * MUSIC_FRAME_BYTES))
            break; // the status below says why
        at += n;
        left -= n;
    }
    int status = FinishEncoder(&c->encoder);
    if (status != 0 || left > 0) FailEncoder(c, "adding the music", status);
}

// Ends the hash lines: they are all written, or the run fails.
[[noreturn]] static void FinishHashes(Capture *c) {
    if (fflush(c->hashFile) != 0 || ferror(c->hashFile) ||
        (c->hashFile != stdout && fclose(c->hashFile) != 0)) {
        std::string line =
            std::string("cannot write ") + c->options.hashes + ": " + strerror(errno);
        Fail(c, line.c_str(), 1);
    }
    if (c->progress) fputc('\n', stderr);
    exit(0);
}

// Ends the video, adds the music, reports, and ends the process.
[[noreturn]] static void Finish(Capture *c) {
    if (c->hashFile) FinishHashes(c);
    int status = FinishEncoder(&c->encoder);
    if (status != 0) FailEncoder(c, "encoding the frames", status);
    if (c->encoded == 0) {
        char line[160];
        snprintf(line, sizeof line, "nothing to capture: the show ends before %.2f s",
                 c->options.from);
        Fail(c, line, 1);
    }
    AddMusic(c);
    remove(c->video.c_str());
    c->video.clear();
    if (c->progress) fputc('\n', stderr);
    struct stat st = {};
    stat(c->options.output, &st);
    double seconds = Now() - c->startTime;
    fprintf(stderr,
            "glimmerfall-capture: wrote %s: %lld frames of %dx%d at %d fps, %.2f s to %.2f s, "
            "%.1f MB, in %.1f s\n",
            c->options.output, (long long)c->encoded, c->width, c->height, c->options.fps,
            (double)c->first / c->options.fps, (double)(c->first + c->encoded) / c->options.fps,
            st.st_size / 1e6, seconds);
    exit(0);
}

// ---- Every presented frame ---------------------------------------------------

// One line that keeps being rewritten: where the show is and how fast it goes.
static void ShowProgress(Capture *c, int64_t k) {
    double now = Now();
    if (k == 1) c->playTime = c->shownTime = now;
    if (!c->progress || now - c->shownTime < 0.25) return;
    c->shownTime = now;
    float t = show.clock.seconds;
    const char *part = showParts[SHOW_PART_COUNT - 1].name;
    for (int i = SHOW_PART_COUNT - 1; i >= 0 && t <= showParts[i].end; i--)
        part = showParts[i].name;
    double end = c->last == INT64_MAX ? showParts[SHOW_PART_COUNT - 1].end
                                      : (double)c->last / c->options.fps;
    fprintf(stderr, "\rglimmerfall-capture: %6.2f s of %.2f s  %-11s %s  %4.0f frames/s \033[K", t,
            end, part, k < c->first ? "skipping" : "encoding", (k - 1) / (now - c->playTime));
}

// Copies the video frame out of the presented one.
static void TakeFrame(Capture *c, const uint32_t *frame) {
    const OffscreenScreen *screen = GetOffscreenScreen();
    const uint8_t *src = (const uint8_t *)frame;
    int pitch = SHOW_WIDTH * 4;
    if (screen->front && screen->width == SHOW_WIDTH && screen->height == SHOW_HEIGHT) {
        src = screen->front; // what actually reached the screen, 32-bit 0x00RRGGBB
        pitch = screen->pitch;
    }
    src += (size_t)c->cropY * pitch + (size_t)c->cropX * 4;
    for (int y = 0; y < c->height; y++)
        memcpy(c->pixels + (size_t)y * c->width * 4, src + (size_t)y * pitch, (size_t)c->width * 4);
}

// After each presentation: keeps the frame if it is in the range, and moves
// the music on to the next frame's time.
static void OnPresent(const uint32_t *frame, void *user) {
    Capture *c = (Capture *)user;
    if (!show.clock.stream) return; // the loading picture, before the music starts
    int64_t k = c->next++;
    if (k >= c->first && c->hashFile) {
        const uint8_t *src = (const uint8_t *)frame;
        int pitch = SHOW_WIDTH * 4;
        src += (size_t)c->cropY * pitch + (size_t)c->cropX * 4;
        char line[FRAME_HASH_LINE];
        FormatHashLine(line, k, show.clock.seconds, HashFrame(src, c->width, c->height, pitch));
        if (fputs(line, c->hashFile) < 0) {
            std::string why =
                std::string("cannot write ") + c->options.hashes + ": " + strerror(errno);
            Fail(c, why.c_str(), 1);
        }
        c->encoded++;
    } else if (k >= c->first) {
        TakeFrame(c, frame);
        if (!WriteEncoder(&c->encoder, c->pixels, (size_t)c->width * c->height * 4))
            FailEncoder(c, "encoding the frames", FinishEncoder(&c->encoder));
        c->encoded++;
    }
    StepAudio(SamplePosition(c, k + 1) - SamplePosition(c, k));
    if (interrupted) Fail(c, "interrupted", 130);
    ShowProgress(c, k + 1);
    if (c->next >= c->last) Finish(c);
}

// ---- Start -------------------------------------------------------------------

static void Usage(FILE *out) {
    fprintf(out, "usage: glimmerfall-capture [options]   (run from the project root)\n"
                 "Renders the show to a video file with its music, frame by frame.\n"
                 "  -o, --output FILE  .mp4, .mov or .mkv to write (default out/glimmerfall.mp4)\n"
                 "  --frame 640|512    demo640's 640x480 screen (default) or demo512's bare frame\n"
                 "  --from SECONDS     first second of music to keep (default 0)\n"
                 "  --to SECONDS       second of music to stop at (default: the end of the show)\n"
                 "  --fps N            video frames per second, 1 to 240 (default 60)\n"
                 "  --lossless         every pixel and sample kept exactly (large files)\n"
                 "  --hashes FILE      no video: one line per frame, \"frame time hash\", into\n"
                 "                     FILE (- for standard output); needs no ffmpeg\n"
                 "  -h, --help         this text\n");
}

[[noreturn]] static void BadUsage(const char *what, const char *value) {
    fprintf(stderr, "glimmerfall-capture: %s%s%s\n", what, value ? ": " : "", value ? value : "");
    Usage(stderr);
    exit(EXIT_USAGE);
}

// A number made of the whole of text, within [low, high].
static double Number(const char *name, const char *text, double low, double high) {
    char *end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno || end == text || *end || !(v >= low && v <= high)) BadUsage(name, text);
    return v;
}

static CaptureOptions ParseOptions(int argc, char **argv) {
    CaptureOptions o = {"out/glimmerfall.mp4", 640, 0.0, -1.0, 60, 0, nullptr};
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i], value;
        size_t eq = arg.find('=');
        int hasValue = arg.compare(0, 2, "--") == 0 && eq != std::string::npos;
        if (hasValue) value = arg.substr(eq + 1), arg.resize(eq);
        auto next = [&](void) -> const char * {
            if (hasValue) return argv[i] + eq + 1; // --name=value: the value inside argv[i]
            if (i + 1 >= argc) BadUsage("a value is missing after", argv[i]);
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            exit(0);
        } else if (arg == "-o" || arg == "--output") {
            o.output = next();
        } else if (arg == "--frame") {
            const char *v = next();
            o.frameWidth = (int)Number("--frame", v, 512, 640);
            if (o.frameWidth != 512 && o.frameWidth != 640) BadUsage("--frame is 640 or 512", v);
        } else if (arg == "--from") {
            o.from = Number("--from", next(), 0, 1e6);
        } else if (arg == "--to") {
            o.to = Number("--to", next(), 0, 1e6);
        } else if (arg == "--fps") {
            const char *v = next();
            o.fps = (int)Number("--fps", v, 1, 240);
            if (o.fps != Number("--fps", v, 1, 240)) BadUsage("--fps is a whole number", v);
        } else if (arg == "--hashes") {
            o.hashes = next();
        } else if (arg == "--lossless" && !hasValue) {
            o.lossless = 1;
        } else {
            BadUsage("unknown option", argv[i]);
        }
    }
    if (o.to >= 0 && FrameAt(o.to, o.fps) <= FrameAt(o.from, o.fps))
        BadUsage("--to must come at least one frame after --from", nullptr);
    std::string dot = strrchr(o.output, '.') ? strrchr(o.output, '.') : "";
    if (!o.hashes && dot != ".mp4" && dot != ".mov" && dot != ".mkv")
        BadUsage("the output must end in .mp4, .mov or .mkv", o.output);
    return o;
}

// Makes the folders above path that do not exist yet; 0 when one cannot be made.
static int MakeParents(const char *path) {
    std::string p = path;
    for (size_t i = 1; (i = p.find('/', i)) != std::string::npos; i++) {
        std::string dir = p.substr(0, i);
        if (!MakeFolder(dir.c_str())) return 0;
    }
    return 1;
}

// The first run: raw frames from our pipe, video only, into a hidden file
// next to the output.
static void StartVideo(Capture *c) {
    std::string out = c->options.output;
    size_t slash = out.rfind('/');
    std::string dir = slash == std::string::npos ? "." : out.substr(0, slash + 1);
    std::string name =
        dir + (slash == std::string::npos ? "/" : "") + ".glimmerfall-capture-XXXXXX.mp4";
    if (!MakeUniqueFile(name.data(), 4)) {
        std::string line = "cannot write in " + dir + ": " + strerror(errno);
        Fail(c, line.c_str(), 1);
    }
    c->video = name;
    char format[100];
    snprintf(format, sizeof format, "-f rawvideo -pix_fmt bgr0 -video_size %dx%d -framerate %d",
             c->width, c->height, c->options.fps);
    // Lossy: the usual H.264 any player takes. Lossless: H.264 in RGB at
    // qp 0, which gives back every bit of every pixel.
    StartFfmpeg(c,
                std::string(format) + " -i pipe:0 -an " +
                    (c->options.lossless ? "-c:v libx264rgb -preset fast -qp 0"
                                         : "-c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p") +
                    " %",
                {c->video});
}

// Opens where the hash lines go. Standard output is kept for them alone:
// the show's own console lines are sent to /dev/null from here on.
static void OpenHashes(Capture *c) {
    if (strcmp(c->options.hashes, "-") == 0) {
        c->hashFile = DuplicateStdout();
        if (!c->hashFile) Fail(c, "cannot write the hashes to standard output", 1);
    } else {
        c->hashFile = fopen(c->options.hashes, "wb"); // "\n" line ends on every system
        if (!c->hashFile) {
            std::string line =
                std::string("cannot write ") + c->options.hashes + ": " + strerror(errno);
            Fail(c, line.c_str(), 1);
        }
    }
    SilenceStdout();
}

int main(int argc, char **argv) {
    Capture *c = &capture;
    c->options = ParseOptions(argc, argv);
    c->encoder = {0, -1};
    c->startTime = c->shownTime = Now();
    c->progress = StderrIsTerminal();
    if (!c->options.hashes && !FindProgram("ffmpeg"))
        Fail(c, "ffmpeg not found: install it (apt-get install ffmpeg)", 1);
    struct stat st;
    if (stat("data", &st) != 0 || !S_ISDIR(st.st_mode))
        Fail(c, "no data/ folder here: run from the project root after `make data`", 1);
    float end = showParts[SHOW_PART_COUNT - 1].end;
    if (FrameAt(c->options.from, c->options.fps) > FrameAt(end, c->options.fps)) {
        char line[160];
        snprintf(line, sizeof line, "nothing to capture: the show ends at %.2f s", end);
        Fail(c, line, 1);
    }
    if (c->options.hashes) {
        OpenHashes(c);
    } else {
        c->music = LoadMusicPcm(SHOW_MUSIC);
        if (!c->music) Fail(c, "the video needs the music " SHOW_MUSIC, 1);
        if (!MakeParents(c->options.output)) {
            std::string line = std::string("cannot make the folder for ") + c->options.output +
                               ": " + strerror(errno);
            Fail(c, line.c_str(), 1);
        }
    }

    c->width = c->options.frameWidth == 512 ? 512 : SHOW_WIDTH;
    c->height = c->options.frameWidth == 512 ? RENDER_HEIGHT : SHOW_HEIGHT;
    c->cropX = (SHOW_WIDTH - c->width) / 2; // demo512's frame is demo640's centre
    c->cropY = (SHOW_HEIGHT - c->height) / 2;
    c->first = FrameAt(c->options.from, c->options.fps);
    c->last = c->options.to < 0 ? INT64_MAX : FrameAt(c->options.to, c->options.fps);
    c->pixels = (uint8_t *)malloc((size_t)c->width * c->height * 4);
    if (!c->pixels) Fail(c, "out of memory for a video frame", 1);

    OnInterrupt(Interrupt);

    if (!c->options.hashes) StartVideo(c);
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    show.afterPresent = OnPresent;
    show.hookUser = c;
    if (!StartShow(&show)) Fail(c, "the show's data could not be loaded (see above)", 1);
    // From here the console lines of the parts would break the progress line.
    SilenceStdout();
    RunTimeline(&show);
    Finish(c);
}
