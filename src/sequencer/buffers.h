// buffers: the show's fixed buffers. Static storage, zero at start, 64-byte
// aligned, owned by the sequencer for the whole run and handed to the
// operations as plain arrays. The view and the two bands are not buffers of
// their own but rows of the render buffer.
//
// The end pointers are what Pixelate, Blur2x2, SmearBlur and DrawImage take
// as the end of the array that holds their area: renderEnd for the view, the
// bands and the render buffer, scratchEnd for the scratch buffer.
#pragma once

#include <cstdint>

#include "raster2d/raster2d.h"

#define RENDER_HEIGHT 384    // Rows of the render buffer
#define RENDER_PIXELS 196608 // 512 x 384
#define VIEW_OFFSET   32768  // The view's first pixel in the render buffer: row 64
#define BAND_PIXELS   32768  // 512 x 64, each band

// 512 x 384, what every part composes; presented (demo512) or copied centred
// into the screen buffer (demo640).
alignas(64) extern uint32_t renderBuffer[RENDER_PIXELS];
// 512 x 256 work area for spectrum bars, 3D renders and intermediate layers.
alignas(64) extern uint32_t scratchBuffer[AREA_PIXELS];
// 512 x 256, every pixel 0x00FFFFFF once start-up has filled it; a fade target.
alignas(64) extern uint32_t whiteBuffer[AREA_PIXELS];
// 512 x 384 depth values for the 3D renderer, 0.0 at start.
alignas(64) extern float depthBuffer[RENDER_PIXELS];
#if CENTRED_VIEW
// 640 x 480, the presented frame of demo640; the render buffer lands at (64, 48).
alignas(64) extern uint32_t screenBuffer[SCREEN_WIDTH * SCREEN_HEIGHT];
#endif

// The letterboxed picture area, render rows 64-319 (512 x 256).
inline constexpr uint32_t *view = renderBuffer + VIEW_OFFSET;
// The black borders: render rows 0-63 and 320-383.
inline constexpr uint32_t *topBand = renderBuffer;
inline constexpr uint32_t *bottomBand = renderBuffer + VIEW_OFFSET + AREA_PIXELS;
// One past the last pixel of the render buffer and of the scratch buffer.
inline constexpr const uint32_t *renderEnd = renderBuffer + RENDER_PIXELS;
inline constexpr const uint32_t *scratchEnd = scratchBuffer + AREA_PIXELS;
