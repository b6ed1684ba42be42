// Costs of the kernel stand-in's locks, events, waits and heap.
#include <benchmark/benchmark.h>

#include "windows.h"

namespace {

void CriticalSectionEnterLeave(benchmark::State& state) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    for (auto _ : state) {
        EnterCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }
    DeleteCriticalSection(&cs);
}
BENCHMARK(CriticalSectionEnterLeave);

void EventSetAndWaitOneThread(benchmark::State& state) {
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (auto _ : state) {
        SetEvent(e);
        benchmark::DoNotOptimize(WaitForSingleObject(e, INFINITE));
    }
    CloseHandle(e);
}
BENCHMARK(EventSetAndWaitOneThread);

struct PingPong {
    HANDLE ping, pong;
    volatile bool stop = false;
};

// A round trip between two threads through two auto-reset events.
void EventPingPongTwoThreads(benchmark::State& state) {
    PingPong p{CreateEventA(nullptr, FALSE, FALSE, nullptr),
               CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID a) -> DWORD {
            auto* pp = static_cast<PingPong*>(a);
            for (;;) {
                WaitForSingleObject(pp->ping, INFINITE);
                if (pp->stop) return 0;
                SetEvent(pp->pong);
            }
        },
        &p, 0, nullptr);
    for (auto _ : state) {
        SetEvent(p.ping);
        WaitForSingleObject(p.pong, INFINITE);
    }
    p.stop = true;
    SetEvent(p.ping);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    CloseHandle(p.ping);
    CloseHandle(p.pong);
}
BENCHMARK(EventPingPongTwoThreads);

void HeapAllocFree(benchmark::State& state) {
    HANDLE heap = GetProcessHeap();
    for (auto _ : state) {
        void* p = HeapAlloc(heap, 0, static_cast<SIZE_T>(state.range(0)));
        benchmark::DoNotOptimize(p);
        HeapFree(heap, 0, p);
    }
}
BENCHMARK(HeapAllocFree)->Arg(64)->Arg(65536);

void CounterRead(benchmark::State& state) {
    LARGE_INTEGER v;
    for (auto _ : state) {
        QueryPerformanceCounter(&v);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(CounterRead);

}  // namespace

BENCHMARK_MAIN();
