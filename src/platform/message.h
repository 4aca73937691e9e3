// message: tells the user about a start-up problem.
#pragma once

// Writes "caption: text" as one line on standard error and, when a person can
// answer, also shows text in a message box titled caption with an OK button
// and waits for it. Nobody can answer when there is no display, when CI or
// GLIMMERFALL_NO_DIALOG is set, or when standard error is not a terminal, so
// an automated run never blocks here.
void ShowMessageBox(const char *caption, const char *text);
