// Whole-string code-page conversion (the terminating NUL included) and the
// engine's temporary files.
#include <cstring>

#include "core/string_helpers.h"
#include "core/system_services.h"

namespace DuRud {

int ConvertWideToMultiByte(int codePage, const char16_t* wide, char* buffer, int bufferSize) {
    return WideCharToMultiByte(static_cast<UINT>(codePage), 0, wide, -1, buffer, bufferSize,
                               nullptr, nullptr);
}

int ConvertMultiByteToWide(int codePage, const char* text, char16_t* buffer, int bufferChars) {
    return MultiByteToWideChar(static_cast<UINT>(codePage), 0, text, -1, buffer, bufferChars);
}

HANDLE CreateTempFile(char* outPath) {
    char folder[MAX_PATH + 2];
    const DWORD length = GetTempPathA(256, folder);
    if (length == 0 || length > 256) return nullptr;
    if (!EndsWithBackslash(folder, GetEngineCharSet())) std::strcat(folder, "\\");
    char name[MAX_PATH];
    if (GetTempFileNameA(folder, "tmp", 0, name) == 0) return nullptr;
    char full[MAX_PATH];
    const DWORD fullLength = GetFullPathNameA(name, MAX_PATH, full, nullptr);
    if (fullLength == 0 || fullLength >= MAX_PATH) return nullptr;
    DeleteFileA(full);
    HANDLE file =
        CreateFileA(full, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (outPath) CopyStringN(outPath, full, 255);
    return file;
}

}  // namespace DuRud
