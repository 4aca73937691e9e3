// Writers of scene and light files in the exact layout the loaders read
// (label widths and value gaps), and the plain vertex-normal scan the loader's
// one-pass version must match: for the tests and the scene benchmark.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace scenefiles {

struct FaceLine {
    int a, b, c, material;
};

struct MeshDesc {
    std::string position[3] = {"0", "0", "0"};
    std::string rotation[4] = {"0", "0", "0", "1"};
    std::vector<std::string> vertices; // "x y z" each, one character between values
    std::vector<FaceLine> faces;
};

struct MaterialDesc {
    std::string ambientCoeff = "1", diffuseCoeff = "0.5", specularCoeff = "0.25";
    std::string ambient = "0.1  0.2  0.3", diffuse = "0.4  0.5  0.6", specular = "0.7  0.8  0.9";
    std::string shininess = "12.5";
};

// key padded with spaces to width characters.
inline std::string Label(const std::string &key, size_t width) {
    std::string s = key;
    s.resize(width, ' ');
    return s;
}

inline std::string Format(const char *format, double a, double b, double c) {
    char s[96];
    snprintf(s, sizeof s, format, a, b, c);
    return s;
}

inline std::string MeshText(const MeshDesc &m, int index) {
    std::string t = "\nNodeID:       object" + std::to_string(index) + "\n";
    t +=
        Label("Position:", 14) + m.position[0] + "  " + m.position[1] + "  " + m.position[2] + "\n";
    t += Label("Rotation:", 14) + m.rotation[0] + "  " + m.rotation[1] + "  " + m.rotation[2] +
         "  " + m.rotation[3] + "\n";
    t += "Points shared by its faces " + std::to_string(m.vertices.size()) + "\n";
    t += "Vertices:\n";
    for (const std::string &v : m.vertices) t += v + "\n";
    t += "Triangle data: " + std::to_string(m.faces.size()) + "\n";
    t += "A B C Vis Mtl EdgeVisCode)\n";
    for (const FaceLine &f : m.faces) {
        char line[96];
        // The material stands 22 characters after the character that ends c.
        snprintf(line, sizeof line, "%d %d %d %-21s%d\n", f.a, f.b, f.c, "1 AB:1 BC:1 CA:1",
                 f.material);
        t += line;
    }
    return t;
}

inline std::string MaterialText(const MaterialDesc &m, int index) {
    std::string t = "Material: surface" + std::to_string(index) + "\n";
    t += Label("Ambient Coeff:", 25) + m.ambientCoeff + "\n";
    t += Label("Diffuse Coeff:", 25) + m.diffuseCoeff + "\n";
    t += Label("Specular Coeff:", 25) + m.specularCoeff + "\n";
    t += Label("Ambient Color:", 25) + m.ambient + "\n";
    t += Label("Diffuse Color:", 25) + m.diffuse + "\n";
    t += Label("Specular Color:", 25) + m.specular + "\n";
    t += Label("Shininess:", 25) + m.shininess + "\n";
    return t;
}

inline std::string SceneText(const std::vector<MeshDesc> &meshes,
                             const std::vector<MaterialDesc> &materials) {
    std::string t = Label("Number of geom objects:", 29) + std::to_string(meshes.size()) + "\n";
    for (size_t i = 0; i < meshes.size(); i++) t += MeshText(meshes[i], (int)i);
    t += "\n" + Label("Number of materials:", 29) + std::to_string(materials.size()) + "\n";
    for (size_t i = 0; i < materials.size(); i++) t += MaterialText(materials[i], (int)i);
    return t;
}

inline std::string LightText(const std::string &position, const std::string &color,
                             const std::string &radius) {
    return "Position: " + position + "\nColor: " + color + "\nRadius: " + radius + "\n";
}

// A bumpy grid of columns x rows vertices closed into a torus (each edge
// wraps around), so it has 2 x columns x rows triangles: for timing and for
// comparing normals on something larger than a test case.
inline std::string TorusScene(int columns, int rows) {
    MeshDesc m;
    m.position[0] = "5";
    m.rotation[2] = "0.6";
    m.rotation[3] = "0.8";
    for (int y = 0; y < rows; y++)
        for (int x = 0; x < columns; x++)
            m.vertices.push_back(
                Format("%.4f %.4f %.4f", x * 0.5, y * 0.5, ((x * 7 + y * 3) % 11) * 0.1));
    for (int y = 0; y < rows; y++)
        for (int x = 0; x < columns; x++) {
            const int x1 = (x + 1) % columns, y1 = (y + 1) % rows;
            const int p = y * columns + x, q = y * columns + x1;
            const int r = y1 * columns + x, s = y1 * columns + x1;
            m.faces.push_back({p, q, r, 0});
            m.faces.push_back({q, s, r, -1});
        }
    return SceneText({m}, {MaterialDesc{}});
}

// Writes bytes to path, replacing the file.
inline bool WriteFile(const std::string &path, const std::string &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// text with every LF turned into CR LF.
inline std::string WithCrLf(const std::string &text) {
    std::string t;
    for (char ch : text) t += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    return t;
}

// The plain definition: every vertex scans every face in order and adds
// (B - A) x (C - A) once for each face that names it.
inline void ScanVertexNormals(Mesh *mesh) {
    for (int32_t k = 0; k < mesh->vertexCount; k++) {
        float sx = 0, sy = 0, sz = 0;
        for (int32_t j = 0; j < mesh->faceCount; j++) {
            const Face &f = mesh->faces[j];
            if (f.a != k && f.b != k && f.c != k) continue;
            const Vertex &a = mesh->vertices[f.a], &b = mesh->vertices[f.b],
                         &c = mesh->vertices[f.c];
            const Vec3 u = {b.x - a.x, b.y - a.y, b.z - a.z}, v = {c.x - a.x, c.y - a.y, c.z - a.z};
            sx += u.y * v.z - u.z * v.y;
            sy += u.z * v.x - u.x * v.z;
            sz += u.x * v.y - u.y * v.x;
        }
        const float length = (float)sqrt((double)(sx * sx + sy * sy + sz * sz));
        Vertex &out = mesh->vertices[k];
        out.nx = length == 0 ? 0 : sx / length;
        out.ny = length == 0 ? 0 : sy / length;
        out.nz = length == 0 ? 0 : sz / length;
    }
}

} // namespace scenefiles
