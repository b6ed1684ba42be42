// Where the image layer gets pixel memory: the engine's tracked allocator,
// with the caller's source file and line.
#pragma once

#include <cstddef>
#include <cstdint>

#if __has_include("core/tracked_memory.h")
#include "core/tracked_memory.h"
#define DURUD_IMAGE_TRACKED 1
#else
#include <windows.h>
#define DURUD_IMAGE_TRACKED 0
#endif

namespace DuRud {

// Allocates size bytes (size already checked against kMaxImagePixelBytes);
// null on failure.
inline void* ImageAllocate(int64_t size, const char* file, int line) {
    if (size < 0 || size > (int64_t{1} << 31)) return nullptr;
#if DURUD_IMAGE_TRACKED
    return TrackedAlloc(static_cast<uint32_t>(size), file, line);
#else
    // The process heap, as the tracked allocator uses: one place for tests
    // to count blocks and make an allocation fail.
    return HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size));
#endif
}

inline void ImageFree(void* p) {
    if (!p) return;
#if DURUD_IMAGE_TRACKED
    TrackedFree(p);
#else
    HeapFree(GetProcessHeap(), 0, p);
#endif
}

}  // namespace DuRud

#define IMAGE_ALLOC(size) ::DuRud::ImageAllocate((size), __FILE__, __LINE__)
