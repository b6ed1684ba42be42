#include <gtest/gtest.h>

#include <sched.h>

#include <cstring>
#include <thread>

#include "windows.h"
#include "support/error_checks.h"

namespace {

TEST(SystemInfoThreads, ProcessorsAreTheOnesThisProcessMayUse) {
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwNumberOfProcessors, DWORD(CPU_COUNT(&allowed)));
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_GE(info.dwPageSize, 4096u);
    EXPECT_EQ(info.dwAllocationGranularity, 65536u);
    EXPECT_LT(info.lpMinimumApplicationAddress, info.lpMaximumApplicationAddress);

    // Limited to one processor, a thread is told of one.
    int first = 0;
    while (!CPU_ISSET(first, &allowed)) ++first;
    std::thread([first] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        SYSTEM_INFO limited;
        GetNativeSystemInfo(&limited);
        EXPECT_EQ(limited.dwNumberOfProcessors, 1u);
        EXPECT_EQ(limited.dwActiveProcessorMask, DWORD_PTR{1} << first);
    }).join();
}

TEST(SystemInfo, VersionIsWindows7ServicePack1) {
    OSVERSIONINFOA basic;
    std::memset(&basic, 0xCC, sizeof basic);
    basic.dwOSVersionInfoSize = sizeof basic;
    ASSERT_TRUE(GetVersionExA(&basic));
    EXPECT_EQ(basic.dwMajorVersion, 6u);
    EXPECT_EQ(basic.dwMinorVersion, 1u);
    EXPECT_EQ(basic.dwBuildNumber, 7601u);
    EXPECT_EQ(basic.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_STREQ(basic.szCSDVersion, "Service Pack 1");

    OSVERSIONINFOEXA extended;
    std::memset(&extended, 0, sizeof extended);
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
    EXPECT_EQ(extended.wServicePackMajor, 1);
    EXPECT_EQ(extended.wProductType, VER_NT_WORKSTATION);

    OSVERSIONINFOA wrong{};
    wrong.dwOSVersionInfoSize = 100;
    EXPECT_ERROR(GetVersionExA(&wrong), FALSE, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wrong.dwMajorVersion, 0u);
    EXPECT_FALSE(GetVersionExA(nullptr));
}

TEST(SystemInfo, MemoryStatus) {
    MEMORYSTATUSEX status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    EXPECT_GT(status.ullTotalPhys, 0u);
    EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    EXPECT_GE(status.ullTotalPageFile, status.ullTotalPhys);
    EXPECT_LE(status.ullAvailVirtual, status.ullTotalVirtual);
    EXPECT_GT(status.ullAvailVirtual, 0u);

    MEMORYSTATUSEX wrong;
    std::memset(&wrong, 0, sizeof wrong);
    wrong.dwLength = sizeof wrong - 8;
    EXPECT_ERROR(GlobalMemoryStatusEx(&wrong), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wrong.ullTotalPhys, 0u);
    EXPECT_FALSE(GlobalMemoryStatusEx(nullptr));

    MEMORYSTATUS old;
    std::memset(&old, 0, sizeof old);
    GlobalMemoryStatus(&old);
    EXPECT_EQ(old.dwLength, sizeof old);
    EXPECT_EQ(old.dwTotalPhys, status.ullTotalPhys);
}

}  // namespace
