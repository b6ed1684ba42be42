// Sockets: the engine's message-driven socket layer. Its start-up does not
// exist in this system, so every entry returns at once unless a test set it up.
#pragma once

#include <cstdint>

#include "win_types.h"

namespace DuRud {

// The network window's select message.
constexpr UINT kNetworkSelectMessage = 0x505;

// Logs "<text>[<WSAGetLastError>]" with the formatted text (bounded). -1.
int NetworkLogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Deletes closed or failed handles (flag 1) and pumps the network window. 0.
int ProcessNetworkMessages(int deleteClosed);
int EndNetwork();
int AcceptNetWork();
int RecvSocket(int32_t handle);
int SendSocket(int32_t handle);
// The select message's handler: 1, or 0 when no handle owns the socket.
int NetworkWindowMessage(HWND window, UINT message, WPARAM socket, LPARAM event);

}  // namespace DuRud
