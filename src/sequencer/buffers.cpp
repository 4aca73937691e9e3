// The fixed buffers: static, so they are zero when the program starts.
#include "sequencer/buffers.h"

alignas(64) uint32_t renderBuffer[RENDER_PIXELS];
alignas(64) uint32_t scratchBuffer[AREA_PIXELS];
alignas(64) uint32_t whiteBuffer[AREA_PIXELS];
alignas(64) float depthBuffer[RENDER_PIXELS];
#if CENTRED_VIEW
alignas(64) uint32_t screenBuffer[SCREEN_WIDTH * SCREEN_HEIGHT];
#endif

static_assert(RENDER_PIXELS == AREA_WIDTH * RENDER_HEIGHT);
static_assert(VIEW_OFFSET == 64 * AREA_WIDTH && BAND_PIXELS == 64 * AREA_WIDTH);
static_assert(VIEW_OFFSET + AREA_PIXELS + BAND_PIXELS == RENDER_PIXELS);
