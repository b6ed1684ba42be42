// Name resolution over the system resolver: getaddrinfo's answers and the
// older host lookups, with Windows' families and error codes.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "socket_layer.h"

namespace platform::winsock {
namespace {

int WsaErrorFromResolver(int code) {
    switch (code) {
        case 0:
            return WsaOk;
        case EAI_AGAIN:
            return WsaTryAgain;
        case EAI_BADFLAGS:
            return WsaEInval;
        case EAI_FAIL:
            return WsaNoRecovery;
        case EAI_FAMILY:
            return WsaEAfNoSupport;
        case EAI_MEMORY:
            return WsaNotEnoughMemory;
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return WsaHostNotFound;
        case EAI_SERVICE:
            return WsaTypeNotFound;
        case EAI_SOCKTYPE:
            return WsaESockTNoSupport;
        case EAI_SYSTEM:
            return WsaErrorFromErrno(errno);
        default:
            return WsaNoRecovery;
    }
}

bool PosixFamily(int winFamily, int& family) {
    switch (winFamily) {
        case kWinAfUnspec:
            family = AF_UNSPEC;
            return true;
        case kWinAfInet:
            family = AF_INET;
            return true;
        case kWinAfInet6:
            family = AF_INET6;
            return true;
        default:
            return false;
    }
}

bool PosixFlags(int winFlags, int& flags) {
    const int known = kWinAiPassive | kWinAiCanonName | kWinAiNumericHost | kWinAiNumericServ |
                      kWinAiAll | kWinAiAddrConfig | kWinAiV4Mapped;
    if (winFlags & ~known) return false;
    flags = 0;
    if (winFlags & kWinAiPassive) flags |= AI_PASSIVE;
    if (winFlags & kWinAiCanonName) flags |= AI_CANONNAME;
    if (winFlags & kWinAiNumericHost) flags |= AI_NUMERICHOST;
    if (winFlags & kWinAiNumericServ) flags |= AI_NUMERICSERV;
    if (winFlags & kWinAiAll) flags |= AI_ALL;
    if (winFlags & kWinAiAddrConfig) flags |= AI_ADDRCONFIG;
    if (winFlags & kWinAiV4Mapped) flags |= AI_V4MAPPED;
    return true;
}

// A POSIX address in Windows' layout (the family value differs only).
bool WindowsBytes(const sockaddr* address, std::vector<unsigned char>& out, int& winFamily) {
    uint16_t family;
    size_t size;
    if (address->sa_family == AF_INET) {
        family = kWinAfInet;
        size = sizeof(sockaddr_in);
    } else if (address->sa_family == AF_INET6) {
        family = kWinAfInet6;
        size = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    out.assign(reinterpret_cast<const unsigned char*>(address),
               reinterpret_cast<const unsigned char*>(address) + size);
    std::memcpy(out.data(), &family, 2);
    winFamily = family;
    return true;
}

}  // namespace

int Resolve(const char* node, const char* service, const ResolveRequest* request,
            std::vector<ResolvedAddress>& out, std::string& canonicalName) {
    out.clear();
    canonicalName.clear();
    if (!node && !service) return WsaHostNotFound;
    addrinfo hints{};
    if (request) {
        if (!PosixFlags(request->flags, hints.ai_flags)) return WsaEInval;
        if (!PosixFamily(request->family, hints.ai_family)) return WsaEAfNoSupport;
        if (request->socketType != 0 && request->socketType != kWinSockStream &&
            request->socketType != kWinSockDgram)
            return WsaESockTNoSupport;
        hints.ai_socktype = request->socketType == kWinSockStream  ? SOCK_STREAM
                            : request->socketType == kWinSockDgram ? SOCK_DGRAM
                                                                   : 0;
        hints.ai_protocol = request->protocol;
    }
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(node, service, request ? &hints : nullptr, &found);
    if (code != 0) return WsaErrorFromResolver(code);
    for (addrinfo* at = found; at; at = at->ai_next) {
        if (at->ai_socktype != SOCK_STREAM && at->ai_socktype != SOCK_DGRAM) continue;
        ResolvedAddress resolved;
        if (!at->ai_addr || !WindowsBytes(at->ai_addr, resolved.address, resolved.family)) continue;
        resolved.socketType = at->ai_socktype == SOCK_STREAM ? kWinSockStream : kWinSockDgram;
        resolved.protocol = at->ai_protocol;
        if (canonicalName.empty() && at->ai_canonname) canonicalName = at->ai_canonname;
        out.push_back(std::move(resolved));
    }
    freeaddrinfo(found);
    return out.empty() ? WsaNoData : 0;
}

int ResolveHostV4(const char* name, std::vector<uint32_t>& addresses, std::string& canonical) {
    addresses.clear();
    canonical.clear();
    char own[256] = {};
    if (!name) {
        if (::gethostname(own, sizeof own - 1) != 0) return WsaNoRecovery;
        name = own;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(name, nullptr, &hints, &found);
    if (code != 0) return code == EAI_AGAIN ? WsaTryAgain : WsaHostNotFound;
    for (addrinfo* at = found; at; at = at->ai_next) {
        if (at->ai_family != AF_INET || !at->ai_addr) continue;
        uint32_t address = reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr.s_addr;
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(address);
        if (canonical.empty() && at->ai_canonname) canonical = at->ai_canonname;
    }
    freeaddrinfo(found);
    if (canonical.empty()) canonical = name;
    return addresses.empty() ? WsaNoData : 0;
}

int NameOfAddress(const void* address, int length, int winFamily, std::string& name) {
    name.clear();
    if (!address) return WsaEFault;
    sockaddr_storage storage{};
    socklen_t size;
    if (winFamily == kWinAfInet) {
        if (length < 4) return WsaEFault;
        auto& in = reinterpret_cast<sockaddr_in&>(storage);
        in.sin_family = AF_INET;
        std::memcpy(&in.sin_addr, address, 4);
        size = sizeof in;
    } else if (winFamily == kWinAfInet6) {
        if (length < 16) return WsaEFault;
        auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
        in6.sin6_family = AF_INET6;
        std::memcpy(&in6.sin6_addr, address, 16);
        size = sizeof in6;
    } else {
        return WsaEAfNoSupport;
    }
    char host[NI_MAXHOST] = {};
    const int code = ::getnameinfo(reinterpret_cast<sockaddr*>(&storage), size, host, sizeof host,
                                   nullptr, 0, NI_NAMEREQD);
    if (code != 0) return code == EAI_AGAIN ? WsaTryAgain : WsaHostNotFound;
    name = host;
    return 0;
}

int HostName(char* name, int length) {
    if (!name || length <= 0) return WsaEFault;
    char own[256] = {};
    if (::gethostname(own, sizeof own - 1) != 0) return WsaErrorFromErrno(errno);
    const size_t needed = std::strlen(own) + 1;
    if (needed > static_cast<size_t>(length)) return WsaEFault;
    std::memcpy(name, own, needed);
    return 0;
}

uint32_t ParseDottedAddress(const char* text) {
    if (!text || !*text) return 0xffffffffu;
    in_addr address{};
    if (inet_aton(text, &address) == 0) return 0xffffffffu;
    return address.s_addr;
}

}  // namespace platform::winsock
