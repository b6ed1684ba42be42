// System services: the table of run-time loaded Windows entry points, COM
// start and end, the system-information log and the system values other
// modules read, the clocks, local time, code-page conversion, temporary
// files and the wide-string formatter.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

// --- run-time loaded entry points --------------------------------------------
enum WinApiLibrary : int {
    WinApiLibraryWs2_32,
    WinApiLibraryImm32,
    WinApiLibraryWinmm,
    WinApiLibraryOle32,
    WinApiLibraryComctl32,
    WinApiLibraryDwmapi,
    WinApiLibraryUser32,
    WinApiLibraryCount
};

enum WinApiEntry : int {
    // "ws2_32.dll"
    Api_WSAGetLastError,
    Api_WSAStartup,
    Api_WSACleanup,
    Api_WSAAsyncSelect,
    Api_getaddrinfo,
    Api_gethostbyaddr,
    Api_gethostbyname,
    Api_gethostname,
    Api_ntohs,
    Api_htons,
    Api_connect,
    Api_socket,
    Api_send,
    Api_sendto,
    Api_recvfrom,
    Api_accept,
    Api_closesocket,
    Api_shutdown,
    Api_listen,
    Api_bind,
    Api_inet_addr,
    Api_recv,
    // "Imm32.dll"
    Api_ImmGetContext,
    Api_ImmReleaseContext,
    Api_ImmGetOpenStatus,
    Api_ImmGetConversionStatus,
    Api_ImmNotifyIME,
    Api_ImmSetOpenStatus,
    Api_ImmGetCandidateListA,
    Api_ImmGetCompositionStringA,
    Api_ImmSetCompositionStringA,
    // "winmm.dll"
    Api_timeSetEvent,
    Api_timeKillEvent,
    Api_timeBeginPeriod,
    Api_timeEndPeriod,
    Api_timeGetTime,
    Api_timeGetDevCaps,
    Api_joyGetPosEx,
    Api_joyGetDevCapsA,
    Api_mciSendCommandA,
    // "ole32.dll"
    Api_CoCreateInstance,
    Api_CoTaskMemAlloc,
    Api_CoTaskMemFree,
    Api_CoInitializeEx,
    Api_CoFreeUnusedLibraries,
    Api_CoUninitialize,
    // "comctl32.dll", "dwmapi.dll", "User32.dll"
    Api_InitCommonControls,
    Api_DwmEnableComposition,
    Api_WINNLSEnableIME,
    WinApiEntryCount
};

// Loads every library of the table that is not loaded yet and looks up its
// entry points (a missing library or entry leaves null). 0.
int LoadWinApis();
// Frees every loaded library of the table and clears its pointers. 0.
int UnloadWinApis();
bool WinApisLoaded(WinApiLibrary library);
HMODULE GetWinApiModule(WinApiLibrary library);
// The loaded entry point, or null; callers check before calling.
FARPROC GetWinApi(WinApiEntry entry);
template <class Function>
Function WinApi(WinApiEntry entry) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetWinApi(entry)));
}

// --- COM ---------------------------------------------------------------------
int InitializeCom();  // -1 when already started or when the start fails
int TerminateCom();   // -1 when not started

// --- system information --------------------------------------------------------
// OS version codes.
constexpr int kOsWin32s = 0;
constexpr int kOsWindows95 = 1;
constexpr int kOsWindows98 = 2;
constexpr int kOsWindowsMe = 3;
constexpr int kOsWindowsNT351 = 0x104;
constexpr int kOsWindowsNT40 = 0x105;
constexpr int kOsWindows2000 = 0x106;
constexpr int kOsWindowsXP = 0x107;
constexpr int kOsWindowsVista = 0x108;
constexpr int kOsWindows7 = 0x109;
constexpr int kOsWindows8 = 0x10A;

// The values start-up, window creation and the system-information log write
// and other modules read. One copy for the whole engine.
struct SystemState {
    int processorCount = 0;
    int osVersionCode = 0;
    char osName[256] = {};
    int directXVersion = 0;
    int hasTimeStampCounter = 0;
    int mmx = 0;
    int sse = 0;
    int sse2 = 0;
    int cpuSpeedMHz = 0;
    int64_t timeStampTicksPer10ms = 0;
    char processorName[64] = {};
    int64_t counterFrequency = 0;
    int highResolutionTimer = 0;
    uint32_t minimumTimerPeriod = 0;
};

const SystemState& GetSystemState();
// Writer for start-up, window creation and tests.
SystemState& MutableSystemState();
int GetMmxAvailable();
int SetMmxAvailable(int on);  // the software renderer's tests switch both paths
// Test hook: 0 or 1 forces what GetMmxAvailable reports, over the measured
// value; -1 releases it (the measured value shows again). 0, or -1 for
// another value.
int ForceMmxAvailable(int value);

// Logs the system information and fills the state above. 0.
int LogSystemInfo();
// The OS name ("Windows" + version) and version code for a version record.
void DescribeOsVersion(DWORD platformId, DWORD major, DWORD minor, const char* servicePack,
                       char* name, size_t nameSize, int* versionCode);

// --- clocks --------------------------------------------------------------------
int64_t MicrosecondsFromCounter(uint64_t count, uint64_t frequency);

// --- code pages, temporary files, wide formatting --------------------------------
int ConvertWideToMultiByte(int codePage, const char16_t* wide, char* buffer, int bufferSize);
int ConvertMultiByteToWide(int codePage, const char* text, char16_t* buffer, int bufferChars);
// A new empty file in the temporary folder, opened for writing; its full path
// goes to outPath (256 bytes) when given. Null on failure.
HANDLE CreateTempFile(char* outPath);
// printf-style formatting of wide text: %d %i %u %x %X %c %s %% with flags
// '-' '0' '+' ' ', width and precision ('*' too), length h/l/ll/I64. %s and %c
// take wide characters. Writes at most bufferChars - 1 characters and a NUL;
// returns the count written, -1 when there is no room at all.
int FormatWideStringV(char16_t* buffer, size_t bufferChars, const char16_t* format, va_list args);
int FormatWideString(char16_t* buffer, size_t bufferChars, const char16_t* format, ...);

}  // namespace DuRud
