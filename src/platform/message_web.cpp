// message in a browser: the line goes to the console and the text onto the
// page, in the same words the native build prints; nothing waits for an OK.
#include "platform/message.h"

#include <emscripten.h>

EM_JS(void, WebShowMessage, (const char *caption, const char *text),
      { Module.page.showMessage(UTF8ToString(caption), UTF8ToString(text)); });

void ShowMessageBox(const char *caption, const char *text) {
    PrintMessage(caption, text); // the page shows it whatever the run says
    WebShowMessage(caption, text);
}
