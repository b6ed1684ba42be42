// Directory searches of the Windows file layer: the Windows find functions
// with each found entry described as a FileFindInfo in local time.
#include <cstring>

#include "files/windows_file_layer.h"

namespace DuRud {
namespace {

void toLocalFields(const FILETIME& time, FileDateTime* out) {
    FILETIME local{};
    SYSTEMTIME fields{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &fields)) {
        *out = FileDateTime{};
        return;
    }
    out->year = fields.wYear;
    out->month = fields.wMonth;
    out->day = fields.wDay;
    out->hour = fields.wHour;
    out->minute = fields.wMinute;
    out->second = fields.wSecond;
}

void describe(const WIN32_FIND_DATAA& found, FileFindInfo* info) {
    if (info == nullptr) return;
    std::memcpy(info->name, found.cFileName, sizeof(info->name));
    info->name[sizeof(info->name) - 1] = '\0';
    info->isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
    info->size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    toLocalFields(found.ftCreationTime, &info->creationTime);
    toLocalFields(found.ftLastWriteTime, &info->lastWriteTime);
}

}  // namespace

intptr_t FileWinFindFirst(const char* pattern, FileFindInfo* info) {
    if (pattern == nullptr) return -1;
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return -1;
    describe(found, info);
    return reinterpret_cast<intptr_t>(find);
}

int FileWinFindNext(intptr_t find, FileFindInfo* info) {
    WIN32_FIND_DATAA found{};
    if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &found)) return -1;
    describe(found, info);
    return 0;
}

int FileWinFindClose(intptr_t find) {
    return FindClose(reinterpret_cast<HANDLE>(find)) ? 0 : -1;
}

}  // namespace DuRud
