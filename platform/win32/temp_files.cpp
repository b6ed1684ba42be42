// The temporary folder and unique temporary file names.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "code_pages.h"
#include "files.h"
#include "paths.h"
#include "win_kernel.h"

namespace {

std::string nativeTempFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    if (folder[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) folder = std::string(cwd) + "/" + folder;
    }
    return folder;
}

// Numbers tried by GetTempFileNameA, shared by every thread so that threads
// do not race each other over the same names.
std::atomic<unsigned> nextUnique{static_cast<unsigned>(std::time(nullptr) ^ getpid())};

}  // namespace

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string view = platform::NativeToDriveView(nativeTempFolder());
    if (!platform::PathEndsWithSeparator(view)) view += '\\';
    return platform::FileCopyOutString(view, nBufferLength, lpBuffer);
}

UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                             LPSTR lpTempFileName) {
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string base = lpPathName;
    if (!base.empty() && !platform::PathEndsWithSeparator(base)) base += '\\';
    // Up to three characters of the prefix, double-byte characters kept whole.
    std::string prefix;
    if (lpPrefixString) {
        const char* p = lpPrefixString;
        for (int n = 0; n < 3 && *p; ++n) {
            bool pair = platform::CodePageIsLeadByte(932, static_cast<unsigned char>(*p)) && p[1];
            prefix.append(p, pair ? 2 : 1);
            p += pair ? 2 : 1;
        }
    }
    auto nameFor = [&](unsigned number) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%.4X", number & 0xFFFFu);
        return base + prefix + digits + ".TMP";
    };
    if (nameFor(0).size() >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (uUnique != 0) {  // the caller's number: the name only, no file
        std::string name = nameFor(uUnique);
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return uUnique & 0xFFFFu;
    }
    DWORD attributes = GetFileAttributesA(base.empty() ? "." : base.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    for (unsigned attempt = 0; attempt < 0xFFFF; ++attempt) {
        unsigned number = nextUnique.fetch_add(1) & 0xFFFFu;
        if (number == 0) continue;
        std::string name = nameFor(number);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
            SetLastError(ERROR_SUCCESS);
            return number;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ACCESS_DENIED &&
            error != ERROR_SHARING_VIOLATION)
            return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
