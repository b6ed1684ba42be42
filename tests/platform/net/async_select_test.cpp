// WSAAsyncSelect: each notification reaches the window once, with the socket
// in wParam and event | error << 16 in lParam, and comes again only after the
// call that re-enables it; cancelling, closing and a destroyed window stop it.
#include <string>
#include <vector>

#include <chrono>
#include <thread>

#include "support/test_support.h"
#include "winsock_test_support.h"
#include "support/error_checks.h"

using namespace wstest;

namespace {

class AsyncSelect : public WinsockTest {
  protected:
    void SetUp() override {
        WinsockTest::SetUp();
        window = NotifyWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        WinsockTest::TearDown();
    }
    HWND window = nullptr;
};

using AsyncSelectThreads = AsyncSelect;

TEST_F(AsyncSelectThreads, AcceptIsPostedOnceUntilAcceptIsCalled) {
    USHORT port = 0;
    SOCKET listener = Keep(Listener(&port));
    ASSERT_EQ(WSAAsyncSelect(listener, window, kSelectMessage, FD_ACCEPT), 0);
    sockaddr_in to = Loopback(port);
    SOCKET c1 = Keep(socket(AF_INET, SOCK_STREAM, 0));
    SOCKET c2 = Keep(socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(connect(c1, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    ASSERT_EQ(connect(c2, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{listener, FD_ACCEPT, 0}}));
    EXPECT_TRUE(SettleNotes(window).empty());  // two waiting, still one message

    SOCKET s1 = Keep(accept(listener, nullptr, nullptr));
    ASSERT_NE(s1, INVALID_SOCKET);
    // The second connection is announced now.
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{listener, FD_ACCEPT, 0}}));
    SOCKET s2 = Keep(accept(listener, nullptr, nullptr));
    ASSERT_NE(s2, INVALID_SOCKET);
    EXPECT_TRUE(SettleNotes(window).empty());
}

TEST_F(AsyncSelectThreads, ConnectThenWriteAndRefusedConnectCarriesItsError) {
    USHORT port = 0;
    ASSERT_NE(Keep(Listener(&port)), INVALID_SOCKET);
    SOCKET client = Keep(socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(WSAAsyncSelect(client, window, kSelectMessage, FD_CONNECT | FD_WRITE | FD_READ), 0);
    sockaddr_in to = Loopback(port);
    const int result = connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (result != 0) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    EXPECT_EQ(WaitNotes(window, 2), (Notes{{client, FD_CONNECT, 0}, {client, FD_WRITE, 0}}));
    EXPECT_TRUE(SettleNotes(window).empty());

    SOCKET holder = Keep(socket(AF_INET, SOCK_STREAM, 0));  // bound, never listening
    sockaddr_in any = Loopback(0);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    SOCKET refused = Keep(socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(WSAAsyncSelect(refused, window, kSelectMessage, FD_CONNECT | FD_WRITE | FD_CLOSE), 0);
    sockaddr_in nobody = Loopback(PortOf(holder));
    EXPECT_WSA_ERROR(connect(refused, reinterpret_cast<sockaddr*>(&nobody), sizeof nobody),
                     SOCKET_ERROR, WSAEWOULDBLOCK);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{refused, FD_CONNECT, WSAECONNREFUSED}}));
    EXPECT_TRUE(SettleNotes(window).empty());  // no FD_WRITE, no FD_CLOSE
}

TEST_F(AsyncSelectThreads, ReadComesWhenDataArriveAndAgainOnlyAfterRecv) {
    SOCKET a, b;
    ASSERT_TRUE(KeptPair(&a, &b));
    ASSERT_EQ(WSAAsyncSelect(b, window, kSelectMessage, FD_READ), 0);
    EXPECT_TRUE(SettleNotes(window).empty());  // nothing to read yet
    ASSERT_EQ(send(a, "abc", 3, 0), 3);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{b, FD_READ, 0}}));
    ASSERT_EQ(send(a, "def", 3, 0), 3);
    EXPECT_TRUE(SettleNotes(window).empty());  // not re-enabled yet

    char buffer[8] = {};
    ASSERT_EQ(recv(b, buffer, 2, 0), 2);  // data remain: announced again
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{b, FD_READ, 0}}));
    ASSERT_EQ(recv(b, buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "cdef");
    EXPECT_TRUE(SettleNotes(window).empty());  // all read
    ASSERT_EQ(send(a, "g", 1, 0), 1);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{b, FD_READ, 0}}));
}

TEST_F(AsyncSelectThreads, WriteComesAgainWhenASendThatWouldBlockCanGoOn) {
    SOCKET a, b;
    ASSERT_TRUE(KeptPair(&a, &b));
    ASSERT_EQ(WSAAsyncSelect(a, window, kSelectMessage, FD_WRITE), 0);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{a, FD_WRITE, 0}}));  // connected and writable
    EXPECT_TRUE(SettleNotes(window).empty());

    const std::string chunk(65536, 'z');
    long long sent = 0;
    int i = 0;
    for (; i < 10000; ++i) {
        const int n = send(a, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (n == SOCKET_ERROR) break;
        sent += n;
    }
    ASSERT_LT(i, 10000) << "the socket never filled";
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(SettleNotes(window).empty());  // still full

    std::vector<char> sink(1 << 20);
    long long received = 0;
    bool writable = false;
    for (int round = 0; round < 10000 && received < sent && !writable; ++round) {
        const int n = recv(b, sink.data(), static_cast<int>(sink.size()), 0);
        ASSERT_GT(n, 0);
        received += n;
        writable = Count(SettleNotesQuick(window), a, FD_WRITE) > 0;
    }
    if (!writable) writable = Count(WaitNotes(window, 1), a, FD_WRITE) > 0;
    EXPECT_TRUE(writable);
}

TEST_F(AsyncSelectThreads, CloseWhenThePeerClosesAfterItsDataAreRead) {
    SOCKET a, b;
    ASSERT_TRUE(ConnectedPair(&a, &b));
    Keep(b);
    ASSERT_EQ(WSAAsyncSelect(b, window, kSelectMessage, FD_READ | FD_CLOSE), 0);
    ASSERT_EQ(send(a, "last", 4, 0), 4);
    EXPECT_EQ(WaitNotes(window, 1), (Notes{{b, FD_READ, 0}}));
    ASSERT_EQ(closesocket(a), 0);
    char buffer[8];
    ASSERT_EQ(recv(b, buffer, sizeof buffer, 0), 4);
    std::vector<Note> seen;
    ASSERT_TRUE(WaitFor(window, b, FD_CLOSE, seen));
    EXPECT_EQ(Count(seen, b, FD_CLOSE), 1u);
    for (const Note& note : seen)
        if (note.event == FD_CLOSE) {
            EXPECT_EQ(note.error, 0);
        }
    EXPECT_EQ(recv(b, buffer, sizeof buffer, 0), 0);
    for (const Note& note : SettleNotes(window)) EXPECT_NE(note.event, FD_CLOSE);
}

TEST_F(AsyncSelectThreads, AnAcceptedSocketTakesTheListenersSelection) {
    USHORT port = 0;
    SOCKET listener = Keep(Listener(&port));
    ASSERT_EQ(WSAAsyncSelect(listener, window, kSelectMessage, FD_ACCEPT | FD_READ), 0);
    SOCKET client = Keep(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in to = Loopback(port);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    std::vector<Note> seen;
    ASSERT_TRUE(WaitFor(window, listener, FD_ACCEPT, seen));
    SOCKET accepted = Keep(accept(listener, nullptr, nullptr));
    ASSERT_NE(accepted, INVALID_SOCKET);
    char byte;
    EXPECT_EQ(recv(accepted, &byte, 1, 0), SOCKET_ERROR);  // non-blocking like the listener
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_EQ(send(client, "r", 1, 0), 1);
    ASSERT_TRUE(WaitFor(window, accepted, FD_READ, seen));
    EXPECT_EQ(Count(seen, accepted, FD_WRITE), 0u);  // not selected
}

TEST_F(AsyncSelectThreads, CancelCloseAndADestroyedWindowStopTheMessages) {
    SOCKET a, b;
    ASSERT_TRUE(KeptPair(&a, &b));
    ASSERT_EQ(WSAAsyncSelect(b, window, kSelectMessage, FD_READ | FD_CLOSE), 0);
    ASSERT_EQ(WSAAsyncSelect(b, window, 0, 0), 0);
    ASSERT_EQ(send(a, "x", 1, 0), 1);
    EXPECT_TRUE(SettleNotes(window).empty());
    char byte;
    EXPECT_EQ(recv(b, &byte, 1, 0), 1);  // still non-blocking and usable

    ASSERT_EQ(WSAAsyncSelect(b, window, kSelectMessage, FD_READ), 0);
    ASSERT_EQ(closesocket(b), 0);
    ASSERT_EQ(send(a, "y", 1, 0), 1);
    EXPECT_TRUE(SettleNotes(window).empty());

    SOCKET c, d;
    ASSERT_TRUE(KeptPair(&c, &d));
    HWND other = NotifyWindow();
    ASSERT_EQ(WSAAsyncSelect(d, other, kSelectMessage, FD_READ), 0);
    DestroyWindow(other);
    ASSERT_EQ(send(c, "z", 1, 0), 1);
    MSG msg;
    for (int i = 0; i < 30; ++i) {
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, kSelectMessage, kSelectMessage, PM_REMOVE));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(AsyncSelectWatcherThreads, TheWatcherIsJoinedAtTheLastCleanup) {
    const int before = testsupport::QuietThreadCount();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    HWND window = NotifyWindow();
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(WSAAsyncSelect(s, window, kSelectMessage, FD_READ), 0);
    EXPECT_GT(testsupport::ThreadCount(), before);
    ASSERT_EQ(WSACleanup(), 0);
    EXPECT_EQ(testsupport::SettledThreadCount(before), before);
    // Started again, the layer selects and notifies as before.
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET u = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any = Loopback(0);
    ASSERT_EQ(bind(u, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(WSAAsyncSelect(u, window, kSelectMessage, FD_READ | FD_WRITE), 0);
    sockaddr_in to = Loopback(PortOf(u));
    ASSERT_EQ(sendto(u, "u", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 1);
    std::vector<Note> seen;
    EXPECT_TRUE(WaitFor(window, u, FD_READ, seen));
    EXPECT_TRUE(WaitFor(window, u, FD_WRITE, seen));
    ASSERT_EQ(WSACleanup(), 0);
    EXPECT_EQ(testsupport::SettledThreadCount(before), before);
    DestroyWindow(window);
}

}  // namespace
