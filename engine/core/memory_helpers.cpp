// Byte fill, copy, move and compare for the engine's buffers.
#include <cstdint>
#include <cstring>

#include "DuRud.h"

namespace DuRud {

int FillBytes(void* dst, int value, size_t size) {
    if (size != 0) std::memset(dst, value, size);
    return 0;
}

int FillDwords(void* dst, uint32_t value, size_t count) {
    auto* p = static_cast<unsigned char*>(dst);
    for (size_t i = 0; i < count; ++i) std::memcpy(p + i * 4, &value, 4);
    return 0;
}

int CompareBytes(const void* a, const void* b, size_t size) {
    if (size == 0) return 0;
    return std::memcmp(a, b, size) == 0 ? 0 : 1;
}

// A forward copy: where the destination starts inside the source the bytes
// already copied repeat, as a forward byte loop does.
int CopyBytes(void* dst, const void* src, size_t size) {
    if (size == 0 || dst == src) return 0;
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    if (d > s && d < s + size) {
        for (size_t i = 0; i < size; ++i) d[i] = s[i];
    } else {
        std::memmove(d, s, size);
    }
    return 0;
}

int MoveBytes(void* dst, const void* src, size_t size) {
    if (size == 0 || dst == src) return 0;
    std::memmove(dst, src, size);
    return 0;
}

}  // namespace DuRud
