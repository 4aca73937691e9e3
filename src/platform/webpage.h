// webpage: what the browser page does for the program in the web build. The
// page (web/index.html) passes these services in as Module.page; each call
// here is one of them.
#pragma once

// Gives the browser the thread until a zero-delay timer fires, so a long
// computation keeps the page responsive without waiting for the display's
// refresh. Does nothing in a build without Asyncify.
void YieldToPage(void);

// Appends text to the page's element with that id.
void AppendPageText(const char *id, const char *text);

// Sets the page's title (document.title).
void SetPageTitle(const char *title);

// Milliseconds on the page's monotonic clock (performance.now()).
double PageMilliseconds(void);
