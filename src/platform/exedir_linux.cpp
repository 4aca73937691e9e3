// exedir on Linux: the kernel's link to the running program's file. Built
// everywhere but Windows: where there is no /proc (the browser), the
// program's folder is unknown and the show looks in ./data alone.
#if !defined(_WIN32)
#include "platform/exedir.h"

#include <unistd.h>

int GetExeDir(char *dir, int size) {
    if (size <= 0) return 0;
    dir[0] = 0;
    // readlink does not terminate the name and truncates silently: a name
    // that fills the whole buffer may have been cut, so it counts as too long.
    ssize_t n = readlink("/proc/self/exe", dir, (size_t)size);
    if (n <= 0 || n >= size) {
        dir[0] = 0;
        return 0;
    }
    dir[n] = 0;
    // Keep the folder: cut at the last '/', leaving "/" itself for the root.
    ssize_t slash = n - 1;
    while (slash > 0 && dir[slash] != '/') slash--;
    if (dir[slash] != '/') {
        dir[0] = 0;
        return 0;
    }
    dir[slash > 0 ? slash : 1] = 0;
    return 1;
}

#endif
