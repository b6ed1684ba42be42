// What the layer's absent start-up would do, for tests only (not a public
// function): WinSock loaded and started, handle type 10 registered, the hidden
// network window, and a listening handle on the loopback address at a port
// the system chooses. With the helpers that stand in for the missing public
// send and receive functions, over the record and the framing.
#pragma once

#include "DuRud.h"

namespace DuRud {

// The listening handle, or -1 with everything undone.
Handle SetUpNetworkForTest(int ipv6);
// Appends one chunk to the handle's send queue and starts sending it. 0 / -1.
int NetworkQueueSend(Handle handle, const void* bytes, int size);
// Takes up to `size` bytes of completely received messages; the count, or -1.
int NetworkTakeReceived(Handle handle, void* buffer, int size);

}  // namespace DuRud
