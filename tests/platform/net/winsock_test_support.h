// Shared pieces of the WinSock tests: a started layer per test, loopback
// addresses with ports the system chose, a hidden window for notifications
// and bounded waits for them.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "windows.h"
#include "winsock2.h"

namespace wstest {

constexpr UINT kSelectMessage = WM_USER + 261;

bool ConnectedPair(SOCKET* client, SOCKET* server);

class WinsockTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Closes the socket at the end of the test unless the test closed it.
    SOCKET Keep(SOCKET s);
    // A connected pair (see ConnectedPair), both kept.
    bool KeptPair(SOCKET* client, SOCKET* server) {
        if (!ConnectedPair(client, server)) return false;
        Keep(*client);
        Keep(*server);
        return true;
    }

  private:
    std::vector<SOCKET> sockets_;
    bool started_ = false;
};

sockaddr_in Loopback(USHORT portHostOrder);
USHORT PortOf(SOCKET s);  // host order, 0 on failure

// A TCP socket listening on 127.0.0.1 at a port the system chose.
SOCKET Listener(USHORT* port);
// A TCP connection: the client side (blocking connect) and the accepted side.
bool ConnectedPair(SOCKET* client, SOCKET* server);

// A hidden window whose queue receives the notifications.
HWND NotifyWindow();

struct Note {
    SOCKET socket;
    WORD event;
    WORD error;
    bool operator==(const Note&) const = default;
};
inline void PrintTo(const Note& n, std::ostream* os) {
    *os << "{socket " << n.socket << ", event " << n.event << ", error " << n.error << "}";
}
using Notes = std::vector<Note>;
// Removes the window's select messages that arrived until `count` are
// there or testsupport::kWaitLimit passes; returns all removed.
std::vector<Note> WaitNotes(HWND window, size_t count);
// Removes what arrives during a short settling time (for "nothing more").
std::vector<Note> SettleNotes(HWND window);
// The same with a shorter settling time, for loops.
std::vector<Note> SettleNotesQuick(HWND window);
// The notes of one socket and event.
size_t Count(const std::vector<Note>& notes, SOCKET s, WORD event);
// Waits until a note of that socket and event arrived; keeps the others in `seen`.
bool WaitFor(HWND window, SOCKET s, WORD event, std::vector<Note>& seen);

}  // namespace wstest
