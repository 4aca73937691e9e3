// exedir: where the running program's file lies, so that an installed or
// unpacked copy can find the data shipped beside it. One back end per system.
#pragma once

// Writes the absolute folder of the running program, without a trailing
// separator ("/" for a program in the root), into dir (size bytes, NUL
// included). Returns 1, or 0 with dir empty when the system cannot tell or
// the name does not fit.
int GetExeDir(char *dir, int size);
