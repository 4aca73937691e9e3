// libFuzzer target: any bytes as a light file.
#include <cstdio>
#include <cstdlib>

#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The loader prints what it reads; keep the fuzzer's time for loading.
    static FILE *quiet = freopen("/dev/null", "w", stdout);
    (void)quiet;
    char *text = NewSceneText("fuzz", data, size);
    if (!text) return 0;
    free(LoadLightText("fuzz", text));
    free(text);
    return 0;
}
