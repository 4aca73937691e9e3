// libFuzzer target: any bytes as a scene file. A load either fails with one
// line or gives a Model whose every index lies inside its arrays.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "scene/scene.h"

static void Check(bool ok) {
    if (!ok) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The loader prints what it reads; keep the fuzzer's time for loading.
    static FILE *quiet = freopen("/dev/null", "w", stdout);
    (void)quiet;
    char *text = NewSceneText("fuzz", data, size);
    if (!text) return 0;
    Model *model = LoadModelText("fuzz", text);
    free(text);
    if (!model) return 0;
    for (int32_t i = 0; i < model->meshCount; i++) {
        const Mesh &mesh = model->meshes[i];
        for (int32_t j = 0; j < mesh.faceCount; j++) {
            const Face &f = mesh.faces[j];
            Check(f.a >= 0 && f.a < mesh.vertexCount && f.b >= 0 && f.b < mesh.vertexCount &&
                  f.c >= 0 && f.c < mesh.vertexCount);
            Check(f.material >= -1 && f.material < model->materialCount);
        }
        for (int32_t k = 0; k < mesh.vertexCount; k++)
            Check(std::isfinite(mesh.vertices[k].x) && std::isfinite(mesh.vertices[k].y) &&
                  std::isfinite(mesh.vertices[k].z));
    }
    World *world = NewWorld(1, 0);
    world->models[0] = *model;
    free(model);
    FreeWorld(world);
    free(world);
    return 0;
}
