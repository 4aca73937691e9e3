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

static int boxesDisabled; // DisableMessageBoxes was called

void DisableMessageBoxes(void) {
    boxesDisabled = 1;
}

void ShowMessageBox(const char *caption, const char *text) {
    fprintf(stderr, "%s: %s\n", caption, text);
    fflush(stderr);
    if (boxesDisabled || IsSet("CI") || IsSet("GLIMMERFALL_NO_DIALOG")) return;
    // SDL opens the box on whatever display it can reach (X11, Wayland) and
    // returns an error at once where there is none: a terminal without a
    // display loses nothing, the line above is there.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
