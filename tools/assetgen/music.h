// The show's part times, shared by the music (whose sections change exactly
// there) and the choreography report (which checks the spectrum part by part).
#pragma once

// Start of every part, in seconds of music: Part One at 0, then the end time
// of each part in show order (Part Two starts at 11.4, ..., the credits at
// 180.78); kPartTimes[PART_COUNT] = 186 is the end of the credits.
#define PART_COUNT 17
extern const double kPartTimes[PART_COUNT + 1];
// Console-style names of the parts, in show order.
extern const char *const kPartNames[PART_COUNT];

// Seconds of music written to final.mp3: the show ends at 186 s, the last
// chord rings out after it.
#define MUSIC_SECONDS 190.0

// Length of one beat in part (0..PART_COUNT, the last being the ring-out after
// the show), seconds: the part's length over its whole number of beats. The
// part's beats fall at kPartTimes[part] + k x BeatLength(part).
double BeatLength(int part);
