// message with SDL's simple message box, on X11 and Wayland.
#include "platform/message.h"

#include <SDL.h>

void ShowMessageBox(const char *caption, const char *text) {
    if (!PrintMessage(caption, text)) return;
    // SDL opens the box on whatever display it can reach (X11, Wayland) and
    // returns an error at once where there is none: a terminal without a
    // display loses nothing, the line is already out.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
