// The generated data folder: every file loads with the show's own loaders,
// the scenes sit in front of the viewer and fill the view where the timeline
// places them, the pictures keep the properties their roles depend on, the
// music meets its choreography, and two runs of the generator give the same
// bytes.
//
// The generator runs twice per build of it, into
// GF_BINARY_DIR/assetgen-test/<build>/{a,b}/data; the test cases (one
// process each under ctest) share those folders.
#include "platform/audio.h"
#include "raster2d/image.h"
#include "raster2d/raster2d.h"
#include "render3d/render3d.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kGenerator = std::string(GF_BINARY_DIR) + "/assetgen";

std::string Quote(const std::string &s) {
    return "'" + s + "'";
}

// Returns the folder that holds data/ from run `which` ("a" or "b") of the
// current generator, running it if no finished run exists yet. Concurrent
// test processes each generate into a folder of their own and publish it with
// one rename; the loser of a race throws its copy away.
std::string Generated(const char *which) {
    struct stat st;
    if (stat(kGenerator.c_str(), &st) != 0) return "";
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%lld-%lld",
                  (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                  (long long)st.st_size);
    std::string root = std::string(GF_BINARY_DIR) + "/assetgen-test";
    std::string base = root + "/" + stamp, done = base + "/" + which;
    mkdir(root.c_str(), 0755);
    // Runs of earlier builds of the generator are stale: clear them away.
    if (DIR *d = opendir(root.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.' && std::string(e->d_name) != stamp)
                std::system(("rm -rf " + Quote(root + "/" + e->d_name)).c_str());
        closedir(d);
    }
    mkdir(base.c_str(), 0755);
    if (stat((done + "/data/final.mp3").c_str(), &st) == 0) return done;
    std::string tmp = base + "/tmp-XXXXXX";
    if (!mkdtemp(tmp.data())) return "";
    // Run b replaces a data/ left by something else: it must hold only
    // what the generator makes afterwards.
    if (std::string(which) == "b") {
        mkdir((tmp + "/data").c_str(), 0755);
        std::ofstream(tmp + "/data/stale.jpg") << "left from an older run";
    }
    std::string cmd = Quote(kGenerator) + " " + Quote(tmp + "/data") + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) return "";
    if (rename(tmp.c_str(), done.c_str()) != 0) std::system(("rm -rf " + Quote(tmp)).c_str());
    return done;
}

class Assets : public ::testing::Test {
  protected:
    void SetUp() override {
        root = Generated("a");
        ASSERT_FALSE(root.empty()) << "could not run " << kGenerator;
        data = root + "/data/";
    }
    std::string root, data;
};

// The sum of spectrum bins first..last for the window that ends `seconds`
// into the music.
float BinsAt(const MusicPcm *pcm, double seconds, int first, int last) {
    float s[SPECTRUM_SIZE], sum = 0;
    ComputeSpectrum(pcm, (int64_t)std::llround(seconds * 44100), s);
    for (int k = first; k <= last; k++) sum += s[k];
    return sum;
}

// The largest value each of spectrum bins 0-4 takes at any frame of the show.
void SpectrumPeaks(const std::string &mp3, float peaks[5]) {
    MusicPcm *pcm = LoadMusicPcm(mp3.c_str());
    ASSERT_NE(pcm, nullptr);
    float s[SPECTRUM_SIZE];
    std::fill(peaks, peaks + 5, 0.0f);
    for (int64_t f = 0; f < 186 * 60; f++) {
        ComputeSpectrum(pcm, f * 735, s);
        for (int k = 0; k < 5; k++) peaks[k] = std::max(peaks[k], s[k]);
    }
    FreeMusicPcm(pcm);
}

float Radius(const Model *m) {
    float r = 0;
    for (int i = 0; i < m->meshCount; i++)
        for (int v = 0; v < m->meshes[i].vertexCount; v++) {
            const Vertex &p = m->meshes[i].vertices[v];
            r = std::max(r, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
        }
    return r;
}

// One place where the timeline draws a scene: the translation with the
// spectrum terms at whichever end brings the object nearest, the light's z
// as the part sets it (or none), and whether the part lays the render over a
// picture by its blue byte.
struct Placement {
    const char *scene;
    const char *light; // null: the World has no light
    float lightZ;
    float x, y, zNear; // zNear: the nearest the timeline brings the object
    float minCount;    // fewest vertices the part needs
};

TEST_F(Assets, ScenesLoadAndStayInFrontOfTheViewer) {
    float peak[5];
    SpectrumPeaks(data + "final.mp3", peak);
    const Placement places[] = {
        {"roculus.txt", "lys.txt", 0, 0, -40, 350, 8000}, // dense enough to read as a solid tube
        {"spikeball.txt", "lys.txt", 0, -30, -5, 150, 0}, // Part Eight at silence
        {"spikeball.txt", "lys.txt", 0, 30, -20, 130, 0}, // Part Nine's nearest camera
        {"spikeball.txt", "lys.txt", 0, 0, -60, 200 - peak[2] * 80, 0}, // its last, by S2
        {"stars.txt", "lys.txt", 100, 0, -40, 180, 0},
        {"cube.txt", "lys.txt", 300, 0, -110, 420, 0},
        {"diamond.txt", "nyttlys.txt", 0, 50, -10, 150, 0},
        {"love.txt", "nyttlys.txt", 40, 0, -20, 130, 0},
        {"dabomb.txt", "lys.txt", 150, 0, -80, 220, 0},
        {"butterfly.txt", nullptr, 0, 100, 200, 1050 - peak[4] * 450,
         0}, // the nearest of the swarm
    };
    for (const Placement &p : places) {
        SCOPED_TRACE(p.scene);
        Model *m = LoadModel((data + p.scene).c_str());
        ASSERT_NE(m, nullptr);
        ASSERT_GE(m->meshCount, 1);
        ASSERT_GE(m->materialCount, 1);
        int vertices = 0;
        for (int i = 0; i < m->meshCount; i++) {
            const Mesh &mesh = m->meshes[i];
            vertices += mesh.vertexCount;
            EXPECT_GT(mesh.faceCount, 0);
            for (int f = 0; f < mesh.faceCount; f++) {
                const Face &face = mesh.faces[f];
                ASSERT_TRUE(face.a >= 0 && face.a < mesh.vertexCount && face.b >= 0 &&
                            face.b < mesh.vertexCount && face.c >= 0 && face.c < mesh.vertexCount);
                ASSERT_TRUE(face.material >= -1 && face.material < m->materialCount);
            }
        }
        EXPECT_GE(vertices, p.minCount);
        for (int i = 0; i < m->materialCount; i++) {
            EXPECT_EQ(m->materials[i].shininess, 50.0f);
            EXPECT_EQ(m->materials[i].ambientCoeff, std::floor(m->materials[i].ambientCoeff));
        }
        // Whatever the rotation, every vertex stays well in front of the
        // viewer, and the object spans a good part of the 256-row view; the
        // moon hangs near the view's top and is kept small enough to fit.
        float r = Radius(m);
        EXPECT_GT(p.zNear - r, 20.0f);
        EXPECT_GT(2 * r / p.zNear * 400, std::strcmp(p.scene, "dabomb.txt") ? 90.0f : 50.0f);
        FreeModel(m);
        free(m);
    }
}

// Renders the scene at its placement the way the timeline does and returns
// the covered share of the 512 x 256 target, the mean blue of the covered
// pixels and the covered pixels of its top row.
void Render(const std::string &data, const Placement &p, uint32_t background, double *coverage,
            double *blue, int *topRow) {
    static float depth[512 * 384];
    std::vector<uint32_t> pixels(512 * 256, background);
    World *w = NewWorld(1, p.light ? 1 : 0);
    Model *m = LoadModel((data + p.scene).c_str());
    ASSERT_NE(m, nullptr);
    w->models[0] = *m;
    free(m);
    if (p.light) {
        Light *l = LoadLight((data + p.light).c_str());
        ASSERT_NE(l, nullptr);
        w->lights[0] = *l;
        w->lights[0].position.z = p.lightZ;
        free(l);
    }
    MatrixTranslate(&w->models[0].translation, p.x, p.y, p.zNear);
    MatrixRotate(&w->models[0].rotation, 0.4f, 2.07f, 0.3f);
    RenderWorld(pixels.data(), depth, w);
    int covered = 0;
    double sum = 0;
    for (uint32_t q : pixels)
        if (q != background) covered++, sum += q & 255;
    *coverage = covered / (512.0 * 256);
    *topRow = 0;
    for (int x = 0; x < 512; x++) *topRow += pixels[x] != background;
    *blue = covered ? sum / covered : 0;
    FreeWorld(w);
    free(w);
}

// The highest and lowest view row (centre row 194, focal length 400) that
// any vertex of m's first `meshes` meshes (all for -1) reaches at the
// translation (0, y, z), turned by the renderer's own MatrixRotate at each
// of the given angle triples.
void RowRange(const Model *m, float y, float z, const std::vector<Vec3> &turns, float *top,
              float *bottom, int meshes = -1) {
    *top = 1e9f, *bottom = -1e9f;
    const int count = meshes < 0 ? m->meshCount : std::min(meshes, m->meshCount);
    for (const Vec3 &a : turns) {
        Matrix4 r;
        MatrixIdentity(&r);
        MatrixRotate(&r, a.x, a.y, a.z);
        for (int i = 0; i < count; i++)
            for (int v = 0; v < m->meshes[i].vertexCount; v++) {
                const Vertex &p = m->meshes[i].vertices[v];
                Vec3 q = RotateVector(&r, p.x, p.y, p.z);
                float row = 194 + (q.y + y) / (q.z + z) * 400;
                *top = std::min(*top, row), *bottom = std::max(*bottom, row);
            }
    }
}

TEST_F(Assets, HungObjectsStayInsideTheViewAndKeepTheirColoursApart) {
    // The crystal itself (hung 40 units up at z 180, its satellites aside)
    // stays inside the view's 256 rows whichever way it turns; the knot (40 up at z 350), at every
    // turn the show gives it (a tenth of a radian a second about each axis, from Part Two to Part
    // Four), stays inside them with 24 rows to spare at the bottom, where a growing wave draws the
    // layer it lies in. The lake's moon, hung near the top at z 220, stays inside the
    // top row through the lake loop's turns. The spikeball, low in Eight's
    // view (5 units up at z 150 between kicks, further down on them), keeps
    // its points above the bottom row at every turn of the part and on
    // kicks of up to a tenth in bin 0.
    std::vector<Vec3> everyTurn, knotTurns;
    for (float ax = 0; ax < 6.3f; ax += 0.15f)
        for (float ay = 0; ay < 6.3f; ay += 0.15f)
            for (float az = 0; az < 6.3f; az += 0.15f) everyTurn.push_back({ax, ay, az});
    for (float t = 11.4f; t <= 39.5f; t += 0.05f)
        knotTurns.push_back({t * 0.1f, t * 0.1f, t * 0.1f});
    std::vector<Vec3> bombTurns; // the lake loop's
    for (float t = 73; t <= 84.8f; t += 0.02f) bombTurns.push_back({t * 0.2f, t * 0.3f, t * 0.2f});
    std::vector<Vec3> ballTurns; // Eight's
    for (float t = 84.78f; t <= 91.4f; t += 0.02f)
        ballTurns.push_back({t * 0.9f, t * 0.9f, t * -0.5f});
    struct Case {
        const char *scene;
        float y, z;
        const std::vector<Vec3> *turns;
        float minTop, maxBottom;
        int meshes;
    } cases[] = {
        {"stars.txt", -40, 180, &everyTurn, 0, 255, 1},
        {"roculus.txt", -40, 350, &knotTurns, 0, 231, -1},
        {"dabomb.txt", -80, 220, &bombTurns, 0, 255, -1},
        {"spikeball.txt", -5 + 0.1f * 40, 150, &ballTurns, 0, 255, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scene);
        Model *m = LoadModel((data + c.scene).c_str());
        ASSERT_NE(m, nullptr);
        float top, bottom;
        RowRange(m, c.y, c.z, *c.turns, &top, &bottom, c.meshes);
        EXPECT_GE(top, c.minTop);
        EXPECT_LE(bottom, c.maxBottom);
        FreeModel(m);
        free(m);
    }
    // A vertex is lit once, for the first face drawn there: a vertex shared
    // by faces of two materials would shade one toward the other. The
    // crystal's two pyramids, the moon's seas, the spikeball's points, the
    // heart's two tubes and its sparks, and the orb's belts keep vertices
    // of their own.
    for (const char *scene : {"stars.txt", "dabomb.txt", "spikeball.txt", "love.txt", "cube.txt"}) {
        SCOPED_TRACE(scene);
        Model *m = LoadModel((data + scene).c_str());
        ASSERT_NE(m, nullptr);
        std::vector<int> used;
        for (int i = 0; i < m->meshCount; i++) {
            const Mesh &mesh = m->meshes[i];
            used.assign(mesh.vertexCount, -2);
            int shared = 0;
            for (int f = 0; f < mesh.faceCount; f++)
                for (int k : {mesh.faces[f].a, mesh.faces[f].b, mesh.faces[f].c}) {
                    if (used[k] != -2 && used[k] != mesh.faces[f].material) shared++;
                    used[k] = mesh.faces[f].material;
                }
            EXPECT_EQ(shared, 0) << "mesh " << i;
        }
        std::set<int> materials;
        for (int i = 0; i < m->meshCount; i++)
            for (int f = 0; f < m->meshes[i].faceCount; f++)
                materials.insert(m->meshes[i].faces[f].material);
        // Two pyramids and their frosted points; land and seas; spikes and
        // their points; the two tubes and the sparks; orb, cage and belts.
        const bool three = !std::strcmp(scene, "stars.txt") || !std::strcmp(scene, "love.txt");
        EXPECT_GE(materials.size(), three ? 3u : 2u);
        FreeModel(m);
        free(m);
    }
}

TEST_F(Assets, LitScenesShowAndCarryBlueWhereBlendedByBlue) {
    // Stars, love and dabomb are laid over pictures by their blue byte; the
    // butterfly, drawn without lights, is black and blue on white.
    struct Case {
        Placement place;
        uint32_t background;
        double minCoverage, minBlue;
    } cases[] = {
        {{"stars.txt", "lys.txt", 100, 0, -40, 180, 0}, 0, 0.05, 90},
        {{"cube.txt", "lys.txt", 300, 0, -110, 440, 0}, 0, 0.08, 0},
        {{"diamond.txt", "nyttlys.txt", 0, 50, -10, 150, 0}, 0xFFFFFFFF, 0.08, 90},
        {{"love.txt", "nyttlys.txt", 40, 0, -20, 130, 0}, 0, 0.05, 90}, // two tubes, open middle
        // The lake's moon is whole in the view and mostly opaque: its warm
        // land lets little through, its shaded side and grey seas some, and
        // what shows there is the picture's own moon, which stands right
        // behind it (the lake test below), never the night sky.
        {{"dabomb.txt", "lys.txt", 150, 0, -80, 220, 0}, 0, 0.012, 190},
        // Whole, low left; gold, so the zoomed copy Eight lays by blue is a
        // faint ghost, but not gone.
        {{"spikeball.txt", "lys.txt", 0, -30, -5, 150, 0}, 0, 0.06, 40},
        {{"butterfly.txt", nullptr, 0, 200, -200, 1250, 0}, 0xFFFFFFFF, 0.04, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.place.scene);
        double coverage, blue;
        int topRow;
        Render(data, c.place, c.background, &coverage, &blue, &topRow);
        EXPECT_GE(coverage, c.minCoverage);
        EXPECT_GE(blue, c.minBlue);
        if (!std::strcmp(c.place.scene, "dabomb.txt")) {
            EXPECT_EQ(topRow, 0);
        }
    }
}

// The crystal's World as Parts Six and Seven place it, with their light;
// null when its files do not load.
World *CrystalWorld(const std::string &data) {
    Model *m = LoadModel((data + "stars.txt").c_str());
    Light *l = LoadLight((data + "lys.txt").c_str());
    if (!m || !l) {
        free(m), free(l);
        return nullptr;
    }
    World *w = NewWorld(1, 1);
    w->models[0] = *m, w->lights[0] = *l;
    free(m), free(l);
    w->lights[0].position.z = 100;
    MatrixTranslate(&w->models[0].translation, 0, -40, 180);
    return w;
}

// The crystal's World rendered alone on black at the turn the show gives it
// at music time t (0.15 radian a second about each axis).
std::vector<uint32_t> RenderCrystal(World *w, float t) {
    static float depth[512 * 384];
    std::vector<uint32_t> pixels(512 * 256, 0);
    std::fill(std::begin(depth), std::end(depth), 0.0f);
    MatrixIdentity(&w->models[0].rotation);
    MatrixRotate(&w->models[0].rotation, t * 0.15f, t * 0.15f, t * 0.15f);
    RenderWorld(pixels.data(), depth, w);
    return pixels;
}

TEST_F(Assets, TheCrystalWarmsAsSevenGoesOn) {
    // The crystal turns a fixed 0.15 radian a second about each axis; the
    // faces it shows over the still ferns lean to blue, those it shows
    // through the mosaic and the smoke to red. Measured as the mean red
    // less the mean blue of its covered pixels, with the part's own light.
    World *w = CrystalWorld(data);
    ASSERT_NE(w, nullptr);
    auto warmth = [&](float t0, float t1) {
        double sum = 0;
        int frames = 0;
        for (float t = t0; t < t1; t += 0.5f, frames++) {
            std::vector<uint32_t> pixels = RenderCrystal(w, t);
            double red = 0, blue = 0;
            int covered = 0;
            for (uint32_t q : pixels)
                if (q) covered++, red += q >> 16 & 255, blue += q & 255;
            sum += covered ? (red - blue) / covered : 0;
        }
        return sum / frames;
    };
    double ferns = warmth(51.5f, 55.5f), mosaic = warmth(61.5f, 67.5f);
    EXPECT_LT(ferns + 20, mosaic) << ferns << " " << mosaic;
    FreeWorld(w);
    free(w);
}

TEST_F(Assets, TheCrystalsSatellitesSweepTheViewAndStayInIt) {
    // Small stars ride the crystal's turn far outside it: through Six and
    // Seven some always show well away from the crystal, they reach every
    // quarter of the view over the two parts, and none ever touches the
    // view's edge, where a span would be dropped and a star cut.
    World *w = CrystalWorld(data);
    ASSERT_NE(w, nullptr);
    int quarters[4] = {0, 0, 0, 0}, fewest = 1 << 30;
    for (float t = 43.5f; t <= 73.0f; t += 0.25f) {
        std::vector<uint32_t> pixels = RenderCrystal(w, t);
        int away = 0, edge = 0;
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 512; x++) {
                if (!pixels[y * 512 + x]) continue;
                // The crystal's own reach is about 100 pixels around (256, 105).
                if (std::hypot(x - 256.0, y - 105.0) > 130) {
                    away++;
                    edge += x == 0 || x == 511 || y == 0 || y == 255;
                    quarters[(x >= 256) + 2 * (y >= 128)]++;
                }
            }
        EXPECT_EQ(edge, 0) << "at " << t;
        fewest = std::min(fewest, away);
    }
    EXPECT_GT(fewest, 150);
    for (int q : quarters) EXPECT_GT(q, 2000);
    FreeWorld(w);
    free(w);
}

// Renders the unlit butterfly on white at (0, 0, 1050), turned by `pitch`
// about x after the turn that faces it to the viewer, and counts its black
// and blue pixels and the box around them.
void RenderButterfly(const std::string &data, float pitch, int *black, int *blue, double *box) {
    static float depth[512 * 384];
    std::vector<uint32_t> pixels(512 * 256, 0xFFFFFF);
    World *w = NewWorld(1, 0);
    Model *m = LoadModel((data + "butterfly.txt").c_str());
    ASSERT_NE(m, nullptr);
    w->models[0] = *m;
    free(m);
    MatrixTranslate(&w->models[0].translation, 0, 0, 1050);
    MatrixRotate(&w->models[0].rotation, pitch, 2.07f, 0);
    RenderWorld(pixels.data(), depth, w);
    int x0 = 512, x1 = 0, y0 = 256, y1 = 0;
    *black = *blue = 0;
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++) {
            uint32_t q = pixels[y * 512 + x];
            if (q == 0xFFFFFF) continue;
            *black += q == 0, *blue += q == 0xFF;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    *box = x1 < x0 ? 0 : (x1 - x0 + 1.0) * (y1 - y0 + 1.0);
    EXPECT_GT(x1 - x0, 120);
    FreeWorld(w);
    free(w);
}

TEST_F(Assets, ButterflyIsABlackLatticeWithOpenCellsAtEveryTurn) {
    // The show lays the butterfly over pictures by its blue byte, inverted or
    // not, and flips between the two on loud frames: it must be black (no
    // blue, which would swap with the picture on every flip) and leave open
    // cells (a solid shape reads as a blank silhouette, and its jumps on the
    // kicks would swing a region's brightness).
    int black, blue;
    double box;
    RenderButterfly(data, 0, &black, &blue, &box);
    EXPECT_LT((black + blue) / box, 0.5);
    EXPECT_GT(black / box, 0.2);
    EXPECT_EQ(blue, 0);
    // The finale tumbles it about x: no turn leaves only a sliver of wing.
    int least = black;
    for (int i = 1; i < 32; i++) {
        int b, u;
        double bx;
        RenderButterfly(data, i * 0.1f, &b, &u, &bx);
        least = std::min(least, b);
        EXPECT_EQ(u, 0);
    }
    EXPECT_GT(least, black / 10); // flat wings: under 5 % edge-on
}

// Whether point p lies inside the closed surface of mesh, by the parity of
// the crossings of a ray from p (its direction is skewed off every axis, so
// it does not graze the edges of a regular mesh).
static bool InsideMesh(const Mesh &mesh, double px, double py, double pz) {
    const double dx = 1, dy = 0.1234, dz = 0.0567;
    int crossings = 0;
    for (int f = 0; f < mesh.faceCount; f++) {
        const Vertex &a = mesh.vertices[mesh.faces[f].a], &b = mesh.vertices[mesh.faces[f].b],
                     &c = mesh.vertices[mesh.faces[f].c];
        double e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        double h[3] = {dy * e2[2] - dz * e2[1], dz * e2[0] - dx * e2[2], dx * e2[1] - dy * e2[0]};
        double det = e1[0] * h[0] + e1[1] * h[1] + e1[2] * h[2];
        if (std::fabs(det) < 1e-12) continue;
        double s[3] = {px - a.x, py - a.y, pz - a.z};
        double u = (s[0] * h[0] + s[1] * h[1] + s[2] * h[2]) / det;
        if (u < 0 || u > 1) continue;
        double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2],
                       s[0] * e1[1] - s[1] * e1[0]};
        double v = (dx * q[0] + dy * q[1] + dz * q[2]) / det;
        if (v < 0 || u + v > 1) continue;
        crossings += (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det > 0;
    }
    return crossings % 2 == 1;
}

TEST_F(Assets, ClosedSurfacesFaceOutAndTheirVertexNormalsIn) {
    // The renderer draws a face whose normal points at the viewer and lights
    // with vertex normals that point into the object: a mesh written the
    // wrong way round would show its inside, lit from behind. A step along
    // a face's normal must leave the solid (the heart's tubes ring a hole,
    // so "away from the middle" would not do), and the normals of its
    // corners must turn the other way. The spikeball's flutes and the
    // tubes' pinched ends leave small seams, where the count can be wrong.
    for (const char *scene : {"cube.txt", "diamond.txt", "spikeball.txt", "love.txt"}) {
        SCOPED_TRACE(scene);
        Model *m = LoadModel((data + scene).c_str());
        ASSERT_NE(m, nullptr);
        const Mesh &mesh = m->meshes[0];
        const double step = 0.1; // scene units: under a tenth of the thinnest part
        int outward = 0, inward = 0;
        for (int f = 0; f < mesh.faceCount; f++) {
            const Face &face = mesh.faces[f];
            const Vertex &a = mesh.vertices[face.a], &b = mesh.vertices[face.b],
                         &c = mesh.vertices[face.c];
            outward += !InsideMesh(mesh, (a.x + b.x + c.x) / 3 + face.nx * step,
                                   (a.y + b.y + c.y) / 3 + face.ny * step,
                                   (a.z + b.z + c.z) / 3 + face.nz * step);
            for (const Vertex *p : {&a, &b, &c})
                inward += p->nx * face.nx + p->ny * face.ny + p->nz * face.nz < 0;
        }
        EXPECT_GE(outward, mesh.faceCount * 9 / 10);
        EXPECT_GE(inward, mesh.faceCount * 3 * 95 / 100);
        FreeModel(m);
        free(m);
    }
}

TEST_F(Assets, LightsReachTheirObjects) {
    // A light's fall-off reaches zero at its radius: every object it lights
    // must lie well inside it.
    struct Case {
        const char *file;
        float z, objectX, objectY, objectZ, objectRadius;
    } cases[] = {{"lys.txt", 0, 30, 20, 200, 45},       {"lys.txt", 100, 0, -40, 180, 60},
                 {"lys.txt", 300, 0, -110, 460, 105},   {"lys.txt", 150, 0, -80, 220, 50},
                 {"nyttlys.txt", 0, 150, -10, 150, 45}, {"nyttlys.txt", 40, 0, -20, 130, 45}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Light *l = LoadLight((data + c.file).c_str());
        ASSERT_NE(l, nullptr);
        float dx = c.objectX - l->position.x, dy = c.objectY - l->position.y, dz = c.objectZ - c.z;
        float far = std::sqrt(dx * dx + dy * dy + dz * dz) + c.objectRadius;
        EXPECT_GT((float)(uint32_t)l->radius, 1.3f * far);
        for (float ch : {l->color.r, l->color.g, l->color.b}) EXPECT_TRUE(ch >= 0.5f && ch <= 1.0f);
        free(l);
    }
}

// Loads a picture with the show's own loader, which reads "data/<name>"
// below the working directory.
Image *Load(const std::string &root, const char *name) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd) || chdir(root.c_str()) != 0) return nullptr;
    Image *image = LoadJpeg(name);
    if (chdir(cwd) != 0) return nullptr;
    return image;
}

const char *const kPictures[] = {"load.jpg",
                                 "key.jpg",
                                 "fear07.jpg",
                                 "smoke.jpg",
                                 "name.jpg",
                                 "overlay01.jpg",
                                 "splat.jpg",
                                 "Pale Fern part 01.jpg",
                                 "Pale Fern part 02.jpg",
                                 "Creds.jpg",
                                 "moah.jpg",
                                 "cani01.jpg",
                                 "cani02.jpg",
                                 "drake.jpg",
                                 "lake.jpg",
                                 "lakef.jpg",
                                 "over02.jpg",
                                 "skog.jpg",
                                 "mrea.jpg",
                                 "fette.jpg",
                                 "vertikal3.jpg",
                                 "gr.jpg"};

TEST_F(Assets, EveryPictureDecodesTo512x256) {
    for (const char *name : kPictures) {
        SCOPED_TRACE(name);
        Image *image = Load(root, name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, 512);
        EXPECT_EQ(image->height, 256);
        // Drawn pictures have many colours (a blank or flat one has few).
        std::vector<uint32_t> colours(image->pixels, image->pixels + 512 * 256);
        std::sort(colours.begin(), colours.end());
        EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 500);
        FreeJpeg(image);
    }
}

// Calls f(index, red, green, blue, pixel) for every pixel of the picture;
// false when it does not load.
template <class F> bool EachPixel(const std::string &root, const char *name, F f) {
    Image *image = Load(root, name);
    if (!image || image->width * image->height < 512 * 256) return false;
    for (int i = 0; i < 512 * 256; i++) {
        uint32_t p = image->pixels[i];
        f(i, (int)(p >> 16 & 255), (int)(p >> 8 & 255), (int)(p & 255), p);
    }
    FreeJpeg(image);
    return true;
}

TEST_F(Assets, TheFernCrownRadiatesFromTheCrystal) {
    // Parts Six and Seven copy Pale Fern part 01's bright pixels over the
    // fern bed, straight under the crystal's render (both 512 x 256, pixel
    // for pixel until the ripple, which pulls about the middle). The crystal
    // must sit in the crown's heart, and the fronds must read as separate
    // rays round it even in the mosaic's coarsest 11 x 11 blocks.
    World *w = CrystalWorld(data);
    ASSERT_NE(w, nullptr);
    MatrixRotate(&w->models[0].rotation, 51.5f * 0.15f, 51.5f * 0.15f, 51.5f * 0.15f);
    static float depth[512 * 384];
    std::vector<uint32_t> star(512 * 256, 0);
    RenderWorld(star.data(), depth, w);
    FreeWorld(w);
    free(w);
    double cx = 0, cy = 0;
    int covered = 0;
    for (int i = 0; i < 512 * 256; i++)
        if (star[i]) covered++, cx += i % 512, cy += i / 512;
    ASSERT_GT(covered, 500);
    cx /= covered, cy /= covered;

    std::vector<unsigned char> copied(512 * 256);
    std::vector<double> green(512 * 256);
    ASSERT_TRUE(EachPixel(root, "Pale Fern part 01.jpg", [&](int i, int, int g, int, uint32_t p) {
        copied[i] = p > 0x011112, green[i] = p > 0x011112 ? g : 0;
    }));
    // The heart: frond or the bed it lies on all round the crystal, no
    // black the bare bed would show through.
    int near = 0, heart = 0;
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 512; x++)
            if (std::hypot(x - cx, y - cy) < 40) near++, heart += copied[y * 512 + x];
    EXPECT_GT(heart, near * 9 / 10);
    // The rays: on a ring 90 pixels out, the green of the 11 x 11 blocks
    // rises over its mean and falls back once for each frond.
    auto block = [&](double x, double y) {
        int bx = (int)x / 11 * 11, by = (int)y / 11 * 11;
        double sum = 0;
        for (int j = by; j < std::min(by + 11, 256); j++)
            for (int i = bx; i < std::min(bx + 11, 512); i++) sum += green[j * 512 + i];
        return sum / 121;
    };
    std::vector<double> ring;
    double mean = 0;
    for (int k = 0; k < 720; k++) {
        double a = k * M_PI / 360;
        ring.push_back(block(cx + 90 * std::cos(a), std::clamp(cy + 90 * std::sin(a), 0.0, 255.0)));
        mean += ring.back() / 720;
    }
    int rays = 0;
    for (int k = 0; k < 720; k++)
        rays += ring[k] > mean * 1.15 && ring[(k + 719) % 720] <= mean * 1.15;
    EXPECT_GE(rays, 5) << "mean green " << mean;
}

TEST_F(Assets, PicturesKeepWhatTheirRolesNeed) {
    const int all = 512 * 256;
    // load.jpg: the bars of the opening show through exact black only; the
    // lower third and most of the picture are exactly 0.
    int zeros = 0, lowerNonZero = 0;
    ASSERT_TRUE(EachPixel(root, "load.jpg", [&](int i, int, int, int, uint32_t p) {
        zeros += p == 0;
        lowerNonZero += i >= 176 * 512 && p != 0;
    }));
    EXPECT_GT(zeros, all * 6 / 10);
    EXPECT_EQ(lowerNonZero, 0);

    // name.jpg: the opening fades black toward it by level/256 a frame, at
    // most level 10 (11 only on the frame at 5.5 s), which lifts a channel
    // off black only from 26 up (26 x 10 >= 256). Every sky pixel keeps one channel there, so the
    // bars stop at the horizon (the rule on row 194) and play only on the water.
    int skyDark = 0;
    ASSERT_TRUE(EachPixel(root, "name.jpg", [&](int i, int r, int g, int b, uint32_t) {
        skyDark += i < 190 * 512 && std::max({r, g, b}) < 26;
    }));
    EXPECT_EQ(skyDark, 0);

    // Below the horizon the bars must keep showing: through the hold on
    // the card they rise on the water between its ripple lines, where a
    // channel of 23 or less stays black at every level up to 11 (23 x 11 <
    // 256); through the key's fade (levels up to 15) they rise below row
    // 212, where a channel of 17 or less stays black, but for the key's bow
    // dipping into the water.
    // The share of a picture's pixels from row `from` down whose every
    // channel is at most `black`.
    auto blackBelow = [&](const char *name, int from, int black) {
        int water = 0, dark = 0;
        EXPECT_TRUE(EachPixel(root, name, [&](int i, int r, int g, int b, uint32_t) {
            if (i < from * 512) return;
            water++;
            dark += std::max({r, g, b}) <= black;
        }));
        return water ? (double)dark / water : 0.0;
    };
    EXPECT_GT(blackBelow("name.jpg", 196, 23), 0.6);
    EXPECT_GT(blackBelow("key.jpg", 212, 17), 0.9);

    // fear07: a storm in deep crimson whose crests alone climb to orange.
    // Parts Two and Three ripple it every frame under the point cloud; a
    // storm lit brighter all over flickers as it ripples (Three sits at the
    // flash limit already) and turns the fade into the smoke brown.
    int redLed = 0, crests = 0;
    ASSERT_TRUE(EachPixel(root, "fear07.jpg", [&](int, int r, int g, int b, uint32_t) {
        redLed += r >= g && r >= b;
        crests += 0.2126 * std::pow(r / 255.0, 2.2) + 0.7152 * std::pow(g / 255.0, 2.2) +
                      0.0722 * std::pow(b / 255.0, 2.2) >
                  0.1;
    }));
    EXPECT_GT(redLed, all * 99 / 100);
    EXPECT_LT(crests, all * 4 / 100);

    // The fern: bright fronds above the copy threshold 0x011112 on a
    // background that is exactly 0 (and so never copied).
    int above = 0, black = 0, bright = 0;
    ASSERT_TRUE(EachPixel(root, "Pale Fern part 01.jpg", [&](int, int, int g, int, uint32_t p) {
        above += p > 0x011112;
        black += p == 0;
        bright += g > 150;
    }));
    EXPECT_GT(black, all * 4 / 10);
    EXPECT_GT(above, all / 10);
    EXPECT_GT(bright, all / 20);

    // lakef: a pixel is left out when red > 17, green < 17 and blue < 17.
    // Exactly the strongly red pixels must be keyed: a dark foreground pixel
    // keyed out would be a hole, a red pixel kept a red fringe.
    // The pines' moonlit rims stay pale through the clean-up of the key's
    // edges: a clean-up that pulls every reddish pixel toward the dark rim
    // tone would leave the trees flat cut-outs.
    int keyed = 0, wrong = 0, moonlit = 0;
    ASSERT_TRUE(EachPixel(root, "lakef.jpg", [&](int, int r, int g, int b, uint32_t) {
        bool key = (r > 17) && (g < 17) && (b < 17);
        bool red = (r > g + 64) && (r > b + 64);
        keyed += key;
        wrong += key != red;
        moonlit += !key && g > 150;
    }));
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(keyed, all * 4 / 10);
    EXPECT_LT(keyed, all * 9 / 10);
    EXPECT_GT(moonlit, 1200);

    // vertikal3: its blue byte is its opacity, so blue leads every pixel,
    // black gaps are transparent and the beams are opaque.
    int clear = 0, opaque = 0, notLedByBlue = 0;
    ASSERT_TRUE(EachPixel(root, "vertikal3.jpg", [&](int, int r, int g, int b, uint32_t) {
        clear += b < 8;
        opaque += b >= 160;
        notLedByBlue += (r > b + 8) || (g > b + 8);
    }));
    EXPECT_GT(clear, all / 4);
    EXPECT_GT(opaque, all / 20);
    EXPECT_EQ(notLedByBlue, 0);
}

// Part Eight inverts moah on its beats and scrolls it by the spectrum: every
// patch of it must be about as bright as its inverse, in linear light, or
// the inversion flashes. Patches the size of the flash test's blocks (85 x
// 43 pixels; the part shows the texture at about half size, so a block on
// screen averages more of it than this) differ by well under a flash step:
// by so little that the ripple, at whatever phase it reaches a block on a
// beat, cannot gather enough of one side to cross it.
TEST_F(Assets, MoahIsAsBrightAsItsInverse) {
    auto linear = [](int c) {
        double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    auto luminance = [&](int r, int g, int b) {
        return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    };
    std::vector<double> sum(6 * 6), inverse(6 * 6), count(6 * 6);
    ASSERT_TRUE(EachPixel(root, "moah.jpg", [&](int i, int r, int g, int b, uint32_t) {
        int block = std::min(5, i / 512 / 43) * 6 + std::min(5, i % 512 / 85);
        sum[block] += luminance(r, g, b);
        inverse[block] += luminance(255 - r, 255 - g, 255 - b);
        count[block]++;
    }));
    for (int k = 0; k < 36; k++) {
        SCOPED_TRACE("block " + std::to_string(k));
        EXPECT_LT(std::fabs(sum[k] - inverse[k]) / count[k], 0.05);
    }
}

// The lake loop's waves start at row 128 of lake.jpg and fetch their texture
// from a few rows above it: anything dark there comes out as black blocks
// along the shore. The foreground pines and the nebula of Nine must carry
// texture that survives the waves and the blur (a flat fill reads as cut
// paper), and the nebula stays deep space: Nine flashes white on its beats,
// and a bright picture under the flashes turns the pixelated waves into
// flashes of their own.
// Relative luminance, in linear light, of a 0x00RRGGBB pixel.
double LinearLuminance(uint32_t p) {
    auto linear = [](int c) {
        double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p >> 16 & 255) + 0.7152 * linear(p >> 8 & 255) +
           0.0722 * linear(p & 255);
}

TEST_F(Assets, LakeAndNebulaCarryTextureAndTheShoreFeedsTheWavesNoDark) {
    int darkShore = 0;
    ASSERT_TRUE(EachPixel(root, "lake.jpg", [&](int i, int r, int g, int b, uint32_t) {
        darkShore += i >= 120 * 512 && i < 128 * 512 && std::max({r, g, b}) < 40;
    }));
    EXPECT_EQ(darkShore, 0);

    // Mean step in green between horizontal neighbours that are both
    // foreground (not keyed out): the pines' needles and the bank's grass.
    std::vector<int> green(512 * 256);
    std::vector<char> front(512 * 256);
    ASSERT_TRUE(EachPixel(root, "lakef.jpg", [&](int i, int r, int g, int b, uint32_t) {
        green[i] = g;
        front[i] = !(r > 17 && g < 17 && b < 17);
    }));
    double steps = 0, pairs = 0;
    for (int i = 0; i + 1 < 512 * 256; i++)
        if (i % 512 != 511 && front[i] && front[i + 1])
            steps += std::abs(green[i] - green[i + 1]), pairs++;
    ASSERT_GT(pairs, 0);
    EXPECT_GT(steps / pairs, 10.0);

    // The lake loop hangs a small moon (radius 16) at (0, -80, 220): its
    // disc covers 29 pixels round (256, 48.5). The picture's moon stands
    // right behind it, so the sky holds one disc, haloed, over the moon's
    // path on the water, not two discs side by side. The moon is the bright
    // area of the sky (a 9 x 9 window mostly above 0.6 of white's light;
    // stars are smaller).
    std::vector<double> light(512 * 128);
    ASSERT_TRUE(EachPixel(root, "lake.jpg", [&](int i, int, int, int, uint32_t p) {
        if (i < 512 * 128) light[i] = LinearLuminance(p);
    }));
    int moon = 0, beside = 0;
    for (int y = 4; y < 124; y++)
        for (int x = 4; x < 508; x++) {
            int bright = 0;
            for (int j = -4; j <= 4; j++)
                for (int k = -4; k <= 4; k++) bright += light[(y + j) * 512 + x + k] > 0.6;
            if (light[y * 512 + x] <= 0.6 || bright < 60) continue;
            moon++;
            beside += std::hypot(x - 256, y - 48.5) > 27;
        }
    EXPECT_GT(moon, 300);
    EXPECT_EQ(beside, 0);

    std::vector<double> grey(512 * 256);
    double sum = 0;
    int dark = 0;
    ASSERT_TRUE(EachPixel(root, "fette.jpg", [&](int i, int r, int g, int b, uint32_t) {
        grey[i] = (r + g + b) / 3.0;
        sum += grey[i];
        dark += std::max({r, g, b}) < 25;
    }));
    double detail = 0;
    for (int i = 0; i + 1 < 512 * 256; i++)
        if (i % 512 != 511) detail += std::fabs(grey[i] - grey[i + 1]);
    EXPECT_GT(detail / (511.0 * 256), 3.5); // filaments and clusters, not soft clouds
    EXPECT_LT(sum / (512.0 * 256), 60.0);   // deep space: mean grey well below mid
    EXPECT_GT(dark, 512 * 256 / 25);        // with black gulfs between the clouds
}

// The wolf parts lay a cube over the middle of the view (x 190-345, rows
// 10-170 of the picture at its largest) and vertikal3's shafts over the
// picture through waves of 30 pixels: the wolf (at the right) must sit clear
// of both, or the cube covers its head and the shafts hide it; and the
// shafts keep off the moon's disc at the left, where they read as dirt.
TEST_F(Assets, TheWolfSitsClearOfTheCubeAndTheShafts) {
    auto ink = [](int r, int g, int b) { return r < 20 && g < 12 && b < 30; };
    int wolf = 0, underCube = 0;
    ASSERT_TRUE(EachPixel(root, "cani01.jpg", [&](int i, int r, int g, int b, uint32_t) {
        int x = i % 512, y = i / 512;
        if (!ink(r, g, b)) return;
        wolf += x >= 322 && y < 200;
        underCube += x >= 190 && x < 346 && y >= 10 && y < 170;
    }));
    EXPECT_GT(wolf, 3000); // the silhouette is there, at the right
    EXPECT_EQ(underCube, 0);

    int shaftOverWolf = 0, shaftOverMoon = 0;
    ASSERT_TRUE(EachPixel(root, "vertikal3.jpg", [&](int i, int, int, int b, uint32_t) {
        shaftOverWolf += i % 512 >= 318 && b >= 8;
        shaftOverMoon += i % 512 < 164 && b >= 8;
    }));
    EXPECT_EQ(shaftOverWolf, 0);
    EXPECT_EQ(shaftOverMoon, 0);
}

// Part Ten swaps cani01 and cani02 on every loud frame, on runs of loud
// frames once a frame: the two must light every block of the flash test's
// size (85 x 43) alike, or the swaps alone flash; and they must still differ
// in colour, or the swap shows nothing.
TEST_F(Assets, TheWolfsTwoLooksSwapWithoutFlashing) {
    Image *dusk = Load(root, "cani01.jpg"), *aurora = Load(root, "cani02.jpg");
    ASSERT_NE(dusk, nullptr);
    ASSERT_NE(aurora, nullptr);
    std::vector<double> a(36), b(36), count(36);
    double apart = 0;
    for (int i = 0; i < 512 * 256; i++) {
        uint32_t p = dusk->pixels[i], q = aurora->pixels[i];
        int block = std::min(5, i / 512 / 43) * 6 + std::min(5, i % 512 / 85);
        a[block] += LinearLuminance(p);
        b[block] += LinearLuminance(q);
        count[block]++;
        for (int shift : {0, 8, 16})
            apart += std::abs((int)(p >> shift & 255) - (int)(q >> shift & 255));
    }
    for (int k = 0; k < 36; k++) {
        SCOPED_TRACE("block " + std::to_string(k));
        EXPECT_LT(std::fabs(a[k] - b[k]) / count[k], 0.02);
    }
    EXPECT_GT(apart / (512 * 256 * 3), 20);
    FreeJpeg(dusk);
    FreeJpeg(aurora);
}

// Twelve's ripple magnifies the middle of cani01 many times over, and the
// block renderer draws a magnified pixel as a flat square: the middle must
// be an even sky, and nothing in the sky (a star, the eye, a thread of rim
// light) may be a lone pixel standing far above its eight neighbours (by a
// fifth of white and twice their light), which magnifies into a square where
// a soft glow of a few pixels grows into a soft disc.
TEST_F(Assets, TheWolfsSkyMagnifiesIntoSoftShapes) {
    Image *image = Load(root, "cani01.jpg");
    ASSERT_NE(image, nullptr);
    const uint32_t *p = image->pixels;
    int steps = 0, lone = 0;
    for (int y = 1; y < 160; y++)
        for (int x = 1; x < 511; x++) {
            double around = 0;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++)
                    if (dx || dy) around += LinearLuminance(p[(y + dy) * 512 + x + dx]);
            double self = LinearLuminance(p[y * 512 + x]);
            lone += self - around / 8 > 0.2 && self > 2 * around / 8;
            if (x >= 232 && x < 280 && y >= 108 && y < 148) {
                uint32_t a = p[y * 512 + x], b = p[y * 512 + x + 1];
                for (int shift : {0, 8, 16})
                    steps += std::abs((int)(a >> shift & 255) - (int)(b >> shift & 255)) > 6;
            }
        }
    EXPECT_EQ(lone, 0);
    EXPECT_EQ(steps, 0);
    FreeJpeg(image);
}

// The shafts are laid over the wolf's sky by their blue byte, which is also
// their opacity: a pixel of opacity a darkens what lies under it by a and
// adds its own light at a x a. Where the waves fold a shaft, the block
// renderer stretches a few of its pixels over a whole block: a hard edge
// then shows as a sharp slab and a grey fringe as a grey square. So each
// shaft fades out through a halo (opacity under a quarter) several pixels
// wide on either side, and laid over the sky that the shafts cross (the
// mean tone of the picture's upper sky between moon and wolf; the layer
// scrolls, so any of its rows may lie over it) no halo pixel changes that
// sky's light by a fifth.
TEST_F(Assets, TheShaftsFadeThroughAFaintHalo) {
    Image *sky = Load(root, "cani01.jpg"), *shafts = Load(root, "vertikal3.jpg");
    ASSERT_NE(sky, nullptr);
    ASSERT_NE(shafts, nullptr);
    double mean[3] = {0, 0, 0};
    int n = 0;
    for (int y = 10; y < 100; y++)
        for (int x = 160; x < 320; x++, n++)
            for (int c = 0; c < 3; c++) mean[c] += sky->pixels[y * 512 + x] >> (16 - 8 * c) & 255;
    uint32_t d = 0;
    for (int c = 0; c < 3; c++) d |= (uint32_t)std::lround(mean[c] / n) << (16 - 8 * c);
    double worst = 0;
    int halo = 0;
    for (int i = 0; i < 512 * 256; i++) {
        uint32_t s = shafts->pixels[i], a = s & 255;
        if (a < 8 || a >= 64) continue;
        // The show's blend, channel by channel.
        uint32_t out = 0;
        for (int shift : {0, 8, 16})
            out |= (((s >> shift & 255) * a + (d >> shift & 255) * (255 - a)) >> 8) << shift;
        worst = std::max(worst, std::fabs(LinearLuminance(out) - LinearLuminance(d)));
        halo++;
    }
    EXPECT_GT(halo, 2 * 2 * 3 * 256); // two shafts, two sides, three pixels at least
    EXPECT_LT(worst, 0.2 * LinearLuminance(d)) << "over sky " << std::hex << d;
    FreeJpeg(sky);
    FreeJpeg(shafts);
}

// The finale cuts its view between white and the forest on every frame whose
// spectrum has S2 x 30 >= 15 (from 158.78 s), and the two looks differ by far
// more than a flash step. So the music must pass that test on few frames: at
// most four in any second, at the common display rates, or the cuts alone
// come near the flash limit (three flashes, six changes, a second). And it
// must pass it at all: at 60 fps at least once a bar (two seconds and a
// frame), or the finale would hold one look.
TEST_F(Assets, TheFinalesStrobeCutsOnTheStrongBeatsOnly) {
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    float s[SPECTRUM_SIZE];
    for (int fps : {60, 144}) {
        std::vector<double> cuts;
        for (int64_t f = (int64_t)std::ceil(158.78 * fps); f <= 180.78 * fps; f++) {
            ComputeSpectrum(pcm, f * 44100 / fps, s);
            if (s[2] * 30.0f >= 15.0f) cuts.push_back((double)f / fps);
        }
        ASSERT_FALSE(cuts.empty()) << fps << " fps";
        size_t most = 0;
        double longestGap = cuts.front() - 158.78;
        for (size_t a = 0, b = 0; b < cuts.size(); b++) {
            while (cuts[b] - cuts[a] >= 1.0) a++;
            most = std::max(most, b - a + 1);
            if (b > 0) longestGap = std::max(longestGap, cuts[b] - cuts[b - 1]);
        }
        longestGap = std::max(longestGap, 180.78 - cuts.back());
        EXPECT_LE(most, 4u) << fps << " fps";
        if (fps == 60) {
            EXPECT_LE(longestGap, 2.0 + 1.5 / 60);
        }
    }
    FreeMusicPcm(pcm);
}

// The finale's two looks both stand on skog.jpg. In the one, white
// butterflies fly over it, anywhere on it: every block of the flash test's
// size (85 x 43) must stay well below white on average, and next to nothing
// (the sun's disc, a glint) may come near white. In the other, the
// butterflies' lattice lines are windows onto it cut in a white screen:
// nearly all of it must be deep enough (at most 0.6 of white's light) for a
// line of it to read against the white. Snow painted as bright as paper
// fails both.
TEST_F(Assets, TheFinalesForestReadsUnderWhiteAndThroughIt) {
    std::vector<double> sum(36), count(36);
    int nearWhite = 0, pale = 0;
    ASSERT_TRUE(EachPixel(root, "skog.jpg", [&](int i, int, int, int, uint32_t p) {
        double l = LinearLuminance(p);
        int block = std::min(5, i / 512 / 43) * 6 + std::min(5, i % 512 / 85);
        sum[block] += l;
        count[block]++;
        nearWhite += l > 0.8;
        pale += l > 0.6;
    }));
    for (int k = 0; k < 36; k++) {
        SCOPED_TRACE("block " + std::to_string(k));
        EXPECT_LT(sum[k] / count[k], 0.55);
    }
    EXPECT_LT(nearWhite, 512 * 256 / 100);
    EXPECT_LT(pale, 512 * 256 / 10);
}

// Parts eleven and Twelve colour the cube by spectrum bins 2, 1, 0 (red,
// green, blue) every frame, and Twelve's ripple magnifies it to fill the
// view: the music must hold those bins steady, or the cube flickers between
// dark brown and yellow, and at that size flashes. Between the parts' first
// and last quarter second (where the pedal hands over) the cube stays lit
// (red never under 0.3), keeps its hue between copper and gold (green a
// third to three quarters of red: never red alone, never green), and never
// drops by a flash's worth from one frame to the next.
TEST_F(Assets, TheCubeHoldsItsColourThroughElevenAndTwelve) {
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    float s[SPECTRUM_SIZE];
    const double spans[2][2] = {{109.85, 113.35}, {113.85, 120.35}};
    for (int fps : {60, 144})
        for (const auto &span : spans) {
            SCOPED_TRACE(std::to_string(fps) + " fps from " + std::to_string(span[0]));
            float lowest = 1e9f, hueLow = 1e9f, hueHigh = 0, drop = 0, last = -1;
            for (int64_t f = (int64_t)std::ceil(span[0] * fps); f <= span[1] * fps; f++) {
                ComputeSpectrum(pcm, f * 44100 / fps, s);
                lowest = std::min(lowest, s[2]);
                hueLow = std::min(hueLow, s[1] / s[2]);
                hueHigh = std::max(hueHigh, s[1] / s[2]);
                if (last >= 0) drop = std::max(drop, last - s[2]);
                last = s[2];
            }
            EXPECT_GE(lowest, 0.3f);
            EXPECT_GE(hueLow, 0.33f);
            EXPECT_LE(hueHigh, 0.75f);
            EXPECT_LE(drop, 0.08f);
        }
    FreeMusicPcm(pcm);
}

TEST_F(Assets, MusicLastsThroughTheShowAndMeetsItsChoreography) {
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    EXPECT_GT(pcm->frameCount, 187 * 44100);
    EXPECT_LT(pcm->frameCount, 195 * 44100);
    // Not silent, not clipped: the decoded music peaks below full scale.
    int peak = 0;
    for (int64_t i = 0; i < pcm->frameCount * 2; i++)
        peak = std::max(peak, std::abs((int)pcm->samples[i]));
    EXPECT_GT(peak, 16000);
    EXPECT_LT(peak, 32767);
    FreeMusicPcm(pcm);
    // The report exits 0 only when every spectrum test of every part fires on
    // 5-40 % of the part's frames, in runs that start on beats.
    std::string cmd = Quote(kGenerator) + " --report " + Quote(root + "/data") + " >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(Assets, MusicSectionsStartAtThePartTimes) {
    // Most parts open with a kick on their first beat: bins 1-3 jump
    // between the window that ends at the part's time and the one 20 ms later
    // (the last kick of the part before lies a beat back and has faded).
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    auto low = [&](double endSeconds) { return BinsAt(pcm, endSeconds, 1, 3); };
    // Part 15 opens on three beats of riser while its picture is black; its
    // first kick lands as the picture returns, three beats in. The finale
    // opens on two bars of riser; its drums come in with its strobe.
    for (double t : {23.4, 30.0, 51.5, 73.0, 84.78, 91.4, 101.28, 109.6, 120.6, 131.25, 158.78}) {
        SCOPED_TRACE(t);
        EXPECT_GT(low(t + 0.02), 3 * low(t - 0.001));
    }
    // Twelve opens without a kick: eleven's pedal hands over to its own, on
    // another note, at the part's time. The bins dip to under a third of
    // their level on either side, and deepest within 30 ms of the time.
    const double handover = 113.6;
    double deepest = 1e9, at = 0;
    for (double t = handover - 0.1; t <= handover + 0.1; t += 0.005)
        if (low(t) < deepest) deepest = low(t), at = t;
    EXPECT_NEAR(at, handover, 0.03);
    EXPECT_LT(3 * deepest, std::min(low(handover - 0.1), low(handover + 0.1)));
    FreeMusicPcm(pcm);
}

// The knot's feedback layer is cross-faded toward the smoke by 150 x S3 a
// frame. Four's snares (beats 2 and 4) must reach into bin 3 so the layer is
// washed on them; Five must leave bin 3 nearly empty, so the knot's trail
// piles up into the bright core that the lens holds while everything round it
// tightens into rings.
TEST_F(Assets, BinThreeWashesFoursTrailAndLeavesFivesCore) {
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    auto level = [&](double t) { return (int)(150 * BinsAt(pcm, t, 3, 3)); };
    // A kick alone lifts bin 3 past 20 for a frame or two; a snare with its
    // body on bin 3 holds it there for most of the next ten frames.
    for (double snare = 30.5; snare < 39.5; snare += 1.0) {
        SCOPED_TRACE(snare);
        int held = 0;
        for (int f = 0; f < 10; f++) held += level(snare + f / 60.0) >= 20;
        EXPECT_GE(held, 5);
    }
    // Five's frames from 39.55 s to 43.45 s: a stray frame may reach a
    // level of a few (the crash's tail), never enough to wash the core.
    int most = 0, some = 0;
    for (int f = 0; f < 4 * 60 - 6; f++) {
        int l = level(39.55 + f / 60.0);
        most = std::max(most, l);
        some += l > 0;
    }
    EXPECT_LT(most, 4);
    EXPECT_LE(some, 6);
    FreeMusicPcm(pcm);
}

TEST_F(Assets, SevensDrumsBreakWhileTheFernsGoToSmoke) {
    // Seven's drums and bass rest for two bars while its mosaic holds and the
    // ferns go to smoke (63.5-67.5 s), and a crash brings them back on the
    // beat as the blocks resolve: the low bins, summed over every frame of
    // each stretch, fall to a small share of the groove's on either side.
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    auto low = [&](double t0, double t1) {
        double sum = 0;
        for (double t = t0; t < t1; t += 1 / 60.0) sum += BinsAt(pcm, t, 0, 3);
        return sum / (t1 - t0);
    };
    double before = low(59.5, 63.5), rest = low(63.7, 67.4), after = low(67.6, 71.6);
    EXPECT_LT(rest, 0.25 * before);
    EXPECT_LT(rest, 0.25 * after);
    FreeMusicPcm(pcm);
}

// RMS level of the decoded music between two times, dB of full scale.
double Level(const MusicPcm *pcm, double t0, double t1) {
    double sum = 0;
    int64_t a = (int64_t)(t0 * 44100),
            b = std::min<int64_t>(pcm->frameCount, (int64_t)(t1 * 44100));
    for (int64_t i = 2 * a; i < 2 * b; i++) sum += (double)pcm->samples[i] * pcm->samples[i];
    double mean = b > a ? sum / (2.0 * (b - a)) / (32768.0 * 32768.0) : 0;
    return mean > 0 ? 10 * std::log10(mean) : -200;
}

TEST_F(Assets, MusicEndsInSilenceAndTheDropIsTheLoudestSection) {
    MusicPcm *pcm = LoadMusicPcm((data + "final.mp3").c_str());
    ASSERT_NE(pcm, nullptr);
    // The show's last frame comes at 186 s: the track has faded out by then.
    EXPECT_LE(Level(pcm, 185.5, 186.0), -40.0);
    EXPECT_GT(Level(pcm, 180.78, 182.0), -30.0); // the credits still play
    const double parts[] = {0,    11.4,   23.4,  30,    39.5,  43.5,   51.5,   73,     84.78,
                            91.4, 101.28, 109.6, 113.6, 120.6, 129.78, 154.78, 180.78, 186};
    double drop = Level(pcm, 84.78, 91.4);
    for (int p = 0; p + 1 < 18; p++) {
        if (parts[p] == 84.78) continue;
        SCOPED_TRACE(parts[p]);
        EXPECT_LT(Level(pcm, parts[p], parts[p + 1]), drop - 0.5);
    }
    FreeMusicPcm(pcm);
}

// Pictures that a part draws through a wrapping grid tile: where the last
// column meets the first (and the last row the first) the colour steps no
// harder than twice the mean step between neighbours inside the picture.
TEST_F(Assets, WrappedPicturesTileAndTheFernCopyCarriesNoGrime) {
    for (const char *name : {"key.jpg", "fear07.jpg", "smoke.jpg", "Pale Fern part 02.jpg",
                             "moah.jpg", "fette.jpg", "vertikal3.jpg"}) {
        SCOPED_TRACE(name);
        std::vector<uint32_t> px;
        ASSERT_TRUE(
            EachPixel(root, name, [&](int, int, int, int, uint32_t p) { px.push_back(p); }));
        ASSERT_EQ(px.size(), 512u * 256u);
        auto step = [](uint32_t a, uint32_t b) {
            int d = 0;
            for (int sh = 0; sh <= 16; sh += 8)
                d += std::abs((int)(a >> sh & 255) - (int)(b >> sh & 255));
            return d;
        };
        double seam = 0, inside = 0;
        for (int y = 0; y < 256; y++) {
            seam += step(px[y * 512 + 511], px[y * 512]);
            for (int x = 0; x < 511; x++) inside += step(px[y * 512 + x], px[y * 512 + x + 1]);
        }
        for (int x = 0; x < 512; x++) {
            seam += step(px[255 * 512 + x], px[x]);
            for (int y = 0; y < 255; y++) inside += step(px[y * 512 + x], px[(y + 1) * 512 + x]);
        }
        seam /= 512 + 256;
        inside /= 511.0 * 256 + 512.0 * 255;
        EXPECT_LE(seam, 2 * std::max(inside, 0.5));
    }
    // The fern's bright-pixel copy: what passes 0x011112 is frond or moss,
    // at most 0.5 % of it nearly black (every channel under 40). The parts
    // clear the fern bed's top 20 rows before the copy, so the copy fills
    // them whole: they would stand as a black band over the ferns.
    int copied = 0, dirt = 0, band = 0;
    ASSERT_TRUE(
        EachPixel(root, "Pale Fern part 01.jpg", [&](int i, int r, int g, int b, uint32_t p) {
            if (p <= 0x011112) return;
            copied++;
            dirt += r < 40 && g < 40 && b < 40;
            band += i < 512 * 20;
        }));
    EXPECT_GT(copied, 512 * 256 / 10);
    EXPECT_LE(dirt * 200, copied);
    EXPECT_EQ(band, 512 * 20);
}

TEST(AssetgenCommandLine, ReportsFailuresByItsExitStatus) {
    auto run = [](const std::string &args) {
        int status = std::system((Quote(kGenerator) + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--bogus"), 2);
    EXPECT_EQ(run("--report /nonexistent-glimmerfall"), 1);
    EXPECT_EQ(run("/dev/null/data"), 1);
}

std::vector<std::string> Files(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Bytes(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Every name in dir, hidden ones too, sorted.
std::vector<std::string> Listing(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A full disk part-way: the generator names the file that did not fit and
// fails, and data/ is as it was, old contents or absent, with nothing left
// beside it. The disk is a small tmpfs (root only; skipped otherwise).
TEST(AssetgenCommandLine, AFullDiskLeavesDataAsItWas) {
    char name[] = "/tmp/gf-full-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    std::string disk = name;
    struct Unmount {
        std::string at;
        bool mounted = false;
        ~Unmount() {
            if (mounted) std::system(("umount " + Quote(at)).c_str());
            rmdir(at.c_str());
        }
    } unmount{disk};
    if (geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=1m tmpfs " + Quote(disk) + " 2>/dev/null").c_str()) !=
            0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    unmount.mounted = true;
    const std::string data = disk + "/data", log = disk + ".log";
    for (bool old : {true, false}) {
        SCOPED_TRACE(old ? "over an old data/" : "no data/ before");
        if (old) {
            mkdir(data.c_str(), 0755);
            std::ofstream(data + "/old.txt") << "old";
        }
        int status = std::system(
            (Quote(kGenerator) + " " + Quote(data) + " >/dev/null 2>" + Quote(log)).c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
        std::string said = Bytes(log);
        unlink(log.c_str());
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(said.rfind("assetgen: cannot write " + data + "/", 0), 0u) << said;
        EXPECT_NE(said.find("No space left on device"), std::string::npos) << said;
        if (old) {
            EXPECT_EQ(Listing(data), std::vector<std::string>{"old.txt"});
            EXPECT_EQ(Bytes(data + "/old.txt"), "old");
            EXPECT_EQ(Listing(disk), std::vector<std::string>{"data"});
            std::system(("rm -rf " + Quote(data)).c_str());
        } else {
            EXPECT_TRUE(Listing(disk).empty()) << Listing(disk)[0];
        }
    }
}

TEST_F(Assets, GeneratingTwiceGivesTheSameBytes) {
    std::string other = Generated("b");
    ASSERT_FALSE(other.empty());
    std::vector<std::string> a = Files(root + "/data"), b = Files(other + "/data");
    EXPECT_EQ(a.size(), 33u); // 22 pictures, 8 scenes, 2 lights, the music
    ASSERT_EQ(a, b);          // b's stale file went with the folder it replaced
    for (const std::string &folder : {root, other}) // no temporary folder stays beside data/
        EXPECT_EQ(Listing(folder), std::vector<std::string>{"data"});
    for (const std::string &name : a) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Bytes(root + "/data/" + name) == Bytes(other + "/data/" + name));
    }
}

} // namespace
