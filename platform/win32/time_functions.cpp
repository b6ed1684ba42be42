// Counters, calendar time and the multimedia timer functions, all on the
// layer's one clock.
#include <time.h>

#include <chrono>
#include <map>
#include <mutex>

#include "clock.h"
#include "win_kernel.h"

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;  // FILETIME: 100 ns intervals
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysFrom1601To1970 = 134774;
constexpr int64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFLL;

int64_t fromFileTime(const FILETIME& ft) {
    return static_cast<int64_t>((uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime);
}

FILETIME toFileTime(int64_t v) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(v) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(v) >> 32);
    return ft;
}

void splitFileTime(int64_t v, SYSTEMTIME& st) {
    using namespace std::chrono;
    int64_t days = v / kTicksPerDay;
    int64_t rest = v % kTicksPerDay;
    sys_days day{std::chrono::days{days - kDaysFrom1601To1970}};
    year_month_day ymd{day};
    weekday wd{day};
    st.wYear = static_cast<WORD>(static_cast<int>(ymd.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(ymd.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(ymd.day()));
    st.wDayOfWeek = static_cast<WORD>(wd.c_encoding());
    st.wHour = static_cast<WORD>(rest / (kTicksPerSecond * 3600));
    st.wMinute = static_cast<WORD>(rest / (kTicksPerSecond * 60) % 60);
    st.wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
    st.wMilliseconds = static_cast<WORD>(rest / 10'000 % 1000);
}

// Seconds east of UTC for a UTC moment given as 100 ns intervals since 1601.
int64_t localOffsetSeconds(int64_t utcFileTime) {
    time_t t =
        static_cast<time_t>(utcFileTime / kTicksPerSecond - kDaysFrom1601To1970 * int64_t{86400});
    tm local;
    if (localtime_r(&t, &local) == nullptr) return 0;
    return local.tm_gmtoff;
}

struct PeriodState {
    std::mutex lock;
    std::map<UINT, int> begun;  // period -> begin count
};

PeriodState& periods() {
    static PeriodState* p = new PeriodState;
    return *p;
}

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

}  // namespace

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    count->QuadPart = platform::ClockReadCounter();
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    frequency->QuadPart = platform::kCounterFrequency;
    return TRUE;
}

DWORD WINAPI GetTickCount() {
    return static_cast<DWORD>(platform::ClockNowMilliseconds());
}

ULONGLONG WINAPI GetTickCount64() {
    return static_cast<ULONGLONG>(platform::ClockNowMilliseconds());
}

DWORD WINAPI timeGetTime() {
    return static_cast<DWORD>(platform::ClockNowMilliseconds());
}

void WINAPI GetSystemTimeAsFileTime(LPFILETIME time) {
    if (time) *time = toFileTime(platform::ClockWallFileTime());
}

void WINAPI GetSystemTime(LPSYSTEMTIME time) {
    if (time) splitFileTime(platform::ClockWallFileTime(), *time);
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    if (!time) return;
    int64_t utc = platform::ClockWallFileTime();
    splitFileTime(utc + localOffsetSeconds(utc) * kTicksPerSecond, *time);
}

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The time zone and daylight saving in force now, not at the converted moment.
    int64_t utc = fromFileTime(*fileTime);
    int64_t local = utc + localOffsetSeconds(platform::ClockWallFileTime()) * kTicksPerSecond;
    if (utc < 0 || local < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *localFileTime = toFileTime(local);
    return TRUE;
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The offset in force now, as FileTimeToLocalFileTime uses, so the two undo each other.
    int64_t local = fromFileTime(*localFileTime);
    int64_t utc = local - localOffsetSeconds(platform::ClockWallFileTime()) * kTicksPerSecond;
    if (local < 0 || utc < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = toFileTime(utc);
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    if (fileTime == nullptr || systemTime == nullptr || fromFileTime(*fileTime) < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    splitFileTime(fromFileTime(*fileTime), *systemTime);
    return TRUE;
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime) {
    using namespace std::chrono;
    if (st == nullptr || fileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    year_month_day ymd{year{st->wYear}, month{st->wMonth}, day{st->wDay}};
    if (st->wYear < 1601 || st->wYear > 30827 || !ymd.ok() || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t days = sys_days{ymd}.time_since_epoch().count() + kDaysFrom1601To1970;
    int64_t v = days * kTicksPerDay +
                ((int64_t{st->wHour} * 60 + st->wMinute) * 60 + st->wSecond) * kTicksPerSecond +
                int64_t{st->wMilliseconds} * 10'000;
    if (v < 0 || v > kMaxFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = toFileTime(v);
    return TRUE;
}

// The clock here is always as fine as the system gives; the periods are
// counted so that an unmatched end is refused as on Windows.
MMRESULT WINAPI timeBeginPeriod(UINT period) {
    if (period < kPeriodMin || period > kPeriodMax) return TIMERR_NOCANDO;
    auto& p = periods();
    std::lock_guard<std::mutex> g(p.lock);
    ++p.begun[period];
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
    auto& p = periods();
    std::lock_guard<std::mutex> g(p.lock);
    auto it = p.begun.find(period);
    if (it == p.begun.end()) return TIMERR_NOCANDO;
    if (--it->second == 0) p.begun.erase(it);
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size) {
    if (caps == nullptr || size != sizeof(TIMECAPS)) return TIMERR_STRUCT;
    caps->wPeriodMin = kPeriodMin;
    caps->wPeriodMax = kPeriodMax;
    return TIMERR_NOERROR;
}
