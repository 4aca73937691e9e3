// The show: start-up behind the loading picture, every part in order to the
// end of the music, shutdown. No arguments, no configuration.
#include "sequencer/show.h"

#include "platform/interrupt.h"

#include <cstdio>

static Show show; // Every asset and the clock, for the whole run

int main(void) {
    setvbuf(stdout, nullptr, _IOLBF, 0); // Each part's line shows as it starts, in a log too
    // Ctrl+C and SIGTERM end the show between two frames, or the loading
    // between two files, with the screen given back first.
    CatchStopSignals(nullptr);
    if (!StartShow(&show)) {
        if (CaughtStopSignal()) EndByStopSignal(); // the display is closed already
        return 1;
    }
    RunTimeline(&show);
    StopShow(&show);
    return 0;
}
