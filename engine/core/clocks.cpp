// The millisecond and microsecond clocks and local time. The millisecond
// clock is the multimedia timer masked to 31 bits; the microsecond clock
// uses the performance counter with a 128-bit intermediate product.
#include "core/system_services.h"

namespace DuRud {

int64_t MicrosecondsFromCounter(uint64_t count, uint64_t frequency) {
    uint64_t product[2];
    uint64_t quotient = 0;
    MultiplyU64To128(count, 1000000u, product);
    if (DivideU128ByU64(product, frequency, &quotient) != 0) return -1;
    return static_cast<int64_t>(quotient);
}

int32_t GetMillisecondCounter() {
    auto timeGetTimeFn = WinApi<DWORD(WINAPI*)()>(Api_timeGetTime);
    if (!timeGetTimeFn) return -1;
    return static_cast<int32_t>(timeGetTimeFn() & 0x7FFFFFFFu);
}

int64_t GetMicrosecondCounter(int) {
    const SystemState& state = GetSystemState();
    if (state.highResolutionTimer && state.counterFrequency > 0) {
        LARGE_INTEGER count;
        if (QueryPerformanceCounter(&count) && count.QuadPart >= 0)
            return MicrosecondsFromCounter(static_cast<uint64_t>(count.QuadPart),
                                           static_cast<uint64_t>(state.counterFrequency));
    }
    auto timeGetTimeFn = WinApi<DWORD(WINAPI*)()>(Api_timeGetTime);
    if (!timeGetTimeFn) return -1;
    return static_cast<int64_t>(timeGetTimeFn()) * 1000;
}

int GetLocalTimeFields(int* year, int* month, int* day, int* hour, int* minute, int* second) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    if (year) *year = t.wYear;
    if (month) *month = t.wMonth;
    if (day) *day = t.wDay;
    if (hour) *hour = t.wHour;
    if (minute) *minute = t.wMinute;
    if (second) *second = t.wSecond;
    return 0;
}

}  // namespace DuRud
