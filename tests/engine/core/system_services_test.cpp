// The run-time entry-point table, the clocks and the wide formatter.
#include "core/system_services.h"

#include <cstdarg>
#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/text_literals.h"
#include "log_test_support.h"
#include "test_knobs.h"

namespace DuRud {
namespace {

class SystemServices : public testing::Test {
  protected:
    void TearDown() override {
        UnloadWinApis();
        MutableSystemState() = SystemState{};
    }
};

TEST_F(SystemServices, SecondLoadLoadsNothing) {
    EXPECT_EQ(LoadWinApis(), 0);
    EXPECT_EQ(KnobModuleLoadCount("winmm.dll"), 1);
    EXPECT_EQ(KnobModuleLoadCount("ole32.dll"), 1);
    EXPECT_EQ(LoadWinApis(), 0);
    EXPECT_EQ(KnobModuleLoadCount("winmm.dll"), 1);
    EXPECT_NE(GetWinApi(Api_timeGetTime), nullptr);
    EXPECT_NE(GetWinApi(Api_CoInitializeEx), nullptr);
    EXPECT_EQ(UnloadWinApis(), 0);
    EXPECT_EQ(KnobModuleLoadCount("winmm.dll"), 0);
    EXPECT_EQ(GetWinApi(Api_timeGetTime), nullptr);
    EXPECT_FALSE(WinApisLoaded(WinApiLibraryWinmm));
    EXPECT_EQ(GetWinApi(static_cast<WinApiEntry>(-1)), nullptr);
    EXPECT_EQ(GetWinApi(WinApiEntryCount), nullptr);
}

TEST_F(SystemServices, MissingEntryLeavesOnlyThatPointerNull) {
    KnobHideExport("winmm.dll", "timeGetTime", true);
    LoadWinApis();
    EXPECT_TRUE(WinApisLoaded(WinApiLibraryWinmm));
    EXPECT_EQ(GetWinApi(Api_timeGetTime), nullptr);
    EXPECT_NE(GetWinApi(Api_timeBeginPeriod), nullptr);
    EXPECT_EQ(GetMillisecondCounter(), -1);
}

TEST_F(SystemServices, HiddenTimerLibraryMakesBothClocksFail) {
    KnobHideModule("winmm.dll", true);
    LoadWinApis();
    EXPECT_FALSE(WinApisLoaded(WinApiLibraryWinmm));
    EXPECT_EQ(GetMillisecondCounter(), -1);
    EXPECT_EQ(GetMicrosecondCounter(), -1);
    // A later load once the library is there picks it up.
    KnobHideModule("winmm.dll", false);
    LoadWinApis();
    EXPECT_GE(GetMillisecondCounter(), 0);
}

TEST_F(SystemServices, MillisecondClockFollowsTheTimerOnTheVirtualClock) {
    KnobSetVirtualClock(true);
    EXPECT_EQ(GetMillisecondCounter(), -1);  // not loaded yet
    LoadWinApis();
    const int32_t before = GetMillisecondCounter();
    EXPECT_GE(before, 0);
    EXPECT_EQ(before, static_cast<int32_t>(timeGetTime() & 0x7FFFFFFFu));
    Sleep(250);
    EXPECT_EQ(GetMillisecondCounter(), before + 250);
    EXPECT_EQ(GetMicrosecondCounter(), static_cast<int64_t>(timeGetTime()) * 1000);
    UnloadWinApis();
    EXPECT_EQ(GetMillisecondCounter(), -1);
}

TEST_F(SystemServices, MicrosecondClockUsesTheCounterWhenHighResolution) {
    KnobSetVirtualClock(true);
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    MutableSystemState().highResolutionTimer = 1;
    MutableSystemState().counterFrequency = frequency.QuadPart;
    LARGE_INTEGER first, last;
    QueryPerformanceCounter(&first);
    const int64_t us = GetMicrosecondCounter();  // works without "winmm.dll"
    QueryPerformanceCounter(&last);
    EXPECT_GE(us, first.QuadPart * 1000000 / frequency.QuadPart);
    EXPECT_LE(us, last.QuadPart * 1000000 / frequency.QuadPart);
}

TEST_F(SystemServices, MicrosecondsExactNearTheOverflowPoint) {
    using u128 = unsigned __int128;
    const uint64_t edge = (1ull << 63) / 1000000u;
    std::mt19937_64 gen(3);
    const uint64_t frequencies[] = {1, 3, 1000, 3579545, 10000000, 2405000000ull, 1ull << 40};
    for (uint64_t f : frequencies) {
        for (int64_t k = -3; k <= 3; ++k) {
            const uint64_t count = edge + static_cast<uint64_t>(k);
            const u128 exact = static_cast<u128>(count) * 1000000u / f;
            if (exact > static_cast<u128>(INT64_MAX)) continue;
            EXPECT_EQ(MicrosecondsFromCounter(count, f), static_cast<int64_t>(exact))
                << count << "/" << f;
        }
        // Counts far past the point where count x 10^6 overflows 64 bits.
        const uint64_t big = (gen() >> 1) | (1ull << 61);
        const u128 exact = static_cast<u128>(big) * 1000000u / f;
        if (exact <= static_cast<u128>(INT64_MAX)) {
            EXPECT_EQ(MicrosecondsFromCounter(big, f), static_cast<int64_t>(exact));
        }
    }
    EXPECT_EQ(MicrosecondsFromCounter(12345, 0), -1);
}

std::u16string Wide(const char16_t* format, ...) {
    char16_t buffer[256];
    va_list args;
    va_start(args, format);
    FormatWideStringV(buffer, 256, format, args);
    va_end(args);
    return buffer;
}

TEST(WideFormat, Conversions) {
    EXPECT_EQ(Wide(u"a%db", 42), u"a42b");
    EXPECT_EQ(Wide(u"%i|%d", -7, INT32_MIN), u"-7|-2147483648");
    EXPECT_EQ(Wide(u"%u", 4294967295u), u"4294967295");
    EXPECT_EQ(Wide(u"%x %X", 0xBEEFu, 0xBEEFu), u"beef BEEF");
    EXPECT_EQ(Wide(u"%c%c", u'\u3042', 'z'), u"\u3042z");
    EXPECT_EQ(Wide(u"[%s]", u"\u65e5\u672c"), u"[\u65e5\u672c]");
    EXPECT_EQ(Wide(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
    EXPECT_EQ(Wide(u"100%%"), u"100%");
    EXPECT_EQ(Wide(u"%lld %I64d", -5ll, 1ll << 40), u"-5 1099511627776");
    EXPECT_EQ(Wide(u"%q"), u"%q");  // unknown conversion copied
    EXPECT_EQ(Wide(u"end%"), u"end%");
}

TEST(WideFormat, WidthPrecisionAndFlags) {
    EXPECT_EQ(Wide(u"[%5d]", 42), u"[   42]");
    EXPECT_EQ(Wide(u"[%-5d]", 42), u"[42   ]");
    EXPECT_EQ(Wide(u"[%05d]", -42), u"[-0042]");
    EXPECT_EQ(Wide(u"[%.4d]", 7), u"[0007]");
    EXPECT_EQ(Wide(u"[%+d|% d]", 3, 3), u"[+3| 3]");
    EXPECT_EQ(Wide(u"[%08X]", 0xABCu), u"[00000ABC]");
    EXPECT_EQ(Wide(u"[%6.2s]", u"abcdef"), u"[    ab]");
    EXPECT_EQ(Wide(u"[%-4s]", u"ab"), u"[ab  ]");
    EXPECT_EQ(Wide(u"[%*d]", 4, 1), u"[   1]");
    EXPECT_EQ(Wide(u"[%.0d]", 0), u"[]");
    EXPECT_EQ(Wide(u"[%3c]", u'x'), u"[  x]");
}

TEST(WideFormat, TruncatesToTheBuffer) {
    char16_t small[6];
    EXPECT_EQ(FormatWideString(small, 6, u"%s", u"abcdefgh"), 5);
    EXPECT_EQ(std::u16string(small), u"abcde");
    char16_t one[1];
    EXPECT_EQ(FormatWideString(one, 1, u"%d", 12345), 0);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(FormatWideString(nullptr, 0, u"x"), -1);
    char16_t buffer[4];
    EXPECT_EQ(FormatWideString(buffer, 4, nullptr), 0);
    EXPECT_EQ(FormatWideString(buffer, 4, u"%999999999d", 1), 3);  // huge width: bounded
}

class SystemLog : public StartedLog {
  protected:
    void TearDown() override {
        TerminateCom();
        StartedLog::TearDown();
        MutableSystemState() = SystemState{};
    }
};

TEST_F(SystemLog, SystemInformationLinesAndFlags) {
    SetMmxAvailable(0);
    EXPECT_EQ(LogSystemInfo(), 0);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    // Every x86-64 processor has MMX, SSE and SSE2; the speed and name lines
    // depend on the machine and are only looked for in their places.
    const std::vector<std::string> wanted = {
        Cp932Text("システムの情報を出力します"),
        "\tROderaz Ver3.10e",
        std::string("\t") + Cp932Text("論理プロセッサの数 : ") +
            std::to_string(info.dwNumberOfProcessors),
        std::string("\t") + Cp932Text("ＯＳ  ") + "Windows",
        std::string("\t") + Cp932Text("ＭＭＸ命令を使用します"),
        std::string("\t") + Cp932Text("ＳＳＥ命令が使用可能です"),
        std::string("\t") + Cp932Text("ＳＳＥ２命令が使用可能です"),
        std::string("\t") + Cp932Text("ＣＰＵベンダ："),
    };
    const auto lines = LinesWithoutStamps(LogBytes());
    size_t at = 0;
    for (const std::string& line : lines) {
        if (at < wanted.size() && line.rfind(wanted[at], 0) == 0) ++at;
    }
    EXPECT_EQ(at, wanted.size()) << "missing or out of order: "
                                 << wanted[std::min(at, wanted.size() - 1)];
    EXPECT_LE(lines.size(), wanted.size() + 2);  // and at most the speed and the name besides

    const SystemState& state = GetSystemState();
    EXPECT_EQ(GetMmxAvailable(), 1);  // set from the processor, not left at 0
    EXPECT_EQ(state.sse, 1);
    EXPECT_EQ(state.processorCount, static_cast<int>(info.dwNumberOfProcessors));
    EXPECT_EQ(state.directXVersion, 0x70000);
    EXPECT_GT(state.minimumTimerPeriod, 0u);
    EXPECT_EQ(GetLogIndent(), 0);  // indented for the block, back after it
}

TEST_F(SystemLog, SystemInformationWithoutTheTimerLibraryEnds) {
    UnloadWinApis();
    KnobHideModule("winmm.dll", true);
    LoadWinApis();
    EXPECT_EQ(LogSystemInfo(), 0);  // no millisecond clock: no speed loop, no hang
    EXPECT_EQ(GetSystemState().cpuSpeedMHz, 0);
}

TEST(OsVersion, NamesAndCodes) {
    struct Case {
        DWORD platform, major, minor;
        const char* servicePack;
        const char* name;
        int code;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32s, 3, 10, "", "Windows3.1", kOsWin32s},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, "C", "Windows95OSR2", kOsWindows95},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, "", "Windows95", kOsWindows95},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "A", "Windows98SE", kOsWindows98},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, "", "WindowsMe", kOsWindowsMe},
        {VER_PLATFORM_WIN32_NT, 3, 51, "", "WindowsNT 3.51", kOsWindowsNT351},
        {VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6", "Windows4.0", kOsWindowsNT40},
        {VER_PLATFORM_WIN32_NT, 5, 0, "", "Windows2000", kOsWindows2000},
        {VER_PLATFORM_WIN32_NT, 5, 1, "Service Pack 3", "WindowsXP", kOsWindowsXP},
        {VER_PLATFORM_WIN32_NT, 6, 0, "", "WindowsVista", kOsWindowsVista},
        {VER_PLATFORM_WIN32_NT, 6, 1, "Service Pack 1", "Windows7", kOsWindows7},
        {VER_PLATFORM_WIN32_NT, 6, 2, "", "Windows8", kOsWindows8},
    };
    for (const Case& c : cases) {
        char name[64];
        int code = -1;
        DescribeOsVersion(c.platform, c.major, c.minor, c.servicePack, name, sizeof(name), &code);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(code, c.code) << c.name;
    }
}

TEST_F(SystemLog, ComStartsOnce) {
    EXPECT_EQ(TerminateCom(), -1);  // not started
    EXPECT_EQ(InitializeCom(), 0);
    EXPECT_EQ(InitializeCom(), -1);
    EXPECT_EQ(TerminateCom(), 0);
    EXPECT_EQ(TerminateCom(), -1);
    const auto lines = LinesWithoutStamps(LogBytes());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(Cp932Text("ＣＯＭの初期化... ")) + Cp932Text("成功しました"));
    EXPECT_EQ(lines[1], Cp932Text("ＣＯＭを終了... 完了"));
}

TEST_F(SystemLog, ComFailsWithoutItsLibrary) {
    UnloadWinApis();
    KnobHideModule("ole32.dll", true);
    LoadWinApis();
    EXPECT_EQ(InitializeCom(), -1);
    EXPECT_EQ(LogBytes(), std::string("0:") + Cp932Text("ＣＯＭの初期化... ") +
                              Cp932Text("ＣＯＭの初期化に失敗しました") + "\r\n");
    EXPECT_EQ(TerminateCom(), -1);
}

// Distinct names are the file layer's (its own suite); here what the engine
// asks of it: a new empty file open for writing, named "tmp...", path given back.
TEST(TempFiles, EmptyFileOpenForWriting) {
    ASSERT_EQ(setenv("TMPDIR", testsupport::TestDirectory().c_str(), 1), 0);
    char first[256];
    HANDLE a = CreateTempFile(first);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetFileSize(a, nullptr), 0u);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(a, "data", 4, &written, nullptr));
    CloseHandle(a);
    HANDLE c = CreateTempFile(nullptr);  // no path wanted
    ASSERT_NE(c, nullptr);
    CloseHandle(c);
    const std::string firstName = std::string(first).substr(std::string(first).rfind('\\') + 1);
    EXPECT_EQ(firstName.rfind("tmp", 0), 0u);
    EXPECT_EQ(testsupport::ReadFile(firstName), "data");
}

TEST(TempFiles, MissingTemporaryFolderGivesNull) {
    ASSERT_EQ(setenv("TMPDIR", (testsupport::TestDirectory() + "/absent").c_str(), 1), 0);
    char path[256] = "unchanged";
    EXPECT_EQ(CreateTempFile(path), nullptr);
    EXPECT_STREQ(path, "unchanged");
}

}  // namespace
}  // namespace DuRud
