// console on Linux: POSIX signals, file descriptors and /dev/null.
#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static void (*interruptHandler)(void); // What SIGINT and SIGTERM call

static void OnSignal(int) {
    if (interruptHandler) interruptHandler();
}

static int IsSet(const char *name) {
    const char *value = getenv(name);
    return value && value[0];
}

int StderrIsTerminal(void) {
    return isatty(STDERR_FILENO);
}

int DesktopAvailable(void) {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

void OnInterrupt(void (*handler)(void)) {
    interruptHandler = handler;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

FILE *DuplicateStdout(void) {
    fflush(stdout);
    int fd = dup(STDOUT_FILENO);
    FILE *f = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!f && fd >= 0) close(fd);
    return f;
}

void SilenceStdout(void) {
    fflush(stdout);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO), close(devnull);
}

int MakeFolder(const char *path) {
    if (mkdir(path, 0777) == 0) return 1;
    if (errno != EEXIST) return 0;
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return errno = ENOTDIR, 0;
    return 1;
}

int MakeUniqueFile(char *pattern, int suffixLength) {
    int fd = mkstemps(pattern, suffixLength);
    if (fd < 0) return 0;
    close(fd);
    return 1;
}
