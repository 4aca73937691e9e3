// Scene loading at start-up: a 5,000-vertex, 10,000-face scene read, parsed
// and given its normals, and the vertex-normal pass alone (one pass over the
// faces, against the plain scan of every face for every vertex).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "../tests/scene/scene_files.h"
#include "scene/scene.h"

namespace {

// 100 x 50 vertices closed into a torus: 5,000 vertices, 10,000 faces.
const std::string &BigScene() {
    static const std::string text = scenefiles::TorusScene(100, 50);
    return text;
}

// Sends the loader's console lines to /dev/null while the loop runs, so the
// figures measure loading, not the terminal.
struct QuietStdout {
    int saved;
    QuietStdout() {
        fflush(stdout);
        saved = dup(1);
        FILE *null = fopen("/dev/null", "w");
        dup2(fileno(null), 1);
        fclose(null);
    }
    ~QuietStdout() {
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

void DropModel(Model *model) {
    FreeModel(model);
    free(model);
}

void BM_LoadModelFile(benchmark::State &state) {
    const std::string path = "/tmp/glimmerfall-scene-bench.txt";
    if (!scenefiles::WriteFile(path, BigScene())) {
        state.SkipWithError("cannot write the scene file to /tmp");
        return;
    }
    QuietStdout quiet;
    for (auto _ : state) DropModel(LoadModel(path.c_str()));
    unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * (int64_t)BigScene().size());
}
BENCHMARK(BM_LoadModelFile)->Unit(benchmark::kMillisecond);

void BM_LoadModelText(benchmark::State &state) {
    char *text = NewSceneText("bench", BigScene().data(), BigScene().size());
    QuietStdout quiet;
    for (auto _ : state) DropModel(LoadModelText("bench", text));
    free(text);
}
BENCHMARK(BM_LoadModelText)->Unit(benchmark::kMillisecond);

template <bool plain> void BM_VertexNormals(benchmark::State &state) {
    char *text = NewSceneText("bench", BigScene().data(), BigScene().size());
    Model *model;
    {
        QuietStdout quiet;
        model = LoadModelText("bench", text);
    }
    for (auto _ : state) {
        if (plain)
            scenefiles::ScanVertexNormals(model->meshes);
        else
            ComputeVertexNormals(model);
        benchmark::DoNotOptimize(model->meshes->vertices[0].nx);
    }
    DropModel(model);
    free(text);
}
BENCHMARK(BM_VertexNormals<false>)->Name("BM_VertexNormalsOnePass")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VertexNormals<true>)->Name("BM_VertexNormalsPlainScan")->Unit(benchmark::kMillisecond);

void BM_FaceNormals(benchmark::State &state) {
    char *text = NewSceneText("bench", BigScene().data(), BigScene().size());
    Model *model;
    {
        QuietStdout quiet;
        model = LoadModelText("bench", text);
    }
    for (auto _ : state) ComputeFaceNormals(model);
    DropModel(model);
    free(text);
}
BENCHMARK(BM_FaceNormals)->Unit(benchmark::kMillisecond);

} // namespace
