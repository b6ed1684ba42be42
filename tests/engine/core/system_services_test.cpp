// The run-time entry-point table, the clocks and the wide formatter.
#include "core/system_services.h"

#include <cstdarg>
#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace DuRud
