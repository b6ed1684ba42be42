// Tracked allocation and release: nanoseconds per alloc/free pair with 1,000
// and 100,000 other blocks alive (the live list is doubly linked, so the two
// should cost about the same).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/tracked_memory.h"

using namespace DuRud;

namespace {

void AllocFreePair(benchmark::State& state) {
    std::vector<void*> live;
    live.reserve(static_cast<size_t>(state.range(0)));
    for (int64_t i = 0; i < state.range(0); ++i)
        live.push_back(TrackedAlloc(32, __FILE__, __LINE__));
    for (auto _ : state) {
        void* p = TrackedAlloc(64, __FILE__, __LINE__);
        benchmark::DoNotOptimize(p);
        TrackedFree(p);
    }
    for (void* p : live) TrackedFree(p);
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(AllocFreePair)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
