// "ws2_32.dll": the WinSock entry points with Windows' signatures and records,
// forwarding to the socket table and the resolver.
#include <cstdlib>
#include <cstring>

#include "../win32/module_registry.h"
#include "socket_layer.h"
#include "winsock2.h"

namespace ws = platform::winsock;

static_assert(sizeof(SOCKET) == sizeof(void*) && INVALID_SOCKET == ws::kInvalidSocket);
static_assert(AF_INET == ws::kWinAfInet && AF_INET6 == ws::kWinAfInet6 &&
              SOCK_STREAM == ws::kWinSockStream && SOCK_DGRAM == ws::kWinSockDgram);
static_assert(MSG_OOB == ws::kWinMsgOob && MSG_PEEK == ws::kWinMsgPeek &&
              MSG_DONTROUTE == ws::kWinMsgDontRoute && MSG_WAITALL == ws::kWinMsgWaitAll);
static_assert(FD_READ == ws::kFdRead && FD_WRITE == ws::kFdWrite && FD_ACCEPT == ws::kFdAccept &&
              FD_CONNECT == ws::kFdConnect && FD_CLOSE == ws::kFdClose &&
              FD_ALL_EVENTS == ws::kFdAllEvents && FD_OOB == ws::kFdOob);
static_assert(AI_PASSIVE == ws::kWinAiPassive && AI_CANONNAME == ws::kWinAiCanonName &&
              AI_NUMERICHOST == ws::kWinAiNumericHost && AI_NUMERICSERV == ws::kWinAiNumericServ &&
              AI_ALL == ws::kWinAiAll && AI_ADDRCONFIG == ws::kWinAiAddrConfig &&
              AI_V4MAPPED == ws::kWinAiV4Mapped);
static_assert(sizeof(sockaddr_in) == ws::kWinSockaddrIn &&
              sizeof(sockaddr_in6) == ws::kWinSockaddrIn6);
static_assert(WSAEWOULDBLOCK == ws::WsaEWouldBlock && WSAECONNREFUSED == ws::WsaEConnRefused &&
              WSANOTINITIALISED == ws::WsaNotInitialised && WSAENOTSOCK == ws::WsaENotSock &&
              WSAHOST_NOT_FOUND == ws::WsaHostNotFound && WSAEFAULT == ws::WsaEFault &&
              WSAEINVAL == ws::WsaEInval && WSAEMSGSIZE == ws::WsaEMsgSize &&
              WSAECONNRESET == ws::WsaEConnReset && WSATYPE_NOT_FOUND == ws::WsaTypeNotFound &&
              WSANO_DATA == ws::WsaNoData && WSAEAFNOSUPPORT == ws::WsaEAfNoSupport);
static_assert(offsetof(ADDRINFOA, ai_canonname) < offsetof(ADDRINFOA, ai_addr));
static_assert(sizeof(((hostent*)nullptr)->h_addrtype) == 2);

namespace {

// The host record of gethostbyname / gethostbyaddr: one per thread, valid
// until the thread's next call.
struct HostRecord {
    static constexpr int kMaxAddresses = 35;
    hostent host;
    char name[256];
    char* aliases[1];
    char* addressList[kMaxAddresses + 1];
    unsigned char addresses[kMaxAddresses][16];
};

HostRecord& ThreadHostRecord() {
    thread_local HostRecord record;
    std::memset(&record, 0, sizeof record);
    record.host.h_name = record.name;
    record.host.h_aliases = record.aliases;
    record.host.h_addr_list = record.addressList;
    return record;
}

void CopyName(HostRecord& record, const std::string& name) {
    std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
}

int Report(int error) {
    WSASetLastError(error);
    return error;
}

}  // namespace

int WINAPI WSAStartup(WORD versionRequested, LPWSADATA data) {
    const int major = LOBYTE(versionRequested);
    const int minor = HIBYTE(versionRequested);
    if (major < 1) return WSAVERNOTSUPPORTED;
    if (!data) return WSAEFAULT;
    WORD version = versionRequested;
    if (major > 2 || (major == 2 && minor > 2)) version = MAKEWORD(2, 2);
    std::memset(data, 0, sizeof *data);
    data->wVersion = version;
    data->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(data->szDescription, "WinSock 2.0");
    std::strcpy(data->szSystemStatus, "Running");
    return ws::Startup();
}

int WINAPI WSACleanup() {
    return ws::Cleanup() == 0 ? 0 : SOCKET_ERROR;
}

int WINAPI WSAGetLastError() {
    return static_cast<int>(GetLastError());
}

void WINAPI WSASetLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}

int WINAPI WSAAsyncSelect(SOCKET s, HWND window, u_int message, LONG events) {
    return ws::SelectAsync(s, window, message, events);
}

SOCKET WINAPI socket(int af, int type, int protocol) {
    return ws::OpenSocket(af, type, protocol);
}

int WINAPI bind(SOCKET s, const sockaddr* name, int nameLength) {
    return ws::BindSocket(s, name, nameLength);
}

int WINAPI listen(SOCKET s, int backlog) {
    return ws::ListenSocket(s, backlog);
}

int WINAPI connect(SOCKET s, const sockaddr* name, int nameLength) {
    return ws::ConnectSocket(s, name, nameLength);
}

SOCKET WINAPI accept(SOCKET s, sockaddr* address, int* addressLength) {
    return ws::AcceptSocket(s, address, addressLength);
}

int WINAPI send(SOCKET s, const char* buffer, int length, int flags) {
    return ws::SendOnSocket(s, buffer, length, flags, nullptr, 0);
}

int WINAPI recv(SOCKET s, char* buffer, int length, int flags) {
    return ws::ReceiveOnSocket(s, buffer, length, flags, nullptr, nullptr);
}

int WINAPI sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to,
                  int toLength) {
    return ws::SendOnSocket(s, buffer, length, flags, to, toLength);
}

int WINAPI recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from,
                    int* fromLength) {
    return ws::ReceiveOnSocket(s, buffer, length, flags, from, fromLength);
}

int WINAPI shutdown(SOCKET s, int how) {
    return ws::ShutdownSocket(s, how);
}

int WINAPI closesocket(SOCKET s) {
    return ws::CloseSocket(s);
}

int WINAPI getsockname(SOCKET s, sockaddr* name, int* nameLength) {
    return ws::SocketName(s, name, nameLength, false);
}

int WINAPI getpeername(SOCKET s, sockaddr* name, int* nameLength) {
    return ws::SocketName(s, name, nameLength, true);
}

int WINAPI getaddrinfo(const char* node, const char* service, const ADDRINFOA* hints,
                       PADDRINFOA* result) {
    if (!result) return Report(WSAEINVAL);
    *result = nullptr;
    if (!ws::Started()) return Report(WSANOTINITIALISED);
    ws::ResolveRequest request;
    if (hints) {
        request.flags = hints->ai_flags;
        request.family = hints->ai_family;
        request.socketType = hints->ai_socktype;
        request.protocol = hints->ai_protocol;
    }
    std::vector<ws::ResolvedAddress> found;
    std::string canonical;
    const int code = ws::Resolve(node, service, hints ? &request : nullptr, found, canonical);
    if (code != 0) return Report(code);
    // Each node is one block: the record, its address, and (first node only)
    // the canonical name.
    PADDRINFOA* link = result;
    for (size_t i = 0; i < found.size(); ++i) {
        const size_t nameBytes = (i == 0 && !canonical.empty()) ? canonical.size() + 1 : 0;
        const size_t size = sizeof(ADDRINFOA) + sizeof(sockaddr_in6) + nameBytes;
        auto* block = static_cast<unsigned char*>(std::calloc(1, size));
        if (!block) {
            freeaddrinfo(*result);
            *result = nullptr;
            return Report(EAI_MEMORY);
        }
        auto* info = reinterpret_cast<ADDRINFOA*>(block);
        info->ai_family = found[i].family;
        info->ai_socktype = found[i].socketType;
        info->ai_protocol = found[i].protocol;
        info->ai_addrlen = found[i].address.size();
        info->ai_addr = reinterpret_cast<sockaddr*>(block + sizeof(ADDRINFOA));
        std::memcpy(info->ai_addr, found[i].address.data(), found[i].address.size());
        if (nameBytes) {
            info->ai_canonname =
                reinterpret_cast<char*>(block + sizeof(ADDRINFOA) + sizeof(sockaddr_in6));
            std::memcpy(info->ai_canonname, canonical.c_str(), nameBytes);
        }
        *link = info;
        link = &info->ai_next;
    }
    return 0;
}

void WINAPI freeaddrinfo(PADDRINFOA info) {
    while (info) {
        PADDRINFOA next = info->ai_next;
        std::free(info);
        info = next;
    }
}

hostent* WINAPI gethostbyname(const char* name) {
    if (!ws::Started()) {
        WSASetLastError(WSANOTINITIALISED);
        return nullptr;
    }
    std::vector<uint32_t> addresses;
    std::string canonical;
    const int code = ws::ResolveHostV4(name, addresses, canonical);
    if (code != 0) {
        WSASetLastError(code);
        return nullptr;
    }
    HostRecord& record = ThreadHostRecord();
    CopyName(record, canonical);
    record.host.h_addrtype = AF_INET;
    record.host.h_length = 4;
    const size_t count = std::min<size_t>(addresses.size(), HostRecord::kMaxAddresses);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(record.addresses[i], &addresses[i], 4);
        record.addressList[i] = reinterpret_cast<char*>(record.addresses[i]);
    }
    return &record.host;
}

hostent* WINAPI gethostbyaddr(const char* address, int length, int type) {
    if (!ws::Started()) {
        WSASetLastError(WSANOTINITIALISED);
        return nullptr;
    }
    std::string name;
    const int code = ws::NameOfAddress(address, length, type, name);
    if (code != 0) {
        WSASetLastError(code);
        return nullptr;
    }
    HostRecord& record = ThreadHostRecord();
    CopyName(record, name);
    record.host.h_addrtype = static_cast<short>(type);
    record.host.h_length = type == AF_INET6 ? 16 : 4;
    std::memcpy(record.addresses[0], address, static_cast<size_t>(record.host.h_length));
    record.addressList[0] = reinterpret_cast<char*>(record.addresses[0]);
    return &record.host;
}

int WINAPI gethostname(char* name, int nameLength) {
    if (!ws::Started()) {
        WSASetLastError(WSANOTINITIALISED);
        return SOCKET_ERROR;
    }
    const int code = ws::HostName(name, nameLength);
    if (code != 0) {
        WSASetLastError(code);
        return SOCKET_ERROR;
    }
    return 0;
}

ULONG WINAPI inet_addr(const char* text) {
    return ws::ParseDottedAddress(text);
}

u_short WINAPI htons(u_short value) {
    return static_cast<u_short>((value >> 8) | (value << 8));
}

u_short WINAPI ntohs(u_short value) {
    return htons(value);
}

ULONG WINAPI htonl(ULONG value) {
    return __builtin_bswap32(value);
}

ULONG WINAPI ntohl(ULONG value) {
    return __builtin_bswap32(value);
}

namespace platform {

void RegisterWinsockModules() {
    RegisterModule("ws2_32.dll", {
                                     {"WSAStartup", ExportOf(&WSAStartup)},
                                     {"WSACleanup", ExportOf(&WSACleanup)},
                                     {"WSAGetLastError", ExportOf(&WSAGetLastError)},
                                     {"WSASetLastError", ExportOf(&WSASetLastError)},
                                     {"WSAAsyncSelect", ExportOf(&WSAAsyncSelect)},
                                     {"socket", ExportOf(&socket)},
                                     {"bind", ExportOf(&bind)},
                                     {"listen", ExportOf(&listen)},
                                     {"connect", ExportOf(&connect)},
                                     {"accept", ExportOf(&accept)},
                                     {"send", ExportOf(&send)},
                                     {"recv", ExportOf(&recv)},
                                     {"sendto", ExportOf(&sendto)},
                                     {"recvfrom", ExportOf(&recvfrom)},
                                     {"shutdown", ExportOf(&shutdown)},
                                     {"closesocket", ExportOf(&closesocket)},
                                     {"getsockname", ExportOf(&getsockname)},
                                     {"getpeername", ExportOf(&getpeername)},
                                     {"getaddrinfo", ExportOf(&getaddrinfo)},
                                     {"freeaddrinfo", ExportOf(&freeaddrinfo)},
                                     {"gethostbyname", ExportOf(&gethostbyname)},
                                     {"gethostbyaddr", ExportOf(&gethostbyaddr)},
                                     {"gethostname", ExportOf(&gethostname)},
                                     {"inet_addr", ExportOf(&inet_addr)},
                                     {"htons", ExportOf(&htons)},
                                     {"ntohs", ExportOf(&ntohs)},
                                     {"htonl", ExportOf(&htonl)},
                                     {"ntohl", ExportOf(&ntohl)},
                                 });
}

}  // namespace platform
