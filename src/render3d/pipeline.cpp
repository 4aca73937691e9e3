// From a World to pixels: transform, back-face test, projection, lighting
// and filling. Every working array belongs to the meshes, so a rendering
// allocates nothing.
#include "render3d/render3d.h"

// Principal point: the column and row the viewing axis projects to.
static const int kCentreX = 256;
static const int kCentreY = 194;
// A face is drawn while d.n is above this; slightly turned-away faces still show.
static const float kBackFaceLimit = -4.0f;
// Beyond this a projected coordinate fits no screen; it also keeps
// trunc() + principal point inside 32 bits.
static const float kProjectLimit = 1073741824.0f; // 2^30

// trunc(q) for a projected coordinate, or SCREEN_FAR_AWAY when q is not a
// number or too far out to convert.
static int32_t ScreenCoord(float q, int centre) {
    if (!(q > -kProjectLimit && q < kProjectLimit)) return SCREEN_FAR_AWAY;
    return (int32_t)q + centre;
}

void ProjectVertex(int focal, ScreenVertex *out, Vertex v) {
    // The quotient first, then the integer focal length: that order is the rounding.
    out->x = ScreenCoord(v.x / v.z * (float)focal, kCentreX);
    out->y = ScreenCoord(v.y / v.z * (float)focal, kCentreY);
    out->depth = v.z;
}

static void SetModelTransform(Model *model) {
    MatrixMultiply(&model->translation, &model->rotation, &model->transform);
}

// The view-space copy of vertex i of mesh.
static void TransformMeshVertex(const Model *model, Mesh *mesh, int32_t i) {
    const Vertex *v = &mesh->vertices[i];
    TransformVertex(&model->transform, &mesh->viewVertices[i], v->x, v->y, v->z, v->nx, v->ny,
                    v->nz);
}

// View-space copies of every vertex of mesh, last to first.
static void TransformMesh(const Model *model, Mesh *mesh) {
    for (int32_t i = mesh->vertexCount - 1; i >= 0; i--) TransformMeshVertex(model, mesh, i);
}

// True if the face names three existing vertices (unsigned compare: negatives fail too).
static bool FaceInMesh(const Face *f, const Mesh *mesh) {
    const uint32_t n = (uint32_t)mesh->vertexCount;
    return (uint32_t)f->a < n && (uint32_t)f->b < n && (uint32_t)f->c < n;
}

static void RenderMesh(uint32_t *pixels, float *depth, const World *world, const Model *model,
                       Mesh *mesh) {
    const Vertex *view = mesh->viewVertices;
    ScreenVertex *screen = mesh->screenVertices;
    VertexState *state = mesh->vertexState;
    for (int32_t i = 0; i < mesh->vertexCount; i++) state[i] = {0, 0};
    TransformMesh(model, mesh);

    // Faces of higher index are drawn first.
    for (int32_t i = mesh->faceCount - 1; i >= 0; i--) {
        Face *face = &mesh->faces[i];
        face->visible = 0;
        const int32_t mat = face->material;
        if (!FaceInMesh(face, mesh)) continue;
        if (mat != -1 && (uint32_t)mat >= (uint32_t)model->materialCount) continue;

        // Back-face test against the face's first vertex only, on unnormalised vectors.
        const Vertex *first = &view[face->a];
        const Vec3 n = RotateVector(&model->transform, face->nx, face->ny, face->nz);
        const float dn = Dot3(world->eye.x - first->x, world->eye.y - first->y,
                              world->eye.z - first->z, n.x, n.y, n.z);
        if (!(dn > kBackFaceLimit)) continue;

        // Each vertex is projected and lit once per mesh, by the first visible face using it.
        const Material *material = mat == -1 ? nullptr : &model->materials[mat];
        const int32_t corners[3] = {face->a, face->b, face->c};
        for (int32_t k : corners) {
            if (state[k].lit) continue;
            ProjectVertex(RENDER_FOCAL, &screen[k], view[k]);
            LightVertex(&world->eye, material, &view[k], &screen[k], world->lights,
                        world->lightCount, mat);
            state[k].lit = 1;
            state[k].material = mat;
        }
        DrawTriangle(pixels, depth, &screen[face->a], &screen[face->b], &screen[face->c]);
        face->visible = 1;
    }
}

void RenderWorld(uint32_t *pixels, float *depth, World *world) {
    MatrixMultiply(&world->leftMatrix, &world->rightMatrix, &world->frameMatrix);
    for (int32_t i = 0; i < world->modelCount; i++) {
        Model *model = &world->models[i];
        SetModelTransform(model);
        for (int32_t j = 0; j < model->meshCount; j++)
            RenderMesh(pixels, depth, world, model, &model->meshes[j]);
    }
    AdvanceDepthFrame(depth);
}

// Transforms and projects vertex i of mesh; returns its projected record.
static ScreenVertex *ProjectMeshVertex(const Model *model, Mesh *mesh, int32_t i) {
    TransformMeshVertex(model, mesh, i);
    ProjectVertex(RENDER_FOCAL, &mesh->screenVertices[i], mesh->viewVertices[i]);
    return &mesh->screenVertices[i];
}

void RenderModelPoints(uint32_t *pixels, Model *model, uint32_t colour) {
    SetModelTransform(model);
    for (int32_t j = 0; j < model->meshCount; j++) {
        Mesh *mesh = &model->meshes[j];
        // Later points simply overwrite earlier ones: no depth test here.
        for (int32_t i = mesh->vertexCount - 1; i >= 0; i--)
            PlotPoint(pixels, ProjectMeshVertex(model, mesh, i), colour);
    }
}

void ReplotModelPoints(uint32_t *pixels, const Model *model, uint32_t colour) {
    for (int32_t j = 0; j < model->meshCount; j++) {
        const Mesh *mesh = &model->meshes[j];
        for (int32_t i = mesh->vertexCount - 1; i >= 0; i--)
            PlotPoint(pixels, &mesh->screenVertices[i], colour);
    }
}

void RenderModelWireframe(uint32_t *pixels, Model *model, uint32_t colour) {
    SetModelTransform(model);
    for (int32_t j = 0; j < model->meshCount; j++) {
        Mesh *mesh = &model->meshes[j];
        for (int32_t i = mesh->vertexCount - 1; i >= 0; i--) ProjectMeshVertex(model, mesh, i);
        // DrawLine clamps the records in place, so later lines start from clamped ends.
        ScreenVertex *screen = mesh->screenVertices;
        for (int32_t i = mesh->faceCount - 1; i >= 0; i--) {
            const Face *f = &mesh->faces[i];
            if (!FaceInMesh(f, mesh)) continue;
            DrawLine(pixels, &screen[f->a], &screen[f->b], colour);
            DrawLine(pixels, &screen[f->a], &screen[f->c], colour);
            DrawLine(pixels, &screen[f->b], &screen[f->c], colour);
        }
    }
}
