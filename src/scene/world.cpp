// world: the container the renderer draws in one call, owning its Models'
// arrays and its Lights.
#include <cstdio>
#include <cstdlib>

#include "scene/scene.h"

World *NewWorld(int32_t modelCount, int32_t lightCount) {
    if (modelCount < 0 || lightCount < 0) return nullptr;
    World *world = (World *)calloc(1, sizeof(World));
    if (!world) return nullptr;
    // The slots are zeroed, not left as garbage, so a World freed before it
    // is filled releases nothing it does not own.
    world->models = (Model *)calloc((size_t)modelCount, sizeof(Model));
    world->lights = (Light *)calloc((size_t)lightCount, sizeof(Light));
    if ((modelCount && !world->models) || (lightCount && !world->lights)) {
        free(world->models);
        free(world->lights);
        free(world);
        return nullptr;
    }
    world->modelCount = modelCount;
    world->lightCount = lightCount;
    MatrixIdentity(&world->frameMatrix);
    MatrixIdentity(&world->rightMatrix);
    MatrixIdentity(&world->leftMatrix);
    world->eye = Vec3{0.0f, 0.0f, 1.0f};
    return world;
}

void FreeWorld(World *world) {
    if (!world) return;
    printf("FreeWorld::\nNumObj = %d\nNumLight = %d\n", world->modelCount, world->lightCount);
    for (int32_t i = 0; i < world->modelCount; i++) FreeModel(&world->models[i]);
    for (int32_t i = 0; i < world->lightCount; i++) world->lights[i] = Light{};
    world->lightCount = 0;
    world->modelCount = 0;
    world->eye = Vec3{0.0f, 0.0f, 0.0f};
    free(world->models);
    free(world->lights);
    world->models = nullptr;
    world->lights = nullptr;
}
