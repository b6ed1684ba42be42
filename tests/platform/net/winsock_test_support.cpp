#include "winsock_test_support.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "support/test_support.h"

namespace wstest {

void WinsockTest::SetUp() {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    started_ = true;
}

void WinsockTest::TearDown() {
    for (SOCKET s : sockets_) closesocket(s);  // WSAENOTSOCK for the ones already closed
    if (started_) {
        EXPECT_EQ(WSACleanup(), 0);
    }
}

SOCKET WinsockTest::Keep(SOCKET s) {
    if (s != INVALID_SOCKET) sockets_.push_back(s);
    return s;
}

sockaddr_in Loopback(USHORT port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.S_un.S_addr = htonl(INADDR_LOOPBACK);
    return address;
}

USHORT PortOf(SOCKET s) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    USHORT port;
    std::memcpy(&port, reinterpret_cast<char*>(&address) + 2, 2);
    return ntohs(port);
}

SOCKET Listener(USHORT* port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address = Loopback(0);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, SOMAXCONN) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = PortOf(s);
    return s;
}

bool ConnectedPair(SOCKET* client, SOCKET* server) {
    USHORT port = 0;
    SOCKET listener = Listener(&port);
    if (listener == INVALID_SOCKET) return false;
    *client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    const bool connected =
        connect(*client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    *server = connected ? accept(listener, nullptr, nullptr) : INVALID_SOCKET;
    closesocket(listener);
    return connected && *server != INVALID_SOCKET;
}

HWND NotifyWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SocketNotifyWindow";
    RegisterClassA(&wc);  // already there after the first call
    return CreateWindowExA(0, "SocketNotifyWindow", "", WS_OVERLAPPED, 0, 0, 16, 16, nullptr,
                           nullptr, nullptr, nullptr);
}

namespace {

void Drain(HWND window, std::vector<Note>& notes) {
    MSG msg;
    for (int i = 0;
         i < 10000 && PeekMessageA(&msg, window, kSelectMessage, kSelectMessage, PM_REMOVE); ++i)
        notes.push_back({static_cast<SOCKET>(msg.wParam), WSAGETSELECTEVENT(msg.lParam),
                         WSAGETSELECTERROR(msg.lParam)});
}

}  // namespace

std::vector<Note> WaitNotes(HWND window, size_t count) {
    std::vector<Note> notes;
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kWaitLimit;
    while (notes.size() < count && std::chrono::steady_clock::now() < deadline) {
        Drain(window, notes);
        if (notes.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return notes;
}

std::vector<Note> SettleNotes(HWND window) {
    std::vector<Note> notes;
    for (int i = 0; i < 30; ++i) {
        Drain(window, notes);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Drain(window, notes);
    return notes;
}

std::vector<Note> SettleNotesQuick(HWND window) {
    std::vector<Note> notes;
    for (int i = 0; i < 5; ++i) {
        Drain(window, notes);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Drain(window, notes);
    return notes;
}

size_t Count(const std::vector<Note>& notes, SOCKET s, WORD event) {
    size_t n = 0;
    for (const Note& note : notes) n += note.socket == s && note.event == event;
    return n;
}

bool WaitFor(HWND window, SOCKET s, WORD event, std::vector<Note>& seen) {
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kWaitLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        Drain(window, seen);
        if (Count(seen, s, event) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace wstest
