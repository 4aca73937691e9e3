// Vertex and face normals: orientation, area weighting, degenerate faces, and
// the one-pass vertex normals against the plain scan of every face per vertex.
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "scene_test.h"

namespace {

// A one-mesh Model over the given positions and faces, owning calloc'd arrays.
Model MeshModel(const std::vector<Vec3> &points, const std::vector<std::array<int, 3>> &faces) {
    Model model = {};
    model.meshCount = 1;
    model.meshes = (Mesh *)calloc(1, sizeof(Mesh));
    Mesh *mesh = model.meshes;
    mesh->vertexCount = (int32_t)points.size();
    mesh->faceCount = (int32_t)faces.size();
    mesh->vertices = (Vertex *)calloc(points.size() + 1, sizeof(Vertex));
    mesh->faces = (Face *)calloc(faces.size() + 1, sizeof(Face));
    for (size_t i = 0; i < points.size(); i++)
        mesh->vertices[i] = Vertex{points[i].x, points[i].y, points[i].z, 0, 0, 0};
    for (size_t i = 0; i < faces.size(); i++)
        mesh->faces[i] = Face{faces[i][0], faces[i][1], faces[i][2], 1, -1, 0, 0, 0};
    return model;
}

void ExpectNormal(float x, float y, float z, Vec3 n) {
    EXPECT_NEAR(x, n.x, 1e-6);
    EXPECT_NEAR(y, n.y, 1e-6);
    EXPECT_NEAR(z, n.z, 1e-6);
}

Vec3 VertexNormal(const Model &m, int i) {
    const Vertex &v = m.meshes[0].vertices[i];
    return Vec3{v.nx, v.ny, v.nz};
}

Vec3 FaceNormal(const Model &m, int i) {
    const Face &f = m.meshes[0].faces[i];
    return Vec3{f.nx, f.ny, f.nz};
}

TEST(Normals, SingleTriangleFaceAndVertexNormalsPointOppositeWays) {
    Model m = MeshModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    ComputeVertexNormals(&m);
    ComputeFaceNormals(&m);
    ExpectNormal(0, 0, -1, FaceNormal(m, 0));
    for (int i = 0; i < 3; i++) ExpectNormal(0, 0, 1, VertexNormal(m, i));
    FreeModel(&m);
}

TEST(Normals, LargerFacesWeighMore) {
    // Vertex 0 is shared by a small face in the z = 0 plane and a face ten
    // times larger in the x = 0 plane.
    Model m = MeshModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 10}, {0, 10, 0}},
                        {{0, 1, 2}, {0, 3, 4}});
    ComputeVertexNormals(&m);
    const Vec3 n = VertexNormal(m, 0);
    // Terms (0, 0, 1) and (-100, 0, 0): the sum leans almost wholly to -x.
    const float length = std::sqrt(100.0f * 100.0f + 1.0f);
    ExpectNormal(-100 / length, 0, 1 / length, n);
    FreeModel(&m);
}

TEST(Normals, DegenerateFacesAndUnusedVerticesStayDefined) {
    // Face 1 names vertex 0 twice: its term is zero and it adds it once, so
    // vertex 0 keeps the direction of face 0; its own normal is the zero
    // vector, and vertex 3, used by no face, gets zero too (no NaN).
    Model m = MeshModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2}, {0, 0, 1}});
    ComputeVertexNormals(&m);
    ComputeFaceNormals(&m);
    ExpectNormal(0, 0, 1, VertexNormal(m, 0));
    ExpectNormal(0, 0, 1, VertexNormal(m, 1));
    const Vec3 zero = {0, 0, 0}, degenerate = FaceNormal(m, 1), unused = VertexNormal(m, 3);
    EXPECT_EQ(0, memcmp(&degenerate, &zero, sizeof(Vec3)));
    EXPECT_EQ(0, memcmp(&unused, &zero, sizeof(Vec3)));
    FreeModel(&m);
}

TEST(Normals, OnePassMatchesThePlainScanBitForBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    for (int round = 0; round < 20; round++) {
        const int vertices = 1 + round * 13, faces = round * 29;
        std::vector<Vec3> points(vertices);
        for (Vec3 &p : points) p = {coordinate(random), coordinate(random), coordinate(random)};
        std::uniform_int_distribution<int> index(0, vertices - 1);
        std::vector<std::array<int, 3>> list(faces);
        // Small meshes name the same vertex twice in a face often.
        for (auto &f : list) f = {index(random), index(random), index(random)};
        Model fast = MeshModel(points, list), plain = MeshModel(points, list);
        ComputeVertexNormals(&fast);
        scenefiles::ScanVertexNormals(plain.meshes);
        EXPECT_EQ(0,
                  memcmp(fast.meshes->vertices, plain.meshes->vertices, sizeof(Vertex) * vertices))
            << "round " << round;
        FreeModel(&fast);
        FreeModel(&plain);
    }
}

} // namespace
