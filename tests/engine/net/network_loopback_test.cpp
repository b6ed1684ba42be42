// The socket layer over loopback, through the internal set-up that does what
// the absent start-up would: accepting on FD_ACCEPT, framed messages in and
// out, the peer's close, handles in error and their deletion, the end.
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <winsock2.h>

#include "../core/log_test_support.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "core/tracked_memory.h"
#include "net/network.h"
#include "net/network_record.h"
#include "net/network_setup.h"
#include "support/test_support.h"
#include "window/window_calls.h"

namespace DuRud {
namespace {

std::string Prefix(uint32_t size) {
    const char bytes[4] = {static_cast<char>(size), static_cast<char>(size >> 8),
                           static_cast<char>(size >> 16), static_cast<char>(size >> 24)};
    return std::string(bytes, 4);
}

std::string Pattern(size_t size, int seed) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return text;
}

class NetworkLoopback : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SetLogFolder(testsupport::TestDirectory().c_str()), 0);
        ASSERT_EQ(LogStart(), 0);
        blocks = MemGetCount();
        listener = SetUpNetworkForTest(0);
        ASSERT_NE(listener, -1);
        NetworkHandle* r = GetNetworkHandle(listener);
        ASSERT_NE(r, nullptr);
        sockaddr_in address{};
        int length = sizeof address;
        ASSERT_EQ(getsockname(r->socket, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port = address.sin_port;  // network order
        ASSERT_NE(port, 0);
    }
    void TearDown() override {
        for (SOCKET s : peers) closesocket(s);
        EndNetwork();
        EXPECT_EQ(MemGetCount(), blocks);  // the rings and the type's table are gone
        UnloadWinApis();
        ResetLogForTest();
    }

    // Pumps the network window until `done` or testsupport::kWaitLimit passes.
    bool PumpUntil(const std::function<bool()>& done, int deleteClosed = 0) {
        const auto deadline = std::chrono::steady_clock::now() + testsupport::kWaitLimit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            ProcessNetworkMessages(deleteClosed);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void PumpPasses(int passes) {
        for (int i = 0; i < passes; ++i) {
            ProcessNetworkMessages(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    std::vector<Handle> Connections() {
        std::vector<Handle> found;
        HandleTypeRecord* type = GetHandleTypeRecord(kHandleTypeNetwork);
        for (HandleListNode* n = type->head.next; n && n != &type->tail; n = n->next)
            if (n->value != listener) found.push_back(n->value);
        return found;
    }

    // A peer connected to the listener and the handle that accepted it.
    bool Connect(SOCKET* peer, Handle* handle) {
        *peer = socket(AF_INET, SOCK_STREAM, 0);
        if (*peer == INVALID_SOCKET) return false;
        peers.push_back(*peer);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = port;
        to.sin_addr.S_un.S_addr = inet_addr("127.0.0.1");
        if (connect(*peer, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return false;
        const size_t before = Connections().size();
        if (!PumpUntil([&] { return Connections().size() > before; })) return false;
        *handle = Connections().front();  // the newest first
        return true;
    }

    void SendAll(SOCKET s, const std::string& bytes) {
        size_t done = 0;
        for (int i = 0; i < 100000 && done < bytes.size(); ++i) {
            const int n = send(s, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
            ASSERT_GT(n, 0) << WSAGetLastError();
            done += static_cast<size_t>(n);
        }
    }

    std::string TakeAll(Handle h) {
        NetworkHandle* r = GetNetworkHandle(h);
        std::string out(static_cast<size_t>(r->receivedTotal), '\0');
        EXPECT_EQ(NetworkTakeReceived(h, out.data(), static_cast<int>(out.size())),
                  static_cast<int>(out.size()));
        return out;
    }

    std::vector<std::string> Log() { return LinesWithoutStamps(testsupport::ReadFile("Log.txt")); }
    bool Logged(const std::string& line) {
        for (const std::string& l : Log())
            if (l == line) return true;
        return false;
    }

    int blocks = 0;
    Handle listener = -1;
    USHORT port = 0;
    std::vector<SOCKET> peers;
};

using NetworkLoopbackThreads = NetworkLoopback;

TEST_F(NetworkLoopbackThreads, AConnectionIsAcceptedOnFdAcceptIntoAFramedHandle) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    EXPECT_EQ(HandleTypeOf(h), kHandleTypeNetwork);
    NetworkHandle* r = GetNetworkHandle(h);
    ASSERT_NE(r, nullptr);
    using Flags = std::array<int32_t, 9>;
    EXPECT_EQ((Flags{r->valid, r->connected, r->state[0], r->state[1], r->state[2], r->framing,
                     r->autoDelete, r->ipv6, r->udp}),
              (Flags{1, 1, 0, 0, 1, 1, 1, 0, 0}));
    const uint8_t loopback[4] = {127, 0, 0, 1};
    EXPECT_EQ(std::memcmp(r->peerAddress, loopback, 4), 0);
    sockaddr_in own{};
    int length = sizeof own;
    ASSERT_EQ(getsockname(peer, reinterpret_cast<sockaddr*>(&own), &length), 0);
    EXPECT_EQ(r->peerPort, ntohs(own.sin_port));
}

TEST_F(NetworkLoopbackThreads, MessagesArriveWholeAndInOrderWithPrefixesSplit) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    const std::vector<std::string> messages = {"", "A", "xyz", Pattern(100000, 3)};
    std::string stream;
    std::string expected;
    for (const std::string& m : messages) {
        stream += Prefix(static_cast<uint32_t>(m.size())) + m;
        expected += m;
    }
    // Sent in pieces that cut prefixes apart: 2 bytes, then 3, then the rest
    // in uneven slices, with the layer pumped between them.
    size_t at = 0;
    const size_t pieces[] = {2, 3, 1, 4, 2, 7, 1, 9000, 31, 40000};
    NetworkHandle* r = GetNetworkHandle(h);
    for (size_t piece : pieces) {
        SendAll(peer, stream.substr(at, piece));
        at += piece;
        PumpPasses(20);
        EXPECT_LE(r->receivedTotal, static_cast<int>(expected.size()));
    }
    SendAll(peer, stream.substr(at));
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == static_cast<int>(expected.size()); }));
    EXPECT_EQ(r->missingBytes, 0);
    EXPECT_EQ(TakeAll(h), expected);
}

TEST_F(NetworkLoopbackThreads, APartialMessageIsNotCountedUntilItCompletes) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    NetworkHandle* r = GetNetworkHandle(h);
    const std::string body = Pattern(50, 1);
    SendAll(peer, Prefix(50) + body.substr(0, 20));
    ASSERT_TRUE(PumpUntil([&] { return r->missingBytes == 30; }));
    EXPECT_EQ(r->receivedTotal, 0);
    EXPECT_EQ(r->receivingSize, 50);
    SendAll(peer, body.substr(20));
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == 50; }));
    EXPECT_EQ(TakeAll(h), body);
}

TEST_F(NetworkLoopbackThreads, TheReceiveRingWrapsAndKeepsTheBytesInOrder) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    NetworkHandle* r = GetNetworkHandle(h);
    const std::string first = Pattern(600, 5);
    SendAll(peer, Prefix(600) + first);
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == 600; }));
    const int capacity = r->receive.capacity;
    EXPECT_EQ(TakeAll(h), first);  // the read start moves to 600
    // Room enough without growing, but only by wrapping past the end.
    const int size = capacity - 200;
    ASSERT_GT(size, capacity - 600);
    const std::string second = Pattern(static_cast<size_t>(size), 9);
    SendAll(peer, Prefix(static_cast<uint32_t>(size)) + second);
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == size; }));
    EXPECT_EQ(r->receive.capacity, capacity);
    EXPECT_LT(r->receive.writeEnd, r->receive.readStart);  // it wrapped
    EXPECT_EQ(TakeAll(h), second);
}

TEST_F(NetworkLoopbackThreads, QueuedSendsGoOutWithTheirPrefixAlsoWhenTheSocketWouldBlock) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    NetworkHandle* r = GetNetworkHandle(h);
    // More than the loopback socket buffers take while nobody reads.
    const std::string big = Pattern(12 * 1024 * 1024, 11);
    ASSERT_EQ(NetworkQueueSend(h, big.data(), static_cast<int>(big.size())), 0);
    EXPECT_GT(r->send.storedSize, 0);  // the send would have blocked
    const std::string wanted = Prefix(static_cast<uint32_t>(big.size())) + big;

    std::atomic<bool> done{false};
    std::string got;
    std::thread reader([&] {
        std::vector<char> buffer(1 << 16);
        while (got.size() < wanted.size()) {
            const int n = recv(peer, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (n <= 0) break;  // closed by the test on failure
            got.append(buffer.data(), static_cast<size_t>(n));
        }
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); });
    if (!finished) shutdown(peer, SD_BOTH);  // ends the reader's wait
    reader.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(r->send.storedSize, 0);
    EXPECT_EQ(r->chunkLeft, 0);
    EXPECT_EQ(r->prefixLeft, 0);
    ASSERT_EQ(got.size(), wanted.size());
    EXPECT_TRUE(got == wanted);

    // A small message after it goes out at once with its own prefix.
    ASSERT_EQ(NetworkQueueSend(h, "hi!", 3), 0);
    std::string small(7, '\0');
    ASSERT_EQ(recv(peer, small.data(), 7, MSG_WAITALL), 7);
    EXPECT_EQ(small, Prefix(3) + "hi!");
}

TEST_F(NetworkLoopbackThreads, ThePeersCloseClearsTheConnectedFlag) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    NetworkHandle* r = GetNetworkHandle(h);
    ASSERT_EQ(closesocket(peer), 0);
    ASSERT_TRUE(PumpUntil([&] { return r->connected == 0; }));
    EXPECT_EQ(r->state[0], 0);
    // The clean-up deletes a closed handle only when its first state word is
    // 1, which a close clears: the handle stays until the end.
    ProcessNetworkMessages(1);
    EXPECT_EQ(GetNetworkHandle(h), r);
}

TEST_F(NetworkLoopbackThreads, AHostileSizePutsTheHandleInErrorAndTheCleanUpDeletesIt) {
    for (uint32_t size : {0xFFFFFFFFu, 16u * 1024 * 1024 + 1, 0x80000000u}) {
        SOCKET peer;
        Handle h;
        ASSERT_TRUE(Connect(&peer, &h));
        NetworkHandle* r = GetNetworkHandle(h);
        SendAll(peer, Prefix(size) + "tail");
        ASSERT_TRUE(PumpUntil([&] { return r->error == 1; }));
        char line[160];
        std::snprintf(line, sizeof line,
                      Cp932Text("受信データを保存するリングバッファのリサイズに失敗しました(デー"
                                "タサイズ %d byte)"),
                      static_cast<int32_t>(size));
        EXPECT_TRUE(Logged(line)) << size;
        EXPECT_LT(r->receive.capacity, 1024 * 1024);  // nothing was reserved
        EXPECT_EQ(RecvSocket(h), -1);
        EXPECT_TRUE(
            Logged(Cp932Text("このネットワークハンドルにはエラーが発生しています in RecvSocket")));
        EXPECT_EQ(SendSocket(h), -1);
        EXPECT_TRUE(
            Logged(Cp932Text("このネットワークハンドルにはエラーが発生しています in SendSocket")));
        ProcessNetworkMessages(1);
        EXPECT_EQ(GetNetworkHandle(h), nullptr);
        EXPECT_NE(GetNetworkHandle(listener), nullptr);
    }
}

TEST_F(NetworkLoopbackThreads, RefusalsAndStraySockets) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    EXPECT_EQ(RecvSocket(-1), -1);
    EXPECT_EQ(SendSocket(0x04000001), -1);  // a handle of another type
    EXPECT_EQ(RecvSocket(h + 1), -1);       // no such slot
    GetNetworkState().receiving = 1;        // a receive already running
    EXPECT_EQ(RecvSocket(h), -1);
    GetNetworkState().receiving = 0;
    GetNetworkState().sending = 1;
    EXPECT_EQ(SendSocket(h), -1);
    GetNetworkState().sending = 0;
    EXPECT_EQ(RecvSocket(h), 0);
    EXPECT_EQ(SendSocket(h), 0);

    GetNetworkHandle(h)->valid = 0;
    EXPECT_EQ(RecvSocket(h), -1);
    EXPECT_TRUE(Logged(Cp932Text("有効なネットワークハンドルではありません in RecvSocket")));
    GetNetworkHandle(h)->valid = 1;

    HWND window = GetNetworkState().window;
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, 0x7777, FD_READ), 0);
    EXPECT_TRUE(Logged(Cp932Text("通信エラー No.1")));
    // The window procedure's route: only the select message is taken.
    LRESULT result = -5;
    EXPECT_EQ(DefaultWindowModuleCalls().NetworkWindowMessage(window, WM_USER, 0, 0, &result), 0);
    EXPECT_EQ(result, -5);
    EXPECT_EQ(DefaultWindowModuleCalls().NetworkWindowMessage(window, kNetworkSelectMessage, 0x7777,
                                                              FD_READ, &result),
              1);
    EXPECT_EQ(result, 0);
}

TEST_F(NetworkLoopbackThreads, ConnectEventsAndUdpHandlesOnlyRecordTheirFlags) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    NetworkHandle* r = GetNetworkHandle(h);
    HWND window = GetNetworkState().window;
    r->connected = 0;
    r->connectPending = 1;
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, r->socket,
                                   WSAMAKESELECTREPLY(FD_CONNECT, WSAECONNREFUSED)),
              1);
    EXPECT_EQ(r->connected, 0);  // a failed connect changes nothing
    EXPECT_EQ(r->connectPending, 1);
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, r->socket, FD_CONNECT), 1);
    EXPECT_EQ(r->connected, 1);
    EXPECT_EQ(r->connectPending, 0);

    r->udp = 1;
    SendAll(peer, Prefix(1) + "u");
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, r->socket, FD_READ), 1);
    EXPECT_EQ(r->udpReadable, 1);
    EXPECT_EQ(r->receivedTotal, 0);  // nothing was received for it
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, r->socket, FD_WRITE), 1);
    EXPECT_EQ(r->udpWritable, 1);
    EXPECT_EQ(NetworkWindowMessage(window, kNetworkSelectMessage, r->socket, FD_CLOSE), 1);
    EXPECT_EQ(r->connected, 1);    // only the two flags
    EXPECT_EQ(RecvSocket(h), -1);  // the framed routines refuse UDP handles
    EXPECT_EQ(SendSocket(h), -1);
    r->udp = 0;
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == 1; }));
}

TEST_F(NetworkLoopbackThreads, EndClosesEverythingOnceAndTheLayerRefusesAfterwards) {
    SOCKET peer;
    Handle h;
    ASSERT_TRUE(Connect(&peer, &h));
    HWND window = GetNetworkState().window;
    ASSERT_EQ(EndNetwork(), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GetHandleTypeRecord(kHandleTypeNetwork)->initialised, 0);
    EXPECT_TRUE(Logged(Cp932Text("ネットワーク関連の終了処理を行います ")));
    EXPECT_TRUE(Logged(Cp932Text("ネットワーク関連の終了処理は完了しました")));
    char byte;
    EXPECT_EQ(recv(peer, &byte, 1, 0), SOCKET_ERROR);  // WinSock was cleaned up
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    peers.clear();
    EXPECT_EQ(EndNetwork(), 0);
    EXPECT_EQ(RecvSocket(h), -1);
    EXPECT_EQ(AcceptNetWork(), -1);
    EXPECT_EQ(ProcessNetworkMessages(1), 0);
}

TEST_F(NetworkLoopbackThreads, AnIpv6ListenerAcceptsWherePresent) {
    EndNetwork();
    listener = SetUpNetworkForTest(1);
    if (listener == -1) GTEST_SKIP() << "no [::1] on this machine";
    sockaddr_in6 address{};
    int length = sizeof address;
    ASSERT_EQ(getsockname(GetNetworkHandle(listener)->socket, reinterpret_cast<sockaddr*>(&address),
                          &length),
              0);
    SOCKET peer = socket(AF_INET6, SOCK_STREAM, 0);
    peers.push_back(peer);
    ASSERT_EQ(connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(PumpUntil([&] { return !Connections().empty(); }));
    const Handle h = Connections().front();
    NetworkHandle* r = GetNetworkHandle(h);
    EXPECT_EQ(r->ipv6, 1);
    EXPECT_EQ(r->peerAddress[15], 1);  // ::1
    EXPECT_EQ(r->peerAddress[0], 0);
    SendAll(peer, Prefix(2) + "ok");
    ASSERT_TRUE(PumpUntil([&] { return r->receivedTotal == 2; }));
    EXPECT_EQ(TakeAll(h), "ok");
}

}  // namespace
}  // namespace DuRud
