// message on Windows: the system's own message box.
#include "platform/message.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// text in UTF-8 as UTF-16 in out (at most n units, cut there), "" when it is
// not UTF-8.
static void Widen(const char *text, wchar_t *out, int n) {
    int made = MultiByteToWideChar(CP_UTF8, 0, text, -1, out, n);
    if (made == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) made = n;
    out[made > 0 ? made - 1 : 0] = 0;
}

void ShowMessageBox(const char *caption, const char *text) {
    if (!PrintMessage(caption, text)) return;
    wchar_t wideCaption[256], wideText[2048];
    Widen(caption, wideCaption, 256);
    Widen(text, wideText, 2048);
    // Top-most and brought to the front: the show's full-screen window is
    // top-most too, and would hide a plain box, and the program with it,
    // behind a black screen that waits for an OK nobody can see. (SDL's own
    // box, a dialog of its making, is left unpainted and deaf to the
    // keyboard under Wine in front of that window.)
    MessageBoxW(nullptr, wideText, wideCaption,
                MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}
