// Where the image layer gets pixel memory: the engine's tracked allocator,
// with the caller's source file and line.
#pragma once

#include <cstdint>

#include "DuRud.h"

namespace DuRud {

// Allocates size bytes (callers check kMaxImagePixelBytes first); null on
// failure or a size the allocator cannot take.
inline void* ImageAllocate(int64_t size, const char* file, int line) {
    if (size < 0 || size > int64_t{UINT32_MAX}) return nullptr;
    return TrackedAlloc(static_cast<uint32_t>(size), file, line);
}

inline void ImageFree(void* p) {
    TrackedFree(p);
}

}  // namespace DuRud

#define IMAGE_ALLOC(size) ::DuRud::ImageAllocate((size), __FILE__, __LINE__)
