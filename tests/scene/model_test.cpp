// LoadModel: values at their label distances, node transforms, materials,
// console lines, and refusal of malformed files.
#include <cmath>
#include <cstring>
#include <filesystem>

#include "scene_test.h"

using scenefiles::MaterialDesc;
using scenefiles::MeshDesc;

namespace {

const char *kHalfRoot = "0.707106781"; // sqrt(1/2)

// Two meshes (the second turned by the quaternion (0, 0, s, s)) and two
// materials: the scene most cases below start from or change one thing in.
std::string TwoMeshScene() {
    MeshDesc shifted;
    shifted.position[0] = "10";
    shifted.position[1] = "20";
    shifted.position[2] = "30";
    shifted.vertices = {"0 0 0", "1 0 0", "0 1 0"};
    shifted.faces = {{0, 1, 2, 0}};
    MeshDesc turned;
    turned.rotation[2] = kHalfRoot;
    turned.rotation[3] = kHalfRoot;
    turned.vertices = {"1 0 0", "0 2 0", "0 0 3"};
    turned.faces = {{0, 1, 2, -1}, {2, 1, 0, 1}};
    MaterialDesc plain;
    plain.ambientCoeff = "0.8";
    MaterialDesc shiny;
    shiny.ambientCoeff = "2";
    shiny.diffuseCoeff = "0.75";
    shiny.specularCoeff = "1.5";
    shiny.shininess = "99";
    return scenefiles::SceneText({shifted, turned}, {plain, shiny});
}

// text with the first (or, with last set, the last) from replaced by to.
std::string Replaced(std::string text, const std::string &from, const std::string &to,
                     bool last = false) {
    const size_t at = last ? text.rfind(from) : text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

void ExpectSameModel(const Model *a, const Model *b) {
    ASSERT_EQ(a->meshCount, b->meshCount);
    ASSERT_EQ(a->materialCount, b->materialCount);
    for (int i = 0; i < a->meshCount; i++) {
        const Mesh &m = a->meshes[i], &n = b->meshes[i];
        ASSERT_EQ(m.vertexCount, n.vertexCount);
        ASSERT_EQ(m.faceCount, n.faceCount);
        EXPECT_EQ(0, memcmp(m.vertices, n.vertices, sizeof(Vertex) * m.vertexCount));
        EXPECT_EQ(0, memcmp(m.faces, n.faces, sizeof(Face) * m.faceCount));
    }
    EXPECT_EQ(0, memcmp(a->materials, b->materials, sizeof(Material) * a->materialCount));
}

TEST(Quaternion, QuarterTurnAboutZAndPointThroughNode) {
    // (0, 0, s, s) with s = sqrt(1/2) turns (1, 0, 0) into (0, -1, 0); the
    // node's translation column is added after the rotation.
    const float s = (float)sqrt(0.5);
    Matrix4 m;
    for (int i = 0; i < 16; i++) m.m[i] = 100.0f + i; // the seven other elements must survive
    QuaternionToMatrix(&m, 0, 0, s, s);
    MatrixSetTranslation(&m, 10, 20, 30);
    Vertex v = {0, 0, 0, 7, 8, 9};
    ApplyMatrixToPoint(&m, &v, 1, 0, 0);
    EXPECT_NEAR(v.x, 10.0f, 1e-6);
    EXPECT_NEAR(v.y, 19.0f, 1e-6);
    EXPECT_NEAR(v.z, 30.0f, 1e-6);
    EXPECT_EQ(v.nx, 7.0f); // the normal is not touched
    for (int i : {12, 13, 14, 15}) EXPECT_EQ(m.m[i], 100.0f + i);
}

TEST(LoadModel, ReadsEveryValueAndPrintsTheLoadersLines) {
    const std::string path = WriteTemp("two-mesh.txt", TwoMeshScene());
    Model *model = nullptr;
    const std::string out = Captured([&] { model = LoadModel(path.c_str()); });
    ASSERT_NE(model, nullptr) << out;
    EXPECT_EQ(out, "<" + path + "> Contains <2> Mesh(es)\n" +
                       "rot: x : 0.000000   y : 0.000000  z : 0.000000  w : 1.000000\n"
                       "rot: x : 0.000000   y : 0.000000  z : 0.707107  w : 0.707107\n"
                       "done loading topology and geology\n"
                       "\n\nStatus:\nTotalVertices : 6\nTotalFaces : 3\n\n\n"
                       "AmbCoef = 0.000000\nDifCoef = 0.500000\nSpeCoef = 0.250000\n"
                       "AmbColor r = 0.100000  g = 0.200000  b = 0.300000\n"
                       "DifColor r = 0.400000  g = 0.500000  b = 0.600000\n"
                       "SpeColor r = 0.700000  g = 0.800000  b = 0.900000\n"
                       "AmbCoef = 2.000000\nDifCoef = 0.750000\nSpeCoef = 1.500000\n"
                       "AmbColor r = 0.100000  g = 0.200000  b = 0.300000\n"
                       "DifColor r = 0.400000  g = 0.500000  b = 0.600000\n"
                       "SpeColor r = 0.700000  g = 0.800000  b = 0.900000\n"
                       "Computing normals\n"
                       "\nLoading of " +
                       path + " is complete...\n");

    ASSERT_EQ(model->meshCount, 2);
    ASSERT_EQ(model->materialCount, 2);
    // The node position (10, 20, 30) with no rotation only shifts the vertices.
    const Mesh &shifted = model->meshes[0];
    ASSERT_EQ(shifted.vertexCount, 3);
    ASSERT_EQ(shifted.faceCount, 1);
    const float expected[3][3] = {{10, 20, 30}, {11, 20, 30}, {10, 21, 30}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(shifted.vertices[i].x, expected[i][0]);
        EXPECT_EQ(shifted.vertices[i].y, expected[i][1]);
        EXPECT_EQ(shifted.vertices[i].z, expected[i][2]);
    }
    EXPECT_EQ(shifted.faces[0].c, 2);
    EXPECT_EQ(shifted.faces[0].visible, 1);
    EXPECT_EQ(shifted.faces[0].material, 0);
    // (0, 0, s, s) turns (1, 0, 0) into (0, -1, 0) and (0, 2, 0) into (2, 0, 0).
    const Mesh &turned = model->meshes[1];
    EXPECT_NEAR(turned.vertices[0].x, 0.0f, 1e-6);
    EXPECT_NEAR(turned.vertices[0].y, -1.0f, 1e-6);
    EXPECT_NEAR(turned.vertices[0].z, 0.0f, 1e-6);
    EXPECT_NEAR(turned.vertices[1].x, 2.0f, 1e-6);
    EXPECT_NEAR(turned.vertices[1].y, 0.0f, 1e-6);
    EXPECT_NEAR(turned.vertices[2].z, 3.0f, 1e-6);
    EXPECT_EQ(turned.faces[0].material, -1); // no material, kept as read
    EXPECT_EQ(turned.faces[1].a, 2);
    EXPECT_EQ(turned.faces[1].material, 1);
    // Working arrays exist for the renderer, one entry per vertex.
    EXPECT_NE(turned.viewVertices, nullptr);
    EXPECT_NE(turned.screenVertices, nullptr);
    EXPECT_NE(turned.vertexState, nullptr);

    // The ambient coefficient is an integer (0.8 -> 0, 2 -> 2); the others keep
    // their fractions; shininess is 50 whatever the file says.
    const Material &plain = model->materials[0], &shiny = model->materials[1];
    EXPECT_EQ(plain.ambientCoeff, 0.0f);
    EXPECT_EQ(shiny.ambientCoeff, 2.0f);
    EXPECT_EQ(shiny.diffuseCoeff, 0.75f);
    EXPECT_EQ(shiny.specularCoeff, 1.5f);
    EXPECT_EQ(plain.shininess, 50.0f);
    EXPECT_EQ(shiny.shininess, 50.0f);
    EXPECT_EQ(plain.ambient.g, 0.2f);
    EXPECT_EQ(plain.diffuse.b, 0.6f);
    EXPECT_EQ(plain.specular.r, 0.7f);

    const Matrix4 *matrices[3] = {&model->rotation, &model->translation, &model->transform};
    for (const Matrix4 *m : matrices)
        for (int i = 0; i < 16; i++) EXPECT_EQ(m->m[i], i % 5 == 0 ? 1.0f : 0.0f);
    DropModel(model);
}

TEST(LoadModel, CrLfAndLfLoadIdenticalModels) {
    Model *lf = nullptr, *crlf = nullptr;
    const std::string text = TwoMeshScene();
    LoadModelBytes("lf.txt", text, &lf);
    LoadModelBytes("crlf.txt", scenefiles::WithCrLf(text), &crlf);
    ASSERT_NE(lf, nullptr);
    ASSERT_NE(crlf, nullptr);
    ExpectSameModel(lf, crlf);
    DropModel(lf);
    DropModel(crlf);
}

TEST(LoadModel, MissingFileIsReportedByName) {
    Model *model = nullptr;
    const std::string out = Captured([&] { model = LoadModel("no/such/scene.txt"); });
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(out, "Unable To load: no/such/scene.txt: No such file or directory\n");
}

struct Malformed {
    const char *name;
    std::string text;
    const char *problem;
};

TEST(LoadModel, MalformedFilesAreRefusedWithOneLine) {
    const std::string good = TwoMeshScene();
    const std::string meshCount = scenefiles::Label("Number of geom objects:", 29);
    const Malformed cases[] = {
        {"empty file", "", "the file is empty"},
        {"missing mesh count key", Replaced(good, "geom objects", "geom-objects"),
         "scene: no \"Number of geom objects:\" key"},
        // Keys are searched onwards from the item's start, so only the last
        // item's key is truly missing: an earlier one would find the next's.
        {"missing key in a mesh", Replaced(good, "Vertices:", "Vertexes:", true),
         "mesh 2: no \"Vertices:\" key"},
        {"missing material key", Replaced(good, "Shininess:", "Shine:", true),
         "material 2: no \"Shininess:\" key"},
        {"key at the very end", "Number of geom objects:", "the file ends before the mesh count"},
        {"negative mesh count", Replaced(good, meshCount + "2", meshCount + "-1"),
         "mesh count -1 is negative"},
        {"absurd vertex count", Replaced(good, "faces 3", "faces 2000000000"),
         "vertex count 2000000000 is more than the file"},
        {"absurd material count",
         Replaced(good, "materials:         2", "materials:         99999"),
         "material count 99999 is more than the file"},
        {"vertex list shorter than its count", Replaced(good, "faces 3", "faces 4"),
         "vertex coordinate \"Triangle\" is not a number"},
        {"face list shorter than its count", Replaced(good, "data: 1", "data: 2"),
         "face vertex index is missing"},
        {"face vertex index too large", Replaced(good, "0 1 2 1", "0 1 3 1"),
         "mesh 1: face 0 names vertices 0 1 3 of 3"},
        {"negative face vertex index", Replaced(good, "0 1 2 1", "0 -1 2 1"),
         "names vertices 0 -1 2 of 3"},
        {"material index past the list", Replaced(good, "CA:1     0", "CA:1     2"),
         "mesh 1: face 0 names material 2 of 2"},
        {"material index below -1", Replaced(good, "CA:1     0", "CA:1     -2"),
         "names material -2 of 2"},
        {"token of 20 characters", Replaced(good, "0 0 0\n", "0.000000000000000000 0 0\n"),
         "vertex coordinate of 20 characters"},
        {"value that is not a number", Replaced(good, "data: 1", "data: one"),
         "face count \"one\" is not a number"},
        {"number beyond float", Replaced(good, "0 2 0", "0 1e39 0"), "1e39 is out of range"},
        {"NUL byte", Replaced(good, "Vertices", std::string("Vert\0ces", 8)), "NUL byte at line 7"},
        {"0xFF byte",
         Replaced(good, "Vertices",
                  "Vert\xff"
                  "ces"),
         "0xFF byte at line 7"},
    };
    for (const Malformed &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteTemp("malformed.txt", c.text);
        Model *model = nullptr;
        const std::string out = Captured([&] { model = LoadModel(path.c_str()); });
        EXPECT_EQ(model, nullptr);
        ExpectRefused(out, path, c.problem);
        DropModel(model);
    }
}

// Every prefix of a valid file is refused with one line, until the cut falls
// inside the ignored shininess token of the last material.
TEST(LoadModel, EveryTruncationIsRefusedOrLoadsTheWholeScene) {
    const std::string good = TwoMeshScene();
    Model *whole = nullptr;
    LoadModelBytes("whole.txt", good, &whole);
    ASSERT_NE(whole, nullptr);
    const size_t lastShininess = good.rfind("Shininess:") + 25;
    for (size_t n = 0; n < good.size(); n++) {
        Model *model = nullptr;
        const std::string out = LoadModelBytes("cut.txt", good.substr(0, n), &model);
        if (model) {
            EXPECT_GE(n, lastShininess);
            ExpectSameModel(model, whole);
        } else {
            ExpectRefused(out, "cut.txt", "");
        }
        DropModel(model);
    }
    DropModel(whole);
}

// The fuzzers' seeds and every input they once crashed on: each file loads
// or is refused with one line (and, under the sanitizers, nothing strays).
TEST(LoadModel, FuzzCorpusFilesLoadOrAreRefused) {
    for (const char *dir : {"/tests/fuzz/loadmodel", "/tests/fuzz/loadlight"}) {
        const std::filesystem::path folder = std::string(GF_SOURCE_DIR) + dir;
        ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::string path = entry.path().string();
            SCOPED_TRACE(path);
            Model *model = nullptr;
            std::string out = Captured([&] { model = LoadModel(path.c_str()); });
            if (!model) ExpectRefused(out, path, "");
            DropModel(model);
            Light *light = nullptr;
            out = Captured([&] { light = LoadLight(path.c_str()); });
            if (!light) ExpectRefused(out, path, "");
            free(light);
        }
    }
}

} // namespace
