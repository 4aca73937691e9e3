// scene: the scene and light text files, mesh normals and the World container.
//
// A scene file is read whole into a SceneText: its characters (CR LF read as
// LF) followed by one end marker 0xFF and no NUL. Every scan stops at the
// marker. Values are found by key search and read at fixed character
// distances from the key, so label widths are part of the format.
//
// Records are plain values: start-up copies a loaded Model and Light into a
// World, which from then on owns every array they point to. Loaders print what
// they read; on a file they cannot use they print one "Unable To load: ..."
// line naming the file and the problem, and return null.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render3d/math3d.h"

struct ScreenVertex; // Projected vertex with its lit colour (render3d/render3d.h), 24 bytes

// End marker appended to every SceneText.
#define SCENE_TEXT_END 0xFF
// Size of the token buffer: 19 characters and a terminator.
#define SCENE_TOKEN_SIZE 20

typedef struct Rgb {
    float r; // Red, 0.0-1.0 for ordinary colours (the files may hold more)
    float g; // Green
    float b; // Blue
} Rgb;

typedef struct Vertex {
    float x;  // Position in scene space (after the node transform), scene units
    float y;  // Position, scene units
    float z;  // Position, scene units
    float nx; // Unit vertex normal, on the side opposite the face normals; zero if unused
    float ny; // Unit vertex normal
    float nz; // Unit vertex normal
} Vertex;

typedef struct Face {
    int32_t a;        // Vertex index, 0..vertexCount-1
    int32_t b;        // Vertex index, 0..vertexCount-1
    int32_t c;        // Vertex index, 0..vertexCount-1
    int32_t visible;  // 1 after loading; the renderer sets 0 = culled, 1 = drawn
    int32_t material; // Index into the Model's materials, or -1 for none
    float nx;         // Unit face normal, (C - A) x (B - A) normalised; zero if degenerate
    float ny;         // Unit face normal
    float nz;         // Unit face normal
} Face;

typedef struct VertexState {
    int32_t lit;      // 1 once the renderer has lit the vertex this frame
    int32_t material; // Material index the vertex was lit with
} VertexState;

typedef struct Material {
    Rgb ambient;         // Colour as read from the file
    Rgb diffuse;         // Colour as read from the file
    Rgb specular;        // Colour as read from the file
    float ambientCoeff;  // Integer part of the file's value (0.8 reads as 0.0)
    float diffuseCoeff;  // As read
    float specularCoeff; // As read
    float shininess;     // Always 50.0
} Material;

typedef struct Mesh {
    int32_t faceCount;                   // Triangles, >= 0
    int32_t vertexCount;                 // Vertices, >= 0
    Vertex *vertices;                    // vertexCount scene-space vertices
    Vertex *viewVertices;                // vertexCount, the renderer's view-space copies
    struct ScreenVertex *screenVertices; // vertexCount, the renderer's projected vertices
    Face *faces;                         // faceCount triangles
    VertexState *vertexState;            // vertexCount, cleared by the renderer every frame
} Mesh;

typedef struct Model {
    int32_t meshCount;     // Meshes ("geom objects"), >= 0
    int32_t materialCount; // Materials, >= 0
    Mesh *meshes;          // meshCount meshes, owned
    Material *materials;   // materialCount materials, owned
    Matrix4 rotation;      // Identity after loading; set by the timeline
    Matrix4 translation;   // Identity after loading; set by the timeline
    Matrix4 transform;     // translation x rotation, set by the renderer every frame
} Model;

typedef struct Light {
    Rgb color;      // File's 0-255 integers / 255 (a negative one reads as its unsigned value)
    Vec3 position;  // Scene space
    int32_t radius; // Reach of the light as read; the lighting takes it as unsigned
} Light;

typedef struct World {
    int32_t modelCount;  // Entries in models
    int32_t lightCount;  // Entries in lights, 0 draws without lights
    Model *models;       // modelCount Models by value, each owning its arrays
    Light *lights;       // lightCount Lights by value
    Matrix4 frameMatrix; // leftMatrix x rightMatrix, set by the renderer every frame
    Matrix4 rightMatrix; // Identity at creation
    Matrix4 leftMatrix;  // Identity at creation
    Vec3 eye;            // Viewer position, (0, 0, 1) at creation
} World;

// Reads the file at path (CR LF as LF) into a new SceneText; prints
// "Unable To load: %s" and returns null if it cannot be opened or holds a NUL or 0xFF byte.
char *ReadTextFile(const char *path);
// Builds a new SceneText from size bytes in memory as ReadTextFile does from a
// file; name is only used in the failure line. Returns null on failure.
char *NewSceneText(const char *name, const void *bytes, size_t size);
// Returns the first position >= start where key occurs whole, or -1 if the end
// marker comes first. An empty key never matches. start must not lie past the marker.
int32_t FindKey(const char *key, const char *text, int32_t start);
// Copies the characters from pos up to the first space, LF or end marker into
// token (at most 19 of them, then a terminator) and returns the stopping
// position, or -1 if nothing was copied. pos must not lie past the marker.
int32_t ReadToken(const char *text, char *token, int32_t pos);
// Returns the position of the first LF at or after pos, or -1 if the marker comes first.
int32_t SkipLine(const char *text, int32_t pos);

// Writes the rotation of the quaternion (x, y, z, w), used as given, into the
// upper-left 3x3 of m; the other seven elements keep their values.
void QuaternionToMatrix(Matrix4 *m, float x, float y, float z, float w);
// Sets vertex's position to rows 0-2 of m applied to (x, y, z, 1); the normal is untouched.
void ApplyMatrixToPoint(const Matrix4 *m, Vertex *vertex, float x, float y, float z);

// Loads the scene file at path (used as given) into a new Model with normals
// and identity matrices, printing what it reads; null if the file is unusable.
Model *LoadModel(const char *path);
// Loads a Model from a SceneText already in memory; path names it in the console lines.
Model *LoadModelText(const char *path, const char *text);
// Releases a Model's arrays and sets its meshCount to 0; the record itself stays.
void FreeModel(Model *model);
// Sets every vertex normal of every mesh to the normalised sum of
// (B - A) x (C - A) over the faces that use the vertex, in face order.
void ComputeVertexNormals(Model *model);
// Sets every face normal of every mesh to (C - A) x (B - A) normalised.
void ComputeFaceNormals(Model *model);

// Loads the light file at path (used as given) into a new Light, printing what
// it reads; null if the file is unusable.
Light *LoadLight(const char *path);
// Loads a Light from a SceneText already in memory; path names it in the console lines.
Light *LoadLightText(const char *path, const char *text);

// Allocates a World with modelCount and lightCount zeroed entries, identity
// matrices and eye (0, 0, 1); null for a negative count or without memory.
World *NewWorld(int32_t modelCount, int32_t lightCount);
// Prints the World's counts and releases everything it holds, leaving it empty
// with eye (0, 0, 0); the record itself stays with its owner. Null: nothing.
void FreeWorld(World *world);
