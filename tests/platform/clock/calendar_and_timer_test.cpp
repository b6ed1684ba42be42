// Calendar conversions (values worked out by hand from the 1601 epoch) and
// the multimedia timer functions.
#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include <tuple>

#include "windows.h"
#include "support/error_checks.h"

namespace {

FILETIME fileTime(uint64_t v) {
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFu), static_cast<DWORD>(v >> 32)};
}
uint64_t value(FILETIME f) {
    return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime;
}

SYSTEMTIME systemTime(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    st.wMilliseconds = ms;
    return st;
}

TEST(CalendarTime, KnownMomentsConvertBothWays) {
    struct Case {
        SYSTEMTIME st;
        uint64_t ft;
        WORD dayOfWeek;
    } cases[] = {
        {systemTime(1601, 1, 1), 0, 1},                      // a Monday
        {systemTime(1970, 1, 1), 116444736000000000ull, 4},  // 134774 days
        {systemTime(2000, 1, 1), 125911584000000000ull, 6},  // 145731 days
        // 2000-02-29 12:34:56.789: 145731 + 59 days, then 45296.789 s.
        {systemTime(2000, 2, 29, 12, 34, 56, 789),
         125911584000000000ull + 59 * 864000000000ull + 452967890000ull, 2},
    };
    for (const auto& c : cases) {
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        EXPECT_EQ(value(ft), c.ft);
        SYSTEMTIME back;
        FILETIME in = fileTime(c.ft);
        ASSERT_TRUE(FileTimeToSystemTime(&in, &back));
        auto fields = [](const SYSTEMTIME& t, WORD dayOfWeek) {
            return std::tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                              t.wMilliseconds, dayOfWeek);
        };
        EXPECT_EQ(fields(back, back.wDayOfWeek), fields(c.st, c.dayOfWeek));
    }
}

TEST(CalendarTime, ImpossibleDatesAndValuesAreRefused) {
    SYSTEMTIME bad[] = {systemTime(2023, 2, 29),
                        systemTime(2024, 13, 1),
                        systemTime(2024, 4, 31),
                        systemTime(1600, 12, 31),
                        systemTime(2024, 1, 1, 24),
                        systemTime(2024, 1, 1, 0, 60),
                        systemTime(2024, 1, 1, 0, 0, 0, 1000),
                        systemTime(2024, 0, 1)};
    FILETIME ft{7, 7};
    for (const auto& st : bad) {
        EXPECT_ERROR(SystemTimeToFileTime(&st, &ft), FALSE, ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(value(ft), (uint64_t{7} << 32) | 7);  // nothing written
    SYSTEMTIME leap = systemTime(2024, 2, 29);
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));

    FILETIME negative = fileTime(0x8000000000000000ull);
    SYSTEMTIME st;
    EXPECT_FALSE(FileTimeToSystemTime(&negative, &st));
    EXPECT_FALSE(FileTimeToSystemTime(nullptr, &st));
    EXPECT_FALSE(SystemTimeToFileTime(&leap, nullptr));
    EXPECT_FALSE(FileTimeToLocalFileTime(&negative, &ft));
}

TEST(CalendarTime, LocalTimeFollowsTheTimeZone) {
    setenv("TZ", "JST-9", 1);
    tzset();
    FILETIME utc = fileTime(125911584000000000ull), local, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(value(local), value(utc) + 9ull * 3600 * 10000000);
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(value(back), value(utc));

    SYSTEMTIME sys, loc;
    GetSystemTime(&sys);
    GetLocalTime(&loc);
    FILETIME a, b;
    ASSERT_TRUE(SystemTimeToFileTime(&sys, &a));
    ASSERT_TRUE(SystemTimeToFileTime(&loc, &b));
    // Nine hours apart, give or take the moment between the two reads.
    int64_t diff = static_cast<int64_t>(value(b) - value(a)) - 9ll * 3600 * 10000000;
    EXPECT_GE(diff, 0);
    EXPECT_LT(diff, 60ll * 10000000);
    unsetenv("TZ");
    tzset();
}

// File times convert with the offset in force now, whatever the season of
// the moment converted: winter and summer moments move by the same amount.
TEST(CalendarTime, FileTimesConvertWithTodaysOffset) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const SYSTEMTIME moments[] = {systemTime(2024, 1, 15, 12), systemTime(2024, 7, 1, 12),
                                  systemTime(1999, 10, 31, 1, 30)};
    int64_t first = 0;
    for (const SYSTEMTIME& st : moments) {
        FILETIME utc, local, back;
        ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        const int64_t offset = static_cast<int64_t>(value(local) - value(utc)) / 10000000;
        if (first == 0) first = offset;
        EXPECT_EQ(offset, first) << st.wYear << "-" << st.wMonth;
        EXPECT_TRUE(offset == 3600 || offset == 7200) << offset;
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(value(back), value(utc)) << st.wYear << "-" << st.wMonth;
    }
    unsetenv("TZ");
    tzset();
}

TEST(CalendarTime, SystemTimeAgreesWithTheFileTimeClock) {
    FILETIME before, after, now;
    GetSystemTimeAsFileTime(&before);
    SYSTEMTIME st;
    GetSystemTime(&st);
    GetSystemTimeAsFileTime(&after);
    ASSERT_TRUE(SystemTimeToFileTime(&st, &now));
    // SYSTEMTIME keeps whole milliseconds.
    EXPECT_GE(value(now), value(before) - value(before) % 10000);
    EXPECT_LE(value(now), value(after));
    EXPECT_GE(st.wYear, 2024);
}

TEST(MultimediaTimer, PeriodsMustBeBegunBeforeTheyEnd) {
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOCANDO);
    EXPECT_EQ(timeEndPeriod(5), TIMERR_NOCANDO);
    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
}

TEST(MultimediaTimer, DeviceCapsNeedTheRightRecordSize) {
    TIMECAPS caps{0, 0};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_GE(caps.wPeriodMax, caps.wPeriodMin);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps - 1), TIMERR_STRUCT);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_STRUCT);
}

TEST(Counters, FrequencyIsTenMegahertzAndNullOutputsAreRefused) {
    LARGE_INTEGER f;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 10000000);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    QueryPerformanceCounter(&b);
    EXPECT_LE(a.QuadPart, b.QuadPart);
    DWORD t1 = GetTickCount();
    ULONGLONG t64 = GetTickCount64();
    DWORD t2 = GetTickCount();
    EXPECT_LE(t1, static_cast<DWORD>(t64));
    EXPECT_LE(static_cast<DWORD>(t64), t2);
}

}  // namespace
