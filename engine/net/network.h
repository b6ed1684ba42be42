// Sockets: the engine's message-driven socket layer over WinSock. Its start-up
// does not exist in this system, so every entry returns at once unless the
// internal set-up (network_setup.h) ran.
#pragma once

#include <cstdint>

#include "DuRud.h"
#include "win_types.h"

namespace DuRud {

// The network window's select message.
constexpr UINT kNetworkSelectMessage = 0x505;

// The public entries are declared in DuRud.h: NetworkLogError logs
// "<text>[<WSAGetLastError>]" with the formatted text (bounded);
// ProcessNetworkMessages deletes closed or failed handles (flag 1) and pumps
// the network window.

// The select message's handler: 0 when no handle owns the socket, the new
// handle or -1 for FD_ACCEPT, else 1.
int NetworkWindowMessage(HWND window, UINT message, WPARAM socket, LPARAM event);

// The window module's entries: the pump's pass (delete-closed 1), and the
// window procedure's routing of the select message (1 when it was one; the
// handler's result goes to *result).
int ProcessNetworkMessagesFromPump();
int HandleNetworkSelectMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* result);

}  // namespace DuRud
