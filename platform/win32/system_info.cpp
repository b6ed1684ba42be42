// System information: processors, the Windows version this layer stands in
// for, and memory status.
#include <cpuid.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "module_registry.h"
#include "test_knobs.h"
#include "win_kernel.h"

namespace {

// The lowest and highest addresses a 64-bit Windows process may use.
constexpr uintptr_t kLowestAddress = 0x10000;
constexpr uintptr_t kHighestAddress = 0x7FFFFFFEFFFFull;

void fillSystemInfo(SYSTEM_INFO& info) {
    std::memset(&info, 0, sizeof info);
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    long page = sysconf(_SC_PAGESIZE);
    info.dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(kLowestAddress);
    info.lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(kHighestAddress);
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        info.dwNumberOfProcessors = static_cast<DWORD>(CPU_COUNT(&set));
        DWORD_PTR mask = 0;
        for (int cpu = 0; cpu < 64; ++cpu)
            if (CPU_ISSET(cpu, &set)) mask |= DWORD_PTR{1} << cpu;
        info.dwActiveProcessorMask = mask;
    } else {
        long online = sysconf(_SC_NPROCESSORS_ONLN);
        info.dwNumberOfProcessors = online > 0 ? static_cast<DWORD>(online) : 1;
        info.dwActiveProcessorMask = info.dwNumberOfProcessors >= 64
                                         ? ~DWORD_PTR{0}
                                         : (DWORD_PTR{1} << info.dwNumberOfProcessors) - 1;
    }
    info.dwProcessorType = PROCESSOR_AMD_X8664;
    info.dwAllocationGranularity = 65536;
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        unsigned family = (eax >> 8) & 0xF, model = (eax >> 4) & 0xF, stepping = eax & 0xF;
        if (family == 0xF) family += (eax >> 20) & 0xFF;
        if (family == 0x6 || family >= 0xF) model |= ((eax >> 16) & 0xF) << 4;
        info.wProcessorLevel = static_cast<WORD>(family);
        info.wProcessorRevision = static_cast<WORD>((model << 8) | stepping);
    }
}

// Values of /proc/meminfo in bytes (0 when absent).
struct MemInfo {
    uint64_t total = 0, available = 0, swapTotal = 0, swapFree = 0;
};

MemInfo readMemInfo() {
    MemInfo m;
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        uint64_t kib = 0;
        fields >> key >> kib;
        if (key == "MemTotal:")
            m.total = kib * 1024;
        else if (key == "MemAvailable:")
            m.available = kib * 1024;
        else if (key == "SwapTotal:")
            m.swapTotal = kib * 1024;
        else if (key == "SwapFree:")
            m.swapFree = kib * 1024;
    }
    if (m.total == 0) {
        long pages = sysconf(_SC_PHYS_PAGES), avail = sysconf(_SC_AVPHYS_PAGES);
        long page = sysconf(_SC_PAGESIZE);
        if (pages > 0 && page > 0) m.total = uint64_t(pages) * uint64_t(page);
        if (avail > 0 && page > 0) m.available = uint64_t(avail) * uint64_t(page);
    }
    if (m.available > m.total) m.available = m.total;
    return m;
}

// Bytes of address space this process has mapped (VmSize).
uint64_t mappedBytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmSize:", 0) == 0) {
            std::istringstream fields(line.substr(7));
            uint64_t kib = 0;
            fields >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

// The Windows version reported (default Windows 7 SP1); tests and
// VESSAMIRE_WINDOWS_VERSION can report an older one.
std::atomic<DWORD> reportedMajor{6};
std::atomic<DWORD> reportedMinor{1};
std::atomic<DWORD> reportedBuild{7601};

}  // namespace

void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    if (lpSystemInfo) fillSystemInfo(*lpSystemInfo);
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    if (lpSystemInfo) fillSystemInfo(*lpSystemInfo);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = size;
    info.dwMajorVersion = reportedMajor.load();
    info.dwMinorVersion = reportedMinor.load();
    info.dwBuildNumber = reportedBuild.load();
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    if (info.dwMajorVersion == 6 && info.dwMinorVersion == 1 && info.dwBuildNumber == 7601) {
        std::strcpy(info.szCSDVersion, "Service Pack 1");
        info.wServicePackMajor = 1;
    }
    info.wSuiteMask = VER_SUITE_SINGLEUSERTS;
    info.wProductType = VER_NT_WORKSTATION;
    std::memcpy(lpVersionInformation, &info, size);
    return TRUE;
}

BOOL WINAPI GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) {
    if (!lpBuffer || lpBuffer->dwLength != sizeof(MEMORYSTATUSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MemInfo m = readMemInfo();
    lpBuffer->ullTotalPhys = m.total;
    lpBuffer->ullAvailPhys = m.available;
    lpBuffer->dwMemoryLoad =
        m.total ? static_cast<DWORD>((m.total - m.available) * 100 / m.total) : 0;
    lpBuffer->ullTotalPageFile = m.total + m.swapTotal;
    lpBuffer->ullAvailPageFile = m.available + m.swapFree;
    uint64_t totalVirtual = kHighestAddress - kLowestAddress + 1;
    uint64_t used = mappedBytes();
    lpBuffer->ullTotalVirtual = totalVirtual;
    lpBuffer->ullAvailVirtual = used < totalVirtual ? totalVirtual - used : 0;
    lpBuffer->ullAvailExtendedVirtual = 0;
    return TRUE;
}

void WINAPI GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {
    if (!lpBuffer) return;
    MEMORYSTATUSEX ex;
    ex.dwLength = sizeof ex;
    GlobalMemoryStatusEx(&ex);
    lpBuffer->dwLength = sizeof(MEMORYSTATUS);
    lpBuffer->dwMemoryLoad = ex.dwMemoryLoad;
    lpBuffer->dwTotalPhys = ex.ullTotalPhys;
    lpBuffer->dwAvailPhys = ex.ullAvailPhys;
    lpBuffer->dwTotalPageFile = ex.ullTotalPageFile;
    lpBuffer->dwAvailPageFile = ex.ullAvailPageFile;
    lpBuffer->dwTotalVirtual = ex.ullTotalVirtual;
    lpBuffer->dwAvailVirtual = ex.ullAvailVirtual;
}

bool KnobWindowsVersion(DWORD major, DWORD minor, DWORD build) {
    if (major < 4 || major > 10 || minor > 99) return false;
    reportedMajor = major;
    reportedMinor = minor;
    reportedBuild = build;
    return true;
}

namespace platform {

void ResetWindowsVersion() {
    KnobWindowsVersion(6, 1, 7601);
}

void ApplyWindowsVersionEnvironment() {
    const char* text = std::getenv("VESSAMIRE_WINDOWS_VERSION");
    if (!text) return;
    unsigned major = 0, minor = 0, build = 0;
    if (std::sscanf(text, "%u.%u.%u", &major, &minor, &build) >= 2) {
        KnobWindowsVersion(major, minor, build);
    }
}

// The engine looks the extended memory status up in "kernel32.dll" by name.
void RegisterSystemInfoExports() {
    RegisterModule("kernel32.dll", {{"GlobalMemoryStatusEx", ExportOf(&GlobalMemoryStatusEx)}},
                   true);
}

}  // namespace platform
