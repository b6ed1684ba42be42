// A growable byte ring: writers fill it in place at its write end, readers
// take bytes from its read start, optionally without consuming them.
#pragma once

#include <cstdint>

namespace DuRud {

// The stored bytes run from readStart forward, wrapping at capacity; a
// readStart or writeEnd equal to the capacity means 0.
struct RingBuffer {
    uint8_t* storage;  // tracked allocation; null while empty
    int32_t readStart;
    int32_t writeEnd;
    int32_t storedSize;
    int32_t capacity;
};

int RingBufferInit(RingBuffer* ring);  // zeroes the record; 0
int RingBufferTerm(RingBuffer* ring);  // frees the storage, zeroes the record; 0
// Sets a readStart / writeEnd equal to the capacity to 0 (writers call it
// before writing at the write end).
int RingBufferWrapIndices(RingBuffer* ring);
// Copies length bytes from the read start; unless peek, consumes them.
// 0, or -1 (nothing copied) when fewer are stored or an argument is bad.
int RingBufferGet(RingBuffer* ring, void* destination, int32_t length, int peek);
// Room for the stored bytes plus `additional`; 0, or -1 with the ring and
// its contents unchanged when the storage cannot grow.
int RingBufferReserve(RingBuffer* ring, int32_t additional);

}  // namespace DuRud
