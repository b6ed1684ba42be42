// The clock that message waits and window timers read. Every wait of a queue
// goes through WaitOnQueue, so timers and time-outs follow one clock.
#include <chrono>

#include "user_state.h"

namespace platform::user {

namespace {
const auto clockOrigin = std::chrono::steady_clock::now();
// A thread that owns SDL windows looks at SDL's event queue this often while
// it waits: SDL cannot wake our condition variable itself.
constexpr uint64_t kSdlPollMs = 5;
}  // namespace

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - clockOrigin)
                                     .count());
}

void WaitOnQueue(std::unique_lock<std::mutex>& lock, MessageQueue& queue, uint64_t deadlineMs,
                 bool pollSdl) {
    uint64_t now = NowMs();
    if (deadlineMs != UINT64_MAX && deadlineMs <= now) return;
    uint64_t span = deadlineMs == UINT64_MAX ? UINT64_MAX : deadlineMs - now;
    if (pollSdl && span > kSdlPollMs) span = kSdlPollMs;
    if (span == UINT64_MAX) {
        queue.wake.wait(lock);
    } else {
        queue.wake.wait_for(lock, std::chrono::milliseconds(span));
    }
}

}  // namespace platform::user
