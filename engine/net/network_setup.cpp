// The internal set-up of the socket layer and its queue helpers.
#include "net/network_setup.h"

#include <cstring>

#include "core/handle_manager.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "net/network.h"
#include "net/network_record.h"

namespace DuRud {
namespace {

constexpr int kNetworkHandleMaximum = 8192;
constexpr char kWindowClass[] = "DuRudNetworkWindow";

void InitNetworkRecord(HandleHeader* header) {
    reinterpret_cast<NetworkHandle*>(header)->socket = INVALID_SOCKET;
}

// A deleted handle closes its socket and frees its rings.
int ReleaseNetworkRecord(HandleHeader* header) {
    auto* r = reinterpret_cast<NetworkHandle*>(header);
    if (r->socket != INVALID_SOCKET) {
        if (auto close = WinApi<int(WINAPI*)(SOCKET)>(Api_closesocket)) close(r->socket);
        r->socket = INVALID_SOCKET;
    }
    RingBufferTerm(&r->receive);
    RingBufferTerm(&r->send);
    return 0;
}

LRESULT CALLBACK NetworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNetworkSelectMessage)
        return NetworkWindowMessage(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

SOCKET OpenListener(int ipv6) {
    auto open = WinApi<SOCKET(WINAPI*)(int, int, int)>(Api_socket);
    auto bindCall = WinApi<int(WINAPI*)(SOCKET, const sockaddr*, int)>(Api_bind);
    auto listenCall = WinApi<int(WINAPI*)(SOCKET, int)>(Api_listen);
    auto close = WinApi<int(WINAPI*)(SOCKET)>(Api_closesocket);
    if (!open || !bindCall || !listenCall || !close) return INVALID_SOCKET;
    const SOCKET s = open(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in6 address{};  // port 0: the system chooses
    int length;
    if (ipv6) {
        address.sin6_family = AF_INET6;
        address.sin6_addr.u.Byte[15] = 1;  // ::1
        length = sizeof(sockaddr_in6);
    } else {
        auto& in = reinterpret_cast<sockaddr_in&>(address);
        in.sin_family = AF_INET;
        in.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
        length = sizeof(sockaddr_in);
    }
    if (bindCall(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listenCall(s, SOMAXCONN) != 0) {
        close(s);
        return INVALID_SOCKET;
    }
    return s;
}

}  // namespace

Handle SetUpNetworkForTest(int ipv6) {
    NetworkState& state = GetNetworkState();
    if (state.initialised) return -1;
    LoadWinApis();
    auto startup = WinApi<int(WINAPI*)(WORD, WSADATA*)>(Api_WSAStartup);
    auto select = WinApi<int(WINAPI*)(SOCKET, HWND, u_int, LONG)>(Api_WSAAsyncSelect);
    WSADATA data;
    if (!startup || !select || startup(MAKEWORD(2, 2), &data) != 0) return -1;
    state.initialised = 1;  // from here EndNetwork undoes everything
    if (RegisterHandleType(kHandleTypeNetwork, sizeof(NetworkHandle), kNetworkHandleMaximum,
                           InitNetworkRecord, ReleaseNetworkRecord,
                           Cp932Text("ネットワーク")) != 0) {
        EndNetwork();
        return -1;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = NetworkWindowProc;
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);  // already there after the first set-up
    state.window = CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                   nullptr, nullptr);
    const Handle handle = state.window ? AddHandle(kHandleTypeNetwork, -1) : -1;
    NetworkHandle* r = GetNetworkHandle(handle);
    if (!r) {
        EndNetwork();
        return -1;
    }
    r->socket = OpenListener(ipv6);
    if (r->socket == INVALID_SOCKET ||
        select(r->socket, state.window, kNetworkSelectMessage, FD_ACCEPT) != 0) {
        EndNetwork();
        return -1;
    }
    r->valid = 1;
    r->ipv6 = ipv6 ? 1 : 0;
    state.listenHandle = handle;
    return handle;
}

int NetworkQueueSend(Handle handle, const void* bytes, int size) {
    NetworkHandle* r = GetNetworkHandle(handle);
    if (!r || !r->valid || !r->framing || size < 0 || (size > 0 && !bytes)) return -1;
    if (size > 0) {
        RingBuffer& ring = r->send;
        if (RingBufferReserve(&ring, size) != 0) return -1;
        const auto* in = static_cast<const uint8_t*>(bytes);
        for (int done = 0; done < size;) {
            RingBufferWrapIndices(&ring);
            int take = ring.capacity - ring.writeEnd;
            if (take > size - done) take = size - done;
            std::memcpy(ring.storage + ring.writeEnd, in + done, static_cast<size_t>(take));
            ring.writeEnd += take;
            ring.storedSize += take;
            done += take;
        }
    }
    SendSocket(handle);
    return 0;
}

int NetworkTakeReceived(Handle handle, void* buffer, int size) {
    NetworkHandle* r = GetNetworkHandle(handle);
    if (!r || !r->valid || size < 0 || (size > 0 && !buffer)) return -1;
    int take = r->receivedTotal < size ? r->receivedTotal : size;
    if (RingBufferGet(&r->receive, buffer, take, 0) != 0) return -1;
    r->receivedTotal -= take;
    return take;
}

}  // namespace DuRud
