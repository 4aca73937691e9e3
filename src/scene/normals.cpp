// normals: unit vertex and face normals from the scene-space positions.
//
// The two use opposite edge orders: a face normal is (C - A) x (B - A), every
// term of a vertex normal is (B - A) x (C - A). Vertex normals therefore point
// to the other side of the surface from the face normals around them; the
// culling uses the face normals as they are and the lighting expects the
// vertex normals this way round.
#include <cmath>

#include "scene/scene.h"

static Vec3 Sub(const Vertex *p, const Vertex *q) {
    return Vec3{p->x - q->x, p->y - q->y, p->z - q->z};
}

static Vec3 Cross(Vec3 u, Vec3 v) {
    return Vec3{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

// v / |v| with the length rounded to float; a zero vector has no direction and stays zero.
static Vec3 Normalise(Vec3 v) {
    const float length = (float)sqrt((double)(v.x * v.x + v.y * v.y + v.z * v.z));
    if (length == 0.0f) return Vec3{0.0f, 0.0f, 0.0f};
    return Vec3{v.x / length, v.y / length, v.z / length};
}

static void AddTo(Vertex *v, Vec3 term) {
    v->nx += term.x;
    v->ny += term.y;
    v->nz += term.z;
}

void ComputeVertexNormals(Model *model) {
    for (int32_t i = 0; i < model->meshCount; i++) {
        Mesh *mesh = &model->meshes[i];
        Vertex *v = mesh->vertices;
        for (int32_t k = 0; k < mesh->vertexCount; k++) v[k].nx = v[k].ny = v[k].nz = 0.0f;
        // Each vertex's sum is the terms of the faces that name it, in face
        // order: walking the faces once and adding each term to its vertices
        // gives every vertex the same additions in the same order as scanning
        // all faces per vertex, bit for bit, in vertexCount + faceCount steps.
        // A face naming a vertex twice adds its term to it once.
        for (int32_t j = 0; j < mesh->faceCount; j++) {
            const Face *f = &mesh->faces[j];
            const Vertex *a = &v[f->a];
            const Vec3 term = Cross(Sub(&v[f->b], a), Sub(&v[f->c], a));
            AddTo(&v[f->a], term);
            if (f->b != f->a) AddTo(&v[f->b], term);
            if (f->c != f->a && f->c != f->b) AddTo(&v[f->c], term);
        }
        for (int32_t k = 0; k < mesh->vertexCount; k++) {
            const Vec3 n = Normalise(Vec3{v[k].nx, v[k].ny, v[k].nz});
            v[k].nx = n.x;
            v[k].ny = n.y;
            v[k].nz = n.z;
        }
    }
}

void ComputeFaceNormals(Model *model) {
    for (int32_t i = 0; i < model->meshCount; i++) {
        Mesh *mesh = &model->meshes[i];
        const Vertex *v = mesh->vertices;
        for (int32_t j = 0; j < mesh->faceCount; j++) {
            Face *f = &mesh->faces[j];
            const Vertex *a = &v[f->a];
            const Vec3 n = Normalise(Cross(Sub(&v[f->c], a), Sub(&v[f->b], a)));
            f->nx = n.x;
            f->ny = n.y;
            f->nz = n.z;
        }
    }
}
