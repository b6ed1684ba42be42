// The table of Windows entry points loaded at run time: the program imports
// only the kernel, user, GDI and shell libraries statically; everything else
// is looked up here and may be missing (users check the pointer).
#include <atomic>

#include "core/system_services.h"

namespace DuRud {
namespace {

const char* const kLibraryNames[WinApiLibraryCount] = {
    "ws2_32.dll", "Imm32.dll", "winmm.dll", "ole32.dll", "comctl32.dll", "dwmapi.dll", "User32.dll",
};

struct EntryName {
    WinApiLibrary library;
    const char* name;
};

const EntryName kEntries[WinApiEntryCount] = {
    {WinApiLibraryWs2_32, "WSAGetLastError"},
    {WinApiLibraryWs2_32, "WSAStartup"},
    {WinApiLibraryWs2_32, "WSACleanup"},
    {WinApiLibraryWs2_32, "WSAAsyncSelect"},
    {WinApiLibraryWs2_32, "getaddrinfo"},
    {WinApiLibraryWs2_32, "gethostbyaddr"},
    {WinApiLibraryWs2_32, "gethostbyname"},
    {WinApiLibraryWs2_32, "gethostname"},
    {WinApiLibraryWs2_32, "ntohs"},
    {WinApiLibraryWs2_32, "htons"},
    {WinApiLibraryWs2_32, "connect"},
    {WinApiLibraryWs2_32, "socket"},
    {WinApiLibraryWs2_32, "send"},
    {WinApiLibraryWs2_32, "sendto"},
    {WinApiLibraryWs2_32, "recvfrom"},
    {WinApiLibraryWs2_32, "accept"},
    {WinApiLibraryWs2_32, "closesocket"},
    {WinApiLibraryWs2_32, "shutdown"},
    {WinApiLibraryWs2_32, "listen"},
    {WinApiLibraryWs2_32, "bind"},
    {WinApiLibraryWs2_32, "inet_addr"},
    {WinApiLibraryWs2_32, "recv"},
    {WinApiLibraryImm32, "ImmGetContext"},
    {WinApiLibraryImm32, "ImmReleaseContext"},
    {WinApiLibraryImm32, "ImmGetOpenStatus"},
    {WinApiLibraryImm32, "ImmGetConversionStatus"},
    {WinApiLibraryImm32, "ImmNotifyIME"},
    {WinApiLibraryImm32, "ImmSetOpenStatus"},
    {WinApiLibraryImm32, "ImmGetCandidateListA"},
    {WinApiLibraryImm32, "ImmGetCompositionStringA"},
    {WinApiLibraryImm32, "ImmSetCompositionStringA"},
    {WinApiLibraryWinmm, "timeSetEvent"},
    {WinApiLibraryWinmm, "timeKillEvent"},
    {WinApiLibraryWinmm, "timeBeginPeriod"},
    {WinApiLibraryWinmm, "timeEndPeriod"},
    {WinApiLibraryWinmm, "timeGetTime"},
    {WinApiLibraryWinmm, "timeGetDevCaps"},
    {WinApiLibraryWinmm, "joyGetPosEx"},
    {WinApiLibraryWinmm, "joyGetDevCapsA"},
    {WinApiLibraryWinmm, "mciSendCommandA"},
    {WinApiLibraryOle32, "CoCreateInstance"},
    {WinApiLibraryOle32, "CoTaskMemAlloc"},
    {WinApiLibraryOle32, "CoTaskMemFree"},
    {WinApiLibraryOle32, "CoInitializeEx"},
    {WinApiLibraryOle32, "CoFreeUnusedLibraries"},
    {WinApiLibraryOle32, "CoUninitialize"},
    {WinApiLibraryComctl32, "InitCommonControls"},
    {WinApiLibraryDwmapi, "DwmEnableComposition"},
    {WinApiLibraryUser32, "WINNLSEnableIME"},
};

// Atomics: the table is written on the main thread at start-up and shutdown,
// and the clocks read it from every thread.
std::atomic<HMODULE> modules[WinApiLibraryCount];
std::atomic<FARPROC> entries[WinApiEntryCount];

}  // namespace

int LoadWinApis() {
    for (int lib = 0; lib < WinApiLibraryCount; ++lib) {
        if (modules[lib].load() != nullptr) continue;
        HMODULE module = LoadLibraryA(kLibraryNames[lib]);
        if (!module) continue;
        for (int e = 0; e < WinApiEntryCount; ++e)
            if (kEntries[e].library == lib) entries[e] = GetProcAddress(module, kEntries[e].name);
        modules[lib] = module;
    }
    return 0;
}

int UnloadWinApis() {
    for (int lib = 0; lib < WinApiLibraryCount; ++lib) {
        HMODULE module = modules[lib].exchange(nullptr);
        for (int e = 0; e < WinApiEntryCount; ++e)
            if (kEntries[e].library == lib) entries[e] = nullptr;
        if (module) FreeLibrary(module);
    }
    return 0;
}

bool WinApisLoaded(WinApiLibrary library) {
    return library >= 0 && library < WinApiLibraryCount && modules[library].load() != nullptr;
}

HMODULE GetWinApiModule(WinApiLibrary library) {
    if (library < 0 || library >= WinApiLibraryCount) return nullptr;
    return modules[library].load();
}

FARPROC GetWinApi(WinApiEntry entry) {
    if (entry < 0 || entry >= WinApiEntryCount) return nullptr;
    return entries[entry].load();
}

}  // namespace DuRud
