// interrupt: SIGINT and SIGTERM as a request to stop. The handler only notes
// the signal; the program answers it where that is safe (between frames,
// between the files it loads), gives back what the user sees, and then ends
// by the signal as if it had not been caught, so a shell sees 130 or 143.
#pragma once

// Catches SIGINT and SIGTERM from now on. A blocking open or read on the
// thread that called this returns early (EINTR) when one arrives, so a file
// that never delivers (a FIFO) cannot hold the program. beforeEnding (null
// for none) runs once in EndByStopSignal, wherever that is called from: what
// the program made on the way (a helper process, half-written files) goes.
void CatchStopSignals(void (*beforeEnding)(void));
// The signal caught (SIGINT or SIGTERM), 0 while none.
int CaughtStopSignal(void);
// Runs beforeEnding, then ends the process by the caught signal with its
// default action (by SIGTERM when none was caught).
[[noreturn]] void EndByStopSignal(void);
