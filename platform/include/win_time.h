// Counters, clocks, calendar time and the multimedia timer functions. Every
// one reads the layer's single clock (real or virtual).
#pragma once

#include "win_types.h"

// --- counters ----------------------------------------------------------------
// 10 MHz; each read of the counter moves the virtual clock one tick.
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// Milliseconds on the same scale as timeGetTime (both wrap at 2^32).
DWORD WINAPI GetTickCount();
ULONGLONG WINAPI GetTickCount64();

// --- calendar time -----------------------------------------------------------
void WINAPI GetLocalTime(LPSYSTEMTIME time);
void WINAPI GetSystemTime(LPSYSTEMTIME time);
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);
BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);

// --- "winmm.dll" time functions -----------------------------------------------
typedef UINT MMRESULT;
#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u
#define TIMERR_STRUCT 129u

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
typedef TIMECAPS* LPTIMECAPS;

DWORD WINAPI timeGetTime();
// Periods from 1 to 1,000,000 ms; an end must match an earlier begin.
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size);
