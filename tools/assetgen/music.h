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

// The finale cuts its view between white and the forest on every frame whose
// spectrum passes its beat test, and a cut swings a screen region's
// brightness far enough to count toward a flash: two cuts are one flash, and
// more than three flashes in a second are a hazard. This many cuts in any
// second leaves room for the butterflies' own jumps.
const int kStrobeMost = 4;
// The most frames in any one second of the finale's strobe (from 158.78 s)
// whose spectrum passes the beat test, in a run at fps frames a second.
int MostStrobeFramesInASecond(const struct MusicPcm *pcm, int fps);
// Decodes dir/final.mp3 and checks the finale's strobe at 60 and 144 fps.
// Returns 1, or 0 after one line naming the file and the count.
int CheckFinaleStrobe(const char *dir);
