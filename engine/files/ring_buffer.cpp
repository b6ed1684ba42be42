// The growable byte ring.
#include "files/ring_buffer.h"

#include <climits>
#include <cstring>

#include "DuRud.h"
#include "core/text_literals.h"

namespace DuRud {

int RingBufferInit(RingBuffer* ring) {
    if (ring == nullptr) return -1;
    *ring = RingBuffer{};
    return 0;
}

int RingBufferTerm(RingBuffer* ring) {
    if (ring == nullptr) return -1;
    TrackedFree(ring->storage);
    *ring = RingBuffer{};
    return 0;
}

int RingBufferWrapIndices(RingBuffer* ring) {
    if (ring == nullptr) return -1;
    if (ring->readStart == ring->capacity) ring->readStart = 0;
    if (ring->writeEnd == ring->capacity) ring->writeEnd = 0;
    return 0;
}

int RingBufferGet(RingBuffer* ring, void* destination, int32_t length, int peek) {
    if (ring == nullptr || length < 0 || length > ring->storedSize) return -1;
    if (length == 0) return 0;
    if (destination == nullptr) return -1;
    RingBufferWrapIndices(ring);
    auto* out = static_cast<uint8_t*>(destination);
    int32_t start = ring->readStart;
    int32_t next;
    if (static_cast<int64_t>(start) + length <= ring->capacity) {
        std::memcpy(out, ring->storage + start, static_cast<size_t>(length));
        next = start + length;
    } else {
        int32_t first = ring->capacity - start;
        std::memcpy(out, ring->storage + start, static_cast<size_t>(first));
        std::memcpy(out + first, ring->storage, static_cast<size_t>(length - first));
        next = length - first;
    }
    if (!peek) {
        ring->readStart = next;
        ring->storedSize -= length;
    }
    return 0;
}

int RingBufferReserve(RingBuffer* ring, int32_t additional) {
    if (ring == nullptr || additional < 0) return -1;
    RingBufferWrapIndices(ring);
    if (static_cast<int64_t>(ring->capacity) >=
        static_cast<int64_t>(ring->storedSize) + additional) {
        return 0;
    }
    int64_t wanted = static_cast<int64_t>(ring->storedSize) * 3 / 2 + additional + 1000;
    uint8_t* grown = nullptr;
    if (wanted <= INT_MAX) {
        grown =
            static_cast<uint8_t*>(TrackedAlloc(static_cast<uint32_t>(wanted), __FILE__, __LINE__));
    }
    if (grown == nullptr) {
        // The ring keeps its storage and its bytes.
        LogFormatLine(
            Cp932Text("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)"),
            static_cast<long long>(wanted));
        return -1;
    }
    int32_t stored = ring->storedSize;
    if (stored > 0) {
        int32_t start = ring->readStart;
        int32_t first = ring->capacity - start;
        if (first >= stored) {
            std::memcpy(grown, ring->storage + start, static_cast<size_t>(stored));
        } else {
            std::memcpy(grown, ring->storage + start, static_cast<size_t>(first));
            std::memcpy(grown + first, ring->storage, static_cast<size_t>(stored - first));
        }
    }
    TrackedFree(ring->storage);
    ring->storage = grown;
    ring->capacity = static_cast<int32_t>(wanted);
    ring->readStart = 0;
    ring->writeEnd = stored;
    return 0;
}

}  // namespace DuRud
