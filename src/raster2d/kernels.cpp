// kernels: the public pixel loops, each a call through the table of the
// build chosen for this CPU.
#include "raster2d/kernels.h"

typedef struct Raster2dKernels {
#define FIELD(name, params, args) void(*name) params; // The build's name
    RASTER2D_KERNELS(FIELD)
#undef FIELD
} Raster2dKernels;

#define ENTRY_PLAIN(name, params, args) plain::name,
static const Raster2dKernels plainKernels = {RASTER2D_KERNELS(ENTRY_PLAIN)};
#undef ENTRY_PLAIN

#if GF_KERNELS_AVX2
#define ENTRY_AVX2(name, params, args) avx2::name,
static const Raster2dKernels avx2Kernels = {RASTER2D_KERNELS(ENTRY_AVX2)};
#undef ENTRY_AVX2
#endif

// The build in use: the AVX2 one when it exists and the CPU runs it, else
// the baseline one.
static const Raster2dKernels *Choose(int avx2) {
#if GF_KERNELS_AVX2
    if (avx2 && __builtin_cpu_supports("avx2")) return &avx2Kernels;
#endif
    return &plainKernels;
}

// Chosen while the program starts, before main: nothing draws earlier.
static const Raster2dKernels *active = Choose(1);

int SelectRaster2dKernels(int avx2) {
    active = Choose(avx2);
    return UsingAvx2Kernels();
}

int UsingAvx2Kernels(void) {
    return active != &plainKernels;
}

#define FORWARD(name, params, args)                                                                \
    void name params {                                                                             \
        active->name args;                                                                         \
    }
RASTER2D_KERNELS(FORWARD)
#undef FORWARD
