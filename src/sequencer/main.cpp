// The show: start-up behind the loading picture, every part in order to the
// end of the music, shutdown. No arguments, no configuration.
#include "sequencer/show.h"

static Show show; // Every asset and the clock, for the whole run

int main(void) {
    if (!StartShow(&show)) return 1;
    RunTimeline(&show);
    StopShow(&show);
    return 0;
}
