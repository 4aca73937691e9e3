// light: LoadLight reads one point light (position, colour, radius). Every key
// is searched from the start of the text, so the three lines come in any order.
#include <cstdio>
#include <cstdlib>

#include "scene/reader.h"
#include "scene/scene.h"

static bool ReadLight(SceneReader *rd, Light *light) {
    if (rd->end == 0) return Fail(rd, "the file is empty");
    // Values one character apart, behind labels of the key's width plus one space.
    float p[3];
    int32_t k = FindKeyChecked(rd, "Position:", 0, "light");
    if (k < 0 || !ReadRealsAt(rd, k + 10, 1, p, 3, "light position")) return false;
    light->position = Vec3{p[0], p[1], p[2]};
    printf("LightPos:: x : %f y : %f z : %f\n", light->position.x, light->position.y,
           light->position.z);

    int32_t c[3];
    k = FindKeyChecked(rd, "Color:", 0, "light");
    if (k < 0 || !ReadIntsAt(rd, k + 7, 1, c, 3, "light colour")) return false;
    // Components are taken unsigned: -1 gives 4294967295 / 255, far above 1.0.
    light->color.r = (float)((uint32_t)c[0] / 255.0);
    light->color.g = (float)((uint32_t)c[1] / 255.0);
    light->color.b = (float)((uint32_t)c[2] / 255.0);
    printf("LightColor:: r : %f g : %f b : %f\n", light->color.r, light->color.g, light->color.b);

    k = FindKeyChecked(rd, "Radius:", 0, "light");
    if (k < 0 || !ReadIntAt(rd, k + 8, &light->radius, "light radius")) return false;
    printf("LightZero = %d\n", light->radius);
    return true;
}

Light *LoadLightText(const char *path, const char *text) {
    SceneReader rd;
    BeginReading(&rd, path, text);
    Light *light = (Light *)calloc(1, sizeof(Light));
    if (!light) {
        printf("Unable To load: %s: out of memory\n", path);
        return nullptr;
    }
    if (!ReadLight(&rd, light)) {
        ReportProblem(&rd);
        free(light);
        return nullptr;
    }
    return light;
}

Light *LoadLight(const char *path) {
    return LoadSceneFile(path, LoadLightText);
}
