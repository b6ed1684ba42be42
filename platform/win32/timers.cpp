// Window and thread timers. They live in the owner thread's queue and become
// WM_TIMER only when that queue has nothing posted; a timer that fell behind
// gives one WM_TIMER, and its next period counts from the moment it was taken.
#include <algorithm>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {
constexpr UINT kMinimumPeriod = 10;  // USER_TIMER_MINIMUM
constexpr UINT kMaximumPeriod = 0x7FFFFFFF;
}  // namespace

bool TakeTimerMessage(MessageQueue& queue, HWND filter, UINT min, UINT max, bool remove, MSG* out) {
    if (!MessageInFilter(WM_TIMER, min, max)) return false;
    std::lock_guard<std::mutex> lock(queue.mutex);
    const uint64_t now = NowMs();
    Timer* best = nullptr;
    for (Timer& t : queue.timers) {
        if (t.due > now || !WindowInFilter(t.window, filter)) continue;
        if (!best || t.due < best->due) best = &t;
    }
    if (!best) return false;
    *out = MSG{best->window,
               WM_TIMER,
               best->id,
               reinterpret_cast<LPARAM>(best->proc),
               static_cast<DWORD>(now),
               {}};
    if (remove) best->due = now + best->period;
    queue.lastMessageTime = static_cast<DWORD>(now);
    return true;
}

uint64_t NextTimerDue(MessageQueue& queue) {
    uint64_t next = UINT64_MAX;
    for (const Timer& t : queue.timers) next = std::min(next, t.due);
    return next;
}

bool IsLiveTimerProc(HWND window, UINT_PTR id, TIMERPROC proc) {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    for (const Timer& t : queue->timers) {
        if (t.window == window && t.id == id && t.proc == proc) return true;
    }
    return false;
}

void KillWindowTimers(HWND window) {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    std::erase_if(queue->timers, [&](const Timer& t) { return t.window == window; });
}

}  // namespace platform::user

using namespace platform::user;

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    std::shared_ptr<MessageQueue> queue;
    if (window) {
        auto target = GetWindow(window);
        if (!target) return 0;
        if (target->threadId != CurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        queue = target->queue;
    } else {
        queue = CurrentQueue();
    }
    elapse = std::clamp(elapse, kMinimumPeriod, kMaximumPeriod);
    std::lock_guard<std::mutex> lock(queue->mutex);
    if (!window) {
        // Thread timers get a new id that no other timer of the thread uses.
        static UINT_PTR nextId = 0x7F00;
        bool used;
        do {
            id = ++nextId;
            used = false;
            for (const Timer& t : queue->timers) used |= (t.window == nullptr && t.id == id);
        } while (used || id == 0);
    }
    for (Timer& t : queue->timers) {
        if (t.window == window && t.id == id) {
            t.period = elapse;
            t.proc = proc;
            t.due = NowMs() + elapse;
            ++queue->changes;
            queue->wake.notify_all();
            return id;
        }
    }
    queue->timers.push_back(Timer{window, id, elapse, NowMs() + elapse, proc});
    ++queue->changes;
    queue->wake.notify_all();
    return window ? (id ? id : 1) : id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    std::shared_ptr<MessageQueue> queue;
    if (window) {
        auto target = GetWindow(window);
        if (!target) return FALSE;
        queue = target->queue;
    } else {
        queue = CurrentQueue();
    }
    std::lock_guard<std::mutex> lock(queue->mutex);
    auto before = queue->timers.size();
    std::erase_if(queue->timers, [&](const Timer& t) { return t.window == window && t.id == id; });
    if (queue->timers.size() == before) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
