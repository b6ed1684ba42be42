// Global memory: moveable blocks behind kernel handles, fixed blocks that
// are their own handle, lock counts and refusals.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "../../../platform/win32/kernel_objects.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

TEST(GlobalMemory, MoveableBlockIsReachedThroughLocks) {
    size_t before = platform::KernelHandleCount();
    HGLOBAL h = GlobalAlloc(GHND, 40);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 40u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(p[i], 0) << i;
    std::memcpy(p, "clip", 5);
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(p), h);
    EXPECT_TRUE(GlobalUnlock(h));
    SetLastError(1234);  // the last unlock clears the error
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    EXPECT_ERROR(GlobalUnlock(h), FALSE, ERROR_NOT_LOCKED);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(h)), "clip");
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(platform::KernelHandleCount(), before);
    EXPECT_ERROR(GlobalLock(h), nullptr, ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(h), h);  // second free fails, hands the handle back
    EXPECT_EQ(GlobalHandle(p), nullptr);
}

TEST(GlobalMemory, FixedBlockIsItsOwnHandle) {
    HGLOBAL h = GlobalAlloc(GPTR, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalLock(h), h);
    EXPECT_EQ(GlobalHandle(h), h);
    EXPECT_EQ(GlobalSize(h), 16u);
    EXPECT_TRUE(std::memcmp(h, "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16) == 0);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFree(h), h);
}

TEST(GlobalMemory, BadHandlesFlagsAndSizesAreRefused) {
    int onStack = 0;
    HGLOBAL madeUp = reinterpret_cast<HGLOBAL>(uintptr_t{0x5550});
    for (HGLOBAL bad : {madeUp, static_cast<HGLOBAL>(&onStack), static_cast<HGLOBAL>(nullptr)}) {
        EXPECT_ERROR(GlobalLock(bad), nullptr, ERROR_INVALID_HANDLE);
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_FALSE(GlobalUnlock(bad));
        EXPECT_EQ(GlobalFlags(bad), static_cast<UINT>(GMEM_INVALID_HANDLE));
    }
    EXPECT_EQ(GlobalFree(madeUp), madeUp);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    // An event handle is a kernel handle but no global memory.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(GlobalLock(event), nullptr);
    EXPECT_EQ(GlobalFree(event), event);
    CloseHandle(event);
    EXPECT_ERROR(GlobalAlloc(0x80000000u, 8), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(GlobalAlloc(GMEM_MOVEABLE, SIZE_MAX), nullptr, ERROR_NOT_ENOUGH_MEMORY);
}

TEST(GlobalMemory, ClosingAMoveableHandleFreesTheBlockToo) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
    void* p = GlobalLock(h);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(GlobalHandle(p), nullptr);
    EXPECT_EQ(GlobalLock(h), nullptr);
}

}  // namespace
