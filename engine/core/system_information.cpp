// The system-information log written at start-up, and the system values
// (processors, OS, processor features and speed, timer values) kept for the
// other modules.
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

#include "core/log.h"
#include "core/system_services.h"
#include "core/text_literals.h"

namespace DuRud {
namespace {

constexpr const char* kEngineVersion = "3.10e";
constexpr int kDirectXVersion = 0x70000;

struct CpuInfo {
    bool hasCpuid = false;
    char vendor[13] = {};
    unsigned features = 0;  // EDX of function 1
    char brand[49] = {};
};

CpuInfo ReadCpu() {
    CpuInfo info;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    const unsigned maxLeaf = __get_cpuid_max(0, nullptr);
    if (maxLeaf == 0) return info;
    info.hasCpuid = true;
    __cpuid(0, a, b, c, d);
    std::memcpy(info.vendor + 0, &b, 4);
    std::memcpy(info.vendor + 4, &d, 4);
    std::memcpy(info.vendor + 8, &c, 4);
    __cpuid(1, a, b, c, d);
    info.features = d;
    if (__get_cpuid_max(0x80000000u, nullptr) >= 0x80000004u) {
        for (unsigned i = 0; i < 3; ++i) {
            __cpuid(0x80000002u + i, a, b, c, d);
            std::memcpy(info.brand + i * 16 + 0, &a, 4);
            std::memcpy(info.brand + i * 16 + 4, &b, 4);
            std::memcpy(info.brand + i * 16 + 8, &c, 4);
            std::memcpy(info.brand + i * 16 + 12, &d, 4);
        }
    }
#endif
    return info;
}

uint64_t ReadTimeStamp() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return 0;
#endif
}

// Time-stamp ticks over 100 ms of the millisecond counter. The loop sleeps
// a millisecond per pass, so it also ends under the virtual clock.
uint64_t MeasureTicksPer100ms() {
    const int32_t start = GetMillisecondCounter();
    if (start < 0) return 0;
    const uint64_t ticksStart = ReadTimeStamp();
    for (;;) {
        const int32_t now = GetMillisecondCounter();
        if (now < 0) return 0;
        if (((static_cast<uint32_t>(now) - static_cast<uint32_t>(start)) & 0x7FFFFFFFu) >= 100)
            break;
        Sleep(1);
    }
    return ReadTimeStamp() - ticksStart;
}

void LogOsVersion() {
    SystemState& systemState = MutableSystemState();
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    char name[64] = "Windows";
    int code = kOsWindows7;
    if (GetVersionExA(&version)) {
        DescribeOsVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                          version.szCSDVersion, name, sizeof(name), &code);
    } else {
        version.szCSDVersion[0] = 0;
    }
    char line[256];
    std::snprintf(line, sizeof(line), "%s ( Build %d %s )", name,
                  static_cast<int>(version.dwBuildNumber), version.szCSDVersion);
    LogWrite(Cp932Text("ＯＳ  "));
    LogFormatLine("%s", line);
    std::snprintf(systemState.osName, sizeof(systemState.osName), "%s", line);
    systemState.osVersionCode = code;
}

}  // namespace

void DescribeOsVersion(DWORD platformId, DWORD major, DWORD minor, const char* servicePack,
                       char* name, size_t nameSize, int* versionCode) {
    const char* sp = servicePack ? servicePack : "";
    const char* suffix = "";
    const char* extra = "";
    int code = *versionCode;
    if (platformId == VER_PLATFORM_WIN32s) {
        suffix = "3.1";
        code = kOsWin32s;
    } else if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (minor == 0) {
            suffix = "95";
            code = kOsWindows95;
            if (sp[0] == 'C') extra = "OSR2";
        } else if (minor == 10) {
            suffix = "98";
            code = kOsWindows98;
            if (sp[0] == 'A') extra = "SE";
        } else if (minor == 90) {
            suffix = "Me";
            code = kOsWindowsMe;
        }
    } else if (platformId == VER_PLATFORM_WIN32_NT) {
        if (major == 3) {
            suffix = "NT 3.51";
            code = kOsWindowsNT351;
        } else if (major == 4) {
            suffix = "4.0";
            code = kOsWindowsNT40;
        } else if (major == 5 && minor == 0) {
            suffix = "2000";
            code = kOsWindows2000;
        } else if (major == 5) {
            suffix = "XP";
            code = kOsWindowsXP;
        } else if (major == 6 && minor == 0) {
            suffix = "Vista";
            code = kOsWindowsVista;
        } else if (major == 6 && minor == 1) {
            suffix = "7";
            code = kOsWindows7;
        } else if (major == 6 && minor == 2) {
            suffix = "8";
            code = kOsWindows8;
        } else if (major >= 6) {
            code = kOsWindows8;  // newer than the table: the newest code known
        }
    }
    std::snprintf(name, nameSize, "Windows%s%s", suffix, extra);
    *versionCode = code;
}

int LogSystemInfo() {
    SystemState& systemState = MutableSystemState();
    LogWrite(Cp932Text("システムの情報を出力します\n"));
    LogIndent();
    char line[64];
    std::snprintf(line, sizeof(line), "ROderaz Ver%s\n", kEngineVersion);
    LogWrite(line);

    SYSTEM_INFO info;
    std::memset(&info, 0, sizeof(info));
    GetSystemInfo(&info);
    systemState.processorCount = static_cast<int>(info.dwNumberOfProcessors);
    LogFormatLine(Cp932Text("論理プロセッサの数 : %d"), systemState.processorCount);

    LogOsVersion();
    systemState.directXVersion = kDirectXVersion;

    auto getDevCaps = WinApi<MMRESULT(WINAPI*)(LPTIMECAPS, UINT)>(Api_timeGetDevCaps);
    auto beginPeriod = WinApi<MMRESULT(WINAPI*)(UINT)>(Api_timeBeginPeriod);
    TIMECAPS caps{};
    if (getDevCaps && beginPeriod && getDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) {
        systemState.minimumTimerPeriod = caps.wPeriodMin;
        beginPeriod(caps.wPeriodMin);
    }

    const CpuInfo cpu = ReadCpu();
    int level = 0;
    if (cpu.hasCpuid) {
        level = 1;
        const bool mmx = cpu.features & (1u << 23);
        const bool sse = cpu.features & (1u << 25);
        const bool sse2 = cpu.features & (1u << 26);
        if (mmx) level = 3;
        if (mmx && sse) level = 4;
        if (mmx && sse && sse2) level = 5;
        systemState.hasTimeStampCounter = (cpu.features & (1u << 4)) ? 1 : 0;
    }

    if (systemState.hasTimeStampCounter) {
        const uint64_t ticks = MeasureTicksPer100ms();
        systemState.cpuSpeedMHz = static_cast<int>(static_cast<double>(ticks) / 100000.0);
        systemState.timeStampTicksPer10ms = static_cast<int64_t>(ticks / 10);
        LogFormatLine(Cp932Text("ＣＰＵ動作速度：大体%.2fGHz"), systemState.cpuSpeedMHz / 1000.0);
    }

    switch (level) {
        case 0:
            LogWrite(Cp932Text("ＣＰＵＩＤ命令は使えません\n"));
            break;
        case 1:
            LogWrite(Cp932Text("ＭＭＸは使えません\n"));
            break;
        default:
            LogWrite(Cp932Text("ＭＭＸ命令を使用します\n"));
            if (level >= 4) LogWrite(Cp932Text("ＳＳＥ命令が使用可能です\n"));
            if (level >= 5) LogWrite(Cp932Text("ＳＳＥ２命令が使用可能です\n"));
            break;
    }
    systemState.mmx = level >= 3 ? 1 : 0;
    systemState.sse = level >= 4 ? 1 : 0;
    systemState.sse2 = level >= 5 ? 1 : 0;

    if (level > 0) {
        LogWrite(Cp932Text("ＣＰＵベンダ："));
        LogWrite(cpu.vendor);
        LogWrite("\n");
        if (cpu.brand[0] != 0) {
            LogFormatLine(Cp932Text("ＣＰＵ名：%s"), cpu.brand);
            std::snprintf(systemState.processorName, sizeof(systemState.processorName), "%s",
                          cpu.brand);
        }
    }
    LogUnindent();
    return 0;
}

}  // namespace DuRud
