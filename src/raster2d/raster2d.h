// raster2d: the show's pixel buffers and the whole-area 2D operations on them.
//
// A pixel is 0x00RRGGBB (blue in the low byte). Buffers are plain arrays with
// rows of 512 pixels and no gap between rows; the width is implied by the
// operation, never passed. Addressing is linear: a position past column 511
// continues on the next row.
#pragma once

#include <cstdint>

typedef struct Image {
    int32_t width;    // Pixels per row, > 0
    int32_t height;   // Rows, > 0
    uint32_t *pixels; // width x height, top row first, 0x00RRGGBB with bits 24-31 zero
} Image;
