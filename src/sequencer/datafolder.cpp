// datafolder: the search for the show's data.
#include "sequencer/datafolder.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/exedir.h"
#include "platform/message.h"

// Appends "<folder>/<tail>" as the next place; a name that does not fit is left out.
static void AddPlace(DataSearch *search, const char *folder, const char *tail) {
    char *place = search->places[search->placeCount];
    // The root's folder is "/": no second separator after it.
    const char *sep = folder[0] && folder[strlen(folder) - 1] == '/' ? "" : "/";
    int n = folder[0] ? snprintf(place, DATA_FOLDER_SIZE, "%s%s%s", folder, sep, tail)
                      : snprintf(place, DATA_FOLDER_SIZE, "%s", tail);
    if (n > 0 && n < DATA_FOLDER_SIZE) search->placeCount++;
}

DataSearch SearchDataFolders(const char *exeDir) {
    DataSearch search;
    memset(&search, 0, sizeof search);
    search.found = -1;
    AddPlace(&search, "", "data");
    if (exeDir && exeDir[0]) {
        AddPlace(&search, exeDir, "data");
        // The parent by name: the program's folder comes from the system with
        // every link resolved, so its parent by name is its parent on disk,
        // and the message reads /usr/share/... rather than /usr/bin/../share/...
        char parent[DATA_FOLDER_SIZE];
        snprintf(parent, sizeof parent, "%s", exeDir);
        char *slash = strrchr(parent, '/');
        if (slash) slash[slash == parent ? 1 : 0] = 0;
        AddPlace(&search, slash ? parent : ".", DATA_SHARE);
    }
    for (int i = 0; i < search.placeCount && search.found < 0; i++) {
        char mark[DATA_FOLDER_SIZE + sizeof DATA_MARK + 1];
        snprintf(mark, sizeof mark, "%s/%s", search.places[i], DATA_MARK);
        if (access(mark, R_OK) == 0) search.found = i;
    }
    return search;
}

void DescribeDataSearch(const DataSearch *search, char *text, int size) {
    int n = snprintf(text, (size_t)size, "Cannot find the show's data (" DATA_MARK ") in ");
    for (int i = 0; i < search->placeCount && n >= 0 && n < size; i++) {
        const char *joint = i == 0 ? "" : i + 1 < search->placeCount ? ", " : " or ";
        n += snprintf(text + n, (size_t)(size - n), "%s%s", joint, search->places[i]);
    }
}

int FindShowData(char *message, int size) {
    char exeDir[DATA_FOLDER_SIZE];
    GetExeDir(exeDir, sizeof exeDir); // Unknown: only ./data is looked in
    DataSearch search = SearchDataFolders(exeDir);
    if (search.found < 0) {
        DescribeDataSearch(&search, message, size);
        return 0;
    }
    return SetDataFolder(search.places[search.found]);
}

int UseShowData(void) {
    char text[DATA_PLACES * DATA_FOLDER_SIZE + 64];
    if (FindShowData(text, sizeof text)) return 1;
    ShowMessageBox("Error", text);
    return 0;
}
