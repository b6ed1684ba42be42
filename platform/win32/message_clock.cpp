// The clock that message waits and window timers read: the layer's one clock
// (real or virtual). Every wait of a queue goes through WaitOnQueue, so
// timers and time-outs follow it, and a waiting queue counts as blocked for
// the virtual clock.
#include "clock.h"
#include "user_state.h"

namespace platform::user {

namespace {
// A thread that owns SDL windows looks at SDL's event queue this often while
// it waits: SDL cannot wake our condition variable itself.
constexpr uint64_t kSdlPollMs = 5;
}  // namespace

uint64_t NowMs() {
    return static_cast<uint64_t>(platform::ClockNowMilliseconds());
}

void WaitOnQueue(std::unique_lock<std::mutex>& lock, MessageQueue& queue, uint64_t deadlineMs,
                 bool pollSdl, uint64_t changesSeen) {
    uint64_t now = NowMs();
    if (deadlineMs != UINT64_MAX && deadlineMs <= now) return;
    uint64_t span = deadlineMs == UINT64_MAX ? UINT64_MAX : deadlineMs - now;
    if (pollSdl && span > kSdlPollMs) span = kSdlPollMs;
    const DWORD timeout = span >= INFINITE ? INFINITE : static_cast<DWORD>(span);
    platform::ClockWaitFor(lock, queue.wake, timeout,
                           [&] { return queue.changes != changesSeen || !queue.sent.empty(); });
}

}  // namespace platform::user
