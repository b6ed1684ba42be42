// The knob that makes one HeapAlloc fail, and the live block count.
#include <gtest/gtest.h>

#include "test_knobs.h"
#include "windows.h"

namespace {

TEST(HeapFailureKnob, FailsExactlyTheChosenAllocation) {
    HANDLE heap = GetProcessHeap();
    const size_t start = KnobHeapBlockCount();
    KnobFailHeapAlloc(2);
    void* first = HeapAlloc(heap, 0, 16);
    SetLastError(0);
    void* second = HeapAlloc(heap, 0, 16);
    const DWORD error = GetLastError();
    void* third = HeapAlloc(heap, 0, 16);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(KnobHeapBlockCount(), start + 2);
    HeapFree(heap, 0, first);
    HeapFree(heap, 0, third);
    EXPECT_EQ(KnobHeapBlockCount(), start);
}

}  // namespace
