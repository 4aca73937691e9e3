// encoder: a helper program fed through a pipe. The capture tool starts
// ffmpeg with its standard input as the write end of a pipe, pours frames or
// samples into it, and then waits for its verdict. A helper that dies early
// shows up as a failed write (the pipe's broken-pipe signal is ignored), so
// the tool never hangs on it and never dies of it. One back end per system:
// fork and exec on Linux, CreateProcess on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct Encoder {
    intptr_t pid; // The helper's process id (a process handle on Windows), 0 while none runs
    intptr_t
        input; // Write end of the pipe to its standard input (a handle on Windows), -1 once closed
} Encoder;

// Finds program in the directories of PATH (or takes it as is when it holds a
// '/'; on Windows also a '\\', and ".exe" may be left off); 1 when it exists
// there and can be run.
int FindProgram(const char *program);

// Starts argv[0] (searched in PATH) with argv as its arguments, its standard
// input a new pipe, in a process group of its own so that the terminal's
// interrupt reaches only the capture tool. 1 when started; 0 after one line
// on standard error when the pipe or process cannot be made. On Linux a
// program that cannot be run exits with status 127 at once; on Windows it is
// not started (0).
int StartEncoder(Encoder *encoder, char *const argv[]);

// Writes all size bytes to the helper. 1 when written, 0 when the helper has
// stopped reading (it exited or closed its input) or the write failed.
int WriteEncoder(Encoder *encoder, const void *bytes, size_t size);

// Closes the helper's input and waits for it to finish. Returns its exit
// status, 128 + the signal's number when a signal ended it, or -1 when no
// helper ran.
int FinishEncoder(Encoder *encoder);

// Stops the helper at once (terminate, then kill after a second) and reaps it.
// Nothing happens when none runs.
void KillEncoder(Encoder *encoder);
