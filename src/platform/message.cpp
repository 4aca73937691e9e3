// message: SDL's simple message box, or standard error alone.
#include "platform/message.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static int IsSet(const char *name) {
    const char *value = getenv(name);
    return value && value[0];
}

void ShowMessageBox(const char *caption, const char *text) {
    fprintf(stderr, "%s: %s\n", caption, text);
    int someoneThere = (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) && !IsSet("CI") &&
                       !IsSet("GLIMMERFALL_NO_DIALOG") && isatty(STDERR_FILENO);
    if (someoneThere) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
