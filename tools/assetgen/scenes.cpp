// The eight scene files and the two light files.
//
// Scene files are read by key search at fixed distances from each key, so the
// writer below pads every label to its exact width: 29 characters for the two
// counts, 14 for Position and Rotation, 25 for the material lines; values on
// one line are two characters apart (Position, Rotation, colours) or one
// (vertex coordinates, face indices); a face line holds a, b, c, then 21
// characters, then the material index. The Ambient Coeff is read as an
// integer, so it is written as one.
//
// Orientation: the renderer draws a face when (C - A) x (B - A) points at the
// viewer, and lights a vertex with normals built from (B - A) x (C - A), which
// point into the object. Meshes here are built with triangles (a, b, c) whose
// (b - a) x (c - a) points out of the object; the writer stores them as
// (a, c, b), so their stored face normals point out.
#include "assetgen/assetgen.h"
#include "assetgen/paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z; // Scene units, or a direction
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Normalize(V3 a) {
    double l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0 / l) : a;
}

struct Tri {
    int a, b, c, material; // (b - a) x (c - a) points out of the object
};

struct MeshData {
    std::string name;         // Written after the NodeID in the mesh's header
    std::vector<V3> vertices; // Scene units, before the node transform
    std::vector<Tri> faces;   // Indices into vertices
};

struct MaterialData {
    std::string name;                   // Written after "Material: "
    int ambientCoeff;                   // Read as an integer: 1 keeps the ambient term, 0 drops it
    double diffuseCoeff, specularCoeff; // Weights of the diffuse and specular terms, 0-1
    V3 ambient, diffuse, specular;      // Colours, 0-1
};

int AddVertex(MeshData *m, V3 p) {
    m->vertices.push_back(p);
    return (int)m->vertices.size() - 1;
}

// Adds triangle (a, b, c) turned so that its outward side faces along out.
void AddFacing(MeshData *m, int a, int b, int c, int material, V3 out) {
    V3 n = Cross(m->vertices[b] - m->vertices[a], m->vertices[c] - m->vertices[a]);
    if (Dot(n, out) < 0) std::swap(b, c);
    m->faces.push_back({a, b, c, material});
}

// Adds a flat-shaded triangle with vertices of its own, facing along out.
void AddFlat(MeshData *m, V3 a, V3 b, V3 c, int material, V3 out) {
    int ia = AddVertex(m, a), ib = AddVertex(m, b), ic = AddVertex(m, c);
    AddFacing(m, ia, ib, ic, material, out);
}

// Adds a flat triangle that faces away from centre.
void AddFlatOut(MeshData *m, V3 a, V3 b, V3 c, int material, V3 centre) {
    AddFlat(m, a, b, c, material, (a + b + c) * (1.0 / 3) - centre);
}

// A closed smooth surface from a grid of rows x cols points plus two poles:
// point(i, j) for rows i = 1..rows-1 (row 0 and row `rows` are the poles),
// columns wrap. Faces are turned away from axisPoint(i), a point inside.
template <class Point, class Inside>
void AddClosedGrid(MeshData *m, int rows, int cols, int material, Point point, Inside inside) {
    int first = (int)m->vertices.size();
    int top = AddVertex(m, point(0, 0));
    for (int i = 1; i < rows; i++)
        for (int j = 0; j < cols; j++) AddVertex(m, point(i, j));
    int bottom = AddVertex(m, point(rows, 0));
    auto at = [&](int i, int j) { return first + 1 + (i - 1) * cols + (j % cols); };
    for (int j = 0; j < cols; j++) {
        AddFacing(m, top, at(1, j), at(1, j + 1), material, m->vertices[at(1, j)] - inside(0));
        AddFacing(m, bottom, at(rows - 1, j), at(rows - 1, j + 1), material,
                  m->vertices[at(rows - 1, j)] - inside(rows));
    }
    for (int i = 1; i < rows - 1; i++)
        for (int j = 0; j < cols; j++) {
            V3 out = m->vertices[at(i, j)] - inside(i);
            AddFacing(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), material, out);
            AddFacing(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), material, out);
        }
}

// A closed tube along the closed curve centre(s), s from 0 to 2 pi, in
// `along` rings of `around` points at radius(s), faces turned away from the
// curve. Each ring stands square to the curve's chord through its
// neighbours, its first point on the side away from z.
template <class Centre, class Radius>
void AddTube(MeshData *m, int along, int around, int material, Centre centre, Radius radius) {
    int first = (int)m->vertices.size();
    for (int i = 0; i < along; i++) {
        double s = 2 * kPi * i / along, ds = 2 * kPi / along;
        V3 c = centre(s);
        V3 tangent = Normalize(centre(s + ds) - centre(s - ds));
        V3 side = Normalize(Cross(tangent, V3{0, 0, 1}));
        V3 up = Cross(side, tangent);
        double r = radius(s);
        for (int j = 0; j < around; j++) {
            double a = 2 * kPi * j / around;
            AddVertex(m, c + side * (r * std::cos(a)) + up * (r * std::sin(a)));
        }
    }
    for (int i = 0; i < along; i++)
        for (int j = 0; j < around; j++) {
            int a = first + i * around + j, b = first + ((i + 1) % along) * around + j;
            int c = first + ((i + 1) % along) * around + (j + 1) % around,
                d = first + i * around + (j + 1) % around;
            V3 out = m->vertices[a] - centre(2 * kPi * i / along);
            AddFacing(m, a, b, c, material, out);
            AddFacing(m, a, c, d, material, out);
        }
}

// Formats one number for the scene text: fixed point, never "-0.0000".
std::string Num(double v) {
    char buf[32];
    if (std::fabs(v) < 0.00005) v = 0;
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

std::string Pad(const char *label, int width) {
    std::string s = label;
    s.resize((size_t)width, ' ');
    return s;
}

std::string SceneText(const char *title, const std::vector<MeshData> &meshes,
                      const std::vector<MaterialData> &materials) {
    std::string t;
    t += std::string("Glimmerfall scene: ") + title + "\n";
    t += Pad("Number of geom objects:", 29) + std::to_string(meshes.size()) + "\n";
    t += Pad("Number of materials:", 29) + std::to_string(materials.size()) + "\n";
    int id = 1;
    for (const MeshData &m : meshes) {
        // The NodeID line is padded past 14 characters: the search for this
        // mesh's keys starts 15 characters after the line feed before it.
        char node[64];
        std::snprintf(node, sizeof node, "\nNodeID: %-6d %s\n", id++, m.name.c_str());
        t += node;
        t += Pad("Position:", 14) + "0.0000  0.0000  0.0000\n";
        t += Pad("Rotation:", 14) + "0.0000  0.0000  0.0000  1.0000\n";
        t += "Vertices of faces:" + std::to_string(m.vertices.size()) + "\n";
        t += "Face data: " + std::to_string(m.faces.size()) + "\n";
        t += "Vertices:\n";
        for (const V3 &v : m.vertices) t += Num(v.x) + " " + Num(v.y) + " " + Num(v.z) + "\n";
        t += "Faces (a b c, edges AB BC CA, material; EdgeVisCode)\n";
        for (const Tri &f : m.faces) {
            // Stored as (a, c, b): see the orientation note at the top.
            t += std::to_string(f.a) + " " + std::to_string(f.c) + " " + std::to_string(f.b) +
                 " edges 1 1 1 material " + std::to_string(f.material) + "\n";
        }
    }
    for (const MaterialData &mat : materials) {
        auto rgb = [](V3 c) { return Num(c.x) + "  " + Num(c.y) + "  " + Num(c.z); };
        t += "\nMaterial: " + mat.name + "\n";
        t += Pad("Ambient Coeff:", 25) + std::to_string(mat.ambientCoeff) + "\n";
        t += Pad("Diffuse Coeff:", 25) + Num(mat.diffuseCoeff) + "\n";
        t += Pad("Specular Coeff:", 25) + Num(mat.specularCoeff) + "\n";
        t += Pad("Ambient Color:", 25) + rgb(mat.ambient) + "\n";
        t += Pad("Diffuse Color:", 25) + rgb(mat.diffuse) + "\n";
        t += Pad("Specular Color:", 25) + rgb(mat.specular) + "\n";
        t += Pad("Shininess:", 25) + "50\n";
    }
    return t;
}

// roculus: a trefoil knot tube round a pearl of points, seen only as a cloud
// of its vertices. Knot radius 47 + 19, tube radius 11.5: at z 350 it spans
// about 180 pixels, and hung 40 units up it keeps clear of the view's bottom
// edge as it turns. The points lie on 200 rings of 40, about three pixels
// apart along the tube and two around it: one white pixel a vertex, fewer
// left the tube a thin grey lattice over the busy pictures behind it; this
// many, each shaken a little off its ring, fill it to a bright frosted tube,
// and the feedback layer smears it into solid blobs instead of speckle.
//
// The timeline hangs it 40 units up at z 350, which puts its centre some 20
// rows below the view's middle, and turns it slowly: a tenth of a radian a
// second about each axis. So the whole knot is moved by a fixed offset that
// the turn carries to straight up (18 units) at 34.5 s and keeps between 10
// and 18 units up from 11 s to 40 s, the parts that draw it: the knot rides
// in the middle of the view, clear of the bottom edge where Four's wave would
// cut it.
void Icosphere(int levels, std::vector<V3> *points, std::vector<Tri> *tris);

MeshData Roculus() {
    MeshData m{"knot", {}, {}};
    const int along = 200, around = 40;
    // The offset in the model: the turn at 34.5 s, transposed, applied to
    // (0, -18, 0). Rows of the turn as the renderer builds them from the
    // three equal angles.
    const double turn = 3.45, sn = std::sin(turn), cs = std::cos(turn);
    const V3 turnY{sn * sn * cs - cs * sn, sn * sn * sn + cs * cs, sn * cs};
    const V3 offset = turnY * -18.0;
    auto centre = [](double s) {
        double r = 47 + 19 * std::cos(3 * s);
        return V3{r * std::cos(2 * s), r * std::sin(2 * s), 19 * std::sin(3 * s)};
    };
    // A slight swell every third of the way makes the cloud breathe.
    AddTube(
        &m, along, around, 0, [&](double s) { return offset + centre(s); },
        [](double s) { return 11.5 + 2 * std::cos(6 * s); });
    // Each point is shaken off its ring by up to 1.6 units, about half the
    // rings' spacing: in rank the rings showed as stripes that shimmered
    // as the tube turned; shaken, they fill it as an even frost.
    Rng rng = NewRng(189);
    for (V3 &p : m.vertices)
        p = p + V3{RngRange(&rng, -1.6f, 1.6f), RngRange(&rng, -1.6f, 1.6f),
                   RngRange(&rng, -1.6f, 1.6f)};
    // The core: three nested shells of points in the knot's open middle, a
    // small bright pearl that the tube coils round: the cloud has a focus
    // instead of an empty middle, and the blur that smears the points
    // leaves it as a glowing spot.
    std::vector<V3> shell;
    std::vector<Tri> tris;
    Icosphere(2, &shell, &tris);
    for (double radius : {2.5, 5.0, 7.5}) {
        int first = (int)m.vertices.size();
        for (const V3 &p : shell) AddVertex(&m, offset + p * radius);
        for (const Tri &t : tris)
            AddFacing(&m, first + t.a, first + t.b, first + t.c, 0, shell[t.a] + shell[t.b]);
    }
    return m;
}

// Icosahedron subdivided `levels` times, points on the unit sphere; faces as
// index triples. Used by the spikeball.
void Icosphere(int levels, std::vector<V3> *points, std::vector<Tri> *tris) {
    const double t = (1 + std::sqrt(5.0)) / 2;
    V3 base[12] = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                   {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    int f[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                    {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                    {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                    {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    points->clear();
    tris->clear();
    for (V3 p : base) points->push_back(Normalize(p));
    for (auto &x : f) tris->push_back({x[0], x[1], x[2], 0});
    for (int l = 0; l < levels; l++) {
        std::vector<Tri> next;
        std::vector<std::pair<long, int>> cache;
        auto mid = [&](int a, int b) {
            long key = (long)std::min(a, b) * 100000 + std::max(a, b);
            for (auto &e : cache)
                if (e.first == key) return e.second;
            points->push_back(Normalize(((*points)[a] + (*points)[b]) * 0.5));
            int idx = (int)points->size() - 1;
            cache.push_back({key, idx});
            return idx;
        };
        for (Tri tr : *tris) {
            int ab = mid(tr.a, tr.b), bc = mid(tr.b, tr.c), ca = mid(tr.c, tr.a);
            next.push_back({tr.a, ab, ca, 0});
            next.push_back({tr.b, bc, ab, 0});
            next.push_back({tr.c, ca, bc, 0});
            next.push_back({ab, bc, ca, 0});
        }
        *tris = next;
    }
}

// spikeball: 42 spikes (the once-subdivided icosahedron's corners pushed out
// to radius 23.5) on a core of radius 13.1, flat-shaded facets. The first
// part that shows it hangs it low in the view, 181 rows down at z 150, and
// drops it further on every kick (its y follows bin 0): at this size its
// points clear the view's bottom edge on all but the hardest kicks, where
// a ball half as large again stood cut off by it.
MeshData Spikeball() {
    std::vector<V3> p;
    std::vector<Tri> tris;
    Icosphere(2, &p, &tris);
    MeshData m{"spikes", {}, {}};
    for (size_t i = 0; i < p.size(); i++) p[i] = p[i] * (i < 42 ? 23.5 : 13.1);
    // Each facet that climbs to a spike's point gives its outer third to
    // the points' own bright steel (material 1): the show recolours only
    // the first material, so in both parts the spikes end in pale, lit
    // points over a body in the part's colour, a second tone that shows
    // which way each spike turns.
    const double tip = 0.33;        // share of a facet, from the point, in steel
    const double ridgeHeight = 2.2; // how far a flute's ridge stands out, in units
    for (Tri t : tris) {
        int id[3] = {t.a, t.b, t.c}, k = 0;
        while (k < 3 && id[k] >= 42) k++;
        if (k == 3) {
            AddFlatOut(&m, p[t.a], p[t.b], p[t.c], 0, V3{0, 0, 0});
            continue;
        }
        V3 a = p[id[k]], b = p[id[(k + 1) % 3]], c = p[id[(k + 2) % 3]];
        // Below its steel point each facet is fluted: a ridge raised
        // outward at the middle of its base edge folds the body into three
        // facets that meet the light at different angles, so every spike
        // shows a lit side and a shaded side instead of one flat tone (four
        // faces where a fold along the whole spike would take six: the part
        // that shows it twice a frame stays fast).
        V3 mid = (b + c) * 0.5;
        V3 ridge = mid + Normalize(mid - a * 0.5) * ridgeHeight;
        V3 out = (a + b + c) * (1.0 / 3), ab = a + (b - a) * tip, ac = a + (c - a) * tip;
        AddFlat(&m, a, ab, ac, 1, out);
        AddFlat(&m, ab, b, ridge, 0, out);
        AddFlat(&m, ab, ridge, ac, 0, out);
        AddFlat(&m, ac, ridge, c, 0, out);
    }
    return m;
}

// The turn the show gives the crystal at music time t (a fixed 0.15 radian
// a second about each axis, composed as the renderer's MatrixRotate does)
// applied to direction d.
V3 CrystalTurn(double t, V3 d) {
    double a = t * 0.15, s = std::sin(a), c = std::cos(a);
    return V3{c * c * d.x + c * s * d.y - s * d.z,
              (s * s * c - c * s) * d.x + (s * s * s + c * c) * d.y + s * c * d.z,
              (c * s * c + s * s) * d.x + (c * s * s - s * c) * d.y + c * c * d.z};
}

// The music time, between the ferns' first frame and the lake, around which
// a facet with outward normal n at point p of the crystal is seen: the mean
// of the times, weighted by the eighth power of how squarely the facet
// faces the viewer (the crystal hangs 40 units up at z 180), or the middle
// of that span for a facet that never turns toward the viewer.
double CrystalSeenTime(V3 p, V3 n) {
    double sum = 0, weight = 0;
    for (double t = 43.5; t <= 73.0; t += 0.05) {
        V3 at = CrystalTurn(t, p) + V3{0, -40, 180};
        double facing = -Dot(CrystalTurn(t, n), Normalize(at));
        double w = facing > 0 ? std::pow(facing, 8) : 0; // the squarest turns dominate
        sum += t * w, weight += w;
    }
    return weight > 0 ? sum / weight : 58.25;
}

// stars: a crystal, a small stellated dodecahedron: twelve five-sided
// spikes on a dodecahedron's faces, flat-shaded so every facet keeps one
// tone. Twelve broad spikes fill the crystal's circle where eight thin ones
// left it mostly empty, so it reads larger at the same reach. The outer part
// of each spike is a pale frost that catches the light. Each body facet
// takes one of four body materials, cool to hot, by the time around which
// the show's slow turn shows it to the viewer: the crystal shows mostly ice
// blue and violet over the still ferns and magenta through the ripple and
// the mosaic, and the faces it brings back over the smoke mix blue with a
// glowing rose, instead of one face all part long. Tips reach 40 units from
// the centre: at z 180, hung 40 units up, the nearest tip stays inside the
// view's top row.
MeshData Stars() {
    MeshData m{"stars", {}, {}};
    const double tip = 40, core = 21; // tip distance; the dodecahedron's corner distance
    const double kFrost = 0.36;       // share of a spike's length, from its point, in frost
    const double phi = (1 + std::sqrt(5.0)) / 2;
    std::vector<V3> corners;
    for (int k = 0; k < 8; k++)
        corners.push_back({k & 1 ? 1.0 : -1.0, k & 2 ? 1.0 : -1.0, k & 4 ? 1.0 : -1.0});
    for (int k = 0; k < 4; k++) {
        double a = k & 1 ? 1 / phi : -1 / phi, b = k & 2 ? phi : -phi;
        corners.push_back({a, 0, b}); // the duals of the axes below
        corners.push_back({0, b, a});
        corners.push_back({b, a, 0});
    }
    for (V3 &c : corners) c = c * (core / std::sqrt(3.0));
    // The spikes' axes: the icosahedron's twelve corners, one over each face.
    std::vector<V3> axes;
    for (int k = 0; k < 4; k++) {
        double a = k & 1 ? 1 : -1, b = k & 2 ? phi : -phi;
        axes.push_back(Normalize(V3{0, a, b}));
        axes.push_back(Normalize(V3{a, b, 0}));
        axes.push_back(Normalize(V3{b, 0, a}));
    }
    for (int i = 0; i < 12; i++) {
        V3 axis = axes[i], apex = axis * tip;
        // The face's five corners, in turn around the axis.
        std::vector<std::pair<double, V3>> ring;
        V3 u = Normalize(Cross(axis, std::fabs(axis.x) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0}));
        V3 w = Cross(axis, u);
        for (const V3 &c : corners)
            if (Dot(Normalize(c), axis) > 0.7)
                ring.push_back({std::atan2(Dot(c, w), Dot(c, u)), c});
        std::sort(ring.begin(), ring.end(),
                  [](const std::pair<double, V3> &p, const std::pair<double, V3> &q) {
                      return p.first < q.first;
                  });
        for (size_t k = 0; k < ring.size(); k++) {
            V3 e0 = ring[k].second, e1 = ring[(k + 1) % ring.size()].second;
            V3 p = apex + (e0 - apex) * kFrost, q = apex + (e1 - apex) * kFrost;
            AddFlatOut(&m, apex, p, q, 4, V3{0, 0, 0});
            AddFlatOut(&m, p, e0, e1, 0, V3{0, 0, 0});
            AddFlatOut(&m, p, e1, q, 0, V3{0, 0, 0});
        }
    }
    // Body facets take the material of the stretch of music around which
    // they are seen: the still ferns, the ripple, the mosaic, the smoke.
    for (Tri &t : m.faces) {
        if (t.material == 4) continue;
        V3 a = m.vertices[t.a], b = m.vertices[t.b], c = m.vertices[t.c];
        double seen = CrystalSeenTime((a + b + c) * (1.0 / 3), Normalize(Cross(b - a, c - a)));
        t.material = seen < 55.5 ? 0 : seen < 60.5 ? 1 : seen < 65 ? 2 : 3;
    }
    return m;
}

// Where a point p of the crystal's model lands on the view (x, row) at music
// time t, as Parts Six and Seven hang it (40 units up at z 180, the focal
// length 400, the view's centre 256 across and 194 down its render rows),
// and how many pixels a unit spans there.
void CrystalScreen(double t, V3 p, double *x, double *row, double *scale) {
    V3 q = CrystalTurn(t, p) + V3{0, -40, 180};
    *scale = 400 / q.z;
    *x = 256 + q.x * *scale, *row = 194 + q.y * *scale;
}

// stars' satellites: small six-pointed stars that ride the crystal's turn on
// orbits well outside it, so the one slow crystal of Six and Seven gains
// motion across the whole view: they sweep round it, pass behind it, and
// leave comet trails in the layer the parts never clear. The orbits are
// chosen among random points by how far each sweeps over the view through
// both parts, keeping only those that stay inside it (with room for the
// spikes) at every moment, and apart from each other.
MeshData Satellites() {
    MeshData m{"satellites", {}, {}};
    const int kCount = 12;
    const double kMinApart = 38; // units between two chosen orbits' points
    Rng rng = NewRng(67);
    struct Orbit {
        double sweep; // pixels travelled over the view from 43.5 s to 73 s
        V3 p;
        double size;
    };
    std::vector<Orbit> found;
    for (int i = 0; i < 4000; i++) {
        V3 d{RngRange(&rng, -1, 1), RngRange(&rng, -1, 1), RngRange(&rng, -1, 1)};
        if (Dot(d, d) > 1 || Dot(d, d) < 0.05) continue;
        double r = RngRange(&rng, 55, 95), size = RngRange(&rng, 7, 10);
        V3 p = Normalize(d) * r;
        double sweep = 0, px = 0, prow = 0;
        bool inside = true;
        for (double t = 43.5; inside && t <= 73.05; t += 0.1) {
            double x, row;
            double scale;
            CrystalScreen(t, p, &x, &row, &scale);
            // A spike's point reaches size units from the star's centre,
            // plus a pixel for the blur the parts lay over it.
            double reach = size * scale + 1;
            inside = x > reach && x < 511 - reach && row > reach && row < 255 - reach;
            if (t > 43.5) sweep += std::hypot(x - px, row - prow);
            px = x, prow = row;
        }
        if (inside) found.push_back({sweep, p, size});
    }
    std::sort(found.begin(), found.end(),
              [](const Orbit &a, const Orbit &b) { return a.sweep > b.sweep; });
    std::vector<Orbit> chosen;
    for (const Orbit &o : found) {
        bool apart = true;
        for (const Orbit &c : chosen)
            apart = apart && std::sqrt(Dot(o.p - c.p, o.p - c.p)) >= kMinApart;
        if (apart) chosen.push_back(o);
        if ((int)chosen.size() == kCount) break;
    }
    // Each star: six spikes, square pyramids on the faces of a small cube,
    // tilted its own way so the stars glint at different moments.
    for (size_t i = 0; i < chosen.size(); i++) {
        const Orbit &o = chosen[i];
        // Ice blue and magenta bodies in turn, both strong in blue so the
        // parts lay them over the ferns whole, under frosted points.
        const int body = i % 2 ? 2 : 0;
        V3 u = Normalize(V3{RngRange(&rng, -1, 1), RngRange(&rng, -1, 1), 1});
        V3 v = Normalize(Cross(u, V3{1, 0, 0})), w = Cross(u, v);
        const V3 axes[3] = {u, v, w};
        const double core = o.size * 0.28;
        for (int a = 0; a < 3; a++)
            for (double sign : {1.0, -1.0}) {
                V3 n = axes[a] * sign, s = axes[(a + 1) % 3], q = axes[(a + 2) % 3];
                V3 apex = o.p + n * o.size;
                V3 c[4] = {o.p + (n + s + q) * core, o.p + (n - s + q) * core,
                           o.p + (n - s - q) * core, o.p + (n + s - q) * core};
                // Two opposite sides of each spike frosted, two in the body's
                // colour: the star glints as it turns at a quarter of the
                // faces a frosted point on every side would take.
                for (int k = 0; k < 4; k++)
                    AddFlatOut(&m, apex, c[k], c[(k + 1) % 4], k % 2 ? body : 4, o.p);
            }
    }
    return m;
}

// Moves the faces of a smooth ball (centred on the origin) whose middle's
// direction `inside` picks to `material`. Each moved face takes vertices of
// its own, so the two materials do not shade into each other along the
// border, and each side stays smooth within.
template <typename Pick> void PaintFaces(MeshData *m, int material, Pick inside) {
    std::vector<int> copyOf(m->vertices.size(), -1);
    for (Tri &t : m->faces) {
        if (!inside(Normalize(m->vertices[t.a] + m->vertices[t.b] + m->vertices[t.c]))) continue;
        for (int *k : {&t.a, &t.b, &t.c}) {
            if (copyOf[*k] < 0) copyOf[*k] = AddVertex(m, m->vertices[*k]);
            *k = copyOf[*k];
        }
        t.material = material;
    }
}

// cube.txt: a glowing orb caught in a gilt cage, a small moon for the wolf
// to howl at. The cage is the 120-unit cube's twelve edges as square bars,
// 11 units thick, with a knob at each corner; the orb inside, radius 46, is
// smooth-shaded, so its highlight glides over it however it tumbles (pitted
// with craters at this size it read as a lump of rock). The show tints the
// first material from the music every frame: the orb (the first mesh)
// glows amber to gold with it, while the cage keeps its gilt. Both fit in
// the cube they replace, so the wolf stays clear of them.
std::vector<MeshData> CagedMoon() {
    MeshData moon{"moon", {}, {}}, cage{"cage", {}, {}};
    std::vector<V3> points;
    std::vector<Tri> tris;
    Icosphere(3, &points, &tris);
    for (const V3 &p : points) AddVertex(&moon, p * 46.0);
    for (const Tri &t : tris) AddFacing(&moon, t.a, t.b, t.c, 0, points[t.a]);
    // Bands of dark bronze round the orb, wavering with a noise, a gas
    // giant's belts: a plain ball gave its turn nothing to show, and the
    // parts that magnify it (Twelve's ripple) blew its smooth shading up
    // into steps. The belts take the third material, which the music
    // leaves alone, so they hold dark while the orb's glow swings with it.
    PaintFaces(&moon, 2, [](V3 d) {
        return std::sin(d.y * 9.5 + 1.2 * Fbm(178, d.x * 2.2, d.z * 2.2, 2)) > 0.35;
    });
    // The bars: one box along each edge, its outer faces flush with the
    // cube's sides; the corner knobs: an octahedron standing a little proud.
    const double h = 60, bar = 5.5;
    auto box = [&](V3 lo, V3 hi) {
        V3 c = (lo + hi) * 0.5;
        for (int axis = 0; axis < 3; axis++)
            for (int sign = -1; sign <= 1; sign += 2) {
                V3 q[4];
                for (int k = 0; k < 4; k++) {
                    double v[3], l[3] = {lo.x, lo.y, lo.z}, u[3] = {hi.x, hi.y, hi.z};
                    v[axis] = sign < 0 ? l[axis] : u[axis];
                    int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
                    v[a1] = (k == 1 || k == 2) ? u[a1] : l[a1];
                    v[a2] = k >= 2 ? u[a2] : l[a2];
                    q[k] = V3{v[0], v[1], v[2]};
                }
                AddFlatOut(&cage, q[0], q[1], q[2], 1, c);
                AddFlatOut(&cage, q[0], q[2], q[3], 1, c);
            }
    };
    for (int k = 0; k < 3; k++)
        for (int sp = -1; sp <= 1; sp += 2)
            for (int sq = -1; sq <= 1; sq += 2) {
                double lo[3], hi[3];
                int p = (k + 1) % 3, q = (k + 2) % 3;
                // Along the edge between the corner knobs; across it, a bar
                // 2 bar wide centred bar in from each side.
                lo[k] = -h + 2 * bar, hi[k] = h - 2 * bar;
                lo[p] = sp * (h - bar) - bar, hi[p] = sp * (h - bar) + bar;
                lo[q] = sq * (h - bar) - bar, hi[q] = sq * (h - bar) + bar;
                box(V3{lo[0], lo[1], lo[2]}, V3{hi[0], hi[1], hi[2]});
            }
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2)
            for (int sz = -1; sz <= 1; sz += 2) {
                V3 c{sx * (h - bar), sy * (h - bar), sz * (h - bar)};
                const double k = 9;
                V3 tip[6] = {{k, 0, 0}, {-k, 0, 0}, {0, k, 0}, {0, -k, 0}, {0, 0, k}, {0, 0, -k}};
                for (int a = 0; a < 2; a++)
                    for (int b = 2; b < 4; b++)
                        for (int d = 4; d < 6; d++)
                            AddFlatOut(&cage, c + tip[a], c + tip[b], c + tip[d], 1, c);
            }
    return {moon, cage};
}

// diamond: a round brilliant, girdle radius 40, table up (-y), flat facets,
// cut fine (24 around): the show warps and blurs the stone, and small facets
// keep their edges through that where large ones smear into plastic. Each
// ring of facets steps through the four materials in its own order, so
// neighbours differ in tone as the facets of a cut stone throw back light and
// dark: the stone sparkles. The facets are small beside the blocks that the
// flash rule averages over, so a kick that jumps the warp across them moves a
// region's mean brightness little.
MeshData Diamond() {
    MeshData m{"gem", {}, {}};
    const int n = 24;
    const double girdle = 40, table = 22, crown = 13, pavilion = 36;
    V3 centre{0, -2, 0};
    auto ring = [&](double r, double y, double phase, int k) {
        double a = 2 * kPi * (k + phase) / n;
        return V3{r * std::cos(a), y, r * std::sin(a)};
    };
    V3 tableCentre{0, -crown, 0}, culet{0, pavilion, 0};
    for (int k = 0; k < n; k += 2) // the table: one pale face, a calm centre to the stone
        AddFlatOut(&m, tableCentre, ring(table, -crown, 0, k), ring(table, -crown, 0, k + 2), 0,
                   centre);
    for (int k = 0; k < n; k += 2) {
        V3 t0 = ring(table, -crown, 0, k), t1 = ring(table, -crown, 0, k + 2);
        V3 g0 = ring(girdle, 0, 0, k), g1 = ring(girdle, 0, 0, k + 1),
           g2 = ring(girdle, 0, 0, k + 2);
        AddFlatOut(&m, t0, t1, g1, k % 4 ? 2 : 3, centre);       // star facet
        AddFlatOut(&m, t0, g0, g1, (k / 2) % 3 ? 0 : 1, centre); // upper girdle facets
        AddFlatOut(&m, t1, g1, g2, (k / 2) % 3 == 1 ? 3 : 2, centre);
    }
    for (int k = 0; k < n; k++) {
        V3 g0 = ring(girdle, 0, 0, k), g1 = ring(girdle, 0, 0, k + 1);
        V3 p = ring(girdle * 0.45, pavilion * 0.55, 0.5, k),
           q = ring(girdle * 0.45, pavilion * 0.55, 0.5, k - 1);
        AddFlatOut(&m, g0, g1, p, k % 2 ? 0 : 3, centre);
        AddFlatOut(&m, g0, p, q, k % 2 ? 1 : 2, centre);
        AddFlatOut(&m, p, q, culet, k % 3 ? 2 : 1, centre);
    }
    return m;
}

// love: a neon heart, two glowing tubes bent to a heart's outline, with a
// few white sparks circling it. The part turns it fast, warps it and keeps
// every frame's render under the next one's blur: a flat heart seen edge-on
// became a pale slab there, and a rounded one a shapeless smear. A tube
// looks the same from every side, and its trails are the strokes a swung
// neon sign draws. The sparks ride far out on the same turn: small and
// bright, each leaves a comet's tail across the dragon that the part's blur
// fades within a second, so the still picture under them moves. Sized to
// turn in the open sky that the dragon's picture leaves in the middle of
// the view.
std::vector<MeshData> Love() {
    MeshData heart{"heart", {}, {}}, sparks{"sparks", {}, {}};
    const double scale = 1.8;
    auto outline = [&](double s, double k) { // y grows downward in view space
        double x = 16 * std::pow(std::sin(s), 3);
        double y =
            -(13 * std::cos(s) - 5 * std::cos(2 * s) - 2 * std::cos(3 * s) - std::cos(4 * s));
        // Shrunk toward the middle of the heart (x 0, y -2.5 before scaling).
        return V3{x * scale * k, ((y - 2.5) * k) * scale, 0};
    };
    // The inner tube is a size smaller and set back, in a second colour, so
    // the heart keeps a shape inside its glow. 72 rings of 6 sides: the part
    // costs what the cut heart did.
    const struct {
        double k, radius, z;
        int material;
    } tubes[] = {{1.0, 2.4, 0, 0}, {0.62, 1.7, 3, 1}};
    const int along = 72, around = 6;
    for (const auto &tube : tubes)
        AddTube(
            &heart, along, around, tube.material,
            [&](double s) {
                return outline(s, tube.k) + V3{0, 0, tube.z};
            },
            [&](double) { return tube.radius; });
    // Sparks: small double-sided stars on two tilted rings well outside the
    // heart, the outer one tilted the other way and reaching over the
    // dragon's head and wing, so their tails sweep wide crossing arcs when
    // the heart swings.
    Rng rng = NewRng(13);
    const struct {
        int count;
        double from, to, tilt; // radius range in units; the ring's lean
    } rings[] = {{7, 40, 52, 0.6}, {5, 60, 68, -0.7}};
    for (const auto &ring : rings)
        for (int k = 0; k < ring.count; k++) {
            double a = 2 * kPi * (k + RngRange(&rng, -0.2, 0.2)) / ring.count;
            double r = RngRange(&rng, ring.from, ring.to);
            V3 p{r * std::cos(a), r * std::sin(a) * 0.55, r * std::sin(a) * ring.tilt};
            const double len = 2.6, thin = 0.7;
            for (int arm = 0; arm < 4; arm++) {
                double b = arm * kPi / 2;
                V3 d{std::cos(b) * len, std::sin(b) * len, 0},
                    n{-std::sin(b) * thin, std::cos(b) * thin, 0};
                for (double side : {1.0, -1.0})
                    AddFlat(&sparks, p + n, p - n, p + d, 2, V3{0, 0, side});
            }
        }
    return {heart, sparks};
}

// dabomb: the lake's moon, a ball (radius 16) with grey seas on its pale
// face. The lake loop hangs it 80 units above the eye line at z 220, about
// 1.8 pixels a unit, its middle 49 rows below the view's top, and lake.jpg's
// moon stands hidden right behind it: its glow haloes the ball and its path
// on the water leads to the ball's reflection. The ball is centred on the
// origin, so its outline holds still while it turns and the trails the loop
// leaves stay inside it; the seas show the turn. (A bomb with a fuse and a
// spark and two pale hoops was hung here: a viewer took it for a striped
// moon, and its fuse's trail for a glitch.)
std::vector<MeshData> Dabomb() {
    MeshData body{"moon", {}, {}};
    const double r = 16;
    auto sphere = [&](int i, int j) {
        double v = kPi * i / 16, u = 2 * kPi * j / 28;
        return V3{r * std::sin(v) * std::cos(u), -r * std::cos(v), r * std::sin(v) * std::sin(u)};
    };
    AddClosedGrid(&body, 16, 28, 0, sphere, [](int) { return V3{0, 0, 0}; });
    // The seas: the faces where a noise over the sphere runs low, a third of
    // the face or so, in the second material.
    PaintFaces(&body, 1, [](V3 mid) {
        return Fbm(177, mid.x * 1.6 + mid.z * 0.7, mid.y * 1.6 - mid.z * 0.9, 3) < -0.08;
    });
    return {body};
}

// A mesh whose vertices are shared by every triangle of one material that
// meets there. The unlit butterfly's colour is the material of the first
// drawn face at each vertex, so a corner shared by black and blue faces would
// shade one of them toward the other: each material keeps its own copy.
struct SharedMesh {
    MeshData *mesh;
    std::vector<std::pair<V3, int>> keys; // Position and material of each vertex
};

int SharedVertex(SharedMesh *s, V3 p, int material) {
    for (size_t i = 0; i < s->keys.size(); i++) {
        const std::pair<V3, int> &k = s->keys[i];
        if (k.second == material && std::fabs(k.first.x - p.x) < 1e-6 &&
            std::fabs(k.first.y - p.y) < 1e-6 && std::fabs(k.first.z - p.z) < 1e-6)
            return (int)i;
    }
    s->keys.push_back({p, material});
    return AddVertex(s->mesh, p);
}

// Adds triangle a, b, c twice, once facing each way, on shared vertices: a
// thin surface seen from both sides.
void AddTwoSided(SharedMesh *s, V3 a, V3 b, V3 c, int material) {
    int ia = SharedVertex(s, a, material), ib = SharedVertex(s, b, material),
        ic = SharedVertex(s, c, material);
    V3 n = Cross(b - a, c - a);
    AddFacing(s->mesh, ia, ib, ic, material, n);
    AddFacing(s->mesh, ia, ib, ic, material, n * -1.0);
}

// Points along a Catmull-Rom curve through `knots` (z ignored), `steps` to a
// span; a closed curve wraps round to its first knot.
std::vector<V3> Spline(const std::vector<V3> &knots, int steps, bool closed) {
    const int n = (int)knots.size(), spans = closed ? n : n - 1;
    auto knot = [&](int i) { return closed ? knots[(i + n) % n] : knots[std::clamp(i, 0, n - 1)]; };
    std::vector<V3> out;
    for (int i = 0; i < spans; i++) {
        V3 p0 = knot(i - 1), p1 = knot(i), p2 = knot(i + 1), p3 = knot(i + 2);
        for (int k = 0; k < steps; k++) {
            double t = (double)k / steps, t2 = t * t, t3 = t2 * t;
            out.push_back((p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
                           (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
                          0.5);
        }
    }
    if (closed)
        out.push_back(out.front());
    else
        out.push_back(knots.back());
    return out;
}

// butterfly: a body and two pairs of wings, drawn without lights, so every
// face comes out black. Each wing is drawn as a butterfly's own lattice: a
// border along its outline, the closed cell in its middle and the veins that
// run from that cell and from the root out to the margin, all as black
// strokes around open cells. The show lays the render over its pictures by
// the blue byte, straight or inverted: on white, the lattice is a window onto
// the forest behind it; inverted, it is a white lattice whose cells show the
// picture. The lattice keeps the white area of an inverted butterfly small,
// so its jumps on the kicks swing a screen region's brightness less than a
// solid shape would, and five of them overlapping stay lattices rather than
// one white clump.
// Wingspan about 500, height 420: at z 1050-1450 it covers 140-200 pixels.
std::vector<MeshData> Butterfly() {
    MeshData wings{"wings", {}, {}}, body{"body", {}, {}};
    SharedMesh w{&wings, {}}, b{&body, {}};
    const double lift = std::tan(0.35); // wings raised about 20 degrees
    const int kBlack = 0;
    // Strokes are this wide (scene units, before the final widening): a vein
    // two to three pixels at the swarm's distance, so the blur leaves a line;
    // the border a third wider. Wider strokes put more white into the part
    // before the finale, where the lone butterfly turns over the warped stone
    // and rises and falls with the bass: at 144 frames a second that passed
    // the flash limit.
    const double vein = 12, border = 16;
    // One wing, right side, x > 0 away from the body, y down (forward is -y):
    // its outline, its middle cell and its veins, each a list of knots.
    struct Wing {
        std::vector<V3> outline, cell;
        std::vector<std::vector<V3>> veins;
        double pitch; // tipped about the span, radians
    };
    auto strokes = [&](const Wing &g) {
        // Raised by `lift` about the body and tipped by `pitch` about the
        // span: fore- and hindwings tip toward the viewer from either side
        // of the body, so a turn that shows one pair edge-on still shows
        // the other as a shape, not a sliver.
        const double cp = std::cos(g.pitch), sp = std::sin(g.pitch);
        for (int mirror = -1; mirror <= 1; mirror += 2) {
            auto place = [&](V3 p) {
                double z = -std::fabs(p.x) * lift;
                return V3{mirror * p.x, p.y * cp - z * sp, p.y * sp + z * cp};
            };
            // A polyline as quads of width w0 at its start to w1 at its end;
            // neighbouring quads overlap at the bends, which in one flat
            // black shows no seam.
            auto stroke = [&](const std::vector<V3> &line, double w0, double w1) {
                for (size_t i = 0; i + 1 < line.size(); i++) {
                    V3 a = line[i], c = line[i + 1], d = Normalize(c - a);
                    V3 n{-d.y, d.x, 0};
                    double f = (double)i / (line.size() - 1), g2 = (i + 1.0) / (line.size() - 1);
                    V3 na = n * (0.5 * (w0 + (w1 - w0) * f)),
                       nc = n * (0.5 * (w0 + (w1 - w0) * g2));
                    AddTwoSided(&w, place(a - na), place(c - nc), place(c + nc), kBlack);
                    AddTwoSided(&w, place(a - na), place(c + nc), place(a + na), kBlack);
                }
            };
            // The knots are drawn at 0.75 of their size; the strokes keep
            // their widths.
            auto sized = [](std::vector<V3> line) {
                for (V3 &p : line) p = p * 0.75;
                return line;
            };
            stroke(sized(Spline(g.outline, 4, true)), border, border);
            stroke(sized(Spline(g.cell, 3, true)), vein, vein);
            for (const std::vector<V3> &v : g.veins)
                stroke(sized(Spline(v, 2, false)), vein, vein * 0.6);
        }
    };
    // Forewing: a straight leading edge out to a pointed tip, the outer
    // margin falling back to the hind corner; a long middle cell with five
    // veins from its end.
    strokes({{{12, -22, 0},
              {90, -130, 0},
              {200, -215, 0},
              {300, -262, 0},
              {338, -238, 0},
              {322, -160, 0},
              {290, -80, 0},
              {240, -10, 0},
              {140, 4, 0},
              {40, 2, 0}},
             {{40, -40, 0}, {120, -105, 0}, {196, -128, 0}, {182, -84, 0}, {100, -40, 0}},
             {{{150, -125, 0}, {230, -210, 0}, {276, -248, 0}},
              {{196, -128, 0}, {262, -180, 0}, {322, -214, 0}},
              {{192, -112, 0}, {262, -140, 0}, {318, -150, 0}},
              {{186, -94, 0}, {250, -92, 0}, {300, -92, 0}},
              {{160, -70, 0}, {222, -46, 0}, {262, -34, 0}}},
             0.2});
    // Hindwing: round, its margin scalloped by the veins' ends; a short
    // middle cell and six veins fanning from it to the margin.
    strokes({{{14, 8, 0},
              {120, 14, 0},
              {222, 46, 0},
              {262, 100, 0},
              {246, 160, 0},
              {204, 212, 0},
              {146, 248, 0},
              {90, 258, 0},
              {44, 218, 0},
              {18, 130, 0}},
             {{34, 30, 0}, {120, 44, 0}, {160, 92, 0}, {120, 118, 0}, {52, 84, 0}},
             {{{120, 44, 0}, {196, 60, 0}, {240, 86, 0}},
              {{150, 72, 0}, {210, 110, 0}, {248, 140, 0}},
              {{160, 92, 0}, {196, 150, 0}, {220, 196, 0}},
              {{142, 108, 0}, {160, 170, 0}, {170, 226, 0}},
              {{120, 118, 0}, {118, 180, 0}, {116, 248, 0}},
              {{80, 104, 0}, {68, 170, 0}, {62, 236, 0}}},
             -0.2});
    // Body: a slim black spindle from head (-y) to abdomen (+y), and two
    // black antennae.
    auto spindle = [&](int i, int j) {
        double v = kPi * i / 6, u = 2 * kPi * j / 5;
        double y = -150 * std::cos(v) + 40, rr = 18 * std::sin(v) * (i < 3 ? 1.1 : 0.8);
        return V3{rr * std::cos(u), y, rr * std::sin(u)};
    };
    AddClosedGrid(&body, 6, 5, kBlack, spindle, [](int i) {
        return V3{0, -150 * std::cos(kPi * i / 6) + 40, 0};
    });
    b.keys.resize(body.vertices.size(), {V3{1e9, 1e9, 1e9}, 99}); // the spindle's own vertices
    for (int s = -1; s <= 1; s += 2) {
        V3 root{4.0 * s, -105, 0}, tip{70.0 * s, -230, -20}, width{0, 0, 4};
        AddTwoSided(&b, root - width, root + width, tip, kBlack);
        AddTwoSided(&b, tip + V3{8.0 * s, 0, 0}, tip - V3{0, 8, 0}, tip + V3{0, 8, 0}, kBlack);
    }
    // Widened by 1.4. The show turns the butterfly by 2.07
    // rad about y before anything else; turning it back by that much here
    // makes that first turn face it to the viewer.
    double c = std::cos(-2.07), s = std::sin(-2.07);
    for (MeshData *mesh : {&wings, &body})
        for (V3 &p : mesh->vertices) {
            // A span of about 520: five of them fill the finale's white look
            // with windows onto the forest and still leave it room.
            double x = p.x * 1.4;
            p = V3{c * x - s * p.z, p.y, s * x + c * p.z};
        }
    return {body, wings};
}

MaterialData Mat(const char *name, V3 ambient, V3 diffuse, V3 specular, double dc, double sc) {
    return MaterialData{name, 1, dc, sc, ambient, diffuse, specular};
}

int WriteScene(const char *dir, const char *file, const char *title,
               const std::vector<MeshData> &meshes, const std::vector<MaterialData> &materials) {
    std::string text = SceneText(title, meshes, materials);
    return WriteDataFile(dir, file, text.data(), text.size());
}

} // namespace

int GenerateScenes(const char *dir) {
    // Light files: one point light up and to the left of the viewer. The
    // timeline sets each World's light z itself.
    const char *lys = "Position: -120 -160 0\nColor: 255 240 220\nRadius: 700\n";
    const char *nyttlys = "Position: 0 -120 0\nColor: 230 235 255\nRadius: 520\n";
    int ok = WriteDataFile(dir, "lys.txt", lys, std::strlen(lys)) &&
             WriteDataFile(dir, "nyttlys.txt", nyttlys, std::strlen(nyttlys));
    // The point cloud never reads its material; the other colours are chosen
    // for a light on the viewer's side (diffuse term up to twice the colour)
    // and, where the show lays a render over a picture by its blue byte, with
    // enough blue to be seen.
    ok = ok && WriteScene(dir, "roculus.txt", "roculus", {Roculus()},
                          {Mat("cloud", {0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}, {1, 1, 1}, 0.5, 0.5)});
    // The spikeball is gold against the cool glass it first turns over. Its
    // diffuse red is held so that only a facet turned square to the light
    // (D near 2, the fall-off about 0.88 there) reaches 1: the facets then
    // step from bronze on the far side to pale gold toward the light
    // instead of all clipping to one flat yellow, and the low ambient keeps
    // the shadowed spikes dark. Eight also lays a zoomed copy of the ball
    // by its blue byte: the gold's little blue keeps that copy a faint
    // ghost (a blue ball's copy stood as torn blue debris). The show
    // recolours the ball red with gold highlights for the dark picture
    // that follows; the same weights light that red from deep crimson to a
    // glow.
    ok =
        ok && WriteScene(dir, "spikeball.txt", "spikeball", {Spikeball()},
                         {Mat("steel", {0.12, 0.08, 0.03}, {0.7, 0.5, 0.22}, {1, 1, 1}, 0.85, 0.6),
                          Mat("points", {0.2, 0.2, 0.24}, {0.5, 0.5, 0.56}, {1, 1, 1}, 0.85, 0.6)});
    ok = ok &&
         WriteScene(dir, "stars.txt", "stars", {Stars(), Satellites()},
                    // Cool to warm, in the order the spikes come round to
                    // the viewer: sapphire, amethyst, rose and amber, in
                    // the ferns' own light tones (saturated blue and
                    // magenta fought the gold and green fronds). The part
                    // lays the crystal over the ferns by its blue byte:
                    // the cool facets stand opaque, and the warm ones let
                    // the fronds glow through a little, as glass does.
                    {Mat("ice", {0.25, 0.4, 0.6}, {0.45, 0.72, 1.0}, {1, 1, 1}, 0.6, 0.7),
                     Mat("violet", {0.35, 0.22, 0.55}, {0.65, 0.42, 0.95}, {1, 1, 1}, 0.6, 0.7),
                     Mat("rose", {0.5, 0.25, 0.35}, {0.95, 0.55, 0.72}, {1, 1, 1}, 0.6, 0.7),
                     Mat("amber", {0.6, 0.4, 0.2}, {1.0, 0.78, 0.45}, {1, 1, 1}, 0.7, 0.9),
                     // The frosted points: pale gold, lit brighter than
                     // the body so they glint.
                     Mat("frost", {0.6, 0.55, 0.45}, {1.0, 0.95, 0.82}, {1, 1, 1}, 0.5, 0.9)});
    ok = ok &&
         // The show sets the orb's diffuse colour from spectrum bins 2, 1, 0
         // every frame, values of 0.1-0.3 between the kicks: a diffuse weight
         // above 1 turns those into an orb that reads as lit, in warm amber,
         // and the kicks push it toward gold. The light stands up and to the
         // left, where the wolf's moon hangs: the ambient part is kept to a
         // fifth of the lit side, so the side turned from the moon falls
         // nearly black and the orb reads as lit by it, with a pale moonlit
         // highlight (the specular colour, which the spectrum does not tint).
         WriteScene(
             dir, "cube.txt", "cube", CagedMoon(),
             {MaterialData{
                  "glass", 1, 1.45, 0.9, {0.22, 0.2, 0.18}, {0.6, 0.6, 0.6}, {0.95, 0.92, 0.85}},
              Mat("gilt", {0.3, 0.24, 0.12}, {0.5, 0.4, 0.2}, {1.0, 0.95, 0.8}, 1.0, 0.9),
              Mat("belt", {0.3, 0.12, 0.06}, {0.36, 0.12, 0.05}, {0.9, 0.8, 0.7}, 0.9, 0.6)});
    ok =
        ok && WriteScene(
                  dir, "diamond.txt", "diamond", {Diamond()},
                  // Four tones of amethyst from near white to ink, neighbouring
                  // facets apart in brightness as well as hue. No material
                  // reaches 1 in red: the part pastes the stone over a picture
                  // wherever a pixel is not pure white.
                  {Mat("ice", {0.3, 0.32, 0.4}, {0.62, 0.72, 0.95}, {1.0, 0.9, 0.95}, 0.45, 0.6),
                   Mat("ink", {0.14, 0.11, 0.26}, {0.28, 0.22, 0.62}, {1.0, 0.9, 0.95}, 0.45, 0.6),
                   Mat("violet", {0.2, 0.15, 0.3}, {0.5, 0.38, 0.95}, {1.0, 0.9, 0.95}, 0.45, 0.6),
                   Mat("rose", {0.3, 0.15, 0.25}, {0.85, 0.5, 0.82}, {1.0, 0.9, 0.95}, 0.45, 0.6)});
    // The heart: hot pink neon round a violet core, lit from above with a
    // white highlight; the sparks white. Blue stays high in every tone,
    // since the part lays the render over the dragon by its blue byte: the
    // pink is opaque where the pale gold of a bevel let the dragon through.
    ok = ok &&
         WriteScene(dir, "love.txt", "love", Love(),
                    {Mat("neon", {0.5, 0.1, 0.42}, {1.0, 0.3, 0.85}, {1.0, 0.95, 1.0}, 0.6, 0.8),
                     Mat("violet", {0.25, 0.12, 0.5}, {0.6, 0.4, 1.0}, {1.0, 0.95, 1.0}, 0.6, 0.8),
                     Mat("spark", {1, 1, 1}, {1, 0.95, 1}, {1, 1, 1}, 0.6, 0.3)});
    ok = ok && WriteScene(dir, "dabomb.txt", "dabomb", Dabomb(),
                          // Warm off-white land and grey seas, lit by the lamp's
                          // warm light. The lake lays the moon over the picture by
                          // its blue byte, so the shaded side and the seas, lower
                          // in blue, let some of the picture through: the
                          // picture's own moon, which stands right behind the
                          // ball, so they still read as the moon's face. (With
                          // blue saturated everywhere for full opacity, red and
                          // green alone carried the shading, and the seas and the
                          // shade came out blue: a viewer saw a marble.)
                          {Mat("land", {0.8, 0.78, 0.74}, {1.0, 0.97, 0.9}, {1, 1, 1}, 0.7, 0.5),
                           Mat("sea", {0.5, 0.5, 0.52}, {0.52, 0.52, 0.55}, {1, 1, 1}, 0.5, 0.5)});
    ok = ok && WriteScene(dir, "butterfly.txt", "butterfly", Butterfly(),
                          {Mat("wing", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0, 0)});
    return ok;
}
