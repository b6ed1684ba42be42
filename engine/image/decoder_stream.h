// Reading helpers shared by the decoders. A short read is never success:
// the memory stream reports one element for a partial last element, so
// every read goes byte-wise and compares the count.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/image_decoders.h"

namespace DuRud {

// Bytes from the current position to the end of the stream (the position is
// kept); -1 when the stream cannot be measured.
int64_t StreamBytesLeft(ImageStream* stream);

// Exactly size bytes, or false.
bool StreamReadExact(ImageStream* stream, void* buffer, size_t size);

// Moves to an absolute position; false when the stream refuses.
bool StreamSeekTo(ImageStream* stream, int64_t position);

inline uint16_t LoadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t LoadI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadU32(p));
}

}  // namespace DuRud
