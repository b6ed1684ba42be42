// The watcher of asynchronous selection: one thread polls every selected
// socket that has an armed notification and posts each notification once to
// its window (wParam = socket, lParam = event | error << 16). A posted
// notification stays off until the call that re-enables it (recv, send that
// would block, accept); FD_CONNECT and FD_CLOSE come once. The poll is woken
// by an eventfd whenever the table changes and never waits longer than
// 100 ms, so a stop request is seen promptly.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "socket_entries.h"

namespace platform::winsock {
namespace {

constexpr int kPollTimeoutMs = 100;

struct Watched {
    std::shared_ptr<SocketEntry> entry;
    unsigned generation;
};

// The poll events a socket waits for now (0: not polled).
short InterestLocked(const SocketEntry& e) {
    if (e.closed || e.events == 0 || e.stalled) return 0;
    short interest = 0;
    if (e.type == kWinSockDgram) {
        if (e.readArmed) interest |= POLLIN;
        if (e.writeArmed) interest |= POLLOUT;
        return interest;
    }
    switch (e.state) {
        case StreamState::Fresh:
            return 0;
        case StreamState::Listening:
            return e.acceptArmed ? POLLIN : 0;
        case StreamState::Connecting:
            return e.connectPending ? POLLOUT : 0;
        case StreamState::Connected:
            if (e.connectPending) return POLLOUT;
            if (!e.peerClosed) {
                if (e.readArmed) interest |= POLLIN;
                if (e.closeArmed && !e.hangUpMuted) interest |= POLLRDHUP;
            }
            if (e.writeArmed) interest |= POLLOUT;
            return interest;
    }
    return 0;
}

bool Post(SocketEntry& e, long event, int error) {
    if (!(e.events & event)) return false;
    const LPARAM word =
        static_cast<LPARAM>(static_cast<DWORD>(event) | (static_cast<DWORD>(error & 0xFFFF) << 16));
    if (!PostMessageA(e.window, e.message, static_cast<WPARAM>(e.value), word)) {
        // The window is gone: nothing more goes to it.
        if (!IsWindow(e.window)) {
            e.events = 0;
            e.window = nullptr;
            ++e.generation;
        }
        return false;
    }
    return true;
}

// Under the table lock: what the poll saw becomes notifications.
void ServeLocked(SocketEntry& e, short seen) {
    bool posted = false;
    if (e.type == kWinSockDgram) {
        if ((seen & POLLIN) && e.readArmed) {
            e.readArmed = false;
            posted |= Post(e, kFdRead, 0);
        }
        if ((seen & POLLOUT) && e.writeArmed) {
            e.writeArmed = false;
            posted |= Post(e, kFdWrite, 0);
        }
        if (!posted) e.stalled = (seen & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        return;
    }
    if (e.state == StreamState::Listening) {
        if ((seen & POLLIN) && e.acceptArmed) {
            e.acceptArmed = false;
            posted |= Post(e, kFdAccept, 0);
        }
        if (!posted) e.stalled = (seen & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        return;
    }
    if (e.connectPending) {
        int error = e.connectError;
        if (error == 0) {
            socklen_t size = sizeof error;
            if (getsockopt(e.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        }
        e.connectPending = false;
        e.connectError = 0;
        if (error != 0) {
            e.state = StreamState::Fresh;
            Post(e, kFdConnect, WsaErrorFromErrno(error));
            return;
        }
        e.state = StreamState::Connected;
        posted |= Post(e, kFdConnect, 0);
    }
    if (e.state != StreamState::Connected) return;
    if ((seen & (POLLIN | POLLRDHUP | POLLERR | POLLHUP)) && !e.peerClosed &&
        (e.readArmed || e.closeArmed)) {
        char byte;
        const ssize_t got = recv(e.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        const int saved = errno;
        if (got > 0) {
            if (e.readArmed) {
                e.readArmed = false;
                posted |= Post(e, kFdRead, 0);
            } else if (seen & (POLLRDHUP | POLLHUP)) {
                e.hangUpMuted = true;  // FD_CLOSE waits until the data are read
                posted = true;
            }
        } else if (got == 0 || (saved != EAGAIN && saved != EWOULDBLOCK && saved != EINTR)) {
            e.peerClosed = true;
            if (e.closeArmed) {
                e.closeArmed = false;
                posted |= Post(e, kFdClose, got == 0 ? 0 : WsaErrorFromErrno(saved));
            }
            posted = true;
        }
    }
    if ((seen & POLLOUT) && e.writeArmed) {
        e.writeArmed = false;
        posted |= Post(e, kFdWrite, 0);
    }
    // Readiness that leads nowhere would wake the poll again at once.
    if (!posted && (seen & (POLLERR | POLLHUP | POLLNVAL | POLLRDHUP))) e.stalled = true;
}

void WatcherLoop(unsigned epoch) {
    auto& table = Table();
    std::vector<Watched> watched;
    std::vector<pollfd> fds;
    for (;;) {
        watched.clear();
        fds.clear();
        int wakeFd;
        {
            std::lock_guard<std::mutex> lock(table.mutex);
            if (table.watcherEpoch != epoch) break;
            wakeFd = table.wakeFd;
            for (auto& [value, entry] : table.sockets) {
                const short interest = InterestLocked(*entry);
                if (!interest) continue;
                watched.push_back({entry, entry->generation});
                fds.push_back({entry->fd, interest, 0});
            }
        }
        fds.push_back({wakeFd, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), kPollTimeoutMs);
        if (ready <= 0) continue;
        if (fds.back().revents & POLLIN) {
            uint64_t count;
            if (read(wakeFd, &count, sizeof count) < 0) {
                // Already drained by an earlier pass: nothing to do.
            }
        }
        std::lock_guard<std::mutex> lock(table.mutex);
        for (size_t i = 0; i < watched.size(); ++i) {
            const short seen = fds[i].revents;
            SocketEntry& e = *watched[i].entry;
            if (!seen || e.closed || e.generation != watched[i].generation) continue;
            ServeLocked(e, seen);
        }
    }
}

}  // namespace

void StartWatcherLocked() {
    auto& table = Table();
    if (table.watcherRunning) return;
    if (table.wakeFd < 0) table.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    table.watcher = std::thread(WatcherLoop, table.watcherEpoch);
    table.watcherRunning = true;
}

void WakeWatcher() {
    const int fd = Table().wakeFd;  // created once, before the first watcher, never closed
    if (fd < 0) return;
    const uint64_t one = 1;
    if (write(fd, &one, sizeof one) < 0) {
        // The counter is full: the watcher is awake anyway.
    }
}

void StopWatcher() {
    auto& table = Table();
    std::thread watcher;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        if (!table.watcherRunning) return;
        ++table.watcherEpoch;  // that watcher's loop ends; a new one gets the new epoch
        table.watcherRunning = false;
        watcher = std::move(table.watcher);
    }
    WakeWatcher();
    if (watcher.joinable()) watcher.join();
}

}  // namespace platform::winsock
