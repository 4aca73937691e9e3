// xvfb: an X server of a test's own and a way to read back what it shows.
// Header-only, for tests; they skip when Xvfb or xwd is missing.
#pragma once

#include "support/process.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

// Starts Xvfb with one screen of the given geometry on a display number it
// picks itself (-displayfd), never resetting between clients (a reset would
// refuse the next window), and returns ":N", or "" when it cannot be started.
inline std::string StartXvfb(pid_t *pid, const char *screen = "1100x800x24") {
    if (system("command -v Xvfb >/dev/null && command -v xwd >/dev/null") != 0) return "";
    int fds[2];
    if (pipe(fds) != 0) return "";
    if ((*pid = fork()) == 0) {
        close(fds[0]);
        freopen("/dev/null", "w", stderr);
        execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", screen,
               "-nolisten", "tcp", "-noreset", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    return number.empty() ? "" : ":" + number;
}

// The root window as 0x00RRGGBB, from xwd's dump: a big-endian header of 25
// words, the window name, the colour map, then rows of 3- or 4-byte pixels.
// Empty when it cannot be read.
inline std::vector<uint32_t> ReadRootWindow(const std::string &display, int *w, int *h) {
    std::vector<uint8_t> b;
    FILE *f = popen(("xwd -root -silent -display " + display).c_str(), "r");
    for (int c; f && (c = fgetc(f)) != EOF;) b.push_back((uint8_t)c);
    if (f) pclose(f);
    std::vector<uint32_t> px;
    auto word = [&](int i) {
        return (uint32_t)b[4 * i] << 24 | b[4 * i + 1] << 16 | b[4 * i + 2] << 8 | b[4 * i + 3];
    };
    if (b.size() < 100) return px;
    uint32_t bytes = word(11) / 8, line = word(12), masks[3] = {word(14), word(15), word(16)};
    size_t data = word(0) + word(19) * 12;
    *w = (int)word(4), *h = (int)word(5);
    if ((bytes != 3 && bytes != 4) || b.size() < data + (size_t)line * *h) return px;
    for (int y = 0; y < *h; y++)
        for (int x = 0; x < *w; x++) {
            uint32_t v = 0, rgb = 0;
            for (uint32_t i = 0; i < bytes; i++) // byte order word(7): 0 is least significant first
                v |= (uint32_t)b[data + y * line + x * bytes + (word(7) ? bytes - 1 - i : i)]
                     << 8 * i;
            for (uint32_t m : masks) rgb = rgb << 8 | ((v & m) >> __builtin_ctz(m) & 0xFF);
            px.push_back(rgb);
        }
    return px;
}

// The id ("0x...") of a top-level window titled name on display, or "".
// xwininfo lists titles in UTF-8, which xdotool's search does not read.
inline std::string FindWindowId(const std::string &display, const std::string &name) {
    std::string tree = ReadCommand("xwininfo -root -tree -display " + display);
    size_t at = tree.find(" \"" + name + "\":");
    if (at == std::string::npos) return "";
    size_t start = tree.rfind("0x", at);
    return start == std::string::npos ? "" : tree.substr(start, at - start);
}

// The size of the window titled name on display, "WxH", or "" while there
// is none.
inline std::string WindowSize(const std::string &display, const std::string &name) {
    std::string info =
        ReadCommand("xwininfo -name " + name + " -display " + display + " 2>/dev/null");
    size_t w = info.find("Width: "), h = info.find("Height: ");
    if (w == std::string::npos || h == std::string::npos) return "";
    return std::to_string(atoi(info.c_str() + w + 7)) + "x" +
           std::to_string(atoi(info.c_str() + h + 8));
}
