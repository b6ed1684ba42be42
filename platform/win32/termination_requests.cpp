// SIGTERM, SIGINT and SIGHUP ask the program to end as a desktop asks a
// window to close: the handler only notes the request, and the next message
// pump of the video thread gives the main window the close its title bar's
// button sends, so the program ends through its own close path (settings
// written, threads joined). One request is delivered; signals after it are
// part of the same shutdown.
#include <atomic>
#include <csignal>

#include "user_state.h"

namespace platform::user {

namespace {

std::atomic<bool> requested{false};
std::atomic<bool> delivered{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores it");

extern "C" void NoteTerminationRequest(int) {
    requested.store(true, std::memory_order_relaxed);
}

}  // namespace

void InstallTerminationRequests() {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) != 0) continue;
        // A signal the starting shell ignores (nohup) stays ignored.
        if (now.sa_handler == SIG_IGN) continue;
        struct sigaction note {};
        note.sa_handler = NoteTerminationRequest;
        sigemptyset(&note.sa_mask);
        note.sa_flags = SA_RESTART;
        sigaction(signal, &note, nullptr);
    }
}

void ResetTerminationRequests() {
    requested.store(false);
    delivered.store(false);
}

void DeliverTerminationRequest() {
    if (!requested.load(std::memory_order_relaxed) || delivered.load(std::memory_order_relaxed))
        return;
    const HWND window = PumpingWindow();
    if (!window) return;  // kept until the program has a window
    delivered.store(true, std::memory_order_relaxed);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace platform::user
