// Per-thread message queues: posting, sending across threads, retrieval with
// window and range filters, translation and dispatch. A queue is made when a
// thread first uses one and dies with the thread; a sender waiting on a dead
// queue gets 0.
#include <algorithm>

#include "clock.h"
#include "user_state.h"
#include "waitable.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

constexpr size_t kQueueLimit = 10000;  // Windows' default posted-message quota

// Ends the thread's queue when the thread ends: senders waiting on it are released.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        std::deque<std::shared_ptr<SentMessage>> pending;
        {
            std::lock_guard<std::mutex> lock(queue->mutex);
            queue->alive = false;
            pending.swap(queue->sent);
            queue->posted.clear();
        }
        for (auto& sent : pending) {
            std::lock_guard<std::mutex> lock(sent->sender->mutex);
            sent->done = true;
            sent->result = 0;
            sent->sender->wake.notify_all();
        }
        UserGlobals& g = Globals();
        std::lock_guard<std::mutex> lock(g.mutex);
        g.queues.erase(queue->threadId);
    }
};
thread_local QueueHolder threadQueue;

// Runs every message other threads sent to this one.
void RunSentMessages(const std::shared_ptr<MessageQueue>& queue) {
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard<std::mutex> lock(queue->mutex);
            if (queue->sent.empty()) return;
            sent = queue->sent.front();
            queue->sent.pop_front();
        }
        LRESULT result = 0;
        if (auto window = GetWindow(sent->window)) {
            result = CallProcedure(window, sent->message, sent->wParam, sent->lParam);
        }
        std::lock_guard<std::mutex> lock(sent->sender->mutex);
        sent->result = result;
        sent->done = true;
        sent->sender->wake.notify_all();
    }
}

POINT CursorForMessage() {
    POINT point{};
    GetCursorPos(&point);
    return point;
}

bool ValidFilter(HWND filter) {
    if (filter == nullptr || filter == reinterpret_cast<HWND>(-1)) return true;
    return GetWindow(filter) != nullptr;
}

// One look at the queue; fills msg when a message matches.
void NoteControlKey(MessageQueue& queue, const MSG& msg) {
    if (msg.wParam != VK_CONTROL) return;
    const uint8_t side = (msg.lParam & (1 << 24)) ? 2 : 1;  // extended: the right key
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        queue.controlKeys |= side;
    } else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
        queue.controlKeys &= static_cast<uint8_t>(~side);
    }
}

bool LookOnce(const std::shared_ptr<MessageQueue>& queue, LPMSG msg, HWND filter, UINT min,
              UINT max, bool remove, uint64_t* changesSeen) {
    if (OnVideoThread()) PumpSdlEvents();
    RunSentMessages(queue);
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        *changesSeen = queue->changes;
        for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
            if (!WindowInFilter(it->hwnd, filter) || !MessageInFilter(it->message, min, max))
                continue;
            *msg = *it;
            queue->lastMessageTime = it->time;
            if (remove) {
                NoteControlKey(*queue, *it);
                queue->posted.erase(it);
            }
            return true;
        }
        if (queue->quitPosted && WindowInFilter(nullptr, filter) &&
            MessageInFilter(WM_QUIT, min, max)) {
            *msg = MSG{nullptr,
                       WM_QUIT,
                       static_cast<WPARAM>(queue->quitCode),
                       0,
                       static_cast<DWORD>(NowMs()),
                       {}};
            if (remove) queue->quitPosted = false;
            return true;
        }
    }
    if (TakePaintMessage(queue->threadId, filter, min, max, msg)) return true;
    if (TakeTimerMessage(*queue, filter, min, max, remove, msg)) return true;
    return false;
}

}  // namespace

UserGlobals& Globals() {
    // Never destroyed: queues of threads that end during exit still reach it.
    static UserGlobals* globals = new UserGlobals;
    return *globals;
}

DWORD CurrentThreadId() {
    return GetCurrentThreadId();
}

std::shared_ptr<MessageQueue> CurrentQueue() {
    if (!threadQueue.queue) {
        auto queue = std::make_shared<MessageQueue>();
        queue->threadId = CurrentThreadId();
        UserGlobals& g = Globals();
        std::lock_guard<std::mutex> lock(g.mutex);
        g.queues[queue->threadId] = queue;
        threadQueue.queue = queue;
    }
    return threadQueue.queue;
}

std::shared_ptr<MessageQueue> QueueOfThread(DWORD threadId) {
    if (threadId == CurrentThreadId()) return CurrentQueue();
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    auto it = g.queues.find(threadId);
    if (it == g.queues.end()) return nullptr;
    return it->second.lock();
}

bool MessageInFilter(UINT message, UINT min, UINT max) {
    if (min == 0 && max == 0) return true;
    if (max == 0) max = 0xFFFFFFFFu;
    return message >= min && message <= max;
}

bool WindowInFilter(HWND messageWindow, HWND filter) {
    if (filter == nullptr) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return messageWindow == nullptr;
    return messageWindow == filter;
}

bool PostToQueue(const std::shared_ptr<MessageQueue>& queue, const MSG& msg) {
    std::lock_guard<std::mutex> lock(queue->mutex);
    if (!queue->alive) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return false;
    }
    if (queue->posted.size() >= kQueueLimit) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    queue->posted.push_back(msg);
    ++queue->changes;
    queue->wake.notify_all();
    platform::WaitWakeAll();  // a MsgWaitForMultipleObjects may be watching
    return true;
}

void PostToFront(const MSG& msg) {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->posted.push_front(msg);
    ++queue->changes;
}

void WakeQueue(const std::shared_ptr<MessageQueue>& queue) {
    if (!queue) return;
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        ++queue->changes;
        queue->wake.notify_all();
    }
    platform::WaitWakeAll();
}

LRESULT CallProcedure(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        proc = window->proc;
    }
    if (!proc) return DefWindowProcA(window->handle, message, wParam, lParam);
    return proc(window->handle, message, wParam, lParam);
}

}  // namespace platform::user

using namespace platform::user;

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr) return PostThreadMessageA(CurrentThreadId(), message, wParam, lParam);
    auto target = GetWindow(window);
    if (!target) return FALSE;
    MSG msg{window, message, wParam, lParam, static_cast<DWORD>(NowMs()), CursorForMessage()};
    return PostToQueue(target->queue, msg) ? TRUE : FALSE;
}

BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = QueueOfThread(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    MSG msg{nullptr, message, wParam, lParam, static_cast<DWORD>(NowMs()), CursorForMessage()};
    return PostToQueue(queue, msg) ? TRUE : FALSE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto target = GetWindow(window);
    if (!target) return 0;
    if (target->threadId == CurrentThreadId()) {
        return CallProcedure(target, message, wParam, lParam);
    }
    auto self = CurrentQueue();
    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    {
        std::lock_guard<std::mutex> lock(target->queue->mutex);
        if (!target->queue->alive || target->gone) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        target->queue->sent.push_back(sent);
        ++target->queue->changes;
        target->queue->wake.notify_all();
    }
    platform::WaitWakeAll();
    // While waiting, run what others send to this thread, so two threads sending
    // to each other do not lock up.
    for (;;) {
        RunSentMessages(self);
        std::unique_lock<std::mutex> lock(self->mutex);
        if (sent->done) return sent->result;
        if (!self->sent.empty()) continue;
        platform::ClockWaitFor(lock, self->wake, INFINITE,
                               [&] { return sent->done || !self->sent.empty(); });
    }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!ValidFilter(window)) return FALSE;
    DeliverScheduledInput();
    uint64_t seen = 0;
    return LookOnce(CurrentQueue(), msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0,
                    &seen)
               ? TRUE
               : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!ValidFilter(window)) return -1;
    auto queue = CurrentQueue();
    for (;;) {
        DeliverScheduledInput();
        uint64_t seen = 0;
        if (LookOnce(queue, msg, window, filterMin, filterMax, true, &seen)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        // A filtered window that went away would make this wait forever.
        if (window && window != reinterpret_cast<HWND>(-1) && !GetWindow(window)) return -1;
        std::unique_lock<std::mutex> lock(queue->mutex);
        if (queue->changes != seen || !queue->sent.empty()) continue;
        WaitOnQueue(lock, *queue, NextTimerDue(*queue), OnVideoThread(), seen);
    }
}

BOOL WINAPI WaitMessage() {
    auto queue = CurrentQueue();
    uint64_t start;
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        start = queue->changes;
    }
    for (;;) {
        MSG msg;
        uint64_t seen = 0;
        if (LookOnce(queue, &msg, nullptr, 0, 0, false, &seen)) return TRUE;
        std::unique_lock<std::mutex> lock(queue->mutex);
        if (queue->changes != start) return TRUE;
        WaitOnQueue(lock, *queue, NextTimerDue(*queue), OnVideoThread(), start);
    }
}

void WINAPI PostQuitMessage(int exitCode) {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->quitPosted = true;
    queue->quitCode = exitCode;
    ++queue->changes;
    queue->wake.notify_all();
}

DWORD WINAPI GetMessageTime() {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    return queue->lastMessageTime;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a live timer's own procedure is called: a posted WM_TIMER with a
        // made-up lParam must not become a call through an arbitrary pointer.
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        if (!IsLiveTimerProc(msg->hwnd, msg->wParam, proc)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(NowMs()));
        return 0;
    }
    if (!msg->hwnd) return 0;
    auto window = GetWindow(msg->hwnd);
    if (!window) return 0;
    if (window->threadId != CurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return CallProcedure(window, msg->message, msg->wParam, msg->lParam);
}

namespace {
bool ControlDownAtMessage() {
    auto queue = platform::user::CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    return queue->controlKeys != 0;
}
}  // namespace

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    const UINT m = msg->message;
    if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
    const WPARAM vk = msg->wParam;
    MSG out = *msg;
    if (m == WM_KEYDOWN) {
        // Control keys that have a character; typed text comes from the text input.
        switch (vk) {
            case VK_RETURN:
                out.wParam = 0x0D;
                break;
            case VK_BACK:
                out.wParam = 0x08;
                break;
            case VK_TAB:
                out.wParam = 0x09;
                break;
            case VK_ESCAPE:
                out.wParam = 0x1B;
                break;
            default:
                // Ctrl+letter is the letter's control character (Ctrl+C 0x03,
                // Ctrl+V 0x16, ...); SDL gives no text for it.
                if (vk >= 'A' && vk <= 'Z' && ControlDownAtMessage()) {
                    out.wParam = vk - 'A' + 1;
                    break;
                }
                return TRUE;
        }
        out.message = WM_CHAR;
        PostToFront(out);
    } else if (m == WM_SYSKEYDOWN && (msg->lParam & (1 << 29))) {
        const bool shift = IsKeyDown(VK_SHIFT);
        if (vk == VK_RETURN) {
            out.wParam = 0x0D;
        } else if (vk >= 'A' && vk <= 'Z') {
            out.wParam = shift ? vk : vk + ('a' - 'A');
        } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE) {
            out.wParam = vk;
        } else {
            return TRUE;
        }
        out.message = WM_SYSCHAR;
        PostToFront(out);
    }
    return TRUE;
}

int WINAPI TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg) {
    // No accelerator tables can be made here, so nothing is ever translated.
    if (!table) SetLastError(ERROR_INVALID_ACCEL_HANDLE);
    return 0;
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg) {
    // There are no dialog templates; a message for the given window is handed to
    // it as a dialog would, every other message is not a dialog message.
    if (!msg || !dialog || !GetWindow(dialog) || msg->hwnd != dialog) return FALSE;
    DispatchMessageA(msg);
    return TRUE;
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                       DWORD milliseconds, DWORD wakeMask) {
    auto queue = CurrentQueue();
    const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : NowMs() + milliseconds;
    for (;;) {
        uint64_t seen = 0;
        MSG msg;
        // Sent messages run here; anything else waiting in the queue ends the wait.
        if (LookOnce(queue, &msg, nullptr, 0, 0, false, &seen) && !waitAll) {
            return WAIT_OBJECT_0 + count;
        }
        const uint64_t now = NowMs();
        if (deadline != UINT64_MAX && now >= deadline && count == 0) return WAIT_TIMEOUT;
        uint64_t span = deadline == UINT64_MAX ? UINT64_MAX : (deadline > now ? deadline - now : 0);
        {
            std::lock_guard<std::mutex> lock(queue->mutex);
            span = std::min(span, NextTimerDue(*queue) > now ? NextTimerDue(*queue) - now : 0);
        }
        if (OnVideoThread()) span = std::min<uint64_t>(span, 5);
        const DWORD slice = span >= INFINITE ? INFINITE : static_cast<DWORD>(span);
        DWORD r = platform::WaitForObjects(count, handles, waitAll != FALSE, slice, [&] {
            std::lock_guard<std::mutex> lock(queue->mutex);
            return queue->changes != seen || !queue->sent.empty();
        });
        if (r == WAIT_TIMEOUT) {
            if (deadline != UINT64_MAX && NowMs() >= deadline) return WAIT_TIMEOUT;
            continue;
        }
        if (r == WAIT_OBJECT_0 + count && !waitAll) continue;  // look at the queue again
        return r;
    }
}
