// Placeholder of the file-access table (deleted when that module is built).
// The directory operations are plain Windows calls, so they are done here.
#include <windows.h>

#include "files/file_access_table.h"
#include "placeholders/missing_module.h"

namespace DuRud {

int SetStreamFunctionTable(const StreamFunctionTable*) {
    return ReportMissingModule("file-access table", "SetStreamFunctionTable");
}

int GetStreamDir(char* buffer) {
    if (!buffer) return -1;
    return GetCurrentDirectoryA(MAX_PATH, buffer) != 0 ? 0 : -1;
}

int ChangeStreamDir(const char* path) {
    if (!path) return -1;
    return SetCurrentDirectoryA(path) ? 0 : -1;
}

}  // namespace DuRud
