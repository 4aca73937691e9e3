// Linked into every test program: a test run never waits at a message box,
// whatever display the machine has, and neither do the programs it starts.
#include <cstdlib>

static const int noDialog = setenv("GLIMMERFALL_NO_DIALOG", "1", 1);
