// Test helpers: files in the build folder, console capture, and the check
// that a refused file printed exactly one line naming it and the problem.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "scene/scene.h"
#include "scene_files.h"

// A path in the build folder's scratch directory for this test's file.
inline std::string TempPath(const std::string &name) {
    const std::string dir = std::string(GF_BINARY_DIR) + "/scene-test-files";
    mkdir(dir.c_str(), 0755);
    return dir + "/" + name;
}

inline std::string WriteTemp(const std::string &name, const std::string &bytes) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(scenefiles::WriteFile(path, bytes)) << path;
    return path;
}

// Runs load with the console captured; returns what it printed.
template <typename F> std::string Captured(F load) {
    testing::internal::CaptureStdout();
    load();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Loads text (as a file's bytes) from memory; the Model is kept in *model.
inline std::string LoadModelBytes(const std::string &name, const std::string &bytes,
                                  Model **model) {
    return Captured([&] {
        *model = nullptr;
        char *text = NewSceneText(name.c_str(), bytes.data(), bytes.size());
        if (text) *model = LoadModelText(name.c_str(), text);
        free(text);
    });
}

inline std::string LoadLightBytes(const std::string &name, const std::string &bytes,
                                  Light **light) {
    return Captured([&] {
        *light = nullptr;
        char *text = NewSceneText(name.c_str(), bytes.data(), bytes.size());
        if (text) *light = LoadLightText(name.c_str(), text);
        free(text);
    });
}

inline void DropModel(Model *model) {
    if (!model) return;
    FreeModel(model);
    free(model);
}

// The output's only "Unable To load" line is its last line, names path, and
// contains problem.
inline void ExpectRefused(const std::string &output, const std::string &path,
                          const std::string &problem) {
    const std::string marker = "Unable To load: ";
    const size_t at = output.find(marker);
    ASSERT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.find(marker, at + 1), std::string::npos) << "two failure lines:\n" << output;
    const std::string line = output.substr(at);
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "not the last line:\n" << output;
    EXPECT_EQ(line.rfind(marker + path + ": ", 0), 0u) << line;
    EXPECT_NE(line.find(problem), std::string::npos)
        << "expected \"" << problem << "\" in " << line;
}
