// console: what the programs need of the system around them beyond the
// window and the sound: whether a person sits at a terminal or a desktop,
// the interrupt from the terminal, and the few file calls whose spelling
// differs between systems. One back end per system.
#pragma once

#include <cstdio>

// 1 when standard error is a terminal (a console window on Windows).
int StderrIsTerminal(void);
// 1 when a desktop can show a window or a message box: X11 or Wayland on
// Linux, always on Windows.
int DesktopAvailable(void);
// Calls handler (once per event, on any thread) when the terminal asks the
// program to stop: Ctrl+C or a termination request on Linux; Ctrl+C,
// Ctrl+Break or the console window being closed on Windows. The handler
// must only set a flag.
void OnInterrupt(void (*handler)(void));
// A second stream on the current standard output, for lines that must still
// reach it after SilenceStdout. Null when it cannot be made.
FILE *DuplicateStdout(void);
// Sends everything printed to standard output from now on to nowhere.
void SilenceStdout(void);
// Makes the folder path; 1 when it was made or already is a folder, 0 with
// errno set otherwise.
int MakeFolder(const char *path);
// Replaces the six X before the last suffixLength characters of pattern
// with characters that make a new file's name, and creates that file empty
// (as mkstemps does). 1 when made, 0 with errno set otherwise.
int MakeUniqueFile(char *pattern, int suffixLength);
