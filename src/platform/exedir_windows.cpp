// exedir on Windows: the file name Windows loaded the running program from.
#include "platform/exedir.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int GetExeDir(char *dir, int size) {
    if (size <= 0) return 0;
    dir[0] = 0;
    // The wide call: the ANSI one cuts names at MAX_PATH and turns
    // characters outside the code page into '?' without saying so.
    static wchar_t wide[32768]; // the longest name Windows has
    DWORD n = GetModuleFileNameW(nullptr, wide, 32768);
    if (n == 0 || n >= 32768) return 0;
    // Keep the folder: cut at the last separator, keeping it after a drive
    // ("C:\") so that the root stays a folder.
    DWORD cut = n;
    while (cut > 0 && wide[cut - 1] != L'\\' && wide[cut - 1] != L'/') cut--;
    if (cut == 0) return 0;
    cut = (cut >= 2 && wide[cut - 2] == L':') ? cut : cut - 1;
    // The C runtime opens files by names in the ANSI code page: a folder
    // that code page cannot spell cannot be opened through it, so it counts
    // as unknown (the data is then looked for in the other places).
    BOOL lost = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, (int)cut, dir, size - 1,
                                    nullptr, &lost);
    if (bytes <= 0 || lost) {
        dir[0] = 0;
        return 0;
    }
    dir[bytes] = 0;
    return 1;
}
