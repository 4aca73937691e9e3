// The show in a web page. The page (index.html) runs main with no arguments
// to play the show on its canvas with its music; with "--hashes N" to render
// the first N frames off screen on the stepped clock and write their hash
// lines, exactly as glimmerfall-capture --hashes does, into <pre id=hashes>;
// with "--parts" to time each part off screen into <pre id=parts>. The two
// test modes end by setting the page's title to "done".
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/display.h"
#include "platform/webpage.h"
#include "sequencer/framehash.h"
#include "sequencer/show.h"

#define FRAME_SAMPLES 735 // Sample frames of music per video frame at 60 fps
#define FLUSH_LINES   600 // Hash lines handed to the page at a time: ten seconds of show

static Show show; // Every asset and the clock, for the whole run

typedef struct HashRun {
    int64_t wanted; // Lines to write, >= 0
    int64_t next;   // Index of the next frame drawn with music
    char *lines;    // Lines not yet on the page, FLUSH_LINES x FRAME_HASH_LINE bytes
    int held;       // Bytes of them in use
    int heldLines;  // and lines
} HashRun;

static HashRun hashRun;

// Hands the lines held to the page.
static void FlushHashes(HashRun *h) {
    if (h->held == 0) return;
    AppendPageText("hashes", h->lines);
    h->held = h->heldLines = 0;
    h->lines[0] = 0;
}

// The end of a test mode: the page can read the result.
[[noreturn]] static void FinishTest(int status) {
    FlushHashes(&hashRun);
    SetPageTitle("done");
    exit(status);
}

// After each presentation in the hash mode: the frame's line, the music on
// by one video frame, and the browser's turn.
static void HashFrameHook(const uint32_t *frame, void *user) {
    HashRun *h = (HashRun *)user;
    if (!show.clock.stream) return; // the loading picture, before the music starts
    int64_t k = h->next++;
    uint64_t hash = HashFrame((const uint8_t *)frame, SHOW_WIDTH, SHOW_HEIGHT, SHOW_WIDTH * 4);
    h->held += FormatHashLine(h->lines + h->held, k, show.clock.seconds, hash);
    if (++h->heldLines == FLUSH_LINES) FlushHashes(h);
    StepAudio(FRAME_SAMPLES);
    if (h->next >= h->wanted) FinishTest(0);
    YieldToPage();
}

[[noreturn]] static void RunHashes(int64_t wanted) {
    HashRun *h = &hashRun;
    h->wanted = wanted;
    h->lines = (char *)malloc((size_t)FLUSH_LINES * FRAME_HASH_LINE + 1);
    if (!h->lines) FinishTest(1);
    h->lines[0] = 0;
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    show.afterPresent = HashFrameHook;
    show.hookUser = h;
    if (wanted == 0) FinishTest(0);
    if (!StartShow(&show)) FinishTest(1);
    RunTimeline(&show);
    FinishTest(0);
}

// Sets the clock to where part i begins, as if the music had played to there.
static void CueShowPart(int i) {
    double begin = i > 0 ? showParts[i - 1].end : 0.0;
    PlayMusicStream(show.clock.stream, 1);
    StepAudio((int64_t)ceil(begin * MUSIC_RATE));
    UpdateShowClock(&show);
}

// Each part alone, as the native per-part benchmark plays it: the clock set
// to where the part begins, the part run to its end at 60 steps a second.
// The browser first runs new wasm code as compiled in haste, and the code of
// the hot functions again, optimized, while the program runs: the parts are
// played once untimed, so the times are those of the code the show runs.
[[noreturn]] static void RunPartTimes(void) {
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    if (!StartShow(&show)) FinishTest(1);
    show.stepFrames = FRAME_SAMPLES;
    for (int i = 0; i < SHOW_PART_COUNT; i++) {
        CueShowPart(i);
        RunShowPart(&show, i);
        YieldToPage();
    }
    char line[128];
    for (int i = 0; i < SHOW_PART_COUNT; i++) {
        CueShowPart(i);
        int64_t before = show.presented;
        double t0 = PageMilliseconds();
        RunShowPart(&show, i);
        double ms = PageMilliseconds() - t0;
        int64_t frames = show.presented - before;
        snprintf(line, sizeof line, "%-12s %5lld frames %7.3f ms/frame %6.0f fps\n",
                 showParts[i].name, (long long)frames, frames ? ms / frames : 0.0,
                 ms > 0 ? frames * 1000.0 / ms : 0.0);
        AppendPageText("parts", line);
        YieldToPage();
    }
    FinishTest(0);
}

// The music time of the frame last drawn, seconds: the page's tests read it.
extern "C" float WebMusicSeconds(void) {
    return show.clock.seconds;
}

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc >= 3 && strcmp(argv[1], "--hashes") == 0) RunHashes(atoll(argv[2]));
    if (argc >= 2 && strcmp(argv[1], "--parts") == 0) RunPartTimes();
    // The page learns of the end through exit(): once main has waited for
    // the browser, its return value no longer reaches anybody.
    SetDisplayDriver(&webVideoDriver);
    if (!StartShow(&show)) exit(1);
    RunTimeline(&show);
    StopShow(&show);
    exit(0);
}
