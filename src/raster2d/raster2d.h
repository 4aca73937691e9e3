// raster2d: the show's pixel buffers and the whole-area 2D operations on them.
//
// A pixel is 0x00RRGGBB (blue in the low byte). Buffers are plain arrays with
// rows of 512 pixels and no gap between rows; the width is implied by the
// operation, never passed. Addressing is linear: a position past column 511
// continues on the next row.
//
// The area: every operation but DrawImage and CopyToScreen works on the
// 131072 pixels (512 x 256) from the pointer it is given, in address order.
// Where two pointers are given they are the same buffer or do not overlap.
//
// Row reach: Pixelate, Blur2x2 and SmearBlur read and write past the area's
// last row (a mosaic block that hangs below it, the blur's look-ahead into
// row 256). They are given `end`, one past the last pixel of the array that
// holds the area: the render buffer's end for the view or the render buffer,
// the array's own end for the scratch buffer or an Image's pixels. A pixel at
// or past `end` reads as black and is never written. DrawImage takes `end`
// the same way and clips its rows against it. The area itself must lie inside
// the array (end at least 131072 pixels on); given less, these do nothing.
//
// Channel arithmetic is integer: a channel is taken by mask and shift, and a
// result is put together as red << 16 | green << 8 | blue, so bits 24-31 of
// every channel-wise result are 0. Nothing here allocates or keeps state.
#pragma once

#include <cstdint>

#define AREA_WIDTH    512    // Pixels per row of every buffer but the screen buffer
#define AREA_HEIGHT   256    // Rows of the area (the view's size)
#define AREA_PIXELS   131072 // AREA_WIDTH x AREA_HEIGHT
#define DRAW_HEIGHT   384    // Rows DrawImage reaches below its pointer at most
#define SCREEN_WIDTH  640    // Pixels per row of the screen buffer
#define SCREEN_HEIGHT 480    // Rows of the screen buffer

typedef struct Image {
    int32_t width;    // Pixels per row, > 0
    int32_t height;   // Rows, > 0
    uint32_t *pixels; // width x height, top row first, 0x00RRGGBB with bits 24-31 zero
} Image;

// One past the last pixel of an Image's array: the `end` to pass when its
// pixels hold the area.
static inline const uint32_t *ImageEnd(const Image *image) {
    return image->pixels + int64_t(image->width) * image->height;
}

// ---- Placing and copying ---------------------------------------------------

// Copies image into dst (512 wide) with its top-left pixel at (x, y), unchanged,
// black included. Nothing is drawn if x > 512, y > 384, x + width < 0 or
// y + height < 0. The first visible image row is skipped, so destination row
// max(0, y) is never written; rows stop after destination row 383 and before
// the first row that does not lie whole before end; columns stop before 511.
// A null image or one without pixels draws nothing.
void DrawImage(uint32_t *dst, const uint32_t *end, int32_t x, int32_t y, const Image *image);

// Copies render rows 1-383 (512 x 384) into screen (640 x 480) at rows y + 1
// onwards, columns x onwards; screen row 479 is the last written and column 638
// the last. Row 0 of render is never copied. Parts of the copy that would land
// left of or above the screen are dropped.
void CopyToScreen(uint32_t *screen, int32_t x, int32_t y, const uint32_t *render);

// dst = src.
void CopyView(uint32_t *dst, const uint32_t *src);

// dst = overlay where overlay is not 0, else base.
void ComposeOverlay(uint32_t *dst, const uint32_t *base, const uint32_t *overlay);

// dst = src where src < threshold (whole 32-bit values, unsigned); other dst pixels stay.
void CopyBelow(uint32_t *dst, const uint32_t *src, uint32_t threshold);

// dst = src where src > threshold (whole 32-bit values, unsigned); other dst pixels stay.
void CopyAbove(uint32_t *dst, const uint32_t *src, uint32_t threshold);

// dst = src except where src equals key.
void CopyExceptKey(uint32_t *dst, const uint32_t *src, uint32_t key);

// dst = src except where src is a red key pixel: red above 17, green and blue below 17.
void CopyExceptRedKey(uint32_t *dst, const uint32_t *src);

// dst = 0xFFFFFF - src where dst equals src, else dst = src.
void CopyInvertEqual(uint32_t *dst, const uint32_t *src);

// ---- Blends ----------------------------------------------------------------

// Lays src over dst wherever src is not 0, with src's blue byte a as opacity:
// each channel becomes (src * a + dst * (255 - a)) >> 8, so blue 255 gives src
// at 255/256 and blue 0 still darkens dst by 1/256.
void BlendByBlue(uint32_t *dst, const uint32_t *src);

// dst becomes (src * alpha + dst * (255 - alpha)) >> 8 per channel. alpha 0
// leaves dst as it is; alpha above 255 (a negative level passed as unsigned
// included) counts as 255, which gives src at 255/256.
void CrossFade(uint32_t *dst, const uint32_t *src, uint32_t alpha);

// ---- Whole-value arithmetic and shape --------------------------------------

// p = level * 0x010101 - p, 32-bit wrap-around: level 0 negates every pixel,
// level 255 is InvertBuffer. Bits 24-31 may come out non-zero.
void SubtractFromGrey(uint32_t *buffer, int32_t level);

// p = 0xFFFFFF - p, 32-bit wrap-around.
void InvertBuffer(uint32_t *buffer);

// Every non-zero pixel becomes 0xFFFFFF.
void Binarize(uint32_t *buffer);

// Turns rows 0-127 by 180 degrees into rows 128-255 (pixel i goes to 131071 - i),
// then clears rows 0-127.
void RotateTopHalfDown(uint32_t *buffer);

// In each row, pixels 0 to n - 1 take the colour of pixel n with bits 24-31
// cleared. n below 1 changes nothing; n above 511 counts as 511.
void FillLeftFromColumn(uint32_t *buffer, int32_t n);

// ---- Mosaics and blurs -----------------------------------------------------

// Replaces each blockWidth x blockHeight block by its mean colour (per-channel
// sums over the block divided by its full size, truncated). Block rows start
// at 0, h, 2h ... below 256, blocks at 0, w, 2w ... left of 512; a block that
// starts less than w before column 512 wraps onto the next row, and where it
// covers an earlier block it wins. A size of 0 changes nothing.
void Pixelate(uint32_t *buffer, const uint32_t *end, uint32_t blockWidth, uint32_t blockHeight);

// Like Pixelate, but a block starts at every pixel in scan order and each is
// averaged and written before the next is read: a one-directional smear.
void SmearBlur(uint32_t *buffer, const uint32_t *end, uint32_t blockWidth, uint32_t blockHeight);

// The scan-order 2 x 2 smear: for every pixel (x, y) of the area in turn,
// Average2x2 of the block at (x, y) as earlier steps left it. Writes all of
// row 256 and the first pixel of row 257 where they lie before end.
void Blur2x2(uint32_t *buffer, const uint32_t *end);

// Blur2x2 twice over, the same pixels as two calls, in about the time of one:
// the second pass runs a few rows behind the first, interleaved with it.
void Blur2x2Twice(uint32_t *buffer, const uint32_t *end);

// Writes the per-channel mean of a, b, c and d (sum >> 2) to the pixels at
// (x, y), (x + 1, y), (x, y + 1) and (x + 1, y + 1) of buffer; the caller
// makes sure all four lie inside it.
void Average2x2(uint32_t *buffer, int32_t x, int32_t y, uint32_t a, uint32_t b, uint32_t c,
                uint32_t d);

// Replaces each of the 256 x 128 non-overlapping 2 x 2 blocks by its mean.
void Average2x2Blocks(uint32_t *buffer);

// ---- Spectrum --------------------------------------------------------------

// Draws 100 bars 10 pixels wide, bar j from column 10 j, rows 256 down to the
// last row r with r > 256 - 300 * spectrum[j]; pixels outside the area are
// skipped. Bars past column 511 continue one row lower (linear addressing).
void DrawSpectrumBars(uint32_t *buffer, const float *spectrum, uint32_t colour);

// For k = 0 to 14 adds 0xAAAAAA (32-bit wrap-around) to every pixel of rows
// trunc(128 - sin(10 spectrum[2k]) * 128) and trunc(128 + sin(10 spectrum[2k + 1]) * 128);
// a row outside 0-255 is skipped. Reads spectrum[0] to spectrum[29].
void DrawSpectrumLines(uint32_t *buffer, const float *spectrum);
