// assetgen DIR           writes every data file of the show into DIR
// assetgen --report DIR  prints the choreography report for DIR/final.mp3
// assetgen --icon FILE   draws the desktop icon into the PNG FILE
#include "assetgen/assetgen.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

Rng NewRng(uint64_t seed) {
    // splitmix64 spreads neighbouring seeds apart; the xorshift state must not be 0.
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return Rng{z ? z : 0x2545F4914F6CDD1Dull};
}

uint32_t RngNext(Rng *rng) {
    uint64_t x = rng->state;
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    rng->state = x;
    return (uint32_t)((x * 0x2545F4914F6CDD1Dull) >> 32);
}

// 24 bits fill a float's mantissa exactly, so the result never rounds up to 1.
float RngFloat(Rng *rng) {
    return (float)(RngNext(rng) >> 8) * (1.0f / 16777216.0f);
}

float RngRange(Rng *rng, float lo, float hi) {
    return lo + (hi - lo) * RngFloat(rng);
}

int WriteDataFile(const char *dir, const char *name, const void *bytes, size_t size) {
    std::string path = std::string(dir) + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return 0;
    }
    size_t written = std::fwrite(bytes, 1, size, f);
    if (std::fclose(f) != 0 || written != size) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return 0;
    }
    return 1;
}

static int MakeDirectory(const char *dir) {
    if (mkdir(dir, 0755) == 0 || errno == EEXIST) return 1;
    std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir, std::strerror(errno));
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--report") == 0)
        return PrintChoreographyReport(argv[2]) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) return WriteIcon(argv[2]) ? 0 : 1;
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "usage: assetgen DIR | assetgen --report DIR | assetgen --icon FILE\n");
        return 2;
    }
    const char *dir = argv[1];
    if (!MakeDirectory(dir)) return 1;
    if (!GenerateScenes(dir) || !GeneratePictures(dir) || !GenerateMusic(dir)) return 1;
    return 0;
}
