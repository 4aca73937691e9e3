// framehash: one line per presented frame that every build of the show must
// print alike, the proof that two builds draw the same frames.
//
// The hash is 64-bit FNV-1a over the frame's pixels taken as 0x00RRGGBB
// words in little-endian byte order (blue, green, red, 0), row by row. The
// line is "frame time hash": the frame's index from the first frame drawn
// with music (0), the music time it was drawn at with 3 decimals, and the
// hash as 16 lowercase hex digits.
#pragma once

#include <cstdint>

#define FRAME_HASH_LINE 64 // Room for one line with its newline and NUL

// FNV-1a 64 over width x height pixels starting at pixels, rows pitch bytes
// apart; the unused top byte of every pixel is hashed as 0.
uint64_t HashFrame(const uint8_t *pixels, int width, int height, int pitch);

// Writes "frame time hash\n" into line (FRAME_HASH_LINE bytes); returns its length.
int FormatHashLine(char *line, int64_t frame, float seconds, uint64_t hash);
