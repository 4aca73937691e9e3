// portable: the few POSIX calls the tests use, for the Windows build, where
// the C runtime spells them otherwise. Included ahead of every test source
// there (CMake's -include); empty elsewhere.
#pragma once

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <io.h>
#include <string>

// The mode has no meaning for a Windows folder.
inline int mkdir(const char *path, int) {
    return _mkdir(path);
}

inline int setenv(const char *name, const char *value, int overwrite) {
    if (!overwrite && getenv(name)) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

// An empty value removes the variable from a Windows environment.
inline int unsetenv(const char *name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// The folder is made under the pattern's own name with the six X replaced.
inline char *mkdtemp(char *pattern) {
    std::string base = pattern;
    for (int attempt = 0; attempt < 100; attempt++) {
        strcpy(pattern, base.c_str());
        if (_mktemp_s(pattern, base.size() + 1) != 0) return nullptr;
        if (_mkdir(pattern) == 0) return pattern;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

// A copy stands in for the link: making links needs a privilege on Windows,
// and the tests only read through them.
inline int symlink(const char *target, const char *link) {
    return CopyFileA(target, link, TRUE) ? 0 : -1;
}
#endif
