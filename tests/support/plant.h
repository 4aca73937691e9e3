// plant: a copy of the show's data with one file swapped for a fault, as a
// user meets it. Header-only, for tests.
#pragma once

#include "support/process.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

// Fills folder/data with links to every file of the project's data/ but
// skip, which the caller then plants itself. 0 when data/ cannot be read.
inline bool LinkDataBut(const std::string &folder, const std::string &skip) {
    char here[4096];
    if (!getcwd(here, sizeof here)) return false;
    std::string from = std::string(here) + "/data", to = folder + "/data";
    if (mkdir(to.c_str(), 0755) != 0) return false;
    DIR *d = opendir(from.c_str());
    if (!d) return false;
    int linked = 0;
    for (dirent *e; (e = readdir(d));) {
        if (e->d_name[0] == '.' || skip == e->d_name) continue;
        linked += symlink((from + "/" + e->d_name).c_str(), (to + "/" + e->d_name).c_str()) == 0;
    }
    closedir(d);
    return linked > 0;
}
