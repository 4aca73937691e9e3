// Any byte string handed to the JPEG decoder: an Image of the size the
// header gave, or null; never a crash, a hang or a read out of bounds.
#include "raster2d/image.h"

#include <cstdio>

// One line per refused input would fill the log: the C stream goes nowhere.
// Sanitizer reports write to the descriptor, libFuzzer to its own stream.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    stderr = fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Image *image = DecodeJpeg(data, size, "fuzz input");
    if (image && (image->width <= 0 || image->height <= 0 || !image->pixels)) __builtin_trap();
    // Touch the last pixel: the array must be as large as the size says.
    if (image && (image->pixels[image->width * image->height - 1] >> 24) != 0) __builtin_trap();
    FreeJpeg(image);
    return 0;
}
