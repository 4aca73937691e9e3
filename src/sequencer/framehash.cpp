// framehash: the hash line of a presented frame.
#include "sequencer/framehash.h"

#include <cstdio>

#define FNV_OFFSET 0xcbf29ce484222325ull // FNV-1a 64's starting value
#define FNV_PRIME  0x00000100000001b3ull // and its multiplier

uint64_t HashFrame(const uint8_t *pixels, int width, int height, int pitch) {
    uint64_t h = FNV_OFFSET;
    for (int y = 0; y < height; y++) {
        const uint8_t *p = pixels + (size_t)y * pitch;
        for (int x = 0; x < width; x++, p += 4) {
            // Byte by byte, as FNV-1a is defined: blue, green, red, then the
            // top byte, which a 0x00RRGGBB pixel keeps at 0 whatever the
            // surface left there.
            h = (h ^ p[0]) * FNV_PRIME;
            h = (h ^ p[1]) * FNV_PRIME;
            h = (h ^ p[2]) * FNV_PRIME;
            h = h * FNV_PRIME;
        }
    }
    return h;
}

int FormatHashLine(char *line, int64_t frame, float seconds, uint64_t hash) {
    return snprintf(line, FRAME_HASH_LINE, "%lld %.3f %016llx\n", (long long)frame, (double)seconds,
                    (unsigned long long)hash);
}
