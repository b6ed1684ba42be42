// The ReadFile hold and call counter that the engine's file tests steer by.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "support/test_support.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

HANDLE OpenForRead(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(ReadFileKnobsThreads, HoldStopsReadsUntilReleased) {
    testsupport::WriteFile("held.bin", "abcdef");
    HANDLE file = OpenForRead("held.bin");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    KnobHoldReadFile(true);
    std::atomic<bool> done{false};
    char buffer[6] = {};
    DWORD got = 0;
    std::thread reader([&] {
        EXPECT_TRUE(ReadFile(file, buffer, 6, &got, nullptr));
        done = true;
    });
    ASSERT_TRUE(KnobWaitForHeldReadFile(1));
    EXPECT_EQ(KnobReadFileWaiting(), 1);
    EXPECT_FALSE(done.load());
    KnobHoldReadFile(false);
    reader.join();
    EXPECT_EQ(KnobReadFileWaiting(), 0);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    // Waiting for a held read after the release reports false at once.
    EXPECT_FALSE(KnobWaitForHeldReadFile(1));
    CloseHandle(file);
}

TEST(ReadFileKnobs, CounterCountsEveryCall) {
    testsupport::WriteFile("count.bin", "xy");
    HANDLE file = OpenForRead("count.bin");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    KnobResetReadFileCallCount();
    char byte;
    DWORD got;
    EXPECT_TRUE(ReadFile(file, &byte, 1, &got, nullptr));
    EXPECT_TRUE(ReadFile(file, &byte, 1, &got, nullptr));
    EXPECT_TRUE(ReadFile(file, &byte, 1, &got, nullptr));  // at the end: 0 bytes, still a call
    EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x1234), &byte, 1, &got, nullptr));
    EXPECT_EQ(KnobReadFileCallCount(), 4);
    KnobResetAll();
    EXPECT_EQ(KnobReadFileCallCount(), 0);
    CloseHandle(file);
}

}  // namespace
