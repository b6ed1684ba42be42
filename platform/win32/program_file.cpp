// GetModuleFileNameA: where the running program's file lies, in the drive view.
#include <unistd.h>

#include <cstring>
#include <string>

#include "paths.h"
#include "win_kernel.h"

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule && hModule != GetModuleHandleA(nullptr)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    char native[4096];
    ssize_t n = readlink("/proc/self/exe", native, sizeof native - 1);
    if (n <= 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    native[n] = 0;
    std::string view = platform::NativeToDriveView(native);
    if (nSize == 0 || !lpFilename) {
        SetLastError(nSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_NOACCESS);
        return 0;
    }
    if (view.size() >= nSize) {
        std::memcpy(lpFilename, view.data(), nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, view.c_str(), view.size() + 1);
    return static_cast<DWORD>(view.size());
}
