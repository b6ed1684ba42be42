#include <gtest/gtest.h>

#include <thread>

#include "../../../platform/win32/kernel_objects.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

struct Probe : platform::KernelObject {
    explicit Probe(int* alive) : alive(alive) { ++*alive; }
    ~Probe() override { --*alive; }
    int* alive;
};

TEST(KernelHandleTable, StaleAndMadeUpHandlesFailCleanly) {
    int alive = 0;
    HANDLE h = platform::KernelHandleAdd(std::make_shared<Probe>(&alive));
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(alive, 1);
    EXPECT_NE(platform::KernelHandleGetAs<Probe>(h), nullptr);

    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(alive, 0);

    // The slot is reused, but the old value stays dead.
    HANDLE again = platform::KernelHandleAdd(std::make_shared<Probe>(&alive));
    EXPECT_NE(again, h);
    EXPECT_ERROR(CloseHandle(h), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_EQ(platform::KernelHandleGet(h), nullptr);

    for (HANDLE bogus : {HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(uintptr_t{0x1234567}),
                         HANDLE(uintptr_t{0xdeadbeef0})}) {
        EXPECT_ERROR(platform::KernelHandleGet(bogus), nullptr, ERROR_INVALID_HANDLE);
    }
    EXPECT_TRUE(CloseHandle(again));
    EXPECT_EQ(alive, 0);
}

TEST(KernelHandleTableThreads, LastErrorIsPerThread) {
    SetLastError(42);
    std::thread([] {
        EXPECT_EQ(GetLastError(), 0u);
        SetLastError(7);
    }).join();
    EXPECT_EQ(GetLastError(), 42u);
}

}  // namespace
