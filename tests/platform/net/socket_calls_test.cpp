// The socket calls on loopback: start-up, TCP and UDP exchanges, WinSock
// error codes and the refusals of bad arguments.
#include <cstring>
#include <chrono>
#include <string>
#include <thread>

#include "test_knobs.h"
#include "winsock_test_support.h"
#include "support/error_checks.h"

using namespace wstest;

namespace {

TEST(WinsockStartup, VersionsDataAndCounting) {
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(0, 9), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    ASSERT_EQ(WSAStartup(MAKEWORD(3, 0), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    EXPECT_STREQ(data.szSystemStatus, "Running");
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(WSACleanup(), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);  // still started once
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(WSACleanup(), 0);
    // The last clean-up closed the socket that was left.
    EXPECT_WSA_ERROR(WSACleanup(), SOCKET_ERROR, WSANOTINITIALISED);
    EXPECT_WSA_ERROR(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET, WSANOTINITIALISED);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_WSA_ERROR(closesocket(s), SOCKET_ERROR, WSAENOTSOCK);
    EXPECT_EQ(WSACleanup(), 0);
}

class SocketCalls : public WinsockTest {};

TEST_F(SocketCalls, TcpListenConnectAcceptSendPeekReceiveShutdownClose) {
    USHORT port = 0;
    SOCKET listener = Keep(Listener(&port));
    ASSERT_NE(listener, INVALID_SOCKET);
    ASSERT_NE(port, 0);
    SOCKET client = Keep(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in to = Loopback(port);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    sockaddr_in from{};
    int fromLength = sizeof from;
    SOCKET server = Keep(accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength));
    ASSERT_NE(server, INVALID_SOCKET);
    EXPECT_NE(server, client);
    EXPECT_EQ(fromLength, 16);
    EXPECT_EQ(from.sin_family, AF_INET);
    EXPECT_EQ(ntohl(from.sin_addr.S_un.S_addr), INADDR_LOOPBACK);
    EXPECT_EQ(ntohs(from.sin_port), PortOf(client));

    ASSERT_EQ(send(client, "hello", 5, 0), 5);
    char buffer[16] = {};
    ASSERT_EQ(recv(server, buffer, 3, MSG_PEEK), 3);
    EXPECT_EQ(std::string(buffer, 3), "hel");
    ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), 5);  // the peek left them
    EXPECT_EQ(std::string(buffer, 5), "hello");

    ASSERT_EQ(shutdown(client, SD_SEND), 0);
    EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 0);  // end of stream
    EXPECT_EQ(send(client, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    ASSERT_EQ(send(server, "back", 4, 0), 4);  // the other direction still works
    ASSERT_EQ(recv(client, buffer, 4, MSG_WAITALL), 4);
    EXPECT_EQ(closesocket(server), 0);
    EXPECT_WSA_ERROR(closesocket(server), SOCKET_ERROR, WSAENOTSOCK);
}

using SocketCallsThreads = SocketCalls;

TEST_F(SocketCallsThreads, RefusedConnectionAndWouldBlockAreWinsockCodes) {
    // A bound socket that does not listen holds a port nobody answers on.
    SOCKET holder = Keep(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in any = Loopback(0);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    sockaddr_in to = Loopback(PortOf(holder));
    SOCKET client = Keep(socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_WSA_ERROR(connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR,
                     WSAECONNREFUSED);

    SOCKET a, b;
    ASSERT_TRUE(KeptPair(&a, &b));
    HWND window = NotifyWindow();
    ASSERT_EQ(WSAAsyncSelect(b, window, kSelectMessage, FD_READ), 0);  // now non-blocking
    char byte;
    EXPECT_WSA_ERROR(recv(b, &byte, 1, 0), SOCKET_ERROR, WSAEWOULDBLOCK);
    USHORT port = 0;
    SOCKET listener = Keep(Listener(&port));
    ASSERT_EQ(WSAAsyncSelect(listener, window, kSelectMessage, FD_ACCEPT), 0);
    EXPECT_WSA_ERROR(accept(listener, nullptr, nullptr), INVALID_SOCKET, WSAEWOULDBLOCK);
    DestroyWindow(window);
}

TEST_F(SocketCalls, UdpSendToAndReceiveFromWithTheSendersAddress) {
    SOCKET a = Keep(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    SOCKET b = Keep(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in any = Loopback(0);
    ASSERT_EQ(bind(a, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(bind(b, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    sockaddr_in toB = Loopback(PortOf(b));
    ASSERT_EQ(sendto(a, "datagram", 8, 0, reinterpret_cast<sockaddr*>(&toB), sizeof toB), 8);
    char buffer[32] = {};
    sockaddr_in from{};
    int fromLength = sizeof from;
    ASSERT_EQ(
        recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength), 8);
    EXPECT_EQ(std::string(buffer, 8), "datagram");
    EXPECT_EQ(from.sin_family, AF_INET);
    EXPECT_EQ(ntohs(from.sin_port), PortOf(a));

    // A datagram larger than the buffer: its head and WSAEMSGSIZE.
    ASSERT_EQ(sendto(a, "0123456789", 10, 0, reinterpret_cast<sockaddr*>(&toB), sizeof toB), 10);
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_WSA_ERROR(recvfrom(b, buffer, 4, 0, nullptr, nullptr), SOCKET_ERROR, WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 4), "0123");
}

TEST_F(SocketCalls, Ipv6LoopbackWherePresent) {
    SOCKET listener = Keep(socket(AF_INET6, SOCK_STREAM, 0));
    if (listener == INVALID_SOCKET) GTEST_SKIP() << "no IPv6 sockets on this machine";
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr.u.Byte[15] = 1;  // ::1
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        GTEST_SKIP() << "no [::1] on this machine (" << WSAGetLastError() << ")";
    ASSERT_EQ(listen(listener, 4), 0);
    address.sin6_port = htons(PortOf(listener));
    SOCKET client = Keep(socket(AF_INET6, SOCK_STREAM, 0));
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    sockaddr_in6 from{};
    int fromLength = sizeof(sockaddr_in);  // too small for an IPv6 address
    EXPECT_WSA_ERROR(accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength),
                     INVALID_SOCKET, WSAEFAULT);
    fromLength = sizeof from;
    SOCKET server = Keep(accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength));
    ASSERT_NE(server, INVALID_SOCKET);
    EXPECT_EQ(fromLength, 28);
    EXPECT_EQ(from.sin6_family, 23);
    EXPECT_EQ(from.sin6_addr.u.Byte[15], 1);
    ASSERT_EQ(send(server, "six", 3, 0), 3);
    char buffer[4] = {};
    ASSERT_EQ(recv(client, buffer, 3, MSG_WAITALL), 3);
    EXPECT_STREQ(buffer, "six");
}

TEST_F(SocketCalls, BadArgumentsGetClearErrors) {
    EXPECT_EQ(socket(10, SOCK_STREAM, 0), INVALID_SOCKET);  // Linux's AF_INET6 value
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    EXPECT_WSA_ERROR(socket(AF_INET, 7, 0), INVALID_SOCKET, WSAESOCKTNOSUPPORT);
    EXPECT_WSA_ERROR(socket(AF_INET, SOCK_STREAM, IPPROTO_UDP), INVALID_SOCKET, WSAEPROTONOSUPPORT);

    for (SOCKET bad : {static_cast<SOCKET>(0), static_cast<SOCKET>(1), INVALID_SOCKET,
                       static_cast<SOCKET>(0x100)}) {
        char byte = 0;
        EXPECT_WSA_ERROR(recv(bad, &byte, 1, 0), SOCKET_ERROR, WSAENOTSOCK);
        EXPECT_WSA_ERROR(send(bad, &byte, 1, 0), SOCKET_ERROR, WSAENOTSOCK);
        EXPECT_WSA_ERROR(closesocket(bad), SOCKET_ERROR, WSAENOTSOCK);
        EXPECT_WSA_ERROR(WSAAsyncSelect(bad, nullptr, 0, 0), SOCKET_ERROR, WSAENOTSOCK);
    }

    SOCKET s = Keep(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = Loopback(0);
    EXPECT_WSA_ERROR(bind(s, reinterpret_cast<sockaddr*>(&address), 8), SOCKET_ERROR, WSAEFAULT);
    EXPECT_WSA_ERROR(bind(s, nullptr, 16), SOCKET_ERROR, WSAEFAULT);
    address.sin_family = 10;
    EXPECT_WSA_ERROR(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), SOCKET_ERROR,
                     WSAEAFNOSUPPORT);
    EXPECT_WSA_ERROR(shutdown(s, 7), SOCKET_ERROR, WSAEINVAL);
    EXPECT_WSA_ERROR(recv(s, nullptr, 4, 0), SOCKET_ERROR, WSAEFAULT);
    EXPECT_WSA_ERROR(send(s, "x", -1, 0), SOCKET_ERROR, WSAEFAULT);
    char byte;
    EXPECT_WSA_ERROR(recv(s, &byte, 1, 0x4000), SOCKET_ERROR, WSAEOPNOTSUPP);
    EXPECT_EQ(send(s, "x", 1, 0), SOCKET_ERROR);  // not connected
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    int length = 4;
    sockaddr_in name{};
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&name), &length), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);  // not bound yet
    SOCKET u = Keep(socket(AF_INET, SOCK_DGRAM, 0));
    EXPECT_WSA_ERROR(listen(u, 1), SOCKET_ERROR, WSAEOPNOTSUPP);

    HWND window = NotifyWindow();
    EXPECT_WSA_ERROR(WSAAsyncSelect(s, nullptr, kSelectMessage, FD_READ), SOCKET_ERROR, WSAEINVAL);
    EXPECT_WSA_ERROR(WSAAsyncSelect(s, window, kSelectMessage, 0x4000), SOCKET_ERROR, WSAEINVAL);
    DestroyWindow(window);
    EXPECT_WSA_ERROR(WSAAsyncSelect(s, window, kSelectMessage, FD_READ), SOCKET_ERROR, WSAEINVAL);
}

TEST_F(SocketCallsThreads, CloseWakesACallBlockedInAnotherThread) {
    SOCKET a, b;
    ASSERT_TRUE(ConnectedPair(&a, &b));
    Keep(a);
    int result = 0;
    std::thread reader([&] {
        char byte;
        result = recv(b, &byte, 1, 0);
    });
    // Whether the reader is already inside recv or not, the close ends its wait.
    for (int i = 0; i < 50; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(closesocket(b), 0);
    reader.join();
    EXPECT_LE(result, 0);
}

}  // namespace
