// WinSock 2 ("ws2_32.dll") over POSIX sockets: Windows' names, constant values
// and record layouts. Sockets are pointer-sized handles of the stand-in's own
// table, never raw descriptors; records are converted at the boundary (Windows'
// AF_INET6 is 23, its ADDRINFOA keeps ai_canonname before ai_addr, HOSTENT has
// short fields). Errors are WinSock codes through WSAGetLastError.
#pragma once

#include "win_types.h"

typedef UINT_PTR SOCKET;
typedef USHORT ADDRESS_FAMILY;
typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
// No u_long: the C library's own is 64-bit; ULONG stands where Windows has it.

#define INVALID_SOCKET (static_cast<SOCKET>(~static_cast<SOCKET>(0)))
#define SOCKET_ERROR (-1)

// --- start-up ------------------------------------------------------------------
#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

// The 64-bit layout: the counts and the vendor pointer come before the texts.
struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    USHORT iMaxSockets;
    USHORT iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
};
typedef WSADATA* LPWSADATA;

// --- families, types, protocols ------------------------------------------------------
#define AF_UNSPEC 0
#define AF_INET 2
#define AF_INET6 23
#define PF_UNSPEC AF_UNSPEC
#define PF_INET AF_INET
#define PF_INET6 AF_INET6

#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define SOCK_RAW 3

#define IPPROTO_IP 0
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17
#define IPPROTO_IPV6 41

#define INADDR_ANY 0x00000000u
#define INADDR_LOOPBACK 0x7f000001u
#define INADDR_BROADCAST 0xffffffffu
#define INADDR_NONE 0xffffffffu

#define SOMAXCONN 0x7fffffff

// --- send and receive flags, shutdown ---------------------------------------------------
#define MSG_OOB 0x1
#define MSG_PEEK 0x2
#define MSG_DONTROUTE 0x4
#define MSG_WAITALL 0x8

#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

// --- addresses ---------------------------------------------------------------------
struct in_addr {
    union {
        struct {
            UCHAR s_b1, s_b2, s_b3, s_b4;
        } S_un_b;
        struct {
            USHORT s_w1, s_w2;
        } S_un_w;
        ULONG S_addr;
    } S_un;
};
typedef in_addr IN_ADDR;

struct in6_addr {
    union {
        UCHAR Byte[16];
        USHORT Word[8];
    } u;
};
typedef in6_addr IN6_ADDR;

struct sockaddr {
    ADDRESS_FAMILY sa_family;
    char sa_data[14];
};
typedef sockaddr SOCKADDR;

struct sockaddr_in {
    ADDRESS_FAMILY sin_family;
    USHORT sin_port;
    IN_ADDR sin_addr;
    char sin_zero[8];
};
typedef sockaddr_in SOCKADDR_IN;

struct sockaddr_in6 {
    ADDRESS_FAMILY sin6_family;
    USHORT sin6_port;
    ULONG sin6_flowinfo;
    IN6_ADDR sin6_addr;
    ULONG sin6_scope_id;
};
typedef sockaddr_in6 SOCKADDR_IN6;

struct sockaddr_storage {
    ADDRESS_FAMILY ss_family;
    char ss_pad1[6];
    int64_t ss_align;
    char ss_pad2[112];
};
typedef sockaddr_storage SOCKADDR_STORAGE;

static_assert(sizeof(sockaddr) == 16 && sizeof(sockaddr_in) == 16 && sizeof(sockaddr_in6) == 28 &&
              sizeof(sockaddr_storage) == 128);

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};
typedef hostent HOSTENT;
#define h_addr h_addr_list[0]

// --- name resolution ---------------------------------------------------------------
#define AI_PASSIVE 0x00000001
#define AI_CANONNAME 0x00000002
#define AI_NUMERICHOST 0x00000004
#define AI_NUMERICSERV 0x00000008
#define AI_ALL 0x00000100
#define AI_ADDRCONFIG 0x00000400
#define AI_V4MAPPED 0x00000800

struct addrinfo {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    size_t ai_addrlen;
    char* ai_canonname;
    sockaddr* ai_addr;
    addrinfo* ai_next;
};
typedef addrinfo ADDRINFOA;
typedef addrinfo* PADDRINFOA;

// --- asynchronous selection ---------------------------------------------------------
#define FD_READ 0x01
#define FD_WRITE 0x02
#define FD_OOB 0x04
#define FD_ACCEPT 0x08
#define FD_CONNECT 0x10
#define FD_CLOSE 0x20
#define FD_ALL_EVENTS 0x3FF

#define WSAMAKESELECTREPLY(event, error) \
    (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(event, error))))
#define WSAGETSELECTEVENT(lParam) LOWORD(lParam)
#define WSAGETSELECTERROR(lParam) HIWORD(lParam)

// --- error codes -----------------------------------------------------------------
#define WSA_NOT_ENOUGH_MEMORY 8
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETOOMANYREFS 10059
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAELOOP 10062
#define WSAENAMETOOLONG 10063
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSAENOTEMPTY 10066
#define WSAEPROCLIM 10067
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAEDISCON 10101
#define WSATYPE_NOT_FOUND 10109
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

#define EAI_AGAIN WSATRY_AGAIN
#define EAI_BADFLAGS WSAEINVAL
#define EAI_FAIL WSANO_RECOVERY
#define EAI_FAMILY WSAEAFNOSUPPORT
#define EAI_MEMORY WSA_NOT_ENOUGH_MEMORY
#define EAI_NONAME WSAHOST_NOT_FOUND
#define EAI_SERVICE WSATYPE_NOT_FOUND
#define EAI_SOCKTYPE WSAESOCKTNOSUPPORT

// --- functions -------------------------------------------------------------------
int WINAPI WSAStartup(WORD versionRequested, LPWSADATA data);
int WINAPI WSACleanup();
int WINAPI WSAGetLastError();
void WINAPI WSASetLastError(int error);
// Binds the socket's notifications to a window: each event in `events` is
// posted once as `message` (wParam = socket, lParam = event | error << 16)
// and re-enabled by its matching call. Events 0 cancels. Makes the socket
// non-blocking.
int WINAPI WSAAsyncSelect(SOCKET s, HWND window, u_int message, LONG events);

SOCKET WINAPI socket(int af, int type, int protocol);
int WINAPI bind(SOCKET s, const sockaddr* name, int nameLength);
int WINAPI listen(SOCKET s, int backlog);
int WINAPI connect(SOCKET s, const sockaddr* name, int nameLength);
SOCKET WINAPI accept(SOCKET s, sockaddr* address, int* addressLength);
int WINAPI send(SOCKET s, const char* buffer, int length, int flags);
int WINAPI recv(SOCKET s, char* buffer, int length, int flags);
int WINAPI sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to,
                  int toLength);
int WINAPI recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength);
int WINAPI shutdown(SOCKET s, int how);
int WINAPI closesocket(SOCKET s);
int WINAPI getsockname(SOCKET s, sockaddr* name, int* nameLength);
int WINAPI getpeername(SOCKET s, sockaddr* name, int* nameLength);

int WINAPI getaddrinfo(const char* node, const char* service, const ADDRINFOA* hints,
                       PADDRINFOA* result);
void WINAPI freeaddrinfo(PADDRINFOA info);
// The returned record belongs to the calling thread until its next call.
hostent* WINAPI gethostbyname(const char* name);
hostent* WINAPI gethostbyaddr(const char* address, int length, int type);
int WINAPI gethostname(char* name, int nameLength);
ULONG WINAPI inet_addr(const char* text);
u_short WINAPI htons(u_short value);
u_short WINAPI ntohs(u_short value);
ULONG WINAPI htonl(ULONG value);
ULONG WINAPI ntohl(ULONG value);
