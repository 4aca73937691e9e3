// assetgen: makes every file of the show's data/ folder from source: the 22
// pictures, the 8 scene files, the 2 light files and the music. The output
// depends on nothing but this code (and the toolchain and libraries it is
// built with): every random number comes from a seeded generator, no clock,
// no address and no environment variable is read.
#pragma once

#include <cstddef>
#include <cstdint>

// A small deterministic generator (splitmix64 seeded, xorshift64* stepped).
typedef struct Rng {
    uint64_t state; // Never 0
} Rng;

// Returns a generator seeded with seed (any value, 0 included).
Rng NewRng(uint64_t seed);
// Steps rng and returns 32 random bits.
uint32_t RngNext(Rng *rng);
// Steps rng and returns a float in [0, 1).
float RngFloat(Rng *rng);
// Steps rng and returns a float in [lo, hi).
float RngRange(Rng *rng, float lo, float hi);

// Writes size bytes to dir/name, replacing the file. Returns 1, or 0 after
// printing one line naming the file.
int WriteDataFile(const char *dir, const char *name, const void *bytes, size_t size);

// Writes the 22 JPEG pictures into dir. Returns 1 on success, 0 after a message.
int GeneratePictures(const char *dir);
// Writes the 8 scene files and the 2 light files into dir. Returns 1 or 0.
int GenerateScenes(const char *dir);
// Synthesises the music and writes dir/final.mp3. Returns 1 or 0.
int GenerateMusic(const char *dir);
// Draws the desktop icon, 256 x 256 RGBA, into the PNG file path. Returns 1,
// or 0 after one line naming the file.
int WriteIcon(const char *path);
// Decodes dir/final.mp3 and prints, part by part, how many 60 fps frames
// cross each spectrum threshold the part reacts to. Returns 1 when every
// target is met, 0 when one is missed or the music cannot be read.
int PrintChoreographyReport(const char *dir);
