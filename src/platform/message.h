// message: tells the user about a start-up problem.
#pragma once

// Writes "caption: text" as one line on standard error and, whenever a
// display can show one, also shows text in a message box titled caption with
// an OK button and waits for it: started from a desktop, the box is all the
// user sees. No box when the run says it is automated (CI or
// GLIMMERFALL_NO_DIALOG set, to anything but empty) or after
// DisableMessageBoxes, so an automated run never blocks here.
void ShowMessageBox(const char *caption, const char *text);
// From now on ShowMessageBox only writes its line: for offline tools.
void DisableMessageBoxes(void);
// Writes the "caption: text" line; 1 when a box may follow, for back ends.
int PrintMessage(const char *caption, const char *text);
