// model: LoadModel reads a scene file (meshes with node transforms, vertex and
// face lists, then materials) by key search and fixed label distances.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "render3d/render3d.h"
#include "scene/reader.h"
#include "scene/scene.h"

void QuaternionToMatrix(Matrix4 *m, float x, float y, float z, float w) {
    const float xx = 2 * x * x, yy = 2 * y * y, zz = 2 * z * z;
    const float xy = 2 * x * y, xz = 2 * x * z, yz = 2 * y * z;
    const float xw = 2 * x * w, yw = 2 * y * w, zw = 2 * z * w;
    float *e = m->m;
    e[0] = 1 - yy - zz;
    e[1] = xy + zw;
    e[2] = xz - yw;
    e[4] = xy - zw;
    e[5] = 1 - xx - zz;
    e[6] = yz + xw;
    e[8] = xz + yw;
    e[9] = yz - xw;
    e[10] = 1 - xx - yy;
}

void ApplyMatrixToPoint(const Matrix4 *m, Vertex *vertex, float x, float y, float z) {
    const float *e = m->m;
    vertex->x = e[0] * x + e[1] * y + e[2] * z + e[3];
    vertex->y = e[4] * x + e[5] * y + e[6] * z + e[7];
    vertex->z = e[8] * x + e[9] * y + e[10] * z + e[11];
}

// Node transform: N = T x R, the quaternion's rotation with the node position in column 3.
static bool ReadNode(SceneReader *rd, int32_t s, const char *where, Matrix4 *node) {
    float position[3], q[4];
    int32_t k = FindKeyChecked(rd, "Position:", s, where);
    if (k < 0 || !ReadRealsAt(rd, k + 14, 2, position, 3, "node position")) return false;
    k = FindKeyChecked(rd, "Rotation:", s, where);
    if (k < 0 || !ReadRealsAt(rd, k + 14, 2, q, 4, "node rotation")) return false;
    printf("rot: x : %f   y : %f  z : %f  w : %f\n", q[0], q[1], q[2], q[3]);
    Matrix4 t, r;
    MatrixIdentity(&t);
    MatrixSetTranslation(&t, position[0], position[1], position[2]);
    QuaternionToMatrix(MatrixIdentity(&r), q[0], q[1], q[2], q[3]);
    MatrixMultiply(&t, &r, node);
    return true;
}

typedef struct Budget {
    int64_t meshes, vertices, faces, materials; // entries so far, against the text's length
} Budget;

// Reads the count distance characters after key (searched from s) and checks
// it against what the file can hold.
static bool ReadCount(SceneReader *rd, const char *key, int32_t s, int32_t distance,
                      const char *where, const char *what, int64_t *used, int32_t *count) {
    char name[64];
    snprintf(name, sizeof name, "%s: %s", where, what);
    const int32_t k = FindKeyChecked(rd, key, s, where);
    return k >= 0 && ReadIntAt(rd, k + distance, count, what) && CheckCount(rd, *count, used, name);
}

static bool ReadVertices(SceneReader *rd, int32_t s, const char *where, const Matrix4 *node,
                         Mesh *mesh, Budget *budget) {
    int32_t count;
    if (!ReadCount(rd, "faces", s, 6, where, "vertex count", &budget->vertices, &count))
        return false;
    mesh->vertices = (Vertex *)calloc((size_t)count, sizeof(Vertex));
    mesh->viewVertices = (Vertex *)calloc((size_t)count, sizeof(Vertex));
    mesh->screenVertices = (ScreenVertex *)calloc((size_t)count, sizeof(ScreenVertex));
    mesh->vertexState = (VertexState *)calloc((size_t)count, sizeof(VertexState));
    if (count &&
        (!mesh->vertices || !mesh->viewVertices || !mesh->screenVertices || !mesh->vertexState))
        return Fail(rd, "%s: out of memory for %d vertices", where, count);
    mesh->vertexCount = count;

    // Every value starts one character after the one that ended the previous value.
    const int32_t k = FindKeyChecked(rd, "Vertices:", s, where);
    if (k < 0) return false;
    rd->r = k + 9;
    for (int32_t i = 0; i < count; i++) {
        float p[3];
        if (!ReadRealsAt(rd, rd->r + 1, 1, p, 3, "vertex coordinate")) return false;
        Vertex *v = &mesh->vertices[i];
        ApplyMatrixToPoint(node, v, p[0], p[1], p[2]);
        if (!std::isfinite(v->x) || !std::isfinite(v->y) || !std::isfinite(v->z))
            return Fail(rd, "%s: vertex %d leaves the float range after the node transform", where,
                        i);
    }
    return true;
}

static bool ReadFaces(SceneReader *rd, int32_t s, const char *where, Mesh *mesh, Budget *budget) {
    int32_t count;
    if (!ReadCount(rd, "data:", s, 6, where, "face count", &budget->faces, &count)) return false;
    mesh->faces = (Face *)calloc((size_t)count, sizeof(Face));
    if (count && !mesh->faces) return Fail(rd, "%s: out of memory for %d faces", where, count);
    mesh->faceCount = count;

    // One face a line, starting at the line after the key: a, b and c one
    // character apart, the material 22 characters after the end of c.
    const int32_t k = FindKeyChecked(rd, "EdgeVisCode)", s, where);
    if (k < 0) return false;
    int32_t r = k + 13;
    for (int32_t i = 0; i < count; i++) {
        Face *f = &mesh->faces[i];
        int32_t corner[3];
        if (!ReadIntsAt(rd, r, 1, corner, 3, "face vertex index")) return false;
        f->a = corner[0], f->b = corner[1], f->c = corner[2];
        r = rd->r;
        if (!ReadIntAt(rd, r + 22, &f->material, "face material index")) return false;
        f->visible = 1;
        const int32_t n = mesh->vertexCount;
        if (f->a < 0 || f->a >= n || f->b < 0 || f->b >= n || f->c < 0 || f->c >= n)
            return Fail(rd, "%s: face %d names vertices %d %d %d of %d", where, i, f->a, f->b, f->c,
                        n);
        // No LF after the last face line: a further face would find the end of the file.
        const int32_t lf = SkipLine(rd->text, r);
        r = lf < 0 ? rd->end + 1 : lf + 1;
    }
    return true;
}

static bool ReadMeshes(SceneReader *rd, Model *model, Budget *budget) {
    int32_t count;
    if (!ReadCount(rd, "Number of geom objects:", 0, 29, "scene", "mesh count", &budget->meshes,
                   &count))
        return false;
    printf("<%s> Contains <%d> Mesh(es)\n", rd->path, count);
    model->meshes = (Mesh *)calloc((size_t)count, sizeof(Mesh));
    if (count && !model->meshes) return Fail(rd, "out of memory for %d meshes", count);
    model->meshCount = count;

    int32_t s = 0;
    for (int32_t i = 0; i < count; i++) {
        char where[24];
        snprintf(where, sizeof where, "mesh %d", i + 1);
        // The key takes the LF before it, so only a NodeID at the start of a line counts.
        const int32_t k = FindKeyChecked(rd, "\nNodeID:", s, where);
        if (k < 0) return false;
        s = k + 15;
        if (s > rd->end) return Fail(rd, "%s: the file ends inside the node header", where);
        Mesh *mesh = &model->meshes[i];
        Matrix4 node;
        if (!ReadNode(rd, s, where, &node) || !ReadVertices(rd, s, where, &node, mesh, budget) ||
            !ReadFaces(rd, s, where, mesh, budget))
            return false;
    }
    return true;
}

// A face's material is an index into the Model's materials, or -1 for none.
static bool CheckFaceMaterials(SceneReader *rd, const Model *model) {
    for (int32_t i = 0; i < model->meshCount; i++) {
        const Mesh *mesh = &model->meshes[i];
        for (int32_t j = 0; j < mesh->faceCount; j++) {
            const int32_t m = mesh->faces[j].material;
            if (m < -1 || m >= model->materialCount)
                return Fail(rd, "mesh %d: face %d names material %d of %d", i + 1, j, m,
                            model->materialCount);
        }
    }
    return true;
}

// Ambient, diffuse or specular colour: three reals 25 characters after the
// key, two characters apart.
static bool ReadColor(SceneReader *rd, int32_t s, const char *key, const char *where, Rgb *out) {
    float c[3];
    const int32_t k = FindKeyChecked(rd, key, s, where);
    if (k < 0 || !ReadRealsAt(rd, k + 25, 2, c, 3, "material colour")) return false;
    *out = Rgb{c[0], c[1], c[2]};
    return true;
}

static bool ReadMaterial(SceneReader *rd, int32_t s, const char *where, Material *m) {
    int32_t ambientCoeff;
    const int32_t k = FindKeyChecked(rd, "Ambient Coeff:", s, where);
    // The ambient coefficient is read as an integer: 0.8 loads as 0.0.
    if (k < 0 || !ReadIntAt(rd, k + 25, &ambientCoeff, "ambient coefficient")) return false;
    m->ambientCoeff = (float)ambientCoeff;
    printf("AmbCoef = %f\n", m->ambientCoeff);
    // The next two are not searched: each sits on the line after, behind a 25-character label.
    if (!ReadRealAt(rd, rd->r + 26, &m->diffuseCoeff, "diffuse coefficient")) return false;
    printf("DifCoef = %f\n", m->diffuseCoeff);
    if (!ReadRealAt(rd, rd->r + 26, &m->specularCoeff, "specular coefficient")) return false;
    printf("SpeCoef = %f\n", m->specularCoeff);

    if (!ReadColor(rd, s, "Ambient Color:", where, &m->ambient)) return false;
    printf("AmbColor r = %f  g = %f  b = %f\n", m->ambient.r, m->ambient.g, m->ambient.b);
    if (!ReadColor(rd, s, "Diffuse Color:", where, &m->diffuse)) return false;
    printf("DifColor r = %f  g = %f  b = %f\n", m->diffuse.r, m->diffuse.g, m->diffuse.b);
    if (!ReadColor(rd, s, "Specular Color:", where, &m->specular)) return false;
    printf("SpeColor r = %f  g = %f  b = %f\n", m->specular.r, m->specular.g, m->specular.b);

    // The file's shininess is read past and replaced: every material shines at 50.
    const int32_t shine = FindKeyChecked(rd, "Shininess:", s, where);
    if (shine < 0 || !ReadTokenAt(rd, shine + 25, false, "shininess")) return false;
    m->shininess = 50.0f;
    return true;
}

static bool ReadMaterials(SceneReader *rd, Model *model, Budget *budget) {
    int32_t count;
    if (!ReadCount(rd, "Number of materials:", 0, 29, "scene", "material count", &budget->materials,
                   &count))
        return false;
    model->materials = (Material *)calloc((size_t)count, sizeof(Material));
    if (count && !model->materials) return Fail(rd, "out of memory for %d materials", count);
    model->materialCount = count;
    if (!CheckFaceMaterials(rd, model)) return false;

    int32_t s = 0;
    for (int32_t i = 0; i < count; i++) {
        char where[24];
        snprintf(where, sizeof where, "material %d", i + 1);
        const int32_t k = FindKeyChecked(rd, "Material: ", s, where);
        if (k < 0) return false;
        s = k + 9;
        if (!ReadMaterial(rd, s, where, &model->materials[i])) return false;
    }
    return true;
}

Model *LoadModelText(const char *path, const char *text) {
    SceneReader rd;
    BeginReading(&rd, path, text);
    Model *model = (Model *)calloc(1, sizeof(Model));
    if (!model) {
        printf("Unable To load: %s: out of memory\n", path);
        return nullptr;
    }
    Budget budget = {0, 0, 0, 0};
    bool ok = rd.end > 0 || Fail(&rd, "the file is empty");
    ok = ok && ReadMeshes(&rd, model, &budget);
    if (ok) {
        printf("done loading topology and geology\n");
        printf("\n\nStatus:\nTotalVertices : %d\nTotalFaces : %d\n\n\n", (int)budget.vertices,
               (int)budget.faces);
    }
    ok = ok && ReadMaterials(&rd, model, &budget);
    if (!ok) {
        ReportProblem(&rd);
        FreeModel(model);
        free(model);
        return nullptr;
    }
    printf("Computing normals\n");
    ComputeVertexNormals(model);
    ComputeFaceNormals(model);
    MatrixIdentity(&model->transform);
    MatrixIdentity(&model->rotation);
    MatrixIdentity(&model->translation);
    printf("\nLoading of %s is complete...\n", path);
    return model;
}

Model *LoadModel(const char *path) {
    return LoadSceneFile(path, LoadModelText);
}

void FreeModel(Model *model) {
    for (int32_t i = 0; i < model->meshCount; i++) {
        Mesh *mesh = &model->meshes[i];
        free(mesh->vertices);
        free(mesh->viewVertices);
        free(mesh->screenVertices);
        free(mesh->faces);
        free(mesh->vertexState);
    }
    free(model->materials);
    free(model->meshes);
    model->materials = nullptr;
    model->meshes = nullptr;
    model->meshCount = 0;
}
