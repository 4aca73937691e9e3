// message: SDL's simple message box, or standard error alone.
#include "platform/message.h"

#include "platform/console.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

static int IsSet(const char *name) {
    const char *value = getenv(name);
    return value && value[0];
}

void ShowMessageBox(const char *caption, const char *text) {
    fprintf(stderr, "%s: %s\n", caption, text);
    int someoneThere =
        DesktopAvailable() && !IsSet("CI") && !IsSet("GLIMMERFALL_NO_DIALOG") && StderrIsTerminal();
    if (someoneThere) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
