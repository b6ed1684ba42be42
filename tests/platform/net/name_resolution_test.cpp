// Name resolution: getaddrinfo's chain in Windows' layout, the host records,
// the host name, dotted addresses and byte order.
#include <cstring>
#include <string>

#include "winsock_test_support.h"
#include "support/error_checks.h"

using namespace wstest;

namespace {

class NameResolution : public WinsockTest {};

TEST_F(NameResolution, GetAddrInfoOfLocalhostGivesLoopbackInWindowsLayout) {
    ADDRINFOA hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    PADDRINFOA found = nullptr;
    ASSERT_EQ(getaddrinfo("localhost", "8080", &hints, &found), 0);
    ASSERT_NE(found, nullptr);
    ASSERT_NE(found->ai_canonname, nullptr);
    EXPECT_GT(std::strlen(found->ai_canonname), 0u);
    int count = 0;
    for (PADDRINFOA at = found; at && count < 64; at = at->ai_next, ++count) {
        EXPECT_EQ(at->ai_family, AF_INET);
        EXPECT_EQ(at->ai_socktype, SOCK_STREAM);
        ASSERT_EQ(at->ai_addrlen, sizeof(sockaddr_in));
        const auto* address = reinterpret_cast<const sockaddr_in*>(at->ai_addr);
        EXPECT_EQ(address->sin_family, AF_INET);
        EXPECT_EQ(ntohs(address->sin_port), 8080);
        EXPECT_EQ(address->sin_addr.S_un.S_un_b.s_b1, 127);
    }
    EXPECT_GE(count, 1);
    freeaddrinfo(found);
    freeaddrinfo(nullptr);
}

TEST_F(NameResolution, NumericIpv6AddressHasWindowsFamilyValue) {
    ADDRINFOA hints{};
    hints.ai_family = AF_INET6;
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_DGRAM;
    PADDRINFOA found = nullptr;
    ASSERT_EQ(getaddrinfo("::1", "53", &hints, &found), 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->ai_family, 23);
    EXPECT_EQ(found->ai_socktype, SOCK_DGRAM);
    ASSERT_EQ(found->ai_addrlen, 28u);
    const auto* address = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
    EXPECT_EQ(address->sin6_family, 23);
    EXPECT_EQ(ntohs(address->sin6_port), 53);
    EXPECT_EQ(address->sin6_addr.u.Byte[15], 1);
    EXPECT_EQ(found->ai_canonname, nullptr);
    freeaddrinfo(found);
}

TEST_F(NameResolution, GetAddrInfoRefusesBadRequestsWithWinsockCodes) {
    PADDRINFOA found = reinterpret_cast<PADDRINFOA>(1);
    EXPECT_EQ(getaddrinfo(nullptr, nullptr, nullptr, &found), WSAHOST_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
    ADDRINFOA hints{};
    hints.ai_family = 10;  // Linux's AF_INET6 value means nothing here
    EXPECT_EQ(getaddrinfo("127.0.0.1", nullptr, &hints, &found), EAI_FAMILY);
    hints = {};
    hints.ai_flags = 0x10000;
    EXPECT_EQ(getaddrinfo("127.0.0.1", nullptr, &hints, &found), EAI_BADFLAGS);
    hints = {};
    hints.ai_socktype = 9;
    EXPECT_EQ(getaddrinfo("127.0.0.1", nullptr, &hints, &found), EAI_SOCKTYPE);
    hints = {};
    hints.ai_flags = AI_NUMERICHOST;
    EXPECT_EQ(getaddrinfo("not a number", nullptr, &hints, &found), EAI_NONAME);
    EXPECT_EQ(getaddrinfo("127.0.0.1", nullptr, nullptr, nullptr), WSAEINVAL);
}

TEST_F(NameResolution, HostByNameAndByAddress) {
    hostent* host = gethostbyname("localhost");
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_addrtype, AF_INET);
    EXPECT_EQ(host->h_length, 4);
    ASSERT_NE(host->h_name, nullptr);
    ASSERT_NE(host->h_aliases, nullptr);
    ASSERT_NE(host->h_addr_list, nullptr);
    ASSERT_NE(host->h_addr_list[0], nullptr);
    EXPECT_EQ(static_cast<unsigned char>(host->h_addr_list[0][0]), 127);

    host = gethostbyname("127.0.0.1");
    ASSERT_NE(host, nullptr);
    ULONG address;
    std::memcpy(&address, host->h_addr_list[0], 4);
    EXPECT_EQ(address, inet_addr("127.0.0.1"));
    EXPECT_EQ(host->h_addr_list[1], nullptr);

    EXPECT_WSA_ERROR(gethostbyname("no-such-host.invalid"), nullptr, WSAHOST_NOT_FOUND);

    const ULONG loopback = htonl(INADDR_LOOPBACK);
    host = gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, AF_INET);
    if (host) {  // only when the machine names its loopback address
        EXPECT_EQ(host->h_addrtype, AF_INET);
        EXPECT_GT(std::strlen(host->h_name), 0u);
        EXPECT_EQ(std::memcmp(host->h_addr_list[0], &loopback, 4), 0);
    }
    EXPECT_WSA_ERROR(gethostbyaddr(reinterpret_cast<const char*>(&loopback), 3, AF_INET), nullptr,
                     WSAEFAULT);
    EXPECT_WSA_ERROR(gethostbyaddr(nullptr, 4, AF_INET), nullptr, WSAEFAULT);
    EXPECT_WSA_ERROR(gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, 10), nullptr,
                     WSAEAFNOSUPPORT);
}

// The length is passed as int: with a size_t the C library's own function
// (declared by <unistd.h>) would be the better overload.
TEST_F(NameResolution, HostNameFitsOrIsRefused) {
    char name[256] = {};
    ASSERT_EQ(gethostname(name, static_cast<int>(sizeof name)), 0);
    EXPECT_GT(std::strlen(name), 0u);
    char tiny[1];
    EXPECT_WSA_ERROR(gethostname(tiny, 1), SOCKET_ERROR, WSAEFAULT);
    EXPECT_WSA_ERROR(gethostname(nullptr, 10), SOCKET_ERROR, WSAEFAULT);
}

TEST(AddressText, DottedAddressesAndByteOrder) {
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(0x7f000001));
    EXPECT_EQ(inet_addr("10.1.2.3"), htonl(0x0a010203));
    EXPECT_EQ(inet_addr("0x7f.1"), htonl(0x7f000001));  // the short forms
    EXPECT_EQ(inet_addr("256.1.1.1"), INADDR_NONE);
    EXPECT_EQ(inet_addr("1.2.3.x"), INADDR_NONE);
    EXPECT_EQ(inet_addr(""), INADDR_NONE);
    EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
    EXPECT_EQ(htons(0x1234), 0x3412);
    EXPECT_EQ(ntohs(0x3412), 0x1234);
    EXPECT_EQ(htonl(0x12345678u), 0x78563412u);
}

TEST(AddressText, ResolutionNeedsAStartedLayer) {
    PADDRINFOA found = nullptr;
    EXPECT_EQ(getaddrinfo("localhost", nullptr, nullptr, &found), WSANOTINITIALISED);
    EXPECT_WSA_ERROR(gethostbyname("localhost"), nullptr, WSANOTINITIALISED);
    char name[64];
    EXPECT_WSA_ERROR(gethostname(name, static_cast<int>(sizeof name)), SOCKET_ERROR,
                     WSANOTINITIALISED);
}

}  // namespace
