// The current directory and full path names, in the drive-letter view.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "files.h"
#include "paths.h"
#include "win_kernel.h"

namespace platform {

DWORD FileCopyOutString(const std::string& text, DWORD size, LPSTR buffer) {
    if (size > text.size()) {
        if (!buffer) {
            SetLastError(ERROR_NOACCESS);
            return 0;
        }
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<DWORD>(text.size());
    }
    return static_cast<DWORD>(text.size() + 1);
}

}  // namespace platform

using platform::FileCopyOutString;

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    char native[4096];
    if (!getcwd(native, sizeof native)) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return 0;
    }
    return FileCopyOutString(platform::NativeToDriveView(native), nBufferLength, lpBuffer);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
    platform::NativePath path;
    if (!platform::PathResolve(lpPathName, path)) return FALSE;
    if (path.missing > 0) {
        SetLastError(path.MissingError());
        return FALSE;
    }
    struct stat st;
    if (stat(path.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (chdir(path.path.c_str()) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer,
                              LPSTR* lpFilePart) {
    platform::DrivePath path;
    if (!platform::PathToDriveView(lpFileName, path, platform::PathNames::Any)) return 0;
    std::string full = platform::DriveViewString(path);
    DWORD result = FileCopyOutString(full, nBufferLength, lpBuffer);
    if (result > 0 && result <= full.size() && lpFilePart) {
        // The file part is the last component; none when the path ends in a separator.
        bool endsInSeparator = path.parts.empty() || path.trailingSeparator;
        *lpFilePart = endsInSeparator ? nullptr : lpBuffer + full.size() - path.parts.back().size();
    }
    return result;
}
