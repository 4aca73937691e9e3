// The page's small services, as JavaScript called from wasm.
#include "platform/webpage.h"

#include <emscripten.h>

// A message posted to oneself arrives in the next task with no delay: unlike
// setTimeout(0), browsers do not stretch it to 4 ms when it repeats.
EM_JS(void, WebYieldNow, (void), {
    if (typeof Asyncify == 'undefined') return;
    Asyncify.handleSleep(function(wakeUp) {
        if (!Module.yieldChannel) {
            Module.yieldChannel = new MessageChannel();
            Module.yieldChannel.port1.onmessage = function() {
                const w = Module.yieldWake;
                Module.yieldWake = null;
                callUserCallback(w);
            };
        }
        Module.yieldWake = wakeUp;
        Module.yieldChannel.port2.postMessage(0);
    });
});

EM_JS(void, WebAppendText, (const char *id, const char *text),
      { Module.page.appendText(UTF8ToString(id), UTF8ToString(text)); });

EM_JS(void, WebSetTitle, (const char *title), { document.title = UTF8ToString(title); });

void YieldToPage(void) {
    WebYieldNow();
}

void AppendPageText(const char *id, const char *text) {
    WebAppendText(id, text);
}

void SetPageTitle(const char *title) {
    WebSetTitle(title);
}

double PageMilliseconds(void) {
    return emscripten_get_now();
}
