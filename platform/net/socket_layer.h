// The WinSock stand-in's inside: the socket table over POSIX descriptors, the
// watcher thread of asynchronous selection and name resolution. These files
// see POSIX headers, so they cannot see winsock2.h (same names, other values);
// the Windows values they need are here, checked against winsock2.h in
// winsock_exports.cpp. Addresses cross this interface in Windows' layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace platform::winsock {

// --- Windows values -------------------------------------------------------------------
constexpr int kWinAfUnspec = 0;
constexpr int kWinAfInet = 2;
constexpr int kWinAfInet6 = 23;
constexpr int kWinSockStream = 1;
constexpr int kWinSockDgram = 2;
constexpr int kWinMsgOob = 0x1;
constexpr int kWinMsgPeek = 0x2;
constexpr int kWinMsgDontRoute = 0x4;
constexpr int kWinMsgWaitAll = 0x8;
constexpr long kFdRead = 0x01;
constexpr long kFdWrite = 0x02;
constexpr long kFdOob = 0x04;
constexpr long kFdAccept = 0x08;
constexpr long kFdConnect = 0x10;
constexpr long kFdClose = 0x20;
constexpr long kFdAllEvents = 0x3FF;
constexpr int kWinAiPassive = 0x1;
constexpr int kWinAiCanonName = 0x2;
constexpr int kWinAiNumericHost = 0x4;
constexpr int kWinAiNumericServ = 0x8;
constexpr int kWinAiAll = 0x100;
constexpr int kWinAiAddrConfig = 0x400;
constexpr int kWinAiV4Mapped = 0x800;
constexpr int kWinSockaddrIn = 16;   // sizeof(sockaddr_in)
constexpr int kWinSockaddrIn6 = 28;  // sizeof(sockaddr_in6)
constexpr uintptr_t kInvalidSocket = ~static_cast<uintptr_t>(0);

enum WsaError : int {
    WsaOk = 0,
    WsaNotEnoughMemory = 8,
    WsaEIntr = 10004,
    WsaEBadf = 10009,
    WsaEAcces = 10013,
    WsaEFault = 10014,
    WsaEInval = 10022,
    WsaEMfile = 10024,
    WsaEWouldBlock = 10035,
    WsaEInProgress = 10036,
    WsaEAlready = 10037,
    WsaENotSock = 10038,
    WsaEDestAddrReq = 10039,
    WsaEMsgSize = 10040,
    WsaEProtoType = 10041,
    WsaENoProtoOpt = 10042,
    WsaEProtoNoSupport = 10043,
    WsaESockTNoSupport = 10044,
    WsaEOpNotSupp = 10045,
    WsaEPfNoSupport = 10046,
    WsaEAfNoSupport = 10047,
    WsaEAddrInUse = 10048,
    WsaEAddrNotAvail = 10049,
    WsaENetDown = 10050,
    WsaENetUnreach = 10051,
    WsaENetReset = 10052,
    WsaEConnAborted = 10053,
    WsaEConnReset = 10054,
    WsaENoBufs = 10055,
    WsaEIsConn = 10056,
    WsaENotConn = 10057,
    WsaEShutdown = 10058,
    WsaETooManyRefs = 10059,
    WsaETimedOut = 10060,
    WsaEConnRefused = 10061,
    WsaELoop = 10062,
    WsaENameTooLong = 10063,
    WsaEHostDown = 10064,
    WsaEHostUnreach = 10065,
    WsaENotEmpty = 10066,
    WsaEProcLim = 10067,
    WsaVerNotSupported = 10092,
    WsaNotInitialised = 10093,
    WsaTypeNotFound = 10109,
    WsaHostNotFound = 11001,
    WsaTryAgain = 11002,
    WsaNoRecovery = 11003,
    WsaNoData = 11004,
};

// errno -> WinSock code (WSAEINVAL... for anything without its own code).
int WsaErrorFromErrno(int error);
// Sets the calling thread's WinSock error (the kernel's last error).
void SetWsaError(int error);

// --- start-up ---------------------------------------------------------------------------
// WSAStartup's count: 0 or a WinSock code.
int Startup();
// The last cleanup stops the watcher (joined) and closes every socket left.
// 0, or WSANOTINITIALISED.
int Cleanup();
bool Started();

// --- sockets (each sets the WinSock error on failure) -----------------------------------
uintptr_t OpenSocket(int winFamily, int type, int protocol);
int CloseSocket(uintptr_t s);
int BindSocket(uintptr_t s, const void* winAddress, int length);
int ListenSocket(uintptr_t s, int backlog);
int ConnectSocket(uintptr_t s, const void* winAddress, int length);
uintptr_t AcceptSocket(uintptr_t s, void* winAddress, int* length);
int SendOnSocket(uintptr_t s, const void* buffer, int length, int winFlags, const void* winAddress,
                 int addressLength);
int ReceiveOnSocket(uintptr_t s, void* buffer, int length, int winFlags, void* winAddress,
                    int* addressLength);
int ShutdownSocket(uintptr_t s, int how);
int SocketName(uintptr_t s, void* winAddress, int* length, bool peer);
int SelectAsync(uintptr_t s, HWND window, UINT message, long events);

// --- name resolution ---------------------------------------------------------------------
struct ResolvedAddress {
    int family;  // Windows value
    int socketType;
    int protocol;
    std::vector<unsigned char> address;  // Windows layout
};
struct ResolveRequest {
    int flags = 0;  // Windows AI_* bits
    int family = 0;
    int socketType = 0;
    int protocol = 0;
};
// getaddrinfo: 0 or the WinSock code it returns; the canonical name goes to
// the first entry's owner through `canonicalName`.
int Resolve(const char* node, const char* service, const ResolveRequest* hints,
            std::vector<ResolvedAddress>& out, std::string& canonicalName);
// The IPv4 addresses and canonical name of a host (gethostbyname): 0 or a code.
int ResolveHostV4(const char* name, std::vector<uint32_t>& addresses, std::string& canonical);
// The name of an address (gethostbyaddr): 0 or a code.
int NameOfAddress(const void* address, int length, int winFamily, std::string& name);
int HostName(char* name, int length);
// inet_addr: network byte order, or 0xffffffff.
uint32_t ParseDottedAddress(const char* text);

}  // namespace platform::winsock
