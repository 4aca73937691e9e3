// glimmerfall-flashcheck: reads a captured run as raw frames and tells, part
// by part, how many flashes the picture makes in a second (the rule is in
// flash.h). Exits 1 when any one-second window of any block holds more than
// three flashes.
//
//   glimmerfall-capture --raw - --frame 512 | glimmerfall-flashcheck --fps 60
//   ffmpeg -i run.mkv -f rawvideo -pix_fmt bgr0 - | glimmerfall-flashcheck --size 640x480
#include "flashcheck/flash.h"

#include "sequencer/show.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define EXIT_USAGE 2 // A bad command line; 1 is a hazard or an unreadable input

static void Usage(FILE *out) {
    fprintf(out,
            "usage: glimmerfall-flashcheck [options] [FILE]   (no FILE or -: standard input)\n"
            "Reads raw bgr0 frames (0x00RRGGBB words) and reports the flashes per second\n"
            "of the show's parts; exits 1 on more than 3 flashes in a second in any block.\n"
            "  --fps N          frames per second of the run (default 60)\n"
            "  --size WxH       frame size (default 512x384, glimmerfall-capture --frame 512)\n"
            "  --view           analyse only the 512x256 picture in the frame's centre\n"
            "  --from SECONDS   music time of the first frame (default 0)\n"
            "  --list FROM TO   also list every change between these music times\n"
            "  -h, --help       this text\n");
}

[[noreturn]] static void BadUsage(const char *what, const char *value) {
    fprintf(stderr, "glimmerfall-flashcheck: %s%s%s\n", what, value ? ": " : "",
            value ? value : "");
    Usage(stderr);
    exit(EXIT_USAGE);
}

// The part playing at music time t, by the parts' end times.
static int PartAt(double t) {
    for (int i = 0; i < SHOW_PART_COUNT; i++)
        if (t <= showParts[i].end) return i;
    return SHOW_PART_COUNT - 1;
}

int main(int argc, char **argv) {
    int fps = 60, width = 512, height = 384, viewOnly = 0;
    double from = 0, listFrom = 1e30, listTo = -1;
    const char *input = "-";
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](void) -> const char * {
            if (i + 1 >= argc) BadUsage("a value is missing after", argv[i]);
            return argv[++i];
        };
        char *end = nullptr;
        if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        } else if (a == "--fps") {
            const char *v = value();
            long n = strtol(v, &end, 10);
            if (*end || n < 1 || n > 1000) BadUsage("--fps is a whole number 1..1000", v);
            fps = (int)n;
        } else if (a == "--size") {
            const char *v = value();
            if (sscanf(v, "%dx%d", &width, &height) != 2 || width < FLASH_GRID ||
                height < FLASH_GRID || width > 8192 || height > 8192)
                BadUsage("--size is WxH", v);
        } else if (a == "--view") {
            viewOnly = 1;
        } else if (a == "--from") {
            const char *v = value();
            from = strtod(v, &end);
            if (*end || !(from >= 0)) BadUsage("--from is a number of seconds", v);
        } else if (a == "--list") {
            const char *v = value();
            listFrom = strtod(v, &end);
            if (*end) BadUsage("--list takes two times", v);
            v = value();
            listTo = strtod(v, &end);
            if (*end) BadUsage("--list takes two times", v);
        } else if (a.size() > 1 && a[0] == '-') {
            BadUsage("unknown option", argv[i]);
        } else {
            input = argv[i];
        }
    }
    if (viewOnly && (width < 512 || height < 256))
        BadUsage("--view needs a frame of 512x256 or more", nullptr);
    FILE *in = strcmp(input, "-") == 0 ? stdin : fopen(input, "rb");
    if (!in) {
        fprintf(stderr, "glimmerfall-flashcheck: cannot read %s: %s\n", input, strerror(errno));
        return 1;
    }
    size_t pitch = (size_t)width * 4, frameBytes = pitch * height;
    std::vector<uint8_t> frame(frameBytes);
    int x0 = viewOnly ? (width - 512) / 2 : 0, y0 = viewOnly ? (height - 256) / 2 : 0;
    int w = viewOnly ? 512 : width, h = viewOnly ? 256 : height;
    FlashRun run = NewFlashRun(fps);
    double luminance[FLASH_BLOCKS];
    for (;;) {
        size_t got = fread(frame.data(), 1, frameBytes, in);
        if (got == 0) break;
        if (got < frameBytes) {
            fprintf(stderr, "glimmerfall-flashcheck: %s ends inside a frame (%zu of %zu bytes)\n",
                    input, got, frameBytes);
            return 1;
        }
        BlockLuminance(frame.data() + (size_t)y0 * pitch + (size_t)x0 * 4, w, h, (int)pitch,
                       luminance);
        AddFlashFrame(&run, luminance);
    }
    if (ferror(in)) {
        fprintf(stderr, "glimmerfall-flashcheck: cannot read %s: %s\n", input, strerror(errno));
        return 1;
    }
    if (run.frames == 0) {
        fprintf(stderr, "glimmerfall-flashcheck: %s holds no frame\n", input);
        return 1;
    }

    for (int b = 0; b < FLASH_BLOCKS; b++)
        for (size_t i = 0; i < run.changes[b].size(); i++) {
            double t = from + (double)run.changes[b][i] / run.fps;
            if (t >= listFrom && t <= listTo)
                printf("  change %8.3f s  block %d,%d\n", t, b % FLASH_GRID, b / FLASH_GRID);
        }
    // Every window that starts inside the run and ends by its last frame;
    // a run shorter than a second is one window.
    int64_t windows = std::max<int64_t>(1, run.frames - fps + 1);
    std::vector<int> worst(SHOW_PART_COUNT, 0), over(SHOW_PART_COUNT, 0), seen(SHOW_PART_COUNT, 0);
    std::vector<double> sum(SHOW_PART_COUNT, 0);
    int hazard = 0;
    double hazardFrom = -1;
    printf("%d frames at %d fps from %.2f s, %dx%d%s, %d x %d blocks\n", (int)run.frames, fps, from,
           w, h, viewOnly ? " (the view)" : "", FLASH_GRID, FLASH_GRID);
    for (int64_t k = 0; k < windows; k++) {
        double t = from + (double)k / fps;
        int p = PartAt(t), n = FlashesInWindow(&run, k);
        worst[p] = std::max(worst[p], n);
        sum[p] += n;
        seen[p]++;
        if (n > FLASH_LIMIT) {
            over[p]++;
            hazard = 1;
            if (hazardFrom < 0) hazardFrom = t;
        } else if (hazardFrom >= 0) {
            printf("  hazard: windows starting %.2f s to %.2f s\n", hazardFrom, t);
            hazardFrom = -1;
        }
    }
    if (hazardFrom >= 0) printf("  hazard: windows starting %.2f s to the end\n", hazardFrom);
    printf("\n%-12s %8s %8s %11s %11s\n", "part", "from s", "to s", "most/s", "mean/s");
    for (int p = 0; p < SHOW_PART_COUNT; p++) {
        if (!seen[p]) continue;
        double start = p ? showParts[p - 1].end : 0;
        printf("%-12s %8.2f %8.2f %11d %11.2f%s\n", showParts[p].name, start, showParts[p].end,
               worst[p], sum[p] / seen[p], over[p] ? "  HAZARD" : "");
        if (over[p])
            printf("%-12s %d windows (%.2f s of starts) over %d flashes\n", "", over[p],
                   (double)over[p] / fps, FLASH_LIMIT);
    }
    printf("\n%s\n", hazard ? "hazard: more than 3 flashes in a second"
                            : "no second holds more than 3 flashes");
    return hazard ? 1 : 0;
}
