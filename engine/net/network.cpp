// The socket layer: TCP connections over WinSock in message-driven mode. Each
// socket is bound with WSAAsyncSelect to the hidden network window, whose
// select message (0x505) is dispatched here to receive, send and accept.
// Data are framed as messages with a little-endian u32 length prefix and kept
// per handle in two rings. Nothing in this system starts the layer (no
// WinSock start-up, no network window, type 10 never registered), so every
// entry returns at once unless the internal set-up ran.
#include "net/network.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "net/network_record.h"

namespace DuRud {
namespace {

NetworkState g_state;

// The select notifications of the network window.
constexpr long kSelectedEvents = FD_READ | FD_WRITE | FD_CLOSE;
// Loop bounds: a pass never runs away when a peer keeps sending.
constexpr int kMaxPumpedMessages = 4096;
constexpr int kMaxReceiveRounds = 4096;
constexpr int kMaxSendRounds = 4096;

int LastSocketError() {
    auto get = WinApi<int(WINAPI*)()>(Api_WSAGetLastError);
    return get ? get() : 0;
}

int SocketRecv(SOCKET s, void* buffer, int length, int flags) {
    auto call = WinApi<int(WINAPI*)(SOCKET, char*, int, int)>(Api_recv);
    return call ? call(s, static_cast<char*>(buffer), length, flags) : SOCKET_ERROR;
}

int SocketSend(SOCKET s, const void* buffer, int length) {
    auto call = WinApi<int(WINAPI*)(SOCKET, const char*, int, int)>(Api_send);
    return call ? call(s, static_cast<const char*>(buffer), length, 0) : SOCKET_ERROR;
}

// The type-10 lock, when the type is registered.
class NetworkLock {
  public:
    NetworkLock() : type_(GetHandleTypeRecord(kHandleTypeNetwork)) {
        if (type_ && type_->initialised) {
            LockWithSource(&type_->lock, __FILE__, __LINE__);
        } else {
            type_ = nullptr;
        }
    }
    ~NetworkLock() {
        if (type_) LeaveLock(&type_->lock);
    }
    NetworkLock(const NetworkLock&) = delete;
    NetworkLock& operator=(const NetworkLock&) = delete;

  private:
    HandleTypeRecord* type_;
};

// Every live record of type 10 (the list may change while they are used).
std::vector<Handle> NetworkHandles() {
    std::vector<Handle> handles;
    HandleTypeRecord* type = GetHandleTypeRecord(kHandleTypeNetwork);
    if (!type || !type->initialised) return handles;
    for (HandleListNode* node = type->head.next; node && node != &type->tail; node = node->next)
        if (node->data) handles.push_back(node->value);
    return handles;
}

bool WindowMessageWaiting() {
    MSG msg;
    return g_state.window && PeekMessageA(&msg, g_state.window, 0, 0, PM_NOREMOVE);
}

// Removes and dispatches up to `limit` messages of the network window.
void PumpNetworkWindow(int limit) {
    MSG msg;
    for (int i = 0;
         i < limit && g_state.window && PeekMessageA(&msg, g_state.window, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The common refusals of RecvSocket and SendSocket; the record or null.
NetworkHandle* UsableHandle(Handle handle, int32_t busy) {
    if (!g_state.initialised || HandleTypeOf(handle) != kHandleTypeNetwork) return nullptr;
    NetworkHandle* record = GetNetworkHandle(handle);
    if (!record || ReadPendingCount(&record->header) > 0 || record->udp || busy) return nullptr;
    return record;
}

// Receives into the ring's write end, up to `wanted` bytes, in at most two
// pieces where the ring wraps. The bytes received, or -1 on a receive error
// before any byte.
int ReceiveIntoRing(NetworkHandle* r, int32_t wanted, int* lastResult) {
    RingBuffer& ring = r->receive;
    int got = 0;
    for (int piece = 0; piece < 2 && got < wanted; ++piece) {
        RingBufferWrapIndices(&ring);
        const int32_t free = ring.capacity - ring.storedSize;
        int32_t room = ring.capacity - ring.writeEnd;
        if (room > free) room = free;
        int32_t take = wanted - got;
        if (take > room) take = room;
        if (take <= 0) break;
        const int n = SocketRecv(r->socket, ring.storage + ring.writeEnd, take, 0);
        *lastResult = n;
        if (n <= 0) break;
        ring.writeEnd += n;
        ring.storedSize += n;
        got += n;
        if (n < take) break;
    }
    return got;
}

int ReceiveFramed(NetworkHandle* r) {
    for (int round = 0; round < kMaxReceiveRounds; ++round) {
        int lastResult = 0;
        if (r->missingBytes == 0) {
            uint8_t prefix[kNetworkPrefixBytes];
            if (SocketRecv(r->socket, prefix, kNetworkPrefixBytes, MSG_PEEK) < kNetworkPrefixBytes)
                break;
            const uint32_t wire =
                static_cast<uint32_t>(prefix[0]) | (static_cast<uint32_t>(prefix[1]) << 8) |
                (static_cast<uint32_t>(prefix[2]) << 16) | (static_cast<uint32_t>(prefix[3]) << 24);
            const int32_t size = static_cast<int32_t>(wire);
            // The peer's size is not trusted: a negative or huge one would
            // make the ring try to grow by up to 4 GiB.
            if (size < 0 || size > kNetworkMessageSizeCap ||
                RingBufferReserve(&r->receive, size) != 0) {
                LogFormatLine(Cp932Text("受信データを保存するリングバッファのリサイズに失敗しま"
                                        "した(データサイズ %d byte)"),
                              size);
                r->error = 1;
                return -1;
            }
            lastResult = SocketRecv(r->socket, prefix, kNetworkPrefixBytes, 0);
            if (lastResult != kNetworkPrefixBytes) {
                r->error = 1;  // the peeked bytes were there a moment ago
                return -1;
            }
            r->receivingSize = size;
            r->missingBytes = size;
        }
        if (r->missingBytes > 0) {
            const int got = ReceiveIntoRing(r, r->missingBytes, &lastResult);
            r->missingBytes -= got;
        }
        const bool completed = r->missingBytes == 0;
        if (completed) {
            r->receivedTotal += r->receivingSize;
            r->receivingSize = 0;
        }
        if (WindowMessageWaiting() || lastResult < 1 || !completed) break;
    }
    return 0;
}

// Sends bytes; the count sent (0 when it would block or failed).
int SendSome(NetworkHandle* r, const void* bytes, int length, bool* failed) {
    const int n = SocketSend(r->socket, bytes, length);
    if (n == SOCKET_ERROR) {
        *failed = true;
        return 0;
    }
    if (n == 0) *failed = true;
    return n;
}

void SendFramed(NetworkHandle* r) {
    RingBuffer& ring = r->send;
    for (int round = 0; round < kMaxSendRounds && ring.storedSize > 0; ++round) {
        bool failed = false;
        if (r->chunkLeft == 0 && r->prefixLeft == 0) {
            r->chunkLeft = ring.storedSize;
            r->prefixLeft = kNetworkPrefixBytes;
        }
        if (r->prefixLeft > 0) {
            // Nothing of the chunk goes before its whole prefix, so the
            // prefix is the chunk's length as it is now.
            const uint32_t length = static_cast<uint32_t>(r->chunkLeft);
            const uint8_t prefix[kNetworkPrefixBytes] = {
                static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
            const int offset = kNetworkPrefixBytes - r->prefixLeft;
            r->prefixLeft -= SendSome(r, prefix + offset, r->prefixLeft, &failed);
            if (r->prefixLeft > 0) break;
        }
        for (int piece = 0; piece < 2 && r->chunkLeft > 0 && !failed; ++piece) {
            RingBufferWrapIndices(&ring);
            int32_t take = ring.capacity - ring.readStart;
            if (take > r->chunkLeft) take = r->chunkLeft;
            const int n = SendSome(r, ring.storage + ring.readStart, take, &failed);
            ring.readStart += n;
            ring.storedSize -= n;
            r->chunkLeft -= n;
            if (n < take) break;
        }
        if (failed || r->chunkLeft > 0 || WindowMessageWaiting()) break;
    }
}

}  // namespace

NetworkState& GetNetworkState() {
    return g_state;
}

NetworkHandle* GetNetworkHandle(Handle handle) {
    if (HandleTypeOf(handle) != kHandleTypeNetwork) return nullptr;
    return reinterpret_cast<NetworkHandle*>(GetHandleRecord(handle));
}

int NetworkLogError(const char* format, ...) {
    char text[2048] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);  // truncates, always terminates
        va_end(args);
    }
    LogFormatLine(Cp932Text("ネットワークログ。%s[%d]"), text, LastSocketError());
    return -1;
}

int ProcessNetworkMessages(int deleteClosed) {
    if (!g_state.initialised || !g_state.window) return 0;
    NetworkLock lock;
    if (deleteClosed == 1) {
        for (Handle handle : NetworkHandles()) {
            NetworkHandle* r = GetNetworkHandle(handle);
            if (!r || !r->valid) continue;
            if (r->error || (r->connected == 0 && r->state[0] == 1 && r->autoDelete == 1))
                DeleteHandle(handle);
        }
    }
    PumpNetworkWindow(kMaxPumpedMessages);
    return 0;
}

int EndNetwork() {
    if (!g_state.initialised) return 0;
    LogWrite(Cp932Text("ネットワーク関連の終了処理を行います \n"));
    if (g_state.worker) {
        g_state.workerEndRequest = 1;
        for (int i = 0; i < 10000 && !g_state.workerFinished; ++i) Sleep(1);
        CloseHandle(g_state.worker);
        g_state.worker = nullptr;
    }
    EndHandleType(kHandleTypeNetwork);  // closes every socket with its handle
    if (g_state.window) {
        PostMessageA(g_state.window, WM_CLOSE, 0, 0);
        MSG msg;
        for (int i = 0; i < kMaxPumpedMessages && IsWindow(g_state.window); ++i) {
            if (!PeekMessageA(&msg, g_state.window, 0, 0, PM_REMOVE)) {
                DestroyWindow(g_state.window);  // the close was not dispatched to it
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (IsWindow(g_state.window)) DestroyWindow(g_state.window);
    }
    g_state = {};
    if (auto cleanup = WinApi<int(WINAPI*)()>(Api_WSACleanup)) cleanup();
    LogWrite(Cp932Text("ネットワーク関連の終了処理は完了しました\n"));
    return 0;
}

int AcceptNetWork() {
    if (!g_state.initialised) return -1;
    NetworkLock lock;
    PumpNetworkWindow(1);
    NetworkHandle* listener = GetNetworkHandle(g_state.listenHandle);
    if (!listener || !listener->valid || ReadPendingCount(&listener->header) > 0) return -1;
    const SOCKET listenSocket = listener->socket;
    const int32_t ipv6 = listener->ipv6;
    const Handle handle = AddHandle(kHandleTypeNetwork, -1);
    NetworkHandle* r = handle == -1 ? nullptr : GetNetworkHandle(handle);
    if (!r) {
        LogWrite(Cp932Text("accept 用のハンドル作成に失敗しました \n"));
        return -1;
    }
    r->valid = 1;
    r->connected = 1;
    r->state[0] = 0;
    r->state[1] = 0;
    r->state[2] = 1;
    r->ipv6 = ipv6;
    r->framing = g_state.framingSwitch == 0 ? 1 : 0;
    r->autoDelete = g_state.autoDeleteSwitch == 0 ? 1 : 0;
    if (r->framing) {
        RingBufferInit(&r->receive);
        RingBufferInit(&r->send);
    }
    sockaddr_in6 address{};  // room for either family
    int length = ipv6 ? 28 : 16;
    auto acceptCall = WinApi<SOCKET(WINAPI*)(SOCKET, sockaddr*, int*)>(Api_accept);
    const SOCKET s = acceptCall
                         ? acceptCall(listenSocket, reinterpret_cast<sockaddr*>(&address), &length)
                         : INVALID_SOCKET;
    if (s == INVALID_SOCKET) {
        NetworkLogError("%s", Cp932Text("acceptに失敗しました"));
        DeleteHandle(handle);
        return -1;
    }
    r->socket = s;
    // Both layouts keep the port, in network order, in bytes 2 and 3.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
    r->peerPort = static_cast<uint16_t>((bytes[2] << 8) | bytes[3]);
    if (ipv6) {
        std::memcpy(r->peerAddress, &address.sin6_addr, 16);
    } else {
        std::memcpy(r->peerAddress, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, 4);
    }
    auto select = WinApi<int(WINAPI*)(SOCKET, HWND, u_int, LONG)>(Api_WSAAsyncSelect);
    if (!select || select(s, g_state.window, kNetworkSelectMessage, kSelectedEvents) != 0) {
        NetworkLogError("%s", Cp932Text("WSAAsyncSelectのエラー in AcceptNetWork"));
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

int RecvSocket(int32_t handle) {
    NetworkLock lock;
    if (!UsableHandle(handle, g_state.receiving)) return -1;
    g_state.receiving = 1;
    PumpNetworkWindow(1);
    int result = 0;
    NetworkHandle* r = GetNetworkHandle(handle);  // the pump may have deleted it
    if (!r || !r->valid) {
        LogWrite(Cp932Text("有効なネットワークハンドルではありません in RecvSocket\n"));
        result = -1;
    } else if (r->error) {
        LogWrite(Cp932Text("このネットワークハンドルにはエラーが発生しています in RecvSocket\n"));
        result = -1;
    } else if (r->framing) {
        result = ReceiveFramed(r);
    }
    g_state.receiving = 0;
    return result;
}

int SendSocket(int32_t handle) {
    NetworkLock lock;
    if (!UsableHandle(handle, g_state.sending)) return -1;
    g_state.sending = 1;
    PumpNetworkWindow(1);
    int result = 0;
    NetworkHandle* r = GetNetworkHandle(handle);
    if (!r || !r->valid) {
        LogWrite(Cp932Text("有効なネットワークハンドルではありません in SendSocket\n"));
        result = -1;
    } else if (r->error) {
        LogWrite(Cp932Text("このネットワークハンドルにはエラーが発生しています in SendSocket\n"));
        result = -1;
    } else if (r->framing && r->send.storedSize > 0) {
        SendFramed(r);
    }
    g_state.sending = 0;
    return result;
}

int NetworkWindowMessage(HWND, UINT, WPARAM socket, LPARAM event) {
    NetworkLock lock;
    NetworkHandle* owner = nullptr;
    Handle handle = -1;
    for (Handle h : NetworkHandles()) {
        NetworkHandle* r = GetNetworkHandle(h);
        if (r && r->socket == static_cast<SOCKET>(socket)) {
            owner = r;
            handle = h;
            break;
        }
    }
    if (!owner) {
        LogWrite(Cp932Text("通信エラー No.1\n"));
        return 0;
    }
    const int what = WSAGETSELECTEVENT(event);
    if (owner->udp) {
        if (what == FD_READ) owner->udpReadable = 1;
        if (what == FD_WRITE) owner->udpWritable = 1;
        return 1;
    }
    switch (what) {
        case FD_READ:
            RecvSocket(handle);
            break;
        case FD_WRITE:
            SendSocket(handle);
            break;
        case FD_ACCEPT:
            return AcceptNetWork();
        case FD_CONNECT:
            if (WSAGETSELECTERROR(event) == 0) {
                owner->connected = 1;
                owner->connectPending = 0;
            }
            break;
        case FD_CLOSE:
            owner->connected = 0;
            owner->state[0] = 0;
            break;
        default:
            break;
    }
    return 1;
}

int HandleNetworkSelectMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* result) {
    if (message != kNetworkSelectMessage) return 0;
    const int answer = NetworkWindowMessage(window, message, wParam, lParam);
    if (result) *result = answer;
    return 1;
}

int ProcessNetworkMessagesFromPump() {
    return ProcessNetworkMessages(1);
}

}  // namespace DuRud
