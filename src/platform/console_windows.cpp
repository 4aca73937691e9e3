// console on Windows: the console's control handler, the C runtime's file
// descriptors and the NUL device.
#include "platform/console.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

static void (*interruptHandler)(void); // What the console's stop events call

// Runs on a thread of its own that the console starts. Returning TRUE for a
// close event still ends the process once the handler returns, after about
// five seconds at most, so the flag only gives the frame loop a chance to
// stop first.
static BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (interruptHandler) interruptHandler();
        return TRUE;
    default:
        return FALSE;
    }
}

int StderrIsTerminal(void) {
    return _isatty(_fileno(stderr));
}

int DesktopAvailable(void) {
    return 1;
}

void OnInterrupt(void (*handler)(void)) {
    interruptHandler = handler;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

FILE *DuplicateStdout(void) {
    fflush(stdout);
    int fd = _dup(_fileno(stdout));
    FILE *f = fd >= 0 ? _fdopen(fd, "w") : nullptr;
    if (!f && fd >= 0) _close(fd);
    // Lines end in "\n" as on Linux: text mode would write "\r\n", and a
    // comparison of the output between builds would see every line differ.
    if (f) _setmode(_fileno(f), _O_BINARY);
    return f;
}

void SilenceStdout(void) {
    fflush(stdout);
    int nul = _open("NUL", _O_WRONLY);
    if (nul >= 0) _dup2(nul, _fileno(stdout)), _close(nul);
}

int MakeFolder(const char *path) {
    if (_mkdir(path) == 0) return 1;
    if (errno != EEXIST) return 0;
    struct _stat st;
    if (_stat(path, &st) != 0 || !(st.st_mode & _S_IFDIR)) return errno = ENOTDIR, 0;
    return 1;
}

int MakeUniqueFile(char *pattern, int suffixLength) {
    size_t n = strlen(pattern);
    if (suffixLength < 0 || n < (size_t)suffixLength + 6) return errno = EINVAL, 0;
    char *x = pattern + n - suffixLength - 6;
    if (strncmp(x, "XXXXXX", 6) != 0) return errno = EINVAL, 0;
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // The process id and the clock make the first guess differ between
    // runs; a name that exists already just moves on to the next guess.
    unsigned v = (unsigned)GetCurrentProcessId() * 2654435761u ^ (unsigned)GetTickCount();
    for (int attempt = 0; attempt < 1000; attempt++) {
        unsigned r = v + (unsigned)attempt * 40503u;
        for (int i = 0; i < 6; i++, r /= 36) x[i] = letters[r % 36];
        int fd = _open(pattern, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            return 1;
        }
        if (errno != EEXIST) return 0;
    }
    return errno = EEXIST, 0;
}
