// The ReadFile gate and call counter (see test_knobs.h).
#include "file_read_knobs.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "test_knobs.h"

namespace platform {
namespace {

struct ReadGate {
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    int waiting = 0;
};

ReadGate& gate() {
    static ReadGate* g = new ReadGate;  // reading threads may outlive static destruction
    return *g;
}

std::atomic<long> g_readCalls{0};

}  // namespace

void FileReadGate() {
    g_readCalls.fetch_add(1, std::memory_order_relaxed);
    ReadGate& g = gate();
    std::unique_lock<std::mutex> hold(g.lock);
    if (!g.held) return;
    ++g.waiting;
    g.changed.notify_all();
    g.changed.wait(hold, [&] { return !g.held; });
    --g.waiting;
    g.changed.notify_all();
}

void ResetFileReadKnobs() {
    KnobHoldReadFile(false);
    g_readCalls.store(0);
}

}  // namespace platform

void KnobHoldReadFile(bool hold) {
    auto& g = platform::gate();
    std::lock_guard<std::mutex> guard(g.lock);
    g.held = hold;
    g.changed.notify_all();
}

int KnobReadFileWaiting() {
    auto& g = platform::gate();
    std::lock_guard<std::mutex> guard(g.lock);
    return g.waiting;
}

bool KnobWaitForHeldReadFile(int count) {
    auto& g = platform::gate();
    std::unique_lock<std::mutex> hold(g.lock);
    g.changed.wait(hold, [&] { return !g.held || g.waiting >= count; });
    return g.held && g.waiting >= count;
}

long KnobReadFileCallCount() {
    return platform::g_readCalls.load();
}

void KnobResetReadFileCallCount() {
    platform::g_readCalls.store(0);
}
