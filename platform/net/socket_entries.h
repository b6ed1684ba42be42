// The socket table shared by the socket calls and the selection watcher.
// Socket values are the table's own (multiples of four from 0x100, never
// reused), so a stale or made-up value can never reach another descriptor.
// A descriptor closes when the last reference to its entry goes: a call in
// progress or the watcher's poll keeps it from being reused under them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "socket_layer.h"

namespace platform::winsock {

enum class StreamState { Fresh, Listening, Connecting, Connected };

struct SocketEntry {
    explicit SocketEntry(int descriptor) : fd(descriptor) {}
    ~SocketEntry();
    SocketEntry(const SocketEntry&) = delete;
    SocketEntry& operator=(const SocketEntry&) = delete;

    const int fd;
    uintptr_t value = 0;
    int family = 0;  // Windows value
    int type = 0;
    bool nonBlocking = false;
    std::atomic<bool> closed{false};  // read without the lock by calls in progress
    std::atomic<int> callsInProgress{0};
    StreamState state = StreamState::Fresh;
    bool sendShutDown = false;  // shutdown(SD_SEND or SD_BOTH) done

    // Asynchronous selection (all under the table lock).
    HWND window = nullptr;
    UINT message = 0;
    long events = 0;
    unsigned generation = 0;  // changes with every selection
    bool readArmed = false;
    bool writeArmed = false;
    bool acceptArmed = false;
    bool closeArmed = false;
    bool connectPending = false;  // a connect whose outcome is still to post
    int connectError = 0;         // errno of a connect that failed at once
    bool peerClosed = false;      // end of stream or reset seen: nothing more to read
    bool hangUpMuted = false;     // peer closed with data unread: wait for a recv
    bool stalled = false;         // an error state the watcher cannot clear
};

struct SocketTable {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<SocketEntry>> sockets;
    uintptr_t nextValue = 0x100;
    int startups = 0;

    // The watcher (see select_watcher.cpp).
    std::thread watcher;
    bool watcherRunning = false;
    unsigned watcherEpoch = 0;  // a watcher runs while the epoch it started with is current
    std::atomic<int> wakeFd{-1};
};

// The one table; never destroyed, so a process that ends without the last
// WSACleanup is not taken down by a joinable thread.
SocketTable& Table();

// Under the table lock: the entry of a value, or null.
std::shared_ptr<SocketEntry> FindLocked(uintptr_t s);

// Under the table lock: starts the watcher when it is not running.
void StartWatcherLocked();
// Wakes the watcher to look at the table again (any thread, lock or not).
void WakeWatcher();
// Without the table lock: stops and joins the watcher.
void StopWatcher();

}  // namespace platform::winsock
