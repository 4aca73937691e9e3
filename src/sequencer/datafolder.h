// datafolder: where the show's data lies. The working folder's data/ comes
// first, as the show has always read it; then the folder beside the program,
// as in a build tree; then share/glimmerfall/data beside the program's bin/,
// so that an installed or unpacked copy works wherever it lies.
#pragma once

#include "raster2d/image.h"

#define DATA_PLACES 3                        // Folders a search can look in
#define DATA_MARK   "final.mp3"              // The file that makes a folder the show's data
#define DATA_SHARE  "share/glimmerfall/data" // The installed data, beside bin/

typedef struct DataSearch {
    char places[DATA_PLACES][DATA_FOLDER_SIZE]; // Folders looked in, in order
    int placeCount;                             // 1 when the program's folder is unknown, else 3
    int found; // Index in places of the first holding a readable DATA_MARK, -1 for none
} DataSearch;

// Looks in "data", exeDir/data and the DATA_SHARE beside exeDir's parent, in
// that order, and marks the first holding a readable DATA_MARK. A null or
// empty exeDir leaves just "data"; a place whose name does not fit is left out.
DataSearch SearchDataFolders(const char *exeDir);
// Writes "Cannot find the show's data (final.mp3) in A, B or C" into text.
void DescribeDataSearch(const DataSearch *search, char *text, int size);
// Finds this program's data (SearchDataFolders on the program's own folder)
// and makes every loader read from it. Returns 1, or 0 with the
// DescribeDataSearch text in message (size bytes).
int FindShowData(char *message, int size);
// FindShowData, telling the user with a message box when nothing is found.
// Returns 1 when found, else 0.
int UseShowData(void);
