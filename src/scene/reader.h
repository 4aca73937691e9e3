// reader: the scene and light loaders' checked reading of values at fixed
// distances. Every read is checked against the end marker first, so a missing
// key, a cut-short list or a wrong count stops the load with one message
// instead of reading outside the text. Private to src/scene.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "scene/scene.h"

typedef struct SceneReader {
    const char *path;             // File name, for the failure line
    const char *text;             // SceneText being read
    int32_t end;                  // Position of the end marker
    int32_t r;                    // Position that ended the last value read
    char token[SCENE_TOKEN_SIZE]; // Last token, 19 characters and a terminator
    char problem[192];            // First problem found; empty while the file reads well
} SceneReader;

// Starts reading text (which ends in the marker) for the file named path.
void BeginReading(SceneReader *rd, const char *path, const char *text);
// Records the first problem (printf format); later ones are dropped. Returns false.
bool Fail(SceneReader *rd, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Prints "Unable To load: <path>: <problem>" once.
void ReportProblem(const SceneReader *rd);
// Returns FindKey(key, text, start), or -1 after recording that key is missing
// (what names the item the key belongs to, e.g. "mesh 2").
int32_t FindKeyChecked(SceneReader *rd, const char *key, int32_t start, const char *what);
// Reads the token at pos into rd->token and sets rd->r to where it ended.
// Fails if pos lies past the marker, or the token is longer than 19
// characters, or (when required) empty. what names the value in the message.
bool ReadTokenAt(SceneReader *rd, int32_t pos, bool required, const char *what);
// Reads an integer (sign and leading digits, clamped to int32) at pos.
bool ReadIntAt(SceneReader *rd, int32_t pos, int32_t *value, const char *what);
// Reads a real (sign, digits, fraction, exponent) at pos as a finite float.
bool ReadRealAt(SceneReader *rd, int32_t pos, float *value, const char *what);
// Reads count integers, the first at first, each next one gap characters
// after the character that ended the one before.
bool ReadIntsAt(SceneReader *rd, int32_t first, int32_t gap, int32_t *values, int count,
                const char *what);
// Reads count reals placed as ReadIntsAt's integers.
bool ReadRealsAt(SceneReader *rd, int32_t first, int32_t gap, float *values, int count,
                 const char *what);
// Fails unless 0 <= count and used + count <= the text's length: a list
// cannot have more entries than the file has characters. Adds count to used.
bool CheckCount(SceneReader *rd, int32_t count, int64_t *used, const char *what);

// Reads the file at path into a SceneText and hands it to load (LoadModelText
// or LoadLightText); null when the file or the load fails.
template <typename T>
T *LoadSceneFile(const char *path, T *(*load)(const char *path, const char *text)) {
    char *text = ReadTextFile(path);
    if (!text) return nullptr;
    T *loaded = load(path, text);
    free(text);
    return loaded;
}
