// The socket calls over POSIX descriptors: Windows addresses and flags are
// converted here, errno becomes a WinSock code, and every call that re-enables
// a notification of asynchronous selection re-arms it and wakes the watcher.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "socket_entries.h"

namespace platform::winsock {

SocketEntry::~SocketEntry() {
    if (fd >= 0) ::close(fd);
}

SocketTable& Table() {
    static SocketTable* table = new SocketTable;
    return *table;
}

std::shared_ptr<SocketEntry> FindLocked(uintptr_t s) {
    auto& sockets = Table().sockets;
    auto it = sockets.find(s);
    return it == sockets.end() ? nullptr : it->second;
}

void SetWsaError(int error) {
    SetLastError(static_cast<DWORD>(error));
}

int WsaErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return WsaOk;
        case EINTR:
            return WsaEIntr;
        case EBADF:
            return WsaEBadf;
        case EACCES:
        case EPERM:
            return WsaEAcces;
        case EFAULT:
            return WsaEFault;
        case EMFILE:
        case ENFILE:
            return WsaEMfile;
        case EAGAIN:
        case EINPROGRESS:
            return WsaEWouldBlock;
        case EALREADY:
            return WsaEAlready;
        case ENOTSOCK:
            return WsaENotSock;
        case EDESTADDRREQ:
            return WsaEDestAddrReq;
        case EMSGSIZE:
            return WsaEMsgSize;
        case EPROTOTYPE:
            return WsaEProtoType;
        case ENOPROTOOPT:
            return WsaENoProtoOpt;
        case EPROTONOSUPPORT:
            return WsaEProtoNoSupport;
        case ESOCKTNOSUPPORT:
            return WsaESockTNoSupport;
        case EOPNOTSUPP:
            return WsaEOpNotSupp;
        case EPFNOSUPPORT:
            return WsaEPfNoSupport;
        case EAFNOSUPPORT:
            return WsaEAfNoSupport;
        case EADDRINUSE:
            return WsaEAddrInUse;
        case EADDRNOTAVAIL:
            return WsaEAddrNotAvail;
        case ENETDOWN:
            return WsaENetDown;
        case ENETUNREACH:
            return WsaENetUnreach;
        case ENETRESET:
            return WsaENetReset;
        case ECONNABORTED:
            return WsaEConnAborted;
        case ECONNRESET:
        case EPIPE:
            return WsaEConnReset;
        case ENOBUFS:
        case ENOMEM:
            return WsaENoBufs;
        case EISCONN:
            return WsaEIsConn;
        case ENOTCONN:
            return WsaENotConn;
        case ESHUTDOWN:
            return WsaEShutdown;
        case ETOOMANYREFS:
            return WsaETooManyRefs;
        case ETIMEDOUT:
            return WsaETimedOut;
        case ECONNREFUSED:
            return WsaEConnRefused;
        case ELOOP:
            return WsaELoop;
        case ENAMETOOLONG:
            return WsaENameTooLong;
        case EHOSTDOWN:
            return WsaEHostDown;
        case EHOSTUNREACH:
            return WsaEHostUnreach;
        default:
            return WsaEInval;
    }
}

namespace {

int Fail(int error) {
    SetWsaError(error);
    return -1;
}

int FailErrno() {
    return Fail(WsaErrorFromErrno(errno));
}

// A live entry of a started layer, or null with the error set.
std::shared_ptr<SocketEntry> Lookup(uintptr_t s) {
    std::lock_guard<std::mutex> lock(Table().mutex);
    if (Table().startups == 0) {
        SetWsaError(WsaNotInitialised);
        return nullptr;
    }
    auto entry = FindLocked(s);
    if (!entry) SetWsaError(WsaENotSock);
    return entry;
}

// Counts a call that may block, so a close from another thread wakes it.
struct CallInProgress {
    explicit CallInProgress(SocketEntry& e) : entry(e) { ++entry.callsInProgress; }
    ~CallInProgress() { --entry.callsInProgress; }
    SocketEntry& entry;
};

int AddressSize(int winFamily) {
    return winFamily == kWinAfInet6 ? kWinSockaddrIn6 : kWinSockaddrIn;
}

// A Windows address as a POSIX one; the family must be the socket's own.
bool ToPosixAddress(const void* winAddress, int length, sockaddr_storage& out, socklen_t& outLength,
                    int& error) {
    if (!winAddress || length < 2) {
        error = WsaEFault;
        return false;
    }
    uint16_t family;
    std::memcpy(&family, winAddress, 2);
    std::memset(&out, 0, sizeof out);
    if (family == kWinAfInet) {
        if (length < kWinSockaddrIn) {
            error = WsaEFault;
            return false;
        }
        sockaddr_in in{};
        std::memcpy(&in, winAddress, sizeof in);  // same layout but for the family value
        in.sin_family = AF_INET;
        std::memcpy(&out, &in, sizeof in);
        outLength = sizeof in;
        return true;
    }
    if (family == kWinAfInet6) {
        if (length < kWinSockaddrIn6) {
            error = WsaEFault;
            return false;
        }
        sockaddr_in6 in6{};
        static_assert(sizeof in6 == kWinSockaddrIn6);
        std::memcpy(&in6, winAddress, sizeof in6);
        in6.sin6_family = AF_INET6;
        std::memcpy(&out, &in6, sizeof in6);
        outLength = sizeof in6;
        return true;
    }
    error = WsaEAfNoSupport;
    return false;
}

// A POSIX address into a Windows buffer of *length bytes; false when it
// does not fit (WSAEFAULT) or the family is foreign.
bool ToWindowsAddress(const sockaddr_storage& address, void* winAddress, int* length) {
    if (address.ss_family == AF_INET) {
        if (*length < kWinSockaddrIn) return false;
        sockaddr_in in;
        std::memcpy(&in, &address, sizeof in);
        uint16_t family = kWinAfInet;
        std::memcpy(winAddress, &in, sizeof in);
        std::memcpy(winAddress, &family, 2);
        std::memset(static_cast<char*>(winAddress) + 8, 0, 8);
        *length = kWinSockaddrIn;
        return true;
    }
    if (address.ss_family == AF_INET6) {
        if (*length < kWinSockaddrIn6) return false;
        uint16_t family = kWinAfInet6;
        std::memcpy(winAddress, &address, kWinSockaddrIn6);
        std::memcpy(winAddress, &family, 2);
        *length = kWinSockaddrIn6;
        return true;
    }
    return false;
}

bool ToPosixFlags(int winFlags, int& flags) {
    if (winFlags & ~(kWinMsgOob | kWinMsgPeek | kWinMsgDontRoute | kWinMsgWaitAll)) return false;
    flags = 0;
    if (winFlags & kWinMsgOob) flags |= MSG_OOB;
    if (winFlags & kWinMsgPeek) flags |= MSG_PEEK;
    if (winFlags & kWinMsgDontRoute) flags |= MSG_DONTROUTE;
    if (winFlags & kWinMsgWaitAll) flags |= MSG_WAITALL;
    return true;
}

// After a call that re-enables a notification.
void Rearm(SocketEntry& entry, long event) {
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        if (entry.closed || !(entry.events & event)) return;
        if (event == kFdRead) {
            entry.readArmed = true;
            entry.hangUpMuted = false;
        }
        if (event == kFdWrite) entry.writeArmed = true;
        if (event == kFdAccept) entry.acceptArmed = true;
        entry.stalled = false;
    }
    WakeWatcher();
}

void MarkConnected(SocketEntry& entry) {
    std::lock_guard<std::mutex> lock(Table().mutex);
    if (entry.type == kWinSockStream && entry.state == StreamState::Connecting &&
        !entry.connectPending)
        entry.state = StreamState::Connected;
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

uintptr_t AddLocked(const std::shared_ptr<SocketEntry>& entry) {
    auto& table = Table();
    entry->value = table.nextValue;
    table.nextValue += 4;
    table.sockets[entry->value] = entry;
    return entry->value;
}

}  // namespace

// --- start-up -------------------------------------------------------------------------------

int Startup() {
    std::lock_guard<std::mutex> lock(Table().mutex);
    ++Table().startups;
    return 0;
}

bool Started() {
    std::lock_guard<std::mutex> lock(Table().mutex);
    return Table().startups > 0;
}

int Cleanup() {
    auto& table = Table();
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        if (table.startups == 0) return Fail(WsaNotInitialised);
        if (--table.startups > 0) return 0;
    }
    StopWatcher();
    std::map<uintptr_t, std::shared_ptr<SocketEntry>> left;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        if (table.startups > 0) return 0;  // started again meanwhile
        left.swap(table.sockets);
        for (auto& [value, entry] : left) {
            entry->closed = true;
            if (entry->callsInProgress.load() > 0) ::shutdown(entry->fd, SHUT_RDWR);
        }
    }
    return 0;
}

// --- sockets ----------------------------------------------------------------------------------

uintptr_t OpenSocket(int winFamily, int type, int protocol) {
    if (!Started()) {
        SetWsaError(WsaNotInitialised);
        return kInvalidSocket;
    }
    int family;
    if (winFamily == kWinAfInet) {
        family = AF_INET;
    } else if (winFamily == kWinAfInet6) {
        family = AF_INET6;
    } else {
        SetWsaError(WsaEAfNoSupport);
        return kInvalidSocket;
    }
    int posixType;
    if (type == kWinSockStream) {
        posixType = SOCK_STREAM;
        if (protocol != 0 && protocol != IPPROTO_TCP) {
            SetWsaError(WsaEProtoNoSupport);
            return kInvalidSocket;
        }
    } else if (type == kWinSockDgram) {
        posixType = SOCK_DGRAM;
        if (protocol != 0 && protocol != IPPROTO_UDP) {
            SetWsaError(WsaEProtoNoSupport);
            return kInvalidSocket;
        }
    } else {
        SetWsaError(WsaESockTNoSupport);
        return kInvalidSocket;
    }
    const int fd = ::socket(family, posixType | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno();
        return kInvalidSocket;
    }
    if (family == AF_INET6) {
        // Windows' IPv6 sockets take IPv6 only unless asked otherwise.
        const int on = 1;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    auto entry = std::make_shared<SocketEntry>(fd);
    entry->family = winFamily;
    entry->type = type;
    std::lock_guard<std::mutex> lock(Table().mutex);
    return AddLocked(entry);
}

int CloseSocket(uintptr_t s) {
    std::shared_ptr<SocketEntry> entry;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        if (Table().startups == 0) return Fail(WsaNotInitialised);
        auto it = Table().sockets.find(s);
        if (it == Table().sockets.end()) return Fail(WsaENotSock);
        entry = it->second;
        Table().sockets.erase(it);
        entry->closed = true;
        entry->events = 0;
        entry->window = nullptr;
        ++entry->generation;
        // A call blocked on it in another thread returns instead of waiting on.
        if (entry->callsInProgress.load() > 0) ::shutdown(entry->fd, SHUT_RDWR);
    }
    WakeWatcher();  // lets go of its reference, so the descriptor closes
    return 0;
}

int BindSocket(uintptr_t s, const void* winAddress, int length) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    sockaddr_storage address;
    socklen_t size = 0;
    int error = 0;
    if (!ToPosixAddress(winAddress, length, address, size, error)) return Fail(error);
    if (::bind(entry->fd, reinterpret_cast<sockaddr*>(&address), size) != 0) return FailErrno();
    return 0;
}

int ListenSocket(uintptr_t s, int backlog) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    if (entry->type != kWinSockStream) return Fail(WsaEOpNotSupp);
    if (backlog < 0) backlog = 0;
    if (backlog > SOMAXCONN) backlog = SOMAXCONN;
    if (::listen(entry->fd, backlog) != 0) return FailErrno();
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        entry->state = StreamState::Listening;
        entry->acceptArmed = (entry->events & kFdAccept) != 0;
    }
    WakeWatcher();
    return 0;
}

int ConnectSocket(uintptr_t s, const void* winAddress, int length) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    sockaddr_storage address;
    socklen_t size = 0;
    int error = 0;
    if (!ToPosixAddress(winAddress, length, address, size, error)) return Fail(error);
    int result;
    int saved;
    {
        CallInProgress call(*entry);
        if (entry->closed) return Fail(WsaENotSock);  // closed before the count was seen
        result = ::connect(entry->fd, reinterpret_cast<sockaddr*>(&address), size);
        saved = errno;
    }
    if (entry->type != kWinSockStream) return result == 0 ? 0 : Fail(WsaErrorFromErrno(saved));
    bool wake = false;
    int answer = 0;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        const bool selected = entry->events != 0;
        if (result == 0) {
            entry->state = StreamState::Connected;
            entry->connectPending = selected;  // the watcher still posts FD_CONNECT
            wake = selected;
        } else if (saved == EINPROGRESS || saved == EAGAIN) {
            entry->state = StreamState::Connecting;
            entry->connectPending = true;
            wake = true;
            answer = WsaEWouldBlock;
        } else if (entry->nonBlocking && selected &&
                   (saved == ECONNREFUSED || saved == ENETUNREACH || saved == EHOSTUNREACH ||
                    saved == ETIMEDOUT)) {
            // A non-blocking connect always answers "would block" and tells
            // its outcome through FD_CONNECT.
            entry->state = StreamState::Connecting;
            entry->connectPending = true;
            entry->connectError = saved;
            wake = true;
            answer = WsaEWouldBlock;
        } else {
            answer = WsaErrorFromErrno(saved);
        }
    }
    if (wake) WakeWatcher();
    return answer ? Fail(answer) : 0;
}

uintptr_t AcceptSocket(uintptr_t s, void* winAddress, int* length) {
    auto entry = Lookup(s);
    if (!entry) return kInvalidSocket;
    if (winAddress && (!length || *length < AddressSize(entry->family))) {
        SetWsaError(WsaEFault);
        return kInvalidSocket;
    }
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    int fd;
    int saved;
    {
        CallInProgress call(*entry);
        if (entry->closed) return Fail(WsaENotSock);  // closed before the count was seen
        fd = ::accept4(entry->fd, reinterpret_cast<sockaddr*>(&address), &size, SOCK_CLOEXEC);
        saved = errno;
    }
    Rearm(*entry, kFdAccept);
    if (fd < 0) {
        SetWsaError(saved == EINVAL ? WsaEInval : WsaErrorFromErrno(saved));
        return kInvalidSocket;
    }
    auto accepted = std::make_shared<SocketEntry>(fd);
    if (winAddress && !ToWindowsAddress(address, winAddress, length)) {
        SetWsaError(WsaEFault);
        return kInvalidSocket;  // the connection closes with its entry
    }
    uintptr_t value;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        accepted->family = entry->family;
        accepted->type = entry->type;
        accepted->state = StreamState::Connected;
        // The accepted socket takes the listener's selection and mode.
        accepted->nonBlocking = entry->nonBlocking;
        if (entry->nonBlocking) SetNonBlocking(fd);
        if (entry->events != 0 && !entry->closed) {
            accepted->window = entry->window;
            accepted->message = entry->message;
            accepted->events = entry->events;
            accepted->readArmed = (entry->events & kFdRead) != 0;
            accepted->writeArmed = (entry->events & kFdWrite) != 0;
            accepted->closeArmed = (entry->events & kFdClose) != 0;
        }
        value = AddLocked(accepted);
    }
    if (accepted->events) WakeWatcher();
    return value;
}

int SendOnSocket(uintptr_t s, const void* buffer, int length, int winFlags, const void* winAddress,
                 int addressLength) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    if (length < 0 || (length > 0 && !buffer)) return Fail(WsaEFault);
    int flags;
    if (!ToPosixFlags(winFlags, flags) || (winFlags & kWinMsgPeek) || (winFlags & kWinMsgWaitAll))
        return Fail(WsaEOpNotSupp);
    sockaddr_storage address;
    socklen_t size = 0;
    if (winAddress && entry->type == kWinSockDgram) {
        int error = 0;
        if (!ToPosixAddress(winAddress, addressLength, address, size, error)) return Fail(error);
    }
    ssize_t sent;
    int saved;
    {
        CallInProgress call(*entry);
        if (entry->closed) return Fail(WsaENotSock);  // closed before the count was seen
        sent = ::sendto(entry->fd, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                        size ? reinterpret_cast<sockaddr*>(&address) : nullptr, size);
        saved = errno;
    }
    if (sent < 0) {
        if (saved == EAGAIN || saved == EWOULDBLOCK) Rearm(*entry, kFdWrite);
        if (saved == EPIPE) {
            // POSIX says "broken pipe" for three things WinSock tells apart.
            std::lock_guard<std::mutex> lock(Table().mutex);
            if (entry->sendShutDown) return Fail(WsaEShutdown);
            if (entry->state == StreamState::Fresh || entry->state == StreamState::Listening)
                return Fail(WsaENotConn);
        }
        return Fail(WsaErrorFromErrno(saved));
    }
    // POSIX takes part of a large send where WinSock would take all or
    // answer "would block": the socket is full either way, so FD_WRITE is
    // re-enabled to say when it can go on.
    if (sent < length && entry->nonBlocking) Rearm(*entry, kFdWrite);
    MarkConnected(*entry);
    return static_cast<int>(sent);
}

int ReceiveOnSocket(uintptr_t s, void* buffer, int length, int winFlags, void* winAddress,
                    int* addressLength) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    if (length < 0 || (length > 0 && !buffer)) return Fail(WsaEFault);
    if (winAddress && (!addressLength || *addressLength < AddressSize(entry->family)))
        return Fail(WsaEFault);
    int flags;
    if (!ToPosixFlags(winFlags, flags)) return Fail(WsaEOpNotSupp);
    if (entry->type == kWinSockDgram)
        flags |= MSG_TRUNC;  // to see a datagram larger than the buffer
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    ssize_t got;
    int saved;
    {
        CallInProgress call(*entry);
        if (entry->closed) return Fail(WsaENotSock);  // closed before the count was seen
        got = ::recvfrom(entry->fd, buffer, static_cast<size_t>(length), flags,
                         reinterpret_cast<sockaddr*>(&address), &size);
        saved = errno;
    }
    Rearm(*entry, kFdRead);
    if (got < 0) return Fail(WsaErrorFromErrno(saved));
    if (entry->type == kWinSockDgram && got > length) return Fail(WsaEMsgSize);
    if (winAddress && size > 0 && !ToWindowsAddress(address, winAddress, addressLength))
        return Fail(WsaEFault);
    MarkConnected(*entry);
    return static_cast<int>(got);
}

int ShutdownSocket(uintptr_t s, int how) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    int posixHow;
    switch (how) {
        case 0:
            posixHow = SHUT_RD;
            break;
        case 1:
            posixHow = SHUT_WR;
            break;
        case 2:
            posixHow = SHUT_RDWR;
            break;
        default:
            return Fail(WsaEInval);
    }
    if (::shutdown(entry->fd, posixHow) != 0) return FailErrno();
    if (how != 0) {
        std::lock_guard<std::mutex> lock(Table().mutex);
        entry->sendShutDown = true;
    }
    return 0;
}

int SocketName(uintptr_t s, void* winAddress, int* length, bool peer) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    if (!winAddress || !length) return Fail(WsaEFault);
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    const int result = peer
                           ? ::getpeername(entry->fd, reinterpret_cast<sockaddr*>(&address), &size)
                           : ::getsockname(entry->fd, reinterpret_cast<sockaddr*>(&address), &size);
    if (result != 0) return FailErrno();
    if (!peer && entry->state == StreamState::Fresh && address.ss_family == AF_INET &&
        reinterpret_cast<sockaddr_in&>(address).sin_port == 0)
        return Fail(WsaEInval);  // Windows: not bound yet
    if (!ToWindowsAddress(address, winAddress, length)) return Fail(WsaEFault);
    return 0;
}

int SelectAsync(uintptr_t s, HWND window, UINT message, long events) {
    auto entry = Lookup(s);
    if (!entry) return -1;
    if (events & ~kFdAllEvents) return Fail(WsaEInval);
    if (events != 0 && !IsWindow(window)) return Fail(WsaEInval);
    if (!SetNonBlocking(entry->fd)) return FailErrno();
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        if (entry->closed) return Fail(WsaENotSock);
        entry->nonBlocking = true;
        ++entry->generation;
        entry->window = events ? window : nullptr;
        entry->message = events ? message : 0;
        entry->events = events;
        entry->readArmed = (events & kFdRead) != 0;
        entry->writeArmed = (events & kFdWrite) != 0;
        entry->acceptArmed = (events & kFdAccept) != 0;
        entry->closeArmed = (events & kFdClose) != 0;
        entry->hangUpMuted = false;
        entry->stalled = false;
        if (events) StartWatcherLocked();
    }
    WakeWatcher();
    return 0;
}

}  // namespace platform::winsock
