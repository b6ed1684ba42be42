// The network handle record (handle type 10) and the module state, shared by
// the socket layer and its internal set-up.
#pragma once

#include <cstdint>

#include <windows.h>
#include <winsock2.h>

#include "DuRud.h"
#include "files/ring_buffer.h"

namespace DuRud {

constexpr int kHandleTypeNetwork = 10;
// A peer's message size above this is refused (the handle goes into error).
constexpr int64_t kNetworkMessageSizeCap = 16 * 1024 * 1024;
// The wire framing's length prefix: a little-endian u32.
constexpr int kNetworkPrefixBytes = 4;

struct NetworkHandle {
    HandleHeader header;
    int32_t udp;
    int32_t valid;
    int32_t ipv6;
    int32_t error;
    int32_t connectPending;  // cleared by a successful connect event
    int32_t connected;       // 1 after accept or a successful connect, 0 after close
    int32_t state[3];        // 0, 0, 1 after accept; [0] cleared by a close event
    int32_t framing;
    int32_t autoDelete;
    SOCKET socket;
    int32_t missingBytes;  // of the message being received
    RingBuffer receive;
    int32_t receivingSize;    // size of the message being received
    int32_t receivedTotal;    // bytes of completely received messages
    RingBuffer send;          // its stored size is the bytes queued for sending
    int32_t chunkLeft;        // bytes left of the chunk being sent
    int32_t prefixLeft;       // bytes of its length prefix still to send
    uint8_t peerAddress[16];  // 4 bytes IPv4 or 16 bytes IPv6
    uint16_t peerPort;
    int32_t udpReadable;
    int32_t udpWritable;
};

struct NetworkState {
    Handle listenHandle;
    int32_t initialised;
    HWND window;
    int32_t framingSwitch;     // new handles frame when 0
    int32_t autoDeleteSwitch;  // new handles auto-delete when 0
    int32_t windowDestroyed;
    HANDLE worker;
    volatile int32_t workerFinished;
    volatile int32_t workerEndRequest;
    int32_t receiving;  // a RecvSocket is running
    int32_t sending;    // a SendSocket is running
};

NetworkState& GetNetworkState();
// The record of a live network handle, or null.
NetworkHandle* GetNetworkHandle(Handle handle);

}  // namespace DuRud
