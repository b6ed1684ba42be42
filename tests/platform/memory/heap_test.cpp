// The process heap: exact sizes, zeroed memory, reallocation, refusals.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "windows.h"
#include "support/error_checks.h"

namespace {

bool allBytesAre(const void* p, size_t n, unsigned char v) {
    auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != v) return false;
    return true;
}

TEST(ProcessHeap, SizeIsTheSizeAskedForAndZeroFlagClears) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    // Each size first leaves a dirty freed block of its size behind, which the
    // zeroed one may reuse; 300 KB is a block the C heap maps of its own.
    for (SIZE_T size : {SIZE_T{0}, SIZE_T{1}, SIZE_T{17}, SIZE_T{4097}, SIZE_T{300} << 10}) {
        void* dirty = HeapAlloc(heap, 0, size);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xCD, size);
        EXPECT_TRUE(HeapFree(heap, 0, dirty));
        void* p = HeapAlloc(heap, HEAP_ZERO_MEMORY, size);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        EXPECT_EQ(HeapSize(heap, 0, p), size);
        EXPECT_TRUE(allBytesAre(p, size, 0));
        EXPECT_TRUE(HeapFree(heap, 0, p));
    }
}

TEST(ProcessHeap, ReallocationKeepsBytesAndZeroesOnlyTheNewPart) {
    HANDLE heap = GetProcessHeap();
    auto* p = static_cast<unsigned char*>(HeapAlloc(heap, 0, 100));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 100);
    auto* q = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 300));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, q), 300u);
    EXPECT_TRUE(allBytesAre(q, 100, 0xAB));
    EXPECT_TRUE(allBytesAre(q + 100, 200, 0));
    q = static_cast<unsigned char*>(HeapReAlloc(heap, 0, q, 10));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, q), 10u);
    EXPECT_TRUE(allBytesAre(q, 10, 0xAB));
    EXPECT_TRUE(HeapFree(heap, 0, q));
}

TEST(ProcessHeap, InPlaceOnlyMayShrinkButNotGrow) {
    HANDLE heap = GetProcessHeap();
    void* p = HeapAlloc(heap, 0, 64);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, 32), p);
    EXPECT_EQ(HeapSize(heap, 0, p), 32u);
    EXPECT_ERROR(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, 4096), nullptr,
                 ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(HeapSize(heap, 0, p), 32u);  // the block is untouched
    EXPECT_TRUE(HeapFree(heap, 0, p));
}

TEST(ProcessHeap, CompactingKeepsLiveBlocksAndRefusesOtherHeaps) {
    HANDLE heap = GetProcessHeap();
    // Every other block freed leaves holes for the compaction to hand back.
    unsigned char* blocks[64];
    for (int i = 0; i < 64; ++i) {
        blocks[i] = static_cast<unsigned char*>(HeapAlloc(heap, 0, 8192));
        ASSERT_NE(blocks[i], nullptr);
        std::memset(blocks[i], i, 8192);
    }
    for (int i = 0; i < 64; i += 2) EXPECT_TRUE(HeapFree(heap, 0, blocks[i]));
    HeapCompact(heap, 0);
    for (int i = 1; i < 64; i += 2) {
        EXPECT_TRUE(allBytesAre(blocks[i], 8192, static_cast<unsigned char>(i))) << i;
        EXPECT_EQ(HeapSize(heap, 0, blocks[i]), 8192u);
        EXPECT_TRUE(HeapFree(heap, 0, blocks[i]));
    }
    int other = 0;
    EXPECT_ERROR(HeapCompact(&other, 0), SIZE_T{0}, ERROR_INVALID_HANDLE);
}

TEST(ProcessHeap, ForeignFreedAndNullPointersAreRefusedCleanly) {
    HANDLE heap = GetProcessHeap();
    void* p = HeapAlloc(heap, 0, 8);
    ASSERT_TRUE(HeapFree(heap, 0, p));
    int onStack = 0;
    for (void* bad : {p, static_cast<void*>(&onStack)}) {
        EXPECT_ERROR(HeapFree(heap, 0, bad), FALSE, ERROR_INVALID_PARAMETER);
        EXPECT_EQ(HeapSize(heap, 0, bad), static_cast<SIZE_T>(-1));
        EXPECT_EQ(HeapReAlloc(heap, 0, bad, 16), nullptr);
    }
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));
}

TEST(ProcessHeap, BadHeapHandlesFlagsAndHugeSizesAreRefused) {
    HANDLE heap = GetProcessHeap();
    EXPECT_ERROR(HeapAlloc(reinterpret_cast<HANDLE>(uintptr_t{0x40}), 0, 8), nullptr,
                 ERROR_INVALID_HANDLE);
    EXPECT_ERROR(HeapAlloc(heap, 0x80000000u, 8), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(HeapAlloc(heap, 0, SIZE_MAX - 8), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    void* p = HeapAlloc(heap, 0, 8);
    EXPECT_EQ(HeapReAlloc(heap, 0, p, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, p), 8u);  // still valid after the refused growth
    EXPECT_TRUE(HeapFree(heap, 0, p));
}

}  // namespace
