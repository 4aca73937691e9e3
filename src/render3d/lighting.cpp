// Per-vertex lighting: ambient, diffuse and specular per point light, a
// quadratic fall-off to the light's radius, and a clamp after every light.
//
// Vectors, lengths and scalars are single precision; square roots and powers
// run in double precision and are rounded when stored. The vertex normals
// point away from the viewer on front faces, which is why the diffuse term is
// 1 - L.N and the specular term takes V.N to an even power.
#include "render3d/render3d.h"

#include <cmath>

static float Dot(Vec3 p, Vec3 q) {
    return p.x * q.x + p.y * q.y + p.z * q.z;
}

// Unit vector from p towards q; its length before normalising goes to *length.
static Vec3 Toward(Vec3 q, Vec3 p, float *length) {
    Vec3 v = {q.x - p.x, q.y - p.y, q.z - p.z};
    const float len = (float)std::sqrt((double)Dot(v, v));
    *length = len;
    return {v.x / len, v.y / len, v.z / len};
}

// Clamps a channel into 0.0-1.0: above 1 first, then anything not >= 0
// (negative or not a number) becomes 0.
static float ClampChannel(float c) {
    if (c > 1.0f) c = 1.0f;
    if (!(c >= 0.0f)) c = 0.0f;
    return c;
}

// Adds one light to one channel and clamps the sum before the next light, so
// the order of the lights matters. The ambient part comes with every light and
// is weighed by the diffuse colour too; reach is the light's colour times the
// fall-off.
static float AddLight(float sum, const Material *m, float ambient, float diffuseColour,
                      float specularColour, float reach, float diffuse, float specular) {
    const float c = (ambient * m->ambientCoeff * diffuseColour +
                     reach * (m->diffuseCoeff * diffuseColour * diffuse +
                              m->specularCoeff * specularColour * specular)) +
                    sum;
    return ClampChannel(c);
}

void LightVertex(const Vec3 *eye, const Material *material, const Vertex *vertex, ScreenVertex *out,
                 const Light *lights, int32_t lightCount, int32_t materialIndex) {
    if (materialIndex == -1) {
        // A face without a material shows pure blue, lights or not.
        out->r = 0.0f;
        out->g = 0.0f;
        out->b = 1.0f;
        return;
    }
    if (lightCount <= 0) {
        // No light leaves the colour black; the view direction and its power
        // (a square root and a pow a vertex) would be thrown away.
        out->r = 0.0f;
        out->g = 0.0f;
        out->b = 0.0f;
        return;
    }
    const Material *m = material;
    const Vec3 p = {vertex->x, vertex->y, vertex->z};
    const Vec3 n = {vertex->nx, vertex->ny, vertex->nz};
    // The view direction, and so the specular term, belong to the vertex: the
    // same for every light.
    float eyeDist;
    const Vec3 v = Toward(*eye, p, &eyeDist);
    const float specular = (float)std::pow((double)Dot(v, n), (double)m->shininess);
    float r = 0.0f, g = 0.0f, b = 0.0f;

    for (int32_t i = 0; i < lightCount; i++) {
        const Light *light = &lights[i];
        float dist;
        const Vec3 l = Toward(light->position, p, &dist);
        const float diffuse = 1.0f - Dot(l, n);
        // The radius is unsigned. pow(q, 2.0) is exactly q * q in double (a float
        // squared has at most 48 significant bits), so the product is used.
        const double q = (double)(dist / (float)(uint32_t)light->radius);
        const float falloff = (float)(1.0 - q * q);

        r = AddLight(r, m, m->ambient.r, m->diffuse.r, m->specular.r, falloff * light->color.r,
                     diffuse, specular);
        g = AddLight(g, m, m->ambient.g, m->diffuse.g, m->specular.g, falloff * light->color.g,
                     diffuse, specular);
        b = AddLight(b, m, m->ambient.b, m->diffuse.b, m->specular.b, falloff * light->color.b,
                     diffuse, specular);
    }
    out->r = r;
    out->g = g;
    out->b = b;
}
