// showtest: running the show off screen on the stepped clock, and what the
// tests need around a presented frame: a checksum, and a PNG a person can
// look at when a checksum no longer matches.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "display/display.h"
#include "render3d/render3d.h"
#include "sequencer/show.h"

// True when the generated data/ is there (tests run from the repository root).
static inline bool HaveShowData(void) {
    struct stat st;
    return stat("data/final.mp3", &st) == 0 && stat("data/load.jpg", &st) == 0;
}

// The start-up on the off-screen display and the stepped clock, with empty
// fixed buffers as a program starts with them. No message box ever waits.
static inline int StartShowOffscreen(Show *show) {
    setenv("GLIMMERFALL_NO_DIALOG", "1", 1);
    memset(scratchBuffer, 0, sizeof scratchBuffer);
    // The loading picture is presented before the start-up clears the render
    // buffer: its bands must be as empty as a new program's, whichever tests
    // ran before (the order differs between systems).
    memset(renderBuffer, 0, sizeof renderBuffer);
    // The renderer's depth offset as a program starts with it, whatever an
    // earlier test in this process drew: past its limit it starts again at 0.
    while (GetDepthOffset() != 0.0f) AdvanceDepthFrame(depthBuffer);
#if CENTRED_VIEW
    memset(screenBuffer, 0, sizeof screenBuffer);
#endif
    SetDisplayDriver(&offscreenVideoDriver);
    SelectSteppedAudio();
    return StartShow(show);
}

// Moves the stepped clock on by frames sample frames and reads it, as the
// start-up's first read does.
static inline void StepShowClock(Show *show, int64_t frames) {
    StepAudio(frames);
    UpdateShowClock(show);
}

// FNV-1a over the pixels' bytes (little-endian, 4 per pixel).
static inline uint64_t FrameChecksum(const uint32_t *pixels, int count) {
    uint64_t h = 0xcbf29ce484222325ull;
    const uint8_t *p = (const uint8_t *)pixels;
    for (int i = 0; i < count * 4; i++) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

static inline uint32_t Crc32(const uint8_t *p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; i++) {
        crc ^= p[i];
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Writes width x height pixels 0x00RRGGBB as an 8-bit RGB PNG, stored
// (uncompressed) deflate blocks. Returns 1 when the file was written.
static inline int WritePng(const char *path, const uint32_t *pixels, int width, int height) {
    std::vector<uint8_t> raw; // Filter byte 0, then RGB, for every row
    raw.reserve((size_t)height * (width * 3 + 1));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        for (int x = 0; x < width; x++) {
            uint32_t p = pixels[(size_t)y * width + x];
            raw.push_back((uint8_t)(p >> 16));
            raw.push_back((uint8_t)(p >> 8));
            raw.push_back((uint8_t)p);
        }
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back((uint8_t)n), z.push_back((uint8_t)(n >> 8));
        z.push_back((uint8_t)~n), z.push_back((uint8_t)(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    }
    uint32_t adler = b << 16 | a;
    for (int s = 24; s >= 0; s -= 8) z.push_back((uint8_t)(adler >> s));

    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    auto chunk = [f](const char *type, const std::vector<uint8_t> &data) {
        uint8_t len[4] = {(uint8_t)(data.size() >> 24), (uint8_t)(data.size() >> 16),
                          (uint8_t)(data.size() >> 8), (uint8_t)data.size()};
        fwrite(len, 1, 4, f);
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        fwrite(body.data(), 1, body.size(), f);
        uint32_t crc = Crc32(body.data(), body.size());
        uint8_t c[4] = {(uint8_t)(crc >> 24), (uint8_t)(crc >> 16), (uint8_t)(crc >> 8),
                        (uint8_t)crc};
        fwrite(c, 1, 4, f);
    };
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    fwrite(signature, 1, 8, f);
    std::vector<uint8_t> ihdr = {(uint8_t)(width >> 24),
                                 (uint8_t)(width >> 16),
                                 (uint8_t)(width >> 8),
                                 (uint8_t)width,
                                 (uint8_t)(height >> 24),
                                 (uint8_t)(height >> 16),
                                 (uint8_t)(height >> 8),
                                 (uint8_t)height,
                                 8,
                                 2,
                                 0,
                                 0,
                                 0};
    chunk("IHDR", ihdr);
    chunk("IDAT", z);
    chunk("IEND", {});
    return fclose(f) == 0;
}
