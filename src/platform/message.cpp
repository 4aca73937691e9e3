// message: the line every build prints, and when a box may be shown.
#include "platform/message.h"

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

int PrintMessage(const char *caption, const char *text) {
    fprintf(stderr, "%s: %s\n", caption, text);
    fflush(stderr);
    return !boxesDisabled && !IsSet("CI") && !IsSet("GLIMMERFALL_NO_DIALOG");
}
